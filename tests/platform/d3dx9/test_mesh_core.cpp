// System-memory meshes: formats, clone, optimisation, adjacency, normals,
// bounds and frame destruction; the references every D3DX object hands out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "platform/d3dx9/d3dx9effect.h"
#include "tests/platform/d3d9/d3d9_fixture.h"
#include "tests/platform/d3dx9/xfile_test_util.h"
#include "tests/support/com_refs.h"

namespace {

using xtest::Com;

using testsupport::Out;

Com<ID3DXMesh> MakeMesh(DWORD faces, DWORD vertices, DWORD fvf, DWORD options = D3DXMESH_SYSTEMMEM) {
    ID3DXMesh* m = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(faces, vertices, options, fvf, nullptr, &m), S_OK);
    return Com<ID3DXMesh>(m);
}

void SetPositions(ID3DXMesh* m, const std::vector<D3DXVECTOR3>& p) {
    void* vb = nullptr;
    m->LockVertexBuffer(0, &vb);
    for (size_t i = 0; i < p.size(); ++i)
        std::memcpy(static_cast<uint8_t*>(vb) + i * m->GetNumBytesPerVertex(), &p[i], 12);
    m->UnlockVertexBuffer();
}

void SetIndices(ID3DXMesh* m, const std::vector<uint16_t>& idx) {
    void* ib = nullptr;
    m->LockIndexBuffer(0, &ib);
    std::memcpy(ib, idx.data(), idx.size() * 2);
    m->UnlockIndexBuffer();
}

static_assert(MAXD3DDECLLENGTH == 64 && MAX_FVF_DECL_SIZE == 65);  // written out, not taken from the product

TEST(MeshFormats, FvfAndDeclarationsConvertBothWays) {
    struct Case {
        DWORD fvf;
        UINT size;
    };
    const Case cases[] = {
        {D3DFVF_XYZ, 12},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 36},
        {D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 52},
        {D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4, 16},
        {D3DFVF_XYZB3, 24},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, 24},
        {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1), 12 + 8 + 12},
        {D3DFVF_XYZ | D3DFVF_PSIZE, 16},
        {D3DFVF_XYZB5 | D3DFVF_LASTBETA_D3DCOLOR, 12 + 16 + 4},
        {DWORD(D3DFVF_XYZ | D3DFVF_TEX8 | D3DFVF_TEXCOORDSIZE1(7)), 12 + 7 * 8 + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fvf);
        EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size);
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(c.fvf, decl), S_OK);
        EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), c.size);
        DWORD back = 0;
        ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), S_OK);
        EXPECT_EQ(back, c.fvf);
    }
    // The skinned layout: three weights, then four index bytes.
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    D3DXDeclaratorFromFVF(D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL, decl);
    EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_BLENDWEIGHT);
    EXPECT_EQ(decl[1].Type, D3DDECLTYPE_FLOAT3);
    EXPECT_EQ(decl[2].Usage, D3DDECLUSAGE_BLENDINDICES);
    EXPECT_EQ(decl[2].Offset, 24);
    EXPECT_EQ(decl[3].Offset, 28);
    // A declaration laid out in no FVF order has no FVF; the mesh still works.
    const D3DVERTEXELEMENT9 odd[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                     {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                     D3DDECL_END()};
    DWORD fvf = 1;
    EXPECT_TRUE(FAILED(D3DXFVFFromDeclarator(odd, &fvf)));
    ID3DXMesh* m = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, 0, odd, nullptr, &m), S_OK);
    Com<ID3DXMesh> mesh(m);
    EXPECT_EQ(mesh->GetFVF(), 0u);
    // One count behind each interface the mesh answers; no other interface.
    IUnknown* unknown = nullptr;
    ASSERT_EQ(mesh->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(mesh.get()));
    IID other = IID_IUnknown;
    other.Data1 ^= 1;
    EXPECT_EQ(mesh->QueryInterface(other, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    EXPECT_EQ(mesh->AddRef(), 3u);
    EXPECT_EQ(mesh->Release(), 2u);
    EXPECT_EQ(mesh->Release(), 1u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 24u);
    D3DVERTEXELEMENT9 got[MAX_FVF_DECL_SIZE];
    std::memset(got, 0x11, sizeof got);
    ASSERT_EQ(mesh->GetDeclaration(got), S_OK);
    EXPECT_EQ(D3DXGetDeclLength(got), 2u);
    // A declaration without its end is read no further than the longest.
    const std::vector<D3DVERTEXELEMENT9> endless(MAXD3DDECLLENGTH + 1, odd[0]);
    EXPECT_EQ(D3DXGetDeclLength(endless.data()), UINT(MAXD3DDECLLENGTH));
    // Layouts no vertex has: a mixed position, the reserved bit, index bytes with
    // no betas to hold them, five weights, nine coordinate sets.
    for (DWORD bad : {DWORD(D3DFVF_XYZB5 | D3DFVF_XYZRHW), DWORD(D3DFVF_XYZ | D3DFVF_RESERVED0),
                      DWORD(D3DFVF_XYZ | D3DFVF_LASTBETA_UBYTE4),
                      DWORD(D3DFVF_XYZRHW | D3DFVF_LASTBETA_D3DCOLOR), DWORD(D3DFVF_XYZB5),
                      DWORD(D3DFVF_XYZ | (9 << D3DFVF_TEXCOUNT_SHIFT))}) {
        EXPECT_EQ(D3DXGetFVFVertexSize(bad), 0u) << bad;
        EXPECT_TRUE(FAILED(D3DXDeclaratorFromFVF(bad, decl))) << bad;
    }
    EXPECT_TRUE(FAILED(D3DXCreateMeshFVF(1, 70000, 0, D3DFVF_XYZ, nullptr, &m)));
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_32BIT, D3DFVF_XYZ, nullptr, &m), S_OK);
    m->Release();
}

