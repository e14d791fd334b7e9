// The extra stage's bosses on the headless field: the pair's swallowed shots
// and what they bring back, Copic's damage, the beaten pair's departure, and
// Deena's last attack, long-range shots and beams. (Deena's pictures and
// ending: test_stage5_bosses.cpp, beside the stage-5 bosses'.)
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "game/bosses/Stage06Bosses.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::ActiveEffects;
using bosstest::Endless;
using bosstest::FinalBossField;
using bosstest::Updates;
using enemytest::Fired;

class ExtraStageBosses : public FinalBossField {
protected:
    void SetUp() override {
        FinalBossField::SetUp();
        GameState.stage = 6;
    }
    Stage06_PaletCopic* Pair(int32_t phase) {
        Stage06_PaletCopic* b = MakeAt<Stage06_PaletCopic>(290, phase, 320, 60);
        b->imageX = 320.0f;
        b->imageY = 120.0f;
        return b;
    }
    Stage06Boss* Deena(int32_t phase) {
        testing::internal::CaptureStdout();
        Stage06Boss* b = MakeAt<Stage06Boss>(291, phase, 320, 100);
        testing::internal::GetCapturedStdout();
        return b;
    }
};

// ---- Palet and Copic.

// Shots the wall swallows come back in the next attack: the aimed stream runs
// four frames longer per shot, the burst brings one enemy per three, the late
// stream of thirteen-bullet volleys lasts six frames per shot.
TEST_F(ExtraStageBosses, ShotsTheWallSwallowedComeBackInTheNextAttack) {
    for (int32_t w : {0, 3, 10}) {
        SCOPED_TRACE(w);
        playtest::ResetField(13);
        playtest::StartPlayers(1, false, 320, 400);
        Stage06_PaletCopic* b = Pair(4);
        ASSERT_NE(b, nullptr);
        b->hp = 1e6f;
        // The wall goes up at frame 155 below Copic; shots into it vanish and count.
        Updates(b, 155);
        ASSERT_EQ(b->wallActive, 1);
        for (int32_t i = 0; i < w; ++i) {
            cPlayerBulletBase* s = Shot(static_cast<float>(b->wallX) + 79.0f, static_cast<float>(b->wallY), 0);
            b->HitTest();
            EXPECT_EQ(s->isActive, 0);
        }
        cPlayerBulletBase* far = Shot(static_cast<float>(b->wallX) + 81.0f, static_cast<float>(b->wallY) + 200, 0);
        b->HitTest();
        EXPECT_EQ(far->isActive, 1);
        far->isActive = 0;
        EXPECT_EQ(b->wallHits, w);
        // On to the next attack.
        b->hp = 0.0f;
        b->Update();
        ASSERT_EQ(b->phase, 5);
        b->hp = b->maxHp;
        while (b->phase == 5) b->Update();
        ASSERT_EQ(b->phase, 6);
        Endless(b);
        std::vector<int32_t> aimed, burst;
        int32_t frame = 0;
        const std::vector<Fired> shots = Record(1499, [&] {
            const size_t before = m.enemyList.size();
            b->Update();
            ++frame;
            for (size_t i = before; i < m.enemyList.size(); ++i)
                if (m.enemyList[i]->type == 87) (frame == 670 ? burst : aimed).push_back(frame);
        });
        // The aimed stream: every 7th frame from 81 while below 4W + 600.
        ASSERT_FALSE(aimed.empty());
        EXPECT_EQ(aimed.front(), 84);
        EXPECT_LT(aimed.back(), 4 * w + 600);
        EXPECT_GE(aimed.back() + 7, 4 * w + 600);
        EXPECT_EQ(static_cast<int32_t>(burst.size()), w / 3);
        // The late stream: every 7th frame from 951 while below 6W + 950.
        std::vector<int32_t> late;
        for (int32_t step : Steps(shots))
            if (step > 950) late.push_back(step);
        if (w == 0) {
            EXPECT_TRUE(late.empty());
            continue;
        }
        ASSERT_FALSE(late.empty());
        EXPECT_LT(late.back(), 6 * w + 950);
        EXPECT_GE(late.back() + 7, 6 * w + 950);
        for (int32_t step : late) EXPECT_EQ(bosstest::OfStep(shots, step).size(), 13u);
    }
}

