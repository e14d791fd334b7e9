// GDI fonts and glyph atlases from the installed font, on the null backend
// (sheet textures are read back through Lock): the pixel writers byte by byte,
// glyphs compared with GDI's own bitmaps, the text pen rules, and atlas layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/KestraLfd.h"
#include "tests/engine/graphics/font_test_env.h"

using namespace fonttest;

namespace {

// ---- Writers on a plain buffer (no font needed)

struct Canvas {
    uint32_t width, height, bpp;
    std::vector<uint8_t> bytes;
    Canvas(uint32_t w, uint32_t h, uint32_t b) : width(w), height(h), bpp(b), bytes(size_t(w) * h * b, 0x5A) {}
    CFont::LockedTarget target(D3DFORMAT format) {
        CFont::LockedTarget t;
        t.bits = bytes.data();
        t.pitch = static_cast<int32_t>(width * bpp);
        t.format = format;
        t.width = width;
        t.height = height;
        return t;
    }
    uint32_t at(uint32_t x, uint32_t y) const {
        uint32_t v = 0;
        std::memcpy(&v, &bytes[(size_t(y) * width + x) * bpp], bpp);
        return v;
    }
};

TEST(FontWriters, MonoWritersSetExactlyTheSetBitsInEachFormat) {
    CFont font(nullptr);
    // Two rows, pitch 4: row 0 bits 1010 0000 0000 0001 (pixels 0, 2, 15); row 1 pixel 1.
    const uint8_t bits[8] = {0xA0, 0x01, 0, 0, 0x40, 0, 0, 0};
    const RECT dst{1, 1, 17, 3}, src{0, 0, 16, 2};
    const uint32_t color = 0x12345678;
    struct Case {
        D3DFORMAT format;
        uint32_t bpp, expected;
        decltype(&CFont::WriteMonoA8R8G8B8) write;
    };
    const Case cases[] = {
        {D3DFMT_A8R8G8B8, 4, 0xFF345678, &CFont::WriteMonoA8R8G8B8},
        {D3DFMT_R5G6B5, 2, 0x32AF, &CFont::WriteMonoR5G6B5},
        {D3DFMT_A1R5G5B5, 2, 0x994F, &CFont::WriteMonoA1R5G5B5},
    };
    for (const Case& c : cases) {
        Canvas canvas(20, 4, c.bpp);
        const CFont::LockedTarget t = canvas.target(c.format);
        RECT d = dst, s = src;
        (font.*c.write)(t, d, bits, 4, s, color);
        const uint32_t untouched = c.bpp == 4 ? 0x5A5A5A5A : 0x5A5A;
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 20; ++x) {
                const bool set = (y == 1 && (x == 1 || x == 3 || x == 16)) || (y == 2 && x == 2);
                EXPECT_EQ(canvas.at(x, y), set ? c.expected : untouched) << c.format << " " << x << "," << y;
            }
    }
}

TEST(FontWriters, GreyWritersMapSixtyFiveLevelsToAlpha) {
    CFont font(nullptr);
    const uint8_t levels[4] = {0, 1, 32, 64};
    const RECT dst{0, 0, 4, 1}, src{0, 0, 4, 1};
    Canvas argb(4, 1, 4);
    font.WriteGreyA8R8G8B8(argb.target(D3DFMT_A8R8G8B8), dst, levels, 4, src, 0x80ABCDEF);
    EXPECT_EQ(argb.at(0, 0), 0x00ABCDEFu);
    EXPECT_EQ(argb.at(1, 0), 0x03ABCDEFu);
    EXPECT_EQ(argb.at(2, 0), 0x7FABCDEFu);
    EXPECT_EQ(argb.at(3, 0), 0xFFABCDEFu);
}

