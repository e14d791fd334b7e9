// The skinned mesh of a model: faces grouped into bone combinations, each drawn
// with a palette of bone matrices through the generated skinning effect.
#pragma once

#include "engine/graphics/CBaseMesh.h"

namespace LibModel {

class CSkinMesh : public CBaseMesh {
public:
    static constexpr uint32_t kPaletteMax = 32;

    CSkinMesh(uint16_t vsMajor, uint16_t vsMinor) : CBaseMesh(vsMajor, vsMinor) {}
    ~CSkinMesh() override;

    // Keeps the model matrix: the bones carry the frame transforms.
    void Update(const CMatrix* frameWorld, const CMatrix* modelWorld) override;
    uint32_t Render() override;
    // Bone i takes the world matrix of the first frame of its name in the order
    // given (the loader puts the frames nearest the mesh first). A bone with
    // no such frame keeps the vertices it moves in their bind pose.
    void BindFrames(CFrame** frames, uint32_t count) override;
    bool LoadMesh(ID3DXMesh* mesh, ID3DXSkinInfo* skin, const DWORD* adjacency) override;
    bool IsSkinned() const override { return true; }
    uint32_t GetMaxInfluences() const override { return maxInfluences_; }
    uint32_t GetPaletteSize() const override { return paletteSize_; }
    virtual bool Convert(ID3DXMesh* mesh);
    virtual void SetEffectParameters();

    uint32_t GetCombinationCount() const { return combinationCount_; }
    const D3DXBONECOMBINATION* GetCombinations() const;
    // The bone's frame matrix, or null when no frame bears its name.
    const CMatrix* GetBoneMatrix(uint32_t bone) const { return bone < boneCount_ ? boneMatrices_[bone] : nullptr; }
    uint32_t GetBoneCount() const { return boneCount_; }
    const CMatrix* GetOffsetMatrix(uint32_t bone) const { return bone < boneCount_ ? &offsets_[bone] : nullptr; }

private:
    CMatrix* offsets_ = nullptr;
    uint32_t boneCount_ = 0;
    uint32_t paletteSize_ = 0;
    uint32_t maxInfluences_ = 0;
    uint32_t combinationCount_ = 0;
    ID3DXBuffer* combinations_ = nullptr;
    ID3DXSkinInfo* skin_ = nullptr;
    const CMatrix** boneMatrices_ = nullptr;
};

}  // namespace LibModel
