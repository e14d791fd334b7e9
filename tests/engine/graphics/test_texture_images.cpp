// Textures loaded from image files against independent decodes: every PngSuite
// picture against its reference pixels, a JPEG against libjpeg, TGA and DDS as
// their headers say, non-power-of-two pictures stretched over their texture, and
// the 16-bit format the kind falls back to.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/platform/d3dx9/image_test_util.h"

namespace {

using spritetest::CodedPicture;
using spritetest::MakeDds;
using spritetest::MakeTga;
using spritetest::Texels;

std::vector<std::string> SuiteNames() {
    std::vector<std::string> names;
    DIR* dir = opendir((imagetest::PngSuiteDir() + "/png").c_str());
    if (!dir) return names;
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n.size() > 4 && n.substr(n.size() - 4) == ".png" && n[0] != 'x') names.push_back(n.substr(0, n.size() - 4));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The reference pixels as ARGB words; 16-bit samples reduced to the nearest
// 8-bit value, the rule of the PNG reader's own reference test.
std::vector<uint32_t> Reference(const std::string& name) {
    std::vector<uint32_t> v =
        imagetest::ParseJsonNumbers(testsupport::ReadFile(imagetest::PngSuiteDir() + "/json/" + name + ".json"));
    const bool sixteen = name.size() == 8 && name.substr(6) == "16";
    std::vector<uint32_t> out;
    for (size_t i = 0; i + 3 < v.size(); i += 4) {
        uint32_t c[4];
        for (int k = 0; k < 4; ++k) c[k] = sixteen ? (v[i + k] * 255 + 32767) / 65535 : v[i + k];
        out.push_back((c[3] << 24) | (c[0] << 16) | (c[1] << 8) | c[2]);
    }
    return out;
}

bool PowerOfTwo(uint32_t v) { return v && (v & (v - 1)) == 0; }

class TextureImages : public spritetest::SpriteTest {};

// Power-of-two pictures land texel for texel; the others are stretched over
// their power-of-two texture exactly as the same pixels from a plain DDS are.
TEST_F(TextureImages, EveryPngSuitePictureGivesItsReferencePixels) {
    Start();
    const std::vector<std::string> names = SuiteNames();
    ASSERT_GT(names.size(), 140u);
    int exact = 0, stretched = 0;
    for (const std::string& name : names) {
        const std::string path = imagetest::PngSuiteDir() + "/png/" + name + ".png";
        CTexture* t = KestraTexture::CreateFromFile(path.c_str(), 14, 0);
        ASSERT_NE(t, nullptr) << name;
        const uint32_t w = t->GetImageWidth(), h = t->GetImageHeight();
        const std::vector<uint32_t> want = Reference(name);
        ASSERT_EQ(want.size(), size_t(w) * h) << name;
        EXPECT_EQ(t->GetFormat(), D3DFMT_A8R8G8B8) << name;
        if (PowerOfTwo(w) && PowerOfTwo(h)) {
            EXPECT_EQ(Texels(t), want) << name;
            ++exact;
        } else {
            const std::string dds = MakeDds(w, h, want);
            CTexture* plain = Manager()->CreateFromMemory(dds.data(), uint32_t(dds.size()), 14, 0);
            ASSERT_NE(plain, nullptr) << name;
            EXPECT_EQ(t->GetWidth(), plain->GetWidth());
            EXPECT_EQ(Texels(t), Texels(plain)) << name;
            KestraTexture::Release(plain);
            ++stretched;
        }
        KestraTexture::Release(t);
    }
    EXPECT_GT(exact, 120);
    EXPECT_GT(stretched, 10);
    EXPECT_EQ(Manager()->GetCount(), 0u);
}

// The format kind decides the texture's format: without 32-bit textures kind 14
// falls back to A4R4G4B4, and the picture is packed into it by truncation.
TEST_F(TextureImages, WithoutThirtyTwoBitTexturesTheKindFallsBackToFourBitsAChannel) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.textureFormats.erase(
        std::remove(adapter.textureFormats.begin(), adapter.textureFormats.end(), D3DFMT_A8R8G8B8),
        adapter.textureFormats.end());
    d3d9test::SetAdapter(adapter);
    Start();
    const std::string path = imagetest::PngSuiteDir() + "/png/basn6a08.png";
    CTexture* t = KestraTexture::CreateFromFile(path.c_str(), 14, 0);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->GetFormat(), D3DFMT_A4R4G4B4);
    const std::vector<uint32_t> want = Reference("basn6a08");
    void* bits = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(t->Lock(nullptr, &bits, &pitch, nullptr, nullptr, nullptr));
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            uint16_t v;
            std::memcpy(&v, static_cast<uint8_t*>(bits) + size_t(y) * pitch + 2 * x, 2);
            const uint32_t p = want[y * 32 + x];
            const uint16_t packed =
                uint16_t(((p >> 28) << 12) | (((p >> 20) & 0xF) << 8) | (((p >> 12) & 0xF) << 4) | ((p >> 4) & 0xF));
            ASSERT_EQ(v, packed) << x << "," << y;
        }
    t->Unlock();
    KestraTexture::Release(t);
}

