// The Direct3D object: the adapter survey and device creation, and the module's export.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/d3d9/d3d9_internal.h"
#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"

namespace d3d9impl {

namespace {
std::mutex g_adapterMutex;
bool g_adapterOverridden = false;
d3d9test::AdapterConfig g_adapter;
bool g_adapterBuilt = false;

D3DCAPS9 DefaultCaps() {
    D3DCAPS9 c;
    std::memset(&c, 0, sizeof c);
    c.DeviceType = D3DDEVTYPE_HAL;
    c.AdapterOrdinal = 0;
    c.Caps2 = D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANMANAGERESOURCE;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP |
                          D3DPMISCCAPS_SEPARATEALPHABLEND;
    c.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST |
                   D3DPRASTERCAPS_DEPTHBIAS | D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS | D3DPRASTERCAPS_MIPMAPLODBIAS |
                   D3DPRASTERCAPS_ANISOTROPY;
    c.ZCmpCaps = 0xFF;
    c.AlphaCmpCaps = 0xFF;
    c.SrcBlendCaps = 0x3FFF;
    c.DestBlendCaps = 0x3FFF;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP |
                    D3DPTEXTURECAPS_PROJECTED;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MINFANISOTROPIC |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                          D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    c.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                              D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    c.MaxTextureWidth = 4096;
    c.MaxTextureHeight = 4096;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 4096;
    c.MaxAnisotropy = 16;
    c.MaxVertexW = 1.0e10f;
    c.GuardBandLeft = -8192.0f;
    c.GuardBandTop = -8192.0f;
    c.GuardBandRight = 8192.0f;
    c.GuardBandBottom = 8192.0f;
    c.StencilCaps = 0x1FF;
    c.FVFCaps = 8;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD |
                      D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_SUBTRACT | D3DTEXOPCAPS_BLENDDIFFUSEALPHA |
                      D3DTEXOPCAPS_BLENDTEXTUREALPHA | D3DTEXOPCAPS_BLENDCURRENTALPHA;
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 8;
    c.VertexProcessingCaps = D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_MATERIALSOURCE7;
    c.MaxActiveLights = 8;
    c.MaxVertexBlendMatrices = 4;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = 1.0f;
    c.MaxPrimitiveCount = 0x000FFFFF;
    c.MaxVertexIndex = 0x00FFFFFF;
    c.MaxStreams = 1;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = D3DVS_VERSION(2, 0);
    c.MaxVertexShaderConst = 256;
    c.PixelShaderVersion = D3DPS_VERSION(2, 0);
    c.PixelShader1xMaxValue = 1.0f;
    c.NumSimultaneousRTs = 1;
    c.DeclTypes = D3DDTCAPS_UBYTE4 | D3DDTCAPS_UBYTE4N | D3DDTCAPS_SHORT2N | D3DDTCAPS_SHORT4N;
    c.VS20Caps.DynamicFlowControlDepth = 24;
    c.VS20Caps.NumTemps = 12;
    c.VS20Caps.StaticFlowControlDepth = 4;
    c.PS20Caps.NumTemps = 12;
    c.PS20Caps.NumInstructionSlots = 96;
    c.MasterAdapterOrdinal = 0;
    c.NumberOfAdaptersInGroup = 1;
    return c;
}

d3d9test::AdapterConfig BuildDefaultAdapter() {
    d3d9test::AdapterConfig a;
    std::memset(&a.identifier, 0, sizeof a.identifier);
    std::snprintf(a.identifier.Driver, sizeof a.identifier.Driver, "kestra_d3d9");
    std::snprintf(a.identifier.Description, sizeof a.identifier.Description, "Kestra OpenGL 3.3 adapter");
    std::snprintf(a.identifier.DeviceName, sizeof a.identifier.DeviceName, "\\\\.\\DISPLAY1");
    a.identifier.DriverVersion.u.HighPart = (9 << 16) | 0;  // product 9, version 0
    a.identifier.DriverVersion.u.LowPart = (0 << 16) | 1;   // sub-version 0, build 1
    a.identifier.WHQLLevel = 1;

    UINT desktopW = 1280, desktopH = 1024, rate = 60;
    if (SelectedBackend() == d3d9test::Backend::GL && platform::EnsureSdl(SDL_INIT_VIDEO)) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            desktopW = UINT(mode.w);
            desktopH = UINT(mode.h);
            if (mode.refresh_rate > 0) rate = UINT(mode.refresh_rate);
        }
    }
    a.currentMode = {desktopW, desktopH, rate, D3DFMT_X8R8G8B8};
    // Full screen scales the back buffer onto the desktop, so every common size is
    // offered in the 32-bit and both 16-bit formats, as the adapters of the time did.
    static const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 960}, {1280, 1024}};
    static const D3DFORMAT formats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
    for (D3DFORMAT f : formats) {
        bool desktopListed = false;
        for (auto& s : sizes) {
            if (s[0] > desktopW || s[1] > desktopH) continue;
            a.modes.push_back({s[0], s[1], rate, f});
            if (s[0] == desktopW && s[1] == desktopH) desktopListed = true;
        }
        if (!desktopListed) a.modes.push_back({desktopW, desktopH, rate, f});
    }
    a.textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                        D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8R3G3B2, D3DFMT_A8,
                        D3DFMT_L8,       D3DFMT_A8L8,     D3DFMT_A4L4,     D3DFMT_A8B8G8R8, D3DFMT_X8B8G8R8};
    a.renderTargetFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                             D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4};
    a.depthStencilFormats = {D3DFMT_D16_LOCKABLE, D3DFMT_D16, D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X8};
    a.caps = DefaultCaps();
    a.availableTextureMem = 256u << 20;
    return a;
}

