// The state caches, blending presets, scenes, format kinds and the replay after a
// reset, on the null backend.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/Kestra3DInternal.h"
#include "engine/graphics/KestraManagers.h"
#include "tests/engine/graphics/kestra3d_fixture.h"
#include "tests/support/records.h"

namespace {

using k3dtest::Kestra3DTest;

class Kestra3DStates : public Kestra3DTest {
protected:
    void SetUp() override {
        Kestra3DTest::SetUp();
        ASSERT_TRUE(Boot());
        d3d9test::ClearCallCounts();
        d3d9test::ClearRecords();
        d3d9test::SetRecording(true);
    }
    uint64_t DeviceStateCalls() {
        return d3d9test::CallCount("SetRenderState") + d3d9test::CallCount("SetSamplerState") +
               d3d9test::CallCount("SetTextureStageState");
    }
    // The game's device state after Kestra::Start.
    void SetGameStates() {
        Kestra3D::SetAlphaTestEnable(true);
        Kestra3D::SetFilterEnable(false);
        Kestra3D::SetBlendingType(1);
        Kestra3D::SetDepthTestEnable(true);
        Kestra3D::SetRenderState(D3DRS_ZENABLE, 1);
        Kestra3D::SetRenderState(D3DRS_ZWRITEENABLE, 1);
        Kestra3D::SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    }
};

TEST_F(Kestra3DStates, CaptureLeavesTheEnginesInitialStatesOnTheDevice) {
    // Every device state the capture left (lighting off, blending on, stage 0
    // modulating, the rest disabled, untouched defaults sent back), and the viewport.
    records::Fnv d;
    for (DWORD state = 0; state < 256; ++state) d.Add(DeviceRenderState(D3DRENDERSTATETYPE(state)));
    for (DWORD stage = 0; stage < 4; ++stage)
        for (DWORD t = 0; t < 33; ++t)
            d.Add(DeviceSamplerState(stage, D3DSAMPLERSTATETYPE(t)),
                  DeviceStageState(stage, D3DTEXTURESTAGESTATETYPE(t)));
    D3DVIEWPORT9 vp{};
    Device()->GetViewport(&vp);
    d.Add(vp.X, vp.Y, vp.Width, vp.Height, vp.MinZ, vp.MaxZ);
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "initial-states", d.h), "");
    EXPECT_EQ(Kestra3D::GetRenderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
    // An unlisted state keeps the cache's empty mark.
    EXPECT_EQ(Kestra3D::GetRenderState(10), 0xFFFFFFFFu);

    Kestra3D::StateRecord defaults;
    Kestra3D::GetDefaultStates(&defaults);
    records::Fnv r;  // preset 0 and every switch on, the stages as captured
    r.Add(defaults.samplerStates, defaults.stageStates, defaults.blendingType, defaults.alphaTest, defaults.filter,
          defaults.depthTest, defaults.depthWrite);
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "default-states", r.h), "");
}

TEST_F(Kestra3DStates, APresetSetTwiceReachesTheDeviceOnce) {
    Kestra3D::SetBlendingType(1);
    EXPECT_EQ(d3d9test::CallCount("SetRenderState"), 2u);  // BLENDOP ADD is already the device's
    Kestra3D::SetBlendingType(1);
    EXPECT_EQ(d3d9test::CallCount("SetRenderState"), 2u);
}

TEST_F(Kestra3DStates, EveryPresetSetsItsThreeStatesAndOthersAreIgnored) {
    records::Fnv d;
    for (uint32_t i = 0; i < 8; ++i) {
        Kestra3D::SetBlendingType(i);
        d.Add(DeviceRenderState(D3DRS_BLENDOP), DeviceRenderState(D3DRS_SRCBLEND), DeviceRenderState(D3DRS_DESTBLEND));
    }
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "blend-presets", d.h), "");
    const uint64_t before = DeviceStateCalls();
    for (uint32_t preset : {8u, 9u, 255u, 0x80000000u, 0xFFFFFFFFu}) Kestra3D::SetBlendingType(preset);
    EXPECT_EQ(DeviceStateCalls(), before);
    EXPECT_EQ(DeviceRenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_INVDESTCOLOR));
}

