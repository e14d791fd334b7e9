// The device: validation, the state store, scenes, device loss and reset. Drawing
// goes to the backend, GL or the null one that draws nothing.
#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/backend.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"

namespace d3d9impl {

namespace {
const D3DVIEWPORT9 FullViewport(const SurfaceImpl* s) {
    return D3DVIEWPORT9{0, 0, s ? s->width : 0, s ? s->height : 0, 0.0f, 1.0f};
}

bool IsRenderTargetSurface(const SurfaceImpl* s) {
    return s && (s->usage & D3DUSAGE_RENDERTARGET) && s->pool == D3DPOOL_DEFAULT;
}

uint64_t VerticesFor(D3DPRIMITIVETYPE type, uint64_t count) {
    switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count + 1;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2;
    default: return 0;
    }
}

void FocusObserver(const SDL_Event& event, void* user) {
    if (event.type != SDL_WINDOWEVENT) return;
    auto* device = static_cast<Device*>(user);
    if (platform::WindowOfSdlId(event.window.windowID) != device->window()) return;
    if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) device->OnFocusChange(false);
    if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) device->OnFocusChange(true);
}
}  // namespace

Device::Device(Direct3D9Impl* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags)
    : d3d_(d3d), adapter_(adapter), type_(type), focus_(focus), flags_(flags), backend_(new NullBackend) {
    d3d_->AddRef();
}

Device::~Device() {
    UnbindAll();
    backBuffer_.reset();
    autoDepth_.reset();
    if (retainedWindow_) platform::RemoveSdlEventObserver(&FocusObserver, this);
    if (fullscreen()) {
        D3DPRESENT_PARAMETERS windowed = params_;
        windowed.Windowed = TRUE;
        backend_->ApplyPresentParameters(windowed);
    }
    backend_.reset();
    if (retainedWindow_) platform::ReleaseSdlWindow(window());
    d3d_->Release();
}

HRESULT Device::Initialize(D3DPRESENT_PARAMETERS* params) {
    if (!params->hDeviceWindow) params->hDeviceWindow = focus_;
    // window() reads the device window from params_: the backend, the retain and
    // the focus observer all belong to it, not to the focus window.
    params_.hDeviceWindow = params->hDeviceWindow;
    if (SelectedBackend() == d3d9test::Backend::GL) {
        if (!platform::SdlWindowOf(window())) return D3DERR_INVALIDCALL;
        std::string error;
        std::unique_ptr<Backend> gl = CreateGlBackend(window(), &error);
        if (!gl) {
            SDL_Log("Direct3D stand-in: no OpenGL 3.3 core context: %s", error.c_str());
            return D3DERR_NOTAVAILABLE;
        }
        backend_ = std::move(gl);
        platform::RetainSdlWindow(window());
        retainedWindow_ = true;
        platform::AddSdlEventObserver(&FocusObserver, this);
    }
    HRESULT hr = ValidatePresentParameters(params, false);
    if (FAILED(hr)) return hr;
    params_ = *params;
    hr = CreateSwapChain();
    if (FAILED(hr)) return hr;
    ResetStateToDefaults();
    *params = params_;
    return D3D_OK;
}

