// A pooled enemy bullet: eighteen motion kinds and the graphic table that
// decides its picture and its hit radius.
#pragma once

#include <cstdint>

#include "game/state/Elements.h"

// How a bullet moves each frame (its motionKind). "Steps" is one move of
// `speed` px along its heading; most kinds add `accel` to the speed.
enum class BulletMotion : int32_t {
    kUnfired = 0,         // never fired: does not move
    kPlain = 1,           // steps, turns by `turn`
    kPlain2 = 2,          // moves as kPlain under a code of its own
    kAimsAt90 = 3,        // steps; at frame 90 heads for player 1 once
    kSower = 4,           // steps and spins, dropping a kPlain2 of a random element every 20 frames
    kSideEmitter = 5,     // steps and turns, firing a kAimsAt90 to its side every 5 frames
    kHoming = 6,          // heads for player 1 every frame
    kEndsAt140 = 7,       // kPlain, gone at frame 140
    kTurnsTo200 = 8,      // turns and speeds up until frame 200, then flies straight
    kLoop = 9,            // circles (4 px, 500 a frame) while drifting along `turn`
    kZigzag = 10,         // 3 px a frame, swinging by `turn` every 40 frames
    kTurnsAt160 = 11,     // steps; turns by `turn` once at frame 160
    kSteering = 12,       // steps, turning by `turn` toward player 1
    kEndsAt400 = 13,      // steps, gone at frame 400
    kWaits150 = 14,       // still until frame 150, then steps
    kSlowing = 15,        // loses half a percent of its speed a frame, gone at 225
    kSpeedsUpTo60 = 16,   // speeds up until frame 60, then steps
    kWideLoop = 17,       // circles (3 px, 300 a frame) while drifting along `turn`
    kTurnsEvery45 = 18,   // steps, a sixth of a turn every 45 frames up to 240
    kEnd,                 // past the last motion
};

// What a bullet shows and how far it hits (its graphicKind); the pictures of
// 1 to 24 are drawn blended, those of 50 to 55 and 100 additive.
enum class BulletGraphic : int32_t {
    kNone = 0,            // an invisible emitter
    kOrb = 1,             // 30 x 29, unturned
    kRingedOrb = 2,       // 64 x 70, spinning
    kMidOrb = 3,          // 43 x 43, spinning
    kHugeOrb = 4,         // 120 x 120, spinning
    kRice = 5,            // 20 x 7, spinning
    kNeedle = 6,          // 13 x 40, along its heading
    kStar = 7,            // 27 x 27, spinning
    kCross = 8,           // 35 x 35, spinning
    kBead = 9,            // 24 x 24, unturned
    kDot = 10,            // 14 x 14, spinning
    kRing = 11,           // 72 x 72, spinning
    kFadingBead = 13,     // kBead's picture, fading with the shared counter
    kSliver = 14,         // 13 x 25, along its heading
    kSizedGlow = 15,      // drawn at twice the radius it was given
    kRandomGlow = 16,     // drawn at twice a random radius
    kCrescent = 17,       // 80 x 80, along its heading, fading
    kBubble = 18,         // 80 x 80, unturned
    kWideGlow = 19,       // 84 x 84, spinning, hitting within 30
    kNarrowGlow = 20,     // kWideGlow's picture hitting within 10
    kFaintOrb = 21,       // 40 x 40, along its heading
    kFaintCapsule = 22,   // 52 x 26, along its heading
    kFaintSmallOrb = 23,  // 29 x 29, along its heading
    kArrow = 24,          // 19 x 30, along its heading
    kDimSpark = 50,       // 30 x 29
    kSpark = 51,          // 40 x 40
    kBrightNeedle = 52,   // kNeedle's picture
    kBigSpark = 53,       // 66 x 66 drawn at 100 x 100
    kBrightCapsule = 54,  // kFaintCapsule's picture
    kSmallCapsule = 55,   // 50 x 50 drawn at 25 x 25
    kCancelled = 100,     // the spark of a cancelled bullet, of no element
};

class cEnemyBulletBase {
public:
    cEnemyBulletBase();
    virtual ~cEnemyBulletBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void Move();
    virtual void Draw();

    uint8_t isActive;
    elements::Kind element;
    int32_t frame;
    int32_t damage;
    float x;
    float y;
    int32_t radius;
    BulletMotion motionKind;
    BulletGraphic graphicKind;
    int32_t angle;
    int32_t turn;
    int32_t spin;
    float speed;
    float accel;
};

// The fade counter shared by every graphic-13 bullet.
extern int32_t BulletFadeCounter;
