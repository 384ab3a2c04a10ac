#include "gui/app/CommandLine.h"

#include <QCoreApplication>

namespace {
const QLatin1StringView kDataDirSwitch("--data-dir");
}

bool CommandLine::IsSwitch(const QString& argument) {
    if (argument.startsWith(QLatin1Char('-')))
        return true;
#ifdef Q_OS_WIN
    // Slash switches are a Windows habit; on Unix a leading slash is an absolute path.
    if (argument.startsWith(QLatin1Char('/')))
        return true;
#endif
    return false;
}

CommandLine CommandLine::Parse(const QStringList& arguments) {
    CommandLine result;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == kDataDirSwitch) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                result.action = Action::Error;
                result.error =
                    QCoreApplication::translate("CommandLine", "--data-dir needs a folder name.");
                return result;
            }
            result.dataDirectory = arguments.at(++i);
        } else if (argument.startsWith(kDataDirSwitch + QLatin1Char('='))) {
            result.dataDirectory = argument.mid(kDataDirSwitch.size() + 1);
            if (result.dataDirectory.isEmpty()) {
                result.action = Action::Error;
                result.error =
                    QCoreApplication::translate("CommandLine", "--data-dir needs a folder name.");
                return result;
            }
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
                   (argument == QLatin1String("/?") && IsSwitch(argument))) {
            result.action = Action::Help;
        } else if (argument == QLatin1String("--version")) {
            if (result.action != Action::Help)
                result.action = Action::Version;
        } else if (argument.isEmpty() || IsSwitch(argument)) {
            // Unknown switches are ignored, so that none of them is taken for the data file.
        } else if (result.file.isEmpty()) {
            result.file = argument;
        }
    }
    return result;
}

QString CommandLine::Usage() {
    return QCoreApplication::translate(
        "CommandLine",
        "Usage: punchwell [--data-dir DIR] [FILE]\n"
        "\n"
        "  --data-dir DIR  Keep the data files in DIR instead of the per-user data folder.\n"
        "  --help          Print this help and exit.\n"
        "  --version       Print the version and exit.\n"
        "  FILE            A data file to load at start-up.\n");
}
