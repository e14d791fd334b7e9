// Mutexes, semaphores and critical sections.
//
// A named mutex is shared with other processes of the same user through an
// flock on a lock file named after it, in $XDG_RUNTIME_DIR/kestra (else a
// private folder in the temp directory). The process that owns the mutex holds
// the lock; the kernel drops it when the process dies, so a crashed instance
// never blocks the next one. Within the process, ownership belongs to a thread
// and is recursive. Handles of one name in one process share one object.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/testing.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// Deadline of a wait; INFINITE never expires.
struct Deadline {
    explicit Deadline(DWORD milliseconds)
        : infinite(milliseconds == INFINITE), at(Clock::now() + std::chrono::milliseconds(milliseconds)) {}
    bool infinite;
    Clock::time_point at;
    bool passed() const { return !infinite && Clock::now() >= at; }
};

template <class Predicate>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, const Deadline& deadline,
               Predicate ready) {
    if (deadline.infinite) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_until(lock, deadline.at, ready);
}

// ---- Lock files

bool UsableFolder(const std::string& folder, bool mustBePrivate) {
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (mustBePrivate && (st.st_uid != getuid() || (st.st_mode & 0077) != 0)) return false;
    return true;
}

// The folder of the lock files, or empty when none can be made (named mutexes
// then work within the process only).
std::string LockFolder() {
    std::string base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && UsableFolder(runtime, false)) {
        base = std::string(runtime) + "/kestra";
        mkdir(base.c_str(), 0700);
        if (UsableFolder(base, true)) return base;
    }
    const char* tmp = std::getenv("TMPDIR");
    base = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestra-" + std::to_string(getuid());
    mkdir(base.c_str(), 0700);
    if (UsableFolder(base, true)) return base;
    return std::string();
}

// Safe file-name characters stay, every other byte becomes %XX; long names
// are cut and made unique with a hash of the whole name.
std::string LockFileName(const std::string& name) {
    std::string encoded;
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : name) {
        bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.';
        if (safe && !(c == '.' && encoded.empty())) {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 15]);
        }
    }
    if (encoded.size() > 180) {
        uint64_t hash = 1469598103934665603ULL;
        for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ULL;
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        encoded = encoded.substr(0, 160) + tail;
    }
    return "mutex-" + encoded + ".lock";
}

