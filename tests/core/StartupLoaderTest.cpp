#include "core/app/StartupLoader.h"
#include "FaultyFileOps.h"
#include "core/app/EarlyLoad.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/TextExport.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using coretest::Fixture;
using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;
using coretest::WriteFile;

namespace fs = std::filesystem;

namespace {

const std::string kBothCorrupted =
    "Both the main and backup files were corrupted. No data could be read. Please use the Load "
    "Data function in the File menu to load a previously saved record of your time.";
const std::string kMainMissingBackupCorrupted =
    "The main file was missing, and the backup file was corrupted. No data could be read. "
    "Please use the Load Data function in the File menu to load a previously saved record of "
    "your time.";
const std::string kFirstRun = "Punchwell is being run for the first time. Would you like to "
                              "enter the projects you will be working on now?";

class Startup : public ::testing::Test {
protected:
    Startup() : tz("America/New_York"), clock(1796915700) /* 2026-12-10 10:15:00 EST */ {
        app.SetClock(&clock);
        app.SetPrompts(prompts);
    }

    std::string MainPath() const { return app.GetDataPath(); }
    std::string BackupPath() const { return app.GetBackupPath(); }
    std::string Kept(const std::string& stem, const std::string& suffix = "") const {
        return dir.file(stem + ".damaged-20261210-101500" + suffix + ".pnd");
    }
    static std::string CopyLine(const std::string& original, const std::string& copy) {
        return "The file " + original + " was damaged. A copy of it was kept as " + copy +
               " so that nothing in it is lost.";
    }
    void ExpectKeptMessage(const std::string& text) {
        prompts.Expect("Damaged File Kept", text, MessageIcon::Information, MessageButtons::Ok,
                       MessageAnswer::Ok, false);
    }
    void ExpectCorrupted(const std::string& text) {
        prompts.Expect("Files Corrupted", text, MessageIcon::Stop, MessageButtons::Ok,
                       MessageAnswer::Ok, false);
    }
    // The files beside the data files; the folder of dated copies is not counted.
    std::size_t Entries() const {
        std::size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename() != CDatedBackups::kFolderName)
                ++n;
        return n;
    }

    ScopedTimeZone tz;
    TempDir dir;
    FakeClock clock;
    FakePrompts prompts;
    CPunchwellApp app{dir.str()};
};

// A second damaged file: the first two periods of the cut fixture, then a null tag.
std::string DamagedBackup() {
    const std::string cut = Fixture("truncated.pnd");
    return cut.substr(0, cut.size() - 11) + std::string(2, '\0');
}

TEST_F(Startup, MainOkRefreshesTheBackup) {
    WriteFile(MainPath(), Fixture("password-unicode.pnd"));
    WriteFile(BackupPath(), Fixture("example.pnd")); // older, but whole
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainOk);
    EXPECT_TRUE(r.keptCopies.empty());
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("password-unicode.pnd"));
    EXPECT_EQ(ReadFile(MainPath()), Fixture("password-unicode.pnd"));
    EXPECT_EQ(app.GetPassword(), "abc");
    EXPECT_EQ(app.LockFlag(), 1);
    EXPECT_TRUE(prompts.shown().empty());
}

