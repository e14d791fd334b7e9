// Stage backgrounds (seamless tiles: the game wraps them), back layers and the
// stage-6 picture sheet.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "tools/demodata/Art.h"

namespace demodata {

namespace {

constexpr float kPi = 3.14159265f;

// Calls draw at (x, y) and at the copies one tile away, so features that cross
// an edge continue on the opposite one.
void Wrapped(int w, int h, float x, float y, float reach, const std::function<void(float, float)>& draw) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const float px = x + float(dx * w), py = y + float(dy * h);
            if (px + reach < 0 || py + reach < 0 || px - reach > float(w) || py - reach > float(h)) continue;
            draw(px, py);
        }
}

// Fills every pixel from a colour function of tile coordinates.
void Shade(Canvas& c, const Box& b, const std::function<Color(int, int)>& f) {
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) {
            const Color col = f(x, y);
            if (col.a > 0) c.Blend(x, y, col);
        }
}

void Tree(Canvas& c, float x, float y, float r, uint32_t leaf) {
    c.Ellipse(x + r * 0.3f, y + r * 0.35f, r * 1.05f, r * 0.8f, Rgb(0x000000, 0.25f));
    c.Disc(x, y, r, Darker(Rgb(leaf), 0.25f));
    c.Disc(x - r * 0.2f, y - r * 0.2f, r * 0.75f, Rgb(leaf));
    c.Disc(x - r * 0.35f, y - r * 0.35f, r * 0.35f, Lighter(Rgb(leaf), 0.25f));
}

void Forest(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 128.0f, float(y) / 128.0f, W / 128, H / 128, 4, 101);
        Color g = Mix(Rgb(0x3E7A2E), Rgb(0x78B04A), n);
        // winding dirt path, periodic in both directions
        const float px = float(W) / 2 + 180 * std::sin(float(y) * 2 * kPi / float(H) * 2) + 60 * std::sin(float(y) * 2 * kPi / float(H) * 5);
        float d = std::fabs(float(x) - px);
        d = std::min(d, float(W) - d);
        if (d < 70) g = Mix(Rgb(0xB89060), g, std::clamp((d - 50) / 20.0f, 0.0f, 1.0f) * 0.9f + 0.1f * n);
        return g;
    });
    Random rnd(11);
    for (int i = 0; i < 900; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H));
        const uint32_t col = rnd.Int(3) == 0 ? 0xFFE060 : (rnd.Int(2) ? 0xFF90C0 : 0xFFFFFF);
        Wrapped(W, H, x, y, 4, [&](float px, float py) { c.Disc(px, py, 2.2f, Rgb(col)); });
    }
    for (int i = 0; i < 160; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H)), r = rnd.Range(28, 60);
        const float px = float(W) / 2 + 180 * std::sin(y * 2 * kPi / float(H) * 2) + 60 * std::sin(y * 2 * kPi / float(H) * 5);
        float d = std::fabs(x - px);
        d = std::min(d, float(W) - d);
        if (d < 100 + r) continue;
        const uint32_t leaf = rnd.Int(2) ? 0x2F6A2A : 0x3A7E36;
        Wrapped(W, H, x, y, r * 1.5f, [&](float px2, float py) { Tree(c, px2, py, r, leaf); });
    }
}

void Clouds(Canvas& c, int W, int H, uint32_t seed, int count, const Color& col) {
    Random rnd(seed);
    for (int i = 0; i < count; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H)), r = rnd.Range(30, 80);
        Wrapped(W, H, x, y, r * 3, [&](float px, float py) {
            for (int k = 0; k < 5; ++k) c.Glow(px + float(k - 2) * r * 0.6f, py + std::sin(float(k)) * r * 0.2f, r, col, 0.8f);
        });
    }
}

void SkyGarden(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    // floating islands over open sky (transparent: the back layer shows)
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 256.0f, float(y) / 256.0f, W / 256, H / 256, 4, 202);
        if (n < 0.47f) return Rgb(0, 0.0f);
        const float edge = std::clamp((n - 0.47f) / 0.03f, 0.0f, 1.0f);
        const float m = Fractal(float(x) / 32.0f, float(y) / 32.0f, W / 32, H / 32, 2, 203);
        Color g = n < 0.5f ? Mix(Rgb(0x8A7050), Rgb(0x6A5038), m) : Mix(Rgb(0x68B858), Rgb(0x98D070), m);
        if (n > 0.62f) g = Mix(g, Rgb(0xF0E8D0), 0.7f);  // garden paths
        return WithAlpha(g, edge);
    });
    Random rnd(21);
    for (int i = 0; i < 1400; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H));
        const float n = Fractal(x / 256.0f, y / 256.0f, W / 256, H / 256, 4, 202);
        if (n < 0.52f || n > 0.62f) continue;
        const uint32_t cols[] = {0xFF70A0, 0xFFD040, 0xF0F0FF, 0xC080FF};
        const uint32_t col = cols[rnd.Int(4)];
        Wrapped(W, H, x, y, 8, [&](float px, float py) {
            for (int k = 0; k < 5; ++k) c.Disc(px + std::cos(float(k) * 1.256f) * 3, py + std::sin(float(k) * 1.256f) * 3, 2.6f, Rgb(col));
            c.Disc(px, py, 1.8f, Rgb(0xFFF0A0));
        });
    }
}

