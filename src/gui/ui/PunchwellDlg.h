#pragma once

#include "core/app/Desktop.h"
#include "core/timing/CheckIn.h"

#include <QDialog>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QTimer>

#include <cstdint>
#include <functional>

class CPunchwellApp;
class CPunchwellSession;
class CReportActions;
class CTask;
class CSystemTray;
class CIdleController;
class CModalToOwner;
class CDialogFitter;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
struct SessionChanges;

// The main window. It lives for the whole run: closing it only hides it, and the program
// ends through Exit alone. It draws the session's snapshot whenever the session says it
// changed, runs the clock that drives it, and forwards every command of the menus, the
// buttons, the shortcuts and the tray icon to it after asking the session's command gate.
class CPunchwellDlg : public QDialog, private Desktop {
    Q_OBJECT
public:
    static constexpr int kClockIntervalMs = 50;

    // When the window joins its session; see Attach.
    enum class Join { Now, Later };

    // Builds the window's menus and controls, hidden. Nothing in them depends on the data or
    // the options, so the program builds them with Join::Later while its data file is still
    // being read.
    explicit CPunchwellDlg(CPunchwellSession& session, Join join = Join::Now,
                           QWidget* parent = nullptr);
    ~CPunchwellDlg() override;

    // Joins the window to the session once the data is loaded: it then draws the session's
    // changes, puts up the tray icon and asks about time away, and its shortcuts reach it
    // while the program's own dialogs are open. Before Initialise; a second call does nothing.
    void Attach();

    // Start-up once the window exists, before it is shown: the project list, the first
    // state, a running period resumed or the project list offered, the relock armed, the
    // clock started.
    void Initialise();

    // Brings the window back from hidden or minimised and to the front.
    void ShowWindow();

    // The check-in operations other parts of the program use.
    bool CheckIn(const QString& name);
    bool CheckOut();
    bool IsCheckedIn() const;
    CDoneTask* GetCurrentPeriod() const;
    QString GetCurrentProject() const;
    CPunchwellSession& Session() { return m_session; }

    // Fills the project list from the store; no entry is selected afterwards.
    void FillProjectList();
    // Redraws buttons, menus, the texts and the tray icon from the session's state.
    void UpdateState();
    void ShowTrayIcon(bool shown);
    CSystemTray& Tray() { return *m_tray; }
    // Time away while checked in, and the question about it.
    CIdleController& Idle() { return *m_idle; }

    // The context menu as it is about to show for the current state.
    QMenu* PrepareContextMenu();

    // The keyboard shortcuts of the main window; a key press is also offered to them while
    // one of the program's dialogs is open over it (see eventFilter).
    bool DispatchShortcut(const QKeySequence& key);

public slots:
    void OnCheckInOut();
    void OnSwitch();
    void OnChangeStart();
    void OnAddProject();
    // Configure Projects, with the tray icon removed while it is open; the list is refilled
    // and the same position selected again afterwards.
    void OnConfigure();
    // Projects > View Records: a project is chosen, then its time records open.
    void OnViewRecords();
    void OpenTimeRecords(CTask& task);
    void OnAbout();
    // The Options dialog; its values go to the options on OK. The File menu's command also
    // removes the tray icon while it is open.
    void OnOptions();
    // The shutdown sequence of Exit: check out first; cancelled notes keep the program open.
    void OnExit();
    // Exit's work without ending: check out (and save), then the options. False keeps the
    // program open: the notes were cancelled, or the save failed and the person did not
    // choose to lose what it held. Also run when the desktop session ends.
    bool PrepareExit();
    // A way back to a locked program without the tray (a second start, the task bar): asks
    // for the password; the right one shows the window as the tray's Unlock does.
    void RequestUnlock();
    void accept() override;
    // Esc and the close request: the options are written, the window stays.
    void reject() override;

signals:
    // Exit has finished its work; the program should end now.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Locked: hidden when the tray can bring it back, else minimised to the task bar.
    void HideWhileLocked();
    // Takes a locked window off the screen and asks for the password.
    void HideAndAskForUnlock();
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    struct Shortcut {
        QKeySequence key;
        QAction* gate; // enabled state decides; null: always
        std::function<void()> run;
    };

