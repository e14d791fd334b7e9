// The painters' view of where the game puts what it cuts from the pictures:
// the game's own screen layout (game/state/ScreenLayout.h), as the spots the
// painters place frames, outlines and labels around, and what is the
// painters' own (font sizes, ink heights, the parts of a cell a ring takes).
#pragma once

#include "game/shell/MenuCommon.h"
#include "game/state/ScoreData.h"
#include "game/state/ScreenLayout.h"
#include "tools/demodata/Canvas.h"

namespace demodata::screen {

using layout::kScreenWidth, layout::Moved;

// The fonts the set writes: the talks' text font and the attack-name font the
// menus also write in (cell heights, the pen's step down a row).
constexpr int kTextFontSize = 24;
constexpr int kSkillFontSize = 20;

// The part of `cell` that the game shows at `spot` when it draws the cell at `at`.
constexpr Box Under(const Box& cell, const Box& at, const Box& spot) {
    return {cell.x + spot.x - at.x, cell.y + spot.y - at.y, spot.w, spot.h};
}

// The boss's gauge: frame, bar at full length, the two seconds digits; the
// bonus label above its seven digits.
constexpr Box kBossFrame = layout::kBossFrame.screen, kBossBar = layout::kBossBar.screen;
constexpr Box kBossSeconds = layout::kBossSeconds.Span(2);
constexpr Box kBonusLabel = layout::kBonusLabel.screen, kBonusDigits = layout::kBonusDigits.Span(7);

// Player 1's in-game display: the panel, the first stock icon, the life bar at
// full length, the six pips, the two large ones and the gauge number.
constexpr Box kHudPanel = layout::kHudPanel.screen, kHudStockIcon = layout::kHudStock.Screen(0);
constexpr Box kHudLifeBar = layout::HudLife(5).screen;
constexpr Box kHudPips = layout::kHudPips.Span(6), kHudLargePips = layout::kHudLargePips.Span(2);
constexpr Box kHudGaugeNumber = layout::kHudGaugeDigits.Span(3);

// The stage-clear tally: player 1's rows of small digits, the total in large
// ones, the bottom banner at rest.
using layout::kTallyRowY, layout::kTallyColumnStep;
constexpr int kTallyDigitsX = layout::kTallyDigits.first.screen.x, kTallyDigitH = layout::kTallyDigits.first.screen.h;
constexpr Box kTallyTotal = layout::kTallyTotal.Span(8), kTallyBottomBanner = layout::kTallyBottomBanner.screen;
// Its labels' capitals, the small digits' ink (2 px taller) and the large
// digits', and the row the columns' headings stand on, above the first row
// and below the top banner at rest.
constexpr int kTallyCapitals = 16, kTallyDigitInk = kTallyCapitals + 2, kTallyTotalInk = 26;
constexpr int kTallyHeadingY = 105;

// The configuration: the labels' picture, the music volume's digits (the
// effects' a row step below, as the cursor's rows are), the rotating cursor on
// the first row, the play time.
constexpr Box kConfigLabels = layout::kConfigLabels.screen, kMusicDigits = layout::kVolumeDigits.Span(3);
using layout::kConfigRowStep;
constexpr Box kConfigCursor = layout::kConfigCursor.Screen(0), kPlayTime = layout::kPlayTime.Span(9);
// The turning panel, grown, at its angle: it grows from the menu's width in
// steps until it passes the configuration's.
constexpr int kConfigPanelAngle = layout::kPanelOnConfig.angle;
constexpr Box kConfigPanel{layout::kPanelOnConfig.x, layout::kPanelOnConfig.y,
                           layout::kPanelOnMenu.w +
                               layout::kPanelWidthStep * ((layout::kPanelOnConfig.w - layout::kPanelOnMenu.w - 1) /
                                                              layout::kPanelWidthStep + 1),
                           layout::kPanelOnConfig.h};

// The key configuration: the rows, the headers its highlight covers, the
// highlight at a row's top; the defaults question's panel and its first answer.
using layout::kKeyRowY, layout::kKeyRowStep, layout::kKeyTextDy, layout::kKeyHeaderX;
constexpr Box kKeyHighlight = layout::kKeyHighlight.screen;
constexpr Box kKeyHeader = Moved(kKeyHighlight, 0, layout::kKeyHeaderY);
constexpr Box kDefaultsPanel = layout::kDefaultsQuestion.screen, kDefaultsAnswer = layout::kDefaultsAnswer.Screen(0);

// The ranking: its rows' texts and stage badges, the play and clear counts.
using layout::kRankRowStep, layout::kRankNameX, layout::kRankScoreX, layout::kRankDateX;
using layout::kRankCountsY, layout::kRankPlayX, layout::kRankClearX;
constexpr int kRankRows = kShownRows;
constexpr Box kRankBadge = layout::kRankBadge.Screen(0);

// The title's menu picture and the highlight over item `item`; the part of
// each highlight's cell its ring takes, the left's and the right's, which the
// labels stand centred in: a pixel inside the cell at the left and the top,
// and short enough at the foot that the last item's plate ends inside the
// menu's picture.
constexpr Box kMenu = layout::kTitleMenu.screen;
constexpr Box MenuHighlight(int item) { return MenuHighlightOn(item).screen; }
constexpr Box kMenuRing[2] = {{41, 1, 96, 18}, {46, 1, 76, 18}};
// The difficulty picture with the rotating cursor's centre on level d. The
// cursor turns within kDifficultyMarker px of its centre, which keeps it
// inside the panel on the lowest level; each level's plate stands right of it.
constexpr Box kDifficulty = layout::kDifficulty.screen;
constexpr Point DifficultyCursor(int d) {
    const Box at = layout::kDifficultyCursor.Screen(d);
    return {float(at.x) + float(at.w) / 2, float(at.y) + float(at.h) / 2};
}
constexpr int kDifficultyMarker = 14;
constexpr Box DifficultyPlate(int d) {
    return {int(DifficultyCursor(d).x) + kDifficultyMarker + 6, int(DifficultyCursor(d).y) - 16, 86, 32};
}
// A team's card and the heading beside it; the practice list and the
// highlight over its first row.
constexpr Box kTeamCard = layout::kTeamCard.Screen(0), kTeamHeading = layout::kTeamHeading.screen;
constexpr Box kPracticeList = layout::kPracticeList.screen, kPracticeHighlight = layout::kPracticeHighlight.Screen(0);

// The pause menu: its panel, the items or the question over it, the cursor
// bar on the first item.
constexpr Box kPausePanel = layout::kPausePanel.screen, kPauseItems = layout::kPauseItems.screen;
constexpr Box kPauseQuestion = layout::kPauseQuestion.screen, kPauseBar = layout::kPauseBar.Screen(0);

// The continue screen: the heading, the question, the first answer with the
// pause menu's bar squeezed over it, the credits and their two digits.
constexpr Box kContinueHeading = layout::kContinueHeading.screen, kContinueQuestion = layout::kContinueQuestion.screen;
constexpr Box kContinueYes = layout::kContinueAnswer.Screen(0), kContinueBar = layout::kContinueBar.Screen(0);
constexpr Box kCreditsLabel = layout::kCreditsLabel.screen, kCreditsDigits = layout::kCreditsDigits.Span(2);

// The stage title at rest: the band, "STAGE n" and the name.
constexpr Box kTitleBand = layout::kStageTitleBand.screen, kTitleNumber = layout::kStageTitleNumber.screen;
constexpr Box kTitleName = layout::kStageTitleName.screen;

// The talk window: balloons, the first text row of each (three rows of up to
// 17 characters), portraits and name cards (cards 0 and 1 upper, 2 to 12 lower).
using layout::kUpperBalloon, layout::kLowerBalloon, layout::kUpperPortrait, layout::kLowerPortrait;
constexpr int kUpperTextX = layout::kUpperText.x, kUpperTextY = layout::kUpperText.y;
constexpr int kLowerTextX = layout::kLowerText.x, kLowerTextY = layout::kLowerText.y;
constexpr int kTalkRows = 3, kTalkRowChars = 17;
constexpr Box kUpperCard = layout::NameCard(0).screen, kLowerCard = layout::NameCard(2).screen;

}  // namespace demodata::screen
