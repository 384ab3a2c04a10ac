#include "XSession.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

namespace {
const char* const kTools[] = {"Xvfb", "openbox", "xdotool", "xprop"};
}

XSession::~XSession() {
    for (QProcess* process : {&m_windowManager, &m_server}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
}

QString XSession::MissingTool() {
    for (const char* tool : kTools)
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    return {};
}

bool XSession::StartServer() {
    // Displays well away from the low numbers that people and other tools pick by habit;
    // the server refuses a number that is taken, and then the next one is tried.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int number = 300 + QRandomGenerator::global()->bounded(600);
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        m_display = QStringLiteral(":%1").arg(number);
        m_server.start(QStringLiteral("Xvfb"),
                       {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForStarted(5000)) {
            m_error = QStringLiteral("Xvfb did not start");
            return false;
        }
        // A probe that answers may be another test's server on the same number, caught in the
        // moment before ours gives up on it: the display is ours only when its lock names us.
        if (QTest::qWaitFor(
                [this] { return m_server.state() == QProcess::NotRunning || !Probe().isNull(); },
                10000) &&
            m_server.state() == QProcess::Running && HoldsLock(number))
            return true;
        m_error = QStringLiteral("Xvfb did not serve %1: ").arg(m_display) +
                  QString::fromLocal8Bit(m_server.readAllStandardError());
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
    if (m_error.isEmpty())
        m_error = QStringLiteral("no free display number found");
    return false;
}

bool XSession::Start() {
    if (!StartServer())
        return false;

    m_windowManager.setProcessEnvironment(Environment(QProcessEnvironment::systemEnvironment()));
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_windowManager.start(QStringLiteral("openbox"), {});
        if (!m_windowManager.waitForStarted(5000))
            break;
        // The window manager is up once it announces itself on the root window.
        if (QTest::qWaitFor(
                [this] {
                    return m_windowManager.state() == QProcess::NotRunning ||
                           Probe().contains(QStringLiteral("window id"));
                },
                10000) &&
            m_windowManager.state() == QProcess::Running)
            return true;
        m_error = QStringLiteral("openbox did not take %1: ").arg(m_display) +
                  QString::fromLocal8Bit(m_windowManager.readAll());
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.kill();
            m_windowManager.waitForFinished(3000);
        }
    }
    if (m_error.isEmpty())
        m_error = QStringLiteral("openbox did not start");
    return false;
}

bool XSession::HoldsLock(int number) const {
    QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(number));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const qint64 pid = QString::fromLatin1(lock.readAll()).trimmed().toLongLong(&ok);
    return ok && pid == m_server.processId();
}

QString XSession::Probe() const {
    QProcess xprop;
    xprop.setProcessEnvironment(Environment(QProcessEnvironment::systemEnvironment()));
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    if (!xprop.waitForFinished(3000) || xprop.exitStatus() != QProcess::NormalExit ||
        xprop.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(xprop.readAllStandardOutput()) + QLatin1Char(' ');
}

QProcessEnvironment XSession::Environment(QProcessEnvironment base) const {
    base.insert(QStringLiteral("DISPLAY"), m_display);
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return base;
}

QString XSession::Xdotool(const QStringList& arguments) const {
    QProcess xdotool;
    xdotool.setProcessEnvironment(Environment(QProcessEnvironment::systemEnvironment()));
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(10000) || xdotool.exitStatus() != QProcess::NormalExit ||
        xdotool.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
    return out.isNull() ? QStringLiteral("") : out;
}

QString XSession::WaitForWindow(const QString& titleRegex, int timeoutMs) const {
    QString id;
    (void)QTest::qWaitFor(
        [&] {
            const QString found =
                Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), titleRegex});
            id = found.section(QLatin1Char('\n'), 0, 0).trimmed();
            return !id.isEmpty();
        },
        timeoutMs);
    return id;
}

bool XSession::WaitForNoWindow(const QString& titleRegex, int timeoutMs) const {
    return QTest::qWaitFor(
        [&] {
            return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), titleRegex})
                .isEmpty();
        },
        timeoutMs);
}

QString XSession::ActiveWindowTitle() const {
    return Xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
}

bool XSession::SendKeys(const QString& windowId, const QStringList& keys) const {
    if (Xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId}).isNull())
        return false;
    for (const QString& key : keys) {
        if (Xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key}).isNull())
            return false;
        // Menus open asynchronously; give each key its effect before the next.
        QTest::qWait(300);
    }
    return true;
}
