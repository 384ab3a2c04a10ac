#pragma once

#include "core/app/LoadMethod.h"
#include "core/data/DataFile.h"
#include "core/data/MergeRecords.h"
#include "core/platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CPunchwellApp;
class CStore;

// What applying a load did.
struct LoadApplyResult {
    enum class Status {
        Loaded,      // the store holds the loaded or merged data
        NotReadable, // the file could not be read at all; nothing changed
        CopyFailed,  // no copy of the current main file could be kept; nothing changed
    };
    Status status = Status::Loaded;
    // The copy of the main file kept before anything changed; empty when there was no main
    // file (or, with goOnWithoutCopy, when it could not be made).
    std::string keptCopy;
    std::string copyError;    // why the copy could not be made (path and cause)
    FileResult saved;         // the main file's save; the caller shows a failure
    DataFileReadResult read;  // what reading the file gave
    MergeSummary merge;       // MergeFiles only
    bool lockedAfter = false; // the lock flag, which comes from the file
};

struct LoadOptions {
    // Go on when the copy of the main file cannot be made (after asking the person).
    bool goOnWithoutCopy = false;
    MergeProgress progress; // MergeFiles only; may be empty
};

// The core of Load Data and of the file named on the command line. The desktop asks for the
// method and the file, then:
//   CDataLoad load = CDataLoad::Read(path);
//   if (!load.IsReadable())  -> show load.ErrorMessage(); stop
//   if (load.IsDamaged())    -> ask load.DamagedQuestion(method) (kDamagedCaption); No: stop
//   result = load.Apply(app, method, options);
//   if (result.status == CopyFailed) -> ask CopyFailedQuestion(result); Yes: Apply again
//                                       with goOnWithoutCopy
// then refills the project list. Nothing in the app changes before Apply, so every way out
// before it leaves the data as it was. A running period must be checked out before Apply;
// a period the file holds as running stays marked running (the next start resumes it).
class CDataLoad {
public:
    static constexpr const char* kDamagedCaption = "Damaged Data File";
    static constexpr const char* kNotReadableCaption = "Load Data";
    static constexpr const char* kCopyFailedCaption = "No Copy Kept";

    // Reads the whole file once; nothing else happens.
    static CDataLoad Read(const std::string& path);

    const std::string& Path() const { return m_path; }
    // False when the file is missing or cannot be read; ErrorMessage() then names the path
    // and the cause.
    bool IsReadable() const { return m_readable; }
    const std::string& ErrorMessage() const { return m_error; }

    // A damaged file yields only the records before the damage; these are the counts that a
    // load would add (all of them when the file is whole).
    bool IsDamaged() const { return m_read.damaged; }
    std::size_t ProjectCount() const { return m_read.projectsRead; }
    std::size_t PeriodCount() const { return m_read.periodsRead; }
    const DataFileReadResult& ReadResult() const { return m_read; }

    // The question before a damaged file replaces or joins the data (Yes/No, exclamation).
    std::string DamagedQuestion(LoadMethod method) const;

    // Keeps a copy of the main file, replaces or merges, and saves the main file. The
    // password set in the program stays (a file's password is taken only when none is set);
    // the lock flag comes from the file.
    LoadApplyResult Apply(CPunchwellApp& app, LoadMethod method,
                          const LoadOptions& options = {}) const;

private:
    std::string m_path;
    bool m_readable = false;
    std::string m_error;
    std::string m_bytes;
    DataFileReadResult m_read;
};

// The question when no copy of the main file could be kept (Yes/No, exclamation).
std::string CopyFailedQuestion(const LoadApplyResult& result);

// The password and lock rules of reading a data file into a store that may hold data:
// a password already set is kept, otherwise the file's is taken; the lock flag is the
// file's. Fields the read did not reach change nothing.
void TakeLoadedPasswordAndLock(const DataFileReadResult& read, std::string& scrambledPassword,
                               std::uint16_t& locked);

// Copies the main file to "<stem>.before-load-YYYYMMDD-HHMMSS<ext>" beside it (local time of
// the app's clock), adding "-2", "-3", ... rather than overwriting an earlier copy.
FileResult KeepBeforeLoadCopy(CPunchwellApp& app, std::string& copyPath);
