// Point, line and triangle lists in screen and world space: the capacity rules,
// the 2-D snap and clipping, the upload, the draw call, device loss, and real
// pixels under the GL backend.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "tests/engine/graphics/list_test_env.h"

namespace {

using listtest::V2;
using listtest::V3;

class Lists : public listtest::ListTest {};

TEST_F(Lists, CapacityRulesOfPointsLinesAndTriangles) {
    StartLists();
    const Vertex3D v[12] = {V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0), V3(3, 0, 0), V3(4, 0, 0), V3(5, 0, 0),
                            V3(6, 0, 0), V3(7, 0, 0), V3(8, 0, 0), V3(9, 0, 0), V3(10, 0, 0), V3(11, 0, 0)};

    // Points: a list for 4 vertices takes 3 of 5 points; the fourth asks and is refused.
    CPoint3D* points = KestraPoint3D::Create(4);
    ASSERT_NE(points, nullptr);
    points->Begin();
    EXPECT_TRUE(points->AddPoints(v, 0));
    EXPECT_EQ(points->GetStoredCount(), 0u);
    EXPECT_EQ(points->GetCount(), 0u);
    EXPECT_FALSE(points->AddPoints(v, 5));
    EXPECT_EQ(points->GetStoredCount(), 3u);
    EXPECT_EQ(points->GetCount(), 4u);
    // Begin empties the store but the points' requested count runs on.
    points->Begin();
    EXPECT_EQ(points->GetStoredCount(), 0u);
    EXPECT_TRUE(points->AddPoints(v, 1));
    EXPECT_EQ(points->GetCount(), 5u);

    // Lines: capacity 8 holds three lines; the fourth would reach 8.
    CLine3D* lines = KestraLine3D::Create(8);
    ASSERT_NE(lines, nullptr);
    lines->Begin();
    EXPECT_TRUE(lines->AddLines(v, 3));
    EXPECT_EQ(lines->GetStoredCount(), 6u);
    EXPECT_FALSE(lines->AddLines(v, 1));
    EXPECT_EQ(lines->GetStoredCount(), 6u);
    EXPECT_EQ(lines->GetCount(), 8u);

    // Triangles use every vertex: capacity 6 holds two; Begin clears the requests too.
    CPrimitive3D* triangles = KestraPrimitive3D::Create(6, 1);
    ASSERT_NE(triangles, nullptr);
    triangles->Begin();
    EXPECT_FALSE(triangles->AddTriangles(v, 3));
    EXPECT_EQ(triangles->GetStoredCount(), 6u);
    EXPECT_EQ(triangles->GetCount(), 9u);
    triangles->Begin();
    EXPECT_EQ(triangles->GetCount(), 0u);
    EXPECT_TRUE(triangles->AddTriangles(v, 2));

    // Screen-space lists follow the same "below the capacity" rule.
    CPoint2D* points2 = KestraPoint2D::Create(4);
    CLine2D* lines2 = KestraLine2D::Create(8);
    ASSERT_TRUE(points2 && lines2);
    const Vertex2D p[6] = {V2(1, 1), V2(2, 2), V2(3, 3), V2(4, 4), V2(5, 5), V2(6, 6)};
    EXPECT_FALSE(points2->AddPoints(p, 5));
    EXPECT_EQ(points2->GetStoredCount(), 3u);
    EXPECT_EQ(points2->GetCount(), 4u);
    EXPECT_TRUE(lines2->AddLines(p, 3));
    EXPECT_FALSE(lines2->AddLines(p, 1));
    EXPECT_EQ(lines2->GetStoredCount(), 6u);
    // Begin keeps every point and line list's requests.
    points2->Begin(), lines2->Begin(), lines->Begin();
    EXPECT_EQ(points2->GetCount(), 4u);
    EXPECT_EQ(lines2->GetCount(), 8u);
    EXPECT_EQ(lines->GetCount(), 8u);

    KestraPoint3D::Release(points);
    KestraLine3D::Release(lines);
    KestraPrimitive3D::Release(triangles);
    KestraPoint2D::Release(points2);
    KestraLine2D::Release(lines2);
}

