// Periodic shooters of codes 50 to 98: on which frames they fire, how many
// bullets a volley holds, of which motion and graphic kinds and how fast.
#include "tests/game/objects/enemy_steps.h"

namespace {

using enemytest::EnemyTest;
using enemytest::Fired;

// Periodic shooters: on which frames they fire, how many, which kinds.
struct Schedule {
    int32_t type;
    int32_t frames;
    std::vector<int32_t> fireFrames;  // the first few, then checked up to `frames`
    int32_t period;                   // every N frames after the listed ones (0: only those)
    int32_t lastFrame;                // no fire after this frame
    int32_t perVolley;
    int32_t motion, graphic;
    float speed, accel;  // every bullet of every volley
};

class ScheduleTest : public EnemyTest, public ::testing::WithParamInterface<Schedule> {};

TEST_P(ScheduleTest, FiresOnItsFramesWithItsKinds) {
    const Schedule& s = GetParam();
    cEnemyObjectBase* e = Make({s.type, 320, 100, 16384, 0, 1, 0.0f, 0.0f, 1000.0f});
    const std::vector<Fired> shots = Run(e, s.frames);
    std::vector<int32_t> want = s.fireFrames;
    if (s.period > 0) {
        for (int32_t f = want.back() + s.period; f <= s.lastFrame && f <= s.frames; f += s.period) want.push_back(f);
    }
    EXPECT_EQ(FramesOf(shots), want);
    for (int32_t f : want) EXPECT_EQ(CountAt(shots, f), s.perVolley) << "frame " << f;
    for (const Fired& b : shots) {
        EXPECT_EQ(b.motion, s.motion);
        EXPECT_EQ(b.graphic, s.graphic);
        EXPECT_FLOAT_EQ(b.speed, s.speed) << "frame " << b.frame;
        EXPECT_FLOAT_EQ(b.accel, s.accel) << "frame " << b.frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Enemies50To74, ScheduleTest,
                         ::testing::Values(Schedule{51, 400, {240}, 0, 0, 1, 1, 9, 4.0f, -0.005f},
                                           Schedule{53, 200, {30}, 30, 200, 2, 1, 3, 2.0f, 0.01f},
                                           Schedule{54, 200, {60}, 0, 0, 30, 1, 22, 0.0f, 0.02f},
                                           Schedule{55, 100, {10}, 10, 100, 3, 1, 23, 4.0f, 0.0f},
                                           Schedule{57, 50, {8}, 8, 50, 2, 1, 1, 0.5f, 0.008f},
                                           Schedule{58, 100, {8}, 8, 100, 1, 1, 23, 6.0f, -0.043f},
                                           Schedule{59, 200, {120}, 5, 200, 1, 2, 6, 6.0f, 0.0f},
                                           Schedule{73, 400, {300}, 0, 0, 1, 1, 1, 0.0f, 0.0f},
                                           Schedule{74, 400, {300}, 0, 0, 1, 1, 1, 0.0f, 0.0f}));

INSTANTIATE_TEST_SUITE_P(Enemies75To98, ScheduleTest,
                         ::testing::Values(Schedule{77, 700, {160, 320}, 0, 0, 32, 2, 3, 1.4f, 0.01f},
                                           Schedule{78, 200, {50}, 50, 200, 1, 1, 1, 2.0f, 0.0f},
                                           Schedule{82, 50, {10}, 10, 50, 1, 2, 54, 2.5f, 0.0f},
                                           Schedule{85, 300, {90}, 90, 300, 3, 1, 24, 2.0f, 0.0f},
                                           Schedule{86, 900, {8}, 8, 799, 2, 1, 1, 3.4f, 0.0f},
                                           Schedule{89, 1200, {640}, 40, 1080, 4, 2, 2, 2.0f, 0.0f},
                                           Schedule{97, 200, {100}, 0, 0, 1, 1, 1, 0.0f, 0.001f},
                                           Schedule{98, 200, {100}, 0, 0, 1, 1, 1, 0.0f, 0.001f}));

}  // namespace
