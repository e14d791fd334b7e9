// Textures on the null backend: sizing and coordinates, sharing by path and by
// archive entry, the failure paths and forged headers, lock and fill by format,
// copies, saving, and what a device reset does to each pool.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/graphics/CSheet.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSheet.h"
#include "tests/engine/graphics/lag_writer.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/platform/d3dx9/forged_images.h"

namespace {

using spritetest::CodedPicture;
using spritetest::MakeDds;
using spritetest::MakeTga;
using spritetest::Texels;

const std::string kPngSuite = testsupport::SourceDir() + "/../shared/testdata/pngsuite/png/";

class Textures : public spritetest::SpriteTest {
protected:
    CTexture* FromPicture(const std::string& name, uint32_t w, uint32_t h) {
        return KestraTexture::CreateFromFile(Scratch(name, MakeDds(w, h, CodedPicture(w, h))).c_str(), 14, 0);
    }
    static D3DSURFACE_DESC Desc(CTexture* t) {
        D3DSURFACE_DESC d{};
        IDirect3DTexture9* raw = nullptr;
        t->GetTexture(&raw);
        if (raw) {
            raw->GetLevelDesc(0, &d);
            raw->Release();
        }
        return d;
    }
    static IDirect3DTexture9* Raw(CTexture* t) {
        IDirect3DTexture9* raw = nullptr;
        t->GetTexture(&raw);
        if (raw) raw->Release();
        return raw;
    }
};

TEST_F(Textures, ImagesGrowToPowersOfTwoAndCoordinatesFollowTheImage) {
    Start();
    CTexture* t = FromPicture("wide.dds", 300, 200);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetWidth(), 512u);
    EXPECT_EQ(t->GetHeight(), 256u);
    EXPECT_EQ(t->GetImageWidth(), 300u);
    EXPECT_EQ(t->GetImageHeight(), 200u);
    EXPECT_EQ(t->GetPool(), D3DPOOL_MANAGED);
    EXPECT_EQ(t->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_FLOAT_EQ(t->PixelToU(300), 1.0f);
    EXPECT_FLOAT_EQ(t->PixelToV(100), 0.5f);
    EXPECT_FLOAT_EQ(KestraTexture::PixelToU(t, 150), 0.5f);
    EXPECT_FLOAT_EQ(KestraTexture::PixelToV(t, 100), 0.5f);
    EXPECT_FLOAT_EQ(KestraTexture::PixelToU(nullptr, 150), 0.0f);
    EXPECT_FLOAT_EQ(KestraTexture::PixelToV(nullptr, 150), 0.0f);
    EXPECT_EQ(Desc(t).Width, 512u);
    EXPECT_NE(Log().find("SIZE [ 512 x 256 ] FORMAT [ A8R8G8B8 ] MIPMAP [ 1 ] : "), std::string::npos);

    CTexture* one = FromPicture("one.dds", 1, 1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetWidth(), 1u);
    EXPECT_EQ(one->GetHeight(), 1u);

    CTexture* exact = KestraTexture::GetManager()->CreateEx(100, 100, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(Desc(exact).Width, 100u);
    EXPECT_STREQ(exact->GetName(), "OFFSCREEN_EX [100x100] A8R8G8B8");

    CTexture* empty = KestraTexture::Create(300, 5, 14);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(Desc(empty).Width, 512u);
    EXPECT_EQ(Desc(empty).Height, 8u);
    EXPECT_EQ(empty->GetImageWidth(), 300u);
    EXPECT_STREQ(empty->GetName(), "OFFSCREEN [300x5] A8R8G8B8");
    EXPECT_NE(Log().find("CTexture::Create</FONT></B> : SIZE [ 512 x 8 ] FORMAT [ A8R8G8B8 ] : "), std::string::npos)
        << Log();
    for (CTexture* x : {t, one, exact, empty}) KestraTexture::Release(x);
    EXPECT_EQ(Manager()->GetCount(), 0u);
}

TEST_F(Textures, SidesAreHalvedToTheDeviceLimitIndependently) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.caps.MaxTextureWidth = 1024;
    adapter.caps.MaxTextureHeight = 1024;
    d3d9test::SetAdapter(adapter);
    Start();
    CTexture* t = FromPicture("long.dds", 2048, 64);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetWidth(), 1024u);
    EXPECT_EQ(t->GetHeight(), 64u);
    EXPECT_FLOAT_EQ(t->PixelToU(2048), 1.0f);
    // Squeezed to half: texel x holds image pixels 2x and 2x + 1 averaged.
    const std::vector<uint32_t> texels = Texels(t);
    ASSERT_EQ(texels.size(), 1024u * 64u);
    EXPECT_EQ(texels[0] & 0xFFFF, spritetest::CodedTexel(0, 0) & 0xFFFF);
    KestraTexture::Release(t);
}

