// What each shell scene draws over a scripted run of presses, every quad and
// text folded into a hash with the scene's state, checked against its line in
// tests/game/shell/scene_records.txt. A change to any quad of the title, its
// choices, the configuration, the ranking, the result or the game scene's
// overlays shows here; an intended one is recorded by copying the line printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>

#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/RankingView.h"
#include "game/shell/ResultScene.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/records.h"

namespace {

records::Fnv gHash;

void Fold(uint32_t word) { gHash.Add(word); }
void Fold(float value) { gHash.Add(value); }
void Fold(int32_t value) { gHash.Add(value); }

void FoldQuad(const SpriteDrawRecord& r, void*) {
    Fold(r.slot);
    for (int i = 0; i < 4; ++i) Fold(r.dst[i]), Fold(r.src[i]);
    Fold(r.z), Fold(r.color), Fold(r.angle), Fold(r.offsetX), Fold(r.offsetY), Fold(uint32_t{r.turned});
}
void FoldText(const FontDrawRecord& r, void*) {
    for (const char* c = r.text ? r.text : ""; *c; ++c) Fold(static_cast<uint32_t>(static_cast<uint8_t>(*c)));
    Fold(r.font), Fold(r.x), Fold(r.y), Fold(r.z);
}

class SceneRecord : public shelltest::TitleFolder {
protected:
    void SetUp() override {
        TitleFolder::SetUp();
        MakeSaveFolder();
        FillDefaultScores(ScoreData);
        platform::SetWallClock(1700049600);  // noon, 15 November 2023 (UTC)
        gHash = records::Fnv{};
        SetSpriteDrawRecorder(FoldQuad, nullptr);
        SetFontDrawRecorder(FoldText, nullptr);
    }
    void TearDown() override {
        SetFontDrawRecorder(nullptr, nullptr);
        platform::ClearWallClock();
        delete Player1;
        delete Player2;
        Player1 = Player2 = nullptr;
        RankingTeam = RankingColumn = 0;
        TitleState = cTitleState();
        TitleFolder::TearDown();
    }
    // Each press for a frame, then `idle` frames untouched; the title's and
    // the game's state folded after every frame.
    void Run(const std::function<void()>& frame, std::initializer_list<uint16_t> presses, int idle) {
        for (uint16_t pushed : presses)
            for (int i = 0; i <= idle; ++i) {
                shelltest::Press(i == 0 ? pushed : 0);
                frame();
                const cTitleState& t = TitleState;
                for (int32_t v : std::initializer_list<int32_t>{t.state, t.menuCursor, t.teamCursor, t.difficultyCursor, t.practiceCursor,
                                  t.configCursor, GameState.stage, GameState.twoPlayer, GameState.practice,
                                  GameState.bgmVolume, GameState.seVolume, RankingTeam, RankingColumn})
                    Fold(v);
            }
    }
    void Check(const std::string& scene) {
        EXPECT_EQ(records::Check("tests/game/shell/scene_records.txt", scene, gHash.h), "");
    }
};

// A score file with every item, team and difficulty open and some practice.
void OpenEverything() {
    ScoreData.clearCount[0][1] = ScoreData.clearCount[1][1] = 1;
    ScoreData.bestStage[0][0] = 6;
    ScoreData.bestStage[1][2] = 4;
    ScoreData.playSeconds = 3 * 3600 + 25 * 60 + 47;
}

TEST_F(SceneRecord, TheTitlesMenuAndChoices) {
    OpenEverything();
    Run(UpdateTitle, {0}, 40);
    Run(UpdateTitle, {PAD_DOWN, PAD_DOWN, PAD_RIGHT, PAD_UP, PAD_LEFT, PAD_UP, PAD_DOWN, PAD_DOWN, PAD_LEFT}, 3);
    // The one-player practice: teams, difficulties, stages, and back.
    Run(UpdateTitle, {PAD_DOWN, PAD_DOWN, PAD_DOWN, PAD_DOWN, PAD_SHOT}, 35);
    Run(UpdateTitle, {PAD_RIGHT, PAD_LEFT, PAD_DOWN, PAD_SHOT}, 8);
    Run(UpdateTitle, {PAD_UP, PAD_UP, PAD_DOWN, PAD_LEFT, PAD_RIGHT, PAD_DIRECT, PAD_SHOT, PAD_UP, PAD_SHOT}, 8);
    Run(UpdateTitle, {PAD_DOWN, PAD_DOWN, PAD_DOWN, PAD_UP, PAD_DIRECT}, 8);
    // The extra stage's team choice, and back.
    Run(UpdateTitle, {PAD_UP, PAD_UP, PAD_SHOT, PAD_RIGHT, PAD_DIRECT}, 8);
    Check("title");
}

TEST_F(SceneRecord, TheConfigurationAndTheRanking) {
    OpenEverything();
    ScoreData.rows[1][2].stage = 5;
    ScoreData.rows[5][0].stage = 7;
    ScoreData.playCount[1][1] = 12;
    LoadKeyMap(), KeyMap.keyboard[0] = 0;  // player 1 on a pad, player 2 on the keyboard
    Run(UpdateTitle, {PAD_UP, PAD_UP, PAD_SHOT}, 35);
    Run(UpdateTitle, {PAD_LEFT, PAD_LEFT, PAD_RIGHT, PAD_DOWN, PAD_LEFT, PAD_DOWN, PAD_DOWN, PAD_UP, PAD_UP}, 4);
    Run(UpdateTitle, {PAD_DOWN, PAD_SHOT, PAD_RIGHT, PAD_RIGHT, PAD_RIGHT, PAD_SHOT, PAD_DOWN, PAD_SHOT, PAD_LEFT, PAD_LEFT, PAD_LEFT, PAD_SHOT, PAD_UP}, 4);
    Run(UpdateTitle, {PAD_UP, PAD_SHOT, PAD_UP, PAD_SHOT}, 10);
    Run(UpdateTitle, {PAD_UP, PAD_SHOT}, 10);
    Run(UpdateTitle, {PAD_LEFT, PAD_LEFT, PAD_UP, PAD_RIGHT, PAD_DOWN, PAD_RIGHT, PAD_RIGHT, PAD_SHOT}, 3);
    Check("config+ranking");
}

TEST_F(SceneRecord, TheResultsNameEntryAndTheStoredFile) {
    ScoreData.resultColumn = 1;
    ScoreData.resultTeam = 1;
    ScoreData.resultScore = 450012;
    ScoreData.resultStage = 4;
    GameState.sceneId = kSceneResult;
    Run(UpdateResultScene, {0, PAD_RIGHT, PAD_SHOT, PAD_DOWN, PAD_LEFT, PAD_SHOT, PAD_DOWN, PAD_SHOT, PAD_UP,
                            PAD_UP, PAD_UP, PAD_RIGHT, PAD_SHOT, PAD_DIRECT, PAD_DOWN, PAD_DOWN, PAD_SHOT, PAD_LEFT,
                            PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT, PAD_SHOT},
        2);
    Run(UpdateResultScene, {0}, 200);
    EXPECT_EQ(GameState.sceneId, kSceneTitle);
    // The file as written, and as read back into a fresh table.
    for (char c : BuildScoreText(ScoreData)) Fold(uint32_t(uint8_t(c)));
    const std::string stored = shelltest::Inverted(testsupport::ReadFile(File("save/score.dat")));
    cScoreData back;
    ParseScoreText(stored.data(), stored.size(), back);
    EXPECT_EQ(BuildScoreText(back), BuildScoreText(ScoreData));
    // A second, unranked result.
    ScoreData.rank = kNotRanked;
    ScoreData.resultScore = 1;
    ScoreData.resultFrame = 0;
    GameState.sceneId = kSceneResult;
    Run(UpdateResultScene, {0, PAD_SHOT}, 3);
    Check("result");
}

TEST_F(SceneRecord, TheGameScenesOverlays) {
    GameState.twoPlayer = 1;
    GameState.stage = 3;
    Player1 = new cPlayerBase();
    Player2 = new cPlayerBase();
    for (cPlayerBase* p : {Player1, Player2}) p->Reset();
    Player2->character = 4;
    Player2->element = elements::FromNumber(1);
    for (int32_t f = 0; f < 260; f += 3) {
        Player1->gauge = float(f) * 0.9f;
        Player2->gauge = float(260 - f);
        Player1->life = f / 40;
        Player2->stock = 7 - f / 40;
        Player1->score = 7919 * f;
        Player1->aimY = f < 130 ? 200.0f : 400.0f;
        DrawHud(GameState);
        Fold(GameState.hudAlpha);
    }
    for (int32_t cursor = 0; cursor < 3; ++cursor)
        for (int32_t asking = 0; asking < 2; ++asking) {
            GameState.pauseCursor = GameState.pauseAnswer = cursor;
            GameState.pauseAsking = asking;
            DrawPauseMenu(GameState);
        }
    for (int32_t t = 0; t < 110; t += 4) {
        GameState.stateTimer = t;
        GameState.credits = t % 3 == 0 ? 0 : t / 4;
        GameState.continueChoice = t % 2;
        DrawContinueScreen(GameState);
    }
    Player1->itemCount = 17, Player1->absorbCount = 345, Player1->noMiss = 1, Player1->score = 12345678;
    Player2->itemCount = 3, Player2->absorbCount = 9, Player2->noMiss = 0, Player2->score = 876543;
    GameState.noMissBonus = 500000, GameState.stageBonus = 2345678, GameState.tallyTimer = 0;
    for (int32_t t = 0; t < 170; ++t) DrawStageClearTally(GameState);
    Check("game overlays");
}

}  // namespace
