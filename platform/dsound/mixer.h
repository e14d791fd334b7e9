// The software mixer behind DirectSound: one SDL audio device per process,
// 44.1 kHz, 16-bit stereo, fed by every playing buffer and player stream.
#pragma once

#include <SDL.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/types.h"

namespace platform::sound {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
// Device buffer in frames: about 12 ms, short enough for effects to feel
// immediate and long enough not to crackle on a loaded machine.
constexpr int kDeviceFrames = 512;

// Amplitude of a volume in hundredths of a decibel; DSBVOLUME_MIN is silence.
float VolumeToGain(LONG volume);
// Left and right gains of a volume and a pan (the far side is attenuated).
void ChannelGains(LONG volume, LONG pan, float* left, float* right);

// Anything the mixer adds to the output. Mix runs on the audio thread with the
// mixer's lock held and adds `frames` stereo frames into `out`.
class Voice {
public:
    virtual void Mix(float* out, uint32_t frames) = 0;

protected:
    ~Voice() = default;
};

class Device {
public:
    // The process's device, opened on first use and closed when the last user
    // lets go. Null when SDL has no audio device to give.
    static std::shared_ptr<Device> Acquire();
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    std::recursive_mutex& lock() { return lock_; }
    void AddVoice(Voice* voice);
    void RemoveVoice(Voice* voice);
    void SetMasterVolume(LONG volume);

private:
    Device() = default;
    static void Callback(void* user, Uint8* stream, int bytes);
    void Render(int16_t* out, uint32_t frames);

    SDL_AudioDeviceID id_ = 0;
    std::recursive_mutex lock_;
    std::vector<Voice*> voices_;
    std::vector<float> accumulator_;
    float masterGain_ = 1.0f;
};

}  // namespace platform::sound
