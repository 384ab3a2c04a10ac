#include "core/platform/Clock.h"

#include <ctime>

std::int32_t SystemClock::Now() const {
    return static_cast<std::int32_t>(std::time(nullptr));
}
