#include "gui/app/SingleInstance.h"

#include "core/platform/DataFolderLock.h"

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
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

#include <csignal>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // In this user's private runtime folder, not at a name another account could take first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    ASSERT_FALSE(runtime.isEmpty());
    EXPECT_TRUE(name.startsWith(runtime + QLatin1Char('/'))) << name.toStdString();

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
    program.FinishBackupRefresh();
    const QByteArray mainBefore = ReadBytes(mainPath);
    const QByteArray backupBefore = ReadBytes(backupPath);
    ASSERT_FALSE(backupBefore.isEmpty());

    QTemporaryDir workDir;
    ASSERT_TRUE(QDir(workDir.path()).mkpath(QStringLiteral("in")));
    ASSERT_TRUE(WriteBytes(QDir(workDir.path()).filePath(QStringLiteral("in/week.pnd")),
                           MakeDataFile({"Gamma"}, {})));
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
    // Not a bare path: where it came from, and what happens next.
    EXPECT_EQ(caption, QStringLiteral("Punchwell"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Another start of Punchwell handed this file to "
                                               "the running program:\n\n") +
                                expected + QStringLiteral("\n\nIt will now be offered")))
        << text.toStdString();
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(windowShownFirst);
    EXPECT_EQ(loadTitle, QStringLiteral("Load Data File"));
    EXPECT_EQ(ReadBytes(mainPath), mainBefore);
    EXPECT_EQ(ReadBytes(backupPath), backupBefore);
}

