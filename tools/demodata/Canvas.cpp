#include "tools/demodata/Canvas.h"

#include <algorithm>
#include <cmath>

namespace demodata {

namespace {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

uint32_t Pack(const Color& c) {
    auto q = [](float v) { return uint32_t(std::lround(Clamp01(v) * 255.0f)); };
    return (q(c.a) << 24) | (q(c.r) << 16) | (q(c.g) << 8) | q(c.b);
}

Color Unpack(uint32_t v) {
    return {float((v >> 16) & 255) / 255.0f, float((v >> 8) & 255) / 255.0f, float(v & 255) / 255.0f,
            float(v >> 24) / 255.0f};
}

// Coverage of a distance to an edge (negative inside), one pixel of smoothing.
float EdgeCover(float d) { return Clamp01(0.5f - d); }

uint32_t Hash(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

}  // namespace

Color Rgb(uint32_t rgb, float a) {
    return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f, float(rgb & 255) / 255.0f, a};
}
Color Mix(const Color& x, const Color& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
Color Lighter(const Color& c, float t) { return {c.r + (1 - c.r) * t, c.g + (1 - c.g) * t, c.b + (1 - c.b) * t, c.a}; }
Color Darker(const Color& c, float t) { return {c.r * (1 - t), c.g * (1 - t), c.b * (1 - t), c.a}; }
Color WithAlpha(const Color& c, float a) { return {c.r, c.g, c.b, a}; }

Canvas::Canvas(int width, int height, TextMode textMode)
    : width_(width), height_(height), clip_{0, 0, width, height}, pixels_(size_t(width) * size_t(height), 0),
      textMode_(textMode), text_(textMode == TextMode::kRecord ? pixels_.size() : 0, 0) {}

void Canvas::MarkText(int x, int y, float coverage) {
    if (text_.empty() || !InClip(x, y)) return;
    uint8_t& t = text_[size_t(y) * size_t(width_) + size_t(x)];
    t = std::max(t, uint8_t(std::lround(255 * Clamp01(coverage))));
}

void Canvas::SetClip(const Box& box) {
    const int x0 = std::max(0, box.x), y0 = std::max(0, box.y);
    const int x1 = std::min(width_, box.x + box.w), y1 = std::min(height_, box.y + box.h);
    clip_ = {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}
void Canvas::ResetClip() { clip_ = {0, 0, width_, height_}; }

void Canvas::Set(int x, int y, uint32_t argb) {
    if (InClip(x, y)) pixels_[size_t(y) * size_t(width_) + size_t(x)] = argb;
}
uint32_t Canvas::Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void Canvas::Blend(int x, int y, const Color& c, float coverage) {
    if (!InClip(x, y)) return;
    const float sa = Clamp01(c.a * coverage);
    if (sa <= 0) return;
    uint32_t& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
    if (sa >= 1) {
        p = Pack({c.r, c.g, c.b, 1});
        return;
    }
    const Color d = Unpack(p);
    const float oa = sa + d.a * (1 - sa);
    if (oa <= 0) return;
    Color o{(c.r * sa + d.r * d.a * (1 - sa)) / oa, (c.g * sa + d.g * d.a * (1 - sa)) / oa,
            (c.b * sa + d.b * d.a * (1 - sa)) / oa, oa};
    p = Pack(o);
}

void Canvas::AddLight(int x, int y, const Color& c, float amount) {
    if (!InClip(x, y) || amount <= 0) return;
    uint32_t& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
    Color d = Unpack(p);
    const float k = amount * c.a;
    // Light over transparency: colour of the light, alpha of its strength.
    if (d.a <= 0) {
        p = Pack({c.r, c.g, c.b, Clamp01(k)});
        return;
    }
    d.r = Clamp01(d.r + c.r * k);
    d.g = Clamp01(d.g + c.g * k);
    d.b = Clamp01(d.b + c.b * k);
    d.a = std::max(d.a, Clamp01(k));
    p = Pack(d);
}

void Canvas::Fill(const Box& b, const Color& c) {
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) Blend(x, y, c);
}
void Canvas::Clear(const Box& b) {
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) Set(x, y, 0);
}
void Canvas::VerticalGradient(const Box& b, const Color& top, const Color& bottom) {
    for (int y = b.y; y < b.y + b.h; ++y) {
        const Color c = Mix(top, bottom, b.h > 1 ? float(y - b.y) / float(b.h - 1) : 0.0f);
        for (int x = b.x; x < b.x + b.w; ++x) Blend(x, y, c);
    }
}
void Canvas::HorizontalGradient(const Box& b, const Color& left, const Color& right) {
    for (int x = b.x; x < b.x + b.w; ++x) {
        const Color c = Mix(left, right, b.w > 1 ? float(x - b.x) / float(b.w - 1) : 0.0f);
        for (int y = b.y; y < b.y + b.h; ++y) Blend(x, y, c);
    }
}

namespace {
// Signed distance to a rounded rectangle (negative inside).
float RoundRectDistance(float px, float py, float x, float y, float w, float h, float r) {
    const float cx = x + w / 2, cy = y + h / 2;
    const float qx = std::fabs(px - cx) - (w / 2 - r), qy = std::fabs(py - cy) - (h / 2 - r);
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}
}  // namespace

void Canvas::RoundRect(float x, float y, float w, float h, float radius, const Color& c) {
    radius = std::min(radius, std::min(w, h) / 2);
    for (int py = int(std::floor(y)); py < int(std::ceil(y + h)); ++py)
        for (int px = int(std::floor(x)); px < int(std::ceil(x + w)); ++px) {
            if (!InClip(px, py)) continue;
            const float d = RoundRectDistance(float(px) + 0.5f, float(py) + 0.5f, x, y, w, h, radius);
            Blend(px, py, c, EdgeCover(d));
        }
}

void Canvas::RoundFrame(float x, float y, float w, float h, float radius, float t, const Color& c) {
    radius = std::min(radius, std::min(w, h) / 2);
    for (int py = int(std::floor(y)); py < int(std::ceil(y + h)); ++py)
        for (int px = int(std::floor(x)); px < int(std::ceil(x + w)); ++px) {
            if (!InClip(px, py)) continue;
            const float d = RoundRectDistance(float(px) + 0.5f, float(py) + 0.5f, x, y, w, h, radius);
            Blend(px, py, c, std::min(EdgeCover(d), EdgeCover(-d - t)));
        }
}

void Canvas::Ellipse(float cx, float cy, float rx, float ry, const Color& c) {
    if (rx <= 0 || ry <= 0) return;
    const int x0 = std::max(clip_.x, int(std::floor(cx - rx - 1))), x1 = std::min(clip_.x + clip_.w, int(std::ceil(cx + rx + 1)));
    const int y0 = std::max(clip_.y, int(std::floor(cy - ry - 1))), y1 = std::min(clip_.y + clip_.h, int(std::ceil(cy + ry + 1)));
    const float m = std::min(rx, ry);
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const float dx = (float(px) + 0.5f - cx) / rx, dy = (float(py) + 0.5f - cy) / ry;
            const float d = (std::sqrt(dx * dx + dy * dy) - 1.0f) * m;
            Blend(px, py, c, EdgeCover(d));
        }
}

