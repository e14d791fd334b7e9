// Clocks: the 10 MHz counter, the millisecond clocks and the virtual clock with
// its sleeps and hook.
#include <gtest/gtest.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class KernelClock : public KernelTest {
protected:
    void TearDown() override {
        platform::SetVirtualClockHook(nullptr, nullptr);
        platform::UseVirtualClock(false);
        platform::ClearVirtualSleeps();
        KernelTest::TearDown();
    }
    static LONGLONG Counter() {
        LARGE_INTEGER value;
        EXPECT_TRUE(QueryPerformanceCounter(&value));
        return value.QuadPart;
    }
};

}  // namespace

TEST_F(KernelClock, RealCounterRunsAtTenMegahertzAndSleepsNeverEndEarly) {
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10'000'000);
    EXPECT_FALSE(platform::VirtualClockActive());
    LONGLONG before = Counter();
    DWORD msBefore = timeGetTime();
    Sleep(20);
    LONGLONG after = Counter();
    EXPECT_GE(after - before, 20 * 10'000);
    EXPECT_GE(timeGetTime() - msBefore, 19u);  // whole milliseconds of a later read
    EXPECT_GE(GetTickCount(), msBefore);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_TRUE(platform::VirtualSleeps().empty());  // real sleeps are not recorded
}

