#include "tools/demodata/TextPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/win32/shift_jis.h"

namespace demodata {

namespace {
constexpr const char kFace[] = "IPAPGothic";
// The fixed-pitch face the game's own fonts are made from ("ＭＳ ゴシック").
constexpr const char kFixedFace[] = "IPAGothic";
}

TextPainter::~TextPainter() {
    for (auto& [key, face] : faces_)
        if (face.font) DeleteObject(static_cast<HGDIOBJ>(face.font));
    if (dc_) DeleteDC(static_cast<HDC>(dc_));
}

bool TextPainter::Open(std::string* error) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) {
        *error = "no device context for fonts";
        return false;
    }
    // A missing face would be stood in for by another without a word.
    const struct {
        const char *face, *found, *package;
    } needed[] = {{kFace, "IPA", "fonts-ipafont-gothic"}, {kStepLetters, kStepLetters, "fonts-dejavu-core"},
                  {kStepDigits, kStepDigits, "fonts-dejavu-core"}};
    for (const auto& n : needed) {
        Face* face = FaceFor(24, true, n.face);
        char name[64] = {};
        if (!face || GetTextFaceA(static_cast<HDC>(dc_), sizeof(name), name) <= 0 || std::strstr(name, n.found) == nullptr) {
            *error = std::string("the font \"") + n.face + "\" is not installed (Debian package " + n.package +
                     "; scripts/deps.sh installs it)";
            return false;
        }
    }
    return true;
}

TextPainter::Face* TextPainter::FaceFor(int size, bool bold, const char* name) {
    auto key = std::make_tuple(size, bold, std::string(name));
    auto it = faces_.find(key);
    if (it == faces_.end()) {
        Face f;
        f.font = CreateFontA(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0,
                             ANTIALIASED_QUALITY, 0, name);
        if (f.font) {
            SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(f.font));
            TEXTMETRICA tm{};
            GetTextMetricsA(static_cast<HDC>(dc_), &tm);
            f.ascent = tm.tmAscent;
            f.height = tm.tmHeight;
        }
        it = faces_.emplace(key, f).first;
    }
    if (!it->second.font) return nullptr;
    SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(it->second.font));
    return &it->second;
}

TextPainter::Mask TextPainter::Render(const std::string& sjis, const TextStyle& style) {
    Mask mask;
    Face* face = FaceFor(style.size, style.bold, style.face ? style.face : (style.fixedPitch ? kFixedFace : kFace));
    if (!face) return mask;
    const int pad = style.outlineWidth + 2;
    struct Glyph {
        int x, y, w, h, pitch;
        std::vector<uint8_t> bits;
    };
    std::vector<Glyph> glyphs;
    int pen = 0;
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (size_t i = 0; i < sjis.size();) {
        const uint8_t c = uint8_t(sjis[i]);
        UINT code = c;
        const bool lead = platform::IsLeadByte(c);
        if (lead && i + 1 < sjis.size()) {
            code = (UINT(c) << 8) | uint8_t(sjis[i + 1]);
            i += 2;
        } else {
            i += 1;
        }
        GLYPHMETRICS gm{};
        const DWORD size = GetGlyphOutlineA(static_cast<HDC>(dc_), code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &identity);
        Glyph g{pen + gm.gmptGlyphOrigin.x, face->ascent - gm.gmptGlyphOrigin.y, int(gm.gmBlackBoxX),
                int(gm.gmBlackBoxY), int((gm.gmBlackBoxX + 3) / 4 * 4), {}};
        if (size != GDI_ERROR && size > 0) {
            g.bits.resize(size);
            GetGlyphOutlineA(static_cast<HDC>(dc_), code, GGO_GRAY8_BITMAP, &gm, size, g.bits.data(), &identity);
            glyphs.push_back(std::move(g));
        }
        pen += gm.gmCellIncX + (style.bold ? 1 : 0);
    }
    mask.width = pen + 2 * pad;
    mask.height = face->height + 2 * pad;
    mask.alpha.assign(size_t(mask.width) * size_t(mask.height), 0.0f);
    for (const Glyph& g : glyphs)
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                const int mx = g.x + x + pad, my = g.y + y + pad;
                if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
                const size_t at = size_t(y) * size_t(g.pitch) + size_t(x);
                if (at >= g.bits.size()) continue;
                float& a = mask.alpha[size_t(my) * size_t(mask.width) + size_t(mx)];
                a = std::min(1.0f, a + float(g.bits[at]) / 64.0f);
            }
    return mask;
}

