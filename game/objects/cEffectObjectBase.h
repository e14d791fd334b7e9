// A pooled effect: explosions, sparks, flashes, rings and particles that move,
// fade and draw themselves once per frame on the additive effect sheet.
#pragma once

#include <cstdint>

class cEffectObjectBase {
public:
    cEffectObjectBase();
    virtual ~cEffectObjectBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void UpdateAndDraw();

    int32_t value;
    int32_t frame;
    int32_t kind;
    int32_t angle;
    int32_t spin;
    uint8_t isActive;
    float x;
    float y;
    int32_t owner;  // the player kinds 6, 7 and 8 fly toward
    float speed;
    uint32_t tint;  // kind 14's colour, picked at its first frame
};

// The ring size shared by every kind-13 and kind-17 effect.
extern int32_t EffectRingCounter;
