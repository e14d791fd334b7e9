// The 2-D primitive on the null backend: capacity, the transform, clipping,
// depth buckets, the upload and draw, and device loss, read back from the
// vertex buffer the device holds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "tests/engine/graphics/sprite_test_env.h"

namespace {

Vertex2D V(float x, float y, float z = 32767.0f, uint32_t color = 0xFFFFFFFF, float u = 0, float v = 0) {
    Vertex2D out{};
    out.x = x;
    out.y = y;
    out.z = z;
    out.rhw = 1.0f;
    out.color = color;
    out.uv[0][0] = u;
    out.uv[0][1] = v;
    return out;
}

// One stored vertex of a one-set primitive (28 bytes).
struct Stored {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(Stored) == 28);

class Primitives : public spritetest::SpriteTest {
protected:
    CPrimitive2D* Make(uint32_t capacity, bool sort = false, uint32_t sets = 1) {
        return KestraPrimitive2D::Create(capacity, sets, sort);
    }
    static std::vector<Stored> Uploaded(CPrimitive2D* p) {
        std::vector<Stored> out;
        const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(p->GetVertexBuffer());
        for (size_t at = 0; at + sizeof(Stored) <= bytes.size() && out.size() < p->GetStoredCount();
             at += sizeof(Stored)) {
            Stored s;
            std::memcpy(&s, bytes.data() + at, sizeof(s));
            out.push_back(s);
        }
        return out;
    }
    static bool Quad(CPrimitive2D* p, float x, float y, float w, float h, float z = 32767.0f) {
        const Vertex2D q[6] = {V(x, y, z), V(x + w, y, z), V(x + w, y + h, z),
                               V(x + w, y + h, z), V(x, y + h, z), V(x, y, z)};
        return p->AddTriangles(q, 2);
    }
};

TEST_F(Primitives, AFullPrimitiveDropsFurtherTrianglesAndAnswersFalse) {
    Start();
    CPrimitive2D* p = Make(300);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"VERTEX COUNT [  300 ] : VERTEX SIZE [  28BYTE ] : ")), std::string::npos);
    p->Begin();
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(Quad(p, float(i), 0, 4, 4)) << i;
    EXPECT_FALSE(Quad(p, 60, 0, 4, 4));
    EXPECT_EQ(p->GetCount(), 303u) << "the refused triangle is counted, the one after it is not";
    EXPECT_EQ(p->GetStoredCount(), 300u);
    p->End();
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    p->Render();
    Kestra3D::EndScene();
    const std::vector<d3d9test::DrawCall> draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].primitiveCount, 100u);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].fvf, 0x144u);
    EXPECT_EQ(draws[0].stride, 28u);
    // The 49th quad's vertices are where they were added.
    const std::vector<Stored> up = Uploaded(p);
    ASSERT_EQ(up.size(), 300u);
    EXPECT_FLOAT_EQ(up[294].x, 49.0f - 0.5f);

    // A new frame starts empty; an empty frame draws nothing.
    p->Begin();
    EXPECT_EQ(p->GetCount(), 0u);
    p->End();
    d3d9test::ClearRecords();
    ASSERT_TRUE(Kestra3D::BeginScene());
    p->Render();
    Kestra3D::EndScene();
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    KestraPrimitive2D::Release(p);
}

