// BMP reader: core (OS/2) and Windows info headers of every version, 1/4/8-bit
// palettes, RLE4/RLE8, 16/24/32-bit with or without bit-field masks, bottom-up
// or top-down rows.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img::detail {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct BmpHeader {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // R, G, B, A
    bool hasMasks = false;
    size_t paletteOffset = 0;
    uint32_t paletteEntries = 0;
    uint32_t paletteEntryBytes = 4;
};

bool ParseHeader(const uint8_t* p, size_t size, BmpHeader* h) {
    if (size < kFileHeaderSize + 12 || p[0] != 'B' || p[1] != 'M') return false;
    h->dataOffset = Le32(p + 10);
    h->headerSize = Le32(p + 14);
    const uint8_t* d = p + kFileHeaderSize;
    if (h->headerSize == 12) {
        h->width = Le16(d + 4);
        h->height = Le16(d + 6);
        if (Le16(d + 8) != 1) return false;
        h->bits = Le16(d + 10);
        h->paletteEntryBytes = 3;
    } else {
        if (h->headerSize < 40 || h->headerSize > 1024) return false;
        if (size < kFileHeaderSize + h->headerSize) return false;
        const int32_t w = int32_t(Le32(d + 4));
        const int32_t hh = int32_t(Le32(d + 8));
        if (w <= 0 || hh == 0 || hh == INT32_MIN) return false;
        h->width = uint32_t(w);
        h->topDown = hh < 0;
        h->height = uint32_t(hh < 0 ? -hh : hh);
        if (Le16(d + 12) != 1) return false;
        h->bits = Le16(d + 14);
        h->compression = Le32(d + 16);
        h->paletteEntries = Le32(d + 32);
    }
    if (!DimensionsAcceptable(h->width, h->height)) return false;

    size_t after = kFileHeaderSize + h->headerSize;
    switch (h->compression) {
        case kBiRgb: break;
        case kBiRle8:
            if (h->bits != 8 || h->topDown) return false;
            break;
        case kBiRle4:
            if (h->bits != 4 || h->topDown) return false;
            break;
        case kBiBitfields:
        case kBiAlphaBitfields: {
            if (h->bits != 16 && h->bits != 32) return false;
            const uint32_t count = h->compression == kBiAlphaBitfields ? 4 : 3;
            size_t at;
            if (h->headerSize >= 40 + 4 * count) {
                at = kFileHeaderSize + 40;
            } else {
                // Masks follow a plain 40-byte header.
                at = after;
                after += 4 * count;
            }
            if (at + 4 * count > size) return false;
            for (uint32_t i = 0; i < count; ++i) h->masks[i] = Le32(p + at + 4 * i);
            if (count == 3 && h->headerSize >= 56) h->masks[3] = Le32(p + kFileHeaderSize + 52);
            h->hasMasks = true;
            break;
        }
        default: return false;
    }
    switch (h->bits) {
        case 1:
        case 4:
        case 8: {
            const uint32_t maxEntries = 1u << h->bits;
            if (h->paletteEntries == 0 || h->paletteEntries > maxEntries) h->paletteEntries = maxEntries;
            h->paletteOffset = after;
            // A palette cut short by the pixel data keeps the entries it has.
            size_t end = h->dataOffset > after ? h->dataOffset : size;
            if (end > size) end = size;
            const size_t available = end > after ? (end - after) / h->paletteEntryBytes : 0;
            if (available < h->paletteEntries) h->paletteEntries = uint32_t(available);
            if (h->paletteEntries == 0) return false;
            break;
        }
        case 16:
        case 24:
        case 32:
            // A colour table beside true-colour pixels is only a display hint:
            // its count is not read, whatever it says.
            h->paletteEntries = 0;
            break;
        default: return false;
    }
    if (h->bits == 24 && h->compression != kBiRgb) return false;
    if (h->hasMasks) {
        const uint64_t limit = h->bits == 32 ? 0xFFFFFFFFull : 0xFFFFull;
        for (uint32_t m : h->masks)
            if (m > limit) return false;
        if (h->masks[0] == 0 && h->masks[1] == 0 && h->masks[2] == 0) return false;
    }
    if (h->dataOffset < kFileHeaderSize + 12 || h->dataOffset >= size) return false;
    return true;
}

