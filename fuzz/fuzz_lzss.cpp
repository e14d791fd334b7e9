// Any bytes as an LZSS block, as a header-less stream, and as data for an
// encode/decode round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraLzss.h"
#include "tools/kestra-pack/LzssEncoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    const auto size32 = static_cast<uint32_t>(size);

    // As a block: an exact-size copy so any read past the input is caught.
    std::vector<uint8_t> block(data, data + size);
    const int32_t decoded = KestraFile::GetLzssSize(block.data(), size32);
    if (decoded >= 0) {
        std::vector<uint8_t> out(static_cast<size_t>(decoded));
        KestraFile::DecodeLzssStream(block.data(), size32, out.data(), static_cast<uint32_t>(out.size()));
    }

    // Through the allocating form, which must keep the buffer on failure.
    auto* heap = static_cast<uint8_t*>(Kestra::MemoryAlloc(size32));
    if (size) std::memcpy(heap, data, size);
    uint8_t* before = heap;
    uint32_t length = size32;
    if (!KestraFile::DecodeLzss(&heap, &length) && (heap != before || length != size32)) std::abort();
    Kestra::MemoryFree(heap);

    // As a header-less stream: the first two bytes choose the wanted size.
    if (size >= 2) {
        const uint32_t want = (static_cast<uint32_t>(data[0]) << 8 | data[1]) * 4u;
        std::vector<uint8_t> out(want);
        KestraFile::DecodeLzssBytes(data + 2, size32 - 2, out.data(), want);
    }

    // Round trip through the pack tool's encoder.
    const std::vector<uint8_t> encoded = kestrapack::LzssEncodeBlock(data, size);
    std::vector<uint8_t> back(size);
    if (!KestraFile::DecodeLzssStream(encoded.data(), static_cast<uint32_t>(encoded.size()), back.data(), size32))
        std::abort();
    if (size && std::memcmp(back.data(), data, size) != 0) std::abort();
    return 0;
}
