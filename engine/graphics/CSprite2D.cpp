#include "engine/graphics/CSprite2D.h"

#include <cstring>

#include "engine/core/CMatrix.h"
#include "engine/core/CVector3.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/KestraTexture.h"

namespace {

// Per stage: uL, vT, uR, vB.
typedef float StageCoords[CSprite2D::kStageCount][4];

inline void SetVertex(Vertex2D& v, float x, float y, float z, uint32_t color) {
    v.x = x;
    v.y = y;
    v.z = z;
    v.rhw = 1.0f;
    v.color = color;
}

// Texture coordinates of stage s: u from column (0 uL, 2 uR), v from row (1 vT, 3 vB).
inline void SetUV(Vertex2D& v, const StageCoords c, int uIndex, int vIndex) {
    for (uint32_t s = 0; s < CSprite2D::kStageCount; ++s) {
        v.uv[s][0] = c[s][uIndex];
        v.uv[s][1] = c[s][vIndex];
    }
}

// The six vertices of a quad from its corners: top-left, top-right, bottom-right,
// then bottom-right, bottom-left, top-left.
void BuildQuad(Vertex2D* out, const float (*corner)[3], uint32_t color, const StageCoords c) {
    // corner: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right
    static const int kCorner[6] = {0, 1, 3, 3, 2, 0};
    static const int kU[6] = {0, 2, 2, 2, 0, 0};
    static const int kV[6] = {1, 1, 3, 3, 3, 1};
    for (int i = 0; i < 6; ++i) {
        const float* p = corner[kCorner[i]];
        SetVertex(out[i], p[0], p[1], p[2], color);
        SetUV(out[i], c, kU[i], kV[i]);
    }
}

// A segment's angle: (k * 65536) / n + start - 16384, truncated as integers.
inline int32_t SegmentAngle(int32_t k, int32_t n, uint32_t start) {
    return int32_t((int64_t(k) * 65536) / n) + int32_t(start) - 16384;
}

inline float PixelToV(CTexture* texture, float y) { return texture ? texture->PixelToV(y) : 0.0f; }

}  // namespace

CSprite2D::CSprite2D(CObject2DManager* manager) : CPrimitive2D(manager) {}

CSprite2D::~CSprite2D() {
    Kestra::LogRed("CSprite2D Destruct");
    Kestra::LogNewLine();
    for (CTexture*& texture : textures_) {
        if (texture) texture->Release();
        texture = nullptr;
    }
}

void CSprite2D::SetTexture(uint32_t stage, CTexture* texture) {
    if (stage >= kStageCount) return;
    // The new texture is held before the old one is let go, so setting the same
    // texture again never destroys it; a replaced texture is not leaked.
    if (texture) texture->AddRef();
    if (textures_[stage]) textures_[stage]->Release();
    textures_[stage] = texture;
}

void CSprite2D::Render() {
    for (uint32_t s = 0; s < kStageCount; ++s) CDeviceObject::SetTexture(s, textures_[s]);
    CPrimitive2D::Render();
}

void CSprite2D::SourceCoords(const float* src, uint32_t stageCount, float coords[kStageCount][4]) const {
    std::memset(coords, 0, sizeof(float) * kStageCount * 4);
    if (!src) return;
    // More than four stages would run past the vertex's texture-coordinate pairs.
    if (stageCount > kStageCount) stageCount = kStageCount;
    const float o = KestraTexture::GetTexelOffset();
    for (uint32_t s = 0; s < stageCount; ++s) {
        CTexture* t = textures_[s];
        if (!t) continue;
        const float* r = src + 4 * s;
        coords[s][0] = t->PixelToU(o + r[0]);
        coords[s][1] = t->PixelToV(o + r[1]);
        coords[s][2] = t->PixelToU(r[0] + r[2] - o);
        coords[s][3] = t->PixelToV(r[1] + r[3] - o);
    }
}

bool CSprite2D::DrawSquare(const float* dst, float z, const float* src, uint32_t color, uint32_t stageCount) {
    if (!dst) return false;
    const float x0 = dst[0], y0 = dst[1], x1 = dst[0] + dst[2], y1 = dst[1] + dst[3];
    StageCoords c;
    SourceCoords(src, stageCount, c);
    const float corner[4][3] = {{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}};
    Vertex2D v[6];
    BuildQuad(v, corner, color, c);
    return AddTriangles(v, 2);
}

