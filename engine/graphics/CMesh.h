// The rigid mesh of a model: its subsets drawn through the mesh's effect,
// each with its material, when its world box is in the camera's frustum.
#pragma once

#include "engine/graphics/CBaseMesh.h"

namespace LibModel {

class CMesh : public CBaseMesh {
public:
    CMesh(uint16_t vsMajor, uint16_t vsMinor) : CBaseMesh(vsMajor, vsMinor) {}
    ~CMesh() override;

    // Keeps the frame's world; the model matrix only matters to skinned meshes.
    void Update(const CMatrix* frameWorld, const CMatrix* modelWorld) override;
    uint32_t Render() override;
    bool LoadMesh(ID3DXMesh* mesh, ID3DXSkinInfo* skin, const DWORD* adjacency) override;
    virtual bool Convert(ID3DXMesh* mesh, const D3DXATTRIBUTERANGE* table, uint32_t count);
    virtual void SetEffectParameters(const CMatrix* world) { SetCommonParameters(effect_, *world); }

    uint32_t GetRangeCount() const { return rangeCount_; }

private:
    uint32_t rangeCount_ = 0;
    D3DXATTRIBUTERANGE* ranges_ = nullptr;
};

// Passes Update and Render on to the meshes linked after this one.
void UpdateFollowingMeshes(CBaseObject* mesh, const CMatrix* frameWorld, const CMatrix* modelWorld);
uint32_t RenderFollowingMeshes(CBaseObject* mesh);

}  // namespace LibModel
