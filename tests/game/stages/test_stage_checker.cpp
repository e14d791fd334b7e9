// The level checks refuse broken schedules and grids: each case breaks one rule of a good
// stage and expects the checker to name it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tests/game/stages/StageChecker.h"
#include "tests/game/stages/StageFiles.h"

using namespace stagecheck;

namespace {

bool Mentions(const std::vector<std::string>& problems, const std::string& words) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(words) != std::string::npos; });
}

class BrokenStage : public testing::Test {
protected:
    void SetUp() override {
        grid = LoadGrid(1);
        good = LoadSchedule(1, 0);
        ASSERT_TRUE(CheckSchedule(For(good), good).empty()) << Joined(CheckSchedule(For(good), good));
        s = good;
    }
    stagecheck::Context For(const Schedule& x, int difficulty = 0) { return ContextFor(1, difficulty, x, grid); }
    std::vector<std::string> Check() { return CheckSchedule(For(s), s); }
    Record& FirstOf(int type) {
        return *std::find_if(s.records.begin(), s.records.end(), [&](const Record& r) { return r.type == type; });
    }
    Record& FirstEnemy() {
        return *std::find_if(s.records.begin(), s.records.end(), [](const Record& r) { return IsEnemyType(r.type); });
    }
    void AddBeforeBoss(const Record& r) {
        auto boss = std::find_if(s.records.begin(), s.records.end(), [](const Record& x) { return x.type == 200; });
        s.records.insert(boss, r);
    }
    Grid grid;
    Schedule good, s;
};

TEST_F(BrokenStage, RefusesTypesTheFactoryOrTheStageDoesNotHave) {
    FirstEnemy().type = 150;
    EXPECT_TRUE(Mentions(Check(), "spawns nothing"));
    s = good;
    FirstEnemy().type = 29;  // a stage-3 turret, drawn from another sheet
    EXPECT_TRUE(Mentions(Check(), "not an enemy of stage 1"));
    s = good;
    FirstEnemy().type = 84;
    EXPECT_TRUE(Mentions(Check(), "helper"));
    EXPECT_TRUE(BelongsToStage(4, 3));  // the common sheet serves every stage
    EXPECT_FALSE(BelongsToStage(70, 1));
}

TEST_F(BrokenStage, KeepsTheCrystalToTheHardestDifficulty) {
    Record crystal = FirstEnemy();
    crystal.type = 43;
    crystal.frame = 500;
    crystal.x = 320;
    crystal.y = 500;
    crystal.speed = 0;
    crystal.line = 999;
    AddBeforeBoss(crystal);
    Schedule hard = s;
    const std::vector<std::string> easy = CheckRecordFields(For(s), s);
    EXPECT_TRUE(Mentions(easy, "difficulty 2 only"));
    // The same record is allowed on stage 2, difficulty 2.
    stagecheck::Context c = MakeContext(2, 2, Grid{}, 100);
    EXPECT_FALSE(Mentions(CheckRecordFields(c, hard), "difficulty 2 only"));
}

TEST_F(BrokenStage, RefusesFieldsOutOfRange) {
    FirstEnemy().element = 2;
    EXPECT_TRUE(Mentions(Check(), "element must be 0 or 1"));
    s = good;
    FirstEnemy().speed = 40;
    EXPECT_TRUE(Mentions(Check(), "speed"));
    s = good;
    FirstEnemy().life = 0;
    EXPECT_TRUE(Mentions(Check(), "life"));
}

TEST_F(BrokenStage, RefusesEnemiesThePlayerNeverMeets) {
    FirstEnemy().x = 3000;
    EXPECT_TRUE(Mentions(Check(), "outside the active area"));
    s = good;
    // Just below the screen but flying further down: it never shows.
    Record& r = FirstEnemy();
    r.x = 320;
    r.y = 520;
    r.angle = 16384;
    EXPECT_TRUE(Mentions(Check(), "never comes on screen"));
    s = good;
    FirstEnemy().frame = 9000;  // after the boss
    EXPECT_TRUE(Mentions(Check(), "after the boss"));
}

TEST_F(BrokenStage, RefusesALongQuietStretch) {
    const stagecheck::Context c = For(good);
    EXPECT_LE(LongestQuietStretch(c, good), kMaxQuietFrames);
    s.records.erase(std::remove_if(s.records.begin(), s.records.end(),
                                   [](const Record& r) { return IsEnemyType(r.type) && r.frame > 3000 && r.frame < 4200; }),
                    s.records.end());
    EXPECT_GT(LongestQuietStretch(c, s), kMaxQuietFrames);
    EXPECT_TRUE(Mentions(Check(), "without an enemy on screen"));
}

