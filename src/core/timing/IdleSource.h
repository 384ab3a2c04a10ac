#pragma once

#include <cstdint>
#include <optional>

// How long the person has left the keyboard and the mouse alone, as the desktop tells it.
// Each desktop has its own way; the program picks one at start-up.
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // Whole seconds since the last keyboard or mouse input; empty when the desktop cannot
    // say right now.
    virtual std::optional<std::int64_t> IdleSeconds() = 0;
};
