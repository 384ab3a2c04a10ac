#pragma once

#include "core/app/DataLoad.h"
#include "core/app/SessionState.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CCheckIn;
class CProgramLock;
class Prompts;
class CPunchwellApp;

// The load procedure that Load Data, the file named on the command line and a file handed
// over by a later start all run: check out, choose the method, choose or take the file,
// replace or merge, save. It also keeps the handed-over files that must wait their turn.
class CLoadProcedure {
public:
    using Notify = std::function<void(const SessionChanges&)>;

    static constexpr const char* kDataFileFilter = "Punchwell Data Files (*.pnd);;All Files (*)";
    static constexpr const char* kDataFileDefaultName = "timedata.pnd";
    static constexpr const char* kCheckOutCaption = "Check Out?";
    static constexpr const char* kCheckOutText =
        "Before you load new data, you must first check out. Would you like to check out now?";
    static constexpr const char* kHandedOverCaption = "Punchwell";
    static constexpr const char* kRestoreCaption = "Restore From Backup";
    static constexpr const char* kRestoredCaption = "Data Restored";

    CLoadProcedure(CPunchwellApp& app, CCheckIn& checkIn, CProgramLock& lock, Notify notify);
    CLoadProcedure(const CLoadProcedure&) = delete;
    CLoadProcedure& operator=(const CLoadProcedure&) = delete;

    // The procedure; no `path` asks for the file with the Open dialog. `owned` is false at
    // start-up, before the main window is on screen: its boxes then have no owner.
    void Run(const std::optional<std::string>& path, bool owned);
    // File > Restore From Backup: the dated copies listed with what each holds, the chosen
    // one loaded as Replace All Data does (so the data as it was is kept beside it).
    void RestoreBackup();

    // A data file named on a command line (`shown` as the person knows it). A later start's
    // file (`handedOver`) is introduced with where it came from, or refused with the reason
    // when it cannot be read; this start's own file is shown by its path. Then it is loaded
    // without the Open dialog. A file that arrives with the window on screen (`owned`) waits
    // while `canServe` says no, or while others wait before it.
    void OpenFile(const std::string& shown, bool owned, bool handedOver, bool canServe);
    // Serves the first waiting file when `canServe`; call again later for the rest.
    void ServePending(bool canServe);
    // The paths of the files still waiting, first to be served first.
    std::vector<std::string> PendingFiles() const;

    // A load procedure is running.
    bool IsBusy() const { return m_nBusy > 0; }

    // Marks the data commands (this procedure, Save Data, Export) as running.
    class BusyScope {
    public:
        explicit BusyScope(CLoadProcedure& owner) : m_owner(owner) { ++m_owner.m_nBusy; }
        ~BusyScope() { --m_owner.m_nBusy; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CLoadProcedure& m_owner;
    };

private:
    struct PendingFile {
        std::string shown;
        bool handedOver = true;
    };

    void ServeFile(const std::string& shown, bool owned, bool handedOver);
    // A running period is checked out first; false ends the procedure.
    bool CheckOutFirst(Prompts& prompts, bool owned);
    // Reads the file, asks about damage, replaces or merges and saves. Empty when the
    // procedure ended before the data changed.
    std::optional<LoadApplyResult> LoadFile(Prompts& prompts, const std::string& file,
                                            LoadMethod method, bool owned);

    CPunchwellApp& m_app;
    CCheckIn& m_checkIn;
    CProgramLock& m_lock;
    Notify m_notify;
    int m_nBusy = 0;
    std::deque<PendingFile> m_pending;
};
