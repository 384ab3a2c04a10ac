// The D-Bus side of idle detection against a private bus with stand-ins for the desktop's
// services: the idle monitor's readings, and logind's sleep signal.
#ifdef PUNCHWELL_HAVE_DBUS
#include "gui/idle/DBusIdleSource.h"
#include "gui/idle/SleepNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// The desktop's idle monitor; it lives on a thread of its own, since the source's first
// reading waits for the answer.
class FakeIdleMonitor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    std::atomic<qulonglong> idleMs{0};

public slots:
    qulonglong GetIdletime() { return idleMs; }
};

// A private message bus for one test, with two connections to it: one for the stand-in
// services, one for the code under test.
class PrivateBus : public testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        ASSERT_TRUE(m_daemon.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_daemon.canReadLine(); }, 5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_service = QDBusConnection::connectToBus(address, QStringLiteral("idle-test-service"));
        m_client = QDBusConnection::connectToBus(address, QStringLiteral("idle-test-client"));
        ASSERT_TRUE(m_service.isConnected());
        ASSERT_TRUE(m_client.isConnected());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("idle-test-service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("idle-test-client"));
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(3000))
                m_daemon.kill();
            m_daemon.waitForFinished(3000);
        }
    }

    QProcess m_daemon;
    QDBusConnection m_service{QString()};
    QDBusConnection m_client{QString()};
};

TEST_F(PrivateBus, TheIdleMonitorIsReadAtOnceAndFollowedInTheBackground) {
    QThread thread;
    FakeIdleMonitor monitor;
    monitor.moveToThread(&thread);
    thread.start();
    ASSERT_TRUE(m_service.registerObject(QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                         &monitor, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(m_service.registerService(QStringLiteral("org.gnome.Mutter.IdleMonitor")));

    // A service nobody offers is not taken.
    EXPECT_EQ(CDBusIdleSource::Open(CDBusIdleSource::kFreedesktopScreenSaver, m_client), nullptr);

    monitor.idleMs = 42'500;
    auto source = CDBusIdleSource::Open(CDBusIdleSource::kMutterIdleMonitor, m_client);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->IdleSeconds(), 42);

    // Input: a later reading comes back with it.
    monitor.idleMs = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<std::int64_t> seconds = source->IdleSeconds();
            return seconds && *seconds == 0;
        },
        5000));

    // The monitor gone: the source says it does not know.
    m_service.unregisterObject(QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !source->IdleSeconds().has_value(); }, 5000));
    thread.quit();
    thread.wait();
}

TEST_F(PrivateBus, LogindsPrepareForSleepSaysWhenTheComputerSleepsAndWakes) {
    {
        CSleepNotifier absent(m_client);
        EXPECT_FALSE(absent.IsListening()) << "no logind on this bus yet";
    }
    ASSERT_TRUE(m_service.registerService(QStringLiteral("org.freedesktop.login1")));
    CSleepNotifier notifier(m_client);
    ASSERT_TRUE(notifier.IsListening());
    QSignalSpy spy(&notifier, &CSleepNotifier::sleepChanged);
    for (bool sleeping : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        ASSERT_TRUE(m_service.send(signal));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() == 2; }, 5000));
    EXPECT_EQ(spy.at(0).at(0).toBool(), true);
    EXPECT_EQ(spy.at(1).at(0).toBool(), false);
}

} // namespace

#include "IdleDBusTest.moc"
#endif
