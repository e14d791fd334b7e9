#include "engine/graphics/KestraTexture.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraTexture {
namespace {

KestraManagerModule<CTextureManager>& Module() {
    static KestraManagerModule<CTextureManager> module("KestraTextureクラスの初期化", "KestraTextureクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }
// Where the texel offset is kept while no manager exists (the filter switch may
// come before the module starts).
float g_idleTexelOffset = 0.0f;

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CTextureManager* GetManager() { return Module().Get(); }

void OnLostDevice() { Module().OnLostDevice(); }

void OnResetDevice() { Module().OnResetDevice(); }

CTexture* Create(int32_t width, int32_t height, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->Create(uint32_t(width), uint32_t(height), formatKind) : nullptr;
}

CTexture* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateFromFile(file, formatKind, colorKey) : nullptr;
}

CTexture* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->CreateFromLAG(archive, entry, formatKind) : nullptr;
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
    if (Module().Get())
        Module().Get()->SetTexelOffset(offset);
    else
        g_idleTexelOffset = offset;
}

float GetTexelOffset() { return Module().Get() ? Module().Get()->GetTexelOffset() : g_idleTexelOffset; }

float PixelToU(CTexture* texture, float x) { return texture ? texture->PixelToU(x) : 0.0f; }

float PixelToV(CTexture* texture, float y) { return texture ? texture->PixelToV(y) : 0.0f; }

}  // namespace KestraTexture