TEST(FontWriters, ClipMovesTheSourceWithTheDestination) {
    CFont font(nullptr);
    RECT dst{-3, -2, 5, 7}, src{0, 0, 8, 9};
    ASSERT_TRUE(font.Clip(&dst, &src, 4, 5));  // 4 wide, 5 high
    EXPECT_EQ(dst.left, 0);
    EXPECT_EQ(dst.top, 0);
    EXPECT_EQ(dst.right, 4);
    EXPECT_EQ(dst.bottom, 5);
    EXPECT_EQ(src.left, 3);
    EXPECT_EQ(src.top, 2);
    EXPECT_EQ(src.right, 7);
    EXPECT_EQ(src.bottom, 7);
    for (RECT off : {RECT{10, 0, 18, 8}, RECT{-9, 0, -1, 8}, RECT{0, 10, 8, 18}, RECT{0, -9, 8, -1}}) {
        RECT s{0, 0, 8, 8};
        EXPECT_FALSE(font.Clip(&off, &s, 4, 5)) << off.left << "," << off.top;
    }
}

// ---- Fonts from the installed face

class FontGdi : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        StartFonts(d3d9test::Backend::Null);
    }
    CFont* MakeFont(int size) {
        CFont* f = KestraFont::Create(Face().c_str(), size, 0, 0);
        EXPECT_NE(f, nullptr);
        return f;
    }
    // The GDI bitmap of a character, rendered by hand on a context of our own.
    struct GdiGlyph {
        GLYPHMETRICS gm{};
        std::vector<uint8_t> bits;
        uint32_t pitch = 0;
    };
    static GdiGlyph Gdi(CFont* font, uint16_t code, UINT format) {
        GdiGlyph g;
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font->GetHandle());
        MAT2 m{};
        m.eM11.value = 1;
        m.eM22.value = 1;
        const DWORD size = GetGlyphOutlineA(dc, code, format, &g.gm, 0, nullptr, &m);
        if (size && size != GDI_ERROR) {
            g.bits.resize(size);
            GetGlyphOutlineA(dc, code, format, &g.gm, size, g.bits.data(), &m);
            g.pitch = size / g.gm.gmBlackBoxY;
        }
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return g;
    }
};

TEST_F(FontGdi, CreateAnswersFalseWithoutAFontOrABuffer) {
    KestraFont::Finalize();
    EXPECT_EQ(KestraFont::Create(Face().c_str(), 16, 0, 0), nullptr) << "the module is not started";
    ASSERT_TRUE(KestraFont::Initialize());
    // No font installed at all: nothing can be made, and that is what Create says.
    testsupport::TempDir empty;
    platform::gdi::UseFontFolderForTesting(empty.path());
    EXPECT_EQ(KestraFont::Create(Face().c_str(), 16, 0, 0), nullptr);
    platform::gdi::UseFontFolderForTesting("");
    EXPECT_EQ(KestraFont::Create(Face().c_str(), 0, 0, 0), nullptr);
    EXPECT_EQ(KestraFont::Create(Face().c_str(), -5, 0, 0), nullptr);
    EXPECT_EQ(Count(Sjis(u8"フォントバッファ用メモリの確保に失敗")), 2);
    EXPECT_EQ(Count("CFont::Create"), 3);
    EXPECT_EQ(Count("Failed!"), 3);
    CFont* font = MakeFont(16);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetSize(), 16u);
    EXPECT_EQ(font->GetWorkSize(), 16u * 16 * 4);
    EXPECT_NE(Log().find(Sjis(u8"FONT FACE [ ＭＳ ゴシック ] : FONT SIZE [ 16 ] : ")), std::string::npos);
    // A failed re-create keeps no freed buffer to report success with or free again; 1024 is the largest size.
    EXPECT_FALSE(font->Create(Face().c_str(), 1025, 0, 0));
    EXPECT_EQ(font->GetWorkSize(), 0u);
    EXPECT_TRUE(font->Create(Face().c_str(), 1024, 0, 0));
    EXPECT_EQ(font->GetWorkSize(), 1024u * 1024 * 4);
    KestraFont::Release(font);
    EXPECT_EQ(Count("CFont Destruct"), 4);
    // Italic and bold each reach the face as asked.
    for (const bool italic : {false, true}) {
        font = KestraFont::Create(Face().c_str(), 16, italic, !italic);
        ASSERT_NE(font, nullptr);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font->GetHandle());
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmItalic, italic ? 0xFF : 0);
        EXPECT_EQ(tm.tmWeight, italic ? 400 : 700);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        KestraFont::Release(font);
    }
}

