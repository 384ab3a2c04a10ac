#include "core/app/PunchwellApp.h"
#include "FaultyFileOps.h"
#include "core/data/DataFile.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <variant>

using coretest::Fixture;
using coretest::ReadFile;
using coretest::TempDir;
using coretest::WriteFile;

namespace {

class FakeOptionsStorage final : public OptionsStorage {
public:
    std::map<std::string, std::variant<std::int64_t, std::string>> values;
    std::vector<std::string> writes;

    bool ReadInt(const std::string& name, std::int64_t& value) override {
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<std::int64_t>(it->second))
            return false;
        value = std::get<std::int64_t>(it->second);
        return true;
    }
    bool ReadString(const std::string& name, std::string& value) override {
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<std::string>(it->second))
            return false;
        value = std::get<std::string>(it->second);
        return true;
    }
    void WriteInt(const std::string& name, std::uint32_t value) override {
        values[name] = static_cast<std::int64_t>(value);
        writes.push_back(name);
    }
    void WriteString(const std::string& name, const std::string& value) override {
        values[name] = value;
        writes.push_back(name);
    }
};

void AddProject(CStore& store, const std::string& name) {
    auto task = std::make_unique<CTask>(name);
    ASSERT_TRUE(store.AddTask(task));
}

TEST(PunchwellApp, PathsAndClock) {
    CPunchwellApp app("/home/me/.local/share/Quillmoor/Punchwell");
    EXPECT_EQ(app.GetDataPath(), "/home/me/.local/share/Quillmoor/Punchwell/timedata.pnd");
    EXPECT_EQ(app.GetBackupPath(), "/home/me/.local/share/Quillmoor/Punchwell/tdbackup.pnd");
    EXPECT_NE(dynamic_cast<const SystemClock*>(&app.GetClock()), nullptr);
    FakeClock clock(1234);
    app.SetClock(&clock);
    EXPECT_EQ(app.GetClock().Now(), 1234);
}

TEST(PunchwellApp, SaveAndLoadTheMainFile) {
    TempDir dir;
    CPunchwellApp app(dir.str());
    AddProject(app.Store(), "Web");
    app.SetPassword("abc");
    app.SetLockFlag(1);
    ASSERT_TRUE(app.SaveData());
    EXPECT_EQ(ReadFile(app.GetDataPath()), CDataFile::Write(app.Store(), "eca", 1));
    EXPECT_TRUE(app.DataFileExists());
    EXPECT_FALSE(app.DataFileExists(app.GetBackupPath()));

    CPunchwellApp other(dir.str());
    const LoadOutcome out = other.LoadData();
    EXPECT_TRUE(out.existed);
    EXPECT_FALSE(other.LoadFailed());
    EXPECT_EQ(other.GetPassword(), "abc");
    EXPECT_EQ(other.LockFlag(), 1);
    ASSERT_NE(other.Store().FindTask("Web"), nullptr);
}

// A file of many megabytes, read back whole: the loader gives the memory of what it has read
// back to the system as it goes, so any text still pointing into the file's bytes would
// come back changed here.
TEST(PunchwellApp, LargeFileLoadsBackExactly) {
    TempDir dir;
    CPunchwellApp app(dir.str());
    AddProject(app.Store(), "Web");
    for (int i = 0; i < 40000; ++i) {
        auto period = std::make_unique<CDoneTask>(
            i % 3 ? "Web" : "Caf\xC3\xA9 " + std::to_string(i % 7),
            "notes of period " + std::to_string(i) + (i % 5 ? "" : " \xE2\x82\xAC") +
                std::string(static_cast<std::size_t>(i % 97), 'x'));
        period->SetStart(i * 10);
        period->SetEnd(i * 10 + 5);
        app.Store().AppendDoneTask(std::move(period));
    }
    ASSERT_TRUE(app.SaveData());
    const std::string bytes = ReadFile(app.GetDataPath());
    ASSERT_GT(bytes.size(), 3u << 20);

    CPunchwellApp other(dir.str());
    ASSERT_FALSE(other.LoadData().read.damaged);
    EXPECT_EQ(CDataFile::Write(other.Store(), {}, 0), bytes);
}

