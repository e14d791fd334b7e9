// The start of each stage: view, positions, bonuses, play counts and credits.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/core/KestraLog.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/StageScroll.h"
#include "game/shell/StageStart.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/records.h"

namespace {

class StageStart : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        Player1 = new cPlayerBase();
        Player2 = new cPlayerBase();
        GameState.team = 1;
        GameState.twoPlayer = 1;
    }
    void TearDown() override {
        delete Player1;
        delete Player2;
        Player1 = Player2 = nullptr;
        ShellFolder::TearDown();
    }
    void Start(int stage, int difficulty) {
        GameState.stage = stage;
        GameState.difficulty = difficulty;
        testing::internal::CaptureStdout();  // the stage files are missing: one line each start
        StartStage();
        testing::internal::GetCapturedStdout();
    }
};

// Every stage, difficulty (one past each end) and team: the view, both
// players, their facings (-7 where kept), the bonuses, then the view on every
// frame of the scroll script, against its record.
TEST_F(StageStart, EveryStageAndDifficultyStartsAndScrollsAsRecorded) {
    records::Fnv h;
    for (int32_t stage = 1; stage <= 6; ++stage)
        for (int32_t difficulty = -1; difficulty <= 3; ++difficulty)
            for (int32_t team : {1, 2}) {
                GameState.team = team;
                Player1->facing = Player2->facing = Player1->animDir = Player2->animDir = -7;
                Start(stage, difficulty);
                EXPECT_EQ(GameState.subState, kSubStatePlay);
                EXPECT_EQ(Player1->noMiss, 1);
                h.Add(ScrollX, ScrollY, GameState.stageBonus, GameState.noMissBonus);
                for (const cPlayerBase* p : {Player1, Player2})
                    h.Add(p->x, p->y, p->aimX, p->aimY, p->facing, p->animDir);
                for (int32_t f = 0; f < 36000; ++f) {
                    UpdateStageScroll();
                    h.Add(ScrollX, ScrollY);
                }
                EXPECT_EQ(StageFrame, 36000);
            }
    EXPECT_EQ(records::Check("tests/game/shell/scene_records.txt", "stage-starts", h.h), "");
}

TEST_F(StageStart, BonusesCountsAndCreditsFollowTheStage) {
    ScoreData.finishedGames = 6;
    ScoreData.playCount[0][1] = 998;
    Player1->score = 50;
    Start(1, 1);  // the bonuses of each stage are in the stage-starts record
    EXPECT_EQ(GameState.credits, 5);
    EXPECT_EQ(ScoreData.playCount[0][1], 999);
    EXPECT_EQ(Player1->score, 0);
    Start(1, 1);
    EXPECT_EQ(ScoreData.playCount[0][1], 999);  // capped
    GameState.practice = 1;
    ScoreData.playCount[0][0] = 0;
    Start(1, 0);
    EXPECT_EQ(ScoreData.playCount[0][0], 0);    // practice counts no play
    GameState.practice = 0;
    Player1->score = 70;
    Start(3, 0);
    EXPECT_EQ(Player1->score, 70);              // later stages keep the score
    GameState.team = 2;
    Start(6, 1);
    EXPECT_EQ(ScoreData.playCount[1][3], 1);
    EXPECT_EQ(Player1->score, 0);
}

TEST_F(StageStart, OnePlayerModeLeavesPlayerTwoAlone) {
    GameState.twoPlayer = 0;
    Player2->x = 5;
    Player2->noMiss = 0;
    Start(2, 0);
    EXPECT_EQ(Player2->x, 5.0f);
    EXPECT_EQ(Player2->noMiss, 0);
    EXPECT_EQ(Player1->x, 1280.0f);
}

// Stage 5 starts with its mid-boss's pictures, whatever the stage boss of an
// earlier try put into the cut-in, body and circle slots.
TEST_F(StageStart, StageFiveLoadsTheMidBossPicturesAgain) {
    struct Case {
        int32_t team;
        std::vector<std::string> files;
    };
    const Case cases[] = {{1, {"img/cutin_osero.png", "img/osero.png", "img/mahoujin_osero.png"}},
                          {2, {"img/cutin_crow.png", "img/crow.png", "img/mahoujin_crow.png"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.team);
        GameState.team = c.team;
        GameState.stage = 5;
        GameState.difficulty = 1;
        testing::internal::CaptureStdout();
        StartStage();
        const std::string out = testing::internal::GetCapturedStdout();
        std::vector<std::string> files;
        static const std::regex line(R"(filename: ([^\n]+)\n)");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it)
            files.push_back((*it)[1]);
        EXPECT_EQ(files, c.files);
    }
}

TEST_F(StageStart, TheDialogueAndThePlayFieldStartOver) {
    TalkState.step = 9;
    ScrollHalt = 1;
    StageFrame = 77;
    GameState.frameCount = 12;
    Start(4, 0);
    EXPECT_EQ(TalkState.step, 0);
    EXPECT_EQ(ScrollHalt, 0);
    EXPECT_EQ(GameState.frameCount, 0);
    EXPECT_EQ(ObjectManager.enemyList.size(), 0u);
    EXPECT_EQ(ObjectManager.playerBulletCursor, 0);
}

// A schedule without a boss: the last stage's boss is gone, the stage plays
// on without one, and the log says so in one line.
TEST_F(StageStart, AStageWithoutABossLogsOneLineAndPlaysOn) {
    std::filesystem::create_directories(File("data/stagedata"));
    testsupport::WriteFile(File("data/stagedata/Stage021Enemy.dat"), "100 100 13 50 0 0 0 0 0 10\n");
    Kestra::SetLogFile("system_log", "html");
    ASSERT_TRUE(Kestra::OpenLog("stage"));
    BossA = new cBossBase();
    BossB = new cBossBase();
    Start(2, 1);
    Start(2, 1);
    Kestra::CloseLog();
    EXPECT_EQ(BossA, nullptr);
    EXPECT_EQ(BossB, nullptr);
    EXPECT_EQ(ObjectManager.enemyList.size(), 1u);
    const std::string log = testsupport::ReadFile(File("system_log.html"));
    const std::string line = "the schedule of stage 2 brings no boss";
    size_t count = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
    EXPECT_EQ(count, 2u) << log;  // one line for each of the two starts
}

}  // namespace
