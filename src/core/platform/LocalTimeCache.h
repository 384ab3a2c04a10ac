#pragma once

#include "core/platform/LocalTime.h"

#include <cstdint>
#include <optional>
#include <vector>

// ToLocal for many times, as a report's or an export's periods are. The C runtime is slow
// enough to dominate such a run, so the offset from UTC is asked for once per UTC day and
// kept when it is the same at both ends of that day (no zone changes its offset and back
// within a day); a time on a kept day is converted by arithmetic alone. On a day with a
// change (daylight saving, a leap second) the runtime is asked for every time, so the
// result is always ToLocal's.
class CLocalTimeCache {
public:
    std::optional<LocalDateTime> At(std::int64_t time);
    // Local time minus UTC for every second of the UTC day of `time`; empty on a day with a
    // change, or when the runtime cannot convert it.
    std::optional<std::int64_t> SteadyOffset(std::int64_t time);

    // Days since 1970-01-01 of a proleptic Gregorian date, and the date of such a day.
    static std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
    // The calendar fields of `shifted`, a local time counted as if it were UTC.
    static LocalDateTime FieldsOf(std::int64_t shifted);

private:
    static constexpr std::int64_t kUnsteady = INT64_MIN;

    std::int64_t OffsetOfDay(std::int64_t day);

    static constexpr std::int64_t kUnknown = INT64_MIN + 1;
    // The offset (or kUnsteady, or kUnknown) of every UTC day from m_firstDay on: a data
    // file's periods cover a few thousand days, and a table needs no hashing.
    std::vector<std::int64_t> m_days;
    std::int64_t m_firstDay = 0;
};
