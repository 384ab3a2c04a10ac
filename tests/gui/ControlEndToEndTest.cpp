// punchwell-cli driving the real program under a window manager, and the data file alone.
#include "GuiTestSupport.h"
#include "XSession.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/platform/DataFolderLock.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

class ControlEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_configDir.path()).mkpath(QStringLiteral("Quillmoor")));
        QFile conf(QDir(m_configDir.path()).filePath(QStringLiteral("Quillmoor/Punchwell.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Options]\nShowListOnStart=0\n");
        CPunchwellApp seed(m_dataDir.path().toStdString());
        for (const char* name : {"Alpha", "Beta"}) {
            auto task = std::make_unique<CTask>(name);
            seed.Store().AddTask(task);
        }
        seed.SetPassword("pw");
        ASSERT_TRUE(seed.SaveData());
    }
    void TearDown() override {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5000);
        }
    }

    QProcessEnvironment Environment() const {
        return m_x.Environment(ChildEnvironment(m_configDir.path()));
    }
    void Launch(QProcess& process) {
        process.setProcessEnvironment(Environment());
        process.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    CliResult Cli(const QStringList& arguments) const {
        QProcess cli;
        cli.setProcessEnvironment(Environment());
        cli.start(QStringLiteral(PUNCHWELL_CLI_PATH),
                  QStringList{QStringLiteral("--data-dir"), m_dataDir.path()} + arguments);
        cli.waitForFinished(20000);
        return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
                QString::fromUtf8(cli.readAllStandardOutput()),
                QString::fromUtf8(cli.readAllStandardError())};
    }
    std::vector<CDoneTask> SavedPeriods() const {
        CPunchwellApp reader(m_dataDir.path().toStdString());
        reader.LoadData();
        std::vector<CDoneTask> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back(*p);
        return out;
    }
    QByteArray FileBytes() const {
        QFile file(QDir(m_dataDir.path()).filePath(QStringLiteral("timedata.pnd")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

    XSession m_x;
    QTemporaryDir m_dataDir;
    QTemporaryDir m_configDir;
    QProcess m_program;
};

TEST_F(ControlEndToEndTest, TheRunningProgramChecksInAndOutAndRefusesWhileLocked) {
    if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    ASSERT_TRUE(m_x.Start()) << m_x.Error().toStdString();
    Launch(m_program);
    const QString window = m_x.WaitForWindow(QStringLiteral("^Punchwell$"));
    ASSERT_FALSE(window.isEmpty());

    const CliResult in = Cli({QStringLiteral("in"), QStringLiteral("Alpha")});
    ASSERT_EQ(in.exitCode, 0) << in.err.toStdString();
    EXPECT_EQ(in.out, QStringLiteral("Checked in to Alpha.\n"));
    const CliResult status = Cli({QStringLiteral("status"), QStringLiteral("--json")});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(status.out.toUtf8()).object();
    EXPECT_TRUE(json.value(QStringLiteral("checked_in")).toBool()) << status.out.toStdString();
    EXPECT_EQ(json.value(QStringLiteral("project")).toString(), QStringLiteral("Alpha"));
    EXPECT_FALSE(json.value(QStringLiteral("locked")).toBool());
    // The program saved the check-in itself, as its own button does.
    std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_TRUE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetProject(), "Alpha");
    QTest::qWait(1500); // a second or two on the clock in the screenshot
    Screenshot(QStringLiteral("control-1-checked-in-by-cli"));

    const CliResult out =
        Cli({QStringLiteral("out"), QStringLiteral("--notes"), QStringLiteral("done")});
    ASSERT_EQ(out.exitCode, 0) << out.err.toStdString();
    saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetNotes(), "done");
    EXPECT_GE(saved[0].GetEnd(), saved[0].GetStart() + 1);
    Screenshot(QStringLiteral("control-2-checked-out-by-cli"));

    ASSERT_TRUE(m_x.SendKeys(window, {QStringLiteral("ctrl+l")}));
    const QString confirm = m_x.WaitForWindow(QStringLiteral("^Lock Program$"));
    ASSERT_FALSE(confirm.isEmpty());
    ASSERT_TRUE(m_x.SendKeys(confirm, {QStringLiteral("Return")}));
    ASSERT_TRUE(m_x.WaitForNoWindow(QStringLiteral("^Punchwell$")));
    const QByteArray locked = FileBytes();
    const CliResult refused = Cli({QStringLiteral("in"), QStringLiteral("Alpha")});
    EXPECT_EQ(refused.exitCode, 4) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("locked"))) << refused.err.toStdString();
    EXPECT_EQ(FileBytes(), locked);
    const CliResult lockedStatus = Cli({QStringLiteral("status"), QStringLiteral("--json")});
    EXPECT_EQ(lockedStatus.exitCode, 0);
    EXPECT_TRUE(QJsonDocument::fromJson(lockedStatus.out.toUtf8())
                    .object()
                    .value(QStringLiteral("locked"))
                    .toBool())
        << lockedStatus.out.toStdString();
}

