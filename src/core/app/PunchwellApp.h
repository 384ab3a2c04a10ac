#pragma once

#include "core/app/DataFileRead.h"
#include "core/app/DatedBackups.h"
#include "core/app/Options.h"
#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class Clock;
class FileOps;
class OptionsStorage;
class Prompts;

// The application object: it owns the store (the projects and periods), and keeps the data
// file paths, the options, the password and the lock flag, for the whole run. It asks the
// person through the Prompts port and keeps its options through the OptionsStorage port.
class CPunchwellApp {
public:
    static constexpr const char* kMainFileName = "timedata.pnd";
    static constexpr const char* kBackupFileName = "tdbackup.pnd";

    explicit CPunchwellApp(const std::string& dataDirectory);
    CPunchwellApp(const CPunchwellApp&) = delete;
    CPunchwellApp& operator=(const CPunchwellApp&) = delete;

    // The projects and periods, as loaded and saved by this app.
    CStore& Store() { return m_store; }
    const CStore& Store() const { return m_store; }

    // The person at the keyboard; until set (and after ResetPrompts) nobody is there: every
    // question is declined and nothing is shown (see CNoPrompts).
    void SetPrompts(Prompts& prompts) { m_prompts = &prompts; }
    void ResetPrompts();
    void SetClock(const Clock* clock) { m_clock = clock; }
    void SetOptionsStorage(OptionsStorage& storage) { m_optionsStorage = &storage; }
    void SetFileOps(FileOps* ops) { m_fileOps = ops; }
    Prompts& GetPrompts() const { return *m_prompts; }
    const Clock& GetClock() const;

    const std::string& GetDataDirectory() const { return m_strDataDirectory; }
    const std::string& GetDataPath() const { return m_strDataPath; }
    const std::string& GetBackupPath() const { return m_strBackupPath; }

    // Writes the whole store, password and lock flag; empty path means the main file. On a
    // failure the old file stays whole and the store is unchanged; the result says the path
    // and the cause, and the caller shows it (a start-up or an exit says it in its own way).
    FileResult Save(const std::string& path = {});
    // Save, with a failure shown over the main window (unless an exit holds the errors).
    // Returns whether the file was written.
    bool SaveData(const std::string& path = {});
    // Appends the file's records to the store; a format error (or an unreadable file) sets
    // m_bLoadFailed. A missing file does nothing. `keepBytes`, when given, receives the
    // file's bytes as read.
    LoadOutcome LoadData(const std::string& path = {}, CFileBytes* keepBytes = nullptr);
    // The same for a file already read into `loaded` (ReadDataFileInto): its records become
    // the store's, which must be empty, and the outcome counts as this load's.
    LoadOutcome AdoptLoad(CStore& loaded, LoadOutcome outcome);
    // Shows a failed file operation as a failed save is shown: the path and the cause.
    // `owned` is false before the main window is on screen.
    void ShowFileError(const FileResult& failure, bool owned = true);
    bool DataFileExists(const std::string& path = {}) const;

    // Whether the store holds changes that the main file lacks because its last save failed
    // (retried by the next save), since when, and that save's message (path and cause).
    bool HasUnsavedChanges() const { return m_bUnsaved; }
    std::int32_t GetUnsavedSince() const { return m_timeUnsavedSince; }
    const std::string& GetLastSaveError() const { return m_strLastSaveError; }

    // The dated copies of the main file: one for each day the program is used, taken from
    // the main file read correctly at start-up (LoadDataAtStartup) or the first save of the
    // main file that day. A failure costs nothing but the copy and is tried again at the
    // next save.
    const CDatedBackups& DatedBackups() const { return m_datedBackups; }
    FileResult KeepDatedBackup(std::string_view bytes);
    // The day whose copy is still due, marked as made so that no save writes it while a copy
    // is being written elsewhere (the start-up copy on its thread); nothing when today's copy
    // exists. A copy that failed gives its day back, and the next save tries again.
    std::optional<BackupDate> TakeDatedBackupTurn();
    // Whether today's copy is still due (nothing taken).
    bool DatedBackupDue() const;
    void GiveBackDatedBackupTurn(BackupDate day);
    BackupRetention GetBackupRetention() const;
    // Sets the two retention counts (clamped to their ranges) and writes the options.
    void SetBackupRetention(int days, int months);

    // Options through the storage port; a stored value out of range reads as its default.
    void ReadOptions();
    void WriteOptions();
    // Takes every option at once and writes them: a dialog hands back the options as they
    // now stand, changed fields and kept ones alike.
    void SetOptions(const COptions& options);
    const COptions& GetOptions() const { return m_options; }
    COptions& Options() { return m_options; }

    // The password in plain form (empty when none) and its setter; callers save.
    std::string GetPassword() const;
    void SetPassword(const std::string& plain);

    // The password in the scrambled form the data file keeps.
    const std::string& ScrambledPassword() const { return m_strPassword; }
    void SetScrambledPassword(std::string scrambled) { m_strPassword = std::move(scrambled); }
    // The lock flag the data file keeps: non-zero when it was saved while locked.
    std::uint16_t LockFlag() const { return m_wLocked; }
    void SetLockFlag(std::uint16_t locked) { m_wLocked = locked; }

    // While held, a failed save shows no message of its own; the caller says it (an exit).
    bool SaveErrorsHeld() const { return m_bHoldSaveErrors; }
    void HoldSaveErrors(bool hold) { m_bHoldSaveErrors = hold; }

    // The last load met a damaged or unreadable file.
    bool LoadFailed() const { return m_bLoadFailed; }
    void SetLoadFailed(bool failed) { m_bLoadFailed = failed; }
    // No data file was there at start-up.
    bool IsFirstRun() const { return m_bFirstRun; }
    void SetFirstRun(bool firstRun) { m_bFirstRun = firstRun; }

private:
    // The flags a load leaves: failed, and the password and lock flag read.
    LoadOutcome TakeLoad(LoadOutcome outcome);
    std::string ResolvePath(const std::string& path) const;

    CStore m_store;
    std::string m_strPassword; // scrambled form
    std::uint16_t m_wLocked = 0;
    bool m_bHoldSaveErrors = false;
    bool m_bLoadFailed = false;
    bool m_bFirstRun = false;

    std::string m_strDataDirectory;
    std::string m_strDataPath;
    std::string m_strBackupPath;
    COptions m_options;
    bool m_bUnsaved = false;
    std::int32_t m_timeUnsavedSince = 0;
    std::string m_strLastSaveError;
    // The block a save serialises into and hands to the file as it fills: kept, so that a
    // save writes into memory that is already there.
    std::string m_saveBlock;
    std::size_t m_savedSize = 0; // of the last save, for the bytes a dated copy gathers
    CDatedBackups m_datedBackups;
    BackupDate m_lastDatedBackup = 0; // the day a copy is known to exist for

    Prompts* m_prompts; // never null
    const Clock* m_clock = nullptr;
    CNoOptionsStorage m_noOptionsStorage;
    OptionsStorage* m_optionsStorage = &m_noOptionsStorage; // never null
    FileOps* m_fileOps = nullptr;
};
