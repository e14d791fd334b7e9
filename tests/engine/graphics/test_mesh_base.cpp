// The mesh base and the model's fan-out on the null device: material effect
// steps, bounds of flat meshes, segment hits, morph targets, disable flags,
// index rules, and the frame-hierarchy slot table.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CMesh.h"
#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "tests/engine/graphics/model_test_env.h"

namespace {

using LibModel::CBaseMesh;
using LibModel::CModel;

// Records what the material hands its effect.
class RecordingFx : public CShaderFx {
public:
    bool SetTexture(D3DXHANDLE handle, CTexture*) override {
        calls.push_back(std::string("texture ") + handle);
        return true;
    }
    bool SetVector(D3DXHANDLE handle, const D3DXVECTOR4* v) override {
        vectors[handle] = *v;
        calls.push_back(std::string("vector ") + handle);
        return true;
    }
    bool CommitChanges() override {
        calls.push_back("commit");
        return true;
    }
    std::vector<std::string> calls;
    std::map<std::string, D3DXVECTOR4> vectors;
};

class MeshBase : public modeltest::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        StartAll(d3d9test::Backend::Null);
    }
    static CModel* FromText(const std::string& text) {
        return KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    }
};

// Two quads in the plane y = 0 side by side, and a triangle mesh of another size
// with one vertex coloured.
const char kFlat[] = R"(xof 0303txt 0032
Frame Ground {
  Mesh Floor {
    6; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;, 2;0;0;, 2;0;1;;
    4; 3;0,2,1;, 3;0,3,2;, 3;1,2,5;, 3;1,5,4;;
    MeshMaterialList { 2; 4; 0,0,1,1;
      Material Grass { 0.5;0.5;0.5;1.0;; 0.0; 0;0;0;; 0.1;0;0;; }
      Material Stone { 1;1;1;1;; 0.0; 0;0;0;; 0;0;0;; } }
  }
  Frame Rock { Mesh Pebble { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshVertexColors { 1; 2; 1;0;0;0.5;;; } } }
}
)";

TEST_F(MeshBase, MaterialsFeedTheEffectTexturesAndColoursOnlyWhenTheFlagsAsk) {
    LibModel::CMaterial material;
    D3DMATERIAL9 m{};
    m.Diffuse = {0.5f, 0.25f, 1.0f, 0.75f};
    m.Emissive = {0.1f, 0, 0, 0};
    material.SetMaterial(&m);
    RecordingFx fx;
    const D3DXATTRIBUTERANGE range{0, 0, 2, 0, 4};
    EXPECT_EQ(material.Render(0x420, &fx, &range), 2u);
    const std::vector<std::string> expected = {"texture TextureStage0", "texture TextureStage1",
                                               "texture TextureStage2", "texture TextureStage3",
                                               "vector MaterialDiffuse", "vector MaterialAmbient", "commit"};
    EXPECT_EQ(fx.calls, expected);
    EXPECT_FLOAT_EQ(fx.vectors["MaterialDiffuse"].w, 0.75f);
    EXPECT_FLOAT_EQ(fx.vectors["MaterialAmbient"].x, 0.25f);  // 0.5 x 0.3 + 0.1
    EXPECT_FLOAT_EQ(fx.vectors["MaterialAmbient"].w, 1.0f);
    fx.calls.clear();
    EXPECT_EQ(material.Render(0, &fx, &range), 2u);
    EXPECT_EQ(fx.calls, std::vector<std::string>{"commit"});
    fx.calls.clear();
    const D3DXATTRIBUTERANGE empty{0, 0, 0, 0, 0};
    EXPECT_EQ(material.Render(0x420, &fx, &empty), 0u);
    EXPECT_TRUE(fx.calls.empty());
}

