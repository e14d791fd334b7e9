// The program's side of the effect compile: the cache, the text's limits, and the
// effect compiler (platform/d3dx9/compiler), a program installed beside this one.
// It is spawned for each effect with entry points not yet cached, compiles them
// all, and answers through a pipe. Spawned, not forked: a fork of a program with
// other threads carries the locks they held (the C library's exit functions, the
// locale) into a child that would wait on them for ever.
#include "platform/d3dx9/effect_compiler.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
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
// By preamble and text, then by entry point: the passes of an effect share its text.
std::map<std::string, std::map<std::string, std::shared_ptr<const CompiledShader>>> g_cache;

std::atomic<int> g_cpuSeconds{CompileLimits{}.cpuSeconds};
std::atomic<int> g_wallSeconds{CompileLimits{}.wallSeconds};
std::atomic<size_t> g_memoryBytes{CompileLimits{}.memoryBytes};
std::atomic<size_t> g_answerBytes{CompileLimits{}.answerBytes};

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
    return platform::FaultHit("ShaderCompile.start") ? path + ".missing" : path;
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

// The compiler started with `input` as its standard input and `output` as its
// standard output, and nothing else of this program's; its error code otherwise.
int Spawn(const std::string& path, int input, int output, pid_t* child) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int error = posix_spawn_file_actions_init(&actions)) return error;
    if (int error = posix_spawnattr_init(&attributes)) {
        posix_spawn_file_actions_destroy(&actions);
        return error;
    }
    // A signal the program ignores or blocks would be ignored or blocked there too.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGXCPU, SIGTERM, SIGINT, SIGHUP}) sigaddset(&defaults, signal);
    int error = posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    if (!error) error = posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    if (!error) error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    if (!error) error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (!error) error = posix_spawnattr_setsigmask(&attributes, &none);
    if (!error) error = posix_spawnattr_setsigdefault(&attributes, &defaults);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    if (!error) error = posix_spawn(child, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

int64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

enum class Reading { kWhole, kLate, kTooLong };

// What the compiler sends until it closes its end. Its processor time is bounded
// in itself; the wall clock here only ends one that waits on something for far
// longer than any compile takes.
Reading ReadAnswer(int fd, std::string* bytes, int wallSeconds, size_t answerBytes) {
    const int64_t deadline = MonotonicMs() + int64_t(wallSeconds) * 1000;
    char buffer[65536];
    for (;;) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) return Reading::kLate;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Reading::kLate;
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
    request.parent = uint32_t(getpid());
    const int wallSeconds = g_wallSeconds.load();
    const size_t answerBytes = g_answerBytes.load();
    const std::string path = CompilerPath();
    const int input = RequestFile(EncodeRequest(request));
    int pipe[2] = {-1, -1};
    if (input < 0 || pipe2(pipe, O_CLOEXEC) != 0) {
        if (input >= 0) close(input);
        throw std::bad_alloc();
    }
    pid_t child = 0;
    const int error = Spawn(path, input, pipe[1], &child);
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
    const Reading reading = ReadAnswer(pipe[0], &bytes, wallSeconds, answerBytes);
    close(pipe[0]);
    if (reading != Reading::kWhole) kill(child, SIGKILL);
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
        if ((found == g_cache.end() || !found->second.count(entry)) && asked.insert(entry).second)
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
        for (size_t i = 0; i < shaders.size(); ++i) found->second.emplace(request.entries[i], shaders[i]);
    }
    std::vector<std::shared_ptr<const CompiledShader>> result;
    for (const std::string& entry : entries) result.push_back(found->second.at(entry));
    return result;
}

CompileLimits GetCompileLimits() {
    return CompileLimits{g_cpuSeconds.load(), g_wallSeconds.load(), g_memoryBytes.load(), g_answerBytes.load()};
}

void SetCompileLimits(const CompileLimits& limits) {
    g_cpuSeconds = limits.cpuSeconds;
    g_wallSeconds = limits.wallSeconds;
    g_memoryBytes = limits.memoryBytes;
    g_answerBytes = limits.answerBytes;
}

void ClearShaderCache() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache.clear();
}

}  // namespace d3dxfx
