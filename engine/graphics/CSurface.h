// Image resources on the device: the base shared with textures (image files read
// through D3DX, created size and format) and the surface in its four roles
// (off-screen plain, loaded from a file, render target, depth-stencil).
#pragma once

#include <cstdint>

#include "engine/graphics/CDeviceObject.h"
#include "platform/d3dx9/d3dx9tex.h"

class CSurfaceBase : public CDeviceObject {
public:
    explicit CSurfaceBase(CDeviceObjectManager* manager);

    // Loads an image file held in memory into dest, stretched over width x height,
    // from the whole image of the last GetImageInfo.
    virtual HRESULT LoadSurfaceFromMemory(IDirect3DSurface9* dest, const void* data, uint32_t size, uint32_t width,
                                          uint32_t height, D3DCOLOR colorKey);
    // Reads the image information of a file in memory; logs and answers false
    // when the data is no image.
    virtual bool GetImageInfo(const void* data, uint32_t size);
    virtual uint32_t GetImageWidth() { return imageInfo_.Width; }
    virtual uint32_t GetImageHeight() { return imageInfo_.Height; }
    virtual uint32_t GetWidth() { return width_; }
    virtual uint32_t GetHeight() { return height_; }
    virtual D3DFORMAT GetFormat() { return format_; }
    virtual bool SetRenderTarget() = 0;
    virtual bool SetDepthStencil() = 0;
    // The Direct3D texture behind the object with a reference added, or null;
    // what CDeviceObject::SetTexture binds. Surfaces have none.
    virtual void GetTexture(IDirect3DTexture9** out) {
        if (out) *out = nullptr;
    }

protected:
    D3DXIMAGE_INFO imageInfo_{};
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
};

class CSurface : public CSurfaceBase {
public:
    explicit CSurface(CDeviceObjectManager* manager);
    ~CSurface() override;

    void OnLostDevice() override;
    void OnResetDevice() override;

    // Makes the surface render target 0; false without a surface or on failure.
    bool SetRenderTarget() override;
    // Binds the surface as the depth-stencil (nothing while it is missing); true.
    bool SetDepthStencil() override;

    virtual bool Create(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual bool CreateFromFile(const char* file, uint32_t formatKind);
    virtual bool CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual bool CreateDepthStencil(uint32_t width, uint32_t height, uint32_t formatKind);
    // Copies source's rectangle (null: all of it) onto this surface's rectangle
    // (null: all of it), scaled, both clipped to the viewport.
    virtual bool StretchCopy(const RECT* destRect, CSurface* source, const RECT* sourceRect);
    virtual HDC GetDC();
    virtual void ReleaseDC(HDC dc);
    // The surface with a reference added; null while it is missing.
    virtual void GetSurface(IDirect3DSurface9** out);

    uint32_t GetFormatKind() const { return formatKind_; }
    bool IsRenderTarget() const { return renderTarget_ != 0; }
    bool IsDepthStencil() const { return depthStencil_ != 0; }

private:
    // Releases what a failed create left behind.
    void ReleaseSurfaces();
    // Takes the shape of a surface just created and logs its success.
    void Adopt(uint32_t formatKind, D3DFORMAT format, uint32_t width, uint32_t height, uint8_t renderTarget,
               uint8_t depthStencil);

    uint32_t formatKind_ = 0;
    IDirect3DSurface9* surface_ = nullptr;     // default pool; null while the device is lost
    IDirect3DSurface9* systemCopy_ = nullptr;  // only for a surface loaded from a file
    uint8_t renderTarget_ = 0;
    uint8_t depthStencil_ = 0;
};

class CSurfaceManager : public CRestoreManager {
public:
    explicit CSurfaceManager(IDirect3DDevice9* device) : CRestoreManager(device) {}

    virtual CSurface* CreateOffscreen(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual CSurface* CreateFromFile(const char* file, uint32_t formatKind);
    virtual CSurface* CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual CSurface* CreateDepthStencil(uint32_t width, uint32_t height, uint32_t formatKind);
};
