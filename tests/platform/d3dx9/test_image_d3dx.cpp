// The D3DX image functions over Direct3D surfaces and textures: information,
// loading with rectangles, filters and colour key into every packed format,
// and saving to files that read back the same.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/d3dx9/image_encode.h"
#include "tests/platform/d3dx9/forged_images.h"
#include "tests/platform/d3dx9/image_test_util.h"
#include "tests/support/records.h"

using namespace d3dx9img;
using namespace imagetest;

namespace {

std::vector<uint8_t> SuitePng(const char* name) { return ReadBytes(PngSuiteDir() + "/png/" + name + ".png"); }

Image DecodeOrDie(const std::vector<uint8_t>& file) {
    Image image;
    EXPECT_EQ(DecodeImage(file.data(), file.size(), &image), DecodeStatus::kOk);
    return image;
}

// A PNG of the given ARGB pixels, written by our encoder.
std::vector<uint8_t> PngOf(uint32_t w, uint32_t h, const std::vector<uint32_t>& px) {
    Image image;
    image.width = w;
    image.height = h;
    image.pixels = px;
    std::vector<uint8_t> out;
    EXPECT_TRUE(EncodePng(image, true, &out));
    return out;
}

HRESULT Load(IDirect3DSurface9* surface, const std::vector<uint8_t>& file, const RECT* dst = nullptr,
             const RECT* src = nullptr, DWORD filter = D3DX_FILTER_TRIANGLE, D3DCOLOR key = 0,
             D3DXIMAGE_INFO* info = nullptr) {
    return D3DXLoadSurfaceFromFileInMemory(surface, nullptr, dst, file.data(), UINT(file.size()), src, filter, key,
                                           info);
}

struct SurfaceRef {
    explicit SurfaceRef(FakeSurface* s) : p(s) {}
    ~SurfaceRef() { p->Release(); }
    FakeSurface* operator->() const { return p; }
    FakeSurface* p;
};

TEST(D3dxImageInfo, ReportsTheFileAsStored) {
    const std::vector<uint8_t> png = SuitePng("basn6a08");
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), UINT(png.size()), &info), D3D_OK);
    EXPECT_EQ(info.Width, 32u);
    EXPECT_EQ(info.Height, 32u);
    EXPECT_EQ(info.Depth, 1u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);

    const std::vector<uint8_t> bmp = ReadBytes(PngSuiteDir() + "/bmp/basn2c08.bmp");
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(bmp.data(), UINT(bmp.size()), &info), D3D_OK);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);

    const std::string junk = "not a picture";
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(junk.data(), UINT(junk.size()), &info), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(nullptr, 10, &info), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), 0, &info), D3DERR_INVALIDCALL);
}

// A PNG signature and IHDR chunk (with a correct CRC) claiming the given size.
std::vector<uint8_t> PngHeader(uint32_t width, uint32_t height) {
    std::vector<uint8_t> o = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) o.push_back(uint8_t(v >> shift));
    o.insert(o.end(), {8, 6, 0, 0, 0});
    const uLong crc = crc32(0, o.data() + 12, 17);
    for (int shift = 24; shift >= 0; shift -= 8) o.push_back(uint8_t(crc >> shift));
    return o;
}

