#pragma once

#include "core/platform/Clock.h"

#include <cstdint>

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(std::int32_t now = 0) : m_now(now) {}
    std::int32_t Now() const override { return m_now; }
    void set(std::int32_t now) { m_now = now; }
    void advance(std::int32_t seconds) { m_now += seconds; }

private:
    std::int32_t m_now;
};
