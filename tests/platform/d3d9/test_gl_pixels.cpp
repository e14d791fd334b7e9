// Drawing through OpenGL on a real window, read back pixel by pixel.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <tuple>

#include <epoxy/gl.h>

#include "d3d9_fixture.h"
#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/d3d9shader.h"
#include "platform/win32/sdl_bridge.h"
#include "tests/support/private_display.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

using namespace d3d9fixture;

namespace {

constexpr D3DCOLOR kGrey = 0xFF5A5A78;

// Drivers commonly give a freed texture's name to the next texture made; Mesa
// does so when asked before its first context.
const bool kNamesReused = setenv("force_gl_names_reuse", "true", 0) == 0;

using GlPixels = GlDeviceTest;

uint32_t CodedTexel(UINT i, UINT j) { return 0xFF000000u | ((4 * i) << 16) | ((4 * j) << 8) | 128; }

TEST_F(GlPixels, ClearIsExactAndPresentShowsTheTopRowAtTheTop) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0), D3D_OK);
    D3DRECT marker{0, 0, 8, 8};
    ASSERT_EQ(device_->Clear(1, &marker, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    d3d9test::Image frame = Frame();
    ASSERT_EQ(frame.width, 640u);
    EXPECT_EQ(frame.at(320, 240), 0xFF5A5A78u);
    EXPECT_EQ(frame.at(639, 479), 0xFF5A5A78u);
    EXPECT_EQ(frame.at(7, 7), 0xFFFFFFFFu);
    EXPECT_EQ(frame.at(8, 7), 0xFF5A5A78u);
    // A rectangle is cut to the viewport on every side.
    D3DVIEWPORT9 whole{}, corner{20, 20, 100, 100, 0, 1};
    device_->GetViewport(&whole);
    device_->SetViewport(&corner);
    D3DRECT across{10, 10, 30, 30};
    ASSERT_EQ(device_->Clear(1, &across, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    device_->SetViewport(&whole);
    frame = Frame();
    EXPECT_EQ(frame.at(15, 25), 0xFF5A5A78u);
    EXPECT_EQ(frame.at(25, 15), 0xFF5A5A78u);
    EXPECT_EQ(frame.at(25, 25), 0xFF000000u);
    // The back buffer's bytes through a lock: B, G, R.
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint8_t* px = static_cast<uint8_t*>(lr.pBits) + 100 * lr.Pitch + 200 * 4;
    EXPECT_EQ((std::array<uint8_t, 3>{px[0], px[1], px[2]}), (std::array<uint8_t, 3>{0x78, 0x5A, 0x5A}));
    bb->UnlockRect();
    bb->Release();

    d3d9test::SetPresentCapture(true);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    d3d9test::Image shown = d3d9test::LastPresentedFrame();
    ASSERT_EQ(shown.width, 640u);
    ASSERT_EQ(shown.height, 480u);
    EXPECT_EQ(shown.at(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.at(2, 477) & 0xFFFFFF, 0x5A5A78u);
    EXPECT_EQ(shown.at(320, 240) & 0xFFFFFF, 0x5A5A78u);
    EXPECT_TRUE(Frame().pixels == frame.pixels);  // the back buffer as it was
    // A write through a lock reaches the window the back buffer is shown in.
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(lr.pBits)[1] = 0xFF00FF00;
    bb->UnlockRect();
    bb->Release();
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d3d9test::LastPresentedFrame().at(1, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(GlPixels, PretransformedQuadLandsExactlyOnItsPixels) {
    IDirect3DTexture9* tex = MakeTexture(64, 64, CodedTexel);
    ASSERT_NE(tex, nullptr);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device_->SetTexture(0, tex);
    std::vector<TlVertex> v;
    // The engine's -0.5 shift: a 32x16 rectangle at (100, 50), texels (0..31, 0..15).
    Quad(v, 99.5f, 49.5f, 131.5f, 65.5f, 0.5f, 0xFFFFFFFF, 0.0f, 0.0f, 0.5f, 0.25f);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    ASSERT_EQ(DrawTl(v), D3D_OK);
    device_->EndScene();
    d3d9test::Image frame = Frame();
    int wrong = 0;
    for (UINT y = 50; y < 66; ++y)
        for (UINT x = 100; x < 132; ++x)
            if (frame.at(x, y) != CodedTexel(x - 100, y - 50)) ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(frame.at(100, 50), CodedTexel(0, 0));
    EXPECT_EQ(frame.at(131, 65), CodedTexel(31, 15));
    for (UINT y = 49; y <= 66; ++y) {
        EXPECT_EQ(frame.at(99, y), kGrey) << y;
        EXPECT_EQ(frame.at(132, y), kGrey) << y;
    }
    for (UINT x = 99; x <= 132; ++x) {
        EXPECT_EQ(frame.at(x, 49), kGrey) << x;
        EXPECT_EQ(frame.at(x, 66), kGrey) << x;
    }
    device_->SetTexture(0, nullptr);
    tex->Release();
}

// Coordinates from -3 to 3 on both axes through a 4x4 texture, read along the
// diagonal a texel step at a time: each address mode's letters (x the border).
TEST_F(GlPixels, AddressModesMapCoordinatesOutsideTheTexture) {
    IDirect3DTexture9* tex =
        MakeTexture(4, 4, [](UINT i, UINT j) { return 0xFF000000u | (0x30 * (i + 1)) << 16 | (0x30 * (j + 1)) << 8; });
    ASSERT_NE(tex, nullptr);
    // Mirror-once wants the mirror-clamp extension and is a clamp without it.
    const bool mirrorClamp = epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_texture_mirror_clamp_to_edge");
    const std::pair<DWORD, std::string> modes[] = {
        {D3DTADDRESS_WRAP, "ABCDABCDABCDABCDABCDABCD"},   {D3DTADDRESS_MIRROR, "DCBAABCDDCBAABCDDCBAABCD"},
        {D3DTADDRESS_CLAMP, "AAAAAAAAAAAAABCDDDDDDDDD"},  {D3DTADDRESS_BORDER, "xxxxxxxxxxxxABCDxxxxxxxx"},
        {D3DTADDRESS_MIRRORONCE, mirrorClamp ? "DDDDDDDDDCBAABCDDDDDDDDD" : "AAAAAAAAAAAAABCDDDDDDDDD"}};
    device_->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF0000FF);
    device_->SetTexture(0, tex);
    std::vector<TlVertex> v;
    Quad(v, 99.5f, 49.5f, 147.5f, 97.5f, 0.5f, 0xFFFFFFFF, -3.0f, -3.0f, 3.0f, 3.0f);
    for (const auto& [mode, expected] : modes) {
        device_->SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSV, mode);
        device_->BeginScene();
        ASSERT_EQ(DrawTl(v), D3D_OK);
        device_->EndScene();
        const d3d9test::Image frame = Frame();
        std::string across, down;
        for (UINT k = 0; k < 48; k += 2) {
            const uint32_t texel = frame.at(100 + k, 50 + k);
            across += texel & 0xFF ? 'x' : char('A' + (texel >> 16 & 0xFF) / 0x30 - 1);
            down += texel & 0xFF ? 'x' : char('A' + (texel >> 8 & 0xFF) / 0x30 - 1);
        }
        EXPECT_EQ(across, expected) << mode;
        EXPECT_EQ(down, expected) << mode;
    }
    device_->SetTexture(0, nullptr);
    tex->Release();
}

// An 8x8 texture drawn at half size reads its second level where the mip filter
// asks for one, whatever texture the same sampler states last drew.
TEST_F(GlPixels, HalfSizeDrawReadsTheMipLevelTheFilterAsksFor) {
    IDirect3DTexture9* single = MakeTexture(8, 8, [](UINT, UINT) { return 0xFF0000FFu; });
    IDirect3DTexture9* mipped = nullptr;
    ASSERT_EQ(device_->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &mipped, nullptr), D3D_OK);
    for (UINT level = 0; level < 2; ++level) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(mipped->LockRect(level, &lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 8u >> level; ++y)
            std::fill_n(static_cast<uint32_t*>(lr.pBits) + y * UINT(lr.Pitch) / 4, 8u >> level,
                        level ? 0xFF00FF00u : 0xFFFF0000u);
        mipped->UnlockRect(level);
    }
    const std::pair<DWORD, uint32_t> filters[] = {{D3DTEXF_NONE, 0xFFFF0000u}, {D3DTEXF_POINT, 0xFF00FF00u}};
    for (const auto& [mip, expected] : filters) {
        device_->SetSamplerState(0, D3DSAMP_MIPFILTER, mip);
        ASSERT_EQ(DrawTexturedQuad(single, 9.5f, 9.5f, 13.5f, 13.5f), D3D_OK);
        EXPECT_EQ(Frame().at(11, 11), 0xFF0000FFu);
        ASSERT_EQ(DrawTexturedQuad(mipped, 9.5f, 9.5f, 13.5f, 13.5f), D3D_OK);
        EXPECT_EQ(Frame().at(11, 11), expected) << mip;
    }
    single->Release();
    mipped->Release();
}

class GlDepthTest : public GlDeviceTest {
protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        ASSERT_EQ(
            device_->CreateDepthStencilSurface(640, 480, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth_, nullptr),
            D3D_OK);
        device_->SetDepthStencilSurface(depth_);
        device_->SetRenderState(D3DRS_ZENABLE, TRUE);
        device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0), D3D_OK);
    }
    void TearDown() override {
        if (device_) device_->SetDepthStencilSurface(nullptr);
        if (depth_) depth_->Release();
        GlDeviceTest::TearDown();
    }
    void Rect(float z, D3DCOLOR colour, float x0 = 99.5f, float x1 = 131.5f) {
        std::vector<TlVertex> v;
        Quad(v, x0, 49.5f, x1, 65.5f, z, colour);
        device_->BeginScene();
        ASSERT_EQ(DrawTl(v), D3D_OK);
        device_->EndScene();
    }
    IDirect3DSurface9* depth_ = nullptr;
};

