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
