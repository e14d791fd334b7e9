// Meshes read from X file Mesh objects, with their materials and skin.
#include <cstring>
#include <map>
#include <string>

#include "platform/d3dx9/mesh_internal.h"
#include "platform/d3dx9/skin_info.h"
#include "platform/d3dx9/xfile_children.h"
#include "platform/d3dx9/xfile_internal.h"

namespace {

using xfile::Cursor;

struct ComRelease {
    void operator()(IUnknown* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

bool LockData(ID3DXFileData* d, Cursor* out) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (FAILED(d->Lock(&size, &p))) return false;
    d->Unlock();  // the bytes live as long as the data object
    *out = Cursor(static_cast<const uint8_t*>(p), size);
    return true;
}

// Visits every child; the first failed answer ends the walk and is answered.
template <typename Fn>
HRESULT ForEachChild(ID3DXFileData* d, Fn fn) {
    HRESULT result = S_OK;
    d3dx::ForEachChild(d, [&](ID3DXFileData* child) {
        result = fn(child);
        return SUCCEEDED(result);
    });
    return result;
}

GUID TypeOf(ID3DXFileData* d) {
    GUID g{};
    d->GetType(&g);
    return g;
}

struct Material {
    D3DMATERIAL9 mat{};
    std::string texture;
    bool hasTexture = false;
};

struct SkinBone {
    std::string name;
    std::vector<DWORD> vertices;
    std::vector<float> weights;
    D3DXMATRIX offset;
};

// Faces as read: corner lists of file vertex indices.
struct FaceList {
    std::vector<uint32_t> start;  // per face into corners, plus one end entry
    std::vector<uint32_t> corners;
};

bool ReadFaces(Cursor& c, uint32_t limit, FaceList* out) {
    uint32_t n;
    if (!c.Dword(&n) || n > c.Left() / 4) return false;
    out->start.assign(1, 0);
    for (uint32_t f = 0; f < n; ++f) {
        uint32_t k;
        if (!c.Dword(&k) || k > c.Left() / 4) return false;
        for (uint32_t i = 0; i < k; ++i) {
            uint32_t v;
            if (!c.Dword(&v) || v >= limit) return false;
            out->corners.push_back(v);
        }
        out->start.push_back(uint32_t(out->corners.size()));
    }
    return true;
}

HRESULT ReadMaterial(ID3DXFileData* d, Material* m) {
    Cursor c(nullptr, 0);
    if (!LockData(d, &c)) return D3DXFERR_BADOBJECT;
    float v[11];
    if (!c.Floats(v, 11)) return D3DXFERR_BADVALUE;
    m->mat.Diffuse = {v[0], v[1], v[2], v[3]};
    m->mat.Power = v[4];
    m->mat.Specular = {v[5], v[6], v[7], 1.0f};
    m->mat.Emissive = {v[8], v[9], v[10], 1.0f};
    m->mat.Ambient = {0, 0, 0, 1.0f};
    return ForEachChild(d, [&](ID3DXFileData* child) {
        if (TypeOf(child) != TID_D3DRMTextureFilename || m->hasTexture) return S_OK;
        Cursor t(nullptr, 0);
        const char* name = nullptr;
        if (LockData(child, &t) && t.String(&name) && name) {
            m->texture = name;
            m->hasTexture = true;
        }
        return S_OK;
    });
}

class MeshReader {
public:
    HRESULT Read(ID3DXFileData* data, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                 ID3DXBuffer** materials, ID3DXBuffer** effects, DWORD* numMaterials, ID3DXSkinInfo** skin,
                 ID3DXMesh** mesh) {
        if (!data || !mesh) return D3DERR_INVALIDCALL;
        if (TypeOf(data) != TID_D3DRMMesh) return D3DXFERR_BADTYPE;
        Cursor c(nullptr, 0);
        if (!LockData(data, &c)) return D3DXFERR_BADOBJECT;
        uint32_t nVertices;
        if (!c.Dword(&nVertices) || nVertices > c.Left() / 12) return D3DXFERR_BADVALUE;
        // 16-bit indices cannot reach more vertices: refused before anything is built.
        if (nVertices > 65535 && !(options & D3DXMESH_32BIT)) return D3DXERR_INVALIDMESH;
        positions_.resize(size_t(nVertices) * 3);
        if (!c.Floats(positions_.data(), positions_.size())) return D3DXFERR_BADVALUE;
        if (!ReadFaces(c, nVertices, &faces_)) return D3DXFERR_BADVALUE;
        if (nVertices == 0 || faces_.start.size() < 2) return D3DXERR_LOADEDMESHHASNODATA;

        if (HRESULT hr = ForEachChild(data, [&](ID3DXFileData* child) { return ReadChild(child, nVertices); });
            FAILED(hr))
            return hr;
        return Build(nVertices, options, device, adjacency, materials, effects, numMaterials, skin, mesh);
    }

private:
    HRESULT ReadChild(ID3DXFileData* d, uint32_t nVertices) {
        const GUID type = TypeOf(d);
        Cursor c(nullptr, 0);
        if (!LockData(d, &c)) return D3DXFERR_BADOBJECT;
        const uint32_t nFaces = uint32_t(faces_.start.size() - 1);
        if (type == TID_D3DRMMeshNormals) {
            uint32_t nn;
            if (!c.Dword(&nn) || nn > c.Left() / 12) return D3DXFERR_BADVALUE;
            normals_.resize(size_t(nn) * 3);
            if (!c.Floats(normals_.data(), normals_.size())) return D3DXFERR_BADVALUE;
            FaceList nf;
            if (!ReadFaces(c, nn, &nf)) return D3DXFERR_BADVALUE;
            // Normal faces must match the faces corner for corner, else they are ignored.
            hasNormals_ = nf.start == faces_.start;
            if (hasNormals_) normalCorners_ = nf.corners;
        } else if (type == TID_D3DRMMeshTextureCoords) {
            uint32_t nt;
            if (!c.Dword(&nt) || nt > c.Left() / 8) return D3DXFERR_BADVALUE;
            if (nt >= nVertices) {
                uv_.resize(size_t(nVertices) * 2);
                c.Floats(uv_.data(), uv_.size());
                hasUv_ = true;
            }
        } else if (type == TID_D3DRMMeshVertexColors) {
            uint32_t nc;
            if (!c.Dword(&nc) || nc > c.Left() / 20) return D3DXFERR_BADVALUE;
            colors_.assign(nVertices, 0xFFFFFFFFu);
            for (uint32_t k = 0; k < nc; ++k) {
                uint32_t index;
                float rgba[4];
                if (!c.Dword(&index) || !c.Floats(rgba, 4)) return D3DXFERR_BADVALUE;
                if (index >= nVertices) continue;
                auto byte = [](float f) { return !(f > 0) ? 0u : f >= 1 ? 255u : uint32_t(f * 255.0f + 0.5f); };
                colors_[index] = byte(rgba[3]) << 24 | byte(rgba[0]) << 16 | byte(rgba[1]) << 8 | byte(rgba[2]);
            }
            hasColors_ = true;
        } else if (type == TID_D3DRMMeshMaterialList) {
            uint32_t nm, ni;
            if (!c.Dword(&nm) || !c.Dword(&ni) || ni > c.Left() / 4) return D3DXFERR_BADVALUE;
            std::vector<uint32_t> idx(ni);
            for (uint32_t& v : idx) c.Dword(&v);
            materials_.clear();
            const HRESULT read = ForEachChild(d, [&](ID3DXFileData* child) {
                if (TypeOf(child) != TID_D3DRMMaterial) return S_OK;
                Material m;
                const HRESULT hr = ReadMaterial(child, &m);
                if (SUCCEEDED(hr)) materials_.push_back(m);
                return hr;
            });
            if (FAILED(read)) return read;
            if (materials_.size() > nm) materials_.resize(nm);
            // A short list repeats its last index; every index must name a material read.
            faceAttr_.assign(nFaces, 0);
            for (uint32_t f = 0; f < nFaces; ++f) {
                const uint32_t a = idx.empty() ? 0 : idx[std::min<size_t>(f, idx.size() - 1)];
                if (a >= materials_.size()) return D3DXFERR_BADVALUE;
                faceAttr_[f] = a;
            }
        } else if (type == DXFILEOBJ_SkinWeights) {
            SkinBone b;
            const char* name = nullptr;
            uint32_t nw;
            if (!c.String(&name) || !c.Dword(&nw) || nw > c.Left() / 8) return D3DXFERR_BADVALUE;
            b.name = name ? name : "";
            b.vertices.resize(nw);
            b.weights.resize(nw);
            for (DWORD& x : b.vertices) c.Dword(&x);
            if (!c.Floats(b.weights.data(), nw) || !c.Floats(&b.offset._11, 16)) return D3DXFERR_BADVALUE;
            // Influences on vertices the mesh does not have are dropped.
            size_t kept = 0;
            for (uint32_t k = 0; k < nw; ++k)
                if (b.vertices[k] < nVertices) {
                    b.vertices[kept] = b.vertices[k];
                    b.weights[kept++] = b.weights[k];
                }
            b.vertices.resize(kept);
            b.weights.resize(kept);
            bones_.push_back(std::move(b));
        }
        return S_OK;
    }

