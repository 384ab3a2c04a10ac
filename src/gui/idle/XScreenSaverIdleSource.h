#pragma once

#include "core/timing/IdleSource.h"

#include <QByteArray>

#include <memory>

struct _XDisplay;

// X11: the screen saver extension's idle time, over a connection of its own to the display.
class CXScreenSaverIdleSource final : public IdleSource {
public:
    // Null when the display cannot be opened or does not offer the extension. An empty
    // name means $DISPLAY.
    static std::unique_ptr<CXScreenSaverIdleSource> Open(const QByteArray& displayName = {});
    ~CXScreenSaverIdleSource() override;
    CXScreenSaverIdleSource(const CXScreenSaverIdleSource&) = delete;
    CXScreenSaverIdleSource& operator=(const CXScreenSaverIdleSource&) = delete;

    std::optional<std::int64_t> IdleSeconds() override;

private:
    explicit CXScreenSaverIdleSource(_XDisplay* display) : m_display(display) {}

    _XDisplay* m_display;
};
