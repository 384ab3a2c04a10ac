// The lock across a restart, with the real program under a window manager.
#include "GuiTestSupport.h"
#include "XSession.h"

#include "core/app/PunchwellApp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LockEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        ASSERT_TRUE(m_x.Start()) << m_x.Error().toStdString();
        // No project list at start-up, so the window is the first thing on screen.
        ASSERT_TRUE(QDir(m_configDir.path()).mkpath(QStringLiteral("Quillmoor")));
        QFile conf(QDir(m_configDir.path()).filePath(QStringLiteral("Quillmoor/Punchwell.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Options]\nShowListOnStart=0\n");
    }
    void TearDown() override {
        for (QProcess* process : {&m_first, &m_second, &m_third}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
    void Launch(QProcess& process) {
        process.setProcessEnvironment(m_x.Environment(ChildEnvironment(m_configDir.path())));
        process.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    std::uint16_t LockedOnDisk() const {
        CPunchwellApp reader(m_dataDir.path().toStdString());
        reader.LoadData();
        return reader.LockFlag();
    }

    XSession m_x;
    QTemporaryDir m_dataDir;
    QTemporaryDir m_configDir;
    QProcess m_first;
    QProcess m_second;
    QProcess m_third;
};

TEST_F(LockEndToEndTest, LockedAtTheKillRelocksAfterTheNextStartAndStaysLocked) {
    {
        CPunchwellApp seed(m_dataDir.path().toStdString());
        auto task = std::make_unique<CTask>("Alpha");
        seed.Store().AddTask(task);
        seed.SetPassword("pw");
        ASSERT_TRUE(seed.SaveData());
    }
    Launch(m_first);
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("ctrl+l")}));
    const QString confirm = m_x.WaitForWindow(QStringLiteral("^Lock Program$"));
    ASSERT_FALSE(confirm.isEmpty());
    ASSERT_TRUE(m_x.SendKeys(confirm, {QStringLiteral("Return")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Punchwell$")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return LockedOnDisk() == 1; }, 5000));
    m_first.kill();
    ASSERT_TRUE(m_first.waitForFinished(5000));

    Launch(m_second);
    // Nothing of the data shows: the window never comes up before the password.
    EXPECT_TRUE(m_x.WaitForWindow(QStringLiteral("^Punchwell$"), 2500).isEmpty())
        << "the locked program showed its window";
    EXPECT_TRUE(m_x.WaitForWindow(QStringLiteral("^Select Project$"), 500).isEmpty());
    EXPECT_EQ(m_second.state(), QProcess::Running);
    EXPECT_EQ(LockedOnDisk(), 1);
    // Without a tray the minimised window is the way back; a window manager that restores it
    // at once gets the password dialog, which shows nothing of the data either.

    // A later start asks the running one to show its window: not while locked.
    Launch(m_third);
    ASSERT_TRUE(m_third.waitForFinished(10000));
    EXPECT_EQ(m_third.exitCode(), 0);
    EXPECT_TRUE(m_x.WaitForWindow(QStringLiteral("^Punchwell$"), 1500).isEmpty());
    EXPECT_EQ(m_second.state(), QProcess::Running);
}

} // namespace
