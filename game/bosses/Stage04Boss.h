// The stage-4 boss, the twins Momo and Nono: one boss with two bodies on one
// hp, holding formation around player 1, streams, walls, a ball thrown
// between them, a pinball and two chasing rings.
#pragma once

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

class Stage04Boss : public cBossBase {
public:
    Stage04Boss();
    void Update() override;
    void HitTest() override;
    void Draw() override;

    float x2, y2;         // body 2's centre (stage coordinates)
    int32_t chaseAngle2;  // body 2's chase heading
    elements::Kind element2;  // body 2's element
    int32_t hitBox2[4];   // body 2's box

    // The second stream's heading of the opening attack, one per difficulty:
    // never reset in play (only tests reset it), it turns every frame of that attack.
    static int32_t streamAngle[3];

private:
    // Where a break takes the bodies: offsets from player 1 or, for the
    // corners, screen points; body 1 first.
    struct Places {
        bool nearPlayer;
        float x1, y1, x2, y2;
    };
    static const BossAttack<Stage04Boss, Places> kAttacks[];

    void Formation(float dx1, float dy1, float dx2, float dy2, float stepX, float stepY);
    void OpeningAttack();
    void GardenAttack();
    void CatchBallAttack();
    void PinballAttack();
    void TagAttack();
    void HoldBalls();
    void BreakMoves(const Places& to);
    void EndStep();
};
