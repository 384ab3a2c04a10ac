#include "gui/ui/PunchwellDlg.h"

#include "GuiTestSupport.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "gui/app/QtPrompts.h"
#include "gui/app/SettingsOptionsStorage.h"
#include "gui/ui/SystemTray.h"
#include "support/FakeClock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

namespace {

// 2023-11-14 22:13:20 UTC.
constexpr std::int32_t kT0 = 1700000000;

QStringList Strings(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// The visible top-level window with that title, or null.
QWidget* WindowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

// Runs `action` on the window titled `title` once it shows, from the event loop, so it can
// drive a dialog whose exec() is still running; records that it ran.
class WhenShown {
public:
    WhenShown(QString title, std::function<void(QWidget*)> action)
        : m_title(std::move(title)), m_action(std::move(action)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (QWidget* w = WindowTitled(m_title)) {
                m_timer.stop();
                m_ran = true;
                m_action(w);
            }
        });
        m_timer.start();
    }
    bool Ran() const { return m_ran; }

private:
    QString m_title;
    std::function<void(QWidget*)> m_action;
    QTimer m_timer;
    bool m_ran = false;
};

class PunchwellDlgTest : public GuiTest {
protected:
    void SetUp() override {
        QSettings settings = Settings();
        settings.clear();
        settings.sync();
        m_app.SetOptionsStorage(m_storage);
        m_app.SetPrompts(m_prompts);
        m_app.SetClock(&m_clock);
        m_prompts.SetApp(&m_app);
        m_prompts.SetOwner(&m_dlg);
        setenv("TZ", "UTC", 1);
        tzset();
    }

    // The store holds these projects (the first one at the head), then the window starts.
    void Start(const std::vector<std::string>& projects) {
        for (auto it = projects.rbegin(); it != projects.rend(); ++it) {
            auto task = std::make_unique<CTask>(*it);
            m_app.Store().AddTask(task);
        }
        m_app.Options().m_bShowListOnStart = 0;
        m_dlg.Initialise();
        ShowActive();
    }

    QAction* Action(const char* name) { return Child<QAction>(&m_dlg, name); }
    QComboBox* Combo() { return Child<QComboBox>(&m_dlg, "projectCombo"); }
    QString Text(const char* label) { return Child<QLabel>(&m_dlg, label)->text(); }
    QStringList ComboEntries() {
        QStringList entries;
        for (int i = 0; i < Combo()->count(); ++i)
            entries << Combo()->itemText(i);
        return entries;
    }
    // The periods in the data file on disk, head first.
    std::vector<CDoneTask> SavedPeriods() {
        CPunchwellApp reader(m_dataDir.path().toStdString());
        reader.LoadData();
        std::vector<CDoneTask> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back(*p);
        return out;
    }

    static QSettings Settings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                         QStringLiteral("Punchwell"));
    }
    static QVariant Stored(const char* name) {
        return Settings().value(QStringLiteral("Options/") + QLatin1String(name));
    }

    void ShowActive() {
        m_dlg.show();
        m_dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dlg));
    }

    QTemporaryDir m_dataDir;
    SettingsOptionsStorage m_storage;
    QtPrompts m_prompts;
    FakeClock m_clock{kT0};
    CPunchwellSession m_session{m_dataDir.path().toStdString()};
    CPunchwellApp& m_app = m_session.App();
    CPunchwellDlg m_dlg{m_session};
};

TEST_F(PunchwellDlgTest, IsTheTitledWindowWithAFileMenuEndingInExit) {
    EXPECT_EQ(m_dlg.objectName(), QStringLiteral("PunchwellDlg"));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Punchwell"));
    auto* menuFile = m_dlg.findChild<QMenu*>(QStringLiteral("menuFile"));
    ASSERT_NE(menuFile, nullptr);
    EXPECT_EQ(menuFile->title(), QStringLiteral("&File"));
    auto* menuBar = m_dlg.findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    EXPECT_TRUE(menuBar->actions().contains(menuFile->menuAction()));
    auto* exit = m_dlg.findChild<QAction*>(QStringLiteral("actionExit"));
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("E&xit"));
    ASSERT_FALSE(menuFile->actions().isEmpty());
    EXPECT_EQ(menuFile->actions().constLast(), exit);
}

TEST_F(PunchwellDlgTest, ExitWritesTheOptionsAndEndsTheProgram) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);
    m_app.Options().m_wWeekStart = 3;
    m_app.Options().m_strDefaultProject = "Garden";

    m_dlg.findChild<QAction*>(QStringLiteral("actionExit"))->trigger();

    EXPECT_EQ(exitSpy.count(), 1);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(Stored("WeekStart").toString(), QStringLiteral("3"));
    EXPECT_EQ(Stored("DefaultProject").toString(), QStringLiteral("Garden"));
    EXPECT_EQ(Stored("PageLines").toString(), QStringLiteral("15"));
}

