// Clocks: the 10 MHz counter, the millisecond clocks and the virtual clock with
// its sleeps and hook.
#include <gtest/gtest.h>

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
