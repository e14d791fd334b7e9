// Shared helpers of the D3DX image tests: test data paths, little file
// builders, and CPU-only surfaces/textures that implement the Direct3D
// interfaces the D3DX functions use (lock, unlock, description, levels).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9tex.h"
#include "platform/d3dx9/image_convert.h"
#include "platform/d3dx9/image_decode.h"
#include "tests/support/test_support.h"

namespace imagetest {

inline std::string PngSuiteDir() { return testsupport::SourceDir() + "/../shared/testdata/pngsuite"; }

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
inline std::vector<uint8_t> ReadBytes(const std::string& path) { return Bytes(testsupport::ReadFile(path)); }

// The reference files are flat JSON arrays of integers.
inline std::vector<uint32_t> ParseJsonNumbers(const std::string& text) {
    std::vector<uint32_t> out;
    uint32_t value = 0;
    bool in = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + uint32_t(c - '0');
            in = true;
        } else if (in) {
            out.push_back(value);
            value = 0;
            in = false;
        }
    }
    if (in) out.push_back(value);
    return out;
}

inline void Put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i)));
}

// A 128-byte DDS header followed by `data`.
inline std::vector<uint8_t> MakeDds(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits,
                                    uint32_t r, uint32_t g, uint32_t b, uint32_t a, const std::vector<uint8_t>& data,
                                    uint32_t mipCount = 0, uint32_t caps2 = 0) {
    std::vector<uint8_t> o = {'D', 'D', 'S', ' '};
    Put32(o, 124);
    Put32(o, 0x1007 | (mipCount ? 0x20000 : 0));
    Put32(o, h);
    Put32(o, w);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, mipCount);
    for (int i = 0; i < 11; ++i) Put32(o, 0);
    Put32(o, 32);
    Put32(o, pfFlags);
    Put32(o, fourCC);
    Put32(o, bits);
    Put32(o, r);
    Put32(o, g);
    Put32(o, b);
    Put32(o, a);
    Put32(o, 0x1000);
    Put32(o, caps2);
    for (int i = 0; i < 3; ++i) Put32(o, 0);
    o.insert(o.end(), data.begin(), data.end());
    return o;
}

// ---- CPU surfaces and textures. Storage is exactly rows x pitch bytes, so
// any write past a locked area shows up under AddressSanitizer; the pitch is
// padded so that row-stride mistakes show up in the pixels.
class FakeSurface : public IDirect3DSurface9 {
public:
    FakeSurface(uint32_t width, uint32_t height, D3DFORMAT format, uint32_t pitchPadding = 12, uint8_t fill = 0xCD)
        : width_(width), height_(height), format_(format) {
        const uint32_t block = d3dx9img::DxtBlockBytes(format);
        if (block) {
            pitch_ = ((width + 3) / 4) * block + pitchPadding;
            rows_ = (height + 3) / 4;
        } else {
            pitch_ = width * d3dx9img::FormatBytesPerPixel(format) + pitchPadding;
            rows_ = height;
        }
        data_.assign(size_t(pitch_) * rows_, fill);
    }

    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device) *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override {
        std::memset(desc, 0, sizeof(*desc));
        desc->Format = format_;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Pool = D3DPOOL_MANAGED;
        desc->Width = width_;
        desc->Height = height_;
        return D3D_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
        if (locked_ || failLocks_) return D3DERR_INVALIDCALL;
        RECT r{0, 0, LONG(width_), LONG(height_)};
        if (rect) r = *rect;
        if (r.left < 0 || r.top < 0 || r.right > LONG(width_) || r.bottom > LONG(height_) || r.left > r.right ||
            r.top > r.bottom)
            return D3DERR_INVALIDCALL;
        const uint32_t block = d3dx9img::DxtBlockBytes(format_);
        size_t offset;
        if (block) {
            if ((r.left % 4) || (r.top % 4)) return D3DERR_INVALIDCALL;
            offset = size_t(r.top / 4) * pitch_ + size_t(r.left / 4) * block;
        } else {
            offset = size_t(r.top) * pitch_ + size_t(r.left) * d3dx9img::FormatBytesPerPixel(format_);
        }
        locked->pBits = data_.data() + offset;
        locked->Pitch = INT(pitch_);
        locked_ = true;
        lastLockFlags_ = flags;
        ++lockCount_;
        return D3D_OK;
    }
    HRESULT UnlockRect() override {
        if (!locked_) return D3DERR_INVALIDCALL;
        locked_ = false;
        return D3D_OK;
    }
    HRESULT GetDC(HDC*) override { return D3DERR_INVALIDCALL; }
    HRESULT ReleaseDC(HDC) override { return D3DERR_INVALIDCALL; }

    uint8_t* Row(uint32_t y) { return data_.data() + size_t(y) * pitch_; }
    uint32_t Pitch() const { return pitch_; }
    bool Locked() const { return locked_; }
    int LockCount() const { return lockCount_; }
    DWORD LastLockFlags() const { return lastLockFlags_; }
    void FailLocks(bool on) { failLocks_ = on; }
    // ARGB of pixel (x, y) of a 32-bit surface.
    uint32_t Pixel32(uint32_t x, uint32_t y) {
        const uint8_t* p = Row(y) + 4 * x;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
    uint32_t Pixel16(uint32_t x, uint32_t y) {
        const uint8_t* p = Row(y) + 2 * x;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
    }

private:
    uint32_t width_, height_;
    D3DFORMAT format_;
    uint32_t pitch_ = 0, rows_ = 0;
    std::vector<uint8_t> data_;
    ULONG refs_ = 1;
    bool locked_ = false;
    bool failLocks_ = false;
    int lockCount_ = 0;
    DWORD lastLockFlags_ = 0;
};

class FakeTexture : public IDirect3DTexture9 {
public:
    FakeTexture(uint32_t width, uint32_t height, uint32_t levels, D3DFORMAT format) {
        for (uint32_t i = 0; i < levels; ++i) {
            levels_.push_back(new FakeSurface(width, height, format));
            width = width > 1 ? width / 2 : 1;
            height = height > 1 ? height / 2 : 1;
        }
    }
    ~FakeTexture() override {
        for (FakeSurface* s : levels_) s->Release();
    }
    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device) *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return DWORD(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        if (level >= levels_.size()) return D3DERR_INVALIDCALL;
        return levels_[level]->GetDesc(desc);
    }
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override {
        if (level >= levels_.size()) return D3DERR_INVALIDCALL;
        levels_[level]->AddRef();
        *surface = levels_[level];
        return D3D_OK;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
        if (level >= levels_.size()) return D3DERR_INVALIDCALL;
        return levels_[level]->LockRect(locked, rect, flags);
    }
    HRESULT UnlockRect(UINT level) override {
        if (level >= levels_.size()) return D3DERR_INVALIDCALL;
        return levels_[level]->UnlockRect();
    }
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    FakeSurface* Level(uint32_t i) { return levels_[i]; }

private:
    std::vector<FakeSurface*> levels_;
    ULONG refs_ = 1;
};

}  // namespace imagetest
