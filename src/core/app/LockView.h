#pragma once

// What the program lock needs from the desktop: the main window and the tray icon.
class LockView {
public:
    virtual ~LockView() = default;
    // Takes the main window off the screen.
    virtual void HideMainWindow() = 0;
    // Brings the main window back (restored, in front).
    virtual void ShowMainWindow() = 0;
    // Brings the tray icon's image and tooltip in line with the lock and check-in state.
    virtual void RefreshTray() = 0;
};
