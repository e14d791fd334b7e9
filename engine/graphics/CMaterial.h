// One material of a model mesh: Direct3D colours, up to four textures with
// the names they came from, and optional render states of its own.
#pragma once

#include <cstdint>

#include "engine/graphics/CBaseObject.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3dx9/d3dx9mesh.h"

class CShaderFx;

namespace LibModel {

class CMaterial : public CBaseObject {
public:
    static constexpr uint32_t kStages = Kestra3D::kStageCount;
    static constexpr uint32_t kNameSize = 260;

    // Diffuse white, ambient 0.3 grey, the device's default states.
    CMaterial();
    // Releases the four textures.
    ~CMaterial() override;

    // Copies the colours and power; ambient = diffuse x 0.3 + emissive (its alpha as given).
    virtual void SetMaterial(const D3DMATERIAL9* material);
    // Stages 0 to 3; the material holds its own reference (null allowed).
    virtual void SetTexture(uint32_t stage, CTexture* texture);
    virtual void SetAlpha(float alpha);
    // Stages 0 to 3; longer names are cut to 259 bytes.
    virtual void SetTextureName(uint32_t stage, const char* name);
    // Stage 4 and above give the empty text.
    virtual void GetTextureName(uint32_t stage, char* out) const;
    // Draws the subset's faces with this material's states and textures; answers the faces drawn.
    virtual uint32_t Render(uint32_t effectFlags, CShaderFx* effect, const D3DXATTRIBUTERANGE* subset);
    virtual void EnableStates(uint8_t enable) { ownStates_ = enable; }
    virtual void SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value);
    virtual void SetSamplerState(uint32_t stage, uint32_t state, uint32_t value);
    virtual void SetBlendingPreset(uint32_t preset) { states_.blendingType = preset; }
    virtual void SetFiltering(uint8_t on) { states_.filter = on; }
    virtual void SetAlphaTest(uint8_t on) { states_.alphaTest = on; }
    virtual void SetDepthTest(uint8_t on) { states_.depthTest = on; }
    virtual void SetDepthWrite(uint8_t on) { states_.depthWrite = on; }

    const D3DMATERIAL9& GetMaterial() const { return material_; }
    CTexture* GetTexture(uint32_t stage) const { return stage < kStages ? textures_[stage] : nullptr; }
    const Kestra3D::StateRecord& GetStates() const { return states_; }
    bool StatesEnabled() const { return ownStates_ != 0; }

private:
    uint8_t ownStates_ = 0;
    Kestra3D::StateRecord states_;
    D3DMATERIAL9 material_;
    CTexture* textures_[kStages] = {};
    char names_[kStages][kNameSize] = {};
};

}  // namespace LibModel
