// LAG image archives: entries of every pixel kind, stored and LZSS-coded, found
// by name and wrapped as a 32-bit DDS image; damaged archives refused; kind
// conversions; dithered copies into locked memory of the 16- and 32-bit formats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CLagFile.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/d3dx9/d3dx9tex.h"
#include "platform/win32/kernel.h"
#include "platform/win32/testing.h"
#include "tests/engine/graphics/lag_writer.h"
#include "tests/support/records.h"
#include "tests/support/test_support.h"

namespace {

using lagtest::LagWriter;
using Bytes = std::vector<uint8_t>;

constexpr char kCantLoad[] = "Can't Load LAG File";

class LagFile : public ::testing::Test {
protected:
    void SetUp() override {
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof(previous), previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ASSERT_TRUE(KestraFile::Initialize());
    }
    void TearDown() override {
        KestraFile::Finalize();
        SetCurrentDirectoryA(previous_.c_str());
    }

    void Put(const std::string& name, const std::string& bytes) { testsupport::WriteFile(dir_.file(name), bytes); }

    // The loaded image's pixels (without the DDS header), or the error text.
    static std::string Load(CLagFile& lag, const char* archive, const char* entry, Bytes* pixels) {
        const char* error = lag.LoadImage(archive, entry);
        if (error) return error;
        const auto* image = static_cast<const uint8_t*>(lag.GetImage());
        pixels->assign(image + 128, image + lag.GetImageSize());
        return "";
    }

    testsupport::TempDir dir_;
    std::string previous_;
};

// 2 x 2 pictures of each plain kind with the 32-bit pixels they must become.
struct KindCase {
    uint32_t kind;
    Bytes stored;
    Bytes expected;  // B G R A per pixel
};

std::vector<KindCase> KindCases() {
    std::vector<KindCase> cases(4);
    cases[0].kind = 0;
    lagtest::PutKind0(cases[0].stored, 0, 0, 0, 15);  // only A set
    lagtest::PutKind0(cases[0].stored, 15, 0, 8, 1);
    lagtest::PutKind0(cases[0].stored, 1, 2, 3, 4);
    lagtest::PutKind0(cases[0].stored, 15, 15, 15, 15);
    cases[0].expected = {0, 0, 0, 255, 255, 0, 136, 17, 17, 34, 51, 68, 255, 255, 255, 255};

    cases[1].kind = 1;
    lagtest::PutKind1(cases[1].stored, 1, 2, 3, 4);
    lagtest::PutKind1(cases[1].stored, 255, 0, 128, 77);
    lagtest::PutKind1(cases[1].stored, 0, 0, 0, 0);
    lagtest::PutKind1(cases[1].stored, 9, 250, 31, 255);
    cases[1].expected = cases[1].stored;

    cases[2].kind = 2;
    lagtest::PutKind2(cases[2].stored, 65535, 32768, 0, 257);
    lagtest::PutKind2(cases[2].stored, 65534, 256, 255, 1);
    lagtest::PutKind2(cases[2].stored, 0, 0, 0, 0);
    lagtest::PutKind2(cases[2].stored, 12849, 12851, 65535, 65535);
    cases[2].expected = {255, 127, 0, 1, 254, 0, 0, 0, 0, 0, 0, 0, 49, 50, 255, 255};

    cases[3].kind = 3;
    lagtest::PutKind3(cases[3].stored, 1.0f, 0.5f, 0.0f, 0.25f);
    lagtest::PutKind3(cases[3].stored, 0.75f, 0.1f, 1.0f, 0.5f);
    // Out of range and NaN are clamped.
    lagtest::PutKind3(cases[3].stored, 1.5f, -0.5f, std::numeric_limits<float>::quiet_NaN(), 1e30f);
    lagtest::PutKind3(cases[3].stored, 0.0f, 0.0f, 0.0f, 0.0f);
    cases[3].expected = {255, 127, 0, 63, 191, 25, 255, 127, 255, 0, 0, 255, 0, 0, 0, 0};
    return cases;
}

TEST_F(LagFile, EveryKindStoredAndCompressedLoadsExactly) {
    LagWriter writer;
    const std::vector<KindCase> cases = KindCases();
    for (const KindCase& c : cases) {
        writer.Add("plain" + std::to_string(c.kind), 2, 2, c.kind, c.stored);
        writer.Add("packed" + std::to_string(c.kind), 2, 2, c.kind + 4, c.stored);
    }
    Put("kinds.lag", writer.bytes());

    for (const KindCase& c : cases) {
        for (const std::string prefix : {"plain", "packed"}) {
            const std::string name = prefix + std::to_string(c.kind);
            CLagFile lag;
            Bytes pixels;
            ASSERT_EQ(Load(lag, "kinds.lag", name.c_str(), &pixels), "") << name;
            EXPECT_EQ(pixels, c.expected) << name;
            int32_t w = 0, h = 0, pitch = 0;
            void* image = nullptr;
            lag.GetSize(&w, &h);
            lag.GetImagePitch(&image, &pitch);
            EXPECT_EQ(w, 2);
            EXPECT_EQ(h, 2);
            EXPECT_EQ(pitch, 8);
            EXPECT_EQ(image, lag.GetImage());
            EXPECT_EQ(lag.GetImageSize(), 2u * 2u * 4u + 128u);
        }
    }
}

TEST_F(LagFile, LargeCompressedEntriesMatchTheirPlainTwins) {
    // Wide enough that rows repeat within the LZSS window and across it.
    const uint32_t w = 97, h = 61;
    std::mt19937 rng(5);
    Bytes kind1, kind2, kind3;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = (x / 8 + y / 4) % 5 == 0 ? rng() & 0xFF : (x * 3 + y) & 0xFF;
            lagtest::PutKind1(kind1, v, 255 - v, (v * 7) & 0xFF, x < 50 ? 255 : v);
            lagtest::PutKind2(kind2, v * 257, (255 - v) * 257, 0, 65535);
            lagtest::PutKind3(kind3, static_cast<float>(v) / 256.0f, 1.0f, 0.0f, 0.5f);
        }
    }
    LagWriter writer;
    writer.Add("k1", w, h, 1, kind1).Add("k5", w, h, 5, kind1);
    writer.Add("k2", w, h, 2, kind2).Add("k6", w, h, 6, kind2);
    writer.Add("k3", w, h, 3, kind3).Add("k7", w, h, 7, kind3);
    Put("big.lag", writer.bytes());
    ASSERT_LT(writer.bytes().size(), 8 + 6 * 32 + w * h * (4 + 4 + 8 + 8 + 16 + 16));  // really compressed

    CLagFile lag;
    Bytes plain, packed;
    for (const auto& [a, b] : {std::pair{"k1", "k5"}, {"k2", "k6"}, {"k3", "k7"}}) {
        ASSERT_EQ(Load(lag, "big.lag", a, &plain), "");
        ASSERT_EQ(Load(lag, "big.lag", b, &packed), "");  // a second load replaces the first image
        EXPECT_EQ(plain, packed) << b;
    }
    ASSERT_EQ(Load(lag, "big.lag", "k1", &plain), "");
    EXPECT_EQ(plain, kind1);
    // u16 v * 257 -> v; floats v / 256 -> trunc(v * 255 / 256).
    ASSERT_EQ(Load(lag, "big.lag", "k6", &packed), "");
    ASSERT_EQ(packed.size(), kind1.size());
    for (size_t i = 0; i < kind1.size(); i += 4) {
        ASSERT_EQ(packed[i], kind1[i]);
        ASSERT_EQ(packed[i + 1], kind1[i + 1]);
        ASSERT_EQ(packed[i + 3], 255);
    }
    ASSERT_EQ(Load(lag, "big.lag", "k7", &packed), "");
    for (size_t i = 0; i < kind1.size(); i += 4) ASSERT_EQ(packed[i], kind1[i] * 255 / 256) << i;
}

