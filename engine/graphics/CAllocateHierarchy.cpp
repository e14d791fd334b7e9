// The frame-hierarchy allocator.
#include "engine/graphics/CAllocateHierarchy.h"

#include <cstring>

#include "engine/core/KestraLog.h"
#include "engine/graphics/KestraTexture.h"

namespace {

char* CopyName(LPCSTR name) {
    const char* text = name ? name : "";
    const size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(Kestra::MemoryAlloc(uint32_t(n)));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

template <typename T>
T* Allocate(size_t count) {
    return static_cast<T*>(Kestra::MemoryAlloc(uint32_t(sizeof(T) * (count ? count : 1))));
}

// A name with a drive letter ("C:\...\x.tga") is reduced to the text after its last '\'.
const char* TextureBaseName(const char* name) {
    if (name[0] == '\0' || name[1] != ':') return name;
    const char* slash = std::strrchr(name, '\\');
    return slash ? slash + 1 : name;
}

}  // namespace

HRESULT CAllocateHierarchy::CreateFrame(LPCSTR name, LPD3DXFRAME* out) {
    if (!out) return E_FAIL;
    *out = nullptr;
    auto* frame = Allocate<KestraFrameRecord>(1);
    if (!frame) return E_OUTOFMEMORY;
    frame->Name = CopyName(name);
    if (!frame->Name) {
        Kestra::MemoryFree(frame);
        return E_OUTOFMEMORY;
    }
    D3DXMatrixIdentity(&frame->TransformationMatrix);
    ++frames_;
    *out = frame;
    return S_OK;
}

HRESULT CAllocateHierarchy::CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* meshData,
                                                const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE*,
                                                DWORD materialCount, const DWORD* adjacency, ID3DXSkinInfo* skin,
                                                LPD3DXMESHCONTAINER* out) {
    Kestra::LogPrint("　　LOAD MESH : ");
    if (!out) return E_FAIL;
    *out = nullptr;
    if (!meshData || meshData->Type != D3DXMESHTYPE_MESH || !meshData->pMesh) {
        Kestra::LogPrint("TYPE NOT MESH");
        Kestra::LogNewLine();
        return E_FAIL;
    }
    ID3DXMesh* source = meshData->pMesh;
    if (source->GetFVF() == 0) {
        Kestra::LogRed("FVF is 0");
        Kestra::LogNewLine();
        return E_FAIL;
    }
    auto* c = Allocate<KestraMeshContainer>(1);
    if (c) c->Name = CopyName(name);
    if (!c || !c->Name) {
        Kestra::MemoryFree(c);
        Kestra::LogRed("MEMORY INSUFFICIENT");
        Kestra::LogNewLine();
        return E_OUTOFMEMORY;
    }
    // Whatever goes wrong from here frees what was built so far.
    auto fail = [&](HRESULT hr) {
        Kestra::LogNewLine();
        DestroyMeshContainer(c);
        return hr;
    };

    c->MeshData.Type = D3DXMESHTYPE_MESH;
    if (source->GetFVF() & D3DFVF_NORMAL) {
        source->AddRef();
        c->MeshData.pMesh = source;
    } else {
        ID3DXMesh* withNormals = nullptr;
        const HRESULT hr =
            source->CloneMeshFVF(source->GetOptions(), source->GetFVF() | D3DFVF_NORMAL, nullptr, &withNormals);
        if (FAILED(hr)) return fail(hr);
        c->MeshData.pMesh = withNormals;
        D3DXComputeNormals(withNormals, nullptr);
    }
    ID3DXMesh* mesh = c->MeshData.pMesh;
    c->faceCount = mesh->GetNumFaces();
    c->vertexCount = mesh->GetNumVertices();
    Kestra::LogPrint("POLYGON [ %u ] : VERTEX [ %u ] : ", unsigned(c->faceCount), unsigned(c->vertexCount));

    const DWORD kept = materialCount ? materialCount : 1;
    c->NumMaterials = kept;
    c->pMaterials = Allocate<D3DXMATERIAL>(kept);
    c->textures = Allocate<CTexture*>(kept);
    c->pAdjacency = Allocate<DWORD>(size_t(c->faceCount) * 3);
    if (!c->pMaterials || !c->textures || !c->pAdjacency || (materialCount && !materials) || !adjacency) {
        Kestra::LogPrint("MEMORY INSUFFICIENT");
        return fail(E_OUTOFMEMORY);
    }
    std::memcpy(c->pAdjacency, adjacency, sizeof(DWORD) * 3 * c->faceCount);
    if (materialCount) {
        for (DWORD i = 0; i < materialCount; ++i) {
            D3DXMATERIAL& m = c->pMaterials[i];
            m = materials[i];
            m.MatD3D.Ambient.r = m.MatD3D.Diffuse.r * 0.25f;
            m.MatD3D.Ambient.g = m.MatD3D.Diffuse.g * 0.25f;
            m.MatD3D.Ambient.b = m.MatD3D.Diffuse.b * 0.25f;
            // An empty name names no texture.
            if (m.pTextureFilename && m.pTextureFilename[0]) {
                Kestra::LogPrint(" {");
                Kestra::LogNewLine();
                const char* file = TextureBaseName(m.pTextureFilename);
                Kestra::LogPrint("　　%s", file);
                c->textures[i] = KestraTexture::CreateFromFile(file, formatKind_, colorKey_);
                Kestra::LogPrint("} : ");
            }
            m.pTextureFilename = nullptr;
        }
    } else {
        D3DXMATERIAL& m = c->pMaterials[0];
        m.MatD3D.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
        m.MatD3D.Specular = m.MatD3D.Diffuse;
    }

    if (skin) {
        skin->AddRef();
        c->pSkinInfo = skin;
        c->bindPoseMesh = mesh;
        ID3DXMesh* working = nullptr;
        const HRESULT hr = mesh->CloneMeshFVF(D3DXMESH_MANAGED, mesh->GetFVF(), nullptr, &working);
        if (FAILED(hr)) {
            c->MeshData.pMesh = nullptr;  // the bind-pose slot holds it now
            return fail(hr);
        }
        c->MeshData.pMesh = mesh = working;
        mesh->GetAttributeTable(nullptr, &c->attributeCount);
        c->attributeTable = Allocate<D3DXATTRIBUTERANGE>(c->attributeCount);
        if (!c->attributeTable) return fail(E_OUTOFMEMORY);
        mesh->GetAttributeTable(c->attributeTable, &c->attributeCount);
        c->boneCount = skin->GetNumBones();
        Kestra::LogPrint("BONE [ %u ] : ", unsigned(c->boneCount));
        c->boneMatrices = Allocate<D3DXMATRIX>(c->boneCount);
        c->boneMatrixPointers = Allocate<D3DXMATRIX*>(c->boneCount);
        c->boneOffsets = Allocate<D3DXMATRIX>(c->boneCount);
        if (!c->boneMatrices || !c->boneMatrixPointers || !c->boneOffsets) return fail(E_OUTOFMEMORY);
        for (DWORD b = 0; b < c->boneCount; ++b) c->boneOffsets[b] = *skin->GetBoneOffsetMatrix(b);
    }

    void* vertices = nullptr;
    if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        const auto* first = static_cast<const D3DXVECTOR3*>(vertices);
        const DWORD stride = mesh->GetNumBytesPerVertex();
        D3DXComputeBoundingBox(first, c->vertexCount, stride, &c->boxMin, &c->boxMax);
        D3DXComputeBoundingSphere(first, c->vertexCount, stride, &c->centre, &c->radius);
        mesh->UnlockVertexBuffer();
    }
    Kestra::LogPrint("BOX [ (%.3lf,%.3lf,%.3lf)-(%.3lf,%.3lf,%.3lf) ] : ", double(c->boxMin.x), double(c->boxMin.y),
                     double(c->boxMin.z), double(c->boxMax.x), double(c->boxMax.y), double(c->boxMax.z));
    Kestra::LogPrint("SPHERE [ %.3lf (%.3lf,%.3lf.%.3lf) ] : ", double(c->radius), double(c->centre.x),
                     double(c->centre.y), double(c->centre.z));
    *out = c;
    ++containers_;
    Kestra::LogNewLine();
    return S_OK;
}

