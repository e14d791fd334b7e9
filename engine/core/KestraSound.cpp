// Sound module: start and finish.
#include "engine/core/KestraSound.h"

#include "engine/core/Kestra.h"

namespace {
uint32_t g_maxSounds = 0;
bool g_started = false;
}  // namespace

namespace KestraSound {

void SetMaxSounds(uint32_t count) { g_maxSounds = count; }
uint32_t GetMaxSounds() { return g_maxSounds ? g_maxSounds : 64; }

bool Initialize() {
    Kestra::LogHeadline("KestraSoundクラスの初期化");
    Kestra::LogNewLine();
    g_started = true;
    return true;
}

void Finalize() {
    if (!g_started) return;
    Kestra::LogHeadline("KestraSoundクラスの解放");
    Kestra::LogNewLine();
    g_started = false;
}

bool IsStarted() { return g_started; }

IUnknown* GetDirectSound() { return nullptr; }

}  // namespace KestraSound
