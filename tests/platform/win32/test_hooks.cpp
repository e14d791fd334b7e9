// The test hooks themselves: fault counting across threads and call recording.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32/testing.h"

TEST(TestHooks, FaultsPassThenFailAsArmed) {
    platform::ClearFaults();
    EXPECT_FALSE(platform::FaultHit("Hooks.X"));
    platform::InjectFault("Hooks.X", 2, 2);
    std::vector<bool> seen;
    for (int i = 0; i < 6; ++i) seen.push_back(platform::FaultHit("Hooks.X"));
    EXPECT_EQ(seen, (std::vector<bool>{false, false, true, true, false, false}));
    EXPECT_FALSE(platform::FaultHit("Hooks.Y"));  // other names are untouched

    platform::InjectFault("Hooks.Y");  // every call from now on
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(platform::FaultHit("Hooks.Y"));
    platform::InjectFault("Hooks.Y", 0, 0);  // re-arming replaces: never
    EXPECT_FALSE(platform::FaultHit("Hooks.Y"));
    platform::InjectFault("Hooks.Z");
    platform::ClearFaults();
    EXPECT_FALSE(platform::FaultHit("Hooks.Z"));
}

TEST(TestHooks, FaultCountsHoldUnderConcurrentCalls) {
    platform::InjectFault("Hooks.Threads", 50, 100);
    std::atomic<int> hits{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) hits += platform::FaultHit("Hooks.Threads");
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(hits.load(), 100);
    platform::ClearFaults();
}

TEST(TestHooks, CallsAreRecordedOnlyWhileRecording) {
    platform::SetCallRecording(false);
    platform::ClearRecordedCalls();
    platform::RecordCall("ignored");
    EXPECT_TRUE(platform::RecordedCalls().empty());
    platform::SetCallRecording(true);
    platform::RecordCall("SetWindowPos hwnd=-1 0 0 640 480 0");
    platform::RecordCall("ShowCursor 0");
    EXPECT_EQ(platform::RecordedCalls(),
              (std::vector<std::string>{"SetWindowPos hwnd=-1 0 0 640 480 0", "ShowCursor 0"}));
    platform::ClearRecordedCalls();
    EXPECT_TRUE(platform::RecordedCalls().empty());
    platform::SetCallRecording(false);
}
