#include "gui/ui/LockController.h"

#include "gui/ui/PunchwellDlg.h"

#include <QApplication>

CLockController::CLockController(CPunchwellApp& app, CPunchwellDlg& window)
    : QObject(&window), m_window(window), m_lock(app, *this) {
    m_relockRetry.setInterval(kRelockRetryMs);
    connect(&m_relockRetry, &QTimer::timeout, this, &CLockController::Relock);
}

bool CLockController::OtherWindowOpen() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != &m_window;
}

bool CLockController::RefusesCommands() const {
    return m_lock.IsLocked() || m_lock.IsBusy() || m_bRelockWaiting ||
           m_window.CheckInState().IsRelockPending();
}

bool CLockController::HoldsRequests() const {
    return m_lock.IsLocked() || m_bRelockWaiting || m_window.CheckInState().IsRelockPending();
}

bool CLockController::CanLock() const {
    return !RefusesCommands() && !OtherWindowOpen();
}

void CLockController::OnLockCommand() {
    if (m_lock.IsLocked()) {
        if (m_lock.ToggleLock(false))
            emit unlocked();
        return;
    }
    if (CanLock())
        m_lock.ToggleLock(false);
}

void CLockController::Relock() {
    if (OtherWindowOpen() || m_lock.IsBusy()) {
        m_bRelockWaiting = true;
        if (!m_relockRetry.isActive())
            m_relockRetry.start();
        return;
    }
    m_bRelockWaiting = false;
    m_relockRetry.stop();
    // Without a password there is nothing to lock with, and what waited may go on.
    if (!m_lock.ToggleLock(true))
        emit unlocked();
}

bool CLockController::OnCloseRequest() {
    if (!m_lock.IsLocked())
        return true;
    if (!m_lock.ToggleLock(false))
        return false;
    emit unlocked();
    return true;
}

void CLockController::HideMainWindow() {
    m_window.hide();
}

void CLockController::ShowMainWindow() {
    m_window.ShowWindow();
}

void CLockController::RefreshTray() {
    // The state refresh ends with the tray's image and tooltip.
    m_window.UpdateState();
}
