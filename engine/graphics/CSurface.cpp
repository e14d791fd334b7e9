#include "engine/graphics/CSurface.h"

#include <cstdio>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

// ---- CSurfaceBase

CSurfaceBase::CSurfaceBase(CDeviceObjectManager* manager) : CDeviceObject(manager) {}

HRESULT CSurfaceBase::LoadSurfaceFromMemory(IDirect3DSurface9* dest, const void* data, uint32_t size,
                                            uint32_t width, uint32_t height, D3DCOLOR colorKey) {
    const RECT destRect{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    const RECT sourceRect{0, 0, static_cast<LONG>(imageInfo_.Width), static_cast<LONG>(imageInfo_.Height)};
    return D3DXLoadSurfaceFromFileInMemory(dest, nullptr, &destRect, data, size, &sourceRect, D3DX_FILTER_TRIANGLE,
                                           colorKey, nullptr);
}

bool CSurfaceBase::GetImageInfo(const void* data, uint32_t size) {
    const HRESULT hr = D3DXGetImageInfoFromFileInMemory(data, size, &imageInfo_);
    if (FAILED(hr)) {
        Kestra::LogRed("ファイルの読み込みに失敗しました [ %s ]", GetErrorText(hr));
        return false;
    }
    return true;
}

// ---- CSurface

namespace {
constexpr HRESULT kNoDevice = D3DERR_INVALIDCALL;
}  // namespace

CSurface::CSurface(CDeviceObjectManager* manager) : CSurfaceBase(manager) {}

CSurface::~CSurface() {
    Kestra::LogRed("CSurface Destruct [%s]", GetName());
    Kestra::LogNewLine();
    ReleaseSurfaces();
}

void CSurface::ReleaseSurfaces() {
    if (systemCopy_) systemCopy_->Release();
    systemCopy_ = nullptr;
    if (surface_) surface_->Release();
    surface_ = nullptr;
}

bool CSurface::Create(uint32_t width, uint32_t height, uint32_t formatKind) {
    ReleaseSurfaces();
    Kestra::LogBlue("CSurface::Create");
    const D3DFORMAT format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    Kestra::LogPrint("[ %u x %u ] : [ %s ] : ", width, height, Kestra3D::GetFormatName(format));
    IDirect3DDevice9* device = GetDevice();
    const HRESULT hr = device ? device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_DEFAULT,
                                                                   &surface_, nullptr)
                              : kNoDevice;
    if (FAILED(hr)) {
        surface_ = nullptr;
        Kestra::LogRed("サーフェイスの生成に失敗 [ %s ]", GetErrorText(hr));
        return false;
    }
    Adopt(formatKind, format, width, height, 0, 0);
    return true;
}

bool CSurface::CreateFromFile(const char* file, uint32_t formatKind) {
    ReleaseSurfaces();
    Kestra::LogBlue("CSurface::CreateFromFile");
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!file || !KestraFile::Load(file, &data, &size)) {
        Kestra::LogRed("ファイルがみつかりません");
        Kestra::LogRed(" : ");
        return false;
    }
    bool ok = false;
    do {
        if (!GetImageInfo(data, size)) break;
        const D3DFORMAT format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
        const uint32_t width = imageInfo_.Width, height = imageInfo_.Height;
        Kestra::LogPrint("[ %u x %u ] : [ %s ] : ", width, height, Kestra3D::GetFormatName(format));
        IDirect3DDevice9* device = GetDevice();
        HRESULT hr = device ? device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM,
                                                                  &systemCopy_, nullptr)
                            : kNoDevice;
        if (SUCCEEDED(hr))
            hr = device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_DEFAULT, &surface_, nullptr);
        if (FAILED(hr)) {
            Kestra::LogRed("サーフェイスの生成に失敗 [ %s ]", GetErrorText(hr));
            break;
        }
        hr = LoadSurfaceFromMemory(systemCopy_, data, size, width, height, 0);
        if (FAILED(hr)) {
            Kestra::LogRed("画像の読み込みに失敗しました [ %s ]", GetErrorText(hr));
            break;
        }
        device->UpdateSurface(systemCopy_, nullptr, surface_, nullptr);
        Adopt(formatKind, format, width, height, 0, 0);
        ok = true;
    } while (false);
    Kestra::MemoryFree(data);
    if (!ok) ReleaseSurfaces();
    return ok;
}

