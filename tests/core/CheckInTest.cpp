#include "core/timing/CheckIn.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/platform/FileSystem.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"
#include "support/SessionProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using coretest::ScopedTimeZone;
using coretest::TempDir;

// 2023-11-14 22:13:20 UTC.
constexpr std::int32_t kT0 = 1700000000;

// Counts the saves of the data file.
class CountingOps final : public FileOps {
public:
    int saves = 0;
    int CreateTemp(const std::string& d, const std::string& b, std::string& t,
                   long long& h) override {
        return SystemFileOps().CreateTemp(d, b, t, h);
    }
    int Write(long long h, const char* data, std::size_t size, std::size_t& written) override {
        return SystemFileOps().Write(h, data, size, written);
    }
    int Sync(long long h) override { return SystemFileOps().Sync(h); }
    int Close(long long h) override { return SystemFileOps().Close(h); }
    int Rename(const std::string& from, const std::string& to) override {
        if (FileNameOf(to) == CPunchwellApp::kMainFileName)
            ++saves;
        return SystemFileOps().Rename(from, to);
    }
    int Remove(const std::string& p) override { return SystemFileOps().Remove(p); }
    int SyncDirectory(const std::string& d) override { return SystemFileOps().SyncDirectory(d); }
};

class CheckInTest : public testing::Test {
protected:
    CheckInTest() {
        m_app.SetClock(&m_clock);
        m_app.SetPrompts(m_prompts);
        m_app.SetFileOps(&m_ops);
        for (const char* name : {"Gamma", "Beta", "Alpha"}) {
            auto task = std::make_unique<CTask>(name);
            m_app.Store().AddTask(task);
        }
    }

    // The periods as the data file on disk holds them, head first.
    std::vector<CDoneTask> SavedPeriods() const {
        CPunchwellApp reader(m_dir.str());
        reader.LoadData();
        EXPECT_FALSE(reader.LoadFailed());
        std::vector<CDoneTask> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back(*p);
        return out;
    }

    void Tick(std::int32_t seconds = 1) {
        for (std::int32_t i = 0; i < seconds; ++i) {
            m_clock.advance(1);
            m_session.Tick();
        }
    }

    ScopedTimeZone m_tz{"UTC"};
    TempDir m_dir;
    FakeClock m_clock{kT0};
    FakePrompts m_prompts;
    CountingOps m_ops;
    CPunchwellSession m_session{m_dir.str()};
    CPunchwellApp& m_app = m_session.App();
    CCheckIn& m_checkIn = m_session.CheckInState();
    SessionProbe m_view{m_session};
};

TEST_F(CheckInTest, CheckInAndOutStoreThePeriodWithItsNotes) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Alpha");
    EXPECT_EQ(m_checkIn.GetCheckedInText(), "November 14, 22:13:20");
    EXPECT_EQ(m_checkIn.GetCheckedOutText(), "");
    EXPECT_EQ(m_view.focus, 1);
    std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_TRUE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetStart(), kT0);

    Tick(65);
    EXPECT_EQ(m_checkIn.GetElapsedText(), "0 hours, 1 minutes, 5 seconds");
    EXPECT_EQ(m_checkIn.GetCurrentPeriod()->GetEnd(), kT0 + 65);

    m_prompts.ExpectNotes("Alpha", "Fixed the gate");
    ASSERT_TRUE(m_checkIn.CheckOut());
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
    EXPECT_EQ(m_checkIn.GetCurrentPeriod(), nullptr);
    EXPECT_EQ(m_checkIn.GetCheckedOutText(), "November 14, 22:14:25");
    EXPECT_TRUE(m_view.trayShown);
    EXPECT_EQ(m_view.trayHides, 1);
    EXPECT_EQ(m_ops.saves, 2);

    saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetEnd(), kT0 + 65);
    EXPECT_EQ(saved[0].GetNotes(), "Fixed the gate");
    EXPECT_EQ(saved[0].GetProject(), "Alpha");

    m_session.Notify({.state = true});
    EXPECT_EQ(m_session.State().elapsedText, "Click \"Check In\" to start timing");
}