TEST_F(Lists, CreationFailuresAndBadArgumentsAnswerNull) {
    StartLists();
    EXPECT_EQ(KestraPrimitive3D::Create(6, 5), nullptr);  // five coordinate sets
    EXPECT_EQ(KestraPoint3D::Create(0), nullptr);
    // Capacities whose buffer size wraps 32 bits to a few bytes.
    EXPECT_EQ(KestraPrimitive3D::Create(0xFFFFFFFFu / 48 + 3, 4), nullptr);
    EXPECT_EQ(KestraLine2D::Create(0xFFFFFFFFu / 20 + 2), nullptr);
    platform::InjectFault("CreateVertexBuffer");
    EXPECT_EQ(KestraLine2D::Create(8), nullptr);
    EXPECT_EQ(KestraPrimitive3D::Create(6, 1), nullptr);
    platform::ClearFaults();
    EXPECT_GE(Count(spritetest::Sjis(u8"頂点バッファの生成に失敗 [ ")), 4);
    // A store that cannot be allocated gives the vertex buffer just made back.
    const int live = d3d9test::LiveDefaultPoolResources(Kestra3D::GetDevice());
    platform::InjectFault("calloc");
    EXPECT_EQ(KestraPrimitive3D::Create(6, 1), nullptr);
    EXPECT_EQ(KestraLine2D::Create(8), nullptr);
    platform::ClearFaults();
    EXPECT_EQ(Count(spritetest::Sjis(u8"頂点用メモリの確保に失敗")), 2);
    EXPECT_EQ(d3d9test::LiveDefaultPoolResources(Kestra3D::GetDevice()), live);
    EXPECT_EQ(KestraPrimitive3D::GetManager()->GetCount(), 0u);
    EXPECT_EQ(KestraLine2D::GetManager()->GetCount(), 0u);
}

TEST_F(Lists, UploadAndDrawOneCallUnderTheWorldMatrix) {
    StartLists();
    CPrimitive3D* triangles = KestraPrimitive3D::Create(9, 1);
    ASSERT_NE(triangles, nullptr);
    d3d9test::SetRecording(true);
    // An empty list draws nothing at all.
    triangles->Begin();
    triangles->End();
    d3d9test::ClearRecords();
    d3d9test::ClearCallCounts();
    ASSERT_TRUE(Kestra3D::BeginScene());
    triangles->Render();
    Kestra3D::EndScene();
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    EXPECT_EQ(d3d9test::CallCount("SetFVF") + d3d9test::CallCount("SetStreamSource") +
                  d3d9test::CallCount("SetTransform"),
              0u);

    const Vertex3D t[6] = {V3(0, 0, 0, 0xFF112233, 0.25f, 0.5f), V3(1, 0, 0), V3(0, 1, 0),
                           V3(2, 0, 0),                          V3(3, 0, 0), V3(2, 1, 0, 0xFF445566, 1, 1)};
    ASSERT_TRUE(triangles->AddTriangles(t, 2));
    triangles->End();
    // Only the first 24 bytes (position, colour, one pair) of each vertex are kept.
    const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(triangles->GetVertexBuffer());
    ASSERT_GE(bytes.size(), 6u * 24u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(std::memcmp(bytes.data() + 24 * i, &t[i], 24), 0) << i;

    triangles->Transform().SetPosition(5, 6, 7);
    triangles->Transform().UpdateMatrix();
    const uint32_t before = Polygons3D();
    d3d9test::ClearRecords();
    ASSERT_TRUE(Kestra3D::BeginScene());
    triangles->Render();
    Kestra3D::EndScene();
    const auto draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].primitiveCount, 2u);
    EXPECT_EQ(draws[0].fvf, DWORD(0x142));
    EXPECT_EQ(draws[0].stride, 24u);
    EXPECT_EQ(Polygons3D() - before, 2u);
    D3DMATRIX world{};
    ASSERT_EQ(Device()->GetTransform(D3DTS_WORLD, &world), D3D_OK);
    EXPECT_FLOAT_EQ(world.m[3][0], 5.0f);
    EXPECT_FLOAT_EQ(world.m[3][2], 7.0f);

    // Lines draw half their vertices as primitives, points all of them, 2-D ones
    // count as 2-D polygons.
    CLine3D* lines = KestraLine3D::Create(8);
    CPoint2D* points = KestraPoint2D::Create(8);
    ASSERT_TRUE(lines && points);
    lines->Begin();
    ASSERT_TRUE(lines->AddLines(t, 3));
    lines->End();
    points->Begin();
    const Vertex2D p[2] = {V2(10, 10), V2(20, 20)};
    ASSERT_TRUE(points->AddPoints(p, 2));
    points->End();
    const uint32_t flat = Polygons2D();
    d3d9test::ClearRecords();
    ASSERT_TRUE(Kestra3D::BeginScene());
    lines->Render();
    points->Render();
    Kestra3D::EndScene();
    const auto more = d3d9test::DrawCalls();
    ASSERT_EQ(more.size(), 2u);
    EXPECT_EQ(more[0].type, D3DPT_LINELIST);
    EXPECT_EQ(more[0].primitiveCount, 3u);
    EXPECT_EQ(more[0].fvf, DWORD(0x042));
    EXPECT_EQ(more[1].type, D3DPT_POINTLIST);
    EXPECT_EQ(more[1].primitiveCount, 2u);
    EXPECT_EQ(more[1].fvf, DWORD(0x044));
    EXPECT_EQ(Polygons2D() - flat, 2u);
    d3d9test::SetRecording(false);
    KestraLine3D::Release(lines);
    KestraPoint2D::Release(points);
    KestraPrimitive3D::Release(triangles);
}

