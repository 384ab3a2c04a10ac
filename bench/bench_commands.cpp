// Whole commands of punchwell-cli as a person runs them, each against its floor measured in
// the same run: the two are run in turn, pair after pair, and the ratio is taken pair by
// pair (its median is what to quote), so a machine busy with other work shifts both alike.
//
//   check, export, totals  vs  reading the file's bytes into memory
//   report (every period, money owed)  vs  reading the file + one durable write of the report
//   merge of a file into itself  vs  reading both + one durable write of the result
//
// The floors are this program itself, run as a separate process with --floor, so they pay
// the same process start. Peak memory (the largest resident set of the command) is shown too,
// and the ratio of CPU time (user + system), which a machine shared with other work disturbs
// less than the wall clock; for the floors that sync, the wall clock is the one that counts.
// Files go to a fresh folder under $TMPDIR (default /tmp).

#include "BenchData.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string g_self;

struct RunResult {
    double seconds = 0;
    double cpuSeconds = 0; // user + system: steadier than the wall clock on a busy machine
    double peakMB = 0;
    bool ok = false;
};

// `showErrors`: the command's standard error stays on the terminal, to tell why it failed.
RunResult Run(const std::vector<std::string>& args, bool showErrors = false) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        if (!showErrors)
            dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    RunResult result;
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    result.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    auto secondsOf = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    result.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::size_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

// Runs the command and its floor in turn, every iteration one pair; the iteration's time is
// the command's.
void Paired(benchmark::State& state, const std::vector<std::string>& command,
            const std::vector<std::string>& floor) {
    std::vector<double> ratios, cpuRatios, floors, peaks, floorPeaks;
    for (auto _ : state) {
        const RunResult f = Run(floor);
        const RunResult c = Run(command);
        if (!c.ok || !f.ok) {
            state.SkipWithError(c.ok ? "the floor failed" : "the command failed");
            return;
        }
        state.SetIterationTime(c.seconds);
        ratios.push_back(c.seconds / f.seconds);
        cpuRatios.push_back(c.cpuSeconds / std::max(f.cpuSeconds, 1e-4));
        floors.push_back(f.seconds);
        peaks.push_back(c.peakMB);
        floorPeaks.push_back(f.peakMB);
    }
    state.counters["floor_ms"] = Median(floors) * 1000;
    state.counters["ratio"] = Median(ratios);
    state.counters["cpu_ratio"] = Median(cpuRatios);
    state.counters["peak_MB"] = Median(peaks);
    state.counters["floor_peak_MB"] = Median(floorPeaks);
}

std::string Cli() {
    return PUNCHWELL_CLI_PATH;
}

// The data file of that size, made by a child process: the commands are started from this
// one, and the peak memory the system reports for them counts what it held before the exec.
std::string DataFile(int periods) {
    const pid_t pid = fork();
    if (pid == 0) {
        BenchFile(periods);
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    return BenchDir() + "/data-" + std::to_string(periods) + ".pnd";
}

void BM_Check(benchmark::State& state) {
    const std::string file = DataFile(static_cast<int>(state.range(0)));
    Paired(state, {Cli(), "check", file}, {g_self, "--floor", "0", "-", file});
    state.counters["file_MB"] = static_cast<double>(FileSize(file)) / (1024 * 1024);
}

void BM_Export(benchmark::State& state) {
    const std::string file = DataFile(static_cast<int>(state.range(0)));
    Paired(state, {Cli(), "export", file}, {g_self, "--floor", "0", "-", file});
}

void BM_Totals(benchmark::State& state) {
    const std::string file = DataFile(static_cast<int>(state.range(0)));
    Paired(state, {Cli(), "totals", "--now", "2025-10-09T12:00:00", file},
           {g_self, "--floor", "0", "-", file});
}

void BM_Report(benchmark::State& state) {
    const std::string file = DataFile(static_cast<int>(state.range(0)));
    const std::string out = BenchDir() + "/report.html";
    const std::vector<std::string> command = {Cli(),       "report", "--all", "total",
                                              "--periods", "--cost", "--now", "2025-10-09T12:00:00",
                                              "--title",   "Bench",  "-o",    out,
                                              file};
    // The report's size, for a floor that writes as many bytes.
    if (!Run(command, true).ok) {
        state.SkipWithError("the report failed");
        return;
    }
    const std::string size = std::to_string(FileSize(out));
    Paired(state, command, {g_self, "--floor", size, BenchDir() + "/floor.html", file});
    state.counters["report_MB"] = std::stod(size) / (1024 * 1024);
}

void BM_MergeIntoItself(benchmark::State& state) {
    const std::string file = DataFile(static_cast<int>(state.range(0)));
    const std::string out = BenchDir() + "/merged.pnd";
    const std::vector<std::string> command = {Cli(), "merge", file, file, "-o", out};
    if (!Run(command, true).ok) {
        state.SkipWithError("the merge failed");
        return;
    }
    const std::string size = std::to_string(FileSize(out));
    Paired(state, command, {g_self, "--floor", size, BenchDir() + "/floor.pnd", file, file});
}

// --floor SIZE OUT FILE...: reads every FILE whole into fresh memory, then, unless SIZE is
// 0, writes SIZE bytes durably to OUT as a save does (temporary file, write, sync, rename,
// sync the folder).
int Floor(int argc, char** argv) {
    const std::size_t size = std::strtoull(argv[2], nullptr, 10);
    const std::string out = argv[3];
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t last = 0;
    for (int i = 4; i < argc; ++i) {
        const int fd = open(argv[i], O_RDONLY);
        struct stat st {};
        if (fd < 0 || fstat(fd, &st) != 0)
            return 1;
        last = static_cast<std::size_t>(st.st_size);
        blocks.push_back(std::make_unique_for_overwrite<char[]>(last + 1));
        std::size_t got = 0;
        ssize_t n = 0;
        while ((n = read(fd, blocks.back().get() + got, last + 1 - got)) > 0)
            got += static_cast<std::size_t>(n);
        close(fd);
        if (n < 0 || got != last)
            return 1;
    }
    if (size == 0)
        return 0;
    const std::string temp = out + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || last == 0)
        return 1;
    // The report's bytes stand in as the input's, repeated: what is written is the cost.
    for (std::size_t done = 0; done < size;) {
        const std::size_t chunk = std::min(size - done, last);
        if (write(fd, blocks.back().get(), chunk) != static_cast<ssize_t>(chunk))
            return 1;
        done += chunk;
    }
    if (fdatasync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), out.c_str()) != 0)
        return 1;
    const int dir = open(BenchDir().c_str(), O_RDONLY | O_DIRECTORY);
    fsync(dir);
    close(dir);
    return 0;
}

} // namespace

#define PUNCHWELL_SIZES                                                                            \
    ->Arg(10000)->Arg(100000)->Arg(500000)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Check) PUNCHWELL_SIZES;
BENCHMARK(BM_Totals) PUNCHWELL_SIZES;
BENCHMARK(BM_Export) PUNCHWELL_SIZES;
BENCHMARK(BM_Report) PUNCHWELL_SIZES;
BENCHMARK(BM_MergeIntoItself)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--floor") == 0)
        return Floor(argc, argv);
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    g_self.assign(self, static_cast<std::size_t>(n));
    // The commands read no options of the person running the benchmark.
    setenv("XDG_CONFIG_HOME", BenchDir().c_str(), 1);
    setenv("XDG_DATA_HOME", BenchDir().c_str(), 1);
    setenv("TZ", "America/New_York", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
