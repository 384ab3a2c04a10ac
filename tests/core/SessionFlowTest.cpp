// The main window's flows driven through the session alone: scripted prompts, a fixed clock
// and a desktop whose windows the test opens and closes, no widget anywhere.
#include "FaultyFileOps.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"
#include "support/SessionProbe.h"

#include "core/app/Desktop.h"
#include "core/app/LoadProcedure.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DataFile.h"
#include "core/data/Password.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;
using coretest::WriteFile;

// 2023-11-14 22:13:20 UTC.
constexpr std::int32_t kT0 = 1700000000;

class TestDesktop final : public Desktop {
public:
    bool OtherWindowOpen() const override { return otherWindowOpen; }
    bool otherWindowOpen = false;
};

std::string FileWith(const std::vector<std::string>& projects, const std::string& password = {},
                     std::uint16_t locked = 0) {
    CStore store;
    for (const std::string& name : projects)
        store.AppendTask(std::make_unique<CTask>(name));
    return CDataFile::Write(store, ScramblePassword(password), locked);
}

class SessionFlow : public testing::Test {
public:
    SessionFlow() {
        m_app.SetClock(&m_clock);
        m_app.SetPrompts(m_prompts);
        m_session.SetDesktop(m_desktop);
        for (const char* name : {"Alpha", "Beta"})
            m_app.Store().AppendTask(std::make_unique<CTask>(name));
        m_app.Options().m_bShowListOnStart = 0;
        EXPECT_TRUE(m_app.SaveData());
        m_mainBefore = ReadFile(m_app.GetDataPath());
        WriteFile(m_other, FileWith({"Mail"}));
    }

    std::vector<std::string> Projects() const {
        std::vector<std::string> names;
        for (const auto& task : m_app.Store().Tasks())
            names.push_back(task->GetName());
        return names;
    }
    void Tick(int seconds = 1) {
        for (int i = 0; i < seconds; ++i) {
            m_clock.advance(1);
            m_session.Tick();
        }
    }
    void ExpectNothingLoaded() {
        EXPECT_EQ(Projects(), (std::vector<std::string>{"Alpha", "Beta"}));
        EXPECT_EQ(ReadFile(m_app.GetDataPath()), m_mainBefore);
        EXPECT_EQ(m_probe.fills, 0);
    }

    ScopedTimeZone m_tz{"UTC"};
    TempDir m_dir;
    TempDir m_otherDir;
    std::string m_other = m_otherDir.file("other.pnd");
    FakeClock m_clock{kT0};
    FakePrompts m_prompts;
    TestDesktop m_desktop;
    CPunchwellSession m_session{m_dir.str()};
    CPunchwellApp& m_app = m_session.App();
    SessionProbe m_probe{m_session};
    std::string m_mainBefore;
};

const std::string kCheckOutText = CLoadProcedure::kCheckOutText;
std::string HandedOverText(const std::string& path) {
    return "Another start of Punchwell handed this file to the running program:\n\n" + path +
           "\n\nIt will now be offered for loading: choose how to load it, or Cancel to leave "
           "your data as it is.";
}

