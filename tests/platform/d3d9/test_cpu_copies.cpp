// Where pixels are held. Managed textures on the GL backend: GL alone holds them
// between locks; a lock copies its rectangle out of GL and the unlock uploads it.
// Targets and depth buffers, which GL draws, make their CPU copy at the first
// read. The null backend and the pools that need a CPU copy keep one.
#include <algorithm>
#include <cstring>

#include "d3d9_fixture.h"
#include "platform/d3d9/d3d9_internal.h"

using namespace d3d9fixture;

namespace {

constexpr D3DCOLOR kGrey = 0xFF5A5A78;

struct FormatCase {
    D3DFORMAT format;
    UINT bytes;
    // Bits the format leaves unused (X): they read back set, so the pattern sets them.
    uint32_t unusedBits;
};

const FormatCase kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, 0},          {D3DFMT_X8R8G8B8, 4, 0xFF000000u}, {D3DFMT_A8B8G8R8, 4, 0},
    {D3DFMT_X8B8G8R8, 4, 0xFF000000u}, {D3DFMT_R5G6B5, 2, 0},            {D3DFMT_X1R5G5B5, 2, 0x8000u},
    {D3DFMT_A1R5G5B5, 2, 0},          {D3DFMT_A4R4G4B4, 2, 0},          {D3DFMT_X4R4G4B4, 2, 0xF000u},
    {D3DFMT_A8R3G3B2, 2, 0},          {D3DFMT_R3G3B2, 1, 0},            {D3DFMT_A8, 1, 0},
    {D3DFMT_L8, 1, 0},                {D3DFMT_A8L8, 2, 0},              {D3DFMT_A4L4, 1, 0},
};

// A texel's bytes that differ from its neighbours' and from other levels' and runs'.
uint32_t Pattern(const FormatCase& f, UINT x, UINT y, UINT level, UINT seed) {
    uint32_t v = 0;
    for (UINT b = 0; b < f.bytes; ++b)
        v |= uint32_t(uint8_t(x * 7 + y * 13 + b * 29 + level * 31 + seed * 53 + 1)) << (8 * b);
    return v | f.unusedBits;
}

uint32_t Load(const uint8_t* p, UINT bytes) {
    uint32_t v = 0;
    std::memcpy(&v, p, bytes);
    return v;
}

void Store(uint8_t* p, UINT bytes, uint32_t v) { std::memcpy(p, &v, bytes); }

// Writes texel(x, y) into `rect` of a level through a lock; answers the lock's pitch (0: the lock failed).
INT Fill(IDirect3DTexture9* tex, UINT level, UINT bytes, const RECT* rect,
         const std::function<uint32_t(UINT, UINT)>& texel) {
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(level, &desc);
    const RECT r = rect ? *rect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    D3DLOCKED_RECT lr{};
    if (FAILED(tex->LockRect(level, &lr, rect, 0))) return 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            Store(static_cast<uint8_t*>(lr.pBits) + size_t(y - r.top) * lr.Pitch + size_t(x - r.left) * bytes, bytes,
                  texel(UINT(x), UINT(y)));
    return SUCCEEDED(tex->UnlockRect(level)) ? lr.Pitch : 0;
}
INT Fill(IDirect3DTexture9* tex, UINT level, const FormatCase& f, const RECT* rect, UINT seed) {
    return Fill(tex, level, f.bytes, rect, [&](UINT x, UINT y) { return Pattern(f, x, y, level, seed); });
}

// Texels of a level that differ from what `expected` says, read through a
// read-only lock and again through the tests' read-back of the level.
int Mismatches(IDirect3DTexture9* tex, UINT level, const FormatCase& f,
               const std::function<uint32_t(UINT, UINT)>& expected) {
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(level, &desc);
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(tex->GetSurfaceLevel(level, &surface))) return -1;
    const d3d9test::Image image = d3d9test::ReadSurface(surface);
    surface->Release();
    D3DLOCKED_RECT lr{};
    if (image.width != desc.Width || image.height != desc.Height) return -1;
    if (FAILED(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY))) return -1;
    int wrong = 0;
    for (UINT y = 0; y < desc.Height; ++y)
        for (UINT x = 0; x < desc.Width; ++x) {
            uint8_t want[4];
            Store(want, f.bytes, expected(x, y));
            wrong += Load(static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch + size_t(x) * f.bytes, f.bytes) !=
                     expected(x, y);
            wrong += image.at(x, y) != d3d9impl::ReadPixel(f.format, want);
        }
    tex->UnlockRect(level);
    return wrong;
}