// ---- JPEG through libjpeg

struct JpegError {
    jpeg_error_mgr base;
    jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

std::string EncodeJpeg(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb) {
    jpeg_compress_struct c{};
    JpegError err{};
    c.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return "";
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(w * 3);
    while (c.next_scanline < h) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t p = argb[size_t(c.next_scanline) * w + x];
            row[3 * x] = (p >> 16) & 0xFF;
            row[3 * x + 1] = (p >> 8) & 0xFF;
            row[3 * x + 2] = p & 0xFF;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

// libjpeg's own decode with its default settings, as opaque ARGB words.
std::vector<uint32_t> DecodeJpeg(const std::string& bytes, uint32_t* w, uint32_t* h) {
    jpeg_decompress_struct d{};
    JpegError err{};
    d.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    std::vector<uint32_t> out;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        return {};
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    *w = d.output_width;
    *h = d.output_height;
    std::vector<unsigned char> row(d.output_width * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (uint32_t x = 0; x < d.output_width; ++x)
            out.push_back(0xFF000000u | (uint32_t(row[3 * x]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

TEST_F(TextureImages, AJpegGivesLibjpegsDecodedPixels) {
    Start();
    std::vector<uint32_t> picture = CodedPicture(64, 32);
    for (size_t i = 0; i < picture.size(); i += 7) picture[i] ^= 0x00FFFFFF;  // edges for the DCT to work at
    const std::string jpeg = EncodeJpeg(64, 32, picture);
    ASSERT_FALSE(jpeg.empty());
    uint32_t w = 0, h = 0;
    const std::vector<uint32_t> want = DecodeJpeg(jpeg, &w, &h);
    ASSERT_EQ(w, 64u);
    ASSERT_EQ(h, 32u);
    CTexture* t = KestraTexture::CreateFromFile(Scratch("photo.jpg", jpeg).c_str(), 14, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Texels(t), want);
    KestraTexture::Release(t);
}

// ---- TGA and DDS

TEST_F(TextureImages, TgaAndDdsLoadAsTheirHeadersSay) {
    Start();
    std::vector<uint32_t> picture = CodedPicture(16, 8);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = (picture[i] & 0x00FFFFFF) | (uint32_t(i * 2) << 24);
    struct Case {
        const char* name;
        std::string bytes;
        bool opaque;
    } cases[] = {
        {"top.tga", MakeTga(16, 8, picture, 32, true), false},
        {"bottom.tga", MakeTga(16, 8, picture, 32, false), false},
        {"rgb.tga", MakeTga(16, 8, picture, 24, false), true},
        {"plain.dds", MakeDds(16, 8, picture), false},
    };
    for (const Case& c : cases) {
        CTexture* t = KestraTexture::CreateFromFile(Scratch(c.name, c.bytes).c_str(), 14, 0);
        ASSERT_NE(t, nullptr) << c.name;
        std::vector<uint32_t> want = picture;
        if (c.opaque)
            for (uint32_t& p : want) p |= 0xFF000000u;
        EXPECT_EQ(Texels(t), want) << c.name;
        KestraTexture::Release(t);
    }
}

// A 48-pixel picture fills its 64-texel texture: image pixel 24 sits at u = 0.5,
// which is texel 32, so the left half of the picture covers texels 0 to 31.
TEST_F(TextureImages, NonPowerOfTwoPicturesAreStretchedAndAddressedInImagePixels) {
    Start();
    std::vector<uint32_t> halves(48 * 48);
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 48; ++x) halves[y * 48 + x] = x < 24 ? 0xFFFF0000u : 0xFF0000FFu;
    CTexture* t = KestraTexture::CreateFromFile(Scratch("halves.tga", MakeTga(48, 48, halves)).c_str(), 14, 0);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->GetWidth(), 64u);
    EXPECT_FLOAT_EQ(t->PixelToU(24), 0.5f);
    EXPECT_FLOAT_EQ(t->PixelToU(48), 1.0f);
    const std::vector<uint32_t> texels = Texels(t);
    ASSERT_EQ(texels.size(), 64u * 64u);
    for (uint32_t y : {0u, 31u, 63u}) {
        EXPECT_EQ(texels[y * 64 + 0], 0xFFFF0000u);
        EXPECT_EQ(texels[y * 64 + 30], 0xFFFF0000u);
        EXPECT_EQ(texels[y * 64 + 33], 0xFF0000FFu);
        EXPECT_EQ(texels[y * 64 + 63], 0xFF0000FFu);
        // Around the seam the colours mix, red fading to blue.
        EXPECT_GE((texels[y * 64 + 31] >> 16) & 0xFF, (texels[y * 64 + 32] >> 16) & 0xFF);
    }
    KestraTexture::Release(t);
}

}  // namespace
