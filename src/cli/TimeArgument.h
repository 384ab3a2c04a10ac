#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "YYYY-MM-DDTHH:MM:SS" in local time, strictly: every field present, in range, and a time
// the local clock shows exactly once. Empty otherwise; for a time the clocks repeat or skip
// (a change of daylight saving), `problem` then says so, naming both moments or the gap.
std::optional<std::int64_t> ParseLocalTimeArgument(const std::string& text,
                                                   std::string* problem = nullptr);

// The error line for a --now value that ParseLocalTimeArgument refused.
std::string DescribeBadLocalTime(const std::string& text, const std::string& problem);

// A week start given as 0..6 or a day name ("monday", "Mon"), 0 being Sunday.
std::optional<unsigned> ParseWeekStartArgument(const std::string& text);
