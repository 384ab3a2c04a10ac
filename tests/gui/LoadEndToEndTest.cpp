// A data file named on the command line of the real program, loaded as a person does it.
#include "GuiTestSupport.h"
#include "XSession.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// 2023-11-14 09:00 UTC.
constexpr std::int32_t k0900 = 1699952400;
constexpr std::int32_t kHour = 3600;

class LoadEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        ASSERT_TRUE(m_x.Start()) << m_x.Error().toStdString();
    }

    void TearDown() override {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5000);
        }
    }

    // A visible window of the program with that title; other windows of the display (the
    // window manager's own, untitled) do not count.
    QString ProgramWindow(const QString& titleRegex) const {
        QString id;
        (void)QTest::qWaitFor(
            [&] {
                id = m_x.Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--pid"), QString::number(m_program.processId()),
                                  QStringLiteral("--name"), titleRegex})
                         .section(QLatin1Char('\n'), 0, 0)
                         .trimmed();
                return !id.isEmpty();
            },
            10000);
        return id;
    }

    XSession m_x;
    QTemporaryDir m_dataDir;
    QTemporaryDir m_otherDir;
    QTemporaryDir m_configDir;
    QProcess m_program;
};

TEST_F(LoadEndToEndTest, CommandLineFileIsShownThenMergedIntoTheMainFile) {
    const QString main = QDir(m_dataDir.path()).filePath(QStringLiteral("timedata.pnd"));
    const QString other = QDir(m_otherDir.path()).filePath(QStringLiteral("some.pnd"));
    ASSERT_TRUE(WriteBytes(main, MakeDataFile({"Web"}, {{"Web", k0900, k0900 + kHour, "a"}})));
    ASSERT_TRUE(WriteBytes(
        other, MakeDataFile({"Web", "Mail"}, {{"Web", k0900 + kHour / 2, k0900 + 2 * kHour, "b"},
                                              {"Mail", k0900, k0900 + kHour, "m"}})));

    m_program.setProcessEnvironment(m_x.Environment(ChildEnvironment(m_configDir.path())));
    m_program.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path(), other});
    ASSERT_TRUE(m_program.waitForStarted(5000));

    // The path comes first, in a box with no caption of its own (the desktop shows the
    // program's name), before the main window.
    const QString box = ProgramWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(box.isEmpty()) << "the path was never shown";
    EXPECT_TRUE(m_x.WaitForWindow(QStringLiteral("^Load Data File$"), 300).isEmpty());
    ASSERT_TRUE(m_x.SendKeys(box, {QStringLiteral("Return")}));

    // Space picks the first method, which has the focus; the arrow key then moves the choice
    // to Merge Files.
    const QString dialog = m_x.WaitForWindow(QStringLiteral("^Load Data File$"));
    ASSERT_FALSE(dialog.isEmpty()) << "the Load Data File dialog never opened";
    ASSERT_TRUE(m_x.SendKeys(
        dialog, {QStringLiteral("space"), QStringLiteral("Down"), QStringLiteral("Return")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Load Data File$")));

    // Nothing was left running, so the project list is offered; no choice is made.
    const QString list = m_x.WaitForWindow(QStringLiteral("^Select Project$"));
    ASSERT_FALSE(list.isEmpty()) << "no project list at start-up";
    ASSERT_TRUE(m_x.SendKeys(list, {QStringLiteral("Escape")}));
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+f"), QStringLiteral("x")}));
    ASSERT_TRUE(m_program.state() == QProcess::NotRunning || m_program.waitForFinished(10000));
    EXPECT_EQ(m_program.exitCode(), 0);

    CPunchwellApp reader(m_dataDir.path().toStdString());
    reader.LoadData();
    EXPECT_FALSE(reader.LoadFailed());
    std::vector<std::string> projects;
    for (const auto& task : reader.Store().Tasks())
        projects.push_back(task->GetName());
    EXPECT_EQ(projects, (std::vector<std::string>{"Web", "Mail"}));
    std::vector<std::string> periods;
    for (const auto& p : reader.Store().DoneTasks())
        periods.push_back(p->GetProject() + " " + std::to_string(p->GetStart() - k0900) + "-" +
                          std::to_string(p->GetEnd() - k0900) + " " + p->GetNotes());
    std::sort(periods.begin(), periods.end());
    EXPECT_EQ(periods, (std::vector<std::string>{"Mail 0-3600 m", "Web 0-7200 a\nb"}));
    // The data as it was before the load is kept beside the main file.
    EXPECT_EQ(QDir(m_dataDir.path())
                  .entryList({QStringLiteral("timedata.before-load-*.pnd")}, QDir::Files)
                  .size(),
              1);
}

} // namespace
