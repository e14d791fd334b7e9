// Models from X files: mesh buffers and their layouts, the loader on the
// corpus characters (every root, bindings by frame name, counts of what was
// kept), refusals, and drawing through the game's camera on the GL device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CMesh.h"
#include "engine/graphics/CSkinMesh.h"
#include "engine/graphics/CXFileLoader.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3dx9/xfile_internal.h"
#include "tests/engine/graphics/model_test_env.h"
#include "tests/platform/d3dx9/xfile_test_util.h"
#include "tests/support/test_support.h"

namespace {

using LibModel::CBaseMesh;
using LibModel::CFrame;
using LibModel::CModel;
using LibModel::CSkinMesh;
using LibModel::ModelVertex;

// ---- Buffers on the null device -----------------------------------------------------

class MeshBuffers : public objtest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        StartDevice(d3d9test::Backend::Null);
    }
    static std::vector<uint8_t> Contents(IDirect3DVertexBuffer9* vb) {
        D3DVERTEXBUFFER_DESC desc{};
        vb->GetDesc(&desc);
        void* bits = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint8_t> out(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + desc.Size);
        vb->Unlock();
        return out;
    }
    static void Fill(LibModel::CVertexBuffer& vb) {
        for (uint32_t i = 0; i < vb.GetCount(); ++i) {
            ModelVertex& v = vb.GetData()[i];
            for (int k = 0; k < 3; ++k) {
                v.position0[k] = float(i * 10 + k);
                v.normal0[k] = float(k == 2);
                v.position1[k] = 100.0f + float(k);
                v.weights[k] = 0.1f * float(k + 1);
            }
            const uint8_t idx[4] = {uint8_t(i), 7, 9, 11};
            std::memcpy(v.indices, idx, 4);
            v.color = 0xFF102030u + i;
            v.u = 0.25f * float(i);
            v.v = 0.5f;
        }
    }
};

static_assert(LibModel::kLayoutCount == 8);  // written out, not taken from the product

TEST_F(MeshBuffers, LayoutsPackTheMasterFieldsToTheirStrides) {
    LibModel::CVertexBuffer vb(3);
    Fill(vb);
    ASSERT_TRUE(vb.Create(1, 1, 0));
    auto bytes = Contents(vb.GetBuffer());
    ASSERT_EQ(bytes.size(), 108u);
    for (uint32_t i = 0; i < 3; ++i) {
        const uint8_t* at = bytes.data() + i * 36;
        const ModelVertex& v = vb.GetData()[i];
        EXPECT_EQ(std::memcmp(at, v.position0, 12), 0);
        EXPECT_EQ(std::memcmp(at + 12, v.normal0, 12), 0);
        EXPECT_EQ(std::memcmp(at + 24, &v.color, 4), 0);
        EXPECT_EQ(std::memcmp(at + 28, &v.u, 8), 0);
    }
    ASSERT_TRUE(vb.Create(1, 1, 3));
    bytes = Contents(vb.GetBuffer());
    ASSERT_EQ(bytes.size(), 3u * 48);
    const uint8_t* second = bytes.data() + 48;
    float weights[2];
    std::memcpy(weights, second + 24, 8);
    EXPECT_FLOAT_EQ(weights[0], 0.1f);
    EXPECT_FLOAT_EQ(weights[1], 0.2f);
    EXPECT_EQ(std::memcmp(second + 32, vb.GetData()[1].indices, 4), 0);
    EXPECT_EQ(std::memcmp(second + 40, &vb.GetData()[1].u, 8), 0);
    // Every stride and declaration agree.
    for (uint32_t layout = 0; layout < LibModel::kLayoutCount; ++layout) {
        EXPECT_EQ(D3DXGetDeclVertexSize(LibModel::LayoutDeclaration(layout), 0), LibModel::LayoutStride(layout));
        ASSERT_TRUE(vb.Create(1, 1, layout));
        EXPECT_EQ(Contents(vb.GetBuffer()).size(), 3u * LibModel::LayoutStride(layout));
    }
    EXPECT_EQ(LibModel::LayoutStride(7), sizeof(ModelVertex));
}

TEST_F(MeshBuffers, CreateTwiceKeepsOneBufferAndResetRebuildsTheSameBytes) {
    {  // buffers made over freed, written memory still start zeroed
        LibModel::CVertexBuffer used(4);
        LibModel::CIndexBuffer usedIndices(6);
        Fill(used);
        std::fill_n(usedIndices.GetData(), 6, uint16_t(0xBEEF));
    }
    LibModel::CVertexBuffer vb(4);
    LibModel::CIndexBuffer ib(6);
    EXPECT_EQ(std::count(ib.GetData(), ib.GetData() + 6, 0), 6);
    EXPECT_EQ(vb.GetData()[3].weights[2], 0.0f);
    Fill(vb);
    for (uint16_t i = 0; i < 6; ++i) ib.GetData()[i] = uint16_t(5 - i);
    const uint64_t before = d3d9test::CallCount("CreateVertexBuffer");
    ASSERT_TRUE(vb.Create(1, 1, 4));
    ASSERT_TRUE(vb.Create(1, 1, 4));
    ASSERT_TRUE(ib.Create(1, 1));
    EXPECT_EQ(d3d9test::CallCount("CreateVertexBuffer") - before, 2u);
    EXPECT_EQ(vb.GetBuffer()->AddRef(), 2u) << "the first buffer was released, the second is held once";
    vb.GetBuffer()->Release();
    const auto original = Contents(vb.GetBuffer());
    vb.OnLostDevice();
    ib.OnLostDevice();
    EXPECT_EQ(vb.GetBuffer(), nullptr);
    EXPECT_EQ(vb.GetDeclaration(), nullptr);
    EXPECT_EQ(ib.GetBuffer(), nullptr);
    vb.OnResetDevice();
    ib.OnResetDevice();
    ASSERT_NE(vb.GetBuffer(), nullptr);
    ASSERT_NE(vb.GetDeclaration(), nullptr);
    EXPECT_EQ(vb.GetLayout(), 4u);
    EXPECT_EQ(Contents(vb.GetBuffer()), original);
    void* bits = nullptr;
    ASSERT_EQ(ib.GetBuffer()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(bits, ib.GetData(), 12), 0);
    ib.GetBuffer()->Unlock();
}

// ---- Loading ------------------------------------------------------------------------

