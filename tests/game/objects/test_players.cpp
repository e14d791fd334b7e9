// The player character: movement, push-apart, bullets (absorb, hit, collect),
// invincibility, the push back into view, map blocks, the miss and drawing.
#include <gtest/gtest.h>

#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cMapHitObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/play_harness.h"

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(11);
        playtest::StartPlayers(1, false);
        p = Player1;
    }
    void TearDown() override { playtest::ClearField(); }
    void Frames(uint16_t buttons, int count, int player = 0) {
        for (int i = 0; i < count; ++i) {
            playtest::SetButtons(player, buttons);
            playtest::PlayFrame();
        }
    }
    cEnemyBulletBase* Bullet(float dx, float dy, int element) {
        m.FireEnemyBullet(p->aimX + dx, p->aimY + dy, BulletMotion::kUnfired, BulletGraphic::kOrb, 0, 0,
                          elements::FromNumber(element), 0, 0);
        return m.enemyBullets[size_t(m.enemyBulletCursor)];
    }
    cObjectManager& m = ObjectManager;
    cPlayerBase* p = nullptr;
};

TEST_F(PlayerTest, CreationCodesFillBothSlots) {
    EXPECT_EQ(Player1->character, 1);
    EXPECT_EQ(Player1->isActive, 1);
    EXPECT_EQ(Player2->character, 2);
    EXPECT_EQ(Player2->isActive, 0);
    EXPECT_EQ(Player2->playerIndex, 0);
    Player2->SetPosition(100, 100);  // the idle slot takes no hits
    m.FireEnemyBullet(100, 100, BulletMotion::kUnfired, BulletGraphic::kOrb, 0, 0, elements::kEveryone, 0, 0);
    m.HitTestObjects();
    EXPECT_EQ(Player2->life, 5);
    playtest::StartPlayers(2, true);
    EXPECT_EQ(Player1->firstCharacter, 3);
    EXPECT_EQ(Player2->character, 4);
    EXPECT_EQ(Player2->isActive, 1);
    EXPECT_EQ(Player2->playerIndex, 1);
    EXPECT_EQ(Player2->animDir, 4);
}

TEST_F(PlayerTest, DirectChangesStopTheFrameAndHeldDirectHalvesSpeed) {
    // Directions move while held: the frame a button goes down does not move on it.
    Frames(PAD_RIGHT, 3);
    EXPECT_FLOAT_EQ(p->aimX, 326.0f);
    EXPECT_EQ(p->facing, 0);
    EXPECT_EQ(p->animDir, 6);
    Frames(PAD_RIGHT | PAD_DIRECT, 1);  // DIRECT goes down: no move
    EXPECT_FLOAT_EQ(p->aimX, 326.0f);
    Frames(PAD_RIGHT | PAD_DIRECT | PAD_DOWN, 3);  // held: half speed, facing kept
    EXPECT_FLOAT_EQ(p->aimX, 330.5f);
    EXPECT_FLOAT_EQ(p->aimY, 243.0f);
    EXPECT_EQ(p->facing, 0);
    EXPECT_EQ(p->animDir, 6);
    Frames(PAD_LEFT | PAD_DIRECT | PAD_UP, 2);  // and on the other two ways
    EXPECT_FLOAT_EQ(p->aimX, 329.0f);
    EXPECT_FLOAT_EQ(p->aimY, 241.5f);
    Frames(PAD_RIGHT | PAD_DIRECT | PAD_DOWN, 2);
    Frames(PAD_RIGHT | PAD_DOWN, 1);  // DIRECT comes up: no move
    EXPECT_FLOAT_EQ(p->aimX, 330.5f);
    Frames(PAD_RIGHT | PAD_DOWN, 1);  // a diagonal moves full speed on both axes
    EXPECT_FLOAT_EQ(p->aimX, 333.5f);
    EXPECT_FLOAT_EQ(p->aimY, 246.0f);
    EXPECT_EQ(p->facing, 8191);
    EXPECT_EQ(p->animDir, 2);
    Frames(PAD_LEFT | PAD_UP, 2);
    EXPECT_FLOAT_EQ(p->aimX, 330.5f);
    EXPECT_FLOAT_EQ(p->aimY, 243.0f);
    EXPECT_EQ(p->facing, 40957);
    EXPECT_EQ(p->animDir, 8);
    Frames(PAD_LEFT | PAD_DOWN, 2);
    EXPECT_EQ(p->facing, 24574);
    Frames(PAD_RIGHT | PAD_UP, 2);
    EXPECT_EQ(p->facing, 57340);
    Frames(PAD_UP, 1);
    const float speeds[4] = {3.0f, 5.0f, 2.5f, 4.0f};
    for (int c = 1; c <= 4; ++c) {
        p->character = c;
        const float before = p->aimY;
        Frames(PAD_UP, 1);
        EXPECT_FLOAT_EQ(before - p->aimY, speeds[c - 1]) << c;
        EXPECT_EQ(p->facing, 49149);
    }
}

