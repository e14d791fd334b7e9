// Box and plane tests against hand-computed values (row vectors, left-handed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/graphics/CBox.h"

namespace {

float Dist(const D3DXPLANE& p, const CVector3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

CBox AxisBox(CVector3 lo, CVector3 hi) {
    CBox box;
    CMatrix identity;
    Kestra::CreateBox(&box, &lo, &hi, &identity);
    return box;
}

TEST(BoxPlanes, PlaneFromThreePointsFollowsTheCrossProductRule) {
    D3DXPLANE p;
    const CVector3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    Kestra::CreatePlane(&p, &a, &b, &c);
    EXPECT_FLOAT_EQ(p.a, 0.0f);
    EXPECT_FLOAT_EQ(p.b, 0.0f);
    EXPECT_FLOAT_EQ(p.c, 1.0f);
    EXPECT_FLOAT_EQ(p.d, 0.0f);
    // Off the origin: the plane x = 2 through (2,0,0), (2,0,1), (2,1,0):
    // (p1-p2) x (p1-p3) = (0,0,-1) x (0,-1,0) = (-1, 0, 0); d = 2.
    const CVector3 d(2, 0, 0), e(2, 0, 1), f(2, 1, 0);
    Kestra::CreatePlane(&p, &d, &e, &f);
    EXPECT_FLOAT_EQ(p.a, -1.0f);
    EXPECT_FLOAT_EQ(p.b, 0.0f);
    EXPECT_FLOAT_EQ(p.c, 0.0f);
    EXPECT_FLOAT_EQ(p.d, 2.0f);
    // Collinear points: no plane, everything inside.
    const CVector3 g(0, 0, 0), h(1, 1, 1), i(2, 2, 2);
    Kestra::CreatePlane(&p, &g, &h, &i);
    EXPECT_EQ(p.a, 0.0f);
    EXPECT_EQ(p.b, 0.0f);
    EXPECT_EQ(p.c, 0.0f);
    EXPECT_EQ(p.d, 0.0f);
}

TEST(BoxPlanes, BoxCornersAndPlanesFollowTheirOrderAndFaceInwards) {
    CMatrix m;
    m.Scaling(2.0f, 3.0f, 4.0f);
    m._41 = 10.0f;  // translation row
    const CVector3 lo(-1, -1, -1), hi(1, 1, 1);
    CBox box;
    Kestra::CreateBox(&box, &lo, &hi, &m);
    // c5 = (x1, y0, z1) -> (2 + 10, -3, 4)
    EXPECT_FLOAT_EQ(box.corners[5].x, 12.0f);
    EXPECT_FLOAT_EQ(box.corners[5].y, -3.0f);
    EXPECT_FLOAT_EQ(box.corners[5].z, 4.0f);
    EXPECT_FLOAT_EQ(box.corners[2].x, 8.0f);
    EXPECT_FLOAT_EQ(box.corners[2].y, 3.0f);
    EXPECT_FLOAT_EQ(box.corners[2].z, -4.0f);
    // p0 is the near z face with its normal +z; p4 the y1 face with -y.
    EXPECT_FLOAT_EQ(box.planes[0].c, 1.0f);
    EXPECT_FLOAT_EQ(box.planes[0].d, 4.0f);
    EXPECT_FLOAT_EQ(box.planes[4].b, -1.0f);
    EXPECT_FLOAT_EQ(box.planes[4].d, 3.0f);
    const CVector3 centre(10, 0, 0);
    for (const D3DXPLANE& p : box.planes) EXPECT_GT(Dist(p, centre), 0.0f);
    const CVector3 outside(10, 0, 4.5f);
    EXPECT_LT(Dist(box.planes[1], outside), 0.0f);
}

TEST(BoxPlanes, AMirroringMatrixStillGivesInwardPlanes) {
    CMatrix mirror;
    mirror.Scaling(-1.0f, 1.0f, 1.0f);
    const CVector3 lo(0, 0, 0), hi(1, 1, 1);
    CBox box;
    Kestra::CreateBox(&box, &lo, &hi, &mirror);
    const CVector3 centre(-0.5f, 0.5f, 0.5f);
    for (const D3DXPLANE& p : box.planes) EXPECT_GT(Dist(p, centre), 0.0f);
    const CBox probe = AxisBox(CVector3(-0.6f, 0.4f, 0.4f), CVector3(-0.4f, 0.6f, 0.6f));
    EXPECT_TRUE(Kestra::IntersectBox(&box, &probe));
    const CBox far = AxisBox(CVector3(5, 5, 5), CVector3(6, 6, 6));
    EXPECT_FALSE(Kestra::IntersectBox(&box, &far));
}

TEST(BoxOverlap, ContainmentTouchingSeparationAndCrossingWithoutCorners) {
    const CBox unit = AxisBox(CVector3(0, 0, 0), CVector3(1, 1, 1));
    const CBox inner = AxisBox(CVector3(0.25f, 0.25f, 0.25f), CVector3(0.5f, 0.5f, 0.5f));
    const CBox touching = AxisBox(CVector3(1, 0, 0), CVector3(2, 1, 1));
    const CBox apart = AxisBox(CVector3(1.01f, 0, 0), CVector3(2, 1, 1));
    const CBox diagonalApart = AxisBox(CVector3(1.5f, 1.5f, -1), CVector3(3, 3, 3));
    EXPECT_TRUE(Kestra::IntersectBox(&unit, &inner));
    EXPECT_TRUE(Kestra::IntersectBox(&inner, &unit));
    EXPECT_TRUE(Kestra::IntersectBox(&unit, &touching)) << "a shared face counts";
    EXPECT_FALSE(Kestra::IntersectBox(&unit, &apart));
    EXPECT_FALSE(Kestra::IntersectBox(&unit, &diagonalApart));
    // A plus sign: two long thin bars crossing, no corner of either inside the other.
    const CBox bar1 = AxisBox(CVector3(-5, -0.5f, -0.5f), CVector3(5, 0.5f, 0.5f));
    const CBox bar2 = AxisBox(CVector3(-0.5f, -5, -0.25f), CVector3(0.5f, 5, 0.25f));
    EXPECT_TRUE(Kestra::IntersectBox(&bar1, &bar2));
    EXPECT_TRUE(Kestra::IntersectBox(&bar2, &bar1));
    // Two long bars turned onto an edge, crossing ridge to ridge: for each of the
    // twelve edges, that edge of either box is the only one to cut the other's faces.
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k) {
            const int j = i | 1 << k, p = (k + 1) % 3, q = (k + 2) % 3;
            if (j == i) continue;
            const float sp = (i >> p & 1) ? 0.7071f : -0.7071f, sq = (i >> q & 1) ? 0.7071f : -0.7071f;
            for (const float lift : {1.3f, 1.5f}) {  // the ridges overlap by 0.11, or lie 0.09 apart
                CMatrix ma, mb;  // edge i-j along x with its ridge up, along y with it down
                const auto row = [](CMatrix& m, int r, float x, float y, float z) {
                    m(r, 0) = x, m(r, 1) = y, m(r, 2) = z;
                };
                row(ma, k, 4, 0, 0), row(ma, p, 0, sp, sp), row(ma, q, 0, -sq, sq);
                row(mb, k, 0, 4, 0), row(mb, p, sp, 0, -sp), row(mb, q, -sq, 0, -sq), row(mb, 3, 0, 0, lift);
                const CVector3 lo(-0.5f, -0.5f, -0.5f), hi(0.5f, 0.5f, 0.5f);
                CBox a, b;
                Kestra::CreateBox(&a, &lo, &hi, &ma);
                Kestra::CreateBox(&b, &lo, &hi, &mb);
                EXPECT_EQ(Kestra::IntersectBox(&a, &b), lift < 1.4f) << i << "-" << j << " lifted " << lift;
                EXPECT_EQ(Kestra::IntersectBox(&b, &a), lift < 1.4f) << i << "-" << j << " lifted " << lift;
            }
        }
}

// A reference: the separating-axis test for two convex boxes. Answers +1 overlap,
// 0 apart, -1 too close to call.
int SeparatingAxes(const CBox& a, const CBox& b) {
    auto axesOf = [](const CBox& box, CVector3 out[3]) {
        out[0] = box.corners[1] - box.corners[0];
        out[1] = box.corners[2] - box.corners[0];
        out[2] = box.corners[4] - box.corners[0];
    };
    CVector3 ea[3], eb[3];
    axesOf(a, ea);
    axesOf(b, eb);
    std::vector<CVector3> axes;
    for (int i = 0; i < 3; ++i) {
        CVector3 n;
        n.Cross(ea[(i + 1) % 3], ea[(i + 2) % 3]);
        axes.push_back(n);
        n.Cross(eb[(i + 1) % 3], eb[(i + 2) % 3]);
        axes.push_back(n);
        for (int j = 0; j < 3; ++j) {
            n.Cross(ea[i], eb[j]);
            axes.push_back(n);
        }
    }
    float smallestGap = 1e30f;
    for (CVector3 axis : axes) {
        if (axis.Length() < 1e-6) continue;
        axis.Normalize();
        float minA = 1e30f, maxA = -1e30f, minB = 1e30f, maxB = -1e30f;
        for (int i = 0; i < 8; ++i) {
            minA = std::min(minA, axis.Dot(a.corners[i]));
            maxA = std::max(maxA, axis.Dot(a.corners[i]));
            minB = std::min(minB, axis.Dot(b.corners[i]));
            maxB = std::max(maxB, axis.Dot(b.corners[i]));
        }
        const float gap = std::max(minB - maxA, minA - maxB);
        if (gap > 1e-3f) return 0;
        smallestGap = std::min(smallestGap, -gap);
    }
    return smallestGap > 1e-3f ? 1 : -1;
}

TEST(BoxOverlap, AgreesWithTheSeparatingAxisTestOnRandomOrientedBoxes) {
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24);
    };
    auto randomBox = [&] {
        CMatrix rotation;
        rotation.RotationAngles(int32_t(next() * 65536), int32_t(next() * 65536), int32_t(next() * 65536));
        CMatrix scale;
        scale.Scaling(0.2f + next() * 2, 0.2f + next() * 2, 0.2f + next() * 2);
        CMatrix m = scale * rotation;
        m._41 = next() * 3 - 1.5f;
        m._42 = next() * 3 - 1.5f;
        m._43 = next() * 3 - 1.5f;
        const CVector3 lo(-0.5f, -0.5f, -0.5f), hi(0.5f, 0.5f, 0.5f);
        CBox box;
        Kestra::CreateBox(&box, &lo, &hi, &m);
        return box;
    };
    int checked = 0, overlapping = 0, mismatches = 0;
    for (int i = 0; i < 3000; ++i) {
        const CBox a = randomBox(), b = randomBox();
        const int expected = SeparatingAxes(a, b);
        if (expected < 0) continue;
        ++checked;
        overlapping += expected;
        if (Kestra::IntersectBox(&a, &b) != (expected == 1)) ++mismatches;
    }
    EXPECT_GT(checked, 2500);
    EXPECT_GT(overlapping, 300);
    EXPECT_LT(overlapping, checked - 300);
    RecordProperty("overlapping", overlapping);
    EXPECT_EQ(mismatches, 0);
}

