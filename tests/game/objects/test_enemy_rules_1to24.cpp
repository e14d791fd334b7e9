// Enemies 1 to 24 beyond their firing tables: the fleeing 06, the shot-angered
// 07 and 23, the watcher 08, the late-waking 14, the drifter 16, the script of
// 21, the band slider 24 and the drops of the own hit tests.
#include <gtest/gtest.h>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "tests/game/objects/enemy_probe.h"

namespace {

using enemytest::Fired;

class EnemyRules : public enemytest::EnemyField {
protected:
    int CountEffects(int kind) const {
        int n = 0;
        for (const cEffectObjectBase* f : m.effects) n += f->isActive && f->kind == kind;
        return n;
    }
};

TEST_F(EnemyRules, SixFleesForThirtyFramesAfterEveryHitAndDropsTheSmallItem) {
    cEnemyObjectBase* e = Spawn(6, 320, 100, 0, 0, 0, 2.0f, 0.0f, 3.0f);
    EXPECT_EQ(e->dropCode, 2);
    Shot(320, 100, 1);
    e->HitTest();
    EXPECT_EQ(e->mode, 1);
    EXPECT_EQ(e->frame, 0);
    EXPECT_EQ(CountEffects(3), 0);  // no hit flash
    // Fleeing: straight away from player 1 below at 1.5 x speed, a volley at 20.
    const auto shots = Run(e, 30);
    EXPECT_NEAR(e->y, 100.0f - 30 * 3.0f, 0.01f);
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_EQ(shots[0].step, 20);
    EXPECT_EQ(shots[2].angle, 16384 + 2000);
    EXPECT_EQ(e->mode, 0);
    // Back to wandering: moves along its heading, fires one at 70.
    const float y = e->y;
    const auto calm = Run(e, 40);
    EXPECT_FLOAT_EQ(e->y, y + 40 * 2.0f);
    ASSERT_EQ(calm.size(), 1u);
    EXPECT_EQ(calm[0].step, 40);
    EXPECT_FLOAT_EQ(calm[0].speed, 3.0f);
    // Killed: item 103 at once, whatever dropCode says.
    Shot(e->x, e->y, 1);
    Shot(e->x, e->y, 1);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    ASSERT_EQ(OfType(103).size(), 1u);
    EXPECT_EQ(OfType(101).size(), 0u);
    EXPECT_EQ(Player1->score, 1000);
}

TEST_F(EnemyRules, SixWandersAndAimsEveryOneSixtyFrames) {
    cEnemyObjectBase* e = Spawn(6, 320, 100, 0, 0, 0, 1.0f, 0.5f);
    Run(e, 159);
    EXPECT_EQ(e->angle, 0);
    EXPECT_NEAR(e->x, 320.0f + 159, 0.01f);  // no acceleration while wandering
    const float x = e->x;
    Run(e, 1);  // aims, then moves along the new heading
    EXPECT_EQ(e->angle, int(Kestra::Atan(320 - x, 200)));
}

TEST_F(EnemyRules, SevenAnswersItsOwnElementWithTwoShotsAndKeepsElementTwoInItsDrop) {
    cEnemyObjectBase* e = Spawn(7, 320, 100, 16384, 0, 2, 0.0f, 0.0f, 10.0f);
    Shot(320, 100, 0);
    e->HitTest();
    EXPECT_EQ(m.enemyBulletCursor, 0);  // another element: no answer
    e->element = elements::kFire;
    Shot(320, 100, 0);
    e->HitTest();
    ASSERT_EQ(m.enemyBulletCursor, 2);
    EXPECT_EQ(m.enemyBullets[1]->graphicKind, BulletGraphic::kArrow);
    EXPECT_EQ(m.enemyBullets[2]->motionKind, BulletMotion::kPlain);
    EXPECT_FLOAT_EQ(e->life, 8.5f);
    e->element = elements::kEveryone;
    for (int i = 0; i < 9; ++i) Shot(320, 100, 1);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    ASSERT_EQ(OfType(103).size(), 1u);
    EXPECT_EQ(OfType(103)[0]->element, 2);
    EXPECT_EQ(Player1->score, 500);
}

TEST_F(EnemyRules, EightWatchesWithinOneSixtyAndCountsOnlyThen) {
    cEnemyObjectBase* e = Spawn(8, 320, 140, 0, 0, 1, 0.0f);  // 160 px above player 1
    e->HitTest();
    EXPECT_EQ(e->mode, 1);
    EXPECT_EQ(e->angle, 16384);
    const auto shots = Run(e, 40);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].step, 40);
    EXPECT_GE(shots[0].angle, 16384 - 3000);
    EXPECT_LT(shots[0].angle, 16384 + 5000);
    e->y = 139.5f;
    e->HitTest();
    EXPECT_EQ(e->mode, 0);
    const int counted = e->frame;
    EXPECT_TRUE(Run(e, 100).empty());
    EXPECT_EQ(e->frame, counted);
    // In two-player mode a second player in range turns it toward player 2.
    GameState.twoPlayer = 1;
    PlacePlayer(Player2, 420, 139.5f);
    e->HitTest();
    EXPECT_EQ(e->mode, 1);
    EXPECT_EQ(e->angle, 0);
    // The hit pass reaches it only inside the widened window.
    e->x = 320 + 800;
    e->mode = 0;
    PlacePlayer(Player1, 1000, 139.5f);
    playtest::PlayFrame();
    EXPECT_EQ(e->mode, 0);
}

