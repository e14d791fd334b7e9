// Helpers of the GDI tests: a context with a font selected, CP932 codes.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_testing.h"
#include "platform/win32/shift_jis.h"
#include "tests/support/test_support.h"

namespace gditest {

using testsupport::Sjis;

// The code GDI's "A" functions take for the first character of a CP932 text.
inline UINT CodeOf(const std::string& cp932) {
    const auto first = static_cast<unsigned char>(cp932.at(0));
    if (platform::CharBytes(cp932.data(), cp932.size()) == 2)
        return (static_cast<UINT>(first) << 8) | static_cast<unsigned char>(cp932[1]);
    return first;
}

inline std::string BaseName(const std::string& path) {
    char resolved[PATH_MAX];
    std::string real = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    size_t slash = real.rfind('/');
    return slash == std::string::npos ? real : real.substr(slash + 1);
}

// The font CFont creates: fixed pitch, Shift-JIS, proof quality.
inline HFONT CreateEngineFont(int height, const std::string& face, bool bold = false, bool italic = false) {
    return CreateFontA(height, 0, 0, 0, bold ? 1000 : 0, italic ? 1 : 0, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, face.c_str());
}

inline MAT2 Identity() {
    MAT2 m{};
    m.eM11.value = 1;
    m.eM22.value = 1;
    return m;
}

// A screen context with a font selected; everything given back at the end.
class SelectedFont {
public:
    explicit SelectedFont(HFONT font) : font_(font) {
        dc_ = GetDC(nullptr);
        if (dc_ && font_) old_ = SelectObject(dc_, font_);
    }
    ~SelectedFont() {
        if (dc_ && old_) SelectObject(dc_, old_);
        if (dc_) ReleaseDC(nullptr, dc_);
        if (font_) DeleteObject(font_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;
    bool ok() const { return dc_ && font_ && old_; }
    HDC dc() const { return dc_; }
    HFONT font() const { return font_; }
    TEXTMETRICA metrics() const {
        TEXTMETRICA tm{};
        EXPECT_TRUE(GetTextMetricsA(dc_, &tm));
        return tm;
    }

private:
    HFONT font_;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// A glyph bitmap as GDI hands it out.
struct Bitmap {
    GLYPHMETRICS gm{};
    DWORD size = 0;
    std::vector<BYTE> bytes;
    DWORD pitch() const { return gm.gmBlackBoxY ? size / gm.gmBlackBoxY : 0; }
};

inline Bitmap Render(HDC dc, UINT code, UINT format) {
    Bitmap b;
    MAT2 m = Identity();
    b.size = GetGlyphOutlineA(dc, code, format, &b.gm, 0, nullptr, &m);
    EXPECT_NE(b.size, GDI_ERROR) << "code " << std::hex << code;
    if (b.size == GDI_ERROR || b.size == 0) return b;
    b.bytes.assign(b.size, 0xCD);
    GLYPHMETRICS again{};
    EXPECT_EQ(GetGlyphOutlineA(dc, code, format, &again, b.size, b.bytes.data(), &m), b.size);
    return b;
}

}  // namespace gditest
