#pragma once

#include "core/timing/CheckIn.h"
#include "core/timing/CheckInView.h"

#include <QDialog>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QTimer>

#include <cstdint>
#include <functional>

class CPunchwellApp;
class CReportActions;
class CTask;
class CDataCommands;
class CSystemTray;
class CLockController;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;

// The main window. It lives for the whole run: closing it only hides it, and the program
// ends through Exit alone. It shows the check-in state that CCheckIn keeps, runs its clock,
// and is where every command of the menus, the buttons, the shortcuts and the tray icon goes.
class CPunchwellDlg : public QDialog, private CheckInView {
    Q_OBJECT
public:
    static constexpr int kClockIntervalMs = 50;

    explicit CPunchwellDlg(CPunchwellApp& app, QWidget* parent = nullptr);
    ~CPunchwellDlg() override;

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
    CCheckIn& CheckInState() { return m_checkIn; }

    void FillProjectList() override;
    void UpdateState() override;
    void ShowTrayIcon(bool shown) override;
    CSystemTray& Tray() { return *m_tray; }
    // The program lock; while it refuses commands nothing else of the program is reached.
    CLockController& LockControl() { return *m_lock; }
    // Save Data, Export Data as Text and the load procedure.
    CDataCommands& DataCommands() { return *m_dataCommands; }

    // The context menu as it is about to show for the current state.
    QMenu* PrepareContextMenu();

    // The keyboard shortcuts of the main window; a key press is also offered to them while
    // one of the program's dialogs is open over it (see eventFilter).
    bool DispatchShortcut(const QKeySequence& key);

public slots:
    void OnCheckInOut();
    void OnSwitch();
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
    void accept() override;
    // Esc and the close request: the options are written, the window stays.
    void reject() override;

signals:
    // Exit has finished its work; the program should end now.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
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

    // CheckInView
    void PushTexts() override;
    void FocusCheckInOut() override;
    void Relock() override;

    void OnTimer();
    // The report commands, run for one command each with this window as parent.
    CReportActions Reports();
    void OnProjectSelChange(int index);
    void OnTrayCheckInOut();
    void OnTraySwitch();
    void RefreshTray();
    ProjectChoice SelectedChoice() const;
    QString SelectedText() const;
    void SelectProjectEntry(int index);

    CPunchwellApp& m_app;
    CCheckIn m_checkIn;
    CSystemTray* m_tray = nullptr;
    CLockController* m_lock = nullptr;
    QTimer m_clock;
    std::int32_t m_timeLastSecond = 0;
    int m_nFilling = 0; // list changes made by the program, not by the person
    QIcon m_hIcon;
    QIcon m_hLockedIcon;
    QList<Shortcut> m_shortcuts;
    CDataCommands* m_dataCommands = nullptr;

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
    QAction* m_actionExportData = nullptr;
    QAction* m_actionOptions = nullptr;
    QAction* m_actionLock = nullptr;
    QAction* m_actionCloseWindow = nullptr;
    QAction* m_actionExit = nullptr;
    QAction* m_actionCheckInOut = nullptr;
    QAction* m_actionSwitch = nullptr;
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
