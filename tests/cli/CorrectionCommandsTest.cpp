#include "CliProcess.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/platform/DataFolderLock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

const std::map<std::string, std::optional<std::string>> kEnv{{"TZ", "America/New_York"}};
constexpr std::int32_t kJune11At16 = 1781208000; // 2026-06-11 16:00 EDT
constexpr const char* kNow = "2026-06-12T12:00:00";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "Web 06/11/26 16:00:00-22:00:00 notes" per period, by start, in the file's time zone.
std::vector<std::string> Periods(const std::string& bytes) {
    CStore store;
    CDataFile::Read(bytes, store);
    std::vector<const CDoneTask*> all;
    for (const auto& p : store.DoneTasks())
        all.push_back(p.get());
    std::sort(all.begin(), all.end(),
              [](const CDoneTask* a, const CDoneTask* b) { return a->GetStart() < b->GetStart(); });
    std::vector<std::string> lines;
    for (const CDoneTask* p : all)
        lines.push_back(p->GetProject() + " " + std::to_string(p->GetStart() - kJune11At16) + "+" +
                        std::to_string(p->GetDuration()) +
                        (p->GetNotes().empty() ? "" : " " + p->GetNotes()) +
                        (p->IsRunning() ? " running" : ""));
    return lines;
}

class CliCorrections : public testing::Test {
protected:
    void SetUp() override { Write(0, false); }
    // Web 16:00-22:00 "long day" and Other 09:00-10:00 on June 11th; optionally Web running
    // from 11:00 on June 12th.
    void Write(std::uint16_t locked, bool running) {
        CStore store;
        for (const char* name : {"Web", "Other"})
            store.AppendTask(std::make_unique<CTask>(name));
        Period(store, "Web", 0, 6 * 3600, "long day");
        Period(store, "Other", -7 * 3600, -6 * 3600, "");
        if (running) {
            CDoneTask& p = Period(store, "Web", 19 * 3600, 19 * 3600 + 1800, "");
            p.SetRunningFlag(1);
        }
        WriteBytes(file, CDataFile::Write(store, "", locked));
    }
    static CDoneTask& Period(CStore& store, const char* project, std::int32_t from, std::int32_t to,
                             const char* notes) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(kJune11At16 + from);
        period->SetEnd(kJune11At16 + to);
        CDoneTask& raw = *period;
        store.AppendDoneTask(std::move(period));
        return raw;
    }
    CliRun Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--data-dir", dir.Path()});
        if (std::find(arguments.begin(), arguments.end(), "--now") == arguments.end())
            arguments.insert(arguments.end(), {"--now", kNow});
        return RunCli(arguments, kEnv);
    }

    TempDir dir;
    std::string file = dir / "timedata.pnd";
};

