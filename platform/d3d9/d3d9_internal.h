// Inside the Direct3D stand-in only: formats, resources, the device and the GL backend.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/loaded_memory.h"

namespace d3d9impl {

// Row-vector product a * b of Direct3D matrices.
inline D3DMATRIX MatrixProduct(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[r][k] * b.m[k][c];
            out.m[r][c] = sum;
        }
    return out;
}

// ---- Formats
struct FormatInfo {
    D3DFORMAT format;
    const char* name;
    UINT bytesPerPixel;  // per block for compressed formats
    bool compressed;     // 4x4 blocks
    bool depth;
    bool stencil;
    bool hasAlpha;
};
const FormatInfo* FindFormat(D3DFORMAT format);
// Row pitch and row count (block rows for compressed formats) of one level.
UINT RowBytes(D3DFORMAT format, UINT width);
UINT RowCount(D3DFORMAT format, UINT height);
// Pixel conversion between a format's memory layout and A8R8G8B8 words.
bool CanConvert(D3DFORMAT format);
uint32_t ReadPixel(D3DFORMAT format, const uint8_t* p);
void WritePixel(D3DFORMAT format, uint8_t* p, uint32_t argb);

// ---- Counters and records shared by the device and the test control. The call
// counters run once a test has taken control (d3d9test.h says when); until then a
// device call pays one relaxed load for them, and none for the records.
extern std::atomic<bool> g_countingCalls;
extern std::atomic<bool> g_recording;
void CountCallNow(const char* method);
inline void CountCall(const char* method) {
    if (g_countingCalls.load(std::memory_order_relaxed)) CountCallNow(method);
}
inline bool Recording() { return g_recording.load(std::memory_order_relaxed); }
void RecordState(d3d9test::StateCall::Kind kind, DWORD stage, DWORD type, DWORD value);
void RecordDraw(d3d9test::DrawCall&& call);
void RecordCreateDevice(const d3d9test::CreateDeviceCall& call);
void RecordReset(const d3d9test::ResetCall& call);
UINT PitchPadding();
bool PresentCapture();
void StorePresentedFrame(d3d9test::Image&& image);
extern std::atomic<uint64_t> g_glStateChanges;
// Draws take the shortcuts whose pictures equal the general path's; off only to
// measure the general path.
extern std::atomic<bool> g_exactShortcuts;
// The back buffer drawn straight into the window when it can be, so Present only swaps.
extern std::atomic<bool> g_directPresent;
extern std::atomic<uint64_t> g_glStateFiltered;

const d3d9test::AdapterConfig& Adapter();
d3d9test::Backend SelectedBackend();

class Device;
class Backend;

// ---- Resources. Every resource keeps a CPU copy of its contents, except managed
// texture levels on the GL backend, whose pixels GL alone holds between locks, and
// targets and depth buffers until they are read; the GL backend adds GL objects.
// `appRefs` are the application's references, `devRefs` the device's own
// (bindings); the object is deleted when both reach zero. Each resource holds an
// internal reference on its device, as Direct3D's resources do.
enum class SurfaceRole { Plain, TextureLevel, RenderTarget, DepthStencil, BackBuffer };

class TextureImpl;

// Zero-filled bytes from calloc: large blocks come as fresh pages, already zero,
// without a pass of writes. Empty when the allocation failed.
class ZeroedBytes {
public:
    bool Allocate(size_t size) {
        data_.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
        size_ = data_ ? size : 0;
        return data_ != nullptr;
    }
    void Free() {
        data_.reset();
        size_ = 0;
    }
    uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }

private:
    struct FreeBytes {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, FreeBytes> data_;
    size_t size_ = 0;
};

class SurfaceImpl final : public IDirect3DSurface9 {
public:
    SurfaceImpl(Device* device, SurfaceRole role, D3DFORMAT format, D3DPOOL pool, DWORD usage, UINT width,
                UINT height, TextureImpl* container, UINT level, bool lockable, bool implicitSurface = false);
    ~SurfaceImpl() override;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IDirect3DResource9
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    // IDirect3DSurface9
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;
    HRESULT GetDC(HDC* hdc) override;
    HRESULT ReleaseDC(HDC hdc) override;