TEST_F(Primitives, TheTransformShiftsHalfAPixelAfterPerspectiveAndScaling) {
    Start();
    CPrimitive2D* p = Make(30);
    ASSERT_NE(p, nullptr);
    p->Begin();
    const Vertex2D plain[3] = {V(100, 50, 32767), V(200, 50, 0), V(100, 90, 65535)};
    ASSERT_TRUE(p->AddTriangles(plain, 1));
    KestraPrimitive2D::SetScaling(true, 320, 240, 2.0f);
    ASSERT_TRUE(p->AddTriangles(plain, 1));
    KestraPrimitive2D::SetScaling(false, 320, 240, 1.0f);
    KestraPrimitive2D::SetPerspective(true, 320, 240, 1.0f);
    ASSERT_TRUE(p->AddTriangles(plain, 1));
    p->End();
    const std::vector<Stored> up = Uploaded(p);
    ASSERT_EQ(up.size(), 9u);
    EXPECT_FLOAT_EQ(up[0].x, 99.5f);
    EXPECT_FLOAT_EQ(up[0].y, 49.5f);
    EXPECT_NEAR(up[0].z, 0.5f, 1e-4);
    EXPECT_FLOAT_EQ(up[1].z, 0.0f);
    EXPECT_NEAR(up[2].z, 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(up[0].rhw, 1.0f) << "kept without perspective";
    // Scaled by 2 about (320, 240), then shifted.
    EXPECT_FLOAT_EQ(up[3].x, -120.5f);
    EXPECT_FLOAT_EQ(up[3].y, -140.5f);
    // Perspective: z 32767 stays in place, the far one is drawn toward the centre,
    // the near one away from it; the far depth grows by the factor and rhw is 1 / z.
    EXPECT_NEAR(up[6].x, 99.5f, 1e-2);
    EXPECT_NEAR(up[6].y, 49.5f, 1e-2);
    EXPECT_GT(up[8].y, 49.5f + 40.0f);  // y 90 is below the centre's row: pulled toward 240
    EXPECT_LT(up[8].y, 240.0f);
    EXPECT_NEAR(up[7].x, 79.5f, 1e-2);  // z 0 is nearer: twice as far from the centre's column
    EXPECT_NEAR(up[8].z, 1.5f, 1e-4);
    EXPECT_NEAR(up[8].rhw, 1.0f / 1.5f, 1e-4);
    KestraPrimitive2D::Release(p);
}

static_assert(CPrimitive2D::kWorkListSize == 16);  // written out, not taken from the product

TEST_F(Primitives, ClippingCutsAgainstTheRectangleAndInterpolatesEveryChannel) {
    Start();
    CPrimitive2D* p = Make(300);
    ASSERT_NE(p, nullptr);
    const RECT screen{0, 0, 640, 480};
    KestraPrimitive2D::GetManager()->SetClipRect(&screen);
    p->Begin();

    // Wholly left: nothing added, nothing asked for.
    const Vertex2D left[3] = {V(-50, 10), V(-20, 10), V(-30, 40)};
    EXPECT_TRUE(p->AddTriangles(left, 1));
    EXPECT_EQ(p->GetCount(), 0u);

    // A quad from x = 0 is shifted to -0.5 and cut back to 0; u moves by 0.5 / 32.
    const Vertex2D quad[6] = {V(0, 100, 32767, 0xFF000000, 0, 0),   V(32, 100, 32767, 0xFFFFFFFF, 1, 0),
                              V(32, 132, 32767, 0xFFFFFFFF, 1, 1),  V(32, 132, 32767, 0xFFFFFFFF, 1, 1),
                              V(0, 132, 32767, 0xFF000000, 0, 1),   V(0, 100, 32767, 0xFF000000, 0, 0)};
    EXPECT_TRUE(p->AddTriangles(quad, 2));
    p->End();
    std::vector<Stored> up = Uploaded(p);
    ASSERT_GE(up.size(), 6u);
    float minX = 1e9f, uAtEdge = -1;
    uint32_t colorAtEdge = 0;
    for (const Stored& s : up) {
        if (s.x < minX) minX = s.x;
        if (s.x == 0.0f) {
            uAtEdge = s.u;
            colorAtEdge = s.color;
        }
    }
    EXPECT_FLOAT_EQ(minX, 0.0f);
    EXPECT_FLOAT_EQ(uAtEdge, 0.5f / 32.0f);
    // 0.5 / 32 of the way from 0 to 255 truncates to 3 in each colour channel.
    EXPECT_EQ(colorAtEdge, 0xFF030303u);

    // A triangle over the whole rectangle's corners becomes a fan of at most 7
    // corners (15 vertices); a vertex on an edge is kept as it is.
    p->Begin();
    const Vertex2D big[3] = {V(-200, -100), V(1400, 240), V(-200, 800)};
    EXPECT_TRUE(p->AddTriangles(big, 1));
    EXPECT_EQ(p->GetCount() % 3, 0u);
    EXPECT_LE(p->GetCount(), 15u);
    EXPECT_GE(p->GetCount(), 6u);
    const Vertex2D onEdge[3] = {V(0.5f, 10.5f), V(100.5f, 10.5f), V(50.5f, 60.5f)};
    const uint32_t before = p->GetStoredCount();
    EXPECT_TRUE(p->AddTriangles(onEdge, 1));
    // On the right, top and bottom edges, and one touching the bottom from below: each kept whole.
    const Vertex2D onOtherEdges[9] = {V(640.5f, 0.5f),    V(540.5f, 50.5f),   V(640.5f, 480.5f),
                                      V(640.5f, 200.5f),  V(540.5f, 150.5f),  V(540.5f, 250.5f),
                                      V(50.5f, 600.5f),   V(150.5f, 600.5f),  V(100.5f, 480.5f)};
    EXPECT_TRUE(p->AddTriangles(onOtherEdges, 3));
    EXPECT_EQ(p->GetStoredCount(), before + 12);
    p->End();
    up = Uploaded(p);
    ASSERT_EQ(up.size(), before + 12);
    EXPECT_FLOAT_EQ(up[before].x, 0.0f);
    EXPECT_FLOAT_EQ(up[before].y, 10.0f);
    EXPECT_FLOAT_EQ(up[before + 1].x, 100.0f);

    // Clipped output also counts against the capacity: a capacity of 6 takes two
    // unclipped triangles but not one that is cut into three.
    CPrimitive2D* small = Make(6);
    ASSERT_NE(small, nullptr);
    small->SetClipRect(&screen);
    small->Begin();
    EXPECT_FALSE(small->AddTriangles(big, 1));
    EXPECT_GT(small->GetCount(), 6u);
    EXPECT_EQ(small->GetStoredCount(), 0u);
    KestraPrimitive2D::Release(small);

    // A full work list that crosses the edge at every step is cut to the list's length.
    Vertex2D zigzag[CPrimitive2D::kWorkListSize];
    for (uint32_t i = 0; i < CPrimitive2D::kWorkListSize; ++i) zigzag[i] = V(i % 2 ? -10.0f : 10.0f, 10.0f * i);
    Vertex2D cut[CPrimitive2D::kWorkListSize + 1];
    cut[CPrimitive2D::kWorkListSize] = V(777, 777);
    EXPECT_EQ(p->ClipLeft(cut, zigzag, CPrimitive2D::kWorkListSize), CPrimitive2D::kWorkListSize);
    EXPECT_EQ(cut[CPrimitive2D::kWorkListSize].x, 777.0f);

    // Clipping off: nothing is cut.
    KestraPrimitive2D::GetManager()->SetClipRect(nullptr);
    p->Begin();
    EXPECT_TRUE(p->AddTriangles(left, 1));
    EXPECT_EQ(p->GetCount(), 3u);
    KestraPrimitive2D::Release(p);
}

TEST_F(Primitives, LerpTruncatesColourChannelsAndMovesEveryCoordinate) {
    Vertex2D a = V(0, 0, 0, 0x00000000, 0, 0), b = V(10, 20, 1, 0xFF64C8FF, 1, 2), out{};
    a.uv[3][1] = 4;
    b.uv[3][1] = 8;
    LerpVertex2D(&a, &b, &out, 0.25f);
    EXPECT_FLOAT_EQ(out.x, 2.5f);
    EXPECT_FLOAT_EQ(out.y, 5.0f);
    EXPECT_FLOAT_EQ(out.z, 0.25f);
    EXPECT_FLOAT_EQ(out.uv[0][1], 0.5f);
    EXPECT_FLOAT_EQ(out.uv[3][1], 5.0f);
    EXPECT_EQ(out.color, 0x3F19323Fu);  // 63.75, 25, 50, 63.75 truncated
}

TEST_F(Primitives, DepthBucketsDrawFarFirstAndTheLaterOfOneBucketFirst) {
    Start();
    CPrimitive2D* p = Make(30, true);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->IsSorting());
    p->Begin();
    auto tri = [&](float z, float x) {
        const Vertex2D t[3] = {V(x, 0, z), V(x + 10, 0, z), V(x, 10, z)};
        return p->AddTriangles(t, 1);
    };
    EXPECT_TRUE(tri(600, 1));
    EXPECT_TRUE(tri(100, 2));
    EXPECT_TRUE(tri(300, 3));
    EXPECT_TRUE(tri(300.001f, 4));  // the same bucket as 300, added later
    EXPECT_TRUE(tri(65535, 5));     // bucket 8191: dropped without a word
    EXPECT_TRUE(tri(65534, 6));     // bucket 8190, the farthest one kept
    EXPECT_EQ(p->GetCount(), 18u);
    EXPECT_EQ(p->GetStoredCount(), 15u);
    p->End();
    const std::vector<Stored> up = Uploaded(p);
    ASSERT_EQ(up.size(), 15u);
    const float order[5] = {6, 1, 4, 3, 2};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(up[3 * i].x, order[i] - 0.5f) << i;

    // Unsorted, the same triangles draw in the order of adding, the far one too.
    CPrimitive2D* q = Make(30, false);
    q->Begin();
    const Vertex2D far[3] = {V(5, 0, 65535), V(15, 0, 65535), V(5, 10, 65535)};
    EXPECT_TRUE(q->AddTriangles(far, 1));
    EXPECT_EQ(q->GetStoredCount(), 3u);
    KestraPrimitive2D::Release(q);

    // A sorting primitive's capacity counts triangles in records of three vertices.
    p->Begin();
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(tri(200, 1)) << i;
    EXPECT_FALSE(tri(200, 1));
    KestraPrimitive2D::Release(p);
}

