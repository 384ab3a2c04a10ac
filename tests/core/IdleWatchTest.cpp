#include "core/timing/IdleWatch.h"

#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/timing/CheckIn.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakeIdleSource.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using coretest::ScopedTimeZone;
using coretest::TempDir;

// 2023-11-14 22:13:20 UTC.
constexpr std::int32_t kT0 = 1700000000;
constexpr std::int32_t kMinute = 60;

struct Period {
    std::int32_t start;
    std::int32_t end;
    bool running;
    std::string notes;
    bool operator==(const Period&) const = default;
    friend void PrintTo(const Period& p, std::ostream* os) {
        *os << "[" << p.start - kT0 << ".." << p.end - kT0 << (p.running ? " running" : "") << " \""
            << p.notes << "\"]";
    }
};

// Times in the tests are seconds after kT0.
class IdleWatchTest : public testing::Test {
protected:
    IdleWatchTest() {
        m_app.SetClock(&m_clock);
        m_app.SetPrompts(m_prompts);
        auto task = std::make_unique<CTask>("Alpha");
        m_app.Store().AddTask(task);
        m_watch.SetSource(&m_source);
        EXPECT_EQ(m_app.GetOptions().m_wIdleMinutes, 15); // the default threshold
    }

    void Tick() {
        m_clock.advance(1);
        m_session.Tick();
    }
    // At the keyboard: input every second.
    void Work(std::int32_t seconds) {
        for (std::int32_t i = 0; i < seconds; ++i) {
            Tick();
            m_source.Input();
        }
    }
    void Away(std::int32_t seconds) {
        for (std::int32_t i = 0; i < seconds; ++i)
            Tick();
    }
    // Back at the keyboard: one input, seen at the next tick.
    void Return() {
        m_clock.advance(1);
        m_source.Input();
        m_session.Tick();
    }
    // The computer sleeps; the first tick after it sees the clock jump.
    void Sleep(std::int32_t seconds, bool idleCountsSleep = true) {
        m_clock.advance(seconds - 1);
        if (!idleCountsSleep)
            m_source.Uncount(seconds - 1);
        Tick();
    }
    std::int32_t At(std::int32_t seconds) const { return kT0 + seconds; }

    std::vector<Period> Periods() const {
        std::vector<Period> out;
        for (const auto& p : m_app.Store().DoneTasks())
            out.push_back({p->GetStart(), p->GetEnd(), p->IsRunning(), p->GetNotes()});
        return out;
    }
    std::vector<Period> SavedPeriods() const {
        CPunchwellApp reader(m_dir.str());
        reader.LoadData();
        std::vector<Period> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back({p->GetStart(), p->GetEnd(), p->IsRunning(), p->GetNotes()});
        return out;
    }
    void ExpectQuestion(std::int32_t start, std::int32_t end) {
        const std::optional<IdleQuestion> q = m_watch.Question();
        ASSERT_TRUE(q.has_value());
        EXPECT_EQ(q->project, "Alpha");
        EXPECT_EQ(q->start - kT0, start - kT0);
        EXPECT_EQ(q->end - kT0, end - kT0);
    }

    ScopedTimeZone m_tz{"UTC"};
    TempDir m_dir;
    FakeClock m_clock{kT0};
    FakeIdleSource m_source{m_clock};
    FakePrompts m_prompts;
    CPunchwellSession m_session{m_dir.str()};
    CPunchwellApp& m_app = m_session.App();
    CCheckIn& m_checkIn = m_session.CheckInState();
    CIdleWatch& m_watch = m_session.Idle();
};

