// The PNG and BMP readers against the PngSuite corpus and its decoded
// reference pixels.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/platform/d3dx9/image_test_util.h"

using namespace d3dx9img;
using namespace imagetest;

namespace {

std::vector<std::string> SuiteNames() {
    std::vector<std::string> names;
    DIR* dir = opendir((PngSuiteDir() + "/png").c_str());
    if (dir == nullptr) return names;
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n.size() > 4 && n.substr(n.size() - 4) == ".png") names.push_back(n.substr(0, n.size() - 4));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool SixteenBit(const std::string& name) { return name.size() == 8 && name.substr(6) == "16"; }

// RGBA reference at 8 bits. The 16-bit pictures' exact samples are reduced
// here to the nearest 8-bit value (v * 255 / 65535, rounded), the rule the PNG
// reader follows. (The "_to8" files come from another converter whose
// rounding varies by one, so they are not used.)
std::vector<uint32_t> Reference(const std::string& name) {
    std::vector<uint32_t> values = ParseJsonNumbers(testsupport::ReadFile(PngSuiteDir() + "/json/" + name + ".json"));
    if (SixteenBit(name))
        for (uint32_t& v : values) v = (v * 255 + 32767) / 65535;
    return values;
}

// Compares a decoded picture with RGBA reference bytes; answers a message for
// the first difference beyond `tolerance` per channel. With
// `anyColourWhenClear` the colour of fully transparent pixels is not compared
// (the BMP twins store them as black).
std::string Compare(const Image& image, const std::vector<uint32_t>& rgba, uint32_t tolerance = 0,
                    bool anyColourWhenClear = false) {
    if (rgba.size() != image.pixels.size() * 4)
        return "size " + std::to_string(image.pixels.size() * 4) + " vs reference " + std::to_string(rgba.size());
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t want = (rgba[4 * i + 3] << 24) | (rgba[4 * i] << 16) | (rgba[4 * i + 1] << 8) | rgba[4 * i + 2];
        const uint32_t got = image.pixels[i];
        bool same = true;
        for (int shift = 0; shift < 32; shift += 8) {
            if (anyColourWhenClear && (want >> 24) == 0 && shift < 24) continue;
            const int d = int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF);
            if (uint32_t(d < 0 ? -d : d) > tolerance) same = false;
        }
        if (!same) {
            char text[96];
            std::snprintf(text, sizeof(text), "pixel %zu (%u,%u): %08X vs reference %08X", i,
                          unsigned(i % image.width), unsigned(i / image.width), got, want);
            return text;
        }
    }
    return "";
}

TEST(ImagePngSuite, EveryGoodPngMatchesItsReferencePixels) {
    const std::vector<std::string> names = SuiteNames();
    ASSERT_GT(names.size(), 150u) << "PngSuite not found under " << PngSuiteDir();
    int checked = 0;
    for (const std::string& name : names) {
        if (name[0] == 'x') continue;
        const std::vector<uint8_t> file = ReadBytes(PngSuiteDir() + "/png/" + name + ".png");
        Image image;
        ASSERT_EQ(DecodeImage(file.data(), file.size(), &image), DecodeStatus::kOk) << name;
        EXPECT_EQ(image.info.fileFormat, kFilePng) << name;
        EXPECT_EQ(image.info.width, image.width) << name;
        EXPECT_EQ(Compare(image, Reference(name)), "") << name;
        ++checked;
    }
    EXPECT_GT(checked, 140);
}

TEST(ImagePngSuite, EveryBmpTwinMatchesTheSameReference) {
    int checked = 0;
    for (const std::string& name : SuiteNames()) {
        const std::string path = PngSuiteDir() + "/bmp/" + name + ".bmp";
        if (name[0] == 'x' || !testsupport::FileExists(path)) continue;
        const std::vector<uint8_t> file = ReadBytes(path);
        Image image;
        ASSERT_EQ(DecodeImage(file.data(), file.size(), &image), DecodeStatus::kOk) << name;
        EXPECT_EQ(image.info.fileFormat, kFileBmp) << name;
        EXPECT_EQ(image.info.format, kFmtA8R8G8B8) << name;  // 32-bit with an alpha mask
        // The twins of 16-bit pictures were reduced to 8 bits by their converter,
        // whose rounding may differ by one from the nearest value.
        EXPECT_EQ(Compare(image, Reference(name), SixteenBit(name) ? 1 : 0, true), "") << name;
        ++checked;
    }
    EXPECT_GT(checked, 140);
}

