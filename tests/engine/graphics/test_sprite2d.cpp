// 2-D sprites on the null backend: the vertices each draw variant produces, the
// stage textures and their references, and the game-facing functions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/core/CMatrix.h"
#include "engine/graphics/Kestra3D.h"
#include "tests/engine/graphics/sprite_test_env.h"

namespace {

class Sprites : public spritetest::SpriteTest {
protected:
    // A w x h texture (its image is w x h as well).
    CTexture* Texture(uint32_t w, uint32_t h) {
        CTexture* t = KestraTexture::Create(int32_t(w), int32_t(h), 14);
        EXPECT_NE(t, nullptr);
        return t;
    }
    // What the sprite uploaded, as full vertices (pairs it does not store read 0).
    static std::vector<Vertex2D> Uploaded(CSprite2D* s) {
        s->End();
        std::vector<Vertex2D> out;
        const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(s->GetVertexBuffer());
        const uint32_t size = s->GetVertexSize();
        for (uint32_t i = 0; i < s->GetStoredCount() && (i + 1) * size <= bytes.size(); ++i) {
            Vertex2D v{};
            std::memcpy(&v, bytes.data() + size_t(i) * size, size);
            out.push_back(v);
        }
        return out;
    }
};

TEST_F(Sprites, DrawSquareMapsTheSourceRectangleInImagePixels) {
    Start();
    CTexture* t = Texture(64, 64);
    CSprite2D* s = KestraSprite2D::Create(300, 1, false);
    ASSERT_NE(s, nullptr);
    EXPECT_NE(Log().find("CSprite2D::Create"), std::string::npos);
    KestraSprite2D::SetTexture(s, 0, t);
    const float dst[4] = {100, 50, 32, 16}, src[4] = {0, 0, 32, 16};
    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0x80FF0000, 1));
    std::vector<Vertex2D> v = Uploaded(s);
    ASSERT_EQ(v.size(), 6u);
    // top-left, top-right, bottom-right, bottom-right, bottom-left, top-left
    const float xs[6] = {99.5f, 131.5f, 131.5f, 131.5f, 99.5f, 99.5f};
    const float ys[6] = {49.5f, 49.5f, 65.5f, 65.5f, 65.5f, 49.5f};
    const float us[6] = {0, 0.5f, 0.5f, 0.5f, 0, 0};
    const float vs[6] = {0, 0, 0.25f, 0.25f, 0.25f, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, xs[i]) << i;
        EXPECT_FLOAT_EQ(v[i].y, ys[i]) << i;
        EXPECT_FLOAT_EQ(v[i].uv[0][0], us[i]) << i;
        EXPECT_FLOAT_EQ(v[i].uv[0][1], vs[i]) << i;
        EXPECT_EQ(v[i].color, 0x80FF0000u);
        EXPECT_FLOAT_EQ(v[i].rhw, 1.0f);
    }

    // With filtering on the texel offset pulls the coordinates half a texel in.
    KestraTexture::SetTexelOffset(0.5f);
    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
    v = Uploaded(s);
    EXPECT_FLOAT_EQ(v[0].uv[0][0], 0.5f / 64);
    EXPECT_FLOAT_EQ(v[1].uv[0][0], 31.5f / 64);
    EXPECT_FLOAT_EQ(v[2].uv[0][1], 15.5f / 64);
    KestraTexture::SetTexelOffset(0.0f);

    // A stage count of 0 leaves every coordinate 0.
    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 0));
    for (const Vertex2D& x : Uploaded(s)) {
        EXPECT_FLOAT_EQ(x.uv[0][0], 0.0f);
        EXPECT_FLOAT_EQ(x.uv[0][1], 0.0f);
    }
    KestraSprite2D::Release(s);
    KestraTexture::Release(t);
}

TEST_F(Sprites, StagesWithoutTexturesGetZeroAndTheStageCountStopsAtFour) {
    Start();
    CTexture* a = Texture(64, 32);
    CTexture* c = Texture(16, 16);
    CSprite2D* s = KestraSprite2D::Create(30, 4, false);
    ASSERT_NE(s, nullptr);
    s->SetTexture(0, a);
    s->SetTexture(2, c);
    // Seven stages asked for: only four rectangles are read (the vector is exactly
    // four rectangles long, so the sanitizer catches a fifth).
    const std::vector<float> src = {0, 0, 32, 16, 1, 1, 1, 1, 4, 8, 8, 4, 2, 2, 2, 2};
    const float dst[4] = {0, 0, 10, 10};
    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 0, src.data(), 0xFFFFFFFF, 7));
    const std::vector<Vertex2D> v = Uploaded(s);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[2].uv[0][0], 0.5f);
    EXPECT_FLOAT_EQ(v[2].uv[0][1], 0.5f);
    EXPECT_FLOAT_EQ(v[2].uv[1][0], 0.0f) << "stage 1 has no texture";
    EXPECT_FLOAT_EQ(v[0].uv[2][0], 0.25f);
    EXPECT_FLOAT_EQ(v[2].uv[2][0], 0.75f);
    EXPECT_FLOAT_EQ(v[2].uv[2][1], 0.75f);
    EXPECT_FLOAT_EQ(v[2].uv[3][0], 0.0f);
    KestraSprite2D::Release(s);
    KestraTexture::Release(a);
    KestraTexture::Release(c);
}

