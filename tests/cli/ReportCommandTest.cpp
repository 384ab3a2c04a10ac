#include "CliProcess.h"

#include "support/CoreTestSupport.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"
#include "core/reports/ReportWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

// Local times in America/New_York, where the tool runs in these tests.
constexpr std::int64_t kNow = 1774465200; // Wednesday 2026-03-25 15:00:00 EDT
const char* const kNowText = "2026-03-25T15:00:00";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Fill(CStore& store) {
    auto task = std::make_unique<CTask>("Web <site>");
    task->SetRate(42, 50);
    store.AppendTask(std::move(task));
    store.AppendTask(std::make_unique<CTask>("Admin"));
    auto add = [&](const char* project, std::int64_t start, std::int64_t length,
                   const char* notes) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(static_cast<std::int32_t>(start));
        period->SetEnd(static_cast<std::int32_t>(start + length));
        store.AppendDoneTask(std::move(period));
    };
    add("Web <site>", kNow - 3600 * 20, 7200, "over midnight\nsecond line");
    add("Web <site>", kNow - 86400 * 2, 1800, "caf\xC3\xA9");
    add("Admin", kNow - 86400 * 40, 5400, "");
    add("Admin", kNow - 600, 300, "short");
}

class CliReport : public ::testing::Test {
protected:
    TempDir dir;
    std::string data = dir / "timedata.pnd";
    std::string out = dir / "out.html";
    std::map<std::string, std::optional<std::string>> env{{"TZ", "America/New_York"},
                                                          {"XDG_CONFIG_HOME", dir / "config"}};
    CStore store;

    void SetUp() override {
        Fill(store);
        WriteBytes(data, CDataFile::Write(store, {}, 0));
    }
    // The writer below runs in this process: same zone as the tool.
    coretest::ScopedTimeZone zone{"America/New_York"};
};

TEST_F(CliReport, WritesWhatTheProgramWrites) {
    ScopedUserOptions options(dir / "config");
    options.Set({{"WeekStart", 1}, {"PageLines", 20}});
    CReport custom;
    custom.AddItem("Gone", 0, 10, PeriodOther);
    custom.AddItem("Admin", 0, 0, PeriodYear);
    custom.AddItem("Web <site>", 0, 0, PeriodWeek);
    ASSERT_TRUE(custom.SaveItems(dir / "custom.pnr").ok);

    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::function<void(CReport&)> items;
        ReportOptions options;
        unsigned weekStart;
    };
    ReportOptions everything;
    everything.title = "Q1/2026 \"all\"";
    everything.showPeriods = true;
    everything.notesMode = NotesAtBottom;
    everything.titlePage = true;
    everything.costPerHour = true;
    everything.pageLines = 7;
    ReportOptions defaults;
    defaults.title = "Plain";
    defaults.pageLines = 20;
    ReportOptions fromFile = defaults;
    fromFile.showPeriods = true;
    fromFile.notesMode = OmitNotes;
    const Case cases[] = {
        {"all projects",
         {"--all", "week", "--periods", "--notes", "bottom", "--title-page", "--cost",
          "--page-lines", "7", "--week-start", "sunday", "--title", everything.title},
         [&](CReport& r) { AddAllProjectsItems(r, store, PeriodWeek, kNow, 0); },
         everything,
         0},
        {"one project with the user's options",
         {"--project", "Web <site>", "--kind", "total", "--title", "Plain"},
         [&](CReport& r) { AddSingleProjectItem(r, store, "Web <site>", PeriodTotal, kNow, 1); },
         defaults,
         1},
        {"custom report file",
         {"--items", dir / "custom.pnr", "--periods", "--notes", "omit", "--title", "Plain"},
         [&](CReport& r) { ASSERT_TRUE(r.ReplaceItemsFromFile(dir / "custom.pnr", store).ok); },
         fromFile,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The short form of --output serves as well.
        std::vector<std::string> arguments{
            "report", data,    std::string(c.name) == "custom report file" ? "-o" : "--output",
            out,      "--now", kNowText};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        std::filesystem::remove(out);
        const CliRun run = RunCli(arguments, env);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");

        CReport expected;
        c.items(expected);
        const std::string html = RenderReport(expected, c.options, kNow, c.weekStart, store);
        EXPECT_EQ(ReadBytes(out), html);
        EXPECT_NE(html.find("Web &lt;site&gt;"), std::string::npos);
        if (std::string(c.name) == "custom report file") {
            EXPECT_EQ(run.err, "punchwell-cli: " + (dir / "custom.pnr") +
                                   ": left out 1 item naming a project that is not in " + data +
                                   "\n");
        }
    }
}

