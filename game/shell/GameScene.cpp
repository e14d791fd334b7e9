#include "game/shell/GameScene.h"

#include "game/shell/GameGlobals.h"
#include "game/shell/GameState.h"
#include "game/shell/ScoreData.h"

// The object manager creates the players; until it is part of the game no
// player exists and the scene below plays without them.
void SpawnPlayer(int32_t, float, float) {}

void ResetForNewGame() {
    cGameState& g = GameState;
    StageFrame = 0;
    g.stateTimer = 0;
    g.continueChoice = 0;
    g.tallyTimer = 0;
    g.credits = static_cast<int32_t>(3u + ScoreData.finishedGames / 3u);
}

void StartStage() {
    GameState.frameCount = 0;
    GameState.subState = 0;
    StageFrame = 0;
    ScrollHalt = 0;
}

void UpdateGameScene() {}
