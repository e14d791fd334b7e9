// What enemies 1 to 49 draw: sheet, source cell by element and column,
// destination around the position, rotation and fades; the four-direction
// walker's heading ranges.
#include <gtest/gtest.h>

#include "game/objects/Enemies1To49.h"
#include "tests/game/objects/enemy_probe.h"

namespace {

struct Cell {
    int type;
    int slot;
    float sx, sy, sw, sh;
    float ox, oy, dw, dh;  // destination from the screen position
    int rotation = -1;     // -1: an unturned quad
    uint32_t colour = 0xFFFFFFFFu;
};

void PrintTo(const Cell& c, std::ostream* os) { *os << "cEnemy" << c.type; }

class EnemyCells : public enemytest::EnemyField, public ::testing::WithParamInterface<Cell> {};

// Element 1, heading 16384 (down), at (320, 100) with the view at (10, -20), first Draw.
TEST_P(EnemyCells, FirstDrawQueuesTheRowsCell) {
    const Cell& c = GetParam();
    ScrollX = 10;
    ScrollY = -20;
    cEnemyObjectBase* e = Spawn(c.type, 320, 100);
    ASSERT_NE(e, nullptr);
    playtest::QuadRecorder rec;
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 1u);
    const playtest::Quad& q = rec.quads[0];
    EXPECT_EQ(q.slot, c.slot);
    EXPECT_FLOAT_EQ(q.src[0], c.sx);
    EXPECT_FLOAT_EQ(q.src[1], c.sy);
    EXPECT_FLOAT_EQ(q.src[2], c.sw);
    EXPECT_FLOAT_EQ(q.src[3], c.sh);
    EXPECT_FLOAT_EQ(q.dst[0], 310 + c.ox);
    EXPECT_FLOAT_EQ(q.dst[1], 120 + c.oy);
    EXPECT_FLOAT_EQ(q.dst[2], c.dw);
    EXPECT_FLOAT_EQ(q.dst[3], c.dh);
    EXPECT_EQ(q.turned, c.rotation >= 0);
    if (c.rotation >= 0) {
        EXPECT_EQ(q.angle, c.rotation);
    }
    EXPECT_EQ(q.colour, c.colour);
}