TEST_F(PlayerTest, OwnElementIsAbsorbedOtherHurtsEmittersPassAndCancelledAreCollected) {
    cEnemyBulletBase* own = Bullet(30, 0, 0);         // within 25 + 8
    cEnemyBulletBase* farOwn = Bullet(0, 34, 0);      // beyond 25 + 8
    cEnemyBulletBase* emitter = Bullet(0, 0, 3);
    cEnemyBulletBase* cancelled = Bullet(-38, 0, 10);  // within 8 + 30
    p->HitTest();
    EXPECT_EQ(own->isActive, 0);
    EXPECT_EQ(farOwn->isActive, 1);
    EXPECT_EQ(emitter->isActive, 1);
    EXPECT_EQ(cancelled->isActive, 0);
    EXPECT_NEAR(p->gauge, 11.04f, 1e-5);
    EXPECT_EQ(p->absorbCount, 1);
    EXPECT_EQ(p->score, 20);
    EXPECT_EQ(p->life, 5);
    EXPECT_EQ(m.effects[1]->kind, 8);
    EXPECT_EQ(m.effects[1]->owner, 0);

    cEnemyBulletBase* other = Bullet(0, 15, 1);  // 7 + 8
    p->HitTest();
    EXPECT_EQ(other->isActive, 0);
    EXPECT_EQ(p->life, 4);
    EXPECT_EQ(p->isInvincible, 1);
    EXPECT_EQ(p->noMiss, 0);
    cEnemyBulletBase* whileInvincible = Bullet(0, 0, 2);
    p->HitTest();
    EXPECT_EQ(whileInvincible->isActive, 1);
    EXPECT_EQ(p->life, 4);

    p->isInvincible = 0;
    p->HitTest();
    EXPECT_EQ(whileInvincible->isActive, 0);  // element 2 hurts everyone
    EXPECT_EQ(p->life, 3);
}

TEST_F(PlayerTest, FullGaugePaysSixtyAndForceStopsAbsorbingButNotCollecting) {
    p->gauge = 199.5f;
    Bullet(0, 0, 0);
    p->HitTest();
    EXPECT_FLOAT_EQ(p->gauge, 200.0f);  // clamped
    Bullet(0, 0, 0);
    p->HitTest();
    EXPECT_EQ(p->score, 10 + 60);
    EXPECT_FLOAT_EQ(p->gauge, 200.0f);

    p->forceTimer = 10;
    cEnemyBulletBase* own = Bullet(0, 0, 0);
    cEnemyBulletBase* other = Bullet(0, 0, 1);
    cEnemyBulletBase* cancelled = Bullet(0, 0, 10);
    p->HitTest();
    EXPECT_EQ(own->isActive, 1);
    EXPECT_EQ(other->isActive, 1);
    EXPECT_EQ(cancelled->isActive, 0);
    EXPECT_EQ(p->life, 5);
}

TEST_F(PlayerTest, InvincibilityLasts75PlayFrames) {
    p->Damage(1);
    playtest::PlayFrames(74);
    EXPECT_EQ(p->isInvincible, 1);
    playtest::PlayFrame();
    EXPECT_EQ(p->isInvincible, 0);
}

TEST_F(PlayerTest, MissCostsStockAndEndsTheGame) {
    p->life = 1;
    p->Damage(1);
    EXPECT_EQ(p->stock, 2);
    EXPECT_EQ(p->life, 5);
    EXPECT_EQ(m.effects[1]->kind, 9);
    for (int i = 2; i <= 21; ++i) {
        EXPECT_EQ(m.effects[size_t(i)]->kind, 10);
        EXPECT_FLOAT_EQ(m.effects[size_t(i)]->speed, 7.0f);
    }
    p->Damage(1);  // invincible: nothing
    EXPECT_EQ(p->life, 5);
    for (const int32_t left : {0, -1}) {  // the last stock still plays
        p->isInvincible = 0;
        p->stock = left + 1;
        p->life = 1;
        p->Damage(1);
        EXPECT_EQ(p->stock, left);
        EXPECT_EQ(GameState.subState == kSubStateGameOver, left < 0);
    }
    // No boss in either slot: the miss still works.
    EXPECT_EQ(BossA, nullptr);
}

