// The program lock in the main window: the lock command, the password dialogs, what stays
// out of reach while locked, the start-up relock, and Options opened from the window.
#include "GuiTestSupport.h"
#include "support/FakeClock.h"

#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DataFile.h"
#include "core/data/Password.h"
#include "core/platform/Clock.h"
#include "gui/app/PunchwellApplication.h"
#include "gui/app/QtPrompts.h"
#include "gui/app/SettingsOptionsStorage.h"
#include "gui/app/SingleInstance.h"
#include "gui/ui/PunchwellDlg.h"
#include "gui/ui/SystemTray.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

constexpr std::int32_t kT0 = 1700000000;

// Answers the modal windows that come up, in order, each by its title; every title seen is
// logged. Each step runs from a timer of its own, so a step whose click opens the next window
// (a message box over a dialog) is followed from inside that window's loop; a window is
// not acted on again until its step has returned.
class ModalScript {
public:
    using Step = std::pair<QString, std::function<void(QWidget*)>>;
    explicit ModalScript(std::deque<Step> steps) : m_steps(std::move(steps)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
        m_timer.start();
    }
    bool Done() const { return m_steps.empty() && m_running.isEmpty(); }
    const QStringList& Seen() const { return m_seen; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || m_steps.empty() || m_running.contains(modal))
            return;
        m_seen << modal->windowTitle();
        auto step = std::make_shared<Step>(std::move(m_steps.front()));
        m_steps.pop_front();
        EXPECT_EQ(modal->windowTitle(), step->first) << "windows in another order";
        m_running.append(modal);
        QPointer<QWidget> target(modal);
        QTimer::singleShot(0, &m_timer, [this, step, target] {
            if (target)
                step->second(target);
            m_running.removeIf(
                [&](const QPointer<QWidget>& w) { return w.isNull() || w == target; });
        });
    }
    std::deque<Step> m_steps;
    QStringList m_seen;
    QList<QPointer<QWidget>> m_running;
    QTimer m_timer;
};

void Click(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void AcceptBox(QWidget* box) {
    auto* mb = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(mb, nullptr);
    mb->button(mb->standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok)
        ->click();
}

// Types into the one password box (Enter The Password) or both (New Password), then OK.
std::function<void(QWidget*)> Type(QString first, QString second = {}) {
    return [first, second](QWidget* dlg) {
        if (auto* only = dlg->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))) {
            only->clear();
            QTest::keyClicks(only, first);
        } else {
            auto* one = dlg->findChild<QLineEdit*>(QStringLiteral("password1Edit"));
            auto* two = dlg->findChild<QLineEdit*>(QStringLiteral("password2Edit"));
            ASSERT_TRUE(one && two);
            one->clear();
            two->clear();
            QTest::keyClicks(one, first);
            QTest::keyClicks(two, second);
        }
        Click(dlg, "okButton");
    };
}

class LockTest : public GuiTest {
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
        auto task = std::make_unique<CTask>("Alpha");
        m_app.Store().AddTask(task);
        m_app.Options().m_bShowListOnStart = 0;
    }
    void Start() {
        m_dlg.Initialise();
        m_dlg.show();
        m_dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dlg));
    }
    // The flag the next start reads.
    std::uint16_t LockedOnDisk() const {
        CPunchwellApp reader(m_dataDir.path().toStdString());
        reader.LoadData();
        return reader.LockFlag();
    }
    static QSettings Settings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                         QStringLiteral("Punchwell"));
    }
    QAction* Action(const char* name) {
        return m_dlg.findChild<QAction*>(QString::fromLatin1(name));
    }
    // Nothing of the program can be reached: no window (without a tray, as here, it waits
    // minimised on the task bar), no shortcut, only Unlock in the tray.
    void ExpectEverythingOutOfReach() {
        EXPECT_EQ(m_app.LockFlag(), 1);
        EXPECT_TRUE(m_dlg.isMinimized());
        for (QKeySequence key : {QKeySequence(Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_O),
                                 QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::Key_F5),
                                 QKeySequence(Qt::CTRL | Qt::Key_L)})
            EXPECT_FALSE(m_dlg.DispatchShortcut(key)) << key.toString().toStdString();
        m_dlg.ShowWindow(); // only the password brings it back
        EXPECT_TRUE(m_dlg.isMinimized());
        CSystemTray& tray = m_dlg.Tray();
        EXPECT_EQ(tray.GetTooltipText(), QStringLiteral("Punchwell - Double-click to unlock"));
        tray.PrepareMenu();
        for (QAction* item : tray.Menu()->actions()) {
            if (!item->isSeparator()) {
                EXPECT_EQ(item->isEnabled(), item == tray.m_actionLock)
                    << item->text().toStdString();
            }
        }
        EXPECT_EQ(tray.m_actionLock->text(), QStringLiteral("Un&Lock Program"));
    }

    QTemporaryDir m_dataDir;
    SettingsOptionsStorage m_storage;
    QtPrompts m_prompts;
    FakeClock m_clock{kT0};
    CPunchwellSession m_session{m_dataDir.path().toStdString()};
    CPunchwellApp& m_app = m_session.App();
    CPunchwellDlg m_dlg{m_session};
};

