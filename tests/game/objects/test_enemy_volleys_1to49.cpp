// The firing tables of the plain shooters among enemies 1 to 49: on which
// frames they fire, how many bullets of which kinds, at which angles and
// elements. Each enemy sits at (320, 100) heading down with player 1 straight
// below, so its aim equals its heading.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/KestraMath.h"
#include "tests/game/objects/enemy_probe.h"

namespace {

using enemytest::Fired;

constexpr int kOwn = -1;     // every bullet of the enemy's element (1 here)
constexpr int kRandom = -2;  // drawn per bullet
constexpr int kFanOfTwo = -3;  // the first half element 0, the second half element 1
constexpr int kAny = 1 << 30;  // angles not checked (random)

struct Volleys {
    int type;
    int run;
    int first, step, last;  // expected firing steps: first, first + step, ... <= last
    int perVolley;
    int motion, graphic;
    int firstAngle, lastAngle;  // of the first volley
    int elements;
    float speed, accel;  // of the first bullet
    int turn = 0;
};

void PrintTo(const Volleys& v, std::ostream* os) { *os << "cEnemy" << v.type; }

class EnemyVolleys : public enemytest::EnemyField, public ::testing::WithParamInterface<Volleys> {};

TEST_P(EnemyVolleys, FireOnTheirFramesWithTheirKinds) {
    const Volleys& v = GetParam();
    ASSERT_EQ(Kestra::Atan(0.0f, 200.0f), 16384u);
    cEnemyObjectBase* e = Spawn(v.type, 320, 100);
    ASSERT_NE(e, nullptr);
    const std::vector<Fired> shots = Run(e, v.run);
    std::vector<int> expected;
    for (int s = v.first; s <= v.last; s += v.step) expected.push_back(s);
    ASSERT_EQ(Steps(shots), expected);
    ASSERT_EQ(shots.size(), expected.size() * size_t(v.perVolley));
    for (size_t i = 0; i < shots.size(); ++i) {
        const Fired& f = shots[i];
        const int k = int(i % size_t(v.perVolley));
        EXPECT_EQ(f.motion, v.motion);
        EXPECT_EQ(f.graphic, v.graphic);
        if (v.elements == kOwn) {
            EXPECT_EQ(f.element, 1);
        }
        if (v.elements == kRandom) {
            EXPECT_TRUE(f.element == 0 || f.element == 1);
        }
        if (v.elements == kFanOfTwo) {
            EXPECT_EQ(f.element, k < v.perVolley / 2 ? 0 : 1);
        }
        if (v.elements >= 0) {
            EXPECT_EQ(f.element, k == 0 ? v.elements : v.elements + 1);
        }
        if (i < size_t(v.perVolley)) {
            if (k == 0 && v.firstAngle != kAny) {
                EXPECT_EQ(f.angle, v.firstAngle) << "first bullet";
            }
            if (k == v.perVolley - 1 && v.lastAngle != kAny) {
                EXPECT_EQ(f.angle, v.lastAngle) << "last bullet";
            }
        }
        if (v.firstAngle == kAny) {
            EXPECT_NEAR(f.angle, 16384, 3000);
        }
        EXPECT_EQ(f.turn, v.turn);
    }
    EXPECT_FLOAT_EQ(shots.front().speed, v.speed);
    EXPECT_FLOAT_EQ(shots.front().accel, v.accel);
}

// Elements as a number n: the first bullet of a volley n, the others n + 1.
const Volleys kVolleys[] = {
    {1, 700, 90, 90, 540, 1, 1, 1, 16384, 16384, kOwn, 2.0f, 0.0f},
    {2, 100, 20, 20, 100, 1, 2, 1, 16384 + 1200, 16384 + 1200, kOwn, 2.0f, -0.02f},
    {3, 400, 110, 110, 330, 1, 1, 1, 16384, 16384, kOwn, 2.0f, 0.0f},
    {4, 1200, 160, 160, 960, 32, 1, 1, 16384 + 2047, 16384 + 65504, kOwn, 1.0f, 0.01f},
    {5, 200, 50, 50, 200, 1, 1, 1, -4, -4, kOwn, 2.0f, 0.0f},
    {9, 30, 10, 10, 30, 2, 1, 1, 16384 + 500, 16384 + 500 + 32765, 0, 4.0f, 0.0f},
    {10, 200, 60, 60, 60, 2, 5, 0, 3000, 3000 + 32765, 3, 8.0f, 0.0f, 600},
    {11, 130, 60, 60, 120, 30, 1, 1, 16384, 16384, kRandom, 2.0f, 0.0f},
    {13, 700, 180, 220, 620, 2, 2, 3, 16134, 16634, kOwn, 1.0f, 0.001f},
    {14, 700, 180, 220, 620, 2, 2, 3, 16134, 16634, kOwn, 1.0f, 0.001f},
    {15, 1600, 110, 110, 1430, 16, 3, 23, 16384 + 14750, 16384 - 15250 + 3500, kFanOfTwo, 0.0f, 0.001f},
    {17, 100, 50, 50, 50, 10, 1, 1, 16384, 16384, kOwn, 2.0f, 0.0f},
    {18, 100, 30, 30, 30, 1, 1, 4, 16384, 16384, kOwn, 1.0f, 0.01f},
    {19, 200, 50, 50, 200, 1, 1, 5, kAny, kAny, kRandom, 1.0f, 0.02f},
    {22, 1400, 100, 100, 1300, 20, 7, 3, 3276, 65520, kOwn, 3.0f, -0.04f},
    {25, 400, 190, 190, 380, 1, 1, 4, 32767, 32767, kOwn, 1.0f, 0.01f},
    {26, 1300, 150, 150, 1200, 5, 2, 1, 15174, 17574, kOwn, 0.0f, 0.04f},
    {29, 2100, 5, 5, 2000, 1, 2, 52, 16384, 16384, kOwn, 7.0f, 0.0f},
    {34, 1000, 300, 5, 900, 1, 2, 52, 16384, 16384, kOwn, 6.0f, 0.0f},
    {40, 1600, 50, 50, 1500, 1, 1, 9, -4, -4, kOwn, 2.0f, 0.0f},
    {42, 1500, 300, 10, 1400, 1, 1, 5, kAny, kAny, kRandom, 3.5f, -0.005f},
    {45, 200, 130, 130, 130, 21, 1, 1, 32768, 65520 + 32768, kOwn, 0.0f, 0.005f},
    {46, 200, 60, 20, 120, 6, 1, 1, 16384 + 10922, 16384 + 65532, kOwn, 3.0f, 0.005f},
    {47, 100, 40, 40, 40, 21, 9, 1, 16383, 65520 + 16383, kOwn, 1.0f, 0.0f, 16384},
};

INSTANTIATE_TEST_SUITE_P(Shooters, EnemyVolleys, ::testing::ValuesIn(kVolleys));

class EnemyPatterns : public enemytest::EnemyField {};

TEST_F(EnemyPatterns, RowAndColumnAndCirclesArePlacedAroundTheEnemy) {
    const auto row = Run(Spawn(11, 320, 100), 60);
    ASSERT_EQ(row.size(), 30u);
    EXPECT_FLOAT_EQ(row[29].x, 320.0f + 22 * 29);
    EXPECT_FLOAT_EQ(row[29].y, 100.0f);
    const auto column = Run(Spawn(17, 320, 100), 50);
    ASSERT_EQ(column.size(), 10u);
    EXPECT_FLOAT_EQ(column[0].y, 100.0f - 110);
    EXPECT_FLOAT_EQ(column[9].y, 100.0f - 110 + 22 * 9);
    EXPECT_FLOAT_EQ(column[9].x, 320.0f);
    // 45: radius 340 about it; 47: radius 80.
    const auto wide = Run(Spawn(45, 320, 100), 130);
    ASSERT_EQ(wide.size(), 21u);
    EXPECT_NEAR(wide[0].x, 320.0f + 340, 0.01f);
    EXPECT_NEAR(wide[5].y, 100.0f + Kestra::Sin(3276 * 5) * 340, 0.01f);
    const auto tight = Run(Spawn(47, 320, 100), 40);
    ASSERT_EQ(tight.size(), 21u);
    EXPECT_NEAR(tight[0].x, 320.0f + 80, 0.01f);
}

TEST_F(EnemyPatterns, TwelveFansRunFromBelowTheAim) {
    const auto shots = Run(Spawn(12, 320, 100), 300);
    // (f + 40) % 150: 3, (f + 20) % 150: 5, f % 150: 7.
    EXPECT_EQ(Steps(shots), (std::vector<int>{110, 130, 150, 260, 280, 300}));
    std::vector<int> seven;
    for (const Fired& f : shots)
        if (f.step == 150) seven.push_back(f.angle);
    ASSERT_EQ(seven.size(), 7u);
    EXPECT_EQ(seven.front(), 16384 - 2000);
    EXPECT_EQ(seven.back(), 16384 + 1000);
    EXPECT_EQ(shots[0].angle, 16384 - 500);
    EXPECT_EQ(shots[3].angle, 16384 - 1000);
}

TEST_F(EnemyPatterns, TwentySpinsAndRepeatsEveryNinetyEightFrames) {
    cEnemyObjectBase* e = Spawn(20, 320, 100);
    const auto shots = Run(e, 210);
    std::vector<int> expected;
    for (int s = 10; s <= 100; s += 10) expected.push_back(s);
    for (int s = 108; s <= 198; s += 10) expected.push_back(s);
    for (int s = 206; s <= 210; s += 10) expected.push_back(s);
    EXPECT_EQ(Steps(shots), expected);
    for (const Fired& f : shots) {
        const int local = f.step <= 100 ? f.step : (f.step - 101) % 98 + 3;
        EXPECT_EQ(f.element, local <= 50 ? 0 : 1) << f.step;
        EXPECT_EQ(f.graphic, 24);
    }
    EXPECT_EQ(shots[0].angle, 16384 + 150 * 10);  // work0 = heading at frame 1, +150 a frame
}

TEST_F(EnemyPatterns, SpinnerThirtyFiveStopsAfterTwentyOneCycles) {
    cEnemyObjectBase* e = Spawn(35, 320, 100);
    const auto shots = Run(e, 101 * 23);
    std::vector<int> steps = Steps(shots);
    // Ten volleys in the first cycle, eleven in each of the next twenty (frame 0 fires).
    EXPECT_EQ(steps.size(), 10u + 20u * 11u);
    EXPECT_EQ(e->work1, 23);
    int zeros = 0, ones = 0, twos = 0;
    for (const Fired& f : shots) {
        EXPECT_EQ(f.graphic, 9);
        zeros += f.element == 0;
        ones += f.element == 1;
        twos += f.element == 2;
    }
    EXPECT_EQ(twos, int(steps.size()) * 2);
    EXPECT_EQ(ones, 21 * 5 * 4);
    EXPECT_EQ(zeros, (5 + 20 * 6) * 4);
    // The first volley: four at angle + 16383k; two at angle + 10000 + 32767k.
    EXPECT_EQ(shots[0].angle, 16384 + 16383);
    EXPECT_EQ(shots[4].angle, 16384 + 10000 + 32767);
}

TEST_F(EnemyPatterns, FortyFourRingsNineCycles) {
    cEnemyObjectBase* e = Spawn(44, 320, 100);
    const auto shots = Run(e, 1200);
    EXPECT_EQ(Steps(shots).size(), 36u);
    EXPECT_EQ(shots.size(), 36u * 8u);
    EXPECT_EQ(e->work0, 8);
    EXPECT_EQ(shots[4].angle, 16384 + 10000);
    EXPECT_EQ(shots[4].element, 1);
    EXPECT_EQ(shots[0].turn, 20);
}

TEST_F(EnemyPatterns, ThirtyEightCyclesAndStopsAimingMovingAndFiring) {
    cEnemyObjectBase* e = Spawn(38, 320, 100, 0, 0, 1, 1.0f);
    const auto shots = Run(e, 200 * 14);
    std::vector<int> expected;
    for (int c = 0; c < 12; ++c) expected.push_back(200 * c + 160);
    EXPECT_EQ(Steps(shots), expected);
    EXPECT_EQ(shots[0].angle, 16384 - 4000);
    EXPECT_EQ(shots[9].angle, 16384 + 5000);
    const float y = e->y;
    Run(e, 200);
    EXPECT_FLOAT_EQ(e->y, y);  // no more moving after twelve cycles
}

}  // namespace