TEST_F(CheckInTest, AutosavesAtEveryIntervalCountedFromTheCheckIn) {
    struct Case {
        int autoSave;
        std::uint16_t index;
        std::vector<std::int32_t> expected; // seconds after the check-in
    };
    for (const Case& c :
         {Case{1, 4, {300, 600}}, Case{1, 0, {60, 120, 180, 240, 300, 360, 420, 480, 540, 600}},
          Case{0, 4, {}}}) {
        SCOPED_TRACE(testing::Message() << "AutoSave " << c.autoSave << " index " << c.index);
        m_app.Options().m_bAutoSave = c.autoSave;
        m_app.Options().m_wAutoSaveIndex = c.index;
        const std::int32_t start = m_clock.Now();
        ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
        const int savesAtCheckIn = m_ops.saves;

        std::vector<std::int32_t> autosaves;
        for (int i = 0; i < 659; ++i) {
            const std::size_t before = m_view.pushed.size();
            Tick();
            // The line reads "AutoSaving..." while the save runs, then the elapsed time.
            for (std::size_t k = before; k < m_view.pushed.size(); ++k)
                if (m_view.pushed[k] == "AutoSaving...")
                    autosaves.push_back(m_clock.Now() - start);
        }
        EXPECT_EQ(autosaves, c.expected);
        EXPECT_EQ(m_ops.saves - savesAtCheckIn, static_cast<int>(c.expected.size()));
        EXPECT_EQ(m_checkIn.GetElapsedText(), "0 hours, 10 minutes, 59 seconds");
        const std::vector<CDoneTask> saved = SavedPeriods();
        EXPECT_EQ(saved.front().GetEnd(), start + (c.expected.empty() ? 0 : c.expected.back()));

        m_prompts.ExpectNotes("Alpha", "");
        ASSERT_TRUE(m_checkIn.CheckOut());
        EXPECT_EQ(m_ops.saves - savesAtCheckIn, static_cast<int>(c.expected.size()) + 1);
        m_clock.advance(5);
    }
}

TEST_F(CheckInTest, ElapsedHoursDoNotWrapAndAClockSetBackShowsANegativeSpan) {
    ASSERT_TRUE(m_checkIn.CheckIn("Beta"));
    m_clock.advance(27 * 3600 + 4);
    Tick();
    EXPECT_EQ(m_checkIn.GetElapsedText(), "27 hours, 0 minutes, 5 seconds");

    // The clock turned back to before the start: the line says so, and the period is
    // never stored as ending before it starts.
    m_clock.set(kT0 - 301);
    Tick();
    EXPECT_EQ(m_checkIn.GetElapsedText(), "-0 hours, 5 minutes, 0 seconds");
    EXPECT_EQ(m_checkIn.GetCurrentPeriod()->GetEnd(), kT0);
    m_app.Options().m_bShowNotes = 0;
    ASSERT_TRUE(m_checkIn.CheckOut());
    EXPECT_EQ(SavedPeriods().front().GetDuration(), 0);
}

