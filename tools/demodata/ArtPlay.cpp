// Play objects: bullets, shots and glows, effects, items and enemies. Warm
// (element 0) and cool (element 1) colours tell the elements apart everywhere.
#include <cmath>
#include <string>

#include "tools/demodata/Art.h"

namespace demodata {

namespace {

constexpr float kPi = 3.14159265f;

float Cx(const Box& b) { return float(b.x) + float(b.w) / 2; }
float Cy(const Box& b) { return float(b.y) + float(b.h) / 2; }
float R(const Box& b) { return float(std::min(b.w, b.h)) / 2; }

// A round bullet: dark rim, element body, white core.
void Orb(Canvas& c, const Box& b, int e, float scale = 1.0f) {
    const float r = R(b) * scale;
    c.Glow(Cx(b), Cy(b), r, WithAlpha(ElementColor(e, 0.6f), 0.6f), 1.5f);
    c.Disc(Cx(b), Cy(b), r * 0.72f, ElementColor(e, 0.45f));
    c.Disc(Cx(b), Cy(b), r * 0.5f, ElementColor(e, 0.8f));
    c.Disc(Cx(b), Cy(b), r * 0.3f, Rgb(0xFFFFFF));
}

// An elongated bullet pointing right (rotation gives the heading), a pixel inside its cell.
void Capsule(Canvas& c, const Box& cell, int e, bool vertical = false) {
    const Box b{cell.x + 1, cell.y + 1, cell.w - 2, cell.h - 2};
    const float w = float(b.w), h = float(b.h);
    const float len = vertical ? h : w, thick = vertical ? w : h;
    const float x0 = vertical ? Cx(b) : float(b.x) + thick / 2, y0 = vertical ? float(b.y) + thick / 2 : Cy(b);
    const float x1 = vertical ? Cx(b) : float(b.x) + len - thick / 2, y1 = vertical ? float(b.y) + len - thick / 2 : Cy(b);
    c.Line(x0, y0, x1, y1, thick * 0.95f, ElementColor(e, 0.4f));
    c.Line(x0, y0, x1, y1, thick * 0.6f, ElementColor(e, 0.75f));
    c.Line(x0, y0, x1, y1, thick * 0.25f, Rgb(0xFFFFFF));
}

void Glow(Canvas& c, const Box& b, int e) {
    c.Glow(Cx(b), Cy(b), R(b), ElementColor(e, 0.7f), 1.6f);
    c.Glow(Cx(b), Cy(b), R(b) * 0.5f, Rgb(0xFFFFFF, 0.9f), 2.0f);
}

void StarShape(Canvas& c, const Box& b, int e, int points = 5) {
    c.Glow(Cx(b), Cy(b), R(b), WithAlpha(ElementColor(e, 0.7f), 0.6f), 2);
    c.Star(Cx(b), Cy(b), R(b) * 0.9f, R(b) * 0.4f, points, 0, ElementColor(e, 0.6f));
    c.Star(Cx(b), Cy(b), R(b) * 0.5f, R(b) * 0.22f, points, 0, Rgb(0xFFFFFF));
}

void Particles(Canvas& c, const ImageAsset& a) {
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        const int e = cell.element;
        const std::string& g = cell.group;
        c.SetClip(b);
        if (g == "b1" || g == "b9" || g == "b3" || g == "b10" || g == "b23" || g == "b21") Orb(c, b, e);
        else if (g == "b2") {
            Orb(c, b, e);
            c.Ring(Cx(b), Cy(b), R(b) * 0.85f, 2, Rgb(0xFFFFFF, 0.8f));
        } else if (g == "b4") {
            Orb(c, b, e);
            c.Ring(Cx(b), Cy(b), R(b) * 0.8f, 3, Lighter(ElementColor(e), 0.6f));
        } else if (g == "b11") {
            c.Ring(Cx(b), Cy(b), R(b) * 0.9f, R(b) * 0.3f, ElementColor(e, 0.55f));
            c.Ring(Cx(b), Cy(b), R(b) * 0.78f, R(b) * 0.1f, Rgb(0xFFFFFF, 0.9f));
        } else if (g == "b5") Capsule(c, b, e);
        else if (g == "b6" || g == "b14") Capsule(c, b, e, true);
        else if (g == "b22" || g == "b55" || g == "e75") Capsule(c, b, e);
        else if (g == "b7") StarShape(c, b, e);
        else if (g == "b8") StarShape(c, b, e, 4);
        else if (g == "b24") {
            c.Polygon({{Cx(b), float(b.y) + 1}, {float(b.x + b.w) - 1, float(b.y + b.h) - 2}, {Cx(b), float(b.y + b.h) - 8},
                       {float(b.x) + 1, float(b.y + b.h) - 2}},
                      ElementColor(e, 0.55f));
            c.Line(Cx(b), float(b.y) + 5, Cx(b), float(b.y + b.h) - 10, 2, Rgb(0xFFFFFF));
        } else if (g == "b15" || g == "b16" || g == "b50" || g == "b51" || g == "b53") Glow(c, b, e);
        else if (g == "b17") {
            // a crescent slash
            std::vector<Point> p;
            for (int i = 0; i <= 20; ++i) {
                const float t = -2.2f + 4.4f * float(i) / 20;
                p.push_back({Cx(b) + std::cos(t) * R(b) * 0.9f, Cy(b) + std::sin(t) * R(b) * 0.9f});
            }
            for (int i = 20; i >= 0; --i) {
                const float t = -2.2f + 4.4f * float(i) / 20;
                p.push_back({Cx(b) - R(b) * 0.25f + std::cos(t) * R(b) * 0.7f, Cy(b) + std::sin(t) * R(b) * 0.75f});
            }
            c.Glow(Cx(b), Cy(b), R(b), WithAlpha(ElementColor(e, 0.7f), 0.4f), 2);
            c.Polygon(p, ElementColor(e, 0.7f));
        } else if (g == "b18") {
            c.Disc(Cx(b), Cy(b), R(b) * 0.95f, WithAlpha(ElementColor(e, 0.7f), 0.35f));
            c.Ring(Cx(b), Cy(b), R(b) * 0.95f, 3, ElementColor(e, 0.8f));
            c.Disc(Cx(b) - R(b) * 0.35f, Cy(b) - R(b) * 0.35f, R(b) * 0.2f, Rgb(0xFFFFFF, 0.8f));
        } else if (g == "shot1") StarShape(c, b, e);
        else if (g == "shot2") {
            c.Polygon({{float(b.x) + 2, Cy(b) - 5}, {float(b.x + b.w) - 2, Cy(b)}, {float(b.x) + 2, Cy(b) + 5}}, ElementColor(e, 0.7f));
            c.Line(float(b.x) + 4, Cy(b), float(b.x + b.w) - 6, Cy(b), 2, Rgb(0xFFFFFF));
        } else if (g == "shot6") {
            for (int i = 0; i < 4; ++i) {
                const float t = float(i) * kPi / 2;
                c.Ellipse(Cx(b) + std::cos(t) * 7, Cy(b) + std::sin(t) * 7, 6, 6, ElementColor(e, 0.6f));
            }
            c.Disc(Cx(b), Cy(b), 5, Rgb(0xFFFFFF));
        } else if (g == "shot7") {
            c.Glow(Cx(b), Cy(b), R(b), ElementColor(e, 0.6f), 1.2f);
            c.Line(float(b.x) + 8, Cy(b), float(b.x + b.w) - 8, Cy(b), 14, WithAlpha(ElementColor(e, 0.8f), 0.9f));
            c.Line(float(b.x) + 12, Cy(b), float(b.x + b.w) - 10, Cy(b), 5, Rgb(0xFFFFFF));
        } else if (g == "shot8") {
            // a knife pointing right
            c.Polygon({{float(b.x) + 4, Cy(b) - 3}, {float(b.x + b.w) - 2, Cy(b)}, {float(b.x) + 4, Cy(b) + 3}}, Rgb(0xE8F0FF));
            c.Line(float(b.x) + 3, Cy(b) - 6, float(b.x) + 3, Cy(b) + 6, 3, ElementColor(e, 0.5f));
        } else if (g == "e62") {
            const float r = R(b) * (0.7f + 0.1f * float(cell.index));
            c.Glow(Cx(b), Cy(b), R(b), WithAlpha(ElementColor(e, 0.6f), 0.6f), 1.2f);
            c.Ring(Cx(b), Cy(b), r, 3, ElementColor(e, 0.8f));
        } else if (g == "e87") {
            c.Ellipse(Cx(b), Cy(b), R(b) * 0.9f, R(b) * 0.7f, ElementColor(e, 0.45f));
            c.Disc(Cx(b) - 10, Cy(b) - 6, 6, Rgb(0xFFFFFF));
            c.Disc(Cx(b) + 10, Cy(b) - 6, 6, Rgb(0xFFFFFF));
            c.Disc(Cx(b) - 9, Cy(b) - 5, 3, Rgb(0x101010));
            c.Disc(Cx(b) + 11, Cy(b) - 5, 3, Rgb(0x101010));
        }
        c.ResetClip();
    }
}

void Effects(Canvas& c, const ImageAsset& a) {
    for (const Cell& cell : a.cells) {
        if (cell.wraps || cell.borrowed) continue;  // reads cell 0 again, or other cells
        const Box& b = cell.box;
        const int e = cell.element;
        const std::string& g = cell.group;
        c.SetClip(b);
        const float t = float(cell.index);
        if (g == "explosion") {
            const float p = t / 7.0f;
            c.GlowAdd(Cx(b), Cy(b), R(b) * (0.4f + 0.6f * p), Rgb(0xFFA040, 1.0f - 0.4f * p), 1.2f);
            c.GlowAdd(Cx(b), Cy(b), R(b) * (0.3f + 0.3f * p), Rgb(0xFFF0C0, 1.0f - 0.4f * p), 1.6f);
            if (p > 0.3f) c.Ring(Cx(b), Cy(b), R(b) * (0.3f + 0.65f * p), 3, Rgb(0xFFD080, 0.8f * (1 - p)));
        } else if (g == "spark" || g == "charge" || g == "sparkle") {
            c.GlowAdd(Cx(b), Cy(b), R(b) - 1, ElementColor(e, 0.75f), 1.3f);
            c.Star(Cx(b), Cy(b), R(b) - 1, R(b) * 0.25f, 4, 0, Rgb(0xFFFFFF, 0.9f));
        } else if (g == "hitflash") {
            const float k = float(cell.index % 6) / 5.0f;
            c.GlowAdd(Cx(b), Cy(b), R(b), ElementColor(e, 0.75f), 1.0f + 2 * k);
            c.Ring(Cx(b), Cy(b), R(b) * (0.4f + 0.5f * k), 2, Rgb(0xFFFFFF, 1 - k));
        } else if (g == "hitspark") {
            for (int i = 0; i < 6; ++i) {
                const float ang = float(i) * kPi / 3;
                c.Line(Cx(b), Cy(b), Cx(b) + std::cos(ang) * (R(b) - 2), Cy(b) + std::sin(ang) * (R(b) - 2), 2, ElementColor(e, 0.8f));
            }
        } else if (g == "chargeflash") {
            c.GlowAdd(Cx(b), Cy(b), R(b), ElementColor(e, 0.6f), 1.0f);
            c.Ring(Cx(b), Cy(b), R(b) * 0.85f, 3, ElementColor(e, 0.8f));
        } else if (g == "burst") {
            c.GlowAdd(Cx(b), Cy(b), R(b), Rgb(0xFFFFFF), 1.0f);
            c.Ring(Cx(b), Cy(b), R(b) * 0.85f, 3, Rgb(0xFFF0D0, 0.8f));
        } else if (g == "debris") {
            c.Polygon({{float(b.x) + 8, float(b.y) + 12}, {float(b.x) + 30, float(b.y) + 6}, {float(b.x) + 34, float(b.y) + 28},
                       {float(b.x) + 14, float(b.y) + 34}},
                      ElementColor(e, 0.7f));
        } else if (g == "shard") {
            c.Star(Cx(b), Cy(b), R(b) * 0.9f, R(b) * 0.3f, 4, 0, Rgb(0xFFFFE0));
        } else if (g == "wisp") {
            const float k = t / 8.0f;
            c.GlowAdd(Cx(b), Cy(b), R(b) * (1 - 0.6f * k), ElementColor(e, 0.7f), 1.5f);
            c.Ring(Cx(b), Cy(b), R(b) * (0.9f - 0.6f * k), 2, WithAlpha(ElementColor(e, 0.9f), 0.7f));
        } else if (g == "ring") {
            c.Ring(Cx(b), Cy(b), R(b) - 2, 8, ElementColor(e, 0.7f));
            c.Ring(Cx(b), Cy(b), R(b) - 5, 2, Rgb(0xFFFFFF));
        } else if (g == "pickup") {
            const float k = t / 8.0f;
            c.GlowAdd(Cx(b), Cy(b), R(b) * (0.5f + 0.5f * k), ElementColor(e, 0.75f), 1.5f);
            c.Star(Cx(b), Cy(b), R(b) * (0.4f + 0.5f * k), R(b) * 0.12f, 4, k, Rgb(0xFFFFFF, 1 - k * 0.8f));
        } else if (g == "bigflash") {
            const float k = t / 8.0f;
            c.GlowAdd(Cx(b), Cy(b), R(b) * (0.5f + 0.5f * k), Rgb(0xFFFFFF, 1 - k * 0.7f), 1.2f);
            c.Star(Cx(b), Cy(b), R(b) * 0.95f, R(b) * 0.2f, 8, k, Rgb(0xFFF8E0, 0.8f - 0.6f * k));
        }
        c.ResetClip();
    }
}

void Items(Canvas& c, const ImageAsset& a) {
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        const int e = cell.element;
        c.SetClip(b);
        if (cell.group == "gem" || cell.group == "small_gem") {
            const float cx = Cx(b), cy = Cy(b), w = float(b.w) / 2 - 2, h = float(b.h) / 2 - 2;
            c.Glow(cx, cy, R(b) + 4, WithAlpha(ElementColor(e, 0.7f), 0.5f));
            c.Polygon({{cx, cy - h}, {cx + w, cy - h * 0.2f}, {cx, cy + h}, {cx - w, cy - h * 0.2f}}, ElementColor(e, 0.45f));
            c.Polygon({{cx, cy - h}, {cx + w * 0.5f, cy - h * 0.2f}, {cx, cy + h * 0.4f}, {cx - w * 0.5f, cy - h * 0.2f}}, ElementColor(e, 0.8f));
            c.Disc(cx - w * 0.3f, cy - h * 0.45f, 2.5f, Rgb(0xFFFFFF));
        } else if (cell.group == "box") {
            c.RoundRect(float(b.x) + 3, float(b.y) + 6, float(b.w) - 6, float(b.h) - 9, 5, ElementColor(e, 0.3f));
            c.RoundFrame(float(b.x) + 3, float(b.y) + 6, float(b.w) - 6, float(b.h) - 9, 5, 3, ElementColor(e, 0.55f));
            c.Fill({b.x + 3, b.y + 22, b.w - 6, 4}, ElementColor(e, 0.55f));
            c.Disc(Cx(b), float(b.y) + 28, 5, Rgb(0xFFD860));
        } else if (cell.group == "life") {
            const float cx = Cx(b), cy = Cy(b);
            c.Disc(cx - 12, cy - 6, 15, Rgb(0xFF4070));
            c.Disc(cx + 12, cy - 6, 15, Rgb(0xFF4070));
            c.Polygon({{cx - 26, cy}, {cx + 26, cy}, {cx, cy + 26}}, Rgb(0xFF4070));
            c.Disc(cx - 16, cy - 11, 4, Rgb(0xFFFFFF, 0.8f));
        } else if (cell.group == "oneup") {
            c.Disc(Cx(b), Cy(b), 28, Rgb(0x30C060));
            c.Ring(Cx(b), Cy(b), 28, 3, Rgb(0xE0FFE0));
        }
        c.ResetClip();
    }
}