bool CSprite2D::DrawSquareRotate(const float* dst, float z, const float* src, uint32_t color, Kestra::Angle16 angle,
                                 uint32_t stageCount, float offsetX, float offsetY) {
    if (!dst) return false;
    const float x = dst[0], y = dst[1], x1 = dst[0] + dst[2], y1 = dst[1] + dst[3];
    const float cx = (x1 + x) * 0.5f + offsetX;
    const float cy = (y1 + y) * 0.5f + offsetY;
    float p[4][2] = {{x - cx, y - cy}, {x1 - cx, y - cy}, {x - cx, y1 - cy}, {x1 - cx, y1 - cy}};
    float corner[4][3];
    for (int i = 0; i < 4; ++i) {
        Kestra::RotatePoint(p[i], static_cast<uint16_t>(angle));
        corner[i][0] = p[i][0] + cx;
        corner[i][1] = p[i][1] + cy;
        corner[i][2] = z;
    }
    StageCoords c;
    SourceCoords(src, stageCount, c);
    Vertex2D v[6];
    BuildQuad(v, corner, color, c);
    return AddTriangles(v, 2);
}

bool CSprite2D::DrawSquareRotateXYZ(const float* dst, float z, const float* src, uint32_t color,
                                    Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ,
                                    uint32_t stageCount) {
    if (!dst) return false;
    const float cx = (dst[0] + dst[2] + dst[0]) * 0.5f;
    const float cy = (dst[1] + dst[3] + dst[1]) * 0.5f;
    const float hw = dst[2] / 2, hh = dst[3] / 2;
    CMatrix m;
    m.RotationAngles(int32_t(angleX), int32_t(angleY), int32_t(angleZ));
    const float local[4][2] = {{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}};
    float corner[4][3];
    for (int i = 0; i < 4; ++i) {
        CVector3 p(local[i][0], local[i][1], 0.0f);
        p.TransformCoord(m);
        corner[i][0] = p.x + cx;
        corner[i][1] = p.y + cy;
        corner[i][2] = p.z + z;
    }
    StageCoords c;
    SourceCoords(src, stageCount, c);
    Vertex2D v[6];
    BuildQuad(v, corner, color, c);
    return AddTriangles(v, 2);
}

bool CSprite2D::DrawSquareMatrix(const CMatrix& matrix, const float* src, uint32_t color, uint32_t stageCount) {
    if (!src) return false;
    const float hw = src[2] / 2, hh = src[3] / 2;
    const float local[4][2] = {{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}};
    float corner[4][3];
    for (int i = 0; i < 4; ++i) {
        CVector3 p(local[i][0], local[i][1], 0.0f);
        p.TransformCoord(matrix);
        corner[i][0] = p.x;
        corner[i][1] = p.y;
        corner[i][2] = p.z;
    }
    StageCoords c;
    SourceCoords(src, stageCount, c);
    Vertex2D v[6];
    BuildQuad(v, corner, color, c);
    return AddTriangles(v, 2);
}

// ---- Rings

namespace {

struct RingSpec {
    float cx, cy, z;
    float radiusA, radiusB;
    uint32_t colorA, colorB;
    int32_t segments;
    uint32_t start;
    bool rotate3D;
    const CMatrix* matrix;
    float vScale;
};

}  // namespace

