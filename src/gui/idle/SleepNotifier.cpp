#include "gui/idle/SleepNotifier.h"

#include <QDBusConnectionInterface>

CSleepNotifier::CSleepNotifier(const QDBusConnection& systemBus, QObject* parent)
    : QObject(parent) {
    QDBusConnection bus = systemBus;
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")))
        return;
    m_bListening = bus.connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(OnPrepareForSleep(bool)));
}

void CSleepNotifier::OnPrepareForSleep(bool sleeping) {
    emit sleepChanged(sleeping);
}