TEST_F(Textures, TheSameFileByAnySpellingOfItsPathIsSharedWithOneMoreReference) {
    Start();
    spritetest::MakeFolder(dir_.path() + "/img");
    spritetest::MakeFolder(dir_.path() + "/other");
    const std::string png = testsupport::ReadFile(kPngSuite + "basn6a08.png");
    Scratch("img/Tex.png", png);
    Scratch("other/Tex.png", png);
    CTexture* a = KestraTexture::CreateFromFile((dir_.path() + "/img/tex.png").c_str(), 14, 0);
    ASSERT_NE(a, nullptr);
    const int creates = Count("CTexture::CreateFromFile");
    CTexture* b = KestraTexture::CreateFromFile((dir_.path() + "/IMG/TEX.PNG").c_str(), 12, 0xFF00FF00);
    EXPECT_EQ(b, a) << "the kind and colour key of the second load do not matter";
    EXPECT_EQ(a->GetRefCount(), 2);
    EXPECT_EQ(Count("CTexture::CreateFromFile"), creates) << "a shared load logs nothing";
    EXPECT_NE(std::string(a->GetName()).find("img/tex.png"), std::string::npos) << a->GetName();
    // "." and empty components, and ".." back out of a folder, name the same file.
    for (const char* spelling : {"/./img/tex.png", "//img//./Tex.png", "/other/../img/tex.png"}) {
        CTexture* again = KestraTexture::CreateFromFile((dir_.path() + spelling).c_str(), 14, 0);
        EXPECT_EQ(again, a) << spelling;
        KestraTexture::Release(again);
    }
    EXPECT_EQ(a->GetRefCount(), 2);

    CTexture* c = KestraTexture::CreateFromFile((dir_.path() + "/other/tex.png").c_str(), 14, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, a) << "another path is another texture";

    const std::string before = Log();
    EXPECT_EQ(KestraTexture::CreateFromFile((dir_.path() + "/img/none.png").c_str(), 14, 0), nullptr);
    EXPECT_EQ(Log(), before) << "a missing file logs nothing";

    KestraTexture::Release(b);
    EXPECT_EQ(Manager()->GetCount(), 2u);
    KestraTexture::Release(a);
    KestraTexture::Release(c);
    EXPECT_EQ(Manager()->GetCount(), 0u);
}

