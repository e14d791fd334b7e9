// Whole tables of inputs folded into hashes and checked against their records in
// d3d9_records.txt: what the stand-in answers, converts, lays out and hands GL.
// Nothing here depends on pixels a driver rasterised.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <tuple>

#include "d3d9_fixture.h"
#include "platform/d3d9/d3d9_internal.h"
#include "tests/support/records.h"

using namespace d3d9fixture;

namespace {

using Hash = records::Fnv;

std::string CheckRecord(const char* name, const Hash& hash) {
    return records::Check("tests/platform/d3d9/d3d9_records.txt", name, hash.h);
}

std::vector<D3DFORMAT> AllFormats() {
    std::vector<D3DFORMAT> formats;
    for (DWORD f = 0; f < 120; ++f) formats.push_back(D3DFORMAT(f));
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5, D3DFMT_UYVY, D3DFMT_YUY2})
        formats.push_back(f);
    return formats;
}

TEST(Records, FormatsConvertAndVerticesLayOutAsRecorded) {
    using namespace d3d9impl;
    Hash h;
    const uint32_t colours[] = {0, 0xFFFFFFFF, 0x80FF7F01, 0x7F00FF80, 0x12345678, 0xC0A05A3C, 0x01FE8040};
    for (D3DFORMAT f : AllFormats()) {
        const FormatInfo* info = FindFormat(f);
        h.Add(f, info != nullptr, CanConvert(f));
        if (!info) continue;
        h.Text(info->name);
        h.Add(info->bytesPerPixel, info->compressed, info->depth, info->stencil, info->hasAlpha);
        for (UINT n : {1u, 3u, 4u, 5u, 17u}) h.Add(RowBytes(f, n), RowCount(f, n));
        for (uint32_t c : colours) {
            uint8_t bytes[4] = {0xAB, 0xAB, 0xAB, 0xAB}, raw[4];
            WritePixel(f, bytes, c);
            std::memcpy(raw, &c, 4);
            h.Add(bytes, ReadPixel(f, bytes), ReadPixel(f, raw));
        }
    }
    for (BYTE t = 0; t < 20; ++t) h.Add(DeclTypeSize(t));
    VertexLayout layout;
    const auto fold = [&](bool ok) {
        h.Add(ok, layout.pretransformed, layout.fvfStride);
        for (const VertexAttrib& a : layout.attribs) h.Add(a.slot, a.declType, a.offset);
        for (const D3DVERTEXELEMENT9& e : layout.elements) h.Add(e.Offset, e.Type, e.Usage, e.UsageIndex);
    };
    for (DWORD position = 0; position <= 0x4000; position += 2) {
        if ((position & ~DWORD(0x400E)) != 0) continue;  // the position field alone
        for (DWORD extra : {0x0u, 0x1000u, 0x8000u, 0xF0u, 0x7F0u, 0x50F0u | (2u << 16) | (1u << 20)})
            for (DWORD tex : {0u, 1u, 3u, 8u, 9u}) fold(LayoutFromFvf(position | extra | (tex << 8), &layout));
    }
    std::vector<D3DVERTEXELEMENT9> decl;
    for (BYTE usage = 0; usage < 14; ++usage)
        for (BYTE index : {0, 1, 8}) decl.push_back({0, WORD(decl.size() * 4), D3DDECLTYPE_FLOAT1, 0, usage, index});
    decl.push_back({1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0});
    fold(LayoutFromDeclaration(decl, &layout));
    decl.push_back({0, 0, 17, 0, D3DDECLUSAGE_POSITION, 0});
    fold(LayoutFromDeclaration(decl, &layout));
    EXPECT_EQ(CheckRecord("formats-layouts", h), "");
}

using NullRecords = NullDeviceTest;