TEST_F(CheckInTest, CancelInTheNotesKeepsTheSamePeriodRunningAndSavesNothing) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    CDoneTask* period = m_checkIn.GetCurrentPeriod();
    Tick(10);
    const int saves = m_ops.saves;

    // While the notes are open the clock no longer extends the period, and no other
    // check-in command can take it away.
    m_prompts.ExpectNotes("Alpha", std::nullopt, [&] {
        EXPECT_FALSE(m_view.trayShown);
        Tick(3);
        EXPECT_EQ(period->GetEnd(), kT0 + 10);
        EXPECT_FALSE(period->IsRunning());
        EXPECT_FALSE(m_checkIn.CheckOut());
        m_checkIn.OnSwitch("Beta");
        m_checkIn.OnCheckInOut(ProjectChoice::Project("Beta"));
        EXPECT_FALSE(m_checkIn.CheckIn("Beta"));
    });
    EXPECT_FALSE(m_checkIn.CheckOut());

    EXPECT_TRUE(m_checkIn.IsCheckedIn());
    EXPECT_EQ(m_checkIn.GetCurrentPeriod(), period);
    EXPECT_TRUE(period->IsRunning());
    EXPECT_EQ(period->GetStart(), kT0);
    EXPECT_EQ(m_checkIn.GetCheckedOutText(), "");
    EXPECT_EQ(m_ops.saves, saves);
    EXPECT_EQ(m_app.Store().GetDoneCount(), 1U);
    EXPECT_TRUE(m_view.trayShown);
    Tick();
    EXPECT_EQ(period->GetEnd(), kT0 + 14);
    EXPECT_EQ(m_checkIn.GetElapsedText(), "0 hours, 0 minutes, 14 seconds");
}

TEST_F(CheckInTest, WithShowNotesOffCheckOutIsImmediateAndLeavesTheTrayIcon) {
    m_app.Options().m_bShowNotes = 0;
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    // Checked in and out within one second: a period of length 0.
    ASSERT_TRUE(m_checkIn.CheckOut());
    EXPECT_EQ(m_view.trayHides, 0);
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0].GetDuration(), 0);
    EXPECT_EQ(saved[0].GetNotes(), "");
    EXPECT_FALSE(saved[0].IsRunning());
}

TEST_F(CheckInTest, ACheckInInATakenSecondStartsAtTheNextFreeOneAndIsSaved) {
    m_app.Options().m_bShowNotes = 0;
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    ASSERT_TRUE(m_checkIn.CheckIn("Beta")); // checks out of Alpha in the same second
    ASSERT_TRUE(m_checkIn.CheckIn("Gamma"));
    EXPECT_EQ(m_checkIn.GetCurrentPeriod()->GetStart(), kT0 + 2);
    EXPECT_EQ(m_checkIn.GetCheckedInText(), "November 14, 22:13:22");

    // A check-out before the clock reaches the start is a period of length 0, not less.
    ASSERT_TRUE(m_checkIn.CheckOut());
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 3U);
    EXPECT_EQ(saved[0].GetProject(), "Gamma");
    EXPECT_EQ(saved[0].GetStart(), kT0 + 2);
    EXPECT_EQ(saved[0].GetDuration(), 0);
    EXPECT_EQ(saved[1].GetProject(), "Beta");
    EXPECT_EQ(saved[1].GetStart(), kT0 + 1);
    EXPECT_EQ(saved[2].GetProject(), "Alpha");
    EXPECT_EQ(saved[2].GetStart(), kT0);
}

