#pragma once

#include "core/timing/IdleSource.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

// A desktop's idle time over D-Bus (GNOME's idle monitor, the freedesktop screen saver that
// KDE and others offer). The first reading is asked for at once; later ones are asked for
// in the background, so a slow bus never holds up the clock, and each answer is carried
// forward by the time since it came.
class CDBusIdleSource final : public QObject, public IdleSource {
    Q_OBJECT

public:
    struct Service {
        const char* name; // for the Options dialog's note
        const char* service;
        const char* path;
        const char* interface;
        const char* method; // answers milliseconds
    };
    static const Service kMutterIdleMonitor;
    static const Service kFreedesktopScreenSaver;

    // Null when the service does not answer on that bus.
    static std::unique_ptr<CDBusIdleSource>
    Open(const Service& service, const QDBusConnection& bus = QDBusConnection::sessionBus());

    std::optional<std::int64_t> IdleSeconds() override;

private:
    CDBusIdleSource(const Service& service, const QDBusConnection& bus);
    QDBusMessage Request() const;
    // Takes a reply; false when it holds no idle time.
    bool Take(const QDBusMessage& reply);

    Service m_service;
    QDBusConnection m_bus;
    std::optional<std::int64_t> m_lastMs;
    QElapsedTimer m_since;
    bool m_bPending = false;
};
