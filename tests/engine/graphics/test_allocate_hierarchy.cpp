// The frame-hierarchy allocator: containers with normals, bounds, materials,
// texture names and bone tables; failures that leave nothing behind; and
// D3DXFrameDestroy handing every record back.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/graphics/CAllocateHierarchy.h"
#include "tests/engine/graphics/object_test_env.h"
#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

using xtest::Com;

class AllocateHierarchy : public objtest::LogTest {
protected:
    Com<ID3DXMesh> Triangle(DWORD fvf) {
        ID3DXMesh* m = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, fvf, nullptr, &m), S_OK);
        uint8_t* v = nullptr;
        m->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
        const float p[3][3] = {{0, 0, 0}, {0, 2, 0}, {4, 0, 0}};
        for (int i = 0; i < 3; ++i) std::memcpy(v + i * m->GetNumBytesPerVertex(), p[i], 12);
        m->UnlockVertexBuffer();
        uint16_t* idx = nullptr;
        m->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
        idx[0] = 0, idx[1] = 1, idx[2] = 2;
        m->UnlockIndexBuffer();
        return Com<ID3DXMesh>(m);
    }
    CAllocateHierarchy alloc{0, 0};
    const DWORD adjacency[3] = {~0u, ~0u, ~0u};
};

TEST_F(AllocateHierarchy, AMaterialLessMeshGetsNormalsBoundsAndOneGreyMaterial) {
    auto mesh = Triangle(D3DFVF_XYZ);
    D3DXMESHDATA data{};
    data.Type = D3DXMESHTYPE_MESH;
    data.pMesh = mesh.get();
    LPD3DXMESHCONTAINER out = nullptr;
    ASSERT_EQ(alloc.CreateMeshContainer("tri", &data, nullptr, nullptr, 0, adjacency, nullptr, &out), S_OK);
    auto* c = static_cast<KestraMeshContainer*>(out);
    EXPECT_STREQ(c->Name, "tri");
    ASSERT_NE(c->MeshData.pMesh, nullptr);
    EXPECT_NE(c->MeshData.pMesh->GetFVF() & D3DFVF_NORMAL, 0u);
    const float* v = nullptr;
    c->MeshData.pMesh->LockVertexBuffer(0, reinterpret_cast<void**>(const_cast<float**>(&v)));
    EXPECT_NEAR(v[5], -1.0f, 1e-6);  // the clockwise triangle faces -z
    c->MeshData.pMesh->UnlockVertexBuffer();
    EXPECT_EQ(c->NumMaterials, 1u);
    EXPECT_EQ(c->pMaterials[0].MatD3D.Diffuse.r, 0.5f);
    EXPECT_EQ(c->pMaterials[0].MatD3D.Diffuse.a, 0.0f);
    EXPECT_EQ(c->pMaterials[0].MatD3D.Specular.g, 0.5f);
    EXPECT_EQ(c->textures[0], nullptr);
    EXPECT_EQ(c->boxMax, D3DXVECTOR3(4, 2, 0));
    EXPECT_NEAR(c->centre.x, 4.0f / 3, 1e-6);
    EXPECT_EQ(c->faceCount, 1u);
    EXPECT_GT(Count("POLYGON [ 1 ] : VERTEX [ 3 ] : "), 0);
    EXPECT_GT(Count("BOX [ (0.000,0.000,0.000)-(4.000,2.000,0.000) ] : "), 0);
    EXPECT_EQ(alloc.GetContainerCount(), 1u);
    alloc.DestroyMeshContainer(out);
}

TEST_F(AllocateHierarchy, MaterialsTakeAQuarterAmbientAndDriveLettersAreCut) {
    auto mesh = Triangle(D3DFVF_XYZ | D3DFVF_NORMAL);
    D3DXMESHDATA data{};
    data.Type = D3DXMESHTYPE_MESH;
    data.pMesh = mesh.get();
    char drive[] = "C:\\art\\maps\\wall.tga";
    char folder[] = "maps\\floor.tga";
    char empty[] = "";
    D3DXMATERIAL mats[3] = {};
    mats[0].MatD3D.Diffuse = {0.8f, 0.4f, 0.2f, 1.0f};
    mats[0].pTextureFilename = drive;
    mats[1].pTextureFilename = folder;
    mats[2].pTextureFilename = empty;
    LPD3DXMESHCONTAINER out = nullptr;
    ASSERT_EQ(alloc.CreateMeshContainer("m", &data, mats, nullptr, 3, adjacency, nullptr, &out), S_OK);
    auto* c = static_cast<KestraMeshContainer*>(out);
    EXPECT_EQ(c->MeshData.pMesh, mesh.get());  // it had normals: kept as it is
    EXPECT_NEAR(c->pMaterials[0].MatD3D.Ambient.r, 0.2f, 1e-6);
    EXPECT_NEAR(c->pMaterials[0].MatD3D.Ambient.b, 0.05f, 1e-6);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(c->pMaterials[i].pTextureFilename, nullptr);
    EXPECT_EQ(Count("wall.tga} : "), 1);
    EXPECT_EQ(Count("art"), 0);
    EXPECT_EQ(Count("maps\\floor.tga} : "), 1);
    EXPECT_EQ(Count(" {"), 2);  // the empty name loads nothing
    alloc.DestroyMeshContainer(out);
}

