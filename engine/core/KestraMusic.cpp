// Music: slot table, loader, performance.
#include "engine/core/KestraMusic.h"

#include "engine/core/Kestra.h"
#include "engine/core/KestraSound.h"

namespace {

// {D2AC2892-B39B-11D1-8704-00600893B1BD}
const CLSID kClsidDirectMusicLoader = {0xD2AC2892, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
// {19E7C08C-0A44-4E6A-A116-595A7CD5DE8C}
const IID kIidDirectMusicLoader8 = {0x19E7C08C, 0x0A44, 0x4E6A, {0xA1, 0x16, 0x59, 0x5A, 0x7C, 0xD5, 0xDE, 0x8C}};
// {279AFA83-4981-11CE-A521-0020AF0BE560}
const IID kIidDirectSound = {0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

struct MusicSlot {
    uint8_t inUse;
    uint32_t references;
    uint8_t playing;
    IUnknown* segment;
    IUnknown* segmentState;
    IUnknown* performance;
};

uint32_t g_maxMusic = 0;
uint32_t g_count = 0;
MusicSlot* g_slots = nullptr;
IUnknown* g_loader = nullptr;
IUnknown* g_directSound = nullptr;
IUnknown* g_directMusic = nullptr;

CCriticalSection& MusicLock() {
    static CCriticalSection lock;
    return lock;
}

}  // namespace

namespace KestraMusic {

void SetMaxMusic(uint32_t count) { g_maxMusic = count; }

bool Initialize() {
    CCriticalSectionLock lock(MusicLock());
    if (g_loader) return true;
    // A start that failed kept its empty table for the finish: a new start begins afresh.
    if (g_slots) Kestra::MemoryFree(g_slots);
    g_slots = nullptr;
    Kestra::LogHeadline("KestraMusicクラスの初期化");
    Kestra::LogBold("ミュージック用メモリ確保");
    Kestra::LogNewLine();
    g_count = g_maxMusic ? g_maxMusic : 64;
    g_slots = static_cast<MusicSlot*>(Kestra::MemoryAlloc(static_cast<uint32_t>(sizeof(MusicSlot) * g_count)));
    if (!g_slots) {
        g_count = 0;
        Kestra::LogRed("　　　ミュージック用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    void* loader = nullptr;
    if (FAILED(CoCreateInstance(kClsidDirectMusicLoader, nullptr, CLSCTX_INPROC_SERVER, kIidDirectMusicLoader8,
                                &loader)) ||
        !loader) {
        Kestra::LogRed("　エラー : DirectMusicLoaderの生成に失敗");
        Kestra::LogNewLine();
        return false;
    }
    g_loader = static_cast<IUnknown*>(loader);
    Kestra::LogPrint("　■ DirectMusicオブジェクトを生成");
    Kestra::LogNewLine();
    if (IUnknown* sound = KestraSound::GetDirectSound()) {
        void* directSound = nullptr;
        if (SUCCEEDED(sound->QueryInterface(kIidDirectSound, &directSound)) && directSound) {
            g_directSound = static_cast<IUnknown*>(directSound);
            // The module keeps the sound module's object without a reference of its own.
            g_directSound->Release();
        }
    }
    return true;
}

void Finalize() {
    CCriticalSectionLock lock(MusicLock());
    if (!g_slots) return;
    Kestra::LogHeadline("KestraMusicクラスの解放");
    for (uint32_t i = 0; i < g_count; ++i) {
        if (!g_slots[i].inUse) continue;
        g_slots[i].references = 1;
        ReleaseSlot(i);
        Kestra::LogPrint("Music Destroy [ No.%u ]", i);
        Kestra::LogNewLine();
    }
    Kestra::MemoryFree(g_slots);
    g_slots = nullptr;
    g_count = 0;
    if (g_directSound) {
        g_directSound = nullptr;
        Kestra::LogPrint("　■ DirectSoundを解体");
        Kestra::LogNewLine();
    }
    if (g_directMusic) {
        g_directMusic->Release();
        g_directMusic = nullptr;
        Kestra::LogPrint("　■ DirectMusicを解体");
        Kestra::LogNewLine();
    }
    if (g_loader) {
        g_loader->Release();
        g_loader = nullptr;
        Kestra::LogPrint("　■ DirectMusicLoaderを解体");
        Kestra::LogNewLine();
    }
}

void ReleaseSlot(uint32_t slot) {
    CCriticalSectionLock lock(MusicLock());
    if (!g_slots || slot >= g_count || !g_slots[slot].inUse) return;
    MusicSlot& s = g_slots[slot];
    if (--s.references > 0) return;
    if (s.segmentState) s.segmentState->Release();
    if (s.segment) s.segment->Release();
    if (s.performance) s.performance->Release();
    s = MusicSlot{};
}

// Without a loader the module is off: no slot can be filled.
bool IsStarted() { return g_loader != nullptr; }

}  // namespace KestraMusic
