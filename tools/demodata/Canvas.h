// A picture being painted: 32-bit ARGB words (0xAARRGGBB), top row first, with
// a clip rectangle so a cell's painting never spills into its neighbours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/state/ScreenLayout.h"

namespace demodata {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;  // 0..1, straight alpha
};
Color Rgb(uint32_t rgb, float a = 1.0f);
Color Mix(const Color& x, const Color& y, float t);
Color Lighter(const Color& c, float t);  // towards white
Color Darker(const Color& c, float t);   // towards black
Color WithAlpha(const Color& c, float a);

// The game's screen rectangles and the painters' boxes are one kind.
using Box = layout::Rect;

struct Point {
    float x = 0, y = 0;
};

// What a canvas does with the text stamped on it: paints it, paints it and
// keeps where it lies (its coverage, fill and outline), or leaves it out (what
// lies behind it). The tests read a picture's text apart this way.
enum class TextMode { kPaint, kRecord, kLeaveOut };

class Canvas {
public:
    Canvas(int width, int height, TextMode textMode = TextMode::kPaint);
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint32_t>& pixels() const { return pixels_; }
    std::vector<uint32_t>& pixels() { return pixels_; }

    void SetClip(const Box& box);
    void ResetClip();
    const Box& clip() const { return clip_; }
    TextMode textMode() const { return textMode_; }
    // Coverage 0..255 of the text stamped on each pixel (kRecord only).
    const std::vector<uint8_t>& textCoverage() const { return text_; }
    void MarkText(int x, int y, float coverage);

    // Source-over blending of one pixel with a coverage of 0..1.
    void Blend(int x, int y, const Color& c, float coverage = 1.0f);
    // Additive light (keeps alpha at least the light's).
    void AddLight(int x, int y, const Color& c, float amount);
    void Set(int x, int y, uint32_t argb);
    uint32_t Get(int x, int y) const;

    void Fill(const Box& b, const Color& c);
    void Clear(const Box& b);
    void VerticalGradient(const Box& b, const Color& top, const Color& bottom);
    void HorizontalGradient(const Box& b, const Color& left, const Color& right);
    // Filled rectangle with rounded corners, anti-aliased edges.
    void RoundRect(float x, float y, float w, float h, float radius, const Color& c);
    void RoundFrame(float x, float y, float w, float h, float radius, float thickness, const Color& c);
    void Ellipse(float cx, float cy, float rx, float ry, const Color& c);
    void Disc(float cx, float cy, float r, const Color& c) { Ellipse(cx, cy, r, r, c); }
    void Ring(float cx, float cy, float r, float thickness, const Color& c);
    // Radial glow: alpha falls from the centre to r with the given power.
    void Glow(float cx, float cy, float r, const Color& c, float power = 2.0f);
    void GlowAdd(float cx, float cy, float r, const Color& c, float power = 2.0f);
    void Line(float x0, float y0, float x1, float y1, float width, const Color& c);
    // Even-odd filled polygon with 4x vertical supersampling.
    void Polygon(const std::vector<Point>& points, const Color& c);
    // A five-pointed (or n-pointed) star.
    void Star(float cx, float cy, float outer, float inner, int points, float turn, const Color& c);

private:
    void RadialFill(float cx, float cy, float r, const Color& c, float power, bool additive);
    bool InClip(int x, int y) const {
        return x >= clip_.x && y >= clip_.y && x < clip_.x + clip_.w && y < clip_.y + clip_.h;
    }
    int width_, height_;
    Box clip_;
    std::vector<uint32_t> pixels_;
    TextMode textMode_;
    std::vector<uint8_t> text_;
};

// Deterministic value noise in 0..1, tiling with the given period (in cells).
float Noise(float x, float y, int periodX, int periodY, uint32_t seed);
// Octaves of noise, each doubling the frequency; tiles when the periods do.
float Fractal(float x, float y, int periodX, int periodY, int octaves, uint32_t seed);

// A small deterministic random stream.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    float Unit() { return float(Next() & 0xFFFFFF) / float(0x1000000); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
    int Int(int n) { return int(Next() % uint32_t(n)); }

private:
    uint32_t state_;
};

}  // namespace demodata
