// The font builder end to end: a 24-pixel font of the full character list,
// loaded the way the game loads "font.lfd", drawn on the GL backend and compared
// glyph by glyph with FreeType's own rendering of the same face.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraLfd.h"
#include "tests/engine/graphics/font_test_env.h"

using namespace fonttest;

namespace {

// The exit code; what the tool wrote to its error stream in *said, to its output in *printed.
int RunTool(const std::string& arguments, std::string* said = nullptr, std::string* printed = nullptr) {
    const std::string log = testsupport::BinaryDir() + "/kestra-font-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    const std::string command =
        "cd '" + testsupport::BinaryDir() + "' && ./kestra-font " + arguments + " > '" + log + ".out' 2> '" + log + "'";
    const int status = std::system(command.c_str());
    if (said) *said = testsupport::ReadFile(log);
    if (printed) *printed = testsupport::ReadFile(log + ".out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// FreeType's coverage of one character, in fully covered pixels.
double FreeTypeInk(const std::string& file, int ppem, uint32_t unicode) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    double ink = -1;
    if (FT_Init_FreeType(&library) != 0) return ink;
    if (FT_New_Face(library, file.c_str(), 0, &face) == 0 && FT_Set_Pixel_Sizes(face, 0, ppem) == 0 &&
        FT_Load_Char(face, unicode, FT_LOAD_NO_BITMAP) == 0 &&
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
        const FT_Bitmap& bm = face->glyph->bitmap;
        long sum = 0;
        for (unsigned y = 0; y < bm.rows; ++y)
            for (unsigned x = 0; x < bm.width; ++x) sum += bm.buffer[y * bm.pitch + x];
        ink = sum / 255.0;
    }
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ink;
}

class FontTool : public FontTest {};

TEST_F(FontTool, OutlineRingsEveryGlyphInBlackInsideItsCell) {
    StartFonts(d3d9test::Backend::Null);
    // At 7 pixels some kana ink the last row of their box: their ring reaches the cell's edge.
    for (const char* options : {"--size 20 --bold --lists ascii", "--size 7 --lists kana"}) {
        ASSERT_EQ(RunTool(std::string(options) + " '" + dir_.file("plain.lfd") + "'"), 0);
        ASSERT_EQ(RunTool(std::string(options) + " --outline '" + dir_.file("ring.lfd") + "'"), 0);
        CFontSprite2D* plainFont = KestraFontSprite2D::CreateFromFile("plain.lfd", ".tga", 1, 1024, 0, 14);
        CFontSprite2D* ringFont = KestraFontSprite2D::CreateFromFile("ring.lfd", ".tga", 1, 1024, 0, 14);
        ASSERT_TRUE(plainFont && ringFont);
        uint32_t w = 0, h = 0;
        const std::vector<uint32_t> plain = SheetPixels(plainFont->GetSheet(0), &w, &h), ring = SheetPixels(ringFont->GetSheet(0), &w, &h);
        ASSERT_EQ(ring.size(), plain.size());
        std::vector<int> cellOf(plain.size(), -1);
        for (uint32_t g = 0; g < plainFont->GetGlyphCount(); ++g) {
            const KestraLfd::GlyphRecord& r = plainFont->GetRecords()[g];
            for (uint32_t y = r.y1; r.sheet == 0 && y < r.y2; ++y)
                for (uint32_t x = r.x1; x < r.x2; ++x) cellOf[size_t(y) * w + x] = int(g);
        }
        size_t edges = 0, bad = 0;
        for (uint32_t y = 1; y + 1 < h; ++y)
            for (uint32_t x = 1; x + 1 < w; ++x) {
                const size_t i = size_t(y) * w + x;
                const int before = int(plain[i] >> 24), after = int(ring[i] >> 24);
                int strongest = 0;  // the most ink beside it in its cell
                for (int d = 0; d < 9; ++d) {
                    const size_t j = (y + uint32_t(d / 3) - 1) * w + x + uint32_t(d % 3) - 1;
                    if (cellOf[j] == cellOf[i] && cellOf[i] >= 0) strongest = std::max(strongest, int(plain[j] >> 24));
                }
                // The fill's light is kept over a black edge as strong as the ink beside it.
                const int light = int(ring[i] >> 16 & 0xFF) * after / 255;
                bad += std::abs(light - before) > 1 || std::abs(after - (before + strongest * (255 - before) / 255)) > 1;
                edges += before == 0 && ring[i] == 0xFF000000u;
            }
        EXPECT_EQ(bad, 0u) << options;
        EXPECT_GT(edges, plainFont->GetGlyphCount()) << options;  // black rings, not a stray pixel or two
        KestraFontSprite2D::Release(plainFont);
        KestraFontSprite2D::Release(ringFont);
    }
}

TEST_F(FontTool, ListOptionsAndBadArgumentsAreChecked) {
    const std::string out = dir_.file("small.lfd");
    std::string said, printed;
    EXPECT_EQ(RunTool("--size 16 --lists ascii,kana '" + out + "'", nullptr, &said), 0);
    EXPECT_EQ(said, out + ": 158 glyphs of 158 characters, size 16, 1 sheet(s) of 256 x 256\n");
    const std::string bytes = testsupport::ReadFile(out);
    KestraLfd::View view{};
    ASSERT_TRUE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &view));
    EXPECT_EQ(view.header.glyphCount, 95 + 63);
    EXPECT_EQ(KestraLfd::ReadSheetName(view, 0), "small_00");
    EXPECT_TRUE(testsupport::FileExists(dir_.file("small_00.tga")));
    // Each style changes the ink: bold adds to it, italic moves it, mono leaves whole pixels only.
    const auto alpha = [&](const std::string& style) {
        EXPECT_EQ(RunTool("--size 16 --lists ascii " + style + " --name s '" + dir_.file("s.lfd") + "'"), 0) << style;
        const std::string tga = testsupport::ReadFile(dir_.file("s_00.tga"));
        std::vector<long> a;  // the sum, then each pixel's alpha
        for (size_t k = 18 + 3; k < tga.size(); k += 4) a.push_back(static_cast<uint8_t>(tga[k]));
        a.insert(a.begin(), std::accumulate(a.begin(), a.end(), 0L));
        return a;
    };
    const auto partial = [](const std::vector<long>& a) { return std::any_of(a.begin() + 1, a.end(), [](long v) { return v % 255; }); };
    const std::vector<long> plain = alpha(""), bold = alpha("--bold"), italic = alpha("--italic"), mono = alpha("--mono");
    EXPECT_TRUE(partial(plain) && partial(bold) && partial(italic) && !partial(mono));
    EXPECT_GT(bold[0], plain[0] * 11 / 10);
    EXPECT_NE(italic, plain);
    EXPECT_LT(italic[0], bold[0]);
    // An extra list in UTF-8, a sheet name prefix with a folder.
    testsupport::WriteFile(dir_.file("extra.txt"), "\xE9\xAC\xB1\n\xE2\x91\xA0");  // 鬱 and ①
    EXPECT_EQ(RunTool("--lists none --extra '" + dir_.file("extra.txt") + "' --name data/x '" +
                      dir_.file("extra.lfd") + "'"),
              0);
    const std::string extra = testsupport::ReadFile(dir_.file("extra.lfd"));
    ASSERT_TRUE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(), &view));
    EXPECT_EQ(view.header.glyphCount, 2);
    EXPECT_EQ(KestraLfd::ReadSheetName(view, 0), "data/x_00");
    // The smallest and largest sizes and the smallest sheet are accepted.
    for (const char* edge : {"--size 1 --sheet-size 16", "--size 253"})
        EXPECT_EQ(RunTool(std::string(edge) + " --lists none --extra '" + dir_.file("extra.txt") + "' '" + out + "'"), 0) << edge;
    const std::string to = " '" + out + "'";
    for (const std::string& bad : {"--size 0" + to, "--size 254" + to, to + to, "--sheet-size 1000" + to,
                                   "--sheet-size 8" + to, "--sheet-size 16384" + to, "--lists greek" + to,
                                   "--lists ascii," + to, "--frob" + to, std::string("--frob"), to + " --size", std::string()}) {
        EXPECT_EQ(RunTool(bad, &said), 2) << bad;
        EXPECT_EQ(said,
                  "usage: kestra-font [--size N] [--face NAME] [--sheet-size N] [--lists ascii,kana,nonkanji,kanji1]\n"
                  "                   [--extra FILE] [--name PREFIX] [--mono] [--bold] [--italic] [--outline] OUTPUT.lfd\n")
            << bad;
    }
    EXPECT_EQ(RunTool("--extra '" + dir_.file("missing.txt") + "' '" + out + "'", &said), 1);
    EXPECT_EQ(said, "kestra-font: cannot read " + dir_.file("missing.txt") + "\n");
    EXPECT_EQ(RunTool("--name " + std::string(30, 'n') + " '" + out + "'", &said), 1);
    EXPECT_EQ(said, "kestra-font: the sheet name prefix is longer than 29 bytes\n");
    testsupport::WriteFile(dir_.file("heart.txt"), "\xE2\x99\xA1");  // no CP932 form
    EXPECT_EQ(RunTool("--extra '" + dir_.file("heart.txt") + "' '" + out + "'", &said), 1);
    EXPECT_EQ(said, "kestra-font: " + dir_.file("heart.txt") + " holds a character without a CP932 form\n");
    EXPECT_EQ(RunTool("--face \xE2\x99\xA1" + to, &said), 1);
    EXPECT_EQ(said, "kestra-font: the face name has no CP932 form\n");
    // A sheet or the font file that cannot be written: the tool says which and why (the
    // first line, as below).
    EXPECT_EQ(RunTool("--size 16 --lists ascii '" + dir_.file("no/x.lfd") + "'", &said, &printed), 1);
    EXPECT_EQ(said.substr(0, said.find('\n') + 1) + printed, "kestra-font: cannot write " + dir_.file("no/x_00.tga") + ": No such file or directory\n");
    std::filesystem::create_directories(dir_.file("d.lfd"));
    EXPECT_EQ(RunTool("--size 16 --lists ascii '" + dir_.file("d.lfd") + "'", &said, &printed), 1);
    EXPECT_EQ(said.substr(0, said.find('\n') + 1) + printed, "kestra-font: cannot write " + dir_.file("d.lfd") + ": Is a directory\n");
    EXPECT_EQ(RunTool("--sheet-size 16 --lists ascii" + to, &said), 1);
    // (the first line: a sanitizer build reports the font library's suppressed leaks after it)
    EXPECT_EQ(said.substr(0, said.find('\n') + 1), "kestra-font: the glyphs do not fit 31 sheets of 16 x 16\n");
}

