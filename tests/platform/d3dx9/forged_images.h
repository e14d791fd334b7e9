// Small files that claim large pictures, written as a hostile user would: the
// readers' and loaders' limits are tested and measured with them.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace forgedimage {

// `bytes` bytes of v, the most significant first when `big`.
inline void Put(std::vector<uint8_t>& o, uint32_t v, int bytes, bool big) {
    for (int i = 0; i < bytes; ++i) o.push_back(uint8_t(v >> (8 * (big ? bytes - 1 - i : i))));
}

inline void JpegSegment(std::vector<uint8_t>& o, uint8_t marker, const std::vector<uint8_t>& body) {
    o.push_back(0xFF);
    o.push_back(marker);
    Put(o, uint32_t(body.size()) + 2, 2, true);
    o.insert(o.end(), body.begin(), body.end());
}

// A progressive three-component JPEG of w x h without a DC scan: `first` AC
// scans, then `refinements` AC refinement scans, each of one component. The
// only Huffman code is a one-bit end-of-band run (EOB14): each run of 32,767
// blocks takes 15 bits, so each scan covers all its blocks in a few bytes.
// The blocks come out empty (libjpeg only warns of the missing DC scan).
inline std::vector<uint8_t> ProgressiveJpeg(uint32_t w, uint32_t h, uint32_t first, uint32_t refinements) {
    std::vector<uint8_t> o = {0xFF, 0xD8};
    std::vector<uint8_t> dqt(65, 1);
    dqt[0] = 0;
    JpegSegment(o, 0xDB, dqt);
    JpegSegment(o, 0xC2, {8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), 3, 1, 0x11, 0, 2, 0x11, 0, 3,
                          0x11, 0});
    std::vector<uint8_t> dht(18, 0);
    dht[0] = 0x10;  // AC table 0
    dht[1] = 1;     // one code of one bit
    dht[17] = 0xE0;
    JpegSegment(o, 0xC4, dht);
    // The runs of one scan: code 0 then 14 one bits (2^14 + 16383 blocks), the
    // last byte padded with ones, 0xFF bytes stuffed.
    const uint64_t blocks = uint64_t((w + 7) / 8) * ((h + 7) / 8);
    std::vector<uint8_t> runs;
    uint32_t bits = 0, count = 0;
    auto put = [&](uint32_t bit) {
        bits = (bits << 1) | bit;
        if (++count < 8) return;
        runs.push_back(uint8_t(bits));
        if (uint8_t(bits) == 0xFF) runs.push_back(0);
        bits = count = 0;
    };
    for (uint64_t covered = 0; covered < blocks; covered += 32767)
        for (int k = 0; k < 15; ++k) put(k == 0 ? 0 : 1);
    while (count != 0) put(1);
    for (uint32_t i = 0; i < first + refinements; ++i) {
        const uint8_t approximation = i < first ? 0x00 : 0x10;  // Ah = 1, Al = 0 for a refinement
        JpegSegment(o, 0xDA, {1, uint8_t(1 + i % 3), 0x00, 1, 63, approximation});
        o.insert(o.end(), runs.begin(), runs.end());
    }
    o.insert(o.end(), {0xFF, 0xD9});
    return o;
}

// An 8-bit RLE BMP of w x h whose data is only the end-of-picture mark: every
// pixel takes palette entry 0.
inline std::vector<uint8_t> EmptyRleBmp(uint32_t w, uint32_t h) {
    std::vector<uint8_t> o = {'B', 'M'};
    for (uint32_t v : {64u, 0u, 62u, 40u, w, h}) Put(o, v, 4, false);
    Put(o, 1 | (8 << 16), 4, false);                                                // one plane, 8 bits
    for (uint32_t v : {1u, 2u, 0u, 0u, 2u, 0u, 0u, 0xFFFFFFu}) Put(o, v, 4, false);  // RLE8, 2 data bytes, 2 colours
    o.insert(o.end(), {0, 1});
    return o;
}

inline void PngChunk(std::vector<uint8_t>& o, const char* type, const std::vector<uint8_t>& data) {
    Put(o, uint32_t(data.size()), 4, true);
    const size_t start = o.size();
    o.insert(o.end(), type, type + 4);
    o.insert(o.end(), data.begin(), data.end());
    Put(o, uint32_t(crc32(0, o.data() + start, uInt(o.size() - start))), 4, true);
}

// A one-bit grey PNG of w x h, every pixel black: rows of zeros deflate to
// about a thousandth of their size.
inline std::vector<uint8_t> FlatPng(uint32_t w, uint32_t h) {
    std::vector<uint8_t> o = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    Put(ihdr, w, 4, true);
    Put(ihdr, h, 4, true);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});
    PngChunk(o, "IHDR", ihdr);
    z_stream z{};
    deflateInit(&z, 9);
    std::vector<uint8_t> row(1 + (size_t(w) + 7) / 8, 0), idat;
    uint8_t out[65536];
    for (uint32_t y = 0; y <= h; ++y) {
        z.next_in = row.data();
        z.avail_in = y < h ? uInt(row.size()) : 0;
        do {
            z.next_out = out;
            z.avail_out = sizeof(out);
            deflate(&z, y < h ? Z_NO_FLUSH : Z_FINISH);
            idat.insert(idat.end(), out, out + (sizeof(out) - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    PngChunk(o, "IDAT", idat);
    PngChunk(o, "IEND", {});
    return o;
}

// An RLE grey TGA of w x h whose data is `packets` run packets of 128 black
// pixels (two bytes each).
inline std::vector<uint8_t> RleTga(uint32_t w, uint32_t h, uint32_t packets) {
    std::vector<uint8_t> o = {0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // grey, RLE
    Put(o, w, 2, false);
    Put(o, h, 2, false);
    o.insert(o.end(), {8, 0x20});  // 8 bits, top row first
    for (uint32_t i = 0; i < packets; ++i) o.insert(o.end(), {0xFF, 0x00});
    return o;
}

}  // namespace forgedimage
