#include "FaultyFileOps.h"
#include "support/CoreTestSupport.h"

#include "core/data/Store.h"
#include "core/platform/FileSystem.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <vector>

using coretest::FromHex;
using coretest::ToHex;

namespace {

// Two items: Web for January 2006, then Admin for today on 2006-02-06 at 12:00 (UTC). The
// newer item heads the list and is written first.
const char* const kExampleHex = "02 00"
                                "FF FF 01 00 0B 00 43 52 65 70 6F 72 74 49 74 65 6D"
                                "01 00 80 91 E6 43 40 3A E7 43 05 41 64 6D 69 6E"
                                "01 80"
                                "00 00 80 1B B7 43 FF F9 DF 43 03 57 65 62";

struct ItemValues {
    std::string project;
    ReportPeriod kind;
    std::int32_t start;
    std::int32_t end;
    bool operator==(const ItemValues&) const = default;
};

std::vector<ItemValues> ValuesOf(const CReport& report) {
    std::vector<ItemValues> values;
    for (const auto& item : report.Items())
        values.push_back({item->GetProject(), item->GetKind(), item->GetStart(), item->GetEnd()});
    return values;
}

std::ostream& operator<<(std::ostream& os, const ItemValues& v) {
    return os << v.project << "/" << v.kind << "/" << v.start << "-" << v.end;
}

void FillExample(CReport& report) {
    report.AddItem("Web", 1136073600, 1138751999, PeriodOther);
    report.AddItem("Admin", 1139184000, 1139227200, PeriodToday);
}

TEST(ReportFile, WorkedExampleByteForByte) {
    CReport report;
    FillExample(report);
    EXPECT_EQ(ToHex(report.EncodeItems()), ToHex(FromHex(kExampleHex)));

    coretest::TempDir dir;
    const std::string path = dir.file("custom.pnr");
    ASSERT_TRUE(report.SaveItems(path).ok);
    EXPECT_EQ(ToHex(coretest::ReadFile(path)), ToHex(FromHex(kExampleHex)));
    EXPECT_EQ(coretest::ReadFile(path), coretest::Fixture("custom-example.pnr"));

    // Read back, the items come in the order they were written.
    CReport loaded;
    const ReportFileResult result =
        loaded.LoadItems(std::string(PUNCHWELL_FIXTURES_DIR) + "/custom-example.pnr");
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.itemsRead, 2u);
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(report));
}

TEST(ReportFile, RoundTripKeepsOrderAndOddTexts) {
    CReport report;
    report.AddItem("Caf\xC3\xA9 \xE2\x82\xAC", 1, 2, PeriodYear); // Windows-1252 text
    report.AddItem("\xE6\x97\xA5\xE6\x9C\xAC", 3, 4, PeriodWeek); // needs the 16-bit form
    report.AddItem("", -5, 6, PeriodTotal);
    coretest::TempDir dir;
    const std::string path = dir.file("three.pnr");
    ASSERT_TRUE(report.SaveItems(path).ok);
    CReport loaded;
    ASSERT_TRUE(loaded.LoadItems(path).ok);
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(report));

    // An empty list is a file holding the count 0.
    CReport empty;
    ASSERT_TRUE(empty.SaveItems(path).ok);
    EXPECT_EQ(ToHex(coretest::ReadFile(path)), "00 00");
    ASSERT_TRUE(loaded.LoadItems(path).ok);
    EXPECT_EQ(loaded.GetItemCount(), 3u); // appended nothing
}

