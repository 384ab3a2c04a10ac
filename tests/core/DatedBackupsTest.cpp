#include "core/app/DatedBackups.h"
#include "FaultyFileOps.h"
#include "core/app/PunchwellApp.h"
#include "core/app/StartupLoader.h"
#include "core/data/DataFile.h"
#include "core/platform/LocalTime.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;
using coretest::WriteFile;

namespace fs = std::filesystem;

namespace {

// 2025-11-03 09:00:00 in New York (EST), a Monday.
constexpr std::int32_t kFirstMorning = 1762178400;

void AddPeriod(CStore& store, std::int32_t start) {
    auto period = std::make_unique<CDoneTask>("Web", "");
    period->Begin(start);
    period->Finish(start + 3600);
    ASSERT_TRUE(store.AddDoneTask(period));
}

// The real files without waiting for the disk: the long runs here test which files exist,
// not their durability, which the file layer's own tests cover.
class UnsyncedFileOps final : public FileOps {
public:
    int CreateTemp(const std::string& directory, const std::string& baseName, std::string& tempPath,
                   long long& handle) override {
        return m_real.CreateTemp(directory, baseName, tempPath, handle);
    }
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        return m_real.Write(handle, data, size, written);
    }
    int Sync(long long) override { return 0; }
    int Close(long long handle) override { return m_real.Close(handle); }
    int Rename(const std::string& from, const std::string& to) override {
        return m_real.Rename(from, to);
    }
    int Remove(const std::string& path) override { return m_real.Remove(path); }
    int SyncDirectory(const std::string&) override { return 0; }

private:
    FileOps& m_real = SystemFileOps();
};

std::size_t PeriodsIn(const std::string& path) {
    CStore store;
    const DataFileReadResult read = CDataFile::Read(ReadFile(path), store);
    EXPECT_FALSE(read.damaged) << path;
    return store.GetDoneCount();
}

std::set<int> DatesInFolder(const fs::path& folder) {
    std::set<int> dates;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.substr(0, 9), "timedata-") << name;
        dates.insert(std::stoi(name.substr(9, 8)));
    }
    return dates;
}

// A person who starts the program every morning and records one period a day. Each morning's
// copy holds the data as that day began; the folder ends with the copies of the last 30 days
// and the newest copy of each of the last 12 months.
TEST(DatedBackups, FourHundredDaysOfDailyUseKeepExactlyThePromisedCopies) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    FakeClock clock(kFirstMorning);
    const fs::path folder = dir.path() / "backups";

    UnsyncedFileOps ops;
    std::vector<int> daysUsed; // in order, as YYYYMMDD
    std::map<int, std::size_t> periodsAtStart;
    for (int day = 0; day < 400; ++day) {
        const int today = std::stoi(FormatLocal(clock.Now(), "%Y%m%d"));
        daysUsed.push_back(today);
        periodsAtStart[today] = static_cast<std::size_t>(day);
        {
            CPunchwellApp app(dir.str());
            app.SetClock(&clock);
            app.SetFileOps(&ops);
            LoadDataAtStartup(app, false);
            ASSERT_FALSE(app.LoadFailed());
            AddPeriod(app.Store(), clock.Now());
            ASSERT_TRUE(app.SaveData());
            AddPeriod(app.Store(),
                      clock.Now() + 7200); // a second save the same day changes no copy
            ASSERT_TRUE(app.SaveData());
        }
        const std::set<int> present = DatesInFolder(folder);
        ASSERT_TRUE(present.count(today)) << today;
        ASSERT_LE(present.size(), 30u + 12u) << today;
        // Across daylight saving the morning moves by an hour; the date still steps by one.
        clock.advance(24 * 3600);
    }

    std::set<int> expected(daysUsed.end() - 30, daysUsed.end());
    std::map<int, int> newestOfMonth; // YYYYMM -> newest day used
    for (int date : daysUsed)
        newestOfMonth[date / 100] = std::max(newestOfMonth[date / 100], date);
    auto month = newestOfMonth.rbegin();
    for (int n = 0; n < 12; ++n, ++month)
        expected.insert(month->second);
    EXPECT_EQ(DatesInFolder(folder), expected);
    EXPECT_EQ(expected.size(), 30u + 11u - 1u); // last month's final day is within the 30 days

    // The first morning had no file yet: its copy came from the first save. Every other copy
    // holds the main file as it was read that morning.
    for (int date : expected) {
        SCOPED_TRACE(date);
        const std::size_t wanted = date == daysUsed.front() ? 2 : periodsAtStart[date] * 2;
        EXPECT_EQ(PeriodsIn((folder / ("timedata-" + std::to_string(date) + ".pnd")).string()),
                  wanted);
    }
}