TEST_F(LagFile, DdsHeaderIsTheStandardThirtyTwoBitLayout) {
    Bytes pixels;
    for (int i = 0; i < 3 * 5; ++i) lagtest::PutKind1(pixels, i, 2 * i, 3 * i, 255 - i);
    Put("dds.lag", LagWriter().Add("pic", 3, 5, 1, pixels).bytes());
    CLagFile lag;
    ASSERT_EQ(lag.LoadImage("dds.lag", "pic"), nullptr);
    ASSERT_EQ(lag.GetImageSize(), 3u * 5u * 4u + 128u);
    const auto* image = static_cast<const uint8_t*>(lag.GetImage());
    Bytes header(128, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(header.data(), "DDS ", 4);
    put(4, 124);
    put(8, 0x1007);
    put(12, 5);
    put(16, 3);
    put(76, 32);
    put(80, 0x41);
    put(88, 32);
    put(92, 0x00FF0000);
    put(96, 0x0000FF00);
    put(100, 0x000000FF);
    put(104, 0xFF000000);
    EXPECT_EQ(Bytes(image, image + 128), header);
    EXPECT_EQ(Bytes(image + 128, image + lag.GetImageSize()), pixels);

    lag.FreeImage();
    EXPECT_EQ(lag.GetImage(), nullptr);
    EXPECT_EQ(lag.GetImageSize(), 0u);
}

TEST_F(LagFile, ImageLoadersReadTheDdsAsA8R8G8B8) {
    Bytes pixels;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) lagtest::PutKind1(pixels, x * 30, y * 40, 200, x == y ? 0 : 255);
    Put("d3dx.lag", LagWriter().Add("Sprite", 7, 6, 5, pixels).bytes());
    CLagFile lag;
    ASSERT_EQ(lag.LoadImage("d3dx.lag", "SPRITE"), nullptr);

    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(lag.GetImage(), lag.GetImageSize(), &info), D3D_OK);
    EXPECT_EQ(info.Width, 7u);
    EXPECT_EQ(info.Height, 6u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);

    // Loaded into a surface of a device on the null backend (no display needed).
    d3d9test::ResetAll();
    d3d9test::SetBackend(d3d9test::Backend::Null);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    const HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000));
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(7, 6, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr), D3D_OK);
    EXPECT_EQ(D3DXLoadSurfaceFromFileInMemory(surface, nullptr, nullptr, lag.GetImage(), lag.GetImageSize(), nullptr,
                                              D3DX_FILTER_NONE, 0, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (int y = 0; y < 6; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
        EXPECT_EQ(Bytes(row, row + 28), Bytes(pixels.begin() + y * 28, pixels.begin() + (y + 1) * 28)) << y;
    }
    surface->UnlockRect();
    surface->Release();
    EXPECT_EQ(device->Release(), 0u);
    d3d->Release();
    d3d9test::ResetAll();
}

TEST_F(LagFile, NamesIgnoreCaseAndTheFirstOfTwoWins) {
    Bytes red, green, blue, white;
    for (int i = 0; i < 4; ++i) {
        lagtest::PutKind1(red, 0, 0, 255, 255);
        lagtest::PutKind1(green, 0, 255, 0, 255);
        lagtest::PutKind1(blue, 255, 0, 0, 255);
        lagtest::PutKind1(white, 255, 255, 255, 255);
    }
    // Katakana "a" (0x83 0x41) has an upper-case letter as its trail byte; "di"
    // (0x83 0x61) is the same pair with that letter in lower case.
    const std::string katakana = testsupport::Sjis(u8"ア");
    const std::string di = testsupport::Sjis(u8"ヂ");
    Put("lower.lag", LagWriter().Add("title", 2, 2, 1, red).Add("Title", 2, 2, 1, green).bytes());
    Put("upper.lag", LagWriter(std::string("lag\0", 4))
                         .Add("other", 2, 2, 1, white)
                         .Add("TITLE", 2, 2, 5, blue)
                         .Add(katakana, 2, 2, 1, green)
                         .Add(di, 2, 2, 1, red)
                         .Add("X" + katakana, 2, 2, 1, blue)
                         .bytes());
    CLagFile lag;
    Bytes pixels;
    EXPECT_EQ(Load(lag, "lower.lag", "Title", &pixels), "");
    EXPECT_EQ(pixels, red);
    EXPECT_EQ(Load(lag, "lower.lag", "TITLE", &pixels), "");
    EXPECT_EQ(pixels, red);
    EXPECT_EQ(Load(lag, "upper.lag", "Title", &pixels), "");
    EXPECT_EQ(pixels, blue);
    EXPECT_EQ(Load(lag, "upper.lag", katakana.c_str(), &pixels), "");
    EXPECT_EQ(pixels, green);
    // A two-byte character is compared whole: its trail byte is never folded.
    EXPECT_EQ(Load(lag, "upper.lag", di.c_str(), &pixels), "");
    EXPECT_EQ(pixels, red);
    EXPECT_EQ(Load(lag, "upper.lag", ("x" + katakana).c_str(), &pixels), "");
    EXPECT_EQ(pixels, blue);
    EXPECT_EQ(Load(lag, "upper.lag", ("x" + di).c_str(), &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "upper.lag", "titl", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "upper.lag", "title2", &pixels), kCantLoad);
    EXPECT_EQ(lag.GetImage(), nullptr);
    EXPECT_EQ(Load(lag, "UPPER.LAG", "other", &pixels), "");  // archive names through the file system
    EXPECT_EQ(pixels, white);

    // FindEntry gives out the stored fields and the decoded size.
    uint32_t w = 0, h = 0, kind = 0;
    EXPECT_EQ(lag.FindEntry("upper.lag", "title", &w, &h, nullptr, 0, &kind), 16u);
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(kind, 5u);
    EXPECT_EQ(lag.FindEntry("upper.lag", "title", nullptr, nullptr, nullptr, 0, nullptr), 16u);
}

TEST_F(LagFile, MissingArchivesWrongMagicAndMissingEntriesAreRefused) {
    Bytes px;
    lagtest::PutKind1(px, 1, 2, 3, 4);
    Put("badmagic.lag", LagWriter("LAGX").Add("a", 1, 1, 1, px).bytes());
    Put("pad.lag", LagWriter("LA").Add("a", 1, 1, 1, px).bytes());
    Put("short.lag", "LAG");
    Put("empty.lag", "");
    Put("noentries.lag", LagWriter().bytes());
    Put("partial.lag", LagWriter().Add("a", 1, 1, 1, px).AddBytes(std::string(20, 'b')).bytes());
    CLagFile lag;
    Bytes pixels;
    for (const char* archive : {"nowhere.lag", "badmagic.lag", "pad.lag", "short.lag", "empty.lag", "noentries.lag"}) {
        EXPECT_EQ(Load(lag, archive, "a", &pixels), kCantLoad) << archive;
        EXPECT_EQ(lag.GetImage(), nullptr);
    }
    // A partial header after the last entry ends the search.
    EXPECT_EQ(Load(lag, "partial.lag", "a", &pixels), "");
    EXPECT_EQ(Load(lag, "partial.lag", "b", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, nullptr, "a", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "partial.lag", nullptr, &pixels), kCantLoad);
    // A failed load drops the image held before.
    ASSERT_EQ(Load(lag, "partial.lag", "a", &pixels), "");
    EXPECT_EQ(Load(lag, "partial.lag", "zzz", &pixels), kCantLoad);
    EXPECT_EQ(lag.GetImage(), nullptr);
    EXPECT_EQ(lag.GetImageSize(), 0u);
}

TEST_F(LagFile, NameFieldsWithoutTerminatorNeverMatchNorOverRead) {
    Bytes px;
    lagtest::PutKind1(px, 9, 8, 7, 6);
    // Sixteen letters and then the width, whose first byte is 'b': read as a
    // text, the name would run on into "aaaaaaaaaaaaaaaab". The entry holds all
    // its pixels, so only the name's terminator refuses it.
    LagWriter writer;
    writer.AddRaw(std::string(16, 'a'), 'b', 1, 1, 'b' * 4, Bytes('b' * 4, 3));
    writer.Add("after", 1, 1, 1, px);
    Put("names.lag", writer.bytes());
    CLagFile lag;
    Bytes pixels;
    EXPECT_EQ(Load(lag, "names.lag", "aaaaaaaaaaaaaaaab", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "names.lag", std::string(16, 'a').c_str(), &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "names.lag", std::string(15, 'a').c_str(), &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "names.lag", "after", &pixels), "");  // the bad entry was skipped whole
    EXPECT_EQ(pixels, px);
    // Entry names far longer than any buffer.
    const std::string huge(5000, 'A');
    EXPECT_EQ(Load(lag, "names.lag", huge.c_str(), &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "names.lag", huge.substr(0, 259).c_str(), &pixels), kCantLoad);
    // The longest name looked for is 259 bytes; one byte more is refused before
    // the archive is searched.
    struct Counting : CLagFile {
        int searches = 0;
        uint32_t FindEntry(const char* archive, const char* name, uint32_t* width, uint32_t* height, void* pixels,
                           uint32_t pixelsSize, uint32_t* kind) override {
            ++searches;
            return CLagFile::FindEntry(archive, name, width, height, pixels, pixelsSize, kind);
        }
    };
    for (const size_t length : {259u, 260u}) {
        Counting counting;
        EXPECT_EQ(Load(counting, "names.lag", huge.substr(0, length).c_str(), &pixels), kCantLoad) << length;
        EXPECT_EQ(counting.searches, length == 259 ? 1 : 0) << length;
    }
}

// Names at the field's edge: fifteen bytes and the terminator are the longest
// name an entry holds, and a name one byte longer matches nothing.
TEST_F(LagFile, TheLongestStoredNameIsFoundAndOneByteMoreIsNot) {
    Bytes px;
    lagtest::PutKind1(px, 1, 2, 3, 4);
    const std::string fifteen = "abcdefghijklmno";
    const std::string twoByteLast = "abcdefghijklm" + testsupport::Sjis(u8"ア");  // 15 bytes too
    Put("long.lag", LagWriter().Add(fifteen, 1, 1, 1, px).Add(twoByteLast, 1, 1, 1, Bytes(4, 9)).bytes());
    const struct {
        std::string wanted;
        bool found;
        uint8_t first;  // the pixel's first byte when found
    } cases[] = {{fifteen, true, 1},        {"ABCDEFGHIJKLMNO", true, 1}, {fifteen + "p", false, 0},
                 {fifteen.substr(0, 14), false, 0}, {twoByteLast, true, 9},  {twoByteLast + "a", false, 0}};
    CLagFile lag;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted);
        Bytes pixels;
        EXPECT_EQ(Load(lag, "long.lag", c.wanted.c_str(), &pixels), c.found ? "" : kCantLoad);
        if (c.found) {
            EXPECT_EQ(pixels.at(0), c.first);
        }
    }
}

