// The indexed-blend conversion: palette limits, weights, face coverage, and
// CPU skinning of the result against the source skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

using xtest::Com;

// A fixed pose: bone b rotates about a tilted axis and moves, from a tiny LCG.
std::vector<D3DXMATRIX> Pose(DWORD bones) {
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1 << 24);
    };
    std::vector<D3DXMATRIX> out(bones);
    for (DWORD b = 0; b < bones; ++b) {
        D3DXVECTOR3 axis(next() - 0.5f, next() - 0.5f, next() - 0.5f);
        D3DXVec3Normalize(&axis, &axis);
        D3DXMATRIX r, t;
        D3DXMatrixRotationAxis(&r, &axis, next() * 3.0f);
        D3DXMatrixTranslation(&t, next(), next(), next());
        out[b] = r * t;
    }
    return out;
}

struct Influences {
    std::vector<std::vector<std::pair<float, DWORD>>> byVertex;
};

// The source rule written out: each vertex's four largest weights, renormalised.
D3DXVECTOR3 SkinSource(ID3DXSkinInfo* skin, const Influences& inf, DWORD v, const D3DXVECTOR3& p,
                       const std::vector<D3DXMATRIX>& pose) {
    auto list = inf.byVertex[v];
    std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.first > b.first; });
    if (list.size() > 4) list.resize(4);
    float sum = 0;
    for (auto& x : list) sum += x.first;
    D3DXVECTOR3 out(0, 0, 0);
    for (auto& [w, b] : list) {
        D3DXMATRIX m = *skin->GetBoneOffsetMatrix(b) * pose[b];
        D3DXVECTOR3 q;
        D3DXVec3TransformCoord(&q, &p, &m);
        out += q * (w / sum);
    }
    return out;
}

Influences Gather(ID3DXSkinInfo* skin, DWORD vertices) {
    Influences inf;
    inf.byVertex.resize(vertices);
    for (DWORD b = 0; b < skin->GetNumBones(); ++b) {
        std::vector<DWORD> v(skin->GetNumBoneInfluences(b));
        std::vector<float> w(v.size());
        if (!v.empty()) skin->GetBoneInfluence(b, v.data(), w.data());
        for (size_t i = 0; i < v.size(); ++i)
            if (w[i] > 0) inf.byVertex[v[i]].push_back({w[i], b});
    }
    return inf;
}

