#include "gui/idle/WindowsIdleSource.h"

#ifdef _WIN32
#include <windows.h>

std::optional<std::int64_t> CWindowsIdleSource::IdleSeconds() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetLastInputInfo(&info))
        return std::nullopt;
    // Both are 32-bit tick counts; the unsigned difference stays right across their wrap.
    const DWORD idleMs = ::GetTickCount() - info.dwTime;
    return static_cast<std::int64_t>(idleMs / 1000);
}
#endif
