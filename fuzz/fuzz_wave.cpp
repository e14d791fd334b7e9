// Any bytes as a RIFF WAVE file, through both chunk readers: the sound
// buffers' layout walk and the player's decoder, which is then read through
// to its end and sought about. Nothing is read outside the input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KestraSoundWave.h"
#include "platform/torvi/TorviDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);

    KestraSound::WaveLayout layout;
    if (KestraSound::ParseWave(bytes.data(), static_cast<uint32_t>(bytes.size()), &layout)) {
        if (layout.dataSize == 0 || uint64_t(layout.dataOffset) + layout.dataSize > size) std::abort();
        if (layout.format.wFormatTag != WAVE_FORMAT_PCM) std::abort();
    }

    std::string error;
    std::unique_ptr<torvi::Decoder> decoder = torvi::OpenWave(bytes.data(), bytes.size(), &error);
    if (!decoder) {
        if (error.empty()) std::abort();
        return 0;
    }
    const uint64_t frames = decoder->frames();
    // Every frame takes at least a byte per channel of the input.
    if (frames == 0 || frames * decoder->channels() > size) std::abort();
    std::vector<int16_t> out(4096 * 2);
    uint64_t read = 0;
    for (uint32_t got; (got = decoder->Read(out.data(), 4096)) > 0;) {
        if (got > 4096) std::abort();
        read += got;
    }
    if (read != frames) std::abort();
    if (!decoder->Seek(frames / 2) || decoder->Seek(frames + 1)) std::abort();
    if (decoder->Read(out.data(), 4096) != std::min<uint64_t>(4096, frames - frames / 2)) std::abort();
    return 0;
}