// The loader's limits, written out: bounds taken from its own constants would
// move with them.
struct Limits {
    static constexpr uint32_t kMaxFrames = 4096, kMaxDepth = 256, kMaxMeshes = 256, kMaxMeshElements = 262144,
                              kMaxObjects = 65536, kMaxMaterials = 4096, kMaxSets = 256, kMaxKeys = 65536,
                              kMaxValues = 4u << 20, kMaxFileBytes = 16u << 20, kMaxBones = 48;
};

class Models : public modeltest::ModelTest {
protected:
    void StartAll(d3d9test::Backend backend) {
        ModelTest::StartAll(backend);
        SetCurrentDirectoryA(xtest::CorpusDir().c_str());
    }
    CModel* Load(const char* file, uint32_t formatKind = 0) {
        CModel* model = KestraModelEx::CreateFromFile(file, 1, 1, formatKind, 0);
        EXPECT_NE(model, nullptr) << file << "\n" << Log();
        return model;
    }
    // A model from X text after the header.
    static CModel* FromText(const std::string& body) {
        const std::string text = "xof 0303txt 0032\n" + body + "\n";
        return KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    }
    static std::vector<std::string> FrameNames(CModel* m) {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < m->GetFrameCount(); ++i) out.push_back(m->GetFrame(i)->GetName());
        return out;
    }
};

TEST_F(Models, CharactersKeepEveryFrameMeshAndSetOfEveryRoot) {
    StartAll(d3d9test::Backend::Null);
    for (const char* file : {"Testwuson.X", "BCN_Epileptic.X"}) {
        SCOPED_TRACE(file);
        xtest::Scene scene;
        ASSERT_EQ(xtest::LoadScene(xtest::ReadCorpus(file), &scene), S_OK);
        CModel* model = Load(file);
        ASSERT_NE(model, nullptr);
        std::vector<std::string> expected;
        for (const auto& f : scene.frames) expected.push_back(f.name);
        EXPECT_EQ(FrameNames(model), expected);
        EXPECT_GT(model->GetRootFrames().GetCount(), 1u) << "both characters have several top-level frames";
        EXPECT_EQ(model->GetMeshCount(), scene.meshes.size());
        for (uint32_t i = 0; i < model->GetMeshCount(); ++i) {
            ASSERT_NE(model->GetMeshArray()[i], nullptr);
            EXPECT_EQ(model->GetMeshArray()[i]->GetName(), scene.meshes[i].name);
        }
        ASSERT_EQ(model->GetAnimationSetCount(), scene.sets.size());
        ASSERT_GT(scene.sets.size(), 0u);
        for (uint32_t s = 0; s < scene.sets.size(); ++s) {
            // The loaded set's length is that of its last animation's keys.
            const auto& last = scene.sets[s].animations.back();
            uint32_t lastLongest = 0;
            for (const auto& keys : last.keys)
                for (const auto& k : keys) lastLongest = std::max(lastLongest, k.time);
            EXPECT_EQ(model->GetAnimationLength(int32_t(s)), lastLongest);
            // Every animation is bound to the frame it names, never to a key's name.
            std::set<std::string> targets;
            for (const auto& a : scene.sets[s].animations) targets.insert(a.target);
            uint32_t bound = 0;
            for (uint32_t f = 0; f < model->GetFrameCount(); ++f) {
                CFrame* frame = model->GetFrame(f);
                CBaseObject* animation = nullptr;
                const bool has = frame->GetAnimation(s, &LibModel::kClassAnimationSet, &animation);
                EXPECT_EQ(has, targets.count(frame->GetName()) == 1) << frame->GetName();
                if (!has) continue;
                EXPECT_STRCASEEQ(animation->GetName(), frame->GetName());
                animation->Release();
                ++bound;
            }
            EXPECT_GT(bound, 1u);
        }
        // Bones bind to frames; counters kept only attached meshes.
        for (uint32_t i = 0; i < model->GetMeshCount(); ++i) {
            CBaseMesh* mesh = model->GetMeshArray()[i];
            if (!mesh->IsSkinned()) continue;
            auto* skin = static_cast<CSkinMesh*>(mesh);
            uint32_t resolved = 0;
            for (uint32_t b = 0; b < skin->GetBoneCount(); ++b) resolved += skin->GetBoneMatrix(b) != nullptr;
            EXPECT_EQ(resolved, skin->GetBoneCount());
            EXPECT_GT(skin->GetCombinationCount(), 0u);
        }
        EXPECT_EQ(Count("Success!"), 1);
        model->Release();
        // Reset the log count for the next file.
        Kestra::CloseLog();
        ASSERT_TRUE(Kestra::OpenLog("objects"));
    }
}

TEST_F(Models, MaterialTexturesAreSharedByNameAcrossLoads) {
    StartAll(d3d9test::Backend::Null);
    CModel* first = Load("kwxport_test_cubewithvcolors.x", 14);
    CModel* second = Load("kwxport_test_cubewithvcolors.x", 14);
    ASSERT_TRUE(first && second);
    std::vector<CTexture*> a, b;
    for (CModel* m : {first, second})
        for (uint32_t i = 0; i < m->GetMeshCount(); ++i) {
            CBaseMesh* mesh = m->GetMeshArray()[i];
            for (uint32_t j = 0; j < mesh->GetMaterialCount(); ++j) {
                CBaseObject* object = nullptr;
                ASSERT_TRUE(mesh->GetMaterial(j, &LibModel::kClassMaterial, &object));
                auto* material = static_cast<LibModel::CMaterial*>(object);
                char name[260];
                material->GetTextureName(0, name);
                if (name[0]) {
                    EXPECT_EQ(std::strchr(name, '\\'), nullptr) << "only the file's own name is kept";
                    EXPECT_NE(material->GetTexture(0), nullptr) << name;
                    (m == first ? a : b).push_back(material->GetTexture(0));
                }
                object->Release();
            }
        }
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b) << "the second load finds the first load's textures";
    EXPECT_EQ(Count("MATERIAL ["), int(a.size() + b.size()));
    first->Release();
    second->Release();
}

TEST_F(Models, TopLevelMeshesGetARootAndAMissingFileGivesNull) {
    StartAll(d3d9test::Backend::Null);
    EXPECT_EQ(KestraModelEx::CreateFromFile("no_such_model.x", 1, 1, 0, 0), nullptr);
    EXPECT_NE(Log().find("} : "), std::string::npos);
    const std::string text = R"(xof 0303txt 0032
Mesh First { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
Mesh Second { 3; 0;0;1;, 1;0;1;, 0;1;1;; 1; 3;0,1,2;; }
)";
    CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    ASSERT_NE(model, nullptr) << Log();
    EXPECT_STREQ(model->GetRootFrame()->GetName(), "FRAME_ROOT");
    ASSERT_EQ(model->GetMeshCount(), 2u) << "the second mesh is not lost to the first root";
    EXPECT_EQ(model->FindMesh("second"), 1);
    // No material list: one default material, so attribute 0 draws.
    EXPECT_EQ(model->GetMeshArray()[0]->GetMaterialCount(), 1u);
    EXPECT_EQ(Count("MATERIAL ["), 0);
    model->Release();

    const std::string empty = "xof 0303txt 0032\n";
    EXPECT_EQ(KestraModelEx::CreateFromMemory(empty.data(), uint32_t(empty.size()), 1, 1, 0, 0), nullptr);
}

