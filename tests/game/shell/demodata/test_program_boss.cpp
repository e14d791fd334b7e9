// The real program with the generated demo data set on a stage-1 schedule
// that brings its boss at once: Shamyu rises into view, talks (ELEMENT held
// runs a talk through), then her life gauge stands at the top of the screen;
// player 1 taps SHOT at her until her opening attack ends and the cut-in
// banner of her first named attack flies in. Each is read from the pixels of
// the window against the demo pictures the game draws from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using namespace programsteps;

// The boss at stage frame 60, 360 px down: she rises 150 px to the player's
// row and circles 40 px around it, in the line of fire of player 1 (who
// faces right) and to the right of it.
const char kBossSchedule[] = "400 360 200 60 0 0 0 0 0 0\n";

// Where the boss's body shows: the best share over her six cells and the
// positions around her path (she rises from 380 to 210 around x 355).
double BossShown(const std::vector<uint8_t>& screen, const std::vector<std::vector<Sample>>& cells) {
    double best = 0;
    for (size_t c = 0; c < cells.size(); ++c)
        for (int y = 140; y <= 440; y += 1)
            for (int x = 260; x <= 460; x += 1) {
                // A quick look at a few samples before the whole cell.
                if (Shown(screen, {cells[c].begin(), cells[c].begin() + std::min<size_t>(24, cells[c].size())},
                          int(60 * c), 0, x, y, 1.0, 24) < 0.7)
                    continue;
                best = std::max(best, Shown(screen, cells[c], int(60 * c), 0, x, y, 1.0, 24));
                if (best >= 0.9) return best;
            }
    return best;
}

// The gauge's frame where the bar and the seconds do not cover it.
bool UnderBarOrDigits(int x, int y) {
    return (x >= 131 && x < 420 && y >= 22 && y < 36) || (x >= 530 && x < 554 && y >= 25 && y < 43);
}

// The banner on the frames it flies in (t 0..14) or stands (34..55), away
// from its flash: the best share over those frames.
double BannerShown(const std::vector<uint8_t>& screen, const std::vector<Sample>& cutIn) {
    double best = 0;
    for (int t = 0; t <= 55; ++t) {
        if (t >= 15 && t <= 33) continue;
        const int bannerX = t <= 21 ? 640 - 40 * (t + 1) : -240 - (t > 50 ? 4 * (t - 50) : 0);
        const int srcX = t > 50 ? 4 * t - 200 : 0;
        const double a = (t < 50 ? 220 : 220 - 10 * (t - 50)) / 255.0;
        best = std::max(best, Shown(screen, cutIn, srcX, 0, bannerX + 20, 0, a, 6));
    }
    return best;
}

// Player 1's element as the HUD's element block shows it, -1 when neither block
// shows; away from the stock icons, life, gauge pips and digits drawn over it.
int HudElement(const std::vector<uint8_t>& screen, const Picture& hud) {
    const auto underCounters = [](int x, int y) { return x >= 72 && y < 458; };
    for (int e = 0; e < 2; ++e)
        if (Shows(screen, hud, {295 * e, 0, 160, 80}, 30, 380, underCounters)) return e;
    return -1;
}

