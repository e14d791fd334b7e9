// Key tables in all four modes against the interpolation formulas written out
// here, the animation's matrix and transform, and the sound handling of ends,
// repeated times and stray rotation indices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CAnimation.h"
#include "engine/graphics/KestraAnimation.h"

namespace {

using namespace KestraAnimation;

class KeyTables : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateTables()); }
    void TearDown() override { ReleaseTables(); }

    uint32_t Make(const std::vector<std::pair<float, float>>& keys) {
        const uint32_t h = Create(uint32_t(keys.size()));
        for (uint32_t i = 0; i < keys.size(); ++i) SetKey(h, i, keys[i].first, keys[i].second, 0, 0, 0, 0);
        return h;
    }
};

// The interpolating polynomial through the keys, in Lagrange's form: an
// independent statement of what Newton's form must give.
float Lagrange(const std::vector<std::pair<float, float>>& k, float t) {
    double sum = 0;
    for (size_t i = 0; i < k.size(); ++i) {
        double term = k[i].second;
        for (size_t j = 0; j < k.size(); ++j)
            if (j != i) term *= (t - k[j].first) / double(k[i].first - k[j].first);
        sum += term;
    }
    return float(sum);
}

float HermiteFormula(float y0, float y1, float m0, float m1, float s) {
    const float h00 = 2 * s * s * s - 3 * s * s + 1, h10 = s * s * s - 2 * s * s + s;
    const float h01 = -2 * s * s * s + 3 * s * s, h11 = s * s * s - s * s;
    return h00 * y0 + h10 * m0 + h01 * y1 + h11 * m1;
}

TEST_F(KeyTables, LinearAndStepFollowTheKeys) {
    const uint32_t h = Make({{0, 10}, {10, 20}, {20, 20}});
    EXPECT_FLOAT_EQ(Evaluate(h, 5, kLinear, -1), 15);
    EXPECT_FLOAT_EQ(Evaluate(h, 10, kLinear, -1), 20);
    EXPECT_FLOAT_EQ(Evaluate(h, 15, kLinear, -1), 20);
    EXPECT_FLOAT_EQ(Evaluate(h, 25, kLinear, -1), 20);
    EXPECT_FLOAT_EQ(Evaluate(h, -1, kLinear, -1), 10);
    EXPECT_FLOAT_EQ(Evaluate(h, 0, kLinear, -1), 10);
    // A first key at 10 is extrapolated back along the first segment.
    const uint32_t late = Make({{10, 4}, {20, 8}});
    EXPECT_FLOAT_EQ(Evaluate(late, 5, kLinear, -1), 2);
    const uint32_t steps = Make({{0, 1}, {10, 2}, {20, 3}, {30, 4}});
    EXPECT_FLOAT_EQ(Evaluate(steps, 10, kStep, -1), 2);
    EXPECT_FLOAT_EQ(Evaluate(steps, 20, kStep, -1), 2);
    EXPECT_FLOAT_EQ(Evaluate(steps, 25, kStep, -1), 3);
    EXPECT_FLOAT_EQ(Evaluate(steps, 30, kStep, -1), 4);
    EXPECT_FLOAT_EQ(Evaluate(steps, 25, 4, -7), -7);
    EXPECT_FLOAT_EQ(Evaluate(kNone, 25, kLinear, -7), -7);
}

static_assert(kMaxPolynomialKeys == 1024);  // written out, not taken from the product

TEST_F(KeyTables, PolynomialModeIsTheInterpolatingPolynomial) {
    const std::vector<std::pair<float, float>> keys = {{0, 1}, {4, 3}, {10, -2}, {12, 5}, {20, 0}};
    const uint32_t h = Make(keys);
    for (float t : {1.0f, 3.5f, 4.0f, 7.25f, 11.0f, 15.0f, 19.5f})
        EXPECT_NEAR(Evaluate(h, t, kPolynomial, 0), Lagrange(keys, t), 1e-3) << t;
    // Rewriting a key moves the polynomial with it.
    SetKey(h, 2, 10, 6, 0, 0, 0, 0);
    auto moved = keys;
    moved[2].second = 6;
    EXPECT_NEAR(Evaluate(h, 7.25f, kPolynomial, 0), Lagrange(moved, 7.25f), 1e-3);
    // A constant through as many keys as the mode takes, and one key more: the
    // mode answers the default there; the linear mode takes any table.
    for (uint32_t n : {kMaxPolynomialKeys, kMaxPolynomialKeys + 1}) {
        std::vector<std::pair<float, float>> flat;
        for (uint32_t i = 0; i < n; ++i) flat.emplace_back(float(i), 5.0f);
        const uint32_t long_ = Make(flat);
        EXPECT_EQ(Evaluate(long_, 3.5f, kPolynomial, -7), n <= kMaxPolynomialKeys ? 5.0f : -7.0f) << n;
        EXPECT_EQ(Evaluate(long_, 3.5f, kLinear, -7), 5.0f) << n;
    }
}