// Every state, every adapter answer, and the results of creating, filling and
// copying resources across formats, pools, usages and sizes at their bounds.
TEST_F(NullRecords, StatesAnswersAndCopiesAsRecorded) {
    Hash h;
    const auto foldStates = [&] {
        DWORD v = 0;
        for (DWORD s = 0; s < 256; ++s) h.Add(device_->GetRenderState(D3DRENDERSTATETYPE(s), &v), v);
        for (DWORD st = 0; st < 9; ++st)
            for (DWORD t = 0; t < 34; ++t) h.Add(device_->GetTextureStageState(st, D3DTEXTURESTAGESTATETYPE(t), &v), v);
        for (DWORD sm = 0; sm < 17; ++sm)
            for (DWORD t = 0; t < 15; ++t) h.Add(device_->GetSamplerState(sm, D3DSAMPLERSTATETYPE(t), &v), v);
        D3DMATRIX m{};
        for (DWORD t : {2u, 3u, 16u, 23u, 24u, 256u})
            h.Add(device_->GetTransform(D3DTRANSFORMSTATETYPE(t), &m), m);
        D3DVIEWPORT9 vp;
        RECT scissor;
        D3DMATERIAL9 material;
        DWORD fvf = 7;
        h.Add(device_->GetViewport(&vp), vp, device_->GetScissorRect(&scissor), scissor);
        h.Add(device_->GetMaterial(&material), material, device_->GetFVF(&fvf), fvf);
        D3DCAPS9 caps;
        h.Add(device_->GetDeviceCaps(&caps), caps, device_->GetAvailableTextureMem());
        // Each table's bounds: the last entry is taken, the one past it refused.
        for (DWORD s : {255u, 256u}) h.Add(device_->SetRenderState(D3DRENDERSTATETYPE(s), 0));
        for (DWORD i : {7u, 8u}) h.Add(device_->SetTextureStageState(i, D3DTEXTURESTAGESTATETYPE(4 * i), 0));
        for (DWORD i : {13u, 14u}) h.Add(device_->SetSamplerState(i + 2, D3DSAMPLERSTATETYPE(i), 0));
        IDirect3DBaseTexture9* bound = nullptr;
        for (DWORD i : {15u, 16u}) h.Add(device_->SetTexture(i, nullptr), device_->GetTexture(i, &bound), bound);
    };
    foldStates();
    D3DADAPTER_IDENTIFIER9 id;
    ASSERT_EQ(d3d_->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    h.Text(id.Driver);
    h.Text(id.Description);
    h.Text(id.DeviceName);
    h.Add(id.DriverVersion.QuadPart, id.VendorId, id.DeviceId, id.WHQLLevel);
    D3DDISPLAYMODE mode;
    h.Add(d3d_->GetAdapterDisplayMode(0, &mode), mode, d3d_->GetAdapterDisplayMode(1, &mode));
    const std::vector<D3DFORMAT> formats = AllFormats();
    for (D3DFORMAT f : formats) {
        h.Add(d3d_->GetAdapterModeCount(0, f), d3d_->GetAdapterModeCount(1, f));
        for (UINT i = 0; i <= d3d_->GetAdapterModeCount(0, f); ++i) h.Add(d3d_->EnumAdapterModes(0, f, i, &mode), mode);
        for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF, D3DDEVTYPE_SW})
            for (BOOL windowed : {FALSE, TRUE})
                h.Add(d3d_->CheckDeviceType(0, type, f, D3DFMT_X8R8G8B8, windowed),
                      d3d_->CheckDeviceType(0, type, D3DFMT_R5G6B5, f, windowed));
        for (DWORD usage : {DWORD(0), DWORD(D3DUSAGE_RENDERTARGET), DWORD(D3DUSAGE_DEPTHSTENCIL)})
            for (DWORD rtype = 1; rtype <= 8; ++rtype)
                for (D3DFORMAT display : {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8})
                    h.Add(d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, usage, D3DRESOURCETYPE(rtype), f));
        h.Add(d3d_->CheckDeviceFormat(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, f),
              d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, f, D3DFMT_D16),
              d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, f));
    }
    // Resources: what each creation answers, describes and locks.
    const auto foldSurface = [&](IDirect3DSurface9* s) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT lr{};
        h.Add(s->GetDesc(&desc), desc);
        // Writes through a padded pitch, to all of it and from (1, 1) on, land where the lock said.
        d3d9test::SetPitchPadding(3);
        for (LONG at : {0, 1}) {
            const RECT r{at, at, LONG(desc.Width), LONG(desc.Height)};
            const HRESULT locked = s->LockRect(&lr, &r, 0);
            h.Add(locked);
            for (UINT y = 0; locked == D3D_OK && y < d3d9impl::RowCount(desc.Format, UINT(r.bottom - at)); ++y)
                std::memset(static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch, int(0x31 * (y + at + 1)),
                            d3d9impl::RowBytes(desc.Format, UINT(r.right - at)));
            if (locked == D3D_OK) s->UnlockRect();
        }
        for (UINT padding : {0u, 3u}) {  // a padded pitch reads through a buffer of the lock's own
            d3d9test::SetPitchPadding(padding);
            const HRESULT locked = s->LockRect(&lr, nullptr, D3DLOCK_READONLY);
            h.Add(locked, lr.Pitch);
            if (locked == D3D_OK) h.Bytes(lr.pBits, size_t(lr.Pitch) * d3d9impl::RowCount(desc.Format, desc.Height));
            if (locked == D3D_OK) s->UnlockRect();
        }
        d3d9test::SetPitchPadding(0);
    };
    std::vector<IDirect3DSurface9*> surfaces;
    for (D3DFORMAT f : formats) {
        for (D3DPOOL pool : {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH, D3DPOOL(4)}) {
            for (DWORD usage : {DWORD(0), DWORD(D3DUSAGE_RENDERTARGET), DWORD(D3DUSAGE_DYNAMIC),
                                DWORD(D3DUSAGE_AUTOGENMIPMAP), DWORD(D3DUSAGE_DEPTHSTENCIL)}) {
                IDirect3DTexture9* tex = nullptr;
                h.Add(device_->CreateTexture(13, 6, 0, usage, f, pool, &tex, nullptr));
                if (!tex) continue;
                h.Add(tex->GetLevelCount(), device_->GetAvailableTextureMem(), device_->SetTexture(0, tex));
                for (UINT level = 0; level <= tex->GetLevelCount(); ++level) {
                    IDirect3DSurface9* s = nullptr;
                    h.Add(tex->GetSurfaceLevel(level, &s));
                    if (s) foldSurface(s), s->Release();
                }
                tex->Release();
            }
            IDirect3DSurface9* s = nullptr;
            h.Add(device_->CreateOffscreenPlainSurface(7, 5, f, pool, &s, nullptr));
            if (s) foldSurface(s), surfaces.push_back(s);
        }
        for (BOOL lockable : {FALSE, TRUE}) {
            IDirect3DSurface9* s = nullptr;
            h.Add(device_->CreateRenderTarget(9, 6, f, D3DMULTISAMPLE_NONE, 0, lockable, &s, nullptr));
            if (s) foldSurface(s), surfaces.push_back(s);
            h.Add(device_->CreateDepthStencilSurface(9, 6, f, D3DMULTISAMPLE_NONE, 0, lockable, &s, nullptr));
            if (s) foldSurface(s), h.Add(device_->SetDepthStencilSurface(s)), s->Release();
        }
    }
    for (UINT size : {1u, 4096u, 4097u}) {
        for (int tall = 0; tall < 2; ++tall) {
            IDirect3DTexture9* tex = nullptr;
            h.Add(device_->CreateTexture(tall ? 1 : size, tall ? size : 1, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex,
                                         nullptr));
            if (tex) h.Add(tex->GetLevelCount()), tex->Release();
        }
        IDirect3DSurface9* s = nullptr;
        h.Add(device_->CreateRenderTarget(size * 4, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, &s, nullptr));
        if (s) s->Release();
    }
    // Fills and copies between every pair of the surfaces made above.
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const RECT inner{1, 1, 5, 4};
        h.Add(device_->ColorFill(surfaces[i], nullptr, 0x80FF4020u + DWORD(i) * 0x01030507u));
        h.Add(device_->ColorFill(surfaces[i], &inner, 0x40206080u));
    }
    platform::InjectFault("StretchRect:LINEAR", 0, 1);
    for (IDirect3DSurface9* src : surfaces) {
        for (IDirect3DSurface9* dst : surfaces) {
            const RECT from{0, 1, 5, 4}, to{1, 0, 7, 5};
            const POINT at{2, 1};
            h.Add(device_->StretchRect(src, &from, dst, &to, D3DTEXF_LINEAR));
            h.Add(device_->StretchRect(src, nullptr, dst, &from, D3DTEXF_POINT));
            h.Add(device_->UpdateSurface(src, &from, dst, &at));
            h.Add(device_->GetRenderTargetData(src, dst));
        }
    }
    for (IDirect3DSurface9* s : surfaces) foldSurface(s), s->Release();
    // Buffers and declarations.
    for (D3DPOOL pool : {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH}) {
        for (DWORD usage : {DWORD(0), DWORD(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)}) {
            for (UINT length : {0u, 27u, 28u}) {
                IDirect3DVertexBuffer9* vb = nullptr;
                IDirect3DIndexBuffer9* ib = nullptr;
                h.Add(device_->CreateVertexBuffer(length, usage, kTlFvf, pool, &vb, nullptr));
                h.Add(device_->CreateIndexBuffer(length, usage, D3DFMT_A8R8G8B8, pool, &ib, nullptr));
                h.Add(device_->CreateIndexBuffer(length, usage, D3DFMT_INDEX16, pool, &ib, nullptr));
                void* p = nullptr;
                D3DVERTEXBUFFER_DESC vd;
                D3DINDEXBUFFER_DESC id;
                if (ib) h.Add(ib->GetDesc(&id), id), ib->Release();
                if (!vb) continue;
                h.Add(vb->GetDesc(&vd), vd);
                h.Add(vb->Lock(4, 0, &p, 0));
                h.Add(vb->Lock(0, 29, &p, 0));
                h.Add(vb->Unlock(), p == nullptr);
                vb->Release();
            }
        }
    }
    // Draws checked and recorded: every primitive type and count near its bounds.
    d3d9test::SetRecording(true);
    std::vector<TlVertex> v;
    for (int i = 0; i < 12; ++i) Quad(v, float(i), 2, 9, float(i * 3), 0.0625f * float(i), 0x10203040u * DWORD(i + 1));
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    void* p = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(24 * sizeof v[0], 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(32, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), 24 * sizeof v[0]);
    vb->Unlock();
    const uint16_t indices[16] = {3, 4, 5, 2, 9, 7, 1, 0, 6, 8, 22, 23, 21, 5, 4, 3};
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    const uint32_t wide[9] = {0, 5, 23, 2, 1, 3, 9, 8, 4};
    device_->SetFVF(kTlFvf);
    h.Add(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof v[0]));
    device_->BeginScene();
    h.Add(device_->BeginScene());
    for (DWORD type = 0; type <= 7; ++type) {
        for (UINT count : {0u, 1u, 2u, 7u, 8u, 22u, 23u}) {
            const auto t = D3DPRIMITIVETYPE(type);
            device_->SetStreamSource(0, vb, 32, 32);
            device_->SetIndices(ib);
            h.Add(device_->DrawPrimitiveUP(t, count, v.data(), sizeof v[0]));
            h.Add(device_->DrawPrimitive(t, count % 5, count));
            h.Add(device_->DrawIndexedPrimitive(t, INT(count) - 3, 0, 24, count % 4, count / 2 + 1));
            h.Add(device_->DrawIndexedPrimitiveUP(t, 0, 4, count % 3 + 1, wide, D3DFMT_INDEX32, v.data(), 32));
            h.Add(device_->DrawIndexedPrimitiveUP(t, 0, 4, count % 3 + 1, indices, D3DFMT_INDEX16, v.data(), 32));
            device_->SetStreamSource(0, vb, 0, 28 + count);
            h.Add(device_->DrawPrimitive(t, 1, count));
        }
    }
    h.Add(device_->EndScene());
    h.Add(device_->EndScene());
    for (const d3d9test::DrawCall& d : d3d9test::DrawCalls()) {
        h.Add(d.type, d.primitiveCount, d.startVertex, d.indexed, d.userPointer, d.fvf, d.declaration, d.stride);
        h.Bytes(d.vertices.data(), d.vertices.size());
    }
    d3d9test::SetRecording(false);
    vb->Release();
    ib->Release();
    // A life: references, loss and its polls, full screen out of focus, resets; then the calls counted.
    void* out = nullptr;
    for (IUnknown* object : {static_cast<IUnknown*>(d3d_), static_cast<IUnknown*>(device_)}) {
        h.Add(object->QueryInterface(IID_IUnknown, &out));
        h.Add(out == object, object->QueryInterface(IID_IUnknown, nullptr));
        for (int i = 0; i < 3; ++i) h.Add(i == 1 ? object->AddRef() : object->Release());
    }
    IDirect3DTexture9* tex = MakeTexture(4, 4, [](UINT x, UINT y) { return x * y; });
    IDirect3DSurface9* level = nullptr;
    tex->GetSurfaceLevel(0, &level);
    IDirect3DDevice9* owner = nullptr;
    IDirect3DVertexBuffer9* buffer = nullptr;
    device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_SYSTEMMEM, &buffer, nullptr);
    for (IDirect3DResource9* r : {static_cast<IDirect3DResource9*>(tex), static_cast<IDirect3DResource9*>(level),
                                  static_cast<IDirect3DResource9*>(buffer)}) {
        h.Add(r->GetDevice(&owner));
        h.Add(owner == device_, r->QueryInterface(IID_IUnknown, &out));
        static_cast<IUnknown*>(out)->Release();
        h.Add(owner->Release());
        h.Add(device_->AddRef());
        h.Add(device_->Release());
        h.Add(r->AddRef());
        h.Add(r->Release());
    }
    h.Add(buffer->Release());
    h.Add(level->Release());
    h.Add(tex->Release());
    d3d9test::LoseDevice(device_, 2);
    D3DPRESENT_PARAMETERS pp = params_;
    auto* impl = static_cast<d3d9impl::Device*>(device_);
    const auto poll = [&] {
        h.Add(device_->TestCooperativeLevel());
        h.Add(device_->Present(nullptr, nullptr, nullptr, nullptr));
        h.Add(device_->Reset(&pp));
        h.Add(d3d9test::GetDeviceState(device_), device_->GetDisplayMode(0, &mode), mode);
        h.Add(device_->TestCooperativeLevel(), device_->GetDirect3D(nullptr));
    };
    for (int i = 0; i < 3; ++i) poll();
    pp.Windowed = FALSE;
    impl->OnFocusChange(false);
    poll();
    for (bool gained : {false, true, false, true}) {
        impl->OnFocusChange(gained);
        poll();
    }
    for (UINT width : {16384u, 16385u})
        for (DWORD swap = 0; swap < 5; ++swap) {
            pp = params_;
            pp.BackBufferWidth = width;
            pp.BackBufferCount = swap;
            pp.SwapEffect = D3DSWAPEFFECT(swap);
            pp.MultiSampleType = D3DMULTISAMPLE_TYPE(swap == 4 ? 2 : 0);
            pp.EnableAutoDepthStencil = swap % 2;
            pp.AutoDepthStencilFormat = swap == 3 ? D3DFMT_A8R8G8B8 : D3DFMT_D16;
            h.Add(device_->Reset(&pp), pp.BackBufferWidth, pp.BackBufferHeight, pp.BackBufferFormat, pp.BackBufferCount);
        }
    for (const d3d9test::ResetCall& r : d3d9test::ResetCalls()) h.Add(r.result, r.params.BackBufferWidth, r.params.Windowed);
    for (const char* call : {"BeginScene", "CheckDepthStencilMatch", "CheckDeviceFormat", "CheckDeviceType", "Clear",
                             "ColorFill", "CreateDepthStencilSurface", "CreateDevice", "CreateIndexBuffer",
                             "CreateOffscreenPlainSurface", "CreateRenderTarget", "CreateTexture", "CreateVertexBuffer",
                             "Device.GetDeviceCaps", "EndScene", "EnumAdapterModes", "GetAdapterCount",
                             "GetAdapterDisplayMode", "GetAdapterIdentifier", "GetAdapterModeCount",
                             "GetAvailableTextureMem", "GetSurfaceLevel", "LockRect", "Present", "Reset", "SetFVF",
                             "SetIndices", "SetRenderState", "SetSamplerState", "SetStreamSource", "SetTexture",
                             "SetTextureStageState", "StretchRect", "TestCooperativeLevel", "UnlockRect", "UpdateSurface",
                             "GetRenderTargetData", "DrawPrimitive", "DrawPrimitiveUP", "DrawIndexedPrimitive",
                             "DrawIndexedPrimitiveUP", "VertexBuffer.Lock", "IndexBuffer.Unlock"})
        h.Add(d3d9test::CallCount(call));
    // States set, then a reset brings every default back.
    const D3DMATRIX scale{2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}, move{1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    device_->SetTransform(D3DTS_VIEW, &scale);
    device_->MultiplyTransform(D3DTS_VIEW, &move);
    D3DLIGHT9 light{};
    for (DWORD type = 0; type < 5; ++type) {
        light.Type = D3DLIGHTTYPE(type);
        BOOL on = 7;
        h.Add(device_->SetLight(type, &light));
        h.Add(device_->LightEnable(type + 1, type % 2));
        h.Add(device_->GetLight(type, &light), light, device_->GetLightEnable(type, &on), on);
    }
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->SetTextureStageState(3, D3DTSS_COLOROP, D3DTOP_ADD);
    device_->SetSamplerState(4, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    foldStates();
    pp = params_;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    h.Add(device_->Reset(&pp));
    foldStates();
    h.Add(d3d_->GetAdapterCount());
    h.Add(d3d9test::CallCount("GetAdapterCount"));
    EXPECT_EQ(CheckRecord("null-device", h), "");
}

auto Fields(const D3DSURFACE_DESC& d) {
    return std::tuple(d.Format, d.Type, d.Usage, d.Pool, d.MultiSampleType, d.MultiSampleQuality, d.Width, d.Height);
}

// Each resource describes itself as it was asked for: kind, format, usage, pool
// and size, level by level. Sizes are uneven and differ per direction, and each
// row has a format of its own, so a swapped or defaulted field shows.
TEST_F(NullRecords, ResourcesDescribeThemselvesAsCreated) {
    D3DPRESENT_PARAMETERS pp = params_;
    pp.BackBufferWidth = 312;
    pp.BackBufferHeight = 200;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    // Width, height, levels asked, usage, format, pool; the levels made.
    const struct { UINT w, h, levels; DWORD usage; D3DFORMAT format; D3DPOOL pool; UINT made; } kTextures[] = {
        {37, 10, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 6},  // the whole chain, down to 1 x 1
        {12, 45, 3, D3DUSAGE_DYNAMIC, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, 3},
        {20, 6, 2, D3DUSAGE_RENDERTARGET, D3DFMT_X1R5G5B5, D3DPOOL_DEFAULT, 2},
        {9, 7, 4, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, 1},
        {6, 11, 9, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, 4},  // more than fit: the whole chain
        {5, 3, 2, 0, D3DFMT_A8L8, D3DPOOL_SCRATCH, 2},
    };
    for (const auto& t : kTextures) {
        SCOPED_TRACE(testing::Message() << "texture of format " << t.format);
        IDirect3DTexture9* tex = nullptr;
        ASSERT_EQ(device_->CreateTexture(t.w, t.h, t.levels, t.usage, t.format, t.pool, &tex, nullptr), D3D_OK);
        EXPECT_EQ(tex->GetType(), D3DRTYPE_TEXTURE);
        EXPECT_EQ(tex->GetLevelCount(), t.made);
        D3DSURFACE_DESC desc{}, viaSurface{};
        for (UINT level = 0; level < t.made; ++level) {
            const D3DSURFACE_DESC want{t.format, D3DRTYPE_SURFACE, t.usage, t.pool, D3DMULTISAMPLE_NONE, 0,
                                       std::max(1u, t.w >> level), std::max(1u, t.h >> level)};
            IDirect3DSurface9* s = nullptr;
            ASSERT_EQ(tex->GetSurfaceLevel(level, &s), D3D_OK);
            EXPECT_EQ(s->GetType(), D3DRTYPE_SURFACE);
            ASSERT_EQ(s->GetDesc(&viaSurface), D3D_OK);
            ASSERT_EQ(tex->GetLevelDesc(level, &desc), D3D_OK);
            EXPECT_EQ(Fields(desc), Fields(want)) << "level " << level;
            EXPECT_EQ(Fields(viaSurface), Fields(want)) << "level " << level;
            s->Release();
        }
        EXPECT_EQ(tex->GetLevelDesc(t.made, &desc), D3DERR_INVALIDCALL);
        tex->Release();
    }
    const auto want = [](D3DFORMAT f, DWORD usage, D3DPOOL pool, UINT w, UINT h) {
        return D3DSURFACE_DESC{f, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, w, h};
    };
    constexpr auto kNoMs = D3DMULTISAMPLE_NONE;
    IDirect3DDevice9* d = device_;
    const std::pair<D3DSURFACE_DESC, std::function<HRESULT(IDirect3DSurface9**)>> kSurfaces[] = {
        {want(D3DFMT_A1R5G5B5, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, 19, 11),
         [=](auto s) { return d->CreateRenderTarget(19, 11, D3DFMT_A1R5G5B5, kNoMs, 0, TRUE, s, nullptr); }},
        {want(D3DFMT_D32, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, 23, 14),
         [=](auto s) { return d->CreateDepthStencilSurface(23, 14, D3DFMT_D32, kNoMs, 0, FALSE, s, nullptr); }},
        {want(D3DFMT_D16_LOCKABLE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, 17, 29),
         [=](auto s) { return d->CreateDepthStencilSurface(17, 29, D3DFMT_D16_LOCKABLE, kNoMs, 0, TRUE, s, nullptr); }},
        {want(D3DFMT_X4R4G4B4, 0, D3DPOOL_SYSTEMMEM, 15, 4),
         [=](auto s) { return d->CreateOffscreenPlainSurface(15, 4, D3DFMT_X4R4G4B4, D3DPOOL_SYSTEMMEM, s, nullptr); }},
        {want(D3DFMT_A8, 0, D3DPOOL_SCRATCH, 6, 17),
         [=](auto s) { return d->CreateOffscreenPlainSurface(6, 17, D3DFMT_A8, D3DPOOL_SCRATCH, s, nullptr); }},
        {want(D3DFMT_X8R8G8B8, 0, D3DPOOL_DEFAULT, 26, 21),
         [=](auto s) { return d->CreateOffscreenPlainSurface(26, 21, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, s, nullptr); }},
        {want(D3DFMT_R5G6B5, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, 312, 200),
         [=](auto s) { return d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, s); }},
        {want(D3DFMT_R5G6B5, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, 312, 200),
         [=](auto s) { return d->GetRenderTarget(0, s); }},
        {want(D3DFMT_D24S8, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, 312, 200),
         [=](auto s) { return d->GetDepthStencilSurface(s); }},
    };
    for (const auto& [expected, make] : kSurfaces) {
        IDirect3DSurface9* s = nullptr;
        D3DSURFACE_DESC desc{};
        ASSERT_EQ(make(&s), D3D_OK) << "surface of format " << expected.Format;
        EXPECT_EQ(s->GetType(), D3DRTYPE_SURFACE);
        EXPECT_EQ(s->GetDesc(&desc), D3D_OK);
        EXPECT_EQ(Fields(desc), Fields(expected));
        s->Release();
    }
    // Buffers: a vertex buffer with its vertex format and without, indices of both widths.
    constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;
    for (const auto& [size, usage, fvf, pool] : {std::tuple(100u, DWORD(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY), kFvf,
                                                            D3DPOOL_DEFAULT),
                                                 std::tuple(60u, DWORD(0), DWORD(0), D3DPOOL_SYSTEMMEM)}) {
        IDirect3DVertexBuffer9* vb = nullptr;
        D3DVERTEXBUFFER_DESC d{};
        ASSERT_EQ(device_->CreateVertexBuffer(size, usage, fvf, pool, &vb, nullptr), D3D_OK);
        EXPECT_EQ(vb->GetType(), D3DRTYPE_VERTEXBUFFER);
        EXPECT_EQ(vb->GetDesc(&d), D3D_OK);
        EXPECT_EQ(std::tuple(d.Format, d.Type, d.Usage, d.Pool, d.Size, d.FVF),
                  std::tuple(D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, size, fvf));
        vb->Release();
    }
    for (const auto& [size, usage, format, pool] :
         {std::tuple(42u, DWORD(D3DUSAGE_DYNAMIC), D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM),
          std::tuple(30u, DWORD(D3DUSAGE_WRITEONLY), D3DFMT_INDEX16, D3DPOOL_MANAGED)}) {
        IDirect3DIndexBuffer9* ib = nullptr;
        D3DINDEXBUFFER_DESC d{};
        ASSERT_EQ(device_->CreateIndexBuffer(size, usage, format, pool, &ib, nullptr), D3D_OK);
        EXPECT_EQ(ib->GetType(), D3DRTYPE_INDEXBUFFER);
        EXPECT_EQ(ib->GetDesc(&d), D3D_OK);
        EXPECT_EQ(std::tuple(d.Format, d.Type, d.Usage, d.Pool, d.Size),
                  std::tuple(format, D3DRTYPE_INDEXBUFFER, usage, pool, size));
        ib->Release();
    }
    // A declaration hands back every field of every element, and the end mark.
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 1},
                                          {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 3},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl), D3D_OK);
    D3DVERTEXELEMENT9 back[4];
    UINT count = 0;
    EXPECT_EQ(decl->GetDeclaration(nullptr, &count), D3D_OK);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(decl->GetDeclaration(back, &count), D3D_OK);
    EXPECT_EQ(std::memcmp(back, elements, sizeof elements), 0);
    decl->Release();
}

