// The title's sheet: the backdrop, the menu and logo, the practice list, the
// team cards and the difficulty choice.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/demodata/ArtScreens.h"

namespace demodata::screenart {

namespace {

// The menus' labels: their capitals this tall, a row clear of their plate
// above and below with their thin outline, which stands a pixel inside the
// ring (the last row's ring ends on the menu picture's foot: no taller).
constexpr int kMenuInk = 12;
TextStyle MenuLabel(const Color& fill) {
    TextStyle s = Label(17, fill);
    s.outlineWidth = 1;
    return s;
}
Box MenuPlate(const Box& ring) { return {ring.x + 1, ring.y + 1, ring.w - 2, ring.h - 2}; }
Box MenuLabelBox(const Box& plate) { return {plate.x + 6, plate.y, plate.w - 12, plate.h}; }
// One size and one narrowing for every label, the widest of each column within its plate.
InkFit MenuFit(TextPainter& t, const std::vector<std::string>& items) {
    TextStyle style = MenuLabel(Rgb(0xFFFFFF));
    InkFit fit = t.FitInk(items, style, kMenuInk, 1 << 16);
    style.size = fit.size;
    for (size_t i = 0; i < items.size(); ++i) {
        const int room = MenuLabelBox(MenuPlate(screen::kMenuRing[i < kMenuSystem ? 0 : 1])).w;
        fit.squeeze = std::min(fit.squeeze, float(room) / float(std::max(1, t.MeasureInk(items[i], style).w)));
    }
    return fit;
}

}  // namespace

void Title(Canvas& c, const ImageAsset& a, TextPainter& t) {
    // background: dusk over a castle on the hill
    const Box bg = Get(a, "background").box;
    NightSky(c, bg, Rgb(0x0A1040), Rgb(0xC05A70), 11);
    c.SetClip(bg);
    // The moon high in the corner, clear of the team choice's heading and of
    // the difficulty's panel, which ends at x 588 from y 60.
    c.Glow(608, 40, 150, Rgb(0xFFE0A0, 0.55f));
    c.Disc(608, 40, 28, Rgb(0xFFF4D8));
    // The castle stands on the hill: its walls run down behind the crest.
    const Color castle = Rgb(0x14122A);
    c.Fill({430, 250, 140, 200}, castle);
    for (int i = 0; i < 3; ++i) {
        const float x = 440 + float(i) * 55;
        c.Fill({int(x), 200 - i % 2 * 30, 22, 100}, castle);
        c.Polygon({{x - 4, 200 - float(i % 2) * 30}, {x + 11, 165 - float(i % 2) * 30}, {x + 26, 200 - float(i % 2) * 30}}, castle);
    }
    std::vector<Point> hill = {{0, 480}, {0, 380}};
    for (int x = 0; x <= 640; x += 20) hill.push_back({float(x), 380 - 50 * std::sin(float(x) / 140.0f) - 20});
    hill.push_back({640, 480});
    c.Polygon(hill, Rgb(0x1A1830));
    // Two lit windows high in the right tower, above the menus' rows and
    // clear of the team choice's heading.
    for (int i = 0; i < 2; ++i) {
        c.Glow(561, float(217 + 22 * i), 10, Rgb(0xFFA030, 0.6f));
        c.RoundRect(558, float(212 + 22 * i), 6, 11, 3, Rgb(0xFFC848));
    }
    c.ResetClip();
    // rotating circle and turning panel
    const Box circle = Get(a, "circle").box;
    c.SetClip(circle);
    DrawMagicCircle(c, circle, Rgb(0xFFD0F0, 0.75f), 4);
    c.ResetClip();
    const Box panel = Get(a, "panel").box;
    c.SetClip(panel);
    // Light enough that the castle's lit windows stay warm under it.
    c.RoundRect(float(panel.x) + 28, float(panel.y) + 28, 200, 200, 16, Rgb(0x6040C0, 0.3f));
    c.RoundFrame(float(panel.x) + 28, float(panel.y) + 28, 200, 200, 16, 3, Rgb(0xE0D0FF, 0.8f));
    c.Star(float(panel.x) + 128, float(panel.y) + 128, 80, 34, 4, 0, Rgb(0xFFFFFF, 0.35f));
    c.ResetClip();
    // The menu: each label on a plate a pixel inside its row's ring, centred
    // on the highlight the game draws there, all ten at one size and one
    // narrowing. The system item does nothing: it heads the right column,
    // where Left and Right put the cursor.
    using screen::kMenuRing;
    const Box menu = Get(a, "menu").box;
    std::vector<std::string> items(kMenuItems);
    items[kMenuOnePlayer] = "1 PLAYER", items[kMenuTwoPlayers] = "2 PLAYERS";
    items[kMenuExtraOnePlayer] = "EXTRA 1P", items[kMenuExtraTwoPlayers] = "EXTRA 2P";
    items[kMenuPracticeOnePlayer] = "PRACTICE 1P", items[kMenuPracticeTwoPlayers] = "PRACTICE 2P";
    items[kMenuSystem] = "SYSTEM", items[kMenuRanking] = "RANKING", items[kMenuConfig] = "CONFIG", items[kMenuQuit] = "QUIT";
    std::vector<std::string> lettered = items;  // with the practice list's rows, which stand in rings of the right column's size
    for (int s = 1; s <= 5; ++s) lettered.push_back("STAGE " + std::to_string(s));
    const InkFit menuFit = MenuFit(t, lettered);
    c.SetClip(menu);
    for (int i = 0; i < kMenuItems; ++i) {
        const Box ring = MenuHighlightOn(i).screen, part = kMenuRing[i < kMenuSystem ? 0 : 1];
        const Box plate = MenuPlate(screen::Under(menu, layout::kTitleMenu.screen, screen::Moved(part, ring.x, ring.y)));
        Plate(c, plate, Rgb(0x080A1C, 0.92f));  // the turning circle's lines stay behind it
        const Color ink = i == kMenuSystem ? Rgb(0xB8C4E8) : Rgb(0xFFFFFF);
        t.DrawInk(c, items[size_t(i)], MenuLabelBox(plate), MenuLabel(ink), menuFit);
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
        const Box row = layout::kPracticeHighlight.Screen(s);
        const Box plate = MenuPlate(screen::Under(pl, layout::kPracticeList.screen, screen::Moved(screen::kMenuRing[1], row.x, row.y)));
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
    const Box card = screen::Under(th, layout::kTeamHeading.screen, layout::kTeamCard.Screen(0));
    const Box column{card.x + card.w + 8, th.y, th.x + th.w - 4 - (card.x + card.w + 8), th.h};
    c.SetClip(th);
    // A dusk plate under the words: the castle's spires stand behind them.
    c.RoundRect(float(column.x) - 4, float(th.y) + 46, float(th.x + th.w - 2 - (column.x - 4)), 168, 14, Rgb(0x0C0A24, 0.7f));
    t.DrawCentered(c, "SELECT", {column.x, th.y + 50, column.w, 56}, Label(44, kGold));
    t.DrawCentered(c, "YOUR", {column.x, th.y + 110, column.w, 48}, Label(38));
    t.DrawCentered(c, "TEAM", {column.x, th.y + 158, column.w, 48}, Label(38));
    c.ResetClip();
    // Each level a column rising from the panel's floor, its name and a line
    // on it, and under them its lamp, which the turning cursor lights on the
    // chosen level; the heading over the two lower columns.
    const Box df = Get(a, "difficulty").box;
    c.SetClip(df);
    DrawPanel(c, df, Rgb(0x303A70), 18);
    const Box low = screen::Under(df, screen::kDifficulty, screen::DifficultyColumn(0));
    const Box mid = screen::Under(df, screen::kDifficulty, screen::DifficultyColumn(1));
    InkLabel(c, t, "SELECT DIFFICULTY", {low.x, df.y + 14, mid.x + mid.w - low.x, 32}, Label(30, kGold), 20, Align::kCentre);
    const std::vector<std::string> names = {"EASY", "NORMAL", "HARD"};
    const std::vector<std::string> notes = {"Slower fire,", "room to learn", "The heist as", "it was planned", "Thick fire for", "seasoned hands"};
    const Color cols[] = {Rgb(0x60D070), Rgb(0xF0C040), Rgb(0xF05050)};
    TextStyle level = Label(20), note = Label(13, Rgb(0xE8ECF8), false);
    note.outlineWidth = 1;
    const InkFit levelFit = t.FitInk(names, level, 15, screen::kDifficultyColumnW - 24);
    const InkFit noteFit = t.FitInk(notes, note, 12, screen::kDifficultyColumnW - 16, kOneLine);
    for (int d = 0; d < 3; ++d) {
        const Box col = screen::Under(df, screen::kDifficulty, screen::DifficultyColumn(d));
        const float x = float(col.x), y = float(col.y), w = float(col.w);
        // The base runs on below the floor, cut flat by the clip.
        c.SetClip(col);
        c.RoundRect(x, y, w, float(col.h) + 16, 12, WithAlpha(Darker(cols[d], 0.72f), 0.94f));
        c.RoundRect(x + 2, y + 2, w - 4, 30, 10, WithAlpha(Darker(cols[d], 0.5f), 0.6f));
        const int body = col.y + screen::kDifficultyLamp + 16;
        c.VerticalGradient({col.x + 2, body, col.w - 4, col.y + col.h - body}, Rgb(0x000000, 0.0f), Rgb(0x000000, 0.45f));
        c.RoundFrame(x, y, w, float(col.h) + 16, 12, 2, cols[d]);
        level.fill = Lighter(cols[d], 0.85f), level.fillBottom = Darker(level.fill, 0.2f);
        t.DrawInk(c, names[size_t(d)], {col.x + 12, col.y + 3, col.w - 24, 30}, level, levelFit);
        for (int k = 0; k < 2; ++k)
            t.DrawInk(c, notes[size_t(2 * d + k)], {col.x + 8, col.y + 38 + 15 * k, col.w - 16, 14}, note, noteFit);
        // The lamp: a dark socket in a ring of the level's colour.
        const float lx = x + w / 2, ly = y + float(screen::kDifficultyLamp);
        c.Disc(lx, ly, 12, Rgb(0x05060C, 0.9f));
        c.Ring(lx, ly, 11.5f, 2, WithAlpha(cols[d], 0.8f));
        c.SetClip(df);
    }
    c.ResetClip();
    // The marker: the lamp lit, a white star turning in it, a little larger
    // than the socket it covers.
    const Box dc = Get(a, "difficulty_cursor").box;
    const float mx = float(dc.x) + float(dc.w) / 2, my = float(dc.y) + float(dc.h) / 2, r = float(screen::kDifficultyMarker);
    c.SetClip(dc);
    c.Disc(mx, my, r - 1, Rgb(0xFFC840));
    c.Glow(mx, my, r - 2, Rgb(0xFFFFE0, 0.9f));
    c.Ring(mx, my, r - 1.5f, 2.5f, Rgb(0xFFFFFF, 0.95f));
    c.Star(mx, my, r - 4, 3, 4, 0, Rgb(0xFFFFFF));
    c.ResetClip();
}

}  // namespace demodata::screenart
