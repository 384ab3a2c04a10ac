#pragma once

#include <QString>
#include <QStringList>

// What the person asked for on the command line.
class CommandLine {
public:
    enum class Action { Run, Help, Version, Error };

    // `arguments` starts with the program name, as QCoreApplication::arguments() does.
    static CommandLine Parse(const QStringList& arguments);
    static QString Usage();

    Action action = Action::Run;
    QString dataDirectory; // empty: the per-user data folder
    QString file;          // the first argument that is not a switch; empty when none
    QString error;         // for Action::Error, ready to print

private:
    static bool IsSwitch(const QString& argument);
};