bool IsDisplayFormat(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}
}  // namespace

const d3d9test::AdapterConfig& Adapter() {
    std::lock_guard<std::mutex> lock(g_adapterMutex);
    if (!g_adapterOverridden && !g_adapterBuilt) {
        g_adapter = BuildDefaultAdapter();
        g_adapterBuilt = true;
    }
    return g_adapter;
}

// ---- IDirect3D9
Direct3D9Impl::Direct3D9Impl() = default;
Direct3D9Impl::~Direct3D9Impl() = default;

HRESULT Direct3D9Impl::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
ULONG Direct3D9Impl::AddRef() { return ++refs_; }
ULONG Direct3D9Impl::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

UINT Direct3D9Impl::GetAdapterCount() {
    CountCall("GetAdapterCount");
    return 1;
}

HRESULT Direct3D9Impl::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) {
    CountCall("GetAdapterIdentifier");
    if (adapter != 0 || !identifier) return D3DERR_INVALIDCALL;
    *identifier = Adapter().identifier;
    return D3D_OK;
}

UINT Direct3D9Impl::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    CountCall("GetAdapterModeCount");
    if (adapter != 0) return 0;
    UINT n = 0;
    for (auto& m : Adapter().modes)
        if (m.Format == format) ++n;
    return n;
}