TEST_F(PlayerTest, AMissVoidsTheBonusOfBossAAndOnTheLastTwoStagesOfBossB) {
    BossA = new cBossBase();
    BossB = new cBossBase();
    for (const int32_t stage : {kLastStoryStage - 1, kLastStoryStage, kExtraStage}) {
        GameState.stage = stage;
        BossA->bonusValid = BossB->bonusValid = 1;
        p->isInvincible = 0;
        p->Damage(1);
        EXPECT_EQ(BossA->bonusValid, 0) << stage;
        EXPECT_EQ(BossB->bonusValid, stage < kLastStoryStage ? 1 : 0) << stage;
    }
}

TEST_F(PlayerTest, PushedOutOfViewComesBackLosesFiveAndPassesThroughFor105Frames) {
    p->SetPosition(30, 200);
    p->x = -21.0f;  // a block pushed it out after the box was taken
    p->HitTest();
    EXPECT_FLOAT_EQ(p->x, 20.0f);
    EXPECT_EQ(p->life, 0 + 5);  // 5 - 5 leaves 0: one stock lost, life refilled
    EXPECT_EQ(p->stock, 2);
    EXPECT_EQ(p->passThrough, 1);
    p->Act();
    playtest::PlayFrames(104);
    EXPECT_EQ(p->passThrough, 1);
    playtest::PlayFrame();
    EXPECT_EQ(p->passThrough, 0);
}

TEST_F(PlayerTest, ViewClampUsesTheBoxOfTheFrame) {
    p->SetPosition(630, 475);
    p->HitTest();
    EXPECT_FLOAT_EQ(p->x, 620.0f);
    EXPECT_FLOAT_EQ(p->y, 460.0f);
    EXPECT_EQ(p->life, 5);
}

// With the view scrolled, a box across one edge puts the centre back where
// the box just fits (20 px in from the left or top, 620 and 460 from the view's
// corner for the right and bottom); one pushed wholly out (20 px past an edge)
// comes back the same way, hurt and passing through.
TEST_F(PlayerTest, EachEdgeOfTheScrolledViewPutsThePlayerBackWhereItsBoxFits) {
    struct Case {
        float x, y;    // in the view
        float ex, ey;  // after HitTest, in the view
        bool pushedOut;
    };
    const Case cases[] = {
        {5, 200, 20, 200, false},   {300, 5, 300, 20, false},   {630, 200, 620, 200, false},
        {300, 475, 300, 460, false}, {5, 475, 20, 460, false},   {620, 460, 620, 460, false},
        {-21, 200, 20, 200, true},  {300, -21, 300, 20, true},  {661, 200, 620, 200, true},
        {300, 501, 300, 460, true},
    };
    ScrollX = 160.0f;
    ScrollY = 2400.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "at (" << c.x << ", " << c.y << ")");
        p->SetPosition(300, 2600);
        p->passThrough = p->passThroughTimer = 0;
        p->life = 5;
        p->x = ScrollX + c.x;  // moved after the box was taken: the box still fits
        p->y = ScrollY + c.y;
        if (!c.pushedOut) p->UpdateBox();
        p->HitTest();
        EXPECT_FLOAT_EQ(p->x - ScrollX, c.ex);
        EXPECT_FLOAT_EQ(p->y - ScrollY, c.ey);
        EXPECT_EQ(p->passThrough, c.pushedOut ? 1 : 0);
        EXPECT_GE(p->boxLeft, ScrollX);
        EXPECT_GE(p->boxTop, ScrollY);
        EXPECT_LE(p->boxRight, ScrollX + 640);
        EXPECT_LE(p->boxBottom, ScrollY + 480);
    }
}

struct BlockCase {
    int code;  // map cell code
    float sx, sy, mx, my;
    float ex, ey;
};

TEST_F(PlayerTest, MapBlocksStopAndSlideThePlayerByKind) {
    const BlockCase cases[] = {
        {0, 220, 262, 220, 259, 220, 262},  // solid: the vertical move is undone
        {0, 262, 215, 259, 215, 262, 215},  // solid: the sideways move is undone
        {4, 222, 262, 222, 250, 230, 250},  // kind 7: slides right moving up
        {3, 218, 262, 218, 250, 210, 250},  // kind 9: slides left moving up
        {2, 222, 178, 222, 190, 230, 190},  // kind 1: slides right moving down
        {1, 218, 178, 218, 190, 210, 190},  // kind 3: slides left moving down
    };
    for (const BlockCase& c : cases) {
        m.ResetForStage();
        m.SpawnMapCell(c.code, 200, 200);
        p->SetPosition(0, 0);
        p->aimX = c.sx;
        p->aimY = c.sy;
        p->x = c.mx;
        p->y = c.my;
        p->UpdateBox();
        p->HitTest();
        EXPECT_FLOAT_EQ(p->x, c.ex) << c.code << " " << c.sx;
        EXPECT_FLOAT_EQ(p->y, c.ey) << c.code << " " << c.sx;
    }
    // Walking down into a solid block from above stops on its top.
    m.ResetForStage();
    m.SpawnMapCell(0, 300, 320);
    p->SetPosition(320, 240);
    for (int i = 0; i < 40; ++i) {
        playtest::SetButtons(0, PAD_DOWN);
        playtest::PlayFrame();
        EXPECT_LE(p->boxBottom, 320 + 3);
    }
    EXPECT_LE(p->aimY + 20, 321.0f);
}

