#include "engine/graphics/CTexture.h"

#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CLagFile.h"
#include "engine/graphics/Kestra3D.h"

namespace {

bool IsBlockCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

// The fill word of ColorFill for the created format (two texels in one word for
// the 16-bit formats).
uint32_t FillWord(D3DFORMAT format, D3DCOLOR color) {
    const uint32_t a = (color >> 24) & 0xFF, r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    uint32_t half = 0;
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return color;
        case D3DFMT_R5G6B5:
            half = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            half = ((a > 127 ? 1u : 0u) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
            break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            half = ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
            break;
        default:
            return 0;
    }
    return half | (half << 16);
}

// The end of a create's log line: its outcome, then the line break.
bool LogOutcome(bool ok) {
    if (ok)
        Kestra::LogGreen("Success!");
    else
        Kestra::LogRed("Failed!");
    Kestra::LogNewLine();
    return ok;
}

}  // namespace

CTexture::CTexture(CDeviceObjectManager* manager) : CSurfaceBase(manager) {}

CTexture::~CTexture() { ReleaseTextures(); }

void CTexture::ReleaseTextures() {
    Unlock();
    Kestra::SafeRelease(baseTexture_);
    Kestra::SafeRelease(texture_);
}

void CTexture::SizeToPowerOfTwo(uint32_t wantedWidth, uint32_t wantedHeight) {
    // Doubling stops at 2^31 so that no wanted size can make it wrap to 0.
    uint32_t w = 1, h = 1;
    while (w < wantedWidth && w < 0x80000000u) w <<= 1;
    while (h < wantedHeight && h < 0x80000000u) h <<= 1;
    Kestra3D::DeviceCaps caps{};
    Kestra3D::GetDeviceCaps(&caps);
    while (caps.maxTextureWidth && w > caps.maxTextureWidth && w > 1) w >>= 1;
    while (caps.maxTextureHeight && h > caps.maxTextureHeight && h > 1) h >>= 1;
    width_ = w;
    height_ = h;
}

// ---- Creation

