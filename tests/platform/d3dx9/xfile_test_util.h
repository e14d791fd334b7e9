// Shared helpers of the X file and mesh tests: the corpus folder, and a scene
// gathered through the public X file and mesh interfaces (frames, meshes with
// materials and skins, animation keys).
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9mesh.h"
#include "platform/d3dx9/d3dx9xof.h"
#include "tests/support/records.h"
#include "tests/support/test_support.h"

namespace xtest {

// The shared folder sits beside the source tree; QUENRITH_SHARED_DIR points
// elsewhere when the tree is checked out on its own.
inline std::string CorpusDir() {
    const char* shared = std::getenv("QUENRITH_SHARED_DIR");
    return (shared ? std::string(shared) : testsupport::SourceDir() + "/../shared") + "/testdata/xfiles/";
}

inline std::vector<uint8_t> ReadCorpus(const std::string& name) {
    const std::string s = testsupport::ReadFile(CorpusDir() + name);
    return std::vector<uint8_t>(s.begin(), s.end());
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// MSZIP: the total size, then blocks of raw deflate, each with what came before
// as its window. next(out, n) appends the body's next n bytes, so a body need
// not be held whole; a block that repeats the one before, window and all, is
// packed once.
template <typename Next>
std::string CompressBody(const std::string& header, uint64_t bodySize, size_t blockSize, Next next) {
    const uint32_t total = uint32_t(16 + bodySize);
    std::string out = header, window, block, last, packed;
    out.append(reinterpret_cast<const char*>(&total), 4);
    for (uint64_t at = 0; at < bodySize; at += blockSize) {
        const size_t n = size_t(std::min<uint64_t>(blockSize, bodySize - at));
        block.clear();
        next(&block, n);
        if (last.size() != window.size() + n || last.compare(0, window.size(), window) != 0 ||
            last.compare(window.size(), n, block) != 0) {
            last.assign(window).append(block);
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
            if (!window.empty())
                deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(window.data()), uInt(window.size()));
            packed.assign(deflateBound(&z, uLong(n)) + 16, '\0');
            z.next_in = reinterpret_cast<Bytef*>(block.data());
            z.avail_in = uInt(n);
            z.next_out = reinterpret_cast<Bytef*>(packed.data());
            z.avail_out = uInt(packed.size());
            deflate(&z, Z_FINISH);
            packed.resize(z.total_out);
            deflateEnd(&z);
        }
        const uint16_t raw = uint16_t(n), size = uint16_t(packed.size() + 2);
        out.append(reinterpret_cast<const char*>(&raw), 2);
        out.append(reinterpret_cast<const char*>(&size), 2);
        out += "CK" + packed;
        window.append(block);
        if (window.size() > 32768) window.erase(0, window.size() - 32768);
    }
    return out;
}

inline std::string Compress(const std::string& file, bool binary, size_t blockSize) {
    size_t at = 16;
    return CompressBody(file.substr(0, 8) + (binary ? "bzip" : "tzip") + file.substr(12, 4), file.size() - 16,
                        blockSize, [&](std::string* out, size_t n) {
                            out->append(file, at, n);
                            at += n;
                        });
}

struct Releaser {
    void operator()(IUnknown* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using Com = std::unique_ptr<T, Releaser>;

struct Mesh {
    std::string name;
    std::string frame;
    Com<ID3DXMesh> mesh;
    Com<ID3DXSkinInfo> skin;
    Com<ID3DXBuffer> adjacency;
    std::vector<D3DXMATERIAL> materials;
    std::vector<std::string> textures;
    HRESULT result = S_OK;
};

struct Frame {
    std::string name;
    std::string parent;  // empty for a top-level frame
    D3DXMATRIX transform = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
};

struct Key {
    uint32_t time;
    std::vector<float> values;
};

struct Animation {
    std::string target;
    std::vector<Key> keys[5];  // by key type
};

struct AnimationSet {
    std::string name;
    std::vector<Animation> animations;
};

struct Scene {
    std::vector<Frame> frames;  // pre-order
    std::vector<Mesh> meshes;
    std::vector<AnimationSet> sets;
};

inline std::string NameOf(ID3DXFileData* d) {
    SIZE_T n = 0;
    if (FAILED(d->GetName(nullptr, &n)) || n == 0) return {};
    std::string s(n, '\0');
    d->GetName(s.data(), &n);
    s.resize(n - 1);
    return s;
}

inline GUID TypeOf(ID3DXFileData* d) {
    GUID g{};
    d->GetType(&g);
    return g;
}

inline Com<ID3DXFileData> ChildOf(ID3DXFileData* d, SIZE_T i) {
    ID3DXFileData* c = nullptr;
    d->GetChild(i, &c);
    return Com<ID3DXFileData>(c);
}

inline SIZE_T CountOf(ID3DXFileData* d) {
    SIZE_T n = 0;
    d->GetChildren(&n);
    return n;
}

inline void ReadMesh(ID3DXFileData* d, const std::string& frame, Scene* scene) {
    Mesh m;
    m.name = NameOf(d);
    m.frame = frame;
    // Outputs start as junk: a load writes each, a failed one as nothing.
    void* const junk = &m;
    ID3DXBuffer *adj = static_cast<ID3DXBuffer*>(junk), *mats = adj, *fx = adj;
    ID3DXSkinInfo* skin = static_cast<ID3DXSkinInfo*>(junk);
    ID3DXMesh* mesh = static_cast<ID3DXMesh*>(junk);
    DWORD nm = 9;
    m.result = D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, nullptr, &adj, &mats, &fx, &nm, &skin, &mesh);
    for (void* out : {static_cast<void*>(adj), static_cast<void*>(mats), static_cast<void*>(fx),
                      static_cast<void*>(skin), static_cast<void*>(mesh)})
        EXPECT_TRUE(out != junk && (SUCCEEDED(m.result) || out == nullptr)) << m.name;
    m.mesh.reset(mesh);
    m.skin.reset(skin);
    m.adjacency.reset(adj);
    if (mats) {
        auto* p = static_cast<D3DXMATERIAL*>(mats->GetBufferPointer());
        for (DWORD i = 0; i < nm; ++i) {
            m.materials.push_back(p[i]);
            m.textures.push_back(p[i].pTextureFilename ? p[i].pTextureFilename : "");
        }
        mats->Release();
    }
    if (fx) fx->Release();
    scene->meshes.push_back(std::move(m));
}

inline void ReadFrame(ID3DXFileData* d, const std::string& parent, Scene* scene) {
    Frame f;
    f.name = NameOf(d);
    f.parent = parent;
    const size_t at = scene->frames.size();
    scene->frames.push_back(f);
    for (SIZE_T i = 0; i < CountOf(d); ++i) {
        auto c = ChildOf(d, i);
        const GUID t = TypeOf(c.get());
        if (t == TID_D3DRMFrameTransformMatrix) {
            SIZE_T size = 0;
            const void* p = nullptr;
            if (SUCCEEDED(c->Lock(&size, &p)) && size == 64) std::memcpy(&scene->frames[at].transform, p, 64);
            c->Unlock();
        } else if (t == TID_D3DRMFrame && !c->IsReference()) {
            ReadFrame(c.get(), f.name, scene);
        } else if (t == TID_D3DRMMesh) {
            ReadMesh(c.get(), f.name, scene);
        }
    }
}

inline void ReadAnimationSet(ID3DXFileData* d, Scene* scene) {
    AnimationSet set;
    set.name = NameOf(d);
    for (SIZE_T i = 0; i < CountOf(d); ++i) {
        auto a = ChildOf(d, i);
        if (TypeOf(a.get()) != TID_D3DRMAnimation) continue;
        Animation anim;
        for (SIZE_T k = 0; k < CountOf(a.get()); ++k) {
            auto c = ChildOf(a.get(), k);
            if (c->IsReference()) {
                anim.target = NameOf(c.get());
                continue;
            }
            if (TypeOf(c.get()) != TID_D3DRMAnimationKey) continue;
            SIZE_T size = 0;
            const void* p = nullptr;
            c->Lock(&size, &p);
            const auto* w = static_cast<const uint8_t*>(p);
            auto dw = [&](size_t at) {
                uint32_t v;
                std::memcpy(&v, w + at, 4);
                return v;
            };
            const uint32_t type = dw(0), n = dw(4);
            size_t at = 8;
            for (uint32_t j = 0; j < n && type < 5; ++j) {
                Key key;
                key.time = dw(at);
                const uint32_t nv = dw(at + 4);
                key.values.resize(nv);
                std::memcpy(key.values.data(), w + at + 8, nv * 4);
                at += 8 + nv * 4;
                anim.keys[type].push_back(key);
            }
            c->Unlock();
        }
        set.animations.push_back(std::move(anim));
    }
    scene->sets.push_back(std::move(set));
}

// A file's enumeration object over bytes in memory (null on failure, with *result set).
inline Com<ID3DXFileEnumObject> OpenEnum(const void* data, size_t size, ID3DXFile* file = nullptr,
                                         HRESULT* result = nullptr) {
    Com<ID3DXFile> own;
    if (!file) {
        ID3DXFile* raw = nullptr;
        D3DXFileCreate(&raw);
        own.reset(raw);
        file = raw;
    }
    D3DXF_FILELOADMEMORY mem{data, size};
    ID3DXFileEnumObject* rawEnum = nullptr;
    const HRESULT hr = file->CreateEnumObject(&mem, D3DXF_FILELOAD_FROMMEMORY, &rawEnum);
    if (result) *result = hr;
    return Com<ID3DXFileEnumObject>(rawEnum);
}

inline HRESULT LoadScene(const std::vector<uint8_t>& bytes, Scene* scene) {
    HRESULT hr = S_OK;
    Com<ID3DXFileEnumObject> en = OpenEnum(bytes.data(), bytes.size(), nullptr, &hr);
    if (FAILED(hr)) return hr;
    SIZE_T n = 0;
    en->GetChildren(&n);
    for (SIZE_T i = 0; i < n; ++i) {
        ID3DXFileData* raw = nullptr;
        en->GetChild(i, &raw);
        Com<ID3DXFileData> d(raw);
        const GUID t = TypeOf(raw);
        if (t == TID_D3DRMFrame) ReadFrame(raw, "", scene);
        else if (t == TID_D3DRMMesh) ReadMesh(raw, "", scene);
        else if (t == TID_D3DRMAnimationSet) ReadAnimationSet(raw, scene);
    }
    return S_OK;
}

// Positions of the vertices the faces use.
inline std::vector<D3DXVECTOR3> UsedPositions(ID3DXMesh* m) {
    std::vector<D3DXVECTOR3> out;
    void* vb = nullptr;
    void* ib = nullptr;
    m->LockVertexBuffer(D3DLOCK_READONLY, &vb);
    m->LockIndexBuffer(D3DLOCK_READONLY, &ib);
    const bool wide = m->GetOptions() & D3DXMESH_32BIT;
    std::vector<bool> used(m->GetNumVertices(), false);
    for (DWORD i = 0; i < m->GetNumFaces() * 3; ++i) {
        uint32_t v = wide ? static_cast<uint32_t*>(ib)[i] : static_cast<uint16_t*>(ib)[i];
        used[v] = true;
    }
    for (DWORD v = 0; v < m->GetNumVertices(); ++v)
        if (used[v]) {
            D3DXVECTOR3 p;
            std::memcpy(&p, static_cast<uint8_t*>(vb) + size_t(v) * m->GetNumBytesPerVertex(), 12);
            out.push_back(p);
        }
    m->UnlockIndexBuffer();
    m->UnlockVertexBuffer();
    return out;
}

inline void FoldBuffer(records::Fnv& f, ID3DXBuffer* b) {
    f.Add(b ? b->GetBufferSize() : 0);
    if (b) f.Bytes(b->GetBufferPointer(), b->GetBufferSize());
}

// A mesh's buffers and attribute table, as its interface hands them out.
inline void FoldMeshData(records::Fnv& f, ID3DXMesh* mesh) {
    const DWORD nv = mesh->GetNumVertices(), nf = mesh->GetNumFaces(), stride = mesh->GetNumBytesPerVertex();
    for (DWORD v : {mesh->GetFVF(), mesh->GetOptions(), nv, nf, stride}) f.Add(v);
    void* p = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &p);
    f.Bytes(p, size_t(nv) * stride);
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &p);
    f.Bytes(p, size_t(nf) * 3 * (mesh->GetOptions() & D3DXMESH_32BIT ? 4 : 2));
    mesh->UnlockIndexBuffer();
    DWORD* attr = nullptr;
    mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attr);
    f.Bytes(attr, size_t(nf) * 4);
    mesh->UnlockAttributeBuffer();
    DWORD n = 0;
    mesh->GetAttributeTable(nullptr, &n);
    std::vector<D3DXATTRIBUTERANGE> table(n);
    mesh->GetAttributeTable(table.data(), &n);
    f.Bytes(table.data(), n * sizeof(D3DXATTRIBUTERANGE));
}

}  // namespace xtest