    // Reference handling for standalone surfaces (levels forward to the texture).
    void AddRefDevice();
    void ReleaseDevice();
    ULONG appRefs() const;
    bool standalone() const { return container_ == nullptr; }

    SurfaceRole role;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD usage;
    UINT width;
    UINT height;
    TextureImpl* container_;
    UINT level;
    bool lockable;
    bool implicit;  // the device's own back buffer or automatic depth buffer
    bool locked = false;
    // CPU copy: rows of `pitch` bytes (no padding; padding is added to locks only).
    // Always empty for a level held by GL; made at the first read for targets and
    // depth buffers, which GL draws.
    UINT pitch;
    std::vector<uint8_t> mem;
    bool cpuNewer = false;  // mem changed since the GL copy was made
    bool gpuNewer = false;  // GL was drawn to since mem was filled
    // A managed texture level on the GL backend in a format GL can take: a lock
    // copies its rectangle out of GL and the unlock uploads it, so the pixels are
    // held once.
    bool heldByGl = false;
    // While mem is empty: the contents are still all `fill` bytes (new contents),
    // which neither mem nor GL holds yet. Otherwise GL holds them.
    bool blank = false;
    uint8_t fill = 0;
    // GL objects: a texture level (own texture for standalone colour surfaces) or a
    // renderbuffer for depth.
    unsigned glTexture = 0;
    unsigned glRenderbuffer = 0;
    unsigned glInternalFormat = 0;
    bool ownsGlTexture = false;

    // Brings mem up to date with GL (read-back) or GL up to date with mem (upload).
    void SyncToCpu();
    void SyncToGpu();
    // The whole level in the surface's format, rows of `pitch` bytes, wherever it is held.
    std::vector<uint8_t> Contents();
    // Bytes of CPU memory the surface holds for its pixels (the copy and any lock buffer).
    size_t CpuBytes() const { return mem.capacity() + lockBuffer_.size(); }

private:
    size_t Bytes() const;
    // GL's storage gets the blank contents.
    void FillBlank();

    Device* device_;
    // Handed out instead of mem when padding is on, and for every lock of a level
    // held by GL: the locked rectangle alone, rows of lockPitch_ bytes.
    ZeroedBytes lockBuffer_;
    size_t lockPitch_ = 0;
    RECT lockRect_{};
    bool lockBuffered_ = false;
    bool readOnlyLock_ = false;
    ULONG appRefs_ = 1;
    ULONG devRefs_ = 0;
};

class TextureImpl final : public IDirect3DTexture9 {
public:
    TextureImpl(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~TextureImpl() override;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return (DWORD)levels.size(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT* rect) override;

    void AddRefDevice();
    void ReleaseDevice();
    ULONG appRefs() const { return appRefs_; }

    D3DFORMAT format;
    D3DPOOL pool;
    DWORD usage;
    UINT width;
    UINT height;
    std::vector<std::unique_ptr<SurfaceImpl>> levels;
    unsigned glTexture = 0;
    Device* device_;
    uint64_t memoryBytes = 0;  // what the texture counts against the device's budget

private:
    ULONG appRefs_ = 1;
    ULONG devRefs_ = 0;
};

// What vertex and index buffers share: CPU memory mirrored into one GL buffer,
// locks, and two reference counts (the program's, and the device's bindings).
template <class Interface>
class BufferImpl : public Interface {
public:
    // kind: the device's resource registry tag; name: "VertexBuffer" or
    // "IndexBuffer", for call counts and fault names.
    BufferImpl(Device* device, UINT length, DWORD usage, D3DPOOL pool, int kind, const char* name);
    ~BufferImpl() override;
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    void AddRefDevice();
    void ReleaseDevice();
    ULONG appRefs() const { return appRefs_; }

    UINT length;
    DWORD usage;
    D3DPOOL pool;
    std::vector<uint8_t> mem;
    unsigned glBuffer = 0;
    bool cpuNewer = true;
    int lockCount = 0;
    Device* device_;

private:
    std::string lockName_;
    std::string unlockName_;
    ULONG appRefs_ = 1;
    ULONG devRefs_ = 0;
};

class VertexBufferImpl final : public BufferImpl<IDirect3DVertexBuffer9> {
public:
    VertexBufferImpl(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    DWORD fvf;
};

class IndexBufferImpl final : public BufferImpl<IDirect3DIndexBuffer9> {
public:
    IndexBufferImpl(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    D3DFORMAT format;
};

class VertexDeclarationImpl final : public IDirect3DVertexDeclaration9 {
public:
    VertexDeclarationImpl(Device* device, std::vector<D3DVERTEXELEMENT9> elements);
    ~VertexDeclarationImpl() override;
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;
    void AddRefDevice();
    void ReleaseDevice();

