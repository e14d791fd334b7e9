#include "engine/graphics/CSprite3D.h"

#include <cmath>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/KestraTexture.h"

namespace {

// p moved by the transform's world matrix (row vector, translation last).
void Place(const CTransform* transform, float x, float y, float z, Vertex3D* out) {
    if (!transform) {
        out->x = x;
        out->y = y;
        out->z = z;
        return;
    }
    const CMatrix& m = transform->world;
    out->x = x * m._11 + y * m._21 + z * m._31 + m._41;
    out->y = x * m._12 + y * m._22 + z * m._32 + m._42;
    out->z = x * m._13 + y * m._23 + z * m._33 + m._43;
}

Vertex3D Corner(const CTransform* transform, float x, float y, float z, uint32_t color,
                const float coords[CSprite3D::kStageCount][4], float fu, float fv) {
    Vertex3D v{};
    Place(transform, x, y, z, &v);
    v.color = color;
    for (uint32_t s = 0; s < CSprite3D::kStageCount; ++s) {
        v.uv[s][0] = coords[s][0] + (coords[s][2] - coords[s][0]) * fu;
        v.uv[s][1] = coords[s][1] + (coords[s][3] - coords[s][1]) * fv;
    }
    return v;
}

}  // namespace

CSprite3D::CSprite3D(CDeviceObjectManager* manager) : CPrimitive3D(manager) {}

CSprite3D::~CSprite3D() {
    Kestra::LogRed("CSprite3D Destruct");
    Kestra::LogNewLine();
    for (CTexture*& t : textures_) {
        KestraTexture::Release(t);
        t = nullptr;
    }
}

bool CSprite3D::Create(uint32_t capacity, uint32_t texCoordSets) {
    Kestra::LogBlue("CSprite3D::Create");
    if (!CPrimitive3D::Create(capacity, texCoordSets)) return false;
    Kestra::LogGreen("Success!");
    return true;
}

void CSprite3D::SetTexture(uint32_t stage, CTexture* texture) {
    if (stage >= kStageCount) return;
    if (texture) texture->AddRef();
    // Released after the new reference is taken, so setting the same texture is safe.
    KestraTexture::Release(textures_[stage]);
    textures_[stage] = texture;
}

void CSprite3D::Render() {
    for (uint32_t s = 0; s < kStageCount; ++s) CDeviceObject::SetTexture(s, textures_[s]);
    CPrimitive3D::Render();
}

void CSprite3D::SourceCoords(const float* src, uint32_t stageCount, float coords[kStageCount][4]) const {
    const float t = KestraTexture::GetTexelOffset();
    if (stageCount > kStageCount) stageCount = kStageCount;
    for (uint32_t s = 0; s < kStageCount; ++s) {
        coords[s][0] = coords[s][1] = coords[s][2] = coords[s][3] = 0.0f;
        CTexture* texture = textures_[s];
        if (s >= stageCount || !texture || !src) continue;
        const float* r = src + 4 * s;
        coords[s][0] = texture->PixelToU(r[0] + t);
        coords[s][1] = texture->PixelToV(r[1] + t);
        coords[s][2] = texture->PixelToU(r[0] + r[2] - t);
        coords[s][3] = texture->PixelToV(r[1] + r[3] - t);
    }
}

bool CSprite3D::DrawSquare(const CTransform* transform, float x, float y, float z, float width, float height,
                           const float* src, uint32_t color, uint32_t stageCount) {
    float coords[kStageCount][4];
    SourceCoords(src, stageCount, coords);
    const float l = x - width * 0.5f, r = x + width * 0.5f, t = y + height * 0.5f, b = y - height * 0.5f;
    const Vertex3D tl = Corner(transform, l, t, z, color, coords, 0, 0);
    const Vertex3D tr = Corner(transform, r, t, z, color, coords, 1, 0);
    const Vertex3D bl = Corner(transform, l, b, z, color, coords, 0, 1);
    const Vertex3D br = Corner(transform, r, b, z, color, coords, 1, 1);
    const Vertex3D v[6] = {tl, tr, bl, bl, tr, br};
    return AddTriangles(v, 2);
}

