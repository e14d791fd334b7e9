// The two endings through the real game scene and result screen: the stage
// boss's closing fade raises the tally, the tally's last press leaves, and
// the result records the stage reached; the ranking row, the best stage and
// the clear count then open what the title's rules say.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "game/objects/cPlayerBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/ResultScene.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "tests/game/bosses/boss_field.h"

namespace {

using bosstest::FinalBossField;
using bosstest::KeepAlive;

class Endings : public FinalBossField {
protected:
    // The final boss of the stage beaten: its defeat pause has begun.
    cBossBase* Beaten(int32_t stage, int32_t team) {
        playtest::StartPlayers(team, false, 320, 400);
        GameState.stage = stage;
        GameState.difficulty = 1;
        GameState.practice = 0;
        GameState.sceneId = kSceneGame;
        testing::internal::CaptureStdout();
        cBossBase* b = MakeAt(stage == 5 ? 205 : 291, 12, 320, 100);
        testing::internal::GetCapturedStdout();
        if (stage == 6) {
            b->hp = 0.0f;
            b->Update();
            b->hp = b->maxHp;
            while (b->phase == 13) b->Update();
        }
        b->hp = 0.0f;
        b->Update();
        return b;
    }
    // Runs the game scene until it hands over to the result screen: ELEMENT
    // through the talks, SHOT pressed to end the tally. Answers the frames run.
    int32_t PlayToResult() {
        int32_t f = 0;
        testing::internal::CaptureStdout();
        for (bool shot = false; f < 30000 && GameState.sceneId == kSceneGame; ++f, shot = !shot) {
            KeepAlive(Player1);
            const int32_t s = GameState.subState;
            playtest::SetButtons(0, s == kSubStateDialogue ? PAD_ELEMENT : s == kSubStateTally && shot ? PAD_SHOT : 0);
            UpdateGameScene();
        }
        testing::internal::GetCapturedStdout();
        return f;
    }
    // The result screen: the name entry ended at once ("Noname"), the row stored.
    void StoreResult() {
        testing::internal::CaptureStdout();
        playtest::SetButtons(0, 0);
        UpdateResultScene();
        ScoreData.entryRow = 3;
        ScoreData.entryColumn = 14;
        playtest::SetButtons(0, PAD_SHOT);
        UpdateResultScene();
        playtest::SetButtons(0, 0);
        for (int32_t f = 0; f < 400 && GameState.sceneId == kSceneResult; ++f) UpdateResultScene();
        testing::internal::GetCapturedStdout();
    }
    const cRankingRow* Noname(int32_t table) const {
        for (int32_t r = 0; r < kShownRows; ++r)
            if (std::strcmp(ScoreData.rows[table][r].name, "\"Noname\"") == 0) return &ScoreData.rows[table][r];
        return nullptr;
    }
};

// Stage 5's ending records the clear of team 1 (column 1, difficulty 1) and
// unlocks team 2 and team 1's extra stage; the extra stage's of team 2 records
// stage 8 in column 3 (the extra stage's table).
TEST_F(Endings, EachEndingRecordsTheStageReachedItsClearAndItsRankingRow) {
    struct Case {
        int32_t stage, team, score;
        int32_t resultStage, column, table;
    };
    const Case cases[] = {{5, 1, 5000000, 7, 1, 1}, {6, 2, 50000000, 8, 3, 3 + 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        ScoreData = cScoreData();
        FillDefaultScores(ScoreData);
        ASSERT_FALSE(IsTeam2Unlocked() || IsExtraUnlockedFor(0));
        Beaten(c.stage, c.team);
        Player1->score = c.score;
        ASSERT_GT(PlayToResult(), 120 + 125 + 255);
        ASSERT_EQ(GameState.sceneId, kSceneResult);
        EXPECT_EQ(ScoreData.resultStage, c.resultStage);  // stage 5's: the stage after the ending
        EXPECT_EQ(ScoreData.resultColumn, c.column);
        EXPECT_EQ(ScoreData.clearCount[c.team - 1][c.column], 1);
        StoreResult();
        EXPECT_EQ(GameState.sceneId, kSceneTitle);
        const cRankingRow* row = Noname(c.table);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->stage, c.resultStage - 1);  // the row keeps the stage reached less one
        EXPECT_EQ(ScoreData.bestStage[c.team - 1][c.column], c.resultStage);
        if (c.stage == 5) {
            EXPECT_TRUE(IsTeam2Unlocked());
            EXPECT_TRUE(IsExtraUnlockedFor(0));
            EXPECT_FALSE(IsExtraUnlockedFor(1));
        }
    }
}

}  // namespace