// What GL holds after a draw: the fixed state, the program's sources and uniforms,
// the stage textures' samplers and the vertex inputs.
void FoldGl(Hash& h) {
    for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_DITHER})
        h.Add(glIsEnabled(cap));
    GLint iv[4] = {};
    GLfloat fv[16] = {};
    GLboolean bv[4] = {};
    for (GLenum e : {GL_BLEND_SRC_RGB, GL_BLEND_DST_RGB, GL_BLEND_SRC_ALPHA, GL_BLEND_DST_ALPHA, GL_BLEND_EQUATION_RGB,
                     GL_BLEND_EQUATION_ALPHA, GL_DEPTH_FUNC, GL_CULL_FACE_MODE, GL_STENCIL_FUNC, GL_STENCIL_REF,
                     GL_STENCIL_VALUE_MASK, GL_STENCIL_FAIL, GL_STENCIL_PASS_DEPTH_FAIL, GL_STENCIL_PASS_DEPTH_PASS,
                     GL_STENCIL_WRITEMASK, GL_STENCIL_BACK_FUNC, GL_STENCIL_BACK_REF, GL_STENCIL_BACK_VALUE_MASK,
                     GL_STENCIL_BACK_FAIL, GL_STENCIL_BACK_PASS_DEPTH_FAIL, GL_STENCIL_BACK_PASS_DEPTH_PASS,
                     GL_POLYGON_MODE, GL_VIEWPORT, GL_SCISSOR_BOX, GL_STENCIL_CLEAR_VALUE}) {
        std::fill(iv, iv + 4, 0);
        glGetIntegerv(e, iv);
        h.Add(e, iv);
    }
    for (GLenum e : {GL_DEPTH_RANGE, GL_BLEND_COLOR, GL_COLOR_CLEAR_VALUE, GL_DEPTH_CLEAR_VALUE}) {
        glGetFloatv(e, fv);
        h.Add(e, fv);
    }
    glGetBooleanv(GL_COLOR_WRITEMASK, bv);
    h.Add(bv);
    glGetBooleanv(GL_DEPTH_WRITEMASK, bv);
    h.Add(bv[0]);
    GLint program = 0, shaders = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    GLuint attached[2] = {};
    glGetAttachedShaders(GLuint(program), 2, &shaders, attached);
    for (GLenum type : {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER}) {
        for (GLint i = 0; i < shaders; ++i) {
            GLint t = 0;
            glGetShaderiv(attached[i], GL_SHADER_TYPE, &t);
            if (GLenum(t) != type) continue;
            char source[16384];
            glGetShaderSource(attached[i], sizeof source, nullptr, source);
            h.Text(source);
        }
    }
    for (std::string name : {"uViewport", "uDepth", "uWVP", "uWorld", "uAmbient", "uMatDiffuse", "uMatAmbient",
                             "uMatEmissive", "uTFactor", "uAlphaRef"}) {
        const GLint at = glGetUniformLocation(GLuint(program), name.c_str());
        if (at >= 0) glGetUniformfv(GLuint(program), at, fv), h.Text(name), h.Add(fv);
    }
    for (std::string name : {"uLightDiffuse", "uLightAmbient", "uLightPos", "uLightDir", "uLightAtt", "uConst"}) {
        for (int i = 0; i < 8; ++i) {
            const std::string element = name + "[" + std::to_string(i) + "]";
            const GLint at = glGetUniformLocation(GLuint(program), element.c_str());
            if (at >= 0) glGetUniformfv(GLuint(program), at, fv), h.Text(element), h.Add(fv);
        }
    }
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    for (GLuint unit = 0; unit < 2; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        GLint texture = 0, sampler = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        h.Add(texture != 0, sampler != 0);
        if (texture) {
            for (GLenum e : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_INTERNAL_FORMAT})
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, e, iv), h.Add(iv[0]);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, iv);
            h.Add(iv[0]);
        }
        if (!sampler) continue;
        for (GLenum e : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R, GL_TEXTURE_MAG_FILTER,
                         GL_TEXTURE_MIN_FILTER})
            glGetSamplerParameteriv(GLuint(sampler), e, iv), h.Add(iv[0]);
        for (GLenum e : {GL_TEXTURE_BORDER_COLOR, GL_TEXTURE_LOD_BIAS, GL_TEXTURE_MIN_LOD})
            glGetSamplerParameterfv(GLuint(sampler), e, fv), h.Add(e, fv[0], fv[1], fv[2], fv[3]);
    }
    glActiveTexture(GLenum(active));  // as the stand-in left it
    for (GLuint slot = 0; slot < 15; ++slot) {
        GLint enabled = 0;
        glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        h.Add(enabled);
        if (!enabled) {
            glGetVertexAttribfv(slot, GL_CURRENT_VERTEX_ATTRIB, fv);
            h.Add(fv[0], fv[1], fv[2], fv[3]);
            continue;
        }
        for (GLenum e : {GL_VERTEX_ATTRIB_ARRAY_SIZE, GL_VERTEX_ATTRIB_ARRAY_TYPE, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED,
                         GL_VERTEX_ATTRIB_ARRAY_STRIDE, GL_VERTEX_ATTRIB_ARRAY_INTEGER})
            glGetVertexAttribiv(slot, e, iv), h.Add(iv[0]);
        void* offset = nullptr;
        glGetVertexAttribPointerv(slot, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        h.Add(reinterpret_cast<uintptr_t>(offset));
    }
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, iv);
    h.Add(iv[0] != 0);
    while (glGetError() != GL_NO_ERROR) {
    }
}

