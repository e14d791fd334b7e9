// The play area: the view of the stage the screen shows, at (ScrollX, ScrollY)
// and the screen's size, and where a player or a boss whose box crosses its
// edge is put back.
#pragma once

#include "game/state/ScreenLayout.h"

namespace playarea {

constexpr int kWidth = layout::kScreenWidth, kHeight = layout::kScreenHeight;

// Half the side of each one's box: a player's reaches 20 px from its centre, a
// boss's 30.
constexpr int kPlayerBoxHalf = 20;
constexpr int kBossBoxHalf = 30;

// Where a centre is put back from the view's top-left when the box has crossed
// the left, top, right or bottom edge: that box's half side in from the edge,
// where the box just fits. A boss comes back one pixel further in at the left
// and top, so players stop at 20 / 620 and 20 / 460, bosses at 31 / 610 and 31 / 450.
struct KeptInside {
    int left, top, right, bottom;
};
constexpr KeptInside KeptInsideBy(int boxHalf, int nearEdgeExtra) {
    return {boxHalf + nearEdgeExtra, boxHalf + nearEdgeExtra, kWidth - boxHalf, kHeight - boxHalf};
}
constexpr KeptInside kPlayerKept = KeptInsideBy(kPlayerBoxHalf, 0);
constexpr KeptInside kBossKept = KeptInsideBy(kBossBoxHalf, 1);

}  // namespace playarea
