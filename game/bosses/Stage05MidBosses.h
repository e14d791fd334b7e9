// The stage-5 mid-bosses: the other team's partner meets the player first.
// Osero (team 1 meets her) summons fields, jets and a big bang; Crow (team 2
// meets him) throws knives, runs a hexagon and splits into a mirror image.
// Both leave after their talk, dropping an extra life, and the stage goes on.
#pragma once

#include <cstdint>

#include "game/bosses/ProfiledBoss.h"

class Stage05Boss_Osero : public ProfiledBoss {
public:
    Stage05Boss_Osero();

protected:
    void DrawBody() override;
    void Depart() override;

private:
    static const Attack kAttacks[];
    void SummonAttack();
    void JetAttack();
    void BigBangAttack();
};

class Stage05Boss_Crow : public ProfiledBoss {
public:
    Stage05Boss_Crow();

    float imageX, imageY;  // the mirror image of the last attack (stage position)
    int32_t volleyCount;   // frames of the knife volleys, 0..40
    elements::Kind sideElement;   // element of the cross knives' side pair
    uint8_t doubleShot;    // after the opening attack's first lap

protected:
    void BreakEnded(int32_t breakPhase) override;
    void DrawBody() override;
    void DrawOver() override;
    void Depart() override;

private:
    static const Attack kAttacks[];
    void KnifeAttack();
    void CrossAttack();
    void MirageAttack();
    int32_t cell_ = 0;
};
