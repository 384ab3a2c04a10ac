#pragma once

#include "core/app/DatedBackups.h"
#include "core/platform/FileSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CEarlyLoad;
class CPunchwellApp;

// The copies written from a main file that read completely, held back so that the program
// can show its window first: the backup rewritten from the main file's bytes as they were
// read, and the day's dated copy of the same bytes when one is due. Run and RunDatedCopy
// touch nothing but their own copy of the bytes and the files they write, so they may run on
// another thread while the program goes on.
class CBackupRefresh {
public:
    CBackupRefresh() = default;
    // An empty `backupPath` leaves the backup as it is (a damaged one that could not be kept).
    CBackupRefresh(std::string backupPath, std::string dataPath,
                   std::shared_ptr<const CFileBytes> bytes)
        : m_path(std::move(backupPath)), m_modeOf(std::move(dataPath)), m_bytes(std::move(bytes)) {}

    // Adds the dated copy for `day` to the work.
    void AddDatedCopy(const CDatedBackups& backups, BackupDate day) {
        m_dated = DatedCopyWork{backups, day};
    }

    // The backup is checked before it is rewritten (KeepDamagedBackup); `keptStamp` is the
    // time part of a kept copy's name, "YYYYMMDD-HHMMSS".
    void CheckFirst(std::string keptStamp) {
        m_checkFirst = true;
        m_keptStamp = std::move(keptStamp);
    }
    // Before Run: when the backup does not read completely, keeps a copy of it, as the start
    // does with a damaged main file, and returns what to tell ("Damaged File Kept",
    // TellDamagedBackupKept); empty when there was nothing to keep. A backup that could not
    // be kept is left as it is by Run.
    std::string KeepDamagedBackup();

    bool IsPending() const { return m_bytes != nullptr && (!m_path.empty() || m_dated); }
    const std::string& Path() const { return m_path; }
    FileResult Run(FileOps& ops = SystemFileOps()) const;
    // The day of the dated copy to write, if one is part of the work.
    std::optional<BackupDate> DatedCopyDay() const {
        return m_dated ? std::optional<BackupDate>(m_dated->day) : std::nullopt;
    }
    // Writes the dated copy and removes those `retention` no longer keeps. The retention is
    // the caller's: the options are read only after the data files.
    FileResult RunDatedCopy(const BackupRetention& retention, FileOps& ops = SystemFileOps()) const;

private:
    struct DatedCopyWork {
        CDatedBackups backups;
        BackupDate day = 0;
    };

    std::string m_path;
    std::string m_modeOf;
    bool m_checkFirst = false;
    std::string m_keptStamp;
    std::shared_ptr<const CFileBytes> m_bytes;
    std::optional<DatedCopyWork> m_dated;
};

// Which row of the start-up decision the files led to.
enum class StartupCase {
    MainOk,                   // main read; backup refreshed from it
    MainDamagedBackupOk,      // backup read; main rewritten from it
    BothDamaged,              // "Files Corrupted"; nothing rewritten
    MainDamagedNoBackup,      // records read before the damage are used
    MainMissingBackupOk,      // main recreated from the backup
    MainMissingBackupDamaged, // "Files Corrupted"; nothing rewritten
    FirstRun,                 // no files at all
};

struct StartupResult {
    StartupCase which = StartupCase::FirstRun;
    // Copies kept of damaged files, in the order they were made.
    std::vector<std::string> keptCopies;
    // MainOk with the copies deferred: the caller runs them (KeepDamagedBackup, then Run),
    // tells of a kept backup (TellDamagedBackupKept), shows a failed refresh with
    // CPunchwellApp::ShowFileError and gives a failed dated copy's day back to the app
    // (CPunchwellApp::GiveBackDatedBackupTurn). A damaged backup kept then is not among
    // keptCopies.
    CBackupRefresh backupRefresh;
};

// Fills the app's store at start-up from the main file, falling back to the backup, and
// rewrites whichever file needs it. A damaged file is copied aside before anything
// rewrites it; the rewrite happens before any message is shown. Asks the first-run
// question only when there is no command-line file. A main file that reads completely is the
// day's dated copy too. With `deferBackupRefresh`, such a file leaves the backup and the
// dated copy to the caller (StartupResult::backupRefresh).
// `early`, when given, holds the files as read while the program started; what of it still
// holds is used rather than read again.
StartupResult LoadDataAtStartup(CPunchwellApp& app, bool hasCommandLineFile,
                                bool deferBackupRefresh = false, CEarlyLoad* early = nullptr);

// Shows what KeepDamagedBackup returned, over the main window; nothing when it is empty.
void TellDamagedBackupKept(CPunchwellApp& app, const std::string& notice);

// Copies a damaged file to "<stem>.damaged-YYYYMMDD-HHMMSS<ext>" beside it (local time of
// the app's clock), never overwriting an earlier copy; moves it aside when it cannot be
// read. Empty on failure.
std::string KeepDamagedCopy(CPunchwellApp& app, const std::string& path);
