// A pooled effect: explosions, sparks, flashes, rings and particles that move,
// fade and draw themselves once per frame on the additive effect sheet.
#pragma once

#include <cstdint>

// The effect kinds by their look, and the bursts that start several at once.
namespace effect {
enum Kind : int32_t {
    kNone = 0,            // an effect never started
    kExplosion = 1,       // a 128-pixel blast
    kSpark = 2,           // a spark thrown out at a random speed
    kHitFlash = 3,        // grows for 15 frames where it stands
    kDebris = 4,          // a flickering piece thrown out
    kSpinningDebris = 5,  // a spinning piece thrown out
    kAbsorbSpark = 6,     // the three that fly toward their owner, a player
    kAbsorbBloom = 7,
    kAbsorbGlow = 8,
    kShockwave = 9,
    kFadingSpark = 10,
    kPuff = 11,
    kSparkle = 12,
    kRing = 13,      // the shared ring, widening by 10
    kConfetti = 14,  // a piece of a colour picked at its first frame
    kFlash = 15,
    kBigFlash = 16,
    kQuickRing = 17,  // the shared ring, widening by 7
    kCount,
};
enum Burst : int32_t {
    kExplosionBurst = 1,  // an explosion and eight pieces
    kShatterBurst = 2,    // ten spinning pieces
    kPuffBurst = 3,       // three puffs
};
}  // namespace effect

class cEffectObjectBase {
public:
    cEffectObjectBase();
    virtual ~cEffectObjectBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void UpdateAndDraw();

    int32_t value;
    int32_t frame;
    effect::Kind kind;
    int32_t angle;
    int32_t spin;
    uint8_t isActive;
    float x;
    float y;
    int32_t owner;  // the player the absorbing kinds fly toward
    float speed;
    uint32_t tint;  // the confetti's colour, picked at its first frame
};

// The ring size shared by every ring effect.
extern int32_t EffectRingCounter;