class MeshOnADevice : public d3d9fixture::NullDeviceTest {};

// Whatever a call hands out holds one reference more of the object counted (itself, its
// device, its file or enumeration), and gives it back when released.
TEST_F(MeshOnADevice, EveryObjectHandedOutHoldsOneReferenceUntilReleased) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, device_, &mesh), D3D_OK);
    const std::string fxText = "texture Tex;\ntechnique T { pass P { } }\n";
    const auto makeEffect = [&](void** o) {
        return D3DXCreateEffect(device_, fxText.data(), UINT(fxText.size()), 0, 0, 0, 0, Out<ID3DXEffect>(o), 0);
    };
    ID3DXEffect* fx = nullptr;
    ASSERT_EQ(makeEffect(reinterpret_cast<void**>(&fx)), D3D_OK);
    const std::string xText = "xof 0303txt 0032\nFrame A { Frame B { } }\n";
    ID3DXFile* file = nullptr;
    ASSERT_EQ(D3DXFileCreate(&file), S_OK);
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    auto en = xtest::OpenEnum(xText.data(), xText.size(), file);
    ASSERT_NE(en, nullptr);
    ID3DXFileData* top = nullptr;
    ASSERT_EQ(en->GetChild(0, &top), S_OK);
    Com<ID3DXFileData> frame(top);
    using Get = std::function<HRESULT(void**)>;
    const auto query = [](IUnknown* o) -> Get { return [o](void** p) { return o->QueryInterface(IID_IUnknown, p); }; };
    const D3DXF_FILELOADMEMORY memory{xText.data(), xText.size()};
    constexpr DWORD kXyz = D3DFVF_XYZ, kFromMemory = D3DXF_FILELOAD_FROMMEMORY;
    using Enum = ID3DXFileEnumObject;
    const std::tuple<const char*, IUnknown*, Get> kCalls[] = {
        {"D3DXCreateMeshFVF", device_,
         [&](void** o) { return D3DXCreateMeshFVF(1, 3, 0, kXyz, device_, Out<ID3DXMesh>(o)); }},
        {"Mesh.CloneMeshFVF", device_,
         [&](void** o) { return mesh->CloneMeshFVF(0, kXyz, device_, Out<ID3DXMesh>(o)); }},
        {"Mesh.GetDevice", device_, [&](void** o) { return mesh->GetDevice(Out<IDirect3DDevice9>(o)); }},
        {"Mesh.QueryInterface", mesh, query(mesh)},
        {"D3DXCreateEffect", device_, makeEffect},
        {"Effect.SetTexture", tex,
         [&](void** o) { return makeEffect(o), (*Out<ID3DXEffect>(o))->SetTexture("Tex", tex); }},
        {"Effect.GetDevice", device_, [&](void** o) { return fx->GetDevice(Out<IDirect3DDevice9>(o)); }},
        {"Effect.QueryInterface", fx, query(fx)},
        {"File.CreateEnumObject", file,
         [&](void** o) { return file->CreateEnumObject(&memory, kFromMemory, Out<Enum>(o)); }},
        {"Enum.GetFile", file, [&](void** o) { return en->GetFile(Out<ID3DXFile>(o)); }},
        {"Enum.GetChild", en.get(), [&](void** o) { return en->GetChild(0, Out<ID3DXFileData>(o)); }},
        {"Enum.GetDataObjectByName", en.get(),
         [&](void** o) { return en->GetDataObjectByName("B", Out<ID3DXFileData>(o)); }},
        {"Data.GetChild", en.get(), [&](void** o) { return frame->GetChild(0, Out<ID3DXFileData>(o)); }},
        {"Data.GetEnum", en.get(), [&](void** o) { return frame->GetEnum(Out<Enum>(o)); }},
        {"File.QueryInterface", file, query(file)},      {"Enum.QueryInterface", en.get(), query(en.get())},
        {"Data.QueryInterface", frame.get(), query(frame.get())}};
    const auto count = testsupport::RefCount;
    for (const auto& [name, counted, get] : kCalls) {
        const ULONG before = count(counted);
        void* out = nullptr;
        ASSERT_EQ(get(&out), S_OK) << name;
        EXPECT_EQ(count(counted), before + 1) << name;
        static_cast<IUnknown*>(out)->Release();
        EXPECT_EQ(count(counted), before) << name;
    }
    frame.reset(), en.reset();
    EXPECT_EQ(file->Release(), 0u);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(fx->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 0u);  // and each lets go of the device: the fixture's release is the last
}

