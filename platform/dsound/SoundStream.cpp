#include "platform/dsound/SoundStream.h"

#include <algorithm>
#include <cstring>

namespace platform::sound {

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
constexpr uint32_t kStagedFrames = 4096;
}  // namespace

SoundStream::SoundStream(std::shared_ptr<Device> device, IKestraSoundSource* source, DWORD rate, WORD channels)
    : device_(std::move(device)),
      source_(source),
      rate_(rate),
      channels_(channels),
      staged_(static_cast<size_t>(kStagedFrames) * channels),
      capacity_(kStagedFrames) {
    device_->AddVoice(this);
}

SoundStream::~SoundStream() {
    // After this the audio thread never calls the source again.
    device_->RemoveVoice(this);
}

HRESULT SoundStream::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG SoundStream::AddRef() { return ++refs_; }

ULONG SoundStream::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void SoundStream::Lock() { device_->lock().lock(); }
void SoundStream::Unlock() { device_->lock().unlock(); }

void SoundStream::SetActive(bool active) {
    Guard guard(device_->lock());
    active_ = active;
}

bool SoundStream::IsActive() {
    Guard guard(device_->lock());
    return active_;
}

void SoundStream::Flush() {
    Guard guard(device_->lock());
    begin_ = 0;
    end_ = 0;
    fraction_ = 0;
    sourceEnded_ = false;
}

void SoundStream::SetVolume(LONG volume) {
    Guard guard(device_->lock());
    gain_ = VolumeToGain(volume);
}

void SoundStream::Refill() {
    uint32_t skip = 0;
    if (begin_ >= end_) {
        skip = begin_ - end_;
        begin_ = end_ = 0;
    } else {
        const uint32_t kept = end_ - begin_;
        std::memmove(staged_.data(), staged_.data() + static_cast<size_t>(begin_) * channels_,
                     static_cast<size_t>(kept) * channels_ * sizeof(int16_t));
        begin_ = 0;
        end_ = kept;
    }
    const uint32_t wanted = capacity_ - end_;
    uint32_t got = source_->ReadFrames(staged_.data() + static_cast<size_t>(end_) * channels_, wanted);
    if (got < wanted) sourceEnded_ = true;
    end_ += std::min(got, wanted);
    begin_ = skip;
}

void SoundStream::ReadFrame(uint32_t frame, float* left, float* right) const {
    const int16_t* p = staged_.data() + static_cast<size_t>(frame) * channels_;
    *left = static_cast<float>(p[0]);
    *right = channels_ == 2 ? static_cast<float>(p[1]) : *left;
}

void SoundStream::Mix(float* out, uint32_t frames) {
    if (!active_) return;
    const uint64_t step = (static_cast<uint64_t>(rate_) << 32) / kOutputRate;
    for (uint32_t i = 0; i < frames; ++i) {
        // One frame is needed, two while between frames.
        const uint32_t needed = fraction_ != 0 ? 2 : 1;
        while (begin_ + needed > end_ && !sourceEnded_) Refill();
        if (begin_ >= end_) {
            // The source ran out and everything it gave has played.
            active_ = false;
            begin_ = end_ = 0;
            fraction_ = 0;
            return;
        }
        float left, right;
        ReadFrame(begin_, &left, &right);
        if (fraction_ != 0 && begin_ + 1 < end_) {
            float nextLeft, nextRight;
            ReadFrame(begin_ + 1, &nextLeft, &nextRight);
            const float t = static_cast<float>(fraction_) * (1.0f / 4294967296.0f);
            left += (nextLeft - left) * t;
            right += (nextRight - right) * t;
        }
        out[2 * i] += left * gain_;
        out[2 * i + 1] += right * gain_;
        const uint64_t advanced = static_cast<uint64_t>(fraction_) + step;
        begin_ += static_cast<uint32_t>(advanced >> 32);
        fraction_ = static_cast<uint32_t>(advanced);
    }
}

}  // namespace platform::sound
