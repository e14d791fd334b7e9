// The frames every stage boss follows: appearance, entrance, talk, seconds,
// breaks, the last attack, the pause and the tally in Update; the gauge,
// banner, bonus, name, circle and body cells of each phase in Draw.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/bosses/BossFactory.h"
#include "game/bosses/Stage01Boss.h"
#include "game/bosses/Stage02Boss.h"
#include "game/bosses/Stage03Boss.h"
#include "game/bosses/Stage04Boss.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/bosses/boss_field.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/test_support.h"

namespace {

using bosstest::ActiveEffects;
using bosstest::BossField;
using bosstest::OfSlot;
using bosstest::Row;
using bosstest::Updates;
using playtest::Quad;

TEST_F(BossField, TheFactoryPutsEachStagesBossInSlotAInPlaceOfTheLastOne) {
    m.SpawnStageObject(320, 380, 200, 0, 0, elements::kFire, 0, 0, 0, 7350);
    ASSERT_NE(dynamic_cast<Stage01Boss*>(BossA), nullptr);
    EXPECT_EQ(BossA->appearFrame, 7350);
    EXPECT_EQ(BossA->phase, 0);
    EXPECT_EQ(BossA->active, 0);
    EXPECT_FLOAT_EQ(BossA->x, 320.0f);
    EXPECT_EQ(BossA->radius, 30);
    EXPECT_FLOAT_EQ(BossA->hp, 30.0f);
    // Each new boss replaces (and frees) the one before it.
    m.SpawnStageObject(320, 10, 201, 0, 0, elements::kFire, 0, 0, 0, 9740);
    EXPECT_NE(dynamic_cast<Stage02Boss*>(BossA), nullptr);
    m.SpawnStageObject(245, 65, 202, 16384, 0, elements::kFire, 0, 0, 0, 10550);
    ASSERT_NE(dynamic_cast<Stage03Boss*>(BossA), nullptr);
    EXPECT_EQ(BossA->moveAngle, 16384);  // the entrance follows the line's angle
    m.SpawnStageObject(-40, 120, 203, 16384, 0, elements::kFire, 0, 0, 0, 16750);
    auto* twins = dynamic_cast<Stage04Boss*>(BossA);
    ASSERT_NE(twins, nullptr);
    EXPECT_EQ(twins->moveAngle, 0);
    EXPECT_EQ(twins->element, 0);
    EXPECT_EQ(twins->element2, 1);
    EXPECT_EQ(BossB, nullptr);
    EXPECT_TRUE(m.enemyList.empty());
}

// The play objects make bosses only through the maker installed: none without
// one, and whatever the installed one answers, with the code, team and place
// the stage's line gave, into the slot of the code.
cBossBase* gMadeBy = nullptr;
std::vector<std::vector<int32_t>> gMakerCalls;
cBossBase* RecordingMaker(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    gMakerCalls.push_back({code, team, x, y, angle});
    return code == 202 ? nullptr : (gMadeBy = MakeStageBoss(code, team, x, y, angle));
}

TEST_F(BossField, TheObjectsMakeBossesThroughTheMakerTheBossesInstall) {
    SetStageBossMaker(nullptr);
    m.SpawnStageObject(320, 380, 200, 0, 0, elements::kFire, 0, 0, 0, 10);
    EXPECT_EQ(BossA, nullptr);
    SetStageBossMaker(&RecordingMaker);
    GameState.team = 2;
    m.SpawnStageObject(320.7f, 380, 200, 16384, 0, elements::kFire, 0, 0, 0, 10);
    m.SpawnStageObject(100, -20, 202, 0, 0, elements::kFire, 0, 0, 0, 10);
    m.SpawnStageObject(200, 40, 205, 0, 0, elements::kFire, 0, 0, 0, 10);
    EXPECT_EQ(gMakerCalls, (std::vector<std::vector<int32_t>>{
                               {200, 2, 320, 380, 16384}, {202, 2, 100, -20, 0}, {205, 2, 200, 40, 0}}));
    EXPECT_NE(dynamic_cast<Stage01Boss*>(BossA), nullptr);  // kept: the maker made none for 202
    EXPECT_EQ(BossB, gMadeBy);
    EXPECT_NE(BossB, nullptr);
    InstallStageBosses();
    m.SpawnStageObject(320, 10, 201, 0, 0, elements::kFire, 0, 0, 0, 9740);
    EXPECT_NE(dynamic_cast<Stage02Boss*>(BossA), nullptr);
    EXPECT_EQ(gMakerCalls.size(), 3u);
}

TEST_F(BossField, WakesOnItsFrameOnceAndRisesIntoViewThenTalks) {
    ScrollX = 100.0f;
    ScrollY = 50.0f;
    Stage01Boss* b = Make<Stage01Boss>(200, 320, 380, 0, 10);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::vector<int32_t>(b->hitBox, b->hitBox + 4), (std::vector<int32_t>{320, 380, 360, 420}));  // a 40 px box
    StageFrame = 9;
    b->Update();
    EXPECT_EQ(b->active, 0);
    EXPECT_EQ(b->phaseTimer, 0);
    StageFrame = 10;
    // An enemy on screen when the entrance ends is destroyed.
    cEnemyObjectBase* e = SpawnActive(13, 300, 200, 0, 0, 0, 0, 0, 10);
    ASSERT_NE(e, nullptr);
    // The stage frame stands still (a halted scroll): the scroll is added once.
    for (int i = 1; i <= 149; ++i) {
        b->Update();
        ASSERT_FLOAT_EQ(b->x, 420.0f) << i;
        ASSERT_FLOAT_EQ(b->y, 430.0f - static_cast<float>(i)) << i;
    }
    EXPECT_EQ(b->phase, 0);
    EXPECT_EQ(e->isDying, 0);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
    b->Update();
    EXPECT_EQ(b->phase, 1);
    EXPECT_EQ(b->moveAngle, 32768);
    EXPECT_EQ(e->isDying, 1);
    // The talk begins in the same frame: the scroll halts, the dialogue runs.
    EXPECT_EQ(ScrollHalt, 1);
    EXPECT_EQ(GameState.subState, kSubStateDialogue);
    EXPECT_EQ(b->phaseTimer, 150);
}

