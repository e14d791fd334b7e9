#include "engine/graphics/CFont.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"

namespace {

MAT2 Identity() {
    MAT2 m{};
    m.eM11.value = 1;
    m.eM22.value = 1;
    return m;
}

// Grey level (0..64) to alpha: 0, then 4g - 1 (3, 7, ... 255).
inline uint32_t GreyAlpha(uint8_t g) {
    if (g > 64) g = 64;
    return g ? 4u * g - 1u : 0u;
}

inline bool MonoBit(const uint8_t* row, int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

template <class Pixel, class Fn>
void ForEachPixel(const CFont::LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                  const RECT& srcRect, Fn&& fn) {
    const int32_t w = dst.right - dst.left, h = dst.bottom - dst.top;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = src + size_t(srcRect.top + y) * srcPitch;
        auto* out = reinterpret_cast<Pixel*>(static_cast<uint8_t*>(t.bits) + ptrdiff_t(dst.top + y) * t.pitch) +
                    dst.left;
        for (int32_t x = 0; x < w; ++x) fn(out[x], row, srcRect.left + x);
    }
}

bool IsSmoothFormat(D3DFORMAT f) {
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_A4R4G4B4 || f == D3DFMT_X4R4G4B4;
}

}  // namespace

CFont::CFont(CDeviceObjectManager* manager) : CDeviceObject(manager) {}

CFont::~CFont() {
    Kestra::LogRed("CFont Destruct");
    Kestra::LogNewLine();
    if (drawing_) EndDraw();
    if (font_) DeleteObject(font_);
    font_ = nullptr;
    if (work_) Kestra::MemoryFree(work_);
    work_ = nullptr;
    if (target_) target_->Release();
    target_ = nullptr;
}

bool CFont::Create(const char* face, int32_t size, int32_t italic, uint8_t bold) {
    Kestra::LogPrint(" : フォントバッファ用メモリ確保 : ");
    if (work_) Kestra::MemoryFree(work_);
    work_ = nullptr;
    workSize_ = 0;
    if (size > 0 && size <= kMaxSize) {
        const uint32_t bytes = uint32_t(size) * uint32_t(size) * 4;
        work_ = static_cast<uint8_t*>(Kestra::MemoryAlloc(bytes));
        if (work_) workSize_ = bytes;
    }
    if (!work_) {
        Kestra::LogRed("フォントバッファ用メモリの確保に失敗");
        return false;
    }
    if (font_) DeleteObject(font_);
    font_ = CreateFontA(size, 0, 0, 0, bold ? 1000 : 0, static_cast<uint8_t>(italic), FALSE, FALSE, SHIFTJIS_CHARSET,
                        OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, face ? face : "");
    size_ = static_cast<uint32_t>(size);
    Kestra::LogPrint("FONT FACE [ %s ] : FONT SIZE [ %u ] : ", face ? face : "", size_);
    // Without a font nothing can be measured or drawn: say so rather than succeed.
    if (!font_) {
        Kestra::LogRed("フォントの生成に失敗");
        return false;
    }
    return true;
}

uint32_t CFont::GetGlyphBitmap(HDC dc, uint16_t code, GLYPHMETRICS* out, void* buffer, uint8_t smooth) {
    GLYPHMETRICS local{};
    GLYPHMETRICS* gm = out ? out : &local;
    *gm = GLYPHMETRICS{};
    const MAT2 m = Identity();
    const UINT format = smooth ? GGO_GRAY8_BITMAP : GGO_BITMAP;
    const DWORD size = GetGlyphOutlineA(dc, code, format, gm, 0, nullptr, &m);
    if (size == GDI_ERROR) {
        *gm = GLYPHMETRICS{};
        return 0;
    }
    // A bitmap larger than the work buffer is skipped, never written past it.
    if (size == 0 || !buffer || size > workSize_) return 0;
    const DWORD written = GetGlyphOutlineA(dc, code, format, gm, size, buffer, &m);
    return written == GDI_ERROR ? 0 : written;
}

bool CFont::Lock(void** bits, int32_t* pitch, D3DFORMAT* format, uint32_t* width, uint32_t* height) {
    if (target_) return target_->Lock(nullptr, bits, pitch, width, height, format);
    return Kestra3D::LockBackBuffer(bits, pitch, format, width, height);
}

void CFont::Unlock() {
    if (target_) {
        target_->Unlock();
        if (upload_) target_->UpdateTexture();
        return;
    }
    Kestra3D::UnlockBackBuffer();
}

bool CFont::LockTarget(LockedTarget* t) {
    *t = LockedTarget{};
    if (!Lock(&t->bits, &t->pitch, &t->format, &t->width, &t->height)) return false;
    if (!t->bits) {
        Unlock();
        return false;
    }
    return true;
}

