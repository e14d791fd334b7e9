// The rules of each boss beyond its volleys: Shamyu's dashes, edge bursts and
// chase; Fururu's program-wide summoning rhythm and the scroll of the hardest
// fight; Still's reflection, counter fire and 50 px reach; the twins' two
// bodies on one hp, the catch ball and the chasing rings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/KestraMath.h"
#include "game/bosses/Stage01Boss.h"
#include "game/bosses/Stage02Boss.h"
#include "game/bosses/Stage03Boss.h"
#include "game/bosses/Stage04Boss.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::ActiveEffects;
using bosstest::BossField;
using bosstest::Fired;

// The angle from a boss to player 1's aim point.
int32_t AimAtPlayer(const cBossBase* b) {
    return static_cast<int32_t>(Kestra::Atan(Player1->aimX - b->x, Player1->aimY - b->y));
}

// ---- Shamyu.

TEST_F(BossField, ShamyuDashesOnUntilSheLeavesTheViewThenTurnsAndChangesElement) {
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 4, 320, 240);
    PlacePlayer(Player1, 330, 300);
    float lastX = 0, lastY = 0;
    int32_t resetAt = -1;
    for (int32_t frame = 1; frame <= 400 && resetAt < 0; ++frame) {
        const int32_t timer = b->phaseTimer;
        lastX = b->x, lastY = b->y;
        const int effects = ActiveEffects();
        b->Update();
        if (b->phaseTimer == 0 && timer > 0) {
            resetAt = frame;
            EXPECT_TRUE(BoxOutOfView(b->x, b->y, 40.0f));
            EXPECT_FALSE(BoxOutOfView(lastX, lastY, 40.0f));  // the first frame out
            EXPECT_EQ(ActiveEffects(), effects + 9);
        }
        if (frame <= 140) {
            ASSERT_FLOAT_EQ(b->y, 240.0f) << frame;  // standing until the dash
        }
    }
    ASSERT_GT(resetAt, 183);
    EXPECT_EQ(b->element, 0);  // flipped from 1
    // A straight dash: the step never changed on the way.
    const float stepX = b->x - lastX, stepY = b->y - lastY;
    EXPECT_NEAR(std::sqrt(stepX * stepX + stepY * stepY), 3.0f, 0.001f);
    EXPECT_GT(stepY, 0.0f);
}

TEST_F(BossField, ShamyuBurstsHerHalfRingOnlyOutOfViewAndAfterHerWait) {
    struct Case {
        int32_t difficulty;
        float x;          // the box's left edge is x - 40
        int32_t timer;    // phaseTimer before the Update
        int32_t bullets;  // of the half ring
    };
    const Case cases[] = {{1, 40.0f, 300, 0},    // on the edge: inside
                          {1, 39.9f, 300, 70},   // past it
                          {1, 39.9f, 181, 0},    // 182 after the Update: not past its wait
                          {1, 39.9f, 182, 70},   // 183
                          {2, 39.9f, 31, 0},     // 32 on the hardest
                          {2, 39.9f, 32, 64}};   // 33
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.difficulty << " " << c.x << " " << c.timer);
        GameState.difficulty = c.difficulty;
        Stage01Boss* b = MakeAt<Stage01Boss>(200, 8, c.x, 240);
        b->phaseTimer = c.timer;
        b->moveAngle = 0;
        b->moveSpeed = 0.0f;  // stopped where it stands
        const std::vector<Fired> fired = RunBoss(1);
        EXPECT_EQ(static_cast<int32_t>(fired.size()), c.bullets);
        EXPECT_EQ(sounds.Count("shamyuhit"), c.bullets ? 1 : 0);
        // Pairs at 936 i + 16758 from the dash's heading, elements 1 then 0.
        for (size_t k = 0; k < fired.size() && c.bullets == 70; ++k) {
            EXPECT_EQ(fired[k].angle, 936 * int32_t(k / 2 + 1) + 16758) << k;
            EXPECT_EQ(fired[k].element, k % 2 ? 0 : 1) << k;
            EXPECT_FLOAT_EQ(fired[k].speed, k % 2 ? 0.3f : 0.5f) << k;
        }
        if (c.bullets == 64) {
            EXPECT_EQ(fired[0].angle, 1024 + 16758);
            EXPECT_EQ(fired[1].angle, 1024 + 16908);
            EXPECT_FLOAT_EQ(fired[0].speed, 5.0f);
            EXPECT_FLOAT_EQ(fired[1].speed, 4.6f);
        }
        EXPECT_EQ(b->phaseTimer, c.bullets ? 0 : c.timer + 1);
    }
}

