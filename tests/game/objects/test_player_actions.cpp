// Player actions with scripted input: each character's shot timings, charge
// thresholds and bursts, FORCE durations and the cut-in, ELEMENT, CHANGE,
// the shots' motions and two players with separate shots and scores.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

class PlayerActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(5);
        playtest::StartPlayers(1, false);
        p = Player1;
    }
    void TearDown() override { playtest::ClearField(); }

    // Plays frames with the buttons down; answers the frames (1-based) in which shots started.
    std::vector<int> Frames(uint16_t buttons, int count, int* shots = nullptr) {
        std::vector<int> fired;
        for (int i = 1; i <= count; ++i) {
            const int before = started;
            playtest::SetButtons(0, buttons);
            playtest::PlayFrame();
            Count();
            if (started != before) fired.push_back(i);
        }
        if (shots) *shots = started;
        return fired;
    }
    // Shots started so far, from the pool's cursor (consecutive slots).
    void Count() {
        const int cursor = ObjectManager.playerBulletCursor;
        started += cursor >= lastCursor ? cursor - lastCursor : cursor - lastCursor + 379;
        lastCursor = cursor;
    }
    int started = 0;
    int lastCursor = 0;
    cPlayerBase* p = nullptr;
};

TEST_F(PlayerActionTest, CharacterOneTapsThenRepeatsEvery17Frames) {
    const std::vector<int> fired = Frames(PAD_SHOT, 52);
    EXPECT_EQ(fired, (std::vector<int>{1, 18, 35, 52}));
    const cPlayerBulletBase* shot = ObjectManager.playerBullets[1];
    EXPECT_EQ(shot->motion, 1);
    EXPECT_EQ(shot->look, 1);
    EXPECT_EQ(shot->radius, 25);
    EXPECT_EQ(shot->owner, 0);
    EXPECT_EQ(shot->angle, 16383);
    // A tap needs six frames since the previous tap.
    Frames(0, 2);
    started = 0;
    std::vector<int> taps;
    for (int i = 0; i < 6; ++i) {
        const std::vector<int> f = Frames(PAD_SHOT, 1);
        taps.push_back(!f.empty());
        Frames(0, 1);
    }
    EXPECT_EQ(taps, (std::vector<int>{1, 0, 0, 1, 0, 0}));
}

TEST_F(PlayerActionTest, EachCharacterHasItsShotCodeAndRepeat) {
    struct Row {
        int character, code_motion, look, repeat;
    };
    for (const Row r : {Row{2, 2, 2, 12}, Row{3, 6, 6, 25}, Row{4, 7, 8, 10}}) {
        playtest::ResetField(5);
        playtest::StartPlayers(1, false);
        p = Player1;
        started = lastCursor = 0;
        p->character = r.character;
        const std::vector<int> fired = Frames(PAD_SHOT, 1 + 2 * r.repeat);
        EXPECT_EQ(fired, (std::vector<int>{1, 1 + r.repeat, 1 + 2 * r.repeat})) << r.character;
        const cPlayerBulletBase* shot = ObjectManager.playerBullets[1];
        EXPECT_EQ(shot->motion, r.code_motion);
        EXPECT_EQ(shot->look, r.look);
    }
    // Character 3 fires three shots a volley with powers 0.5, 0.7, 0.5.
    EXPECT_EQ(ObjectManager.playerBulletCursor, 3);
}

TEST_F(PlayerActionTest, CharacterTwoNeeds49ChargedFramesForItsBurst) {
    p->character = 2;
    for (const int held : {45, 48}) {
        p->chargeCount = 0;
        Frames(PAD_SHOT, held + 1);
        EXPECT_EQ(p->chargeCount, held);
        Frames(0, 2);
        EXPECT_EQ(p->chargeShotOn, 0) << held;
        EXPECT_EQ(p->chargeCount, 0);
    }
    const float gauge = p->gauge;
    Frames(PAD_SHOT, 50);
    EXPECT_EQ(p->chargeCount, 49);
    int before = 0;
    Frames(0, 1, &before);
    Frames(0, 1);
    EXPECT_EQ(p->chargeShotOn, 1);
    EXPECT_FLOAT_EQ(p->gauge, gauge - 1.0f);
    int after = 0;
    Frames(0, 19, &after);
    EXPECT_EQ(p->chargeShotOn, 0);
    // Timer 19 down to 0, a volley of four each fourth frame: 16, 12, 8, 4, 0.
    EXPECT_EQ(after - before, 5 * 4);
}

TEST_F(PlayerActionTest, ChargeShowsParticlesAndTheCompleteFlashOnlyWithTheGaugeToRelease) {
    // Sparks every third held frame below 60, the flash at 60: both need the charge's cost of 1.
    const struct {
        float gauge;
        int sixes, sevens;
    } rows[] = {{0.99f, 0, 0}, {1.0f, 19, 1}, {-1.0f, 19, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.gauge);
        TearDown();
        SetUp();
        if (row.gauge >= 0.0f) p->gauge = row.gauge;
        Frames(PAD_SHOT, 61);
        EXPECT_EQ(p->chargeCount, 60);
        int sixes = 0, sevens = 0;
        for (const cEffectObjectBase* f : ObjectManager.effects) {
            sixes += f->kind == 6;
            sevens += f->kind == 7;
        }
        EXPECT_EQ(sixes, row.sixes);
        EXPECT_EQ(sevens, row.sevens);
    }
    Frames(0, 2);
    EXPECT_EQ(p->chargeShotOn, 1);
    EXPECT_FLOAT_EQ(p->gauge, 8.0f);
    EXPECT_EQ(p->chargeShotTimer, 29);
}

