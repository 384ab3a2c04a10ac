#include "core/platform/LocalTimeCache.h"

#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Zones whose days are not all alike: an hour of daylight saving, half an hour (Lord Howe),
// a day skipped when the date line moved (Apia, end of 2011), and leap seconds.
class LocalTimeCacheTest : public testing::TestWithParam<const char*> {};

TEST_P(LocalTimeCacheTest, AlwaysAgreesWithTheRuntime) {
    if (coretest::RuntimeZone(GetParam()) == nullptr)
        GTEST_SKIP() << "the C runtime here has no rules for " << GetParam();
    coretest::ScopedTimeZone zone(GetParam());
    CLocalTimeCache cache;
    // Two years around the changes, walked back and forth as a report's periods are: a
    // start, then its end a while later, then the next period before it.
    const std::int64_t from = 1293840000; // 2011-01-01 UTC
    const std::int64_t to = from + 2 * 366 * 86400;
    int checked = 0;
    for (std::int64_t start = to; start > from; start -= 4999) {
        for (const std::int64_t time : {start, start + 3 * 3600 + 17, start - 86400}) {
            const auto expected = ToLocal(time);
            const auto got = cache.At(time);
            ASSERT_EQ(got.has_value(), expected.has_value());
            ASSERT_EQ(std::to_string(got->year) + "-" + std::to_string(got->month) + "-" +
                          std::to_string(got->day) + " " + std::to_string(got->hour) + ":" +
                          std::to_string(got->minute) + ":" + std::to_string(got->second) + " wd" +
                          std::to_string(got->weekday) + " yd" + std::to_string(got->yearDay),
                      std::to_string(expected->year) + "-" + std::to_string(expected->month) + "-" +
                          std::to_string(expected->day) + " " + std::to_string(expected->hour) +
                          ":" + std::to_string(expected->minute) + ":" +
                          std::to_string(expected->second) + " wd" +
                          std::to_string(expected->weekday) + " yd" +
                          std::to_string(expected->yearDay))
                << "at " << time;
            ++checked;
        }
    }
    EXPECT_GT(checked, 30000);
}

INSTANTIATE_TEST_SUITE_P(Zones, LocalTimeCacheTest,
                         testing::Values("America/New_York", "Australia/Lord_Howe", "Pacific/Apia",
                                         "right/UTC", "UTC"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '/')
                                     c = '_';
                             return name;
                         });

} // namespace
