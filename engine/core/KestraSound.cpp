// Sound slots: device start and finish, the player library, creation from files
// and the play operations.
#include "engine/core/KestraSound.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraSoundWave.h"
#include "platform/dsound/sound_host.h"
#include "platform/win32/testing.h"

namespace {

// Tests of call order read the music calls from the platform's call record.
void RecordSoundCall(const char* format, ...) {
    if (!platform::CallRecordingOn()) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    platform::RecordCall(line);
}

// Buffer descriptions are written as the 32-bit layout has them.
constexpr DWORD kBufferDescSize = 36;

struct SoundModule {
    uint32_t maxSounds = 0;
    bool attempted = false;  // Initialize ran: Finalize has something to report
    bool started = false;
    KestraSoundSlot* slots = nullptr;
    uint32_t count = 0;
    IDirectSound8* directSound8 = nullptr;
    IDirectSound* directSound = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IKestraSoundHost* host = nullptr;  // tells the sound memory left; null: no limit known
    HMODULE torvi = nullptr;
    PFN_Torvi_Initialize torviInitialize = nullptr;
    PFN_Torvi_Uninitialize torviUninitialize = nullptr;
    PFN_Torvi_CreateInstanceFromFileEx torviCreateFromFile = nullptr;
    PFN_Torvi_CreateInstanceFromMemory torviCreateFromMemory = nullptr;
    PFN_Torvi_GetLastError torviGetLastError = nullptr;
    bool torviReady = false;
};

SoundModule g;

CCriticalSection& SoundLock() {
    static CCriticalSection lock;
    return lock;
}

// An entry point of a library, typed as its declaration says.
template <typename Function>
Function Bind(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Lets go of the player library (its instances must be gone).
void UnloadTorvi() {
    if (!g.torvi) return;
    if (g.torviUninitialize) g.torviUninitialize();
    FreeLibrary(g.torvi);
    g.torvi = nullptr;
    g.torviInitialize = nullptr;
    g.torviUninitialize = nullptr;
    g.torviCreateFromFile = nullptr;
    g.torviCreateFromMemory = nullptr;
    g.torviGetLastError = nullptr;
    g.torviReady = false;
}

void ReleaseDevice() {
    Kestra::SafeRelease(g.host);
    Kestra::SafeRelease(g.primary);
    Kestra::SafeRelease(g.directSound);
    Kestra::SafeRelease(g.directSound8);
}

// A start that failed leaves nothing behind: the module stays off.
bool FailStart() {
    UnloadTorvi();
    ReleaseDevice();
    if (g.slots) Kestra::MemoryFree(g.slots);
    g.slots = nullptr;
    g.count = 0;
    g.started = false;
    return false;
}

void LogLine(const char* text) {
    Kestra::LogPrint("%s", text);
    Kestra::LogNewLine();
}

void LogRedLine(const char* text) {
    Kestra::LogRed("%s", text);
    Kestra::LogNewLine();
}

// The slot when the module is on and the slot is in use.
KestraSoundSlot* UsedSlot(uint32_t slot) {
    if (!g.started || !g.slots || slot >= g.count) return nullptr;
    KestraSoundSlot* s = &g.slots[slot];
    return s->inUse ? s : nullptr;
}

IDirectSoundBuffer* BufferOf(KestraSoundSlot* s, uint32_t buffer) {
    if (buffer >= s->bufferCount || buffer >= KESTRA_SOUND_MAX_BUFFERS) return nullptr;
    return s->buffers[buffer];
}

// Frees everything a slot holds and zero-fills it.
void DestroySlot(KestraSoundSlot* s) {
    if (s->player) {
        s->player->Stop();
        s->player->Release();
    }
    for (IDirectSoundBuffer*& buffer : s->buffers) Kestra::SafeRelease(buffer);
    if (s->file) KestraFile::Close(s->file);
    std::memset(s, 0, sizeof(*s));
}

// Reads the whole of an open file into a Kestra::MemoryAllocLoaded block, LZSS decoded.
// On failure logs why (memory, or the read or decoding) and answers false.
bool ReadWhole(KestraFileHandle* file, uint8_t** data, uint32_t* size) {
    *data = nullptr;
    *size = KestraFile::GetSize(file);
    auto* bytes = static_cast<uint8_t*>(Kestra::MemoryAllocLoaded(*size));
    if (!bytes) {
        Kestra::LogRed("メモリ確保に失敗しました [%dKB]", static_cast<int>(*size / 1024));
        Kestra::LogNewLine();
        return false;
    }
    if (KestraFile::Read(file, *size, bytes) != *size || !KestraFile::DecodeLzss(&bytes, size)) {
        Kestra::MemoryFree(bytes);
        LogRedLine("ファイル読み込みに失敗しました");
        return false;
    }
    *data = bytes;
    return true;
}

// True when the stored bytes of the file are an LZSS block (the player reads
// stored bytes, so such a sound is decoded here first), with the size it
// states for its decoded bytes.
bool IsLzssFile(KestraFileHandle* file, uint64_t* decoded) {
    uint8_t header[KestraFile::kLzssHeaderSize] = {};
    const bool lzss = KestraFile::GetSize(file) >= sizeof header &&
                      KestraFile::Read(file, sizeof header, header) == sizeof header &&
                      std::memcmp(header, "LZSS", 4) == 0;
    KestraFile::Seek(file, 0, KestraFile::kSeekBegin);
    *decoded = lzss ? header[4] | header[5] << 8 | header[6] << 16 | uint64_t{header[7]} << 24 : 0;
    return lzss;
}

// Whether loading the sound fits in the sound memory left, judged before any
// of it is read: what the load holds at once. The player reads a plain file
// itself; a buffer is filled from the whole file, read here (the samples are
// at most as many bytes). An LZSS block is read whole and decoded, and the
// decoded bytes stay until the player has copied them or a buffer taken its
// samples. Logs the refusal, naming the sound.
bool FitsSoundMemory(const char* name, uint64_t stored, bool lzss, uint64_t decoded, bool player) {
    if (!g.host) return true;
    const uint64_t held = lzss ? std::max(stored + decoded, 2 * decoded) : player ? stored : 2 * stored;
    const uint64_t left = g.host->SoundMemoryLeft();
    if (held <= left) return true;
    Kestra::LogRed("サウンド用メモリが足りません [ %s : %lluKB / 残り %lluKB ]", name,
                   static_cast<unsigned long long>((held + 1023) / 1024), static_cast<unsigned long long>(left / 1024));
    Kestra::LogNewLine();
    return false;
}

}  // namespace

namespace KestraSound {

void SetMaxSounds(uint32_t count) { g.maxSounds = count; }
uint32_t GetMaxSounds() { return g.maxSounds ? g.maxSounds : 64; }
bool IsStarted() { return g.started; }
bool IsPlayerReady() { return g.started && g.torviReady; }

bool Initialize() {
    CCriticalSectionLock lock(SoundLock());
    if (g.started) return true;
    g.attempted = true;
    Kestra::LogHeadline("KestraSoundクラスの初期化");
    Kestra::LogNewLine();
    Kestra::LogBold("サウンド用メモリ確保");
    Kestra::LogNewLine();

    const uint64_t bytes = static_cast<uint64_t>(GetMaxSounds()) * sizeof(KestraSoundSlot);
    if (bytes <= 0xFFFFFFFFu) g.slots = static_cast<KestraSoundSlot*>(Kestra::MemoryAlloc(static_cast<uint32_t>(bytes)));
    if (!g.slots) {
        LogRedLine("　　　サウンド用メモリの確保に失敗");
        return FailStart();
    }
    g.count = GetMaxSounds();

    void* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_ALL, IID_IDirectSound8, &object)) || !object) {
        LogRedLine("　エラー : DirectSound8オブジェクトの生成に失敗");
        return FailStart();
    }
    g.directSound8 = static_cast<IDirectSound8*>(object);
    LogLine("　■ DirectSound8オブジェクトを生成");

    object = nullptr;
    if (FAILED(g.directSound8->QueryInterface(IID_IDirectSound, &object)) || !object) {
        LogRedLine("　エラー : DirectSoundオブジェクトの取得に失敗");
        return FailStart();
    }
    g.directSound = static_cast<IDirectSound*>(object);
    LogLine("　■ DirectSoundオブジェクトを取得");

    if (FAILED(g.directSound8->Initialize(nullptr))) {
        LogRedLine("  エラー : DirectSoundオブジェクトの生成に失敗");
        return FailStart();
    }
    LogLine("　■ DirectSoundオブジェクトを初期化");
    object = nullptr;
    if (SUCCEEDED(g.directSound8->QueryInterface(IID_IKestraSoundHost, &object)))
        g.host = static_cast<IKestraSoundHost*>(object);

    const HWND window = Kestra::GetWindowHandle();
    if (SUCCEEDED(g.directSound8->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
        LogLine("　■ 協調レベルを 優先レベル に設定");
        if (SUCCEEDED(g.directSound8->Compact()))
            LogLine("　■ メモリのコンパクションを実行");
        else
            LogRedLine("　エラー : メモリのコンパクションに失敗");
    } else if (SUCCEEDED(g.directSound8->SetCooperativeLevel(window, DSSCL_NORMAL))) {
        LogLine("　■ 協調レベルを 通常レベル に設定");
    } else {
        LogRedLine("　エラー : 協調レベルの設定に失敗");
        return FailStart();
    }

    DSBUFFERDESC desc{};
    desc.dwSize = kBufferDescSize;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(g.directSound->CreateSoundBuffer(&desc, &g.primary, nullptr)) || !g.primary) {
        g.primary = nullptr;
        LogLine("　エラー : プライマリサウンドバッファの生成に失敗");
        return FailStart();
    }
    LogLine("　■ プライマリサウンドバッファを生成");
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    // Without the priority level the device keeps its own format; sound plays either way.
    g.primary->SetFormat(&format);

    CheckDeviceCaps();
    Kestra::ResetCurrentDirectory();
    g.started = true;
    LoadTorvi(".\\Torvi.dll");
    Kestra::LogNewLine();
    return true;
}