// A damaged backup is kept before the refresh overwrites it, with the data file's mode.
TEST_F(Startup, MainOkKeepsADamagedBackupBeforeTheRefresh) {
    const mode_t oldMask = ::umask(022);
    WriteFile(MainPath(), Fixture("example.pnd"));
    WriteFile(BackupPath(), DamagedBackup());
    fs::permissions(BackupPath(), fs::perms::owner_read | fs::perms::owner_write);
    ExpectKeptMessage(CopyLine(BackupPath(), Kept("tdbackup")));
    const StartupResult r = LoadDataAtStartup(app, false);
    ::umask(oldMask);
    EXPECT_EQ(r.which, StartupCase::MainOk);
    EXPECT_EQ(r.keptCopies, std::vector<std::string>{Kept("tdbackup")});
    EXPECT_EQ(ReadFile(Kept("tdbackup")), DamagedBackup());
#ifndef _WIN32 // no mode bits there
    EXPECT_EQ(fs::status(Kept("tdbackup")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("example.pnd"));

    // Kept once: the next start finds a whole backup and says nothing.
    CPunchwellApp again{dir.str()};
    FakePrompts quiet;
    again.SetClock(&clock);
    again.SetPrompts(quiet);
    EXPECT_TRUE(LoadDataAtStartup(again, false).keptCopies.empty());
    EXPECT_EQ(Entries(), 3u);
}

// The program shows its window first: the backup is left to a refresh it runs afterwards,
// which writes the bytes that were read, and whose failure comes back to be shown.
TEST_F(Startup, DeferredBackupRefreshWritesTheMainFileAsRead) {
    WriteFile(MainPath(), Fixture("password-unicode.pnd"));
    WriteFile(BackupPath(), Fixture("example.pnd")); // an older, whole backup
    const StartupResult r = LoadDataAtStartup(app, false, true);
    EXPECT_EQ(r.which, StartupCase::MainOk);
    ASSERT_TRUE(r.backupRefresh.IsPending());
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("example.pnd"));
    EXPECT_EQ(app.GetPassword(), "abc");

    FaultyFileOps failing;
    failing.syncError = EIO;
    const FileResult failed = r.backupRefresh.Run(failing);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message.find(BackupPath()), std::string::npos);
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("example.pnd"));

    EXPECT_TRUE(r.backupRefresh.Run().ok);
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("password-unicode.pnd"));
    EXPECT_TRUE(prompts.shown().empty());
}

// Deferred, the old backup is checked by the refresh too, after the window: a damaged one is
// still kept before it is written over, and told of then.
TEST_F(Startup, DeferredRefreshKeepsADamagedBackupBeforeRewritingIt) {
    WriteFile(MainPath(), Fixture("example.pnd"));
    WriteFile(BackupPath(), DamagedBackup());
    StartupResult r = LoadDataAtStartup(app, false, true);
    EXPECT_EQ(r.which, StartupCase::MainOk);
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(ReadFile(BackupPath()), DamagedBackup());

    EXPECT_EQ(r.backupRefresh.KeepDamagedBackup(), CopyLine(BackupPath(), Kept("tdbackup")));
    EXPECT_EQ(ReadFile(Kept("tdbackup")), DamagedBackup());
    ASSERT_TRUE(r.backupRefresh.Run().ok);
    EXPECT_EQ(ReadFile(BackupPath()), Fixture("example.pnd"));

    // A whole backup is neither kept nor told of.
    CPunchwellApp again{dir.str()};
    again.SetClock(&clock);
    StartupResult next = LoadDataAtStartup(again, false, true);
    EXPECT_EQ(next.backupRefresh.KeepDamagedBackup(), "");
    EXPECT_EQ(Entries(), 3u);
}

// The main file read while the program started is used when it is still the file read, and
// read again when it was replaced since.
TEST_F(Startup, AnEarlyReadCountsOnlyWhileTheFileIsAsItWasRead) {
    WriteFile(MainPath(), Fixture("password-unicode.pnd"));
    CPunchwellApp ordinary{dir.str()};
    LoadDataAtStartup(ordinary, false);

    CEarlyLoad early(MainPath());
    EXPECT_EQ(early.TakeMain(MainPath() + ".other"), nullptr);
    const StartupResult r = LoadDataAtStartup(app, false, true, &early);
    EXPECT_EQ(r.which, StartupCase::MainOk);
    EXPECT_EQ(app.GetPassword(), ordinary.GetPassword());
    EXPECT_EQ(app.LockFlag(), ordinary.LockFlag());
    EXPECT_EQ(ExportDataAsText(app.Store()), ExportDataAsText(ordinary.Store()));
    EXPECT_EQ(early.TakeMain(MainPath()), nullptr); // taken once

    CEarlyLoad stale(MainPath());
    stale.Wait();
    const std::string replacement = dir.file("replacement.pnd");
    WriteFile(replacement, Fixture("example.pnd"));
    fs::rename(replacement, MainPath());
    CPunchwellApp later{dir.str()};
    LoadDataAtStartup(later, false, true, &stale);
    EXPECT_EQ(later.Store().GetTaskCount(), 2u);
    EXPECT_EQ(later.Store().GetDoneCount(), 1u);
    EXPECT_EQ(later.GetPassword(), "");
}