TEST_F(MeshBase, FlatBoundsHitsMorphTargetsAndMaterialNames) {
    CModel* model = FromText(kFlat);
    ASSERT_NE(model, nullptr) << Log();
    ASSERT_EQ(model->GetMeshCount(), 2u);
    CBaseMesh* floor = model->GetMeshArray()[model->FindMesh("FLOOR")];
    CBaseMesh* pebble = model->GetMeshArray()[model->FindMesh("pebble")];
    CVector3 lo, hi;
    floor->GetBoundingBox(&lo, &hi, nullptr);
    EXPECT_NEAR(hi.y - lo.y, 0.002f, 1e-6f);
    EXPECT_FLOAT_EQ(hi.x, 2.0f);
    EXPECT_EQ(floor->GetVertexBuffer()->GetData()[5].color, 0xFFFFFFFFu) << "white without vertex colours";
    for (uint32_t i = 0; i < 3; ++i) {  // the file's colour where it gives one
        const auto& v = pebble->GetVertexBuffer()->GetData()[i];
        EXPECT_EQ(v.color, v.position0[1] == 1.0f ? 0x80FF0000u : 0xFFFFFFFFu) << i;
    }

    // Materials: ambient from the loader, names found in any letter case.
    ASSERT_EQ(floor->GetMaterialCount(), 2u);
    EXPECT_EQ(floor->FindMaterialIndex("stone"), -1) << "X material names are not the engine's names";
    CBaseObject* first = nullptr;
    ASSERT_TRUE(floor->GetMaterial(0, &LibModel::kClassMaterial, &first));
    first->SetName("Grass");
    first->Release();
    EXPECT_EQ(floor->FindMaterialIndex("GRASS"), 0);
    EXPECT_FALSE(floor->GetMaterial(0, &LibModel::kClassFrame, &first));

    // A segment straight down through both quads of the floor at x = 1.5.
    EXPECT_EQ(floor->GetHitCount(), 0u);
    ASSERT_TRUE(floor->IntersectSegment(CVector3(1.5f, 5, 0.25f), CVector3(1.5f, -5, 0.25f), 0, 1));
    ASSERT_EQ(floor->GetHitCount(), 1u);
    CVector3 point, world, normal, worldNormal;
    ASSERT_TRUE(floor->GetHit(0, &point, &world, &normal, &worldNormal));
    EXPECT_NEAR(point.x, 1.5f, 1e-5f);
    EXPECT_NEAR(point.y, 0.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(normal.y), 1.0f, 1e-5f);
    EXPECT_FALSE(floor->IntersectSegment(CVector3(1.5f, 5, 0.25f), CVector3(1.5f, 1, 0.25f), 0, 0));
    EXPECT_TRUE(pebble->IntersectSegment(CVector3(0.25f, 0.25f, 1), CVector3(0.25f, 0.25f, -1), 0, 0))
        << "a mesh of three indices still keeps its hit";
    // A list filled to its capacity keeps every entry whole; one more is refused.
    auto* hits = new LibModel::CHitList(3);
    const auto entry = [](uint32_t i, int k) {
        return CVector3(float(i * 12 + 3 * k), float(i * 12 + 3 * k + 1), -1.0f - float(i));
    };
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(hits->Add(entry(i, 0), entry(i, 1), entry(i, 2), entry(i, 3)), i < 3);
    for (uint32_t i = 0; i < 3; ++i) {
        CVector3 got[4];
        ASSERT_TRUE(hits->Get(i, &got[0], &got[1], &got[2], &got[3]));
        for (int k = 0; k < 4; ++k) EXPECT_EQ(got[k], entry(i, k)) << i << ' ' << k;
    }
    EXPECT_FALSE(hits->Get(3, &point, nullptr, nullptr, nullptr));
    hits->Release();

    // Another vertex count: nothing copied.
    EXPECT_EQ(floor->CopyMorphTarget(pebble), pebble->GetVertexBuffer()->GetCount());
    EXPECT_EQ(floor->GetLayout(), 0u);
    EXPECT_FALSE(floor->IsMorphed());
    EXPECT_EQ(floor->CopyMorphTarget(floor), floor->GetVertexBuffer()->GetCount());
    EXPECT_TRUE(floor->IsMorphed());
    EXPECT_EQ(floor->GetVertexBuffer()->GetLayout(), 1u);

    floor->SetFlags(0x03, 0x03);
    floor->SetFlags(0xFC, 0x06);
    EXPECT_EQ(floor->GetFlags(), 0x05) << "masked bits take the value's, the rest stay";
    model->Release();
}

