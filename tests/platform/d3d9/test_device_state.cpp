// The device's logic on the null backend: creation, defaults, loss and reset,
// validation, references and recording.
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "d3d9_fixture.h"
#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/d3d9shader.h"
#include "platform/win32/loaded_memory.h"
#include "tests/support/com_refs.h"

using namespace d3d9fixture;

namespace {

// The present parameters as programs lay them out: seven 32-bit fields, the window, six more.
static_assert(offsetof(D3DPRESENT_PARAMETERS, BackBufferHeight) == 4 && offsetof(D3DPRESENT_PARAMETERS, SwapEffect) == 24 &&
              offsetof(D3DPRESENT_PARAMETERS, hDeviceWindow) == 32 && offsetof(D3DPRESENT_PARAMETERS, Flags) == 52 &&
              sizeof(D3DPRESENT_PARAMETERS) == 64);

TEST(Direct3DModule, ReachedThroughLoadLibraryAndCreatesTheObject) {
    HMODULE module = LoadLibraryA("d3d9.dll");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<LPDIRECT3DCREATE9>(reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate9")));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(GetProcAddress(module, "Direct3DCreate8"), nullptr);
    IDirect3D9* d3d = create(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->GetAdapterCount(), 1u);
    d3d->Release();
    FreeLibrary(module);
}

TEST(Direct3DModule, WrongSdkVersionOrInjectedFaultGivesNoObject) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    platform::InjectFault("Direct3DCreate9", 0, 1);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);  // only one call was armed
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
    platform::ClearFaults();
}

TEST(Direct3DModule, WithoutAWindowOrAnOpenGl33ContextTheDeviceIsRefused) {
    d3d9test::SetBackend(d3d9test::Backend::GL);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    const auto create = [&](HWND window) {
        D3DPRESENT_PARAMETERS pp = WindowedParams(window);
        return d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
    };
    EXPECT_EQ(create(reinterpret_cast<HWND>(uintptr_t(0x1000))), D3DERR_INVALIDCALL);  // no window of ours
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the driver keeps the override for its process
    EXPECT_EXIT(
        {
            setenv("MESA_GL_VERSION_OVERRIDE", "3.0", 1);
            std::_Exit(create(MakeWindow("KestraD3D9Test.OldGl")) == D3DERR_NOTAVAILABLE && !device ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "no OpenGL 3.3 core context");
    d3d->Release();
    d3d9test::ResetAll();
}

TEST(Adapter, ListsSixteenBitModesOfEverySizeAndConfiguredFormats) {
    d3d9test::ResetAll();
    d3d9test::SetBackend(d3d9test::Backend::Null);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    // Overrides replace the survey's answers.
    d3d9test::AdapterConfig config = d3d9test::DefaultAdapter();
    config.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 75, D3DFMT_X8R8G8B8}};
    config.textureFormats = {D3DFMT_A4R4G4B4};
    config.depthStencilFormats = {D3DFMT_D16};
    config.caps.DevCaps &= ~DWORD(D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    d3d9test::SetAdapter(config);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_D16),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_D24S8),
              D3DERR_NOTAVAILABLE);
    D3DCAPS9 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWRASTERIZATION);
    // Mixed processing needs hardware transform and lighting.
    D3DPRESENT_PARAMETERS pp = WindowedParams(reinterpret_cast<HWND>(uintptr_t(0x1000)));
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    d3d->Release();
    d3d9test::ResetAll();
}

