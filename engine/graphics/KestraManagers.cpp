// Start and finish of the animation module.
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

