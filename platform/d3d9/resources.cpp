// Surfaces, textures, vertex and index buffers, vertex declarations.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/backend.h"
#include "platform/win32/testing.h"

namespace d3d9impl {

namespace {
// New default-pool contents are poisoned, so "kept its picture" cannot pass by accident.
constexpr uint8_t kPoison = 0xCD;

template <class T>
HRESULT QueryUnknown(T* self, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        self->AddRef();
        *object = static_cast<IUnknown*>(self);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT HandOutDevice(Device* device, IDirect3DDevice9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}
}  // namespace

// ---- Surfaces
SurfaceImpl::SurfaceImpl(Device* device, SurfaceRole role, D3DFORMAT format, D3DPOOL pool, DWORD usage, UINT width,
                         UINT height, TextureImpl* container, UINT level, bool lockable, bool implicitSurface)
    : role(role),
      format(format),
      pool(pool),
      usage(usage),
      width(width),
      height(height),
      container_(container),
      level(level),
      lockable(lockable),
      implicit(implicitSurface || role == SurfaceRole::BackBuffer),
      device_(device) {
    pitch = RowBytes(format, width);
    fill = (pool == D3DPOOL_DEFAULT && !implicit) ? kPoison : 0;
    // Managed levels survive a reset inside GL's own texture, so GL alone holds them.
    heldByGl = container_ && pool == D3DPOOL_MANAGED && device_->backend()->HoldsManagedLevels() && CanConvert(format);
    // What GL draws into is read back only on demand; most targets never are.
    const bool drawnByGl = role == SurfaceRole::RenderTarget || role == SurfaceRole::BackBuffer ||
                           role == SurfaceRole::DepthStencil || (usage & D3DUSAGE_RENDERTARGET);
    blank = heldByGl || drawnByGl;
    if (!blank) mem.assign(Bytes(), fill);
    cpuNewer = !blank;
    appRefs_ = implicit ? 0 : 1;
    if (!container_) {
        if (!implicit) {
            device_->AddRefInternal();
            device_->Register(this, pool, 1);
        }
        device_->backend()->CreateSurfaceObject(this);
    }
}

SurfaceImpl::~SurfaceImpl() {
    if (!container_) {
        device_->backend()->DestroySurfaceObject(this);
        if (!implicit) {
            device_->Unregister(this);
            device_->ReleaseInternal();
        }
    }
}

HRESULT SurfaceImpl::QueryInterface(REFIID riid, void** object) { return QueryUnknown(this, riid, object); }

ULONG SurfaceImpl::AddRef() {
    if (container_) return container_->AddRef();
    if (implicit) device_->AddRefInternal();
    return ++appRefs_;
}

ULONG SurfaceImpl::Release() {
    if (container_) return container_->Release();
    if (appRefs_ == 0) return 0;
    ULONG n = --appRefs_;
    if (implicit) {
        device_->ReleaseInternal();  // may end the device, and this surface with it
    } else if (n == 0 && devRefs_ == 0) {
        delete this;
    }
    return n;
}

void SurfaceImpl::AddRefDevice() {
    if (container_) return container_->AddRefDevice();
    ++devRefs_;
}

void SurfaceImpl::ReleaseDevice() {
    if (container_) return container_->ReleaseDevice();
    if (devRefs_ > 0) --devRefs_;
    if (!implicit && appRefs_ == 0 && devRefs_ == 0) delete this;
}

ULONG SurfaceImpl::appRefs() const { return container_ ? container_->appRefs() : appRefs_; }

HRESULT SurfaceImpl::GetDevice(IDirect3DDevice9** device) { return HandOutDevice(device_, device); }

HRESULT SurfaceImpl::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = width;
    desc->Height = height;
    return D3D_OK;
}

size_t SurfaceImpl::Bytes() const { return size_t(pitch) * RowCount(format, height); }

void SurfaceImpl::SyncToCpu() {
    if (heldByGl) return;  // its locks and Contents read GL themselves
    if (mem.empty()) {
        const bool glHolds = !blank || gpuNewer;
        mem.assign(Bytes(), fill);
        blank = false;
        if (!glHolds) {
            cpuNewer = true;  // GL has not had the new contents either
            return;
        }
        gpuNewer = true;
    }
    if (gpuNewer) device_->backend()->ReadBackSurface(this);
    gpuNewer = false;
}

void SurfaceImpl::SyncToGpu() {
    if (mem.empty()) {
        if (blank && glTexture) FillBlank();
        return;
    }
    if (cpuNewer && (glTexture || glRenderbuffer)) {
        device_->backend()->UploadRect(this, RECT{0, 0, LONG(width), LONG(height)}, mem.data(), pitch);
        cpuNewer = false;
    }
}

void SurfaceImpl::FillBlank() {
    const std::vector<uint8_t> contents(Bytes(), fill);
    device_->backend()->UploadRect(this, RECT{0, 0, LONG(width), LONG(height)}, contents.data(), pitch);
    blank = false;
}

std::vector<uint8_t> SurfaceImpl::Contents() {
    if (!heldByGl) {
        SyncToCpu();
        return mem;
    }
    std::vector<uint8_t> bytes(Bytes(), fill);
    if (!blank) device_->backend()->ReadBackRect(this, RECT{0, 0, LONG(width), LONG(height)}, bytes.data(), pitch);
    return bytes;
}

HRESULT SurfaceImpl::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    CountCall("LockRect");
    if (!out) return D3DERR_INVALIDCALL;
    if (locked) return D3DERR_INVALIDCALL;
    switch (role) {
    case SurfaceRole::TextureLevel:
        // Default-pool textures lock only when dynamic; render-target textures never.
        if (pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
        break;
    case SurfaceRole::RenderTarget:
    case SurfaceRole::BackBuffer:
    case SurfaceRole::DepthStencil:
        if (!lockable) return D3DERR_INVALIDCALL;
        break;
    case SurfaceRole::Plain: break;
    }
    const FormatInfo* info = FindFormat(format);
    RECT r = rect ? *rect : RECT{0, 0, LONG(width), LONG(height)};
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > LONG(width) ||
        r.bottom > LONG(height))
        return D3DERR_INVALIDCALL;
    if (info->compressed && ((r.left | r.top) & 3)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("LockRect")) return D3DERR_INVALIDCALL;
    const UINT bpp = info->bytesPerPixel;
    const size_t x0 = info->compressed ? size_t(r.left / 4) * bpp : size_t(r.left) * bpp;
    const size_t y0 = info->compressed ? size_t(r.top / 4) : size_t(r.top);
    const size_t rowBytes = info->compressed ? size_t((r.right - r.left + 3) / 4) * bpp : size_t(r.right - r.left) * bpp;
    const size_t rows = info->compressed ? size_t((r.bottom - r.top + 3) / 4) : size_t(r.bottom - r.top);
    lockRect_ = r;
    const UINT padding = PitchPadding();
    lockBuffered_ = padding > 0 || heldByGl;
    if (lockBuffered_) {
        lockPitch_ = rowBytes + padding;
        if (!lockBuffer_.Allocate(lockPitch_ * rows)) return D3DERR_INVALIDCALL;
        for (size_t y = 0; y < rows && padding; ++y)
            std::memset(lockBuffer_.data() + y * lockPitch_ + rowBytes, 0xEE, padding);
    }
    if (heldByGl) {
        // Only the locked rectangle leaves GL, and only until the unlock.
        if (!blank) device_->backend()->ReadBackRect(this, r, lockBuffer_.data(), lockPitch_);
    } else {
        if (mem.empty() || !(flags & D3DLOCK_DISCARD)) SyncToCpu();
        gpuNewer = false;
        for (size_t y = 0; y < rows && lockBuffered_; ++y)
            std::memcpy(lockBuffer_.data() + y * lockPitch_, &mem[(y0 + y) * pitch + x0], rowBytes);
    }
    if (lockBuffered_) {
        out->pBits = lockBuffer_.data();
        out->Pitch = INT(lockPitch_);
    } else {
        out->pBits = &mem[y0 * pitch + x0];
        out->Pitch = INT(pitch);
    }
    readOnlyLock_ = (flags & D3DLOCK_READONLY) != 0;
    locked = true;
    return D3D_OK;
}

