// The painters' view of where the game puts what it cuts from the pictures:
// the game's screen layout (game/state/ScreenLayout.h, which the painters
// read as layout::) and what is the painters' own: font sizes, ink heights,
// the parts of a cell a ring takes, the spots their labels stand on.
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

// The stage-clear tally's rows; its labels' capitals, the small digits' ink
// (2 px taller) and the large digits'.
using layout::kTallyRowY;
constexpr int kTallyCapitals = 16, kTallyDigitInk = kTallyCapitals + 2, kTallyTotalInk = 26;

// The configuration's turning panel, grown, at its angle: it grows from the
// menu's width in steps until it passes the configuration's.
constexpr Box kConfigPanel{layout::kPanelOnConfig.x, layout::kPanelOnConfig.y,
                           layout::kPanelOnMenu.w +
                               layout::kPanelWidthStep * ((layout::kPanelOnConfig.w - layout::kPanelOnMenu.w - 1) /
                                                              layout::kPanelWidthStep + 1),
                           layout::kPanelOnConfig.h};

// The key configuration's headers.
using layout::kKeyHeaderX;

// The part of each menu highlight's cell its ring takes, the left's and the
// right's, which the labels stand centred in: a pixel inside the cell at the
// left and the top, and short enough at the foot that the last item's plate
// ends inside the menu's picture.
constexpr Box kMenuRing[2] = {{41, 1, 96, 18}, {46, 1, 76, 18}};
// The difficulty picture with the rotating cursor's centre on level d. The
// cursor turns within kDifficultyMarker px of its centre, which keeps it
// inside the panel on the lowest level (EASY's centre stands 24 px above the
// panel's foot). Each level is a column rising from the panel's floor, its
// lamp, which the cursor lights, kDifficultyLamp px below its top: the
// harder the level, the taller its column.
constexpr Box kDifficulty = layout::kDifficulty.screen;
constexpr Point DifficultyCursor(int d) {
    const Box at = layout::kDifficultyCursor.Screen(d);
    return {float(at.x) + float(at.w) / 2, float(at.y) + float(at.h) / 2};
}
constexpr int kDifficultyMarker = 14, kDifficultyLamp = 84, kDifficultyColumnW = 132;
constexpr Box DifficultyColumn(int d) {
    const int top = int(DifficultyCursor(d).y) - kDifficultyLamp, floor = kDifficulty.y + kDifficulty.h - 8;
    return {int(DifficultyCursor(d).x) - kDifficultyColumnW / 2, top, kDifficultyColumnW, floor - top};
}

// The talk window's text: three rows of up to 17 characters.
constexpr int kTalkRows = 3, kTalkRowChars = 17;

}  // namespace demodata::screen
