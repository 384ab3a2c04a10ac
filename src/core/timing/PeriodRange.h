#pragma once

#include <cstdint>
#include <optional>

// The four fixed period kinds, numbered as the totals and the options number them.
enum class PeriodKind { Today = 0, WeekToDate = 1, MonthToDate = 2, YearToDate = 3 };

// A closed range of seconds: both bounds belong to it.
struct TimeRange {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// The range of a kind around `now`, in local calendar time: from 00:00:00 of the first day to
// 23:59:59 of the last (today; the week starting on `weekStart`, 0 = Sunday; the month; the
// year). Days are calendar days, so a day of 23 or 25 hours is still one day. Empty when the
// C runtime cannot represent the dates.
std::optional<TimeRange> PeriodRange(PeriodKind kind, std::int64_t now, unsigned weekStart);

// 00:00:00 and 23:59:59 of the given local calendar day (month 1..12; out-of-range days
// are normalised, so day 0 is the last day of the month before).
std::optional<std::int64_t> LocalDayStart(int year, int month, int day);
std::optional<std::int64_t> LocalDayEnd(int year, int month, int day);

int DaysInMonth(int year, int month);
