// A model's frames and mesh instances against an independent importer
// (libassimp, test-only). The importer knows no references inside a frame, so
// it reads the same file with each reference written out in place; both must
// give the same tree, transforms and placed triangles. Its scene is
// right-handed (z mirrored, column vectors): see the X reader's oracle.
#include <assimp/cimport.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/engine/graphics/model_test_env.h"

namespace {

using LibModel::CFrame;
using LibModel::CModel;

const float kSign[4] = {1, 1, -1, 1};

struct Placed {
    std::string parent;
    CMatrix base;
    uint32_t meshes = 0;
    D3DXVECTOR3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    void Add(const D3DXVECTOR3& p) {
        D3DXVec3Minimize(&lo, &lo, &p);
        D3DXVec3Maximize(&hi, &hi, &p);
    }
};

void CollectOurs(CFrame* frame, const std::string& parent, std::map<std::string, Placed>* out) {
    Placed& p = (*out)[frame->GetName()];
    p.parent = parent;
    p.base = frame->GetBaseMatrix();
    if (LibModel::CBaseMesh* mesh = frame->GetMesh()) {
        ++p.meshes;
        CMatrix world;
        mesh->GetWorldMatrixCopy(&world);
        const LibModel::ModelVertex* v = mesh->GetVertexBuffer()->GetData();
        for (uint32_t i = 0; i < mesh->GetVertexBuffer()->GetCount(); ++i) {
            const D3DXVECTOR3 local(v[i].position0[0], v[i].position0[1], v[i].position0[2]);
            D3DXVECTOR3 placed;
            D3DXVec3TransformCoord(&placed, &local, &world);
            p.Add(placed);
        }
    }
    for (CBaseObject* c = frame->GetChildFrames().First(); c; c = frame->GetChildFrames().Next(c))
        CollectOurs(static_cast<CFrame*>(c), frame->GetName(), out);
}

void CollectTheirs(const aiScene* scene, const aiNode* node, const std::string& parent, const aiMatrix4x4& above,
                   std::map<std::string, Placed>* out) {
    const std::string name = node->mName.C_Str();
    const aiMatrix4x4 global = above * node->mTransformation;
    Placed& p = (*out)[name];
    p.parent = parent;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) p.base.m[j][i] = kSign[i] * kSign[j] * node->mTransformation[i][j];
    for (unsigned k = 0; k < node->mNumMeshes; ++k) {
        ++p.meshes;
        const aiMesh* mesh = scene->mMeshes[node->mMeshes[k]];
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D w = global * mesh->mVertices[v];
            p.Add(D3DXVECTOR3(w.x, w.y, -w.z));
        }
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) CollectTheirs(scene, node->mChildren[i], name, global, out);
}

class ModelOracle : public modeltest::ModelTest {};

TEST_F(ModelOracle, AReferencedMeshGivesTheTreeOfTheMeshWrittenOutInPlace) {
    StartAll(d3d9test::Backend::Null);
    const std::string text = modeltest::ReferencedMeshFile();
    CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    ASSERT_NE(model, nullptr) << Log();
    std::map<std::string, Placed> ours;
    for (CBaseObject* r = model->GetRootFrames().First(); r; r = model->GetRootFrames().Next(r))
        CollectOurs(static_cast<CFrame*>(r), "", &ours);

    const std::string written = modeltest::ReferencedMeshFile(true);
    const aiScene* scene = aiImportFileFromMemory(written.data(), unsigned(written.size()), 0, "x");
    ASSERT_NE(scene, nullptr) << aiGetErrorString();
    std::map<std::string, Placed> theirs;
    CollectTheirs(scene, scene->mRootNode, "", aiMatrix4x4(), &theirs);
    aiReleaseImport(scene);

    ASSERT_EQ(ours.size(), theirs.size());
    for (const auto& [name, want] : theirs) {
        SCOPED_TRACE(name);
        auto it = ours.find(name);
        ASSERT_NE(it, ours.end());
        const Placed& got = it->second;
        EXPECT_EQ(got.parent, want.parent);
        for (int k = 0; k < 16; ++k) EXPECT_NEAR((&got.base._11)[k], (&want.base._11)[k], 1e-5) << k;
        EXPECT_EQ(got.meshes, want.meshes);
        if (!want.meshes) continue;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR((&got.lo.x)[k], (&want.lo.x)[k], 1e-5) << k;
            EXPECT_NEAR((&got.hi.x)[k], (&want.hi.x)[k], 1e-5) << k;
        }
    }
    model->Release();
}

}  // namespace
