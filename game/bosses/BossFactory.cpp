// The classes behind the boss type codes.
#include "game/bosses/BossFactory.h"

#include "game/bosses/BossCommon.h"
#include "game/bosses/Stage01Boss.h"
#include "game/bosses/Stage02Boss.h"
#include "game/bosses/Stage03Boss.h"
#include "game/bosses/Stage04Boss.h"
#include "game/bosses/Stage05MidBosses.h"
#include "game/bosses/Stage05StageBosses.h"
#include "game/bosses/Stage06Bosses.h"
#include "game/objects/ObjectTypes.h"
#include "game/state/cBossBase.h"

cBossBase* MakeStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    cBossBase* boss = nullptr;
    using namespace objecttype;
    switch (code) {
    case kStage1Boss: boss = new Stage01Boss(); break;
    case kStage2Boss: boss = new Stage02Boss(); break;
    case kStage3Boss: boss = new Stage03Boss(); break;
    case kStage4Boss: boss = new Stage04Boss(); break;
    // Stage 5: each team meets the other team, its partner first.
    case kStage5MidBoss:
        boss = team == 2 ? static_cast<cBossBase*>(new Stage05Boss_Crow()) : new Stage05Boss_Osero();
        break;
    case kStage5Boss: boss = team == 2 ? static_cast<cBossBase*>(new Stage05Boss_Yuri()) : new Stage05Boss(); break;
    case kStage6MidBoss: boss = new Stage06_PaletCopic(); break;
    case kStage6Boss: boss = new Stage06Boss(); break;
    default: return nullptr;
    }
    boss->SetPosition(&x, &y);
    // The stage-3 boss enters along the schedule's angle.
    if (code == kStage3Boss) boss->moveAngle = angle;
    return boss;
}

void InstallStageBosses() { SetStageBossMaker(&MakeStageBoss); }

void ResetBossProgramCounters() {
    Stage02Boss::summonShift = 0;
    for (int32_t& a : Stage04Boss::streamAngle) a = 0;
}
