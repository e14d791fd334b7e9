// The README's pictures, taken from the real program as the autopilot plays it
// with the demo data on the OpenGL device (a private X display): the title,
// the first talk of stage 1 and Shamyu's name banner flying in as her first
// named attack begins.
// A schedule that brings her at once keeps the run short. They are written to
// <build>/screenshots/readme_*.png; docs/ holds copies of them. The run adds
// its rows to the playthrough table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/d3dx9/image_decode.h"
#include "tests/game/shell/playthrough/routes.h"
#include "tests/game/shell/playthrough/whole_game.h"
#include "tests/support/test_support.h"

namespace {

using namespace wholegame;

TEST(WholeGameShots, TitleTalkAndBannerOfTheRealProgram) {
    Plan plan;
    plan.seed = 1'650'000'000;
    plan.scoreText = OpenScoreText();
    plan.files = {{"data/stagedata/Stage011Enemy.dat", "400 360 200 60 0 0 0 0 0 0\n"}};
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = 1, .quitAfter = 1, .name = "SHOTS"}};
    plan.shots = {{Shot::kTitle, "readme_title"}, {Shot::kTalk, "readme_talk"}, {Shot::kBanner, "readme_boss"}};
    const RunRecord r = Play(plan);
    Report("12-shots", "pictures, stage 1 only", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.shots.size(), 3u);
    for (const std::string& file : r.shots) {
        SCOPED_TRACE(file);
        const std::string bytes = testsupport::ReadFile(file);
        d3dx9img::Image image;
        ASSERT_EQ(d3dx9img::DecodeImage(bytes.data(), bytes.size(), &image), d3dx9img::DecodeStatus::kOk);
        EXPECT_EQ(image.width, 640u);
        EXPECT_EQ(image.height, 480u);
        // A drawn screen, not a cleared one: the art's many colours all over it.
        std::set<uint32_t> colours(image.pixels.begin(), image.pixels.end());
        EXPECT_GT(colours.size(), 1000u);
        int clear = 0;
        for (uint32_t p : image.pixels) clear += (p & 0xFFFFFF) == 0x5A5A78 ? 1 : 0;
        EXPECT_LT(clear, 640 * 480 / 10);
    }
}

}  // namespace