TEST_F(PunchwellDlgTest, EscWritesTheOptionsAndKeepsTheWindow) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);
    m_app.Options().m_bAutoSwitch = 1;

    QTest::keyClick(&m_dlg, Qt::Key_Escape);

    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_EQ(Stored("AutoSwitch").toString(), QStringLiteral("1"));
}

TEST_F(PunchwellDlgTest, CloseHidesWithoutEndingAndShowBringsItBack) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);

    EXPECT_FALSE(m_dlg.close());
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_EQ(m_dlg.result(), 0);

    m_dlg.ShowWindow();
    EXPECT_TRUE(m_dlg.isVisible());

    m_dlg.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg.isMinimized(); }, 2000));
    m_dlg.ShowWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dlg.isMinimized(); }, 2000));
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
}

TEST_F(PunchwellDlgTest, MenusAndControlsFollowTheCheckInState) {
    Start({"Alpha", "Beta"});
    m_app.Options().m_bShowNotes = 0;
    EXPECT_EQ(ComboEntries(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                           QStringLiteral("New Project...")}));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Alpha"));
    auto* checkInOut = Child<QPushButton>(&m_dlg, "checkInOutButton");
    auto* switchButton = Child<QPushButton>(&m_dlg, "switchButton");
    QAction* timingCheckIn = Action("actionCheckInOut");
    QAction* timingSwitch = Action("actionSwitch");

    auto expectState = [&](bool in) {
        SCOPED_TRACE(in ? "checked in" : "checked out");
        EXPECT_EQ(checkInOut->text(),
                  in ? QStringLiteral("&Check Out") : QStringLiteral("&Check In"));
        EXPECT_EQ(timingCheckIn->text(),
                  in ? QStringLiteral("&Check Out\tAlt+C") : QStringLiteral("&Check In\tAlt+C"));
        EXPECT_EQ(timingSwitch->text(), QStringLiteral("&Switch\tCtrl+S"));
        EXPECT_EQ(timingSwitch->isEnabled(), in);
        EXPECT_EQ(switchButton->isEnabled(), in);
        // With AutoSwitch off the list cannot change while timing.
        EXPECT_EQ(Combo()->isEnabled(), !in);
        // The second line and the menu's title name the running project.
        EXPECT_EQ(m_dlg.Tray().GetTooltipText(),
                  in ? QStringLiteral("Punchwell - Double-click to check out\nAlpha \u2014 0:00:00")
                     : QStringLiteral("Punchwell - Double-click to check in"));
        EXPECT_EQ(m_dlg.Tray().m_actionTitle->text(),
                  in ? QStringLiteral("Alpha") : QStringLiteral("Not checked in"));
        EXPECT_FALSE(m_dlg.Tray().m_actionTitle->isEnabled());
        QMenu* context = m_dlg.PrepareContextMenu();
        EXPECT_EQ(context->actions().at(0)->text(),
                  in ? QStringLiteral("&Check Out") : QStringLiteral("&Check In"));
        EXPECT_EQ(context->actions().at(1)->isEnabled(), in);
        m_dlg.Tray().PrepareMenu();
        EXPECT_EQ(m_dlg.Tray().m_actionCheckInOut->text(),
                  in ? QStringLiteral("&Check Out") : QStringLiteral("&Check In"));
        EXPECT_EQ(m_dlg.Tray().m_actionSwitch->isEnabled(), in);
    };
    expectState(false);
    EXPECT_EQ(Text("elapsedLabel"), QStringLiteral("Click \"Check In\" to start timing"));
    EXPECT_EQ(Text("checkedInLabel"), QString());

    // Alt+C clicks the button (after its pressed look).
    QTest::keyClick(&m_dlg, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg.IsCheckedIn(); }, 2000));
    expectState(true);
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Alpha"));
    EXPECT_EQ(Text("checkedInLabel"), QStringLiteral("November 14, 22:13:20"));
    EXPECT_EQ(Text("elapsedLabel"), QStringLiteral("0 hours, 0 minutes, 0 seconds"));

    // The clock works once per new second.
    m_clock.advance(62);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Text("elapsedLabel") == QStringLiteral("0 hours, 1 minutes, 2 seconds"); },
        2000));
    EXPECT_EQ(m_dlg.GetCurrentPeriod()->GetEnd(), kT0 + 62);
    EXPECT_EQ(m_dlg.Tray().GetTooltipText(),
              QStringLiteral("Punchwell - Double-click to check out\nAlpha \u2014 0:01:02"));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Punchwell"));

    timingCheckIn->trigger();
    expectState(false);
    EXPECT_EQ(Text("checkedOutLabel"), QStringLiteral("November 14, 22:14:22"));
    ASSERT_EQ(SavedPeriods().size(), 1U);
    EXPECT_EQ(SavedPeriods()[0].GetDuration(), 62);

    // With AutoSwitch on, choosing in the list moves the clock to that project at once.
    m_app.Options().m_bAutoSwitch = 1;
    Combo()->setCurrentIndex(1);
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Beta"));
    EXPECT_TRUE(Combo()->isEnabled());
    Combo()->setCurrentIndex(0);
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Alpha"));
    EXPECT_EQ(SavedPeriods().size(), 3U);
}

