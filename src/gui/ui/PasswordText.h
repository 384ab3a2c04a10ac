#pragma once

#include <QString>

#include <string>

// The bytes a typed password is kept as: Windows-1252 where it can be, so a password set on
// any system matches the same password typed on another; UTF-8 for text beyond it.
std::string PasswordBytes(const QString& typed);
