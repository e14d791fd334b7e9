// The JPEG, TGA, BMP and DDS readers on files built here, including malformed
// and truncated ones.
#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/platform/d3dx9/forged_images.h"
#include "tests/platform/d3dx9/image_test_util.h"

using namespace d3dx9img;
using namespace imagetest;

namespace {

DecodeStatus Decode(const std::vector<uint8_t>& file, Image* image) {
    const DecodeStatus status = DecodeImage(file.data(), file.size(), image);
    // The reported size is the decoded one (the pictures here are not square).
    if (status == DecodeStatus::kOk)
        EXPECT_EQ(std::pair(image->info.width, image->info.height), std::pair(image->width, image->height));
    return status;
}

// Every strict prefix is refused or decoded to a picture of the right size;
// prefixes are exact-size copies so a read past them is caught by ASan.
// Answers how many prefixes were refused.
size_t SweepPrefixes(const std::vector<uint8_t>& file, uint32_t width, uint32_t height) {
    size_t refused = 0;
    for (size_t n = 1; n < file.size(); ++n) {
        std::vector<uint8_t> prefix(file.begin(), file.begin() + n);
        Image image;
        ImageInfo info;
        ReadImageInfo(prefix.data(), prefix.size(), &info);
        if (DecodeImage(prefix.data(), prefix.size(), &image) != DecodeStatus::kOk) {
            ++refused;
            continue;
        }
        EXPECT_EQ(image.width, width) << "prefix " << n;
        EXPECT_EQ(image.height, height) << "prefix " << n;
        EXPECT_EQ(image.pixels.size(), size_t(width) * height) << "prefix " << n;
    }
    return refused;
}

// ---------------------------------------------------------------- JPEG

std::vector<uint8_t> WriteJpeg(uint32_t w, uint32_t h, int components, const std::vector<uint8_t>& samples) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + size_t(cinfo.next_scanline) * w * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    free(buffer);
    return out;
}

// What libjpeg itself decodes, as RGB.
std::vector<uint8_t> LibjpegRgb(const std::vector<uint8_t>& file) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> rgb(size_t(cinfo.output_width) * cinfo.output_height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

void ExpectJpegMatchesLibjpeg(const std::vector<uint8_t>& file, uint32_t w, uint32_t h) {
    const std::vector<uint8_t> rgb = LibjpegRgb(file);
    Image image;
    ASSERT_EQ(Decode(file, &image), DecodeStatus::kOk);
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    EXPECT_EQ(image.info.format, kFmtX8R8G8B8);
    EXPECT_EQ(image.info.fileFormat, kFileJpg);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t want = 0xFF000000u | (rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
        ASSERT_EQ(image.pixels[i], want) << "pixel " << i;
    }
}

TEST(ImageJpeg, ColourAndGreyDecodeToWhatLibjpegGives) {
    const uint32_t w = 37, h = 23;
    std::vector<uint8_t> rgb(w * h * 3), grey(w * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(y * w + x) * 3];
            p[0] = uint8_t(x * 7);
            p[1] = uint8_t(y * 11);
            p[2] = uint8_t((x * y) & 0xFF);
            grey[y * w + x] = uint8_t(x * 5 + y * 3);
        }
    ExpectJpegMatchesLibjpeg(WriteJpeg(w, h, 3, rgb), w, h);
    ExpectJpegMatchesLibjpeg(WriteJpeg(w, h, 1, grey), w, h);

    ImageInfo info;
    const std::vector<uint8_t> file = WriteJpeg(w, h, 3, rgb);
    ASSERT_EQ(ReadImageInfo(file.data(), file.size(), &info), DecodeStatus::kOk);
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
    EXPECT_EQ(info.format, kFmtX8R8G8B8);
    EXPECT_EQ(info.fileFormat, kFileJpg);
}

