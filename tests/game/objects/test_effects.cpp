// Effects: the gallery of kinds 1 to 17 against their table, the start
// values, the bursts, the shared ring counter and freezing outside the window.
#include <gtest/gtest.h>

#include "engine/core/KestraMath.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override { playtest::ResetField(3); }
    void TearDown() override { playtest::ClearField(); }
    cObjectManager& m = ObjectManager;

    cEffectObjectBase* Start(int kind, int value, int x = 300, int y = 200, int owner = 0) {
        m.SpawnEffect(x, y, static_cast<effect::Kind>(kind), value, owner);
        return m.effects[size_t(m.effectCursor)];
    }
};

// Expected first-frame quad of each kind at (300, 200) with value v, scroll (20, 10).
struct Expect {
    int kind;
    float sx, sy, sw, sh;  // source; -1 for "depends on value" handled below
    float ox, oy, w, h;
    uint32_t alpha;
    int angle;  // -1: unturned, -2: turned at random
};

TEST_F(EffectTest, GalleryDrawsEveryKindForBothValuesAsTabled) {
    ScrollX = 20.0f;
    ScrollY = 10.0f;
    for (int v = 0; v < 2; ++v) {
        const Expect rows[] = {
            {1, 0, 0, 128, 128, 64, 64, 128, 128, 255, -1},
            {3, float(30 * (0 + 6 * v) + 40), 128, 30, 30, 15, 15, 31, 31, 250, -1},
            {5, 80, 158, 40, 40, 20, 20, 40, 40, 232, -2},
            {9, 864, 128, 160, 160, 7, 7, 14, 14, 100, -1},
            {13, float(128 * v), 286, 128, 128, 5, 5, 10, 10, 234, -1},
            {15, 225, float(80 * v + 545), 80, 80, 40, 40, 80, 80, 200, -2},
            {16, 0, 705, 128, 128, 64, 64, 128, 128, 200, 0},
            {17, float(128 * v), 286, 128, 128, 3.5f, 3.5f, 7, 7, 231, -1},
        };
        for (const Expect& e : rows) {
            m.ResetForStage();
            cEffectObjectBase* f = Start(e.kind, v);
            playtest::QuadRecorder rec;
            m.UpdateEffects();
            ASSERT_EQ(rec.quads.size(), 1u) << e.kind;
            const playtest::Quad& q = rec.quads[0];
            EXPECT_EQ(q.slot, 10);
            EXPECT_FLOAT_EQ(q.src[0], e.sx) << e.kind;
            EXPECT_FLOAT_EQ(q.src[1], e.sy) << e.kind;
            EXPECT_FLOAT_EQ(q.src[2], e.sw);
            EXPECT_FLOAT_EQ(q.src[3], e.sh);
            // Only kind 5 moves (along its random heading) before drawing.
            if (e.kind != 5) {
                EXPECT_FLOAT_EQ(f->x, 300.0f);
            }
            EXPECT_FLOAT_EQ(q.dst[0], f->x - 20.0f - e.ox) << e.kind;
            EXPECT_FLOAT_EQ(q.dst[1], f->y - 10.0f - e.oy) << e.kind;
            EXPECT_FLOAT_EQ(q.dst[2], e.w) << e.kind;
            EXPECT_FLOAT_EQ(q.dst[3], e.h) << e.kind;
            EXPECT_EQ(q.colour >> 24, e.alpha) << e.kind;
            EXPECT_EQ(q.turned, e.angle != -1) << e.kind;
            if (e.angle >= 0) {
                EXPECT_EQ(q.angle, e.angle) << e.kind;
            }
        }
    }
}

TEST_F(EffectTest, MovingKindsStepThenDrawAndFade) {
    struct Row {
        int kind;
        float sx0, sx1;  // source x for value 0 and 1
        float sy, size;
        int alpha1;  // alpha at frame 1
        int last;
        float speed;  // -1: drawn at random
    };
    const Row rows[] = {
        {2, 0, 20, 128, 20, 250, -1, -1},      {4, 0, 40, 158, 40, 232, 30, 6},     {10, 0, 20, 128, 20, 234, 15, 7},
        {11, 440, 470, 128, 30, 140, 15, 8}, {12, 500, 524, 128, 24, 177, 60, 0.5f}, {14, 500, 500, 128, 24, 198, 70, -1},
    };
    for (int v = 0; v < 2; ++v) {
        for (const Row& r : rows) {
            m.ResetForStage();
            cEffectObjectBase* f = Start(r.kind, v);
            if (r.speed >= 0) {
                EXPECT_FLOAT_EQ(f->speed, r.speed) << r.kind;
            }
            const float x1 = f->x + Kestra::Cos(uint32_t(f->angle)) * f->speed;
            playtest::QuadRecorder rec;
            m.UpdateEffects();
            ASSERT_EQ(rec.quads.size(), 1u);
            EXPECT_FLOAT_EQ(f->x, x1) << r.kind;
            EXPECT_FLOAT_EQ(rec.quads[0].src[0], v ? r.sx1 : r.sx0) << r.kind;
            EXPECT_FLOAT_EQ(rec.quads[0].src[1], r.sy);
            EXPECT_FLOAT_EQ(rec.quads[0].dst[2], r.size);
            EXPECT_FLOAT_EQ(rec.quads[0].dst[0], f->x - r.size / 2) << r.kind;
            EXPECT_EQ(rec.quads[0].colour >> 24, uint32_t(r.alpha1)) << r.kind;
            if (r.last > 0) {
                for (int i = 1; i < r.last; ++i) {
                    f->x = 300;  // keep it inside the window
                    f->y = 200;
                    m.UpdateEffects();
                }
                EXPECT_EQ(f->isActive, 0) << r.kind;
            }
        }
    }
}

