// Labels painted with the installed Japanese font through the platform's GDI
// fonts. Texts are Shift-JIS (CP932), as the program's literals are.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "tools/demodata/Canvas.h"

namespace demodata {

struct TextStyle {
    int size = 24;  // em height in pixels
    Color fill = Rgb(0xFFFFFF);
    Color outline = Rgb(0x000000, 0.0f);
    int outlineWidth = 0;
    bool bold = false;
    Color fillBottom = Rgb(0, 0.0f);  // when opaque: a vertical gradient to this colour
    bool fixedPitch = false;          // the face of the game's fonts, for text beside theirs
};

// A size and a narrowing that give a set of texts the same ink height and keep
// the widest within a width: digits of one strip all look alike.
struct InkFit {
    int size = 0;
    float squeeze = 1.0f;  // horizontal scale, at most 1
};

// Where a text's ink (its fill, not the outline) lies, from the top-left it is drawn at.
struct InkBox {
    int x = 0, y = 0, w = 0, h = 0;
};

enum class Align { kLeft, kCentre, kRight };

class TextPainter {
public:
    TextPainter() = default;
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Opens the face; false (with the reason) when the Japanese font is missing.
    bool Open(std::string* error);

    // Width of the text at the style's size.
    int Measure(const std::string& sjis, const TextStyle& style);
    // Paints with the top of the line at y; answers the width.
    int Draw(Canvas& canvas, const std::string& sjis, int x, int y, const TextStyle& style);
    // Centred in the box, shrunk (down to a third) until it fits its width.
    void DrawCentered(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style);
    void DrawLeft(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style);

    // The ink of the text drawn at (0, 0).
    InkBox MeasureInk(const std::string& sjis, const TextStyle& style);
    // The size at which the tallest ink of `texts` is `height` pixels, and the
    // narrowing that brings the widest ink within `width` (for texts without ink,
    // a size about `height` and no narrowing).
    InkFit FitInk(const std::vector<std::string>& texts, TextStyle style, int height, int width);
    // Paints the text with that fit, its ink aligned in the box's width and its
    // ink's middle on the box's middle.
    void DrawInk(Canvas& canvas, const std::string& sjis, const Box& box, TextStyle style, const InkFit& fit,
                 Align align = Align::kCentre);

private:
    struct Mask {
        int width = 0, height = 0;
        std::vector<float> alpha;
    };
    struct Face {
        void* font = nullptr;
        int ascent = 0, height = 0;
    };
    Face* FaceFor(int size, bool bold, bool fixed = false);
    Mask Render(const std::string& sjis, const TextStyle& style);
    void Stamp(Canvas& canvas, const Mask& mask, int x, int y, const TextStyle& style);

    std::mutex mutex_;
    void* dc_ = nullptr;
    std::map<std::tuple<int, bool, bool>, Face> faces_;
};

}  // namespace demodata
