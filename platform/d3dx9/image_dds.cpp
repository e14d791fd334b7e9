// DDS reader: uncompressed pixel formats described by masks (RGB, luminance,
// alpha-only) and the DXT1-5 block formats. Only the top level of the first
// face or slice is decoded; the header tells the rest.
//
// DXT interpolation is done on the 8-bit expanded endpoints with rounding:
// colour (2*c0 + c1 + 1) / 3 and (c0 + c1 + 1) / 2, alpha (weights + 3) / 7
// and (weights + 2) / 5.
#include <new>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img {

namespace {

constexpr uint32_t kDdsdMipMapCount = 0x20000;
constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfAlpha = 0x2, kDdpfFourCC = 0x4, kDdpfRgb = 0x40,
                   kDdpfLuminance = 0x20000;
constexpr uint32_t kCaps2Cubemap = 0x200, kCaps2Volume = 0x200000;

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

void DecodeColourBlock(const uint8_t* b, bool allowTransparent, uint32_t out[16]) {
    const uint32_t c0 = detail::Le16(b), c1 = detail::Le16(b + 2);
    uint32_t r[4], g[4], bl[4], a[4] = {255, 255, 255, 255};
    r[0] = Expand5(c0 >> 11), g[0] = Expand6((c0 >> 5) & 63), bl[0] = Expand5(c0 & 31);
    r[1] = Expand5(c1 >> 11), g[1] = Expand6((c1 >> 5) & 63), bl[1] = Expand5(c1 & 31);
    if (c0 > c1 || !allowTransparent) {
        r[2] = (2 * r[0] + r[1] + 1) / 3, g[2] = (2 * g[0] + g[1] + 1) / 3, bl[2] = (2 * bl[0] + bl[1] + 1) / 3;
        r[3] = (r[0] + 2 * r[1] + 1) / 3, g[3] = (g[0] + 2 * g[1] + 1) / 3, bl[3] = (bl[0] + 2 * bl[1] + 1) / 3;
    } else {
        r[2] = (r[0] + r[1] + 1) / 2, g[2] = (g[0] + g[1] + 1) / 2, bl[2] = (bl[0] + bl[1] + 1) / 2;
        r[3] = g[3] = bl[3] = a[3] = 0;  // transparent black
    }
    const uint32_t indices = detail::Le32(b + 4);
    for (int i = 0; i < 16; ++i) {
        const uint32_t k = (indices >> (2 * i)) & 3;
        out[i] = detail::Argb(a[k], r[k], g[k], bl[k]);
    }
}

}  // namespace

uint32_t DxtBlockBytes(uint32_t format) {
    switch (format) {
        case kFmtDXT1: return 8;
        case kFmtDXT2:
        case kFmtDXT3:
        case kFmtDXT4:
        case kFmtDXT5: return 16;
        default: return 0;
    }
}

