// The stage-5 stage bosses: Cheska, whom team 1 meets, and Yuri, whom team 2
// meets. Each fights five named attacks (three on difficulty 0), then fades
// to the ending picture, runs the epilogue and raises the tally.
#pragma once

#include <cstdint>

#include "game/bosses/ProfiledBoss.h"

class Stage05Boss : public ProfiledBoss {
public:
    Stage05Boss();

    int32_t aimScratch;  // the aim of the light-and-dark stream

protected:
    void DrawBody() override;

private:
    static const Attack kAttacks[];
    void OpeningAttack();
    void CatAttack();
    void SpinnerAttack();
    void GuidePostAttack();
    void WallAttack();
    void LastAttack();
};

class Stage05Boss_Yuri : public ProfiledBoss {
public:
    Stage05Boss_Yuri();

    int32_t ringScratch;  // the ring angle of the closing rings
    elements::Kind altElement;   // element of the fans, toggled after each fan
    int32_t loopLength;   // the shrinking period of the looping attacks

protected:
    void BreakEnded(int32_t breakPhase) override;
    void DrawBody() override;

private:
    static const Attack kAttacks[];
    void OpeningAttack();
    void RailgunAttack();
    void FanAttack();
    void SparkAttack();
    void SurpriseAttack();
    void FinishAttack();
};
