// LFD font files: the character index their maps are kept under, the reader's
// checks, and malformed files loaded through the font-sprite module (refused, or
// drawing nothing), on the null backend with the draw calls recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/KestraLfd.h"
#include "tests/engine/graphics/font_test_env.h"

using namespace fonttest;

namespace {

TEST(FontCharIndex, RangeBoundariesAndTheirOverlaps) {
    struct Case {
        uint16_t code;
        uint16_t index;
    };
    const Case cases[] = {
        {0x00, 0},      {0x41, 0x41},   {0xFF, 255},     {0x8140, 255},   {0x8141, 256},  {0x9FFF, 8126},
        {0xA000, 0xFFFF}, {0xC081, 0xFFFF}, {0xE040, 8126}, {0xEEFF, 11901}, {0xEF00, 0xEF00 - 0xCA23},
        {0xF8A0, 0xF8A0 - 0xCA23},      {0xFC4E, 12843}, {0xFC4F, 0xFFFF}, {0xFFFF, 0xFFFF}, {0x0100, 0xFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(KestraLfd::GetCharIndex(c.code), c.index) << std::hex << c.code;
    // Codes 0xEF00..0xF8A0 get indices that the third range also hands out.
    EXPECT_EQ(KestraLfd::GetCharIndex(0xEF00), KestraLfd::GetCharIndex(0xEF00 - 0xCA23 + 0xC082));
}

TEST(FontLfdFormat, ReaderChecksEveryPartAgainstTheBytesItHas) {
    const std::string good = LfdBytes(16, 2, 64, 64, {{'A', 0}, {'B', 1}}, {"a", "b"},
                                      {{0, 1, 9, 0, 0, 0, 9, 18}, {1, 0, 9, 0, 9, 0, 18, 18}});
    KestraLfd::View view{};
    const auto* bytes = reinterpret_cast<const uint8_t*>(good.data());
    ASSERT_TRUE(KestraLfd::Parse(bytes, good.size(), &view));
    EXPECT_EQ(view.header.fontSize, 16);
    EXPECT_EQ(view.header.sheetCount, 2);
    EXPECT_EQ(view.header.glyphCount, 2);
    EXPECT_EQ(KestraLfd::ReadMapEntry(view, 'B'), 1);
    EXPECT_EQ(KestraLfd::ReadSheetName(view, 1), "b");
    const KestraLfd::GlyphRecord r = KestraLfd::ReadRecord(view.records + 12);
    EXPECT_EQ(r.sheet, 1);
    EXPECT_EQ(r.x1, 9);
    EXPECT_EQ(r.x2, 18);
    EXPECT_EQ(r.y2, 18);

    // One byte short of the records, the header alone, nothing.
    EXPECT_FALSE(KestraLfd::Parse(bytes, good.size() - 1, nullptr));
    EXPECT_FALSE(KestraLfd::Parse(bytes, 100, nullptr));
    EXPECT_FALSE(KestraLfd::Parse(bytes, 3, nullptr));
    EXPECT_FALSE(KestraLfd::Parse(nullptr, 0, nullptr));
    // Magic: letter case is ignored, the text must end after "LFD".
    for (const char* magic : {"lfd", "LfD"})
        EXPECT_TRUE(KestraLfd::Parse(
            reinterpret_cast<const uint8_t*>(LfdBytes(16, 0, 8, 8, {}, {}, {}, magic).data()), 25700, nullptr));
    std::string wrong = LfdBytes(16, 0, 8, 8, {}, {}, {}, "LFE");
    EXPECT_FALSE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(wrong.data()), wrong.size(), nullptr));
    wrong = LfdBytes(16, 0, 8, 8, {}, {}, {}, "LFDX");
    EXPECT_FALSE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(wrong.data()), wrong.size(), nullptr));
    // 33 sheets, and a font size of 0.
    std::vector<std::string> names(33, "s");
    std::string many = LfdBytes(16, 33, 8, 8, {}, names, {});
    EXPECT_FALSE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(many.data()), many.size(), nullptr));
    std::string zero = LfdBytes(0, 0, 8, 8, {}, {}, {});
    EXPECT_FALSE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(zero.data()), zero.size(), nullptr));
    // A name filling all 32 bytes keeps all of them and nothing after.
    std::string full = LfdBytes(16, 2, 8, 8, {}, {std::string(32, 'n'), "m"}, {});
    ASSERT_TRUE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(full.data()), full.size(), &view));
    EXPECT_EQ(KestraLfd::ReadSheetName(view, 0), std::string(32, 'n'));
    EXPECT_EQ(KestraLfd::ReadSheetName(view, 5), "");
}