TEST_F(FontGdi, DrawCharWritesGdisBitmapAtTheBaseline) {
    CFont* font = MakeFont(20);
    ASSERT_NE(font, nullptr);
    const uint16_t kanji = CodeOf(Sjis(u8"開"));
    const GdiGlyph mono = Gdi(font, 'g', GGO_BITMAP);
    const GdiGlyph grey = Gdi(font, kanji, GGO_GRAY8_BITMAP);
    ASSERT_FALSE(mono.bits.empty());
    ASSERT_FALSE(grey.bits.empty());
    // A 32-bit sheet, then a 16-bit one.
    for (const uint32_t kind : {14u, 13u}) {
        const bool wide = kind == 14;
        CTexture* sheet = KestraTexture::Create(64, 64, kind);
        ASSERT_NE(sheet, nullptr);
        sheet->ColorFill(0);
        font->SetTarget(sheet);
        font->BeginDraw(0);
        ASSERT_TRUE(font->IsSmoothCapable());
        const int32_t ascent = font->GetMetrics().tmAscent;
        font->DrawChar(3, 5, 0x00112233, 'g');
        font->DrawCharSmooth(30, 20, 0x00ABCDEF, kanji);
        font->EndDraw();
        uint32_t w = 0, h = 0;
        const std::vector<uint32_t> px = SheetPixels(sheet, &w, &h);
        ASSERT_EQ(w, 64u);
        std::vector<bool> covered(px.size(), false);
        int monoSet = 0;
        for (uint32_t y = 0; y < mono.gm.gmBlackBoxY; ++y)
            for (uint32_t x = 0; x < mono.gm.gmBlackBoxX; ++x) {
                const bool set = (mono.bits[y * mono.pitch + x / 8] >> (7 - x % 8)) & 1;
                const size_t at = size_t(5 + ascent - mono.gm.gmptGlyphOrigin.y + y) * w + 3 + x;
                EXPECT_EQ(px[at], set ? (wide ? 0xFF112233u : 0xF123u) : 0u) << kind << ": " << x << "," << y;
                covered[at] = true;
                monoSet += set;
            }
        EXPECT_GT(monoSet, 10);
        for (uint32_t y = 0; y < grey.gm.gmBlackBoxY; ++y)
            for (uint32_t x = 0; x < grey.gm.gmBlackBoxX; ++x) {
                const uint32_t alpha = grey.bits[y * grey.pitch + x] ? 4 * grey.bits[y * grey.pitch + x] - 1 : 0;
                const size_t at = size_t(20 + ascent - grey.gm.gmptGlyphOrigin.y + y) * w + 30 + x;
                EXPECT_EQ(px[at], wide ? alpha << 24 | 0xABCDEF : (alpha & 0xF0) << 8 | 0xACE) << kind << ": " << x;
                covered[at] = true;
            }
        for (size_t i = 0; i < px.size(); ++i)
            if (!covered[i]) {
                ASSERT_EQ(px[i], 0u) << "stray pixel at " << i % w << "," << i / w;
            }
        KestraTexture::Release(sheet);
    }
    KestraFont::Release(font);
}

