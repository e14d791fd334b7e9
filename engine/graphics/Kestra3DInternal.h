// The Direct3D module's shared state, between its device, state and format files.
#pragma once

#include <span>
#include <vector>

#include "engine/graphics/Kestra3D.h"

namespace Kestra3D::detail {

struct Module {
    HMODULE library = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    D3DPRESENT_PARAMETERS present[2] = {};  // windowed, full screen

    char driver[MAX_DEVICE_IDENTIFIER_STRING] = {};
    char description[MAX_DEVICE_IDENTIFIER_STRING] = {};
    char driverVersion[64] = {};
    D3DDISPLAYMODE currentMode = {};
    std::vector<D3DDISPLAYMODE> modes;
    D3DDISPLAYMODE mode16 = {};
    D3DDISPLAYMODE mode32 = {};
    std::vector<D3DFORMAT> textureFormats;
    std::vector<D3DFORMAT> renderTargetFormats;
    std::vector<D3DFORMAT> depthFormats;
    DeviceCaps caps = {};
    D3DVIEWPORT9 viewport = {};

    // The back buffer's lock, with what the first lock handed out.
    bool backBufferLocked = false;
    void* lockBits = nullptr;
    int32_t lockPitch = 0;
    D3DFORMAT lockFormat = D3DFMT_UNKNOWN;
    uint32_t lockWidth = 0;
    uint32_t lockHeight = 0;

    uint32_t renderStates[kRenderStateCount] = {};
    uint32_t stageStates[kStageCount][kStageStateCount] = {};
    uint32_t samplerStates[kStageCount][kSamplerStateCount] = {};
    StateRecord defaults = {};
    uint32_t sceneDepth = 0;
    CSurface* depthStencil = nullptr;
    int32_t camera = -1;
    float fogStart = 0.0f;
    float fogEnd = 0.0f;
    uint32_t shadingWord = 0;
};

Module& M();

// The states that are captured from the device and replayed after a reset,
// each inside its cache.
extern const std::span<const D3DRENDERSTATETYPE> kRenderStates;
extern const std::span<const D3DTEXTURESTAGESTATETYPE> kStageStates;
extern const std::span<const D3DSAMPLERSTATETYPE> kSamplerStates;

// Manager hooks walked around a reset, in the order they run (lost, then reset).
struct DeviceHook {
    const char* module;
    void (*lost)();
    void (*reset)();
};
extern const DeviceHook kDeviceHooks[];
extern const size_t kDeviceHookCount;

// The capability record from Direct3D's caps.
void ReadDeviceCaps(const D3DCAPS9& caps);
// The numeric lines both the capability log and the start print.
void LogDeviceNumbers();
// Is the format in the list?
bool Supports(const std::vector<D3DFORMAT>& list, D3DFORMAT format);
// The back-buffer format of a window mode.
D3DFORMAT BackBufferFormat(bool windowed);

}  // namespace Kestra3D::detail
