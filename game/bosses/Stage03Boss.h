// The stage-3 boss, Still, a shield fighter: spirals on a rectangle, a
// shield that throws back shots of its own element, summoned bits with
// counter fire, and counter volleys from its own hit test; hit from 50 px.
#pragma once

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

class Stage03Boss : public cBossBase {
public:
    Stage03Boss();
    void Update() override;
    void HitTest() override;
    void Draw() override;

    elements::Kind counterElement;  // element of the next counter volley of the last attack
    uint8_t reflecting;      // a reflection of the shield attack is under way
    int32_t reflectTimer;    // its frames left
    int32_t shieldAngle;     // the drawn shield's turn

private:
    static const BossAttack<Stage03Boss> kAttacks[];
    void OpeningAttack();
    void ShieldAttack();
    void BitsAttack();
    void HeroAttack();
    void CounterVolley();
};
