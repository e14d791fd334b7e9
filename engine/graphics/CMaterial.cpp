// Materials of model meshes.
#include "engine/graphics/CMaterial.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraTexture.h"

namespace LibModel {

CMaterial::CMaterial() {
    Kestra3D::GetDefaultStates(&states_);
    std::memset(&material_, 0, sizeof material_);
    material_.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material_.Ambient = {0.3f, 0.3f, 0.3f, 0.0f};
}

CMaterial::~CMaterial() {
    for (CTexture*& t : textures_) KestraTexture::Release(t);
}

void CMaterial::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return;
    material_ = *material;
    material_.Ambient.r = material_.Diffuse.r * 0.3f + material_.Emissive.r;
    material_.Ambient.g = material_.Diffuse.g * 0.3f + material_.Emissive.g;
    material_.Ambient.b = material_.Diffuse.b * 0.3f + material_.Emissive.b;
}

void CMaterial::SetTexture(uint32_t stage, CTexture* texture) {
    if (stage >= kStages) return;
    // The new reference first: the stage may already hold this texture.
    KestraTexture::AddRef(texture);
    KestraTexture::Release(textures_[stage]);
    textures_[stage] = texture;
}

void CMaterial::SetAlpha(float alpha) { material_.Diffuse.a = alpha; }

void CMaterial::SetTextureName(uint32_t stage, const char* name) {
    if (stage >= kStages) return;
    const size_t n = name ? std::min(std::strlen(name), size_t(kNameSize - 1)) : 0;
    if (n) std::memcpy(names_[stage], name, n);
    names_[stage][n] = '\0';
}

void CMaterial::GetTextureName(uint32_t stage, char* out) const {
    if (!out) return;
    if (stage >= kStages) {
        out[0] = '\0';
        return;
    }
    std::memcpy(out, names_[stage], std::strlen(names_[stage]) + 1);
}

void CMaterial::SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) {
    if (stage < kStages && state < Kestra3D::kStageStateCount) states_.stageStates[stage][state] = value;
}

void CMaterial::SetSamplerState(uint32_t stage, uint32_t state, uint32_t value) {
    if (stage < kStages && state < Kestra3D::kSamplerStateCount) states_.samplerStates[stage][state] = value;
}

uint32_t CMaterial::Render(uint32_t effectFlags, CShaderFx* effect, const D3DXATTRIBUTERANGE* subset) {
    if (!subset || subset->FaceCount == 0) return 0;
    if (ownStates_) Kestra3D::ApplyStates(states_);
    if (effectFlags & 0x400) {
        static const char* const kStageNames[kStages] = {"TextureStage0", "TextureStage1", "TextureStage2",
                                                         "TextureStage3"};
        for (uint32_t stage = 0; stage < kStages; ++stage)
            KestraShaderFx::SetTexture(effect, kStageNames[stage], textures_[stage]);
    } else {
        for (uint32_t stage = 0; stage < kStages; ++stage) Kestra3D::SetTexture(stage, textures_[stage]);
    }
    if (effectFlags & 0x20) {
        const D3DXVECTOR4 diffuse(material_.Diffuse.r, material_.Diffuse.g, material_.Diffuse.b, material_.Diffuse.a);
        const D3DXVECTOR4 ambient(material_.Ambient.r, material_.Ambient.g, material_.Ambient.b, 1.0f);
        KestraShaderFx::SetVector(effect, "MaterialDiffuse", &diffuse);
        KestraShaderFx::SetVector(effect, "MaterialAmbient", &ambient);
    }
    KestraShaderFx::CommitChanges(effect);
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (!device) return 0;
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, subset->VertexStart, subset->VertexCount,
                                 subset->FaceStart * 3, subset->FaceCount);
    return subset->FaceCount;
}

}  // namespace LibModel
