// The configuration's sheet: the configuration screen, with its turning panel
// and rotating cursor, and the key configuration with its defaults question.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/demodata/ArtScreens.h"

namespace demodata::screenart {

namespace {

constexpr float kPi = 3.14159265f;

// Fades out, over `feather` screen pixels, whatever of a cell the game draws
// into `at`, turned by `angle` (Angle16 units) about its middle, that lands in
// or near the boxes to keep clear.
void FadeWhereDrawn(Canvas& c, const Box& cell, const Box& at, int angle, const std::vector<Box>& keep,
                     float feather) {
    const float turn = float(angle) * 2 * kPi / 65536.0f, cs = std::cos(turn), sn = std::sin(turn);
    const float cx = float(at.x) + float(at.w) / 2, cy = float(at.y) + float(at.h) / 2;
    for (int y = cell.y; y < cell.y + cell.h; ++y)
        for (int x = cell.x; x < cell.x + cell.w; ++x) {
            const float lx = (float(x - cell.x) + 0.5f) * float(at.w) / float(cell.w) - float(at.w) / 2;
            const float ly = (float(y - cell.y) + 0.5f) * float(at.h) / float(cell.h) - float(at.h) / 2;
            const float sx = cx + cs * lx - sn * ly, sy = cy + cs * ly + sn * lx;
            float nearest = feather;
            for (const Box& k : keep) {
                const float dx = std::max({float(k.x) - sx, 0.0f, sx - float(k.x + k.w)});
                const float dy = std::max({float(k.y) - sy, 0.0f, sy - float(k.y + k.h)});
                nearest = std::min(nearest, std::hypot(dx, dy));
            }
            if (nearest >= feather) continue;
            const uint32_t argb = c.Get(x, y);
            const float t = nearest / feather, keepAlpha = t * t * (3 - 2 * t);
            const uint32_t alpha = uint32_t(float(argb >> 24) * keepAlpha + 0.5f);
            c.Set(x, y, alpha ? (alpha << 24) | (argb & 0xFFFFFFu) : 0);
        }
}

// The configuration's items stand this tall, the volume digits a little
// taller, filling their cells; the items' outline is thin, so that EXIT, on
// the middle of the last cursor, ends inside the labels' picture.
constexpr int kConfigInk = 12, kVolumeInk = 15;
// How far the key configuration's highlight glows in from its brackets.
constexpr int kBracketGlow = 12;

}  // namespace

void Config(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x102040), Rgb(0x304880), 21);
    c.SetClip(bg);
    // The panel 16 px clear of the play time on the right, as wide on the left;
    // PLAY TIME above the time, ending 3 px above its glyphs' cells.
    using screen::kScreenWidth;
    const Box playTime = layout::kPlayTime.Span(9), labelsAt = layout::kConfigLabels.screen;
    const int right = playTime.x + playTime.w + 16;
    DrawPanel(c, {kScreenWidth - right, 130, 2 * right - kScreenWidth, 330}, kMenuBlue, 16);
    t.DrawCentered(c, "CONFIGURATION", {0, 40, 640, 60}, Label(44, kGold));
    InkLabel(c, t, "PLAY TIME", {playTime.x, playTime.y - 16, playTime.w, 14}, Label(16, Rgb(0xC0D0F0)), 12, Align::kCentre);
    c.ResetClip();
    // The items 77 px apart from the music volume's row, each on the middle of
    // the rotating cursor, ending 4 px before the digits.
    const Box labels = Get(a, "labels").box;
    c.SetClip(labels);
    const Box music = screen::Under(labels, labelsAt, layout::kVolumeDigits.Span(3));
    const Box cursor = screen::Under(labels, labelsAt, layout::kConfigCursor.Screen(0));
    const Box line{0, cursor.y + cursor.h / 2 - kConfigInk / 2, 0, kConfigInk};
    const std::vector<std::string> items = {"BGM", "SE", "KEY CONFIG", "EXIT"};
    TextStyle item = Label(22);
    item.outlineWidth = 1;
    const InkFit itemFit = t.FitInk(items, item, kConfigInk, labels.x + labels.w - 2 - (labels.x + 84));
    for (int i = 0; i < 4; ++i) {
        const int x = labels.x + 84, y = line.y + layout::kConfigRowStep * i;
        t.DrawInk(c, items[size_t(i)], {x, y, i < 2 ? music.x - 4 - x : labels.x + labels.w - 2 - x, line.h}, item, itemFit, Align::kLeft);
    }
    c.ResetClip();
    TextStyle digits = Label(20, kGold);
    digits.outlineWidth = 0;
    DigitStrip(c, t, a, "digits", digits, kVolumeInk, {0, line.y - music.y, 0, line.h});
    const Box cur = Get(a, "cursor").box;
    c.SetClip(cur);
    DrawMagicCircle(c, cur, Rgb(0xFFC060), 2);
    c.ResetClip();
    // The turning panel is drawn over the heading and the items once grown: a
    // faint sheen with a few glints and no frame, fading out softly before it
    // reaches them or the play time.
    const Box panel = Get(a, "panel").box;
    c.SetClip(panel);
    c.RoundRect(float(panel.x) + 28, float(panel.y) + 28, 200, 200, 16, Rgb(0x40A0C0, 0.16f));
    Random glints(23);
    for (int i = 0; i < 16; ++i)
        c.Star(float(panel.x) + glints.Range(40, 216), float(panel.y) + glints.Range(40, 216), 3, 1, 4, 0, Rgb(0xD0F0FF));
    c.ResetClip();
    using screen::kConfigPanel;
    for (const Box& grown : {kConfigPanel, Box{kConfigPanel.x, 0, kConfigPanel.w - 2, kConfigPanel.h + 10}})
        FadeWhereDrawn(c, panel, grown, layout::kPanelOnConfig.angle,
                        {{0, 30, kScreenWidth, 80}, {labelsAt.x, labelsAt.y - 6, labelsAt.w + 6, labelsAt.h + 6},
                         {playTime.x - 8, playTime.y - 24, playTime.w + 16, playTime.h + 30}},
                        28);
    // key configuration
    const Box kc = Get(a, "keyconfig").box;
    NightSky(c, kc, Rgb(0x102040), Rgb(0x283868), 22);
    c.SetClip(kc);
    t.DrawCentered(c, "KEY CONFIG", {kc.x, kc.y + 6, 640, 44}, Label(32, kGold));
    // Each row's bar, centred under the title, and its label centred on the key
    // names the game writes in the attack-name font 10 px below the row's top:
    // on the middle of their capitals, and in that font's style.
    TextStyle keys;
    keys.size = screen::kSkillFontSize;
    keys.bold = true;
    keys.outline = Rgb(0x000000);
    keys.outlineWidth = 1;
    keys.fixedPitch = true;
    const InkBox caps = t.MeasureInk("UPDOWN", keys);
    const int middle = layout::kKeyTextDy + caps.y + caps.h / 2;
    // The highlight marks a row being defined, a header and (stretched) an
    // answer of the defaults question: brackets at its ends, a pixel inside
    // its cell, glowing inwards, their middle on the key names' middle, which
    // lies low in it.
    const Box highlight = layout::kKeyHighlight.screen;
    const int half = std::min(7, highlight.h - 2 - middle);
    // Each header a button on the brackets' middle, all alike (the brackets
    // alone tell the chosen one): its label in the rows' style, outline and
    // all, a row clear of the button's inner line (5 px in) on every side.
    constexpr int kButtonH = 28, kButtonInside = 6, kButtonInk = 10;
    const std::vector<std::string> heads = {"EXIT", "PLAYER 1", "PLAYER 2", "DEFAULT"};
    const TextStyle& head = keys;
    const InkFit headFit = t.FitInk(heads, head, kButtonInk, highlight.w - 10 - 2 * (kButtonInside + head.outlineWidth + 1));
    for (int i = 0; i < 4; ++i) {
        const Box at = screen::Moved(highlight, kc.x + layout::kKeyHeaderX[i], kc.y + layout::kKeyHeaderY);
        const Box button{at.x + 5, at.y + middle - kButtonH / 2, at.w - 10, kButtonH};
        DrawPanel(c, button, kMenuBlue, 8);
        const int in = kButtonInside + head.outlineWidth + 1;
        t.DrawInk(c, heads[size_t(i)], {button.x + in, button.y + kButtonInside, button.w - 2 * in, button.h - 2 * kButtonInside}, head,
                  headFit);
    }
    // The rows' labels at one size and one narrowing.
    const std::vector<std::string> rows = {"UP", "DOWN", "LEFT", "RIGHT", "SHOT", "DIRECT", "ELEMENT", "FORCE", "CHANGE", "MENU"};
    const Box question = layout::kDefaultsQuestion.screen;
    // The bars span the header row's cells, whose buttons stand 5 px in on
    // either side; the labels 8 px into them.
    const int barX = layout::kKeyHeaderX[0], barW = layout::kKeyHeaderX[3] + highlight.w - barX, labelX = barX + 8;
    const int rowLabelW = question.x - 4 - labelX;
    const InkFit rowFit = t.FitInk(rows, keys, caps.h, rowLabelW);
    for (int r = 0; r < 10; ++r) {
        const Box bar{kc.x + barX, kc.y + layout::kKeyRowY + layout::kKeyRowStep * r + middle - 13, barW, 27};
        c.Fill(bar, Rgb(r % 2 ? 0x203060 : 0x283A70, 0.7f));
        c.Fill({bar.x, bar.y, bar.w, 1}, Rgb(0x6080C0, 0.6f));
        c.Fill({bar.x, bar.y + bar.h - 1, bar.w, 1}, Rgb(0x6080C0, 0.6f));
        // Ending short of the defaults question's panel, which stands from x 130.
        t.DrawInk(c, rows[size_t(r)], {kc.x + labelX, bar.y, rowLabelW, bar.h}, keys, rowFit, Align::kLeft);
    }
    c.ResetClip();
    const Box mark = Get(a, "key_highlight").box;
    const Color gold = Rgb(0xFFD040);
    c.SetClip(mark);
    // A glow inwards from each bracket, fading out before the text it marks,
    // which a wash over the text would dim.
    for (int side = 0; side < 2; ++side) {
        const Color on = WithAlpha(gold, 0.45f), off = WithAlpha(gold, 0.0f);
        c.HorizontalGradient({side ? mark.x + mark.w - 6 - kBracketGlow : mark.x + 6, mark.y + middle - half + 2, kBracketGlow, 2 * half - 3},
                             side ? off : on, side ? on : off);
    }
    for (int side = 0; side < 2; ++side) {
        const int x = side ? mark.x + mark.w - 6 : mark.x + 1;
        c.Fill({x, mark.y + middle - half, 5, 2 * half + 1}, gold);
        c.Fill({side ? x - 9 : x, mark.y + middle - half, 14, 2}, gold);
        c.Fill({side ? x - 9 : x, mark.y + middle + half - 1, 14, 2}, gold);
    }
    c.ResetClip();
    // The question's panels hide the rows they stand over whole: from above
    // row 2's names (as low as they allow, the answers standing low in the
    // panel) to above row 7's. The answers on the middle of the brackets
    // stretched over them.
    using layout::kKeyRowY, layout::kKeyRowStep, layout::kDefaultsAnswer;
    const int hideTop = kKeyRowY + 2 * kKeyRowStep + middle - caps.h / 2 - 4 - question.y;
    const int hideBottom = kKeyRowY + 7 * kKeyRowStep + middle - caps.h / 2 - 3 - question.y;
    for (int k = 0; k < 2; ++k) {
        const Box b = Get(a, k == 0 ? "defaults_question" : "defaults_done").box;
        const Box body{b.x, b.y + hideTop, b.w, hideBottom - hideTop};
        c.SetClip(b);
        c.RoundRect(float(body.x) + 1, float(body.y) + 1, float(body.w) - 2, float(body.h) - 2, 14, Rgb(0x1A1438));
        // The answers' darker band starts as far above YES as NO ends above
        // the panel's inner line (its foot, 6 rows up).
        const auto answer = [&](int i) {
            const Box at = kDefaultsAnswer.Screen(i);
            return screen::Under(b, question, {at.x + 30, at.y + middle * at.h / highlight.h - 10, at.w - 60, 20});
        };
        constexpr int kAnswerInk = 15;
        const int band = answer(0).y + (20 - kAnswerInk) / 2 - (body.y + body.h - 6 - (answer(1).y + (20 - kAnswerInk) / 2 + kAnswerInk));
        DrawPanel(c, body, Rgb(0x403080), 14, k == 0 ? band - body.y - 3 : -1);
        if (k == 0) {
            // The question in the middle of the band between the panel's inner line and YES's brackets.
            const int inside = body.y + 6;
            const Box yes = screen::Under(b, question, kDefaultsAnswer.Screen(0));
            const int top = yes.y + (middle - half) * yes.h / highlight.h;
            InkLabel(c, t, "RESET KEYS?", {b.x + 20, inside, b.w - 40, top - inside}, Label(24, kGold), 17, Align::kCentre);
            for (int i = 0; i < 2; ++i) InkLabel(c, t, i == 0 ? "YES" : "NO", answer(i), Label(22), kAnswerInk, Align::kCentre);
        } else {
            t.DrawCentered(c, "KEYS RESET", {b.x, body.y + 40, b.w, 40}, Label(28, kGold));
            t.DrawCentered(c, "PRESS ANY KEY", {b.x, body.y + 100, b.w, 40}, Label(20));
        }
        c.ResetClip();
    }
}

}  // namespace demodata::screenart
