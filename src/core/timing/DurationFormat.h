#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The three ways a number of seconds is written out. A negative span (a clock set back
// while checked in) is written with a leading minus sign and the magnitude.
namespace duration {

// "01 : 01 : 01": hours not wrapped at 24, at least two digits each.
std::string FormatDuration(std::int64_t seconds);
// "1 hours, 2 minutes, 5 seconds": the elapsed time of the open check-in.
std::string FormatElapsed(std::int64_t seconds);
// "1 day(s), 01:01:01": durations in reports.
std::string FormatDays(std::int64_t seconds);
// FormatDays appended to `out`, for a report's many lines.
void AppendDays(std::string& out, std::int64_t seconds);
// FormatDays written at `out`, which has room for kDaysMaxSize bytes; returns its end.
inline constexpr std::size_t kDaysMaxSize = 40;
char* PutDays(char* out, std::int64_t seconds);
// "1:23:45": a running time at a glance (tray tooltip, command line); hours not wrapped.
std::string FormatClock(std::int64_t seconds);

} // namespace duration
