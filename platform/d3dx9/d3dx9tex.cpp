// D3DX image entry points over the Direct3D surfaces: they lock, convert and
// unlock; the file formats and pixel work live in image_*.cpp.
#include "platform/d3dx9/d3dx9tex.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/d3dx9/image_convert.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_encode.h"
#include "platform/win32/kernel.h"

using namespace d3dx9img;

namespace {

HRESULT StatusToResult(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::kOk: return D3D_OK;
        case DecodeStatus::kOutOfMemory: return E_OUTOFMEMORY;
        default: return D3DXERR_INVALIDDATA;
    }
}

void ToD3dxInfo(const ImageInfo& in, D3DXIMAGE_INFO* out) {
    out->Width = in.width;
    out->Height = in.height;
    out->Depth = in.depth;
    out->MipLevels = in.mipLevels;
    out->Format = static_cast<D3DFORMAT>(in.format);
    out->ResourceType = static_cast<D3DRESOURCETYPE>(in.resourceType);
    out->ImageFileFormat = static_cast<D3DXIMAGE_FILEFORMAT>(in.fileFormat);
}

// A rectangle inside a width x height area, not inverted (it may be empty).
bool RectInside(const RECT& r, uint32_t width, uint32_t height) {
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && uint32_t(r.right) <= width &&
           uint32_t(r.bottom) <= height;
}

uint8_t* Row(const D3DLOCKED_RECT& locked, uint32_t y) {
    return static_cast<uint8_t*>(locked.pBits) + ptrdiff_t(locked.Pitch) * y;
}

// Writes width x height ARGB pixels into `rect` of an uncompressed surface.
HRESULT WriteUncompressed(IDirect3DSurface9* surface, uint32_t format, const RECT& rect,
                          const std::vector<uint32_t>& pixels) {
    const uint32_t w = uint32_t(rect.right - rect.left), h = uint32_t(rect.bottom - rect.top);
    D3DLOCKED_RECT locked{};
    const HRESULT hr = surface->LockRect(&locked, &rect, 0);
    if (FAILED(hr)) return hr;
    for (uint32_t y = 0; y < h; ++y) PackRow(pixels.data() + size_t(y) * w, w, format, Row(locked, y));
    surface->UnlockRect();
    return D3D_OK;
}