// Render states drawn and read back: three quads side by side over a depth of
// 0.5 and a stencil of `stencil`, at depths 0.25, 0.5, 0.75 and alphas 0x7F,
// 0x80, 0x81 against a reference of 0x80, their left vertices kQuad, their
// right ones `right`; where `reveal` is set, a white quad then shows where the
// stencil holds that value. A sprite row draws opaque white vertices over a
// texture of every alpha, 0 where the quads are read. Rows in turn, so that a
// program reused for a state its key drops draws wrongly; each with the exact
// shortcuts off and on, which must agree to the byte.
TEST_F(GlDepthTest, RenderStatesDrawAsTheirDefinitions) {
    using States = std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>;
    constexpr D3DCOLOR kBg = 0xFF204080, kQuad = 0xFFC06020, kWhite = 0xFFFFFFFF;
    struct Row {
        std::string what;
        States states;
        std::array<D3DCOLOR, 3> expected;
        DWORD stencil = 5;
        int reveal = -1;
        D3DCOLOR right = kQuad;
        DWORD stageOp = D3DTOP_DISABLE;  // stage 0: this of the diffuse and `stageArg`
        DWORD stageArg = D3DTA_TFACTOR;
        bool sprite = false;
        DWORD texCoord = 0;      // the sprite's texture coordinate set
        bool clockwise = true;  // on the screen
    };
    std::vector<Row> rows;
    const char* const passes[] = {"000", "100", "010", "110", "001", "101", "011", "111"};  // NEVER .. ALWAYS
    for (DWORD f = D3DCMP_NEVER; f <= D3DCMP_ALWAYS; ++f) {
        std::array<D3DCOLOR, 3> shown;
        for (size_t i = 0; i < 3; ++i) shown[i] = passes[f - 1][i] == '1' ? kQuad : kBg;
        rows.push_back({"depth compare " + std::to_string(f), {{D3DRS_ZFUNC, f}}, shown});
        rows.push_back({"alpha compare " + std::to_string(f), {{D3DRS_ALPHAFUNC, f}}, shown});
    }
    const DWORD ops[][3] = {{D3DSTENCILOP_KEEP, 5, 5},     {D3DSTENCILOP_ZERO, 5, 0},    {D3DSTENCILOP_REPLACE, 5, 9},
                            {D3DSTENCILOP_INCRSAT, 255, 255}, {D3DSTENCILOP_DECRSAT, 0, 0}, {D3DSTENCILOP_INVERT, 5, 250},
                            {D3DSTENCILOP_INCR, 255, 0},   {D3DSTENCILOP_DECR, 0, 255}};  // op, stencil, result
    for (const auto& [op, stencil, result] : ops)
        rows.push_back({"stencil op " + std::to_string(op), {{D3DRS_STENCILPASS, op}}, {kWhite, kWhite, kWhite}, stencil,
                        int(result)});
    rows.push_back({"stencil test failed", {{D3DRS_STENCILFUNC, D3DCMP_NEVER}, {D3DRS_STENCILFAIL, D3DSTENCILOP_REPLACE}},
                    {kWhite, kWhite, kWhite}, 5, 9});
    rows.push_back({"depth test failed", {{D3DRS_ZFUNC, D3DCMP_LESS}, {D3DRS_STENCILZFAIL, D3DSTENCILOP_REPLACE}},
                    {kQuad, kWhite, kWhite}, 5, 9});
    rows.push_back({"counter-clockwise stencil test failed",
                    {{D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_TWOSIDEDSTENCILMODE, TRUE},
                     {D3DRS_CCW_STENCILFUNC, D3DCMP_NEVER}, {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_REPLACE}},
                    {kWhite, kWhite, kWhite}, 5, 9});
    rows.back().clockwise = false;
    rows.push_back({"scissored", {{D3DRS_SCISSORTESTENABLE, TRUE}}, {kBg, kQuad, kQuad}});
    rows.push_back({"stage subtract", {{D3DRS_TEXTUREFACTOR, 0x00402010}}, {0xFF804010, 0xFF804010, 0xFF804010}});
    rows.back().stageOp = D3DTOP_SUBTRACT;
    rows.push_back({"stage add signed", {{D3DRS_TEXTUREFACTOR, 0x00402010}}, {0xFF800000, 0xFF800000, 0xFF800000}});
    rows.back().stageOp = D3DTOP_ADDSIGNED;
    rows.push_back({"stage modulate 2x", {{D3DRS_TEXTUREFACTOR, 0x00402010}}, {0xFF601804, 0xFF601804, 0xFF601804}});
    rows.back().stageOp = D3DTOP_MODULATE2X;
    // The other operations on the same pair; the diffuse alpha is about a half, the factor's 0.
    const std::pair<DWORD, D3DCOLOR> stageOps[] = {
        {D3DTOP_MODULATE4X, 0xFFC13008},         {D3DTOP_ADDSIGNED2X, 0xFFFF0100},
        {D3DTOP_ADDSMOOTH, 0xFFD0742E},          {D3DTOP_BLENDFACTORALPHA, 0xFF402010},
        {D3DTOP_BLENDDIFFUSEALPHA, 0xFF804018},  {D3DTOP_MODULATEALPHA_ADDCOLOR, 0xFFE07028},
        {D3DTOP_DOTPRODUCT3, 0xFF969696},        {D3DTOP_SELECTARG2, 0xFF402010},
        {D3DTOP_BLENDCURRENTALPHA, 0xFF804018},  {D3DTOP_MODULATECOLOR_ADDALPHA, 0xFFB08C82},
        {D3DTOP_MODULATEINVALPHA_ADDCOLOR, 0xFFE07028}, {D3DTOP_MODULATEINVCOLOR_ADDALPHA, 0xFF90948E},
        {D3DTOP_MULTIPLYADD, 0xFFF06C22},        {D3DTOP_LERP, 0xFFA03812},  // the third argument: the diffuse
        {D3DTOP_BLENDTEXTUREALPHAPM, kQuad}};  // no texture: an opaque one
    for (const auto& [op, shown] : stageOps) {
        rows.push_back({"stage op " + std::to_string(op), {{D3DRS_TEXTUREFACTOR, 0x00402010}}, {shown, shown, shown}});
        rows.back().stageOp = op;
    }
    rows.push_back({"stage adds the specular none gave", {}, {kQuad, kQuad, kQuad}});
    rows.back().stageOp = D3DTOP_ADD;
    rows.back().stageArg = D3DTA_SPECULAR;
    // Sprites: the alpha test's discards show where the blend, depth or stencil would keep a zero alpha.
    const States blended = {{D3DRS_STENCILENABLE, FALSE}, {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
                            {D3DRS_ALPHAREF, 0}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}};
    const auto sprite = [&](const std::string& what, States states, D3DCOLOR shown, DWORD stencil = 5, int reveal = -1,
                            D3DCOLOR tint = 0xFFFFFFFF) {
        states.insert(states.begin(), blended.begin(), blended.end());
        rows.push_back({"sprite " + what, states, {shown, shown, shown}, stencil, reveal, tint});
        rows.back().sprite = true;
    };
    const States plain = {{D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ALPHATESTENABLE, FALSE}};
    sprite("opaque", plain, 0xFF787040);
    sprite("tinted", plain, 0xFF787020, 5, -1, 0xFFFFFF80);
    const States faded = {{D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_ALPHATESTENABLE, FALSE}};
    sprite("faded", faded, kBg, 5, -1, 0x80FFFFFF);
    sprite("faded in its alpha alone", faded, kBg, 5, -1, 0x80FFFFFF);
    rows.back().stageOp = D3DTOP_SELECTARG1;
    sprite("mixed by its alpha", plain, 0xFF4080C0, 5, -1, 0xFF4080C0);  // none of the texture where its alpha is 0
    rows.back().stageOp = D3DTOP_BLENDTEXTUREALPHA;
    sprite("at a coordinate set the vertices lack", plain, 0xFF000040);  // texel (0, 0) throughout
    rows.back().texCoord = 1;
    sprite("blended", {{D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}}, kBg);
    sprite("added", {{D3DRS_DESTBLEND, D3DBLEND_ONE}, {D3DRS_ALPHAFUNC, D3DCMP_NOTEQUAL}}, kBg);
    sprite("taken away", {{D3DRS_DESTBLEND, D3DBLEND_ONE}, {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT}}, kBg);
    sprite("over nothing", {{D3DRS_DESTBLEND, D3DBLEND_ZERO}}, kBg);
    sprite("as its own alpha", {{D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}}, kBg);
    sprite("writing depth", {{D3DRS_DESTBLEND, D3DBLEND_ONE}, {D3DRS_ZWRITEENABLE, TRUE}, {D3DRS_ZFUNC, D3DCMP_LESS}},
           kWhite, 5, 5);
    sprite("marking stencil", {{D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_STENCILENABLE, TRUE},
                               {D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE}}, kBg, 5, 9);
    rows.push_back({"flat shading", {{D3DRS_SHADEMODE, D3DSHADE_FLAT}}, {kQuad, kQuad, kQuad}, 5, -1, 0xFF00FF00});
    rows.push_back({"Gouraud shading", {{D3DRS_SHADEMODE, D3DSHADE_GOURAUD}}, {0xFF63AD10, 0xFF63AD10, 0xFF63AD10}, 5, -1,
                    0xFF00FF00});
    // Edges and corners alone: the read pixels lie off them; the two ways agree on them.
    rows.push_back({"wireframe", {{D3DRS_FILLMODE, D3DFILL_WIREFRAME}}, {kBg, kBg, kBg}});
    rows.push_back({"points", {{D3DRS_FILLMODE, D3DFILL_POINT}}, {kBg, kBg, kBg}});
    // On a base where only the depth the quads meet can hold them back.
    const States base = {{D3DRS_ZWRITEENABLE, FALSE}, {D3DRS_ZFUNC, D3DCMP_ALWAYS}, {D3DRS_ALPHATESTENABLE, TRUE},
                         {D3DRS_ALPHAREF, 0x80}, {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS}, {D3DRS_STENCILENABLE, TRUE},
                         {D3DRS_STENCILREF, 9}, {D3DRS_STENCILFUNC, D3DCMP_ALWAYS}};
    // At the quads' own depth, where none wrote one; an alpha function no longer tested.
    const States reveal = {{D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_ALPHATESTENABLE, FALSE},
                           {D3DRS_ALPHAFUNC, D3DCMP_NEVER}, {D3DRS_STENCILFUNC, D3DCMP_EQUAL},
                           {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP}, {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
                           {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP}, {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}};
    States saved;  // what each row changed, put back after it
    const auto set = [&](const States& states) {
        for (const auto& [state, value] : states) {
            saved.emplace_back(state, 0);
            device_->GetRenderState(state, &saved.back().second);
            device_->SetRenderState(state, value);
        }
    };
    // Every alpha, 0 at texel (15, 7), which the read pixels show.
    IDirect3DTexture9* alphas = MakeTexture(32, 16, [](UINT x, UINT y) {
        return ((x + 32 * y + 17) & 0xFF) << 24 | (8 * x) << 16 | (16 * y) << 8 | 0x40;
    });
    ASSERT_NE(alphas, nullptr);
    const RECT scissor{52, 50, 200, 58};  // the middle and right quads' read rows, from their tops
    device_->SetScissorRect(&scissor);
    DWORD clear = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    const auto drawRow = [&](const Row& row) {
        device_->Clear(0, nullptr, clear, kBg, 1.0f, row.stencil);
        device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        Rect(0.5f, kBg, 9.5f, 121.5f);
        device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        set(base);
        set(row.states);
        if (row.sprite) {  // the texture by the diffuse, or the stage's operation on them
            device_->SetTexture(0, alphas);
            device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, row.texCoord);
            if (row.stageOp != D3DTOP_DISABLE) device_->SetTextureStageState(0, D3DTSS_COLOROP, row.stageOp);
        } else if (row.stageOp != D3DTOP_DISABLE) {
            device_->SetTextureStageState(0, D3DTSS_COLOROP, row.stageOp);
            device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            device_->SetTextureStageState(0, D3DTSS_COLORARG2, row.stageArg);
        }
        std::vector<TlVertex> v;
        for (DWORD i = 0; i < 3; ++i) {
            const float x = 9.5f + 40.0f * float(i), z = 0.25f * float(i + 1);
            D3DCOLOR left = (kQuad & 0xFFFFFF) | (0x7F + i) << 24, right = (row.right & 0xFFFFFF) | (0x7F + i) << 24;
            if (row.sprite) left = right = row.right;
            v.insert(v.end(), {{x, 49.5f, z, 1, left, 0, 0}, {x + 32, 49.5f, z, 1, right, 1, 0}, {x, 65.5f, z, 1, left, 0, 1},
                               {x, 65.5f, z, 1, left, 0, 1}, {x + 32, 49.5f, z, 1, right, 1, 0},
                               {x + 32, 65.5f, z, 1, right, 1, 1}});
        }
        if (!row.clockwise)
            for (size_t i = 0; i < v.size(); i += 3) std::swap(v[i + 1], v[i + 2]);
        device_->BeginScene();
        EXPECT_EQ(DrawTl(v), D3D_OK);
        device_->EndScene();
        device_->SetTexture(0, nullptr);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
        if (row.reveal >= 0) {
            set(reveal);
            set({{D3DRS_STENCILREF, DWORD(row.reveal)}});
            Rect(0.5f, kWhite, 9.5f, 121.5f);
        }
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) device_->SetRenderState(it->first, it->second);
        saved.clear();
        return Frame();
    };
    // First over a 16-bit depth surface, which the window holds beside the back buffer
    // from the next frame on (its stencil rows draw without a stencil, so they only agree).
    for (const D3DFORMAT format : {D3DFMT_D16, D3DFMT_D24S8}) {
        IDirect3DSurface9* depth = depth_;
        if (format == D3DFMT_D16) {
            ASSERT_EQ(device_->CreateDepthStencilSurface(640, 480, format, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr),
                      D3D_OK);
        }
        device_->SetDepthStencilSurface(depth);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
        clear = format == D3DFMT_D16 ? D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER : D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what + (format == D3DFMT_D16 ? " over 16-bit depth" : ""));
            d3d9test::SetExactShortcuts(false);
            const d3d9test::Image general = drawRow(row);
            d3d9test::SetExactShortcuts(true);
            const d3d9test::Image frame = drawRow(row);
            for (size_t i = 0; i < 3 && format == D3DFMT_D24S8; ++i)
                EXPECT_TRUE(Near(frame.at(UINT(25 + 40 * i), 57), row.expected[i], 2)) << i;
            EXPECT_TRUE(frame.pixels == general.pixels);
        }
        if (depth != depth_) depth->Release();
    }
    alphas->Release();
}

