// The in-play pictures: the display's sheet (players' panels, pause and
// continue screens, the boss's gauge and bonus), the stage-clear tally and
// the stage title's band and letters.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/demodata/ArtScreens.h"

namespace demodata::screenart {

namespace {

// The column of `cell`, drawn at `at`, under the middle of what the game draws at `spot`.
int Middle(const Box& cell, const Box& at, const Box& spot) {
    const Box under = screen::Under(cell, at, spot);
    return under.x + under.w / 2;
}
// The widest part of `b` centred on column `middle`.
Box CentredOn(const Box& b, int middle) {
    const int half = std::min(middle - b.x, b.x + b.w - middle);
    return {middle - half, b.y, 2 * half, b.h};
}

// The gauge number's ink keeps to the top rows of its cells: their last rows
// are the panel's frame and the FORCE strip's first.
constexpr Box kGaugeInk{0, 0, 0,
                        layout::kHudPanel.screen.y + layout::kHudPanel.screen.h - 3 - layout::kHudGaugeDigits.first.screen.y};

// The in-game display's panel as the game lays its quads over it: a dark strip
// behind the stock icons, then the framed body with the life bar and the gauge
// pips, the labels in the column left of them, and at its foot a dark well for
// the gauge number and the element's name under the large pips. The frame
// closes along the panel's last row, under the number, whether or not the
// FORCE strip is drawn below it.
void PlayerPanel(Canvas& c, TextPainter& t, const Box& b, int element) {
    using namespace layout;
    const Box panel = kHudPanel.screen;
    auto at = [&](const Box& spot) { return screen::Under(b, panel, spot); };
    const Box stock = at(kHudStock.Screen(0)), life = at(HudLife(5).screen), pips = at(kHudPips.Span(6));
    const Box large = at(kHudLargePips.Span(2)), number = at(kHudGaugeDigits.Span(3));
    const Color e = ElementColor(element, 0.45f);
    const float x = float(b.x) + 1, w = float(panel.w) - 2;
    // Opaque: the labels read over a bright stage while the display fades too.
    c.RoundRect(x, float(stock.y) + 1, w, float(stock.h) - 2, float(stock.h) / 2 - 1, Darker(e, 0.75f));
    const float top = float(stock.y + stock.h) + 1, tall = float(b.y + b.h) - top;
    c.RoundRect(x, top, w, tall, 9, Darker(e, 0.7f));
    c.RoundFrame(x, top, w, tall, 9, 1.5f, Lighter(e, 0.3f));
    // The well ends with the number's ink, a row above the frame.
    c.RoundRect(float(number.x) - 4, float(number.y) - 3, float(number.w) + 8, float(kGaugeInk.h) + 3, 3, Rgb(0x05060C, 0.85f));
    // The labels' column: 8 px clear of the frame, outline and all, to 3 px
    // short of the icons, one size for all three.
    TextStyle label = Label(10);
    label.outlineWidth = 1;
    label.fillBottom = Rgb(0xF0F0F0);  // barely shaded: the letters are small
    const int left = b.x + 11, right = std::min({stock.x, life.x, pips.x}) - 3;
    const InkFit fit = t.FitInk({"STOCK", "LIFE", "GAUGE"}, label, 7, right - left);
    t.DrawInk(c, "STOCK", {left, stock.y, right - left, stock.h}, label, fit, Align::kLeft);
    t.DrawInk(c, "LIFE", {left, life.y, right - left, life.h}, label, fit, Align::kLeft);
    t.DrawInk(c, "GAUGE", {left, pips.y, right - left, pips.h}, label, fit, Align::kLeft);
    // The element's name: right of the well, 3 px below the large pips.
    TextStyle name = Label(10, Lighter(e, 0.75f));
    name.outlineWidth = 1;
    const int nameX = number.x + number.w + 6, nameY = large.y + large.h + 3;
    InkLabel(c, t, element == 0 ? "FIRE" : "ICE", {nameX, nameY, b.x + panel.w - 3 - nameX, b.y + b.h - 3 - nameY}, name, 7,
             Align::kCentre);
}

// The pause menu's cursor, which the continue screen also draws squeezed to
// less than half its width and a quarter taller: a gold rule over the marked
// line and one under it, 3 rows each, fading out towards their ends. With no
// sides and no corners it reads alike at both sizes, its rules 3 and 4 px.
void CursorRules(Canvas& c, const Box& b) {
    const Color gold = Rgb(0xFFC850);
    for (int x = b.x; x < b.x + b.w; ++x) {
        const float from = std::min(float(x - b.x) + 0.5f, float(b.x + b.w - x) - 0.5f) / (float(b.w) * 0.22f);
        const float t = std::min(1.0f, from), fade = t * t * (3 - 2 * t);
        for (int y : {b.y + 3, b.y + b.h - 6}) {
            c.Fill({x, y, 1, 3}, WithAlpha(gold, fade));
            // A soft shine along each rule's inner side.
            c.Blend(x, y == b.y + 3 ? y + 3 : y - 1, WithAlpha(gold, 0.25f * fade));
        }
    }
}

// The pause menu's items and answers stand this tall, on the middle of the
// cursor bar's rules (3 rows from its top, 4 from its foot).
constexpr int kPauseInk = 18;

// The boss's seconds and TIME beside them: one style, the digits' ink this
// tall, with no outline (on the strip's dark plate it would not show).
constexpr int kTimerInk = 12;
TextStyle TimerStyle() {
    TextStyle s = DigitFace(Label(15));
    s.outlineWidth = 0;
    return s;
}

// The gauge number's digits, 6 x 7 px: drawn pixel by pixel, as at that size
// a face's smoothed stems leave 4 px of them bright.
void GaugeDigits(Canvas& c, const ImageAsset& a) {
    static const char* const kDigits[10][7] = {
        {".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."},
        {"..##..", ".###..", "####..", "..##..", "..##..", "..##..", "######"},
        {".####.", "##..##", "....##", "...##.", "..##..", ".##...", "######"},
        {"#####.", "....##", "....##", ".####.", "....##", "....##", "#####."},
        {"...##.", "..###.", ".####.", "##.##.", "######", "...##.", "...##."},
        {"######", "##....", "#####.", "....##", "....##", "##..##", ".####."},
        {".####.", "##....", "#####.", "##..##", "##..##", "##..##", ".####."},
        {"######", "....##", "...##.", "...##.", "..##..", "..##..", "..##.."},
        {".####.", "##..##", "##..##", ".####.", "##..##", "##..##", ".####."},
        {".####.", "##..##", "##..##", "##..##", ".#####", "....##", ".####."}};
    static_assert(kGaugeInk.h == 7, "the digits' rows are the gauge number's");
    if (c.textMode() == TextMode::kLeaveOut) return;
    for (const Cell& cell : a.cells) {
        if (cell.group != "gauge_digits") continue;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 6; ++x)
                if (kDigits[cell.index][y][x] == '#') {
                    c.Blend(cell.box.x + x, cell.box.y + y, Mix(Rgb(0xFFFFFF), Rgb(0xD8D8D8), float(y) / 6));
                    c.MarkText(cell.box.x + x, cell.box.y + y, 1);
                }
    }
}

// The boss's gauge frame: its white outline 1 px clear of the full bar, BOSS
// before it, and TIME at the seconds' height just before the seconds.
void BossFrame(Canvas& c, TextPainter& t, const Box& b) {
    using layout::kBossFrame, layout::kBossSeconds;
    const Box bar = screen::Under(b, kBossFrame.screen, layout::kBossBar.screen);
    const Box seconds = screen::Under(b, kBossFrame.screen, kBossSeconds.Span(2));
    const Box outline{bar.x - 3, bar.y - 3, bar.w + 6, bar.h + 6};
    // Two plates, BOSS and the bar's and TIME and the seconds', the stage
    // between them rather than a flat stretch of the strip.
    const InkFit fit = FitDigits(t, TimerStyle(), kTimerInk, kBossSeconds.first.screen.w - 2);
    TextStyle timer = TimerStyle();
    timer.size = fit.size;
    // A step clear of TIME's own letter spacing, so that a narrow leading one
    // still reads as the number's, not the word's.
    constexpr int kGap = 9;
    const int time = seconds.x - kGap - int(std::lround(float(t.MeasureInk("TIME", timer).w) * fit.squeeze));
    c.RoundRect(float(b.x) + 1, float(b.y) + 1, float(outline.x + outline.w + 8 - b.x - 1), float(b.h) - 2, 8, Rgb(0x101020, 0.85f));
    c.RoundRect(float(time - 10), float(b.y) + 1, float(seconds.x + seconds.w + 10 - (time - 10)), float(b.h) - 2, 8, Rgb(0x101020, 0.85f));
    c.RoundRect(float(outline.x), float(outline.y), float(outline.w), float(outline.h), 4, Rgb(0x000000, 0.55f));
    c.RoundFrame(float(outline.x), float(outline.y), float(outline.w), float(outline.h), 4, 2, Rgb(0xFFFFFF, 0.9f));
    // BOSS in TIME's face and weight, in its own colour.
    TextStyle boss = TimerStyle();
    boss.fill = Rgb(0xFFB0B0), boss.fillBottom = Darker(boss.fill, 0.25f);
    InkLabel(c, t, "BOSS", {b.x + 10, bar.y, outline.x - 8 - (b.x + 10), bar.h}, boss, 12);
    // TIME in the seconds' digits' style and fit, ending a gap before them.
    t.DrawInk(c, "TIME", {outline.x + outline.w + 4, seconds.y, seconds.x - kGap - (outline.x + outline.w + 4), seconds.h}, TimerStyle(),
              fit, Align::kRight);
}

// "SPELL BONUS!" centred over the middle of the seven digits the game draws
// below the label, which lies right of the label picture's own middle.
void BonusLabel(Canvas& c, TextPainter& t, const Box& b) {
    const Box digits = screen::Under(b, layout::kBonusLabel.screen, layout::kBonusDigits.Span(7));
    const int cx = digits.x + digits.w / 2, half = std::min(cx - b.x, b.x + b.w - cx);
    // The glow soft spots along the middle, fading out inside the cell.
    const float r = float(b.h) / 2 - 2;
    for (float x = float(cx - half) + r + 2; x <= float(cx + half) - r - 2; x += r / 2)
        c.Glow(x, float(b.y) + float(b.h) / 2, r, Rgb(0xFFE080, 0.12f));
    c.Fill({cx - half + 8, b.y + b.h - 6, 2 * half - 16, 2}, Rgb(0xFFD860, 0.8f));
    t.DrawCentered(c, "SPELL BONUS!", {cx - half, b.y, 2 * half, b.h - 6}, Label(36, kGold));
}

// The credits' label and digits stand this tall; the continue screen's
// heading and question stand over the middle of its answers, the screen's.
constexpr int kCreditsInk = 24, kContinueMiddle = screen::kScreenWidth / 2;

// TOTAL's capitals; its digits stand 2 px taller.
constexpr int kTotalInk = screen::kTallyTotalInk - 2;

// The band's gold lines (3 rows each) run 4 px above the "STAGE n" cell and
// 3 px below the name cell, rows of the band's picture.
constexpr Box kBand = layout::kStageTitleBand.screen, kNumber = layout::kStageTitleNumber.screen;
constexpr Box kName = layout::kStageTitleName.screen;
constexpr int kBandTop = kNumber.y - kBand.y - 7;
constexpr int kBandBottom = kName.y + kName.h - kBand.y + 3;

std::string StageSubtitle(int stage, bool team2) {
    // The extra stage's letters are shown to both teams: they name neither.
    if (stage == 6) return StageRoman(stage);
    return std::string(StageRoman(stage)) + (team2 ? " - Cheska & Osero -" : " - Yuri & Crow -");
}

}  // namespace