bool CTexture::Create(uint32_t width, uint32_t height, uint32_t formatKind) {
    Kestra::LogBlue("CTexture::Create");
    ReleaseTextures();
    imageInfo_.Format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    imageInfo_.Width = width;
    imageInfo_.Height = height;
    restoreKind_ = kRestorePlain;
    format_ = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    pool_ = D3DPOOL_MANAGED;
    SizeToPowerOfTwo(width, height);
    IDirect3DDevice9* device = GetDevice();
    const HRESULT hr = device ? device->CreateTexture(width_, height_, 1, 0, format_, D3DPOOL_MANAGED, &texture_, nullptr)
                              : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        texture_ = nullptr;
        Kestra::LogRed(" テクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width_, height_, GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint(" : SIZE [ %u x %u ] FORMAT [ %s ] : ", width_, height_, Kestra3D::GetFormatName(format_));
    return true;
}

bool CTexture::CreateEx(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                        D3DPOOL pool) {
    Kestra::LogBlue("CTexture::CreateEx");
    ReleaseTextures();
    imageInfo_.Format = format;
    format_ = format;
    pool_ = pool;
    imageInfo_.Width = width_ = width;
    imageInfo_.Height = height_ = height;
    restoreKind_ = (usage & D3DUSAGE_RENDERTARGET) ? kRestoreRenderTarget : kRestorePlain;
    IDirect3DDevice9* device = GetDevice();
    const HRESULT hr =
        device ? device->CreateTexture(width, height, levels, usage, format, pool, &texture_, nullptr) : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        texture_ = nullptr;
        Kestra::LogRed("テクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width, height, GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint(" : SIZE [ %u x %u ] FORMAT [ %s ] : ", width_, height_, Kestra3D::GetFormatName(format_));
    return true;
}

bool CTexture::CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind) {
    Kestra::LogBlue("CTexture::CreateRenderTarget");
    ReleaseTextures();
    imageInfo_.Format = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    imageInfo_.Width = width;
    imageInfo_.Height = height;
    format_ = Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN);
    restoreKind_ = kRestoreRenderTarget;
    pool_ = D3DPOOL_DEFAULT;
    SizeToPowerOfTwo(width, height);
    IDirect3DDevice9* device = GetDevice();
    HRESULT hr = device ? device->CreateTexture(width_, height_, 1, 0, format_, D3DPOOL_SYSTEMMEM, &baseTexture_, nullptr)
                        : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        baseTexture_ = nullptr;
        Kestra::LogRed("ベーステクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width_, height_, GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    hr = device->CreateTexture(width_, height_, 1, D3DUSAGE_RENDERTARGET, format_, D3DPOOL_DEFAULT, &texture_, nullptr);
    if (FAILED(hr)) {
        texture_ = nullptr;
        Kestra::LogRed("テクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width_, height_, GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint(" : SIZE [ %u x %u ] FORMAT [ %s ] : ", width_, height_, Kestra3D::GetFormatName(format_));
    return LogOutcome(true);
}

bool CTexture::CreateFromTexture(CTexture* source) {
    ReleaseTextures();
    if (!source || source == this) return false;
    imageInfo_ = source->imageInfo_;
    width_ = source->width_;
    height_ = source->height_;
    format_ = source->format_;
    restoreKind_ = kRestoreRenderTarget;
    pool_ = D3DPOOL_DEFAULT;
    IDirect3DDevice9* device = GetDevice();
    HRESULT hr = device ? device->CreateTexture(width_, height_, 1, 0, format_, D3DPOOL_SYSTEMMEM, &baseTexture_, nullptr)
                        : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        hr = device->CreateTexture(width_, height_, 1, 0, format_, D3DPOOL_DEFAULT, &texture_, nullptr);
    if (FAILED(hr)) {
        Kestra::LogRed("テクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width_, height_, GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    IDirect3DSurface9* from = nullptr;
    IDirect3DSurface9* to = nullptr;
    hr = source->texture_ ? source->texture_->GetSurfaceLevel(0, &from) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr)) hr = baseTexture_->GetSurfaceLevel(0, &to);
    if (SUCCEEDED(hr)) hr = device->GetRenderTargetData(from, to);
    if (from) from->Release();
    if (to) to->Release();
    if (FAILED(hr)) {
        Kestra::LogRed("テクスチャのコピーに失敗しました [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    UpdateTexture();
    Kestra::LogPrint(" : SIZE [ %u x %u ] FORMAT [ %s ] : ", width_, height_, Kestra3D::GetFormatName(format_));
    return true;
}

bool CTexture::CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    Kestra::LogBlue("CTexture::CreateFromLAG");
    Kestra::LogPrint(": [ %s / %s ] : ", archive ? archive : "", entry ? entry : "");
    CLagFile lag;
    const char* error = (archive && entry) ? lag.LoadImage(archive, entry) : "";
    if (error) {
        Kestra::LogRed("ファイルの読み込みに失敗しました [ %s ]", error);
        return LogOutcome(false);
    }
    const bool ok = LoadFileInMemory(lag.GetImage(), lag.GetImageSize(), formatKind, 0);
    lag.FreeImage();
    return LogOutcome(ok);
}

bool CTexture::CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    Kestra::LogBlue("CTexture::CreateFromFile");
    Kestra::LogPrint(" : [ %s ] : ", file ? file : "");
    return LogOutcome(LoadFile(file, formatKind, colorKey));
}

bool CTexture::CreateFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    Kestra::LogBlue("CTexture::CreateFromMemory");
    return LogOutcome(LoadFileInMemory(data, size, formatKind, colorKey));
}

// ---- Loading

bool CTexture::LoadFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    ReleaseTextures();
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!file || !KestraFile::Load(file, &data, &size)) {
        Kestra::LogRed("ファイルがみつかりません");
        Kestra::LogPrint(" : ");
        return false;
    }
    const bool ok = LoadFileInMemory(data, size, formatKind, colorKey);
    Kestra::MemoryFree(data);
    return ok;
}