TEST(Adapter, CreationRowsFailAsInjectedAndAreRecorded) {
    d3d9test::ResetAll();
    d3d9test::SetBackend(d3d9test::Backend::Null);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000));
    platform::InjectFault("CreateDevice:HAL:MIXED");
    D3DPRESENT_PARAMETERS pp = WindowedParams(window);
    IDirect3DDevice9* device = nullptr;
    DWORD mt = D3DCREATE_MULTITHREADED;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_MIXED_VERTEXPROCESSING | mt, &pp, &device),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    // What is left out is filled in: the focus window, the window's size, the desktop's format, one buffer.
    pp.hDeviceWindow = nullptr;
    pp.BackBufferWidth = pp.BackBufferHeight = pp.BackBufferCount = 0;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING | mt, &pp, &device),
              D3D_OK);
    EXPECT_EQ(pp.hDeviceWindow, window);
    EXPECT_EQ(std::tuple(pp.BackBufferWidth, pp.BackBufferHeight, pp.BackBufferFormat, pp.BackBufferCount),
              std::tuple(640u, 480u, D3DFMT_X8R8G8B8, 1u));
    auto calls = d3d9test::CreateDeviceCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].flags, DWORD(D3DCREATE_MIXED_VERTEXPROCESSING | mt));
    EXPECT_EQ(calls[0].result, D3DERR_NOTAVAILABLE);
    EXPECT_EQ(calls[1].result, D3D_OK);
    EXPECT_EQ(calls[1].params.Flags, DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
    D3DDEVICE_CREATION_PARAMETERS cp;
    ASSERT_EQ(device->GetCreationParameters(&cp), D3D_OK);
    EXPECT_EQ(cp.hFocusWindow, window);
    EXPECT_EQ(cp.BehaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING | mt));
    // A software device cannot switch to hardware processing.
    EXPECT_EQ(device->SetSoftwareVertexProcessing(FALSE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Release(), 0u);
    pp.BackBufferCount = 4;  // as Reset, creation checks its parameters
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    d3d->Release();
    platform::ClearFaults();
    d3d9test::ResetAll();
}

using DeviceState = NullDeviceTest;

using testsupport::Out;
using Surface = IDirect3DSurface9;
using VertexBuffer = IDirect3DVertexBuffer9;
using Declaration = IDirect3DVertexDeclaration9;

TEST_F(DeviceState, ResetRefusedWhileDefaultPoolResourceLivesThenStatesReturnToDefaults) {
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(device_->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    IDirect3DTexture9* managed = MakeTexture(8, 8, [](UINT, UINT) { return 0xFF00FF00u; });
    ASSERT_NE(managed, nullptr);
    device_->SetTexture(0, managed);
    device_->SetTexture(15, managed);

    D3DPRESENT_PARAMETERS pp = params_;
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d9test::GetDeviceState(device_), d3d9test::DeviceState::NotReset);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    // Every kind counts, the back buffer handed out by GetRenderTarget too; each names its kind and is let go in turn.
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DSurface9 *target = nullptr, *backBuffer = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr), D3D_OK);
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);
    int live = 5;
    const std::pair<IDirect3DResource9*, D3DRESOURCETYPE> kHeld[] = {
        {rt, D3DRTYPE_TEXTURE},    {vb, D3DRTYPE_VERTEXBUFFER},     {ib, D3DRTYPE_INDEXBUFFER},
        {target, D3DRTYPE_SURFACE}, {backBuffer, D3DRTYPE_SURFACE}};
    for (const auto& [held, type] : kHeld) {
        EXPECT_EQ(held->GetType(), type);
        EXPECT_EQ(d3d9test::LiveDefaultPoolResources(device_), live--);
        EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
        held->Release();
    }

    pp.EnableAutoDepthStencil = TRUE;
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    device_->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    device_->GetTexture(15, &bound);
    EXPECT_EQ(bound, nullptr);
    // So does the automatic depth surface once handed out.
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    depth->Release();
    // Managed contents survive the reset.
    D3DLOCKED_RECT lr;
    ASSERT_EQ(managed->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(lr.pBits), 0xFF00FF00u);
    managed->UnlockRect(0);
    managed->Release();
}

// Until the reset, drawing calls succeed (the answers through a loss are in the null-device record).
TEST_F(DeviceState, CooperativeLevelSequenceAfterLoss) {
    d3d9test::LoseDevice(device_, 2);
    for (HRESULT hr : {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET})
        EXPECT_EQ(device_->TestCooperativeLevel(), hr);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
}

TEST_F(DeviceState, InjectedPresentAndResetFaults) {
    platform::InjectFault("Present", 0, 1);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    platform::InjectFault("Present.lost", 0, 1);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    platform::InjectFault("Reset", 0, 1);
    D3DPRESENT_PARAMETERS pp = params_;
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Reset(&pp), D3D_OK);
}