void CFont::WriteMonoA1R5G5B5(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                              const RECT& srcRect, uint32_t c) {
    const uint16_t v = static_cast<uint16_t>(0x8000 | (((c >> 16 & 0xFF) >> 3) << 10) | (((c >> 8 & 0xFF) >> 3) << 5) |
                                             ((c & 0xFF) >> 3));
    ForEachPixel<uint16_t>(t, dst, src, srcPitch, srcRect, [v](uint16_t& p, const uint8_t* row, int32_t x) {
        if (MonoBit(row, x)) p = v;
    });
}

void CFont::WriteMonoR5G6B5(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                            const RECT& srcRect, uint32_t c) {
    const uint16_t v =
        static_cast<uint16_t>(((c >> 16 & 0xF8) << 8) | (((c >> 8 & 0xFF) >> 2) << 5) | ((c & 0xFF) >> 3));
    ForEachPixel<uint16_t>(t, dst, src, srcPitch, srcRect, [v](uint16_t& p, const uint8_t* row, int32_t x) {
        if (MonoBit(row, x)) p = v;
    });
}

void CFont::WriteMonoA4R4G4B4(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                              const RECT& srcRect, uint32_t c) {
    const uint16_t v = static_cast<uint16_t>(0xF000 | (((c >> 16 & 0xFF) >> 4) << 8) | (((c >> 8 & 0xFF) >> 4) << 4) |
                                             ((c & 0xFF) >> 4));
    ForEachPixel<uint16_t>(t, dst, src, srcPitch, srcRect, [v](uint16_t& p, const uint8_t* row, int32_t x) {
        if (MonoBit(row, x)) p = v;
    });
}

void CFont::WriteMonoA8R8G8B8(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                              const RECT& srcRect, uint32_t c) {
    const uint32_t v = c | 0xFF000000u;
    ForEachPixel<uint32_t>(t, dst, src, srcPitch, srcRect, [v](uint32_t& p, const uint8_t* row, int32_t x) {
        if (MonoBit(row, x)) p = v;
    });
}

void CFont::WriteGreyA4R4G4B4(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                              const RECT& srcRect, uint32_t c) {
    const uint16_t rgb =
        static_cast<uint16_t>((((c >> 16 & 0xFF) >> 4) << 8) | (((c >> 8 & 0xFF) >> 4) << 4) | ((c & 0xFF) >> 4));
    ForEachPixel<uint16_t>(t, dst, src, srcPitch, srcRect, [rgb](uint16_t& p, const uint8_t* row, int32_t x) {
        p = static_cast<uint16_t>(((GreyAlpha(row[x]) & 0xF0) << 8) | rgb);
    });
}

void CFont::WriteGreyA8R8G8B8(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                              const RECT& srcRect, uint32_t c) {
    const uint32_t rgb = c & 0x00FFFFFFu;
    ForEachPixel<uint32_t>(t, dst, src, srcPitch, srcRect, [rgb](uint32_t& p, const uint8_t* row, int32_t x) {
        p = (GreyAlpha(row[x]) << 24) | rgb;
    });
}

bool CFont::Clip(RECT* dst, RECT* src, uint32_t width, uint32_t height) {
    const LONG w = static_cast<LONG>(std::min<uint32_t>(width, 0x7FFFFFFF));
    const LONG h = static_cast<LONG>(std::min<uint32_t>(height, 0x7FFFFFFF));
    if (dst->left < 0) {
        src->left -= dst->left;
        dst->left = 0;
    }
    if (dst->right > w) {
        src->right -= dst->right - w;
        dst->right = w;
    }
    if (dst->top < 0) {
        src->top -= dst->top;
        dst->top = 0;
    }
    if (dst->bottom > h) {
        src->bottom -= dst->bottom - h;
        dst->bottom = h;
    }
    return dst->right >= dst->left && dst->bottom >= dst->top;
}

void CFont::SetTarget(CTexture* target) {
    if (target) target->AddRef();
    if (target_) target_->Release();
    target_ = target;
}

