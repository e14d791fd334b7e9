// The player's entry points and its playback objects. Each instance is a
// source of the program's mixer (reached through its DirectSound object); the
// mixer pulls decoded frames on the audio thread while holding the stream's
// lock, and every state change here is made under that same lock.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dsound/sound_host.h"
#include "platform/torvi/TorviDecoder.h"
#include "platform/torvi/torvi.h"

namespace {

constexpr DWORD kEndless = 0xFFFFFFFF;

// The last error of the calling thread.
thread_local char tLastError[1024];
thread_local size_t tLastErrorLength;

void SetError(const std::string& text) {
    tLastErrorLength = std::min(text.size(), sizeof(tLastError) - 1);
    std::memcpy(tLastError, text.data(), tLastErrorLength);
    tLastError[tLastErrorLength] = '\0';
}

// The volume scale the program uses for DirectSound buffers, in hundredths of
// a decibel: -(100 - v)^2, full above 100, silent below 0 (and for NaN).
LONG VolumeToAttenuation(float volume) {
    if (!(volume >= 0.0f)) return -10000;
    if (volume > 100.0f) return 0;
    const double quiet = 100.0 - static_cast<double>(volume);
    return static_cast<LONG>(-(quiet * quiet));
}

// A sound's bytes, from the host (counted against the process's sound
// memory until given back); holds a reference to the host.
struct Block {
    void* bytes = nullptr;
    size_t size = 0;
    IKestraSoundHost* owner = nullptr;
    ~Block() {
        if (!owner) return;
        owner->FreeBlock(bytes);
        owner->Release();
    }
};

// Why the host gave no block of `size` bytes for the sound `name`.
void SetBlockError(IKestraSoundHost* host, HRESULT hr, const std::string& name, DWORD offset, DWORD size) {
    if (hr == KESTRA_E_SOUNDMEMORY)
        SetError(name + ": " + std::to_string(size) + " bytes, more than the " +
                 std::to_string(host->SoundMemoryLeft()) + " bytes of sound memory left");
    else if (hr == E_INVALIDARG)
        SetError(name + ": bytes " + std::to_string(offset) + " to " +
                 std::to_string(static_cast<uint64_t>(offset) + size) + " lie outside the file");
    else if (hr == E_OUTOFMEMORY)
        SetError(name + ": out of memory");
    else
        SetError(name + ": the file cannot be opened or read");
}

// Takes a host block for a new sound (a reference to the host with it).
std::unique_ptr<Block> OwnBlock(IKestraSoundHost* host, void* bytes, DWORD size) {
    auto block = std::make_unique<Block>();
    block->bytes = bytes;
    block->size = size;
    block->owner = host;
    host->AddRef();
    return block;
}

class Instance;

struct Library {
    std::mutex lock;
    IKestraSoundHost* host = nullptr;
    std::vector<Instance*> instances;
};
Library& Shared() {
    static Library library;
    return library;
}

class Instance final : public TorviInstance, public IKestraSoundSource {
public:
    // A new instance fed to the host's mixer, or null when the host refuses it.
    static Instance* Create(IKestraSoundHost* host, std::unique_ptr<Block> block,
                            std::unique_ptr<torvi::Decoder> decoder) {
        auto* instance = new Instance(std::move(block), std::move(decoder));
        IKestraSoundStream* stream = nullptr;
        HRESULT hr = host->CreateStream(instance, instance->decoder_->rate(), instance->decoder_->channels(), &stream);
        if (FAILED(hr) || !stream) {
            delete instance;
            return nullptr;
        }
        instance->stream_ = stream;
        stream->SetVolume(VolumeToAttenuation(instance->volume_));
        return instance;
    }

    // Silences the instance for good: the mixer forgets it.
    void Detach() {
        if (!stream_) return;
        stream_->SetActive(false);
        stream_->Release();
        stream_ = nullptr;
        state_ = State::Stopped;
    }

    BOOL IsPlaying() override {
        if (!stream_) return FALSE;
        Locked locked(stream_);
        Sync();
        return state_ == State::Playing;
    }