static_assert(KestraLfd::kMapSize == 12844);  // written out, not taken from the product

TEST(FontLfdFormat, GlyphsPointingOutsideTheFileAreMissing) {
    uint16_t map[KestraLfd::kMapSize];
    std::fill(std::begin(map), std::end(map), KestraLfd::kNoGlyph);
    map['A'] = 0;
    map['B'] = 1;  // a record with a sheet past the count
    map['C'] = 2;  // past the glyph count
    map[255] = 0;  // 0xFF and 0x8140 share it
    const KestraLfd::GlyphRecord records[2] = {{0, 0, 4, 0, 0, 0, 4, 4}, {1, 0, 4, 0, 0, 0, 4, 4}};
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 'A'), &records[0]);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 'B'), nullptr);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 2, 'B'), &records[1]);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 2, 'C'), nullptr);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 'D'), nullptr);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 0x8140), &records[0]);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 0xFF), &records[0]);
    EXPECT_EQ(KestraLfd::FindGlyph(map, records, 2, 1, 0xFC4F), nullptr);
}

TEST(FontLfdFormat, WriterOutputIsTheLayoutTheReaderExpects) {
    uint16_t map[KestraLfd::kMapSize];
    std::fill(std::begin(map), std::end(map), KestraLfd::kNoGlyph);
    map[KestraLfd::GetCharIndex(0x889F)] = 1;
    map['A'] = 0;
    const KestraLfd::GlyphRecord records[2] = {{0, 1, 10, 2, 0, 0, 10, 18}, {1, 0xFF, 18, 0, 10, 0, 28, 18}};
    std::vector<uint8_t> out;
    KestraLfd::Header h{16, 2, 64, 32, 2};
    ASSERT_TRUE(KestraLfd::Write(h, map, {"x_00", std::string(32, 'y')}, records, &out));
    const std::string expected = LfdBytes(16, 2, 64, 32, {{'A', 0}, {KestraLfd::GetCharIndex(0x889F), 1}},
                                          {"x_00", std::string(32, 'y')},
                                          {{0, 1, 10, 2, 0, 0, 10, 18}, {1, 0xFF, 18, 0, 10, 0, 28, 18}});
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);
    // What the format cannot hold is refused rather than written wrong.
    EXPECT_FALSE(KestraLfd::Write(h, map, {"x_00", std::string(33, 'y')}, records, &out));
    EXPECT_FALSE(KestraLfd::Write(h, map, {"only one"}, records, &out));
    KestraLfd::Header fewer = h;
    fewer.glyphCount = 1;  // the map still names glyph 1
    EXPECT_FALSE(KestraLfd::Write(fewer, map, {"x_00", "y"}, records, &out));
    KestraLfd::Header oneSheet{16, 1, 64, 32, 2};  // record 1 is on sheet 1
    EXPECT_FALSE(KestraLfd::Write(oneSheet, map, {"x_00"}, records, &out));
}

// ---- Malformed files through the module

class FontLfdLoad : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        StartFonts(d3d9test::Backend::Null);
        // One 16 x 16 sheet, all white.
        Put("sheet.tga", TgaBytes(16, 16, std::vector<uint32_t>(256, 0xFFFFFFFF)));
    }
    CFontSprite2D* Load(const std::string& bytes) {
        Put("bad.lfd", bytes);
        return KestraFontSprite2D::CreateFromFile("bad.lfd", ".tga", 1, 64, 0, 14);
    }
    // Quads queued by drawing text, counted from the recorded draw calls.
    uint32_t QuadsDrawn(CFontSprite2D* fs, const std::string& text) {
        d3d9test::ClearRecords();
        d3d9test::SetRecording(true);
        KestraFontSprite2D::Begin(fs, 0);
        KestraFontSprite2D::DrawString(fs, text.c_str(), 0, 0, 0.5f, 0xFFFFFFFF);
        KestraFontSprite2D::End(fs);
        Kestra3D::BeginScene();
        KestraFontSprite2D::Render(fs);
        Kestra3D::EndScene();
        d3d9test::SetRecording(false);
        uint32_t triangles = 0;
        for (const d3d9test::DrawCall& call : d3d9test::DrawCalls()) triangles += call.primitiveCount;
        return triangles / 2;
    }
};