void TextPainter::Stamp(Canvas& canvas, const Mask& mask, int x, int y, const TextStyle& style) {
    if (canvas.textMode() == TextMode::kLeaveOut) return;
    const int pad = style.outlineWidth + 2;
    x -= pad, y -= pad;
    const int o = style.outlineWidth;
    if (o > 0 && style.outline.a > 0) {
        for (int my = 0; my < mask.height; ++my)
            for (int mx = 0; mx < mask.width; ++mx) {
                float best = 0;
                for (int dy = -o; dy <= o && best < 1; ++dy)
                    for (int dx = -o; dx <= o; ++dx) {
                        const int sx = mx + dx, sy = my + dy;
                        if (sx < 0 || sy < 0 || sx >= mask.width || sy >= mask.height) continue;
                        if (dx * dx + dy * dy > o * o + o) continue;
                        best = std::max(best, mask.alpha[size_t(sy) * size_t(mask.width) + size_t(sx)]);
                    }
                if (best > 0) canvas.Blend(x + mx, y + my, style.outline, best), canvas.MarkText(x + mx, y + my, best);
            }
    }
    for (int my = 0; my < mask.height; ++my) {
        Color fill = style.fill;
        if (style.fillBottom.a > 0) fill = Mix(style.fill, style.fillBottom, float(my) / float(std::max(1, mask.height - 1)));
        for (int mx = 0; mx < mask.width; ++mx) {
            const float a = mask.alpha[size_t(my) * size_t(mask.width) + size_t(mx)];
            if (a > 0) canvas.Blend(x + mx, y + my, fill, a), canvas.MarkText(x + mx, y + my, a);
        }
    }
}

int TextPainter::Measure(const std::string& sjis, const TextStyle& style) {
    std::lock_guard<std::mutex> guard(mutex_);
    const Mask m = Render(sjis, style);
    return m.width - 2 * (style.outlineWidth + 2);
}

int TextPainter::Draw(Canvas& canvas, const std::string& sjis, int x, int y, const TextStyle& style) {
    Mask m;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        m = Render(sjis, style);
    }
    Stamp(canvas, m, x, y, style);
    return m.width - 2 * (style.outlineWidth + 2);
}

void TextPainter::DrawCentered(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style) {
    const int original = style.size;
    int width = Measure(sjis, style);
    while (width + 2 * style.outlineWidth > box.w && style.size > std::max(6, original / 3)) {
        --style.size;
        width = Measure(sjis, style);
    }
    const int x = box.x + (box.w - width) / 2;
    const int y = box.y + (box.h - style.size) / 2 - style.size / 10;
    Draw(canvas, sjis, x, y, style);
}