// Converts and checks every invariant; answers the number of combinations.
DWORD ConvertAndCheck(ID3DXMesh* src, ID3DXSkinInfo* skin, DWORD palette) {
    ID3DXMesh* raw = nullptr;
    ID3DXBuffer* comboBuffer = nullptr;
    ID3DXBuffer* remapBuffer = nullptr;
    DWORD maxInfl = 0, combos = 0;
    std::vector<DWORD> faceRemap(src->GetNumFaces());
    EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(src, D3DXMESHOPT_VERTEXCACHE | D3DXMESH_SYSTEMMEM, palette, nullptr,
                                                nullptr, faceRemap.data(), &remapBuffer, &maxInfl, &combos,
                                                &comboBuffer, &raw),
              S_OK);
    if (!raw) return 0;
    Com<ID3DXMesh> out(raw);
    Com<ID3DXBuffer> comboOwner(comboBuffer), remapOwner(remapBuffer);
    EXPECT_GE(maxInfl, 1u);
    EXPECT_LE(maxInfl, 4u);
    EXPECT_EQ(out->GetFVF() & D3DFVF_LASTBETA_UBYTE4, DWORD(D3DFVF_LASTBETA_UBYTE4));
    const DWORD* remap = static_cast<const DWORD*>(remapBuffer->GetBufferPointer());
    const auto* table = static_cast<const D3DXBONECOMBINATION*>(comboBuffer->GetBufferPointer());

    // Faces: a permutation of the source faces, each with its source corners.
    std::vector<DWORD> sorted = faceRemap;
    std::sort(sorted.begin(), sorted.end());
    for (DWORD i = 0; i < sorted.size(); ++i) EXPECT_EQ(sorted[i], i);
    uint16_t *srcIdx = nullptr, *outIdx = nullptr;
    DWORD *srcAttr = nullptr, *outAttr = nullptr;
    src->LockIndexBuffer(0, reinterpret_cast<void**>(&srcIdx));
    out->LockIndexBuffer(0, reinterpret_cast<void**>(&outIdx));
    src->LockAttributeBuffer(0, &srcAttr);
    out->LockAttributeBuffer(0, &outAttr);
    for (DWORD f = 0; f < out->GetNumFaces(); ++f)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(remap[outIdx[f * 3 + c]], srcIdx[faceRemap[f] * 3 + c]);

    // Combinations: consecutive face ranges, bounded palettes without repeats.
    DWORD faceAt = 0;
    for (DWORD c = 0; c < combos; ++c) {
        const D3DXBONECOMBINATION& r = table[c];
        EXPECT_EQ(r.FaceStart, faceAt);
        faceAt += r.FaceCount;
        std::set<DWORD> ids;
        DWORD valid = 0;
        for (DWORD k = 0; k < palette; ++k)
            if (r.BoneId[k] != 0xFFFFFFFFu) {
                ++valid;
                EXPECT_LT(r.BoneId[k], skin->GetNumBones());
                EXPECT_TRUE(ids.insert(r.BoneId[k]).second);
            }
        EXPECT_GE(valid, 1u);
        for (DWORD f = r.FaceStart; f < r.FaceStart + r.FaceCount; ++f) {
            EXPECT_EQ(srcAttr[faceRemap[f]], r.AttribId);
            EXPECT_EQ(outAttr[f], c);
            for (int k = 0; k < 3; ++k) {
                const DWORD v = outIdx[f * 3 + k];
                EXPECT_GE(v, r.VertexStart);
                EXPECT_LT(v, r.VertexStart + r.VertexCount);
            }
        }
    }
    EXPECT_EQ(faceAt, out->GetNumFaces());

    // Skinning the output per combination, as a shader does, equals skinning the source.
    const auto pose = Pose(skin->GetNumBones());
    const Influences inf = Gather(skin, src->GetNumVertices());
    uint8_t *sv = nullptr, *ov = nullptr;
    src->LockVertexBuffer(0, reinterpret_cast<void**>(&sv));
    out->LockVertexBuffer(0, reinterpret_cast<void**>(&ov));
    const DWORD stride = out->GetNumBytesPerVertex();
    const DWORD weights = maxInfl - 1;
    double worst = 0;
    for (DWORD c = 0; c < combos; ++c)
        for (DWORD v = table[c].VertexStart; v < table[c].VertexStart + table[c].VertexCount; ++v) {
            const uint8_t* p = ov + size_t(v) * stride;
            D3DXVECTOR3 pos;
            std::memcpy(&pos, p, 12);
            float w[4] = {0, 0, 0, 0};
            std::memcpy(w, p + 12, weights * 4);
            uint8_t idx[4];
            std::memcpy(idx, p + 12 + weights * 4, 4);
            float rest = 1;
            for (DWORD k = 0; k < weights; ++k) rest -= w[k];
            w[weights] = rest;
            EXPECT_NEAR(w[0] + w[1] + w[2] + w[3], 1.0f, 1e-6);
            D3DXVECTOR3 skinned(0, 0, 0);
            for (DWORD k = 0; k < maxInfl; ++k) {
                if (w[k] == 0) continue;
                EXPECT_LT(idx[k], palette);
                const DWORD bone = idx[k] < palette ? table[c].BoneId[idx[k]] : 0xFFFFFFFFu;
                EXPECT_NE(bone, 0xFFFFFFFFu);
                if (bone == 0xFFFFFFFFu) continue;
                D3DXMATRIX m = *skin->GetBoneOffsetMatrix(bone) * pose[bone];
                D3DXVECTOR3 q;
                D3DXVec3TransformCoord(&q, &pos, &m);
                skinned += q * w[k];
            }
            D3DXVECTOR3 srcPos;
            std::memcpy(&srcPos, sv + size_t(remap[v]) * src->GetNumBytesPerVertex(), 12);
            EXPECT_EQ(pos, srcPos);
            if (inf.byVertex[remap[v]].empty()) continue;
            const D3DXVECTOR3 ref = SkinSource(skin, inf, remap[v], srcPos, pose);
            const D3DXVECTOR3 d = skinned - ref;
            worst = std::max<double>(worst, D3DXVec3Length(&d));
        }
    EXPECT_LT(worst, 1e-4);

    // The output is already in attribute and first-use order: optimising it again
    // (as the skinned mesh does) moves nothing, so the combinations stay valid.
    const std::vector<uint8_t> vbBefore(ov, ov + size_t(out->GetNumVertices()) * stride);
    const std::vector<uint16_t> ibBefore(outIdx, outIdx + out->GetNumFaces() * 3);
    EXPECT_EQ(out->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr),
              S_OK);
    out->LockVertexBuffer(0, reinterpret_cast<void**>(&ov));
    out->LockIndexBuffer(0, reinterpret_cast<void**>(&outIdx));
    EXPECT_EQ(std::vector<uint8_t>(ov, ov + vbBefore.size()), vbBefore);
    EXPECT_EQ(std::vector<uint16_t>(outIdx, outIdx + ibBefore.size()), ibBefore);
    DWORD count = 0;
    out->GetAttributeTable(nullptr, &count);
    std::vector<D3DXATTRIBUTERANGE> ranges(count);
    out->GetAttributeTable(ranges.data(), &count);
    EXPECT_EQ(count, combos);
    for (DWORD c = 0; c < std::min(count, combos); ++c) {
        EXPECT_EQ(ranges[c].FaceStart, table[c].FaceStart);
        EXPECT_EQ(ranges[c].VertexStart, table[c].VertexStart);
        EXPECT_EQ(ranges[c].VertexCount, table[c].VertexCount);
    }
    return combos;
}