TEST_F(BossField, ShamyusEdgeRestartsOfHerPhaseTimerLeaveHerSecondsCounted) {
    struct Case {
        int32_t phase;
        int32_t timer;    // phaseTimer before the Update, past the phase's wait
        int32_t seconds;  // left after it, from 30
    };
    const Case cases[] = {{4, 200, 30}, {4, 239, 29},  // the count at 240 still falls
                          {6, 950, 30}, {6, 959, 29}, {8, 200, 30}, {8, 299, 29}};
    GameState.difficulty = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", timer " << c.timer);
        Stage01Boss* b = MakeAt<Stage01Boss>(200, c.phase, 39.9f, 240);
        b->phaseTimer = c.timer;
        b->secondsLeft = 30;
        b->moveAngle = 32768;  // on out of the view's left edge
        b->moveSpeed = 1.0f;
        b->Update();
        EXPECT_EQ(b->phase, c.phase);
        EXPECT_EQ(b->phaseTimer, 0);
        EXPECT_EQ(b->secondsLeft, c.seconds);
    }
}

TEST_F(BossField, ShamyusHardestChaseTurnsSixHundredAFrameTheShortWay) {
    GameState.difficulty = 2;
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 6, 320, 240);
    // Straight below (16384) from 0: up by 600 until it passes, then it sits.
    PlacePlayer(Player1, 320, 400);
    b->phaseTimer = 79;
    b->moveAngle = 0;
    std::vector<int32_t> angles, want(30, 16800);
    for (int i = 0; i < 30; ++i) {
        b->x = 320, b->y = 240;
        b->Update();
        angles.push_back(b->moveAngle);
        if (i < 27) want[size_t(i)] = 600 * (i + 1);
    }
    EXPECT_EQ(b->chaseTarget, 16384);
    EXPECT_EQ(angles, want);
    // Up and to the right (above 32768) from 1000: it goes round past 65536.
    PlacePlayer(Player1, 420, 200);
    b->moveAngle = 1000;
    b->x = 320, b->y = 240;
    b->Update();
    EXPECT_GT(b->chaseTarget, 32768);
    EXPECT_EQ(b->moveAngle, 1000 + 65536 - 600);
    for (int i = 0; i < 20; ++i) {
        b->x = 320, b->y = 240;
        b->Update();
    }
    EXPECT_LE(std::abs(b->moveAngle - b->chaseTarget), 600);
}

// ---- Fururu.

TEST_F(BossField, FururusSummoningRhythmShiftsFromFightToFight) {
    GameState.difficulty = 0;
    cBossBase* b = MakeAt(201, 4, 320, 200);
    EXPECT_EQ(SummonFrames(b, 13, 2001), (std::vector<int32_t>{290, 580, 870, 1160, 1450, 1740}));
    EXPECT_EQ(Stage02Boss::summonShift, 60);
    EXPECT_EQ(sounds.Count("puni"), 6);
    // Nothing else comes, each with 10 life.
    ASSERT_EQ(OfType(13).size(), m.enemyList.size());
    for (const cEnemyObjectBase* e : m.enemyList) EXPECT_FLOAT_EQ(e->life, 10.0f);
    // The next fight, as in a later game: the rhythm starts 60 frames early.
    b = MakeAt(201, 4, 320, 200);
    EXPECT_EQ(SummonFrames(b, 13, 600), (std::vector<int32_t>{230, 520}));
    ResetBossProgramCounters();
    EXPECT_EQ(Stage02Boss::summonShift, 0);
}

