#include "core/platform/DataFolderLock.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

using coretest::ReadFile;
using coretest::TempDir;
using coretest::WriteFile;

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
// Another process that takes the folder's lock and keeps it until it is killed.
class LockHolder {
public:
    explicit LockHolder(const std::string& directory) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            CDataFolderLock lock("punchwell");
            const char status =
                lock.TryAcquire(directory) == CDataFolderLock::Status::Held ? 'H' : 'X';
            [[maybe_unused]] auto n = ::write(fds[1], &status, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char status = 0;
        m_held = ::read(fds[0], &status, 1) == 1 && status == 'H';
        ::close(fds[0]);
    }
    ~LockHolder() { Kill(); }
    bool Held() const { return m_held; }
    pid_t Pid() const { return m_pid; }
    // As a crash would: no destructor of the holder runs.
    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};
#endif

// The tests with a second process start it with fork; on Windows the cli's tests take the
// lock from another process.
#define SKIP_WITHOUT_FORK() GTEST_SKIP() << "starts its second process with fork"

TEST(DataFolderLock, ALiveHolderKeepsTheFolderAndItsDeathFreesIt) {
#ifdef _WIN32
    SKIP_WITHOUT_FORK();
#else
    TempDir dir;
    LockHolder other(dir.str());
    ASSERT_TRUE(other.Held());

    CDataFolderLock lock("punchwell-cli");
    EXPECT_EQ(lock.TryAcquire(dir.str()), CDataFolderLock::Status::HeldByOther);
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_EQ(lock.OtherHolder(), "punchwell " + std::to_string(other.Pid()));

    other.Kill();
    EXPECT_EQ(lock.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
    EXPECT_EQ(ReadFile(dir.file("punchwell.lock")),
              "punchwell-cli " + std::to_string(::getpid()) + "\n");
#endif
}

TEST(DataFolderLock, TwoHoldersInOneProcessExcludeEachOtherUntilRelease) {
    TempDir dir;
    CDataFolderLock first;
    CDataFolderLock second;
    ASSERT_EQ(first.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
    EXPECT_EQ(second.TryAcquire(dir.str()), CDataFolderLock::Status::HeldByOther);
    first.Release();
    EXPECT_EQ(second.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
    // The file stays: removing it would let a third process lock a new file of the same name.
    second.Release();
    EXPECT_TRUE(fs::exists(dir.path() / "punchwell.lock"));
}

TEST(DataFolderLock, ChildProcessesDoNotInheritTheLock) {
#ifdef _WIN32
    SKIP_WITHOUT_FORK();
#else
    TempDir dir;
    {
        CDataFolderLock lock;
        ASSERT_EQ(lock.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
        // A program started from the holder (a browser showing a report) outlives it.
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execlp("sleep", "sleep", "5", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(child, 0);
        // The pipe closes when the child has replaced itself with the new program.
        ::close(fds[1]);
        char byte;
        while (::read(fds[0], &byte, 1) > 0) {
        }
        ::close(fds[0]);
        lock.Release();
        CDataFolderLock next;
        EXPECT_EQ(next.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
#endif
}

TEST(DataFolderLock, AFolderThatCannotHoldTheLockFileIsAnErrorNamingThePath) {
    TempDir dir;
    CDataFolderLock lock;
    const std::string missing = dir.file("no such folder");
    EXPECT_EQ(lock.TryAcquire(missing), CDataFolderLock::Status::Error);
    const std::string lockFile = (fs::path(missing) / "punchwell.lock").string();
    EXPECT_NE(lock.ErrorMessage().find(lockFile), std::string::npos) << lock.ErrorMessage();
}

// Only temporary files of interrupted saves of data files go; everything else stays.
TEST(DataFolderLock, TakingTheLockRemovesLeftoversOfInterruptedSaves) {
    TempDir dir;
#ifdef _WIN32
    // The temporary names of saves there: "<name>.tmp<process id>-<attempt>".
    const std::vector<std::string> leftovers = {"timedata.pnd.tmp4242-0", "tdbackup.pnd.tmp7-12",
                                                "week 12.pnd.tmp100-99"};
    const std::vector<std::string> kept = {"timedata.pnd",          "timedata.pnd.tmp4242",
                                           "timedata.pnd.tmp-0",    "notes.txt.tmp4242-0",
                                           "timedata.pnd.tmp42-x",  ".pnd.tmp4242-0",
                                           "timedata.pnd.tmp4-2.x", ".timedata.pnd.tmp-a1B2c3"};
    const std::string folderName = "folder.pnd.tmp1-1";
#else
    const std::vector<std::string> leftovers = {
        ".timedata.pnd.tmp-a1B2c3", ".tdbackup.pnd.tmp-ZZZZZZ", ".week 12.pnd.tmp-000000"};
    const std::vector<std::string> kept = {
        "timedata.pnd",          ".timedata.pnd.tmp-abc",     ".timedata.pnd.tmp-abcdefg",
        ".notes.txt.tmp-abcdef", "timedata.pnd.tmp-abcdef",   ".timedata.pnd.tmp-ab_def",
        ".pnd.tmp-abcdef",       ".timedata.pnd.tmp-abcdef.x"};
    const std::string folderName = ".folder.pnd.tmp-qwerty";
#endif
    for (const auto& name : leftovers)
        WriteFile(dir.path() / name, "password and all");
    for (const auto& name : kept)
        WriteFile(dir.path() / name, "keep");
#ifndef _WIN32
    // A link of a leftover's name is not followed out of the folder, nor removed. (Making
    // links takes a privilege on Windows.)
    TempDir elsewhere;
    WriteFile(elsewhere.path() / "target", "someone else's");
    fs::create_symlink(elsewhere.path() / "target", dir.path() / ".linked.pnd.tmp-qwerty");
#endif
    fs::create_directory(dir.path() / folderName);

    CDataFolderLock lock;
    ASSERT_EQ(lock.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
    EXPECT_EQ(lock.RemovedLeftovers(), static_cast<int>(leftovers.size()));
    for (const auto& name : leftovers)
        EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(dir.path() / ".linked.pnd.tmp-qwerty"));
    EXPECT_EQ(ReadFile(elsewhere.path() / "target"), "someone else's");
#endif
    EXPECT_TRUE(fs::is_directory(dir.path() / folderName));
}

TEST(DataFolderLock, ARefusedLockRemovesNothing) {
    TempDir dir;
#ifdef _WIN32
    // Locks on Windows belong to the handle: a holder in this process stands for another.
    CDataFolderLock other;
    ASSERT_EQ(other.TryAcquire(dir.str()), CDataFolderLock::Status::Held);
    const std::string leftover = "timedata.pnd.tmp4242-0";
#else
    LockHolder other(dir.str());
    ASSERT_TRUE(other.Held());
    const std::string leftover = ".timedata.pnd.tmp-a1B2c3";
#endif
    // While the holder lives, this may be its save in progress.
    WriteFile(dir.path() / leftover, "in flight");
    CDataFolderLock lock;
    EXPECT_EQ(lock.TryAcquire(dir.str()), CDataFolderLock::Status::HeldByOther);
    EXPECT_TRUE(fs::exists(dir.path() / leftover));
}

} // namespace
