// The ranking's sheet and the result's: the tables with their headings and
// stage badges, the result with its digits and the name entry's grid.
#include <cmath>
#include <string>
#include <vector>

#include "tools/demodata/ArtScreens.h"

namespace demodata::screenart {

namespace {

// The name grid's glyphs: the pitch each owns; their line (from the cell's
// second row), a row clear of the small cursor's rule under it; the width
// they fill, the cursor's (a column left of the glyphs' cells).
constexpr int kGlyphPitch = 23, kGlyphLine = 21, kGlyphFill = 20;
// The small glyphs' digits stand this tall, near the name's capitals beside them.
constexpr int kSmallInk = 17;

const char* kTableNames[] = {"EASY", "NORMAL", "HARD", "EXTRA"};
const char* kStageCodes[] = {"ST.1", "ST.2", "ST.3", "ST.4", "ST.5", "EXTRA", "CLEAR", "EX CLEAR"};

// The play time's colon: two square dots as wide as a digit's stem and a
// half, on the digits' third and two thirds, so that it sits no further
// from its digits than they stand from each other.
void ClockColon(Canvas& c, const Box& inside, const TextStyle& style) {
    if (c.textMode() == TextMode::kLeaveOut) return;
    constexpr int kDot = 5;
    const int top = inside.y + (inside.h - kSmallInk) / 2, x0 = inside.x + (inside.w - kDot) / 2;
    for (const int y0 : {top + kSmallInk / 3 - kDot / 2, top + 2 * kSmallInk / 3 - kDot / 2 + 1})
        for (int y = 0; y < kDot; ++y)
            for (int x = 0; x < kDot; ++x) {
                // Corners half covered: a square dot, its edges smoothed as the digits' are.
                const float cover = (x == 0 || x == kDot - 1) && (y == 0 || y == kDot - 1) ? 0.5f : 1.0f;
                c.Blend(x0 + x, y0 + y, Mix(style.fill, style.fillBottom, float(y0 + y - top) / kSmallInk), cover);
                c.MarkText(x0 + x, y0 + y, cover);
            }
}

// The small glyphs: the digits, the colon and the slash that the date and
// the play time lay 20 and 25 px apart, each filling its room but the colon,
// with no outline (on the panels under them it would not show). The rank
// strip reads the same glyphs 1 px on: each keeps its first two columns and
// its last clear, so that neither strip shows a neighbour's edge. Their foot
// lies `foot` rows below the cell's top: on the typed name's baseline, as the
// result lays both rows from one y.
void SmallGlyphs(Canvas& c, TextPainter& t, const ImageAsset& a, int foot) {
    TextStyle style = DigitFace(Label(20));
    style.outlineWidth = 0;
    const Box& first = Get(a, "digits").box;
    const InkFit fit = FitDigits(t, style, kSmallInk, first.w - 3);
    for (const Cell& cell : a.cells) {
        if (cell.group != "digits" || cell.box.x % 20 == 1) continue;
        const std::string s = cell.index < 10 ? std::to_string(cell.index) : (cell.index == 10 ? ":" : "/");
        const Box inside{cell.box.x + 2, cell.box.y + 1, cell.box.w - 3, cell.box.h - 2};
        const Box ink{inside.x, cell.box.y + foot - kSmallInk, inside.w, kSmallInk};
        c.SetClip(inside);
        if (cell.index == 10)
            ClockColon(c, ink, style);
        else
            t.DrawInk(c, s, ink, style, t.FitOne(s, style, fit, inside.w));
        c.ResetClip();
    }
}

// The foot of the result's night: a line of dark hills against a glow low
// on the sky, with a few lit windows of a far town.
void Horizon(Canvas& c, const Box& b) {
    const float foot = float(b.y + b.h);
    c.VerticalGradient({b.x, b.y + b.h - 90, b.w, 90}, Rgb(0x3A7080, 0.0f), Rgb(0x3A7080, 0.55f));
    std::vector<Point> far{{float(b.x), foot}}, near{{float(b.x), foot}};
    for (int x = b.x; x <= b.x + b.w; x += 8) {
        const float u = float(x - b.x) / float(b.w);
        far.push_back({float(x), foot - 34 - 14 * std::sin(u * 7.1f + 0.6f) - 6 * std::sin(u * 19.0f)});
        near.push_back({float(x), foot - 16 - 9 * std::sin(u * 4.3f + 2.1f) - 4 * std::sin(u * 23.0f + 1.0f)});
    }
    far.push_back({float(b.x + b.w), foot}), near.push_back({float(b.x + b.w), foot});
    c.Polygon(far, Rgb(0x12303C));
    Random lights(43);
    for (int i = 0; i < 18; ++i) {
        const float x = float(b.x) + lights.Range(20, float(b.w) - 20), y = foot - lights.Range(6, 20);
        c.Fill({int(x), int(y), 2, 2}, Rgb(0xFFE0A0, lights.Range(0.5f, 0.9f)));
    }
    c.Polygon(near, Rgb(0x0A1E28));
}

}  // namespace

void Ranking(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x181030), Rgb(0x402860), 31);
    c.SetClip(bg);
    t.DrawLeft(c, "RANKING", {30, 30, 300, 60}, Label(48, kGold));
    // The panel holds the ten rows: its inner line 6 px right of the badges and
    // 3 px below the last row (the panel's edge 6 px further), the counts below it.
    using namespace layout;
    const Box first = kRankBadge.Screen(0), last = kRankBadge.Screen(kShownRows - 1);
    const int right = first.x + first.w + 6 + 6, bottom = last.y + last.h + 3 + 6;
    const Box panel{10, 98, right - 10, bottom - 98};
    DrawPanel(c, panel, Rgb(0x3A2A70), 12);
    const char* heads[] = {"NO.", "NAME", "SCORE", "DATE", "STAGE"};
    const int hx[] = {26, kRankNameX, kRankScoreX + 20, kRankDateX, first.x};
    for (int i = 0; i < 5; ++i) t.DrawLeft(c, heads[i], {hx[i], 104, 100, 22}, Label(14, Rgb(0xC0C8FF)));
    for (int i = 0; i < kShownRows; ++i) {
        const Box row = kRankBadge.Screen(i);
        c.Fill({panel.x + 8, row.y, row.x + row.w - panel.x - 8, row.h}, Rgb(i % 2 ? 0xFFFFFF : 0x000000, 0.08f));
    }
    // PLAY and CLEAR on the middle of the counts' digits, ending 6 px before them.
    TextStyle counts;
    counts.size = screen::kSkillFontSize;
    counts.bold = true;
    const InkBox digits = t.MeasureInk("0123456789", counts);
    const Box line{0, kRankCountsY + digits.y, 0, digits.h};
    InkLabel(c, t, "PLAY", {kRankPlayX - 8 - 80, line.y, 80, line.h}, Label(16), digits.h, Align::kRight);
    InkLabel(c, t, "CLEAR", {kRankClearX - 8 - 80, line.y, 80, line.h}, Label(16), digits.h, Align::kRight);
    c.ResetClip();
    // The headings at one size, 5 px clear of their panel's inner line (5 px in), outline and all.
    std::vector<std::string> headings;
    for (int k = 0; k < 8; ++k) headings.push_back(std::string(k < 4 ? "TEAM 1 " : "TEAM 2 ") + kTableNames[k % 4]);
    const TextStyle heading = Label(20);
    const int in = 6 + heading.outlineWidth + 5;
    const InkFit headingFit = t.FitInk(headings, heading, 14, Get(a, "heading").box.w - 2 * in);
    for (int k = 0; k < 8; ++k) {
        const Box b = Get(a, "heading", k).box;
        c.SetClip(b);
        DrawPanel(c, b, k < 4 ? Rgb(0xB04030) : Rgb(0x4050B0), 10);
        t.DrawInk(c, headings[size_t(k)], {b.x + in, b.y + in, b.w - 2 * in, b.h - 2 * in}, heading, headingFit);
        c.ResetClip();
    }
    for (int s = 0; s < 8; ++s) {
        const Box b = Get(a, "stage", s).box;
        c.SetClip(b);
        c.RoundRect(float(b.x) + 1, float(b.y) + 1, float(b.w) - 2, float(b.h) - 2, 6, s >= 6 ? Rgb(0xC09020, 0.9f) : Rgb(0x305090, 0.9f));
        // In the style of the row's texts, which the game writes in its attack-name font.
        TextStyle code;
        code.size = 15, code.bold = true, code.fixedPitch = true;
        code.outline = Rgb(0x000000), code.outlineWidth = 1;
        t.DrawCentered(c, kStageCodes[s], b, code);
        c.ResetClip();
    }
}

