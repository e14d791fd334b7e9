// Where the game draws what: for each element of its screens, the rectangle it
// takes on the 640 x 480 screen and the cell of its sheet it is cut from. Rows
// of like quads (digits, list rows, a cursor's places) give their first quad
// and the steps to the next place and to the next cell. The game draws from
// these; the demo data's painters paint each cell for the spot it is shown at,
// and the tests' coded sheets colour the same cells.
#pragma once

namespace layout {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};
// A spot on the screen, or the step from one place or cell to the next.
struct Spot {
    int x = 0, y = 0;
};
// One quad: where it stands and what it shows.
struct Quad {
    Rect screen;
    Rect cell;
};

constexpr Rect Moved(const Rect& r, int dx, int dy) { return {r.x + dx, r.y + dy, r.w, r.h}; }

// Like quads in a row: the one in place n stands n place steps on from the
// first, and the cell of number k lies k cell steps on from the first cell.
struct Series {
    Quad first;
    Spot place, next;
    constexpr Rect Screen(int n) const { return Moved(first.screen, place.x * n, place.y * n); }
    constexpr Rect Cell(int k) const { return Moved(first.cell, next.x * k, next.y * k); }
    constexpr Quad At(int n, int k) const { return {Screen(n), Cell(k)}; }
    // What the first n places cover together.
    constexpr Rect Span(int n) const {
        const Rect last = Screen(n - 1);
        return {first.screen.x, first.screen.y, last.x + last.w - first.screen.x, last.y + last.h - first.screen.y};
    }
};

constexpr int kScreenWidth = 640, kScreenHeight = 480;
constexpr Rect kWholeScreen{0, 0, kScreenWidth, kScreenHeight};
// A sheet's backdrop, from its top-left corner over the whole screen (the
// title's, the configuration's, the ranking's, the result's, the tally's).
constexpr Quad kBackdrop{kWholeScreen, kWholeScreen};

// ---- The title (img/title.png)
constexpr Quad kTitleCircle{{400, 300, 446, 446}, {577, 556, 446, 446}};  // turning
constexpr Quad kTitleMenu{{50, 230, 484, 206}, {0, 480, 484, 206}};
constexpr Quad kTitleLogo{{20, 20, 325, 153}, {640, 0, 325, 153}};
// The highlight's two pictures: the left column's and the right's.
constexpr Rect kHighlightCell[2] = {{816, 153, 176, 22}, {640, 153, 176, 22}};
// The menu's highlight on row `row` of column `column`: the left column's
// rows in pairs, 24 apart and 25 more between the pairs; the right's 48 apart.
constexpr Quad MenuHighlight(int column, int row) {
    return column == 0 ? Quad{{10, 230 + 24 * row + 25 * (row / 2), 176, 22}, kHighlightCell[0]}
                       : Quad{{410, 273 + 48 * row, 176, 22}, kHighlightCell[1]};
}
constexpr Quad kPracticeTitle{{50, 50, 153, 63}, {294, 978, 153, 63}};
constexpr Quad kPracticeList{{410, 250, 111, 177}, {446, 978, 111, 177}};
// The right column's highlight on row n of the practice list.
constexpr Series kPracticeHighlight{{{370, 250, 176, 22}, kHighlightCell[1]}, {0, 37}, {}};
// Team t's card.
constexpr Series kTeamCard{{{10, 63, 347, 414}, {0, 1203, 347, 414}}, {}, {347, 0}};
constexpr Quad kTeamHeading{{230, 20, 293, 225}, {0, 978, 293, 225}};
constexpr Quad kDifficulty{{10, 60, 578, 292}, {0, 686, 578, 292}};
// The turning cursor on level d.
constexpr Series kDifficultyCursor{{{28, 266, 124, 124}, {640, 175, 124, 124}}, {192, -74}, {}};

// The turning panel (the title's picture, and the configuration's own): where
// it heads on each screen and the angle (Angle16 units) it turns to. Its
// width moves in steps of kPanelWidthStep; on the configuration it grows
// until it passes its width there.
struct PanelPose {
    int x, y, w, h, angle;
};
constexpr Rect kTitlePanelCell{640, 299, 256, 256};
constexpr PanelPose kPanelOnMenu{300, 0, 290, 600, 4800};
constexpr PanelPose kPanelOnConfig{30, 0, 310, 600, -2800};
constexpr PanelPose kPanelOnPractice{330, -50, 270, 650, -2800};
constexpr PanelPose kPanelOnTeam{20, 0, 290, 600, -4800};
constexpr PanelPose kPanelOnDifficulty{-70, 160, 790, 240, -2000};
constexpr int kPanelWidthStep = 18;

