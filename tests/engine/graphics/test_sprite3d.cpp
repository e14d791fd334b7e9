// 3-D sprites and 3-D font sprites: quad corners and texture coordinates, the
// stage textures' references, the text layout in font pixels, creation failures,
// and real pixels through the game's camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/CVector3.h"
#include "engine/graphics/CFontSprite3D.h"
#include "engine/graphics/CSprite3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraSprite3D.h"
#include "tests/engine/graphics/font_test_env.h"
#include "tests/engine/graphics/list_test_env.h"

namespace {

using fonttest::CodeOf;
using fonttest::LfdBytes;
using fonttest::Sjis;
using fonttest::TgaBytes;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;

// One stored vertex of a one-set 3-D list (24 bytes).
struct Stored {
    float x, y, z;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(Stored) == 24);

std::vector<Stored> Uploaded(CSprite3D* s) {
    std::vector<Stored> out;
    s->End();
    const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(s->GetVertexBuffer());
    for (size_t at = 0; at + sizeof(Stored) <= bytes.size() && out.size() < s->GetStoredCount(); at += 24) {
        Stored v;
        std::memcpy(&v, bytes.data() + at, sizeof(v));
        out.push_back(v);
    }
    return out;
}

class Sprites3D : public fonttest::FontTest {
protected:
    void Start3D(d3d9test::Backend backend) {
        StartFonts(backend);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(KestraCamera::Initialize());
        ASSERT_TRUE(KestraSprite3D::Initialize());
        ASSERT_TRUE(KestraFontSprite3D::Initialize());
        started3D_ = true;
        // Size 16, cells 18 high: A (bearing 1, red), B (bearing 2, green), 字 (16 wide).
        std::vector<uint32_t> px(64 * 32, 0);
        auto fill = [&](int x1, int x2, uint32_t rgb) {
            for (int y = 0; y < 18; ++y)
                for (int x = x1; x < x2; ++x) px[size_t(y) * 64 + x] = 0xFF000000 | rgb;
        };
        fill(0, 8, kRed);
        fill(8, 16, kGreen);
        fill(16, 32, kRed);
        Put("glyphs.tga", TgaBytes(64, 32, px));
        Put("glyphs2.tga", TgaBytes(64, 32, px));
        Put("test.lfd", LfdBytes(16, 2, 64, 32,
                                 {{'A', 0}, {'B', 1}, {KestraLfd::GetCharIndex(CodeOf(Sjis(u8"字"))), 2}},
                                 {"glyphs", "glyphs2"},
                                 {{0, 1, 8, 0, 0, 0, 8, 18}, {0, 2, 8, 0, 8, 0, 16, 18}, {0, 0, 16, 0, 16, 0, 32, 18}}));
    }
    void FinishDevice() override {
        if (started3D_) {
            KestraSprite3D::Finalize();
            KestraFontSprite3D::Finalize();
            KestraCamera::Finalize();
        }
        started3D_ = false;
        fonttest::FontTest::FinishDevice();
    }
    CTexture* Solid(uint32_t argb) {
        const std::string tga = TgaBytes(64, 64, std::vector<uint32_t>(64 * 64, argb));
        Put("solid.tga", tga);
        return KestraTexture::CreateFromFile("solid.tga", 14, 0);
    }
    bool started3D_ = false;
};

TEST_F(Sprites3D, QuadCornersAndTextureCoordinatesFollowTheTransform) {
    Start3D(d3d9test::Backend::Null);
    CTexture* t = Solid(0xFFFFFFFF);
    ASSERT_NE(t, nullptr);
    CSprite3D* s = KestraSprite3D::Create(6, 1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(t->GetRefCount(), 1);
    s->SetTexture(0, t);
    s->SetTexture(0, t);  // the same one again keeps one reference
    s->SetTexture(3, t);  // the last stage
    s->SetTexture(4, t);  // no such stage
    EXPECT_EQ(t->GetRefCount(), 3);
    CTransform moved;
    moved.SetPosition(10, 0, 0);
    moved.UpdateMatrix();
    const float src[16] = {0, 0, 32, 16};  // a rectangle for each of the four stages
    s->Begin();
    ASSERT_TRUE(s->DrawSquare(&moved, 1, 2, 3, 4, 2, src, 0xFF112233, 1));
    EXPECT_FALSE(s->DrawSquare(nullptr, 0, 0, 0, 1, 1, src, 0xFF112233, 9)) << "a second quad passes capacity 6";
    const std::vector<Stored> v = Uploaded(s);
    ASSERT_EQ(v.size(), 6u);
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    s->Render();
    Kestra3D::EndScene();
    const std::vector<d3d9test::DrawCall> draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].textures[3], draws[0].textures[0]) << "every stage is bound";
    EXPECT_NE(draws[0].textures[0], nullptr);
    // Top-left, top-right, bottom-left; bottom-left, top-right, bottom-right (y up).
    const float expect[6][5] = {{9, 3, 3, 0, 0},      {13, 3, 3, 0.5f, 0},   {9, 1, 3, 0, 0.25f},
                                {9, 1, 3, 0, 0.25f}, {13, 3, 3, 0.5f, 0}, {13, 1, 3, 0.5f, 0.25f}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, expect[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].y, expect[i][1]) << i;
        EXPECT_FLOAT_EQ(v[i].z, expect[i][2]) << i;
        EXPECT_FLOAT_EQ(v[i].u, expect[i][3]) << i;
        EXPECT_FLOAT_EQ(v[i].v, expect[i][4]) << i;
        EXPECT_EQ(v[i].color, 0xFF112233u);
    }
    // The texel offset moves the source edges inward.
    KestraTexture::SetTexelOffset(0.5f);
    s->Begin();
    ASSERT_TRUE(s->DrawSquare(nullptr, 0, 0, 0, 1, 1, src, 0xFFFFFFFF, 1));
    const std::vector<Stored> w = Uploaded(s);
    EXPECT_FLOAT_EQ(w[0].u, 0.5f / 64.0f);
    EXPECT_FLOAT_EQ(w[5].u, 31.5f / 64.0f);
    KestraTexture::SetTexelOffset(0.0f);
    KestraSprite3D::Release(s);
    EXPECT_EQ(t->GetRefCount(), 1) << "the sprite let go of both stages";
    EXPECT_EQ(Count("<B><FONT color=\"RED\">CSprite3D Destruct</FONT></B>"), 1);
    KestraTexture::Release(t);
}

