// D3DX math helpers against hand-computed Direct3D results (row vectors,
// left-handed, v * A * B applies A first).
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx9/d3dx9math.h"
#include "tests/support/records.h"

namespace {

constexpr float kPi = 3.14159265358979f;

D3DXVECTOR3 Apply(const D3DXMATRIX& m, float x, float y, float z) {
    const D3DXVECTOR3 v(x, y, z);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void ExpectMat(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << i << "," << j;
}

TEST(D3DXMatrix, AxisRotationsTurnTheDirect3DWay) {
    D3DXMATRIX m;
    D3DXMatrixRotationX(&m, kPi / 2);
    ExpectVec(Apply(m, 0, 1, 0), 0, 0, 1);
    D3DXMatrixRotationY(&m, kPi / 2);
    ExpectVec(Apply(m, 1, 0, 0), 0, 0, -1);
    ExpectVec(Apply(m, 0, 0, 1), 1, 0, 0);
    D3DXMatrixRotationZ(&m, kPi / 2);
    ExpectVec(Apply(m, 1, 0, 0), 0, 1, 0);
}

TEST(D3DXMatrix, LookAtAndPerspective) {
    const D3DXVECTOR3 eye(0, 0, -50), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0, 0, 50);
    ExpectMat(view, expected, 0);

    // Looking along +x: the target lies ahead (+z in view space), +y stays up.
    const D3DXVECTOR3 origin(0, 0, 0), east(10, 0, 0);
    D3DXMatrixLookAtLH(&view, &origin, &east, &up);
    ExpectVec(Apply(view, 5, 0, 0), 0, 0, 5);
    ExpectVec(Apply(view, 0, 2, 0), 0, 2, 0);
    ExpectVec(Apply(view, 0, 0, 1), -1, 0, 0);  // north lies to the left

    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 1.0f, 1.0f, 101.0f);
    ExpectVec(Apply(proj, 0, 0, 1), 0, 0, 0);    // near plane at depth 0
    ExpectVec(Apply(proj, 0, 0, 101), 0, 0, 1);  // far plane at depth 1
    ExpectVec(Apply(proj, 10, 10, 10), 1, 1, Apply(proj, 0, 0, 10).z);  // 45 degrees reach the edge
}

TEST(D3DXMatrix, Inverse) {
    D3DXMATRIX t, inverse;
    D3DXMatrixTranslation(&t, 3, -4, 5);
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &det, &t), &inverse);
    EXPECT_EQ(det, 1.0f);
    ExpectVec(Apply(inverse, 3, -4, 5), 0, 0, 0);

    // A hand-inverted matrix: diag(2, 4, 8) with translation (1, 1, 1).
    D3DXMATRIX m(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 1, 1, 1);
    ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &m), nullptr);
    EXPECT_EQ(det, 64.0f);
    EXPECT_EQ(D3DXMatrixDeterminant(&m), 64.0f);
    ExpectMat(inverse, D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.25f, -0.125f, 1), 1e-7f);

    D3DXMATRIX self = m;
    ASSERT_NE(D3DXMatrixInverse(&self, nullptr, &self), nullptr);  // in place
    EXPECT_EQ(self._11, 0.5f);
}

TEST(D3DXMatrix, SingularInverseAnswersNullAndLeavesTheOutput) {
    D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 1, 0);  // row 2 = 2 * row 1
    D3DXMATRIX out(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9);
    const D3DXMATRIX before = out;
    float det = 5;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &singular), nullptr);
    EXPECT_TRUE(out == before);
    EXPECT_EQ(det, 0.0f);
    D3DXMATRIX zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &zero), nullptr);
    EXPECT_TRUE(out == before);
    const float nan = NAN;
    D3DXMATRIX bad(nan, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &bad), nullptr);
    EXPECT_TRUE(out == before);
}