TEST_F(ExtraStageBosses, CopicTakesAFifthOrATenthSilentlyPaletAsTheBase) {
    struct Case {
        bool copic;
        int32_t element, owner;
        float hp;
        const char* sound;
        int effects;
    };
    // The pair's element is 1 in its first attack.
    const Case cases[] = {{true, 1, 0, 100.0f - 0.2f * 10, "", 0},
                          {true, 0, 1, 100.0f - 0.1f * 10, "", 0},
                          {false, 1, 1, 100.0f - 0.5f * 10, "enemydamage_small", 3},
                          {false, 0, 0, 100.0f - 10, "rt_cursor01", 6}};
    playtest::StartPlayers(1, true, 100, 400);
    Stage06_PaletCopic* b = Pair(2);
    ASSERT_EQ(b->element, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.copic << " " << c.element);
        b->hp = 100.0f;
        b->lastHitter = 1 - c.owner;
        sounds.played.clear();
        Player1->score = Player2->score = 0;
        const int effects = ActiveEffects();
        cPlayerBulletBase* s =
            Shot(c.copic ? b->imageX : b->x, (c.copic ? b->imageY : b->y) + 39.0f, c.element, 10.0f, c.owner);
        b->HitTest();
        EXPECT_EQ(s->isActive, 0);
        EXPECT_FLOAT_EQ(b->hp, c.hp);
        EXPECT_EQ(sounds.played, c.sound[0] ? std::vector<std::string>{c.sound} : std::vector<std::string>{});
        EXPECT_EQ(ActiveEffects() - effects, c.effects);
        EXPECT_EQ((c.owner == 0 ? Player1 : Player2)->score, 10);
        EXPECT_EQ(b->lastHitter, c.owner);  // the shooter is recorded for the bonus
    }
}

TEST_F(ExtraStageBosses, TheBeatenPairDropsALifeLeavesHarmlesslyAndAGameOverStands) {
    playtest::StartPlayers(1, false, 320, 400);
    Stage06_PaletCopic* b = Pair(10);
    b->hp = 0.0f;
    testing::internal::CaptureStdout();
    b->Update();
    ASSERT_EQ(b->phase, 30);
    const size_t before = m.enemyList.size();
    Updates(b, 149);
    EXPECT_EQ(b->phase, 30);
    b->Update();
    // The talk begins, the life drops at Palet's stage position.
    EXPECT_EQ(b->phase, 31);
    EXPECT_EQ(GameState.subState, kSubStateDialogue);
    ASSERT_EQ(m.enemyList.size(), before + 1);
    EXPECT_EQ(m.enemyList.back()->type, 104);
    EXPECT_EQ(m.enemyList.back()->x, static_cast<float>(static_cast<int32_t>(b->x)));
    EXPECT_EQ(b->attackRunning, 0);
    b->NextPhase();  // the talk's end
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(b->phase, 32);
    // A player on the sinking bodies is not hurt.
    Player1->isInvincible = 0;
    Player1->invincibleCount = 0;
    const int32_t life = Player1->life, stock = Player1->stock;
    for (int32_t f = 0; f < 100; ++f) {
        PlacePlayer(Player1, b->imageX, b->imageY);
        b->HitTest();
        GameState.subState = kSubStatePlay;
        b->Update();
    }
    EXPECT_EQ(Player1->life, life);
    EXPECT_EQ(Player1->stock, stock);
    // A game over set earlier in the frame survives the departure's frame.
    GameState.subState = kSubStateGameOver;
    b->Update();
    EXPECT_EQ(GameState.subState, kSubStateGameOver);
    EXPECT_EQ(ScrollHalt, 0);
    GameState.subState = kSubStatePlay;
    while (b->active && b->phaseTimer < 400) b->Update();
    EXPECT_EQ(b->phaseTimer, 300);
    EXPECT_EQ(b->active, 0);
}

