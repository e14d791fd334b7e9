// Meshes read from X Mesh objects: splitting, fanning, attributes, materials,
// skins, and the limits on what a file may claim.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

using xtest::Bytes;

xtest::Scene Load(const std::string& text, HRESULT expect = S_OK) {
    xtest::Scene scene;
    EXPECT_EQ(xtest::LoadScene(Bytes(text), &scene), expect);
    return scene;
}

const char kQuad[] = R"(xof 0303txt 0032
Mesh Quad {
  5; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;, 9;9;9;;
  3; 4;0,1,2,3;, 3;0,2,3;, 3;1,2,0;;
  MeshNormals { 2; 0;0;-1;, 0;0;1;; 3; 4;0,0,0,0;, 3;0,0,0;, 3;1,0,0;; }
  MeshTextureCoords { 5; 0;0;, 0;1;, 1;1;, 1;0;, 0;0;; }
  MeshVertexColors { 2; 0; 1;0;0;1;;, 3; 0;0;1;0.5;;; }
  MeshMaterialList { 2; 2; 1, 0;;
    Material { 1;0.5;0.25;0.75;; 12; 0.1;0.2;0.3;; 0.4;0.5;0.6;; TextureFilename { "C:\\tex\\wall.tga"; }
      TextureFilename { "late.tga"; } }
    Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }
  }
}
)";

