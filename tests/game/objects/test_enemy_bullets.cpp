// Enemy bullets: the gallery of every motion and graphic kind against the
// game's picture table, the motion kinds' edge cases, cancelling and clearing.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/KestraMath.h"
#include "game/objects/BulletLooks.h"
#include "game/objects/Items.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "tests/game/objects/play_harness.h"

namespace {

// The kinds whose picture the gallery checks against the table alone: every
// kind with a row, less those that fade, size themselves or ignore the element.
std::vector<BulletGraphic> PlainKinds() {
    using enum BulletGraphic;
    std::vector<BulletGraphic> kinds;
    for (int k = 1; k <= static_cast<int>(kCancelled); ++k) {
        const auto kind = static_cast<BulletGraphic>(k);
        if (bulletlook::GraphicOf(kind).slot != 0 && kind != kFadingBead && kind != kRandomGlow &&
            kind != kCrescent && kind != kCancelled)
            kinds.push_back(kind);
    }
    return kinds;
}

class EnemyBulletTest : public ::testing::Test {
protected:
    void SetUp() override { playtest::ResetField(7); }
    void TearDown() override { playtest::ClearField(); }
    cObjectManager& m = ObjectManager;

    cEnemyBulletBase* Fire(float x, float y, int motion, int graphic, int angle, int turn, int element, float speed,
                           float accel) {
        m.FireEnemyBullet(x, y, static_cast<BulletMotion>(motion), static_cast<BulletGraphic>(graphic), angle, turn,
                          elements::FromNumber(element), speed, accel);
        return m.enemyBullets[static_cast<size_t>(m.enemyBulletCursor)];
    }
};

TEST_F(EnemyBulletTest, GalleryMatchesThePictureTableForEveryMotionAndBothElements) {
    ScrollX = 30.0f;
    ScrollY = 50.0f;
    for (int element = 0; element < 2; ++element) {
        for (const BulletGraphic kind : PlainKinds()) {
            const bulletlook::Graphic r = bulletlook::GraphicOf(kind);
            const int code = static_cast<int>(kind);
            for (int motion = 1; motion <= 18; ++motion) {
                m.ResetForStage();
                playtest::QuadRecorder rec;
                cEnemyBulletBase* b = Fire(300.0f, 250.0f, motion, code, 1000, 0, element, 0.0f, 0.0f);
                b->radius = 33;
                b->spin = 500;
                m.DrawObjects();
                ASSERT_EQ(rec.quads.size(), 1u) << "graphic " << code << " motion " << motion;
                const playtest::Quad& q = rec.quads[0];
                // A kind that keeps the radius is drawn at twice it.
                const bool sized = r.radius < 0;
                EXPECT_EQ(b->radius, sized ? 33 : r.radius) << code;
                EXPECT_EQ(q.slot, r.slot) << code;
                EXPECT_FLOAT_EQ(q.src[0], float(element * 512 + r.c)) << code;
                EXPECT_FLOAT_EQ(q.src[1], float(r.sy));
                EXPECT_FLOAT_EQ(q.src[2], float(r.sw));
                EXPECT_FLOAT_EQ(q.src[3], float(r.sh));
                EXPECT_FLOAT_EQ(q.dst[0], 300.0f - 30.0f - (sized ? 33.0f : float(r.ox))) << code;
                EXPECT_FLOAT_EQ(q.dst[1], 250.0f - 50.0f - (sized ? 33.0f : float(r.oy))) << code;
                EXPECT_FLOAT_EQ(q.dst[2], sized ? 66.0f : float(r.w));
                EXPECT_FLOAT_EQ(q.dst[3], sized ? 66.0f : float(r.h));
                const uint32_t colour = uint32_t(r.alpha) << 24 | uint32_t(r.grey) * 0x010101u;
                EXPECT_EQ(q.colour, colour) << code;
                switch (r.turn) {
                case bulletlook::kPlain: EXPECT_FALSE(q.turned) << code; break;
                case bulletlook::kSpinAdd:
                    EXPECT_TRUE(q.turned);
                    EXPECT_EQ(q.angle, 500 + r.step) << code;
                    break;
                case bulletlook::kSpinIsAngle:
                    EXPECT_EQ(q.angle, 1000 + r.step) << code;
                    EXPECT_EQ(b->spin, 1000);
                    break;
                case bulletlook::kAngle: EXPECT_EQ(q.angle, 1000 + r.step) << code; break;
                case bulletlook::kSpinZero:
                    EXPECT_TRUE(q.turned);
                    EXPECT_EQ(q.angle, 0);
                    EXPECT_EQ(b->spin, 0);
                    break;
                }
            }
        }
    }
}

TEST_F(EnemyBulletTest, SpecialGraphicsFadeSizeAndIgnoreTheElement) {
    playtest::QuadRecorder rec;
    // 17: alpha (250 - frame) & 255 turned by the heading.
    cEnemyBulletBase* b = Fire(100, 100, 1, 17, 2000, 0, 1, 0, 0);
    b->frame = 260;
    m.DrawObjects();
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_EQ(rec.quads[0].colour >> 24, uint32_t((250 - 260) & 255));
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 512 + 87);
    EXPECT_EQ(b->radius, 8);
    // 100: the cancelled spark, same picture for every element.
    rec.quads.clear();
    b->graphicKind = BulletGraphic::kCancelled;
    b->element = elements::kCancelled;
    m.DrawObjects();
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 400.0f);
    EXPECT_EQ(rec.quads[0].slot, 10);
    EXPECT_EQ(b->radius, 4);
    // Kinds without a row draw nothing and keep the radius.
    for (int kind : {0, 12, 25, 49, 56, 99, 101, -3}) {
        rec.quads.clear();
        b->graphicKind = static_cast<BulletGraphic>(kind);
        b->radius = 21;
        m.DrawObjects();
        EXPECT_TRUE(rec.quads.empty()) << kind;
        EXPECT_EQ(b->radius, 21);
    }
}