uint32_t ReportedFormat(const BmpHeader& h) {
    if (h.bits <= 8) return kFmtP8;
    if (h.bits == 24) return kFmtR8G8B8;
    if (!h.hasMasks) return h.bits == 16 ? kFmtX1R5G5B5 : kFmtX8R8G8B8;
    const uint32_t r = h.masks[0], g = h.masks[1], b = h.masks[2], a = h.masks[3];
    if (h.bits == 32) {
        if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
        if (r == 0xFF && g == 0xFF00 && b == 0xFF0000) return a != 0 ? kFmtA8B8G8R8 : kFmtX8B8G8R8;
        if (r == 0x3FF00000 && g == 0xFFC00 && b == 0x3FF) return kFmtA2R10G10B10;
        if (r == 0x3FF && g == 0xFFC00 && b == 0x3FF00000) return kFmtA2B10G10R10;
        return a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    }
    if (r == 0xF800 && g == 0x7E0 && b == 0x1F) return kFmtR5G6B5;
    if (r == 0x7C00 && g == 0x3E0 && b == 0x1F) return a != 0 ? kFmtA1R5G5B5 : kFmtX1R5G5B5;
    if (r == 0xF00 && g == 0xF0 && b == 0xF) return a != 0 ? kFmtA4R4G4B4 : kFmtX4R4G4B4;
    return a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
}

bool IsRle(const BmpHeader& h) { return h.compression == kBiRle8 || h.compression == kBiRle4; }

// Without an image the stream is only checked (`palette` may be null then).
DecodeStatus DecodeRle(const uint8_t* data, size_t size, const BmpHeader& h, const uint32_t* palette, Image* image) {
    // Pixels the stream skips (deltas, early line ends) take palette entry 0.
    uint32_t* px = image != nullptr ? image->pixels.data() : nullptr;
    if (px != nullptr) std::fill(image->pixels.begin(), image->pixels.end(), palette[0]);
    const bool four = h.compression == kBiRle4;
    size_t pos = h.dataOffset;
    uint32_t x = 0, row = 0;  // row counts from the bottom
    auto put = [&](uint32_t index) -> bool {
        if (index >= h.paletteEntries) return false;
        if (px != nullptr && x < h.width && row < h.height) px[size_t(h.height - 1 - row) * h.width + x] = palette[index];
        ++x;
        return true;
    };
    for (;;) {
        if (size - pos < 2) return DecodeStatus::kInvalidData;
        const uint32_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (x + count > h.width || row >= h.height) return DecodeStatus::kInvalidData;
            for (uint32_t k = 0; k < count; ++k)
                if (!put(four ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value)) return DecodeStatus::kInvalidData;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++row;
                break;
            case 1:  // end of picture
                return DecodeStatus::kOk;
            case 2: {  // delta
                if (size - pos < 2) return DecodeStatus::kInvalidData;
                x += data[pos];
                row += data[pos + 1];
                pos += 2;
                if (x > h.width || row > h.height) return DecodeStatus::kInvalidData;
                break;
            }
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const size_t bytes = four ? (value + 1) / 2 : value;
                const size_t padded = (bytes + 1) & ~size_t(1);
                if (size - pos < padded || x + value > h.width || row >= h.height) return DecodeStatus::kInvalidData;
                for (uint32_t k = 0; k < value; ++k) {
                    const uint8_t b = data[pos + (four ? k / 2 : k)];
                    if (!put(four ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b)) return DecodeStatus::kInvalidData;
                }
                pos += padded;
                break;
            }
        }
        if (row > h.height) return DecodeStatus::kInvalidData;
        // A stream that fills every row but omits the end-of-picture mark is complete.
        if (row == h.height) return DecodeStatus::kOk;
    }
}

uint64_t Stride(const BmpHeader& h) { return ((uint64_t(h.width) * h.bits + 31) / 32) * 4; }