TEST_F(PlayerActionTest, ForceDurationsAndCutIn) {
    p->gauge = 200.0f;
    playtest::QuadRecorder rec;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 189);
    EXPECT_EQ(p->canForce, 0);
    EXPECT_EQ(p->cutInOn, 1);
    EXPECT_FLOAT_EQ(p->gauge, 0.0f);
    int before = 0, after = 0;
    Frames(0, 1, &before);
    Frames(0, 187, &after);
    EXPECT_EQ(p->forceTimer, 1);
    EXPECT_EQ(p->canForce, 0);
    Frames(0, 1);
    EXPECT_EQ(p->forceTimer, 0);
    EXPECT_EQ(p->canForce, 1);
    EXPECT_NEAR(after - before, 187 / 3, 1);  // code 19 every third frame
    EXPECT_EQ(ObjectManager.playerBullets[1]->motion, 3);
    EXPECT_FLOAT_EQ(ObjectManager.playerBullets[1]->power, 2.4f);

    // The cut-in's alpha: 180, then down by 10 from frame 50, gone at 68.
    std::vector<uint32_t> cutIn;
    std::vector<uint32_t> flash;
    for (const auto& q : rec.quads) {
        if (q.slot == 29) cutIn.push_back(q.colour >> 24);
        if (q.slot == 31) flash.push_back(q.colour >> 24);
    }
    ASSERT_EQ(cutIn.size(), 68u);
    for (int f = 1; f <= 68; ++f) {
        const uint32_t expect = f < 50 ? 180u : f < 68 ? uint32_t(180 - 10 * (f - 50)) : 0u;
        EXPECT_EQ(cutIn[size_t(f - 1)], expect) << f;
    }
    ASSERT_EQ(flash.size(), 19u);
    EXPECT_EQ(flash.front(), 180u);
    EXPECT_EQ(flash.back(), uint32_t(180 - 10 * 18));

    // With gauge 50 character 1's FORCE lasts 40 frames and shows no cut-in.
    p->gauge = 50.0f;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 39);
    EXPECT_EQ(p->cutInOn, 0);
    Frames(0, 39);
    EXPECT_EQ(p->forceTimer, 0);
}

TEST_F(PlayerActionTest, ForceFormulasOfTheOtherCharacters) {
    p->character = 2;
    p->gauge = 40.0f;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 29);  // (40 - 40) * 1.7 + 30, one frame run
    Frames(0, 40);
    p->character = 3;
    p->gauge = 99.0f;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 0);  // needs 100
    Frames(0, 1);
    p->gauge = 100.0f;
    p->facing = 0;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 183);  // 100 * 2 - 16, one frame run
    EXPECT_EQ(p->cutInOn, 1);
    Frames(PAD_DOWN, 10);
    EXPECT_EQ(p->facing, 0);  // kept while the FORCE runs
    p->character = 4;
    p->forceTimer = 0;
    p->canForce = 1;
    p->gauge = 80.0f;
    Frames(PAD_FORCE, 1);
    EXPECT_EQ(p->forceTimer, 59);
    EXPECT_EQ(p->canForce, 1);  // character 4 keeps it
}

TEST_F(PlayerActionTest, ElementToggleRestartsTheCircle) {
    Frames(PAD_ELEMENT, 1);
    EXPECT_EQ(p->element, 1);
    EXPECT_EQ(p->absorbRadius, 0);
    EXPECT_EQ(ObjectManager.effects[size_t(ObjectManager.effectCursor)]->kind, 17);
    EXPECT_EQ(ObjectManager.effects[size_t(ObjectManager.effectCursor)]->value, 1);
    Frames(PAD_ELEMENT, 1);  // held, not pushed
    EXPECT_EQ(p->element, 1);
    // A bullet of the new element beyond the small circle but within 7 + 8 hurts.
    Frames(0, 1);
    ObjectManager.FireEnemyBullet(p->aimX + 14, p->aimY, BulletMotion::kUnfired, BulletGraphic::kOrb, 0, 0,
                                  elements::kIce, 0, 0);
    p->HitTest();
    EXPECT_EQ(p->life, 4);
}

TEST_F(PlayerActionTest, ChangeNeedsTwentyFramesOnePlayerAndNoForce) {
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(p->character, 1);
    Frames(0, 18);
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(p->character, 2);
    Frames(0, 1);
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(p->character, 1);
    p->character = 4;
    p->chargeShotTimer = 10;
    p->chargeShotOn = 1;
    Frames(0, 1);
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(p->character, 4);
    GameState.twoPlayer = 1;
    p->chargeShotTimer = 0;
    p->chargeShotOn = 0;
    Frames(0, 1);
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(p->character, 4);
}

