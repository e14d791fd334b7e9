// The DirectSound object: device start, buffer creation, capabilities, and the
// host services the player library reaches through it.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/dsound/SoundBuffer.h"
#include "platform/dsound/SoundStream.h"
#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"
#include "platform/dsound/sound_host.h"
#include "platform/dsound/sound_memory.h"
#include "platform/win32/kernel.h"
#include "platform/win32/ole.h"
#include "platform/win32/testing.h"

namespace platform::sound {
namespace {

class DirectSoundObject final : public IDirectSound8, public IKestraSoundHost {
public:
    DirectSoundObject() : level_(std::make_shared<std::atomic<DWORD>>(0)) {}

    // ---- IUnknown (both bases share one reference count)
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDirectSound || riid == IID_IDirectSound8) {
            *object = static_cast<IDirectSound8*>(this);
        } else if (riid == IID_IKestraSoundHost && device_) {
            *object = static_cast<IKestraSoundHost*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // ---- IDirectSound
    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override {
        if (!buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != DSBUFFERDESC_SIZE32))
            return DSERR_INVALIDPARAM;
        if (!device_) return DSERR_UNINITIALIZED;
        if (platform::FaultHit("CreateSoundBuffer")) return DSERR_OUTOFMEMORY;
        SoundBuffer* created = nullptr;
        HRESULT hr;
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
            hr = SoundBuffer::CreatePrimary(device_, level_, desc->dwFlags, &created);
        } else {
            hr = SoundBuffer::CreateSecondary(device_, level_, *desc, &created);
        }
        if (SUCCEEDED(hr)) *buffer = created;
        return hr;
    }

