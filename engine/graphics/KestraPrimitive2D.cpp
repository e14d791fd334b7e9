#include "engine/graphics/KestraPrimitive2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CPrimitive2D.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraPrimitive2D {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}
CPrimitive2DManager* g_manager = nullptr;

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraPrimitive2Dクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_manager) return true;
    g_manager = new (std::nothrow) CPrimitive2DManager(Kestra3D::GetDevice());
    return g_manager != nullptr;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_manager) return;
    Kestra::LogHeadline("KestraPrimitive2Dクラスの解放");
    delete g_manager;
    g_manager = nullptr;
}

bool IsStarted() { return g_manager != nullptr; }

CPrimitive2DManager* GetManager() { return g_manager; }

void OnLostDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnLostDevice();
}

void OnResetDevice() {
    CCriticalSectionLock hold(Lock());
    if (g_manager) g_manager->OnResetDevice();
}

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (g_manager) g_manager->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (g_manager) g_manager->SetPerspective(enable, centerX, centerY, strength);
}

CPrimitive2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    CCriticalSectionLock hold(Lock());
    return g_manager ? g_manager->Create(capacity, texCoordSets, sort) : nullptr;
}

void Release(CPrimitive2D* primitive) {
    if (!primitive) return;
    CCriticalSectionLock hold(Lock());
    primitive->Release();
}

}  // namespace KestraPrimitive2D