HRESULT SurfaceImpl::UnlockRect() {
    CountCall("UnlockRect");
    if (!locked) return D3DERR_INVALIDCALL;
    const RECT& r = lockRect_;
    if (heldByGl) {
        if (!readOnlyLock_) {
            const bool whole = r.left == 0 && r.top == 0 && r.right == LONG(width) && r.bottom == LONG(height);
            if (blank && !whole) FillBlank();
            device_->backend()->UploadRect(this, r, lockBuffer_.data(), lockPitch_);
            blank = false;
            device_->NoteLargeFrees();
        }
    } else if (lockBuffered_ && !readOnlyLock_) {
        const FormatInfo* info = FindFormat(format);
        const UINT bpp = info->bytesPerPixel;
        const size_t x0 = info->compressed ? size_t(r.left / 4) * bpp : size_t(r.left) * bpp;
        const size_t y0 = info->compressed ? size_t(r.top / 4) : size_t(r.top);
        const size_t rowBytes =
            info->compressed ? size_t((r.right - r.left + 3) / 4) * bpp : size_t(r.right - r.left) * bpp;
        const size_t rows = info->compressed ? size_t((r.bottom - r.top + 3) / 4) : size_t(r.bottom - r.top);
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(&mem[(y0 + y) * pitch + x0], lockBuffer_.data() + y * lockPitch_, rowBytes);
    }
    if (lockBuffered_) {
        lockBuffer_.Free();
        lockBuffered_ = false;
    }
    if (!readOnlyLock_ && !heldByGl) cpuNewer = true;
    locked = false;
    return D3D_OK;
}