// The attacks after the defence end with the field cleared and their timer at
// zero; during a break each body comes to rest in the band [target - 4, target].
TEST_F(ExtraStageBosses, TheBurstEndsWithTheFieldClearedAndTheBreakStopsInItsBands) {
    playtest::ResetField(24);  // a seed whose nearest burst lands at 210 px
    playtest::StartPlayers(1, false, 320, 400);
    Stage06_PaletCopic* b = Pair(8);
    Endless(b);
    b->hp = 100.0f;  // the second burst waits for 70
    const std::vector<Fired> shots = RunBoss(1080, b);
    ASSERT_EQ(Steps(shots).size(), 30u);
    for (const Fired& f : shots) {
        const float d = std::hypot(f.x - Player1->aimX, f.y - Player1->aimY);
        EXPECT_GE(d, 209.9f);
        EXPECT_LT(d, 409.1f);
    }
    cEnemyObjectBase* e = SpawnActive(13, 300, 200, 0, 0, 0, 0, 0, 10);
    b->hp = 0.0f;
    b->Update();
    EXPECT_EQ(b->phase, 9);
    EXPECT_EQ(b->phaseTimer, 0);
    EXPECT_EQ(e->isDying, 1);
    int32_t live = 0, cancelled = 0;
    for (const cEnemyBulletBase* s : m.enemyBullets)
        if (s->isActive) ++live, cancelled += s->element == elements::kCancelled ? 1 : 0;
    EXPECT_GT(live, 0);
    EXPECT_EQ(cancelled, live);
    // The break before the beam: Palet to (30, 450), Copic to (80, 240), 3 px a frame.
    b->x = 20.0f, b->y = 460.0f, b->imageX = 90.0f, b->imageY = 230.0f;
    Updates(b, 10);
    EXPECT_EQ(b->phase, 9);
    EXPECT_EQ(std::vector<float>({b->x, b->y, b->imageX, b->imageY}), std::vector<float>({26, 448, 78, 236}));
}

TEST_F(ExtraStageBosses, TheBeamSoundsOnItsFourStarts) {
    Stage06_PaletCopic* b = Pair(10);
    Endless(b);
    std::vector<int32_t> frames;
    for (int32_t f = 1; f <= 1700; ++f) {
        b->Update();
        if (sounds.Count("princessbomb_laser") > int(frames.size())) frames.push_back(f);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{20, 380, 780, 1700}));
}

// ---- Deena.

// Her backdrop: the last group's picture under the next one fading in; after
// the defeat the afterglow fades out over the last picture.
TEST_F(ExtraStageBosses, DeenasBackdropFadesFromGroupToGroup) {
    using Drawn = std::vector<std::array<uint32_t, 3>>;  // source x, y and alpha of each backdrop
    const struct {
        int32_t phase, alpha;  // backAlpha before the frame
        Drawn drawn;
    } cases[] = {{2, 254, {{1280, 960, 255}}},
                 {4, 100, {{1280, 960, 255}, {0, 1440, 101}}},
                 {14, 255, {{640, 960, 255}}},
                 {30, 300, {{1920, 960, 255}, {1920, 1440, 208}}}};
    Stage06Boss* b = Deena(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        b->phase = c.phase;
        b->backAlpha = c.alpha;
        playtest::QuadRecorder rec;
        b->Draw();
        Drawn drawn;
        for (const playtest::Quad& q : bosstest::OfSlot(rec.quads, sheet::kFrontLayer))
            drawn.push_back({uint32_t(q.src[0]), uint32_t(q.src[1]), q.colour >> 24});
        EXPECT_EQ(drawn, c.drawn);
    }
    EXPECT_EQ(b->decorAngle, 3 * 20);  // the circle turns 20 in each frame before the defeat
}

// Her rest summons a star at 490 frames, each next one 8 frames sooner.
TEST_F(ExtraStageBosses, DeenasRestSummonsComeEightFramesSoonerEachTime) {
    Stage06Boss* b = Deena(9);
    b->hp = b->maxHp;
    while (b->phase == 9) b->Update();
    Endless(b);
    EXPECT_EQ(SummonFrames(b, 81, 1450), (std::vector<int32_t>{490, 970, 1442}));
    std::vector<int32_t> corners;
    for (const cEnemyObjectBase* e : OfType(82)) corners.push_back(e->element);
    EXPECT_EQ(corners, (std::vector<int32_t>{0, 0, 1, 1}));
}

