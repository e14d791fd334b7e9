// Menus and overlays: title, configuration, key configuration, ranking, name
// entry, the HUD sheet, the stage-clear tally and the stage-title lettering.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/demodata/Art.h"
#include "tools/demodata/Layout.h"

namespace demodata {

namespace {

constexpr float kPi = 3.14159265f;

const Color kGold = Rgb(0xFFD860);
const Color kInk = Rgb(0x101428);
const Color kMenuBlue = Rgb(0x3050A0);

TextStyle Label(int size, const Color& fill = Rgb(0xFFFFFF), bool bold = true) {
    TextStyle s;
    s.size = size;
    s.fill = fill;
    s.fillBottom = Lighter(fill, 0.0f);
    s.fillBottom = Darker(fill, 0.25f);
    s.bold = bold;
    s.outline = Rgb(0x081020, 0.9f);
    s.outlineWidth = size >= 20 ? 3 : (size >= 12 ? 2 : 1);
    return s;
}

const Cell& Get(const ImageAsset& a, const std::string& group, int index = 0) {
    for (const Cell& c : a.cells)
        if (c.group == group && c.index == index) return c;
    return a.cells.front();
}

// A starry night sky with a soft vignette: the backdrop of the menus.
void NightSky(Canvas& c, const Box& b, const Color& top, const Color& bottom, uint32_t seed) {
    c.SetClip(b);
    c.VerticalGradient(b, top, bottom);
    Random rnd(seed);
    for (int i = 0; i < b.w * b.h / 900; ++i) {
        const float x = float(b.x) + rnd.Range(0, float(b.w)), y = float(b.y) + rnd.Range(0, float(b.h) * 0.8f);
        const float s = rnd.Range(0.4f, 1.4f);
        c.Disc(x, y, s, Rgb(0xFFFFFF, rnd.Range(0.3f, 0.9f)));
    }
    c.ResetClip();
}

// The rank strip reads the same glyphs 1 px on: each keeps its first two
// columns and its last clear, so that neither strip shows a neighbour's edge.
void Digits(Canvas& c, TextPainter& t, const ImageAsset& a, const std::string& group, const TextStyle& style) {
    for (const Cell& cell : a.cells) {
        if (cell.group != group) continue;
        if (group == "digits" && cell.box.x % 20 == 1) continue;
        std::string s = cell.index < 10 ? std::to_string(cell.index) : (cell.index == 10 ? ":" : "/");
        const Box inside{cell.box.x + 2, cell.box.y + 1, cell.box.w - 3, cell.box.h - 2};
        c.SetClip(inside);
        t.DrawCentered(c, s, inside, style);
        c.ResetClip();
    }
}

const std::vector<std::string>& DigitTexts() {
    static const std::vector<std::string> digits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    return digits;
}

// Digits whose ink is `height` px tall, narrowed alike so that with their
// outline they fill a cell `width` px wide.
InkFit FitDigits(TextPainter& t, const TextStyle& style, int height, int width) {
    return t.FitInk(DigitTexts(), style, height, width - 2 * style.outlineWidth);
}

// The part of a cell that shares no column or row with another group's cell:
// the game's rectangles touch in places, and what is painted there shows in
// both pictures.
Box Own(const ImageAsset& a, const Cell& cell) {
    Box b = cell.box;
    for (const Cell& o : a.cells) {
        if (o.group == cell.group || o.borrowed) continue;
        const int x0 = std::max(b.x, o.box.x), x1 = std::min(b.x + b.w, o.box.x + o.box.w);
        const int y0 = std::max(b.y, o.box.y), y1 = std::min(b.y + b.h, o.box.y + o.box.h);
        if (x0 >= x1 || y0 >= y1) continue;
        if (x1 - x0 <= y1 - y0) {
            if (o.box.x <= b.x) b.w -= x1 - b.x, b.x = x1;
            else b.w = x0 - b.x;
        } else {
            if (o.box.y <= b.y) b.h -= y1 - b.y, b.y = y1;
            else b.h = y0 - b.y;
        }
    }
    return b;
}

// Every cell of a digit strip, its digit fitted as above and centred in `area`
// (cell-relative; no width or height: the cell's), all within the columns and
// rows every cell of the strip owns, a pixel short of its edges unless it runs on.
void DigitStrip(Canvas& c, TextPainter& t, const ImageAsset& a, const std::string& group, const TextStyle& style,
                int height, Box area = {}) {
    const Cell* first = nullptr;
    Box own{0, 0, 1 << 16, 1 << 16};
    for (const Cell& cell : a.cells) {
        if (cell.group != group) continue;
        if (!first) first = &cell;
        const Box o = Own(a, cell);
        const int edge = cell.runsOn ? 0 : 1;
        const int x0 = std::max(own.x, o.x - cell.box.x + edge), y0 = std::max(own.y, o.y - cell.box.y + edge);
        own = {x0, y0, std::min(own.x + own.w, o.x + o.w - cell.box.x - edge) - x0,
               std::min(own.y + own.h, o.y + o.h - cell.box.y - edge) - y0};
    }
    if (!first) return;
    if (area.w == 0) area.x = 0, area.w = first->box.w;
    if (area.h == 0) area.y = 0, area.h = first->box.h;
    const int x0 = std::max(area.x, own.x), x1 = std::min(area.x + area.w, own.x + own.w);
    area = {x0, area.y, x1 - x0, area.h};
    const InkFit fit = FitDigits(t, style, height, area.w);
    for (const Cell& cell : a.cells) {
        if (cell.group != group) continue;
        c.SetClip(screen::Moved(own, cell.box.x, cell.box.y));
        t.DrawInk(c, std::to_string(cell.index), screen::Moved(area, cell.box.x, cell.box.y), style, fit);
        c.ResetClip();
    }
}

// A label whose capitals are `height` px tall (narrowed to the box's width if
// need be), their middle on the box's middle.
void InkLabel(Canvas& c, TextPainter& t, const std::string& text, const Box& box, const TextStyle& style, int height,
              Align align = Align::kLeft) {
    t.DrawInk(c, text, box, style, t.FitInk({text}, style, height, box.w), align);
}

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

// A cursor's highlight: a ring round the box, open inside, since the game
// draws it over the text it marks. `thick` keeps a ring the game squeezes
// across wide enough to show.
void Highlight(Canvas& c, const Box& b, const Color& col, float thick = 2) {
    c.SetClip(b);
    c.RoundFrame(float(b.x), float(b.y), float(b.w), float(b.h), std::min(6.0f, float(b.h) / 2), thick, Lighter(col, 0.35f));
    c.ResetClip();
}

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

// A dark plate that text stands on, so that it reads whatever lies behind.
void Plate(Canvas& c, const Box& b, const Color& col = Rgb(0x080A1C, 0.78f)) {
    c.RoundRect(float(b.x), float(b.y), float(b.w), float(b.h), float(std::min(b.h, 24)) / 2, col);
}

// The menus' labels: their capitals this tall, a row clear of their plate
// above and below with the outline, which stands a pixel inside the ring.
constexpr int kMenuInk = 10;
TextStyle MenuLabel(const Color& fill) { return Label(17, fill); }
Box MenuPlate(const Box& ring) { return {ring.x + 1, ring.y + 1, ring.w - 2, ring.h - 2}; }
Box MenuLabelBox(const Box& plate) { return {plate.x + 6, plate.y, plate.w - 12, plate.h}; }
// One size and one narrowing for every label, the widest of each column within its plate.
InkFit MenuFit(TextPainter& t, const std::vector<std::string>& items) {
    TextStyle style = MenuLabel(Rgb(0xFFFFFF));
    InkFit fit = t.FitInk(items, style, kMenuInk, 1 << 16);
    style.size = fit.size;
    for (size_t i = 0; i < items.size(); ++i) {
        const int room = MenuLabelBox(MenuPlate(screen::kMenuRing[i < 6 ? 0 : 1])).w;
        fit.squeeze = std::min(fit.squeeze, float(room) / float(std::max(1, t.MeasureInk(items[i], style).w)));
    }
    return fit;
}

void Title(Canvas& c, const ImageAsset& a, TextPainter& t) {
    // background: dusk over a castle on the hill
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x0A1040), Rgb(0xC05A70), 11);
    c.SetClip(bg);
    c.Glow(520, 110, 160, Rgb(0xFFE0A0, 0.6f));
    c.Disc(520, 110, 38, Rgb(0xFFF4D8));
    std::vector<Point> hill = {{0, 480}, {0, 380}};
    for (int x = 0; x <= 640; x += 20) hill.push_back({float(x), 380 - 50 * std::sin(float(x) / 140.0f) - 20});
    hill.push_back({640, 480});
    c.Polygon(hill, Rgb(0x1A1830));
    // castle silhouette
    const Color castle = Rgb(0x14122A);
    c.Fill({430, 250, 140, 100}, castle);
    for (int i = 0; i < 3; ++i) {
        const float x = 440 + float(i) * 55;
        c.Fill({int(x), 200 - i % 2 * 30, 22, 100}, castle);
        c.Polygon({{x - 4, 200 - float(i % 2) * 30}, {x + 11, 165 - float(i % 2) * 30}, {x + 26, 200 - float(i % 2) * 30}}, castle);
    }
    for (int i = 0; i < 6; ++i) c.Fill({450 + i * 18, 280, 6, 10}, Rgb(0xFFD070, 0.9f));
    c.ResetClip();
    // rotating circle and turning panel
    const Box circle = Get(a, "circle").box;
    c.SetClip(circle);
    DrawMagicCircle(c, circle, Rgb(0xFFD0F0, 0.75f), 4);
    c.ResetClip();
    const Box panel = Get(a, "panel").box;
    c.SetClip(panel);
    c.RoundRect(float(panel.x) + 28, float(panel.y) + 28, 200, 200, 16, Rgb(0x6040C0, 0.45f));
    c.RoundFrame(float(panel.x) + 28, float(panel.y) + 28, 200, 200, 16, 3, Rgb(0xE0D0FF, 0.8f));
    c.Star(float(panel.x) + 128, float(panel.y) + 128, 80, 34, 4, 0, Rgb(0xFFFFFF, 0.35f));
    c.ResetClip();
    // The menu: each label on a plate a pixel inside its row's ring, centred
    // on the highlight the game draws there, all ten at one size and one
    // narrowing. Item 6 does nothing: it heads the right column, where Left
    // and Right put the cursor.
    using screen::kMenu, screen::kMenuRing, screen::MenuHighlight;
    const Box menu = Get(a, "menu").box;
    const std::vector<std::string> items = {"1 PLAYER", "2 PLAYERS", "EXTRA 1P", "EXTRA 2P", "PRACTICE 1P", "PRACTICE 2P",
                                            "SYSTEM", "RANKING", "CONFIG", "QUIT"};
    std::vector<std::string> lettered = items;  // with the practice list's rows, which stand in rings of the right column's size
    for (int s = 1; s <= 5; ++s) lettered.push_back("STAGE " + std::to_string(s));
    const InkFit menuFit = MenuFit(t, lettered);
    c.SetClip(menu);
    for (int i = 0; i < 10; ++i) {
        const Box ring = MenuHighlight(i), part = kMenuRing[i < 6 ? 0 : 1];
        const Box plate = MenuPlate(screen::Under(menu, kMenu, {ring.x + part.x, ring.y + part.y, part.w, part.h}));
        Plate(c, plate);
        t.DrawInk(c, items[size_t(i)], MenuLabelBox(plate), MenuLabel(i == 6 ? Rgb(0xB8C4E8) : Rgb(0xFFFFFF)), menuFit);
    }
    c.ResetClip();
    for (int k = 0; k < 2; ++k) Highlight(c, screen::Moved(kMenuRing[k], Get(a, "highlight", k).box.x, Get(a, "highlight", k).box.y), k ? Rgb(0x40A0FF) : Rgb(0xFF9040));
    // The logo, its glow soft spots along the middle that fade out inside the cell.
    const Box logo = Get(a, "logo").box;
    c.SetClip(logo);
    for (int k = 0; k < 8; ++k) c.Glow(float(logo.x) + 76 + 25 * float(k), float(logo.y) + 72, 70, Rgb(0xFFFFFF, 0.07f));
    TextStyle big = Label(64, kGold);
    big.fillBottom = Rgb(0xFF7030);
    big.outlineWidth = 4;
    t.DrawCentered(c, "Quenrith", {logo.x, logo.y + 6, logo.w, 90}, big);
    TextStyle sub = Label(20, Rgb(0xE0F0FF));
    t.DrawCentered(c, "二極の宝珠と盗賊たち", {logo.x, logo.y + 96, logo.w, 30}, sub);
    c.ResetClip();
    // practice pictures
    const Box pt = Get(a, "practice_title").box;
    c.SetClip(pt);
    DrawPanel(c, pt, kMenuBlue, 10);
    t.DrawCentered(c, "PRACTICE", pt, Label(22));
    c.ResetClip();
    // Each row on a plate in the ring of the highlight the game draws over it,
    // lettered as the menu is.
    const Box pl = Get(a, "practice_list").box;
    c.SetClip(pl);
    for (int s = 0; s < 5; ++s) {
        const Box ring = screen::Moved(screen::kMenuRing[1], screen::kPracticeHighlight.x, screen::kPracticeHighlight.y + 37 * s);
        const Box plate = MenuPlate(screen::Under(pl, screen::kPracticeList, ring));
        Plate(c, plate);
        t.DrawInk(c, "STAGE " + std::to_string(s + 1), MenuLabelBox(plate), MenuLabel(Rgb(0xFFFFFF)), menuFit);
    }
    c.ResetClip();
    // The team cards: opaque, the busts ending above the band that holds the
    // team's name, the lines centred on the card.
    for (int team = 0; team < 2; ++team) {
        const Box b = Get(a, "team", team).box;
        const Color base = team == 0 ? Rgb(0xC04030) : Rgb(0x5040A0);
        c.SetClip(b);
        c.RoundRect(float(b.x) + 1, float(b.y) + 1, float(b.w) - 2, float(b.h) - 2, 16, Darker(base, 0.55f));
        DrawPanel(c, b, base, 16);
        const Look& l1 = LookOf(team == 0 ? "yuri" : "cheska");
        const Look& l2 = LookOf(team == 0 ? "crow" : "osero");
        const Box band{b.x + 8, b.y + 296, b.w - 16, 104};
        c.SetClip({b.x, b.y, b.w, band.y - b.y});
        DrawBust(c, float(b.x) + 110, float(b.y) + 150, 55, l1, 0, false);
        DrawBust(c, float(b.x) + 240, float(b.y) + 170, 50, l2, 3, true);
        c.SetClip(b);
        c.RoundRect(float(band.x), float(band.y), float(band.w), float(band.h), 8, Rgb(0x000000, 0.72f));
        InkLabel(c, t, team == 0 ? "TEAM 1" : "TEAM 2", {band.x + 8, band.y + 10, band.w - 16, 24}, Label(28, kGold), 20, Align::kCentre);
        InkLabel(c, t, std::string(l1.name) + " ＆ " + l2.name, {band.x + 8, band.y + 52, band.w - 16, 34}, Label(26), 24, Align::kCentre);
        c.ResetClip();
    }
    // The heading in the part of its cell right of the card drawn beside it.
    const Box th = Get(a, "team_heading").box;
    const Box card = screen::Under(th, screen::kTeamHeading, screen::kTeamCard);
    const Box column{card.x + card.w + 8, th.y, th.x + th.w - 4 - (card.x + card.w + 8), th.h};
    c.SetClip(th);
    t.DrawCentered(c, "SELECT", {column.x, th.y + 50, column.w, 56}, Label(44, kGold));
    t.DrawCentered(c, "YOUR", {column.x, th.y + 110, column.w, 48}, Label(38));
    t.DrawCentered(c, "TEAM", {column.x, th.y + 158, column.w, 48}, Label(38));
    c.ResetClip();
    // Each level on a plate right of the turning marker the game draws on the
    // level's spot (EASY's stands 23 px above the panel's foot, so the marker
    // is small), its label pale on the plate's dark colour, the three at one
    // size.
    const Box df = Get(a, "difficulty").box;
    c.SetClip(df);
    DrawPanel(c, df, Rgb(0x303A70), 18);
    t.DrawCentered(c, "SELECT DIFFICULTY", {df.x, df.y + 10, df.w, 40}, Label(30, kGold));
    const std::vector<std::string> names = {"EASY", "NORMAL", "HARD"};
    const Color cols[] = {Rgb(0x60D070), Rgb(0xF0C040), Rgb(0xF05050)};
    const InkFit levelFit = t.FitInk(names, Label(20), 14, screen::DifficultyPlate(0).w - 24);
    for (int d = 0; d < 3; ++d) {
        const Box plate = screen::Under(df, screen::kDifficulty, screen::DifficultyPlate(d));
        c.RoundRect(float(plate.x), float(plate.y), float(plate.w), float(plate.h), 12, Darker(cols[d], 0.68f));
        c.RoundFrame(float(plate.x), float(plate.y), float(plate.w), float(plate.h), 12, 2, cols[d]);
        t.DrawInk(c, names[size_t(d)], {plate.x + 12, plate.y, plate.w - 24, plate.h}, Label(20, Lighter(cols[d], 0.85f)), levelFit);
    }
    c.ResetClip();
    // The marker: a gold star in a ring, turning about the cell's middle.
    const Box dc = Get(a, "difficulty_cursor").box;
    const float mx = float(dc.x) + float(dc.w) / 2, my = float(dc.y) + float(dc.h) / 2, r = float(screen::kDifficultyMarker);
    c.SetClip(dc);
    c.Ring(mx, my, r - 1.5f, 2.5f, Rgb(0xFFFFFF, 0.9f));
    c.Star(mx, my, r - 4, 3, 4, 0, kGold);
    c.ResetClip();
}