TEST(XMesh, FacesFanVerticesSplitByNormalAndShortMaterialListsRepeat) {
    auto scene = Load(kQuad);
    ASSERT_EQ(scene.meshes.size(), 1u);
    auto& m = scene.meshes[0];
    ASSERT_EQ(m.result, S_OK);
    ID3DXMesh* mesh = m.mesh.get();
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumFaces(), 2u + 1u + 1u);
    // Vertex 1 carries normal 0 in the first faces and normal 1 in the last: one extra copy.
    EXPECT_EQ(mesh->GetNumVertices(), 6u);
    struct V {
        D3DXVECTOR3 p, n;
        DWORD colour;
        float u, v;
    };
    V* v = nullptr;
    uint16_t* idx = nullptr;
    DWORD* attr = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    mesh->LockAttributeBuffer(0, &attr);
    const uint16_t want[] = {0, 1, 2, 0, 2, 3, 0, 2, 3, 5, 2, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(idx[i], want[i]) << i;
    EXPECT_EQ(v[5].p, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(v[5].n, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(v[1].n, D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(v[0].colour, 0xFFFF0000u);
    EXPECT_EQ(v[3].colour, 0x800000FFu);
    EXPECT_EQ(v[1].colour, 0xFFFFFFFFu);
    EXPECT_EQ(v[2].u, 1.0f);
    EXPECT_EQ(v[5].v, 1.0f);
    // Face 0 (two triangles) takes material 1; faces 1 and 2 repeat the last index, 0.
    const DWORD wantAttr[] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(attr[i], wantAttr[i]);
    ASSERT_EQ(m.materials.size(), 2u);
    const D3DMATERIAL9& mat = m.materials[0].MatD3D;
    EXPECT_EQ(mat.Diffuse.b, 0.25f);
    EXPECT_EQ(mat.Diffuse.a, 0.75f);
    EXPECT_EQ(mat.Power, 12.0f);
    EXPECT_EQ(mat.Specular.g, 0.2f);
    EXPECT_EQ(mat.Specular.a, 1.0f);
    EXPECT_EQ(mat.Emissive.b, 0.6f);
    EXPECT_EQ(mat.Ambient.a, 1.0f);
    EXPECT_EQ(m.textures[0], R"(C:\\tex\\wall.tga)");  // quoted text is kept as written
    EXPECT_EQ(m.materials[1].pTextureFilename, nullptr);
    EXPECT_EQ(m.skin, nullptr);
}

TEST(XMesh, CountsAndIndicesAreCheckedAgainstWhatWasRead) {
    const std::string head = "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    // A face index past the vertices fails the file's data.
    {
        xtest::Scene s;
        const std::string t = "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }\n";
        ASSERT_EQ(xtest::LoadScene(Bytes(t), &s), S_OK);
        EXPECT_EQ(s.meshes.at(0).result, D3DXFERR_BADVALUE);
        EXPECT_EQ(s.meshes[0].mesh, nullptr);
    }
    // A material index with no material read.
    auto bad = Load(head + "MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }\n");
    EXPECT_EQ(bad.meshes.at(0).result, D3DXFERR_BADVALUE);
    // No material list: no materials, every attribute 0.
    auto plain = Load(head + "}\n");
    ASSERT_EQ(plain.meshes.at(0).result, S_OK);
    EXPECT_TRUE(plain.meshes[0].materials.empty());
    EXPECT_EQ(plain.meshes[0].mesh->GetFVF(), DWORD(D3DFVF_XYZ));
    // Normal faces that do not match the faces are ignored; so are too few texture coordinates.
    auto loose = Load(head + "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } MeshTextureCoords { 2; 0;0;, 1;1;; } }\n");
    ASSERT_EQ(loose.meshes.at(0).result, S_OK);
    EXPECT_EQ(loose.meshes[0].mesh->GetFVF(), DWORD(D3DFVF_XYZ));
    // Skin influences on vertices the mesh lacks are dropped.
    auto skin = Load(head + "SkinWeights { \"b\"; 2; 1, 1000000; 0.5, 0.5; 1;0;0;0;0;1;0;0;0;0;1;0;0;0;0;1;; } }\n");
    ASSERT_EQ(skin.meshes.at(0).result, S_OK);
    ASSERT_NE(skin.meshes[0].skin, nullptr);
    EXPECT_EQ(skin.meshes[0].skin->GetNumBoneInfluences(0), 1u);
    // A bone naming vertices more often than the mesh has them would multiply a split vertex's copies.
    auto often = Load(head + "SkinWeights { \"b\"; 4; 0,0,0,0; 1,1,1,1; 1;0;0;0;0;1;0;0;0;0;1;0;0;0;0;1;; } }\n");
    EXPECT_EQ(often.meshes.at(0).result, D3DXERR_INVALIDDATA);
    // An empty mesh has no data to load.
    auto empty = Load("xof 0303txt 0032\nMesh M { 0;; 0;; }\n");
    EXPECT_EQ(empty.meshes.at(0).result, D3DXERR_LOADEDMESHHASNODATA);
}

std::string ManyBones(int bones) {
    std::string t = "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    t += "XSkinMeshHeader { 3; 9; " + std::to_string(bones) + "; }\n";
    for (int b = 0; b < bones; ++b)
        t += "SkinWeights { \"bone" + std::to_string(b) + "\"; 1; " + std::to_string(b % 3) +
             "; 0.5; 1;0;0;0;0;1;0;0;0;0;1;0;" + std::to_string(b) + ";0;0;1;; }\n";
    return t + "}\n";
}

TEST(XMesh, SkinBonesKeepTheirNamesOffsetsAndSplitCopies) {
    auto scene = Load(ManyBones(49));
    auto& m = scene.meshes.at(0);
    ASSERT_EQ(m.result, S_OK);
    ASSERT_NE(m.skin, nullptr);
    EXPECT_EQ(m.skin->GetNumBones(), 49u);
    EXPECT_STREQ(m.skin->GetBoneName(48), "bone48");
    EXPECT_EQ(m.skin->GetBoneOffsetMatrix(48)->_41, 48.0f);
    EXPECT_EQ(m.skin->GetBoneName(49), nullptr);
    DWORD most = 0;
    m.skin->GetMaxVertexInfluences(&most);
    EXPECT_EQ(most, 17u);
}

// With 16-bit indices the vertex count alone refuses the mesh, before anything
// after it is read or built: faces naming a vertex past the last change nothing.
TEST(XMesh, MoreThan65535VerticesNeed32BitIndices) {
    const int n = 65536;
    std::string vertices = "xof 0303txt 0032\nMesh Big { " + std::to_string(n) + ";\n";
    for (int i = 0; i < n; ++i) vertices += std::to_string(i) + ";0;0;" + (i + 1 < n ? ",\n" : ";\n");
    for (const auto& [last, wide] : {std::pair<int, HRESULT>{65535, S_OK}, {65536, D3DXFERR_BADVALUE}}) {
        SCOPED_TRACE(last);
        const std::string t = vertices + "1; 3;0,1," + std::to_string(last) + ";; }\n";
        auto en = xtest::OpenEnum(t.data(), t.size());
        ASSERT_NE(en, nullptr);
        ID3DXFileData* raw = nullptr;
        en->GetChild(0, &raw);
        xtest::Com<ID3DXFileData> d(raw);
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXLoadMeshFromXof(raw, D3DXMESH_SYSTEMMEM, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh),
                  D3DXERR_INVALIDMESH);
        EXPECT_EQ(mesh, nullptr);
        ASSERT_EQ(D3DXLoadMeshFromXof(raw, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, &mesh),
                  wide);
        if (!mesh) continue;
        xtest::Com<ID3DXMesh> owned(mesh);
        EXPECT_EQ(mesh->GetNumVertices(), DWORD(n));
        uint32_t* idx = nullptr;
        mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
        EXPECT_EQ(idx[2], 65535u);
    }
}

}  // namespace
