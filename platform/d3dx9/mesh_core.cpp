// System-memory meshes: formats, clone, locks, attributes, adjacency and
// optimisation; buffers; normals, bounds and frame destruction.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <unordered_map>

#include "platform/d3dx9/mesh_internal.h"

namespace d3dx {
namespace {

class BufferImpl final : public RefCounted<ID3DXBuffer> {
public:
    explicit BufferImpl(size_t n) : bytes_(n) {}
    LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return DWORD(bytes_.size()); }

private:
    std::vector<uint8_t> bytes_;
};

UINT TypeSize(BYTE type) {
    switch (type) {
        case D3DDECLTYPE_FLOAT1: return 4;
        case D3DDECLTYPE_FLOAT2: return 8;
        case D3DDECLTYPE_FLOAT3: return 12;
        case D3DDECLTYPE_FLOAT4: return 16;
        case D3DDECLTYPE_D3DCOLOR:
        case D3DDECLTYPE_UBYTE4:
        case D3DDECLTYPE_UBYTE4N:
        case D3DDECLTYPE_SHORT2:
        case D3DDECLTYPE_SHORT2N:
        case D3DDECLTYPE_USHORT2N:
        case D3DDECLTYPE_UDEC3:
        case D3DDECLTYPE_DEC3N:
        case D3DDECLTYPE_FLOAT16_2: return 4;
        case D3DDECLTYPE_SHORT4:
        case D3DDECLTYPE_SHORT4N:
        case D3DDECLTYPE_USHORT4N:
        case D3DDECLTYPE_FLOAT16_4: return 8;
        default: return 0;
    }
}

bool IsFloatType(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }

std::vector<D3DVERTEXELEMENT9> DeclVector(const D3DVERTEXELEMENT9* decl) {
    std::vector<D3DVERTEXELEMENT9> out;
    for (UINT i = 0; decl && i < MAXD3DDECLLENGTH && decl[i].Stream != 0xFF; ++i) out.push_back(decl[i]);
    return out;
}

void Push(std::vector<D3DVERTEXELEMENT9>* d, WORD* offset, BYTE type, BYTE usage, BYTE index) {
    d->push_back(D3DVERTEXELEMENT9{0, *offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
    *offset = WORD(*offset + TypeSize(type));
}

}  // namespace

ID3DXBuffer* NewBuffer(size_t bytes) { return new BufferImpl(bytes); }

bool DeclFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* decl) {
    decl->clear();
    WORD offset = 0;
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (fvf & D3DFVF_RESERVED0) return false;
    int betas = 0;
    switch (pos) {
        case 0: break;
        case D3DFVF_XYZ: Push(decl, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0); break;
        case D3DFVF_XYZRHW: Push(decl, &offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0); break;
        case D3DFVF_XYZW: Push(decl, &offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0); break;
        case D3DFVF_XYZB1: case D3DFVF_XYZB2: case D3DFVF_XYZB3: case D3DFVF_XYZB4: case D3DFVF_XYZB5:
            Push(decl, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
            betas = int(pos - D3DFVF_XYZB1) / 2 + 1;
            break;
        default: return false;
    }
    const bool lastIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
    if (lastIndices && betas == 0) return false;
    const int weights = lastIndices ? betas - 1 : betas;
    if (weights > 4) return false;
    if (weights > 0) Push(decl, &offset, BYTE(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
    if (lastIndices)
        Push(decl, &offset, (fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
             D3DDECLUSAGE_BLENDINDICES, 0);
    if (fvf & D3DFVF_NORMAL) Push(decl, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) Push(decl, &offset, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) Push(decl, &offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) Push(decl, &offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    const DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) return false;
    for (DWORD i = 0; i < texCount; ++i) {
        const DWORD format = (fvf >> (16 + i * 2)) & 3;
        static const BYTE kTypes[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
        Push(decl, &offset, kTypes[format], D3DDECLUSAGE_TEXCOORD, BYTE(i));
    }
    return true;
}

DWORD DeclStride(const std::vector<D3DVERTEXELEMENT9>& decl) {
    DWORD end = 0;
    for (const auto& e : decl)
        if (e.Stream == 0) end = std::max<DWORD>(end, e.Offset + TypeSize(e.Type));
    return end;
}

namespace {

bool FvfFromDecl(const std::vector<D3DVERTEXELEMENT9>& decl, DWORD* out) {
    DWORD fvf = 0;
    int weights = 0;
    bool indices = false;
    bool indicesColor = false;
    DWORD tex = 0;
    DWORD texFormats = 0;
    for (const auto& e : decl) {
        switch (e.Usage) {
            case D3DDECLUSAGE_POSITION: fvf |= e.Type == D3DDECLTYPE_FLOAT4 ? D3DFVF_XYZW : D3DFVF_XYZ; break;
            case D3DDECLUSAGE_POSITIONT: fvf |= D3DFVF_XYZRHW; break;
            case D3DDECLUSAGE_BLENDWEIGHT: weights = e.Type <= D3DDECLTYPE_FLOAT4 ? e.Type + 1 : 0; break;
            case D3DDECLUSAGE_BLENDINDICES:
                indices = true;
                indicesColor = e.Type == D3DDECLTYPE_D3DCOLOR;
                break;
            case D3DDECLUSAGE_NORMAL: fvf |= D3DFVF_NORMAL; break;
            case D3DDECLUSAGE_PSIZE: fvf |= D3DFVF_PSIZE; break;
            case D3DDECLUSAGE_COLOR: fvf |= e.UsageIndex == 0 ? D3DFVF_DIFFUSE : D3DFVF_SPECULAR; break;
            case D3DDECLUSAGE_TEXCOORD: {
                static const DWORD kFormat[4] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2, D3DFVF_TEXTUREFORMAT3,
                                                 D3DFVF_TEXTUREFORMAT4};
                if (e.Type <= D3DDECLTYPE_FLOAT4) texFormats |= kFormat[e.Type] << (16 + tex * 2);
                ++tex;
                break;
            }
            default: return false;
        }
    }
    const int betas = weights + (indices ? 1 : 0);
    if (betas > 0) {
        if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || betas > 5) return false;
        fvf = (fvf & ~DWORD(D3DFVF_POSITION_MASK)) | DWORD(D3DFVF_XYZB1 + (betas - 1) * 2);
        if (indices) fvf |= indicesColor ? D3DFVF_LASTBETA_D3DCOLOR : D3DFVF_LASTBETA_UBYTE4;
    }
    fvf |= (tex << D3DFVF_TEXCOUNT_SHIFT) | texFormats;
    // Only a declaration laid out exactly as the FVF would be has one.
    std::vector<D3DVERTEXELEMENT9> check;
    if (!DeclFromFvf(fvf, &check) || check.size() != decl.size()) return false;
    for (size_t i = 0; i < check.size(); ++i)
        if (std::memcmp(&check[i], &decl[i], sizeof(D3DVERTEXELEMENT9)) != 0) return false;
    *out = fvf;
    return true;
}

void ReadFloats(const uint8_t* p, BYTE type, float v[4]) {
    v[0] = v[1] = v[2] = 0;
    v[3] = 1;
    std::memcpy(v, p, size_t(type + 1) * 4);
}

}  // namespace

void ConvertVertices(const std::vector<D3DVERTEXELEMENT9>& srcDecl, DWORD srcStride, const uint8_t* src,
                     const std::vector<D3DVERTEXELEMENT9>& dstDecl, DWORD dstStride, uint8_t* dst, size_t count) {
    std::memset(dst, 0, dstStride * count);
    for (const auto& d : dstDecl) {
        const D3DVERTEXELEMENT9* s = nullptr;
        for (const auto& e : srcDecl)
            if (e.Usage == d.Usage && e.UsageIndex == d.UsageIndex && e.Stream == d.Stream) s = &e;
        if (!s) continue;
        for (size_t v = 0; v < count; ++v) {
            const uint8_t* from = src + v * srcStride + s->Offset;
            uint8_t* to = dst + v * dstStride + d.Offset;
            if (s->Type == d.Type) {
                std::memcpy(to, from, TypeSize(d.Type));
            } else if (IsFloatType(s->Type) && IsFloatType(d.Type)) {
                float f[4];
                ReadFloats(from, s->Type, f);
                std::memcpy(to, f, size_t(d.Type + 1) * 4);
            } else if (TypeSize(s->Type) == 4 && TypeSize(d.Type) == 4 && !IsFloatType(s->Type) &&
                       !IsFloatType(d.Type)) {
                std::memcpy(to, from, 4);
            }
        }
    }
}

MeshImpl* MeshImpl::Create(DWORD faces, DWORD vertices, DWORD options, const std::vector<D3DVERTEXELEMENT9>& decl,
                           IDirect3DDevice9* device) {
    const DWORD stride = DeclStride(decl);
    if (stride == 0 || faces == 0 || vertices == 0) return nullptr;
    if (!(options & D3DXMESH_32BIT) && vertices > 65535) return nullptr;
    auto* m = new MeshImpl;
    m->options = options;
    m->decl = decl;
    m->stride = stride;
    if (!FvfFromDecl(decl, &m->fvf)) m->fvf = 0;
    m->vertexBytes.assign(size_t(stride) * vertices, 0);
    m->indexBytes.assign(size_t(faces) * 3 * ((options & D3DXMESH_32BIT) ? 4 : 2), 0);
    m->attributes.assign(faces, 0);
    m->device = device;
    if (device) device->AddRef();
    return m;
}

MeshImpl::~MeshImpl() {
    if (device) device->Release();
}

uint32_t MeshImpl::Index(size_t i) const {
    if (options & D3DXMESH_32BIT) {
        uint32_t v;
        std::memcpy(&v, indexBytes.data() + i * 4, 4);
        return v;
    }
    uint16_t v;
    std::memcpy(&v, indexBytes.data() + i * 2, 2);
    return v;
}

void MeshImpl::SetIndex(size_t i, uint32_t v) {
    if (options & D3DXMESH_32BIT) {
        std::memcpy(indexBytes.data() + i * 4, &v, 4);
    } else {
        const uint16_t s = uint16_t(v);
        std::memcpy(indexBytes.data() + i * 2, &s, 2);
    }
}

HRESULT MeshImpl::GetDevice(IDirect3DDevice9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = device;
    if (device) device->AddRef();
    return device ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT MeshImpl::GetDeclaration(D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE]) {
    if (!out) return D3DERR_INVALIDCALL;
    std::copy(decl.begin(), decl.end(), out);
    out[decl.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return S_OK;
}

HRESULT MeshImpl::CloneMeshFVF(DWORD opts, DWORD newFvf, IDirect3DDevice9* dev, ID3DXMesh** out) {
    std::vector<D3DVERTEXELEMENT9> d;
    if (!out || !DeclFromFvf(newFvf, &d)) return D3DERR_INVALIDCALL;
    d.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
    return CloneMesh(opts, d.data(), dev, out);
}

HRESULT MeshImpl::CloneMesh(DWORD opts, const D3DVERTEXELEMENT9* newDecl, IDirect3DDevice9* dev, ID3DXMesh** out) {
    if (!out || !newDecl) return D3DERR_INVALIDCALL;
    *out = nullptr;
    const auto d = DeclVector(newDecl);
    MeshImpl* m = Create(GetNumFaces(), GetNumVertices(), opts, d, dev);
    if (!m) return D3DERR_INVALIDCALL;
    ConvertVertices(decl, stride, vertexBytes.data(), m->decl, m->stride, m->vertexBytes.data(), GetNumVertices());
    for (size_t i = 0; i < size_t(GetNumFaces()) * 3; ++i) m->SetIndex(i, Index(i));
    m->attributes = attributes;
    m->table = table;
    *out = m;
    return S_OK;
}

HRESULT MeshImpl::LockVertexBuffer(DWORD, LPVOID* data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = vertexBytes.data();
    return S_OK;
}

HRESULT MeshImpl::LockIndexBuffer(DWORD, LPVOID* data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = indexBytes.data();
    return S_OK;
}

HRESULT MeshImpl::LockAttributeBuffer(DWORD, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = attributes.data();
    return S_OK;
}

HRESULT MeshImpl::GetAttributeTable(D3DXATTRIBUTERANGE* out, DWORD* size) {
    if (!size) return D3DERR_INVALIDCALL;
    if (out) std::copy(table.begin(), table.end(), out);
    *size = DWORD(table.size());
    return S_OK;
}

HRESULT MeshImpl::SetAttributeTable(const D3DXATTRIBUTERANGE* t, DWORD n) {
    if (n && !t) return D3DERR_INVALIDCALL;
    for (DWORD i = 0; i < n; ++i)
        if (uint64_t(t[i].FaceStart) + t[i].FaceCount > GetNumFaces() ||
            uint64_t(t[i].VertexStart) + t[i].VertexCount > GetNumVertices())
            return D3DERR_INVALIDCALL;
    table.assign(t, t + n);
    return S_OK;
}

HRESULT MeshImpl::GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) {
    if (!adjacency) return D3DERR_INVALIDCALL;
    const DWORD nv = GetNumVertices();
    // Every vertex is represented by the first vertex at its position.
    std::vector<uint32_t> rep(nv);
    if (epsilon <= 0.0f) {
        // Exact matches: one hash lookup a vertex (-0 and 0 are one position).
        struct Hash {
            size_t operator()(const std::array<float, 3>& p) const {
                size_t h = 0;
                for (float f : p) {
                    uint32_t bits;
                    std::memcpy(&bits, &f, 4);
                    h = h * 1000003u ^ bits;
                }
                return h;
            }
        };
        std::unordered_map<std::array<float, 3>, uint32_t, Hash> first;
        for (uint32_t v = 0; v < nv; ++v) {
            const float* p = Position(v);
            const std::array<float, 3> key = {p[0] + 0.0f, p[1] + 0.0f, p[2] + 0.0f};
            rep[v] = first.emplace(key, v).first->second;
        }
        return AdjacencyFromRepresentatives(rep, adjacency);
    }
    std::vector<uint32_t> order(nv);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return Position(a)[0] < Position(b)[0]; });
    std::iota(rep.begin(), rep.end(), 0u);
    const float eps = std::max(0.0f, epsilon);
    for (size_t i = 0; i < order.size(); ++i) {
        const uint32_t a = order[i];
        if (rep[a] != a) continue;
        const float* pa = Position(a);
        for (size_t j = i + 1; j < order.size(); ++j) {
            const uint32_t b = order[j];
            const float* pb = Position(b);
            if (pb[0] - pa[0] > eps) break;
            if (rep[b] == b && std::fabs(pb[1] - pa[1]) <= eps && std::fabs(pb[2] - pa[2]) <= eps &&
                std::fabs(pb[0] - pa[0]) <= eps)
                rep[b] = a;
        }
    }
    return AdjacencyFromRepresentatives(rep, adjacency);
}

HRESULT MeshImpl::AdjacencyFromRepresentatives(const std::vector<uint32_t>& rep, DWORD* adjacency) {
    const DWORD nv = GetNumVertices();
    const DWORD nf = GetNumFaces();
    std::unordered_map<uint64_t, std::vector<uint32_t>> edges;  // (rep lo, rep hi) -> face*3+edge
    auto key = [](uint32_t a, uint32_t b) { return (uint64_t(std::min(a, b)) << 32) | std::max(a, b); };
    for (DWORD f = 0; f < nf; ++f)
        for (int e = 0; e < 3; ++e) {
            const uint32_t a = Index(size_t(f) * 3 + e), b = Index(size_t(f) * 3 + (e + 1) % 3);
            if (a >= nv || b >= nv) continue;
            if (rep[a] == rep[b]) continue;
            edges[key(rep[a], rep[b])].push_back(f * 3 + uint32_t(e));
        }
    std::fill(adjacency, adjacency + size_t(nf) * 3, 0xFFFFFFFFu);
    for (auto& [k, list] : edges) {
        // Faces on one edge pair up in order; a third face stays alone.
        for (size_t i = 0; i + 1 < list.size(); i += 2) {
            const uint32_t x = list[i], y = list[i + 1];
            if (x / 3 == y / 3) continue;
            adjacency[x] = y / 3;
            adjacency[y] = x / 3;
        }
    }
    return S_OK;
}

HRESULT MeshImpl::OptimizeInplace(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                                  ID3DXBuffer** vertexRemap) {
    const DWORD nf = GetNumFaces();
    const DWORD nv = GetNumVertices();
    if (vertexRemap) *vertexRemap = nullptr;
    std::vector<uint32_t> faceOrder(nf);
    std::iota(faceOrder.begin(), faceOrder.end(), 0u);
    const bool sort = (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool compact = sort || (flags & D3DXMESHOPT_COMPACT);
    if (sort)
        std::stable_sort(faceOrder.begin(), faceOrder.end(),
                         [&](uint32_t a, uint32_t b) { return attributes[a] < attributes[b]; });
    // Vertices in order of first use, unused ones dropped (kept when told to ignore vertices).
    std::vector<uint32_t> newOf(nv, 0xFFFFFFFFu), oldOf;
    if (compact && !(flags & D3DXMESHOPT_IGNOREVERTS)) {
        for (uint32_t f : faceOrder)
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = Index(size_t(f) * 3 + c);
                if (v < nv && newOf[v] == 0xFFFFFFFFu) {
                    newOf[v] = uint32_t(oldOf.size());
                    oldOf.push_back(v);
                }
            }
    } else {
        oldOf.resize(nv);
        std::iota(oldOf.begin(), oldOf.end(), 0u);
        std::iota(newOf.begin(), newOf.end(), 0u);
    }
    if (oldOf.empty()) return D3DXERR_INVALIDMESH;
    std::vector<uint8_t> vb(size_t(stride) * oldOf.size());
    for (size_t i = 0; i < oldOf.size(); ++i)
        std::memcpy(vb.data() + i * stride, vertexBytes.data() + size_t(oldOf[i]) * stride, stride);
    std::vector<uint8_t> ib(indexBytes.size());
    std::vector<DWORD> attr(nf);
    std::vector<uint32_t> faceNew(nf);
    const std::vector<uint8_t> oldIb = indexBytes;
    for (DWORD i = 0; i < nf; ++i) faceNew[faceOrder[i]] = i;
    indexBytes.swap(ib);
    for (DWORD i = 0; i < nf; ++i) {
        const uint32_t f = faceOrder[i];
        for (int c = 0; c < 3; ++c) {
            uint32_t v;
            if (options & D3DXMESH_32BIT) {
                std::memcpy(&v, oldIb.data() + (size_t(f) * 3 + c) * 4, 4);
            } else {
                uint16_t s;
                std::memcpy(&s, oldIb.data() + (size_t(f) * 3 + c) * 2, 2);
                v = s;
            }
            SetIndex(size_t(i) * 3 + c, v < nv ? newOf[v] : v);
        }
        attr[i] = attributes[f];
    }
    if (adjOut) {
        std::vector<DWORD> adj(size_t(nf) * 3, 0xFFFFFFFFu);
        if (adjIn) {
            for (DWORD i = 0; i < nf; ++i)
                for (int c = 0; c < 3; ++c) {
                    const DWORD n = adjIn[size_t(faceOrder[i]) * 3 + c];
                    adj[size_t(i) * 3 + c] = n < nf ? faceNew[n] : 0xFFFFFFFFu;
                }
        }
        std::copy(adj.begin(), adj.end(), adjOut);
    }
    if (faceRemap) std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
    if (vertexRemap) {
        ID3DXBuffer* b = NewBuffer(oldOf.size() * 4);
        std::memcpy(b->GetBufferPointer(), oldOf.data(), oldOf.size() * 4);
        *vertexRemap = b;
    }
    vertexBytes.swap(vb);
    attributes.swap(attr);
    if (sort) {
        table.clear();
        for (DWORD i = 0; i < nf; ++i) {
            if (table.empty() || table.back().AttribId != attributes[i])
                table.push_back(D3DXATTRIBUTERANGE{attributes[i], i, 0, 0xFFFFFFFFu, 0});
            D3DXATTRIBUTERANGE& r = table.back();
            ++r.FaceCount;
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = Index(size_t(i) * 3 + c);
                const uint32_t end = std::max(r.VertexStart == 0xFFFFFFFFu ? 0 : r.VertexStart + r.VertexCount, v + 1);
                r.VertexStart = std::min(r.VertexStart, v);
                r.VertexCount = end - r.VertexStart;
            }
        }
    }
    return S_OK;
}

HRESULT MeshImpl::Optimize(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                           ID3DXBuffer** vertexRemap, ID3DXMesh** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    ID3DXMesh* clone = nullptr;
    std::vector<D3DVERTEXELEMENT9> d = decl;
    d.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
    if (HRESULT hr = CloneMesh(flags & 0x3FFFF, d.data(), device, &clone); FAILED(hr)) return hr;
    if (HRESULT hr = clone->OptimizeInplace(flags, adjIn, adjOut, faceRemap, vertexRemap); FAILED(hr)) {
        clone->Release();
        return hr;
    }
    *out = clone;
    return S_OK;
}

}  // namespace d3dx

