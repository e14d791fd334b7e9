// The message pump, the frame limiter and the caption statistics on the virtual
// clock (10 MHz counter: a 60 Hz frame is 166,666 ticks), and the limiter's cost
// on the real one.
#include <gtest/gtest.h>
#include <time.h>

#include <cstring>

#include "engine/core/Kestra.h"
#include "platform/win32/win32.h"
#include "tests/engine/core/boot_harness.h"

namespace {

using boot::U8;

constexpr int64_t kFrame = platform::kCounterFrequency / 60;  // 166,666
constexpr int64_t kPollTick = 100;                          // 10 us per counter read

void (*g_body)() = nullptr;

void MainRunsBody(int, char**) {
    if (!Kestra::Start()) return;
    g_body();
    Kestra::Exit();
    while (Kestra::WaitForMessage(false)) {
    }
}

void TickPerRead(void*) { platform::AdvanceVirtualClock(kPollTick); }

// Boots the game-like configuration in a child and runs body inside its main function.
int RunInBootedChild(const testsupport::TempDir& dir, void (*body)(), bool (*configure)() = boot::ConfigureLikeGame) {
    return boot::InDisplayChild([&] {
        boot::Prepare(dir.path());
        platform::SetVirtualClockHook(TickPerRead, nullptr);
        g_body = body;
        Kestra::SetGameFunctions(configure, MainRunsBody, nullptr);
        EXPECT_EQ(boot::BootNow(), 0);
    });
}

std::vector<uint32_t> SleepLengths() {
    std::vector<uint32_t> out;
    for (const platform::SleepRecord& s : platform::VirtualSleeps()) out.push_back(s.milliseconds);
    return out;
}

// One frame of `work` ticks: the sleeps it made and how long it lasted from the
// end of the previous frame.
struct FrameResult {
    std::vector<uint32_t> sleeps;
    int64_t length;
};
FrameResult RunFrame(int64_t work) {
    const int64_t start = platform::VirtualClockNow();  // the previous frame's end
    platform::ClearVirtualSleeps();
    platform::AdvanceVirtualClock(work);
    Kestra::SyncFrame();
    return FrameResult{SleepLengths(), platform::VirtualClockNow() - start};
}

TEST(KestraPacing, ShortWorkSleepsOnceThenPollsToTheFrameLength) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   RunFrame(0);
                                   const FrameResult r = RunFrame(50'000);  // 5 ms of work
                                   EXPECT_EQ(r.sleeps, std::vector<uint32_t>{10});
                                   EXPECT_GE(r.length, kFrame);
                                   EXPECT_LE(r.length, kFrame + 3 * kPollTick);
                               }),
              0);
}

// Counter reads of a frame, each 10 us on the virtual clock as with TickPerRead.
int g_reads = 0;
void CountedTick(void*) {
    ++g_reads;
    platform::AdvanceVirtualClock(kPollTick);
}

bool ConfigureWithoutFrameTimer() {
    platform::InjectFault("CreateWaitableTimerExW");
    return boot::ConfigureLikeGame();
}

