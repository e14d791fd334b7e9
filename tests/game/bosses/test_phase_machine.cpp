// The boss base's phase machine: every step from the talk's end to phase 16 on
// each difficulty for one and two players, the steps that do nothing, the
// steps after the fight, and the bonus of a named attack.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "game/bosses/BossCommon.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::BossField;

// The factors of the steps out of phases 2 to 15 as the game has them:
// two-player, difficulty 0, difficulty 2 (1 for none).
struct Factors {
    double twoPlayer, easy, hard;
};
const Factors kSteps[16] = {
    {}, {},
    {1.3, 0.8, 2.0},  // 2 -> 3
    {1.0, 0.6, 2.0},  // 3 -> 4: 0.6, not 0.8
    {1.3, 0.8, 1.0},  // 4 -> 5: no doubling
    {1.0, 0.8, 2.0}, {1.3, 0.8, 2.0}, {1.0, 0.8, 2.0}, {1.3, 0.8, 2.0}, {1.0, 0.8, 2.0},
    {1.3, 0.8, 1.5}, {1.0, 0.8, 1.5},
    {1.4, 0.8, 1.5},  // 12 -> 13: 1.4 for two players
    {1.0, 0.8, 1.5}, {1.3, 0.8, 1.5},
    {1.0, 0.8, 1.0},  // 15 -> 16: none
};

float Scaled(int32_t entry, double factor) { return static_cast<float>(static_cast<float>(entry) * factor); }

class PhaseMatrix : public BossField, public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(PhaseMatrix, EveryStepSetsHpTimeBannerAndBonusByItsFactors) {
    const int difficulty = std::get<0>(GetParam());
    const bool two = std::get<1>(GetParam());
    GameState.difficulty = difficulty;
    GameState.twoPlayer = two ? 1 : 0;
    cBossBase b;
    const int32_t hpTable[8] = {60, 60, 40, 60, 60, 60, 60, 60};
    for (int i = 0; i < 8; ++i) b.hpTable[i] = hpTable[i];
    for (int i = 0; i < 15; ++i) b.timeTable[i] = 11 + 3 * i;  // all different
    b.phase = 1;
    GameState.subState = kSubStateDialogue;
    b.NextPhase();
    // 1 -> 2: the two-player hp, overwritten by either difficulty factor.
    const float e = 60.0f;
    float maxHp = difficulty == 0 ? static_cast<float>(e * 0.8) : difficulty == 2 ? 2 * e : e;
    float hp = difficulty == 1 && two ? static_cast<float>(e + e * 0.6) : maxHp;
    EXPECT_EQ(b.phase, 2);
    EXPECT_EQ(b.phaseTimer, 0);
    EXPECT_FLOAT_EQ(b.maxHp, maxHp);
    EXPECT_FLOAT_EQ(b.hp, hp);
    EXPECT_EQ(b.secondsLeft, 11);
    EXPECT_EQ(b.attackRunning, 1);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
    for (int k = 2; k <= 15; ++k) {
        SCOPED_TRACE("step out of phase " + std::to_string(k));
        const Factors& f = kSteps[k];
        const double byDifficulty = difficulty == 0 ? f.easy : difficulty == 2 ? f.hard : 1.0;
        // Marks: what the step leaves alone keeps them.
        b.bannerX = -5;
        b.attackRunning = 7;
        b.bonusValid = 0;  // no bonus is paid on the way
        b.phaseTimer = 99;
        if (k % 2 == 0) {
            b.hp = 0.0f;
            b.NextPhase();
            const float base = static_cast<float>(hpTable[k / 2]);
            float expect = two ? static_cast<float>(base * f.twoPlayer) : base;
            expect = static_cast<float>(expect * byDifficulty);
            EXPECT_FLOAT_EQ(b.maxHp, expect);
            EXPECT_FLOAT_EQ(b.hp, 0.0f);
            EXPECT_EQ(b.bannerX, 640);
            EXPECT_EQ(b.attackRunning, 0);
            EXPECT_EQ(b.bonusValid, 0);
        } else {
            b.hp = 17.0f;  // what the break's refill left
            b.NextPhase();
            const float expect = Scaled(hpTable[(k - 1) / 2], byDifficulty);
            EXPECT_FLOAT_EQ(b.maxHp, expect);
            // The refill stands, except before phase 14.
            EXPECT_FLOAT_EQ(b.hp, k == 13 ? expect : 17.0f);
            EXPECT_EQ(b.bannerX, -5);
            EXPECT_EQ(b.attackRunning, 1);
            EXPECT_EQ(b.bonusValid, 1);
        }
        EXPECT_EQ(b.secondsLeft, 11 + 3 * (k - 1));
        EXPECT_EQ(b.phase, k + 1);
        EXPECT_EQ(b.phaseTimer, 0);
    }
    // Phase 16 and the phases up to 29 stay where they are.
    for (int p : {0, 16, 17, 29, 33, 40, -1}) {
        b.phase = p;
        b.phaseTimer = 5;
        b.NextPhase();
        EXPECT_EQ(b.phase, p);
        EXPECT_EQ(b.phaseTimer, 5);
    }
}

