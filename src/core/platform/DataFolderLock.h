#pragma once

#include <string>

// The one-writer-per-data-folder lock that the program and every writing cli command share.
// It is an operating-system lock on "punchwell.lock" in the folder, so the system releases it
// when its holder dies: a lock left by a crash never needs guessing about. The file itself
// stays in place (removing it would let two processes lock two different files of one name).
// Whoever takes the lock also removes the temporary files that interrupted saves left behind,
// since no other writer can be saving in the folder then.
class CDataFolderLock {
public:
    static constexpr const char* kLockFileName = "punchwell.lock";

    enum class Status {
        Held,        // this object holds the lock now
        HeldByOther, // another live process (or another lock object) holds it
        Error,       // the lock file could not be opened or locked; see ErrorMessage()
    };

    // `holder` is written into the lock file so that a refused writer can say who holds it.
    explicit CDataFolderLock(std::string holder = "punchwell");
    ~CDataFolderLock();
    CDataFolderLock(const CDataFolderLock&) = delete;
    CDataFolderLock& operator=(const CDataFolderLock&) = delete;

    // Tries once, without waiting. On Held, leftovers of interrupted saves are removed.
    Status TryAcquire(const std::string& dataDirectory);
    void Release();
    bool IsHeld() const { return m_handle != kNoHandle; }

    // The lock file of the last TryAcquire.
    const std::string& LockFilePath() const { return m_path; }
    // For Error: the path and the cause, ready to show.
    const std::string& ErrorMessage() const { return m_error; }
    // For HeldByOther: who holds it as the holder wrote it ("punchwell 1234"), or empty.
    const std::string& OtherHolder() const { return m_otherHolder; }
    // How many leftover temporary files the last successful TryAcquire removed.
    int RemovedLeftovers() const { return m_removedLeftovers; }

    static std::string LockFilePathFor(const std::string& dataDirectory);

private:
    static constexpr long long kNoHandle = -1;

    std::string m_holder;
    std::string m_path;
    std::string m_error;
    std::string m_otherHolder;
    int m_removedLeftovers = 0;
    long long m_handle = kNoHandle;
};

// True for a name that a save in progress gives its temporary file for a data file of the
// program (".timedata.pnd.tmp-a1B2c3"; on Windows "timedata.pnd.tmp1234-0").
bool IsSaveLeftoverName(const std::string& fileName);

// Removes the leftovers of interrupted saves in `directory`; the caller must hold the
// folder's lock. Returns how many were removed.
int RemoveSaveLeftovers(const std::string& directory);