TEST_F(FontGdi, EmptyAndOversizeGlyphsAreSkipped) {
    // At size 1 the work buffer holds 4 bytes: a kanji's bitmap does not fit.
    CFont* tiny = MakeFont(1);
    ASSERT_NE(tiny, nullptr);
    CTexture* sheet = KestraTexture::Create(32, 32, 14);
    ASSERT_NE(sheet, nullptr);
    sheet->ColorFill(0);
    tiny->SetTarget(sheet);
    tiny->BeginDraw(0);
    const uint16_t kanji = CodeOf(Sjis(u8"鬱"));
    GLYPHMETRICS gm{};
    std::vector<uint8_t> big(4096);
    ASSERT_GT(Gdi(tiny, kanji, GGO_BITMAP).bits.size(), tiny->GetWorkSize()) << "the glyph must not fit the buffer";
    ASSERT_GT(Gdi(tiny, kanji, GGO_GRAY8_BITMAP).bits.size(), tiny->GetWorkSize());
    EXPECT_EQ(tiny->GetGlyphBitmap(nullptr, kanji, &gm, big.data(), 1), 0u);  // no context: nothing
    tiny->DrawCharSmooth(0, 0, 0xFFFFFFFF, kanji);
    tiny->DrawChar(4, 4, 0xFFFFFFFF, kanji);
    EXPECT_EQ(tiny->DrawText(8, 8, 0xFFFFFFFF, Sjis(u8"鬱鬱").c_str()), 2);
    tiny->DrawChar(0, 0, 0xFFFFFFFF, ' ');
    tiny->DrawChar(0, 0, 0xFFFFFFFF, 0x8140);
    tiny->DrawChar(0, 0, 0xFFFFFFFF, 0xFFFF);  // no character at all
    tiny->EndDraw();
    uint32_t w = 0, h = 0;
    for (uint32_t v : SheetPixels(sheet, &w, &h)) ASSERT_EQ(v, 0u);
    KestraTexture::Release(sheet);
    KestraFont::Release(tiny);
}

