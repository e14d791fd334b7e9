#include "engine/graphics/KestraSurface.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraSurface {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CSurfaceManager* g_manager = nullptr;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraSurfaceクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CSurfaceManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraSurfaceクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CSurfaceManager* GetManager() { return g_manager; }

void OnLostDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnLostDevice();
}

void OnResetDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnResetDevice();
}

CSurface* CreateOffscreen(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateOffscreen(width, height, formatKind) : nullptr;
}

CSurface* CreateFromFile(const char* file, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateFromFile(file, formatKind) : nullptr;
}

CSurface* CreateRenderTarget(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateRenderTarget(width, height, formatKind) : nullptr;
}

CSurface* CreateDepthStencil(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateDepthStencil(width, height, formatKind) : nullptr;
}

void Release(CSurface* surface) {
    if (!surface) return;
    CCriticalSectionLock hold(Lock());
    surface->Release();
}

}  // namespace KestraSurface
