#include "engine/graphics/KestraFontSprite2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CFontSprite2D.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraFontSprite2D {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CFontSprite2DManager* g_manager = nullptr;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraFontSprite2Dクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CFontSprite2DManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraFontSprite2Dクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CFontSprite2DManager* GetManager() { return g_manager; }

CFontSprite2D* CreateFromFile(const char* file, const char* sheetSource, uint32_t, uint32_t capacity, uint8_t sort,
                              uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateFromFile(file, sheetSource, capacity, sort, formatKind) : nullptr;
}

CFontSprite2D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->Create(list, capacity, font, sort, smooth) : nullptr;
}

void Release(CFontSprite2D* fontSprite) {
    if (!fontSprite) return;
    CCriticalSectionLock hold(Lock());
    if (g_manager) fontSprite->Release();
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