TEST_F(CheckInTest, ARunningPeriodIsResumedAfterARestart) {
    ASSERT_TRUE(m_checkIn.CheckIn("Beta"));
    Tick(300); // autosave
    ASSERT_EQ(SavedPeriods().front().GetEnd(), kT0 + 300);
    // An older period left running by a merge elsewhere, first in the list.
    auto older = std::make_unique<CDoneTask>("Alpha", "");
    older->SetStart(kT0 - 7200);
    older->SetEnd(kT0 - 3600);
    older->SetRunningFlag(1);
    ASSERT_TRUE(m_app.Store().AddDoneTask(older));
    ASSERT_TRUE(m_app.SaveData());

    // A new run of the program, an hour later.
    FakeClock later(kT0 + 3600);
    CPunchwellSession session(m_dir.str());
    CPunchwellApp& app = session.App();
    app.SetClock(&later);
    app.SetPrompts(m_prompts); // no project list: a period was left running
    app.LoadData();
    SessionProbe view(session);
    CCheckIn& checkIn = session.CheckInState();
    session.Start();

    ASSERT_TRUE(checkIn.IsCheckedIn());
    EXPECT_EQ(checkIn.GetCurrentProject(), "Beta");
    EXPECT_EQ(checkIn.GetCurrentPeriod()->GetStart(), kT0);
    EXPECT_EQ(checkIn.GetCheckedInText(), "November 14, 22:13:20");
    EXPECT_EQ(checkIn.GetElapsedText(), "1 hours, 0 minutes, 0 seconds");
    EXPECT_EQ(view.updates, 1);
    // Only the newest is timed again; the other ends where it was saved.
    const CDoneTask* ended = app.Store().FindDoneTask(kT0 - 7200);
    ASSERT_NE(ended, nullptr);
    EXPECT_FALSE(ended->IsRunning());
    EXPECT_EQ(ended->GetEnd(), kT0 - 3600);
    // The autosave interval counts from the resume.
    later.advance(299);
    checkIn.OnTick(later.Now());
    EXPECT_EQ(checkIn.GetLastSave(), kT0 + 3600);
    later.advance(1);
    checkIn.OnTick(later.Now());
    EXPECT_EQ(checkIn.GetLastSave(), kT0 + 3900);
}

TEST_F(CheckInTest, StartUpOffersTheProjectListWithTheDefaultProject) {
    m_app.Options().m_strDefaultProject = "be";
    m_prompts.ExpectSelectProject("be", "Beta", [&] { EXPECT_FALSE(m_view.trayShown); });
    m_checkIn.ResumeOrOfferList();
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Beta");
    EXPECT_TRUE(m_view.trayShown);

    // Cancel, an empty choice, the option off, or no projects: nothing is checked in.
    struct Case {
        int showList;
        bool projects;
        std::optional<std::string> answer;
        bool asked;
    };
    for (const Case& c : {Case{1, true, std::nullopt, true}, Case{1, true, "", true},
                          Case{0, true, "Beta", false}, Case{1, false, "Beta", false}}) {
        TempDir dir;
        CPunchwellSession session(dir.str());
        CPunchwellApp& app = session.App();
        FakePrompts prompts;
        app.SetPrompts(prompts);
        app.SetClock(&m_clock);
        app.Options().m_bShowListOnStart = c.showList;
        if (c.projects) {
            auto task = std::make_unique<CTask>("Beta");
            app.Store().AddTask(task);
        }
        if (c.asked)
            prompts.ExpectSelectProject("", c.answer);
        CCheckIn& checkIn = session.CheckInState();
        session.Start();
        EXPECT_FALSE(checkIn.IsCheckedIn());
        EXPECT_EQ(app.Store().GetDoneCount(), 0U);
    }
}

TEST_F(CheckInTest, SwitchClosesTheOldPeriodBeforeTheChoiceAndCancelStaysCheckedOut) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Tick(30);
    m_prompts.ExpectNotes("Alpha", "part one");
    m_prompts.ExpectSelectProject("Alpha", std::nullopt, [&] {
        EXPECT_FALSE(m_view.trayShown);
        // Already closed and saved while the person chooses.
        EXPECT_FALSE(SavedPeriods().front().IsRunning());
    });
    m_checkIn.OnSwitch("Alpha");
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
    EXPECT_EQ(m_checkIn.GetElapsedText(), "Click \"Check In\" to start timing");
    EXPECT_GE(m_view.updates, 1);
    EXPECT_EQ(SavedPeriods().front().GetNotes(), "part one");

    // Switch while checked out only chooses and checks in.
    m_prompts.ExpectSelectProject("", "Gamma");
    m_checkIn.OnSwitch("");
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Gamma");
    EXPECT_EQ(m_app.Store().GetDoneCount(), 2U);

    // Cancel in the notes abandons the switch.
    m_prompts.ExpectNotes("Gamma", std::nullopt);
    m_checkIn.OnSwitch("Gamma");
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Gamma");
}