    std::vector<D3DVERTEXELEMENT9> elements;  // without the end marker
    Device* device_;

private:
    ULONG appRefs_ = 1;
    ULONG devRefs_ = 0;
};

// ---- Vertex layout resolved from an FVF code or a declaration.
enum AttribSlot {
    kAttrPosition = 0,
    kAttrBlendWeight = 1,
    kAttrBlendIndices = 2,
    kAttrNormal = 3,
    kAttrDiffuse = 4,
    kAttrSpecular = 5,
    kAttrPointSize = 6,
    kAttrTexCoord0 = 7,  // .. 14
    kAttrCount = 15
};
struct VertexAttrib {
    int slot;
    BYTE declType;  // D3DDECLTYPE
    WORD offset;
};
struct VertexLayout {
    std::vector<VertexAttrib> attribs;
    bool pretransformed = false;  // XYZRHW / POSITIONT
    UINT fvfStride = 0;           // the stride an FVF implies (0 for declarations)
    // The declaration's stream-0 elements (empty for an FVF), for vertex shaders, which
    // also read elements the fixed-function slots have no place for (POSITION1, NORMAL1).
    std::vector<D3DVERTEXELEMENT9> elements;
    bool has(int slot) const {
        for (auto& a : attribs)
            if (a.slot == slot) return true;
        return false;
    }
};
bool LayoutFromFvf(DWORD fvf, VertexLayout* layout);
bool LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements, VertexLayout* layout);
UINT DeclTypeSize(BYTE type);

// ---- Device state that draws read.
struct DeviceState {
    DWORD renderStates[256];
    DWORD stageStates[8][33];
    DWORD samplerStates[16][14];
    IDirect3DBaseTexture9* textures[16];
    D3DMATRIX world, view, projection;
    D3DMATRIX textureMatrices[8];
    D3DVIEWPORT9 viewport;
    RECT scissor;
    D3DMATERIAL9 material;
    std::map<DWORD, D3DLIGHT9> lights;
    std::map<DWORD, bool> lightEnabled;
    DWORD fvf;
    VertexDeclarationImpl* declaration;
    VertexBufferImpl* stream;
    UINT streamOffset;
    UINT streamStride;
    IndexBufferImpl* indices;
    SurfaceImpl* renderTarget;
    SurfaceImpl* depthStencil;
    IDirect3DVertexShader9* vertexShader;
    IDirect3DPixelShader9* pixelShader;
    BOOL softwareVertexProcessing;
    float vsConstants[256][4];
};
void FillDefaultStates(DeviceState& s, bool autoDepth);

// ---- The device.
class Direct3D9Impl;

class Device final : public IDirect3DDevice9 {
public:
    Device(Direct3D9Impl* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags);
    ~Device() override;
    HRESULT Initialize(D3DPRESENT_PARAMETERS* params);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT EvictManagedResources() override;
    HRESULT GetDirect3D(IDirect3D9** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) override;
    HRESULT SetDialogBoxMode(BOOL enable) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present(const RECT* src, const RECT* dst, HWND window, const RGNDATA* dirty) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;
    HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** vb,
                               HANDLE* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** ib,
                              HANDLE* shared) override;
    HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, DWORD quality,
                               BOOL lockable, IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                      DWORD quality, BOOL discard, IDirect3DSurface9** surface,
                                      HANDLE* shared) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT UpdateSurface(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst,
                          const POINT* dstPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* src, IDirect3DBaseTexture9* dst) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* rt, IDirect3DSurface9* dst) override;
    HRESULT StretchRect(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst, const RECT* dstRect,
                        D3DTEXTUREFILTERTYPE filter) override;
    HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;

    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetScissorRect(const RECT* rect) override;
    HRESULT GetScissorRect(RECT* rect) override;
    HRESULT SetSoftwareVertexProcessing(BOOL software) override;
    BOOL GetSoftwareVertexProcessing() override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT count) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                   const void* indices, D3DFORMAT indexFormat, const void* data,
                                   UINT stride) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** decl) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT GetVertexShaderConstantF(UINT start, float* data, UINT count) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* vb, UINT offset, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** vb, UINT* offset, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* ib) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ib) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;

    // Internal
    void AddRefInternal();
    void ReleaseInternal();
    Backend* backend() const { return backend_.get(); }
    bool lostOrNotReset() const { return state_ != d3d9test::DeviceState::Ok; }
    void LoseDevice(int polls);
    void OnFocusChange(bool gained);
    d3d9test::DeviceState state() const { return state_; }
    bool fullscreen() const { return !params_.Windowed; }
    int LiveDefaultPool() const;
    void Register(void* resource, D3DPOOL pool, int kind);
    void Unregister(void* resource);
    SurfaceImpl* backBuffer() const { return backBuffer_.get(); }
    const DeviceState& state_values() const { return s_; }
    HWND window() const { return params_.hDeviceWindow ? params_.hDeviceWindow : focus_; }
    // Large pixel blocks were freed: the next Present returns free heap pages.
    void NoteLargeFrees() { trimDue_ = true; }
    // Texture memory, as a card has video memory: every texture's bytes count
    // while it lives, against the adapter's availableTextureMem and the
    // process's budget for loaded data. Reserve answers false, counting
    // nothing, when the bytes would pass either.
    bool ReserveTextureMemory(uint64_t bytes);
    void FreeTextureMemory(uint64_t bytes);
    // The most one texture may take: a 4096 x 2048 picture at four bytes a texel.
    static constexpr uint64_t kMostOneTexture = uint64_t{32} << 20;

