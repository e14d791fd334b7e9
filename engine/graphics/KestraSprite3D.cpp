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
    return Module().Create([&](CSprite3DManager* m) { return m->Create(capacity, texCoordSets); });
}

// Ignored once the manager is gone: it released every sprite it listed, and a
// font sprite outliving it must not touch its sheets' sprites again.
void Release(CSprite3D* sprite) {
    if (Module().Get()) Module().Release(sprite);
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
    return Module().Create([&](CFontSprite3DManager* m) { return m->Create(list, capacity, font, smooth); });
}

CFontSprite3D* CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint32_t formatKind) {
    return Module().Create(
        [&](CFontSprite3DManager* m) { return m->CreateFromFile(file, sheetSource, capacity, formatKind); });
}

void Release(CFontSprite3D* fontSprite) { Module().Release(fontSprite); }

}  // namespace KestraFontSprite3D
