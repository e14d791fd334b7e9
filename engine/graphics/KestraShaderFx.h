// The shader-effect module: creates, lists and releases effects, passes device loss
// and reset to them, and forwards the effect calls the model code makes.
#pragma once

#include <cstdint>

#include "engine/graphics/CShaderFx.h"

class CObjectList;

// The list and its lock are built before the program starts: there is nothing to
// start, and the module writes no start or finish lines.
namespace KestraShaderFx {
// Deletes every effect still listed; runs after the models are gone.
void Finalize();
void OnLostDevice();
void OnResetDevice();

// An effect written for the flag word, listed; null on failure.
CShaderFx* Create(uint32_t flags, int32_t weights, int32_t bones, uint32_t* usage);
void Release(CShaderFx* effect);
// Whether the effect is still alive in the list; compares addresses only, so a
// pointer to an effect Finalize deleted may be asked about.
bool IsListed(const CShaderFx* effect);
// The live effects (for tests and the reset walk).
const CObjectList& List();

bool Begin(CShaderFx* effect, uint32_t* passes);
void End(CShaderFx* effect);
void BeginPass(CShaderFx* effect, uint32_t pass);
void EndPass(CShaderFx* effect);
void CommitChanges(CShaderFx* effect);
void SetBoolArray(CShaderFx* effect, D3DXHANDLE handle, const BOOL* values, uint32_t count);
void SetFloat(CShaderFx* effect, D3DXHANDLE handle, float value);
void SetFloatArray(CShaderFx* effect, D3DXHANDLE handle, const float* values, uint32_t count);
void SetInt(CShaderFx* effect, D3DXHANDLE handle, int32_t value);
void SetMatrix(CShaderFx* effect, D3DXHANDLE handle, const D3DXMATRIX* matrix);
void SetMatrixArray(CShaderFx* effect, D3DXHANDLE handle, const D3DXMATRIX* matrices, uint32_t count);
void SetTexture(CShaderFx* effect, D3DXHANDLE handle, CTexture* texture);
void SetVector(CShaderFx* effect, D3DXHANDLE handle, const D3DXVECTOR4* vector);
void SetVectorArray(CShaderFx* effect, D3DXHANDLE handle, const D3DXVECTOR4* vectors, uint32_t count);
}  // namespace KestraShaderFx
