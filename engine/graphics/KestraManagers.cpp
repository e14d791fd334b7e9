// Start and finish of the managers and model and animation modules.
#include "engine/graphics/KestraManagers.h"

#include "engine/core/Kestra.h"

namespace {

// One module's started state; the finish of a module that never started is silent.
struct ModuleState {
    const char* name;
    bool started;

    bool Start() {
        Kestra::LogHeadline("%sクラスの初期化", name);
        started = true;
        return true;
    }
    void Finish() {
        if (!started) return;
        Kestra::LogHeadline("%sクラスの解放", name);
        started = false;
    }
};

}  // namespace

namespace KestraSheet {
namespace {
ModuleState g_state{"KestraSheet", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraSheet

namespace KestraSimple {
namespace {
ModuleState g_state{"KestraSimple", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
namespace {
bool g_table = false;
}  // namespace
bool InitializeTable() {
    g_table = true;
    return true;
}
void FinalizeTable() { g_table = false; }
}  // namespace KestraSimple

namespace KestraPoint2D {
namespace {
ModuleState g_state{"KestraPoint2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraPoint2D

namespace KestraPoint3D {
namespace {
ModuleState g_state{"KestraPoint3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraPoint3D

namespace KestraLine2D {
namespace {
ModuleState g_state{"KestraLine2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraLine2D

namespace KestraLine3D {
namespace {
ModuleState g_state{"KestraLine3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraLine3D

namespace KestraPrimitive3D {
namespace {
ModuleState g_state{"KestraPrimitive3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraPrimitive3D

namespace KestraSprite3D {
namespace {
ModuleState g_state{"KestraSprite3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraSprite3D

namespace KestraFontSprite3D {
namespace {
ModuleState g_state{"KestraFontSprite3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraFontSprite3D

namespace KestraModelEx {
namespace {
ModuleState g_state{"KestraModelEx", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraModelEx

namespace KestraModel {
namespace {
ModuleState g_state{"KestraModel", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraModel

namespace KestraAnimation {
namespace {
ModuleState g_state{"KestraAnimation", false};
}  // namespace
bool CreateTables();  // KestraAnimation.cpp
void ReleaseTables();
bool Initialize() { return CreateTables() && g_state.Start(); }
void Finalize() {
    ReleaseTables();
    g_state.Finish();
}
bool IsStarted() { return g_state.started; }
}  // namespace KestraAnimation

namespace KestraShaderFx {
namespace {
ModuleState g_state{"KestraShaderFx", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void OnLostDevice() {}
void OnResetDevice() {}
}  // namespace KestraShaderFx