TEST_F(Models, MaterialsKeepEveryChannelAndATextureWhitensTheDiffuse) {
    StartAll(d3d9test::Backend::Null);
    const std::string text = R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,1;;
 MeshMaterialList { 2; 2; 0, 1;;
  Material { 0.1;0.2;0.4;0.5;; 7; 0.6;0.7;0.8;; 0.01;0.02;0.03;; }
  Material { 0.9;0.8;0.7;0.6;; 3; 0;0;0;; 0.1;0.2;0.3;; TextureFilename { "dir\\t.png"; } } } }
)";
    CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    ASSERT_NE(model, nullptr) << Log();
    CBaseMesh* mesh = model->GetMeshArray()[0];
    ASSERT_EQ(mesh->GetMaterialCount(), 2u);
    // Diffuse, ambient (0.3 of the diffuse plus the emissive), specular, emissive: r, g, b, a; then power.
    const float want[2][17] = {
        {0.1f, 0.2f, 0.4f, 0.5f, 0.04f, 0.08f, 0.15f, 1, 0.6f, 0.7f, 0.8f, 1, 0.01f, 0.02f, 0.03f, 1, 7},
        {1, 1, 1, 0.6f, 0.4f, 0.5f, 0.6f, 1, 0, 0, 0, 1, 0.1f, 0.2f, 0.3f, 1, 3},
    };
    for (uint32_t j = 0; j < 2; ++j) {
        CBaseObject* object = nullptr;
        ASSERT_TRUE(mesh->GetMaterial(j, &LibModel::kClassMaterial, &object));
        const D3DMATERIAL9& m = static_cast<LibModel::CMaterial*>(object)->GetMaterial();
        const D3DCOLORVALUE* colours[4] = {&m.Diffuse, &m.Ambient, &m.Specular, &m.Emissive};
        for (int k = 0; k < 4; ++k) {
            const float got[4] = {colours[k]->r, colours[k]->g, colours[k]->b, colours[k]->a};
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[j][k * 4 + c], 1e-6) << j << " " << k << " " << c;
        }
        EXPECT_EQ(m.Power, want[j][16]) << j;
        object->Release();
    }
    model->Release();
}

// Where a frame's instance of the triangle puts the triangle's centroid.
D3DXVECTOR3 PlacedCentroid(CModel* model, const char* frame) {
    const int32_t index = model->FindFrame(frame);
    EXPECT_GE(index, 0) << frame;
    CBaseMesh* mesh = index >= 0 ? model->GetFrame(uint32_t(index))->GetMesh() : nullptr;
    if (!mesh) {
        ADD_FAILURE() << frame << " holds no mesh";
        return D3DXVECTOR3(NAN, NAN, NAN);
    }
    EXPECT_STREQ(mesh->GetName(), "Tri");
    CMatrix world;
    mesh->GetWorldMatrixCopy(&world);
    const D3DXVECTOR3 centroid(2.0f / 3, 2.0f / 3, 0);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &centroid, &world);
    return out;
}

struct Placement {
    const char* frame;
    float time;
    D3DXVECTOR3 centroid;
};
// The definition and each reference: one instance each, under its frame and
// that frame's parent.
const Placement kReferencedPlacements[] = {
    {"Body", 0, {2.0f / 3, 1 + 2.0f / 3, 0}},
    {"Left", 0, {-6 + 2.0f / 3, 1 + 2.0f / 3, 0}},
    {"Right", 0, {5 - 2.0f / 3, 1 + 2.0f / 3, 0}},
    {"Left", 10, {-6 + 2.0f / 3, 1 + 2.0f / 3, 0}},
    {"Right", 5, {5 - 2.0f / 3, 3 + 2.0f / 3, 0}},
    {"Right", 10, {5 - 2.0f / 3, 5 + 2.0f / 3, 0}},
};

TEST_F(Models, AMeshReferencedFromTwoFramesIsPlacedAndAnimatedUnderEach) {
    StartAll(d3d9test::Backend::Null);
    const std::string text = modeltest::ReferencedMeshFile();
    CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    ASSERT_NE(model, nullptr) << Log();
    EXPECT_EQ(FrameNames(model), (std::vector<std::string>{"Body", "Left", "Right"}));
    ASSERT_EQ(model->GetMeshCount(), 3u);
    std::set<CBaseMesh*> instances(model->GetMeshArray(), model->GetMeshArray() + 3);
    EXPECT_EQ(instances.size(), 3u) << "each reference is a mesh of its own";
    const CMatrix identity;
    for (const Placement& p : kReferencedPlacements) {
        SCOPED_TRACE(std::string(p.frame) + " at " + std::to_string(p.time));
        model->Animate(p.time, p.time, 1);
        model->UpdateTransform(&identity);
        const D3DXVECTOR3 at = PlacedCentroid(model, p.frame);
        EXPECT_NEAR(at.x, p.centroid.x, 1e-5);
        EXPECT_NEAR(at.y, p.centroid.y, 1e-5);
        EXPECT_NEAR(at.z, p.centroid.z, 1e-5);
    }
    model->Release();
}

// A frame's tree as text: name, "@x" for a move along x, "*" for a mesh, then
// the child frames in brackets.
std::string Tree(CFrame* frame) {
    std::string out = frame->GetName();
    if (frame->GetBaseMatrix()._41 != 0) out += "@" + std::to_string(int(frame->GetBaseMatrix()._41));
    if (frame->GetMesh()) out += "*";
    std::string children;
    for (CBaseObject* c = frame->GetChildFrames().First(); c; c = frame->GetChildFrames().Next(c))
        children += (children.empty() ? "" : " ") + Tree(static_cast<CFrame*>(c));
    return children.empty() ? out : out + "(" + children + ")";
}