TEST_F(KeyTables, HermiteUsesNeighboursInsideAndTheSegmentSlopeAtTheEnds) {
    const std::vector<std::pair<float, float>> k = {{0, 0}, {10, 4}, {20, 6}, {40, 1}};
    const uint32_t h = Make(k);
    // Inner segment 10..20: tangents from the neighbours, scaled by the segment's share.
    {
        const float s = 0.3f;
        const float m0 = (10.0f / 20.0f) * (6 - 0), m1 = (10.0f / 30.0f) * (1 - 4);
        EXPECT_NEAR(Evaluate(h, 13, kHermite, 0), HermiteFormula(4, 6, m0, m1, s), 1e-5);
    }
    // First segment: no key before the first, so m0 is the segment's own slope.
    {
        const float s = 0.25f;
        const float m0 = 4 - 0, m1 = (10.0f / 20.0f) * (6 - 0);
        EXPECT_NEAR(Evaluate(h, 2.5f, kHermite, 0), HermiteFormula(0, 4, m0, m1, s), 1e-5);
    }
    // Last segment: no key after the last.
    {
        const float s = 0.5f;
        const float m0 = (20.0f / 30.0f) * (1 - 4), m1 = 1 - 6;
        EXPECT_NEAR(Evaluate(h, 30, kHermite, 0), HermiteFormula(6, 1, m0, m1, s), 1e-5);
    }
    // Given tangents win.
    SetKey(h, 1, 10, 4, 0, 1, 0, 7.5f);
    SetKey(h, 2, 20, 6, 1, 0, -2.0f, 0);
    EXPECT_NEAR(Evaluate(h, 13, kHermite, 0), HermiteFormula(4, 6, 7.5f, -2.0f, 0.3f), 1e-5);
    // Equal values hold whatever the tangents.
    const uint32_t flat = Make({{0, 3}, {10, 3}});
    SetKey(flat, 0, 0, 3, 0, 1, 0, 100);
    EXPECT_FLOAT_EQ(Evaluate(flat, 4, kHermite, 0), 3);
}

TEST_F(KeyTables, TwoKeysAndRepeatedTimesStayFinite) {
    const uint32_t two = Make({{0, 0}, {10, 10}});
    for (float t : {1.0f, 5.0f, 9.0f}) {
        const float v = Evaluate(two, t, kHermite, 0);
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_NEAR(v, HermiteFormula(0, 10, 10, 10, t / 10), 1e-5);
    }
    const uint32_t dup = Make({{0, 0}, {10, 5}, {10, 7}, {10, 8}, {20, 9}});
    for (uint32_t mode : {kStep, kLinear, kPolynomial, kHermite})
        for (float t : {5.0f, 9.999f, 10.0f, 10.001f, 15.0f}) {
            const float v = Evaluate(dup, t, mode, 0);
            EXPECT_TRUE(std::isfinite(v)) << "mode " << mode << " t " << t;
        }
    EXPECT_FLOAT_EQ(Evaluate(dup, 15, kLinear, 0), 8.5f);
    // At the repeated time itself the search path picks one of its keys.
    const float at = Evaluate(dup, 10, kLinear, 0);
    EXPECT_TRUE(at == 5.0f || at == 7.0f || at == 8.0f) << at;
}

static_assert(kTableCount == 65536);  // written out, not taken from the product

TEST_F(KeyTables, TablesAreTakenLowestFirstAndKeysWrap) {
    EXPECT_EQ(Create(0), kNone);
    const uint32_t a = Create(2), b = Create(2), c = Create(2);
    EXPECT_EQ(b, a + 1);
    EXPECT_TRUE(Release(b));
    EXPECT_FALSE(Release(b));
    EXPECT_EQ(Create(3), b);
    EXPECT_EQ(GetKeyCount(b), 3u);
    // Key number n writes key 0.
    SetKey(c, 2, 5, 42, 0, 0, 0, 0);
    SetKey(c, 1, 9, 1, 0, 0, 0, 0);
    EXPECT_FLOAT_EQ(Evaluate(c, 1, kStep, 0), 42);
    std::vector<uint32_t> all;
    for (uint32_t h; (h = Create(1)) != kNone;) all.push_back(h);
    EXPECT_EQ(all.size() + 3, kTableCount);
    EXPECT_TRUE(Release(all[100]));
    EXPECT_EQ(Create(1), all[100]);
}

