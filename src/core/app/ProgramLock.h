#pragma once

#include "core/app/SessionState.h"

#include <cstdint>
#include <functional>

class CPunchwellApp;
class Prompts;

// The program lock: hides the main window and leaves only the unlock command until the
// password is typed. The password and the lock flag live in the app (and its data file);
// this class decides what locking and unlocking ask and do, and when a file that was saved
// locked locks the program again. It says what happened through one notification.
//
// Two choices beyond the plain toggle:
// - The program is never locked with an empty password: there would be nothing to unlock
//   with. The lock path then says that a password is needed and stays unlocked; a silent
//   relock of a file without a password does nothing.
// - The lock flag changes only when the person has gone all the way: while locking asks its
//   questions the program is still unlocked (a save meanwhile, such as the one that stores a
//   new password, must not leave a lock in the file that the person then declined), and
//   while unlocking asks for the password it is still locked (so nothing of the program can
//   be reached while that dialog is open).
class CProgramLock {
public:
    static constexpr const char* kSetPasswordCaption = "Set Program Password?";
    static constexpr const char* kSetPasswordText =
        "Before locking the program, you must first set the program password. Would you like "
        "to set it now?";
    static constexpr const char* kCancelledCaption = "Action Cancelled";
    static constexpr const char* kCancelledText =
        "You cannot lock the program until you set the program password from the "
        "configuration dialog.";
    static constexpr const char* kPasswordSetCaption = "Password Set";
    static constexpr const char* kPasswordSetText = "The password has been set. Don't forget it!";

    using Notify = std::function<void(const SessionChanges&)>;

    CProgramLock(CPunchwellApp& app, Notify notify);
    CProgramLock(const CProgramLock&) = delete;
    CProgramLock& operator=(const CProgramLock&) = delete;

    // Locks when unlocked, unlocks when locked. `silent` locks without any question (the
    // start-up relock); it plays no part in unlocking. True when the state changed; false
    // when the person backed out, and when a toggle is already asking its questions.
    bool ToggleLock(bool silent);

    bool IsLocked() const;
    // True while a toggle waits for the person.
    bool IsBusy() const { return m_bBusy; }

    // When the data just read says the program was locked, clears the flag and arms the
    // relock for the first poll in a later second than `now`, once the window is up.
    void ArmRelockIfLocked(std::int32_t now);
    // Runs an armed relock once it is due and no other window of the program is open (the
    // hidden main window would leave that one on screen); until then it keeps waiting.
    void PollRelock(std::int32_t now, bool otherWindowOpen);
    // An armed relock runs now, not at the first poll of a later second (start-up, before
    // the window shows); it waits as PollRelock does while another window is open.
    void RelockAtOnce(bool otherWindowOpen);
    // A relock is armed or waiting: nothing may reach the data until it has run.
    bool IsRelockPending() const { return m_relock != Relock::None; }

private:
    bool Lock(bool silent);
    bool Unlock();

    enum class Relock { None, Armed, Waiting };

    CPunchwellApp& m_app;
    Notify m_notify;
    bool m_bBusy = false;
    Relock m_relock = Relock::None;
    std::int32_t m_timeRelock = 0;
};