TEST_F(Sprites3D, TextIsLaidOutInFontPixelsAroundTheTransform) {
    Start3D(d3d9test::Backend::Null);
    CFontSprite3D* f = KestraFontSprite3D::CreateFromFile("test.lfd", ".tga", 300, 14);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetMaxLineLength("AB\tD"), 7u);
    EXPECT_EQ(f->GetMaxLineLength("A\nBCD"), 3u);
    EXPECT_EQ(f->GetMaxLineLength(Sjis(u8"字A").c_str()), 3u);
    EXPECT_EQ(f->GetMaxLineLength(""), 0u);
    CSprite3D* sheet = f->GetSprite(0);
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(f->GetSheet(1), f->GetSheet(0));
    for (uint32_t i = 0; i < 2; ++i) EXPECT_EQ(f->GetSprite(i)->GetTexture(0), f->GetSheet(i)) << i;
    EXPECT_EQ(f->GetSprite(CFontSprite3D::kMaxSheets), nullptr);

    // Four single-byte glyphs at size 16, height 16 (k = 1): the pen starts at -16
    // and steps 8, A's quad centred at cell / 2 + bearing from it.
    f->Begin();
    f->DrawString("ABAB", nullptr, 16.0f, 0xFFFFFFFF);
    std::vector<Stored> v = Uploaded(sheet);
    ASSERT_EQ(v.size(), 24u);
    const float centres[4] = {-16 + 4 + 1, -8 + 4 + 2, 0 + 4 + 1, 8 + 4 + 2};
    for (int g = 0; g < 4; ++g) {
        EXPECT_FLOAT_EQ(v[6 * g].x, centres[g] - 4) << g;      // 8 wide
        EXPECT_FLOAT_EQ(v[6 * g + 1].x, centres[g] + 4) << g;
        EXPECT_FLOAT_EQ(v[6 * g].y, 9 + 8 + 8) << g;           // centre 18 / 2 + 8, 16 high
        EXPECT_FLOAT_EQ(v[6 * g + 2].y, 9 + 8 - 8) << g;
    }
    // Height 8 halves everything; a transform moves it; a line break goes down
    // one size; a double-byte glyph advances a whole cell.
    CTransform at;
    at.SetPosition(100, 50, 7);
    at.UpdateMatrix();
    f->Begin();
    f->DrawString(Sjis(u8"字A\nB").c_str(), &at, 8.0f, 0xFFFFFFFF);
    v = Uploaded(sheet);
    ASSERT_EQ(v.size(), 18u);
    // L = 3: the pen starts at -12. 字: centre (8 + 0 - 12) * 0.5 = -2, 16 wide -> 8.
    EXPECT_FLOAT_EQ(v[0].x, 100 - 2 - 4);
    EXPECT_FLOAT_EQ(v[0].z, 7.0f);
    // A after it: pen -12 + 16 = 4, centre (4 + 1 + 4) * 0.5.
    EXPECT_FLOAT_EQ(v[6].x, 100 + 4.5f - 2);
    // B on the next line: y = 8 - 16, centre (9 - 8) * 0.5 = 0.5, 8 high.
    EXPECT_FLOAT_EQ(v[12].y, 50 + 0.5f + 4);
    EXPECT_FLOAT_EQ(v[12].x, 100 + (-12 + 4 + 2) * 0.5f - 2);

    // Proportional: no bearing, cell width + 1 a glyph; space, TAB and unknown codes.
    f->Begin();
    f->DrawStringProportional("AB", nullptr, 16.0f, 0xFFFFFFFF);
    v = Uploaded(sheet);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_FLOAT_EQ(v[0].x, -8 + 4 - 4);
    EXPECT_FLOAT_EQ(v[6].x, -8 + 9 + 4 - 4);
    f->Begin();
    f->DrawString("A Z\tA", nullptr, 16.0f, 0xFFFFFFFF);
    v = Uploaded(sheet);
    ASSERT_EQ(v.size(), 12u);
    // L = 8: start -32; A, space 8, Z (no glyph) 8, TAB 64: the second A at 56.
    EXPECT_FLOAT_EQ(v[6].x, -32 + 8 + 8 + 8 + 64 + 5 - 4);
    // Here a backspace moves the pen on by a whole cell, and a carriage return
    // breaks the line as a line feed does. L = 3: start -12.
    f->Begin();
    f->DrawString("A\bA\rB", nullptr, 16.0f, 0xFFFFFFFF);
    v = Uploaded(sheet);
    ASSERT_EQ(v.size(), 18u);
    EXPECT_FLOAT_EQ(v[0].x, -12 + 5 - 4);
    EXPECT_FLOAT_EQ(v[6].x, -12 + 8 + 16 + 5 - 4);
    EXPECT_FLOAT_EQ(v[12].x, -12 + 6 - 4);
    EXPECT_FLOAT_EQ(v[12].y, 9 - 8 + 8);
    ASSERT_TRUE(f->CreateFromFile("test.lfd", ".tga", 300, 14));  // made again: no sprite of the first is left
    KestraFontSprite3D::Release(f);
    EXPECT_EQ(Count("<B><FONT color=\"RED\">CFontSprite3D Destruct []</FONT></B>"), 1);
    EXPECT_EQ(KestraSprite3D::GetManager()->GetCount(), 0u);
}