TEST_F(BossField, FururusHardestFightLetsTheStageScrollOn) {
    for (int32_t d : {1, 2}) {
        GameState.difficulty = d;
        MakeAt(201, 2, 320, 200);
        ScrollHalt = 1;
        BossA->Update();
        EXPECT_EQ(ScrollHalt, d == 2 ? 0 : 1) << d;
    }
}

// ---- Still.

class StillField : public BossField {
protected:
    Stage03Boss* Still(int32_t phase, int32_t difficulty) {
        GameState.difficulty = difficulty;
        Stage03Boss* b = MakeAt<Stage03Boss>(202, phase, 300, 200, 16384);
        b->element = elements::kFire;
        return b;
    }
};

TEST_F(StillField, TheShieldReflectsOnlyItsOwnElementOnceInElevenFrames) {
    struct Fans {
        int32_t difficulty, a, b;
        float speedA, speedB;
    };
    const Fans fans[] = {{0, 6, 10, 3.0f, 2.0f}, {1, 11, 19, 6.0f, 5.0f}, {2, 11, 19, 6.0f, 5.9f}};
    for (const Fans& c : fans) {
        SCOPED_TRACE(c.difficulty);
        Stage03Boss* b = Still(4, c.difficulty);
        b->phaseTimer = 1;  // away from the element changes and the big shot
        cPlayerBulletBase* other = Shot(355, 200, 1);
        RunBoss(1);
        EXPECT_EQ(b->reflecting, 0);  // another element does not start it
        other->isActive = 0;
        cPlayerBulletBase* own = Shot(300, 259, 0);  // 59 px away
        std::vector<Fired> fired = RunBoss(1);
        EXPECT_EQ(b->reflecting, 1);
        EXPECT_TRUE(fired.empty());
        EXPECT_EQ(sounds.Count("draw_block"), 1);
        fired = RunBoss(1);  // the timer reads 10: both fans
        ASSERT_EQ(static_cast<int32_t>(fired.size()), c.a + c.b);
        const int32_t aim = AimAtPlayer(b);
        for (int32_t i = 0; i < c.a + c.b; ++i) {
            const Fired& f = fired[size_t(i)];
            const bool fanA = i < c.a;
            EXPECT_EQ(f.motion, 8);
            EXPECT_EQ(f.graphic, 1);
            EXPECT_EQ(f.turn, fanA ? 100 : -100);
            EXPECT_EQ(f.element, fanA ? 0 : 1);
            EXPECT_FLOAT_EQ(f.speed, fanA ? c.speedA : c.speedB);
            EXPECT_FLOAT_EQ(f.accel, fanA ? 0.017f : 0.003f);
            EXPECT_GE(f.angle - aim, -16758);
            EXPECT_LE(f.angle - aim, 32767 - 16758);
        }
        // The shot stays near: no new reflection until the eleven frames are over.
        fired = RunBoss(8);
        EXPECT_TRUE(fired.empty());
        EXPECT_EQ(b->reflecting, 1);
        RunBoss(1);
        EXPECT_EQ(b->reflecting, 0);
        EXPECT_EQ(sounds.Count("draw_block"), 1);
        RunBoss(1);
        EXPECT_EQ(b->reflecting, 1);
        EXPECT_EQ(sounds.Count("draw_block"), 2);
        own->isActive = 0;
    }
}

// The shield changes its element every 300 frames (50 on difficulty 2) behind
// a ring in the element it leaves.
TEST_F(StillField, TheShieldFlipsOnItsPeriodBehindARingOfTheElementItLeaves) {
    for (const int32_t d : {1, 2}) {
        SCOPED_TRACE(d);
        Stage03Boss* b = Still(4, d);
        b->phaseTimer = d == 2 ? 48 : 298;
        RunBoss(1);
        EXPECT_EQ(b->element, elements::kFire);
        const int effects = ActiveEffects();
        RunBoss(1);
        EXPECT_EQ(b->element, elements::kIce);
        EXPECT_EQ(sounds.Count("changeattribute"), 1);
        ASSERT_EQ(ActiveEffects(), effects + 1);
        const cEffectObjectBase* ring = ObjectManager.effects[size_t(ObjectManager.effectCursor)];
        EXPECT_EQ(ring->kind, effect::kRing);
        EXPECT_EQ(ring->value, elements::kFire);
    }
}

