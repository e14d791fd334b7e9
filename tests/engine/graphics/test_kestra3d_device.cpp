// The device on the null backend: loading failures, the adapter survey, the
// creation rows, presenting through a lost device and the reset.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3DInternal.h"
#include "engine/graphics/KestraManagers.h"
#include "tests/engine/graphics/kestra3d_fixture.h"
#include "tests/support/records.h"

namespace {

using k3dtest::Kestra3DTest;
using k3dtest::Sjis;

// ---- Loading
struct LoadFault {
    const char* fault;
    const char8_t* what;
};

class Kestra3DLoading : public Kestra3DTest, public ::testing::WithParamInterface<LoadFault> {};

TEST_P(Kestra3DLoading, FailureLogsTwoRedLinesAndShowsItsBoxThenTheAdapterBox) {
    platform::InjectFault(GetParam().fault);
    EXPECT_FALSE(Kestra3D::Initialize());
    const std::string what = Sjis(GetParam().what);
    const std::string red = "<B><FONT color=\"RED\">";
    const std::string log = Log();
    EXPECT_NE(log.find(red + Sjis(u8"　　　エラー : ") + what + "</FONT></B><BR>"), std::string::npos);
    EXPECT_NE(log.find(red + Sjis(u8"　　　DirectX9cが正しくインストールされているか確認して下さい") + "</FONT></B><BR>"),
              std::string::npos);
    // The survey never ran.
    EXPECT_EQ(log.find(Sjis(u8"アダプター情報")), std::string::npos);
    const auto boxes = platform::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Kestra3D");
    EXPECT_EQ(boxes[0].text, what + Sjis(u8"\nDirectX9cが正しくインストールされているか\n確認して下さい"));
    EXPECT_EQ(boxes[0].flags, unsigned(MB_ICONERROR));
    EXPECT_EQ(boxes[1].caption, "Kestra3D");
    EXPECT_EQ(boxes[1].text, Sjis(u8"アダプターの初期化に失敗"));
    // Nothing to start, and the finish releases only what was made.
    EXPECT_FALSE(Kestra3D::Start(k3dtest::FakeWindow(), true));
    EXPECT_EQ(Kestra3D::GetDevice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(ThreeSteps, Kestra3DLoading,
                         ::testing::Values(LoadFault{"LoadLibraryA:d3d9.dll", u8"DLLの読み込みに失敗"},
                                           LoadFault{"GetProcAddress:Direct3DCreate9", u8"DLLからの関数呼び出しに失敗"},
                                           LoadFault{"Direct3DCreate9", u8"Direct3Dオブジェクトの生成に失敗"}));

// The release lines and their order are in the scene records' whole logs.
TEST_F(Kestra3DTest, ASecondFinalizeHasNothingLeftToRelease) {
    ASSERT_TRUE(Boot());
    Kestra3D::Finalize();
    EXPECT_EQ(Kestra3D::GetDevice(), nullptr);
    Kestra3D::Finalize();
    EXPECT_EQ(LogCount(Sjis(u8"DLLを解放")), 1u);
}

// ---- Survey
d3d9test::AdapterConfig SurveyAdapter() {
    d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
    a.modes = {
        {640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 85, D3DFMT_X8R8G8B8}, {640, 480, 75, D3DFMT_X8R8G8B8},
        {800, 600, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_R5G6B5},   {640, 480, 70, D3DFMT_X1R5G5B5},
    };
    a.textureFormats = {D3DFMT_DXT1, D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8};
    a.renderTargetFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8};
    a.depthStencilFormats = {D3DFMT_D16, D3DFMT_D24S8};
    a.identifier.DriverVersion.u.HighPart = (6 << 16) | 14;
    a.identifier.DriverVersion.u.LowPart = (10 << 16) | 8681;
    a.identifier.WHQLLevel = (2006u << 16) | (7u << 8) | 21u;
    return a;
}

TEST_F(Kestra3DTest, SurveyKeepsOneModePerSizeAndFormatAndFindsTheFullScreenRecords) {
    d3d9test::SetAdapter(SurveyAdapter());
    ASSERT_TRUE(Kestra3D::Initialize());
    const std::string log = Log();
    EXPECT_TRUE(LogHas(u8"　　　Product [ 6 ]"));
    EXPECT_TRUE(LogHas(u8"　　　Version [ 14.10.8681 ]"));
    EXPECT_TRUE(LogHas(u8"　　　2006.7.21"));
    EXPECT_TRUE(LogHas(u8"　　　Format [ X8R8G8B8 ]"));
    // Three 640x480 entries of X8R8G8B8 make one record, logged with the first rate seen.
    EXPECT_EQ(LogCount(Sjis(u8"　　　[ 640 x 480 ] [ 60Hz ]")), 2u);  // X8R8G8B8 and R5G6B5
    EXPECT_EQ(LogCount(Sjis(u8"　　　[ 640 x 480 ] [ 70Hz ]")), 1u);  // X1R5G5B5
    EXPECT_EQ(LogCount(Sjis(u8"[ 85Hz ]")), 0u);
    // Sections in the survey's order: X8R8G8B8, X1R5G5B5, R5G6B5.
    const size_t x8 = log.find(Sjis(u8"　BackBuffer Format [ X8R8G8B8 ]"));
    const size_t x1 = log.find(Sjis(u8"　BackBuffer Format [ X1R5G5B5 ]"));
    const size_t r5 = log.find(Sjis(u8"　BackBuffer Format [ R5G6B5 ]"));
    ASSERT_NE(x8, std::string::npos);
    EXPECT_LT(x8, x1);
    EXPECT_LT(x1, r5);
    // R5G6B5 comes last in the table, so it is the 16-bit record.
    EXPECT_TRUE(LogHas(u8"　　　16BitColor [ R5G6B5 ]"));
    EXPECT_TRUE(LogHas(u8"　　　32BitColor [ X8R8G8B8 ]"));
    // The highest rate is kept in the table.
    bool found = false;
    for (const D3DDISPLAYMODE& m : Kestra3D::detail::M().modes)
        if (m.Width == 640 && m.Format == D3DFMT_X8R8G8B8) {
            EXPECT_EQ(m.RefreshRate, 85u);
            found = true;
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(Kestra3D::detail::M().modes.size(), 4u);
    // Format lists in probe order, whatever order the adapter lists them in.
    EXPECT_EQ(Kestra3D::detail::M().textureFormats,
              (std::vector<D3DFORMAT>{D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8, D3DFMT_DXT1}));
    EXPECT_EQ(Kestra3D::detail::M().depthFormats, (std::vector<D3DFORMAT>{D3DFMT_D16, D3DFMT_D24S8}));
    const size_t textures = log.find(Sjis(u8"使用可能なテクスチャフォーマットを列挙"));
    ASSERT_NE(textures, std::string::npos);
    EXPECT_LT(log.find("[ A4R4G4B4 ]", textures), log.find("[ DXT1 ]", textures));
}

TEST_F(Kestra3DTest, CapabilityLogPrintsEveryRowWithItsMark) {
    d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
    a.caps.DevCaps |= D3DDEVCAPS_PUREDEVICE;
    a.caps.ZCmpCaps = D3DPCMPCAPS_LESSEQUAL;
    a.caps.StencilCaps = D3DSTENCILCAPS_TWOSIDED;
    a.caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    a.caps.MaxTextureWidth = 2048;
    // Every number its own value, so that no row can print its neighbour's.
    a.caps.DestBlendCaps = D3DPBLENDCAPS_ONE;
    a.caps.MaxTextureHeight = 1024;
    a.caps.MaxTextureRepeat = 8192;
    a.caps.MaxTextureAspectRatio = 4096;
    a.caps.MaxAnisotropy = 16;
    a.caps.GuardBandTop = -4096.0f;
    a.caps.GuardBandRight = 4095.0f;
    a.caps.GuardBandBottom = 2047.0f;
    a.caps.MaxPrimitiveCount = 1048575;
    a.caps.MaxVertexIndex = 16777215;
    a.caps.MaxTextureBlendStages = 7;
    a.caps.MaxSimultaneousTextures = 6;
    a.caps.MaxActiveLights = 9;
    a.caps.MaxVertexBlendMatrices = 3;
    a.caps.MaxVertexBlendMatrixIndex = 37;
    a.caps.MaxVertexShaderConst = 257;
    a.caps.VS20Caps.DynamicFlowControlDepth = 23;
    a.caps.VS20Caps.StaticFlowControlDepth = 21;
    d3d9test::SetAdapter(a);
    ASSERT_TRUE(Kestra3D::Initialize());
    records::Fnv d;  // every indented row of the capability log, each number its own
    std::istringstream in(Log());
    for (std::string line; std::getline(in, line);)
        if (line.find(Sjis(u8"　　　")) != std::string::npos) d.Text(line);
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "capability-log", d.h), "");
    EXPECT_EQ(LogCount(Sjis(u8"　　　[ ")), LogCount(Sjis(u8"　　　[ ○ ] ")) + LogCount(Sjis(u8"　　　[ × ] ")) +
                                                 LogCount(Sjis(u8"　　　[ 640 x ")) + LogCount(Sjis(u8"　　　[ 800 x ")) +
                                                 LogCount(Sjis(u8"　　　[ 1024 x ")) + LogCount(Sjis(u8"　　　[ 1280 x ")) +
                                                 Kestra3D::detail::M().textureFormats.size() +
                                                 Kestra3D::detail::M().renderTargetFormats.size() +
                                                 Kestra3D::detail::M().depthFormats.size());
    Kestra3D::DeviceCaps caps;
    Kestra3D::GetDeviceCaps(&caps);
    EXPECT_EQ(caps.pureDevice, 1);
    EXPECT_EQ(caps.maxTextureWidth, 2048u);
}

// ---- Creation
TEST_F(Kestra3DTest, StartCreatesOnTheMixedRowWithBothPresentRecords) {
    ASSERT_TRUE(Boot());
    EXPECT_TRUE(LogHas(u8"　　　Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_MIXED_VERTEXPROCESSING ] で生成"));
    EXPECT_TRUE(LogHas(u8"　推定残テクスチャメモリ容量 <256MB>"));
    EXPECT_TRUE(LogHas(u8"　現在のデバイス情報を取得"));
    const auto calls = d3d9test::CreateDeviceCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].type, D3DDEVTYPE_HAL);
    EXPECT_EQ(calls[0].flags, DWORD(D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED));
    const D3DPRESENT_PARAMETERS& pp = calls[0].params;
    EXPECT_EQ(pp.BackBufferWidth, 640u);
    EXPECT_EQ(pp.BackBufferHeight, 480u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.hDeviceWindow, k3dtest::FakeWindow());
    EXPECT_TRUE(pp.Windowed);
    EXPECT_FALSE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16_LOCKABLE);  // first of the depth list
    EXPECT_EQ(pp.Flags, DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
    EXPECT_EQ(pp.PresentationInterval, UINT(D3DPRESENT_INTERVAL_DEFAULT));
    // The full-screen record is the 16-bit mode.
    EXPECT_EQ(Kestra3D::detail::M().present[1].BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_FALSE(Kestra3D::detail::M().present[1].Windowed);
}

struct RowCase {
    DWORD devCaps;
    const char* failing;  // a row fault, or null
    size_t attempts;
    D3DDEVTYPE firstType;
    DWORD firstFlags;
    bool created;
    const char8_t* line;
};

class Kestra3DCreationRows : public Kestra3DTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(Kestra3DCreationRows, StartTriesItsRowsInOrder) {
    const RowCase& c = GetParam();
    d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
    a.caps.DevCaps = (a.caps.DevCaps & ~DWORD(D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_HWTRANSFORMANDLIGHT)) | c.devCaps;
    d3d9test::SetAdapter(a);
    if (c.failing) platform::InjectFault(c.failing);
    EXPECT_EQ(Boot(), c.created);
    const auto calls = d3d9test::CreateDeviceCalls();
    ASSERT_EQ(calls.size(), c.attempts);
    EXPECT_EQ(calls[0].type, c.firstType);
    EXPECT_EQ(calls[0].flags, c.firstFlags | D3DCREATE_MULTITHREADED);
    for (const auto& call : calls) EXPECT_TRUE(call.flags & D3DCREATE_MULTITHREADED);
    EXPECT_TRUE(LogHas(c.line));
    EXPECT_EQ(Kestra3D::GetDevice() != nullptr, c.created);
}

constexpr DWORD kRaster = D3DDEVCAPS_HWRASTERIZATION;
constexpr DWORD kTnL = D3DDEVCAPS_HWTRANSFORMANDLIGHT;

INSTANTIATE_TEST_SUITE_P(
    Rows, Kestra3DCreationRows,
    ::testing::Values(
        // No hardware rasterisation: the reference row alone.
        RowCase{kTnL, nullptr, 1, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, true,
                u8"Direct3Dデバイスを [ D3DDEVTYPE_REF ] [ D3DCREATE_SOFTWARE_VERTEXPROCESSING ] で生成"},
        // Rasterisation without transform and lighting starts at the software row.
        RowCase{kRaster, nullptr, 1, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, true,
                u8"Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_SOFTWARE_VERTEXPROCESSING ] で生成"},
        // The mixed row fails: the next one is named.
        RowCase{kRaster | kTnL, "CreateDevice:HAL:MIXED", 2, D3DDEVTYPE_HAL, D3DCREATE_MIXED_VERTEXPROCESSING, true,
                u8"Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_SOFTWARE_VERTEXPROCESSING ] で生成"},
        // Every row fails: three attempts and the error text of the last.
        RowCase{kRaster | kTnL, "CreateDevice", 3, D3DDEVTYPE_HAL, D3DCREATE_MIXED_VERTEXPROCESSING, false,
                u8"　　　エラー：デバイスの作成に失敗 [ このデバイスは、照会されたテクニックをサポートしていない。 ]"},
        RowCase{kRaster, "CreateDevice", 2, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, false,
                u8"　　　　　　：DirectX側のエラーで無い場合は他のソフトがビデオカードを占有してる可能性があります。"},
        RowCase{0, "CreateDevice", 1, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, false,
                u8"エラー：デバイスの作成に失敗"}));

// ---- Present and loss
TEST_F(Kestra3DTest, LostDeviceSleepsTenMillisecondsPerFrameThenResetsOnce) {
    ASSERT_TRUE(Boot());
    Kestra3D::SetDepthTestEnable(true);
    d3d9test::ClearCallCounts();
    d3d9test::LoseDevice(Device(), 3);
    for (int frame = 0; frame < 3; ++frame) {
        Kestra3D::Present(nullptr);
        EXPECT_EQ(d3d9test::CallCount("Reset"), 0u);
    }
    auto sleeps = platform::VirtualSleeps();
    ASSERT_EQ(sleeps.size(), 3u);
    for (const auto& s : sleeps) EXPECT_EQ(s.milliseconds, 10u);

    Kestra3D::Present(nullptr);  // not reset yet: the reset runs
    EXPECT_EQ(d3d9test::CallCount("Reset"), 1u);
    EXPECT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
    EXPECT_EQ(platform::VirtualSleeps().size(), 3u);
    EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
    EXPECT_EQ(DeviceRenderState(D3DRS_ZENABLE), 1u);

    Kestra3D::Present(nullptr);  // healthy again: nothing more
    EXPECT_EQ(d3d9test::CallCount("Reset"), 1u);
    EXPECT_EQ(d3d9test::CallCount("Present"), 5u);
}

TEST_F(Kestra3DTest, ResetWithoutForceOnAHealthyDeviceDoesNothing) {
    ASSERT_TRUE(Boot());
    d3d9test::ClearCallCounts();
    Kestra3D::ResetDevice(false);
    EXPECT_EQ(d3d9test::CallCount("Reset"), 0u);
    EXPECT_EQ(d3d9test::CallCount("TestCooperativeLevel"), 1u);
    Kestra3D::ResetDevice(true);
    EXPECT_EQ(d3d9test::CallCount("Reset"), 1u);
}

TEST_F(Kestra3DTest, DriverInternalErrorAsksTheApplicationToEnd) {
    ASSERT_TRUE(Boot());
    platform::InjectFault("Present", 0, 1);
    Kestra3D::Present(nullptr);
    EXPECT_TRUE(LogHas(u8"アプリケーション終了"));
    EXPECT_EQ(d3d9test::CallCount("TestCooperativeLevel"), 0u);
}

TEST_F(Kestra3DTest, ResetIsRefusedWhileADefaultPoolObjectIsAliveAndWorksOnceItIsGone) {
    ASSERT_TRUE(Boot());
    IDirect3DTexture9* leaked = nullptr;
    ASSERT_EQ(Device()->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &leaked,
                                      nullptr),
              D3D_OK);
    Kestra3D::ResetDevice(true);
    auto boxes = platform::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].text, Sjis(u8"デバイスの復帰に失敗"));
    EXPECT_EQ(boxes[0].flags, unsigned(MB_ICONERROR));
    EXPECT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::NotReset);
    // The engine's own back-buffer reference is not what blocks it.
    EXPECT_EQ(d3d9test::LiveDefaultPoolResources(Device()), 2);  // the texture and the re-fetched back buffer

    leaked->Release();
    platform::ClearRecordedMessageBoxes();
    Kestra3D::Present(nullptr);  // lost -> not reset -> reset
    EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
    EXPECT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
}

