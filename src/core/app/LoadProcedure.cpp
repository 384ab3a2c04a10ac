#include "core/app/LoadProcedure.h"

#include "core/app/DataLoad.h"
#include "core/app/DatedBackups.h"
#include "core/app/ProgramLock.h"
#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/timing/CheckIn.h"

CLoadProcedure::CLoadProcedure(CPunchwellApp& app, CCheckIn& checkIn, CProgramLock& lock,
                               Notify notify)
    : m_app(app), m_checkIn(checkIn), m_lock(lock), m_notify(std::move(notify)) {
    if (!m_notify)
        m_notify = [](const SessionChanges&) {};
}

namespace {

// Why a file handed over cannot be offered for loading; empty when it can.
std::string WhyNotLoadable(const std::string& path) {
    switch (ExaminePath(path)) {
    case PathKind::Missing:
        return "it does not exist";
    case PathKind::Folder:
        return "it is a folder";
    case PathKind::Unreadable:
        return "it cannot be read";
    case PathKind::File:
        break;
    }
    return {};
}

} // namespace

void CLoadProcedure::OpenFile(const std::string& shown, bool owned, bool handedOver,
                              bool canServe) {
    // The start-up file runs at once: nothing else is open yet.
    if (owned && (!m_pending.empty() || !canServe)) {
        m_pending.push_back({shown, handedOver});
        return;
    }
    ServeFile(shown, owned, handedOver);
}

void CLoadProcedure::ServePending(bool canServe) {
    if (m_pending.empty() || !canServe)
        return;
    const PendingFile first = m_pending.front();
    m_pending.pop_front();
    ServeFile(first.shown, true, first.handedOver);
}

std::vector<std::string> CLoadProcedure::PendingFiles() const {
    std::vector<std::string> paths;
    paths.reserve(m_pending.size());
    for (const PendingFile& file : m_pending)
        paths.push_back(file.shown);
    return paths;
}

void CLoadProcedure::ServeFile(const std::string& shown, bool owned, bool handedOver) {
    Prompts& prompts = m_app.GetPrompts();
    BusyScope busy(*this);
    // At start-up the window is not on screen: the boxes of the whole procedure, also a
    // failed save's, have no owner.
    // A bare path out of the blue would say nothing of where it came from or what happens
    // next.
    if (!handedOver) {
        prompts.Ask(std::string(), shown, MessageIcon::None, MessageButtons::Ok, owned);
        Run(shown, owned);
    } else if (const std::string why = WhyNotLoadable(shown); !why.empty()) {
        prompts.Ask(kHandedOverCaption,
                    "Another start of Punchwell handed this file to the running program:\n\n" +
                        shown + "\n\nIt cannot be offered for loading: " + why + ".",
                    MessageIcon::Exclamation, MessageButtons::Ok, owned);
    } else {
        prompts.Ask(kHandedOverCaption,
                    "Another start of Punchwell handed this file to the running program:\n\n" +
                        shown +
                        "\n\nIt will now be offered for loading: choose how to load it, or "
                        "Cancel to leave your data as it is.",
                    MessageIcon::Information, MessageButtons::Ok, owned);
        Run(shown, owned);
    }
}

void CLoadProcedure::Run(const std::optional<std::string>& path, bool owned) {
    Prompts& prompts = m_app.GetPrompts();
    BusyScope busy(*this);

    if (!CheckOutFirst(prompts, owned))
        return;

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
    LoadFile(prompts, file, method, owned);
}

bool CLoadProcedure::CheckOutFirst(Prompts& prompts, bool owned) {
    if (!m_checkIn.IsCheckedIn())
        return true;
    const MessageAnswer answer = prompts.Ask(kCheckOutCaption, kCheckOutText, MessageIcon::Question,
                                             MessageButtons::YesNo, owned);
    if (answer != MessageAnswer::Yes)
        return false;
    const bool checkedOut = m_checkIn.CheckOut();
    m_notify({.state = true});
    return checkedOut;
}

std::optional<LoadApplyResult> CLoadProcedure::LoadFile(Prompts& prompts, const std::string& file,
                                                        LoadMethod method, bool owned) {
    // The file is read whole before anything changes, so every way out up to Apply leaves
    // the data as it was.
    const CDataLoad load = CDataLoad::Read(file);
    if (!load.IsReadable()) {
        prompts.Ask(CDataLoad::kNotReadableCaption, load.ErrorMessage(), MessageIcon::Exclamation,
                    MessageButtons::Ok, owned);
        return std::nullopt;
    }
    if (load.IsDamaged() && prompts.Ask(CDataLoad::kDamagedCaption, load.DamagedQuestion(method),
                                        MessageIcon::Exclamation, MessageButtons::YesNo, owned,
                                        MessageAnswer::No) != MessageAnswer::Yes)
        return std::nullopt;

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
                        MessageIcon::Exclamation, MessageButtons::YesNo, owned,
                        MessageAnswer::No) != MessageAnswer::Yes)
            return std::nullopt;
        options.goOnWithoutCopy = true;
        result = apply();
    }
    if (result.status != LoadApplyResult::Status::Loaded)
        return std::nullopt;
    // Loaded, but not saved: the data in memory is the loaded one, and the next save retries.
    if (!result.saved.ok)
        m_app.ShowFileError(result.saved, owned);

    // A file saved while its program was locked locks this one as a start-up does: once the
    // window is up, from the clock. At start-up the window's own start arms it.
    if (result.lockedAfter && owned)
        m_lock.ArmRelockIfLocked(m_app.GetClock().Now());
    m_notify({.state = true, .projects = true});
    return result;
}

void CLoadProcedure::RestoreBackup() {
    Prompts& prompts = m_app.GetPrompts();
    BusyScope busy(*this);
    const CDatedBackups& backups = m_app.DatedBackups();
    if (backups.List().empty()) {
        prompts.Ask(kRestoreCaption,
                    "No copy of your data has been kept yet. Punchwell keeps one for each day you "
                    "use it, in " +
                        backups.Folder() + ".",
                    MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (!CheckOutFirst(prompts, true))
        return;

    // Listed after the check-out, whose save may have made today's copy. Each copy is read
    // whole to count what it holds.
    const std::vector<DatedCopy> copies = backups.List();
    std::vector<DatedCopySummary> summaries;
    summaries.reserve(copies.size());
    prompts.ShowWaiting(true);
    for (const DatedCopy& copy : copies)
        summaries.push_back(CDatedBackups::Summarize(copy));
    prompts.ShowWaiting(false);
    const std::optional<DatedCopy> chosen = prompts.ChooseDatedCopy(summaries, backups.Folder());
    if (!chosen)
        return;

    const std::optional<LoadApplyResult> result =
        LoadFile(prompts, chosen->path, LoadMethod::ReplaceAll, true);
    if (!result)
        return;
    std::string text =
        "Your data is now the copy of " + CDatedBackups::DateText(chosen->date) + ".";
    if (!result->keptCopy.empty())
        text += " Your data as it was before is kept in " + result->keptCopy +
                "; load it with Load Data to go back.";
    prompts.Ask(kRestoredCaption, text, MessageIcon::Information, MessageButtons::Ok);
}
