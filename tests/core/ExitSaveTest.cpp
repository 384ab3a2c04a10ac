#include "core/app/ExitSave.h"
#include "FaultyFileOps.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;

namespace {

constexpr std::int32_t kCheckIn = 1796915700; // 2026-12-10 10:15:00 EST

class ExitSave : public ::testing::Test {
protected:
    ExitSave() : tz("America/New_York"), clock(kCheckIn) {
        app.SetClock(&clock);
        app.SetPrompts(prompts);
        app.SetFileOps(&disk);
        app.Store().AddTask(project);
        auto period = std::make_unique<CDoneTask>("Garden", "");
        period->Begin(kCheckIn);
        period->SetEnd(kCheckIn);
        running = period.get();
        app.Store().AddDoneTask(period);
        EXPECT_TRUE(app.SaveData()); // the file as the autosave left it: still running
        clock.advance(3600);
    }

    // What the exit's check-out does: the period ends with its notes, then the save.
    void CheckOut() {
        running->Finish(clock.Now());
        running->SetNotes("pruned the roses");
        app.SaveData();
    }
    std::vector<CDoneTask> Saved() const {
        CStore store;
        CDataFile::Read(ReadFile(app.GetDataPath()), store);
        std::vector<CDoneTask> out;
        for (const auto& p : store.DoneTasks())
            out.push_back(*p);
        return out;
    }
    void ExpectNotSaved(MessageAnswer answer) {
        prompts.Expect(CExitSave::kNotSavedCaption,
                       "Nothing was saved, so Punchwell has not exited.\n\nDisk full while "
                       "accessing " +
                           app.GetDataPath() +
                           ".\n\nThe period of \"Garden\" was checked out at December 10, "
                           "11:15:00; it and its notes are kept in Punchwell until they can be "
                           "saved.\n\nFree some space or fix the cause, then try again. Try to "
                           "save again now?",
                       MessageIcon::Exclamation, MessageButtons::YesNo, answer, true);
    }

    ScopedTimeZone tz;
    TempDir dir;
    FakeClock clock;
    FakePrompts prompts;
    FaultyFileOps disk;
    CPunchwellApp app{dir.str()};
    std::unique_ptr<CTask> project = std::make_unique<CTask>("Garden");
    CDoneTask* running = nullptr;
};

TEST_F(ExitSave, ASavedExitEndsWithoutAQuestion) {
    CExitSave exit(app);
    CheckOut();
    EXPECT_TRUE(exit.MayEnd(running));
    EXPECT_TRUE(prompts.shown().empty());
    ASSERT_EQ(Saved().size(), 1u);
    EXPECT_FALSE(Saved()[0].IsRunning());
}

// The disk is full: one question says nothing was saved and why; the retry fails again,
// then the person keeps the program open; freed space and another exit save it all.
TEST_F(ExitSave, AFailedSaveKeepsTheProgramOpenUntilTheRetrySavesIt) {
    disk.failAfterBytes = 10;
    {
        CExitSave exit(app);
        CheckOut(); // shows nothing of its own
        ExpectNotSaved(MessageAnswer::Yes);
        ExpectNotSaved(MessageAnswer::No);
        // Yes, the default, keeps the program open.
        prompts.Expect({CExitSave::kExitAnywayCaption, std::nullopt, MessageIcon::Exclamation,
                        MessageButtons::YesNo, MessageAnswer::Yes, true, MessageAnswer::Yes});
        EXPECT_FALSE(exit.MayEnd(running));
    }
    EXPECT_TRUE(app.HasUnsavedChanges());
    EXPECT_TRUE(Saved()[0].IsRunning()); // the file still has the period running
    EXPECT_EQ(running->GetNotes(), "pruned the roses");

    disk.failAfterBytes.reset();
    CExitSave again(app);
    app.SaveData(); // the exit's save of what is left unsaved
    EXPECT_TRUE(again.MayEnd(running));
    ASSERT_EQ(Saved().size(), 1u);
    EXPECT_FALSE(Saved()[0].IsRunning());
    EXPECT_EQ(Saved()[0].GetEnd(), kCheckIn + 3600);
    EXPECT_EQ(Saved()[0].GetNotes(), "pruned the roses");
}

TEST_F(ExitSave, EndingWithoutSavingNeedsAnAnswerThatSaysWhatIsLost) {
    disk.failAfterBytes = 10;
    // An earlier save while running failed as well, and said so as always.
    prompts.Expect("Punchwell", "Disk full while accessing " + app.GetDataPath() + ".",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    app.SaveData();
    clock.advance(600);
    CExitSave exit(app);
    CheckOut();
    prompts.Expect(CExitSave::kNotSavedCaption, std::nullopt, MessageIcon::Exclamation,
                   MessageButtons::YesNo, MessageAnswer::No, true);
    prompts.Expect(CExitSave::kExitAnywayCaption,
                   "If Punchwell exits now, the check-out of \"Garden\" at December 10, 11:25:00 "
                   "and its notes are lost, and so is every change made since December 10, "
                   "11:15:00, when a save first failed. The next start will find the period "
                   "still running and count the time Punchwell was closed as worked.\n\nKeep "
                   "Punchwell open so that they can still be saved? (No exits now without "
                   "saving.)",
                   MessageIcon::Exclamation, MessageButtons::YesNo, MessageAnswer::No, true);
    EXPECT_TRUE(exit.MayEnd(running));
}

// Nobody to answer (a run without windows): the exit neither ends on the failed save nor
// keeps retrying it.
TEST_F(ExitSave, NobodyAtTheKeyboardKeepsAFailedExitOpen) {
    app.ResetPrompts();
    disk.failAfterBytes = 10;
    CExitSave exit(app);
    CheckOut();
    EXPECT_FALSE(exit.MayEnd(running));
    EXPECT_TRUE(app.HasUnsavedChanges());
}

} // namespace
