// The stage-1 boss, the cat girl Shamyu: a slow circle, dashes that restart
// once she has left the view, a chase, and half rings thrown at the edge.
#pragma once

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

class Stage01Boss : public cBossBase {
public:
    Stage01Boss();
    void Update() override;
    void Draw() override;

    int32_t chaseTarget;  // the player's direction during the hardest chase

private:
    static const BossAttack<Stage01Boss> kAttacks[];
    void OpeningAttack();
    void TailAttack();
    void ChaseAttack();
    void DashAttack();
};
