#include "engine/graphics/KestraFont.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraFont {
namespace {

KestraManagerModule<CFontManager>& Module() {
    static KestraManagerModule<CFontManager> module("KestraFontクラスの初期化", "KestraFontクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CFontManager* GetManager() { return Module().Get(); }

CFont* Create(const char* face, int32_t size, int32_t italic, uint8_t bold) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->Create(face, size, italic, bold) : nullptr;
}

void Release(CFont* font) {
    if (!font) return;
    CCriticalSectionLock hold(Lock());
    font->Release();
}

}  // namespace KestraFont
