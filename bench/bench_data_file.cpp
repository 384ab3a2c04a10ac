// Save and load of the data file at 1,000 / 10,000 / 100,000 periods over 50 projects, a
// one-write baseline for the save, and the heap a loaded store takes.
//
// Files go to a fresh folder under $TMPDIR (default /tmp): run with TMPDIR on the disk you
// care about, since a save's cost is mostly the sync.

#include "HeapCounter.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kProjects = 50;

// A folder for the files, removed at exit.
struct BenchDir {
    std::string path;
    BenchDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "punchwell-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path = pattern;
    }
    ~BenchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};
const std::string& Dir() {
    static BenchDir dir;
    return dir.path;
}

std::string ProjectName(int i) {
    static const char* const kinds[] = {
        "Website",       "Accounts", "Support", "Design review", "Migration to the new server",
        "Caf\u00e9 menu"};
    return "Client " + std::to_string(i) + " - " + kinds[i % 6];
}

// Notes as people write them: a quarter empty, most a line, some long, a few several lines.
std::string Notes(std::mt19937& random) {
    static const char* const words[] = {
        "call", "with",   "client", "fixed", "layout", "invoice", "r\u00e9sum\u00e9", "meeting",
        "the",  "deploy", "review", "bug",   "notes",  "and",     "database",         "email"};
    const int kind = static_cast<int>(random() % 100);
    int count = 0;
    if (kind < 25)
        return {};
    if (kind < 75)
        count = 2 + static_cast<int>(random() % 12);
    else if (kind < 95)
        count = 15 + static_cast<int>(random() % 35);
    else
        count = 30 + static_cast<int>(random() % 60);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += (kind >= 95 && i % 12 == 0) ? "\r\n" : " ";
        text += words[random() % 16];
    }
    return text;
}

void FillStore(CStore& store, int periods) {
    for (int i = 0; i < kProjects; ++i) {
        auto task = std::make_unique<CTask>(ProjectName(i));
        task->SetRate(static_cast<std::uint32_t>(20 + i), static_cast<std::uint8_t>(i * 7 % 100));
        store.AppendTask(std::move(task));
    }
    std::mt19937 random(12345);
    // Newest first, as the program keeps them: about an hour each, a few a day.
    std::int32_t start = 1700000000;
    for (int i = 0; i < periods; ++i) {
        auto period = std::make_unique<CDoneTask>(
            ProjectName(static_cast<int>(random() % kProjects)), Notes(random));
        const auto length = static_cast<std::int32_t>(600 + random() % 7200);
        period->SetStart(start - length);
        period->SetEnd(start);
        if (random() % 50 == 0)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
        start -= length + static_cast<std::int32_t>(60 + random() % 3600);
    }
}

// The serialised file of each size, built once.
const std::string& FileBytes(int periods) {
    static std::map<int, std::string> cache;
    auto& bytes = cache[periods];
    if (bytes.empty()) {
        CStore store;
        FillStore(store, periods);
        bytes = CDataFile::Write(store, {}, 0);
    }
    return bytes;
}

std::string WriteFile(int periods) {
    const std::string path = Dir() + "/load-" + std::to_string(periods) + ".pnd";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        const std::string& bytes = FileBytes(periods);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return path;
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
    CDataFile::Read(FileBytes(periods), app);
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
        app.RemoveAll();
        state.ResumeTiming();
        const LoadOutcome outcome = app.LoadData(path);
        if (outcome.read.damaged || app.GetDoneCount() != static_cast<std::size_t>(periods)) {
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
}

} // namespace

#define PUNCHWELL_SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_SaveData) PUNCHWELL_SIZES;
BENCHMARK(BM_WriteOnceFdatasync) PUNCHWELL_SIZES;
BENCHMARK(BM_WriteOnce) PUNCHWELL_SIZES;
BENCHMARK(BM_Serialise) PUNCHWELL_SIZES;
BENCHMARK(BM_LoadData) PUNCHWELL_SIZES;
BENCHMARK(BM_Decode) PUNCHWELL_SIZES;
BENCHMARK(BM_StoreMemory) PUNCHWELL_SIZES->Iterations(3);

BENCHMARK_MAIN();