HRESULT Direct3D9Impl::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
    CountCall("EnumAdapterModes");
    if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
    UINT n = 0;
    for (auto& m : Adapter().modes) {
        if (m.Format != format) continue;
        if (n++ == mode) {
            *out = m;
            return D3D_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT Direct3D9Impl::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    CountCall("GetAdapterDisplayMode");
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    *mode = Adapter().currentMode;
    return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                       D3DFORMAT backBufferFormat, BOOL windowed) {
    CountCall("CheckDeviceType");
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (backBufferFormat != D3DFMT_UNKNOWN && !IsSupported(Adapter().renderTargetFormats, backBufferFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                         D3DRESOURCETYPE rtype, D3DFORMAT format) {
    CountCall("CheckDeviceFormat");
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
    const auto& a = Adapter();
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        if (rtype != D3DRTYPE_SURFACE && rtype != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
        return IsSupported(a.depthStencilFormats, format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (usage & D3DUSAGE_RENDERTARGET) {
        if (rtype != D3DRTYPE_SURFACE && rtype != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
        return IsSupported(a.renderTargetFormats, format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (rtype == D3DRTYPE_VERTEXBUFFER) return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (rtype == D3DRTYPE_INDEXBUFFER)
        return (format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (rtype != D3DRTYPE_SURFACE && rtype != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    return IsSupported(a.textureFormats, format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9Impl::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                              D3DFORMAT rtFormat, D3DFORMAT dsFormat) {
    CountCall("CheckDepthStencilMatch");
    if (adapter != 0) return D3DERR_INVALIDCALL;
    const auto& a = Adapter();
    if (!IsSupported(a.depthStencilFormats, dsFormat)) return D3DERR_NOTAVAILABLE;
    if (!IsSupported(a.renderTargetFormats, rtFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D9Impl::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    CountCall("GetDeviceCaps");
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
    *caps = Adapter().caps;
    caps->DeviceType = type;
    return D3D_OK;
}

HRESULT Direct3D9Impl::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                    D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
    CountCall("CreateDevice");
    d3d9test::CreateDeviceCall record{};
    record.adapter = adapter;
    record.type = type;
    record.window = focus;
    record.flags = flags;
    if (params) record.params = *params;
    auto finish = [&](HRESULT hr) {
        record.result = hr;
        RecordCreateDevice(record);
        return hr;
    };
    if (!device) return finish(D3DERR_INVALIDCALL);
    *device = nullptr;
    if (!params || adapter != 0) return finish(D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return finish(D3DERR_NOTAVAILABLE);
    const DWORD vp = flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                              D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING)
        return finish(D3DERR_INVALIDCALL);
    if (type == D3DDEVTYPE_HAL && vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        !(Adapter().caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))
        return finish(D3DERR_INVALIDCALL);
    if (type == D3DDEVTYPE_HAL && !(Adapter().caps.DevCaps & D3DDEVCAPS_HWRASTERIZATION))
        return finish(D3DERR_NOTAVAILABLE);
    std::string row = std::string("CreateDevice:") + (type == D3DDEVTYPE_HAL ? "HAL" : "REF") + ":" +
                      (vp == D3DCREATE_SOFTWARE_VERTEXPROCESSING   ? "SOFTWARE"
                       : vp == D3DCREATE_HARDWARE_VERTEXPROCESSING ? "HARDWARE"
                                                                   : "MIXED");
    if (platform::FaultHit("CreateDevice") || platform::FaultHit(row)) return finish(D3DERR_NOTAVAILABLE);
    if (!focus && !params->hDeviceWindow) return finish(D3DERR_INVALIDCALL);

    auto* created = new Device(this, adapter, type, focus, flags);
    HRESULT hr = created->Initialize(params);
    if (FAILED(hr)) {
        created->Release();
        return finish(hr);
    }
    *device = created;
    return finish(D3D_OK);
}

}  // namespace d3d9impl

// ---- The module's export and its registration under "d3d9.dll".
IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion) {
    d3d9impl::CountCall("Direct3DCreate9");
    if (SDKVersion != D3D_SDK_VERSION) return nullptr;
    if (platform::FaultHit("Direct3DCreate9")) return nullptr;
    return new d3d9impl::Direct3D9Impl();
}

namespace {
FARPROC ResolveD3D9(LPCSTR procName) {
    if (procName && std::strcmp(procName, "Direct3DCreate9") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Direct3DCreate9));
    return nullptr;
}
struct D3D9ModuleRegistrar {
    D3D9ModuleRegistrar() { platform::RegisterBuiltinModule("d3d9.dll", &ResolveD3D9); }
};
D3D9ModuleRegistrar g_d3d9ModuleRegistrar;
}  // namespace

namespace d3d9test {
AdapterConfig DefaultAdapter() {
    return d3d9impl::BuildDefaultAdapter();
}
void SetAdapter(const AdapterConfig& config) {
    std::lock_guard<std::mutex> lock(d3d9impl::g_adapterMutex);
    d3d9impl::g_adapter = config;
    d3d9impl::g_adapterOverridden = true;
}
void ResetAdapter() {
    std::lock_guard<std::mutex> lock(d3d9impl::g_adapterMutex);
    d3d9impl::g_adapterOverridden = false;
    d3d9impl::g_adapterBuilt = false;
}
}  // namespace d3d9test