TEST_F(Lists, ScreenVerticesSnapToWholePixelsAndKeepAFiniteRhw) {
    StartLists();
    CPoint2D* points = KestraPoint2D::Create(16);
    ASSERT_NE(points, nullptr);
    points->Begin();
    const Vertex2D p[3] = {V2(10.6f, 20.4f), V2(-3.7f, 4.5f), V2(7, 7, 0xFFFFFFFF, 65535)};
    ASSERT_TRUE(points->AddPoints(p, 3));
    points->End();
    auto up = listtest::Uploaded2D(points->GetVertexBuffer(), 3);
    ASSERT_EQ(up.size(), 3u);
    EXPECT_FLOAT_EQ(up[0].x, 10.5f);  // 11 - 0.5
    EXPECT_FLOAT_EQ(up[0].y, 19.5f);  // 20 - 0.5
    EXPECT_FLOAT_EQ(up[1].x, -3.5f);  // truncated toward zero: -3
    EXPECT_FLOAT_EQ(up[1].y, 4.5f);   // 5 - 0.5
    EXPECT_FLOAT_EQ(up[2].z, 65535.0f * 1.5259022e-5f);
    EXPECT_FLOAT_EQ(up[2].rhw, 1.0f);

    // With perspective, rhw = 1 / z'; a depth of 0 has none and keeps its rhw.
    KestraPoint2D::SetPerspective(true, 320, 240, 1.0f);
    points->Begin();
    const Vertex2D deep[3] = {V2(320, 240, 0xFFFFFFFF, 32767), V2(320, 240, 0xFFFFFFFF, 0),
                              V2(20, 90, 0xFFFFFFFF, 65535)};
    ASSERT_TRUE(points->AddPoints(deep, 3));
    points->End();
    up = listtest::Uploaded2D(points->GetVertexBuffer(), 3);
    ASSERT_EQ(up.size(), 3u);
    EXPECT_NEAR(up[0].rhw, 2.0f, 1e-3f);
    EXPECT_NEAR(up[2].rhw, 1.0f / 1.5f, 1e-4f);
    EXPECT_NEAR(up[2].x, 119.5f, 1e-2f);  // two thirds of the way from (320, 240)
    EXPECT_NEAR(up[2].y, 139.5f, 1e-2f);
    EXPECT_TRUE(std::isfinite(up[1].rhw));
    EXPECT_FLOAT_EQ(up[1].rhw, 1.0f);
    KestraPoint2D::SetPerspective(false, 320, 240, 100.0f);

    // Scaling about a centre happens after the snap.
    KestraPoint2D::SetScaling(true, 100, 60, 2.0f);
    points->Begin();
    const Vertex2D s[1] = {V2(110.4f, 90.6f)};
    ASSERT_TRUE(points->AddPoints(s, 1));
    points->End();
    up = listtest::Uploaded2D(points->GetVertexBuffer(), 1);
    EXPECT_FLOAT_EQ(up[0].x, 119.5f);
    EXPECT_FLOAT_EQ(up[0].y, 121.5f);
    KestraPoint2D::Release(points);

    // Lines take both settings the same way.
    CLine2D* lines = KestraLine2D::Create(4);
    ASSERT_NE(lines, nullptr);
    KestraLine2D::SetPerspective(true, 320, 240, 1.0f);
    KestraLine2D::SetScaling(true, 100, 60, 2.0f);
    lines->Begin();
    const Vertex2D seg[2] = {V2(20, 90, 0xFFFFFFFF, 65535), V2(110.4f, 90.6f)};
    ASSERT_TRUE(lines->AddLines(seg, 1));
    lines->End();
    up = listtest::Uploaded2D(lines->GetVertexBuffer(), 2);
    EXPECT_NEAR(up[0].x, 139.5f, 1e-2f);
    EXPECT_NEAR(up[0].y, 219.5f, 1e-2f);
    EXPECT_FLOAT_EQ(up[1].x, 119.5f);
    EXPECT_FLOAT_EQ(up[1].y, 121.5f);
    KestraLine2D::Release(lines);
}