// No GDI drawing onto surfaces: nothing in the program uses it, so it fails honestly.
HRESULT SurfaceImpl::GetDC(HDC* hdc) {
    if (hdc) *hdc = nullptr;
    return D3DERR_INVALIDCALL;
}
HRESULT SurfaceImpl::ReleaseDC(HDC) { return D3DERR_INVALIDCALL; }

// ---- Textures
TextureImpl::TextureImpl(Device* device, UINT width, UINT height, UINT levelCount, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : format(format), pool(pool), usage(usage), width(width), height(height), device_(device) {
    device_->AddRefInternal();
    for (UINT i = 0; i < levelCount; ++i) {
        UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        levels.push_back(std::make_unique<SurfaceImpl>(device, SurfaceRole::TextureLevel, format, pool, usage, w, h,
                                                       this, i, true));
    }
    device_->Register(this, pool, 0);
    if (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) device_->backend()->CreateTextureObject(this);
}

TextureImpl::~TextureImpl() {
    device_->NoteLargeFrees();
    device_->FreeTextureMemory(memoryBytes);
    if (glTexture) device_->backend()->DestroyTextureObject(this);
    levels.clear();
    device_->Unregister(this);
    device_->ReleaseInternal();
}

HRESULT TextureImpl::QueryInterface(REFIID riid, void** object) { return QueryUnknown(this, riid, object); }
ULONG TextureImpl::AddRef() { return ++appRefs_; }
ULONG TextureImpl::Release() {
    if (appRefs_ == 0) return 0;
    ULONG n = --appRefs_;
    if (n == 0 && devRefs_ == 0) delete this;
    return n;
}
void TextureImpl::AddRefDevice() { ++devRefs_; }
void TextureImpl::ReleaseDevice() {
    if (devRefs_ > 0) --devRefs_;
    if (appRefs_ == 0 && devRefs_ == 0) delete this;
}
HRESULT TextureImpl::GetDevice(IDirect3DDevice9** device) { return HandOutDevice(device_, device); }

HRESULT TextureImpl::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->GetDesc(desc);
}

HRESULT TextureImpl::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    CountCall("GetSurfaceLevel");
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("GetSurfaceLevel")) return D3DERR_INVALIDCALL;
    AddRef();
    *surface = levels[level].get();
    return D3D_OK;
}

HRESULT TextureImpl::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->LockRect(locked, rect, flags);
}
HRESULT TextureImpl::UnlockRect(UINT level) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->UnlockRect();
}
HRESULT TextureImpl::AddDirtyRect(const RECT*) { return D3D_OK; }