    void CreateControls();
    void CreateMenus();
    void CreateContextMenu();
    void CreateTray();
    void CreateShortcuts();
    void AddSystemMenuItem();
    QAction* AddAction(QMenu* menu, const QString& text, const char* name, bool enabled = true);

    // Desktop
    bool OtherWindowOpen() const override;

    void OnSessionChanged(const SessionChanges& changes);
    void Redraw();
    void PushTexts();

    void OnTimer();
    // The report commands, run for one command each with this window as parent.
    CReportActions Reports();
    void OnProjectSelChange(int index);
    void OnTrayCheckInOut();
    void OnTraySwitch();
    void RefreshTray();
    ProjectChoice SelectedChoice() const;
    QString SelectedText() const;
    // The project checked in to, else the project the list shows; empty when none.
    QString CurrentProjectName() const;
    void SelectProjectEntry(int index);
    // Ctrl+A and F6 also arrive from the program's dialogs (and the tray's Configure item
    // while one is open): they wait until it is closed. True when refused, after saying so.
    bool RefuseOverAnotherDialog(const QString& text);

    CPunchwellSession& m_session;
    CPunchwellApp& m_app;
    bool m_attached = false;
    int m_listener = 0;
    CSystemTray* m_tray = nullptr;
    CIdleController* m_idle = nullptr;
    QTimer m_clock;
    int m_nFilling = 0; // list changes made by the program, not by the person
    QIcon m_hIcon;
    QIcon m_hLockedIcon;
    QList<Shortcut> m_shortcuts;
    CModalToOwner* m_modalToOwner = nullptr;
    CDialogFitter* m_dialogFitter = nullptr;

    QComboBox* m_cboProjects = nullptr;
    QLabel* m_elapsedLabel = nullptr;
    QLabel* m_checkedInLabel = nullptr;
    QLabel* m_checkedOutLabel = nullptr;
    QPushButton* m_btnCheckInOut = nullptr;
    QPushButton* m_btnSwitch = nullptr;
    QPushButton* m_btnReporting = nullptr;
    QPushButton* m_btnConfigure = nullptr;
    QPushButton* m_btnExit = nullptr;

    QMenuBar* m_menuBar = nullptr;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuTiming = nullptr;
    QMenu* m_menuReports = nullptr;
    QMenu* m_menuProjects = nullptr;
    QMenu* m_menuHelp = nullptr;
    QMenu* m_contextMenu = nullptr;

    QAction* m_actionLoadData = nullptr;
    QAction* m_actionSaveData = nullptr;
    QAction* m_actionRestoreBackup = nullptr;
    QAction* m_actionExportData = nullptr;
    QAction* m_actionOptions = nullptr;
    QAction* m_actionLock = nullptr;
    QAction* m_actionCloseWindow = nullptr;
    QAction* m_actionExit = nullptr;
    QAction* m_actionCheckInOut = nullptr;
    QAction* m_actionSwitch = nullptr;
    QAction* m_actionChangeStart = nullptr;
    QAction* m_actionCustomReport = nullptr;
    QAction* m_actionViewSavedReport = nullptr;
    QAction* m_actionPrintSavedReport = nullptr;
    QAction* m_actionAddProject = nullptr;
    QAction* m_actionViewRecords = nullptr;
    QAction* m_actionConfigure = nullptr;
    QAction* m_actionReporting = nullptr;
    QAction* m_actionStandardReport = nullptr;
    QAction* m_actionHelpContents = nullptr;
    QAction* m_actionHelpIndex = nullptr;
    QAction* m_actionAbout = nullptr;
    QAction* m_actionContextCheckInOut = nullptr;
    QAction* m_actionContextSwitch = nullptr;
};
