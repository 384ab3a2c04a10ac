#include "core/app/PunchwellSession.h"

#include "core/app/ExitSave.h"
#include "core/app/Prompts.h"
#include "core/data/TextExport.h"
#include "core/platform/Clock.h"

#include <vector>

CPunchwellSession::CPunchwellSession(const std::string& dataDirectory)
    : m_app(dataDirectory), m_checkIn(m_app, [this](const SessionChanges& c) { Notify(c); }),
      m_lock(m_app, [this](const SessionChanges& c) { Notify(c); }), m_idle(m_app, m_checkIn),
      m_load(m_app, m_checkIn, m_lock, [this](const SessionChanges& c) { Notify(c); }) {
    TakeSnapshot();
}

int CPunchwellSession::Subscribe(Listener listener) {
    const int id = ++m_nextListener;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void CPunchwellSession::Unsubscribe(int id) {
    m_listeners.erase(id);
}

const SessionState& CPunchwellSession::State() const {
    TakeSnapshot();
    return m_state;
}

void CPunchwellSession::TakeSnapshot() const {
    m_state.checkedIn = m_checkIn.IsCheckedIn();
    m_state.project = m_checkIn.GetCurrentProject();
    m_state.elapsedText = m_checkIn.GetElapsedText();
    m_state.checkedInText = m_checkIn.GetCheckedInText();
    m_state.checkedOutText = m_checkIn.GetCheckedOutText();
    m_state.locked = m_lock.IsLocked();
    m_state.busy = m_checkIn.IsBusy();
    m_state.dialogShown = m_checkIn.IsDialogShown();
    m_state.refusesCommands = RefusesCommands();
    m_state.idleQuestion = IdleQuestionNow();
}

std::optional<IdleQuestion> CPunchwellSession::IdleQuestionNow() const {
    // Behind the gate like any command: locked, it waits for the unlock.
    if (RefusesCommands())
        return std::nullopt;
    return m_idle.Question();
}

void CPunchwellSession::NotifyIfIdleChanged() {
    if (IdleQuestionNow() != m_state.idleQuestion)
        Notify({.idle = true});
}

void CPunchwellSession::SleepChanged(bool sleeping) {
    const std::int32_t now = m_app.GetClock().Now();
    if (sleeping)
        m_idle.OnSleep(now);
    else
        m_idle.OnWake(now);
    NotifyIfIdleChanged();
}

bool CPunchwellSession::AnswerIdle(const IdleQuestion& asked, IdleAnswer answer) {
    // The answer is for the question as the person saw it.
    if (IdleQuestionNow() != asked) {
        Notify({.idle = true});
        return false;
    }
    const bool done = m_idle.Answer(answer);
    Notify({.state = true, .idle = true});
    return done;
}

void CPunchwellSession::Notify(const SessionChanges& changes) {
    if (changes.state)
        m_checkIn.UpdateElapsed();
    TakeSnapshot();
    // A listener may unsubscribe (a window going away) while it is told.
    std::vector<int> ids;
    ids.reserve(m_listeners.size());
    for (const auto& entry : m_listeners)
        ids.push_back(entry.first);
    for (int id : ids) {
        const auto found = m_listeners.find(id);
        if (found != m_listeners.end())
            found->second(changes);
    }
}

void CPunchwellSession::Start() {
    // A program saved locked shows nothing of its data before the password: no project list
    // is offered, and it locks again at once, before its window is ever on screen.
    const bool locked = m_app.LockFlag() != 0;
    m_checkIn.ResumeOrOfferList(!locked);
    const std::int32_t now = m_app.GetClock().Now();
    m_lock.ArmRelockIfLocked(now);
    if (locked)
        m_lock.RelockAtOnce(OtherWindowOpen());
    m_timeLastSecond = now;
}

void CPunchwellSession::Tick() {
    // A failed autosave or a relock's save shows a message, and the clock goes on under it.
    if (m_bInTick)
        return;
    m_bInTick = true;
    const std::int32_t now = m_app.GetClock().Now();
    if (now != m_timeLastSecond) {
        m_timeLastSecond = now;
        m_checkIn.OnTick(now);
        m_lock.PollRelock(now, OtherWindowOpen());
        m_idle.OnTick(now);
        NotifyIfIdleChanged();
    } else if (m_lock.IsRelockPending()) {
        m_lock.PollRelock(now, OtherWindowOpen());
    }
    m_bInTick = false;
    // Outside the tick: the clock goes on while the file's procedure asks its questions.
    m_load.ServePending(CanServeHandedOverFile());
}

void CPunchwellSession::CheckInOut(const ProjectChoice& selection) {
    m_checkIn.OnCheckInOut(selection);
}

void CPunchwellSession::Switch(const std::string& selectedName) {
    m_checkIn.OnSwitch(selectedName);
}

void CPunchwellSession::ProjectSelChange(const ProjectChoice& selection) {
    m_checkIn.OnProjectSelChange(selection);
}

void CPunchwellSession::TrayCheckInOut(const std::string& selectedName) {
    if (m_checkIn.IsCheckedIn())
        m_checkIn.OnCheckInOut(ProjectChoice::Nothing());
    else
        m_checkIn.OnSwitch(selectedName);
}

CTask* CPunchwellSession::AddProject(CCheckIn::AddFailure failure) {
    return m_checkIn.AddNewProject(failure);
}

void CPunchwellSession::LockCommand() {
    if (m_lock.IsLocked()) {
        m_lock.ToggleLock(false);
        return;
    }
    if (CanLock())
        m_lock.ToggleLock(false);
}

bool CPunchwellSession::CloseRequest() {
    if (!m_lock.IsLocked())
        return true;
    return m_lock.ToggleLock(false);
}

CorrectionPlan CPunchwellSession::ChangeRunningStart(std::int32_t start) {
    const CDoneTask* running = m_checkIn.IsCheckedIn() ? m_checkIn.GetCurrentPeriod() : nullptr;
    if (RefusesCommands() || running == nullptr) {
        CorrectionPlan refused;
        refused.problem = CorrectionPlan::Problem::RunningPeriod;
        refused.refusal = "You are not checked in, so there is no running period to change.";
        return refused;
    }
    PeriodDraft draft;
    draft.project = running->GetProject();
    draft.start = start;
    draft.end = running->GetEnd();
    draft.notes = running->GetNotes();
    CorrectionPlan plan = m_periodEditor.PlanEdit(*running, draft, m_app.GetClock().Now());
    if (!plan.Ok() || plan.correction.IsEmpty())
        return plan;
    if (!m_periodEditor.Apply(plan)) {
        plan.problem = CorrectionPlan::Problem::RunningPeriod;
        plan.refusal = "The running period changed meanwhile; nothing was changed.";
        return plan;
    }
    m_checkIn.StartMoved();
    m_app.SaveData();
    Notify({.state = true});
    return plan;
}

bool CPunchwellSession::Exit() {
    // The exit's save must succeed, or the person agrees to what is lost.
    CExitSave exitSave(m_app);
    const CDoneTask* closing = nullptr;
    if (m_checkIn.IsCheckedIn() || m_checkIn.IsBusy()) {
        closing = m_checkIn.GetCurrentPeriod();
        const bool done = m_checkIn.CheckOut();
        Notify({.state = true});
        if (!done)
            return false;
    } else if (m_app.HasUnsavedChanges()) {
        m_app.SaveData();
    }
    if (!exitSave.MayEnd(closing)) {
        Notify({.state = true});
        return false;
    }
    m_app.WriteOptions();
    return true;
}

bool CPunchwellSession::RefusesCommands() const {
    return m_lock.IsLocked() || m_lock.IsBusy() || m_lock.IsRelockPending();
}

bool CPunchwellSession::HoldsRequests() const {
    return m_lock.IsLocked() || m_lock.IsRelockPending();
}

bool CPunchwellSession::CanLock() const {
    return !RefusesCommands() && !OtherWindowOpen();
}

void CPunchwellSession::LoadData() {
    if (m_load.IsBusy())
        return;
    Prompts& prompts = m_app.GetPrompts();
    // F5 also reaches here from the program's other dialogs. Those work on the records that
    // a load would replace, so the load waits until they are closed.
    if (OtherWindowOpen()) {
        prompts.Ask("Load Data", "Please close the open dialog before you load new data.",
                    MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    m_load.Run(std::nullopt, true);
}

void CPunchwellSession::RestoreBackup() {
    if (m_load.IsBusy())
        return;
    Prompts& prompts = m_app.GetPrompts();
    if (OtherWindowOpen()) {
        prompts.Ask(CLoadProcedure::kRestoreCaption,
                    "Please close the open dialog before you restore a backup.",
                    MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    m_load.RestoreBackup();
}

void CPunchwellSession::SaveDataAs() {
    if (m_load.IsBusy())
        return;
    Prompts& prompts = m_app.GetPrompts();
    CLoadProcedure::BusyScope busy(m_load);
    FileDialogRequest request;
    request.caption = "Save As";
    request.filter = CLoadProcedure::kDataFileFilter;
    request.defaultSuffix = "pnd";
    request.initialName = CLoadProcedure::kDataFileDefaultName;
    const std::optional<std::string> path = prompts.ChooseSaveFile(request);
    if (!path || path->empty())
        return;
    // A failure is shown by the save itself, naming the file and the cause.
    m_app.SaveData(*path);
}

void CPunchwellSession::ExportData() {
    if (m_load.IsBusy())
        return;
    Prompts& prompts = m_app.GetPrompts();
    CLoadProcedure::BusyScope busy(m_load);
    FileDialogRequest request;
    request.caption = "Save As";
    request.filter = "Text Files (*.txt);;All Files (*)";
    request.defaultSuffix = "txt";
    request.initialName = kTextExportDefaultName;
    const std::optional<std::string> path = prompts.ChooseSaveFile(request);
    if (!path || path->empty())
        return;
    const FileResult result = WriteTextExport(m_app.Store(), *path);
    if (!result.ok)
        prompts.Ask("Punchwell", result.message, MessageIcon::Exclamation, MessageButtons::Ok);
}

void CPunchwellSession::OpenFile(const std::string& shown, bool owned, bool handedOver) {
    // While locked, or about to lock again at start-up, even this start's own file waits:
    // nothing is asked before the unlock. After it the file is served over the window.
    const bool holds =
        m_lock.IsRelockPending() || (m_lock.IsLocked() && !m_app.GetPassword().empty());
    if (holds) {
        m_load.OpenFile(shown, true, handedOver, false);
        return;
    }
    m_load.OpenFile(shown, owned, handedOver, CanServeHandedOverFile());
}

bool CPunchwellSession::CanServeHandedOverFile() const {
    // Not in the middle of another dialog or operation, and not while the program is locked
    // (every command waits for the unlock then).
    return !m_load.IsBusy() && !OtherWindowOpen() && !m_checkIn.IsBusy() && !HoldsRequests();
}