void CheckDeviceCaps() {
    if (!g.directSound8) return;
    LogLine("　■ DirectSoundデバイスの性能をチェック");
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    if (FAILED(g.directSound8->GetCaps(&caps))) return;
    static const struct {
        DWORD flag;
        const char* text;
    } kFlags[] = {
        {DSCAPS_CERTIFIED, "　　・Microsoftでテストされ、認定されている"},
        {DSCAPS_EMULDRIVER, "　　・DirectSound ドライバがインストールされていない"},
        {DSCAPS_PRIMARY16BIT, "　　・１６ビット サンプリングのプライマリ バッファをサポートする"},
        {DSCAPS_PRIMARY8BIT, "　　・８ビット サンプリングのプライマリ バッファをサポートする"},
        {DSCAPS_PRIMARYMONO, "　　・モノラルのプライマリ バッファをサポートする"},
        {DSCAPS_PRIMARYSTEREO, "　　・ステレオのプライマリ バッファをサポートする"},
        {DSCAPS_SECONDARY16BIT, "　　・１６ビット サンプリングでハードウェア ミキシングのセカンダリ サウンド バッファをサポートする"},
        {DSCAPS_SECONDARY8BIT, "　　・８ビット サンプリングでハードウェア ミキシングのセカンダリ バッファをサポートする"},
        {DSCAPS_SECONDARYMONO, "　　・ハードウェア ミキシングのモノラル セカンダリ バッファをサポートする"},
        {DSCAPS_SECONDARYSTEREO, "　　・ハードウェア ミキシングのステレオ セカンダリ バッファをサポートする"},
    };
    for (const auto& row : kFlags)
        if (caps.dwFlags & row.flag) LogLine(row.text);
    Kestra::LogPrint("　　　最小サンプリング レート [%.3lfKHz]", caps.dwMinSecondarySampleRate / 1024.0);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　最大サンプリング レート [%.3lfKHz]", caps.dwMaxSecondarySampleRate / 1024.0);
    Kestra::LogNewLine();
    const struct {
        const char* format;
        DWORD value;
    } kCounts[] = {
        {"　　　最大ハードウェアミキシング可能数 [%u] ", caps.dwMaxHwMixingAllBuffers},
        {"　　　最大スタティックバッファ数 [%u] ", caps.dwMaxHwMixingStaticBuffers},
        {"　　　最大ストリーミングバッファ数 [%u] ", caps.dwMaxHwMixingStreamingBuffers},
        {"　　　最大３Ｄバッファ数 [%u] ", caps.dwMaxHw3DAllBuffers},
        {"　　　最大３Ｄスタティックバッファ数 [%u] ", caps.dwMaxHw3DStaticBuffers},
        {"　　　最大３Ｄストリーミングバッファ数 [%u] ", caps.dwMaxHw3DStreamingBuffers},
    };
    for (const auto& row : kCounts) {
        Kestra::LogPrint(row.format, row.value);
        Kestra::LogNewLine();
    }
    Kestra::LogPrint("　　　最大スタティックバッファメモリ容量 [%.3lfKB] ", caps.dwTotalHwMemBytes / 1024.0);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　空きメモリ容量 [%.3lfKB] ", caps.dwFreeHwMemBytes / 1024.0);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ハードウェアスタティックバッファへのデータ転送速度 [%uKB/s] ",
                     caps.dwUnlockTransferRateHwBuffers);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ソフトウェアミキシングの必要なプロセッサ時間 [%u%%] ", caps.dwPlayCpuOverheadSwBuffers);
    Kestra::LogNewLine();
}