TEST_F(GlPixels, CullingMatchesScreenWinding) {
    // The square as a list, a strip or a fan of its corners; both of its halves shown or neither.
    auto draw = [&](bool clockwise, DWORD cull, D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST) {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        device_->SetRenderState(D3DRS_CULLMODE, cull);
        std::vector<TlVertex> v;
        Quad(v, 9.5f, 9.5f, 41.5f, 41.5f, 0.5f, 0xFFFF0000);
        if (!clockwise)
            for (size_t i = 0; i < v.size(); i += 3) std::swap(v[i + 1], v[i + 2]);
        if (type == D3DPT_TRIANGLESTRIP) v = {v[0], v[1], v[2], v[5]};
        if (type == D3DPT_TRIANGLEFAN) v = {v[0], v[1], v[5], v[2]};
        device_->BeginScene();
        EXPECT_EQ(DrawTl(v, type), D3D_OK);
        device_->EndScene();
        const d3d9test::Image frame = Frame();
        const bool lower = frame.at(12, 38) == 0xFFFF0000u, upper = frame.at(38, 12) == 0xFFFF0000u;
        EXPECT_EQ(lower, upper);
        return lower && upper;
    };
    EXPECT_TRUE(draw(true, D3DCULL_CCW, D3DPT_TRIANGLESTRIP));
    EXPECT_TRUE(draw(true, D3DCULL_CCW, D3DPT_TRIANGLEFAN));
    EXPECT_FALSE(draw(false, D3DCULL_CCW, D3DPT_TRIANGLEFAN));
    EXPECT_TRUE(draw(true, D3DCULL_CCW));
    EXPECT_FALSE(draw(false, D3DCULL_CCW));
    EXPECT_FALSE(draw(true, D3DCULL_CW));
    EXPECT_TRUE(draw(false, D3DCULL_CW));
    EXPECT_TRUE(draw(true, D3DCULL_NONE));
    EXPECT_TRUE(draw(false, D3DCULL_NONE));
}