// The configuration's items and volume digits stand this tall; the items'
// outline is thin, so that EXIT, on the middle of the last cursor, ends
// inside the labels' picture.
constexpr int kConfigInk = 12;

void Config(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x102040), Rgb(0x304880), 21);
    c.SetClip(bg);
    // The panel 10 px clear of the play time on the right, as wide on the left;
    // PLAY TIME above the time, ending 3 px above its glyphs' cells.
    using screen::kPlayTime, screen::kScreenWidth;
    const int right = kPlayTime.x + kPlayTime.w + 10;
    DrawPanel(c, {kScreenWidth - right, 130, 2 * right - kScreenWidth, 330}, kMenuBlue, 16);
    t.DrawCentered(c, "CONFIGURATION", {0, 40, 640, 60}, Label(44, kGold));
    InkLabel(c, t, "PLAY TIME", {kPlayTime.x, kPlayTime.y - 16, kPlayTime.w, 14}, Label(16, Rgb(0xC0D0F0)), 12, Align::kCentre);
    c.ResetClip();
    // The items 77 px apart from the music volume's row, each on the middle of
    // the rotating cursor, ending 4 px before the digits.
    const Box labels = Get(a, "labels").box;
    c.SetClip(labels);
    const Box music = screen::Under(labels, screen::kConfigLabels, screen::kMusicDigits);
    const Box cursor = screen::Under(labels, screen::kConfigLabels, screen::kConfigCursor);
    const Box line{0, cursor.y + cursor.h / 2 - kConfigInk / 2, 0, kConfigInk};
    const std::vector<std::string> items = {"BGM", "SE", "KEY CONFIG", "EXIT"};
    TextStyle item = Label(22);
    item.outlineWidth = 1;
    const InkFit itemFit = t.FitInk(items, item, kConfigInk, labels.x + labels.w - 2 - (labels.x + 84));
    for (int i = 0; i < 4; ++i) {
        const int x = labels.x + 84, y = line.y + screen::kConfigRowStep * i;
        t.DrawInk(c, items[size_t(i)], {x, y, i < 2 ? music.x - 4 - x : labels.x + labels.w - 2 - x, line.h}, item, itemFit, Align::kLeft);
    }
    c.ResetClip();
    TextStyle digits = Label(20, kGold);
    digits.outlineWidth = 2;
    DigitStrip(c, t, a, "digits", digits, kConfigInk, {0, line.y - music.y, 0, line.h});
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
    using screen::kConfigPanel, screen::kConfigLabels;
    for (const Box& grown : {kConfigPanel, Box{kConfigPanel.x, 0, kConfigPanel.w - 2, kConfigPanel.h + 10}})
        FadeWhereDrawn(c, panel, grown, screen::kConfigPanelAngle,
                        {{0, 30, kScreenWidth, 80}, {kConfigLabels.x, kConfigLabels.y - 6, kConfigLabels.w + 6, kConfigLabels.h + 6},
                         {kPlayTime.x - 8, kPlayTime.y - 24, kPlayTime.w + 16, kPlayTime.h + 30}},
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
    const InkBox caps = t.MeasureInk("UPDOWN", keys);
    const int middle = screen::kKeyTextDy + caps.y + caps.h / 2;
    // The highlight marks a row being defined, a header and (stretched) an
    // answer of the defaults question: brackets at its ends, a pixel inside
    // its cell, their middle on the key names' middle, which lies low in it.
    const int half = std::min(7, screen::kKeyHighlight.h - 2 - middle);
    // Each header a button on the brackets' middle: its label, outline and
    // all, a row clear of the button's inner line (5 px in) on every side.
    constexpr int kButtonH = 28, kButtonInside = 6, kButtonInk = 10;
    const std::vector<std::string> heads = {"EXIT", "PLAYER 1", "PLAYER 2", "DEFAULT"};
    const TextStyle head = Label(13);
    const InkFit headFit = t.FitInk(heads, head, kButtonInk, screen::kKeyHeader.w - 10 - 2 * (kButtonInside + head.outlineWidth + 1));
    for (int i = 0; i < 4; ++i) {
        const Box at = screen::Moved(screen::kKeyHeader, kc.x + screen::kKeyHeaderX[i], kc.y);
        const Box button{at.x + 5, at.y + middle - kButtonH / 2, at.w - 10, kButtonH};
        DrawPanel(c, button, i == 1 ? Rgb(0xC05030) : (i == 2 ? Rgb(0x3070C0) : kMenuBlue), 8);
        const int in = kButtonInside + head.outlineWidth + 1;
        t.DrawInk(c, heads[size_t(i)], {button.x + in, button.y + kButtonInside, button.w - 2 * in, button.h - 2 * kButtonInside}, head,
                  headFit);
    }
    // The rows' labels at one size and one narrowing.
    const std::vector<std::string> rows = {"UP", "DOWN", "LEFT", "RIGHT", "SHOT", "DIRECT", "ELEMENT", "FORCE", "CHANGE", "MENU"};
    const int rowLabelW = screen::kDefaultsPanel.x - 4 - 48;
    const InkFit rowFit = t.FitInk(rows, keys, caps.h, rowLabelW);
    for (int r = 0; r < 10; ++r) {
        const Box bar{kc.x + 40, kc.y + screen::kKeyRowY + screen::kKeyRowStep * r + middle - 13, kScreenWidth - 80, 27};
        c.Fill(bar, Rgb(r % 2 ? 0x203060 : 0x283A70, 0.7f));
        c.Fill({bar.x, bar.y, bar.w, 1}, Rgb(0x6080C0, 0.6f));
        c.Fill({bar.x, bar.y + bar.h - 1, bar.w, 1}, Rgb(0x6080C0, 0.6f));
        // Ending short of the defaults question's panel, which stands from x 130.
        t.DrawInk(c, rows[size_t(r)], {kc.x + 48, bar.y, rowLabelW, bar.h}, keys, rowFit, Align::kLeft);
    }
    c.ResetClip();
    const Box mark = Get(a, "key_highlight").box;
    const Color gold = Rgb(0xFFD040);
    c.SetClip(mark);
    for (int side = 0; side < 2; ++side) {
        const int x = side ? mark.x + mark.w - 6 : mark.x + 1;
        c.Fill({x, mark.y + middle - half, 5, 2 * half + 1}, gold);
        c.Fill({side ? x - 9 : x, mark.y + middle - half, 14, 2}, gold);
        c.Fill({side ? x - 9 : x, mark.y + middle + half - 1, 14, 2}, gold);
    }
    c.ResetClip();
    // The question's panels hide the rows they stand over whole: from below row
    // 1's names to above row 7's. The answers on the middle of the brackets
    // stretched over them.
    using screen::kDefaultsAnswer, screen::kDefaultsPanel;
    const int hideTop = screen::kKeyRowY + screen::kKeyRowStep + middle + caps.h / 2 + 3 - kDefaultsPanel.y;
    const int hideBottom = screen::kKeyRowY + 7 * screen::kKeyRowStep + middle - caps.h / 2 - 3 - kDefaultsPanel.y;
    for (int k = 0; k < 2; ++k) {
        const Box b = Get(a, k == 0 ? "defaults_question" : "defaults_done").box;
        const Box body{b.x, b.y + hideTop, b.w, hideBottom - hideTop};
        c.SetClip(b);
        c.RoundRect(float(body.x) + 1, float(body.y) + 1, float(body.w) - 2, float(body.h) - 2, 14, Rgb(0x1A1438));
        DrawPanel(c, body, Rgb(0x403080), 14);
        if (k == 0) {
            // The question in the middle of the band between the panel's inner line and YES's brackets.
            const int inside = body.y + 6;
            const int yes = b.y + kDefaultsAnswer.y - kDefaultsPanel.y + (middle - half) * kDefaultsAnswer.h / screen::kKeyHighlight.h;
            InkLabel(c, t, "RESET KEYS?", {b.x + 20, inside, b.w - 40, yes - inside}, Label(24, kGold), 17, Align::kCentre);
            for (int i = 0; i < 2; ++i) {
                const int y = kDefaultsAnswer.y + 45 * i + middle * kDefaultsAnswer.h / screen::kKeyHighlight.h - 10;
                InkLabel(c, t, i == 0 ? "YES" : "NO", screen::Under(b, kDefaultsPanel, {kDefaultsAnswer.x + 30, y, kDefaultsAnswer.w - 60, 20}), Label(22),
                         15, Align::kCentre);
            }
        } else {
            t.DrawCentered(c, "KEYS RESET", {b.x, body.y + 40, b.w, 40}, Label(28, kGold));
            t.DrawCentered(c, "PRESS ANY KEY", {b.x, body.y + 100, b.w, 40}, Label(20));
        }
        c.ResetClip();
    }
}

