// A pooled enemy bullet: eighteen motion kinds and the graphic table that
// decides its picture and its hit radius.
#pragma once

#include <cstdint>

class cEnemyBulletBase {
public:
    cEnemyBulletBase();
    virtual ~cEnemyBulletBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void Move();
    virtual void Draw();

    uint8_t isActive;
    int32_t element;  // 0, 1; 2 hurts everyone; 3, 4 invisible emitters; 10 cancelled
    int32_t frame;
    int32_t damage;
    float x;
    float y;
    int32_t radius;
    int32_t motionKind;
    int32_t graphicKind;
    int32_t angle;
    int32_t turn;
    int32_t spin;
    float speed;
    float accel;
};

// The fade counter shared by every graphic-13 bullet.
extern int32_t BulletFadeCounter;