TEST_F(Kestra3DTest, FullScreenSwitchUsesTheSixteenBitRecordAndBackTheDisplayFormat) {
    d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
    a.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_X1R5G5B5}};
    d3d9test::SetAdapter(a);
    ASSERT_TRUE(Boot());
    Kestra::SetScreenInfo(640, 480, false);
    Kestra3D::ResetDevice(true);
    Kestra::SetScreenInfo(640, 480, true);
    Kestra3D::ResetDevice(true);
    const auto resets = d3d9test::ResetCalls();
    ASSERT_EQ(resets.size(), 2u);
    EXPECT_EQ(resets[0].result, D3D_OK);
    EXPECT_FALSE(resets[0].params.Windowed);
    EXPECT_EQ(resets[0].params.BackBufferFormat, D3DFMT_X1R5G5B5);
    EXPECT_EQ(resets[1].result, D3D_OK);
    EXPECT_TRUE(resets[1].params.Windowed);
    EXPECT_EQ(resets[1].params.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(Kestra3DTest, WithoutASixteenBitModeTheFullScreenResetFailsWithItsBox) {
    d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
    a.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}};
    d3d9test::SetAdapter(a);
    ASSERT_TRUE(Boot());
    EXPECT_TRUE(LogHas(u8"　　　16BitColor [ UNKNOWN ]"));
    Kestra::SetScreenInfo(640, 480, false);
    Kestra3D::ResetDevice(true);
    const auto boxes = platform::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Sjis(u8"デバイスの復帰に失敗"));
}

