// Logical fonts, face matching, text metrics and the object lifecycle.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <unistd.h>

#include "platform/win32/kernel.h"
#include "platform/win32/user.h"
#include "tests/platform/gdi/gdi_test_util.h"
#include "tests/support/records.h"

using namespace gditest;

namespace {

// The engine's own request and the proportional name: their files, faces and
// character sets are in the gdi records (gothic16, pgothic21).
TEST(GdiFaceMatching, JapaneseGothicNamesResolveToIpaGothic) {
    HFONT gothic = CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック"));
    ASSERT_NE(gothic, nullptr);
    {
        SelectedFont selected(gothic);
        ASSERT_TRUE(selected.ok());
        char face[LF_FACESIZE] = {};
        const std::string name = Sjis(u8"IPAゴシック");
        // Without a buffer: the room it needs; with one a byte short: cut, and ended.
        const int needed = GetTextFaceA(selected.dc(), 0, nullptr);
        EXPECT_EQ(needed, static_cast<int>(name.size()) + 1);
        EXPECT_EQ(GetTextFaceA(selected.dc(), needed - 1, face), needed - 2);
        EXPECT_EQ(std::string(face), name.substr(0, name.size() - 1));
    }
    // ASCII names match without regard to case.
    HFONT ascii = CreateEngineFont(16, "ms gothic");
    ASSERT_NE(ascii, nullptr);
    EXPECT_EQ(BaseName(platform::gdi::FontFileOf(ascii)), "ipag.ttf");
    EXPECT_TRUE(DeleteObject(ascii));
    ascii = CreateEngineFont(16, "Ms PGothic");  // the name decides, not the fixed pitch asked for
    ASSERT_NE(ascii, nullptr);
    EXPECT_EQ(BaseName(platform::gdi::FontFileOf(ascii)), "ipagp.ttf");
    EXPECT_TRUE(DeleteObject(ascii));
}

TEST(GdiFaceMatching, UnknownOrEmptyFaceStillGetsAJapaneseFace) {
    for (const std::string& face : {std::string(), std::string("No Such Face 12345")}) {
        SelectedFont selected(CreateEngineFont(16, face));
        ASSERT_TRUE(selected.ok()) << face;
        // GDI always gives some font; for a Shift-JIS request one that has the characters.
        EXPECT_EQ(selected.metrics().tmCharSet, SHIFTJIS_CHARSET) << face;
        GLYPHMETRICS gm{};
        MAT2 m = Identity();
        EXPECT_NE(GetGlyphOutlineA(selected.dc(), CodeOf(Sjis(u8"開")), GGO_METRICS, &gm, 0, nullptr, &m),
                  GDI_ERROR);
        EXPECT_GT(gm.gmBlackBoxX, 1u);
    }
}

// Face height, ascent and descent of the face's Windows metrics, from the file itself.
struct WinMetrics {
    long ascent = 0, descent = 0, unitsPerEm = 0;
};
WinMetrics ReadWinMetrics(const std::string& file) {
    WinMetrics w;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) return w;
    if (FT_New_Face(library, file.c_str(), 0, &face) == 0) {
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2) {
            w.ascent = os2->usWinAscent;
            w.descent = os2->usWinDescent;
        }
        w.unitsPerEm = face->units_per_EM;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return w;
}

TEST(GdiTextMetrics, PositiveHeightIsTheCellHeight) {
    for (int height : {8, 12, 14, 16, 21, 24, 33, 64}) {
        SelectedFont selected(CreateEngineFont(height, Sjis(u8"ＭＳ ゴシック")));
        ASSERT_TRUE(selected.ok());
        TEXTMETRICA tm = selected.metrics();
        EXPECT_EQ(tm.tmHeight, height);
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        WinMetrics w = ReadWinMetrics(platform::gdi::FontFileOf(selected.font()));
        ASSERT_GT(w.ascent + w.descent, 0);
        // The ascent takes the face's share of the cell.
        EXPECT_NEAR(tm.tmAscent, static_cast<double>(height) * w.ascent / (w.ascent + w.descent), 0.5001);
        // The em is the cell less the internal leading, in the face's proportion.
        double em = static_cast<double>(height) * w.unitsPerEm / (w.ascent + w.descent);
        EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, em, 0.5001) << height;
    }
}

