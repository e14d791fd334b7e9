// The 2-D font sprite module: its manager and the game's text functions (which
// ignore a null font sprite).
#pragma once

#include <cstdint>

class CFont;
class CFontSprite2D;
class CFontSprite2DManager;

namespace KestraFontSprite2D {
bool Initialize();
void Finalize();
bool IsStarted();
// From an LFD file whose sheets are "<name><ext>" files (sheetSource ".tga") or
// entries of the LAG archive sheetSource. The third argument is not used. Null on
// failure and while the module is not started.
CFontSprite2D* CreateFromFile(const char* file, const char* sheetSource, uint32_t unused, uint32_t capacity,
                              uint8_t sort, uint32_t formatKind);
// From a GDI font, rasterising the Shift-JIS character list.
CFontSprite2D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth);
// Drops the caller's reference; null is ignored, and so is a call while the module is not started.
void Release(CFontSprite2D* fontSprite);
bool GetCharMetrics(CFontSprite2D* fontSprite, const char* text, uint32_t* left, uint32_t* width, uint32_t* right);
void Begin(CFontSprite2D* fontSprite, int32_t spacing);
void End(CFontSprite2D* fontSprite);
void Render(CFontSprite2D* fontSprite);
void DrawString(CFontSprite2D* fontSprite, const char* text, int32_t x, int32_t y, float z, uint32_t color);
// The manager while started, else null.
CFontSprite2DManager* GetManager();
}  // namespace KestraFontSprite2D
