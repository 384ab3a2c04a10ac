#pragma once

#include "core/timing/LocalTimeArgument.h"

#include <cstdint>
#include <optional>
#include <string>

// The error line for a --now value that ParseLocalTimeArgument refused.
std::string DescribeBadLocalTime(const std::string& text, const std::string& problem);

// A week start given as 0..6 or a day name ("monday", "Mon"), 0 being Sunday.
std::optional<unsigned> ParseWeekStartArgument(const std::string& text);
