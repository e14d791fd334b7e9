// Start-up of the real program: from process start to the first presented
// title frame, and the resident memory once the title shows and once stage 1
// plays, and the peak resident memory of the whole run. Then the program's CPU
// per frame at the title and in stage 1 (its CPU over three seconds at the
// frame limiter's 60 frames a second), each run with the drawing layer's exact
// shortcuts, with its draw shortcuts alone (the back buffer a texture blitted
// into the window: KESTRA_D3D9_SHORTCUTS=draws) and with none
// (KESTRA_D3D9_SHORTCUTS=0), in turn. Pin it to one CPU to compare like for like:
//   taskset -c 3 bench_title <data folder> [runs]
// The data folder's entries (data.bin, img/, SE/, fonts ...) are linked into a
// scratch program folder; the program is started there under the current X
// display. The first title frame is the first time the window's top-left
// pixel shows anything but black or the clear colour. When the data folder
// holds data/stagedata, each run then starts stage 1 (Z three times: one
// player, team 1, difficulty 1, through xdotool) and measures again once the
// stage's music has started.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>  // clocks: <chrono> itself does not build with CP932 literals
#include <vector>

#include "bench/x_window_search.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Result {
    double startMs = -1;
    double startCpuMs = -1;  // the program's own CPU time to that frame: steadier on a busy machine
    double rssMb = -1;
    double peakMb = -1;  // the most it was resident at any time up to the last measure
    double stageRssMb = -1;  // stays -1 when stage 1 was not started
    double stageMs = -1;     // from the first key to the stage's music
    double titleFrameMs = -1;  // CPU per frame
    double stageFrameMs = -1;
};

constexpr double kFrameRate = 60.0;

double NowMs() { return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count(); }

double CpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command's closing parenthesis: utime and stime are the 12th and 13th.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i)
        if (i >= 12) ticks += std::atof(field.c_str());
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// field "VmRSS:" (now) or "VmHWM:" (the peak so far).
double ResidentMb(pid_t pid, const std::string& field = "VmRSS:") {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + field.size()) / 1024.0;
    return -1;
}

// Runs a helper (xdotool) and waits for it.
bool Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool LogHas(const fs::path& folder, const std::string& text) {
    std::ifstream in(folder / "system_log.html", std::ios::binary);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return log.find(text) != std::string::npos;
}

// The program's CPU per frame over the next three seconds.
double CpuPerFrameMs(pid_t pid) {
    const double cpu = CpuMs(pid), start = NowMs();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    return (CpuMs(pid) - cpu) / ((NowMs() - start) / 1000.0 * kFrameRate);
}