TEST_F(Textures, ArchiveEntriesLoadAndShareUnderArchiveAndEntryName) {
    Start();
    std::vector<uint8_t> pixels;
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x) lagtest::PutKind1(pixels, x * 30, y * 60, 200, 255);
    lagtest::LagWriter lag;
    lag.Add("other", 2, 2, 1, std::vector<uint8_t>(16, 0x11)).Add("sprite", 8, 4, 5, pixels);
    const std::string archive = Scratch("images.lag", lag.bytes());

    CTexture* t = KestraTexture::CreateFromLAG(archive.c_str(), "sprite", 14);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(t->GetName()), archive + "[sprite]");
    EXPECT_EQ(t->GetImageWidth(), 8u);
    const std::vector<uint32_t> texels = Texels(t);
    ASSERT_EQ(texels.size(), 32u);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_EQ(texels[y * 8 + x], 0xFF000000u | (200u << 16) | ((y * 60) << 8) | (x * 30)) << x << "," << y;
    EXPECT_NE(Log().find(": [ " + archive + " / sprite ] : "), std::string::npos);

    CTexture* again = KestraTexture::CreateFromLAG((dir_.path() + "/./" + "images.lag").c_str(), "SPRITE", 14);
    EXPECT_EQ(again, t) << "names compare without regard to case, the entry's included, and paths as files";
    EXPECT_EQ(t->GetRefCount(), 2);

    EXPECT_EQ(KestraTexture::CreateFromLAG(archive.c_str(), "missing", 14), nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"ファイルの読み込みに失敗しました [ ")), std::string::npos);
    EXPECT_EQ(KestraTexture::CreateFromLAG((dir_.path() + "/none.lag").c_str(), "sprite", 14), nullptr);

    // Past the name's room two entries' names would be cut alike: neither is shared.
    const std::string folder = dir_.path() + "/" + std::string(MAX_PATH - 2 - dir_.path().size() - 12, 'd');
    std::filesystem::create_directory(folder);
    const std::string deep = Scratch(folder.substr(dir_.path().size() + 1) + "/images.lag", lag.bytes());
    ASSERT_EQ(deep.size(), MAX_PATH - 2u);
    CTexture* cutOther = KestraTexture::CreateFromLAG(deep.c_str(), "other", 14);
    CTexture* cutSprite = KestraTexture::CreateFromLAG(deep.c_str(), "sprite", 14);
    ASSERT_NE(cutOther, nullptr);
    ASSERT_NE(cutSprite, nullptr);
    EXPECT_NE(cutOther, cutSprite);
    EXPECT_EQ(cutSprite->GetImageWidth(), 8u);
    KestraTexture::Release(cutOther);
    KestraTexture::Release(cutSprite);

    KestraTexture::Release(again);
    KestraTexture::Release(t);
    EXPECT_EQ(Manager()->GetCount(), 0u);
}

// An entry's shared name at the edge of its room: "archive[entry]" of the
// longest length is shared, one byte more is neither shared nor named by its
// cut text, so a later entry whose whole name equals that text is its own; and
// two-byte entry names that differ in a trail byte's case are two pictures.
TEST_F(Textures, ArchiveEntryNamesShareToTheEdgeOfTheirRoomAndNeverByACutName) {
    Start();
    ASSERT_TRUE(KestraSheet::Initialize());
    const auto pictureOf = [](uint8_t red) {
        std::vector<uint8_t> px;
        for (int i = 0; i < 4; ++i) lagtest::PutKind1(px, 0, 0, red, 255);
        return px;
    };
    const auto red = [](CTexture* t) {
        const std::vector<uint32_t> texels = Texels(t);
        return texels.empty() ? -1 : int(texels[0] >> 16 & 0xFF);
    };
    lagtest::LagWriter lag;
    lag.Add("sprite", 2, 2, 1, pictureOf(10)).Add("sprite2", 2, 2, 1, pictureOf(20));
    lag.Add("a]b", 2, 2, 1, pictureOf(30)).Add("a", 2, 2, 1, pictureOf(40));
    lag.Add(spritetest::Sjis(u8"ア"), 2, 2, 1, pictureOf(50)).Add(spritetest::Sjis(u8"ヂ"), 2, 2, 1, pictureOf(60));
    // Archive names of 251 and 256 bytes: "[sprite]" after the first fills the
    // 259 bytes a name keeps, "[a]" after the second too.
    const std::string folder = std::string(251 - dir_.path().size() - 7, 'd');
    std::filesystem::create_directory(dir_.path() + "/" + folder);
    const std::string fits = Scratch(folder + "/x.lag", lag.bytes());
    const std::string longer = Scratch(folder + "/xxxxxx.lag", lag.bytes());
    ASSERT_EQ(fits.size(), 251u);
    ASSERT_EQ(longer.size(), 256u);
    const std::string shortName = Scratch("s.lag", lag.bytes());

    const struct {
        const std::string* archive;
        std::string entry;
        bool shared;
        int red;
    } cases[] = {
        {&fits, "sprite", true, 10},                        // 259 bytes: the longest name kept whole
        {&fits, "sprite2", false, 20},                      // 260: one byte more
        {&longer, "a]b", false, 30},                        // cut to the whole name of the next
        {&longer, "a", true, 40},                           // 259 bytes, equal to the cut text above
        {&shortName, spritetest::Sjis(u8"ヂ"), true, 60},  // its trail byte 'a' ...
        {&shortName, spritetest::Sjis(u8"ア"), true, 50},  // ... and 'A': two pictures
    };
    std::vector<CTexture*> textures;
    std::vector<CSheet*> sheets;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        CTexture* first = KestraTexture::CreateFromLAG(c.archive->c_str(), c.entry.c_str(), 14);
        CTexture* second = KestraTexture::CreateFromLAG(c.archive->c_str(), c.entry.c_str(), 14);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(first == second, c.shared);
        EXPECT_EQ(red(first), c.red);
        EXPECT_EQ(red(second), c.red);
        const std::string whole = *c.archive + "[" + c.entry + "]";
        EXPECT_EQ(std::string(first->GetName()), c.shared ? whole : "") << "a name is whole or none";
        CSheet* sheet = KestraSheet::CreateFromLAG(c.archive->c_str(), c.entry.c_str(), 14);
        CSheet* again = KestraSheet::CreateFromLAG(c.archive->c_str(), c.entry.c_str(), 14);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet == again, c.shared);
        for (CSheet* s : sheets) EXPECT_NE(s, sheet) << "no sheet of an earlier entry answers";
        for (CTexture* t : textures) EXPECT_NE(t, first) << "no texture of an earlier entry answers";
        textures.insert(textures.end(), {first, second});
        sheets.insert(sheets.end(), {sheet, again});
    }
    for (CSheet* s : sheets) KestraSheet::Release(s);
    for (CTexture* t : textures) KestraTexture::Release(t);
    EXPECT_EQ(Manager()->GetCount(), 0u);
    EXPECT_EQ(KestraSheet::GetManager()->GetCount(), 0u);
    KestraSheet::Finalize();
}