TEST_F(CliCorrections, AddAndEditFollowTheRules) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<std::string> periods; // empty: the file is unchanged
        std::string said;                 // part of what was printed
    };
    const std::vector<Case> cases = {
        {"edit the end from 22:00 to 18:00",
         {"edit", "--start", "2026-06-11T16:00", "--new-end", "2026-06-11T18:00"},
         0,
         {"Other -25200+3600", "Web 0+7200 long day"},
         "changed: Web, 06/11/26 16:00:00 to 18:00:00"},
        {"add a forgotten period with notes",
         {"add", "Web", "--start", "2026-06-11T08:00", "--end", "2026-06-11T09:30:15", "--notes",
          "at the client's"},
         0,
         {"Web -28800+5415 at the client's", "Other -25200+3600", "Web 0+21600 long day"},
         "added: Web, 06/11/26 08:00:00 to 09:30:15"},
        {"overlap with another project is added with a warning",
         {"add", "Other", "--start", "2026-06-11T21:00", "--end", "2026-06-11T23:00"},
         0,
         {"Other -25200+3600", "Web 0+21600 long day", "Other 18000+7200"},
         "warning: Overlaps Web: 06/11/26 16:00:00 to 22:00:00."},
        {"overlap with the same project is refused",
         {"add", "Web", "--start", "2026-06-11T21:00", "--end", "2026-06-11T23:00"},
         2,
         {},
         "This period overlaps another period of Web: 06/11/26 16:00:00 to 22:00:00. Give "
         "--join to make them one period. Nothing was changed."},
        {"or joined with --join",
         {"add", "Web", "--start", "2026-06-11T21:00", "--end", "2026-06-11T23:00", "--notes",
          "late", "--join"},
         0,
         {"Other -25200+3600", "Web 0+25200 late\nlong day"},
         "added: Web, 06/11/26 16:00:00 to 23:00:00"},
        {"an equal start second moves on",
         {"add", "Other", "--start", "2026-06-11T16:00", "--end", "2026-06-11T16:30"},
         0,
         {"Other -25200+3600", "Web 0+21600 long day", "Other 1+1799"},
         "note: The start moves to 16:00:01"},
        {"end before start",
         {"edit", "--start", "2026-06-11T16:00:00", "--new-end", "2026-06-11T15:00"},
         2,
         {},
         "The end must come after the start. Nothing was changed."},
        {"no period at that start",
         {"edit", "--start", "2026-06-11T16:00:01", "--notes", "x"},
         2,
         {},
         "No period starts at 2026-06-11T16:00:01."},
        {"unknown project",
         {"add", "Nobody", "--start", "2026-06-11T08:00", "--end", "2026-06-11T09:00"},
         2,
         {},
         "There is no project named Nobody."},
        {"not a time",
         {"add", "Web", "--start", "2026-06-11 08:00", "--end", "2026-06-11T09:00"},
         2,
         {},
         "--start: \"2026-06-11 08:00\" is not a local time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(0, false);
        const std::string before = ReadBytes(file);
        const CliRun run = Cli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
        if (c.periods.empty())
            EXPECT_EQ(ReadBytes(file), before);
        else
            EXPECT_EQ(Periods(ReadBytes(file)), c.periods);
    }
}

TEST_F(CliCorrections, TheRunningPeriodOnlyMovesItsStart) {
    Write(0, true);
    CliRun run = Cli({"edit", "--start", "2026-06-12T11:00", "--new-end", "2026-06-12T11:45"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Only the start of the running period can be changed"),
              std::string::npos);
    run = Cli({"edit", "--start", "2026-06-12T11:00", "--new-start", "2026-06-12T12:30"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot start in the future"), std::string::npos);
    run = Cli({"edit", "--start", "2026-06-12T11:00", "--new-start", "2026-06-12T10:15"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Periods(ReadBytes(file)).back(), "Web 65700+6300 running");
}

TEST_F(CliCorrections, RefusedWhileTheFolderIsHeldOrTheFileIsLocked) {
    const std::string before = ReadBytes(file);
    {
        // A program that holds the folder but does not answer on its socket.
        CDataFolderLock program("punchwell 4242");
        ASSERT_EQ(program.TryAcquire(dir.Path()), CDataFolderLock::Status::Held);
        const CliRun run =
            Cli({"add", "Web", "--start", "2026-06-11T08:00", "--end", "2026-06-11T09:00"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_NE(run.err.find("does not answer"), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(file), before);
    }
    Write(1, false);
    const std::string locked = ReadBytes(file);
    const CliRun run = Cli({"edit", "--start", "2026-06-11T16:00", "--notes", "x"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("locked"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(file), locked);
}

TEST_F(CliCorrections, ATimeTheClocksRepeatIsRefusedNamingBothMoments) {
    const std::string before = ReadBytes(file);
    const CliRun run = Cli({"add", "Web", "--start", "2026-11-01T01:30", "--end",
                            "2026-11-01T01:45", "--now", "2026-11-02T00:00:00"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--start: 2026-11-01T01:30:00 happens twice in the local time zone: at "
                           "2026-11-01T01:30:00-04:00 and again at 2026-11-01T01:30:00-05:00."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadBytes(file), before);
}

} // namespace
