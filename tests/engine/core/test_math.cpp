// Angle tables, table trigonometry, and the engine's vectors, matrices and
// transforms against independent Direct3D-convention constructions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>
#include <random>

#include "engine/core/CMatrix.h"
#include "engine/core/CTransform.h"
#include "engine/core/CVector3.h"
#include "engine/core/KestraLog.h"
#include "engine/core/KestraMath.h"

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

TEST(MathTables, SineTableIsTheRoundedDoubleSine) {
    const float step = static_cast<float>(kTwoPi / 65536.0);
    for (uint32_t i = 0; i < 65536; ++i) {
        const float x = static_cast<float>(i) * step;
        const float expected = static_cast<float>(sinl(static_cast<long double>(x)));
        ASSERT_EQ(Kestra::SinTable[i], expected) << i;
    }
    uint32_t bits;
    std::memcpy(&bits, &Kestra::SinTable[32768], 4);
    EXPECT_EQ(bits, 0xB3BBBD2Eu);  // sin(f32(pi)), about -8.74e-8
}

TEST(MathTables, ArctangentTableHasExactlyThreeLowEntries) {
    int exceptions = 0;
    for (uint32_t i = 0; i <= 8192; ++i) {
        const auto exact = static_cast<uint32_t>(floorl(atanl(i / 8192.0L) * 65536.0L / (2.0L * 3.14159265358979323846264338327950288L)));
        if (Kestra::AtanTable[i] != exact) {
            ++exceptions;
            EXPECT_EQ(Kestra::AtanTable[i], exact - 1) << i;
            EXPECT_TRUE(i == 1269 || i == 6638 || i == 8192) << i;
        }
    }
    EXPECT_EQ(exceptions, 3);
}

TEST(MathTables, SineAndCosineMaskTheirAngle) {
    EXPECT_EQ(Kestra::Sin(65536 + 16384), 1.0f);
    EXPECT_EQ(Kestra::Sin(-16384), -1.0f);
    EXPECT_EQ(Kestra::Cos(0), 1.0f);
    EXPECT_EQ(Kestra::Cos(static_cast<uint32_t>(-16384)), 0.0f);
    EXPECT_EQ(Kestra::Cos(32768), -1.0f);
    for (int32_t a : {1, 100, 5000, 20000, 40000, 65535}) EXPECT_EQ(Kestra::Sin(a), Kestra::Sin(a + 65536 * 3));
}

TEST(MathTables, AtanEdgeCases) {
    EXPECT_EQ(Kestra::Atan(0, 0), 16384u);
    EXPECT_EQ(Kestra::Atan(1, 0), 0u);
    EXPECT_EQ(Kestra::Atan(-1, 0), 32768u);
    EXPECT_EQ(Kestra::Atan(0, 1), 16384u);
    EXPECT_EQ(Kestra::Atan(0, -1), 49152u);
    EXPECT_EQ(Kestra::Atan(1, 1), 8191u);
    EXPECT_EQ(Kestra::Atan(-1, 1), 24577u);
    EXPECT_EQ(Kestra::Atan(-1, -1), 40959u);
    EXPECT_EQ(Kestra::Atan(1, -1), 57345u);
    EXPECT_EQ(Kestra::Atan(1000, -0.01f), 65536u);
    EXPECT_EQ(Kestra::Atan(3, 4), 16384u - Kestra::AtanTable[6144]);
}

TEST(MathTables, AtanMatchesAtan2OverAMillionVectors) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-30, 30);
    int worst = 0;
    for (int i = 0; i < 1000000; ++i) {
        float x = std::ldexp(unit(rng), exponent(rng));
        float y = std::ldexp(unit(rng), exponent(rng));
        if (i % 10 == 0) y = x * unit(rng);  // comparable magnitudes
        if (i % 1000 == 0) x = 1e-40f;       // denormal
        const uint32_t got = Kestra::Atan(x, y);
        ASSERT_LE(got, 65536u);
        double expected = std::atan2(static_cast<double>(y), static_cast<double>(x)) * 65536.0 / kTwoPi;
        if (expected < 0) expected += 65536.0;
        double diff = std::fabs(static_cast<double>(got) - expected);
        diff = std::fmin(diff, 65536.0 - diff);
        // Resolution: the index is truncated (at most one step of the table, 1.27
        // units near the axes), each entry is rounded down (below 1), and the three
        // low entries add one more.
        const double ax = std::fabs(static_cast<double>(x)), ay = std::fabs(static_cast<double>(y));
        const double ratio = std::fmin(ax, ay) / std::fmax(ax, ay);
        const auto index = static_cast<uint32_t>(8192.0 * std::fmin(ax, ay) / std::fmax(ax, ay));
        const bool low = index == 1269 || index == 6638 || index == 8192;
        const double bound = 65536.0 / (kTwoPi * 8192.0) / (1.0 + ratio * ratio) + 1.0 + (low ? 1.0 : 0.0);
        worst = std::max(worst, static_cast<int>(std::ceil(diff)));
        ASSERT_LE(diff, bound) << x << ", " << y;
    }
    EXPECT_LE(worst, 3);
}