TEST_F(GlPixels, RenderTargetTextureReadsTheRightWayUp) {
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(device_->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, level), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    std::vector<TlVertex> marker;
    Quad(marker, -0.5f, -0.5f, 7.5f, 7.5f, 0.5f, 0xFFFF0000);  // top-left 8x8
    device_->BeginScene();
    ASSERT_EQ(DrawTl(marker), D3D_OK);
    device_->EndScene();
    // Read straight from the target.
    IDirect3DSurface9* sys = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(64, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    ASSERT_EQ(device_->GetRenderTargetData(level, sys), D3D_OK);
    d3d9test::Image copy = d3d9test::ReadSurface(sys);
    EXPECT_EQ(copy.at(2, 2), 0xFFFF0000u);
    EXPECT_EQ(copy.at(2, 60), 0xFF000000u);
    // Then fill its top-right corner and draw it as a texture onto the back buffer.
    const RECT corner{56, 0, 64, 8};
    ASSERT_EQ(device_->ColorFill(level, &corner, 0xFF00FF00u), D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, backBuffer), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    ASSERT_EQ(DrawTexturedQuad(rt, 199.5f, 199.5f, 263.5f, 263.5f), D3D_OK);
    d3d9test::Image frame = Frame();
    EXPECT_EQ(frame.at(202, 202), 0xFFFF0000u);
    EXPECT_EQ(frame.at(202, 260), 0xFF000000u);
    EXPECT_EQ(frame.at(260, 202), 0xFF00FF00u);
    sys->Release();
    backBuffer->Release();
    level->Release();
    rt->Release();
}

// A device whose focus window is not its device window draws to the device
// window: a back buffer of size 0 takes that window's size.
TEST_F(GlPixels, TheDeviceWindowNotTheFocusWindowIsDrawnTo) {
    device_->Release();
    device_ = nullptr;
    HWND drawn = CreateWindowExA(0, className_.c_str(), "device window", WS_POPUP, 0, 0, 320, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(drawn, nullptr);
    ShowWindow(drawn, SW_SHOW);
    ASSERT_EQ(CreateDevice(window_, WindowedParams(drawn, 0, 0)), D3D_OK);
    EXPECT_EQ(std::tuple(params_.hDeviceWindow, params_.BackBufferWidth, params_.BackBufferHeight),
              std::tuple(drawn, 320u, 200u));
    device_->Release();
    device_ = nullptr;
    DestroyWindow(drawn);
}

TEST_F(GlPixels, FrameReadsBackIdenticalAcrossReset) {
    IDirect3DTexture9* tex = MakeTexture(64, 64, CodedTexel);
    ASSERT_NE(tex, nullptr);
    auto drawFrame = [&]() {
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        device_->SetTexture(0, tex);
        std::vector<TlVertex> v;
        Quad(v, 99.5f, 49.5f, 163.5f, 113.5f, 0.5f, 0xC0FFFFFF);
        Quad(v, 299.5f, 249.5f, 331.5f, 281.5f, 0.5f, 0xFF80FF80, 0.25f, 0.25f, 0.75f, 0.75f);
        device_->BeginScene();
        EXPECT_EQ(DrawTl(v), D3D_OK);
        device_->EndScene();
        device_->SetTexture(0, nullptr);
        return Frame();
    };
    d3d9test::Image before = drawFrame();
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);  // created with D3DPRESENT_INTERVAL_IMMEDIATE
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    d3d9test::LoseDevice(device_, 1);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS pp = params_;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
    d3d9test::Image after = drawFrame();
    ASSERT_EQ(before.pixels.size(), after.pixels.size());
    EXPECT_TRUE(before.pixels == after.pixels);
    EXPECT_NE(before.at(110, 60), kGrey);  // something was drawn
    tex->Release();
}

TEST_F(GlPixels, SixteenBitBackBufferQuantises) {
    D3DPRESENT_PARAMETERS pp = WindowedParams(window_, 640, 480, D3DFMT_R5G6B5);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    EXPECT_EQ(Frame().at(100, 100), 0xFF5A597Bu);
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(lr.pBits) + 10 * lr.Pitch);
    EXPECT_EQ(row[10], uint16_t((11 << 11) | (22 << 5) | 15));
    row[11] = 0xF800;  // pure red, written through the lock
    bb->UnlockRect();
    bb->Release();
    EXPECT_EQ(Frame().at(11, 10), 0xFFFF0000u);
}

