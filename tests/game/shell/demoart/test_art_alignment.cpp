// The demo art against the quads the game draws over it, rendered for real (GL
// backend, private Xvfb) with the generated sheets, one family of elements per
// parameter, all drawn in one run. An element is read alone by loading its sheet
// with only its cells kept or by leaving a slot or font out. Each family leaves
// its frame in <build>/screenshots/art_<name>.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/bosses/BossCommon.h"
#include "game/objects/Items.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/ConfigScreen.h"
#include "game/shell/GameDraw.h"
#include "game/shell/Input.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/RankingView.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/ScreenLayout.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "game/story/TalkText.h"
#include "game/story/TalkWindow.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_encode.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tests/game/shell/playthrough/whole_game.h"
#include "tests/support/test_support.h"
#include "tools/demodata/Art.h"
#include "tools/demodata/Inventory.h"
#include "tools/demodata/Layout.h"

namespace {

using Image = d3d9test::Image;

using testsupport::Channel;
int Max(uint32_t c) { return std::max({Channel(c, 16), Channel(c, 8), Channel(c, 0)}); }
int Min(uint32_t c) { return std::min({Channel(c, 16), Channel(c, 8), Channel(c, 0)}); }
int Luma(uint32_t c) { return (299 * Channel(c, 16) + 587 * Channel(c, 8) + 114 * Channel(c, 0)) / 1000; }
// Over the black clear: anything drawn, a glyph's bright fill, white ink, a bright line or letter.
bool Lit(uint32_t c) { return Max(c) > 40; }
bool Fill(uint32_t c) { return Luma(c) >= 150; }
bool White(uint32_t c) { return Min(c) >= 170 && Max(c) - Min(c) <= 50; }
bool Bright(uint32_t c) { return Max(c) >= 150; }
// Over a grey clear: anything drawn, dark or not.
constexpr uint32_t kGrey = 0xFF808080u;
bool Painted(uint32_t c) { return (c & 0xFFFFFFu) != (kGrey & 0xFFFFFFu); }

// Screen pixels and their bounds (inclusive).
struct Ink {
    std::set<std::pair<int, int>> at;
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    void Add(int x, int y) {
        at.insert({x, y});
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    bool Has(int x, int y) const { return at.count({x, y}) > 0; }
    int H() const { return at.empty() ? 0 : y1 - y0 + 1; }
    int W() const { return at.empty() ? 0 : x1 - x0 + 1; }
    float Cx() const { return float(x0 + x1) / 2; }
    float Cy() const { return float(y0 + y1) / 2; }
    std::string Str() const {
        auto n = [](int v) { return std::to_string(v); };
        return at.empty() ? "nothing" : "x " + n(x0) + ".." + n(x1) + " y " + n(y0) + ".." + n(y1);
    }
};

Ink Find(const Image& im, int x0, int y0, int x1, int y1, bool (*keep)(uint32_t)) {
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(int(im.height), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(int(im.width), x1); ++x)
            if (keep(im.at(UINT(x), UINT(y)))) ink.Add(x, y);
    return ink;
}

// The least Chebyshev distance between two sets, up to `limit`; 0 when either
// is empty, so that a check finding nothing fails.
int Apart(const Ink& a, const Ink& b, int limit = 6) {
    if (a.at.empty() || b.at.empty()) return 0;
    int best = limit;
    for (const auto& [x, y] : a.at)
        for (int dy = 1 - best; dy < best; ++dy)
            for (int dx = 1 - best; dx < best; ++dx)
                if (b.Has(x + dx, y + dy)) best = std::min(best, std::max(std::abs(dx), std::abs(dy)));
    return best;
}

// The pixels of `a` within `d` px of `b`.
Ink Near(const Ink& a, const Ink& b, int d) {
    Ink out;
    const int side = 2 * d + 1;
    for (const auto& [x, y] : a.at)
        for (int k = 0; k < side * side && !out.Has(x, y); ++k)
            if (b.Has(x + k % side - d, y + k / side - d)) out.Add(x, y);
    return out;
}

// The 8-connected pieces of a set.
std::vector<Ink> Pieces(const Ink& all) {
    std::vector<Ink> pieces;
    std::set<std::pair<int, int>> seen;
    for (const auto& start : all.at) {
        if (!seen.insert(start).second) continue;
        Ink piece;
        for (std::vector<std::pair<int, int>> todo = {start}; !todo.empty();) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            piece.Add(x, y);
            for (int d = 0; d < 9; ++d)
                if (all.Has(x + d % 3 - 1, y + d / 3 - 1) && seen.insert({x + d % 3 - 1, y + d / 3 - 1}).second)
                    todo.push_back({x + d % 3 - 1, y + d / 3 - 1});
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// Without the specks (the stars of a night sky).
Ink Solid(const Ink& all) {
    Ink out;
    for (const Ink& piece : Pieces(all))
        for (const auto& [x, y] : piece.at)
            if (piece.at.size() >= 6) out.Add(x, y);
    return out;
}

// Relative luminance of an sRGB colour, and the median of an image's over a set.
double Luminance(uint32_t c) {
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    double l = 0;
    for (int i = 0; i < 3; ++i) {
        const double s = Channel(c, 16 - 8 * i) / 255.0;
        l += weights[i] * (s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
    }
    return l;
}
double MedianLuminance(const Image& im, const Ink& ink) {
    std::vector<double> l;
    for (const auto& [x, y] : ink.at) l.push_back(Luminance(im.at(UINT(x), UINT(y))));
    if (l.empty()) return 0;
    std::nth_element(l.begin(), l.begin() + ptrdiff_t(l.size() / 2), l.end());
    return l[l.size() / 2];
}

// ---- States of the real program ---------------------------------------------
// The autopilot (tests/game/shell/playthrough) leads the real program to a
// state, holds it there and draws the frame again from it in layers: as the
// player sees it, its text alone over black and over white, all but its text,
// and a line per quad drawn. Every state keeps these rules: no text under other
// ink, none cut by the screen's edges, its fill at 4.5 : 1 against what lies
// behind it, and the text on a highlight or panel centred on it within 4 px.

struct Quad {
    std::string picture;
    float src[4] = {}, dst[4] = {};
    float angle = 0;
};
struct Layered {
    Image seen, black, white, plain;
    std::vector<Quad> quads;
};

Image ReadPng(const std::string& path) {
    const std::string bytes = testsupport::ReadFile(path);
    d3dx9img::Image im;
    if (bytes.empty() || d3dx9img::DecodeImage(bytes.data(), bytes.size(), &im) != d3dx9img::DecodeStatus::kOk) return {};
    return Image{im.width, im.height, std::move(im.pixels)};
}

std::vector<Quad> ReadQuads(const std::string& base) {
    std::vector<Quad> quads;
    std::istringstream in(testsupport::ReadFile(base + ".quads.txt"));
    for (std::string line; std::getline(in, line);) {
        Quad q;
        int slot = 0;
        std::istringstream(line) >> slot >> q.picture >> q.src[0] >> q.src[1] >> q.src[2] >> q.src[3] >> q.dst[0] >> q.dst[1] >> q.dst[2] >> q.dst[3] >> q.angle;
        quads.push_back(q);
    }
    return quads;
}

Layered ReadLayers(const std::string& base) {
    return {ReadPng(base + ".png"), ReadPng(base + ".text_black.png"), ReadPng(base + ".text_white.png"), ReadPng(base + ".no_text.png"),
            ReadQuads(base)};
}

std::vector<bool> PictureLines(const std::vector<uint32_t>& px, int w, int h);

// A picture of the set, read once.
const Image& Picture(const std::string& data, const std::string& path) {
    static std::map<std::string, Image> pictures;
    Image& im = pictures[path];
    if (im.width == 0) im = ReadPng(data + "/" + path);
    return im;
}

// The longest run of rows of a screen each as flat as a plain fill (the
// brightness of its pixels spread by at most 2 levels), as "rows a..b".
std::pair<int, std::string> FlatBand(const Image& im) {
    std::pair<int, std::string> longest{0, ""};
    for (int y = 0, run = 0; y < int(im.height); ++y) {
        double sum = 0, squares = 0;
        for (int x = 0; x < int(im.width); ++x) {
            const double l = Luma(im.at(UINT(x), UINT(y)));
            sum += l, squares += l * l;
        }
        const double mean = sum / im.width;
        run = squares / im.width - mean * mean <= 2.0 * 2.0 ? run + 1 : 0;
        if (run > longest.first) longest = {run, "rows " + std::to_string(y - run + 1) + ".." + std::to_string(y)};
    }
    return longest;
}
// No screen leaves a tenth of its height flat.
constexpr int kFlatestBand = 480 / 10;

// Where a quad carrying text is painted to the edge of its box over a picture
// of its own sheet drawn before it, its ground shows as a tile unless it is
// that picture's: the screen's pixels (text left out) just inside the edge
// against those just outside it, where the quad's cell is painted at its edge.
std::vector<std::string> TileErrors(const Layered& l, const std::vector<float>& cover, const std::string& data) {
    std::vector<std::string> errors;
    for (size_t i = 0; i < l.quads.size(); ++i) {
        const Quad& q = l.quads[i];
        if (q.angle != 0 || q.dst[2] < 2 || q.dst[3] < 2) continue;
        const int x0 = int(std::lround(q.dst[0])), y0 = int(std::lround(q.dst[1]));
        const int x1 = x0 + int(std::lround(q.dst[2])) - 1, y1 = y0 + int(std::lround(q.dst[3])) - 1;
        int lettered = 0;
        for (int y = std::max(0, y0); y <= std::min(479, y1); ++y)
            for (int x = std::max(0, x0); x <= std::min(639, x1); ++x) lettered += cover[size_t(y * 640 + x)] >= 0.5f ? 1 : 0;
        if (lettered < 12) continue;
        const Image& cell = Picture(data, q.picture);
        if (cell.width == 0) continue;
        // An earlier quad of the same picture under a screen pixel.
        const auto under = [&](int x, int y) {
            for (size_t k = 0; k < i; ++k) {
                const Quad& p = l.quads[k];
                if (p.picture == q.picture && p.angle == 0 && float(x) >= p.dst[0] && float(y) >= p.dst[1] && float(x) < p.dst[0] + p.dst[2] &&
                    float(y) < p.dst[1] + p.dst[3])
                    return true;
            }
            return false;
        };
        int edge = 0, steps = 0, worst = 0;
        std::string at;
        for (int k = 0; k < 2 * (x1 - x0 + 1) + 2 * (y1 - y0 + 1); ++k) {
            // The edge pixel, and the step out of the box from it.
            const int w = x1 - x0 + 1, h = y1 - y0 + 1;
            int x, y, dx = 0, dy = 0;
            if (k < w) x = x0 + k, y = y0, dy = -1;
            else if (k < 2 * w) x = x0 + k - w, y = y1, dy = 1;
            else if (k < 2 * w + h) x = x0, y = y0 + k - 2 * w, dx = -1;
            else x = x1, y = y0 + k - 2 * w - h, dx = 1;
            const int ox = x + dx, oy = y + dy;
            if (ox < 0 || oy < 0 || ox > 639 || oy > 479 || !under(ox, oy)) continue;
            const int sx = std::clamp(int(q.src[0] + (float(x - x0) + 0.5f) * q.src[2] / q.dst[2]), 0, int(cell.width) - 1);
            const int sy = std::clamp(int(q.src[1] + (float(y - y0) + 0.5f) * q.src[3] / q.dst[3]), 0, int(cell.height) - 1);
            if ((cell.at(UINT(sx), UINT(sy)) >> 24) <= 25) continue;
            ++edge;
            const uint32_t in = l.plain.at(UINT(x), UINT(y)), out = l.plain.at(UINT(ox), UINT(oy));
            int step = 0;
            for (int c = 0; c < 24; c += 8) step = std::max(step, std::abs(Channel(in, c) - Channel(out, c)));
            if (step <= 24) continue;
            ++steps;
            if (step > worst) {
                worst = step;
                auto rgb = [](uint32_t c) {
                    return "(" + std::to_string(Channel(c, 16)) + ", " + std::to_string(Channel(c, 8)) + ", " + std::to_string(Channel(c, 0)) + ")";
                };
                at = rgb(in) + " on " + rgb(out);
            }
        }
        if (steps > 4 && steps * 4 > edge)
            errors.push_back("text on a tile: " + q.picture + " (" + std::to_string(int(q.src[0])) + "," + std::to_string(int(q.src[1])) + " " +
                             std::to_string(int(q.src[2])) + "x" + std::to_string(int(q.src[3])) + ") drawn at x " + std::to_string(x0) + ".." +
                             std::to_string(x1) + " y " + std::to_string(y0) + ".." + std::to_string(y1) + " stands apart from the picture under it along " +
                             std::to_string(steps) + " of its " + std::to_string(edge) + " edge pixels, " + at);
    }
    return errors;
}

// What a text is centred on: the ink of the quads drawn from a cell group of a
// picture (those drawn within the box, if one is given; or, `at`, the cell
// drawn over the box), or a box of the screen; the glyphs on it are centred
// both ways (kBoth), each line in it across (kLines), or all of its lines
// down (kBlock).
struct Anchor {
    std::string picture, group;
    enum Mode { kBoth, kLines, kBlock } mode = kBoth;
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool at = false;
};

// The lines of a text: its pieces joined where they stand in one row close
// together, or one above another (accents, dots).
std::vector<Ink> Lines(const Ink& text) {
    std::vector<Ink> lines = Pieces(text);
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < lines.size() && !joined; ++i)
            for (size_t j = i + 1; j < lines.size() && !joined; ++j) {
                const Ink &a = lines[i], &b = lines[j];
                const int across = std::max(a.x0, b.x0) - std::min(a.x1, b.x1), down = std::max(a.y0, b.y0) - std::min(a.y1, b.y1);
                const bool row = -down * 2 >= std::min(a.H(), b.H()) && across <= std::max({4, a.H() / 2, b.H() / 2});
                if (!row && !(across < 0 && down <= 3)) continue;
                for (const auto& [x, y] : b.at) lines[i].Add(x, y);
                lines.erase(lines.begin() + ptrdiff_t(j));
                joined = true;
            }
    }
    return lines;
}

// A text laid at a fixed step (each row its cells' boxes, in order) reads as
// words and numbers: neighbouring glyphs, as far as they stand out from their
// ground (`text`: an outline of nearly the ground's shade is not seen), stand at
// most half a glyph's width apart (2 px more for digits of 5 px or less, which
// cells of 6 px with clear edges allow no wider). A cell without ink is a
// space; ink narrower than a third of the step is a mark (a colon, a stop),
// whose room is its own, its dots at most half again as wide as tall.
std::vector<std::string> StepErrors(const Ink& text, const std::vector<std::vector<Ink>>& rows) {
    std::vector<std::string> errors;
    for (const std::vector<Ink>& cells : rows)
        for (size_t i = 0; i < cells.size(); ++i) {
            Ink a, b;
            for (const auto& [x, y] : text.at)
                for (Ink* glyph : {&a, &b}) {
                    const Ink& cell = cells[std::min(i + (glyph == &b ? 1 : 0), cells.size() - 1)];
                    if (x >= cell.x0 && x <= cell.x1 && y >= cell.y0 && y <= cell.y1) glyph->Add(x, y);
                }
            const int step = i + 1 < cells.size() ? cells[i + 1].x0 - cells[i].x0 : cells[i].W(), wa = a.W(), wb = b.W();
            const std::vector<Ink> dots = Pieces(a);
            for (const Ink& d : dots)
                if (dots.size() > 1 && wa * 3 < step && 2 * d.W() > 3 * d.H() && d.y0 > cells[i].y0 && d.y1 < cells[i].y1) errors.push_back("a mark's dot at " + d.Str());
            if (i + 1 == cells.size() || a.at.empty() || b.at.empty() || wa * 3 < step || wb * 3 < step) continue;
            const int gap = b.x0 - a.x1 - 1;
            if (4 * gap > wa + wb + (std::max(wa, wb) <= 5 ? 8 : 0))
                errors.push_back("glyphs laid " + std::to_string(step) + " px apart stand " + std::to_string(gap) + " px apart: " + a.Str() +
                                 " and " + b.Str());
        }
    return errors;
}

// A text the game fades on purpose (the display while a player flies under
// it) is read as it stands shown whole; `asShown` reads a text as it shows,
// for one that never shows whole (the continue screen's shade).
std::vector<std::string> StateErrors(const Layered& l, const std::vector<Anchor>& anchors, const std::string& data, bool asShown = false) {
    std::vector<std::string> errors;
    if (l.seen.width != 640 || l.black.width != 640 || l.white.width != 640 || l.plain.width != 640) return {"the layers were not drawn"};
    // Each pixel's text: its cover (from the text over black and over white),
    // its fill (bright where it is mostly text), and whether what the player
    // sees there is that text over what lies behind it or, where not, whether
    // the text shows through what covers it or is hidden; where it stands out
    // from what lies behind it (at 2 : 1; a text the game fades is read where
    // it shows whole).
    // As shown, a translucent text's fill is where its cover nears the most it reaches.
    Ink text, fill, washed, hidden, clear, outstanding;
    std::vector<float> cover(640 * 480, 0.0f);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint32_t b = l.black.at(UINT(x), UINT(y)), w = l.white.at(UINT(x), UINT(y));
            cover[size_t(y * 640 + x)] = 1.0f - float((Channel(w, 16) - Channel(b, 16)) + (Channel(w, 8) - Channel(b, 8)) + (Channel(w, 0) - Channel(b, 0))) / 765.0f;
        }
    Ink covered;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (cover[size_t(y * 640 + x)] >= 0.1f) covered.Add(x, y);
    std::vector<float> most(640 * 480, 1.0f);
    for (const Ink& glyph : Pieces(covered)) {
        float peak = 0;
        for (const auto& [x, y] : glyph.at) peak = std::max(peak, cover[size_t(y * 640 + x)]);
        for (const auto& [x, y] : glyph.at) most[size_t(y * 640 + x)] = peak;
    }
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint32_t b = l.black.at(UINT(x), UINT(y));
            const float a = cover[size_t(y * 640 + x)], peak = asShown ? most[size_t(y * 640 + x)] : 1.0f;
            if (a < 0.25f * peak || a < 0.1f) continue;
            text.Add(x, y);
            // (Where the text is nearly the colour of what lies behind it, none of it tells.)
            float off = 0, shown = 0, stands = 0;
            uint32_t whole = 0xFF000000u;
            for (int i = 0; i < 3; ++i) {
                const float seen = float(Channel(l.seen.at(UINT(x), UINT(y)), 16 - 8 * i)), under = float(Channel(l.plain.at(UINT(x), UINT(y)), 16 - 8 * i));
                const float expected = float(Channel(b, 16 - 8 * i)) + (1 - a) * under;
                off = std::max(off, std::abs(seen - expected)), shown = std::max(shown, std::abs(seen - under));
                stands = std::max(stands, std::abs(expected - under));
                whole |= uint32_t(std::clamp(expected, 0.0f, 255.0f)) << (16 - 8 * i);
            }
            if (a >= 0.9f && stands > 24 && off <= 48) clear.Add(x, y);
            else if (a >= 0.9f && stands > 24 && shown > 24) washed.Add(x, y);
            else if (a >= 0.9f && stands > 64) hidden.Add(x, y);
            if (off <= 48 && a >= 0.7f * peak && Luma(b) >= 96 * a) fill.Add(x, y);
            const double over = Luminance(whole), ground = Luminance(l.plain.at(UINT(x), UINT(y)));
            if ((asShown || most[size_t(y * 640 + x)] >= 0.9f) && std::max(over, ground) + 0.05 >= 2 * (std::min(over, ground) + 0.05))
                outstanding.Add(x, y);
        }
    // A line is under other ink where it shows through it (what ink hides
    // whole, as a panel over other text, is not read; the rest of the rules
    // read what shows).
    for (const Ink& line : Lines(text)) {
        const size_t seen = Near(line, washed, 0).at.size(), gone = Near(line, hidden, 0).at.size(), read = Near(line, clear, 0).at.size();
        if (seen > 4)
            errors.push_back("text under other ink: " + std::to_string(seen) + " of the " + std::to_string(seen + gone + read) +
                             " pixels of the line at " + line.Str() + " that tell");
    }
    Ink shows;
    for (const Ink& glyph : Pieces(text))
        if (Near(glyph, hidden, 0).at.size() <= Near(glyph, clear, 0).at.size())
            for (const auto& [x, y] : glyph.at) shows.Add(x, y);
    const std::vector<Ink> lines = Lines(shows);
    Ink edge;
    for (const auto& [x, y] : shows.at)
        if (x <= 1 || y <= 1 || x >= 638 || y >= 478) edge.Add(x, y);
    if (!edge.at.empty()) errors.push_back("text cut by the screen's edge at " + edge.Str());
    for (const Ink& line : lines) {
        Ink on;
        for (const auto& [x, y] : line.at)
            if (fill.Has(x, y)) on.Add(x, y);
        if (on.at.size() < 12) continue;
        const double a = MedianLuminance(l.seen, on), b = MedianLuminance(l.plain, on);
        const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
        if (contrast < 4.5) errors.push_back("text at " + line.Str() + " reads at " + std::to_string(contrast).substr(0, 4) + " : 1");
    }
    for (const std::string& e : TileErrors(l, cover, data)) errors.push_back(e);
    // The rows of quads of one picture and size, each a step on from the last,
    // their cells no more than a quarter of their width (2 px at least) apart.
    std::vector<std::vector<Ink>> steps;
    for (size_t i = 0; i < l.quads.size(); ++i) {
        const Quad& q = l.quads[i];
        Ink cell;
        cell.Add(int(std::lround(q.dst[0])), int(std::lround(q.dst[1])));
        cell.Add(cell.x0 + int(std::lround(q.dst[2])) - 1, cell.y0 + int(std::lround(q.dst[3])) - 1);
        const Quad* p = i ? &l.quads[i - 1] : nullptr;
        const std::vector<Ink>* row = steps.empty() ? nullptr : &steps.back();
        const bool on = p && q.angle == 0 && p->angle == 0 && p->picture == q.picture && std::equal(q.dst + 1, q.dst + 4, p->dst + 1) &&
                        std::equal(q.src + 2, q.src + 4, p->src + 2) && cell.x0 > row->back().x0 && cell.x0 - row->back().x0 <= cell.W() + std::max(2, cell.W() / 4) &&
                        (row->size() < 2 || cell.x0 - row->back().x0 == row->back().x0 - (*row)[row->size() - 2].x0);
        if (!on) steps.emplace_back();
        steps.back().push_back(cell);
    }
    for (const std::string& e : StepErrors(outstanding, steps)) errors.push_back(e);
    const auto [flat, rows] = FlatBand(l.seen);
    if (flat > kFlatestBand) errors.push_back("a flat band of " + std::to_string(flat) + " rows, nothing in it: " + rows);
    // The anchors' boxes: each quad's painted ink, scaled as it is drawn.
    for (const Anchor& anchor : anchors) {
        std::vector<Ink> boxes;
        if (anchor.picture.empty()) {
            boxes.emplace_back();
            boxes.back().Add(anchor.x0, anchor.y0), boxes.back().Add(anchor.x1, anchor.y1);
        }
        std::vector<Quad> quads = l.quads;
        if (anchor.at)
            for (const demodata::Cell& cell : demodata::FindImage(anchor.picture)->cells)
                if (cell.group == anchor.group)
                    quads.push_back({anchor.picture, {float(cell.box.x), float(cell.box.y), float(cell.box.w), float(cell.box.h)},
                                     {float(anchor.x0), float(anchor.y0), float(anchor.x1 - anchor.x0 + 1), float(anchor.y1 - anchor.y0 + 1)}});
        for (const Quad& q : quads) {
            if (anchor.picture.empty() || q.picture != anchor.picture || (anchor.at && &q < &quads[l.quads.size()])) continue;
            if (!anchor.at && anchor.x1 >= 0 && (q.dst[0] < float(anchor.x0) || q.dst[1] < float(anchor.y0) || q.dst[0] > float(anchor.x1) || q.dst[1] > float(anchor.y1)))
                continue;
            const demodata::Cell* cell = demodata::CellAround(*demodata::FindImage(q.picture), {int(q.src[0]), int(q.src[1]), int(q.src[2]), int(q.src[3])});
            if (!cell || cell->group != anchor.group) continue;
            const Image& im = Picture(data, q.picture);
            const Ink ink = Find(im, int(q.src[0]), int(q.src[1]), int(q.src[0] + q.src[2]), int(q.src[1] + q.src[3]), [](uint32_t c) { return (c >> 24) > 64; });
            if (ink.at.empty()) continue;
            boxes.emplace_back();
            const auto at = [&](int x, int y) {
                boxes.back().Add(int(std::lround(q.dst[0] + float(x - int(q.src[0])) * q.dst[2] / q.src[2])),
                                 int(std::lround(q.dst[1] + float(y - int(q.src[1])) * q.dst[3] / q.src[3])));
            };
            at(ink.x0, ink.y0), at(ink.x1 + 1, ink.y1 + 1);
            boxes.back().x1 -= 1, boxes.back().y1 -= 1;
        }
        if (boxes.empty()) errors.push_back("no " + anchor.group + " of " + anchor.picture + " is drawn");
        const std::vector<Ink> glyphs = Pieces(shows);
        for (const Ink& box : boxes) {
            Ink on;
            std::vector<const Ink*> within;
            for (const Ink& line : anchor.mode == Anchor::kBoth ? glyphs : lines)
                if (anchor.mode == Anchor::kLines ? line.Cx() >= box.x0 && line.Cx() <= box.x1 && line.Cy() >= box.y0 && line.Cy() <= box.y1
                                                  : line.x1 >= box.x0 && line.x0 <= box.x1 && line.y1 >= box.y0 && line.y0 <= box.y1) {
                    within.push_back(&line);
                    for (const auto& [x, y] : line.at) on.Add(x, y);
                }
            const std::string what = (anchor.group.empty() ? "the box " : anchor.group + " ") + box.Str();
            if (within.empty()) errors.push_back("no text on " + what);
            if (anchor.mode == Anchor::kLines)
                for (const Ink* line : within) {
                    if (std::abs(line->Cx() - box.Cx()) > 4) errors.push_back("the line " + line->Str() + " is not centred across " + what);
                }
            else if (!within.empty() && (std::abs(on.Cy() - box.Cy()) > 4 || (anchor.mode == Anchor::kBoth && std::abs(on.Cx() - box.Cx()) > 4)))
                errors.push_back("the text " + on.Str() + " is not centred on " + what);
        }
    }
    return errors;
}

// The strokes of a cell drawn w x h, sampled as the device samples it (between
// the four nearest texels): how thick its ink (alpha 128 or more) runs where
// it first meets the middle column from the top and the bottom and the middle
// row from the left and the right, within the outer quarter; 0 where none does.
std::array<int, 4> Strokes(const Image& sheet, const float src[4], int w, int h) {
    const auto alpha = [&](int x, int y) {
        const float u = src[0] + (float(x) + 0.5f) * src[2] / float(w) - 0.5f, v = src[1] + (float(y) + 0.5f) * src[3] / float(h) - 0.5f;
        const int u0 = int(std::floor(u)), v0 = int(std::floor(v));
        const float fu = u - float(u0), fv = v - float(v0);
        const auto a = [&](int i, int j) {
            return float(sheet.at(UINT(std::clamp(i, 0, int(sheet.width) - 1)), UINT(std::clamp(j, 0, int(sheet.height) - 1))) >> 24);
        };
        return (a(u0, v0) * (1 - fu) + a(u0 + 1, v0) * fu) * (1 - fv) + (a(u0, v0 + 1) * (1 - fu) + a(u0 + 1, v0 + 1) * fu) * fv;
    };
    std::array<int, 4> strokes{};
    for (int side = 0; side < 4; ++side) {
        const int n = side < 2 ? h : w;
        const auto at = [&](int k) {
            const int along = side % 2 ? n - 1 - k : k;
            return side < 2 ? alpha(w / 2, along) : alpha(along, h / 2);
        };
        int k = 0;
        while (k < n / 4 && at(k) < 128) ++k;
        if (k == n / 4) continue;
        while (k + strokes[size_t(side)] < n && at(k + strokes[size_t(side)]) >= 128) ++strokes[size_t(side)];
    }
    return strokes;
}

// A cell the game draws at more than one size keeps its strokes within a
// pixel of each other at every size, read from the quads of every state.
std::vector<std::string> TwoSizeErrors(const std::vector<std::vector<Quad>>& states, const std::string& data) {
    std::map<std::string, std::set<std::pair<int, int>>> sizes;
    std::map<std::string, Quad> cells;
    for (const std::vector<Quad>& quads : states)
        for (const Quad& q : quads) {
            if (q.angle != 0) continue;
            std::ostringstream key;
            key << q.picture << " (" << q.src[0] << "," << q.src[1] << " " << q.src[2] << "x" << q.src[3] << ")";
            sizes[key.str()].insert({int(std::lround(q.dst[2])), int(std::lround(q.dst[3]))});
            cells[key.str()] = q;
        }
    std::vector<std::string> errors;
    for (const auto& [key, drawn] : sizes) {
        if (drawn.size() < 2) continue;
        const Quad& q = cells[key];
        int least = INT_MAX, most = 0;
        std::string report;
        for (const auto& [w, h] : drawn) {
            const std::array<int, 4> s = Strokes(Picture(data, q.picture), q.src, w, h);
            report += "; at " + std::to_string(w) + "x" + std::to_string(h) + " top " + std::to_string(s[0]) + ", bottom " + std::to_string(s[1]) +
                      ", left " + std::to_string(s[2]) + ", right " + std::to_string(s[3]);
            for (int t : s)
                if (t) least = std::min(least, t), most = std::max(most, t);
        }
        if (most && most - least > 1) errors.push_back(key + " drawn at " + std::to_string(drawn.size()) + " sizes: its strokes part by " +
                                                       std::to_string(most - least) + " px" + report);
    }
    return errors;
}

class DrawingBoss : public cBossBase {
public:
    std::function<void()> draw = [] {};
    void Draw() override { draw(); }
};

constexpr int32_t kHud = sheet::kSystem, kClear = sheet::kClear, kBalloons = sheet::kBalloons,
                  kCards = sheet::kNameCards, kBand = sheet::kStageTitleBack, kLetters = sheet::kStageTitle;
const char kHudPng[] = "img/main_system.png";

class ArtAlignment;

// A row of the table: a family of elements drawn afresh, checked by its own
// lines, or a state of the real program, checked by the rules above.
struct Family {
    Family(const char* n, void (ArtAlignment::*r)()) : name(n), run(r) {}
    Family(wholegame::Shot s, std::vector<Anchor> a = {}) : name(s.file.substr(4)), shot(std::move(s)), anchors(std::move(a)) {}
    // A rule over every state at once.
    Family(const char* n, std::vector<std::string> (*r)(const std::vector<std::vector<Quad>>&, const std::string&)) : name(n), acrossStates(r) {}
    std::string name;
    void (ArtAlignment::*run)() = nullptr;
    std::vector<std::string> (*acrossStates)(const std::vector<std::vector<Quad>>&, const std::string&) = nullptr;
    std::optional<wholegame::Shot> shot;
    std::vector<Anchor> anchors;
};
void PrintTo(const Family& f, std::ostream* out) { *out << f.name; }

// What one run leaves for every parameter: the states' layers and each drawn
// family's errors (<name>.errors) in its folder, and the autopilot's failure.
struct SharedRun {
    testsupport::TempDir folder;
    std::string tour;
};

class ArtAlignment : public spritetest::SpriteTest, public testing::WithParamInterface<Family> {
public:
    // The drawn families, each checked by its own lines.
    void BossGauge(), Hud(), Tally(), Config(), KeyConfig(), Ranking(), Talk(), StageTitle(), TeamChoice(), Practice(),
        Difficulty(), Pause(), Continue(), GameOver(), AttackNames();

protected:
    void StartGl() override {
        SpriteTest::StartGl();
        ASSERT_TRUE(KestraFont::Initialize());
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }
    void FinishDevice() override {
        KestraFontSprite2D::Finalize();
        KestraFont::Finalize();
        SpriteTest::FinishDevice();
    }
    static std::string Data() { return std::string(QUENRITH_DEMODATA_DIR) + "/data"; }

