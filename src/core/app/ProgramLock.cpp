#include "core/app/ProgramLock.h"

#include "core/app/LockView.h"
#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"

CProgramLock::CProgramLock(CPunchwellApp& app, LockView& view) : m_app(app), m_view(view) {}

bool CProgramLock::IsLocked() const {
    return m_app.m_wLocked != 0;
}

bool CProgramLock::ToggleLock(bool silent) {
    // One toggle at a time: a second request (the tray, a close request) while the first
    // waits for the person would ask on top of it.
    if (m_bBusy)
        return false;
    m_bBusy = true;
    const bool changed = IsLocked() ? Unlock() : Lock(silent);
    m_bBusy = false;
    return changed;
}

bool CProgramLock::Lock(bool silent) {
    Prompts* prompts = m_app.GetPrompts();
    if (silent) {
        if (m_app.GetPassword().empty())
            return false;
    } else {
        if (prompts == nullptr)
            return false;
        if (m_app.GetPassword().empty()) {
            const MessageAnswer answer = prompts->Ask(kSetPasswordCaption, kSetPasswordText,
                                                      MessageIcon::Question, MessageButtons::YesNo);
            if (answer != MessageAnswer::Yes) {
                prompts->Ask(kCancelledCaption, kCancelledText, MessageIcon::Information,
                             MessageButtons::Ok);
                return false;
            }
            const std::optional<std::string> password = prompts->AskNewPassword();
            if (!password)
                return false;
            if (password->empty()) {
                // The person confirmed an empty password, which turns locking off: there is
                // nothing to set and nothing to lock with.
                prompts->Ask(kCancelledCaption, kCancelledText, MessageIcon::Information,
                             MessageButtons::Ok);
                return false;
            }
            m_app.SetPassword(*password);
            m_app.SaveData();
            prompts->Ask(kPasswordSetCaption, kPasswordSetText, MessageIcon::None,
                         MessageButtons::Ok);
        }
        if (m_app.GetOptions().m_bRemindLock != 0) {
            bool askAgain = true;
            if (!prompts->ConfirmLock(askAgain))
                return false;
            m_app.Options().m_bRemindLock = askAgain ? 1 : 0;
            m_app.WriteOptions();
        }
    }
    m_app.m_wLocked = 1;
    m_view.HideMainWindow();
    m_view.RefreshTray();
    m_app.SaveData();
    return true;
}

bool CProgramLock::Unlock() {
    Prompts* prompts = m_app.GetPrompts();
    if (prompts == nullptr || !prompts->AskPassword(m_app.GetPassword()))
        return false;
    m_app.m_wLocked = 0;
    m_view.ShowMainWindow();
    m_view.RefreshTray();
    m_app.SaveData();
    return true;
}