TEST_F(PlayerTest, ShootingPlayerPushesItsPartnerAway) {
    // 5 px a frame while SHOT is held (not on the frame it goes down) within 30 px:
    // the partner's start and where it ends after three frames.
    const struct {
        float from, to;
    } rows[] = {{331, 331}, {330, 335}, {320, 330}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        playtest::SetButtons(0, 0);
        playtest::PlayFrame();  // SHOT up before the row
        playtest::StartPlayers(1, true, 300, 240);
        Player2->SetPosition(row.from, 240);
        for (int i = 0; i < 3; ++i) {
            playtest::SetButtons(0, PAD_SHOT);
            playtest::SetButtons(1, 0);
            playtest::PlayFrame();
        }
        EXPECT_NEAR(Player2->aimX, row.to, 1e-3);
        EXPECT_NEAR(Player1->aimX, 300.0f, 1e-3);
    }
    // At 30 px without SHOT: left where it is.
    playtest::SetButtons(0, 0);
    playtest::PlayFrames(3);
    EXPECT_NEAR(Player2->aimX, 330.0f, 1e-3);
    EXPECT_NE(ObjectManager.playerBulletCursor, 0);
}

TEST_F(PlayerTest, DrawPicksCellsCircleAndInvincibleAlpha) {
    playtest::QuadRecorder rec;
    p->animDir = 6;
    p->absorbRadius = 0;
    p->Draw();
    ASSERT_EQ(rec.quads.size(), 2u);
    EXPECT_EQ(rec.quads[0].slot, 0);
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 80.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[0], 300.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[1], 210.0f);
    EXPECT_EQ(rec.quads[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(rec.quads[1].slot, 2);
    EXPECT_FLOAT_EQ(rec.quads[1].dst[2], 2.0f);  // the circle restarts small
    EXPECT_EQ(rec.quads[1].angle, 364);
    for (int i = 0; i < 40; ++i) p->Draw();
    EXPECT_EQ(p->absorbRadius, 29);
    p->character = 3;
    p->isInvincible = 1;
    p->animFrame = 15;
    rec.quads.clear();
    p->Draw();
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 176.0f + 2 * 44);
    EXPECT_FLOAT_EQ(rec.quads[0].src[1], 120.0f);
    EXPECT_EQ(rec.quads[0].colour, 0x96FFFFFFu);
    p->absorbRadius = 30;
    p->Draw();
    EXPECT_EQ(p->absorbRadius, 30);  // beyond 26 it stops growing
}

TEST_F(PlayerTest, ResetClearsThePlayCountersButKeepsPositionElementAndFacing) {
    p->element = elements::kIce;
    p->facing = 0;
    p->life = 2;
    p->stock = 0;
    p->gauge = 150.0f;
    p->shotWait = 3;
    const auto counters = {&cPlayerBase::score,           &cPlayerBase::shotFrame,   &cPlayerBase::animFrame,
                           &cPlayerBase::changeWait,      &cPlayerBase::chargeCount, &cPlayerBase::absorbCount,
                           &cPlayerBase::itemCount,       &cPlayerBase::forceTimer,  &cPlayerBase::chargeShotTimer,
                           &cPlayerBase::passThroughTimer, &cPlayerBase::cutInFrame};
    for (int32_t cPlayerBase::*c : counters) p->*c = 7;
    for (int32_t& s : p->stageScore) s = 500;
    p->chargeShotOn = p->isInvincible = p->passThrough = p->cutInOn = 1;
    p->isActive = 0;
    p->Reset();
    for (int32_t cPlayerBase::*c : counters) EXPECT_EQ(p->*c, 0);
    for (int32_t s : p->stageScore) EXPECT_EQ(s, 0);
    EXPECT_EQ(p->chargeShotOn | p->isInvincible | p->passThrough | p->cutInOn, 0);
    EXPECT_EQ(p->isActive, 1);
    EXPECT_EQ(p->life, 5);
    EXPECT_EQ(p->stock, 3);
    EXPECT_FLOAT_EQ(p->gauge, 10.0f);
    EXPECT_EQ(p->element, 1);
    EXPECT_EQ(p->facing, 0);
    EXPECT_EQ(p->shotWait, 3);
    EXPECT_FLOAT_EQ(p->aimX, 320.0f);
}

}  // namespace