TEST_F(LockTest, AskAgainClearedWrongPasswordsThenTheRightOne) {
    m_app.SetPassword("Secret");
    Start();
    bool askAgainShownChecked = false;
    {
        ModalScript script(
            {{QStringLiteral("Lock Program"), [&](QWidget* dlg) {
                  auto* check = dlg->findChild<QCheckBox*>(QStringLiteral("askAgainCheck"));
                  ASSERT_NE(check, nullptr);
                  askAgainShownChecked = check->isChecked();
                  // On the box itself: the control is as wide as the dialog.
                  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
                  Click(dlg, "yesButton");
              }}});
        QTest::keyClick(&m_dlg, Qt::Key_L, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 5000));
    }
    EXPECT_TRUE(askAgainShownChecked);
    EXPECT_EQ(m_app.GetOptions().m_bRemindLock, 0);
    EXPECT_EQ(Settings().value(QStringLiteral("Options/Remind Lock")).toInt(), 0);
    EXPECT_EQ(LockedOnDisk(), 1);
    ExpectEverythingOutOfReach();

    // Letter case counts; the mismatch repeats until the right password.
    {
        ModalScript script(
            {{QStringLiteral("Enter The Password"), Type(QStringLiteral("secret"))},
             {QStringLiteral("Password Mismatch"), AcceptBox},
             {QStringLiteral("Enter The Password"), Type(QStringLiteral("nope"))},
             {QStringLiteral("Password Mismatch"), AcceptBox},
             {QStringLiteral("Enter The Password"), Type(QStringLiteral("Secret"))}});
        // The same dialog stays open: the script meets it again after each box.
        m_dlg.Tray().OnActivated(QSystemTrayIcon::DoubleClick);
        EXPECT_TRUE(script.Done()) << script.Seen().join(QStringLiteral(", ")).toStdString();
    }
    EXPECT_EQ(m_app.LockFlag(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(LockedOnDisk(), 0);
    EXPECT_EQ(m_dlg.Tray().GetTooltipText(),
              QStringLiteral("Punchwell - Double-click to check in"));

    // Remind Lock off: the next lock takes the window away at once.
    Action("actionLock")->trigger();
    EXPECT_EQ(m_app.LockFlag(), 1);
    EXPECT_TRUE(m_dlg.isMinimized());
}

// Without a tray the locked window waits on the task bar; restoring it asks the password.
TEST_F(LockTest, RestoredFromTheTaskBarItAsksThePassword) {
    m_app.SetPassword("pw");
    m_app.Options().m_bRemindLock = 0;
    Start();
    Action("actionLock")->trigger();
    ASSERT_EQ(m_app.LockFlag(), 1);
    ASSERT_TRUE(m_dlg.isMinimized());
    {
        ModalScript script({{QStringLiteral("Enter The Password"),
                             [](QWidget* dlg) { Click(dlg, "cancelButton"); }}});
        m_dlg.showNormal();
        ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 5000));
    }
    QTest::qWait(50);
    ExpectEverythingOutOfReach();
    {
        ModalScript script({{QStringLiteral("Enter The Password"), Type(QStringLiteral("pw"))}});
        m_dlg.showNormal();
        ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 5000));
    }
    EXPECT_EQ(m_app.LockFlag(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.isMinimized());
}

