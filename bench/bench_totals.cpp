// The five figures (today, week, month, year, total) of every project over stores of
// 1,000 to 100,000 periods across 50 projects.
#include "core/data/Store.h"
#include "core/timing/TaskTotals.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kProjects = 50;
constexpr std::int32_t kNow = 1765000000;

std::string ProjectName(int i) {
    return "Project " + std::to_string(i);
}

const CStore& StoreOf(int periods) {
    static std::map<int, std::unique_ptr<CStore>> cache;
    auto& store = cache[periods];
    if (!store) {
        store = std::make_unique<CStore>();
        for (int i = 0; i < kProjects; ++i)
            store->AppendTask(std::make_unique<CTask>(ProjectName(i)));
        std::mt19937 random(99);
        std::int32_t start = kNow;
        for (int i = 0; i < periods; ++i) {
            auto period = std::make_unique<CDoneTask>(
                ProjectName(static_cast<int>(random() % kProjects)), "");
            const auto length = static_cast<std::int32_t>(600 + random() % 7200);
            period->SetStart(start - length);
            period->SetEnd(start);
            store->AppendDoneTask(std::move(period));
            start -= length + static_cast<std::int32_t>(60 + random() % 3600);
        }
    }
    return *store;
}

// All five figures of all projects in one walk, as the program shows them.
void BM_AllTotalsOneWalk(benchmark::State& state) {
    const CStore& store = StoreOf(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeAllTotals(store, kNow, 1));
}

// The same figures asked one at a time: five walks per project.
void BM_AllTotalsPerProject(benchmark::State& state) {
    const CStore& store = StoreOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (const auto& task : store.Tasks()) {
            const CTaskTotals totals(store, *task);
            for (int kind = 0; kind < 4; ++kind)
                sum += totals.GetPeriodTime(static_cast<PeriodKind>(kind), kNow, 1);
            sum += totals.GetTotalTime();
        }
        benchmark::DoNotOptimize(sum);
    }
}

// What the Configure Projects dialog recomputes once a second: one project's time today and
// in total.
void BM_SelectedProjectStatusRefresh(benchmark::State& state) {
    const CStore& store = StoreOf(static_cast<int>(state.range(0)));
    const CTaskTotals totals(store, ProjectName(7));
    for (auto _ : state) {
        benchmark::DoNotOptimize(totals.GetTotalTime());
        benchmark::DoNotOptimize(totals.GetPeriodTime(PeriodKind::Today, kNow, 1));
    }
}

} // namespace

BENCHMARK(BM_SelectedProjectStatusRefresh)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTotalsOneWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTotalsPerProject)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
