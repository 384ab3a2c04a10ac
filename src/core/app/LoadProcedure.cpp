#include "core/app/LoadProcedure.h"

#include "core/app/DataLoad.h"
#include "core/app/ProgramLock.h"
#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/platform/Clock.h"
#include "core/timing/CheckIn.h"

CLoadProcedure::CLoadProcedure(CPunchwellApp& app, CCheckIn& checkIn, CProgramLock& lock,
                               Notify notify)
    : m_app(app), m_checkIn(checkIn), m_lock(lock), m_notify(std::move(notify)) {
    if (!m_notify)
        m_notify = [](const SessionChanges&) {};
}

void CLoadProcedure::OpenFile(const std::string& shown, bool owned, bool canServe) {
    // The start-up file runs at once: nothing else is open yet.
    if (owned && (!m_pending.empty() || !canServe)) {
        m_pending.push_back(shown);
        return;
    }
    ServeFile(shown, owned);
}

void CLoadProcedure::ServePending(bool canServe) {
    if (m_pending.empty() || !canServe)
        return;
    const std::string shown = m_pending.front();
    m_pending.pop_front();
    ServeFile(shown, true);
}

void CLoadProcedure::ServeFile(const std::string& shown, bool owned) {
    Prompts* prompts = m_app.GetPrompts();
    if (prompts == nullptr)
        return;
    BusyScope busy(*this);
    // At start-up the window is not on screen: the boxes of the whole procedure, also a
    // failed save's, have no owner.
    const bool wasOwned = m_app.m_bPromptsOwned;
    m_app.m_bPromptsOwned = owned;
    prompts->Ask(std::string(), shown, MessageIcon::None, MessageButtons::Ok, owned);
    Run(shown, owned);
    m_app.m_bPromptsOwned = wasOwned;
}

void CLoadProcedure::Run(const std::optional<std::string>& path, bool owned) {
    Prompts* port = m_app.GetPrompts();
    if (port == nullptr)
        return;
    Prompts& prompts = *port;
    BusyScope busy(*this);

    if (m_checkIn.IsCheckedIn()) {
        const MessageAnswer answer = prompts.Ask(
            kCheckOutCaption, kCheckOutText, MessageIcon::Question, MessageButtons::YesNo, owned);
        if (answer != MessageAnswer::Yes)
            return;
        const bool checkedOut = m_checkIn.CheckOut();
        m_notify({.state = true});
        if (!checkedOut)
            return;
    }

    const std::optional<LoadMethod> chosen = prompts.ChooseLoadMethod(owned);
    if (!chosen)
        return;
    const LoadMethod method = *chosen;

    std::string file;
    if (path) {
        file = *path;
    } else {
        FileDialogRequest request;
        request.caption = "Open";
        request.filter = kDataFileFilter;
        request.defaultSuffix = "pnd";
        request.initialName = kDataFileDefaultName;
        const std::optional<std::string> picked = prompts.ChooseOpenFile(request);
        if (!picked || picked->empty())
            return;
        file = *picked;
    }

    // The file is read whole before anything changes, so every way out up to Apply leaves
    // the data as it was.
    const CDataLoad load = CDataLoad::Read(file);
    if (!load.IsReadable()) {
        prompts.Ask(CDataLoad::kNotReadableCaption, load.ErrorMessage(), MessageIcon::Exclamation,
                    MessageButtons::Ok, owned);
        return;
    }
    if (load.IsDamaged() &&
        prompts.Ask(CDataLoad::kDamagedCaption, load.DamagedQuestion(method),
                    MessageIcon::Exclamation, MessageButtons::YesNo, owned) != MessageAnswer::Yes)
        return;

    // A merge's records are rebuilt: nothing may hold on to them across it. The open
    // period is closed by now, so the check-in state holds none.
    const bool merging = method == LoadMethod::MergeFiles;
    LoadOptions options;
    if (merging)
        options.progress = [&prompts](std::size_t done, std::size_t total) {
            prompts.SetProgress(done, total);
        };
    const auto apply = [&] {
        if (merging)
            prompts.ShowProgress(owned);
        LoadApplyResult result = load.Apply(m_app, method, options);
        if (merging)
            prompts.HideProgress();
        return result;
    };
    LoadApplyResult result = apply();
    if (result.status == LoadApplyResult::Status::CopyFailed) {
        if (prompts.Ask(CDataLoad::kCopyFailedCaption, CopyFailedQuestion(result),
                        MessageIcon::Exclamation, MessageButtons::YesNo,
                        owned) != MessageAnswer::Yes)
            return;
        options.goOnWithoutCopy = true;
        result = apply();
    }
    if (result.status != LoadApplyResult::Status::Loaded)
        return;

    // A file saved while its program was locked locks this one as a start-up does: once the
    // window is up, from the clock. At start-up the window's own start arms it.
    if (result.lockedAfter && owned)
        m_lock.ArmRelockIfLocked(m_app.GetClock().Now());
    m_notify({.state = true, .projects = true});
}