    // A picture of the set in a slot; with `keep`, only those groups' cells of it.
    void Sheet(int32_t slot, const std::string& path, const std::vector<std::string>& keep = {}) {
        std::string key = path;
        for (const std::string& k : keep) key += "|" + k;
        std::string& file = variants_[key];
        if (file.empty()) {
            const std::string bytes = testsupport::ReadFile(Data() + "/" + path);
            d3dx9img::Image im;
            ASSERT_EQ(d3dx9img::DecodeImage(bytes.data(), bytes.size(), &im), d3dx9img::DecodeStatus::kOk) << path;
            std::vector<bool> kept(im.pixels.size(), keep.empty());
            for (const demodata::Cell& c : demodata::FindImage(path)->cells)
                if (std::find(keep.begin(), keep.end(), c.group) != keep.end())
                    for (int y = c.box.y; y < c.box.y + c.box.h; ++y)
                        for (int x = c.box.x; x < c.box.x + c.box.w; ++x) kept[size_t(y) * im.width + size_t(x)] = true;
            for (size_t i = 0; i < kept.size(); ++i) im.pixels[i] = kept[i] ? im.pixels[i] : 0;
            std::vector<uint8_t> png;
            ASSERT_TRUE(d3dx9img::EncodePng(im, true, &png));
            file = Scratch("sheet" + std::to_string(variants_.size()) + ".png", std::string(png.begin(), png.end()));
        }
        testing::internal::CaptureStdout();
        loadSprite(file, SpriteTable[size_t(slot)], 0, 600);
        testing::internal::GetCapturedStdout();
    }

