// Surfaces on the null backend: creation in the four roles with their names and
// log lines, release, restore across a device reset, and the failure paths.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/CSurface.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSurface.h"
#include "tests/engine/graphics/object_test_env.h"

namespace {

const std::string kPng = testsupport::SourceDir() + "/../shared/testdata/pngsuite/png/basn2c08.png";

class Surfaces : public objtest::DeviceTest {
protected:
    void Start(d3d9test::Backend backend = d3d9test::Backend::Null) {
        StartDevice(backend);
        ASSERT_TRUE(KestraSurface::Initialize());
    }
    void FinishDevice() override {
        KestraSurface::Finalize();
        objtest::DeviceTest::FinishDevice();
    }
    static IDirect3DSurface9* Raw(CSurface* s) {
        IDirect3DSurface9* raw = nullptr;
        s->GetSurface(&raw);
        if (raw) raw->Release();  // the surface keeps its own
        return raw;
    }
    // The surface's bytes through a lock, row by row.
    static std::vector<uint8_t> Bytes(CSurface* s) {
        std::vector<uint8_t> out;
        IDirect3DSurface9* raw = nullptr;
        s->GetSurface(&raw);
        if (!raw) return out;
        D3DLOCKED_RECT lr{};
        if (SUCCEEDED(raw->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
            for (uint32_t y = 0; y < s->GetHeight(); ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch;
                out.insert(out.end(), row, row + s->GetWidth() * 4);
            }
            raw->UnlockRect();
        }
        raw->Release();
        return out;
    }
    static D3DSURFACE_DESC Desc(CSurface* s) {
        D3DSURFACE_DESC d{};
        if (IDirect3DSurface9* raw = Raw(s)) raw->GetDesc(&d);
        return d;
    }
    CSurfaceManager* Manager() { return KestraSurface::GetManager(); }
};

TEST_F(Surfaces, TheGamesDepthStencilIsD16LockableNamedAndLogged) {
    Start();
    CSurface* ds = KestraSurface::CreateDepthStencil(640, 480, 1);
    ASSERT_NE(ds, nullptr);
    EXPECT_STREQ(ds->GetName(), "DEPTH_STENCIL [640x480] D16_LOCKABLE");
    EXPECT_EQ(ds->GetFormat(), D3DFMT_D16_LOCKABLE);
    EXPECT_EQ(ds->GetWidth(), 640u);
    EXPECT_EQ(ds->GetHeight(), 480u);
    EXPECT_TRUE(ds->IsDepthStencil());
    EXPECT_FALSE(ds->IsRenderTarget());
    EXPECT_EQ(Desc(ds).Usage, DWORD(D3DUSAGE_DEPTHSTENCIL));
    EXPECT_EQ(Manager()->GetCount(), 1u);
    EXPECT_NE(Log().find("<B><FONT color=\"BLUE\">CSurface::CreateDepthStencil</FONT></B>"
                         " : SIZE [ 640 x 480 ] : FORMAT [ D16_LOCKABLE ] : "
                         "<B><FONT color=\"GREEN\">Success!</FONT></B><BR>"),
              std::string::npos)
        << Log();
    KestraSurface::Release(ds);
    EXPECT_EQ(Manager()->GetCount(), 0u);
    EXPECT_EQ(Count("<B><FONT color=\"RED\">CSurface Destruct [DEPTH_STENCIL [640x480] D16_LOCKABLE]</FONT></B>"), 1);
    KestraSurface::Release(nullptr);
}

TEST_F(Surfaces, DepthFormatFallsBackToD16AndWithoutOneTheCreateFails) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.depthStencilFormats = {D3DFMT_D16};
    d3d9test::SetAdapter(adapter);
    Start();
    CSurface* ds = KestraSurface::CreateDepthStencil(640, 480, 1);
    ASSERT_NE(ds, nullptr);
    EXPECT_STREQ(ds->GetName(), "DEPTH_STENCIL [640x480] D16");
    EXPECT_EQ(Desc(ds).Format, D3DFMT_D16);
    KestraSurface::Release(ds);

