// 2-D sprites drawn for real (GL backend, private Xvfb) and read back: exact
// quads, rotations, rings, tubes and bands where their formulas put them, the
// blending presets' colours, and a game-shaped frame across a device reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSurface.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/support/test_support.h"

namespace {

constexpr D3DCOLOR kClear = 0xFF5A5A78;

using testsupport::Channel;
bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int s = 0; s < 24; s += 8)
        if (std::abs(Channel(a, s) - Channel(b, s)) > tolerance) return false;
    return true;
}

class SpritesGl : public spritetest::SpriteTest {
protected:
    CTexture* Picture(const std::string& name, uint32_t w, uint32_t h, const std::vector<uint32_t>& argb) {
        CTexture* t = KestraTexture::CreateFromFile(Scratch(name, spritetest::MakeTga(w, h, argb)).c_str(), 14, 0);
        EXPECT_NE(t, nullptr);
        return t;
    }
    // One frame: clear, then each sprite rendered under its preset in one scene.
    // Depth is cleared too once a depth-stencil surface is bound.
    d3d9test::Image Frame(const std::vector<std::pair<CSprite2D*, uint32_t>>& sprites, D3DCOLOR clear = kClear) {
        EXPECT_TRUE(Kestra3D::Clear(Kestra3D::GetDepthStencil() ? 3 : 1, clear, 1.0f, 0, nullptr));
        EXPECT_TRUE(Kestra3D::BeginScene());
        for (const auto& [sprite, preset] : sprites) {
            Kestra3D::SetBlendingType(preset);
            KestraSprite2D::Render(sprite);
        }
        Kestra3D::EndScene();
        return d3d9test::ReadRenderTarget(Device());
    }
};

// The reference pixel test: a 32 x 16 source rectangle of a coordinate-coded
// picture lands exactly on its destination, and not one pixel more.
TEST_F(SpritesGl, DrawSquarePutsTheSourceRectangleExactlyOnItsDestination) {
    InGl([&] {
        CTexture* t = Picture("coded.tga", 64, 64, spritetest::CodedPicture(64, 64));
        CSprite2D* s = KestraSprite2D::Create(300, 1, false);
        ASSERT_TRUE(t && s);
        KestraSprite2D::SetTexture(s, 0, t);
        const float dst[4] = {100, 50, 32, 16}, src[4] = {0, 0, 32, 16};
        KestraSprite2D::Begin(s);
        KestraSprite2D::DrawSquare(s, dst, 32767, src, 0xFFFFFFFF, 1);
        KestraSprite2D::End(s);
        const d3d9test::Image out = Frame({{s, 1}});
        ASSERT_EQ(out.width, 640u);
        for (uint32_t y = 50; y < 66; ++y)
            for (uint32_t x = 100; x < 132; ++x)
                ASSERT_EQ(out.at(x, y), spritetest::CodedTexel(x - 100, y - 50)) << x << "," << y;
        for (uint32_t x = 98; x < 134; ++x) {
            EXPECT_EQ(out.at(x, 49), kClear) << x;
            EXPECT_EQ(out.at(x, 66), kClear) << x;
        }
        for (uint32_t y = 48; y < 68; ++y) {
            EXPECT_EQ(out.at(99, y), kClear) << y;
            EXPECT_EQ(out.at(132, y), kClear) << y;
        }

        // An offset source rectangle of the same picture: texel (16 + i, 40 + j).
        const float src2[4] = {16, 40, 20, 10}, dst2[4] = {300, 300, 20, 10};
        KestraSprite2D::Begin(s);
        KestraSprite2D::DrawSquare(s, dst2, 32767, src2, 0xFFFFFFFF, 1);
        KestraSprite2D::End(s);
        const d3d9test::Image out2 = Frame({{s, 1}});
        EXPECT_EQ(out2.at(300, 300), spritetest::CodedTexel(16, 40));
        EXPECT_EQ(out2.at(319, 309), spritetest::CodedTexel(35, 49));
        EXPECT_EQ(out2.at(320, 309), kClear);
        KestraSprite2D::Release(s);
        KestraTexture::Release(t);
    });
}

