// The game scene: scene 1 of the main loop.
#pragma once

#include <cstdint>

// A player of the chosen team through the object manager.
void SpawnPlayer(int32_t code, float x, float y);
void ResetForNewGame();
void UpdateGameScene();
