#include "core/app/StartupLoader.h"

#include "core/app/EarlyLoad.h"
#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/platform/LocalTime.h"

#include <functional>
#include <future>

namespace {

constexpr const char* kCorruptedCaption = "Files Corrupted";
constexpr const char* kBothCorrupted =
    "Both the main and backup files were corrupted. No data could be read. Please use the "
    "Load Data function in the File menu to load a previously saved record of your time.";
constexpr const char* kMainMissingBackupCorrupted =
    "The main file was missing, and the backup file was corrupted. No data could be read. "
    "Please use the Load Data function in the File menu to load a previously saved record of "
    "your time.";
constexpr const char* kFirstRunCaption = "Enter Projects?";
constexpr const char* kFirstRunText = "Punchwell is being run for the first time. Would you "
                                      "like to enter the projects you will be working on now?";
constexpr const char* kKeptCaption = "Damaged File Kept";

struct KeptFile {
    std::string original;
    std::string copy; // empty when neither a copy nor a move succeeded
    bool moved = false;
};

// The part of a kept copy's name that tells when it was kept: the app's clock, local time.
std::string KeptStamp(CPunchwellApp& app) {
    const std::int32_t now = app.GetClock().Now();
    std::string stamp = FormatLocal(now, "%Y%m%d-%H%M%S");
    return stamp.empty() ? std::to_string(now) : stamp;
}

KeptFile Keep(const std::string& stamp, const std::string& path) {
    KeptFile kept{path, {}, false};
    const std::string directory = DirectoryOf(path);
    const std::string name = FileNameOf(path);
    const auto dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    const std::string base = stem + ".damaged-" + stamp;

    for (int n = 1; n <= 1000; ++n) {
        std::string name = base;
        if (n > 1)
            name.append("-").append(std::to_string(n));
        name.append(ext);
        const std::string candidate = JoinPath(directory, name);
        if (FileExists(candidate))
            continue;
        if (CopyFileNoOverwrite(path, candidate).ok) {
            kept.copy = candidate;
            return kept;
        }
        if (FileExists(candidate))
            continue; // someone made that name in between: try the next one
        // The file could not be copied (it may not even be readable): move it aside, so that
        // nothing later writes over the only instance of what it held.
        if (RenameNoOverwrite(path, candidate).ok) {
            kept.copy = candidate;
            kept.moved = true;
        }
        return kept;
    }
    return kept;
}

std::string DescribeKept(const KeptFile& kept) {
    if (kept.copy.empty())
        return "The file " + kept.original +
               " was damaged, and no copy of it could be kept. It was left as it is.";
    if (kept.moved)
        return "The file " + kept.original +
               " was damaged and could not be copied. It was moved to " + kept.copy +
               " so that nothing in it is lost.";
    return "The file " + kept.original + " was damaged. A copy of it was kept as " + kept.copy +
           " so that nothing in it is lost.";
}

} // namespace

std::string KeepDamagedCopy(CPunchwellApp& app, const std::string& path) {
    return Keep(KeptStamp(app), path).copy;
}

std::string CBackupRefresh::KeepDamagedBackup() {
    if (!m_checkFirst || m_path.empty() || !IsDamagedDataFile(m_path))
        return {};
    const KeptFile kept = Keep(m_keptStamp, m_path);
    // What could not be kept is not written over.
    if (kept.copy.empty())
        m_path.clear();
    return DescribeKept(kept);
}

void TellDamagedBackupKept(CPunchwellApp& app, const std::string& notice) {
    if (!notice.empty())
        app.GetPrompts().Ask(kKeptCaption, notice, MessageIcon::Information, MessageButtons::Ok,
                             true);
}

FileResult CBackupRefresh::Run(FileOps& ops) const {
    if (!m_bytes || m_path.empty())
        return FileResult::Success();
    // A copy of the data: a new backup takes the data file's mode, as a saved one does.
    return ReplaceFileDurably(m_path, m_bytes->View(), ops, NewFileMode::Private, m_modeOf);
}

FileResult CBackupRefresh::RunDatedCopy(const BackupRetention& retention, FileOps& ops) const {
    if (!m_bytes || !m_dated)
        return FileResult::Success();
    return m_dated->backups.Keep(m_bytes->View(), m_dated->day, retention, m_modeOf, ops);
}

