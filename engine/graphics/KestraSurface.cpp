#include "engine/graphics/KestraSurface.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraSurface {
namespace {

KestraManagerModule<CSurfaceManager>& Module() {
    static KestraManagerModule<CSurfaceManager> module("KestraSurfaceクラスの初期化", "KestraSurfaceクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CSurfaceManager* GetManager() { return Module().Get(); }

void OnLostDevice() { Module().OnLostDevice(); }

void OnResetDevice() { Module().OnResetDevice(); }

CSurface* CreateOffscreen(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateOffscreen(width, height, formatKind) : nullptr;
}

CSurface* CreateFromFile(const char* file, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateFromFile(file, formatKind) : nullptr;
}

CSurface* CreateRenderTarget(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateRenderTarget(width, height, formatKind) : nullptr;
}

CSurface* CreateDepthStencil(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateDepthStencil(width, height, formatKind) : nullptr;
}

void Release(CSurface* surface) {
    if (!surface) return;
    CCriticalSectionLock hold(Lock());
    surface->Release();
}

}  // namespace KestraSurface
