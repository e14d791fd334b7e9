// Where the game puts what it cuts from the pictures: the screen rectangles of
// its quads and the positions of its texts, as its drawing code has them. The
// painters place every frame, outline and label from these, so what a picture
// paints around a spot lands around the quad or text the game draws there.
#pragma once

#include "tools/demodata/Canvas.h"

namespace demodata::screen {

// The fonts the set writes: the talks' text font and the attack-name font the
// menus also write in (cell heights, the pen's step down a row).
constexpr int kTextFontSize = 24;
constexpr int kSkillFontSize = 20;

// The part of `cell` that the game shows at `spot` when it draws the cell at `at`.
constexpr Box Under(const Box& cell, const Box& at, const Box& spot) {
    return {cell.x + spot.x - at.x, cell.y + spot.y - at.y, spot.w, spot.h};
}
// `b` moved by (dx, dy).
constexpr Box Moved(const Box& b, int dx, int dy) { return {b.x + dx, b.y + dy, b.w, b.h}; }

// The boss's gauge: frame, bar at full length, the two seconds digits; the
// bonus label above its seven digits.
constexpr Box kBossFrame{20, 15, 595, 30};
constexpr Box kBossBar{131, 22, 289, 14};
constexpr Box kBossSeconds{530, 25, 24, 18};  // tens then ones, 12 x 18 each
constexpr Box kBonusLabel{190, 170, 263, 55};
constexpr Box kBonusDigits{230, 240, 275, 50};  // seven of 35 x 50, 40 apart

// The in-game display of player 1 (player 2's is 300 px right, from the same
// cells, its panel one column wider); the FORCE strip under the panel.
constexpr Box kHudPanel{30, 380, 160, 80};
constexpr Box kHudStrip{30, 460, 160, 10};
constexpr Box kHudStockIcon{74, 380, 22, 22};  // one per stock left, 24 apart
constexpr Box kHudLifeBar{74, 408, 100, 12};
constexpr Box kHudPips{72, 429, 76, 11};        // six of 11 x 11, 13 apart
constexpr Box kHudLargePips{150, 429, 36, 17};  // two of 17 x 17, 19 apart
constexpr Box kHudGaugeNumber{100, 450, 22, 11};  // three of 6 x 11, 8 apart

// The stage-clear tally: player 1's rows of small digits (16 x 26, 18 apart)
// and the total in large ones (17 x 35, 19 apart); player 2's 240 px right.
constexpr int kTallyRowY[] = {120, 160, 210, 250, 325};
constexpr int kTallyDigitsX = 216, kTallyDigitH = 26, kTallyColumnStep = 240;
// Its labels' capitals, the small digits' ink (2 px taller) and the large
// digits', and the row the columns' headings stand on, above the first row
// and below the top banner at rest.
constexpr int kTallyCapitals = 16, kTallyDigitInk = kTallyCapitals + 2, kTallyTotalInk = 26;
constexpr int kTallyHeadingY = 105;
constexpr Box kTallyTotal{218, 410, 17 + 19 * 7, 35};
// The banners at rest, drawn over the background.
constexpr Box kTallyTopBanner{0, 0, 529, 109};
constexpr Box kTallyBottomBanner{0, 357, 640, 123};

// The configuration screen: the labels' picture and the music volume's three
// digits (15 x 26); the effect volume's stand a row step below, as do the
// cursor's rows.
constexpr Box kConfigLabels{50, 170, 240, 256};
constexpr Box kMusicDigits{190, 170, 49, 26};
constexpr int kConfigRowStep = 77;
// The rotating cursor on the first item, and the play time's nine 20 x 30
// glyphs, 25 apart. The turning panel, grown, at its angle (Angle16 units):
// it grows from the menu's 290 x 600 in steps of 18 past 310.
constexpr Box kConfigCursor{50, 147, 80, 80};
constexpr Box kPlayTime{400, 400, 25 * 8 + 20, 30};
constexpr Box kConfigPanel{30, 0, 326, 600};
constexpr int kConfigPanelAngle = -2800;

// The key configuration: ten rows per player from y 128, 34 apart, each key
// name written 10 px below the row's top; the headers its highlight covers.
constexpr int kKeyRowY = 128, kKeyRowStep = 34, kKeyTextDy = 10;
constexpr int kKeyHeaderX[] = {52, 215, 370, 510};
constexpr Box kKeyHeader{0, 60, 120, 28};
// The highlight's picture also marks a row being defined (at the row's top) and,
// stretched, an answer of the defaults question on its panel.
constexpr Box kKeyHighlight{0, 0, 120, 28};
constexpr Box kDefaultsPanel{130, 180, 380, 200};
constexpr Box kDefaultsAnswer{220, 282, 200, 40};  // the second 45 below

// The ranking: ten rows 30 apart (name, score and date written from these x),
// the stage badge of each row, the play and clear counts below.
constexpr int kRankRowStep = 30, kRankRows = 10;
constexpr int kRankNameX = 80, kRankScoreX = 270, kRankDateX = 410;
constexpr Box kRankBadge{520, 130, 104, 27};
constexpr int kRankCountsY = 438, kRankPlayX = 310, kRankClearX = 530;

// The title's menu picture and the highlight over item `item` (the left
// column's six from x 10, the right's four from x 410); the part of each
// highlight's cell its ring takes, the left's and the right's, which the
// labels stand centred in: a pixel inside the cell at the left and the top,
// and short enough at the foot that the last item's plate ends inside the
// menu's picture.
constexpr Box kMenu{50, 230, 484, 206};
constexpr Box MenuHighlight(int item) {
    return item >= 6 ? Box{410, 48 * item - 15, 176, 22} : Box{10, 230 + 24 * item + 25 * (item / 2), 176, 22};
}
constexpr Box kMenuRing[2] = {{41, 1, 96, 18}, {46, 1, 76, 18}};
// The logo, and the difficulty picture with the rotating cursor's centre on
// level d. The cursor turns within kDifficultyMarker px of its centre, which
// keeps it inside the panel on the lowest level; each level's plate stands
// right of it.
constexpr Box kLogo{20, 20, 325, 153};
constexpr Box kDifficulty{10, 60, 578, 292};
constexpr Point DifficultyCursor(int d) { return {90.0f + 192.0f * float(d), 328.0f - 74.0f * float(d)}; }
constexpr int kDifficultyMarker = 14;
constexpr Box DifficultyPlate(int d) {
    return {int(DifficultyCursor(d).x) + kDifficultyMarker + 6, int(DifficultyCursor(d).y) - 16, 86, 32};
}

// The title: a team's card and the heading beside it; the practice list and the
// highlight over its rows, 37 apart.
constexpr Box kTeamCard{10, 63, 347, 414};
constexpr Box kTeamHeading{230, 20, 293, 225};
constexpr Box kPracticeList{410, 250, 111, 177};
constexpr Box kPracticeHighlight{370, 250, 176, 22};

// The pause menu: its panel, the items (70 apart) or the question over it, and
// the cursor bar on the chosen one.
constexpr Box kPausePanel{80, 120, 422, 273};
constexpr Box kPauseItems{145, 180, 342, 186};
constexpr Box kPauseQuestion{205, 180, 236, 186};
constexpr Box kPauseBar{130, 180, 369, 47};

// The continue screen: the heading, the question, the two answers, the pause
// menu's bar squeezed over the chosen one (the second 190 right), the credits
// and their two 24 x 33 digits.
constexpr Box kContinueHeading{140, 80, 374, 119};
constexpr Box kContinueQuestion{210, 230, 252, 60};
constexpr Box kContinueYes{180, 310, 126, 60};
constexpr Box kContinueBar{150, 310, 170, 60};
constexpr Box kCreditsLabel{140, 380, 361, 36};
constexpr Box kCreditsDigits{395, 380, 24 + 26, 33};

// The stage title at rest: the band, "STAGE n" and the name; the screen shows
// the name cell's first 600 columns.
constexpr Box kTitleBand{-80, 130, 1024, 318};
constexpr Box kTitleNumber{40, 150, 400, 109};
constexpr Box kTitleName{40, 170, 691, 195};
constexpr int kScreenWidth = 640;

// The talk window: balloons, the first text row of each, portraits and name cards.
constexpr Box kUpperBalloon{170, 70, 440, 145};
constexpr Box kLowerBalloon{30, 300, 440, 145};
constexpr int kUpperTextX = 200, kUpperTextY = 100, kLowerTextX = 50, kLowerTextY = 320;
constexpr int kTalkRows = 3, kTalkRowChars = 17;
constexpr Box kUpperPortrait{20, 50, 160, 160};
constexpr Box kLowerPortrait{460, 290, 160, 160};
constexpr Box kUpperCard{20, 180, 380, 90};  // cards 0 and 1
constexpr Box kLowerCard{120, 390, 380, 90};  // cards 2 to 12

}  // namespace demodata::screen