TEST_F(SpritesGl, ARotatedQuadLandsWhereTheFormulaTurnsIt) {
    InGl([&] {
        std::vector<uint32_t> marked(32 * 16, 0xFF00FF00);
        marked[0] = 0xFFFF0000;  // the top-left texel
        CTexture* t = Picture("marked.tga", 32, 16, marked);
        CSprite2D* s = KestraSprite2D::Create(300, 1, false);
        ASSERT_TRUE(t && s);
        s->SetTexture(0, t);
        const float dst[4] = {100, 50, 32, 16}, src[4] = {0, 0, 32, 16};
        s->Begin();
        EXPECT_TRUE(s->DrawSquareRotate(dst, 32767, src, 0xFFFFFFFF, 16384, 1, 0, 0));
        s->End();
        const d3d9test::Image out = Frame({{s, 1}});
        // A quarter turn clockwise about (116, 58): a 16 x 32 box from (108, 42),
        // the marker in its top-right pixel.
        EXPECT_EQ(out.at(123, 42), 0xFFFF0000u);
        EXPECT_EQ(out.at(108, 42), 0xFF00FF00u);
        EXPECT_EQ(out.at(123, 73), 0xFF00FF00u);
        EXPECT_EQ(out.at(108, 73), 0xFF00FF00u);
        EXPECT_EQ(out.at(107, 58), kClear);
        EXPECT_EQ(out.at(124, 58), kClear);
        EXPECT_EQ(out.at(116, 41), kClear);
        EXPECT_EQ(out.at(116, 74), kClear);

        // Angle 0 with an offset draws exactly what DrawSquare draws.
        s->Begin();
        EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
        s->End();
        const d3d9test::Image plain = Frame({{s, 1}});
        s->Begin();
        EXPECT_TRUE(s->DrawSquareRotate(dst, 32767, src, 0xFFFFFFFF, 0, 1, 5, 7));
        s->End();
        const d3d9test::Image offset = Frame({{s, 1}});
        EXPECT_EQ(plain.pixels, offset.pixels);
        EXPECT_EQ(plain.at(100, 50), 0xFFFF0000u);
        KestraSprite2D::Release(s);
        KestraTexture::Release(t);
    });
}

// Rings, tubes and bands without a texture draw in their vertex colours.
TEST_F(SpritesGl, RingsTubesAndBandsLandOnTheirRadiiAndPoints) {
    InGl([&] {
        CSprite2D* s = KestraSprite2D::Create(600, 1, false);
        ASSERT_NE(s, nullptr);
        const float src[4] = {0, 0, 1, 1};
        s->Begin();
        EXPECT_TRUE(s->DrawRing(320, 240, 32767, src, 20, 40, 0xFFFF0000, 0xFFFF0000, 32, 1.0f, 1));
        s->End();
        d3d9test::Image out = Frame({{s, 1}});
        for (uint32_t a = 0; a < 4; ++a) {
            const int dx[4] = {0, 30, 0, -30}, dy[4] = {-30, 0, 30, 0};
            EXPECT_EQ(out.at(320 + dx[a], 240 + dy[a]), 0xFFFF0000u) << a;
        }
        EXPECT_EQ(out.at(320, 240), kClear);
        EXPECT_EQ(out.at(320 + 14, 240), kClear) << "inside radius A";
        EXPECT_EQ(out.at(320, 240 - 45), kClear) << "outside radius B";

        // A tube's rims coincide on the flat screen; the perspective effect opens
        // it into a band between the two rims' radii (its inside faces the viewer,
        // so culling is off).
        Kestra3D::SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        Kestra3D::SetPerspective2D(true, 320, 240, 1.0f);
        s->Begin();
        EXPECT_TRUE(s->DrawTube(320, 240, 32767, src, 100, 8000, 0xFF0000FF, 64, 1.0f, 1));
        s->End();
        out = Frame({{s, 1}});
        // f = 65535 / (65535 -+ 4000): the near rim at 106.5, the far one at 94.2.
        EXPECT_EQ(out.at(320 + 100, 240), 0xFF0000FFu);
        EXPECT_EQ(out.at(320, 240 - 100), 0xFF0000FFu);
        EXPECT_EQ(out.at(320 + 90, 240), kClear);
        EXPECT_EQ(out.at(320 + 110, 240), kClear);
        Kestra3D::SetPerspective2D(false, 320, 240, 100.0f);

        // A band along three points, 20 pixels wide.
        const float x[3] = {100, 150, 200}, y[3] = {300, 300, 340}, z[3] = {32767, 32767, 32767};
        const float hw[3] = {10, 10, 10};
        const uint32_t angles[3] = {0, 0, 0}, colors[3] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
        s->Begin();
        EXPECT_TRUE(s->DrawBand(x, y, z, hw, angles, colors, 3, src));
        s->End();
        out = Frame({{s, 1}});
        EXPECT_EQ(out.at(125, 300), 0xFF00FF00u);
        EXPECT_EQ(out.at(125, 291), 0xFF00FF00u);
        EXPECT_EQ(out.at(125, 288), kClear);
        EXPECT_EQ(out.at(125, 311), kClear);
        EXPECT_EQ(out.at(175, 320), 0xFF00FF00u) << "the second quad bends down to (200, 340)";
        KestraSprite2D::Release(s);
    });
}