TEST_F(Sprites3D, ABadFileOrAMissingSheetSpriteFailsTheFontSprite) {
    Start3D(d3d9test::Backend::Null);
    Put("zero.lfd", LfdBytes(0, 1, 64, 32, {{'A', 0}}, {"glyphs"}, {{0, 1, 8, 0, 0, 0, 8, 18}}));
    EXPECT_EQ(KestraFontSprite3D::CreateFromFile("zero.lfd", ".tga", 300, 14), nullptr) << "font size 0";
    platform::InjectFault("CreateVertexBuffer");
    EXPECT_EQ(KestraFontSprite3D::CreateFromFile("test.lfd", ".tga", 300, 14), nullptr);
    platform::ClearFaults();
    EXPECT_EQ(KestraFontSprite3D::GetManager()->GetCount(), 0u);
    EXPECT_EQ(KestraSprite3D::GetManager()->GetCount(), 0u);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u);
    EXPECT_GE(Count("<B><FONT color=\"BLUE\">CFontSprite3D::Create</FONT></B>"), 2);
    // A font sprite still held when the sprite module finishes lets its sprites go quietly.
    CFontSprite3D* f = KestraFontSprite3D::CreateFromFile("test.lfd", ".tga", 30, 14);
    ASSERT_NE(f, nullptr);
    KestraSprite3D::Finalize();
    KestraFontSprite3D::Release(f);
}

