#include "engine/graphics/KestraSprite2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraSprite2D {
namespace {

KestraManagerModule<CSprite2DManager>& Module() {
    static KestraManagerModule<CSprite2DManager> module("KestraSprite2Dクラスの初期化", "KestraSprite2Dクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CSprite2DManager* GetManager() { return Module().Get(); }

void OnLostDevice() { Module().OnLostDevice(); }

void OnResetDevice() { Module().OnResetDevice(); }

CSprite2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->Create(capacity, texCoordSets, sort) : nullptr;
}

void Release(CSprite2D* sprite) {
    if (!sprite) return;
    CCriticalSectionLock hold(Lock());
    sprite->Release();
}

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (Module().Get()) Module().Get()->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (Module().Get()) Module().Get()->SetPerspective(enable, centerX, centerY, strength);
}

void SetTexture(CSprite2D* sprite, uint32_t stage, CTexture* texture) {
    if (sprite) sprite->SetTexture(stage, texture);
}

void Begin(CSprite2D* sprite) {
    if (sprite) sprite->Begin();
}

void End(CSprite2D* sprite) {
    if (sprite) sprite->End();
}

void Render(CSprite2D* sprite) {
    if (sprite) sprite->Render();
}

void DrawSquare(CSprite2D* sprite, const float* dst, float z, const float* src, uint32_t color, uint32_t stageCount) {
    if (sprite) sprite->DrawSquare(dst, z, src, color, stageCount);
}

void DrawSquareRotate(CSprite2D* sprite, const float* dst, float z, const float* src, uint32_t color,
                      Kestra::Angle16 angle, uint32_t stageCount, float offsetX, float offsetY) {
    if (sprite) sprite->DrawSquareRotate(dst, z, src, color, angle, stageCount, offsetX, offsetY);
}

}  // namespace KestraSprite2D