bool CSprite3D::DrawRing(const CTransform* transform, float x, float y, float z, float innerRadius,
                         float outerRadius, int32_t segments, const float* src, uint32_t color,
                         uint32_t stageCount) {
    if (segments <= 0) return true;
    float coords[kStageCount][4];
    SourceCoords(src, stageCount, coords);
    const int32_t step = 65536 / segments;
    for (int32_t i = 0; i < segments; ++i) {
        const int32_t a0 = -16384 + i * step, a1 = a0 + step;
        const float f0 = float(i) / float(segments), f1 = float(i + 1) / float(segments);
        auto at = [&](int32_t a, float radius, float fu, float fv) {
            return Corner(transform, x + Kestra::Cos(uint32_t(a)) * radius, y - Kestra::Sin(a) * radius, z, color,
                          coords, fu, fv);
        };
        const Vertex3D o0 = at(a0, outerRadius, f0, 0), o1 = at(a1, outerRadius, f1, 0);
        const Vertex3D i0 = at(a0, innerRadius, f0, 1), i1 = at(a1, innerRadius, f1, 1);
        const Vertex3D v[6] = {o0, o1, i0, i0, o1, i1};
        if (!AddTriangles(v, 2)) return false;
    }
    return true;
}

bool CSprite3D::DrawDisc(const CTransform* transform, float x, float y, float z, float radius, int32_t segments,
                         const float* src, uint32_t color, uint32_t stageCount) {
    if (segments <= 0) return true;
    float coords[kStageCount][4];
    SourceCoords(src, stageCount, coords);
    const int32_t step = 65536 / segments;
    const Vertex3D centre = Corner(transform, x, y, z, color, coords, 0.5f, 0.5f);
    for (int32_t i = 0; i < segments; ++i) {
        const int32_t a0 = -16384 + i * step, a1 = a0 + step;
        auto rim = [&](int32_t a) {
            const float c = Kestra::Cos(uint32_t(a)), s = Kestra::Sin(a);
            return Corner(transform, x + c * radius, y - s * radius, z, color, coords, 0.5f + 0.5f * c,
                          0.5f + 0.5f * s);
        };
        const Vertex3D v[3] = {centre, rim(a0), rim(a1)};
        if (!AddTriangles(v, 1)) return false;
    }
    return true;
}

bool CSprite3D::Ribbon(const CTransform* transform, const CVector3* points, const float* widths, float width,
                       const Kestra::Angle16* angles, const uint32_t* colors, uint32_t color, uint32_t count,
                       const float* src) {
    if (!points || count < 2) return true;
    float coords[kStageCount][4];
    SourceCoords(src, 1, coords);
    auto side = [&](uint32_t i, Vertex3D* left, Vertex3D* right) {
        Kestra::Angle16 angle;
        if (angles) {
            angle = angles[i];
        } else {
            // At right angles to the ribbon's direction at the point.
            const CVector3& a = points[i == 0 ? 0 : i - 1];
            const CVector3& b = points[i == 0 ? 1 : i];
            angle = Kestra::Atan(b.x - a.x, b.y - a.y) + 16384;
        }
        float offset[2] = {(widths ? widths[i] : width) * 0.5f, 0.0f};
        Kestra::RotatePoint(offset, uint16_t(angle));
        const float fv = float(i) / float(count - 1);
        const uint32_t c = colors ? colors[i] : color;
        *left = Corner(transform, points[i].x + offset[0], points[i].y + offset[1], points[i].z, c, coords, 0, fv);
        *right = Corner(transform, points[i].x - offset[0], points[i].y - offset[1], points[i].z, c, coords, 1, fv);
    };
    Vertex3D l0, r0, l1, r1;
    side(0, &l0, &r0);
    for (uint32_t i = 1; i < count; ++i) {
        side(i, &l1, &r1);
        const Vertex3D v[6] = {l0, r0, l1, l1, r0, r1};
        if (!AddTriangles(v, 2)) return false;
        l0 = l1;
        r0 = r1;
    }
    return true;
}

bool CSprite3D::DrawRibbon(const CTransform* transform, const CVector3* points, uint32_t count, float width,
                           const float* src, uint32_t color) {
    return Ribbon(transform, points, nullptr, width, nullptr, nullptr, color, count, src);
}

bool CSprite3D::DrawRibbonWidths(const CTransform* transform, const CVector3* points, const float* widths,
                                 uint32_t count, const float* src, uint32_t color) {
    return Ribbon(transform, points, widths, 0.0f, nullptr, nullptr, color, count, src);
}

bool CSprite3D::DrawRibbonAngles(const CTransform* transform, const CVector3* points, const float* widths,
                                 const Kestra::Angle16* angles, const uint32_t* colors, uint32_t count,
                                 const float* src) {
    if (!widths || !angles || !colors) return false;
    return Ribbon(transform, points, widths, 0.0f, angles, colors, 0, count, src);
}

CSprite3D* CSprite3DManager::Create(uint32_t capacity, uint32_t texCoordSets) {
    return FinishCreate(new (std::nothrow) CSprite3D(this), "CSprite3D::Create",
                        [&](CSprite3D* s) { return s->Create(capacity, texCoordSets); }, nullptr);
}