// A reference to a frame inside a frame places a copy of that frame, its
// subtree and meshes there; only one naming the frame itself or a frame around
// it is skipped, since that copy would never end.
TEST_F(Models, AReferencedFrameIsCopiedAndOnlyALoopIsSkipped) {
    StartAll(d3d9test::Backend::Null);
    const std::string mesh = "Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }";
    const std::string moved = "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 3,0,0,1;; }";
    struct Case {
        std::string text;
        const char* tree;  // the roots' trees, one space apart
        uint32_t frames, meshes;
    };
    const Case cases[] = {
        {"Frame Arm { " + moved + mesh + " } Frame Holder { { Arm } }", "Arm@3* Holder(Arm@3*)", 3, 2},
        {"Frame Root { Frame Arm { Frame Hand { " + mesh + " } } Frame Holder { { Arm } } }",
         "Root(Arm(Hand*) Holder(Arm(Hand*)))", 6, 2},
        {"Frame Holder { { Arm } } Frame Arm { " + mesh + " }", "Holder(Arm*) Arm*", 3, 2},
        {"Frame A { Frame B { { A } " + mesh + " } }", "A(B*)", 2, 1},
        {"Frame A { Frame B { Frame C { { A } { B } { C } } } }", "A(B(C))", 3, 0},
        {"Frame A { { B } } Frame B { { A } }", "A(B) B(A)", 4, 0},
        {"Frame A { Frame B { } { B } }", "A(B B)", 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CModel* model = FromText(c.text);
        ASSERT_NE(model, nullptr) << Log();
        std::string trees;
        for (CBaseObject* r = model->GetRootFrames().First(); r; r = model->GetRootFrames().Next(r))
            trees += (trees.empty() ? "" : " ") + Tree(static_cast<CFrame*>(r));
        EXPECT_EQ(trees, c.tree);
        EXPECT_EQ(model->GetFrameCount(), c.frames);
        EXPECT_EQ(model->GetMeshCount(), c.meshes);
        model->Release();
    }
}

// Each set's animations are bound by the frames' names (the one name rule of the
// engine objects): a frame takes the first animation of its name in any case.
TEST_F(Models, AFrameTakesTheFirstAnimationOfItsNameInEitherCase) {
    StartAll(d3d9test::Backend::Null);
    auto animation = [](const char* target, int x) {
        const std::string key = std::to_string(x) + ",0,0;;";
        return "Animation { Frame " + std::string(target) + " { } AnimationKey { 2; 2; 0;3;" + key + ", 9;3;" + key +
               "; } }\n";
    };
    for (const auto& [first, second] : {std::pair{"bone", "BONE"}, std::pair{"BONE", "Bone"}}) {
        SCOPED_TRACE(std::string(first) + " before " + second);
        CModel* model = FromText("Frame Other { }\nFrame Bone { }\nAnimationSet S {\n" + animation(first, 1) +
                                 animation(second, 2) + animation("other", 3) + "}");
        ASSERT_NE(model, nullptr) << Log();
        ASSERT_EQ(model->GetAnimationSetCount(), 1u);
        const CBaseObject* want = model->GetAnimationSet(0)->GetChild();
        CFrame* bone = model->GetFrame(uint32_t(model->FindFrame("bone")));
        CBaseObject* bound = nullptr;
        ASSERT_TRUE(bone->GetAnimation(0, &LibModel::kClassAnimationSet, &bound));
        EXPECT_EQ(bound, want);
        if (bound) bound->Release();
        EXPECT_EQ(bone->GetLocalMatrix()._41, 1.0f);  // posed by the first
        EXPECT_EQ(model->GetFrame(uint32_t(model->FindFrame("OTHER")))->GetLocalMatrix()._41, 3.0f);
        model->Release();
    }
}

using testsupport::Sjis;

// Frames <p>0 to <p><n-1>, each naming the next `copies` times; the last holds `last`.
std::string Named(const std::string& p, uint32_t n, uint32_t copies, const std::string& last) {
    std::string text;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        text += "Frame " + p + std::to_string(i) + " {";
        for (uint32_t c = 0; c < copies; ++c) text += " {" + p + std::to_string(i + 1) + "}";
        text += " }\n";
    }
    return text + "Frame " + p + std::to_string(n - 1) + " { " + last + " }\n";
}

// A tree `levels` deep from its first root: nesting written out 64 levels at a
// time (the parser's own limit), each run naming the next from its innermost frame.
std::string Deep(uint32_t levels) {
    std::string text;
    for (uint32_t run = 0; run * 64 < levels; ++run) {
        const uint32_t n = std::min(64u, levels - run * 64);
        for (uint32_t i = 0; i < n; ++i) text += "Frame D" + std::to_string(run) + "_" + std::to_string(i) + " { ";
        if (levels > (run + 1) * 64) text += "{D" + std::to_string(run + 1) + "_0} ";
        text += std::string(n, '}') + "\n";
    }
    return text;
}

// A root frame holding k items, after `before`.
std::string Root(uint32_t k, const std::string& item, const std::string& before = "") {
    std::string text = before + "Frame R {";
    for (uint32_t i = 0; i < k; ++i) text += " " + item;
    return text + " }\n";
}

// n copies of item, between each two.
std::string Repeat(const std::string& item, uint32_t n, const std::string& between = " ") {
    std::string out;
    for (uint32_t i = 0; i < n; ++i) out += (i ? between : "") + item;
    return out;
}