TEST_F(FontLfdLoad, TruncatedTooManySheetsAndWrongMagicAreRefused) {
    const std::string good = LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"sheet"}, {{0, 0, 8, 0, 0, 0, 8, 16}});
    EXPECT_EQ(Load(good.substr(0, 100)), nullptr);
    EXPECT_EQ(Load(good.substr(0, good.size() - 1)), nullptr);
    EXPECT_EQ(Load(""), nullptr);
    EXPECT_EQ(Load(LfdBytes(16, 33, 16, 16, {}, std::vector<std::string>(33, "sheet"), {})), nullptr);
    EXPECT_EQ(Load(LfdBytes(16, 1, 16, 16, {}, {"sheet"}, {}, "LFE")), nullptr);
    EXPECT_EQ(Load(LfdBytes(0, 1, 16, 16, {}, {"sheet"}, {})), nullptr);
    EXPECT_EQ(KestraFontSprite2D::CreateFromFile("missing.lfd", ".tga", 1, 64, 0, 14), nullptr);
    // Sheet files are named inside the data folder.
    for (const char* outside : {"/tmp/x/outside", "../sheet", "img/../../sheet"}) {
        EXPECT_EQ(Load(LfdBytes(16, 2, 16, 16, {}, {"sheet", outside}, {})), nullptr) << outside;
        EXPECT_NE(Log().find(std::string("[ ") + outside + " ]"), std::string::npos) << outside;
    }
    EXPECT_EQ(Count("CFontSprite2D::Create"), 10);
    EXPECT_GE(Count("Failed!"), 20);  // the object's and the manager's
    CFontSprite2D* fs = Load(good);
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(QuadsDrawn(fs, "AAA"), 3u);
    KestraFontSprite2D::Release(fs);
}

// A "/" after a lead byte is part of that character to the name check and a
// separator to a reader that splits there: such a sheet name is refused however
// far it climbs, and the picture it would reach past the folder is never
// opened, by the font or by a texture load of the same path.
TEST_F(FontLfdLoad, ASheetNameWithALeadBytePairedWithASlashIsRefused) {
    Put("x.tga", TgaBytes(16, 16, std::vector<uint32_t>(256, 0xFF00FF00)));
    std::filesystem::create_directory(dir_.file("prog"));
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.file("prog").c_str()));
    // The picture is there, one folder up, and loads when named plainly.
    CTexture* plain = KestraTexture::CreateFromFile("../x.tga", 14, 0);
    ASSERT_NE(plain, nullptr);
    KestraTexture::Release(plain);
    const int before = Count("CFontSprite2D::Create");
    for (const std::string name : {"\xFD/../\xFD/../../x", "\xFD/../../x", "\x81/../x", "a/\xFE/../../x", "\x9F/"}) {
        Put("prog/bad.lfd", LfdBytes(16, 1, 16, 16, {{'A', 0}}, {name}, {{0, 0, 8, 0, 0, 0, 8, 16}}));
        EXPECT_EQ(KestraFontSprite2D::CreateFromFile("bad.lfd", ".tga", 1, 64, 0, 14), nullptr) << name;
        EXPECT_NE(Log().find("[ " + name + " ]"), std::string::npos) << name;
        EXPECT_EQ(KestraTexture::CreateFromFile((name + ".tga").c_str(), 14, 0), nullptr) << name;
    }
    EXPECT_EQ(Count("CFontSprite2D::Create"), before + 5);
}

