#pragma once

#include "core/app/DatedBackups.h"
#include "core/platform/FileSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // MainOk with the copies deferred: the caller runs them, shows a failed refresh with
    // CPunchwellApp::ShowFileError and gives a failed dated copy's day back to the app
    // (CPunchwellApp::GiveBackDatedBackupTurn).
    CBackupRefresh backupRefresh;
};

// Fills the app's store at start-up from the main file, falling back to the backup, and
// rewrites whichever file needs it. A damaged file is copied aside before anything
// rewrites it; the rewrite happens before any message is shown. Asks the first-run
// question only when there is no command-line file. A main file that reads completely is the
// day's dated copy too. With `deferBackupRefresh`, such a file leaves the backup and the
// dated copy to the caller (StartupResult::backupRefresh).
StartupResult LoadDataAtStartup(CPunchwellApp& app, bool hasCommandLineFile,
                                bool deferBackupRefresh = false);

// Copies a damaged file to "<stem>.damaged-YYYYMMDD-HHMMSS<ext>" beside it (local time of
// the app's clock), never overwriting an earlier copy; moves it aside when it cannot be
// read. Empty on failure.
std::string KeepDamagedCopy(CPunchwellApp& app, const std::string& path);
