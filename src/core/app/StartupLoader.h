#pragma once

#include "core/platform/FileSystem.h"

#include <memory>
#include <string>
#include <vector>

class CPunchwellApp;

// Rewriting the backup from a main file that read completely, held back so that the program
// can show its window first: the main file's bytes as they were read, and where they go.
// Run touches nothing but its own copy of the bytes and the backup file, so it may run on
// another thread while the program goes on.
class CBackupRefresh {
public:
    CBackupRefresh() = default;
    CBackupRefresh(std::string backupPath, std::string dataPath,
                   std::shared_ptr<const CFileBytes> bytes)
        : m_path(std::move(backupPath)), m_modeOf(std::move(dataPath)), m_bytes(std::move(bytes)) {}

    bool IsPending() const { return m_bytes != nullptr; }
    const std::string& Path() const { return m_path; }
    FileResult Run(FileOps& ops = SystemFileOps()) const;

private:
    std::string m_path;
    std::string m_modeOf;
    std::shared_ptr<const CFileBytes> m_bytes;
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
    // MainOk with the refresh deferred: the caller runs it (and shows its failure with
    // CPunchwellApp::ShowFileError).
    CBackupRefresh backupRefresh;
};

// Fills the app's store at start-up from the main file, falling back to the backup, and
// rewrites whichever file needs it. A damaged file is copied aside before anything
// rewrites it; the rewrite happens before any message is shown. Asks the first-run
// question only when there is no command-line file. With `deferBackupRefresh`, a main file
// that reads completely leaves the backup to the caller (StartupResult::backupRefresh).
StartupResult LoadDataAtStartup(CPunchwellApp& app, bool hasCommandLineFile,
                                bool deferBackupRefresh = false);

// Copies a damaged file to "<stem>.damaged-YYYYMMDD-HHMMSS<ext>" beside it (local time of
// the app's clock), never overwriting an earlier copy; moves it aside when it cannot be
// read. Empty on failure.
std::string KeepDamagedCopy(CPunchwellApp& app, const std::string& path);
