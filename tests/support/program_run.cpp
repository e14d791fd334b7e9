#include "tests/support/program_run.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <vector>

#include "tests/support/test_support.h"

extern char** environ;

namespace testsupport {

namespace {

// What one outside command (xdotool, import) may take: a few seconds on a
// busy machine, so this is only reached when it hangs.
constexpr int kCommandSeconds = 30;

}  // namespace

std::string Shell(const std::string& command) {
    const int seconds = static_cast<int>(std::min<double>(kCommandSeconds, TestSecondsLeft()));
    if (seconds < 1) {
        static bool said = false;
        if (!said)
            std::printf("[ TIMEOUT  ] the test's time is up: outside commands no longer run (%s)\n", command.c_str());
        said = true;
        std::fflush(stdout);
        return std::string();
    }
    std::string quoted = "'";
    for (char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    const std::string bounded = "timeout -k 2 " + std::to_string(seconds) + " sh -c " + quoted;
    std::string out;
    if (FILE* pipe = popen(bounded.c_str(), "r")) {
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
        const int status = pclose(pipe);
        // timeout's own statuses: the command ran out of time (124) or had to be killed (137).
        if (WIFEXITED(status) && (WEXITSTATUS(status) == 124 || WEXITSTATUS(status) == 137)) {
            std::printf("[ TIMEOUT  ] stopped after %d s: %s\n", seconds, command.c_str());
            std::fflush(stdout);
        }
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

ProgramRun::ProgramRun(const std::string& folder, const std::string& runtime, const std::string& display)
    : folder_(folder), display_(display) {
    Start(runtime, true);
}

ProgramRun::ProgramRun(const std::string& folder, const std::string& runtime, NoDisplay) : folder_(folder) {
    Start(runtime, false);
}

void ProgramRun::Start(const std::string& runtime, bool withDisplay) {
    std::filesystem::create_directories(runtime);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("KESTRA_", 0) == 0 || entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            entry.rfind("SDL_VIDEODRIVER=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("KESTRA_PROGRAM_DIR=" + folder_);
    env.push_back("XDG_RUNTIME_DIR=" + runtime);
    if (withDisplay) {
        env.push_back("KESTRA_MSGBOX_RECORD=" + folder_ + "/boxes.txt");
        env.push_back("DISPLAY=" + display_);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = BinaryDir() + "/quenrith";
    char* argv[] = {exe.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = folder_ + "/stdout.txt";
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string errors = folder_ + "/stderr.txt";
    if (!withDisplay) posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ProgramRun::~ProgramRun() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string ProgramRun::X(const std::string& command) const {
    return Shell("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
}

std::string ProgramRun::FindWindow(int seconds) {
    window_.clear();
    const double until = MonotonicSeconds() + std::min<double>(seconds, TestSecondsLeft());
    while (!Exited()) {
        const std::string id =
            X("xdotool search --all --pid " + std::to_string(pid_) + " --name '^Quenrith ver1\\.12' | head -n 1");
        if (!id.empty()) return window_ = id;
        if (MonotonicSeconds() >= until) break;
        usleep(100 * 1000);
    }
    return std::string();
}

bool ProgramRun::Exited() {
    if (exited_) return true;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        status_ = status;
    }
    return exited_;
}

int ProgramRun::WaitExit(int seconds) {
    const double until = MonotonicSeconds() + std::min<double>(seconds, TestSecondsLeft());
    while (!Exited() && MonotonicSeconds() < until) usleep(50 * 1000);
    if (!exited_) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string ProgramRun::Log() const { return ReadFile(folder_ + "/system_log.html"); }

std::string ProgramRun::Boxes() const {
    return FileExists(folder_ + "/boxes.txt") ? ReadFile(folder_ + "/boxes.txt") : std::string();
}

namespace {

// The few X library calls the tests make, loaded at run time.
struct XLib {
    using OpenDisplay = void* (*)(const char*);
    using InternAtom = unsigned long (*)(void*, const char*, int);
    using SelectInput = int (*)(void*, unsigned long, long);
    using Pending = int (*)(void*);
    using NextEvent = int (*)(void*, void*);
    using SendEvent = int (*)(void*, unsigned long, int, long, void*);
    using Flush = int (*)(void*);
    using CloseDisplay = int (*)(void*);
    using ErrorHandler = int (*)(void*, void*);
    using SetErrorHandler = ErrorHandler (*)(ErrorHandler);
    using Sync = int (*)(void*, int);
    using GetKeyboardControl = int (*)(void*, void*);
    OpenDisplay open = nullptr;
    InternAtom intern = nullptr;
    SelectInput select = nullptr;
    Pending pending = nullptr;
    NextEvent next = nullptr;
    SendEvent send = nullptr;
    Flush flush = nullptr;
    CloseDisplay close = nullptr;
    SetErrorHandler setErrorHandler = nullptr;
    Sync sync = nullptr;
    GetKeyboardControl getKeyboard = nullptr;
    bool ok = false;
};

const XLib& X11() {
    static const XLib lib = [] {
        XLib l;
        void* x11 = dlopen("libX11.so.6", RTLD_NOW);
        if (!x11) return l;
        l.open = reinterpret_cast<XLib::OpenDisplay>(dlsym(x11, "XOpenDisplay"));
        l.intern = reinterpret_cast<XLib::InternAtom>(dlsym(x11, "XInternAtom"));
        l.select = reinterpret_cast<XLib::SelectInput>(dlsym(x11, "XSelectInput"));
        l.pending = reinterpret_cast<XLib::Pending>(dlsym(x11, "XPending"));
        l.next = reinterpret_cast<XLib::NextEvent>(dlsym(x11, "XNextEvent"));
        l.send = reinterpret_cast<XLib::SendEvent>(dlsym(x11, "XSendEvent"));
        l.flush = reinterpret_cast<XLib::Flush>(dlsym(x11, "XFlush"));
        l.close = reinterpret_cast<XLib::CloseDisplay>(dlsym(x11, "XCloseDisplay"));
        l.setErrorHandler = reinterpret_cast<XLib::SetErrorHandler>(dlsym(x11, "XSetErrorHandler"));
        l.sync = reinterpret_cast<XLib::Sync>(dlsym(x11, "XSync"));
        l.getKeyboard = reinterpret_cast<XLib::GetKeyboardControl>(dlsym(x11, "XGetKeyboardControl"));
        l.ok = l.open && l.intern && l.select && l.pending && l.next && l.send && l.flush && l.close &&
               l.setErrorHandler && l.sync && l.getKeyboard;
        return l;
    }();
    return lib;
}

struct ClientMessage {
    int type;
    unsigned long serial;
    int sendEvent;
    void* display;
    unsigned long window;
    unsigned long messageType;
    int format;
    long data[5];
};
struct PropertyNotify {
    int type;
    unsigned long serial;
    int sendEvent;
    void* display;
    unsigned long window;
    unsigned long atom;
    unsigned long time;
    int state;
};
union Event {
    int type;
    ClientMessage client;
    PropertyNotify property;
    long pad[24];
};
struct KeyboardState {
    int keyClickPercent;
    int bellPercent;
    unsigned int bellPitch, bellDuration;
    unsigned long ledMask;
    int globalAutoRepeat;
    char autoRepeats[32];
};
constexpr int kClientMessage = 33;
constexpr int kPropertyNotify = 28;
constexpr long kPropertyChangeMask = 1L << 22;

}  // namespace

// Asks the window to close the way a window manager's close box does
// (WM_DELETE_WINDOW).
bool SendCloseBox(const std::string& display, const std::string& windowId) {
    const XLib& x = X11();
    void* connection = x.ok ? x.open(display.c_str()) : nullptr;
    if (!connection) return false;
    Event event{};
    event.client.type = kClientMessage;
    event.client.window = std::stoul(windowId);
    event.client.messageType = x.intern(connection, "WM_PROTOCOLS", 0);
    event.client.format = 32;
    event.client.data[0] = static_cast<long>(x.intern(connection, "WM_DELETE_WINDOW", 0));
    event.client.data[1] = 0;  // CurrentTime
    const bool sent = x.send(connection, event.client.window, 0, 0, &event) != 0;
    x.flush(connection);
    x.close(connection);
    return sent;
}

int KeyRepeat(const std::string& display) {
    const XLib& x = X11();
    void* connection = x.ok ? x.open(display.c_str()) : nullptr;
    if (!connection) return -1;
    KeyboardState state{};
    x.getKeyboard(connection, &state);
    x.close(connection);
    return state.globalAutoRepeat != 0 ? 1 : 0;
}

namespace {

// The frames the program has run since the watch began, by its caption: the
// caption is set anew, same text or not, once a measured second or more has
// passed, with the rate of that stretch, and that rate is never more than the
// frames the stretch ran. Each setting counts once; the first, whose stretch
// began before the watch, not at all. Without a window nothing is counted.
class CaptionFrames {
public:
    explicit CaptionFrames(const ProgramRun& program) : program_(program) {
        const XLib& x = X11();
        if (!x.ok || program.window().empty()) return;
        connection_ = x.open(program.display().c_str());
        if (!connection_) return;
        name_ = x.intern(connection_, "_NET_WM_NAME", 0);
        // The window may be gone already (the program ended): the library's
        // default answer to that error would end this process.
        const XLib::ErrorHandler previous = x.setErrorHandler([](void*, void*) { return 0; });
        x.select(connection_, std::stoul(program.window()), kPropertyChangeMask);
        x.sync(connection_, 0);
        x.setErrorHandler(previous);
    }
    ~CaptionFrames() {
        if (connection_) X11().close(connection_);
    }
    CaptionFrames(const CaptionFrames&) = delete;
    CaptionFrames& operator=(const CaptionFrames&) = delete;

    bool watching() const { return connection_ != nullptr; }
    int Counted() {
        static const std::regex stats(R"(FPS\[(\d+)\])");
        const XLib& x = X11();
        bool set = false;
        while (connection_ && x.pending(connection_) > 0) {
            Event event{};
            x.next(connection_, &event);
            if (event.type == kPropertyNotify && event.property.atom == name_) set = true;
        }
        if (set && ++settings_ > 1) {
            const std::string caption = program_.X("xdotool getwindowname " + program_.window());
            std::smatch m;
            if (std::regex_search(caption, m, stats)) frames_ += std::stoi(m[1]);
        }
        return frames_;
    }

private:
    const ProgramRun& program_;
    void* connection_ = nullptr;
    unsigned long name_ = 0;
    int settings_ = 0;
    int frames_ = 0;
};

}  // namespace

int ProgramRun::WaitForFrames(int frames, int seconds) {
    CaptionFrames counter(*this);
    const double deadline = MonotonicSeconds() + std::min<double>(seconds, TestSecondsLeft());
    while (counter.watching() && counter.Counted() < frames && MonotonicSeconds() < deadline && !Exited()) usleep(50 * 1000);
    return counter.Counted();
}

std::string ProgramRun::Output() const {
    return FileExists(folder_ + "/stdout.txt") ? ReadFile(folder_ + "/stdout.txt") : std::string();
}

std::string ProgramRun::Errors() const {
    return FileExists(folder_ + "/stderr.txt") ? ReadFile(folder_ + "/stderr.txt") : std::string();
}

// The waits below give a slow program its frames too, about half a second's
// worth at 60 a second for each second asked for.
constexpr int kFramesPerSecondWaited = 30;

bool ProgramRun::WaitForOutput(const std::string& text, int seconds) {
    return WaitUntil([&] { return Output().find(text) != std::string::npos; }, seconds,
                     kFramesPerSecondWaited * seconds);
}

bool ProgramRun::WaitForFile(const std::string& name, int seconds, bool (*predicate)(const std::string&)) {
    const std::string path = folder_ + "/" + name;
    return WaitUntil([&] { return FileExists(path) && (!predicate || predicate(ReadFile(path))); }, seconds,
                     kFramesPerSecondWaited * seconds);
}

bool ProgramRun::Focus(int seconds) {
    window_ = FindWindow(seconds);
    if (window_.empty()) return false;
    // Key repeat stays as the display has it: the tests' own server starts
    // without it (PrivateDisplay), and a person's display is not touched.
    X("xdotool windowfocus --sync " + window_);
    return true;
}

int ProgramRun::FrameMs() const {
    // The caption's statistics give the frames of the last second; a busy or
    // cold machine may run far below 60, and a key must span several snapshots.
    static const std::regex stats(R"(FPS\[(\d+)\])");
    const std::string caption = X("xdotool getwindowname " + window_);
    std::smatch m;
    if (!std::regex_search(caption, m, stats)) return 1000;
    const int fps = std::stoi(m[1]);
    return fps > 0 ? (1000 + fps - 1) / fps : 1000;
}

int ProgramRun::HoldMs() const {
    // A few frames at the caption's rate, but never long enough for a held
    // menu key to repeat (42 frames, 700 ms at full rate), even with a key-up
    // that a loaded machine sends 400 ms late, or a rate read from a slow
    // second before a fast one: the program keeps a tap until its next key
    // read, so a short hold is not lost however long that frame takes.
    constexpr int kFramesHeld = 4;
    return std::clamp(kFramesHeld * FrameMs(), 100, 300);
}

bool ProgramRun::WaitUntil(const std::function<bool()>& until, int seconds, int frames, int pollMs) {
    CaptionFrames counter(*this);
    const double start = MonotonicSeconds();
    const double left = TestSecondsLeft();
    const double limit = start + std::min<double>(std::max(4 * seconds, 120), left);
    for (;;) {
        const bool seen = until() || (Exited() && until());
        const double now = MonotonicSeconds();
        waited_ = {static_cast<int>(now - start), counter.Counted(), now - start >= left};
        if (seen) return true;
        if (Exited() || now >= limit) {
            if (waited_.outOfTime) {
                std::printf("[ TIMEOUT  ] the test's time is up: a wait ends after %s\n", Waited().c_str());
                std::fflush(stdout);
            }
            return false;
        }
        if (now >= start + seconds && (frames <= 0 || !counter.watching() || waited_.frames >= frames)) return false;
        usleep(static_cast<useconds_t>(std::max(pollMs, 1)) * 1000);
    }
}

std::string ProgramRun::Waited() const {
    return std::to_string(waited_.seconds) + " s and " + std::to_string(waited_.frames) + " frames" +
           (waited_.outOfTime ? ", when the test's time was up" : "");
}

::testing::AssertionResult ProgramRun::PressUntil(const KeyPress& press) {
    if (press.ready && !WaitUntil(press.ready, press.seconds, press.frames, press.pollMs))
        return ::testing::AssertionFailure() << press.key << ": " << press.before << " never showed (" << Waited()
                                             << ")";
    for (int attempt = 1; attempt <= press.tries; ++attempt) {
        if (attempt > 1) {
            // A change only slow to show, or a screen that has moved on, would
            // take a second press as a second step: the key goes again only
            // while its screen is up and its change still absent.
            const std::string missed = Waited();
            bool late = false;
            const bool again = WaitUntil(
                [&] {
                    late = press.done();
                    return late || !press.ready || press.ready();
                },
                press.seconds, press.frames, press.pollMs);
            if (late) {
                // A held key's change came once it was let go: what is done
                // while it is held is done holding it down again.
                const bool holdAgain = press.holdUntilDone && press.whileHeld;
                std::printf("[ LATE     ] %s %s: %s came after %s\n", press.key.c_str(),
                            holdAgain ? "held down again for what is done while it is held" : "not pressed again",
                            press.after.c_str(), missed.c_str());
                std::fflush(stdout);
                if (holdAgain) {
                    KeyDown(press.key);
                    press.whileHeld();
                    X("xdotool keyup " + press.key);
                }
                if (!Exited()) usleep(static_cast<useconds_t>(HoldMs()) * 1000);
                return ::testing::AssertionSuccess();
            }
            if (!again)
                return ::testing::AssertionFailure()
                       << press.key << ": " << press.after << " did not follow within " << missed << ", and "
                       << press.before << " no longer showed to press it again (" << Waited() << ")";
            std::printf("[ RETRY    ] %s pressed again (%d of %d): %s did not follow within %s\n", press.key.c_str(),
                        attempt, press.tries, press.after.c_str(), missed.c_str());
            std::fflush(stdout);
            // A press may have been lost with the keyboard focus.
            if (!window_.empty()) X("xdotool windowfocus --sync " + window_);
        }
        KeyDown(press.key);
        bool seen;
        if (press.holdUntilDone) {
            seen = WaitUntil(press.done, press.seconds, press.frames, press.pollMs);
            if (seen && press.whileHeld) press.whileHeld();
            X("xdotool keyup " + press.key);
        } else {
            usleep(static_cast<useconds_t>(HoldMs()) * 1000);
            X("xdotool keyup " + press.key);
            seen = WaitUntil(press.done, press.seconds, press.frames, press.pollMs);
        }
        if (seen) {
            // Up for a few frames, so that a next press of the same key is a new one.
            if (!Exited()) usleep(static_cast<useconds_t>(HoldMs()) * 1000);
            return ::testing::AssertionSuccess();
        }
        if (Exited() || waited_.outOfTime) break;
    }
    return ::testing::AssertionFailure() << press.key << ": " << press.after << " never followed (" << press.tries
                                         << " presses at most, the last waited " << Waited() << ")";
}

void ProgramRun::KeyDown(const std::string& key) {
    ++keyDowns_;
    X("xdotool keydown " + key);
}

void ProgramRun::Tap(const std::string& name) {
    KeyDown(name);
    usleep(static_cast<useconds_t>(HoldMs()) * 1000);
    X("xdotool keyup " + name);
}

int ProgramRun::CloseWithAltF4(int seconds) {
    KeyPress press;
    press.key = "alt+F4";
    press.after = "the end of the program";
    press.done = [this] { return Exited(); };
    press.frames = 0;
    press.seconds = seconds;
    press.tries = 3;
    PressUntil(press);
    return WaitExit(0);
}

Rgb ProgramRun::Pixel(int x, int y) const {
    const std::string text = X("import -window " + window_ + " -crop 1x1+" + std::to_string(x) + "+" +
                               std::to_string(y) + " -depth 8 txt:-");
    static const std::regex pixel(R"(\((\d+),(\d+),(\d+)\))");
    std::smatch m;
    Rgb rgb;
    if (std::regex_search(text, m, pixel)) {
        rgb.r = std::stoi(m[1]);
        rgb.g = std::stoi(m[2]);
        rgb.b = std::stoi(m[3]);
    }
    return rgb;
}

Rgb ProgramRun::WaitForPixel(int x, int y, const Rgb& want, int seconds) {
    Rgb got;
    WaitUntil(
        [&] {
            got = Pixel(x, y);
            return got == want;
        },
        seconds, kFramesPerSecondWaited * seconds, 100);
    return got;
}

namespace {
void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}
}  // namespace

void WriteFlatPng(const std::string& path, int width, int height, uint32_t background,
                  const std::vector<FlatRect>& rects) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), background);
    for (const FlatRect& r : rects)
        for (int y = std::max(0, r.y); y < std::min(height, r.y + r.height); ++y)
            for (int x = std::max(0, r.x); x < std::min(width, r.x + r.width); ++x)
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = r.argb;
    // Filter byte 0, then R G B A per pixel.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 4 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            raw.push_back(static_cast<uint8_t>(p >> 16));
            raw.push_back(static_cast<uint8_t>(p >> 8));
            raw.push_back(static_cast<uint8_t>(p));
            raw.push_back(static_cast<uint8_t>(p >> 24));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 1);
    packed.resize(packedSize);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, static_cast<uint32_t>(width));
    PutBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, std::string(png.begin(), png.end()));
}

}  // namespace testsupport