TEST_F(DeviceState, FullScreenResetNeedsAListedModeAndKnownFormat) {
    D3DPRESENT_PARAMETERS full = params_;
    full.Windowed = FALSE;
    full.BackBufferFormat = D3DFMT_UNKNOWN;
    EXPECT_EQ(device_->Reset(&full), D3DERR_INVALIDCALL);
    full.BackBufferFormat = D3DFMT_R5G6B5;
    full.BackBufferWidth = 641;
    EXPECT_EQ(device_->Reset(&full), D3DERR_INVALIDCALL);
    full.BackBufferWidth = 640;
    ASSERT_EQ(device_->Reset(&full), D3D_OK);
    EXPECT_TRUE(d3d9test::IsFullscreen(device_));
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DSURFACE_DESC desc;
    bb->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    bb->Release();
    D3DPRESENT_PARAMETERS windowed = params_;
    windowed.hDeviceWindow = reinterpret_cast<HWND>(uintptr_t(0x2000));
    ASSERT_EQ(device_->Reset(&windowed), D3D_OK);
    EXPECT_FALSE(d3d9test::IsFullscreen(device_));
    EXPECT_EQ(windowed.hDeviceWindow, params_.hDeviceWindow);  // a device keeps its window
    // At most three back buffers, of at most 16384 pixels a side.
    for (const auto& [count, width, result] : {std::tuple{3u, 16384u, D3D_OK}, std::tuple{4u, 640u, D3DERR_INVALIDCALL},
                                               std::tuple{1u, 16385u, D3DERR_INVALIDCALL}}) {
        windowed.BackBufferCount = count;
        windowed.BackBufferWidth = width;
        windowed.BackBufferHeight = 8;
        EXPECT_EQ(device_->Reset(&windowed), result) << count << " of " << width;
    }
}

TEST_F(DeviceState, DrawsAreValidatedAgainstScenesAndBuffers) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(6 * sizeof(TlVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kTlFvf,
                                          D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    device_->SetFVF(kTlFvf);
    device_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);  // outside a scene
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);  // reads past the end
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 0xFFFFFFFEu), D3DERR_INVALIDCALL);  // a wrapped count
    // The most primitives of each type the six vertices hold, then one more.
    const std::pair<D3DPRIMITIVETYPE, UINT> kMost[] = {{D3DPT_POINTLIST, 6},     {D3DPT_LINELIST, 3},      {D3DPT_LINESTRIP, 5},
                                                       {D3DPT_TRIANGLELIST, 2}, {D3DPT_TRIANGLESTRIP, 4}, {D3DPT_TRIANGLEFAN, 4}};
    for (const auto& [type, most] : kMost) {
        EXPECT_EQ(device_->DrawPrimitive(type, 0, most), D3D_OK) << type;
        EXPECT_EQ(device_->DrawPrimitive(type, 0, most + 1), D3DERR_INVALIDCALL) << type;
    }
    device_->SetStreamSource(0, vb, 0, 4);  // stride smaller than the vertex
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    device_->SetStreamSource(0, nullptr, 0, 0);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    // Indexed draws check every index against the vertex buffer.
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    uint16_t* idx = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0), D3D_OK);
    const uint16_t good[6] = {0, 1, 2, 2, 1, 5};
    std::memcpy(idx, good, sizeof good);
    ib->Unlock();
    device_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
    device_->SetIndices(ib);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 6, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 3, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    // Depth clears need a depth buffer, stencil clears a stencil; no flags past the three.
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | 8, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    for (D3DFORMAT format : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32, D3DFMT_D24S8}) {
        IDirect3DSurface9* depth = nullptr;
        ASSERT_EQ(device_->CreateDepthStencilSurface(640, 480, format, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
                  D3D_OK);
        device_->SetDepthStencilSurface(depth);
        EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK) << format;
        EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0),
                  format == D3DFMT_D24S8 ? D3D_OK : D3DERR_INVALIDCALL)
            << format;
        device_->SetDepthStencilSurface(nullptr);
        depth->Release();
    }
    device_->SetIndices(nullptr);
    device_->SetStreamSource(0, nullptr, 0, 0);
    ib->Release();
    vb->Release();
}

