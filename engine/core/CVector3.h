// The engine's three-float vector. It is a D3DXVECTOR3, so D3DX routines take it
// in place.
#pragma once

#include "platform/d3dx9/d3dx9math.h"

class CMatrix;

class CVector3 : public D3DXVECTOR3 {
public:
    CVector3() : D3DXVECTOR3(0.0f, 0.0f, 0.0f) {}
    CVector3(float fx, float fy, float fz) : D3DXVECTOR3(fx, fy, fz) {}
    CVector3(const D3DVECTOR& v) : D3DXVECTOR3(v) {}

    void Set(float fx, float fy, float fz) {
        x = fx;
        y = fy;
        z = fz;
    }
    void Add(const CVector3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
    }
    // this = a - b
    void Sub(const CVector3& a, const CVector3& b) { Set(a.x - b.x, a.y - b.y, a.z - b.z); }
    CVector3 operator-(const CVector3& v) const { return CVector3(x - v.x, y - v.y, z - v.z); }
    void Scale(float sx, float sy, float sz) {
        x *= sx;
        y *= sy;
        z *= sz;
    }
    double Length() const;
    float Dot(const CVector3& v) const { return x * v.x + y * v.y + z * v.z; }
    // this = a x b
    void Cross(const CVector3& a, const CVector3& b);
    // A zero vector is left as it is.
    void Normalize();
    void NormalizeFrom(const CVector3& v);
    // this = this * the upper 3x3 of m
    void TransformNormal(const CMatrix& m);
    void TransformNormalFrom(const CVector3& v, const CMatrix& m);
    // this = this * the upper 3x3 of m + its fourth row (no division by w)
    void TransformCoord(const CMatrix& m);
    void TransformCoordFrom(const CVector3& v, const CMatrix& m);
};