TEST(D3dxImageInfo, ForgedHugeSizesAreRefusedAtOnce) {
    // Sizes the engine would round up to a power of two beyond 2^31 never get that far.
    D3DXIMAGE_INFO info{};
    for (uint32_t width : {0x7FFFFFFFu, 32769u}) {
        const std::vector<uint8_t> png = PngHeader(width, 1);
        EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), UINT(png.size()), &info), D3DXERR_INVALIDDATA)
            << width;
    }
    // The same header at the widest size is read (no pixel data is needed for the information).
    std::vector<uint8_t> withEnd = PngHeader(32768, 200);
    // An IDAT chunk start lets the header reader finish.
    withEnd.insert(withEnd.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E});
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(withEnd.data(), UINT(withEnd.size()), &info), D3D_OK);
    EXPECT_EQ(info.Width, 32768u);
    EXPECT_EQ(info.Height, 200u);
    // Whole flat pictures (a few KB): at the pixel limit the file reads and
    // loads; past it not even its header reads.
    SurfaceRef one(new FakeSurface(1, 1, D3DFMT_A8R8G8B8));
    for (const auto& [w, h, want] : {std::tuple{4096u, 4096u, D3D_OK}, std::tuple{4096u, 4097u, D3DXERR_INVALIDDATA},
                                     std::tuple{8192u, 8192u, D3DXERR_INVALIDDATA}}) {
        const std::vector<uint8_t> png = forgedimage::FlatPng(w, h);
        EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), UINT(png.size()), &info), want) << h;
        EXPECT_EQ(Load(one.p, png), want) << h;
    }
}

TEST(D3dxLoadSurface, SameSizeLoadIsExactInBgraOrder) {
    const std::vector<uint8_t> png = SuitePng("basn6a08");
    const Image image = DecodeOrDie(png);
    SurfaceRef surface(new FakeSurface(32, 32, D3DFMT_A8R8G8B8));
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(surface.p, png, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0, &info), D3D_OK);
    EXPECT_EQ(info.Width, 32u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_FALSE(surface->Locked());
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            const uint8_t* p = surface->Row(y) + 4 * x;
            const uint32_t v = image.pixels[y * 32 + x];
            ASSERT_EQ(p[0], uint8_t(v)) << x << "," << y;
            ASSERT_EQ(p[1], uint8_t(v >> 8));
            ASSERT_EQ(p[2], uint8_t(v >> 16));
            ASSERT_EQ(p[3], uint8_t(v >> 24));
        }
    // The pitch padding is never written.
    EXPECT_EQ(surface->Row(0)[128], 0xCD);
    // D3DX_DEFAULT is the triangle filter.
    SurfaceRef again(new FakeSurface(32, 32, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(again.p, png, nullptr, nullptr, D3DX_DEFAULT), D3D_OK);
    EXPECT_EQ(again->Pixel32(5, 7), image.pixels[7 * 32 + 5]);
}

TEST(D3dxLoadSurface, StretchesOntoAPowerOfTwoSurface) {
    // 32 x 32 onto 64 x 64 (exact doubling), then 3 x 1 onto 4 x 1.
    const std::vector<uint8_t> png = SuitePng("basn2c08");
    const Image image = DecodeOrDie(png);
    SurfaceRef big(new FakeSurface(64, 64, D3DFMT_X8R8G8B8));
    ASSERT_EQ(Load(big.p, png), D3D_OK);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) ASSERT_EQ(big->Pixel32(x, y), image.pixels[(y / 2) * 32 + x / 2] | 0xFF000000u);

    const std::vector<uint8_t> tiny = PngOf(3, 1, {0xFF000000, 0xFF303030, 0xFF606060});
    SurfaceRef four(new FakeSurface(4, 1, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(four.p, tiny), D3D_OK);
    // Destination pixels cover source [0, .75), [.75, 1.5), [1.5, 2.25), [2.25, 3).
    EXPECT_EQ(four->Pixel32(0, 0), 0xFF000000u);
    EXPECT_EQ(four->Pixel32(1, 0), 0xFF202020u);  // (0.25 * 0 + 0.5 * 48) / 0.75 = 32
    EXPECT_EQ(four->Pixel32(2, 0), 0xFF404040u);  // (0.5 * 48 + 0.25 * 96) / 0.75 = 64
    EXPECT_EQ(four->Pixel32(3, 0), 0xFF606060u);
}