TEST_F(ControlEndToEndTest, CorrectionsGoThroughTheRunningProgram) {
    if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    ASSERT_TRUE(m_x.Start()) << m_x.Error().toStdString();
    Launch(m_program);
    ASSERT_FALSE(m_x.WaitForWindow(QStringLiteral("^Punchwell$")).isEmpty());

    const CliResult added = Cli({QStringLiteral("add"), QStringLiteral("Beta"),
                                 QStringLiteral("--start"), QStringLiteral("2026-01-05T09:00"),
                                 QStringLiteral("--end"), QStringLiteral("2026-01-05T22:00"),
                                 QStringLiteral("--notes"), QStringLiteral("forgot to check out")});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_TRUE(added.out.startsWith(QStringLiteral("added: Beta, 01/05/26 09:00:00 to 22:00:00")))
        << added.out.toStdString();
    std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    const std::int32_t start = saved[0].GetStart();
    EXPECT_EQ(saved[0].GetDuration(), 13 * 3600);

    const CliResult edited =
        Cli({QStringLiteral("edit"), QStringLiteral("--start"), QStringLiteral("2026-01-05T09:00"),
             QStringLiteral("--new-end"), QStringLiteral("2026-01-05T18:00")});
    ASSERT_EQ(edited.exitCode, 0) << edited.err.toStdString();
    saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0].GetStart(), start);
    EXPECT_EQ(saved[0].GetDuration(), 9 * 3600);
    EXPECT_EQ(saved[0].GetNotes(), "forgot to check out");

    // The program keeps its own clock, and the rules refuse an overlap of the same project.
    const QByteArray before = FileBytes();
    const CliResult withNow = Cli({QStringLiteral("add"), QStringLiteral("Beta"),
                                   QStringLiteral("--start"), QStringLiteral("2026-01-06T09:00"),
                                   QStringLiteral("--end"), QStringLiteral("2026-01-06T10:00"),
                                   QStringLiteral("--now"), QStringLiteral("2026-01-07T00:00:00")});
    EXPECT_EQ(withNow.exitCode, 2);
    EXPECT_TRUE(withNow.err.contains(QStringLiteral("keeps its own clock")))
        << withNow.err.toStdString();
    const CliResult overlap = Cli({QStringLiteral("add"), QStringLiteral("Beta"),
                                   QStringLiteral("--start"), QStringLiteral("2026-01-05T17:00"),
                                   QStringLiteral("--end"), QStringLiteral("2026-01-05T19:00")});
    EXPECT_EQ(overlap.exitCode, 2);
    EXPECT_TRUE(overlap.err.contains(QStringLiteral("--join"))) << overlap.err.toStdString();
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(ControlEndToEndTest, WithoutAProgramTheFileIsChangedUnderTheFolderLock) {
    const CliResult in = Cli({QStringLiteral("in"), QStringLiteral("Beta")});
    ASSERT_EQ(in.exitCode, 0) << in.err.toStdString();
    std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_TRUE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetProject(), "Beta");

    {
        // Whoever holds the folder (here the lock a writing cli command takes) keeps both the
        // program and other commands out; nothing is written meanwhile.
        CDataFolderLock held("punchwell-cli 1");
        ASSERT_EQ(held.TryAcquire(m_dataDir.path().toStdString()), CDataFolderLock::Status::Held);
        const QByteArray before = FileBytes();
        QProcess program;
        program.setProcessEnvironment(Environment());
        program.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
        ASSERT_TRUE(program.waitForFinished(15000)) << "the program ran although the lock was held";
        EXPECT_NE(program.exitCode(), 0);
        const CliResult busy = Cli({QStringLiteral("out")});
        EXPECT_EQ(busy.exitCode, 3) << busy.err.toStdString();
        EXPECT_EQ(FileBytes(), before);
    }

    const CliResult out =
        Cli({QStringLiteral("out"), QStringLiteral("--notes"), QStringLiteral("Ölçüm \"1\"")});
    ASSERT_EQ(out.exitCode, 0) << out.err.toStdString();
    saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetNotes(), "Ölçüm \"1\"");
    const CliResult status = Cli({QStringLiteral("status")});
    EXPECT_EQ(status.out, QStringLiteral("Checked out.\n"));
}

TEST_F(ControlEndToEndTest, ALockedDataFileRefusesEveryChange) {
    {
        CPunchwellApp seed(m_dataDir.path().toStdString());
        seed.LoadData();
        seed.SetLockFlag(1);
        ASSERT_TRUE(seed.SaveData());
    }
    const QByteArray before = FileBytes();
    for (const QStringList& command :
         {QStringList{QStringLiteral("in"), QStringLiteral("Alpha")},
          QStringList{QStringLiteral("toggle")}, QStringList{QStringLiteral("projects")}}) {
        const CliResult refused = Cli(command);
        EXPECT_EQ(refused.exitCode, 4) << command.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_EQ(FileBytes(), before);
}

} // namespace
