// The boss base: what the game scene, the play objects and the talks reach
// through the boss slots. Its bodies, the phase machine and the stage bosses
// live with the bosses, above the play objects: the objects reach them only
// through this interface and the maker the bosses install.
#pragma once

#include <cstdint>

#include "game/state/Elements.h"

// The phases every fight shares. From the opening attack on, attacks (even
// phases) and breaks (odd) alternate until the last attack ends in the
// defeat's pause.
constexpr int32_t kPhaseEntrance = 0;
constexpr int32_t kPhaseTalk = 1;        // the pre-fight talk
constexpr int32_t kPhaseOpening = 2;     // the opening attack, unnamed
constexpr int32_t kPhaseDefeated = 30;   // the pause after the last attack
constexpr int32_t kPhaseAfterTalk = 31;  // the post-fight talk
constexpr int32_t kPhaseCleared = 32;    // the tally, a mid-boss's leave or the ending picture
constexpr int32_t kPhaseEnding = 33;     // the final bosses' closing colour
// The base's tables serve the attacks and breaks up to phase 16: the hp of
// each attack phase, the seconds of every phase, and the bonus of the named
// attacks up to phase 14.
constexpr int32_t kPhaseLastTabled = 16;
constexpr int32_t kPhaseLastBonus = 14;

class cBossBase {
public:
    cBossBase();
    virtual ~cBossBase();

    virtual void SetPosition(int32_t* x, int32_t* y);
    virtual void ResetPhase();
    virtual void Update();
    virtual void HitTest();
    virtual void Draw();
    virtual void DrawLifeGauge();
    virtual void DrawSpellBanner();
    virtual void DrawSpellBonus();
    virtual void NextPhase();
    virtual void MoveTo(float tx, float ty, float step);

    float hp;
    float maxHp;
    int32_t phase;
    int32_t secondsLeft;
    int32_t phaseTimer;
    int32_t animFrame;
    int32_t lastHitter;
    elements::Kind element;
    int32_t appearFrame;
    int32_t radius;
    uint8_t active;
    uint8_t attackRunning;
    float x;
    float y;
    int32_t bannerX;
    int32_t moveAngle;
    int32_t shotAngle;
    float moveSpeed;
    float bonusRects[8];
    int32_t hitBox[4];
    int32_t circleAngle;
    int32_t nameX;
    int32_t nameY;
    int32_t hpTable[(kPhaseLastTabled - kPhaseOpening) / 2 + 1];
    int32_t timeTable[kPhaseLastTabled - kPhaseOpening + 1];
    int32_t bonusTable[(kPhaseLastBonus - kPhaseOpening) / 2];
    int32_t lastBonus;
    uint8_t bonusValid;
};

// Makes the boss for a code 200..299 (team picks the stage-5 classes), places
// it at (x, y) and writes its class words; null for a code without a class.
using StageBossMaker = cBossBase* (*)(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle);
// The bosses install their maker (InstallStageBosses) before any stage starts.
void SetStageBossMaker(StageBossMaker maker);
// The installed maker's boss for a code; null without a maker.
cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle);
