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
    const char* face = nullptr;       // a face by name instead (kStepLetters, kStepDigits)
};

// The faces of text the game lays at a fixed step: monospaced letters whose
// narrow ones carry slabs, and digits of one width whose one has a foot, so
// that widened to the step each fills its cell.
inline constexpr char kStepLetters[] = "DejaVu Sans Mono";
inline constexpr char kStepDigits[] = "DejaVu Sans";

// Where a text's ink (its fill, not the outline) lies, from the top-left it is drawn at.
struct InkBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// A size and a narrowing that give a set of texts the same ink height and keep
// the widest within a width: digits of one strip all look alike.
struct InkFit {
    int size = 0;
    float squeeze = 1.0f;  // horizontal scale
    // When it has a height: the ink of the whole set, drawn on one line, which
    // each text is set on instead of on its own ink, so that they keep one baseline.
    InkBox line;
};
// How FitInk fits: kFillWidth widens the set too, until the widest fills the
// width; kOneLine sizes the set by its ink on one line and keeps that line.
enum InkFitFlags : unsigned { kFillWidth = 1, kOneLine = 2 };

enum class Align { kLeft, kCentre, kRight };

class TextPainter {
public:
    TextPainter() = default;
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Opens the face; false (with the reason) when the Japanese font or a step face is missing.
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
    // a size about `height` and no narrowing); `flags` as InkFitFlags says.
    InkFit FitInk(const std::vector<std::string>& texts, TextStyle style, int height, int width, unsigned flags = 0);
    // The set's fit for one of its texts, widened on its own until its ink fills
    // `width`, by at most `most` times the set's widening: at a step, a narrow
    // glyph (a one, an r) comes near the width of the others. A mark (a colon,
    // a stop) keeps its own width, centred.
    InkFit FitOne(const std::string& sjis, TextStyle style, const InkFit& set, int width, float most = 1.4f);
    // Paints the text with that fit, its ink aligned in the box's width and its
    // ink's middle (or its line's) on the box's middle.
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
    Face* FaceFor(int size, bool bold, const char* name);
    Mask Render(const std::string& sjis, const TextStyle& style);
    void Stamp(Canvas& canvas, const Mask& mask, int x, int y, const TextStyle& style);

    std::mutex mutex_;
    void* dc_ = nullptr;
    std::map<std::tuple<int, bool, std::string>, Face> faces_;
};

}  // namespace demodata
