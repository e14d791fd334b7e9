#include "game/shell/StageScroll.h"

#include "game/shell/Stages.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

void UpdateStageScroll() {
    if (ScrollHalt) return;
    // The frame counts for the whole stage; a wrap would need a year of play.
    StageFrame = static_cast<int32_t>(static_cast<uint32_t>(StageFrame) + 1u);
    const Stage* stage = StageRow(GameState.stage);
    const ScrollWindow* windows = stage ? stage->ScrollFor(GameState.difficulty) : nullptr;
    if (!windows) return;
    for (size_t i = 0; i < kScrollWindows && windows[i].first != 0; ++i) {
        const ScrollWindow& w = windows[i];
        if (StageFrame < w.first || StageFrame > w.last) continue;
        ScrollX += w.dx;
        ScrollY += w.dy;
        if (w.dy2 != 0) ScrollY += w.dy2;
        return;
    }
}