// Each element type's size, seen through the stride check: a vertex one byte
// short of its elements is refused, one that holds them all is drawn.
TEST_F(DeviceState, AVertexNeedsItsElementsWholeSizeInTheStride) {
    const uint8_t vertices[3 * 80] = {};
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    for (BYTE type = D3DDECLTYPE_FLOAT1; type <= D3DDECLTYPE_FLOAT16_4; ++type) {
        const UINT bytes = d3d9impl::DeclTypeSize(type);  // the sizes themselves are in the formats record
        if (!bytes) continue;
        SCOPED_TRACE(int(type));
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, type, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 7},
            D3DDECL_END()};
        IDirect3DVertexDeclaration9* decl = nullptr;
        ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl), D3D_OK);
        D3DVERTEXELEMENT9 back[3];
        UINT count = 2;
        EXPECT_EQ(decl->GetDeclaration(back, &count), D3DERR_INVALIDCALL);  // the end mark too
        count = 3;
        EXPECT_EQ(decl->GetDeclaration(back, &count), D3D_OK);
        EXPECT_EQ(back[1].Type, type);
        device_->SetVertexDeclaration(decl);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, 12 + bytes - 1), D3DERR_INVALIDCALL);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, 12 + bytes), D3D_OK);
        device_->SetVertexDeclaration(nullptr);
        decl->Release();
    }
    // Vertex formats: each part in its place and size, up to eight texture sets.
    const std::pair<DWORD, UINT> kFvfSizes[] = {
        {D3DFVF_XYZRHW | D3DFVF_TEX8, 16 + 8 * 8},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, 36},
        {D3DFVF_XYZB5 | D3DFVF_LASTBETA_UBYTE4, 12 + 16 + 4},
        {D3DFVF_XYZB2, 12 + 8},
        {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(1), 12 + 4 + 16},
        {D3DFVF_XYZW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0), 16 + 12}};
    for (const auto& [fvf, bytes] : kFvfSizes) {
        SCOPED_TRACE(fvf);
        ASSERT_EQ(device_->SetFVF(fvf), D3D_OK);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, bytes - 1), D3DERR_INVALIDCALL);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, bytes), D3D_OK);
    }
    EXPECT_EQ(device_->SetFVF(D3DFVF_XYZRHW | (9 << D3DFVF_TEXCOUNT_SHIFT)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetFVF(D3DFVF_XYZB5), D3DERR_INVALIDCALL);  // five weights and no indices: no attribute holds them
    IDirect3DVertexDeclaration9* refused = nullptr;
    EXPECT_EQ(device_->CreateVertexDeclaration(nullptr, &refused), D3DERR_INVALIDCALL);
    device_->EndScene();
}

TEST_F(DeviceState, RecordsDrawsWithVerticesAndStates) {
    d3d9test::SetRecording(true);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    std::vector<TlVertex> v;
    Quad(v, 10, 20, 42, 36, 0.5f, 0x80FFFFFF);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    ASSERT_EQ(DrawTl(v), D3D_OK);
    device_->EndScene();
    auto draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].renderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    auto states = d3d9test::StateCalls();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[1].type, DWORD(D3DRS_SRCBLEND));
}

// A run no test controls counts nothing; the first count a test reads starts the
// counters, for every kind of call the device counts.
TEST_F(DeviceState, CallsAreCountedOnlyOnceATestTakesControl) {
    std::vector<TlVertex> v;
    Quad(v, 0, 0, 8, 8, 0.5f, 0xFFFFFFFF);
    D3DMATRIX world{};
    const struct {
        const char* method;
        std::function<HRESULT()> call;
    } calls[] = {
        {"SetRenderState", [&] { return device_->SetRenderState(D3DRS_ALPHAREF, 7); }},
        {"SetTextureStageState", [&] { return device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE); }},
        {"SetSamplerState", [&] { return device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT); }},
        {"SetTexture", [&] { return device_->SetTexture(0, nullptr); }},
        {"SetTransform", [&] { return device_->SetTransform(D3DTS_WORLD, &world); }},
        {"BeginScene", [&] { return device_->BeginScene(); }},
        {"DrawPrimitiveUP", [&] { return DrawTl(v); }},
        {"EndScene", [&] { return device_->EndScene(); }},
    };
    const auto runAll = [&] {
        for (const auto& c : calls) EXPECT_EQ(c.call(), D3D_OK) << c.method;
    };
    // Each of the test controls takes control.
    const struct {
        const char* what;
        std::function<void()> take;
    } controls[] = {
        {"SetBackend", [] { d3d9test::SetBackend(d3d9test::GetBackend()); }},
        {"CallCount", [] { d3d9test::CallCount("SetTexture"); }},
        {"ClearCallCounts", [] { d3d9test::ClearCallCounts(); }},
    };
    for (const auto& control : controls) {
        d3d9impl::g_countingCalls.store(false);
        control.take();
        EXPECT_TRUE(d3d9test::CountingCalls()) << control.what;
    }
    d3d9test::ClearCallCounts();
    d3d9impl::g_countingCalls.store(false);  // as in the game
    runAll();
    EXPECT_FALSE(d3d9test::CountingCalls());
    for (const auto& c : calls) EXPECT_EQ(d3d9test::CallCount(c.method), 0u) << c.method;
    EXPECT_TRUE(d3d9test::CountingCalls());
    runAll();
    runAll();
    for (const auto& c : calls) EXPECT_EQ(d3d9test::CallCount(c.method), 2u) << c.method;
}