TEST(DatedBackups, DatesToKeep) {
    struct Case {
        const char* name;
        std::vector<BackupDate> dates;
        BackupDate today;
        BackupRetention retention;
        std::set<BackupDate> kept;
    };
    const Case cases[] = {
        {"used on a few days: the newest of each month and the last days",
         {20260105, 20260120, 20260302, 20260315, 20260330, 20260402},
         20260405,
         {7, 12},
         {20260120, 20260330, 20260402}},
        {"no monthly copies",
         {20260301, 20260331, 20260401, 20260405},
         20260405,
         {5, 0},
         {20260401, 20260405}},
        {"a month just outside the months kept",
         {20250430, 20250531, 20260405},
         20260405,
         {1, 12},
         {20250531, 20260405}},
        {"leap day and the turn of the year",
         {20231231, 20240228, 20240229, 20240301},
         20240301,
         {2, 4},
         {20231231, 20240229, 20240301}},
        {"copies dated after today are kept", {20260101, 20261231}, 20260102, {1, 0}, {20261231}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CDatedBackups::DatesToKeep(c.dates, c.today, c.retention), c.kept);
    }
}

TEST(DatedBackups, DateTextNamesTheDayAsThePersonSaysIt) {
    struct Case {
        BackupDate date;
        std::string text;
    };
    for (const Case& c : {Case{20231110, "Friday, November 10, 2023"},
                          Case{20240229, "Thursday, February 29, 2024"},
                          Case{20260101, "Thursday, January 1, 2026"},
                          Case{19991231, "Friday, December 31, 1999"}}) {
        EXPECT_EQ(CDatedBackups::DateText(c.date), c.text);
    }
}

TEST(DatedBackups, OnlyWellFormedNamesAreOurs) {
    EXPECT_EQ(CDatedBackups::ParseName("timedata-20260229.pnd"), std::nullopt);
    EXPECT_EQ(CDatedBackups::ParseName("timedata-20240229.pnd"), 20240229);
    for (const char* name :
         {"timedata-2026010.pnd", "timedata-20261301.pnd", "timedata-20260100.pnd",
          "timedata-2026-01-01.pnd", "timedata-20260101.pnd.tmp", "tdbackup-20260101.pnd"})
        EXPECT_EQ(CDatedBackups::ParseName(name), std::nullopt) << name;

    // Files the program did not make are neither listed nor removed.
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    fs::create_directory(dir.path() / "backups");
    for (const char* name : {"timedata-20000101.pnd", "notes.txt", "timedata-20001301.pnd",
                             "timedata-20000101.pnd.bak"})
        WriteFile(dir.path() / "backups" / name, "x");
    FakeClock clock(kFirstMorning);
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    ASSERT_TRUE(app.SaveData());
    const std::vector<DatedCopy> copies = app.DatedBackups().List();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].date, 20251103);
    EXPECT_EQ(copies[0].path, (dir.path() / "backups" / "timedata-20251103.pnd").string());
    for (const char* name : {"notes.txt", "timedata-20001301.pnd", "timedata-20000101.pnd.bak"})
        EXPECT_TRUE(fs::exists(dir.path() / "backups" / name)) << name;
    EXPECT_FALSE(fs::exists(dir.path() / "backups" / "timedata-20000101.pnd"));
}

// Only a main file that reads correctly is copied at start-up; a damaged one leaves the day
// without a copy until a save writes good bytes. Reading the main file elsewhere copies
// nothing: only the start-up of the program does.
TEST(DatedBackups, DamagedMainFileIsNotCopied) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    FakeClock clock(kFirstMorning);
    {
        CPunchwellApp app(dir.str());
        AddPeriod(app.Store(), kFirstMorning - 86400);
        AddPeriod(app.Store(), kFirstMorning - 2 * 86400);
        const std::string bytes = CDataFile::Write(app.Store(), "", 0);
        WriteFile(app.GetDataPath(), bytes);
        CPunchwellApp reader(dir.str());
        reader.SetClock(&clock);
        reader.LoadData();
        ASSERT_FALSE(reader.LoadFailed());
        EXPECT_FALSE(fs::exists(dir.path() / "backups"));
        WriteFile(app.GetDataPath(), bytes.substr(0, bytes.size() - 3));
    }
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    EXPECT_EQ(LoadDataAtStartup(app, false).which, StartupCase::MainDamagedNoBackup);
    EXPECT_TRUE(app.DatedBackups().List().empty());
    ASSERT_TRUE(app.SaveData());
    const std::vector<DatedCopy> copies = app.DatedBackups().List();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadFile(copies[0].path), ReadFile(app.GetDataPath()));
}

