// The game scene's state machine, the stage start and the game scene's display.
#include <gtest/gtest.h>

#include <regex>

#include <string>
#include <vector>

#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/shell/GameScene.h"
#include "game/shell/MenuCommon.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "tests/game/shell/fake_input.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& line) {
    if (gLog) gLog->push_back(line);
}

class SpyPlayer : public cPlayerBase {
public:
    explicit SpyPlayer(const char* name) : name_(name) { isActive = 1; }
    void Move() override { Log(name_ + " Move"); }
    void Act() override { Log(name_ + " Act"); }
    void PushApart() override { Log(name_ + " PushApart"); }
    void HitTest() override {
        Log(name_ + " HitTest");
        if (onHit) onHit();
    }
    void Draw() override { Log(name_ + " Draw"); }
    void Reset() override {
        cPlayerBase::Reset();
        Log(name_ + " Reset");
    }
    void (*onHit)() = nullptr;

private:
    std::string name_;
};

class SpyBoss : public cBossBase {
public:
    explicit SpyBoss(const char* name) : name_(name) { active = 1; }
    void Update() override { Log(name_ + " Update"); }
    void HitTest() override { Log(name_ + " HitTest"); }
    void Draw() override { Log(name_ + " Draw"); }

private:
    std::string name_;
};

class GameScene : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        MakeSaveFolder();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        FontTable.assign(kFontTableSize, nullptr);
        gLog = &log_;
        Player1 = p1_ = new SpyPlayer("P1");
        Player2 = p2_ = new SpyPlayer("P2");
        BossA = new SpyBoss("A");
        GameState.sceneId = kSceneGame;
        GameState.stage = 1;
        GameState.team = 1;
        GameState.difficulty = 1;
        GameState.twoPlayer = 1;
    }
    void TearDown() override {
        gLog = nullptr;
        delete Player1;
        delete Player2;
        delete BossA;
        delete BossB;
        Player1 = Player2 = nullptr;
        BossA = BossB = nullptr;
        ResetTitleState();
        ShellFolder::TearDown();
    }
    void Frame(uint16_t pushed1 = 0, uint16_t pushed2 = 0) {
        shelltest::Press(pushed1, pushed2);
        UpdateGameScene();
    }
    std::vector<std::string> log_;
    SpyPlayer* p1_;
    SpyPlayer* p2_;
};

TEST_F(GameScene, APlayFrameCallsPlayersAndBossesInTheirOrder) {
    Frame();
    std::vector<std::string> play;
    for (const std::string& line : log_)
        if (line.find("Draw") == std::string::npos) play.push_back(line);
    // The object manager's hit pass tests the active players again.
    EXPECT_EQ(play, (std::vector<std::string>{"P1 Move", "P2 Move", "P1 PushApart", "P2 PushApart", "P1 HitTest",
                                              "P2 HitTest", "A HitTest", "P1 HitTest", "P2 HitTest", "P1 Act",
                                              "P2 Act", "A Update"}));
    EXPECT_EQ(StageFrame, 1);
    EXPECT_EQ(GameState.frameCount, 1);
}

TEST_F(GameScene, AStageWithoutABossPlaysOn) {
    delete BossA;
    BossA = nullptr;
    Frame();
    Frame();
    EXPECT_EQ(StageFrame, 2);
}

TEST_F(GameScene, APauseInTheFrameOfAGameOverDoesNotOverwriteIt) {
    p1_->onHit = [] { GameState.subState = kSubStateGameOver; };
    Frame(PAD_MENU);
    EXPECT_EQ(GameState.subState, kSubStateGameOver);
    p1_->onHit = nullptr;
}

TEST_F(GameScene, GameOverWithoutCreditsLeavesAfterOneHundredFrames) {
    GameState.credits = 0;
    GameState.subState = kSubStateGameOver;
    for (int i = 0; i < 99; ++i) Frame();
    EXPECT_EQ(GameState.sceneId, kSceneGame);
    p1_->score = 1234;
    p2_->score = 1000;
    Frame();
    EXPECT_EQ(GameState.sceneId, kSceneResult);
    EXPECT_EQ(ScoreData.finishedGames, 1u);
    EXPECT_EQ(ScoreData.resultScore, 2234);
    EXPECT_EQ(ScoreData.resultTeam, 1);
    EXPECT_EQ(ScoreData.resultColumn, 1);
    EXPECT_EQ(ScoreData.resultStage, 1);
}

