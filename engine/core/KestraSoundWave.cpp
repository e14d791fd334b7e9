// RIFF WAVE chunk walk. Fields are read little-endian byte by byte; nothing is
// read beyond what the file holds, whatever its sizes say.
#include "engine/core/KestraSoundWave.h"

#include <cstring>

namespace KestraSound {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// A chunk id is four printable ASCII characters.
bool IsChunkId(const uint8_t* data, uint64_t size, uint64_t at) {
    if (at + 8 > size) return false;
    for (int i = 0; i < 4; ++i)
        if (data[at + i] < 0x20 || data[at + i] > 0x7E) return false;
    return true;
}

}  // namespace

bool ParseWave(const uint8_t* data, uint32_t size, WaveLayout* layout) {
    if (!data || !layout || size < 12) return false;
    if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return false;
    *layout = WaveLayout{};
    bool haveFormat = false;
    uint64_t at = 12;
    while (at + 8 <= size) {
        const uint8_t* id = data + at;
        const uint64_t chunkSize = Le32(data + at + 4);
        const uint64_t body = at + 8;
        const uint64_t left = size - body;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            // A format shorter than the PCM fields, or cut off, describes nothing.
            if (chunkSize < 16 || chunkSize > left) return false;
            const uint8_t* f = data + body;
            WAVEFORMATEX& format = layout->format;
            format.wFormatTag = Le16(f);
            format.nChannels = Le16(f + 2);
            format.nSamplesPerSec = Le32(f + 4);
            format.nAvgBytesPerSec = Le32(f + 8);
            format.nBlockAlign = Le16(f + 12);
            format.wBitsPerSample = Le16(f + 14);
            format.cbSize = chunkSize >= 18 ? Le16(f + 16) : 0;
            if (format.wFormatTag != WAVE_FORMAT_PCM) return false;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) return false;
            const uint64_t present = chunkSize < left ? chunkSize : left;
            if (present == 0) return false;
            layout->dataOffset = static_cast<uint32_t>(body);
            layout->dataSize = static_cast<uint32_t>(present);
            return true;
        }
        uint64_t next = body + chunkSize;
        if (chunkSize & 1) {
            // RIFF pads odd chunks to an even size; some writers do not.
            if (!IsChunkId(data, size, next + 1) && IsChunkId(data, size, next)) {
                // keep the unpadded position
            } else {
                next += 1;
            }
        }
        at = next;
    }
    return false;
}

}  // namespace KestraSound