void CSurface::Adopt(uint32_t formatKind, D3DFORMAT format, uint32_t width, uint32_t height, uint8_t renderTarget,
                     uint8_t depthStencil) {
    formatKind_ = formatKind;
    format_ = format;
    width_ = width;
    height_ = height;
    renderTarget_ = renderTarget;
    depthStencil_ = depthStencil;
    Kestra::LogGreen("Success!");
}

bool CSurface::CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind) {
    ReleaseSurfaces();
    Kestra::LogBlue("CSurface::CreateRenderTarget");
    const D3DFORMAT format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    Kestra::LogPrint("[ %u x %u ] : [ %s ] : ", width, height, Kestra3D::GetFormatName(format));
    IDirect3DDevice9* device = GetDevice();
    const HRESULT hr = device ? device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                          &surface_, nullptr)
                              : kNoDevice;
    if (FAILED(hr)) {
        surface_ = nullptr;
        Kestra::LogRed("サーフェイスの生成に失敗 [ %s ]", GetErrorText(hr));
        return false;
    }
    Adopt(formatKind, format, width, height, 1, 0);
    return true;
}

bool CSurface::CreateDepthStencil(uint32_t width, uint32_t height, uint32_t formatKind) {
    ReleaseSurfaces();
    Kestra::LogBlue("CSurface::CreateDepthStencil");
    const D3DFORMAT format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    Kestra::LogPrint(" : SIZE [ %u x %u ] : FORMAT [ %s ] : ", width, height, Kestra3D::GetFormatName(format));
    IDirect3DDevice9* device = GetDevice();
    const HRESULT hr = device ? device->CreateDepthStencilSurface(width, height, format, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                                 &surface_, nullptr)
                              : kNoDevice;
    if (FAILED(hr)) {
        surface_ = nullptr;
        Kestra::LogRed("サーフェイスの生成に失敗 [ %s ]", GetErrorText(hr));
        return false;
    }
    Adopt(formatKind, format, width, height, 0, 1);
    return true;
}

void CSurface::OnLostDevice() {
    if (surface_) surface_->Release();
    surface_ = nullptr;
}

