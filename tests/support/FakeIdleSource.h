#pragma once

#include "core/timing/IdleSource.h"
#include "support/FakeClock.h"

#include <cstdint>
#include <optional>

// The desktop's idle time, following a fake clock: zero at each Input(), growing with the
// clock. A desktop whose idle counter stands still while the computer sleeps is played
// with Uncount().
class FakeIdleSource final : public IdleSource {
public:
    explicit FakeIdleSource(const FakeClock& clock) : m_clock(clock), m_lastInput(clock.Now()) {}

    void Input() {
        m_lastInput = m_clock.Now();
        m_uncounted = 0;
    }
    void Uncount(std::int32_t seconds) { m_uncounted += seconds; }
    void SetAvailable(bool available) { m_available = available; }

    std::optional<std::int64_t> IdleSeconds() override {
        if (!m_available)
            return std::nullopt;
        return static_cast<std::int64_t>(m_clock.Now()) - m_lastInput - m_uncounted;
    }

private:
    const FakeClock& m_clock;
    std::int32_t m_lastInput;
    std::int32_t m_uncounted = 0;
    bool m_available = true;
};
