#include "gui/app/SingleInstance.h"

#include "GuiTestSupport.h"
#include "gui/app/PunchwellApplication.h"
#include "gui/ui/PunchwellDlg.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

#include <csignal>

namespace {

QByteArray Framed(const QByteArray& payload) {
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), header.data());
    return header + payload;
}

class SingleInstanceTest : public GuiTest {
protected:
    QTemporaryDir m_dataDir;
    QTemporaryDir m_configDir;
};

TEST_F(SingleInstanceTest, ServerNameIsPerUserAndPerDataFolder) {
    QTemporaryDir other;
    const QString name = SingleInstance::ServerNameFor(m_dataDir.path());
    EXPECT_NE(name, SingleInstance::ServerNameFor(other.path()));
    EXPECT_EQ(name, SingleInstance::ServerNameFor(m_dataDir.path() + QStringLiteral("/.")));
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty()) {
        EXPECT_TRUE(name.contains(user)) << name.toStdString();
    }

    // Two folders, two programs: both hold their own lock and listen.
    SingleInstance first(m_dataDir.path());
    SingleInstance second(other.path());
    EXPECT_EQ(first.Acquire(), SingleInstance::Role::Primary);
    EXPECT_EQ(second.Acquire(), SingleInstance::Role::Primary);
    EXPECT_TRUE(first.IsListening());
    EXPECT_TRUE(second.IsListening());
}

TEST_F(SingleInstanceTest, DecodesOnlyWellFormedRequests) {
    const QByteArray message = SingleInstance::EncodeMessage(QStringLiteral("/tmp/week ö.pnd"));
    ASSERT_GT(message.size(), 4);
    EXPECT_EQ(qFromBigEndian<quint32>(message.constData()),
              static_cast<quint32>(message.size() - 4));
    EXPECT_EQ(SingleInstance::DecodePayload(message.mid(4)),
              std::optional<QString>(QStringLiteral("/tmp/week ö.pnd")));
    EXPECT_EQ(SingleInstance::DecodePayload(SingleInstance::EncodeMessage({}).mid(4)),
              std::optional<QString>(QString()));

    const QByteArray bad[] = {
        QByteArray(),
        QByteArrayLiteral("hello"),
        QByteArrayLiteral("punchwell/1 showx"),
        QByteArrayLiteral("punchwell/1 show\n"),
        QByteArrayLiteral("punchwell/1 show\nrelative/file.pnd"),
        QByteArrayLiteral("punchwell/1 show\n/tmp/\xff\xfe.pnd"),
        QByteArray("punchwell/1 show\n/tmp/a\0b.pnd", 29),
    };
    for (const QByteArray& payload : bad)
        EXPECT_EQ(SingleInstance::DecodePayload(payload), std::nullopt) << payload.toStdString();
}

TEST_F(SingleInstanceTest, MalformedMessagesAreDroppedAndTheServerGoesOn) {
    SingleInstance primary(m_dataDir.path());
    ASSERT_EQ(primary.Acquire(), SingleInstance::Role::Primary);
    QSignalSpy shows(&primary, &SingleInstance::showRequested);
    QSignalSpy files(&primary, &SingleInstance::fileHandedOver);

    // Returns what the server answered before it hung up.
    auto send = [&](const QByteArray& bytes) {
        QLocalSocket socket;
        socket.connectToServer(primary.ServerName());
        EXPECT_TRUE(socket.waitForConnected(2000));
        socket.write(bytes);
        socket.flush();
        QByteArray reply;
        (void)QTest::qWaitFor(
            [&] {
                reply += socket.readAll();
                return socket.state() == QLocalSocket::UnconnectedState || !reply.isEmpty();
            },
            3000);
        return reply;
    };

    QByteArray oversized(4, '\0');
    qToBigEndian<quint32>(SingleInstance::kMaxMessageSize + 1, oversized.data());
    EXPECT_TRUE(send(oversized + QByteArray(64, 'x')).isEmpty());
    EXPECT_TRUE(send(Framed(QByteArray())).isEmpty());
    EXPECT_TRUE(send(Framed(QByteArrayLiteral("open /etc/passwd"))).isEmpty());
    EXPECT_TRUE(send(Framed(QByteArrayLiteral("punchwell/1 show\nno/slash.pnd"))).isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(shows.count(), 0);
    EXPECT_EQ(files.count(), 0);

    EXPECT_EQ(send(SingleInstance::EncodeMessage(QStringLiteral("/srv/a.pnd"))),
              QByteArrayLiteral("K"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return files.count() == 1; }, 2000));
    EXPECT_EQ(shows.count(), 1);
    EXPECT_EQ(files.at(0).at(0).toString(), QStringLiteral("/srv/a.pnd"));
}

