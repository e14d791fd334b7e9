// Shared by the font tests: the texture, sprite and font modules on a device of
// their own (null or GL backend), the file system rooted in the test's scratch
// folder, and writers of LFD files and TGA sheets that follow the file layouts
// byte by byte (independently of the engine's own LFD code).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/CFontSprite2D.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/gdi/gdi_testing.h"
#include "platform/win32/kernel.h"
#include "tests/engine/graphics/object_test_env.h"
#include "tests/support/test_support.h"

namespace fonttest {

using testsupport::Sjis;

// The face every font test asks for; the GDI stand-in resolves it to the
// installed Japanese Gothic.
inline std::string Face() { return Sjis(u8"ＭＳ ゴシック"); }

// The code of the first character of a CP932 text (one byte or lead * 256 + trail).
inline uint16_t CodeOf(const std::string& cp932) { return static_cast<uint16_t>(Kestra::GetCharCode(cp932.c_str())); }

struct Record {
    uint8_t sheet, left, width, right;
    uint16_t x1, y1, x2, y2;
};

// An LFD image laid out field by field: header, map, names, records.
inline std::string LfdBytes(uint8_t size, uint8_t sheets, uint16_t width, uint16_t height,
                            const std::map<uint16_t, uint16_t>& mapEntries, const std::vector<std::string>& names,
                            const std::vector<Record>& records, const char* magic = "LFD") {
    std::string b(25700 + 32 * names.size() + 12 * records.size(), '\0');
    auto u16 = [&](size_t at, uint16_t v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    };
    for (int i = 0; i < 4 && magic[i]; ++i) b[i] = magic[i];
    b[4] = static_cast<char>(size);
    b[5] = static_cast<char>(sheets);
    u16(6, width);
    u16(8, height);
    u16(10, static_cast<uint16_t>(records.size()));
    for (uint32_t i = 0; i < 12844; ++i) u16(12 + 2 * i, 0xFFFF);
    for (const auto& [index, glyph] : mapEntries) u16(12 + 2 * size_t(index), glyph);
    for (size_t s = 0; s < names.size(); ++s) b.replace(25700 + 32 * s, names[s].size(), names[s]);
    size_t at = 25700 + 32 * names.size();
    for (const Record& r : records) {
        b[at] = static_cast<char>(r.sheet);
        b[at + 1] = static_cast<char>(r.left);
        b[at + 2] = static_cast<char>(r.width);
        b[at + 3] = static_cast<char>(r.right);
        u16(at + 4, r.x1);
        u16(at + 6, r.y1);
        u16(at + 8, r.x2);
        u16(at + 10, r.y2);
        at += 12;
    }
    return b;
}

// A 32-bit top-down TGA of A8R8G8B8 words.
inline std::string TgaBytes(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels) {
    std::string b(18, '\0');
    b[2] = 2;
    b[12] = static_cast<char>(width & 0xFF);
    b[13] = static_cast<char>(width >> 8);
    b[14] = static_cast<char>(height & 0xFF);
    b[15] = static_cast<char>(height >> 8);
    b[16] = 32;
    b[17] = 0x28;
    for (uint32_t v : pixels)
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>(v >> (8 * k)));
    return b;
}

// The pixels of a texture: A8R8G8B8 words, or A4R4G4B4 ones in the low half.
inline std::vector<uint32_t> SheetPixels(CTexture* sheet, uint32_t* width, uint32_t* height) {
    std::vector<uint32_t> out;
    void* bits = nullptr;
    int32_t pitch = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (!sheet || !sheet->Lock(nullptr, &bits, &pitch, width, height, &format)) return out;
    const uint32_t bytes = format == D3DFMT_A4R4G4B4 ? 2 : 4;
    EXPECT_TRUE(bytes == 2 || format == D3DFMT_A8R8G8B8) << format;
    out.resize(size_t(*width) * *height);
    for (uint32_t y = 0; y < *height; ++y)
        for (uint32_t x = 0; x < *width; ++x)
            std::memcpy(&out[size_t(y) * *width + x], static_cast<const uint8_t*>(bits) + ptrdiff_t(y) * pitch + x * bytes,
                        bytes);
    sheet->Unlock();
    return out;
}

// The font modules on a started device, with the scratch folder as the current
// folder of the file system.
class FontTest : public objtest::DeviceTest {
protected:
    void StartFonts(d3d9test::Backend backend) {
        StartDevice(backend);
        if (HasFatalFailure()) return;
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof(previous), previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ASSERT_TRUE(KestraFile::Initialize());
        files_ = true;
        ASSERT_TRUE(KestraTexture::Initialize());
        ASSERT_TRUE(KestraFont::Initialize());
        ASSERT_TRUE(KestraSprite2D::Initialize());
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
        modules_ = true;
    }
    void FinishDevice() override {
        if (modules_) {
            KestraFontSprite2D::Finalize();
            KestraSprite2D::Finalize();
            KestraFont::Finalize();
            KestraTexture::Finalize();
            modules_ = false;
        }
        if (files_) {
            KestraFile::Finalize();
            SetCurrentDirectoryA(previous_.c_str());
            files_ = false;
        }
        platform::gdi::UseFontFolderForTesting("");
        objtest::DeviceTest::FinishDevice();
    }
    void Put(const std::string& name, const std::string& bytes) { testsupport::WriteFile(dir_.file(name), bytes); }

    bool modules_ = false;
    bool files_ = false;
    std::string previous_;
};

}  // namespace fonttest
