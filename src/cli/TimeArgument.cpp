#include "cli/TimeArgument.h"

#include <cctype>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string DescribeBadLocalTime(const std::string& text, const std::string& problem) {
    if (!problem.empty())
        return "--now: " + problem + " Give a time outside the change of the clocks.";
    return "--now: \"" + text + "\" is not a local time of the form YYYY-MM-DDTHH:MM:SS";
}

std::optional<unsigned> ParseWeekStartArgument(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '6')
        return static_cast<unsigned>(text[0] - '0');
    static const char* const kDays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                        "thursday", "friday", "saturday"};
    const std::string lower = Lower(text);
    for (unsigned day = 0; day < 7; ++day) {
        const std::string name = kDays[day];
        if (lower.size() >= 3 && name.compare(0, lower.size(), lower) == 0)
            return day;
    }
    return std::nullopt;
}