TEST_F(Kestra3DStates, OutOfRangeStatesAndStagesAreIgnoredNeverIndexed) {
    const std::vector<uint32_t> before(std::begin(Kestra3D::detail::M().renderStates),
                                       std::end(Kestra3D::detail::M().renderStates));
    Kestra3D::SetRenderState(210, 1);
    Kestra3D::SetRenderState(255, 1);
    Kestra3D::SetRenderState(0xFFFFFFFF, 1);
    Kestra3D::SetSamplerState(4, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    Kestra3D::SetSamplerState(0, 14, 1);
    Kestra3D::SetSamplerState(0xFFFFFFFF, 0xFFFFFFFF, 1);
    Kestra3D::SetTextureStageState(4, D3DTSS_COLOROP, D3DTOP_DISABLE);
    Kestra3D::SetTextureStageState(0, 33, 1);
    Kestra3D::SetTexture(4, nullptr);
    EXPECT_EQ(DeviceStateCalls(), 0u);
    EXPECT_EQ(d3d9test::CallCount("SetTexture"), 0u);
    EXPECT_EQ(std::vector<uint32_t>(std::begin(Kestra3D::detail::M().renderStates),
                                    std::end(Kestra3D::detail::M().renderStates)),
              before);
    EXPECT_EQ(Kestra3D::GetRenderState(210), 0xFFFFFFFFu);
    EXPECT_EQ(Kestra3D::GetSamplerState(4, 1), 0xFFFFFFFFu);
    // The last valid indices are cached like any other.
    Kestra3D::SetRenderState(D3DRS_BLENDOPALPHA, D3DBLENDOP_MAX);
    Kestra3D::SetSamplerState(3, D3DSAMP_DMAPOFFSET, 7);
    EXPECT_EQ(DeviceStateCalls(), 2u);
    EXPECT_EQ(DeviceRenderState(D3DRS_BLENDOPALPHA), DWORD(D3DBLENDOP_MAX));
    EXPECT_EQ(DeviceSamplerState(3, D3DSAMP_DMAPOFFSET), 7u);
}

TEST_F(Kestra3DStates, SwitchesSetTheirStatesAndTheTexelOffset) {
    Kestra3D::SetFilterEnable(false);
    EXPECT_FLOAT_EQ(KestraTexture::GetTexelOffset(), 0.0f);
    for (DWORD stage = 0; stage < 4; ++stage) {
        EXPECT_EQ(DeviceSamplerState(stage, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_POINT));
        EXPECT_EQ(DeviceSamplerState(stage, D3DSAMP_MINFILTER), DWORD(D3DTEXF_POINT));
    }
    Kestra3D::SetFilterEnable(true);
    EXPECT_FLOAT_EQ(KestraTexture::GetTexelOffset(), 0.5f);
    EXPECT_EQ(DeviceSamplerState(3, D3DSAMP_MINFILTER), DWORD(D3DTEXF_LINEAR));

    Kestra3D::SetAlphaTestEnable(true);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATER));
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHAREF), 0u);
    Kestra3D::SetAlphaTestEnable(false);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATER));  // left as it was

    Kestra3D::SetDepthTestEnable(true);
    EXPECT_EQ(DeviceRenderState(D3DRS_ZENABLE), 1u);
    Kestra3D::SetDepthTestEnable(false);
    EXPECT_EQ(DeviceRenderState(D3DRS_ZENABLE), 0u);
}

TEST_F(Kestra3DStates, ApplyingTheDefaultsSendsOnlyWhatDiffers) {
    Kestra3D::StateRecord defaults;
    Kestra3D::GetDefaultStates(&defaults);
    Kestra3D::ApplyStates(defaults);
    // Preset 0 is the device's (nothing); alpha test on: ALPHATESTENABLE and
    // ALPHAFUNC (ALPHABLENDENABLE and ALPHAREF already match); filtering already
    // linear (nothing); ZENABLE and ZWRITEENABLE on; stages as captured (nothing).
    EXPECT_EQ(d3d9test::CallCount("SetRenderState"), 4u);
    EXPECT_EQ(d3d9test::CallCount("SetSamplerState"), 0u);
    EXPECT_EQ(d3d9test::CallCount("SetTextureStageState"), 0u);

    Kestra3D::StateRecord record = defaults;
    record.blendingType = 2;
    record.filter = 0;
    record.stageStates[1][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    d3d9test::ClearCallCounts();
    Kestra3D::ApplyStates(record);
    EXPECT_EQ(d3d9test::CallCount("SetRenderState"), 2u);       // SRCBLEND, DESTBLEND
    // Filtering off sets POINT on four stages, then the record's own samplers
    // (LINEAR) are applied after it: the record has the last word.
    EXPECT_EQ(d3d9test::CallCount("SetSamplerState"), 16u);
    EXPECT_EQ(DeviceSamplerState(0, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(d3d9test::CallCount("SetTextureStageState"), 1u);
    EXPECT_EQ(DeviceStageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_FLOAT_EQ(KestraTexture::GetTexelOffset(), 0.0f);
}

TEST_F(Kestra3DStates, NestedScenesReachTheDeviceOnceAndAStrayEndDoesNotWrap) {
    EXPECT_TRUE(Kestra3D::BeginScene());
    EXPECT_TRUE(Kestra3D::BeginScene());
    Kestra3D::EndScene();
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 0u);
    Kestra3D::EndScene();
    EXPECT_EQ(d3d9test::CallCount("BeginScene"), 1u);
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 1u);

    Kestra3D::EndScene();  // stray
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 1u);
    EXPECT_TRUE(Kestra3D::BeginScene());
    EXPECT_EQ(d3d9test::CallCount("BeginScene"), 2u);  // the next frame's scene still opens
    Kestra3D::EndScene();
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 2u);

    platform::InjectFault("BeginScene", 0, 1);
    EXPECT_FALSE(Kestra3D::BeginScene());
    EXPECT_TRUE(Kestra3D::BeginScene());  // nested: no device call
    Kestra3D::EndScene();
    Kestra3D::EndScene();
}