TEST_F(Primitives, AResetRefillsTheBufferWithTheFramesTriangles) {
    Start();
    CPrimitive2D* p = Make(60);
    CPrimitive2D* s = Make(60, true);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(s, nullptr);
    for (CPrimitive2D* x : {p, s}) {
        x->Begin();
        EXPECT_TRUE(Quad(x, 10, 20, 30, 40, 1000));
        x->End();
    }
    const std::vector<Stored> before = Uploaded(p), sortedBefore = Uploaded(s);
    Kestra3D::ResetDevice(true);
    ASSERT_NE(p->GetVertexBuffer(), nullptr);
    const std::vector<Stored> after = Uploaded(p), sortedAfter = Uploaded(s);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::memcmp(after.data(), before.data(), before.size() * sizeof(Stored)), 0);
    ASSERT_EQ(sortedAfter.size(), sortedBefore.size());
    EXPECT_EQ(std::memcmp(sortedAfter.data(), sortedBefore.data(), sortedBefore.size() * sizeof(Stored)), 0);

    // A failed restore leaves the primitive without a buffer: the frame goes on
    // (adds are taken, nothing is uploaded or drawn) until a later reset.
    platform::InjectFault("CreateVertexBuffer");
    Kestra3D::ResetDevice(true);
    platform::ClearFaults();
    EXPECT_EQ(p->GetVertexBuffer(), nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"頂点バッファのリストアに失敗 [ ")), std::string::npos);
    p->Begin();
    EXPECT_TRUE(Quad(p, 0, 0, 8, 8));
    p->End();
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    p->Render();
    Kestra3D::EndScene();
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    Kestra3D::ResetDevice(true);
    ASSERT_NE(p->GetVertexBuffer(), nullptr);
    EXPECT_FLOAT_EQ(Uploaded(p)[2].x, 7.5f) << "the restore uploads the current frame";
    KestraPrimitive2D::Release(p);
    KestraPrimitive2D::Release(s);
}

