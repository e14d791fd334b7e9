// Sheets of people: player and boss figures, portraits, cut-ins, circles,
// balloons, name cards and endings.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/demodata/Art.h"
#include "tools/demodata/Layout.h"

namespace demodata {

namespace {

constexpr float kPi = 3.14159265f;

void CharacterSheet(Canvas& c, const ImageAsset& a) {
    const Look& look = LookOf(a.subject);
    for (const Cell& cell : a.cells) {
        const int row = cell.index / 8, inv = (cell.index / 4) % 2, k = cell.index % 4;
        DrawFigure(c, cell.box, look, k, row, 1.0f);
        if (inv) {
            // invincible: the figure turned pale and ringed with sparkles
            const Box& b = cell.box;
            for (int y = b.y; y < b.y + b.h; ++y)
                for (int x = b.x; x < b.x + b.w; ++x) {
                    const uint32_t p = c.Get(x, y);
                    if ((p >> 24) == 0) continue;
                    const uint32_t r = ((p >> 16) & 255), g = ((p >> 8) & 255), bl = p & 255;
                    auto pale = [](uint32_t v) { return (v + 2 * 255) / 3; };
                    c.Set(x, y, (p & 0xFF000000u) | (pale(r) << 16) | (pale(g) << 8) | pale(bl));
                }
            c.SetClip(b);
            for (int i = 0; i < 4; ++i) {
                const float t = float(i) * 1.5708f + float(row) * 0.4f;
                c.Star(float(b.x) + float(b.w) / 2 + std::cos(t) * float(b.w) * 0.38f, float(b.y) + float(b.h) * 0.45f + std::sin(t) * float(b.h) * 0.36f,
                       4, 1.5f, 4, 0, Rgb(0xFFF080));
            }
            c.ResetClip();
        }
    }
}

void BossSheet(Canvas& c, const ImageAsset& a) {
    for (const Cell& cell : a.cells) {
        if (cell.group == "shield") {
            const Color col = cell.index == 2 ? Rgb(0xE0E0F0) : ElementColor(cell.index, 0.55f);
            c.SetClip(cell.box);
            const float cx = float(cell.box.x) + 90, cy = float(cell.box.y) + 90;
            c.Glow(cx, cy, 88, WithAlpha(col, 0.5f), 1.3f);
            c.Polygon({{cx, cy - 70}, {cx + 58, cy - 50}, {cx + 50, cy + 20}, {cx, cy + 72}, {cx - 50, cy + 20}, {cx - 58, cy - 50}},
                      WithAlpha(Darker(col, 0.2f), 0.8f));
            c.Star(cx, cy, 30, 13, 5, 0, Lighter(col, 0.6f));
            c.Ring(cx, cy, 86, 3, Lighter(col, 0.3f));
            c.ResetClip();
            continue;
        }
        std::string who = a.subject;
        if (who == "momonono") who = cell.group == "body" ? "momo" : "nono";
        if (who == "paletcopic") who = cell.group == "body" ? "palet" : "copic";
        const Look& look = LookOf(who);
        Box box = cell.box;
        // a gentle bob between frames
        const int bob = int(std::lround(std::sin(float(cell.index) * kPi / 2) * 2));
        box.y += bob;
        c.SetClip(cell.box);
        const float cx = float(cell.box.x) + float(cell.box.w) / 2;
        c.Glow(cx, float(cell.box.y) + float(cell.box.h) * 0.55f, float(cell.box.w) * 0.5f, Rgb(look.dress, 0.35f), 1.5f);
        c.ResetClip();
        // Figures keep the 2:3 shape of the player cells, centred, bobbing within the cell.
        const int fw = std::min(cell.box.w, cell.box.h * 2 / 3);
        const Box fig{cell.box.x + (cell.box.w - fw) / 2, box.y + 2, fw, cell.box.h - 5};
        c.SetClip(cell.box);
        DrawFigure(c, fig, look, 0, cell.index, 1.0f);
        if (a.subject == "deena") {
            // a cape
            c.Polygon({{cx - 22, float(cell.box.y) + 40}, {cx + 22, float(cell.box.y) + 40}, {cx + 40 + float(bob) * 2, float(cell.box.y) + 88},
                       {cx - 40 - float(bob) * 2, float(cell.box.y) + 88}},
                      Rgb(0x600018, 0.55f));
        }
        c.ResetClip();
    }
}

// The bust's shoulders fade out over this many rows, clear on the cell's last.
constexpr int kPortraitFade = 24;

void Portrait(Canvas& c, const ImageAsset& a) {
    const Look& look = LookOf(a.subject);
    const bool facingLeft = a.variant == 1;
    for (const Cell& cell : a.cells) {
        c.SetClip(cell.box);
        const float cx = float(cell.box.x) + 80, cy = float(cell.box.y) + 72;
        DrawBust(c, cx, cy, 42, look, cell.index, facingLeft);
        c.ResetClip();
        const int last = cell.box.y + cell.box.h - 1;
        for (int y = last - kPortraitFade; y <= last; ++y) {
            const float t = float(last - y) / float(kPortraitFade), keep = t * t * (3 - 2 * t);
            for (int x = cell.box.x; x < cell.box.x + cell.box.w; ++x) {
                const uint32_t argb = c.Get(x, y);
                const uint32_t alpha = uint32_t(float(argb >> 24) * keep + 0.5f);
                c.Set(x, y, alpha ? (alpha << 24) | (argb & 0xFFFFFFu) : 0);
            }
        }
    }
}

// The cut-in's band at rest: the game draws the picture over the whole screen
// from x -220 (a boss's, whose gauge ends at y 45) or -240 (a player's), after
// the game's display (from y 380). The band keeps between the two; the names
// stand inside the screen at either offset, on a dark strip.
const std::vector<Point>& CutInBand() {
    static const std::vector<Point> band = {{220, 56}, {1024, 50}, {1024, 368}, {120, 372}};
    return band;
}
constexpr int kCutInNameX = 260, kCutInStripTop = 280;

void CutIn(Canvas& c, const ImageAsset& a, TextPainter& text) {
    // Transparent at the left: the sampler wraps the window's right end onto it.
    const std::string s = a.subject;
    std::vector<std::string> who;
    if (s == "mono") who = {"momo", "nono"};
    else if (s == "paco") who = {"palet", "copic"};
    else who = {s};
    const Look& first = LookOf(who[0]);
    const std::vector<Point>& band = CutInBand();
    const Color tone = Rgb(first.dress);
    c.SetClip({120, 0, 904, 480});
    c.Polygon(band, WithAlpha(Darker(tone, 0.6f), 0.86f));
    c.SetClip({120, int(band[1].y), 904, int(band[3].y - band[1].y)});
    for (int i = 0; i < 14; ++i) {
        const float x = 200 + float(i) * 62;
        c.Line(x, 470, x + 120, 10, 6, WithAlpha(Lighter(tone, 0.4f), 0.14f));
    }
    // The busts above the strip, their cut hidden by it.
    c.SetClip({120, int(band[1].y), 904, kCutInStripTop - int(band[1].y)});
    for (size_t i = 0; i < who.size(); ++i) {
        const Look& l = LookOf(who[i]);
        // Two busts close enough that the right one's hat ends inside the
        // screen at either offset.
        const float cx = who.size() == 1 ? 720.0f : 565.0f + 195.0f * float(i);
        c.Glow(cx, 190, 190, Rgb(l.hair, 0.3f), 1.4f);
        DrawBust(c, cx, 175, who.size() == 1 ? 86.0f : 66.0f, l, 0, i == 1);
    }
    c.SetClip({120, 0, 904, 480});
    c.Polygon({{float(kCutInNameX) - 30, float(kCutInStripTop)}, {1024, float(kCutInStripTop) - 2}, {1024, 366}, {float(kCutInNameX) - 50, 370}},
              Rgb(0x06060E, 0.72f));
    c.Line(band[0].x, band[0].y, band[1].x, band[1].y, 5, Lighter(tone, 0.6f));
    c.Line(band[3].x, band[3].y - 2, band[2].x, band[2].y - 2, 5, Lighter(tone, 0.6f));
    std::string name = first.name;
    if (who.size() == 2) name = std::string(first.name) + "＆" + LookOf(who[1]).name;
    TextStyle style;
    style.size = 48;
    style.bold = true;
    style.fill = Rgb(0xFFFFFF);
    style.outline = Rgb(0x000000, 0.8f);
    style.outlineWidth = 3;
    TextStyle small = style;
    small.size = 24;
    small.fill = Lighter(tone, 0.7f);
    small.outlineWidth = 2;
    std::string roman = first.roman;
    if (who.size() == 2) roman += std::string(" & ") + LookOf(who[1]).roman;
    text.Draw(c, "- " + roman + " -", kCutInNameX, kCutInStripTop + 4, small);
    text.Draw(c, name, kCutInNameX, kCutInStripTop + 30, style);
    c.ResetClip();
}

void CutInFlash(Canvas& c) {
    c.SetClip({120, 0, 904, 480});
    c.Polygon(CutInBand(), Rgb(0xFFFFFF, 0.35f));
    c.SetClip({120, int(CutInBand()[1].y), 904, int(CutInBand()[3].y - CutInBand()[1].y)});
    for (int i = 0; i < 10; ++i) {
        const float x = 180 + float(i) * 90;
        c.Line(x, 470, x + 140, 10, 18, Rgb(0xFFFFFF, 0.45f));
    }
    c.Glow(700, 210, 300, Rgb(0xFFFFFF, 0.8f), 2.0f);
    c.ResetClip();
}

void Circles(Canvas& c, const ImageAsset& a) {
    int seed = 0;
    for (char ch : a.subject) seed += ch;
    for (const Cell& cell : a.cells) {
        c.SetClip(cell.box);
        DrawMagicCircle(c, cell.box, ElementColor(cell.element, 0.6f), seed + (a.art == Art::BigCircle ? 3 : 0));
        c.ResetClip();
    }
    if (a.art == Art::BigCircle) {
        c.SetClip(a.cells[0].box);
        DrawMagicCircle(c, {84, 84, 280, 280}, Rgb(0xD040FF), seed + 1);
        c.ResetClip();
    }
}

// A balloon's body on the screen (its outline's outer edge): three rows of
// seventeen characters written from the side's text position, 16 px above and
// below them and 14 px before them, the 2-px outline right after the last
// character (for the upper balloon, its picture's edge). The tail runs from
// there to the picture's edge on the portrait's side.
Box BalloonBody(int side) {
    using namespace screen;
    const layout::Spot text = side == 0 ? layout::kUpperText : layout::kLowerText;
    const int tx = text.x, ty = text.y;
    const int right = tx + kTalkRowChars * kTextFontSize + 2;
    return {tx - 14, ty - 16, right - (tx - 14), kTalkRows * kTextFontSize + 32};
}

void Balloons(Canvas& c) {
    using namespace screen;
    for (int r = 0; r < 3; ++r)
        for (int side = 0; side < 2; ++side) {
            const Box cell = layout::BalloonCell(side, r);
            const Box body = Under(cell, side == 0 ? layout::kUpperBalloon : layout::kLowerBalloon, BalloonBody(side));
            c.SetClip(cell);
            const float x = float(body.x), y = float(body.y), w = float(body.w), h = float(body.h);
            if (r == 2) {
                // the narrator's plain box
                c.RoundRect(x, y, w, h, 5, Rgb(0xC8D8FF));
                c.RoundRect(x + 2, y + 2, w - 4, h - 4, 4, Rgb(0x14203C, 0.9f));
            } else {
                // Dark, for the white text; the tail points out to the speaker's portrait.
                const Color fill = r == 0 ? Rgb(0x182848, 0.92f) : Rgb(0x3A2410, 0.92f);
                const Color edge = r == 0 ? Rgb(0xC8D8FF) : Rgb(0xFFC070);
                const float radius = r == 0 ? 14.0f : 9.0f;
                const float cx = float(cell.x), cy = y + h * 0.4f;
                const std::vector<Point> tail =
                    side == 0 ? std::vector<Point>{{cx, cy - 6}, {x + 2, cy - 12}, {x + 2, cy + 14}}
                              : std::vector<Point>{{cx + 440, cy + 8}, {x + w - 2, cy - 10}, {x + w - 2, cy + 14}};
                const std::vector<Point> inner =
                    side == 0 ? std::vector<Point>{{cx + 5, cy - 4}, {x + 4, cy - 9}, {x + 4, cy + 11}}
                              : std::vector<Point>{{cx + 435, cy + 7}, {x + w - 4, cy - 7}, {x + w - 4, cy + 11}};
                c.Polygon(tail, edge);
                c.RoundRect(x, y, w, h, radius, edge);
                c.RoundRect(x + 2, y + 2, w - 4, h - 4, radius - 2, fill);
                c.Polygon(inner, fill);
            }
            c.ResetClip();
        }
}

void NameCards(Canvas& c, const ImageAsset& a, TextPainter& text) {
    using namespace screen;
    static const char* const kOrder[] = {"yuri", "crow", "cheska", "osero", "kohaku", "shamyu", "fururu",
                                         "still", "momo", "nono", "palet", "copic", "deena"};
    for (const Cell& cell : a.cells) {
        const Look& l = LookOf(kOrder[cell.index]);
        // The card's band 3 px clear of what the window shows above it: the
        // upper balloon and portrait for cards 0 and 1, the lower balloon for the
        // others, which also keep 4 px left of the lower portrait.
        // Both cards' bands start 4 px below their balloons: the upper card's
        // right of the upper portrait, the lower card's left of the lower one.
        const bool upper = cell.index < 2;
        const Box at = layout::NameCard(cell.index).screen;
        const Box above = upper ? BalloonBody(0) : BalloonBody(1);
        const int clear = above.y + above.h + 4;
        const int left = upper ? layout::kUpperPortrait.x + layout::kUpperPortrait.w + 4 : at.x + 4;
        const int right = upper ? at.x + at.w - 4 : layout::kLowerPortrait.x - 4;
        const Box band = Under(cell.box, at, {left, clear, right - left, at.y + at.h - 4 - clear});
        c.SetClip(cell.box);
        const float x = float(band.x), y = float(band.y), w = float(band.w), h = float(band.h);
        c.Polygon({{x + 8, y}, {x + w, y}, {x + w - 14, y + h}, {x, y + h}}, Rgb(0x101018, 0.92f));
        c.Polygon({{x + 8, y}, {x + 34, y}, {x + 20, y + h}, {x, y + h}}, Rgb(l.hair));
        c.Line(x + 40, y + h - 5, x + w - 24, y + h - 5, 2, Rgb(l.dress));
        TextStyle st;
        st.size = std::min(34, int(h) - 20);
        st.bold = true;
        st.outline = Darker(Rgb(l.dress), 0.6f);
        st.outlineWidth = 2;
        text.Draw(c, l.name, int(x) + 48, int(y) + 5, st);
        TextStyle sm;
        sm.size = 15;
        sm.fill = Lighter(Rgb(l.hair), 0.75f);
        sm.outline = Rgb(0x000000);
        sm.outlineWidth = 1;
        const int w2 = text.Measure(l.roman, sm);
        text.Draw(c, l.roman, int(x + w) - 28 - w2, int(y + h) - 26, sm);
        c.ResetClip();
    }
}

// The picture stands behind an epilogue, then alone while it fades to the
// closing colour. The talk window covers most of it (portraits at 20..180 x
// 50..210 and 460..620 x 290..450, balloons at 186..610 x 84..188 and 36..470 x
// 304..408, translucent when dimmed), so the title keeps to the strip above
// the window, the sun and the cast to the band between the balloons, and what
// lies under the balloons stays plain.
void Ending(Canvas& c, const ImageAsset& a, TextPainter& text) {
    const Box pic = layout::kEndingPicture.cell;
    c.SetClip(pic);
    const bool ex = a.subject == "exend";
    const bool yuri = a.subject == "yuri_normalend";
    const Color top = ex ? Rgb(0x203070) : (yuri ? Rgb(0xF08040) : Rgb(0x402060));
    const Color bottom = ex ? Rgb(0xF0B070) : (yuri ? Rgb(0xFFE0A0) : Rgb(0xE090B0));
    c.VerticalGradient(pic, top, bottom);
    c.Glow(570, 262, 110, Rgb(0xFFF0C0, 0.45f));
    c.Disc(570, 262, 30, Rgb(0xFFF0C0, 0.9f));
    for (int i = 0; i < 3; ++i) {
        std::vector<Point> hill;
        const float base = 292 + float(i) * 50;
        for (int x = 0; x <= 640; x += 16)
            hill.push_back({float(x), base - 8 * std::sin(float(x) / 90.0f + float(i) * 1.7f)});
        hill.push_back({640, 480});
        hill.push_back({0, 480});
        c.Polygon(hill, Mix(Rgb(0x406030), Rgb(0x203018), float(i) / 2.0f));
    }
    std::vector<std::string> cast = ex ? std::vector<std::string>{"yuri", "crow", "cheska", "osero", "kohaku"}
                                       : (yuri ? std::vector<std::string>{"yuri", "crow", "kohaku"}
                                               : std::vector<std::string>{"cheska", "osero", "kohaku"});
    // Standing on the first hill, heads below the upper balloon.
    const float spacing = 90.0f, left = 320.0f - spacing * float(cast.size()) / 2;
    for (size_t i = 0; i < cast.size(); ++i) {
        const int w = cast[i] == "kohaku" ? 34 : 46;
        const Box fig{int(left + spacing * float(i) + (spacing - float(w)) / 2), 290 - w * 3 / 2, w, w * 3 / 2};
        DrawFigure(c, fig, LookOf(cast[i]), 0, 0);
    }
    TextStyle st;
    st.size = 34;
    st.bold = true;
    st.outline = Rgb(0x202020, 0.8f);
    st.outlineWidth = 3;
    text.DrawCentered(c, ex ? "Extra Clear!" : "Thank you for playing", {0, 4, 640, 42}, st);
    c.ResetClip();
    // The closing colour the ending fades to.
    c.Fill(layout::kEndingClosing.cell, ex ? Rgb(0xFFF4E0) : Rgb(0x000000));
}

}  // namespace

void PaintPeople(Canvas& canvas, const ImageAsset& a, TextPainter& text) {
    switch (a.art) {
        case Art::CharacterSheet: CharacterSheet(canvas, a); break;
        case Art::BossSheet: BossSheet(canvas, a); break;
        case Art::Portrait: Portrait(canvas, a); break;
        case Art::CutIn: CutIn(canvas, a, text); break;
        case Art::CutInFlash: CutInFlash(canvas); break;
        case Art::MagicCircle:
        case Art::BigCircle: Circles(canvas, a); break;
        case Art::Balloons: Balloons(canvas); break;
        case Art::NameCards: NameCards(canvas, a, text); break;
        case Art::Ending: Ending(canvas, a, text); break;
        default: break;
    }
}

}  // namespace demodata
