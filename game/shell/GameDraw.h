// Drawing of the game scene: the play field's layers, the in-game display and
// the overlays of pause, tally and continue.
#pragma once

#include <cstdint>
#include <span>

class cGameState;

void DrawGameScene(cGameState& state);
void DrawHud(cGameState& state);
void DrawPauseMenu(cGameState& state);
void DrawStageClearTally(cGameState& state);
void DrawContinueScreen(cGameState& state);

// The slots the scene begins and ends, in that order.
extern const std::span<const int32_t> kGameSceneSlots;