// Block formats: the blocks under `rect` are decoded, the covered texels
// replaced and the blocks encoded again, so texels outside `rect` survive.
HRESULT WriteBlocks(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc, const RECT& rect,
                    const std::vector<uint32_t>& pixels) {
    const uint32_t format = desc.Format;
    const uint32_t blockBytes = DxtBlockBytes(format);
    const uint32_t w = uint32_t(rect.right - rect.left);
    D3DLOCKED_RECT locked{};
    const HRESULT hr = surface->LockRect(&locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (uint32_t by = uint32_t(rect.top) / 4; by * 4 < uint32_t(rect.bottom); ++by) {
        for (uint32_t bx = uint32_t(rect.left) / 4; bx * 4 < uint32_t(rect.right); ++bx) {
            uint8_t* block = Row(locked, by) + size_t(bx) * blockBytes;
            uint32_t texels[16];
            DecodeDxtBlock(format, block, texels);
            for (uint32_t k = 0; k < 16; ++k) {
                const uint32_t x = bx * 4 + k % 4, y = by * 4 + k / 4;
                if (x >= uint32_t(rect.left) && x < uint32_t(rect.right) && y >= uint32_t(rect.top) &&
                    y < uint32_t(rect.bottom))
                    texels[k] = pixels[size_t(y - rect.top) * w + (x - rect.left)];
            }
            EncodeDxtBlock(format, texels, block);
        }
    }
    surface->UnlockRect();
    return D3D_OK;
}

// Reads `rect` of a surface as ARGB pixels.
HRESULT ReadPixels(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc, const RECT& rect, Image* image) {
    const uint32_t format = desc.Format;
    const uint32_t w = uint32_t(rect.right - rect.left), h = uint32_t(rect.bottom - rect.top);
    if (!detail::AllocatePixels(image, w, h)) return E_OUTOFMEMORY;
    D3DLOCKED_RECT locked{};
    if (const uint32_t blockBytes = DxtBlockBytes(format)) {
        const HRESULT hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        for (uint32_t y = 0; y < h; ++y) {
            const uint32_t sy = uint32_t(rect.top) + y;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t sx = uint32_t(rect.left) + x;
                uint32_t texels[16];
                DecodeDxtBlock(format, Row(locked, sy / 4) + size_t(sx / 4) * blockBytes, texels);
                image->pixels[size_t(y) * w + x] = texels[(sy % 4) * 4 + sx % 4];
            }
        }
    } else {
        if (FormatBytesPerPixel(format) == 0) return D3DERR_INVALIDCALL;
        const HRESULT hr = surface->LockRect(&locked, &rect, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        for (uint32_t y = 0; y < h; ++y) UnpackRow(Row(locked, y), w, format, image->pixels.data() + size_t(y) * w);
    }
    surface->UnlockRect();
    return D3D_OK;
}

// The surface bytes of `rect` for a DDS file, in the surface's format when DDS
// can describe it (block formats whole only), else as A8R8G8B8.
HRESULT ReadRawLevel(IDirect3DSurface9* surface, const RECT* rect, uint32_t* format, RawLevel* level) {
    D3DSURFACE_DESC desc{};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    const RECT whole{0, 0, LONG(desc.Width), LONG(desc.Height)};
    const RECT r = rect != nullptr ? *rect : whole;
    if (!RectInside(r, desc.Width, desc.Height) || r.right == r.left || r.bottom == r.top) return D3DERR_INVALIDCALL;
    const uint32_t w = uint32_t(r.right - r.left), h = uint32_t(r.bottom - r.top);
    level->width = w;
    level->height = h;
    DdsPixelFormat pf;
    const uint32_t blockBytes = DxtBlockBytes(desc.Format);
    const bool raw = DdsPixelFormatOf(desc.Format, &pf) &&
                     (blockBytes == 0 || (r.left == 0 && r.top == 0 && uint32_t(r.right) == desc.Width &&
                                          uint32_t(r.bottom) == desc.Height));
    try {
        if (raw) {
            const size_t rowBytes = blockBytes ? size_t((w + 3) / 4) * blockBytes : size_t(w) * FormatBytesPerPixel(desc.Format);
            const uint32_t rows = blockBytes ? (h + 3) / 4 : h;
            level->bytes.resize(rowBytes * rows);
            D3DLOCKED_RECT locked{};
            hr = surface->LockRect(&locked, blockBytes ? nullptr : &r, D3DLOCK_READONLY);
            if (FAILED(hr)) return hr;
            for (uint32_t y = 0; y < rows; ++y)
                std::copy(Row(locked, y), Row(locked, y) + rowBytes, level->bytes.data() + rowBytes * y);
            surface->UnlockRect();
            *format = desc.Format;
            return D3D_OK;
        }
        Image image;
        hr = ReadPixels(surface, desc, r, &image);
        if (FAILED(hr)) return hr;
        level->bytes.resize(size_t(w) * h * 4);
        PackRow(image.pixels.data(), w * h, kFmtA8R8G8B8, level->bytes.data());
        *format = kFmtA8R8G8B8;
        return D3D_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WriteWholeFile(LPCSTR path, const std::vector<uint8_t>& bytes) {
    if (bytes.size() > 0x7FFFFFFF) return E_OUTOFMEMORY;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return D3DERR_INVALIDCALL;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        // No half-written picture is left behind.
        DeleteFileA(path);
        return E_FAIL;
    }
    return D3D_OK;
}

HRESULT SaveDds(LPCSTR path, uint32_t format, const std::vector<RawLevel>& levels) {
    std::vector<uint8_t> bytes;
    try {
        if (!EncodeDds(format, levels, &bytes)) return D3DERR_INVALIDCALL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return WriteWholeFile(path, bytes);
}

bool SavableFormat(D3DXIMAGE_FILEFORMAT format) {
    return format == D3DXIFF_BMP || format == D3DXIFF_DIB || format == D3DXIFF_JPG || format == D3DXIFF_TGA ||
           format == D3DXIFF_PNG || format == D3DXIFF_DDS;
}

// Saves `rect` (null: all) of one surface in a non-DDS format.
HRESULT SavePicture(LPCSTR path, D3DXIMAGE_FILEFORMAT fileFormat, IDirect3DSurface9* surface, const RECT* rect) {
    D3DSURFACE_DESC desc{};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    const RECT whole{0, 0, LONG(desc.Width), LONG(desc.Height)};
    const RECT r = rect != nullptr ? *rect : whole;
    if (!RectInside(r, desc.Width, desc.Height) || r.right == r.left || r.bottom == r.top) return D3DERR_INVALIDCALL;
    Image image;
    hr = ReadPixels(surface, desc, r, &image);
    if (FAILED(hr)) return hr;
    const bool alpha = FormatHasAlpha(desc.Format);
    std::vector<uint8_t> bytes;
    bool ok = false;
    try {
        switch (fileFormat) {
            case D3DXIFF_BMP:
            case D3DXIFF_DIB: ok = EncodeBmp(image, alpha, &bytes); break;
            case D3DXIFF_PNG: ok = EncodePng(image, alpha, &bytes); break;
            case D3DXIFF_TGA: ok = EncodeTga(image, alpha, &bytes); break;
            case D3DXIFF_JPG: ok = EncodeJpeg(image, &bytes); break;
            default: break;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (!ok) return D3DERR_INVALIDCALL;
    return WriteWholeFile(path, bytes);
}

}  // namespace

HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo) {
    if (pSrcData == nullptr || SrcDataSize == 0 || pSrcInfo == nullptr) return D3DERR_INVALIDCALL;
    ImageInfo info;
    const HRESULT hr = StatusToResult(ReadImageInfo(pSrcData, SrcDataSize, &info));
    if (FAILED(hr)) return hr;
    ToD3dxInfo(info, pSrcInfo);
    return D3D_OK;
}

namespace {

// The destination of a load: its description, the rectangle and the filter,
// checked before any source is read.
struct LoadTarget {
    D3DSURFACE_DESC desc{};
    RECT rect{};
    uint32_t filterKind = 0;
};

HRESULT CheckTarget(IDirect3DSurface9* surface, const RECT* destRect, DWORD filter, LoadTarget* target) {
    HRESULT hr = surface->GetDesc(&target->desc);
    if (FAILED(hr)) return hr;
    const uint32_t format = target->desc.Format;
    if (!IsBlockFormat(format) && FormatBytesPerPixel(format) == 0) return D3DERR_INVALIDCALL;
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    target->filterKind = filter & 0xFF;
    if (target->filterKind < D3DX_FILTER_NONE || target->filterKind > D3DX_FILTER_BOX) return D3DERR_INVALIDCALL;
    target->rect = destRect != nullptr ? *destRect : RECT{0, 0, LONG(target->desc.Width), LONG(target->desc.Height)};
    if (!RectInside(target->rect, target->desc.Width, target->desc.Height)) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

// Keys `srcRect` (null: all) of the picture and resamples it onto the target.
HRESULT WritePicture(IDirect3DSurface9* surface, const LoadTarget& target, Image* image, const RECT* pSrcRect,
                     D3DCOLOR colorKey) {
    const RECT wholeSource{0, 0, LONG(image->width), LONG(image->height)};
    const RECT srcRect = pSrcRect != nullptr ? *pSrcRect : wholeSource;
    if (!RectInside(srcRect, image->width, image->height)) return D3DERR_INVALIDCALL;

    ApplyColorKey(image->pixels, colorKey);
    const RECT& destRect = target.rect;
    const uint32_t w = uint32_t(destRect.right - destRect.left), h = uint32_t(destRect.bottom - destRect.top);
    // A whole picture onto a rectangle of its own size is written as decoded: no
    // second copy of it.
    std::vector<uint32_t> resampled;
    const bool asDecoded = srcRect.left == 0 && srcRect.top == 0 && uint32_t(srcRect.right) == image->width &&
                           uint32_t(srcRect.bottom) == image->height && w == image->width && h == image->height;
    if (!asDecoded) {
        try {
            const PixelRect source{uint32_t(srcRect.left), uint32_t(srcRect.top), uint32_t(srcRect.right),
                                   uint32_t(srcRect.bottom)};
            if (!Resample(image->pixels.data(), image->width, source, w, h, target.filterKind, &resampled))
                return D3DERR_INVALIDCALL;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    const std::vector<uint32_t>& pixels = asDecoded ? image->pixels : resampled;
    if (w == 0 || h == 0) return D3D_OK;
    return IsBlockFormat(target.desc.Format) ? WriteBlocks(surface, target.desc, destRect, pixels)
                                             : WriteUncompressed(surface, target.desc.Format, destRect, pixels);
}

}  // namespace

HRESULT WINAPI D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                               const RECT* pDestRect, LPCVOID pSrcData, UINT SrcDataSize,
                                               const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                               D3DXIMAGE_INFO* pSrcInfo) {
    if (pDestSurface == nullptr || pSrcData == nullptr || SrcDataSize == 0) return D3DERR_INVALIDCALL;
    LoadTarget target;
    HRESULT hr = CheckTarget(pDestSurface, pDestRect, Filter, &target);
    if (FAILED(hr)) return hr;
    Image image;
    hr = StatusToResult(DecodeImage(pSrcData, SrcDataSize, &image));
    if (FAILED(hr)) return hr;
    hr = WritePicture(pDestSurface, target, &image, pSrcRect, ColorKey);
    if (FAILED(hr)) return hr;
    if (pSrcInfo != nullptr) ToD3dxInfo(image.info, pSrcInfo);
    return D3D_OK;
}

HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                          const RECT* pDestRect, LPDIRECT3DSURFACE9 pSrcSurface,
                                          const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey) {
    if (pDestSurface == nullptr || pSrcSurface == nullptr) return D3DERR_INVALIDCALL;
    LoadTarget target;
    HRESULT hr = CheckTarget(pDestSurface, pDestRect, Filter, &target);
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC sourceDesc{};
    hr = pSrcSurface->GetDesc(&sourceDesc);
    if (FAILED(hr)) return hr;
    const RECT wholeSource{0, 0, LONG(sourceDesc.Width), LONG(sourceDesc.Height)};
    const RECT srcRect = pSrcRect != nullptr ? *pSrcRect : wholeSource;
    if (!RectInside(srcRect, sourceDesc.Width, sourceDesc.Height) || srcRect.right == srcRect.left ||
        srcRect.bottom == srcRect.top)
        return D3DERR_INVALIDCALL;
    // Only the rectangle is read: the picture is that part of the source.
    Image image;
    hr = ReadPixels(pSrcSurface, sourceDesc, srcRect, &image);
    if (FAILED(hr)) return hr;
    return WritePicture(pDestSurface, target, &image, nullptr, ColorKey);
}

HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DSURFACE9 pSrcSurface, const PALETTEENTRY* pSrcPalette,
                                      const RECT* pSrcRect) {
    if (pDestFile == nullptr || pSrcSurface == nullptr || !SavableFormat(DestFormat)) return D3DERR_INVALIDCALL;
    if (DestFormat != D3DXIFF_DDS) return SavePicture(pDestFile, DestFormat, pSrcSurface, pSrcRect);
    std::vector<RawLevel> levels(1);
    uint32_t format = 0;
    const HRESULT hr = ReadRawLevel(pSrcSurface, pSrcRect, &format, &levels[0]);
    if (FAILED(hr)) return hr;
    return SaveDds(pDestFile, format, levels);
}

HRESULT WINAPI D3DXSaveTextureToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DBASETEXTURE9 pSrcTexture, const PALETTEENTRY* pSrcPalette) {
    if (pDestFile == nullptr || pSrcTexture == nullptr || !SavableFormat(DestFormat)) return D3DERR_INVALIDCALL;
    // Only 2-D textures are made by this program; cube and volume ones are refused.
    if (pSrcTexture->GetType() != D3DRTYPE_TEXTURE) return D3DERR_INVALIDCALL;
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(pSrcTexture);
    const DWORD levelCount = DestFormat == D3DXIFF_DDS ? texture->GetLevelCount() : 1;
    if (levelCount == 0) return D3DERR_INVALIDCALL;

    std::vector<RawLevel> levels;
    uint32_t format = 0;
    for (DWORD level = 0; level < levelCount; ++level) {
        IDirect3DSurface9* surface = nullptr;
        HRESULT hr = texture->GetSurfaceLevel(level, &surface);
        if (FAILED(hr) || surface == nullptr) return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
        if (DestFormat != D3DXIFF_DDS) {
            hr = SavePicture(pDestFile, DestFormat, surface, nullptr);
            surface->Release();
            return hr;
        }
        RawLevel raw;
        uint32_t levelFormat = 0;
        hr = ReadRawLevel(surface, nullptr, &levelFormat, &raw);
        surface->Release();
        if (FAILED(hr)) return hr;
        if (level > 0 && levelFormat != format) return D3DERR_INVALIDCALL;
        format = levelFormat;
        try {
            levels.push_back(std::move(raw));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    return SaveDds(pDestFile, format, levels);
}