void CSurface::OnResetDevice() {
    if (surface_) return;  // never lost
    IDirect3DDevice9* device = GetDevice();
    HRESULT hr = kNoDevice;
    if (device) {
        if (renderTarget_) {
            format_ = Kestra3D::GetFormat(formatKind_, D3DFMT_UNKNOWN);
            hr = device->CreateRenderTarget(width_, height_, format_, D3DMULTISAMPLE_NONE, 0, TRUE, &surface_, nullptr);
        } else if (depthStencil_) {
            hr = device->CreateDepthStencilSurface(width_, height_, format_, D3DMULTISAMPLE_NONE, 0, TRUE, &surface_,
                                                   nullptr);
        } else {
            format_ = Kestra3D::GetFormat(formatKind_, D3DFMT_UNKNOWN);
            hr = device->CreateOffscreenPlainSurface(width_, height_, format_, D3DPOOL_DEFAULT, &surface_, nullptr);
            if (SUCCEEDED(hr) && systemCopy_) device->UpdateSurface(systemCopy_, nullptr, surface_, nullptr);
        }
    }
    if (FAILED(hr)) {
        surface_ = nullptr;
        Kestra::LogRed("サーフェイスのリストアに失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
    }
}

bool CSurface::SetRenderTarget() {
    IDirect3DDevice9* device = GetDevice();
    if (!device || !surface_) return false;
    return SUCCEEDED(device->SetRenderTarget(0, surface_));
}

bool CSurface::SetDepthStencil() {
    IDirect3DDevice9* device = GetDevice();
    if (device && surface_) device->SetDepthStencilSurface(surface_);
    return true;
}

bool CSurface::StretchCopy(const RECT* destRect, CSurface* source, const RECT* sourceRect) {
    IDirect3DDevice9* device = GetDevice();
    if (!device || !surface_ || !source || !source->surface_) return false;
    RECT dest = destRect ? *destRect : RECT{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    RECT src = sourceRect ? *sourceRect
                          : RECT{0, 0, static_cast<LONG>(source->width_), static_cast<LONG>(source->height_)};
    if (src.left >= src.right || src.top >= src.bottom) return false;
    if (!Kestra3D::ClipRectToViewport(&dest, &src)) return false;
    if (src.left >= src.right || src.top >= src.bottom) return false;
    if (SUCCEEDED(device->StretchRect(source->surface_, &src, surface_, &dest, D3DTEXF_LINEAR))) return true;
    return SUCCEEDED(device->StretchRect(source->surface_, &src, surface_, &dest, D3DTEXF_NONE));
}

HDC CSurface::GetDC() {
    if (!surface_) return nullptr;
    HDC dc = nullptr;
    if (FAILED(surface_->GetDC(&dc))) return nullptr;
    return dc;
}

void CSurface::ReleaseDC(HDC dc) {
    if (!dc || !surface_) return;
    surface_->ReleaseDC(dc);
}

void CSurface::GetSurface(IDirect3DSurface9** out) {
    if (!out) return;
    *out = surface_;
    if (surface_) surface_->AddRef();
}

// ---- CSurfaceManager

namespace {

// "<ROLE> [%dx%d] <format>" for the kind's format.
void RoleName(char (&out)[CBaseObject::kNameSize], const char* role, uint32_t width, uint32_t height,
              uint32_t formatKind) {
    char format[Kestra3D::kFormatNameSize] = {};
    Kestra3D::GetFormatName(Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN), format);
    std::snprintf(out, sizeof(out), "%s [%dx%d] %s", role, static_cast<int>(width), static_cast<int>(height), format);
}

}  // namespace

CSurface* CSurfaceManager::CreateOffscreen(uint32_t width, uint32_t height, uint32_t formatKind) {
    char name[CBaseObject::kNameSize];
    RoleName(name, "OFFSCREEN", width, height, formatKind);
    return FinishCreate(
        new (std::nothrow) CSurface(this), nullptr,
        [&](CSurface* s) { return s->Create(width, height, formatKind); }, name);
}

CSurface* CSurfaceManager::CreateFromFile(const char* file, uint32_t formatKind) {
    char name[CBaseObject::kNameSize] = {};
    if (file) KestraFile::GetFilePath(name, file);
    return FinishCreate(
        new (std::nothrow) CSurface(this), nullptr, [&](CSurface* s) { return s->CreateFromFile(file, formatKind); },
        name);
}

CSurface* CSurfaceManager::CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind) {
    char name[CBaseObject::kNameSize];
    RoleName(name, "RENDER_TARGET", width, height, formatKind);
    return FinishCreate(
        new (std::nothrow) CSurface(this), nullptr,
        [&](CSurface* s) { return s->CreateRenderTarget(width, height, formatKind); }, name);
}

CSurface* CSurfaceManager::CreateDepthStencil(uint32_t width, uint32_t height, uint32_t formatKind) {
    char name[CBaseObject::kNameSize];
    RoleName(name, "DEPTH_STENCIL", width, height, formatKind);
    return FinishCreate(
        new (std::nothrow) CSurface(this), nullptr,
        [&](CSurface* s) { return s->CreateDepthStencil(width, height, formatKind); }, name);
}