TEST_F(GameScene, TheContinueScreenAnswersFromFrame101AndYesMakesThePlayersInvincible) {
    GameState.credits = 2;
    GameState.subState = kSubStateGameOver;
    for (int i = 0; i < 100; ++i) Frame(PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStateGameOver);
    Frame(0, PAD_SHOT);  // player 2 does not answer
    EXPECT_EQ(GameState.subState, kSubStateGameOver);
    p1_->noMiss = 1;
    Frame(PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
    EXPECT_EQ(GameState.credits, 1);
    EXPECT_EQ(p1_->isInvincible, 1);
    EXPECT_EQ(p1_->noMiss, 0);
    EXPECT_EQ(p2_->isInvincible, 1);
    EXPECT_EQ(GameState.stateTimer, 0);
}

TEST_F(GameScene, NoOnTheContinueScreenKeepsTheCreditsAndEndsTheGame) {
    GameState.credits = 2;
    GameState.subState = kSubStateGameOver;
    for (int i = 0; i < 101; ++i) Frame();
    for (const auto& [pushed, choice] : {std::pair{PAD_RIGHT, 1}, std::pair{PAD_LEFT, 0}, std::pair{PAD_LEFT, 1}}) {
        Frame(pushed);
        EXPECT_EQ(GameState.continueChoice, choice);
    }
    Frame(PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStateLeave);
    EXPECT_EQ(GameState.stateTimer, 0);
    EXPECT_EQ(GameState.credits, 2);
    EXPECT_EQ(ScoreData.finishedGames, 1u);
    Frame();
    EXPECT_EQ(GameState.sceneId, kSceneResult);
}

// Player 1 is paid in full even when out; player 2 then only its no-miss bonus.
TEST_F(GameScene, TheTallyPaysItsAmountsAndAnInactivePlayerTwoOnlyTheNoMissBonus) {
    GameState.subState = kSubStateTally;
    p1_->isActive = 0;
    GameState.noMissBonus = 200000;
    GameState.stageBonus = 100000;
    p1_->itemCount = 3;
    p1_->absorbCount = 7;
    p1_->noMiss = 1;
    p2_->isActive = 0;
    p2_->itemCount = 5;
    p2_->noMiss = 1;
    for (int i = 0; i < 150; ++i) Frame(PAD_SHOT);  // SHOT before the end is ignored
    EXPECT_EQ(GameState.subState, kSubStateTally);
    EXPECT_EQ(p1_->score, 3000 + 700 + 200000 + 100000);
    EXPECT_EQ(p2_->score, 200000);
    ScoreData.clearCount[0][1] = 999;
    GameState.stage = 5;
    Frame(0, PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStateTally);
    Frame(PAD_SHOT);
    EXPECT_EQ(GameState.stage, 7);
    EXPECT_EQ(GameState.subState, kSubStateLeave);
    EXPECT_EQ(ScoreData.clearCount[0][1], 999);
    EXPECT_EQ(GameState.sceneId, kSceneGame);
    Frame();
    EXPECT_EQ(GameState.sceneId, kSceneResult);
    EXPECT_EQ(ScoreData.resultStage, 7);
}

TEST_F(GameScene, TheExtraStagesTallyCountsColumnThreeAndRecordsDifficultyThree) {
    GameState.subState = kSubStateTally;
    GameState.stage = 6;
    GameState.tallyTimer = 200;
    Frame(PAD_SHOT);
    EXPECT_EQ(ScoreData.clearCount[0][3], 1);
    EXPECT_EQ(GameState.difficulty, 3);
    Frame();
    EXPECT_EQ(ScoreData.resultColumn, 3);
    EXPECT_EQ(ScoreData.resultStage, 8);
}

TEST_F(GameScene, ThePauseMenuWrapsAsksAndQuitsOnTheNextFrame) {
    Frame(PAD_MENU);
    ASSERT_EQ(GameState.subState, kSubStatePause);
    const int frame = StageFrame;
    Frame(PAD_UP);
    EXPECT_EQ(GameState.pauseCursor, 2);
    EXPECT_EQ(StageFrame, frame);  // the stage stands still
    Frame(0, PAD_SHOT);
    EXPECT_EQ(GameState.pauseAsking, 1);
    EXPECT_EQ(GameState.pauseAnswer, 1);
    Frame(PAD_DOWN);
    EXPECT_EQ(GameState.pauseAnswer, 0);
    Frame(PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStateLeave);
    EXPECT_EQ(GameState.sceneId, kSceneGame);
    Frame();
    EXPECT_EQ(GameState.sceneId, kSceneResult);
}

TEST_F(GameScene, HoldingEscapePausesLikeMenu) {
    shelltest::FakeDevices devices;
    devices.Install();
    devices.keys[1] = true;
    Frame();
    EXPECT_EQ(GameState.subState, kSubStatePause);
    EXPECT_EQ(GameState.pauseCursor, 0);
}

TEST_F(GameScene, ResumingRunsAPlayFrameAtOnce) {
    Frame(PAD_MENU);
    const int frame = StageFrame;
    Frame(PAD_SHOT);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
    EXPECT_EQ(StageFrame, frame + 1);
}

// Stage 5's release takes the slots of the team's own talk portraits (the
// rival team's pictures lived there): a restart loads them again, after the
// releases and before stage 1's set.
TEST_F(GameScene, RestartingStageFiveBringsBackTheTeamsPortraits) {
    struct Case {
        int32_t team;
        std::vector<std::string> portraits;
    };
    const Case cases[] = {{1, {"img/talk/st_yuri.png", "img/talk/st_crow.png", "img/talk/st_kohaku_right.png"}},
                          {2, {"img/talk/st_osero.png", "img/talk/st_cheska.png"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.team);
        GameState.team = c.team;
        GameState.stage = 5;
        GameState.practice = 0;
        GameState.subState = kSubStatePause;
        GameState.pauseCursor = 1;
        GameState.pauseAsking = 1;
        GameState.pauseAnswer = 0;
        testing::internal::CaptureStdout();
        Frame(PAD_SHOT);
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(GameState.stage, 1);
        std::vector<std::string> files;
        static const std::regex line(R"(filename: ([^\n]+)\n)");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it)
            files.push_back((*it)[1]);
        ASSERT_GE(files.size(), c.portraits.size() + 1);
        const std::vector<std::string> first(files.begin(), files.begin() + std::ptrdiff_t(c.portraits.size()));
        EXPECT_EQ(first, c.portraits);
        EXPECT_EQ(files[c.portraits.size()], "img/Stage01BG.png");
        // Every release of stage 5 came before the first load.
        EXPECT_LT(out.rfind("【releaseSprite】"), out.find("filename:"));  // the program's own bytes
    }
}

TEST_F(GameScene, ANewGameGetsThreeCreditsAndOneMorePerThreeFinishedGames) {
    ScoreData.finishedGames = 7;
    ResetForNewGame();
    EXPECT_EQ(GameState.credits, 5);
    EXPECT_EQ(StageFrame, 0);
}

}  // namespace