TEST_F(DeviceState, LockRulesAndPaddedPitch) {
    d3d9test::SetPitchPadding(64);
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 4 * 2 + 64);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = uint16_t(y * 4 + x);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    RECT part{1, 2, 3, 4};
    ASSERT_EQ(tex->LockRect(0, &lr, &part, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint16_t*>(lr.pBits), 9);  // texel (1, 2)
    EXPECT_EQ(reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(lr.pBits) + lr.Pitch)[1], 14);
    tex->UnlockRect(0);
    RECT outside{2, 2, 5, 3};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    tex->Release();
    // Block formats lock whole blocks: a rectangle starts on a multiple of 4.
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_SCRATCH, &tex, nullptr), D3D_OK);
    for (const RECT& r : {RECT{4, 4, 8, 8}, RECT{1, 0, 4, 4}, RECT{0, 2, 4, 4}}) {
        const HRESULT hr = tex->LockRect(0, &lr, &r, 0);
        EXPECT_EQ(hr, r.left == 4 ? D3D_OK : D3DERR_INVALIDCALL) << r.left << "," << r.top;
        if (SUCCEEDED(hr)) tex->UnlockRect(0);
    }
    tex->Release();

    // Default-pool textures lock only when dynamic; render targets and the back buffer only when lockable.
    IDirect3DTexture9* def = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &def, nullptr), D3D_OK);
    EXPECT_EQ(def->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    def->Release();
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr), D3D_OK);
    EXPECT_EQ(rt->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    rt->Release();
    platform::InjectFault("LockRect", 0, 1);
    IDirect3DSurface9* bb = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_GE(lr.Pitch, 640 * 4);
    bb->UnlockRect();
    bb->Release();
}

// Texture memory as a card's: what each live texture takes, all its levels, is
// counted against the adapter's budget, and a texture past it is refused whole.
TEST_F(DeviceState, TexturesTakeTheirBytesOfTheBudgetWhileTheyLive) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.availableTextureMem = 1 << 20;
    d3d9test::SetAdapter(adapter);
    struct Case {
        UINT width, height, levels;
        D3DFORMAT format;
        D3DPOOL pool;
        UINT bytes;
        DWORD usage = 0;
    };
    const Case cases[] = {
        {256, 256, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 262144},
        {256, 256, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 349524},  // nine levels down to 1 x 1
        {128, 64, 1, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM, 16384},
        {64, 32, 1, D3DFMT_L8, D3DPOOL_MANAGED, 8192},       // the driver holds four bytes a texel
        {64, 32, 1, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT, 8192},
        {254, 2, 1, D3DFMT_DXT1, D3DPOOL_SCRATCH, 512},  // 64 blocks of 8 bytes
        {512, 256, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, 524288},
    };
    std::vector<IDirect3DTexture9*> live;
    UINT left = 1 << 20;
    for (const Case& c : cases) {
        IDirect3DTexture9* t = nullptr;
        const bool fits = c.bytes <= left;
        EXPECT_EQ(device_->CreateTexture(c.width, c.height, c.levels, 0, c.format, c.pool, &t, nullptr),
                  fits ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY)
            << c.width << "x" << c.height;
        EXPECT_EQ(t != nullptr, fits);
        if (t) {
            live.push_back(t);
            const bool drawable = c.pool == D3DPOOL_MANAGED || c.pool == D3DPOOL_DEFAULT;
            EXPECT_EQ(device_->SetTexture(0, t), drawable ? D3D_OK : D3DERR_INVALIDCALL);
        }
        if (fits) left -= c.bytes;
        EXPECT_EQ(device_->GetAvailableTextureMem(), left) << c.width << "x" << c.height;
    }
    EXPECT_EQ(live.size(), 6u);
    device_->SetTexture(0, nullptr);
    for (IDirect3DTexture9* t : live) t->Release();
    EXPECT_EQ(device_->GetAvailableTextureMem(), UINT(1 << 20));
    // However much is left, no one texture takes more than 32 MB.
    d3d9test::SetAdapter(d3d9test::DefaultAdapter());
    for (const Case& c : {Case{4096, 2048, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 32u << 20},
                          Case{2048, 2048, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, 22369620},
                          Case{4096, 4096, 1, D3DFMT_L8, D3DPOOL_MANAGED, 0},
                          Case{4096, 4096, 1, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, 0},
                          Case{4, 4, 9, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 64 + 16 + 4},  // no more levels than 1 x 1
                          Case{256, 256, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, 262144, D3DUSAGE_AUTOGENMIPMAP}}) {
        IDirect3DTexture9* t = nullptr;
        const UINT before = device_->GetAvailableTextureMem();
        EXPECT_EQ(device_->CreateTexture(c.width, c.height, c.levels, c.usage, c.format, c.pool, &t, nullptr),
                  c.bytes ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY)
            << c.width << "x" << c.height;
        EXPECT_EQ(device_->GetAvailableTextureMem(), before - c.bytes);
        if (t) t->Release();
    }
}

