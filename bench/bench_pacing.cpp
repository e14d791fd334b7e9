// Frame pacing of the real loop: 600 frames at 60 per second under a window.
// Prints the frame-interval median and 99th percentile and the CPU time per frame.
#include <algorithm>
#include <thread>  // clocks and durations: <chrono> itself does not build with CP932 literals
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "platform/win32/testing.h"

namespace {

constexpr int kFrames = 600;
std::vector<double> g_intervals;
double g_cpuSeconds = 0;

bool Configure() {
    Kestra::SetApplicationName("Quenrith pacing bench");
    Kestra::SetScreenInfo(640, 480, true);
    Kestra::SetFrameRate(60);
    return true;
}

void RunLoop(int, char**) {
    if (!Kestra::Start()) return;
    g_intervals.reserve(kFrames);
    using Clock = std::chrono::steady_clock;
    Kestra::WaitForMessage(false);  // the first frame starts the measurement
    Clock::time_point last = Clock::now();
    const std::clock_t cpuStart = std::clock();
    int frames = 0;
    while (Kestra::WaitForMessage(false)) {
        const Clock::time_point now = Clock::now();
        g_intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        if (++frames == kFrames) {
            g_cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            Kestra::Exit();
        }
    }
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5));
    return values[index];
}

}  // namespace

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quenrith-bench-" + std::to_string(std::time(nullptr)));
    std::filesystem::create_directories(folder);
    platform::SetProgramFolderOverride(folder.string());
    platform::SetMessageBoxRecording(true);

    Kestra::SetGameFunctions(Configure, RunLoop, nullptr);
    Kestra::Boot(GetModuleHandleA(nullptr), 0, nullptr);

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (g_intervals.size() < static_cast<size_t>(kFrames)) {
        std::fprintf(stderr, "bench_pacing: the loop ran %zu of %d frames\n", g_intervals.size(), kFrames);
        return 1;
    }
    std::printf("frames             %d at 60 per second (target interval 16.667 ms)\n", kFrames);
    std::printf("interval median    %.3f ms\n", Percentile(g_intervals, 0.5));
    std::printf("interval p99       %.3f ms\n", Percentile(g_intervals, 0.99));
    std::printf("CPU time per frame %.3f ms\n", g_cpuSeconds * 1000.0 / kFrames);
    return 0;
}
