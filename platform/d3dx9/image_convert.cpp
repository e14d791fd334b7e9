// Colour key, resampling and pixel-format packing.
#include "platform/d3dx9/image_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img {
namespace {

uint32_t A(uint32_t v) { return v >> 24; }
uint32_t R(uint32_t v) { return (v >> 16) & 0xFF; }
uint32_t G(uint32_t v) { return (v >> 8) & 0xFF; }
uint32_t B(uint32_t v) { return v & 0xFF; }
uint32_t Luminance(uint32_t v) { return (R(v) * 2126 + G(v) * 7152 + B(v) * 722 + 5000) / 10000; }

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint32_t Widen10(uint32_t v8) { return (v8 << 2) | (v8 >> 6); }
uint32_t From2(uint32_t v) { return v * 85; }
uint32_t From3(uint32_t v) { return (v << 5) | (v << 2) | (v >> 1); }
uint32_t From4(uint32_t v) { return v * 17; }
uint32_t From5(uint32_t v) { return (v << 3) | (v >> 2); }
uint32_t From6(uint32_t v) { return (v << 2) | (v >> 4); }

// Per-axis weights of the area filter: destination pixel d covers source
// coordinates [d*src, (d+1)*src) in units of 1/dst pixel; each source pixel i
// covers [i*dst, (i+1)*dst). The overlaps of one destination pixel add up to src.
struct AxisSpan {
    uint32_t first;
    std::vector<uint32_t> weights;
};

std::vector<AxisSpan> AreaWeights(uint32_t src, uint32_t dst) {
    std::vector<AxisSpan> spans(dst);
    for (uint32_t d = 0; d < dst; ++d) {
        const uint64_t lo = uint64_t(d) * src, hi = uint64_t(d + 1) * src;
        const uint32_t first = uint32_t(lo / dst);
        uint32_t last = uint32_t((hi - 1) / dst);
        if (last >= src) last = src - 1;
        spans[d].first = first;
        for (uint32_t i = first; i <= last; ++i) {
            const uint64_t a = uint64_t(i) * dst, b = uint64_t(i + 1) * dst;
            const uint64_t overlap = (b < hi ? b : hi) - (a > lo ? a : lo);
            spans[d].weights.push_back(uint32_t(overlap));
        }
    }
    return spans;
}

}  // namespace

void ApplyColorKey(std::vector<uint32_t>& pixels, uint32_t key) {
    if (key == 0) return;
    for (uint32_t& v : pixels)
        if (v == key) v = 0;
}