TEST_F(GlPixels, TransformedVerticesUseDirect3DClipSpace) {
    struct Vertex {
        float x, y, z;
        D3DCOLOR color;
    };
    // Identity transforms: positions are clip coordinates; y up, z 0..1.
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    const Vertex v[] = {{-1, 0, 0.5f, 0xFF00FF00}, {0, 0, 0.5f, 0xFF00FF00}, {-1, 1, 0.5f, 0xFF00FF00},
                        {-1, 1, 0.5f, 0xFF00FF00}, {0, 0, 0.5f, 0xFF00FF00}, {0, 1, 0.5f, 0xFF00FF00}};
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device_->BeginScene();
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex)), D3D_OK);
    device_->EndScene();
    d3d9test::Image frame = Frame();
    EXPECT_EQ(frame.at(100, 100), 0xFF00FF00u);  // upper left quarter
    EXPECT_EQ(frame.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(frame.at(319, 239), 0xFF00FF00u);
    EXPECT_EQ(frame.at(320, 100), kGrey);
    EXPECT_EQ(frame.at(100, 240), kGrey);
    D3DMATRIX world{};
    world._11 = world._22 = world._33 = world._44 = 1.0f;
    world._41 = 1.0f;  // move right by half the screen (row-vector translation)
    device_->SetTransform(D3DTS_WORLD, &world);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device_->BeginScene();
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex));
    device_->EndScene();
    frame = Frame();
    EXPECT_EQ(frame.at(100, 100), kGrey);
    EXPECT_EQ(frame.at(420, 100), 0xFF00FF00u);
}