TEST_F(FontGdi, TextPenFollowsTheFixedAndProportionalRules) {
    CFont* font = MakeFont(16);
    ASSERT_NE(font, nullptr);
    CTexture* sheet = KestraTexture::Create(256, 64, 14);
    ASSERT_NE(sheet, nullptr);
    font->SetTarget(sheet);
    font->BeginDraw(0);
    const int32_t h = font->GetMetrics().tmHeight;
    ASSERT_EQ(h, 16);
    auto abc = [&](uint16_t code) {
        ABC out{};
        font->GetCharWidth(code, &out);
        return out;
    };
    const uint16_t kanji = CodeOf(Sjis(u8"字"));
    const ABC a = abc('A'), sp = abc(' '), tab = abc('\t'), fw = abc(0x8140), k = abc(kanji), bs = abc('\b');
    // Fixed: A advances half a cell, the kanji a full one; TAB, space and 0x8140 add their A.
    const std::string text = "A" + Sjis(u8"字") + " \t" + Sjis(u8"　") + "\bA";
    const int32_t fixed = (h / 2) + h + (sp.abcA + h / 2) + (tab.abcA + 4 * h) + (fw.abcA + h) + h / 2 + h / 2;
    EXPECT_EQ(font->DrawText(10, 0, 0xFFFFFFFF, text.c_str()), fixed);
    EXPECT_EQ(font->DrawTextSmooth(10, 0, 0xFFFFFFFF, text.c_str()), fixed);
    const int32_t proportional = int32_t(a.abcB) + int32_t(k.abcB) + h / 2 + 4 * h + h - h + int32_t(a.abcB);
    EXPECT_EQ(font->DrawTextProportional(10, 0, 0xFFFFFFFF, text.c_str()), proportional);
    EXPECT_EQ(font->DrawTextProportionalSmooth(10, 0, 0xFFFFFFFF, text.c_str()), proportional);
    // A line break returns the pen to the start.
    EXPECT_EQ(font->DrawText(10, 0, 0xFFFFFFFF, ("AAAA\n" + Sjis(u8"字")).c_str()), h);
    // GetTextWidth: everything counts A, and B and C for glyphs.
    const int32_t measured = (a.abcA + int32_t(a.abcB) + a.abcC) * 2 + (k.abcA + int32_t(k.abcB) + k.abcC) +
                             (sp.abcA + h / 2) + (fw.abcA + h) + (tab.abcA + 4 * h) + (bs.abcA - h);
    EXPECT_EQ(font->GetTextWidth("%c%s \t\b%c", 'A', Sjis(u8"字　").c_str(), 'A'), measured);
    EXPECT_EQ(font->GetTextWidth("%s\nA", "AAAA"), a.abcA + int32_t(a.abcB) + a.abcC);
    // Formatting stops at the buffer: 2000 characters measure as the first 1023.
    const std::string many(2000, 'A');
    EXPECT_EQ(font->GetTextWidth("%s", many.c_str()), (a.abcA + int32_t(a.abcB) + a.abcC) * 1023);
    font->EndDraw();
    // A target that cannot be locked draws nothing and answers 0.
    sheet->Lock(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    font->BeginDraw(0);
    EXPECT_EQ(font->DrawText(0, 0, 0xFFFFFFFF, "AB"), 0);
    font->EndDraw();
    sheet->Unlock();
    KestraTexture::Release(sheet);
    KestraFont::Release(font);
}

static_assert(CFontManager::kStackCapacity == 16);  // written out, not taken from the product

TEST_F(FontGdi, FontStackPushesBeginsAndPopsSafely) {
    CFontManager* manager = KestraFont::GetManager();
    ASSERT_NE(manager, nullptr);
    manager->Pop();  // empty: nothing happens
    EXPECT_EQ(manager->DrawText(0, 0, 0, "A"), 0);
    CFont* font = MakeFont(12);
    ASSERT_NE(font, nullptr);
    for (int i = 0; i < CFontManager::kStackCapacity + 3; ++i) manager->Push(font, 0);
    EXPECT_EQ(manager->GetStackDepth(), CFontManager::kStackCapacity);
    EXPECT_EQ(font->GetRefCount(), 1 + CFontManager::kStackCapacity);
    EXPECT_TRUE(font->IsDrawing());
    for (int i = 0; i < CFontManager::kStackCapacity + 3; ++i) manager->Pop();
    EXPECT_EQ(manager->GetStackDepth(), 0);
    EXPECT_EQ(font->GetRefCount(), 1);
    EXPECT_FALSE(font->IsDrawing());
    // The top of the stack draws as the font itself: each call once through each, on sheets of their own.
    CTexture* sheets[2] = {KestraTexture::Create(64, 32, 14), KestraTexture::Create(64, 32, 14)};
    ASSERT_TRUE(sheets[0] && sheets[1]);
    const std::string text = "Ag" + Sjis(u8"字");
    for (int call = 0; call < 6; ++call) {
        auto draw = [&](auto* on) -> int32_t {
            switch (call) {
                case 0: return on->DrawChar(2, 3, 0x00FF8040, 'g'), 0;
                case 1: return on->DrawCharSmooth(2, 3, 0x00FF8040, 'g'), 0;
                case 2: return on->DrawText(1, 2, 0x00408020, text.c_str());
                case 3: return on->DrawTextSmooth(1, 2, 0x00408020, text.c_str());
                case 4: return on->DrawTextProportional(1, 2, 0x00408020, text.c_str());
                default: return on->DrawTextProportionalSmooth(1, 2, 0x00408020, text.c_str());
            }
        };
        int32_t answers[2] = {};
        std::vector<uint32_t> pixels[2];
        for (int via = 0; via < 2; ++via) {
            sheets[via]->ColorFill(0);
            font->SetTarget(sheets[via]);
            manager->Push(font, 0);
            answers[via] = via == 0 ? draw(manager) : draw(font);
            manager->Pop();
            uint32_t w = 0, h = 0;
            pixels[via] = SheetPixels(sheets[via], &w, &h);
        }
        EXPECT_EQ(answers[0], answers[1]) << call;
        EXPECT_EQ(pixels[0], pixels[1]) << call;
    }
    manager->Push(font, 0);
    KestraFont::Release(font);  // the stack still holds it; the module's finish lets it go
    KestraTexture::Release(sheets[0]);
    KestraTexture::Release(sheets[1]);
}

// ---- Atlases

class FontAtlas : public FontGdi {
protected:
    CFontSprite2D* Build(const std::string& list, int size, bool smooth = true, bool sort = false) {
        CFont* font = MakeFont(size);
        if (!font) return nullptr;
        CFontSprite2D* fs = KestraFontSprite2D::Create(list.c_str(), 64, font, sort, smooth);
        KestraFont::Release(font);
        return fs;
    }
    void SetMaxTexture(uint32_t side) {
        d3d9test::AdapterConfig a = d3d9test::DefaultAdapter();
        a.caps.MaxTextureWidth = side;
        a.caps.MaxTextureHeight = side;
        d3d9test::SetAdapter(a);
    }
    // Every inked texel lies inside some record's rectangle on its sheet, and each
    // record of a visible glyph holds ink.
    void ExpectInkInsideRecords(CFontSprite2D* fs, const std::string& list) {
        const uint32_t size = fs->GetSize(nullptr);
        for (uint32_t s = 0; s < fs->GetSheetCount(); ++s) {
            uint32_t w = 0, h = 0;
            const std::vector<uint32_t> px = SheetPixels(fs->GetSheet(s), &w, &h);
            std::vector<bool> inside(px.size(), false);
            for (uint32_t g = 0; g < fs->GetGlyphCount(); ++g) {
                const KestraLfd::GlyphRecord& r = fs->GetRecords()[g];
                if (r.sheet != s) continue;
                EXPECT_EQ(r.x2, r.x1 + r.width);
                EXPECT_EQ(r.y2, r.y1 + size + 2);
                ASSERT_LE(r.x2, w);
                ASSERT_LE(r.y2, h);
                for (uint32_t y = r.y1; y < r.y2; ++y)
                    for (uint32_t x = r.x1; x < r.x2; ++x) inside[size_t(y) * w + x] = true;
            }
            for (size_t i = 0; i < px.size(); ++i)
                if (px[i] >> 24) {
                    ASSERT_TRUE(inside[i]) << "ink outside every cell at " << i % w << "," << i / w;
                }
        }
        for (const char* p = list.c_str(); *p;) {
            uint16_t code = 0;
            p += Kestra::GetChar(p, &code);
            if (code == ' ' || code == 0x8140) continue;
            const KestraLfd::GlyphRecord* r = fs->FindGlyph(code);
            ASSERT_NE(r, nullptr) << std::hex << code;
            uint32_t w = 0, h = 0;
            const std::vector<uint32_t> px = SheetPixels(fs->GetSheet(r->sheet), &w, &h);
            uint64_t ink = 0;
            for (uint32_t y = r->y1; y < r->y2; ++y)
                for (uint32_t x = r->x1; x < r->x2; ++x) ink += px[size_t(y) * w + x] >> 24;
            EXPECT_GT(ink, 255u * 4) << std::hex << code;
        }
    }
};

TEST_F(FontAtlas, GlyphPixelsStayInsideTheirRecords) {
    const std::string list = Sjis(u8"あいうAgj‰|開発字【】ｱｶﾞ　");
    for (bool smooth : {true, false}) {
        CFontSprite2D* fs = Build(list, 16, smooth, !smooth);
        ASSERT_NE(fs, nullptr);
        EXPECT_EQ(fs->GetSheetCount(), 1u);
        EXPECT_EQ(fs->IsSmooth(), smooth);
        EXPECT_EQ(fs->GetSprite(0)->IsSorting(), !smooth);
        EXPECT_EQ(fs->GetSprite(0)->GetCapacity(), 64u);
        ExpectInkInsideRecords(fs, list);
        KestraFontSprite2D::Release(fs);
    }
    // The log brackets the texture and sprite steps and counts the sheets.
    EXPECT_NE(Log().find("} : SHEET COUNT [ 1 ] : "), std::string::npos);
}

TEST_F(FontAtlas, SheetSidesFollowTheListLengthAndRepeatsAreStoredOnce) {
    CFontSprite2D* one = Build("A", 14);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetSheetWidth(), 16u);
    EXPECT_EQ(one->GetSheetHeight(), 16u);
    EXPECT_EQ(one->GetGlyphCount(), 1u);
    KestraFontSprite2D::Release(one);

    std::string kanji;  // 300 level-1 kanji from 0x889F on
    for (int i = 0; kanji.size() < 600; ++i) {
        const int lead = 0x88 + i / 188, t = i % 188;
        int trail = t < 63 ? 0x40 + t : 0x80 + (t - 63);
        if (lead == 0x88 && trail < 0x9F) continue;
        kanji += static_cast<char>(lead);
        kanji += static_cast<char>(trail);
    }
    CFontSprite2D* many = Build(kanji, 14);
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(many->GetSheetWidth(), 512u);
    EXPECT_EQ(many->GetGlyphCount(), 300u);
    KestraFontSprite2D::Release(many);

    CFontSprite2D* repeated = Build("ABAAB" + Sjis(u8"字字"), 14);
    ASSERT_NE(repeated, nullptr);
    EXPECT_EQ(repeated->GetGlyphCount(), 3u);
    EXPECT_EQ(repeated->FindGlyph('A'), &repeated->GetRecords()[0]);
    EXPECT_EQ(repeated->FindGlyph('B'), &repeated->GetRecords()[1]);
    KestraFontSprite2D::Release(repeated);
}

