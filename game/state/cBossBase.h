// The boss base: what the game scene, the play objects and the talks reach
// through the boss slots. Its bodies, the phase machine and the stage bosses
// live with the bosses; the talks call back only through this declaration.
#pragma once

#include <cstdint>

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
    int32_t element;
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
    int32_t hpTable[8];
    int32_t timeTable[15];
    int32_t bonusTable[6];
    int32_t lastBonus;
    uint8_t bonusValid;
};

// Creates the boss for codes 200..299 (team picks the stage-5 classes), places
// it at (x, y) and writes its class words; null for a code without a class.
cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle);
