// Clocks and sleeps: the performance counter (10 MHz from CLOCK_MONOTONIC), the
// millisecond clocks, Sleep/SleepEx, waitable timers, and the tests' virtual
// clock that replaces all of them.
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>  // and its clocks: <chrono> itself does not build with CP932 literals
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/testing.h"
#include "platform/win32/winmm.h"

namespace platform {

namespace {

constexpr int64_t kTicksPerMillisecond = kCounterFrequency / 1000;

struct VirtualClock {
    std::atomic<bool> on{false};
    std::atomic<int64_t> now{0};
    std::mutex lock;  // sleeps and hook
    std::vector<SleepRecord> sleeps;
    ClockHook hook = nullptr;
    void* user = nullptr;
};
VirtualClock& Virtual() {
    static VirtualClock* clock = new VirtualClock;  // outlives static destructors
    return *clock;
}

// A hook that reads the clock itself must not run again from inside.
thread_local bool inHook = false;

void RunHook() {
    if (inHook) return;
    VirtualClock& clock = Virtual();
    ClockHook hook;
    void* user;
    {
        std::lock_guard<std::mutex> guard(clock.lock);
        hook = clock.hook;
        user = clock.user;
    }
    if (!hook) return;
    inHook = true;
    hook(user);
    inHook = false;
}

int64_t RealTicks() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * kCounterFrequency + now.tv_nsec / 100;
}

// The counter as every clock function sees it.
int64_t CounterNow() {
    VirtualClock& clock = Virtual();
    if (!clock.on.load()) return RealTicks();
    RunHook();
    return clock.now.load();
}

void VirtualSleep(DWORD milliseconds) {
    VirtualClock& clock = Virtual();
    clock.now.fetch_add(static_cast<int64_t>(milliseconds) * kTicksPerMillisecond);
    {
        std::lock_guard<std::mutex> guard(clock.lock);
        clock.sleeps.push_back(SleepRecord{milliseconds, clock.now.load()});
    }
    RunHook();
}

struct WallClock {
    std::atomic<bool> set{false};
    std::atomic<int64_t> seconds{0};
};
WallClock& Wall() {
    static WallClock* clock = new WallClock;  // outlives static destructors
    return *clock;
}

void RealSleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) pause();
    }
    timespec request{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    timespec left;
    while (nanosleep(&request, &left) != 0 && errno == EINTR) request = left;
}

// The virtual clock jumps to `until` (never back) and the hook runs, as for a
// sleep, with no sleep recorded.
void VirtualSleepUntil(int64_t until) {
    VirtualClock& clock = Virtual();
    int64_t now = clock.now.load();
    while (now < until && !clock.now.compare_exchange_weak(now, until)) {
    }
    RunHook();
}

// The longest a real wait sleeps before it looks at the clock again: a due time
// centuries away must neither overflow the wait's clock nor spin.
constexpr int64_t kLongestSleepTicks = int64_t{3600} * kCounterFrequency;

// now - relative (relative <= 0), held at the largest counter value: a due time
// too far away to count is never, not one in the past.
int64_t DueAfter(int64_t now, int64_t relative) {
    int64_t due;
    return __builtin_sub_overflow(now, relative, &due) ? INT64_MAX : due;
}

