// Logical fonts: the face is found through fontconfig and opened with FreeType.
// The program is a Japanese one, so a Shift-JIS or default character set asks
// for a face that covers Japanese, and the usual Windows Japanese faces are
// substituted by the IPA fonts (the README installs fonts-ipafont-gothic).
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_internal.h"
#include FT_TRUETYPE_TABLES_H
#include "platform/gdi/gdi_testing.h"
#include "platform/win32/cp932.h"
#include "platform/win32/shift_jis.h"
#include "platform/win32/kernel.h"

namespace platform::gdi {

namespace {

// The fontconfig setup faces are matched in: the system's, or a test's folder.
struct Config {
    FcConfig* config = nullptr;
    bool loaded = false;
    std::string folder;
};

Config& Fonts() {
    static Config* config = new Config;
    return *config;
}

FcConfig* CurrentConfig() {
    Config& c = Fonts();
    if (!c.loaded) {
        c.loaded = true;
        if (c.folder.empty()) {
            c.config = FcInitLoadConfigAndFonts();
        } else {
            c.config = FcConfigCreate();
            if (c.config) FcConfigAppFontAddDir(c.config, reinterpret_cast<const FcChar8*>(c.folder.c_str()));
        }
    }
    return c.config;
}

const char* Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Windows' Japanese faces and the installed faces that stand in for them.
struct Substitute {
    const char8_t* face;
    const char* family;
};
const Substitute kSubstitutes[] = {
    {u8"ＭＳ ゴシック", "IPAGothic"},    {u8"MS Gothic", "IPAGothic"},
    {u8"ＭＳ Ｐゴシック", "IPAPGothic"}, {u8"MS PGothic", "IPAPGothic"},
    {u8"MS UI Gothic", "IPAPGothic"},   {u8"ＭＳ 明朝", "IPAMincho"},
    {u8"MS Mincho", "IPAMincho"},       {u8"ＭＳ Ｐ明朝", "IPAPMincho"},
    {u8"MS PMincho", "IPAPMincho"},
};

// Face names compare as GDI's do: ASCII case and spaces do not matter.
std::string FoldName(const std::string& name) {
    std::string folded;
    for (char c : name) {
        if (c == ' ') continue;
        folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded;
}

const char* SubstituteFor(const std::string& faceUtf8) {
    std::string folded = FoldName(faceUtf8);
    for (const Substitute& s : kSubstitutes)
        if (FoldName(Utf8(s.face)) == folded) return s.family;
    return nullptr;
}

const char* GenericFamily(BYTE pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return "serif";
    case FF_SWISS: return "sans-serif";
    case FF_MODERN: return "monospace";
    case FF_SCRIPT: return "cursive";
    case FF_DECORATIVE: return "fantasy";
    default: return (pitchAndFamily & 0x0F) == FIXED_PITCH ? "monospace" : "sans-serif";
    }
}

bool WantsJapanese(const LOGFONTA& lf) { return lf.lfCharSet == SHIFTJIS_CHARSET || lf.lfCharSet == DEFAULT_CHARSET; }

FcPattern* RequestPattern(const LOGFONTA& lf) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    std::string faceUtf8 = platform::Cp932ToUtf8(face);
    if (!faceUtf8.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceUtf8.c_str()));
        if (const char* substitute = SubstituteFor(faceUtf8))
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(substitute));
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(GenericFamily(lf.lfPitchAndFamily)));
    if (WantsJapanese(lf)) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(lf.lfWeight, 1000);
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
    FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if ((lf.lfPitchAndFamily & 0x0F) == FIXED_PITCH) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(CurrentConfig(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// The family name GDI would report: the Japanese one for a Japanese request.
std::string FamilyName(FcPattern* candidate, bool japanese) {
    FcChar8* first = nullptr;
    FcPatternGetString(candidate, FC_FAMILY, 0, &first);
    std::string name = first ? reinterpret_cast<const char*>(first) : "";
    if (japanese) {
        FcChar8* lang = nullptr;
        for (int i = 0; FcPatternGetString(candidate, FC_FAMILYLANG, i, &lang) == FcResultMatch; ++i) {
            FcChar8* family = nullptr;
            if (std::strcmp(reinterpret_cast<const char*>(lang), "ja") == 0 &&
                FcPatternGetString(candidate, FC_FAMILY, i, &family) == FcResultMatch) {
                name = reinterpret_cast<const char*>(family);
                break;
            }
        }
    }
    return platform::Utf8ToCp932(name);
}

int Scale(long units, int ppem, int unitsPerEm) {
    return static_cast<int>(std::lround(static_cast<double>(units) * ppem / unitsPerEm));
}

// Sizes the face and fills the metrics. A positive height is the cell height
// (ascent + descent, the font's Windows metrics); a negative one the em height.
bool SetUpMetrics(Font& font) {
    FT_Face face = font.face;
    const LOGFONTA& lf = font.request;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (os2 && os2->version == 0xFFFF) os2 = nullptr;
    int unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    long winAscent = 0, winDescent = 0;
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    } else if (face->ascender - face->descender > 0) {
        winAscent = face->ascender;
        winDescent = -face->descender;
    } else {
        winAscent = unitsPerEm * 4 / 5;
        winDescent = unitsPerEm - winAscent;
    }
    long cellUnits = winAscent + winDescent;

    // Height 0 asks for the default size; sizes beyond what a glyph bitmap can
    // sensibly hold are capped.
    long height = lf.lfHeight == 0 ? 16 : std::clamp<long>(lf.lfHeight, -4096, 4096);
    if (height > 0) {
        font.ppem = std::max(1, static_cast<int>(std::lround(static_cast<double>(height) * unitsPerEm / cellUnits)));
        font.ascent = static_cast<int>(std::lround(static_cast<double>(height) * winAscent / cellUnits));
        font.descent = static_cast<int>(height) - font.ascent;
    } else {
        font.ppem = static_cast<int>(-height);
        font.ascent = Scale(winAscent, font.ppem, unitsPerEm);
        font.descent = Scale(winDescent, font.ppem, unitsPerEm);
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(font.ppem)) != 0) return false;

    long lineGap = hhea ? hhea->Line_Gap : 0;
    long hheaCell = hhea ? hhea->Ascender - hhea->Descender : cellUnits;
    font.externalLeading = std::max(0, Scale(lineGap - (cellUnits - hheaCell), font.ppem, unitsPerEm));
    font.maxCharWidth = Scale(face->max_advance_width, font.ppem, unitsPerEm);
    font.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? Scale(os2->xAvgCharWidth, font.ppem, unitsPerEm)
                                                      : std::max(1, font.maxCharWidth / 2);

    int faceWeight = os2 && os2->usWeightClass > 0 ? os2->usWeightClass
                                                     : ((face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL);
    int wanted = lf.lfWeight <= 0 ? FW_NORMAL : lf.lfWeight;
    font.emboldened = wanted >= FW_SEMIBOLD && faceWeight < FW_SEMIBOLD;
    font.weight = font.emboldened ? FW_BOLD : faceWeight;
    if (font.emboldened) {
        // Simulated bold widens every glyph by one pixel.
        ++font.aveCharWidth;
        ++font.maxCharWidth;
    }
    font.slanted = lf.lfItalic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

    bool monospaced = FT_IS_FIXED_WIDTH(face) || (os2 && os2->panose[3] == 9);
    font.fixedPitch = monospaced;
    if (monospaced) {
        font.family = FF_MODERN;
    } else if (os2 && os2->panose[0] == 2) {
        // Latin text faces: panose serif styles 11 to 13 are sans serif.
        font.family = (os2->panose[1] >= 11 && os2->panose[1] <= 13) ? FF_SWISS : FF_ROMAN;
    } else {
        font.family = lf.lfPitchAndFamily & 0xF0;
    }
    bool hasJapanese = os2 && (os2->ulCodePageRange1 & (1u << 17));
    font.charSet = WantsJapanese(lf) && hasJapanese ? SHIFTJIS_CHARSET
                   : lf.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET
                                                    : ANSI_CHARSET;
    if (os2) font.firstChar = static_cast<BYTE>(std::min<int>(os2->usFirstCharIndex, 0xFF));
    if (font.firstChar == 0) font.firstChar = 1;
    if (os2 && font.charSet != SHIFTJIS_CHARSET) font.lastChar = static_cast<BYTE>(std::min<int>(os2->usLastCharIndex, 0xFF));
    return true;
}

}  // namespace

