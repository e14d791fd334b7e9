// D3DX effects: effect text (parameters, techniques, passes with a compiled vertex
// shader) made into an object that sets its parameters and binds its shaders. Shader
// functions are HLSL for vs_1_1 to vs_3_0; passes hold no pixel shader (the device's
// texture stages shade the vertex shader's outputs). The first technique is current.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9core.h"
#include "platform/d3dx9/d3dx9math.h"

// A parameter handle; D3DX also takes a parameter's name wherever a handle goes.
typedef const char* D3DXHANDLE;

#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};
struct ID3DXInclude;
struct ID3DXEffectPool;
typedef ID3DXInclude* LPD3DXINCLUDE;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

struct ID3DXEffect : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
    virtual D3DXHANDLE GetTechnique(UINT Index) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
    virtual D3DXHANDLE GetCurrentTechnique() = 0;
    virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
    virtual HRESULT BeginPass(UINT Pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
    virtual D3DXHANDLE GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic) = 0;
    virtual HRESULT SetBool(D3DXHANDLE hParameter, BOOL b) = 0;
    virtual HRESULT SetBoolArray(D3DXHANDLE hParameter, const BOOL* pb, UINT Count) = 0;
    virtual HRESULT SetInt(D3DXHANDLE hParameter, INT n) = 0;
    virtual HRESULT SetIntArray(D3DXHANDLE hParameter, const INT* pn, UINT Count) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) = 0;
    virtual HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) = 0;
    virtual HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) = 0;
    virtual HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) = 0;
    virtual HRESULT SetVectorArray(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector, UINT Count) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetMatrixArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT SetMatrixTranspose(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetMatrixTransposeArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT SetString(D3DXHANDLE hParameter, LPCSTR pString) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen,
                                const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD Flags,
                                LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors);