void DecodeDxtBlock(uint32_t format, const uint8_t* block, uint32_t out[16]) {
    if (format == kFmtDXT1) {
        DecodeColourBlock(block, true, out);
        return;
    }
    DecodeColourBlock(block + 8, false, out);
    uint32_t alpha[16];
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        for (int i = 0; i < 16; ++i) {
            const uint32_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 0x0F;
            alpha[i] = nibble * 17;
        }
    } else {
        const uint32_t a0 = block[0], a1 = block[1];
        uint32_t table[8] = {a0, a1, 0, 0, 0, 0, 0, 0};
        if (a0 > a1) {
            for (uint32_t i = 1; i < 7; ++i) table[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
        } else {
            for (uint32_t i = 1; i < 5; ++i) table[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
            table[6] = 0;
            table[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) alpha[i] = table[(bits >> (3 * i)) & 7];
    }
    for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0x00FFFFFFu) | (alpha[i] << 24);
}

namespace detail {
namespace {

struct DdsHeader {
    uint32_t width, height, depth, mipLevels;
    uint32_t format;
    uint32_t resourceType;
    uint32_t bitCount;  // 0 for block formats
    uint32_t pfFlags;
    uint32_t masks[4];  // R, G, B, A
};

struct MaskFormat {
    uint32_t flags;  // kDdpfRgb, kDdpfLuminance or kDdpfAlpha
    uint32_t bits, r, g, b, a;
    uint32_t format;
};

// Masks that name a D3DFORMAT; with DDPF_ALPHAPIXELS clear the alpha mask is ignored.
constexpr MaskFormat kMaskFormats[] = {
    {kDdpfRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, kFmtA8R8G8B8},
    {kDdpfRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0, kFmtX8R8G8B8},
    {kDdpfRgb, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, kFmtA8B8G8R8},
    {kDdpfRgb, 32, 0xFF, 0xFF00, 0xFF0000, 0, kFmtX8B8G8R8},
    {kDdpfRgb, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, kFmtA2R10G10B10},
    {kDdpfRgb, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, kFmtA2B10G10R10},
    {kDdpfRgb, 32, 0xFFFF, 0xFFFF0000, 0, 0, kFmtG16R16},
    {kDdpfRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0, kFmtR8G8B8},
    {kDdpfRgb, 16, 0xF800, 0x7E0, 0x1F, 0, kFmtR5G6B5},
    {kDdpfRgb, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, kFmtA1R5G5B5},
    {kDdpfRgb, 16, 0x7C00, 0x3E0, 0x1F, 0, kFmtX1R5G5B5},
    {kDdpfRgb, 16, 0xF00, 0xF0, 0xF, 0xF000, kFmtA4R4G4B4},
    {kDdpfRgb, 16, 0xF00, 0xF0, 0xF, 0, kFmtX4R4G4B4},
    {kDdpfRgb, 16, 0xE0, 0x1C, 0x3, 0xFF00, kFmtA8R3G3B2},
    {kDdpfRgb, 8, 0xE0, 0x1C, 0x3, 0, kFmtR3G3B2},
    {kDdpfLuminance, 8, 0xFF, 0, 0, 0, kFmtL8},
    {kDdpfLuminance, 16, 0xFF, 0, 0, 0xFF00, kFmtA8L8},
    {kDdpfLuminance, 8, 0xF, 0, 0, 0xF0, kFmtA4L4},
    {kDdpfLuminance, 16, 0xFFFF, 0, 0, 0, kFmtL16},
    {kDdpfAlpha, 8, 0, 0, 0, 0xFF, kFmtA8},
};

bool ParseHeader(const uint8_t* p, size_t size, DdsHeader* h) {
    if (size < 128 || p[0] != 'D' || p[1] != 'D' || p[2] != 'S' || p[3] != ' ') return false;
    if (Le32(p + 4) != 124 || Le32(p + 76) != 32) return false;
    const uint32_t flags = Le32(p + 8);
    h->height = Le32(p + 12);
    h->width = Le32(p + 16);
    if (!DimensionsAcceptable(h->width, h->height)) return false;
    const uint32_t caps2 = Le32(p + 112);
    h->resourceType = (caps2 & kCaps2Cubemap) ? kResCubeTexture : (caps2 & kCaps2Volume) ? kResVolumeTexture
                                                                                        : kResTexture;
    h->depth = h->resourceType == kResVolumeTexture ? Le32(p + 24) : 1;
    if (h->depth == 0) h->depth = 1;
    if (h->depth > kMaxDimension) return false;
    uint32_t possible = 1;
    for (uint32_t m = h->width > h->height ? h->width : h->height; m > 1; m >>= 1) ++possible;
    h->mipLevels = (flags & kDdsdMipMapCount) ? Le32(p + 28) : 1;
    if (h->mipLevels == 0) h->mipLevels = 1;
    if (h->mipLevels > possible) h->mipLevels = possible;

    h->pfFlags = Le32(p + 80);
    const uint32_t fourCC = Le32(p + 84);
    h->bitCount = 0;
    if (h->pfFlags & kDdpfFourCC) {
        if (fourCC == kFmtA16B16G16R16) {  // D3DFORMAT values also serve as FourCC codes
            h->format = fourCC;
            h->bitCount = 64;
            return true;
        }
        if (DxtBlockBytes(fourCC) == 0) return false;
        h->format = fourCC;
        return true;
    }
    h->bitCount = Le32(p + 88);
    for (int i = 0; i < 4; ++i) h->masks[i] = Le32(p + 92 + 4 * i);
    if (!(h->pfFlags & (kDdpfAlphaPixels | kDdpfAlpha))) h->masks[3] = 0;
    const uint32_t kind = h->pfFlags & (kDdpfRgb | kDdpfLuminance | kDdpfAlpha);
    for (const MaskFormat& f : kMaskFormats) {
        if (kind != f.flags) continue;
        if (f.bits == h->bitCount && f.r == h->masks[0] && f.g == h->masks[1] && f.b == h->masks[2] &&
            f.a == h->masks[3]) {
            h->format = f.format;
            return true;
        }
    }
    return false;
}

DecodeStatus Decode(const uint8_t* data, size_t size, Image* image) {
    DdsHeader h;
    if (!ParseHeader(data, size, &h)) return DecodeStatus::kInvalidData;
    const uint8_t* src = data + 128;
    const size_t available = size - 128;
    const uint32_t blockBytes = DxtBlockBytes(h.format);
    const uint64_t bw = (uint64_t(h.width) + 3) / 4, bh = (uint64_t(h.height) + 3) / 4;
    const uint64_t needed = blockBytes ? bw * bh * blockBytes : uint64_t(h.width) * h.height * (h.bitCount / 8);
    // The pixels must be there before anything is allocated for them.
    if (needed > available) return DecodeStatus::kInvalidData;
    if (!AllocatePixels(image, h.width, h.height)) return DecodeStatus::kOutOfMemory;
    uint32_t* px = image->pixels.data();

    if (blockBytes) {
        uint32_t block[16];
        for (uint64_t by = 0; by < bh; ++by) {
            for (uint64_t bx = 0; bx < bw; ++bx) {
                DecodeDxtBlock(h.format, src + (by * bw + bx) * blockBytes, block);
                for (uint32_t y = 0; y < 4; ++y) {
                    const uint64_t py = by * 4 + y;
                    if (py >= h.height) break;
                    for (uint32_t x = 0; x < 4; ++x) {
                        const uint64_t pxx = bx * 4 + x;
                        if (pxx >= h.width) break;
                        px[py * h.width + pxx] = block[y * 4 + x];
                    }
                }
            }
        }
    } else {
        const uint32_t bytes = h.bitCount / 8;
        MaskChannel r, g, b, a;
        r.Set(h.masks[0]);
        g.Set(h.masks[1]);
        b.Set(h.masks[2]);
        a.Set(h.masks[3]);
        const bool luminance = (h.pfFlags & kDdpfLuminance) != 0;
        const size_t count = size_t(h.width) * h.height;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* s = src + i * bytes;
            uint32_t v = 0;
            for (uint32_t k = 0; k < bytes && k < 4; ++k) v |= uint32_t(s[k]) << (8 * k);
            if (h.format == kFmtA16B16G16R16) {
                px[i] = Argb(s[7], s[1], s[3], s[5]);  // 16-bit R, G, B, A: high bytes
            } else if (h.format == kFmtA8) {
                px[i] = a.Get(v, 0xFF) << 24;  // alpha-only texels read as black
            } else if (luminance) {
                const uint32_t l = r.Get(v, 0);
                px[i] = Argb(a.Get(v, 0xFF), l, l, l);
            } else {
                // G16R16 has no blue: it reads as 0 there, as does any absent channel.
                px[i] = Argb(a.Get(v, 0xFF), r.Get(v, 0), g.Get(v, 0), b.Get(v, 0));
            }
        }
    }
    image->info.width = h.width;
    image->info.height = h.height;
    image->info.depth = h.depth;
    image->info.mipLevels = h.mipLevels;
    image->info.format = h.format;
    image->info.resourceType = h.resourceType;
    image->info.fileFormat = kFileDds;
    return DecodeStatus::kOk;
}

}  // namespace

}  // namespace detail

