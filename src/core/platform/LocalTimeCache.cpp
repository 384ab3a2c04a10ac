#include "core/platform/LocalTimeCache.h"

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b < 0 ? 1 : 0);
}

} // namespace

std::int64_t CLocalTimeCache::DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDateTime CLocalTimeCache::FieldsOf(std::int64_t shifted) {
    const std::int64_t days = FloorDiv(shifted, 86400);
    const std::int64_t secondOfDay = shifted - days * 86400;
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalDateTime local;
    local.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    local.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    local.year = static_cast<int>(yoe + era * 400 + (local.month <= 2 ? 1 : 0));
    local.hour = static_cast<int>(secondOfDay / 3600);
    local.minute = static_cast<int>(secondOfDay / 60 % 60);
    local.second = static_cast<int>(secondOfDay % 60);
    // 1970-01-01 was a Thursday.
    const std::int64_t weekday = (days + 4) % 7;
    local.weekday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
    local.yearDay = static_cast<int>(days - DaysFromCivil(local.year, 1, 1));
    return local;
}

std::int64_t CLocalTimeCache::OffsetOfDay(std::int64_t day) {
    // A time far from the others (a damaged or hand-made record) is not worth a table that
    // reaches it.
    constexpr std::int64_t kMostDays = 1 << 20;
    if (m_days.empty()) {
        m_firstDay = day;
        m_days.push_back(kUnknown);
    } else if (day < m_firstDay && m_firstDay - day + std::ssize(m_days) <= kMostDays) {
        // Periods newest first walk back one day at a time: the table grows downwards by at
        // least its own size, so that it is not moved up for every new day.
        const std::int64_t grow = std::min(std::max(m_firstDay - day, std::ssize(m_days)),
                                           kMostDays - std::ssize(m_days));
        m_days.insert(m_days.begin(), static_cast<std::size_t>(grow), kUnknown);
        m_firstDay -= grow;
    } else if (day >= m_firstDay + std::ssize(m_days) && day - m_firstDay < kMostDays) {
        m_days.resize(static_cast<std::size_t>(day - m_firstDay + 1), kUnknown);
    }
    std::int64_t* known = day >= m_firstDay && day < m_firstDay + std::ssize(m_days)
                              ? &m_days[static_cast<std::size_t>(day - m_firstDay)]
                              : nullptr;
    if (known != nullptr && *known != kUnknown)
        return *known;
    const auto offsetAt = [](std::int64_t time) -> std::optional<std::int64_t> {
        const auto local = ToLocal(time);
        if (!local)
            return std::nullopt;
        return DaysFromCivil(local->year, local->month, local->day) * 86400 + local->hour * 3600 +
               local->minute * 60 + local->second - time;
    };
    const auto first = offsetAt(day * 86400);
    const auto last = offsetAt(day * 86400 + 86399);
    const std::int64_t offset = first && last && *first == *last ? *first : kUnsteady;
    if (known != nullptr)
        *known = offset;
    return offset;
}

std::optional<std::int64_t> CLocalTimeCache::SteadyOffset(std::int64_t time) {
    const std::int64_t offset = OffsetOfDay(FloorDiv(time, 86400));
    if (offset == kUnsteady)
        return std::nullopt;
    return offset;
}

std::optional<LocalDateTime> CLocalTimeCache::At(std::int64_t time) {
    if (const auto offset = SteadyOffset(time))
        return FieldsOf(time + *offset);
    return ToLocal(time);
}