    HRESULT Build(uint32_t nVertices, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                  ID3DXBuffer** materials, ID3DXBuffer** effects, DWORD* numMaterials, ID3DXSkinInfo** skin,
                  ID3DXMesh** mesh) {
        const uint32_t nFaces = uint32_t(faces_.start.size() - 1);
        // A file vertex is split for every other normal its corners carry.
        std::vector<uint32_t> source(nVertices);
        std::vector<uint32_t> normalOf(nVertices, 0xFFFFFFFFu);
        for (uint32_t v = 0; v < nVertices; ++v) source[v] = v;
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> split;
        std::vector<uint32_t> cornerVertex(faces_.corners.size());
        for (size_t k = 0; k < faces_.corners.size(); ++k) {
            const uint32_t v = faces_.corners[k];
            if (!hasNormals_) {
                cornerVertex[k] = v;
                continue;
            }
            const uint32_t nIdx = normalCorners_[k];
            if (normalOf[v] == 0xFFFFFFFFu || normalOf[v] == nIdx) {
                normalOf[v] = nIdx;
                cornerVertex[k] = v;
                continue;
            }
            auto [it, fresh] = split.emplace(std::make_pair(v, nIdx), uint32_t(source.size()));
            if (fresh) {
                source.push_back(v);
                normalOf.push_back(nIdx);
            }
            cornerVertex[k] = it->second;
        }
        std::vector<uint32_t> tris;
        std::vector<DWORD> attr;
        for (uint32_t f = 0; f < nFaces; ++f) {
            const uint32_t s = faces_.start[f], e = faces_.start[f + 1];
            for (uint32_t k = s + 1; k + 1 < e; ++k) {
                tris.insert(tris.end(), {cornerVertex[s], cornerVertex[k], cornerVertex[k + 1]});
                attr.push_back(faceAttr_.empty() ? 0 : faceAttr_[f]);
            }
        }
        if (tris.empty()) return D3DXERR_LOADEDMESHHASNODATA;
        if (source.size() > 65535 && !(options & D3DXMESH_32BIT)) return D3DXERR_INVALIDMESH;
        // Every split copy carries its file vertex's influences. A bone's list so
        // spread may not outgrow the vertices: one naming a split vertex over and
        // over would be multiplied by its copies.
        std::vector<std::vector<uint32_t>> copies(bones_.empty() ? 0 : nVertices);
        if (!copies.empty())
            for (uint32_t v = 0; v < source.size(); ++v) copies[source[v]].push_back(v);
        for (const SkinBone& bone : bones_) {
            size_t spread = 0;
            for (uint32_t v : bone.vertices) spread += copies[v].size();
            if (spread > source.size()) return D3DXERR_INVALIDDATA;
        }

        DWORD fvf = D3DFVF_XYZ;
        if (hasNormals_) fvf |= D3DFVF_NORMAL;
        if (hasColors_) fvf |= D3DFVF_DIFFUSE;
        if (hasUv_) fvf |= D3DFVF_TEX1;
        std::vector<D3DVERTEXELEMENT9> decl;
        d3dx::DeclFromFvf(fvf, &decl);
        d3dx::MeshImpl* m = d3dx::MeshImpl::Create(DWORD(attr.size()), DWORD(source.size()), options, decl, device);
        if (!m) return D3DXERR_INVALIDMESH;
        ComPtr<ID3DXMesh> owned(m);
        for (size_t v = 0; v < source.size(); ++v) {
            uint8_t* p = m->vertexBytes.data() + v * m->stride;
            const uint32_t s = source[v];
            std::memcpy(p, &positions_[size_t(s) * 3], 12);
            p += 12;
            if (hasNormals_) {
                if (normalOf[v] != 0xFFFFFFFFu) std::memcpy(p, &normals_[size_t(normalOf[v]) * 3], 12);
                p += 12;
            }
            if (hasColors_) {
                std::memcpy(p, &colors_[s], 4);
                p += 4;
            }
            if (hasUv_) std::memcpy(p, &uv_[size_t(s) * 2], 8);
        }
        for (size_t i = 0; i < tris.size(); ++i) m->SetIndex(i, tris[i]);
        m->attributes = attr;

        ComPtr<ID3DXSkinInfo> skinInfo;
        if (!bones_.empty()) {
            auto* s = new d3dx::SkinInfoImpl(DWORD(source.size()), fvf, DWORD(bones_.size()));
            skinInfo.reset(s);
            for (DWORD b = 0; b < bones_.size(); ++b) {
                std::vector<DWORD> verts;
                std::vector<float> weights;
                for (size_t k = 0; k < bones_[b].vertices.size(); ++k)
                    for (uint32_t copy : copies[bones_[b].vertices[k]]) {
                        verts.push_back(copy);
                        weights.push_back(bones_[b].weights[k]);
                    }
                s->SetBoneName(b, bones_[b].name.c_str());
                s->SetBoneOffsetMatrix(b, &bones_[b].offset);
                s->SetBoneInfluence(b, DWORD(verts.size()), verts.data(), weights.data());
            }
        }

        if (adjacency) {
            *adjacency = d3dx::NewBuffer(attr.size() * 12);
            m->GenerateAdjacency(0.0f, static_cast<DWORD*>((*adjacency)->GetBufferPointer()));
        }
        if (materials) {
            size_t bytes = materials_.size() * sizeof(D3DXMATERIAL);
            for (const Material& mt : materials_)
                if (mt.hasTexture) bytes += mt.texture.size() + 1;
            *materials = materials_.empty() ? nullptr : d3dx::NewBuffer(bytes);
            if (*materials) {
                auto* out = static_cast<D3DXMATERIAL*>((*materials)->GetBufferPointer());
                char* text = reinterpret_cast<char*>(out + materials_.size());
                for (size_t i = 0; i < materials_.size(); ++i) {
                    out[i].MatD3D = materials_[i].mat;
                    out[i].pTextureFilename = nullptr;
                    if (materials_[i].hasTexture) {
                        std::memcpy(text, materials_[i].texture.c_str(), materials_[i].texture.size() + 1);
                        out[i].pTextureFilename = text;
                        text += materials_[i].texture.size() + 1;
                    }
                }
            }
        }
        if (effects) {
            *effects = materials_.empty() ? nullptr : d3dx::NewBuffer(materials_.size() * sizeof(D3DXEFFECTINSTANCE));
        }
        if (numMaterials) *numMaterials = DWORD(materials_.size());
        if (skin) *skin = skinInfo.release();
        *mesh = owned.release();
        return S_OK;
    }

