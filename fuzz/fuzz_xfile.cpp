// Any bytes as an X file: every encoding's reader, every data object walked
// and locked, every Mesh object read, its skin converted, its adjacency,
// optimisation and normals computed.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dx9/d3dx9mesh.h"
#include "platform/d3dx9/d3dx9xof.h"

namespace {

volatile uint8_t sink;

void UseMesh(ID3DXMesh* mesh, ID3DXSkinInfo* skin) {
    std::vector<DWORD> adj(size_t(mesh->GetNumFaces()) * 3);
    mesh->GenerateAdjacency(0.0f, adj.data());
    if (skin) {
        ID3DXMesh* blended = nullptr;
        ID3DXBuffer* combos = nullptr;
        DWORD maxInfl = 0, count = 0;
        if (SUCCEEDED(skin->ConvertToIndexedBlendedMesh(mesh, 0, 32, adj.data(), nullptr, nullptr, nullptr, &maxInfl,
                                                        &count, &combos, &blended))) {
            if (maxInfl > 4) __builtin_trap();
            blended->Release();
            combos->Release();
        }
    }
    ID3DXMesh* clone = nullptr;
    if (SUCCEEDED(mesh->CloneMeshFVF(mesh->GetOptions(), mesh->GetFVF() | D3DFVF_NORMAL, nullptr, &clone))) {
        D3DXComputeNormals(clone, nullptr);
        clone->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adj.data(), adj.data(), nullptr, nullptr);
        DWORD n = 0;
        clone->GetAttributeTable(nullptr, &n);
        clone->Release();
    }
}

void Walk(ID3DXFileData* d, int depth) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (SUCCEEDED(d->Lock(&size, &p))) {
        if (size) sink = static_cast<const uint8_t*>(p)[size - 1];
        d->Unlock();
    }
    char name[300];
    SIZE_T len = sizeof name;
    d->GetName(name, &len);
    GUID type{};
    d->GetType(&type);
    if (type == TID_D3DRMMesh) {
        ID3DXMesh* mesh = nullptr;
        ID3DXSkinInfo* skin = nullptr;
        ID3DXBuffer *adj = nullptr, *mats = nullptr, *fx = nullptr;
        DWORD nm = 0;
        if (SUCCEEDED(D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, nullptr, &adj, &mats, &fx, &nm, &skin, &mesh))) {
            UseMesh(mesh, skin);
            mesh->Release();
            if (skin) skin->Release();
            if (adj) adj->Release();
            if (mats) mats->Release();
            if (fx) fx->Release();
        }
    }
    if (d->IsReference() || depth > 64) return;
    SIZE_T n = 0;
    d->GetChildren(&n);
    for (SIZE_T i = 0; i < n; ++i) {
        ID3DXFileData* c = nullptr;
        if (SUCCEEDED(d->GetChild(i, &c))) {
            Walk(c, depth + 1);
            c->Release();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ID3DXFile* file = nullptr;
    if (FAILED(D3DXFileCreate(&file))) return 0;
    // The file also as templates, as a loader registers its own.
    file->RegisterTemplates(data, size);
    D3DXF_FILELOADMEMORY mem{data, size};
    ID3DXFileEnumObject* en = nullptr;
    if (SUCCEEDED(file->CreateEnumObject(&mem, D3DXF_FILELOAD_FROMMEMORY, &en))) {
        SIZE_T n = 0;
        en->GetChildren(&n);
        for (SIZE_T i = 0; i < n; ++i) {
            ID3DXFileData* d = nullptr;
            if (SUCCEEDED(en->GetChild(i, &d))) {
                Walk(d, 0);
                d->Release();
            }
        }
        en->Release();
    }
    file->Release();
    return 0;
}
