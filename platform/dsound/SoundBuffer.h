// Primary and secondary DirectSound buffers. Secondary buffers are voices of
// the mixer; duplicates share their sample memory.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"

namespace platform::sound {

// The cooperative level of a DirectSound object, shared with its buffers
// (the primary buffer's SetFormat depends on it).
using SharedLevel = std::shared_ptr<std::atomic<DWORD>>;

// Checks a PCM format the mixer can play: 1 or 2 channels, 8 or 16 bits, a
// consistent block alignment and a rate DirectSound accepts.
HRESULT ValidateFormat(const WAVEFORMATEX* format);

class SoundBuffer final : public IDirectSoundBuffer8, public Voice {
public:
    static HRESULT CreatePrimary(std::shared_ptr<Device> device, SharedLevel level, DWORD flags,
                                 SoundBuffer** buffer);
    static HRESULT CreateSecondary(std::shared_ptr<Device> device, SharedLevel level, const DSBUFFERDESC& desc,
                                   SoundBuffer** buffer);
    HRESULT Duplicate(SoundBuffer** duplicate);
    bool primary() const { return primary_; }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetCaps(LPDSBCAPS caps) override;
    HRESULT GetCurrentPosition(LPDWORD currentPlayCursor, LPDWORD currentWriteCursor) override;
    HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT GetPan(LONG* pan) override;
    HRESULT GetFrequency(LPDWORD frequency) override;
    HRESULT GetStatus(LPDWORD status) override;
    HRESULT Initialize(IDirectSound* directSound, LPCDSBUFFERDESC desc) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1, LPVOID* audioPtr2,
                 LPDWORD audioBytes2, DWORD flags) override;
    HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD newPosition) override;
    HRESULT SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetPan(LONG pan) override;
    HRESULT SetFrequency(DWORD frequency) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) override;
    HRESULT Restore() override;

    void Mix(float* out, uint32_t frames) override;

private:
    SoundBuffer(std::shared_ptr<Device> device, SharedLevel level);
    ~SoundBuffer();
    void UpdateGains();
    void ReadFrame(uint32_t frame, float* left, float* right) const;
    DWORD bytes() const { return static_cast<DWORD>(data_->size()); }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Device> device_;
    SharedLevel level_;
    bool primary_ = false;
    DWORD flags_ = 0;
    bool deferred_ = false;  // placed at creation; a Play priority is taken only then
    WAVEFORMATEX format_{};
    std::shared_ptr<std::vector<uint8_t>> data_;
    uint32_t frames_ = 0;
    DWORD originalFrequency_ = 0;

    // Play state: changed under the device lock, read by the audio thread.
    bool playing_ = false;
    bool looping_ = false;
    uint32_t frame_ = 0;
    uint32_t fraction_ = 0;  // position between frames, in 1/2^32
    LONG volume_ = 0;
    LONG pan_ = 0;
    DWORD frequency_ = 0;
    float gainLeft_ = 1.0f;
    float gainRight_ = 1.0f;
};

}  // namespace platform::sound
