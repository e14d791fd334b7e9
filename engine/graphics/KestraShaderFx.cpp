// The shader-effect module: the list of live effects under one lock.
#include "engine/graphics/KestraShaderFx.h"

#include <cstdint>
#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraShaderFx {

namespace {
CObjectList g_list;
CCriticalSection g_lock;

// Log lines show an object's address in eight hex digits; wider addresses are cut.
unsigned Address(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }
}  // namespace

void Finalize() {
    CCriticalSectionLock hold(g_lock);
    while (CBaseObject* object = g_list.First()) {
        g_list.Remove(object);
        delete object;
    }
}

void OnLostDevice() {
    CCriticalSectionLock hold(g_lock);
    for (CBaseObject* o = g_list.First(); o; o = g_list.Next(o)) static_cast<CShaderFx*>(o)->OnLostDevice();
}

void OnResetDevice() {
    CCriticalSectionLock hold(g_lock);
    for (CBaseObject* o = g_list.First(); o; o = g_list.Next(o)) static_cast<CShaderFx*>(o)->OnResetDevice();
}

CShaderFx* Create(uint32_t flags, int32_t weights, int32_t bones, uint32_t* usage) {
    CCriticalSectionLock hold(g_lock);
    Kestra::LogPrint("KestraShaderFx::Create");
    CShaderFx* effect = new (std::nothrow) CShaderFx;
    if (!effect) {
        Kestra::LogRed("エフェクトの作成に失敗しました。");
        return nullptr;
    }
    if (!effect->CreateFromFlags(flags, weights, bones, usage)) {
        effect->Release();
        return nullptr;
    }
    Kestra::LogPrint(" : ");
    Kestra::LogPrint("[ 0x%08X ] : ", Address(effect));
    Kestra::LogGreen("Complete");
    g_list.Add(effect);
    return effect;
}

void Release(CShaderFx* effect) {
    if (!effect) return;
    CCriticalSectionLock hold(g_lock);
    if (effect->GetRefCount() == 1) {
        g_list.Remove(effect);
        Kestra::LogRed("KestraShaderFx::Release");
        Kestra::LogRed(" : [ 0x%08X ] [Reference %u]", Address(effect), unsigned(effect->GetRefCount()));
    }
    effect->Release();
}

bool IsListed(const CShaderFx* effect) {
    if (!effect) return false;
    CCriticalSectionLock hold(g_lock);
    for (const CBaseObject* o = g_list.First(); o; o = g_list.Next(o))
        if (o == effect) return true;
    return false;
}

const CObjectList& List() { return g_list; }

bool Begin(CShaderFx* effect, uint32_t* passes) {
    return effect && effect->Begin(passes, D3DXFX_DONOTSAVESHADERSTATE);
}

void End(CShaderFx* effect) {
    if (!effect) return;
    effect->End();
    if (IDirect3DDevice9* device = Kestra3D::GetDevice()) {
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
    }
}

void BeginPass(CShaderFx* effect, uint32_t pass) {
    if (effect) effect->BeginPass(pass);
}
void EndPass(CShaderFx* effect) {
    if (effect) effect->EndPass();
}
void CommitChanges(CShaderFx* effect) {
    if (effect) effect->CommitChanges();
}
void SetBoolArray(CShaderFx* effect, D3DXHANDLE h, const BOOL* v, uint32_t n) {
    if (effect) effect->SetBoolArray(h, v, n);
}
void SetFloat(CShaderFx* effect, D3DXHANDLE h, float v) {
    if (effect) effect->SetFloat(h, v);
}
void SetFloatArray(CShaderFx* effect, D3DXHANDLE h, const float* v, uint32_t n) {
    if (effect) effect->SetFloatArray(h, v, n);
}
void SetInt(CShaderFx* effect, D3DXHANDLE h, int32_t v) {
    if (effect) effect->SetInt(h, v);
}
void SetMatrix(CShaderFx* effect, D3DXHANDLE h, const D3DXMATRIX* m) {
    if (effect) effect->SetMatrix(h, m);
}
void SetMatrixArray(CShaderFx* effect, D3DXHANDLE h, const D3DXMATRIX* m, uint32_t n) {
    if (effect) effect->SetMatrixArray(h, m, n);
}
void SetTexture(CShaderFx* effect, D3DXHANDLE h, CTexture* texture) {
    if (effect) effect->SetTexture(h, texture);
}
void SetVector(CShaderFx* effect, D3DXHANDLE h, const D3DXVECTOR4* v) {
    if (effect) effect->SetVector(h, v);
}
void SetVectorArray(CShaderFx* effect, D3DXHANDLE h, const D3DXVECTOR4* v, uint32_t n) {
    if (effect) effect->SetVectorArray(h, v, n);
}

}  // namespace KestraShaderFx