bool CTexture::LoadFileInMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    ReleaseTextures();
    // A header claiming an enormous picture is refused before anything is sized or
    // decoded: such a file is damaged or forged, never one of ours.
    if (!data || size == 0 || !GetImageInfo(data, size) || imageInfo_.Width == 0 || imageInfo_.Height == 0 ||
        imageInfo_.Width > kMaxImageSide || imageInfo_.Height > kMaxImageSide ||
        uint64_t(imageInfo_.Width) * imageInfo_.Height > kMaxImagePixels) {
        Kestra::LogRed("画像データの展開に失敗");
        Kestra::LogPrint(" : ");
        return false;
    }
    if (!LoadFromMemory(data, size, formatKind, colorKey)) {
        Kestra::LogRed("テクスチャの生成に失敗");
        Kestra::LogPrint(" : ");
        return false;
    }
    return true;
}

bool CTexture::LoadFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    ReleaseTextures();
    SizeToPowerOfTwo(imageInfo_.Width, imageInfo_.Height);
    restoreKind_ = kRestorePlain;
    format_ = Kestra3D::GetFormat(formatKind, imageInfo_.Format);
    pool_ = D3DPOOL_MANAGED;
    IDirect3DDevice9* device = GetDevice();
    HRESULT hr = device ? device->CreateTexture(width_, height_, 1, 0, format_, D3DPOOL_MANAGED, &texture_, nullptr)
                        : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        texture_ = nullptr;
        Kestra::LogRed("テクスチャの生成に失敗しました [ %u x %u ] [ %s ]", width_, height_, Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    const DWORD levels = texture_->GetLevelCount();
    for (DWORD level = 0; level < levels; ++level) {
        IDirect3DSurface9* surface = nullptr;
        hr = texture_->GetSurfaceLevel(level, &surface);
        if (FAILED(hr)) {
            Kestra::LogRed("サーフェイスの取得に失敗しました [ %s ]", GetErrorText(hr));
            Kestra::LogNewLine();
            Kestra::SafeRelease(texture_);
            return false;
        }
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        hr = LoadSurfaceFromMemory(surface, data, size, desc.Width, desc.Height, colorKey);
        surface->Release();
        if (FAILED(hr)) {
            Kestra::LogRed("画像の読み込みに失敗しました [ %s ]", GetErrorText(hr));
            Kestra::LogNewLine();
            Kestra::SafeRelease(texture_);
            return false;
        }
    }
    Kestra::LogPrint("SIZE [ %u x %u ] FORMAT [ %s ] MIPMAP [ %u ] : ", width_, height_,
                     Kestra3D::GetFormatName(format_), unsigned(levels));
    UpdateTexture();
    return true;
}

// ---- Device loss

void CTexture::OnLostDevice() {
    if (pool_ != D3DPOOL_DEFAULT) return;
    Unlock();
    Kestra::SafeRelease(texture_);
}

void CTexture::OnResetDevice() {
    if (pool_ != D3DPOOL_DEFAULT || texture_) return;
    IDirect3DDevice9* device = GetDevice();
    const DWORD usage = restoreKind_ == kRestoreRenderTarget ? D3DUSAGE_RENDERTARGET : 0;
    const HRESULT hr = device ? device->CreateTexture(width_, height_, 1, usage, format_, D3DPOOL_DEFAULT, &texture_, nullptr)
                              : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        texture_ = nullptr;
        Kestra::LogRed("テクスチャの生成に失敗しました [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return;
    }
    if (restoreKind_ == kRestorePlain) UpdateTexture();
}

// ---- Render target

bool CTexture::SetRenderTarget() {
    IDirect3DDevice9* device = GetDevice();
    if (!device || !texture_) return false;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(texture_->GetSurfaceLevel(0, &surface))) return false;
    const HRESULT hr = device->SetRenderTarget(0, surface);
    surface->Release();
    return SUCCEEDED(hr);
}