// A running punchwell owns the folder; once it is killed, its lock and socket are taken over.
TEST_F(SingleInstanceTest, LiveOwnerKeepsTheFolderAndACrashedOneLosesIt) {
    ASSERT_TRUE(WriteBytes(QDir(m_dataDir.path()).filePath(QStringLiteral("timedata.pnd")),
                           MakeDataFile({"Alpha"}, {})));
    QProcess running;
    running.setProcessEnvironment(ChildEnvironment(m_configDir.path()));
    running.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
    ASSERT_TRUE(running.waitForStarted(5000));
    const QString serverName = SingleInstance::ServerNameFor(m_dataDir.path());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(serverName);
            return probe.waitForConnected(100);
        },
        10000));

    {
        SingleInstance second(m_dataDir.path());
        EXPECT_EQ(second.Acquire(), SingleInstance::Role::Secondary);
        EXPECT_FALSE(second.IsListening());
    }

    ::kill(static_cast<pid_t>(running.processId()), SIGKILL);
    ASSERT_TRUE(running.waitForFinished(5000));
    EXPECT_TRUE(QFile::exists(QDir(m_dataDir.path()).filePath(QStringLiteral("punchwell.lock"))));

    SingleInstance next(m_dataDir.path());
    EXPECT_EQ(next.Acquire(), SingleInstance::Role::Primary);
    EXPECT_TRUE(next.IsListening());
}

// A second punchwell hands its file to the running program, which shows the full path, and
// the second one ends at once.
TEST_F(SingleInstanceTest, HandedOverFileReachesTheRunningProgram) {
    const QString mainPath = QDir(m_dataDir.path()).filePath(QStringLiteral("timedata.pnd"));
    const QString backupPath = QDir(m_dataDir.path()).filePath(QStringLiteral("tdbackup.pnd"));
    ASSERT_TRUE(WriteBytes(mainPath, MakeDataFile({"Alpha", "Beta"}, {{"Alpha", 1000, 2000, ""}})));

    // No project list at start-up: this test is about the handed-over file alone.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
              QStringLiteral("Punchwell"))
        .setValue(QStringLiteral("Options/ShowListOnStart"), 0);
    SingleInstance instance(m_dataDir.path());
    ASSERT_EQ(instance.Acquire(), SingleInstance::Role::Primary);
    PunchwellApplication program(m_dataDir.path());
    program.Listen(instance);
    program.Start(QString());
    ASSERT_NE(program.MainWindow(), nullptr);
    program.MainWindow()->hide();
    const QByteArray mainBefore = ReadBytes(mainPath);
    const QByteArray backupBefore = ReadBytes(backupPath);
    ASSERT_FALSE(backupBefore.isEmpty());

    QTemporaryDir workDir;
    const QString expected =
        QDir::toNativeSeparators(QDir(workDir.path()).filePath(QStringLiteral("in/week.pnd")));
    QString caption = QStringLiteral("unset");
    QString text;
    QMessageBox::StandardButtons buttons;
    bool windowShownFirst = false;
    QString loadTitle;
    std::unique_ptr<ModalDriver> loadDriver;
    ModalDriver driver([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box)
            return;
        caption = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        windowShownFirst = program.MainWindow()->isVisible();
        // Then the load procedure, stopped at its first dialog.
        loadDriver = std::make_unique<ModalDriver>([&](QWidget* dialog) {
            loadTitle = dialog->windowTitle();
            dialog->close();
        });
        box->button(QMessageBox::Ok)->click();
    });

    QProcess second;
    second.setWorkingDirectory(workDir.path());
    second.setProcessEnvironment(ChildEnvironment(m_configDir.path()));
    second.start(PunchwellBinary(),
                 {QStringLiteral("--data-dir"), m_dataDir.path(), QStringLiteral("in/week.pnd")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.Ran(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loadDriver && loadDriver->Ran(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));

    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(caption.isEmpty());
    EXPECT_EQ(text, expected);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(windowShownFirst);
    EXPECT_EQ(loadTitle, QStringLiteral("Load Data File"));
    EXPECT_EQ(ReadBytes(mainPath), mainBefore);
    EXPECT_EQ(ReadBytes(backupPath), backupBefore);
}

} // namespace
