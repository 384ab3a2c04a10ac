#pragma once

#include <cstdint>
#include <string>

// What the person decides about time spent away while checked in.
enum class IdleAnswer {
    Keep,               // the time stays in the period
    DiscardAndContinue, // the period ends where the time away began; a new one runs from the return
    DiscardAndCheckOut, // the period ends where the time away began
};

// The question shown on return: the project, when the time away began and when it ended.
struct IdleQuestion {
    std::string project;
    std::int32_t start = 0; // the last input (or clock tick) before the time away
    std::int32_t end = 0;   // the return: the first input after it, or the wake
    std::int64_t Seconds() const { return static_cast<std::int64_t>(end) - start; }
    bool operator==(const IdleQuestion&) const = default;
};
