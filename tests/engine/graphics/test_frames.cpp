// Frames: matrices down the tree, the A/B blend, collection order, binding
// by name, class identifiers, and what a frame owns.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CFrame.h"
#include "engine/graphics/KestraAnimation.h"
#include "tests/engine/graphics/object_test_env.h"

namespace {

using LibModel::AnimasionSet;
using LibModel::CAnimation;
using LibModel::CFrame;

std::vector<std::string>* g_calls = nullptr;
int g_meshesAlive = 0;

class RecordingMesh : public LibModel::CBaseMesh {
public:
    explicit RecordingMesh(const char* name) {
        SetName(name);
        ++g_meshesAlive;
    }
    ~RecordingMesh() override { --g_meshesAlive; }
    void Update(const CMatrix* parent, const CMatrix*) override {
        world = *parent;
        if (g_calls) g_calls->push_back(std::string("update ") + GetName());
    }
    void Animate(float, float, uint32_t) override {}
    uint32_t Render() override {
        if (g_calls) g_calls->push_back(std::string("render ") + GetName());
        return 10;
    }
    void Dump() override {}
    CMatrix world;
};

CFrame* Frame(const char* name) {
    auto* f = new CFrame;
    f->SetName(name);
    return f;
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(KestraAnimation::CreateTables());
        g_calls = &calls;
    }
    void TearDown() override {
        g_calls = nullptr;
        KestraAnimation::ReleaseTables();
        EXPECT_EQ(g_meshesAlive, 0);
    }
    // An animation of the frame's name whose scale is constant s and rotation about z is angle.
    static CAnimation* Anim(const char* target, float s, float angle) {
        auto* a = new CAnimation;
        a->SetName(target);
        const CAnimation::Table scale[] = {CAnimation::kScaleX, CAnimation::kScaleY, CAnimation::kScaleZ};
        for (auto t : scale) {
            const uint32_t h = KestraAnimation::Create(1);
            KestraAnimation::SetKey(h, 0, 0, s, 0, 0, 0, 0);
            a->SetTable(t, h);
        }
        auto* q = static_cast<D3DXQUATERNION*>(Kestra::MemoryAlloc(2 * sizeof(D3DXQUATERNION)));
        q[0] = q[1] = D3DXQUATERNION(0, 0, std::sin(angle / 2), std::cos(angle / 2));
        a->SetQuaternions(q, 2);
        const uint32_t r = KestraAnimation::Create(1);
        KestraAnimation::SetKey(r, 0, 0, 0, 0, 0, 0, 0);
        a->SetTable(CAnimation::kRotation, r);
        return a;
    }
    std::vector<std::string> calls;
};

TEST_F(Frames, WorldMatricesComposeDownTheTree) {
    CFrame* root = Frame("root");
    CFrame* child = Frame("child");
    CFrame* grand = Frame("grand");
    CMatrix m;
    D3DXMatrixTranslation(&m, 1, 0, 0);
    root->SetBaseMatrix(&m._11);
    D3DXMatrixRotationZ(&m, 1.5707964f);
    child->SetBaseMatrix(&m._11);
    D3DXMatrixTranslation(&m, 0, 2, 0);
    grand->SetBaseMatrix(&m._11);
    auto* mesh = new RecordingMesh("m");
    grand->SetMesh(mesh);
    child->AddChildFrame(grand);
    root->AddChildFrame(child);
    CMatrix identity;
    root->Update(&identity, &identity);
    // (0,2,0) turned 90 degrees about z is (-2,0,0); then moved by (1,0,0).
    const CMatrix* w = grand->GetWorldMatrix();
    EXPECT_NEAR(w->_41, -1.0f, 1e-6);
    EXPECT_NEAR(w->_42, 0.0f, 1e-6);
    EXPECT_NEAR(mesh->world._41, -1.0f, 1e-6);
    root->Release();
}