// One weight list, one rotation table, one mesh in triangles, named refs times from one mesh, set or frame.
std::string SharedWeights(uint32_t weights, uint32_t refs) {
    const std::string n = std::to_string(weights);
    return "SkinWeights W { \"B\"; " + n + "; " + Repeat("0", weights, ",") + "; " + Repeat("1", weights, ",") +
           "; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\nFrame B { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; " +
           Repeat("{W}", refs) + " } }\n";
}
std::string SharedKeys(uint32_t keys, uint32_t refs) {
    std::string table;
    for (uint32_t i = 0; i < keys; ++i) table += (i ? "," : "") + std::to_string(i) + ";4;1,0,0,0;;";
    return "Frame F { }\nAnimation A { {F} AnimationKey { 0; " + std::to_string(keys) + "; " + table +
           "; } }\nAnimationSet S { " + Repeat("{A}", refs) + " }\n";
}
// One mesh of triangles over its vertices in turn, with a normal and a texture
// coordinate for each vertex, as a binary file (megabytes of text take seconds
// to read under the sanitizers).
std::string Dense(uint32_t vertices, uint32_t triangles) {
    std::string out = "xof 0303bin 0032";
    auto u16 = [&](uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    auto u32 = [&](uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto open = [&](const std::string& name) {
        u16(1), u32(uint32_t(name.size())), out += name, u16(10);  // a name, then {
    };
    auto floats = [&](uint32_t count, float every, float third) {
        u16(7), u32(count);
        for (uint32_t i = 0; i < count; ++i) {
            const float f = i % 3 == 2 ? third : every;
            out.append(reinterpret_cast<const char*>(&f), 4);
        }
    };
    auto ints = [&](uint32_t count, const std::function<uint32_t(uint32_t)>& at) {
        u16(6), u32(count);
        for (uint32_t i = 0; i < count; ++i) u32(at(i));
    };
    auto counted = [&](uint32_t n) { ints(1, [n](uint32_t) { return n; }); };
    auto faces = [&] {
        ints(1 + 4 * triangles, [&](uint32_t i) {
            return i == 0 ? triangles : (i - 1) % 4 == 0 ? 3u : ((i - 1) / 4 + (i - 1) % 4 - 1) % vertices;
        });
    };
    open("Frame");
    open("Mesh");
    counted(vertices), floats(3 * vertices, 0, 0), faces();
    open("MeshNormals");
    counted(vertices), floats(3 * vertices, 0, 1), faces(), u16(11);
    open("MeshTextureCoords");
    counted(vertices), floats(2 * vertices, 0, 0), u16(11);
    u16(11), u16(11);
    return out;
}
std::string SharedMesh(uint32_t vertices, uint32_t refs) {
    std::string faces;
    for (uint32_t i = 0; i + 2 < vertices; i += 3)
        faces += (i ? ",3;" : "3;") + std::to_string(i) + "," + std::to_string(i + 1) + "," +
                 std::to_string(i + 2) + ";";
    return "Mesh Big { " + std::to_string(vertices) + "; " + Repeat("0;0;0;", vertices, ",") + "; " +
           std::to_string(vertices / 3) + "; " + faces + "; }\nFrame R { " + Repeat("{Big}", refs) + " }\n";
}

// A compressed text file of head, count copies of unit, and tail, never held whole.
std::string Zipped(const std::string& head, const std::string& unit, uint64_t count, const std::string& tail = "") {
    const std::string text = "xof 0303txt 0032\n" + head;
    const uint64_t units = text.size() - 16, end = units + unit.size() * count;
    uint64_t at = 0;
    auto next = [&](std::string* out, size_t n) {
        for (size_t k; n > 0; at += k, n -= k) {
            const std::string& from = at < units ? text : at < end ? unit : tail;
            const size_t in = size_t(at < units ? 16 + at : at < end ? (at - units) % unit.size() : at - end);
            k = std::min(n, from.size() - in);
            out->append(from, in, k);
        }
    };
    return xtest::CompressBody("xof 0303tzip0032", end + tail.size(), 32768 / unit.size() * unit.size(), next);
}

static_assert(KESTRA_XFILE_MAX_HELD == SIZE_T(16) << 20);  // written out, not taken from the product

// Frame references copy subtrees, so a small file can ask for millions of
// frames. A load past any of the loader's limits is refused, with one line
// naming the file and the limit, having built no more than the limits allow;
// at each limit the model loads.
TEST_F(Models, AFileAskingForMoreThanTheLimitsIsRefusedWithOneLine) {
    StartAll(d3d9test::Backend::Null);
    using L = Limits;
    const std::string mesh = "Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }";
    const std::string matrix = "FrameTransformMatrix T { 1,0,0,0, 0,1,0,0, 0,0,1,0, 3,0,0,1;; }\n";
    const std::string frames = Sjis(u8"フレーム数"), depth = Sjis(u8"フレームの深さ"), meshes = Sjis(u8"メッシュ数"),
                      elements = Sjis(u8"メッシュの頂点数と面数"), objects = Sjis(u8"オブジェクト数"),
                      values = Sjis(u8"数値の個数"), bytes = Sjis(u8"展開後のファイルの大きさ"),
                      held = Sjis(u8"Xファイルから読み込むデータの大きさ"), materials = Sjis(u8"マテリアル数"),
                      sets = Sjis(u8"アニメーションセット数"), keys = Sjis(u8"１つのキーテーブルのキー数");
    // A top-level mesh of 2047 vertices and a face, read again for each reference.
    std::string big = "Mesh Big { 2047;";
    for (int i = 0; i < 2047; ++i) big += " 0;0;" + std::to_string(i) + (i < 2046 ? ";," : ";;");
    big += " 1; 3;0,1,2;; }\n";
    // Compressed to exactly `total` bytes once inflated.
    auto padded = [](uint32_t total) {
        return Zipped("Frame F { }\n", std::string(64, ' '), (total - 29) / 64, std::string((total - 29) % 64, ' '));
    };
    // Objects the reader keeps exactly `extra` bytes past its bound (a template, a frame, then plain objects).
    auto kept = [](uint32_t extra) {
        const size_t rest = KESTRA_XFILE_MAX_HELD - sizeof(xfile::Template) - 2 - sizeof(xfile::Data);
        return "template A { <11111111-2222-3333-4444-555555555555> }\nFrame F { }\n" +
               Repeat("A{}", uint32_t(rest / sizeof(xfile::Data) - 1), "") + "A " +
               std::string(rest % sizeof(xfile::Data) + extra, 'a') + "{}";
    };
    auto listed = [](uint32_t n) {
        return "Material M { 1;1;1;1;; 8; 0;0;0;; 0;0;0;; }\nFrame F { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
               "MeshMaterialList { " + std::to_string(n) + "; 1; 0;; " + Repeat("{M}", n) + " } } }\n";
    };
    const auto zip = [](const std::string& text) { return xtest::Compress("xof 0303txt 0032\n" + text, false, 32768); };
    struct Case {
        std::string text, limit;  // the limit's name in the line; empty: the model loads
        uint32_t value;
    };
    const Case cases[] = {
        {Named("F", 26, 2, ""), frames, L::kMaxFrames},  // 25 frames each naming the next twice
        {Named("F", 26, 2, mesh), meshes, L::kMaxMeshes},
        {Named("C", 10000, 1, ""), depth, L::kMaxDepth},
        {Deep(L::kMaxDepth), "", 0},
        {Deep(L::kMaxDepth + 1), depth, L::kMaxDepth},
        {Root(L::kMaxFrames - 1, "Frame { }"), "", 0},
        {Root(L::kMaxFrames, "Frame { }"), frames, L::kMaxFrames},
        {Root(L::kMaxMeshes, "Frame { " + mesh + " }"), "", 0},
        {Root(L::kMaxMeshes + 1, "Frame { " + mesh + " }"), meshes, L::kMaxMeshes},
        {Root(L::kMaxMeshElements / 2048 - 1, "{Big}", big), "", 0},
        {Root(L::kMaxMeshElements / 2048, "{Big}", big), elements, L::kMaxMeshElements},
        {Root(L::kMaxObjects, "{T}", matrix), "", 0},
        {Root(L::kMaxObjects + 1, "{T}", matrix), objects, L::kMaxObjects},
        // References read again: weights, keys and meshes named over and over, a mesh inflated from a little.
        {SharedWeights(8000, 4000), values, L::kMaxValues},
        {zip(SharedWeights(20000, 20000)), values, L::kMaxValues},
        {zip(SharedKeys(L::kMaxKeys + 1, 20000)), keys, L::kMaxKeys},
        {Zipped("Mesh Big { 20000000; ", Repeat("0;0;0;", 1000, ",") + ",", 20000, "; 1; 3;0,1,2;; }"), bytes,
         L::kMaxFileBytes},
        {SharedMesh(70002, 255), elements, L::kMaxMeshElements},
        {SharedKeys(1365, 512), "", 0},  // 8,192 values a read
        {SharedKeys(1365, 513), values, L::kMaxValues},
        {Dense(60000, 100000), "", 0},  // 1,280,005 values, 160,000 vertices and triangles
        {SharedKeys(3600, 1), "", 0},  // a minute baked at 60 keys a second
        {SharedKeys(L::kMaxKeys, 1), "", 0},
        {SharedKeys(L::kMaxKeys + 1, 1), keys, L::kMaxKeys},
        {SharedMesh(70002, 1), "", 0},  // 93,336 vertices and triangles a read; too many vertices to build
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 262143;" + Repeat("0", 262143, ",") + ";, 3;0,1,2;; }", elements,
         L::kMaxMeshElements},  // a long face's triangles, and one past them in a triangle
        {"Frame F { }\nAnimation A { }\nAnimationSet S { " + Repeat("{A}", L::kMaxObjects) + " }", "", 0},
        {"Frame F { }\nAnimation A { }\nAnimationSet S { " + Repeat("{A}", L::kMaxObjects + 1) + " }", objects,
         L::kMaxObjects},
        {listed(L::kMaxMaterials), "", 0},
        {listed(L::kMaxMaterials + 1), materials, L::kMaxMaterials},
        {"Frame F { }\n" + Repeat("AnimationSet { }", L::kMaxSets), "", 0},
        {"Frame F { }\n" + Repeat("AnimationSet { }", L::kMaxSets + 1), sets, L::kMaxSets},
        {padded(L::kMaxFileBytes), "", 0},
        {padded(L::kMaxFileBytes + 1), bytes, L::kMaxFileBytes},
        {kept(0), "", 0},
        {kept(1), held, uint32_t(KESTRA_XFILE_MAX_HELD)},
    };
    // One loader for every file: each load answers for itself alone.
    LibModel::CXFileLoader loader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 100));
        Kestra::CloseLog();
        ASSERT_TRUE(Kestra::OpenLog("objects"));
        const std::string text = c.text.rfind("xof ", 0) == 0 ? c.text : "xof 0303txt 0032\n" + c.text;
        const bool loaded = loader.LoadFromMemory(text.data(), uint32_t(text.size()), 1, 1, KestraModelEx::GetManager());
        EXPECT_EQ(loaded, c.limit.empty());
        EXPECT_LE(loader.GetFrameCount(), L::kMaxFrames);
        EXPECT_LE(loader.GetMeshCount(), L::kMaxMeshes);
        EXPECT_EQ(loader.GetValueCount() > L::kMaxValues, c.limit == values);
        if (c.limit == bytes || c.limit == held) {
            EXPECT_EQ(loader.GetValueCount() + loader.GetFrameCount(), 0u) << "nothing read";
        }
        CModel* model = nullptr;
        EXPECT_EQ(loader.GetModel(&model), loaded);
        if (model) model->Release();
        EXPECT_EQ(Count(Sjis(u8"モデルの読み込みを中止")), c.limit.empty() ? 0 : 1);
        if (c.limit.empty()) continue;
        EXPECT_EQ(Count(Sjis(u8"モデルの読み込みを中止 [ メモリ上のデータ ] : ") + c.limit + Sjis(u8"が上限 ") +
                        std::to_string(c.value) + Sjis(u8" を超えます")),
                  1);
    }
    // Through the model manager: no model, and the line names the file.
    const std::string file = dir_.file("doubling.x");
    testsupport::WriteFile(file, "xof 0303txt 0032\n" + Named("F", 26, 2, ""));
    EXPECT_EQ(KestraModelEx::CreateFromFile(file.c_str(), 1, 1, 0, 0), nullptr);
    EXPECT_EQ(Count(Sjis(u8"モデルの読み込みを中止 [ ") + file + " ]"), 1);
    EXPECT_EQ(Count("Success!"), 0);
}