TEST_F(Primitives, FailedCreatesAndResizesLeaveNothingToWriteInto) {
    Start();
    platform::InjectFault("CreateVertexBuffer");
    EXPECT_EQ(Make(30), nullptr);
    platform::ClearFaults();
    EXPECT_NE(Log().find(spritetest::Sjis(u8"頂点バッファの生成に失敗 [ ")), std::string::npos);
    EXPECT_NE(Log().find("CPrimitive2D::Create"), std::string::npos);
    EXPECT_EQ(Count("CPrimitive2D Destruct"), 1);
    EXPECT_EQ(KestraPrimitive2D::GetManager()->GetCount(), 0u);

    EXPECT_EQ(Make(30, false, 5), nullptr) << "five texture-coordinate sets do not exist";
    EXPECT_EQ(Make(0), nullptr);
    // 52-byte vertices: this many would wrap the buffer size to 56 bytes.
    constexpr uint32_t kWraps = 0xFFFFFFFFu / 52 + 2;
    EXPECT_EQ(Make(kWraps, false, 4), nullptr);

    CPrimitive2D* p = Make(30, false, 4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetVertexSize(), 52u);
    EXPECT_FALSE(p->Resize(0));
    EXPECT_FALSE(p->Resize(kWraps));
    EXPECT_EQ(p->GetCapacity(), 30u);
    EXPECT_TRUE(p->Resize(60));
    EXPECT_EQ(p->GetCapacity(), 60u);
    p->Begin();
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(Quad(p, 0, 0, 1, 1));
    EXPECT_FALSE(Quad(p, 0, 0, 1, 1));

    platform::InjectFault("CreateVertexBuffer");
    EXPECT_FALSE(p->Resize(90));
    platform::ClearFaults();
    EXPECT_NE(Log().find("CPrimitive2D::Resize"), std::string::npos);
    EXPECT_EQ(p->GetCapacity(), 0u);
    p->Begin();
    EXPECT_FALSE(Quad(p, 0, 0, 1, 1));
    p->End();
    ASSERT_TRUE(Kestra3D::BeginScene());
    p->Render();
    Kestra3D::EndScene();
    Kestra3D::ResetDevice(true);  // nothing to restore
    EXPECT_TRUE(p->Resize(30)) << "a later resize recovers";
    p->Begin();
    EXPECT_TRUE(Quad(p, 0, 0, 1, 1));
    KestraPrimitive2D::Release(p);
    EXPECT_FALSE(KestraPrimitive2D::Create(30, 1, false) == nullptr);
}

