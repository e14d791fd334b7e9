// Short runs of the whole program from its title (they run under the
// sanitizers too): the first stage to the result and back, the extra stage
// refused on a fresh save, the mortal pilot through stage 1, and one seed
// giving one run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/game/shell/playthrough/routes.h"
#include "tests/game/shell/playthrough/whole_game.h"

namespace {

using namespace wholegame;

// A fresh save: the extra stage's item does nothing; team 1 plays stage 1 on
// difficulty 0, its tally opens stage 2, the pause menu quits to the result,
// the name entry stores the row and the title comes back with its music.
TEST(WholeGame, StageOneFromAFreshTitleToTheRankingAndOut) {
    Plan plan;
    plan.seed = 1'199'966'400;  // 10 January 2008, noon (UTC): the row's date is "01/10"
    plan.tryExtraFirst = true;
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = 0, .quitAfter = 1, .name = "AUTO"}};
    const RunRecord r = Play(plan);
    Report("10-stage1", "fresh save, stage 1 only", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.extraRefused);
    ASSERT_EQ(r.games.size(), 1u);
    const GameRecord& g = r.games[0];
    EXPECT_FALSE(g.team2Open);
    EXPECT_FALSE(g.difficulty2Open);
    EXPECT_FALSE(g.extraOpen[0] || g.extraOpen[1]);
}

// Not kept invincible, dodging on its own: the pilot clears stage 1 of
// difficulty 0 with lives left (continues are declined, so a game over would
// have ended the game in stage 1).
TEST(WholeGame, MortalPilotClearsStageOneWithItsLives) {
    Plan plan;
    plan.seed = 1'300'000'000;
    plan.mortal = true;
    plan.scoreText = OpenScoreText();
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = 0, .quitAfter = 1, .name = "MORTAL"}};
    const RunRecord r = Play(plan);
    Report("11-mortal-stage1", "mortal, stage 1 only", r);
    ASSERT_EQ(r.failure, "");
    ASSERT_FALSE(r.stages.empty());
    EXPECT_TRUE(r.stages[0].cleared);
}

// The game seeds its generator from the time at every stage start: with the
// time given, one seed is one run, frame for frame, and another seed another.
// The mortal pilot steps around the bullets, so the players' paths follow
// the generator too.
TEST(WholeGame, SameSeedSameRunAnotherSeedAnotherRun) {
    Plan plan;
    plan.mortal = true;
    plan.scoreText = OpenScoreText();
    plan.games = {Game{.item = kMenuTwoPlayers, .team = 2, .difficulty = 0, .quitFrames = 6000, .name = "SEED"}};
    std::vector<uint64_t> sums;
    for (uint32_t seed : {1'400'000'000u, 1'400'000'000u, 1'400'000'777u}) {
        plan.seed = seed;
        const RunRecord r = Play(plan);
        ASSERT_EQ(r.failure, "") << "seed " << seed;
        ASSERT_EQ(r.games.size(), 1u);
        EXPECT_GE(r.games[0].frames, 6000);  // then the pause menu's steps
        EXPECT_LT(r.games[0].frames, 6040);
        sums.push_back(r.checksum);
    }
    EXPECT_EQ(sums[0], sums[1]);
    EXPECT_NE(sums[0], sums[2]);
}

}  // namespace
