// The record every enemy-list object shares (enemies, items, the stage-title
// banner), its four operations and the common hit test against player shots.
#pragma once

#include <cstdint>

#include "game/state/Elements.h"

class cEnemyObjectBase {
public:
    cEnemyObjectBase();
    virtual ~cEnemyObjectBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void Update() = 0;
    virtual void HitTest();
    virtual void Draw() = 0;

    uint8_t isDying;
    uint8_t isActive;
    int32_t frame;
    int32_t appearFrame;
    int32_t mode;
    elements::Kind element;
    int32_t radius;
    int32_t type;
    float life;
    int32_t score;
    int32_t angle;
    int32_t turn;
    int32_t dropCode;  // 0 none, else the item objecttype::kDropItems names
    float scaleX;
    float scaleY;
    float x;
    float y;
    float speed;
    float accel;
    uint8_t touchDamage;
    uint8_t solid;
    int32_t work0;
    int32_t work1;
    int32_t work2;
    int32_t work3;
    // The steps of the common Update and Draw frames.
    // x, y move `speed` along `angle` (single-precision results).
    void MoveStep();
    // The heading from the position toward player 1's committed position;
    // the current heading when there is no player 1.
    int32_t AimAtPlayer1() const;
    // A cell centred on the position: (x - scroll - w/2, y - scroll - h/2, w, h).
    void DrawCentred(int32_t slot, float sx, float sy, float w, float h, uint32_t colour) const;

    // 1 once the screen position has been turned into a stage position, so
    // that an object woken again on the same stage frame is not moved twice.
    uint8_t placedOnStage;
};

// Four-direction sheets: 0 right, 1 left, 2 down, 3 up by the stored heading;
// the ranges are tested in that order and a later match wins.
int32_t FourDirectionCell(int32_t angle);

// The shot test of the shared hit test: the integer radius sum against the
// single-precision distance (a shot exactly at the sum still hits).
bool ShotTouches(float ax, float ay, int32_t radiusSum, float bx, float by);
// The hit flash at a shot: the next effect slot without skipping, kind 3, its
// owner left as it was.
void StartHitFlash(int32_t value, float bx, float by);
