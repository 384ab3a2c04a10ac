// What a running program spends on one punchwell-cli request: the request decoded, the
// command run on its session and the reply encoded. A status bar asks every few seconds, so
// this is the time the program is busy per poll. Nothing may be read or written meanwhile;
// the counters say so.
#include "core/app/ControlCommands.h"
#include "core/app/ControlProtocol.h"
#include "core/app/PunchwellSession.h"
#include "core/app/SessionControlTarget.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kProjects = 50;
constexpr std::int32_t kNow = 1765000000;

class FixedClock final : public Clock {
public:
    std::int32_t Now() const override { return kNow; }
};

// Counts every write the session attempts, and lets none reach a disk.
class CountingOps final : public FileOps {
public:
    int writes = 0;
    int CreateTemp(const std::string&, const std::string&, std::string&, long long&) override {
        ++writes;
        return 5; // EIO
    }
    int Write(long long, const char*, std::size_t, std::size_t&) override { return 5; }
    int Sync(long long) override { return 5; }
    int Close(long long) override { return 0; }
    int Rename(const std::string&, const std::string&) override { return 5; }
    int Remove(const std::string&) override { return 0; }
    int SyncDirectory(const std::string&) override { return 0; }
};

std::string ProjectName(int i) {
    return "Project " + std::to_string(i);
}

struct Program {
    FixedClock clock;
    CountingOps ops;
    CPunchwellSession session{"/nonexistent-punchwell-bench"};
};

// A program that has been running with `periods` periods over 50 projects, checked in.
Program& ProgramWith(int periods) {
    static std::map<int, std::unique_ptr<Program>> cache;
    auto& program = cache[periods];
    if (!program) {
        program = std::make_unique<Program>();
        CPunchwellApp& app = program->session.App();
        app.SetClock(&program->clock);
        app.SetFileOps(&program->ops);
        for (int i = 0; i < kProjects; ++i)
            app.Store().AppendTask(std::make_unique<CTask>(ProjectName(i)));
        std::mt19937 random(99);
        std::int32_t start = kNow - 3600;
        for (int i = 0; i < periods; ++i) {
            auto period = std::make_unique<CDoneTask>(
                ProjectName(static_cast<int>(random() % kProjects)), "");
            const auto length = static_cast<std::int32_t>(600 + random() % 7200);
            period->SetStart(start - length);
            period->SetEnd(start);
            app.Store().AppendDoneTask(std::move(period));
            start -= length + static_cast<std::int32_t>(60 + random() % 3600);
        }
        // Checked in for the last hour, so the status has a project and two times to work out.
        auto running = std::make_unique<CDoneTask>(ProjectName(7), "");
        running->Begin(kNow - 3000);
        running->SetEnd(kNow - 1);
        app.Store().AppendDoneTask(std::move(running));
        program->session.CheckInState().ResumeOrOfferList();
        program->ops.writes = 0;
    }
    return *program;
}

void Ask(benchmark::State& state, const ControlRequest& request) {
    Program& program = ProgramWith(static_cast<int>(state.range(0)));
    const std::string payload = control::EncodeRequest(request);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto decoded = control::DecodeRequest(payload);
        CSessionControlTarget target(program.session, true);
        const std::string reply = control::EncodeReply(CControlCommands::Run(*decoded, target));
        bytes = reply.size();
        benchmark::DoNotOptimize(reply.data());
    }
    state.counters["reply_bytes"] = static_cast<double>(bytes);
    state.counters["file_writes"] = program.ops.writes;
}

void BM_StatusJson(benchmark::State& state) {
    Ask(state, ControlRequest{"status", {}, {{"--json", ""}}});
}

void BM_ProjectsJson(benchmark::State& state) {
    Ask(state, ControlRequest{"projects", {}, {{"--json", ""}}});
}

} // namespace

BENCHMARK(BM_StatusJson)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjectsJson)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