TEST_F(SessionFlow, LoadStopsAtEveryWayOutBeforeTheDataChanges) {
    struct Case {
        const char* name;
        std::function<void(SessionFlow&, FakePrompts&)> script;
    };
    const std::vector<Case> cases = {
        {"no to checking out",
         [](SessionFlow& f, FakePrompts& p) {
             f.m_session.CheckInState().CheckIn("Alpha");
             p.Expect("Check Out?", kCheckOutText, MessageIcon::Question, MessageButtons::YesNo,
                      MessageAnswer::No);
         }},
        {"notes cancelled",
         [](SessionFlow& f, FakePrompts& p) {
             f.m_app.Options().m_bShowNotes = 1;
             f.m_session.CheckInState().CheckIn("Alpha");
             p.Expect("Check Out?", kCheckOutText, MessageIcon::Question, MessageButtons::YesNo,
                      MessageAnswer::Yes);
             p.ExpectNotes("Alpha", std::nullopt);
         }},
        {"method cancelled",
         [](SessionFlow&, FakePrompts& p) { p.ExpectLoadMethod(std::nullopt); }},
        {"open dialog cancelled",
         [](SessionFlow&, FakePrompts& p) {
             p.ExpectLoadMethod(LoadMethod::ReplaceAll).ExpectOpenFile(std::nullopt);
         }},
        {"file missing",
         [](SessionFlow& f, FakePrompts& p) {
             p.ExpectLoadMethod(LoadMethod::MergeFiles).ExpectOpenFile(f.m_other + ".gone");
             p.Expect("Load Data", "The file " + f.m_other + ".gone could not be found.",
                      MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
         }},
        {"damaged file declined",
         [](SessionFlow& f, FakePrompts& p) {
             const std::string whole = FileWith({"Mail", "Web"});
             WriteFile(f.m_other, whole.substr(0, whole.size() - 3));
             p.ExpectLoadMethod(LoadMethod::ReplaceAll).ExpectOpenFile(f.m_other);
             // No is what Enter answers: a reflexive Enter keeps the data.
             p.Expect({"Damaged Data File", std::nullopt, MessageIcon::Exclamation,
                       MessageButtons::YesNo, MessageAnswer::No, std::nullopt, MessageAnswer::No});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePrompts prompts;
        m_app.SetPrompts(prompts);
        c.script(*this, prompts);
        const bool wasIn = m_session.State().checkedIn;
        m_mainBefore = ReadFile(m_app.GetDataPath());
        m_session.LoadData();
        ExpectNothingLoaded();
        EXPECT_EQ(m_session.State().checkedIn, wasIn);
        EXPECT_FALSE(m_session.Load().IsBusy());
        // The next case starts checked out, with the other file whole.
        m_app.Options().m_bShowNotes = 0;
        m_session.CheckInState().CheckOut();
        WriteFile(m_other, FileWith({"Mail"}));
    }
}

TEST_F(SessionFlow, LoadReplacesOrMergesThenSavesAndRefillsTheList) {
    m_app.Options().m_bShowNotes = 0;
    m_session.CheckInState().CheckIn("Alpha");
    m_prompts.Expect("Check Out?", kCheckOutText, MessageIcon::Question, MessageButtons::YesNo,
                     MessageAnswer::Yes);
    m_prompts.ExpectLoadMethod(LoadMethod::MergeFiles).ExpectOpenFile(m_other);
    m_session.LoadData();
    EXPECT_FALSE(m_session.State().checkedIn);
    EXPECT_EQ(Projects(), (std::vector<std::string>{"Alpha", "Beta", "Mail"}));
    EXPECT_EQ(m_probe.fills, 1);
    EXPECT_EQ(m_prompts.dialogLog(),
              (std::vector<std::string>{"Load Data File", "progress", "progress off"}));
    EXPECT_GT(m_prompts.progressSteps(), 0);
    CPunchwellApp reader(m_dir.str());
    reader.LoadData();
    EXPECT_NE(reader.Store().FindTask("Mail"), nullptr) << "saved";
    EXPECT_TRUE(std::filesystem::exists(m_dir.file("timedata.before-load-20231114-221320.pnd")));

    // Replace: only the file's projects are left; no progress window.
    WriteFile(m_other, FileWith({"Web"}));
    m_prompts.ExpectLoadMethod(LoadMethod::ReplaceAll).ExpectOpenFile(m_other);
    m_clock.advance(1);
    m_session.LoadData();
    EXPECT_EQ(Projects(), std::vector<std::string>{"Web"});
    EXPECT_EQ(m_probe.fills, 2);
    EXPECT_EQ(m_prompts.dialogLog().size(), 4U);
}

TEST_F(SessionFlow, LoadWaitsForOtherWindowsAndAFileSavedLockedRelocksFromTheClock) {
    m_desktop.otherWindowOpen = true;
    m_prompts.Expect("Load Data", "Please close the open dialog before you load new data.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
    m_session.LoadData();
    ExpectNothingLoaded();
    m_desktop.otherWindowOpen = false;

    WriteFile(m_other, FileWith({"Mail"}, "theirs", 1));
    m_prompts.ExpectLoadMethod(LoadMethod::ReplaceAll).ExpectOpenFile(m_other);
    m_session.LoadData();
    EXPECT_EQ(Projects(), std::vector<std::string>{"Mail"});
    EXPECT_FALSE(m_session.State().locked) << "not before the window is up again";
    EXPECT_TRUE(m_session.RefusesCommands()) << "but nothing runs until the relock";
    Tick();
    EXPECT_TRUE(m_session.State().locked);
    EXPECT_EQ(m_probe.locks, 1);
    // The password set in this program stays (there was none: the file's is taken).
    EXPECT_EQ(m_app.GetPassword(), "theirs");
}

TEST_F(SessionFlow, LockAndUnlockWithTheRelockAndHeldFiles) {
    m_app.SetPassword("pw");
    m_app.Options().m_bRemindLock = 0;
    // Another window open: the lock command does nothing.
    m_desktop.otherWindowOpen = true;
    EXPECT_FALSE(m_session.CanLock());
    m_session.LockCommand();
    EXPECT_FALSE(m_session.State().locked);
    m_desktop.otherWindowOpen = false;

    m_session.LockCommand();
    EXPECT_TRUE(m_session.State().locked);
    EXPECT_TRUE(m_session.RefusesCommands());
    EXPECT_EQ(m_probe.locks, 1);

    // A file handed over while locked waits, however long, and asks nothing.
    m_session.OpenFile(m_other, true, true);
    Tick(5);
    EXPECT_EQ(m_session.Load().PendingFiles().size(), 1U);
    EXPECT_TRUE(m_prompts.shown().empty());

    // A close request asks for the password; Cancel keeps everything locked.
    m_prompts.ExpectEnterPassword("pw", false);
    EXPECT_FALSE(m_session.CloseRequest());
    m_prompts.ExpectEnterPassword("pw", true);
    m_session.LockCommand();
    EXPECT_FALSE(m_session.State().locked);
    EXPECT_EQ(m_probe.unlocks, 1);
    EXPECT_EQ(m_probe.releases, 1);

    // Then the held file goes on from the clock: where it came from, then the procedure.
    m_prompts.Expect("Punchwell", HandedOverText(m_other), MessageIcon::Information,
                     MessageButtons::Ok, MessageAnswer::Ok, true);
    m_prompts.ExpectLoadMethod(LoadMethod::MergeFiles);
    Tick();
    EXPECT_TRUE(m_session.Load().PendingFiles().empty());
    EXPECT_EQ(Projects(), (std::vector<std::string>{"Alpha", "Beta", "Mail"}));
    EXPECT_TRUE(m_prompts.fileRequests().empty()) << "no Open dialog for a handed-over file";
}

TEST_F(SessionFlow, StartingLockedHoldsTheStartUpFileUntilTheUnlock) {
    m_app.SetPassword("pw");
    m_app.SetLockFlag(1); // as read from the file
    // The command-line file arrives before the window is up: nothing is asked before the
    // unlock, then its path is shown over the window.
    m_session.OpenFile(m_other, false, false);
    m_session.Start();
    EXPECT_TRUE(m_session.State().locked) << "locked again at once, before the window shows";
    Tick(3);
    EXPECT_TRUE(m_prompts.shown().empty());
    EXPECT_EQ(m_session.Load().PendingFiles(), std::vector<std::string>{m_other});

    m_prompts.ExpectEnterPassword("pw", true);
    m_session.LockCommand();
    m_prompts.Expect("", m_other, MessageIcon::None, MessageButtons::Ok, MessageAnswer::Ok, true);
    m_prompts.ExpectLoadMethod(std::nullopt);
    Tick();
    EXPECT_TRUE(m_session.Load().PendingFiles().empty());
    EXPECT_TRUE(m_prompts.allAnswered());
}

TEST_F(SessionFlow, RelockAfterALoadWaitsForAnOpenWindow) {
    m_app.SetPassword("pw");
    m_session.Start();
    m_app.SetLockFlag(1); // a loaded file said so
    m_session.Lock().ArmRelockIfLocked(m_clock.Now());
    EXPECT_FALSE(m_session.State().locked);
    EXPECT_TRUE(m_session.HoldsRequests());
    m_desktop.otherWindowOpen = true;
    Tick(3);
    EXPECT_FALSE(m_session.State().locked) << "waits for the open window";
    m_desktop.otherWindowOpen = false;
    m_session.Tick(); // the same second: a waiting relock is looked at every time
    EXPECT_TRUE(m_session.State().locked);
    EXPECT_TRUE(m_prompts.shown().empty());
}

// The command-line file is served before the window is on screen: a failed save after its
// load is said without an owner, and the next save retries it.
TEST_F(SessionFlow, AFailedSaveAfterTheStartUpFileIsSaidWithoutAnOwner) {
    FaultyFileOps disk;
    disk.renameError = ENOSPC;
    m_app.SetFileOps(&disk);
    m_prompts.Expect("", m_other, MessageIcon::None, MessageButtons::Ok, MessageAnswer::Ok, false);
    m_prompts.ExpectLoadMethod(LoadMethod::MergeFiles, false);
    m_prompts.Expect("Punchwell", "Disk full while accessing " + m_app.GetDataPath() + ".",
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok, false);
    m_session.OpenFile(m_other, false, false);
    EXPECT_EQ(Projects(), (std::vector<std::string>{"Alpha", "Beta", "Mail"}));
    EXPECT_TRUE(m_app.HasUnsavedChanges());

    // Over the window a failure has its owner again.
    m_prompts.Expect("Punchwell", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageAnswer::Ok, true);
    m_app.SaveData();
    m_app.SetFileOps(nullptr);
}

TEST_F(SessionFlow, AHandedOverFileThatCannotBeLoadedSaysWhyAndOffersNothing) {
    struct Case {
        std::string path;
        std::string why;
    };
    for (const Case& c : {Case{m_otherDir.file("gone.pnd"), "it does not exist"},
                          Case{m_otherDir.str(), "it is a folder"}}) {
        SCOPED_TRACE(c.why);
        m_prompts.Expect("Punchwell",
                         "Another start of Punchwell handed this file to the running "
                         "program:\n\n" +
                             c.path + "\n\nIt cannot be offered for loading: " + c.why + ".",
                         MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok, true);
        m_session.OpenFile(c.path, true, true);
        EXPECT_TRUE(m_prompts.allAnswered());
    }
    EXPECT_TRUE(m_prompts.dialogLog().empty()) << "no Load Data File dialog";
    ExpectNothingLoaded();
}

TEST_F(SessionFlow, RestoreFromBackupReplacesTheDataWithTheChosenCopy) {
    // Without any copy it says where they will be, and nothing else happens. (The fixture's
    // save made today's copy; this day has had its turn, so no later save makes another.)
    std::filesystem::remove_all(m_dir.file("backups"));
    m_prompts.Expect("Restore From Backup",
                     "No copy of your data has been kept yet. Punchwell keeps one for each day "
                     "you use it, in " +
                         m_dir.file("backups") + ".",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
    m_session.RestoreBackup();
    EXPECT_TRUE(m_prompts.dialogLog().empty());

    std::filesystem::create_directory(m_dir.file("backups"));
    WriteFile(m_dir.file("backups/timedata-20231110.pnd"), FileWith({"Old"}));
    WriteFile(m_dir.file("backups/timedata-20231101.pnd"), "\x01");
    // Another window open: refused, as Load Data is.
    m_desktop.otherWindowOpen = true;
    m_prompts.Expect("Restore From Backup",
                     "Please close the open dialog before you restore a backup.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
    m_session.RestoreBackup();
    m_desktop.otherWindowOpen = false;
    // Cancel in the list changes nothing, the check-out before it stays.
    m_app.Options().m_bShowNotes = 0;
    m_session.CheckInState().CheckIn("Alpha");
    m_prompts.Expect("Check Out?", kCheckOutText, MessageIcon::Question, MessageButtons::YesNo,
                     MessageAnswer::Yes);
    m_prompts.ExpectDatedCopy(std::nullopt);
    m_session.RestoreBackup();
    EXPECT_FALSE(m_session.State().checkedIn);
    EXPECT_EQ(Projects(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(m_probe.fills, 0);
    ASSERT_EQ(m_prompts.datedCopies().size(), 2U);
    EXPECT_EQ(m_prompts.datedCopies()[0].copy.date, 20231110) << "newest first";
    EXPECT_EQ(m_prompts.datedCopies()[0].projects, 1U);
    EXPECT_TRUE(m_prompts.datedCopies()[1].damaged);
    EXPECT_EQ(m_prompts.datedFolder(), m_dir.file("backups"));

    const std::string before = ReadFile(m_app.GetDataPath());
    const std::string kept = m_dir.file("timedata.before-load-20231114-221320.pnd");
    m_prompts.ExpectDatedCopy(20231110);
    m_prompts.Expect("Data Restored",
                     "Your data is now the copy of Friday, November 10, 2023. Your data as it was "
                     "before is kept in " +
                         kept + "; load it with Load Data to go back.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
    m_session.RestoreBackup();
    EXPECT_EQ(Projects(), std::vector<std::string>{"Old"});
    EXPECT_EQ(m_probe.fills, 1);
    EXPECT_EQ(ReadFile(m_app.GetDataPath()), FileWith({"Old"}));
    EXPECT_EQ(ReadFile(kept), before);
    EXPECT_FALSE(m_session.Load().IsBusy());
}

// With nobody at the keyboard every question is declined: nothing is locked or loaded, and a
// check-out that would ask for notes ends without them instead of not at all.
TEST_F(SessionFlow, WithNobodyAtTheKeyboardNothingIsDecidedForThePerson) {
    m_app.ResetPrompts();
    m_app.Options().m_bShowNotes = 1;
    m_session.CheckInState().CheckIn("Beta");
    Tick(30);
    EXPECT_TRUE(m_session.CheckInState().CheckOut());
    ASSERT_EQ(m_app.Store().GetDoneCount(), 1U);
    EXPECT_EQ(m_app.Store().DoneTasks().front()->GetNotes(), "");

    m_session.LockCommand();
    EXPECT_FALSE(m_session.State().locked) << "no password was set for it";
    m_app.SetPassword("pw");
    m_session.LockCommand();
    EXPECT_FALSE(m_session.State().locked) << "nobody confirmed it";

    m_mainBefore = ReadFile(m_app.GetDataPath());
    m_session.LoadData();
    m_session.OpenFile(m_other, true, true);
    m_session.RestoreBackup();
    ExpectNothingLoaded();
}

TEST_F(SessionFlow, ExitChecksOutWithNotesAndCancelKeepsTheProgramRunning) {
    m_session.CheckInState().CheckIn("Beta");
    Tick(90);
    m_prompts.ExpectNotes("Beta", std::nullopt);
    EXPECT_FALSE(m_session.Exit());
    EXPECT_TRUE(m_session.State().checkedIn);

    m_prompts.ExpectNotes("Beta", "done for today");
    EXPECT_TRUE(m_session.Exit());
    EXPECT_FALSE(m_session.State().checkedIn);
    CPunchwellApp reader(m_dir.str());
    reader.LoadData();
    ASSERT_EQ(reader.Store().GetDoneCount(), 1U);
    EXPECT_EQ(reader.Store().DoneTasks().front()->GetNotes(), "done for today");
    EXPECT_EQ(reader.Store().DoneTasks().front()->GetDuration(), 90);

    // Checked out: nothing to ask.
    EXPECT_TRUE(m_session.Exit());
}

TEST_F(SessionFlow, ALateCheckInHasItsStartMovedBackAndSaved) {
    EXPECT_FALSE(m_session.ChangeRunningStart(kT0 - 3600).Ok()); // not checked in
    m_session.CheckInState().CheckIn("Beta");
    Tick(60);
    const std::string checkedInAt = m_session.State().checkedInText;

    // Not into the future, and not over another period of the project.
    EXPECT_EQ(m_session.ChangeRunningStart(kT0 + 120).problem,
              CorrectionPlan::Problem::InTheFuture);
    const CorrectionPlan plan = m_session.ChangeRunningStart(kT0 - 3600);
    ASSERT_TRUE(plan.Ok()) << plan.refusal;
    EXPECT_NE(m_session.State().checkedInText, checkedInAt);
    EXPECT_EQ(m_session.State().elapsedText, "1 hours, 1 minutes, 0 seconds");
    CPunchwellApp reader(m_dir.str());
    reader.LoadData();
    ASSERT_EQ(reader.Store().GetDoneCount(), 1U);
    EXPECT_EQ(reader.Store().DoneTasks().front()->GetStart(), kT0 - 3600);
    EXPECT_TRUE(reader.Store().DoneTasks().front()->IsRunning());

    // The clock goes on from the new start, and Undo in Time Records would take it back.
    Tick(1);
    EXPECT_EQ(m_session.CheckInState().GetCurrentPeriod()->GetDuration(), 3661);
    EXPECT_NE(m_session.PeriodEditor().LastCorrection(), nullptr);
}

} // namespace
