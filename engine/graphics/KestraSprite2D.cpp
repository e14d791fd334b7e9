#include "engine/graphics/KestraSprite2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraSprite2D {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CSprite2DManager* g_manager = nullptr;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraSprite2Dクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CSprite2DManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraSprite2Dクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CSprite2DManager* GetManager() { return g_manager; }

void OnLostDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnLostDevice();
}

void OnResetDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnResetDevice();
}

CSprite2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->Create(capacity, texCoordSets, sort) : nullptr;
}

void Release(CSprite2D* sprite) {
    if (!sprite) return;
    CCriticalSectionLock hold(Lock());
    sprite->Release();
}

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (g_manager) g_manager->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (g_manager) g_manager->SetPerspective(enable, centerX, centerY, strength);
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