TEST(MathTables, AtanOfNonFiniteInputIsDefined) {
    const float inf = INFINITY;
    const float nan = NAN;
    EXPECT_LE(Kestra::Atan(inf, inf), 65536u);
    EXPECT_EQ(Kestra::Atan(inf, 1), 0u);
    EXPECT_EQ(Kestra::Atan(1, -inf), 49152u);
    EXPECT_LE(Kestra::Atan(nan, 1), 65536u);
    EXPECT_LE(Kestra::Atan(1, nan), 65536u);
    EXPECT_LE(Kestra::Atan(nan, nan), 65536u);
}

TEST(MathTables, RotatePoint) {
    float p[2] = {1.0f, 0.0f};
    Kestra::RotatePoint(p, 16384);
    EXPECT_NEAR(p[0], 0.0f, 1e-6f);
    EXPECT_EQ(p[1], 1.0f);
    float q[2] = {3.0f, -2.0f};
    Kestra::RotatePoint(q, 12345);
    Kestra::RotatePoint(q, static_cast<uint16_t>(-12345));
    EXPECT_NEAR(q[0], 3.0f, 1e-5f);
    EXPECT_NEAR(q[1], -2.0f, 1e-5f);
}

// ---- Matrices in the row-vector convention, built independently in double.

struct M4 {
    double m[4][4];
};
M4 Mul(const M4& a, const M4& b) {
    M4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}
M4 RotX(double a) { return {{{1, 0, 0, 0}, {0, cos(a), sin(a), 0}, {0, -sin(a), cos(a), 0}, {0, 0, 0, 1}}}; }
M4 RotY(double a) { return {{{cos(a), 0, -sin(a), 0}, {0, 1, 0, 0}, {sin(a), 0, cos(a), 0}, {0, 0, 0, 1}}}; }
M4 RotZ(double a) { return {{{cos(a), sin(a), 0, 0}, {-sin(a), cos(a), 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}; }

void ExpectNear(const D3DXMATRIX& got, const M4& want, double tolerance) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(got.m[i][j], want.m[i][j], tolerance) << i << "," << j;
}

TEST(CMatrixTest, RotationAnglesIsTheAxisProductTransposed) {
    CMatrix m;
    m.RotationAngles(0, 0, 0);
    ExpectNear(m, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}, 0.0);
    std::mt19937 rng(3);
    for (int i = 0; i < 1000; ++i) {
        const int32_t a = static_cast<int32_t>(rng() % 65536) & ~1;
        const int32_t b = static_cast<int32_t>(rng() % 65536) & ~1;
        const int32_t c = static_cast<int32_t>(rng() % 65536) & ~1;
        m.RotationAngles(a, b, c);
        const double k = kTwoPi / 65536.0;
        ExpectNear(m, Mul(Mul(RotZ(-c * k), RotY(-b * k)), RotX(-a * k)), 1e-5);
    }
    // Odd angles lose half a unit to the arithmetic shift.
    m.RotationAngles(16385, 0, 0);
    ExpectNear(m, RotX(-16384 * kTwoPi / 65536.0), 1e-4);
}

TEST(CMatrixTest, StorageSurvivesCopiesAndZeroedMemory) {
    CMatrix a;
    a.Scaling(2, 3, 4);
    CMatrix b = a;  // a copy owns its own floats
    b._11 = 9;
    EXPECT_EQ(a._11, 2.0f);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&b) % 16, 0u);

    struct Holder {
        char tag;
        CMatrix m;
    };
    Holder h{};
    h.m = a;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&h.m) % 16, 0u);
    EXPECT_EQ(h.m._22, 3.0f);

    // A matrix in the engine allocator's zeroed memory reads as zeros and works.
    void* block = Kestra::MemoryAlloc(sizeof(CMatrix) * 2);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    auto* zeroed = static_cast<CMatrix*>(block);
    EXPECT_EQ(zeroed->_44, 0.0f);
    *zeroed = a * a;
    EXPECT_EQ(zeroed->_33, 16.0f);
    Kestra::MemoryFree(block);
}