TEST(GdiTextMetrics, RequestsAtTheirBounds) {
    struct Case {
        const char* name;
        int height, weight;
        BYTE charSet;
        LONG cell, em;  // 0: not looked at
        LONG tmWeight;
        BYTE tmCharSet;
    } const cases[] = {
        {"default height", 0, 0, SHIFTJIS_CHARSET, 16, 0, FW_NORMAL, SHIFTJIS_CHARSET},
        {"cell capped", 5000, 0, SHIFTJIS_CHARSET, 4096, 0, FW_NORMAL, SHIFTJIS_CHARSET},
        {"em capped", -5000, 0, SHIFTJIS_CHARSET, 0, 4096, FW_NORMAL, SHIFTJIS_CHARSET},
        {"semibold is bold", 16, FW_SEMIBOLD, SHIFTJIS_CHARSET, 16, 0, FW_BOLD, SHIFTJIS_CHARSET},
        {"medium is not", 16, FW_MEDIUM, SHIFTJIS_CHARSET, 16, 0, FW_NORMAL, SHIFTJIS_CHARSET},
        {"default charset", 16, 0, DEFAULT_CHARSET, 16, 0, FW_NORMAL, SHIFTJIS_CHARSET},
        {"symbol charset", 16, 0, SYMBOL_CHARSET, 16, 0, FW_NORMAL, SYMBOL_CHARSET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectedFont selected(CreateFontA(c.height, 0, 0, 0, c.weight, 0, 0, 0, c.charSet, OUT_TT_PRECIS,
                                          CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN,
                                          Sjis(u8"ＭＳ ゴシック").c_str()));
        ASSERT_TRUE(selected.ok());
        const TEXTMETRICA tm = selected.metrics();
        if (c.cell) {
            EXPECT_EQ(tm.tmHeight, c.cell);
        }
        if (c.em) {
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.em);
        }
        EXPECT_EQ(tm.tmWeight, c.tmWeight);
        EXPECT_EQ(tm.tmCharSet, c.tmCharSet);
    }
}