TEST_F(BrokenStage, NeedsItsBossLastAndItsBanner) {
    s.records.erase(std::remove_if(s.records.begin(), s.records.end(), [](const Record& r) { return r.type == 200; }),
                    s.records.end());
    EXPECT_TRUE(Mentions(Check(), "boss 200 appears 0 times"));
    s = good;
    Record late = FirstEnemy();
    late.line = 999;
    s.records.push_back(late);
    EXPECT_TRUE(Mentions(Check(), "follows the boss records"));
    s = good;
    FirstOf(200).type = 201;
    EXPECT_TRUE(Mentions(Check(), "not a boss of stage 1"));
    s = good;
    FirstOf(200).x = 2000;
    EXPECT_TRUE(Mentions(Check(), "entrance off screen"));
    s = good;
    FirstOf(300).frame = 0;
    EXPECT_TRUE(Mentions(Check(), "never wakes"));
    s = good;
    s.records.erase(std::remove_if(s.records.begin(), s.records.end(), [](const Record& r) { return r.type == 300; }),
                    s.records.end());
    EXPECT_TRUE(Mentions(Check(), "exactly one title banner"));
}

// Stage 1's easy scroll runs to frame 7500: its boss is due at 7350, as its entrance ends there.
TEST_F(BrokenStage, NeedsItsBossWhereTheScrollEnds) {
    EXPECT_TRUE(CheckSpansTheScroll(For(s), s).empty());
    FirstOf(200).frame = 7350 - 121;
    EXPECT_TRUE(Mentions(Check(), "before the scroll ends (due at 7350): the stage is cut short"));
    FirstOf(200).frame = 7350 - 120;
    EXPECT_TRUE(CheckSpansTheScroll(For(s), s).empty());
    FirstOf(200).frame = 7350 + 121;
    EXPECT_TRUE(Mentions(Check(), "long after the scroll ends"));
    // The hard scroll of the same stage is short: the easy schedule would outlast it.
    EXPECT_EQ(LastScrollFrame(1, 2), 2970);
    s = good;
    EXPECT_TRUE(Mentions(CheckSpansTheScroll(For(s, 2), s), "long after the scroll ends (due at 2820)"));
}

// The extra stage has no scroll script: its difficulties match each other's length.
TEST(BrokenLength, RefusesADifficultyOfTheExtraStageEndingEarly) {
    std::vector<Schedule> all;
    for (int d = 0; d <= 2; ++d) all.push_back(LoadSchedule(6, d));
    EXPECT_TRUE(CheckSameLength(all).empty()) << Joined(CheckSameLength(all));
    for (Record& r : all[2].records)
        if (r.type == 291) r.frame -= 121;
    EXPECT_TRUE(Mentions(CheckSameLength(all), "difficulty 2 ends at frame"));
    for (Record& r : all[2].records)
        if (r.type == 291) r.frame += 1;
    EXPECT_TRUE(CheckSameLength(all).empty());
    EXPECT_EQ(LastScrollFrame(6, 1), 0);
}

TEST_F(BrokenStage, NeedsItemBoxesAndPlacesItemsWhereTheViewPasses) {
    s.records.erase(std::remove_if(s.records.begin(), s.records.end(), [](const Record& r) { return r.type == 111; }),
                    s.records.end());
    EXPECT_TRUE(Mentions(Check(), "no item box with a life inside"));
    s.records.erase(std::remove_if(s.records.begin(), s.records.end(), [](const Record& r) { return r.type == 110; }),
                    s.records.end());
    EXPECT_TRUE(Mentions(Check(), "fewer than three item boxes"));
    s = good;
    Record oneUp{};
    oneUp.type = 104;
    oneUp.x = 400;
    oneUp.y = 300;
    oneUp.life = 1;
    oneUp.frame = 100;  // would be shifted by the view when it wakes
    oneUp.line = 998;
    AddBeforeBoss(oneUp);
    EXPECT_TRUE(Mentions(Check(), "needs appearance frame 0"));
    s = good;
    oneUp.frame = 0;
    oneUp.x = 5000;
    AddBeforeBoss(oneUp);
    EXPECT_TRUE(Mentions(Check(), "never passes this item"));
}

TEST_F(BrokenStage, RefusesLinesTheReaderWouldSkip) {
    const Schedule parsed = ParseSchedule("# comment\n\n320 240 300 30 0 0 0 0 0 1\n320 240 18 40 0 0 0 1.5 0\n" +
                                          std::string(120, ' ') + "1 2 18 40 0 0 0 1.5 0 2\n");
    EXPECT_EQ(parsed.records.size(), 1u);
    EXPECT_TRUE(Mentions(parsed.problems, "line 4 holds 9 of the ten fields"));
    EXPECT_TRUE(Mentions(parsed.problems, "line 5 is longer than 127 characters"));
    EXPECT_TRUE(Mentions(CheckRecordFields(For(parsed), parsed), "holds 9"));
    const Schedule crlf = ParseSchedule("320 240 300 30 0 0 0 0 0 1\r\n");
    EXPECT_TRUE(crlf.problems.empty());
    EXPECT_EQ(crlf.records.at(0).type, 300);
}

