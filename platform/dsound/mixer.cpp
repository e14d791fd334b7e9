#include "platform/dsound/mixer.h"

#include <algorithm>
#include <cmath>

namespace platform::sound {

float VolumeToGain(LONG volume) {
    if (volume <= -10000) return 0.0f;
    if (volume >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(volume) / 2000.0));
}

void ChannelGains(LONG volume, LONG pan, float* left, float* right) {
    float gain = VolumeToGain(volume);
    *left = gain;
    *right = gain;
    if (pan < 0) *right = gain * VolumeToGain(pan);
    if (pan > 0) *left = gain * VolumeToGain(-pan);
}

namespace {
std::mutex gDeviceMutex;
std::weak_ptr<Device> gDevice;
}  // namespace

std::shared_ptr<Device> Device::Acquire() {
    std::lock_guard<std::mutex> guard(gDeviceMutex);
    if (auto existing = gDevice.lock()) return existing;

    // The audio subsystem is initialised per device lifetime (SDL counts the
    // calls), so a later device picks up a changed driver choice.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SDL_Log("audio: no audio subsystem: %s", SDL_GetError());
        return nullptr;
    }
    std::shared_ptr<Device> device(new Device());
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = kDeviceFrames;
    want.callback = &Device::Callback;
    want.userdata = device.get();
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants, so the
    // mixer always works in one format.
    device->id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device->id_ == 0) {
        SDL_Log("audio: cannot open the audio device: %s", SDL_GetError());
        // id_ is 0: the destructor leaves the subsystem alone.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(device->id_, 0);
    gDevice = device;
    return device;
}

Device::~Device() {
    if (id_ != 0) {
        SDL_CloseAudioDevice(id_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void Device::AddVoice(Voice* voice) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    voices_.push_back(voice);
}

void Device::RemoveVoice(Voice* voice) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
}

void Device::SetMasterVolume(LONG volume) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    masterGain_ = VolumeToGain(volume);
}

void Device::Callback(void* user, Uint8* stream, int bytes) {
    auto* device = static_cast<Device*>(user);
    device->Render(reinterpret_cast<int16_t*>(stream),
                   static_cast<uint32_t>(bytes) / (kOutputChannels * sizeof(int16_t)));
}

void Device::Render(int16_t* out, uint32_t frames) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    accumulator_.assign(static_cast<size_t>(frames) * kOutputChannels, 0.0f);
    for (Voice* voice : voices_) voice->Mix(accumulator_.data(), frames);
    for (size_t i = 0; i < accumulator_.size(); ++i) {
        float value = accumulator_[i] * masterGain_;
        long sample = std::lrint(std::clamp(value, -32768.0f, 32767.0f));
        out[i] = static_cast<int16_t>(sample);
    }
}

}  // namespace platform::sound