// ---- Vertex buffers
template <class Interface>
BufferImpl<Interface>::BufferImpl(Device* device, UINT length, DWORD usage, D3DPOOL pool, int kind, const char* name)
    : length(length),
      usage(usage),
      pool(pool),
      device_(device),
      lockName_(std::string(name) + ".Lock"),
      unlockName_(std::string(name) + ".Unlock") {
    mem.assign(length, pool == D3DPOOL_DEFAULT ? kPoison : 0);
    device_->AddRefInternal();
    device_->Register(this, pool, kind);
    if (pool != D3DPOOL_SYSTEMMEM) glBuffer = device_->backend()->CreateBuffer();
}
template <class Interface>
BufferImpl<Interface>::~BufferImpl() {
    if (glBuffer) device_->backend()->DestroyBuffer(glBuffer);
    device_->Unregister(this);
    device_->ReleaseInternal();
}
template <class Interface>
HRESULT BufferImpl<Interface>::QueryInterface(REFIID riid, void** object) {
    return QueryUnknown(this, riid, object);
}
template <class Interface>
ULONG BufferImpl<Interface>::AddRef() {
    return ++appRefs_;
}
template <class Interface>
ULONG BufferImpl<Interface>::Release() {
    if (appRefs_ == 0) return 0;
    ULONG n = --appRefs_;
    if (n == 0 && devRefs_ == 0) delete this;
    return n;
}
template <class Interface>
void BufferImpl<Interface>::AddRefDevice() {
    ++devRefs_;
}
template <class Interface>
void BufferImpl<Interface>::ReleaseDevice() {
    if (devRefs_ > 0) --devRefs_;
    if (appRefs_ == 0 && devRefs_ == 0) delete this;
}
template <class Interface>
HRESULT BufferImpl<Interface>::GetDevice(IDirect3DDevice9** device) {
    return HandOutDevice(device_, device);
}
template <class Interface>
HRESULT BufferImpl<Interface>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    CountCall(lockName_.c_str());
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (size == 0) size = offset < length ? length - offset : 0;
    if (uint64_t(offset) + size > length || (size == 0 && offset != 0)) return D3DERR_INVALIDCALL;
    if (platform::FaultHit(lockName_)) return D3DERR_INVALIDCALL;
    ++lockCount;
    *data = mem.data() + offset;
    return D3D_OK;
}
template <class Interface>
HRESULT BufferImpl<Interface>::Unlock() {
    CountCall(unlockName_.c_str());
    if (lockCount == 0) return D3D_OK;
    --lockCount;
    cpuNewer = true;
    return D3D_OK;
}

template class BufferImpl<IDirect3DVertexBuffer9>;
template class BufferImpl<IDirect3DIndexBuffer9>;

// ---- Vertex buffers
VertexBufferImpl::VertexBufferImpl(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : BufferImpl(device, length, usage, pool, 2, "VertexBuffer"), fvf(fvf) {}
HRESULT VertexBufferImpl::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    return D3D_OK;
}

// ---- Index buffers
IndexBufferImpl::IndexBufferImpl(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BufferImpl(device, length, usage, pool, 3, "IndexBuffer"), format(format) {}
HRESULT IndexBufferImpl::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    return D3D_OK;
}

// ---- Vertex declarations
VertexDeclarationImpl::VertexDeclarationImpl(Device* device, std::vector<D3DVERTEXELEMENT9> list)
    : elements(std::move(list)), device_(device) {
    device_->AddRefInternal();
}
VertexDeclarationImpl::~VertexDeclarationImpl() { device_->ReleaseInternal(); }
HRESULT VertexDeclarationImpl::QueryInterface(REFIID riid, void** object) { return QueryUnknown(this, riid, object); }
ULONG VertexDeclarationImpl::AddRef() { return ++appRefs_; }
ULONG VertexDeclarationImpl::Release() {
    if (appRefs_ == 0) return 0;
    ULONG n = --appRefs_;
    if (n == 0 && devRefs_ == 0) delete this;
    return n;
}
void VertexDeclarationImpl::AddRefDevice() { ++devRefs_; }
void VertexDeclarationImpl::ReleaseDevice() {
    if (devRefs_ > 0) --devRefs_;
    if (appRefs_ == 0 && devRefs_ == 0) delete this;
}
HRESULT VertexDeclarationImpl::GetDevice(IDirect3DDevice9** device) { return HandOutDevice(device_, device); }
HRESULT VertexDeclarationImpl::GetDeclaration(D3DVERTEXELEMENT9* out, UINT* count) {
    if (!count) return D3DERR_INVALIDCALL;
    const UINT n = UINT(elements.size()) + 1;
    if (out) {
        if (*count < n && *count != 0) return D3DERR_INVALIDCALL;
        for (size_t i = 0; i < elements.size(); ++i) out[i] = elements[i];
        out[elements.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    }
    *count = n;
    return D3D_OK;
}

}  // namespace d3d9impl
