#include "engine/graphics/KestraFont.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraFont {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CFontManager* g_manager = nullptr;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraFontクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CFontManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraFontクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CFontManager* GetManager() { return g_manager; }

CFont* Create(const char* face, int32_t size, int32_t italic, uint8_t bold) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->Create(face, size, italic, bold) : nullptr;
}

void Release(CFont* font) {
    if (!font) return;
    CCriticalSectionLock hold(Lock());
    font->Release();
}

}  // namespace KestraFont