    // Kind 3 wants D24S8, D24X4S4, D24FS8 or D15S1: none of them here.
    EXPECT_EQ(KestraSurface::CreateDepthStencil(640, 480, 3), nullptr);
    EXPECT_EQ(Manager()->GetCount(), 0u);
    EXPECT_NE(Log().find(" : SIZE [ 640 x 480 ] : FORMAT [ UNKNOWN ] : <B><FONT color=\"RED\">サーフェイスの生成に失敗 [ "
                         "メソッドの呼び出しが無効である。"),
              std::string::npos)
        << Log();
    EXPECT_EQ(Count("CSurface Destruct []"), 1) << "the failed object is released unnamed";
}

TEST_F(Surfaces, OffscreenRenderTargetAndFileSurfacesCarryTheirRolesAndNames) {
    Start();
    CSurface* plain = KestraSurface::CreateOffscreen(64, 32, 12);
    CSurface* target = KestraSurface::CreateRenderTarget(128, 64, 9);
    CSurface* file = KestraSurface::CreateFromFile(kPng.c_str(), 12);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(plain->GetName(), "OFFSCREEN [64x32] A8R8G8B8");
    EXPECT_STREQ(target->GetName(), "RENDER_TARGET [128x64] A8R8G8B8");
    EXPECT_NE(std::string(file->GetName()).find("basn2c08.png"), std::string::npos);
    EXPECT_TRUE(target->IsRenderTarget());
    EXPECT_FALSE(plain->IsRenderTarget());
    EXPECT_EQ(Desc(target).Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(Desc(plain).Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ((std::vector<uint32_t>{plain->GetWidth(), plain->GetHeight(), target->GetWidth(), target->GetHeight(),
                                     file->GetWidth(), file->GetHeight(), file->GetImageWidth()}),
              (std::vector<uint32_t>{64, 32, 128, 64, 32, 32, 32}));
    EXPECT_EQ(Manager()->GetCount(), 3u);
    const std::string log = Log();
    EXPECT_NE(log.find("CSurface::Create</FONT></B>[ 64 x 32 ] : [ A8R8G8B8 ] : "), std::string::npos) << log;
    EXPECT_NE(log.find("CSurface::CreateRenderTarget</FONT></B>[ 128 x 64 ] : [ A8R8G8B8 ] : "), std::string::npos);
    EXPECT_NE(log.find("CSurface::CreateFromFile</FONT></B>[ 32 x 32 ] : [ A8R8G8B8 ] : "), std::string::npos);
    EXPECT_EQ(Count("Success!"), 3);

    // The file's picture: basn2c08 runs red across and green down in its first rows.
    const std::vector<uint8_t> bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 32u * 32u * 4u);
    EXPECT_EQ(bytes[3], 0xFF) << "opaque";
    EXPECT_NE(std::memcmp(bytes.data(), bytes.data() + 31 * 4, 4), 0) << "not a flat fill";

    EXPECT_TRUE(target->SetRenderTarget());
    EXPECT_FALSE(plain->SetRenderTarget()) << "a plain surface is no target";
    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(Device()->GetRenderTarget(0, &current), D3D_OK);
    EXPECT_EQ(current, Raw(target));
    current->Release();
    D3DVIEWPORT9 vp{};
    Device()->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 128u);

    KestraSurface::Release(plain);
    KestraSurface::Release(target);
    KestraSurface::Release(file);
    EXPECT_EQ(Count("CSurface Destruct [OFFSCREEN [64x32] A8R8G8B8]"), 1);
    EXPECT_EQ(Count("CSurface Destruct [RENDER_TARGET [128x64] A8R8G8B8]"), 1);
}

TEST_F(Surfaces, MissingAndBrokenFilesFailWithTheirLines) {
    Start();
    EXPECT_EQ(KestraSurface::CreateFromFile((dir_.path() + "/none.png").c_str(), 12), nullptr);
    EXPECT_EQ(Count("<B><FONT color=\"RED\">ファイルがみつかりません</FONT></B>"), 1) << Log();
    testsupport::WriteFile(dir_.file("broken.png"), "this is no image at all");
    EXPECT_EQ(KestraSurface::CreateFromFile(dir_.file("broken.png").c_str(), 12), nullptr);
    EXPECT_EQ(Count("ファイルの読み込みに失敗しました [ データが無効である。 ]"), 1) << Log();
    EXPECT_EQ(KestraSurface::CreateFromFile(nullptr, 12), nullptr);
    EXPECT_EQ(Manager()->GetCount(), 0u);
    EXPECT_EQ(Count("Success!"), 0);
}

TEST_F(Surfaces, InjectedCreateFailuresReturnNullAndLeaveNothingListed) {
    Start();
    const int live = d3d9test::LiveDefaultPoolResources(Device());
    platform::InjectFault("CreateRenderTarget");
    EXPECT_EQ(KestraSurface::CreateRenderTarget(16, 16, 9), nullptr);
    platform::InjectFault("CreateOffscreenPlainSurface", 1);  // the default-pool half of a file surface
    EXPECT_EQ(KestraSurface::CreateFromFile(kPng.c_str(), 12), nullptr);
    platform::ClearFaults();
    EXPECT_EQ(Manager()->GetCount(), 0u);
    EXPECT_EQ(Count("サーフェイスの生成に失敗 [ Direct3D が処理を行うのに十分なディスプレイ メモリがない。 ]"), 2) << Log();
    EXPECT_EQ(d3d9test::LiveDefaultPoolResources(Device()), live) << "nothing left behind on the device";
}

TEST_F(Surfaces, ResetRestoresEveryRoleAndTheFileKeepsItsPicture) {
    Start();
    CSurface* ds = KestraSurface::CreateDepthStencil(640, 480, 1);
    CSurface* target = KestraSurface::CreateRenderTarget(64, 64, 9);
    CSurface* plain = KestraSurface::CreateOffscreen(32, 32, 12);
    CSurface* file = KestraSurface::CreateFromFile(kPng.c_str(), 12);
    ASSERT_TRUE(ds && target && plain && file);
    ASSERT_TRUE(Kestra3D::SetDepthStencil(ds));
    const std::vector<uint8_t> picture = Bytes(file);
    ASSERT_FALSE(picture.empty());
    {
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(Raw(plain)->LockRect(&lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < 32; ++y) std::memset(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, 0x11, 32 * 4);
        Raw(plain)->UnlockRect();
    }
    const std::vector<uint8_t> plainBefore = Bytes(plain);
    // The old surfaces' addresses may be handed out again, so the new ones are
    // counted where the device makes them.
    const uint64_t depthMade = d3d9test::CallCount("CreateDepthStencilSurface");
    const uint64_t targetsMade = d3d9test::CallCount("CreateRenderTarget");
    const uint64_t plainMade = d3d9test::CallCount("CreateOffscreenPlainSurface");

    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::ResetDevice(false);
    const auto resets = d3d9test::ResetCalls();
    ASSERT_FALSE(resets.empty());
    EXPECT_EQ(resets.back().result, D3D_OK) << "a surface kept a default-pool object through the reset";
    EXPECT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);

    // Same sizes and formats, new Direct3D surfaces.
    ASSERT_NE(Raw(ds), nullptr);
    EXPECT_EQ(d3d9test::CallCount("CreateDepthStencilSurface"), depthMade + 1);
    EXPECT_EQ(d3d9test::CallCount("CreateRenderTarget"), targetsMade + 1);
    EXPECT_GE(d3d9test::CallCount("CreateOffscreenPlainSurface"), plainMade + 1);
    EXPECT_EQ(Desc(ds).Format, D3DFMT_D16_LOCKABLE);
    EXPECT_EQ(Desc(ds).Width, 640u);
    EXPECT_EQ(Desc(target).Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(Desc(target).Width, 64u);
    EXPECT_EQ(Desc(plain).Width, 32u);
    // The depth-stencil is bound again.
    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(Device()->GetDepthStencilSurface(&bound), D3D_OK);
    EXPECT_EQ(bound, Raw(ds));
    bound->Release();
    // The file comes back from its copy; the off-screen surface does not keep its bytes.
    EXPECT_EQ(Bytes(file), picture);
    EXPECT_NE(Bytes(plain), plainBefore);
    EXPECT_EQ(Count("サーフェイスのリストアに失敗"), 0);

    KestraSurface::Release(ds);
    KestraSurface::Release(target);
    KestraSurface::Release(plain);
    KestraSurface::Release(file);
}

TEST_F(Surfaces, AFailedRestoreLeavesTheSurfaceMissingAndItsOperationsHarmless) {
    Start();
    CSurface* ds = KestraSurface::CreateDepthStencil(640, 480, 1);
    CSurface* target = KestraSurface::CreateRenderTarget(64, 64, 9);
    ASSERT_TRUE(ds && target);
    ASSERT_TRUE(Kestra3D::SetDepthStencil(ds));
    platform::InjectFault("CreateDepthStencilSurface");
    platform::InjectFault("CreateRenderTarget");
    Kestra3D::ResetDevice(true);
    platform::ClearFaults();
    EXPECT_EQ(Count("<B><FONT color=\"RED\">サーフェイスのリストアに失敗 [ Direct3D が処理を行うのに十分なディスプレイ メモリがない。 ]</FONT></B><BR>"), 2)
        << Log();
    EXPECT_EQ(Raw(ds), nullptr);
    EXPECT_EQ(Raw(target), nullptr);
    IDirect3DSurface9* bound = nullptr;
    EXPECT_EQ(Device()->GetDepthStencilSurface(&bound), D3DERR_NOTFOUND);
    CSurface* other = KestraSurface::CreateDepthStencil(640, 480, 1);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(Device()->SetDepthStencilSurface(Raw(other)), D3D_OK);
    EXPECT_TRUE(ds->SetDepthStencil()) << "still true, binding nothing";
    ASSERT_EQ(Device()->GetDepthStencilSurface(&bound), D3D_OK);
    EXPECT_EQ(bound, Raw(other)) << "and unbinding nothing";
    bound->Release();
    EXPECT_FALSE(target->SetRenderTarget());
    EXPECT_FALSE(target->StretchCopy(nullptr, ds, nullptr));
    EXPECT_EQ(target->GetDC(), nullptr);
    target->ReleaseDC(nullptr);
    // A frame goes on (without a depth buffer to clear).
    EXPECT_TRUE(Kestra3D::Clear(1, 0xFF5A5A78, 1.0f, 0, nullptr));

    // The next reset brings both back, and the depth-stencil is bound again.
    Kestra3D::ResetDevice(true);
    EXPECT_NE(Raw(ds), nullptr);
    EXPECT_NE(Raw(target), nullptr);
    ASSERT_EQ(Device()->GetDepthStencilSurface(&bound), D3D_OK);
    EXPECT_EQ(bound, Raw(ds));
    bound->Release();
    KestraSurface::Release(other);
    KestraSurface::Release(ds);
    KestraSurface::Release(target);
}

TEST_F(Surfaces, StretchCopyFallsBackToPointFilteringAndClipsToTheViewport) {
    Start();
    CSurface* a = KestraSurface::CreateRenderTarget(64, 64, 9);
    CSurface* b = KestraSurface::CreateRenderTarget(64, 64, 9);
    ASSERT_TRUE(a && b);
    d3d9test::ClearCallCounts();
    EXPECT_TRUE(b->StretchCopy(nullptr, a, nullptr));
    EXPECT_EQ(d3d9test::CallCount("StretchRect"), 1u);
    platform::InjectFault("StretchRect:LINEAR");
    EXPECT_TRUE(b->StretchCopy(nullptr, a, nullptr));
    EXPECT_EQ(d3d9test::CallCount("StretchRect"), 3u) << "LINEAR refused, then NONE";
    platform::ClearFaults();
    platform::InjectFault("StretchRect");
    EXPECT_FALSE(b->StretchCopy(nullptr, a, nullptr));
    platform::ClearFaults();
    // Empty rectangles copy nothing.
    const RECT empty{10, 10, 10, 20};
    EXPECT_FALSE(b->StretchCopy(&empty, a, nullptr));
    EXPECT_FALSE(b->StretchCopy(nullptr, a, &empty));
    EXPECT_FALSE(b->StretchCopy(nullptr, nullptr, nullptr));
    // Wholly outside the 640x480 viewport.
    const RECT off{700, 0, 720, 20};
    EXPECT_FALSE(b->StretchCopy(&off, a, nullptr));
    KestraSurface::Release(a);
    KestraSurface::Release(b);
}

TEST_F(Surfaces, TheIdleModuleCreatesNothingAndSurvivorsOutliveTheManager) {
    EXPECT_EQ(KestraSurface::CreateDepthStencil(640, 480, 1), nullptr) << "not started";
    KestraSurface::Finalize();  // never started: silent
    EXPECT_EQ(Count("KestraSurfaceクラスの解放"), 0);
    Start();
    EXPECT_EQ(Count("KestraSurfaceクラスの初期化"), 1);
    CSurface* held = KestraSurface::CreateRenderTarget(32, 32, 9);
    CSurface* dropped = KestraSurface::CreateOffscreen(32, 32, 12);
    ASSERT_TRUE(held && dropped);
    held->AddRef();
    KestraSurface::Finalize();
    EXPECT_EQ(Count("KestraSurfaceクラスの解放"), 1);
    EXPECT_EQ(Count("CSurface Destruct [OFFSCREEN [32x32] A8R8G8B8]"), 1);
    EXPECT_EQ(Count("CSurface Destruct [RENDER_TARGET"), 0);
    EXPECT_EQ(held->GetManager(), nullptr);
    EXPECT_EQ(held->GetRefCount(), 1);
    KestraSurface::Release(held);
    EXPECT_EQ(Count("CSurface Destruct [RENDER_TARGET [32x32] A8R8G8B8]"), 1);
    EXPECT_EQ(KestraSurface::CreateOffscreen(8, 8, 12), nullptr);
}

// A new surface or texture is empty whatever its memory held before.
TEST_F(Surfaces, NewSurfacesAndTexturesStartEmptyOverDirtyMemory) {
    alignas(CTexture) unsigned char room[sizeof(CTexture) + sizeof(CSurface)];
    std::memset(room, 0xA5, sizeof room);
    auto* t = new (room) CTexture(nullptr);
    auto* s = new (room + sizeof(CTexture)) CSurface(nullptr);
    for (CSurfaceBase* b : {static_cast<CSurfaceBase*>(s), static_cast<CSurfaceBase*>(t)})
        EXPECT_EQ(std::vector<uint32_t>({b->GetWidth(), b->GetHeight(), b->GetImageWidth(), b->GetImageHeight(),
                                         uint32_t(b->GetFormat())}),
                  std::vector<uint32_t>(5, 0u));
    EXPECT_FALSE(s->GetFormatKind() || s->IsRenderTarget() || s->IsDepthStencil() || t->IsLocked());
    EXPECT_EQ(t->GetRestoreKind(), uint32_t(CTexture::kRestoreRenderTarget));
    EXPECT_EQ(t->GetPool(), D3DPOOL_DEFAULT);
    s->~CSurface();
    t->~CTexture();
}

}  // namespace
