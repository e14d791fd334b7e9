// The program's side of the effect compile: the cache, the text's limits, and the
// effect compiler (platform/d3dx9/compiler), a program installed beside this one.
// It is spawned for each effect with entry points not yet cached, compiles them
// all, and answers through a pipe. Between the fork and the exec the child makes
// only system calls: a fork of a program with other threads carries the locks
// they held (the C library's exit functions, the locale) into a child that would
// wait on them for ever.
#include "platform/d3dx9/effect_compiler.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <set>

#include "platform/d3dx9/effect_limits.h"
#include "platform/d3dx9/effect_wire.h"
#include "platform/win32/testing.h"

extern char** environ;

namespace d3dxfx {

namespace {

constexpr char kCompilerName[] = "kestra-effect-compiler";

std::mutex g_mutex;
// By preamble and text, then by entry point: the passes of an effect share its
// text; bounded by CompileLimits::cacheBytes.
struct Cached {
    std::map<std::string, std::shared_ptr<const CompiledShader>> shaders;
    size_t bytes = 0;
    uint64_t asked = 0;
};
std::map<std::string, Cached> g_cache;
size_t g_cacheBytes = 0;
uint64_t g_asks = 0;
std::string g_compilerOverride;

std::atomic<int> g_cpuSeconds{CompileLimits{}.cpuSeconds};
std::atomic<int> g_wallSeconds{CompileLimits{}.wallSeconds};
std::atomic<size_t> g_memoryBytes{CompileLimits{}.memoryBytes};
std::atomic<size_t> g_answerBytes{CompileLimits{}.answerBytes};
std::atomic<size_t> g_cacheLimit{CompileLimits{}.cacheBytes};

Misdeed ArmedMisdeed() {
    static const std::pair<const char*, Misdeed> table[] = {
        {"ShaderCompile.hang", Misdeed::kHang}, {"ShaderCompile.spin", Misdeed::kSpin},
        {"ShaderCompile.slow", Misdeed::kSlow}, {"ShaderCompile.allocate", Misdeed::kAllocate},
        {"ShaderCompile.cut:status", Misdeed::kCutAfterStatus}, {"ShaderCompile.cut:half", Misdeed::kCutHalf},
        {"ShaderCompile.cut:last", Misdeed::kCutLastByte}, {"ShaderCompile.die", Misdeed::kDieAfter},
        {"ShaderCompile.flood", Misdeed::kFlood}};
    for (const auto& [name, misdeed] : table)
        if (platform::FaultHit(name)) return misdeed;
    return Misdeed::kNone;
}

// The compiler beside the running program (tests, benchmarks and the game are
// all built into one folder).
std::string CompilerPath() {
    static const std::string path = [] {
        char exe[4096];
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string folder = n > 0 ? std::string(exe, size_t(n)) : "";
        folder = folder.substr(0, folder.find_last_of('/') + 1);
        return (folder.empty() ? std::string("./") : folder) + kCompilerName;
    }();
    const std::string& chosen = g_compilerOverride.empty() ? path : g_compilerOverride;
    return platform::FaultHit("ShaderCompile.start") ? chosen + ".missing" : chosen;
}

// The request as a file in memory at its start, to be the compiler's input: it
// reads all of it whatever it then does, and nothing here waits to write it.
int RequestFile(const std::string& bytes) {
    const int fd = memfd_create("effect-request", MFD_CLOEXEC);
    if (fd < 0) return -1;
    if (!WriteAll(fd, bytes) || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// What the compiler holds before it compiles: its libraries, heap, and the 64 MB
// stack of its compiling thread (66 MB in all). Its memory limit is this and what
// it may add.
constexpr size_t kCompilerStartBytes = size_t(96) << 20;

// What the started compiler is held to, set on it between fork and exec, so that
// whatever program stands in that place is held too: its processor time (SIGXCPU,
// then SIGKILL a second later), its memory, no core, a process group of its own
// that ends whole, and its end with the thread that waits for it.
struct Held {
    rlimit cpu, data, core;
    pid_t parent;
};

// The compiler started with `input` as its standard input and `output` as its
// standard output, and nothing else of this program's; its error code otherwise.
// Only calls safe in the child of a program with other threads come between the
// fork and the exec.
int Spawn(const std::string& path, int input, int output, const Held& held, pid_t* child) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const pid_t pid = fork();
    if (pid < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return error;
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &defaults, nullptr);
        int error = 0;
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != held.parent) error = ESRCH;
        if (!error && setpgid(0, 0) != 0) error = errno;
        if (!error && (setrlimit(RLIMIT_CPU, &held.cpu) != 0 || setrlimit(RLIMIT_CORE, &held.core) != 0 ||
                       (held.data.rlim_cur != RLIM_INFINITY && setrlimit(RLIMIT_DATA, &held.data) != 0)))
            error = errno;
        if (!error && (dup2(input, STDIN_FILENO) < 0 || dup2(output, STDOUT_FILENO) < 0)) error = errno;
        if (!error) {
            // Everything past the error output closed, the report pipe at the exec.
            if (report[1] > STDERR_FILENO + 1) syscall(SYS_close_range, STDERR_FILENO + 1, unsigned(report[1]) - 1, 0);
            syscall(SYS_close_range, unsigned(report[1]) + 1, ~0u, 0);
            execve(path.c_str(), argv, environ);
            error = errno;
        }
        while (write(report[1], &error, sizeof error) < 0 && errno == EINTR) {
        }
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    ssize_t n;
    while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (n == ssize_t(sizeof error)) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error ? error : ECHILD;
    }
    *child = pid;
    return 0;
}

int64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

enum class Reading { kWhole, kLate, kTooLong };

// What the compiler sends until it closes its end or ends (what is left in the
// pipe then is all it wrote: a program that leaves another holding its output
// is not waited for). Its processor time is bounded in itself; the wall clock
// here only ends one that waits on something for far longer than any compile takes.
Reading ReadAnswer(int fd, int ended, std::string* bytes, int wallSeconds, size_t answerBytes) {
    const int64_t deadline = MonotonicMs() + int64_t(wallSeconds) * 1000;
    char buffer[65536];
    bool gone = false;
    for (;;) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) return Reading::kLate;
        pollfd p[2] = {{fd, POLLIN, 0}, {ended, POLLIN, 0}};
        const int ready = poll(p, ended >= 0 && !gone ? 2 : 1, gone ? 0 : int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (ready == 0 && !gone)) return Reading::kLate;
        if (ready == 0) return Reading::kWhole;  // ended, its pipe drained
        if (p[1].revents) {
            gone = true;
            continue;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Reading::kWhole;
        if (bytes->size() + size_t(n) > answerBytes) return Reading::kTooLong;
        bytes->append(buffer, size_t(n));
    }
}