HRESULT Device::ValidatePresentParameters(D3DPRESENT_PARAMETERS* params, bool forReset) {
    if (!params) return D3DERR_INVALIDCALL;
    const auto& adapter = Adapter();
    if (params->Windowed) {
        if (params->BackBufferWidth == 0 || params->BackBufferHeight == 0) {
            UINT w = 640, h = 480;
            backend_->WindowSize(&w, &h);
            if (params->BackBufferWidth == 0) params->BackBufferWidth = std::max<UINT>(w, 1);
            if (params->BackBufferHeight == 0) params->BackBufferHeight = std::max<UINT>(h, 1);
        }
        if (params->BackBufferFormat == D3DFMT_UNKNOWN) params->BackBufferFormat = adapter.currentMode.Format;
    } else {
        // Full screen needs a mode the adapter lists, in that exact format.
        if (params->BackBufferFormat == D3DFMT_UNKNOWN) return D3DERR_INVALIDCALL;
        bool listed = false;
        for (const auto& m : adapter.modes)
            if (m.Format == params->BackBufferFormat && m.Width == params->BackBufferWidth &&
                m.Height == params->BackBufferHeight)
                listed = true;
        if (!listed) return D3DERR_INVALIDCALL;
    }
    if (!IsSupported(adapter.renderTargetFormats, params->BackBufferFormat)) return D3DERR_INVALIDCALL;
    if (params->BackBufferWidth > 16384 || params->BackBufferHeight > 16384) return D3DERR_INVALIDCALL;
    if (params->BackBufferCount > 3) return D3DERR_INVALIDCALL;
    if (params->BackBufferCount == 0) params->BackBufferCount = 1;
    if (params->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (params->SwapEffect < D3DSWAPEFFECT_DISCARD || params->SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (params->EnableAutoDepthStencil && !IsSupported(adapter.depthStencilFormats, params->AutoDepthStencilFormat))
        return D3DERR_INVALIDCALL;
    (void)forReset;
    return D3D_OK;
}

HRESULT Device::CreateSwapChain() {
    backend_->ApplyPresentParameters(params_);
    backBuffer_ = std::make_unique<SurfaceImpl>(this, SurfaceRole::BackBuffer, params_.BackBufferFormat,
                                                D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, params_.BackBufferWidth,
                                                params_.BackBufferHeight, nullptr, 0,
                                                (params_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, true);
    if (params_.EnableAutoDepthStencil) {
        autoDepth_ = std::make_unique<SurfaceImpl>(this, SurfaceRole::DepthStencil, params_.AutoDepthStencilFormat,
                                                   D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, params_.BackBufferWidth,
                                                   params_.BackBufferHeight, nullptr, 0, false, true);
    }
    return D3D_OK;
}

void Device::ResetStateToDefaults() {
    UnbindAll();
    FillDefaultStates(s_, params_.EnableAutoDepthStencil != FALSE);
    BindSurface(s_.renderTarget, backBuffer_.get());
    if (autoDepth_) BindSurface(s_.depthStencil, autoDepth_.get());
    s_.viewport = FullViewport(backBuffer_.get());
    s_.scissor = RECT{0, 0, LONG(params_.BackBufferWidth), LONG(params_.BackBufferHeight)};
    inScene_ = false;
}

template <class T>
void Device::BindObject(T*& slot, T* object) {
    if (slot == object) return;
    if (object) object->AddRefDevice();
    T* old = slot;
    slot = object;
    if (old) old->ReleaseDevice();
}

void Device::BindSurface(SurfaceImpl*& slot, SurfaceImpl* surface) { BindObject(slot, surface); }

void Device::BindTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    auto* t = static_cast<TextureImpl*>(texture);
    auto* old = static_cast<TextureImpl*>(s_.textures[stage]);
    if (old == t) return;
    if (t) t->AddRefDevice();
    s_.textures[stage] = t;
    if (old) old->ReleaseDevice();
}

void Device::UnbindAll() {
    for (DWORD i = 0; i < 16; ++i) BindTexture(i, nullptr);
    BindObject(s_.stream, static_cast<VertexBufferImpl*>(nullptr));
    BindObject(s_.indices, static_cast<IndexBufferImpl*>(nullptr));
    BindObject(s_.declaration, static_cast<VertexDeclarationImpl*>(nullptr));
    BindSurface(s_.renderTarget, nullptr);
    BindSurface(s_.depthStencil, nullptr);
    if (s_.vertexShader) s_.vertexShader->Release();
    if (s_.pixelShader) s_.pixelShader->Release();
    s_.vertexShader = nullptr;
    s_.pixelShader = nullptr;
}

// ---- Reference counting. Resources hold internal references, so the device lives
// until the application and every resource have let go.
HRESULT Device::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
ULONG Device::AddRef() { return ++appRefs_; }
ULONG Device::Release() {
    if (appRefs_ == 0) return 0;
    ULONG n = --appRefs_;
    if (n == 0) {
        AddRefInternal();  // keep alive while bindings let go
        UnbindAll();
        ReleaseInternal();
    }
    return n;
}
void Device::AddRefInternal() { ++internalRefs_; }
void Device::ReleaseInternal() {
    if (internalRefs_ > 0) --internalRefs_;
    if (internalRefs_ == 0 && appRefs_ == 0) delete this;
}

void Device::Register(void* resource, D3DPOOL pool, int kind) { registry_[resource] = Registered{pool, kind}; }
void Device::Unregister(void* resource) { registry_.erase(resource); }

int Device::LiveDefaultPool() const {
    int live = 0;
    for (const auto& [ptr, reg] : registry_) {
        if (reg.pool != D3DPOOL_DEFAULT) continue;
        ULONG refs = 0;
        switch (reg.kind) {
        case 0: refs = static_cast<TextureImpl*>(ptr)->appRefs(); break;
        case 1: refs = static_cast<SurfaceImpl*>(ptr)->appRefs(); break;
        case 2: refs = static_cast<VertexBufferImpl*>(ptr)->appRefs(); break;
        case 3: refs = static_cast<IndexBufferImpl*>(ptr)->appRefs(); break;
        default: break;
        }
        if (refs > 0) ++live;
    }
    if (backBuffer_ && backBuffer_->appRefs() > 0) ++live;
    if (autoDepth_ && autoDepth_->appRefs() > 0) ++live;
    return live;
}

// ---- Loss, reset, present
void Device::LoseDevice(int polls) {
    state_ = d3d9test::DeviceState::Lost;
    pollsWhileLost_ = std::max(polls, 0);
    lostUntilFocus_ = false;
}

void Device::OnFocusChange(bool gained) {
    // A full-screen device loses its screen to other programs while out of focus.
    if (!gained && fullscreen() && state_ == d3d9test::DeviceState::Ok) {
        state_ = d3d9test::DeviceState::Lost;
        lostUntilFocus_ = true;
        pollsWhileLost_ = 0;
    } else if (gained && lostUntilFocus_) {
        lostUntilFocus_ = false;
    }
}

HRESULT Device::TestCooperativeLevel() {
    CountCall("TestCooperativeLevel");
    switch (state_) {
    case d3d9test::DeviceState::Ok: return D3D_OK;
    case d3d9test::DeviceState::Lost:
        if (lostUntilFocus_) return D3DERR_DEVICELOST;
        if (pollsWhileLost_ > 0) {
            --pollsWhileLost_;
            return D3DERR_DEVICELOST;
        }
        state_ = d3d9test::DeviceState::NotReset;
        return D3DERR_DEVICENOTRESET;
    case d3d9test::DeviceState::NotReset: return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params) {
    CountCall("Reset");
    d3d9test::ResetCall record{};
    if (params) record.params = *params;
    auto finish = [&](HRESULT hr) {
        record.result = hr;
        RecordReset(record);
        return hr;
    };
    if (!params) return finish(D3DERR_INVALIDCALL);
    if (state_ == d3d9test::DeviceState::Lost) {
        // Still lost: nothing can be reset yet.
        if (lostUntilFocus_ || pollsWhileLost_ > 0) return finish(D3DERR_DEVICELOST);
        state_ = d3d9test::DeviceState::NotReset;
    }
    auto fail = [&](HRESULT hr) {
        state_ = d3d9test::DeviceState::NotReset;
        return finish(hr);
    };
    if (platform::FaultHit("Reset")) return fail(D3DERR_INVALIDCALL);
    // Direct3D refuses while the application still holds default-pool resources.
    if (LiveDefaultPool() > 0) return fail(D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS next = *params;
    if (!next.hDeviceWindow) next.hDeviceWindow = params_.hDeviceWindow;
    if (next.hDeviceWindow != params_.hDeviceWindow) next.hDeviceWindow = params_.hDeviceWindow;
    HRESULT hr = ValidatePresentParameters(&next, true);
    if (FAILED(hr)) return fail(hr);
    UnbindAll();
    backBuffer_.reset();
    autoDepth_.reset();
    params_ = next;
    hr = CreateSwapChain();
    if (FAILED(hr)) return fail(hr);
    ResetStateToDefaults();
    state_ = d3d9test::DeviceState::Ok;
    *params = params_;
    return finish(D3D_OK);
}

HRESULT Device::Present(const RECT* src, const RECT* dst, HWND window, const RGNDATA* dirty) {
    CountCall("Present");
    if (platform::FaultHit("Present")) return D3DERR_DRIVERINTERNALERROR;
    if (platform::FaultHit("Present.lost")) LoseDevice(0);
    if (state_ != d3d9test::DeviceState::Ok) return D3DERR_DEVICELOST;
    backend_->Present(backBuffer_.get(), fullscreen(), PresentCapture());
    if (trimDue_) {
        // Loads come in bursts between frames; their decoded pictures and lock copies,
        // megabytes each, are freed by now. The C heap keeps such blocks resident for
        // the rest of the run (tens of megabytes after a stage's loads), so their
        // pages go back once per burst, not at every free.
        malloc_trim(0);
        trimDue_ = false;
    }
    return D3D_OK;
}

UINT Device::GetAvailableTextureMem() {
    CountCall("GetAvailableTextureMem");
    return UINT(textures_.Left(Adapter().availableTextureMem));
}

bool Device::ReserveTextureMemory(uint64_t bytes) { return textures_.Take(bytes, Adapter().availableTextureMem); }

void Device::FreeTextureMemory(uint64_t bytes) { textures_.Give(bytes); }
HRESULT Device::EvictManagedResources() { return D3D_OK; }
HRESULT Device::GetDirect3D(IDirect3D9** d3d) {
    if (!d3d) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}
HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
    CountCall("Device.GetDeviceCaps");
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = Adapter().caps;
    caps->DeviceType = type_;
    return D3D_OK;
}
HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
    if (params_.Windowed) {
        *mode = Adapter().currentMode;
    } else {
        *mode = D3DDISPLAYMODE{params_.BackBufferWidth, params_.BackBufferHeight, Adapter().currentMode.RefreshRate,
                               params_.BackBufferFormat};
    }
    return D3D_OK;
}
HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) {
    if (!params) return D3DERR_INVALIDCALL;
    *params = D3DDEVICE_CREATION_PARAMETERS{adapter_, type_, focus_, flags_};
    return D3D_OK;
}
HRESULT Device::SetDialogBoxMode(BOOL enable) {
    CountCall("SetDialogBoxMode");
    // Dialogs need a lockable back buffer in a single-buffered chain.
    if (enable && !(params_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER)) return D3DERR_INVALIDCALL;
    return D3D_OK;
}
HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) {
    CountCall("GetBackBuffer");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (swapChain != 0 || index >= params_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_.get();
    return D3D_OK;
}
HRESULT Device::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
    if (swapChain != 0 || !status) return D3DERR_INVALIDCALL;
    status->InVBlank = FALSE;
    status->ScanLine = 0;
    return D3D_OK;
}

