// Test hooks: the fault registry, the program-folder override and the recording
// of window-layer calls. A real run never arms any of them.
#include "platform/win32/testing.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/win32/kernel_internal.h"

namespace platform {

namespace {

struct Fault {
    int after;
    int count;  // < 0: for ever
};

// Function-local statics: components may consult faults from static constructors.
std::mutex& FaultLock() {
    static std::mutex lock;
    return lock;
}
std::map<std::string, Fault>& Faults() {
    static std::map<std::string, Fault> faults;
    return faults;
}

std::mutex& FolderLock() {
    static std::mutex lock;
    return lock;
}
std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

struct CallLog {
    std::mutex lock;
    bool on = false;
    std::vector<std::string> lines;
};
CallLog& Calls() {
    static CallLog log;
    return log;
}

}  // namespace

void InjectFault(const std::string& name, int after, int count) {
    std::lock_guard<std::mutex> guard(FaultLock());
    Faults()[name] = Fault{after < 0 ? 0 : after, count};
}

void ClearFaults() {
    std::lock_guard<std::mutex> guard(FaultLock());
    Faults().clear();
}

bool FaultHit(const std::string& name) {
    std::lock_guard<std::mutex> guard(FaultLock());
    auto& faults = Faults();
    if (faults.empty()) return false;
    auto it = faults.find(name);
    if (it == faults.end()) return false;
    Fault& fault = it->second;
    if (fault.after > 0) {
        --fault.after;
        return false;
    }
    if (fault.count == 0) {
        faults.erase(it);
        return false;
    }
    if (fault.count > 0) --fault.count;
    return true;
}

void SetProgramFolderOverride(const std::string& folder) {
    std::string absolute;
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::absolute(folder, ec);
        absolute = ec ? folder : path.lexically_normal().string();
        while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    }
    std::lock_guard<std::mutex> guard(FolderLock());
    FolderOverride() = absolute;
}

std::string ProgramFolderOverride() {
    {
        std::lock_guard<std::mutex> guard(FolderLock());
        if (!FolderOverride().empty()) return FolderOverride();
    }
    const char* env = std::getenv("KESTRA_PROGRAM_DIR");
    if (!env || !*env) return std::string();
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(env, ec);
    std::string folder = ec ? std::string(env) : path.lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

void SetCallRecording(bool on) {
    CallLog& log = Calls();
    std::lock_guard<std::mutex> guard(log.lock);
    log.on = on;
}

bool CallRecordingOn() {
    CallLog& log = Calls();
    std::lock_guard<std::mutex> guard(log.lock);
    return log.on;
}

void RecordCall(const std::string& line) {
    CallLog& log = Calls();
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.on) log.lines.push_back(line);
}

std::vector<std::string> RecordedCalls() {
    CallLog& log = Calls();
    std::lock_guard<std::mutex> guard(log.lock);
    return log.lines;
}

void ClearRecordedCalls() {
    CallLog& log = Calls();
    std::lock_guard<std::mutex> guard(log.lock);
    log.lines.clear();
}

}  // namespace platform
