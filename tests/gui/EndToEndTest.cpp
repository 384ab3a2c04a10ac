// The real program under a real window manager, driven by key presses.
#include "GuiTestSupport.h"
#include "XSession.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/data/Task.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        ASSERT_TRUE(m_x.Start()) << m_x.Error().toStdString();
        m_main = QDir(m_dataDir.path()).filePath(QStringLiteral("timedata.pnd"));
        m_backup = QDir(m_dataDir.path()).filePath(QStringLiteral("tdbackup.pnd"));
    }

    void TearDown() override {
        for (QProcess* process : {&m_first, &m_second}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    void Launch(QProcess& process, const QStringList& extra = {}) {
        process.setProcessEnvironment(m_x.Environment(ChildEnvironment(m_configDir.path())));
        process.start(PunchwellBinary(),
                      QStringList{QStringLiteral("--data-dir"), m_dataDir.path()} + extra);
        ASSERT_TRUE(process.waitForStarted(5000));
    }

    // File > Exit, as a person would choose it.
    void ExitThroughTheMenu(QProcess& process) {
        const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
        ASSERT_FALSE(window.isEmpty());
        ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+f"), QStringLiteral("x")}));
        ASSERT_TRUE(Finished(process));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }

    // The key presses run the event loop, so the process may have ended already.
    static bool Finished(QProcess& process) {
        return process.state() == QProcess::NotRunning || process.waitForFinished(10000);
    }

    // The periods in the main data file, read with the program's own reader, head first.
    std::vector<CDoneTask> SavedPeriods() const {
        CPunchwellApp reader(m_dataDir.path().toStdString());
        reader.LoadData();
        EXPECT_FALSE(reader.LoadFailed());
        std::vector<CDoneTask> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back(*p);
        return out;
    }

    // The whole screen, for a person to look at, when PUNCHWELL_SHOTS_DIR asks for it.
    void Screenshot(const QString& name) const {
        const QString dir = qEnvironmentVariable("PUNCHWELL_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        QProcess import;
        import.setProcessEnvironment(m_x.Environment(QProcessEnvironment::systemEnvironment()));
        import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                QDir(dir).filePath(name + QStringLiteral(".png"))});
        import.waitForFinished(10000);
    }

    QStringList KeptCopies() const {
        return QDir(m_dataDir.path())
            .entryList({QStringLiteral("timedata.damaged-*.pnd")}, QDir::Files);
    }

    XSession m_x;
    QTemporaryDir m_dataDir;
    QTemporaryDir m_configDir;
    QString m_main;
    QString m_backup;
    QProcess m_first;
    QProcess m_second;
};