TEST_F(FontAtlas, CharacterIndexBoundariesMapAsTheFileFormatHasThem) {
    // 0x8140 (index 255), 0xE040 (8126), 0xEEFC (near the end of the third range), 0xFC4B (12840).
    const std::string list = "A\x81\x40\xE0\x40\xEE\xFC\xFC\x4B";
    CFontSprite2D* fs = Build(list, 16);
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(fs->GetGlyphCount(), 5u);
    const uint16_t* map = fs->GetMap();
    EXPECT_EQ(map['A'], 0);
    EXPECT_EQ(map[255], 1);
    EXPECT_EQ(map[8126], 2);
    EXPECT_EQ(map[0xEEFC - 0xC082], 3);
    EXPECT_EQ(map[12840], 4);
    // 0xFF shares the full-width space's index; 0x9FFF shares 0xE040's.
    EXPECT_EQ(fs->FindGlyph(0xFF), fs->FindGlyph(0x8140));
    EXPECT_EQ(fs->FindGlyph(0x9FFF), fs->FindGlyph(0xE040));
    EXPECT_EQ(fs->FindGlyph(0xFC4F), nullptr);
    uint32_t left = 0, width = 0, right = 0;
    EXPECT_TRUE(fs->GetCharMetrics("\xFC\x4B", &left, &width, &right));
    EXPECT_EQ(width, fs->GetRecords()[4].width);
    KestraFontSprite2D::Release(fs);
}

