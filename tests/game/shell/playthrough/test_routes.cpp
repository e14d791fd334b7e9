// Every route of the whole program from its title to its ending, played by
// the autopilot (long runs, named Long; the plain build runs them, a
// sanitizer build leaves them out). Each run adds its rows to the table in
// <build>/playthrough/table.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/game/shell/playthrough/routes.h"
#include "tests/game/shell/playthrough/whole_game.h"

namespace {

using namespace wholegame;

std::string RouteName(int32_t team, int32_t difficulty, int32_t players) {
    return "team " + std::to_string(team) + ", difficulty " + std::to_string(difficulty) + ", " +
           std::to_string(players) + "P";
}

// A save that has seen nothing: the extra stage's item is refused; team 1
// clears the story on difficulty 1, which opens team 2, difficulty 2 and the
// extra stage (team 1's only); the extra stage then plays to its ending.
// score.dat keeps the stage reached: the story's ending row holds 6 and its
// best stage 7, the extra stage's 7 and 8.
TEST(WholeGameRoutes, LongCampaignFromAFreshSaveThroughTheStoryAndTheExtraStage) {
    Plan plan;
    plan.seed = 1'500'000'000;
    plan.tryExtraFirst = true;
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = 1, .name = "STORY"},
                  Game{.item = kMenuExtraOnePlayer, .team = 1, .difficulty = 1, .name = "EXTRA"}};
    const RunRecord r = Play(plan);
    Report("20-campaign", "fresh save: story, extra", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.extraRefused);
    ASSERT_EQ(r.games.size(), 2u);
    const GameRecord& story = r.games[0];
    EXPECT_TRUE(story.team2Open);
    EXPECT_TRUE(story.difficulty2Open);
    EXPECT_TRUE(story.extraOpen[0]);
    EXPECT_FALSE(story.extraOpen[1]);
}

// Restarting from the pause menu in stage 5 goes back to stage 1 with the
// score and lives reset; the story then plays through all five stages again
// to its ending.
TEST(WholeGameRoutes, LongRestartFromThePauseMenuInStageFiveThenToTheEnding) {
    Plan plan;
    plan.seed = 1'550'000'000;
    plan.scoreText = OpenScoreText();
    Game game{0, 2, 0, 0, 0, "AGAIN"};
    game.restartIn = 5;
    plan.games = {game};
    const RunRecord r = Play(plan);
    Report("21-restart", "team 2, difficulty 0, restart", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    for (size_t i = 0; i < r.stages.size(); ++i) EXPECT_EQ(r.stages[i].cleared, i != 4) << "stage record " << i;
}

// The mortal pilot on difficulty 2 with two players takes every continue and
// plays on past the first stage until the credits run out.
TEST(WholeGameRoutes, LongMortalPilotTakesItsContinues) {
    Plan plan;
    plan.seed = 1'560'000'000;
    plan.mortal = true;
    plan.scoreText = OpenScoreText();
    Game game{1, 1, 2, 0, 0, "CONT"};
    game.continues = true;
    plan.games = {game};
    const RunRecord r = Play(plan);
    Report("22-continues", "team 1, difficulty 2, 2P, continues", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.games.size(), 1u);
    EXPECT_GT(r.games[0].resultStage, 1);
    EXPECT_LT(r.games[0].stock, 0);  // it ended in a game over without credits
    ASSERT_FALSE(r.stages.empty());
    EXPECT_TRUE(r.stages[0].cleared);
}

// team * 100 + difficulty * 10 + players: both teams, every difficulty, one
// and two players, from the title through stages 1 to 5 to the ending and
// the result, on a save where everything is open.
class WholeGameStoryRoute : public ::testing::TestWithParam<int> {};

TEST_P(WholeGameStoryRoute, LongFromTheTitleToTheEndingAndTheRanking) {
    const int32_t team = GetParam() / 100, difficulty = GetParam() / 10 % 10, players = GetParam() % 10;
    Plan plan;
    plan.seed = 1'600'000'000 + static_cast<uint32_t>(GetParam());
    plan.scoreText = OpenScoreText();
    plan.games = {Game{.item = players == 2 ? kMenuTwoPlayers : kMenuOnePlayer, .team = team,
                       .difficulty = difficulty, .name = "ROUTE"}};
    const RunRecord r = Play(plan);
    Report("30-story-" + std::to_string(GetParam()), RouteName(team, difficulty, players), r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Routes, WholeGameStoryRoute,
                         ::testing::Values(121, 122, 221, 222, 111, 112, 211, 212, 101, 102, 201, 202),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Team" + std::to_string(info.param / 100) + "Difficulty" +
                                    std::to_string(info.param / 10 % 10) + "Players" +
                                    std::to_string(info.param % 10);
                         });

// The extra stage from the title to its ending for the other three pairs of
// team and player count (team 1 alone plays it in the campaign).
class WholeGameExtraRoute : public ::testing::TestWithParam<int> {};

TEST_P(WholeGameExtraRoute, LongFromTheTitleToTheEndingAndTheRanking) {
    const int32_t team = GetParam() / 10, players = GetParam() % 10;
    Plan plan;
    plan.seed = 1'700'000'000 + static_cast<uint32_t>(GetParam());
    plan.scoreText = OpenScoreText();
    plan.games = {Game{.item = players == 2 ? kMenuExtraTwoPlayers : kMenuExtraOnePlayer, .team = team,
                       .difficulty = 1, .name = "EXTRA"}};
    const RunRecord r = Play(plan);
    Report("40-extra-" + std::to_string(GetParam()), "extra: team " + std::to_string(team) + ", " +
                                                         std::to_string(players) + "P", r);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Routes, WholeGameExtraRoute, ::testing::Values(12, 21, 22),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Team" + std::to_string(info.param / 10) + "Players" +
                                    std::to_string(info.param % 10);
                         });

// The mortal pilot on each difficulty with team 1 alone, from the title until
// its lives run out (no continue) or the ending: how far the game can be
// played, not only survived. Difficulty 0 goes past stage 1 at least.
class WholeGameMortalRoute : public ::testing::TestWithParam<int> {};

TEST_P(WholeGameMortalRoute, LongAsFarAsItsLivesGo) {
    const int32_t difficulty = GetParam();
    Plan plan;
    plan.seed = 1'800'000'000 + static_cast<uint32_t>(difficulty);
    plan.mortal = true;
    plan.scoreText = OpenScoreText();
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = difficulty, .name = "MORTAL"}};
    const RunRecord r = Play(plan);
    Report("50-mortal-" + std::to_string(difficulty), "mortal: difficulty " + std::to_string(difficulty), r);
    ASSERT_EQ(r.failure, "");
    ASSERT_EQ(r.games.size(), 1u);
    int32_t cleared = 0;
    for (const StageRecord& s : r.stages) cleared += s.cleared ? 1 : 0;
    RecordProperty("stages_cleared", cleared);
    RecordProperty("result_stage", r.games[0].resultStage);
    if (difficulty == 0) {
        EXPECT_GE(cleared, 1);
    }
    EXPECT_EQ(r.games[0].resultStage, r.stages.empty() ? 0 : r.stages.back().stage);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, WholeGameMortalRoute, ::testing::Values(0, 1, 2));

}  // namespace