TEST(QuenrithBoss, Stage1BossTalksThenShowsItsGaugeAndBannerWithTheDemoData) {
    const std::string demo = std::string(QUENRITH_BINARY_DIR) + "/demodata/data/img/";
    const Picture body = Load(demo + "St01_Boss.png");
    const Picture hud = Load(demo + "main_system.png");
    const Picture cut = Load(demo + "cutin_shamyu.png");
    ASSERT_TRUE(body.ok && hud.ok && cut.ok) << "the demo data set is not written";
    std::vector<std::vector<Sample>> cells;
    for (int c = 0; c < 6; ++c) cells.push_back(Visible(body, 60 * c, 0, 60, 80, 3));
    const std::vector<Sample> frame = Visible(hud, 0, 228, 595, 30, 2);
    const std::vector<Sample> bar = Visible(hud, 263, 258, 20, 14, 1);
    const std::vector<Sample> cutIn = Visible(cut, 0, 0, 1024, 480, 7);
    ASSERT_GT(cells[0].size(), 100u);
    ASSERT_GT(frame.size(), 500u);
    ASSERT_GT(cutIn.size(), 1000u);

    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareDemoFolder(dir.path());
    testsupport::WriteFile(dir.file("data/stagedata/Stage011Enemy.dat"), kBossSchedule);
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    const std::string file = dir.file("s.rgb");

    // She rises into view, before any gauge (her talk begins once she has risen).
    double boss = 0, before = 1;
    int element = -1;
    program.WaitUntil(
        [&] {
            const std::vector<uint8_t> screen = Grab(program, file);
            boss = BossShown(screen, cells);
            before = Shown(screen, frame, 0, 228, 20, 15, 1.0, 16, UnderBarOrDigits);
            element = HudElement(screen, hud);
            return boss >= 0.8;
        },
        60, 600, 0);
    ASSERT_GE(boss, 0.8) << "the boss never showed";
    EXPECT_LT(before, 0.5) << "a gauge before the fight";
    ASSERT_GE(element, 0) << "no element in the HUD";

    // Her talk runs through with ELEMENT held; then the gauge stands, the bar full.
    double gauge = 0, full = 0;
    testsupport::KeyPress talk;
    talk.key = "c";
    talk.after = "the life gauge";
    talk.done = [&] {
        const std::vector<uint8_t> screen = Grab(program, file);
        gauge = Shown(screen, frame, 0, 228, 20, 15, 1.0, 16, UnderBarOrDigits);
        full = Shown(screen, bar, 263, 258, 131, 22, 1.0, 16);
        return gauge >= 0.9 && full >= 0.9;
    };
    talk.holdUntilDone = true;
    talk.seconds = 60;
    talk.tries = 2;
    EXPECT_TRUE(program.PressUntil(talk));
    ASSERT_GE(gauge, 0.9) << "no life gauge after the talk";
    EXPECT_GE(full, 0.9) << "no bar in the gauge";
    // ELEMENT pushed again: the player's element back to the one the boss is
    // hurt most by, the one it had before the talk.
    const auto elementIs = [&](int e) {
        return Sight{"element " + std::to_string(e) + " in the HUD",
                     [&program, &file, &hud, e] { return HudElement(Grab(program, file), hud) == e; }};
    };
    const bool switched = !elementIs(element).seen();
    if (switched) {
        ASSERT_TRUE(Press(program, "c", elementIs(1 - element), elementIs(element)));
    }
    // The fight's field does not pass for the banner.
    const double noBanner = BannerShown(Grab(program, file), cutIn);
    EXPECT_LT(noBanner, 0.5);

    // SHOT tapped at her while her gauge stands until her opening attack ends
    // (at the latest by its time limit of 30 seconds) and the banner of the
    // next attack flies in.
    double banner = 0;
    program.WaitUntil(
        [&] {
            const std::vector<uint8_t> screen = Grab(program, file);
            banner = BannerShown(screen, cutIn);
            if (banner >= 0.85) return true;
            if (Shown(screen, frame, 0, 228, 20, 15, 1.0, 16, UnderBarOrDigits) >= 0.9) program.Tap("z");
            return false;
        },
        90, 2400, 0);
    EXPECT_GE(banner, 0.85) << "no attack banner";
    std::printf("shares shown: boss %.2f, gauge before the fight %.2f, gauge %.2f, bar %.2f, banner in the attack "
                "%.2f, banner %.2f; element %d%s\n",
                boss, before, gauge, full, noBanner, banner, element, switched ? ", switched back after the talk" : "");
    CloseCleanly(program);
}

}  // namespace