bool LoadTorvi(const char* path) {
    CCriticalSectionLock lock(SoundLock());
    if (g.torvi) return true;
    if (!path) return false;
    HMODULE module = LoadLibraryA(path);
    if (!module) return false;
    auto initialize = Bind<PFN_Torvi_Initialize>(module, "Torvi_Initialize");
    auto uninitialize = Bind<PFN_Torvi_Uninitialize>(module, "Torvi_Uninitialize");
    auto createFromFile = Bind<PFN_Torvi_CreateInstanceFromFileEx>(module, "Torvi_CreateInstanceFromFileEx");
    auto createFromMemory = Bind<PFN_Torvi_CreateInstanceFromMemory>(module, "Torvi_CreateInstanceFromMemory");
    auto getLastError = Bind<PFN_Torvi_GetLastError>(module, "Torvi_GetLastError");
    if (!initialize || !uninitialize || !createFromFile || !createFromMemory || !getLastError) {
        // Not the player this program was built for: WAV files still play.
        FreeLibrary(module);
        return false;
    }
    g.torvi = module;
    g.torviInitialize = initialize;
    g.torviUninitialize = uninitialize;
    g.torviCreateFromFile = createFromFile;
    g.torviCreateFromMemory = createFromMemory;
    g.torviGetLastError = getLastError;
    g.torviReady = g.directSound && initialize(0, &g.directSound, 0, 0) != FALSE;
    return true;
}