// The headers are read in bulk: every entry of a run of small ones longer than
// any read, whichever read its header falls across, and the entries behind one
// larger than a read, are found with their own pixels.
TEST_F(LagFile, EveryEntryOfALongArchiveIsFoundWithItsOwnPixels) {
    constexpr uint32_t kSmall = 4000;  // 36 bytes each: 144 KB of headers and pixels
    LagWriter writer;
    const auto pixelOf = [](uint32_t i) {
        Bytes px;
        lagtest::PutKind1(px, i & 0xFF, i >> 8, 0x5A, 0xFF);
        return px;
    };
    for (uint32_t i = 0; i < kSmall; ++i) writer.Add("e" + std::to_string(i), 1, 1, 1, pixelOf(i));
    Bytes big;
    for (uint32_t i = 0; i < 300 * 200; ++i) lagtest::PutKind1(big, i & 0xFF, 1, 2, 3);
    writer.Add("big", 300, 200, 1, big);
    for (uint32_t i = 0; i < 50; ++i) writer.Add("f" + std::to_string(i), 1, 1, 1, pixelOf(kSmall + i));
    Put("long.lag", writer.bytes());

    CLagFile lag;
    uint32_t missed = 0;
    std::vector<uint8_t> out(4);
    const auto check = [&](const std::string& name, uint32_t i) {
        std::fill(out.begin(), out.end(), 0);
        if (lag.FindEntry("long.lag", name.c_str(), nullptr, nullptr, out.data(), 4, nullptr) != 4u ||
            out != pixelOf(i)) {
            ADD_FAILURE() << name;
            ++missed;
        }
    };
    for (uint32_t i = 0; i < kSmall && missed < 5; ++i) check("e" + std::to_string(i), i);
    for (uint32_t i = 0; i < 50 && missed < 5; ++i) check("f" + std::to_string(i), kSmall + i);
    Bytes pixels;
    ASSERT_EQ(Load(lag, "long.lag", "big", &pixels), "");
    ASSERT_EQ(pixels.size(), big.size());
    EXPECT_EQ(pixels[4 * 299], 299 & 0xFF);
    EXPECT_EQ(Load(lag, "long.lag", "f50", &pixels), kCantLoad);
}