TEST_F(Kestra3DStates, ClearReportsTheDevicesResult) {
    EXPECT_TRUE(Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF5A5A78, 1.0f, 0, nullptr));
    const RECT area{10, 10, 20, 20};
    EXPECT_TRUE(Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0, &area));
    // Depth without a depth-stencil surface is refused by the device.
    EXPECT_FALSE(Kestra3D::Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF5A5A78, 1.0f, 0, nullptr));
    EXPECT_EQ(d3d9test::CallCount("Clear"), 3u);
}

TEST_F(Kestra3DStates, StatesTheGameSetAreBackAfterAReset) {
    SetGameStates();
    Kestra3D::SetSamplerState(2, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    Kestra3D::SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    Kestra3D::BeginScene();  // a frame interrupted inside a scene keeps its counter
    d3d9test::ClearCallCounts();

    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::Present(nullptr);
    ASSERT_EQ(d3d9test::CallCount("Reset"), 1u);
    ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);

    EXPECT_EQ(DeviceRenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(DeviceRenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(DeviceRenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    EXPECT_EQ(DeviceRenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(DeviceRenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(DeviceRenderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATER));
    EXPECT_EQ(DeviceRenderState(D3DRS_LIGHTING), 0u);
    for (DWORD stage = 0; stage < 4; ++stage)
        EXPECT_EQ(DeviceSamplerState(stage, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_POINT));
    EXPECT_EQ(DeviceSamplerState(2, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(DeviceStageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(DeviceStageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    // Every listed state was sent once, unconditionally, and the target cleared once.
    EXPECT_EQ(d3d9test::CallCount("SetRenderState"), 103u);
    EXPECT_EQ(d3d9test::CallCount("SetTextureStageState"), 4u * 18u);
    EXPECT_EQ(d3d9test::CallCount("SetSamplerState"), 4u * 13u);
    EXPECT_EQ(d3d9test::CallCount("Clear"), 1u);
    D3DVIEWPORT9 vp{};
    Device()->GetViewport(&vp);
    EXPECT_FLOAT_EQ(vp.MinZ, 1.0e-25f);

    // The scene counter survives the reset: the open scene's end closes it.
    Kestra3D::EndScene();
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 1u);
    // And the caches still match the device: nothing redundant is sent.
    d3d9test::ClearCallCounts();
    SetGameStates();
    EXPECT_EQ(DeviceStateCalls(), 0u);
}

TEST_F(Kestra3DStates, VertexProcessingFollowsTheShaderVersion) {
    Kestra3D::SelectVertexProcessing(2, 0);
    EXPECT_FALSE(Device()->GetSoftwareVertexProcessing());
    EXPECT_FALSE(Kestra3D::NeedsSoftwareVertexProcessing(0, 0));
    EXPECT_TRUE(Kestra3D::NeedsSoftwareVertexProcessing(3, 0));
    EXPECT_TRUE(Kestra3D::NeedsSoftwareVertexProcessing(2, 1));
    Kestra3D::SelectVertexProcessing(3, 0);
    EXPECT_TRUE(Device()->GetSoftwareVertexProcessing());
    Kestra3D::detail::M().caps.hardwareTnL = 0;
    EXPECT_TRUE(Kestra3D::NeedsSoftwareVertexProcessing(0, 0));
}

TEST_F(Kestra3DStates, CameraMinusOneIsIgnoredAndAValidSlotIsRemembered) {
    Kestra3D::SetCamera(-1);
    EXPECT_EQ(Kestra3D::GetCamera(), -1);
    ASSERT_TRUE(KestraCamera::Initialize());
    const int32_t camera = KestraCamera::Create();
    ASSERT_GE(camera, 0);
    KestraCamera::SetProjection(camera, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);
    KestraCamera::Update(camera);
    Kestra3D::SetCamera(camera);
    EXPECT_EQ(Kestra3D::GetCamera(), camera);
    D3DMATRIX projection{};
    Device()->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NE(projection.m[0][0], 0.0f);
    // After a reset the device's transforms are default; the camera is applied again.
    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::Present(nullptr);
    D3DMATRIX after{};
    Device()->GetTransform(D3DTS_PROJECTION, &after);
    EXPECT_EQ(std::memcmp(&after, &projection, sizeof(after)), 0);
    Kestra3D::SetCamera(-1);
    EXPECT_EQ(Kestra3D::GetCamera(), camera);
    KestraCamera::Release(camera);
    KestraCamera::Finalize();
}

// ---- Formats
class Kestra3DFormats : public Kestra3DTest {
protected:
    void Survey(std::vector<D3DFORMAT> textures, std::vector<D3DFORMAT> targets, std::vector<D3DFORMAT> depths) {
        d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
        a.textureFormats = std::move(textures);
        a.renderTargetFormats = std::move(targets);
        a.depthStencilFormats = std::move(depths);
        d3d9test::SetAdapter(a);
        ASSERT_TRUE(Kestra3D::Initialize());
    }
};

TEST_F(Kestra3DFormats, KindsPickTheFirstSupportedCandidate) {
    Survey({D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_A8},
           {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5}, {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D24X8});
    records::Fnv d;  // kinds 0 to 16 and past: the fallback, the first candidate the adapter has, or none
    for (uint32_t kind : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 100u, 0xFFFFFFFFu})
        d.Add(Kestra3D::GetFormat(kind, D3DFMT_L8));
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "format-kinds", d.h), "");
    EXPECT_EQ(Kestra3D::GetFormat(7, D3DFMT_L8), D3DFMT_X8R8G8B8);  // windowed: the display format
    Kestra::SetScreenInfo(640, 480, false);
    EXPECT_EQ(Kestra3D::GetFormat(7, D3DFMT_L8), D3DFMT_R5G6B5);  // full screen: the 16-bit record
}

TEST_F(Kestra3DFormats, OnlyCompressedTexturesGiveTheBestCompression) {
    Survey({D3DFMT_DXT1, D3DFMT_DXT5}, {D3DFMT_X8R8G8B8}, {});
    EXPECT_EQ(Kestra3D::GetFormat(14, D3DFMT_UNKNOWN), D3DFMT_DXT5);
    EXPECT_EQ(Kestra3D::GetFormat(1, D3DFMT_UNKNOWN), D3DFMT_UNKNOWN);  // empty depth list
}

TEST_F(Kestra3DFormats, DefaultAdapterGivesTheGamesFormats) {
    Survey(d3d9test::DefaultAdapter().textureFormats, d3d9test::DefaultAdapter().renderTargetFormats,
           d3d9test::DefaultAdapter().depthStencilFormats);
    EXPECT_EQ(Kestra3D::GetFormat(14, D3DFMT_UNKNOWN), D3DFMT_A8R8G8B8);
    EXPECT_EQ(Kestra3D::GetFormat(1, D3DFMT_UNKNOWN), D3DFMT_D16_LOCKABLE);
}

static_assert(Kestra3D::kFormatNameSize == 32);  // written out, not taken from the product

TEST_F(Kestra3DFormats, NamesComeWithoutThePrefixAndIntoTheCallersBuffer) {
    EXPECT_STREQ(Kestra3D::GetFormatName(D3DFMT_A8R8G8B8), "A8R8G8B8");
    EXPECT_STREQ(Kestra3D::GetFormatName(static_cast<D3DFORMAT>(0x12345)), "UNKNOWN");
    EXPECT_STREQ(Kestra3D::GetFormatName(D3DFMT_UNKNOWN), "UNKNOWN");
    char out[Kestra3D::kFormatNameSize];
    std::memset(out, 'x', sizeof(out));
    const char* shared = Kestra3D::GetFormatName(D3DFMT_G8R8_G8B8, out);
    EXPECT_STREQ(out, "G8R8_G8B8");
    Kestra3D::GetFormatName(D3DFMT_R5G6B5);
    EXPECT_STREQ(shared, "R5G6B5");  // the module's buffer: the next call overwrites it
    EXPECT_STREQ(out, "G8R8_G8B8");
    EXPECT_STREQ(Kestra3D::GetErrorText(static_cast<HRESULT>(0x80001234)), k3dtest::Sjis(u8"未知のエラー。").c_str());
}

TEST_F(Kestra3DTest, ShadingOptionsReadZero) {
    float start = -1.0f, end = -1.0f;
    uint32_t third = 7;
    Kestra3D::GetShadingOptions(&start, &end, &third);
    EXPECT_EQ(start, 0.0f);
    EXPECT_EQ(end, 0.0f);
    EXPECT_EQ(third, 0u);
    Kestra3D::GetShadingOptions(nullptr, nullptr, nullptr);
}

}  // namespace
