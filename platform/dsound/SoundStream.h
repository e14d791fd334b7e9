// A mixer voice fed by the player library's decoder (IKestraSoundSource).
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/dsound/mixer.h"
#include "platform/dsound/sound_host.h"

namespace platform::sound {

class SoundStream final : public IKestraSoundStream, public Voice {
public:
    // Registers itself with the device's mixer; unregisters on its last Release.
    SoundStream(std::shared_ptr<Device> device, IKestraSoundSource* source, DWORD rate, WORD channels);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    void Lock() override;
    void Unlock() override;
    void SetActive(bool active) override;
    bool IsActive() override;
    void Flush() override;
    void SetVolume(LONG volume) override;

    void Mix(float* out, uint32_t frames) override;

private:
    ~SoundStream();
    // Pulls more frames from the source after keeping the unplayed ones.
    void Refill();
    void ReadFrame(uint32_t frame, float* left, float* right) const;

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Device> device_;
    IKestraSoundSource* source_;
    DWORD rate_;
    WORD channels_;
    std::vector<int16_t> staged_;  // frames pulled from the source
    uint32_t capacity_;            // in frames
    // Frames [begin_, end_) of staged_ are unplayed; begin_ may run past end_
    // when resampling skips frames not yet pulled.
    uint32_t begin_ = 0;
    uint32_t end_ = 0;
    uint32_t fraction_ = 0;
    bool active_ = false;
    bool sourceEnded_ = false;
    float gain_ = 1.0f;
};

}  // namespace platform::sound
