// The classes behind the boss type codes.
#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    cBossBase* boss = nullptr;
    switch (code) {
    default: return nullptr;
    }
    boss->SetPosition(&x, &y);
    return boss;
}

void ResetBossProgramCounters() {}
