#include "engine/graphics/KestraFontSprite2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CFontSprite2D.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraFontSprite2D {
namespace {

KestraManagerModule<CFontSprite2DManager>& Module() {
    static KestraManagerModule<CFontSprite2DManager> module("KestraFontSprite2Dクラスの初期化", "KestraFontSprite2Dクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CFontSprite2DManager* GetManager() { return Module().Get(); }

CFontSprite2D* CreateFromFile(const char* file, const char* sheetSource, uint32_t, uint32_t capacity, uint8_t sort,
                              uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateFromFile(file, sheetSource, capacity, sort, formatKind) : nullptr;
}

CFontSprite2D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->Create(list, capacity, font, sort, smooth) : nullptr;
}

void Release(CFontSprite2D* fontSprite) {
    if (!fontSprite) return;
    CCriticalSectionLock hold(Lock());
    if (Module().Get()) fontSprite->Release();
}

bool GetCharMetrics(CFontSprite2D* fontSprite, const char* text, uint32_t* left, uint32_t* width, uint32_t* right) {
    return fontSprite ? fontSprite->GetCharMetrics(text, left, width, right) : false;
}

void Begin(CFontSprite2D* fontSprite, int32_t spacing) {
    if (fontSprite) fontSprite->Begin(spacing);
}

void End(CFontSprite2D* fontSprite) {
    if (fontSprite) fontSprite->End();
}

void Render(CFontSprite2D* fontSprite) {
    if (fontSprite) fontSprite->Render();
}

void DrawString(CFontSprite2D* fontSprite, const char* text, int32_t x, int32_t y, float z, uint32_t color) {
    if (fontSprite) fontSprite->DrawString(text, x, y, z, color);
}

}  // namespace KestraFontSprite2D
