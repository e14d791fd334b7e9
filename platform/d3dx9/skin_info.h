// The skin information object, shared by the X mesh reader.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_com.h"
#include "platform/d3dx9/d3dx9mesh.h"

namespace d3dx {

class SkinInfoImpl final : public RefCounted<ID3DXSkinInfo> {
public:
    SkinInfoImpl(DWORD vertices, DWORD fvf, DWORD bones) : vertices_(vertices), fvf_(fvf), bones_(bones) {}

    HRESULT SetBoneInfluence(DWORD bone, DWORD n, const DWORD* vertices, const FLOAT* weights) override;
    DWORD GetNumBoneInfluences(DWORD bone) override;
    HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) override;
    HRESULT GetMaxVertexInfluences(DWORD* max) override;
    DWORD GetNumBones() override { return DWORD(bones_.size()); }
    HRESULT SetBoneName(DWORD bone, LPCSTR name) override;
    LPCSTR GetBoneName(DWORD bone) override;
    HRESULT SetBoneOffsetMatrix(DWORD bone, const D3DXMATRIX* m) override;
    D3DXMATRIX* GetBoneOffsetMatrix(DWORD bone) override;
    DWORD GetFVF() override { return fvf_; }
    HRESULT ConvertToIndexedBlendedMesh(ID3DXMesh* mesh, DWORD options, DWORD paletteSize, const DWORD* adjIn,
                                        DWORD* adjOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                        DWORD* maxVertexInfl, DWORD* numCombinations,
                                        ID3DXBuffer** combinations, ID3DXMesh** out) override;

private:
    struct Bone {
        std::string name;
        bool named = false;
        D3DXMATRIX offset = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
        std::vector<DWORD> vertices;
        std::vector<float> weights;
    };
    DWORD vertices_;
    DWORD fvf_;
    std::vector<Bone> bones_;
};

}  // namespace d3dx