void SkyLayer(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 128.0f, float(y) / 128.0f, W / 128, H / 128, 3, 204);
        return Mix(Rgb(0x70B8F0), Rgb(0xB8E0FF), n);
    });
    Clouds(c, W, H, 22, 60, Rgb(0xFFFFFF, 0.55f));
}

void Fortress(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 256.0f, float(y) / 256.0f, W / 256, H / 256, 3, 303);
        if (n < 0.4f) return Rgb(0, 0.0f);  // chasms over the glowing depths
        const int tx = x % 64, ty = y % 64;
        const float m = Fractal(float(x) / 16.0f, float(y) / 16.0f, W / 16, H / 16, 2, 304);
        Color g = Mix(Rgb(0x5A5E6A), Rgb(0x7A7E8A), m);
        if (tx < 2 || ty < 2) g = Rgb(0x34363E);
        if ((tx - 8) * (tx - 8) + (ty - 8) * (ty - 8) < 5 || (tx - 56) * (tx - 56) + (ty - 56) * (ty - 56) < 5) g = Rgb(0xA8ACB8);
        if (n < 0.43f) g = Mix(Rgb(0x2A2A30), g, (n - 0.4f) / 0.03f);
        return g;
    });
    Random rnd(31);
    for (int i = 0; i < 40; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H));
        const float n = Fractal(x / 256.0f, y / 256.0f, W / 256, H / 256, 3, 303);
        if (n < 0.5f) continue;
        Wrapped(W, H, x, y, 40, [&](float px, float py) {
            c.Disc(px, py, 30, Rgb(0x40444E));
            c.Ring(px, py, 30, 4, Rgb(0xC0A040));
            c.Disc(px, py, 10, Rgb(0xC04020));
        });
    }
}

void LavaLayer(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 128.0f, float(y) / 128.0f, W / 128, H / 128, 4, 305);
        return Mix(Rgb(0x400808), Rgb(0xFF7020), std::pow(n, 2.0f) * 1.6f);
    });
}

void ToyTown(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const bool check = ((x / 64) + (y / 64)) % 2 == 0;
        Color g = check ? Rgb(0xF6E6C8) : Rgb(0xE8C8A0);
        if (x % 512 < 60 || y % 512 < 60) {  // roads
            g = Rgb(0x707080);
            if ((x % 512 > 27 && x % 512 < 33 && (y / 24) % 2 == 0) || (y % 512 > 27 && y % 512 < 33 && (x / 24) % 2 == 0))
                g = Rgb(0xFFFFFF);
        }
        return g;
    });
    Random rnd(41);
    const uint32_t cols[] = {0xE04040, 0x4080E0, 0xF0C030, 0x40B060, 0xC060C0};
    for (int bx = 0; bx < W / 512; ++bx)
        for (int by = 0; by < H / 512; ++by)
            for (int k = 0; k < 6; ++k) {
                const float x = float(bx * 512) + 90 + rnd.Range(0, 340), y = float(by * 512) + 90 + rnd.Range(0, 340);
                const float s = rnd.Range(30, 60);
                const Color col = Rgb(cols[rnd.Int(5)]);
                c.RoundRect(x + 8, y + 8, s, s, 6, Rgb(0x000000, 0.25f));
                c.RoundRect(x, y, s, s, 6, col);
                c.RoundRect(x + 4, y + 4, s - 8, s / 3, 4, Lighter(col, 0.3f));
                c.Disc(x + s / 2, y + s * 0.62f, s * 0.16f, Lighter(col, 0.5f));
            }
}

