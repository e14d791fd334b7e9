// The stage-2 boss, Fururu: ring volleys on a square path, summons whose
// rhythm a program-wide counter shifts from fight to fight, a ring of kind
// 11, and ring volleys cycling through three elements.
#pragma once

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

class Stage02Boss : public cBossBase {
public:
    Stage02Boss();
    void Update() override;
    void Draw() override;

    int32_t ringElement;  // the element cycle 0, 1, 2 of the last attack's rings

    // Shifts the summoning rhythm of the first named attack; never reset in
    // play (only tests reset it), it grows by 60 every 2000 frames of that attack.
    static int32_t summonShift;

private:
    static const BossAttack<Stage02Boss> kAttacks[];
    void OpeningAttack();
    void FlowerAttack();
    void DisperserAttack();
    void RingAttack();
};
