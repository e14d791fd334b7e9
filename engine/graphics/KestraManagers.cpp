// Start and finish of the model, animation and shader-effect modules.
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

