// Any bytes as a PNG picture. Each chunk's CRC is made right first: libpng
// refuses a chunk whose CRC is wrong, which almost every mutation makes it.
#include <vector>

#include <zlib.h>

#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> png(data, data + size);
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint8_t* p = png.data() + at;
        const size_t length = (size_t(p[0]) << 24) | (size_t(p[1]) << 16) | (size_t(p[2]) << 8) | p[3];
        if (length > png.size() - at - 12) break;
        const uLong crc = crc32(0, p + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i) png[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return fuzzimage::Run(d3dx9img::detail::PngInfo, d3dx9img::detail::PngDecode, png.data(), png.size());
}
