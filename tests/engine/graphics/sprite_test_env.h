// Shared by the texture, primitive and sprite tests: the device with the texture,
// primitive and sprite modules started, little image-file builders and texture
// read-back.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/CPrimitive2D.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/KestraPrimitive2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "tests/engine/graphics/object_test_env.h"
#include "tests/support/test_support.h"

namespace spritetest {

using testsupport::Sjis;

inline void Put16(std::string& o, uint32_t v) {
    o.push_back(char(v & 0xFF));
    o.push_back(char((v >> 8) & 0xFF));
}
inline void Put32(std::string& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(char((v >> (8 * i)) & 0xFF));
}

// A TGA file of 0xAARRGGBB pixels (row 0 the top): 32-bit with 8 alpha bits, or
// 24-bit; stored top-down or bottom-up as asked.
inline std::string MakeTga(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb, uint32_t bits = 32,
                           bool topDown = true) {
    std::string o;
    o.push_back(0);
    o.push_back(0);
    o.push_back(2);  // uncompressed true colour
    o.append(5, '\0');
    Put16(o, 0);
    Put16(o, 0);
    Put16(o, w);
    Put16(o, h);
    o.push_back(char(bits));
    o.push_back(char((bits == 32 ? 8 : 0) | (topDown ? 0x20 : 0)));
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t y = topDown ? row : h - 1 - row;
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t p = argb[size_t(y) * w + x];
            o.push_back(char(p & 0xFF));
            o.push_back(char((p >> 8) & 0xFF));
            o.push_back(char((p >> 16) & 0xFF));
            if (bits == 32) o.push_back(char(p >> 24));
        }
    }
    return o;
}

// An uncompressed 32-bit DDS (A8R8G8B8) of the pixels.
inline std::string MakeDds(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb) {
    std::string o = "DDS ";
    Put32(o, 124);
    Put32(o, 0x1007 | 0x8);  // caps, height, width, pixel format, pitch
    Put32(o, h);
    Put32(o, w);
    Put32(o, w * 4);
    Put32(o, 0);
    Put32(o, 0);
    for (int i = 0; i < 11; ++i) Put32(o, 0);
    Put32(o, 32);
    Put32(o, 0x41);  // RGB | ALPHAPIXELS
    Put32(o, 0);
    Put32(o, 32);
    Put32(o, 0x00FF0000);
    Put32(o, 0x0000FF00);
    Put32(o, 0x000000FF);
    Put32(o, 0xFF000000);
    Put32(o, 0x1000);
    for (int i = 0; i < 4; ++i) Put32(o, 0);
    for (uint32_t p : argb) Put32(o, p);
    return o;
}

// Texel (i, j) of the coordinate-coded picture: red 4i, green 4j, blue 128, opaque.
inline uint32_t CodedTexel(uint32_t i, uint32_t j) { return 0xFF000080u | ((4 * i) << 16) | ((4 * j) << 8); }
inline std::vector<uint32_t> CodedPicture(uint32_t w, uint32_t h) {
    std::vector<uint32_t> p(size_t(w) * h);
    for (uint32_t j = 0; j < h; ++j)
        for (uint32_t i = 0; i < w; ++i) p[size_t(j) * w + i] = CodedTexel(i % 64, j % 64);
    return p;
}

inline void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0755); }

// The texels of a 32-bit texture through its own lock, row by row.
inline std::vector<uint32_t> Texels(CTexture* t) {
    std::vector<uint32_t> out;
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t w = 0, h = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (!t || !t->Lock(nullptr, &bits, &pitch, &w, &h, &format)) return out;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(bits) + size_t(y) * pitch;
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t v;
            std::memcpy(&v, row + 4 * x, 4);
            out.push_back(v);
        }
    }
    t->Unlock();
    return out;
}

// The device with the texture, 2-D primitive and 2-D sprite modules.
class SpriteTest : public objtest::DeviceTest {
protected:
    void Start(d3d9test::Backend backend = d3d9test::Backend::Null) {
        StartDevice(backend);
        ASSERT_TRUE(KestraTexture::Initialize());
        ASSERT_TRUE(KestraPrimitive2D::Initialize());
        ASSERT_TRUE(KestraSprite2D::Initialize());
    }
    void FinishDevice() override {
        KestraSprite2D::Finalize();
        KestraPrimitive2D::Finalize();
        KestraTexture::Finalize();
        objtest::DeviceTest::FinishDevice();
    }
    // What InGl starts: the device and this fixture's modules on the GL backend.
    virtual void StartGl() { Start(d3d9test::Backend::GL); }
    // The body runs in a child with its own display, device and modules, in the
    // game's device state (alpha test, no filtering, preset 1); cleanup runs
    // after it, before the device is finished.
    void InGl(const std::function<void()>& body, const std::function<void()>& cleanup = nullptr) {
        EXPECT_EQ(objtest::InDisplayChild([&] {
                      StartGl();
                      Kestra3D::SetAlphaTestEnable(true);
                      Kestra3D::SetFilterEnable(false);
                      Kestra3D::SetBlendingType(1);
                      body();
                      if (cleanup) cleanup();
                      FinishDevice();
                  }),
                  0);
    }
    // Writes bytes to a scratch file and answers its path.
    std::string Scratch(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.path() + "/" + name;
        testsupport::WriteFile(path, bytes);
        return path;
    }
    CTextureManager* Manager() { return KestraTexture::GetManager(); }
};

}  // namespace spritetest