bool CreateBufferFromWave(IDirectSoundBuffer** out, const uint8_t* data, uint32_t size, bool allowHardware) {
    if (!out) return false;
    *out = nullptr;
    if (!g.directSound) return false;
    WaveLayout wave;
    if (!ParseWave(data, size, &wave)) return false;

    DSBUFFERDESC desc{};
    desc.dwSize = kBufferDescSize;
    desc.dwFlags = DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | (allowHardware ? 0 : DSBCAPS_LOCSOFTWARE);
    desc.dwBufferBytes = wave.dataSize;
    desc.lpwfxFormat = &wave.format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(g.directSound->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer) return false;

    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (FAILED(buffer->Lock(0, 0, &first, &firstBytes, &second, &secondBytes, DSBLOCK_ENTIREBUFFER)) || !first) {
        buffer->Release();
        return false;
    }
    const uint8_t* samples = data + wave.dataOffset;
    const DWORD firstCopy = firstBytes < wave.dataSize ? firstBytes : wave.dataSize;
    std::memcpy(first, samples, firstCopy);
    if (second && secondBytes) {
        const DWORD rest = wave.dataSize - firstCopy;
        std::memcpy(second, samples + firstCopy, secondBytes < rest ? secondBytes : rest);
    }
    buffer->Unlock(first, firstBytes, second, secondBytes);
    buffer->SetCurrentPosition(0);
    buffer->SetVolume(0);
    buffer->SetPan(0);
    *out = buffer;
    return true;
}