TEST_F(PunchwellDlgTest, MenuBarHoldsEveryCommandAndEachIsAvailable) {
    Start({"Alpha"});
    auto texts = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    auto* bar = m_dlg.findChild<QMenuBar*>();
    QStringList titles;
    for (QAction* a : bar->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Timing"),
                                   QStringLiteral("&Reports"), QStringLiteral("&Projects"),
                                   QStringLiteral("&Help")}));
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuFile")),
              Strings({"&Load Data...\tF5", "&Save Data...\tF7", "&Restore From Backup...", "-",
                       "Export Data as Text...\tShift+F7", "-", "Options...\tCtrl+O",
                       "Lock &Program\tCtrl+L", "-", "&Close Window\tAlt+F4", "E&xit"}));
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuReports")),
              Strings({"&All Projects", "Single Project", "Custom Report...\tF2", "-",
                       "View Saved Report...\tCtrl+Shift+V", "Print Saved Report...\tCtrl+P"}));
    const QStringList periods =
        Strings({"To&day", "This &Week", "This &Month", "This &Year", "&Total"});
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuAllProjects")), periods);
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuSingleProject")), periods);
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuProjects")),
              Strings({"&Add...\tCtrl+A", "View Records...\tCtrl+R", "-", "Configure...\tF6"}));
    EXPECT_EQ(texts(Child<QMenu>(&m_dlg, "menuHelp")),
              Strings({"&Contents\tF1", "&Index...", "-", "&About..."}));
    EXPECT_EQ(texts(m_dlg.PrepareContextMenu()),
              Strings({"&Check In", "&Switch...", "-", "Standard &Report...", "Custom R&eport...",
                       "-", "Con&figure..."}));
    EXPECT_EQ(texts(m_dlg.Tray().Menu()),
              Strings({"Not checked in", "-", "&Check In/Out", "&Switch...", "-",
                       "Show Program &Window", "&Lock/Unlock Program", "Reporting...", "-",
                       "Configure &Projects...", "&Options...", "-", "&About...", "E&xit"}));

    for (const char* name :
         {"actionCustomReport", "actionViewSavedReport", "actionPrintSavedReport",
          "actionReporting", "actionReportAllToday", "actionReportSingleTotal",
          "actionContextCustomReport", "actionContextStandardReport"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    EXPECT_TRUE(Child<QPushButton>(&m_dlg, "reportingButton")->isEnabled());
    // Disabling a command's action disables every place that gives it.
    Action("actionConfigure")->setEnabled(false);
    EXPECT_FALSE(Child<QPushButton>(&m_dlg, "configureButton")->isEnabled());
    EXPECT_FALSE(Action("actionContextConfigure")->isEnabled());
    Action("actionConfigure")->setEnabled(true);
    EXPECT_TRUE(Child<QPushButton>(&m_dlg, "configureButton")->isEnabled());
    EXPECT_TRUE(Action("actionContextConfigure")->isEnabled());
    m_dlg.Tray().PrepareMenu();
    EXPECT_TRUE(m_dlg.Tray().m_actionConfigure->isEnabled());
    EXPECT_TRUE(m_dlg.Tray().m_actionOptions->isEnabled());
    EXPECT_TRUE(m_dlg.Tray().m_actionLock->isEnabled());
    EXPECT_TRUE(m_dlg.Tray().m_actionReporting->isEnabled());
    EXPECT_TRUE(m_dlg.Tray().m_actionExit->isEnabled());

    EXPECT_EQ(Child<QPushButton>(&m_dlg, "exitButton")->toolTip(),
              QStringLiteral("Quits the program"));
    EXPECT_EQ(Combo()->toolTip(),
              QStringLiteral("Use this box to select the project you want to check into"));
}

TEST_F(PunchwellDlgTest, NewProjectFromTheListIsAddedSelectedAndTimed) {
    Start({});
    EXPECT_EQ(ComboEntries(), QStringList{QStringLiteral("New Project...")});
    EXPECT_EQ(Combo()->currentIndex(), 0);

    WhenShown add(QStringLiteral("Add A Project"), [](QWidget* dlg) {
        auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("nameEdit"));
        QTest::keyClicks(name, QStringLiteral("Garden"));
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    Child<QPushButton>(&m_dlg, "checkInOutButton")->click();
    ASSERT_TRUE(add.Ran());
    EXPECT_EQ(ComboEntries(),
              (QStringList{QStringLiteral("Garden"), QStringLiteral("New Project...")}));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Garden"));
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Garden"));
    CPunchwellApp reader(m_dataDir.path().toStdString());
    reader.LoadData();
    EXPECT_NE(reader.Store().FindTask("Garden"), nullptr);
    ASSERT_EQ(reader.Store().GetDoneCount(), 1U);
    EXPECT_TRUE(reader.Store().DoneTasks().front()->IsRunning());
}

TEST_F(PunchwellDlgTest, ProjectsAddKeepsTheSelectionAndDoesNotCheckIn) {
    Start({"Alpha", "Beta"});
    Combo()->setCurrentIndex(1);
    WhenShown add(QStringLiteral("Add A Project"), [](QWidget* dlg) {
        QTest::keyClicks(dlg->findChild<QLineEdit*>(QStringLiteral("nameEdit")),
                         QStringLiteral("Cellar"));
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    QTest::keyClick(&m_dlg, Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(add.Ran());
    EXPECT_EQ(ComboEntries(),
              (QStringList{QStringLiteral("Cellar"), QStringLiteral("Alpha"),
                           QStringLiteral("Beta"), QStringLiteral("New Project...")}));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Beta"));
    EXPECT_FALSE(m_dlg.IsCheckedIn());
}

TEST_F(PunchwellDlgTest, ExitWithCancelInTheNotesStaysOpenAndTiming) {
    Start({"Alpha"});
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Alpha")));
    m_dlg.UpdateState();
    CDoneTask* period = m_dlg.GetCurrentPeriod();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);

    bool trayHidden = false;
    WhenShown cancel(QStringLiteral("Notes For Alpha"), [&](QWidget* dlg) {
        trayHidden = m_dlg.Tray().IsHidden();
        dlg->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    });
    Action("actionExit")->trigger();
    ASSERT_TRUE(cancel.Ran());
    EXPECT_TRUE(trayHidden);
    EXPECT_FALSE(m_dlg.Tray().IsHidden());
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(m_dlg.GetCurrentPeriod(), period);
    EXPECT_EQ(Child<QPushButton>(&m_dlg, "checkInOutButton")->text(), QStringLiteral("&Check Out"));

    // Ctrl+S while the notes are open must not start another check-out; the notes and the
    // check box then go with OK.
    m_clock.advance(90);
    bool noSwitch = false;
    WhenShown ok(QStringLiteral("Notes For Alpha"), [&](QWidget* dlg) {
        auto* edit = dlg->findChild<QPlainTextEdit*>(QStringLiteral("notesEdit"));
        QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
        QTest::qWait(50);
        noSwitch = WindowTitled(QStringLiteral("Select Project")) == nullptr &&
                   QApplication::activeModalWidget() == dlg;
        QTest::keyClicks(edit, QStringLiteral("Pruned"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("the roses"));
        dlg->findChild<QCheckBox*>(QStringLiteral("showNotesCheck"))->setChecked(false);
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    Child<QPushButton>(&m_dlg, "exitButton")->click();
    ASSERT_TRUE(ok.Ran());
    EXPECT_TRUE(noSwitch);
    EXPECT_EQ(exitSpy.count(), 1);
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0].GetNotes(), "Pruned\r\nthe roses");
    EXPECT_EQ(saved[0].GetDuration(), 90);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(Stored("Show Notes").toString(), QStringLiteral("0"));
}

TEST_F(PunchwellDlgTest, ChangeStartTimeMovesTheRunningPeriodBack) {
    Start({"Alpha"});
    QAction* changeStart = Action("actionChangeStart");
    EXPECT_FALSE(changeStart->isEnabled());
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Alpha")));
    m_dlg.UpdateState();
    EXPECT_TRUE(changeStart->isEnabled());
    m_clock.advance(60);

    ModalDriver edit([](QWidget* modal) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Edit Period"));
        // Only the start of a running period moves.
        EXPECT_FALSE(Child<QDateTimeEdit>(modal, "endEdit")->isEnabled());
        auto* start = Child<QDateTimeEdit>(modal, "startEdit");
        EXPECT_TRUE(QTest::qWaitFor([start] { return start->hasFocus(); }, 2000));
        QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(start, QStringLiteral("11/14/2023 20:00:00")); // 2h13m20s earlier
        QTest::keyClick(start, Qt::Key_Return);
    });
    changeStart->trigger();
    ASSERT_TRUE(edit.Ran());
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_TRUE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetStart(), kT0 - 8000);
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    m_clock.advance(1);
    m_session.Tick();
    EXPECT_EQ(Text("elapsedLabel"), QStringLiteral("2 hours, 14 minutes, 21 seconds"));
}

TEST_F(PunchwellDlgTest, ShortcutsReachTheWindowFromTheProgramsDialogs) {
    Start({"Alpha", "Beta"});
    // Ctrl+S with the About box open: Switch runs behind it, grayed menu item or not.
    bool trayHiddenInAbout = false;
    WhenShown pick(QStringLiteral("Select Project"), [](QWidget* dlg) {
        auto* list = dlg->findChild<QListWidget*>(QStringLiteral("projectList"));
        list->setCurrentRow(1);
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    WhenShown about(QStringLiteral("About Punchwell"), [&](QWidget* dlg) {
        trayHiddenInAbout = m_dlg.Tray().IsHidden();
        QTest::keyClick(dlg, Qt::Key_S, Qt::ControlModifier);
        dlg->close();
    });
    Action("actionAbout")->trigger();
    ASSERT_TRUE(about.Ran());
    ASSERT_TRUE(pick.Ran());
    EXPECT_TRUE(trayHiddenInAbout);
    EXPECT_FALSE(m_dlg.Tray().IsHidden());
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Beta"));
    // A shortcut whose command is disabled does nothing.
    Action("actionConfigure")->setEnabled(false);
    EXPECT_FALSE(m_dlg.DispatchShortcut(QKeySequence(Qt::Key_F6)));
    Action("actionConfigure")->setEnabled(true);

    // Ctrl+A in a text box of a dialog selects its text and opens no second dialog.
    int addDialogs = 0;
    bool selectedAll = false;
    WhenShown add(QStringLiteral("Add A Project"), [&](QWidget* dlg) {
        ++addDialogs;
        auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("nameEdit"));
        QTest::keyClicks(name, QStringLiteral("Cellar"));
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::qWait(50);
        selectedAll = name->selectedText() == QStringLiteral("Cellar") &&
                      QApplication::activeModalWidget() == dlg;
        dlg->close();
    });
    Action("actionAddProject")->trigger();
    ASSERT_TRUE(add.Ran());
    EXPECT_TRUE(selectedAll);
    EXPECT_EQ(addDialogs, 1);
    EXPECT_EQ(m_app.Store().GetTaskCount(), 2U);
}

TEST_F(PunchwellDlgTest, TrayDoubleClickSwitchesInAndChecksOut) {
    Start({"Alpha", "Beta"});
    CSystemTray& tray = m_dlg.Tray();
    EXPECT_EQ(tray.GetTooltipText(), QStringLiteral("Punchwell - Double-click to check in"));

    bool hiddenWhileChoosing = false;
    WhenShown pick(QStringLiteral("Select Project"), [&](QWidget* dlg) {
        hiddenWhileChoosing = tray.IsHidden();
        dlg->findChild<QListWidget*>(QStringLiteral("projectList"))->setCurrentRow(1);
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    tray.OnActivated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(pick.Ran());
    EXPECT_TRUE(hiddenWhileChoosing);
    EXPECT_EQ(m_dlg.GetCurrentProject(), QStringLiteral("Beta"));
    EXPECT_EQ(tray.GetTooltipText(),
              QStringLiteral("Punchwell - Double-click to check out\nBeta \u2014 0:00:00"));
    EXPECT_FALSE(tray.IsHidden());

    WhenShown notes(QStringLiteral("Notes For Beta"), [](QWidget* dlg) {
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    tray.OnActivated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(notes.Ran());
    EXPECT_FALSE(m_dlg.IsCheckedIn());
    EXPECT_EQ(tray.GetTooltipText(), QStringLiteral("Punchwell - Double-click to check in"));

    // Show Program Window brings the hidden window back.
    m_dlg.close();
    EXPECT_FALSE(m_dlg.isVisible());
    tray.m_actionShowWindow->trigger();
    EXPECT_TRUE(m_dlg.isVisible());

    // Locked: the padlock image, only unlocking offered.
    m_app.SetLockFlag(1);
    m_dlg.UpdateState();
    EXPECT_EQ(tray.GetTooltipText(), QStringLiteral("Punchwell - Double-click to unlock"));
    tray.PrepareMenu();
    for (QAction* item : tray.Menu()->actions()) {
        if (!item->isSeparator()) {
            EXPECT_EQ(item->isEnabled(), item == tray.m_actionLock) << item->text().toStdString();
        }
    }
    EXPECT_EQ(tray.m_actionLock->text(), QStringLiteral("Un&Lock Program"));
    QSignalSpy unlock(&tray, &CSystemTray::unlockRequested);
    // The password is asked for; Cancel keeps the lock.
    WhenShown password(QStringLiteral("Enter The Password"), [](QWidget* dlg) { dlg->close(); });
    tray.OnActivated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(password.Ran());
    EXPECT_EQ(unlock.count(), 1);
    EXPECT_EQ(m_app.LockFlag(), 1);
    m_app.SetLockFlag(0);
}

TEST_F(PunchwellDlgTest, ARunningPeriodIsResumedAtStartUp) {
    auto task = std::make_unique<CTask>("Alpha");
    m_app.Store().AddTask(task);
    auto period = std::make_unique<CDoneTask>("Alpha", "");
    period->Begin(kT0 - 3600);
    period->SetEnd(kT0 - 600);
    m_app.Store().AddDoneTask(period);
    m_dlg.Initialise();
    ShowActive();
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(Text("checkedInLabel"), QStringLiteral("November 14, 21:13:20"));
    EXPECT_EQ(Text("elapsedLabel"), QStringLiteral("1 hours, 0 minutes, 0 seconds"));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Alpha"));
    EXPECT_FALSE(Combo()->isEnabled());
}

// Takes the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(PunchwellDlgTest, CheckInOpensTheAssociatedFileThroughTheDesktopAndNeverComplains) {
    Start({"Alpha"});
    CTask* alpha = m_app.Store().FindTask("Alpha");
    alpha->SetFile("missing/plan.txt"); // relative and not there
    alpha->SetFileUsed(1);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    Child<QPushButton>(&m_dlg, "checkInOutButton")->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath(
                                QStringLiteral("missing/plan.txt")))});
}

} // namespace

#include "PunchwellDlgTest.moc"

namespace {

TEST_F(PunchwellDlgTest, ConfigureAndViewRecordsFromTheMainWindow) {
    Start({"Alpha", "Beta"});
    Combo()->setCurrentIndex(1);
    // F6 opens Configure Projects with the tray icon gone; a project added there is in the
    // list afterwards, and the same position is selected again.
    bool trayHidden = false;
    WhenShown configure(QStringLiteral("Configure Projects"), [&](QWidget* dlg) {
        trayHidden = m_dlg.Tray().IsHidden();
        WhenShown add(QStringLiteral("Add A Project"), [](QWidget* project) {
            QTest::keyClicks(project->findChild<QLineEdit*>(QStringLiteral("nameEdit")),
                             QStringLiteral("Cellar"));
            project->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        dlg->findChild<QPushButton*>(QStringLiteral("addButton"))->click();
        EXPECT_TRUE(add.Ran());
        dlg->findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    });
    EXPECT_TRUE(m_dlg.DispatchShortcut(QKeySequence(Qt::Key_F6)));
    ASSERT_TRUE(configure.Ran());
    EXPECT_TRUE(trayHidden);
    EXPECT_FALSE(m_dlg.Tray().IsHidden());
    EXPECT_EQ(ComboEntries(), Strings({"Cellar", "Alpha", "Beta", "New Project..."}));
    EXPECT_EQ(Combo()->currentIndex(), 1);
    EXPECT_EQ(SavedPeriods().size(), 0u); // saved once on closing, with no periods yet
    CPunchwellApp reader(m_dataDir.path().toStdString());
    reader.LoadData();
    EXPECT_NE(reader.Store().FindTask("Cellar"), nullptr);

    // Ctrl+R: choose a project, then its time records.
    bool recordsShown = false;
    WhenShown select(QStringLiteral("Select Project"), [](QWidget* dlg) {
        auto* list = dlg->findChild<QListWidget*>(QStringLiteral("projectList"));
        list->setCurrentItem(list->findItems(QStringLiteral("Beta"), Qt::MatchExactly).first());
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    WhenShown records(QStringLiteral("Time Records For: Beta"), [&](QWidget* dlg) {
        recordsShown = true;
        dlg->close();
    });
    EXPECT_TRUE(m_dlg.DispatchShortcut(QKeySequence(Qt::CTRL | Qt::Key_R)));
    EXPECT_TRUE(select.Ran());
    EXPECT_TRUE(recordsShown);
}

// A window of the program's own outside the main window, as the notification-area icon is
// on X11; it records the clicks that reach it.
class IconWindow : public QWidget {
public:
    IconWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) { resize(22, 22); }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST_F(PunchwellDlgTest, TheIconAnswersClicksWhileDialogsThatLeaveItAreOpen) {
    Start({"Alpha"});
    IconWindow icon;
    icon.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&icon));
    // Clicks as the window system delivers them reach it while no dialog is open.
    QTest::mouseClick(icon.windowHandle(), Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_EQ(icon.presses, 1);
    int pressesDuring = -1;
    bool mainWindowBlocked = false;
    WhenShown records(QStringLiteral("Time Records For: Alpha"), [&](QWidget* dlg) {
        // Clicks as the window system delivers them, so a blocked window gets none.
        QTest::mouseClick(icon.windowHandle(), Qt::RightButton, {}, QPoint(5, 5));
        pressesDuring = icon.presses - 1;
        // The window below the dialog stays blocked: a click on Exit does nothing.
        QSignalSpy exits(&m_dlg, &CPunchwellDlg::exitRequested);
        auto* exit = Child<QPushButton>(&m_dlg, "exitButton");
        QTest::mouseClick(m_dlg.windowHandle(), Qt::LeftButton, {},
                          exit->mapTo(&m_dlg, exit->rect().center()));
        mainWindowBlocked = exits.isEmpty() && QApplication::activeModalWidget() == dlg;
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    m_dlg.OpenTimeRecords(*m_app.Store().FindTask("Alpha"));
    ASSERT_TRUE(records.Ran());
    EXPECT_EQ(pressesDuring, 1);
    EXPECT_TRUE(mainWindowBlocked);
}

TEST_F(PunchwellDlgTest, AddAndConfigureWaitUntilTheOpenDialogIsClosed) {
    Start({"Alpha"});
    struct Case {
        const char* what;
        QKeySequence key;
        QString message;
    };
    const Case cases[] = {
        {"Ctrl+A", QKeySequence(Qt::CTRL | Qt::Key_A),
         QStringLiteral("Please close the open dialog before you add a project.")},
        {"F6", QKeySequence(Qt::Key_F6),
         QStringLiteral("Please close the open dialog before you configure the projects.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString said;
        bool otherDialog = false;
        WhenShown options(QStringLiteral("Options"), [&](QWidget* dlg) {
            // The key typed on a check box of the dialog, as a person would.
            auto* check = dlg->findChild<QCheckBox*>(QStringLiteral("autoSwitchCheck"));
            check->setFocus();
            QTimer poll;
            poll.setInterval(10);
            QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                        said = box->text();
                        poll.stop();
                        QTest::keyClick(box, Qt::Key_Return);
                        return;
                    }
                    if (w->isVisible() &&
                        (w->windowTitle() == QStringLiteral("Add A Project") ||
                         w->windowTitle() == QStringLiteral("Configure Projects")))
                        otherDialog = true;
                }
            });
            poll.start();
            QTest::keyClick(check, c.key[0].key(), c.key[0].keyboardModifiers());
            EXPECT_TRUE(QTest::qWaitFor([&] { return !said.isEmpty(); }, 2000));
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        Action("actionOptions")->trigger();
        ASSERT_TRUE(options.Ran());
        EXPECT_EQ(said, c.message);
        EXPECT_FALSE(otherDialog);
        EXPECT_EQ(m_app.Store().GetTaskCount(), 1u);
    }
}

TEST_F(PunchwellDlgTest, AltROpensTheReportingDialogAtTheFirstPress) {
    Start({"Alpha"});
    // From the project list, the focus where the window starts; the Reports menu stays shut.
    Combo()->setFocus();
    bool menuOpened = false;
    WhenShown reports(QStringLiteral("Reports"), [&](QWidget* dlg) {
        menuOpened = Child<QMenu>(&m_dlg, "menuReports")->isVisible();
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    QTest::keyClick(Combo(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.Ran(); }, 2000));
    EXPECT_FALSE(menuOpened);
}

TEST_F(PunchwellDlgTest, CtrlRThenEnterOpensTheRecordsOfTheCurrentProject) {
    Start({"Alpha", "Beta", "Cellar"});
    m_app.Options().m_bShowNotes = 0;
    struct Case {
        const char* what;
        int comboIndex;       // what the main window's list shows (-1: nothing)
        const char* checkIn;  // checked in to this project first, or null
        const char* expected; // whose records Enter opens
    };
    const Case cases[] = {
        {"the project the list shows", 2, nullptr, "Cellar"},
        {"the project checked in to", 0, "Beta", "Beta"},
        {"New Project... shown: the first", 3, nullptr, "Alpha"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.checkIn != nullptr)
            m_dlg.CheckIn(QString::fromLatin1(c.checkIn));
        m_dlg.UpdateState();
        if (c.checkIn == nullptr)
            Combo()->setCurrentIndex(c.comboIndex);
        ShowActive(); // the keys go to the active window
        QString opened;
        WhenShown select(QStringLiteral("Select Project"), [](QWidget* dlg) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dlg,
                            Qt::Key_Return);
        });
        WhenShown records(QStringLiteral("Time Records For: ") + QLatin1String(c.expected),
                          [&](QWidget* dlg) {
                              opened = QString::fromLatin1(c.expected);
                              QTest::keyClick(dlg, Qt::Key_Escape);
                          });
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &m_dlg,
                        Qt::Key_R, Qt::ControlModifier);
        EXPECT_TRUE(select.Ran());
        EXPECT_EQ(opened, QString::fromLatin1(c.expected));
        if (c.checkIn != nullptr)
            m_dlg.CheckOut();
        m_dlg.UpdateState();
    }
}

} // namespace

namespace {

TEST_F(PunchwellDlgTest, ReportCommandsOpenTheirDialogsFromMenusContextAndStatus) {
    Start({"Alpha"});
    struct Case {
        const char* action;
        const char* firstDialog;
    };
    for (const Case c :
         {Case{"actionReportAllWeek", "Choose Report Options"},
          Case{"actionCustomReport", "Generate Custom Report"}, Case{"actionReporting", "Reports"},
          Case{"actionContextStandardReport", "Reports"}}) {
        SCOPED_TRACE(c.action);
        WhenShown first(QString::fromLatin1(c.firstDialog), [](QWidget* dlg) { dlg->close(); });
        Action(c.action)->trigger();
        EXPECT_TRUE(first.Ran());
    }
    // The Status For dialog of the time records leads on to the Reports dialog.
    bool reportsShown = false;
    WhenShown status(QStringLiteral("Status For Alpha"), [&](QWidget* dlg) {
        auto* reporting = dlg->findChild<QPushButton*>(QStringLiteral("reportingButton"));
        EXPECT_TRUE(reporting->isEnabled());
        WhenShown reports(QStringLiteral("Reports"), [&](QWidget* r) {
            reportsShown = true;
            r->close();
        });
        reporting->click();
        dlg->close();
    });
    WhenShown records(QStringLiteral("Time Records For: Alpha"), [](QWidget* dlg) {
        dlg->findChild<QPushButton*>(QStringLiteral("statusButton"))->click();
        dlg->close();
    });
    m_dlg.OpenTimeRecords(*m_app.Store().FindTask("Alpha"));
    EXPECT_TRUE(records.Ran());
    EXPECT_TRUE(status.Ran());
    EXPECT_TRUE(reportsShown);
}

// The real file operations, except that writes fail for want of space while `full` is set.
class FullDisk final : public FileOps {
public:
    bool full = false;
    int CreateTemp(const std::string& directory, const std::string& baseName, std::string& tempPath,
                   long long& handle) override {
        return m_real.CreateTemp(directory, baseName, tempPath, handle);
    }
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        if (full) {
            written = 0;
            return ENOSPC;
        }
        return m_real.Write(handle, data, size, written);
    }
    int Sync(long long handle) override { return m_real.Sync(handle); }
    int Close(long long handle) override { return m_real.Close(handle); }
    int Rename(const std::string& from, const std::string& to) override {
        return m_real.Rename(from, to);
    }
    int Remove(const std::string& path) override { return m_real.Remove(path); }
    int SyncDirectory(const std::string& directory) override {
        return m_real.SyncDirectory(directory);
    }

private:
    FileOps& m_real = SystemFileOps();
};

void ClickBox(QWidget* box, QMessageBox::StandardButton button) {
    auto* mb = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(mb, nullptr);
    mb->button(button)->click();
}

// Exit on a full disk: the program stays, checked out with the notes in memory, until the
// person frees space and the retry saves it.
TEST_F(PunchwellDlgTest, ExitOnAFullDiskStaysOpenUntilTheRetrySaves) {
    FullDisk disk;
    m_app.SetFileOps(&disk);
    Start({"Alpha"});
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Alpha")));
    m_dlg.UpdateState();
    CDoneTask* period = m_dlg.GetCurrentPeriod();
    m_clock.advance(600);
    disk.full = true;
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);

    QString said;
    WhenShown notes(QStringLiteral("Notes For Alpha"), [&](QWidget* dlg) {
        QTest::keyClicks(dlg->findChild<QPlainTextEdit*>(QStringLiteral("notesEdit")),
                         QStringLiteral("pruned"));
        dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    std::unique_ptr<WhenShown> lose;
    WhenShown notSaved(QStringLiteral("Data Not Saved"), [&](QWidget* box) {
        said = qobject_cast<QMessageBox*>(box)->text();
        // Its default answer, Yes, keeps the program open.
        lose = std::make_unique<WhenShown>(QStringLiteral("Exit Without Saving"),
                                           [](QWidget* b) { ClickBox(b, QMessageBox::Yes); });
        ClickBox(box, QMessageBox::No);
    });
    Action("actionExit")->trigger();
    ASSERT_TRUE(notes.Ran());
    ASSERT_TRUE(notSaved.Ran());
    ASSERT_TRUE(lose && lose->Ran());
    EXPECT_NE(said.indexOf(QStringLiteral("Disk full while accessing")), -1) << said.toStdString();
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsCheckedIn());
    EXPECT_FALSE(period->IsRunning());
    EXPECT_EQ(period->GetNotes(), "pruned");
    ASSERT_EQ(SavedPeriods().size(), 1u);
    EXPECT_TRUE(SavedPeriods()[0].IsRunning()); // the file is as the check-in left it

    // Exit again once space is free: the retry saves the check-out and its notes, then ends.
    WhenShown retry(QStringLiteral("Data Not Saved"), [&](QWidget* box) {
        disk.full = false;
        ClickBox(box, QMessageBox::Yes);
    });
    Action("actionExit")->trigger();
    EXPECT_TRUE(retry.Ran());
    EXPECT_EQ(exitSpy.count(), 1);
    const std::vector<CDoneTask> saved = SavedPeriods();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(saved[0].GetEnd(), kT0 + 600);
    EXPECT_EQ(saved[0].GetNotes(), "pruned");
}

} // namespace