TEST_F(FontTool, FullListAt24PixelsDrawsLikeFreeType) {
    ASSERT_EQ(RunTool("'" + dir_.file("font.lfd") + "'"), 0);  // 24 pixels and sheets of 1024 unless told
    const std::string bytes = testsupport::ReadFile(dir_.file("font.lfd"));
    KestraLfd::View view{};
    ASSERT_TRUE(KestraLfd::Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &view));
    EXPECT_EQ(view.header.fontSize, 24);
    EXPECT_EQ(view.header.glyphCount, 95 + 63 + 524 + 2965);
    EXPECT_EQ(view.header.sheetWidth, 1024);
    ASSERT_EQ(view.header.sheetCount, 2);

    StartFonts(d3d9test::Backend::GL);
    ASSERT_FALSE(HasFatalFailure());
    CFontSprite2D* font = KestraFontSprite2D::CreateFromFile("font.lfd", ".tga", 1, 1024, 0, 14);
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->GetSheetCount(), view.header.sheetCount);
    // Every glyph's ink lies inside its record on the sheets the tool wrote.
    for (uint32_t s = 0; s < font->GetSheetCount(); ++s) {
        uint32_t w = 0, h = 0;
        const std::vector<uint32_t> px = SheetPixels(font->GetSheet(s), &w, &h);
        ASSERT_EQ(w, view.header.sheetWidth);
        std::vector<bool> inside(px.size(), false);
        for (uint32_t g = 0; g < font->GetGlyphCount(); ++g) {
            const KestraLfd::GlyphRecord& r = font->GetRecords()[g];
            if (r.sheet != s) continue;
            ASSERT_LE(r.x2, w);
            ASSERT_LE(r.y2, h);
            for (uint32_t y = r.y1; y < r.y2; ++y)
                for (uint32_t x = r.x1; x < r.x2; ++x) inside[size_t(y) * w + x] = true;
        }
        size_t outside = 0;
        for (size_t i = 0; i < px.size(); ++i) outside += (px[i] >> 24) && !inside[i];
        EXPECT_EQ(outside, 0u) << "sheet " << s;
    }

    const std::u32string unicode = U"アプリケーション開始";
    const std::string text = Sjis(u8"アプリケーション開始");
    KestraFontSprite2D::Begin(font, 0);
    KestraFontSprite2D::DrawString(font, text.c_str(), 20, 100, 0.5f, 0xFFFFFFFF);
    KestraFontSprite2D::End(font);
    Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0, nullptr);
    ASSERT_TRUE(Kestra3D::BeginScene());
    Kestra3D::SetDepthTestEnable(false);
    Kestra3D::SetFilterEnable(false);
    Kestra3D::SetAlphaTestEnable(true);
    Kestra3D::SetBlendingType(1);
    KestraFontSprite2D::Render(font);
    Kestra3D::EndScene();
    const d3d9test::Image frame = d3d9test::ReadRenderTarget(Device());

    // The face and em size the tool's font resolved to.
    CFont* gdi = KestraFont::Create(Face().c_str(), 24, 0, 0);
    ASSERT_NE(gdi, nullptr);
    gdi->BeginDraw(0);
    const int ppem = gdi->GetMetrics().tmHeight - gdi->GetMetrics().tmInternalLeading;
    gdi->EndDraw();
    const std::string file = platform::gdi::FontFileOf(gdi->GetHandle());
    KestraFont::Release(gdi);

    std::vector<bool> cell(size_t(frame.width) * frame.height, false);
    int pen = 20;
    size_t i = 0;
    for (const char* p = text.c_str(); *p; ++i) {
        uint16_t code = 0;
        p += Kestra::GetChar(p, &code);
        const KestraLfd::GlyphRecord* r = font->FindGlyph(code);
        ASSERT_NE(r, nullptr) << i;
        const int left = pen + r->left, width = r->x2 - r->x1, height = r->y2 - r->y1;
        double ink = 0;
        for (int y = 100; y < 100 + height; ++y)
            for (int x = left; x < left + width; ++x) {
                cell[size_t(y) * frame.width + x] = true;
                // Ink of this glyph only: its black box starts one pixel into the cell.
                if (x > left && x < left + width - 1) ink += (frame.at(x, y) >> 16 & 0xFF) / 255.0;
            }
        const double reference = FreeTypeInk(file, ppem, unicode[i]);
        ASSERT_GT(reference, 5.0) << i;
        EXPECT_NEAR(ink, reference, reference * 0.05 + 1.0) << "glyph " << i;
        pen += 24;
    }
    ASSERT_EQ(i, unicode.size());
    // Nothing was drawn outside the glyphs' cells.
    for (uint32_t y = 0; y < frame.height; ++y)
        for (uint32_t x = 0; x < frame.width; ++x)
            if (frame.at(x, y) & 0xFFFFFF) {
                ASSERT_TRUE(cell[size_t(y) * frame.width + x]) << x << "," << y;
            }
    KestraFontSprite2D::Release(font);
}

}  // namespace