TEST_F(Sprites3D, UnderGlQuadsAndTextLandWhereTheGameCameraProjectsThem) {
    // In a child with its own display: the test's process opens none itself, so
    // the children it forks for other GL tests inherit no connection of its own.
    EXPECT_EQ(objtest::InDisplayChild([&] {
                  Start3D(d3d9test::Backend::GL);
                  listtest::PlaceGameCamera();
                  Kestra3D::SetAlphaTestEnable(true);
                  Kestra3D::SetFilterEnable(false);
                  Kestra3D::SetBlendingType(1);
                  CTexture* t = Solid(0xFF0000FF);
                  CSprite3D* s = KestraSprite3D::Create(6, 1);
                  CFontSprite3D* f = KestraFontSprite3D::CreateFromFile("test.lfd", ".tga", 60, 14);
                  ASSERT_TRUE(t && s && f);
                  s->SetTexture(0, t);
                  const float src[4] = {0, 0, 64, 64};
                  s->Begin();
                  ASSERT_TRUE(s->DrawSquare(nullptr, -10, 0, 0, 10, 10, src, 0xFFFFFFFF, 1));
                  s->End();
                  CTransform text;
                  text.SetPosition(10, 0, 0);
                  text.UpdateMatrix();
                  f->Begin();
                  f->DrawString("A", &text, 10.0f, 0xFFFFFFFF);
                  f->End();
                  ASSERT_TRUE(Kestra3D::Clear(1, 0xFF000000, 1.0f, 0, nullptr));
                  ASSERT_TRUE(Kestra3D::BeginScene());
                  s->Render();
                  f->Render();
                  Kestra3D::EndScene();
                  const d3d9test::Image out = d3d9test::ReadRenderTarget(Device());
                  ASSERT_EQ(out.width, 640u);
                  // The quad: world x -15 .. -5, y -5 .. 5.
                  float x0, y0, x1, y1;
                  listtest::ScreenOf(-15, 5, &x0, &y0);
                  listtest::ScreenOf(-5, -5, &x1, &y1);
                  const uint32_t blue = 0xFF0000FF;
                  EXPECT_EQ(out.at(uint32_t((x0 + x1) / 2), uint32_t((y0 + y1) / 2)), blue);
                  EXPECT_EQ(out.at(uint32_t(x0) + 2, uint32_t(y0) + 2), blue);
                  EXPECT_EQ(out.at(uint32_t(x1) - 2, uint32_t(y1) - 2), blue);
                  EXPECT_EQ(out.at(uint32_t(x0) - 2, uint32_t(y0) + 10), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t(x1) + 2, uint32_t(y0) + 10), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t(x0) + 10, uint32_t(y0) - 2), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t(x0) + 10, uint32_t(y1) + 2), 0xFF000000u);
                  // "A" 10 high at (10, 0, 0): L = 1, pen -4, k = 10 / 16; centre ((4 + 1 - 4) k,
                  // (9 + 8) k), 8 k wide: world x 10 - 1.875 .. 10 + 3.125, y 5.625 .. 15.625.
                  listtest::ScreenOf(10 - 1.875f, 15.625f, &x0, &y0);
                  listtest::ScreenOf(10 + 3.125f, 5.625f, &x1, &y1);
                  const uint32_t red = 0xFF000000 | kRed;
                  EXPECT_EQ(out.at(uint32_t((x0 + x1) / 2), uint32_t((y0 + y1) / 2)), red);
                  EXPECT_EQ(out.at(uint32_t(x0) + 2, uint32_t(y0) + 2), red);
                  EXPECT_EQ(out.at(uint32_t(x1) - 2, uint32_t(y1) - 2), red);
                  EXPECT_EQ(out.at(uint32_t(x0) - 2, uint32_t((y0 + y1) / 2)), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t(x1) + 2, uint32_t((y0 + y1) / 2)), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t((x0 + x1) / 2), uint32_t(y0) - 2), 0xFF000000u);
                  EXPECT_EQ(out.at(uint32_t((x0 + x1) / 2), uint32_t(y1) + 2), 0xFF000000u);
                  KestraSprite3D::Release(s);
                  KestraFontSprite3D::Release(f);
                  KestraTexture::Release(t);
                  FinishDevice();
              }),
              0);
}

}  // namespace
