#include "engine/graphics/KestraLine2D.h"

#include "engine/graphics/CLine2D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraPoint2D {
namespace {
KestraManagerModule<CPoint2DManager>& Module() {
    static KestraManagerModule<CPoint2DManager> module("KestraPoint2Dクラスの初期化", "KestraPoint2Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CPoint2DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (Module().Get()) Module().Get()->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (Module().Get()) Module().Get()->SetPerspective(enable, centerX, centerY, strength);
}

CPoint2D* Create(uint32_t capacity) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->Create(capacity) : nullptr;
}

void Release(CPoint2D* object) {
    if (!object) return;
    CCriticalSectionLock hold(Module().Lock());
    object->Release();
}

}  // namespace KestraPoint2D

namespace KestraLine2D {
namespace {
KestraManagerModule<CLine2DManager>& Module() {
    static KestraManagerModule<CLine2DManager> module("KestraLine2Dクラスの初期化", "KestraLine2Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CLine2DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }

void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (Module().Get()) Module().Get()->SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (Module().Get()) Module().Get()->SetPerspective(enable, centerX, centerY, strength);
}

CLine2D* Create(uint32_t capacity) {
    CCriticalSectionLock hold(Module().Lock());
    return Module().Get() ? Module().Get()->Create(capacity) : nullptr;
}

void Release(CLine2D* object) {
    if (!object) return;
    CCriticalSectionLock hold(Module().Lock());
    object->Release();
}

}  // namespace KestraLine2D
