#include "core/timing/LocalTimeArgument.h"

#include "core/platform/LocalTime.h"
#include "core/timing/PeriodRange.h"

#include <cctype>

namespace {

bool ReadField(const std::string& text, std::size_t at, std::size_t digits, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<std::int64_t> ParseLocalTimeArgument(const std::string& text, std::string* problem) {
    // 2026-12-10T09:30:00
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    LocalDateTime f;
    if (!ReadField(text, 0, 4, f.year) || !ReadField(text, 5, 2, f.month) ||
        !ReadField(text, 8, 2, f.day) || !ReadField(text, 11, 2, f.hour) ||
        !ReadField(text, 14, 2, f.minute) || !ReadField(text, 17, 2, f.second))
        return std::nullopt;
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > DaysInMonth(f.year, f.month) ||
        f.hour > 23 || f.minute > 59 || f.second > 59)
        return std::nullopt;
    // Never the C library's guess: a repeated or skipped time is refused by name.
    const LocalTimeResolution resolved = ResolveLocal(f);
    if (resolved.kind != LocalTimeResolution::Kind::Exact) {
        if (problem)
            *problem = DescribeLocalTimeProblem(f, resolved);
        return std::nullopt;
    }
    if (resolved.time < INT32_MIN || resolved.time > INT32_MAX)
        return std::nullopt;
    return resolved.time;
}

std::optional<std::int32_t> ParsePeriodTimeArgument(const std::string& name,
                                                    const std::string& text, std::string& error) {
    const std::string full = text.size() == 16 ? text + ":00" : text;
    std::string problem;
    const auto parsed = ParseLocalTimeArgument(full, &problem);
    if (!parsed) {
        error = name + ": " +
                (problem.empty()
                     ? "\"" + text + "\" is not a local time of the form YYYY-MM-DDTHH:MM[:SS]"
                     : problem + " Give a time outside the change of the clocks.");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*parsed);
}