TEST_F(Frames, BlendMixesScaleLinearlyAndRotationBySlerp) {
    CFrame* f = Frame("Bone");
    CMatrix base;
    D3DXMatrixTranslation(&base, 5, 6, 7);
    f->SetBaseMatrix(&base._11);
    auto* setA = new AnimasionSet;
    auto* setB = new AnimasionSet;
    setA->AddChild(Anim("BONE", 1, 0));  // names match without regard to case
    setB->AddChild(Anim("bone", 3, 1.5707964f));
    f->SetAnimationCount(3);  // the last slot stays empty
    f->BindAnimation(0, setA);
    f->BindAnimation(1, setB);
    f->BindAnimation(3, setA);  // past the slots: ignored
    EXPECT_EQ(f->FindAnimationIndex("Bone"), 0);

    f->SetAnimationBlend(0, 1, 0.5f);
    f->Animate(0, 0, KestraAnimation::kLinear);
    const CMatrix& m = f->GetLocalMatrix();
    // Scale 2, rotation 45 degrees about z, the base position for both.
    EXPECT_NEAR(m._11, 2 * 0.70710678f, 1e-5);
    EXPECT_NEAR(m._12, 2 * 0.70710678f, 1e-5);
    EXPECT_NEAR(m._21, -2 * 0.70710678f, 1e-5);
    EXPECT_NEAR(m._41, 5.0f, 1e-5);
    EXPECT_NEAR(m._42, 6.0f, 1e-5);
    EXPECT_NEAR(m._43, 7.0f, 1e-5);

    // Weight 0 with A missing shows the base transform; indices from the count on mean none.
    f->SetAnimationBlend(3, 1, 0.0f);
    f->Animate(0, 0, KestraAnimation::kLinear);
    EXPECT_EQ(f->GetLocalMatrix(), f->GetBaseMatrix());
    f->SetAnimationBlend(1, 99, 0.0f);
    f->Animate(0, 0, KestraAnimation::kLinear);
    EXPECT_NEAR(f->GetLocalMatrix()._11, 0.0f, 1e-5);  // B's 90 degrees, scale 3
    EXPECT_NEAR(f->GetLocalMatrix()._12, 3.0f, 1e-5);

    CBaseObject* got = nullptr;
    EXPECT_FALSE(f->GetAnimation(0, &LibModel::kClassFrame, &got));
    EXPECT_FALSE(f->GetAnimation(3, &LibModel::kClassAnimationSet, &got));
    ASSERT_TRUE(f->GetAnimation(1, &LibModel::kClassAnimationSet, &got));
    EXPECT_STREQ(got->GetName(), "bone");
    got->Release();
    ASSERT_TRUE(f->GetAnimationByName("BONE", &LibModel::kClassAnimationSet, &got));
    got->Release();
    EXPECT_FALSE(f->GetAnimationByName("other", &LibModel::kClassAnimationSet, &got));
    f->Release();
    setA->Release();
    setB->Release();
}

TEST_F(Frames, CollectionIsPreOrderAndMeshesDrawAfterChildren) {
    CFrame* root = Frame("root");
    CFrame* c1 = Frame("c1");
    CFrame* c2 = Frame("c2");
    CFrame* d = Frame("d");
    c1->AddChildFrame(d);
    root->AddChildFrame(c1);
    root->AddChildFrame(c2);
    EXPECT_TRUE(root->SetMesh(new RecordingMesh("root-mesh")));
    EXPECT_FALSE(root->SetMesh(new RecordingMesh("second")));  // released, not leaked
    EXPECT_TRUE(d->SetMesh(new RecordingMesh("d-mesh")));
    CFrame* frames[4] = {};
    uint32_t n = 0;
    root->CollectFrames(frames, &n);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(frames[0], root);
    EXPECT_EQ(frames[1], c1);
    EXPECT_EQ(frames[2], d);
    EXPECT_EQ(frames[3], c2);
    LibModel::CBaseMesh* meshes[2] = {};
    n = 0;
    root->CollectMeshes(meshes, &n);
    ASSERT_EQ(n, 2u);
    EXPECT_STREQ(meshes[0]->GetName(), "root-mesh");
    EXPECT_EQ(root->Render(), 20u);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "render d-mesh");
    EXPECT_EQ(calls[1], "render root-mesh");
    root->Release();
}

}  // namespace

namespace {

class FrameDump : public objtest::LogTest {};

TEST_F(FrameDump, EachFrameOnItsOwnLineIndentedByDepth) {
    CFrame* root = Frame("root");
    CFrame* c1 = Frame("c1");
    CFrame* d = Frame("d");
    c1->AddChildFrame(d);
    root->AddChildFrame(c1);
    root->Dump();
    EXPECT_EQ(LibModel::g_dumpDepth, 0);
    const std::string indent = "\x81\x40";  // the full-width space, in the log's code page
    EXPECT_EQ(Count("[ root ]"), 1);
    EXPECT_EQ(Count(indent + "[ c1 ]"), 1);
    EXPECT_EQ(Count(indent + indent + "[ d ]"), 1);
    EXPECT_EQ(Count(indent + indent + indent + "[ d ]"), 0);
    root->Release();
}

}  // namespace