TEST_F(Sprites, RotationTurnsClockwiseAboutTheCentreAndTheOffsetMovesOnlyThePivot) {
    Start();
    CSprite2D* s = KestraSprite2D::Create(30, 1, false);
    ASSERT_NE(s, nullptr);
    const float dst[4] = {100, 50, 32, 16}, src[4] = {0, 0, 32, 16};
    s->Begin();
    EXPECT_TRUE(s->DrawSquareRotate(dst, 32767, src, 0xFFFFFFFF, 16384, 1, 0, 0));
    std::vector<Vertex2D> v = Uploaded(s);
    ASSERT_EQ(v.size(), 6u);
    // The top-left corner lands at the top-right of a 16 x 32 box about (116, 58).
    EXPECT_NEAR(v[0].x, 124.0f - 0.5f, 1e-4);
    EXPECT_NEAR(v[0].y, 42.0f - 0.5f, 1e-4);
    EXPECT_NEAR(v[2].x, 108.0f - 0.5f, 1e-4);  // bottom-right -> bottom-left
    EXPECT_NEAR(v[2].y, 74.0f - 0.5f, 1e-4);

    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
    EXPECT_TRUE(KestraSprite2D::GetManager() != nullptr);
    KestraSprite2D::DrawSquareRotate(s, dst, 32767, src, 0xFFFFFFFF, 0, 1, 5, 7);
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_EQ(std::memcmp(&v[0], &v[6], 6 * sizeof(Vertex2D)), 0);

    // The three-axis form turns about the centre through the engine's rotation
    // matrix (a quarter turn about z puts the top-left corner at a corner of the
    // same 16 x 32 box); a matrix places a quad of the source's size.
    s->Begin();
    EXPECT_TRUE(s->DrawSquareRotateXYZ(dst, 100, src, 0xFFFFFFFF, 0, 0, 16384, 1));
    CMatrix m;
    m.Identity();
    m._41 = 116;
    m._42 = 58;
    m._43 = 100;
    EXPECT_TRUE(s->DrawSquareMatrix(m, src, 0xFFFFFFFF, 1));
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_NEAR(v[0].x, 107.5f, 1e-3);
    EXPECT_NEAR(v[0].y, 73.5f, 1e-3);
    EXPECT_NEAR(v[0].z, 100.0f / 65535, 1e-6);
    EXPECT_NEAR(v[6].x, 99.5f, 1e-3);
    EXPECT_NEAR(v[6].y, 49.5f, 1e-3);
    EXPECT_NEAR(v[8].x, 131.5f, 1e-3);
    KestraSprite2D::Release(s);
}