using ManagedTextures = GlDeviceTest;

TEST_F(ManagedTextures, EveryDrawableFormatKeepsNoCpuCopyAndLocksReadBackTheSameBytes) {
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(testing::Message() << "format " << f.format);
        IDirect3DTexture9* tex = nullptr;
        ASSERT_EQ(device_->CreateTexture(40, 24, 3, 0, f.format, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
        EXPECT_EQ(d3d9test::CpuBytes(tex), 0u) << "a new texture holds nothing on the CPU side";
        for (UINT level = 0; level < 3; ++level) {
            EXPECT_EQ(Fill(tex, level, f, nullptr, 0), INT((40u >> level) * f.bytes));
            EXPECT_EQ(d3d9test::CpuBytes(tex), 0u) << "level " << level << " uploaded and dropped";
        }
        for (UINT level = 0; level < 3; ++level)
            EXPECT_EQ(Mismatches(tex, level, f, [&](UINT x, UINT y) { return Pattern(f, x, y, level, 0); }), 0)
                << "level " << level;
        EXPECT_EQ(d3d9test::CpuBytes(tex), 0u) << "read-only locks and read-backs leave nothing behind";
        tex->Release();
    }
}

TEST_F(ManagedTextures, PartialLockCopiesOnlyItsRectangleAndWritesBackOnlyThat) {
    for (UINT padding : {0u, 12u}) {
        for (const FormatCase& f : {kFormats[0], kFormats[4], kFormats[12]}) {
            SCOPED_TRACE(testing::Message() << "format " << f.format << ", padding " << padding);
            d3d9test::SetPitchPadding(padding);
            IDirect3DTexture9* tex = nullptr;
            ASSERT_EQ(device_->CreateTexture(64, 32, 1, 0, f.format, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
            Fill(tex, 0, f, nullptr, 1);
            const RECT part{5, 7, 25, 19};
            D3DLOCKED_RECT lr{};
            ASSERT_EQ(tex->LockRect(0, &lr, &part, 0), D3D_OK);
            const size_t rowBytes = 20u * f.bytes;
            EXPECT_EQ(lr.Pitch, INT(rowBytes + padding));
            EXPECT_EQ(d3d9test::CpuBytes(tex), (rowBytes + padding) * 12u) << "the rectangle alone is copied";
            // It starts as the level's pixels, and only its inner half changes.
            int wrongStart = 0;
            for (LONG y = part.top; y < part.bottom; ++y)
                for (LONG x = part.left; x < part.right; ++x) {
                    uint8_t* p = static_cast<uint8_t*>(lr.pBits) + size_t(y - part.top) * lr.Pitch +
                                 size_t(x - part.left) * f.bytes;
                    if (Load(p, f.bytes) != Pattern(f, UINT(x), UINT(y), 0, 1)) ++wrongStart;
                    if (x >= 10 && x < 20 && y >= 10 && y < 16) Store(p, f.bytes, Pattern(f, UINT(x), UINT(y), 0, 2));
                }
            EXPECT_EQ(wrongStart, 0);
            ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
            EXPECT_EQ(d3d9test::CpuBytes(tex), 0u);
            EXPECT_EQ(Mismatches(tex, 0, f,
                                 [&](UINT x, UINT y) {
                                     return Pattern(f, x, y, 0, x >= 10 && x < 20 && y >= 10 && y < 16 ? 2 : 1);
                                 }),
                      0);
            tex->Release();
        }
    }
}

TEST_F(ManagedTextures, UnwrittenTexturesReadAndDrawAsZeroEvenAroundAFirstPartialWrite) {
    const FormatCase& f = kFormats[0];
    IDirect3DTexture9* untouched = nullptr;
    IDirect3DTexture9* partial = nullptr;
    ASSERT_EQ(device_->CreateTexture(32, 32, 1, 0, f.format, D3DPOOL_MANAGED, &untouched, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateTexture(32, 32, 1, 0, f.format, D3DPOOL_MANAGED, &partial, nullptr), D3D_OK);
    EXPECT_EQ(Mismatches(untouched, 0, f, [](UINT, UINT) { return 0u; }), 0);
    const RECT corner{24, 24, 32, 32};
    Fill(partial, 0, f, &corner, 3);
    auto inCorner = [](UINT x, UINT y) { return x >= 24 && y >= 24; };
    EXPECT_EQ(Mismatches(partial, 0, f, [&](UINT x, UINT y) { return inCorner(x, y) ? Pattern(f, x, y, 0, 3) : 0u; }),
              0);
    // Drawn with the texture's alpha: zero texels leave the grey behind.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(DrawTexturedQuad(untouched, 99.5f, 99.5f, 131.5f, 131.5f), D3D_OK);
    ASSERT_EQ(DrawTexturedQuad(partial, 199.5f, 99.5f, 231.5f, 131.5f), D3D_OK);
    d3d9test::Image frame = Frame();
    EXPECT_EQ(frame.at(110, 110), kGrey);
    EXPECT_EQ(frame.at(205, 105), kGrey);
    // The written corner blends over the grey by its own alpha.
    const uint32_t texel = Pattern(f, 28, 28, 0, 3);
    const int alpha = Channel(texel, 24);
    uint32_t blended = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        blended |= uint32_t((Channel(texel, shift) * alpha + Channel(kGrey, shift) * (255 - alpha) + 127) / 255) << shift;
    EXPECT_TRUE(Near(frame.at(228, 128), blended, 2));
    EXPECT_NE(frame.at(228, 128), kGrey);
    EXPECT_EQ(d3d9test::CpuBytes(untouched) + d3d9test::CpuBytes(partial), 0u);
    untouched->Release();
    partial->Release();
}

TEST_F(ManagedTextures, ALockModifyUnlockShowsOnScreenAndSurvivesLossAndReset) {
    IDirect3DTexture9* tex =
        MakeTexture(64, 64, [](UINT x, UINT y) { return 0xFF000000u | (x * 4) << 16 | (y * 4) << 8; });
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(d3d9test::CpuBytes(tex), 0u);
    auto show = [&]() {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        EXPECT_EQ(DrawTexturedQuad(tex, 99.5f, 49.5f, 163.5f, 113.5f), D3D_OK);
        d3d9test::SetPresentCapture(true);
        EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        return d3d9test::LastPresentedFrame();
    };
    auto paint = [&](const RECT& r, D3DCOLOR colour) { return Fill(tex, 0, 4, &r, [&](UINT, UINT) { return colour; }); };
    d3d9test::Image before = show();
    ASSERT_EQ(before.width, 640u);
    EXPECT_EQ(before.at(100 + 40, 50 + 20) & 0xFFFFFF, 0xA05000u);

    ASSERT_NE(paint(RECT{32, 16, 48, 24}, 0xFFFF00FF), 0);
    d3d9test::Image after = show();
    int changed = 0, wrong = 0;
    for (UINT y = 50; y < 114; ++y)
        for (UINT x = 100; x < 164; ++x) {
            const bool inside = x >= 132 && x < 148 && y >= 66 && y < 74;
            if (inside) wrong += (after.at(x, y) & 0xFFFFFF) != 0xFF00FFu;
            else wrong += after.at(x, y) != before.at(x, y);
            changed += after.at(x, y) != before.at(x, y);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(changed, 16 * 8);

    // While the device is lost a managed texture still locks; after the reset it draws what was written.
    d3d9test::LoseDevice(device_, 1);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    ASSERT_NE(paint(RECT{0, 0, 8, 8}, 0xFF00FF00), 0);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS pp = params_;
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    d3d9test::Image reset = show();
    EXPECT_EQ(reset.at(103, 53) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(reset.at(140, 70) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(reset.at(150, 100), after.at(150, 100));
    EXPECT_EQ(d3d9test::CpuBytes(tex), 0u);
    tex->Release();
}

TEST_F(ManagedTextures, PoolsAndFormatsGlCannotHoldKeepTheirCpuCopy) {
    struct Case {
        const char* what;
        D3DFORMAT format;
        D3DPOOL pool;
        DWORD usage;
        size_t bytes;  // of a 16 x 16 level
    };
    const Case cases[] = {
        {"managed, block-compressed", D3DFMT_DXT1, D3DPOOL_MANAGED, 0, 4 * 4 * 8},
        {"system memory", D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, 0, 16 * 16 * 4},
        {"default, dynamic", D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC, 16 * 16 * 4},
        {"default, render target", D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, 16 * 16 * 4},
    };
    // The block format must be offered for the managed case.
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.textureFormats.push_back(D3DFMT_DXT1);
    d3d9test::SetAdapter(adapter);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IDirect3DTexture9* tex = nullptr;
        ASSERT_EQ(device_->CreateTexture(16, 16, 1, c.usage, c.format, c.pool, &tex, nullptr), D3D_OK);
        if (c.usage & D3DUSAGE_RENDERTARGET) {
            // GL draws a target: its copy is made by the first read, and kept.
            EXPECT_EQ(d3d9test::CpuBytes(tex), 0u);
            IDirect3DSurface9* level = nullptr;
            ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
            d3d9test::Image image = d3d9test::ReadSurface(level);
            ASSERT_EQ(image.pixels.size(), 16u * 16u);
            EXPECT_EQ(image.at(15, 15), 0xCDCDCDCDu) << "new default-pool contents are poisoned";
            level->Release();
        }
        EXPECT_EQ(d3d9test::CpuBytes(tex), c.bytes);
        if (c.pool != D3DPOOL_DEFAULT || (c.usage & D3DUSAGE_DYNAMIC)) {
            D3DLOCKED_RECT lr{};
            ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
            std::memset(lr.pBits, 0x5C, c.bytes);
            ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
            ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
            EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[c.bytes - 1], 0x5C);
            EXPECT_EQ(lr.Pitch, INT(c.bytes / (c.format == D3DFMT_DXT1 ? 4 : 16)));
            tex->UnlockRect(0);
            EXPECT_EQ(d3d9test::CpuBytes(tex), c.bytes);
        }
        tex->Release();
    }
}

using DrawnTargets = GlDeviceTest;

TEST_F(DrawnTargets, MakeTheirCopyAtTheFirstReadAndItHoldsWhatGlDrew) {
    IDirect3DSurface9* rt = nullptr;
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* untouchedDepth = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(32, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &rt, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(32, 16, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, 0, FALSE, &depth,
                                                 nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(32, 16, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                 &untouchedDepth, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);
    for (IDirect3DSurface9* s : {rt, depth, untouchedDepth, backBuffer}) EXPECT_EQ(d3d9test::CpuBytes(s), 0u);

    ASSERT_EQ(device_->SetRenderTarget(0, rt), D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth), D3D_OK);
    // A clear writes depth though the last draw wrote none.
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    std::vector<TlVertex> quad;
    Quad(quad, -0.5f, -0.5f, 31.5f, 15.5f, 0.25f, 0xFFFFFFFF);
    device_->BeginScene();
    EXPECT_EQ(DrawTl(quad), D3D_OK);
    device_->EndScene();
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF20C040, 0.5f, 0), D3D_OK);
    EXPECT_EQ(d3d9test::CpuBytes(rt) + d3d9test::CpuBytes(depth), 0u) << "drawing needs no CPU copy";
    d3d9test::Image image = d3d9test::ReadSurface(rt);
    ASSERT_EQ(image.pixels.size(), 32u * 16u);
    EXPECT_EQ(std::count(image.pixels.begin(), image.pixels.end(), 0xFF20C040u), 32 * 16);
    EXPECT_EQ(d3d9test::CpuBytes(rt), 32u * 16u * 4u);

    D3DLOCKED_RECT lr{};
    ASSERT_EQ(depth->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint16_t z = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(lr.pBits) + 15 * lr.Pitch)[31];
    EXPECT_NEAR(z, 0x8000, 2) << "the cleared depth, read back from GL";
    depth->UnlockRect();
    ASSERT_EQ(untouchedDepth->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint16_t*>(lr.pBits), 0xCDCD) << "new default-pool contents are poisoned";
    untouchedDepth->UnlockRect();

    // The device's own back buffer starts black, and shows what was cleared into it.
    ASSERT_EQ(device_->SetRenderTarget(0, backBuffer), D3D_OK);
    device_->SetDepthStencilSurface(nullptr);
    EXPECT_EQ(d3d9test::ReadSurface(backBuffer).at(100, 100), 0xFF000000u);
    D3DRECT box{10, 10, 20, 20};
    ASSERT_EQ(device_->Clear(1, &box, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    ASSERT_EQ(backBuffer->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(lr.pBits) + 15 * lr.Pitch);
    EXPECT_EQ(row[15] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(row[25] & 0xFFFFFF, 0u);
    backBuffer->UnlockRect();
    // A depth surface the window holds beside the back buffer reads back top row first too.
    IDirect3DSurface9* windowDepth = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(640, 480, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                 &windowDepth, nullptr),
              D3D_OK);
    device_->SetDepthStencilSurface(windowDepth);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->Clear(1, &box, D3DCLEAR_ZBUFFER, 0, 0.0f, 0), D3D_OK);
    ASSERT_EQ(windowDepth->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* zRow = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(lr.pBits) + 15 * lr.Pitch);
    EXPECT_EQ(zRow[15], 0);
    EXPECT_EQ(zRow[25], 0xFFFF);
    windowDepth->UnlockRect();
    device_->SetDepthStencilSurface(nullptr);
    for (IDirect3DSurface9* s : {rt, depth, untouchedDepth, backBuffer, windowDepth}) s->Release();
}

// A target keeps the alpha it was cleared or drawn with only where its format stores one.
TEST_F(DrawnTargets, KeepAlphaOnlyWhereTheirFormatHasIt) {
    const std::pair<D3DFORMAT, uint32_t> kTargets[] = {
        {D3DFMT_A8R8G8B8, 0x00}, {D3DFMT_X8R8G8B8, 0xFF}, {D3DFMT_R5G6B5, 0xFF},
        {D3DFMT_X1R5G5B5, 0xFF}, {D3DFMT_A1R5G5B5, 0x00}, {D3DFMT_A4R4G4B4, 0x00}};
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);
    for (const auto& [format, alpha] : kTargets) {
        SCOPED_TRACE(format);
        IDirect3DSurface9* rt = nullptr;
        ASSERT_EQ(device_->CreateRenderTarget(16, 16, format, D3DMULTISAMPLE_NONE, 0, TRUE, &rt, nullptr), D3D_OK);
        ASSERT_EQ(device_->SetRenderTarget(0, rt), D3D_OK);
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 1.0f, 0), D3D_OK);
        EXPECT_EQ(d3d9test::ReadSurface(rt).at(1, 1) >> 24, alpha) << "cleared";
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        std::vector<TlVertex> quad;
        Quad(quad, -0.5f, -0.5f, 7.5f, 7.5f, 0.5f, 0x00FFFFFF);
        device_->BeginScene();
        EXPECT_EQ(DrawTl(quad), D3D_OK);
        device_->EndScene();
        EXPECT_EQ(d3d9test::ReadSurface(rt).at(1, 1) >> 24, alpha) << "drawn";
        device_->SetRenderTarget(0, backBuffer);
        rt->Release();
    }
    backBuffer->Release();
}

// The null backend has no GL: the CPU copy is the only store, and locks hand it out.
using NullManagedTextures = NullDeviceTest;

TEST_F(NullManagedTextures, KeepTheirCpuCopy) {
    const FormatCase& f = kFormats[0];
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(32, 16, 2, 0, f.format, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    EXPECT_EQ(d3d9test::CpuBytes(tex), size_t(32 * 16 + 16 * 8) * 4);
    Fill(tex, 0, f, nullptr, 4);
    const RECT part{4, 2, 12, 6};
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, &part, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 32 * 4) << "a lock points into the level itself";
    EXPECT_EQ(Load(static_cast<uint8_t*>(lr.pBits) + lr.Pitch, 4), Pattern(f, 4, 3, 0, 4));
    tex->UnlockRect(0);
    EXPECT_EQ(Mismatches(tex, 0, f, [&](UINT x, UINT y) { return Pattern(f, x, y, 0, 4); }), 0);
    EXPECT_EQ(d3d9test::CpuBytes(tex), size_t(32 * 16 + 16 * 8) * 4);
    tex->Release();
}

}  // namespace