// After its sleep, the limiter waits on its timer to a fifth of a millisecond
// before the frame's end and polls only that; without a timer it polls the
// rest as before. The frame is as long either way.
TEST(KestraPacing, ShortWorkPollsOnlyTheFramesLastFifthOfAMillisecond) {
    struct Case {
        bool (*configure)();
        int minReads, maxReads;  // 10 us each: a poll of 0.2 ms, or of 1.67 ms
    };
    const Case cases[] = {{boot::ConfigureLikeGame, 15, 25}, {ConfigureWithoutFrameTimer, 160, 175}};
    static const Case* current;
    for (const Case& c : cases) {
        current = &c;
        testsupport::TempDir dir;
        EXPECT_EQ(RunInBootedChild(dir,
                                   [] {
                                       RunFrame(0);
                                       platform::SetVirtualClockHook(CountedTick, nullptr);
                                       g_reads = 0;
                                       const FrameResult r = RunFrame(50'000);  // 5 ms of work
                                       EXPECT_EQ(r.sleeps, std::vector<uint32_t>{10});
                                       EXPECT_GE(g_reads, current->minReads);
                                       EXPECT_LE(g_reads, current->maxReads);
                                       EXPECT_GE(r.length, kFrame);
                                       EXPECT_LE(r.length, kFrame + 3 * kPollTick);
                                       platform::SetVirtualClockHook(TickPerRead, nullptr);
                                   },
                                   c.configure),
                  0);
    }
}

TEST(KestraPacing, WorkLeavingTwoMillisecondsOrLessOnlyPolls) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   RunFrame(0);
                                   FrameResult r = RunFrame(155'000);  // 15.5 ms: 1 ms left
                                   EXPECT_TRUE(r.sleeps.empty());
                                   EXPECT_GE(r.length, kFrame);
                                   EXPECT_LE(r.length, kFrame + 3 * kPollTick);
                                   // 2.9 ms left: still "not more than 2" whole milliseconds.
                                   r = RunFrame(kFrame - 29'000 - kPollTick);
                                   EXPECT_TRUE(r.sleeps.empty());
                                   // 3.1 ms left: one sleep of 2.
                                   r = RunFrame(kFrame - 31'000 - kPollTick);
                                   EXPECT_EQ(r.sleeps, std::vector<uint32_t>{2});
                               }),
              0);
}

TEST(KestraPacing, ALateFrameIsNotMadeUp) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   RunFrame(0);
                                   FrameResult late = RunFrame(300'000);  // 30 ms
                                   EXPECT_TRUE(late.sleeps.empty());
                                   EXPECT_LT(late.length, 300'000 + 3 * kPollTick);
                                   // The next frame is measured from the late frame's end.
                                   FrameResult next = RunFrame(50'000);
                                   EXPECT_EQ(next.sleeps, std::vector<uint32_t>{10});
                                   EXPECT_GE(next.length, kFrame);
                                   EXPECT_LE(next.length, kFrame + 3 * kPollTick);
                               }),
              0);
}

// On the real clock a frame of no work costs its polled fifth of a millisecond
// and the calls around its sleep and timer wait: under a millisecond of CPU time,
// where a wait that spins takes its whole frame (or a busy machine's share of it)
// and one without the timer 1.7 ms. The thread's CPU time: a loaded machine makes
// the frames late, not the count larger.
TEST(KestraPacing, OnTheRealClockTheFrameWaitCostsLittleCpu) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  boot::Prepare(dir.path(), false);
                  g_body = [] {
                      constexpr int kFrames = 60;
                      Kestra::SyncFrame();
                      timespec before, after;
                      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
                      for (int i = 0; i < kFrames; ++i) Kestra::SyncFrame();
                      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
                      const double ms = double(after.tv_sec - before.tv_sec) * 1e3 +
                                        double(after.tv_nsec - before.tv_nsec) / 1e6;
                      EXPECT_LT(ms / kFrames, 1.0) << "ms of CPU a frame";
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainRunsBody, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
              }),
              0);
}

TEST(KestraPacing, RateZeroOnlyYields) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   Kestra::SetFrameRate(0);
                                   FrameResult r = RunFrame(10);
                                   EXPECT_EQ(r.sleeps, std::vector<uint32_t>{0});
                                   EXPECT_LE(r.length, 10 + 3 * kPollTick);
                               }),
              0);
}

std::string Caption() {
    char text[512] = {};
    GetWindowTextA(Kestra::GetWindowHandle(), text, sizeof(text));
    return text;
}

size_t CaptionChanges() {
    size_t n = 0;
    for (const std::string& line : platform::RecordedCalls())
        if (line.rfind("SetWindowTextA ", 0) == 0) ++n;
    return n;
}

