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
    // A half turn about the centre moved by (5, 7): the top-left corner lands at (142, 80).
    KestraSprite2D::DrawSquareRotate(s, dst, 32767, src, 0xFFFFFFFF, 32768, 1, 5, 7);
    v = Uploaded(s);
    ASSERT_EQ(v.size(), 12u);
    EXPECT_NEAR(v[6].x, 142.0f - 0.5f, 1e-3);
    EXPECT_NEAR(v[6].y, 80.0f - 0.5f, 1e-3);

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

    // Strips: five quads fill the 30 vertices exactly; a sixth makes each answer false.
    const float bx[7] = {10, 20, 30, 40, 50, 60, 70}, by[7] = {50, 50, 50, 50, 50, 50, 50};
    const float hw[7] = {4, 4, 4, 4, 4, 4, 4};
    const uint32_t angles[7] = {}, colors[7] = {~0u, ~0u, ~0u, ~0u, ~0u, ~0u, ~0u};
    for (int32_t n : {5, 6}) {
        s->Begin();
        EXPECT_EQ(s->DrawRing(100, 100, 100, src, 10, 20, ~0u, ~0u, n, 1.0f, 1), n == 5) << n;
        s->Begin();
        EXPECT_EQ(s->DrawTube(100, 100, 100, src, 20, 0, ~0u, n, 1.0f, 1), n == 5) << n;
        s->Begin();
        EXPECT_EQ(s->DrawBand(bx, by, by, hw, angles, colors, uint32_t(n) + 1, src), n == 5) << n;
    }
    KestraSprite2D::Release(s);
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