    // A picture's pixels (painted apart from the set) in a slot.
    void SheetPixels(int32_t slot, const std::string& name, const std::vector<uint32_t>& pixels, const demodata::ImageAsset& a) {
        std::string& file = variants_[a.path + "#" + name];
        if (file.empty()) {
            std::vector<uint8_t> png;
            ASSERT_TRUE(d3dx9img::EncodePng({{}, uint32_t(a.width), uint32_t(a.height), pixels}, true, &png));
            file = Scratch("sheet" + std::to_string(variants_.size()) + ".png", std::string(png.begin(), png.end()));
        }
        testing::internal::CaptureStdout();
        loadSprite(file, SpriteTable[size_t(slot)], 0, 600);
        testing::internal::GetCapturedStdout();
    }

    // `draw` over black (or `clear`), the slots' sprites and the fonts left out.
    static Image Shot(const std::function<void()>& draw, const std::vector<int32_t>& hide = {}, const std::vector<int32_t>& fonts = {},
                      uint32_t clear = 0xFF000000u) {
        std::vector<CSprite2D*> sprites;
        std::vector<CFontSprite2D*> kept;
        for (int32_t s : hide) sprites.push_back(std::exchange(SpriteTable[size_t(s)].sprite, nullptr));
        for (int32_t f : fonts) kept.push_back(std::exchange(FontTable[size_t(f)], nullptr));
        EXPECT_TRUE(Kestra3D::Clear(1, clear, 1.0f, 0, nullptr));
        draw();
        for (size_t i = 0; i < hide.size(); ++i) SpriteTable[size_t(hide[i])].sprite = sprites[i];
        for (size_t i = 0; i < fonts.size(); ++i) FontTable[size_t(fonts[i])] = kept[i];
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }
    static Image Scene(const std::vector<int32_t>& hide = {}, const std::vector<int32_t>& fonts = {}) {
        return Shot([] { DrawGameScene(GameState); }, hide, fonts);
    }

    const SharedRun& Run();