bool DdsPixelFormatOf(uint32_t format, DdsPixelFormat* out) {
    if (DxtBlockBytes(format) != 0 || format == kFmtA16B16G16R16) {
        *out = DdsPixelFormat();
        out->flags = kDdpfFourCC;
        out->fourCC = format;
        return true;
    }
    for (const detail::MaskFormat& f : detail::kMaskFormats) {
        if (f.format != format) continue;
        *out = DdsPixelFormat();
        out->flags = f.flags | ((f.a != 0 && f.flags != kDdpfAlpha) ? kDdpfAlphaPixels : 0);
        out->bitCount = f.bits;
        out->masks[0] = f.r;
        out->masks[1] = f.g;
        out->masks[2] = f.b;
        out->masks[3] = f.a;
        return true;
    }
    return false;
}

namespace detail {

DecodeStatus DdsInfo(const uint8_t* data, size_t size, ImageInfo* info) {
    DdsHeader h;
    if (!ParseHeader(data, size, &h)) return DecodeStatus::kInvalidData;
    ImageInfo out;
    out.width = h.width;
    out.height = h.height;
    out.depth = h.depth;
    out.mipLevels = h.mipLevels;
    out.format = h.format;
    out.resourceType = h.resourceType;
    out.fileFormat = kFileDds;
    *info = out;
    return DecodeStatus::kOk;
}

DecodeStatus DdsDecode(const uint8_t* data, size_t size, Image* image) {
    try {
        return Decode(data, size, image);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kOutOfMemory;
    }
}

}  // namespace detail
}  // namespace d3dx9img