TEST_F(BossField, SecondsRunEverySixtyFramesAndAnAttackEndsAtTheLast) {
    playtest::StartPlayers(1, true, 320, 400);
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 2, 320, 200);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->secondsLeft, 60);
    Updates(b, 59);
    EXPECT_EQ(b->secondsLeft, 60);
    Updates(b, 1);
    EXPECT_EQ(b->secondsLeft, 59);
    Updates(b, 60);
    EXPECT_EQ(b->secondsLeft, 58);
    // The defeat's pause counts on.
    b->phase = kPhaseDefeated;
    b->phaseTimer = 59;
    b->Update();
    EXPECT_EQ(b->secondsLeft, 57);
    b->phase = 2;
    // The time runs out: the opening attack ends, paying player 1 its 10000
    // whoever shot last.
    const int32_t score1 = Player1->score, score2 = Player2->score;
    b->lastHitter = 1;
    b->secondsLeft = 1;
    b->phaseTimer = 179;
    b->Update();
    EXPECT_EQ(b->phase, 3);
    EXPECT_EQ(b->element, 0);
    EXPECT_EQ(Player1->score, score1 + 10000);
    EXPECT_EQ(Player2->score, score2);
    EXPECT_EQ(sounds.Count("boss_death"), 1);
}

TEST_F(BossField, ABreakRefillsTwoAFrameWalksToItsPointAndEndsOnItsFrame150) {
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 3, 600, 400);
    ASSERT_NE(b, nullptr);
    b->maxHp = 59.0f;  // the refill may pass it by less than 2
    b->hp = 0.0f;
    Updates(b, 29);
    EXPECT_FLOAT_EQ(b->hp, 58.0f);
    Updates(b, 10);
    EXPECT_FLOAT_EQ(b->hp, 60.0f);
    // Toward (290, 50) in steps of 3 per axis.
    EXPECT_FLOAT_EQ(b->x, 600.0f - 3 * 39);
    EXPECT_FLOAT_EQ(b->y, 400.0f - 3 * 39);
    Updates(b, 110);
    EXPECT_EQ(b->phase, 3);
    EXPECT_EQ(b->phaseTimer, 149);
    b->Update();
    EXPECT_EQ(b->phase, 4);
    EXPECT_EQ(b->phaseTimer, 0);
    EXPECT_EQ(b->attackRunning, 1);
}