// The last entry's bytes may end exactly at the end of the file; one byte more
// is a cut archive, logged as damaged.
TEST_F(LagFile, AnEntryEndingAtTheFileEndLoadsAndOneBytePastIsDamaged) {
    Bytes px;
    lagtest::PutKind1(px, 7, 6, 5, 4);
    for (const bool past : {false, true}) {
        SCOPED_TRACE(past ? "one byte past the end" : "ending at the end");
        LagWriter writer;
        writer.Add("first", 1, 1, 1, px).AddRaw(LagWriter::NameField("last"), 1, 1, 1, past ? 5 : 4, px);
        Put("edge.lag", writer.bytes());
        CLagFile lag;
        Bytes pixels;
        EXPECT_EQ(Load(lag, "edge.lag", "last", &pixels), past ? kCantLoad : "");
        if (!past) {
            EXPECT_EQ(pixels, px);
        }
        EXPECT_EQ(lag.FindEntry("edge.lag", "last", nullptr, nullptr, nullptr, 0, nullptr), past ? 0u : 4u);
        EXPECT_EQ(Load(lag, "edge.lag", "first", &pixels), "") << "entries before it are whole";
    }
}

TEST(LagEntryKey, AKeyOfTheLongestLengthIsWholeAndOneByteMoreIsRefused) {
    // "dir/a.lag[pic]" is 14 bytes: it fits whole in 15 and is cut in 14.
    const struct {
        size_t size;
        bool whole;
        std::string text;
    } cases[] = {{64, true, "dir/a.lag[pic]"}, {15, true, "dir/a.lag[pic]"}, {14, false, "dir/a.lag[pic"},
                 {13, false, "dir/a.lag[pi"},   {1, false, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        char out[64];
        std::memset(out, 'z', sizeof out);
        EXPECT_EQ(CLagFile::EntryKey(out, c.size, "dir/a.lag", "pic"), c.whole);
        EXPECT_EQ(std::string(out), c.text) << "always terminated within the room";
        if (c.size < sizeof out) {
            EXPECT_EQ(out[c.size], 'z') << "nothing written past the room";
        }
    }
}

TEST_F(LagFile, OverflowingAndOversizedEntriesAreRefusedBeforeAllocation) {
    CLagFile lag;
    // Sizes that wrap in 32 bits are not answered as small ones.
    EXPECT_EQ(lag.GetPixelBytes(65536, 65536, 1), 0u);
    EXPECT_EQ(lag.GetPixelBytes(0x40000001u, 4, 1), 0u);
    EXPECT_EQ(lag.GetPixelBytes(65535, 1, 0), 131070u);  // the longest side
    EXPECT_EQ(lag.GetPixelBytes(1, 65535, 4), 131070u);
    EXPECT_EQ(lag.GetPixelBytes(65536, 1, 0), 0u);
    EXPECT_EQ(lag.GetPixelBytes(1, 65536, 0), 0u);
    EXPECT_EQ(lag.GetPixelBytes(65535, 65535, 3), 0u);
    EXPECT_EQ(lag.GetPixelBytes(8192, 8192, 3), 8192u * 8192u * 16u);
    EXPECT_EQ(lag.GetPixelBytes(8192, 8193, 1), 0u);
    EXPECT_EQ(lag.GetPixelBytes(3, 5, 0), 30u);
    EXPECT_EQ(lag.GetPixelBytes(3, 5, 5), 60u);
    EXPECT_EQ(lag.GetPixelBytes(3, 5, 6), 120u);
    EXPECT_EQ(lag.GetPixelBytes(3, 5, 7), 240u);
    EXPECT_EQ(lag.GetPixelBytes(3, 5, 8), 0u);

    Bytes sixteen(16, 0x5A);
    LagWriter writer;
    // width * height * 4 wraps to 16 and to 0.
    writer.AddRaw(LagWriter::NameField("wrap"), 0x40000001u, 4, 1, 16, sixteen);
    writer.AddRaw(LagWriter::NameField("wrap0"), 65536, 65536, 1, 16, sixteen);
    writer.AddRaw(LagWriter::NameField("wide"), 70000, 1, 1, 16, sixteen);
    // Declared sizes far beyond the file: a huge plain entry and a huge stream.
    writer.AddRaw(LagWriter::NameField("hugedecode"), 8192, 8192, 7, 16, sixteen);
    writer.AddRaw(LagWriter::NameField("zero"), 0, 4, 1, 0, {});
    writer.AddRaw(LagWriter::NameField("kind8"), 2, 2, 8, 16, sixteen);
    writer.AddRaw(LagWriter::NameField("hugeplain"), 8192, 8192, 3, 0xFFFFFFF0u, {});  // last: it cuts the file
    Put("sizes.lag", writer.bytes());
    Bytes pixels;
    for (const char* name : {"wrap", "wrap0", "wide", "hugeplain", "hugedecode", "zero", "kind8"}) {
        // The size query that decides the allocation already refuses.
        EXPECT_EQ(lag.FindEntry("sizes.lag", name, nullptr, nullptr, nullptr, 0, nullptr), 0u) << name;
        EXPECT_EQ(Load(lag, "sizes.lag", name, &pixels), kCantLoad) << name;
    }

    // An entry whose declared size runs past the end, before the wanted one.
    LagWriter cut;
    cut.AddRaw(LagWriter::NameField("first"), 1, 1, 1, 0x7FFFFFF0u, sixteen).Add("second", 1, 1, 1, Bytes(4, 1));
    Put("cut.lag", cut.bytes());
    EXPECT_EQ(Load(lag, "cut.lag", "second", &pixels), kCantLoad);
}

// Each allocation a load makes, failing, is answered as missing memory, not as
// a bad archive: the pixels, the coded block, and the image.
TEST_F(LagFile, AFailedAllocationAnswersNoMemory) {
    Bytes px;
    lagtest::PutKind1(px, 1, 2, 3, 4);
    Put("mem.lag", LagWriter().Add("plain", 1, 1, 1, px).Add("coded", 1, 1, 5, px).bytes());
    struct Failing : CLagFile {
        int failIn = 0;        // which search arms the fault
        bool before = false;   // armed as it starts (after the handle's block), else as it returns
        int searches = 0;
        uint32_t FindEntry(const char* archive, const char* name, uint32_t* width, uint32_t* height, void* pixels,
                           uint32_t pixelsSize, uint32_t* kind) override {
            const bool arm = ++searches == failIn;
            if (arm && before) platform::InjectFault("calloc", 1, 1);
            const uint32_t found = CLagFile::FindEntry(archive, name, width, height, pixels, pixelsSize, kind);
            if (arm && !before) platform::InjectFault("calloc", 0, 1);
            return found;
        }
    };
    const struct {
        const char* entry;
        int failIn;
        bool before;
    } cases[] = {{"plain", 1, false}, {"coded", 2, true}, {"plain", 2, false}};
    const std::string noMemory = testsupport::Sjis(u8"メモリ確保に失敗 空きメモリが不足している可能性があります");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " " << c.failIn);
        Failing lag;
        lag.failIn = c.failIn, lag.before = c.before;
        Bytes pixels;
        EXPECT_EQ(Load(lag, "mem.lag", c.entry, &pixels), noMemory);
        platform::ClearFaults();
        EXPECT_EQ(lag.GetImage(), nullptr);
        EXPECT_EQ(Load(lag, "mem.lag", c.entry, &pixels), "");
        EXPECT_EQ(pixels, px);
    }
}