const char* kTableNames[] = {"EASY", "NORMAL", "HARD", "EXTRA"};
const char* kStageCodes[] = {"ST.1", "ST.2", "ST.3", "ST.4", "ST.5", "EXTRA", "CLEAR", "EX CLEAR"};

void Ranking(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x181030), Rgb(0x402860), 31);
    c.SetClip(bg);
    t.DrawLeft(c, "RANKING", {30, 30, 300, 60}, Label(48, kGold));
    // The panel holds the ten rows: its inner line 6 px right of the badges and
    // 3 px below the last row (the panel's edge 6 px further), the counts below it.
    using namespace screen;
    const Box last = Moved(kRankBadge, 0, kRankRowStep * (kRankRows - 1));
    const int right = kRankBadge.x + kRankBadge.w + 6 + 6, bottom = last.y + last.h + 3 + 6;
    const Box panel{10, 98, right - 10, bottom - 98};
    DrawPanel(c, panel, Rgb(0x3A2A70), 12);
    const char* heads[] = {"NO.", "NAME", "SCORE", "DATE", "STAGE"};
    const int hx[] = {26, kRankNameX, kRankScoreX + 20, kRankDateX, kRankBadge.x};
    for (int i = 0; i < 5; ++i) t.DrawLeft(c, heads[i], {hx[i], 104, 100, 22}, Label(14, Rgb(0xC0C8FF)));
    for (int i = 0; i < kRankRows; ++i) {
        const Box row = Moved(kRankBadge, 0, kRankRowStep * i);
        c.Fill({panel.x + 8, row.y, row.x + row.w - panel.x - 8, row.h}, Rgb(i % 2 ? 0xFFFFFF : 0x000000, 0.08f));
    }
    // PLAY and CLEAR on the middle of the counts' digits, ending 6 px before them.
    TextStyle counts;
    counts.size = kSkillFontSize;
    counts.bold = true;
    const InkBox digits = t.MeasureInk("0123456789", counts);
    const Box line{0, kRankCountsY + digits.y, 0, digits.h};
    InkLabel(c, t, "PLAY", {kRankPlayX - 8 - 80, line.y, 80, line.h}, Label(16), digits.h, Align::kRight);
    InkLabel(c, t, "CLEAR", {kRankClearX - 8 - 80, line.y, 80, line.h}, Label(16), digits.h, Align::kRight);
    c.ResetClip();
    // The headings at one size, a pixel clear of their panel's inner line (5 px in), outline and all.
    std::vector<std::string> headings;
    for (int k = 0; k < 8; ++k) headings.push_back(std::string(k < 4 ? "TEAM 1 " : "TEAM 2 ") + kTableNames[k % 4]);
    const TextStyle heading = Label(20);
    const int in = 6 + heading.outlineWidth + 1;
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
        t.DrawCentered(c, kStageCodes[s], b, Label(15));
        c.ResetClip();
    }
}

