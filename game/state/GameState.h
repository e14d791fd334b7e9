// The single game-state object every scene and play object reads.
#pragma once

#include <cstdint>

// The story's last stage, whose two bosses end it, and the extra stage after it.
constexpr int32_t kLastStoryStage = 5;
constexpr int32_t kExtraStage = 6;
// The stage number a cleared game leaves for its result: the story's, the extra stage's.
constexpr int32_t kStoryCleared = 7;
constexpr int32_t kExtraCleared = 8;

class cGameState {
public:
    cGameState();

    int32_t frameCount;
    int32_t subState;  // 0 play, 1 dialogue, 2 pause, 3 tally, 4 leave, 5 game over
    int32_t team;      // 1 or 2
    uint8_t twoPlayer;
    int32_t practiceStage;
    uint8_t practice;
    int32_t stage;
    int32_t difficulty;
    int32_t seVolume;
    int32_t bgmVolume;
    int32_t continueChoice;
    int32_t stateTimer;
    int32_t credits;
    int32_t stageBonus;
    int32_t noMissBonus;
    int32_t pauseCursor;
    uint8_t pauseAsking;
    int32_t pauseAnswer;
    int32_t hudAlpha;
    int32_t tallyTimer;
    int32_t sceneId;  // kSceneTitle, kSceneGame or kSceneResult
};

enum : int32_t {
    kSceneTitle = 0,
    kSceneGame = 1,
    kSceneResult = 2,
};

enum : int32_t {
    kSubStatePlay = 0,
    kSubStateDialogue = 1,
    kSubStatePause = 2,
    kSubStateTally = 3,
    kSubStateLeave = 4,
    kSubStateGameOver = 5,
};

extern cGameState GameState;