    void Play(DWORD, DWORD) override { Start(0, 0); }

    void Loop(DWORD repeats, DWORD loopStart) override { Start(repeats, loopStart); }

    void Stop() override {
        if (!stream_) return;
        Locked locked(stream_);
        stream_->SetActive(false);
        Rewind(0);
        state_ = State::Stopped;
    }

    void Pause() override {
        if (!stream_) return;
        Locked locked(stream_);
        Sync();
        if (state_ == State::Playing) {
            stream_->SetActive(false);
            state_ = State::Paused;
        } else if (state_ == State::Paused) {
            stream_->SetActive(true);
            state_ = State::Playing;
        }
    }

    void SetVolume(float volume) override {
        volume_ = volume;
        if (stream_) stream_->SetVolume(VolumeToAttenuation(volume));
    }

    float GetVolume() override { return volume_; }

    void Release() override {
        {
            Library& library = Shared();
            std::lock_guard<std::mutex> guard(library.lock);
            auto& list = library.instances;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
            Detach();
        }
        delete this;
    }

    // Audio thread, stream lock held.
    uint32_t ReadFrames(int16_t* out, uint32_t frames) override {
        uint32_t done = 0;
        while (done < frames) {
            const uint32_t got = decoder_->Read(out + static_cast<size_t>(done) * decoder_->channels(), frames - done);
            done += got;
            if (done == frames) break;
            // The end of the data: repeat, or let the stream run out.
            if (repeats_ == 0) break;
            if (repeats_ != kEndless) --repeats_;
            const uint64_t start = loopStart_ < decoder_->frames() ? loopStart_ : 0;
            if (!decoder_->Seek(start)) break;
            // A repeat that yields nothing would spin forever.
            if (got == 0 && emptyPasses_++ > 1) break;
            if (got != 0) emptyPasses_ = 0;
        }
        return done;
    }

private:
    enum class State { Stopped, Playing, Paused };

    // Holds the mixer's lock for the scope.
    struct Locked {
        explicit Locked(IKestraSoundStream* stream) : stream(stream) { stream->Lock(); }
        ~Locked() { stream->Unlock(); }
        IKestraSoundStream* stream;
    };

    Instance(std::unique_ptr<Block> block, std::unique_ptr<torvi::Decoder> decoder)
        : block_(std::move(block)), decoder_(std::move(decoder)) {}
    ~Instance() = default;

    void Start(DWORD repeats, DWORD loopStart) {
        if (!stream_) return;
        Locked locked(stream_);
        stream_->SetActive(false);
        Rewind(repeats);
        loopStart_ = loopStart;
        state_ = State::Playing;
        stream_->SetActive(true);
    }

    void Rewind(DWORD repeats) {
        decoder_->Seek(0);
        stream_->Flush();
        repeats_ = repeats;
        emptyPasses_ = 0;
    }

    // A sound that played out is stopped (and plays from its start again).
    void Sync() {
        if (state_ == State::Playing && !stream_->IsActive()) {
            Rewind(0);
            state_ = State::Stopped;
        }
    }

    std::unique_ptr<Block> block_;
    std::unique_ptr<torvi::Decoder> decoder_;
    IKestraSoundStream* stream_ = nullptr;
    State state_ = State::Stopped;
    DWORD repeats_ = 0;
    DWORD loopStart_ = 0;
    int emptyPasses_ = 0;
    float volume_ = 100.0f;
};

// Takes ownership of the block whatever happens.
TorviInstance* CreateFromBlock(std::unique_ptr<Block> block, const std::string& name) {
    const auto* bytes = static_cast<const uint8_t*>(block->bytes);
    std::string error;
    std::unique_ptr<torvi::Decoder> decoder;
    if (torvi::IsWave(bytes, block->size)) {
        decoder = torvi::OpenWave(bytes, block->size, &error);
    } else if (torvi::IsOggVorbis(bytes, block->size)) {
        decoder = torvi::OpenOggVorbis(bytes, block->size, &error);
    } else {
        error = "unknown sound format";
    }
    if (!decoder) {
        SetError(name + ": " + error);
        return nullptr;
    }
    Library& library = Shared();
    std::lock_guard<std::mutex> guard(library.lock);
    if (!library.host) {
        SetError("Torvi is not initialised");
        return nullptr;
    }
    Instance* instance = Instance::Create(library.host, std::move(block), std::move(decoder));
    if (!instance) {
        SetError(name + ": the sound device refused the stream");
        return nullptr;
    }
    library.instances.push_back(instance);
    return instance;
}

IKestraSoundHost* Host() {
    Library& library = Shared();
    std::lock_guard<std::mutex> guard(library.lock);
    if (library.host) library.host->AddRef();
    return library.host;
}

}  // namespace