namespace {

// Bounds of the mask's ink, where coverage reaches a half.
InkBox InkOf(const std::vector<float>& alpha, int width, int height) {
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (alpha[size_t(y) * size_t(width) + size_t(x)] >= 0.5f)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace

InkBox TextPainter::MeasureInk(const std::string& sjis, const TextStyle& style) {
    std::lock_guard<std::mutex> guard(mutex_);
    const Mask m = Render(sjis, style);
    InkBox b = InkOf(m.alpha, m.width, m.height);
    const int pad = style.outlineWidth + 2;
    b.x -= pad, b.y -= pad;
    return b;
}

InkFit TextPainter::FitInk(const std::vector<std::string>& texts, TextStyle style, int height, int width, unsigned flags) {
    // The set's ink on one line: from the highest top to the lowest foot.
    auto line = [&](int size) {
        style.size = size;
        int top = 1 << 16, foot = -(1 << 16);
        for (const std::string& t : texts) {
            const InkBox b = MeasureInk(t, style);
            if (b.h) top = std::min(top, b.y), foot = std::max(foot, b.y + b.h);
        }
        return foot > top ? InkBox{0, top, 0, foot - top} : InkBox{};
    };
    auto tallest = [&](int size) {
        style.size = size;
        int h = 0;
        if (flags & kOneLine) return line(size).h;
        for (const std::string& t : texts) h = std::max(h, MeasureInk(t, style).h);
        return h;
    };
    // Ink grows with the size, a pixel or so a step: the largest size within the height.
    int size = std::max(4, height * 4 / 3);
    while (size > 4 && tallest(size) > height) --size;
    // Text without ink (spaces, nothing) has no height to grow into: keep the guess.
    if (tallest(size) > 0)
        while (tallest(size + 1) <= height) ++size;
    style.size = size;
    int widest = 0;
    for (const std::string& t : texts) widest = std::max(widest, MeasureInk(t, style).w);
    InkFit fit;
    fit.size = size;
    fit.squeeze = widest > width || (widest > 0 && (flags & kFillWidth)) ? float(width) / float(widest) : 1.0f;
    if (flags & kOneLine) fit.line = line(size);
    return fit;
}

InkFit TextPainter::FitOne(const std::string& sjis, TextStyle style, const InkFit& set, int width, float most) {
    style.size = set.size;
    const int w = MeasureInk(sjis, style).w;
    InkFit fit = set;
    // A mark of dots and ticks widened with the letters turns them into bars
    // (a colon reads as "="): it keeps its own shape, narrowed only to fit.
    const bool mark = sjis.size() == 1 && sjis[0] && std::strchr(".,:;!?'\"`", sjis[0]);
    if (w > 0) fit.squeeze = std::min(float(width) / float(w), mark ? 1.0f : set.squeeze * most);
    return fit;
}

void TextPainter::DrawInk(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style, const InkFit& fit,
                          Align align) {
    style.size = fit.size;
    Mask m;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        m = Render(sjis, style);
    }
    const InkBox ink = InkOf(m.alpha, m.width, m.height);
    if (ink.w == 0) return;
    // Cut to the ink's columns and narrow them by area: each output column takes
    // the share of the source columns it covers.
    const int pad = style.outlineWidth + 2;
    const int w = std::max(1, int(std::lround(float(ink.w) * fit.squeeze)));
    const float step = float(ink.w) / float(w);
    Mask out;
    out.width = w + 2 * pad;
    out.height = m.height;
    out.alpha.assign(size_t(out.width) * size_t(out.height), 0.0f);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < w; ++x) {
            const float from = float(ink.x) + float(x) * step, to = from + step;
            float sum = 0;
            for (int sx = int(std::floor(from)); float(sx) < to; ++sx) {
                const float cover = std::min(to, float(sx + 1)) - std::max(from, float(sx));
                if (cover > 0 && sx >= 0 && sx < m.width) sum += cover * m.alpha[size_t(y) * size_t(m.width) + size_t(sx)];
            }
            out.alpha[size_t(y) * size_t(out.width) + size_t(x + pad)] = std::min(1.0f, sum / step);
        }
    const int left = align == Align::kLeft ? box.x : (align == Align::kRight ? box.x + box.w - w : box.x + (box.w - w) / 2);
    const int top = fit.line.h ? box.y + (box.h - fit.line.h) / 2 - fit.line.y : box.y + (box.h - ink.h) / 2 - (ink.y - pad);
    Stamp(canvas, out, left, top, style);
}

void TextPainter::DrawLeft(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style) {
    const int original = style.size;
    while (Measure(sjis, style) + 2 * style.outlineWidth > box.w && style.size > std::max(6, original / 3)) --style.size;
    Draw(canvas, sjis, box.x + style.outlineWidth, box.y + (box.h - style.size) / 2 - style.size / 10, style);
}

}  // namespace demodata