constexpr uint32_t kClear = 0x00FFFFFFu;
const Cell kCells[] = {
    {1, 5, 0, 440, 40, 80, -20, -60, 40, 80},
    {2, 5, 0, 440, 40, 80, -20, -60, 40, 80},
    {3, 6, 144, 60, 28, 60, -14, -30, 28, 60},
    {4, 6, 48, 0, 48, 43, -24, -21, 48, 43},
    {5, 6, 144, 60, 28, 60, -14, -30, 28, 60},
    {6, 5, 0, 440, 40, 80, -20, -60, 40, 80},
    {7, 5, 40, 120, 40, 40, -20, -20, 40, 40},
    {8, 6, 228, 54, 40, 54, -20, -27, 40, 54},
    {9, 5, 160, 0, 40, 40, -20, -20, 40, 40},
    {10, 5, 40, 120, 40, 40, -20, -20, 40, 40},
    {11, 5, 40, 120, 40, 40, -20, -20, 40, 40},
    {12, 5, 40, 120, 40, 40, -20, -20, 40, 40},
    {13, 6, 228, 54, 40, 54, -20, -27, 40, 54},
    {14, 5, 40, 280, 40, 40, -20, -20, 40, 40, -1, kClear},
    {15, 5, 0, 820, 45, 60, -22, -32, 45, 60, -1, kClear},
    {16, 5, 90, 820, 45, 60, -22, -32, 45, 60},
    {17, 5, 0, 440, 40, 80, -20, -60, 40, 80},
    {18, 5, 40, 40, 40, 40, -20, -20, 40, 40},
    {19, 5, 0, 820, 45, 60, -22, -32, 45, 60},
    {20, 5, 40, 120, 40, 40, -20, -20, 40, 40},
    {21, 5, 360, 0, 160, 160, -80, -80, 160, 160, 70},
    {22, 5, 40, 160, 40, 40, -20, -20, 40, 40},
    {23, 6, 228, 54, 40, 54, -20, -27, 40, 54},
    {24, 5, 600, 0, 80, 80, -40, -40, 80, 80},
    {25, 5, 40, 40, 40, 40, -20, -20, 40, 40},
    {26, 5, 40, 40, 40, 40, -20, -20, 40, 40},
    {27, 5, 120, 160, 160, 160, -80, -80, 160, 160, 16384, 0x50FFFFFFu},
    {28, 5, 120, 0, 160, 160, -120, -120, 240, 240},
    {29, 5, 320, 0, 40, 40, -20, -20, 40, 40, 16384},
    {30, 5, 40, 40, 40, 40, -20, -20, 40, 40},
    {31, 5, 880, 0, 120, 120, -40, -40, 80, 80},
    {32, 5, 320, 40, 40, 40, -20, -20, 40, 40},
    {33, 5, 280, 40, 40, 40, -20, -20, 40, 40},
    {34, 5, 320, 0, 40, 40, -20, -20, 40, 40, 16384},
    {35, 5, 320, 80, 40, 40, -20, -20, 40, 40},
    {36, 5, 120, 0, 160, 160, -120, -120, 240, 240},
    {37, 5, 40, 0, 40, 40, -20, -20, 40, 40},
    {38, 5, 320, 0, 40, 40, -20, -20, 40, 40, 16384},
    {39, 5, 320, 80, 40, 40, -20, -20, 40, 40},
    {40, 5, 320, 80, 40, 40, -20, -20, 40, 40},
    {42, 5, 40, 40, 40, 40, -20, -20, 40, 40},
    {43, 5, 520, 80, 80, 80, -40, -40, 80, 80, -1, kClear},
    {44, 6, 144, 60, 28, 60, -14, -30, 28, 60},
    {45, 6, 48, 0, 48, 43, -24, -21, 48, 43},
    {46, 6, 48, 0, 48, 43, -24, -21, 48, 43},
    {47, 6, 144, 60, 28, 60, -14, -30, 28, 60},
    {48, 5, 723, 160, 43, 43, -21, -21, 43, 43, -1, kClear},
    {49, 5, 595, 161, 75, 32, -37, -16, 75, 32, 16384},
};

INSTANTIATE_TEST_SUITE_P(Enemies, EnemyCells, ::testing::ValuesIn(kCells));

class EnemyDrawing : public enemytest::EnemyField {
protected:
    playtest::Quad DrawOnce(cEnemyObjectBase* e) {
        playtest::QuadRecorder rec;
        e->Draw();
        EXPECT_EQ(rec.quads.size(), 1u);
        return rec.quads.empty() ? playtest::Quad{} : rec.quads[0];
    }
};

TEST_F(EnemyDrawing, WalkerPicksItsCellByHeadingRanges) {
    const struct {
        int angle;
        float sx, sy, ox, oy, w;
    } cases[] = {
        {8000, 0, 360, -20, -60, 40},     {24000, 0, 360, -20, -60, 40},  // down at both ends
        {41000, 600, 360, -20, -40, 40},  {58000, 600, 360, -20, -40, 40},
        {7999, 360, 400, -60, -20, 80},   {-5, 360, 400, -60, -20, 80},  // right, also negative
        {70000, 360, 400, -60, -20, 80},  {30000, 120, 400, -20, -20, 80},
    };
    for (const auto& c : cases) {
        cEnemyObjectBase* e = Spawn(1, 320, 100, c.angle, 0, 0);
        const playtest::Quad q = DrawOnce(e);
        EXPECT_FLOAT_EQ(q.src[0], c.sx) << c.angle;
        EXPECT_FLOAT_EQ(q.src[1], c.sy) << c.angle;
        EXPECT_FLOAT_EQ(q.dst[0], 320 + c.ox) << c.angle;
        EXPECT_FLOAT_EQ(q.dst[1], 100 + c.oy) << c.angle;
        EXPECT_FLOAT_EQ(q.dst[2], c.w) << c.angle;
    }
    // 02's right-facing cells start at 240.
    EXPECT_FLOAT_EQ(DrawOnce(Spawn(2, 320, 100, 0, 0, 0)).src[0], 240.0f);
}