TEST(ImageJpeg, TruncatedAndCorruptStreamsAreRefused) {
    const uint32_t w = 24, h = 16;
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 13);
    const std::vector<uint8_t> file = WriteJpeg(w, h, 3, rgb);
    // Libjpeg pads a stream that ends early with grey; here that is a refusal.
    std::vector<uint8_t> half(file.begin(), file.begin() + file.size() / 2);
    Image image;
    EXPECT_EQ(Decode(half, &image), DecodeStatus::kInvalidData);
    // Only the very end (the EOI marker) may be missing.
    EXPECT_GE(SweepPrefixes(file, w, h), file.size() - 3);

    // A frame header claiming zero width.
    std::vector<uint8_t> zero = file;
    for (size_t i = 2; i + 9 < zero.size(); ++i)
        if (zero[i] == 0xFF && zero[i + 1] == 0xC0) {
            zero[i + 7] = 0;
            zero[i + 8] = 0;
            break;
        }
    EXPECT_EQ(Decode(zero, &image), DecodeStatus::kInvalidData);

    // Forged progressive streams of empty blocks in end-of-band runs, just inside
    // and just past the pixel limit, the blocks the scans may visit (32 passes
    // over a 4096 x 4096 component) and the scan count.
    using forgedimage::ProgressiveJpeg;
    const struct {
        std::vector<uint8_t> file;
        DecodeStatus want;
    } forged[] = {
        {ProgressiveJpeg(4096, 4096, 3, 0), DecodeStatus::kOk},  {ProgressiveJpeg(4096, 4097, 3, 0), DecodeStatus::kInvalidData},
        {ProgressiveJpeg(4096, 4096, 3, 29), DecodeStatus::kOk}, {ProgressiveJpeg(4096, 4096, 3, 30), DecodeStatus::kInvalidData},
        {ProgressiveJpeg(64, 64, 3, 997), DecodeStatus::kOk},    {ProgressiveJpeg(64, 64, 3, 998), DecodeStatus::kInvalidData},
        {ProgressiveJpeg(8192, 8192, 3, 0), DecodeStatus::kInvalidData},
        {ProgressiveJpeg(8192, 8192, 3, 997), DecodeStatus::kInvalidData},
    };
    for (const auto& f : forged) EXPECT_EQ(Decode(f.file, &image), f.want) << f.file.size() << " bytes";
}

// ---------------------------------------------------------------- TGA

// 5 x 3 picture, top row first; row 0 is one colour so RLE makes a run packet.
std::vector<uint32_t> TgaPicture() {
    std::vector<uint32_t> px(15);
    for (uint32_t i = 0; i < 15; ++i)
        px[i] = i < 5 ? 0x80102030u : (uint32_t(i * 17) << 24) | (uint32_t(i * 16) << 16) | (uint32_t(255 - i * 9) << 8) | (i * 3);
    px[7] = 0x00000000;  // fully clear pixel
    return px;
}

void EncodeTgaPixel(uint32_t v, uint32_t bits, std::vector<uint8_t>& o) {
    if (bits <= 16) {
        const uint32_t w = ((v >> 31) << 15) | (((v >> 19) & 31) << 10) | (((v >> 11) & 31) << 5) | ((v >> 3) & 31);
        Put16(o, w);
        return;
    }
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
    o.push_back(uint8_t(v >> 16));
    if (bits == 32) o.push_back(uint8_t(v >> 24));
}

std::vector<uint8_t> MakeTga(uint32_t bits, bool rle, bool topDown, bool rightToLeft, uint32_t alphaBits,
                             const std::vector<uint32_t>& px, uint32_t w, uint32_t h) {
    std::vector<uint8_t> o(18, 0);
    o[0] = 3;  // an ID field of three bytes
    o[2] = uint8_t(rle ? 10 : 2);
    o[12] = uint8_t(w);
    o[14] = uint8_t(h);
    o[16] = uint8_t(bits);
    o[17] = uint8_t(alphaBits | (rightToLeft ? 0x10 : 0) | (topDown ? 0x20 : 0));
    o.insert(o.end(), {'a', 'b', 'c'});
    std::vector<uint32_t> order;
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t y = topDown ? r : h - 1 - r;
        for (uint32_t c = 0; c < w; ++c) order.push_back(px[y * w + (rightToLeft ? w - 1 - c : c)]);
    }
    if (!rle) {
        for (uint32_t v : order) EncodeTgaPixel(v, bits, o);
        return o;
    }
    // Runs of equal pixels (they may cross rows), raw packets otherwise.
    size_t i = 0;
    while (i < order.size()) {
        size_t run = 1;
        while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
        if (run > 1) {
            o.push_back(uint8_t(0x80 | (run - 1)));
            EncodeTgaPixel(order[i], bits, o);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < order.size() && raw < 128 && order[i + raw] != order[i + raw - 1]) ++raw;
        o.push_back(uint8_t(raw - 1));
        for (size_t k = 0; k < raw; ++k) EncodeTgaPixel(order[i + k], bits, o);
        i += raw;
    }
    return o;
}

uint32_t Expect16(uint32_t v, bool alpha) {
    auto e5 = [](uint32_t c) { return ((c >> 3) << 3) | ((c >> 3) >> 2); };
    const uint32_t a = alpha ? ((v >> 31) ? 0xFF : 0) : 0xFF;
    return (a << 24) | (e5((v >> 16) & 0xFF) << 16) | (e5((v >> 8) & 0xFF) << 8) | e5(v & 0xFF);
}