TEST_F(ExtraStageBosses, DeenasLastAttackStageFollowsHpAndSeconds) {
    struct Case {
        float hp;
        int32_t seconds, stage;
    };
    const Case cases[] = {{700, 700, 1}, {650, 601, 1}, {649.9f, 999, 2}, {600, 700, 2}, {700, 600, 2},
                          {700, 500, 2}, {351, 100, 2}, {300, 450, 2},   {300, 301, 2}, {350, 300, 3},
                          {300, 200, 3}, {900, 300, 3}, {100, 1, 3}};
    for (const Case& c : cases) EXPECT_EQ(Stage06Boss::LastAttackStage(c.hp, c.seconds), c.stage) << c.hp << " " << c.seconds;
    // On difficulty 0 the attack starts at 800 x 0.8 hp: the walls stage never comes.
    GameState.difficulty = 0;
    playtest::StartPlayers(1, false, 320, 400);
    Stage06Boss* easy = Deena(14);
    EXPECT_FLOAT_EQ(easy->hp, 640.0f);
    EXPECT_EQ(Stage06Boss::LastAttackStage(easy->hp, easy->secondsLeft), 2);
    // What each stage does on the field.
    for (int32_t want : {1, 2, 3}) {
        SCOPED_TRACE(want);
        playtest::ResetField(17);
        playtest::StartPlayers(1, false, 320, 400);
        Stage06Boss* b = Deena(14);
        ASSERT_EQ(b->phase, 14);
        b->hp = want == 1 ? 700.0f : want == 2 ? 500.0f : 300.0f;
        b->secondsLeft = 900;
        if (want == 2) b->x = 484.0f;
        const size_t enemies = m.enemyList.size();
        const std::vector<Fired> shots = RunBoss(130, b);
        if (want == 1) {
            // Rows of 30 from the top and the bottom edge every 58 frames.
            EXPECT_EQ(Steps(shots), (std::vector<int32_t>{58, 116}));
            const std::vector<Fired> rows = bosstest::OfStep(shots, 58);
            ASSERT_EQ(rows.size(), 60u);
            EXPECT_EQ(rows[0].y, 0.0f);
            EXPECT_EQ(rows[30].y, 480.0f);
            EXPECT_EQ(rows[29].x, 22.0f * 29);
        } else if (want == 2) {
            // It walks left of 480, then circles from a downward heading, bursting 78 at a time.
            EXPECT_LE(b->x, 480.0f);
            EXPECT_GT(b->y, 120.0f);
            ASSERT_FALSE(shots.empty());
            EXPECT_EQ(bosstest::OfStep(shots, Steps(shots)[0]).size(), 78u);
        } else {
            // The corners' four summons, then beams of three from frame 90.
            int32_t corners = 0;
            for (size_t i = enemies; i < m.enemyList.size(); ++i) corners += m.enemyList[i]->type == 64 ? 1 : 0;
            EXPECT_EQ(corners, 4);
            EXPECT_EQ(b->cornersDone, 1);
            ASSERT_FALSE(shots.empty());
            EXPECT_EQ(Steps(shots)[0], 91);  // the first call reset the timer to 0
            EXPECT_EQ(bosstest::OfStep(shots, 91).size(), 3u);
            EXPECT_EQ(sounds.Count("raser_long"), 1);  // the start-up laser: audible in stage 6
            EXPECT_EQ(sounds.Count("raser_long_stage3"), 0);
        }
    }
}

TEST_F(ExtraStageBosses, DeenaSnipesAPlayerKeepingTwoHundredTwentyPixelsAway) {
    struct Case {
        float distance;
        bool two;
        size_t snipes;
    };
    const Case cases[] = {{220.0f, false, 1}, {219.0f, false, 0}, {220.0f, true, 2}, {219.0f, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.distance << " " << c.two);
        playtest::ResetField(19);
        playtest::StartPlayers(1, c.two, 320, 400);
        Stage06Boss* b = Deena(8);
        b->hp = 1e6f;
        b->x = 320.0f;
        b->y = 100.0f;
        PlacePlayer(Player1, 320.0f, 100.0f + c.distance);
        PlacePlayer(Player2, 320.0f - c.distance, 100.0f);
        std::vector<Fired> shots = RunBoss(110, b);
        size_t snipes = 0;
        for (const Fired& f : bosstest::OfStep(shots, 110)) snipes += f.graphic == 11 ? 1 : 0;
        EXPECT_EQ(snipes, c.snipes);
        for (const Fired& f : bosstest::OfStep(shots, 90)) EXPECT_NE(f.graphic, 11);  // not before frame 100
        EXPECT_EQ(bosstest::OfStep(shots, 100).size(), bosstest::OfStep(shots, 110).size());
    }
}

}  // namespace