    void Expect(bool ok, const std::string& what) { if (!ok) errors_.push_back(what); }
    void Shoot(const Image& im) { gallerygl::WriteScreenshot(im, "art_" + family_); }
    Image HudPart(const std::string& group) {
        Sheet(kHud, kHudPng, {group});
        return Scene();
    }
    Image TitleWith(const std::vector<std::string>& keep) {
        Sheet(sheet::kTitle, "img/title.png", keep);
        return Shot(DrawTitle);
    }
    // Digits beside their label: within 3 px of its height, their middles within
    // 3 px, and (given a gap) no farther from its end than that.
    void Beside(const Ink& digits, const Ink& label, const std::string& row, int gap = 640) {
        Expect(label.H() > 0 && std::abs(digits.H() - label.H()) <= 3 && std::abs(digits.Cy() - label.Cy()) <= 3 &&
                   digits.x0 > label.x1 && digits.x0 - label.x1 <= gap,
               row + ": digits " + digits.Str() + " beside the label " + label.Str());
    }
    // Centred on a middle, within 2 px.
    void Centred(const Ink& ink, float middle, const std::string& what) {
        Expect(ink.H() > 0 && std::abs(ink.Cx() - middle) <= 2,
               what + " (" + ink.Str() + ") is not centred on x " + std::to_string(middle));
    }