struct AnswerCase {
    const char* name;
    IdleAnswer answer;
    std::vector<Period> expected; // head first; 0 stands for the time of the answer
    bool checkedIn;
    friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

class IdleAnswerTest : public IdleWatchTest, public testing::WithParamInterface<AnswerCase> {};

// Checked in at 0, at work until 600, away for 20 minutes, back at 1801; the question is
// answered five minutes later, which changes nothing of what the answer does.
TEST_P(IdleAnswerTest, EachAnswerAppliesToTheTimeAwayWhenEverItIsGiven) {
    const AnswerCase& c = GetParam();
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(600);
    Away(1200);
    EXPECT_FALSE(m_watch.Question()) << "asked before the return";
    Return();
    ExpectQuestion(At(600), At(1801));
    Work(300); // the question is open; timing goes on as before
    EXPECT_EQ(m_checkIn.GetCurrentPeriod()->GetEnd(), At(2101));
    ExpectQuestion(At(600), At(1801));

    if (c.answer != IdleAnswer::Keep)
        m_prompts.ExpectNotes("Alpha", "lunch");
    EXPECT_TRUE(m_watch.Answer(c.answer));
    EXPECT_FALSE(m_watch.Question());
    EXPECT_EQ(m_checkIn.IsCheckedIn(), c.checkedIn);

    std::vector<Period> expected = c.expected;
    for (Period& p : expected)
        p = {At(p.start), p.end == 0 ? m_clock.Now() : At(p.end), p.running, p.notes};
    EXPECT_EQ(Periods(), expected);
    if (c.answer != IdleAnswer::Keep) {
        EXPECT_EQ(SavedPeriods(), expected) << "the answer is saved at once";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IdleAnswerTest,
    testing::Values(AnswerCase{"Keep", IdleAnswer::Keep, {{0, 0, true, ""}}, true},
                    AnswerCase{"DiscardAndContinue",
                               IdleAnswer::DiscardAndContinue,
                               {{1801, 0, true, ""}, {0, 600, false, "lunch"}},
                               true},
                    AnswerCase{"DiscardAndCheckOut",
                               IdleAnswer::DiscardAndCheckOut,
                               {{0, 600, false, "lunch"}},
                               false}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(IdleWatchTest, CancelledNotesChangeNothingAndTheQuestionStays) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(10);
    Away(20 * kMinute);
    Return();
    m_prompts.ExpectNotes("Alpha", std::nullopt, [this] {
        // The notes are open: no question meanwhile, and the clock leaves the period alone.
        EXPECT_FALSE(m_watch.Question());
        Work(5);
        EXPECT_FALSE(m_watch.Answer(IdleAnswer::Keep));
    });
    EXPECT_FALSE(m_watch.Answer(IdleAnswer::DiscardAndCheckOut));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());
    Tick();
    EXPECT_EQ(Periods(), (std::vector<Period>{{At(0), m_clock.Now(), true, ""}}));
    ExpectQuestion(At(10), At(10 + 20 * kMinute + 1));
}

struct WakeCase {
    const char* name;
    bool source;          // an idle source is there
    bool idleCountsSleep; // its idle counter goes on while the computer sleeps
    std::int32_t awayBeforeSleep;
    friend void PrintTo(const WakeCase& c, std::ostream* os) { *os << c.name; }
};

class IdleWakeTest : public IdleWatchTest, public testing::WithParamInterface<WakeCase> {};

// Asleep for two hours: the time away ends at the wake and begins at the last tick before
// the jump, or at the last input when the person had left before.
TEST_P(IdleWakeTest, AWakeAfterAJumpAsksAboutTheTimeAsleep) {
    const WakeCase& c = GetParam();
    if (!c.source)
        m_watch.SetSource(nullptr);
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    Away(c.awayBeforeSleep);
    const std::int32_t lastTick = m_clock.Now();
    Sleep(2 * 60 * kMinute, c.idleCountsSleep);
    const std::int32_t wake = m_clock.Now();
    ExpectQuestion(c.source ? At(100) : lastTick, wake);

    // Still nobody at the keyboard after the wake: nothing more is asked about the same time.
    Away(30 * kMinute);
    m_prompts.ExpectNotes("Alpha", "");
    EXPECT_TRUE(m_watch.Answer(IdleAnswer::DiscardAndContinue));
    EXPECT_FALSE(m_watch.Question());
    EXPECT_EQ(m_checkIn.GetCurrentPeriod()->GetStart(), wake);
}

INSTANTIATE_TEST_SUITE_P(
    Wakes, IdleWakeTest,
    testing::Values(WakeCase{"NoSource", false, false, 0},
                    WakeCase{"SourceCountingSleep", true, true, 0},
                    WakeCase{"SourceSkippingSleep", true, false, 0},
                    WakeCase{"AwayBeforeSleep", true, true, 5 * kMinute},
                    WakeCase{"AwayBeforeSleepSkipped", true, false, 5 * kMinute}),
    [](const testing::TestParamInfo<WakeCase>& info) { return std::string(info.param.name); });

TEST_F(IdleWatchTest, TheDesktopsSleepSignalMarksTheTimeAsleep) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    m_session.SleepChanged(true);
    m_clock.advance(40 * kMinute);
    m_session.SleepChanged(false);
    // The clock's own tick after the wake sees the jump, but the time is asked about once.
    Tick();
    ExpectQuestion(At(100), At(100 + 40 * kMinute));
    EXPECT_TRUE(m_watch.Answer(IdleAnswer::Keep));
    EXPECT_FALSE(m_watch.Question());
}

struct ShortCase {
    const char* name;
    std::int32_t away;
    bool asleep; // away by sleep rather than idleness
    bool asked;
    friend void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }
};