TEST(GdiTextMetrics, BoldAndItalicAreSimulatedOnARegularFace) {
    SelectedFont regular(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック")));
    SelectedFont bold(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック"), true));
    SelectedFont italic(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック"), false, true));
    ASSERT_TRUE(regular.ok() && bold.ok() && italic.ok());
    EXPECT_EQ(bold.metrics().tmWeight, FW_BOLD);
    EXPECT_EQ(bold.metrics().tmHeight, 16);
    EXPECT_NE(italic.metrics().tmItalic, 0);
    SelectedFont marked(CreateFontA(16, 0, 0, 0, 0, FALSE, TRUE, TRUE, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH, Sjis(u8"ＭＳ ゴシック").c_str()));
    ASSERT_TRUE(marked.ok());
    EXPECT_EQ(marked.metrics().tmUnderlined, 0xFF);
    EXPECT_EQ(marked.metrics().tmStruckOut, 0xFF);
    EXPECT_EQ(regular.metrics().tmUnderlined, 0);
    UINT code = CodeOf(Sjis(u8"開"));
    Bitmap r = Render(regular.dc(), code, GGO_GRAY8_BITMAP);
    Bitmap b = Render(bold.dc(), code, GGO_GRAY8_BITMAP);
    Bitmap i = Render(italic.dc(), 'I', GGO_GRAY8_BITMAP);
    Bitmap ri = Render(regular.dc(), 'I', GGO_GRAY8_BITMAP);
    EXPECT_EQ(b.gm.gmCellIncX, r.gm.gmCellIncX + 1);
    EXPECT_EQ(bold.metrics().tmAveCharWidth, regular.metrics().tmAveCharWidth + 1);
    EXPECT_EQ(bold.metrics().tmMaxCharWidth, regular.metrics().tmMaxCharWidth + 1);
    // A leaning capital I is wider than the upright one, with the same advance.
    EXPECT_GT(i.gm.gmBlackBoxX, ri.gm.gmBlackBoxX);
    EXPECT_EQ(i.gm.gmCellIncX, ri.gm.gmCellIncX);
}

TEST(GdiObjects, SelectionAndDeletionFollowGdiRules) {
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    // A fresh context has a usable default font.
    TEXTMETRICA tm{};
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_GT(tm.tmHeight, 0);
    HFONT font = CreateEngineFont(20, Sjis(u8"ＭＳ ゴシック"));
    ASSERT_NE(font, nullptr);
    HGDIOBJ stock = SelectObject(dc, font);
    ASSERT_NE(stock, nullptr);
    EXPECT_NE(stock, static_cast<HGDIOBJ>(font));
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 20);
    // A selected font cannot be deleted.
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(SelectObject(dc, stock), static_cast<HGDIOBJ>(font));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(SelectObject(dc, font), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(DeleteObject(stock));  // stock objects: allowed, and nothing happens
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    // Released contexts are gone; the other kinds of context are not released this way.
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_FALSE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SelectObject(nullptr, stock), nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(stock), stock), nullptr);  // a font is no context
}

TEST(GdiObjects, ContextKinds) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HDC detached = CreateCompatibleDC(nullptr);
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(memory, nullptr);
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // A window's context goes back through that window only, and once.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "GdiContextKinds";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window =
        CreateWindowExA(0, wc.lpszClassName, "gdi", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr) << "needs a display (Xvfb)";
    HDC owned = GetDC(window);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, owned), 0);
    EXPECT_EQ(ReleaseDC(window, screen), 0);
    EXPECT_EQ(ReleaseDC(window, owned), 1);
    EXPECT_EQ(ReleaseDC(window, owned), 0);
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    // A font selected into a memory context is free to delete once the context is.
    HFONT font = CreateEngineFont(12, "");
    ASSERT_NE(font, nullptr);
    ASSERT_NE(SelectObject(memory, font), nullptr);
    TEXTMETRICA tm{};
    EXPECT_TRUE(GetTextMetricsA(memory, &tm));
    EXPECT_EQ(tm.tmHeight, 12);
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(detached));
    // A window handle that is no window gives no context.
    SetLastError(0);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7654320))), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(CreateCompatibleDC(screen), nullptr);  // released above
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Every output of the font and glyph calls for a set of requests, folded into a
// hash per request and compared with tests/platform/gdi/gdi_records.txt: the
// whole text metrics, the face name and file, each glyph's metrics and bytes in
// every format, and the ABC widths of ASCII.
uint64_t FoldFontOutputs(HFONT font) {
    records::Fnv f;
    SelectedFont selected(font);
    if (!selected.ok()) return f.h;
    const auto fold = [&f](auto... values) { (f.Add(static_cast<long long>(values)), ...); };
    const TEXTMETRICA tm = selected.metrics();
    fold(tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading, tm.tmExternalLeading, tm.tmAveCharWidth,
         tm.tmMaxCharWidth, tm.tmWeight, tm.tmOverhang, tm.tmDigitizedAspectX, tm.tmDigitizedAspectY, tm.tmFirstChar,
         tm.tmLastChar, tm.tmDefaultChar, tm.tmBreakChar, tm.tmItalic, tm.tmUnderlined, tm.tmStruckOut,
         tm.tmPitchAndFamily, tm.tmCharSet);
    char face[LF_FACESIZE + 8];
    std::memset(face, 0x5A, sizeof face);
    fold(GetTextFaceA(selected.dc(), LF_FACESIZE, face));
    for (char c : face) fold(c);
    for (char c : BaseName(platform::gdi::FontFileOf(font))) fold(c);
    const MAT2 m = Identity();
    const UINT codes[] = {'A', 'g', 'W', ' ', 0xB1, CodeOf(Sjis(u8"開")), CodeOf(Sjis(u8"あ")), 0x8140};
    for (UINT code : codes) {
        for (UINT format : {GGO_METRICS, GGO_BITMAP, GGO_GRAY2_BITMAP, GGO_GRAY4_BITMAP, GGO_GRAY8_BITMAP,
                            GGO_GRAY8_BITMAP | GGO_UNHINTED, GGO_BITMAP | GGO_GLYPH_INDEX}) {
            GLYPHMETRICS gm{};
            std::vector<BYTE> bytes(4096, 0xCD);
            const DWORD size = GetGlyphOutlineA(selected.dc(), format & GGO_GLYPH_INDEX ? code % 64 : code, format,
                                                &gm, static_cast<DWORD>(bytes.size()), bytes.data(), &m);
            fold(size, gm.gmBlackBoxX, gm.gmBlackBoxY, gm.gmptGlyphOrigin.x, gm.gmptGlyphOrigin.y, gm.gmCellIncX,
                 gm.gmCellIncY);
            for (size_t i = 0; size != GDI_ERROR && i < std::min<size_t>(size + 4, bytes.size()); ++i)
                fold(bytes[i]);
        }
    }
    ABC abc[0x7F - 0x20];
    fold(GetCharABCWidthsA(selected.dc(), 0x20, 0x7E, abc));
    for (const ABC& w : abc) fold(w.abcA, w.abcB, w.abcC);
    return f.h;
}