namespace {
uint32_t Create(const char* name, uint32_t playerFlags, bool usePlayer, bool allowHardware, uint32_t bufferCount) {
    CCriticalSectionLock lock(SoundLock());
    if (!g.started || !g.slots || !name) return KESTRA_SOUND_NONE;
    Kestra::LogBlue("KestraSound::CreateFromFile");
    Kestra::LogPrint(" : %s : ", name);

    uint32_t index = 0;
    while (index < g.count && g.slots[index].inUse) ++index;
    if (index == g.count) {
        LogRedLine("空きサウンドが見つかりませんでした");
        return KESTRA_SOUND_NONE;
    }
    KestraSoundSlot* s = &g.slots[index];
    s->inUse = 1;
    s->references = 1;
    s->loop = 0;
    s->paused = 0;
    Kestra::LogPrint("[ No.%u ] : ", index);
    // At least the buffer made from the file; duplicates up to the table's size.
    s->bufferCount = bufferCount == 0 ? 1 : bufferCount > KESTRA_SOUND_MAX_BUFFERS ? KESTRA_SOUND_MAX_BUFFERS : bufferCount;

    s->file = KestraFile::Open(name, true);
    if (!s->file) {
        LogRedLine("ファイル読み込みに失敗しました");
        DestroySlot(s);
        return KESTRA_SOUND_NONE;
    }

    const bool player = usePlayer && g.torviCreateFromFile && g.torviReady;
    uint64_t decoded = 0;
    const bool lzss = IsLzssFile(s->file, &decoded);
    if (!FitsSoundMemory(name, KestraFile::GetSize(s->file), lzss, decoded, player)) {
        DestroySlot(s);
        return KESTRA_SOUND_NONE;
    }

    if (player) {
        TorviInstance* instance = nullptr;
        if (lzss) {
            uint8_t* data = nullptr;
            uint32_t size = 0;
            if (!ReadWhole(s->file, &data, &size)) {
                DestroySlot(s);
                return KESTRA_SOUND_NONE;
            }
            instance = g.torviCreateFromMemory(data, size, playerFlags);
            Kestra::MemoryFree(data);
        } else {
            instance = g.torviCreateFromFile(s->file->path, s->file->start, s->file->size, playerFlags);
        }
        if (!instance) {
            char text[512] = {};
            if (g.torviGetLastError) g.torviGetLastError(text, sizeof(text));
            text[sizeof(text) - 1] = '\0';
            LogRedLine("Torviインターフェースの確保に失敗しました");
            Kestra::LogRed("%s", text);
            Kestra::LogNewLine();
            DestroySlot(s);  // closes the file once
            return KESTRA_SOUND_NONE;
        }
        s->player = instance;
    } else {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        if (!ReadWhole(s->file, &data, &size)) {
            DestroySlot(s);
            return KESTRA_SOUND_NONE;
        }
        const bool built = CreateBufferFromWave(&s->buffers[0], data, size, allowHardware);
        Kestra::MemoryFree(data);
        if (!built) {
            LogRedLine("Failed!");
            DestroySlot(s);
            return KESTRA_SOUND_NONE;
        }
        // Duplicates share the samples; a refused one ends the row, so every
        // counted buffer exists.
        uint32_t made = 1;
        while (made < s->bufferCount) {
            IDirectSoundBuffer* copy = nullptr;
            if (FAILED(g.directSound8->DuplicateSoundBuffer(s->buffers[0], &copy)) || !copy) break;
            s->buffers[made++] = copy;
        }
        s->bufferCount = made;
    }

    Kestra::LogGreen("Success!");
    KestraFile::Close(s->file);
    s->file = nullptr;
    std::strncpy(s->name, name, sizeof(s->name) - 1);
    s->name[sizeof(s->name) - 1] = '\0';
    Kestra::LogNewLine();
    return index;
}
}  // namespace

uint32_t CreateFromFile(const char* name, uint32_t playerFlags, bool usePlayer, bool allowHardware,
                        uint32_t bufferCount) {
    const uint32_t slot = Create(name, playerFlags, usePlayer, allowHardware, bufferCount);
    RecordSoundCall("KestraSound::CreateFromFile %s %u %d %d %u = %u", name ? name : "(null)", playerFlags,
                    usePlayer ? 1 : 0, allowHardware ? 1 : 0, bufferCount, slot);
    return slot;
}

LONG VolumeToAttenuation(float volume) {
    if (!(volume >= 0.0f)) return DSBVOLUME_MIN;  // below 0, and NaN
    if (volume > 100.0f) return DSBVOLUME_MAX;
    const double quiet = 100.0 - static_cast<double>(volume);
    return static_cast<LONG>(-(quiet * quiet));
}

