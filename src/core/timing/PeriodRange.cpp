#include "core/timing/PeriodRange.h"

#include "core/platform/LocalTime.h"

namespace {

std::optional<std::int64_t> LocalTimeOf(int year, int month, int day, int hour, int minute,
                                        int second) {
    LocalDateTime fields;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.hour = hour;
    fields.minute = minute;
    fields.second = second;
    return FromLocal(fields);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

std::optional<std::int64_t> LocalDayStart(int year, int month, int day) {
    return LocalTimeOf(year, month, day, 0, 0, 0);
}

std::optional<std::int64_t> LocalDayEnd(int year, int month, int day) {
    return LocalTimeOf(year, month, day, 23, 59, 59);
}

std::optional<TimeRange> PeriodRange(PeriodKind kind, std::int64_t now, unsigned weekStart) {
    const std::optional<LocalDateTime> today = ToLocal(now);
    if (!today)
        return std::nullopt;
    int firstDay = today->day;
    int lastDay = today->day;
    int firstMonth = today->month;
    int lastMonth = today->month;
    switch (kind) {
    case PeriodKind::Today:
        break;
    case PeriodKind::WeekToDate: {
        const int back = ((today->weekday - static_cast<int>(weekStart % 7)) % 7 + 7) % 7;
        firstDay = today->day - back;
        lastDay = firstDay + 6; // normalised into the next month where it runs over
        break;
    }
    case PeriodKind::MonthToDate:
        firstDay = 1;
        lastDay = DaysInMonth(today->year, today->month);
        break;
    case PeriodKind::YearToDate:
        firstMonth = 1;
        firstDay = 1;
        lastMonth = 12;
        lastDay = 31;
        break;
    }
    const auto from = LocalDayStart(today->year, firstMonth, firstDay);
    const auto to = LocalDayEnd(today->year, lastMonth, lastDay);
    if (!from || !to)
        return std::nullopt;
    return TimeRange{*from, *to};
}
