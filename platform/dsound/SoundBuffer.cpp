#include "platform/dsound/SoundBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/dsound/sound_memory.h"

namespace platform::sound {

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// The size DirectSound reports for the primary buffer: one device period of
// the primary format is plenty, nobody writes to it.
constexpr DWORD kPrimaryBytes = 8192;

// A secondary buffer's samples, counted against the process's sound memory
// until the last buffer sharing them (duplicates do) goes.
struct ChargedSamples : std::vector<uint8_t> {
    ChargedSamples(DWORD bytes, uint8_t silence) : std::vector<uint8_t>(bytes, silence) {}
    ~ChargedSamples() { FreeSoundMemory(size()); }
};
}  // namespace

HRESULT ValidateFormat(const WAVEFORMATEX* format) {
    if (!format) return DSERR_INVALIDPARAM;
    if (format->wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
    if (format->nChannels != 1 && format->nChannels != 2) return DSERR_BADFORMAT;
    if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return DSERR_BADFORMAT;
    if (format->nBlockAlign != format->nChannels * format->wBitsPerSample / 8) return DSERR_BADFORMAT;
    if (format->nSamplesPerSec < DSBFREQUENCY_MIN || format->nSamplesPerSec > DSBFREQUENCY_MAX)
        return DSERR_BADFORMAT;
    return DS_OK;
}

SoundBuffer::SoundBuffer(std::shared_ptr<Device> device, SharedLevel level)
    : device_(std::move(device)), level_(std::move(level)) {}

SoundBuffer::~SoundBuffer() {
    if (!primary_) device_->RemoveVoice(this);
}

HRESULT SoundBuffer::CreatePrimary(std::shared_ptr<Device> device, SharedLevel level, DWORD flags,
                                   SoundBuffer** buffer) {
    auto* created = new (std::nothrow) SoundBuffer(std::move(device), std::move(level));
    if (!created) return DSERR_OUTOFMEMORY;
    created->primary_ = true;
    created->flags_ = flags | DSBCAPS_LOCSOFTWARE;
    // DirectSound's primary format until the program sets one: 22 kHz, 8-bit stereo.
    created->format_ = {WAVE_FORMAT_PCM, 2, 22050, 44100, 2, 8, 0};
    try {
        created->data_ = std::make_shared<std::vector<uint8_t>>(kPrimaryBytes, 0x80);
    } catch (const std::bad_alloc&) {
        delete created;
        return DSERR_OUTOFMEMORY;
    }
    created->frames_ = kPrimaryBytes / created->format_.nBlockAlign;
    *buffer = created;
    return DS_OK;
}

HRESULT SoundBuffer::CreateSecondary(std::shared_ptr<Device> device, SharedLevel level, const DSBUFFERDESC& desc,
                                     SoundBuffer** buffer) {
    HRESULT hr = ValidateFormat(desc.lpwfxFormat);
    if (FAILED(hr)) return hr;
    if (desc.dwBufferBytes < DSBSIZE_MIN || desc.dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
    if (desc.dwBufferBytes < desc.lpwfxFormat->nBlockAlign) return DSERR_INVALIDPARAM;
    if ((desc.dwFlags & DSBCAPS_LOCHARDWARE) && (desc.dwFlags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
    // Mixing is software only: there are no hardware voices to give (GetCaps
    // reports none), and no 3-D, effects or position notifications.
    if (desc.dwFlags & DSBCAPS_LOCHARDWARE) return DSERR_ALLOCATED;
    if (desc.dwFlags & (DSBCAPS_CTRL3D | DSBCAPS_CTRLFX | DSBCAPS_CTRLPOSITIONNOTIFY)) return DSERR_CONTROLUNAVAIL;

    auto* created = new (std::nothrow) SoundBuffer(std::move(device), std::move(level));
    if (!created) return DSERR_OUTOFMEMORY;
    created->flags_ = (desc.dwFlags & ~DSBCAPS_LOCDEFER) | DSBCAPS_LOCSOFTWARE;
    created->deferred_ = (desc.dwFlags & DSBCAPS_LOCDEFER) != 0;
    std::memcpy(&created->format_, desc.lpwfxFormat, sizeof(WAVEFORMATEX) - sizeof(WORD));
    created->format_.cbSize = 0;
    // Silence for the format: 8-bit samples are unsigned around 128.
    const uint8_t silence = desc.lpwfxFormat->wBitsPerSample == 8 ? 0x80 : 0x00;
    // Refused unallocated past the process's sound memory.
    if (desc.dwBufferBytes > kMostOneBuffer || !ReserveSoundMemory(desc.dwBufferBytes)) {
        delete created;
        return DSERR_OUTOFMEMORY;
    }
    try {
        created->data_ = std::make_shared<ChargedSamples>(desc.dwBufferBytes, silence);
    } catch (const std::bad_alloc&) {
        FreeSoundMemory(desc.dwBufferBytes);
        delete created;
        return DSERR_OUTOFMEMORY;
    }
    created->frames_ = desc.dwBufferBytes / created->format_.nBlockAlign;
    created->originalFrequency_ = created->format_.nSamplesPerSec;
    created->frequency_ = created->originalFrequency_;
    created->UpdateGains();
    created->device_->AddVoice(created);
    *buffer = created;
    return DS_OK;
}

HRESULT SoundBuffer::Duplicate(SoundBuffer** duplicate) {
    if (primary_) return DSERR_INVALIDCALL;
    auto* created = new (std::nothrow) SoundBuffer(device_, level_);
    if (!created) return DSERR_OUTOFMEMORY;
    created->flags_ = flags_;
    created->deferred_ = deferred_;
    created->format_ = format_;
    created->data_ = data_;
    created->frames_ = frames_;
    created->originalFrequency_ = originalFrequency_;
    {
        // A duplicate starts stopped at the start, with the original's settings.
        Guard guard(device_->lock());
        created->volume_ = volume_;
        created->pan_ = pan_;
        created->frequency_ = frequency_;
    }
    created->UpdateGains();
    device_->AddVoice(created);
    *duplicate = created;
    return DS_OK;
}

HRESULT SoundBuffer::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirectSoundBuffer || (riid == IID_IDirectSoundBuffer8 && !primary_)) {
        *object = static_cast<IDirectSoundBuffer8*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG SoundBuffer::AddRef() { return ++refs_; }

ULONG SoundBuffer::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT SoundBuffer::GetCaps(LPDSBCAPS caps) {
    if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = flags_;
    caps->dwBufferBytes = bytes();
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

HRESULT SoundBuffer::GetCurrentPosition(LPDWORD currentPlayCursor, LPDWORD currentWriteCursor) {
    Guard guard(device_->lock());
    if (primary_) {
        if (currentPlayCursor) *currentPlayCursor = 0;
        if (currentWriteCursor) *currentWriteCursor = 0;
        return DS_OK;
    }
    const DWORD play = frame_ * format_.nBlockAlign;
    DWORD write = play;
    if (playing_) {
        // The mixer has already taken about one device period past the play
        // cursor; writing is safe beyond that.
        uint64_t lead = (static_cast<uint64_t>(kDeviceFrames) * frequency_ + kOutputRate - 1) / kOutputRate;
        write = static_cast<DWORD>((frame_ + lead) % frames_) * format_.nBlockAlign;
    }
    if (currentPlayCursor) *currentPlayCursor = play;
    if (currentWriteCursor) *currentWriteCursor = write;
    return DS_OK;
}

HRESULT SoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) {
    if (!format && !sizeWritten) return DSERR_INVALIDPARAM;
    WAVEFORMATEX current;
    {
        Guard guard(device_->lock());
        current = format_;
    }
    if (!format) {
        *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    DWORD size = std::min<DWORD>(sizeAllocated, sizeof(WAVEFORMATEX));
    std::memcpy(format, &current, size);
    if (sizeWritten) *sizeWritten = size;
    return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LONG* volume) {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    Guard guard(device_->lock());
    *volume = volume_;
    return DS_OK;
}

HRESULT SoundBuffer::GetPan(LONG* pan) {
    if (!pan) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    Guard guard(device_->lock());
    *pan = pan_;
    return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(LPDWORD frequency) {
    if (!frequency) return DSERR_INVALIDPARAM;
    if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    Guard guard(device_->lock());
    *frequency = frequency_;
    return DS_OK;
}

HRESULT SoundBuffer::GetStatus(LPDWORD status) {
    if (!status) return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    *status = 0;
    if (playing_) *status |= DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT SoundBuffer::Initialize(IDirectSound*, LPCDSBUFFERDESC) { return DSERR_ALREADYINITIALIZED; }

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1, LPVOID* audioPtr2,
                          LPDWORD audioBytes2, DWORD flags) {
    if (!audioPtr1 || !audioBytes1) return DSERR_INVALIDPARAM;
    // The primary buffer is the device itself here; nobody writes to it.
    if (primary_) return DSERR_PRIOLEVELNEEDED;
    const DWORD size = this->bytes();
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    const DWORD first = std::min(bytes, size - offset);
    const DWORD second = bytes - first;
    if (second > 0 && (!audioPtr2 || !audioBytes2)) return DSERR_INVALIDPARAM;
    *audioPtr1 = data_->data() + offset;
    *audioBytes1 = first;
    if (audioPtr2) *audioPtr2 = second > 0 ? data_->data() : nullptr;
    if (audioBytes2) *audioBytes2 = second;
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) {
    if (primary_) return DSERR_INVALIDCALL;
    // Only regions handed out by Lock come back: both must lie in the memory.
    const uint8_t* begin = data_->data();
    const uint8_t* end = begin + data_->size();
    auto inside = [&](LPVOID pointer, DWORD length) {
        if (!pointer) return length == 0;
        const auto* p = static_cast<const uint8_t*>(pointer);
        return p >= begin && p <= end && length <= static_cast<size_t>(end - p);
    };
    if (!audioPtr1 || !inside(audioPtr1, audioBytes1) || !inside(audioPtr2, audioBytes2)) return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD reserved1, DWORD priority, DWORD flags) {
    if (reserved1 != 0) return DSERR_INVALIDPARAM;
    if (priority != 0 && !deferred_) return DSERR_INVALIDPARAM;
    if (primary_ && !(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    playing_ = true;
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD newPosition) {
    if (primary_) return DSERR_INVALIDCALL;
    if (newPosition >= bytes()) return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    frame_ = newPosition / format_.nBlockAlign;
    fraction_ = 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX format) {
    if (!primary_) return DSERR_INVALIDCALL;
    if (level_->load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    HRESULT hr = ValidateFormat(format);
    if (FAILED(hr)) return hr;
    // Output stays at the device's format (the mixer converts every source);
    // the primary buffer only keeps the record the program asked for.
    Guard guard(device_->lock());
    std::memcpy(&format_, format, sizeof(WAVEFORMATEX) - sizeof(WORD));
    format_.cbSize = 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG volume) {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    volume_ = volume;
    if (primary_)
        device_->SetMasterVolume(volume);
    else
        UpdateGains();
    return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG pan) {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    pan_ = pan;
    UpdateGains();
    return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD frequency) {
    if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    Guard guard(device_->lock());
    frequency_ = frequency == DSBFREQUENCY_ORIGINAL ? originalFrequency_ : frequency;
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    // The position stays where playing stopped: Play resumes from it.
    Guard guard(device_->lock());
    playing_ = false;
    return DS_OK;
}

HRESULT SoundBuffer::Restore() { return DS_OK; }

void SoundBuffer::UpdateGains() {
    Guard guard(device_->lock());
    ChannelGains(volume_, pan_, &gainLeft_, &gainRight_);
}

void SoundBuffer::ReadFrame(uint32_t frame, float* left, float* right) const {
    const uint8_t* p = data_->data() + static_cast<size_t>(frame) * format_.nBlockAlign;
    if (format_.wBitsPerSample == 8) {
        *left = static_cast<float>((static_cast<int>(p[0]) - 128) * 256);
        *right = format_.nChannels == 2 ? static_cast<float>((static_cast<int>(p[1]) - 128) * 256) : *left;
    } else {
        // Samples are little-endian whatever the host is.
        auto sample = [](const uint8_t* q) { return static_cast<float>(static_cast<int16_t>(q[0] | (q[1] << 8))); };
        *left = sample(p);
        *right = format_.nChannels == 2 ? sample(p + 2) : *left;
    }
}

void SoundBuffer::Mix(float* out, uint32_t frames) {
    if (!playing_ || primary_) return;
    const uint64_t step = (static_cast<uint64_t>(frequency_) << 32) / kOutputRate;
    for (uint32_t i = 0; i < frames; ++i) {
        float left, right;
        ReadFrame(frame_, &left, &right);
        if (fraction_ != 0) {
            // Linear interpolation towards the next frame; at the end of a
            // one-shot buffer the last frame is held.
            uint32_t next = frame_ + 1;
            if (next >= frames_) next = looping_ ? 0 : frame_;
            float nextLeft, nextRight;
            ReadFrame(next, &nextLeft, &nextRight);
            const float t = static_cast<float>(fraction_) * (1.0f / 4294967296.0f);
            left += (nextLeft - left) * t;
            right += (nextRight - right) * t;
        }
        out[2 * i] += left * gainLeft_;
        out[2 * i + 1] += right * gainRight_;
        const uint64_t advanced = static_cast<uint64_t>(fraction_) + step;
        frame_ += static_cast<uint32_t>(advanced >> 32);
        fraction_ = static_cast<uint32_t>(advanced);
        if (frame_ >= frames_) {
            if (looping_) {
                frame_ %= frames_;
            } else {
                // A one-shot buffer that played out stops at its start, so a
                // later Play plays it again from the beginning.
                playing_ = false;
                frame_ = 0;
                fraction_ = 0;
                return;
            }
        }
    }
}

}  // namespace platform::sound