    std::map<std::string, std::string> variants_;
    std::string family_;
    std::vector<std::string> errors_;
    DrawingBoss* boss_ = nullptr;
};


// The pictures that carry lettering (the rest, the stages' and the people's,
// are painted without it).
bool Lettered(const demodata::ImageAsset& a) {
    using demodata::Art;
    static const std::set<Art> lettered = {Art::Title,      Art::Config, Art::Ranking,   Art::NameEntry, Art::HudSheet,
                                           Art::StageClear, Art::CutIn,  Art::NameCards, Art::Ending,    Art::StageTitleLetters};
    return lettered.count(a.art) > 0;
}

// The autopilot's way through the states: a story game of team 1 from the
// title (its menus first), practices of both teams' stages in one and two
// players, and the extra stage of both teams; each stage brings its title,
// then its bosses, whose attacks end at their first hit.
wholegame::Plan Tour(const std::vector<Family>& families, const std::string& folder) {
    wholegame::Plan plan;
    plan.seed = 1'650'000'000;
    plan.scoreText = wholegame::OpenScoreText();
    plan.hurryBosses = true;
    plan.layerFolder = folder;
    using wholegame::Game;
    plan.games = {Game{0, 1, 0, 0, 0, "TOUR", 0, true},
                  Game{5, 1, 0, 0, 0, "TOUR", 0, false, 2}, Game{4, 1, 0, 0, 0, "TOUR", 0, false, 3},
                  Game{4, 1, 0, 0, 0, "TOUR", 0, false, 4}, Game{5, 2, 0, 0, 0, "TOUR", 0, false, 0},
                  Game{4, 2, 0, 0, 0, "TOUR", 0, false, 1}, Game{4, 2, 0, 0, 0, "TOUR", 0, false, 2},
                  Game{4, 2, 0, 0, 0, "TOUR", 0, false, 3}, Game{4, 2, 0, 0, 0, "TOUR", 0, false, 4},
                  Game{2, 1}, Game{2, 2}};
    // Each stage's title, then its bosses as its schedule brings them, sooner;
    // stage 1 keeps room before its boss for the states of play, and a second
    // boss comes once the first has stopped the scroll.
    const char* const bosses[6] = {"320 380 200 900 0", "320 -50 201 400 0", "380 65 202 400 16384", "-40 120 203 400 0",
                                   "320 -15 204 400 0 0 0 0 0 0\n260 15 205 700 0", "120 -40 290 400 0 0 0 0 0 0\n320 15 291 700 0"};
    for (int stage = 1; stage <= 6; ++stage)
        plan.files.push_back({"data/stagedata/Stage0" + std::to_string(stage) + (stage == 6 ? "1" : "0") + "Enemy.dat",
                              "320 240 300 30 0 0 0 0 0 1\n" + std::string(bosses[stage - 1]) + " 0 0 0 0 0\n"});
    for (const Family& f : families)
        if (f.shot) plan.shots.push_back(*f.shot);
    demodata::TextPainter text;
    std::string error;
    if (!text.Open(&error)) return plan;
    for (const demodata::ImageAsset& a : demodata::Images()) {
        if (!Lettered(a)) continue;
        demodata::TextLayers layers = demodata::PaintTextLayers(a, text);
        if (layers.textOnly.empty()) continue;
        std::string pngs[2];
        for (int k = 0; k < 2; ++k) {
            std::vector<uint8_t> bytes;
            d3dx9img::EncodePng({{}, uint32_t(a.width), uint32_t(a.height), k ? layers.noText : layers.textOnly}, true, &bytes);
            pngs[k].assign(bytes.begin(), bytes.end());
        }
        plan.layers[a.path] = {pngs[0], pngs[1]};
    }
    return plan;
}

void ArtAlignment::BossGauge() {
    GameState.subState = kSubStateDialogue;  // the boss's quads alone
    boss_->phase = 2;
    boss_->hp = boss_->maxHp = 100.0f;
    boss_->secondsLeft = 42;
    boss_->lastBonus = 8888888;  // digits of one width: the row's ink spans its cells alike
    boss_->draw = [&] { boss_->DrawLifeGauge(), boss_->DrawSpellBonus(); };
    const Image frame = HudPart("boss_frame"), bar = HudPart("boss_bar"), seconds = HudPart("seconds_digits");
    const Image label = HudPart("bonus_label"), digits = HudPart("bonus_digits");
    Sheet(kHud, kHudPng);
    Shoot(Scene());
    // From the middle of each edge of the full bar, the outline's white 1 to 6 px out.
    const Ink b = Find(bar, 0, 0, 640, 60, Lit);
    if (b.at.empty()) return Expect(false, "no boss bar is drawn");
    auto out = [&](int x, int y, int dx, int dy) {
        for (int k = 1; k <= 6; ++k)
            if (White(frame.at(UINT(x + k * dx), UINT(y + k * dy)))) return k;
        return 0;
    };
    const int mx = int(b.Cx()), my = int(b.Cy());
    const int gaps[4] = {out(b.x0, my, -1, 0), out(b.x1, my, 1, 0), out(mx, b.y0, 0, -1), out(mx, b.y1, 0, 1)};
    const Ink on = Find(frame, b.x0, b.y0, b.x1 + 1, b.y1 + 1, White);
    Expect(gaps[0] && gaps[1] && gaps[2] && gaps[3] && on.at.empty(),
           "the full bar (" + b.Str() + ") is not in an outline hugging it (left, right, top, bottom " + std::to_string(gaps[0]) + " " +
               std::to_string(gaps[1]) + " " + std::to_string(gaps[2]) + " " + std::to_string(gaps[3]) + " px out, 0 none; on it " +
               on.Str() + ")");
    int end = b.x1 + std::max(gaps[1], 1);
    while (end < 639 && White(frame.at(UINT(end + 1), UINT(my)))) ++end;
    const Ink s = Find(seconds, 0, 0, 640, 60, Fill), time = Find(frame, end + 2, 0, s.x0, 60, White);
    Expect(time.H() > 0 && std::abs(s.y0 - time.y0) <= 2 && std::abs(s.y1 - time.y1) <= 2 && s.x0 > time.x1 + 2,
           "the seconds (" + s.Str() + ") are not beside TIME (" + time.Str() + ") at its height");
    const Ink l = Find(label, 0, 100, 640, 330, Fill), d = Find(digits, 0, 100, 640, 330, Fill);
    Expect(std::abs(l.Cx() - d.Cx()) <= 3 && l.y1 < d.y0,
           "the bonus digits (" + d.Str() + ") are not under their label's centre (" + l.Str() + ")");
}

void ArtAlignment::Hud() {
    GameState.subState = kSubStatePlay;
    // Player 1's panel, and the foot of the strip under it.
    const layout::Rect box = layout::kHudPanel.screen;
    const int right = box.x + box.w, bottom = box.y + box.h, foot = layout::kHudStrip.screen.y + layout::kHudStrip.screen.h;
    for (int32_t element = 0; element < 2; ++element) {
        GameState.hudAlpha = 254;
        Player1->element = Player2->element = elements::FromNumber(element);
        Player1->gauge = 200.0f;
        const std::string which = element == 0 ? "warm panel: " : "cool panel: ";
        // The panel's bright lines and letters: the frame those in pieces spanning 80 px or more.
        const Image panel = HudPart("player_panel");
        const Ink body = Find(panel, box.x, box.y, right, bottom, Lit);
        Ink labels, frame;
        for (const Ink& piece : Pieces(Find(panel, box.x, box.y, right, bottom, Bright)))
            for (const auto& [x, y] : piece.at) (piece.x1 - piece.x0 >= 80 || piece.y1 - piece.y0 >= 50 ? frame : labels).Add(x, y);
        for (const char* icon : {"stock_icon", "life_bar", "pip_small", "pip_large", "gauge_digits"}) {
            const int gap = Apart(labels, Find(HudPart(icon), box.x, box.y, right, foot, Lit));
            Expect(gap >= 3, which + "label ink (" + labels.Str() + ") within " + std::to_string(gap) + " px of " + icon);
        }
        // However many 1-ups are taken, the stock icons stay on the panel.
        Player1->stock = 9;
        const Ink icons = Find(HudPart("stock_icon"), 0, 370, 640, 410, Lit);
        Player1->stock = 3;
        Expect(icons.H() > 0 && icons.x0 >= box.x && icons.x1 < right,
               which + "nine stock's icons " + icons.Str() + " off the panel (x " + std::to_string(box.x) + "-" + std::to_string(right - 1) + ")");
        // A frame line keeps to the panel's edge (4 px from what it does not cover); a label run into it does not.
        Ink inner;
        for (const auto& [x, y] : frame.at) {
            bool edge = false;
            for (int d = 0; d < 81 && !edge; ++d) edge = !body.Has(x + d % 9 - 4, y + d / 9 - 4);
            if (!edge) inner.Add(x, y);
        }
        Expect(inner.at.empty(), which + "label ink runs into the frame at " + inner.Str());
        // The gauge number clear of the FORCE strip drawn under it from 50 on, and
        // below 50, with no strip, of the frame that closes the panel under it.
        const Ink number = Find(HudPart("gauge_digits"), box.x, 440, right, foot, Fill), strip = Find(HudPart("force_strip"), box.x, 440, right, 480, Lit);
        Expect(Apart(number, frame) >= 2 && Apart(number, strip) >= 2 && number.H() >= 7,
               which + "the gauge number (" + number.Str() + ") sits on the frame or the strip (" + strip.Str() + ") or is under 7 px tall");
        Player1->gauge = 30.0f;
        const Ink low = Find(HudPart("gauge_digits"), box.x, 440, right, foot, Fill);
        Ink open;
        for (int x = low.x0; x <= low.x1; ++x) {
            bool closed = false;
            for (int y = low.y1 + 1; y < 480 && !closed; ++y) closed = frame.Has(x, y);
            if (!closed) open.Add(x, low.y1);
        }
        Expect(low.H() > 0 && open.at.empty() && Apart(low, frame) >= 2,
               which + "with the gauge under 50 the number (" + low.Str() + ") is on the frame or the frame is open under it at " + open.Str());
        // Player 2's panel, one column wider, shows nothing player 1's does not.
        GameState.twoPlayer = 1;
        const Image panels = HudPart("player_panel");
        GameState.twoPlayer = 0;
        Ink extra;
        for (int y = box.y; y < foot; ++y)
            for (int x = box.x + layout::kHudPlayerStep; x < 630; ++x)
                if (panels.at(UINT(x), UINT(y)) != panels.at(UINT(x - layout::kHudPlayerStep), UINT(y))) extra.Add(x, y);
        Expect(extra.at.empty(), which + "player 2's panel differs from player 1's at " + extra.Str());
    }
    Player1->gauge = 200.0f;
    Sheet(kHud, kHudPng);
    Shoot(Scene());
}

void ArtAlignment::Tally() {
    GameState.subState = kSubStateTally;
    auto scene = [&](const std::vector<std::string>& keep, uint8_t twoPlayer = 0) {
        Sheet(kClear, "img/stageclear.png", keep);
        GameState.tallyTimer = 200;
        GameState.twoPlayer = twoPlayer;
        const Image im = Scene();
        GameState.twoPlayer = 0;
        return im;
    };
    const Image bg = scene({"background"}), digits = scene({"small_digits", "large_digits"});
    const Image both = scene({"small_digits", "large_digits"}, 1), banners = scene({"banner_top", "banner_bottom"});
    Shoot(scene({}));
    // Each row's digits at the height they are made to stand, within a pixel.
    const layout::Rect small = layout::kTallyDigits.first.screen, total = layout::kTallyTotal.first.screen;
    for (int k = 0; k <= 5; ++k) {
        const int y = k < 5 ? layout::kTallyRowY[k] : total.y, h = k < 5 ? small.h : total.h;
        const int ink = k < 5 ? demodata::screen::kTallyDigitInk : demodata::screen::kTallyTotalInk;
        const Ink row = Find(digits, small.x, y, 640, y + h, Fill);
        Beside(row, Solid(Find(bg, 0, y - 6, small.x - 2, y + h + 6, Fill)), "row at y " + std::to_string(y));
        Expect(std::abs(row.H() - ink) <= 1, "row at y " + std::to_string(y) + ": the digits' ink " + row.Str() + " is not " + std::to_string(ink) + " px tall");
    }
    // Every label and digit 2 px clear of the banners; nothing in player 2's
    // column of a one-player game.
    Ink text = Find(bg, 0, 0, 640, 480, Bright), second;
    for (const auto& [x, y] : Find(digits, 0, 0, 640, 480, Bright).at) text.Add(x, y);
    const Ink banner = Find(banners, 0, 0, 640, 480, Lit), under = Near(text, banner, 2);
    Expect(banner.H() > 0 && under.at.empty(), "text within 2 px of a banner at " + under.Str());
    for (const auto& [x, y] : Find(both, 0, 0, 640, 480, Fill).at)
        if (!Fill(digits.at(UINT(x), UINT(y)))) second.Add(x, y);
    const Ink stray = Find(bg, second.x0, demodata::screen::kTallyRowY[0] - 4, second.x1 + 1, 480, Bright);
    Expect(second.H() > 0 && stray.at.empty(), "a one-player tally shows " + stray.Str() + " in player 2's column " + second.Str());
}

void ArtAlignment::Config() {
    auto shot = [&](const std::vector<std::string>& keep, int32_t cursor = 0, const std::vector<int32_t>& hide = {}) {
        Sheet(sheet::kConfig, "img/config.png", keep);
        TitleState = cTitleState();
        TitleState.configCursor = cursor;
        return Shot(DrawConfigScreen, hide);
    };
    const Image labels = shot({"labels"}), digits = shot({"digits"}), bg = shot({"background"}, 0, {sheet::kName});
    Shoot(shot({}));
    const layout::Rect volume = layout::kVolumeDigits.first.screen, rows = layout::kConfigLabels.screen;
    for (int y : {volume.y, volume.y + layout::kConfigRowStep})
        Beside(Find(digits, volume.x, y, 240, y + volume.h, Fill), Solid(Find(labels, rows.x, y - 6, volume.x, y + 32, Fill)),
               "volume at y " + std::to_string(y));
    // The rotating cursor's centre on its item's middle.
    for (int32_t item = 0; item < 4; ++item) {
        const int y = rows.y + layout::kConfigRowStep * item;
        const Ink cursor = Find(shot({"cursor"}, item, {sheet::kName}), 0, 0, 640, 480, Lit),
                  label = Solid(Find(labels, 130, y - 6, rows.x + rows.w, y + 32, Fill));
        Expect(label.H() > 0 && std::abs(cursor.Cy() - label.Cy()) <= 1.5f,
               "item " + std::to_string(item) + ": the cursor " + cursor.Str() + " is not on the middle of " + label.Str());
    }
    // The play time inside the panel's frame, with its heading above it.
    const Ink time = Find(Shot(DrawConfigScreen, {sheet::kConfig}), 0, 0, 640, 480, Fill);
    int frame = time.H() > 0 ? time.x1 + 1 : 640;
    while (frame < 640 && !Bright(bg.at(UINT(frame), UINT(time.Cy())))) ++frame;
    Expect(frame < 640 && frame - time.x1 >= 3, "the play time (" + time.Str() + ") is not 2 px inside the panel's frame");
    Ink heading;
    for (const Ink& piece : Pieces(Find(bg, time.x0 - 20, time.y0 - 40, 640, time.y1 + 1, Fill)))
        for (const auto& [x, y] : piece.at)
            if (piece.H() < 30 && piece.at.size() >= 6) heading.Add(x, y);
    Expect(heading.H() > 0 && heading.y1 + 2 < time.y0,
           "PLAY TIME (" + heading.Str() + ") does not stand above the play time (" + time.Str() + ")");
}

void ArtAlignment::KeyConfig() {
    Sheet(sheet::kConfig, "img/config.png", {"keyconfig"});
    cKeyConfigScreen screen;
    const Image names = Shot([&] { screen.Draw(); }, {sheet::kConfig}), sheet = Shot([&] { screen.Draw(); }, {}, {1});
    std::vector<std::pair<int, int>> bars;
    for (int32_t cell = 0; cell < 2 * kActionCount; ++cell) {
        const int x = screen.cells[cell][0], y = screen.cells[cell][1];
        const Ink name = Find(names, x - 20, y, x + 140, y + 34, Lit), label = Solid(Find(sheet, 40, y - 3, 200, y + 34, Fill));
        // The row's bar: the rows around the name's middle that match it, on a column left of the labels.
        const uint32_t c = sheet.at(56, UINT(name.Cy()));
        auto bar = [&](int yy) {
            const uint32_t p = sheet.at(56, UINT(yy));
            return std::abs(Channel(p, 16) - Channel(c, 16)) <= 4 && std::abs(Channel(p, 8) - Channel(c, 8)) <= 4 && std::abs(Channel(p, 0) - Channel(c, 0)) <= 4;
        };
        int top = int(name.Cy()), bottom = top;
        while (top > 0 && bar(top - 1)) --top;
        while (bottom < 479 && bar(bottom + 1)) ++bottom;
        Expect(std::abs(name.Cy() - label.Cy()) <= 2 && std::abs(name.Cy() - float(top + bottom) / 2) <= 2,
               "player " + std::to_string(cell / kActionCount + 1) + " row " + std::to_string(cell % kActionCount) + ": key name " +
                   name.Str() + ", label " + label.Str() + ", bar y " + std::to_string(top) + ".." + std::to_string(bottom));
        bars.push_back({top, bottom});
    }
    // While a row is being defined, its highlight stays on the row's bar.
    Sheet(sheet::kConfig, "img/config.png", {"key_highlight"});
    screen.defining = 1;
    for (int32_t cell = 0; cell < 2 * kActionCount; ++cell) {
        screen.column = cell / kActionCount + 1, screen.row = cell % kActionCount;
        const Ink mark = Find(Shot([&] { screen.Draw(); }, {}, {1}), 0, 0, 640, 480, Lit);
        const auto [top, bottom] = bars[size_t(cell)];
        Expect(mark.H() > 0 && mark.y0 >= top && mark.y1 <= bottom && std::abs(mark.Cy() - float(top + bottom) / 2) <= 1,
               "player " + std::to_string(screen.column) + " row " + std::to_string(screen.row) + ": the highlight " + mark.Str() +
                   " is not on the middle of the bar y " + std::to_string(top) + ".." + std::to_string(bottom));
    }
    Sheet(sheet::kConfig, "img/config.png");
    screen.column = 1, screen.row = 3;
    Shoot(Shot([&] { screen.Draw(); }));
}

void ArtAlignment::Ranking() {
    FillDefaultScores(ScoreData);
    // The widest names and scores in every other row, the given names between.
    for (int i = 0; i < kShownRows; i += 2) {
        cRankingRow& row = ScoreData.rows[0][i];
        std::snprintf(row.name, sizeof row.name, "WWWWWWWW"), row.score = 999999999, row.stage = 7;
    }
    auto shot = [&](const std::vector<std::string>& keep, const std::vector<int32_t>& hide, const std::vector<int32_t>& fonts) {
        Sheet(sheet::kRanking, "img/ranking.png", keep);
        return Shot(DrawRankingView, hide, fonts);
    };
    const Image bg = shot({"background"}, {}, {1}), badges = shot({"stage"}, {}, {1}),
                text = shot({}, {sheet::kRanking}, {});
    Shoot(shot({}, {}, {}));
    // The panel's inside: what a fill from its middle reaches without crossing a bright line.
    Ink inside;
    bool leaks = false;
    for (std::vector<std::pair<int, int>> todo = {{320, 250}}; !todo.empty();) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        leaks = leaks || x < 0 || y < 0 || x >= 640 || y >= 480;
        if (x < 0 || y < 0 || x >= 640 || y >= 480 || inside.Has(x, y) || Luma(bg.at(UINT(x), UINT(y))) >= 80) continue;
        inside.Add(x, y);
        todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    Expect(!leaks, "the panel's frame is not closed");
    // The names and dates at the full step, the scores at the half.
    std::vector<std::vector<Ink>> rows;
    const int texts[3][3] = {{layout::kRankNameX, 8, 20}, {layout::kRankDateX, 5, 20}, {layout::kRankScoreX, 9, 10}};
    for (int i = 0; i < kShownRows; ++i)
        for (const auto& [x, cells, step] : texts) {
            rows.emplace_back();
            for (int k = 0; k < cells; ++k) {
                rows.back().emplace_back();
                rows.back().back().Add(x + step * k, layout::kRankTextY + layout::kRankRowStep * i);
                rows.back().back().Add(x + step * (k + 1) - 1, layout::kRankTextY + layout::kRankRowStep * i + 21);
            }
        }
    for (const std::string& e : StepErrors(Find(text, 0, 0, 640, 480, Lit), rows)) Expect(false, "ranking: " + e);
    for (const auto& [what, ink] : {std::pair{"a stage badge", Find(badges, 0, 0, 640, 480, Lit)}, std::pair{"row text", Find(text, 0, 0, 640, 432, Lit)}}) {
        Ink out;
        for (const auto& [x, y] : ink.at)
            if (!inside.Has(x, y)) out.Add(x, y);
        Expect(out.at.empty(), std::string(what) + " crosses the panel's frame: " + out.Str());
    }
}

void ArtAlignment::Talk() {
    GameState.subState = kSubStateDialogue;
    std::string row;  // 17 full-width squares, ink to their cells' edges
    for (int k = 0; k < 17; ++k) row += "\x81\xA1";
    const std::string rows = row + "\n" + row + "\n" + row, moved = row.substr(2);  // and 16, 20 px to the right
    const TalkText full{rows.c_str(), "art", "rows", 0}, shifted{moved.c_str(), "art", "moved", 0};
    // Every balloon style holds its text on its fill, 2 px clear of its edge.
    for (TalkSide side : {TalkSide::Upper, TalkSide::Lower})
        for (int32_t row = 0; row < 3; ++row) {
            boss_->draw = [&, row, side] {
                DrawTalkBalloon(row, BalloonMode::Opaque, side);
                DrawTalkText(full, side, 0);
                if (side == TalkSide::Upper) DrawTalkText(shifted, side, 20);
            };
            const Image balloon = Scene({}, {0});
            const Ink ink = Find(Scene({kBalloons}), 0, 0, 640, 480, Lit);
            const int fill = Luma(balloon.at(UINT(ink.Cx()), UINT(ink.Cy())));
            Ink off;
            for (const auto& [x, y] : ink.at)
                for (int d = 0; d < 25; ++d) {
                    const uint32_t b = balloon.at(UINT(std::clamp(x + d % 5 - 2, 0, 639)), UINT(std::clamp(y + d / 5 - 2, 0, 479)));
                    if (Luma(b) > fill + 40 || !Lit(b)) off.Add(x + d % 5 - 2, y + d / 5 - 2);
                }
            Expect(off.at.empty(), std::string(side == TalkSide::Upper ? "upper" : "lower") + " balloon " + std::to_string(row) +
                                       ": text off its fill at " + off.Str());
        }
    // Every name card's whole drawn rectangle 2 px clear of the balloons of every
    // style and of every cell of every portrait on each side it stands.
    std::vector<int32_t> alone = {kBalloons};
    for (int32_t who = 0; who < talk::kCharacterCount; ++who) {
        const talk::PortraitSheet& sheet = talk::SheetOf(talk::Character(who));
        std::string file = sheet.name;
        for (char& ch : file) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        Sheet(sheet.slot, "img/talk/st_" + file + ".png");
        alone.push_back(sheet.slot);
    }
    boss_->draw = [] {
        for (int32_t row = 0; row < 3; ++row)
            for (TalkSide side : {TalkSide::Upper, TalkSide::Lower}) DrawTalkBalloon(row, BalloonMode::Opaque, side);
        for (int32_t who = 0; who < talk::kCharacterCount; ++who)
            for (int32_t cell = 0; cell < talk::SheetOf(talk::Character(who)).cells; ++cell)
                for (TalkSide side : {TalkSide::Upper, TalkSide::Lower}) {
                    TalkState.slideCounter[who] = 19;
                    talk::DrawPortrait(talk::Character(who), cell, side, PortraitMode::Active);
                }
    };
    const Ink others = Find(Scene(), 0, 0, 640, 480, Lit);
    for (int32_t card = 0; card < 13; ++card) {
        boss_->draw = [card] { TalkState.nameCardFrame = 100, DrawNameCard(card); };
        const Ink drawn = Find(Shot([] { DrawGameScene(GameState); }, alone, {}, kGrey), 0, 0, 640, 480, Painted);
        Ink under;
        for (const auto& [x, y] : others.at)
            if (x >= drawn.x0 - 2 && x <= drawn.x1 + 2 && y >= drawn.y0 - 2 && y <= drawn.y1 + 2) under.Add(x, y);
        Expect(drawn.H() > 0 && under.at.empty(),
               "card " + std::to_string(card) + " drawn over " + drawn.Str() + " is within 2 px of a balloon or portrait at " + under.Str());
    }
    boss_->draw = [] {
        for (TalkSide side : {TalkSide::Upper, TalkSide::Lower}) DrawTalkBalloon(0, BalloonMode::Opaque, side);
        TalkState.slideCounter[talk::Yuri] = TalkState.slideCounter[talk::Shamyu] = 19;
        DrawPortraitYuri(0, TalkSide::Upper, PortraitMode::Active);
        DrawPortraitShamyu(0, PortraitMode::Active);
        for (int32_t card : {0, 5}) TalkState.nameCardFrame = 100, DrawNameCard(card);
    };
    Shoot(Scene());
}

void ArtAlignment::StageTitle() {
    // Every stage's letters at rest: "STAGE n" above the name, the band's lines
    // clear of both; all the name's cell paints, drawn 100 px further left, 2 px
    // inside the screen.
    GameState.subState = kSubStateDialogue;
    Sheet(kBand, "img/system/StageTitleBG.png");
    for (const std::string team : {"_1", "_2"})
        for (int stage = 1; stage <= (team == "_1" ? 6 : 5); ++stage) {
            const std::string path = "img/system/StageTitleFont0" + std::to_string(stage) + team + ".png";
            StageStartEffectObj title;
            Shot([&] {
                for (int frame = 0; frame < 60; ++frame) title.Draw();
            }, {kBand, kLetters});
            boss_->draw = [&] { title.Draw(); };
            Sheet(kLetters, path, {"number"});
            Ink letters = Find(Scene({kBand}), 0, 0, 640, 480, Lit);
            const Ink number = letters;
            Sheet(kLetters, path, {"name"});
            const Ink name = Find(Scene({kBand}), 0, 0, 640, 480, Lit), lines = Find(Scene({kLetters}), 0, 0, 640, 480, Bright);
            for (const auto& [x, y] : name.at) letters.Add(x, y);
            const Ink crossed = Near(letters, lines, 5);
            Expect(number.H() > 0 && number.y1 + 4 < name.y0, path + ": STAGE " + number.Str() + " is not above the name " + name.Str());
            Expect(lines.H() > 0 && crossed.at.empty(), path + ": a line of the band " + lines.Str() + " runs within 5 px of " + crossed.Str());
            title.work3 -= 100;
            const Ink shown = Find(Shot([] { DrawGameScene(GameState); }, {kBand}, {}, kGrey), 0, 0, 640, 480, Painted);
            Expect(shown.x1 + 100 <= 637, path + ": the name's cell paints up to screen x " + std::to_string(shown.x1 + 100));
            title.work3 += 100;
            Sheet(kLetters, path);
            if (stage == 1 && team == "_2") Shoot(Scene());
        }
}

void ArtAlignment::TeamChoice() {
    // The heading 2 px clear of either team's card.
    TitleState = cTitleState();
    TitleState.state = kTitleTeam;
    for (int32_t team = 0; team < 2; ++team) {
        TitleState.teamCursor = team;
        const Ink card = Find(TitleWith({"team"}), 0, 0, 640, 480, Lit), heading = Find(TitleWith({"team_heading"}), 0, 0, 640, 480, Lit);
        Expect(Apart(heading, card, 3) >= 3,
               "team " + std::to_string(team + 1) + ": the heading (" + heading.Str() + ") is within 2 px of the card (" + card.Str() + ")");
    }
    Shoot(TitleWith({}));
}

void ArtAlignment::Practice() {
    // Each stage's row on the middle of the highlight drawn over it.
    TitleState = cTitleState();
    TitleState.state = kTitlePractice;
    for (int32_t row = 0; row < 5; ++row) {
        TitleState.practiceCursor = row;
        const Ink mark = Find(TitleWith({"highlight"}), 0, 0, 640, 480, Lit);
        const Ink text = Find(TitleWith({"practice_list"}), 0, mark.y0, 640, mark.y1 + 1, Fill);
        Centred(text, mark.Cx(), "stage " + std::to_string(row + 1) + " under its highlight " + mark.Str());
        Expect(std::abs(text.Cy() - mark.Cy()) <= 2, "stage " + std::to_string(row + 1) + " (" + text.Str() + ") is off its highlight's middle");
    }
    TitleState.practiceCursor = 2;
    Shoot(TitleWith({}));
}

void ArtAlignment::Difficulty() {
    // The marker, all it sweeps as it turns, and the chosen level's column a
    // pixel inside the panel's inner line on every level: the innermost lines
    // met going in from the picture's edges, drawn without its text.
    demodata::TextPainter painter;
    std::string error;
    if (!painter.Open(&error)) return Expect(false, error);
    const demodata::ImageAsset& picture = *demodata::FindImage("img/title.png");
    TitleState = cTitleState();
    TitleState.state = kTitleDifficulty;
    SheetPixels(sheet::kTitle, "no_text", demodata::PaintTextLayers(picture, painter).noText, picture);
    const Image plain = Shot(DrawTitle);
    const std::vector<bool> lines = PictureLines(plain.pixels, 640, 480);
    using demodata::screen::kDifficulty;
    const int mx = kDifficulty.x + kDifficulty.w / 2, my = kDifficulty.y + kDifficulty.h / 2;
    auto reach = [&](int x, int y, int dx, int dy) {
        int inner = -1;
        for (int k = 0; k < 8; ++k, x += dx, y += dy)
            if (lines[size_t(y * 640 + x)]) inner = dx ? x : y;
        return inner;
    };
    const int left = reach(kDifficulty.x, my, 1, 0), right = reach(kDifficulty.x + kDifficulty.w - 1, my, -1, 0);
    const int top = reach(mx, kDifficulty.y, 0, 1), bottom = reach(mx, kDifficulty.y + kDifficulty.h - 1, 0, -1);
    for (int32_t level = 0; level < 3; ++level) {
        TitleState.difficultyCursor = level;
        const Ink marker = Find(TitleWith({"difficulty_cursor"}), 0, 0, 640, 480, Lit);
        const demodata::Point at = demodata::screen::DifficultyCursor(level);
        float swept = 0;
        for (const auto& [x, y] : marker.at) swept = std::max(swept, std::hypot(float(x) + 0.5f - at.x, float(y) + 0.5f - at.y));
        const int r = int(std::ceil(swept));
        const demodata::Box p = demodata::screen::DifficultyColumn(level);
        for (const auto& [what, box] : {std::pair{std::string("the marker"), std::array<int, 4>{int(at.x) - r, int(at.y) - r, int(at.x) + r, int(at.y) + r}},
                                        std::pair{std::string("the column"), std::array<int, 4>{p.x, p.y, p.x + p.w - 1, p.y + p.h - 1}}})
            Expect(marker.H() > 0 && std::min({left, right, top, bottom}) >= 0 && box[0] > left + 1 && box[1] > top + 1 && box[2] < right - 1 &&
                       box[3] < bottom - 1,
                   "level " + std::to_string(level) + ": " + what + " at x " + std::to_string(box[0]) + ".." + std::to_string(box[2]) + " y " +
                       std::to_string(box[1]) + ".." + std::to_string(box[3]) + " is not a pixel inside the panel's inner line x " +
                       std::to_string(left) + ".." + std::to_string(right) + " y " + std::to_string(top) + ".." + std::to_string(bottom));
    }
    TitleState.difficultyCursor = 0;
    Shoot(TitleWith({}));
}

void ArtAlignment::Pause() {
    // PAUSE, the items, the question and the cursor bar on the panel's middle.
    GameState.subState = kSubStatePause;
    GameState.pauseAsking = 0;
    const Image panelImage = HudPart("pause_panel");
    const float middle = Find(panelImage, 0, 0, 640, 480, Lit).Cx();
    Ink heading;
    for (const Ink& piece : Pieces(Find(panelImage, 0, 0, 640, 180, Fill)))
        for (const auto& [x, y] : piece.at)
            if (piece.x1 - piece.x0 < 100 && piece.H() < 50) heading.Add(x, y);
    Centred(heading, middle, "PAUSE");
    for (int32_t asking = 0; asking < 2; ++asking) {
        GameState.pauseAsking = uint8_t(asking);
        for (int32_t at = 0; at < 3 - asking; ++at) {
            GameState.pauseCursor = GameState.pauseAnswer = at;
            const Ink bar = Find(HudPart("cursor_bar"), 0, 0, 640, 480, Lit);
            const Image items = HudPart(asking ? "pause_question" : "pause_items");
            const std::string what = std::string(asking ? "answer " : "item ") + std::to_string(at);
            Centred(bar, middle, what + "'s cursor bar");
            Centred(Find(items, 0, bar.y0, 640, bar.y1 + 1, Fill), middle, what);
            if (asking && at == 0) Centred(Find(items, 0, 0, 640, bar.y0, Fill), middle, "the question");
        }
    }
    GameState.pauseAsking = 0, GameState.pauseCursor = 1;
    Sheet(kHud, kHudPng);
    Shoot(Scene());
}

void ArtAlignment::Continue() {
    // Each answer on its highlight's middle; the credits beside their count.
    GameState.subState = kSubStateGameOver;
    GameState.stateTimer = 200, GameState.credits = 12;
    for (int32_t choice = 0; choice < 2; ++choice) {
        GameState.continueChoice = choice;
        const Ink bar = Find(HudPart("cursor_bar"), 0, 0, 640, 480, Lit);
        Centred(Find(HudPart("answer"), bar.x0, bar.y0, bar.x1 + 1, bar.y1 + 1, Fill), bar.Cx(),
                std::string(choice ? "NO" : "YES") + " under its highlight " + bar.Str());
    }
    Beside(Find(HudPart("credits_digits"), 0, 0, 640, 480, Fill), Find(HudPart("credits_label"), 0, 0, 640, 480, Fill), "credits", 20);
    GameState.continueChoice = 0;
    Sheet(kHud, kHudPng);
    boss_->draw = [&] { boss_->phase = 0, DrawBossHud(*boss_, "必殺：グレートアステロイドジェット！"); };
    const Ink name = Find(Scene({35, 36}), 0, boss_->nameY, 640, boss_->nameY + 22, White);
    Expect(name.at.empty(), "the attack name stands undimmed over the shade at " + name.Str());
    Shoot(Scene());
}

void ArtAlignment::GameOver() {
    // The continue screen's text, the shade's alone before it asks (with
    // no credit that is all it shows) and the whole screen after,
    // over the brightest part of every stage: the screen's window of
    // each stage's picture whose mean brightness is the highest.
    demodata::TextPainter painter;
    std::string error;
    if (!painter.Open(&error)) return Expect(false, error);
    const demodata::ImageAsset& sheet = *demodata::FindImage(kHudPng);
    const demodata::TextLayers layers = demodata::PaintTextLayers(sheet, painter);
    for (int32_t stage = 1; stage <= 6; ++stage) {
        const std::string n = "img/Stage0" + std::to_string(stage);
        const Image bg = ReadPng(Data() + "/" + n + "BG.png");
        int bestX = 0, bestY = 0;
        double best = -1;
        for (const demodata::Cell& cell : demodata::FindImage(n + "BG.png")->cells)
            for (int y = cell.box.y; y <= cell.box.y + cell.box.h - (cell.box.h > 480 ? 0 : 480); y += 64)
                for (int x = cell.box.x; x <= cell.box.x + cell.box.w - (cell.box.w > 640 ? 0 : 640); x += 64) {
                    double sum = 0;
                    for (int k = 0; k < 64 * 48; ++k)
                        sum += Luminance(bg.at(UINT((x + k % 64 * 10) % int(bg.width)), UINT((y + k / 64 * 10) % int(bg.height))));
                    if (sum > best) best = sum, bestX = x, bestY = y;
                }
        Sheet(36, n + "BG.png");
        const bool layered = demodata::FindImage(n + "BG_back.png") != nullptr;
        if (layered) Sheet(35, n + "BG_back.png");
        ScrollX = float(bestX), ScrollY = float(bestY);
        const std::vector<int32_t> stages = layered ? std::vector<int32_t>{} : std::vector<int32_t>{35};
        for (const auto& [timer, credits] : std::vector<std::pair<int32_t, int32_t>>{{99, 0}, {200, 3}}) {
            GameState.subState = kSubStateGameOver;
            GameState.stateTimer = timer, GameState.credits = credits, GameState.continueChoice = 0;
            Layered l;
            SheetPixels(kHud, "text_only", layers.textOnly, sheet);
            l.black = Shot([] { DrawGameScene(GameState); }, {35, 36});
            l.white = Shot([] { DrawGameScene(GameState); }, {35, 36}, {}, 0xFFFFFFFFu);
            SheetPixels(kHud, "no_text", layers.noText, sheet);
            l.plain = Scene(stages);
            Sheet(kHud, kHudPng);
            l.seen = Scene(stages);
            if (stage == 1 && credits) Shoot(l.seen);
            for (const std::string& e : StateErrors(l, {}, Data(), true))
                Expect(false, "stage " + std::to_string(stage) + " at scroll " + std::to_string(bestX) + ", " + std::to_string(bestY) +
                                  (credits ? ", asking: " : ", no credit: ") + e);
        }
    }
    ScrollX = ScrollY = 0;
}

void ArtAlignment::AttackNames() {
    // An attack name reads over every stage's background: its letters' fill
    // against the pixels ringing it at 4.5 : 1 or better.
    GameState.subState = kSubStateDialogue;
    boss_->phase = 0;
    const char* const names[] = {"ねこあたっく：おっかけRUNRUN", "必殺：グレートアステロイドジェット！"};
    for (int k = 0; k < 2; ++k) {
        boss_->draw = [&, k] { DrawBossHud(*boss_, names[k]); };
        const Ink fill = Find(Scene({35, 36}), 0, 0, 640, 480, Fill);
        // Each glyph alone (the kana keep their face's spacing), full-width forms 20 px on, the rest 10.
        std::vector<std::vector<Ink>> cells;
        for (int x = boss_->nameX, i = 0, w = 0; names[k][i]; i += w / 10, x += w)
            w = uint8_t(names[k][i]) >= 0x80 ? 20 : 10, cells.push_back(std::vector<Ink>(1)), cells.back()[0].Add(x, boss_->nameY), cells.back()[0].Add(x + w - 1, boss_->nameY + 21);
        for (const std::string& e : StepErrors(fill, cells)) Expect(false, "name " + std::to_string(k) + ": " + e);
        Ink ring;
        for (const auto& [x, y] : fill.at)
            for (int d = 0; d < 9; ++d)
                if (!fill.Has(x + d % 3 - 1, y + d / 3 - 1)) ring.Add(x + d % 3 - 1, y + d / 3 - 1);
        for (int32_t stage = 1; stage <= 6; ++stage) {
            const std::string n = "img/Stage0" + std::to_string(stage);
            Sheet(36, n + "BG.png");
            const bool layered = demodata::FindImage(n + "BG_back.png") != nullptr;
            if (layered) Sheet(35, n + "BG_back.png");
            for (const demodata::Cell& cell : demodata::FindImage(n + "BG.png")->cells)
                for (int step = 0; step < (cell.box.h > 480 ? 4 : 1); ++step) {
                    ScrollX = float(cell.box.x), ScrollY = float(cell.box.y + step * (cell.box.h - 480) / 3);
                    const Image scene = Scene(layered ? std::vector<int32_t>{} : std::vector<int32_t>{35});
                    const double a = MedianLuminance(scene, fill), b = MedianLuminance(scene, ring);
                    const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
                    Expect(fill.H() > 0 && contrast >= 4.5, "stage " + std::to_string(stage) + " at scroll " + std::to_string(int(ScrollX)) + ", " +
                                                             std::to_string(int(ScrollY)) + ": name " + std::to_string(k) + " reads at " + std::to_string(contrast) + " : 1");
                }
        }
    }
    ScrollX = ScrollY = 0;
    Sheet(36, "img/Stage02BG.png");
    Sheet(35, "img/Stage02BG_back.png");
    Shoot(Scene());
}

// The drawn families, then the real program's states in the order the autopilot comes to them.
const std::vector<Family>& Families() {
    using Hold = wholegame::Shot;
    const auto at = [](Hold::Moment m, const std::string& name, int32_t param = 0, bool quit = false) {
        return Hold{m, "art_" + name, param, quit};
    };
    const Anchor highlight{"img/title.png", "highlight"}, bar{"img/main_system.png", "cursor_bar"};
    const Anchor band{"img/system/StageTitleBG.png", "band", Anchor::kBlock}, card{"img/title.png", "team", Anchor::kLines};
    const auto box = [](Anchor::Mode mode, int x, int y, int w, int h) { return Anchor{"", "", mode, x, y, x + w - 1, y + h - 1}; };
    // A cell group of the configuration's picture stretched over a rectangle.
    const auto over = [](const char* group, Anchor::Mode mode, const layout::Rect& r) {
        return Anchor{"img/config.png", group, mode, r.x, r.y, r.x + r.w - 1, r.y + r.h - 1, true};
    };
    const auto header = [&](int k) {
        return over("key_highlight", Anchor::kBoth, layout::Moved(layout::kKeyHighlight.screen, layout::kKeyHeaderX[k], layout::kKeyHeaderY));
    };
    const auto column = [&](int d) {
        const demodata::Box b = demodata::screen::DifficultyColumn(d);
        return box(Anchor::kLines, b.x, b.y, b.w, b.h);
    };
    using A = ArtAlignment;
    static const std::vector<Family> families = {
        {"boss_gauge", &A::BossGauge}, {"hud", &A::Hud}, {"tally", &A::Tally}, {"config", &A::Config}, {"key_config", &A::KeyConfig},
        {"ranking", &A::Ranking}, {"talk", &A::Talk}, {"stage_title", &A::StageTitle}, {"team_choice", &A::TeamChoice},
        {"practice", &A::Practice}, {"difficulty", &A::Difficulty}, {"pause", &A::Pause}, {"continue", &A::Continue},
        {"game_over", &A::GameOver}, {"attack_names", &A::AttackNames}, {"two_sizes", &TwoSizeErrors},
        {at(Hold::kMenu, "menu_0", 0), {highlight}},
        {at(Hold::kMenu, "menu_1", 1), {highlight}},
        {at(Hold::kMenu, "menu_2", 2), {highlight}},
        {at(Hold::kMenu, "menu_3", 3), {highlight}},
        {at(Hold::kMenu, "menu_4", 4), {highlight}},
        {at(Hold::kMenu, "menu_5", 5), {highlight}},
        {at(Hold::kMenu, "menu_6", 6), {highlight}},
        {at(Hold::kMenu, "menu_7", 7), {highlight}},
        {at(Hold::kMenu, "menu_8", 8), {highlight}},
        {at(Hold::kMenu, "menu_9", 9), {highlight}},
        {at(Hold::kConfig, "config_grown"), {box(Anchor::kLines, 0, 30, 640, 80)}},
        {at(Hold::kKeyHeader, "key_header_0", 0), {header(0)}},
        {at(Hold::kKeyHeader, "key_header_1", 1), {header(1)}},
        {at(Hold::kKeyHeader, "key_header_2", 2), {header(2)}},
        {at(Hold::kKeyHeader, "key_header_3", 3), {header(3)}},
        {at(Hold::kKeyDefining, "key_defining", 6)},
        {at(Hold::kKeyDefaults, "key_defaults"),
         {over("key_highlight", Anchor::kBoth, layout::kDefaultsAnswer.first.screen), over("defaults_question", Anchor::kLines, layout::kDefaultsQuestion.screen)}},
        {at(Hold::kTeam, "team_1", 0), {card}},
        {at(Hold::kTeam, "team_2", 1), {card}},
        {at(Hold::kDifficulty, "difficulty_0", 0), {column(0)}},
        {at(Hold::kDifficulty, "difficulty_1", 1), {column(1)}},
        {at(Hold::kDifficulty, "difficulty_2", 2), {column(2)}},
        {at(Hold::kStageTitle, "stage_title_1_1"), {band}},
        {at(Hold::kHud, "hud_1p")},
        {at(Hold::kForce, "force_yuri", 0)},
        {at(Hold::kPause, "pause_question"), {bar, {"img/main_system.png", "pause_panel", Anchor::kLines}}},
        {at(Hold::kContinue, "continue_credits", 1),
         {bar, box(Anchor::kLines, 0, 80, 640, 220), box(Anchor::kLines, 0, layout::kCreditsLabel.screen.y, 640, layout::kCreditsLabel.screen.h)}},
        {at(Hold::kNameCard, "card_upper", 0)},
        {at(Hold::kNameCard, "card_lower", 1)},
        {at(Hold::kBanner, "cut_in_shamyu", 0)},
        {at(Hold::kTally, "tally_1p")},
        {at(Hold::kStageTitle, "stage_title_2_1"), {band}},
        {at(Hold::kBanner, "cut_in_fururu", 0)},
        {at(Hold::kStageTitle, "stage_title_3_1", 0, true), {band}},
        {at(Hold::kResult, "result_ranked", 1), {{"img/name.png", "cursor_small", Anchor::kBoth, 0, 270, 639, 479}}},
        {at(Hold::kPractice, "practice_1", 0), {highlight}},
        {at(Hold::kPractice, "practice_2", 1), {highlight}},
        {at(Hold::kPractice, "practice_3", 2), {highlight}},
        {at(Hold::kPractice, "practice_4", 3), {highlight}},
        {at(Hold::kPractice, "practice_5", 4), {highlight}},
        {at(Hold::kHud, "hud_2p")},
        {at(Hold::kForce, "force_crow", 1)},
        {at(Hold::kBanner, "cut_in_still", 0)},
        {at(Hold::kTally, "tally_2p")},
        {at(Hold::kStageTitle, "stage_title_4_1"), {band}},
        {at(Hold::kBanner, "cut_in_mono", 0, true)},
        {at(Hold::kResult, "result_unranked", 0), {{"img/name.png", "cursor_wide"}}},
        {at(Hold::kStageTitle, "stage_title_5_1"), {band}},
        {at(Hold::kBanner, "cut_in_osero", 0)},
        {at(Hold::kBanner, "cut_in_cheska", 1, true)},
        {at(Hold::kStageTitle, "stage_title_1_2"), {band}},
        {at(Hold::kForce, "force_cheska", 0)},
        {at(Hold::kForce, "force_osero", 1, true)},
        {at(Hold::kStageTitle, "stage_title_2_2", 0, true), {band}},
        {at(Hold::kStageTitle, "stage_title_3_2", 0, true), {band}},
        {at(Hold::kStageTitle, "stage_title_4_2", 0, true), {band}},
        {at(Hold::kStageTitle, "stage_title_5_2"), {band}},
        {at(Hold::kBanner, "cut_in_crow", 0)},
        {at(Hold::kBanner, "cut_in_yuri", 1, true)},
        {at(Hold::kStageTitle, "stage_title_6_1"), {band}},
        {at(Hold::kBanner, "cut_in_paco", 0)},
        {at(Hold::kBanner, "cut_in_deena", 1, true)},
        {at(Hold::kStageTitle, "stage_title_6_2"), {band}},
        {at(Hold::kContinue, "continue_none", 0)},
    };
    return families;
}

// One run serves every parameter: the real program led once through the
// states, before this process opens a display, then the drawn families drawn
// in one display child, each leaving its errors with any failure the test
// framework saw while it drew. Only the families the filter chooses are made.
const SharedRun& ArtAlignment::Run() {
    static SharedRun run;
    static bool made = false;
    if (std::exchange(made, true)) return run;
    std::set<std::string> chosen;
    const testing::TestSuite& suite = *testing::UnitTest::GetInstance()->current_test_suite();
    for (int i = 0; i < suite.total_test_count(); ++i)
        if (suite.GetTestInfo(i)->should_run()) chosen.insert(std::strrchr(suite.GetTestInfo(i)->name(), '/') + 1);
    const auto any = [&](bool drawn) {
        return std::any_of(Families().begin(), Families().end(),
                           [&](const Family& f) { return chosen.count(f.name) && (drawn ? f.run != nullptr : !f.run); });
    };
    if (any(false)) {
        const wholegame::Plan plan = Tour(Families(), run.folder.path());
        run.tour = plan.layers.empty() ? "the pictures' text could not be painted apart (is the Japanese font installed?)"
                                       : wholegame::Play(plan).failure;
    }
    if (!any(true)) return run;
    InGl(
        [&] {
            ASSERT_TRUE(SetCurrentDirectoryA(Data().c_str()));
            playtest::ResetField(1);
            playtest::StartPlayers(1, false);
            Player1->stock = 3, Player1->life = 5, Player1->gauge = 200.0f, Player1->score = 123456789;
            Player1->itemCount = 1234, Player1->absorbCount = 5678, Player1->noMiss = 1;
            GameState.stageBonus = 12345678, GameState.noMissBonus = 1234567;
            GameState.bgmVolume = 90, GameState.seVolume = 100;
            SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
            FontTable.assign(kFontTableSize, nullptr);
            FontTable[0] = KestraFontSprite2D::CreateFromFile("font.lfd", ".tga", 1, 1024, 0, 14);
            FontTable[1] = KestraFontSprite2D::CreateFromFile("skillfont.lfd", ".tga", 1, 2048, 0, 14);
            KeyMap.keyboard[0] = KeyMap.keyboard[1] = 1;
            std::copy(&kDefaultKeys[0][0], &kDefaultKeys[0][0] + 2 * kActionCount, &KeyMap.keys[0][0]);
            for (const auto& [slot, path] : std::vector<std::pair<int32_t, const char*>>{
                     {sheet::kName, "img/name.png"},
                     {kBalloons, "img/talk/hukidashi.png"},
                     {kCards, "img/talk/chara_name.png"}})
                Sheet(slot, path);
            BossA = boss_ = new DrawingBoss;
            boss_->active = 1;
            const testing::TestResult& result = *testing::UnitTest::GetInstance()->current_test_info()->result();
            for (const Family& f : Families()) {
                if (!f.run || !chosen.count(f.name)) continue;
                const int seen = result.total_part_count();
                family_ = f.name, errors_.clear();
                boss_->draw = [] {};
                (this->*f.run)();
                std::string report;
                for (int i = seen; i < result.total_part_count(); ++i)
                    if (result.GetTestPartResult(i).failed()) report += result.GetTestPartResult(i).message() + std::string("\n");
                for (const std::string& e : errors_) report += e + "\n";
                testsupport::WriteFile(run.folder.file(f.name + ".errors"), report);
            }
        },
        [&] {
            BossA = nullptr;
            delete boss_;
            for (CFontSprite2D* f : FontTable) KestraFontSprite2D::Release(f);
            FontTable.clear();
            for (SpriteEntry& s : SpriteTable) KestraSprite2D::Release(s.sprite), KestraTexture::Release(s.texture);
            SpriteTable.clear();
            playtest::ClearField();
            TalkState = cTalkState();
        });
    return run;
}

TEST_P(ArtAlignment, LinesUpWithTheQuadsDrawnOverIt) {
    ASSERT_TRUE(std::filesystem::is_regular_file(Data() + "/font.lfd")) << "the demo data set is not written";
    const Family& f = GetParam();
    const SharedRun& run = Run();
    std::string report;
    if (f.shot) {
        EXPECT_EQ(run.tour, "") << "the autopilot's way through the states";
        for (const std::string& e : StateErrors(ReadLayers(run.folder.file(f.shot->file)), f.anchors, Data())) report += e + "\n";
    } else if (f.acrossStates) {
        EXPECT_EQ(run.tour, "") << "the autopilot's way through the states";
        std::vector<std::vector<Quad>> states;
        for (const Family& state : Families())
            if (state.shot) states.push_back(ReadQuads(run.folder.file(state.shot->file)));
        for (const std::string& e : f.acrossStates(states, Data())) report += e + "\n";
    } else {
        ASSERT_TRUE(testsupport::FileExists(run.folder.file(f.name + ".errors"))) << "the display child ended before it drew " << f.name;
        report = testsupport::ReadFile(run.folder.file(f.name + ".errors"));
    }
    EXPECT_TRUE(report.empty()) << report;
}
INSTANTIATE_TEST_SUITE_P(EveryFamily, ArtAlignment, testing::ValuesIn(Families()),
                         [](const testing::TestParamInfo<Family>& info) { return info.param.name; });

// ---- Rules of each picture on its own ------------------------------------------

// The lines a picture draws (frames, inner lines, rules): runs of pixels, at
// least 8 long, of a stroke at most 3 px thick that stands 40 or more apart in
// brightness from what lies on both sides of it, which match each other.
std::vector<bool> PictureLines(const std::vector<uint32_t>& px, int w, int h) {
    std::vector<int> y(px.size());
    for (size_t i = 0; i < px.size(); ++i) y[i] = Luma(px[i]) * int(px[i] >> 24) / 255;
    auto at = [&](int x, int yy) { return x < 0 || yy < 0 || x >= w || yy >= h ? 0 : y[size_t(yy * w + x)]; };
    std::vector<bool> lines(px.size(), false);
    for (int across = 0; across < 2; ++across) {
        std::vector<bool> ridge(px.size(), false);
        for (int yy = 0; yy < h; ++yy)
            for (int x = 0; x < w; ++x)
                for (int thick = 1; thick <= 3; ++thick)
                    for (int first = 0; first < thick; ++first) {
                        // The stroke's pixels along the normal, and its two sides.
                        auto normal = [&](int k) { return across ? at(x + k - first, yy) : at(x, yy + k - first); };
                        const int before = normal(-1), after = normal(thick);
                        if (std::abs(before - after) >= 40) continue;
                        bool up = true, down = true;
                        for (int k = 0; k < thick; ++k) {
                            up = up && normal(k) - std::max(before, after) >= 40;
                            down = down && std::min(before, after) - normal(k) >= 40;
                        }
                        if (up || down) ridge[size_t(yy * w + x)] = true;
                    }
        // Runs along the stroke, 8 or longer.
        for (int line = 0; line < (across ? w : h); ++line)
            for (int k = 0, run = 0; k <= (across ? h : w); ++k) {
                const bool on = k < (across ? h : w) && ridge[size_t(across ? k * w + line : line * w + k)];
                if (on) {
                    ++run;
                    continue;
                }
                if (run >= 8)
                    for (int j = k - run; j < k; ++j) lines[size_t(across ? j * w + line : line * w + j)] = true;
                run = 0;
            }
    }
    return lines;
}

// Every cell ends inside it: its outermost pixels are clear, but for a cell
// that runs on (a backdrop, a tile, a band, a bar, a ground) and where the
// edge lies inside another cell of its group (a frame of a strip that shares
// columns with the next). Every text keeps a pixel clear of the lines of its
// own picture, outline and all, as it keeps clear of other layers' ink.
TEST(ArtPictures, EveryCellEndsInsideItAndItsTextKeepsClearOfItsLines) {
    const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
    ASSERT_TRUE(std::filesystem::is_regular_file(data + "/font.lfd")) << "the demo data set is not written";
    std::vector<std::string> errors;
    for (const demodata::ImageAsset& a : demodata::Images()) {
        const Image im = ReadPng(data + "/" + a.path);
        ASSERT_EQ(int(im.width), a.width) << a.path;
        for (const demodata::Cell& cell : a.cells) {
            if (cell.wraps || cell.borrowed || cell.runsOn) continue;
            const demodata::Box& b = cell.box;
            static const char* const kSides[] = {"top", "bottom", "left", "right"};
            std::string sides;
            int count = 0, strongest = 0;
            for (int side = 0; side < 4; ++side) {
                const bool rows = side < 2;
                const int n = rows ? b.w : b.h, before = count;
                for (int k = 0; k < n; ++k) {
                    const int x = rows ? b.x + k : (side == 2 ? b.x : b.x + b.w - 1);
                    const int y = rows ? (side == 0 ? b.y : b.y + b.h - 1) : b.y + k;
                    const int alpha = int(im.at(UINT(x), UINT(y)) >> 24);
                    if (alpha <= 8) continue;
                    bool shared = false;
                    for (const demodata::Cell& other : a.cells)
                        shared = shared || (&other != &cell && other.group == cell.group && demodata::Inside({x, y, 1, 1}, other.box));
                    if (shared) continue;
                    ++count, strongest = std::max(strongest, alpha);
                }
                if (count > before) sides += std::string(sides.empty() ? "" : ", ") + kSides[side];
            }
            if (count)
                errors.push_back(a.path + " " + cell.group + " " + std::to_string(cell.index) + " (" + std::to_string(b.x) + "," + std::to_string(b.y) +
                                 " " + std::to_string(b.w) + "x" + std::to_string(b.h) + ") is painted to its " + sides + " edge: " +
                                 std::to_string(count) + " px, alpha up to " + std::to_string(strongest));
        }
    }
    demodata::TextPainter painter;
    std::string error;
    ASSERT_TRUE(painter.Open(&error)) << error;
    for (const demodata::ImageAsset& a : demodata::Images()) {
        if (!Lettered(a)) continue;
        const demodata::TextLayers layers = demodata::PaintTextLayers(a, painter);
        if (layers.textOnly.empty()) continue;
        const std::vector<bool> lines = PictureLines(layers.noText, a.width, a.height);
        // The text's pixels: where it changes the picture.
        Ink near, line;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const size_t i = size_t(y * a.width + x);
                const uint32_t t = layers.textOnly[i], u = layers.noText[i];
                if (!(t >> 24)) continue;
                int change = 0;
                for (int c = 0; c < 3; ++c)
                    change = std::max(change, std::abs(Channel(t, 16 - 8 * c) * int(t >> 24) - Channel(u, 16 - 8 * c) * int(u >> 24)) / 255);
                if (change < 32) continue;
                for (int d = 0; d < 9; ++d) {
                    const int lx = x + d % 3 - 1, ly = y + d / 3 - 1;
                    if (lx < 0 || ly < 0 || lx >= a.width || ly >= a.height || !lines[size_t(ly * a.width + lx)]) continue;
                    near.Add(x, y), line.Add(lx, ly);
                }
            }
        for (const Ink& piece : Pieces(near))
            errors.push_back(a.path + ": text at " + piece.Str() + " within a pixel of a line of its own picture (lines at " +
                             Near(line, piece, 1).Str() + ")");
    }
    std::string report;
    for (const std::string& e : errors) report += e + "\n";
    EXPECT_TRUE(errors.empty()) << report;
}

}  // namespace