TEST(ImageTga, EveryDepthOriginAndEncodingGivesThePicture) {
    const std::vector<uint32_t> px = TgaPicture();
    for (uint32_t bits : {15u, 16u, 24u, 32u}) {
        for (bool rle : {false, true}) {
            for (bool topDown : {false, true}) {
                for (bool mirrored : {false, true}) {
                    const uint32_t alphaBits = bits == 32 ? 8 : bits == 16 ? 1 : 0;
                    const std::vector<uint8_t> file = MakeTga(bits, rle, topDown, mirrored, alphaBits, px, 5, 3);
                    Image image;
                    ASSERT_EQ(Decode(file, &image), DecodeStatus::kOk) << bits << rle << topDown;
                    ASSERT_EQ(image.width, 5u);
                    ASSERT_EQ(image.height, 3u);
                    EXPECT_EQ(image.info.fileFormat, kFileTga);
                    EXPECT_EQ(image.info.format,
                              bits == 32 ? kFmtA8R8G8B8 : bits == 24 ? kFmtR8G8B8 : bits == 16 ? kFmtA1R5G5B5 : kFmtX1R5G5B5);
                    for (size_t i = 0; i < px.size(); ++i) {
                        const uint32_t want = bits == 32 ? px[i] : bits == 24 ? (px[i] | 0xFF000000u)
                                                                              : Expect16(px[i], bits == 16);
                        EXPECT_EQ(image.pixels[i], want)
                            << "bits " << bits << " rle " << rle << " top " << topDown << " pixel " << i;
                    }
                }
            }
        }
    }
    // Sixteen bits without alpha bits are opaque.
    Image image;
    ASSERT_EQ(Decode(MakeTga(16, false, true, false, 0, px, 5, 3), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtX1R5G5B5);
    for (size_t i = 0; i < px.size(); ++i) EXPECT_EQ(image.pixels[i], Expect16(px[i], false));
}

TEST(ImageTga, ColourMappedAndGreyPictures) {
    // Colour map of 3 entries starting at index 2, 24-bit entries.
    std::vector<uint8_t> o(18, 0);
    o[1] = 1;
    o[2] = 1;
    o[3] = 2;  // first entry
    o[5] = 3;  // length
    o[7] = 24;
    o[12] = 2;
    o[14] = 2;
    o[16] = 8;
    o[17] = 0x20;
    o.insert(o.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0});  // red, green, blue (B, G, R)
    o.insert(o.end(), {2, 3, 4, 2});
    Image image;
    ASSERT_EQ(Decode(o, &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtP8);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000}));

    // An index outside the map is refused, as is one below its first entry.
    std::vector<uint8_t> bad = o;
    bad[bad.size() - 1] = 5;
    EXPECT_EQ(Decode(bad, &image), DecodeStatus::kInvalidData);
    bad[bad.size() - 1] = 1;
    EXPECT_EQ(Decode(bad, &image), DecodeStatus::kInvalidData);

    // Grey, bottom-up, RLE: one run of 3 then a raw pixel.
    std::vector<uint8_t> g(18, 0);
    g[2] = 11;
    g[12] = 2;
    g[14] = 2;
    g[16] = 8;
    g.insert(g.end(), {0x82, 0x40, 0x00, 0x90});
    ASSERT_EQ(Decode(g, &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtL8);
    // File order is bottom row first: bottom = 40 40, top = 40 90.
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF404040, 0xFF909090, 0xFF404040, 0xFF404040}));
    // Grey with alpha: 16 bits, plain, top-down.
    g.resize(18);
    g[2] = 3;
    g[16] = 16;
    g[17] = 0x28;
    g.insert(g.end(), {0x40, 0x80, 0x90, 0xFF, 1, 0, 2, 3});
    ASSERT_EQ(Decode(g, &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtA8L8);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x80404040, 0xFF909090, 0x00010101, 0x03020202}));
}