void HudSheet(Canvas& c, const ImageAsset& a, TextPainter& t) {
    using namespace layout;
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        const std::string& g = cell.group;
        c.SetClip(b);
        if (g == "player_panel") {
            PlayerPanel(c, t, b, cell.element);
        } else if (g == "force_strip") {
            // Light and near opaque, so that its dark capitals read over any
            // stage, with a row clear above and below: the panel's frame
            // closes just above the strip.
            const Color e = ElementColor(cell.element, 0.75f);
            c.HorizontalGradient(b, WithAlpha(e, 0.85f), e);
            TextStyle ok = Label(9, Darker(e, 0.85f));
            ok.outlineWidth = 0;
            InkLabel(c, t, "FORCE OK!", {b.x, b.y + 1, b.w, b.h - 2}, ok, b.h - 3, Align::kCentre);
        } else if (g == "stock_icon") {
            static const char* kChar[] = {"", "yuri", "crow", "cheska", "osero"};
            const Look& l = LookOf(kChar[cell.index]);
            // Kept to the cell's first 18 columns: the fifth, 96 px on, ends 2 px
            // inside the stock strip.
            const float cx = float(b.x) + 9.5f, cy = float(b.y) + 11;
            c.Disc(cx, cy, 8.5f, Rgb(l.dress));
            c.Disc(cx, cy - 1.5f, 5, Rgb(0xFCE2CC));
            c.Ellipse(cx, cy - 5, 6, 3.5f, Rgb(l.hair));
            c.Ring(cx, cy, 8.5f, 1.5f, Rgb(0xFFFFFF));
        } else if (g == "life_bar" && cell.index == 5) {
            // One strip of five segments, the same in every row it is read
            // from: from the full bar's row down to the last life's.
            const Box full = HudLife(5).cell, last = HudLife(1).cell;
            const Box strip{full.x, full.y, full.w, last.y + last.h - full.y};
            c.SetClip(strip);
            for (int k = 0; k < 5; ++k) {
                const int x = strip.x + last.w * k;
                c.VerticalGradient({x + 1, strip.y, last.w - 2, strip.h}, Rgb(0xFF6080), Rgb(0xC02040));
                c.Fill({x + 3, strip.y, 6, strip.h}, Rgb(0xFFFFFF, 0.35f));
            }
        } else if (g == "pip_small") {
            c.Disc(float(b.x) + 5.5f, float(b.y) + 5.5f, 4.5f, cell.index == 0 ? Rgb(0xFFD040) : Rgb(0x60E0FF));
            c.Disc(float(b.x) + 4, float(b.y) + 4, 1.6f, Rgb(0xFFFFFF, 0.9f));
        } else if (g == "pip_large") {
            c.Star(float(b.x) + 8.5f, float(b.y) + 8.5f, 7.5f, 3.5f, 5, 0, Rgb(0xFFF080));
        } else if (g == "pause_panel") {
            // The panel ends as far below the last item's rules as PAUSE stands
            // clear of the first's, PAUSE in the middle between them and its
            // top, its lighter band ending half way from PAUSE to the first rule.
            const Box first = screen::Under(b, kPausePanel.screen, kPauseBar.Screen(0));
            const Box last = screen::Under(b, kPausePanel.screen, kPauseBar.Screen(2));
            constexpr int kPauseHeading = 24;
            const Box heading{b.x, b.y + 6, b.w, first.y + 3 - (b.y + 6)};
            const int band = (heading.y + heading.h / 2 + kPauseHeading / 2 + first.y + 3) / 2;
            DrawPanel(c, {b.x, b.y, b.w, last.y + last.h + 14 - b.y}, Rgb(0x283870), 16, band - (b.y + 3));
            InkLabel(c, t, "PAUSE", heading, Label(34, kGold), kPauseHeading, Align::kCentre);
        } else if (g == "pause_items") {
            // Each item on the middle of the cursor bar's rules on it.
            const Box row = CentredOn(b, Middle(b, kPauseItems.screen, kPausePanel.screen));
            // Quitting ends the game at the result screen, a practice's too.
            const std::vector<std::string> items = {"RESUME", "RETRY", "QUIT TO RESULTS"};
            const InkFit fit = t.FitInk(items, Label(26), kPauseInk, row.w - 8);
            for (int i = 0; i < 3; ++i) {
                const Box bar = screen::Under(b, kPauseItems.screen, kPauseBar.Screen(i));
                t.DrawInk(c, items[size_t(i)], {row.x, bar.y, row.w, bar.h - 1}, Label(26), fit);
            }
        } else if (g == "cursor_bar") {
            // On the panel's middle, as wide as the bar's left end allows.
            const int middle = Middle(b, kPauseBar.Screen(0), kPausePanel.screen);
            CursorRules(c, {b.x + 2, b.y, 2 * (middle - b.x - 2), b.h});
        } else if (g == "pause_question") {
            // The answers under the cursor bar on them, a place lower than the items'.
            const Box row = CentredOn(b, Middle(b, kPauseQuestion.screen, kPausePanel.screen));
            const Box yes = screen::Under(b, kPauseQuestion.screen, kPauseBar.Screen(1));
            const Box no = screen::Under(b, kPauseQuestion.screen, kPauseBar.Screen(2));
            t.DrawCentered(c, "REALLY?", {row.x, b.y, row.w, 60}, Label(26, kGold));
            const InkFit fit = t.FitInk({"YES", "NO"}, Label(24), kPauseInk, row.w - 8);
            t.DrawInk(c, "YES", {row.x, yes.y, row.w, yes.h - 1}, Label(24), fit);
            t.DrawInk(c, "NO", {row.x, no.y, row.w, no.h - 1}, Label(24), fit);
        } else if (g == "continue_shade") {
            // Stretched over the whole screen at two fifths at most: no text
            // drawn through it could read over a bright stage, so it is a
            // plain shade, and GAME OVER is the heading the game draws once
            // it asks for a continue.
            c.Fill(b, Rgb(0x000010, 1.0f));
        } else if (g == "continue_heading") {
            // Each line of the continue screen on a plate: the shade leaves a bright stage bright.
            const Box line = CentredOn(b, b.x + kContinueMiddle - kContinueHeading.screen.x);
            Plate(c, {line.x + 4, b.y + 20, line.w - 8, b.h - 40});
            t.DrawCentered(c, "GAME OVER", {line.x + 14, b.y + 20, line.w - 28, b.h - 40}, Label(60, kGold));
        } else if (g == "continue_question") {
            const Box line = CentredOn(b, b.x + kContinueMiddle - kContinueQuestion.screen.x);
            Plate(c, {line.x + 8, b.y + 10, line.w - 16, b.h - 20});
            t.DrawCentered(c, "CONTINUE?", line, Label(26));
        } else if (g == "answer") {
            // Under the middle of the pause bar's highlight, squeezed over the answer.
            const Box pauseBar = kPauseBar.Screen(0), continueBar = kContinueBar.Screen(0);
            const int bar = Middle({0, 0, pauseBar.w, pauseBar.h}, pauseBar, kPausePanel.screen);
            const int middle = continueBar.x + bar * continueBar.w / pauseBar.w - kContinueAnswer.Screen(0).x;
            const Box line = CentredOn(b, b.x + middle);
            Plate(c, {line.x + 8, b.y + 10, line.w - 16, b.h - 20});
            t.DrawCentered(c, cell.index == 0 ? "YES" : "NO", line, Label(30));
        } else if (g == "credits_label") {
            // As tall as the digits, on their middle, ending 8 px before them;
            // label and digits together centred under the heading.
            const Box digits = screen::Under(b, kCreditsLabel.screen, kCreditsDigits.Span(2));
            const int left = 2 * (b.x + kContinueMiddle - kCreditsLabel.screen.x) - (digits.x + digits.w);
            Plate(c, {left - 10, b.y + 1, digits.x + digits.w + 10 - (left - 10), b.h - 2});
            InkLabel(c, t, "CONTINUES", {left, digits.y, digits.x - 8 - left, digits.h}, Label(26), kCreditsInk, Align::kRight);
        } else if (g == "score_digits") {
            // The score stands over the stage on its own ground: a slot for
            // each digit, rounded as the display's plates are.
            c.RoundRect(float(b.x), float(b.y), float(b.w), float(b.h), 3.5f, Rgb(0x05060C, 0.85f));
        } else if (g == "boss_frame") {
            BossFrame(c, t, b);
        } else if (g == "boss_bar") {
            c.VerticalGradient(b, Rgb(0xFF9090), Rgb(0xD02040));
        } else if (g == "bonus_label") {
            BonusLabel(c, t, b);
        }
        c.ResetClip();
    }
    GaugeDigits(c, a);
    TextStyle score = Label(13, kGold);
    score.outlineWidth = 1;
    DigitStrip(c, t, a, "score_digits", score, 10);
    DigitStrip(c, t, a, "seconds_digits", TimerStyle(), kTimerInk);
    // Without an outline, which on the plate would not show: they fill their cells.
    TextStyle credits = Label(28, kGold);
    credits.outlineWidth = 0;
    DigitStrip(c, t, a, "credits_digits", credits, kCreditsInk);
    DigitStrip(c, t, a, "bonus_digits", Label(44, Rgb(0xFFFFFF)), 38);
}

