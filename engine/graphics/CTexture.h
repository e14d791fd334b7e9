// Device textures: empty, explicit, render targets with a system-memory copy,
// snapshots of render targets, and images from files, memory or LAG archives,
// sized up to powers of two within the device's limit. Texture coordinates are
// measured against the image's own size, so sprites address images in the pixels
// of the file whatever size the texture was given.
#pragma once

#include <cstdint>

#include "engine/graphics/CSurface.h"

class CTextureManager;

class CTexture : public CSurfaceBase {
public:
    // What a reset does to a default-pool texture: a plain one is made again and
    // refilled from its base texture, a render target is made again empty.
    enum RestoreKind : uint32_t { kRestoreRenderTarget = 0, kRestorePlain = 2 };
    // Image sides above this are refused before any sizing (a forged header must
    // not make the power-of-two search run away or ask for absurd memory).
    static constexpr uint32_t kMaxImageSide = 65536;
    static constexpr uint64_t kMaxImagePixels = uint64_t(1) << 26;

    explicit CTexture(CDeviceObjectManager* manager);
    ~CTexture() override;

    void OnLostDevice() override;
    void OnResetDevice() override;

    bool SetRenderTarget() override;
    bool SetDepthStencil() override;

    // Empty managed texture; the size is rounded up to powers of two.
    virtual bool Create(uint32_t width, uint32_t height, uint32_t formatKind);
    // Exactly the texture asked for.
    virtual bool CreateEx(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                          D3DPOOL pool);
    // A default-pool render target with a system-memory base texture.
    virtual bool CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind);
    // A snapshot of a render-target texture's contents.
    virtual bool CreateFromTexture(CTexture* source);
    virtual bool CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
    // colorKey: a pixel of exactly this ARGB becomes transparent black; 0 = none.
    virtual bool CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
    virtual bool CreateFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);

    // The loading steps; each first lets go of a texture already held.
    virtual bool LoadFileInMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);
    virtual bool LoadFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
    virtual bool LoadFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);

    // Locks level 0 (a default-pool texture: its base texture). Every out pointer
    // may be null. False without a texture, when already locked, or on failure.
    virtual bool Lock(const RECT* rect, void** bits, int32_t* pitch, uint32_t* width, uint32_t* height,
                      D3DFORMAT* format);
    virtual void Unlock();
    // Scaled copy from source; with imagePixels the rectangles are in image pixels.
    // A null rectangle stands for the whole texture.
    virtual bool StretchCopy(const RECT* destRect, CTexture* source, const RECT* sourceRect, bool imagePixels);
    // Render target contents into the base texture.
    virtual bool CopyToBase();
    // Fills every texel with the colour packed for the created format.
    virtual void ColorFill(D3DCOLOR color);
    virtual bool GetDC(HDC* out);
    virtual void ReleaseDC(HDC dc);
    // Uploads the base texture into the drawn texture (when both exist).
    virtual void UpdateTexture();
    // Level 0 with a reference added, or null.
    virtual void GetSurface(IDirect3DSurface9** out);
    virtual void GetBaseSurface(IDirect3DSurface9** out);
    void GetTexture(IDirect3DTexture9** out) override;
    virtual void GetBaseTexture(IDirect3DTexture9** out);
    // Image pixels to texture coordinates (no texel offset here).
    virtual float PixelToU(float x);
    virtual float PixelToV(float y);
    virtual bool SaveToFile(const char* file, D3DXIMAGE_FILEFORMAT format);

    uint32_t GetRestoreKind() const { return restoreKind_; }
    D3DPOOL GetPool() const { return static_cast<D3DPOOL>(pool_); }
    bool IsLocked() const { return locked_ != 0; }

private:
    // Smallest powers of two not below the wanted sides, halved down to the
    // device's limits.
    void SizeToPowerOfTwo(uint32_t wantedWidth, uint32_t wantedHeight);
    void ReleaseTextures();
    IDirect3DTexture9* LockTarget() const;

    uint32_t restoreKind_ = kRestoreRenderTarget;
    IDirect3DTexture9* texture_ = nullptr;
    IDirect3DTexture9* baseTexture_ = nullptr;
    uint32_t pool_ = D3DPOOL_DEFAULT;
    uint8_t locked_ = 0;
};

class CTextureManager : public CRestoreManager {
public:
    explicit CTextureManager(IDirect3DDevice9* device) : CRestoreManager(device) {}

    virtual CTexture* Create(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual CTexture* CreateEx(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                               D3DPOOL pool);
    virtual CTexture* CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind);
    virtual CTexture* CreateRenderTarget2(CTexture* source);
    // Shared by "archive[entry]" with the archive's canonical path.
    virtual CTexture* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
    // Shared by the canonical path of the file found (KestraFile::GetFileKey),
    // compared without regard to ASCII case: a second load of the same file, by
    // any spelling of its path, answers the first texture with one more reference.
    virtual CTexture* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
    virtual CTexture* CreateFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);

    void SetTexelOffset(float offset) { texelOffset_ = offset; }
    float GetTexelOffset() const { return texelOffset_; }

private:
    // The listed texture of that name (ASCII case ignored) with a reference added.
    CTexture* FindShared(const char* name);

    float texelOffset_ = 0.0f;
};