// Every function, on a few inputs including degenerate ones, folded into one
// recorded hash: a changed formula anywhere shows here.
TEST(D3DXMath, EveryFunctionGivesItsRecordedResults) {
    records::Fnv f;
    const auto fold = [&](const auto& v) {
        if constexpr (sizeof v < 4) f.Add(v);
        else f.Floats(reinterpret_cast<const float*>(&v), sizeof v / 4);
    };
    const float in[][4] = {{1.5f, -2.0f, 0.25f, 3.0f}, {0, 0, 0, 0}, {-0.7f, 4.0f, 2.5f, -1.25f}, {0, 0, 1, 0.5f}};
    for (const auto& a : in)
        for (const auto& b : in) {
            const D3DXVECTOR2 a2(a[0], a[1]), b2(b[0], b[1]);
            const D3DXVECTOR3 a3(a[0], a[1], a[2]), b3(b[0], b[1], b[2]);
            const D3DXVECTOR4 a4(a[0], a[1], a[2], a[3]), b4(b[0], b[1], b[2], b[3]);
            const D3DXQUATERNION qa(a[0], a[1], a[2], a[3]), qb(b[0], b[1], b[2], b[3]);
            const D3DXPLANE pa(a[0], a[1], a[2], a[3]);
            D3DXVECTOR2 v2;
            D3DXVECTOR3 v3;
            D3DXVECTOR4 v4;
            D3DXQUATERNION q;
            D3DXPLANE p;
            D3DXMATRIX m, n, k;
            float det = 7;
            fold(D3DXVec2Length(&a2) + D3DXVec2Dot(&a2, &b2) * 3);
            fold(*D3DXVec2Normalize(&v2, &a2));
            fold(D3DXVec3Length(&a3) + D3DXVec3LengthSq(&b3) * 3 + D3DXVec3Dot(&a3, &b3) * 5);
            for (auto* fn : {D3DXVec3Cross, D3DXVec3Add, D3DXVec3Subtract, D3DXVec3Minimize, D3DXVec3Maximize})
                fold(*fn(&v3, &a3, &b3));
            fold(*D3DXVec3Scale(&v3, &a3, b[0]));
            fold(*D3DXVec3Lerp(&v3, &a3, &b3, 0.3f));
            fold(*D3DXVec3Normalize(&v3, &a3));
            fold(D3DXVec4Length(&a4) + D3DXVec4Dot(&a4, &b4) * 3);
            fold(*D3DXVec4Normalize(&v4, &a4));
            // Matrices built from a and b, applied to a.
            D3DXMatrixRotationYawPitchRoll(&m, a[0], a[1], a[2]);
            D3DXMatrixTranslation(&n, b[0], b[1], b[2]);
            D3DXMatrixScaling(&k, a[3], b[3] + 1, a[1]);
            for (auto* fn : {D3DXMatrixMultiply, D3DXMatrixMultiplyTranspose}) fold(*fn(&k, &k, &m));
            fold(*D3DXMatrixTranspose(&n, &n));
            fold(D3DXMatrixDeterminant(&k));
            fold(D3DXMatrixInverse(&n, &det, &k) != nullptr);
            fold(n);
            fold(det);
            fold(D3DXMatrixIsIdentity(&m));
            for (auto* fn : {D3DXMatrixRotationX, D3DXMatrixRotationY, D3DXMatrixRotationZ}) fold(*fn(&m, b[1]));
            fold(*D3DXMatrixRotationAxis(&m, &a3, b[2]));
            fold(*D3DXMatrixRotationQuaternion(&m, &qa));
            for (auto* fn : {D3DXMatrixLookAtLH, D3DXMatrixLookAtRH}) fold(*fn(&m, &a3, &b3, &v3));
            for (auto* fn : {D3DXMatrixPerspectiveFovLH, D3DXMatrixPerspectiveFovRH, D3DXMatrixPerspectiveLH,
                             D3DXMatrixOrthoLH, D3DXMatrixOrthoRH})
                fold(*fn(&m, a[3] + 2, b[0] + 3, 0.5f, 10 + a[1]));
            fold(*D3DXMatrixOrthoOffCenterLH(&m, a[0], b[0] + 3, a[1], b[1] + 5, 0.5f, 9));
            k *= m;
            fold(k * n);
            fold(k(1, 2) + k(3, 0) * 3);
            D3DXMatrixRotationYawPitchRoll(&m, b[0], a[2], a[1]);
            m._41 = a[3];
            fold(*D3DXVec3Transform(&v4, &a3, &m));
            fold(*D3DXVec3TransformCoord(&v3, &a3, &m));
            fold(*D3DXVec3TransformNormal(&v3, &a3, &m));
            fold(*D3DXVec4Transform(&v4, &a4, &m));
            fold(*D3DXQuaternionRotationMatrix(&q, &m));
            fold(D3DXQuaternionLength(&qa) + D3DXQuaternionDot(&qa, &qb) * 3);
            for (auto* fn : {D3DXQuaternionNormalize, D3DXQuaternionConjugate, D3DXQuaternionInverse})
                fold(*fn(&q, &qa));
            fold(*D3DXQuaternionMultiply(&q, &qa, &qb));
            fold(*D3DXQuaternionRotationAxis(&q, &b3, a[0]));
            fold(*D3DXQuaternionRotationYawPitchRoll(&q, a[0], b[1], a[2]));
            fold(*D3DXQuaternionSlerp(&q, &qa, &qb, 0.25f));
            fold(D3DXPlaneDot(&pa, &b4) + D3DXPlaneDotCoord(&pa, &b3) * 3 + D3DXPlaneDotNormal(&pa, &b3) * 5);
            fold(*D3DXPlaneNormalize(&p, &pa));
            fold(*D3DXPlaneFromPointNormal(&p, &a3, &b3));
            fold(*D3DXPlaneFromPoints(&p, &a3, &b3, &v3));
            fold(D3DXPlaneIntersectLine(&v3, &pa, &a3, &b3) != nullptr);
            fold(v3);
            fold(*D3DXPlaneTransform(&p, &pa, &m));
            // The header's operators and conversions.
            D3DXVECTOR3 c3 = a3;
            for (auto* op : {+[](D3DXVECTOR3& v, float s) { v += D3DXVECTOR3(s, 2, 3); },
                             +[](D3DXVECTOR3& v, float s) { v -= D3DXVECTOR3(1, s, 5); },
                             +[](D3DXVECTOR3& v, float s) { v *= s; }, +[](D3DXVECTOR3& v, float s) { v /= s + 5; },
                             +[](D3DXVECTOR3& v, float s) { static_cast<float*>(v)[2] = s; }}) {
                op(c3, b[3]);
                fold(c3);
            }
            for (const D3DXVECTOR3& v : {-a3, +a3, a3 + b3, a3 - b3, a3 * b[1], a3 / (b[3] + 2), b[2] * a3,
                                         D3DXVECTOR3(static_cast<const float*>(b3)), D3DXVECTOR3(&a[1])})
                fold(v);
            for (const D3DXVECTOR2& v : {a2 + b2, a2 - b2, a2 * b[0]}) fold(v);
            fold(D3DXVECTOR4(b3, a[0]));
            fold(static_cast<const float*>(b4)[3] + static_cast<float*>(v4)[1] * 3);
            fold(D3DXMATRIX(&in[0][0]));
            fold(D3DXMATRIX(a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3], 0, 0, 0, 1, 0, 0, 1, 0.5f));
            fold(static_cast<const float*>(m)[6] + static_cast<float*>(k)[13] * 3 + D3DXMATRIXA16(m)(2, 1) * 5);
            const bool same[] = {a2 == b2, a3 == b3, a3 != b3, a4 == b4, qa == qb, m == k, m != k,
                                 pa == D3DXPLANE(b[0], b[1], b[2], b[3])};
            f.Bytes(same, sizeof same);
            fold(D3DXToRadian(a[2] * 100) + D3DXToDegree(b[1]) * 3);
        }
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "math", f.h), "");
}