void NameEntry(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x102830), Rgb(0x205060), 41);
    c.SetClip(bg);
    t.DrawCentered(c, "RESULT", {0, 14, 640, 50}, Label(40, kGold));
    DrawPanel(c, {14, 76, 612, 176}, Rgb(0x2A5A70), 12);
    // The row's labels alike, each ending, outline and all, 4 px before what
    // the game writes after it: the rank from x 95, the name from 240, the date
    // from 505.
    const TextStyle head = Label(16, Rgb(0xB0E0FF));
    const InkFit fit = t.FitInk({"RANK", "NAME", "DATE"}, head, 10, 60);
    const int gap = 4 + head.outlineWidth + 1;
    t.DrawInk(c, "RANK", {24, 98, 95 - gap - 24, 10}, head, fit, Align::kRight);
    t.DrawInk(c, "NAME", {170, 98, 240 - gap - 170, 10}, head, fit, Align::kRight);
    t.DrawInk(c, "DATE", {430, 98, 505 - gap - 430, 10}, head, fit, Align::kRight);
    t.DrawLeft(c, "SCORE", {60, 158, 120, 28}, Label(20, Rgb(0xB0E0FF)));
    t.DrawLeft(c, "STAGE", {60, 208, 120, 28}, Label(20, Rgb(0xB0E0FF)));
    c.Fill({236, 120, 210, 2}, Rgb(0xFFFFFF, 0.6f));
    c.ResetClip();
    Digits(c, t, a, "digits", Label(20, Rgb(0xFFFFFF)));
    for (const Cell& cell : a.cells) {
        if (cell.group == "score_digits") {
            c.SetClip(cell.box);
            t.DrawCentered(c, std::to_string(cell.index), cell.box, Label(34, kGold));
            c.ResetClip();
        } else if (cell.group == "stage_banner") {
            c.SetClip(cell.box);
            DrawPanel(c, cell.box, cell.index >= 7 ? Rgb(0xC08020) : Rgb(0x3060A0), 10);
            static const char* kBanner[] = {"", "STAGE 1", "STAGE 2", "STAGE 3", "STAGE 4", "STAGE 5", "EXTRA", "ALL CLEAR", "EX CLEAR"};
            t.DrawCentered(c, kBanner[cell.index], cell.box, Label(22));
            c.ResetClip();
        }
    }
    // the character grid
    const Box grid = Get(a, "grid").box;
    c.SetClip(grid);
    c.Fill(grid, Rgb(0x081828, 0.85f));
    c.ResetClip();
    static const char* kRows[4] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "0123456789+-/*%=!?.,_@#$&'",
                                   "()~[]\"\\{}<>:"};
    for (const Cell& cell : a.cells) {
        if (cell.group != "grid" || cell.box.w == 640) continue;
        const int r = cell.index / 100, col = cell.index % 100;
        c.SetClip(cell.box);
        if (r == 3 && col >= 12) {
            const char* w[] = {"DEL", "SPC", "END"};
            c.RoundRect(float(cell.box.x) + 1, float(cell.box.y) + 1, 48, 28, 6, Rgb(0x305080));
            t.DrawCentered(c, w[col - 12], cell.box, Label(15));
        } else {
            const std::string ch(1, kRows[r][col]);
            // Keep each glyph inside its 23-pixel pitch (neighbours share 2
            // pixels) and inside the cursor's ring.
            c.SetClip({cell.box.x + 1, cell.box.y, 23, cell.box.h});
            TextStyle letter = Label(17);
            letter.outlineWidth = 1;
            // The double quote's two strokes stay apart only in the regular weight.
            if (ch == "\"") letter.bold = false, letter.size = 20;
            t.DrawCentered(c, ch, cell.box, letter);
        }
        c.ResetClip();
    }
    const Box cs = Get(a, "cursor_small").box;
    c.SetClip(cs);
    c.RoundFrame(float(cs.x) + 1, float(cs.y) + 1, float(cs.w) - 2, float(cs.h) - 2, 4, 2, kGold);
    c.ResetClip();
    const Box cw = Get(a, "cursor_wide").box;
    c.SetClip(cw);
    c.RoundFrame(float(cw.x) + 1, float(cw.y) + 1, float(cw.w) - 2, float(cw.h) - 2, 6, 3, kGold);
    c.ResetClip();
}

