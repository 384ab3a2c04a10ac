#pragma once

#include "core/app/Desktop.h"
#include "core/app/LoadProcedure.h"
#include "core/app/ProgramLock.h"
#include "core/app/PunchwellApp.h"
#include "core/app/SessionState.h"
#include "core/data/PeriodEditor.h"
#include "core/timing/CheckIn.h"
#include "core/timing/IdleWatch.h"

#include <functional>
#include <map>
#include <string>

// The running program without its windows: it owns the app (store, files, options), the
// check-in state, the program lock, and runs every command a window, the tray or a later
// start gives. It asks the person only through the prompts port, keeps one read-only
// snapshot of its state and tells whoever listens, in one notification, that it changed.
// Calls go one way: the windows call the session, the session never calls a window.
class CPunchwellSession {
public:
    using Listener = std::function<void(const SessionChanges&)>;

    explicit CPunchwellSession(const std::string& dataDirectory);
    CPunchwellSession(const CPunchwellSession&) = delete;
    CPunchwellSession& operator=(const CPunchwellSession&) = delete;

    CPunchwellApp& App() { return m_app; }
    const CPunchwellApp& App() const { return m_app; }
    CCheckIn& CheckInState() { return m_checkIn; }
    const CCheckIn& CheckInState() const { return m_checkIn; }
    CProgramLock& Lock() { return m_lock; }
    CIdleWatch& Idle() { return m_idle; }
    CLoadProcedure& Load() { return m_load; }
    // The rules of period corrections and the last correction, for undo in any later Time
    // Records dialog; the caller saves after applying or undoing.
    CPeriodEditor& PeriodEditor() { return m_periodEditor; }

    // The desktop's windows, asked whether another one is open; a plain Desktop (no windows)
    // until set. The desktop outlives the session or resets it.
    void SetDesktop(Desktop& desktop) { m_desktop = &desktop; }
    void ResetDesktop() { m_desktop = &m_noDesktop; }

    // The state as it is now; the texts are those of the last change.
    const SessionState& State() const;
    // Listeners are called after every change, in the order they subscribed.
    int Subscribe(Listener listener);
    void Unsubscribe(int id);

    // Start-up once the window has drawn its first state: a running period resumed or the
    // project list offered; data saved locked locks again at once, with no list offered.
    void Start();
    // The clock: call often. The check-in's work runs once per new second; a relock that
    // waits for an open window is looked at every time.
    void Tick();

    // The check-in commands (main window, menus, shortcuts, the tray).
    void CheckInOut(const ProjectChoice& selection);
    void Switch(const std::string& selectedName);
    void ProjectSelChange(const ProjectChoice& selection);
    // The tray's default command: check out when checked in, else choose a project.
    void TrayCheckInOut(const std::string& selectedName);
    CTask* AddProject(CCheckIn::AddFailure failure);

    // The lock command: locks, or unlocks with the password. Locking is left alone while
    // another window of the program is open or the gate is shut.
    void LockCommand();
    // A close request: while locked it asks for the password. True when the request may go
    // on (the program is, or now is, unlocked).
    bool CloseRequest();

    // The desktop says the computer goes to sleep (true) or has woken (false).
    void SleepChanged(bool sleeping);
    // Answers the idle question of the state, when `asked` is still that question and the
    // gate is open. Discarding asks for the notes as a check-out does. False when the notes
    // were cancelled (the question stays) or the answer was refused.
    bool AnswerIdle(const IdleQuestion& asked, IdleAnswer answer);
    // Seconds since the last keyboard or mouse input; empty when the desktop does not say.
    std::optional<std::int64_t> IdleSeconds() const { return m_idle.IdleSeconds(); }
    // File > Load Data: the load procedure with the Open dialog. Refused with a message while
    // another window of the program is open: those work on the records a load replaces.
    void LoadData();
    // File > Restore From Backup: a dated copy of the data replaces it. Refused with a
    // message while another window of the program is open, as Load Data is.
    void RestoreBackup();
    // File > Save Data: the data saved to a file the person chooses.
    void SaveDataAs();
    // File > Export Data as Text.
    void ExportData();
    // A data file named on a command line, this start's (`owned` false: before the window is
    // on screen) or one a later start handed over (`handedOver`). It waits while the program
    // is locked, another window is open or an operation runs, and is served from the clock
    // once that is over.
    void OpenFile(const std::string& shown, bool owned, bool handedOver);
    // Whether a handed-over file may be served now.
    bool CanServeHandedOverFile() const;

    // Moves the start of the running period (a check-in made late), under the rules of every
    // correction, worked out again from the state at the moment it runs: the period may have
    // ended meanwhile. Saves and tells the listeners when done; the plan says why not.
    CorrectionPlan ChangeRunningStart(std::int32_t start);

    // Exit's work before the program ends: checks out (notes asked as usual) and writes the
    // options. False when the person cancelled the notes, or when the save failed and the
    // person did not choose to lose what it held: the program goes on.
    bool Exit();

    // The one command gate every entry point asks: while locked, while a lock or unlock asks
    // its questions, and until the start-up relock has run, no command may reach the data.
    bool RefusesCommands() const;
    // Locked, or the relock still to come: requests from outside (a file handed over) wait
    // for the `released` notification.
    bool HoldsRequests() const;
    // Whether the lock command would lock now.
    bool CanLock() const;
    bool OtherWindowOpen() const { return m_desktop->OtherWindowOpen(); }

    // Tells the listeners; `state` also brings the texts and the snapshot up to date.
    void Notify(const SessionChanges& changes);

private:
    void TakeSnapshot() const;
    std::optional<IdleQuestion> IdleQuestionNow() const;
    // Tells the listeners when the idle question is not the one of the last snapshot.
    void NotifyIfIdleChanged();

    CPunchwellApp m_app;
    CPeriodEditor m_periodEditor{m_app.Store()};
    CCheckIn m_checkIn;
    CProgramLock m_lock;
    CIdleWatch m_idle;
    CLoadProcedure m_load;
    Desktop m_noDesktop;
    Desktop* m_desktop = &m_noDesktop;
    mutable SessionState m_state;
    std::map<int, Listener> m_listeners;
    int m_nextListener = 0;
    std::int32_t m_timeLastSecond = 0;
    bool m_bInTick = false;
};
