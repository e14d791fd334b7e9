#include "engine/core/CMatrix.h"

#include <cmath>
#include <cstring>

#include "engine/core/KestraMath.h"

CMatrix::CMatrix(const float* values) : D3DXMATRIX(values) {}

void CMatrix::Set(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
                  float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    *static_cast<D3DXMATRIX*>(this) =
        D3DXMATRIX(f11, f12, f13, f14, f21, f22, f23, f24, f31, f32, f33, f34, f41, f42, f43, f44);
}

void CMatrix::RotationAngles(int32_t a, int32_t b, int32_t c) {
    const int32_t ha = a >> 1, hb = b >> 1, hc = c >> 1;
    const float s1 = Kestra::Sin(ha), c1 = Kestra::Cos(static_cast<uint32_t>(ha));
    const float s2 = Kestra::Sin(hb), c2 = Kestra::Cos(static_cast<uint32_t>(hb));
    const float s3 = Kestra::Sin(hc), c3 = Kestra::Cos(static_cast<uint32_t>(hc));
    const float X = c3 * c2 * s1 - c1 * s3 * s2;
    const float Y = c3 * c1 * s2 + c2 * s3 * s1;
    const float Z = c2 * c1 * s3 - c3 * s2 * s1;
    const float W = c3 * c2 * c1 + s3 * s2 * s1;
    Set(1.0f - 2.0f * (Y * Y + Z * Z), 2.0f * (X * Y - Z * W), 2.0f * (X * Z + Y * W), 0.0f,
        2.0f * (X * Y + Z * W), 1.0f - 2.0f * (X * X + Z * Z), 2.0f * (Y * Z - X * W), 0.0f,
        2.0f * (X * Z - Y * W), 2.0f * (Y * Z + X * W), 1.0f - 2.0f * (X * X + Y * Y), 0.0f,
        0.0f, 0.0f, 0.0f, 1.0f);
}

bool CMatrix::Inverse(const CMatrix& m) { return D3DXMatrixInverse(this, nullptr, &m) != nullptr; }

CMatrix CMatrix::operator*(const CMatrix& m) const {
    CMatrix out;
    D3DXMatrixMultiply(&out, this, &m);
    return out;
}

CMatrix& CMatrix::operator*=(const CMatrix& m) {
    D3DXMatrixMultiply(this, this, &m);
    return *this;
}

void CMatrix::Decompose(CVector3* translation, CVector3* scale, CMatrix* rotation) const {
    const CMatrix source = *this;  // outputs may alias this
    float lengths[3];
    for (int row = 0; row < 3; ++row) {
        const double x = source.m[row][0], y = source.m[row][1], z = source.m[row][2];
        lengths[row] = static_cast<float>(std::sqrt(x * x + y * y + z * z));
    }
    if (translation) translation->Set(source._41, source._42, source._43);
    if (scale) scale->Set(lengths[0], lengths[1], lengths[2]);
    if (rotation) {
        rotation->Identity();
        for (int row = 0; row < 3; ++row) {
            const float inverse = lengths[row] != 0.0f ? 1.0f / lengths[row] : 0.0f;
            for (int col = 0; col < 3; ++col) rotation->m[row][col] = source.m[row][col] * inverse;
        }
    }
}