TEST_F(Startup, DeferringLeavesEveryOtherCaseAsItWas) {
    WriteFile(BackupPath(), Fixture("password-unicode.pnd"));
    const StartupResult r = LoadDataAtStartup(app, false, true);
    EXPECT_EQ(r.which, StartupCase::MainMissingBackupOk);
    EXPECT_FALSE(r.backupRefresh.IsPending());
    EXPECT_EQ(ReadFile(MainPath()), Fixture("password-unicode.pnd"));
}

TEST_F(Startup, MainDamagedBackupOk) {
    WriteFile(MainPath(), Fixture("truncated.pnd"));
    WriteFile(BackupPath(), Fixture("example.pnd"));
    ExpectKeptMessage(CopyLine(MainPath(), Kept("timedata")));
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainDamagedBackupOk);
    EXPECT_FALSE(app.LoadFailed());
    // Exactly the backup's records, none twice.
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);
    EXPECT_EQ(app.Store().GetDoneCount(), 1u);
    EXPECT_EQ(ReadFile(MainPath()), Fixture("example.pnd"));
    EXPECT_EQ(r.keptCopies, std::vector<std::string>{Kept("timedata")});
    EXPECT_EQ(ReadFile(Kept("timedata")), Fixture("truncated.pnd"));
}

TEST_F(Startup, BothDamaged) {
    WriteFile(MainPath(), Fixture("truncated.pnd"));
    WriteFile(BackupPath(), DamagedBackup());
    ExpectCorrupted(kBothCorrupted);
    ExpectKeptMessage(CopyLine(MainPath(), Kept("timedata")) + "\n" +
                      CopyLine(BackupPath(), Kept("tdbackup")));
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::BothDamaged);
    EXPECT_TRUE(app.LoadFailed());
    // The store holds what the backup yielded, not the main file's records as well.
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);
    EXPECT_EQ(app.Store().GetDoneCount(), 2u);
    EXPECT_EQ(ReadFile(MainPath()), Fixture("truncated.pnd"));
    EXPECT_EQ(ReadFile(BackupPath()), DamagedBackup());
    EXPECT_EQ(ReadFile(Kept("tdbackup")), DamagedBackup());
    EXPECT_EQ(r.keptCopies.size(), 2u);
}

TEST_F(Startup, MainDamagedNoBackup) {
    WriteFile(MainPath(), Fixture("truncated.pnd"));
    ExpectKeptMessage(CopyLine(MainPath(), Kept("timedata")));
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainDamagedNoBackup);
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);
    EXPECT_EQ(app.Store().GetDoneCount(), 2u);
    EXPECT_EQ(ReadFile(MainPath()), Fixture("truncated.pnd"));
    EXPECT_FALSE(fs::exists(BackupPath()));
    EXPECT_EQ(ReadFile(Kept("timedata")), Fixture("truncated.pnd"));
}

TEST_F(Startup, MainMissingBackupOk) {
    WriteFile(BackupPath(), Fixture("example.pnd"));
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainMissingBackupOk);
    EXPECT_EQ(ReadFile(MainPath()), Fixture("example.pnd"));
    EXPECT_EQ(app.Store().GetTaskCount(), 2u);
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(Startup, FailedRewriteIsShownWithoutOwner) {
    WriteFile(BackupPath(), Fixture("example.pnd"));
    FaultyFileOps ops;
    ops.renameError = ENOSPC;
    app.SetFileOps(&ops);
    prompts.Expect("Punchwell", "Disk full while accessing " + MainPath() + ".",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok, false);
    EXPECT_EQ(LoadDataAtStartup(app, false).which, StartupCase::MainMissingBackupOk);
    EXPECT_FALSE(fs::exists(MainPath()));
}