    HRESULT GetCaps(LPDSCAPS caps) override {
        if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        if (!device_) return DSERR_UNINITIALIZED;
        const DWORD size = caps->dwSize;
        *caps = DSCAPS{};
        caps->dwSize = size;
        // Everything is mixed in software: no hardware voices or memory.
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                        DSCAPS_CONTINUOUSRATE;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }

    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override {
        if (!duplicate) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        if (!original) return DSERR_INVALIDPARAM;
        if (!device_) return DSERR_UNINITIALIZED;
        auto* source = dynamic_cast<SoundBuffer*>(original);
        if (!source) return DSERR_INVALIDPARAM;
        if (source->primary()) return DSERR_INVALIDCALL;
        if (platform::FaultHit("DuplicateSoundBuffer")) return DSERR_OUTOFMEMORY;
        SoundBuffer* created = nullptr;
        HRESULT hr = source->Duplicate(&created);
        if (SUCCEEDED(hr)) *duplicate = created;
        return hr;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
        if (!device_) return DSERR_UNINITIALIZED;
        if (!window || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        if (platform::FaultHit("SetCooperativeLevel")) return DSERR_ALLOCATED;
        level_->store(level);
        return DS_OK;
    }

    HRESULT Compact() override {
        if (!device_) return DSERR_UNINITIALIZED;
        if (level_->load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
        if (platform::FaultHit("Compact")) return DSERR_GENERIC;
        return DS_OK;
    }

    HRESULT GetSpeakerConfig(LPDWORD speakerConfig) override {
        if (!speakerConfig) return DSERR_INVALIDPARAM;
        if (!device_) return DSERR_UNINITIALIZED;
        *speakerConfig = DSSPEAKER_STEREO;
        return DS_OK;
    }

    HRESULT SetSpeakerConfig(DWORD) override { return device_ ? DS_OK : DSERR_UNINITIALIZED; }

    HRESULT Initialize(LPCGUID device) override {
        if (device_) return DSERR_ALREADYINITIALIZED;
        if (device && *device != DSDEVID_DefaultPlayback && *device != DSDEVID_DefaultVoicePlayback)
            return DSERR_NODRIVER;
        if (platform::FaultHit("DirectSoundCreate8")) return DSERR_NODRIVER;
        device_ = Device::Acquire();
        return device_ ? DS_OK : DSERR_NODRIVER;
    }

    // ---- IDirectSound8
    HRESULT VerifyCertification(LPDWORD certified) override {
        if (!certified) return DSERR_INVALIDPARAM;
        if (!device_) return DSERR_UNINITIALIZED;
        *certified = DS_UNCERTIFIED;
        return DS_OK;
    }

    // ---- IKestraSoundHost
    HRESULT CreateStream(IKestraSoundSource* source, DWORD rate, WORD channels,
                         IKestraSoundStream** stream) override {
        if (!stream) return E_POINTER;
        *stream = nullptr;
        if (!source || rate < DSBFREQUENCY_MIN || rate > DSBFREQUENCY_MAX || (channels != 1 && channels != 2))
            return E_INVALIDARG;
        *stream = new SoundStream(device_, source, rate, channels);
        return S_OK;
    }

    HRESULT ReadFileWindow(LPCSTR path, DWORD offset, DWORD size, void** block) override {
        if (!block) return E_POINTER;
        *block = nullptr;
        if (!path || size == 0) return E_INVALIDARG;
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return E_FAIL;
        HRESULT hr = ReadWindow(file, offset, size, block);
        CloseHandle(file);
        return hr;
    }

    void FreeBlock(void* block) override { DeleteBlock(block); }

    bool FaultHit(LPCSTR name) override { return name && platform::FaultHit(name); }

    HRESULT AllocateBlock(DWORD size, void** block) override {
        if (!block) return E_POINTER;
        *block = nullptr;
        if (size == 0) return E_INVALIDARG;
        return NewBlock(size, block);
    }

    uint64_t SoundMemoryLeft() override { return platform::sound::SoundMemoryLeft(); }

private:
    ~DirectSoundObject() = default;

    // A block remembers its size in front of it, for FreeBlock's refund
    // (kept to malloc's alignment).
    static constexpr size_t kBlockHeader = alignof(std::max_align_t);

    static HRESULT NewBlock(DWORD size, void** block) {
        if (!ReserveSoundMemory(size)) return KESTRA_E_SOUNDMEMORY;
        auto* start = static_cast<uint8_t*>(std::malloc(kBlockHeader + size));
        if (!start) {
            FreeSoundMemory(size);
            return E_OUTOFMEMORY;
        }
        const uint64_t bytes = size;
        std::memcpy(start, &bytes, sizeof bytes);
        *block = start + kBlockHeader;
        return S_OK;
    }

    static void DeleteBlock(void* block) {
        if (!block) return;
        auto* start = static_cast<uint8_t*>(block) - kBlockHeader;
        uint64_t size;
        std::memcpy(&size, start, sizeof size);
        std::free(start);
        FreeSoundMemory(size);
    }

    static HRESULT ReadWindow(HANDLE file, DWORD offset, DWORD size, void** block) {
        DWORD high = 0;
        SetLastError(ERROR_SUCCESS);
        DWORD low = GetFileSize(file, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return E_FAIL;
        const uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | low;
        if (static_cast<uint64_t>(offset) + size > fileSize) return E_INVALIDARG;
        LONG moveHigh = 0;
        SetLastError(ERROR_SUCCESS);
        if (SetFilePointer(file, static_cast<LONG>(offset), &moveHigh, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            GetLastError() != ERROR_SUCCESS)
            return E_FAIL;
        void* allocated = nullptr;
        if (HRESULT hr = NewBlock(size, &allocated); FAILED(hr)) return hr;
        auto* bytes = static_cast<uint8_t*>(allocated);
        DWORD done = 0;
        while (done < size) {
            DWORD got = 0;
            if (!ReadFile(file, bytes + done, size - done, &got, nullptr) || got == 0) {
                DeleteBlock(bytes);
                return E_FAIL;
            }
            done += got;
        }
        *block = bytes;
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Device> device_;
    SharedLevel level_;
};

HRESULT CreateUninitialised(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* created = new DirectSoundObject();
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

// CoCreateInstance hands out objects that still need Initialize, as COM does.
const bool kRegistered = [] {
    platform::RegisterComClass(CLSID_DirectSound8, &CreateUninitialised);
    platform::RegisterComClass(CLSID_DirectSound, &CreateUninitialised);
    return true;
}();

}  // namespace
}  // namespace platform::sound

HRESULT DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, LPUNKNOWN outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    IDirectSound8* created = nullptr;
    HRESULT hr = platform::sound::CreateUninitialised(IID_IDirectSound8, reinterpret_cast<void**>(&created));
    if (FAILED(hr)) return hr;
    hr = created->Initialize(device);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *directSound = created;
    return DS_OK;
}
