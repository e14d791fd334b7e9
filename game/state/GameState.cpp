#include "game/state/GameState.h"

cGameState GameState;

cGameState::cGameState()
    : frameCount(0),
      subState(0),
      team(0),
      twoPlayer(0),
      practiceStage(0),
      practice(0),
      stage(0),
      difficulty(0),
      seVolume(90),
      bgmVolume(90),
      continueChoice(0),
      stateTimer(0),
      credits(3),
      stageBonus(0),
      noMissBonus(0),
      pauseCursor(0),
      pauseAsking(0),
      pauseAnswer(0),
      hudAlpha(255),
      tallyTimer(0),
      sceneId(kSceneTitle) {}