TEST_F(AllocateHierarchy, RefusalsLeaveNothingBehind) {
    auto mesh = Triangle(D3DFVF_XYZ);
    D3DXMESHDATA data{};
    data.Type = D3DXMESHTYPE_PMESH;
    data.pMesh = mesh.get();
    LPD3DXMESHCONTAINER out = reinterpret_cast<LPD3DXMESHCONTAINER>(&data);
    EXPECT_EQ(alloc.CreateMeshContainer("m", &data, nullptr, nullptr, 0, adjacency, nullptr, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Count("TYPE NOT MESH"), 1);
    data.Type = D3DXMESHTYPE_MESH;
    EXPECT_EQ(alloc.CreateMeshContainer("m", &data, nullptr, nullptr, 0, nullptr, nullptr, &out), E_OUTOFMEMORY);
    EXPECT_EQ(alloc.CreateMeshContainer("m", &data, nullptr, nullptr, 2, adjacency, nullptr, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(alloc.GetContainerCount(), 0u);
    // The clone with normals was released again: the caller's is the only reference.
    mesh->AddRef();
    EXPECT_EQ(mesh->Release(), 1u);
}

TEST_F(AllocateHierarchy, SkinnedContainersKeepBindPoseAndBoneTablesAndFrameDestroyFreesAll) {
    xtest::Scene scene;
    ASSERT_EQ(xtest::LoadScene(xtest::ReadCorpus("Testwuson.X"), &scene), S_OK);
    xtest::Mesh& m = scene.meshes.at(0);
    D3DXMESHDATA data{};
    data.Type = D3DXMESHTYPE_MESH;
    data.pMesh = m.mesh.get();
    LPD3DXFRAME root = nullptr, child = nullptr, sibling = nullptr;
    ASSERT_EQ(alloc.CreateFrame("Root", &root), S_OK);
    ASSERT_EQ(alloc.CreateFrame(nullptr, &child), S_OK);
    ASSERT_EQ(alloc.CreateFrame("Other", &sibling), S_OK);
    EXPECT_STREQ(child->Name, "");
    EXPECT_EQ(root->TransformationMatrix._11, 1.0f);
    root->pFrameFirstChild = child;
    root->pFrameSibling = sibling;
    LPD3DXMESHCONTAINER out = nullptr;
    ASSERT_EQ(alloc.CreateMeshContainer("mesh_Wuson", &data, m.materials.data(), nullptr, DWORD(m.materials.size()),
                                        static_cast<const DWORD*>(m.adjacency->GetBufferPointer()), m.skin.get(),
                                        &out),
              S_OK);
    auto* c = static_cast<KestraMeshContainer*>(out);
    EXPECT_EQ(c->bindPoseMesh, m.mesh.get());
    EXPECT_NE(c->MeshData.pMesh, m.mesh.get());
    EXPECT_EQ(c->MeshData.pMesh->GetOptions(), DWORD(D3DXMESH_MANAGED));
    EXPECT_EQ(c->boneCount, 37u);
    EXPECT_EQ(c->boneOffsets[36], *m.skin->GetBoneOffsetMatrix(36));
    EXPECT_GT(c->radius, 0.0f);
    EXPECT_EQ(Count("BONE [ 37 ] : "), 1);
    child->pMeshContainer = out;
    EXPECT_EQ(alloc.GetFrameCount(), 3u);
    // Every record goes back to the allocator; the leak checker sees the rest.
    ASSERT_EQ(D3DXFrameDestroy(root, &alloc), S_OK);
    m.mesh->AddRef();
    EXPECT_EQ(m.mesh->Release(), 1u);
}

}  // namespace