// A little creature: round body, eyes, wings or feet, in the element's colour.
void Critter(Canvas& c, const Box& b, int e, int frame, int kind) {
    const float cx = Cx(b), cy = Cy(b), r = R(b) * 0.8f;
    const Color body = e < 0 ? Rgb(0x908070) : ElementColor(e, 0.5f);
    const float flap = std::sin(float(frame) * kPi / 2) * r * 0.3f;
    switch (kind % 4) {
        case 0:  // winged, the wing tips a pixel inside the box
            c.Ellipse(cx - r * 0.7f, cy - flap, r * 0.4f, r * 0.3f, Lighter(body, 0.5f));
            c.Ellipse(cx + r * 0.7f, cy - flap, r * 0.4f, r * 0.3f, Lighter(body, 0.5f));
            break;
        case 1:  // spiky
            c.Star(cx, cy, r * 1.15f, r * 0.7f, 8, float(frame) * 0.2f, Darker(body, 0.3f));
            break;
        case 2:  // mechanical
            c.RoundRect(cx - r, cy - r * 0.7f, r * 2, r * 1.4f, r * 0.3f, Darker(body, 0.35f));
            break;
        default:
            c.Ring(cx, cy, r * 1.05f, r * 0.15f, Lighter(body, 0.4f));
            break;
    }
    c.Disc(cx, cy, r * 0.75f, body);
    c.Disc(cx - r * 0.25f, cy - r * 0.3f, r * 0.2f, Lighter(body, 0.6f));
    c.Disc(cx - r * 0.28f, cy + r * 0.05f, r * 0.16f, Rgb(0xFFFFFF));
    c.Disc(cx + r * 0.28f, cy + r * 0.05f, r * 0.16f, Rgb(0xFFFFFF));
    c.Disc(cx - r * 0.26f, cy + r * 0.08f, r * 0.08f, Rgb(0x101010));
    c.Disc(cx + r * 0.30f, cy + r * 0.08f, r * 0.08f, Rgb(0x101010));
}

