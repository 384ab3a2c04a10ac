#pragma once

#include <string>
#include <vector>

class CPunchwellApp;

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
};

// Fills the app's store at start-up from the main file, falling back to the backup, and
// rewrites whichever file needs it. A damaged file is copied aside before anything
// rewrites it; the rewrite happens before any message is shown. Asks the first-run
// question only when there is no command-line file.
StartupResult LoadDataAtStartup(CPunchwellApp& app, bool hasCommandLineFile);

// Copies a damaged file to "<stem>.damaged-YYYYMMDD-HHMMSS<ext>" beside it (local time of
// the app's clock), never overwriting an earlier copy; moves it aside when it cannot be
// read. Empty on failure.
std::string KeepDamagedCopy(CPunchwellApp& app, const std::string& path);