bool Resample(const uint32_t* source, uint32_t sourceWidth, const PixelRect& rect, uint32_t dstWidth,
              uint32_t dstHeight, uint32_t filterKind, std::vector<uint32_t>* out) {
    if (filterKind < kFilterNone || filterKind > kFilterBox) return false;
    if (rect.right < rect.left || rect.bottom < rect.top || rect.right > sourceWidth) return false;
    const uint32_t sw = rect.Width(), sh = rect.Height();
    out->assign(size_t(dstWidth) * dstHeight, 0);
    if (dstWidth == 0 || dstHeight == 0) return true;
    auto at = [&](uint32_t x, uint32_t y) { return source[size_t(rect.top + y) * sourceWidth + rect.left + x]; };
    uint32_t* dst = out->data();

    if (sw == 0 || sh == 0) return true;  // nothing to read: transparent black
    if (filterKind == kFilterNone || (sw == dstWidth && sh == dstHeight)) {
        for (uint32_t y = 0; y < dstHeight && y < sh; ++y)
            for (uint32_t x = 0; x < dstWidth && x < sw; ++x) dst[size_t(y) * dstWidth + x] = at(x, y);
        return true;
    }
    if (filterKind == kFilterPoint) {
        for (uint32_t y = 0; y < dstHeight; ++y) {
            const uint32_t sy = uint32_t((uint64_t(2 * uint64_t(y) + 1) * sh) / (2 * uint64_t(dstHeight)));
            for (uint32_t x = 0; x < dstWidth; ++x) {
                const uint32_t sx = uint32_t((uint64_t(2 * uint64_t(x) + 1) * sw) / (2 * uint64_t(dstWidth)));
                dst[size_t(y) * dstWidth + x] = at(sx, sy);
            }
        }
        return true;
    }
    if (filterKind == kFilterLinear) {
        for (uint32_t y = 0; y < dstHeight; ++y) {
            double fy = (y + 0.5) * sh / dstHeight - 0.5;
            if (fy < 0) fy = 0;
            const uint32_t y0 = uint32_t(fy) < sh - 1 ? uint32_t(fy) : sh - 1;
            const uint32_t y1 = y0 + 1 < sh ? y0 + 1 : y0;
            const double ty = fy - y0 > 1.0 ? 1.0 : fy - y0;
            for (uint32_t x = 0; x < dstWidth; ++x) {
                double fx = (x + 0.5) * sw / dstWidth - 0.5;
                if (fx < 0) fx = 0;
                const uint32_t x0 = uint32_t(fx) < sw - 1 ? uint32_t(fx) : sw - 1;
                const uint32_t x1 = x0 + 1 < sw ? x0 + 1 : x0;
                const double tx = fx - x0 > 1.0 ? 1.0 : fx - x0;
                const uint32_t p00 = at(x0, y0), p10 = at(x1, y0), p01 = at(x0, y1), p11 = at(x1, y1);
                uint32_t result = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    const double c00 = (p00 >> shift) & 0xFF, c10 = (p10 >> shift) & 0xFF;
                    const double c01 = (p01 >> shift) & 0xFF, c11 = (p11 >> shift) & 0xFF;
                    const double top = c00 + (c10 - c00) * tx, bottom = c01 + (c11 - c01) * tx;
                    const uint32_t c = uint32_t(std::lround(top + (bottom - top) * ty));
                    result |= (c > 255 ? 255 : c) << shift;
                }
                dst[size_t(y) * dstWidth + x] = result;
            }
        }
        return true;
    }

    // TRIANGLE and BOX: area average with exact integer weights.
    const std::vector<AxisSpan> xs = AreaWeights(sw, dstWidth);
    const std::vector<AxisSpan> ys = AreaWeights(sh, dstHeight);
    const uint64_t total = uint64_t(sw) * sh;
    for (uint32_t y = 0; y < dstHeight; ++y) {
        const AxisSpan& sy = ys[y];
        for (uint32_t x = 0; x < dstWidth; ++x) {
            const AxisSpan& sx = xs[x];
            uint64_t sum[4] = {0, 0, 0, 0};
            for (size_t j = 0; j < sy.weights.size(); ++j) {
                for (size_t i = 0; i < sx.weights.size(); ++i) {
                    const uint64_t w = uint64_t(sy.weights[j]) * sx.weights[i];
                    const uint32_t p = at(sx.first + uint32_t(i), sy.first + uint32_t(j));
                    sum[0] += w * B(p);
                    sum[1] += w * G(p);
                    sum[2] += w * R(p);
                    sum[3] += w * A(p);
                }
            }
            uint32_t result = 0;
            for (int c = 0; c < 4; ++c) result |= uint32_t((sum[c] + total / 2) / total) << (8 * c);
            dst[size_t(y) * dstWidth + x] = result;
        }
    }
    return true;
}

uint32_t FormatBytesPerPixel(uint32_t format) {
    switch (format) {
        case kFmtA8R8G8B8:
        case kFmtX8R8G8B8:
        case kFmtA8B8G8R8:
        case kFmtX8B8G8R8:
        case kFmtA2R10G10B10:
        case kFmtA2B10G10R10:
        case kFmtG16R16: return 4;
        case kFmtR8G8B8: return 3;
        case kFmtR5G6B5:
        case kFmtX1R5G5B5:
        case kFmtA1R5G5B5:
        case kFmtA4R4G4B4:
        case kFmtX4R4G4B4:
        case kFmtA8R3G3B2:
        case kFmtA8L8:
        case kFmtL16: return 2;
        case kFmtR3G3B2:
        case kFmtA8:
        case kFmtL8:
        case kFmtA4L4: return 1;
        case kFmtA16B16G16R16: return 8;
        default: return 0;
    }
}

bool IsBlockFormat(uint32_t format) { return DxtBlockBytes(format) != 0; }