TEST(ReportFile, DamagedOrUnreadableFilesChangeNothing) {
    coretest::TempDir dir;
    const std::string example = FromHex(kExampleHex);
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string badSchema = example;
    badSchema[4] = 2;
    const Case cases[] = {
        {"truncated", coretest::Fixture("custom-truncated.pnr")},
        {"empty", ""},
        {"count only", FromHex("02 00")},
        {"trailing bytes", example + "X"},
        {"unknown schema", badSchema},
        {"data file", coretest::Fixture("example.pnd")},
        {"huge count", FromHex("FF FF FF FF FF 7F")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".pnr");
        coretest::WriteFile(path, c.bytes);
        CReport report;
        report.AddItem("Kept", 10, 20, PeriodOther);
        const auto before = ValuesOf(report);
        const ReportFileResult result = report.LoadItems(path);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
        EXPECT_NE(result.message.find("damaged"), std::string::npos) << result.message;
        EXPECT_EQ(ValuesOf(report), before);

        CStore store;
        store.AppendTask(std::make_unique<CTask>("Kept"));
        EXPECT_FALSE(report.ReplaceItemsFromFile(path, store).ok);
        EXPECT_EQ(ValuesOf(report), before);
    }

    CReport report;
    const ReportFileResult missing = report.LoadItems(dir.file("nowhere.pnr"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find(dir.file("nowhere.pnr")), std::string::npos);
    EXPECT_NE(missing.message.find("no such file"), std::string::npos);
}

// An item of a period kind from a newer or foreign writer is left out; the rest is read.
TEST(ReportFile, ItemsOfUnknownKindsAreSkippedAndCounted) {
    coretest::TempDir dir;
    std::string bytes = FromHex(kExampleHex);
    bytes[19] = 6; // Admin's kind: no such period here
    const std::string path = dir.file("newer.pnr");
    coretest::WriteFile(path, bytes);
    CReport report;
    const ReportFileResult result = report.LoadItems(path);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.itemsRead, 1u);
    EXPECT_EQ(result.itemsOfUnknownKind, 1u);
    EXPECT_EQ(ValuesOf(report),
              (std::vector<ItemValues>{{"Web", PeriodOther, 1136073600, 1138751999}}));
    EXPECT_EQ(DescribeSkippedItems(path, 1),
              "The custom report file " + path +
                  " holds 1 item of a kind of period this version of Punchwell does not know. It "
                  "was left out; the rest of the report was read.");

    // Both unknown: an empty list, still no damage.
    bytes[bytes.size() - 14] = 0x40; // Web's kind: 64
    coretest::WriteFile(path, bytes);
    CReport none;
    const ReportFileResult both = none.LoadItems(path);
    ASSERT_TRUE(both.ok) << both.message;
    EXPECT_EQ(both.itemsOfUnknownKind, 2u);
    EXPECT_EQ(none.GetItemCount(), 0u);
}

TEST(ReportFile, ReplacingDropsItemsOfMissingProjects) {
    CStore store;
    store.AppendTask(std::make_unique<CTask>("Web"));
    CReport report;
    report.AddItem("Old", 1, 2, PeriodOther);
    const ReportFileResult result = report.ReplaceItemsFromFile(
        std::string(PUNCHWELL_FIXTURES_DIR) + "/custom-example.pnr", store);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.itemsRead, 2u);
    EXPECT_EQ(result.itemsDropped, 1u);
    EXPECT_EQ(ValuesOf(report),
              (std::vector<ItemValues>{{"Web", PeriodOther, 1136073600, 1138751999}}));
}

TEST(ReportFile, FailedSaveKeepsTheOldFile) {
    coretest::TempDir dir;
    const std::string path = dir.file("custom.pnr");
    coretest::WriteFile(path, "old");
    CReport report;
    FillExample(report);
    FaultyFileOps ops;
    ops.failAfterBytes = 10;
    const FileResult result = report.SaveItems(path, &ops);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_EQ(coretest::ReadFile(path), "old");
}

