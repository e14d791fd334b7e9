// D3DX math helpers against hand-computed Direct3D results (row vectors,
// left-handed, v * A * B applies A first).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/d3dx9/d3dx9math.h"

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

    const D3DXVECTOR3 axisX(2, 0, 0);
    D3DXMATRIX a, b;
    D3DXMatrixRotationAxis(&a, &axisX, 0.7f);
    D3DXMatrixRotationX(&b, 0.7f);
    ExpectMat(a, b, 1e-6f);
}

TEST(D3DXMatrix, ProductsApplyTheLeftMatrixFirst) {
    D3DXMATRIX t, s, ts, st;
    D3DXMatrixTranslation(&t, 1, 0, 0);
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&ts, &t, &s);
    D3DXMatrixMultiply(&st, &s, &t);
    ExpectVec(Apply(ts, 1, 0, 0), 4, 0, 0);
    ExpectVec(Apply(st, 1, 0, 0), 3, 0, 0);
    EXPECT_TRUE(t * s == ts);
    D3DXMATRIX in = t;
    D3DXMatrixMultiply(&in, &in, &s);  // output aliasing an input
    EXPECT_TRUE(in == ts);
}

TEST(D3DXMatrix, YawPitchRollIsRollThenPitchThenYaw) {
    D3DXMATRIX ypr, z, x, y, expected;
    D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -1.1f, 2.0f);
    D3DXMatrixRotationZ(&z, 2.0f);
    D3DXMatrixRotationX(&x, -1.1f);
    D3DXMatrixRotationY(&y, 0.3f);
    expected = z * x * y;
    ExpectMat(ypr, expected, 1e-6f);

    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, 0.3f, -1.1f, 2.0f);
    D3DXMATRIX fromQ;
    D3DXMatrixRotationQuaternion(&fromQ, &q);
    ExpectMat(fromQ, expected, 1e-5f);
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
    D3DXMatrixLookAtRH(&view, &origin, &east, &up);
    ExpectVec(Apply(view, 5, 0, 0), 0, 0, -5);

    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 1.0f, 1.0f, 101.0f);
    EXPECT_NEAR(proj._11, 1.0f, 1e-6f);
    EXPECT_NEAR(proj._22, 1.0f, 1e-6f);
    EXPECT_NEAR(proj._33, 1.01f, 1e-6f);
    EXPECT_EQ(proj._34, 1.0f);
    EXPECT_NEAR(proj._43, -1.01f, 1e-6f);
    EXPECT_EQ(proj._44, 0.0f);
    ExpectVec(Apply(proj, 0, 0, 1), 0, 0, 0);    // near plane at depth 0
    ExpectVec(Apply(proj, 0, 0, 101), 0, 0, 1);  // far plane at depth 1
    ExpectVec(Apply(proj, 10, 10, 10), 1, 1, Apply(proj, 0, 0, 10).z);  // 45 degrees reach the edge

    // The game's camera: 60 degrees, 4:3, near 1, far 1000.
    D3DXMatrixPerspectiveFovLH(&proj, 1.0471976f, 1.3333334f, 1.0f, 1000.0f);
    EXPECT_NEAR(proj._22, 1.7320508f, 1e-5f);
    EXPECT_NEAR(proj._11, 1.7320508f * 0.75f, 1e-5f);
    D3DXMatrixPerspectiveFovRH(&proj, kPi / 2, 1.0f, 1.0f, 101.0f);
    ExpectVec(Apply(proj, 0, 0, -1), 0, 0, 0);
}

