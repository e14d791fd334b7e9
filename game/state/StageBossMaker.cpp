// The one way from the play objects up to the bosses: the maker they install.
#include "game/state/cBossBase.h"

namespace {
StageBossMaker gMaker = nullptr;
}  // namespace

void SetStageBossMaker(StageBossMaker maker) { gMaker = maker; }

cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    return gMaker ? gMaker(code, team, x, y, angle) : nullptr;
}