INSTANTIATE_TEST_SUITE_P(DifficultyAndPlayers, PhaseMatrix,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                             return "Difficulty" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "TwoPlayers" : "OnePlayer");
                         });

TEST_F(BossField, AfterTheFightTheStepsTurnToTheTalkThePlayAndTheEnding) {
    cBossBase b;
    b.phase = 30;
    b.attackRunning = 1;
    b.phaseTimer = 120;
    b.NextPhase();
    EXPECT_EQ(b.phase, 31);
    EXPECT_EQ(b.attackRunning, 0);
    EXPECT_EQ(GameState.subState, kSubStateDialogue);
    b.NextPhase();
    EXPECT_EQ(b.phase, 32);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
    GameState.subState = kSubStateDialogue;
    b.phaseTimer = 9;
    b.NextPhase();
    EXPECT_EQ(b.phase, 33);
    EXPECT_EQ(b.phaseTimer, 0);
    EXPECT_EQ(GameState.subState, kSubStateDialogue);  // the ending keeps the dialogue
}

// A named attack's bonus as its step settles it: a share of the bonus by the
// time left plus a tenth, to the player who hit last. The first named attack
// (phase 4) has a limit of 60 s and a bonus of 100000; the last (phase 8, ended
// as the last attack) 40 s and 140000.
TEST_F(BossField, ANamedAttacksStepPaysItsBonusToTheLastHitterUnlessTimedOutOrMissed) {
    struct Case {
        const char* what;
        int32_t phase, secondsLeft, lastHitter;
        bool playerHit;
        int32_t paid1, paid2, lastBonus;  // 777: the last bonus kept
        uint8_t valid;                    // the bonus flag after the step
    };
    const Case cases[] = {{"won by player 2 with 30 s left", 4, 30, 1, false, 0, 60000, 60000, 1},
                          {"won by player 1 with 45 s left", 4, 45, 0, false, 85000, 0, 85000, 1},
                          {"timed out", 4, 0, 0, false, 0, 0, 777, 0},
                          {"timed out by a count stepping past 0", 4, -1, 0, false, 0, 0, 777, 0},
                          {"a player hit during it", 4, 59, 0, true, 0, 0, 777, 0},
                          {"the last attack, from its own limit and bonus", 8, 10, 0, false, 49000, 0, 49000, 1},
                          {"the opening attack: no bonus", 2, 30, 0, false, 0, 0, 777, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        playtest::StartPlayers(1, true);
        cBossBase b;
        BossA = &b;
        b.timeTable[2] = 60;
        b.timeTable[6] = 40;
        b.timeTable[7] = 1;  // the next break's: must not be read
        b.bonusTable[0] = 100000;
        b.bonusTable[2] = 140000;
        b.lastBonus = 777;
        b.phase = c.phase;
        b.secondsLeft = c.secondsLeft;
        b.lastHitter = c.lastHitter;
        Player1->score = 1000;
        Player2->score = 2000;
        sounds.played.clear();
        if (c.playerHit) {
            Player1->isInvincible = 0;
            Player1->Damage(1);
            EXPECT_EQ(b.bonusValid, 0);
        }
        if (c.phase == 8) {
            EndLastAttack(b);
            EXPECT_EQ(b.phase, 30);
            EXPECT_EQ(b.phaseTimer, 0);
        } else {
            b.NextPhase();
        }
        BossA = nullptr;
        EXPECT_EQ(Player1->score, 1000 + c.paid1);
        EXPECT_EQ(Player2->score, 2000 + c.paid2);
        EXPECT_EQ(b.lastBonus, c.lastBonus);
        EXPECT_EQ(b.bonusValid, c.valid);
        EXPECT_EQ(sounds.Count("boss_death"), 1);
    }
}

}  // namespace
