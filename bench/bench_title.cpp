// Start-up of the real program: from process start to the first presented
// title frame, and the resident memory once the title shows.
//   bench_title <data folder> [runs]
// The data folder's entries (data.bin, img/, SE/, fonts ...) are linked into a
// scratch program folder; the program is started there under the current X
// display. The first title frame is the first time the window's top-left
// pixel shows anything but black or the clear colour.
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
    double rssMb = -1;
};

double ResidentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

Result RunOnce(const fs::path& data, const std::string& exe) {
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
                    break;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The title's loads are done by its first frame; let it settle a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    result.rssMb = ResidentMb(pid);
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
    std::vector<double> times, memory;
    for (int i = 0; i < runs; ++i) {
        const Result r = RunOnce(argv[1], exe);
        if (r.startMs < 0) {
            std::fprintf(stderr, "run %d: no title frame within 60 s\n", i);
            return 1;
        }
        times.push_back(r.startMs);
        memory.push_back(r.rssMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(memory.begin(), memory.end());
    std::printf("start to first title frame: median %.1f ms, best %.1f ms, worst %.1f ms (%d runs; goal < 300 ms)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    std::printf("resident memory at the title: median %.1f MB (goal < 150 MB)\n", memory[memory.size() / 2]);
    return 0;
}