bool PackRow(const uint32_t* argb, uint32_t count, uint32_t format, uint8_t* dst) {
    const uint32_t bpp = FormatBytesPerPixel(format);
    if (bpp == 0) return false;
    for (uint32_t i = 0; i < count; ++i, dst += bpp) {
        const uint32_t v = argb[i];
        const uint32_t a = A(v), r = R(v), g = G(v), b = B(v);
        switch (format) {
            case kFmtA8R8G8B8: Put32(dst, v); break;
            case kFmtX8R8G8B8: Put32(dst, v | 0xFF000000u); break;
            case kFmtA8B8G8R8: Put32(dst, (a << 24) | (b << 16) | (g << 8) | r); break;
            case kFmtX8B8G8R8: Put32(dst, 0xFF000000u | (b << 16) | (g << 8) | r); break;
            case kFmtA2R10G10B10:
                Put32(dst, ((a >> 6) << 30) | (Widen10(r) << 20) | (Widen10(g) << 10) | Widen10(b));
                break;
            case kFmtA2B10G10R10:
                Put32(dst, ((a >> 6) << 30) | (Widen10(b) << 20) | (Widen10(g) << 10) | Widen10(r));
                break;
            case kFmtG16R16: Put32(dst, ((g * 257) << 16) | (r * 257)); break;
            case kFmtR8G8B8:
                dst[0] = uint8_t(b);
                dst[1] = uint8_t(g);
                dst[2] = uint8_t(r);
                break;
            case kFmtR5G6B5: Put16(dst, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); break;
            case kFmtX1R5G5B5: Put16(dst, 0x8000 | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
            case kFmtA1R5G5B5: Put16(dst, ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
            case kFmtA4R4G4B4: Put16(dst, ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)); break;
            case kFmtX4R4G4B4: Put16(dst, 0xF000 | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)); break;
            case kFmtA8R3G3B2: Put16(dst, (a << 8) | ((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6)); break;
            case kFmtR3G3B2: dst[0] = uint8_t(((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6)); break;
            case kFmtA8: dst[0] = uint8_t(a); break;
            case kFmtL8: dst[0] = uint8_t(Luminance(v)); break;
            case kFmtA8L8: Put16(dst, (a << 8) | Luminance(v)); break;
            case kFmtA4L4: dst[0] = uint8_t(((a >> 4) << 4) | (Luminance(v) >> 4)); break;
            case kFmtL16: Put16(dst, Luminance(v) * 257); break;
            case kFmtA16B16G16R16:
                Put16(dst, r * 257);
                Put16(dst + 2, g * 257);
                Put16(dst + 4, b * 257);
                Put16(dst + 6, a * 257);
                break;
            default: return false;
        }
    }
    return true;
}

bool UnpackRow(const uint8_t* src, uint32_t count, uint32_t format, uint32_t* argb) {
    const uint32_t bpp = FormatBytesPerPixel(format);
    if (bpp == 0) return false;
    using detail::Argb;
    using detail::Le16;
    using detail::Le32;
    for (uint32_t i = 0; i < count; ++i, src += bpp) {
        uint32_t& o = argb[i];
        switch (format) {
            case kFmtA8R8G8B8: o = Le32(src); break;
            case kFmtX8R8G8B8: o = Le32(src) | 0xFF000000u; break;
            case kFmtA8B8G8R8:
            case kFmtX8B8G8R8: {
                const uint32_t v = Le32(src);
                o = Argb(format == kFmtA8B8G8R8 ? v >> 24 : 0xFF, v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
                break;
            }
            case kFmtA2R10G10B10:
            case kFmtA2B10G10R10: {
                const uint32_t v = Le32(src);
                const uint32_t hi = ((v >> 20) & 0x3FF) >> 2, mid = ((v >> 10) & 0x3FF) >> 2, lo = (v & 0x3FF) >> 2;
                o = format == kFmtA2R10G10B10 ? Argb(From2(v >> 30), hi, mid, lo) : Argb(From2(v >> 30), lo, mid, hi);
                break;
            }
            case kFmtG16R16: {
                const uint32_t v = Le32(src);
                o = Argb(0xFF, (v & 0xFFFF) >> 8, v >> 24, 0);
                break;
            }
            case kFmtR8G8B8: o = Argb(0xFF, src[2], src[1], src[0]); break;
            case kFmtR5G6B5: {
                const uint32_t v = Le16(src);
                o = Argb(0xFF, From5(v >> 11), From6((v >> 5) & 63), From5(v & 31));
                break;
            }
            case kFmtX1R5G5B5:
            case kFmtA1R5G5B5: {
                const uint32_t v = Le16(src);
                const uint32_t a = format == kFmtX1R5G5B5 || (v & 0x8000) ? 0xFF : 0;
                o = Argb(a, From5((v >> 10) & 31), From5((v >> 5) & 31), From5(v & 31));
                break;
            }
            case kFmtA4R4G4B4:
            case kFmtX4R4G4B4: {
                const uint32_t v = Le16(src);
                const uint32_t a = format == kFmtX4R4G4B4 ? 0xFF : From4(v >> 12);
                o = Argb(a, From4((v >> 8) & 15), From4((v >> 4) & 15), From4(v & 15));
                break;
            }
            case kFmtA8R3G3B2:
            case kFmtR3G3B2: {
                const uint32_t v = format == kFmtR3G3B2 ? src[0] : Le16(src);
                const uint32_t a = format == kFmtR3G3B2 ? 0xFF : v >> 8;
                o = Argb(a, From3((v >> 5) & 7), From3((v >> 2) & 7), From2(v & 3));
                break;
            }
            case kFmtA8: o = uint32_t(src[0]) << 24; break;
            case kFmtL8: o = Argb(0xFF, src[0], src[0], src[0]); break;
            case kFmtA8L8: o = Argb(src[1], src[0], src[0], src[0]); break;
            case kFmtA4L4: {
                const uint32_t l = From4(src[0] & 15);
                o = Argb(From4(src[0] >> 4), l, l, l);
                break;
            }
            case kFmtL16: o = Argb(0xFF, src[1], src[1], src[1]); break;
            case kFmtA16B16G16R16: o = Argb(src[7], src[1], src[3], src[5]); break;
            default: return false;
        }
    }
    return true;
}

namespace {

uint32_t To565(uint32_t r, uint32_t g, uint32_t b) { return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3); }

uint32_t Distance(uint32_t p, uint32_t q) {
    const int dr = int(R(p)) - int(R(q)), dg = int(G(p)) - int(G(q)), db = int(B(p)) - int(B(q));
    return uint32_t(dr * dr + dg * dg + db * db);
}

void EncodeColourBlock(const uint32_t in[16], bool dxt1, uint8_t* block) {
    bool transparent = false;
    int first = -1, second = -1;
    uint32_t widest = 0;
    for (int i = 0; i < 16; ++i) {
        if (dxt1 && A(in[i]) < 128) {
            transparent = true;
            continue;
        }
        if (first < 0) first = second = i;
        for (int j = 0; j < i; ++j) {
            if (dxt1 && A(in[j]) < 128) continue;
            const uint32_t d = Distance(in[i], in[j]);
            if (d > widest) widest = d, first = i, second = j;
        }
    }
    uint32_t c0 = 0, c1 = 0;  // every texel transparent: black endpoints
    if (first >= 0) {
        c0 = To565(R(in[first]), G(in[first]), B(in[first]));
        c1 = To565(R(in[second]), G(in[second]), B(in[second]));
    }
    // Four-colour blocks need c0 > c1; DXT1 blocks with transparent texels c0 <= c1.
    if (transparent ? c0 > c1 : c0 < c1) std::swap(c0, c1);
    uint8_t candidate[8];
    Put16(candidate, c0);
    Put16(candidate + 2, c1);
    std::memset(candidate + 4, 0, 4);
    // Decode a probe block whose texels 0..3 take indices 0..3 to learn the palette.
    candidate[4] = 0xE4;
    uint8_t probe[16] = {};
    std::memcpy(dxt1 ? probe : probe + 8, candidate, 8);
    uint32_t palette[16];
    DecodeDxtBlock(dxt1 ? kFmtDXT1 : kFmtDXT3, probe, palette);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (transparent && A(in[i]) < 128) {
            best = 3;
        } else {
            const uint32_t choices = transparent ? 3 : 4;
            for (uint32_t k = 1; k < choices; ++k)
                if (Distance(in[i], palette[k]) < Distance(in[i], palette[best])) best = k;
        }
        indices |= best << (2 * i);
    }
    Put16(block, c0);
    Put16(block + 2, c1);
    Put32(block + 4, indices);
}

}  // namespace

void EncodeDxtBlock(uint32_t format, const uint32_t in[16], uint8_t* block) {
    if (format == kFmtDXT1) {
        EncodeColourBlock(in, true, block);
        return;
    }
    EncodeColourBlock(in, false, block + 8);
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        std::memset(block, 0, 8);
        for (int i = 0; i < 16; ++i) block[i / 2] |= uint8_t((A(in[i]) >> 4) << ((i & 1) * 4));
        return;
    }
    uint32_t lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) lo = std::min(lo, A(in[i])), hi = std::max(hi, A(in[i]));
    block[0] = uint8_t(hi);
    block[1] = uint8_t(lo);
    uint32_t table[8] = {hi, lo, 0, 0, 0, 0, 0, 0};
    if (hi > lo)
        for (uint32_t i = 1; i < 7; ++i) table[i + 1] = ((7 - i) * hi + i * lo + 3) / 7;
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (hi > lo) {
            for (uint32_t k = 1; k < 8; ++k) {
                const uint32_t dk = table[k] > A(in[i]) ? table[k] - A(in[i]) : A(in[i]) - table[k];
                const uint32_t db = table[best] > A(in[i]) ? table[best] - A(in[i]) : A(in[i]) - table[best];
                if (dk < db) best = k;
            }
        }
        bits |= uint64_t(best) << (3 * i);
    }
    for (int i = 0; i < 6; ++i) block[2 + i] = uint8_t(bits >> (8 * i));
}

}  // namespace d3dx9img
