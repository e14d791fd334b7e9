// The boss base's own operations: the hit test against player shots and
// bodies with the view keeping, and the step toward a screen point.
#include <gtest/gtest.h>

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::ActiveEffects;
using bosstest::BossField;

// The base hit test on a boss of element 0 at (300, 200), in phase 2.
class BaseHitTest : public BossField {
protected:
    void SetUp() override {
        BossField::SetUp();
        playtest::StartPlayers(1, true, 100, 400);
        b.phase = 2;
        b.element = elements::kFire;
        b.x = 300.0f;
        b.y = 200.0f;
        b.hp = 50.0f;
        Player1->score = Player2->score = 0;
    }
    cBossBase b;
};

// Shots hit from 40 px in the entrance, the attacks, the breaks and the
// defeat pause, never after it.
TEST_F(BaseHitTest, ShotsHitFromFortyPixelsByElementWithTheirSoundsAndScore) {
    struct Case {
        float dx;
        int32_t element, owner, phase;
        bool hits;
        float hp;
        const char* sound;
        int effects;
    };
    const Case cases[] = {{40.0f, 0, 0, 2, true, 49.0f, "enemydamage_small", 3},
                          {40.01f, 0, 0, 2, false, 50.0f, "", 0},
                          {-40.0f, 1, 1, 2, true, 48.0f, "rt_cursor01", 6},
                          {0.0f, 1, 0, 2, true, 48.0f, "rt_cursor01", 6},
                          {10.0f, 1, 0, 0, true, 48.0f, "rt_cursor01", 6},
                          {10.0f, 1, 0, 3, true, 48.0f, "rt_cursor01", 6},
                          {10.0f, 1, 0, 30, true, 48.0f, "rt_cursor01", 6},
                          {10.0f, 1, 0, 31, false, 50.0f, "", 0},
                          {10.0f, 1, 0, 32, false, 50.0f, "", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dx " << c.dx << " phase " << c.phase);
        b.phase = c.phase;
        b.hp = 50.0f;
        sounds.played.clear();
        Player1->score = Player2->score = 0;
        const int effects = ActiveEffects();
        cPlayerBulletBase* s = Shot(300.0f + c.dx, 200.0f, c.element, 2.0f, c.owner);
        b.HitTest();
        EXPECT_FLOAT_EQ(b.hp, c.hp);
        EXPECT_EQ(s->isActive, c.hits ? 0 : 1);
        EXPECT_EQ(ActiveEffects(), effects + c.effects);
        EXPECT_EQ(sounds.Count(c.sound), c.hits ? 1 : 0);
        EXPECT_EQ((c.owner == 0 ? Player1 : Player2)->score, c.hits ? 10 : 0);
        if (c.hits) {
            EXPECT_EQ(b.lastHitter, c.owner);
        }
        s->isActive = 0;
    }
    EXPECT_EQ(ObjectManager.innerIndex, static_cast<int32_t>(ObjectManager.playerBullets.size()));
}

TEST_F(BaseHitTest, BodyContactReadsTheCommittedPositionAndOnlyWhileAnAttackRuns) {
    for (cPlayerBase* p : {Player1, Player2}) {
        p->isInvincible = 0;
        p->life = 5;
    }
    // Player 1 drawn at the boss but committed 100 px away; player 2 the other way round.
    Player1->x = 300.0f, Player1->y = 200.0f, Player1->aimX = 400.0f, Player1->aimY = 200.0f;
    Player2->x = 400.0f, Player2->y = 200.0f, Player2->aimX = 300.0f, Player2->aimY = 240.0f;
    b.attackRunning = 0;
    b.HitTest();
    EXPECT_EQ(Player2->life, 5);
    b.attackRunning = 1;
    b.HitTest();
    EXPECT_EQ(Player1->life, 5);
    EXPECT_EQ(Player2->life, 4);
    // One player only: player 2 is not touched.
    GameState.twoPlayer = 0;
    Player2->isInvincible = 0;
    b.HitTest();
    EXPECT_EQ(Player2->life, 4);
}

TEST_F(BaseHitTest, ABoxLeavingTheViewComesBackThirtyOnePixelsInside) {
    ScrollX = 1000.0f;
    ScrollY = 2000.0f;
    struct Case {
        float x, y, wantX, wantY;
    };
    const Case cases[] = {{1010, 2200, 1031, 2200},   // left
                          {1630, 2200, 1610, 2200},   // right
                          {1300, 2010, 1300, 2031},   // top
                          {1300, 2470, 1300, 2450},   // bottom
                          {1300, 2200, 1300, 2200}};  // inside
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x + c.y);
        b.x = c.x;
        b.y = c.y;
        SetBossBox(b.hitBox, b.x, b.y);
        b.HitTest();
        EXPECT_FLOAT_EQ(b.x, c.wantX);
        EXPECT_FLOAT_EQ(b.y, c.wantY);
        EXPECT_EQ(b.hitBox[0], static_cast<int32_t>(c.wantX) - 30);
        EXPECT_EQ(b.hitBox[3], static_cast<int32_t>(c.wantY) + 30);
    }
    // Not kept in the pause of phase 30.
    b.phase = 30;
    b.x = 1010;
    SetBossBox(b.hitBox, b.x, b.y);
    b.HitTest();
    EXPECT_FLOAT_EQ(b.x, 1010.0f);
}

TEST_F(BossField, MoveToStepsEachAxisAndStaysWithinTwoPixels) {
    cBossBase b;
    ScrollX = 100.0f;
    ScrollY = 10.0f;
    struct Case {
        float x, y, tx, ty, wantX, wantY;
    };
    const Case cases[] = {{200, 110, 300, 50, 203, 107},  // right, up
                          {400, 40, 200, 30, 397, 40},    // left; y on the target stays
                          {401, 41, 250, 20, 398, 38},    // left, up
                          {399, 20, 300, 11, 399, 20}};   // within 2 px on both axes: stays
    for (const Case& c : cases) {
        b.x = c.x;
        b.y = c.y;
        b.MoveTo(c.tx, c.ty, 3.0f);
        EXPECT_FLOAT_EQ(b.x, c.wantX) << c.x;
        EXPECT_FLOAT_EQ(b.y, c.wantY) << c.y;
        EXPECT_EQ(b.hitBox[1], static_cast<int32_t>(c.wantY - 30));
        EXPECT_EQ(b.hitBox[2], static_cast<int32_t>(c.wantX + 30));
    }
}

}  // namespace