TEST_F(Primitives, TheDevicesScreenSettingsReachEveryTwoDimensionalObject) {
    Start();
    CPrimitive2D* p = Make(30);
    CSprite2D* s = KestraSprite2D::Create(30, 1, false);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(s, nullptr);
    Kestra3D::SetScaling2D(true, 0, 40, 0.5f);
    p->Begin();
    s->Begin();
    const float dst[4] = {100, 100, 10, 10}, src[4] = {0, 0, 1, 1};
    EXPECT_TRUE(s->DrawSquare(dst, 32767, src, 0xFFFFFFFF, 1));
    EXPECT_TRUE(Quad(p, 100, 100, 10, 10));
    p->End();
    s->End();
    EXPECT_FLOAT_EQ(Uploaded(p)[0].x, 49.5f);
    EXPECT_FLOAT_EQ(Uploaded(s)[0].x, 49.5f);
    EXPECT_FLOAT_EQ(Uploaded(s)[0].y, 69.5f);
    Kestra3D::SetScaling2D(false, 320, 240, 1.0f);
    // The far depth draws two thirds of the way from (0, 40).
    Kestra3D::SetPerspective2D(true, 0, 40, 1.0f);
    p->Begin();
    EXPECT_TRUE(Quad(p, 100, 100, 10, 10, 65535));
    p->End();
    EXPECT_NEAR(Uploaded(p)[0].x, 66.17f, 1e-2);
    EXPECT_NEAR(Uploaded(p)[0].y, 79.5f, 1e-2);
    Kestra3D::SetPerspective2D(false, 320, 240, 100.0f);
    KestraSprite2D::Release(s);
    KestraPrimitive2D::Release(p);
}

}  // namespace
