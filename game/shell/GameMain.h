// The game's side of the engine's callbacks: configuration, main loop, message hook.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/types.h"

class CTexture;
class CSprite2D;
class CFontSprite2D;

// One entry of the sprite table: a texture and the sprite that draws it.
struct SpriteEntry {
    CTexture* texture;
    CSprite2D* sprite;
};

constexpr uint32_t kSpriteTableSize = 80;
constexpr uint32_t kFontTableSize = 2;

extern std::vector<SpriteEntry> SpriteTable;
extern std::vector<CFontSprite2D*> FontTable;
// The engine camera slot, -1 until RunGame creates it.
extern int32_t CameraHandle;

// Called by the engine's boot before the window exists; always true.
bool ConfigureApplication();
// The game's main function: starts the engine and runs the frame loop until the
// window closes.
void RunGame(int argc, char** argv);
// Sees every window message before the engine handles it.
void OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
