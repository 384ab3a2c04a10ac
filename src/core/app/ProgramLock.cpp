#include "core/app/ProgramLock.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"

CProgramLock::CProgramLock(CPunchwellApp& app, Notify notify)
    : m_app(app), m_notify(std::move(notify)) {
    if (!m_notify)
        m_notify = [](const SessionChanges&) {};
}

bool CProgramLock::IsLocked() const {
    return m_app.LockFlag() != 0;
}

bool CProgramLock::ToggleLock(bool silent) {
    // One toggle at a time: a second request (the tray, a close request) while the first
    // waits for the person would ask on top of it.
    if (m_bBusy)
        return false;
    m_bBusy = true;
    const bool wasLocked = IsLocked();
    const bool changed = wasLocked ? Unlock() : Lock(silent);
    m_bBusy = false;
    // What waited for the unlock goes on once the toggle is over, not from inside it.
    if (changed && wasLocked)
        m_notify({.state = true, .released = true});
    return changed;
}

bool CProgramLock::Lock(bool silent) {
    Prompts& prompts = m_app.GetPrompts();
    if (silent) {
        if (m_app.GetPassword().empty())
            return false;
    } else {
        if (m_app.GetPassword().empty()) {
            const MessageAnswer answer = prompts.Ask(kSetPasswordCaption, kSetPasswordText,
                                                     MessageIcon::Question, MessageButtons::YesNo);
            if (answer != MessageAnswer::Yes) {
                prompts.Ask(kCancelledCaption, kCancelledText, MessageIcon::Information,
                            MessageButtons::Ok);
                return false;
            }
            const std::optional<std::string> password = prompts.AskNewPassword();
            if (!password)
                return false;
            if (password->empty()) {
                // The person confirmed an empty password, which turns locking off: there is
                // nothing to set and nothing to lock with.
                prompts.Ask(kCancelledCaption, kCancelledText, MessageIcon::Information,
                            MessageButtons::Ok);
                return false;
            }
            m_app.SetPassword(*password);
            m_app.SaveData();
            prompts.Ask(kPasswordSetCaption, kPasswordSetText, MessageIcon::None,
                        MessageButtons::Ok);
        }
        if (m_app.GetOptions().m_bRemindLock != 0) {
            bool askAgain = true;
            if (!prompts.ConfirmLock(askAgain))
                return false;
            m_app.Options().m_bRemindLock = askAgain ? 1 : 0;
            m_app.WriteOptions();
        }
    }
    m_app.SetLockFlag(1);
    m_notify({.state = true, .locked = true});
    m_app.SaveData();
    return true;
}

bool CProgramLock::Unlock() {
    if (!m_app.GetPrompts().AskPassword(m_app.GetPassword()))
        return false;
    m_app.SetLockFlag(0);
    m_notify({.state = true, .unlocked = true});
    m_app.SaveData();
    return true;
}

void CProgramLock::ArmRelockIfLocked(std::int32_t now) {
    if (m_app.LockFlag() == 0)
        return;
    m_app.SetLockFlag(0);
    m_relock = Relock::Armed;
    m_timeRelock = now;
}

void CProgramLock::RelockAtOnce(bool otherWindowOpen) {
    if (m_relock == Relock::Armed)
        m_relock = Relock::Waiting; // due now
    PollRelock(m_timeRelock, otherWindowOpen);
}

void CProgramLock::PollRelock(std::int32_t now, bool otherWindowOpen) {
    if (m_relock == Relock::None)
        return;
    if (m_relock == Relock::Armed && static_cast<std::int64_t>(now) - m_timeRelock <= 0)
        return;
    if (otherWindowOpen || m_bBusy) {
        m_relock = Relock::Waiting;
        return;
    }
    m_relock = Relock::None;
    // Without a password there is nothing to lock with, and what waited may go on.
    if (!ToggleLock(true))
        m_notify({.state = true, .released = true});
}