TEST_F(CliReport, BadArgumentsExitWithTwoAndWriteNothing) {
    WriteBytes(dir / "damaged.pnr", "\x02\x00\xFF\xFF");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"report", data, "--title", "T", "--all", "week"}, "--output OUT.html is required"},
        {{"report", data, "--output", out, "--all", "week"}, "--title TITLE is required"},
        {{"report", data, "--output", out, "--title", "T"}, "give exactly one of"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--project", "Admin",
          "--kind", "week"},
         "give exactly one of"},
        {{"report", data, "--output", out, "--title", "T", "--project", "Admin"},
         "--project and --kind go together"},
        {{"report", data, "--output", out, "--title", "T", "--all", "fortnight"},
         "--all: \"fortnight\" is not one of today, week, month, year, total"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--notes", "top line"},
         "--notes: \"top line\" is not one of top, bottom, omit"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--page-lines", "4"},
         "--page-lines: \"4\" is not a number from 5 to 50"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--page-lines", "51"},
         "--page-lines: \"51\" is not a number from 5 to 50"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--now",
          "2026-02-30T00:00:00"},
         "--now: \"2026-02-30T00:00:00\" is not a local time"},
        {{"report", data, "--output", out, "--title", "T", "--all", "week", "--week-start", "8"},
         "--week-start: \"8\" is not a day"},
        {{"report", data, "--output", out, "--title", "T", "--project", "Nope", "--kind", "today"},
         "--project: there is no project \"Nope\" in " + data},
        {{"report", data, "--output", out, "--title", "T", "--items", dir / "none.pnr"},
         dir / "none.pnr"},
        {{"report", data, "--output", out, "--title", "T", "--items", dir / "damaged.pnr"},
         "is damaged"},
        {{"report", dir / "missing.pnd", "--output", out, "--title", "T", "--all", "week"},
         "cannot read " + (dir / "missing.pnd")},
        {{"report", data, "--output", dir / "no/such/dir/out.html", "--title", "T", "--all",
          "week"},
         dir / "no/such/dir/out.html"},
        {{"report", data, "-x"}, "unknown option '-x'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const CliRun run = RunCli(c.arguments, env);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// An item of a kind from a newer writer is left out with one message; the rest is written.
TEST_F(CliReport, ItemsOfUnknownKindsAreSkippedAndTheRestWritten) {
    CReport custom;
    custom.AddItem("Admin", 0, 0, PeriodYear);
    custom.AddItem("Web <site>", 0, 0, PeriodWeek);
    std::string bytes = custom.EncodeItems();
    bytes[19] = 9; // the kind of the first item in the file
    WriteBytes(dir / "newer.pnr", bytes);

    // The same report from a file holding only the item this version knows.
    CReport known;
    std::size_t offset = 0;
    ASSERT_TRUE(known.DecodeItems(bytes, offset));
    ASSERT_EQ(known.GetItemCount(), 1u);
    ASSERT_TRUE(known.SaveItems(dir / "known.pnr").ok);
    const std::string expected = dir / "expected.html";
    const std::vector<std::string> common{"--title", "T", "--now", "2026-03-09T18:00:00"};
    std::vector<std::string> args{"report", data, "--items", dir / "known.pnr", "-o", expected};
    args.insert(args.end(), common.begin(), common.end());
    ASSERT_EQ(RunCli(args, env).exitCode, 0);

    args = {"report", data, "--items", dir / "newer.pnr", "-o", out};
    args.insert(args.end(), common.begin(), common.end());
    const CliRun run = RunCli(args, env);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "punchwell-cli: The custom report file " + (dir / "newer.pnr") +
                           " holds 1 item of a kind of period this version of Punchwell does not "
                           "know. It was left out; the rest of the report was read.\n");
    std::ifstream written(out, std::ios::binary);
    std::ifstream wanted(expected, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              std::string(std::istreambuf_iterator<char>(wanted), {}));
}

} // namespace
