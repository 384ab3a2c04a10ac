#include "FaultyFileOps.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include "core/app/DataLoad.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/Password.h"
#include "core/data/RunningPeriods.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;
using coretest::WriteFile;

constexpr std::int32_t kNow = 1773061200; // 2026-03-09 09:00:00 EDT
constexpr std::int32_t H(int hour, int minute = 0) {
    return 1772974800 + hour * 3600 + minute * 60; // 2026-03-08 in New York, plus the hour
}
constexpr const char* kCopyName = "timedata.before-load-20260309-090000.pnd";

struct P {
    std::string project;
    std::int32_t start;
    std::int32_t end;
    std::string notes;
    int running = 0;
};

void AddProject(CStore& store, const std::string& name, std::uint32_t dollars = 0,
                std::uint8_t cents = 0) {
    auto task = std::make_unique<CTask>(name);
    task->SetRate(dollars, cents);
    store.AppendTask(std::move(task));
}

void AddPeriod(CStore& store, const P& p) {
    auto period = std::make_unique<CDoneTask>(p.project, p.notes);
    period->SetStart(p.start);
    period->SetEnd(p.end);
    period->SetRunningFlag(p.running);
    store.AppendDoneTask(std::move(period));
}

std::vector<std::string> Lines(const CStore& store) {
    std::vector<std::string> lines;
    for (const auto& t : store.Tasks()) {
        std::ostringstream out;
        out << t->GetName() << " $" << t->GetDollars() << "." << int(t->GetCents());
        lines.push_back(out.str());
    }
    for (const auto& p : store.DoneTasks()) {
        std::ostringstream out;
        out << p->GetProject() << " " << p->GetStart() - H(0) << ".." << p->GetEnd() - H(0) << " \""
            << p->GetNotes() << "\"" << (p->IsRunning() ? " running" : "");
        lines.push_back(out.str());
    }
    return lines;
}

// The other machine's file: Web at another rate, a project of its own with a period left
// running when it was saved, a password and the lock flag.
std::string OtherFile(std::string_view plainPassword = "theirs", std::uint16_t locked = 1) {
    CStore store;
    AddProject(store, "Web", 40, 0);
    AddProject(store, "Design");
    AddPeriod(store, {"Design", H(13), H(14), "", 1});
    AddPeriod(store, {"Web", H(9, 30), H(11), "from there"});
    return CDataFile::Write(store, ScramblePassword(std::string(plainPassword)), locked);
}

// An app whose main file holds two projects and two periods.
struct Fixture {
    ScopedTimeZone tz{"America/New_York"};
    TempDir dir;
    FakeClock clock{kNow};
    FakePrompts prompts;
    CPunchwellApp app{dir.str()};
    std::string otherPath = dir.file("other.pnd");
    std::string mainBefore;

    explicit Fixture(const std::string& password = "mine") {
        app.SetClock(&clock);
        app.SetPrompts(prompts);
        AddProject(app.Store(), "Web", 25, 50);
        AddProject(app.Store(), "Admin");
        AddPeriod(app.Store(), {"Web", H(9), H(10), "from here"});
        AddPeriod(app.Store(), {"Admin", H(11), H(12), ""});
        app.SetPassword(password);
        EXPECT_TRUE(app.SaveData());
        mainBefore = ReadFile(app.GetDataPath());
        WriteFile(otherPath, OtherFile());
    }

    // The main file as written is the store as it stands.
    void ExpectMainFileIsTheStore() {
        EXPECT_EQ(ReadFile(app.GetDataPath()),
                  CDataFile::Write(app.Store(), app.ScrambledPassword(), app.LockFlag()));
    }
};