void Play(uint32_t slot, uint32_t buffer) {
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return;
    if (s->player) {
        s->player->Play(0, 0);
        return;
    }
    IDirectSoundBuffer* b = BufferOf(s, buffer);
    if (!b) return;
    s->pausedPosition = 0;
    s->paused = 0;
    s->loop = 0;
    b->Play(0, 0, 0);
}

void Loop(uint32_t slot, uint32_t arg1, uint32_t arg2, uint32_t buffer) {
    RecordSoundCall("KestraSound::Loop %u %u %u %u", slot, arg1, arg2, buffer);
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return;
    if (s->player) {
        s->player->Loop(arg1, arg2);
        return;
    }
    IDirectSoundBuffer* b = BufferOf(s, buffer);
    if (!b) return;
    s->pausedPosition = 0;
    s->paused = 0;
    s->loop = 1;
    b->Play(0, 0, DSBPLAY_LOOPING);
}

void Stop(uint32_t slot, uint32_t buffer) {
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return;
    if (s->player) {
        s->player->Stop();
        return;
    }
    IDirectSoundBuffer* b = BufferOf(s, buffer);
    if (!b) return;
    b->Stop();
    b->SetCurrentPosition(0);
    s->pausedPosition = 0;
    s->paused = 0;
}

void Pause(uint32_t slot, uint32_t buffer) {
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return;
    if (s->player) {
        s->player->Pause();
        return;
    }
    IDirectSoundBuffer* b = BufferOf(s, buffer);
    if (!b) return;
    if (s->paused) {
        s->paused = 0;
        b->SetCurrentPosition(s->pausedPosition);
        b->Play(0, 0, s->loop ? DSBPLAY_LOOPING : 0);
    } else {
        s->paused = 1;
        DWORD position = 0;
        b->GetCurrentPosition(&position, nullptr);
        s->pausedPosition = position;
        b->Stop();
    }
}

void SetVolume(uint32_t slot, float volume, uint32_t buffer) {
    RecordSoundCall("KestraSound::SetVolume %u %g %u", slot, static_cast<double>(volume), buffer);
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return;
    if (s->player) {
        s->player->SetVolume(volume);
        return;
    }
    if (IDirectSoundBuffer* b = BufferOf(s, buffer)) b->SetVolume(VolumeToAttenuation(volume));
}

bool ReleaseSlot(uint32_t slot) {
    CCriticalSectionLock lock(SoundLock());
    KestraSoundSlot* s = UsedSlot(slot);
    if (!s) return false;
    if (s->references > 0) --s->references;
    if (s->references > 0) return true;
    DestroySlot(s);
    return true;
}

void Release(uint32_t slot) {
    RecordSoundCall("KestraSound::Release %u", slot);
    CCriticalSectionLock lock(SoundLock());
    if (ReleaseSlot(slot)) {
        Kestra::LogRed("KestraSound::Release");
        Kestra::LogPrint(" : [ No.%u ]", slot);
        Kestra::LogNewLine();
    }
}

const KestraSoundSlot* GetSlot(uint32_t slot) { return UsedSlot(slot); }

void Finalize() {
    CCriticalSectionLock lock(SoundLock());
    if (!g.attempted) return;
    Kestra::LogHeadline("KestraSoundクラスの解放");
    Kestra::LogNewLine();
    if (g.started && g.slots) {
        for (uint32_t i = 0; i < g.count; ++i) {
            if (!g.slots[i].inUse) continue;
            g.slots[i].references = 1;
            if (ReleaseSlot(i)) {
                Kestra::LogPrint("Sound Destroy [ No.%u ]", i);
                Kestra::LogNewLine();
            }
        }
    }
    if (g.slots) Kestra::MemoryFree(g.slots);
    g.slots = nullptr;
    g.count = 0;
    g.started = false;
    UnloadTorvi();
    ReleaseDevice();
    Kestra::LogNewLine();
    g.attempted = false;
}

void GetDirectSound(IDirectSound8** out) {
    if (!out) return;
    *out = g.started ? g.directSound8 : nullptr;
    if (*out) (*out)->AddRef();
}

IUnknown* GetDirectSound() { return g.started ? g.directSound8 : nullptr; }

}  // namespace KestraSound
