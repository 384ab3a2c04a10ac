// Merge Files and Export Data as Text at the sizes of ten years of heavy use, and the
// literal list scans of the merge on the same kind of data for comparison.
//
// Merge cases, N periods in each of two files over 50 projects:
//   Same     - a file merged into a store that holds the same periods (all overlap)
//   Disjoint - two files whose periods lie in each other's gaps (nothing merges)
// The literal scans are quadratic and worse; they run at small N, and the figure at
// 50,000 is theirs scaled by the square of the size.

#include "../tests/core/MergeLiteral.h"

#include "core/data/DataFile.h"
#include "core/data/MergeRecords.h"
#include "core/data/Store.h"
#include "core/data/TextExport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kProjects = 50;

std::string ProjectName(int i) {
    return "Client " + std::to_string(i) + " - project";
}

struct Generated {
    std::string first;  // data file bytes
    std::string second; // data file bytes
};

// Check-ins as they come: 15 minutes to 3 hours each, a gap of at least a minute between
// them, newest first as the program keeps them. With `interleave`, every other period goes
// to the second file; otherwise the second file is the first one again.
Generated Generate(int perFile, bool interleave) {
    std::mt19937 random(42);
    struct Period {
        int project;
        std::int32_t start;
        std::int32_t end;
        std::string notes;
    };
    std::vector<Period> periods;
    const int total = interleave ? 2 * perFile : perFile;
    std::int32_t t = 1136192400;
    for (int i = 0; i < total; ++i) {
        const std::int32_t length = 900 + static_cast<std::int32_t>(random() % 9900);
        std::string notes;
        if (random() % 4 != 0)
            notes = "worked on item " + std::to_string(random() % 1000);
        periods.push_back({static_cast<int>(random() % kProjects), t, t + length, notes});
        t += length + 60 + static_cast<std::int32_t>(random() % 7200);
    }
    auto file = [&](int parity) {
        CStore store;
        for (int p = kProjects - 1; p >= 0; --p)
            store.AppendTask(std::make_unique<CTask>(ProjectName(p)));
        for (int i = total - 1; i >= 0; --i) {
            if (interleave && i % 2 != parity)
                continue;
            const Period& p = periods[static_cast<std::size_t>(i)];
            auto period = std::make_unique<CDoneTask>(ProjectName(p.project), p.notes);
            period->SetStart(p.start);
            period->SetEnd(p.end);
            store.AppendDoneTask(std::move(period));
        }
        return CDataFile::Write(store, {}, 0);
    };
    Generated g;
    g.first = file(0);
    g.second = interleave ? file(1) : g.first;
    return g;
}

const Generated& Data(int perFile, bool interleave) {
    static std::map<std::pair<int, bool>, Generated> cache;
    auto it = cache.find({perFile, interleave});
    if (it == cache.end())
        it =
            cache.emplace(std::make_pair(perFile, interleave), Generate(perFile, interleave)).first;
    return it->second;
}

void MergeFast(benchmark::State& state, bool interleave) {
    const Generated& data = Data(static_cast<int>(state.range(0)), interleave);
    std::size_t left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<CStore>();
        CDataFile::Read(data.first, *store);
        CDataFile::Read(data.second, *store);
        state.ResumeTiming();
        MergeRecords(*store);
        left = store->GetDoneCount();
        state.PauseTiming();
        store.reset(); // the store's destruction is not the merge's
        state.ResumeTiming();
    }
    state.counters["periods_after"] = static_cast<double>(left);
}

// What Merge Files does after the file was chosen: read it behind the store, then merge.
void LoadAndMerge(benchmark::State& state, bool interleave) {
    const Generated& data = Data(static_cast<int>(state.range(0)), interleave);
    for (auto _ : state) {
        state.PauseTiming();
        CStore store;
        CDataFile::Read(data.first, store);
        state.ResumeTiming();
        CDataFile::Read(data.second, store);
        MergeRecords(store);
        benchmark::DoNotOptimize(store.GetDoneCount());
    }
}

void MergeLiteral(benchmark::State& state, bool interleave) {
    const Generated& data = Data(static_cast<int>(state.range(0)), interleave);
    std::size_t left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CStore store;
        CDataFile::Read(data.first, store);
        CDataFile::Read(data.second, store);
        std::list<CTask> tasks;
        std::list<CDoneTask> periods;
        for (const auto& t : store.Tasks())
            tasks.push_back(*t);
        for (const auto& p : store.DoneTasks())
            periods.push_back(*p);
        state.ResumeTiming();
        LiteralMergeRecords(tasks, periods);
        left = periods.size();
    }
    state.counters["periods_after"] = static_cast<double>(left);
}

void BM_MergeSame(benchmark::State& state) {
    MergeFast(state, false);
}
void BM_MergeDisjoint(benchmark::State& state) {
    MergeFast(state, true);
}
void BM_LoadAndMergeSame(benchmark::State& state) {
    LoadAndMerge(state, false);
}
void BM_LoadAndMergeDisjoint(benchmark::State& state) {
    LoadAndMerge(state, true);
}
void BM_LiteralMergeSame(benchmark::State& state) {
    MergeLiteral(state, false);
}
void BM_LiteralMergeDisjoint(benchmark::State& state) {
    MergeLiteral(state, true);
}

// 100,000 periods over 50 projects in a zone with daylight saving.
const CStore& ExportStore(int periods) {
    static std::map<int, std::unique_ptr<CStore>> cache;
    auto& store = cache[periods];
    if (!store) {
        store = std::make_unique<CStore>();
        CDataFile::Read(Generate(periods, false).first, *store);
    }
    return *store;
}

void SetZone() {
    setenv("TZ", "America/New_York", 1);
    tzset();
}

void BM_ExportText(benchmark::State& state) {
    SetZone();
    const CStore& store = ExportStore(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = ExportDataAsText(store);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// The same, written durably to a file in $TMPDIR (default /tmp).
void BM_ExportTextToFile(benchmark::State& state) {
    SetZone();
    const CStore& store = ExportStore(static_cast<int>(state.range(0)));
    const std::string path =
        (std::filesystem::temp_directory_path() / "punchwell-bench-export.txt").string();
    for (auto _ : state) {
        if (!WriteTextExport(store, path).ok)
            state.SkipWithError("the export could not be written");
    }
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_MergeSame)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeDisjoint)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndMergeSame)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndMergeDisjoint)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralMergeSame)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralMergeDisjoint)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportTextToFile)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