// The gauge number's ink keeps to the top rows of its cells: their last rows
// are the panel's frame and the FORCE strip's first.
constexpr Box kGaugeInk{0, 0, 0, screen::kHudPanel.y + screen::kHudPanel.h - 3 - screen::kHudGaugeNumber.y};

// The in-game display's panel as the game lays its quads over it: a dark strip
// behind the stock icons, then the framed body with the life bar and the gauge
// pips, the labels in the column left of them, and at its foot a dark well for
// the gauge number and the element's name under the large pips. The frame
// closes along the panel's last row, under the number, whether or not the
// FORCE strip is drawn below it.
void PlayerPanel(Canvas& c, TextPainter& t, const Box& b, int element) {
    using namespace screen;
    auto at = [&](const Box& spot) { return Under(b, kHudPanel, spot); };
    const Box stock = at(kHudStockIcon), life = at(kHudLifeBar), pips = at(kHudPips), large = at(kHudLargePips);
    const Box number = at(kHudGaugeNumber);
    const Color e = ElementColor(element, 0.45f);
    const float x = float(b.x) + 1, w = float(kHudPanel.w) - 2;
    // Opaque: the labels read over a bright stage while the display fades too.
    c.RoundRect(x, float(stock.y) + 1, w, float(stock.h) - 2, float(stock.h) / 2 - 1, Darker(e, 0.75f));
    const float top = float(stock.y + stock.h) + 1, tall = float(b.y + b.h) - top;
    c.RoundRect(x, top, w, tall, 9, Darker(e, 0.7f));
    c.RoundFrame(x, top, w, tall, 9, 1.5f, Lighter(e, 0.3f));
    // The well ends with the number's ink, a row above the frame.
    c.RoundRect(float(number.x) - 4, float(number.y) - 3, float(number.w) + 8, float(kGaugeInk.h) + 3, 3, Rgb(0x05060C, 0.85f));
    // The labels' column: from 5 px in (a pixel clear of the frame, outline and
    // all) to 3 px short of the icons, one size for all three.
    TextStyle label = Label(10);
    label.outlineWidth = 1;
    label.fillBottom = Rgb(0xF0F0F0);  // barely shaded: the letters are small
    const int left = b.x + 5, right = std::min({stock.x, life.x, pips.x}) - 3;
    const InkFit fit = t.FitInk({"STOCK", "LIFE", "GAUGE"}, label, 7, right - left);
    t.DrawInk(c, "STOCK", {left, stock.y, right - left, stock.h}, label, fit, Align::kLeft);
    t.DrawInk(c, "LIFE", {left, life.y, right - left, life.h}, label, fit, Align::kLeft);
    t.DrawInk(c, "GAUGE", {left, pips.y, right - left, pips.h}, label, fit, Align::kLeft);
    // The element's name: right of the well, 3 px below the large pips.
    TextStyle name = Label(10, Lighter(e, 0.75f));
    name.outlineWidth = 1;
    const int nameX = number.x + number.w + 6, nameY = large.y + large.h + 3;
    InkLabel(c, t, element == 0 ? "FIRE" : "ICE", {nameX, nameY, b.x + kHudPanel.w - 3 - nameX, b.y + b.h - 3 - nameY}, name, 7,
             Align::kCentre);
}