// ---- Resource creation
HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE* shared) {
    CountCall("CreateTexture");
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (shared) return D3DERR_INVALIDCALL;
    const auto& adapter = Adapter();
    if (width == 0 || height == 0 || width > adapter.caps.MaxTextureWidth || height > adapter.caps.MaxTextureHeight)
        return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;  // depth textures are not offered
    const std::vector<D3DFORMAT>& list =
        (usage & D3DUSAGE_RENDERTARGET) ? adapter.renderTargetFormats : adapter.textureFormats;
    if (pool != D3DPOOL_SCRATCH && !IsSupported(list, format)) return D3DERR_INVALIDCALL;
    const FormatInfo* info = FindFormat(format);
    if (!info || info->depth) return D3DERR_INVALIDCALL;
    UINT maxLevels = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++maxLevels;
    if (levels == 0 || levels > maxLevels) levels = maxLevels;
    if (usage & D3DUSAGE_AUTOGENMIPMAP) levels = 1;
    if (platform::FaultHit("CreateTexture")) return D3DERR_OUTOFVIDEOMEMORY;
    // Counted before anything is allocated: a texture past the budget costs nothing.
    // One the driver holds takes four bytes a texel there, however few its format stores.
    const bool driverHolds = pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH;
    uint64_t bytes = 0;
    for (UINT i = 0; i < levels; ++i) {
        const UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        const uint64_t stored = uint64_t(RowBytes(format, w)) * RowCount(format, h);
        bytes += driverHolds ? std::max<uint64_t>(stored, uint64_t{4} * w * h) : stored;
    }
    // No one picture may take the room the game's own need: theirs are a few
    // megabytes at most, and a file dropped in the folder in place of one is
    // refused here rather than every texture after it.
    if (bytes > kMostOneTexture || !ReserveTextureMemory(bytes)) return D3DERR_OUTOFVIDEOMEMORY;
    auto* t = new TextureImpl(this, width, height, levels, usage, format, pool);
    t->memoryBytes = bytes;
    *texture = t;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** vb,
                                   HANDLE* shared) {
    CountCall("CreateVertexBuffer");
    if (!vb) return D3DERR_INVALIDCALL;
    *vb = nullptr;
    if (shared || length == 0 || pool > D3DPOOL_SCRATCH || pool == D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (fvf) {
        VertexLayout layout;
        if (!LayoutFromFvf(fvf, &layout) || length < layout.fvfStride) return D3DERR_INVALIDCALL;
    }
    if (platform::FaultHit("CreateVertexBuffer")) return D3DERR_OUTOFVIDEOMEMORY;
    *vb = new VertexBufferImpl(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** ib, HANDLE* shared) {
    CountCall("CreateIndexBuffer");
    if (!ib) return D3DERR_INVALIDCALL;
    *ib = nullptr;
    if (shared || length == 0 || pool >= D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateIndexBuffer")) return D3DERR_OUTOFVIDEOMEMORY;
    *ib = new IndexBufferImpl(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                   DWORD quality, BOOL lockable, IDirect3DSurface9** surface, HANDLE* shared) {
    CountCall("CreateRenderTarget");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (shared || width == 0 || height == 0 || ms != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    if (!IsSupported(Adapter().renderTargetFormats, format)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateRenderTarget")) return D3DERR_OUTOFVIDEOMEMORY;
    *surface = new SurfaceImpl(this, SurfaceRole::RenderTarget, format, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, width,
                               height, nullptr, 0, lockable != FALSE);
    return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                          DWORD quality, BOOL discard, IDirect3DSurface9** surface, HANDLE* shared) {
    CountCall("CreateDepthStencilSurface");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (shared || width == 0 || height == 0 || ms != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    if (width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    if (!IsSupported(Adapter().depthStencilFormats, format)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateDepthStencilSurface")) return D3DERR_OUTOFVIDEOMEMORY;
    bool lockable = format == D3DFMT_D16_LOCKABLE || format == D3DFMT_D32F_LOCKABLE;
    *surface = new SurfaceImpl(this, SurfaceRole::DepthStencil, format, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, width,
                               height, nullptr, 0, lockable);
    return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* shared) {
    CountCall("CreateOffscreenPlainSurface");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (shared || width == 0 || height == 0 || pool == D3DPOOL_MANAGED || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if (width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    const FormatInfo* info = FindFormat(format);
    if (!info || info->depth) return D3DERR_INVALIDCALL;
    if (pool != D3DPOOL_SCRATCH && !IsSupported(Adapter().textureFormats, format) &&
        !IsSupported(Adapter().renderTargetFormats, format))
        return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateOffscreenPlainSurface")) return D3DERR_OUTOFVIDEOMEMORY;
    *surface = new SurfaceImpl(this, SurfaceRole::Plain, format, pool, 0, width, height, nullptr, 0, true);
    return D3D_OK;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** decl) {
    CountCall("CreateVertexDeclaration");
    if (!decl) return D3DERR_INVALIDCALL;
    *decl = nullptr;
    if (!elements) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> list;
    for (UINT i = 0;; ++i) {
        if (i >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
        if (elements[i].Stream == 0xFF) break;
        if (DeclTypeSize(elements[i].Type) == 0) return D3DERR_INVALIDCALL;
        list.push_back(elements[i]);
    }
    VertexLayout layout;
    if (!LayoutFromDeclaration(list, &layout)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateVertexDeclaration")) return E_OUTOFMEMORY;
    *decl = new VertexDeclarationImpl(this, std::move(list));
    return D3D_OK;
}

// ---- Copies between resources (all through the CPU copies, which keeps both backends alike)
namespace {
SurfaceImpl* AsSurface(IDirect3DSurface9* s) { return static_cast<SurfaceImpl*>(s); }

bool RectInside(const RECT& r, UINT w, UINT h) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= LONG(w) &&
           r.bottom <= LONG(h);
}

uint32_t Lerp(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float ca = float((a >> shift) & 0xFF), cb = float((b >> shift) & 0xFF);
        uint32_t c = uint32_t(ca + (cb - ca) * t + 0.5f);
        out |= std::min<uint32_t>(c, 255) << shift;
    }
    return out;
}
}  // namespace

HRESULT Device::UpdateSurface(IDirect3DSurface9* srcI, const RECT* srcRect, IDirect3DSurface9* dstI,
                              const POINT* dstPoint) {
    CountCall("UpdateSurface");
    SurfaceImpl* src = AsSurface(srcI);
    SurfaceImpl* dst = AsSurface(dstI);
    if (!src || !dst || src == dst) return D3DERR_INVALIDCALL;
    if (src->pool != D3DPOOL_SYSTEMMEM || dst->pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (src->format != dst->format || src->role == SurfaceRole::DepthStencil || dst->role == SurfaceRole::DepthStencil)
        return D3DERR_INVALIDCALL;
    RECT r = srcRect ? *srcRect : RECT{0, 0, LONG(src->width), LONG(src->height)};
    if (!RectInside(r, src->width, src->height)) return D3DERR_INVALIDCALL;
    POINT p = dstPoint ? *dstPoint : POINT{0, 0};
    RECT d{p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
    if (!RectInside(d, dst->width, dst->height)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("UpdateSurface")) return D3DERR_INVALIDCALL;
    const FormatInfo* info = FindFormat(src->format);
    if (info->compressed && ((r.left | r.top | p.x | p.y) & 3)) return D3DERR_INVALIDCALL;
    dst->SyncToCpu();
    UINT bpp = info->bytesPerPixel;
    LONG rows = info->compressed ? (r.bottom - r.top + 3) / 4 : r.bottom - r.top;
    LONG rowBytes = info->compressed ? ((r.right - r.left + 3) / 4) * LONG(bpp) : (r.right - r.left) * LONG(bpp);
    LONG sx = info->compressed ? r.left / 4 : r.left, sy = info->compressed ? r.top / 4 : r.top;
    LONG dx = info->compressed ? p.x / 4 : p.x, dy = info->compressed ? p.y / 4 : p.y;
    for (LONG y = 0; y < rows; ++y)
        std::memcpy(&dst->mem[size_t(dy + y) * dst->pitch + size_t(dx) * bpp],
                    &src->mem[size_t(sy + y) * src->pitch + size_t(sx) * bpp], size_t(rowBytes));
    dst->cpuNewer = true;
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* srcI, IDirect3DBaseTexture9* dstI) {
    CountCall("UpdateTexture");
    auto* src = static_cast<TextureImpl*>(srcI);
    auto* dst = static_cast<TextureImpl*>(dstI);
    if (!src || !dst || src == dst) return D3DERR_INVALIDCALL;
    if (src->pool != D3DPOOL_SYSTEMMEM || dst->pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (src->format != dst->format || src->levels.size() < dst->levels.size()) return D3DERR_INVALIDCALL;
    // Source levels are matched to destination levels by size.
    size_t first = 0;
    while (first < src->levels.size() && src->levels[first]->width != dst->width) ++first;
    if (first == src->levels.size() || src->levels[first]->height != dst->height) return D3DERR_INVALIDCALL;
    if (src->levels.size() - first < dst->levels.size()) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("UpdateTexture")) return D3DERR_INVALIDCALL;
    for (size_t i = 0; i < dst->levels.size(); ++i) {
        SurfaceImpl* d = dst->levels[i].get();
        SurfaceImpl* s = src->levels[first + i].get();
        d->mem = s->mem;
        d->cpuNewer = true;
        d->gpuNewer = false;
    }
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* rtI, IDirect3DSurface9* dstI) {
    CountCall("GetRenderTargetData");
    SurfaceImpl* rt = AsSurface(rtI);
    SurfaceImpl* dst = AsSurface(dstI);
    if (!rt || !dst) return D3DERR_INVALIDCALL;
    if (!IsRenderTargetSurface(rt) || dst->pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (rt->format != dst->format || rt->width != dst->width || rt->height != dst->height) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("GetRenderTargetData")) return D3DERR_INVALIDCALL;
    if (state_ != d3d9test::DeviceState::Ok) return D3DERR_DEVICELOST;
    rt->SyncToCpu();
    dst->mem = rt->mem;
    dst->cpuNewer = true;
    return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* srcI, const RECT* srcRect, IDirect3DSurface9* dstI,
                            const RECT* dstRect, D3DTEXTUREFILTERTYPE filter) {
    CountCall("StretchRect");
    SurfaceImpl* src = AsSurface(srcI);
    SurfaceImpl* dst = AsSurface(dstI);
    if (!src || !dst) return D3DERR_INVALIDCALL;
    if (src->pool != D3DPOOL_DEFAULT || dst->pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (src->role == SurfaceRole::DepthStencil || dst->role == SurfaceRole::DepthStencil) return D3DERR_INVALIDCALL;
    // Texture destinations must be render targets; a plain texture level cannot be stretched into.
    if (dst->role == SurfaceRole::TextureLevel && !(dst->usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (src->role == SurfaceRole::TextureLevel && !(src->usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (filter != D3DTEXF_NONE && filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
    if (!CanConvert(src->format) || !CanConvert(dst->format)) return D3DERR_INVALIDCALL;
    RECT s = srcRect ? *srcRect : RECT{0, 0, LONG(src->width), LONG(src->height)};
    RECT d = dstRect ? *dstRect : RECT{0, 0, LONG(dst->width), LONG(dst->height)};
    if (!RectInside(s, src->width, src->height) || !RectInside(d, dst->width, dst->height)) return D3DERR_INVALIDCALL;
    static const char* const names[] = {"StretchRect:NONE", "StretchRect:POINT", "StretchRect:LINEAR"};
    if (platform::FaultHit("StretchRect") || platform::FaultHit(names[filter])) return D3DERR_INVALIDCALL;
    if (state_ != d3d9test::DeviceState::Ok) return D3D_OK;
    src->SyncToCpu();
    dst->SyncToCpu();
    const FormatInfo* si = FindFormat(src->format);
    const FormatInfo* di = FindFormat(dst->format);
    LONG sw = s.right - s.left, sh = s.bottom - s.top, dw = d.right - d.left, dh = d.bottom - d.top;
    std::vector<uint8_t> copy = src->mem;  // src and dst may be the same surface
    auto texel = [&](LONG x, LONG y) {
        x = std::clamp<LONG>(x, s.left, s.right - 1);
        y = std::clamp<LONG>(y, s.top, s.bottom - 1);
        return ReadPixel(src->format, &copy[size_t(y) * src->pitch + size_t(x) * si->bytesPerPixel]);
    };
    for (LONG y = 0; y < dh; ++y) {
        for (LONG x = 0; x < dw; ++x) {
            float fx = s.left + (x + 0.5f) * float(sw) / float(dw);
            float fy = s.top + (y + 0.5f) * float(sh) / float(dh);
            uint32_t c;
            if (filter == D3DTEXF_LINEAR && (sw != dw || sh != dh)) {
                float gx = fx - 0.5f, gy = fy - 0.5f;
                LONG x0 = LONG(std::floor(gx)), y0 = LONG(std::floor(gy));
                float tx = gx - float(x0), ty = gy - float(y0);
                c = Lerp(Lerp(texel(x0, y0), texel(x0 + 1, y0), tx), Lerp(texel(x0, y0 + 1), texel(x0 + 1, y0 + 1), tx),
                         ty);
            } else {
                c = texel(LONG(std::floor(fx)), LONG(std::floor(fy)));
            }
            WritePixel(dst->format, &dst->mem[size_t(d.top + y) * dst->pitch + size_t(d.left + x) * di->bytesPerPixel],
                       c);
        }
    }
    dst->cpuNewer = true;
    dst->gpuNewer = false;
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surfaceI, const RECT* rect, D3DCOLOR color) {
    CountCall("ColorFill");
    SurfaceImpl* s = AsSurface(surfaceI);
    if (!s || s->pool != D3DPOOL_DEFAULT || s->role == SurfaceRole::DepthStencil) return D3DERR_INVALIDCALL;
    if (s->role == SurfaceRole::TextureLevel && !(s->usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (!CanConvert(s->format)) return D3DERR_INVALIDCALL;
    RECT r = rect ? *rect : RECT{0, 0, LONG(s->width), LONG(s->height)};
    if (!RectInside(r, s->width, s->height)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("ColorFill")) return D3DERR_INVALIDCALL;
    if (state_ != d3d9test::DeviceState::Ok) return D3D_OK;
    s->SyncToCpu();
    UINT bpp = FindFormat(s->format)->bytesPerPixel;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) WritePixel(s->format, &s->mem[size_t(y) * s->pitch + size_t(x) * bpp], color);
    s->cpuNewer = true;
    s->gpuNewer = false;
    return D3D_OK;
}

// ---- Targets
HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* surfaceI) {
    CountCall("SetRenderTarget");
    SurfaceImpl* s = AsSurface(surfaceI);
    if (index != 0) return s ? D3DERR_INVALIDCALL : D3D_OK;
    if (!s || !IsRenderTargetSurface(s)) return D3DERR_INVALIDCALL;
    BindSurface(s_.renderTarget, s);
    // Direct3D resets the viewport (and scissor) to the whole new target.
    s_.viewport = FullViewport(s);
    s_.scissor = RECT{0, 0, LONG(s->width), LONG(s->height)};
    return D3D_OK;
}
HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    CountCall("GetRenderTarget");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0) return D3DERR_INVALIDCALL;
    if (!s_.renderTarget) return D3DERR_NOTFOUND;
    s_.renderTarget->AddRef();
    *surface = s_.renderTarget;
    return D3D_OK;
}
HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surfaceI) {
    CountCall("SetDepthStencilSurface");
    SurfaceImpl* s = AsSurface(surfaceI);
    if (s && s->role != SurfaceRole::DepthStencil) return D3DERR_INVALIDCALL;
    BindSurface(s_.depthStencil, s);
    return D3D_OK;
}
HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    CountCall("GetDepthStencilSurface");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!s_.depthStencil) return D3DERR_NOTFOUND;
    s_.depthStencil->AddRef();
    *surface = s_.depthStencil;
    return D3D_OK;
}

// ---- Scenes and clearing
HRESULT Device::BeginScene() {
    CountCall("BeginScene");
    if (inScene_) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("BeginScene")) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}
HRESULT Device::EndScene() {
    CountCall("EndScene");
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    CountCall("Clear");
    if ((count > 0 && !rects) || (flags & ~7u) || flags == 0) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !s_.depthStencil) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !FindFormat(s_.depthStencil->format)->stencil) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("Clear")) return D3DERR_INVALIDCALL;
    if (state_ != d3d9test::DeviceState::Ok) return D3D_OK;
    backend_->Clear(s_, count, rects, flags, color, std::clamp(z, 0.0f, 1.0f), stencil);
    return D3D_OK;
}

// ---- Transforms, viewport, material, lights
HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    CountCall("SetTransform");
    if (!matrix) return D3DERR_INVALIDCALL;
    if (state == D3DTS_VIEW) s_.view = *matrix;
    else if (state == D3DTS_PROJECTION) s_.projection = *matrix;
    else if (state == D3DTS_WORLD) s_.world = *matrix;
    else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) s_.textureMatrices[state - D3DTS_TEXTURE0] = *matrix;
    else if (DWORD(state) > 256 && DWORD(state) < 512) return D3D_OK;  // blend matrices: not used by fixed function here
    else return D3DERR_INVALIDCALL;
    return D3D_OK;
}
HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    if (state == D3DTS_VIEW) *matrix = s_.view;
    else if (state == D3DTS_PROJECTION) *matrix = s_.projection;
    else if (state == D3DTS_WORLD) *matrix = s_.world;
    else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) *matrix = s_.textureMatrices[state - D3DTS_TEXTURE0];
    else return D3DERR_INVALIDCALL;
    return D3D_OK;
}
HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX current;
    if (!matrix || FAILED(GetTransform(state, &current))) return D3DERR_INVALIDCALL;
    const D3DMATRIX out = MatrixProduct(current, *matrix);
    return SetTransform(state, &out);
}
HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
    CountCall("SetViewport");
    if (!viewport || !s_.renderTarget) return D3DERR_INVALIDCALL;
    const SurfaceImpl* rt = s_.renderTarget;
    if (viewport->Width == 0 || viewport->Height == 0 || uint64_t(viewport->X) + viewport->Width > rt->width ||
        uint64_t(viewport->Y) + viewport->Height > rt->height)
        return D3DERR_INVALIDCALL;
    if (!(viewport->MinZ >= 0.0f && viewport->MaxZ <= 1.0f && viewport->MinZ <= viewport->MaxZ))
        return D3DERR_INVALIDCALL;
    s_.viewport = *viewport;
    return D3D_OK;
}
HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = s_.viewport;
    return D3D_OK;
}
HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    s_.material = *material;
    return D3D_OK;
}
HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = s_.material;
    return D3D_OK;
}
HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    s_.lights[index] = *light;
    return D3D_OK;
}
HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
    auto it = s_.lights.find(index);
    if (!light || it == s_.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second;
    return D3D_OK;
}
HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    if (s_.lights.find(index) == s_.lights.end()) {
        // Enabling an unset light gives it Direct3D's default: a white directional light along +z.
        D3DLIGHT9 def;
        std::memset(&def, 0, sizeof def);
        def.Type = D3DLIGHT_DIRECTIONAL;
        def.Diffuse = {1, 1, 1, 0};
        def.Direction = {0, 0, 1};
        s_.lights[index] = def;
    }
    s_.lightEnabled[index] = enable != FALSE;
    return D3D_OK;
}
HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = s_.lights.find(index);
    if (!enable || it == s_.lights.end()) return D3DERR_INVALIDCALL;
    *enable = s_.lightEnabled[index] ? 128 : FALSE;  // Direct3D answers 128 for "on"
    return D3D_OK;
}

