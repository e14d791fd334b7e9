// The real program under its own X server: the device's log lines, the clear
// colour on screen (an X screenshot of the window), and Alt+Enter to full screen
// and back, twice, with no error box and frames still running.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "tests/support/private_display.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"


namespace {

using testsupport::Sjis;

using Program = testsupport::ProgramRun;

using testsupport::Rgb;

// A cold or busy machine may take many seconds for the first frames and for a
// device reset, so waits run against a clock, not a count of tries.
constexpr int kPatienceSeconds = 90;

// The caption's frame count of the last second once it is above zero (frames are
// still running), or -1. How many frames a second this machine manages is a
// benchmark's business, not a test's.
int WaitForRunningFrames(Program& program, const std::string& window) {
    static const std::regex stats(R"(^Quenrith ver1\.12 FPS\[(\d+)\] PPS\[\d+\] PPF\[\d+\] PPF3D\[\d+\]$)");
    int fps = -1;
    program.WaitUntil(
        [&] {
            const std::string caption = program.X("xdotool getwindowname " + window);
            std::smatch m;
            if (std::regex_match(caption, m, stats)) fps = std::stoi(m[1]);
            return fps > 0;
        },
        kPatienceSeconds, 0, 100);
    return fps;
}

TEST(Kestra3DProgram, LogsItsDeviceShowsTheClearColourAndSwitchesFullScreenTwice) {
    testdisplay::PrivateDisplay display;
    ASSERT_FALSE(display.name().empty());
    testsupport::TempDir dir;
    // A see-through title sheet: the game draws its title, the clear colour shows.
    testsupport::WriteFlatPng(dir.file("img/title.png"), 4, 4, 0x00000000u);
    Program program(dir.path(), dir.path() + "/run", display.name());
    const std::string window = program.FindWindow(90);
    ASSERT_FALSE(window.empty()) << "no window";

    const Rgb clear{0x5A, 0x5A, 0x78};
    Rgb pixel = program.WaitForPixel(320, 240, clear, kPatienceSeconds);
    EXPECT_EQ(pixel.r, 0x5A);
    EXPECT_EQ(pixel.g, 0x5A);
    EXPECT_EQ(pixel.b, 0x78);
    pixel = program.Pixel(0, 0);
    EXPECT_EQ(pixel.b, 0x78);
    pixel = program.Pixel(639, 479);
    EXPECT_EQ(pixel.b, 0x78);

    ASSERT_TRUE(program.Focus(kPatienceSeconds));
    // Full screen draws into the 16-bit back buffer: the clear colour quantised to R5G6B5.
    const Rgb quantised{90, 89, 123};
    // Alt+Enter from one clear colour on the screen until the other shows.
    const auto toggle = [&program](const Rgb& from, const Rgb& to) {
        testsupport::KeyPress press;
        press.key = "alt+Return";
        press.before = "the clear colour before the switch";
        press.ready = [&program, from] { return program.Pixel(320, 240) == from; };
        press.after = "the clear colour after the switch";
        press.done = [&program, to] { return program.Pixel(320, 240) == to; };
        press.seconds = kPatienceSeconds;
        press.tries = 3;
        return program.PressUntil(press);
    };
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(toggle(clear, quantised)) << "round " << round;
        pixel = program.Pixel(320, 240);
        EXPECT_EQ(pixel.r, 90) << "round " << round;
        EXPECT_EQ(pixel.g, 89) << "round " << round;
        EXPECT_EQ(pixel.b, 123) << "round " << round;
        ASSERT_TRUE(toggle(quantised, clear)) << "round " << round;
        pixel = program.Pixel(320, 240);
        EXPECT_EQ(pixel.r, 0x5A) << "round " << round;
        EXPECT_EQ(pixel.b, 0x78) << "round " << round;
    }
    EXPECT_NE(program.X("xdotool getwindowgeometry " + window).find("Geometry: 640x480"), std::string::npos);
    EXPECT_GT(WaitForRunningFrames(program, window), 0);
    EXPECT_EQ(program.Boxes(), "");

    ASSERT_TRUE(program.Focus(kPatienceSeconds));
    ASSERT_EQ(program.CloseWithAltF4(kPatienceSeconds), 0);
    EXPECT_EQ(program.Boxes(), "");

    // The survey's lines and their order are in the scene records' whole logs;
    // here the program creates its device and releases it at the close.
    const std::string log = program.Log();
    for (const char8_t* line :
         {u8"　　　Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_MIXED_VERTEXPROCESSING ] で生成",
          u8"Direct3Dデバイスを解放", u8"DLLを解放"})
        EXPECT_NE(log.find(Sjis(line)), std::string::npos) << reinterpret_cast<const char*>(line);
}

}  // namespace