// The boss's seconds and TIME beside them: one style, the digits' ink this tall.
constexpr int kTimerInk = 12;
TextStyle TimerStyle() {
    TextStyle s = Label(15);
    s.outlineWidth = 1;
    return s;
}

// The boss's gauge frame: its white outline 1 px clear of the full bar, BOSS
// before it, and TIME at the seconds' height just before the seconds.
void BossFrame(Canvas& c, TextPainter& t, const Box& b) {
    using namespace screen;
    const Box bar = Under(b, kBossFrame, kBossBar), seconds = Under(b, kBossFrame, kBossSeconds);
    c.RoundRect(float(b.x) + 1, float(b.y) + 1, float(b.w) - 2, float(b.h) - 2, 8, Rgb(0x101020, 0.85f));
    const Box outline{bar.x - 3, bar.y - 3, bar.w + 6, bar.h + 6};
    c.RoundRect(float(outline.x), float(outline.y), float(outline.w), float(outline.h), 4, Rgb(0x000000, 0.55f));
    c.RoundFrame(float(outline.x), float(outline.y), float(outline.w), float(outline.h), 4, 2, Rgb(0xFFFFFF, 0.9f));
    InkLabel(c, t, "BOSS", {b.x + 10, bar.y, outline.x - 8 - (b.x + 10), bar.h}, Label(18, Rgb(0xFFB0B0)), 12);
    // TIME in the seconds' digits' style and fit, ending 5 px before them.
    const InkFit fit = FitDigits(t, TimerStyle(), kTimerInk, kBossSeconds.w / 2 - 2);
    t.DrawInk(c, "TIME", {outline.x + outline.w + 4, seconds.y, seconds.x - 5 - (outline.x + outline.w + 4), seconds.h}, TimerStyle(),
              fit, Align::kRight);
}