class IdleThresholdTest : public IdleWatchTest, public testing::WithParamInterface<ShortCase> {};

// Asked only about time away longer than the threshold (15 minutes).
TEST_P(IdleThresholdTest, OnlyTimeAwayLongerThanTheThresholdIsAskedAbout) {
    const ShortCase& c = GetParam();
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    if (c.asleep)
        Sleep(c.away);
    else
        Away(c.away - 1);
    Return();
    EXPECT_EQ(m_watch.Question().has_value(), c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, IdleThresholdTest,
    testing::Values(ShortCase{"Idle14Minutes", 14 * kMinute, false, false},
                    ShortCase{"IdleExactly15Minutes", 15 * kMinute - 1, false, false},
                    ShortCase{"Idle16Minutes", 16 * kMinute, false, true},
                    ShortCase{"Sleep10Minutes", 10 * kMinute, true, false},
                    ShortCase{"SleepExactly15Minutes", 15 * kMinute, true, false},
                    ShortCase{"Sleep15MinutesAnd1Second", 15 * kMinute + 1, true, true},
                    ShortCase{"Sleep20Minutes", 20 * kMinute, true, true}),
    [](const testing::TestParamInfo<ShortCase>& info) { return std::string(info.param.name); });

TEST_F(IdleWatchTest, TheThresholdComesFromTheOptionAndZeroSwitchesItOff) {
    m_app.Options().m_wIdleMinutes = 5;
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(10);
    Away(6 * kMinute);
    Return();
    ExpectQuestion(At(10), At(10 + 6 * kMinute + 1));

    // Off: what waited is dropped, and neither idleness nor sleep is noticed.
    m_app.Options().m_wIdleMinutes = 0;
    Tick();
    EXPECT_FALSE(m_watch.Question());
    Away(60 * kMinute);
    Return();
    Sleep(60 * kMinute);
    m_app.Options().m_wIdleMinutes = 15;
    Return();
    EXPECT_FALSE(m_watch.Question());
    EXPECT_FALSE(m_watch.Answer(IdleAnswer::DiscardAndCheckOut));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());
}

TEST_F(IdleWatchTest, TimeAwayWhileCheckedOutIsNotAskedAbout) {
    m_app.Options().m_bShowNotes = 0;
    Work(10);
    Away(30 * kMinute);
    Return();
    Sleep(60 * kMinute);
    EXPECT_FALSE(m_watch.Question());
    // Checking in on return: the time away lies before the period.
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Tick();
    EXPECT_FALSE(m_watch.Question());

    // Checked in while nobody is at the keyboard (from the command line, say): only the time
    // from the check-in on is in question.
    ASSERT_TRUE(m_checkIn.CheckOut());
    Work(10);
    Away(10 * kMinute);
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    const std::int32_t checkIn = m_clock.Now();
    Away(20 * kMinute);
    Return();
    ExpectQuestion(checkIn, m_clock.Now());

    // A check-out before the answer withdraws the question.
    ASSERT_TRUE(m_checkIn.CheckOut());
    EXPECT_FALSE(m_watch.Question());
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Tick();
    EXPECT_FALSE(m_watch.Question());
}