TEST(MeshFormats, CloneKeepsSharedComponentsAndZeroesNewOnes) {
    auto mesh = MakeMesh(1, 3, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    struct V {
        float x, y, z;
        DWORD colour;
        float u, v;
    };
    void* vb = nullptr;
    mesh->LockVertexBuffer(0, &vb);
    for (int i = 0; i < 3; ++i) static_cast<V*>(vb)[i] = V{float(i), 2, 3, 0xFF102030u + DWORD(i), 0.5f, 0.25f * i};
    mesh->UnlockVertexBuffer();
    SetIndices(mesh.get(), {0, 1, 2});
    DWORD* attr = nullptr;
    mesh->LockAttributeBuffer(0, &attr);
    attr[0] = 5;
    mesh->UnlockAttributeBuffer();

    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, nullptr,
                                 &raw),
              S_OK);
    Com<ID3DXMesh> clone(raw);
    EXPECT_EQ(clone->GetOptions(), DWORD(D3DXMESH_MANAGED));
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 36u);
    const float* p = nullptr;
    clone->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<float**>(&p)));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(p);
    for (int i = 0; i < 3; ++i) {
        const float* f = reinterpret_cast<const float*>(bytes + i * 36);
        EXPECT_EQ(f[0], float(i));
        EXPECT_EQ(f[3], 0.0f);  // the new normal
        DWORD colour;
        std::memcpy(&colour, bytes + i * 36 + 24, 4);
        EXPECT_EQ(colour, 0xFF102030u + DWORD(i));
        EXPECT_EQ(f[8], 0.25f * i);
    }
    clone->UnlockVertexBuffer();
    clone->LockAttributeBuffer(D3DLOCK_READONLY, &attr);
    EXPECT_EQ(attr[0], 5u);
    clone->UnlockAttributeBuffer();
}