// ---- The configuration (img/config.png; the play time from img/name.png)
constexpr Rect kConfigPanelCell{640, 508, 256, 256};
constexpr Quad kConfigLabels{{50, 170, 240, 256}, {640, 25, 240, 256}};
// Its rows (music volume, effects volume, key configuration, back), 77 apart.
constexpr int kConfigRowStep = 77;
// The music volume's three digits (digit k's cell k steps on); the effects'
// stand a row lower.
constexpr Series kVolumeDigits{{{190, 170, 15, 26}, {640, 0, 15, 26}}, {17, 0}, {15, 0}};
// The rotating cursor on row n.
constexpr Series kConfigCursor{{{50, 147, 80, 80}, {880, 25, 124, 124}}, {0, kConfigRowStep}, {}};
// The name sheet's small glyphs: the digits, then the colon (10) and the slash (11).
constexpr Series kSmallGlyphs{{{}, {640, 0, 20, 30}}, {}, {20, 0}};
// The play time's nine glyphs.
constexpr Series kPlayTime{{{400, 400, 20, 30}, kSmallGlyphs.first.cell}, {25, 0}, kSmallGlyphs.next};

// ---- The key configuration (img/config.png)
constexpr Quad kKeyConfigBackdrop{kWholeScreen, {0, 480, 640, 480}};
// Each player's ten rows from y 128, 34 apart, each key name written 10 px
// below its row's top; the headers (back, player 1, player 2, the defaults)
// at y 60, the players' rows under their headers.
constexpr int kKeyRowY = 128, kKeyRowStep = 34, kKeyTextDy = 10;
constexpr int kKeyHeaderX[4] = {52, 215, 370, 510};
constexpr int kKeyHeaderY = 60;
// The highlight, on a header or on the row being defined.
constexpr Quad kKeyHighlight{{0, 0, 120, 28}, {640, 480, 155, 28}};
// The defaults question and its answers (the highlight stretched over them),
// then the panel that says they are back.
constexpr Quad kDefaultsQuestion{{130, 180, 380, 200}, {0, 960, 380, 200}};
constexpr Series kDefaultsAnswer{{{220, 282, 200, 40}, kKeyHighlight.cell}, {0, 45}, {}};
constexpr Quad kDefaultsDone{kDefaultsQuestion.screen, {380, 960, 380, 200}};

// ---- The ranking (img/ranking.png)
// Table t's heading (difficulty column + 4 x team).
constexpr Series kRankingHeading{{{400, 30, 200, 60}, {640, 0, 200, 60}}, {}, {0, 60}};
// Row n's texts, 30 apart from y 133: its number (10 a little left), name,
// score and date written from these x; the stage badge of row n (stage s's
// cell; a stored stage past the badges, from a hand-edited file, draws none);
// the play and clear counts below the rows.
constexpr int kRankRowStep = 30, kRankTextY = 133;
constexpr int kRankNumberX = 35, kRankTenX = 30, kRankNameX = 80, kRankScoreX = 270, kRankDateX = 410;
constexpr Series kRankBadge{{{520, 130, 104, 27}, {840, 0, 104, 27}}, {0, kRankRowStep}, {0, 28}};
constexpr int kRankBadges = 8;
constexpr int kRankCountsY = 438, kRankPlayX = 310, kRankClearX = 530;