TEST_F(KeyTables, FindKeyAnswersTheSegmentHoldingTheTime) {
    const uint32_t h = Make({{0, 0}, {10, 1}, {20, 2}, {30, 3}});
    (void)h;
    Key keys[4] = {};
    for (int i = 0; i < 4; ++i) keys[i].time = float(i * 10);
    EXPECT_EQ(FindKey(keys, -5, 4), &keys[0]);
    EXPECT_EQ(FindKey(keys, 35, 4), &keys[3]);
    for (float t : {1.0f, 12.0f, 25.0f, 29.9f}) {
        const Key* k = FindKey(keys, t, 4);
        ASSERT_NE(k, nullptr);
        EXPECT_LE(k->time, t);
        EXPECT_GE((k + 1)->time, t);
    }
}

TEST_F(KeyTables, AnimationBuildsScaleRotationAndPosition) {
    LibModel::CAnimation* anim = new LibModel::CAnimation;
    const CVector3 defPos(1, 2, 3), defScale(2, 2, 2);
    CMatrix defRot;
    D3DXMatrixRotationZ(&defRot, 0.5f);
    // Nothing bound: the defaults.
    CMatrix m;
    anim->GetMatrix(&m, 5, kLinear, &defPos, &defScale, &defRot);
    CMatrix want;
    want.Scaling(2, 2, 2);
    want *= defRot;
    want._41 = 1, want._42 = 2, want._43 = 3;
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((&m._11)[i], (&want._11)[i], 1e-6);

    // Scale with only two of its tables uses the default scale for all three.
    anim->SetTable(LibModel::CAnimation::kScaleX, Make({{0, 5}, {10, 5}}));
    anim->SetTable(LibModel::CAnimation::kScaleY, Make({{0, 5}, {10, 5}}));
    anim->GetMatrix(&m, 5, kLinear, &defPos, &defScale, &defRot);
    EXPECT_NEAR(m._33, 2.0f, 1e-6);

    // Rotation: identity at key 0, 90 degrees about z at key 1; halfway is 45 degrees.
    auto* q = static_cast<D3DXQUATERNION*>(Kestra::MemoryAlloc(3 * sizeof(D3DXQUATERNION)));
    q[0] = D3DXQUATERNION(0, 0, 0, 1);
    q[1] = D3DXQUATERNION(0, 0, std::sin(0.785398f), std::cos(0.785398f));
    q[2] = D3DXQUATERNION(0, 0, std::sin(1.2f), std::cos(1.2f));
    anim->SetQuaternions(q, 3);
    const uint32_t rot = Make({{0, 0}, {10, 1}});
    anim->SetTable(LibModel::CAnimation::kRotation, rot);
    CVector3 pos, scale;
    D3DXQUATERNION r;
    anim->GetTransform(&pos, &scale, &r, 5, kLinear, &defPos, &defScale, &defRot);
    EXPECT_NEAR(r.z, std::sin(0.392699f), 1e-5);
    EXPECT_EQ(pos, defPos);
    // A stray rotation value reads no quaternion past the array (ASan watches): the last one holds.
    SetKey(rot, 1, 10, 57, 0, 0, 0, 0);
    anim->GetTransform(&pos, &scale, &r, 9.9f, kLinear, &defPos, &defScale, &defRot);
    EXPECT_NEAR(r.z, q[2].z, 1e-5);
    EXPECT_NEAR(r.w, q[2].w, 1e-5);
    // Below the first key the first pair's turn goes on backwards: -9 key spans of 90 degrees.
    SetKey(rot, 0, 0, -9, 0, 0, 0, 0);
    anim->GetTransform(&pos, &scale, &r, 0, kLinear, &defPos, &defScale, &defRot);
    EXPECT_NEAR(r.z, std::sin(-9 * 0.785398f), 1e-4);
    EXPECT_NEAR(r.w, std::cos(-9 * 0.785398f), 1e-4);
    // The same turn stored as its negated quaternion goes back the same, shorter, way
    // (at a whole number of spans the longer way would land on the same pose).
    SetKey(rot, 0, 0, -8.5f, 0, 0, 0, 0);
    anim->GetTransform(&pos, &scale, &r, 0, kLinear, &defPos, &defScale, &defRot);
    q[1] = D3DXQUATERNION(-q[1].x, -q[1].y, -q[1].z, -q[1].w);
    D3DXQUATERNION same;
    anim->GetTransform(&pos, &scale, &same, 0, kLinear, &defPos, &defScale, &defRot);
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&r, &same)), 1.0f, 1e-4);
    anim->Release();  // releases its tables: they are free again
    EXPECT_EQ(GetKeyCount(rot), 0u);
}

