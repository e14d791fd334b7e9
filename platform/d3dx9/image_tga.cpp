// TGA reader: colour-mapped, true-colour and grey pictures, plain or
// run-length encoded, either origin. TGA has no signature, so the header's
// fields are checked for sanity before anything is read.
#include "platform/d3dx9/image_decode.h"

#include <new>
#include <utility>
#include <vector>

namespace d3dx9img::detail {
namespace {

constexpr size_t kHeaderSize = 18;

struct TgaHeader {
    uint32_t idLength;
    uint32_t mapType;
    uint32_t imageType;
    uint32_t mapFirst;
    uint32_t mapLength;
    uint32_t mapEntryBits;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    uint32_t descriptor;

    uint32_t BaseType() const { return imageType & 7; }  // 1 mapped, 2 true colour, 3 grey
    bool Rle() const { return imageType >= 9; }
    uint32_t AlphaBits() const { return descriptor & 0x0F; }
    bool RightToLeft() const { return (descriptor & 0x10) != 0; }
    bool TopDown() const { return (descriptor & 0x20) != 0; }
};

bool ParseHeader(const uint8_t* p, size_t size, TgaHeader* h) {
    if (size < kHeaderSize) return false;
    h->idLength = p[0];
    h->mapType = p[1];
    h->imageType = p[2];
    h->mapFirst = Le16(p + 3);
    h->mapLength = Le16(p + 5);
    h->mapEntryBits = p[7];
    h->width = Le16(p + 12);
    h->height = Le16(p + 14);
    h->bits = p[16];
    h->descriptor = p[17];

    if (h->mapType > 1) return false;
    if (h->imageType != 1 && h->imageType != 2 && h->imageType != 3 && h->imageType != 9 &&
        h->imageType != 10 && h->imageType != 11)
        return false;
    if ((h->descriptor & 0xC0) != 0) return false;  // interleaving: never written in practice
    if (!DimensionsAcceptable(h->width, h->height)) return false;
    switch (h->BaseType()) {
        case 1:
            if (h->mapType != 1 || h->bits != 8 || h->mapLength == 0) return false;
            if (h->mapEntryBits != 15 && h->mapEntryBits != 16 && h->mapEntryBits != 24 && h->mapEntryBits != 32)
                return false;
            break;
        case 2:
            if (h->bits != 15 && h->bits != 16 && h->bits != 24 && h->bits != 32) return false;
            break;
        case 3:
            if (h->bits != 8 && h->bits != 16) return false;
            break;
    }
    // A colour map that is present but unused must still have a sane entry size.
    if (h->mapType == 1 && h->BaseType() != 1 && h->mapEntryBits != 15 && h->mapEntryBits != 16 &&
        h->mapEntryBits != 24 && h->mapEntryBits != 32)
        return false;
    return true;
}

uint32_t ReportedFormat(const TgaHeader& h) {
    switch (h.BaseType()) {
        case 1: return kFmtP8;
        case 3: return h.bits == 8 ? kFmtL8 : kFmtA8L8;
        default:
            switch (h.bits) {
                case 15: return kFmtX1R5G5B5;
                case 16: return h.AlphaBits() > 0 ? kFmtA1R5G5B5 : kFmtX1R5G5B5;
                case 24: return kFmtR8G8B8;
                default: return kFmtA8R8G8B8;
            }
    }
}

// One stored colour (true colour or map entry) as ARGB.
uint32_t ColourOf(const uint8_t* p, uint32_t bits, bool alpha16) {
    switch (bits) {
        case 15:
        case 16: {
            const uint32_t v = Le16(p);
            const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            const uint32_t a = (bits == 16 && alpha16) ? ((v & 0x8000) ? 0xFF : 0) : 0xFF;
            return Argb(a, (r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
        }
        case 24: return Argb(0xFF, p[2], p[1], p[0]);
        default: return Argb(p[3], p[2], p[1], p[0]);
    }
}

// The file must be able to hold the pixels after its ID field and colour map
// before anything is allocated: plain data in full; RLE has no codes that skip
// pixels, and its densest packet is one header byte and one pixel for 128.
bool DataPresent(const TgaHeader& h, size_t size) {
    const uint64_t mapBytes = h.mapType == 1 ? uint64_t((h.mapEntryBits + 7) / 8) * h.mapLength : 0;
    const uint64_t start = kHeaderSize + h.idLength + mapBytes;
    const uint64_t count = uint64_t(h.width) * h.height, bytesPerPixel = (h.bits + 7) / 8;
    const uint64_t needed = h.Rle() ? (count + 127) / 128 * (1 + bytesPerPixel) : count * bytesPerPixel;
    return start <= size && needed <= size - start;
}

DecodeStatus Decode(const uint8_t* data, size_t size, Image* image) {
    TgaHeader h;
    if (!ParseHeader(data, size, &h) || !DataPresent(h, size)) return DecodeStatus::kInvalidData;
    size_t pos = kHeaderSize + h.idLength;
    const bool alpha16 = h.AlphaBits() > 0;

    // Colour map: entries mapFirst .. mapFirst + mapLength - 1.
    std::vector<uint32_t> map;
    if (h.mapType == 1) {
        const size_t entryBytes = (h.mapEntryBits + 7) / 8;
        const size_t mapBytes = entryBytes * h.mapLength;
        if (h.BaseType() == 1) {
            map.resize(h.mapLength);
            for (uint32_t i = 0; i < h.mapLength; ++i)
                map[i] = ColourOf(data + pos + i * entryBytes, h.mapEntryBits, alpha16);
        }
        pos += mapBytes;
    }

    const uint32_t bytesPerPixel = (h.bits + 7) / 8;
    auto toArgb = [&](const uint8_t* p, uint32_t* out) -> bool {
        switch (h.BaseType()) {
            case 1: {
                const uint32_t index = p[0];
                if (index < h.mapFirst || index - h.mapFirst >= map.size()) return false;
                *out = map[index - h.mapFirst];
                return true;
            }
            case 3:
                *out = h.bits == 8 ? Argb(0xFF, p[0], p[0], p[0]) : Argb(p[1], p[0], p[0], p[0]);
                return true;
            default: *out = ColourOf(p, h.bits, alpha16); return true;
        }
    };

    if (!AllocatePixels(image, h.width, h.height)) return DecodeStatus::kOutOfMemory;
    // Pixels arrive in file order; the origin bits place them afterwards.
    std::vector<uint32_t>& px = image->pixels;
    const size_t count = px.size();
    if (!h.Rle()) {
        for (size_t i = 0; i < count; ++i)
            if (!toArgb(data + pos + i * bytesPerPixel, &px[i])) return DecodeStatus::kInvalidData;
    } else {
        size_t i = 0;
        while (i < count) {
            if (pos >= size) return DecodeStatus::kInvalidData;
            const uint8_t packet = data[pos++];
            const size_t run = (packet & 0x7F) + 1;
            if (run > count - i) return DecodeStatus::kInvalidData;
            if (packet & 0x80) {
                if (bytesPerPixel > size - pos) return DecodeStatus::kInvalidData;
                uint32_t colour;
                if (!toArgb(data + pos, &colour)) return DecodeStatus::kInvalidData;
                pos += bytesPerPixel;
                for (size_t k = 0; k < run; ++k) px[i++] = colour;
            } else {
                if (run * bytesPerPixel > size - pos) return DecodeStatus::kInvalidData;
                for (size_t k = 0; k < run; ++k, pos += bytesPerPixel)
                    if (!toArgb(data + pos, &px[i++])) return DecodeStatus::kInvalidData;
            }
        }
    }

    const uint32_t w = h.width, hh = h.height;
    if (!h.TopDown()) {
        for (uint32_t y = 0; y < hh / 2; ++y)
            for (uint32_t x = 0; x < w; ++x) std::swap(px[size_t(y) * w + x], px[size_t(hh - 1 - y) * w + x]);
    }
    if (h.RightToLeft()) {
        for (uint32_t y = 0; y < hh; ++y)
            for (uint32_t x = 0; x < w / 2; ++x) std::swap(px[size_t(y) * w + x], px[size_t(y) * w + (w - 1 - x)]);
    }
    image->info.width = w;
    image->info.height = hh;
    image->info.format = ReportedFormat(h);
    image->info.fileFormat = kFileTga;
    return DecodeStatus::kOk;
}

}  // namespace

DecodeStatus TgaInfo(const uint8_t* data, size_t size, ImageInfo* info) {
    TgaHeader h;
    if (!ParseHeader(data, size, &h) || !DataPresent(h, size)) return DecodeStatus::kInvalidData;
    ImageInfo out;
    out.width = h.width;
    out.height = h.height;
    out.format = ReportedFormat(h);
    out.fileFormat = kFileTga;
    *info = out;
    return DecodeStatus::kOk;
}

DecodeStatus TgaDecode(const uint8_t* data, size_t size, Image* image) {
    try {
        return Decode(data, size, image);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kOutOfMemory;
    }
}

}  // namespace d3dx9img::detail
