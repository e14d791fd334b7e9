// Clocks and sleeps: the performance counter (10 MHz from CLOCK_MONOTONIC), the
// millisecond clocks, Sleep/SleepEx, waitable timers, and the tests' virtual
// clock that replaces all of them.
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
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

// Sleeps until the counter reads `until`; on the virtual clock the time jumps
// there (never back) and the hook runs, as for a sleep, with no sleep recorded.
void SleepUntilCounter(int64_t until) {
    VirtualClock& clock = Virtual();
    if (clock.on.load()) {
        int64_t now = clock.now.load();
        while (now < until && !clock.now.compare_exchange_weak(now, until)) {
        }
        RunHook();
        return;
    }
    const timespec at{static_cast<time_t>(until / kCounterFrequency),
                      static_cast<long>(until % kCounterFrequency) * (1'000'000'000 / kCounterFrequency)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

// A waitable timer: the counter value it is due at, once set.
class WaitableTimer final : public KernelObject {
public:
    explicit WaitableTimer(bool manualReset) : manualReset_(manualReset) {}
    void Set(int64_t due) {
        std::lock_guard<std::mutex> guard(lock_);
        due_ = due;
        armed_ = true;
    }
    DWORD Wait(DWORD milliseconds) override {
        bool armed;
        int64_t due;
        {
            std::lock_guard<std::mutex> guard(lock_);
            armed = armed_;
            due = due_;
        }
        if (!armed) {
            // Never signalled: the wait runs out, or lasts for ever.
            SleepEx(milliseconds, FALSE);
            return WAIT_TIMEOUT;
        }
        const int64_t now = CounterNow();
        const int64_t limit =
            milliseconds == INFINITE ? INT64_MAX : now + static_cast<int64_t>(milliseconds) * kTicksPerMillisecond;
        if (due > now) SleepUntilCounter(std::min(due, limit));
        if (due > limit) return WAIT_TIMEOUT;
        std::lock_guard<std::mutex> guard(lock_);
        if (!manualReset_ && due_ == due) armed_ = false;
        return WAIT_OBJECT_0;
    }

private:
    std::mutex lock_;
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
    object->Set(platform::CounterNow() - dueTime->QuadPart);
    return TRUE;
}
