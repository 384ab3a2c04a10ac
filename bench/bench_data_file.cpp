// Save and load of the data file at 10,000 / 100,000 / 500,000 periods over 50 projects,
// each against its floor in the same run, and the heap a loaded store takes.
//
// The *Paired benchmarks run the operation and its floor in turn and report the median of
// the ratios pair by pair ("ratio"; "cpu_ratio" the same of this thread's CPU time): LoadData
// against reading the file's bytes into fresh memory, SaveData of an unchanged store against one
// write + fdatasync of the same bytes.
//
// Files go to a fresh folder under $TMPDIR (default /tmp): run with TMPDIR on the disk you
// care about, since a save's cost is mostly the sync.

#include "BenchData.h"
#include "HeapCounter.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <benchmark/benchmark.h>

#include "core/platform/FileSystem.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& Dir() {
    return BenchDir();
}
const std::string& FileBytes(int periods) {
    return BenchFileBytes(periods);
}
std::string WriteFile(int periods) {
    return BenchFile(periods);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// This thread's CPU time: on a machine busy with other work it says what the operation
// itself cost, where the wall clock also counts the waits for a processor.
double ThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void SetFileCounters(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_KB"] = static_cast<double>(bytes) / 1024.0;
}

// --- save ----------------------------------------------------------------------------------

// SaveData: serialise, write a temporary file, sync it, rename it over, sync the folder.
void BM_SaveData(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    CPunchwellApp app(Dir());
    CDataFile::Read(FileBytes(periods), app.Store());
    for (auto _ : state) {
        if (!app.SaveData()) {
            state.SkipWithError("SaveData failed");
            break;
        }
    }
    SetFileCounters(state, FileBytes(periods).size());
}

// Serialising alone, no file.
void BM_Serialise(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    CStore store;
    CDataFile::Read(FileBytes(periods), store);
    for (auto _ : state)
        benchmark::DoNotOptimize(CDataFile::Write(store, {}, 0));
    SetFileCounters(state, FileBytes(periods).size());
}

// Serialising as a save does, a block at a time into a kept block, the blocks dropped.
void BM_SerialiseBlocks(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    CStore store;
    CDataFile::Read(FileBytes(periods), store);
    std::string block;
    for (auto _ : state) {
        std::size_t bytes = 0;
        CDataFile::Write(store, {}, 0, block, [&](std::string_view piece) {
            bytes += piece.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
    SetFileCounters(state, FileBytes(periods).size());
}

// Baseline: the same bytes in one write() to the file in place, with or without a sync.
void WriteOnce(benchmark::State& state, bool sync) {
    const int periods = static_cast<int>(state.range(0));
    const std::string& bytes = FileBytes(periods);
    const std::string path = Dir() + "/baseline.pnd";
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (sync)
            ::fdatasync(fd);
        ::close(fd);
        if (fd < 0 || written != static_cast<ssize_t>(bytes.size())) {
            state.SkipWithError("baseline write failed");
            break;
        }
    }
    SetFileCounters(state, bytes.size());
}
void BM_WriteOnce(benchmark::State& state) {
    WriteOnce(state, false);
}
void BM_WriteOnceFdatasync(benchmark::State& state) {
    WriteOnce(state, true);
}

// --- load ----------------------------------------------------------------------------------

// LoadData into an empty store: read the file, decode, build the records.
void BM_LoadData(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    const std::string path = WriteFile(periods);
    CPunchwellApp app(Dir());
    for (auto _ : state) {
        state.PauseTiming();
        app.Store().RemoveAll();
        state.ResumeTiming();
        const LoadOutcome outcome = app.LoadData(path);
        if (outcome.read.damaged ||
            app.Store().GetDoneCount() != static_cast<std::size_t>(periods)) {
            state.SkipWithError("LoadData did not read the file");
            break;
        }
    }
    SetFileCounters(state, FileBytes(periods).size());
}

// Decoding alone, from memory.
void BM_Decode(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    const std::string& bytes = FileBytes(periods);
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<CStore>();
        state.ResumeTiming();
        CDataFile::Read(bytes, *store);
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    SetFileCounters(state, bytes.size());
}

// --- paired with the floors ------------------------------------------------------------

// One write of the bytes to a file in place, then fdatasync.
bool WriteAndSync(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    ::fdatasync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

void BM_SaveDataPaired(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    CPunchwellApp app(Dir());
    app.LoadData(WriteFile(periods));
    const std::string& bytes = FileBytes(periods);
    const std::string floorPath = Dir() + "/floor.pnd";
    std::vector<double> ratios, floors, cpuRatios;
    app.SaveData(); // the first save makes the buffer every later save reuses
    for (auto _ : state) {
        auto t = std::chrono::steady_clock::now();
        double cpu = ThreadCpu();
        if (!WriteAndSync(floorPath, bytes)) {
            state.SkipWithError("floor write failed");
            return;
        }
        const double floor = Seconds(t);
        const double floorCpu = ThreadCpu() - cpu;
        t = std::chrono::steady_clock::now();
        cpu = ThreadCpu();
        if (!app.SaveData()) {
            state.SkipWithError("SaveData failed");
            return;
        }
        const double save = Seconds(t);
        cpuRatios.push_back((ThreadCpu() - cpu) / floorCpu);
        state.SetIterationTime(save);
        ratios.push_back(save / floor);
        floors.push_back(floor);
    }
    state.counters["floor_ms"] = Median(floors) * 1000;
    state.counters["ratio"] = Median(ratios);
    state.counters["cpu_ratio"] = Median(cpuRatios);
    SetFileCounters(state, bytes.size());
}

void BM_LoadDataPaired(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    const std::string path = WriteFile(periods);
    std::vector<double> ratios, floors, cpuRatios;
    for (auto _ : state) {
        auto t = std::chrono::steady_clock::now();
        double cpu = ThreadCpu();
        {
            CFileBytes bytes;
            std::string error;
            if (ReadFileBytes(path, bytes, error) != ReadStatus::Ok) {
                state.SkipWithError("floor read failed");
                return;
            }
            benchmark::DoNotOptimize(bytes.View().data());
        }
        const double floor = Seconds(t);
        const double floorCpu = ThreadCpu() - cpu;
        auto app = std::make_unique<CPunchwellApp>(Dir());
        t = std::chrono::steady_clock::now();
        cpu = ThreadCpu();
        const LoadOutcome outcome = app->LoadData(path);
        const double load = Seconds(t);
        cpuRatios.push_back((ThreadCpu() - cpu) / floorCpu);
        if (outcome.read.damaged ||
            app->Store().GetDoneCount() != static_cast<std::size_t>(periods)) {
            state.SkipWithError("LoadData did not read the file");
            return;
        }
        app.reset(); // freeing the store is not the load's
        state.SetIterationTime(load);
        ratios.push_back(load / floor);
        floors.push_back(floor);
    }
    state.counters["floor_ms"] = Median(floors) * 1000;
    state.counters["ratio"] = Median(ratios);
    state.counters["cpu_ratio"] = Median(cpuRatios);
    SetFileCounters(state, FileBytes(periods).size());
}

// --- memory --------------------------------------------------------------------------------

std::size_t MallocInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The heap a loaded store keeps (live bytes after LoadData), the peak while loading (the
// file's bytes are held during the decode), and malloc's own view including its overhead.
void BM_StoreMemory(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    const std::string path = WriteFile(periods);
    double live = 0, peak = 0, inUse = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<CPunchwellApp>(Dir());
        const std::size_t before = MallocInUse();
        CHeapCounter::Start();
        state.ResumeTiming();
        app->LoadData(path);
        state.PauseTiming();
        CHeapCounter::Stop();
        live = static_cast<double>(CHeapCounter::Live());
        peak = static_cast<double>(CHeapCounter::Peak());
        inUse = static_cast<double>(MallocInUse() - before);
        app.reset();
        state.ResumeTiming();
    }
    constexpr double MB = 1024.0 * 1024.0;
    state.counters["store_MB"] = live / MB;
    state.counters["peak_MB"] = peak / MB;
    state.counters["malloc_MB"] = inUse / MB;
    state.counters["bytes_per_period"] = live / periods;
    state.counters["store_per_file"] = live / static_cast<double>(FileBytes(periods).size());
}

} // namespace

#define PUNCHWELL_SIZES ->Arg(10000)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_LoadDataPaired) PUNCHWELL_SIZES->UseManualTime();
BENCHMARK(BM_SaveDataPaired) PUNCHWELL_SIZES->UseManualTime();
BENCHMARK(BM_SaveData) PUNCHWELL_SIZES;
BENCHMARK(BM_WriteOnceFdatasync) PUNCHWELL_SIZES;
BENCHMARK(BM_WriteOnce) PUNCHWELL_SIZES;
BENCHMARK(BM_Serialise) PUNCHWELL_SIZES;
BENCHMARK(BM_SerialiseBlocks) PUNCHWELL_SIZES;
BENCHMARK(BM_LoadData) PUNCHWELL_SIZES;
BENCHMARK(BM_Decode) PUNCHWELL_SIZES;
BENCHMARK(BM_StoreMemory) PUNCHWELL_SIZES->Iterations(3);

BENCHMARK_MAIN();
