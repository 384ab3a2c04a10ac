#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "YYYY-MM-DDTHH:MM:SS" in local time, strictly: every field present, in range, and a time
// the local clock can show. Empty otherwise.
std::optional<std::int64_t> ParseLocalTimeArgument(const std::string& text);

// A week start given as 0..6 or a day name ("monday", "Mon"), 0 being Sunday.
std::optional<unsigned> ParseWeekStartArgument(const std::string& text);
