#include "engine/core/CVector3.h"

#include <cmath>

#include "engine/core/CMatrix.h"

double CVector3::Length() const {
    return std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
}

void CVector3::Cross(const CVector3& a, const CVector3& b) {
    Set(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void CVector3::Normalize() { NormalizeFrom(*this); }

void CVector3::NormalizeFrom(const CVector3& v) {
    const double length = v.Length();
    if (length == 0.0 || !std::isfinite(length)) {
        *this = v;
        return;
    }
    Set(static_cast<float>(v.x / length), static_cast<float>(v.y / length), static_cast<float>(v.z / length));
}

void CVector3::TransformNormal(const CMatrix& m) { TransformNormalFrom(*this, m); }

void CVector3::TransformNormalFrom(const CVector3& v, const CMatrix& m) {
    D3DXVec3TransformNormal(this, &v, &m);
}

void CVector3::TransformCoord(const CMatrix& m) { TransformCoordFrom(*this, m); }

void CVector3::TransformCoordFrom(const CVector3& v, const CMatrix& m) {
    const CVector3 s = v;
    Set(s.x * m._11 + s.y * m._21 + s.z * m._31 + m._41, s.x * m._12 + s.y * m._22 + s.z * m._32 + m._42,
        s.x * m._13 + s.y * m._23 + s.z * m._33 + m._43);
}
