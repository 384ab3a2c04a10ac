#pragma once

// What the check-in logic needs from the window that shows it. The window reads the state
// back from CCheckIn; these calls only say when.
class CheckInView {
public:
    virtual ~CheckInView() = default;
    // Brings buttons, menus, the project list and the tray icon in line with the state,
    // ending with CCheckIn::UpdateElapsed.
    virtual void UpdateState() = 0;
    // Copies the three texts (elapsed, checked in at, checked out at) into their controls.
    virtual void PushTexts() = 0;
    // Removes or puts back the notification-area icon around the dialogs that hide it.
    virtual void ShowTrayIcon(bool shown) = 0;
    // Refills the project list from the store after a project was added.
    virtual void FillProjectList() = 0;
    // A check-in just began: the keyboard focus goes to the Check In/Out button.
    virtual void FocusCheckInOut() = 0;
    // The program was locked when it last saved: lock it again now that the window is up.
    virtual void Relock() = 0;
};