TEST_F(EnemyRules, FourteenCannotBeHitBeforeFrameOneTwenty) {
    cEnemyObjectBase* e = Spawn(14, 320, 100, 16384, 0, 0, 0.0f, 0.0f, 1.0f);
    Run(e, 119);
    cPlayerBulletBase* b = Shot(320, 100, 1);
    e->HitTest();
    EXPECT_EQ(b->isActive, 1);
    EXPECT_FLOAT_EQ(e->life, 1.0f);
    Run(e, 1);
    e->HitTest();
    EXPECT_EQ(b->isActive, 0);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(OfType(103).size(), 1u);
}

TEST_F(EnemyRules, SixteenDriftsSidewaysBySpeed) {
    cEnemyObjectBase* e = Spawn(16, 320, 100, 16384, 100, 1, 1.0f, 0.5f);
    Run(e, 2);
    // Turned first: 16484, then 16584; 1.5 px a step; x += 1.5 then 2.0.
    const float x = 320.0f + Kestra::Cos(16484) * 1.5f + 1.5f + Kestra::Cos(16584) * 1.5f + 2.0f;
    EXPECT_NEAR(e->x, x, 0.001f);
    EXPECT_NEAR(e->y, 100.0f + 3.0f, 0.01f);
    EXPECT_EQ(e->angle, 16584);
}

TEST_F(EnemyRules, TwentyOneFollowsItsScriptAndFansOnTwoLegs) {
    cEnemyObjectBase* e = Spawn(21, 100, 100, 0, 0, 0, 5.0f, 0.0f, 1000.0f);
    auto shots = Run(e, 300);
    EXPECT_NEAR(e->x, 100.0f + 300 * Kestra::Cos(8121) * 0.7f, 0.05f);
    EXPECT_NEAR(e->y, 100.0f + 300 * Kestra::Sin(8121) * 0.5f, 0.05f);
    EXPECT_TRUE(shots.empty());
    shots = Run(e, 480);  // 301..780
    EXPECT_EQ(Steps(shots).size(), 12u);
    EXPECT_EQ(shots.size(), 48u);
    EXPECT_EQ(shots[0].angle, 16383 + 15000);
    EXPECT_EQ(shots[0].turn, -20);
    EXPECT_EQ(shots[1].angle, 16383 - 15000);
    EXPECT_EQ(shots[2].angle, 16383 + 1300 + 15000);
    EXPECT_EQ(shots[3].element, 1);
    Run(e, 2410 - 780);
    const float x = e->x, y = e->y;
    Run(e, 400);  // 2411..2810 still
    EXPECT_FLOAT_EQ(e->x, x);
    EXPECT_FLOAT_EQ(e->y, y);
    // Rotation grows 70 a Draw.
    playtest::QuadRecorder rec;
    e->Draw();
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 2u);
    EXPECT_EQ(rec.quads[1].angle, 140);
    EXPECT_TRUE(rec.quads[1].turned);
}

