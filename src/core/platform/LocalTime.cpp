#include "core/platform/LocalTime.h"

#include <algorithm>
#include <ctime>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>
#include <vector>

namespace {

#ifdef _WIN32
// The Windows runtime converts no time before 1970. The calendar repeats every 400 years
// (146097 days, a whole number of weeks), so such a time is converted 400 years later and
// the year taken back.
constexpr std::int64_t kFourHundredYears = 146097LL * 86400;
#endif

bool ToTm(std::int64_t time, std::tm& out) {
#ifdef _WIN32
    const bool early = time < 0;
    const __time64_t t = early ? time + kFourHundredYears : time;
    if (_localtime64_s(&out, &t) != 0)
        return false;
    if (early)
        out.tm_year -= 400;
    return true;
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
    // 1970 too: its first hours come before 1970 in UTC east of Greenwich.
    const bool early = fields.year <= 1970;
    if (early)
        tm.tm_year += 400;
    __time64_t t = _mktime64(&tm);
    if (early && t != -1)
        t -= kFourHundredYears;
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
    // The program's texts are English: month and day names follow the classic "C" locale,
    // never the desktop's language (which the GUI toolkit makes the process locale).
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&tm, format);
    return out.str();
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The fields read as if they were UTC.
std::int64_t Naive(const LocalDateTime& f) {
    return DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) *
               86400 +
           f.hour * 3600 + f.minute * 60 + f.second;
}

std::optional<int> OffsetAt(std::int64_t time) {
    const auto local = ToLocal(time);
    if (!local)
        return std::nullopt;
    return static_cast<int>(Naive(*local) - time);
}

bool SameFields(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

std::string Two(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

std::string IsoFields(const LocalDateTime& f) {
    return std::to_string(f.year) + "-" + Two(f.month) + "-" + Two(f.day) + "T" + Two(f.hour) +
           ":" + Two(f.minute) + ":" + Two(f.second);
}

} // namespace

LocalTimeResolution ResolveLocal(const LocalDateTime& fields) {
    LocalTimeResolution result;
    const std::int64_t naive = Naive(fields);
    // Offsets a day either side bracket any change of the clocks near this time.
    const auto before = OffsetAt(naive - 86400);
    const auto after = OffsetAt(naive + 86400);
    if (!before || !after)
        return result;
    std::vector<std::int64_t> found;
    for (int offset : {*before, *after}) {
        const std::int64_t candidate = naive - offset;
        const auto back = ToLocal(candidate);
        if (back && SameFields(*back, fields) &&
            std::find(found.begin(), found.end(), candidate) == found.end())
            found.push_back(candidate);
    }
    std::sort(found.begin(), found.end());
    if (found.size() == 1) {
        result.kind = LocalTimeResolution::Kind::Exact;
        result.time = found[0];
        result.offset = OffsetAt(found[0]).value_or(0);
    } else if (found.size() == 2) {
        result.kind = LocalTimeResolution::Kind::Repeated;
        result.time = found[0];
        result.later = found[1];
        result.offset = OffsetAt(found[0]).value_or(0);
        result.laterOffset = OffsetAt(found[1]).value_or(0);
    } else {
        // No moment shows these fields: find the second at which the clocks jumped.
        std::int64_t low = naive - 86400;
        std::int64_t high = naive + 86400;
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            if (OffsetAt(middle).value_or(*after) == *before)
                low = middle;
            else
                high = middle;
        }
        result.kind = LocalTimeResolution::Kind::Skipped;
        result.jumpAt = high;
    }
    return result;
}

std::string FormatLocalWithOffset(std::int64_t time) {
    const auto local = ToLocal(time);
    const auto offset = OffsetAt(time);
    if (!local || !offset)
        return std::to_string(time);
    const int minutes = (*offset < 0 ? -*offset : *offset) / 60;
    return IsoFields(*local) + (*offset < 0 ? "-" : "+") + Two(minutes / 60) + ":" +
           Two(minutes % 60);
}

std::string DescribeLocalTimeProblem(const LocalDateTime& fields,
                                     const LocalTimeResolution& resolution) {
    switch (resolution.kind) {
    case LocalTimeResolution::Kind::Repeated:
        return IsoFields(fields) + " happens twice in the local time zone: at " +
               FormatLocalWithOffset(resolution.time) + " and again at " +
               FormatLocalWithOffset(resolution.later) + ".";
    case LocalTimeResolution::Kind::Skipped: {
        const auto before = ToLocal(resolution.jumpAt - 1);
        const auto at = ToLocal(resolution.jumpAt);
        std::string text = IsoFields(fields) + " does not exist in the local time zone";
        if (before && at) {
            text += ": the clocks went from " + IsoFields(*before).substr(11) + " straight to " +
                    IsoFields(*at).substr(11) + " on " + IsoFields(*at).substr(0, 10);
        }
        return text + ".";
    }
    case LocalTimeResolution::Kind::Exact:
    case LocalTimeResolution::Kind::Invalid:
        break;
    }
    return {};
}