TEST_F(FontLfdLoad, MapEntriesAndSheetNumbersOutOfRangeDrawNothing) {
    // 'A' fine; 'B' maps to glyph 2 of 2; 'C' lies on sheet 1 of 1; 'D' on the no-glyph sheet 255.
    CFontSprite2D* fs = Load(LfdBytes(16, 1, 16, 16, {{'A', 0}, {'B', 2}, {'C', 1}, {'D', 1}}, {"sheet"},
                                      {{0, 1, 8, 2, 0, 0, 8, 16}, {1, 0, 8, 0, 0, 0, 8, 16}}));
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(QuadsDrawn(fs, "ABCD"), 1u);
    uint32_t left = 9, width = 9, right = 9;
    EXPECT_TRUE(KestraFontSprite2D::GetCharMetrics(fs, "A", &left, &width, &right));
    EXPECT_EQ(left, 1u);
    EXPECT_EQ(width, 8u);
    EXPECT_EQ(right, 2u);
    EXPECT_FALSE(KestraFontSprite2D::GetCharMetrics(fs, "B", &left, &width, &right));
    EXPECT_FALSE(KestraFontSprite2D::GetCharMetrics(fs, "C", nullptr, nullptr, nullptr));
    // Missing glyphs advance a full cell each; the pen ends where the rules say.
    CFontSprite2D::Point end{};
    fs->GetStringEnd(&end, "ABCD", 0, 0);
    EXPECT_EQ(end.x, 8 + 16 * 3);
    EXPECT_EQ(fs->DrawChar("B", std::array<float, 4>{0, 0, 8, 8}.data(), 0.5f, 0xFFFFFFFF), 0u);
    KestraFontSprite2D::Release(fs);
}

// Where a text ends after each control character, monospaced and proportional:
// size 16, no spacing, half advance, 'A' 8 wide with a bearing of 1, no 'Z'.
TEST_F(FontLfdLoad, ControlCharactersMoveThePenInEveryMeasure) {
    CFontSprite2D* fs = Load(LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"sheet"}, {{0, 1, 8, 0, 0, 0, 8, 16}}));
    ASSERT_NE(fs, nullptr);
    struct Case {
        const char* text;
        int x, y;                          // GetStringEnd from (10, 20)
        int proportionalX, proportionalY;  // GetStringEndProportional
    };
    const Case cases[] = {
        {"A\tA", 10 + 8 + 64 + 8, 20, 10 + 9 + 64 + 9, 20},
        {"A\bA", 10 + 8 - 16 + 8, 20, 10 + 9 - 16 + 9, 20},
        {"A A", 10 + 8 + 8 + 8, 20, 10 + 9 + 8 + 9, 20},
        {"AZ", 10 + 8 + 16, 20, 10 + 9 + 8, 20},
        {"A\nA", 10 + 8, 36, 10 + 9, 36},
        {"A\rA\n", 10, 52, 10, 52},
        {"", 10, 20, 10, 20},
    };
    for (const Case& c : cases) {
        CFontSprite2D::Point end{};
        fs->GetStringEnd(&end, c.text, 10, 20);
        EXPECT_EQ(end.x, c.x) << c.text;
        EXPECT_EQ(end.y, c.y) << c.text;
        fs->GetStringEndProportional(&end, c.text, 10, 20);
        EXPECT_EQ(end.x, c.proportionalX) << c.text;
        EXPECT_EQ(end.y, c.proportionalY) << c.text;
        // Control characters draw nothing; every 'A' is one quad.
        EXPECT_EQ(QuadsDrawn(fs, c.text), uint32_t(std::count(c.text, c.text + std::strlen(c.text), 'A'))) << c.text;
    }
    KestraFontSprite2D::Release(fs);
}