TEST_F(EnemyRules, TwentyOneSummonsSeventyNinesEveryFourFramesOfItsStillLeg) {
    ScrollX = 50;
    ScrollY = -400;
    cEnemyObjectBase* e = Spawn(21, 150, -300, 0, 0, 0, 0.0f, 0.0f, 1000.0f);
    // Each summon draws its heading: 2344, 2348, ..., 2396 make 14 draws
    // between the bursts of 2340 and 2400.
    e->frame = 2340;
    SeedGameRand(5);
    for (int i = 0; i < 14; ++i) GameRand();
    const int next = GameRand();
    SeedGameRand(5);
    Run(e, 4);  // the first summon, at 2344; it keeps moving along its leg
    const float firstX = e->x, firstY = e->y;
    Run(e, 55);
    EXPECT_EQ(GameRand(), next);
    const auto summoned = OfType(79);
    ASSERT_EQ(summoned.size(), 14u);
    // Screen coordinates, truncated; the manager adds the scroll back on activation.
    EXPECT_FLOAT_EQ(summoned[0]->x, static_cast<float>(static_cast<int>(firstX - 50)));
    EXPECT_FLOAT_EQ(summoned[0]->y, static_cast<float>(static_cast<int>(firstY + 400)));
    EXPECT_EQ(summoned[0]->element, 0);
    EXPECT_FLOAT_EQ(summoned[0]->speed, 2.0f);
    EXPECT_FLOAT_EQ(summoned[0]->accel, -0.002f);
    EXPECT_EQ(summoned[0]->appearFrame, StageFrame);
}

TEST_F(EnemyRules, TwentyThreeTurnsTowardItsShooterAndFiresTwice) {
    GameState.twoPlayer = 1;
    PlacePlayer(Player2, 520, 100);
    cEnemyObjectBase* e = Spawn(23, 320, 100, 0, 0, 1, 0.0f, 0.0f, 10.0f);
    Shot(320, 100, 0, 1.0f, 1);
    e->HitTest();
    EXPECT_EQ(e->angle, 0);  // toward player 2
    ASSERT_EQ(m.enemyBulletCursor, 2);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(m.enemyBullets[size_t(i)]->graphicKind, BulletGraphic::kArrow);
        EXPECT_GE(m.enemyBullets[size_t(i)]->angle, -2000);
        EXPECT_LT(m.enemyBullets[size_t(i)]->angle, 2000);
    }
    Shot(320, 100, 0, 1.0f, 0);
    e->HitTest();
    EXPECT_EQ(e->angle, 16384);  // toward player 1
    EXPECT_EQ(m.enemyBulletCursor, 4);
}

TEST_F(EnemyRules, TwentyFourSlidesWhilePlayersAreInItsBand) {
    cEnemyObjectBase* e = Spawn(24, 100, 300, 0, 0, 1, 2.0f, 1.0f);
    PlacePlayer(Player1, 320, 339.9f);
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 102.0f);
    PlacePlayer(Player1, 320, 340);
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 102.0f);
    // Player 2 counts only in two-player mode; both in the band: two steps.
    PlacePlayer(Player1, 320, 300);
    PlacePlayer(Player2, 320, 261);
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 105.0f);
    GameState.twoPlayer = 1;
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 105.0f + 4.0f + 5.0f);
}

TEST_F(EnemyRules, ThreeAimsEveryFrameUntilNineteenHundred) {
    cEnemyObjectBase* e = Spawn(3, 320, 100, 0, 0, 1, 1.0f);
    Run(e, 10);
    EXPECT_NEAR(e->y, 110.0f, 0.01f);
    EXPECT_EQ(e->angle, 16384);
    e->frame = 1899;
    PlacePlayer(Player1, 600, e->y);
    e->Update();
    EXPECT_EQ(e->angle, 16384);
}

}  // namespace