TEST(DataLoad, ReplaceAllAndMergeFiles) {
    struct Case {
        LoadMethod method;
        std::string password; // set in the program before the load
        std::vector<std::string> after;
        std::string passwordAfter;
    };
    const std::vector<Case> cases = {
        {LoadMethod::ReplaceAll,
         "mine",
         {"Web $40.0", "Design $0.0", "Design 46800..50400 \"\" running",
          "Web 34200..39600 \"from there\""},
         "mine"},
        {LoadMethod::ReplaceAll,
         "",
         {"Web $40.0", "Design $0.0", "Design 46800..50400 \"\" running",
          "Web 34200..39600 \"from there\""},
         "theirs"},
        // The store's Web keeps its rate; the overlapping Web periods join with this
        // program's notes first; the period running in the other file stays running.
        {LoadMethod::MergeFiles,
         "mine",
         {"Web $25.50", "Admin $0.0", "Design $0.0", "Web 32400..39600 \"from here\nfrom there\"",
          "Admin 39600..43200 \"\"", "Design 46800..50400 \"\" running"},
         "mine"},
        {LoadMethod::MergeFiles,
         "",
         {"Web $25.50", "Admin $0.0", "Design $0.0", "Web 32400..39600 \"from here\nfrom there\"",
          "Admin 39600..43200 \"\"", "Design 46800..50400 \"\" running"},
         "theirs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            (c.method == LoadMethod::ReplaceAll ? "replace, password '" : "merge, password '") +
            c.password + "'");
        Fixture f(c.password);
        const CDataLoad load = CDataLoad::Read(f.otherPath);
        ASSERT_TRUE(load.IsReadable());
        EXPECT_FALSE(load.IsDamaged());
        EXPECT_EQ(load.ProjectCount(), 2u);
        EXPECT_EQ(load.PeriodCount(), 2u);
        EXPECT_EQ(Lines(f.app.Store()).size(), 4u) << "reading alone changes nothing";

        const LoadApplyResult result = load.Apply(f.app, c.method);
        EXPECT_EQ(result.status, LoadApplyResult::Status::Loaded);
        EXPECT_EQ(Lines(f.app.Store()), c.after);
        EXPECT_EQ(f.app.GetPassword(), c.passwordAfter);
        EXPECT_EQ(f.app.LockFlag(), 1) << "the lock flag comes from the file";
        EXPECT_TRUE(result.lockedAfter);
        EXPECT_FALSE(f.app.LoadFailed());
        EXPECT_TRUE(result.saved.ok);
        f.ExpectMainFileIsTheStore();
        // The data as it was before the load, kept to load back.
        EXPECT_EQ(result.keptCopy, f.dir.file(kCopyName));
        EXPECT_EQ(ReadFile(result.keptCopy), f.mainBefore);
    }
}