using GlRecords = GlDeviceTest;

// A table of render, stage and sampler states, each drawn once into an off-screen
// target (the window's buffers differ between machines), then put back.
TEST_F(GlRecords, StateTableReachesGlAsRecorded) {
    IDirect3DSurface9 *target = nullptr, *depth = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(64, 64, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(64, 64, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
              D3D_OK);
    device_->SetRenderTarget(0, target);
    device_->SetDepthStencilSurface(depth);
    const D3DVIEWPORT9 viewport{4, 6, 50, 40, 0.25f, 0.75f};
    const RECT scissor{5, 7, 40, 30};
    device_->SetViewport(&viewport);
    device_->SetScissorRect(&scissor);
    IDirect3DTexture9* plain = MakeTexture(8, 8, [](UINT x, UINT y) { return 0x80000000u | (x << 20) | (y << 4); });
    IDirect3DTexture9* mipped = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 8, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &mipped, nullptr), D3D_OK);
    device_->SetTexture(0, mipped);
    device_->SetTexture(1, plain);
    const D3DMATRIX world{0.5f, 0, 0, 0, 0, 0.75f, 0, 0, 0, 0, 1, 0, 0.25f, -0.5f, 2, 1};
    const D3DMATRIX view{1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 3, 1};
    const D3DMATRIX projection{1.5f, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1.25f, 1, 0, 0, -0.5f, 0};
    device_->SetTransform(D3DTS_WORLD, &world);
    device_->SetTransform(D3DTS_VIEW, &view);
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    const D3DMATERIAL9 material{{0.5f, 0.25f, 1, 0.75f}, {0.125f, 0.5f, 0.25f, 1}, {1, 1, 0, 1}, {0.0625f, 0, 0.5f, 0}, 4};
    device_->SetMaterial(&material);
    D3DLIGHT9 sun{}, lamp{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.75f, 0.5f, 0.25f, 1};
    sun.Ambient = {0.125f, 0.25f, 0.375f, 1};
    sun.Direction = {0.25f, -1, 0.5f};
    lamp.Type = D3DLIGHT_POINT;
    lamp.Diffuse = {0.25f, 1, 0.5f, 1};
    lamp.Position = {1, 2, -3};
    lamp.Range = 40;
    lamp.Attenuation0 = 0.5f;
    lamp.Attenuation1 = 0.25f;
    lamp.Attenuation2 = 0.125f;
    device_->SetLight(2, &lamp);
    device_->SetLight(5, &sun);
    device_->LightEnable(2, TRUE);
    device_->LightEnable(5, TRUE);
    device_->LightEnable(7, FALSE);
    device_->SetRenderState(D3DRS_AMBIENT, 0x20406080);
    device_->SetRenderState(D3DRS_TEXTUREFACTOR, 0x90A0B0C0);
    device_->SetTextureStageState(0, D3DTSS_CONSTANT, 0x11223344);
    device_->SetTextureStageState(1, D3DTSS_CONSTANT, 0xFFEEDDCC);

    // Vertices: pre-transformed, lit, coloured with two texture sets, and a declaration's.
    struct Lit {
        float x, y, z, nx, ny, nz;
        D3DCOLOR diffuse, specular;
        float u, v;
    };
    const Lit lit[3] = {{-1, -1, 0, 0, 0, -1, 0xFF8040C0, 0x80102030, 0, 0},
                        {-1, 1, 0.5f, 0.5f, 0, -1, 0xC0408020, 0x40302010, 0, 1},
                        {1, 1, 1, 0, 0.5f, -1, 0x80C08040, 0x20103020, 1, 1}};
    struct Coloured {
        float x, y, z;
        D3DCOLOR diffuse, specular;
        float u0, v0, u1, v1;
    };
    const Coloured coloured[4] = {{-1, -1, 0.5f, 0xFF00FF00, 0xFF202020, 0, 0, 1, 1},
                                  {-1, 1, 0.5f, 0xFF00FF00, 0xFF202020, 0, 1, 1, 0},
                                  {1, -1, 0.5f, 0xFFFF0000, 0xFF202020, 1, 0, 0, 1},
                                  {1, 1, 0.5f, 0xFFFF0000, 0xFF202020, 1, 1, 0, 0}};
    std::vector<TlVertex> quad, whiteQuad;
    Quad(quad, 8, 8, 40, 30, 0.5f, 0x80FF8040);
    Quad(whiteQuad, 8, 8, 40, 30, 0.25f, 0xFFFFFFFF);
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(UINT(sizeof(TlVertex) * 8), 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(24, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(static_cast<TlVertex*>(p) + 2, quad.data(), sizeof(TlVertex) * 6);
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    const uint32_t indices[6] = {1, 2, 3, 3, 2, 6};
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          {0, 20, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    const uint16_t shortIndices[4] = {0, 1, 2, 3};
    const auto draw = [&](int kind) {
        switch (kind) {
        case 0: return DrawTl(quad);
        case 1: return DrawTl(whiteQuad, D3DPT_TRIANGLESTRIP);
        case 2:
            device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
            return device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, lit, sizeof lit[0]);
        case 3:
            device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2);
            return device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLEFAN, 0, 4, 2, shortIndices, D3DFMT_INDEX16, coloured,
                                                   sizeof coloured[0]);
        case 4:
            device_->SetFVF(kTlFvf);
            device_->SetStreamSource(0, vb, sizeof(TlVertex), sizeof(TlVertex));
            device_->SetIndices(ib);
            return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 8, 0, 2);
        default:
            device_->SetVertexDeclaration(declaration);
            device_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
            return device_->DrawPrimitive(D3DPT_LINESTRIP, 3, 4);
        }
    };
    using Set = std::array<DWORD, 4>;  // {0 render, 1 stage, 2 sampler; stage; state; value}
