// AnimationSet objects into key tables: targets, keys of every type, bad key
// blocks skipped, and the corpus character's keys read back through the tables.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/graphics/CXFileAnimation.h"
#include "tests/engine/graphics/object_test_env.h"
#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

using LibModel::AnimasionSet;
using LibModel::CAnimation;

class XFileAnimation : public objtest::LogTest {
protected:
    void SetUp() override {
        LogTest::SetUp();
        ASSERT_TRUE(KestraAnimation::CreateTables());
    }
    void TearDown() override {
        for (AnimasionSet* s : sets) s->Release();
        KestraAnimation::ReleaseTables();
        LogTest::TearDown();
    }
    // Reads every top-level AnimationSet of the file; each answers `loads`.
    void Load(const std::string& file, LibModel::ReadBudget* budget = nullptr, bool loads = true) {
        auto en = xtest::OpenEnum(file.data(), file.size());
        ASSERT_NE(en, nullptr);
        SIZE_T n = 0;
        en->GetChildren(&n);
        for (SIZE_T i = 0; i < n; ++i) {
            ID3DXFileData* d = nullptr;
            en->GetChild(i, &d);
            xtest::Com<ID3DXFileData> data(d);
            if (xtest::TypeOf(d) != TID_D3DRMAnimationSet) continue;
            auto* set = new AnimasionSet;
            EXPECT_EQ(LibModel::LoadAnimationSet(d, set, budget), loads) << set->GetName();
            sets.push_back(set);
        }
    }
    static std::vector<CAnimation*> Animations(AnimasionSet* set) {
        std::vector<CAnimation*> out;
        for (CBaseObject* c = set->GetChild(); c; c = c->GetSibling()) out.push_back(static_cast<CAnimation*>(c));
        return out;
    }
    std::vector<AnimasionSet*> sets;
};

const char kHead[] = "xof 0303txt 0032\nFrame Bone { }\n";

// Refuses any key table longer than `keys`.
struct KeyBudget final : LibModel::ReadBudget {
    explicit KeyBudget(uint32_t keys) : keys(keys) {}
    bool Take(uint32_t, uint64_t, uint32_t tableKeys) override { return tableKeys <= keys; }
    uint32_t keys;
};

TEST_F(XFileAnimation, KeysOfEveryTypeAndTheSetLengthOfTheLastAnimation) {
    Load(std::string(kHead) + R"(
AnimationSet Walk {
  Animation A {
    AnimationKey rot { 0; 2; 0;4;1,0,0,0;;, 10;4;0.7071068,0,0,0.7071068;;; }
    { Bone }
    AnimationKey pos { 2; 3; 20;3;2,0,0;;, 0;3;0,0,0;;, 100;3;10,0,0;;; }
    AnimationKey odd { 3; 1; 0;3;1,1,1;;; }
  }
  Animation B {
    { Bone }
    AnimationKey matrix { 4; 1; 40;16; 2,0,0,0, 0,2,0,0, 0,0,2,0, 5,6,7,1;;; }
  }
}
)");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0]->GetName(), "Walk");
    EXPECT_EQ(sets[0]->GetLength(), 40u);  // the last animation read decides
    const auto anims = Animations(sets[0]);
    ASSERT_EQ(anims.size(), 2u);
    CAnimation* a = anims[0];
    EXPECT_STREQ(a->GetName(), "Bone");  // the reference, not the named keys
    // Position keys were taken in time order: 0, 20, 100.
    EXPECT_FLOAT_EQ(KestraAnimation::Evaluate(a->GetTable(CAnimation::kPosX), 10, 1, -1), 1.0f);
    EXPECT_FLOAT_EQ(KestraAnimation::Evaluate(a->GetTable(CAnimation::kPosX), 60, 1, -1), 6.0f);
    EXPECT_EQ(a->GetTable(CAnimation::kScaleX), KestraAnimation::kNone);  // type 3 adds nothing
    // Rotation: key (w, x, y, z) stored as (-x, -y, -z, w), one extra copy at the end.
    const D3DXQUATERNION* q = a->GetQuaternions();
    ASSERT_NE(q, nullptr);
    EXPECT_FLOAT_EQ(q[1].z, -0.7071068f);
    EXPECT_FLOAT_EQ(q[1].x, 0.0f);
    EXPECT_FLOAT_EQ(q[1].w, 0.7071068f);
    EXPECT_EQ(q[2], q[1]);
    EXPECT_FLOAT_EQ(KestraAnimation::Evaluate(a->GetTable(CAnimation::kRotation), 10, 1, -1), 1.0f);
    // A matrix key fills all seven tables.
    CAnimation* b = anims[1];
    const CVector3 zero, one(1, 1, 1);
    CMatrix identity, m;
    b->GetMatrix(&m, 40, 1, &zero, &one, &identity);
    EXPECT_NEAR(m._11, 2.0f, 1e-6);
    EXPECT_NEAR(m._42, 6.0f, 1e-6);
    EXPECT_NEAR(m._12, 0.0f, 1e-6);
}