void Mansion(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        // rooms of marble and carpet, with open windows to the night between
        const int cx = x % 512, cy = y % 512;
        if (cx > 200 && cx < 312 && cy > 180 && cy < 332) return Rgb(0, 0.0f);
        const float m = Fractal(float(x) / 32.0f, float(y) / 32.0f, W / 32, H / 32, 2, 505);
        Color g = ((x / 48) + (y / 48)) % 2 ? Mix(Rgb(0xE4DCE8), Rgb(0xCFC4D8), m) : Mix(Rgb(0x9A88B0), Rgb(0x86749C), m);
        if (x % 48 == 0 || y % 48 == 0) g = Darker(g, 0.15f);
        if (cx > 100 && cx < 412 && (cy < 60 || cy > 452)) {
            g = Mix(Rgb(0x8A1A30), Rgb(0xA02840), m);
            if (cx < 112 || cx > 400 || (cy > 48 && cy < 60) || (cy > 452 && cy < 464)) g = Rgb(0xD0A848);
        }
        if ((cx > 196 && cx < 316 && cy > 176 && cy < 336)) g = Rgb(0xC0A050);  // window frames
        return g;
    });
}

void NightLayer(Canvas& c, const Box& b) {
    const int W = b.w, H = b.h;
    Shade(c, b, [&](int x, int y) {
        const float n = Fractal(float(x) / 256.0f, float(y) / 256.0f, W / 256, H / 256, 3, 506);
        return Mix(Rgb(0x0A0820), Rgb(0x302060), n);
    });
    Random rnd(51);
    for (int i = 0; i < 1200; ++i) {
        const float x = rnd.Range(0, float(W)), y = rnd.Range(0, float(H)), r = rnd.Range(0.5f, 1.8f);
        const float alpha = rnd.Range(0.5f, 1.0f);
        Wrapped(W, H, x, y, 3, [&](float px, float py) { c.Disc(px, py, r, Rgb(0xFFFFFF, alpha)); });
    }
}

void CastlePictures(Canvas& c, const ImageAsset& a, TextPainter& t) {
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        c.SetClip(b);
        const int k = cell.index;
        const uint32_t tops[] = {0x200818, 0x101040, 0x301020, 0x082030};
        const uint32_t bottoms[] = {0x701830, 0x5030A0, 0xA04020, 0x208060};
        c.VerticalGradient(b, Rgb(tops[k % 4]), Rgb(bottoms[(k / 4 + k) % 4]));
        const float cx = float(b.x) + 320, cy = float(b.y) + 240;
        if (k == 0) {
            // the throne hall: pillars, carpet, the throne
            for (int i = 0; i < 6; ++i) {
                const float x = float(b.x) + 40 + float(i) * 112;
                c.VerticalGradient({int(x), b.y, 36, 480}, Rgb(0x5A3048), Rgb(0x2A1020));
                c.Fill({int(x) - 6, b.y + 60, 48, 12}, Rgb(0xC0A050));
            }
            c.Polygon({{cx - 60, float(b.y) + 480}, {cx + 60, float(b.y) + 480}, {cx + 30, float(b.y) + 120}, {cx - 30, float(b.y) + 120}},
                      Rgb(0xA01830));
            c.RoundRect(cx - 40, float(b.y) + 40, 80, 90, 14, Rgb(0xC0A050));
            c.RoundRect(cx - 30, float(b.y) + 50, 60, 70, 10, Rgb(0x801830));
        } else {
            // summoning pictures and backdrops: circles, stars and a motif each
            Random rnd(uint32_t(600 + k));
            for (int i = 0; i < 80; ++i)
                c.Disc(float(b.x) + rnd.Range(0, 640), float(b.y) + rnd.Range(0, 480), rnd.Range(0.5f, 1.6f), Rgb(0xFFFFFF, 0.7f));
            DrawMagicCircle(c, {int(cx) - 180, int(cy) - 180, 360, 360}, k % 2 ? Rgb(0xFF80C0, 0.7f) : Rgb(0x80C0FF, 0.7f), k);
            if (k % 3 == 0) c.Star(cx, cy, 90, 40, 5, float(k), Rgb(0xFFE080, 0.6f));
            if (k % 3 == 1) DrawBust(c, cx, cy - 20, 60, LookOf("deena"), k, false);
            if (k % 3 == 2) {
                DrawBust(c, cx - 90, cy, 50, LookOf("palet"), k, false);
                DrawBust(c, cx + 90, cy, 50, LookOf("copic"), k + 1, true);
            }
        }
        (void)t;
        c.ResetClip();
    }
}

}  // namespace

void PaintStages(Canvas& canvas, const ImageAsset& a, TextPainter& text) {
    const Box all{0, 0, a.width, a.height};
    if (a.art == Art::BackLayer) {
        if (a.variant == 2) SkyLayer(canvas, all);
        else if (a.variant == 3) LavaLayer(canvas, all);
        else NightLayer(canvas, all);
        return;
    }
    switch (a.variant) {
        case 1: Forest(canvas, all); break;
        case 2: SkyGarden(canvas, all); break;
        case 3: Fortress(canvas, all); break;
        case 4: ToyTown(canvas, all); break;
        case 5: Mansion(canvas, all); break;
        default: CastlePictures(canvas, a, text); break;
    }
}

