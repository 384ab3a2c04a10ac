// Start-up of the desktop program to its main window on the screen, with data files of
// 100,000 and 500,000 periods, each against a start with 1,000 periods in the same run: the
// two are started in turn, pair after pair, and the ratio is taken pair by pair.
//
// Needs an X display (run under xvfb-run, as bench.sh does); the time runs from the fork
// to the X server's report that a top-level window was mapped. The program is stopped once
// its window is up. Files go to a fresh folder under $TMPDIR (default /tmp).

#include "BenchData.h"

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A data folder holding a main file of `periods` periods, with options that open no
// project list at start-up.
std::string DataFolder(int periods) {
    const std::string dir = BenchDir() + "/start-" + std::to_string(periods);
    if (!fs::exists(dir)) {
        fs::create_directories(dir);
        fs::copy_file(BenchFile(periods), dir + "/timedata.pnd");
    }
    return dir;
}

// Seconds from the fork to the first top-level window mapped; negative on failure.
double StartToWindow(xcb_connection_t* x, const std::string& dataDir) {
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(PUNCHWELL_GUI_PATH, PUNCHWELL_GUI_PATH, "--data-dir", dataDir.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    double seconds = -1;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (seconds < 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (event == nullptr) {
            if (poll(&fd, 1, 20000) <= 0)
                break; // no window within 20 s
            continue;
        }
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect)
                seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        }
        free(event);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return seconds;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_StartToMainWindow(benchmark::State& state) {
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        state.SkipWithError("no X display (run under xvfb-run)");
        return;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    const std::string small = DataFolder(1000);
    const std::string large = DataFolder(static_cast<int>(state.range(0)));
    std::vector<double> ratios, floors;
    for (auto _ : state) {
        const double floor = StartToWindow(x, small);
        const double start = StartToWindow(x, large);
        if (floor <= 0 || start <= 0) {
            state.SkipWithError("the main window did not appear");
            break;
        }
        state.SetIterationTime(start);
        ratios.push_back(start / floor);
        floors.push_back(floor);
    }
    state.counters["start_1k_ms"] = Median(floors) * 1000;
    state.counters["ratio"] = Median(ratios);
    xcb_disconnect(x);
}

} // namespace

BENCHMARK(BM_StartToMainWindow)
    ->Arg(100000)
    ->Arg(500000)
    ->Iterations(7)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The program's options and sockets live in the benchmark's folder, not the person's.
    const std::string config = BenchDir() + "/config";
    fs::create_directories(config + "/Quillmoor");
    std::ofstream(config + "/Quillmoor/Punchwell.conf") << "[Options]\nShowListOnStart=0\n";
    fs::create_directories(BenchDir() + "/runtime");
    fs::permissions(BenchDir() + "/runtime", fs::perms::owner_all);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (BenchDir() + "/runtime").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