static bool DrawRingImpl(CSprite2D* sprite, const float* src, uint32_t stageCount, const RingSpec& r,
                         CTexture* const* textures) {
    if (r.segments < 1) return false;
    if (stageCount > CSprite2D::kStageCount) stageCount = CSprite2D::kStageCount;
    const float o = KestraTexture::GetTexelOffset();
    // Per stage: U on radius B and on radius A; V at a0 and at a1.
    float uB[4] = {}, uA[4] = {}, v0[4] = {}, v1[4] = {};
    if (src) {
        for (uint32_t s = 0; s < stageCount; ++s) {
            CTexture* t = textures[s];
            if (!t) continue;
            const float* q = src + 4 * s;
            uB[s] = t->PixelToU(o + q[0]);
            uA[s] = t->PixelToU(q[0] + q[2] - o);
            v0[s] = t->PixelToV((q[1] + q[3] - o) * r.vScale);
            v1[s] = t->PixelToV((o + q[1]) * r.vScale);
        }
    }
    auto point = [&](int32_t a, float radius, float* out) {
        if (r.rotate3D) {
            CVector3 p(Kestra::Cos(uint32_t(a)) * radius, Kestra::Sin(a) * radius, 0.0f);
            p.TransformCoord(*r.matrix);
            out[0] = p.x + r.cx;
            out[1] = p.y + r.cy;
            out[2] = p.z + r.z;
        } else {
            out[0] = Kestra::Cos(uint32_t(a)) * radius + r.cx;
            out[1] = Kestra::Sin(a) * radius + r.cy;
            out[2] = r.z;
        }
    };
    for (int32_t k = 0; k < r.segments; ++k) {
        const int32_t a0 = SegmentAngle(k, r.segments, r.start);
        const int32_t a1 = SegmentAngle(k + 1, r.segments, r.start);
        float p0B[3], p1B[3], p1A[3], p0A[3];
        point(a0, r.radiusB, p0B);
        point(a1, r.radiusB, p1B);
        point(a1, r.radiusA, p1A);
        point(a0, r.radiusA, p0A);
        struct Corner {
            const float* p;
            bool onA;
            bool atA1;
        } const order[6] = {{p0B, false, false}, {p1B, false, true}, {p1A, true, true},
                            {p1A, true, true},   {p0A, true, false}, {p0B, false, false}};
        Vertex2D v[6];
        for (int i = 0; i < 6; ++i) {
            SetVertex(v[i], order[i].p[0], order[i].p[1], order[i].p[2], order[i].onA ? r.colorA : r.colorB);
            for (uint32_t s = 0; s < CSprite2D::kStageCount; ++s) {
                v[i].uv[s][0] = order[i].onA ? uA[s] : uB[s];
                v[i].uv[s][1] = order[i].atA1 ? v1[s] : v0[s];
            }
        }
        if (!sprite->AddTriangles(v, 2)) return false;
    }
    return true;
}

bool CSprite2D::DrawRing(float centerX, float centerY, float z, const float* src, float radiusA, float radiusB,
                         uint32_t colorA, uint32_t colorB, int32_t segments, float vScale, uint32_t stageCount) {
    const RingSpec r{centerX, centerY, z, radiusA, radiusB, colorA, colorB, segments, 0, false, nullptr, vScale};
    return DrawRingImpl(this, src, stageCount, r, textures_);
}

bool CSprite2D::DrawRingRotate(float centerX, float centerY, float z, const float* src, float radiusA, float radiusB,
                               uint32_t colorA, uint32_t colorB, int32_t segments, Kestra::Angle16 start,
                               float vScale, uint32_t stageCount) {
    const RingSpec r{centerX, centerY, z, radiusA, radiusB, colorA, colorB, segments, start, false, nullptr, vScale};
    return DrawRingImpl(this, src, stageCount, r, textures_);
}

bool CSprite2D::DrawRingRotateXYZ(float centerX, float centerY, float z, const float* src, float radiusA,
                                  float radiusB, uint32_t colorA, uint32_t colorB, int32_t segments,
                                  Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ,
                                  float vScale, uint32_t stageCount) {
    CMatrix m;
    m.RotationAngles(int32_t(angleX), int32_t(angleY), int32_t(angleZ));
    const RingSpec r{centerX, centerY, z, radiusA, radiusB, colorA, colorB, segments, 0, true, &m, vScale};
    return DrawRingImpl(this, src, stageCount, r, textures_);
}

// ---- Tubes

namespace {

struct TubeSpec {
    float cx, cy, z;
    float radius, depth;
    uint32_t color;
    int32_t segments;
    uint32_t start;
    const CMatrix* matrix;  // null: flat
    float vScale;
};

}  // namespace