// The last attack falls to the defeat pause, bullets cancelled and the bonus
// paid; the pause to the talk; the talk's end to the tally 60 frames on, for
// which all but Shamyu let the scroll run again.
TEST_F(BossField, TheLastAttackFallsToThePauseThenTheTalkThenTheTally) {
    struct Case {
        int32_t code, lastAttack, pause;
        int32_t bonus;  // with 30 s of the attack's limit left
        int effects;    // Shamyu's explosion and its debris
        bool releasesScroll;
    };
    const Case cases[] = {{200, 8, 151, 84000, 9, false},    // 140000 x 30 / 60 + 14000
                          {201, 8, 120, 126857, 0, true},    // 240000 x 30 / 70 + 24000
                          {202, 8, 120, 216000, 0, true},    // 360000 x 30 / 60 + 36000
                          {203, 10, 120, 209575, 0, true}};  // 520000 x 30 / 99 + 52000
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        cBossBase* b = MakeAt(c.code, c.lastAttack, 320, 200);
        ASSERT_NE(b, nullptr);
        ObjectManager.FireEnemyBullet(100, 100, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 1.0f,
                                      0.0f);
        const cEnemyBulletBase* bullet = ObjectManager.enemyBullets[size_t(ObjectManager.enemyBulletCursor)];
        b->secondsLeft = 30;
        b->lastHitter = 0;
        const int32_t score = Player1->score;
        const int effects = ActiveEffects();
        b->hp = 0.0f;
        b->Update();
        EXPECT_EQ(b->phase, 30);
        EXPECT_EQ(b->phaseTimer, 0);
        EXPECT_EQ(b->attackRunning, 1);  // contact still hurts in the pause
        EXPECT_EQ(bullet->element, 10);  // cancelled
        EXPECT_EQ(sounds.Count("boss_death"), 1);
        EXPECT_EQ(ActiveEffects(), effects + c.effects);
        EXPECT_EQ(b->lastBonus, c.bonus);
        EXPECT_EQ(Player1->score, score + c.bonus);
        Updates(b, c.pause - 1);
        EXPECT_EQ(b->phase, 30);
        b->Update();
        EXPECT_EQ(b->phase, 31);
        EXPECT_EQ(b->attackRunning, 0);
        EXPECT_EQ(GameState.subState, kSubStateDialogue);
        b->NextPhase();  // the talk's end
        EXPECT_EQ(GameState.subState, kSubStatePlay);
        ScrollHalt = 1;
        Updates(b, 59);
        EXPECT_EQ(GameState.subState, kSubStatePlay);
        b->Update();
        EXPECT_EQ(GameState.subState, kSubStateTally);
        EXPECT_EQ(ScrollHalt, c.releasesScroll ? 0 : 1);
    }
}

// What each phase of the stage-1 boss draws besides its body and circle.
TEST_F(BossField, EachPhaseShowsTheGaugeBannerBonusAndNameItOwns) {
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 2, 320, 200);
    ASSERT_NE(b, nullptr);
    struct Expect {
        int32_t phase;
        bool gauge, banner, bonus;
        const char8_t* name;  // the attack name
    };
    const Expect cases[] = {
        {0, false, false, false, nullptr},
        {2, true, false, false, nullptr},
        {3, true, true, false, nullptr},
        {4, true, false, false, u8"ねこあたっく：はしる猫のしっぽ"},
        {5, true, true, true, nullptr},
        {6, true, false, false, u8"ねこあたっく：おっかけRUNRUN"},
        {7, true, true, true, nullptr},
        {8, true, false, false, u8"ねこあたっく：ちょとつもーしん！"},
        {30, true, false, true, nullptr},
        {32, false, false, false, nullptr},
    };
    for (const Expect& c : cases) {
        for (uint8_t valid : {0, 1}) {
            SCOPED_TRACE(std::to_string(c.phase) + (valid ? " bonus valid" : " bonus lost"));
            playtest::QuadRecorder rec;
            b->phase = c.phase;
            b->bonusValid = valid;
            b->Draw();
            EXPECT_EQ(OfSlot(rec.quads, 33).size(), 1u);  // the body
            EXPECT_EQ(OfSlot(rec.quads, 32).size(), 1u);  // the circle
            EXPECT_EQ(Row(rec.quads, 15).size(), c.gauge ? 1u : 0u);
            EXPECT_EQ(OfSlot(rec.quads, 28).size(), c.banner ? 1u : 0u);
            EXPECT_EQ(Row(rec.quads, 170).size(), c.bonus && valid ? 1u : 0u);
            ASSERT_EQ(rec.texts.size(), c.name ? 1u : 0u);
            if (!c.name) continue;
            EXPECT_EQ(rec.texts[0].text, testsupport::Utf8ToCp932(reinterpret_cast<const char*>(c.name)));
            EXPECT_EQ(rec.texts[0].x, 270);
            EXPECT_EQ(rec.texts[0].y, 50);
            EXPECT_EQ(rec.texts[0].font, 1);
        }
    }
}

