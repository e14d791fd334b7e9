// The stage's scroll script: the view moves by fixed steps in fixed windows of
// the stage frame, per stage and difficulty.
#pragma once

#include <cstdint>

// One play frame: the stage frame advances and the view moves, unless halted.
void UpdateStageScroll();
