#pragma once

#include "core/app/LockView.h"
#include "core/app/ProgramLock.h"

#include <QObject>
#include <QTimer>

class CPunchwellApp;
class CPunchwellDlg;

// The program lock as the main window uses it: the lock command, the start-up relock, the
// close request while locked, and the one question every other entry point asks first,
// whether commands are refused now.
class CLockController : public QObject, private LockView {
    Q_OBJECT

public:
    // How often a relock that waits for an open dialog looks again.
    static constexpr int kRelockRetryMs = 200;

    CLockController(CPunchwellApp& app, CPunchwellDlg& window);

    // The lock command (File menu, Ctrl+L, the tray's item and double-click): locks, or
    // unlocks with the password. Locking is left alone while another of the program's
    // windows is open, since hiding the main window would leave that one on screen.
    void OnLockCommand();
    // The start-up relock, silent; it waits until no other window of the program is open.
    void Relock();
    // A close request: while locked it asks for the password. True when the request may go
    // on (the program is, or now is, unlocked).
    bool OnCloseRequest();

    bool IsLocked() const { return m_lock.IsLocked(); }
    // While locked, while a lock or unlock asks its questions, and until the start-up
    // relock has run, no command may reach the program's data.
    bool RefusesCommands() const;
    // Locked, or the start-up relock still to come: requests from outside (a file handed
    // over) wait for the unlock signal.
    bool HoldsRequests() const;
    // Whether the lock command would lock now.
    bool CanLock() const;
    CProgramLock& Core() { return m_lock; }

signals:
    // The program is unlocked again (the right password was typed, or the start-up relock
    // found no password to lock with): what waited for the unlock may go on.
    void unlocked();

private:
    void HideMainWindow() override;
    void ShowMainWindow() override;
    void RefreshTray() override;
    bool OtherWindowOpen() const;

    CPunchwellDlg& m_window;
    CProgramLock m_lock;
    QTimer m_relockRetry;
    bool m_bRelockWaiting = false;
};