// Title to stage 1: Z starts one player, Z takes team 1, Z takes difficulty 1.
// Answers once the stage asked for its music, the last of its loads.
bool StartStage1(const fs::path& folder, Window window) {
    const std::string id = std::to_string(window);
    if (!Run({"xdotool", "windowfocus", "--sync", id})) return false;
    for (int i = 0; i < 3; ++i) {
        Run({"xdotool", "keydown", "z"});
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        Run({"xdotool", "keyup", "z"});
        std::this_thread::sleep_for(std::chrono::milliseconds(350));
    }
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
        if (LogHas(folder, "BGM/Stage01.ogg")) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The drawing layer's shortcuts a run takes, as KESTRA_D3D9_SHORTCUTS names them.
const char* const kShortcuts[] = {"1", "draws", "0"};

Result RunOnce(const fs::path& data, const std::string& exe, bool stage1, const char* shortcuts) {
    Result result;
    const fs::path folder = fs::temp_directory_path() / ("bench_title_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "run");
    fs::create_directories(folder / "save");
    if (fs::exists(data))
        for (const auto& entry : fs::directory_iterator(data))
            if (entry.path().filename() != "save") fs::create_symlink(fs::absolute(entry.path()), folder / entry.path().filename());

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back("KESTRA_PROGRAM_DIR=" + folder.string());
    env.push_back("XDG_RUNTIME_DIR=" + (folder / "run").string());
    env.push_back("KESTRA_MSGBOX_RECORD=" + (folder / "boxes.txt").string());
    env.push_back(std::string("KESTRA_D3D9_SHORTCUTS=") + shortcuts);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = exe;
    char* argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1, 0);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return result;
    }
    pid_t pid = -1;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) return result;
    posix_spawn_file_actions_destroy(&actions);
    Window window = 0;
    const auto deadline = start + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
        if (!window) window = benchx::FindWindowByTitle(display, DefaultRootWindow(display), "Quenrith ver1.12");
        if (window) {
            XImage* image = nullptr;
            {
                benchx::IgnoreXErrors ignore(display);  // the window may not be mapped yet
                image = XGetImage(display, window, 0, 0, 1, 1, AllPlanes, ZPixmap);
            }
            if (image) {
                const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
                XDestroyImage(image);
                if (pixel != 0 && pixel != 0x5A5A78) {
                    result.startMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    result.startCpuMs = CpuMs(pid);
                    break;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The title's loads are done by its first frame; let it settle a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    result.rssMb = ResidentMb(pid);
    if (result.startMs >= 0) result.titleFrameMs = CpuPerFrameMs(pid);
    if (stage1 && result.startMs >= 0) {
        const auto keys = Clock::now();
        if (StartStage1(folder, window)) {
            result.stageMs = std::chrono::duration<double, std::milli>(Clock::now() - keys).count();
            // The stage's first frames draw every sheet it loaded.
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            result.stageRssMb = ResidentMb(pid);
            result.stageFrameMs = CpuPerFrameMs(pid);
        } else {
            std::fprintf(stderr, "stage 1 did not start within 60 s\n");
        }
    }
    result.peakMb = ResidentMb(pid, "VmHWM:");
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    XCloseDisplay(display);
    fs::remove_all(folder);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <data folder> [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string exe = (fs::path(argv[0]).parent_path() / "quenrith").string();
    const bool stage1 = fs::is_directory(fs::path(argv[1]) / "data" / "stagedata");
    std::vector<double> times, cpu, memory, stageMemory, peaks;
    std::vector<double> frame[3][2];  // [kShortcuts][title, stage 1]
    for (int i = 0; i < 3 * runs; ++i) {
        const int way = i % 3;
        const Result r = RunOnce(argv[1], exe, stage1, kShortcuts[way]);
        if (r.startMs < 0) {
            std::fprintf(stderr, "run %d: no title frame within 60 s\n", i);
            return 1;
        }
        if (stage1 && r.stageRssMb < 0) return 1;
        std::fprintf(stderr,
                     "run %d%s: %.1f ms (%.0f ms of CPU), %.1f MB at the title, %.1f MB in stage 1 (%.0f ms from the "
                     "first key), %.1f MB at the peak; CPU per frame %.2f ms at the title, %.2f ms in stage 1\n",
                     i / 3, way == 0 ? "" : way == 1 ? " (draw shortcuts alone)" : " (general path)", r.startMs,
                     r.startCpuMs, r.rssMb, r.stageRssMb, r.stageMs, r.peakMb, r.titleFrameMs, r.stageFrameMs);
        frame[way][0].push_back(r.titleFrameMs);
        if (stage1) frame[way][1].push_back(r.stageFrameMs);
        if (way != 0) continue;
        times.push_back(r.startMs);
        cpu.push_back(r.startCpuMs);
        memory.push_back(r.rssMb);
        if (stage1) stageMemory.push_back(r.stageRssMb);
        peaks.push_back(r.peakMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(memory.begin(), memory.end());
    std::sort(stageMemory.begin(), stageMemory.end());
    std::sort(peaks.begin(), peaks.end());
    std::printf("start to first title frame: median %.1f ms, best %.1f ms, worst %.1f ms (%d runs; goal < 300 ms)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    std::printf("the program's CPU time to that frame: median %.0f ms, best %.0f ms\n", cpu[cpu.size() / 2],
                cpu.front());
    std::printf("resident memory at the title: median %.1f MB (goal < 150 MB)\n", memory[memory.size() / 2]);
    if (stage1)
        std::printf("resident memory in stage 1: median %.1f MB, worst %.1f MB (goal < 220 MB)\n",
                    stageMemory[stageMemory.size() / 2], stageMemory.back());
    else
        std::printf("stage 1 not measured: the data folder has no data/stagedata\n");
    std::printf("peak resident memory: worst %.1f MB (goal < 1024 MB)\n", peaks.back());
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? -1.0 : v[v.size() / 2];
    };
    const char* const where[] = {"at the title", "in stage 1"};
    for (int w = 0; w < (stage1 ? 2 : 1); ++w) {
        const double with = median(frame[0][w]), blitted = median(frame[1][w]), without = median(frame[2][w]);
        std::printf("CPU per frame %s: median %.2f ms, %.2f ms with the present's blit (%.2f of it), %.2f ms on the "
                    "general path (%.2f of it), %.0f %% of a core\n",
                    where[w], with, blitted, with / blitted, without, with / without, with * kFrameRate / 10.0);
    }
    return 0;
}
