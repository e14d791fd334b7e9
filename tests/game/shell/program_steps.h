// Steps shared by the tests that drive the real program from its title.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>

#include "tests/support/program_run.h"

namespace programsteps {

using Program = testsupport::ProgramRun;

constexpr int kStartTimeout = 60;
constexpr int kExitTimeout = 30;

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string Display() {
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// Waits until the program has made its start-up loads, then gives it the keyboard.
inline void Ready(Program& program) {
    ASSERT_FALSE(program.FindWindow(kStartTimeout).empty()) << "no window";
    ASSERT_TRUE(program.WaitForOutput(Utf8(u8"【loadFontSprite】 FontFileName: skillfont.lfd"), kStartTimeout));
    // Focus once the window stands and the loop runs: an early focus can be lost.
    ASSERT_TRUE(program.Focus(kStartTimeout));
    // The title reads keys once its first frames are up; a busy machine draws them slowly.
    usleep(static_cast<useconds_t>(std::max(300, 10 * program.FrameMs())) * 1000);
}

// Waits until about `frames` frames have run: each second the caption gives the
// last second's frame count. Answers the frames counted; gives up after 90 s.
inline int WaitForFrames(Program& program, int frames) {
    static const std::regex stats(R"(FPS\[(\d+)\])");
    int total = 0;
    for (int second = 0; second < 90 && total < frames; ++second) {
        usleep(1000 * 1000);
        const std::string caption = program.X("xdotool getwindowname " + program.window());
        std::smatch m;
        if (std::regex_search(caption, m, stats)) total += std::stoi(m[1]);
    }
    return total;
}

// Title to stage 1 with one player, team 1, difficulty 1. Answers once the
// stage's music has been asked for, the last of its start: the stage's loads
// stall the loop, and a key pressed and let go meanwhile is never seen.
inline void StartStage1(Program& program) {
    program.Keys({"z", "z", "z"});
    ASSERT_TRUE(program.WaitForOutput("filename: img/Stage01BG.png", 60));
    bool started = false;
    for (int i = 0; i < 600 && !started; ++i) {
        started = program.Log().find("BGM/Stage01.ogg") != std::string::npos;
        if (!started) usleep(100 * 1000);
    }
    ASSERT_TRUE(started) << "stage 1 never started its music";
    usleep(static_cast<useconds_t>(std::max(500, 10 * program.FrameMs())) * 1000);
}

}  // namespace programsteps