// The device's screen settings reach every kind of 2-D object. The centre is
// off the screen's middle and its x and y differ, so a swapped pair shows.
TEST_F(Lists, TheDevicesScreenSettingsReachEveryTwoDimensionalObject) {
    StartLists();
    CPrimitive2D* p = KestraPrimitive2D::Create(30, 1, false);
    CSprite2D* s = KestraSprite2D::Create(30, 1, false);
    CLine2D* l = KestraLine2D::Create(30);
    CPoint2D* q = KestraPoint2D::Create(30);
    ASSERT_TRUE(p && s && l && q);
    // Halved toward (300, 200); then, from it, depth 0 doubles the distance.
    for (const auto& [perspective, x, y] : {std::tuple{false, 319.5f, 229.5f}, std::tuple{true, 379.5f, 319.5f}}) {
        Kestra3D::SetScaling2D(!perspective, 300, 200, 0.5f);
        Kestra3D::SetPerspective2D(perspective, 300, 200, 1.0f);
        const float z = perspective ? 0.0f : 32767.0f, dst[4] = {340, 260, 10, 10}, src[4] = {0, 0, 1, 1};
        const Vertex2D v[3] = {V2(340, 260, ~0u, z), V2(350, 260, ~0u, z), V2(340, 270, ~0u, z)};
        for (CVertexObject2D* o : std::initializer_list<CVertexObject2D*>{p, s, l, q}) o->Begin();
        EXPECT_TRUE(p->AddTriangles(v, 1) && s->DrawSquare(dst, z, src, ~0u, 1) && l->AddLines(v, 1) &&
                    q->AddPoints(v, 1));
        for (CVertexObject2D* o : std::initializer_list<CVertexObject2D*>{p, s, l, q}) {
            o->End();
            const std::vector<listtest::Stored2D> first = listtest::Uploaded2D(o->GetVertexBuffer(), 1);
            ASSERT_EQ(first.size(), 1u);
            EXPECT_NEAR(first[0].x, x, 1e-2f) << perspective;
            EXPECT_NEAR(first[0].y, y, 1e-2f) << perspective;
        }
    }
    Kestra3D::SetPerspective2D(false, 320, 240, 100.0f);
    KestraPoint2D::Release(q);
    KestraLine2D::Release(l);
    KestraSprite2D::Release(s);
    KestraPrimitive2D::Release(p);
}