    std::vector<float> positions_;
    FaceList faces_;
    std::vector<float> normals_;
    std::vector<uint32_t> normalCorners_;
    bool hasNormals_ = false;
    std::vector<float> uv_;
    bool hasUv_ = false;
    std::vector<uint32_t> colors_;
    bool hasColors_ = false;
    std::vector<Material> materials_;
    std::vector<DWORD> faceAttr_;
    std::vector<SkinBone> bones_;
};

}  // namespace

HRESULT WINAPI D3DXLoadSkinMeshFromXof(ID3DXFileData* data, DWORD options, IDirect3DDevice9* device,
                                       ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effects,
                                       DWORD* numMaterials, ID3DXSkinInfo** skin, ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (effects) *effects = nullptr;
    if (numMaterials) *numMaterials = 0;
    if (skin) *skin = nullptr;
    if (mesh) *mesh = nullptr;
    MeshReader reader;
    return reader.Read(data, options, device, adjacency, materials, effects, numMaterials, skin, mesh);
}

HRESULT WINAPI D3DXLoadMeshFromXof(ID3DXFileData* data, DWORD options, IDirect3DDevice9* device,
                                   ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effects,
                                   DWORD* numMaterials, ID3DXMesh** mesh) {
    return D3DXLoadSkinMeshFromXof(data, options, device, adjacency, materials, effects, numMaterials, nullptr,
                                   mesh);
}
