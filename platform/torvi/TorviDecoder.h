// Decoders of the player: PCM WAV and Ogg Vorbis, both over bytes in memory
// (a whole file, or the window of a pack file that holds the sound).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace torvi {

class Decoder {
public:
    virtual ~Decoder() = default;
    uint32_t rate() const { return rate_; }
    uint16_t channels() const { return channels_; }
    uint64_t frames() const { return frames_; }
    // Up to `frames` frames of interleaved signed 16-bit samples; fewer only at
    // the end of the sound (or where damaged data ends it early).
    virtual uint32_t Read(int16_t* out, uint32_t frames) = 0;
    // Moves to a sample frame (0 .. frames()); false when the data refuses.
    virtual bool Seek(uint64_t frame) = 0;

protected:
    uint32_t rate_ = 0;
    uint16_t channels_ = 0;
    uint64_t frames_ = 0;
};

// Recognise the formats by their first bytes.
bool IsWave(const uint8_t* data, size_t size);
bool IsOggVorbis(const uint8_t* data, size_t size);

// The bytes must outlive the decoder. On failure: null and a reason in `error`.
std::unique_ptr<Decoder> OpenWave(const uint8_t* data, size_t size, std::string* error);
std::unique_ptr<Decoder> OpenOggVorbis(const uint8_t* data, size_t size, std::string* error);

}  // namespace torvi
