// The game's side of the engine's callbacks: configuration, main loop, message hook.
#pragma once

#include <cstdint>

#include "game/state/SpriteTable.h"
#include "platform/win32/types.h"

// The engine camera slot, -1 until RunGame creates it.
extern int32_t CameraHandle;

// Called by the engine's boot before the window exists; always true.
bool ConfigureApplication();
// The game's main function: starts the engine and runs the frame loop until the
// window closes.
void RunGame(int argc, char** argv);
// Sees every window message before the engine handles it.
void OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
