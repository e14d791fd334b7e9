#include "engine/graphics/KestraTexture.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraTexture {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CTextureManager* g_manager = nullptr;
// Where the texel offset is kept while no manager exists (the filter switch may
// come before the module starts).
float g_idleTexelOffset = 0.0f;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraTextureクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CTextureManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraTextureクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CTextureManager* GetManager() { return g_manager; }

void OnLostDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnLostDevice();
}

void OnResetDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnResetDevice();
}

CTexture* Create(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->Create(uint32_t(width), uint32_t(height), formatKind) : nullptr;
}

CTexture* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateFromFile(file, formatKind, colorKey) : nullptr;
}

CTexture* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->CreateFromLAG(archive, entry, formatKind) : nullptr;
}

void Release(CTexture* texture) {
    if (!texture) return;
    CCriticalSectionLock hold(Lock());
    texture->Release();
}

void AddRef(CTexture* texture) {
    if (texture) texture->AddRef();
}

void SetTexelOffset(float offset) {
    if (g_manager)
        g_manager->SetTexelOffset(offset);
    else
        g_idleTexelOffset = offset;
}

float GetTexelOffset() { return g_manager ? g_manager->GetTexelOffset() : g_idleTexelOffset; }

float PixelToU(CTexture* texture, float x) { return texture ? texture->PixelToU(x) : 0.0f; }

float PixelToV(CTexture* texture, float y) { return texture ? texture->PixelToV(y) : 0.0f; }

}  // namespace KestraTexture
