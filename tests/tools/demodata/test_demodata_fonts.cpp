// The two fonts: readable LFD files whose sheets exist, font.lfd holding ASCII,
// every JIS X 0208 character that is not a kanji and every character the talks
// use, on one sheet; skillfont.lfd every character of the attack names, the
// full-width ranking text and the key names, small enough for the longest name.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <filesystem>

#include "engine/graphics/KestraLfd.h"
#include "platform/win32/shift_jis.h"
#include "tests/tools/demodata/demodata_test_util.h"
#include "tests/support/test_support.h"
#include "tools/demodata/Generator.h"
#include "tools/demodata/StepFont.h"

using namespace demodatatest;

namespace {

bool ValidCp932(uint8_t lead, uint8_t trail) {
    static iconv_t cd = iconv_open("UTF-32LE", "CP932");
    char in[2] = {char(lead), char(trail)}, out[8];
    char* ip = in;
    char* op = out;
    size_t il = 2, ol = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && il == 0;
}

std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 8, '\0');
    char* ip = const_cast<char*>(utf8.data());
    char* op = out.data();
    size_t il = utf8.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

// Each sheet holds its glyphs, and is no taller than twice the rows they take.
void ExpectSheetsExist(const Font& f) {
    for (uint32_t s = 0; s < f.view.header.sheetCount; ++s) {
        const std::string name = KestraLfd::ReadSheetName(f.view, s);
        std::vector<uint8_t> tga;
        ASSERT_TRUE(ReadAll(DataDir() + "/" + name + ".tga", &tga) && tga.size() > 18) << name;
        const int width = tga[12] | tga[13] << 8, height = tga[14] | tga[15] << 8;
        int foot = 0;
        for (const KestraLfd::GlyphRecord& r : f.records)
            if (r.sheet == s) {
                EXPECT_TRUE(r.x2 <= width && r.y2 <= height) << name << ": a glyph at " << r.x1 << "," << r.y1 << " past " << width << "x" << height;
                foot = std::max(foot, int(r.y2));
            }
        EXPECT_LE(height, 2 * foot) << name << " is " << height << " rows tall for glyphs that end at row " << foot;
    }
}

TEST(DemoDataFonts, TextFontHoldsTheNonKanjiRowsAndTheTalksOnOneSheet) {
    Font f;
    ASSERT_TRUE(f.Load("font.lfd"));
    ExpectSheetsExist(f);
    // Every scene holds the text font's sheets: the talks' characters fit one.
    EXPECT_EQ(f.view.header.sheetCount, 1u);
    int checked = 0;
    for (int c = 0x20; c <= 0x7E; ++c) EXPECT_TRUE(f.Has(uint16_t(c))) << c;
    for (int row = 1; row <= 8; ++row)
        for (int cell = 1; cell <= 94; ++cell) {
            int lead = ((row + 1) >> 1) + 0x80;
            const int trail = (row & 1) ? cell + 0x3F + (cell + 0x3F >= 0x7F ? 1 : 0) : cell + 0x9E;
            if (!ValidCp932(uint8_t(lead), uint8_t(trail))) continue;
            ++checked;
            EXPECT_TRUE(f.Has(uint16_t(lead << 8 | trail))) << "row " << row << " cell " << cell;
        }
    EXPECT_GT(checked, 500);
    // The talks' own characters are checked against the catalogue with the talks.
}

TEST(DemoDataFonts, SkillFontHoldsTheAttackNamesAndRankingText) {
    Font f;
    ASSERT_TRUE(f.Load("skillfont.lfd"));
    ExpectSheetsExist(f);
    // 18 full-width characters drawn from x 270 must end inside the screen.
    EXPECT_LE(f.view.header.fontSize, 20);
    const std::string names = ToCp932(demodata::SkillFontExtraCharacters());
    ASSERT_FALSE(names.empty());
    for (size_t i = 0; i < names.size();) {
        const uint8_t c = uint8_t(names[i]);
        const bool lead = platform::IsLeadByte(c);
        const uint16_t code = lead ? uint16_t(c << 8 | uint8_t(names[i + 1])) : c;
        EXPECT_TRUE(f.Has(code)) << std::hex << code;
        i += lead ? 2 : 1;
    }
    // the full-width forms the ranking writes, and the key names' ASCII
    for (uint16_t code : {0x8260, 0x824F, 0x8199, 0x8166, 0x81F4, 0x815A, 0x81A8, 0x8175, 0x818F, 0x8176, 0x81A2, 0x81A0, 0x8140})
        EXPECT_TRUE(f.Has(code)) << std::hex << code;
    for (int c = 0x20; c <= 0x7E; ++c) EXPECT_TRUE(f.Has(uint16_t(c))) << c;
}

// A sheet that cannot be written fails the forms, and so the run.
TEST(DemoDataFonts, StepFormsFailWhenTheirSheetCannotBeWritten) {
    Font f;
    ASSERT_TRUE(f.Load("skillfont.lfd"));
    testsupport::TempDir dir;
    const std::string first = KestraLfd::ReadSheetName(f.view, 0), count = std::to_string(f.view.header.sheetCount);
    std::filesystem::copy_file(DataDir() + "/skillfont.lfd", dir.file("skillfont.lfd"));
    std::filesystem::copy_file(DataDir() + "/" + first + ".tga", dir.file(first + ".tga"));
    const std::string blocked = dir.file(first.substr(0, first.size() - 2) + (count.size() < 2 ? "0" : "") + count + ".tga");
    std::filesystem::create_directory(blocked);
    demodata::TextPainter text;
    std::string error;
    ASSERT_TRUE(text.Open(&error)) << error;
    EXPECT_FALSE(demodata::FillStepForms(dir.file("skillfont.lfd"), {}, text, &error));
    EXPECT_EQ(error, "cannot write " + blocked);
}

}  // namespace