// The program shows its window first: the day's copy goes with the deferred backup refresh,
// written from the bytes read, pruned by the retention the options give once they are read,
// and no save of the meantime writes the copy of its own.
TEST(DatedBackups, DeferredStartupCopyIsTheFileAsReadUnderTheOptionsRetention) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    FakeClock clock(kFirstMorning);
    const fs::path folder = dir.path() / "backups";
    fs::create_directory(folder);
    // Kept by the default counts (the newest of its month), not by the ones set here.
    WriteFile(folder / "timedata-20250920.pnd", "an older copy");
    std::string morning;
    {
        CPunchwellApp app(dir.str());
        AddPeriod(app.Store(), kFirstMorning - 86400);
        morning = CDataFile::Write(app.Store(), "", 0);
        WriteFile(app.GetDataPath(), morning);
    }
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    const StartupResult r = LoadDataAtStartup(app, false, true);
    ASSERT_EQ(r.which, StartupCase::MainOk);
    ASSERT_TRUE(r.backupRefresh.IsPending());
    ASSERT_EQ(r.backupRefresh.DatedCopyDay(), 20251103);
    EXPECT_FALSE(fs::exists(folder / "timedata-20251103.pnd"));

    AddPeriod(app.Store(), kFirstMorning);
    ASSERT_TRUE(app.SaveData());
    EXPECT_FALSE(fs::exists(folder / "timedata-20251103.pnd")) << "the save took the copy's turn";

    FaultyFileOps failing;
    failing.syncError = EIO;
    EXPECT_FALSE(r.backupRefresh.RunDatedCopy({1, 0}, failing).ok);
    EXPECT_FALSE(fs::exists(folder / "timedata-20251103.pnd"));

    EXPECT_TRUE(r.backupRefresh.RunDatedCopy({1, 0}).ok);
    EXPECT_EQ(ReadFile((folder / "timedata-20251103.pnd").string()), morning);
    EXPECT_FALSE(fs::exists(folder / "timedata-20250920.pnd"));

    // A copy that failed hands its day back: the next save writes it.
    fs::remove(folder / "timedata-20251103.pnd");
    app.GiveBackDatedBackupTurn(20251103);
    ASSERT_TRUE(app.SaveData());
    EXPECT_EQ(ReadFile((folder / "timedata-20251103.pnd").string()), ReadFile(app.GetDataPath()));
}

TEST(DatedBackups, AFailedCopyNeverFailsTheSave) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    FakeClock clock(kFirstMorning);
    FakePrompts prompts; // nothing is queued: any message fails the test
    WriteFile(dir.path() / "backups", "a file where the folder belongs");
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    app.SetPrompts(prompts);
    AddPeriod(app.Store(), kFirstMorning);
    EXPECT_TRUE(app.SaveData());
    const FileResult again = app.KeepDatedBackup(ReadFile(app.GetDataPath()));
    EXPECT_FALSE(again.ok);
    EXPECT_NE(again.message.find((dir.path() / "backups").string()), std::string::npos)
        << again.message;

    // Once the way is clear, the next save makes the day's copy.
    fs::remove(dir.path() / "backups");
    EXPECT_TRUE(app.SaveData());
    EXPECT_EQ(app.DatedBackups().List().size(), 1u);
}

#ifndef _WIN32
TEST(DatedBackups, CopyTakesTheDataFilesPermissions) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    FakeClock clock(kFirstMorning);
    CPunchwellApp app(dir.str());
    app.SetClock(&clock);
    WriteFile(app.GetDataPath(), CDataFile::Write(app.Store(), "", 0));
    fs::permissions(app.GetDataPath(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(LoadDataAtStartup(app, false).which, StartupCase::MainOk);
    const std::vector<DatedCopy> copies = app.DatedBackups().List();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fs::status(copies[0].path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST(DatedBackups, SummaryCountsWhatACopyHolds) {
    ScopedTimeZone tz("America/New_York");
    TempDir dir;
    CStore store;
    auto task = std::make_unique<CTask>("Web");
    ASSERT_TRUE(store.AddTask(task));
    AddPeriod(store, kFirstMorning);
    AddPeriod(store, kFirstMorning + 86400); // the newest, though not at the head
    AddPeriod(store, kFirstMorning - 86400);
    const std::string bytes = CDataFile::Write(store, "", 0);
    WriteFile(dir.file("whole.pnd"), bytes);
    WriteFile(dir.file("cut.pnd"), bytes.substr(0, bytes.size() - 5));

    const DatedCopySummary whole = CDatedBackups::Summarize({dir.file("whole.pnd"), 20251104});
    EXPECT_TRUE(whole.readable);
    EXPECT_FALSE(whole.damaged);
    EXPECT_EQ(whole.projects, 1u);
    EXPECT_EQ(whole.periods, 3u);
    EXPECT_EQ(whole.lastPeriodStart, kFirstMorning + 86400);

    const DatedCopySummary cut = CDatedBackups::Summarize({dir.file("cut.pnd"), 20251104});
    EXPECT_TRUE(cut.readable);
    EXPECT_TRUE(cut.damaged);
    EXPECT_EQ(cut.periods, 2u);

    const DatedCopySummary missing = CDatedBackups::Summarize({dir.file("gone.pnd"), 20251104});
    EXPECT_FALSE(missing.readable);
    EXPECT_NE(missing.error.find("gone.pnd"), std::string::npos);
}

} // namespace