void Canvas::Ring(float cx, float cy, float r, float t, const Color& c) {
    const int x0 = std::max(clip_.x, int(std::floor(cx - r - 1))), x1 = std::min(clip_.x + clip_.w, int(std::ceil(cx + r + 1)));
    const int y0 = std::max(clip_.y, int(std::floor(cy - r - 1))), y1 = std::min(clip_.y + clip_.h, int(std::ceil(cy + r + 1)));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const float d = std::hypot(float(px) + 0.5f - cx, float(py) + 0.5f - cy);
            Blend(px, py, c, std::min(EdgeCover(d - r), EdgeCover(r - t - d)));
        }
}

void Canvas::Glow(float cx, float cy, float r, const Color& c, float power) { RadialFill(cx, cy, r, c, power, false); }
void Canvas::GlowAdd(float cx, float cy, float r, const Color& c, float power) { RadialFill(cx, cy, r, c, power, true); }

void Canvas::RadialFill(float cx, float cy, float r, const Color& c, float power, bool additive) {
    const int x0 = std::max(clip_.x, int(std::floor(cx - r))), x1 = std::min(clip_.x + clip_.w, int(std::ceil(cx + r)));
    const int y0 = std::max(clip_.y, int(std::floor(cy - r))), y1 = std::min(clip_.y + clip_.h, int(std::ceil(cy + r)));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const float d = std::hypot(float(px) + 0.5f - cx, float(py) + 0.5f - cy) / r;
            if (d >= 1) continue;
            const float k = std::pow(1 - d, power);
            if (additive) AddLight(px, py, c, k);
            else Blend(px, py, c, k);
        }
}

