// The first volley of every attack that fires on its own clock, on each
// difficulty: the frame it comes on, how many bullets, and the first bullet's
// motion, look, turn, element, speed, acceleration and heading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/KestraMath.h"
#include "game/bosses/Stage04Boss.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameState.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::BossField;
using bosstest::Fired;

enum class Heading { Free, FromAim, Fixed };

struct Volley {
    int32_t code, phase, difficulty;
    int32_t step, count;
    int32_t motion, graphic, turn, element;  // element -1: not checked
    float speed, accel;
    Heading heading;
    int32_t angle;  // from the aim at player 1 from the bullet's start, or fixed
};

int32_t Wrapped(int32_t a) { return ((a % 65536) + 65536) % 65536; }

class BossVolleys : public BossField, public ::testing::WithParamInterface<Volley> {};

TEST_P(BossVolleys, FirstVolleyComesOnItsFrameWithItsBullets) {
    const Volley& v = GetParam();
    GameState.difficulty = v.difficulty;
    cBossBase* b = MakeAt(v.code, v.phase, 320, 100);
    ASSERT_NE(b, nullptr);
    if (auto* twins = dynamic_cast<Stage04Boss*>(b)) {
        twins->x2 = 320;
        twins->y2 = 220;
    }
    const std::vector<Fired> fired = RunBoss(v.step);
    ASSERT_FALSE(fired.empty()) << "nothing fired by frame " << v.step;
    EXPECT_EQ(fired.front().step, v.step);
    const std::vector<Fired> first = bosstest::OfStep(fired, v.step);
    EXPECT_EQ(static_cast<int32_t>(first.size()), v.count);
    const Fired& f = first.front();
    EXPECT_EQ(f.motion, v.motion);
    EXPECT_EQ(f.graphic, v.graphic);
    EXPECT_EQ(f.turn, v.turn);
    if (v.element >= 0) {
        EXPECT_EQ(f.element, v.element);
    }
    EXPECT_FLOAT_EQ(f.speed, v.speed);
    EXPECT_FLOAT_EQ(f.accel, v.accel);
    if (v.heading == Heading::FromAim) {
        const int32_t aim = static_cast<int32_t>(Kestra::Atan(Player1->aimX - f.x, Player1->aimY - f.y));
        EXPECT_EQ(Wrapped(f.angle - aim), Wrapped(v.angle));
    } else if (v.heading == Heading::Fixed) {
        EXPECT_EQ(Wrapped(f.angle), Wrapped(v.angle));
    }
}

const Volley kVolleys[] = {
    // Shamyu: aimed threes, the tail's four, the chase's drifting bullet.
    {200, 2, 0, 80, 3, 1, 1, 0, -1, 1.0f, 0.0f, Heading::FromAim, -9000},
    {200, 2, 1, 40, 3, 1, 1, 0, -1, 1.0f, 0.0f, Heading::FromAim, -7000},
    {200, 2, 2, 20, 3, 1, 1, 120, 0, 2.0f, 0.0f, Heading::FromAim, -7000},
    {200, 4, 0, 200, 4, 2, 21, -20, 1, 0.05f, 0.0003f, Heading::Free, 0},
    {200, 4, 1, 150, 4, 2, 21, -20, 1, 0.1f, 0.0003f, Heading::Free, 0},
    {200, 4, 2, 36, 4, 2, 21, -20, 1, 0.1f, 0.0001f, Heading::Free, 0},
    {200, 6, 0, 170, 1, 2, 21, 0, -1, 0.0f, -0.002f, Heading::Free, 0},
    {200, 6, 1, 144, 1, 2, 21, 0, -1, 0.0f, -0.002f, Heading::Free, 0},
    {200, 6, 2, 90, 1, 2, 21, 0, 2, 0.0f, -0.0002f, Heading::Free, 0},
    // Fururu: the two rings, the aimed bullet with its ring, the ring volleys.
    {201, 2, 0, 290, 33, 2, 2, 50, 0, 1.0f, -0.01f, Heading::Fixed, 4681},
    {201, 2, 1, 240, 42, 2, 2, 50, 0, 1.0f, -0.01f, Heading::Fixed, 2730},
    {201, 2, 2, 200, 66, 2, 2, 50, 0, 1.0f, -0.08f, Heading::Fixed, 6000 + 2730},
    {201, 6, 0, 300, 19, 2, 4, 0, 0, 1.5f, 0.0f, Heading::FromAim, 0},
    {201, 6, 1, 240, 25, 2, 4, 0, 0, 2.0f, 0.0f, Heading::FromAim, 0},
    {201, 6, 2, 220, 33, 2, 4, 1, 0, 3.0f, 0.0f, Heading::FromAim, 0},
    {201, 8, 1, 80, 21, 1, 3, 0, 1, 1.0f, 0.005f, Heading::Free, 0},
    {201, 8, 2, 80, 21, 1, 3, 0, 1, 3.0f, -0.01f, Heading::Free, 0},
    // Still: the aimed line with two spirals, the big shot, the hero's line.
    {202, 2, 0, 200, 7 + 8 + 8, 2, 54, 0, 0, 0.4f, 0.01f, Heading::FromAim, 0},
    {202, 2, 1, 200, 12 + 20 + 20, 2, 54, 0, 0, 0.5f, 0.01f, Heading::FromAim, 0},
    {202, 2, 2, 200, 34 + 27 + 28, 2, 54, 0, 0, 0.3f, 0.001f, Heading::FromAim, -4000},
    {202, 4, 0, 190, 1, 1, 4, 0, 2, 3.4f, 0.0f, Heading::FromAim, 0},
    {202, 4, 1, 110, 1, 1, 4, 0, 2, 4.3f, 0.0f, Heading::FromAim, 0},
    {202, 4, 2, 70, 1, 1, 4, 0, 2, 4.3f, 0.0f, Heading::FromAim, 0},
    {202, 8, 1, 240, 22, 1, 11, 0, 2, 0.2f, 0.0001f, Heading::FromAim, 0},
    {202, 8, 2, 110, 22, 1, 11, 0, 2, 0.3f, 0.0001f, Heading::FromAim, 0},
    // The twins: two streams from each body, the walls, body 2's aimed fan.
    {203, 2, 0, 204, 4, 2, 6, 0, 0, 2.5f, 0.0f, Heading::Free, 0},
    {203, 2, 1, 200, 4, 2, 6, 0, 0, 3.0f, -0.01f, Heading::Free, 0},
    {203, 2, 2, 200, 4, 2, 6, 0, 0, 3.0f, -0.03f, Heading::Free, 0},
    {203, 4, 0, 10, 4, 2, 6, 0, 0, 5.0f, 0.0f, Heading::Fixed, 32768},
    {203, 4, 1, 10, 4, 2, 6, 0, 0, 5.0f, 0.0f, Heading::Fixed, 32768},
    {203, 4, 2, 4, 3, 2, 1, 0, 1, 0.5f, 0.02f, Heading::FromAim, -5000},
};

