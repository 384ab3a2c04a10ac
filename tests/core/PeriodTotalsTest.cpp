#include "core/data/Store.h"
#include "core/platform/LocalTime.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/TaskTotals.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

namespace {

using coretest::ScopedTimeZone;

std::int64_t Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    LocalDateTime f;
    f.year = year;
    f.month = month;
    f.day = day;
    f.hour = hour;
    f.minute = minute;
    f.second = second;
    return FromLocal(f).value();
}

void AddPeriod(CStore& store, const std::string& project, std::int64_t start, std::int64_t end,
               bool deleted = false) {
    auto period = std::make_unique<CDoneTask>(project, "");
    period->SetStart(static_cast<std::int32_t>(start));
    period->SetEnd(static_cast<std::int32_t>(end));
    if (deleted)
        period->MarkDeleted();
    store.AppendDoneTask(std::move(period));
}

TEST(DurationText, FormatsTheThreeTexts) {
    struct Case {
        std::int64_t seconds;
        const char* duration;
        const char* elapsed;
        const char* days;
    };
    const Case cases[] = {
        {0, "00 : 00 : 00", "0 hours, 0 minutes, 0 seconds", "0 day(s), 00:00:00"},
        {3661, "01 : 01 : 01", "1 hours, 1 minutes, 1 seconds", "0 day(s), 01:01:01"},
        {3725, "01 : 02 : 05", "1 hours, 2 minutes, 5 seconds", "0 day(s), 01:02:05"},
        {360000, "100 : 00 : 00", "100 hours, 0 minutes, 0 seconds", "4 day(s), 04:00:00"},
        {97200, "27 : 00 : 00", "27 hours, 0 minutes, 0 seconds", "1 day(s), 03:00:00"},
        {90061, "25 : 01 : 01", "25 hours, 1 minutes, 1 seconds", "1 day(s), 01:01:01"},
        {867661, "241 : 01 : 01", "241 hours, 1 minutes, 1 seconds", "10 day(s), 01:01:01"},
        // A clock set back: a sound negative text, not a wrapped unsigned number.
        {-61, "-00 : 01 : 01", "-0 hours, 1 minutes, 1 seconds", "-0 day(s), 00:01:01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(duration::FormatDuration(c.seconds), c.duration);
        EXPECT_EQ(duration::FormatElapsed(c.seconds), c.elapsed);
        EXPECT_EQ(duration::FormatDays(c.seconds), c.days);
    }
    EXPECT_EQ(duration::FormatDuration(INT64_MIN).substr(0, 1), "-");
    EXPECT_EQ(duration::FormatDays(INT64_MIN), "-106751991167300 day(s), 15:30:08");
}

// Cases expressed in local calendar times, so the same table holds in any zone.
void CheckTotalsTable() {
    const std::string P = "Web";
    struct Case {
        const char* what;
        std::int64_t now;
        unsigned weekStart;
        std::int64_t start, end;
        PeriodKind kind;
        std::int64_t expected;
    };
    const std::int64_t dayLength = Local(2026, 3, 10) - Local(2026, 3, 9); // an ordinary day
    const Case cases[] = {
        {"period wholly inside today", Local(2026, 3, 9, 12), 0, Local(2026, 3, 9, 9),
         Local(2026, 3, 9, 10, 30), PeriodKind::Today, 5400},
        {"from 22:00 yesterday to 02:00 today", Local(2026, 3, 10, 12), 0, Local(2026, 3, 9, 22),
         Local(2026, 3, 10, 2), PeriodKind::Today, 7200},
        {"23:00 to 01:00 counts 3599 for its first day", Local(2026, 3, 9, 12), 0,
         Local(2026, 3, 9, 23), Local(2026, 3, 10, 1), PeriodKind::Today, 3599},
        {"23:00 to 01:00 counts 3600 for its second day", Local(2026, 3, 10, 12), 0,
         Local(2026, 3, 9, 23), Local(2026, 3, 10, 1), PeriodKind::Today, 3600},
        {"covering the whole of today", Local(2026, 3, 10, 12), 0, Local(2026, 3, 9, 12),
         Local(2026, 3, 11, 12), PeriodKind::Today, dayLength - 1},
        {"wholly after the range end", Local(2026, 3, 10, 12), 0, Local(2026, 3, 11, 0),
         Local(2026, 3, 11, 1), PeriodKind::Today, 0},
        {"Monday weeks, on a Sunday: the Monday six days earlier counts", Local(2026, 3, 15, 12), 1,
         Local(2026, 3, 9, 0), Local(2026, 3, 9, 1), PeriodKind::WeekToDate, 3600},
        {"Monday weeks, on a Sunday: the Sunday before does not", Local(2026, 3, 15, 12), 1,
         Local(2026, 3, 8, 10), Local(2026, 3, 8, 11), PeriodKind::WeekToDate, 0},
        {"Monday weeks, on a Monday: that Monday starts it", Local(2026, 3, 16, 12), 1,
         Local(2026, 3, 15, 23), Local(2026, 3, 16, 1), PeriodKind::WeekToDate, 3600},
        {"week start equal to today's weekday starts today", Local(2026, 3, 11, 12), 3,
         Local(2026, 3, 10, 23), Local(2026, 3, 11, 0, 30), PeriodKind::WeekToDate, 1800},
        {"the week reaches its sixth day, across a month end", Local(2026, 3, 30, 12), 1,
         Local(2026, 4, 5, 23), Local(2026, 4, 5, 23, 59, 59), PeriodKind::WeekToDate, 3599},
        {"29 February counts in a leap year's month", Local(2028, 2, 29, 20), 0,
         Local(2028, 2, 29, 9), Local(2028, 2, 29, 10), PeriodKind::MonthToDate, 3600},
        {"the month ends at its last day 23:59:59", Local(2027, 2, 1, 8), 0, Local(2027, 2, 28, 23),
         Local(2027, 3, 1, 1), PeriodKind::MonthToDate, 3599},
        {"the year clips at 1 January", Local(2026, 6, 1), 0, Local(2025, 12, 31, 23),
         Local(2026, 1, 1, 1), PeriodKind::YearToDate, 3600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CStore store;
        AddPeriod(store, P, c.start, c.end);
        AddPeriod(store, "Other", c.start, c.end); // another project's time never counts
        AddPeriod(store, P, c.start + 1, c.end, /*deleted=*/true);
        EXPECT_EQ(CTaskTotals(store, P).GetPeriodTime(c.kind, c.now, c.weekStart), c.expected);
    }
}

TEST(PeriodTotals, TableInUtc) {
    ScopedTimeZone zone("UTC");
    CheckTotalsTable();
}

TEST(PeriodTotals, TableInAZoneWithDaylightSaving) {
    ScopedTimeZone zone("America/New_York");
    CheckTotalsTable();
}

TEST(PeriodTotals, DaysOf23And25HoursAreStillOneDay) {
    ScopedTimeZone zone("America/New_York");
    struct Case {
        int month, day;
        std::int64_t hours;
    };
    // 2026: clocks go forward on 8 March and back on 1 November.
    for (const Case c : {Case{3, 8, 23}, Case{11, 1, 25}, Case{6, 1, 24}}) {
        SCOPED_TRACE(c.month * 100 + c.day);
        const auto range = PeriodRange(PeriodKind::Today, Local(2026, c.month, c.day, 12), 0);
        ASSERT_TRUE(range);
        EXPECT_EQ(range->to - range->from, c.hours * 3600 - 1);
        CStore store;
        AddPeriod(store, "P", range->from - 100, range->to + 100);
        EXPECT_EQ(CTaskTotals(store, "P")
                      .GetPeriodTime(PeriodKind::Today, Local(2026, c.month, c.day, 12), 0),
                  c.hours * 3600 - 1);
    }
    // A week across the spring change is 7 calendar days of which one is short.
    const auto week = PeriodRange(PeriodKind::WeekToDate, Local(2026, 3, 10, 12), 0);
    ASSERT_TRUE(week);
    EXPECT_EQ(week->from, Local(2026, 3, 8));
    EXPECT_EQ(week->to, Local(2026, 3, 14, 23, 59, 59));
}

TEST(PeriodTotals, TotalFirstStartAndDeletion) {
    ScopedTimeZone zone("UTC");
    CStore store;
    const std::int64_t now = Local(2026, 5, 5, 12);
    CTaskTotals web(store, "Web");
    EXPECT_EQ(web.GetTotalTime(), 0);
    EXPECT_EQ(web.GetFirstStart(now), now);

    AddPeriod(store, "Web", now - 7200, now - 3600);
    AddPeriod(store, "Web", now - 100000, now - 99000, /*deleted=*/true);
    AddPeriod(store, "Web", now + 500, now + 600); // a clock set back: in the future
    AddPeriod(store, "web", now - 200000, now);    // names compare case-sensitively
    EXPECT_EQ(web.GetTotalTime(), 3700);
    EXPECT_EQ(web.GetFirstStart(now), now - 7200);

    store.FindDoneTask(static_cast<std::int32_t>(now - 100000))->Restore();
    EXPECT_EQ(web.GetTotalTime(), 4700);
    EXPECT_EQ(web.GetFirstStart(now), now - 100000);

    // A period ending before it starts makes the total negative, not wrapped.
    AddPeriod(store, "Web", now - 10, now - 20000);
    EXPECT_EQ(web.GetTotalTime(), 4700 - 19990);
}

TEST(PeriodTotals, AllTotalsInOneWalkMatchTheSingleFigures) {
    ScopedTimeZone zone("America/New_York");
    std::mt19937 random(7);
    CStore store;
    const char* names[] = {"A", "B", "C", "Gone"};
    for (const char* name : {"A", "B", "C"})
        store.AppendTask(std::make_unique<CTask>(name));
    store.AppendTask(std::make_unique<CTask>("A")); // a duplicate name from a foreign file
    const std::int64_t now = Local(2026, 3, 9, 15);
    for (int i = 0; i < 2000; ++i) {
        const std::int64_t start = now - static_cast<std::int64_t>(random() % (400 * 86400));
        const std::int64_t length = static_cast<std::int64_t>(random() % 20000) - 1000;
        AddPeriod(store, names[random() % 4], start, start + length, random() % 10 == 0);
    }
    for (unsigned weekStart : {0u, 1u, 6u}) {
        const auto all = ComputeAllTotals(store, now, weekStart);
        ASSERT_EQ(all.size(), 4u);
        for (const ProjectTotals& t : all) {
            SCOPED_TRACE(t.name);
            const CTaskTotals one(store, t.name);
            EXPECT_EQ(t.today, one.GetPeriodTime(PeriodKind::Today, now, weekStart));
            EXPECT_EQ(t.week, one.GetPeriodTime(PeriodKind::WeekToDate, now, weekStart));
            EXPECT_EQ(t.month, one.GetPeriodTime(PeriodKind::MonthToDate, now, weekStart));
            EXPECT_EQ(t.year, one.GetPeriodTime(PeriodKind::YearToDate, now, weekStart));
            EXPECT_EQ(t.total, one.GetTotalTime());
        }
    }
}

} // namespace