TEST(MeshOptimize, AttributeSortBuildsTheTableAndRemaps) {
    // Four triangles with attributes 2, 0, 2, 1; the first layout leaves one vertex unused.
    const auto make = [](const std::vector<uint16_t>& indices) {
        auto mesh = MakeMesh(4, 13, D3DFVF_XYZ);
        std::vector<D3DXVECTOR3> p;
        for (int i = 0; i < 13; ++i) p.push_back(D3DXVECTOR3(float(i), float(i * i), 0));
        SetPositions(mesh.get(), p);
        SetIndices(mesh.get(), indices);
        DWORD* attr = nullptr;
        mesh->LockAttributeBuffer(0, &attr);
        const DWORD attrs[] = {2, 0, 2, 1};
        std::memcpy(attr, attrs, sizeof attrs);
        mesh->UnlockAttributeBuffer();
        return mesh;
    };
    auto mesh = make({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    DWORD count = 9;
    mesh->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 0u);

    const DWORD adjIn[12] = {1, ~0u, ~0u, 0, 2, ~0u, 1, 3, ~0u, 2, ~0u, ~0u};
    DWORD adjOut[12];
    DWORD faceRemap[4];
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjIn, adjOut, faceRemap, &vertexRemap), S_OK);
    Com<ID3DXBuffer> remap(vertexRemap);
    const DWORD wantFaces[4] = {1, 3, 0, 2};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(faceRemap[i], wantFaces[i]);
    EXPECT_EQ(mesh->GetNumVertices(), 12u);  // the unused vertex is gone
    // The remaps, adjacency and moved vertices are in the record below.

    // Each flag of the optimiser, into a copy and in place, on both layouts: one record.
    records::Fnv f;
    for (const auto& indices : {std::vector<uint16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                                std::vector<uint16_t>{5, 1, 12, 3, 4, 5, 0, 12, 8, 9, 1, 11}})
        for (DWORD flags : {0, D3DXMESHOPT_COMPACT, D3DXMESHOPT_ATTRSORT, D3DXMESHOPT_VERTEXCACHE,
                            D3DXMESHOPT_STRIPREORDER, D3DXMESHOPT_COMPACT | D3DXMESHOPT_IGNOREVERTS,
                            D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, D3DXMESHOPT_DONOTSPLIT,
                            D3DXMESHOPT_DEVICEINDEPENDENT}) {
            auto m = make(indices);
            ID3DXMesh* raw = nullptr;
            std::memset(adjOut, 0x5a, sizeof adjOut);
            f.Add(m->Optimize(flags, adjIn, adjOut, faceRemap, &vertexRemap, &raw));
            Com<ID3DXMesh> copy(raw);
            Com<ID3DXBuffer> copyRemap(vertexRemap);
            if (raw) xtest::FoldMeshData(f, raw);
            xtest::FoldBuffer(f, vertexRemap);
            f.Add(adjOut, faceRemap);
            f.Add(m->OptimizeInplace(flags, nullptr, adjOut, faceRemap, nullptr));
            xtest::FoldMeshData(f, m.get());
            f.Add(adjOut, faceRemap);
        }
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "optimize", f.h), "");
}

