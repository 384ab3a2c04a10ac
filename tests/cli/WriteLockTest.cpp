#include "CliProcess.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/platform/DataFolderLock.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string DataFileWith(const std::string& project) {
    CStore store;
    store.AppendTask(std::make_unique<CTask>(project));
    auto period = std::make_unique<CDoneTask>(project, "");
    period->SetStart(1773061200);
    period->SetEnd(1773061200 + 3600);
    store.AppendDoneTask(std::move(period));
    return CDataFile::Write(store, "", 0);
}

#ifdef _WIN32
// Stands for the running program: the lock of this process shuts out the tool, another
// process, as the program's would. (Windows frees the lock of a process that dies.)
class RunningProgram {
public:
    explicit RunningProgram(const std::string& directory) : m_lock("punchwell") {
        m_held = m_lock.TryAcquire(directory) == CDataFolderLock::Status::Held;
    }
    bool Held() const { return m_held; }
    unsigned long Pid() const { return GetCurrentProcessId(); }
    void Kill() { m_lock.Release(); }

private:
    CDataFolderLock m_lock;
    bool m_held = false;
};
#else
// Stands for the running program: another process holding the folder's lock as it does.
class RunningProgram {
public:
    explicit RunningProgram(const std::string& directory) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            CDataFolderLock lock("punchwell");
            const char held = lock.TryAcquire(directory) == CDataFolderLock::Status::Held;
            [[maybe_unused]] auto n = ::write(fds[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char held = 0;
        m_held = ::read(fds[0], &held, 1) == 1 && held;
        ::close(fds[0]);
    }
    ~RunningProgram() { Kill(); }
    bool Held() const { return m_held; }
    pid_t Pid() const { return m_pid; }
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

std::vector<std::string> Names(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CliWriteLock, MergeIntoARunningProgramsFolderWritesNothingUntilItEnds) {
    TempDir dir;
    const std::string data = dir / "data";
    fs::create_directory(data);
    const std::string mainFile = data + "/timedata.pnd";
    const std::string other = dir / "other.pnd";
    WriteBytes(mainFile, DataFileWith("Alpha"));
    WriteBytes(other, DataFileWith("Beta"));
    const std::string before = ReadBytes(mainFile);

    RunningProgram program(data);
    ASSERT_TRUE(program.Held());
    const std::string pid = std::to_string(program.Pid());

    // Into the main file, and into any other file of the folder the program runs on.
    for (const std::string& out : {mainFile, data + "/merged.pnd"}) {
        const CliRun run = RunCli({"merge", mainFile, other, "-o", out});
        EXPECT_EQ(run.exitCode, 3) << out;
        EXPECT_EQ(run.err, "punchwell-cli: Punchwell (process " + pid + ") is running on " + data +
                               "; nothing was written to " + out +
                               ". Exit Punchwell (File > Exit) and try again.\n");
    }
    EXPECT_EQ(ReadBytes(mainFile), before);
    EXPECT_EQ(Names(data), (std::vector<std::string>{"punchwell.lock", "timedata.pnd"}));

    // Reading goes on without the lock.
    for (const char* command : {"check", "totals", "dump", "export"}) {
        const CliRun run = RunCli({command, mainFile});
        EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err;
    }

    // Once the program is gone (killed, so its lock was never released by hand), the merge
    // goes through and clears what an interrupted save left.
    program.Kill();
#ifdef _WIN32
    WriteBytes(data + "/timedata.pnd.tmp4242-0", before);
#else
    WriteBytes(data + "/.timedata.pnd.tmp-Xy12Zw", before);
#endif
    const CliRun run = RunCli({"merge", mainFile, other, "-o", mainFile});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadBytes(mainFile), before);
    EXPECT_EQ(Names(data), (std::vector<std::string>{"punchwell.lock", "timedata.pnd"}));
}

TEST(CliWriteLock, AFolderThatIsNoDataFolderGetsNoLockFile) {
    TempDir dir;
    WriteBytes(dir / "a.pnd", DataFileWith("Alpha"));
    const CliRun run = RunCli({"merge", dir / "a.pnd", "-o", dir / "out.pnd"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(fs::exists(dir / "punchwell.lock"));
}

std::size_t Leftovers(const std::string& directory) {
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(directory))
        if (IsSaveLeftoverName(entry.path().filename().string()))
            ++n;
    return n;
}

// Saves of a big file killed at random moments leave temporary copies of the data behind;
// the next writer to take the folder's lock clears every one, and the file stays whole.
TEST(CliWriteLock, KilledSavesLeaveNothingOnceTheLockIsTakenAgain) {
    TempDir dir;
    const std::string data = dir / "data";
    fs::create_directory(data);
    const std::string mainFile = data + "/timedata.pnd";
    CStore store;
    store.AppendTask(std::make_unique<CTask>("Alpha"));
    for (std::int32_t i = 0; i < 50000; ++i) {
        auto period = std::make_unique<CDoneTask>("Alpha", "a note to make the file bigger");
        period->SetStart(1700000000 + i * 100);
        period->SetEnd(1700000000 + i * 100 + 60);
        store.AppendDoneTask(std::move(period));
    }
    WriteBytes(mainFile, CDataFile::Write(store, "", 0));

    const std::vector<std::string> save = {"merge", mainFile, "-o", mainFile};
    // How long one whole save takes here, to spread the kills over it.
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(CliChild(save).Wait(), 0);
    const auto whole = std::chrono::steady_clock::now() - t0;

    // Each killed save's start cleared what the one before left; the kills go on until one
    // lands while the temporary copy exists, so the next start has something to clear.
    int rounds = 0;
    int landed = 0;
    for (; rounds < 60 && Leftovers(data) == 0; ++rounds) {
        CliChild child(save);
        ASSERT_TRUE(child.Started());
        std::this_thread::sleep_for(whole * (rounds % 20 + 1) / 20);
        child.Kill();
        landed += Leftovers(data) > 0 ? 1 : 0;
    }
    std::cout << rounds << " killed saves, the last left " << Leftovers(data)
              << " temporary file(s)\n";
    // Where starting a process costs most of a save (Windows under Wine on a busy machine),
    // the kills may all miss the moment the copy exists: then nothing was tested, and the
    // test says so rather than pass or fail.
    if (landed == 0)
        GTEST_SKIP() << "no kill landed inside a save in " << rounds << " rounds";

    // Reading takes no lock and removes nothing; the next writer does.
    EXPECT_EQ(RunCli({"check", mainFile}).exitCode, 0);
    const CliRun run = RunCli({"merge", mainFile, "-o", mainFile});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Leftovers(data), 0u);
    CStore reread;
    EXPECT_FALSE(CDataFile::Read(ReadBytes(mainFile), reread).damaged);
    EXPECT_EQ(reread.DoneTasks().size(), 50000u);
}

} // namespace
