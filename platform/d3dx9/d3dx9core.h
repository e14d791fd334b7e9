// D3DX's data buffer: a block of bytes handed out by D3DX functions (compiler
// messages, among others).
#pragma once

#include "platform/d3d9/d3d9.h"

struct ID3DXBuffer : public IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);