TEST(BoxSegments, SegmentAgainstAQuadInItsPlane) {
    const CVector3 quad[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    D3DXPLANE plane;
    Kestra::CreatePlane(&plane, &quad[0], &quad[1], &quad[2]);
    CVector3 hit(9, 9, 9);
    const CVector3 through[2] = {{0.5f, 0.25f, -1}, {0.5f, 0.25f, 3}};
    EXPECT_TRUE(Kestra::IntersectSegmentQuad(through, quad, &plane, &hit));
    EXPECT_FLOAT_EQ(hit.x, 0.5f);
    EXPECT_FLOAT_EQ(hit.y, 0.25f);
    EXPECT_FLOAT_EQ(hit.z, 0.0f);
    // Beside the quad: the crossing point is still handed out.
    const CVector3 beside[2] = {{2, 0.5f, -1}, {2, 0.5f, 1}};
    EXPECT_FALSE(Kestra::IntersectSegmentQuad(beside, quad, &plane, &hit));
    EXPECT_FLOAT_EQ(hit.x, 2.0f);
    // Both ends on one side.
    const CVector3 short_[2] = {{0.5f, 0.5f, 1}, {0.5f, 0.5f, 2}};
    EXPECT_FALSE(Kestra::IntersectSegmentQuad(short_, quad, &plane, nullptr));
    // Lying in the plane: no single crossing point.
    const CVector3 inPlane[2] = {{0.2f, 0.2f, 0}, {0.8f, 0.8f, 0}};
    EXPECT_FALSE(Kestra::IntersectSegmentQuad(inPlane, quad, &plane, nullptr));
    // Ending exactly on the plane counts as crossing it.
    const CVector3 endingOn[2] = {{0.5f, 0.5f, -1}, {0.5f, 0.5f, 0}};
    EXPECT_TRUE(Kestra::IntersectSegmentQuad(endingOn, quad, &plane, nullptr));
}

TEST(BoxRays, RayAgainstTriangleGivesDistanceAndWeightsForEitherWinding) {
    const CVector3 line[2] = {{0.25f, 0.25f, -1}, {0.25f, 0.25f, 1}};
    const CVector3 tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    float t = 0, u = 0, v = 0;
    ASSERT_TRUE(Kestra::IntersectTriangle(line, tri, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, 1.0f);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.25f);
    const CVector3 reversed[3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    ASSERT_TRUE(Kestra::IntersectTriangle(line, reversed, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, 1.0f);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.25f);
    // The direction is normalised: a longer segment gives the same distance.
    const CVector3 longer[2] = {{0.25f, 0.25f, -1}, {0.25f, 0.25f, 40}};
    ASSERT_TRUE(Kestra::IntersectTriangle(longer, tri, &t, nullptr, nullptr));
    EXPECT_FLOAT_EQ(t, 1.0f);
    // Behind the start, on a triangle twice the size: a negative distance, weights still fractions.
    const CVector3 behind[2] = {{0.5f, 1, 2}, {0.5f, 1, 3}};
    const CVector3 twice[3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
    ASSERT_TRUE(Kestra::IntersectTriangle(behind, twice, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, -2.0f);
    EXPECT_FLOAT_EQ(v, 0.5f);
    // Exactly on the edge u = 0.
    const CVector3 edge[2] = {{0, 0.5f, -1}, {0, 0.5f, 1}};
    ASSERT_TRUE(Kestra::IntersectTriangle(edge, tri, &t, &u, &v));
    EXPECT_EQ(u, 0.0f);
    // Outside, and parallel.
    const CVector3 outside[2] = {{0.75f, 0.75f, -1}, {0.75f, 0.75f, 1}};
    EXPECT_FALSE(Kestra::IntersectTriangle(outside, tri, &t, &u, &v));
    const CVector3 parallel[2] = {{0.25f, 0.25f, 1}, {0.5f, 0.25f, 1}};
    EXPECT_FALSE(Kestra::IntersectTriangle(parallel, tri, &t, &u, &v));
}

}  // namespace