TEST(MeshAdjacency, SharedEdgesWithinEpsilonAreNeighbours) {
    // Two triangles of a quad, the second with its own copies of the shared corners, nudged by 0.001.
    auto mesh = MakeMesh(2, 6, D3DFVF_XYZ);
    SetPositions(mesh.get(), {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0.001f, 0}, {1, 1.001f, 0}, {1, 0, 0}});
    SetIndices(mesh.get(), {0, 1, 2, 3, 4, 5});
    DWORD adj[6];
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adj), S_OK);
    for (DWORD a : adj) EXPECT_EQ(a, 0xFFFFFFFFu);
    ASSERT_EQ(mesh->GenerateAdjacency(0.01f, adj), S_OK);
    EXPECT_EQ(adj[2], 1u);  // edge 2-0 of face 0
    EXPECT_EQ(adj[3], 0u);  // edge 3-4 of face 1
    EXPECT_EQ(adj[0], 0xFFFFFFFFu);
    // Exact matching takes -0 for 0.
    SetPositions(mesh.get(), {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {-0.0f, 0, 0}, {1, 1, -0.0f}, {1, 0, 0}});
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adj), S_OK);
    EXPECT_EQ(adj[2], 1u);
    EXPECT_EQ(adj[3], 0u);
    // Four faces on edge 0-1 pair up in order, first with second and third with fourth.
    auto fan = MakeMesh(4, 6, D3DFVF_XYZ);
    SetPositions(fan.get(), {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}});
    SetIndices(fan.get(), {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5});
    DWORD fanAdj[12];
    ASSERT_EQ(fan->GenerateAdjacency(0.0f, fanAdj), S_OK);
    EXPECT_EQ(std::vector<DWORD>({fanAdj[0], fanAdj[3], fanAdj[6], fanAdj[9]}), std::vector<DWORD>({1, 0, 3, 2}));
}

TEST(MeshNormals, ComputedNormalsMatchTheCubeFile) {
    xtest::Scene scene;
    ASSERT_EQ(xtest::LoadScene(xtest::ReadCorpus("test_cube_text.x"), &scene), S_OK);
    ID3DXMesh* file = scene.meshes.at(0).mesh.get();
    ASSERT_NE(file->GetFVF() & D3DFVF_NORMAL, 0u);
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(file->CloneMeshFVF(0, file->GetFVF(), nullptr, &raw), S_OK);
    Com<ID3DXMesh> computed(raw);
    ASSERT_EQ(D3DXComputeNormals(computed.get(), nullptr), S_OK);
    uint8_t *a = nullptr, *b = nullptr;
    file->LockVertexBuffer(0, reinterpret_cast<void**>(&a));
    computed->LockVertexBuffer(0, reinterpret_cast<void**>(&b));
    const DWORD stride = file->GetNumBytesPerVertex();
    for (DWORD v = 0; v < file->GetNumVertices(); ++v) {
        const float* na = reinterpret_cast<const float*>(a + v * stride + 12);
        const float* nb = reinterpret_cast<const float*>(b + v * stride + 12);
        // The exporter's normals follow its own winding on some faces: same line, unit length.
        const float dot = na[0] * nb[0] + na[1] * nb[1] + na[2] * nb[2];
        EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5) << "vertex " << v;
    }
    file->UnlockVertexBuffer();
    computed->UnlockVertexBuffer();
    // Every closed cube face has three neighbours.
    const DWORD* adj = static_cast<const DWORD*>(scene.meshes[0].adjacency->GetBufferPointer());
    for (DWORD i = 0; i < file->GetNumFaces() * 3; ++i) EXPECT_LT(adj[i], file->GetNumFaces());
}

