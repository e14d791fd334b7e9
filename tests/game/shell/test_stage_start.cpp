// The start of each stage: view, positions, bonuses, play counts and credits.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/core/KestraLog.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/StageStart.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "tests/game/shell/shell_fixture.h"

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

TEST_F(StageStart, EveryStageAndDifficultyPlacesTheViewAndThePlayers) {
    struct Row {
        int stage, difficulty;
        float sx, sy;
        int p1x, p1y, p2x, p2y, facing, direction;
    };
    const int keep = -7;
    // Player 2 fixed or beside the view, a facing kept or set, a difficulty past the table's.
    const Row rows[] = {
        {1, 0, 50, 50, 220, 220, 220, 280, 0, 6},          {1, 2, 1280, 1480, 1580, 1680, 1640, 1680, 0, 6},
        {2, 0, 1080, 1520, 1280, 1720, 1360, 1720, keep, keep}, {3, 1, 1260, 120, 1460, 320, 1540, 320, 32768, 4},
        {4, 3, 160, 420, 360, 620, 440, 620, 0, 6},        {6, 1, 0, 0, 300, 240, 360, 240, keep, keep},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "stage " << r.stage << " difficulty " << r.difficulty);
        Player1->facing = Player2->facing = keep;
        Player1->animDir = Player2->animDir = keep;
        Start(r.stage, r.difficulty);
        EXPECT_EQ(ScrollX, r.sx);
        EXPECT_EQ(ScrollY, r.sy);
        EXPECT_EQ(Player1->x, static_cast<float>(r.p1x));
        EXPECT_EQ(Player1->aimY, static_cast<float>(r.p1y));
        EXPECT_EQ(Player2->x, static_cast<float>(r.p2x));
        EXPECT_EQ(Player2->y, static_cast<float>(r.p2y));
        EXPECT_EQ(Player1->facing, r.facing);
        EXPECT_EQ(Player2->animDir, r.direction);
        EXPECT_EQ(GameState.subState, kSubStatePlay);
        EXPECT_EQ(StageFrame, 0);
        EXPECT_EQ(Player1->noMiss, 1);
    }
}

TEST_F(StageStart, BonusesCountsAndCreditsFollowTheStage) {
    ScoreData.finishedGames = 6;
    ScoreData.playCount[0][1] = 998;
    Player1->score = 50;
    Start(1, 1);
    EXPECT_EQ(GameState.stageBonus, 100000);
    EXPECT_EQ(GameState.noMissBonus, 200000);
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
    EXPECT_EQ(GameState.stageBonus, 500000);
    EXPECT_EQ(Player1->score, 70);              // later stages keep the score
    GameState.team = 2;
    Start(6, 1);
    EXPECT_EQ(GameState.noMissBonus, 39000000);
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