TEST_F(EnemyBulletTest, CorruptSelectorsDrawWithoutOverflow) {
    // A schedule's element reaches bullets, effects and items unchecked.
    playtest::QuadRecorder rec;
    cEnemyBulletBase* emitter = Fire(100, 100, 5, 1, 0, 0, -2147483647 - 1, 0, 0);
    for (int i = 0; i < 5; ++i) emitter->Move();  // its child's element wraps
    Fire(100, 100, 1, 2, 0, 0, 2147483647, 0, 0);
    m.DrawObjects();
    m.SpawnEffect(100, 100, effect::kHitFlash, 2147483647, 0);
    m.SpawnEffect(100, 100, effect::kAbsorbGlow, -2147483647, 0);
    m.UpdateEffects();
    m.SpawnStageObject(100, 100, 101, 0, 0, elements::FromNumber(2147483647), 0, 0, 1, 0);
    m.SpawnStageObject(100, 100, 112, 0, 0, elements::FromNumber(2147483647), 0, 0, 1, 0);
    for (cEnemyObjectBase* e : m.enemyList) e->Draw();
    EXPECT_EQ(m.enemyBullets[2]->element, 2147483647 - 2);
    EXPECT_FLOAT_EQ(rec.quads[2].src[0], 2147483647.0f * 512.0f + 148.0f);
    EXPECT_GE(rec.quads.size(), 8u);
}

TEST_F(EnemyBulletTest, Graphic16PicksItsRadiusOnlyWhenDrawnAtFrameOne) {
    cEnemyBulletBase* off = Fire(100, 900, 1, 16, 0, 0, 0, 0, 0);
    off->radius = 12;
    cEnemyBulletBase* on = Fire(100, 100, 1, 16, 0, 0, 0, 0, 0);
    off->frame = on->frame = 1;
    m.DrawObjects();
    EXPECT_EQ(off->radius, 12);
    EXPECT_GE(on->radius, 15);
    EXPECT_LT(on->radius, 60);
    const int picked = on->radius;
    on->frame = 2;
    m.DrawObjects();
    EXPECT_EQ(on->radius, picked);
}

TEST_F(EnemyBulletTest, Graphic13SharesOneFadeCounter) {
    playtest::QuadRecorder rec;
    cEnemyBulletBase* a = Fire(100, 100, 1, 13, 0, 0, 0, 0, 0);
    cEnemyBulletBase* b = Fire(200, 100, 1, 13, 0, 0, 0, 0, 0);
    a->frame = 1;
    b->frame = 300;
    m.DrawObjects();  // a sets 255, b lowers it once
    ASSERT_EQ(rec.quads.size(), 2u);
    EXPECT_EQ(rec.quads[0].colour >> 24, 255u);
    EXPECT_EQ(rec.quads[1].colour >> 24, 254u);
    a->frame = 301;
    m.DrawObjects();
    EXPECT_EQ(rec.quads[3].colour >> 24, 252u);
    EXPECT_FALSE(rec.quads[0].turned);
}