TEST_F(MeshBase, ModelIndexRulesAndDisabledDraws) {
    CModel* model = FromText(kFlat);
    ASSERT_NE(model, nullptr);
    const uint32_t count = model->GetMeshCount();
    model->SetDisableFlags(1, 1, int32_t(count));
    EXPECT_EQ(model->GetDisableFlags(0), 0) << "an index past the array addresses no mesh";
    model->SetDisableFlags(1, 1, -1);
    EXPECT_EQ(model->GetDisableFlags(0), 1);
    EXPECT_EQ(model->GetDisableFlags(1), 1);
    EXPECT_EQ(model->Draw(), 0u);
    EXPECT_TRUE(model->IsSkinned(-1));
    EXPECT_FALSE(model->IsSkinned(0));
    EXPECT_TRUE(model->SetMaterialAlpha(0.5f, int32_t(count), 1));
    for (uint32_t i = 0; i < count; ++i) {
        CBaseObject* material = nullptr;
        ASSERT_TRUE(model->GetMeshArray()[i]->GetMaterial(0, &LibModel::kClassMaterial, &material));
        EXPECT_FLOAT_EQ(static_cast<LibModel::CMaterial*>(material)->GetMaterial().Diffuse.a,
                        model->GetMeshArray()[i]->GetMaterialCount() > 1 ? 1.0f : 0.5f);
        material->Release();
    }
    // Mesh copies need both indices inside their arrays.
    for (const int32_t at : {-1, int32_t(count)})
        EXPECT_EQ(model->CopyMesh(at, model, 0) + model->CopyMesh(0, model, at), 0u) << at;
    EXPECT_EQ(model->CopyMesh(int32_t(count) - 1, model, int32_t(count) - 1),
              model->GetMeshArray()[count - 1]->GetVertexBuffer()->GetCount());
    CBaseObject* out = reinterpret_cast<CBaseObject*>(uintptr_t(1));
    EXPECT_FALSE(model->QueryObject(model->GetFrameCount(), &LibModel::kClassFrame, &out));
    EXPECT_EQ(out, reinterpret_cast<CBaseObject*>(uintptr_t(1)));
    ASSERT_TRUE(model->QueryObjectByName("ROCK", &LibModel::kClassFrame, &out));
    EXPECT_STREQ(out->GetName(), "Rock");
    out->Release();
    model->Release();
}

TEST(ModelSlots, ReleaseCountsDownAndFinalizeFreesEverySlotInUse) {
    ASSERT_TRUE(KestraModel::Initialize());
    EXPECT_FALSE(KestraModel::Release(-1));
    EXPECT_FALSE(KestraModel::Release(3));
    KestraModelSlot* slot = KestraModel::GetSlot(3);
    ASSERT_NE(slot, nullptr);
    slot->inUse = 1;
    slot->refCount = 2;
    slot->block = Kestra::MemoryAlloc(32);
    EXPECT_TRUE(KestraModel::Release(3));
    EXPECT_EQ(slot->inUse, 1);
    EXPECT_TRUE(KestraModel::Release(3));
    EXPECT_EQ(slot->inUse, 0);
    EXPECT_EQ(slot->block, nullptr);
    EXPECT_FALSE(KestraModel::Release(3));
    KestraModelSlot* kept = KestraModel::GetSlot(63);
    kept->inUse = 1;
    kept->refCount = 5;
    kept->block = Kestra::MemoryAlloc(16);  // freed by Finalize, or the leak checker objects
    EXPECT_EQ(KestraModel::GetSlot(64), nullptr);
    KestraModel::Finalize();
    EXPECT_FALSE(KestraModel::IsStarted());
}

}  // namespace
