// Any bytes as an Ogg Vorbis file through the player's decoder: the check of
// its headers, then libvorbisfile, read through (up to a bound) and sought
// about. Nothing is read outside the input.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/torvi/TorviDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    std::string error;
    std::unique_ptr<torvi::Decoder> decoder = torvi::OpenOggVorbis(bytes.data(), bytes.size(), &error);
    if (!decoder) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (decoder->channels() < 1 || decoder->channels() > 2 || decoder->frames() == 0) std::abort();
    // A byte of a packet may stand for thousands of frames: a million are enough.
    std::vector<int16_t> out(4096 * 2);
    uint64_t read = 0;
    for (uint32_t got; read < (1u << 20) && (got = decoder->Read(out.data(), 4096)) > 0; read += got)
        if (got > 4096) std::abort();
    if (decoder->Seek(decoder->frames() / 2) && decoder->Read(out.data(), 4096) > 4096) std::abort();
    if (decoder->Seek(0) && decoder->Read(out.data(), 4096) > 4096) std::abort();
    return 0;
}