TEST_F(EnemyBulletTest, MotionThreeReaimsAtFrameNinety) {
    playtest::StartPlayers(1, false, 320, 400);
    cEnemyBulletBase* b = Fire(100, 100, 3, 1, 0, 0, 0, 2.0f, 0.0f);
    for (int i = 0; i < 89; ++i) b->Move();
    EXPECT_EQ(b->angle, 0);
    EXPECT_NEAR(b->x, 100.0f + 89 * 2.0f, 1e-3);
    Player1->aimX = b->x + 2.0f;  // where the player is at the bullet's frame 90
    Player1->aimY = 900.0f;
    b->Move();
    const uint32_t expected = Kestra::Atan(Player1->aimX - b->x, Player1->aimY - b->y);
    EXPECT_EQ(uint32_t(b->angle), expected);
    const int fixed = b->angle;
    Player1->aimY = -500.0f;
    b->Move();
    EXPECT_EQ(b->angle, fixed);
}

TEST_F(EnemyBulletTest, MotionFourAndFiveEmitChildren) {
    cEnemyBulletBase* parent = Fire(300, 200, 4, 2, 100, 0, 0, 0.0f, 0.0f);
    for (int i = 0; i < 19; ++i) parent->Move();
    EXPECT_EQ(m.enemyBulletCursor, 1);
    parent->Move();
    ASSERT_EQ(m.enemyBulletCursor, 2);
    const cEnemyBulletBase* child = m.enemyBullets[2];
    EXPECT_EQ(child->angle, 100 + 20 * 50);
    EXPECT_EQ(child->motionKind, BulletMotion::kPlain2);
    EXPECT_EQ(child->graphicKind, BulletGraphic::kOrb);  // its own picture, not the parent's
    EXPECT_FLOAT_EQ(child->speed, 0.0f);
    EXPECT_FLOAT_EQ(child->accel, 0.005f);
    EXPECT_TRUE(child->element == 0 || child->element == 1);

    m.ResetForStage();
    cEnemyBulletBase* emitter = Fire(300, 200, 5, 0, 1000, 0, 3, 1.0f, 0.0f);
    playtest::QuadRecorder rec;
    m.DrawObjects();
    EXPECT_TRUE(rec.quads.empty());  // invisible
    for (int i = 0; i < 5; ++i) emitter->Move();
    ASSERT_EQ(m.enemyBulletCursor, 2);
    EXPECT_EQ(m.enemyBullets[2]->element, 0);
    EXPECT_EQ(m.enemyBullets[2]->angle, 1000 + 15535);
    EXPECT_EQ(m.enemyBullets[2]->motionKind, BulletMotion::kAimsAt90);
    EXPECT_EQ(m.enemyBullets[2]->graphicKind, BulletGraphic::kOrb);
    EXPECT_FLOAT_EQ(m.enemyBullets[2]->speed, 3.0f);
}

TEST_F(EnemyBulletTest, TimedKindsEndAndDelayedKindsWait) {
    struct Case {
        int motion, ends;
    };
    for (const Case c : {Case{7, 140}, Case{13, 400}, Case{15, 225}}) {
        cEnemyBulletBase* b = Fire(300, 200, c.motion, 1, 0, 0, 0, 0.0f, 0.0f);
        for (int i = 1; i < c.ends; ++i) b->Move();
        EXPECT_EQ(b->isActive, 1) << c.motion;
        b->Move();
        EXPECT_EQ(b->isActive, 0) << c.motion;
    }
    cEnemyBulletBase* still = Fire(300, 200, 14, 1, 0, 0, 0, 2.0f, 0.0f);
    for (int i = 0; i < 149; ++i) still->Move();
    EXPECT_FLOAT_EQ(still->x, 300.0f);
    still->Move();
    EXPECT_FLOAT_EQ(still->x, 302.0f);
    cEnemyBulletBase* none = Fire(300, 200, 19, 1, 0, 0, 0, 2.0f, 0.0f);
    none->Move();
    EXPECT_EQ(none->frame, 0);
}

TEST_F(EnemyBulletTest, MotionTwelveComparesTheUnwrappedHeading) {
    playtest::StartPlayers(1, false, 400, 200);
    cEnemyBulletBase* b = Fire(100, 200, 12, 1, 70000, 30, 0, 0.0f, 0.0f);
    b->Move();
    EXPECT_EQ(b->angle, 70000 - 30);
    b->Move();
    EXPECT_EQ(b->angle, 70000 - 60);
    cEnemyBulletBase* on = Fire(100, 200, 12, 1, 0, 30, 0, 0.0f, 0.0f);
    on->Move();
    EXPECT_EQ(on->angle, -30);  // on its aim it turns the negative way
}