TEST(GdiRecords, FontsAndGlyphsMatchTheirRecords) {
    struct Request {
        const char* name;
        int height, weight;
        DWORD italic, underline, strikeOut, charSet, pitchAndFamily;
        std::string face;
    } const requests[] = {
        {"gothic16", 16, 0, 0, 0, 0, SHIFTJIS_CHARSET, FIXED_PITCH | FF_MODERN, Sjis(u8"ＭＳ ゴシック")},
        {"gothic-13bold", -13, FW_BOLD, 0, 1, 0, SHIFTJIS_CHARSET, FIXED_PITCH | FF_MODERN, "MS Gothic"},
        {"gothic0italic", 0, 0, 1, 0, 1, DEFAULT_CHARSET, FIXED_PITCH, Sjis(u8"ＭＳ ゴシック")},
        {"pgothic21", 21, FW_SEMIBOLD, 0, 0, 0, SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_SWISS, Sjis(u8"ＭＳ Ｐゴシック")},
        {"sans12", 12, 0, 0, 0, 0, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans"},
        {"sansbold-20", -20, FW_BOLD, 0, 0, 0, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans"},
        {"sansitalic17", 17, 0, 1, 0, 0, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans"},
        {"serif24", 24, FW_MEDIUM, 0, 0, 0, ANSI_CHARSET, VARIABLE_PITCH | FF_ROMAN, "DejaVu Serif"},
        {"mono15", 15, 0, 0, 0, 0, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "DejaVu Sans Mono"},
        {"symbol9", 9, 0, 0, 0, 0, SYMBOL_CHARSET, DEFAULT_PITCH | FF_DECORATIVE, ""},
    };
    for (const Request& r : requests) {
        HFONT font = CreateFontA(r.height, 0, 0, 0, r.weight, r.italic, r.underline, r.strikeOut, r.charSet,
                                 OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, r.pitchAndFamily, r.face.c_str());
        ASSERT_NE(font, nullptr) << r.name;
        EXPECT_EQ(records::Check("tests/platform/gdi/gdi_records.txt", r.name, FoldFontOutputs(font)), "");
    }
}

// Fonts found among one folder's files only.
class GdiFontFolder : public ::testing::Test {
protected:
    void TearDown() override { platform::gdi::UseFontFolderForTesting(""); }
    testsupport::TempDir dir_;
};

TEST_F(GdiFontFolder, NoFontInstalledFailsCreation) {
    platform::gdi::UseFontFolderForTesting(dir_.path());
    EXPECT_EQ(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック")), nullptr);
    EXPECT_EQ(CreateEngineFont(16, ""), nullptr);
    // Nothing to select then: the context keeps what it has.
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

TEST_F(GdiFontFolder, WithoutAJapaneseFaceAnyFaceServes) {
    const char* latin = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (access(latin, R_OK) != 0) GTEST_SKIP() << "no DejaVu Sans to stand alone";
    ASSERT_EQ(symlink(latin, dir_.file("only.ttf").c_str()), 0);
    platform::gdi::UseFontFolderForTesting(dir_.path());
    SelectedFont selected(CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック")));
    ASSERT_TRUE(selected.ok());
    EXPECT_EQ(BaseName(platform::gdi::FontFileOf(selected.font())), "DejaVuSans.ttf");
    TEXTMETRICA tm = selected.metrics();
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmCharSet, ANSI_CHARSET);  // the face has no Japanese
    // Latin draws; a kanji the face lacks shows the face's default glyph instead of failing.
    Bitmap a = Render(selected.dc(), 'A', GGO_GRAY8_BITMAP);
    EXPECT_GT(a.size, 0u);
    Bitmap kanji = Render(selected.dc(), CodeOf(Sjis(u8"開")), GGO_GRAY8_BITMAP);
    EXPECT_GT(kanji.size, 0u);
    // Fonts made before the switch keep their faces.
    platform::gdi::UseFontFolderForTesting("");
    HFONT gothic = CreateEngineFont(16, Sjis(u8"ＭＳ ゴシック"));
    EXPECT_EQ(BaseName(platform::gdi::FontFileOf(gothic)), "ipag.ttf");
    EXPECT_EQ(BaseName(platform::gdi::FontFileOf(selected.font())), "DejaVuSans.ttf");
    EXPECT_TRUE(DeleteObject(gothic));
}

}  // namespace