static bool DrawTubeImpl(CSprite2D* sprite, const float* src, uint32_t stageCount, const TubeSpec& t,
                         CTexture* const* textures) {
    if (t.segments < 1) return false;
    if (stageCount > CSprite2D::kStageCount) stageCount = CSprite2D::kStageCount;
    const float o = KestraTexture::GetTexelOffset();
    const bool rotated = t.matrix != nullptr;
    // Per stage: U on the near and the far rim, V at a0 and at a1.
    float uNear[4] = {}, uFar[4] = {}, v0[4] = {}, v1[4] = {};
    if (src) {
        for (uint32_t s = 0; s < stageCount; ++s) {
            CTexture* tex = textures[s];
            if (!tex) continue;
            const float* q = src + 4 * s;
            const float uL = tex->PixelToU(o + q[0]);
            const float uR = tex->PixelToU(q[0] + q[2] - o);
            const float vTop = tex->PixelToV((o + q[1]) * t.vScale);
            const float vBottom = tex->PixelToV((q[1] + q[3] - o) * t.vScale);
            uNear[s] = rotated ? uL : uR;
            uFar[s] = rotated ? uR : uL;
            v0[s] = rotated ? vBottom : vTop;
            v1[s] = rotated ? vTop : vBottom;
        }
    }
    const float nearZ = t.z - t.depth / 2, farZ = t.z + t.depth / 2;
    auto point = [&](int32_t a, bool farRim, float* out) {
        const float c = Kestra::Cos(uint32_t(a)) * t.radius, s = Kestra::Sin(a) * t.radius;
        if (rotated) {
            CVector3 p(c, s, farRim ? t.depth / 2 : -(t.depth / 2));
            p.TransformCoord(*t.matrix);
            out[0] = p.x + t.cx;
            out[1] = p.y + t.cy;
            out[2] = p.z + t.z;
        } else {
            out[0] = c + t.cx;
            out[1] = s + t.cy;
            out[2] = farRim ? farZ : nearZ;
        }
    };
    // (atA1, farRim) of the six corners of one segment.
    static const bool kFlat[6][2] = {{false, false}, {false, true}, {true, true},
                                     {true, true},   {true, false}, {false, false}};
    static const bool kRotated[6][2] = {{false, false}, {true, false}, {true, true},
                                        {true, true},   {false, true}, {false, false}};
    const bool(*order)[2] = rotated ? kRotated : kFlat;
    for (int32_t k = 0; k < t.segments; ++k) {
        const int32_t a[2] = {SegmentAngle(k, t.segments, t.start), SegmentAngle(k + 1, t.segments, t.start)};
        Vertex2D v[6];
        for (int i = 0; i < 6; ++i) {
            const bool atA1 = order[i][0], farRim = order[i][1];
            float p[3];
            point(a[atA1 ? 1 : 0], farRim, p);
            SetVertex(v[i], p[0], p[1], p[2], t.color);
            for (uint32_t s = 0; s < CSprite2D::kStageCount; ++s) {
                v[i].uv[s][0] = farRim ? uFar[s] : uNear[s];
                v[i].uv[s][1] = atA1 ? v1[s] : v0[s];
            }
        }
        if (!sprite->AddTriangles(v, 2)) return false;
    }
    return true;
}

bool CSprite2D::DrawTube(float centerX, float centerY, float z, const float* src, float radius, float depth,
                         uint32_t color, int32_t segments, float vScale, uint32_t stageCount) {
    const TubeSpec t{centerX, centerY, z, radius, depth, color, segments, 0, nullptr, vScale};
    return DrawTubeImpl(this, src, stageCount, t, textures_);
}

bool CSprite2D::DrawTubeRotate(float centerX, float centerY, float z, const float* src, float radius, float depth,
                               uint32_t color, int32_t segments, Kestra::Angle16 start, float vScale,
                               uint32_t stageCount) {
    const TubeSpec t{centerX, centerY, z, radius, depth, color, segments, start, nullptr, vScale};
    return DrawTubeImpl(this, src, stageCount, t, textures_);
}