TEST(ImageTga, MalformedHeadersAndRunsAreRefused) {
    const std::vector<uint32_t> px = TgaPicture();
    const std::vector<uint8_t> good = MakeTga(32, true, false, false, 8, px, 5, 3);
    Image image;
    ASSERT_EQ(Decode(good, &image), DecodeStatus::kOk);

    // Width 0, an unknown image type, no such depth, no such colour map kind, interleaving.
    const std::pair<size_t, uint8_t> edits[] = {{12, 0}, {2, 7}, {16, 12}, {1, 2},
                                                {17, good[17] | 0x40}, {17, good[17] | 0x80}};
    for (const auto& [at, value] : edits) {
        std::vector<uint8_t> f = good;
        f[at] = value;
        EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData) << at << " = " << int(value);
    }

    // A run longer than the two pixels that remain, by one and by two; one that fits.
    for (uint8_t packet : {0x82, 0x83, 0x81}) {
        std::vector<uint8_t> r(18, 0);
        r[2] = 10;
        r[12] = 2;
        r[14] = 1;
        r[16] = 24;
        r.insert(r.end(), {packet, 1, 2, 3});
        EXPECT_EQ(Decode(r, &image), packet == 0x81 ? DecodeStatus::kOk : DecodeStatus::kInvalidData) << int(packet);
    }

    // The largest header the format allows is refused before any allocation.
    std::vector<uint8_t> big(18, 0);
    big[2] = 2;
    big[12] = big[13] = big[14] = big[15] = 0xFF;
    big[16] = 32;
    big.resize(64);
    EXPECT_EQ(Decode(big, &image), DecodeStatus::kInvalidData);

    // RLE data must hold a packet header and a pixel for every 128 pixels before
    // anything is allocated, so the header reader refuses it too: 131,072 packets
    // of 8-bit grey for the largest picture, none larger.
    const struct {
        uint32_t w, h, packets;
        DecodeStatus want;
    } runs[] = {
        {4096, 4096, 131072, DecodeStatus::kOk}, {4096, 4096, 131071, DecodeStatus::kInvalidData},
        {4096, 4097, 131104, DecodeStatus::kInvalidData}, {8192, 8192, 262144, DecodeStatus::kInvalidData},
    };
    for (const auto& c : runs) {
        const std::vector<uint8_t> f = forgedimage::RleTga(c.w, c.h, c.packets);
        ImageInfo info;
        EXPECT_EQ(ReadImageInfo(f.data(), f.size(), &info), c.want) << c.h << " " << c.packets;
        EXPECT_EQ(Decode(f, &image), c.want) << c.h << " " << c.packets;
    }

    // Every prefix of plain and RLE files is refused (no footer here).
    EXPECT_EQ(SweepPrefixes(good, 5, 3), good.size() - 1);
    const std::vector<uint8_t> plain = MakeTga(24, false, true, false, 0, px, 5, 3);
    EXPECT_EQ(SweepPrefixes(plain, 5, 3), plain.size() - 1);
}

// ---------------------------------------------------------------- BMP

std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, uint32_t bits, uint32_t compression,
                             const std::vector<uint32_t>& palette, const std::vector<uint8_t>& data,
                             const std::vector<uint32_t>& masks = {}) {
    std::vector<uint8_t> o = {'B', 'M'};
    const uint32_t offset = 14 + 40 + uint32_t(masks.size()) * 4 + uint32_t(palette.size()) * 4;
    Put32(o, offset + uint32_t(data.size()));
    Put32(o, 0);
    Put32(o, offset);
    Put32(o, 40);
    Put32(o, uint32_t(w));
    Put32(o, uint32_t(h));
    Put16(o, 1);
    Put16(o, bits);
    Put32(o, compression);
    Put32(o, uint32_t(data.size()));
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, uint32_t(palette.size()));
    Put32(o, 0);
    for (uint32_t m : masks) Put32(o, m);
    for (uint32_t c : palette) Put32(o, c & 0xFFFFFF);
    o.insert(o.end(), data.begin(), data.end());
    return o;
}