// The shaders of `request`'s entry points, or none with the messages in `errors`.
std::vector<std::shared_ptr<CompiledShader>> CompileInCompiler(CompileRequest request, std::string* errors) {
    request.misdeed = ArmedMisdeed();
    request.cpuSeconds = uint32_t(g_cpuSeconds.load());
    request.memoryBytes = g_memoryBytes.load();
    const int wallSeconds = g_wallSeconds.load();
    const size_t answerBytes = g_answerBytes.load();
    const std::string path = CompilerPath();
    const int input = RequestFile(EncodeRequest(request));
    int pipe[2] = {-1, -1};
    if (input < 0 || pipe2(pipe, O_CLOEXEC) != 0) {
        if (input >= 0) close(input);
        throw std::bad_alloc();
    }
    Held held{};
    held.cpu = {rlim_t(request.cpuSeconds), rlim_t(request.cpuSeconds) + 1};
    // Not under the address sanitizer, whose shadow counts as data and whose
    // allocator hangs in its own report when refused.
    const rlim_t data = kAddressSanitizer ? RLIM_INFINITY : rlim_t(request.memoryBytes + kCompilerStartBytes);
    held.data = {data, data};
    held.core = {0, 0};
    held.parent = getpid();
    pid_t child = 0;
    const int error = Spawn(path, input, pipe[1], held, &child);
    close(input);
    close(pipe[1]);
    if (error) {
        close(pipe[0]);
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            std::fprintf(stderr, "kestra: the effect compiler %s cannot be started: %s\n", path.c_str(),
                         std::strerror(error));
        *errors = "memory(1): error: the shader compiler " + path + " cannot be started: " + std::strerror(error) + "\n";
        return {};
    }
    std::string bytes;
    const int ended = int(syscall(SYS_pidfd_open, child, 0));
    const Reading reading = ReadAnswer(pipe[0], ended, &bytes, wallSeconds, answerBytes);
    close(pipe[0]);
    if (ended >= 0) close(ended);
    // Its whole group, whatever it started.
    kill(-child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const int64_t cpuMs = (int64_t(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
                          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    // Only a compiler that ended of itself answered whole.
    Answer answer;
    const bool whole = reading == Reading::kWhole && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                       DecodeAnswer(bytes, request.entries.size(), &answer);
    if (whole && answer.status == kCompiled) return answer.shaders;
    if (whole && answer.status == kRefused) {
        *errors = answer.errors;
        return {};
    }
    std::string why = "failed on this text";
    if (reading == Reading::kLate) {
        why = "did not answer within " + std::to_string(wallSeconds) + " seconds";
    } else if (reading == Reading::kTooLong) {
        why = "answered more than " + std::to_string(answerBytes) + " bytes";
    } else if (cpuMs >= int64_t(request.cpuSeconds) * 1000 || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
        why = "took longer than " + std::to_string(request.cpuSeconds) + " seconds of processor time";
    } else if (whole && answer.status == kOutOfMemory) {
        why = "needed more than " + std::to_string(request.memoryBytes >> 20) + " MB";
    }
    *errors = "memory(1): error: the shader compiler " + why + "\n";
    return {};
}

}  // namespace

std::vector<std::shared_ptr<const CompiledShader>> CompileVertexShaders(const std::string& hlsl,
                                                                        const std::vector<std::string>& entries,
                                                                        const std::string& preamble,
                                                                        std::string* errors) {
    std::lock_guard<std::mutex> lock(g_mutex);
    errors->clear();
    const std::string key = preamble + '\0' + hlsl;
    auto found = g_cache.find(key);
    CompileRequest request;
    std::set<std::string> asked;
    for (const std::string& entry : entries)
        if ((found == g_cache.end() || !found->second.shaders.count(entry)) && asked.insert(entry).second)
            request.entries.push_back(entry);
    if (!request.entries.empty()) {
        size_t tokens = 0;
        if (!CheckShaderSource(preamble, hlsl, errors, &tokens)) return {};
        // The compiler reads the whole text for each entry point.
        if (tokens * request.entries.size() > kMaxCompiledTokens) {
            *errors = "memory(1): error: " + std::to_string(request.entries.size()) + " entry points of " +
                      std::to_string(tokens) + " tokens make the compiler read more than " +
                      std::to_string(kMaxCompiledTokens) + " tokens\n";
            return {};
        }
        request.hlsl = hlsl;
        request.preamble = preamble;
        const auto shaders = CompileInCompiler(request, errors);
        if (shaders.empty()) return {};
        found = g_cache.try_emplace(key).first;
        size_t added = found->second.bytes == 0 ? key.size() : 0;
        for (size_t i = 0; i < shaders.size(); ++i) {
            added += request.entries[i].size() + shaders[i]->desc.glsl.size();
            found->second.shaders.emplace(request.entries[i], shaders[i]);
        }
        found->second.bytes += added;
        g_cacheBytes += added;
    }
    if (found == g_cache.end()) return {};  // no entry points
    found->second.asked = ++g_asks;
    std::vector<std::shared_ptr<const CompiledShader>> result;
    for (const std::string& entry : entries) result.push_back(found->second.shaders.at(entry));
    // The least lately asked for go, this one last.
    while (g_cacheBytes > g_cacheLimit.load() && g_cache.size() > 1) {
        auto oldest = g_cache.begin();
        for (auto it = g_cache.begin(); it != g_cache.end(); ++it)
            if (it->second.asked < oldest->second.asked) oldest = it;
        g_cacheBytes -= oldest->second.bytes;
        g_cache.erase(oldest);
    }
    return result;
}

CompileLimits GetCompileLimits() {
    return CompileLimits{g_cpuSeconds.load(), g_wallSeconds.load(), g_memoryBytes.load(), g_answerBytes.load(),
                         g_cacheLimit.load()};
}

void SetCompileLimits(const CompileLimits& limits) {
    g_cpuSeconds = limits.cpuSeconds;
    g_wallSeconds = limits.wallSeconds;
    g_memoryBytes = limits.memoryBytes;
    g_answerBytes = limits.answerBytes;
    g_cacheLimit = limits.cacheBytes;
}

void ClearShaderCache() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache.clear();
    g_cacheBytes = 0;
}

void SetCompilerProgram(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_compilerOverride = path;
}

}  // namespace d3dxfx
