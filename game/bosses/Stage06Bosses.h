// The extra stage's bosses, the same for both teams: the painter pair Palet
// and Copic (one boss with two bodies), and Deena, whose defeat ends the game.
#pragma once

#include <cstdint>

#include "game/bosses/ProfiledBoss.h"
#include "game/state/cBossBase.h"

class Stage06_PaletCopic : public cBossBase {
public:
    Stage06_PaletCopic();
    void Update() override;
    void HitTest() override;
    void Draw() override;

    float imageX, imageY;  // Copic's centre (stage position)
    int32_t copicAngle;    // Copic's flight and the spiral of the returned shots
    int32_t copicSpin;
    int32_t burstAngle;    // direction of the friendship burst's point
    elements::Kind copicElement;  // Copic's circle cell
    int32_t backAlpha;     // the backdrop behind the pair
    int32_t wallX, wallY;  // Copic's drawn wall
    int32_t wallAngle;
    uint8_t wallActive;
    int32_t copicBox[4];
    int32_t wallHits;  // player shots the wall swallowed

private:
    // Where a break takes each body: Palet's and Copic's screen points.
    struct Bands {
        float paletX, paletY, copicX, copicY;
    };
    static const BossAttack<Stage06_PaletCopic, Bands> kAttacks[];

    void OpeningAttack();
    void DefenceAttack();
    void ReturnAttack();
    void BurstAttack();
    void BeamAttack();
    void BreakFrame(const Bands& to);
    void EndAttack();
    // Each body steps toward its band below the screen point (tx, ty).
    void StepPalet(float tx, float ty, float step);
    void StepCopic(float tx, float ty, float step);
    void PlaceWall(float dy, int32_t angle);
    void Burst(int32_t count, int32_t elements);
};

class Stage06Boss : public ProfiledBoss {
public:
    Stage06Boss();
    void Draw() override;

    int32_t backAlpha;   // the current background's alpha; 0 after each attack
    int32_t decorAngle;  // the turning decoration
    int32_t colorIndex;  // element 0, 1, 2 of the shackles' spokes
    int32_t spinStep;    // the opening spin's growing step
    int32_t secondAngle;
    int32_t loopLength;   // the shrinking period of the fallen angel's summons
    uint8_t cornersDone;  // the beam stage of the last attack has begun
    float playerDistance;

    // The stage of the last attack for its hp and seconds: 1 the walls, 2 the
    // circling bursts, 3 the beams.
    static int32_t LastAttackStage(float hp, int32_t secondsLeft);

protected:
    void BreakEnded(int32_t breakPhase) override;
    void DrawBody() override;
    void TallyRaised() override;

private:
    static const Attack kAttacks[];
    void SpinAttack();
    void BallAttack();
    void CrossroadAttack();
    void ShackleAttack();
    void RestAttack();
    void StreamAttack();
    void LastAttack();
    void EndNamedAttack();
    void DrawBackground();
};
