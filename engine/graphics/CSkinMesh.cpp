// The skinned mesh: indexed-blend conversion, bone binding by frame name and
// the draw of each bone combination with its palette.
#include "engine/graphics/CSkinMesh.h"

#include <algorithm>
#include <cstring>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CFrame.h"
#include "engine/graphics/CMesh.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraShaderFx.h"

namespace LibModel {
namespace {

// One palette serves every skinned mesh while it draws.
CMatrix g_palette[CSkinMesh::kPaletteMax];

}  // namespace

CSkinMesh::~CSkinMesh() {
    if (skin_) skin_->Release();
    if (combinations_) combinations_->Release();
    delete[] offsets_;
    delete[] boneMatrices_;
}

const D3DXBONECOMBINATION* CSkinMesh::GetCombinations() const {
    return combinations_ ? static_cast<const D3DXBONECOMBINATION*>(combinations_->GetBufferPointer()) : nullptr;
}

void CSkinMesh::Update(const CMatrix* frameWorld, const CMatrix* modelWorld) {
    world_ = *modelWorld;
    Kestra::CreateBox(&worldBox_, &boxMin_, &boxMax_, &world_);
    UpdateFollowingMeshes(this, frameWorld, modelWorld);
}

void CSkinMesh::BindFrames(CFrame** frames, uint32_t count) {
    for (uint32_t bone = 0; bone < boneCount_; ++bone) {
        boneMatrices_[bone] = nullptr;
        const char* name = skin_->GetBoneName(bone);
        for (uint32_t i = 0; name && i < count; ++i)
            if (frames[i] && SameName(frames[i]->GetName(), name)) {
                boneMatrices_[bone] = frames[i]->GetWorldMatrix();
                break;
            }
    }
}

bool CSkinMesh::LoadMesh(ID3DXMesh* mesh, ID3DXSkinInfo* skin, const DWORD* adjacency) {
    if (!skin) return false;
    if (skin_) skin_->Release();
    skin_ = skin;
    skin_->AddRef();
    boneCount_ = skin_->GetNumBones();
    paletteSize_ = std::min(boneCount_, kPaletteMax);
    Kestra::LogPrint("LoadMesh -> Bone [ %d ]", int(paletteSize_));
    Kestra::LogNewLine();

    DWORD influences = 0, combinations = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* blended = nullptr;
    HRESULT hr = skin_->ConvertToIndexedBlendedMesh(mesh, D3DXMESHOPT_VERTEXCACHE, paletteSize_, adjacency, nullptr,
                                                   nullptr, nullptr, &influences, &combinations, &table, &blended);
    if (FAILED(hr)) {
        Kestra::LogRed("インデックスブレンディングメッシュへの変換に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    if (combinations_) combinations_->Release();
    combinations_ = table;
    combinationCount_ = combinations;
    maxInfluences_ = influences;
    hr = OptimizeMesh(blended);
    if (FAILED(hr)) {
        Kestra::LogRed("メッシュの最適化に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        blended->Release();
        return false;
    }
    delete[] offsets_;
    delete[] boneMatrices_;
    offsets_ = new CMatrix[boneCount_ ? boneCount_ : 1];
    boneMatrices_ = new const CMatrix*[boneCount_ ? boneCount_ : 1]();
    for (uint32_t i = 0; i < boneCount_; ++i)
        if (const D3DXMATRIX* m = skin_->GetBoneOffsetMatrix(i)) offsets_[i] = *m;
    layout_ = maxInfluences_ == 0 ? 0 : maxInfluences_ <= 2 ? 2 : maxInfluences_ == 3 ? 3 : 4;
    const bool ok = Convert(blended);
    blended->Release();
    return ok;
}

bool CSkinMesh::Convert(ID3DXMesh* mesh) {
    return ConvertThroughClone(
        mesh, D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 3);
}

void CSkinMesh::SetEffectParameters() { SetCommonParameters(effect_, CMatrix()); }

uint32_t CSkinMesh::Render() {
    if (flags_ || !vertices_ || !indices_) return 0;
    vertices_->SetToDevice();
    indices_->SetToDevice();
    Kestra3D::SelectVertexProcessing(vsMajor_, vsMinor_);
    SetEffectParameters();
    CShaderFx* fx = ActiveEffect();
    uint32_t passes = 0;
    if (!KestraShaderFx::Begin(fx, &passes)) return 0;
    uint32_t drawn = 0;
    const D3DXBONECOMBINATION* combos = GetCombinations();
    for (uint32_t c = 0; c < combinationCount_; ++c) {
        const D3DXBONECOMBINATION& combo = combos[c];
        if (effectFlags_ & 0x008) {
            for (uint32_t i = 0; i < paletteSize_; ++i) {
                const DWORD bone = combo.BoneId[i];
                if (bone == 0xFFFFFFFFu || bone >= boneCount_) continue;
                // A bone without a frame leaves its vertices where the model puts the bind pose.
                if (boneMatrices_[bone]) D3DXMatrixMultiply(&g_palette[i], &offsets_[bone], boneMatrices_[bone]);
                else g_palette[i] = world_;
            }
            KestraShaderFx::SetMatrixArray(fx, "mBoneMatrixArray", g_palette, paletteSize_);
            KestraShaderFx::SetInt(fx, "BoneWeightCount", int32_t(maxInfluences_) - 1);
        }
        const D3DXATTRIBUTERANGE range{combo.AttribId, combo.FaceStart, combo.FaceCount, combo.VertexStart,
                                       combo.VertexCount};
        for (uint32_t p = 0; p < passes; ++p) {
            KestraShaderFx::BeginPass(fx, p);
            drawn += RenderRange(fx, combo.AttribId, range);
            KestraShaderFx::EndPass(fx);
        }
    }
    KestraShaderFx::End(fx);
    return drawn;
}

}  // namespace LibModel