TEST_F(LagFile, ShortStoredDataAndShortStreamsAreRefused) {
    Bytes px;
    for (int i = 0; i < 4; ++i) lagtest::PutKind1(px, 10 * i, 20, 30, 40);
    Bytes eight = {1, 2, 3, 4, 5, 6, 7, 8};
    LagWriter writer;
    // Plain: one byte short of w*h*4, though the next entry's bytes follow.
    writer.AddRaw(LagWriter::NameField("short"), 2, 2, 1, 15, Bytes(px.begin(), px.end() - 1));
    writer.AddRaw(LagWriter::NameField("longer"), 2, 2, 1, 20, [&] {
        Bytes b = px;
        b.insert(b.end(), {0xEE, 0xEE, 0xEE, 0xEE});
        return b;
    }());
    // Kind 4, 2 x 2: five literals where eight bytes are needed.
    writer.AddRaw(LagWriter::NameField("stream"), 2, 2, 4, 6, {0xFF, 1, 2, 3, 4, 5});
    // A reference cut in half at the end of the stream.
    writer.AddRaw(LagWriter::NameField("halfref"), 2, 2, 4, 6, {0x0F, 1, 2, 3, 4, 0x00});
    // Kind 4, 2 x 2 with a stream of sixteen literals: exactly eight bytes decoded.
    writer.AddRaw(LagWriter::NameField("long"), 2, 2, 4, 18,
                  {0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 9, 9, 9, 9, 9, 9, 9, 9});
    // A reference into the ring's untouched start gives zeros.
    writer.AddRaw(LagWriter::NameField("zeros"), 2, 2, 4, 3, {0x00, 0x00, 0x05});
    writer.Add("tail", 2, 2, 1, px);
    Put("short.lag", writer.bytes());

    CLagFile lag;
    Bytes pixels;
    EXPECT_EQ(Load(lag, "short.lag", "short", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "short.lag", "stream", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "short.lag", "halfref", &pixels), kCantLoad);
    EXPECT_EQ(Load(lag, "short.lag", "longer", &pixels), "");  // extra stored bytes are ignored
    EXPECT_EQ(pixels, px);
    EXPECT_EQ(Load(lag, "short.lag", "tail", &pixels), "");
    EXPECT_EQ(pixels, px);

    Bytes decoded(8, 0xCC);  // exactly the decoded size: ASan sees any write beyond
    uint32_t kind = 0;
    EXPECT_EQ(lag.FindEntry("short.lag", "long", nullptr, nullptr, decoded.data(), 8, &kind), 8u);
    EXPECT_EQ(kind, 4u);
    EXPECT_EQ(decoded, eight);
    EXPECT_EQ(lag.FindEntry("short.lag", "long", nullptr, nullptr, decoded.data(), 7, nullptr), 0u);  // too small
    EXPECT_EQ(lag.FindEntry("short.lag", "zeros", nullptr, nullptr, decoded.data(), 8, nullptr), 8u);
    EXPECT_EQ(decoded, Bytes(8, 0));
    // Loaded, the eight bytes are four 16-bit pixels.
    ASSERT_EQ(Load(lag, "short.lag", "long", &pixels), "");
    ASSERT_EQ(pixels.size(), 16u);
    // 0x0201 -> B 0 G 2 R 0 A 1; 0x0403 -> B 0 G 4 R 0 A 3 ...
    EXPECT_EQ(pixels, (Bytes{0, 34, 0, 17, 0, 68, 0, 51, 0, 102, 0, 85, 0, 136, 0, 119}));
}

