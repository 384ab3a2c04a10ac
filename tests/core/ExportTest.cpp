#include "FaultyFileOps.h"
#include "support/CoreTestSupport.h"

#include "core/data/Store.h"
#include "core/data/TextExport.h"
#include "core/platform/LocalTime.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace {

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;

constexpr std::int32_t kMonday0900 = 1773061200; // 2026-03-09 09:00 EDT
constexpr std::int32_t kBeforeSpring =
    1772953199; // 2026-03-08 01:59:59 EST, a second later 03:00 EDT

void AddProject(CStore& store, const std::string& name) {
    store.AppendTask(std::make_unique<CTask>(name));
}

CDoneTask& AddPeriod(CStore& store, const std::string& project, std::int32_t start,
                     std::int32_t end) {
    auto period = std::make_unique<CDoneTask>(project, "notes are not exported");
    period->SetStart(start);
    period->SetEnd(end);
    CDoneTask& added = *period;
    store.AppendDoneTask(std::move(period));
    return added;
}

TEST(TextExport, LinesPerProjectThenPeriodInListOrder) {
    ScopedTimeZone tz("America/New_York");
    CStore store;
    AddProject(store, "Smith, Jones & Co");
    AddProject(store, "Caf\u00e9");
    AddProject(store, "Smith, Jones & Co"); // a second project of that name adds nothing
    AddProject(store, "Idle");
    AddPeriod(store, "Caf\u00e9", kMonday0900 + 7200, kMonday0900 + 9000).SetRunningFlag(1);
    AddPeriod(store, "Smith, Jones & Co", kMonday0900, kMonday0900 + 3600);
    AddPeriod(store, "Deleted project", kMonday0900 - 900, kMonday0900 - 600);
    AddPeriod(store, "Smith, Jones & Co", kBeforeSpring, kBeforeSpring + 1).MarkDeleted();
    AddPeriod(store, "Caf\u00e9", 1136192400, 1136192400 - 60); // ends before it starts

    EXPECT_EQ(ExportDataAsText(store), "Smith, Jones & Co,03/09/26 09:00:00,03/09/26 10:00:00\r\n"
                                       "Smith, Jones & Co,03/08/26 01:59:59,03/08/26 03:00:00\r\n"
                                       "Caf\u00e9,03/09/26 11:00:00,03/09/26 11:30:00\r\n"
                                       "Caf\u00e9,01/02/06 04:00:00,01/02/06 03:59:00\r\n");
}

TEST(TextExport, EdgesOfTheTimeRangeAndLineBreaksInNames) {
    ScopedTimeZone tz("America/New_York");
    CStore store;
    AddProject(store, "two\r\nlines");
    AddPeriod(store, "two\r\nlines", -2147483647 - 1, 2147483647);
    AddPeriod(store, "two\r\nlines", -1, 0);
    EXPECT_EQ(ExportDataAsText(store), "two  lines,12/13/01 15:45:52,01/18/38 22:14:07\r\n"
                                       "two  lines,12/31/69 18:59:59,12/31/69 19:00:00\r\n");
    CStore empty;
    EXPECT_EQ(ExportDataAsText(empty), "");
}

// Compares two long texts line by line and shows only the first difference.
void ExpectSameLines(const std::string& actual, const std::string& expected) {
    std::size_t a = 0;
    std::size_t e = 0;
    while (a < actual.size() && e < expected.size()) {
        const std::size_t aEnd = actual.find('\n', a);
        const std::size_t eEnd = expected.find('\n', e);
        const std::string actualLine = actual.substr(a, aEnd - a);
        const std::string expectedLine = expected.substr(e, eEnd - e);
        ASSERT_EQ(actualLine, expectedLine);
        if (aEnd == std::string::npos || eEnd == std::string::npos)
            break;
        a = aEnd + 1;
        e = eEnd + 1;
    }
    EXPECT_EQ(actual.size(), expected.size());
}

// The 2026 daylight saving changes of New York, Lord Howe Island (half an hour, at :30 UTC
// in October) and London.
constexpr std::int32_t kChanges2026[] = {1772953200, 1793512800, 1775314800,
                                         1791041400, 1774746000, 1792890000};

// Every second written is what the C runtime says for it, across daylight saving changes
// (including a half-hour change that falls in the middle of a UTC hour) and odd offsets.
TEST(TextExport, StampsAgreeWithTheRuntimeInEveryZone) {
    for (const char* zone :
         {"America/New_York", "Australia/Lord_Howe", "Asia/Kolkata", "Europe/London", "UTC"}) {
        SCOPED_TRACE(zone);
        if (coretest::RuntimeZone(zone) == nullptr)
            continue; // the C runtime here has no rules for it (Windows knows few)
        ScopedTimeZone tz(zone);
        std::mt19937 random(7);
        CStore store;
        AddProject(store, "P");
        std::string expected;
        std::int32_t t = 1700000000;
        for (int i = 0; i < 20000; ++i) {
            // Mostly small steps so that the seconds around each change are all visited,
            // with now and then a jump anywhere in the range.
            if (random() % 50 == 0)
                t = static_cast<std::int32_t>(random());
            else
                t += static_cast<std::int32_t>(random() % 1200);
            const std::int32_t end = t + static_cast<std::int32_t>(random() % 4000);
            AddPeriod(store, "P", t, end);
            expected += "P," + FormatLocal(t, "%m/%d/%y %H:%M:%S") + "," +
                        FormatLocal(end, "%m/%d/%y %H:%M:%S") + "\r\n";
        }
        // Seconds on both sides of the 2026 changes of the zones above.
        for (const std::int32_t change : kChanges2026) {
            for (int d = -3601; d <= 3601; ++d)
                AddPeriod(store, "P", change + d, change - d);
        }
        for (const std::int32_t change : kChanges2026) {
            for (int d = -3601; d <= 3601; ++d)
                expected += "P," + FormatLocal(change + d, "%m/%d/%y %H:%M:%S") + "," +
                            FormatLocal(change - d, "%m/%d/%y %H:%M:%S") + "\r\n";
        }
        ExpectSameLines(ExportDataAsText(store), expected);
    }
}

TEST(TextExport, WritesTheFileOrNamesTheFailure) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    CStore store;
    AddProject(store, "Web");
    AddPeriod(store, "Web", kMonday0900, kMonday0900 + 60);
    const std::string path = dir.file("timedata.txt");
    coretest::WriteFile(path, "old content");
    ASSERT_TRUE(WriteTextExport(store, path).ok);
    EXPECT_EQ(ReadFile(path), "Web,03/09/26 09:00:00,03/09/26 09:01:00\r\n");

    // A disk that fills up leaves the previous export whole.
    FaultyFileOps full;
    full.failAfterBytes = 10;
    EXPECT_FALSE(WriteTextExport(store, path, full).ok);
    EXPECT_EQ(ReadFile(path), "Web,03/09/26 09:00:00,03/09/26 09:01:00\r\n");

    const FileResult failed = WriteTextExport(store, dir.file("no such folder/timedata.txt"));
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message.find("no such folder"), std::string::npos) << failed.message;
}

} // namespace
