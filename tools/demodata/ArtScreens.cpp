// The screens' pictures: what their painters share, and the painter of each
// picture by its kind.
#include "tools/demodata/ArtScreens.h"

#include <algorithm>
#include <vector>

namespace demodata {

namespace screenart {

namespace {

const std::vector<std::string>& DigitTexts() {
    static const std::vector<std::string> digits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    return digits;
}

// The part of a cell that shares no column or row with another group's cell:
// the game's rectangles touch in places, and what is painted there shows in
// both pictures.
Box Own(const ImageAsset& a, const Cell& cell) {
    Box b = cell.box;
    for (const Cell& o : a.cells) {
        if (o.group == cell.group || o.borrowed) continue;
        const int x0 = std::max(b.x, o.box.x), x1 = std::min(b.x + b.w, o.box.x + o.box.w);
        const int y0 = std::max(b.y, o.box.y), y1 = std::min(b.y + b.h, o.box.y + o.box.h);
        if (x0 >= x1 || y0 >= y1) continue;
        if (x1 - x0 <= y1 - y0) {
            if (o.box.x <= b.x) b.w -= x1 - b.x, b.x = x1;
            else b.w = x0 - b.x;
        } else {
            if (o.box.y <= b.y) b.h -= y1 - b.y, b.y = y1;
            else b.h = y0 - b.y;
        }
    }
    return b;
}

}  // namespace

TextStyle Label(int size, const Color& fill, bool bold) {
    TextStyle s;
    s.size = size;
    s.fill = fill;
    s.fillBottom = Darker(fill, 0.25f);
    s.bold = bold;
    s.outline = Rgb(0x081020, 0.9f);
    s.outlineWidth = size >= 20 ? 3 : (size >= 12 ? 2 : 1);
    return s;
}

const Cell& Get(const ImageAsset& a, const std::string& group, int index) {
    for (const Cell& c : a.cells)
        if (c.group == group && c.index == index) return c;
    return a.cells.front();
}

void NightSky(Canvas& c, const Box& b, const Color& top, const Color& bottom, uint32_t seed) {
    c.SetClip(b);
    c.VerticalGradient(b, top, bottom);
    Random rnd(seed);
    for (int i = 0; i < b.w * b.h / 900; ++i) {
        const float x = float(b.x) + rnd.Range(0, float(b.w)), y = float(b.y) + rnd.Range(0, float(b.h) * 0.8f);
        const float s = rnd.Range(0.4f, 1.4f);
        c.Disc(x, y, s, Rgb(0xFFFFFF, rnd.Range(0.3f, 0.9f)));
    }
    c.ResetClip();
}


TextStyle DigitFace(TextStyle style) {
    style.face = kStepDigits;
    return style;
}

InkFit FitDigits(TextPainter& t, const TextStyle& style, int height, int width) {
    return t.FitInk(DigitTexts(), DigitFace(style), height, width - 2 * style.outlineWidth, kFillWidth);
}

void DigitStrip(Canvas& c, TextPainter& t, const ImageAsset& a, const std::string& group, const TextStyle& style,
                int height, Box area) {
    const Cell* first = nullptr;
    Box own{0, 0, 1 << 16, 1 << 16};
    for (const Cell& cell : a.cells) {
        if (cell.group != group) continue;
        if (!first) first = &cell;
        const Box o = Own(a, cell);
        const int edge = cell.runsOn ? 0 : 1;
        const int x0 = std::max(own.x, o.x - cell.box.x + edge), y0 = std::max(own.y, o.y - cell.box.y + edge);
        own = {x0, y0, std::min(own.x + own.w, o.x + o.w - cell.box.x - edge) - x0,
               std::min(own.y + own.h, o.y + o.h - cell.box.y - edge) - y0};
    }
    if (!first) return;
    if (area.w == 0) area.x = 0, area.w = first->box.w;
    if (area.h == 0) area.y = 0, area.h = first->box.h;
    const int x0 = std::max(area.x, own.x), x1 = std::min(area.x + area.w, own.x + own.w);
    area = {x0, area.y, x1 - x0, area.h};
    const InkFit fit = FitDigits(t, style, height, area.w);
    for (const Cell& cell : a.cells) {
        if (cell.group != group) continue;
        c.SetClip(screen::Moved(own, cell.box.x, cell.box.y));
        const std::string digit = std::to_string(cell.index);
        t.DrawInk(c, digit, screen::Moved(area, cell.box.x, cell.box.y), DigitFace(style),
                  t.FitOne(digit, DigitFace(style), fit, area.w - 2 * style.outlineWidth));
        c.ResetClip();
    }
}

void InkLabel(Canvas& c, TextPainter& t, const std::string& text, const Box& box, const TextStyle& style, int height,
              Align align) {
    t.DrawInk(c, text, box, style, t.FitInk({text}, style, height, box.w), align);
}

void Highlight(Canvas& c, const Box& b, const Color& col, float thick) {
    c.SetClip(b);
    c.RoundFrame(float(b.x), float(b.y), float(b.w), float(b.h), std::min(6.0f, float(b.h) / 2), thick, Lighter(col, 0.35f));
    c.ResetClip();
}

void Plate(Canvas& c, const Box& b, const Color& col) {
    c.RoundRect(float(b.x), float(b.y), float(b.w), float(b.h), float(std::min(b.h, 24)) / 2, col);
}

}  // namespace screenart

void PaintScreens(Canvas& canvas, const ImageAsset& a, TextPainter& text) {
    using namespace screenart;
    switch (a.art) {
        case Art::Title: Title(canvas, a, text); break;
        case Art::Config: Config(canvas, a, text); break;
        case Art::Ranking: Ranking(canvas, a, text); break;
        case Art::NameEntry: NameEntry(canvas, a, text); break;
        case Art::HudSheet: HudSheet(canvas, a, text); break;
        case Art::StageClear: StageClear(canvas, a, text); break;
        case Art::StageTitleBand: StageTitleBand(canvas, a); break;
        case Art::StageTitleLetters: StageTitleLetters(canvas, a, text); break;
        default: break;
    }
}

}  // namespace demodata