#define RS(state, value) Set{0, 0, D3DRS_##state, DWORD(value)}
#define TS(stage, state, value) Set{1, stage, D3DTSS_##state, DWORD(value)}
#define SS(stage, state, value) Set{2, stage, D3DSAMP_##state, DWORD(value)}
    struct Row {
        int draw;
        std::vector<Set> sets;
    };
    std::vector<Row> rows = {
        {0, {}},
        {1, {}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_SRCALPHA), RS(DESTBLEND, D3DBLEND_INVSRCALPHA)}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_BOTHINVSRCALPHA), RS(BLENDOP, D3DBLENDOP_REVSUBTRACT),
             RS(BLENDFACTOR, 0x80402010)}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SEPARATEALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_DESTCOLOR),
             RS(DESTBLEND, D3DBLEND_INVDESTCOLOR), RS(SRCBLENDALPHA, D3DBLEND_BLENDFACTOR),
             RS(DESTBLENDALPHA, D3DBLEND_INVBLENDFACTOR), RS(BLENDOP, D3DBLENDOP_MIN), RS(BLENDOPALPHA, D3DBLENDOP_MAX)}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SEPARATEALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_SRCCOLOR),
             RS(DESTBLEND, D3DBLEND_INVSRCCOLOR), RS(SRCBLENDALPHA, D3DBLEND_BOTHSRCALPHA), RS(BLENDOP, D3DBLENDOP_SUBTRACT)}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_DESTALPHA), RS(DESTBLEND, D3DBLEND_INVDESTALPHA),
             RS(DITHERENABLE, 1)}},
        {0, {RS(ALPHABLENDENABLE, 1), RS(SRCBLEND, D3DBLEND_SRCALPHASAT), RS(DESTBLEND, D3DBLEND_ZERO),
             RS(SCISSORTESTENABLE, 1)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_GREATER), RS(ZWRITEENABLE, 0), RS(CULLMODE, D3DCULL_CW)}},
        {1, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_EQUAL), RS(STENCILENABLE, 1), RS(STENCILFUNC, D3DCMP_NOTEQUAL),
             RS(STENCILREF, 0x1A5), RS(STENCILMASK, 0xF0), RS(STENCILWRITEMASK, 0x13C), RS(CULLMODE, D3DCULL_NONE),
             RS(STENCILFAIL, D3DSTENCILOP_INCRSAT), RS(STENCILZFAIL, D3DSTENCILOP_DECR), RS(STENCILPASS, D3DSTENCILOP_INVERT)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_LESS), RS(STENCILENABLE, 1), RS(TWOSIDEDSTENCILMODE, 1),
             RS(STENCILFUNC, D3DCMP_GREATEREQUAL), RS(STENCILPASS, D3DSTENCILOP_REPLACE), RS(COLORWRITEENABLE, 0xD),
             RS(CCW_STENCILFUNC, D3DCMP_LESSEQUAL), RS(CCW_STENCILFAIL, D3DSTENCILOP_ZERO),
             RS(CCW_STENCILZFAIL, D3DSTENCILOP_INCR), RS(CCW_STENCILPASS, D3DSTENCILOP_DECRSAT)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_NEVER), RS(STENCILENABLE, 1), RS(STENCILFUNC, D3DCMP_EQUAL),
             RS(FILLMODE, D3DFILL_WIREFRAME)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_NOTEQUAL), RS(STENCILENABLE, 1), RS(STENCILFUNC, D3DCMP_NEVER),
             RS(FILLMODE, D3DFILL_POINT)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_GREATEREQUAL), RS(STENCILENABLE, 1), RS(STENCILFUNC, D3DCMP_LESS),
             RS(STENCILPASS, D3DSTENCILOP_DECRSAT)}},
        {0, {RS(ZENABLE, 1), RS(ZFUNC, D3DCMP_ALWAYS), RS(STENCILENABLE, 1), RS(STENCILFUNC, D3DCMP_GREATER),
             RS(STENCILPASS, D3DSTENCILOP_INCR)}},
        {0, {RS(ALPHATESTENABLE, 1), RS(ALPHAFUNC, D3DCMP_GREATER), RS(ALPHAREF, 0x80)}},
        {0, {RS(ALPHATESTENABLE, 1), RS(ALPHAFUNC, D3DCMP_NEVER)}},
        {0, {RS(ALPHATESTENABLE, 1), RS(ALPHAFUNC, D3DCMP_GREATEREQUAL), RS(ALPHAREF, 1), RS(ALPHABLENDENABLE, 1),
             RS(SRCBLEND, D3DBLEND_SRCALPHA), RS(DESTBLEND, D3DBLEND_ONE)}},
        {0, {RS(ALPHATESTENABLE, 1), RS(ALPHAFUNC, D3DCMP_NOTEQUAL), RS(ALPHABLENDENABLE, 1), RS(ZENABLE, 1),
             RS(SRCBLEND, D3DBLEND_SRCALPHA), RS(DESTBLEND, D3DBLEND_ONE), RS(BLENDOP, D3DBLENDOP_REVSUBTRACT)}},
        {3, {RS(LIGHTING, 0), RS(SHADEMODE, D3DSHADE_FLAT), RS(SPECULARENABLE, 1), TS(0, TEXCOORDINDEX, 1),
             RS(ALPHATESTENABLE, 1), RS(ALPHAFUNC, D3DCMP_LESS)}},
        {2, {}},
        {2, {RS(COLORVERTEX, 0), RS(FOGENABLE, 1)}},
        {2, {RS(DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL), RS(AMBIENTMATERIALSOURCE, D3DMCS_COLOR1),
             RS(EMISSIVEMATERIALSOURCE, D3DMCS_COLOR2), RS(SPECULARMATERIALSOURCE, D3DMCS_COLOR1)}},
        {4, {TS(0, COLOROP, D3DTOP_SELECTARG2), TS(0, ALPHAOP, D3DTOP_SELECTARG2)}},
        {5, {TS(0, TEXCOORDINDEX, 1), RS(LIGHTING, 0)}},
        {0, {SS(0, ADDRESSU, D3DTADDRESS_MIRROR), SS(0, ADDRESSV, D3DTADDRESS_CLAMP), SS(0, ADDRESSW, D3DTADDRESS_BORDER),
             SS(0, BORDERCOLOR, 0x80FF4020), SS(0, MAGFILTER, D3DTEXF_LINEAR), SS(0, MIPFILTER, D3DTEXF_POINT)}},
        {0, {SS(0, MINFILTER, D3DTEXF_LINEAR), SS(0, MIPFILTER, D3DTEXF_POINT), SS(0, MIPMAPLODBIAS, 0x3F000000),
             SS(0, MAXMIPLEVEL, 2)}},
        {0, {SS(0, MIPFILTER, D3DTEXF_LINEAR), SS(0, ADDRESSU, D3DTADDRESS_BORDER), SS(0, ADDRESSV, D3DTADDRESS_WRAP)}},
        {0, {SS(0, MINFILTER, D3DTEXF_LINEAR), SS(0, MIPFILTER, D3DTEXF_LINEAR), SS(0, MAGFILTER, D3DTEXF_ANISOTROPIC),
             SS(1, MINFILTER, D3DTEXF_LINEAR), SS(1, MIPFILTER, D3DTEXF_LINEAR), TS(1, COLOROP, D3DTOP_MODULATE)}},
    };
    // Every stage operation, with every argument and its modifiers somewhere.
    const DWORD args[] = {D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTA_SPECULAR, D3DTA_TEMP,
                          D3DTA_CONSTANT, 7};
    for (DWORD op = D3DTOP_DISABLE; op <= D3DTOP_LERP + 1; ++op) {
        const DWORD a = args[op % 8], b = args[(op * 3 + 1) % 8] | (op % 3 == 0 ? D3DTA_COMPLEMENT : 0);
        const DWORD c = args[(op * 5 + 2) % 8] | (op % 4 == 1 ? D3DTA_ALPHAREPLICATE : 0);
        rows.push_back({op % 3 == 2 ? 3 : 0,
                        {TS(0, COLOROP, op), TS(0, COLORARG1, b), TS(0, COLORARG2, c), TS(0, COLORARG0, a),
                         TS(0, ALPHAOP, D3DTOP_LERP + 2 - op), TS(0, ALPHAARG1, c), TS(0, ALPHAARG2, a),
                         TS(0, ALPHAARG0, b), TS(0, RESULTARG, op % 5 == 0 ? D3DTA_TEMP : D3DTA_CURRENT),
                         TS(1, COLOROP, op % 2 ? DWORD(D3DTOP_DISABLE) : op), TS(1, COLORARG1, a), TS(1, COLORARG2, b),
                         TS(1, ALPHAOP, op), TS(1, ALPHAARG1, op % 4 ? D3DTA_TEXTURE : c), TS(1, TEXCOORDINDEX, op % 2)}});
    }
