#include "gui/idle/IdleSources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#ifdef _WIN32
#include "gui/idle/WindowsIdleSource.h"
#endif
#ifdef PUNCHWELL_HAVE_XSS
#include "gui/idle/XScreenSaverIdleSource.h"
#endif
#ifdef PUNCHWELL_HAVE_DBUS
#include "gui/idle/DBusIdleSource.h"
#include "gui/idle/SleepNotifier.h"
#endif

namespace {
[[maybe_unused]] QString Tr(const char* text) {
    return QCoreApplication::translate("IdleSources", text);
}
} // namespace

IdleSourceChoice ChooseIdleSource() {
    IdleSourceChoice choice;
#ifdef _WIN32
    choice.source = std::make_unique<CWindowsIdleSource>();
    choice.name = QStringLiteral("GetLastInputInfo");
#else
    QStringList asked;
#ifdef PUNCHWELL_HAVE_XSS
    // Under Wayland the X server sees only the input of X programs, so it is not asked.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    if (!wayland) {
        if (auto source = CXScreenSaverIdleSource::Open()) {
            choice.source = std::move(source);
            choice.name = Tr("the X screen saver extension");
            return choice;
        }
        asked << Tr("the X screen saver extension");
    }
#endif
#ifdef PUNCHWELL_HAVE_DBUS
    for (const CDBusIdleSource::Service* service :
         {&CDBusIdleSource::kMutterIdleMonitor, &CDBusIdleSource::kFreedesktopScreenSaver}) {
        if (auto source = CDBusIdleSource::Open(*service)) {
            choice.source = std::move(source);
            choice.name = Tr(service->name);
            return choice;
        }
        asked << Tr(service->name);
    }
#endif
    choice.whyNone =
        asked.isEmpty()
            ? Tr("this copy of Punchwell was built without a way to ask the desktop how long "
                 "the keyboard and mouse have been left alone.")
            : Tr("this desktop does not tell how long the keyboard and mouse have been left "
                 "alone (asked %1).")
                  .arg(asked.join(Tr(" and ")));
#endif
    return choice;
}

bool ListenForSleep(QObject* owner, std::function<void(bool sleeping)> onChange) {
#ifdef PUNCHWELL_HAVE_DBUS
    auto notifier = std::make_unique<CSleepNotifier>();
    if (!notifier->IsListening())
        return false;
    QObject::connect(notifier.get(), &CSleepNotifier::sleepChanged, owner, std::move(onChange));
    notifier.release()->setParent(owner);
    return true;
#else
    (void)owner;
    (void)onChange;
    return false;
#endif
}