// ---- States
HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    CountCall("SetRenderState");
    if (DWORD(state) >= 256) return D3DERR_INVALIDCALL;
    if (Recording()) RecordState(d3d9test::StateCall::Render, 0, DWORD(state), value);
    s_.renderStates[state] = value;
    return D3D_OK;
}
HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || DWORD(state) >= 256) return D3DERR_INVALIDCALL;
    *value = s_.renderStates[state];
    return D3D_OK;
}
HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (!texture || stage >= 16) return D3DERR_INVALIDCALL;
    *texture = s_.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}
HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    CountCall("SetTexture");
    if (stage >= 16) return D3DERR_INVALIDCALL;
    auto* t = static_cast<TextureImpl*>(texture);
    if (t && (t->pool == D3DPOOL_SYSTEMMEM || t->pool == D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;
    BindTexture(stage, t);
    return D3D_OK;
}
HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= 8 || DWORD(type) >= 33) return D3DERR_INVALIDCALL;
    *value = s_.stageStates[stage][type];
    return D3D_OK;
}
HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    CountCall("SetTextureStageState");
    if (stage >= 8 || DWORD(type) >= 33) return D3DERR_INVALIDCALL;
    if (Recording()) RecordState(d3d9test::StateCall::TextureStage, stage, DWORD(type), value);
    s_.stageStates[stage][type] = value;
    return D3D_OK;
}
HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (!value || sampler >= 16 || DWORD(type) >= 14) return D3DERR_INVALIDCALL;
    *value = s_.samplerStates[sampler][type];
    return D3D_OK;
}
HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    CountCall("SetSamplerState");
    if (sampler >= 16 || DWORD(type) >= 14) return D3DERR_INVALIDCALL;
    if (Recording()) RecordState(d3d9test::StateCall::Sampler, sampler, DWORD(type), value);
    s_.samplerStates[sampler][type] = value;
    return D3D_OK;
}
HRESULT Device::SetScissorRect(const RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    s_.scissor = *rect;
    return D3D_OK;
}
HRESULT Device::GetScissorRect(RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    *rect = s_.scissor;
    return D3D_OK;
}
HRESULT Device::SetSoftwareVertexProcessing(BOOL software) {
    CountCall("SetSoftwareVertexProcessing");
    // Only a mixed-processing device may switch.
    if (!(flags_ & D3DCREATE_MIXED_VERTEXPROCESSING)) {
        BOOL fixed = (flags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
        return (software != FALSE) == (fixed != FALSE) ? D3D_OK : D3DERR_INVALIDCALL;
    }
    s_.softwareVertexProcessing = software ? TRUE : FALSE;
    return D3D_OK;
}
BOOL Device::GetSoftwareVertexProcessing() {
    if (flags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) return TRUE;
    return s_.softwareVertexProcessing;
}

// ---- Vertex input
HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
    CountCall("SetVertexDeclaration");
    auto* d = static_cast<VertexDeclarationImpl*>(decl);
    BindObject(s_.declaration, d);
    if (d) s_.fvf = 0;
    return D3D_OK;
}
HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) {
    if (!decl) return D3DERR_INVALIDCALL;
    *decl = s_.declaration;
    if (*decl) (*decl)->AddRef();
    return D3D_OK;
}
HRESULT Device::SetFVF(DWORD fvf) {
    CountCall("SetFVF");
    VertexLayout layout;
    if (fvf && !LayoutFromFvf(fvf, &layout)) return D3DERR_INVALIDCALL;
    s_.fvf = fvf;
    if (fvf) BindObject(s_.declaration, static_cast<VertexDeclarationImpl*>(nullptr));
    return D3D_OK;
}
HRESULT Device::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = s_.fvf;
    return D3D_OK;
}
HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) {
    CountCall("SetVertexShader");
    if (shader) shader->AddRef();
    if (s_.vertexShader) s_.vertexShader->Release();
    s_.vertexShader = shader;
    return D3D_OK;
}
HRESULT Device::GetVertexShader(IDirect3DVertexShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = s_.vertexShader;
    if (*shader) (*shader)->AddRef();
    return D3D_OK;
}
HRESULT Device::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    if (!data || uint64_t(start) + count > 256) return D3DERR_INVALIDCALL;
    std::memcpy(s_.vsConstants[start], data, size_t(count) * 16);
    return D3D_OK;
}
HRESULT Device::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
    if (!data || uint64_t(start) + count > 256) return D3DERR_INVALIDCALL;
    std::memcpy(data, s_.vsConstants[start], size_t(count) * 16);
    return D3D_OK;
}
HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) {
    CountCall("SetPixelShader");
    if (shader) shader->AddRef();
    if (s_.pixelShader) s_.pixelShader->Release();
    s_.pixelShader = shader;
    return D3D_OK;
}
HRESULT Device::GetPixelShader(IDirect3DPixelShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = s_.pixelShader;
    if (*shader) (*shader)->AddRef();
    return D3D_OK;
}
HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* vb, UINT offset, UINT stride) {
    CountCall("SetStreamSource");
    if (stream != 0) return vb ? D3DERR_INVALIDCALL : D3D_OK;
    auto* v = static_cast<VertexBufferImpl*>(vb);
    if (v && (v->pool == D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;
    BindObject(s_.stream, v);
    s_.streamOffset = offset;
    s_.streamStride = stride;
    return D3D_OK;
}
HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** vb, UINT* offset, UINT* stride) {
    if (!vb || !offset || !stride || stream != 0) return D3DERR_INVALIDCALL;
    *vb = s_.stream;
    if (*vb) (*vb)->AddRef();
    *offset = s_.streamOffset;
    *stride = s_.streamStride;
    return D3D_OK;
}
HRESULT Device::SetIndices(IDirect3DIndexBuffer9* ib) {
    CountCall("SetIndices");
    BindObject(s_.indices, static_cast<IndexBufferImpl*>(ib));
    return D3D_OK;
}
HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ib) {
    if (!ib) return D3DERR_INVALIDCALL;
    *ib = s_.indices;
    if (*ib) (*ib)->AddRef();
    return D3D_OK;
}

