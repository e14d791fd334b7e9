// The bosses' attack rows at their edges: the phase each row serves, the first
// and last row and the phases past them, the tables a full list of rows fills,
// the named attacks whose bonus is paid, and the frame windows, view edges and
// difficulty the attacks read.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

#include "game/bosses/BossCommon.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::BossField;

struct Fighter {
    void Opening() {}
    void First() {}
    void Last() {}
    void Unlisted() {}
};
using Row = BossAttack<Fighter>;

// Seven rows: the opening attack and six named ones, as many as the base's tables hold.
const Row kSeven[] = {
    {10, 20, 0, &Fighter::Opening, 0, {}},     {11, 21, 1000, &Fighter::First, 3, {}},
    {12, 22, 2000, &Fighter::Unlisted, 4, {}}, {13, 23, 3000, &Fighter::Unlisted, 5, {}},
    {14, 24, 4000, &Fighter::Unlisted, 6, {}}, {15, 25, 5000, &Fighter::Unlisted, 7, {}},
    {16, 26, 6000, &Fighter::Last, 8, {}},
};
// The names of the six attacks after the opening one.
const char* const kSevenNames[] = {"one", "two", "three", "four", "five", "six"};

TEST(AttackRows, EachPhaseFindsItsRowAndThePhasesPastTheLastFindNone) {
    const struct {
        int32_t phase;
        int row;  // -1: none
        const char* name;
    } cases[] = {
        {0, -1, nullptr},  {1, -1, nullptr},  // before the opening attack (the talk)
        {2, 0, nullptr},                      // the opening attack: a row without a name
        {3, 1, nullptr},                      // the break before the first named attack
        {4, 1, "one"},     {13, 6, nullptr},  {14, 6, "six"},  // the last row and its break
        {15, -1, nullptr}, {16, -1, nullptr},                  // past the last row
        {29, -1, nullptr}, {30, -1, nullptr}, {31, -1, nullptr}, {-2, -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        const Row* row = AttackOfPhase(c.phase, kSeven);
        EXPECT_EQ(row, c.row < 0 ? nullptr : &kSeven[c.row]);
        const char* name = AttackNameOf(c.phase, kSeven, kSevenNames);
        if (c.name) {
            EXPECT_STREQ(name, c.name);
        } else {
            EXPECT_EQ(name, nullptr);
        }
    }
    // A list that reaches the defeat's phase stops short of it.
    Row fifteen[15];
    for (Row& r : fifteen) r = kSeven[1];
    EXPECT_EQ(AttackOfPhase(29, fifteen), &fifteen[14]);
    EXPECT_EQ(AttackOfPhase(kPhaseDefeated, fifteen), nullptr);

    EXPECT_EQ(PhaseOfAttack(kSeven, &Fighter::Opening), kPhaseOpening);
    EXPECT_EQ(PhaseOfAttack(kSeven, &Fighter::First), 4);
    EXPECT_EQ(PhaseOfAttack(kSeven, &Fighter::Last), 14);
    EXPECT_EQ(PhaseOfAttack(kSeven, &Fighter::Unlisted), 6) << "the first row that runs it";
    EXPECT_EQ(BreakBefore(kSeven, &Fighter::Last), 13);
    EXPECT_TRUE(RunsAttack(14, kSeven, &Fighter::Last));
    EXPECT_FALSE(RunsAttack(13, kSeven, &Fighter::Last));
    const Row none[] = {kSeven[0]};
    EXPECT_EQ(PhaseOfAttack(none, &Fighter::Last), -1);
}

TEST(AttackRows, SevenRowsFillTheTablesAndFewerLeaveTheRestAsTheyWere) {
    cBossBase full;
    for (int32_t& v : full.hpTable) v = -1;
    for (int32_t& v : full.timeTable) v = -1;
    for (int32_t& v : full.bonusTable) v = -1;
    SetUpStageBoss(full, 500.0f, elements::kIce, kSeven);
    const int32_t hp[8] = {10, 11, 12, 13, 14, 15, 16, -1};
    const int32_t time[15] = {20, 3, 21, 4, 22, 5, 23, 6, 24, 7, 25, 8, 26, -1, -1};
    const int32_t bonus[6] = {1000, 2000, 3000, 4000, 5000, 6000};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(full.hpTable[i], hp[i]) << "hp " << i;
    for (int i = 0; i < 15; ++i) EXPECT_EQ(full.timeTable[i], time[i]) << "time " << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(full.bonusTable[i], bonus[i]) << "bonus " << i;
    EXPECT_FLOAT_EQ(full.hp, 500.0f);
    EXPECT_EQ(full.element, 1);

    cBossBase two;
    for (int32_t& v : two.timeTable) v = -1;
    for (int32_t& v : two.bonusTable) v = -1;
    const Row first[] = {kSeven[0], kSeven[1]};
    SetUpStageBoss(two, 100.0f, elements::kFire, first);
    EXPECT_EQ(two.timeTable[0], 20);
    EXPECT_EQ(two.timeTable[1], 3);
    EXPECT_EQ(two.timeTable[2], 21);
    EXPECT_EQ(two.timeTable[3], -1);
    EXPECT_EQ(two.bonusTable[0], 1000);
    EXPECT_EQ(two.bonusTable[1], -1);
}

TEST(AttackRows, FrameWindowsTakeBothEndsAndTheDifficultyOutsideItsRangeIsNormal) {
    EXPECT_FALSE(InFrames(9, 10, 20));
    EXPECT_TRUE(InFrames(10, 10, 20));
    EXPECT_TRUE(InFrames(20, 10, 20));
    EXPECT_FALSE(InFrames(21, 10, 20));
    EXPECT_TRUE(EveryInFrames(10, 10, 20, 5));
    EXPECT_TRUE(EveryInFrames(20, 10, 20, 5));
    EXPECT_FALSE(EveryInFrames(25, 10, 20, 5));
    EXPECT_FALSE(EveryInFrames(12, 10, 20, 5));

    const int32_t saved = GameState.difficulty;
    const struct {
        int32_t stored, used;
    } difficulties[] = {{-1, 1}, {0, 0}, {1, 1}, {2, 2}, {3, 1}, {INT32_MIN, 1}};
    for (const auto& d : difficulties) {
        GameState.difficulty = d.stored;
        EXPECT_EQ(BossDifficulty(), d.used) << d.stored;
    }
    GameState.difficulty = saved;

    cBossBase b;
    const struct {
        float hp;
        int32_t seconds;
        bool over;
    } attacks[] = {{0.0f, 10, true}, {0.001f, 10, false}, {-1.0f, 10, true}, {5.0f, 1, false}, {5.0f, 0, true}};
    for (const auto& a : attacks) {
        b.hp = a.hp;
        b.secondsLeft = a.seconds;
        EXPECT_EQ(AttackOver(b), a.over) << a.hp << " hp, " << a.seconds << " s";
    }
}

// A box touching the view's edge is in it; one pixel over is out, and comes back.
TEST(AttackRows, ABoxOnTheViewsEdgeIsInsideAndOnePixelOverIsOut) {
    ScrollX = 1000.0f;
    ScrollY = 2000.0f;
    const struct {
        float x, y;
        bool out;
        float keptX, keptY;
    } cases[] = {
        {1030, 2030, false, 1030, 2030}, {1610, 2450, false, 1610, 2450},  // the four edges touched
        {1029, 2200, true, 1031, 2200},  {1611, 2200, true, 1610, 2200},
        {1300, 2029, true, 1300, 2031},  {1300, 2451, true, 1300, 2450},
        {1029, 2450, true, 1031, 2450},  {1611, 2030, true, 1610, 2030},  // out one way, on the edge the other
        {1030, 2451, true, 1030, 2450},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(BoxOutOfView(c.x, c.y, 30.0f), c.out);
        int32_t box[4];
        SetBossBox(box, c.x, c.y);
        float x = c.x, y = c.y;
        KeepBoxInView(x, y, box);
        EXPECT_FLOAT_EQ(x, c.keptX);
        EXPECT_FLOAT_EQ(y, c.keptY);
    }
    ScrollX = ScrollY = 0.0f;

    // An axis within its dead zone of the target stays; beyond it, it steps.
    const struct {
        float from, to;
    } steps[] = {{102.0f, 102.0f}, {98.0f, 98.0f}, {102.5f, 99.5f}, {97.5f, 100.5f}, {100.0f, 100.0f}};
    for (const auto& s : steps) {
        float v = s.from;
        StepAxis(v, 100.0f, 3.0f, 2.0f);
        EXPECT_FLOAT_EQ(v, s.to) << s.from;
    }
}

// The named attacks whose step pays a bonus are phases 4 to 15; the opening
// attack and anything past the tables pay nothing, and one second left still pays.
TEST_F(BossField, OnlyTheNamedAttacksRowsPayTheirBonusAndTheLastSecondStillPays) {
    const struct {
        int32_t phase, secondsLeft;
        int32_t paid;
    } cases[] = {
        {3, 30, 0},      // a break before the first named attack
        {4, 30, 24000},  // the first named attack: 40000 x 30/60 + 4000
        {15, 30, 66000}, // the last the tables hold, by its own limit and bonus: 60000 x 30/30 + 6000
        {16, 30, 0},     // past them
        {4, 1, 4666},    // the last second: 40000 x 1/60 + 4000
        {4, 0, 0},       // run out
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << ", " << c.secondsLeft << " s");
        playtest::StartPlayers(1, true);
        cBossBase b;
        for (int32_t& v : b.timeTable) v = 60;
        b.timeTable[13] = 30;  // phase 15's limit
        for (int32_t& v : b.bonusTable) v = 40000;
        b.bonusTable[5] = 60000;  // phase 14 and 15's bonus
        b.bonusValid = 1;
        b.secondsLeft = c.secondsLeft;
        b.lastHitter = 0;
        b.lastBonus = 777;
        Player1->score = 1000;
        SettleSpellBonus(b, c.phase);
        EXPECT_EQ(Player1->score, 1000 + c.paid);
        EXPECT_EQ(b.lastBonus, c.paid == 0 ? 777 : c.paid);
    }
}

}  // namespace
