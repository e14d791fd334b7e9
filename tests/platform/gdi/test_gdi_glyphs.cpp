// Glyph metrics and bitmaps: GDI's layouts, and agreement with FreeType's own
// rendering of the same face.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/win32/kernel.h"
#include "tests/platform/gdi/gdi_test_util.h"

using namespace gditest;

namespace {

struct Sample {
    const char* what;
    UINT code;
    uint32_t unicode;
};

std::vector<Sample> Samples() {
    return {{"A", 'A', 'A'},
            {"g", 'g', 'g'},
            {"half-width kana", 0xB1, 0xFF71},
            {"kanji", CodeOf(Sjis(u8"開")), 0x958B},
            {"hiragana", CodeOf(Sjis(u8"あ")), 0x3042}};
}

class GdiGlyphs : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        selected_ = std::make_unique<SelectedFont>(CreateEngineFont(GetParam(), Sjis(u8"ＭＳ ゴシック")));
        ASSERT_TRUE(selected_->ok());
    }
    HDC dc() const { return selected_->dc(); }
    std::unique_ptr<SelectedFont> selected_;
};

TEST_P(GdiGlyphs, SizeQueryMatchesTheBytesWrittenInEveryFormat) {
    const UINT formats[] = {GGO_BITMAP, GGO_GRAY2_BITMAP, GGO_GRAY4_BITMAP, GGO_GRAY8_BITMAP};
    for (const Sample& s : Samples()) {
        for (UINT format : formats) {
            MAT2 m = Identity();
            GLYPHMETRICS query{};
            DWORD size = GetGlyphOutlineA(dc(), s.code, format, &query, 0, nullptr, &m);
            ASSERT_NE(size, GDI_ERROR) << s.what;
            // Rows are whole DWORDs: 32 pixels a DWORD at one bit, 4 at a byte per pixel.
            DWORD row = format == GGO_BITMAP ? (query.gmBlackBoxX + 31) / 32 * 4 : (query.gmBlackBoxX + 3) / 4 * 4;
            EXPECT_EQ(size, row * query.gmBlackBoxY) << s.what << " format " << format;
            // The call writes exactly that many bytes and no more.
            std::vector<BYTE> buffer(size + 16, 0xCD);
            GLYPHMETRICS drawn{};
            EXPECT_EQ(GetGlyphOutlineA(dc(), s.code, format, &drawn, size + 16, buffer.data(), &m), size);
            EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](BYTE b) { return b == 0xCD; }));
            EXPECT_EQ(std::memcmp(&query, &drawn, sizeof(query)), 0) << s.what;
            // A buffer one byte short is refused and left alone.
            std::vector<BYTE> small(size - 1, 0xCD);
            EXPECT_EQ(GetGlyphOutlineA(dc(), s.code, format, &drawn, size - 1, small.data(), &m), GDI_ERROR);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
            EXPECT_EQ(GetGlyphOutlineA(dc(), s.code, format, &drawn, 0, small.data(), &m), size);  // a size query
            EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
        }
    }
}

TEST_P(GdiGlyphs, GreyLevelsStayInRangeAndInkStaysInTheBlackBox) {
    const struct {
        UINT format;
        int top;
    } grey[] = {{GGO_GRAY2_BITMAP, 4}, {GGO_GRAY4_BITMAP, 16}, {GGO_GRAY8_BITMAP, 64}};
    for (const Sample& s : Samples()) {
        for (const auto& g : grey) {
            Bitmap b = Render(dc(), s.code, g.format);
            ASSERT_GT(b.size, 0u) << s.what;
            EXPECT_EQ(b.pitch() % 4, 0u);
            int highest = 0;
            bool topRow = false, bottomRow = false, leftColumn = false, rightColumn = false;
            for (UINT y = 0; y < b.gm.gmBlackBoxY; ++y) {
                for (UINT x = 0; x < b.pitch(); ++x) {
                    int v = b.bytes[y * b.pitch() + x];
                    if (x >= b.gm.gmBlackBoxX) {
                        EXPECT_EQ(v, 0) << s.what << ": padding at " << x << "," << y;
                        continue;
                    }
                    highest = std::max(highest, v);
                    if (v == 0) continue;
                    topRow |= y == 0;
                    bottomRow |= y == b.gm.gmBlackBoxY - 1;
                    leftColumn |= x == 0;
                    rightColumn |= x == b.gm.gmBlackBoxX - 1;
                }
            }
            EXPECT_LE(highest, g.top) << s.what;
            if (g.format == GGO_GRAY8_BITMAP) {
                // The box is tight: ink reaches each of its edges (coarser levels may round faint edges away).
                EXPECT_TRUE(topRow && bottomRow && leftColumn && rightColumn) << s.what;
                if (s.unicode == 0x958B) {
                    EXPECT_EQ(highest, 64) << "a kanji's strokes cover whole pixels";
                }
            }
        }
    }
}

