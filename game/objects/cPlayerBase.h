// A player character: one class for the four characters, at most two objects
// (Player1, Player2). Movement, push-apart, collisions, the miss, drawing and
// the per-character actions.
#pragma once

#include <cstdint>

#include "game/objects/cEffectObjectBase.h"
#include "game/state/Elements.h"


class cPlayerBase {
public:
    cPlayerBase();
    virtual ~cPlayerBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void Move();
    virtual void Act();
    virtual void PushApart();
    virtual void HitTest();
    virtual void UndoMove();
    virtual void Damage(int32_t amount);
    virtual void Draw();
    virtual void Reset();

    int32_t life;
    int32_t stock;
    int32_t playerIndex;
    int32_t animDir;
    int32_t shotWait;
    int32_t shotFrame;
    int32_t animFrame;
    int32_t changeWait;
    int32_t chargeCount;
    int32_t score;
    int32_t stageScore[6];
    float gauge;
    int32_t absorbCount;
    int32_t itemCount;
    int32_t cellBase;
    int32_t firstCharacter;
    elements::Kind element;
    int32_t character;
    uint8_t isActive;
    uint8_t isInvincible;
    uint8_t passThrough;
    uint8_t canForce;
    int32_t passThroughTimer;
    uint8_t chargeShotOn;
    int32_t chargeShotTimer;
    int32_t hitRadius;
    int32_t absorbRadius;
    int32_t absorbRadiusMax;
    int32_t forceTimer;
    int32_t facing;
    int32_t savedFacing;
    int32_t savedAnimDir;
    int32_t circleSpin;
    float x;
    float y;
    float aimX;
    float aimY;
    float speedX;
    float speedY;
    float cutInX;
    int32_t cutInFrame;
    uint8_t cutInOn;
    int32_t invincibleCount;
    uint8_t noMiss;
    int32_t boxLeft;
    int32_t boxTop;
    int32_t boxRight;
    int32_t boxBottom;

    // The box from the moved position.
    void UpdateBox();
    // An effect started by hand: next slot, kind, speed, own element and index.
    cEffectObjectBase* StartEffect(effect::Kind kind, float effectSpeed, int32_t px, int32_t py);

private:
    void HitTestBlocks();
    void ActCharacter();
};

// The player a shot or effect owner index names (0 player 1, 1 player 2), or null.
cPlayerBase* PlayerOfIndex(int32_t owner);
