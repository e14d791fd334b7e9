// Skin information: bones with names, offsets and influences, and the
// conversion to palette-indexed blending.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

#include "platform/d3dx9/mesh_internal.h"
#include "platform/d3dx9/skin_info.h"

namespace d3dx {

HRESULT SkinInfoImpl::SetBoneInfluence(DWORD bone, DWORD n, const DWORD* vertices, const FLOAT* weights) {
    if (bone >= bones_.size() || (n && (!vertices || !weights))) return D3DERR_INVALIDCALL;
    for (DWORD i = 0; i < n; ++i)
        if (vertices[i] >= vertices_) return D3DERR_INVALIDCALL;
    bones_[bone].vertices.assign(vertices, vertices + n);
    bones_[bone].weights.assign(weights, weights + n);
    return S_OK;
}

DWORD SkinInfoImpl::GetNumBoneInfluences(DWORD bone) {
    return bone < bones_.size() ? DWORD(bones_[bone].vertices.size()) : 0;
}

HRESULT SkinInfoImpl::GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) {
    if (bone >= bones_.size() || !vertices || !weights) return D3DERR_INVALIDCALL;
    std::copy(bones_[bone].vertices.begin(), bones_[bone].vertices.end(), vertices);
    std::copy(bones_[bone].weights.begin(), bones_[bone].weights.end(), weights);
    return S_OK;
}

HRESULT SkinInfoImpl::GetMaxVertexInfluences(DWORD* max) {
    if (!max) return D3DERR_INVALIDCALL;
    std::vector<DWORD> count(vertices_, 0);
    for (const Bone& b : bones_)
        for (DWORD v : b.vertices) ++count[v];
    *max = count.empty() ? 0 : *std::max_element(count.begin(), count.end());
    return S_OK;
}

HRESULT SkinInfoImpl::SetBoneName(DWORD bone, LPCSTR name) {
    if (bone >= bones_.size() || !name) return D3DERR_INVALIDCALL;
    bones_[bone].name = name;
    bones_[bone].named = true;
    return S_OK;
}

LPCSTR SkinInfoImpl::GetBoneName(DWORD bone) {
    return bone < bones_.size() && bones_[bone].named ? bones_[bone].name.c_str() : nullptr;
}

HRESULT SkinInfoImpl::SetBoneOffsetMatrix(DWORD bone, const D3DXMATRIX* m) {
    if (bone >= bones_.size() || !m) return D3DERR_INVALIDCALL;
    bones_[bone].offset = *m;
    return S_OK;
}

D3DXMATRIX* SkinInfoImpl::GetBoneOffsetMatrix(DWORD bone) {
    return bone < bones_.size() ? &bones_[bone].offset : nullptr;
}