TEST_F(GlPixels, RedundantStateReachesGlOnlyOnce) {
    IDirect3DTexture9* tex = MakeTexture(16, 16, [](UINT, UINT) { return 0xFFFFFFFFu; });
    device_->SetTexture(0, tex);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    std::vector<TlVertex> v;
    Quad(v, 9.5f, 9.5f, 25.5f, 25.5f, 0.5f, 0xFFFFFFFF);
    device_->BeginScene();
    ASSERT_EQ(DrawTl(v), D3D_OK);
    uint64_t afterFirst = d3d9test::GLStateChanges();
    uint64_t filteredFirst = d3d9test::GLStateChangesFiltered();
    size_t programs = d3d9test::ProgramCacheSize(device_);
    ASSERT_EQ(DrawTl(v), D3D_OK);
    EXPECT_EQ(d3d9test::GLStateChanges(), afterFirst);  // nothing changed, nothing sent
    EXPECT_GT(d3d9test::GLStateChangesFiltered(), filteredFirst);
    EXPECT_EQ(d3d9test::ProgramCacheSize(device_), programs);
    // One real change: additive blending sends just the blend function.
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ASSERT_EQ(DrawTl(v), D3D_OK);
    EXPECT_EQ(d3d9test::GLStateChanges(), afterFirst + 1);
    EXPECT_EQ(d3d9test::ProgramCacheSize(device_), programs);
    device_->EndScene();
    device_->SetTexture(0, nullptr);
    // A texture made under the freed one's GL name is bound for it, not filtered as the one bound before.
    ASSERT_TRUE(kNamesReused);
    const unsigned name = static_cast<d3d9impl::TextureImpl*>(tex)->glTexture;
    tex->Release();
    IDirect3DTexture9* reused = MakeTexture(16, 16, [](UINT, UINT) { return 0xFF00FF00u; });
    ASSERT_EQ(static_cast<d3d9impl::TextureImpl*>(reused)->glTexture, name) << "GL gave a fresh name";
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    ASSERT_EQ(DrawTexturedQuad(reused, 9.5f, 9.5f, 25.5f, 25.5f), D3D_OK);
    EXPECT_EQ(Frame().at(16, 16), 0xFF00FF00u);
    reused->Release();
}

// Two stages add their textures: a texture filled between draws, whichever
// unit the last draw left active, is filled and no other; a texture made at a
// draw (one never filled) leaves the textures of the stages before it bound.
TEST_F(GlPixels, AnUploadReachesItsOwnTextureWhicheverUnitWasLastBound) {
    IDirect3DTexture9* tex[3] = {MakeTexture(16, 16, [](UINT, UINT) { return 0xFF400000u; }),
                                 MakeTexture(16, 16, [](UINT, UINT) { return 0xFF000040u; }), nullptr};
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex[2], nullptr), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device_->SetTexture(0, tex[0]);
    device_->SetTexture(1, tex[1]);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    std::vector<TlVertex> v;
    Quad(v, 9.5f, 9.5f, 25.5f, 25.5f, 0.5f, 0xFFFFFFFF);
    const auto draw = [&] {
        device_->BeginScene();
        EXPECT_EQ(DrawTl(v), D3D_OK);
        device_->EndScene();
        return Frame().at(16, 16);
    };
    for (const uint32_t first : {0xFF400000u, 0xFF004000u}) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(tex[0]->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 16; ++y) std::fill_n(static_cast<uint32_t*>(lr.pBits) + y * UINT(lr.Pitch) / 4, 16, first);
        tex[0]->UnlockRect(0);
        EXPECT_EQ(draw(), first | 0x40u);
    }
    device_->SetTexture(1, tex[2]);  // black
    EXPECT_EQ(draw(), 0xFF004000u);
    device_->SetTexture(0, nullptr);
    device_->SetTexture(1, nullptr);
    for (IDirect3DTexture9* t : tex) t->Release();
}

// Default-pool textures draw what was copied into them from system memory: the
// whole texture, then its right half over its left.
TEST_F(GlPixels, DefaultPoolTexturesDrawWhatWasCopiedIntoThem) {
    IDirect3DTexture9* sys = MakeTexture(
        16, 16, [](UINT x, UINT) { return x < 8 ? 0xFF3060C0u : 0xFFC06030u; }, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DTexture9* drawn = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &drawn, nullptr), D3D_OK);
    ASSERT_EQ(device_->UpdateTexture(sys, drawn), D3D_OK);
    ASSERT_EQ(DrawTexturedQuad(drawn, 9.5f, 9.5f, 25.5f, 25.5f), D3D_OK);
    EXPECT_EQ(Frame().at(12, 12), 0xFF3060C0u);
    IDirect3DSurface9* from = nullptr;
    IDirect3DSurface9* to = nullptr;
    sys->GetSurfaceLevel(0, &from);
    drawn->GetSurfaceLevel(0, &to);
    const RECT right{8, 0, 16, 16};  // onto the left half
    ASSERT_EQ(device_->UpdateSurface(from, &right, to, nullptr), D3D_OK);
    ASSERT_EQ(DrawTexturedQuad(drawn, 9.5f, 9.5f, 25.5f, 25.5f), D3D_OK);
    EXPECT_EQ(Frame().at(12, 12), 0xFFC06030u);
    for (IUnknown* object : std::initializer_list<IUnknown*>{from, to, sys, drawn}) object->Release();
}

// Vertices and indices rewritten between draws are drawn anew: a square, then
// another one after it picked by new indices.
TEST_F(GlPixels, BuffersRewrittenBetweenDrawsDrawTheirNewContents) {
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(12 * sizeof(TlVertex), 0, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    device_->SetFVF(kTlFvf);
    device_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
    device_->SetIndices(ib);
    for (const auto& [first, colour] : {std::pair{0u, 0xFFFF0000u}, std::pair{6u, 0xFF00FF00u}}) {
        std::vector<TlVertex> quad;
        Quad(quad, 9.5f, 9.5f, 25.5f, 25.5f, 0.5f, colour);
        void* v = nullptr;
        uint16_t* i = nullptr;
        ASSERT_EQ(vb->Lock(first * sizeof(TlVertex), 6 * sizeof(TlVertex), &v, 0), D3D_OK);
        std::copy(quad.begin(), quad.end(), static_cast<TlVertex*>(v));
        vb->Unlock();
        ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&i), 0), D3D_OK);
        for (UINT k = 0; k < 6; ++k) i[k] = uint16_t(first + k);
        ib->Unlock();
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        device_->BeginScene();
        EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 12, 0, 2), D3D_OK);
        device_->EndScene();
        EXPECT_EQ(Frame().at(16, 16), colour);
    }
    // The GL object goes with the last reference, the device's binding included.
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
              D3D_OK);
    device_->SetDepthStencilSurface(depth);
    using d3d9impl::SurfaceImpl, d3d9impl::VertexBufferImpl, d3d9impl::IndexBufferImpl;
    const std::tuple<IUnknown*, GLuint, GLboolean (*)(GLuint)> kNames[] = {
        {vb, static_cast<VertexBufferImpl*>(vb)->glBuffer, [](GLuint n) { return glIsBuffer(n); }},
        {ib, static_cast<IndexBufferImpl*>(ib)->glBuffer, [](GLuint n) { return glIsBuffer(n); }},
        {depth, static_cast<SurfaceImpl*>(depth)->glRenderbuffer, [](GLuint n) { return glIsRenderbuffer(n); }}};
    for (const auto& [object, name, isLive] : kNames) {
        object->Release();
        EXPECT_TRUE(isLive(name)) << name;
    }
    device_->SetStreamSource(0, nullptr, 0, 0), device_->SetIndices(nullptr), device_->SetDepthStencilSurface(nullptr);
    for (const auto& [object, name, isLive] : kNames) EXPECT_FALSE(isLive(name)) << name;
}