TEST_F(EndToEndTest, DamagedMainFileIsKeptAndRewrittenFromTheBackup) {
    const QByteArray good =
        MakeDataFile({"Alpha", "Beta"}, {{"Alpha", 1700000000, 1700003600, "first"},
                                         {"Beta", 1700010000, 1700012000, "second"}});
    const QByteArray damaged = good.left(good.size() - 7);
    ASSERT_TRUE(WriteBytes(m_backup, good));
    ASSERT_TRUE(WriteBytes(m_main, damaged));

    Launch(m_first);
    const QString box = m_x.WaitForWindow(QStringLiteral("^Damaged File Kept$"));
    ASSERT_FALSE(box.isEmpty()) << "the kept-copy message never appeared";

    // Everything is on disk before the person is told.
    EXPECT_EQ(ReadBytes(m_main), good);
    EXPECT_EQ(ReadBytes(m_backup), good);
    const QStringList kept = KeptCopies();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(ReadBytes(QDir(m_dataDir.path()).filePath(kept.first())), damaged);

    ASSERT_TRUE(m_x.SendKeys(box, {QStringLiteral("Return")}));
    // Nothing was left running, so the project list is offered; no choice is made.
    const QString list = m_x.WaitForWindow(QStringLiteral("^Select Project$"));
    ASSERT_FALSE(list.isEmpty()) << "no project list at start-up";
    ASSERT_TRUE(m_x.SendKeys(list, {QStringLiteral("Escape")}));
    ExitThroughTheMenu(m_first);

    // Exit wrote the options; the data files stay as start-up left them.
    QSettings settings(
        QDir(m_configDir.path()).filePath(QStringLiteral("Quillmoor/Punchwell.conf")),
        QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Options/ShowListOnStart")).toString(),
              QStringLiteral("1"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/PageLines")).toString(), QStringLiteral("15"));
    EXPECT_EQ(ReadBytes(m_main), good);
    EXPECT_EQ(KeptCopies().size(), 1);
}

// A new user's first keys: a rate typed with a decimal point, the records of the current
// project with Ctrl+R and Enter, and the Reporting dialog with Alt+R.
TEST_F(EndToEndTest, RateWithAPointRecordsWithEnterAndReportingWithAltR) {
    ASSERT_TRUE(WriteBytes(
        m_main, MakeDataFile({"Alpha", "Beta"}, {{"Beta", 1700000000, 1700000600, ""}})));
    Launch(m_first);
    const QString list = m_x.WaitForWindow(QStringLiteral("^Select Project$"));
    ASSERT_FALSE(list.isEmpty()) << "no project list at start-up";
    ASSERT_TRUE(m_x.SendKeys(list, {QStringLiteral("Escape")}));
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());

    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("ctrl+a")}));
    const QString add = m_x.WaitForWindow(QStringLiteral("^Add A Project$"));
    ASSERT_FALSE(add.isEmpty());
    QStringList keys;
    for (const char c : QByteArrayLiteral("Consulting"))
        if (c != '\0')
            keys << QString(QLatin1Char(c));
    keys << QStringLiteral("Tab") << QStringLiteral("8") << QStringLiteral("5")
         << QStringLiteral("period") << QStringLiteral("5") << QStringLiteral("0")
         << QStringLiteral("Return");
    ASSERT_TRUE(m_x.SendKeys(add, keys));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Add A Project$")));
    CTask consulting;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            CPunchwellApp reader(m_dataDir.path().toStdString());
            reader.LoadData();
            if (const CTask* task = reader.Store().FindTask("Consulting"))
                consulting = *task;
            return !consulting.GetName().empty();
        },
        5000));
    EXPECT_EQ(consulting.GetDollars(), 85u);
    EXPECT_EQ(consulting.GetCents(), 50u);

    // The list shows Alpha, as at the start: Enter takes it.
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("ctrl+r")}));
    const QString select = m_x.WaitForWindow(QStringLiteral("^Select Project$"));
    ASSERT_FALSE(select.isEmpty());
    ASSERT_TRUE(m_x.SendKeys(select, {QStringLiteral("Return")}));
    const QString records = m_x.WaitForWindow(QStringLiteral("^Time Records For: Alpha$"));
    ASSERT_FALSE(records.isEmpty()) << "Enter did not open the records of the current project";
    Screenshot(QStringLiteral("e2e-time-records"));
    ASSERT_TRUE(m_x.SendKeys(records, {QStringLiteral("Escape")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Time Records For")));

    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+r")}));
    const QString reports = m_x.WaitForWindow(QStringLiteral("^Reports$"), 3000);
    ASSERT_FALSE(reports.isEmpty()) << "Alt+R did not open the Reporting dialog";
    Screenshot(QStringLiteral("e2e-reports"));
    ASSERT_TRUE(m_x.SendKeys(reports, {QStringLiteral("Escape")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Reports$")));
    ExitThroughTheMenu(m_first);
}

TEST_F(EndToEndTest, SecondStartBringsBackTheHiddenWindowAndTouchesNothing) {
    ASSERT_TRUE(
        WriteBytes(m_main, MakeDataFile({"Alpha"}, {{"Alpha", 1700000000, 1700000600, ""}})));
    Launch(m_first);
    const QString list = m_x.WaitForWindow(QStringLiteral("^Select Project$"));
    ASSERT_FALSE(list.isEmpty()) << "no project list at start-up";
    ASSERT_TRUE(m_x.SendKeys(list, {QStringLiteral("Escape")}));
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());

    // The close box (Alt+F4 through the window manager) hides the window; the program stays.
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+F4")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Punchwell$")));
    QTest::qWait(300);
    ASSERT_EQ(m_first.state(), QProcess::Running);

    const QByteArray mainBefore = ReadBytes(m_main);
    const QByteArray backupBefore = ReadBytes(m_backup);
    ASSERT_FALSE(backupBefore.isEmpty());

    QElapsedTimer clock;
    clock.start();
    Launch(m_second);
    ASSERT_TRUE(Finished(m_second));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(m_second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_second.exitCode(), 0);

    EXPECT_FALSE(m_x.WaitForWindow(QStringLiteral("^Punchwell$")).isEmpty());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m_x.ActiveWindowTitle() == QStringLiteral("Punchwell"); }, 5000))
        << "active window: " << m_x.ActiveWindowTitle().toStdString();
    EXPECT_EQ(ReadBytes(m_main), mainBefore);
    EXPECT_EQ(ReadBytes(m_backup), backupBefore);

    ExitThroughTheMenu(m_first);
}