void StageClear(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    c.SetClip(bg);
    c.VerticalGradient(bg, Rgb(0x081030, 0.78f), Rgb(0x183060, 0.78f));
    // Each label's capitals as tall as the small digits' ink, on the middle of
    // its row of digits, ruled under as far as the labels run: neither
    // player's column owns a rule. The picture stands behind a one-player
    // tally too, so player 2's column keeps no heading.
    const char* rows[] = {"ITEMS", "ABSORB", "NO MISS", "STAGE BONUS", "SCORE"};
    const Box digit = layout::kTallyDigits.first.screen;
    for (int i = 0; i < 5; ++i) {
        const int y = screen::kTallyRowY[i];
        InkLabel(c, t, rows[i], {40, y, digit.x - 50, digit.h}, Label(20, i == 4 ? kGold : Rgb(0xFFFFFF)), screen::kTallyCapitals);
        c.Fill({40, y + digit.h + 2, digit.x - 50, 1}, Rgb(0xFFFFFF, 0.25f));
    }
    const Box total = layout::kTallyTotal.Span(8);
    InkLabel(c, t, "TOTAL", {60, total.y, total.x - 70, total.h}, Label(28, kGold), kTotalInk);
    c.ResetClip();
    const Box top = Get(a, "banner_top").box;
    c.SetClip(top);
    c.Polygon({{float(top.x), float(top.y) + 10}, {float(top.x) + 529, float(top.y) + 10}, {float(top.x) + 490, float(top.y) + 100},
               {float(top.x), float(top.y) + 100}},
              Rgb(0x701808, 0.92f));
    t.DrawCentered(c, "STAGE CLEAR!", {top.x, top.y + 10, 500, 90}, Label(54, kGold));
    c.ResetClip();
    // The bottom band starts 3 px below the total's digits.
    const Box bottom = Get(a, "banner_bottom").box;
    const Box digits = screen::Under(bottom, layout::kTallyBottomBanner.screen, total);
    const float band = float(digits.y + digits.h + 3), foot = float(bottom.y) + 120;
    c.SetClip(bottom);
    c.Polygon({{float(bottom.x) + 40, band}, {640, band}, {640, foot}, {float(bottom.x), foot}}, Rgb(0x2050C0, 0.9f));
    InkLabel(c, t, "PRESS SHOT", {bottom.x + 420, int(band) + 2, 210, int(foot - band) - 4}, Label(20), 14);
    c.ResetClip();
    // On the dark ground an outline would not show: the digits fill their cells.
    TextStyle small = Label(22);
    small.outlineWidth = 0;
    DigitStrip(c, t, a, "small_digits", small, screen::kTallyDigitInk);
    TextStyle large = Label(30, kGold);
    large.outlineWidth = 0;
    DigitStrip(c, t, a, "large_digits", large, screen::kTallyTotalInk);
}

