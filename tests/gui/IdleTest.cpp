// Time away while checked in: the question in the main window, the idle option in the
// Options dialog, and the real idle source of an X display.
#include "GuiTestSupport.h"
#include "XSession.h"

#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/platform/Clock.h"
#include "gui/app/QtPrompts.h"
#include "gui/ui/IdleController.h"
#include "gui/ui/IdleTimeDlg.h"
#include "gui/ui/OptionsDlg.h"
#include "gui/ui/PunchwellDlg.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#ifdef PUNCHWELL_HAVE_XSS
#include "gui/idle/XScreenSaverIdleSource.h"
#endif

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// 2023-11-14 22:13:20 UTC.
constexpr std::int32_t kT0 = 1700000000;

QString LabelText(QWidget* parent, const char* name) {
    QLabel* label = Child<QLabel>(parent, name);
    return label != nullptr ? label->text() : QString();
}

class IdleQuestionTest : public GuiTest {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        m_app.SetPrompts(m_prompts);
        m_app.SetClock(&m_clock);
        m_prompts.SetApp(&m_app);
        m_prompts.SetOwner(&m_dlg);
        auto task = std::make_unique<CTask>("Alpha");
        m_app.Store().AddTask(task);
        m_app.Options().m_bShowListOnStart = 0;
        m_dlg.Initialise();
        m_dlg.show();
    }

    // Moves the clock and lets the window's timer see the new second.
    void Advance(std::int32_t seconds) {
        m_clock.advance(seconds);
        QTest::qWait(2 * CPunchwellDlg::kClockIntervalMs + 20);
    }
    CIdleTimeDlg* Question() { return m_dlg.Idle().Dialog(); }
    bool QuestionShown() { return Question() != nullptr && Question()->isVisible(); }

    QTemporaryDir m_dataDir;
    QtPrompts m_prompts;
    FakeClock m_clock{kT0};
    CPunchwellSession m_session{m_dataDir.path().toStdString()};
    CPunchwellApp& m_app = m_session.App();
    CPunchwellDlg m_dlg{m_session};
};

