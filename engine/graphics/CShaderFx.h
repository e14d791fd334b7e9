// One D3DX effect: from an effect file, from effect text, or from the vertex shader
// the engine writes for a flag word (vertex kind, lighting, texture-coordinate mode).
#pragma once

#include <cstdint>
#include <string>

#include "engine/graphics/CBaseObject.h"
#include "platform/d3dx9/d3dx9effect.h"

class CTexture;

// Flag word of CreateFromFlags, and the usage mask it answers.
namespace ShaderFxFlag {
constexpr uint32_t kStatic = 0x1, kMorph = 0x2, kSkin = 0x4, kKindMask = 0x7;
constexpr uint32_t kMaterial = 0x08, kLight1 = 0x10, kLight2 = 0x20, kLight3 = 0x40, kLight4 = 0x80;
constexpr uint32_t kLightMask = 0xF8;
constexpr uint32_t kSlide = 0x200, kToon = 0x400, kReflect = 0x800, kScreen = 0x1000, kTexMask = 0x1E00;
}  // namespace ShaderFxFlag

class CShaderFx : public CBaseObject {
public:
    CShaderFx() = default;
    ~CShaderFx() override;

    virtual void OnLostDevice();
    virtual void OnResetDevice();
    // bones: the palette size of a skinned effect; weights: 1 to 4 bones per vertex.
    virtual bool CreateFromFlags(uint32_t flags, int32_t weights, int32_t bones, uint32_t* usage);
    virtual bool LoadFile(const char* name);
    virtual bool Compile(const char* text, uint32_t length);

    virtual bool Begin(uint32_t* passes, uint32_t flags);
    virtual bool End();
    virtual bool BeginPass(uint32_t pass);
    virtual bool EndPass();
    virtual bool CommitChanges();
    virtual D3DXHANDLE GetParameterByName(const char* name);
    virtual D3DXHANDLE GetParameterBySemantic(const char* semantic);
    virtual bool SetBool(D3DXHANDLE handle, BOOL value);
    virtual bool SetBoolArray(D3DXHANDLE handle, const BOOL* values, uint32_t count);
    virtual bool SetFloat(D3DXHANDLE handle, float value);
    virtual bool SetFloatArray(D3DXHANDLE handle, const float* values, uint32_t count);
    virtual bool SetInt(D3DXHANDLE handle, int32_t value);
    virtual bool SetIntArray(D3DXHANDLE handle, const int32_t* values, uint32_t count);
    virtual bool SetMatrix(D3DXHANDLE handle, const D3DXMATRIX* matrix);
    virtual bool SetMatrixArray(D3DXHANDLE handle, const D3DXMATRIX* matrices, uint32_t count);
    virtual bool SetMatrixTranspose(D3DXHANDLE handle, const D3DXMATRIX* matrix);
    virtual bool SetMatrixTransposeArray(D3DXHANDLE handle, const D3DXMATRIX* matrices, uint32_t count);
    virtual bool SetString(D3DXHANDLE handle, const char* text);
    virtual bool SetTexture(D3DXHANDLE handle, CTexture* texture);
    virtual bool SetVector(D3DXHANDLE handle, const D3DXVECTOR4* vector);
    virtual bool SetVectorArray(D3DXHANDLE handle, const D3DXVECTOR4* vectors, uint32_t count);

    ID3DXEffect* GetEffect() const { return effect_; }

    // The flag word as CreateFromFlags uses it (one bit per group).
    static uint32_t NormalizeFlags(uint32_t flags, int32_t weights, int32_t bones);
    static uint32_t UsageMask(uint32_t normalizedFlags);
    // The effect text for a normalised flag word; weights 1 to 4 for skinned effects.
    static std::string GenerateSource(uint32_t normalizedFlags, int32_t weights, int32_t bones);

private:
    ID3DXEffect* effect_ = nullptr;
};
