#include "core/timing/DurationFormat.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace duration {
namespace {

struct Parts {
    bool negative;
    std::uint64_t hours;
    unsigned minutes;
    unsigned seconds;
};

Parts Split(std::int64_t value) {
    const bool negative = value < 0;
    // Magnitude without overflow even for the most negative value.
    const std::uint64_t n =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto seconds = static_cast<unsigned>(n % 60);
    const auto minutes = static_cast<unsigned>(((n - seconds) / 60) % 60);
    const std::uint64_t hours = (n - 60 * minutes - seconds) / 3600;
    return {negative, hours, minutes, seconds};
}

} // namespace

std::string FormatDuration(std::int64_t seconds) {
    const Parts p = Split(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%s%.2llu : %.2u : %.2u", p.negative ? "-" : "",
                  static_cast<unsigned long long>(p.hours), p.minutes, p.seconds);
    return text;
}

std::string FormatElapsed(std::int64_t seconds) {
    const Parts p = Split(seconds);
    char text[96];
    std::snprintf(text, sizeof text, "%s%llu hours, %u minutes, %u seconds", p.negative ? "-" : "",
                  static_cast<unsigned long long>(p.hours), p.minutes, p.seconds);
    return text;
}

std::string FormatDays(std::int64_t seconds) {
    std::string text;
    AppendDays(text, seconds);
    return text;
}

void AppendDays(std::string& out, std::int64_t seconds) {
    char text[kDaysMaxSize];
    out.append(text, static_cast<std::size_t>(PutDays(text, seconds) - text));
}

char* PutDays(char* out, std::int64_t seconds) {
    // As "%s%llu day(s), %.2llu:%.2u:%.2u", without the cost of printf on every line.
    static constexpr auto kPairs = [] {
        std::array<std::array<char, 2>, 100> pairs{};
        for (std::size_t i = 0; i < pairs.size(); ++i)
            pairs[i] = {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
        return pairs;
    }();
    const Parts p = Split(seconds);
    if (p.negative)
        *out++ = '-';
    std::uint64_t days = p.hours / 24;
    if (days < 10) {
        *out++ = static_cast<char>('0' + days);
    } else {
        char digits[24];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + days % 10);
            days /= 10;
        } while (days != 0);
        while (count > 0)
            *out++ = digits[--count];
    }
    constexpr std::string_view kDays = " day(s), ";
    std::memcpy(out, kDays.data(), kDays.size());
    out += kDays.size();
    std::memcpy(out, kPairs[p.hours % 24].data(), 2);
    out[2] = ':';
    std::memcpy(out + 3, kPairs[p.minutes].data(), 2);
    out[5] = ':';
    std::memcpy(out + 6, kPairs[p.seconds].data(), 2);
    return out + 8;
}

std::string FormatClock(std::int64_t seconds) {
    const Parts p = Split(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%s%llu:%.2u:%.2u", p.negative ? "-" : "",
                  static_cast<unsigned long long>(p.hours), p.minutes, p.seconds);
    return text;
}

} // namespace duration
