#include "core/platform/LocalTime.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

using coretest::ScopedTimeZone;

namespace {

struct ResolveCase {
    const char* name;
    const char* zone;
    LocalDateTime fields;
    LocalTimeResolution::Kind kind;
    std::int64_t time;   // Exact, or the earlier moment of Repeated
    std::int64_t second; // Repeated: the later moment; Skipped: when the clocks jumped
    const char* problem;
};

std::ostream& operator<<(std::ostream& out, const ResolveCase& c) {
    return out << c.name;
}

class ResolveLocalTime : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveLocalTime, NamesBothMomentsOrTheGap) {
    const ResolveCase& c = GetParam();
    if (coretest::RuntimeZone(c.zone) == nullptr)
        GTEST_SKIP() << "the C runtime here has no rules for " << c.zone;
    ScopedTimeZone tz(c.zone);
    const LocalTimeResolution r = ResolveLocal(c.fields);
    ASSERT_EQ(static_cast<int>(r.kind), static_cast<int>(c.kind));
    switch (c.kind) {
    case LocalTimeResolution::Kind::Exact:
        EXPECT_EQ(r.time, c.time);
        break;
    case LocalTimeResolution::Kind::Repeated:
        EXPECT_EQ(r.time, c.time);
        EXPECT_EQ(r.later, c.second);
        break;
    case LocalTimeResolution::Kind::Skipped:
        EXPECT_EQ(r.jumpAt, c.second);
        break;
    case LocalTimeResolution::Kind::Invalid:
        break;
    }
    EXPECT_EQ(DescribeLocalTimeProblem(c.fields, r), c.problem);
}

using Kind = LocalTimeResolution::Kind;

INSTANTIATE_TEST_SUITE_P(
    Zones, ResolveLocalTime,
    ::testing::Values(
        ResolveCase{"SummerAfternoon",
                    "America/New_York",
                    {2026, 7, 1, 12, 0, 0},
                    Kind::Exact,
                    1782921600,
                    0,
                    ""},
        ResolveCase{"RepeatedHourInAutumn",
                    "America/New_York",
                    {2026, 11, 1, 1, 30, 0},
                    Kind::Repeated,
                    1793511000,
                    1793511000 + 3600,
                    "2026-11-01T01:30:00 happens twice in the local time zone: at "
                    "2026-11-01T01:30:00-04:00 and again at 2026-11-01T01:30:00-05:00."},
        ResolveCase{"FirstSecondAfterTheRepeat",
                    "America/New_York",
                    {2026, 11, 1, 2, 0, 0},
                    Kind::Exact,
                    1793516400,
                    0,
                    ""},
        ResolveCase{"SkippedHourInSpring",
                    "America/New_York",
                    {2026, 3, 8, 2, 30, 0},
                    Kind::Skipped,
                    0,
                    1772953200,
                    "2026-03-08T02:30:00 does not exist in the local time zone: the clocks went "
                    "from 01:59:59 straight to 03:00:00 on 2026-03-08."},
        // Half an hour of daylight saving: the repeat is 30 minutes long.
        ResolveCase{"HalfHourRepeat",
                    "Australia/Lord_Howe",
                    {2026, 4, 5, 1, 45, 0},
                    Kind::Repeated,
                    1775313900,
                    1775313900 + 1800,
                    "2026-04-05T01:45:00 happens twice in the local time zone: at "
                    "2026-04-05T01:45:00+11:00 and again at 2026-04-05T01:45:00+10:30."},
        ResolveCase{"UtcHasNoGaps", "UTC", {2026, 3, 8, 2, 30, 0}, Kind::Exact, 1772937000, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