TEST_F(LockTest, CancelAtUnlockAndAtTheCloseRequestStaysLocked) {
    m_app.SetPassword("pw");
    m_app.Options().m_bRemindLock = 0;
    Start();
    m_dlg.Tray().m_actionLock->trigger(); // the tray's item gives the same command
    ASSERT_EQ(m_app.LockFlag(), 1);
    {
        ModalScript script({{QStringLiteral("Enter The Password"),
                             [](QWidget* dlg) { Click(dlg, "cancelButton"); }}});
        Action("actionLock")->trigger();
        EXPECT_TRUE(script.Done());
    }
    ExpectEverythingOutOfReach();
    {
        // Another program asks the hidden window to close: the password, then Cancel.
        ModalScript script({{QStringLiteral("Enter The Password"),
                             [](QWidget* dlg) { Click(dlg, "cancelButton"); }}});
        m_dlg.close();
        EXPECT_TRUE(script.Done());
    }
    ExpectEverythingOutOfReach();
    EXPECT_EQ(LockedOnDisk(), 1);
    {
        ModalScript script({{QStringLiteral("Enter The Password"), Type(QStringLiteral("pw"))}});
        m_dlg.close();
        EXPECT_TRUE(script.Done());
    }
    // Unlocked, and the request went on as Cancel: the window stays up.
    EXPECT_EQ(m_app.LockFlag(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
}

TEST_F(LockTest, PasswordSetOnTheSpotThenConfirmedAndLocked) {
    Start();
    ModalScript script(
        {{QStringLiteral("Set Program Password?"), AcceptBox},
         {QStringLiteral("New Password"), Type(QStringLiteral("a"), QStringLiteral("b"))},
         {QStringLiteral("Password Mismatch"), AcceptBox},
         {QStringLiteral("New Password"), Type(QStringLiteral("ab"), QStringLiteral("ab"))},
         {QStringLiteral("Password Set"), AcceptBox},
         {QStringLiteral("Lock Program"), [](QWidget* dlg) { Click(dlg, "yesButton"); }}});
    Action("actionLock")->trigger();
    EXPECT_TRUE(script.Done()) << script.Seen().join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(m_app.GetPassword(), "ab");
    ExpectEverythingOutOfReach();
}

TEST_F(LockTest, StartingLockedShowsNothingAndAsksNothing) {
    m_app.SetPassword("pw");
    m_app.SetLockFlag(1); // as the data file said
    // The project list would be offered at a start that is not locked.
    m_app.Options().m_bShowListOnStart = 1;
    bool anyDialog = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            anyDialog = true;
            modal->close();
        }
    });
    watch.start();
    m_dlg.Initialise();
    m_dlg.ShowWindow(); // as start-up does next
    QTest::qWait(100);
    EXPECT_FALSE(anyDialog) << "no project list and no password before the person unlocks";
    ExpectEverythingOutOfReach();
    EXPECT_EQ(LockedOnDisk(), 1);
}

TEST_F(LockTest, RelockAfterALoadWaitsForAnOpenDialogThenAsksNothing) {
    m_app.SetPassword("pw");
    Start();
    m_app.SetLockFlag(1); // a loaded file said so
    m_session.Lock().ArmRelockIfLocked(m_clock.Now());
    EXPECT_EQ(m_app.LockFlag(), 0);
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_TRUE(m_session.RefusesCommands()) << "nothing until the relock has run";
    EXPECT_FALSE(m_dlg.DispatchShortcut(QKeySequence(Qt::Key_F6)));

    // A dialog open when the second turns: the relock waits for it, and locking is not
    // offered meanwhile.
    bool lockedWhileOpen = true;
    bool canLockWhileOpen = true;
    ModalScript script({{QStringLiteral("About Punchwell"), [&](QWidget* dlg) {
                             m_clock.advance(1);
                             QTest::qWait(400);
                             lockedWhileOpen = m_app.LockFlag() != 0;
                             canLockWhileOpen = m_session.CanLock();
                             dlg->close();
                         }}});
    Action("actionAbout")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_FALSE(lockedWhileOpen);
    EXPECT_FALSE(canLockWhileOpen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_app.LockFlag() != 0; }, 2000));
    ExpectEverythingOutOfReach();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no password asked";
}