extern "C" {

BOOL Torvi_Initialize(DWORD, IDirectSound** directSound, DWORD, DWORD) {
    if (!directSound || !*directSound) {
        SetError("no DirectSound object was given");
        return FALSE;
    }
    IKestraSoundHost* host = nullptr;
    if (FAILED((*directSound)->QueryInterface(IID_IKestraSoundHost, reinterpret_cast<void**>(&host))) || !host) {
        SetError("the DirectSound object cannot play for the player");
        return FALSE;
    }
    if (host->FaultHit("Torvi_Initialize")) {
        host->Release();
        SetError("the player could not start");
        return FALSE;
    }
    Library& library = Shared();
    std::lock_guard<std::mutex> guard(library.lock);
    if (library.host) library.host->Release();
    library.host = host;
    return TRUE;
}

void Torvi_Uninitialize() {
    Library& library = Shared();
    std::lock_guard<std::mutex> guard(library.lock);
    // Instances the program still holds fall silent; their Release stays valid.
    for (Instance* instance : library.instances) instance->Detach();
    library.instances.clear();
    if (library.host) library.host->Release();
    library.host = nullptr;
}

TorviInstance* Torvi_CreateInstanceFromFileEx(LPCSTR path, DWORD offset, DWORD size, DWORD) {
    IKestraSoundHost* host = Host();
    if (!host) {
        SetError("Torvi is not initialised");
        return nullptr;
    }
    std::string name = path ? std::string("\"") + path + "\"" : std::string("(no name)");
    TorviInstance* result = nullptr;
    if (!path) {
        SetError("no file name was given");
    } else if (host->FaultHit("Torvi_CreateInstanceFromFileEx")) {
        SetError(name + ": the instance could not be made");
    } else if (size == 0) {
        SetError(name + ": the sound is empty");
    } else {
        void* bytes = nullptr;
        HRESULT hr = host->ReadFileWindow(path, offset, size, &bytes);
        if (SUCCEEDED(hr))
            result = CreateFromBlock(OwnBlock(host, bytes, size), name);
        else
            SetBlockError(host, hr, name, offset, size);
    }
    host->Release();
    return result;
}

TorviInstance* Torvi_CreateInstanceFromMemory(LPCVOID data, DWORD size, DWORD) {
    if (!data || size == 0) {
        SetError("(memory): the sound is empty");
        return nullptr;
    }
    IKestraSoundHost* host = Host();
    if (!host) {
        SetError("Torvi is not initialised");
        return nullptr;
    }
    TorviInstance* result = nullptr;
    void* bytes = nullptr;
    HRESULT hr = host->AllocateBlock(size, &bytes);
    if (SUCCEEDED(hr)) {
        std::memcpy(bytes, data, size);
        result = CreateFromBlock(OwnBlock(host, bytes, size), "(memory)");
    } else {
        SetBlockError(host, hr, "(memory)", 0, size);
    }
    host->Release();
    return result;
}

DWORD Torvi_GetLastError(LPSTR text, DWORD size) {
    if (text && size > 0) {
        const size_t copied = std::min<size_t>(tLastErrorLength, size - 1);
        std::memcpy(text, tLastError, copied);
        text[copied] = '\0';
    }
    return static_cast<DWORD>(tLastErrorLength);
}

}  // extern "C"