TEST_F(GlPixels, ReleasedTexturesAndSurfacesGiveTheirGlObjectsBack) {
    IDirect3DTexture9* tex = MakeTexture(16, 16, [](UINT, UINT) { return 0xFFFFFFFFu; });
    IDirect3DSurface9* rt = nullptr;
    IDirect3DSurface9* depth = nullptr;
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(device_->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
              D3D_OK);
    const GLuint textures[2] = {static_cast<d3d9impl::TextureImpl*>(tex)->glTexture,
                                static_cast<d3d9impl::SurfaceImpl*>(rt)->glTexture};
    const GLuint renderbuffer = static_cast<d3d9impl::SurfaceImpl*>(depth)->glRenderbuffer;
    ASSERT_TRUE(glIsTexture(textures[0]) && glIsTexture(textures[1]) && glIsRenderbuffer(renderbuffer));
    for (IUnknown* object : std::initializer_list<IUnknown*>{tex, rt, depth}) object->Release();
    for (const GLuint name : textures) EXPECT_FALSE(glIsTexture(name)) << "GL texture " << name << " leaked";
    EXPECT_FALSE(glIsRenderbuffer(renderbuffer));
}

// Vertex-shader constants from the float registers into each kind of uniform:
// one row a shader whose colour is element 0 of the constant, given `registers`
// from `start` on; one reaching past the last register or four columns is refused.
TEST_F(GlPixels, VertexShaderConstantsReachTheirUniforms) {
    using Kind = d3d9shader::ConstantKind;
    struct Row {
        const char* type;  // the GLSL type, `count` of them
        Kind kind;
        UINT columns, count, start;
        std::array<float, 4> registers, colour;
        UINT rows = 1;
        HRESULT made = D3D_OK;
    };
    const Row rows[] = {
        {"vec4", Kind::Float, 4, 1, 0, {0.25f, 0.5f, 0.75f, 1}, {0.25f, 0.5f, 0.75f, 1}},
        {"vec4", Kind::Float, 4, 1, 255, {0.5f, 0.25f, 1, 0.75f}, {0.5f, 0.25f, 1, 0.75f}},
        {"vec4", Kind::Float, 4, 2, 255, {}, {}, 1, D3DERR_INVALIDCALL},
        {"vec4", Kind::Float, 5, 1, 0, {}, {}, 1, D3DERR_INVALIDCALL},
        {"vec4", Kind::Float, 0, 1, 0, {}, {}, 1, D3DERR_INVALIDCALL},
        {"vec4", Kind::Float, 4, 0, 0, {}, {}, 1, D3DERR_INVALIDCALL},
        {"vec4", Kind::Float, 4, 1, 0, {}, {}, 0, D3DERR_INVALIDCALL},
        {"mat4", Kind::Float, 4, 1, 252, {0.5f, 0.25f, 1, 0.75f}, {0.5f, 0.25f, 1, 0.75f}, 4},  // column 0
        {"mat4", Kind::Float, 4, 1, 253, {}, {}, 4, D3DERR_INVALIDCALL},
        {"float", Kind::Float, 1, 1, 6, {0.625f, 9, 9, 9}, {0.625f, 0, 0, 1}},
        {"vec2", Kind::Float, 2, 1, 7, {0.125f, 0.375f, 9, 9}, {0.125f, 0.375f, 0, 1}},
        {"vec3", Kind::Float, 3, 1, 8, {0.25f, 0.5f, 0.75f, 9}, {0.25f, 0.5f, 0.75f, 1}},
        {"uint", Kind::UInt, 1, 1, 9, {7.5f, 9, 9, 9}, {7, 0, 0, 1}},
        {"uvec2", Kind::UInt, 2, 1, 10, {-3, 5, 9, 9}, {0, 5, 0, 1}},
        {"uvec3", Kind::UInt, 3, 1, 11, {1, -0.5f, 6, 9}, {1, 0, 6, 1}},
        {"uvec4", Kind::UInt, 4, 1, 3, {-1, 2, 0.5f, 3}, {0, 2, 0, 3}},
        {"int", Kind::Int, 1, 1, 12, {-5.5f, 9, 9, 9}, {-5, 0, 0, 1}},
        {"ivec2", Kind::Int, 2, 1, 13, {4, -1, 9, 9}, {4, -1, 0, 1}},
        {"ivec3", Kind::Int, 3, 1, 14, {-3, 2.5f, 1, 9}, {-3, 2, 1, 1}},
        {"ivec4", Kind::Int, 4, 1, 4, {-2, 1.75f, -0.5f, 3}, {-2, 1, 0, 3}},
    };
    device_->SetFVF(D3DFVF_XYZ);
    device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    const float triangle[3][3] = {{-1, -1, 0.5f}, {-1, 1, 0.5f}, {1, 1, 0.5f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.type) + " at c" + std::to_string(row.start) + " x" + std::to_string(row.count));
        const char* const padding[] = {"", ", 0.0, 0.0, 1.0", ", 0.0, 1.0", ", 1.0", ""};
        const std::string colour = row.rows == 4 ? "vec4(uK[0][0])" : "vec4(uK[0]" + std::string(padding[row.columns % 5]) + ")";
        d3d9shader::VertexShaderDesc desc;
        desc.glsl = "#version 330 core\nin vec4 aPos;\nuniform " + std::string(row.type) + " uK[" +
                    std::to_string(row.count) + "];\nvec4 oPos, oColor, oTex;\nvoid ShaderMain() { oPos = aPos; oColor = " +
                    colour + "; oTex = oColor.wzyx; }\n";
        desc.inputs = {{D3DDECLUSAGE_POSITION, 0, "aPos"}};
        desc.outputs = {{D3DDECLUSAGE_POSITION, 0, "oPos", 4}, {D3DDECLUSAGE_COLOR, 0, "oColor", 4},
                        {D3DDECLUSAGE_TEXCOORD, 1, "oTex", 4}};
        desc.constants = {{"uK", row.kind, row.rows, row.columns, row.count, row.start}};
        IDirect3DVertexShader9* shader = nullptr;
        ASSERT_EQ(d3d9shader::CreateVertexShader(device_, desc, &shader), row.made);
        if (row.made != D3D_OK) continue;
        ASSERT_EQ(device_->SetVertexShaderConstantF(row.start, row.registers.data(), 1), D3D_OK);
        device_->SetVertexShader(shader);
        d3d9shader::capture::Enable(true);
        device_->BeginScene();
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof triangle[0]), D3D_OK);
        device_->EndScene();
        const auto out = d3d9shader::capture::Last();
        d3d9shader::capture::Enable(false);
        device_->SetVertexShader(nullptr);
        shader->Release();
        ASSERT_EQ(out.size(), 3u);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(out[0].color[c], row.colour[size_t(c)]) << c;
        EXPECT_TRUE(std::equal(row.colour.rbegin(), row.colour.rend(), out[0].tex[1])) << "the second set, reversed";
        EXPECT_TRUE(row.start != 0 || Frame().at(100, 100) == 0xFF4080BFu) << "a shader giving no specular adds none";
    }
}