// Away, back without answering, away again: the two times are asked about one after the
// other, each answer applied to what the earlier one left.
TEST_F(IdleWatchTest, TwoTimesAwayBeforeAnAnswerAreAskedInTurn) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    Away(20 * kMinute); // 100 .. 1301
    Return();
    const std::int32_t back1 = m_clock.Now();
    Work(200);
    const std::int32_t left2 = m_clock.Now();
    Away(30 * kMinute);
    Return();
    const std::int32_t back2 = m_clock.Now();
    Work(50);

    ExpectQuestion(At(100), back1);
    m_prompts.ExpectNotes("Alpha", "before lunch");
    ASSERT_TRUE(m_watch.Answer(IdleAnswer::DiscardAndContinue));
    ExpectQuestion(left2, back2);
    m_prompts.ExpectNotes("Alpha", "after lunch");
    ASSERT_TRUE(m_watch.Answer(IdleAnswer::DiscardAndCheckOut));
    EXPECT_FALSE(m_watch.Question());
    EXPECT_EQ(Periods(), (std::vector<Period>{{back1, left2, false, "after lunch"},
                                              {At(0), At(100), false, "before lunch"}}));

    // Checked out by the first answer: the second time away is not asked about.
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    const std::int32_t start = m_clock.Now();
    Work(100);
    Away(20 * kMinute);
    Return();
    Work(100);
    Away(20 * kMinute);
    Return();
    m_prompts.ExpectNotes("Alpha", "");
    ASSERT_TRUE(m_watch.Answer(IdleAnswer::DiscardAndCheckOut));
    EXPECT_FALSE(m_watch.Question());
    EXPECT_EQ(Periods().front(), (Period{start, start + 100, false, ""}));
}

TEST_F(IdleWatchTest, WhileLockedTheQuestionWaitsForTheUnlock) {
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    m_app.SetLockFlag(1);
    Away(20 * kMinute);
    Return();
    Work(30);
    EXPECT_FALSE(m_watch.Question());
    EXPECT_FALSE(m_session.State().idleQuestion);
    EXPECT_FALSE(m_watch.Answer(IdleAnswer::DiscardAndCheckOut));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());

    m_app.SetLockFlag(0);
    ExpectQuestion(At(100), At(100 + 20 * kMinute + 1));
    // The session shows it, and takes an answer only for the question as it stands.
    const std::optional<IdleQuestion> shown = m_session.State().idleQuestion;
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(*shown, *m_watch.Question());
    IdleQuestion stale = *shown;
    stale.end += 1;
    EXPECT_FALSE(m_session.AnswerIdle(stale, IdleAnswer::DiscardAndCheckOut));
    EXPECT_TRUE(m_checkIn.IsCheckedIn());
    m_prompts.ExpectNotes("Alpha", "");
    EXPECT_TRUE(m_session.AnswerIdle(*shown, IdleAnswer::DiscardAndCheckOut));
    EXPECT_FALSE(m_checkIn.IsCheckedIn());
    EXPECT_FALSE(m_session.State().idleQuestion);
}

TEST_F(IdleWatchTest, AnUnreadableSourceLeavesOnlySleep) {
    m_source.SetAvailable(false);
    ASSERT_TRUE(m_checkIn.CheckIn("Alpha"));
    Work(100);
    Away(30 * kMinute);
    Return();
    EXPECT_FALSE(m_watch.Question());
    EXPECT_FALSE(m_watch.IdleSeconds());
    Sleep(30 * kMinute);
    EXPECT_TRUE(m_watch.Question());

    m_source.SetAvailable(true);
    Work(3);
    Away(7);
    EXPECT_EQ(m_watch.IdleSeconds(), 7);
}

} // namespace