void CommonEnemies(Canvas& c, const ImageAsset& a) {
    for (const Cell& cell : a.cells) {
        c.SetClip(cell.box);
        if (cell.group == "round") Critter(c, cell.box, cell.element, cell.index, 3);
        else {
            static const Look kGoblin = {"imp", "", "", 0x503020, 0x406030, 0xE0C060, 0x101010, 0, 0, true};
            Look l = kGoblin;
            l.dress = cell.element == 0 ? 0xC04020 : 0x2050C0;
            l.hair = cell.group == "standing" ? 0x403060 : 0x603010;
            DrawFigure(c, cell.box, l, 0, cell.index);
        }
        c.ResetClip();
    }
}

void EnemySheet(Canvas& c, const ImageAsset& a) {
    const int stage = a.variant;
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        const std::string& g = cell.group;
        const int e = cell.element;
        const Color body = e < 0 ? Rgb(stage == 6 ? 0x8040A0 : 0x8A7A6A) : ElementColor(e, 0.5f);
        c.SetClip(b);
        if (g == "walker" || g == "walker2") {
            // a long flyer with a trail behind it, head towards its heading
            const int dir = cell.index / 10;
            const bool horizontal = dir < 2;
            const float len = float(horizontal ? b.w : b.h), th = float(horizontal ? b.h : b.w);
            const bool headFirst = dir == 1 || dir == 3;  // head at the left or top end
            for (int i = 0; i < 4; ++i) {
                const float k = float(i) / 4;
                const float along = headFirst ? 0.8f - 0.6f * k : 0.2f + 0.6f * k;
                const float px = horizontal ? float(b.x) + len * along : Cx(b);
                const float py = horizontal ? Cy(b) : float(b.y) + len * along;
                c.Disc(px, py, th * (0.15f + 0.2f * k), WithAlpha(Lighter(body, 0.4f), 0.3f + 0.5f * k));
            }
            const int s = int(th);
            Box head = horizontal ? Box{headFirst ? b.x + 4 : b.x + b.w - s - 4, b.y, s, s}
                                  : Box{b.x, headFirst ? b.y + 4 : b.y + b.h - s - 4, s, s};
            Critter(c, head, e, cell.index % 10, g == "walker" ? 0 : 1);
        } else if (g == "figure" || g == "tall" || g == "hopper") {
            static const Look kSoldier = {"soldier", "", "", 0x604020, 0x404040, 0xE0C060, 0x101010, 5, 0, false};
            Look l = kSoldier;
            l.dress = e == 0 ? 0xC04020 : 0x2050C0;
            l.hairStyle = g == "figure" ? 5 : (g == "tall" ? 1 : 4);
            l.hair = g == "figure" ? 0x9098A8 : (stage == 4 ? 0xF0A0C0 : 0x503060);
            DrawFigure(c, b, l, cell.box.x % 90 >= 45 ? 2 : 1, cell.index);
        } else if (g == "shrinkring") {
            // Drawn twice its radius square, so the cell's rim is the line that hurts; the inside stays
            // clear (the ring closes over the field), and stars on the rim show it turning.
            const float r = R(b);
            c.Ring(Cx(b), Cy(b), r - 1.5f, 7.0f, Rgb(0xFF60C0, 0.22f));
            c.Ring(Cx(b), Cy(b), r - 0.5f, 2.0f, Rgb(0xFFE0F4, 0.95f));
            for (int i = 0; i < 8; ++i) {
                const float a = float(i) * 0.785398f;
                c.Star(Cx(b) + (r - 1.5f) * std::cos(a), Cy(b) + (r - 1.5f) * std::sin(a), 4.0f, 1.6f, 4, a,
                       Rgb(0xFFFFFF, 0.9f));
            }
        } else if (g == "large" || g == "guardian") {
            Critter(c, b, e < 0 ? (stage % 2) : e, cell.index, 1);
            c.Ring(Cx(b), Cy(b), R(b) - 3, 3, WithAlpha(Lighter(body, 0.5f), 0.8f));
        } else if (g == "wall" || g == "block") {
            c.RoundRect(float(b.x) + 4, float(b.y) + 4, float(b.w) - 8, float(b.h) - 8, 8, Rgb(0x6A6A78));
            c.RoundFrame(float(b.x) + 4, float(b.y) + 4, float(b.w) - 8, float(b.h) - 8, 8, 4, Rgb(0x303038));
            for (int i = 1; i < 4; ++i) c.Line(float(b.x) + 8, float(b.y) + float(b.h) * float(i) / 4, float(b.x + b.w) - 8,
                                                 float(b.y) + float(b.h) * float(i) / 4, 2, Rgb(0x404048));
        } else if (g == "field") {
            c.Glow(Cx(b), Cy(b), R(b), Rgb(0xA0E0FF, 0.6f), 1.0f);
            c.Polygon({{float(b.x) + 30, Cy(b) - 20}, {float(b.x) + 100, Cy(b) - 20}, {float(b.x) + 100, Cy(b) - 45},
                       {float(b.x) + 140, Cy(b)}, {float(b.x) + 100, Cy(b) + 45}, {float(b.x) + 100, Cy(b) + 20},
                       {float(b.x) + 30, Cy(b) + 20}},
                      Rgb(0xFFFFFF, 0.9f));
        } else if (g == "barrel" || g == "missile") {
            c.Disc(Cx(b), Cy(b), R(b) * 0.75f, Darker(body, 0.2f));
            c.Line(Cx(b), Cy(b), Cx(b), float(b.y) + 2 + R(b) * 0.225f, R(b) * 0.45f, Rgb(0x505058));
            c.Disc(Cx(b), Cy(b), R(b) * 0.35f, Lighter(body, 0.4f));
        } else if (g == "core" || g == "crystal" || g == "reflector" || g == "gem") {
            const float r = R(b) * 0.9f;
            const Color col = e < 0 ? Rgb(0xB070FF) : ElementColor(e, 0.6f);
            c.Glow(Cx(b), Cy(b), R(b), WithAlpha(col, 0.5f));
            c.Polygon({{Cx(b), Cy(b) - r}, {Cx(b) + r * 0.6f, Cy(b)}, {Cx(b), Cy(b) + r}, {Cx(b) - r * 0.6f, Cy(b)}}, col);
            c.Polygon({{Cx(b), Cy(b) - r}, {Cx(b) + r * 0.25f, Cy(b)}, {Cx(b), Cy(b) + r * 0.5f}, {Cx(b) - r * 0.25f, Cy(b)}},
                      Lighter(col, 0.6f));
        } else if (g == "satellite") {
            c.RoundRect(float(b.x) + 6, float(b.y) + 6, 28, 28, 4, Rgb(0x707080));
        } else if (g == "shard") {
            c.Polygon({{float(b.x) + 2, Cy(b)}, {Cx(b), float(b.y) + 2}, {float(b.x + b.w) - 2, Cy(b)}, {Cx(b), float(b.y + b.h) - 2}},
                      ElementColor(e, 0.6f));
        } else if (g == "disc" || g == "ball" || g == "bouncer" || g == "spinner" || g == "mine") {
            c.Disc(Cx(b), Cy(b), R(b) * 0.85f, Darker(body, 0.1f));
            for (int i = 0; i < 6; ++i) {
                const float ang = float(i) * kPi / 3;
                c.Line(Cx(b), Cy(b), Cx(b) + std::cos(ang) * R(b) * 0.8f, Cy(b) + std::sin(ang) * R(b) * 0.8f, 2,
                       Lighter(body, 0.4f));
            }
            c.Disc(Cx(b), Cy(b), R(b) * 0.3f, Rgb(0xFFFFFF));
        } else if (g == "warning") {
            c.Fill(b, Rgb(0xFF2020, 0.35f));
            for (int i = 0; i < 12; ++i)
                c.Polygon({{float(b.x) + float(i) * 30, float(b.y + b.h)}, {float(b.x) + float(i) * 30 + 15, float(b.y + b.h)},
                           {float(b.x) + float(i) * 30 + 45, float(b.y)}, {float(b.x) + float(i) * 30 + 30, float(b.y)}},
                          Rgb(0xFFD020, 0.5f));
        } else if (g == "beam") {
            c.Fill(b, WithAlpha(ElementColor(e, 0.6f), 0.6f));
            c.Fill({b.x, b.y + b.h / 2 - 16, b.w, 32}, Rgb(0xFFFFFF, 0.9f));
        } else if (g == "ship") {
            // It flies down the screen: the nose at the bottom, the exhaust drawn above the body.
            const float x0 = float(b.x), y0 = float(b.y), x1 = float(b.x + b.w), y1 = float(b.y + b.h);
            if (b.w == 60) {
                c.Polygon({{Cx(b), y1 - 3}, {x1 - 3, y0 + 14}, {Cx(b), y0 + 24}, {x0 + 3, y0 + 14}}, Darker(body, 0.25f));
                c.Polygon({{Cx(b), y1 - 10}, {x1 - 16, y0 + 18}, {Cx(b), y0 + 4}, {x0 + 16, y0 + 18}}, body);
                c.Line(Cx(b), y0 + 8, Cx(b), y1 - 14, 3, Lighter(body, 0.5f));
                c.Disc(Cx(b), y0 + 42, 7, Rgb(0xC0E8FF));
                c.Disc(Cx(b) - 2, y0 + 40, 2.5f, Rgb(0xFFFFFF));
            } else {
                // three frames of a flickering flame, widest where it leaves the body
                const float len = float(b.h) * (0.7f + 0.12f * float(cell.index));
                const float half = float(b.w) / 2 - 2;
                c.Polygon({{Cx(b), y1 - len}, {Cx(b) + half, y1 - 6}, {Cx(b), y1 - 1}, {Cx(b) - half, y1 - 6}},
                          WithAlpha(ElementColor(e, 0.55f), 0.85f));
                c.Polygon({{Cx(b), y1 - len * 0.6f}, {Cx(b) + half * 0.45f, y1 - 8}, {Cx(b), y1 - 2}, {Cx(b) - half * 0.45f, y1 - 8}},
                          Rgb(0xFFFFFF, 0.9f));
            }
        } else if (g == "wallframe") {
            c.VerticalGradient({b.x + 4, b.y, b.w - 8, b.h}, Rgb(0xC060FF, 0.9f), Rgb(0x602080, 0.9f));
            c.Fill({b.x + 18, b.y + 4, 4, b.h - 8}, Rgb(0xFFFFFF, 0.4f + 0.2f * float(cell.index)));
        } else {
            Critter(c, b, e, cell.index, int(g.size()) + stage);
        }
        c.ResetClip();
    }
}

}  // namespace

void PaintPlay(Canvas& canvas, const ImageAsset& a, TextPainter&) {
    switch (a.art) {
        case Art::Particles: Particles(canvas, a); break;
        case Art::Effects: Effects(canvas, a); break;
        case Art::Items: Items(canvas, a); break;
        case Art::CommonEnemies: CommonEnemies(canvas, a); break;
        case Art::EnemySheet: EnemySheet(canvas, a); break;
        default: break;
    }
}

}  // namespace demodata
