// RIFF WAVE reading for the sound buffers: where the PCM samples lie and their format.
#pragma once

#include <cstdint>

#include "platform/dsound/dsound.h"

namespace KestraSound {

struct WaveLayout {
    WAVEFORMATEX format;  // from the "fmt " chunk (cbSize 0 when the chunk has none)
    uint32_t dataOffset;  // first sample byte
    uint32_t dataSize;    // sample bytes present (a "data" size past the end is cut)
};

// Walks the chunks of a RIFF WAVE file held in data[0..size). Odd-sized chunks
// are followed by their pad byte; a writer that left it out is still followed
// when only the unpadded position holds a chunk id. False unless a PCM "fmt "
// chunk of at least 16 bytes comes before a non-empty "data" chunk.
bool ParseWave(const uint8_t* data, uint32_t size, WaveLayout* layout);

}  // namespace KestraSound