TEST(ImageBmp, TrueColourLayouts) {
    Image image;
    // 24-bit, 3 x 2, bottom-up, rows padded to 12 bytes.
    const std::vector<uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,  // bottom row
                                         10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    ASSERT_EQ(Decode(MakeBmp(3, 2, 24, 0, {}, rows24), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtR8G8B8);
    EXPECT_EQ(image.pixels,
              (std::vector<uint32_t>{0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110, 0xFF030201, 0xFF060504, 0xFF090807}));
    // The same rows top-down (negative height).
    ASSERT_EQ(Decode(MakeBmp(3, -2, 24, 0, {}, rows24), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0], 0xFF030201u);

    // 32-bit BI_RGB: the fourth byte is unused, the picture is opaque.
    ASSERT_EQ(Decode(MakeBmp(1, 1, 32, 0, {}, {0x10, 0x20, 0x30, 0x00}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtX8R8G8B8);
    EXPECT_EQ(image.pixels[0], 0xFF302010u);

    // 16-bit default 5-5-5, and 5-6-5 through bit fields.
    ASSERT_EQ(Decode(MakeBmp(1, 1, 16, 0, {}, {0x1F, 0x7C, 0, 0}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtX1R5G5B5);
    EXPECT_EQ(image.pixels[0], 0xFFFF00FFu);
    ASSERT_EQ(Decode(MakeBmp(1, 1, 16, 3, {}, {0xE0, 0x07, 0, 0}, {0xF800, 0x7E0, 0x1F}), &image),
              DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtR5G6B5);
    EXPECT_EQ(image.pixels[0], 0xFF00FF00u);
    // Bit fields name the format, an alpha mask its alpha kind (6: with an alpha mask).
    const struct {
        uint32_t bits, compression;
        std::vector<uint32_t> masks;
        uint32_t format;
    } fields[] = {
        {16, 6, {0x7C00, 0x3E0, 0x1F, 0x8000}, kFmtA1R5G5B5}, {16, 3, {0x7C00, 0x3E0, 0x1F}, kFmtX1R5G5B5},
        {16, 6, {0xF00, 0xF0, 0xF, 0xF000}, kFmtA4R4G4B4},    {16, 3, {0xF00, 0xF0, 0xF}, kFmtX4R4G4B4},
        {32, 6, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, kFmtA8R8G8B8}, {32, 3, {0xFF, 0xFF00, 0xFF0000}, kFmtX8B8G8R8},
        {32, 6, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, kFmtA8B8G8R8}, {32, 3, {0xFF0000, 0xFF00, 0xFF}, kFmtX8R8G8B8}};
    for (const auto& c : fields) {
        ASSERT_EQ(Decode(MakeBmp(1, 1, c.bits, c.compression, {}, {0, 0, 0, 0}, c.masks), &image), DecodeStatus::kOk);
        EXPECT_EQ(image.info.format, c.format) << c.masks[0] << " " << c.masks.size();
    }

    // A colour count beside true-colour pixels is a display hint, never read:
    // with a table before the pixels, with a count far past the file, with any count.
    for (const uint32_t bits : {16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        const std::vector<uint8_t> pixels((2 * bits + 31) / 32 * 4, 0x5A);  // 2 x 1, row padded
        Image plain;
        ASSERT_EQ(Decode(MakeBmp(2, 1, bits, 0, {}, pixels), &plain), DecodeStatus::kOk);
        ASSERT_EQ(Decode(MakeBmp(2, 1, bits, 0, {0x123456, 0x654321}, pixels), &image), DecodeStatus::kOk);
        EXPECT_EQ(image.pixels, plain.pixels);
        for (const uint32_t count : {0x07000000u, 0xFFFFFFFFu, 3u}) {
            std::vector<uint8_t> f = MakeBmp(2, 1, bits, 0, {}, pixels);
            for (int i = 0; i < 4; ++i) f[46 + i] = uint8_t(count >> (8 * i));
            ASSERT_EQ(Decode(f, &image), DecodeStatus::kOk) << count;
            EXPECT_EQ(image.pixels, plain.pixels) << count;
        }
    }

    // 12-byte core header, 24-bit.
    std::vector<uint8_t> core = {'B', 'M'};
    Put32(core, 14 + 12 + 4);
    Put32(core, 0);
    Put32(core, 14 + 12);
    Put32(core, 12);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 24);
    core.insert(core.end(), {0x33, 0x22, 0x11, 0});
    ASSERT_EQ(Decode(core, &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0], 0xFF112233u);
    core[22] = 2;  // two planes
    EXPECT_EQ(Decode(core, &image), DecodeStatus::kInvalidData);
}

TEST(ImageBmp, PalettedAndRunLengthPictures) {
    Image image;
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 8-bit, 3 x 1.
    ASSERT_EQ(Decode(MakeBmp(3, 1, 8, 0, palette, {1, 2, 3, 0}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtP8);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
    // 4-bit and 1-bit: high nibble / high bit first.
    ASSERT_EQ(Decode(MakeBmp(3, 1, 4, 0, palette, {0x12, 0x30, 0, 0}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
    ASSERT_EQ(Decode(MakeBmp(9, 1, 1, 0, {0x000000, 0xFFFFFF}, {0xA0, 0x80, 0, 0}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[1], 0xFF000000u);
    EXPECT_EQ(image.pixels[2], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[8], 0xFFFFFFFFu);
    // An index past the palette is refused.
    EXPECT_EQ(Decode(MakeBmp(3, 1, 8, 0, palette, {1, 7, 3, 0}), &image), DecodeStatus::kInvalidData);

    // RLE8, 4 x 3 (rows listed bottom first): run of 3 x index 1, end of line;
    // absolute 2,3,1 (padded), end of line; delta (+2, 0) then 2 x index 3, end of picture.
    const std::vector<uint8_t> rle8 = {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1};
    ASSERT_EQ(Decode(MakeBmp(4, 3, 8, 1, palette, rle8), &image), DecodeStatus::kOk);
    const uint32_t k = 0xFF000000, r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{k, k, b, b,  // top row: skipped pixels take entry 0
                                                   g, b, r, k,   //
                                                   r, r, r, k}));
    // RLE4: run of 4 pixels alternating indices 1 and 2, end of picture.
    ASSERT_EQ(Decode(MakeBmp(4, 1, 4, 2, palette, {4, 0x12, 0, 1}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{r, g, r, g}));
    // RLE4 absolute: 3 pixels, high nibble first, padded to a 16-bit boundary.
    ASSERT_EQ(Decode(MakeBmp(3, 1, 4, 2, palette, {0, 3, 0x12, 0x30, 0, 1}), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{r, g, b}));

    // Runs past the row, deltas past the picture and streams without an end are refused.
    EXPECT_EQ(Decode(MakeBmp(4, 1, 8, 1, palette, {5, 1, 0, 1}), &image), DecodeStatus::kInvalidData);
    EXPECT_EQ(Decode(MakeBmp(4, 2, 8, 1, palette, {0, 2, 9, 0, 0, 1}), &image), DecodeStatus::kInvalidData);
    EXPECT_EQ(Decode(MakeBmp(4, 2, 8, 1, palette, {2, 1, 0}), &image), DecodeStatus::kInvalidData);
    EXPECT_EQ(Decode(MakeBmp(4, 1, 8, 1, palette, {0, 3, 1, 9, 1, 0, 0, 1}), &image), DecodeStatus::kInvalidData);
    // The RLE prefixes are refused or decode at full size, never read past their end.
    SweepPrefixes(MakeBmp(4, 3, 8, 1, palette, rle8), 4, 3);

    // Only the end-of-picture mark: the whole picture takes entry 0, up to the
    // pixel limit. A stream that breaks off is refused by the header reader too.
    std::vector<uint8_t> broken = forgedimage::EmptyRleBmp(4096, 4096);
    broken.back() = 0;  // an end of line, then nothing
    const struct {
        std::vector<uint8_t> file;
        DecodeStatus want;
    } marks[] = {
        {forgedimage::EmptyRleBmp(4096, 4096), DecodeStatus::kOk},
        {forgedimage::EmptyRleBmp(4096, 4097), DecodeStatus::kInvalidData},
        {forgedimage::EmptyRleBmp(8192, 8192), DecodeStatus::kInvalidData},
        {broken, DecodeStatus::kInvalidData},
    };
    for (const auto& m : marks) {
        ImageInfo info;
        EXPECT_EQ(ReadImageInfo(m.file.data(), m.file.size(), &info), m.want) << detail::Le32(m.file.data() + 22);
        EXPECT_EQ(Decode(m.file, &image), m.want) << detail::Le32(m.file.data() + 22);
    }
    EXPECT_EQ(image.pixels[0], 0xFF000000u);
}

TEST(ImageBmp, MalformedHeadersAreRefused) {
    Image image;
    const std::vector<uint8_t> good = MakeBmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 7));
    ASSERT_EQ(Decode(good, &image), DecodeStatus::kOk);
    // Each a little-endian field of `bytes` at `at` written over the good file.
    const struct {
        size_t at;
        uint32_t value;
        int bytes;
    } edits[] = {
        {18, 0, 4},            // width 0
        {28, 7, 2},            // 7 bits per pixel
        {14, 39, 4},           // between the core header's 12 bytes and the info header's 40
        {10, 0xF0, 4},         // pixel data past the end
        {22, 0x80000000u, 4},  // height INT32_MIN
        {18, 0x7FFFFFFF, 4},   // 2^31 - 1 wide
        {26, 2, 2},            // two planes
        {30, 1, 4},            // RLE8 of 24-bit pixels
        {30, 3, 4},            // bit fields of 24-bit pixels
        {30, 7, 4},            // no such compression
    };
    for (const auto& e : edits) {
        std::vector<uint8_t> f = good;
        for (int i = 0; i < e.bytes; ++i) f[e.at + i] = uint8_t(e.value >> (8 * i));
        EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData) << e.at << " = " << e.value;
    }
    // The last row's padding is optional; every shorter prefix is refused.
    EXPECT_EQ(SweepPrefixes(good, 2, 2), good.size() - 3);
}

// ---------------------------------------------------------------- DDS

constexpr uint32_t kRgb = 0x40, kAlphaPixels = 0x1, kLuminance = 0x20000, kAlphaOnly = 0x2, kFourCC = 0x4;

TEST(ImageDds, UncompressedFormatsFromTheirMasks) {
    Image image;
    const std::vector<uint8_t> argb = {0x10, 0x20, 0x30, 0x40, 0xFF, 0xFF, 0xFF, 0x00};
    const struct {
        uint32_t flags, bits, r, g, b, a;
        std::vector<uint8_t> data;
        uint32_t format;
        std::vector<uint32_t> pixels;
    } cases[] = {
        // The archive reader's layout: A8R8G8B8, flags 0x41.
        {kRgb | kAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb, kFmtA8R8G8B8, {0x40302010, 0x00FFFFFF}},
        // Without DDPF_ALPHAPIXELS the alpha mask means nothing.
        {kRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb, kFmtX8R8G8B8, {0xFF302010, 0xFFFFFFFF}},
        {kRgb, 16, 0xF800, 0x7E0, 0x1F, 0, {0x00, 0xF8, 0xE0, 0x07}, kFmtR5G6B5, {0xFFFF0000, 0xFF00FF00}},
        {kRgb | kAlphaPixels, 16, 0xF00, 0xF0, 0xF, 0xF000, {0x40, 0x8F}, kFmtA4R4G4B4, {0x88FF4400}},
        {kRgb | kAlphaPixels, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, {0x1F, 0x00}, kFmtA1R5G5B5, {0x000000FF}},
        {kRgb | kAlphaPixels, 16, 0xE0, 0x1C, 0x3, 0xFF00, {0xF1, 0x80}, kFmtA8R3G3B2, {0x80FF9255}},
        {kLuminance, 8, 0xFF, 0, 0, 0, {0x5A}, kFmtL8, {0xFF5A5A5A}},
        {kLuminance | kAlphaPixels, 16, 0xFF, 0, 0, 0xFF00, {0x5A, 0x80}, kFmtA8L8, {0x805A5A5A}},
        {kAlphaOnly, 8, 0, 0, 0, 0xFF, {0x33}, kFmtA8, {0x33000000}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Decode(MakeDds(uint32_t(c.pixels.size()), 1, c.flags, 0, c.bits, c.r, c.g, c.b, c.a, c.data), &image),
                  DecodeStatus::kOk)
            << c.format;
        EXPECT_EQ(image.info.format, c.format);
        EXPECT_EQ(image.info.fileFormat, kFileDds);
        EXPECT_EQ(image.pixels, c.pixels) << c.format;
    }
    // Masks that name no format are refused.
    EXPECT_EQ(Decode(MakeDds(1, 1, kRgb, 0, 32, 0xF0, 0xF00, 0xF000, 0, {1, 2, 3, 4}), &image),
              DecodeStatus::kInvalidData);
}

std::vector<uint8_t> Dxt1Block(uint16_t c0, uint16_t c1, uint32_t indices) {
    std::vector<uint8_t> b;
    Put16(b, c0);
    Put16(b, c1);
    Put32(b, indices);
    return b;
}

TEST(ImageDds, Dxt1BlocksInBothModes) {
    Image image;
    // Four-colour mode (c0 > c1): red, blue and the two thirds between.
    // Row 0 uses indices 0, 1, 2, 3; the other rows index 0.
    const std::vector<uint8_t> four = Dxt1Block(0xF800, 0x001F, 0xE4);
    ASSERT_EQ(Decode(MakeDds(4, 4, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, four), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtDXT1);
    EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(image.pixels[1], 0xFF0000FFu);
    EXPECT_EQ(image.pixels[2], 0xFFAA0055u);  // red (2*255 + 0 + 1) / 3 = 170, blue (0 + 255 + 1) / 3 = 85
    EXPECT_EQ(image.pixels[3], 0xFF5500AAu);
    EXPECT_EQ(image.pixels[15], 0xFFFF0000u);
    // Three-colour mode (c0 <= c1): the midpoint and transparent black.
    const std::vector<uint8_t> three = Dxt1Block(0x001F, 0xF800, 0xE4);
    ASSERT_EQ(Decode(MakeDds(4, 4, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, three), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0], 0xFF0000FFu);
    EXPECT_EQ(image.pixels[1], 0xFFFF0000u);
    EXPECT_EQ(image.pixels[2], 0xFF800080u);  // (255 + 0 + 1) / 2 = 128
    EXPECT_EQ(image.pixels[3], 0x00000000u);
    // A 5 x 3 picture uses a 2 x 1 grid of blocks, cropped.
    std::vector<uint8_t> two = Dxt1Block(0xFFFF, 0, 0);
    const std::vector<uint8_t> second = Dxt1Block(0x07E0, 0, 0);
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_EQ(Decode(MakeDds(5, 3, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, two), &image), DecodeStatus::kOk);
    ASSERT_EQ(image.pixels.size(), 15u);
    EXPECT_EQ(image.pixels[3], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[4], 0xFF00FF00u);
    EXPECT_EQ(image.pixels[14], 0xFF00FF00u);
    // One block short.
    two.resize(two.size() - 1);
    EXPECT_EQ(Decode(MakeDds(5, 3, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, two), &image), DecodeStatus::kInvalidData);
}

TEST(ImageDds, Dxt3AndDxt5Alpha) {
    Image image;
    // DXT3: explicit 4-bit alpha, texel 0 = 0x8, texel 1 = 0xF; colour white.
    std::vector<uint8_t> dxt3 = {0xF8, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> white = Dxt1Block(0xFFFF, 0x0000, 0);
    dxt3.insert(dxt3.end(), white.begin(), white.end());
    ASSERT_EQ(Decode(MakeDds(4, 4, kFourCC, kFmtDXT3, 0, 0, 0, 0, 0, dxt3), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.info.format, kFmtDXT3);
    EXPECT_EQ(image.pixels[0], 0x88FFFFFFu);
    EXPECT_EQ(image.pixels[1], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[2], 0x00FFFFFFu);

    // DXT5, a0 = 255 > a1 = 0: texels take indices 0, 1, 2, 7 -> 255, 0, (6*255+3)/7 = 219, (1*255+3)/7 = 36.
    // Index bits, 3 per texel, LSB first: 000 001 010 111 -> 0b111'010'001'000 = 0xE88.
    std::vector<uint8_t> dxt5 = {255, 0, 0x88, 0x0E, 0, 0, 0, 0};
    dxt5.insert(dxt5.end(), white.begin(), white.end());
    ASSERT_EQ(Decode(MakeDds(4, 4, kFourCC, kFmtDXT5, 0, 0, 0, 0, 0, dxt5), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0] >> 24, 255u);
    EXPECT_EQ(image.pixels[1] >> 24, 0u);
    EXPECT_EQ(image.pixels[2] >> 24, 219u);
    EXPECT_EQ(image.pixels[3] >> 24, 36u);
    EXPECT_EQ(image.pixels[3] & 0xFFFFFF, 0xFFFFFFu);
    // a0 = 0 <= a1 = 200: six-value mode with indices 6 and 7 fixed at 0 and 255;
    // index 2 = (4*0 + 1*200 + 2) / 5 = 40. Texels: 2, 6, 7 -> 0b111'110'010 = 0x1F2.
    std::vector<uint8_t> six = {0, 200, 0xF2, 0x01, 0, 0, 0, 0};
    six.insert(six.end(), white.begin(), white.end());
    ASSERT_EQ(Decode(MakeDds(4, 4, kFourCC, kFmtDXT5, 0, 0, 0, 0, 0, six), &image), DecodeStatus::kOk);
    EXPECT_EQ(image.pixels[0] >> 24, 40u);
    EXPECT_EQ(image.pixels[1] >> 24, 0u);
    EXPECT_EQ(image.pixels[2] >> 24, 255u);
}

TEST(ImageDds, HeaderFieldsAndRefusals) {
    ImageInfo info;
    // Mip count as stored, bounded by what the size allows; cube maps reported as such.
    std::vector<uint8_t> f = MakeDds(8, 4, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, std::vector<uint8_t>(64, 0), 3);
    ASSERT_EQ(ReadImageInfo(f.data(), f.size(), &info), DecodeStatus::kOk);
    EXPECT_EQ(info.mipLevels, 3u);
    EXPECT_EQ(info.resourceType, kResTexture);
    for (const auto& [flag, count] : {std::pair{0, 3}, std::pair{2, 0}}) {  // no flag, or a stored 0: one level
        f[10] = uint8_t(flag), f[28] = uint8_t(count);
        EXPECT_TRUE(ReadImageInfo(f.data(), f.size(), &info) == DecodeStatus::kOk && info.mipLevels == 1) << flag;
    }
    f = MakeDds(8, 4, kFourCC, kFmtDXT1, 0, 0, 0, 0, 0, std::vector<uint8_t>(64, 0), 200, 0x200);
    ASSERT_EQ(ReadImageInfo(f.data(), f.size(), &info), DecodeStatus::kOk);
    EXPECT_EQ(info.mipLevels, 4u);
    EXPECT_EQ(info.resourceType, kResCubeTexture);

    Image image;
    const std::vector<uint8_t> good = MakeDds(4, 4, kFourCC, kFmtDXT5, 0, 0, 0, 0, 0, std::vector<uint8_t>(16, 0));
    ASSERT_EQ(Decode(good, &image), DecodeStatus::kOk);
    EXPECT_EQ(SweepPrefixes(good, 4, 4), good.size() - 1);
    for (size_t at : {4, 76}) {  // the header's size, its pixel format's size
        f = good;
        f[at] = 100;
        EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData) << at;
    }
    f = good;
    f[84] = 'X';  // unknown FourCC
    EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData);
    // 2^31 x 2^31 would wrap 32-bit size arithmetic; it is refused at once.
    f = MakeDds(0x80000000u, 0x80000000u, kRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, std::vector<uint8_t>(64, 0));
    EXPECT_EQ(ReadImageInfo(f.data(), f.size(), &info), DecodeStatus::kInvalidData);
    EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData);
    // An acceptable size whose pixels are not in the file.
    f = MakeDds(4096, 4096, kRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, std::vector<uint8_t>(64, 0));
    EXPECT_EQ(Decode(f, &image), DecodeStatus::kInvalidData);
}

TEST(ImageDecode, UnknownBytesAreRefused) {
    Image image;
    ImageInfo info;
    const std::vector<uint8_t> junk = Bytes("this is not a picture of any kind at all");
    EXPECT_EQ(Decode(junk, &image), DecodeStatus::kInvalidData);
    EXPECT_EQ(ReadImageInfo(junk.data(), junk.size(), &info), DecodeStatus::kInvalidData);
    EXPECT_EQ(DecodeImage(nullptr, 10, &image), DecodeStatus::kInvalidData);
    EXPECT_EQ(DecodeImage(junk.data(), 0, &image), DecodeStatus::kInvalidData);
}

}  // namespace