TEST(D3DXQuaternion, SlerpTakesTheShortArc) {
    D3DXQUATERNION identity, quarter, half;
    D3DXQuaternionIdentity(&identity);
    const D3DXVECTOR3 z(0, 0, 1);
    D3DXQuaternionRotationAxis(&quarter, &z, kPi / 2);
    D3DXQuaternionSlerp(&half, &identity, &quarter, 0.5f);
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &half);
    ExpectVec(Apply(m, 1, 0, 0), std::cos(kPi / 4), std::sin(kPi / 4), 0);

    D3DXQUATERNION ends;
    D3DXQuaternionSlerp(&ends, &identity, &quarter, 0.0f);
    EXPECT_NEAR(ends.w, 1.0f, 1e-6f);
    D3DXQuaternionSlerp(&ends, &identity, &quarter, 1.0f);
    EXPECT_NEAR(ends.z, quarter.z, 1e-6f);

    // -q is the same rotation: the blend must not swing the long way round.
    const D3DXQUATERNION negated(-quarter.x, -quarter.y, -quarter.z, -quarter.w);
    D3DXQuaternionSlerp(&half, &identity, &negated, 0.5f);
    D3DXMatrixRotationQuaternion(&m, &half);
    ExpectVec(Apply(m, 1, 0, 0), std::cos(kPi / 4), std::sin(kPi / 4), 0);

    // Nearly equal quaternions blend without dividing by a vanishing sine.
    D3DXQUATERNION tiny;
    D3DXQuaternionRotationAxis(&tiny, &z, 1e-6f);
    D3DXQuaternionSlerp(&half, &identity, &tiny, 0.5f);
    EXPECT_TRUE(std::isfinite(half.w));
    EXPECT_NEAR(half.w, 1.0f, 1e-6f);
}

}  // namespace