// ---- The reset walk
TEST_F(Kestra3DTest, ResetWalksTheManagersInTheirOrder) {
    const std::vector<std::string> expected = {
        "KestraTexture", "KestraSurface", "KestraSprite2D", "KestraSprite3D", "KestraPrimitive2D",
        "KestraPrimitive3D", "KestraLine2D", "KestraLine3D", "KestraPoint2D", "KestraPoint3D",
        "KestraModelEx", "KestraSimple", "KestraShaderFx"};
    std::vector<std::string> walked;
    for (size_t i = 0; i < Kestra3D::detail::kDeviceHookCount; ++i) {
        walked.push_back(Kestra3D::detail::kDeviceHooks[i].module);
        EXPECT_NE(Kestra3D::detail::kDeviceHooks[i].lost, nullptr);
        EXPECT_NE(Kestra3D::detail::kDeviceHooks[i].reset, nullptr);
    }
    EXPECT_EQ(walked, expected);
}

TEST_F(Kestra3DTest, DepthStencilSurfaceSurvivesTheResetAndIsBoundAgain) {
    ASSERT_TRUE(Boot());
    ASSERT_TRUE(KestraSurface::Initialize());
    CSurface* depth = KestraSurface::CreateDepthStencil(640, 480, 1);
    ASSERT_NE(depth, nullptr);
    EXPECT_TRUE(Kestra3D::SetDepthStencil(depth));
    EXPECT_TRUE(Kestra3D::Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF5A5A78, 1.0f, 0, nullptr));

    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::Present(nullptr);
    EXPECT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
    EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(Device()->GetDepthStencilSurface(&bound), D3D_OK);
    ASSERT_NE(bound, nullptr);
    D3DSURFACE_DESC desc{};
    bound->GetDesc(&desc);
    bound->Release();
    EXPECT_EQ(desc.Width, 640u);
    EXPECT_EQ(desc.Format, D3DFMT_D16_LOCKABLE);
    EXPECT_TRUE(Kestra3D::Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF5A5A78, 1.0f, 0, nullptr));

    // Unbinding leaves the depth clear without a target to clear.
    EXPECT_TRUE(Kestra3D::SetDepthStencil(nullptr));
    EXPECT_FALSE(Kestra3D::Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0, nullptr));
    KestraSurface::Release(depth);
    KestraSurface::Finalize();
}

