#include "tests/support/test_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/cp932.h"

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quenrith-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

int RunInChild(const std::function<int()>& body) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int code = body();
        fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

GuardedBytes::GuardedBytes(const std::string& bytes) : size_(static_cast<uint32_t>(bytes.size())) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t body = (bytes.size() + page - 1) / page * page;
    mapSize_ = body + page;
    map_ = mmap(nullptr, mapSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map_ == MAP_FAILED) throw std::runtime_error("mmap failed");
    uint8_t* end = static_cast<uint8_t*>(map_) + body;
    if (mprotect(end, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
    uint8_t* start = end - bytes.size();
    std::copy(bytes.begin(), bytes.end(), start);
    data_ = start;
}

GuardedBytes::~GuardedBytes() { munmap(map_, mapSize_); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

bool DrmCardAvailable() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        if (entry.path().filename().string().rfind("card", 0) != 0) continue;
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf8ToCp932(const std::string& utf8) {
    std::string out;
    if (!platform::Utf8ToCp932Strict(utf8, out)) throw std::runtime_error("no CP932 form: " + utf8);
    return out;
}

double MonotonicSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

namespace {

// Taken while the test process loads, before any test runs: ctest's clock
// started a moment earlier.
const double gProcessStart = MonotonicSeconds();

}  // namespace

double TestSecondsLeft() {
    static const double budget = [] {
        const char* text = std::getenv("QUENRITH_TEST_TIMEOUT");
        const double seconds = text ? std::strtod(text, nullptr) : 0.0;
        return seconds > 0 ? seconds - std::max(seconds / 10, 20.0) : 1e9;
    }();
    return gProcessStart + budget - MonotonicSeconds();
}

std::string BinaryDir() { return std::string(QUENRITH_BINARY_DIR) + "/bin"; }
std::string SourceDir() { return QUENRITH_SOURCE_DIR; }

}  // namespace testsupport
