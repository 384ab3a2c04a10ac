#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "YYYY-MM-DDTHH:MM:SS" in local time, strictly: every field present, in range, and a time
// the local clock shows exactly once. Empty otherwise; for a time the clocks repeat or skip
// (a change of daylight saving), `problem` then says so, naming both moments or the gap.
std::optional<std::int64_t> ParseLocalTimeArgument(const std::string& text,
                                                   std::string* problem = nullptr);

// As ParseLocalTimeArgument, with the seconds optional ("YYYY-MM-DDTHH:MM" is at :00), and
// the reason for a refusal as one sentence that starts with the option's `name`.
std::optional<std::int32_t> ParsePeriodTimeArgument(const std::string& name,
                                                    const std::string& text, std::string& error);