TEST(CMatrixTest, InverseAndMultiply) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (int i = 0; i < 200; ++i) {
        CMatrix m;
        m.RotationAngles(static_cast<int32_t>(rng() % 65536), static_cast<int32_t>(rng() % 65536),
                         static_cast<int32_t>(rng() % 65536));
        CMatrix s;
        s.Scaling(1.0f + std::fabs(d(rng)), 0.5f + std::fabs(d(rng)), 2.0f);
        m = s * m;
        m._41 = d(rng) * 100;
        m._42 = d(rng) * 100;
        m._43 = d(rng) * 100;
        CMatrix inverse;
        ASSERT_TRUE(inverse.Inverse(m));
        const CMatrix product = m * inverse;
        ExpectNear(product, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}, 1e-4);
        CMatrix again = m;
        ASSERT_TRUE(again.Invert());
        ExpectNear(again, [&] {
            M4 r;
            for (int a = 0; a < 4; ++a)
                for (int b = 0; b < 4; ++b) r.m[a][b] = inverse.m[a][b];
            return r;
        }(), 0.0);

        CMatrix x = s, y = m, z = inverse;
        const CMatrix left = (x * y) * z, right = x * (y * z);
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) EXPECT_NEAR(left.m[a][b], right.m[a][b], 1e-3);
        CMatrix acc = x;
        acc *= y;
        EXPECT_TRUE(acc == x * y);
    }
}

TEST(CMatrixTest, SingularInverseLeavesTheMatrixAlone) {
    CMatrix singular;
    singular.Scaling(1, 0, 1);
    CMatrix out;
    out.Scaling(5, 6, 7);
    const CMatrix before = out;
    EXPECT_FALSE(out.Inverse(singular));
    EXPECT_TRUE(out == before);
    EXPECT_FALSE(singular.Invert());
    EXPECT_EQ(singular._22, 0.0f);
    EXPECT_EQ(singular._11, 1.0f);
}