// The budget's edges, in one-byte texels: a texture exactly filling what is
// left is taken, one byte more is refused, from an empty device and a part-full
// one, and where the process's budget for loaded data leaves less than the card.
TEST_F(DeviceState, ATextureExactlyFillingTheBudgetIsTakenAndOneByteMoreIsNot) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.availableTextureMem = 3000;
    d3d9test::SetAdapter(adapter);
    struct Step {
        UINT width;   // an L8 texture of width x 1 in system memory: width bytes
        bool taken;
        UINT left;    // the budget left after the step
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
        uint64_t process = 0, heldElsewhere = 0;  // the process's budget (0: its own) and another kind's share
    } cases[] = {
        {"the whole budget at once", {{3001, false, 3000}, {3000, true, 0}, {1, false, 0}}},
        {"the rest of a part-full budget", {{1000, true, 2000}, {2001, false, 2000}, {2000, true, 0}, {1, false, 0}}},
        {"one byte short of full", {{2999, true, 1}, {2, false, 1}, {1, true, 0}}},
        {"the process's budget below the card's", {{2501, false, 2500}, {2500, true, 0}, {1, false, 0}}, 2500},
        {"another kind holding part of it", {{2001, false, 2000}, {2000, true, 0}, {1, false, 0}}, 3000, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::SetLoadedMemoryBudget(c.process);
        platform::LoadedMemory elsewhere;
        ASSERT_TRUE(elsewhere.Take(c.heldElsewhere));
        std::vector<IDirect3DTexture9*> live;
        for (const Step& s : c.steps) {
            IDirect3DTexture9* t = nullptr;
            EXPECT_EQ(device_->CreateTexture(s.width, 1, 1, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &t, nullptr),
                      s.taken ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY)
                << s.width;
            EXPECT_EQ(t != nullptr, s.taken);
            if (t) live.push_back(t);
            EXPECT_EQ(device_->GetAvailableTextureMem(), s.left) << s.width;
        }
        for (IDirect3DTexture9* t : live) t->Release();
        elsewhere.Give(c.heldElsewhere);
        platform::SetLoadedMemoryBudget(0);
        EXPECT_EQ(device_->GetAvailableTextureMem(), 3000u);
    }
}