bool CTexture::SetDepthStencil() { return false; }

// ---- Pixels

IDirect3DTexture9* CTexture::LockTarget() const { return pool_ == D3DPOOL_DEFAULT ? baseTexture_ : texture_; }

bool CTexture::Lock(const RECT* rect, void** bits, int32_t* pitch, uint32_t* width, uint32_t* height,
                    D3DFORMAT* format) {
    if (!texture_) return locked_ != 0;
    if (locked_) {
        // A second lock would hand out nothing usable; callers that write through
        // the answer must see a refusal.
        Kestra::LogRed("テクスチャは既にロックされています");
        Kestra::LogNewLine();
        return false;
    }
    CopyToBase();
    IDirect3DTexture9* target = LockTarget();
    D3DLOCKED_RECT locked{};
    const HRESULT hr = target ? target->LockRect(0, &locked, rect, 0) : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        Kestra::LogRed("テクスチャのロックに失敗しました [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    locked_ = 1;
    if (format) *format = format_;
    if (width) *width = rect ? uint32_t(rect->right - rect->left) : width_;
    if (height) *height = rect ? uint32_t(rect->bottom - rect->top) : height_;
    if (bits) *bits = locked.pBits;
    if (pitch) *pitch = locked.Pitch;
    return true;
}

void CTexture::Unlock() {
    if (!locked_) return;
    if (IDirect3DTexture9* target = LockTarget()) target->UnlockRect(0);
    locked_ = 0;
}

void CTexture::ColorFill(D3DCOLOR color) {
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t width = 0, height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (!Lock(nullptr, &bits, &pitch, &width, &height, &format)) return;
    if (bits && pitch > 0) {
        // Compressed formats lock rows of 4x4 blocks: the pitch covers a block row.
        const uint32_t rows = IsBlockCompressed(format) ? (height + 3) / 4 : height;
        const uint32_t word = FillWord(format, color);
        const size_t words = size_t(pitch / 4) * rows;
        uint32_t* out = static_cast<uint32_t*>(bits);
        for (size_t i = 0; i < words; ++i) std::memcpy(out + i, &word, 4);
    }
    Unlock();
    UpdateTexture();
}

bool CTexture::StretchCopy(const RECT* destRect, CTexture* source, const RECT* sourceRect, bool imagePixels) {
    IDirect3DDevice9* device = GetDevice();
    if (!device || !source || !texture_ || !source->texture_) return false;
    RECT dst = destRect ? *destRect : RECT{0, 0, LONG(width_), LONG(height_)};
    RECT src = sourceRect ? *sourceRect : RECT{0, 0, LONG(source->width_), LONG(source->height_)};
    if (imagePixels) {
        const uint64_t dw = imageInfo_.Width, dh = imageInfo_.Height;
        const uint64_t sw = source->imageInfo_.Width, sh = source->imageInfo_.Height;
        if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return false;
        auto scale = [](LONG v, uint64_t created, uint64_t image) {
            return LONG(uint64_t(uint32_t(v)) * created / image);
        };
        if (destRect) {
            dst.left = scale(dst.left, width_, dw);
            dst.top = scale(dst.top, height_, dh);
            dst.right = scale(dst.right, width_, dw);
            dst.bottom = scale(dst.bottom, height_, dh);
        }
        if (sourceRect) {
            src.left = scale(src.left, source->width_, sw);
            src.top = scale(src.top, source->height_, sh);
            src.right = scale(src.right, source->width_, sw);
            src.bottom = scale(src.bottom, source->height_, sh);
        }
    }
    IDirect3DSurface9* to = nullptr;
    IDirect3DSurface9* from = nullptr;
    HRESULT hr = texture_->GetSurfaceLevel(0, &to);
    if (SUCCEEDED(hr)) hr = source->texture_->GetSurfaceLevel(0, &from);
    if (SUCCEEDED(hr)) {
        hr = device->StretchRect(from, &src, to, &dst, D3DTEXF_LINEAR);
        if (FAILED(hr)) hr = device->StretchRect(from, &src, to, &dst, D3DTEXF_POINT);
        if (FAILED(hr)) hr = device->StretchRect(from, &src, to, &dst, D3DTEXF_NONE);
    }
    if (from) from->Release();
    if (to) to->Release();
    return SUCCEEDED(hr);
}

bool CTexture::CopyToBase() {
    IDirect3DDevice9* device = GetDevice();
    if (!device || !texture_ || !baseTexture_ || restoreKind_ != kRestoreRenderTarget) return false;
    IDirect3DSurface9* from = nullptr;
    IDirect3DSurface9* to = nullptr;
    HRESULT hr = texture_->GetSurfaceLevel(0, &from);
    if (SUCCEEDED(hr)) hr = baseTexture_->GetSurfaceLevel(0, &to);
    if (FAILED(hr)) {
        Kestra::SafeRelease(from);
        Kestra::LogRed("サーフェイスの取得に失敗 [%s]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    hr = device->GetRenderTargetData(from, to);
    from->Release();
    to->Release();
    if (FAILED(hr)) {
        Kestra::LogRed("テクスチャのコピー処理に失敗 [%s]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    return true;
}

void CTexture::UpdateTexture() {
    if (!texture_ || !baseTexture_) return;
    IDirect3DDevice9* device = GetDevice();
    baseTexture_->AddDirtyRect(nullptr);
    texture_->AddDirtyRect(nullptr);
    const HRESULT hr = device ? device->UpdateTexture(baseTexture_, texture_) : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        Kestra::LogRed("UpdateTexture() に失敗しました [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
    }
}

bool CTexture::GetDC(HDC* out) {
    if (!out) return false;
    *out = nullptr;
    IDirect3DSurface9* surface = nullptr;
    GetBaseSurface(&surface);
    if (!surface) return false;
    const HRESULT hr = surface->GetDC(out);
    surface->Release();
    return SUCCEEDED(hr);
}

void CTexture::ReleaseDC(HDC dc) {
    IDirect3DSurface9* surface = nullptr;
    GetBaseSurface(&surface);
    if (!surface) return;
    surface->ReleaseDC(dc);
    surface->Release();
}

// ---- Getters

void CTexture::GetSurface(IDirect3DSurface9** out) {
    if (!out) return;
    *out = nullptr;
    if (texture_ && FAILED(texture_->GetSurfaceLevel(0, out))) *out = nullptr;
}

void CTexture::GetBaseSurface(IDirect3DSurface9** out) {
    if (!out) return;
    *out = nullptr;
    if (baseTexture_) {
        if (FAILED(baseTexture_->GetSurfaceLevel(0, out))) *out = nullptr;
    } else if (pool_ == D3DPOOL_MANAGED) {
        GetSurface(out);
    }
}

void CTexture::GetTexture(IDirect3DTexture9** out) {
    if (!out) return;
    *out = texture_;
    if (texture_) texture_->AddRef();
}

void CTexture::GetBaseTexture(IDirect3DTexture9** out) {
    if (!out) return;
    *out = nullptr;
    if (baseTexture_) {
        *out = baseTexture_;
        baseTexture_->AddRef();
    } else if (pool_ == D3DPOOL_MANAGED) {
        GetTexture(out);
    }
}

float CTexture::PixelToU(float x) {
    return imageInfo_.Width ? x / static_cast<float>(imageInfo_.Width) : 0.0f;
}

float CTexture::PixelToV(float y) {
    return imageInfo_.Height ? y / static_cast<float>(imageInfo_.Height) : 0.0f;
}

bool CTexture::SaveToFile(const char* file, D3DXIMAGE_FILEFORMAT format) {
    if (!texture_ || !file) return false;
    CopyToBase();
    IDirect3DTexture9* base = nullptr;
    GetBaseTexture(&base);
    if (!base) return false;
    const HRESULT hr = D3DXSaveTextureToFileA(file, format, base, nullptr);
    base->Release();
    return SUCCEEDED(hr);
}
