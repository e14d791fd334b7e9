// RIFF WAV: chunks read with explicit little-endian fields and every length
// checked against the bytes actually there.
#include <algorithm>
#include <cstring>

#include "platform/torvi/TorviDecoder.h"

namespace torvi {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// A chunk id is four printable ASCII characters.
bool PlausibleId(const uint8_t* data, size_t size, uint64_t at) {
    if (at + 8 > size) return false;
    for (int i = 0; i < 4; ++i)
        if (data[at + i] < 0x20 || data[at + i] > 0x7E) return false;
    return true;
}

class WaveDecoder final : public Decoder {
public:
    WaveDecoder(const uint8_t* samples, uint16_t channels, uint16_t bits, uint32_t rate, uint64_t frames)
        : samples_(samples), bits_(bits) {
        channels_ = channels;
        rate_ = rate;
        frames_ = frames;
    }

    uint32_t Read(int16_t* out, uint32_t frames) override {
        const uint64_t left = frames_ - position_;
        const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(frames, left));
        const size_t values = static_cast<size_t>(count) * channels_;
        if (bits_ == 8) {
            const uint8_t* p = samples_ + position_ * channels_;
            for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>((p[i] - 128) * 256);
        } else {
            const uint8_t* p = samples_ + position_ * channels_ * 2;
            for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>(Le16(p + 2 * i));
        }
        position_ += count;
        return count;
    }

    bool Seek(uint64_t frame) override {
        if (frame > frames_) return false;
        position_ = frame;
        return true;
    }

private:
    const uint8_t* samples_;
    uint16_t bits_;
    uint64_t position_ = 0;
};

}  // namespace

bool IsWave(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WAVE", 4) == 0;
}

std::unique_ptr<Decoder> OpenWave(const uint8_t* data, size_t size, std::string* error) {
    if (!IsWave(data, size)) {
        *error = "not a RIFF WAVE file";
        return nullptr;
    }
    bool haveFormat = false;
    uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0;
    uint64_t dataAt = 0, dataSize = 0;
    bool haveData = false;

    uint64_t at = 12;
    while (at + 8 <= size) {
        const uint8_t* header = data + at;
        const uint32_t length = Le32(header + 4);
        const uint64_t body = at + 8;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (length < 16 || body + length > size) {
                *error = "WAV format chunk is cut short";
                return nullptr;
            }
            tag = Le16(data + body);
            channels = Le16(data + body + 2);
            rate = Le32(data + body + 4);
            blockAlign = Le16(data + body + 12);
            bits = Le16(data + body + 14);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            // A data chunk longer than the file keeps the samples that are there.
            dataAt = body;
            dataSize = std::min<uint64_t>(length, size - body);
            haveData = true;
            break;
        }
        // Chunks are padded to an even length. Some writers leave the pad byte
        // out: take the unpadded position when only it holds a chunk id.
        uint64_t next = body + length + (length & 1);
        if ((length & 1) && !PlausibleId(data, size, next) && PlausibleId(data, size, next - 1)) next -= 1;
        at = next;
    }

    if (!haveFormat) {
        *error = "WAV file has no format chunk";
        return nullptr;
    }
    if (tag != 1) {
        *error = "WAV format " + std::to_string(tag) + " is not PCM";
        return nullptr;
    }
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || blockAlign != channels * bits / 8) {
        *error = "unsupported PCM layout (" + std::to_string(channels) + " channels, " + std::to_string(bits) +
                 " bits)";
        return nullptr;
    }
    if (rate < 100 || rate > 200000) {
        *error = "unsupported sample rate " + std::to_string(rate);
        return nullptr;
    }
    if (!haveData) {
        *error = "WAV file has no data chunk";
        return nullptr;
    }
    const uint64_t frames = dataSize / blockAlign;
    if (frames == 0) {
        *error = "WAV file holds no samples";
        return nullptr;
    }
    return std::make_unique<WaveDecoder>(data + dataAt, channels, bits, rate, frames);
}

}  // namespace torvi
