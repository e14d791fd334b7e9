// Shared by the Direct3D stand-in tests: devices on the null backend, and devices on
// the GL backend drawing into a real window made through CreateWindowExA.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace d3d9fixture {

struct TlVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

inline D3DPRESENT_PARAMETERS WindowedParams(HWND window, UINT width = 640, UINT height = 480,
                                            D3DFORMAT format = D3DFMT_X8R8G8B8) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = format;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = FALSE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

// A screen rectangle as two screen-clockwise triangles (the engine's winding).
inline void Quad(std::vector<TlVertex>& out, float x0, float y0, float x1, float y1, float z, D3DCOLOR color,
                 float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    TlVertex tl{x0, y0, z, 1, color, u0, v0}, tr{x1, y0, z, 1, color, u1, v0};
    TlVertex bl{x0, y1, z, 1, color, u0, v1}, br{x1, y1, z, 1, color, u1, v1};
    out.insert(out.end(), {tl, tr, bl, bl, tr, br});
}

class DeviceTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        device_ = nullptr;
        if (d3d_) d3d_->Release();
        d3d_ = nullptr;
        d3d9test::ResetAll();
        platform::ClearFaults();
    }

    HRESULT CreateDevice(HWND window, D3DPRESENT_PARAMETERS pp,
                         DWORD flags = D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED) {
        if (!d3d_) d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d_) return E_FAIL;
        params_ = pp;
        return d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window, flags, &params_, &device_);
    }

    IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::function<uint32_t(UINT, UINT)>& texel,
                                   D3DFORMAT format = D3DFMT_A8R8G8B8, D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture9* tex = nullptr;
        if (FAILED(device_->CreateTexture(w, h, 1, 0, format, pool, &tex, nullptr))) return nullptr;
        D3DLOCKED_RECT lr;
        if (FAILED(tex->LockRect(0, &lr, nullptr, 0))) {
            tex->Release();
            return nullptr;
        }
        for (UINT y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch);
            for (UINT x = 0; x < w; ++x) row[x] = texel(x, y);
        }
        tex->UnlockRect(0);
        return tex;
    }

    HRESULT DrawTl(const std::vector<TlVertex>& v, D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST) {
        device_->SetFVF(kTlFvf);
        UINT prims = type == D3DPT_TRIANGLELIST ? UINT(v.size() / 3) : UINT(v.size() - 2);
        return device_->DrawPrimitiveUP(type, prims, v.data(), sizeof(TlVertex));
    }

    // One white textured screen rectangle in a scene of its own; the texture is unbound after.
    HRESULT DrawTexturedQuad(IDirect3DBaseTexture9* tex, float x0, float y0, float x1, float y1) {
        device_->SetTexture(0, tex);
        std::vector<TlVertex> v;
        Quad(v, x0, y0, x1, y1, 0.5f, 0xFFFFFFFF);
        device_->BeginScene();
        const HRESULT hr = DrawTl(v);
        device_->EndScene();
        device_->SetTexture(0, nullptr);
        return hr;
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    D3DPRESENT_PARAMETERS params_{};
};

// Null backend: no display needed; a made-up window handle is enough.
class NullDeviceTest : public DeviceTest {
protected:
    void SetUp() override {
        d3d9test::ResetAll();
        platform::ClearFaults();
        d3d9test::SetBackend(d3d9test::Backend::Null);
        ASSERT_EQ(CreateDevice(FakeWindow(), WindowedParams(FakeWindow())), D3D_OK);
    }
    static HWND FakeWindow() { return reinterpret_cast<HWND>(uintptr_t(0x1000)); }
};

inline HWND MakeWindow(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return nullptr;
    return CreateWindowExA(0, className, "d3d9 test", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
}

// GL backend on a real window (Xvfb + Mesa in the test run).
class GlDeviceTest : public DeviceTest {
protected:
    void SetUp() override {
        d3d9test::ResetAll();
        platform::ClearFaults();
        className_ = std::string("KestraD3D9Test.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        window_ = MakeWindow(className_.c_str());
        ASSERT_NE(window_, nullptr) << "these tests need a display (Xvfb)";
        ShowWindow(window_, SW_SHOW);
        ASSERT_EQ(CreateDevice(window_, WindowedParams(window_)), D3D_OK);
    }
    void TearDown() override {
        DeviceTest::TearDown();
        if (window_) DestroyWindow(window_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA(className_.c_str(), nullptr);
    }

    d3d9test::Image Frame() { return d3d9test::ReadRenderTarget(device_); }

    std::string className_;
    HWND window_ = nullptr;
};

using testsupport::Channel;

// Each channel of `actual` within `tolerance` of `expected`.
inline ::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "0x" << actual << " vs 0x" << expected;
    return ::testing::AssertionSuccess();
}

}  // namespace d3d9fixture