TEST_F(LockTest, OptionsFromTheFileMenuWithoutTheTrayIconFromTheTrayWithIt) {
    Start();
    bool hiddenFromMenu = false;
    {
        ModalScript script(
            {{QStringLiteral("Options"), [&](QWidget* dlg) {
                  hiddenFromMenu = m_dlg.Tray().IsHidden();
                  dlg->findChild<QComboBox*>(QStringLiteral("minutesCombo"))->setCurrentIndex(9);
                  Click(dlg, "okButton");
              }}});
        QTest::keyClick(&m_dlg, Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 5000));
    }
    EXPECT_TRUE(hiddenFromMenu);
    EXPECT_FALSE(m_dlg.Tray().IsHidden());
    EXPECT_EQ(m_app.GetOptions().m_wAutoSaveIndex, 9);
    EXPECT_EQ(Settings().value(QStringLiteral("Options/AutoSave Seconds")).toInt(), 9);

    bool hiddenFromTray = true;
    {
        ModalScript script(
            {{QStringLiteral("Options"), [&](QWidget* dlg) {
                  hiddenFromTray = m_dlg.Tray().IsHidden();
                  dlg->findChild<QComboBox*>(QStringLiteral("weekStartCombo"))->setCurrentIndex(1);
                  Click(dlg, "cancelButton");
              }}});
        m_dlg.Tray().m_actionOptions->trigger();
        EXPECT_TRUE(script.Done());
    }
    EXPECT_FALSE(hiddenFromTray);
    EXPECT_EQ(m_app.GetOptions().m_wWeekStart, 0) << "Cancel changes nothing";
}

// A later start while locked asks the password in the running program; its file waits for
// the unlock and is then shown and loaded.
TEST_F(LockTest, ASecondStartWhileLockedAsksThePasswordAndItsFileWaitsForTheUnlock) {
    QTemporaryDir dir;
    {
        CPunchwellApp seed(dir.path().toStdString());
        auto task = std::make_unique<CTask>("Alpha");
        seed.Store().AddTask(task);
        seed.SetPassword("pw");
        seed.SetLockFlag(1);
        ASSERT_TRUE(seed.SaveData());
    }
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("Options/ShowListOnStart"), 0);
    settings.sync();

    SingleInstance instance(dir.path());
    ASSERT_EQ(instance.Acquire(), SingleInstance::Role::Primary);
    PunchwellApplication program(dir.path());
    program.Listen(instance);
    program.Start(QString());
    CPunchwellDlg* window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    // Locked from the start: nothing of the data shows (without a tray the window waits
    // minimised).
    EXPECT_NE(program.App().LockFlag(), 0);
    EXPECT_TRUE(!window->isVisible() || window->isMinimized());

    QString shownPath;
    ModalScript script({{QStringLiteral("Enter The Password"), Type(QStringLiteral("pw"))},
                        {QStringLiteral("Punchwell"),
                         [&](QWidget* box) {
                             shownPath = qobject_cast<QMessageBox*>(box)->text();
                             AcceptBox(box);
                         }},
                        {QStringLiteral("Load Data File"), [](QWidget* dlg) { dlg->close(); }}});
    QTemporaryDir configDir;
    const QString file = dir.filePath(QStringLiteral("other.pnd"));
    ASSERT_TRUE(WriteBytes(file, MakeDataFile({"Other"}, {})));
    QProcess second;
    second.setProcessEnvironment(ChildEnvironment(configDir.path()));
    second.start(PunchwellBinary(), {QStringLiteral("--data-dir"), dir.path(), file});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return second.state() == QProcess::NotRunning || second.waitForFinished(10); },
        10000));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }, 5000))
        << script.Seen().join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(shownPath.contains(QDir::toNativeSeparators(file))) << shownPath.toStdString();
    EXPECT_EQ(program.App().LockFlag(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

} // namespace