TEST_F(Sprites, RingsStartAtTheTopAndRunClockwise) {
    Start();
    CTexture* t = Texture(64, 64);
    CSprite2D* s = KestraSprite2D::Create(300, 1, false);
    ASSERT_NE(s, nullptr);
    s->SetTexture(0, t);
    const float src[4] = {0, 0, 32, 64};
    s->Begin();
    EXPECT_FALSE(s->DrawRing(200, 200, 32767, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 0, 1.0f, 1));
    EXPECT_TRUE(s->DrawRing(200, 200, 32767, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 4, 1.0f, 1));
    std::vector<Vertex2D> v = Uploaded(s);
    ASSERT_EQ(v.size(), 24u);
    // First segment: (a0 = top, radius B), (a1 = right, B), (a1, A), (a1, A), (a0, A), (a0, B).
    EXPECT_NEAR(v[0].x, 199.5f, 1e-3);
    EXPECT_NEAR(v[0].y, 149.5f, 1e-3);
    EXPECT_NEAR(v[1].x, 249.5f, 1e-3);
    EXPECT_NEAR(v[1].y, 199.5f, 1e-3);
    EXPECT_NEAR(v[2].x, 209.5f, 1e-3);
    EXPECT_NEAR(v[4].y, 189.5f, 1e-3);
    EXPECT_EQ(v[0].color, 0xFF0000FFu);
    EXPECT_EQ(v[2].color, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(v[0].uv[0][0], 0.0f);   // U on radius B: the left edge
    EXPECT_FLOAT_EQ(v[2].uv[0][0], 0.5f);   // on radius A: the right edge
    EXPECT_FLOAT_EQ(v[0].uv[0][1], 1.0f);   // V at a0: the bottom
    EXPECT_FLOAT_EQ(v[1].uv[0][1], 0.0f);   // at a1: the top
    // The second segment starts where the first ended (right) and goes down.
    EXPECT_NEAR(v[7].y, 249.5f, 1e-3);

    s->Begin();
    EXPECT_TRUE(s->DrawRingRotate(200, 200, 32767, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 4, 16384, 1.0f, 1));
    v = Uploaded(s);
    EXPECT_NEAR(v[0].x, 249.5f, 1e-3) << "a quarter turn starts on the right";
    s->Begin();
    EXPECT_TRUE(s->DrawRingRotateXYZ(200, 200, 32767, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 4, 0, 0, 0, 1.0f, 1));
    v = Uploaded(s);
    EXPECT_NEAR(v[0].y, 149.5f, 1e-3);

    // A sprite too small for the whole ring keeps the segments that fit.
    CSprite2D* small = KestraSprite2D::Create(12, 1, false);
    small->Begin();
    EXPECT_FALSE(small->DrawRing(200, 200, 32767, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 4, 1.0f, 1));
    EXPECT_EQ(small->GetStoredCount(), 12u);
    KestraSprite2D::Release(small);
    KestraSprite2D::Release(s);
    KestraTexture::Release(t);
}

TEST_F(Sprites, TubesSpanTheirDepthAndTrianglesAndBandsFollowTheirPoints) {
    Start();
    CTexture* t = Texture(64, 64);
    CSprite2D* s = KestraSprite2D::Create(300, 1, false);
    s->SetTexture(0, t);
    const float src[4] = {0, 0, 64, 32};
    s->Begin();
    EXPECT_FALSE(s->DrawTube(320, 240, 30000, src, 100, 2000, 0xFFFFFFFF, -1, 1.0f, 1));
    KestraTexture::SetTexelOffset(0.5f);
    EXPECT_TRUE(s->DrawTube(320, 240, 30000, src, 100, 2000, 0xFFFFFFFF, 8, 1.0f, 1));
    KestraTexture::SetTexelOffset(0.0f);
    std::vector<Vertex2D> v = Uploaded(s);
    ASSERT_EQ(v.size(), 48u);
    const float k = 1.0f / 65535;
    // (a0, near), (a0, far), (a1, far): the rims coincide on the screen.
    EXPECT_NEAR(v[0].z, 29000 * k, 1e-5);
    EXPECT_NEAR(v[1].z, 31000 * k, 1e-5);
    EXPECT_FLOAT_EQ(v[0].x, v[1].x);
    EXPECT_FLOAT_EQ(v[0].uv[0][0], 63.5f / 64);  // near rim: the right edge, half a texel in
    EXPECT_FLOAT_EQ(v[1].uv[0][0], 0.5f / 64);
    EXPECT_FLOAT_EQ(v[0].uv[0][1], 0.5f / 64);
    EXPECT_FLOAT_EQ(v[2].uv[0][1], 31.5f / 64);
    s->Begin();
    EXPECT_TRUE(s->DrawTubeRotate(320, 240, 30000, src, 100, 2000, 0xFFFFFFFF, 8, 8192, 1.0f, 1));
    EXPECT_TRUE(s->DrawTubeRotateXYZ(320, 240, 30000, src, 100, 2000, 0xFFFFFFFF, 8, 0, 0, 0, 1.0f, 1));
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 96u);
    EXPECT_NEAR(v[48].z, 29000 * k, 1e-5);
    EXPECT_NEAR(v[50].z, 31000 * k, 1e-5);  // (a0, near), (a1, near), (a1, far)
    EXPECT_FLOAT_EQ(v[48].uv[0][0], 0.0f);   // near rim: the left edge here

    // A triangle turned by 0 about its centroid stays; u, v in image pixels.
    const Sprite2DTriangleVertex tri[3] = {{10, 10, 100, 0, 0xFFFF0000, 0, 0},
                                           {40, 10, 100, 0, 0xFF00FF00, 64, 0},
                                           {10, 40, 100, 0, 0xFF0000FF, 0, 32}};
    s->Begin();
    EXPECT_TRUE(s->DrawTriangle(tri, 0, 0));
    EXPECT_TRUE(s->DrawTriangle(tri, 32768, 0));
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_NEAR(v[1].x, 39.5f, 1e-3);
    EXPECT_EQ(v[1].color, 0xFF00FF00u);
    EXPECT_FLOAT_EQ(v[1].uv[0][0], 1.0f);
    EXPECT_FLOAT_EQ(v[2].uv[0][1], 0.5f);
    // A half turn mirrors the corners through the centroid (20, 20).
    EXPECT_NEAR(v[3].x, 29.5f, 1e-3);
    EXPECT_NEAR(v[3].y, 29.5f, 1e-3);
    EXPECT_TRUE(s->DrawTriangleRotateXYZ(tri, 0, 0, 0, 0));

    // A band of three points: two quads, V running from top to bottom.
    const float x[3] = {100, 150, 200}, y[3] = {100, 100, 100}, z[3] = {0, 0, 0}, hw[3] = {10, 10, 10};
    const uint32_t angles[3] = {0, 0, 0}, colors[3] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    s->Begin();
    EXPECT_FALSE(s->DrawBand(x, y, z, hw, angles, colors, 1, src));
    EXPECT_TRUE(s->DrawBand(x, y, z, hw, angles, colors, 3, src));
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 12u);
    // minus 0, plus 0, minus 1: the side vector (0, 10) turned by 0.
    EXPECT_NEAR(v[0].y, 89.5f, 1e-3);
    EXPECT_NEAR(v[1].y, 109.5f, 1e-3);
    EXPECT_FLOAT_EQ(v[0].uv[0][0], 0.0f);
    EXPECT_FLOAT_EQ(v[1].uv[0][0], 1.0f);
    EXPECT_FLOAT_EQ(v[2].uv[0][1], 0.25f);  // halfway along: half of vB = 0.5
    EXPECT_FLOAT_EQ(v[10].uv[0][1], 0.5f);
    EXPECT_EQ(v[10].color, 0xFF000000u);
    KestraSprite2D::Release(s);
    KestraTexture::Release(t);
}

