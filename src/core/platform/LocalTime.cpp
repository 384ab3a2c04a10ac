#include "core/platform/LocalTime.h"

#include <ctime>
#include <limits>
#include <vector>

namespace {

bool ToTm(std::int64_t time, std::tm& out) {
#ifdef _WIN32
    const __time64_t t = time;
    return _localtime64_s(&out, &t) == 0;
#else
    if (time < std::numeric_limits<std::time_t>::min() ||
        time > std::numeric_limits<std::time_t>::max())
        return false;
    const std::time_t t = static_cast<std::time_t>(time);
    return localtime_r(&t, &out) != nullptr;
#endif
}

} // namespace

std::optional<LocalDateTime> ToLocal(std::int64_t time) {
    std::tm tm{};
    if (!ToTm(time, tm))
        return std::nullopt;
    LocalDateTime local;
    local.year = tm.tm_year + 1900;
    local.month = tm.tm_mon + 1;
    local.day = tm.tm_mday;
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    local.second = tm.tm_sec;
    local.weekday = tm.tm_wday;
    local.yearDay = tm.tm_yday;
    return local;
}

std::optional<std::int64_t> FromLocal(const LocalDateTime& fields) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1; // let the runtime decide daylight saving
    // mktime returns -1 both for an error and for one second before 1970: a weekday it
    // filled in tells the two apart.
    tm.tm_wday = -1;
#ifdef _WIN32
    const __time64_t t = _mktime64(&tm);
#else
    const std::time_t t = std::mktime(&tm);
#endif
    if (t == -1 && tm.tm_wday == -1)
        return std::nullopt;
    return static_cast<std::int64_t>(t);
}

std::string FormatLocal(std::int64_t time, const char* format) {
    std::tm tm{};
    if (format == nullptr || *format == '\0' || !ToTm(time, tm))
        return {};
    // strftime reports 0 both for "too small" and for an empty result; grow a few times.
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 6; ++attempt) {
        const std::size_t n = std::strftime(buffer.data(), buffer.size(), format, &tm);
        if (n > 0)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
    return {};
}
