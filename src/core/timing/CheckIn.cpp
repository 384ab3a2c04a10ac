#include "core/timing/CheckIn.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/data/RunningPeriods.h"
#include "core/data/Task.h"
#include "core/platform/Clock.h"
#include "core/platform/LocalTime.h"
#include "core/timing/DurationFormat.h"

#include <memory>

namespace {

std::string Display(std::int32_t time) {
    return FormatLocal(time, CCheckIn::kDateFormat);
}

} // namespace

// Marks an operation that may wait for the person; nested calls of the same operation's
// steps go through the private implementations and do not count.
class CCheckIn::BusyScope {
public:
    explicit BusyScope(CCheckIn& owner) : m_owner(owner) { ++m_owner.m_nBusy; }
    ~BusyScope() { --m_owner.m_nBusy; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CCheckIn& m_owner;
};

CCheckIn::CCheckIn(CPunchwellApp& app, Notify notify) : m_app(app), m_notify(std::move(notify)) {
    if (!m_notify)
        m_notify = [](const SessionChanges&) {};
}

void CCheckIn::ShowDialog(bool shown) {
    m_bDialogShown = shown;
    Changed({.dialog = true});
}

std::int32_t CCheckIn::Now() const {
    return m_app.GetClock().Now();
}

Prompts& CCheckIn::GetPrompts() const {
    return m_app.GetPrompts();
}

void CCheckIn::Warn(const char* caption, const char* text) const {
    GetPrompts().Ask(caption, text, MessageIcon::Exclamation, MessageButtons::Ok);
}

std::string CCheckIn::GetCurrentProject() const {
    return m_pCurrent != nullptr ? m_pCurrent->GetProject() : std::string();
}

void CCheckIn::SetEndNoEarlierThanStart(std::int32_t now) {
    m_pCurrent->SetEnd(now < m_pCurrent->GetStart() ? m_pCurrent->GetStart() : now);
}

bool CCheckIn::CheckIn(const std::string& name) {
    if (IsBusy())
        return false;
    BusyScope busy(*this);
    return CheckInImpl(name);
}

bool CCheckIn::CheckInImpl(const std::string& name) {
    // Looked up before anything else, so a check-out below cannot change the answer.
    const CTask* task = m_app.Store().FindTask(name);
    if (m_bCheckedIn && !CheckOutImpl())
        return false;
    if (task == nullptr) {
        // Checked in only once the project is known good: the clock may tick while the
        // message is up and must not find a check-in without a period.
        Warn("Invalid Project", "The project you have selected is invalid. It cannot be tracked.");
        return false;
    }

    OpenPeriod(*task, Now());
    Changed({.checkInBegan = true});

    // The file is taken before opening the document: the save may ask the person and the
    // clock may tick meanwhile.
    const bool openFile = task->IsFileUsed();
    const std::string file = task->GetFile();
    m_app.SaveData();
    // Whether the document opens or not, timing goes on; nothing is reported.
    if (openFile)
        (void)GetPrompts().OpenWithShell(file);
    return true;
}

void CCheckIn::OpenPeriod(const CTask& task, std::int32_t start) {
    // A period's key is its start second: when another period already starts in this second
    // (checked in, out and in again within it), this one starts at the next free second, so
    // the store takes it and it is saved like any other.
    while (m_app.Store().FindDoneTask(start) != nullptr)
        ++start;

    auto period = std::make_unique<CDoneTask>(task.GetName(), std::string());
    period->Begin(start);
    const std::int32_t now = Now();
    period->SetEnd(now > start ? now : start);
    CDoneTask* current = period.get();
    if (!m_app.Store().AddDoneTask(period))
        return; // cannot happen: the start second was free

    m_pCurrent = current;
    m_bCheckedIn = true;
    m_timeLastSave = now > start ? now : start;
    m_strCheckedIn = Display(start);
    m_strCheckedOut.clear();
}

bool CCheckIn::CheckOut() {
    if (IsBusy())
        return !m_bCheckedIn && m_pCurrent == nullptr;
    BusyScope busy(*this);
    return CheckOutImpl();
}

bool CCheckIn::CheckOutWithNotes(std::string notes) {
    if (IsBusy())
        return !m_bCheckedIn && m_pCurrent == nullptr;
    BusyScope busy(*this);
    m_givenNotes = std::move(notes);
    const bool done = CheckOutImpl();
    m_givenNotes.reset();
    return done;
}

bool CCheckIn::CheckOutImpl(std::optional<std::int32_t> end) {
    if (!m_bCheckedIn)
        return true;
    CDoneTask& period = *m_pCurrent;

    // The period ends when check-out begins, not when the notes are done; the clock leaves
    // it alone meanwhile because it no longer counts as checked in.
    m_bCheckedIn = false;
    const std::int32_t now = Now();
    std::int32_t at = end && *end < now ? *end : now;
    if (at < period.GetStart())
        at = period.GetStart();
    period.Finish(at);

    std::string notes;
    if (m_givenNotes) {
        notes = *m_givenNotes;
    } else if (m_app.GetOptions().m_bShowNotes) {
        ShowDialog(true);
        std::optional<std::string> answer =
            GetPrompts().AskNotes(period.GetProject(), std::string());
        ShowDialog(false);
        if (!answer) {
            // Cancel: the same period goes on; its end follows the clock from the next tick.
            m_bCheckedIn = true;
            period.SetRunningFlag(1);
            return false;
        }
        notes = std::move(*answer);
    }

    m_strCheckedOut = Display(period.GetEnd());
    period.SetNotes(std::move(notes));
    m_pCurrent = nullptr;
    m_app.SaveData();
    return true;
}

void CCheckIn::Resume(CDoneTask& period) {
    m_pCurrent = &period;
    m_strCheckedIn = Display(period.GetStart());
    m_timeLastSave = Now();
    Changed({.texts = true});
    m_bCheckedIn = true;
    Changed({.state = true});
}

bool CCheckIn::DiscardIdleTime(std::int32_t idleStart, std::optional<std::int32_t> returnedAt) {
    if (IsBusy() || !m_bCheckedIn)
        return false;
    BusyScope busy(*this);
    const CTask* task = m_app.Store().FindTask(m_pCurrent->GetProject());
    if (!CheckOutImpl(idleStart))
        return false;
    // The same project goes on from the return; its document is open already.
    if (returnedAt && task != nullptr) {
        OpenPeriod(*task, *returnedAt);
        m_app.SaveData();
    }
    Changed({.state = true});
    return true;
}

void CCheckIn::ResumeOrOfferList(bool offerList) {
    if (IsBusy())
        return;
    BusyScope busy(*this);
    // A file merged elsewhere may hold more than one: only one can be timed again.
    CDoneTask* running = nullptr;
    KeepOneRunningPeriod(m_app.Store(), nullptr, &running);
    if (running != nullptr) {
        Resume(*running);
        return;
    }
    const COptions& options = m_app.GetOptions();
    if (!offerList || !options.m_bShowListOnStart || m_app.Store().GetTaskCount() == 0)
        return;
    ShowDialog(true);
    const std::optional<std::string> choice =
        GetPrompts().SelectProject(options.m_strDefaultProject);
    ShowDialog(false);
    if (choice && !choice->empty())
        CheckInImpl(*choice);
}

CTask* CCheckIn::AddNewProject(AddFailure failure) {
    std::unique_ptr<CTask> task = GetPrompts().AddProject();
    if (!task)
        return nullptr;
    const std::string name = task->GetName();
    if (!m_app.Store().AddTask(task)) {
        if (failure == AddFailure::TaskExists)
            Warn("Task Exists", "The task you have attempted to create already exists.");
        else
            Warn("Project Creation Failure",
                 "Creation of the project failed. Possible problems include not enough memory, "
                 "or too many projects.");
        return nullptr;
    }
    m_app.SaveData();
    return m_app.Store().FindTask(name);
}

void CCheckIn::AddAndCheckIn() {
    CTask* task = AddNewProject(AddFailure::TaskExists);
    if (task == nullptr)
        return;
    const std::string name = task->GetName();
    Changed({.projects = true});
    CheckInImpl(name);
}

void CCheckIn::OnCheckInOut(const ProjectChoice& selection) {
    if (IsBusy())
        return;
    BusyScope busy(*this);
    if (m_bCheckedIn) {
        CheckOutImpl();
        Changed({.state = true});
        return;
    }
    switch (selection.kind) {
    case ProjectChoice::Kind::None:
        Warn("No Project Selected", "Please select a project from the list before checking in.");
        return;
    case ProjectChoice::Kind::NewProject:
        AddAndCheckIn();
        break;
    case ProjectChoice::Kind::Project:
        CheckInImpl(selection.name);
        break;
    }
    Changed({.state = true});
}

void CCheckIn::OnProjectSelChange(const ProjectChoice& selection) {
    if (!m_app.GetOptions().m_bAutoSwitch || selection.kind == ProjectChoice::Kind::None)
        return;
    if (IsBusy())
        return;
    BusyScope busy(*this);
    // Cancelled notes keep the old period; the next refresh shows its project again.
    if (m_bCheckedIn && !CheckOutImpl())
        return;
    if (selection.kind == ProjectChoice::Kind::NewProject)
        AddAndCheckIn();
    else
        CheckInImpl(selection.name);
    Changed({.state = true});
}

void CCheckIn::OnSwitch(const std::string& selectedName) {
    if (IsBusy())
        return;
    BusyScope busy(*this);
    if (!CheckOutImpl())
        return;
    ShowDialog(true);
    // Enter at once takes the project the list showed, else the first.
    const std::optional<std::string> choice = GetPrompts().SelectProject(selectedName, true);
    ShowDialog(false);
    if (choice)
        CheckInImpl(*choice);
    Changed({.state = true});
}

void CCheckIn::OnTick(std::int32_t now) {
    // A failed autosave shows a message, and the clock goes on ticking under it.
    if (m_bInTick)
        return;
    m_bInTick = true;
    if (now != m_timeLastTick && m_bCheckedIn) {
        m_timeLastTick = now;
        // The running period's end follows the clock, so a save always carries it.
        SetEndNoEarlierThanStart(now);
        const COptions& options = m_app.GetOptions();
        if (options.m_bAutoSave &&
            static_cast<std::int64_t>(now) - m_timeLastSave >=
                (static_cast<std::int64_t>(options.m_wAutoSaveIndex) + 1) * 60) {
            m_strElapsed = kAutoSavingText;
            Changed({.texts = true});
            m_timeLastSave = now;
            m_app.SaveData();
        }
        Changed({.state = true});
    }
    m_bInTick = false;
}

void CCheckIn::StartMoved() {
    if (m_bCheckedIn && m_pCurrent != nullptr)
        m_strCheckedIn = Display(m_pCurrent->GetStart());
    UpdateElapsed();
}

void CCheckIn::UpdateElapsed() {
    if (m_bCheckedIn && m_pCurrent != nullptr)
        m_strElapsed =
            duration::FormatElapsed(static_cast<std::int64_t>(Now()) - m_pCurrent->GetStart());
    else
        m_strElapsed = kCheckedOutText;
    Changed({.texts = true});
}
