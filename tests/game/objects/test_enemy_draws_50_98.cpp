// The pictures of codes 50 to 98: sheet, cell by element and animation, drawn
// size and place, turning, fades and facings.
#include "game/objects/Enemies50To98.h"
#include "tests/game/objects/enemy_steps.h"

namespace {

using enemytest::EnemyTest;

// The first quad of an element-1 enemy at (320, 100), heading 16384, on its first Draw.
struct Picture {
    int32_t type;
    int32_t slot;
    float sx, sy, sw, sh;
    float dx, dy, dw, dh;
    bool turned;
    uint32_t colour = 0xFFFFFFFFu;
};

class DrawTest : public EnemyTest, public ::testing::WithParamInterface<Picture> {};

TEST_P(DrawTest, FirstDrawMatchesItsCell) {
    const Picture& p = GetParam();
    cEnemyObjectBase* e = Make({p.type, 320, 100, 16384, 0, 1});
    playtest::QuadRecorder rec;
    e->Draw();
    ASSERT_FALSE(rec.quads.empty());
    const playtest::Quad& q = rec.quads[0];
    EXPECT_EQ(q.slot, p.slot);
    EXPECT_FLOAT_EQ(q.src[0], p.sx);
    EXPECT_FLOAT_EQ(q.src[1], p.sy);
    EXPECT_FLOAT_EQ(q.src[2], p.sw);
    EXPECT_FLOAT_EQ(q.src[3], p.sh);
    EXPECT_FLOAT_EQ(q.dst[0], p.dx);
    EXPECT_FLOAT_EQ(q.dst[1], p.dy);
    EXPECT_FLOAT_EQ(q.dst[2], p.dw);
    EXPECT_FLOAT_EQ(q.dst[3], p.dh);
    EXPECT_EQ(q.turned, p.turned);
    EXPECT_EQ(q.colour, p.colour);
}

constexpr uint32_t kClear = 0x00FFFFFFu;

INSTANTIATE_TEST_SUITE_P(
    Enemies50To98, DrawTest,
    ::testing::Values(
        Picture{50, 5, 595, 161, 75, 32, 302, 92, 37, 16, true}, Picture{51, 5, 560, 200, 40, 40, 300, 80, 40, 40, true},
        Picture{52, 5, 440, 240, 40, 63, 300, 68, 40, 63, false},
        Picture{53, 6, 48, 0, 48, 43, 296, 78.5f, 48, 43, false},
        Picture{54, 5, 520, 297, 40, 57, 300, 72, 40, 57, false},
        Picture{55, 6, 48, 0, 48, 43, 296, 78.5f, 48, 43, false, kClear},
        Picture{56, 5, 0, 400, 80, 80, 280, 60, 80, 80, true}, Picture{57, 5, 0, 820, 45, 60, 298, 68, 45, 60, false},
        Picture{58, 5, 760, 0, 80, 80, 280, 60, 80, 80, true}, Picture{59, 5, 320, 0, 40, 40, 300, 80, 40, 40, true},
        Picture{60, 5, 360, 0, 80, 80, 290, 70, 60, 60, true}, Picture{61, 5, 760, 0, 80, 80, 280, 60, 80, 80, true},
        Picture{62, 7, 683, 3, 61, 61, 259, 39, 122, 122, false},
        Picture{63, 5, 360, 0, 80, 80, 290, 70, 60, 60, true}, Picture{64, 5, 0, 400, 80, 80, 280, 60, 80, 80, true},
        Picture{65, 5, 441, 159, 80, 80, 280, 60, 80, 80, true}, Picture{66, 5, 760, 0, 80, 80, 280, 60, 80, 80, true},
        Picture{67, 5, 760, 0, 80, 80, 280, 60, 80, 80, true},
        Picture{68, 6, 48, 0, 48, 43, 296, 78.5f, 48, 43, false, kClear},
        Picture{69, 6, 48, 0, 48, 43, 296, 78.5f, 48, 43, false, kClear},
        Picture{70, 5, 320, 400, 320, 120, 0, -20, 640, 240, false, 0x03FFFFFFu},
        Picture{71, 5, 808, 240, 128, 128, 0, -20, 640, 240, false},
        Picture{72, 5, 120, 0, 160, 160, 200, -20, 240, 240, false},
        Picture{73, 7, 660, 132, 64, 70, 288, 65, 64, 70, true}, Picture{74, 7, 660, 132, 64, 70, 288, 65, 64, 70, true},
        Picture{75, 7, 580, 103, 39, 10, 300, 95, 39, 10, true},
        Picture{76, 5, 880, 0, 120, 120, 280, 60, 80, 80, false}, Picture{77, 6, 48, 0, 48, 43, 296, 79, 48, 43, false},
        Picture{78, 5, 120, 70, 60, 70, 290, 65, 60, 70, false},
        Picture{79, 5, 400, 160, 40, 40, 300, 80, 40, 40, true},
        Picture{81, 5, 0, 480, 160, 160, -320, -540, 1280, 1280, true},
        Picture{82, 5, 760, 0, 80, 80, 280, 60, 80, 80, true}, Picture{83, 5, 0, 400, 80, 80, 280, 60, 80, 80, true},
        Picture{84, 3, 128, 0, 128, 128, 240, 20, 240, 240, true, 0x1EFFFFFFu},
        Picture{85, 6, 144, 60, 28, 60, 306, 70, 28, 60, false},
        Picture{86, 5, 360, 0, 80, 80, 290, 70, 60, 60, true}, Picture{87, 7, 683, 65, 70, 67, 285, 67, 70, 67, true},
        Picture{88, 7, 683, 3, 61, 61, 280, 60, 80, 80, false},
        Picture{89, 5, 360, 0, 160, 160, 240, 20, 160, 160, true},
        Picture{90, 6, 48, 0, 48, 43, 296, 78.5f, 48, 43, false},
        Picture{91, 5, 808, 240, 128, 128, 0, 80, 640, 40, false},
        Picture{92, 5, 331, 0, 51, 60, 295, 70, 51, 60, true},
        Picture{93, 5, 520, 297, 40, 57, 300, 72, 40, 57, false},
        Picture{94, 5, 595, 161, 75, 32, 302, 92, 37, 16, true}, Picture{95, 5, 595, 161, 75, 32, 288, 84, 75, 32, true},
        Picture{97, 7, 660, 132, 64, 70, 288, 65, 64, 70, true},
        Picture{98, 7, 660, 132, 64, 70, 288, 65, 64, 70, true}));

TEST_F(EnemyTest, TwoFacingSheetsAndAnimationColumns) {
    // Heading outside 16384..49144 picks the second facing.
    cEnemyObjectBase* figure = Make({54, 320, 100, 49145, 0, 0});
    cEnemyObjectBase* tall = Make({52, 320, 100, 0, 0, 0});
    cEnemyObjectBase* walker = Make({57, 320, 100, 0, 0, 0});
    playtest::QuadRecorder rec;
    for (int32_t i = 0; i < 7; ++i) figure->Draw();  // counter 7: the second column
    tall->Draw();
    walker->Draw();
    ASSERT_EQ(rec.quads.size(), 9u);
    EXPECT_FLOAT_EQ(rec.quads[5].src[0], 600.0f);  // 40 x (0 + 15)
    EXPECT_FLOAT_EQ(rec.quads[6].src[0], 640.0f);  // 40 x (1 + 15)
    EXPECT_FLOAT_EQ(rec.quads[7].src[1], 303.0f);
    EXPECT_FLOAT_EQ(rec.quads[8].src[0], 90.0f);
    // The counter restarts after 13.
    for (int32_t i = 0; i < 6; ++i) figure->Draw();
    EXPECT_EQ(figure->work1, 0);
}

TEST_F(EnemyTest, FadesAndTurningWords) {
    cEnemyObjectBase* creature = Make({55});
    cEnemyObjectBase* disc = Make({58});
    cEnemyObjectBase* ring = Make({81});
    cEnemyObjectBase* ship = Make({78});
    cEnemyObjectBase* spawner = Make({96});
    creature->frame = 127;
    playtest::QuadRecorder rec;
    creature->Draw();
    creature->frame = 128;
    creature->Draw();
    disc->Draw();
    disc->Draw();
    ring->Draw();
    const int32_t ringAngle = ring->angle;
    ship->Draw();
    spawner->Draw();
    ASSERT_EQ(rec.quads.size(), 7u);  // the ship draws body and flame, the spawner nothing
    EXPECT_EQ(rec.quads[0].colour, 0xFEFFFFFFu);
    EXPECT_EQ(rec.quads[1].colour, 0xFFFFFFFFu);
    EXPECT_EQ(rec.quads[2].angle, 0);
    EXPECT_EQ(rec.quads[3].angle, 190);
    EXPECT_EQ(rec.quads[4].angle, 16384);
    EXPECT_EQ(ringAngle, 16384 + 900);
    EXPECT_FLOAT_EQ(rec.quads[6].dst[1], 100.0f - 114.0f);
    EXPECT_FLOAT_EQ(rec.quads[6].src[0], 240.0f);
}

TEST_F(EnemyTest, BandFadesInAndOutThenHides) {
    cEnemyObjectBase* band = Make({70, 320, 240});
    playtest::QuadRecorder rec;
    for (int32_t i = 0; i < 200; ++i) band->Draw();
    ASSERT_EQ(rec.quads.size(), 160u);
    EXPECT_EQ(rec.quads[79].colour >> 24, 240u);
    EXPECT_EQ(rec.quads[80].colour >> 24, 252u);
    EXPECT_EQ(rec.quads[159].colour >> 24, 15u);
}

TEST_F(EnemyTest, BeamsDrawAcrossOrDownTheScreenAndNothingForOtherHeadings) {
    cEnemyObjectBase* down = Make({91, 320, 100, 32768, 0, 0});
    cEnemyObjectBase* odd = Make({91, 320, 100, 1000, 0, 0});
    playtest::QuadRecorder rec;
    down->Draw();
    odd->Draw();
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[0], 300.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[1], -140.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[2], 40.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[3], 480.0f);
}

}  // namespace