// "SPELL BONUS!" centred over the middle of the seven digits the game draws
// below the label, which lies right of the label picture's own middle.
void BonusLabel(Canvas& c, TextPainter& t, const Box& b) {
    using namespace screen;
    const Box digits = Under(b, kBonusLabel, kBonusDigits);
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

void HudSheet(Canvas& c, const ImageAsset& a, TextPainter& t) {
    for (const Cell& cell : a.cells) {
        const Box& b = cell.box;
        const std::string& g = cell.group;
        c.SetClip(b);
        if (g == "player_panel") {
            PlayerPanel(c, t, b, cell.element);
        } else if (g == "force_strip") {
            const Color e = ElementColor(cell.element, 0.6f);
            c.HorizontalGradient(b, WithAlpha(e, 0.2f), e);
            // A row clear above and below, outline and all: the panel's frame closes just above the strip.
            TextStyle ok = Label(9, Rgb(0xFFFFFF));
            ok.outlineWidth = 1;
            InkLabel(c, t, "FORCE OK!", {b.x, b.y + 2, b.w, b.h - 4}, ok, b.h - 4, Align::kCentre);
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
            // one strip of five 20-px segments, the same in every row it is read from
            const Box strip{111, 153, 100, 36};
            c.SetClip(strip);
            for (int k = 0; k < 5; ++k) {
                c.VerticalGradient({111 + 20 * k + 1, 153, 18, 36}, Rgb(0xFF6080), Rgb(0xC02040));
                c.Fill({111 + 20 * k + 3, 153, 6, 36}, Rgb(0xFFFFFF, 0.35f));
            }
        } else if (g == "pip_small") {
            c.Disc(float(b.x) + 5.5f, float(b.y) + 5.5f, 4.5f, cell.index == 0 ? Rgb(0xFFD040) : Rgb(0x60E0FF));
            c.Disc(float(b.x) + 4, float(b.y) + 4, 1.6f, Rgb(0xFFFFFF, 0.9f));
        } else if (g == "pip_large") {
            c.Star(float(b.x) + 8.5f, float(b.y) + 8.5f, 7.5f, 3.5f, 5, 0, Rgb(0xFFF080));
        } else if (g == "pause_panel") {
            DrawPanel(c, b, Rgb(0x283870), 16);
            t.DrawCentered(c, "PAUSE", {b.x, b.y + 10, b.w, 44}, Label(34, kGold));
        } else if (g == "pause_items") {
            const Box row = CentredOn(b, Middle(b, screen::kPauseItems, screen::kPausePanel));
            const char* items[] = {"RESUME", "RETRY", "QUIT TO TITLE"};
            for (int i = 0; i < 3; ++i) t.DrawCentered(c, items[i], {row.x, b.y + 70 * i, row.w, 47}, Label(26));
        } else if (g == "cursor_bar") {
            // On the panel's middle, as wide as the bar's left end allows.
            const int middle = Middle(b, screen::kPauseBar, screen::kPausePanel);
            Highlight(c, {b.x + 2, b.y + 4, 2 * (middle - b.x - 2), b.h - 8}, Rgb(0xFFB040), 4);
        } else if (g == "pause_question") {
            const Box row = CentredOn(b, Middle(b, screen::kPauseQuestion, screen::kPausePanel));
            t.DrawCentered(c, "REALLY?", {row.x, b.y, row.w, 60}, Label(26, kGold));
            t.DrawCentered(c, "YES", {row.x, b.y + 70, row.w, 47}, Label(24));
            t.DrawCentered(c, "NO", {row.x, b.y + 140, row.w, 46}, Label(24));
        } else if (g == "continue_shade") {
            // Stretched over the whole screen at two fifths at most: no text
            // drawn through it could read over a bright stage, so it is a
            // plain shade, and GAME OVER is the heading the game draws once
            // it asks for a continue.
            c.Fill(b, Rgb(0x000010, 1.0f));
        } else if (g == "continue_heading") {
            // Each line of the continue screen on a plate: the shade leaves a bright stage bright.
            const Box line = CentredOn(b, b.x + kContinueMiddle - screen::kContinueHeading.x);
            Plate(c, {line.x + 4, b.y + 20, line.w - 8, b.h - 40});
            t.DrawCentered(c, "GAME OVER", {line.x + 14, b.y + 20, line.w - 28, b.h - 40}, Label(60, kGold));
        } else if (g == "continue_question") {
            const Box line = CentredOn(b, b.x + kContinueMiddle - screen::kContinueQuestion.x);
            Plate(c, {line.x + 8, b.y + 10, line.w - 16, b.h - 20});
            t.DrawCentered(c, "CONTINUE?", line, Label(26));
        } else if (g == "answer") {
            // Under the middle of the pause bar's highlight, squeezed over the answer.
            using namespace screen;
            const int bar = Middle({0, 0, kPauseBar.w, kPauseBar.h}, kPauseBar, kPausePanel);
            const int middle = kContinueBar.x + bar * kContinueBar.w / kPauseBar.w - kContinueYes.x;
            const Box line = CentredOn(b, b.x + middle);
            Plate(c, {line.x + 8, b.y + 10, line.w - 16, b.h - 20});
            t.DrawCentered(c, cell.index == 0 ? "YES" : "NO", line, Label(30));
        } else if (g == "credits_label") {
            // As tall as the digits, on their middle, ending 8 px before them;
            // label and digits together centred under the heading.
            using namespace screen;
            const Box digits = Under(b, kCreditsLabel, kCreditsDigits);
            const int left = 2 * (b.x + kContinueMiddle - kCreditsLabel.x) - (digits.x + digits.w);
            Plate(c, {left - 10, b.y + 1, digits.x + digits.w + 10 - (left - 10), b.h - 2});
            InkLabel(c, t, "CONTINUES", {left, digits.y, digits.x - 8 - left, digits.h}, Label(26), kCreditsInk, Align::kRight);
        } else if (g == "score_digits") {
            c.Fill(b, Rgb(0x05060C, 0.85f));  // the score stands over the stage, on its own ground
        } else if (g == "boss_frame") {
            BossFrame(c, t, b);
        } else if (g == "boss_bar") {
            c.VerticalGradient(b, Rgb(0xFF9090), Rgb(0xD02040));
        } else if (g == "bonus_label") {
            BonusLabel(c, t, b);
        }
        c.ResetClip();
    }
    TextStyle small = Label(11);
    small.outlineWidth = 1;
    DigitStrip(c, t, a, "gauge_digits", small, kGaugeInk.h, kGaugeInk);
    TextStyle score = Label(13, kGold);
    score.outlineWidth = 1;
    DigitStrip(c, t, a, "score_digits", score, 10);
    DigitStrip(c, t, a, "seconds_digits", TimerStyle(), kTimerInk);
    DigitStrip(c, t, a, "credits_digits", Label(28, kGold), kCreditsInk);
    DigitStrip(c, t, a, "bonus_digits", Label(44, Rgb(0xFFFFFF)), 38);
}

// TOTAL's capitals; its digits stand 2 px taller.
constexpr int kTotalInk = screen::kTallyTotalInk - 2;

void StageClear(Canvas& c, const ImageAsset& a, TextPainter& t) {
    const Box bg = Get(a, "background").box;
    c.SetClip(bg);
    c.VerticalGradient(bg, Rgb(0x081030, 0.78f), Rgb(0x183060, 0.78f));
    // Each label's capitals as tall as the small digits' ink, on the middle of its row of digits.
    const char* rows[] = {"ITEMS", "ABSORB", "NO MISS", "STAGE BONUS", "SCORE"};
    for (int i = 0; i < 5; ++i) {
        const int y = screen::kTallyRowY[i];
        InkLabel(c, t, rows[i], {40, y, screen::kTallyDigitsX - 50, screen::kTallyDigitH}, Label(20, i == 4 ? kGold : Rgb(0xFFFFFF)),
                 screen::kTallyCapitals);
        c.Fill({screen::kTallyDigitsX, y + screen::kTallyDigitH + 2, 400, 1}, Rgb(0xFFFFFF, 0.25f));
    }
    // The columns' headings, between the top banner and the first row: the
    // background is drawn whoever plays, so a one-player game shows 2P's
    // heading over its empty column.
    for (int p = 0; p < 2; ++p) {
        const int x = screen::kTallyDigitsX + screen::kTallyColumnStep * p;
        InkLabel(c, t, p ? "2P" : "1P", {x, screen::kTallyHeadingY, 7 * 18 - 2, 10}, Label(14, p ? Rgb(0x90C0FF) : Rgb(0xFFB080)), 10, Align::kCentre);
    }
    const Box total = screen::kTallyTotal;
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
    const Box digits = screen::Under(bottom, screen::kTallyBottomBanner, screen::kTallyTotal);
    const float band = float(digits.y + digits.h + 3), foot = float(bottom.y) + 120;
    c.SetClip(bottom);
    c.Polygon({{float(bottom.x) + 40, band}, {640, band}, {640, foot}, {float(bottom.x), foot}}, Rgb(0x2050C0, 0.9f));
    InkLabel(c, t, "PRESS SHOT", {bottom.x + 420, int(band) + 2, 210, int(foot - band) - 4}, Label(20), 14);
    c.ResetClip();
    TextStyle small = Label(22);
    small.outlineWidth = 2;
    DigitStrip(c, t, a, "small_digits", small, screen::kTallyDigitInk);
    TextStyle large = Label(30, kGold);
    large.outlineWidth = 2;
    DigitStrip(c, t, a, "large_digits", large, screen::kTallyTotalInk);
}

// The band's gold lines (3 rows each) run 4 px above the "STAGE n" cell and
// 3 px below the name cell, rows of the band's picture.
constexpr int kBandTop = screen::kTitleNumber.y - screen::kTitleBand.y - 7;
constexpr int kBandBottom = screen::kTitleName.y + screen::kTitleName.h - screen::kTitleBand.y + 3;

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

std::string StageSubtitle(int stage, bool team2) {
    // The extra stage's letters are shown to both teams: they name neither.
    if (stage == 6) return StageRoman(stage);
    return std::string(StageRoman(stage)) + (team2 ? "  - Cheska & Osero -" : "  - Yuri & Crow -");
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
    const int shown = kScreenWidth - kTitleName.x - 20, inkX = 8;
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
    const int bandMiddle = kTitleBand.y + (kBandTop + kBandBottom + 3) / 2;
    const int top = bandMiddle - blockBottom / 2;
    c.SetClip(num);
    TextStyle st = Label(72, team2 ? Rgb(0xC0D8FF) : Rgb(0xFFD8A0));
    st.fillBottom = team2 ? Rgb(0x4070F0) : Rgb(0xF06020);
    st.outlineWidth = 4;
    const Box stage = Under(num, kTitleNumber, {kTitleNumber.x + inkX, top + stageTop, shown - inkX, 44});
    InkLabel(c, t, s == 6 ? "EXTRA" : "STAGE " + std::to_string(s), stage, st, stage.h);
    c.ResetClip();
    c.SetClip({name.x, name.y, shown + 6, name.h});
    TextStyle big = Label(76, Rgb(0xFFFFFF));
    big.fillBottom = team2 ? Rgb(0xA0C0FF) : Rgb(0xFFD060);
    big.outlineWidth = 4;
    const Box title = Under(name, kTitleName, {kTitleName.x + inkX, top + nameTop, shown - inkX, 62});
    InkLabel(c, t, StageName(s), title, big, title.h);
    const int pen = t.MeasureInk(StageSubtitle(s, team2), small).x;
    const Box sub = Under(name, kTitleName, {kTitleName.x + inkX, top + subTop, shown - inkX, capitals.h});
    t.Draw(c, StageSubtitle(s, team2), sub.x - pen, sub.y - capitals.y, small);
    c.ResetClip();
}

}  // namespace