TEST(PunchwellApp, FailedSaveIsShownAndLeavesFileAndStoreAlone) {
    TempDir dir;
    CPunchwellApp app(dir.str());
    AddProject(app.Store(), "Web");
    ASSERT_TRUE(app.SaveData());
    const std::string before = ReadFile(app.GetDataPath());

    FakePrompts prompts;
    FaultyFileOps ops;
    ops.failAfterBytes = 3;
    app.SetPrompts(prompts);
    app.SetFileOps(&ops);
    AddProject(app.Store(), "Admin");
    prompts.Expect("Punchwell", "Disk full while accessing " + app.GetDataPath() + ".",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    EXPECT_FALSE(app.SaveData());
    EXPECT_EQ(ReadFile(app.GetDataPath()), before);
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);

    // The next save writes everything again.
    ops.failAfterBytes.reset();
    EXPECT_TRUE(app.SaveData());
    EXPECT_EQ(ReadFile(app.GetDataPath()), CDataFile::Write(app.Store(), "", 0));

    // A real failure, through the system's own file operations: a directory is in the way.
    app.SetFileOps(nullptr);
    const std::string blocked = dir.file("blocked.pnd");
    std::filesystem::create_directory(blocked);
    prompts.Expect("Punchwell", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok);
    EXPECT_FALSE(app.SaveData(blocked));
    ASSERT_EQ(prompts.shown().size(), 2u);
    EXPECT_NE(prompts.shown()[1].text.find(blocked), std::string::npos);
}

