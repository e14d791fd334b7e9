// Convex boxes of eight corners and six planes for visibility and picking: model
// bounds under a matrix, or the camera's view frustum; their overlap test, and
// segment, plane and ray tests. Direct3D conventions: row vectors, left-handed.
#pragma once

#include "engine/core/CMatrix.h"
#include "engine/core/CVector3.h"
#include "platform/d3dx9/d3dx9math.h"

// Corners, with (x0, y0, z0) the minimum and (x1, y1, z1) the maximum of the
// source box: c0 (x0,y0,z0), c1 (x1,y0,z0), c2 (x0,y1,z0), c3 (x1,y1,z0),
// c4 (x0,y0,z1), c5 (x1,y0,z1), c6 (x0,y1,z1), c7 (x1,y1,z1).
// Planes face inwards: a point is inside when a·x + b·y + c·z + d >= 0 for all six.
struct CBox {
    CVector3 corners[8];
    D3DXPLANE planes[6];
};

namespace Kestra {

// n = normalise((p1 - p2) x (p1 - p3)), plane (n, -n·p1). Collinear points give
// (0, 0, 0, 0), which every point is inside.
void CreatePlane(D3DXPLANE* out, const CVector3* p1, const CVector3* p2, const CVector3* p3);
// The box [min, max] under m (no division by w). A mirroring m keeps the planes
// facing inwards.
void CreateBox(CBox* out, const CVector3* min, const CVector3* max, const CMatrix* m);
// The same with each corner divided by w: min (-1, -1, 0), max (1, 1, 1) and the
// inverse of view x projection give the view frustum in world space.
void CreateFrustumBox(CBox* out, const CVector3* min, const CVector3* max, const CMatrix* m);
// True when the boxes overlap or touch.
bool IntersectBox(const CBox* a, const CBox* b);
// The segment against the quadrilateral lying in quadPlane. The crossing point
// goes to hit (when given) whenever the segment's line meets the plane.
bool IntersectSegmentQuad(const CVector3 segment[2], const CVector3 quad[4], const D3DXPLANE* quadPlane,
                          CVector3* hit);
// The ray from line[0] through line[1] against the triangle, either winding. t is
// the distance along the normalised direction (either sign), u and v the
// barycentric weights of triangle[1] and triangle[2]. Any output may be null.
bool IntersectTriangle(const CVector3 line[2], const CVector3 triangle[3], float* t, float* u, float* v);

}  // namespace Kestra