// Failures answer null with their line and leave nothing listed; forged headers
// are refused before anything is sized or decoded.
TEST_F(Textures, FailuresAndForgedHeadersAreRefusedWithTheirLines) {
    Start();
    const std::string good = Scratch("good.tga", MakeTga(32, 32, CodedPicture(32, 32)));

    platform::InjectFault("CreateTexture");
    EXPECT_EQ(KestraTexture::CreateFromFile(good.c_str(), 14, 0), nullptr);
    platform::ClearFaults();
    EXPECT_NE(Log().find(spritetest::Sjis(u8"テクスチャの生成に失敗しました [ 32 x 32 ] [ ")), std::string::npos);
    EXPECT_EQ(Manager()->GetCount(), 0u);

    platform::InjectFault("GetSurfaceLevel");
    EXPECT_EQ(KestraTexture::CreateFromFile(good.c_str(), 14, 0), nullptr);
    platform::ClearFaults();
    EXPECT_NE(Log().find(spritetest::Sjis(u8"サーフェイスの取得に失敗しました [ ")), std::string::npos);

    platform::InjectFault("CreateTexture");
    EXPECT_EQ(KestraTexture::Create(64, 64, 14), nullptr);
    platform::ClearFaults();
    EXPECT_NE(Log().find(spritetest::Sjis(u8" テクスチャの生成に失敗しました [ 64 x 64 ] [ ")), std::string::npos);

    // Not an image at all.
    const std::string junk = Scratch("junk.png", std::string(100, 'x'));
    EXPECT_EQ(KestraTexture::CreateFromFile(junk.c_str(), 14, 0), nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"画像データの展開に失敗")), std::string::npos);
    EXPECT_EQ(Count("Failed!"), 3);

    // Headers that promise absurd pictures: a PNG 2^31-1 wide, a TGA of 65535 x
    // 65535 with four bytes of pixels, a DDS of 2^31 x 2. None may reach the device.
    std::string png = testsupport::ReadFile(kPngSuite + "basn6a08.png");
    png[16] = 0x7F;
    png[17] = png[18] = png[19] = char(0xFF);
    std::string tga = MakeTga(1, 1, {0xFFFFFFFF});
    tga[12] = tga[13] = tga[14] = tga[15] = char(0xFF);
    std::string dds = MakeDds(1, 2, {0, 0});
    dds[16] = dds[17] = dds[18] = 0;
    dds[19] = char(0x80);
    // Small files claiming 8192 x 8192 pictures, past the pixel limit; RLE data
    // that cannot cover its picture.
    auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
    const std::string jpeg = text(forgedimage::ProgressiveJpeg(8192, 8192, 3, 0));
    const std::string scans = text(forgedimage::ProgressiveJpeg(8192, 8192, 3, 997));
    const std::string flat = text(forgedimage::FlatPng(8192, 8192)), rle = text(forgedimage::EmptyRleBmp(8192, 8192));
    const std::string runs = text(forgedimage::RleTga(8192, 8192, 262144));
    const std::string shortRuns = text(forgedimage::RleTga(4096, 4096, 131071));
    d3d9test::ClearCallCounts();
    for (const std::string& forged : {png, tga, dds, jpeg, scans, flat, rle, runs, shortRuns}) {
        CTexture* t = KestraTexture::GetManager()->CreateFromMemory(forged.data(), uint32_t(forged.size()), 14, 0);
        EXPECT_EQ(t, nullptr);
    }
    EXPECT_EQ(d3d9test::CallCount("CreateTexture"), 0u);
    EXPECT_EQ(Manager()->GetCount(), 0u);

    // A texture made directly is refused on such a header just the same.
    CTexture direct(nullptr);
    EXPECT_FALSE(direct.CreateFromMemory(tga.data(), uint32_t(tga.size()), 14, 0));
    EXPECT_FALSE(direct.Lock(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
}

// The device's texture memory: a picture that would pass it is refused at the
// texture's creation, before its pixels are decoded, with the loader's line.
TEST_F(Textures, APictureThatWouldPassTheTextureMemoryIsRefusedWithItsLine) {
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.availableTextureMem = 5 << 18;  // 1.25 MB
    d3d9test::SetAdapter(adapter);
    Start();
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    const UINT before = device->GetAvailableTextureMem();
    CTexture* small = FromPicture("small.dds", 300, 200);  // 512 x 256: half a megabyte
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(device->GetAvailableTextureMem(), before - 512 * 256 * 4);
    EXPECT_EQ(FromPicture("large.dds", 400, 400), nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"テクスチャの生成に失敗しました [ 512 x 512 ] [ Direct3D が処理を行うのに十分なディスプレイ メモリがない。 ]")),
              std::string::npos)
        << Log();
    EXPECT_EQ(Log().find(spritetest::Sjis(u8"画像の読み込みに失敗しました")), std::string::npos) << "never decoded";
    EXPECT_EQ(Manager()->GetCount(), 1u);
    KestraTexture::Release(small);
    EXPECT_EQ(device->GetAvailableTextureMem(), before);
    CTexture* large = FromPicture("large.dds", 400, 400);
    EXPECT_NE(large, nullptr) << "fits once the other is gone";
    KestraTexture::Release(large);
}

