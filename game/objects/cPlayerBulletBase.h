// A pooled player shot: seven motion kinds and seven looks.
#pragma once

#include <cstdint>

#include "game/state/Elements.h"

class cPlayerBulletBase {
public:
    cPlayerBulletBase();
    virtual ~cPlayerBulletBase();
    virtual void Move();
    virtual void Draw();

    uint8_t isActive;
    int32_t owner;
    int32_t motion;
    int32_t look;
    int32_t radius;
    int32_t angle;
    int32_t spin;
    int32_t frame;
    float power;
    elements::Kind element;
    float x;
    float y;
    float speed;
    float accel;
};
