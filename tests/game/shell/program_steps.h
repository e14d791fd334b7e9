// Steps shared by the tests that drive the real program from its title.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

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

// Alt+F4: the program ends with status 0 and shows no message box.
inline void CloseCleanly(Program& program) {
    program.X("xdotool key --clearmodifiers alt+F4");
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    EXPECT_TRUE(program.Boxes().empty());
}

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// The coded stage-1 background: 8x8 cells, red = 2 * column, green = 2 * row, blue fixed.
constexpr int kCell = 8;
constexpr int kCellBlue = 0x5A;

inline void CopyStageData(const std::string& folder) {
    std::filesystem::create_directories(folder + "/data");
    std::filesystem::copy(std::string(QUENRITH_SOURCE_DIR) + "/data/stagedata", folder + "/data/stagedata",
                          std::filesystem::copy_options::recursive);
}

// The generated demo data as the program's own folder, with the stage files.
inline void PrepareDemoFolder(const std::string& folder) {
    const std::filesystem::path demo = std::string(QUENRITH_BINARY_DIR) + "/demodata/data";
    for (const auto& entry : std::filesystem::directory_iterator(demo))
        std::filesystem::create_directory_symlink(entry.path(), folder + "/" + entry.path().filename().string());
    std::filesystem::create_directories(folder + "/save");
    CopyStageData(folder);
}

// A program folder with the stage files, a save folder and the coded stage-1 background.
inline void PrepareStage1Folder(const std::string& folder) {
    std::filesystem::create_directories(folder + "/save");
    CopyStageData(folder);
    std::vector<testsupport::FlatRect> cells;
    for (int row = 0; row < 1024 / kCell; ++row)
        for (int column = 0; column < 1024 / kCell; ++column)
            cells.push_back({column * kCell, row * kCell, kCell, kCell,
                             0xFF000000u | static_cast<uint32_t>(2 * column) << 16 |
                                 static_cast<uint32_t>(2 * row) << 8 | kCellBlue});
    testsupport::WriteFlatPng(folder + "/img/Stage01BG.png", 1024, 1024, 0xFF000000, cells);
}

// The whole window as RGB triples; empty when the grab failed.
inline std::vector<uint8_t> Grab(Program& program, const std::string& file) {
    std::filesystem::remove(file);
    program.X("import -window " + program.window() + " -depth 8 rgb:" + file);
    const std::string bytes = testsupport::ReadFile(file);
    if (bytes.size() != static_cast<size_t>(kWidth * kHeight * 3)) return {};
    return {bytes.begin(), bytes.end()};
}

inline const uint8_t* At(const std::vector<uint8_t>& image, int x, int y) {
    return &image[static_cast<size_t>(y * kWidth + x) * 3];
}

inline bool Is(const uint8_t* p, uint32_t argb) {
    return p[0] == (argb >> 16 & 0xFF) && p[1] == (argb >> 8 & 0xFF) && p[2] == (argb & 0xFF);
}

// The pixels of one colour: how many, their centre and their top row.
struct Patch {
    int count = 0;
    double x = 0, y = 0;
    int top = kHeight;
};

inline Patch Find(const std::vector<uint8_t>& image, uint32_t argb) {
    Patch patch;
    for (int y = 0; y < kHeight && !image.empty(); ++y)
        for (int x = 0; x < kWidth; ++x)
            if (Is(At(image, x, y), argb)) {
                ++patch.count;
                patch.x += x;
                patch.y += y;
                patch.top = std::min(patch.top, y);
            }
    if (patch.count) {
        patch.x /= patch.count;
        patch.y /= patch.count;
    }
    return patch;
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
}

// Lets the loop run `frames` frames (at least half a second) before the next key.
inline void Settle(Program& program, int frames = 10) {
    usleep(static_cast<useconds_t>(std::max(500, frames * program.FrameMs())) * 1000);
}

// In play: pause (MENU is S), quit, answer yes; answers once the result
// screen's picture is loaded and its first frames have run.
inline void QuitToResult(Program& program) {
    program.Keys({"s", "Down", "Down", "z", "Up", "z"});
    ASSERT_TRUE(program.WaitForOutput("filename: img/name.png\n\n", 60));
    Settle(program, 8);
}

inline bool ShowsBackground(Program& program, const std::string& file, int x, int y) {
    const std::vector<uint8_t> image = Grab(program, file);
    return !image.empty() && At(image, x, y)[2] == kCellBlue;
}

// The stage shows (the title before it is white without its sheet), then the
// stage's title band sweeps over the view and away again.
inline void PastStageTitle(Program& program, const std::string& file) {
    bool stage = false;
    for (int i = 0; i < 300 && !stage; ++i) {
        stage = ShowsBackground(program, file, 600, 250);
        if (!stage) usleep(200 * 1000);
    }
    ASSERT_TRUE(stage) << "the stage never showed";
    bool covered = false;
    for (int i = 0; i < 300 && !covered; ++i) {
        covered = !ShowsBackground(program, file, 600, 250);
        if (!covered) usleep(200 * 1000);
    }
    ASSERT_TRUE(covered) << "no stage title";
    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i) {
        gone = ShowsBackground(program, file, 600, 250) && ShowsBackground(program, file, 600, 160);
        if (!gone) usleep(200 * 1000);
    }
    ASSERT_TRUE(gone) << "the stage title stayed";
}

}  // namespace programsteps