using d3dx::MeshImpl;

HRESULT WINAPI D3DXCreateBuffer(DWORD n, ID3DXBuffer** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = d3dx::NewBuffer(n);
    return S_OK;
}

HRESULT WINAPI D3DXCreateMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* decl,
                              IDirect3DDevice9* device, ID3DXMesh** out) {
    if (!out || !decl) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> d;
    for (UINT i = 0; i < MAXD3DDECLLENGTH && decl[i].Stream != 0xFF; ++i) d.push_back(decl[i]);
    *out = MeshImpl::Create(faces, vertices, options, d, device);
    return *out ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT WINAPI D3DXCreateMeshFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                                 ID3DXMesh** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    std::vector<D3DVERTEXELEMENT9> d;
    if (!d3dx::DeclFromFvf(fvf, &d)) return D3DERR_INVALIDCALL;
    *out = MeshImpl::Create(faces, vertices, options, d, device);
    return *out ? S_OK : D3DERR_INVALIDCALL;
}

UINT WINAPI D3DXGetFVFVertexSize(DWORD fvf) {
    std::vector<D3DVERTEXELEMENT9> d;
    return d3dx::DeclFromFvf(fvf, &d) ? d3dx::DeclStride(d) : 0;
}

UINT WINAPI D3DXGetDeclLength(const D3DVERTEXELEMENT9* decl) {
    UINT n = 0;
    while (decl && n < MAXD3DDECLLENGTH && decl[n].Stream != 0xFF) ++n;
    return n;
}

UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* decl, DWORD stream) {
    std::vector<D3DVERTEXELEMENT9> d;
    for (UINT i = 0; i < D3DXGetDeclLength(decl); ++i)
        if (decl[i].Stream == stream) d.push_back(decl[i]), d.back().Stream = 0;
    return d3dx::DeclStride(d);
}

HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE]) {
    std::vector<D3DVERTEXELEMENT9> d;
    if (!out || !d3dx::DeclFromFvf(fvf, &d)) return D3DERR_INVALIDCALL;
    std::copy(d.begin(), d.end(), out);
    out[d.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return S_OK;
}

HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* decl, DWORD* fvf) {
    if (!decl || !fvf) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> d;
    for (UINT i = 0; i < D3DXGetDeclLength(decl); ++i) d.push_back(decl[i]);
    return d3dx::FvfFromDecl(d, fvf) ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT WINAPI D3DXComputeNormals(ID3DXMesh* mesh, const DWORD*) {
    auto* m = static_cast<MeshImpl*>(mesh);
    if (!m) return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9* pos = nullptr;
    const D3DVERTEXELEMENT9* nor = nullptr;
    for (const auto& e : m->decl) {
        if (e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) pos = &e;
        if (e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0 && e.Type == D3DDECLTYPE_FLOAT3) nor = &e;
    }
    if (!pos || !nor) return D3DERR_INVALIDCALL;
    const DWORD nv = m->GetNumVertices();
    std::vector<D3DXVECTOR3> sum(nv, D3DXVECTOR3(0, 0, 0));
    auto at = [&](uint32_t v) {
        D3DXVECTOR3 p;
        std::memcpy(&p, m->vertexBytes.data() + size_t(v) * m->stride + pos->Offset, 12);
        return p;
    };
    for (DWORD f = 0; f < m->GetNumFaces(); ++f) {
        uint32_t idx[3];
        for (int c = 0; c < 3; ++c) idx[c] = m->Index(size_t(f) * 3 + c);
        if (idx[0] >= nv || idx[1] >= nv || idx[2] >= nv) continue;
        const D3DXVECTOR3 p[3] = {at(idx[0]), at(idx[1]), at(idx[2])};
        D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0], n;
        D3DXVec3Cross(&n, &e1, &e2);
        D3DXVec3Normalize(&n, &n);
        for (int c = 0; c < 3; ++c) {
            D3DXVECTOR3 a = p[(c + 1) % 3] - p[c], b = p[(c + 2) % 3] - p[c];
            D3DXVec3Normalize(&a, &a);
            D3DXVec3Normalize(&b, &b);
            const float angle = std::acos(std::clamp(D3DXVec3Dot(&a, &b), -1.0f, 1.0f));
            sum[idx[c]] += n * angle;
        }
    }
    for (DWORD v = 0; v < nv; ++v) {
        D3DXVec3Normalize(&sum[v], &sum[v]);
        std::memcpy(m->vertexBytes.data() + size_t(v) * m->stride + nor->Offset, &sum[v], 12);
    }
    return S_OK;
}