const char* StageName(int stage) {
    static const char* const kNames[] = {"", "はじまりの森", "空中庭園", "鋼の砦", "おもちゃの街", "チェスカの館", "ディーナの城"};
    return kNames[stage >= 1 && stage <= 6 ? stage : 0];
}
const char* StageRoman(int stage) {
    static const char* const kNames[] = {"", "Forest of Beginnings", "Sky Garden", "Iron Fortress", "Toy Town",
                                         "Cheska's Mansion", "Deena's Castle"};
    return kNames[stage >= 1 && stage <= 6 ? stage : 0];
}

void PaintScreens(Canvas& canvas, const ImageAsset& a, TextPainter& text) {
    switch (a.art) {
        case Art::Title: Title(canvas, a, text); break;
        case Art::Config: Config(canvas, a, text); break;
        case Art::Ranking: Ranking(canvas, a, text); break;
        case Art::NameEntry: NameEntry(canvas, a, text); break;
        case Art::HudSheet: HudSheet(canvas, a, text); break;
        case Art::StageClear: StageClear(canvas, a, text); break;
        case Art::StageTitleBand: StageTitleBand(canvas, a); break;
        case Art::StageTitleLetters: StageTitleLetters(canvas, a, text); break;
        default: break;
    }
}

}  // namespace demodata