TEST_F(EnemyDrawing, AnimationColumnsStepWrapAndRestart) {
    cEnemyObjectBase* walker = Spawn(1, 320, 100, 0, 0, 1);
    for (int i = 0; i < 12; ++i) DrawOnce(walker);
    EXPECT_FLOAT_EQ(DrawOnce(walker).src[0], 440.0f);  // 13th draw: column 1
    for (int i = 0; i < 25; ++i) DrawOnce(walker);
    EXPECT_FLOAT_EQ(DrawOnce(walker).src[0], 360.0f);  // counter 39 wraps to 0
    cEnemyObjectBase* figure = Spawn(15, 320, 100, 0, 0, 0);
    figure->frame = 200;
    for (int i = 0; i < 9; ++i) DrawOnce(figure);
    EXPECT_FLOAT_EQ(DrawOnce(figure).src[0], 135.0f);  // 10: column 1, right-facing
    for (int i = 0; i < 9; ++i) DrawOnce(figure);
    EXPECT_FLOAT_EQ(DrawOnce(figure).src[0], 90.0f);  // 20 restarts at 1
    EXPECT_EQ(figure->work0, 1);
    cEnemyObjectBase* round = Spawn(45, 320, 100, 0, 0, 0);
    for (int i = 0; i < 29; ++i) DrawOnce(round);
    EXPECT_FLOAT_EQ(DrawOnce(round).src[1], 129.0f);  // column 3, rows go down
    EXPECT_EQ(round->work2, 30);
    cEnemyObjectBase* core = Spawn(32, 320, 100);
    for (int i = 0; i < 13; ++i) DrawOnce(core);
    EXPECT_FLOAT_EQ(DrawOnce(core).src[0], 400.0f);  // counter 14: column 2
    cEnemyObjectBase* bells = Spawn(44, 320, 100);
    for (int i = 0; i < 7; ++i) DrawOnce(bells);
    EXPECT_FLOAT_EQ(DrawOnce(bells).src[0], 172.0f);
    EXPECT_EQ(bells->work3, 8);
}

TEST_F(EnemyDrawing, FadesFollowTheFrame) {
    cEnemyObjectBase* sniper = Spawn(14, 320, 100);
    sniper->frame = 120;
    EXPECT_EQ(DrawOnce(sniper).colour, 0xF0FFFFFFu);
    sniper->frame = 121;
    EXPECT_EQ(DrawOnce(sniper).colour, 0xFFFFFFFFu);
    cEnemyObjectBase* crystal = Spawn(43, 320, 100);
    crystal->work1 = 152;
    EXPECT_EQ(DrawOnce(crystal).colour, 0x98FFFFFFu);
    // 16 and 19 face by speed and by heading.
    cEnemyObjectBase* drifter = Spawn(16, 320, 100, 0, 0, 0, -0.5f);
    EXPECT_FLOAT_EQ(DrawOnce(drifter).src[0], 0.0f);
    cEnemyObjectBase* figure = Spawn(19, 320, 100, 49152, 0, 0);
    EXPECT_FLOAT_EQ(DrawOnce(figure).src[0], 0.0f);
    figure->angle = 49153;
    EXPECT_FLOAT_EQ(DrawOnce(figure).src[0], 90.0f);
    cEnemyObjectBase* fan = Spawn(15, 320, 100, 49145, 0, 0);
    EXPECT_FLOAT_EQ(DrawOnce(fan).src[0], 90.0f);
}

TEST_F(EnemyDrawing, FortyOneIsInvisible) {
    cEnemyObjectBase* e = Spawn(41, 320, 100);
    playtest::QuadRecorder rec;
    e->Draw();
    EXPECT_TRUE(rec.quads.empty());
}

}  // namespace