// A refused animation ends its set, which fails: the last animation as much as the first.
TEST_F(XFileAnimation, AnAnimationTheBudgetRefusesFailsItsSet) {
    const std::string one = "Animation { {Bone} AnimationKey { 2; 1; 0;3;0,0,0;;; } }\n",
                      two = "Animation { {Bone} AnimationKey { 2; 2; 0;3;0,0,0;;, 5;3;1,1,1;;; } }\n";
    KeyBudget budget(1);
    Load(kHead + ("AnimationSet Last { " + one + two + "}\nAnimationSet First { " + two + one + "}\n"), &budget,
         false);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_NE(Animations(sets[0])[0]->GetTable(CAnimation::kPosX), KestraAnimation::kNone) << "one key fits";
    EXPECT_EQ(Animations(sets[1]).size(), 1u) << "nothing is read past the refusal";
}

TEST_F(XFileAnimation, KeyBlocksThatDisagreeWithTheirCountsAreSkipped) {
    Load(std::string(kHead) + R"(
template ShortKey { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD keyType; DWORD nKeys; }
template TypeOnly { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD keyType; }
AnimationSet Bad {
  Animation {
    { Bone }
    AnimationKey empty { 2; 0; }
    AnimationKey wrong { 1; 2; 0;3;1,1,1;;, 5;2;1,1;;; }
    AnimationKey fine { 2; 1; 7;3;1,2,3;;; }
    AnimationKey unknown { 5; 1; 0;3;1,1,1;;; }
  }
  Animation {
    { Bone }
    ShortKey { 0; 500; }
    TypeOnly { 3; }
  }
}
)");
    ASSERT_EQ(sets.size(), 1u);
    const auto anims = Animations(sets[0]);
    ASSERT_EQ(anims.size(), 2u);
    EXPECT_EQ(anims[0]->GetTable(CAnimation::kScaleX), KestraAnimation::kNone);
    EXPECT_NE(anims[0]->GetTable(CAnimation::kPosX), KestraAnimation::kNone);
    EXPECT_EQ(anims[1]->GetQuaternions(), nullptr);
    EXPECT_EQ(Count("bad key data, skipped"), 5);
}

TEST_F(XFileAnimation, TheCorpusCharacterReadsBackThroughItsTables) {
    const auto bytes = xtest::ReadCorpus("Testwuson.X");
    xtest::Scene scene;
    ASSERT_EQ(xtest::LoadScene(bytes, &scene), S_OK);
    Load(std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(sets.size(), 3u);
    std::set<std::string> frames;
    for (const auto& f : scene.frames) frames.insert(f.name);
    for (size_t s = 0; s < sets.size(); ++s) {
        SCOPED_TRACE(scene.sets[s].name);
        EXPECT_EQ(scene.sets[s].name, sets[s]->GetName());
        const auto anims = Animations(sets[s]);
        ASSERT_EQ(anims.size(), scene.sets[s].animations.size());
        for (size_t a = 0; a < anims.size(); ++a) {
            const xtest::Animation& raw = scene.sets[s].animations[a];
            EXPECT_TRUE(frames.count(anims[a]->GetName())) << anims[a]->GetName();
            for (const xtest::Key& k : raw.keys[2])
                EXPECT_NEAR(KestraAnimation::Evaluate(anims[a]->GetTable(CAnimation::kPosY), float(k.time), 1, -9),
                            k.values[1], 1e-6);
            for (size_t i = 0; i < raw.keys[0].size(); ++i) {
                const D3DXQUATERNION& q = anims[a]->GetQuaternions()[i];
                EXPECT_FLOAT_EQ(q.w, raw.keys[0][i].values[0]);
                EXPECT_FLOAT_EQ(q.z, -raw.keys[0][i].values[3]);
            }
        }
        uint32_t lastLongest = 0;
        for (int t = 0; t < 5; ++t)
            for (const auto& k : scene.sets[s].animations.back().keys[t]) lastLongest = std::max(lastLongest, k.time);
        EXPECT_EQ(sets[s]->GetLength(), lastLongest);
    }
}

}  // namespace