TEST_F(Lists, PointsOutsideTheClipRectangleAreSkippedWithoutCounting) {
    StartLists();
    CPoint2D* points = KestraPoint2D::Create(16);
    ASSERT_NE(points, nullptr);
    const RECT clip{0, 0, 100, 50};
    points->SetClipRect(&clip);
    points->Begin();
    // Up to the right and bottom edges (100 lands on 99.5): kept. Half a pixel
    // more snaps to 101, 100.5 after the shift: skipped, not refused, not counted.
    const Vertex2D p[4] = {V2(100, 10), V2(10, 50), V2(100.5f, 10), V2(10, 50.5f)};
    EXPECT_TRUE(points->AddPoints(p, 4));
    EXPECT_EQ(points->GetStoredCount(), 2u);
    EXPECT_EQ(points->GetCount(), 2u);
    // Scaled by 1.5 points land on whole pixels: each edge itself is inside.
    const RECT edges{1, 1, 100, 49};
    points->SetClipRect(&edges);
    points->SetScaling(true, 0, 0, 1.5f);
    points->Begin();
    const Vertex2D scaled[6] = {V2(67, 10), V2(1, 10), V2(10, 1), V2(10, 33), V2(68, 10), V2(0, 10)};
    EXPECT_TRUE(points->AddPoints(scaled, 6));
    EXPECT_EQ(points->GetStoredCount(), 4u);
    KestraPoint2D::Release(points);
}

class LineClipping : public listtest::ListTest {
protected:
    void SetUp() override {
        listtest::ListTest::SetUp();
        StartLists();
        lines_ = KestraLine2D::Create(64);
        ASSERT_NE(lines_, nullptr);
        const RECT clip{0, 0, 100, 50};
        lines_->SetClipRect(&clip);
    }
    void TearDown() override {
        KestraLine2D::Release(lines_);
        listtest::ListTest::TearDown();
    }
    CLine2D* lines_ = nullptr;
};

TEST_F(LineClipping, EachEdgeCutsAtItsLineAndBlendsTheColourPerChannel) {
    struct Case {
        Vertex2D in[2];
        float x0, y0, x1, y1;
        uint32_t c0, c1;
    };
    const Case cases[] = {
        // left: the outside end moves to x = 0, halfway in colour (truncated)
        {{V2(-10, 5, 0xFF000000), V2(10, 5, 0xFF0000FF)}, 0, 5, 10, 5, 0xFF00007F, 0xFF0000FF},
        // right, the outside end second
        {{V2(90, 20, 0xFF00FF00), V2(110, 20, 0x00000000)}, 90, 20, 100, 20, 0xFF00FF00, 0x7F007F00},
        // top
        {{V2(30, -30, 0xFFFF0000), V2(30, 10, 0xFF0000FF)}, 30, 0, 30, 10, 0xFF3F00BF, 0xFF0000FF},
        // bottom
        {{V2(40, 40, 0x10203040), V2(40, 60, 0x30405060)}, 40, 40, 40, 50, 0x10203040, 0x20304050},
        // ending on the left edge: kept, as the point on it
        {{V2(-10, 5, 0xFF000000), V2(0, 5, 0xFF0000FF)}, 0, 5, 0, 5, 0xFF0000FF, 0xFF0000FF},
        // both ends outside, through the rectangle: cut on both sides
        {{V2(-50, 25, 0xFF000000), V2(150, 25, 0xFFC8C8C8)}, 0, 25, 100, 25, 0xFF323232, 0xFF969696},
    };
    for (const Case& c : cases) {
        Vertex2D out[2];
        ASSERT_EQ(lines_->ClipLine(out, c.in), 2u);
        EXPECT_FLOAT_EQ(out[0].x, c.x0);
        EXPECT_FLOAT_EQ(out[0].y, c.y0);
        EXPECT_FLOAT_EQ(out[1].x, c.x1);
        EXPECT_FLOAT_EQ(out[1].y, c.y1);
        EXPECT_EQ(out[0].color, c.c0) << std::hex << out[0].color;
        EXPECT_EQ(out[1].color, c.c1) << std::hex << out[1].color;
    }
}