bool CSprite2D::DrawTubeRotateXYZ(float centerX, float centerY, float z, const float* src, float radius, float depth,
                                  uint32_t color, int32_t segments, Kestra::Angle16 angleX, Kestra::Angle16 angleY,
                                  Kestra::Angle16 angleZ, float vScale, uint32_t stageCount) {
    CMatrix m;
    m.RotationAngles(int32_t(angleX), int32_t(angleY), int32_t(angleZ));
    const TubeSpec t{centerX, centerY, z, radius, depth, color, segments, 0, &m, vScale};
    return DrawTubeImpl(this, src, stageCount, t, textures_);
}

// ---- Triangles and bands

static bool DrawTriangleImpl(CSprite2D* sprite, const Sprite2DTriangleVertex* corners, const CMatrix& m,
                             CTexture* texture) {
    if (!corners) return false;
    const float third = 0.333333343f;
    const float cx = (corners[0].x + corners[1].x + corners[2].x) * third;
    const float cy = (corners[0].y + corners[1].y + corners[2].y) * third;
    Vertex2D v[3];
    for (int i = 0; i < 3; ++i) {
        const Sprite2DTriangleVertex& c = corners[i];
        CVector3 p(c.x - cx, c.y - cy, 0.0f);
        p.TransformCoord(m);
        std::memset(&v[i], 0, sizeof(Vertex2D));
        SetVertex(v[i], p.x + cx, p.y + cy, p.z + c.z, c.color);
        v[i].uv[0][0] = texture ? texture->PixelToU(c.u) : 0.0f;
        v[i].uv[0][1] = PixelToV(texture, c.v);
    }
    return sprite->AddTriangles(v, 1);
}

bool CSprite2D::DrawTriangle(const Sprite2DTriangleVertex* corners, Kestra::Angle16 angle, uint32_t) {
    CMatrix m;
    m.RotationAngles(0, 0, int32_t(angle));
    return DrawTriangleImpl(this, corners, m, textures_[0]);
}

bool CSprite2D::DrawTriangleRotateXYZ(const Sprite2DTriangleVertex* corners, Kestra::Angle16 angleX,
                                      Kestra::Angle16 angleY, Kestra::Angle16 angleZ, uint32_t) {
    CMatrix m;
    m.RotationAngles(int32_t(angleX), int32_t(angleY), int32_t(angleZ));
    return DrawTriangleImpl(this, corners, m, textures_[0]);
}

bool CSprite2D::DrawBand(const float* x, const float* y, const float* z, const float* halfWidth,
                         const uint32_t* angles, const uint32_t* colors, uint32_t count, const float* src) {
    if (count < 2 || !x || !y || !z || !halfWidth || !angles || !colors) return false;
    StageCoords c;
    SourceCoords(src, 1, c);
    const float uL = c[0][0], vT = c[0][1], uR = c[0][2], vB = c[0][3];
    auto side = [&](uint32_t i, bool plus, Vertex2D& out) {
        float d[2] = {0.0f, halfWidth[i]};
        Kestra::RotatePoint(d, static_cast<uint16_t>(angles[i]));
        std::memset(&out, 0, sizeof(Vertex2D));
        const float sx = plus ? x[i] + d[0] : x[i] - d[0];
        const float sy = plus ? y[i] + d[1] : y[i] - d[1];
        SetVertex(out, sx, sy, z[i], colors[i]);
        out.uv[0][0] = plus ? uR : uL;
        out.uv[0][1] = vT + (vB - vT) * float(i) / float(count - 1);
    };
    for (uint32_t i = 0; i + 1 < count; ++i) {
        Vertex2D minus0, plus0, minus1, plus1;
        side(i, false, minus0);
        side(i, true, plus0);
        side(i + 1, false, minus1);
        side(i + 1, true, plus1);
        const Vertex2D v[6] = {minus0, plus0, minus1, minus1, plus1, plus0};
        if (!AddTriangles(v, 2)) return false;
    }
    return true;
}

// ---- CSprite2DManager

CSprite2D* CSprite2DManager::Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    return FinishCreate(new (std::nothrow) CSprite2D(this), "CSprite2D::Create",
                        [&](CSprite2D* s) { return s->Create(capacity, texCoordSets, sort); }, nullptr);
}