HRESULT WINAPI D3DXComputeBoundingBox(const D3DXVECTOR3* first, DWORD n, DWORD stride, D3DXVECTOR3* mn,
                                      D3DXVECTOR3* mx) {
    if (!first || !mn || !mx || n == 0) return D3DERR_INVALIDCALL;
    const auto* p = reinterpret_cast<const uint8_t*>(first);
    D3DXVECTOR3 v;
    std::memcpy(&v, p, 12);
    *mn = *mx = v;
    for (DWORD i = 1; i < n; ++i) {
        std::memcpy(&v, p + size_t(i) * stride, 12);
        D3DXVec3Minimize(mn, mn, &v);
        D3DXVec3Maximize(mx, mx, &v);
    }
    return S_OK;
}

HRESULT WINAPI D3DXComputeBoundingSphere(const D3DXVECTOR3* first, DWORD n, DWORD stride, D3DXVECTOR3* centre,
                                         FLOAT* radius) {
    if (!first || !centre || !radius || n == 0) return D3DERR_INVALIDCALL;
    const auto* p = reinterpret_cast<const uint8_t*>(first);
    double sx = 0, sy = 0, sz = 0;
    D3DXVECTOR3 v;
    for (DWORD i = 0; i < n; ++i) {
        std::memcpy(&v, p + size_t(i) * stride, 12);
        sx += v.x, sy += v.y, sz += v.z;
    }
    *centre = D3DXVECTOR3(float(sx / n), float(sy / n), float(sz / n));
    float r = 0;
    for (DWORD i = 0; i < n; ++i) {
        std::memcpy(&v, p + size_t(i) * stride, 12);
        D3DXVECTOR3 d = v - *centre;
        r = std::max(r, D3DXVec3Length(&d));
    }
    *radius = r;
    return S_OK;
}

HRESULT WINAPI D3DXFrameDestroy(LPD3DXFRAME root, ID3DXAllocateHierarchy* alloc) {
    if (!root || !alloc) return D3DERR_INVALIDCALL;
    // Siblings iteratively, children recursively: long sibling lists cost no stack.
    while (root) {
        LPD3DXFRAME next = root->pFrameSibling;
        if (root->pFrameFirstChild) D3DXFrameDestroy(root->pFrameFirstChild, alloc);
        LPD3DXMESHCONTAINER c = root->pMeshContainer;
        while (c) {
            LPD3DXMESHCONTAINER nc = c->pNextMeshContainer;
            alloc->DestroyMeshContainer(c);
            c = nc;
        }
        alloc->DestroyFrame(root);
        root = next;
    }
    return S_OK;
}