TEST_F(KernelClock, VirtualClockDrivesEveryClockAndRecordsSleeps) {
    platform::UseVirtualClock(true);
    platform::ClearVirtualSleeps();
    platform::AdvanceVirtualClock(123);
    const int64_t start = platform::VirtualClockNow();
    EXPECT_EQ(Counter(), start);
    const DWORD ms = timeGetTime();
    EXPECT_EQ(ms, static_cast<DWORD>(start / 10'000));
    EXPECT_EQ(GetTickCount(), ms);

    EXPECT_EQ(SleepEx(10, TRUE), 0u);
    EXPECT_EQ(Counter(), start + 100'000);
    EXPECT_EQ(timeGetTime(), ms + 10);
    SleepEx(0, TRUE);  // a yield: recorded, no time passes
    EXPECT_EQ(Counter(), start + 100'000);
    Sleep(5);
    platform::AdvanceVirtualClock(2'500);
    EXPECT_EQ(Counter(), start + 152'500);

    std::vector<platform::SleepRecord> sleeps = platform::VirtualSleeps();
    ASSERT_EQ(sleeps.size(), 3u);
    EXPECT_EQ(sleeps[0].milliseconds, 10u);
    EXPECT_EQ(sleeps[0].at, start + 100'000);
    EXPECT_EQ(sleeps[1].milliseconds, 0u);
    EXPECT_EQ(sleeps[1].at, start + 100'000);
    EXPECT_EQ(sleeps[2].milliseconds, 5u);
    EXPECT_EQ(sleeps[2].at, start + 150'000);
    platform::ClearVirtualSleeps();
    EXPECT_TRUE(platform::VirtualSleeps().empty());
}

namespace {

struct Work {
    int calls = 0;
    int64_t ticksPerCall = 0;
    LONGLONG seenInside = 0;
};

// Simulated work: every clock read or sleep costs time; the hook reads the
// clock itself, which must not call the hook again.
void Spend(void* user) {
    auto* work = static_cast<Work*>(user);
    ++work->calls;
    platform::AdvanceVirtualClock(work->ticksPerCall);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    work->seenInside = now.QuadPart;
}

}  // namespace

TEST_F(KernelClock, HookRunsOnEveryReadAndSleep) {
    platform::UseVirtualClock(true);
    Work work;
    work.ticksPerCall = 1'000;
    const int64_t start = platform::VirtualClockNow();
    platform::SetVirtualClockHook(Spend, &work);
    EXPECT_EQ(Counter(), start + 1'000);
    EXPECT_EQ(work.calls, 1);
    EXPECT_EQ(work.seenInside, start + 1'000);
    SleepEx(1, TRUE);
    EXPECT_EQ(work.calls, 2);
    EXPECT_EQ(platform::VirtualClockNow(), start + 1'000 + 10'000 + 1'000);
    timeGetTime();
    GetTickCount();
    EXPECT_EQ(work.calls, 4);
    platform::SetVirtualClockHook(nullptr, nullptr);
    Counter();
    EXPECT_EQ(work.calls, 4);
}

// ---- Waitable timers.

TEST_F(KernelClock, TimerWaitsOnTheVirtualClockEndAtTheirDueTime) {
    struct Case {
        const char* what;
        DWORD flags;
        LONGLONG due;                 // relative, 100 ns
        DWORD firstWait, secondWait;  // milliseconds
        DWORD first, second;          // results
        int64_t passed;               // ticks both waits took
        size_t sleeps;                // recorded: only waits on a timer never signalled sleep
    };
    const Case cases[] = {
        {"due within the wait", CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, -5'000, INFINITE, 1, WAIT_OBJECT_0,
         WAIT_TIMEOUT, 5'000 + 10'000, 1},  // the wait took the signal: the second runs out
        {"manual reset", CREATE_WAITABLE_TIMER_MANUAL_RESET, -5'000, INFINITE, 1, WAIT_OBJECT_0, WAIT_OBJECT_0, 5'000,
         0},
        {"due after the wait", 0, -25'000, 2, INFINITE, WAIT_TIMEOUT, WAIT_OBJECT_0, 25'000, 0},
        {"due at once", 0, 0, 0, 0, WAIT_OBJECT_0, WAIT_TIMEOUT, 0, 1},
    };
    platform::UseVirtualClock(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ClearVirtualSleeps();
        HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, c.flags, TIMER_ALL_ACCESS);
        ASSERT_NE(timer, nullptr);
        const LONGLONG start = Counter();
        LARGE_INTEGER due;
        due.QuadPart = c.due;
        ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
        EXPECT_EQ(WaitForSingleObject(timer, c.firstWait), c.first);
        EXPECT_EQ(WaitForSingleObject(timer, c.secondWait), c.second);
        EXPECT_EQ(Counter() - start, c.passed);
        EXPECT_EQ(platform::VirtualSleeps().size(), c.sleeps);
        EXPECT_TRUE(CloseHandle(timer));
    }
}

TEST_F(KernelClock, TimerRefusesWhatItDoesNotOffer) {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    ASSERT_NE(timer, nullptr);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_NE(mutex, nullptr);
    LARGE_INTEGER relative, absolute;
    relative.QuadPart = -10'000;
    absolute.QuadPart = 10'000;
    void (*completion)(LPVOID, DWORD, DWORD) = [](LPVOID, DWORD, DWORD) {};
    struct Case {
        const char* what;
        HANDLE handle;
        const LARGE_INTEGER* due;
        LONG period;
        PTIMERAPCROUTINE completion;
        DWORD error;
    };
    const Case cases[] = {{"no due time", timer, nullptr, 0, nullptr, ERROR_INVALID_PARAMETER},
                          {"an absolute due time", timer, &absolute, 0, nullptr, ERROR_NOT_SUPPORTED},
                          {"a period", timer, &relative, 16, nullptr, ERROR_NOT_SUPPORTED},
                          {"a completion routine", timer, &relative, 0, completion, ERROR_NOT_SUPPORTED},
                          {"a mutex", mutex, &relative, 0, nullptr, ERROR_INVALID_HANDLE},
                          {"no handle", nullptr, &relative, 0, nullptr, ERROR_INVALID_HANDLE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_FALSE(SetWaitableTimer(c.handle, c.due, c.period, c.completion, nullptr, FALSE));
        EXPECT_EQ(GetLastError(), c.error);
    }
    const WCHAR name[] = L"frame";
    EXPECT_EQ(CreateWaitableTimerExW(nullptr, name, 0, TIMER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(CreateWaitableTimerExW(nullptr, nullptr, 0x10, TIMER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    platform::InjectFault("CreateWaitableTimerExW");
    EXPECT_EQ(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS), nullptr);
    EXPECT_TRUE(CloseHandle(timer));
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST_F(KernelClock, RealTimerWaitNeverEndsBeforeItsDueTime) {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    ASSERT_NE(timer, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -15'000;  // 1.5 ms
    const LONGLONG start = Counter();
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
    EXPECT_GE(Counter() - start, 15'000);
    EXPECT_TRUE(CloseHandle(timer));
}

// One timer, waited on by other threads while this one sets it: each wait sees
// every Set as it comes, and a synchronization timer's signal ends one wait.
// Each signal is checked against the Set in force, timed by the counter around
// the Set calls, not against a margin: a run whose first due time passed before
// the second Set was made (a busy machine) says nothing and runs again.
TEST_F(KernelClock, RealTimerWaitsSeeSetsFromOtherThreads) {
    struct Case {
        const char* what;
        DWORD flags;
        LONGLONG before, during;     // relative due times set before the waits and 10 ms into them; 0: none
        std::vector<DWORD> waits;    // each waiter's time-out
        std::vector<DWORD> results;  // in order
    };
    const Case cases[] = {
        {"set only while waited on for ever", 0, 0, -100'000, {INFINITE}, {WAIT_OBJECT_0}},
        {"set later while waited on", 0, -2'000'000, -3'000'000, {INFINITE}, {WAIT_OBJECT_0}},
        {"set sooner while waited on", 0, -600'000'000, -100'000, {INFINITE}, {WAIT_OBJECT_0}},
        {"two waits, one signal", 0, -200'000, 0, {1000, 1000}, {WAIT_OBJECT_0, WAIT_TIMEOUT}},
        {"two waits on a notification timer", CREATE_WAITABLE_TIMER_MANUAL_RESET, -200'000, 0, {1000, 1000},
         {WAIT_OBJECT_0, WAIT_OBJECT_0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // In a child, so that a wait that never ends fails the case (the alarm)
        // instead of the run; its answer is its own, not the earlier cases'.
        const auto run = [&c] {
            alarm(20);
            HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, c.flags, TIMER_ALL_ACCESS);
            LARGE_INTEGER due;
            due.QuadPart = c.before;
            const LONGLONG start = Counter();
            if (!timer || (c.before && !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))) return 2;
            std::vector<DWORD> results(c.waits.size());
            std::vector<LONGLONG> ended(c.waits.size());
            std::vector<std::thread> waiters;
            for (size_t i = 0; i < c.waits.size(); ++i)
                waiters.emplace_back([&, i] {
                    results[i] = WaitForSingleObject(timer, c.waits[i]);
                    ended[i] = Counter();
                });
            Sleep(10);
            due.QuadPart = c.during;
            const LONGLONG setAt = Counter();
            const bool set = !c.during || SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
            const LONGLONG setDone = Counter();
            for (std::thread& waiter : waiters) waiter.join();
            CloseHandle(timer);
            // The first due time cannot come before start - before; once it has passed the second Set, a signal may be its.
            if (c.before && c.during && setDone >= start - c.before) return 5;
            const LONGLONG notBefore = c.during ? setAt - c.during : start - c.before;
            int answer = set ? 0 : 2;
            for (size_t i = 0; i < results.size(); ++i)
                if (results[i] == WAIT_OBJECT_0 && ended[i] < notBefore) {
                    ADD_FAILURE() << "wait " << i << " signalled " << notBefore - ended[i] << " ticks before its due time";
                    answer = 3;
                }
            std::sort(results.begin(), results.end());
            if (results != c.results) {
                ADD_FAILURE() << "results " << ::testing::PrintToString(results);
                answer = 4;
            }
            return answer;
        };
        int answer = 5;
        for (int attempt = 0; attempt < 10 && answer == 5; ++attempt) answer = testsupport::RunInChild(run);
        EXPECT_EQ(answer, 0) << "2: not set, 3: signalled early, 4: other results, 5: never ran in order, 142: a "
                                "wait never ended";
    }
}

namespace {

int64_t ThreadCpuNanoseconds(std::thread& thread) {
    clockid_t clock;
    timespec used{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &used) != 0) return -1;
    return int64_t{used.tv_sec} * 1'000'000'000 + used.tv_nsec;
}

}  // namespace

// Due times too far away to count, up to the lowest value a relative time has:
// never due, never due in the past, and a wait on one sleeps instead of spinning
// (the CPU the waiting thread used is counted, not the time it took).
TEST_F(KernelClock, ATimerDueBeyondTheCounterIsNeverSignalledAndItsWaitsSleep) {
    const struct {
        const char* what;
        LONGLONG due;
    } cases[] = {
        {"the last due time whose wait counts in nanoseconds", -(INT64_MAX / 100)},
        {"one tick further", -(INT64_MAX / 100) - 1},
        {"about 317 years", -100'000'000'000'000'000},
        {"one above the lowest value", INT64_MIN + 1},
        {"the lowest value", INT64_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto run = [&c] {
            alarm(20);
            HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                  TIMER_ALL_ACCESS);
            LARGE_INTEGER due;
            due.QuadPart = c.due;
            if (!timer || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) return 2;
            // A wait with a time-out runs out.
            if (WaitForSingleObject(timer, 20) != WAIT_TIMEOUT) return 3;
            // A wait for ever sleeps until the timer is set again.
            std::atomic<DWORD> result{WAIT_FAILED};
            std::thread waiter([&] { result = WaitForSingleObject(timer, INFINITE); });
            Sleep(300);
            const int64_t cpu = ThreadCpuNanoseconds(waiter);
            const DWORD early = result.load();
            due.QuadPart = -1;
            const bool set = SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
            waiter.join();
            CloseHandle(timer);
            if (early != WAIT_FAILED) return 4;
            if (!set || result != WAIT_OBJECT_0) return 5;
            if (cpu < 0 || cpu > 30'000'000) {
                ADD_FAILURE() << "the waiting thread used " << cpu / 1000 << " us of CPU in 300 ms";
                return 6;
            }
            return 0;
        };
        EXPECT_EQ(testsupport::RunInChild(run), 0)
            << "2: not set, 3: signalled at once, 4: the wait ended, 5: not ended by a set, 6: the wait spun, "
               "142: a wait never ended";
    }
    // On the virtual clock such a wait runs out as a sleep of its own length.
    platform::UseVirtualClock(true);
    for (const LONGLONG far : {LONGLONG{INT64_MIN}, -(INT64_MAX / 100) - 1}) {
        HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        ASSERT_NE(timer, nullptr);
        LARGE_INTEGER due;
        due.QuadPart = far;
        ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
        const LONGLONG start = Counter();
        EXPECT_EQ(WaitForSingleObject(timer, 7), WAIT_TIMEOUT) << far;
        EXPECT_EQ(Counter() - start, 70'000) << far;
        if (far != INT64_MIN) {  // due in 292 years: a wait for ever goes there at once
            EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
            EXPECT_EQ(Counter() - start, -far) << far;
            EXPECT_TRUE(CloseHandle(timer));
            continue;
        }
        // Never due: a wait for ever moves no clock, it ends at the due time of the next set.
        std::atomic<DWORD> result{WAIT_FAILED};
        std::thread waiter([&] { result = WaitForSingleObject(timer, INFINITE); });
        usleep(100000);  // the waiter reaches its wait
        EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_FAILED)) << far;
        const LONGLONG set = Counter();
        due.QuadPart = -3;
        ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
        waiter.join();
        EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_OBJECT_0)) << far;
        EXPECT_EQ(set - start, 70'000) << far;
        EXPECT_EQ(Counter() - set, 3) << far;
        EXPECT_TRUE(CloseHandle(timer));
    }
}