// A skinned mesh binds each bone to the nearest frame of its name: in its own
// subtree, then in the nearest one around it, then anywhere in the model; so a
// copied subtree moves with its own copies of the bones.
TEST_F(Models, ASkinnedMeshInACopyBindsToTheCopysBones) {
    StartAll(d3d9test::Backend::Null);
    const std::string mesh = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; ",
                      weights = "SkinWeights { \"Bone\"; 3; 0,1,2; 1,1,1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } ",
                      body = "Frame Body { Frame Bone { } Frame Skin { " + mesh + weights + "} } }\n";
    struct Case {
        std::string text;
        std::vector<uint32_t> bones;  // per mesh, the frame (in pre-order) its bone follows
        uint32_t perMesh = 1;
    };
    const uint32_t most = Limits::kMaxBones;
    const Case cases[] = {
        {body + "Frame Holder { {Body} }", {1, 5}},
        {"Frame Holder { {Body} }\n" + body, {2, 5}},
        {body + "Frame Holder { {Skin} }", {1, 1}},  // a copy without the bone
        {body + "Frame Other { Frame Bone { } Frame Holder { {Skin} } }", {1, 4}},
        {"Frame Bone { " + mesh + Repeat(weights, most) + "} }", {0}, most},
        {"Frame Bone { " + mesh + Repeat(weights, most + 1) + "} }", {}},  // a mesh with too many is left out
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CModel* model = FromText(c.text);
        ASSERT_NE(model, nullptr) << Log();
        ASSERT_EQ(model->GetMeshCount(), c.bones.size());
        for (uint32_t i = 0; i < c.bones.size(); ++i) {
            auto* skin = dynamic_cast<CSkinMesh*>(model->GetMeshArray()[i]);
            ASSERT_TRUE(skin && skin->GetBoneCount() == c.perMesh);
            for (uint32_t b = 0; b < c.perMesh; ++b)
                EXPECT_EQ(skin->GetBoneMatrix(b), model->GetFrame(c.bones[i])->GetWorldMatrix()) << "mesh " << i;
        }
        model->Release();
    }
}