// Frames whose entries fall exactly on i * span / count after the window start.
void RunStatsWindow(int count, int64_t span, uint32_t polygons, uint32_t polygons3D) {
    int64_t done = 0;
    for (int i = 1; i <= count; ++i) {
        const int64_t at = span * i / count;
        platform::AdvanceVirtualClock(at - done);
        done = at;
        Kestra::AddPolygonCount(polygons);
        Kestra::AddPolygonCount3D(polygons3D);
        if (i == count) {
            EXPECT_EQ(CaptionChanges(), 0u) << "caption changed before a counter-second";
        }
        Kestra::SyncFrame();
    }
}

TEST(KestraStatistics, CaptionShowsTheStatisticsOncePerCounterSecond) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   // No limiter and no clock movement of its own: every
                                   // frame's entry falls where the test puts it.
                                   Kestra::SetFrameRate(0);
                                   // Start read its baselines last: "now" is the window's start.
                                   platform::SetVirtualClockHook(nullptr, nullptr);
                                   platform::ClearRecordedCalls();
                                   RunStatsWindow(60, platform::kCounterFrequency, 120, 7);
                                   EXPECT_EQ(CaptionChanges(), 1u);
                                   EXPECT_EQ(Caption(), "Quenrith ver1.12 FPS[60] PPS[7200] PPF[120] PPF3D[7]");

                                   platform::ClearRecordedCalls();
                                   RunStatsWindow(59, 10'167'000, 0, 0);
                                   EXPECT_EQ(CaptionChanges(), 1u);
                                   EXPECT_EQ(Caption(), "Quenrith ver1.12 FPS[58] PPS[0] PPF[0] PPF3D[0]");
                               }),
              0);
}

TEST(KestraStatistics, LongNameLeavesAWholeCharacterCaptionInItsBuffer) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(
                  dir,
                  [] {
                      Kestra::SetFrameRate(0);
                      platform::SetVirtualClockHook(nullptr, nullptr);
                      platform::AdvanceVirtualClock(platform::kCounterFrequency);
                      Kestra::SyncFrame();
                      // 254 ASCII bytes, then a two-byte character cut in half by the buffer.
                      EXPECT_EQ(Caption(), std::string(254, 'a'));
                  },
                  [] {
                      boot::ConfigureLikeGame();
                      static const std::string name = std::string(254, 'a') + testsupport::Utf8ToCp932(U8(u8"あ"));
                      Kestra::SetApplicationName(name.c_str());
                      return true;
                  }),
              0);
}

// ---- The pump: inactive waiting and WM_QUIT.
int g_inactiveSleeps = 0;
void ReactivateAfterThreeSleeps(void*) {
    platform::AdvanceVirtualClock(kPollTick);
    int fifty = 0;
    for (const platform::SleepRecord& s : platform::VirtualSleeps())
        if (s.milliseconds == 50) ++fifty;
    if (fifty == 3 && g_inactiveSleeps < 3) {
        g_inactiveSleeps = 3;
        PostMessageA(Kestra::GetWindowHandle(), WM_ACTIVATEAPP, TRUE, 0);
    }
}

TEST(KestraPump, InactiveWindowSleeps50msPerPassUntilActivated) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   Kestra::WaitForMessage(false);
                                   PostMessageA(Kestra::GetWindowHandle(), WM_ACTIVATEAPP, FALSE, 0);
                                   platform::ClearVirtualSleeps();
                                   platform::SetVirtualClockHook(ReactivateAfterThreeSleeps, nullptr);
                                   EXPECT_TRUE(Kestra::WaitForMessage(false));
                                   const std::vector<uint32_t> sleeps = SleepLengths();
                                   ASSERT_GE(sleeps.size(), 3u);
                                   EXPECT_EQ(std::vector<uint32_t>(sleeps.begin(), sleeps.begin() + 3),
                                             (std::vector<uint32_t>{50, 50, 50}));
                                   for (size_t i = 3; i < sleeps.size(); ++i) EXPECT_NE(sleeps[i], 50u);
                                   EXPECT_TRUE(Kestra::IsActive());
                                   platform::SetVirtualClockHook(TickPerRead, nullptr);
                               }),
              0);
}