TEST(Letterbox, KeepsTheAspectCentred) {
    // A taller screen has bars above and below, a wider one left and right.
    const std::pair<std::array<UINT, 2>, std::array<LONG, 4>> kScreens[] = {
        {{1280, 1024}, {0, 32, 1280, 992}}, {{1920, 1080}, {240, 0, 1680, 1080}}, {{640, 480}, {0, 0, 640, 480}}};
    for (const auto& [screen, box] : kScreens) {
        const RECT r = d3d9impl::LetterboxRect(640, 480, screen[0], screen[1]);
        EXPECT_EQ((std::array<LONG, 4>{r.left, r.top, r.right, r.bottom}), box) << screen[0] << "x" << screen[1];
    }
}

// Full screen on a display of its own: on a shared one a window of another test
// takes the focus, and a full-screen device is lost without it (as Direct3D's
// is). The windowing layer keeps the display it opened first, so a process that
// has opened one already (the suite run as one process) stays on it.
class GlFullScreen : public GlDeviceTest {
protected:
    void SetUp() override {}
    void TearDown() override {}

    void LetterboxesTheBackBuffer() {
        D3DPRESENT_PARAMETERS full = params_;
        full.Windowed = FALSE;
        ASSERT_EQ(device_->Reset(&full), D3D_OK);
        EXPECT_TRUE(d3d9test::IsFullscreen(device_));
        // A window manager answers the request for full screen by giving the window
        // the whole screen; the tests' display runs none, so the test does it.
        const std::string title = "d3d9 full screen " + std::to_string(getpid());
        ASSERT_TRUE(SetWindowTextA(window_, title.c_str()));
        int width = 0, height = 0;
        const std::string screen = testsupport::Shell("xdotool getdisplaygeometry");
        ASSERT_EQ(std::sscanf(screen.c_str(), "%d %d", &width, &height), 2) << screen;
        const std::string id = testsupport::Shell("timeout 10 xdotool search --sync --name '^" + title + "$' | head -n 1");
        ASSERT_FALSE(id.empty()) << "no window named " << title;
        testsupport::Shell("xdotool windowmove " + id + " 0 0 windowsize " + id + " " + std::to_string(width) + " " +
                           std::to_string(height));
        MSG msg;
        for (int i = 0; i < 50; ++i) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            }
            SleepEx(10, FALSE);
        }
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        // GL sees the window's new size from the swap after the change on.
        HRESULT first = device_->Present(nullptr, nullptr, nullptr, nullptr);
        d3d9test::SetPresentCapture(true);
        HRESULT second = device_->Present(nullptr, nullptr, nullptr, nullptr);
        ASSERT_EQ(first, D3D_OK);
        ASSERT_EQ(second, D3D_OK);
        d3d9test::Image shown = d3d9test::LastPresentedFrame();
        ASSERT_EQ(shown.width, UINT(width));
        ASSERT_EQ(shown.height, UINT(height));
        // Read back past the window's real size, pixels would have alpha 0.
        EXPECT_EQ(shown.at(shown.width - 1, shown.height - 1) >> 24, 0xFFu);
        RECT r = d3d9impl::LetterboxRect(640, 480, shown.width, shown.height);
        EXPECT_EQ(shown.at(shown.width / 2, shown.height / 2) & 0xFFFFFF, 0x5A5A78u);
        EXPECT_EQ(shown.at(UINT(r.left), UINT(r.top)) & 0xFFFFFF, 0x5A5A78u);
        if (r.top > 0) {
            EXPECT_EQ(shown.at(shown.width / 2, UINT(r.top - 1)) & 0xFFFFFF, 0u);
        }
        if (r.left > 0) {
            EXPECT_EQ(shown.at(UINT(r.left - 1), shown.height / 2) & 0xFFFFFF, 0u);
        }
        // Out of focus, full screen is lost until the focus returns; then it wants a reset.
        const Uint32 ours = SDL_GetWindowID(platform::SdlWindowOf(window_));
        const auto focus = [&](Uint8 change, Uint32 id) {
            SDL_Event e{};
            e.window = {SDL_WINDOWEVENT, 0, id, change};
            SDL_PushEvent(&e);
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            }
            return std::pair(device_->TestCooperativeLevel(), device_->TestCooperativeLevel());
        };
        EXPECT_EQ(focus(SDL_WINDOWEVENT_FOCUS_LOST, ours + 1), std::pair(D3D_OK, D3D_OK));  // another window's
        EXPECT_EQ(focus(SDL_WINDOWEVENT_FOCUS_LOST, ours), std::pair(D3DERR_DEVICELOST, D3DERR_DEVICELOST));
        EXPECT_EQ(focus(SDL_WINDOWEVENT_FOCUS_GAINED, ours + 1), std::pair(D3DERR_DEVICELOST, D3DERR_DEVICELOST));
        EXPECT_EQ(focus(SDL_WINDOWEVENT_FOCUS_GAINED, ours), std::pair(D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET));
        D3DPRESENT_PARAMETERS windowed = params_;
        ASSERT_EQ(device_->Reset(&windowed), D3D_OK);
        EXPECT_FALSE(d3d9test::IsFullscreen(device_));
    }
};

TEST_F(GlFullScreen, LetterboxesTheBackBuffer) {
    const auto run = [this] {
        GlDeviceTest::SetUp();
        if (!HasFatalFailure()) LetterboxesTheBackBuffer();
        GlDeviceTest::TearDown();
    };
    if (SDL_WasInit(SDL_INIT_VIDEO)) return run();
    const pid_t parent = getpid();
    EXPECT_EQ(testsupport::RunInChild([&] {
                  testdisplay::EndWithParent(parent);
                  testdisplay::PrivateDisplay display;
                  if (display.name().empty()) return 2;
                  run();
                  return HasFailure() ? 1 : 0;
              }),
              0)
        << "2: no X server of its own";
}

}  // namespace