// A waitable timer: the counter value it is due at, once set. A wait looks at
// the timer again whenever it is set, from any thread: it ends at the due time
// of the last Set, and a synchronization timer's signal ends one wait only.
class WaitableTimer final : public KernelObject {
public:
    explicit WaitableTimer(bool manualReset) : manualReset_(manualReset) {}
    void Set(int64_t due) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            due_ = due;
            armed_ = true;
        }
        changed_.notify_all();
    }
    DWORD Wait(DWORD milliseconds) override {
        bool armed;
        {
            std::lock_guard<std::mutex> guard(lock_);
            armed = armed_;
        }
        // On the virtual clock a wait reads the counter (and runs the hook) as a
        // sleep would: once for a timer set, not at all for one that is not.
        int64_t now = Virtual().on.load() && !armed ? Virtual().now.load() : CounterNow();
        const int64_t limit =
            milliseconds == INFINITE ? INT64_MAX : now + static_cast<int64_t>(milliseconds) * kTicksPerMillisecond;
        bool slept = false;
        for (;;) {
            std::unique_lock<std::mutex> lock(lock_);
            if (armed_ && due_ <= now) {
                if (!manualReset_) armed_ = false;
                return WAIT_OBJECT_0;
            }
            const bool virtualClock = Virtual().on.load();
            if (virtualClock && !armed_ && limit != INT64_MAX) {
                // Not signalled in time: on the virtual clock the wait runs out as a
                // recorded sleep (a yield for a wait of none).
                if (slept) return WAIT_TIMEOUT;
                lock.unlock();
                SleepEx(static_cast<DWORD>((limit - now + kTicksPerMillisecond - 1) / kTicksPerMillisecond), FALSE);
                slept = true;
            } else if (now >= limit) {
                return WAIT_TIMEOUT;
            } else if (!virtualClock) {
                const int64_t until = armed_ ? std::min(due_, limit) : limit;
                if (until == INT64_MAX) {
                    changed_.wait(lock);  // until it is set
                } else {
                    const int64_t ticks = std::min(until - now, kLongestSleepTicks);
                    changed_.wait_for(lock, std::chrono::nanoseconds(ticks * (1'000'000'000 / kCounterFrequency)));
                }
            } else if (armed_ && std::min(due_, limit) != INT64_MAX) {
                // The virtual clock goes to the due time (or the wait's end) at once.
                const int64_t until = std::min(due_, limit);
                lock.unlock();
                VirtualSleepUntil(until);
            } else {
                changed_.wait(lock);  // no time passes (or none would bring it) until another thread sets it
            }
            // The virtual clock is read as it stands: the sleep ran the hook already.
            now = virtualClock ? Virtual().now.load() : RealTicks();
        }
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool armed_ = false;  // set, and not yet taken by a wait of a synchronization timer
    int64_t due_ = 0;
};

}  // namespace

void UseVirtualClock(bool on) { Virtual().on.store(on); }

bool VirtualClockActive() { return Virtual().on.load(); }

void AdvanceVirtualClock(int64_t ticks) { Virtual().now.fetch_add(ticks); }

int64_t VirtualClockNow() { return Virtual().now.load(); }

std::vector<SleepRecord> VirtualSleeps() {
    VirtualClock& clock = Virtual();
    std::lock_guard<std::mutex> guard(clock.lock);
    return clock.sleeps;
}

void ClearVirtualSleeps() {
    VirtualClock& clock = Virtual();
    std::lock_guard<std::mutex> guard(clock.lock);
    clock.sleeps.clear();
}

void SetWallClock(int64_t seconds) {
    Wall().seconds.store(seconds);
    Wall().set.store(true);
}

void ClearWallClock() { Wall().set.store(false); }

bool WallClockSet(int64_t& seconds) {
    if (!Wall().set.load()) return false;
    seconds = Wall().seconds.load();
    return true;
}

void SetVirtualClockHook(ClockHook hook, void* user) {
    VirtualClock& clock = Virtual();
    std::lock_guard<std::mutex> guard(clock.lock);
    clock.hook = hook;
    clock.user = user;
}

}  // namespace platform

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
    if (!counter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    counter->QuadPart = platform::CounterNow();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    frequency->QuadPart = platform::kCounterFrequency;
    return TRUE;
}

// Milliseconds wrap at 2^32 as on Windows (about every 49.7 days).
DWORD GetTickCount() { return static_cast<DWORD>(platform::CounterNow() / platform::kTicksPerMillisecond); }

DWORD timeGetTime() { return static_cast<DWORD>(platform::CounterNow() / platform::kTicksPerMillisecond); }

void Sleep(DWORD milliseconds) { SleepEx(milliseconds, FALSE); }

DWORD SleepEx(DWORD milliseconds, BOOL) {
    if (platform::VirtualClockActive()) platform::VirtualSleep(milliseconds);
    else platform::RealSleep(milliseconds);
    return 0;
}

// Due times are in 100 ns units: counter ticks.
static_assert(platform::kCounterFrequency == 10'000'000);

HANDLE CreateWaitableTimerExW(LPSECURITY_ATTRIBUTES, LPCWSTR name, DWORD flags, DWORD) {
    if (name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (flags & ~DWORD{CREATE_WAITABLE_TIMER_MANUAL_RESET | CREATE_WAITABLE_TIMER_HIGH_RESOLUTION}) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (platform::FaultHit("CreateWaitableTimerExW")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return platform::RegisterHandle(
        std::make_shared<platform::WaitableTimer>((flags & CREATE_WAITABLE_TIMER_MANUAL_RESET) != 0));
}

BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG period, PTIMERAPCROUTINE completion, LPVOID,
                      BOOL) {
    const std::shared_ptr<platform::WaitableTimer> object = platform::LookupHandleAs<platform::WaitableTimer>(timer);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!dueTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (dueTime->QuadPart > 0 || period != 0 || completion) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    object->Set(platform::DueAfter(platform::CounterNow(), dueTime->QuadPart));
    return TRUE;
}
