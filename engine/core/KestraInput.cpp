// Input module: start, finish and the window procedure's feeders.
#include "engine/core/KestraInput.h"

#include "engine/core/Kestra.h"

namespace {
bool g_started = false;
}  // namespace

namespace KestraInput {

bool Initialize() {
    Kestra::LogHeadline("KestraInputクラスの初期化");
    g_started = true;
    return true;
}

void Finalize() {
    if (!g_started) return;
    Kestra::LogHeadline("KestraInputクラスの解放");
    g_started = false;
}

void Update() {}

bool IsStarted() { return g_started; }

void SetLeftDoubleClick() {}
void SetRightDoubleClick() {}
void SetMiddleDoubleClick() {}
void AddMouseWheel(int32_t) {}

}  // namespace KestraInput