TEST(CMatrixTest, Decompose) {
    CMatrix s, r, t;
    s.Scaling(2, 3, 0.5f);
    r.RotationAngles(1000, 20000, 30000);
    D3DXMatrixTranslation(&t, 4, -5, 6);
    const CMatrix m = s * r * t;
    CVector3 translation, scale;
    CMatrix rotation;
    m.Decompose(&translation, &scale, &rotation);
    EXPECT_NEAR(translation.x, 4, 1e-5);
    EXPECT_NEAR(translation.y, -5, 1e-5);
    EXPECT_NEAR(translation.z, 6, 1e-5);
    EXPECT_NEAR(scale.x, 2, 1e-5);
    EXPECT_NEAR(scale.y, 3, 1e-5);
    EXPECT_NEAR(scale.z, 0.5, 1e-5);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(rotation.m[i][j], r.m[i][j], 1e-5);

    CMatrix flat;
    flat.Scaling(1, 0, 1);
    flat.Decompose(nullptr, &scale, &rotation);
    EXPECT_EQ(scale.y, 0.0f);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(rotation.m[1][j], 0.0f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(std::isfinite(rotation.m[i][j]));
}

TEST(CVector3Test, Operations) {
    CVector3 v(3, 4, 12);
    EXPECT_EQ(v.Length(), 13.0);
    v.Normalize();
    EXPECT_NEAR(v.Length(), 1.0, 1e-6);
    CVector3 zero;
    zero.Normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_FALSE(std::isnan(zero.y));
    CVector3 c;
    c.Cross(CVector3(1, 0, 0), CVector3(0, 1, 0));
    EXPECT_EQ(c.z, 1.0f);
    CVector3 d;
    d.Sub(CVector3(5, 5, 5), CVector3(1, 2, 3));
    EXPECT_EQ(d.Dot(CVector3(1, 1, 1)), 9.0f);
    d.Scale(2, 0, 1);
    EXPECT_EQ(d.x, 8.0f);
    EXPECT_EQ(d.y, 0.0f);

    CMatrix m;
    D3DXMatrixTranslation(&m, 10, 20, 30);
    m._14 = 5;  // a w column that must be ignored
    CVector3 p(1, 2, 3);
    p.TransformCoord(m);
    EXPECT_EQ(p.x, 11.0f);
    EXPECT_EQ(p.z, 33.0f);
    CVector3 n(1, 2, 3);
    n.TransformNormal(m);
    EXPECT_EQ(n.x, 1.0f);
    EXPECT_EQ(n.z, 3.0f);
}

TEST(CTransformTest, DefaultsAndViewOfAPosition) {
    CTransform t;
    EXPECT_EQ(t.up.y, 1.0f);
    EXPECT_EQ(t.right.x, 1.0f);
    EXPECT_EQ(t.front.z, 1.0f);
    EXPECT_EQ(t.scale.x, 1.0f);
    t.SetPosition(1, 2, 3);
    t.UpdateMatrix();
    EXPECT_EQ(t.view._41, -1.0f);
    EXPECT_EQ(t.view._42, -2.0f);
    EXPECT_EQ(t.view._43, -3.0f);
    EXPECT_EQ(t.view._44, 1.0f);
    EXPECT_EQ(t.world._41, 1.0f);
    EXPECT_EQ(t.world._43, 3.0f);
}

TEST(CTransformTest, LookAtMatchesTheLeftHandedViewFormula) {
    std::mt19937 rng(8);
    std::uniform_real_distribution<float> d(-50.0f, 50.0f);
    for (int i = 0; i < 1000; ++i) {
        const CVector3 eye(d(rng), d(rng), d(rng));
        const CVector3 at(d(rng), d(rng), d(rng));
        const CVector3 up(d(rng) * 0.01f, 1.0f, d(rng) * 0.01f);
        CTransform t;
        t.LookAt(&eye, &at, &up);
        t.UpdateMatrix();
        // zaxis = norm(at - eye), xaxis = norm(up x zaxis), yaxis = zaxis x xaxis.
        double z[3] = {at.x - eye.x, at.y - eye.y, at.z - eye.z};
        double zl = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
        if (zl < 1.0) continue;
        for (double& c : z) c /= zl;
        double x[3] = {up.y * z[2] - up.z * z[1], up.z * z[0] - up.x * z[2], up.x * z[1] - up.y * z[0]};
        const double xl = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
        if (xl < 0.1) continue;
        for (double& c : x) c /= xl;
        const double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
        const double e[3] = {eye.x, eye.y, eye.z};
        auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
        const M4 want = {{{x[0], y[0], z[0], 0}, {x[1], y[1], z[1], 0}, {x[2], y[2], z[2], 0},
                          {-dot(x, e), -dot(y, e), -dot(z, e), 1}}};
        ExpectNear(t.view, want, 2e-4);
        D3DXMATRIX lh;
        D3DXMatrixLookAtLH(&lh, &eye, &at, &up);
        ExpectNear(lh, want, 2e-4);
    }
}

TEST(CTransformTest, LookAtDegenerateViewsStayFinite) {
    CTransform t;
    const CVector3 origin(0, 0, 0), above(0, 10, 0), below(0, -10, 0);
    t.LookAt(&origin, &above, nullptr);  // straight up: the hint becomes (0, 0, -1)
    t.UpdateMatrix();
    EXPECT_EQ(t.front.y, 1.0f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ASSERT_TRUE(std::isfinite(t.view.m[i][j]));
    EXPECT_NEAR(t.up.z, -1.0f, 1e-6);  // front x right with the (0,0,-1) hint
    t.LookAt(&origin, &below, nullptr);
    EXPECT_TRUE(std::isfinite(t.right.x) && std::isfinite(t.up.z));

    // Looking at the eye itself keeps the previous axes.
    CTransform u;
    const CVector3 eye(1, 2, 3), side(5, 2, 3);
    u.LookAt(&eye, &side, nullptr);
    const CVector3 frontBefore = u.front;
    u.LookAt(&eye, &eye, nullptr);
    EXPECT_TRUE(u.front == frontBefore);
    // A hint along the view direction falls back to another up.
    const CVector3 hint(1, 0, 0), ahead(5, 0, 0);
    u.LookAt(&origin, &ahead, &hint);
    u.UpdateMatrix();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ASSERT_TRUE(std::isfinite(u.view.m[i][j]));
}

TEST(CTransformTest, RotateYTurnsRightAndFront) {
    CTransform t;
    t.RotateY(16384);
    EXPECT_NEAR(t.right.x, 0.0f, 1e-6);
    EXPECT_NEAR(t.right.z, -1.0f, 1e-6);
    EXPECT_NEAR(t.front.x, 1.0f, 1e-6);
    EXPECT_EQ(t.up.y, 1.0f);
    EXPECT_EQ(t.rotation._11, 1.0f);  // the matrices wait for UpdateMatrix
    CTransform copy(t);
    CTransform other;
    copy.Get(&other);
    EXPECT_TRUE(other.front == t.front);
}

TEST(CTransformTest, CameraSetupOfTheGame) {
    CTransform t;
    const CVector3 eye(0, 0, -50), at(0, 0, 0);
    t.LookAt(&eye, &at, nullptr);
    t.UpdateMatrix();
    EXPECT_EQ(t.position.z, -50.0f);
    EXPECT_EQ(t.view._43, 50.0f);
    EXPECT_EQ(t.view._11, 1.0f);
    EXPECT_EQ(t.view._22, 1.0f);
}

}  // namespace
