// The real program under a real window manager, driven by key presses.
#include "GuiTestSupport.h"
#include "XSession.h"

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

TEST_F(EndToEndTest, SecondStartBringsBackTheHiddenWindowAndTouchesNothing) {
    ASSERT_TRUE(
        WriteBytes(m_main, MakeDataFile({"Alpha"}, {{"Alpha", 1700000000, 1700000600, ""}})));
    Launch(m_first);
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

} // namespace