TEST(RunningPeriods, AtMostOneStaysRunningTheCurrentElseTheNewest) {
    struct Case {
        const char* what;
        std::vector<P> periods;    // list order
        int current;               // index of the open check-in, or -1
        std::vector<bool> running; // afterwards, in list order
    };
    const std::vector<Case> cases = {
        {"none running", {{"A", H(9), H(10), ""}, {"B", H(11), H(12), ""}}, -1, {false, false}},
        {"one running stays",
         {{"A", H(9), H(10), ""}, {"B", H(11), H(12), "", 1}},
         -1,
         {false, true}},
        {"the newest of two stays, wherever it is in the list",
         {{"A", H(9), H(10), "", 1}, {"B", H(13), H(14), "", 1}, {"C", H(11), H(12), "", 1}},
         -1,
         {false, true, false}},
        {"the open check-in stays even when older",
         {{"A", H(9), H(10), "", 1}, {"B", H(13), H(14), "", 1}},
         0,
         {true, false}},
        {"the open check-in stays when listed after a newer one",
         {{"A", H(13), H(14), "", 1}, {"B", H(9), H(10), "", 1}, {"C", H(11), H(12), "", 1}},
         1,
         {false, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CStore store;
        for (const P& p : c.periods)
            AddPeriod(store, p);
        const CDoneTask* current = nullptr;
        if (c.current >= 0)
            current = std::next(store.DoneTasks().begin(), c.current)->get();
        std::size_t wasRunning = 0;
        for (const auto& p : store.DoneTasks())
            wasRunning += p->IsRunning();
        CDoneTask* kept = nullptr;
        const std::size_t ended = KeepOneRunningPeriod(store, current, &kept);
        std::vector<bool> running;
        const CDoneTask* stillRunning = nullptr;
        std::size_t i = 0;
        for (const auto& p : store.DoneTasks()) {
            running.push_back(p->IsRunning());
            if (p->IsRunning())
                stillRunning = p.get();
            // An ended period keeps the end it was saved with.
            EXPECT_EQ(p->GetEnd(), c.periods[i++].end);
        }
        EXPECT_EQ(running, c.running);
        EXPECT_EQ(ended, wasRunning - std::count(running.begin(), running.end(), true));
        EXPECT_EQ(kept, stillRunning);
    }
}

TEST(DataLoad, ALoadLeavesOneRunningPeriodTheNewest) {
    // This program saved while checked in to Admin at 15:00; the other file was saved while
    // checked in to Design at 13:00. A file merged elsewhere holds two running periods.
    CStore twice;
    AddProject(twice, "Web");
    AddPeriod(twice, {"Web", H(8), H(8, 30), "", 1});
    AddPeriod(twice, {"Web", H(16), H(16, 30), "", 1});
    struct Case {
        const char* what;
        LoadMethod method;
        std::string file;
        std::string running;
    };
    const Case cases[] = {
        {"merge", LoadMethod::MergeFiles, OtherFile(), "Admin 54000"},
        {"replace", LoadMethod::ReplaceAll, CDataFile::Write(twice, {}, 0), "Web 57600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        AddPeriod(f.app.Store(), {"Admin", H(15), H(15, 30), "", 1});
        ASSERT_TRUE(f.app.SaveData());
        WriteFile(f.otherPath, c.file);
        ASSERT_EQ(CDataLoad::Read(f.otherPath).Apply(f.app, c.method).status,
                  LoadApplyResult::Status::Loaded);
        std::vector<std::string> running;
        for (const auto& p : f.app.Store().DoneTasks())
            if (p->IsRunning())
                running.push_back(p->GetProject() + " " + std::to_string(p->GetStart() - H(0)));
        EXPECT_EQ(running, std::vector<std::string>{c.running});
        f.ExpectMainFileIsTheStore();
    }
}

TEST(DataLoad, MergingTheMainFileIntoItself) {
    Fixture f;
    const CDataLoad load = CDataLoad::Read(f.app.GetDataPath());
    const LoadApplyResult result = load.Apply(f.app, LoadMethod::MergeFiles);
    EXPECT_EQ(result.merge.projectsRemoved, 2u);
    EXPECT_EQ(result.merge.periodsAbsorbed, 2u);
    EXPECT_EQ(Lines(f.app.Store()),
              (std::vector<std::string>{"Web $25.50", "Admin $0.0",
                                        "Web 32400..36000 \"from here\nfrom here\"",
                                        "Admin 39600..43200 \"\""}));
    f.ExpectMainFileIsTheStore();
}

TEST(DataLoad, DamagedFileIsCountedBeforeAnythingChanges) {
    Fixture f;
    // Cut inside the second period: both projects and the first period can be read.
    const std::string whole = OtherFile();
    WriteFile(f.otherPath, whole.substr(0, whole.size() - 5));
    const CDataLoad load = CDataLoad::Read(f.otherPath);
    ASSERT_TRUE(load.IsReadable());
    EXPECT_TRUE(load.IsDamaged());
    EXPECT_EQ(load.ProjectCount(), 2u);
    EXPECT_EQ(load.PeriodCount(), 1u);
    EXPECT_EQ(load.DamagedQuestion(LoadMethod::ReplaceAll),
              "The file " + f.otherPath +
                  " is damaged. Only 2 projects and 1 time period could be read from it; the "
                  "rest of the file cannot be used.\n\nIf you go on, all your current data will "
                  "be replaced by what could be read.\n\nDo you want to go on?");
    EXPECT_NE(load.DamagedQuestion(LoadMethod::MergeFiles).find("merged into your current data"),
              std::string::npos);
    EXPECT_EQ(ReadFile(f.app.GetDataPath()), f.mainBefore);
    EXPECT_EQ(Lines(f.app.Store()).size(), 4u);

    // Going on loads what was read; the data before is in the kept copy.
    const LoadApplyResult result = load.Apply(f.app, LoadMethod::ReplaceAll);
    EXPECT_TRUE(result.read.damaged);
    EXPECT_TRUE(f.app.LoadFailed());
    EXPECT_EQ(Lines(f.app.Store()), (std::vector<std::string>{"Web $40.0", "Design $0.0",
                                                              "Design 46800..50400 \"\" running"}));
    EXPECT_EQ(ReadFile(result.keptCopy), f.mainBefore);
    f.ExpectMainFileIsTheStore();
}

TEST(DataLoad, MissingOrUnreadableFileChangesNothing) {
    Fixture f;
    for (const std::string& path : {f.dir.file("nothing here.pnd"), f.dir.str()}) {
        SCOPED_TRACE(path);
        const CDataLoad load = CDataLoad::Read(path);
        EXPECT_FALSE(load.IsReadable());
        EXPECT_NE(load.ErrorMessage().find(path), std::string::npos) << load.ErrorMessage();
        const LoadApplyResult result = load.Apply(f.app, LoadMethod::ReplaceAll);
        EXPECT_EQ(result.status, LoadApplyResult::Status::NotReadable);
        EXPECT_EQ(Lines(f.app.Store()).size(), 4u);
        EXPECT_EQ(ReadFile(f.app.GetDataPath()), f.mainBefore);
        EXPECT_FALSE(std::filesystem::exists(f.dir.file(kCopyName)));
    }
}

TEST(DataLoad, CopiesNeverOverwriteAndNeedAMainFile) {
    Fixture f;
    WriteFile(f.dir.file(kCopyName), "an earlier copy");
    const CDataLoad load = CDataLoad::Read(f.otherPath);
    const LoadApplyResult first = load.Apply(f.app, LoadMethod::MergeFiles);
    const LoadApplyResult second = load.Apply(f.app, LoadMethod::MergeFiles); // same second
    EXPECT_EQ(ReadFile(f.dir.file(kCopyName)), "an earlier copy");
    EXPECT_EQ(first.keptCopy, f.dir.file("timedata.before-load-20260309-090000-2.pnd"));
    EXPECT_EQ(second.keptCopy, f.dir.file("timedata.before-load-20260309-090000-3.pnd"));
    EXPECT_EQ(ReadFile(first.keptCopy), f.mainBefore);

    // A first start with a file on the command line: there is nothing to keep yet.
    TempDir empty;
    CPunchwellApp fresh(empty.str());
    fresh.SetClock(&f.clock);
    const LoadApplyResult result = load.Apply(fresh, LoadMethod::ReplaceAll);
    EXPECT_EQ(result.status, LoadApplyResult::Status::Loaded);
    EXPECT_TRUE(result.keptCopy.empty());
    EXPECT_TRUE(result.saved.ok);
    EXPECT_EQ(fresh.GetPassword(), "theirs");
    // The main file and the day's dated copy in its folder; no copy before the load.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(empty.path()),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_TRUE(std::filesystem::is_directory(empty.path() / "backups"));
}

TEST(DataLoad, NoCopyMeansNoLoadUntilTheCallerSaysGoOn) {
    TempDir dir;
    FakeClock clock(kNow);
    FakePrompts prompts;
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    app.SetPrompts(prompts);
    AddProject(app.Store(), "Web");
    // A main "file" that cannot be copied.
    std::filesystem::create_directory(app.GetDataPath());
    WriteFile(dir.file("other.pnd"), OtherFile());
    const CDataLoad load = CDataLoad::Read(dir.file("other.pnd"));

    LoadApplyResult result = load.Apply(app, LoadMethod::ReplaceAll);
    EXPECT_EQ(result.status, LoadApplyResult::Status::CopyFailed);
    EXPECT_NE(result.copyError.find(app.GetDataPath()), std::string::npos) << result.copyError;
    EXPECT_NE(CopyFailedQuestion(result).find(result.copyError), std::string::npos);
    EXPECT_EQ(Lines(app.Store()), std::vector<std::string>{"Web $0.0"});

    // Told to go on, it loads; the main file cannot be written there either, and the result
    // says so for the caller to show.
    LoadOptions options;
    options.goOnWithoutCopy = true;
    result = load.Apply(app, LoadMethod::ReplaceAll, options);
    EXPECT_EQ(result.status, LoadApplyResult::Status::Loaded);
    EXPECT_FALSE(result.saved.ok);
    EXPECT_NE(result.saved.message.find(app.GetDataPath()), std::string::npos)
        << result.saved.message;
    EXPECT_TRUE(prompts.shown().empty()) << "shown by the caller, not by the load";
    EXPECT_TRUE(result.keptCopy.empty());
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);
}

TEST(DataLoad, PasswordAndLockRulesWhenTheFileStopsEarly) {
    std::string password = "";
    std::uint16_t locked = 1;
    DataFileReadResult read;
    read.passwordRead = true;
    read.password = "xyz";
    // Damaged before the lock flag: the flag stays as it was.
    TakeLoadedPasswordAndLock(read, password, locked);
    EXPECT_EQ(password, "xyz");
    EXPECT_EQ(locked, 1);
    read.lockedRead = true;
    read.locked = 0;
    read.password = "other";
    TakeLoadedPasswordAndLock(read, password, locked);
    EXPECT_EQ(password, "xyz");
    EXPECT_EQ(locked, 0);
}

} // namespace