TEST(D3DXMatrix, OrthographicProjections) {
    D3DXMATRIX m;
    D3DXMatrixOrthoLH(&m, 640, 480, 0, 1);
    ExpectVec(Apply(m, 320, 240, 1), 1, 1, 1);
    ExpectVec(Apply(m, -320, 0, 0), -1, 0, 0);
    D3DXMatrixOrthoOffCenterLH(&m, 0, 640, 480, 0, 0, 1);
    ExpectVec(Apply(m, 0, 0, 0), -1, 1, 0);
    ExpectVec(Apply(m, 640, 480, 1), 1, -1, 1);
    D3DXMatrixOrthoRH(&m, 2, 2, 0, 10);
    ExpectVec(Apply(m, 0, 0, -10), 0, 0, 1);
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

    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(-2.0f, 2.0f);
    for (int i = 0; i < 500; ++i) {
        D3DXMATRIX r;
        for (int k = 0; k < 16; ++k) r.m[k / 4][k % 4] = d(rng) + (k % 5 == 0 ? 4.0f : 0.0f);
        ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &r), nullptr);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        ExpectMat(r * inverse, identity, 1e-4f);
    }
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

TEST(D3DXVector, Basics) {
    const D3DXVECTOR3 a(1, 0, 0), b(0, 1, 0);
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &a, &b);
    ExpectVec(c, 0, 0, 1);
    EXPECT_EQ(D3DXVec3Dot(&a, &b), 0.0f);
    const D3DXVECTOR3 v(3, 4, 12);
    EXPECT_EQ(D3DXVec3Length(&v), 13.0f);
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-6f);
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    ExpectVec(n, 0, 0, 0, 0);

    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 5, 6, 7);
    D3DXVECTOR3 normal;
    D3DXVec3TransformNormal(&normal, &a, &m);
    ExpectVec(normal, 1, 0, 0, 0);
    D3DXVECTOR4 w;
    D3DXVec3Transform(&w, &a, &m);
    EXPECT_EQ(w.x, 6.0f);
    EXPECT_EQ(w.w, 1.0f);
    // TransformCoord divides by w.
    D3DXMATRIX h(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2);
    ExpectVec(Apply(h, 1, 2, 3), 1, 2, 3);
}

TEST(D3DXVector, TheOtherHelpersWithExactAnswers) {
    const D3DXVECTOR3 a(1, 2, 3), b(4, -6, 8);
    D3DXVECTOR3 r;
    EXPECT_EQ(*D3DXVec3Add(&r, &a, &b), D3DXVECTOR3(5, -4, 11));
    EXPECT_EQ(*D3DXVec3Subtract(&r, &a, &b), D3DXVECTOR3(-3, 8, -5));
    EXPECT_EQ(*D3DXVec3Scale(&r, &a, 2), D3DXVECTOR3(2, 4, 6));
    EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 0.25f), D3DXVECTOR3(1.75f, 0, 4.25f));
    EXPECT_EQ(*D3DXVec3Minimize(&r, &a, &b), D3DXVECTOR3(1, -6, 3));
    EXPECT_EQ(*D3DXVec3Maximize(&r, &a, &b), D3DXVECTOR3(4, 2, 8));
    const D3DXVECTOR4 v4(1, 2, 2, 4);
    D3DXVECTOR4 r4;
    EXPECT_EQ(*D3DXVec4Normalize(&r4, &v4), D3DXVECTOR4(0.2f, 0.4f, 0.4f, 0.8f));
    const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(*D3DXVec4Transform(&r4, &v4, &m), D3DXVECTOR4(81, 90, 99, 108));
    D3DXMATRIX t;
    D3DXMatrixMultiplyTranspose(&t, &m, D3DXMatrixIdentity(&t));
    EXPECT_TRUE(t == D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));
    EXPECT_TRUE(!D3DXMatrixIsIdentity(&t) && D3DXMatrixIsIdentity(D3DXMatrixIdentity(&t)));

    const D3DXQUATERNION q(1, 2, 2, 4), zeroQ(0, 0, 0, 0);
    D3DXQUATERNION rq;
    EXPECT_EQ(*D3DXQuaternionNormalize(&rq, &q), D3DXQUATERNION(0.2f, 0.4f, 0.4f, 0.8f));
    EXPECT_EQ(*D3DXQuaternionConjugate(&rq, &q), D3DXQUATERNION(-1, -2, -2, 4));
    EXPECT_EQ(*D3DXQuaternionInverse(&rq, &q), D3DXQUATERNION(-0.04f, -0.08f, -0.08f, 0.16f));
    EXPECT_EQ(*D3DXQuaternionInverse(&rq, &zeroQ), zeroQ);
    const D3DXPLANE plane(1, 2, 3, 4), flat(0, 0, 0, 5);
    D3DXPLANE rp;
    EXPECT_EQ(D3DXPlaneDot(&plane, &v4), 27.0f);
    EXPECT_EQ(*D3DXPlaneTransform(&rp, &plane, &m), D3DXPLANE(90, 100, 110, 120));
    EXPECT_EQ(*D3DXPlaneNormalize(&rp, &flat), D3DXPLANE(0, 0, 0, 0));
}

