// What each bullet graphic kind draws: its sheet, source and destination, how
// it turns, its colour, and the hit radius it gives. The bullets draw from
// these; the tests read them.
#pragma once

#include <cstdint>

#include "game/objects/cEnemyBulletBase.h"
#include "game/state/SpriteTable.h"

namespace bulletlook {

enum Turn : uint8_t {
    kPlain,       // unturned draw
    kSpinAdd,     // spin += step, turned by spin
    kSpinIsAngle, // spin = angle, turned by angle + step
    kAngle,       // turned by angle + step
    kSpinZero,    // spin = 0, turned by 0
};

struct Graphic {
    int16_t radius;         // -1: kept
    int8_t slot;
    int16_t c, sy, sw, sh;  // the source; c is element 0's x, each element 512 px right of it
    int16_t ox, oy, w, h;   // drawn at the bullet less (ox, oy), w x h
    Turn turn;
    int32_t step;
    int16_t alpha;
    uint8_t grey;
};

// Slot 0 marks a kind that draws nothing.
constexpr Graphic kDrawsNothing{};

constexpr Graphic GraphicOf(BulletGraphic kind) {
    using enum BulletGraphic;
    using namespace sheet;
    switch (kind) {
    case kOrb:
        return {.radius = 4, .slot = kParticles, .c = 109, .sy = 0, .sw = 30, .sh = 29, .ox = 15, .oy = 15, .w = 30,
                .h = 29, .turn = kPlain, .alpha = 255, .grey = 255};
    case kRingedOrb:
        return {.radius = 14, .slot = kParticles, .c = 148, .sy = 132, .sw = 64, .sh = 70, .ox = 32, .oy = 35, .w = 64,
                .h = 70, .turn = kSpinAdd, .step = 190, .alpha = 255, .grey = 255};
    case kMidOrb:
        return {.radius = 6, .slot = kParticles, .c = 105, .sy = 165, .sw = 43, .sh = 43, .ox = 21, .oy = 21, .w = 43,
                .h = 43, .turn = kSpinAdd, .step = 260, .alpha = 255, .grey = 255};
    case kHugeOrb:
        return {.radius = 45, .slot = kParticles, .c = 167, .sy = 202, .sw = 120, .sh = 120, .ox = 60, .oy = 60,
                .w = 120, .h = 120, .turn = kSpinAdd, .step = 260, .alpha = 255, .grey = 255};
    case kRice:
        return {.radius = 3, .slot = kParticles, .c = 88, .sy = 0, .sw = 20, .sh = 7, .ox = 10, .oy = 3, .w = 20,
                .h = 7, .turn = kSpinAdd, .step = 260, .alpha = 255, .grey = 255};
    case kNeedle:
        return {.radius = 3, .slot = kParticles, .c = 354, .sy = 0, .sw = 13, .sh = 40, .ox = 6, .oy = 20, .w = 13,
                .h = 40, .turn = kSpinIsAngle, .step = 16383, .alpha = 255, .grey = 255};
    case kStar:
        return {.radius = 3, .slot = kParticles, .c = 334, .sy = 93, .sw = 27, .sh = 27, .ox = 13, .oy = 13, .w = 27,
                .h = 27, .turn = kSpinAdd, .step = 300, .alpha = 255, .grey = 255};
    case kCross:
        return {.radius = 3, .slot = kParticles, .c = 0, .sy = 38, .sw = 35, .sh = 35, .ox = 17, .oy = 17, .w = 35,
                .h = 35, .turn = kSpinAdd, .step = 300, .alpha = 255, .grey = 255};
    case kBead:
        return {.radius = 6, .slot = kParticles, .c = 43, .sy = 100, .sw = 24, .sh = 24, .ox = 12, .oy = 12, .w = 24,
                .h = 24, .turn = kSpinZero, .alpha = 255, .grey = 255};
    case kDot:
        return {.radius = 2, .slot = kParticles, .c = 0, .sy = 75, .sw = 14, .sh = 14, .ox = 7, .oy = 7, .w = 14,
                .h = 14, .turn = kSpinAdd, .step = 200, .alpha = 255, .grey = 255};
    case kRing:
        return {.radius = 16, .slot = kParticles, .c = 98, .sy = 30, .sw = 72, .sh = 72, .ox = 36, .oy = 36, .w = 72,
                .h = 72, .turn = kSpinAdd, .step = 200, .alpha = 255, .grey = 255};
    case kFadingBead:
        return {.radius = 10, .slot = kParticles, .c = 43, .sy = 100, .sw = 24, .sh = 24, .ox = 12, .oy = 12, .w = 24,
                .h = 24, .turn = kPlain, .alpha = 0, .grey = 255};
    case kSliver:
        return {.radius = 2, .slot = kParticles, .c = 30, .sy = 99, .sw = 13, .sh = 25, .ox = 6, .oy = 12, .w = 13,
                .h = 25, .turn = kAngle, .step = 16385, .alpha = 255, .grey = 255};
    case kSizedGlow:
        return {.radius = -1, .slot = kParticles, .c = 0, .sy = 197, .sw = 84, .sh = 84, .ox = 0, .oy = 0, .w = 0,
                .h = 0, .turn = kSpinAdd, .step = 200, .alpha = 190, .grey = 255};
    case kRandomGlow:
        return {.radius = -1, .slot = kParticles, .c = 0, .sy = 281, .sw = 84, .sh = 84, .ox = 0, .oy = 0, .w = 0,
                .h = 0, .turn = kSpinAdd, .step = 200, .alpha = 190, .grey = 255};
    case kCrescent:
        return {.radius = 8, .slot = kParticles, .c = 87, .sy = 208, .sw = 80, .sh = 80, .ox = 40, .oy = 40, .w = 80,
                .h = 80, .turn = kAngle, .alpha = 0, .grey = 255};
    case kBubble:
        return {.radius = 40, .slot = kParticles, .c = 431, .sy = 63, .sw = 80, .sh = 80, .ox = 40, .oy = 40, .w = 80,
                .h = 80, .turn = kPlain, .alpha = 240, .grey = 255};
    case kWideGlow:
        return {.radius = 30, .slot = kParticles, .c = 0, .sy = 282, .sw = 84, .sh = 84, .ox = 42, .oy = 42, .w = 84,
                .h = 84, .turn = kSpinAdd, .step = 200, .alpha = 190, .grey = 255};
    case kNarrowGlow:
        return {.radius = 10, .slot = kParticles, .c = 0, .sy = 282, .sw = 84, .sh = 84, .ox = 42, .oy = 42, .w = 84,
                .h = 84, .turn = kSpinAdd, .step = 200, .alpha = 190, .grey = 255};
    case kFaintOrb:
        return {.radius = 3, .slot = kParticles, .c = 318, .sy = 136, .sw = 40, .sh = 40, .ox = 20, .oy = 20, .w = 40,
                .h = 40, .turn = kAngle, .alpha = 180, .grey = 255};
    case kFaintCapsule:
        return {.radius = 3, .slot = kParticles, .c = 358, .sy = 136, .sw = 52, .sh = 26, .ox = 26, .oy = 13, .w = 52,
                .h = 26, .turn = kAngle, .alpha = 180, .grey = 255};
    case kFaintSmallOrb:
        return {.radius = 3, .slot = kParticles, .c = 0, .sy = 143, .sw = 29, .sh = 29, .ox = 14, .oy = 14, .w = 29,
                .h = 29, .turn = kAngle, .alpha = 180, .grey = 255};
    case kArrow:
        return {.radius = 3, .slot = kParticles, .c = 140, .sy = 0, .sw = 19, .sh = 30, .ox = 9, .oy = 15, .w = 19,
                .h = 30, .turn = kAngle, .step = -16384, .alpha = 200, .grey = 255};
    case kDimSpark:
        return {.radius = 5, .slot = kGlowParticles, .c = 0, .sy = 89, .sw = 30, .sh = 29, .ox = 13, .oy = 13, .w = 30,
                .h = 29, .turn = kAngle, .alpha = 250, .grey = 90};
    case kSpark:
        return {.radius = 4, .slot = kGlowParticles, .c = 212, .sy = 162, .sw = 40, .sh = 40, .ox = 20, .oy = 20,
                .w = 40, .h = 40, .turn = kAngle, .alpha = 200, .grey = 230};
    case kBrightNeedle:
        return {.radius = 3, .slot = kGlowParticles, .c = 354, .sy = 0, .sw = 13, .sh = 40, .ox = 6, .oy = 20, .w = 13,
                .h = 40, .turn = kSpinIsAngle, .step = 16383, .alpha = 200, .grey = 210};
    case kBigSpark:
        return {.radius = 25, .slot = kGlowParticles, .c = 252, .sy = 136, .sw = 66, .sh = 66, .ox = 50, .oy = 50,
                .w = 100, .h = 100, .turn = kAngle, .alpha = 200, .grey = 230};
    case kBrightCapsule:
        return {.radius = 3, .slot = kGlowParticles, .c = 358, .sy = 136, .sw = 52, .sh = 26, .ox = 26, .oy = 13,
                .w = 52, .h = 26, .turn = kAngle, .alpha = 180, .grey = 255};
    case kSmallCapsule:
        return {.radius = 3, .slot = kGlowParticles, .c = 410, .sy = 144, .sw = 50, .sh = 50, .ox = 12, .oy = 12,
                .w = 25, .h = 25, .turn = kAngle, .alpha = 230, .grey = 255};
    case kCancelled:
        return {.radius = 4, .slot = kEffects, .c = 400, .sy = 128, .sw = 20, .sh = 20, .ox = 10, .oy = 10, .w = 20,
                .h = 20, .turn = kPlain, .alpha = 180, .grey = 255};
    default: return kDrawsNothing;
    }
}

}  // namespace bulletlook