TEST_F(Sprites, StageTexturesAreHeldBoundOnRenderAndReleasedWithTheSprite) {
    Start();
    CTexture* a = Texture(8, 8);
    CTexture* b = Texture(8, 8);
    CSprite2D* s = KestraSprite2D::Create(30, 1, false);
    ASSERT_NE(s, nullptr);
    s->SetTexture(4, a);
    EXPECT_EQ(a->GetRefCount(), 1) << "stage 4 does not exist";
    s->SetTexture(0, a);
    EXPECT_EQ(a->GetRefCount(), 2);
    s->SetTexture(0, a);
    EXPECT_EQ(a->GetRefCount(), 2) << "setting the same texture again holds it once";
    s->SetTexture(0, b);
    EXPECT_EQ(a->GetRefCount(), 1) << "the replaced texture is let go";
    EXPECT_EQ(b->GetRefCount(), 2);
    s->SetTexture(3, a);

    const float dst[4] = {0, 0, 8, 8}, src[4] = {0, 0, 8, 8};
    s->Begin();
    EXPECT_TRUE(s->DrawSquare(dst, 0, src, 0xFFFFFFFF, 1));
    s->End();
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    KestraSprite2D::Render(s);
    Kestra3D::EndScene();
    const std::vector<d3d9test::DrawCall> draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    IDirect3DTexture9* rawA = nullptr;
    IDirect3DTexture9* rawB = nullptr;
    a->GetTexture(&rawA);
    b->GetTexture(&rawB);
    EXPECT_EQ(draws[0].textures[0], rawB);
    EXPECT_EQ(draws[0].textures[1], nullptr);
    EXPECT_EQ(draws[0].textures[3], rawA);
    rawA->Release();
    rawB->Release();

    KestraTexture::Release(a);
    KestraTexture::Release(b);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 2u) << "the sprite still holds both";
    KestraSprite2D::Release(s);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u);
    EXPECT_EQ(Count("CSprite2D Destruct"), 1);
    EXPECT_EQ(Count("CPrimitive2D Destruct"), 1);
}

TEST_F(Sprites, TheGameFunctionsIgnoreNullSpritesAndAnIdleModule) {
    const float dst[4] = {0, 0, 8, 8}, src[4] = {0, 0, 8, 8};
    EXPECT_EQ(KestraSprite2D::Create(30, 1, false), nullptr);
    Start();
    KestraSprite2D::DrawSquare(nullptr, dst, 0, src, 0xFFFFFFFF, 1);
    KestraSprite2D::DrawSquareRotate(nullptr, dst, 0, src, 0xFFFFFFFF, 100, 1, 0, 0);
    KestraSprite2D::SetTexture(nullptr, 0, nullptr);
    KestraSprite2D::Begin(nullptr);
    KestraSprite2D::End(nullptr);
    KestraSprite2D::Render(nullptr);
    KestraSprite2D::Release(nullptr);
    // A sprite the game still holds when the engine finishes is released once by
    // its manager and not touched again.
    CSprite2D* held = KestraSprite2D::Create(30, 1, false);
    ASSERT_NE(held, nullptr);
    KestraSprite2D::Finalize();
    EXPECT_EQ(Count("CSprite2D Destruct"), 1);
    EXPECT_FALSE(KestraSprite2D::IsStarted());
}

}  // namespace
