#pragma once

#include <cstdint>

// "Now" for everything in core. The program uses the system clock; tests use a fake.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int32_t Now() const = 0;
};

class SystemClock final : public Clock {
public:
    std::int32_t Now() const override;
};

// A clock that stands still: "now" as the person gave it on the command line.
class FixedClock final : public Clock {
public:
    explicit FixedClock(std::int32_t now) : m_now(now) {}
    std::int32_t Now() const override { return m_now; }

private:
    std::int32_t m_now;
};