TEST_F(Models, MoreVerticesThanSixteenBitIndicesReachAreRefusedWithALine) {
    StartAll(d3d9test::Backend::Null);
    const DWORD vertices = 70002, faces = vertices / 3;
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(faces, vertices, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_NORMAL,
                                Device(), &raw),
              D3D_OK);
    xtest::Com<ID3DXMesh> mesh(raw);
    DWORD* idx = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx)), D3D_OK);
    for (DWORD i = 0; i < faces * 3; ++i) idx[i] = i;
    mesh->UnlockIndexBuffer();
    float* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v)), D3D_OK);
    for (DWORD i = 0; i < vertices; ++i) {
        v[i * 6 + 0] = float(i % 3);
        v[i * 6 + 1] = float(i / 3);
        v[i * 6 + 2] = float((i % 7) == 0);
    }
    mesh->UnlockVertexBuffer();
    auto* m = new LibModel::CMesh(1, 1);
    m->AddChild(new LibModel::CMaterial);
    EXPECT_FALSE(m->LoadMesh(mesh.get(), nullptr, nullptr));
    EXPECT_EQ(Count(testsupport::Utf8ToCp932(reinterpret_cast<const char*>(u8"頂点数が多すぎます [ 70002 ]"))), 1) << Log();
    EXPECT_EQ(m->GetVertexBuffer(), nullptr);
    m->Release();
}

TEST_F(Models, AMeshWhoseBuffersCannotBeMadeFailsToLoadRigidOrSkinned) {
    StartAll(d3d9test::Backend::Null);
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, fvf, Device(), &raw), D3D_OK);
    xtest::Com<ID3DXMesh> mesh(raw);
    ID3DXSkinInfo* rawSkin = nullptr;
    ASSERT_EQ(D3DXCreateSkinInfoFVF(3, fvf, 1, &rawSkin), D3D_OK);
    xtest::Com<ID3DXSkinInfo> skin(rawSkin);
    for (const char* fault : {"", "CreateVertexBuffer", "CreateIndexBuffer"})
        for (int skinned = 0; skinned < 2; ++skinned) {
            if (*fault) platform::InjectFault(fault);
            LibModel::CBaseMesh* m = skinned ? static_cast<LibModel::CBaseMesh*>(new CSkinMesh(1, 1))
                                             : new LibModel::CMesh(1, 1);
            m->AddChild(new LibModel::CMaterial);
            EXPECT_EQ(m->LoadMesh(mesh.get(), skinned ? skin.get() : nullptr, nullptr), !*fault) << fault << skinned;
            platform::ClearFaults();
            m->Release();
        }
}

// ---- Drawing -----------------------------------------------------------------------

struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
    void Add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

Bounds Silhouette(const d3d9test::Image& image) {
    Bounds b;
    for (UINT y = 0; y < image.height; ++y)
        for (UINT x = 0; x < image.width; ++x)
            if (image.at(x, y) & 0xFFFFFF) b.Add(int(x), int(y));
    return b;
}

// Where the skinned vertices land on a 640x480 screen: each vertex moved by
// its combination's palette as the effect moves it, then projected.
Bounds ProjectedBounds(CModel* model, const CMatrix& viewProjection) {
    Bounds b;
    for (uint32_t m = 0; m < model->GetMeshCount(); ++m) {
        auto* skin = dynamic_cast<CSkinMesh*>(model->GetMeshArray()[m]);
        if (!skin) continue;
        const ModelVertex* verts = skin->GetVertexBuffer()->GetData();
        const uint16_t* idx = skin->GetIndexBuffer()->GetData();
        CMatrix world;
        skin->GetWorldMatrixCopy(&world);
        const uint32_t stored = skin->GetMaxInfluences() <= 2 ? 1 : skin->GetMaxInfluences() - 1;
        for (uint32_t c = 0; c < skin->GetCombinationCount(); ++c) {
            const D3DXBONECOMBINATION& combo = skin->GetCombinations()[c];
            for (uint32_t f = combo.FaceStart; f < combo.FaceStart + combo.FaceCount; ++f)
                for (int k = 0; k < 3; ++k) {
                    const ModelVertex& v = verts[idx[f * 3 + k]];
                    float weights[4] = {};
                    float last = 1.0f;
                    for (uint32_t w = 0; w < stored; ++w) {
                        weights[w] = v.weights[w];
                        last -= v.weights[w];
                    }
                    weights[stored] = last;
                    D3DXVECTOR3 p(0, 0, 0);
                    const D3DXVECTOR3 in(v.position0[0], v.position0[1], v.position0[2]);
                    for (uint32_t w = 0; w <= stored; ++w) {
                        const DWORD bone = combo.BoneId[v.indices[w]];
                        CMatrix palette = world;
                        if (bone != 0xFFFFFFFFu && skin->GetBoneMatrix(bone)) {
                            D3DXMATRIX offset = *skin->GetOffsetMatrix(bone);
                            D3DXMatrixMultiply(&palette, &offset, skin->GetBoneMatrix(bone));
                        }
                        D3DXVECTOR3 moved;
                        D3DXVec3TransformCoord(&moved, &in, &palette);
                        p += moved * weights[w];
                    }
                    D3DXVECTOR3 ndc;
                    D3DXVec3TransformCoord(&ndc, &p, &viewProjection);
                    b.Add(int(std::floor((ndc.x + 1) * 320.0f)), int(std::floor((1 - ndc.y) * 240.0f)));
                }
        }
    }
    return b;
}