TEST_F(EndToEndTest, CheckInAndOutWithNotesAndAResumeAfterARestart) {
    Launch(m_first);
    // A fresh data folder: the first-run question, answered No.
    const QString question = m_x.WaitForWindow(QStringLiteral("^Enter Projects\\?$"));
    ASSERT_FALSE(question.isEmpty()) << "the first-run question never appeared";
    ASSERT_TRUE(m_x.SendKeys(question, {QStringLiteral("alt+n")}));

    // "New Project..." is the only entry and selected: Check In adds a project and times it.
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());
    Screenshot(QStringLiteral("e2e-1-empty"));
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+c")}));
    const QString add = m_x.WaitForWindow(QStringLiteral("^Add A Project$"));
    ASSERT_FALSE(add.isEmpty()) << "Check In did not offer to add a project";
    ASSERT_FALSE(m_x.Xdotool({QStringLiteral("type"), QStringLiteral("--delay"),
                              QStringLiteral("30"), QStringLiteral("Garden")})
                     .isNull());
    ASSERT_TRUE(m_x.SendKeys(add, {QStringLiteral("Return")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Add A Project$")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<CDoneTask> saved = SavedPeriods();
            return saved.size() == 1 && saved[0].IsRunning();
        },
        5000))
        << "the check-in was not saved";
    const std::int32_t firstStart = SavedPeriods()[0].GetStart();
    EXPECT_EQ(SavedPeriods()[0].GetProject(), "Garden");

    QTest::qWait(2500);
    Screenshot(QStringLiteral("e2e-2-checked-in"));

    // Check out, with notes.
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+c")}));
    const QString notes = m_x.WaitForWindow(QStringLiteral("^Notes For Garden$"));
    ASSERT_FALSE(notes.isEmpty()) << "no Notes dialog at check-out";
    ASSERT_FALSE(m_x.Xdotool({QStringLiteral("type"), QStringLiteral("--delay"),
                              QStringLiteral("30"), QStringLiteral("Weeded the beds")})
                     .isNull());
    ASSERT_TRUE(m_x.SendKeys(
        notes, {QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Notes For Garden$")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<CDoneTask> saved = SavedPeriods();
            return saved.size() == 1 && !saved[0].IsRunning();
        },
        5000));
    std::vector<CDoneTask> saved = SavedPeriods();
    EXPECT_EQ(saved[0].GetNotes(), "Weeded the beds");
    EXPECT_EQ(saved[0].GetStart(), firstStart);
    EXPECT_GE(saved[0].GetDuration(), 2);
    EXPECT_LT(saved[0].GetDuration(), 60);
    Screenshot(QStringLiteral("e2e-3-checked-out"));

    // In again, and the program ends without a check-out (power cut, log-off).
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("alt+c")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return SavedPeriods().size() == 2; }, 5000));
    const CDoneTask running = SavedPeriods()[0];
    ASSERT_TRUE(running.IsRunning());
    m_first.kill();
    ASSERT_TRUE(m_first.waitForFinished(5000));

    // The next start resumes it: Check In/Out now checks out of the same period.
    Launch(m_second);
    const QString again = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(again.isEmpty());
    QTest::qWait(1500);
    Screenshot(QStringLiteral("e2e-4-resumed"));
    ASSERT_TRUE(m_x.SendKeys(again, {QStringLiteral("alt+c")}));
    const QString notesAgain = m_x.WaitForWindow(QStringLiteral("^Notes For Garden$"));
    ASSERT_FALSE(notesAgain.isEmpty()) << "the running period was not resumed";
    ASSERT_TRUE(m_x.SendKeys(
        notesAgain, {QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !SavedPeriods()[0].IsRunning(); }, 5000));
    saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[0].GetStart(), running.GetStart());
    EXPECT_GE(saved[0].GetDuration(), 1);
    EXPECT_EQ(saved[1].GetNotes(), "Weeded the beds");

    ExitThroughTheMenu(m_second);
}

} // namespace