// Keys late in the take: before the first key the rotation goes on back along
// the turn of the first two keys, however far back, as the position goes back
// along its first segment (here x walks the same number as the angle), so both
// tell the same pose and the motion has no jump.
TEST_F(KeyTables, RotationBeforeALateFirstKeyGoesBackAlongTheFirstTurn) {
    struct Case {
        float first, second;  // key times: 0 degrees about z, then `turn` degrees
        float turn;
        float time;
        float degrees;  // the pose at `time`
    };
    const Case cases[] = {
        {10, 20, 90, 0, 0},  // at or before 0 every table gives its first key
        {10, 20, 90, 2, -72},       {10, 20, 90, 5, -45},      {10, 20, 90, 9, -9},
        {10, 20, 90, 10, 0},        {10, 20, 90, 15, 45},      {10, 20, 90, 20, 90},
        {10, 20, 90, 30, 90},  // past the last key it holds
        {20, 30, 45, 0.5f, -87.75f}, {20, 30, 45, 5, -67.5f},  {20, 30, 45, 9.9f, -45.45f},
        {20, 30, 45, 10, -45},      {20, 30, 45, 10.1f, -44.55f}, {20, 30, 45, 25, 22.5f},
        {30, 40, 90, 5, -225},  // key position -2.5: past a half turn back
        // Far back, and with keys close together, the turn keeps its rate.
        {46, 47, 2, 1, -90},   {1000, 1001, 2, 1, -1998},  // 45 and 999 spans of 2 degrees
        {201, 202, 0.5f, 1, -100}, {101, 111, 120, 1, -1200},
    };
    const CVector3 defPos(0, 0, 0), defScale(1, 1, 1);
    const CMatrix defRot;
    auto make = [&](float first, float second, float turn) {
        auto* anim = new LibModel::CAnimation;
        auto* q = static_cast<D3DXQUATERNION*>(Kestra::MemoryAlloc(3 * sizeof(D3DXQUATERNION)));
        const float half = turn * 3.14159265f / 360.0f;
        q[0] = D3DXQUATERNION(0, 0, 0, 1);
        q[1] = D3DXQUATERNION(0, 0, std::sin(half), std::cos(half));
        q[2] = q[1];
        anim->SetQuaternions(q, 3);
        anim->SetTable(LibModel::CAnimation::kRotation, Make({{first, 0}, {second, 1}}));
        anim->SetTable(LibModel::CAnimation::kPosX, Make({{first, 0}, {second, turn}}));
        anim->SetTable(LibModel::CAnimation::kPosY, Make({{first, 0}, {second, 0}}));
        anim->SetTable(LibModel::CAnimation::kPosZ, Make({{first, 0}, {second, 0}}));
        return anim;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys at " << c.first << " and " << c.second << ", time " << c.time);
        LibModel::CAnimation* anim = make(c.first, c.second, c.turn);
        CVector3 pos, scale;
        D3DXQUATERNION r;
        anim->GetTransform(&pos, &scale, &r, c.time, kLinear, &defPos, &defScale, &defRot);
        const float half = c.degrees * 3.14159265f / 360.0f;
        EXPECT_NEAR(r.z, std::sin(half), 1e-5);
        EXPECT_NEAR(r.w, std::cos(half), 1e-5);
        EXPECT_NEAR(pos.x, c.degrees, 1e-3);
        // The matrix turns x onto the same angle.
        CMatrix m;
        anim->GetMatrix(&m, c.time, kLinear, &defPos, &defScale, &defRot);
        EXPECT_NEAR(m._11, std::cos(2 * half), 1e-5);
        EXPECT_NEAR(m._12, std::sin(2 * half), 1e-5);
        EXPECT_NEAR(m._41, c.degrees, 1e-3);
        anim->Release();
    }
    // Sampled every tenth of a tick the turn never steps further than its rate
    // (4.5 degrees a tick) allows, before, across and after the first key.
    LibModel::CAnimation* anim = make(20, 30, 45);
    D3DXQUATERNION before(0, 0, 0, 1);
    for (int k = 1; k <= 350; ++k) {
        CVector3 pos, scale;
        D3DXQUATERNION r;
        anim->GetTransform(&pos, &scale, &r, 0.1f * float(k), kLinear, &defPos, &defScale, &defRot);
        if (k > 1) {
            const float step = 2 * std::acos(std::min(1.0f, std::fabs(D3DXQuaternionDot(&before, &r))));
            EXPECT_LE(step * 180 / 3.14159265f, 0.46f) << "at " << 0.1f * float(k);
        }
        before = r;
    }
    anim->Release();
}

}  // namespace