TEST_F(EffectTest, KindsStepTheirCellEveryFewFramesUntilTheyEnd) {
    struct Row {
        int kind;
        float x0, step;  // source x of the first cell, and from one cell to the next
        int period, last;
    };
    const Row rows[] = {{1, 0, 128, 5, 39}, {3, 40, 30, 3, 15},   {5, 80, 0, 1, 30},    {6, 400, 0, 1, 15},
                        {7, 0, 0, 1, 12},   {8, 672, -64, 3, 24}, {9, 864, 0, 1, 15},   {13, 0, 0, 1, 40},
                        {15, 225, 80, 3, 24}, {16, 0, 128, 3, 24}, {17, 0, 0, 1, 14}};
    for (const Row& r : rows) {
        m.ResetForStage();
        cEffectObjectBase* f = Start(r.kind, 0);
        playtest::QuadRecorder rec;
        for (int i = 0; i <= r.last; ++i) {
            f->x = 300;  // keep it inside the window
            f->y = 200;
            m.UpdateEffects();
        }
        ASSERT_EQ(rec.quads.size(), size_t(r.last)) << r.kind;
        for (int frame = 1; frame <= r.last; ++frame)
            EXPECT_FLOAT_EQ(rec.quads[size_t(frame - 1)].src[0], r.x0 + r.step * float(frame / r.period))
                << r.kind << " frame " << frame;
    }
}

TEST_F(EffectTest, HitFlashWithValueTwoDrawsAsZero) {
    cEffectObjectBase* f = Start(3, 2);
    playtest::QuadRecorder rec;
    m.UpdateEffects();
    EXPECT_EQ(f->value, 0);
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 40.0f);
}

TEST_F(EffectTest, RingsStartedTogetherShareTheirCounter) {
    Start(13, 0);
    Start(13, 1);
    playtest::QuadRecorder rec;
    for (int i = 0; i < 3; ++i) m.UpdateEffects();
    ASSERT_EQ(rec.quads.size(), 6u);
    // Both reset it at their first frame; afterwards it grows 20 px a frame, not 10.
    EXPECT_FLOAT_EQ(rec.quads[1].dst[2], 10.0f);
    EXPECT_FLOAT_EQ(rec.quads[3].dst[2], 30.0f);
    EXPECT_FLOAT_EQ(rec.quads[5].dst[2], 50.0f);
}

TEST_F(EffectTest, TintedGlowKeepsItsFirstTint) {
    Start(14, 0);
    playtest::QuadRecorder rec;
    for (int i = 0; i < 70; ++i) {
        m.effects[1]->x = 300;
        m.UpdateEffects();
    }
    ASSERT_EQ(rec.quads.size(), 70u);
    for (const auto& q : rec.quads) EXPECT_EQ(q.colour & 0xFFFFFFu, rec.quads[0].colour & 0xFFFFFFu);
    EXPECT_EQ(m.effects[1]->isActive, 0);
}

TEST_F(EffectTest, BurstsTakeConsecutiveSlots) {
    m.SpawnEffectBurst(effect::kExplosionBurst, 1, 100, 100);
    EXPECT_EQ(m.effectCursor, 9);
    EXPECT_EQ(m.effects[1]->kind, 1);
    for (int i = 2; i <= 9; ++i) EXPECT_EQ(m.effects[size_t(i)]->kind, 4);
    EXPECT_EQ(m.effects[2]->value, 1);
    m.SpawnEffectBurst(effect::kShatterBurst, 0, 100, 100);
    EXPECT_EQ(m.effectCursor, 19);
    m.effects[20]->owner = 1;
    m.SpawnEffectBurst(effect::kPuffBurst, 1, 100, 100);
    EXPECT_EQ(m.effectCursor, 22);
    EXPECT_EQ(m.effects[20]->owner, 0);
    EXPECT_EQ(m.effects[20]->kind, 11);
    m.SpawnEffect(100, 100, effect::kNone, 0, 0);
    EXPECT_EQ(m.effectCursor, 22);
}

TEST_F(EffectTest, OutsideTheWindowAnEffectFreezesUntilItsSlotIsReused) {
    cEffectObjectBase* f = Start(2, 0, 300, 200);
    f->x = 700;
    for (int i = 0; i < 10; ++i) m.UpdateEffects();
    EXPECT_EQ(f->frame, 0);
    EXPECT_EQ(f->isActive, 1);
}

TEST_F(EffectTest, ParticlesFlyTowardTheirOwner) {
    playtest::StartPlayers(1, true);
    Player1->aimX = 500;
    Player1->aimY = 300;
    Player2->aimX = 100;
    Player2->aimY = 100;
    cEffectObjectBase* toP2 = Start(8, 0, 300, 200, 1);
    cEffectObjectBase* toP1 = Start(7, 0, 300, 200, 0);
    m.UpdateEffects();
    EXPECT_LT(toP2->x, 300.0f);
    EXPECT_GT(toP1->x, 300.0f);
}

TEST_F(EffectTest, EffectsRunInEverySubStateOfTheScene) {
    cEffectObjectBase* f = Start(9, 0);
    m.FireEnemyBullet(300, 200, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 2.0f, 0.0f);
    GameState.subState = kSubStateDialogue;
    playtest::PlayFrames(3);
    EXPECT_EQ(f->frame, 3);
    EXPECT_FLOAT_EQ(m.enemyBullets[1]->x, 300.0f);  // the lists only move in play
    EXPECT_EQ(StageFrame, 0);
}

}  // namespace