TEST_F(FontLfdLoad, AMissingSheetImageLeavesItsGlyphsBlank) {
    CFontSprite2D* fs = Load(LfdBytes(16, 2, 16, 16, {{'A', 0}, {'B', 1}}, {"nosuch", "sheet"},
                                      {{0, 0, 8, 0, 0, 0, 8, 16}, {1, 0, 8, 0, 0, 0, 8, 16}}));
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(fs->GetSheet(0), nullptr);
    EXPECT_NE(fs->GetSheet(1), nullptr);
    EXPECT_EQ(QuadsDrawn(fs, "ABAB"), 2u);
    // The blank glyph still takes its place on the grid.
    CFontSprite2D::Point end{};
    EXPECT_EQ(fs->GetStringEnd(&end, "AB", 0, 0)->x, 16);
    // Sheets from no source at all: an atlas without images.
    Put("plain.lfd", LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"sheet"}, {{0, 0, 8, 0, 0, 0, 8, 16}}));
    CFontSprite2D* none = KestraFontSprite2D::CreateFromFile("plain.lfd", nullptr, 1, 64, 0, 14);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetSheet(0), nullptr);
    EXPECT_EQ(QuadsDrawn(none, "AAA"), 0u);
    KestraFontSprite2D::Release(none);
    KestraFontSprite2D::Release(fs);
}

// However its sheets spell the path of one picture, it is one texture.
TEST_F(FontLfdLoad, SheetsNamingOnePictureShareItsTexture) {
    const std::vector<std::string> names = {"sheet", "./sheet", "././sheet", ".//sheet", "img/../sheet", "SHEET"};
    CFontSprite2D* fs = Load(LfdBytes(16, uint8_t(names.size()), 32, 16, {}, names, {}));
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ((std::vector<uint32_t>{fs->GetSheetCount(), fs->GetSheetWidth(), fs->GetSheetHeight()}),
              (std::vector<uint32_t>{uint32_t(names.size()), 32, 16}));
    for (uint32_t i = 0; i < names.size(); ++i) EXPECT_EQ(fs->GetSheet(i), fs->GetSheet(0)) << names[i];
    ASSERT_NE(fs->GetSheet(0), nullptr);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 1u);
    KestraFontSprite2D::Release(fs);
}

TEST_F(FontLfdLoad, TheThirdArgumentIsIgnoredAndNullObjectsAreHarmless) {
    Put("f.lfd", LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"sheet"}, {{0, 2, 8, 1, 0, 0, 8, 16}}));
    Put("g.lfd", LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"other"}, {{0, 2, 8, 1, 0, 0, 8, 16}}));
    Put("other.tga", TgaBytes(16, 16, std::vector<uint32_t>(256, 0xFFFFFFFF)));
    CFontSprite2D* one = KestraFontSprite2D::CreateFromFile("f.lfd", ".tga", 1, 64, 0, 14);
    CFontSprite2D* five = KestraFontSprite2D::CreateFromFile("g.lfd", ".tga", 5, 48, 1, 13);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(one->GetSheetCount(), five->GetSheetCount());
    // Capacity and sort go to the sheet's sprite, the format kind to its texture.
    EXPECT_EQ(one->GetSprite(0)->GetCapacity(), 64u);
    EXPECT_EQ(five->GetSprite(0)->GetCapacity(), 48u);
    EXPECT_FALSE(one->GetSprite(0)->IsSorting());
    EXPECT_TRUE(five->GetSprite(0)->IsSorting());
    EXPECT_EQ(one->GetSheet(0)->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(five->GetSheet(0)->GetFormat(), D3DFMT_A4R4G4B4);
    EXPECT_EQ(QuadsDrawn(one, "A"), QuadsDrawn(five, "A"));
    uint32_t size = 0;
    EXPECT_EQ(one->GetSize(&size), 16u);
    EXPECT_EQ(size, 16u);
    KestraFontSprite2D::Begin(nullptr, 0);
    KestraFontSprite2D::DrawString(nullptr, "A", 0, 0, 0, 0);
    KestraFontSprite2D::End(nullptr);
    KestraFontSprite2D::Render(nullptr);
    EXPECT_FALSE(KestraFontSprite2D::GetCharMetrics(nullptr, "A", nullptr, nullptr, nullptr));
    KestraFontSprite2D::Release(nullptr);
    KestraFontSprite2D::Release(five);
    KestraFontSprite2D::Release(one);
    EXPECT_EQ(Count(Sjis(u8"CFontSprite2D Destruct")), 2);
    EXPECT_EQ(KestraSprite2D::GetManager()->GetCount(), 0u) << "each sheet's sprite goes with its font sprite";
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u);
}

}  // namespace