TEST_F(FontAtlas, ACellEndingExactlyAtTheSheetEdgeGoesToTheNextRow) {
    // Search lists of distinct ASCII characters for one whose last glyph would end
    // exactly at the sheet width, laid out by the same rule the atlas uses.
    std::mt19937 rng(7);
    for (int size = 8; size <= 20; ++size) {
        CFont* font = MakeFont(size);
        ASSERT_NE(font, nullptr);
        font->BeginDraw(0);
        int widths[128] = {};
        for (int c = 0x21; c < 0x7F; ++c) {
            ABC abc{};
            font->GetCharWidth(static_cast<uint16_t>(c), &abc);
            widths[c] = static_cast<int>(abc.abcB) + 2;
        }
        font->EndDraw();
        KestraFont::Release(font);
        std::string chars;
        for (int c = 0x21; c < 0x7F; ++c) chars += static_cast<char>(c);
        for (int trial = 0; trial < 3000; ++trial) {
            std::shuffle(chars.begin(), chars.end(), rng);
            const size_t n = 2 + rng() % 40;
            const std::string list = chars.substr(0, n);
            const uint64_t cell = size + 2, area = n * cell * cell;
            uint32_t side = 1;
            while (uint64_t(side) * side < area) side <<= 1;
            int pen = 0;
            for (size_t i = 0; i + 1 < n; ++i) pen += widths[uint8_t(list[i])];
            if (pen >= static_cast<int>(side) || pen + widths[uint8_t(list[n - 1])] != static_cast<int>(side))
                continue;
            // The first n - 1 fit row 0 (each strictly inside), the last would end on the edge.
            CFontSprite2D* fs = Build(list, size);
            ASSERT_NE(fs, nullptr);
            const KestraLfd::GlyphRecord* last = fs->FindGlyph(uint8_t(list[n - 1]));
            ASSERT_NE(last, nullptr);
            EXPECT_EQ(last->x1, 0);
            EXPECT_EQ(last->y1, cell);
            EXPECT_EQ(fs->FindGlyph(uint8_t(list[n - 2]))->y1, 0);
            KestraFontSprite2D::Release(fs);
            return;
        }
    }
    GTEST_SKIP() << "no list ends exactly on the sheet edge with this face";
}