TEST_F(LagFile, DamagedEntriesAreLoggedInRed) {
    LagWriter writer;
    writer.AddRaw(LagWriter::NameField("pic"), 2, 2, 1, 15, Bytes(15, 1));
    Put("bad.lag", writer.bytes());
    // A last header with nothing after it is still read: its entry is damaged.
    Put("tail.lag", LagWriter().Add("a", 1, 1, 1, Bytes(4, 1)).AddRaw(LagWriter::NameField("tail"), 2, 2, 1, 0, {}).bytes());
    const std::string log = dir_.file("lag_log");
    EXPECT_EQ(testsupport::RunInChild([&] {
                  Kestra::SetLogFile(log.c_str(), "html");
                  if (!Kestra::OpenLog("t")) return 2;
                  CLagFile lag;
                  const char* damaged = lag.LoadImage("bad.lag", "pic");
                  const char* missing = lag.LoadImage("bad.lag", "other");
                  const char* tail = lag.LoadImage("tail.lag", "tail");
                  Kestra::CloseLog();
                  return damaged && std::string(damaged) == kCantLoad && missing && std::string(missing) == kCantLoad &&
                                 tail && std::string(tail) == kCantLoad
                             ? 0
                             : 3;
              }),
              0);
    const std::string text = testsupport::ReadFile(log + ".html");
    const std::string line = "<FONT color=\"RED\">　エラー : データが壊れています [ bad.lag / pic ]</FONT>";
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_NE(text.find("データが壊れています [ tail.lag / tail ]"), std::string::npos) << text;
    // A name that is simply not there is no damage.
    EXPECT_EQ(text.find("other"), std::string::npos);
}

