// The start of a game from the title: players, images, the game's reset and
// the first stage, then the game scene.
#pragma once

#include <cstdint>

class cGameState;

// The calls the start makes outside the title. Tests replace them to watch the
// sequence; the game runs with the defaults.
struct cGameStartCalls {
    void (*spawnPlayer)(int32_t code, float x, float y);
    void (*loadCommonSprites)(cGameState& state);
    void (*loadStageResources)(int32_t stage);
    void (*releaseTitleSprites)();
    void (*resetForNewGame)();
    void (*startStage)();
};
// Null restores the defaults.
void SetGameStartCalls(const cGameStartCalls* calls);

// Title state 10: everything a new game needs, then scene 1.
void StartNewGame();