// Between the lines, dark enough for the letters over any stage; nothing below
// them, where the game's display stands (the band is drawn after it).
void StageTitleBand(Canvas& c, const ImageAsset& a) {
    const Box b = Get(a, "band").box;
    const float mid = float(kBandTop + kBandBottom + 3) / 2, half = mid - float(kBandTop);
    c.SetClip(b);
    for (int y = kBandTop; y < kBandBottom; ++y) {
        const float d = std::fabs(float(y) - mid) / half;
        c.Fill({b.x, b.y + y, b.w, 1}, Rgb(0x081028, 0.9f - 0.2f * d * d));
    }
    c.Fill({b.x, b.y + kBandTop, b.w, 3}, Rgb(0xFFD860, 0.9f));
    c.Fill({b.x, b.y + kBandBottom, b.w, 3}, Rgb(0xFFD860, 0.9f));
    c.ResetClip();
}

// "STAGE n" in its cell's upper half; the name and the subtitle below it in the
// name cell (drawn 20 px lower), clear of it and within the columns the screen
// shows, the three lines' ink from one column and the block in the middle of
// the band. Every subtitle has the one size the longest fits at.
void StageTitleLetters(Canvas& c, const ImageAsset& a, TextPainter& t) {
    using namespace screen;
    const int s = a.variant;
    const bool team2 = a.subject == "team2";
    const Box num = Get(a, "number").box, name = Get(a, "name").box;
    // The letters keep 20 px from the screen's right edge.
    const int shown = kScreenWidth - kName.x - 20, inkX = 8;
    TextStyle small = Label(28, Rgb(0xE0E8FF));
    std::vector<std::string> subtitles;
    for (int k = 1; k <= 6; ++k)
        for (bool two : {false, true}) subtitles.push_back(StageSubtitle(k, two));
    while (small.size > 12) {
        int widest = 0;
        for (const std::string& text : subtitles) widest = std::max(widest, t.Measure(text, small) + 2 * small.outlineWidth);
        if (widest <= shown - 30) break;
        --small.size;
    }
    // The block on the screen: "STAGE n" (44 px), the name (62 px) 14 px below
    // it, the subtitles' capitals 14 px below that and, half way between their
    // foot and the lowest descender, its end; then moved onto the middle of the
    // band's lines.
    const InkBox capitals = t.MeasureInk("H", small);
    int low = capitals.h;
    for (const std::string& text : subtitles) {
        const InkBox ink = t.MeasureInk(text, small);
        low = std::max(low, ink.y + ink.h - capitals.y);
    }
    low = (low + capitals.h) / 2;
    const int stageTop = 0, nameTop = stageTop + 44 + 14, subTop = nameTop + 62 + 14, blockBottom = subTop + low;
    const int bandMiddle = kBand.y + (kBandTop + kBandBottom + 3) / 2;
    const int top = bandMiddle - blockBottom / 2;
    c.SetClip(num);
    TextStyle st = Label(72, team2 ? Rgb(0xC0D8FF) : Rgb(0xFFD8A0));
    st.fillBottom = team2 ? Rgb(0x4070F0) : Rgb(0xF06020);
    st.outlineWidth = 4;
    const Box stage = Under(num, kNumber, {kNumber.x + inkX, top + stageTop, shown - inkX, 44});
    InkLabel(c, t, s == 6 ? "EXTRA" : "STAGE " + std::to_string(s), stage, st, stage.h);
    c.ResetClip();
    c.SetClip({name.x, name.y, shown + 6, name.h});
    TextStyle big = Label(76, Rgb(0xFFFFFF));
    big.fillBottom = team2 ? Rgb(0xA0C0FF) : Rgb(0xFFD060);
    big.outlineWidth = 4;
    const Box title = Under(name, kName, {kName.x + inkX, top + nameTop, shown - inkX, 62});
    InkLabel(c, t, StageName(s), title, big, title.h);
    const int pen = t.MeasureInk(StageSubtitle(s, team2), small).x;
    const Box sub = Under(name, kName, {kName.x + inkX, top + subTop, shown - inkX, capitals.h});
    t.Draw(c, StageSubtitle(s, team2), sub.x - pen, sub.y - capitals.y, small);
    c.ResetClip();
}

}  // namespace demodata::screenart

namespace demodata {

const char* StageName(int stage) {
    static const char* const kNames[] = {"", "はじまりの森", "空中庭園", "鋼の砦", "おもちゃの街", "チェスカの館", "ディーナの城"};
    return kNames[stage >= 1 && stage <= 6 ? stage : 0];
}
const char* StageRoman(int stage) {
    static const char* const kNames[] = {"", "Forest of Beginnings", "Sky Garden", "Iron Fortress", "Toy Town",
                                         "Cheska's Mansion", "Deena's Castle"};
    return kNames[stage >= 1 && stage <= 6 ? stage : 0];
}

}  // namespace demodata