TEST_F(CheckInTest, AMissingAssociatedFileIsOpenedSilentlyAndTimingStarts) {
    CTask* beta = m_app.Store().FindTask("Beta");
    beta->SetFile("/no/such/folder/plan.doc");
    beta->SetFileUsed(1);
    m_app.Store().FindTask("Gamma")->SetFile("/no/such/unused.doc"); // flag off: never opened

    m_prompts.ExpectOpenWithShell("/no/such/folder/plan.doc", false);
    ASSERT_TRUE(m_checkIn.CheckIn("Beta"));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());
    EXPECT_TRUE(m_prompts.shown().empty());
    // Saved before the document opens.
    EXPECT_TRUE(SavedPeriods().front().IsRunning());

    m_app.Options().m_bShowNotes = 0;
    ASSERT_TRUE(m_checkIn.CheckIn("Gamma"));
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Gamma");
}

TEST_F(CheckInTest, CommandsRefuseWhatCannotBeTimed) {
    // No selection.
    m_prompts.Expect("No Project Selected",
                     "Please select a project from the list before checking in.",
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    m_checkIn.OnCheckInOut(ProjectChoice::Nothing());
    EXPECT_FALSE(m_checkIn.IsCheckedIn());

    // A name the store does not know (names are exact): an open period is closed first.
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    m_prompts.ExpectNotes("Alpha", "");
    m_prompts.Expect("Invalid Project",
                     "The project you have selected is invalid. It cannot be tracked.",
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    EXPECT_FALSE(m_checkIn.CheckIn("alpha"));
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
    EXPECT_FALSE(SavedPeriods().front().IsRunning());
}

TEST_F(CheckInTest, NewProjectFromTheListIsAddedSavedAndTimed) {
    CTask delta("Delta");
    delta.SetRate(40, 50);
    m_prompts.ExpectAddProject(delta);
    m_checkIn.OnCheckInOut(ProjectChoice::NewProject());
    EXPECT_EQ(m_view.fills, 1);
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Delta");
    CPunchwellApp reader(m_dir.str());
    reader.LoadData();
    ASSERT_NE(reader.Store().FindTask("Delta"), nullptr);
    EXPECT_EQ(reader.Store().FindTask("Delta")->GetDollars(), 40U);

    // Through the AutoSwitch selection: the old period closes first; a refused name then
    // leaves the program checked out.
    m_app.Options().m_bAutoSwitch = 1;
    m_prompts.ExpectNotes("Delta", "");
    m_prompts.ExpectAddProject(CTask("Alpha"));
    m_prompts.Expect("Task Exists", "The task you have attempted to create already exists.",
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    m_checkIn.OnProjectSelChange(ProjectChoice::NewProject());
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
    EXPECT_EQ(m_view.fills, 1);
    EXPECT_EQ(m_app.Store().GetTaskCount(), 4U);

    // Cancel adds nothing.
    m_prompts.ExpectAddProject(std::nullopt);
    m_checkIn.OnCheckInOut(ProjectChoice::NewProject());
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
}

TEST_F(CheckInTest, TheListSwitchesOnlyWithAutoSwitch) {
    m_app.Options().m_bShowNotes = 0;
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    m_checkIn.OnProjectSelChange(ProjectChoice::Project("Beta"));
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Alpha");

    m_app.Options().m_bAutoSwitch = 1;
    m_checkIn.OnProjectSelChange(ProjectChoice::Nothing());
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Alpha");
    m_clock.advance(7);
    m_checkIn.OnProjectSelChange(ProjectChoice::Project("Beta"));
    EXPECT_EQ(m_checkIn.GetCurrentProject(), "Beta");
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[1].GetProject(), "Alpha");
    EXPECT_EQ(saved[1].GetEnd(), kT0 + 7);
}

} // namespace