private:
    HRESULT ValidatePresentParameters(D3DPRESENT_PARAMETERS* params, bool forReset);
    HRESULT CreateSwapChain();
    void ResetStateToDefaults();
    void UnbindAll();
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT count, bool indexed, INT baseVertex, UINT start,
                 const void* upVertices, UINT upStride, const void* upIndices, D3DFORMAT upIndexFormat,
                 UINT upMinIndex, UINT upNumVertices, const char* method);
    void BindSurface(SurfaceImpl*& slot, SurfaceImpl* surface);
    template <class T>
    void BindObject(T*& slot, T* object);
    void BindTexture(DWORD stage, IDirect3DBaseTexture9* texture);

    Direct3D9Impl* d3d_;
    UINT adapter_;
    D3DDEVTYPE type_;
    HWND focus_;
    DWORD flags_;
    D3DPRESENT_PARAMETERS params_{};
    std::unique_ptr<Backend> backend_;
    std::unique_ptr<SurfaceImpl> backBuffer_;
    std::unique_ptr<SurfaceImpl> autoDepth_;
    DeviceState s_{};
    ULONG appRefs_ = 1;
    ULONG internalRefs_ = 0;
    d3d9test::DeviceState state_ = d3d9test::DeviceState::Ok;
    int pollsWhileLost_ = 0;
    bool lostUntilFocus_ = false;
    bool inScene_ = false;
    bool retainedWindow_ = false;
    bool trimDue_ = false;
    platform::LoadedMemory textures_;
    struct Registered {
        D3DPOOL pool;
        int kind;  // 0 texture, 1 surface, 2 vertex buffer, 3 index buffer
    };
    std::map<void*, Registered> registry_;
};

// ---- The Direct3D object.
class Direct3D9Impl final : public IDirect3D9 {
public:
    Direct3D9Impl();
    ~Direct3D9Impl() override;
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE rtype, D3DFORMAT format) override;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT rtFormat,
                                   D3DFORMAT dsFormat) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                         IDirect3DDevice9** device) override;

private:
    std::atomic<ULONG> refs_{1};
};

bool IsSupported(const std::vector<D3DFORMAT>& list, D3DFORMAT format);

// Where a full-screen back buffer lands on the screen: the largest centred rectangle
// of the back buffer's aspect ({left, top, right, bottom}, top-down).
RECT LetterboxRect(UINT backWidth, UINT backHeight, UINT screenWidth, UINT screenHeight);

}  // namespace d3d9impl