TEST_F(StillField, TakesShotsFromFiftyPixels) {
    Stage03Boss* b = Still(2, 1);
    b->hp = 30.0f;
    cPlayerBulletBase* near = Shot(300, 249.9f, 1);
    cPlayerBulletBase* far = Shot(350.1f, 200.0f, 1);
    b->HitTest();
    EXPECT_EQ(near->isActive, 0);
    EXPECT_EQ(far->isActive, 1);
    EXPECT_FLOAT_EQ(b->hp, 29.0f);
}

TEST_F(StillField, TheHerosShieldAnswersEachHitWithAFanOfAlternatingElement) {
    Stage03Boss* b = Still(8, 1);
    b->hp = 100.0f;
    std::vector<int32_t> elements;
    for (int32_t timer : {10, 11, 240, 241}) {
        b->phaseTimer = timer;
        Shot(300, 230, 1);
        const std::vector<Fired> fired = Record(1, [b] { b->HitTest(); });
        if (timer > 240) {
            EXPECT_TRUE(fired.empty());
            continue;
        }
        ASSERT_EQ(fired.size(), 11u) << timer;
        const int32_t aim = AimAtPlayer(b);
        for (int32_t k = 0; k <= 10; ++k) {
            const int32_t spread = fired[size_t(k)].angle - aim + 6000 - 1000 * k;
            EXPECT_GE(spread, 0);
            EXPECT_LT(spread, 1000);
            EXPECT_EQ(fired[size_t(k)].graphic, 6);
            EXPECT_FLOAT_EQ(fired[size_t(k)].speed, 4.0f);
        }
        elements.push_back(fired[0].element);
    }
    EXPECT_EQ(elements, (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(sounds.Count("draw_block"), 3);
}

TEST_F(StillField, TheBitsAttackCountersEveryThirdFrameByTheShotsElement) {
    Stage03Boss* b = Still(6, 1);
    b->phaseTimer = 41;  // the bits came at 40
    cPlayerBulletBase* shot = Shot(300, 255, 0);
    std::vector<Fired> fired = RunBoss(3);  // frames 42, 43, 44
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[0].step, 1);
    EXPECT_EQ(fired[2].motion, 12);
    EXPECT_EQ(fired[2].turn, 120);
    const int32_t aim = AimAtPlayer(b);
    EXPECT_EQ(fired[0].angle, aim - 2000);
    EXPECT_EQ(fired[1].angle, aim + 2000);
    shot->element = elements::kIce;  // the other element: one slow bullet
    fired = RunBoss(3);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_FLOAT_EQ(fired[0].speed, 0.7f);
    shot->isActive = 0;
    EXPECT_TRUE(RunBoss(6).empty());
}

// ---- The twins.

class TwinsField : public BossField {
protected:
    Stage04Boss* Twins(int32_t phase) {
        Stage04Boss* b = MakeAt<Stage04Boss>(203, phase, 200, 200);
        b->x2 = 400;
        b->y2 = 300;
        b->hp = 50.0f;
        return b;
    }
};

TEST_F(TwinsField, BothBodiesDrainOneHpBodyTwoSilentlyByItsOwnElement) {
    playtest::StartPlayers(1, true, 320, 440);
    Stage04Boss* b = Twins(4);
    struct Hit {
        float x, y;
        int32_t element, owner;
        float hp;
        const char* sound;
    };
    const Hit hits[] = {{210, 200, 0, 0, 49.0f, "enemydamage_small"},
                        {200, 230, 1, 1, 47.0f, "rt_cursor01"},
                        {400, 330, 1, 1, 46.0f, nullptr},
                        {390, 300, 0, 0, 44.0f, nullptr}};
    for (const Hit& h : hits) {
        SCOPED_TRACE(h.hp);
        sounds.played.clear();
        cPlayerBulletBase* s = Shot(h.x, h.y, h.element, 2.0f, h.owner);
        b->HitTest();
        EXPECT_EQ(s->isActive, 0);
        EXPECT_FLOAT_EQ(b->hp, h.hp);
        EXPECT_EQ(b->lastHitter, h.owner);
        EXPECT_EQ(sounds.played, h.sound ? std::vector<std::string>{h.sound} : std::vector<std::string>{});
    }
}

TEST_F(TwinsField, TheCatchBallIsCaughtByBodyTwoAndThrownByBodyOneAndNothingElseIsTouched) {
    Stage04Boss* b = Twins(6);
    cEnemyObjectBase* free2 = SpawnActive(63, 430, 300, 0, 0, 0, 1, 0, 100);
    cEnemyObjectBase* free1 = SpawnActive(63, 200, 240, 0, 0, 0, 1, 0, 100);
    cEnemyObjectBase* held1 = SpawnActive(63, 210, 200, 777, 0, 0, 1, 0, 100);
    held1->mode = 1;
    cEnemyObjectBase* box = SpawnActive(111, 205, 205, 0, 0, 0, 0, 0, 10);  // an item box holding an item of kind 2
    cEnemyObjectBase* box2 = SpawnActive(111, 405, 305, 0, 0, 0, 0, 0, 10);
    ASSERT_TRUE(free2 && free1 && held1 && box && box2);
    ASSERT_EQ(box->mode, 2);
    box2->mode = 0;  // an empty box: its content reads as a free ball's
    b->HitTest();
    EXPECT_EQ(free2->mode, 1);  // caught
    EXPECT_EQ(sounds.Count("nonochach"), 1);
    EXPECT_EQ(free1->mode, 0);  // thrown toward body 2
    EXPECT_EQ(free1->angle, static_cast<int32_t>(Kestra::Atan(400 - 200, 300 - 200)));
    EXPECT_EQ(held1->mode, 1);  // on its way home: left alone
    EXPECT_EQ(held1->angle, 777);
    EXPECT_EQ(box->mode, 2);
    EXPECT_EQ(box2->mode, 0);
    EXPECT_EQ(box->angle, 0);
    // Outside the catch ball nothing is held.
    free2->mode = 0;
    b->phase = 4;
    b->HitTest();
    EXPECT_EQ(free2->mode, 0);
}

TEST_F(TwinsField, TheTagRingsFormAroundTheChasingBodyAndTravelWithIt) {
    GameState.difficulty = 1;
    Stage04Boss* b = Twins(10);
    b->x = 320, b->y = 100;
    PlacePlayer(Player1, 320, 400);
    b->Update();  // frame 1: the first ring
    EXPECT_EQ(sounds.Count("rt_star14"), 1);
    const std::vector<cEnemyObjectBase*> ring = OfType(73);
    ASSERT_EQ(ring.size(), 21u);
    // The ring is placed around the body as it stood before its first step
    // (summons take whole screen pixels).
    const float cx = b->x, cy = b->y - 1.5f;
    for (size_t i = 0; i < ring.size(); ++i) {
        const int32_t a = 3276 * int32_t(i);
        EXPECT_EQ(ring[i]->x, std::trunc(cx + 120.0f * Kestra::Cos(static_cast<uint32_t>(a)))) << i;
        EXPECT_EQ(ring[i]->y, std::trunc(cy + 120.0f * Kestra::Sin(a))) << i;
        EXPECT_EQ(ring[i]->angle, a);
        EXPECT_EQ(ring[i]->element, 0);
        EXPECT_FLOAT_EQ(ring[i]->life, 888.0f);
    }
    m.SweepObjects();  // wakes them on this stage frame
    const float x0 = b->x, y0 = b->y, rx = ring[5]->x, ry = ring[5]->y;
    for (int i = 0; i < 10; ++i) b->Update();
    EXPECT_NEAR(b->y - y0, ring[5]->y - ry, 1e-3f);
    EXPECT_NEAR(b->x - x0, ring[5]->x - rx, 1e-3f);
    EXPECT_NEAR(b->y - y0, 15.0f, 0.01f);  // 1.5 a frame toward player 1
    // Body 2 with its own ring from frame 300.
    b->phaseTimer = 299;
    b->Update();
    EXPECT_EQ(OfType(74).size(), 21u);
}

}  // namespace