class ModelsGl : public Models {
protected:
    void InGl(const std::function<void()>& body) {
        EXPECT_EQ(objtest::InDisplayChild([&] {
                      StartAll(d3d9test::Backend::GL);
                      body();
                      FinishDevice();
                  }),
                  0);
    }
    // The game's camera (60 degrees, 4:3, near 1, far 1000) looking at the model's bounds from the front.
    CMatrix AimCamera(CModel* model) {
        CVector3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
        for (uint32_t m = 0; m < model->GetMeshCount(); ++m) {
            CVector3 a, b;
            model->GetMeshArray()[m]->GetBoundingBox(&a, &b, nullptr);
            lo.Set(std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z));
            hi.Set(std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z));
        }
        const CVector3 centre((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
        const float radius = float((hi - lo).Length()) / 2;
        return LookFrom(CVector3(centre.x, centre.y, centre.z - radius * 2.5f), centre);
    }
    // The game's camera at eye looking at centre; answers its view x projection.
    CMatrix LookFrom(const CVector3& eye, const CVector3& centre) {
        const int32_t camera = KestraCamera::Create();
        KestraCamera::SetProjection(camera, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);
        KestraCamera::Reset(camera);
        KestraCamera::LookAt(camera, &eye, &centre, nullptr);
        KestraCamera::Update(camera);
        Kestra3D::SetCamera(camera);
        CMatrix projection, view, viewProjection, inverse;
        KestraCamera::GetCurrentMatrices(&projection, &view, &viewProjection, &inverse);
        return viewProjection;
    }
    d3d9test::Image DrawAt(CModel* model, float time) {
        model->Animate(time, time, 1);
        const CMatrix identity;
        model->UpdateTransform(&identity);
        IDirect3DDevice9* device = Device();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
        device->BeginScene();
        EXPECT_GT(model->Draw(), 0u);
        device->EndScene();
        return d3d9test::ReadRenderTarget(device);
    }
};

TEST_F(ModelsGl, AWalkCycleDrawsWhereItsBonesPutItAndSurvivesAReset) {
    InGl([&] {
        CModel* model = Load("Testwuson.X");
        ASSERT_NE(model, nullptr);
        ASSERT_TRUE(model->SetShader(-1, 0));
        const int32_t walk = model->FindAnimationSet("Wuson_Run");
        ASSERT_GE(walk, 0);
        model->SetDisableFlags(0, 0xFF, -1);
        for (uint32_t f = 0; f < model->GetFrameCount(); ++f) model->GetFrame(f)->SetAnimationBlend(walk, walk, 0);
        const CMatrix viewProjection = AimCamera(model);
        const float length = float(model->GetAnimationLength(walk));
        const auto first = DrawAt(model, length * 0.25f);
        const Bounds drawn = Silhouette(first);
        const Bounds expected = ProjectedBounds(model, viewProjection);
        ASSERT_FALSE(drawn.Empty());
        EXPECT_NEAR(drawn.left, expected.left, 2);
        EXPECT_NEAR(drawn.right, expected.right, 2);
        EXPECT_NEAR(drawn.top, expected.top, 2);
        EXPECT_NEAR(drawn.bottom, expected.bottom, 2);

        const auto second = DrawAt(model, length * 0.75f);
        size_t differ = 0;
        for (size_t i = 0; i < first.pixels.size(); ++i) differ += (first.pixels[i] != second.pixels[i]);
        EXPECT_GT(differ, 100u) << "two times of the cycle give two poses";

        d3d9test::LoseDevice(Device(), 0);
        Kestra3D::Present(nullptr);
        ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
        const auto again = DrawAt(model, length * 0.25f);
        EXPECT_EQ(again.pixels, first.pixels);
        model->Release();
    });
}


TEST_F(ModelsGl, EveryInstanceOfAReferencedMeshShowsWhereItsFramePutsIt) {
    InGl([&] {
        const std::string text = modeltest::ReferencedMeshFile();
        CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
        ASSERT_NE(model, nullptr) << Log();
        ASSERT_TRUE(model->SetShader(-1, 0));
        const CMatrix viewProjection = LookFrom(CVector3(0, 0, -20), CVector3(0, 0, 0));
        const auto pixelAt = [&](const d3d9test::Image& image, const D3DXVECTOR3& p) {
            D3DXVECTOR3 ndc;
            D3DXVec3TransformCoord(&ndc, &p, &viewProjection);
            return image.at(UINT(std::floor((ndc.x + 1) * 320.0f)), UINT(std::floor((1 - ndc.y) * 240.0f))) &
                   0xFFFFFF;
        };
        for (float time : {0.0f, 10.0f}) {
            SCOPED_TRACE(time);
            const d3d9test::Image image = DrawAt(model, time);
            for (const Placement& p : kReferencedPlacements) {
                const bool now = p.time == time || std::string(p.frame) == "Body";
                if (now) {
                    EXPECT_NE(pixelAt(image, p.centroid), 0u) << p.frame << " at " << p.time;
                } else if (std::string(p.frame) == "Right") {
                    // Where the rising instance stands at another time stays empty.
                    EXPECT_EQ(pixelAt(image, p.centroid), 0u) << p.frame << " at " << p.time;
                }
            }
        }
        model->Release();
    });
}

TEST_F(ModelsGl, ARigidMeshOutsideTheViewIsSkippedAndOneCrossingItsEdgeIsDrawn) {
    InGl([&] {
        CModel* model = Load("kwxport_test_cubewithvcolors.x");
        ASSERT_NE(model, nullptr);
        ASSERT_NE(dynamic_cast<LibModel::CMesh*>(model->GetMeshArray()[0]), nullptr);
        ASSERT_TRUE(model->SetShader(-1, 0));
        AimCamera(model);
        CVector3 lo, hi;
        model->GetMeshArray()[0]->GetBoundingBox(&lo, &hi, nullptr);
        const float width = hi.x - lo.x;
        IDirect3DDevice9* device = Device();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        // The model moved by (shift, 0, depth) widths: what Draw reports and what shows.
        const auto drawShifted = [&](float shift, uint32_t* drawn, float depth = 0) {
            CMatrix world;
            D3DXMatrixTranslation(&world, shift * width, 0, depth * width);
            model->UpdateTransform(&world);
            EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
            device->BeginScene();
            *drawn = model->Draw();
            device->EndScene();
            return Silhouette(d3d9test::ReadRenderTarget(device));
        };
        uint32_t drawn = 0;
        const Bounds centred = drawShifted(0, &drawn);
        ASSERT_FALSE(centred.Empty());
        EXPECT_GT(drawn, 0u);
        // Far to the right and far behind the camera: nothing submitted, nothing shown.
        EXPECT_TRUE(drawShifted(40, &drawn).Empty());
        EXPECT_EQ(drawn, 0u);
        drawShifted(0, &drawn, -50);
        EXPECT_EQ(drawn, 0u);
        // Walking right: once part of the box is out of view the rest still draws,
        // up to the right edge.
        float shift = 0;
        Bounds edge;
        for (; shift < 40; shift += 0.25f) {
            edge = drawShifted(shift, &drawn);
            if (edge.Empty() || edge.right >= 639) break;
        }
        ASSERT_FALSE(edge.Empty()) << "the mesh left the view before reaching its edge";
        EXPECT_GT(drawn, 0u);
        EXPECT_EQ(edge.right, 639);
        EXPECT_LT(edge.left, 639);
        model->Release();
    });
}

}  // namespace