std::vector<WallCell> ParseStageGrid(const std::string& text) {
    std::vector<WallCell> walls;
    size_t at = 0;
    for (int token = 0; token < 110 * 55; ++token) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at >= text.size()) break;
        const size_t start = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        const std::string word = text.substr(start, at - start);
        const int row = token / 55, col = token % 55;
        if (row < 56 || word.size() > 2) continue;
        const int value = std::atoi(word.c_str());
        if (value >= 1 && value <= 5) walls.push_back({col * 40, (row - 55) * 40, value});
    }
    return walls;
}

void PaintWalls(Canvas& c, int stage, const std::vector<WallCell>& walls) {
    // Each stone stands apart from its scenery: the metal deck of stage 3 gets dark
    // plate with an amber rim, the castle of stage 5 a stone darker than its floor.
    static const uint32_t kStone[] = {0x807060, 0x7A6A50, 0xA09070, 0x2E3440, 0xC05050, 0x3C2A4A, 0x3C2A4A};
    static const uint32_t kRim[] = {0x403020, 0x3A2A18, 0x504028, 0xE0A030, 0x602020, 0x1A1020, 0x1A1020};
    const int k = stage >= 0 && stage <= 6 ? stage : 0;
    const Color base = Rgb(kStone[k]), rim = Rgb(kRim[k]);
    for (const WallCell& w : walls) {
        const float x = float(w.x), y = float(w.y);
        std::vector<Point> shape;
        switch (w.value) {
            case 2: shape = {{x + 40, y}, {x + 40, y + 40}, {x, y + 40}}; break;  // lower right
            case 3: shape = {{x, y}, {x + 40, y + 40}, {x, y + 40}}; break;       // lower left
            case 4: shape = {{x, y}, {x + 40, y}, {x + 40, y + 40}}; break;       // upper right
            case 5: shape = {{x, y}, {x + 40, y}, {x, y + 40}}; break;            // upper left
            default: shape = {{x, y}, {x + 40, y}, {x + 40, y + 40}, {x, y + 40}}; break;
        }
        std::vector<Point> shadow = shape;
        for (Point& p : shadow) p.x += 5, p.y += 5;
        c.Polygon(shadow, Rgb(0x000000, 0.45f));
        c.Polygon(shape, base);
        for (size_t i = 0; i < shape.size(); ++i) {
            const Point& p = shape[i];
            const Point& q = shape[(i + 1) % shape.size()];
            c.Line(p.x, p.y, q.x, q.y, 2, rim);
        }
        std::vector<Point> inner;
        const float cx = x + 20, cy = y + 20;
        for (const Point& p : shape) inner.push_back({cx + (p.x - cx) * 0.8f, cy + (p.y - cy) * 0.8f});
        c.Polygon(inner, Lighter(base, 0.15f));
        c.Line(shape.front().x, shape.front().y, shape[1].x, shape[1].y, 2, Lighter(base, 0.45f));
    }
}

void PaintImage(Canvas& canvas, const ImageAsset& a, TextPainter& text) {
    switch (a.art) {
        case Art::Title: case Art::Config: case Art::Ranking: case Art::NameEntry: case Art::HudSheet:
        case Art::StageClear: case Art::StageTitleBand: case Art::StageTitleLetters:
            PaintScreens(canvas, a, text);
            break;
        case Art::Particles: case Art::Effects: case Art::Items: case Art::CommonEnemies: case Art::EnemySheet:
            PaintPlay(canvas, a, text);
            break;
        case Art::Background: case Art::BackLayer:
            PaintStages(canvas, a, text);
            break;
        default:
            PaintPeople(canvas, a, text);
            break;
    }
}

TextLayers PaintTextLayers(const ImageAsset& a, TextPainter& text) {
    Canvas with(a.width, a.height, TextMode::kRecord), without(a.width, a.height, TextMode::kLeaveOut);
    PaintImage(with, a, text);
    TextLayers layers;
    const std::vector<uint8_t>& cover = with.textCoverage();
    if (std::find_if(cover.begin(), cover.end(), [](uint8_t c) { return c > 0; }) == cover.end()) return layers;
    PaintImage(without, a, text);
    layers.textOnly = std::move(with.pixels());
    for (size_t i = 0; i < cover.size(); ++i)
        if (cover[i] == 0) layers.textOnly[i] = 0;
    layers.noText = std::move(without.pixels());
    return layers;
}

}  // namespace demodata
