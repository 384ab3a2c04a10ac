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
// strftime on the local time, with the "C" locale's English names whatever the process
// locale is; empty when the time cannot be converted.
std::string FormatLocal(std::int64_t time, const char* format);

// How a typed local time maps to moments: once, twice (the repeated hour when daylight
// saving ends) or never (the hour skipped when it starts).
struct LocalTimeResolution {
    enum class Kind { Exact, Repeated, Skipped, Invalid };
    Kind kind = Kind::Invalid;
    std::int64_t time = 0;   // Exact: the moment; Repeated: the earlier one
    std::int64_t later = 0;  // Repeated: the later moment
    std::int64_t jumpAt = 0; // Skipped: the moment the clocks jumped
    int offset = 0;          // seconds east of UTC at `time` (Exact, Repeated)
    int laterOffset = 0;     // Repeated: at `later`
};

// Resolves the fields (which must be a valid calendar date and time) without letting the C
// runtime guess at a repeated or skipped local time.
LocalTimeResolution ResolveLocal(const LocalDateTime& fields);
// For Repeated and Skipped: one sentence that names both moments or the gap, for example
// "2026-11-01T01:30:00 happens twice here: at 2026-11-01T01:30:00-04:00 and again at
// 2026-11-01T01:30:00-05:00." Empty for the other kinds.
std::string DescribeLocalTimeProblem(const LocalDateTime& fields,
                                     const LocalTimeResolution& resolution);
// "2026-11-01T01:30:00-04:00": the local time of `time` with its offset from UTC.
std::string FormatLocalWithOffset(std::int64_t time);
