#include "engine/graphics/KestraPrimitive3D.h"

#include "engine/graphics/CPrimitive3D.h"
#include "engine/graphics/KestraManagerModule.h"

namespace KestraPoint3D {
namespace {
KestraManagerModule<CPoint3DManager>& Module() {
    static KestraManagerModule<CPoint3DManager> module("KestraPoint3Dクラスの初期化", "KestraPoint3Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CPoint3DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }
CPoint3D* Create(uint32_t capacity) { return Module().Create([&](CPoint3DManager* m) { return m->Create(capacity); }); }
void Release(CPoint3D* object) { Module().Release(object); }
}  // namespace KestraPoint3D

namespace KestraLine3D {
namespace {
KestraManagerModule<CLine3DManager>& Module() {
    static KestraManagerModule<CLine3DManager> module("KestraLine3Dクラスの初期化", "KestraLine3Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CLine3DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }
CLine3D* Create(uint32_t capacity) { return Module().Create([&](CLine3DManager* m) { return m->Create(capacity); }); }
void Release(CLine3D* object) { Module().Release(object); }
}  // namespace KestraLine3D

namespace KestraPrimitive3D {
namespace {
KestraManagerModule<CPrimitive3DManager>& Module() {
    static KestraManagerModule<CPrimitive3DManager> module("KestraPrimitive3Dクラスの初期化", "KestraPrimitive3Dクラスの解放");
    return module;
}
}  // namespace

bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
CPrimitive3DManager* GetManager() { return Module().Get(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }
CPrimitive3D* Create(uint32_t capacity, uint32_t texCoordSets) { return Module().Create([&](CPrimitive3DManager* m) { return m->Create(capacity, texCoordSets); }); }
void Release(CPrimitive3D* object) { Module().Release(object); }
}  // namespace KestraPrimitive3D
