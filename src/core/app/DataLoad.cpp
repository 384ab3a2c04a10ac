#include "core/app/DataLoad.h"

#include "core/app/PunchwellApp.h"
#include "core/data/RunningPeriods.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/platform/LocalTime.h"

#include <string_view>

namespace {

std::string Count(std::size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

} // namespace

CDataLoad CDataLoad::Read(const std::string& path) {
    CDataLoad load;
    load.m_path = path;
    switch (ReadWholeFile(path, load.m_bytes, load.m_error)) {
    case ReadStatus::Missing:
        load.m_error = "The file " + path + " could not be found.";
        return load;
    case ReadStatus::Error:
        if (load.m_error.empty())
            load.m_error = "The file " + path + " could not be read.";
        return load;
    case ReadStatus::Ok:
        break;
    }
    load.m_readable = true;
    // Read once into a store of its own, only to learn what a load would bring.
    CStore probe;
    load.m_read = CDataFile::Read(load.m_bytes, probe);
    return load;
}

std::string CDataLoad::DamagedQuestion(LoadMethod method) const {
    std::string text = "The file " + m_path + " is damaged. Only " +
                       Count(ProjectCount(), "project", "projects") + " and " +
                       Count(PeriodCount(), "time period", "time periods") +
                       " could be read from it; the rest of the file cannot be used.\n\n";
    text += method == LoadMethod::ReplaceAll
                ? "If you go on, all your current data will be replaced by what could be read."
                : "If you go on, what could be read will be merged into your current data.";
    return text + "\n\nDo you want to go on?";
}

LoadApplyResult CDataLoad::Apply(CPunchwellApp& app, LoadMethod method,
                                 const LoadOptions& options) const {
    LoadApplyResult result;
    if (!m_readable) {
        result.status = LoadApplyResult::Status::NotReadable;
        return result;
    }
    // A wrong load can be undone by loading this copy.
    if (app.DataFileExists()) {
        const FileResult copy = KeepBeforeLoadCopy(app, result.keptCopy);
        if (!copy.ok) {
            result.copyError = copy.message;
            if (!options.goOnWithoutCopy) {
                result.status = LoadApplyResult::Status::CopyFailed;
                return result;
            }
        }
    }

    if (method == LoadMethod::ReplaceAll)
        app.Store().RemoveAll();
    // The bytes read at the start, not the file again: what was shown is what is loaded.
    result.read = CDataFile::Read(m_bytes, app.Store());
    std::string password = app.ScrambledPassword();
    std::uint16_t locked = app.LockFlag();
    TakeLoadedPasswordAndLock(result.read, password, locked);
    app.SetScrambledPassword(std::move(password));
    app.SetLockFlag(locked);
    if (result.read.damaged)
        app.SetLoadFailed(true);
    if (method == LoadMethod::MergeFiles)
        result.merge = MergeRecords(app.Store(), options.progress);
    // The load procedure checked out first, so no period of this program is open now.
    KeepOneRunningPeriod(app.Store());
    result.lockedAfter = app.LockFlag() != 0;
    result.saved = app.Save();
    return result;
}

std::string CopyFailedQuestion(const LoadApplyResult& result) {
    return "Before loading, Punchwell keeps a copy of your current data so that the load can "
           "be undone, but no copy could be made:\n" +
           result.copyError + "\n\nDo you want to load the file without keeping a copy?";
}

void TakeLoadedPasswordAndLock(const DataFileReadResult& read, std::string& scrambledPassword,
                               std::uint16_t& locked) {
    if (read.passwordRead && scrambledPassword.empty())
        scrambledPassword = read.password;
    if (read.lockedRead)
        locked = read.locked;
}

FileResult KeepBeforeLoadCopy(CPunchwellApp& app, std::string& copyPath) {
    copyPath.clear();
    const std::string& path = app.GetDataPath();
    const std::string directory = DirectoryOf(path);
    const std::string name = FileNameOf(path);
    const auto dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && dot != 0;
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : "";
    const std::int32_t now = app.GetClock().Now();
    std::string stamp = FormatLocal(now, "%Y%m%d-%H%M%S");
    if (stamp.empty())
        stamp = std::to_string(now);
    const std::string base = stem + ".before-load-" + stamp;

    FileResult last = FileResult::Failure("No name was free for a copy of " + path + ".");
    for (int n = 1; n <= 1000; ++n) {
        std::string candidateName = base;
        if (n > 1)
            candidateName.append("-").append(std::to_string(n));
        candidateName.append(ext);
        const std::string candidate = JoinPath(directory, candidateName);
        if (FileExists(candidate))
            continue;
        last = CopyFileNoOverwrite(path, candidate);
        if (last.ok) {
            copyPath = candidate;
            return last;
        }
        if (!FileExists(candidate))
            return last; // not a name taken in between: the copy itself failed
    }
    return last;
}