TEST(MeshNormals, ClockwiseFacesFaceTheViewerAndCornersWeighByAngle) {
    // Seen from -z, (0,0,0) -> (0,1,0) -> (1,0,0) runs clockwise: the front faces -z.
    auto mesh = MakeMesh(2, 4, D3DFVF_XYZ | D3DFVF_NORMAL);
    struct V {
        D3DXVECTOR3 p, n;
    };
    void* vb = nullptr;
    mesh->LockVertexBuffer(0, &vb);
    V* v = static_cast<V*>(vb);
    v[0].p = {0, 0, 0};
    v[1].p = {0, 1, 0};
    v[2].p = {1, 0, 0};
    v[3].p = {0, 0, 1};  // a second face folded up along the y axis, facing -x
    mesh->UnlockVertexBuffer();
    SetIndices(mesh.get(), {0, 1, 2, 0, 3, 1});
    ASSERT_EQ(D3DXComputeNormals(mesh.get(), nullptr), S_OK);
    EXPECT_NEAR(v[2].n.z, -1.0f, 1e-6);
    EXPECT_NEAR(v[3].n.x, -1.0f, 1e-6);
    // Vertex 1 has a 45-degree corner in each face: the bisector. Vertex 0 has 90 in each.
    EXPECT_NEAR(v[1].n.x, -std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(v[1].n.z, -std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(v[0].n.x, v[0].n.z, 1e-6);
}

TEST(MeshBounds, BoxAndCentroidSphere) {
    struct P {
        D3DXVECTOR3 p;
        float pad;
    };
    const P pts[] = {{{0, 0, 0}, 9}, {{4, 0, 0}, 9}, {{0, 2, 0}, 9}, {{0, 0, -6}, 9}};
    D3DXVECTOR3 mn, mx, c;
    float r = 0;
    ASSERT_EQ(D3DXComputeBoundingBox(&pts[0].p, 4, sizeof(P), &mn, &mx), S_OK);
    EXPECT_EQ(mn, D3DXVECTOR3(0, 0, -6));
    EXPECT_EQ(mx, D3DXVECTOR3(4, 2, 0));
    ASSERT_EQ(D3DXComputeBoundingSphere(&pts[0].p, 4, sizeof(P), &c, &r), S_OK);
    EXPECT_EQ(c, D3DXVECTOR3(1, 0.5f, -1.5f));  // the mean, not the box centre
    EXPECT_NEAR(r, std::sqrt(1.0f + 0.25f + 4.5f * 4.5f), 1e-5);
    EXPECT_TRUE(FAILED(D3DXComputeBoundingBox(&pts[0].p, 0, sizeof(P), &mn, &mx)));
}

class CountingAllocator : public ID3DXAllocateHierarchy {
public:
    HRESULT CreateFrame(LPCSTR, LPD3DXFRAME* out) override {
        *out = new D3DXFRAME{};
        return S_OK;
    }
    HRESULT CreateMeshContainer(LPCSTR, const D3DXMESHDATA*, const D3DXMATERIAL*, const D3DXEFFECTINSTANCE*, DWORD,
                                const DWORD*, ID3DXSkinInfo*, LPD3DXMESHCONTAINER* out) override {
        *out = new D3DXMESHCONTAINER{};
        return S_OK;
    }
    HRESULT DestroyFrame(LPD3DXFRAME f) override {
        delete f;
        ++frames;
        return S_OK;
    }
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER c) override {
        delete c;
        ++containers;
        return S_OK;
    }
    int frames = 0;
    int containers = 0;
};

TEST(MeshFrames, FrameDestroyHandsEverythingToTheAllocator) {
    CountingAllocator alloc;
    // root -> (a -> a1 with two containers), sibling b with one container; root has a sibling r2.
    LPD3DXFRAME f[6];
    for (auto& x : f) alloc.CreateFrame("", &x);
    LPD3DXMESHCONTAINER c[3];
    for (auto& x : c) alloc.CreateMeshContainer("", nullptr, nullptr, nullptr, 0, nullptr, nullptr, &x);
    f[0]->pFrameFirstChild = f[1];
    f[1]->pFrameSibling = f[3];
    f[1]->pFrameFirstChild = f[2];
    f[2]->pMeshContainer = c[0];
    c[0]->pNextMeshContainer = c[1];
    f[3]->pMeshContainer = c[2];
    f[0]->pFrameSibling = f[4];
    f[4]->pFrameFirstChild = f[5];
    ASSERT_EQ(D3DXFrameDestroy(f[0], &alloc), S_OK);
    EXPECT_EQ(alloc.frames, 6);
    EXPECT_EQ(alloc.containers, 3);
    EXPECT_TRUE(FAILED(D3DXFrameDestroy(nullptr, &alloc)));
}

}  // namespace