bool Resolve(Font& font) {
    FT_Library library = Library();
    FcConfig* config = CurrentConfig();
    if (!library || !config) return false;
    FcPattern* pattern = RequestPattern(font.request);
    if (!pattern) return false;
    FcResult result = FcResultNoMatch;
    FcFontSet* candidates = FcFontSort(config, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    if (!candidates) return false;
    // The best candidate that FreeType opens as a scalable face.
    bool found = false;
    for (int i = 0; i < candidates->nfont && !found; ++i) {
        FcPattern* candidate = candidates->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        FcBool outline = FcFalse;
        if (FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch) continue;
        if (FcPatternGetBool(candidate, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) continue;
        FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0) continue;
        if (!FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            continue;
        }
        font.face = face;
        if (!SetUpMetrics(font)) {
            FT_Done_Face(face);
            font.face = nullptr;
            continue;
        }
        font.file = reinterpret_cast<const char*>(file);
        font.familyName = FamilyName(candidate, WantsJapanese(font.request));
        found = true;
    }
    FcFontSetDestroy(candidates);
    return found;
}

void UseFontFolderForTesting(const std::string& folder) {
    std::lock_guard<std::mutex> guard(Lock());
    Config& c = Fonts();
    if (c.config) FcConfigDestroy(c.config);
    c.config = nullptr;
    c.loaded = false;
    c.folder = folder;
}

std::string FontFileOf(HFONT handle) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Font> font = FindFont(handle);
    return font ? font->file : std::string();
}

}  // namespace platform::gdi