// FreeType's own rendering of the same character from the same file and em size.
struct Reference {
    long inkMass = 0;  // sum of coverage, in fully covered pixels x 255
    int left = 0, top = 0, width = 0, rows = 0;
    std::vector<unsigned char> coverage;  // rows top first, width bytes each
};

Reference RenderWithFreeType(const std::string& file, int ppem, uint32_t unicode) {
    Reference r;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) return r;
    if (FT_New_Face(library, file.c_str(), 0, &face) == 0 && FT_Set_Pixel_Sizes(face, 0, ppem) == 0 &&
        FT_Load_Char(face, unicode, FT_LOAD_NO_BITMAP) == 0 && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
        const FT_Bitmap& bm = face->glyph->bitmap;
        for (unsigned y = 0; y < bm.rows; ++y)
            for (unsigned x = 0; x < bm.width; ++x) {
                r.inkMass += bm.buffer[y * bm.pitch + x];
                r.coverage.push_back(bm.buffer[y * bm.pitch + x]);
            }
        r.left = face->glyph->bitmap_left;
        r.top = face->glyph->bitmap_top;
        r.width = static_cast<int>(bm.width);
        r.rows = static_cast<int>(bm.rows);
    }
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return r;
}

TEST_P(GdiGlyphs, InkMatchesFreeTypesOwnRendering) {
    TEXTMETRICA tm = selected_->metrics();
    int ppem = tm.tmHeight - tm.tmInternalLeading;
    std::string file = platform::gdi::FontFileOf(selected_->font());
    for (const Sample& s : Samples()) {
        Bitmap b = Render(dc(), s.code, GGO_GRAY8_BITMAP);
        Reference ref = RenderWithFreeType(file, ppem, s.unicode);
        ASSERT_GT(ref.inkMass, 0) << s.what;
        long ours = 0;
        for (BYTE v : b.bytes) ours += v;
        double oursInPixels = ours / 64.0, theirsInPixels = ref.inkMass / 255.0;
        EXPECT_NEAR(oursInPixels, theirsInPixels, theirsInPixels * 0.04 + 0.5) << s.what;
        // Same placement: the black box is FreeType's bitmap box.
        EXPECT_EQ(b.gm.gmptGlyphOrigin.x, ref.left) << s.what;
        EXPECT_EQ(b.gm.gmptGlyphOrigin.y, ref.top) << s.what;
        EXPECT_NEAR(static_cast<int>(b.gm.gmBlackBoxX), ref.width, 1) << s.what;
        EXPECT_NEAR(static_cast<int>(b.gm.gmBlackBoxY), ref.rows, 1) << s.what;
        // Where the boxes agree, so does every pixel (rows top first, 65 levels).
        if (static_cast<int>(b.gm.gmBlackBoxX) == ref.width && static_cast<int>(b.gm.gmBlackBoxY) == ref.rows) {
            int off = 0;
            for (int y = 0; y < ref.rows; ++y)
                for (int x = 0; x < ref.width; ++x) {
                    int expected = ref.coverage[y * ref.width + x] * 64 / 255;
                    off += std::abs(b.bytes[y * b.pitch() + x] - expected) > 1;
                }
            EXPECT_EQ(off, 0) << s.what;
        }
    }
}

