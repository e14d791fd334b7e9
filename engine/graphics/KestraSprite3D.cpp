#include "engine/graphics/KestraSprite3D.h"

#include "engine/graphics/CFontSprite3D.h"
#include "engine/graphics/CSprite3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraSprite3D {
namespace {
KestraManagerModule<CSprite3DManager>& Module() {
    static KestraManagerModule<CSprite3DManager> module("KestraSprite3Dクラスの初期化", "KestraSprite3Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CSprite3DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }

CSprite3D* Create(uint32_t capacity, uint32_t texCoordSets) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->Create(capacity, texCoordSets) : nullptr;
}

// Ignored once the manager is gone: it released every sprite it listed, and a
// font sprite outliving it must not touch its sheets' sprites again.
void Release(CSprite3D* sprite) {
    if (!sprite) return;
    CCriticalSectionLock hold(Module().Lock());
    if (Module().Get()) sprite->Release();
}

}  // namespace KestraSprite3D

namespace KestraFontSprite3D {
namespace {
KestraManagerModule<CFontSprite3DManager>& Module() {
    static KestraManagerModule<CFontSprite3DManager> module("KestraFontSprite3Dクラスの初期化",
                                                            "KestraFontSprite3Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CFontSprite3DManager* GetManager() { return Module().Get(); }

CFontSprite3D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->Create(list, capacity, font, smooth) : nullptr;
}

CFontSprite3D* CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint32_t formatKind) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->CreateFromFile(file, sheetSource, capacity, formatKind) : nullptr;
}

void Release(CFontSprite3D* fontSprite) {
    if (!fontSprite) return;
    CCriticalSectionLock hold(Module().Lock());
    fontSprite->Release();
}

}  // namespace KestraFontSprite3D