StartupResult LoadDataAtStartup(CPunchwellApp& app, bool hasCommandLineFile,
                                bool deferBackupRefresh, CEarlyLoad* early) {
    // No window exists yet: every message here, a failed save included, has no owner.
    const auto save = [&app](const std::string& path) {
        if (const FileResult saved = app.Save(path); !saved.ok)
            app.ShowFileError(saved, false);
    };

    StartupResult result;
    std::vector<KeptFile> kept;
    const char* spokenText = nullptr; // the "Files Corrupted" message of the row, if any

    // Keeps a damaged file aside; false when it could not be kept (then it must not be
    // rewritten).
    auto keep = [&](const std::string& path) {
        kept.push_back(Keep(KeptStamp(app), path));
        if (!kept.back().copy.empty())
            result.keptCopies.push_back(kept.back().copy);
        return !kept.back().copy.empty();
    };

    const std::string& mainPath = app.GetDataPath();
    const std::string& backupPath = app.GetBackupPath();

    if (app.DataFileExists(mainPath)) {
        // Whether the backup reads completely decides only what happens once the main file
        // has read. A deferred refresh learns it on its own thread, after the window; else
        // it is learnt beside the load, on a second core where there is one (or after it,
        // when no thread can be had).
        std::future<bool> backupDamaged;
        if (!deferBackupRefresh)
            backupDamaged = std::async(std::launch::async | std::launch::deferred,
                                       IsDamagedDataFile, std::cref(backupPath));
        // The bytes stay for the copies made from them: they are the file as it read.
        auto bytes = std::make_shared<CFileBytes>();
        const bool empty = app.Store().GetTaskCount() == 0 && app.Store().GetDoneCount() == 0;
        if (auto read = early != nullptr && empty ? early->TakeMain(mainPath) : nullptr) {
            bytes = read->bytes;
            app.AdoptLoad(read->store, std::move(read->outcome));
        } else {
            app.LoadData(mainPath, bytes.get());
        }
        if (!app.LoadFailed()) {
            result.which = StartupCase::MainOk;
            // The refresh overwrites the backup: a damaged one is kept first, as a damaged
            // main file is, and stays as it is when it cannot be kept. The bytes that read
            // completely are the new backup and the day's dated copy: written as they were
            // read, they read back to the same store.
            if (deferBackupRefresh) {
                CBackupRefresh later(backupPath, mainPath, bytes);
                later.CheckFirst(KeptStamp(app));
                if (const std::optional<BackupDate> day = app.TakeDatedBackupTurn())
                    later.AddDatedCopy(app.DatedBackups(), *day);
                result.backupRefresh = std::move(later);
            } else {
                app.KeepDatedBackup(bytes->View());
                if (!backupDamaged.get() || keep(backupPath))
                    save(backupPath);
            }
        } else {
            const bool mainKept = keep(mainPath);
            if (app.DataFileExists(backupPath)) {
                // Start again from the backup alone, so no record is held twice.
                app.SetLoadFailed(false);
                app.Store().RemoveAll();
                app.LoadData(backupPath);
                if (!app.LoadFailed()) {
                    result.which = StartupCase::MainDamagedBackupOk;
                    if (mainKept)
                        save(mainPath);
                } else {
                    result.which = StartupCase::BothDamaged;
                    keep(backupPath);
                    spokenText = kBothCorrupted;
                }
            } else {
                result.which = StartupCase::MainDamagedNoBackup;
            }
        }
    } else if (app.DataFileExists(backupPath)) {
        app.LoadData(backupPath);
        if (!app.LoadFailed()) {
            result.which = StartupCase::MainMissingBackupOk;
            save(mainPath);
        } else {
            result.which = StartupCase::MainMissingBackupDamaged;
            keep(backupPath);
            spokenText = kMainMissingBackupCorrupted;
        }
    } else {
        result.which = StartupCase::FirstRun;
        if (!hasCommandLineFile) {
            const MessageAnswer answer =
                app.GetPrompts().Ask(kFirstRunCaption, kFirstRunText, MessageIcon::Question,
                                     MessageButtons::YesNo, false);
            if (answer == MessageAnswer::Yes)
                app.SetFirstRun(true);
        }
        return result;
    }

    // Everything is written by now; only then is the person told.
    Prompts& prompts = app.GetPrompts();
    if (spokenText != nullptr)
        prompts.Ask(kCorruptedCaption, spokenText, MessageIcon::Stop, MessageButtons::Ok, false);
    if (!kept.empty()) {
        std::string text;
        for (const KeptFile& k : kept) {
            if (!text.empty())
                text += "\n";
            text += DescribeKept(k);
        }
        prompts.Ask(kKeptCaption, text, MessageIcon::Information, MessageButtons::Ok, false);
    }
    return result;
}
