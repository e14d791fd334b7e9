// Colour key, resampling and pixel-format packing.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/d3dx9/image_test_util.h"

using namespace d3dx9img;

namespace {

std::vector<uint32_t> Stretch(const std::vector<uint32_t>& src, uint32_t srcWidth, PixelRect rect, uint32_t dw,
                          uint32_t dh, uint32_t kind) {
    std::vector<uint32_t> out;
    EXPECT_TRUE(Resample(src.data(), srcWidth, rect, dw, dh, kind, &out));
    return out;
}

std::vector<uint32_t> Noise(size_t n, uint32_t seed) {
    std::vector<uint32_t> v(n);
    for (uint32_t& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = seed;
    }
    return v;
}

TEST(ImageColorKey, MatchesTheFullArgbOnly) {
    std::vector<uint32_t> px = {0xFF00FF00, 0x0000FF00, 0xFF00FF01, 0xFF00FF00, 0x00000002};
    ApplyColorKey(px, 0xFF00FF00);
    EXPECT_EQ(px, (std::vector<uint32_t>{0, 0x0000FF00, 0xFF00FF01, 0, 0x00000002}));
    // Key 0 is "no key"; key 2 only meets fully clear pixels of RGB (0, 0, 2).
    std::vector<uint32_t> keep = {0x00000000, 0xFF000002, 0x00000002};
    ApplyColorKey(keep, 0);
    EXPECT_EQ(keep, (std::vector<uint32_t>{0x00000000, 0xFF000002, 0x00000002}));
    ApplyColorKey(keep, 2);
    EXPECT_EQ(keep, (std::vector<uint32_t>{0x00000000, 0xFF000002, 0x00000000}));
}

TEST(ImageResample, EqualSizesCopyExactlyWithEveryFilter) {
    const std::vector<uint32_t> src = Noise(7 * 5, 1);
    for (uint32_t kind = kFilterNone; kind <= kFilterBox; ++kind) {
        EXPECT_EQ(Stretch(src, 7, {0, 0, 7, 5}, 7, 5, kind), src) << "filter " << kind;
        // A sub-rectangle of the same size as the destination is its exact copy.
        const std::vector<uint32_t> part = Stretch(src, 7, {2, 1, 5, 4}, 3, 3, kind);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(part[y * 3 + x], src[(y + 1) * 7 + x + 2]) << kind;
    }
}

TEST(ImageResample, AreaFilterHandChecked) {
    // 2:1 down: each destination pixel averages a 2 x 2 block, rounded to nearest.
    // Block 0 channels: B 10, 20, 30, 41 -> 101 / 4 = 25.25 -> 25; A 0, 0, 255, 255 -> 127.5 -> 128.
    const std::vector<uint32_t> src = {0x0000000A, 0x00000014, 0xFF00FF00, 0xFF00FF00,
                                       0xFF00001E, 0xFF000029, 0xFF00FF00, 0xFF00FF00};
    EXPECT_EQ(Stretch(src, 4, {0, 0, 4, 2}, 2, 1, kFilterTriangle), (std::vector<uint32_t>{0x80000019, 0xFF00FF00}));
    EXPECT_EQ(Stretch(src, 4, {0, 0, 4, 2}, 2, 1, kFilterBox), (std::vector<uint32_t>{0x80000019, 0xFF00FF00}));
    // 1:2 up: exact replication (each destination pixel lies inside one source pixel).
    EXPECT_EQ(Stretch({0xFF102030, 0x80405060}, 2, {0, 0, 2, 1}, 4, 2, kFilterTriangle),
              (std::vector<uint32_t>{0xFF102030, 0xFF102030, 0x80405060, 0x80405060, 0xFF102030, 0xFF102030,
                                     0x80405060, 0x80405060}));
    // 3 -> 2: pixel 0 covers source [0, 1.5): (2 * 0 + 1 * 90) / 3 = 30; pixel 1: (90 + 2 * 180) / 3 = 150.
    EXPECT_EQ(Stretch({0x00, 90, 180}, 3, {0, 0, 3, 1}, 2, 1, kFilterTriangle), (std::vector<uint32_t>{30, 150}));
    // 2 -> 3: pixel 1 straddles both sources equally: (0 + 99) / 2 = 49.5 -> 50.
    EXPECT_EQ(Stretch({0, 99}, 2, {0, 0, 2, 1}, 3, 1, kFilterTriangle), (std::vector<uint32_t>{0, 50, 99}));
}

TEST(ImageResample, PointNoneAndLinear) {
    const std::vector<uint32_t> row = {1, 2, 3, 4};
    EXPECT_EQ(Stretch(row, 4, {0, 0, 4, 1}, 2, 1, kFilterPoint), (std::vector<uint32_t>{2, 4}));
    EXPECT_EQ(Stretch(row, 4, {0, 0, 4, 1}, 8, 1, kFilterPoint), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
    // NONE does not scale: what the source does not cover is transparent black.
    EXPECT_EQ(Stretch(row, 4, {1, 0, 3, 1}, 4, 1, kFilterNone), (std::vector<uint32_t>{2, 3, 0, 0}));
    EXPECT_EQ(Stretch(row, 4, {0, 0, 4, 1}, 2, 1, kFilterNone), (std::vector<uint32_t>{1, 2}));
    // LINEAR: 2 -> 4 samples at source 0.25-steps, clamped at the edges.
    EXPECT_EQ(Stretch({0, 100}, 2, {0, 0, 2, 1}, 4, 1, kFilterLinear), (std::vector<uint32_t>{0, 25, 75, 100}));

    std::vector<uint32_t> out;
    EXPECT_FALSE(Resample(row.data(), 4, {0, 0, 4, 1}, 2, 1, 0, &out));
    EXPECT_FALSE(Resample(row.data(), 4, {0, 0, 4, 1}, 2, 1, 6, &out));
    EXPECT_FALSE(Resample(row.data(), 4, {0, 0, 5, 1}, 2, 1, kFilterPoint, &out));
}

TEST(ImageResample, NonPowerOfTwoStretchKeepsUniformAreasAndStaysInBounds) {
    // 300 x 200 -> 512 x 256, as textures are made: uniform halves stay uniform.
    std::vector<uint32_t> src(300 * 200);
    for (uint32_t y = 0; y < 200; ++y)
        for (uint32_t x = 0; x < 300; ++x) src[y * 300 + x] = x < 151 ? 0xFF112233 : 0x80445566;
    const std::vector<uint32_t> out = Stretch(src, 300, {0, 0, 300, 200}, 512, 256, kFilterTriangle);
    ASSERT_EQ(out.size(), 512u * 256u);
    EXPECT_EQ(out[0], 0xFF112233u);
    EXPECT_EQ(out[255 * 512 + 255], 0xFF112233u);
    EXPECT_EQ(out[511], 0x80445566u);
    EXPECT_EQ(out[255 * 512 + 511], 0x80445566u);
    // Destination x 257 covers source x 150.59..151.17, across the edge: a blend.
    const uint32_t seam = out[257];
    EXPECT_NE(seam, 0xFF112233u);
    EXPECT_NE(seam, 0x80445566u);
}

TEST(ImagePack, KnownValuesPerFormat) {
    const uint32_t v = 0x80FF8040;
    auto pack = [&](uint32_t format) {
        std::vector<uint8_t> out(FormatBytesPerPixel(format));
        EXPECT_TRUE(PackRow(&v, 1, format, out.data())) << format;
        uint64_t word = 0;
        for (size_t i = 0; i < out.size(); ++i) word |= uint64_t(out[i]) << (8 * i);
        return word;
    };
    EXPECT_EQ(pack(kFmtA8R8G8B8), 0x80FF8040u);
    EXPECT_EQ(pack(kFmtX8R8G8B8), 0xFFFF8040u);
    EXPECT_EQ(pack(kFmtA8B8G8R8), 0x804080FFu);
    EXPECT_EQ(pack(kFmtX8B8G8R8), 0xFF4080FFu);
    EXPECT_EQ(pack(kFmtA2R10G10B10), 0xBFF80901u);  // 2 << 30 | 0x3FF << 20 | 0x202 << 10 | 0x101
    EXPECT_EQ(pack(kFmtA2B10G10R10), 0x90180BFFu);
    EXPECT_EQ(pack(kFmtG16R16), 0x8080FFFFu);
    EXPECT_EQ(pack(kFmtL16), 0x9696u);
    EXPECT_EQ(pack(kFmtR8G8B8), 0xFF8040u);
    EXPECT_EQ(pack(kFmtR5G6B5), 0xFC08u);    // 31 << 11 | 32 << 5 | 8
    EXPECT_EQ(pack(kFmtA1R5G5B5), 0xFE08u);  // 1 << 15 | 31 << 10 | 16 << 5 | 8
    EXPECT_EQ(pack(kFmtX1R5G5B5), 0xFE08u);
    EXPECT_EQ(pack(kFmtA4R4G4B4), 0x8F84u);
    EXPECT_EQ(pack(kFmtX4R4G4B4), 0xFF84u);
    EXPECT_EQ(pack(kFmtA8), 0x80u);
    EXPECT_EQ(pack(kFmtR3G3B2), 0xF1u);  // 7 << 5 | 4 << 2 | 1
    EXPECT_EQ(pack(kFmtA8R3G3B2), 0x80F1u);
    // Luminance (Rec. 709): (255 * 2126 + 128 * 7152 + 64 * 722 + 5000) / 10000 = 150.
    EXPECT_EQ(pack(kFmtL8), 150u);
    EXPECT_EQ(pack(kFmtA8L8), 0x8096u);
    EXPECT_EQ(pack(kFmtA4L4), 0x89u);
    EXPECT_EQ(pack(kFmtA16B16G16R16), 0x808040408080FFFFull);
    // A1 keeps the alpha's top bit: 0x7F is clear.
    const uint32_t clear = 0x7FFFFFFF;
    uint8_t two[2];
    ASSERT_TRUE(PackRow(&clear, 1, kFmtA1R5G5B5, two));
    EXPECT_EQ(two[1] & 0x80, 0);
    // Formats nobody packs here.
    uint8_t sink[8];
    EXPECT_FALSE(PackRow(&v, 1, kFmtP8, sink));
    EXPECT_FALSE(PackRow(&v, 1, kFmtDXT1, sink));
}

TEST(ImagePack, SixteenBitFormatsRoundTripEveryValue) {
    // Unpack widens by bit replication and pack truncates, so every word of the
    // formats whose bits are all significant survives the round trip.
    for (uint32_t format : {kFmtR5G6B5, kFmtA1R5G5B5, kFmtA4R4G4B4, kFmtA8R3G3B2, kFmtA8L8}) {
        for (uint32_t w = 0; w < 65536; ++w) {
            const uint8_t in[2] = {uint8_t(w), uint8_t(w >> 8)};
            uint32_t argb;
            ASSERT_TRUE(UnpackRow(in, 1, format, &argb));
            uint8_t out[2];
            ASSERT_TRUE(PackRow(&argb, 1, format, out));
            ASSERT_EQ(out[0] | (out[1] << 8), int(w)) << "format " << format << " word " << w;
        }
    }
    // X formats read their X bits as opaque and write them as ones.
    const uint8_t x[2] = {0x00, 0x00};
    uint32_t argb;
    ASSERT_TRUE(UnpackRow(x, 1, kFmtX1R5G5B5, &argb));
    EXPECT_EQ(argb, 0xFF000000u);
}

TEST(ImageDxt, EncodedBlocksDecodeBack) {
    // Two colours exact in 5-6-5 come back exactly, DXT1 and DXT5.
    uint32_t in[16];
    for (int i = 0; i < 16; ++i) in[i] = (i % 3 == 0) ? 0xFFFF0000 : 0xFF0000FF;
    uint8_t block[16];
    uint32_t out[16];
    EncodeDxtBlock(kFmtDXT1, in, block);
    DecodeDxtBlock(kFmtDXT1, block, out);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], in[i]) << i;
    // Clear texels in DXT1 become transparent black; the others keep their colour.
    in[5] = 0x00123456;
    EncodeDxtBlock(kFmtDXT1, in, block);
    DecodeDxtBlock(kFmtDXT1, block, out);
    EXPECT_EQ(out[5], 0u);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    // DXT5 keeps alpha extremes exactly and colour as in DXT1.
    for (int i = 0; i < 16; ++i) in[i] = (i & 1) ? 0x00FFFFFF : 0xFF000000;
    EncodeDxtBlock(kFmtDXT5, in, block);
    DecodeDxtBlock(kFmtDXT5, block, out);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], in[i]) << i;
    // DXT3 keeps the top four alpha bits.
    for (int i = 0; i < 16; ++i) in[i] = (uint32_t(i * 17) << 24) | 0xFFFFFF;
    EncodeDxtBlock(kFmtDXT3, in, block);
    DecodeDxtBlock(kFmtDXT3, block, out);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i] >> 24, uint32_t(i * 17)) << i;
}

}  // namespace