// ---- The result and the name entry (img/name.png)
// The stage reached (stage s's banner).
constexpr Series kResultStage{{{205, 200, 200, 45}, {640, 32, 200, 45}}, {}, {0, 45}};
// The rank: 1 to 9 from the small digits' cells a column on and a column
// wider; 10 as a "1" and a "0" of the plain cells, as wide.
constexpr Series kResultRank{{{110, 90, 21, 30}, {641, 0, 21, 30}}, {}, kSmallGlyphs.next};
constexpr Series kResultRankTen{{{95, 90, 21, 30}, {640, 0, 21, 30}}, {20, 0}, kSmallGlyphs.next};
constexpr Series kResultScore{{{205, 150, 30, 40}, {640, 35, 30, 40}}, {32, 0}, {32, 0}};
// Today's date, "MM/DD".
constexpr Series kResultDate{{{505, 90, 20, 30}, kSmallGlyphs.first.cell}, {20, 0}, kSmallGlyphs.next};
// The character grid and its glyphs' cells; the name typed so far, each
// letter from its glyph's cell, and the small cursor after it.
constexpr Quad kNameGrid{{0, 270, 640, 150}, {0, 480, 640, 150}};
constexpr Rect GridGlyphCell(int row, int column) { return {21 + 23 * column, 493 + 37 * row, 25, 26}; }
constexpr Series kNameLetters{{{240, 90, 25, 26}, {}}, {25, 0}, {}};
constexpr Series kNameCursor{{{242, 90, 22, 26}, {23, 630, 22, 26}}, {25, 0}, {}};
// The cursor on the grid: the small one on a glyph, the wide one on the last
// row's DEL, SPC and END (columns 12 to 14).
constexpr Quad GridCursor(int row, int column) {
    return {{22 + 23 * column, 282 + 37 * row, 22, 26}, kNameCursor.first.cell};
}
constexpr Quad GridCursorWide(int column) { return {{69 * column - 392, 390, 50, 32}, {45, 630, 50, 32}}; }

// ---- The in-game display (img/main_system.png)
// Player 1's; player 2's stands kHudPlayerStep right, its panel a column
// wider. Element e's panel and strip cells stand kHudElementStep e right.
constexpr int kHudPlayerStep = 300, kHudElementStep = 295;
constexpr Quad kHudPanel{{30, 380, 160, 80}, {0, 0, 160, 80}};
constexpr Quad kHudStrip{{30, 460, 160, 10}, {0, 80, 160, 10}};  // the gauge is past FORCE
// One icon per stock left, character c's (1 to 4) cell c - 1.
constexpr Series kHudStock{{{74, 380, 22, 22}, {111, 189, 22, 22}}, {24, 0}, {22, 0}};
// Life l (1 to 5): l 20-px segments, cut from a strip that steps 6 px up a life.
constexpr Quad HudLife(int life) { return {{74, 408, 20 * life, 12}, {111, 153 + 6 * (5 - life), 20 * life, 12}}; }
// The gauge: six small pips (player p's cell p), two large ones, the
// number's three digits; the score's nine digits.
constexpr Series kHudPips{{{72, 429, 11, 11}, {54, 153, 11, 11}}, {13, 0}, {11, 0}};
constexpr Series kHudLargePips{{{150, 429, 17, 17}, {77, 153, 17, 17}}, {19, 0}, {}};
constexpr Series kHudGaugeDigits{{{100, 450, 6, 11}, {0, 213, 6, 11}}, {8, 0}, {6, 0}};
constexpr Series kHudScoreDigits{{{200, 430, 11, 12}, {0, 190, 11, 12}}, {13, 0}, {11, 0}};

// The pause menu: its panel, the items or the question over it, and the
// cursor bar on item n (on the question's answer a from place a + 1).
constexpr Quad kPausePanel{{80, 120, 422, 273}, {0, 425, 422, 273}};
constexpr Quad kPauseItems{{145, 180, 342, 186}, {0, 698, 342, 186}};
constexpr Quad kPauseQuestion{{205, 180, 236, 186}, {342, 698, 236, 186}};
constexpr Series kPauseBar{{{130, 180, 369, 47}, {422, 425, 369, 47}}, {0, 70}, {}};

// The continue screen: the shade stretched over the screen, the heading, the
// question and its two answers (yes, no), the pause menu's bar squeezed over
// the chosen one, the credits and their two digits.
constexpr Quad kContinueShade{kWholeScreen, {674, 90, 128, 128}};
constexpr Quad kContinueHeading{{140, 80, 374, 119}, {300, 100, 374, 119}};
constexpr Quad kContinueQuestion{{210, 230, 252, 60}, {422, 472, 252, 60}};
constexpr Series kContinueAnswer{{{180, 310, 126, 60}, {422, 532, 126, 60}}, {190, 0}, {0, 60}};
constexpr Series kContinueBar{{{150, 310, 170, 60}, kPauseBar.first.cell}, {190, 0}, {}};
constexpr Quad kCreditsLabel{{140, 380, 361, 36}, {548, 532, 361, 36}};
constexpr Series kCreditsDigits{{{395, 380, 24, 33}, {548, 568, 24, 33}}, {26, 0}, {24, 0}};