// ---- Back buffer and viewport clipping
TEST_F(Kestra3DTest, BackBufferLockHandsOutTheFirstLocksValuesUntilUnlocked) {
    ASSERT_TRUE(Boot());
    void* bits = nullptr;
    int32_t pitch = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(Kestra3D::LockBackBuffer(&bits, &pitch, &format, &width, &height));
    EXPECT_NE(bits, nullptr);
    EXPECT_GE(pitch, 640 * 4);
    EXPECT_EQ(format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(height, 480u);

    void* again = nullptr;
    int32_t pitchAgain = 0;
    D3DFORMAT formatAgain = D3DFMT_UNKNOWN;
    uint32_t w2 = 0, h2 = 0;
    ASSERT_TRUE(Kestra3D::LockBackBuffer(&again, &pitchAgain, &formatAgain, &w2, &h2));
    EXPECT_EQ(again, bits);
    EXPECT_EQ(pitchAgain, pitch);
    EXPECT_EQ(formatAgain, format);
    EXPECT_EQ(w2, 640u);
    EXPECT_EQ(h2, 480u);
    EXPECT_EQ(d3d9test::CallCount("GetBackBuffer"), 1u);

    Kestra3D::UnlockBackBuffer();
    ASSERT_TRUE(Kestra3D::LockBackBuffer(&again, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(d3d9test::CallCount("GetBackBuffer"), 3u);  // lock, unlock, lock
    Kestra3D::UnlockBackBuffer();
}

TEST_F(Kestra3DTest, UnlockClearsTheFlagEvenWhenTheBackBufferCannotBeFetched) {
    ASSERT_TRUE(Boot());
    ASSERT_TRUE(Kestra3D::LockBackBuffer(nullptr, nullptr, nullptr, nullptr, nullptr));
    Kestra3D::detail::Module& m = Kestra3D::detail::M();
    IDirect3DDevice9* device = m.device;
    m.device = nullptr;  // the fetch cannot succeed
    Kestra3D::UnlockBackBuffer();
    m.device = device;
    EXPECT_FALSE(m.backBufferLocked);
    // The surface is still locked on the device: a new lock is refused, not faked.
    EXPECT_FALSE(Kestra3D::LockBackBuffer(nullptr, nullptr, nullptr, nullptr, nullptr));
    Kestra3D::detail::M().backBufferLocked = true;
    Kestra3D::UnlockBackBuffer();
    EXPECT_TRUE(Kestra3D::LockBackBuffer(nullptr, nullptr, nullptr, nullptr, nullptr));
    Kestra3D::UnlockBackBuffer();
}

struct ClipCase {
    RECT dst, src;
    bool result;
    RECT dstOut, srcOut;
};

class Kestra3DClip : public Kestra3DTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(Kestra3DClip, ClipsTheDestinationAndMovesTheSourceByTheRatio) {
    ASSERT_TRUE(Boot());
    ClipCase c = GetParam();
    EXPECT_EQ(Kestra3D::ClipRectToViewport(&c.dst, &c.src), c.result);
    if (!c.result) return;
    EXPECT_EQ(c.dst.left, c.dstOut.left);
    EXPECT_EQ(c.dst.top, c.dstOut.top);
    EXPECT_EQ(c.dst.right, c.dstOut.right);
    EXPECT_EQ(c.dst.bottom, c.dstOut.bottom);
    EXPECT_EQ(c.src.left, c.srcOut.left);
    EXPECT_EQ(c.src.top, c.srcOut.top);
    EXPECT_EQ(c.src.right, c.srcOut.right);
    EXPECT_EQ(c.src.bottom, c.srcOut.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Viewport, Kestra3DClip,
    ::testing::Values(
        // Inside: untouched.
        ClipCase{{10, 10, 100, 100}, {0, 0, 90, 90}, true, {10, 10, 100, 100}, {0, 0, 90, 90}},
        // Left and top outside, ratio 2: the source moves twice the cut.
        ClipCase{{-10, -5, 90, 95}, {0, 0, 200, 200}, true, {0, 0, 90, 95}, {20, 10, 200, 200}},
        // Right and bottom outside, ratio 0.5; 0.5 x 15 truncates to 7.
        ClipCase{{600, 450, 655, 495}, {0, 0, 27, 22}, true, {600, 450, 640, 480}, {0, 0, 20, 15}},
        // Entirely outside.
        ClipCase{{700, 10, 800, 50}, {0, 0, 10, 10}, false, {}, {}},
        // Empty rectangles have no ratio.
        ClipCase{{10, 10, 10, 50}, {0, 0, 10, 10}, false, {}, {}},
        ClipCase{{10, 10, 50, 50}, {0, 0, 10, 0}, false, {}, {}}));

}  // namespace
