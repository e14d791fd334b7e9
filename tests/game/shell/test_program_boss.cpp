// The real program with the generated demo data set on a stage-1 schedule
// that brings its boss at once: Shamyu rises into view, talks (ELEMENT held
// runs a talk through), then her life gauge stands at the top of the screen;
// player 1 taps SHOT at her until her opening attack ends and the cut-in
// banner of her first named attack flies in. Each is read from the pixels of
// the window against the demo pictures the game draws from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/d3dx9/image_decode.h"
#include "tests/engine/core/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using namespace programsteps;

// The boss at stage frame 60, 360 px down: she rises 150 px to the player's
// row and circles 40 px around it, in the line of fire of player 1 (who
// faces right) and to the right of it.
const char kBossSchedule[] = "400 360 200 60 0 0 0 0 0 0\n";

struct Picture {
    d3dx9img::Image image;
    bool ok = false;
    uint32_t at(int x, int y) const { return image.pixels[size_t(y) * image.width + size_t(x)]; }
};

Picture Load(const std::string& path) {
    Picture p;
    const std::string bytes = testsupport::ReadFile(path);
    p.ok = !bytes.empty() && d3dx9img::DecodeImage(bytes.data(), bytes.size(), &p.image) == d3dx9img::DecodeStatus::kOk;
    return p;
}

// A texel the screen must show.
struct Sample {
    int sx, sy;
    uint32_t argb;
};

// The texels of a rectangle of a picture, every `step` texels, that cover
// most of what lies under them (alpha 160 or more).
std::vector<Sample> Visible(const Picture& p, int x, int y, int w, int h, int step) {
    std::vector<Sample> out;
    for (int j = y; j < y + h; j += step)
        for (int i = x; i < x + w; i += step)
            if ((p.at(i, j) >> 24) >= 160) out.push_back({i, j, p.at(i, j)});
    return out;
}

int Channel(uint32_t c, int shift) { return int(c >> shift & 0xFF); }

// The share of samples drawn at (dx - x0, dy - y0) + texel with the quad's
// alpha q (0..1) that the screen shows as alpha a = q x the texel's of the
// texel over anything: a * T <= S <= a * T + (1 - a) * 255.
double Shown(const std::vector<uint8_t>& screen, const std::vector<Sample>& samples, int x0, int y0, int dx, int dy,
             double q, int tolerance, bool (*skip)(int x, int y) = nullptr) {
    int seen = 0, shown = 0;
    for (const Sample& s : samples) {
        const int x = s.sx - x0 + dx, y = s.sy - y0 + dy;
        if (x < 0 || x >= kWidth || y < 0 || y >= kHeight || (skip && skip(x, y))) continue;
        ++seen;
        const uint8_t* p = At(screen, x, y);
        const double a = q * Channel(s.argb, 24) / 255.0;
        bool ok = true;
        for (int c = 0; c < 3 && ok; ++c) {
            const double low = a * Channel(s.argb, 16 - 8 * c);
            ok = p[c] >= low - tolerance && p[c] <= low + (1 - a) * 255 + tolerance;
        }
        shown += ok ? 1 : 0;
    }
    return seen >= 20 ? double(shown) / seen : 0.0;
}

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

// Run on its own (after the demo data set is written): see tests/CMakeLists.txt.
TEST(QuenrithBoss, DISABLED_Stage1BossTalksThenShowsItsGaugeAndBannerWithTheDemoData) {
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
    Ready(program);
    StartStage1(program);
    const std::string file = dir.file("s.rgb");
    const auto within = [](std::time_t start, int seconds) { return std::time(nullptr) - start < seconds; };

    // She rises into view, before any gauge (her talk begins once she has risen).
    double boss = 0, before = 1;
    for (const std::time_t start = std::time(nullptr); within(start, 60) && boss < 0.8;) {
        const std::vector<uint8_t> screen = Grab(program, file);
        boss = BossShown(screen, cells);
        before = Shown(screen, frame, 0, 228, 20, 15, 1.0, 16, UnderBarOrDigits);
    }
    ASSERT_GE(boss, 0.8) << "the boss never showed";
    EXPECT_LT(before, 0.5) << "a gauge before the fight";

    // Her talk runs through with ELEMENT held; then the gauge stands, the bar full.
    program.X("xdotool keydown c");
    double gauge = 0, full = 0;
    for (const std::time_t start = std::time(nullptr); within(start, 60) && (gauge < 0.9 || full < 0.9);) {
        const std::vector<uint8_t> screen = Grab(program, file);
        gauge = Shown(screen, frame, 0, 228, 20, 15, 1.0, 16, UnderBarOrDigits);
        full = Shown(screen, bar, 263, 258, 131, 22, 1.0, 16);
    }
    program.X("xdotool keyup c");
    ASSERT_GE(gauge, 0.9) << "no life gauge after the talk";
    EXPECT_GE(full, 0.9) << "no bar in the gauge";
    // ELEMENT pushed again: the player's element back to the one the boss is hurt most by.
    program.Key("c");
    // The fight's field does not pass for the banner.
    const double noBanner = BannerShown(Grab(program, file), cutIn);
    EXPECT_LT(noBanner, 0.5);

    // SHOT tapped at her until her opening attack ends (at the latest by its
    // time limit) and the banner of the next attack flies in.
    double banner = 0;
    for (const std::time_t start = std::time(nullptr); within(start, 90) && banner < 0.85;) {
        for (int i = 0; i < 3; ++i) {
            program.X("xdotool keydown z");
            usleep(50 * 1000);
            program.X("xdotool keyup z");
            usleep(50 * 1000);
        }
        banner = BannerShown(Grab(program, file), cutIn);
    }
    EXPECT_GE(banner, 0.85) << "no attack banner";
    std::printf("shares shown: boss %.2f, gauge before the fight %.2f, gauge %.2f, bar %.2f, banner in the attack "
                "%.2f, banner %.2f\n",
                boss, before, gauge, full, noBanner, banner);
    CloseCleanly(program);
}

}  // namespace
