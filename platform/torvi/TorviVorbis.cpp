// Ogg Vorbis through libvorbisfile, reading the sound's bytes through
// callbacks over the window that holds them.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/torvi/TorviDecoder.h"

namespace torvi {
namespace {

static_assert(std::endian::native == std::endian::little, "ov_read is asked for little-endian samples");

struct Window {
    const uint8_t* data;
    size_t size;
    size_t position;
};

size_t WindowRead(void* out, size_t size, size_t count, void* source) {
    auto* window = static_cast<Window*>(source);
    if (size == 0 || count == 0) return 0;
    const size_t wanted = std::min(count, (window->size - window->position) / size);
    std::memcpy(out, window->data + window->position, wanted * size);
    window->position += wanted * size;
    return wanted;
}

int WindowSeek(void* source, ogg_int64_t offset, int whence) {
    auto* window = static_cast<Window*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(window->position);
    else if (whence == SEEK_END) base = static_cast<ogg_int64_t>(window->size);
    else if (whence != SEEK_SET) return -1;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(window->size)) return -1;
    window->position = static_cast<size_t>(target);
    return 0;
}

long WindowTell(void* source) { return static_cast<long>(static_cast<Window*>(source)->position); }

class VorbisDecoder final : public Decoder {
public:
    VorbisDecoder(const uint8_t* data, size_t size) : window_{data, size, 0} {}
    ~VorbisDecoder() override {
        if (open_) ov_clear(&file_);
    }

    bool Open(std::string* error) {
        ov_callbacks callbacks{&WindowRead, &WindowSeek, nullptr, &WindowTell};
        int result = ov_open_callbacks(&window_, &file_, nullptr, 0, callbacks);
        if (result != 0) {
            *error = result == OV_ENOTVORBIS ? "not an Ogg Vorbis stream"
                     : result == OV_EVERSION ? "unsupported Vorbis version"
                                             : "damaged Ogg Vorbis headers";
            return false;
        }
        open_ = true;
        const vorbis_info* info = ov_info(&file_, -1);
        const ogg_int64_t total = ov_pcm_total(&file_, -1);
        if (!info || (info->channels != 1 && info->channels != 2)) {
            *error = "Ogg Vorbis with " + std::to_string(info ? info->channels : 0) + " channels is not supported";
            return false;
        }
        if (info->rate < 100 || info->rate > 200000) {
            *error = "unsupported sample rate " + std::to_string(info->rate);
            return false;
        }
        if (total <= 0) {
            *error = "Ogg Vorbis stream holds no samples";
            return false;
        }
        channels_ = static_cast<uint16_t>(info->channels);
        rate_ = static_cast<uint32_t>(info->rate);
        frames_ = static_cast<uint64_t>(total);
        return true;
    }

    uint32_t Read(int16_t* out, uint32_t frames) override {
        const size_t frameBytes = sizeof(int16_t) * channels_;
        auto* bytes = reinterpret_cast<char*>(out);
        size_t done = 0;
        const size_t wanted = static_cast<size_t>(frames) * frameBytes;
        int holes = 0;
        while (done < wanted) {
            int section = 0;
            // Cap each call so the length fits ov_read's int.
            const int ask = static_cast<int>(std::min<size_t>(wanted - done, 1 << 16));
            long got = ov_read(&file_, bytes + done, ask, 0, 2, 1, &section);
            if (got == OV_HOLE && ++holes < 16) continue;  // a gap in the data: decoding goes on after it
            if (got <= 0) break;                           // the end, or data too damaged to go on
            // A chained stream that changes its layout ends the sound here.
            const vorbis_info* info = ov_info(&file_, section);
            if (!info || info->channels != channels_) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<uint32_t>(done / frameBytes);
    }

    bool Seek(uint64_t frame) override { return ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) == 0; }

private:
    Window window_;
    OggVorbis_File file_{};
    bool open_ = false;
};

}  // namespace

bool IsOggVorbis(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "OggS", 4) == 0; }

std::unique_ptr<Decoder> OpenOggVorbis(const uint8_t* data, size_t size, std::string* error) {
    auto decoder = std::make_unique<VorbisDecoder>(data, size);
    if (!decoder->Open(error)) return nullptr;
    return decoder;
}

}  // namespace torvi