void NameEntry(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x102830), Rgb(0x205060), 41);
    c.SetClip(bg);
    Horizon(c, bg);
    // The grid's panel lies in the backdrop, under the grid the game draws over
    // it: the glyphs' cells keep no ground of their own, so that a typed name,
    // drawn from them onto the result's panel, shows letters and no tiles.
    const Box gridAt = layout::kNameGrid.screen;
    DrawPanel(c, {gridAt.x + 6, gridAt.y - 6, gridAt.w - 12, gridAt.h + 20}, Rgb(0x1A4050), 12);
    t.DrawCentered(c, "RESULT", {0, 14, 640, 50}, Label(40, kGold));
    DrawPanel(c, {14, 76, 612, 176}, Rgb(0x2A5A70), 12);
    // The row's labels alike, each ending, outline and all, 4 px before what
    // the game draws after it: the rank (from where 10 starts), the name, the date.
    const TextStyle head = Label(16, Rgb(0xB0E0FF));
    const InkFit fit = t.FitInk({"RANK", "NAME", "DATE"}, head, 10, 60);
    const int gap = 4 + head.outlineWidth + 1;
    const int rank = layout::kResultRankTen.first.screen.x, name = layout::kNameLetters.first.screen.x;
    const int date = layout::kResultDate.first.screen.x;
    t.DrawInk(c, "RANK", {24, 98, rank - gap - 24, 10}, head, fit, Align::kRight);
    t.DrawInk(c, "NAME", {170, 98, name - gap - 170, 10}, head, fit, Align::kRight);
    t.DrawInk(c, "DATE", {430, 98, date - gap - 430, 10}, head, fit, Align::kRight);
    t.DrawLeft(c, "SCORE", {60, 158, 120, 28}, Label(20, Rgb(0xB0E0FF)));
    t.DrawLeft(c, "STAGE", {60, 208, 120, 28}, Label(20, Rgb(0xB0E0FF)));
    c.Fill({236, 120, 210, 2}, Rgb(0xFFFFFF, 0.6f));
    c.ResetClip();
    static const char* kRows[4] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "0123456789+-/*%=!?.,_@#$&'",
                                   "()~[]\"\\{}<>:"};
    TextStyle letter = Label(17);
    letter.outlineWidth = 0;
    letter.fillBottom = Darker(letter.fill, 0.12f);
    letter.face = kStepLetters;
    std::vector<std::string> letters;
    for (int r = 0; r < 2; ++r)
        for (const char* p = kRows[r]; *p; ++p) letters.push_back(std::string(1, *p));
    const InkFit glyphs = t.FitInk(letters, letter, kGlyphLine, kGlyphFill, kFillWidth | kOneLine);
    // The capitals' foot in the glyph's line, which starts a row into its cell.
    TextStyle sized = letter;
    sized.size = glyphs.size;
    const InkBox capital = t.MeasureInk("H", sized);
    SmallGlyphs(c, t, a, 1 + (kGlyphLine - glyphs.line.h) / 2 - glyphs.line.y + capital.y + capital.h);
    TextStyle score = Label(34, kGold);
    score.outlineWidth = 1;
    DigitStrip(c, t, a, "score_digits", score, 28);
    for (const Cell& cell : a.cells) {
        if (cell.group == "stage_banner") {
            c.SetClip(cell.box);
            DrawPanel(c, cell.box, cell.index >= 7 ? Rgb(0xC08020) : Rgb(0x3060A0), 10);
            static const char* kBanner[] = {"", "STAGE 1", "STAGE 2", "STAGE 3", "STAGE 4", "STAGE 5", "EXTRA", "ALL CLEAR", "EX CLEAR"};
            t.DrawCentered(c, kBanner[cell.index], cell.box, Label(22));
            c.ResetClip();
        }
    }
    // The character grid: its glyphs, and the plates of DEL, SPC and END. The
    // glyphs on one baseline, each widened towards the width the cursor's
    // frame leaves, so that the typed name, which lays them 25 px apart, reads
    // as a word; no outline, which on the panel would not show.
    for (const Cell& cell : a.cells) {
        if (cell.group != "grid" || cell.box.w == 640) continue;
        const int r = cell.index / 100, col = cell.index % 100;
        c.SetClip(cell.box);
        if (r == 3 && col >= 12) {
            const char* w[] = {"DEL", "SPC", "END"};
            // Narrow enough to stand 5 px inside the frame of the wide cursor.
            c.RoundRect(float(cell.box.x) + 1, float(cell.box.y) + 1, 48, 28, 6, Rgb(0x284470));
            TextStyle button = Label(15);
            button.fillBottom = button.fill;  // white to its foot: small, it reads on the plate
            InkLabel(c, t, w[col - 12], {cell.box.x + 10, cell.box.y + 1, 30, 28}, button, 10, Align::kCentre);
        } else {
            // Each inside the pitch it owns (neighbours share 2 pixels), under
            // the small cursor drawn over it a column left.
            const std::string glyph(1, kRows[r][col]);
            c.SetClip({cell.box.x + 2, cell.box.y + 1, kGlyphPitch - 2, kGlyphLine});
            t.DrawInk(c, glyph, {cell.box.x + 2, cell.box.y + 1, kGlyphFill, kGlyphLine}, letter, t.FitOne(glyph, letter, glyphs, kGlyphFill));
        }
        c.ResetClip();
    }
    // The small cursor, drawn over the glyph: a plate over it and a rule a
    // row under it, which the typed name's next place shows too.
    const Box cs = Get(a, "cursor_small").box;
    c.SetClip(cs);
    c.Fill({cs.x + 1, cs.y + 1, cs.w - 2, cs.h - 4}, WithAlpha(kGold, 0.27f));
    c.Fill({cs.x + 1, cs.y + cs.h - 3, cs.w - 2, 2}, kGold);
    c.ResetClip();
    const Box cw = Get(a, "cursor_wide").box;
    c.SetClip(cw);
    c.RoundFrame(float(cw.x) + 1, float(cw.y) + 1, float(cw.w) - 2, float(cw.h) - 2, 6, 3, kGold);
    c.ResetClip();
}

}  // namespace demodata::screenart
