#include "platform/d3dx9/d3dx9math.h"

#include <cmath>
#include <cstring>

namespace {

D3DXMATRIX Zero() {
    D3DXMATRIX m;
    std::memset(&m, 0, sizeof(m));
    return m;
}

}  // namespace

// ---- D3DXMATRIX members

D3DXMATRIX::D3DXMATRIX(const float* f) { std::memcpy(&_11, f, sizeof(float) * 16); }

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != other.m[r][c]) return false;
    return true;
}

// ---- 2-D vectors

float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
    const float length = D3DXVec2Length(v);
    if (length == 0.0f) {
        out->x = out->y = 0.0f;
        return out;
    }
    *out = D3DXVECTOR2(v->x / length, v->y / length);
    return out;
}

// ---- 3-D vectors

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a + *b;
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a - *b;
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
    *out = *v * s;
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
    *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(std::fmin(a->x, b->x), std::fmin(a->y, b->y), std::fmin(a->z, b->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(std::fmax(a->x, b->x), std::fmax(a->y, b->y), std::fmax(a->z, b->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float length = D3DXVec3Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXVECTOR3(v->x / length, v->y / length, v->z / length);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41,
                        v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42,
                        v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43,
                        v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const D3DXVECTOR3 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31, v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                        v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
    *out = r;
    return out;
}

// ---- 4-D vectors

float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4Dot(v, v)); }

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    const float length = D3DXVec4Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXVECTOR4(v->x / length, v->y / length, v->z / length, v->w / length);
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    const D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + v->w * m->_41,
                        v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + v->w * m->_42,
                        v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + v->w * m->_43,
                        v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + v->w * m->_44);
    *out = r;
    return out;
}

// ---- Matrices

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = Zero();
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return out;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return *m == identity;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                        a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMatrixMultiply(out, a, b);
    return D3DXMatrixTranspose(out, out);
}