TEST_F(LagFile, CorruptedArchivesNeverCrash) {
    Bytes px;
    std::mt19937 rng(11);
    for (int i = 0; i < 6 * 5; ++i) lagtest::PutKind1(px, rng() & 0xFF, i, i * 3, 200);
    Bytes k3;
    for (int i = 0; i < 6 * 5; ++i) lagtest::PutKind3(k3, 0.5f, 0.25f, i / 30.0f, 1.0f);
    LagWriter writer;
    writer.Add("a", 6, 5, 1, px).Add("b", 6, 5, 5, px).Add("c", 6, 5, 7, k3).Add("d", 6, 5, 3, k3);
    const std::string good = writer.bytes();
    CLagFile lag;
    Bytes pixels;
    // Every truncation.
    for (size_t length = 0; length < good.size(); length += 3) {
        Put("t.lag", good.substr(0, length));
        for (const char* name : {"a", "b", "c", "d"}) {
            const char* error = lag.LoadImage("t.lag", name);
            if (!error) {
                EXPECT_EQ(lag.GetImageSize(), 6u * 5u * 4u + 128u);
            }
        }
    }
    // Random byte damage.
    for (int round = 0; round < 300; ++round) {
        std::string bad = good;
        for (int k = 0; k < 1 + round % 4; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
        Put("r.lag", bad);
        for (const char* name : {"a", "b", "c", "d"}) {
            if (!lag.LoadImage("r.lag", name)) {
                int32_t w = 0, h = 0;
                lag.GetSize(&w, &h);
                EXPECT_EQ(lag.GetImageSize(), static_cast<uint32_t>(w) * static_cast<uint32_t>(h) * 4u + 128u);
            }
        }
    }
}

// ---- Conversions

Bytes ConvertBytes(uint32_t srcKind, const Bytes& src, uint32_t dstKind, int32_t w, int32_t h, size_t dstSize) {
    CLagFile lag;
    Bytes dst(dstSize, 0xAB);
    lag.Convert(w, h, srcKind, src.data(), dstKind, dst.data());
    return dst;
}

TEST(LagConvert, EveryKindPairScalesItsChannelsAsRecorded) {
    // Two pixels of each source kind: extremes, middles and the rounding edges,
    // floats past both ends; compressed kinds (4 to 7) count as their plain ones.
    Bytes src[4];
    lagtest::PutKind0(src[0], 15, 1, 8, 0);
    lagtest::PutKind0(src[0], 0, 7, 3, 15);
    lagtest::PutKind1(src[1], 255, 128, 17, 16);
    lagtest::PutKind1(src[1], 0, 51, 254, 1);
    lagtest::PutKind2(src[2], 65535, 32768, 1, 257);
    lagtest::PutKind2(src[2], 0, 4369, 65534, 32767);
    lagtest::PutKind3(src[3], 0.5f, 1.0f, 2.0f, -std::numeric_limits<float>::infinity());
    lagtest::PutKind3(src[3], -0.25f, 0.2f, 1.0f / 255.0f, 0.0f);
    records::Fnv d;
    for (uint32_t from = 0; from < 8; ++from)
        for (uint32_t to = 0; to < 8; ++to) {
            const Bytes out = ConvertBytes(from, src[from % 4], to, 2, 1, 36);
            d.Bytes(out.data(), out.size());
        }
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "lag-convert", d.h), "");
}

TEST(LagConvert, NothingHappensForBadKindsOrEmptySizes) {
    Bytes k1(4 * 6, 0x40);
    const Bytes untouched(4 * 6 * 2, 0xAB);
    EXPECT_EQ(ConvertBytes(8, k1, 1, 2, 3, untouched.size()), untouched);
    EXPECT_EQ(ConvertBytes(1, k1, 9, 2, 3, untouched.size()), untouched);
    EXPECT_EQ(ConvertBytes(1, k1, 2, 0, 3, untouched.size()), untouched);
    EXPECT_EQ(ConvertBytes(1, k1, 2, 2, 0, untouched.size()), untouched);
    EXPECT_EQ(ConvertBytes(1, k1, 2, -2, -3, untouched.size()), untouched);
    const Bytes all = ConvertBytes(1, k1, 2, 2, 3, untouched.size());
    EXPECT_EQ(all, Bytes(all.size(), 0x40));  // 0x40 * 65535 / 255 = 0x4040
    CLagFile lag;
    EXPECT_TRUE(lag.IsCompressed(4));
    EXPECT_TRUE(lag.IsCompressed(7));
    EXPECT_FALSE(lag.IsCompressed(3));
    EXPECT_FALSE(lag.IsCompressed(8));
}

// ---- Dithering and copies into locked memory

TEST(LagDither, OrderedMatrices) {
    CLagFile lag;
    records::Fnv d;  // every value at every position of two periods (positions repeat every four)
    for (uint32_t v = 0; v < 256; ++v)
        for (int32_t x = 0; x < 8; ++x)
            for (int32_t y = 0; y < 8; ++y) d.Add(lag.DitherTo5(v, x, y), lag.DitherTo4(v, x, y));
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", "lag-dither", d.h), "");
}

class LagCopy : public LagFile {
protected:
    void SetUp() override {
        LagFile::SetUp();
        // 5 x 4: B 0, G 128, R 255; A 200 in rows 0-1 and 127 in rows 2-3.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) lagtest::PutKind1(pixels_, 0, 128, 255, y < 2 ? 200 : 127);
        Put("copy.lag", LagWriter().Add("img", 5, 4, 1, pixels_).bytes());
        ASSERT_EQ(lag_.LoadImage("copy.lag", "img"), nullptr);
    }

    // Copies into a surface with a padded pitch; answers the 16-bit pixels and
    // checks that the padding stays untouched.
    std::vector<uint16_t> Copy16(D3DFORMAT format) {
        const int32_t pitch = 5 * 2 + 6;
        Bytes surface(pitch * 4, 0xCD);
        EXPECT_TRUE(lag_.CopyToSurface(surface.data(), pitch, format));
        std::vector<uint16_t> out;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) out.push_back(uint16_t(surface[y * pitch + 2 * x] | surface[y * pitch + 2 * x + 1] << 8));
            for (int k = 10; k < pitch; ++k) EXPECT_EQ(surface[y * pitch + k], 0xCD);
        }
        return out;
    }

    CLagFile lag_;
    Bytes pixels_;
};

TEST_F(LagCopy, R5G6B5) {
    EXPECT_EQ(Copy16(D3DFMT_R5G6B5), (std::vector<uint16_t>{0xFBE0, 0xFC00, 0xFBE0, 0xFC00, 0xFBE0,  //
                                                           0xFC00, 0xFBE0, 0xFC00, 0xFBE0, 0xFC00,  //
                                                           0xFBE0, 0xFC00, 0xFBE0, 0xFC00, 0xFBE0,  //
                                                           0xFC00, 0xFBE0, 0xFC00, 0xFBE0, 0xFC00}));
}