TEST_F(FontAtlas, AnAtlasNeedingA32ndSheetFailsAndKeepsNothingAlive) {
    // 32 x 32 sheets at size 14 hold two rows of about two kanji each. The
    // device reads its limits when it starts.
    FinishDevice();
    SetMaxTexture(32);
    StartFonts(d3d9test::Backend::Null);
    CFont* font = MakeFont(14);
    ASSERT_NE(font, nullptr);
    std::string kanji;
    for (int trail = 0x9F; trail <= 0xFC; ++trail) kanji += std::string{'\x88', static_cast<char>(trail)};
    for (int trail = 0x40; trail <= 0x7E; ++trail) kanji += std::string{'\x89', static_cast<char>(trail)};
    CFontSprite2DManager* manager = KestraFontSprite2D::GetManager();
    ASSERT_NE(manager, nullptr);
    CFontSprite2D atlasOnly(nullptr);
    EXPECT_FALSE(atlasOnly.CreateAtlas(kanji.c_str(), font, 1));
    EXPECT_EQ(atlasOnly.GetSheetCount(), 31u);
    EXPECT_GT(atlasOnly.GetGlyphCount(), 31u);
    EXPECT_EQ(KestraFontSprite2D::Create(kanji.c_str(), 16, font, 0, 1), nullptr);
    // A glyph taller than any sheet fails at once instead of filling sheets.
    CFont* large = MakeFont(40);
    ASSERT_NE(large, nullptr);
    CFontSprite2D narrow(nullptr);
    EXPECT_FALSE(narrow.CreateAtlas("A", large, 1));
    EXPECT_EQ(narrow.GetSheetCount(), 1u);
    KestraFont::Release(large);
    KestraFont::Release(font);
}

TEST_F(FontAtlas, RebuildAndRecreateKeepTheFontHeldOnce) {
    CFont* font = MakeFont(16);
    ASSERT_NE(font, nullptr);
    CFontSprite2D* fs = KestraFontSprite2D::Create("AB", 64, font, 0, 1);
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(font->GetRefCount(), 2);
    ASSERT_TRUE(fs->Recreate(("XYZ" + Sjis(u8"字")).c_str(), 32));
    EXPECT_EQ(font->GetRefCount(), 2);
    EXPECT_EQ(fs->GetGlyphCount(), 4u);
    EXPECT_EQ(fs->FindGlyph('A'), nullptr);
    EXPECT_NE(fs->GetSprite(0), nullptr);
    EXPECT_EQ(fs->GetSprite(1), nullptr);
    EXPECT_EQ(fs->GetSprite(CFontSprite2D::kMaxSheets), nullptr);
    EXPECT_EQ(fs->GetSheet(CFontSprite2D::kMaxSheets), nullptr);
    EXPECT_EQ(KestraSprite2D::GetManager()->GetCount(), 1u) << "the old sheets' sprites went";
    ASSERT_TRUE(fs->Create("AB", 64, font, 0, 1));
    EXPECT_EQ(KestraSprite2D::GetManager()->GetCount(), 1u) << "a second create keeps one sprite a sheet";
    KestraFontSprite2D::Release(fs);
    EXPECT_EQ(font->GetRefCount(), 1);
    // An atlas read from a file has no font to rebuild from.
    Put("f.lfd", LfdBytes(16, 1, 16, 16, {{'A', 0}}, {"s"}, {{0, 0, 8, 0, 0, 0, 8, 16}}));
    CFontSprite2D* file = KestraFontSprite2D::CreateFromFile("f.lfd", nullptr, 0, 16, 0, 14);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->Rebuild("B"));
    EXPECT_FALSE(file->Recreate("B", 16));
    ASSERT_TRUE(file->CreateFromFile("f.lfd", nullptr, 16, 0, 14));
    EXPECT_EQ(KestraSprite2D::GetManager()->GetCount(), 1u);
    KestraFontSprite2D::Release(file);
    KestraFont::Release(font);
}

}  // namespace