// ---- Drawing
HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    return Draw(type, count, false, 0, startVertex, nullptr, 0, nullptr, D3DFMT_UNKNOWN, 0, 0, "DrawPrimitive");
}
HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT count) {
    return Draw(type, count, true, baseVertex, startIndex, nullptr, 0, nullptr, D3DFMT_UNKNOWN, minIndex, numVertices,
                "DrawIndexedPrimitive");
}
HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
    if (!data) return D3DERR_INVALIDCALL;
    return Draw(type, count, false, 0, 0, data, stride, nullptr, D3DFMT_UNKNOWN, 0, 0, "DrawPrimitiveUP");
}
HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                       const void* indices, D3DFORMAT indexFormat, const void* data, UINT stride) {
    if (!data || !indices) return D3DERR_INVALIDCALL;
    return Draw(type, count, true, 0, 0, data, stride, indices, indexFormat, minIndex, numVertices,
                "DrawIndexedPrimitiveUP");
}

HRESULT Device::Draw(D3DPRIMITIVETYPE type, UINT count, bool indexed, INT baseVertex, UINT start,
                     const void* upVertices, UINT upStride, const void* upIndices, D3DFORMAT upIndexFormat,
                     UINT upMinIndex, UINT upNumVertices, const char* method) {
    CountCall(method);
    const bool user = upVertices != nullptr;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDCALL;
    if (!inScene_) return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    if (count > Adapter().caps.MaxPrimitiveCount) return D3DERR_INVALIDCALL;
    VertexLayout layout;
    if (s_.declaration) {
        if (!LayoutFromDeclaration(s_.declaration->elements, &layout)) return D3DERR_INVALIDCALL;
    } else if (!s_.fvf || !LayoutFromFvf(s_.fvf, &layout)) {
        return D3DERR_INVALIDCALL;
    }
    if (!layout.has(kAttrPosition)) return D3DERR_INVALIDCALL;
    const UINT stride = user ? upStride : s_.streamStride;
    if (stride == 0) return D3DERR_INVALIDCALL;
    UINT layoutBytes = 0;
    for (const auto& a : layout.attribs) layoutBytes = std::max<UINT>(layoutBytes, a.offset + DeclTypeSize(a.declType));
    for (const auto& e : layout.elements) layoutBytes = std::max<UINT>(layoutBytes, e.Offset + DeclTypeSize(e.Type));
    if (layoutBytes > stride) return D3DERR_INVALIDCALL;
    const uint64_t elements = VerticesFor(type, count);  // vertices, or indices when indexed

    // Vertex range the draw reads, checked against its source so no read leaves it.
    uint64_t firstVertex = 0, vertexCount = 0;
    bool index32 = false;
    const uint8_t* indexBytes = nullptr;
    if (indexed) {
        uint64_t indexSize;
        uint64_t indexLimit;
        if (user) {
            if (upIndexFormat != D3DFMT_INDEX16 && upIndexFormat != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
            index32 = upIndexFormat == D3DFMT_INDEX32;
            indexSize = index32 ? 4 : 2;
            indexBytes = static_cast<const uint8_t*>(upIndices);
            indexLimit = elements;
        } else {
            if (!s_.indices) return D3DERR_INVALIDCALL;
            index32 = s_.indices->format == D3DFMT_INDEX32;
            indexSize = index32 ? 4 : 2;
            indexLimit = s_.indices->length / indexSize;
            indexBytes = s_.indices->mem.data();
        }
        if (uint64_t(user ? 0 : start) + elements > indexLimit) return D3DERR_INVALIDCALL;
        uint64_t lo = UINT64_MAX, hi = 0;
        const uint8_t* p = indexBytes + (user ? 0 : uint64_t(start) * indexSize);
        for (uint64_t i = 0; i < elements; ++i) {
            uint64_t v = index32 ? uint64_t(p[i * 4] | (p[i * 4 + 1] << 8) | (p[i * 4 + 2] << 16) | (uint32_t(p[i * 4 + 3]) << 24))
                                 : uint64_t(p[i * 2] | (p[i * 2 + 1] << 8));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        int64_t base = user ? 0 : int64_t(baseVertex);
        if (int64_t(lo) + base < 0) return D3DERR_INVALIDCALL;
        firstVertex = uint64_t(int64_t(lo) + base);
        vertexCount = hi - lo + 1;
        (void)upMinIndex;
        (void)upNumVertices;
    } else {
        firstVertex = user ? 0 : start;
        vertexCount = elements;
    }
    size_t sourceBytes;
    size_t streamOffset = user ? 0 : s_.streamOffset;
    if (user) {
        sourceBytes = size_t((firstVertex + vertexCount) * stride);
    } else {
        if (!s_.stream) return D3DERR_INVALIDCALL;
        if (s_.stream->lockCount > 0) return D3DERR_INVALIDCALL;
        sourceBytes = s_.stream->length;
    }
    const uint64_t endByte = streamOffset + (firstVertex + vertexCount - 1) * stride + layoutBytes;
    if (endByte > sourceBytes) return D3DERR_INVALIDCALL;
    if (state_ != d3d9test::DeviceState::Ok) return D3D_OK;

    const uint8_t* vertexBase = user ? static_cast<const uint8_t*>(upVertices) : s_.stream->mem.data();
    const uint8_t* from = vertexBase + streamOffset + firstVertex * stride;
    if (Recording()) {
        d3d9test::DrawCall call{};
        call.type = type;
        call.primitiveCount = count;
        call.startVertex = start;
        call.indexed = indexed;
        call.userPointer = user;
        call.fvf = s_.declaration ? 0 : s_.fvf;
        call.declaration = s_.declaration != nullptr;
        call.stride = stride;
        for (int i = 0; i < 8; ++i) call.textures[i] = s_.textures[i];
        std::memcpy(call.renderStates, s_.renderStates, sizeof call.renderStates);
        std::memcpy(call.stageStates, s_.stageStates, sizeof call.stageStates);
        call.vertices.assign(from, from + size_t(vertexCount * stride) - (stride - layoutBytes));
        RecordDraw(std::move(call));
    }
    DrawParams p{};
    p.state = &s_;
    p.layout = &layout;
    p.stride = stride;
    p.type = type;
    p.vertexCount = UINT(elements);
    p.indexed = indexed;
    p.index32 = index32;
    p.readVertices = from;
    p.readVertexCount = UINT(vertexCount);
    if (user) {
        p.userVertices = static_cast<const uint8_t*>(upVertices);
        p.userVertexBytes = size_t(endByte);
        p.userIndices = upIndices;
    } else {
        p.vertexBuffer = s_.stream;
        p.vertexOffset = s_.streamOffset;
        p.baseVertex = indexed ? baseVertex : 0;
        p.firstVertex = indexed ? 0 : start;
        p.indexBuffer = s_.indices;
        p.startIndex = start;
    }
    backend_->Draw(p);
    return D3D_OK;
}

}  // namespace d3d9impl
