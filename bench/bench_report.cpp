// A full report: every period of 50 projects (All Projects, Total, one line per period,
// money owed), over stores of 10,000 and 100,000 periods. Measures building the page and
// its file bytes, without the disk.
#include "HeapCounter.h"

#include "core/data/Store.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"
#include "core/reports/ReportWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
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
        for (int i = 0; i < kProjects; ++i) {
            auto task = std::make_unique<CTask>(ProjectName(i));
            task->SetRate(static_cast<std::uint32_t>(20 + i), static_cast<std::uint8_t>(i));
            store->AppendTask(std::move(task));
        }
        std::mt19937 random(99);
        std::int32_t start = kNow;
        for (int i = 0; i < periods; ++i) {
            // Mostly short notes, some of two lines, as people type them.
            const char* notes = i % 7 == 0 ? "Meeting\nwith the client" : i % 3 ? "Coding" : "";
            auto period = std::make_unique<CDoneTask>(
                ProjectName(static_cast<int>(random() % kProjects)), notes);
            const auto length = static_cast<std::int32_t>(600 + random() % 7200);
            period->SetStart(start - length);
            period->SetEnd(start);
            store->AppendDoneTask(std::move(period));
            start -= length + static_cast<std::int32_t>(60 + random() % 3600);
        }
    }
    return *store;
}

void SetZone() {
    static const bool done = [] {
        setenv("TZ", "America/New_York", 1);
        tzset();
        return true;
    }();
    (void)done;
}

void BM_FullReportAllProjectsTotal(benchmark::State& state) {
    SetZone();
    const CStore& store = StoreOf(static_cast<int>(state.range(0)));
    ReportOptions options;
    options.title = "Everything";
    options.showPeriods = true;
    options.costPerHour = true;
    options.notesMode = NotesAtBottom;
    std::size_t bytes = 0;
    for (auto _ : state) {
        CReport report;
        AddAllProjectsItems(report, store, PeriodTotal, kNow, 1);
        UpdateReportRanges(report, kNow, 1, store);
        const std::string html = RenderReport(report, options, kNow, 1, store);
        bytes = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.counters["periods"] = static_cast<double>(state.range(0));

    CHeapCounter::Start();
    {
        CReport report;
        AddAllProjectsItems(report, store, PeriodTotal, kNow, 1);
        benchmark::DoNotOptimize(RenderReport(report, options, kNow, 1, store).size());
    }
    CHeapCounter::Stop();
    state.counters["peak_heap_bytes"] = static_cast<double>(CHeapCounter::Peak());
}

} // namespace

BENCHMARK(BM_FullReportAllProjectsTotal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