void CFont::RenderGlyph(const LockedTarget& t, int32_t x, int32_t y, uint32_t color, uint16_t code, bool smooth) {
    GLYPHMETRICS gm{};
    const uint32_t bytes = GetGlyphBitmap(dc_, code, &gm, work_, smooth ? 1 : 0);
    // Empty glyphs (spaces) have no bitmap and nothing to divide the size by.
    if (bytes == 0 || gm.gmBlackBoxX == 0 || gm.gmBlackBoxY == 0) return;
    const uint32_t pitch = (bytes / gm.gmBlackBoxY) & ~3u;
    const uint64_t rowBits = smooth ? uint64_t(gm.gmBlackBoxX) * 8 : gm.gmBlackBoxX;
    if (uint64_t(pitch) * 8 < rowBits || uint64_t(pitch) * gm.gmBlackBoxY > bytes) return;
    RECT dst{x, y + metrics_.tmAscent - gm.gmptGlyphOrigin.y, 0, 0};
    dst.right = dst.left + static_cast<LONG>(gm.gmBlackBoxX);
    dst.bottom = dst.top + static_cast<LONG>(gm.gmBlackBoxY);
    RECT src{0, 0, static_cast<LONG>(gm.gmBlackBoxX), static_cast<LONG>(gm.gmBlackBoxY)};
    if (!Clip(&dst, &src, t.width, t.height)) return;
    if (smooth) {
        switch (t.format) {
            case D3DFMT_A8R8G8B8:
            case D3DFMT_X8R8G8B8: WriteGreyA8R8G8B8(t, dst, work_, pitch, src, color); break;
            case D3DFMT_A4R4G4B4:
            case D3DFMT_X4R4G4B4: WriteGreyA4R4G4B4(t, dst, work_, pitch, src, color); break;
            default: break;
        }
        return;
    }
    switch (t.format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: WriteMonoA8R8G8B8(t, dst, work_, pitch, src, color); break;
        case D3DFMT_R5G6B5: WriteMonoR5G6B5(t, dst, work_, pitch, src, color); break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: WriteMonoA1R5G5B5(t, dst, work_, pitch, src, color); break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: WriteMonoA4R4G4B4(t, dst, work_, pitch, src, color); break;
        default: break;
    }
}

void CFont::DrawChar(int32_t x, int32_t y, uint32_t color, uint16_t code) {
    LockedTarget t;
    if (!LockTarget(&t)) return;
    RenderGlyph(t, x, y, color, code, false);
    Unlock();
}

void CFont::DrawCharSmooth(int32_t x, int32_t y, uint32_t color, uint16_t code) {
    if (!smoothCapable_) {
        DrawChar(x, y, color, code);
        return;
    }
    LockedTarget t;
    if (!LockTarget(&t)) return;
    RenderGlyph(t, x, y, color, code, true);
    Unlock();
}

int32_t CFont::RunText(int32_t x, int32_t y, uint32_t color, const char* text, bool proportional, bool smooth) {
    if (smooth && !smoothCapable_) smooth = false;
    LockedTarget t;
    if (!LockTarget(&t)) return 0;
    const int32_t h = metrics_.tmHeight;
    int32_t penX = x, penY = y;
    const MAT2 m = Identity();
    for (const char* p = text ? text : ""; *p;) {
        uint16_t code = 0;
        p += Kestra::GetChar(p, &code);
        ABC abc{};
        if (!GetCharABCWidthsA(dc_, code, code, &abc)) abc = ABC{};
        GLYPHMETRICS gm{};
        if (GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &m) == GDI_ERROR) gm = GLYPHMETRICS{};
        const int32_t a = abc.abcA;
        const int32_t b = static_cast<int32_t>(std::max<UINT>(abc.abcB, gm.gmBlackBoxX));
        if (code == '\n' || code == '\r') {
            penX = x;
            penY += h;
        } else if (code == '\t') {
            penX += proportional ? 4 * h : a + 4 * h;
        } else if (code == '\b' && proportional) {
            penX -= h;
        } else if (code == ' ') {
            penX += proportional ? h / 2 : a + h / 2;
        } else if (code == 0x8140) {
            penX += proportional ? h : a + h;
        } else if (proportional) {
            RenderGlyph(t, penX, penY, color, code, smooth);
            penX += b;
        } else {
            RenderGlyph(t, penX + a, penY, color, code, smooth);
            penX += code < 256 ? h / 2 : h;
        }
    }
    Unlock();
    return penX - x;
}

int32_t CFont::DrawText(int32_t x, int32_t y, uint32_t color, const char* text) {
    return RunText(x, y, color, text, false, false);
}

int32_t CFont::DrawTextSmooth(int32_t x, int32_t y, uint32_t color, const char* text) {
    return RunText(x, y, color, text, false, true);
}

int32_t CFont::DrawTextProportional(int32_t x, int32_t y, uint32_t color, const char* text) {
    return RunText(x, y, color, text, true, false);
}

int32_t CFont::DrawTextProportionalSmooth(int32_t x, int32_t y, uint32_t color, const char* text) {
    return RunText(x, y, color, text, true, true);
}

uint32_t CFont::GetCharWidth(uint16_t code, ABC* out) {
    ABC abc{};
    if (!GetCharABCWidthsA(dc_, code, code, &abc)) abc = ABC{};
    GLYPHMETRICS gm{};
    const MAT2 m = Identity();
    if (GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &m) == GDI_ERROR) gm = GLYPHMETRICS{};
    if (out) {
        out->abcA = abc.abcA;
        out->abcB = std::max<UINT>(abc.abcB, gm.gmBlackBoxX);
        out->abcC = abc.abcC;
    }
    return gm.gmBlackBoxX;
}