TEST_F(Textures, AnIdleModuleCreatesNothing) {
    const std::string good = Scratch("good.tga", MakeTga(2, 2, CodedPicture(2, 2)));
    EXPECT_EQ(KestraTexture::CreateFromFile(good.c_str(), 14, 0), nullptr);
    EXPECT_EQ(KestraTexture::Create(4, 4, 14), nullptr);
    KestraTexture::Release(nullptr);
    KestraTexture::AddRef(nullptr);
    // The texel offset is kept while idle; a started manager begins at 0.
    KestraTexture::SetTexelOffset(0.5f);
    EXPECT_FLOAT_EQ(KestraTexture::GetTexelOffset(), 0.5f);
    KestraTexture::SetTexelOffset(0.0f);
    Start();
    EXPECT_FLOAT_EQ(KestraTexture::GetTexelOffset(), 0.0f);
    Kestra3D::SetFilterEnable(true);
    EXPECT_FLOAT_EQ(Manager()->GetTexelOffset(), 0.5f);
    Kestra3D::SetFilterEnable(false);
    EXPECT_FLOAT_EQ(Manager()->GetTexelOffset(), 0.0f);
}

struct FillCase {
    D3DFORMAT format;
    D3DCOLOR color;
    uint32_t word;
};

// Every texel word of every row holds the packed colour (the locks hand out a
// padded pitch, so a fill that steps rows wrongly shows up).
TEST_F(Textures, ColorFillPacksTheColourForEachFormatOverTheWholePitch) {
    d3d9test::SetPitchPadding(12);
    d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
    adapter.textureFormats.push_back(D3DFMT_DXT1);
    d3d9test::SetAdapter(adapter);
    Start();
    const FillCase cases[] = {
        {D3DFMT_A8R8G8B8, 0x80FF0000, 0x80FF0000}, {D3DFMT_A1R5G5B5, 0x80FF0000, 0xFC00FC00},
        {D3DFMT_X1R5G5B5, 0x7FFF0000, 0x7C007C00}, {D3DFMT_R5G6B5, 0x80FF0000, 0xF800F800},
        {D3DFMT_A4R4G4B4, 0x80FF0000, 0x8F008F00}, {D3DFMT_A8, 0x80FF0000, 0},
    };
    for (const FillCase& c : cases) {
        CTexture* t = Manager()->CreateEx(16, 8, 1, 0, c.format, D3DPOOL_MANAGED);
        ASSERT_NE(t, nullptr) << c.format;
        t->ColorFill(c.color);
        void* bits = nullptr;
        int32_t pitch = 0;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(t->Lock(nullptr, &bits, &pitch, &w, &h, nullptr));
        EXPECT_EQ(h, 8u);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w * (c.format == D3DFMT_A8R8G8B8 ? 4 : c.format == D3DFMT_A8 ? 1 : 2) / 4; ++x) {
                uint32_t v;
                std::memcpy(&v, static_cast<uint8_t*>(bits) + size_t(y) * pitch + 4 * x, 4);
                ASSERT_EQ(v, c.word) << "format " << c.format << " row " << y << " word " << x;
            }
        t->Unlock();
        KestraTexture::Release(t);
    }
    // Block-compressed: the fill stays within the block rows (the sanitizer
    // watches the locked memory) and writes zeros.
    CTexture* dxt = Manager()->CreateEx(16, 16, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED);
    ASSERT_NE(dxt, nullptr);
    dxt->ColorFill(0xFFFFFFFF);
    KestraTexture::Release(dxt);
}