TEST_F(PlayerActionTest, ShotMotions) {
    cObjectManager& m = ObjectManager;
    p->facing = 0;
    m.SpawnPlayerObject(16, 0, 0, 0);
    cPlayerBulletBase* knife = m.playerBullets[1];
    float furthest = 0;
    for (int i = 0; i < 120; ++i) {
        knife->Move();
        furthest = std::max(furthest, knife->x);
    }
    EXPECT_NEAR(furthest, 320.0f + 10.0f * 51 - 0.2f * 51 * 50 / 2, 2.0f);
    EXPECT_LT(knife->x, 320.0f);  // it came back
    struct Ends {
        int code, frames;
        float speed;
    };
    for (const Ends e : {Ends{12, 21, 11.0f}, Ends{13, 18, 12.0f}, Ends{20, 20, 7.0f}}) {
        m.SpawnPlayerObject(e.code, 0, 0, 0);
        cPlayerBulletBase* b = m.playerBullets[size_t(m.playerBulletCursor)];
        const float x0 = b->x, y0 = b->y;
        for (int i = 1; i < e.frames; ++i) b->Move();
        EXPECT_EQ(b->isActive, 1) << e.code;
        EXPECT_NEAR(std::hypot(b->x - x0, b->y - y0), e.speed * float(e.frames - 1), 0.05f) << e.code;
        b->Move();
        EXPECT_EQ(b->isActive, 0) << e.code;
    }
    // Code 15's cross turns by 160 per frame of the burst timer.
    p->chargeShotTimer = 3;
    m.SpawnPlayerObject(15, 0, 0, 0);
    EXPECT_EQ(m.playerBullets[size_t(m.playerBulletCursor - 3)]->angle, 480);
    // Unknown or player-only codes start no shot.
    const int cursor = m.playerBulletCursor;
    for (int code : {4, 9, 17, 18, 22, -1}) m.SpawnPlayerObject(code, 0, 0, 0);
    EXPECT_EQ(m.playerBulletCursor, cursor);
}

TEST_F(PlayerActionTest, ShotLooksDrawTheirCellsSizesAndAlphas) {
    struct Look {
        int look, slot, size;
        float srcX, srcY;
        uint32_t colour;
    };
    const Look kLooks[] = {{1, 7, 33, 799, 202, 0xFFFFFFFFu}, {2, 7, 33, 832, 202, 0xFFFFFFFFu},
                           {3, 7, 30, 512, 197, 0xAAFFFFFFu}, {4, 7, 80, 599, 208, 0xF0FFFFFFu},
                           {6, 7, 33, 898, 202, 0xBEFFFFFFu}, {7, 8, 83, 596, 288, 0x96FFFFFFu},
                           {8, 7, 33, 865, 202, 0xB4FFFFFFu}, {5, -1}};
    for (const Look& l : kLooks) {
        playtest::QuadRecorder rec;
        cPlayerBulletBase b;  // an ice shot
        b.look = l.look;
        b.x = b.y = 200.0f;
        b.frame = 10;
        b.Draw();
        if (l.slot < 0) {
            EXPECT_TRUE(rec.quads.empty()) << l.look;
            continue;
        }
        ASSERT_EQ(rec.quads.size(), 1u) << l.look;
        const playtest::Quad& q = rec.quads[0];
        EXPECT_EQ(q.slot, l.slot) << l.look;
        EXPECT_FLOAT_EQ(q.dst[0], 200.0f - float(l.size / 2)) << l.look;
        EXPECT_FLOAT_EQ(q.dst[2], float(l.size)) << l.look;
        EXPECT_FLOAT_EQ(q.src[0], l.srcX) << l.look;
        EXPECT_FLOAT_EQ(q.src[1], l.srcY) << l.look;
        EXPECT_EQ(q.colour, l.colour) << l.look;
    }
}

TEST_F(PlayerActionTest, TwoPlayersShootSeparatelyAndScoreSeparately) {
    playtest::StartPlayers(1, true, 200, 300);
    Player2->SetPosition(400, 300);
    for (int i = 0; i < 5; ++i) {
        playtest::SetButtons(0, PAD_SHOT);
        playtest::SetButtons(1, i == 2 ? PAD_SHOT : 0);
        playtest::PlayFrame();
    }
    int owners[2] = {0, 0};
    for (const cPlayerBulletBase* b : ObjectManager.playerBullets) {
        if (b->isActive) owners[b->owner] += 1;
    }
    EXPECT_EQ(owners[0], 1);
    EXPECT_EQ(owners[1], 1);
    // Player 2 (Crow) shoots from its own position.
    for (const cPlayerBulletBase* b : ObjectManager.playerBullets) {
        if (b->isActive && b->owner == 1) {
            EXPECT_GT(b->x, 300.0f);
        }
    }
    EXPECT_EQ(Player2->character, 2);
    Frames(PAD_CHANGE, 1);
    EXPECT_EQ(Player1->character, 1);  // no switching in two-player mode
}

}  // namespace
