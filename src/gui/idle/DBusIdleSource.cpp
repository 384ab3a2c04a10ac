#include "gui/idle/DBusIdleSource.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariant>

namespace {
// A desktop service that has not answered by then is taken as not there.
constexpr int kTimeoutMs = 1000;
} // namespace

const CDBusIdleSource::Service CDBusIdleSource::kMutterIdleMonitor = {
    "the GNOME idle monitor", "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
    "org.gnome.Mutter.IdleMonitor", "GetIdletime"};
const CDBusIdleSource::Service CDBusIdleSource::kFreedesktopScreenSaver = {
    "the freedesktop screen saver", "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
    "org.freedesktop.ScreenSaver", "GetSessionIdleTime"};

CDBusIdleSource::CDBusIdleSource(const Service& service, const QDBusConnection& bus)
    : m_service(service), m_bus(bus) {}

std::unique_ptr<CDBusIdleSource> CDBusIdleSource::Open(const Service& service,
                                                       const QDBusConnection& bus) {
    if (!bus.isConnected())
        return nullptr;
    std::unique_ptr<CDBusIdleSource> source(new CDBusIdleSource(service, bus));
    if (!source->Take(source->m_bus.call(source->Request(), QDBus::Block, kTimeoutMs)))
        return nullptr;
    return source;
}

QDBusMessage CDBusIdleSource::Request() const {
    return QDBusMessage::createMethodCall(
        QString::fromLatin1(m_service.service), QString::fromLatin1(m_service.path),
        QString::fromLatin1(m_service.interface), QString::fromLatin1(m_service.method));
}

bool CDBusIdleSource::Take(const QDBusMessage& reply) {
    bool ok = false;
    qlonglong ms = -1;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        ms = reply.arguments().constFirst().toLongLong(&ok);
    if (!ok || ms < 0) {
        m_lastMs.reset();
        return false;
    }
    m_lastMs = ms;
    m_since.start();
    return true;
}

std::optional<std::int64_t> CDBusIdleSource::IdleSeconds() {
    if (!m_bPending) {
        m_bPending = true;
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(Request(), kTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* call) {
                    m_bPending = false;
                    Take(call->reply());
                    call->deleteLater();
                });
    }
    if (!m_lastMs)
        return std::nullopt;
    return (*m_lastMs + m_since.elapsed()) / 1000;
}
