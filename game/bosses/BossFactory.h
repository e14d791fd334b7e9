// The boss classes behind the type codes, and the maker the play objects
// spawn them through.
#pragma once

#include <cstdint>

#include "game/state/cBossBase.h"

// The boss for a code, as StageBossMaker says.
cBossBase* MakeStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle);
// Installs MakeStageBoss as the stage's boss maker; the game does it as it is
// configured, the tests' fields as they are set up.
void InstallStageBosses();