TEST_F(LineClipping, LinesWhollyOutsideOrPassingACornerLeaveNothing) {
    Vertex2D out[2];
    const Vertex2D left[2] = {V2(-10, 5), V2(-1, 40)};
    EXPECT_EQ(lines_->ClipLine(out, left), 0u);
    const Vertex2D below[2] = {V2(10, 60), V2(90, 51)};
    EXPECT_EQ(lines_->ClipLine(out, below), 0u);
    // Past the top-left corner: the left cut lies above the top edge. No
    // zero-length line on the edge's extension comes out.
    const Vertex2D corner[2] = {V2(-10, 5), V2(5, -10)};
    EXPECT_EQ(lines_->ClipLine(out, corner), 0u);
    const Vertex2D farCorner[2] = {V2(95, 60), V2(110, 45)};
    EXPECT_EQ(lines_->ClipLine(out, farCorner), 0u);
    // A single edge stage refuses a pair wholly beyond it.
    const Vertex2D beyond[2] = {V2(-5, 5), V2(-1, 6)};
    EXPECT_EQ(lines_->ClipLeft(beyond, out, 2), 0u);

    // Through AddLines: nothing stored, nothing counted.
    lines_->Begin();
    EXPECT_TRUE(lines_->AddLines(corner, 1));
    EXPECT_TRUE(lines_->AddLines(left, 1));
    EXPECT_EQ(lines_->GetStoredCount(), 0u);
    EXPECT_EQ(lines_->GetCount(), 0u);
    // A line crossing the left edge is stored cut, after the snap and shift.
    const Vertex2D crossing[2] = {V2(-10.5f, 10, 0xFF000000), V2(10.5f, 10, 0xFF0000FF)};
    EXPECT_TRUE(lines_->AddLines(crossing, 1));
    lines_->End();
    const auto up = listtest::Uploaded2D(lines_->GetVertexBuffer(), 2);
    ASSERT_EQ(up.size(), 2u);
    EXPECT_FLOAT_EQ(up[0].x, 0.0f);
    EXPECT_FLOAT_EQ(up[1].x, 10.5f);
    EXPECT_EQ(up[0].color, 0xFF00007Fu);

    // Without clipping both ends pass through.
    lines_->SetClipRect(nullptr);
    EXPECT_EQ(lines_->ClipLine(out, corner), 2u);
    EXPECT_FLOAT_EQ(out[1].y, -10.0f);
}

TEST_F(Lists, AResetRefillsEveryListWithTheSameBytes) {
    StartLists();
    CPrimitive3D* triangles = KestraPrimitive3D::Create(9, 2);
    CLine2D* lines = KestraLine2D::Create(8);
    CPoint3D* points = KestraPoint3D::Create(8);
    ASSERT_TRUE(triangles && lines && points);
    const Vertex3D t[3] = {V3(0, 0, 0, 0xFF010203, 1, 2), V3(1, 0, 0, 0xFF040506, 3, 4), V3(0, 1, 0)};
    const Vertex2D l[2] = {V2(3, 4, 0xFF0000FF), V2(30, 40, 0xFF00FF00)};
    triangles->Begin();
    lines->Begin();
    points->Begin();
    ASSERT_TRUE(triangles->AddTriangles(t, 1));
    ASSERT_TRUE(lines->AddLines(l, 1));
    ASSERT_TRUE(points->AddPoints(t, 3));
    triangles->End();
    lines->End();
    points->End();
    auto bytes = [](IDirect3DVertexBuffer9* b, size_t n) {
        std::vector<uint8_t> v = d3d9test::VertexBufferBytes(b);
        v.resize(n);
        return v;
    };
    const auto tb = bytes(triangles->GetVertexBuffer(), 3 * 32);
    const auto lb = bytes(lines->GetVertexBuffer(), 2 * 20);
    const auto pb = bytes(points->GetVertexBuffer(), 3 * 16);

    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::ResetDevice(false);
    ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok)
        << "a list kept its default-pool buffer through the reset";
    ASSERT_NE(triangles->GetVertexBuffer(), nullptr);
    EXPECT_EQ(bytes(triangles->GetVertexBuffer(), 3 * 32), tb);
    EXPECT_EQ(bytes(lines->GetVertexBuffer(), 2 * 20), lb);
    EXPECT_EQ(bytes(points->GetVertexBuffer(), 3 * 16), pb);
    KestraPrimitive3D::Release(triangles);
    KestraLine2D::Release(lines);
    KestraPoint3D::Release(points);
}