// The boss's gauge: its frame, the bar at full length (shorter as its hp
// falls), the seconds' two digits; the bonus label and its seven digits.
constexpr Quad kBossFrame{{20, 15, 595, 30}, {0, 228, 595, 30}};
constexpr Quad kBossBar{{131, 22, 289, 14}, {263, 258, 289, 14}};
constexpr Series kBossSeconds{{{530, 25, 12, 18}, {455, 22, 12, 18}}, {12, 0}, {12, 0}};
constexpr Quad kBonusLabel{{190, 170, 263, 55}, {0, 258, 263, 55}};
constexpr Series kBonusDigits{{{230, 240, 35, 50}, {455, 40, 35, 50}}, {40, 0}, {35, 0}};

// A cut-in picture (and its flash) as it slides across the screen.
constexpr Rect kCutInCell{0, 0, 1024, 480};

// ---- The stage-clear tally (img/stageclear.png)
// The banners at rest, the top one in from the left, the bottom one from the
// right, kTallySlideStep a frame.
constexpr Quad kTallyTopBanner{{0, 0, 529, 109}, {0, 480, 529, 109}};
constexpr Quad kTallyBottomBanner{{0, 357, 640, 123}, {0, 589, 640, 123}};
constexpr int kTallySlideStep = 40;
// Player 1's rows of small digits (items, absorbs, no miss, stage bonus,
// score; player 2's kTallyColumnStep right), the total in large ones.
constexpr int kTallyRowY[5] = {120, 160, 210, 250, 325};
constexpr int kTallyColumnStep = 240;
constexpr Series kTallyDigits{{{216, kTallyRowY[0], 16, 26}, {640, 0, 16, 26}}, {18, 0}, {16, 0}};
constexpr Series kTallyTotal{{{218, 410, 17, 35}, {640, 26, 17, 35}}, {19, 0}, {17, 0}};

// ---- The stage's title (img/system/StageTitleBG.png and the letters' sheets)
// At rest: the band, "STAGE n" and the name. The band slides in from
// kBandSlide px left of it, the letters from kLettersSlide.
constexpr Quad kStageTitleBand{{-80, 130, 1024, 318}, {0, 0, 1024, 318}};
constexpr Quad kStageTitleNumber{{40, 150, 400, 109}, {0, 0, 400, 109}};
constexpr Quad kStageTitleName{{40, 170, 691, 195}, {0, 109, 691, 195}};
constexpr int kBandSlide = 1000, kLettersSlide = 840;

// ---- The talk window (img/talk/)
// Each side's balloon and its text's first row, its portrait; balloon row r
// of side s (0 upper, 1 lower); portrait cell n of a sheet `columns` wide.
constexpr Rect kUpperBalloon{170, 70, 440, 145}, kLowerBalloon{30, 300, 440, 145};
constexpr Rect BalloonCell(int side, int row) { return {440 * side, 145 * row, 440, 145}; }
constexpr Spot kUpperText{200, 100}, kLowerText{50, 320};
constexpr Rect kUpperPortrait{20, 50, 160, 160}, kLowerPortrait{460, 290, 160, 160};
constexpr Rect PortraitCell(int cell, int columns) {
    return {160 * (cell % columns), 160 * (cell / columns), 160, 160};
}
// Name card n: Yuri's and Crow's (0 and 1) from the first column, above the
// lower balloon; the others from the second.
constexpr Quad NameCard(int card) {
    return card < 2 ? Quad{{20, 180, 380, 90}, {0, 90 * card, 380, 90}}
                    : Quad{{120, 390, 380, 90}, {380, 90 * (card - 2), 380, 90}};
}

// The ending: the picture over the whole screen, then the colour in the
// corner of its sheet stretched over it.
constexpr Quad kEndingPicture{kWholeScreen, kWholeScreen};
constexpr Quad kEndingClosing{kWholeScreen, {640, 0, 128, 128}};

}  // namespace layout