TEST_F(Textures, ASecondLockIsRefusedAndTheFirstStaysUsable) {
    Start();
    CTexture* t = KestraTexture::Create(8, 8, 14);
    ASSERT_NE(t, nullptr);
    void* first = nullptr;
    ASSERT_TRUE(t->Lock(nullptr, &first, nullptr, nullptr, nullptr, nullptr));
    void* second = reinterpret_cast<void*>(uintptr_t(1));
    EXPECT_FALSE(t->Lock(nullptr, &second, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(second, reinterpret_cast<void*>(uintptr_t(1))) << "no output written";
    EXPECT_NE(Log().find(spritetest::Sjis(u8"テクスチャは既にロックされています")), std::string::npos);
    EXPECT_TRUE(t->IsLocked());
    t->ColorFill(0xFF00FF00);  // gives up: the lock is refused
    std::memset(first, 0x11, 4);
    t->Unlock();
    EXPECT_FALSE(t->IsLocked());
    EXPECT_EQ(Texels(t)[0], 0x11111111u);

    RECT r{2, 1, 6, 4};
    uint32_t w = 0, h = 0;
    D3DFORMAT f = D3DFMT_UNKNOWN;
    ASSERT_TRUE(t->Lock(&r, nullptr, nullptr, &w, &h, &f));
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 3u);
    EXPECT_EQ(f, D3DFMT_A8R8G8B8);
    t->Unlock();

    platform::InjectFault("LockRect");
    EXPECT_FALSE(t->Lock(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    platform::ClearFaults();
    EXPECT_NE(Log().find(spritetest::Sjis(u8"テクスチャのロックに失敗しました [ ")), std::string::npos);
    EXPECT_FALSE(t->IsLocked());

    // A default-pool texture without a base copy has nothing the CPU may lock.
    CTexture* gpu = Manager()->CreateEx(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_NE(gpu, nullptr);
    EXPECT_FALSE(gpu->Lock(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    HDC dc = reinterpret_cast<HDC>(uintptr_t(1));
    EXPECT_FALSE(gpu->GetDC(&dc));
    EXPECT_EQ(dc, nullptr);
    IDirect3DSurface9* s = nullptr;
    gpu->GetBaseSurface(&s);
    EXPECT_EQ(s, nullptr);
    KestraTexture::Release(gpu);
    // Only a managed texture is its own base; a system-memory one has none.
    CTexture* system = Manager()->CreateEx(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(system, nullptr);
    system->GetBaseSurface(&s);
    EXPECT_EQ(s, nullptr);
    KestraTexture::Release(system);
    t->GetBaseSurface(&s);
    ASSERT_NE(s, nullptr);
    s->Release();
    KestraTexture::Release(t);
}

// Managed textures ride through a reset untouched; default-pool ones are made
// again: a render target empty, a plain one refilled from its base texture.
TEST_F(Textures, AResetKeepsManagedPixelsAndRemakesDefaultPoolTextures) {
    Start();
    CTexture* managed = FromPicture("m.dds", 16, 16);
    CTexture* target = KestraTexture::GetManager()->CreateRenderTarget(30, 20, 9);
    CTexture* exTarget = Manager()->CreateEx(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_NE(managed, nullptr);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(exTarget, nullptr);
    EXPECT_EQ(target->GetWidth(), 32u);
    EXPECT_EQ(target->GetRestoreKind(), uint32_t(CTexture::kRestoreRenderTarget));
    EXPECT_STREQ(target->GetName(), "RENDER_TARGET [30x20] A8R8G8B8");
    CTexture* snapshot = KestraTexture::GetManager()->CreateRenderTarget2(target);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_STREQ(snapshot->GetName(), "RENDER_TARGET [32x32] A8R8G8B8");
    EXPECT_EQ(Desc(snapshot).Usage, 0u);
    const std::vector<uint32_t> before = Texels(managed);
    IDirect3DTexture9* managedRaw = Raw(managed);

    d3d9test::ClearCallCounts();
    Kestra3D::ResetDevice(true);
    EXPECT_EQ(d3d9test::CallCount("CreateTexture"), 3u) << "the targets and the snapshot";
    EXPECT_EQ(Raw(managed), managedRaw);
    EXPECT_EQ(Texels(managed), before);
    ASSERT_NE(Raw(target), nullptr);
    EXPECT_EQ(Desc(target).Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(Desc(target).Height, 32u) << "remade at its texture's size, not its image's";
    EXPECT_EQ(Desc(exTarget).Usage, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(Desc(snapshot).Usage, DWORD(D3DUSAGE_RENDERTARGET)) << "a snapshot comes back as a render target";

    // A failed restore leaves the texture without its Direct3D texture; binding,
    // locking and filling it are then harmless, and the next reset repairs it.
    platform::InjectFault("CreateTexture");
    Kestra3D::ResetDevice(true);
    platform::ClearFaults();
    EXPECT_EQ(Raw(target), nullptr);
    EXPECT_NE(Log().find(spritetest::Sjis(u8"テクスチャの生成に失敗しました [ ")), std::string::npos);
    Kestra3D::SetTexture(0, target);
    EXPECT_FALSE(target->Lock(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    target->ColorFill(0xFFFFFFFF);
    EXPECT_FALSE(target->SetRenderTarget());
    EXPECT_FALSE(target->CopyToBase());
    Kestra3D::ResetDevice(true);
    EXPECT_NE(Raw(target), nullptr);
    EXPECT_TRUE(target->SetRenderTarget());

    for (CTexture* t : {managed, target, exTarget, snapshot}) KestraTexture::Release(t);
}

TEST_F(Textures, StretchCopyTakesWholeTexturesForNullRectanglesAndFallsBackInFilters) {
    Start();
    CTexture* a = KestraTexture::GetManager()->CreateRenderTarget(30, 30, 9);
    CTexture* b = KestraTexture::GetManager()->CreateRenderTarget(60, 60, 9);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a->ColorFill(0xFF336699);
    EXPECT_TRUE(b->StretchCopy(nullptr, a, nullptr, true));
    EXPECT_EQ(Texels(b), std::vector<uint32_t>(64 * 64, 0xFF336699)) << "the source's texels, not its own";
    EXPECT_TRUE(b->StretchCopy(nullptr, a, nullptr, false));
    // Image pixels scale to texture pixels: 30 image pixels of a span 32 texels.
    RECT src{0, 0, 15, 15}, dst{30, 30, 60, 60};
    EXPECT_TRUE(b->StretchCopy(&dst, a, &src, true));
    platform::InjectFault("StretchRect:LINEAR");
    d3d9test::ClearCallCounts();
    EXPECT_TRUE(b->StretchCopy(&dst, a, &src, true));
    EXPECT_EQ(d3d9test::CallCount("StretchRect"), 2u);
    platform::InjectFault("StretchRect");
    EXPECT_FALSE(b->StretchCopy(&dst, a, &src, false));
    platform::ClearFaults();
    EXPECT_FALSE(b->StretchCopy(&dst, nullptr, &src, false));
    for (CTexture* t : {a, b}) KestraTexture::Release(t);
}

TEST_F(Textures, ASavedTextureLoadsBackToTheSameTexels) {
    Start();
    CTexture* t = FromPicture("coded.dds", 64, 32);
    ASSERT_NE(t, nullptr);
    const std::string png = dir_.path() + "/saved.png";
    EXPECT_TRUE(t->SaveToFile(png.c_str(), D3DXIFF_PNG));
    CTexture* back = KestraTexture::CreateFromFile(png.c_str(), 14, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Texels(back), Texels(t));
    CTexture* none = Manager()->CreateEx(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    EXPECT_FALSE(none->SaveToFile((dir_.path() + "/none.png").c_str(), D3DXIFF_PNG));
    for (CTexture* x : {t, back, none}) KestraTexture::Release(x);
}

// A file's or memory's picture takes its colour key, which clears only that exact
// colour; every path takes its kind (16-bit here), or format, levels, usage, pool.
TEST_F(Textures, EachCreationPathTakesItsArgumentsAndAColourKeyOnlyItsColour) {
    Start();
    std::vector<uint32_t> p = CodedPicture(4, 4);
    p[5] = 0xFF00FF00;
    p[6] = 0xFE00FF00;
    const std::string tga = MakeTga(4, 4, p), file = Scratch("key.tga", tga), narrow = Scratch("k16.tga", tga);
    for (CTexture* t : {KestraTexture::CreateFromFile(file.c_str(), 14, 0xFF00FF00),
                        Manager()->CreateFromMemory(tga.data(), uint32_t(tga.size()), 14, 0xFF00FF00)}) {
        ASSERT_NE(t, nullptr);
        const std::vector<uint32_t> texels = Texels(t);
        EXPECT_EQ(texels[5], 0u);
        EXPECT_EQ(texels[6], 0xFE00FF00u);
        EXPECT_EQ(texels[0], p[0]);
        KestraTexture::Release(t);
    }
    const std::string lag = Scratch("k.lag", lagtest::LagWriter().Add("p", 2, 2, 1, std::vector<uint8_t>(16)).bytes());
    CTexture* target = Manager()->CreateRenderTarget(4, 4, 8);
    CTexture* ex = Manager()->CreateEx(8, 8, 2, D3DUSAGE_DYNAMIC, D3DFMT_A4R4G4B4, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(Desc(ex).Usage, DWORD(D3DUSAGE_DYNAMIC));
    EXPECT_EQ(Raw(ex)->GetLevelCount(), 2u);
    EXPECT_EQ(ex->GetPool(), D3DPOOL_SYSTEMMEM);
    for (CTexture* t : {KestraTexture::Create(4, 4, 13), Manager()->CreateRenderTarget2(target), target, ex,
                        KestraTexture::CreateFromFile(narrow.c_str(), 13, 0),
                        Manager()->CreateFromMemory(tga.data(), uint32_t(tga.size()), 13, 0),
                        KestraTexture::CreateFromLAG(lag.c_str(), "p", 13)}) {
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->GetFormat(), D3DFMT_A4R4G4B4) << t->GetName();
        KestraTexture::Release(t);
    }
    EXPECT_EQ(Manager()->GetCount(), 0u);
}

}  // namespace
