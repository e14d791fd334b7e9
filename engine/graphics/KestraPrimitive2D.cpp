#include "engine/graphics/KestraPrimitive2D.h"

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CPrimitive2D.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraPrimitive2D {
namespace {

KestraManagerModule<CPrimitive2DManager>& Module() {
    static KestraManagerModule<CPrimitive2DManager> module("KestraPrimitive2Dクラスの初期化", "KestraPrimitive2Dクラスの解放");
    return module;
}
CCriticalSection& Lock() { return Module().Lock(); }

}  // namespace

bool Initialize() { return Module().Start(); }

void Finalize() { Module().Finish(); }

bool IsStarted() { return Module().IsStarted(); }

CPrimitive2DManager* GetManager() { return Module().Get(); }

void OnLostDevice() { Module().OnLostDevice(); }

void OnResetDevice() { Module().OnResetDevice(); }

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (Module().Get()) Module().Get()->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (Module().Get()) Module().Get()->SetPerspective(enable, centerX, centerY, strength);
}

CPrimitive2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    CCriticalSectionLock hold(Lock());
    return Module().Get() ? Module().Get()->Create(capacity, texCoordSets, sort) : nullptr;
}

void Release(CPrimitive2D* primitive) {
    if (!primitive) return;
    CCriticalSectionLock hold(Lock());
    primitive->Release();
}

}  // namespace KestraPrimitive2D