TEST(D3DXQuaternion, MatrixRoundTripAndAxis) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> d(-3.0f, 3.0f);
    for (int i = 0; i < 500; ++i) {
        D3DXMATRIX m;
        D3DXMatrixRotationYawPitchRoll(&m, d(rng), d(rng), d(rng));
        D3DXQUATERNION q;
        D3DXQuaternionRotationMatrix(&q, &m);
        EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, 1e-4f);
        D3DXMATRIX back;
        D3DXMatrixRotationQuaternion(&back, &q);
        ExpectMat(back, m, 1e-4f);
    }
    const D3DXVECTOR3 axis(1, 2, -3);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, 1.3f);
    D3DXMATRIX fromQ, fromAxis;
    D3DXMatrixRotationQuaternion(&fromQ, &q);
    D3DXMatrixRotationAxis(&fromAxis, &axis, 1.3f);
    ExpectMat(fromQ, fromAxis, 1e-5f);
}

TEST(D3DXQuaternion, MultiplyAppliesTheFirstFirst) {
    D3DXQUATERNION a, b, ab;
    const D3DXVECTOR3 x(1, 0, 0), z(0, 0, 1);
    D3DXQuaternionRotationAxis(&a, &x, 0.5f);
    D3DXQuaternionRotationAxis(&b, &z, 1.2f);
    D3DXQuaternionMultiply(&ab, &a, &b);
    D3DXMATRIX ma, mb, mab;
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    D3DXMatrixRotationQuaternion(&mab, &ab);
    ExpectMat(mab, ma * mb, 1e-5f);
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

TEST(D3DXPlane, FromPointsAndLines) {
    const D3DXVECTOR3 p0(0, 0, 2), p1(1, 0, 2), p2(0, 1, 2);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &p0, &p1, &p2);
    EXPECT_NEAR(plane.a, 0, 1e-6f);
    EXPECT_NEAR(plane.c, 1, 1e-6f);
    EXPECT_NEAR(plane.d, -2, 1e-6f);
    const D3DXVECTOR3 above(3, 4, 5);
    EXPECT_NEAR(D3DXPlaneDotCoord(&plane, &above), 3, 1e-6f);
    EXPECT_NEAR(D3DXPlaneDotNormal(&plane, &above), 5, 1e-6f);

    const D3DXVECTOR3 from(1, 1, 0), to(1, 1, 1);
    D3DXVECTOR3 hit;
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &plane, &from, &to), nullptr);
    ExpectVec(hit, 1, 1, 2);  // beyond the segment: the line is infinite
    const D3DXVECTOR3 flatA(0, 0, 0), flatB(5, 5, 0);
    D3DXVECTOR3 untouched(7, 7, 7);
    EXPECT_EQ(D3DXPlaneIntersectLine(&untouched, &plane, &flatA, &flatB), nullptr);
    ExpectVec(untouched, 7, 7, 7, 0);

    D3DXPLANE unnormalized(0, 0, 4, -8), normalized;
    D3DXPlaneNormalize(&normalized, &unnormalized);
    EXPECT_EQ(normalized.c, 1.0f);
    EXPECT_EQ(normalized.d, -2.0f);
    const D3DXVECTOR3 n(0, 1, 0), point(0, 3, 0);
    D3DXPlaneFromPointNormal(&plane, &point, &n);
    EXPECT_EQ(plane.d, -3.0f);
}

}  // namespace
