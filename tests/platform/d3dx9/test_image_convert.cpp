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
    // Each format's bytes for v, as a little-endian word, and what they read back as.
    const struct {
        uint32_t format, bytes;
        uint64_t word;
        uint32_t back;
    } cases[] = {
        {kFmtA8R8G8B8, 4, 0x80FF8040u, 0x80FF8040u}, {kFmtX8R8G8B8, 4, 0xFFFF8040u, 0xFFFF8040u},
        {kFmtA8B8G8R8, 4, 0x804080FFu, 0x80FF8040u}, {kFmtX8B8G8R8, 4, 0xFF4080FFu, 0xFFFF8040u},
        {kFmtA2R10G10B10, 4, 0xBFF80901u, 0xAAFF8040u},  // 2 << 30 | 0x3FF << 20 | 0x202 << 10 | 0x101
        {kFmtA2B10G10R10, 4, 0x90180BFFu, 0xAAFF8040u},
        {kFmtG16R16, 4, 0x8080FFFFu, 0xFFFF8000u},     {kFmtL16, 2, 0x9696u, 0xFF969696u},
        {kFmtR8G8B8, 3, 0xFF8040u, 0xFFFF8040u},
        {kFmtR5G6B5, 2, 0xFC08u, 0xFFFF8242u},  // 31 << 11 | 32 << 5 | 8
        {kFmtA1R5G5B5, 2, 0xFE08u, 0xFFFF8442u},  // 1 << 15 | 31 << 10 | 16 << 5 | 8
        {kFmtX1R5G5B5, 2, 0xFE08u, 0xFFFF8442u},   {kFmtA4R4G4B4, 2, 0x8F84u, 0x88FF8844u},
        {kFmtX4R4G4B4, 2, 0xFF84u, 0xFFFF8844u},   {kFmtA8, 1, 0x80u, 0x80000000u},
        {kFmtR3G3B2, 1, 0xF1u, 0xFFFF9255u},  // 7 << 5 | 4 << 2 | 1
        {kFmtA8R3G3B2, 2, 0x80F1u, 0x80FF9255u},
        // Luminance (Rec. 709): (255 * 2126 + 128 * 7152 + 64 * 722 + 5000) / 10000 = 150.
        {kFmtL8, 1, 150u, 0xFF969696u},            {kFmtA8L8, 2, 0x8096u, 0x80969696u},
        {kFmtA4L4, 1, 0x89u, 0x88999999u},         {kFmtA16B16G16R16, 8, 0x808040408080FFFFull, 0x80FF8040u},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(FormatBytesPerPixel(c.format), c.bytes) << c.format;
        uint8_t out[8] = {};
        ASSERT_TRUE(PackRow(&v, 1, c.format, out)) << c.format;
        uint64_t word = 0;
        for (size_t i = 0; i < 8; ++i) word |= uint64_t(out[i]) << (8 * i);
        EXPECT_EQ(word, c.word) << c.format;
        uint32_t argb = 0;
        ASSERT_TRUE(UnpackRow(out, 1, c.format, &argb)) << c.format;
        EXPECT_EQ(argb, c.back) << c.format;
    }
    // A1 keeps the alpha's top bit: 0x7F is clear.
    const uint32_t clear = 0x7FFFFFFF;
    uint8_t two[2];
    ASSERT_TRUE(PackRow(&clear, 1, kFmtA1R5G5B5, two));
    EXPECT_EQ(two[1] & 0x80, 0);
    // Formats nobody packs here.
    uint8_t sink[8];
    EXPECT_FALSE(PackRow(&v, 1, kFmtP8, sink));
    EXPECT_FALSE(PackRow(&v, 1, kFmtDXT1, sink));
    uint32_t argb;
    EXPECT_FALSE(UnpackRow(sink, 1, kFmtP8, &argb));
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
    // DXT5 keeps alpha extremes exactly and colour as in DXT1; DXT4 is written alike.
    for (int i = 0; i < 16; ++i) in[i] = (i & 1) ? 0x00FFFFFF : 0xFF000000;
    for (uint32_t format : {kFmtDXT4, kFmtDXT5}) {
        EncodeDxtBlock(format, in, block);
        DecodeDxtBlock(kFmtDXT5, block, out);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], in[i]) << format << " " << i;
    }
    // DXT3 keeps the top four alpha bits; DXT2 is written alike.
    for (int i = 0; i < 16; ++i) in[i] = (uint32_t(i * 17) << 24) | 0xFFFFFF;
    for (uint32_t format : {kFmtDXT2, kFmtDXT3}) {
        EncodeDxtBlock(format, in, block);
        DecodeDxtBlock(kFmtDXT3, block, out);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i] >> 24, uint32_t(i * 17)) << format << " " << i;
    }
}

}  // namespace
