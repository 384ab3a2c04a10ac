#include "CliProcess.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace {

// Times in America/New_York, where the tests run: 2026-03-09 is a Monday.
constexpr std::int32_t kMonday0900 = 1773061200; // 2026-03-09 09:00 EDT
constexpr std::int32_t kSunday0900 = 1772978400; // 2026-03-08 09:00 EDT (after the change)
constexpr std::int32_t kFeb0900 = 1770386400;    // 2026-02-06 09:00 EST

std::string TotalsFile() {
    CStore store;
    store.AppendTask(std::make_unique<CTask>("Web site"));
    store.AppendTask(std::make_unique<CTask>("Admin"));
    auto add = [&](const char* project, std::int32_t start, std::int32_t length,
                   bool deleted = false) {
        auto period = std::make_unique<CDoneTask>(project, "");
        period->SetStart(start);
        period->SetEnd(start + length);
        if (deleted)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
    };
    add("Web site", kMonday0900, 3600);
    add("Web site", kSunday0900, 1800);
    add("Web site", kFeb0900, 7200);
    add("Web site", kMonday0900 + 7200, 600, /*deleted=*/true);
    add("Admin", kMonday0900 - 7200, -60); // a clock set back during a check-in
    return CDataFile::Write(store, {}, 0);
}

struct Fixture {
    TempDir dir;
    std::string file = dir / "timedata.pnd";
    std::map<std::string, std::optional<std::string>> env{{"TZ", "America/New_York"},
                                                          {"XDG_CONFIG_HOME", dir / "config"}};
    Fixture() { WriteBytes(file, TotalsFile()); }
};

TEST(CliTotals, LinesPerProjectInFileOrder) {
    Fixture f;
    struct Case {
        std::vector<std::string> extra;
        std::string expected;
    };
    const Case cases[] = {
        // Sunday weeks: the Sunday before Monday is in this week.
        {{"--week-start", "0"},
         "Web site\t3600\t5400\t5400\t12600\t12600\nAdmin\t-60\t-60\t-60\t-60\t-60\n"},
        // Monday weeks: it is not.
        {{"--week-start", "monday"},
         "Web site\t3600\t3600\t5400\t12600\t12600\nAdmin\t-60\t-60\t-60\t-60\t-60\n"},
        {{"--week-start", "1", "--format", "text"},
         "Web site\t01 : 00 : 00\t01 : 00 : 00\t01 : 30 : 00\t03 : 30 : 00\t03 : 30 : 00\n"
         "Admin\t-00 : 01 : 00\t-00 : 01 : 00\t-00 : 01 : 00\t-00 : 01 : 00\t-00 : 01 : 00\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"totals", f.file, "--now", "2026-03-09T18:00:00"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliRun run = RunCli(args, f.env);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.expected);
    }
}

TEST(CliTotals, WeekStartDefaultsToTheUsersOption) {
    Fixture f;
    ScopedUserOptions options(f.dir / "config");
    options.Set({{"WeekStart", 1}});
    const CliRun run = RunCli({"totals", f.file, "--now", "2026-03-09T18:00:00"}, f.env);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "Web site\t3600\t3600\t5400\t12600\t12600");

    // A stored value out of range reads as Sunday.
    options.Set({{"WeekStart", 9}});
    const CliRun fallback = RunCli({"totals", f.file, "--now", "2026-03-09T18:00:00"}, f.env);
    EXPECT_EQ(fallback.out.substr(0, fallback.out.find('\n')),
              "Web site\t3600\t5400\t5400\t12600\t12600");
}

TEST(CliTotals, BadArgumentsExitWithTwo) {
    Fixture f;
    const std::vector<std::vector<std::string>> cases = {
        {"totals", f.file, "--now", "2026-03-09 18:00:00"},
        {"totals", f.file, "--now", "2026-02-30T10:00:00"},
        {"totals", f.file, "--now", "2026-03-09T24:00:00"},
        {"totals", f.file, "--week-start", "7"},
        {"totals", f.file, "--week-start", "mo"},
        {"totals", f.file, "--format", "hours"},
        {"totals", f.dir / "missing.pnd"},
        {"totals", f.file, f.file},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(args, f.env);
        EXPECT_EQ(run.exitCode, 2) << args[2] << " " << (args.size() > 3 ? args[3] : "");
        EXPECT_FALSE(run.err.empty());
        EXPECT_TRUE(run.out.empty());
    }
}

// A local time the clocks show twice, or never, is refused by name, never guessed.
TEST(CliTotals, RepeatedOrSkippedLocalTimesAreRefusedNamingTheMoments) {
    Fixture f;
    const struct {
        const char* now;
        const char* message;
    } cases[] = {
        {"2026-11-01T01:30:00",
         "punchwell-cli: --now: 2026-11-01T01:30:00 happens twice in the local time zone: at "
         "2026-11-01T01:30:00-04:00 and again at 2026-11-01T01:30:00-05:00. Give a time outside "
         "the change of the clocks.\n"},
        {"2026-03-08T02:30:00",
         "punchwell-cli: --now: 2026-03-08T02:30:00 does not exist in the local time zone: the "
         "clocks went from 01:59:59 straight to 03:00:00 on 2026-03-08. Give a time outside the "
         "change of the clocks.\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli({"totals", f.file, "--now", c.now}, f.env);
        EXPECT_EQ(run.exitCode, 2) << c.now;
        EXPECT_EQ(run.err, c.message);
        EXPECT_TRUE(run.out.empty());
    }
}

// A 16-bit name with an unpaired surrogate prints as U+FFFD; the data file keeps it.
TEST(CliText, UnpairedSurrogatesPrintAsReplacementCharacters) {
    TempDir dir;
    CStore store;
    store.AppendTask(std::make_unique<CTask>("Caf\xC3\xA9 \xED\xA0\x80!"));
    auto period = std::make_unique<CDoneTask>("Caf\xC3\xA9 \xED\xA0\x80!", "");
    period->SetStart(kMonday0900);
    period->SetEnd(kMonday0900 + 60);
    store.AppendDoneTask(std::move(period));
    const std::string bytes = CDataFile::Write(store, {}, 0);
    const std::string file = dir / "timedata.pnd";
    WriteBytes(file, bytes);
    const std::map<std::string, std::optional<std::string>> env{{"TZ", "America/New_York"}};

    const CliRun totals = RunCli({"totals", file, "--now", "2026-03-09T18:00:00"}, env);
    EXPECT_EQ(totals.exitCode, 0) << totals.err;
    EXPECT_EQ(totals.out, "Caf\xC3\xA9 \xEF\xBF\xBD!\t60\t60\t60\t60\t60\n");
    const CliRun exported = RunCli({"export", file}, env);
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, "Caf\xC3\xA9 \xEF\xBF\xBD!,03/09/26 09:00:00,03/09/26 09:01:00\r\n");

    // Merged into a new file, the name is written back exactly as read.
    const CliRun merged = RunCli({"merge", file, "-o", dir / "copy.pnd"}, env);
    EXPECT_EQ(merged.exitCode, 0) << merged.err;
    std::ifstream copy(dir / "copy.pnd", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), bytes);
}

} // namespace