TEST_F(DeviceState, ResourcesKeepTheDeviceAliveAndTargetsResetTheViewport) {
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(device_->CreateTexture(128, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    D3DVIEWPORT9 small{10, 10, 20, 20, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&small), D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, level), D3D_OK);
    D3DVIEWPORT9 vp;
    device_->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Width, 128u);
    EXPECT_EQ(vp.Height, 64u);
    RECT scissor;
    device_->GetScissorRect(&scissor);
    EXPECT_EQ(std::tuple(scissor.left, scissor.top, scissor.right, scissor.bottom), std::tuple(0, 0, 128, 64));
    // Inside the target, not empty, depths in order within 0..1.
    const std::pair<D3DVIEWPORT9, HRESULT> kViewports[] = {
        {{0, 0, 128, 64, 0.0f, 1.0f}, D3D_OK},          {{127, 63, 1, 1, 0.5f, 0.5f}, D3D_OK},
        {{0, 0, 129, 64, 0.0f, 1.0f}, D3DERR_INVALIDCALL}, {{0, 0, 128, 65, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{1, 0, 128, 64, 0.0f, 1.0f}, D3DERR_INVALIDCALL}, {{0, 1, 128, 64, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{0, 0, 0, 64, 0.0f, 1.0f}, D3DERR_INVALIDCALL},   {{0, 0, 128, 0, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{0, 0, 8, 8, 0.6f, 0.5f}, D3DERR_INVALIDCALL},    {{0, 0, 8, 8, -0.1f, 1.0f}, D3DERR_INVALIDCALL},
        {{0, 0, 8, 8, 0.0f, 1.1f}, D3DERR_INVALIDCALL}};
    for (const auto& [viewport, result] : kViewports)
        EXPECT_EQ(device_->SetViewport(&viewport), result) << viewport.X << "," << viewport.Y << " " << viewport.Width
                                                            << "x" << viewport.Height << " z " << viewport.MinZ;
    EXPECT_EQ(device_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(1, level), D3DERR_INVALIDCALL);  // one target only
    EXPECT_EQ(device_->SetRenderTarget(1, nullptr), D3D_OK);
    // The level shares its texture's count: releasing both leaves the bound texture alive.
    level->Release();
    EXPECT_EQ(rt->Release(), 0u);
    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &current), D3D_OK);
    D3DSURFACE_DESC desc;
    current->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 128u);
    current->Release();
    // The application lets go of the device first; the vertex buffer still works after.
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    D3DVERTEXBUFFER_DESC vd;
    ASSERT_EQ(vb->GetDesc(&vd), D3D_OK);
    EXPECT_EQ(std::tuple(vd.Format, vd.Type, vd.Usage, vd.Pool, vd.Size, vd.FVF),
              std::tuple(D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, DWORD(D3DUSAGE_WRITEONLY), D3DPOOL_MANAGED, 64u, kTlFvf));
    // No dynamic managed buffers; indices of 16 or 32 bits (pools and sizes are in the null-device record).
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(device_->CreateIndexBuffer(8, D3DUSAGE_DYNAMIC, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateIndexBuffer(8, 0, D3DFMT_D16, D3DPOOL_SYSTEMMEM, &ib, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Release(), 0u);
    device_ = nullptr;
    void* p = nullptr;
    // A size of 0 is the rest of the buffer, which must hold at least a byte.
    const std::array<UINT, 3> kLocks[] = {{60, 4, 1}, {60, 5, 0}, {63, 0, 1}, {64, 0, 0}, {65, 0, 0}};
    for (const auto& [offset, size, ok] : kLocks) {
        EXPECT_EQ(vb->Lock(offset, size, &p, 0), ok ? D3D_OK : D3DERR_INVALIDCALL) << offset << "+" << size;
        if (ok) vb->Unlock();
    }
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memset(p, 7, 64);
    vb->Unlock();
    EXPECT_EQ(d3d9test::VertexBufferBytes(vb)[63], 7);
    vb->Release();  // the device goes with it (ASan checks the order)
}

// Each getter hands out a reference of the caller's own: what it returns is the bound
// object, whose count rises by exactly one.
TEST_F(DeviceState, EveryGetterAddsOneReferenceToWhatItHandsOut) {
    IDirect3DTexture9* tex = MakeTexture(4, 4, [](UINT, UINT) { return 0u; });
    IDirect3DSurface9 *level = nullptr, *target = nullptr, *depth = nullptr, *bb = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DVertexShader9* shader = nullptr;
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          D3DDECL_END()};
    d3d9shader::VertexShaderDesc shaderDesc;
    shaderDesc.glsl = "void ShaderMain() {}";
    ASSERT_TRUE(tex && tex->GetSurfaceLevel(0, &level) == D3D_OK);
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    ASSERT_EQ(device_->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl), D3D_OK);
    ASSERT_EQ(d3d9shader::CreateVertexShader(device_, shaderDesc, &shader), D3D_OK);
    device_->SetTexture(0, tex), device_->SetRenderTarget(0, target), device_->SetDepthStencilSurface(depth);
    device_->SetStreamSource(0, vb, 0, 12), device_->SetIndices(ib), device_->SetVertexDeclaration(decl);
    device_->SetVertexShader(shader);
    using Get = std::function<HRESULT(void**)>;
    const auto count = testsupport::RefCount;
    const auto query = [](IUnknown* o) -> Get { return [o](void** p) { return o->QueryInterface(IID_IUnknown, p); }; };
    const auto owner = [](auto* o) -> Get { return [o](void** p) { return o->GetDevice(Out<IDirect3DDevice9>(p)); }; };
    UINT at, by;
    constexpr D3DBACKBUFFER_TYPE kMono = D3DBACKBUFFER_TYPE_MONO;
    const std::tuple<const char*, IUnknown*, Get> kGetters[] = {
        {"GetDirect3D", d3d_, [&](void** o) { return device_->GetDirect3D(Out<IDirect3D9>(o)); }},
        {"GetBackBuffer", bb, [&](void** o) { return device_->GetBackBuffer(0, 0, kMono, Out<Surface>(o)); }},
        {"GetRenderTarget", target, [&](void** o) { return device_->GetRenderTarget(0, Out<Surface>(o)); }},
        {"GetDepthStencilSurface", depth, [&](void** o) { return device_->GetDepthStencilSurface(Out<Surface>(o)); }},
        {"GetTexture", tex, [&](void** o) { return device_->GetTexture(0, Out<IDirect3DBaseTexture9>(o)); }},
        {"GetStreamSource", vb, [&](void** o) { return device_->GetStreamSource(0, Out<VertexBuffer>(o), &at, &by); }},
        {"GetIndices", ib, [&](void** o) { return device_->GetIndices(Out<IDirect3DIndexBuffer9>(o)); }},
        {"GetVertexDeclaration", decl, [&](void** o) { return device_->GetVertexDeclaration(Out<Declaration>(o)); }},
        {"GetVertexShader", shader, [&](void** o) { return device_->GetVertexShader(Out<IDirect3DVertexShader9>(o)); }},
        {"GetSurfaceLevel", level, [&](void** o) { return tex->GetSurfaceLevel(0, Out<Surface>(o)); }},
        {"Direct3D.QueryInterface", d3d_, query(d3d_)},    {"Device.QueryInterface", device_, query(device_)},
        {"Texture.QueryInterface", tex, query(tex)},       {"Level.QueryInterface", level, query(level)},
        {"Surface.QueryInterface", target, query(target)}, {"BackBuffer.QueryInterface", bb, query(bb)},
        {"VertexBuffer.QueryInterface", vb, query(vb)},    {"IndexBuffer.QueryInterface", ib, query(ib)},
        {"Declaration.QueryInterface", decl, query(decl)}, {"Shader.QueryInterface", shader, query(shader)},
        {"Texture.GetDevice", device_, owner(tex)},        {"Level.GetDevice", device_, owner(level)},
        {"Surface.GetDevice", device_, owner(depth)},      {"BackBuffer.GetDevice", device_, owner(bb)},
        {"VertexBuffer.GetDevice", device_, owner(vb)},    {"IndexBuffer.GetDevice", device_, owner(ib)},
        {"Declaration.GetDevice", device_, owner(decl)},   {"Shader.GetDevice", device_, owner(shader)}};
    for (const auto& [name, held, get] : kGetters) {
        const ULONG before = count(held);
        void* out = nullptr;
        ASSERT_EQ(get(&out), D3D_OK) << name;
        EXPECT_EQ(out, held) << name;
        EXPECT_EQ(count(held), before + 1) << name;
        static_cast<IUnknown*>(out)->Release();
    }
    device_->SetVertexShader(nullptr);
    for (IUnknown* o : std::initializer_list<IUnknown*>{shader, decl, ib, vb, depth, target, bb, level, tex})
        o->Release();
}

}  // namespace
