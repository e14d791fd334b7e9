// The shared enemy record and the common hit test: boundary hits, damage by
// element, one payment, drops and the element reset, player 2's credit.
#include <gtest/gtest.h>

#include <typeinfo>

#include "game/objects/Items.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

// An enemy that only uses the shared parts.
class PlainEnemy : public cEnemyObjectBase {
public:
    void Update() override {}
    void Draw() override {}
};

class EnemyBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(9);
        playtest::StartPlayers(1, true);
    }
    void TearDown() override { playtest::ClearField(); }
    cObjectManager& m = ObjectManager;

    PlainEnemy* Enemy(float life, int element, int dropCode = 0) {
        auto* e = new PlainEnemy();
        e->x = 300;
        e->y = 200;
        e->life = life;
        e->element = elements::FromNumber(element);
        e->dropCode = dropCode;
        e->isActive = 1;
        e->placedOnStage = 1;
        m.enemyList.push_back(e);
        return e;
    }
    cPlayerBulletBase* Shot(float x, float y, int element, float power = 1.0f, int owner = 0) {
        playtest::PlaceShot(x, y, element, power, owner);
        return m.playerBullets[size_t(m.playerBulletCursor)];
    }
};

// Radius, score, touch and solidity by default: the death rows of every class.
TEST_F(EnemyBaseTest, ConstructionDefaults) {
    PlainEnemy e;
    EXPECT_EQ(e.element, 1);
    EXPECT_FLOAT_EQ(e.scaleX, 1.0f);
}

TEST_F(EnemyBaseTest, AShotExactlyAtTheRadiusSumHits) {
    PlainEnemy* e = Enemy(10, 0);
    cPlayerBulletBase* at = Shot(300 + 35, 200, 1);
    cPlayerBulletBase* beyond = Shot(300, 200 - 35.01f, 1);
    e->HitTest();
    EXPECT_EQ(at->isActive, 0);
    EXPECT_EQ(beyond->isActive, 1);
    EXPECT_FLOAT_EQ(e->life, 9.0f);
    EXPECT_EQ(m.innerIndex, 381);
}

TEST_F(EnemyBaseTest, SameElementTakesHalfPowerAndOneBurst) {
    PlainEnemy* e = Enemy(10, 1);
    Shot(300, 200, 1);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 9.5f);
    EXPECT_EQ(m.effectCursor, 4);  // three sparks and the flash
    EXPECT_EQ(m.effects[1]->kind, 11);
    EXPECT_EQ(m.effects[4]->kind, 3);
    EXPECT_EQ(m.effects[4]->value, 1);
    Shot(300, 200, 0);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 8.5f);
    EXPECT_EQ(m.effectCursor, 11);  // six sparks and the flash
}

TEST_F(EnemyBaseTest, DeathPaysOnceAndDropsOneItem) {
    PlainEnemy* e = Enemy(1.0f, 0, 2);
    e->score = 300;
    Shot(300, 200, 1);
    Shot(301, 200, 1);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 300);
    EXPECT_EQ(m.playerBullets[2]->isActive, 0);  // the second is still consumed
    ASSERT_EQ(m.enemyList.size(), 2u);
    cEnemyObjectBase* drop = m.enemyList[1];
    EXPECT_EQ(typeid(*drop), typeid(ItemScore));
    EXPECT_EQ(drop->isActive, 1);
    EXPECT_FLOAT_EQ(drop->x, 300.0f);
    EXPECT_EQ(drop->element, 0);
    EXPECT_EQ(drop->appearFrame, StageFrame);
    m.SweepObjects();
    ASSERT_EQ(m.enemyList.size(), 1u);
    EXPECT_EQ(m.enemyList[0], drop);
}

TEST_F(EnemyBaseTest, DropCodesAndTheElementReset) {
    const int types[4] = {0, 103, 101, 102};
    for (int code = 0; code <= 4; ++code) {
        m.ResetForStage();
        PlainEnemy* e = Enemy(0.5f, 2, code);
        Shot(300, 200, 0, 1.0f, 1);
        e->HitTest();
        EXPECT_EQ(Player2->score, 100 * (code + 1));
        if (code >= 1 && code <= 3) {
            ASSERT_EQ(m.enemyList.size(), 2u);
            EXPECT_EQ(m.enemyList[1]->type, types[code]);
            EXPECT_EQ(m.enemyList[1]->element, 0);  // element 2 dies as 0
        } else {
            EXPECT_EQ(m.enemyList.size(), 1u);
        }
    }
    EXPECT_EQ(Player1->score, 0);
}

TEST_F(EnemyBaseTest, HitPassSkipsEnemiesOutsideItsWindow) {
    PlainEnemy* e = Enemy(10, 0);
    e->x = 760;
    Shot(760, 200, 1);
    m.HitTestObjects();
    EXPECT_FLOAT_EQ(e->life, 10.0f);
    e->x = 759;
    m.playerBullets[1]->x = 759;
    m.HitTestObjects();
    EXPECT_FLOAT_EQ(e->life, 9.0f);
}

TEST_F(EnemyBaseTest, TouchDamageHurtsOnlyTheOtherElementAndSolidsBlock) {
    PlainEnemy* e = Enemy(10, 1);
    Player1->SetPosition(300, 226);  // 7 + 20 away
    Player1->HitTest();
    EXPECT_EQ(Player1->life, 4);
    Player1->isInvincible = 0;
    e->element = elements::kFire;
    Player1->HitTest();
    EXPECT_EQ(Player1->life, 4);
    e->touchDamage = 0;
    e->solid = 1;
    Player1->SetPosition(300, 245);
    Player1->y = 235;
    Player1->UpdateBox();
    Player1->HitTest();
    EXPECT_FLOAT_EQ(Player1->y, 245.0f);
}

TEST_F(EnemyBaseTest, CommonFrameSteps) {
    PlainEnemy* e = Enemy(1, 0);
    e->angle = 16384;
    e->speed = 2.0f;
    e->MoveStep();
    EXPECT_FLOAT_EQ(e->x, 300.0f);
    EXPECT_FLOAT_EQ(e->y, 202.0f);
    Player1->SetPosition(300, 100);
    EXPECT_EQ(e->AimAtPlayer1(), 49152);
    playtest::QuadRecorder rec;
    ScrollY = 2.0f;
    e->DrawCentred(6, 40, 60, 32, 48, 0xFFFFFFFFu);
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[0], 284.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[1], 176.0f);
    EXPECT_FALSE(rec.quads[0].turned);
    // 8000 and 24000 draw down-facing, 41000 and 58000 up-facing; stored values count.
    EXPECT_EQ(FourDirectionCell(0), 0);
    EXPECT_EQ(FourDirectionCell(8000), 2);
    EXPECT_EQ(FourDirectionCell(24000), 2);
    EXPECT_EQ(FourDirectionCell(30000), 1);
    EXPECT_EQ(FourDirectionCell(41000), 3);
    EXPECT_EQ(FourDirectionCell(58000), 3);
    EXPECT_EQ(FourDirectionCell(-16384), 0);
    EXPECT_EQ(FourDirectionCell(65536 + 16384), 0);
}

}  // namespace