TEST_F(LagCopy, OneBitAlphaFormatsSetTheTopBitAbove127) {
    const std::vector<uint16_t> expected{0xFDE0, 0xFE00, 0xFDE0, 0xFE00, 0xFDE0,  //
                                         0xFE00, 0xFDE0, 0xFE00, 0xFDE0, 0xFE00,  //
                                         0x7DE0, 0x7E00, 0x7DE0, 0x7E00, 0x7DE0,  //
                                         0x7E00, 0x7DE0, 0x7E00, 0x7DE0, 0x7E00};
    EXPECT_EQ(Copy16(D3DFMT_A1R5G5B5), expected);
    EXPECT_EQ(Copy16(D3DFMT_X1R5G5B5), expected);
}

TEST_F(LagCopy, FourBitFormatsDitherAllFourChannels) {
    const std::vector<uint16_t> expected{0xBF70, 0xCF80, 0xBF70, 0xCF80, 0xBF70,  //
                                         0xCF80, 0xCF70, 0xCF80, 0xCF70, 0xCF80,  //
                                         0x7F70, 0x8F80, 0x7F70, 0x8F80, 0x7F70,  //
                                         0x8F80, 0x7F70, 0x8F80, 0x7F70, 0x8F80};
    EXPECT_EQ(Copy16(D3DFMT_A4R4G4B4), expected);
    EXPECT_EQ(Copy16(D3DFMT_X4R4G4B4), expected);
}

TEST_F(LagCopy, ThirtyTwoBitFormatsCopyAndOthersAreRefused) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        const int32_t pitch = 5 * 4 + 8;
        Bytes surface(pitch * 4, 0xCD);
        ASSERT_TRUE(lag_.CopyToSurface(surface.data(), pitch, format));
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(Bytes(surface.begin() + y * pitch, surface.begin() + y * pitch + 20),
                      Bytes(pixels_.begin() + y * 20, pixels_.begin() + (y + 1) * 20));
            EXPECT_EQ(Bytes(surface.begin() + y * pitch + 20, surface.begin() + (y + 1) * pitch), Bytes(8, 0xCD));
        }
    }
    Bytes surface(64 * 4, 0xCD);
    for (D3DFORMAT format : {D3DFMT_R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_DXT1, D3DFMT_UNKNOWN, D3DFMT_L8}) {
        EXPECT_FALSE(lag_.CopyToSurface(surface.data(), 64, format)) << format;
        EXPECT_EQ(surface, Bytes(64 * 4, 0xCD));
    }
    CLagFile empty;
    EXPECT_FALSE(empty.CopyToSurface(surface.data(), 64, D3DFMT_A8R8G8B8));
    EXPECT_EQ(surface, Bytes(64 * 4, 0xCD));
}

TEST_F(LagCopy, RectanglesArePlacedClippedAndDitheredWhereTheyLand) {
    // Rows of distinct pixels for the 32-bit placement check.
    Bytes grid;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) lagtest::PutKind1(grid, x, y, 10 * x + y, 255);
    Put("grid.lag", LagWriter().Add("g", 5, 4, 1, grid).bytes());
    CLagFile lag;
    ASSERT_EQ(lag.LoadImage("grid.lag", "g"), nullptr);

    const int32_t pitch = 6 * 4;
    Bytes surface(pitch * 5, 0);
    const RECT source{1, 2, 4, 4};  // columns 1..3, rows 2..3
    ASSERT_TRUE(lag.CopyRectToSurface(surface.data(), pitch, D3DFMT_A8R8G8B8, &source, 2, 1));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const uint8_t* p = &surface[y * pitch + x * 4];
            if (y >= 1 && y <= 2 && x >= 2 && x <= 4) {
                const int sx = x - 2 + 1, sy = y - 1 + 2;
                EXPECT_EQ(Bytes(p, p + 4), (Bytes{uint8_t(sx), uint8_t(sy), uint8_t(10 * sx + sy), 255})) << x << "," << y;
            } else {
                EXPECT_EQ(Bytes(p, p + 4), Bytes(4, 0)) << x << "," << y;
            }
        }
    }

    // A rectangle beyond the image is cut to it; a negative position cuts it too.
    Bytes small(pitch * 5, 0);
    const RECT beyond{3, 2, 50, 40};
    ASSERT_TRUE(lag.CopyRectToSurface(small.data(), pitch, D3DFMT_X8R8G8B8, &beyond, -1, -1));
    // Source (4, 3) lands at (0, 0); nothing else is written.
    EXPECT_EQ(Bytes(small.begin(), small.begin() + 4), (Bytes{4, 3, 43, 255}));
    EXPECT_EQ(Bytes(small.begin() + 4, small.end()), Bytes(small.size() - 4, 0));
    const RECT empty{3, 3, 3, 4};
    EXPECT_TRUE(lag.CopyRectToSurface(small.data(), pitch, D3DFMT_X8R8G8B8, &empty, 0, 0));

    // In 16 bits the dither follows the destination: the flat image copied to
    // (1, 0) shifts the R5G6B5 checkerboard by one column.
    const int32_t pitch16 = 8 * 2;
    Bytes s16(pitch16 * 4, 0);
    const RECT one{0, 0, 1, 2};
    ASSERT_TRUE(lag_.CopyRectToSurface(s16.data(), pitch16, D3DFMT_R5G6B5, &one, 1, 0));
    EXPECT_EQ(s16[2] | s16[3] << 8, 0xFC00);
    EXPECT_EQ(s16[pitch16 + 2] | s16[pitch16 + 3] << 8, 0xFBE0);
    EXPECT_EQ(s16[0] | s16[1] << 8, 0);
}

}  // namespace
