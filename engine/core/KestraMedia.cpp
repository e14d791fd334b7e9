// Media playback: slot table and graph-event hook.
#include "engine/core/KestraMedia.h"

#include "engine/core/Kestra.h"

namespace {
uint32_t g_maxMedia = 0;
uint32_t g_count = 0;
KestraMediaSlot* g_slots = nullptr;
}  // namespace

namespace KestraMedia {

void SetMaxMedia(uint32_t count) { g_maxMedia = count; }

bool Initialize() {
    if (g_slots) return true;
    Kestra::LogHeadline("KestraMediaクラスの初期化");
    Kestra::LogBold("メディア用メモリ確保");
    Kestra::LogNewLine();
    g_count = g_maxMedia ? g_maxMedia : 64;
    g_slots = static_cast<KestraMediaSlot*>(Kestra::MemoryAlloc(static_cast<uint32_t>(sizeof(KestraMediaSlot) * g_count)));
    if (!g_slots) {
        g_count = 0;
        Kestra::LogRed("　　　メディア用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    return true;
}

void Finalize() {
    if (!g_slots) return;
    Kestra::LogHeadline("KestraMediaクラスの解放");
    for (uint32_t i = 0; i < g_count; ++i) {
        if (!g_slots[i].inUse) continue;
        g_slots[i].references = 1;
        ReleaseSlot(i);
    }
    Kestra::MemoryFree(g_slots);
    g_slots = nullptr;
    g_count = 0;
}

void OnGraphEvent() {
    // No slot ever holds a graph here, so there are no events to drain.
    if (!g_slots) return;
}

void ReleaseSlot(uint32_t slot) {
    if (!g_slots || slot >= g_count || !g_slots[slot].inUse) return;
    KestraMediaSlot& s = g_slots[slot];
    if (--s.references > 0) return;
    for (IUnknown*& unknown : s.interfaces) {
        if (unknown) unknown->Release();
        unknown = nullptr;
    }
    if (s.deleteFileOnRelease) DeleteFileA(s.fileName);
    s = KestraMediaSlot{};
}

bool IsStarted() { return g_slots != nullptr; }

}  // namespace KestraMedia
