// The real program in play: stage 1's view scrolling by its script and standing
// still while paused, and repeated games leaving no sprites behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>

#include "tests/support/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::FlatRect;
using testsupport::Rgb;
using namespace programsteps;

// The first team's sheets, each one flat colour.
constexpr uint32_t kYuri = 0xFFE03081;
constexpr uint32_t kCrow = 0xFF30E0C1;

// The stage-1 folder with the first team's sheets.
void PrepareFolder(const std::string& folder) {
    PrepareStage1Folder(folder);
    testsupport::WriteFlatPng(folder + "/img/yuri.png", 1024, 1024, kYuri);
    testsupport::WriteFlatPng(folder + "/img/crow.png", 1024, 1024, kCrow);
}

// Where the coded background lies under the window: over every run of one
// cell's colour framed by its neighbour cells, the cell's centre in the texture
// less the run's centre on the screen, averaged. False when too few runs show.
bool ViewOffset(const std::vector<uint8_t>& image, double& dx, double& dy) {
    auto at = [&](int x, int y) { return At(image, x, y); };
    // channel 0 runs along x (red counts columns), channel 1 along y.
    double sum[2] = {0, 0};
    int runs[2] = {0, 0};
    for (int axis = 0; axis < 2; ++axis) {
        const int lines = axis == 0 ? kHeight : kWidth;
        const int length = axis == 0 ? kWidth : kHeight;
        for (int line = 0; line < lines; ++line) {
            auto px = [&](int i) { return axis == 0 ? at(i, line) : at(line, i); };
            int i = 0;
            while (i < length) {
                const uint8_t* p = px(i);
                int end = i + 1;
                while (end < length && std::equal(p, p + 3, px(end))) ++end;
                const bool framed = i > 0 && end < length && px(i - 1)[2] == kCellBlue &&
                                    px(end)[2] == kCellBlue && px(i - 1)[1 - axis] == p[1 - axis] &&
                                    px(end)[1 - axis] == p[1 - axis] && px(i - 1)[axis] < p[axis] &&
                                    px(end)[axis] > p[axis];
                if (framed && p[2] == kCellBlue && p[axis] % 2 == 0 && end - i >= kCell - 2 && end - i <= kCell + 1) {
                    sum[axis] += p[axis] / 2 * kCell + kCell / 2.0 - (i + end) / 2.0;
                    ++runs[axis];
                }
                i = end;
            }
        }
    }
    if (runs[0] < 100 || runs[1] < 100) return false;
    dx = sum[0] / runs[0];
    dy = sum[1] / runs[1];
    return true;
}

// Pixels in rows y0..y1 and columns x0..x1 that are neither the coded
// background nor the partner.
int Foreign(const std::vector<uint8_t>& image, int y0, int y1, int x0, int x1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(kHeight, y1); ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = At(image, x, y);
            if (x >= x0 && x < x1 && p[2] != kCellBlue && !Is(p, kCrow)) ++n;
        }
    return n;
}

// Pause, quit, answer yes; then past the result back to the title.
void QuitToTitle(Program& program, int game) {
    ASSERT_NO_FATAL_FAILURE(QuitToResult(program));
    // The title's music starts again once the result has run out (180 frames).
    ASSERT_TRUE(Press(program, "z", {"the result", nullptr}, MoreLog(program, "BGM/Title.ogg"), 90, 600));
    ASSERT_EQ(Count(program.Log(), "BGM/Title.ogg"), static_cast<size_t>(game + 1));
}

TEST(QuenrithPlay, Stage1ScrollsByItsScriptAndStandsStillWhilePaused) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    EXPECT_EQ(Count(program.Output(), Utf8(u8"stage file could not be read.")), 0u);
    ASSERT_NO_FATAL_FAILURE(PastStageTitle(program, dir.file("t.rgb")));
    // Wait until the coded background shows.
    double x0 = 0, y0 = 0;
    ASSERT_TRUE(program.WaitUntil([&] { return ViewOffset(Grab(program, dir.file("a.rgb")), x0, y0); }, 30, 900, 500))
        << "the coded background never showed";
    // Difficulty 1 opens with 0.3 pixels a frame to the right, none down.
    const int frames = WaitForFrames(program, 90);
    double x1 = 0, y1 = 0;
    ASSERT_TRUE(ViewOffset(Grab(program, dir.file("b.rgb")), x1, y1));
    ASSERT_GE(frames, 90);
    EXPECT_NEAR(y1, y0, 1.0);
    EXPECT_GT(x1 - x0, 0.3 * frames * 0.5) << frames << " frames";
    EXPECT_LT(x1 - x0, 0.3 * frames * 2.0 + 2) << frames << " frames";

    ASSERT_TRUE(Press(program, "s", {"the stage", nullptr}, PauseMenu(program, false, 0)));
    // The pause panel covers (80, 120)-(502, 393).
    const std::vector<uint8_t> paused = Grab(program, dir.file("p.rgb"));
    ASSERT_FALSE(paused.empty());
    EXPECT_NE(At(paused, 290, 250)[2], kCellBlue) << "no pause panel";
    double px0 = 0, py0 = 0, px1 = 0, py1 = 0;
    ASSERT_TRUE(ViewOffset(Grab(program, dir.file("c.rgb")), px0, py0));
    ASSERT_GE(WaitForFrames(program, 90), 90);
    ASSERT_TRUE(ViewOffset(Grab(program, dir.file("d.rgb")), px1, py1));
    EXPECT_NEAR(px1, px0, 0.5);
    EXPECT_NEAR(py1, py0, 0.5);

    // Quit from the pause menu and answer yes: the result's sheets load.
    ASSERT_TRUE(QuitFromPause(program));
    CloseCleanly(program);
}