#undef RS
#undef TS
#undef SS
    d3d9test::ClearGLCounters();
    Hash h;
    DWORD before = 0;
    for (const Row& row : rows) {
        std::vector<Set> undo;
        for (const Set& s : row.sets) {
            const DWORD kind = s[0], stage = s[1], state = s[2];
            if (kind == 0) device_->GetRenderState(D3DRENDERSTATETYPE(state), &before);
            if (kind == 1) device_->GetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(state), &before);
            if (kind == 2) device_->GetSamplerState(stage, D3DSAMPLERSTATETYPE(state), &before);
            undo.insert(undo.begin(), Set{kind, stage, state, before});
        }
        const auto apply = [&](const std::vector<Set>& sets) {
            for (const auto& [kind, stage, state, value] : sets) {
                if (kind == 0) device_->SetRenderState(D3DRENDERSTATETYPE(state), value);
                if (kind == 1) device_->SetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(state), value);
                if (kind == 2) device_->SetSamplerState(stage, D3DSAMPLERSTATETYPE(state), value);
            }
        };
        apply(row.sets);
        device_->BeginScene();
        h.Add(draw(row.draw));
        device_->EndScene();
        FoldGl(h);
        apply(undo);
    }
    const D3DRECT rects[2] = {{2, 3, 30, 20}, {-5, 40, 70, 60}};
    h.Add(device_->Clear(2, rects, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x80402010, 0.375f, 0x1F3));
    FoldGl(h);
    h.Add(d3d9test::ProgramCacheSize(device_), d3d9test::GLStateChanges(), d3d9test::GLStateChangesFiltered());
    EXPECT_EQ(CheckRecord("gl-state-table", h), "");
    device_->SetTexture(0, nullptr);
    device_->SetTexture(1, nullptr);
    device_->SetStreamSource(0, nullptr, 0, 0);
    device_->SetIndices(nullptr);
    device_->SetVertexDeclaration(nullptr);
    for (IUnknown* object : std::initializer_list<IUnknown*>{plain, mipped, vb, ib, declaration, target, depth})
        object->Release();
}

}  // namespace
