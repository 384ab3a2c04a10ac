#pragma once

#include "core/app/SessionState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CDoneTask;
class CPunchwellApp;
class CTask;
class Clock;
class Prompts;

// The entry chosen in the main window's project list.
struct ProjectChoice {
    enum class Kind { None, Project, NewProject };
    Kind kind = Kind::None;
    std::string name; // the entry's text for Kind::Project

    static ProjectChoice Nothing() { return {}; }
    static ProjectChoice Project(std::string name) { return {Kind::Project, std::move(name)}; }
    static ProjectChoice NewProject() { return {Kind::NewProject, {}}; }
};

// The check-in state and the once-a-second work of the clock: opening, closing and
// switching time periods, resuming one left running and autosaving. It asks the person
// through the app's prompts, reads "now" from the app's clock and says what changed through
// one notification; it never calls a window.
//
// The operations are not re-entrant: while one of them waits for the person (the Notes
// dialog, a project choice, a message), another check-in, check-out or switch that arrives
// (a shortcut from a dialog, the tray icon) is refused, so the open period can never change
// under the operation that holds it. The clock keeps running meanwhile.
class CCheckIn {
public:
    static constexpr const char* kDateFormat = "%B %d, %H:%M:%S";
    static constexpr const char* kCheckedOutText = "Click \"Check In\" to start timing";
    static constexpr const char* kAutoSavingText = "AutoSaving...";

    using Notify = std::function<void(const SessionChanges&)>;

    CCheckIn(CPunchwellApp& app, Notify notify);
    CCheckIn(const CCheckIn&) = delete;
    CCheckIn& operator=(const CCheckIn&) = delete;

    // Start-up after the window's first refresh: resumes the first running period of the
    // store, or else (when the option asks for it and `offerList` allows) offers the project
    // list.
    void ResumeOrOfferList(bool offerList = true);

    // Checks in to the project of that name, checking out first. Returns whether a period
    // is now open on it. The caller refreshes the view.
    bool CheckIn(const std::string& name);
    // Closes the open period. False when the person cancelled the notes (still checked in)
    // or another operation holds the open period; true otherwise, also when nothing was
    // open. The caller refreshes the view.
    bool CheckOut();
    // The same with the notes already given (from the command line): the Notes dialog is
    // not shown.
    bool CheckOutWithNotes(std::string notes);
    // Adopts a running period of the store.
    void Resume(CDoneTask& period);
    // Time away is taken out of the open period: it ends at `idleStart` (not before its
    // start), with the notes asked as at check-out, and with `returnedAt` a new period of
    // the same project runs from that second on. False when the notes were cancelled (the
    // period goes on unchanged) or another operation holds the period. Notifies the change.
    bool DiscardIdleTime(std::int32_t idleStart, std::optional<std::int32_t> returnedAt);

    // The commands; each notifies a state change when done.
    void OnCheckInOut(const ProjectChoice& selection);
    // `selectedName` preselects in the project choice; empty preselects nothing.
    void OnSwitch(const std::string& selectedName);
    void OnProjectSelChange(const ProjectChoice& selection);

    enum class AddFailure { TaskExists, CreationFailure };
    // The Add A Project dialog, then the project goes into the store and the file is saved.
    // The new project, or null when cancelled or refused (with the message of `failure`).
    CTask* AddNewProject(AddFailure failure);

    // The clock: call once for every new second (earlier calls within a second do nothing).
    void OnTick(std::int32_t now);

    // Rewrites the elapsed-time line from the clock.
    void UpdateElapsed();
    // The running period's start was corrected: the texts that show it follow.
    void StartMoved();

    bool IsCheckedIn() const { return m_bCheckedIn; }
    CDoneTask* GetCurrentPeriod() const { return m_pCurrent; }
    std::string GetCurrentProject() const;
    // True while an operation waits for the person; commands are refused meanwhile.
    bool IsBusy() const { return m_nBusy > 0; }
    // The notes or the project choice is open.
    bool IsDialogShown() const { return m_bDialogShown; }

    const std::string& GetElapsedText() const { return m_strElapsed; }
    const std::string& GetCheckedInText() const { return m_strCheckedIn; }
    const std::string& GetCheckedOutText() const { return m_strCheckedOut; }
    std::int32_t GetLastSave() const { return m_timeLastSave; }

private:
    class BusyScope;

    bool CheckInImpl(const std::string& name);
    // Ends the open period at `end` (now when empty), asking for its notes.
    bool CheckOutImpl(std::optional<std::int32_t> end = std::nullopt);
    // Makes a new period of `task` from `start` (or the next free second) the open one.
    void OpenPeriod(const CTask& task, std::int32_t start);
    // "New Project...": add, save, refill the list and check in to it.
    void AddAndCheckIn();
    std::int32_t Now() const;
    Prompts& GetPrompts() const;
    void Warn(const char* caption, const char* text) const;
    // A period never ends before it starts, even when the clock was set back.
    void SetEndNoEarlierThanStart(std::int32_t now);
    void ShowDialog(bool shown);
    void Changed(SessionChanges changes) const { m_notify(changes); }

    CPunchwellApp& m_app;
    Notify m_notify;

    bool m_bCheckedIn = false;
    CDoneTask* m_pCurrent = nullptr; // owned by the store
    std::int32_t m_timeLastTick = 0;
    std::int32_t m_timeLastSave = 0;
    bool m_bDialogShown = false;
    std::string m_strElapsed;
    std::string m_strCheckedIn;
    std::string m_strCheckedOut;

    std::optional<std::string> m_givenNotes; // for the check-out under way
    int m_nBusy = 0;
    bool m_bInTick = false;
};