// Every boss names its attacks from its list, by position: nothing in the
// opening attack or a break, then the list's names in order, one an attack.
TEST_F(BossField, EveryBossShowsItsListsNamesInTheOrderItFightsItsAttacks) {
    struct Case {
        int32_t code, team;
        std::span<const char* const> names;
    };
    const Case cases[] = {
        {200, 1, attacknames::kStage01Boss},       {201, 1, attacknames::kStage02Boss},
        {202, 1, attacknames::kStage03Boss},       {203, 1, attacknames::kStage04Boss},
        {204, 1, attacknames::kStage05Boss_Osero}, {204, 2, attacknames::kStage05Boss_Crow},
        {205, 1, attacknames::kStage05Boss},       {205, 2, attacknames::kStage05Boss_Yuri},
        {290, 1, attacknames::kStage06_PaletCopic}, {291, 1, attacknames::kStage06Boss},
    };
    size_t bosses = 0;
    for (const Case& c : cases) {
        GameState.team = c.team;
        cBossBase* b = Make(c.code, 320, 200);
        ASSERT_NE(b, nullptr) << c.code;
        b->active = 1;
        std::vector<std::string> shown;
        for (int32_t phase = kPhaseOpening; phase <= kPhaseOpening + 2 * int32_t(c.names.size()); ++phase) {
            playtest::QuadRecorder rec;
            b->phase = phase;
            b->Draw();
            std::string name = "-";
            for (const playtest::Text& t : rec.texts)
                if (t.font == 1) name = t.text;
            shown.push_back(name);
        }
        std::vector<std::string> want = {"-"};
        for (const char* n : c.names) want.insert(want.end(), {"-", n});
        EXPECT_EQ(shown, want) << "boss " << c.code << ", team " << c.team;
        bosses += 1;
    }
    EXPECT_EQ(bosses, std::size(attacknames::kAllBosses));
}

TEST_F(BossField, TheCircleTurnsUnderTheBodyAndTheBodyRunsItsCells) {
    Stage01Boss* b = MakeAt<Stage01Boss>(200, 2, 420, 300);
    ASSERT_NE(b, nullptr);
    ScrollX = 100.0f;
    ScrollY = 50.0f;
    b->element = elements::kIce;
    std::vector<float> cells;
    int32_t angle = b->circleAngle;
    for (int frame = 1; frame <= 60; ++frame) {
        playtest::QuadRecorder rec;
        b->Draw();
        const std::vector<Quad> circle = OfSlot(rec.quads, 32);
        const std::vector<Quad> body = OfSlot(rec.quads, 33);
        ASSERT_EQ(circle.size(), 1u);
        ASSERT_EQ(body.size(), 1u);
        angle += 190;
        EXPECT_EQ(circle[0].angle, angle);
        EXPECT_TRUE(circle[0].turned);
        EXPECT_EQ(std::vector<float>(circle[0].src, circle[0].src + 4), (std::vector<float>{128, 0, 128, 128}));
        EXPECT_EQ(std::vector<float>(circle[0].dst, circle[0].dst + 4),
                  (std::vector<float>{420 - 6 - 100 - 64, 300 + 30 - 50 - 64, 128, 128}));
        EXPECT_EQ(std::vector<float>(body[0].dst, body[0].dst + 4), (std::vector<float>{290, 220, 60, 80}));
        cells.push_back(body[0].src[0] / 60);
    }
    // Six cells of nine frames, the cycle closing after 53.
    std::vector<float> expect;
    for (int frame = 1; frame <= 60; ++frame) expect.push_back(static_cast<float>(frame % 53 / 9));
    EXPECT_EQ(cells, expect);
}

}  // namespace
