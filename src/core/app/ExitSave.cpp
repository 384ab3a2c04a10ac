#include "core/app/ExitSave.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/platform/LocalTime.h"

namespace {

constexpr const char* kMomentFormat = "%B %d, %H:%M:%S";

std::string Moment(std::int64_t time) {
    const std::string text = FormatLocal(time, kMomentFormat);
    return text.empty() ? std::to_string(time) : text;
}

} // namespace

CExitSave::CExitSave(CPunchwellApp& app) : m_app(app), m_heldBefore(app.SaveErrorsHeld()) {
    m_app.HoldSaveErrors(true);
}

CExitSave::~CExitSave() {
    m_app.HoldSaveErrors(m_heldBefore);
}

std::string CExitSave::NotSavedText(const CDoneTask* checkedOut) const {
    std::string text =
        "Nothing was saved, so Punchwell has not exited.\n\n" + m_app.GetLastSaveError() + "\n\n";
    if (checkedOut != nullptr)
        text += "The period of \"" + checkedOut->GetProject() + "\" was checked out at " +
                Moment(checkedOut->GetEnd()) +
                "; it and its notes are kept in Punchwell until they can be saved.";
    else
        text += "Your changes are kept in Punchwell until they can be saved.";
    return text + "\n\nFree some space or fix the cause, then try again. Try to save again now?";
}

std::string CExitSave::LossText(const CDoneTask* checkedOut) const {
    std::string text = "If Punchwell exits now, ";
    if (checkedOut != nullptr) {
        text += "the check-out of \"" + checkedOut->GetProject() + "\" at " +
                Moment(checkedOut->GetEnd()) + " and its notes are lost";
        if (m_app.GetUnsavedSince() < checkedOut->GetEnd())
            text += ", and so is every change made since " + Moment(m_app.GetUnsavedSince()) +
                    ", when a save first failed";
        text += ". The next start will find the period still running and count the time "
                "Punchwell was closed as worked.";
    } else {
        text += "every change made since " + Moment(m_app.GetUnsavedSince()) +
                ", when a save first failed, is lost.";
    }
    // Enter picks Yes, so Yes is the answer that loses nothing.
    return text + "\n\nKeep Punchwell open so that they can still be saved? (No exits now "
                  "without saving.)";
}

bool CExitSave::MayEnd(const CDoneTask* checkedOut) {
    Prompts& prompts = m_app.GetPrompts();
    while (m_app.HasUnsavedChanges()) {
        const MessageAnswer retry =
            prompts.Ask(kNotSavedCaption, NotSavedText(checkedOut), MessageIcon::Exclamation,
                        MessageButtons::YesNo, true);
        if (retry == MessageAnswer::Yes) {
            m_app.SaveData();
            continue;
        }
        // Yes keeps the program open: also what nobody at the keyboard answers.
        const MessageAnswer lose =
            prompts.Ask(kExitAnywayCaption, LossText(checkedOut), MessageIcon::Exclamation,
                        MessageButtons::YesNo, true, MessageAnswer::Yes);
        return lose == MessageAnswer::No;
    }
    return true;
}