using namespace platform::gdi;

// The face is found when the font is created, not when it is selected: GDI
// would only look at selection time, but a request that no installed font can
// serve is then seen at once. Any installed font serves (GDI too falls back to
// the nearest face), so creation fails only when fontconfig has no usable
// outline font at all.
HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(Lock());
    auto font = std::make_shared<Font>();
    font->request = *logFont;
    font->request.lfFaceName[LF_FACESIZE - 1] = '\0';
    if (!Resolve(*font)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return AddFont(std::move(font));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) {
        // LOGFONT keeps 31 bytes of the name; a double-byte character is not cut in half.
        size_t n = 0;
        while (faceName[n] && n < LF_FACESIZE - 1) {
            const size_t len = platform::CharBytes(faceName + n);
            if (n + len > LF_FACESIZE - 1) break;
            n += len;
        }
        std::memcpy(lf.lfFaceName, faceName, n);
    }
    return CreateFontIndirectA(&lf);
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA tm) {
    std::lock_guard<std::mutex> guard(Lock());
    Font* font = SelectedFont(dc);
    if (!font || !tm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *tm = TEXTMETRICA{};
    tm->tmAscent = font->ascent;
    tm->tmDescent = font->descent;
    tm->tmHeight = font->ascent + font->descent;
    tm->tmInternalLeading = tm->tmHeight - font->ppem;
    tm->tmExternalLeading = font->externalLeading;
    tm->tmAveCharWidth = font->aveCharWidth;
    tm->tmMaxCharWidth = font->maxCharWidth;
    tm->tmWeight = font->weight;
    tm->tmOverhang = 0;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = font->firstChar;
    tm->tmLastChar = font->lastChar;
    tm->tmDefaultChar = static_cast<BYTE>(font->firstChar - 1);
    tm->tmBreakChar = 0x20;
    tm->tmItalic = font->request.lfItalic ? 0xFF : 0;
    tm->tmUnderlined = font->request.lfUnderline ? 0xFF : 0;
    tm->tmStruckOut = font->request.lfStrikeOut ? 0xFF : 0;
    tm->tmPitchAndFamily =
        static_cast<BYTE>(TMPF_TRUETYPE | TMPF_VECTOR | (font->fixedPitch ? 0 : TMPF_FIXED_PITCH) | font->family);
    tm->tmCharSet = font->charSet;
    return TRUE;
}

int GetTextFaceA(HDC dc, int count, LPSTR faceName) {
    std::lock_guard<std::mutex> guard(Lock());
    Font* font = SelectedFont(dc);
    if (!font) return 0;
    int length = static_cast<int>(font->familyName.size());
    if (!faceName) return length + 1;
    if (count <= 0) return 0;
    int copied = std::min(length, count - 1);
    std::memcpy(faceName, font->familyName.data(), static_cast<size_t>(copied));
    faceName[copied] = '\0';
    return copied;
}