TEST(ReportItems, ListOperations) {
    CReport report;
    CReportItem* january = report.AddItem("Design", 1, 2, PeriodOther);
    CReportItem* february = report.AddItem("Design", 3, 4, PeriodOther);
    CReportItem* today = report.AddItem("Design", 5, 6, PeriodToday);
    EXPECT_EQ(january->GetListText(), "Design: Other Time Period");
    EXPECT_EQ(today->GetListText(), "Design: Today");
    EXPECT_EQ(report.FindItem("Design", PeriodOther), february); // the newest first
    EXPECT_EQ(report.FindItem("design", PeriodToday), nullptr);  // names match exactly
    EXPECT_EQ(report.FindItem("Design", PeriodWeek), nullptr);

    const auto taken = report.KindsTaken("Design");
    EXPECT_TRUE(taken[PeriodToday]);
    EXPECT_FALSE(taken[PeriodOther]);
    EXPECT_FALSE(taken[PeriodWeek]);

    // Two entries with the same text: removing one removes exactly its own item.
    EXPECT_TRUE(report.RemoveItem(january));
    EXPECT_FALSE(report.RemoveItem(january));
    EXPECT_EQ(ValuesOf(report), (std::vector<ItemValues>{{"Design", PeriodToday, 5, 6},
                                                         {"Design", PeriodOther, 3, 4}}));
    CReportItem stranger("Design", 3, 4, PeriodOther);
    EXPECT_FALSE(report.RemoveItem(&stranger));
    report.RemoveAllItems();
    EXPECT_EQ(report.GetItemCount(), 0u);
}

TEST(ReportItems, StandardReportItems) {
    coretest::ScopedTimeZone tz("America/New_York");
    CStore store;
    for (const char* name : {"P1", "P2", "P3"})
        store.AppendTask(std::make_unique<CTask>(name));
    const std::int64_t now = 1774465200; // 2026-03-25 15:00 EDT
    CReport all;
    AddAllProjectsItems(all, store, PeriodMonth, now, 0);
    EXPECT_EQ(ValuesOf(all),
              (std::vector<ItemValues>{{"P3", PeriodMonth, 1772341200, 1774465200},
                                       {"P2", PeriodMonth, 1772341200, 1774465200},
                                       {"P1", PeriodMonth, 1772341200, 1774465200}}));
    CReport one;
    EXPECT_FALSE(AddSingleProjectItem(one, store, "P4", PeriodToday, now, 0));
    EXPECT_EQ(one.GetItemCount(), 0u);
    EXPECT_TRUE(AddSingleProjectItem(one, store, "P2", PeriodToday, now, 0));
    EXPECT_EQ(ValuesOf(one),
              (std::vector<ItemValues>{{"P2", PeriodToday, 1774411200, 1774465200}}));

    EXPECT_EQ(ReportPeriodFromTypeIndex(0), PeriodToday);
    EXPECT_EQ(ReportPeriodFromTypeIndex(1), PeriodMonth);
    EXPECT_EQ(ReportPeriodFromTypeIndex(2), PeriodWeek);
    EXPECT_EQ(ReportPeriodFromTypeIndex(4), PeriodTotal);
}

} // namespace

namespace {

// Every cut and many random changes of the example: the reader either takes the whole
// file or leaves the list exactly as it was.
TEST(ReportFile, MangledFilesAreAllOrNothing) {
    const std::string example = FromHex(kExampleHex);
    std::vector<std::string> inputs;
    for (std::size_t cut = 0; cut < example.size(); ++cut)
        inputs.push_back(example.substr(0, cut));
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = example;
        for (int changes = 1 + static_cast<int>(random() % 3); changes > 0; --changes)
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        inputs.push_back(bytes);
    }
    for (const std::string& bytes : inputs) {
        CReport report;
        report.AddItem("Kept", 1, 2, PeriodWeek);
        std::size_t offset = 0;
        if (report.DecodeItems(bytes, offset)) {
            EXPECT_EQ(report.Items().front()->GetProject(), "Kept"); // appended after it
        } else {
            ASSERT_EQ(report.GetItemCount(), 1u) << ToHex(bytes);
            EXPECT_LE(offset, bytes.size());
        }
    }
}

} // namespace