// The data must be there before anything is allocated for it: plain rows (the
// last needs only its pixels, not its padding), or a whole RLE stream. No size
// check can stand for the stream: its line-end, delta and end-of-picture codes
// legitimately skip any number of pixels, so two bytes can make a whole picture
// of palette entry 0.
bool DataPresent(const uint8_t* data, size_t size, const BmpHeader& h) {
    if (IsRle(h)) return DecodeRle(data, size, h, nullptr, nullptr) == DecodeStatus::kOk;
    const uint64_t lastRow = (uint64_t(h.width) * h.bits + 7) / 8;
    return Stride(h) * (h.height - 1) + lastRow <= size - h.dataOffset;
}

DecodeStatus Decode(const uint8_t* data, size_t size, Image* image) {
    BmpHeader h;
    if (!ParseHeader(data, size, &h) || !DataPresent(data, size, h)) return DecodeStatus::kInvalidData;

    std::vector<uint32_t> palette(h.paletteEntries);
    for (uint32_t i = 0; i < h.paletteEntries; ++i) {
        const uint8_t* e = data + h.paletteOffset + size_t(i) * h.paletteEntryBytes;
        palette[i] = Argb(0xFF, e[2], e[1], e[0]);
    }

    if (!AllocatePixels(image, h.width, h.height)) return DecodeStatus::kOutOfMemory;
    image->info.width = h.width;
    image->info.height = h.height;
    image->info.format = ReportedFormat(h);
    image->info.fileFormat = kFileBmp;
    if (IsRle(h)) return DecodeRle(data, size, h, palette.data(), image);
    const uint64_t stride = Stride(h);

    MaskChannel r, g, b, a;
    if (h.hasMasks) {
        r.Set(h.masks[0]);
        g.Set(h.masks[1]);
        b.Set(h.masks[2]);
        a.Set(h.masks[3]);
    } else if (h.bits == 16) {
        r.Set(0x7C00);
        g.Set(0x3E0);
        b.Set(0x1F);
    }
    for (uint32_t y = 0; y < h.height; ++y) {
        const uint8_t* src = data + h.dataOffset + stride * y;
        uint32_t* dst = image->pixels.data() + size_t(h.topDown ? y : h.height - 1 - y) * h.width;
        for (uint32_t x = 0; x < h.width; ++x) {
            uint32_t index;
            switch (h.bits) {
                case 1: index = (src[x >> 3] >> (7 - (x & 7))) & 1; break;
                case 4: index = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
                case 8: index = src[x]; break;
                case 24: dst[x] = Argb(0xFF, src[3 * x + 2], src[3 * x + 1], src[3 * x]); continue;
                case 16: {
                    const uint32_t v = Le16(src + 2 * x);
                    dst[x] = Argb(a.Get(v, 0xFF), r.Get(v, 0), g.Get(v, 0), b.Get(v, 0));
                    continue;
                }
                default: {
                    const uint32_t v = Le32(src + 4 * x);
                    if (h.hasMasks)
                        dst[x] = Argb(a.Get(v, 0xFF), r.Get(v, 0), g.Get(v, 0), b.Get(v, 0));
                    else
                        dst[x] = v | 0xFF000000u;  // the fourth byte of BI_RGB pixels is unused
                    continue;
                }
            }
            if (index >= palette.size()) return DecodeStatus::kInvalidData;
            dst[x] = palette[index];
        }
    }
    return DecodeStatus::kOk;
}

}  // namespace

DecodeStatus BmpInfo(const uint8_t* data, size_t size, ImageInfo* info) {
    BmpHeader h;
    if (!ParseHeader(data, size, &h) || !DataPresent(data, size, h)) return DecodeStatus::kInvalidData;
    ImageInfo out;
    out.width = h.width;
    out.height = h.height;
    out.format = ReportedFormat(h);
    out.fileFormat = kFileBmp;
    *info = out;
    return DecodeStatus::kOk;
}

DecodeStatus BmpDecode(const uint8_t* data, size_t size, Image* image) {
    try {
        return Decode(data, size, image);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kOutOfMemory;
    }
}

}  // namespace d3dx9img::detail
