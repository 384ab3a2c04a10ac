#include "gui/ui/PasswordText.h"

#include "core/data/Windows1252.h"

std::string PasswordBytes(const QString& typed) {
    const std::string utf8 = typed.toStdString();
    return windows1252::FromUtf8(utf8).value_or(utf8);
}
