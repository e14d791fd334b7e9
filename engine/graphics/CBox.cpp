#include "engine/graphics/CBox.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace {

// Face i lies in plane i.
constexpr int kFaces[][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 4, 5, 1}};
constexpr int kEdges[][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {4, 5}, {6, 7},
                             {4, 6}, {5, 7}, {0, 4}, {2, 6}, {1, 5}, {3, 7}};
constexpr int kPlanePoints[][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4}, {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};

constexpr size_t kCorners = std::extent_v<decltype(CBox::corners)>;
constexpr size_t kPlanes = std::extent_v<decltype(CBox::planes)>;

// Whether every entry of a table names one of the box's corners.
template <size_t Rows, size_t Columns>
constexpr bool NamesCorners(const int (&table)[Rows][Columns]) {
    for (const auto& row : table)
        for (int corner : row)
            if (corner < 0 || static_cast<size_t>(corner) >= kCorners) return false;
    return true;
}
static_assert(NamesCorners(kFaces) && NamesCorners(kEdges) && NamesCorners(kPlanePoints));
static_assert(std::size(kFaces) == kPlanes && std::size(kPlanePoints) == kPlanes, "a face and a plane each");

float Distance(const D3DXPLANE& p, const CVector3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

void Corners(CVector3 (&out)[kCorners], const CVector3& lo, const CVector3& hi) {
    for (size_t i = 0; i < kCorners; ++i)
        out[i].Set((i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z);
}

void BuildPlanes(CBox* box) {
    for (size_t i = 0; i < kPlanes; ++i)
        Kestra::CreatePlane(&box->planes[i], &box->corners[kPlanePoints[i][0]], &box->corners[kPlanePoints[i][1]],
                            &box->corners[kPlanePoints[i][2]]);
}

// Bit i set when the point lies outside plane i of the box.
uint32_t Outcode(const CBox& box, const CVector3& v) {
    uint32_t code = 0;
    for (size_t i = 0; i < kPlanes; ++i)
        if (Distance(box.planes[i], v) < 0.0f) code |= 1u << i;
    return code;
}

// Step one and two of the overlap test for b's corners against a's planes:
// 1 overlap, 0 apart, -1 undecided.
int CornerTest(const CBox& a, const CBox& b) {
    uint32_t common = (1u << kPlanes) - 1;
    for (const CVector3& corner : b.corners) {
        const uint32_t code = Outcode(a, corner);
        if (code == 0) return 1;
        common &= code;
    }
    return common != 0 ? 0 : -1;
}

bool EdgesCrossFaces(const CBox& edges, const CBox& faces) {
    for (const auto& e : kEdges) {
        const CVector3 segment[2] = {edges.corners[e[0]], edges.corners[e[1]]};
        for (size_t f = 0; f < kPlanes; ++f) {
            const CVector3 quad[4] = {faces.corners[kFaces[f][0]], faces.corners[kFaces[f][1]],
                                      faces.corners[kFaces[f][2]], faces.corners[kFaces[f][3]]};
            if (Kestra::IntersectSegmentQuad(segment, quad, &faces.planes[f], nullptr)) return true;
        }
    }
    return false;
}

float Cross2(float a0, float b0, float a1, float b1, float a2, float b2) {
    return (a1 - a0) * (b2 - b0) - (a2 - a0) * (b1 - b0);
}

}  // namespace

namespace Kestra {

void CreatePlane(D3DXPLANE* out, const CVector3* p1, const CVector3* p2, const CVector3* p3) {
    if (!out || !p1 || !p2 || !p3) return;
    CVector3 n;
    n.Cross(*p1 - *p2, *p1 - *p3);
    n.Normalize();
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) {
        *out = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    *out = D3DXPLANE(n.x, n.y, n.z, -n.Dot(*p1));
}

void CreateBox(CBox* out, const CVector3* min, const CVector3* max, const CMatrix* m) {
    if (!out || !min || !max || !m) return;
    CVector3 corners[kCorners];
    Corners(corners, *min, *max);
    for (size_t i = 0; i < kCorners; ++i) out->corners[i].TransformCoordFrom(corners[i], *m);
    BuildPlanes(out);
    // A mirroring matrix turns every plane outwards.
    const float det = m->_11 * (m->_22 * m->_33 - m->_23 * m->_32) - m->_12 * (m->_21 * m->_33 - m->_23 * m->_31) +
                      m->_13 * (m->_21 * m->_32 - m->_22 * m->_31);
    if (det < 0.0f) {
        for (D3DXPLANE& p : out->planes) p = D3DXPLANE(-p.a, -p.b, -p.c, -p.d);
    }
}

void CreateFrustumBox(CBox* out, const CVector3* min, const CVector3* max, const CMatrix* m) {
    if (!out || !min || !max || !m) return;
    CVector3 corners[kCorners];
    Corners(corners, *min, *max);
    for (size_t i = 0; i < kCorners; ++i) D3DXVec3TransformCoord(&out->corners[i], &corners[i], m);
    BuildPlanes(out);
}

bool IntersectBox(const CBox* a, const CBox* b) {
    if (!a || !b) return false;
    int r = CornerTest(*a, *b);
    if (r >= 0) return r == 1;
    r = CornerTest(*b, *a);
    if (r >= 0) return r == 1;
    if (EdgesCrossFaces(*b, *a)) return true;
    return EdgesCrossFaces(*a, *b);
}

bool IntersectSegmentQuad(const CVector3 segment[2], const CVector3 quad[4], const D3DXPLANE* quadPlane,
                          CVector3* hit) {
    if (!segment || !quad || !quadPlane) return false;
    const float d0 = Distance(*quadPlane, segment[0]);
    const float d1 = Distance(*quadPlane, segment[1]);
    if (d0 * d1 > 0.0f) return false;
    CVector3 point;
    if (!D3DXPlaneIntersectLine(&point, quadPlane, &segment[0], &segment[1])) return false;
    if (hit) *hit = point;

    // Drop the axis of the normal's largest component.
    const float nx = std::fabs(quadPlane->a), ny = std::fabs(quadPlane->b), nz = std::fabs(quadPlane->c);
    auto project = [&](const CVector3& v, float* a, float* b) {
        if (nx > ny && nx > nz) {
            *a = v.y;
            *b = v.z;
        } else if (ny > nx && ny > nz) {
            *a = v.x;
            *b = v.z;
        } else {
            *a = v.x;
            *b = v.y;
        }
    };
    float ca[4], cb[4], pa, pb;
    for (int i = 0; i < 4; ++i) project(quad[i], &ca[i], &cb[i]);
    project(point, &pa, &pb);

    const bool negative = Cross2(ca[0], cb[0], ca[1], cb[1], ca[2], cb[2]) < 0.0f;
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) & 3;
        const float e = Cross2(ca[i], cb[i], ca[j], cb[j], pa, pb);
        if (negative ? !(e <= 0.0f) : !(e > 0.0f)) return false;
    }
    return true;
}

bool IntersectTriangle(const CVector3 line[2], const CVector3 triangle[3], float* t, float* u, float* v) {
    if (!line || !triangle) return false;
    CVector3 dir;
    dir.NormalizeFrom(line[1] - line[0]);
    const CVector3& origin = line[0];
    const CVector3 e1 = triangle[1] - triangle[0];
    const CVector3 e2 = triangle[2] - triangle[0];
    CVector3 pv;
    pv.Cross(dir, e2);
    float det = e1.Dot(pv);
    CVector3 tv;
    if (det > 0.0f) {
        tv = origin - triangle[0];
    } else {
        tv = triangle[0] - origin;
        det = -det;
    }
    if (det < 0.0001f) return false;
    const float uu = tv.Dot(pv);
    if (u) *u = uu;
    if (uu < 0.0f || uu > det) return false;
    CVector3 qv;
    qv.Cross(tv, e1);
    const float vv = dir.Dot(qv);
    if (v) *v = vv;
    if (vv < 0.0f || uu + vv > det) return false;
    const float inv = 1.0f / det;
    if (t) *t = e2.Dot(qv) * inv;
    if (u) *u = uu * inv;
    if (v) *v = vv * inv;
    return true;
}

}  // namespace Kestra