void Canvas::Line(float x0, float y0, float x1, float y1, float width, const Color& c) {
    const float hw = width / 2;
    const int bx0 = std::max(clip_.x, int(std::floor(std::min(x0, x1) - hw - 1)));
    const int bx1 = std::min(clip_.x + clip_.w, int(std::ceil(std::max(x0, x1) + hw + 1)));
    const int by0 = std::max(clip_.y, int(std::floor(std::min(y0, y1) - hw - 1)));
    const int by1 = std::min(clip_.y + clip_.h, int(std::ceil(std::max(y0, y1) + hw + 1)));
    const float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int py = by0; py < by1; ++py)
        for (int px = bx0; px < bx1; ++px) {
            const float qx = float(px) + 0.5f - x0, qy = float(py) + 0.5f - y0;
            const float t = len2 > 0 ? std::clamp((qx * dx + qy * dy) / len2, 0.0f, 1.0f) : 0.0f;
            const float d = std::hypot(qx - t * dx, qy - t * dy) - hw;
            Blend(px, py, c, EdgeCover(d));
        }
}

void Canvas::Polygon(const std::vector<Point>& pts, const Color& c) {
    if (pts.size() < 3) return;
    float minX = pts[0].x, maxX = pts[0].x, minY = pts[0].y, maxY = pts[0].y;
    for (const Point& p : pts) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const int x0 = std::max(clip_.x, int(std::floor(minX))), x1 = std::min(clip_.x + clip_.w, int(std::ceil(maxX)) + 1);
    const int y0 = std::max(clip_.y, int(std::floor(minY))), y1 = std::min(clip_.y + clip_.h, int(std::ceil(maxY)) + 1);
    if (x1 <= x0) return;
    constexpr int kSub = 4;
    std::vector<float> cover(size_t(x1 - x0));
    std::vector<float> xs;
    for (int py = y0; py < y1; ++py) {
        std::fill(cover.begin(), cover.end(), 0.0f);
        for (int s = 0; s < kSub; ++s) {
            const float sy = float(py) + (float(s) + 0.5f) / kSub;
            xs.clear();
            for (size_t i = 0; i < pts.size(); ++i) {
                const Point& a = pts[i];
                const Point& b = pts[(i + 1) % pts.size()];
                if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
                    xs.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                const float l = xs[i], r = xs[i + 1];
                for (int px = std::max(x0, int(std::floor(l))); px < std::min(x1, int(std::ceil(r))); ++px) {
                    const float cl = std::max(l, float(px)), cr = std::min(r, float(px + 1));
                    if (cr > cl) cover[size_t(px - x0)] += (cr - cl) / kSub;
                }
            }
        }
        for (int px = x0; px < x1; ++px)
            if (cover[size_t(px - x0)] > 0) Blend(px, py, c, std::min(1.0f, cover[size_t(px - x0)]));
    }
}

void Canvas::Star(float cx, float cy, float outer, float inner, int points, float turn, const Color& c) {
    std::vector<Point> p;
    for (int i = 0; i < points * 2; ++i) {
        const float a = turn + float(i) * 3.14159265f / float(points) - 1.5707963f;
        const float r = (i & 1) ? inner : outer;
        p.push_back({cx + std::cos(a) * r, cy + std::sin(a) * r});
    }
    Polygon(p, c);
}

float Noise(float x, float y, int periodX, int periodY, uint32_t seed) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - float(ix), fy = y - float(iy);
    auto corner = [&](int cx, int cy) {
        cx = ((cx % periodX) + periodX) % periodX;
        cy = ((cy % periodY) + periodY) % periodY;
        return float(Hash(cx, cy, seed) & 0xFFFF) / 65535.0f;
    };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = corner(ix, iy), b = corner(ix + 1, iy), c = corner(ix, iy + 1), d = corner(ix + 1, iy + 1);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

float Fractal(float x, float y, int periodX, int periodY, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += Noise(x, y, periodX, periodY, seed + uint32_t(o) * 101u) * amp;
        norm += amp;
        x *= 2, y *= 2, periodX *= 2, periodY *= 2, amp *= 0.5f;
    }
    return sum / norm;
}

}  // namespace demodata