// The window's clock sees the jump of a sleep; the question shows the time asleep, waits
// while the program is locked, and its answer ends the period where the sleep began.
TEST_F(IdleQuestionTest, AWakeAsksAndTheAnswerEndsThePeriodWhereTheSleepBegan) {
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Alpha")));
    Advance(1);
    Advance(2 * 3600);
    ASSERT_TRUE(QTest::qWaitFor([this] { return QuestionShown(); }, 2000));
    CIdleTimeDlg* dlg = Question();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Idle Time"));
    EXPECT_EQ(LabelText(dlg, "projectLabel"), QStringLiteral("Alpha"));
    EXPECT_EQ(LabelText(dlg, "sinceLabel"), QStringLiteral("November 14, 22:13:21"));
    EXPECT_EQ(LabelText(dlg, "lengthLabel"), QStringLiteral("2 hours, 0 minutes, 0 seconds"));
    EXPECT_FALSE(dlg->isModal()) << "the rest of the program goes on while it waits";

    // Locked: the question goes away until the unlock.
    m_app.SetLockFlag(1);
    Advance(1);
    EXPECT_FALSE(QuestionShown());
    m_app.SetLockFlag(0);
    Advance(1);
    ASSERT_TRUE(QuestionShown());

    // Notes are asked as at check-out; Cancel there leaves everything as it was.
    ModalDriver cancelNotes([](QWidget* notes) {
        EXPECT_EQ(notes->windowTitle(), QStringLiteral("Notes For Alpha"));
        QTest::mouseClick(Child<QPushButton>(notes, "cancelButton"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>(dlg, "discardCheckOutButton"), Qt::LeftButton);
    EXPECT_TRUE(cancelNotes.Ran());
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_TRUE(QuestionShown()) << "asked again after cancelled notes";

    ModalDriver notes([](QWidget* notes) {
        QTest::keyClicks(Child<QPlainTextEdit>(notes, "notesEdit"), QStringLiteral("slept"));
        QTest::mouseClick(Child<QPushButton>(notes, "okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>(dlg, "discardCheckOutButton"), Qt::LeftButton);
    EXPECT_TRUE(notes.Ran());
    EXPECT_FALSE(m_dlg.IsCheckedIn());
    EXPECT_FALSE(QuestionShown());
    EXPECT_EQ(Child<QPushButton>(&m_dlg, "checkInOutButton")->text(), QStringLiteral("&Check In"));
    const CDoneTask& period = *m_app.Store().DoneTasks().front();
    EXPECT_EQ(period.GetStart(), kT0);
    EXPECT_EQ(period.GetEnd(), kT0 + 1);
    EXPECT_EQ(period.GetNotes(), "slept");
}

TEST_F(IdleQuestionTest, ClosingTheQuestionKeepsTheTime) {
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Alpha")));
    Advance(1);
    Advance(3600);
    ASSERT_TRUE(QTest::qWaitFor([this] { return QuestionShown(); }, 2000));
    QTest::keyClick(Question(), Qt::Key_Escape);
    Advance(1);
    EXPECT_FALSE(QuestionShown());
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(m_dlg.GetCurrentPeriod()->GetStart(), kT0);
    EXPECT_EQ(m_dlg.GetCurrentPeriod()->GetEnd(), m_clock.Now());
}

class IdleOptionTest : public GuiTest {
protected:
    QTemporaryDir m_dir;
    CPunchwellApp m_app{m_dir.path().toStdString()};
    FakePrompts m_prompts;
};

TEST_F(IdleOptionTest, TheCheckBoxAndMinutesStoreIdleMinutesWithZeroForOff) {
    struct Step {
        int stored;      // IdleMinutes when the dialog opens
        bool checked;    // as it opens
        int shown;       // the spin box as it opens
        bool check;      // what the person leaves ticked
        int minutes;     // and in the spin box
        int storedAfter; // after OK
    };
    const Step steps[] = {
        {15, true, 15, false, 15, 0}, // unticked: off
        {0, false, 15, true, 40, 40}, // off opens at the usual 15
        {40, true, 40, true, 1, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.stored);
        m_app.Options().m_wIdleMinutes = static_cast<std::uint16_t>(s.stored);
        COptionsDlg dlg(m_app, m_prompts);
        dlg.show();
        auto* check = Child<QCheckBox>(&dlg, "idleCheck");
        auto* spin = Child<QSpinBox>(&dlg, "idleMinutesSpin");
        EXPECT_EQ(check->text(), QStringLiteral("Ask about idle time after"));
        EXPECT_FALSE(check->toolTip().isEmpty());
        EXPECT_EQ(check->isChecked(), s.checked);
        EXPECT_EQ(spin->value(), s.shown);
        EXPECT_EQ(spin->isEnabled(), s.checked);
        if (check->isChecked() != s.check)
            QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_EQ(spin->isEnabled(), s.check) << "the minutes follow the check box";
        spin->setValue(s.minutes);
        dlg.ApplyTo(m_app);
        EXPECT_EQ(m_app.GetOptions().m_wIdleMinutes, s.storedAfter);
    }
}

TEST_F(IdleOptionTest, WhereNoSourceWorksTheDialogSaysWhy) {
    COptionsDlg dlg(m_app, m_prompts);
    dlg.show();
    auto* note = Child<QLabel>(&dlg, "idleNoteLabel");
    EXPECT_FALSE(note->isVisible());
    dlg.SetIdleNote(QStringLiteral("no idle monitor <here>."));
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains(QStringLiteral("no idle monitor <here>.")));
    dlg.SetIdleNote({});
    EXPECT_FALSE(note->isVisible());
}

// The X screen saver extension of a real display: idle time grows while nobody types, and a
// key press starts it again from zero.
TEST(XScreenSaverIdleSource, IdleTimeGrowsAndAKeyPressResetsIt) {
#ifndef PUNCHWELL_HAVE_XSS
    GTEST_SKIP() << "built without libXss";
#else
    if (const QString missing = XSession::MissingTool(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    XSession x;
    ASSERT_TRUE(x.Start()) << x.Error().toStdString();
    auto source = CXScreenSaverIdleSource::Open(x.Display().toLocal8Bit());
    ASSERT_NE(source, nullptr) << "no screen saver extension on " << x.Display().toStdString();
    ASSERT_FALSE(x.Xdotool({QStringLiteral("key"), QStringLiteral("shift")}).isNull());
    const std::optional<std::int64_t> first = source->IdleSeconds();
    ASSERT_TRUE(first.has_value());
    EXPECT_LE(*first, 1);

    QTest::qWait(3200);
    const std::optional<std::int64_t> grown = source->IdleSeconds();
    ASSERT_TRUE(grown.has_value());
    EXPECT_GE(*grown, *first + 3);

    ASSERT_FALSE(x.Xdotool({QStringLiteral("key"), QStringLiteral("shift")}).isNull());
    const std::optional<std::int64_t> reset = source->IdleSeconds();
    ASSERT_TRUE(reset.has_value());
    EXPECT_LE(*reset, 1);
#endif
}

} // namespace