TEST(QuenrithPlay, ThePlayerMovesAndShootsOnStage1) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    ASSERT_NO_FATAL_FAILURE(PastStageTitle(program, dir.file("t.rgb")));
    // Player 1 is drawn from the first sheet. Left alone it drifts left with
    // the view and, at the view's edge, up along it: it must still be clear of the edge.
    Patch before;
    program.WaitUntil(
        [&] {
            before = Find(Grab(program, dir.file("a.rgb")), kYuri);
            return before.count >= 50;
        },
        60, 1800, 200);
    ASSERT_GE(before.count, 50) << "the player never showed";
    ASSERT_GE(before.x, 40) << "the player reached the view's edge before it was moved";
    // RIGHT held, once the player has turned or moved, for half a second and more of frames.
    bool ran = false;
    testsupport::KeyPress right;
    right.key = "Right";
    right.after = "the player turning or moving right";
    right.done = [&] { return Find(Grab(program, dir.file("b.rgb")), kYuri).x > before.x + 5; };
    right.holdUntilDone = true;
    right.whileHeld = [&] { ran = WaitForFrames(program, 30) >= 30; };
    right.seconds = 30;
    ASSERT_TRUE(program.PressUntil(right));
    ASSERT_TRUE(ran);
    ASSERT_GE(WaitForFrames(program, 5), 5);
    // An enemy or a bullet passing over the player hides part of it and moves its centre: read it whole.
    std::vector<uint8_t> still;
    Patch moved;
    ASSERT_TRUE(program.WaitUntil(
        [&] {
            still = Grab(program, dir.file("b.rgb"));
            moved = Find(still, kYuri);
            return moved.count == before.count;
        },
        10, 300, 100))
        << "the player was never seen whole after the move: " << moved.count << " of its " << before.count
        << " pixels (" << program.Waited() << ")";
    EXPECT_GT(moved.x, before.x + 10) << before.x << " -> " << moved.x;
    EXPECT_NEAR(moved.y, before.y, 4.0);

    // SHOT held: pictures fly out ahead of the player (it faces right) along
    // its row, where the background showed through before.
    const int y0 = static_cast<int>(moved.y) - 20;
    const int y1 = static_cast<int>(moved.y) + 20;
    const int x0 = static_cast<int>(moved.x) + 40;
    const int x1 = static_cast<int>(moved.x) + 200;
    const int clear = Foreign(still, y0, y1, x0, x1);
    int shots = 0;
    testsupport::KeyPress shot;
    shot.key = "z";
    shot.after = "shots ahead of the player";
    shot.done = [&] {
        const std::vector<uint8_t> image = Grab(program, dir.file("c.rgb"));
        if (!image.empty()) shots = Foreign(image, y0, y1, x0, x1);
        return shots > clear + 100;
    };
    shot.holdUntilDone = true;
    shot.seconds = 30;
    shot.pollMs = 250;
    EXPECT_TRUE(program.PressUntil(shot));
    EXPECT_GT(shots, clear + 100) << "before " << clear;

    CloseCleanly(program);
}

// The counts one game leaves in the output and the log, from `out` and `log` on.
struct Footprint {
    size_t loads, releases, textures;
    bool operator==(const Footprint& o) const {
        return loads == o.loads && releases == o.releases && textures == o.textures;
    }
};

Footprint Since(Program& program, size_t out, size_t log) {
    const std::string o = program.Output().substr(out);
    const std::string l = program.Log().substr(log);
    return {Count(o, Utf8(u8"【loadSprite】")), Count(o, Utf8(u8"【releaseSprite】")), Count(l, "CTexture::Create")};
}

TEST(QuenrithPlay, TwoGamesLoadAndReleaseTheSameSpritesAndTextures) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    std::vector<Footprint> games;
    size_t out = program.Output().size();
    size_t log = program.Log().size();
    for (int game = 1; game <= 2; ++game) {
        SCOPED_TRACE(game);
        ASSERT_NO_FATAL_FAILURE(StartStage1(program));
        ASSERT_NO_FATAL_FAILURE(QuitToTitle(program, game));
        games.push_back(Since(program, out, log));
        out = program.Output().size();
        log = program.Log().size();
    }
    ASSERT_EQ(games.size(), 2u);
    // A game loads its stage sheets and the title's again, and releases as many slots.
    EXPECT_GT(games[0].loads, 7u);
    // Only the folder's five sheets exist to make textures from: the
    // background, the team's two and the system sheet, and the title's again.
    EXPECT_EQ(games[0].textures, 5u);
    EXPECT_EQ(games[1].loads, games[0].loads);
    EXPECT_EQ(games[1].releases, games[0].releases);
    EXPECT_EQ(games[1].textures, games[0].textures);
    // Under the leak checker a sprite or texture still held at exit fails the exit status.
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    const std::string all = program.Output();
    // The way out releases the same 44 slots and two fonts as a run that never played.
    std::string tail;
    for (int i = 0; i < 44; ++i) tail += Utf8(u8"【releaseSprite】\n");
    tail += Utf8(u8"【releaseFontSprite】\n") + Utf8(u8"【releaseFontSprite】\n");
    ASSERT_GE(all.size(), tail.size());
    EXPECT_EQ(all.substr(all.size() - tail.size()), tail);
    EXPECT_TRUE(program.Boxes().empty());
}

}  // namespace
