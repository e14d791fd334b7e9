// Builds and destroys the frame and mesh-container records of a D3DX frame
// hierarchy: normals, bounds and bone tables computed, material textures loaded.
#pragma once

#include <cstdint>

#include "engine/graphics/CTexture.h"
#include "platform/d3dx9/d3dx9mesh.h"

// The frame record: D3DX's frame and one matrix the hierarchy's user may fill.
struct KestraFrameRecord : public D3DXFRAME {
    D3DXMATRIX combined;
};

// The mesh-container record: D3DX's container and what the allocator computed.
struct KestraMeshContainer : public D3DXMESHCONTAINER {
    ID3DXMesh* bindPoseMesh;  // skinned containers; MeshData.pMesh is then a working copy
    D3DXATTRIBUTERANGE* attributeTable;
    DWORD attributeCount;
    D3DXMATRIX** boneMatrixPointers;
    D3DXMATRIX* boneMatrices;
    D3DXMATRIX* boneOffsets;
    DWORD boneCount;
    CTexture** textures;  // one per material
    float radius;
    D3DXVECTOR3 centre;
    D3DXVECTOR3 boxMin;
    D3DXVECTOR3 boxMax;
    DWORD vertexCount;
    DWORD faceCount;
};

class CAllocateHierarchy : public ID3DXAllocateHierarchy {
public:
    CAllocateHierarchy(uint32_t formatKind, D3DCOLOR colorKey) : formatKind_(formatKind), colorKey_(colorKey) {}
    ~CAllocateHierarchy() override = default;

    HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* out) override;
    HRESULT CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* meshData, const D3DXMATERIAL* materials,
                                const D3DXEFFECTINSTANCE* effects, DWORD materialCount, const DWORD* adjacency,
                                ID3DXSkinInfo* skin, LPD3DXMESHCONTAINER* out) override;
    HRESULT DestroyFrame(LPD3DXFRAME frame) override;
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER container) override;

    uint32_t GetFrameCount() const { return frames_; }
    uint32_t GetContainerCount() const { return containers_; }

private:
    uint32_t frames_ = 0;
    uint32_t containers_ = 0;
    uint32_t formatKind_;
    D3DCOLOR colorKey_;
};