TEST(KestraPump, ForcedPumpRunsAFrameWhileInactive) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   PostMessageA(Kestra::GetWindowHandle(), WM_ACTIVATEAPP, FALSE, 0);
                                   platform::ClearVirtualSleeps();
                                   EXPECT_TRUE(Kestra::WaitForMessage(true));
                                   EXPECT_FALSE(Kestra::IsActive());
                                   for (uint32_t ms : SleepLengths()) EXPECT_NE(ms, 50u);
                                   PostMessageA(Kestra::GetWindowHandle(), WM_ACTIVATEAPP, TRUE, 0);
                                   Kestra::WaitForMessage(false);
                               }),
              0);
}

TEST(KestraPump, QuitMessageEndsTheLoopAndMarksTheApplicationActive) {
    testsupport::TempDir dir;
    EXPECT_EQ(RunInBootedChild(dir,
                               [] {
                                   PostMessageA(Kestra::GetWindowHandle(), WM_ACTIVATEAPP, FALSE, 0);
                                   Kestra::WaitForMessage(true);
                                   ASSERT_FALSE(Kestra::IsActive());
                                   PostQuitMessage(0);
                                   EXPECT_FALSE(Kestra::WaitForMessage(false));
                                   EXPECT_TRUE(Kestra::IsActive());
                                   EXPECT_NE(Kestra::GetWindowHandle(), nullptr);
                               }),
              0);
}

// ---- The error box's text is bounded.
TEST(KestraMessageBox, LongTextIsCutAtAWholeCharacter) {
    EXPECT_EQ(boot::InChild([] {
                  platform::SetMessageBoxRecording(true);
                  const std::string wide = testsupport::Utf8ToCp932(U8(u8"あ"));
                  std::string text = "aa";
                  while (text.size() < 5000) text += wide;
                  Kestra::MessageBox(MB_ICONERROR, "ERROR", "%s", text.c_str());
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  // 1023 bytes would end in half of a character: one byte goes.
                  EXPECT_EQ(boxes[0].text.size(), 1022u);
                  EXPECT_EQ(boxes[0].text, text.substr(0, 1022));
                  EXPECT_EQ(boxes[0].caption, "ERROR");
              }),
              0);
}

TEST(KestraMessageBox, TextWithPercentSignsIsPassedAsAnArgument) {
    EXPECT_EQ(boot::InChild([] {
                  platform::SetMessageBoxRecording(true);
                  Kestra::MessageBox(MB_ICONERROR, "ERROR", "%s [%d]", "100% %s %n", 3);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].text, "100% %s %n [3]");
              }),
              0);
}

// ---- Configuration values and getters.
TEST(KestraConfiguration, SettersAndGetters) {
    EXPECT_EQ(boot::InChild([] {
                  Kestra::SetScreenInfo(800, 600, true);
                  uint32_t w = 0, h = 0;
                  bool windowed = false;
                  Kestra::GetScreenInfo(&w, &h, &windowed);
                  EXPECT_EQ(w, 800u);
                  EXPECT_EQ(h, 600u);
                  EXPECT_TRUE(windowed);
                  Kestra::GetScreenInfo(nullptr, &h, nullptr);
                  Kestra::GetScreenInfo(nullptr, nullptr, nullptr);
                  EXPECT_DOUBLE_EQ(Kestra::ScaleX(12.5f), 12.5);
                  EXPECT_DOUBLE_EQ(Kestra::ScaleY(-3.0f), -3.0);
                  Kestra::SetFrameRate(60);
                  EXPECT_EQ(Kestra::GetFrameRate(), 60u);
                  Kestra::SetApplicationName("名前");
                  EXPECT_STREQ(Kestra::GetApplicationName(), "名前");
                  // Longer than the name buffer: cut to whole characters.
                  std::string longName;
                  while (longName.size() < 300) longName += testsupport::Utf8ToCp932(U8(u8"あ"));
                  Kestra::SetApplicationName(longName.c_str());
                  EXPECT_EQ(std::strlen(Kestra::GetApplicationName()), 258u);
              }),
              0);
}

}  // namespace