TEST_F(Startup, MainMissingBackupDamaged) {
    WriteFile(BackupPath(), DamagedBackup());
    ExpectCorrupted(kMainMissingBackupCorrupted);
    ExpectKeptMessage(CopyLine(BackupPath(), Kept("tdbackup")));
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainMissingBackupDamaged);
    EXPECT_EQ(app.Store().GetDoneCount(), 2u);
    EXPECT_FALSE(fs::exists(MainPath()));
    EXPECT_EQ(ReadFile(BackupPath()), DamagedBackup());
}

TEST_F(Startup, FirstRunAsksOnlyWithoutACommandLineFile) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        CPunchwellApp fresh(dir.str());
        fresh.SetPrompts(prompts);
        prompts.Expect("Enter Projects?", kFirstRun, MessageIcon::Question, MessageButtons::YesNo,
                       answer, false);
        EXPECT_EQ(LoadDataAtStartup(fresh, false).which, StartupCase::FirstRun);
        EXPECT_EQ(fresh.IsFirstRun(), answer == MessageAnswer::Yes);
    }
    CPunchwellApp withFile(dir.str());
    withFile.SetPrompts(prompts);
    EXPECT_EQ(LoadDataAtStartup(withFile, true).which, StartupCase::FirstRun);
    EXPECT_FALSE(withFile.IsFirstRun());
    EXPECT_EQ(prompts.shown().size(), 2u);
    EXPECT_EQ(Entries(), 0u); // nothing written until the first change
}

TEST_F(Startup, MainThatCannotBeReadIsMovedAsideBeforeTheRewrite) {
    // A directory where the main file should be cannot be read, nor copied: it is moved.
    fs::create_directory(MainPath());
    WriteFile(fs::path(MainPath()) / "inside", "keep");
    WriteFile(BackupPath(), Fixture("example.pnd"));
    ExpectKeptMessage("The file " + MainPath() +
                      " was damaged and could not be copied. It was moved to " + Kept("timedata") +
                      " so that nothing in it is lost.");
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainDamagedBackupOk);
    EXPECT_EQ(ReadFile(fs::path(Kept("timedata")) / "inside"), "keep");
    EXPECT_EQ(ReadFile(MainPath()), Fixture("example.pnd"));
}

TEST_F(Startup, MainWithoutReadPermission) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no permission bits that stop reads";
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: file permissions do not stop reads";
#endif
    WriteFile(MainPath(), Fixture("example.pnd"));
    fs::permissions(MainPath(), fs::perms::none);
    WriteFile(BackupPath(), Fixture("example.pnd"));
    prompts.Expect("Damaged File Kept", std::nullopt, MessageIcon::Information, MessageButtons::Ok,
                   MessageAnswer::Ok, false);
    const StartupResult r = LoadDataAtStartup(app, false);
    EXPECT_EQ(r.which, StartupCase::MainDamagedBackupOk);
    ASSERT_EQ(r.keptCopies.size(), 1u);
    fs::permissions(r.keptCopies[0], fs::perms::owner_read);
    EXPECT_EQ(ReadFile(r.keptCopies[0]), Fixture("example.pnd"));
    EXPECT_EQ(ReadFile(MainPath()), Fixture("example.pnd"));
}

TEST_F(Startup, KeptCopiesNeverOverwriteEarlierOnes) {
    WriteFile(MainPath(), "one");
    WriteFile(Kept("timedata"), "earlier");
    EXPECT_EQ(KeepDamagedCopy(app, MainPath()), Kept("timedata", "-2"));
    WriteFile(MainPath(), "two");
    EXPECT_EQ(KeepDamagedCopy(app, MainPath()), Kept("timedata", "-3"));
    EXPECT_EQ(ReadFile(Kept("timedata")), "earlier");
    EXPECT_EQ(ReadFile(Kept("timedata", "-2")), "one");
    EXPECT_EQ(ReadFile(Kept("timedata", "-3")), "two");
    EXPECT_EQ(ReadFile(MainPath()), "two"); // a copy, not a move
    clock.advance(61);
    EXPECT_EQ(KeepDamagedCopy(app, MainPath()), dir.file("timedata.damaged-20261210-101601.pnd"));
    EXPECT_EQ(KeepDamagedCopy(app, dir.file("absent.pnd")), "");
}

} // namespace