TEST(ImagePngSuite, CorruptFilesAreRefused) {
    int refused = 0;
    for (const std::string& name : SuiteNames()) {
        if (name[0] != 'x') continue;
        const std::vector<uint8_t> file = ReadBytes(PngSuiteDir() + "/png/" + name + ".png");
        Image image;
        EXPECT_EQ(DecodeImage(file.data(), file.size(), &image), DecodeStatus::kInvalidData) << name;
        EXPECT_TRUE(image.pixels.empty()) << name;
        FakeSurface* surface = new FakeSurface(32, 32, D3DFMT_A8R8G8B8);
        EXPECT_EQ(D3DXLoadSurfaceFromFileInMemory(surface, nullptr, nullptr, file.data(), UINT(file.size()), nullptr,
                                                  D3DX_FILTER_TRIANGLE, 0, nullptr),
                  D3DXERR_INVALIDDATA)
            << name;
        EXPECT_EQ(surface->LockCount(), 0) << name;
        surface->Release();
        ++refused;
    }
    EXPECT_EQ(refused, 14);
}

TEST(ImagePngSuite, ReportedFormatsFollowTheFileLayout) {
    struct Case {
        const char* name;
        uint32_t format;
        uint32_t width;
    } cases[] = {
        {"basn6a08", kFmtA8R8G8B8, 32},     {"basn2c08", kFmtX8R8G8B8, 32},  {"tbrn2c08", kFmtA8R8G8B8, 32},
        {"basn0g08", kFmtL8, 32},           {"basn0g01", kFmtL8, 32},        {"basn4a08", kFmtA8L8, 32},
        {"basn3p08", kFmtP8, 32},           {"basn0g16", kFmtL16, 32},       {"basn2c16", kFmtA16B16G16R16, 32},
        {"s01i3p01", kFmtP8, 1},            {"s09n3p02", kFmtP8, 9},         {"basi6a16", kFmtA16B16G16R16, 32},
        {"tbbn0g04", kFmtA8L8, 32},         {"tbwn0g16", kFmtA16B16G16R16, 32},  // grey with a transparent value
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = ReadBytes(PngSuiteDir() + "/png/" + c.name + ".png");
        ImageInfo info;
        ASSERT_EQ(ReadImageInfo(file.data(), file.size(), &info), DecodeStatus::kOk) << c.name;
        EXPECT_EQ(info.format, c.format) << c.name;
        EXPECT_EQ(info.width, c.width) << c.name;
        EXPECT_EQ(info.height, c.width) << c.name;
        EXPECT_EQ(info.depth, 1u);
        EXPECT_EQ(info.mipLevels, 1u);
        EXPECT_EQ(info.resourceType, kResTexture);
        EXPECT_EQ(info.fileFormat, kFilePng);
    }
}

// Every strict prefix of a file is refused (the readers need the whole
// picture; PNG also its end chunk) and never read out of bounds.
TEST(ImagePngSuite, TruncatedPngAndBmpPrefixesAreRefused) {
    for (const char* name : {"basn6a08", "basi3p02", "tbrn2c08", "s07i3p02"}) {
        for (const char* ext : {".png", ".bmp"}) {
            const std::string dir = ext[1] == 'p' ? "/png/" : "/bmp/";
            const std::vector<uint8_t> file = ReadBytes(PngSuiteDir() + dir + name + ext);
            for (size_t n = 1; n < file.size(); ++n) {
                // A copy of exactly n bytes, so any read past it is caught.
                std::vector<uint8_t> prefix(file.begin(), file.begin() + n);
                Image image;
                ASSERT_NE(DecodeImage(prefix.data(), prefix.size(), &image), DecodeStatus::kOk)
                    << name << ext << " prefix " << n;
            }
        }
    }
}

}  // namespace