// Texel x vertex colour under preset 1 (alpha) and preset 2 (additive with alpha).
TEST_F(SpritesGl, PresetsOneAndTwoGiveTheBlendingFormulasColours) {
    InGl([&] {
        CTexture* grey = Picture("grey.tga", 8, 8, std::vector<uint32_t>(64, 0xFF808080));
        CSprite2D* s = KestraSprite2D::Create(300, 1, false);
        ASSERT_TRUE(grey && s);
        s->SetTexture(0, grey);
        const float dst[4] = {10, 10, 8, 8}, src[4] = {0, 0, 8, 8};
        s->Begin();
        EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0x80FF0000, 1));
        s->End();
        // src = (128, 0, 0) with alpha 128/255.
        d3d9test::Image out = Frame({{s, 1}}, 0xFF000000);
        EXPECT_TRUE(Near(out.at(12, 12), 0xFF400000, 1)) << std::hex << out.at(12, 12);
        out = Frame({{s, 2}}, 0xFF404040);
        EXPECT_TRUE(Near(out.at(12, 12), 0xFF804040, 1)) << std::hex << out.at(12, 12);
        out = Frame({{s, 1}}, 0xFF404040);
        EXPECT_TRUE(Near(out.at(12, 12), 0xFF602020, 1)) << std::hex << out.at(12, 12);
        // A fully transparent vertex colour fails the alpha test: nothing drawn.
        s->Begin();
        EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0x00FFFFFF, 1));
        s->End();
        out = Frame({{s, 2}}, 0xFF404040);
        EXPECT_EQ(out.at(12, 12), 0xFF404040u);
        KestraSprite2D::Release(s);
        KestraTexture::Release(grey);
    });
}

// The game's frame: clear, sprites at z 32767 under preset 1 then preset 2, with
// the depth test on. A device reset in between changes no pixel, whether the next
// frame collects its quads again or only renders what the sprites still hold.
TEST_F(SpritesGl, AGameShapedFrameReadsBackTheSameAfterADeviceReset) {
    InGl([&] {
        ASSERT_TRUE(KestraSurface::Initialize());
        CSurface* depth = KestraSurface::CreateDepthStencil(640, 480, 1);
        ASSERT_NE(depth, nullptr);
        ASSERT_TRUE(Kestra3D::SetDepthStencil(depth));
        Kestra3D::SetDepthTestEnable(true);
        Kestra3D::SetRenderState(D3DRS_ZWRITEENABLE, 1);
        Kestra3D::SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

        std::vector<uint32_t> alpha = spritetest::CodedPicture(64, 64);
        for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = (alpha[i] & 0x00FFFFFF) | (uint32_t(i % 256) << 24);
        CTexture* coded = Picture("coded.tga", 64, 64, spritetest::CodedPicture(64, 64));
        CTexture* glow = Picture("glow.tga", 64, 64, alpha);
        CSprite2D* back = KestraSprite2D::Create(300, 1, false);
        CSprite2D* front = KestraSprite2D::Create(300, 1, false);
        ASSERT_TRUE(coded && glow && back && front);
        back->SetTexture(0, coded);
        front->SetTexture(0, glow);
        auto collect = [&] {
            back->Begin();
            front->Begin();
            for (int i = 0; i < 6; ++i) {
                const float dst[4] = {40.0f + 90 * i, 60.0f + 30 * i, 64, 48}, src[4] = {0, 0, 64, 48};
                EXPECT_TRUE(back->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
                EXPECT_TRUE(back->DrawSquareRotate(dst, 32767, src, 0xC0FFFFFF, uint32_t(i * 5000), 1, 0, 0));
            }
            for (int i = 0; i < 4; ++i) {
                const float dst[4] = {60.0f + 120 * i, 100, 96, 96}, src[4] = {0, 0, 64, 64};
                EXPECT_TRUE(front->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
            }
            back->End();
            front->End();
        };
        collect();
        const d3d9test::Image before = Frame({{back, 1}, {front, 2}});
        ASSERT_EQ(before.width, 640u);
        EXPECT_NE(before.at(72, 84), kClear) << "something was drawn";

        d3d9test::LoseDevice(Device(), 0);
        Kestra3D::ResetDevice(false);
        ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
        const d3d9test::Image restored = Frame({{back, 1}, {front, 2}});
        EXPECT_EQ(restored.pixels, before.pixels) << "the buffers were refilled from the stored frame";
        collect();
        const d3d9test::Image next = Frame({{back, 1}, {front, 2}});
        EXPECT_EQ(next.pixels, before.pixels);

        KestraSprite2D::Release(back);
        KestraSprite2D::Release(front);
        KestraTexture::Release(coded);
        KestraTexture::Release(glow);
        Kestra3D::SetDepthStencil(nullptr);
        KestraSurface::Release(depth);
        KestraSurface::Finalize();
    });
}

}  // namespace
