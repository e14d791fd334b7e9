// Screenshots of the real program with the generated demo data set, for people
// to look at (<build>/screenshots): the title, the ranking and stage 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/game/shell/program_steps.h"
#include "tests/support/private_display.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using namespace programsteps;

// A PNG of the window for people, and whether it is a 640x480 picture of more than one colour.
bool Screenshot(Program& program, const std::string& name) {
    const std::string folder = std::string(QUENRITH_BINARY_DIR) + "/screenshots";
    std::filesystem::create_directories(folder);
    const std::string png = folder + "/" + name + ".png";
    std::filesystem::remove(png);
    program.X("import -window " + program.window() + " png:" + png);
    if (program.X("identify -format %wx%h " + png) != "640x480") return false;
    const std::vector<uint8_t> image = Grab(program, png + ".rgb");
    std::filesystem::remove(png + ".rgb");
    if (image.empty()) return false;
    for (size_t i = 3; i < image.size(); i += 3)
        if (!std::equal(image.begin(), image.begin() + 3, image.begin() + static_cast<std::ptrdiff_t>(i))) return true;
    return false;
}

TEST(QuenrithScreens, TitleStageAndRankingWithTheDemoData) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    ASSERT_TRUE(std::filesystem::is_directory(std::string(QUENRITH_BINARY_DIR) + "/demodata/data/img"));
    PrepareDemoFolder(dir.path());
    {
        Program program(dir.path(), dir.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        ASSERT_GE(WaitForFrames(program, 120), 120);
        EXPECT_TRUE(Screenshot(program, "title"));
        ASSERT_TRUE(ToRightColumn(program, 7));
        ASSERT_TRUE(Press(program, "z", TitleMenuAt(program, 7), RankingTable(program, 0)));
        ASSERT_GE(WaitForFrames(program, 60), 60);
        EXPECT_TRUE(Screenshot(program, "ranking"));
        ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    }
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    ASSERT_GE(WaitForFrames(program, 240), 240);
    // Shots fly while SHOT is held.
    program.X("xdotool keydown z");
    ASSERT_GE(WaitForFrames(program, 40), 40);
    EXPECT_TRUE(Screenshot(program, "stage1"));
    program.X("xdotool keyup z");
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
}

}  // namespace
