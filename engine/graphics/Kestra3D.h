// The engine's Direct3D module: loading "d3d9.dll", the adapter survey, the one
// device, presenting and the lost-device reset, and the cached device states,
// blending presets, nested scenes and the format-kind table every drawing class
// goes through.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"

class CSurface;
class CSurfaceBase;

namespace Kestra3D {

// What the adapter and the device can do, as the capability log prints it.
struct DeviceCaps {
    uint8_t pureDevice;
    uint8_t hardwareTnL;
    uint8_t hardwareRasterization;
    uint32_t deviceType;
    uint8_t minAnisotropic;
    uint8_t magAnisotropic;
    uint8_t dither;
    uint8_t depthBias;
    uint8_t wBuffer;
    uint8_t autoGenMipmap;
    // ALWAYS, EQUAL, GREATER, GREATEREQUAL, LESS, LESSEQUAL, NEVER, NOTEQUAL
    uint8_t depthCompare[8];
    // BLENDFACTOR, BOTHINVSRCALPHA, BOTHSRCALPHA, DESTALPHA, DESTCOLOR, INVDESTALPHA,
    // INVDESTCOLOR, INVSRCALPHA, INVSRCCOLOR, ONE, SRCALPHA, SRCALPHASAT, SRCCOLOR, ZERO
    uint8_t srcBlend[14];
    uint8_t destBlend[14];
    uint8_t cubeMap;
    uint8_t mipMap;
    uint8_t perspective;
    uint8_t pow2;
    uint8_t squareOnly;
    // BORDER, CLAMP, INDEPENDENTUV, MIRROR, MIRRORONCE, WRAP
    uint8_t address[6];
    uint32_t maxAnisotropy;
    uint32_t maxTextureWidth;
    uint32_t maxTextureHeight;
    uint32_t maxTextureRepeat;
    uint32_t maxTextureAspectRatio;
    // KEEP, ZERO, REPLACE, INCRSAT, DECRSAT, INVERT, INCR, DECR, two-sided
    uint8_t stencil[9];
    float maxVertexW;
    float guardBandLeft;
    float guardBandTop;
    float guardBandRight;
    float guardBandBottom;
    float maxPointSize;
    uint32_t maxPrimitiveCount;
    uint32_t maxVertexIndex;
    uint32_t maxTextureBlendStages;
    uint32_t maxSimultaneousTextures;
    uint32_t maxActiveLights;
    uint32_t maxVertexBlendMatrices;
    uint32_t maxVertexBlendMatrixIndex;
    uint32_t vertexShaderVersion;
    uint32_t pixelShaderVersion;
    uint32_t maxVertexShaderConst;
    uint32_t dynamicFlowControlDepth;
    uint32_t staticFlowControlDepth;
};

// The states the caches hold: one past the last render, texture-stage and
// sampler state, and the stages.
constexpr uint32_t kRenderStateCount = D3DRS_BLENDOPALPHA + 1;
constexpr uint32_t kStageCount = 4;
constexpr uint32_t kStageStateCount = D3DTSS_CONSTANT + 1;
constexpr uint32_t kSamplerStateCount = D3DSAMP_DMAPOFFSET + 1;

// The states a material or a pass carries and ApplyStates puts on the device.
struct StateRecord {
    uint32_t samplerStates[kStageCount][kSamplerStateCount];
    uint32_t stageStates[kStageCount][kStageStateCount];
    uint32_t blendingType;
    uint8_t alphaTest;
    uint8_t filter;
    uint8_t depthTest;
    uint8_t depthWrite;
};

constexpr uint32_t kBlendingTypeCount = 8;
// An out buffer of GetFormatName holds at least this many bytes.
constexpr size_t kFormatNameSize = 32;

// ---- Device (start, present, reset)
bool Initialize();
void Finalize();
bool LoadDirect3D();
bool EnumerateAdapter();
bool LogDeviceCaps();
bool Start(HWND window, bool windowed);
// Presents the back buffer to the window (null: the device window) and handles a
// lost device: sleeps 10 ms while it stays lost, resets once it can be.
void Present(HWND window);
// Resets the device for the current window mode; without force only when the
// device needs it. Nothing without a device.
void ResetDevice(bool force);
// The device, without an added reference (null before Start).
IDirect3DDevice9* GetDevice();
void GetDeviceCaps(DeviceCaps* out);
// Direct access to the back buffer's pixels (the back buffer is lockable).
bool LockBackBuffer(void** bits, int32_t* pitch, D3DFORMAT* format, uint32_t* width, uint32_t* height);
void UnlockBackBuffer();
// Clips dst to the viewport, moving src by the same share. False when nothing is left.
bool ClipRectToViewport(RECT* dst, RECT* src);

// ---- States (cached: a device call only when the value changes)
void CaptureStates();
void RestoreStates();
void SetRenderState(uint32_t state, uint32_t value);
void SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
void SetSamplerState(uint32_t stage, uint32_t type, uint32_t value);
// The cached value (0xFFFFFFFF for an unknown state).
uint32_t GetRenderState(uint32_t state);
uint32_t GetTextureStageState(uint32_t stage, uint32_t type);
uint32_t GetSamplerState(uint32_t stage, uint32_t type);
// Presets 0 opaque, 1 alpha, 2 additive with alpha, 3 additive, 4 subtractive with
// alpha, 5 subtractive, 6 multiply, 7 invert; anything else is ignored.
void SetBlendingType(uint32_t preset);
void SetFilterEnable(bool enable);
void SetAlphaTestEnable(bool enable);
void SetDepthTestEnable(bool enable);
void GetDefaultStates(StateRecord* out);
void ApplyStates(const StateRecord& record);
void GetShadingOptions(float* fogStart, float* fogEnd, uint32_t* third);

// ---- Scenes, clearing, bindings
bool Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil, const RECT* rect);
// Only the outermost begin and end reach the device.
bool BeginScene();
void EndScene();
bool SetDepthStencil(CSurface* surface);
CSurface* GetDepthStencil();
void SetCamera(int32_t camera);
int32_t GetCamera();
// A texture (any CSurfaceBase with a Direct3D texture) on stage 0 to 3; null unbinds.
void SetTexture(uint32_t stage, CSurfaceBase* texture);
void SelectVertexProcessing(uint16_t major, uint16_t minor);
bool NeedsSoftwareVertexProcessing(uint16_t major, uint16_t minor);
void SetScaling2D(bool enable, float centerX, float centerY, float scale);
void SetPerspective2D(bool enable, float centerX, float centerY, float strength);

// ---- Formats and texts
// Kinds 0 to 15: the first supported format of the kind's candidates, 0 when none.
D3DFORMAT GetFormat(uint32_t kind, D3DFORMAT fallback);
// The format's name without "D3DFMT_" ("UNKNOWN" for others), in a module buffer
// the next call overwrites; also copied to out (kFormatNameSize bytes) when given.
const char* GetFormatName(D3DFORMAT format, char* out = nullptr);
const char* GetErrorText(HRESULT result);

// ---- Lights (their own file)
bool InitializeLights();

}  // namespace Kestra3D
