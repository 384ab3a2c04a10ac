#include "gui/app/CommandLine.h"

#include "GuiTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct ParseCase {
    const char* name;
    QStringList arguments;
    CommandLine::Action action;
    QString dataDirectory;
    QString file;
};
// ctest lists each case by its name.
void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLineParse : public testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineParse, FindsTheDataFolderAndTheFile) {
    const ParseCase& c = GetParam();
    const CommandLine parsed =
        CommandLine::Parse(QStringList{QStringLiteral("punchwell")} + c.arguments);
    EXPECT_EQ(parsed.action, c.action);
    EXPECT_EQ(parsed.dataDirectory, c.dataDirectory);
    EXPECT_EQ(parsed.file, c.file);
    if (c.action == CommandLine::Action::Error) {
        EXPECT_FALSE(parsed.error.isEmpty());
    }
}

using A = CommandLine::Action;
const QString kAbsolute = QStringLiteral("/home/me/week.pnd");
// Slash switches belong to Windows; elsewhere a leading slash starts an absolute path.
#ifdef Q_OS_WIN
const QString kSlashFile;
#else
const QString kSlashFile = kAbsolute;
#endif

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineParse,
    testing::Values(
        ParseCase{"Nothing", {}, A::Run, {}, {}},
        ParseCase{"FileOnly", {QStringLiteral("week.pnd")}, A::Run, {}, QStringLiteral("week.pnd")},
        ParseCase{"FirstFileWins",
                  {QStringLiteral("a.pnd"), QStringLiteral("b.pnd")},
                  A::Run,
                  {},
                  QStringLiteral("a.pnd")},
        // The folder after --data-dir is never the command-line file.
        ParseCase{"DataDirIsNotTheFile",
                  {QStringLiteral("--data-dir"), QStringLiteral("store")},
                  A::Run,
                  QStringLiteral("store"),
                  {}},
        ParseCase{"DataDirThenFile",
                  {QStringLiteral("--data-dir"), QStringLiteral("store"), QStringLiteral("f.pnd")},
                  A::Run,
                  QStringLiteral("store"),
                  QStringLiteral("f.pnd")},
        ParseCase{"DataDirWithEquals",
                  {QStringLiteral("f.pnd"), QStringLiteral("--data-dir=/srv/pw")},
                  A::Run,
                  QStringLiteral("/srv/pw"),
                  QStringLiteral("f.pnd")},
        ParseCase{"UnknownSwitchSkipped",
                  {QStringLiteral("-x"), QStringLiteral("--quiet"), QStringLiteral("f.pnd")},
                  A::Run,
                  {},
                  QStringLiteral("f.pnd")},
        ParseCase{"EmptyArgumentSkipped",
                  {QString(), QStringLiteral("f.pnd")},
                  A::Run,
                  {},
                  QStringLiteral("f.pnd")},
        ParseCase{"LeadingSlash", {kAbsolute}, A::Run, {}, kSlashFile},
        ParseCase{"DataDirMissingItsValue", {QStringLiteral("--data-dir")}, A::Error, {}, {}},
        ParseCase{"DataDirEmptyValue", {QStringLiteral("--data-dir=")}, A::Error, {}, {}},
        ParseCase{"Help",
                  {QStringLiteral("f.pnd"), QStringLiteral("--help")},
                  A::Help,
                  {},
                  QStringLiteral("f.pnd")},
        ParseCase{"HelpBeatsVersion",
                  {QStringLiteral("--version"), QStringLiteral("--help")},
                  A::Help,
                  {},
                  {}},
        ParseCase{"Version", {QStringLiteral("--version")}, A::Version, {}, {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// Help and version must work where there is no display at all.
TEST(CommandLineProcess, HelpAndVersionPrintWithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    struct Run {
        QStringList arguments;
        int exitCode;
        QString stdoutContains;
        QString stderrContains;
    };
    const Run runs[] = {
        {{QStringLiteral("--version")}, 0, QStringLiteral("Punchwell " PUNCHWELL_VERSION), {}},
        {{QStringLiteral("--help")}, 0, QStringLiteral("--data-dir DIR"), {}},
        {{QStringLiteral("--data-dir")}, 2, {}, QStringLiteral("--data-dir needs a folder")},
    };
    for (const Run& run : runs) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(PunchwellBinary(), run.arguments);
        ASSERT_TRUE(process.waitForFinished(10000))
            << run.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), run.exitCode);
        EXPECT_TRUE(
            QString::fromLocal8Bit(process.readAllStandardOutput()).contains(run.stdoutContains));
        EXPECT_TRUE(
            QString::fromLocal8Bit(process.readAllStandardError()).contains(run.stderrContains));
    }
}

} // namespace