TEST_F(BrokenStage, RefusesWallsOnTheStartOrAcrossTheScroll) {
    stagecheck::Context c = For(good);
    EXPECT_TRUE(CheckMapLeavesPathOpen(c).empty());
    // Stage 1 starts player 1 at (220, 220): the cell holding it.
    c.blocks.push_back({200, 200, 1});
    EXPECT_TRUE(Mentions(CheckMapLeavesPathOpen(c), "player 1's start position lies on the wall"));
    c = For(good);
    // A wall the view reaches later, in the middle of where it will stand at frame 4000.
    const Vec2 v = c.path[4000];
    c.blocks.push_back({int(v.x + 320) / 40 * 40, int(v.y + 240) / 40 * 40, 4});
    EXPECT_TRUE(Mentions(CheckMapLeavesPathOpen(c), "closes the middle of the view"));
}

TEST(BrokenGrid, RefusesCrystalsShortFilesAndOddTokens) {
    std::string text;
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) text += (row == 60 && col == 3) ? "6 " : "0 ";
        text += "\n";
    }
    EXPECT_TRUE(Mentions(ParseGrid(text).problems, "crystal on every difficulty"));
    EXPECT_TRUE(Mentions(ParseGrid("0 0 1\n").problems, "only 3 of the 6050 cells"));
    EXPECT_TRUE(Mentions(ParseGrid("100 0\n").problems, "not a one- or two-character number"));
    std::string placed;
    for (int i = 0; i < kGridRows * kGridColumns; ++i) placed += (i == 56 * kGridColumns + 3) ? "5 " : "0 ";
    const Grid g = ParseGrid(placed);
    ASSERT_EQ(g.blocks.size(), 1u);  // row 56, column 3: x 120, y 40
    EXPECT_EQ(g.blocks[0].x, 120);
    EXPECT_EQ(g.blocks[0].y, 40);
    EXPECT_EQ(g.blocks[0].value, 5);
    std::string skipped;
    for (int i = 0; i < kGridRows * kGridColumns; ++i) skipped += (i == 55 * kGridColumns) ? "1 " : "0 ";
    EXPECT_TRUE(ParseGrid(skipped).blocks.empty());  // rows 0 to 55 are read and skipped
}

TEST(EnemiesInPlay, FollowSpawnsToTheEndAndAddTheBossesSummons) {
    // A fan thrower's shards burst into splinters; the stage-3 boss summons its dimension bits.
    Schedule s = ParseSchedule("100 100 52 1 0 0 0 1.0 0.0 10\n# a comment\n200 100 12 5 0 0 1 1.0 0.0 10\n");
    ASSERT_TRUE(s.problems.empty()) << Joined(s.problems);
    EXPECT_EQ(EnemyTypesInPlay(3, {s}), (std::set<int>{12, 49, 50, 52, 59}));
    // Items, boxes and bosses are not enemies; the first stage's boss summons nothing.
    Schedule items = ParseSchedule("100 100 110 0 0 0 0 0.0 0.0 1\n320 0 200 3000 0 0 0 0.0 0.0 1\n");
    EXPECT_TRUE(EnemyTypesInPlay(1, {items}).empty());
    // Two schedules together; a spawner whose offspring also spawns.
    Schedule a = ParseSchedule("0 0 21 1 0 0 0 1.0 0.0 1\n");
    Schedule b = ParseSchedule("0 0 96 1 0 0 0 1.0 0.0 1\n");
    EXPECT_EQ(EnemyTypesInPlay(2, {a, b}), (std::set<int>{13, 21, 79, 95, 96}));
}

TEST(BrokenGallery, NeedsEveryClassOnceInTurn) {
    std::string text;
    for (int t = 1; t <= 97; ++t)
        text += "320 120 " + std::to_string(t) + " " + std::to_string(60 + 150 * t) + " 16384 0 0 0.5 0 5\n";
    const std::vector<std::string> missing = CheckGallery(ParseSchedule(text));
    EXPECT_TRUE(Mentions(missing, "class 98 appears 0 times"));
    text += "320 120 98 60 16384 0 0 0.5 0 5\n";  // back in time
    EXPECT_TRUE(Mentions(CheckGallery(ParseSchedule(text)), "in turn"));
}

}  // namespace