TEST_F(EnemyBulletTest, CirclingKindsStayNearTheirDriftingCentre) {
    cEnemyBulletBase* b9 = Fire(300, 200, 9, 1, 0, 0, 0, 0.0f, 0.0f);
    float maxR9 = 0;
    for (int i = 0; i < 131; ++i) {
        b9->Move();
        maxR9 = std::max(maxR9, std::hypot(b9->x - 300.0f, b9->y - 200.0f));
    }
    EXPECT_NEAR(maxR9, 2 * 83.4f, 2.0f);  // the diameter of a circle of about 83 px
    EXPECT_NEAR(std::hypot(b9->x - 300.0f, b9->y - 200.0f), 0.0f, 8.0f);
    cEnemyBulletBase* b17 = Fire(300, 200, 17, 1, 0, 0, 0, 0.0f, 0.0f);
    float maxR17 = 0;
    for (int i = 0; i < 218; ++i) {
        b17->Move();
        maxR17 = std::max(maxR17, std::hypot(b17->x - 300.0f, b17->y - 200.0f));
    }
    EXPECT_NEAR(maxR17, 2 * 104.3f, 2.0f);
}

TEST_F(EnemyBulletTest, MotionEighteenTurnsFiveTimes) {
    cEnemyBulletBase* b = Fire(300, 200, 18, 1, 0, 0, 0, 0.0f, 0.0f);
    for (int i = 0; i < 300; ++i) b->Move();
    EXPECT_EQ(b->angle, 5 * 10922);
    EXPECT_TRUE(b->accel == 0.0f || b->accel == 1.0f);
}

TEST_F(EnemyBulletTest, CancelledBulletsHomeOnPlayerOneAndAreCollected) {
    playtest::StartPlayers(1, false, 320, 460);
    Player1->gauge = 50.0f;
    m.enemyBullets[size_t(m.enemyBulletCursor) + 1]->frame = 9;  // a slot's old frame is not kept
    cEnemyBulletBase* above = Fire(320, -100, 1, 3, 0, 0, 1, 3.0f, 0.0f);
    EXPECT_EQ(above->frame, 0);
    cEnemyBulletBase* side = Fire(600, 300, 1, 3, 0, 0, 0, 3.0f, 0.0f);
    side->frame = 7;  // the cancel starts it over
    cEnemyBulletBase* idle = m.enemyBullets[50];
    m.CancelEnemyBullets();
    EXPECT_EQ(idle->element, 1);
    for (cEnemyBulletBase* b : {above, side}) {
        EXPECT_EQ(b->element, 10);
        EXPECT_EQ(b->motionKind, BulletMotion::kHoming);
        EXPECT_EQ(b->graphicKind, BulletGraphic::kCancelled);
        EXPECT_FLOAT_EQ(b->speed, 0.0f);
        EXPECT_FLOAT_EQ(b->accel, 0.1f);
        EXPECT_EQ(b->frame, 0);
    }
    const int score = Player1->score;
    for (int i = 0; i < 120 && (above->isActive || side->isActive); ++i) playtest::PlayFrame();
    EXPECT_EQ(above->isActive, 0);
    EXPECT_EQ(side->isActive, 0);
    EXPECT_EQ(Player1->score, score + 20);
    EXPECT_NEAR(Player1->gauge, 50.08f, 1e-4);
    EXPECT_EQ(Player1->life, 5);
}

TEST_F(EnemyBulletTest, DestroyAllEnemiesKillsActiveListObjectsWithoutPaying) {
    playtest::StartPlayers(1, false);
    m.SpawnStageObject(100, 100, 101, 0, 0, elements::kFire, 0, 0, 1, 0);
    m.SpawnStageObject(200, 100, 112, 0, 0, elements::kFire, 0, 0, 1, 0);
    m.SpawnStageObject(300, 100, 300, 0, 0, elements::kFire, 0, 0, 1, 500);  // asleep
    m.DestroyAllEnemies();
    EXPECT_EQ(m.enemyList[0]->isDying, 1);
    EXPECT_EQ(m.enemyList[1]->isDying, 1);
    EXPECT_EQ(m.enemyList[2]->isDying, 0);
    EXPECT_EQ(m.effectCursor, 18);
    EXPECT_EQ(m.effects[1]->kind, 1);
    for (int i = 2; i <= 9; ++i) {
        EXPECT_EQ(m.effects[size_t(i)]->kind, 4);
        EXPECT_FLOAT_EQ(m.effects[size_t(i)]->speed, 6.0f);
        EXPECT_EQ(m.effects[size_t(i)]->value, 0);
    }
    EXPECT_EQ(Player1->score, 0);
    m.SweepObjects();
    EXPECT_EQ(m.enemyList.size(), 1u);
}

}  // namespace