int OpenLockFile(const std::string& name) {
    static const std::string folder = LockFolder();
    if (folder.empty()) return -1;
    std::string path = folder + "/" + LockFileName(name);
    int fd;
    do {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Answers true when the lock was taken; false when another process holds it.
bool TryFileLock(int fd) {
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        // EWOULDBLOCK: held elsewhere. Other errors (no locking on this file
        // system) leave the mutex to this process alone.
        return errno != EWOULDBLOCK;
    }
}

// ---- Mutexes

pid_t CurrentThreadId() { return static_cast<pid_t>(GetCurrentThreadId()); }

class MutexState {
public:
    explicit MutexState(const std::string& name) : name_(name), pid_(getpid()) {
        if (!name_.empty()) fd_ = OpenLockFile(name_);
    }
    ~MutexState() {
        if (fd_ >= 0) close(fd_);  // drops the file lock with the last handle
    }
    MutexState(const MutexState&) = delete;
    MutexState& operator=(const MutexState&) = delete;

    // True when another process holds the lock now.
    bool HeldElsewhere() {
        std::unique_lock<std::mutex> lock(lock_);
        RefreshAfterFork();
        if (fd_ < 0 || busy_) return false;
        if (!TryFileLock(fd_)) return true;
        flock(fd_, LOCK_UN);
        return false;
    }

    DWORD Acquire(DWORD milliseconds) {
        Deadline deadline(milliseconds);
        pid_t self = CurrentThreadId();
        std::unique_lock<std::mutex> lock(lock_);
        RefreshAfterFork();
        if (owner_ == self) {
            ++recursion_;
            return WAIT_OBJECT_0;
        }
        if (!WaitUntil(cv_, lock, deadline, [this] { return !busy_; })) return WAIT_TIMEOUT;
        busy_ = true;  // this thread alone now tries the file lock
        int fd = fd_;
        lock.unlock();
        bool got = true;
        if (fd >= 0) {
            for (;;) {
                if (TryFileLock(fd)) break;
                if (milliseconds == 0 || deadline.passed()) {
                    got = false;
                    break;
                }
                timespec pause{0, 2'000'000};
                nanosleep(&pause, nullptr);
            }
        }
        lock.lock();
        if (!got) {
            busy_ = false;
            cv_.notify_one();
            return WAIT_TIMEOUT;
        }
        owner_ = self;
        recursion_ = 1;
        return WAIT_OBJECT_0;
    }

    bool Release() {
        std::unique_lock<std::mutex> lock(lock_);
        RefreshAfterFork();
        if (owner_ != CurrentThreadId() || recursion_ == 0) return false;
        if (--recursion_ == 0) {
            owner_ = 0;
            if (fd_ >= 0) flock(fd_, LOCK_UN);
            busy_ = false;
            cv_.notify_one();
        }
        return true;
    }

private:
    // A forked child shares the parent's open lock file (and its lock): it
    // opens its own and owns nothing.
    void RefreshAfterFork() {
        if (pid_ == getpid()) return;
        pid_ = getpid();
        if (fd_ >= 0) close(fd_);
        fd_ = name_.empty() ? -1 : OpenLockFile(name_);
        owner_ = 0;
        recursion_ = 0;
        busy_ = false;
    }

    std::string name_;
    pid_t pid_;
    int fd_ = -1;
    std::mutex lock_;
    std::condition_variable cv_;
    pid_t owner_ = 0;
    unsigned recursion_ = 0;
    bool busy_ = false;  // owned, or a thread is taking the file lock
};

class MutexObject : public KernelObject {
public:
    MutexObject(std::shared_ptr<MutexState> state, bool heldByOtherInstance)
        : state_(std::move(state)), heldByOtherInstance_(heldByOtherInstance) {}
    DWORD Wait(DWORD milliseconds) override {
        if (heldByOtherInstance_) return WAIT_TIMEOUT;
        return state_->Acquire(milliseconds);
    }
    bool Release() { return !heldByOtherInstance_ && state_->Release(); }

private:
    std::shared_ptr<MutexState> state_;
    bool heldByOtherInstance_;  // the "CreateMutexA.owned" fault
};

// ---- Semaphores

class SemaphoreState {
public:
    SemaphoreState(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
    DWORD Acquire(DWORD milliseconds) {
        Deadline deadline(milliseconds);
        std::unique_lock<std::mutex> lock(lock_);
        if (!WaitUntil(cv_, lock, deadline, [this] { return count_ > 0; })) return WAIT_TIMEOUT;
        --count_;
        return WAIT_OBJECT_0;
    }
    bool Release(LONG releaseCount, LONG* previous) {
        std::lock_guard<std::mutex> lock(lock_);
        if (releaseCount > maximum_ - count_) return false;
        if (previous) *previous = count_;
        count_ += releaseCount;
        if (releaseCount == 1) cv_.notify_one();
        else cv_.notify_all();
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable cv_;
    LONG count_;
    LONG maximum_;
};

class SemaphoreObject : public KernelObject {
public:
    explicit SemaphoreObject(std::shared_ptr<SemaphoreState> state) : state_(std::move(state)) {}
    DWORD Wait(DWORD milliseconds) override { return state_->Acquire(milliseconds); }
    SemaphoreState& state() { return *state_; }

private:
    std::shared_ptr<SemaphoreState> state_;
};

// Objects by name, within this process.
struct Names {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<MutexState>> mutexes;
    std::map<std::string, std::weak_ptr<SemaphoreState>> semaphores;
};
Names& NamedObjects() {
    static Names* names = new Names;  // outlives static destructors
    return *names;
}

}  // namespace

}  // namespace platform

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    using namespace platform;
    std::shared_ptr<MutexState> state;
    bool existed = false;
    if (name && *name) {
        Names& names = NamedObjects();
        std::lock_guard<std::mutex> guard(names.lock);
        state = names.mutexes[name].lock();
        existed = state != nullptr;
        if (!state) {
            state = std::make_shared<MutexState>(name);
            names.mutexes[name] = state;
        }
    } else {
        state = std::make_shared<MutexState>(std::string());
    }
    bool heldByOtherInstance = name && *name && FaultHit("CreateMutexA.owned");
    if (!existed && name && *name) existed = heldByOtherInstance || state->HeldElsewhere();
    auto object = std::make_shared<MutexObject>(state, heldByOtherInstance);
    // The initial ownership request counts only for the creator of the mutex.
    if (initialOwner && !existed) object->Wait(0);
    HANDLE handle = RegisterHandle(object);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
    auto object = platform::LookupHandleAs<platform::MutexObject>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCSTR name) {
    using namespace platform;
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<SemaphoreState> state;
    bool existed = false;
    if (name && *name) {
        Names& names = NamedObjects();
        std::lock_guard<std::mutex> guard(names.lock);
        state = names.semaphores[name].lock();
        existed = state != nullptr;
        if (!state) {
            state = std::make_shared<SemaphoreState>(initialCount, maximumCount);
            names.semaphores[name] = state;
        }
    } else {
        state = std::make_shared<SemaphoreState>(initialCount, maximumCount);
    }
    HANDLE handle = RegisterHandle(std::make_shared<SemaphoreObject>(state));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
    auto object = platform::LookupHandleAs<platform::SemaphoreObject>(semaphore);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (releaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!object->state().Release(releaseCount, previousCount)) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}

// ---- Critical sections: a recursive pthread mutex behind impl.

namespace {

pthread_mutex_t* NewRecursiveMutex() {
    auto* mutex = new pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return mutex;
}

// A zero-filled section entered before its initialisation (a static object
// used from another static constructor) gets its lock here, exactly once.
pthread_mutex_t* MutexOf(LPCRITICAL_SECTION section) {
    std::atomic_ref<void*> impl(section->impl);
    void* current = impl.load(std::memory_order_acquire);
    if (current) return static_cast<pthread_mutex_t*>(current);
    pthread_mutex_t* fresh = NewRecursiveMutex();
    void* expected = nullptr;
    if (impl.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
    pthread_mutex_destroy(fresh);
    delete fresh;
    return static_cast<pthread_mutex_t*>(expected);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    if (section) section->impl = NewRecursiveMutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    if (!section || !section->impl) return;
    auto* mutex = static_cast<pthread_mutex_t*>(section->impl);
    pthread_mutex_destroy(mutex);
    delete mutex;
    section->impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_lock(MutexOf(section)); }

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    if (section && section->impl) pthread_mutex_unlock(static_cast<pthread_mutex_t*>(section->impl));
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return pthread_mutex_trylock(MutexOf(section)) == 0 ? TRUE : FALSE;
}
