// The engine's 4x4 f32 matrix in Direct3D's conventions (row vectors, translation
// in the fourth row, a * b applies a first). The type itself keeps the 16-byte
// alignment, so a copied or zero-filled matrix is always usable.
#pragma once

#include <cstdint>

#include "engine/core/CVector3.h"
#include "platform/d3dx9/d3dx9math.h"

class alignas(16) CMatrix : public D3DXMATRIX {
public:
    // A new matrix is the identity.
    CMatrix() { Identity(); }
    explicit CMatrix(const float* values);
    CMatrix(const D3DXMATRIX& m) : D3DXMATRIX(m) {}

    void Identity() { D3DXMatrixIdentity(this); }
    void Set(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
             float f32, float f33, float f34, float f41, float f42, float f43, float f44);
    void Scaling(float sx, float sy, float sz) { D3DXMatrixScaling(this, sx, sy, sz); }
    // The rotation of three Angle16 values, built through a half-angle quaternion
    // from the sine table.
    void RotationAngles(int32_t a, int32_t b, int32_t c);
    // this = the inverse of m. A matrix without inverse leaves this unchanged and
    // answers false.
    bool Inverse(const CMatrix& m);
    bool Invert() { return Inverse(*this); }
    CMatrix operator*(const CMatrix& m) const;
    CMatrix& operator*=(const CMatrix& m);
    // translation = the fourth row; scale = the lengths of the images of the unit
    // axes; rotation = the upper 3x3 with the scale divided out (a zero scale
    // leaves its row zero). Each output may be null.
    void Decompose(CVector3* translation, CVector3* scale, CMatrix* rotation) const;
};
static_assert(alignof(CMatrix) == 16);
static_assert(sizeof(CMatrix) == 64);
