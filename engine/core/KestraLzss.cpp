#include "engine/core/KestraLzss.h"

#include <cstring>

#include "engine/core/KestraLog.h"

namespace KestraFile {

namespace {

bool HasLzssMagic(const uint8_t* bytes, uint32_t size) {
    return size >= kLzssHeaderSize && std::memcmp(bytes, "LZSS", 4) == 0;
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

uint64_t MaxLzssDecodedSize(uint64_t streamSize) {
    // A full group is 17 bytes (flag + eight references) and yields 8 * 18 bytes;
    // a partial group never yields more than a full one.
    return streamSize / 17 * 144 + 144;
}

int32_t GetLzssSize(const void* data, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || !HasLzssMagic(bytes, size)) return -1;
    const uint32_t decoded = ReadU32(bytes + 4);
    if (decoded > 0x7FFFFFFFu || decoded > MaxLzssDecodedSize(size - kLzssHeaderSize)) return -1;
    return static_cast<int32_t>(decoded);
}

bool DecodeLzssBytes(const uint8_t* stream, uint32_t streamSize, uint8_t* out, uint32_t outSize) {
    if (outSize == 0) return true;
    uint8_t ring[kLzssRingSize] = {};
    uint32_t write = kLzssRingStart;
    uint32_t in = 0;
    uint32_t produced = 0;
    uint32_t flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0x100) == 0) {
            if (in >= streamSize) return false;
            flags = stream[in++] | 0xFF00u;
        }
        if (flags & 1) {
            if (in >= streamSize) return false;
            const uint8_t byte = stream[in++];
            out[produced++] = byte;
            if (produced == outSize) return true;
            ring[write] = byte;
            write = (write + 1) & (kLzssRingSize - 1);
        } else {
            if (streamSize - in < 2) return false;
            const uint32_t b0 = stream[in];
            const uint32_t b1 = stream[in + 1];
            in += 2;
            const uint32_t position = b0 | (b1 & 0xF0) << 4;
            const uint32_t length = (b1 & 0x0F) + kLzssMinMatch;
            for (uint32_t k = 0; k < length; ++k) {
                const uint8_t byte = ring[(position + k) & (kLzssRingSize - 1)];
                out[produced++] = byte;
                if (produced == outSize) return true;
                ring[write] = byte;
                write = (write + 1) & (kLzssRingSize - 1);
            }
        }
    }
}

bool DecodeLzssStream(const void* block, uint32_t blockSize, void* out, uint32_t outSize) {
    const int32_t decoded = GetLzssSize(block, blockSize);
    if (decoded < 0 || static_cast<uint32_t>(decoded) > outSize) return false;
    const auto* bytes = static_cast<const uint8_t*>(block);
    return DecodeLzssBytes(bytes + kLzssHeaderSize, blockSize - kLzssHeaderSize, static_cast<uint8_t*>(out),
                           static_cast<uint32_t>(decoded));
}

bool DecodeLzss(uint8_t** data, uint32_t* size) {
    if (!data || !*data || !size) return false;
    if (!HasLzssMagic(*data, *size)) return true;
    const int32_t decoded = GetLzssSize(*data, *size);
    if (decoded < 0) return false;
    // One spare byte: a zero-size result must still be a real block.
    auto* out = static_cast<uint8_t*>(Kestra::MemoryAllocLoaded(static_cast<uint32_t>(decoded) + 1));
    if (!out) return false;
    if (!DecodeLzssStream(*data, *size, out, static_cast<uint32_t>(decoded))) {
        Kestra::MemoryFree(out);
        return false;
    }
    Kestra::MemoryFree(*data);
    *data = out;
    *size = static_cast<uint32_t>(decoded);
    return true;
}

}  // namespace KestraFile