void CFont::BeginDraw(uint8_t upload) {
    // A second begin without an end would lose the first context.
    if (drawing_) EndDraw();
    drawing_ = 1;
    HWND window = GetFocusWindow();
    dc_ = GetDC(window);
    // A device without a real window (the font builder's) measures on the screen's context.
    if (!dc_ && window) {
        window = nullptr;
        dc_ = GetDC(nullptr);
    }
    dcWindow_ = window;
    previous_ = dc_ && font_ ? SelectObject(dc_, font_) : nullptr;
    metrics_ = TEXTMETRICA{};
    if (dc_ && !GetTextMetricsA(dc_, &metrics_)) metrics_ = TEXTMETRICA{};
    upload_ = upload;
    smoothCapable_ = 0;
    if (target_ && IsSmoothFormat(target_->GetFormat())) smoothCapable_ = 1;
}

void CFont::EndDraw() {
    if (!drawing_) return;
    drawing_ = 0;
    if (dc_) {
        if (previous_) SelectObject(dc_, previous_);
        ReleaseDC(dcWindow_, dc_);
    }
    dc_ = nullptr;
    previous_ = nullptr;
    dcWindow_ = nullptr;
}

int32_t CFont::GetTextWidth(const char* format, ...) {
    char text[kTextBufferSize];
    text[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof(text), format, args);
        va_end(args);
    }
    const int32_t h = metrics_.tmHeight;
    int32_t x = 0;
    for (const char* p = text; *p;) {
        uint16_t code = 0;
        p += Kestra::GetChar(p, &code);
        ABC abc{};
        const int32_t bb = static_cast<int32_t>(GetCharWidth(code, &abc));
        const int32_t a = abc.abcA;
        if (code == '\n' || code == '\r') x = 0;
        else if (code == '\t') x += a + 4 * h;
        else if (code == '\b') x += a - h;
        else if (code == ' ') x += a + h / 2;
        else if (code == 0x8140) x += a + h;
        else x += a + std::max<int32_t>(static_cast<int32_t>(abc.abcB), bb) + abc.abcC;
    }
    return x;
}

uint32_t CFont::GetSize() { return size_; }

// ---- CFontManager

CFontManager::~CFontManager() {
    for (int32_t i = 0; i <= top_ && i < kStackCapacity; ++i) {
        if (stack_[i]) {
            stack_[i]->EndDraw();
            stack_[i]->Release();
        }
        stack_[i] = nullptr;
    }
    top_ = -1;
}

CFont* CFontManager::Create(const char* face, int32_t size, int32_t italic, uint8_t bold) {
    CFont* font = new (std::nothrow) CFont(this);
    if (!font) return nullptr;
    Kestra::LogBlue("CFont::Create");
    Kestra::LogPrint(" : ");
    const bool ok = font->Create(face, size, italic, bold);
    if (ok) Kestra::LogGreen("Success!");
    else Kestra::LogRed("Failed!");
    Kestra::LogNewLine();
    if (ok) return font;
    font->Release();
    return nullptr;
}

void CFontManager::Push(CFont* font, uint8_t upload) {
    if (!font || top_ + 1 >= kStackCapacity) return;
    stack_[++top_] = font;
    font->AddRef();
    font->BeginDraw(upload);
}

void CFontManager::Pop() {
    if (top_ < 0) return;
    CFont* font = stack_[top_];
    stack_[top_] = nullptr;
    --top_;
    if (font) {
        font->EndDraw();
        font->Release();
    }
}

void CFontManager::DrawChar(int32_t x, int32_t y, uint32_t color, uint16_t code) {
    if (CFont* f = Top()) f->DrawChar(x, y, color, code);
}

void CFontManager::DrawCharSmooth(int32_t x, int32_t y, uint32_t color, uint16_t code) {
    if (CFont* f = Top()) f->DrawCharSmooth(x, y, color, code);
}

int32_t CFontManager::DrawText(int32_t x, int32_t y, uint32_t color, const char* text) {
    CFont* f = Top();
    return f ? f->DrawText(x, y, color, text) : 0;
}

int32_t CFontManager::DrawTextSmooth(int32_t x, int32_t y, uint32_t color, const char* text) {
    CFont* f = Top();
    return f ? f->DrawTextSmooth(x, y, color, text) : 0;
}

int32_t CFontManager::DrawTextProportional(int32_t x, int32_t y, uint32_t color, const char* text) {
    CFont* f = Top();
    return f ? f->DrawTextProportional(x, y, color, text) : 0;
}

int32_t CFontManager::DrawTextProportionalSmooth(int32_t x, int32_t y, uint32_t color, const char* text) {
    CFont* f = Top();
    return f ? f->DrawTextProportionalSmooth(x, y, color, text) : 0;
}