// A socket file left by a crash (or put there by anyone) is cleared by the lock holder.
TEST_F(SingleInstanceTest, AStaleSocketFileIsClearedByTheLockHolder) {
    const QByteArray path = QFile::encodeName(SingleInstance::ServerNameFor(m_dataDir.path()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd); // bound, never listened, never removed: what a killed program leaves
    ASSERT_TRUE(QFile::exists(QFile::decodeName(path)));

    SingleInstance instance(m_dataDir.path());
    EXPECT_EQ(instance.Acquire(), SingleInstance::Role::Primary);
    EXPECT_TRUE(instance.IsListening()) << instance.ListenError().toStdString();
    EXPECT_TRUE(instance.ListenError().isEmpty());
}

// Runs `body` in a child process as the unprivileged user "nobody" and returns the byte it
// reports, while this process keeps its event loop running.
char AsAnotherAccount(const std::function<char()>& body) {
    int channel[2];
    if (::pipe(channel) != 0)
        return 'E';
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::signal(SIGPIPE, SIG_IGN); // a dropped connection must not end the child unheard
        char result = 'E';
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            result = body();
        [[maybe_unused]] auto n = ::write(channel[1], &result, 1);
        ::_exit(0);
    }
    ::close(channel[1]);
    ::fcntl(channel[0], F_SETFL, O_NONBLOCK);
    char result = 'T';
    (void)QTest::qWaitFor([&] { return ::read(channel[0], &result, 1) == 1; }, 10000);
    ::close(channel[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return result;
}

// Waits up to `ms` for `fd` to be readable.
bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

// Another local account reaches the socket (its folder's protection set aside here): the
// program drops it unheard, and a later start never hands a request to its listener.
TEST_F(SingleInstanceTest, AnotherAccountIsRefusedOnBothEnds) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another account";
    SingleInstance primary(m_dataDir.path());
    ASSERT_EQ(primary.Acquire(), SingleInstance::Role::Primary);
    QSignalSpy shows(&primary, &SingleInstance::showRequested);
    const QString server = primary.ServerName();
    const QString runtime = QFileInfo(server).absolutePath();
    const QString root = QFileInfo(runtime).absolutePath();
    const QFile::Permissions before = QFile::permissions(runtime);
    const QFile::Permissions rootBefore = QFile::permissions(root);
    QFile::setPermissions(root, rootBefore | QFile::ExeOther);
    QFile::setPermissions(runtime, before | QFile::ExeOther);
    QFile::setPermissions(server, QFile::Permissions(0x7777));
    const QByteArray request = SingleInstance::EncodeMessage(QStringLiteral("/tmp/theirs.pnd"));
    const char heard = AsAnotherAccount([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(server).constData(),
                     sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return 'C';
        if (::write(fd, request.constData(), static_cast<size_t>(request.size())) != request.size())
            return 'W';
        char reply = 0;
        if (!Readable(fd, 3000))
            return 'S';                                  // silence
        return ::read(fd, &reply, 1) == 1 ? reply : 'D'; // dropped
    });
    QFile::setPermissions(runtime, before);
    QFile::setPermissions(root, rootBefore);
    EXPECT_NE(heard, 'C') << "the other account could not even connect; nothing was tested";
    EXPECT_NE(heard, 'K');
    QTest::qWait(100);
    EXPECT_EQ(shows.count(), 0);

    // The other way round: a listener of another account where this user's server would be.
    QTemporaryDir shared;
    QFile::setPermissions(shared.path(), QFile::Permissions(0x7777));
    const QString foreign = shared.filePath(QStringLiteral("sock"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::signal(SIGPIPE, SIG_IGN);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(foreign).constData(),
                     sizeof address.sun_path - 1);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 1) != 0)
            ::_exit(1);
        ::chmod(address.sun_path, 0777);
        char ok = 'L';
        [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
        const int peer = ::accept(fd, nullptr, nullptr);
        char got = '0';
        if (Readable(peer, 3000)) {
            char buffer[256];
            got = ::read(peer, buffer, sizeof buffer) > 0 ? 'R' : '0';
        }
        [[maybe_unused]] auto k = ::write(peer, "K", 1);
        [[maybe_unused]] auto m = ::write(ready[1], &got, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'L');
    EXPECT_EQ(SingleInstance::Deliver(foreign, request, 2000), SingleInstance::Delivery::Refused);
    char got = 0;
    EXPECT_EQ(::read(ready[0], &got, 1), 1);
    EXPECT_EQ(got, '0') << "the other account's listener received the request";
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// The running program is busy (stopped here) for longer than the old wait: a second start
// waits for it instead of giving up.
TEST_F(SingleInstanceTest, ASecondStartWaitsForABusyProgram) {
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
    const auto pid = static_cast<pid_t>(running.processId());
    ::kill(pid, SIGSTOP);
    QTimer::singleShot(4000, [pid] { ::kill(pid, SIGCONT); });

    QProcess second;
    second.setProcessEnvironment(ChildEnvironment(m_configDir.path()));
    second.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 15000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    ::kill(pid, SIGCONT);
    running.kill();
    running.waitForFinished(5000);
}

// The lock comes free while a start waits (a cli command finished): that start runs instead.
TEST_F(SingleInstanceTest, ALockThatComesFreeWhileWaitingIsTakenOver) {
    auto writer = std::make_unique<CDataFolderLock>("punchwell-cli");
    ASSERT_EQ(writer->TryAcquire(QDir::toNativeSeparators(m_dataDir.path()).toStdString()),
              CDataFolderLock::Status::Held);
    QProcess start;
    start.setProcessEnvironment(ChildEnvironment(m_configDir.path()));
    start.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dataDir.path()});
    ASSERT_TRUE(start.waitForStarted(5000));
    QTest::qWait(1500);
    EXPECT_EQ(start.state(), QProcess::Running);
    writer.reset();
    const QString serverName = SingleInstance::ServerNameFor(m_dataDir.path());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(serverName);
            return probe.waitForConnected(100);
        },
        10000));
    EXPECT_EQ(start.state(), QProcess::Running);
    CDataFolderLock again;
    EXPECT_EQ(again.TryAcquire(QDir::toNativeSeparators(m_dataDir.path()).toStdString()),
              CDataFolderLock::Status::HeldByOther);
    start.kill();
    start.waitForFinished(5000);
}

} // namespace