namespace {

// Cofactor expansion in double; adjugate goes to adj when given.
double Determinant4(const D3DXMATRIX* m, double adj[4][4]) {
    double a[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) a[i][j] = m->m[i][j];
    // 2x2 minors of the lower and upper row pairs.
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (adj) {
        adj[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
        adj[0][1] = -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3;
        adj[0][2] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
        adj[0][3] = -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3;
        adj[1][0] = -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1;
        adj[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
        adj[1][2] = -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1;
        adj[1][3] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
        adj[2][0] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
        adj[2][1] = -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0;
        adj[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
        adj[2][3] = -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0;
        adj[3][0] = -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0;
        adj[3][1] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
        adj[3][2] = -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0;
        adj[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
    }
    return det;
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return static_cast<float>(Determinant4(m, nullptr)); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    double adj[4][4];
    const double det = Determinant4(m, adj);
    if (determinant) *determinant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;
    const double inv = 1.0 / det;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = static_cast<float>(adj[i][j] * inv);
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = Zero();
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    D3DXMatrixIdentity(out);
    out->_11 = t * v.x * v.x + c;
    out->_12 = t * v.x * v.y + s * v.z;
    out->_13 = t * v.x * v.z - s * v.y;
    out->_21 = t * v.x * v.y - s * v.z;
    out->_22 = t * v.y * v.y + c;
    out->_23 = t * v.y * v.z + s * v.x;
    out->_31 = t * v.x * v.z + s * v.y;
    out->_32 = t * v.y * v.z - s * v.x;
    out->_33 = t * v.z * v.z + c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX z, x, y;
    D3DXMatrixRotationZ(&z, roll);
    D3DXMatrixRotationX(&x, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixMultiply(out, &z, &x);
    return D3DXMatrixMultiply(out, out, &y);
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    D3DXMatrixIdentity(out);
    out->_11 = 1.0f - 2.0f * (y * y + z * z);
    out->_12 = 2.0f * (x * y + z * w);
    out->_13 = 2.0f * (x * z - y * w);
    out->_21 = 2.0f * (x * y - z * w);
    out->_22 = 1.0f - 2.0f * (x * x + z * z);
    out->_23 = 2.0f * (y * z + x * w);
    out->_31 = 2.0f * (x * z + y * w);
    out->_32 = 2.0f * (y * z - x * w);
    out->_33 = 1.0f - 2.0f * (x * x + y * y);
    return out;
}

namespace {

D3DXMATRIX* LookAt(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& zaxis, const D3DXVECTOR3* up) {
    D3DXVECTOR3 xaxis, yaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    D3DXMatrixIdentity(out);
    out->_11 = xaxis.x; out->_12 = yaxis.x; out->_13 = zaxis.x;
    out->_21 = xaxis.y; out->_22 = yaxis.y; out->_23 = zaxis.y;
    out->_31 = xaxis.z; out->_32 = yaxis.z; out->_33 = zaxis.z;
    out->_41 = -D3DXVec3Dot(&xaxis, &eye);
    out->_42 = -D3DXVec3Dot(&yaxis, &eye);
    out->_43 = -D3DXVec3Dot(&zaxis, &eye);
    return out;
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    const D3DXVECTOR3 e = *eye, u = *up;
    return LookAt(out, e, zaxis, &u);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = *eye - *at;
    D3DXVec3Normalize(&zaxis, &zaxis);
    const D3DXVECTOR3 e = *eye, u = *up;
    return LookAt(out, e, zaxis, &u);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    *out = Zero();
    out->_11 = yScale / aspect;
    out->_22 = yScale;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = -zn * zf / (zf - zn);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    *out = Zero();
    out->_11 = yScale / aspect;
    out->_22 = yScale;
    out->_33 = zf / (zn - zf);
    out->_34 = -1.0f;
    out->_43 = zn * zf / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = Zero();
    out->_11 = 2.0f * zn / w;
    out->_22 = 2.0f * zn / h;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = zn * zf / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / w;
    out->_22 = 2.0f / h;
    out->_33 = 1.0f / (zf - zn);
    out->_43 = zn / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / w;
    out->_22 = 2.0f / h;
    out->_33 = 1.0f / (zn - zf);
    out->_43 = zn / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / (r - l);
    out->_22 = 2.0f / (t - b);
    out->_33 = 1.0f / (zf - zn);
    out->_41 = (l + r) / (l - r);
    out->_42 = (t + b) / (b - t);
    out->_43 = zn / (zn - zf);
    return out;
}

// ---- Quaternions

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionDot(q, q)); }

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float length = D3DXQuaternionLength(q);
    if (length == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXQUATERNION(q->x / length, q->y / length, q->z / length, q->w / length);
    return out;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float n = D3DXQuaternionDot(q, q);
    if (n == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXQUATERNION(-q->x / n, -q->y / n, -q->z / n, q->w / n);
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    // b * a in Hamilton's product: a is applied first.
    const D3DXQUATERNION p = *b, q = *a;
    *out = D3DXQUATERNION(p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y, p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
                          p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w, p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    const float s = std::sin(angle / 2.0f);
    *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle / 2.0f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
    const float sy = std::sin(yaw / 2.0f), cy = std::cos(yaw / 2.0f);
    const float sp = std::sin(pitch / 2.0f), cp = std::cos(pitch / 2.0f);
    const float sr = std::sin(roll / 2.0f), cr = std::cos(roll / 2.0f);
    *out = D3DXQUATERNION(cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr, cy * cp * sr - sy * sp * cr,
                          cy * cp * cr + sy * sp * sr);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
    const float trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
    } else if (m->_11 > m->_22 && m->_11 > m->_33) {
        const float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        q = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
    } else if (m->_22 > m->_33) {
        const float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        q = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    } else {
        const float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
    }
    *out = q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, float t) {
    float cosine = D3DXQuaternionDot(a, b);
    float sign = 1.0f;
    if (cosine < 0.0f) {
        cosine = -cosine;
        sign = -1.0f;
    }
    float wa = 1.0f - t;
    float wb = t;
    if (1.0f - cosine > 0.001f) {
        const float theta = std::acos(cosine);
        const float sine = std::sin(theta);
        wa = std::sin((1.0f - t) * theta) / sine;
        wb = std::sin(t * theta) / sine;
    }
    wb *= sign;
    *out = D3DXQUATERNION(wa * a->x + wb * b->x, wa * a->y + wb * b->y, wa * a->z + wb * b->z, wa * a->w + wb * b->w);
    return out;
}

// ---- Planes

float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) { return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w; }
float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z + p->d; }
float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z; }

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
    const float length = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    if (length == 0.0f) {
        *out = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    *out = D3DXPLANE(p->a / length, p->b / length, p->c / length, p->d / length);
    return out;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal) {
    *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
    return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3) {
    const D3DXVECTOR3 e1 = *v2 - *v1, e2 = *v3 - *v1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &e1, &e2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(out, v1, &normal);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2) {
    const D3DXVECTOR3 direction = *v2 - *v1;
    const float along = D3DXPlaneDotNormal(p, &direction);
    if (along == 0.0f) return nullptr;
    const float t = -D3DXPlaneDotCoord(p, v1) / along;
    *out = *v1 + direction * t;
    return out;
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m) {
    const D3DXVECTOR4 v(p->a, p->b, p->c, p->d);
    D3DXVECTOR4 r;
    D3DXVec4Transform(&r, &v, m);
    *out = D3DXPLANE(r.x, r.y, r.z, r.w);
    return out;
}