TEST(PunchwellApp, ASaveWrittenInPiecesIsTheWholeFileOrNothing) {
    // Long notes make a file of several pieces, so the save writes it while making it.
    TempDir dir;
    CPunchwellApp app(dir.str());
    AddProject(app.Store(), "Web");
    for (int i = 0; i < 40; ++i) {
        auto period = std::make_unique<CDoneTask>("Web", std::string(100000, 'a' + i % 26));
        period->SetStart(1000000 + i * 100);
        period->SetEnd(1000000 + i * 100 + 50);
        app.Store().AppendDoneTask(std::move(period));
    }
    ASSERT_TRUE(app.SaveData());
    const std::string whole = CDataFile::Write(app.Store(), "", 0);
    ASSERT_GT(whole.size(), 3u << 20);
    EXPECT_EQ(ReadFile(app.GetDataPath()), whole);

    // The disk fills in the third piece: the old file stays whole and no piece is left.
    FakePrompts prompts;
    FaultyFileOps ops;
    ops.failAfterBytes = (2u << 20) + 12345;
    app.SetPrompts(prompts);
    app.SetFileOps(&ops);
    AddProject(app.Store(), "Admin");
    prompts.Expect("Punchwell", "Disk full while accessing " + app.GetDataPath() + ".",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    EXPECT_FALSE(app.SaveData());
    EXPECT_EQ(ReadFile(app.GetDataPath()), whole);
    EXPECT_FALSE(std::filesystem::exists(ops.lastTempPath));

    ops.failAfterBytes.reset();
    EXPECT_TRUE(app.SaveData());
    EXPECT_EQ(ReadFile(app.GetDataPath()), CDataFile::Write(app.Store(), "", 0));
}

TEST(PunchwellApp, LoadDataRules) {
    TempDir dir;
    CPunchwellApp app(dir.str());

    // Missing: nothing happens.
    LoadOutcome out = app.LoadData();
    EXPECT_FALSE(out.existed);
    EXPECT_FALSE(app.LoadFailed());

    // A password set in the program survives; the lock always comes from the file.
    WriteFile(dir.file("locked.pnd"), Fixture("password-unicode.pnd"));
    app.SetPassword("mine");
    app.SetLockFlag(0);
    app.LoadData(dir.file("locked.pnd"));
    EXPECT_EQ(app.GetPassword(), "mine");
    EXPECT_EQ(app.LockFlag(), 1);
    WriteFile(dir.file("unlocked.pnd"), Fixture("example.pnd"));
    app.LoadData(dir.file("unlocked.pnd"));
    EXPECT_EQ(app.LockFlag(), 0);
    EXPECT_EQ(app.Store().GetTaskCount(), 3u); // loading appends

    CPunchwellApp fresh(dir.str());
    fresh.LoadData(dir.file("locked.pnd"));
    EXPECT_EQ(fresh.GetPassword(), "abc");

    // Damage sets the flag and a later good read never clears it.
    WriteFile(dir.file("cut.pnd"), Fixture("truncated.pnd"));
    out = fresh.LoadData(dir.file("cut.pnd"));
    EXPECT_TRUE(out.read.damaged);
    EXPECT_TRUE(fresh.LoadFailed());
    fresh.LoadData(dir.file("unlocked.pnd"));
    EXPECT_TRUE(fresh.LoadFailed());

    // There but unreadable: counts as a failed read, with the path and the cause.
    CPunchwellApp third(dir.str());
    out = third.LoadData(dir.str());
    EXPECT_TRUE(out.existed);
    EXPECT_TRUE(out.unreadable);
    EXPECT_NE(out.errorMessage.find(dir.str()), std::string::npos);
    EXPECT_TRUE(third.LoadFailed());
}

TEST(PunchwellAppOptions, DefaultsWhenNothingIsStored) {
    CPunchwellApp app("/tmp");
    FakeOptionsStorage storage;
    app.SetOptionsStorage(storage);
    app.Options().m_wPageLines = 40; // whatever was in memory is replaced
    app.ReadOptions();
    const COptions& o = app.GetOptions();
    EXPECT_EQ(o.m_bAutoSwitch, 0);
    EXPECT_EQ(o.m_strDefaultProject, "");
    EXPECT_EQ(o.m_wWeekStart, 0);
    EXPECT_EQ(o.m_bShowListOnStart, 1);
    EXPECT_EQ(o.m_bAutoSave, 1);
    EXPECT_EQ(o.m_wAutoSaveIndex, 4);
    EXPECT_EQ(o.m_bShowNotes, 1);
    EXPECT_EQ(o.m_bRemindLock, 1);
    EXPECT_EQ(o.m_wPageLines, 15);
    EXPECT_EQ(o.m_wIdleMinutes, 15);
    EXPECT_TRUE(storage.writes.empty()); // reading creates no values
}

TEST(PunchwellAppOptions, StoredValuesInAndOutOfRange) {
    struct Case {
        const char* name;
        std::int64_t stored;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"AutoSwitch", 1, 1},       {"AutoSwitch", 2, 0},
        {"AutoSwitch", -1, 0},      {"WeekStart", 6, 6},
        {"WeekStart", 7, 0},        {"WeekStart", 65537, 0},
        {"ShowListOnStart", 0, 0},  {"ShowListOnStart", 5, 1},
        {"AutoSave", 0, 0},         {"AutoSave", 3, 1},
        {"AutoSave Seconds", 9, 9}, {"AutoSave Seconds", 10, 4},
        {"AutoSave Seconds", 0, 0}, {"Show Notes", 0, 0},
        {"Show Notes", 9, 1},       {"Remind Lock", 0, 0},
        {"Remind Lock", 256, 1},    {"PageLines", 5, 5},
        {"PageLines", 50, 50},      {"PageLines", 4, 15},
        {"PageLines", 51, 15},      {"PageLines", 0x10000 + 20, 15},
        {"IdleMinutes", 0, 0},      {"IdleMinutes", 480, 480},
        {"IdleMinutes", 481, 15},   {"IdleMinutes", -5, 15},
        {"Backup Days", 1, 1},      {"Backup Days", 3650, 3650},
        {"Backup Days", 0, 30},     {"Backup Days", -5, 30},
        {"Backup Months", 0, 0},    {"Backup Months", 120, 120},
        {"Backup Months", 121, 12}, {"Backup Months", -1, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
        CPunchwellApp app("/tmp");
        FakeOptionsStorage storage;
        storage.values[c.name] = c.stored;
        app.SetOptionsStorage(storage);
        app.ReadOptions();
        const COptions& o = app.GetOptions();
        const std::map<std::string, std::int64_t> read = {
            {"AutoSwitch", o.m_bAutoSwitch},           {"WeekStart", o.m_wWeekStart},
            {"ShowListOnStart", o.m_bShowListOnStart}, {"AutoSave", o.m_bAutoSave},
            {"AutoSave Seconds", o.m_wAutoSaveIndex},  {"Show Notes", o.m_bShowNotes},
            {"Remind Lock", o.m_bRemindLock},          {"PageLines", o.m_wPageLines},
            {"IdleMinutes", o.m_wIdleMinutes},         {"Backup Days", o.m_nBackupDays},
            {"Backup Months", o.m_nBackupMonths}};
        EXPECT_EQ(read.at(c.name), c.expected);
    }
    // Any text is a default project, and a number where text belongs reads as empty.
    CPunchwellApp app("/tmp");
    FakeOptionsStorage storage;
    storage.values["DefaultProject"] = std::string("No such project \xE2\x82\xAC");
    app.SetOptionsStorage(storage);
    app.ReadOptions();
    EXPECT_EQ(app.GetOptions().m_strDefaultProject, "No such project \xE2\x82\xAC");
    storage.values["DefaultProject"] = std::int64_t{3};
    app.ReadOptions();
    EXPECT_EQ(app.GetOptions().m_strDefaultProject, "");
}

// The nine options in their required order, then those the program added.
TEST(PunchwellAppOptions, SetOptionsWritesAllInOrder) {
    CPunchwellApp app("/tmp");
    FakeOptionsStorage storage;
    app.SetOptionsStorage(storage);
    COptions options;
    options.m_bAutoSwitch = 1;
    options.m_strDefaultProject = "Web";
    options.m_wWeekStart = 3;
    options.m_bShowListOnStart = 0;
    options.m_bAutoSave = 0;
    options.m_wAutoSaveIndex = 9;
    options.m_bShowNotes = 0;
    options.m_bRemindLock = 0;
    options.m_wPageLines = 33;
    options.m_wIdleMinutes = 0;
    app.SetOptions(options);
    EXPECT_EQ(storage.writes, (std::vector<std::string>{
                                  "AutoSwitch", "DefaultProject", "WeekStart", "ShowListOnStart",
                                  "AutoSave", "AutoSave Seconds", "Show Notes", "Remind Lock",
                                  "PageLines", "IdleMinutes", "Backup Days", "Backup Months"}));
    const std::map<std::string, std::variant<std::int64_t, std::string>> expected = {
        {"AutoSwitch", std::int64_t{1}},   {"DefaultProject", std::string("Web")},
        {"WeekStart", std::int64_t{3}},    {"ShowListOnStart", std::int64_t{0}},
        {"AutoSave", std::int64_t{0}},     {"AutoSave Seconds", std::int64_t{9}},
        {"Show Notes", std::int64_t{0}},   {"Remind Lock", std::int64_t{0}},
        {"PageLines", std::int64_t{33}},   {"IdleMinutes", std::int64_t{0}},
        {"Backup Days", std::int64_t{30}}, {"Backup Months", std::int64_t{12}}};
    EXPECT_EQ(storage.values, expected);

    // What was written reads back the same.
    CPunchwellApp again("/tmp");
    again.SetOptionsStorage(storage);
    again.ReadOptions();
    EXPECT_EQ(again.GetOptions().m_strDefaultProject, "Web");
    EXPECT_EQ(again.GetOptions().m_wWeekStart, 3);
    EXPECT_EQ(again.GetOptions().m_wPageLines, 33);
    EXPECT_EQ(again.GetOptions().m_bRemindLock, 0);
    EXPECT_EQ(again.GetOptions().m_wIdleMinutes, 0);

    // The backup counts are written with the rest, clamped to what they can mean.
    storage.writes.clear();
    app.SetBackupRetention(0, 500);
    EXPECT_EQ(storage.writes.size(), 12u);
    EXPECT_EQ(storage.values["Backup Days"], (std::variant<std::int64_t, std::string>(1)));
    EXPECT_EQ(storage.values["Backup Months"], (std::variant<std::int64_t, std::string>(120)));
    again.ReadOptions();
    EXPECT_EQ(again.GetBackupRetention().days, 1);
    EXPECT_EQ(again.GetBackupRetention().months, 120);
}

TEST(PunchwellApp, PasswordIsKeptScrambled) {
    CPunchwellApp app("/tmp");
    EXPECT_EQ(app.GetPassword(), "");
    app.SetPassword("abc");
    EXPECT_EQ(app.ScrambledPassword(), "eca");
    EXPECT_EQ(app.GetPassword(), "abc");
    app.SetPassword("");
    EXPECT_EQ(app.ScrambledPassword(), "");
}

} // namespace
