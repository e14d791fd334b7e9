// Glyph metrics and bitmaps in GDI's layout, rendered by FreeType. Every format
// of one glyph shares one black box (the outline's pixel-aligned bounds), so
// the metrics do not depend on the format asked for.
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi_internal.h"
#include FT_OUTLINE_H
#include FT_BITMAP_H
#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/shift_jis.h"

namespace platform::gdi {

namespace {

constexpr uint32_t kNoCharacter = 0xFFFFFFFFu;

bool IsTrailByte(unsigned c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// CP932 code (one byte, or lead << 8 | trail) to a Unicode code point.
uint32_t DecodeCp932(UINT code) {
    static std::unordered_map<UINT, uint32_t>* cache = new std::unordered_map<UINT, uint32_t>;
    if (code > 0xFFFF) return kNoCharacter;
    auto it = cache->find(code);
    if (it != cache->end()) return it->second;
    std::string in;
    if (code <= 0xFF) {
        if (IsLeadByte(static_cast<unsigned char>(code))) return kNoCharacter;  // a lead byte alone is half a character
        in.push_back(static_cast<char>(code));
    } else {
        if (!IsLeadByte(static_cast<unsigned char>(code >> 8)) || !IsTrailByte(code & 0xFF)) return kNoCharacter;
        in.push_back(static_cast<char>(code >> 8));
        in.push_back(static_cast<char>(code & 0xFF));
    }
    char32_t decoded = 0;
    const uint32_t result = Cp932Character(in, decoded) ? static_cast<uint32_t>(decoded) : kNoCharacter;
    (*cache)[code] = result;
    return result;
}

// A loaded glyph: the outline sits in the face's glyph slot until the next load.
struct Glyph {
    FT_Outline* outline = nullptr;  // null for an empty glyph (a space)
    GLYPHMETRICS metrics{};
};

// The largest black-box side a glyph may have; beyond it the glyph is refused.
constexpr int kMaxSide = 8192;

bool LoadGlyph(Font& font, UINT code, UINT flags, Glyph& glyph) {
    FT_Face face = font.face;
    FT_UInt index;
    if (flags & GGO_GLYPH_INDEX) {
        if (code >= static_cast<UINT>(face->num_glyphs)) return false;
        index = code;
    } else {
        uint32_t codePoint = DecodeCp932(code);
        if (codePoint == kNoCharacter) return false;
        // A character the face lacks shows its default glyph, as in GDI.
        index = FT_Get_Char_Index(face, codePoint);
    }
    FT_Int32 load = FT_LOAD_NO_BITMAP | ((flags & GGO_UNHINTED) ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, load) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    FT_Outline* outline = &slot->outline;
    if (font.slanted) {
        FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees, as simulated italics lean
        FT_Outline_Transform(outline, &shear);
    }
    if (font.emboldened) FT_Outline_EmboldenXY(outline, 64, 0);

    int advance = static_cast<int>((slot->advance.x + 32) >> 6) + (font.emboldened ? 1 : 0);
    glyph.metrics = GLYPHMETRICS{};
    glyph.metrics.gmCellIncX = static_cast<short>(advance);
    glyph.metrics.gmCellIncY = 0;
    if (outline->n_points == 0 || outline->n_contours == 0) {
        // An empty glyph still reports a one-pixel black box at the pen.
        glyph.outline = nullptr;
        glyph.metrics.gmBlackBoxX = 1;
        glyph.metrics.gmBlackBoxY = 1;
        glyph.metrics.gmptGlyphOrigin = POINT{0, 0};
        return true;
    }
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    auto floorPixel = [](FT_Pos v) { return static_cast<long>(v >> 6); };
    auto ceilPixel = [](FT_Pos v) { return static_cast<long>((v + 63) >> 6); };
    long left = floorPixel(box.xMin), right = ceilPixel(box.xMax);
    long bottom = floorPixel(box.yMin), top = ceilPixel(box.yMax);
    if (right <= left) right = left + 1;
    if (top <= bottom) top = bottom + 1;
    if (right - left > kMaxSide || top - bottom > kMaxSide) return false;
    glyph.outline = outline;
    glyph.metrics.gmBlackBoxX = static_cast<UINT>(right - left);
    glyph.metrics.gmBlackBoxY = static_cast<UINT>(top - bottom);
    glyph.metrics.gmptGlyphOrigin = POINT{static_cast<LONG>(left), static_cast<LONG>(top)};
    return true;
}

bool IsIdentity(const MAT2& m) {
    return m.eM11.value == 1 && m.eM11.fract == 0 && m.eM22.value == 1 && m.eM22.fract == 0 &&
           m.eM12.value == 0 && m.eM12.fract == 0 && m.eM21.value == 0 && m.eM21.fract == 0;
}

// Bytes of one bitmap row: rows are padded to whole DWORDs.
DWORD RowBytes(UINT kind, UINT width) {
    if (kind == GGO_BITMAP) return (width + 31) / 32 * 4;
    return (width + 3) / 4 * 4;
}

// Renders the glyph's outline into bytes laid out as GDI's bitmap formats.
bool Render(const Glyph& glyph, UINT kind, BYTE* out, DWORD size) {
    const UINT width = glyph.metrics.gmBlackBoxX;
    const UINT height = glyph.metrics.gmBlackBoxY;
    const DWORD pitch = RowBytes(kind, width);
    std::memset(out, 0, size);
    // Move the black box's bottom-left corner to the bitmap's origin.
    FT_Outline_Translate(glyph.outline, -glyph.metrics.gmptGlyphOrigin.x * 64,
                         -(glyph.metrics.gmptGlyphOrigin.y - static_cast<LONG>(height)) * 64);
    FT_Bitmap target;
    FT_Bitmap_Init(&target);
    target.rows = height;
    target.width = width;
    if (kind == GGO_BITMAP) {
        // The one-bit layout is FreeType's own: most significant bit leftmost.
        target.pitch = static_cast<int>(pitch);
        target.pixel_mode = FT_PIXEL_MODE_MONO;
        target.num_grays = 2;
        target.buffer = out;
        return FT_Outline_Get_Bitmap(Library(), glyph.outline, &target) == 0;
    }
    std::vector<unsigned char> coverage(static_cast<size_t>(width) * height);
    target.pitch = static_cast<int>(width);
    target.pixel_mode = FT_PIXEL_MODE_GRAY;
    target.num_grays = 256;
    target.buffer = coverage.data();
    if (FT_Outline_Get_Bitmap(Library(), glyph.outline, &target) != 0) return false;
    const unsigned levels = kind == GGO_GRAY2_BITMAP ? 4 : kind == GGO_GRAY4_BITMAP ? 16 : 64;
    for (UINT y = 0; y < height; ++y) {
        const unsigned char* src = coverage.data() + static_cast<size_t>(y) * width;
        BYTE* dst = out + static_cast<size_t>(y) * pitch;
        for (UINT x = 0; x < width; ++x) dst[x] = static_cast<BYTE>((src[x] * levels + 127) / 255);
    }
    return true;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

DWORD GetGlyphOutlineA(HDC dc, UINT character, UINT format, LPGLYPHMETRICS metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* matrix) {
    const UINT kind = format & ~static_cast<UINT>(GGO_GLYPH_INDEX | GGO_UNHINTED);
    // Outline formats are not offered, nor transforms other than the identity.
    if (!metrics || !matrix || !IsIdentity(*matrix) ||
        (kind != GGO_METRICS && kind != GGO_BITMAP && kind != GGO_GRAY2_BITMAP && kind != GGO_GRAY4_BITMAP &&
         kind != GGO_GRAY8_BITMAP)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return GDI_ERROR;
    }
    std::lock_guard<std::mutex> guard(Lock());
    Font* font = SelectedFont(dc);
    Glyph glyph;
    if (!font || !LoadGlyph(*font, character, format, glyph)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return GDI_ERROR;
    }
    *metrics = glyph.metrics;
    if (kind == GGO_METRICS || !glyph.outline) return 0;  // an empty glyph has no bitmap bytes
    const DWORD size = RowBytes(kind, glyph.metrics.gmBlackBoxX) * glyph.metrics.gmBlackBoxY;
    if (!buffer || bufferSize == 0) return size;
    if (bufferSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return GDI_ERROR;
    }
    if (!Render(glyph, kind, static_cast<BYTE*>(buffer), size)) return GDI_ERROR;
    return size;
}

BOOL GetCharABCWidthsA(HDC dc, UINT first, UINT last, LPABC widths) {
    if (!widths || first > last) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(Lock());
    Font* font = SelectedFont(dc);
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A range holding a code that is no character is refused before anything is written.
    for (UINT code = first; code <= last; ++code) {
        if (DecodeCp932(code) == kNoCharacter) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (code == last) break;
    }
    for (UINT code = first;; ++code) {
        Glyph glyph;
        if (!LoadGlyph(*font, code, 0, glyph)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        ABC& abc = widths[code - first];
        abc.abcA = glyph.metrics.gmptGlyphOrigin.x;
        abc.abcB = glyph.metrics.gmBlackBoxX;
        abc.abcC = glyph.metrics.gmCellIncX - abc.abcA - static_cast<int>(abc.abcB);
        if (code == last) break;
    }
    return TRUE;
}
