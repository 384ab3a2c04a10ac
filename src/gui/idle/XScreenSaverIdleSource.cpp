#include "gui/idle/XScreenSaverIdleSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

std::unique_ptr<CXScreenSaverIdleSource> CXScreenSaverIdleSource::Open(const QByteArray& name) {
    Display* display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (display == nullptr)
        return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<CXScreenSaverIdleSource>(new CXScreenSaverIdleSource(display));
}

CXScreenSaverIdleSource::~CXScreenSaverIdleSource() {
    XCloseDisplay(m_display);
}

std::optional<std::int64_t> CXScreenSaverIdleSource::IdleSeconds() {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr)
        return std::nullopt;
    std::optional<std::int64_t> seconds;
    if (XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), info) != 0)
        seconds = static_cast<std::int64_t>(info->idle / 1000);
    XFree(info);
    return seconds;
}
