// Items and the stage-title banner.
#include <gtest/gtest.h>

#include <typeinfo>
#include <utility>
#include <vector>

#include "game/objects/Items.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

class ItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(13);
        playtest::StartPlayers(1, false, 300, 300);
        p = Player1;
    }
    void TearDown() override { playtest::ClearField(); }
    cEnemyObjectBase* Spawn(int type, float x, float y, int element = 0, float life = 1.0f) {
        m.SpawnStageObject(x, y, type, 0, 0, elements::FromNumber(element), 0, 0, life, StageFrame);
        return m.enemyList.back();
    }
    cPlayerBulletBase* Shot(float x, float y, int element, int owner = 0) {
        playtest::PlaceShot(x, y, element, 1.0f, owner);
        return m.playerBullets[size_t(m.playerBulletCursor)];
    }
    cObjectManager& m = ObjectManager;
    cPlayerBase* p = nullptr;
};

TEST_F(ItemTest, ScoreItemsAreTakenAtExactlyTheirReachAndDriftOtherwise) {
    cEnemyObjectBase* at = Spawn(101, 337, 300);
    at->HitTest();
    EXPECT_EQ(at->isDying, 1);
    EXPECT_EQ(p->score, 5000);
    EXPECT_FLOAT_EQ(p->gauge, 20.0f);
    EXPECT_EQ(p->itemCount, 1);
    EXPECT_EQ(m.effects[size_t(m.effectCursor)]->kind, 15);

    for (const int type : {101, 103}) {  // both score items
        m.ResetForStage();
        p->score = 0;
        cEnemyObjectBase* near = Spawn(type, 300, 337);
        near->y = 337.5f;
        near->HitTest();
        EXPECT_EQ(near->isDying, 0) << type;
        EXPECT_FLOAT_EQ(near->y, 333.5f) << type;  // 4 px toward the player of its element
        near->y = 420.0f;  // from 120 px
        near->HitTest();
        EXPECT_FLOAT_EQ(near->y, 416.0f);
        near->y = 420.5f;
        near->HitTest();
        EXPECT_FLOAT_EQ(near->y, 420.5f);
        near->element = elements::kIce;
        near->y = 337.5f;
        near->HitTest();
        EXPECT_FLOAT_EQ(near->y, 337.5f);  // no drift toward another element
        near->y = 310;
        near->HitTest();
        EXPECT_EQ(near->isDying, 1);  // but it is still taken
    }
}

TEST_F(ItemTest, BothPlayersTouchingInOneFrameAreBothPaid) {
    playtest::StartPlayers(1, true, 300, 300);
    Player2->SetPosition(310, 300);
    cEnemyObjectBase* item = Spawn(103, 305, 300);
    item->HitTest();
    EXPECT_EQ(Player1->score, 1000);
    EXPECT_EQ(Player2->score, 1000);
    EXPECT_FLOAT_EQ(Player2->gauge, 13.0f);
    EXPECT_EQ(Player2->itemCount, 1);
}

TEST_F(ItemTest, LifeItemPaysAtFiveAndUsesTheAbsorbReach) {
    struct Case {
        int life, score, after;
    };
    for (const Case c : {Case{5, 5000, 6}, Case{6, 0, 7}, Case{4, 0, 5}}) {
        m.ResetForStage();
        p->life = c.life;
        p->score = 0;
        Spawn(102, 300, 300)->HitTest();
        EXPECT_EQ(p->score, c.score);
        EXPECT_EQ(p->life, c.after);
    }
    for (const int type : {102, 104}) {  // life and 1up
        m.ResetForStage();
        p->absorbRadius = 0;  // right after ELEMENT
        cEnemyObjectBase* life = Spawn(type, 300, 331);
        life->HitTest();
        EXPECT_EQ(life->isDying, 0) << type;
        p->absorbRadius = 25;
        life->HitTest();
        EXPECT_EQ(life->isDying, 1) << type;
    }
    cEnemyObjectBase* up = Spawn(104, 300, 300);
    const int stock = p->stock;
    up->HitTest();
    EXPECT_EQ(p->stock, stock + 1);
    // Player 2 takes life items only in two-player mode.
    Player2->isActive = 1;
    Player2->SetPosition(100, 100);
    p->SetPosition(500, 400);
    cEnemyObjectBase* lone = Spawn(104, 100, 100);
    lone->HitTest();
    EXPECT_EQ(lone->isDying, 0);
}

TEST_F(ItemTest, BoxesTakeAFifthFromTheirOwnElementAndOpenWithContent) {
    cEnemyObjectBase* box = Spawn(110, 100, 100, 1, 5.0f);
    box->isActive = 1;
    Shot(100, 100, 1);
    box->HitTest();
    EXPECT_FLOAT_EQ(box->life, 4.8f);
    EXPECT_EQ(m.effectCursor, 4);
    Shot(100, 100, 0, 1);
    box->HitTest();
    EXPECT_FLOAT_EQ(box->life, 3.8f);
    EXPECT_EQ(m.effectCursor, 11);

    box->life = 0.5f;
    Shot(100, 100, 0, 1);
    box->HitTest();
    EXPECT_EQ(box->isDying, 1);
    EXPECT_EQ(Player2->score, 100);
    ASSERT_EQ(m.enemyList.size(), 2u);
    EXPECT_EQ(typeid(*m.enemyList[1]), typeid(ItemScore));
    EXPECT_EQ(m.enemyList[1]->element, 1);
    EXPECT_EQ(m.enemyList[1]->isActive, 1);

    cEnemyObjectBase* lifeBox = Spawn(111, 200, 100, 0, 0.5f);
    Shot(200, 100, 1);
    lifeBox->HitTest();
    EXPECT_EQ(typeid(*m.enemyList.back()), typeid(ItemLife));
}