INSTANTIATE_TEST_SUITE_P(Attacks, BossVolleys, ::testing::ValuesIn(kVolleys),
                         [](const ::testing::TestParamInfo<Volley>& info) {
                             const Volley& v = info.param;
                             return "Boss" + std::to_string(v.code) + "Phase" + std::to_string(v.phase) +
                                    "Difficulty" + std::to_string(v.difficulty);
                         });

// The spirals of Still's opening: turns step outward, speeds grow, the two
// spirals of opposite turn and element.
TEST_F(BossField, StillsSpiralsTurnOutwardInOppositeSensesAndElements) {
    struct Spiral {
        int32_t difficulty, count0, count1, firstTurn, turnStep;
        float speedStep;
    };
    const Spiral spirals[] = {{0, 8, 8, 88, 8, 0.1f}, {1, 20, 20, 88, 8, 0.1f}, {2, 27, 28, 110, 30, 0.2f}};
    for (const Spiral& s : spirals) {
        SCOPED_TRACE(s.difficulty);
        GameState.difficulty = s.difficulty;
        MakeAt(202, 2, 320, 100);
        std::vector<Fired> spiral;
        for (const Fired& f : bosstest::OfStep(RunBoss(200), 200))
            if (f.motion == 8) spiral.push_back(f);
        ASSERT_EQ(static_cast<int32_t>(spiral.size()), s.count0 + s.count1);
        for (int32_t i = 1; i <= s.count0 + s.count1; ++i) {
            const Fired& f = spiral[size_t(i - 1)];
            const bool second = i > s.count0;
            const int32_t n = second ? i - s.count0 : i;
            EXPECT_EQ(f.graphic, 22);
            EXPECT_EQ(f.angle, 3120 * n);
            EXPECT_EQ(f.turn, (second ? -1 : 1) * (s.firstTurn + s.turnStep * (n - 1)));
            EXPECT_EQ(f.element, second ? 1 : 0);
            EXPECT_NEAR(f.speed, 1.0f + s.speedStep * n, 1e-5f);
            EXPECT_FLOAT_EQ(f.accel, 0.002f);
        }
    }
}

// Fururu's last attack: volleys from a ring of 80 px heading one way, each
// in the next element of the cycle.
TEST_F(BossField, FururusRingVolleysCycleTheirElementAndFlyOneWay) {
    GameState.difficulty = 1;
    cBossBase* b = MakeAt(201, 8, 320, 200);
    const std::vector<Fired> fired = RunBoss(320);
    std::vector<int32_t> steps, elements;
    for (const Fired& f : fired)
        if (steps.empty() || steps.back() != f.step) steps.push_back(f.step), elements.push_back(f.element);
    EXPECT_EQ(steps, (std::vector<int32_t>{80, 160, 240, 320}));
    EXPECT_EQ(elements, (std::vector<int32_t>{1, 2, 0, 1}));
    const std::vector<Fired> volley = bosstest::OfStep(fired, 80);
    ASSERT_EQ(volley.size(), 21u);
    for (size_t i = 0; i < volley.size(); ++i) {
        const int32_t a = 3276 * int32_t(i);
        EXPECT_NEAR(volley[i].x, b->x + 80.0f * Kestra::Cos(static_cast<uint32_t>(a)), 0.01f);
        EXPECT_NEAR(volley[i].y, b->y + 80.0f * Kestra::Sin(a), 0.01f);
        EXPECT_EQ(volley[i].angle, volley[0].angle);
    }
}

}  // namespace