// ---- Real pixels.

TEST_F(Lists, UnderGlALineLightsItsRowAndATriangleCoversTheScreenCentre) {
    InGl([&] {
        CLine2D* line = KestraLine2D::Create(8);
        CPoint2D* point = KestraPoint2D::Create(8);
        CPrimitive3D* triangle = KestraPrimitive3D::Create(3, 0);
        ASSERT_TRUE(line && point && triangle);
        listtest::PlaceGameCamera();
        const Vertex2D l[2] = {V2(10, 10, 0xFFFF0000), V2(100, 10, 0xFFFF0000)};
        const Vertex2D p[1] = {V2(200, 100, 0xFF00FF00)};
        // Screen-clockwise seen from the camera, so the default culling keeps it.
        const Vertex3D t[3] = {V3(-5, -5, 0, 0xFF0000FF), V3(0, 5, 0, 0xFF0000FF), V3(5, -5, 0, 0xFF0000FF)};
        line->Begin();
        point->Begin();
        triangle->Begin();
        ASSERT_TRUE(line->AddLines(l, 1));
        ASSERT_TRUE(point->AddPoints(p, 1));
        ASSERT_TRUE(triangle->AddTriangles(t, 1));
        line->End();
        point->End();
        triangle->End();
        ASSERT_TRUE(Kestra3D::Clear(1, 0xFF000000, 1.0f, 0, nullptr));
        ASSERT_TRUE(Kestra3D::BeginScene());
        line->Render();
        point->Render();
        triangle->Render();
        Kestra3D::EndScene();
        const d3d9test::Image out = d3d9test::ReadRenderTarget(Device());
        ASSERT_EQ(out.width, 640u);
        // The half-pixel shift that lines quads up with their pixels puts a line
        // at y = 10 on the border above row 10; the fill rule gives it to row 9.
        // One row only, away from the ends (whose rules differ between APIs).
        for (uint32_t x = 12; x < 98; ++x) {
            ASSERT_EQ(out.at(x, 9), 0xFFFF0000u) << x;
            ASSERT_EQ(out.at(x, 8), 0xFF000000u) << x;
            ASSERT_EQ(out.at(x, 10), 0xFF000000u) << x;
        }
        EXPECT_EQ(out.at(150, 9), 0xFF000000u);
        // The point likewise lights the pixel up and left of its corner, and no other.
        EXPECT_EQ(out.at(199, 99), 0xFF00FF00u);
        for (uint32_t y = 98; y < 102; ++y)
            for (uint32_t x = 198; x < 202; ++x)
                if (x != 199 || y != 99) {
                    EXPECT_EQ(out.at(x, y), 0xFF000000u) << x << "," << y;
                }
        // The triangle through the game's camera: the centre, and its corners
        // where the projection puts them.
        EXPECT_EQ(out.at(320, 240), 0xFF0000FFu);
        float sx, sy;
        listtest::ScreenOf(0, 5, &sx, &sy);  // apex
        EXPECT_EQ(out.at(320, uint32_t(sy) + 4), 0xFF0000FFu);
        EXPECT_EQ(out.at(320, uint32_t(sy) - 2), 0xFF000000u);
        listtest::ScreenOf(-5, -5, &sx, &sy);  // bottom-left corner
        EXPECT_EQ(out.at(uint32_t(sx) + 3, uint32_t(sy) - 2), 0xFF0000FFu);
        EXPECT_EQ(out.at(uint32_t(sx) - 2, uint32_t(sy) - 2), 0xFF000000u);
        EXPECT_EQ(out.at(320, uint32_t(sy) + 2), 0xFF000000u);
        KestraLine2D::Release(line);
        KestraPoint2D::Release(point);
        KestraPrimitive3D::Release(triangle);
    });
}

}  // namespace