HRESULT SkinInfoImpl::ConvertToIndexedBlendedMesh(ID3DXMesh* mesh, DWORD options, DWORD paletteSize,
                                                  const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                                                  ID3DXBuffer** vertexRemap, DWORD* maxVertexInfl,
                                                  DWORD* numCombinations, ID3DXBuffer** combinations,
                                                  ID3DXMesh** out) {
    auto* src = static_cast<MeshImpl*>(mesh);
    if (!src || !out || paletteSize == 0 || src->GetFVF() == 0) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    if (combinations) *combinations = nullptr;
    const DWORD nv = src->GetNumVertices();
    const DWORD nf = src->GetNumFaces();

    // The four largest influences of each vertex, renormalised to sum one.
    struct Influence {
        float weight;
        DWORD bone;
    };
    std::vector<std::vector<Influence>> infl(nv);
    for (DWORD b = 0; b < bones_.size(); ++b)
        for (size_t i = 0; i < bones_[b].vertices.size(); ++i) {
            const DWORD v = bones_[b].vertices[i];
            const float w = bones_[b].weights[i];
            if (v < nv && w > 0 && std::isfinite(w)) infl[v].push_back({w, b});
        }
    DWORD maxInfl = 0;
    for (auto& list : infl) {
        std::stable_sort(list.begin(), list.end(), [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        if (list.size() > 4) list.resize(4);
        float sum = 0;
        for (const Influence& i : list) sum += i.weight;
        for (Influence& i : list) i.weight /= sum;
        maxInfl = std::max<DWORD>(maxInfl, DWORD(list.size()));
    }
    const DWORD betas = std::max<DWORD>(maxInfl, 1);

    std::vector<uint32_t> faces(nf);
    for (uint32_t f = 0; f < nf; ++f) faces[f] = f;
    std::stable_sort(faces.begin(), faces.end(),
                     [&](uint32_t a, uint32_t b) { return src->attributes[a] < src->attributes[b]; });

    struct Combo {
        DWORD attrib;
        std::vector<DWORD> bones;  // palette order
        std::vector<uint32_t> faces;
    };
    std::vector<Combo> combos;
    std::set<DWORD> current;
    for (uint32_t f : faces) {
        std::set<DWORD> need;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = src->Index(size_t(f) * 3 + c);
            if (v >= nv) return D3DXERR_INVALIDMESH;
            for (const Influence& i : infl[v]) need.insert(i.bone);
        }
        if (need.size() > paletteSize) return D3DXERR_SKINNINGNOTSUPPORTED;
        std::set<DWORD> merged = current;
        merged.insert(need.begin(), need.end());
        if (combos.empty() || combos.back().attrib != src->attributes[f] || merged.size() > paletteSize) {
            combos.push_back(Combo{src->attributes[f], {}, {}});
            current.clear();
            merged = need;
        }
        for (DWORD b : need)
            if (!current.count(b)) combos.back().bones.push_back(b);
        current = merged;
        combos.back().faces.push_back(f);
    }
    // A combination of unweighted faces still names one bone, so its palette is never empty.
    for (Combo& c : combos)
        if (c.bones.empty() && !bones_.empty()) c.bones.push_back(0);

    // Output vertices: one copy per combination that uses a source vertex.
    std::vector<uint32_t> oldOf;
    std::vector<std::vector<uint32_t>> comboVerts(combos.size());
    std::vector<uint32_t> newIndex(size_t(nf) * 3);
    std::vector<uint32_t> faceOrder;
    std::vector<DWORD> newAttr;
    std::vector<std::pair<DWORD, DWORD>> vertexRange(combos.size());
    for (size_t ci = 0; ci < combos.size(); ++ci) {
        std::map<uint32_t, uint32_t> local;
        const uint32_t first = uint32_t(oldOf.size());
        for (uint32_t f : combos[ci].faces) {
            const size_t nfNew = faceOrder.size();
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = src->Index(size_t(f) * 3 + c);
                auto [it, fresh] = local.emplace(v, uint32_t(oldOf.size()));
                if (fresh) {
                    oldOf.push_back(v);
                    comboVerts[ci].push_back(v);
                }
                newIndex[nfNew * 3 + c] = it->second;
            }
            faceOrder.push_back(f);
            newAttr.push_back(DWORD(ci));
        }
        vertexRange[ci] = {first, DWORD(oldOf.size()) - first};
    }
    DWORD opts = options & 0x3FFFF;
    if (oldOf.size() > 65535 && !(opts & D3DXMESH_32BIT)) return D3DXERR_INVALIDMESH;

    const DWORD fvf = (src->GetFVF() & ~DWORD(D3DFVF_POSITION_MASK | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) |
                      DWORD(D3DFVF_XYZB1 + (betas - 1) * 2) | D3DFVF_LASTBETA_UBYTE4;
    std::vector<D3DVERTEXELEMENT9> decl;
    if (!DeclFromFvf(fvf, &decl)) return D3DERR_INVALIDCALL;
    MeshImpl* dst = MeshImpl::Create(nf, DWORD(oldOf.size()), opts, decl, src->device);
    if (!dst) return D3DERR_INVALIDCALL;
    DWORD weightOffset = 0, indexOffset = 0;
    for (const auto& e : decl) {
        if (e.Usage == D3DDECLUSAGE_BLENDWEIGHT) weightOffset = e.Offset;
        if (e.Usage == D3DDECLUSAGE_BLENDINDICES) indexOffset = e.Offset;
    }
    size_t outVertex = 0;
    for (size_t ci = 0; ci < combos.size(); ++ci) {
        const Combo& combo = combos[ci];
        for (uint32_t v : comboVerts[ci]) {
            uint8_t* to = dst->vertexBytes.data() + outVertex * dst->stride;
            ConvertVertices(src->decl, src->stride, src->vertexBytes.data() + size_t(v) * src->stride, decl,
                            dst->stride, to, 1);
            float weights[4] = {0, 0, 0, 0};
            uint8_t index[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < infl[v].size(); ++k) {
                const auto slot = std::find(combo.bones.begin(), combo.bones.end(), infl[v][k].bone);
                index[k] = uint8_t(slot - combo.bones.begin());
                weights[k] = infl[v][k].weight;
            }
            if (betas > 1) std::memcpy(to + weightOffset, weights, (betas - 1) * 4);
            std::memcpy(to + indexOffset, index, 4);
            ++outVertex;
        }
    }
    for (size_t i = 0; i < newIndex.size(); ++i) dst->SetIndex(i, newIndex[i]);
    dst->attributes = newAttr;

    // One record per combination, their bone lists after them in the same buffer.
    const size_t head = combos.size() * sizeof(D3DXBONECOMBINATION);
    ID3DXBuffer* table = NewBuffer(head + combos.size() * paletteSize * sizeof(DWORD));
    auto* records = static_cast<D3DXBONECOMBINATION*>(table->GetBufferPointer());
    auto* ids = reinterpret_cast<DWORD*>(static_cast<uint8_t*>(table->GetBufferPointer()) + head);
    DWORD faceStart = 0;
    for (size_t ci = 0; ci < combos.size(); ++ci) {
        D3DXBONECOMBINATION& r = records[ci];
        r.AttribId = combos[ci].attrib;
        r.FaceStart = faceStart;
        r.FaceCount = DWORD(combos[ci].faces.size());
        r.VertexStart = vertexRange[ci].first;
        r.VertexCount = vertexRange[ci].second;
        r.BoneId = ids + ci * paletteSize;
        for (DWORD k = 0; k < paletteSize; ++k)
            r.BoneId[k] = k < combos[ci].bones.size() ? combos[ci].bones[k] : 0xFFFFFFFFu;
        dst->table.push_back(D3DXATTRIBUTERANGE{DWORD(ci), r.FaceStart, r.FaceCount, r.VertexStart, r.VertexCount});
        faceStart += r.FaceCount;
    }

    if (adjOut) {
        if (adjIn) {
            std::vector<uint32_t> faceNew(nf);
            for (uint32_t i = 0; i < nf; ++i) faceNew[faceOrder[i]] = i;
            for (uint32_t i = 0; i < nf; ++i)
                for (int c = 0; c < 3; ++c) {
                    const DWORD n = adjIn[size_t(faceOrder[i]) * 3 + c];
                    adjOut[size_t(i) * 3 + c] = n < nf ? faceNew[n] : 0xFFFFFFFFu;
                }
        } else {
            dst->GenerateAdjacency(0.0f, adjOut);
        }
    }
    if (faceRemap) std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
    if (vertexRemap) {
        *vertexRemap = NewBuffer(oldOf.size() * 4);
        std::memcpy((*vertexRemap)->GetBufferPointer(), oldOf.data(), oldOf.size() * 4);
    }
    if (maxVertexInfl) *maxVertexInfl = maxInfl;
    if (numCombinations) *numCombinations = DWORD(combos.size());
    if (combinations) *combinations = table;
    else table->Release();
    *out = dst;
    return S_OK;
}

}  // namespace d3dx

HRESULT WINAPI D3DXCreateSkinInfoFVF(DWORD vertices, DWORD fvf, DWORD bones, ID3DXSkinInfo** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = new d3dx::SkinInfoImpl(vertices, fvf, bones);
    return S_OK;
}
