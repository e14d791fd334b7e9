// Test control of the Direct3D stand-in: backend choice, adapter overrides, device
// loss, counters, draw log and pixel read-back. The game calls none of it, and its
// device calls count nothing until a test takes control (see Counters below).
// Faults are injected through platform::InjectFault with these names:
//   "Direct3DCreate9" (answers null), "CreateDevice", "CreateDevice:<HAL|REF>:<MIXED|SOFTWARE|HARDWARE>",
//   "CreateTexture", "CreateVertexBuffer", "CreateIndexBuffer", "CreateRenderTarget",
//   "CreateDepthStencilSurface", "CreateOffscreenPlainSurface", "CreateVertexDeclaration",
//   "GetSurfaceLevel", "LockRect", "VertexBuffer.Lock", "IndexBuffer.Lock", "UpdateSurface",
//   "UpdateTexture", "GetRenderTargetData", "StretchRect", "StretchRect:<NONE|POINT|LINEAR>",
//   "ColorFill", "Reset", "BeginScene", "Clear", "Present" (D3DERR_DRIVERINTERNALERROR),
//   "Present.lost" (the device is lost at that Present).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9test {

// ---- Backend: devices created from now on draw through OpenGL (default) or the
// null backend, which validates and records every call but draws nothing and needs
// no display.
enum class Backend { GL, Null };
void SetBackend(Backend backend);
Backend GetBackend();

// ---- The adapter as IDirect3D9 reports it.
struct AdapterConfig {
    D3DADAPTER_IDENTIFIER9 identifier;
    D3DDISPLAYMODE currentMode;
    std::vector<D3DDISPLAYMODE> modes;  // all formats; EnumAdapterModes filters by format
    std::vector<D3DFORMAT> textureFormats;       // CheckDeviceFormat, usage 0
    std::vector<D3DFORMAT> renderTargetFormats;  // usage D3DUSAGE_RENDERTARGET
    std::vector<D3DFORMAT> depthStencilFormats;  // usage D3DUSAGE_DEPTHSTENCIL
    D3DCAPS9 caps;
    // The devices' texture memory: what live textures take of it is counted, and
    // a texture that would pass it is refused (D3DERR_OUTOFVIDEOMEMORY).
    UINT availableTextureMem;
};
AdapterConfig DefaultAdapter();
void SetAdapter(const AdapterConfig& config);
void ResetAdapter();

// Everything back to the start: GL backend, default adapter, counters, logs, options.
void ResetAll();

// ---- Device loss. LoseDevice makes TestCooperativeLevel answer DEVICELOST for
// `pollsWhileLost` calls, then DEVICENOTRESET until a Reset succeeds.
enum class DeviceState { Ok, Lost, NotReset };
void LoseDevice(IDirect3DDevice9* device, int pollsWhileLost);
DeviceState GetDeviceState(IDirect3DDevice9* device);
bool IsFullscreen(IDirect3DDevice9* device);
// DEFAULT-pool resources the application still holds (what makes Reset fail).
int LiveDefaultPoolResources(IDirect3DDevice9* device);

// ---- Counters: calls per method name ("SetRenderState", "DrawPrimitive", "Present",
// "CreateDevice", "Reset", "TestCooperativeLevel", ...). They count from the first
// SetBackend, ResetAll, CallCount or ClearCallCounts of the process on; before
// that the device counts nothing, as in a run no test controls.
uint64_t CallCount(const std::string& method);
void ClearCallCounts();
// Whether the device counts its calls yet (asking takes no control).
bool CountingCalls();

struct CreateDeviceCall {
    UINT adapter;
    D3DDEVTYPE type;
    HWND window;
    DWORD flags;
    D3DPRESENT_PARAMETERS params;
    HRESULT result;
};
std::vector<CreateDeviceCall> CreateDeviceCalls();
struct ResetCall {
    D3DPRESENT_PARAMETERS params;
    HRESULT result;
};
std::vector<ResetCall> ResetCalls();

// Device state-setting calls in order, when recording is on.
struct StateCall {
    enum Kind { Render, TextureStage, Sampler } kind;
    DWORD stage;
    DWORD type;
    DWORD value;
};
struct DrawCall {
    D3DPRIMITIVETYPE type;
    UINT primitiveCount;
    UINT startVertex;       // or start index for indexed draws
    bool indexed;
    bool userPointer;       // DrawPrimitiveUP / DrawIndexedPrimitiveUP
    DWORD fvf;              // 0 when a declaration is used
    bool declaration;
    UINT stride;
    IDirect3DBaseTexture9* textures[8];  // not referenced; compare only
    DWORD renderStates[D3DRS_BLENDOPALPHA + 1];  // every render state there is
    DWORD stageStates[8][33];
    std::vector<uint8_t> vertices;  // the stream-0 bytes the draw read, from its first vertex
    DWORD renderState(D3DRENDERSTATETYPE state) const { return renderStates[state]; }
};
void SetRecording(bool on);
std::vector<StateCall> StateCalls();
std::vector<DrawCall> DrawCalls();
void ClearRecords();

// ---- OpenGL work: state-changing GL calls that reached the driver, and the ones the
// layer filtered out as redundant.
uint64_t GLStateChanges();
uint64_t GLStateChangesFiltered();
void ClearGLCounters();
size_t ProgramCacheSize(IDirect3DDevice9* device);

// ---- Pixels, A8R8G8B8 words (0xAARRGGBB), top row first.
struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};
// The device's current render target 0 (nothing is presented).
Image ReadRenderTarget(IDirect3DDevice9* device);
// Any surface: texture level, render target, depth-free plain surface, back buffer.
Image ReadSurface(IDirect3DSurface9* surface);
// CPU memory a surface, or all levels of a texture, hold for pixels: the CPU copy
// and any lock buffer. On the GL backend, zero for a managed texture outside its
// locks, and for a render target or depth buffer until something reads it.
size_t CpuBytes(IDirect3DSurface9* surface);
size_t CpuBytes(IDirect3DTexture9* texture);
// With capture on, each Present keeps the window's pixels right after its blit.
void SetPresentCapture(bool on);
Image LastPresentedFrame();
// The bytes of a vertex buffer as the device holds them.
std::vector<uint8_t> VertexBufferBytes(IDirect3DVertexBuffer9* buffer);

// ---- Options
// LockRect pitches get this many extra bytes per row (shows row-stride bugs).
void SetPitchPadding(UINT bytes);
// Draws take the shortcuts whose pictures equal the general path's, and the back
// buffer lives in the window when it can, so Present only swaps (the default;
// KESTRA_D3D9_SHORTCUTS=0 in the environment turns both off for a program, =draws
// the window's alone). Devices switch at their next draw or Present.
void SetExactShortcuts(bool on, bool directPresent);
inline void SetExactShortcuts(bool on) { SetExactShortcuts(on, on); }

}  // namespace d3d9test