TEST(SkinConvert, TheWusonMeshKeepsItsInvariantsAndSkinsAlike) {
    xtest::Scene scene;
    ASSERT_EQ(xtest::LoadScene(xtest::ReadCorpus("Testwuson.X"), &scene), S_OK);
    auto& m = scene.meshes.at(0);
    ASSERT_NE(m.skin, nullptr);
    EXPECT_EQ(m.skin->GetNumBones(), 37u);
    const DWORD wide = ConvertAndCheck(m.mesh.get(), m.skin.get(), 32);
    EXPECT_GE(wide, 2u);
    const DWORD narrow = ConvertAndCheck(m.mesh.get(), m.skin.get(), 12);
    EXPECT_GT(narrow, wide);
}

TEST(SkinConvert, FiveInfluencesKeepTheFourLargestAndSmallPalettesAreRefused) {
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &raw), S_OK);
    Com<ID3DXMesh> mesh(raw);
    uint16_t* idx = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    idx[0] = 0, idx[1] = 1, idx[2] = 2;
    ID3DXSkinInfo* rawSkin = nullptr;
    ASSERT_EQ(D3DXCreateSkinInfoFVF(3, mesh->GetFVF(), 5, &rawSkin), S_OK);
    Com<ID3DXSkinInfo> skin(rawSkin);
    // A new bone has no name and the identity offset; past the last there is none.
    D3DXMATRIX identity;
    EXPECT_TRUE(*skin->GetBoneOffsetMatrix(4) == *D3DXMatrixIdentity(&identity));
    EXPECT_EQ(skin->GetBoneOffsetMatrix(5), nullptr);
    EXPECT_EQ(skin->GetBoneName(0), nullptr);
    const float w[5] = {0.1f, 0.4f, 0.05f, 0.3f, 0.15f};
    for (DWORD b = 0; b < 5; ++b) {
        const DWORD v = 0;
        skin->SetBoneInfluence(b, 1, &v, &w[b]);
    }
    const DWORD bad = 3;
    EXPECT_TRUE(FAILED(skin->SetBoneInfluence(0, 1, &bad, w)));
    DWORD maxInfl = 0, combos = 0;
    ID3DXBuffer* table = nullptr;
    const auto convert = [&](ID3DXSkinInfo* from, ID3DXMesh* to, DWORD palette) {
        return from->ConvertToIndexedBlendedMesh(to, 0, palette, nullptr, nullptr, nullptr, nullptr, &maxInfl, &combos,
                                                 &table, &raw);
    };
    EXPECT_EQ(convert(skin.get(), mesh.get(), 3), D3DXERR_SKINNINGNOTSUPPORTED);
    // No palette, no mesh, nowhere for the result, or a layout with no FVF: a wrong call.
    const D3DVERTEXELEMENT9 noFvf[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_SYSTEMMEM, noFvf, nullptr, &raw), S_OK);
    Com<ID3DXMesh> odd(raw);
    for (ID3DXMesh* to : {mesh.get(), static_cast<ID3DXMesh*>(nullptr), odd.get()})
        EXPECT_EQ(convert(skin.get(), to, to == mesh.get() ? 0 : 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(mesh.get(), 0, 4, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(convert(skin.get(), mesh.get(), 4), S_OK);
    Com<ID3DXMesh> out(raw);
    Com<ID3DXBuffer> tableOwner(table);
    EXPECT_EQ(maxInfl, 4u);
    EXPECT_EQ(combos, 1u);
    const auto* c = static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer());
    std::set<DWORD> bones(c->BoneId, c->BoneId + 4);
    EXPECT_EQ(bones, (std::set<DWORD>{1, 3, 4, 0}));  // bone 2, the smallest, is dropped
    float* v = nullptr;
    out->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    EXPECT_NEAR(v[3], 0.4f / 0.95f, 1e-6);  // the largest first, renormalised
    // Unweighted vertices 1 and 2 take palette entry 0 whole.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(v);
    const DWORD stride = out->GetNumBytesPerVertex();
    float w1[3];
    std::memcpy(w1, bytes + stride + 12, 12);
    EXPECT_EQ(w1[0] + w1[1] + w1[2], 0.0f);
    EXPECT_EQ(bytes[stride + 24 + 3], 0);

    // A face of its own material with no weighted vertex still names bone 0.
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &raw), S_OK);
    Com<ID3DXMesh> two(raw);
    two->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    for (uint16_t i = 0; i < 6; ++i) idx[i] = i;
    DWORD* attributes = nullptr;
    two->LockAttributeBuffer(0, &attributes);
    attributes[0] = 0, attributes[1] = 1;
    ASSERT_EQ(D3DXCreateSkinInfoFVF(6, two->GetFVF(), 2, &rawSkin), S_OK);
    Com<ID3DXSkinInfo> oneBone(rawSkin);
    const DWORD first = 0;
    oneBone->SetBoneInfluence(1, 1, &first, w);
    ASSERT_EQ(convert(oneBone.get(), two.get(), 4), S_OK);
    Com<ID3DXMesh> twoOut(raw);
    Com<ID3DXBuffer> twoTable(table);
    ASSERT_EQ(combos, 2u);
    c = static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer());
    EXPECT_EQ(c[0].BoneId[0], 1u);
    EXPECT_EQ(c[1].BoneId[0], 0u);
    EXPECT_EQ(c[1].BoneId[1], 0xFFFFFFFFu);
}

}  // namespace
