// Characters: figures for the sheets, busts for portraits and cut-ins, magic
// circles, balloons, name cards and the ending pictures.
#include <algorithm>
#include <cmath>

#include "tools/demodata/Art.h"

namespace demodata {

namespace {

constexpr float kPi = 3.14159265f;

const Look kLooks[] = {
    {"yuri", "ユリ", "Yuri", 0xE8502A, 0xD23A30, 0xFFD27A, 0x7A2A10, 2, 7, false},
    {"crow", "クロウ", "Crow", 0x2A2A3A, 0x2E3F7A, 0xC8D4FF, 0x303060, 0, 0, true},
    {"cheska", "チェスカ", "Cheska", 0xF6D66A, 0x6A3AA0, 0xF4E0FF, 0x5A3AA0, 1, 4, false},
    {"osero", "オセロ", "Osero", 0x3A3040, 0x202028, 0xFFFFFF, 0x604080, 4, 6, false},
    {"kohaku", "コハク", "Kohaku", 0xF0A030, 0xF6C060, 0xFFF0C0, 0xA05010, 3, 0, false},
    {"shamyu", "シャミュ", "Shamyu", 0xF08AB0, 0xF6B04A, 0xFFFFFF, 0x308030, 4, 1, false},
    {"fururu", "フルル", "Fururu", 0x9AD88A, 0xF0A0C8, 0xFFFFFF, 0x4A8A40, 1, 5, false},
    {"still", "スティル", "Still", 0xB0B8C8, 0x5A6A88, 0xE0C060, 0x304060, 5, 0, false},
    {"momo", "モモ", "Momo", 0xF07890, 0xF0A0B0, 0xFFFFFF, 0xB03050, 3, 4, false},
    {"nono", "ノノ", "Nono", 0x70C8C0, 0x90D8D0, 0xFFFFFF, 0x207070, 3, 4, false},
    {"palet", "パレット", "Palet", 0xF09040, 0xF0C040, 0x60A0E0, 0x905020, 0, 3, false},
    {"copic", "コピック", "Copic", 0x5080E0, 0x80B0F0, 0xF0C040, 0x203080, 4, 3, false},
    {"deena", "ディーナ", "Deena", 0xC02040, 0x301020, 0xE0B040, 0x800020, 1, 2, false},
};

Color Skin() { return Rgb(0xFCE2CC); }

}  // namespace

const Look& LookOf(const std::string& key) {
    for (const Look& l : kLooks)
        if (key == l.key) return l;
    return kLooks[0];
}

Color ElementColor(int element, float shade) {
    const Color warm = Rgb(0xFF5A1E), cool = Rgb(0x1E8CFF);
    const Color base = element == 1 ? cool : (element == 0 ? warm : Rgb(0xC040FF));
    return shade < 0.5f ? Darker(base, (0.5f - shade) * 1.4f) : Lighter(base, (shade - 0.5f) * 1.6f);
}

void DrawPanel(Canvas& c, const Box& b, const Color& base, float radius, int sheen) {
    const float x = float(b.x) + 1, y = float(b.y) + 1, w = float(b.w) - 2, h = float(b.h) - 2;
    c.RoundRect(x, y, w, h, radius, WithAlpha(Darker(base, 0.55f), 0.88f));
    const Box inner{b.x + 3, b.y + 3, b.w - 6, sheen < 0 ? b.h / 2 : sheen};
    const Box old = c.clip();
    c.SetClip({std::max(old.x, inner.x), std::max(old.y, inner.y), std::min(old.x + old.w, inner.x + inner.w) - std::max(old.x, inner.x),
               std::min(old.y + old.h, inner.y + inner.h) - std::max(old.y, inner.y)});
    c.RoundRect(x + 2, y + 2, w - 4, h - 4, radius - 2, WithAlpha(Lighter(base, 0.3f), 0.18f));
    c.SetClip(old);
    c.RoundFrame(x, y, w, h, radius, 3.0f, Lighter(base, 0.35f));
    c.RoundFrame(x + 4, y + 4, w - 8, h - 8, std::max(2.0f, radius - 4), 1.0f, WithAlpha(Lighter(base, 0.7f), 0.6f));
}

void DrawFigure(Canvas& c, const Box& cell, const Look& L, int facing, int frame, float alpha) {
    const Box old = c.clip();
    c.SetClip(cell);
    const float u = std::min(float(cell.w) / 40.0f, float(cell.h) / 60.0f);
    const float cx = float(cell.x) + float(cell.w) / 2;
    const float bottom = float(cell.y) + float(cell.h) - 2 * u;
    const float step = std::sin(float(frame) * kPi / 2);  // walk: -1..1
    auto col = [&](uint32_t rgb) { return Rgb(rgb, alpha); };
    auto a = [&](Color k) { return WithAlpha(k, k.a * alpha); };
    // shadow, ending above the cell's last row
    c.Ellipse(cx, bottom - 1.5f * u, 11 * u, 1.5f * u, Rgb(0x000000, 0.25f * alpha));
    // legs
    const float hip = bottom - 16 * u;
    const Color legC = a(Darker(Rgb(L.dress), 0.5f));
    if (facing == 0 || facing == 3) {
        c.Line(cx - 4 * u, hip, cx - 4 * u, bottom - 3 * u - std::max(0.0f, step) * 3 * u, 4 * u, legC);
        c.Line(cx + 4 * u, hip, cx + 4 * u, bottom - 3 * u - std::max(0.0f, -step) * 3 * u, 4 * u, legC);
    } else {
        c.Line(cx, hip, cx + step * 6 * u, bottom - 3 * u, 4 * u, legC);
        c.Line(cx, hip, cx - step * 6 * u, bottom - 3 * u, 4 * u, a(Darker(Rgb(L.dress), 0.35f)));
    }
    const float shoulder = bottom - 32 * u;
    const float hr = 9 * u;
    const float hy = shoulder - hr + u;
    if (L.hairStyle == 1 && facing != 3)
        c.RoundRect(cx - hr - u, hy - 2 * u, 2 * hr + 2 * u, hr * 2.4f, 5 * u, WithAlpha(Darker(Rgb(L.hair), 0.12f), alpha));
    // body (dress or coat)
    const float skirt = L.male ? 9 * u : 12 * u;
    std::vector<Point> body = {{cx - 6 * u, shoulder}, {cx + 6 * u, shoulder}, {cx + skirt, hip + 2 * u}, {cx - skirt, hip + 2 * u}};
    c.Polygon(body, col(L.dress));
    c.Line(cx - skirt + u, hip + u, cx + skirt - u, hip + u, 2 * u, col(L.trim));
    if (facing != 3) c.Line(cx, shoulder + u, cx, hip, 1.5f * u, a(WithAlpha(Rgb(L.trim), 0.8f)));
    // arms
    const Color armC = col(L.dress);
    const float swing = step * 4 * u;
    if (facing == 0 || facing == 3) {
        c.Line(cx - 7 * u, shoulder + 2 * u, cx - 10 * u, shoulder + 12 * u + swing, 3.5f * u, armC);
        c.Line(cx + 7 * u, shoulder + 2 * u, cx + 10 * u, shoulder + 12 * u - swing, 3.5f * u, armC);
        c.Disc(cx - 10 * u, shoulder + 13 * u + swing, 2 * u, a(Skin()));
        c.Disc(cx + 10 * u, shoulder + 13 * u - swing, 2 * u, a(Skin()));
    } else {
        const float dir = facing == 1 ? -1.0f : 1.0f;
        c.Line(cx, shoulder + 2 * u, cx + dir * (3 + swing / u) * u, shoulder + 12 * u, 3.5f * u, armC);
        c.Disc(cx + dir * (3 + swing / u) * u, shoulder + 13 * u, 2 * u, a(Skin()));
    }
    // head
    const Color hair = col(L.hair);
    // hair behind the head (long hair hangs over the back only when seen from behind)
    if (L.hairStyle == 1 && facing == 3) c.RoundRect(cx - hr - u, hy - 2 * u, 2 * hr + 2 * u, hr * 2.4f, 5 * u, hair);
    if (L.hairStyle == 2) {
        const float side = facing == 1 ? 1.0f : (facing == 2 ? -1.0f : 0.0f);
        c.Ellipse(cx + side * 9 * u, hy - hr * 0.6f + (facing == 3 ? 4 * u : 0), 4 * u, 8 * u, hair);
        if (facing == 0 || facing == 3) c.Ellipse(cx, hy - hr - 2 * u, 4 * u, 3 * u, hair);
    }
    if (L.hairStyle == 3) {
        c.Ellipse(cx - hr - 2 * u, hy + 3 * u, 3 * u, 7 * u, hair);
        c.Ellipse(cx + hr + 2 * u, hy + 3 * u, 3 * u, 7 * u, hair);
    }
    if (L.hairStyle == 5) {
        c.Disc(cx, hy, hr + 1.5f * u, col(L.hair));
    } else {
        c.Disc(cx, hy, hr, a(Skin()));
    }
    // hair on top, by facing
    if (L.hairStyle != 5) {
        if (facing == 3) {
            c.Disc(cx, hy, hr + 0.5f * u, hair);
        } else {
            std::vector<Point> cap;
            const float shift = facing == 1 ? 2 * u : (facing == 2 ? -2 * u : 0);
            for (int i = 0; i <= 16; ++i) {
                const float t = kPi + kPi * float(i) / 16.0f;
                cap.push_back({cx + shift + std::cos(t) * (hr + u), hy + std::sin(t) * (hr + u)});
            }
            cap.push_back({cx + shift + hr + u, hy + 2 * u});
            cap.push_back({cx + shift + hr * 0.3f, hy - 2 * u});
            cap.push_back({cx + shift - hr * 0.2f, hy + u});
            cap.push_back({cx + shift - hr * 0.6f, hy - 2 * u});
            cap.push_back({cx + shift - hr - u, hy + 3 * u});
            c.Polygon(cap, hair);
            if (L.hairStyle == 4) {
                c.Ellipse(cx - hr + u, hy + 3 * u, 2.5f * u, 5 * u, hair);
                c.Ellipse(cx + hr - u, hy + 3 * u, 2.5f * u, 5 * u, hair);
            }
        }
    } else {
        // helmet visor
        if (facing != 3) c.RoundRect(cx - 6 * u + (facing == 1 ? -2 * u : facing == 2 ? 2 * u : 0), hy - u, 12 * u, 4 * u, 1.5f * u, a(Rgb(0x202838)));
        c.Line(cx, hy - hr - 2 * u, cx, hy - hr - 6 * u, 2 * u, col(L.trim));
    }
    // eyes
    const Color eye = col(L.eyes);
    if (facing == 0) {
        c.Ellipse(cx - 3.5f * u, hy + 2 * u, 1.5f * u, 2.2f * u, eye);
        c.Ellipse(cx + 3.5f * u, hy + 2 * u, 1.5f * u, 2.2f * u, eye);
        c.Disc(cx - 3.9f * u, hy + 1.3f * u, 0.6f * u, a(Rgb(0xFFFFFF)));
        c.Disc(cx + 3.1f * u, hy + 1.3f * u, 0.6f * u, a(Rgb(0xFFFFFF)));
    } else if (facing == 1 || facing == 2) {
        const float d = facing == 1 ? -1.0f : 1.0f;
        c.Ellipse(cx + d * 5 * u, hy + 2 * u, 1.4f * u, 2.2f * u, eye);
    }
    // accessory
    const Color acc = col(L.trim);
    switch (L.accessory) {
        case 1:  // cat ears
            c.Polygon({{cx - hr, hy - hr * 0.4f}, {cx - hr * 0.8f, hy - hr - 5 * u}, {cx - hr * 0.2f, hy - hr + u}}, hair);
            c.Polygon({{cx + hr, hy - hr * 0.4f}, {cx + hr * 0.8f, hy - hr - 5 * u}, {cx + hr * 0.2f, hy - hr + u}}, hair);
            break;
        case 2:  // crown
            c.Polygon({{cx - 5 * u, hy - hr + u}, {cx - 6 * u, hy - hr - 5 * u}, {cx - 2.5f * u, hy - hr - 2 * u}, {cx, hy - hr - 6 * u},
                       {cx + 2.5f * u, hy - hr - 2 * u}, {cx + 6 * u, hy - hr - 5 * u}, {cx + 5 * u, hy - hr + u}},
                      acc);
            break;
        case 3:  // beret
            c.Ellipse(cx + (facing == 1 ? 2 : -2) * u, hy - hr + u, hr * 1.05f, 4 * u, acc);
            break;
        case 4:  // ribbon
            c.Polygon({{cx, hy - hr}, {cx - 6 * u, hy - hr - 4 * u}, {cx - 6 * u, hy - hr + 3 * u}}, acc);
            c.Polygon({{cx, hy - hr}, {cx + 6 * u, hy - hr - 4 * u}, {cx + 6 * u, hy - hr + 3 * u}}, acc);
            break;
        case 5:  // flower
            for (int i = 0; i < 5; ++i) {
                const float t = float(i) * 2 * kPi / 5;
                c.Disc(cx + hr * 0.7f + std::cos(t) * 2.2f * u, hy - hr * 0.7f + std::sin(t) * 2.2f * u, 1.8f * u, a(Rgb(0xFF80B0)));
            }
            c.Disc(cx + hr * 0.7f, hy - hr * 0.7f, 1.4f * u, a(Rgb(0xFFE060)));
            break;
        case 6:  // maid headdress
            c.RoundRect(cx - 7 * u, hy - hr - u, 14 * u, 3 * u, 1.5f * u, a(Rgb(0xFFFFFF)));
            break;
        case 7:  // goggles
            if (facing != 3) {
                c.Line(cx - hr, hy - hr * 0.72f, cx + hr, hy - hr * 0.72f, 1.2f * u, a(Rgb(0x603010)));
                c.Disc(cx - 3 * u, hy - hr * 0.78f, 1.9f * u, a(Rgb(0x90E0FF)));
                c.Disc(cx + 3 * u, hy - hr * 0.78f, 1.9f * u, a(Rgb(0x90E0FF)));
            }
            break;
        default:
            break;
    }
    c.SetClip(old);
}

void DrawBust(Canvas& c, float cx, float cy, float r, const Look& L, int expression, bool facingLeft) {
    const float u = r / 10.0f;
    const float turn = facingLeft ? -1.0f : 1.0f;
    const Color hair = Rgb(L.hair), dress = Rgb(L.dress), trim = Rgb(L.trim), skin = Skin();
    // long hair behind
    if (L.hairStyle == 1) c.RoundRect(cx - r * 1.15f, cy - r * 0.6f, r * 2.3f, r * 2.6f, r * 0.6f, Darker(hair, 0.1f));
    if (L.hairStyle == 2) c.Ellipse(cx - turn * r * 1.1f, cy + r * 0.2f, r * 0.45f, r * 1.1f, Darker(hair, 0.1f));
    if (L.hairStyle == 3) {
        c.Ellipse(cx - r * 1.25f, cy + r * 0.5f, r * 0.35f, r * 0.9f, hair);
        c.Ellipse(cx + r * 1.25f, cy + r * 0.5f, r * 0.35f, r * 0.9f, hair);
    }
    // shoulders and chest
    c.Polygon({{cx - r * 1.5f, cy + r * 3.0f}, {cx - r * 1.2f, cy + r * 1.35f}, {cx - r * 0.35f, cy + r * 1.0f}, {cx + r * 0.35f, cy + r * 1.0f},
               {cx + r * 1.2f, cy + r * 1.35f}, {cx + r * 1.5f, cy + r * 3.0f}},
              dress);
    c.Polygon({{cx - r * 0.4f, cy + r * 1.0f}, {cx, cy + r * 1.6f}, {cx + r * 0.4f, cy + r * 1.0f}}, trim);
    c.Line(cx - r * 1.3f, cy + r * 1.5f, cx - r * 0.4f, cy + r * 1.05f, u * 0.8f, Lighter(dress, 0.3f));
    c.Line(cx + r * 1.3f, cy + r * 1.5f, cx + r * 0.4f, cy + r * 1.05f, u * 0.8f, Lighter(dress, 0.3f));
    // neck and face
    c.RoundRect(cx - r * 0.25f, cy + r * 0.6f, r * 0.5f, r * 0.5f, r * 0.1f, Darker(skin, 0.08f));
    if (L.hairStyle == 5) {
        c.Disc(cx, cy, r * 1.12f, hair);
        c.Ellipse(cx + turn * r * 0.05f, cy + r * 0.2f, r * 0.78f, r * 0.72f, skin);
    } else {
        c.Ellipse(cx + turn * r * 0.05f, cy, r * 0.95f, r, skin);
    }
    // eyes by expression
    const int eyes = expression % 3;     // 0 open, 1 happy arcs, 2 narrowed
    const int mouth = (expression / 3) % 3;  // 0 smile, 1 open, 2 flat
    const bool blush = (expression / 9) % 2 == 1;
    const float ex = r * 0.38f, ey = cy + r * 0.12f;
    for (int s = -1; s <= 1; s += 2) {
        const float x = cx + turn * r * 0.08f + float(s) * ex;
        if (eyes == 0) {
            c.Ellipse(x, ey, r * 0.15f, r * 0.22f, Rgb(L.eyes));
            c.Disc(x - r * 0.05f, ey - r * 0.08f, r * 0.06f, Rgb(0xFFFFFF));
        } else if (eyes == 1) {
            for (int i = 0; i < 8; ++i) {
                const float t0 = kPi + kPi * float(i) / 8, t1 = kPi + kPi * float(i + 1) / 8;
                c.Line(x + std::cos(t0) * r * 0.15f, ey + r * 0.05f + std::sin(t0) * r * 0.13f, x + std::cos(t1) * r * 0.15f,
                       ey + r * 0.05f + std::sin(t1) * r * 0.13f, u * 0.5f, Rgb(L.eyes));
            }
        } else {
            c.Ellipse(x, ey + r * 0.04f, r * 0.16f, r * 0.08f, Rgb(L.eyes));
            c.Line(x - r * 0.18f, ey - r * 0.2f - float(s) * turn * r * 0.04f, x + r * 0.18f, ey - r * 0.2f + float(s) * turn * r * 0.04f,
                   u * 0.45f, Darker(hair, 0.3f));
        }
    }
    const float mx = cx + turn * r * 0.1f, my = cy + r * 0.55f;
    if (mouth == 0) {
        for (int i = 0; i < 6; ++i) {
            const float t0 = kPi * float(i) / 6, t1 = kPi * float(i + 1) / 6;
            c.Line(mx + std::cos(t0) * r * 0.16f, my - r * 0.06f + std::sin(t0) * r * 0.1f, mx + std::cos(t1) * r * 0.16f,
                   my - r * 0.06f + std::sin(t1) * r * 0.1f, u * 0.4f, Rgb(0xA04040));
        }
    } else if (mouth == 1) {
        c.Ellipse(mx, my, r * 0.1f, r * 0.12f, Rgb(0xB03A40));
    } else {
        c.Line(mx - r * 0.12f, my, mx + r * 0.12f, my, u * 0.4f, Rgb(0xA04040));
    }
    if (blush) {
        c.Ellipse(cx - r * 0.55f, cy + r * 0.38f, r * 0.16f, r * 0.08f, Rgb(0xFF7080, 0.5f));
        c.Ellipse(cx + r * 0.6f, cy + r * 0.38f, r * 0.16f, r * 0.08f, Rgb(0xFF7080, 0.5f));
    }
    // hair on top
    if (L.hairStyle != 5) {
        std::vector<Point> cap;
        for (int i = 0; i <= 20; ++i) {
            const float t = kPi + kPi * float(i) / 20.0f;
            cap.push_back({cx + std::cos(t) * r * 1.08f, cy - r * 0.05f + std::sin(t) * r * 1.1f});
        }
        const float f = turn * r * 0.15f;
        cap.push_back({cx + r * 1.08f, cy + r * 0.35f});
        cap.push_back({cx + r * 0.55f + f, cy - r * 0.35f});
        cap.push_back({cx + r * 0.25f + f, cy - r * 0.15f});
        cap.push_back({cx + f, cy - r * 0.4f});
        cap.push_back({cx - r * 0.3f + f, cy - r * 0.12f});
        cap.push_back({cx - r * 0.6f + f, cy - r * 0.38f});
        cap.push_back({cx - r * 1.08f, cy + r * 0.4f});
        c.Polygon(cap, hair);
        c.Line(cx - r * 0.5f, cy - r * 0.75f, cx - r * 0.1f, cy - r * 0.85f, u * 0.5f, Lighter(hair, 0.4f));
        if (L.hairStyle == 4 || L.hairStyle == 1) {
            c.Ellipse(cx - r * 0.95f, cy + r * 0.35f, r * 0.2f, r * 0.55f, hair);
            c.Ellipse(cx + r * 0.95f, cy + r * 0.35f, r * 0.2f, r * 0.55f, hair);
        }
    } else {
        c.Line(cx, cy - r * 1.1f, cx, cy - r * 1.5f, u * 1.2f, trim);
        c.Disc(cx, cy - r * 1.55f, u * 1.2f, Rgb(0xE04040));
    }
    switch (L.accessory) {
        case 1:
            c.Polygon({{cx - r * 1.0f, cy - r * 0.4f}, {cx - r * 0.85f, cy - r * 1.55f}, {cx - r * 0.2f, cy - r * 0.95f}}, hair);
            c.Polygon({{cx + r * 1.0f, cy - r * 0.4f}, {cx + r * 0.85f, cy - r * 1.55f}, {cx + r * 0.2f, cy - r * 0.95f}}, hair);
            c.Polygon({{cx - r * 0.85f, cy - r * 0.6f}, {cx - r * 0.8f, cy - r * 1.3f}, {cx - r * 0.4f, cy - r * 0.95f}}, Rgb(0xFFC0D0));
            c.Polygon({{cx + r * 0.85f, cy - r * 0.6f}, {cx + r * 0.8f, cy - r * 1.3f}, {cx + r * 0.4f, cy - r * 0.95f}}, Rgb(0xFFC0D0));
            break;
        case 2:
            c.Polygon({{cx - r * 0.5f, cy - r * 0.95f}, {cx - r * 0.6f, cy - r * 1.5f}, {cx - r * 0.25f, cy - r * 1.2f}, {cx, cy - r * 1.6f},
                       {cx + r * 0.25f, cy - r * 1.2f}, {cx + r * 0.6f, cy - r * 1.5f}, {cx + r * 0.5f, cy - r * 0.95f}},
                      trim);
            c.Disc(cx, cy - r * 1.15f, u * 0.9f, Rgb(0xE02040));
            break;
        case 3:
            c.Ellipse(cx - turn * r * 0.2f, cy - r * 0.9f, r * 1.1f, r * 0.35f, trim);
            c.Line(cx - turn * r * 0.2f, cy - r * 1.2f, cx - turn * r * 0.2f, cy - r * 1.4f, u, trim);
            break;
        case 4:
            c.Polygon({{cx + r * 0.6f, cy - r * 0.85f}, {cx + r * 0.1f, cy - r * 1.4f}, {cx + r * 0.15f, cy - r * 0.7f}}, trim);
            c.Polygon({{cx + r * 0.6f, cy - r * 0.85f}, {cx + r * 1.2f, cy - r * 1.35f}, {cx + r * 1.1f, cy - r * 0.6f}}, trim);
            c.Disc(cx + r * 0.6f, cy - r * 0.85f, u * 0.9f, Darker(trim, 0.2f));
            break;
        case 5:
            for (int i = 0; i < 5; ++i) {
                const float t = float(i) * 2 * kPi / 5;
                c.Disc(cx + r * 0.7f + std::cos(t) * r * 0.2f, cy - r * 0.8f + std::sin(t) * r * 0.2f, r * 0.17f, Rgb(0xFF80B0));
            }
            c.Disc(cx + r * 0.7f, cy - r * 0.8f, r * 0.12f, Rgb(0xFFE060));
            break;
        case 6:
            c.RoundRect(cx - r * 0.8f, cy - r * 1.15f, r * 1.6f, r * 0.3f, r * 0.15f, Rgb(0xFFFFFF));
            for (int i = 0; i < 5; ++i) c.Disc(cx - r * 0.64f + float(i) * r * 0.32f, cy - r * 1.15f, r * 0.1f, Rgb(0xFFFFFF));
            break;
        case 7:
            c.RoundRect(cx - r * 0.95f, cy - r * 0.78f, r * 1.9f, r * 0.18f, r * 0.09f, Rgb(0x603010));
            c.Ring(cx - r * 0.4f, cy - r * 0.7f, r * 0.26f, u * 0.8f, Rgb(0x603010));
            c.Ring(cx + r * 0.4f, cy - r * 0.7f, r * 0.26f, u * 0.8f, Rgb(0x603010));
            c.Disc(cx - r * 0.4f, cy - r * 0.7f, r * 0.18f, Rgb(0x90E0FF, 0.8f));
            c.Disc(cx + r * 0.4f, cy - r * 0.7f, r * 0.18f, Rgb(0x90E0FF, 0.8f));
            break;
        default:
            break;
    }
}

void DrawMagicCircle(Canvas& c, const Box& b, const Color& color, int seed) {
    const float cx = float(b.x) + float(b.w) / 2, cy = float(b.y) + float(b.h) / 2;
    const float r = float(std::min(b.w, b.h)) / 2 - 2;
    const float t = std::max(1.0f, r / 40.0f);
    c.Glow(cx, cy, r, WithAlpha(color, 0.35f), 1.5f);
    c.Ring(cx, cy, r, 2.2f * t, color);
    c.Ring(cx, cy, r * 0.86f, 1.2f * t, color);
    c.Ring(cx, cy, r * 0.55f, 1.5f * t, color);
    const int n = 5 + seed % 3;
    for (int i = 0; i < n; ++i) {
        const float a0 = float(i) * 2 * kPi / float(n), a1 = float(i + 2) * 2 * kPi / float(n);
        c.Line(cx + std::cos(a0) * r * 0.84f, cy + std::sin(a0) * r * 0.84f, cx + std::cos(a1) * r * 0.84f,
               cy + std::sin(a1) * r * 0.84f, 1.3f * t, WithAlpha(color, 0.9f));
    }
    for (int i = 0; i < 24; ++i) {
        const float a = float(i) * 2 * kPi / 24;
        c.Disc(cx + std::cos(a) * r * 0.93f, cy + std::sin(a) * r * 0.93f, (i % 3 == 0 ? 1.6f : 0.9f) * t, Lighter(color, 0.5f));
    }
    c.Star(cx, cy, r * 0.5f, r * 0.22f, n, 0.0f, WithAlpha(Lighter(color, 0.4f), 0.5f));
}

}  // namespace demodata