TEST(D3dxLoadSurface, ColourKeyClearsMatchingPixelsOnly) {
    const std::vector<uint32_t> px = {0xFF00FF00, 0xFF112233, 0xFF00FF00, 0x8000FF00};
    const std::vector<uint8_t> png = PngOf(2, 2, px);
    SurfaceRef surface(new FakeSurface(2, 2, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(surface.p, png, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(surface->Pixel32(0, 0), 0u);
    EXPECT_EQ(surface->Pixel32(1, 0), 0xFF112233u);
    EXPECT_EQ(surface->Pixel32(0, 1), 0u);
    EXPECT_EQ(surface->Pixel32(1, 1), 0x8000FF00u);  // alpha differs: no match
    // Keyed before resampling: a 2:1 reduction averages the cleared pixels in.
    SurfaceRef half(new FakeSurface(1, 1, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(half.p, png, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0xFF00FF00), D3D_OK);
    // A: (0 + 255 + 0 + 128 + 2) / 4 = 96; R: (0x11 + 2) / 4 = 4; G: (0x22 + 0xFF + 2) / 4 = 72; B: (0x33 + 2) / 4 = 13.
    EXPECT_EQ(half->Pixel32(0, 0), 0x6004480Du);
}

TEST(D3dxLoadSurface, RectanglesSelectSourceAndDestination) {
    std::vector<uint32_t> px(8 * 8);
    for (uint32_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | (i * 0x030201u);
    const std::vector<uint8_t> png = PngOf(8, 8, px);
    // A 4 x 4 tile from (4, 2) into (1, 1) of a 6 x 6 surface: an exact copy, the rest untouched.
    SurfaceRef surface(new FakeSurface(6, 6, D3DFMT_A8R8G8B8));
    const RECT src{4, 2, 8, 6}, dst{1, 1, 5, 5};
    ASSERT_EQ(Load(surface.p, png, &dst, &src), D3D_OK);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 1 && y < 5;
            const uint32_t want = inside ? px[(y - 1 + 2) * 8 + (x - 1 + 4)] : 0xCDCDCDCDu;
            ASSERT_EQ(surface->Pixel32(x, y), want) << x << "," << y;
        }
    // Rectangles outside the image or the surface, inverted ones and bad filters are refused
    // before anything is written.
    const RECT outside{4, 4, 9, 8}, inverted{3, 0, 2, 2}, tooBig{0, 0, 7, 7};
    EXPECT_EQ(Load(surface.p, png, nullptr, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(surface.p, png, nullptr, &inverted), D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(surface.p, png, &tooBig), D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(surface.p, png, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(surface.p, png, nullptr, nullptr, 6), D3DERR_INVALIDCALL);
    EXPECT_EQ(surface->LockCount(), 1);
    EXPECT_EQ(Load(nullptr, png), D3DERR_INVALIDCALL);
    for (DWORD filter : {1u, 5u | D3DX_FILTER_DITHER})  // the first and last filters, none and box
        EXPECT_EQ(Load(surface.p, png, &dst, &src, filter), D3D_OK) << filter;

    // The same tile from a surface holding the picture, its rectangle checked alike.
    SurfaceRef picture(new FakeSurface(8, 8, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(picture.p, png), D3D_OK);
    SurfaceRef copy(new FakeSurface(6, 6, D3DFMT_A8R8G8B8));
    auto fromSurface = [&](const RECT* to, IDirect3DSurface9* from, const RECT* part) {
        return D3DXLoadSurfaceFromSurface(copy.p, nullptr, to, from, nullptr, part, D3DX_FILTER_TRIANGLE, 0);
    };
    ASSERT_EQ(fromSurface(&dst, picture.p, &src), D3D_OK);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x) ASSERT_EQ(copy->Pixel32(x, y), surface->Pixel32(x, y)) << x << "," << y;
    EXPECT_EQ(fromSurface(nullptr, picture.p, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(fromSurface(&tooBig, picture.p, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(fromSurface(nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST(D3dxLoadSurface, PacksIntoSixteenBitAndLuminanceFormats) {
    const std::vector<uint8_t> png = PngOf(2, 1, {0x80FF8040, 0xFF00FF00});
    struct Case {
        D3DFORMAT format;
        uint32_t first, second;
    } cases[] = {
        {D3DFMT_R5G6B5, 0xFC08, 0x07E0},   {D3DFMT_A1R5G5B5, 0xFE08, 0x83E0}, {D3DFMT_X1R5G5B5, 0xFE08, 0x83E0},
        {D3DFMT_A4R4G4B4, 0x8F84, 0xF0F0}, {D3DFMT_X4R4G4B4, 0xFF84, 0xF0F0}, {D3DFMT_A8L8, 0x8096, 0xFFB6},
        {D3DFMT_L16, 0x9696, 0xB6B6},
    };
    for (const Case& c : cases) {
        SurfaceRef surface(new FakeSurface(2, 1, c.format));
        ASSERT_EQ(Load(surface.p, png), D3D_OK) << c.format;
        EXPECT_EQ(surface->Pixel16(0, 0), c.first) << c.format;
        EXPECT_EQ(surface->Pixel16(1, 0), c.second) << c.format;
    }
    SurfaceRef a8(new FakeSurface(2, 1, D3DFMT_A8));
    ASSERT_EQ(Load(a8.p, png), D3D_OK);
    EXPECT_EQ(a8->Row(0)[0], 0x80);
    EXPECT_EQ(a8->Row(0)[1], 0xFF);
    SurfaceRef rgb(new FakeSurface(2, 1, D3DFMT_R8G8B8));
    ASSERT_EQ(Load(rgb.p, png), D3D_OK);
    EXPECT_EQ(std::vector<uint8_t>(rgb->Row(0), rgb->Row(0) + 6), (std::vector<uint8_t>{0x40, 0x80, 0xFF, 0, 0xFF, 0}));
    // A palettised destination cannot be filled.
    SurfaceRef p8(new FakeSurface(2, 1, D3DFMT_P8));
    EXPECT_EQ(Load(p8.p, png), D3DERR_INVALIDCALL);
}

TEST(D3dxLoadSurface, BlockCompressedDestinationKeepsTexelsOutsideTheRectangle) {
    // 8 x 8 DXT1 surface: load a red/blue 4 x 4 picture into the top-left block
    // only (two colours exact in 5-6-5 survive the block encoding exactly).
    std::vector<uint32_t> px(16);
    for (int i = 0; i < 16; ++i) px[i] = (i & 1) ? 0xFFFF0000 : 0xFF0000FF;
    const std::vector<uint8_t> png = PngOf(4, 4, px);
    SurfaceRef surface(new FakeSurface(8, 8, D3DFMT_DXT1, 4, 0));
    const RECT dst{0, 0, 4, 4};
    ASSERT_EQ(Load(surface.p, png, &dst), D3D_OK);
    uint32_t texels[16];
    DecodeDxtBlock(kFmtDXT1, surface->Row(0), texels);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[i], px[i]) << i;
    // The neighbouring block (all zero bytes: black) is untouched.
    DecodeDxtBlock(kFmtDXT1, surface->Row(0) + 8, texels);
    EXPECT_EQ(texels[0], 0xFF000000u);
    // A 2 x 2 load at (1, 1) changes only those texels of the first block
    // (blue, so the block still holds two colours).
    const std::vector<uint8_t> blue = PngOf(2, 2, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF});
    const RECT inner{1, 1, 3, 3};
    ASSERT_EQ(Load(surface.p, blue, &inner), D3D_OK);
    DecodeDxtBlock(kFmtDXT1, surface->Row(0), texels);
    EXPECT_EQ(texels[0], px[0]);
    EXPECT_EQ(texels[4], px[4]);
    EXPECT_EQ(texels[5], 0xFF0000FFu);   // was red
    EXPECT_EQ(texels[10], 0xFF0000FFu);  // was blue
    EXPECT_EQ(texels[7], px[7]);         // red, right of the rectangle
    EXPECT_EQ(texels[13], px[13]);       // red, below it
    // Read back through a rectangle: the second block, still black.
    SurfaceRef back(new FakeSurface(4, 4, D3DFMT_A8R8G8B8));
    const RECT second{4, 0, 8, 4};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(back.p, nullptr, nullptr, surface.p, nullptr, &second, D3DX_FILTER_NONE, 0),
              D3D_OK);
    EXPECT_EQ(back->Pixel32(3, 0), 0xFF000000u);
}

TEST(D3dxLoadSurface, ArchiveStyleDdsLoadsExactly) {
    // 128-byte header, flags 0x1007, pixel format 0x41 with 32-bit masks: what
    // the image archive reader hands over.
    std::vector<uint8_t> pixels;
    for (uint32_t i = 0; i < 6; ++i) Put32(pixels, 0x11223344u * (i + 1));
    const std::vector<uint8_t> dds = MakeDds(3, 2, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, pixels);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(dds.data(), UINT(dds.size()), &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    SurfaceRef surface(new FakeSurface(3, 2, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(surface.p, dds), D3D_OK);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(surface->Pixel32(i % 3, i / 3), 0x11223344u * (i + 1));
}

TEST(D3dxLoadSurface, LockFailureAndBadDataAreReported) {
    const std::vector<uint8_t> png = SuitePng("basn6a08");
    SurfaceRef surface(new FakeSurface(32, 32, D3DFMT_A8R8G8B8));
    surface->FailLocks(true);
    EXPECT_EQ(Load(surface.p, png), D3DERR_INVALIDCALL);
    surface->FailLocks(false);
    std::vector<uint8_t> cut(png.begin(), png.begin() + long(png.size() / 2));
    EXPECT_EQ(Load(surface.p, cut), D3DXERR_INVALIDDATA);
    EXPECT_EQ(surface->LockCount(), 0);
    EXPECT_FALSE(surface->Locked());
}

// ---------------------------------------------------------------- saving

TEST(D3dxSave, SurfaceRoundTripsThroughEveryLosslessFormat) {
    testsupport::TempDir dir;
    const std::vector<uint8_t> png = SuitePng("basn6a08");
    const Image original = DecodeOrDie(png);
    SurfaceRef surface(new FakeSurface(32, 32, D3DFMT_A8R8G8B8));
    ASSERT_EQ(Load(surface.p, png), D3D_OK);
    records::Fnv saved;  // the files' bytes, but PNG's, which depend on zlib's build
    for (D3DXIMAGE_FILEFORMAT format : {D3DXIFF_PNG, D3DXIFF_BMP, D3DXIFF_TGA, D3DXIFF_DDS, D3DXIFF_DIB}) {
        const std::string path = dir.file("saved" + std::to_string(int(format)));
        ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), format, surface.p, nullptr, nullptr), D3D_OK) << format;
        EXPECT_EQ(surface->LastLockFlags(), DWORD(D3DLOCK_READONLY));
        const std::vector<uint8_t> file = ReadBytes(path);
        if (format != D3DXIFF_PNG) saved.Bytes(file.data(), file.size());
        Image back;
        ASSERT_EQ(DecodeImage(file.data(), file.size(), &back), DecodeStatus::kOk) << format;
        EXPECT_EQ(back.pixels, original.pixels) << format;
        EXPECT_EQ(back.info.format, kFmtA8R8G8B8) << format;
        EXPECT_EQ(back.info.fileFormat, format == D3DXIFF_DIB ? kFileBmp : uint32_t(format));
    }
    // A source rectangle saves just that part.
    const std::string part = dir.file("part.png");
    const RECT rect{8, 4, 20, 10};
    ASSERT_EQ(D3DXSaveSurfaceToFileA(part.c_str(), D3DXIFF_PNG, surface.p, nullptr, &rect), D3D_OK);
    const Image back = DecodeOrDie(ReadBytes(part));
    ASSERT_EQ(back.width, 12u);
    ASSERT_EQ(back.height, 6u);
    EXPECT_EQ(back.pixels[0], original.pixels[4 * 32 + 8]);
    EXPECT_EQ(back.pixels[5 * 12 + 11], original.pixels[9 * 32 + 19]);
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "saved-basn6a08", saved.h), "");
}

// An odd width pads the BMP rows; the headers are in the files' record.
TEST(D3dxSave, FormatsWithoutAlphaSaveOpaqueAndJpegIsClose) {
    testsupport::TempDir dir;
    std::vector<uint32_t> px(15 * 16);
    for (uint32_t i = 0; i < px.size(); ++i) px[i] = 0x00000000u | ((i % 16) * 0x101010u);  // alpha 0 in the file
    SurfaceRef surface(new FakeSurface(15, 16, D3DFMT_X8R8G8B8));
    ASSERT_EQ(Load(surface.p, PngOf(15, 16, px)), D3D_OK);
    records::Fnv saved;
    for (D3DXIMAGE_FILEFORMAT format : {D3DXIFF_PNG, D3DXIFF_BMP, D3DXIFF_TGA, D3DXIFF_DDS}) {
        const std::string path = dir.file("x" + std::to_string(int(format)));
        ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), format, surface.p, nullptr, nullptr), D3D_OK);
        const std::vector<uint8_t> file = ReadBytes(path);
        if (format != D3DXIFF_PNG) saved.Bytes(file.data(), file.size());
        const Image back = DecodeOrDie(file);
        EXPECT_FALSE(FormatHasAlpha(back.info.format)) << format;
        EXPECT_EQ(std::pair(back.info.width, back.info.height), std::pair(15u, 16u)) << format;
        for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(back.pixels[i], px[i] | 0xFF000000u) << format;
    }
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "saved-opaque", saved.h), "");

    const std::string jpg = dir.file("x.jpg");
    ASSERT_EQ(D3DXSaveSurfaceToFileA(jpg.c_str(), D3DXIFF_JPG, surface.p, nullptr, nullptr), D3D_OK);
    const Image lossy = DecodeOrDie(ReadBytes(jpg));
    ASSERT_EQ(lossy.pixels.size(), px.size());
    for (size_t i = 0; i < px.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = int((lossy.pixels[i] >> shift) & 0xFF) - int((px[i] >> shift) & 0xFF);
            ASSERT_LE(d < 0 ? -d : d, 12) << i;
        }
}

TEST(D3dxSave, DdsKeepsTheSurfaceFormatAndEveryTextureLevel) {
    testsupport::TempDir dir;
    FakeTexture* texture = new FakeTexture(4, 2, 2, D3DFMT_R5G6B5);
    for (uint32_t level = 0; level < 2; ++level) {
        FakeSurface* s = texture->Level(level);
        for (uint32_t y = 0; y < (level ? 1u : 2u); ++y)
            for (uint32_t x = 0; x < (level ? 2u : 4u); ++x) {
                s->Row(y)[2 * x] = uint8_t(0x10 * level + x);
                s->Row(y)[2 * x + 1] = uint8_t(0xA0 + y);
            }
    }
    const std::string path = dir.file("t.dds");
    ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, texture, nullptr), D3D_OK);
    const std::vector<uint8_t> file = ReadBytes(path);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(info.MipLevels, 2u);
    // The header, then the surface bytes level after level without the pitch padding.
    records::Fnv bytes;
    bytes.Bytes(file.data(), file.size());
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "saved-r5g6b5-levels", bytes.h), "");
    // Other file formats save level 0.
    const std::string bmp = dir.file("t.bmp");
    ASSERT_EQ(D3DXSaveTextureToFileA(bmp.c_str(), D3DXIFF_BMP, texture, nullptr), D3D_OK);
    const Image back = DecodeOrDie(ReadBytes(bmp));
    EXPECT_EQ(back.width, 4u);
    EXPECT_EQ(back.height, 2u);
    // Word 0xA000: R 20 -> 0xA5, G 0, B 0.
    EXPECT_EQ(back.pixels[0], 0xFFA50000u);
    // Formats that cannot be written are refused and write nothing.
    const std::string ppm = dir.file("t.ppm");
    EXPECT_EQ(D3DXSaveTextureToFileA(ppm.c_str(), D3DXIFF_PPM, texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_FALSE(testsupport::FileExists(ppm));
    EXPECT_EQ(D3DXSaveTextureToFileA(nullptr, D3DXIFF_PNG, texture, nullptr), D3DERR_INVALIDCALL);
    texture->Release();
}

TEST(D3dxSave, CompressedTextureSavesItsBlocksAndReloads) {
    testsupport::TempDir dir;
    FakeTexture* texture = new FakeTexture(8, 4, 1, D3DFMT_DXT5);
    std::vector<uint32_t> px(8 * 4);
    for (uint32_t i = 0; i < px.size(); ++i) px[i] = (i & 1) ? 0x00FFFFFF : 0xFF000000;
    FakeSurface* level = texture->Level(0);
    ASSERT_EQ(Load(level, PngOf(8, 4, px)), D3D_OK);
    const std::string path = dir.file("c.dds");
    ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, texture, nullptr), D3D_OK);
    const std::vector<uint8_t> file = ReadBytes(path);
    records::Fnv bytes;
    bytes.Bytes(file.data(), file.size());
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "saved-dxt5", bytes.h), "");
    const Image back = DecodeOrDie(file);
    EXPECT_EQ(back.info.format, kFmtDXT5);
    EXPECT_EQ(back.pixels, px);
    // As PNG the blocks are decoded.
    const std::string png = dir.file("c.png");
    ASSERT_EQ(D3DXSaveTextureToFileA(png.c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    EXPECT_EQ(DecodeOrDie(ReadBytes(png)).pixels, px);
    texture->Release();
}

TEST(D3dxSave, UnwritablePathsAndEmptyRectanglesFail) {
    SurfaceRef surface(new FakeSurface(2, 2, D3DFMT_A8R8G8B8));
    EXPECT_TRUE(FAILED(D3DXSaveSurfaceToFileA("/nonexistent-folder-quenrith/x.png", D3DXIFF_PNG, surface.p,
                                              nullptr, nullptr)));
    for (const RECT& empty : {RECT{1, 0, 1, 2}, RECT{0, 1, 2, 1}})
        EXPECT_EQ(D3DXSaveSurfaceToFileA("/nonexistent-folder-quenrith/x.bmp", D3DXIFF_BMP, surface.p, nullptr, &empty),
                  D3DERR_INVALIDCALL);
}

// Out of memory while a PNG is written: the write fails rather than answer a cut file.
TEST(D3dxSave, RunningOutOfMemoryWhileWritingAPngFails) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "no memory limit under the address sanitizer";
#endif
    Image noise;
    noise.width = noise.height = 1024;
    for (uint32_t i = 0, v = 1; i < 1024 * 1024; ++i) noise.pixels.push_back(v = v * 1664525 + 1013904223);
    EXPECT_EQ(testsupport::RunInChild([&] {  // 2 MB more may be mapped: the file, about 4 MB, cannot be held
                  long pages = 0;
                  std::ifstream("/proc/self/statm") >> pages;
                  const rlim_t mapped = rlim_t(pages) * sysconf(_SC_PAGESIZE), most = mapped + (2 << 20);
                  // Heap that earlier tests freed (GL drivers leave megabytes) would hold
                  // the file without mapping more: with nothing more mappable, take it first.
                  const rlimit none{mapped, most}, space{most, most};
                  if (pages == 0 || setrlimit(RLIMIT_AS, &none) != 0) return 2;
                  for (size_t size = size_t{1} << 30; size >= 4096;) {
                      void* volatile taken = malloc(size);
                      if (!taken) size /= 2;
                  }
                  std::vector<uint8_t> out;
                  return setrlimit(RLIMIT_AS, &space) != 0 ? 2 : EncodePng(noise, true, &out) ? 1 : 0;
              }),
              0);
}

}  // namespace