HRESULT CAllocateHierarchy::DestroyFrame(LPD3DXFRAME frame) {
    if (!frame) return S_OK;
    Kestra::MemoryFree(frame->Name);
    Kestra::MemoryFree(frame);
    return S_OK;
}

HRESULT CAllocateHierarchy::DestroyMeshContainer(LPD3DXMESHCONTAINER container) {
    if (!container) return S_OK;
    auto* c = static_cast<KestraMeshContainer*>(container);
    if (c->textures)
        for (DWORD i = 0; i < c->NumMaterials; ++i) KestraTexture::Release(c->textures[i]);
    if (c->MeshData.pMesh) c->MeshData.pMesh->Release();
    if (c->pSkinInfo) c->pSkinInfo->Release();
    if (c->bindPoseMesh) c->bindPoseMesh->Release();
    Kestra::MemoryFree(c->Name);
    Kestra::MemoryFree(c->textures);
    Kestra::MemoryFree(c->pAdjacency);
    Kestra::MemoryFree(c->pMaterials);
    Kestra::MemoryFree(c->attributeTable);
    Kestra::MemoryFree(c->boneMatrices);
    Kestra::MemoryFree(c->boneOffsets);
    Kestra::MemoryFree(c->boneMatrixPointers);
    Kestra::MemoryFree(c);
    return S_OK;
}
