#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Local calendar time through the C runtime, so the user's time zone and its daylight
// saving rules apply.
struct LocalDateTime {
    int year = 1970; // e.g. 2026
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0; // 0 = Sunday
    int yearDay = 0; // 0 = January 1st
};

std::optional<LocalDateTime> ToLocal(std::int64_t time);
// The time of the given local calendar fields (normalised as mktime does; weekday and
// yearDay are ignored); daylight saving is decided by the C runtime. Empty when the
// runtime cannot represent it.
std::optional<std::int64_t> FromLocal(const LocalDateTime& fields);
// strftime on the local time; empty when the time cannot be converted.
std::string FormatLocal(std::int64_t time, const char* format);