TEST_F(ItemTest, MimickFiresARingOfThirty) {
    cEnemyObjectBase* mimick = Spawn(112, 100, 100, 1, 0.5f);
    Shot(100, 100, 0);
    mimick->HitTest();
    EXPECT_EQ(mimick->isDying, 1);
    EXPECT_EQ(m.enemyBulletCursor, 30);
    for (int i = 1; i <= 30; ++i) {
        const cEnemyBulletBase* b = m.enemyBullets[size_t(i)];
        EXPECT_EQ(b->angle, (i - 1) * 2184);
        EXPECT_EQ(b->graphicKind, BulletGraphic::kFaintCapsule);
        EXPECT_FLOAT_EQ(b->speed, 8.0f);
        EXPECT_EQ(b->element, 1);
    }
    EXPECT_EQ(m.enemyList.size(), 1u);
}

TEST_F(ItemTest, BoxRingSqueezesAndComesBack) {
    cEnemyObjectBase* box = Spawn(110, 300, 200);
    cEnemyObjectBase* mimick = Spawn(112, 300, 200);
    for (int i = 0; i < 64; ++i) {
        box->Draw();
        mimick->Draw();
    }
    EXPECT_EQ(box->work0, 0);
    EXPECT_EQ(mimick->work0, 12);
    for (int i = 0; i < 64; ++i) {
        box->Draw();
        mimick->Draw();
    }
    EXPECT_EQ(box->work0, 128);
    EXPECT_EQ(mimick->work0, 140);
    box->Draw();  // 129 turns into 0
    box->Draw();
    EXPECT_EQ(box->frame, 1);
    playtest::QuadRecorder rec;
    box->Draw();
    ASSERT_EQ(rec.quads.size(), 3u);
    EXPECT_EQ(rec.quads[0].slot, 9);
    EXPECT_EQ(rec.quads[1].slot, 10);
    EXPECT_EQ(rec.quads[2].angle - rec.quads[1].angle, 16388);
    EXPECT_FLOAT_EQ(rec.quads[1].dst[0], 300 - 64 + 2.0f);
}

TEST_F(ItemTest, PickUpsDrawTheirCellsAndSparkle) {
    cEnemyObjectBase* score = Spawn(101, 300, 200, 1);
    playtest::QuadRecorder rec;
    for (int i = 0; i < 20; ++i) score->Draw();
    EXPECT_FLOAT_EQ(rec.quads[0].src[0], 4 * 34.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[0], 283.0f);
    EXPECT_EQ(m.effects[size_t(m.effectCursor)]->kind, 12);
    EXPECT_FLOAT_EQ(m.effects[size_t(m.effectCursor)]->speed, 0.5f);
    EXPECT_EQ(m.effectCursor, 1);
    rec.quads.clear();
    cEnemyObjectBase* life = Spawn(102, 300, 200);
    cEnemyObjectBase* up = Spawn(104, 300, 200);
    life->Draw();
    up->Draw();
    EXPECT_FLOAT_EQ(rec.quads[0].dst[2], 41.0f);
    EXPECT_FLOAT_EQ(rec.quads[1].src[0], 63.0f);
    EXPECT_FLOAT_EQ(rec.quads[1].dst[2], 63.0f);
    for (const auto& [item, every] : {std::pair{life, 18}, std::pair{up, 16}}) {
        const int cursor = m.effectCursor;
        for (int i = 2; i < every; ++i) item->Draw();
        EXPECT_EQ(m.effectCursor, cursor) << every;
        item->Draw();
        EXPECT_EQ(m.effectCursor, cursor + 1) << every;
    }
}

TEST_F(ItemTest, BannerSlidesInRestsAndFades) {
    m.SpawnStageObject(320, 240, 300, 0, 0, elements::kFire, 0, 0, 1, 1);
    playtest::QuadRecorder rec;
    playtest::PlayFrames(140);
    std::vector<playtest::Quad> banner;
    for (const auto& q : rec.quads) {
        if (q.slot == 37 || q.slot == 38) banner.push_back(q);
    }
    ASSERT_EQ(banner.size(), 3u * 139u);  // drawn from the frame after it woke
    const auto at = [&](int frame, int quad) { return banner[size_t((frame - 1) * 3 + quad)]; };
    EXPECT_FLOAT_EQ(at(25, 0).dst[0], -80.0f);
    EXPECT_FLOAT_EQ(at(25, 0).dst[1], 130.0f);
    EXPECT_FLOAT_EQ(at(50, 1).dst[0], 40.0f);
    EXPECT_FLOAT_EQ(at(50, 1).dst[1], 150.0f);
    EXPECT_FLOAT_EQ(at(50, 2).dst[1], 170.0f);
    EXPECT_EQ(at(124, 1).colour >> 24, 255u);
    EXPECT_EQ(at(125, 1).colour >> 24, 230u);
    EXPECT_EQ(at(125, 0).colour >> 24, 255u);  // the band uses the alpha from before
    EXPECT_EQ(at(134, 1).colour >> 24, 5u);
    EXPECT_EQ(at(135, 1).colour >> 24, 0u);
    EXPECT_EQ(m.enemyList.size(), 1u);  // never deleted
}

}  // namespace