TEST_P(GdiGlyphs, GlyphsSitInTheCellAndFollowTheFixedPitch) {
    TEXTMETRICA tm = selected_->metrics();
    int ppem = tm.tmHeight - tm.tmInternalLeading;
    int halfAdvance = -1;
    for (const Sample& s : Samples()) {
        Bitmap b = Render(dc(), s.code, GGO_GRAY8_BITMAP);
        EXPECT_LE(b.gm.gmptGlyphOrigin.y, tm.tmAscent) << s.what;
        EXPECT_GE(b.gm.gmptGlyphOrigin.y - static_cast<LONG>(b.gm.gmBlackBoxY), -tm.tmDescent) << s.what;
        EXPECT_EQ(b.gm.gmCellIncY, 0);
        if (s.code < 0x100) {
            if (halfAdvance < 0) halfAdvance = b.gm.gmCellIncX;
            EXPECT_EQ(b.gm.gmCellIncX, halfAdvance) << s.what;  // ASCII and half-width kana share one width
        } else {
            EXPECT_EQ(b.gm.gmCellIncX, ppem) << s.what;  // full-width: one em
        }
    }
    EXPECT_NEAR(halfAdvance * 2, ppem, 1);
}

TEST_P(GdiGlyphs, AbcWidthsAgreeWithTheGlyphMetrics) {
    for (const Sample& s : Samples()) {
        ABC abc{};
        ASSERT_TRUE(GetCharABCWidthsA(dc(), s.code, s.code, &abc)) << s.what;
        GLYPHMETRICS gm{};
        MAT2 m = Identity();
        ASSERT_NE(GetGlyphOutlineA(dc(), s.code, GGO_METRICS, &gm, 0, nullptr, &m), GDI_ERROR);
        EXPECT_EQ(abc.abcA, gm.gmptGlyphOrigin.x) << s.what;
        EXPECT_EQ(abc.abcB, gm.gmBlackBoxX) << s.what;
        EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, gm.gmCellIncX) << s.what;
    }
    // A range answers what single calls answer.
    ABC range['Z' - 'A' + 1];
    ASSERT_TRUE(GetCharABCWidthsA(dc(), 'A', 'Z', range));
    for (UINT c = 'A'; c <= 'Z'; ++c) {
        ABC one{};
        ASSERT_TRUE(GetCharABCWidthsA(dc(), c, c, &one));
        EXPECT_EQ(std::memcmp(&one, &range[c - 'A'], sizeof(ABC)), 0) << static_cast<char>(c);
    }
}

TEST_P(GdiGlyphs, SpacesAreEmptyGlyphsWithAnAdvance) {
    TEXTMETRICA tm = selected_->metrics();
    int ppem = tm.tmHeight - tm.tmInternalLeading;
    for (UINT code : {UINT(' '), UINT(0x8140)}) {
        // Half a cell like any ASCII character, or a full em.
        int advance = code == ' ' ? Render(dc(), 'A', GGO_METRICS).gm.gmCellIncX : ppem;
        for (UINT format : {GGO_METRICS, GGO_BITMAP, GGO_GRAY8_BITMAP}) {
            MAT2 m = Identity();
            GLYPHMETRICS gm{};
            EXPECT_EQ(GetGlyphOutlineA(dc(), code, format, &gm, 0, nullptr, &m), 0u);
            BYTE buffer[16];
            std::fill(std::begin(buffer), std::end(buffer), 0xCD);
            EXPECT_EQ(GetGlyphOutlineA(dc(), code, format, &gm, sizeof(buffer), buffer, &m), 0u);
            EXPECT_EQ(buffer[0], 0xCD);
            EXPECT_EQ(gm.gmBlackBoxX, 1u);
            EXPECT_EQ(gm.gmBlackBoxY, 1u);
            EXPECT_EQ(gm.gmCellIncX, advance) << code;
        }
        ABC abc{};
        ASSERT_TRUE(GetCharABCWidthsA(dc(), code, code, &abc));
        EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, advance);
    }
}

INSTANTIATE_TEST_SUITE_P(Heights, GdiGlyphs, ::testing::Values(12, 16, 24, 40));

