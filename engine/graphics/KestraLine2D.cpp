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
CPoint2D* Create(uint32_t capacity) { return Module().Create([&](CPoint2DManager* m) { return m->Create(capacity); }); }
void Release(CPoint2D* object) { Module().Release(object); }
void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (CPoint2DManager* m = Module().Get()) m->SetScaling(enable, centerX, centerY, scale);
}
void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (CPoint2DManager* m = Module().Get()) m->SetPerspective(enable, centerX, centerY, strength);
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
CLine2D* Create(uint32_t capacity) { return Module().Create([&](CLine2DManager* m) { return m->Create(capacity); }); }
void Release(CLine2D* object) { Module().Release(object); }
void SetScaling(bool enable, float centerX, float centerY, float scale) {
    if (CLine2DManager* m = Module().Get()) m->SetScaling(enable, centerX, centerY, scale);
}
void SetPerspective(bool enable, float centerX, float centerY, float strength) {
    if (CLine2DManager* m = Module().Get()) m->SetPerspective(enable, centerX, centerY, strength);
}
}  // namespace KestraLine2D