TEST(GdiGlyphErrors, CodesThatAreNoCharacterAndBadArgumentsAnswerGdiError) {
    SelectedFont selected(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック")));
    ASSERT_TRUE(selected.ok());
    HDC dc = selected.dc();
    MAT2 m = Identity();
    GLYPHMETRICS gm{};
    BYTE buffer[1024];
    // A lead byte alone, a bad trail byte, a code past two bytes.
    for (UINT code : {0x88u, 0x81u, 0xFCu, 0x8820u, 0x887Fu, 0x88FDu, 0x4141u, 0x10041u}) {
        for (UINT format : {GGO_METRICS, GGO_BITMAP, GGO_GRAY8_BITMAP}) {
            EXPECT_EQ(GetGlyphOutlineA(dc, code, format, &gm, 0, nullptr, &m), GDI_ERROR) << std::hex << code;
            EXPECT_EQ(GetGlyphOutlineA(dc, code, format, &gm, sizeof(buffer), buffer, &m), GDI_ERROR);
        }
        ABC abc{};
        EXPECT_FALSE(GetCharABCWidthsA(dc, code, code, &abc)) << std::hex << code;
    }
    // A range that holds a lead byte, inside it or last (0xE0), is refused without writing anything.
    ABC range[4];
    for (UINT first : {0x80u, 0xDDu}) {
        std::memset(range, 0x5A, sizeof(range));
        EXPECT_FALSE(GetCharABCWidthsA(dc, first, first + 3, range));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        for (const ABC& abc : range) EXPECT_EQ(abc.abcA, 0x5A5A5A5A);
    }
    EXPECT_FALSE(GetCharABCWidthsA(dc, 'B', 'A', range));
    EXPECT_FALSE(GetCharABCWidthsA(dc, 'A', 'A', nullptr));
    // Missing metrics or matrix, a matrix other than the identity, outline formats, bad contexts.
    EXPECT_EQ(GetGlyphOutlineA(dc, 'A', GGO_BITMAP, nullptr, 0, nullptr, &m), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(dc, 'A', GGO_BITMAP, &gm, 0, nullptr, nullptr), GDI_ERROR);
    for (FIXED MAT2::*field : {&MAT2::eM11, &MAT2::eM12, &MAT2::eM21, &MAT2::eM22}) {
        for (bool whole : {true, false}) {
            MAT2 other = m;
            if (whole) (other.*field).value += 2;
            else (other.*field).fract += 2;
            EXPECT_EQ(GetGlyphOutlineA(dc, 'A', GGO_BITMAP, &gm, 0, nullptr, &other), GDI_ERROR);
        }
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetGlyphOutlineA(dc, 'A', GGO_NATIVE, &gm, 0, nullptr, &m), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(dc, 'A', 7, &gm, 0, nullptr, &m), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(nullptr, 'A', GGO_BITMAP, &gm, 0, nullptr, &m), GDI_ERROR);
    // After all that the context still works.
    EXPECT_GT(GetGlyphOutlineA(dc, 'A', GGO_BITMAP, &gm, 0, nullptr, &m), 0u);
}

TEST(GdiGlyphErrors, GlyphIndicesAndUnhintedOutlines) {
    SelectedFont selected(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック")));
    ASSERT_TRUE(selected.ok());
    MAT2 m = Identity();
    GLYPHMETRICS byIndex{}, byCode{};
    // Glyph 0 is the default glyph; a huge index is none.
    EXPECT_NE(GetGlyphOutlineA(selected.dc(), 0, GGO_METRICS | GGO_GLYPH_INDEX, &byIndex, 0, nullptr, &m), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(selected.dc(), 0xFFFFFF, GGO_METRICS | GGO_GLYPH_INDEX, &byIndex, 0, nullptr, &m),
              GDI_ERROR);
    // Unhinted metrics of a character differ from the hinted ones by rounding only.
    ASSERT_NE(GetGlyphOutlineA(selected.dc(), 'W', GGO_METRICS, &byCode, 0, nullptr, &m), GDI_ERROR);
    ASSERT_NE(GetGlyphOutlineA(selected.dc(), 'W', GGO_METRICS | GGO_UNHINTED, &byIndex, 0, nullptr, &m), GDI_ERROR);
    EXPECT_NEAR(byIndex.gmCellIncX, byCode.gmCellIncX, 1);
    EXPECT_NEAR(static_cast<int>(byIndex.gmBlackBoxX), static_cast<int>(byCode.gmBlackBoxX), 2);
}

}  // namespace
