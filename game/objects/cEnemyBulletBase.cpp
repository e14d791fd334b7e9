#include "game/objects/cEnemyBulletBase.h"

#include "engine/core/KestraMath.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"

int32_t BulletFadeCounter = 0;

namespace {

enum Turn : uint8_t {
    kPlain,       // unturned draw
    kSpinAdd,     // spin += step, turned by spin
    kSpinIsAngle, // spin = angle, turned by angle + step
    kAngle,       // turned by angle + step
    kSpinZero,    // spin = 0, turned by 0
};

struct Graphic {
    int16_t radius;  // -1: kept
    int8_t slot;
    int16_t c, sy, sw, sh;
    int16_t ox, oy, w, h;
    Turn turn;
    int32_t step;
    int16_t alpha;
    uint8_t grey;
};

// Indexed by graphic kind; slot 0 marks a kind that draws nothing.
constexpr Graphic kDrawsNothing{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kPlain, 0, 0, 0};

constexpr Graphic GraphicOf(int32_t kind) {
    using enum BulletGraphic;
    using namespace sheet;
    switch (static_cast<BulletGraphic>(kind)) {
    case kOrb: return {4, kParticles, 109, 0, 30, 29, 15, 15, 30, 29, kPlain, 0, 255, 255};
    case kRingedOrb: return {14, kParticles, 148, 132, 64, 70, 32, 35, 64, 70, kSpinAdd, 190, 255, 255};
    case kMidOrb: return {6, kParticles, 105, 165, 43, 43, 21, 21, 43, 43, kSpinAdd, 260, 255, 255};
    case kHugeOrb: return {45, kParticles, 167, 202, 120, 120, 60, 60, 120, 120, kSpinAdd, 260, 255, 255};
    case kRice: return {3, kParticles, 88, 0, 20, 7, 10, 3, 20, 7, kSpinAdd, 260, 255, 255};
    case kNeedle: return {3, kParticles, 354, 0, 13, 40, 6, 20, 13, 40, kSpinIsAngle, 16383, 255, 255};
    case kStar: return {3, kParticles, 334, 93, 27, 27, 13, 13, 27, 27, kSpinAdd, 300, 255, 255};
    case kCross: return {3, kParticles, 0, 38, 35, 35, 17, 17, 35, 35, kSpinAdd, 300, 255, 255};
    case kBead: return {6, kParticles, 43, 100, 24, 24, 12, 12, 24, 24, kSpinZero, 0, 255, 255};
    case kDot: return {2, kParticles, 0, 75, 14, 14, 7, 7, 14, 14, kSpinAdd, 200, 255, 255};
    case kRing: return {16, kParticles, 98, 30, 72, 72, 36, 36, 72, 72, kSpinAdd, 200, 255, 255};
    case kFadingBead: return {10, kParticles, 43, 100, 24, 24, 12, 12, 24, 24, kPlain, 0, 0, 255};
    case kSliver: return {2, kParticles, 30, 99, 13, 25, 6, 12, 13, 25, kAngle, 16385, 255, 255};
    case kSizedGlow: return {-1, kParticles, 0, 197, 84, 84, 0, 0, 0, 0, kSpinAdd, 200, 190, 255};
    case kRandomGlow: return {-1, kParticles, 0, 281, 84, 84, 0, 0, 0, 0, kSpinAdd, 200, 190, 255};
    case kCrescent: return {8, kParticles, 87, 208, 80, 80, 40, 40, 80, 80, kAngle, 0, 0, 255};
    case kBubble: return {40, kParticles, 431, 63, 80, 80, 40, 40, 80, 80, kPlain, 0, 240, 255};
    case kWideGlow: return {30, kParticles, 0, 282, 84, 84, 42, 42, 84, 84, kSpinAdd, 200, 190, 255};
    case kNarrowGlow: return {10, kParticles, 0, 282, 84, 84, 42, 42, 84, 84, kSpinAdd, 200, 190, 255};
    case kFaintOrb: return {3, kParticles, 318, 136, 40, 40, 20, 20, 40, 40, kAngle, 0, 180, 255};
    case kFaintCapsule: return {3, kParticles, 358, 136, 52, 26, 26, 13, 52, 26, kAngle, 0, 180, 255};
    case kFaintSmallOrb: return {3, kParticles, 0, 143, 29, 29, 14, 14, 29, 29, kAngle, 0, 180, 255};
    case kArrow: return {3, kParticles, 140, 0, 19, 30, 9, 15, 19, 30, kAngle, -16384, 200, 255};
    case kDimSpark: return {5, kGlowParticles, 0, 89, 30, 29, 13, 13, 30, 29, kAngle, 0, 250, 90};
    case kSpark: return {4, kGlowParticles, 212, 162, 40, 40, 20, 20, 40, 40, kAngle, 0, 200, 230};
    case kBrightNeedle: return {3, kGlowParticles, 354, 0, 13, 40, 6, 20, 13, 40, kSpinIsAngle, 16383, 200, 210};
    case kBigSpark: return {25, kGlowParticles, 252, 136, 66, 66, 50, 50, 100, 100, kAngle, 0, 200, 230};
    case kBrightCapsule: return {3, kGlowParticles, 358, 136, 52, 26, 26, 13, 52, 26, kAngle, 0, 180, 255};
    case kSmallCapsule: return {3, kGlowParticles, 410, 144, 50, 50, 12, 12, 25, 25, kAngle, 0, 230, 255};
    case kCancelled: return {4, kEffects, 400, 128, 20, 20, 10, 10, 20, 20, kPlain, 0, 180, 255};
    default: return kDrawsNothing;
    }
}

}  // namespace

cEnemyBulletBase::cEnemyBulletBase()
    : isActive(0), element(1), frame(0), damage(1), x(0.0f), y(0.0f), radius(8), motionKind(0), graphicKind(0),
      angle(0), turn(0), spin(0), speed(0.0f), accel(0.0f) {}

cEnemyBulletBase::~cEnemyBulletBase() = default;

void cEnemyBulletBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

void cEnemyBulletBase::Move() {
    if (motionKind < KindCode(BulletMotion::kPlain) || motionKind >= KindCode(BulletMotion::kEnd)) return;
    const auto step = [this] {
        x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
        y = y + Kestra::Sin(angle) * speed;
    };
    const auto along = [this](int32_t direction, float distance) {
        x = x + Kestra::Cos(static_cast<uint32_t>(direction)) * distance;
        y = y + Kestra::Sin(direction) * distance;
    };
    const auto aimAtPlayer1 = [this](int32_t* out) {
        if (!Player1) return false;
        *out = static_cast<int32_t>(Kestra::Atan(Player1->aimX - x, Player1->aimY - y));
        return true;
    };
    if (motionKind == KindCode(BulletMotion::kSlowing)) speed = speed - speed * 0.005f;
    frame += 1;
    using enum BulletMotion;
    switch (static_cast<BulletMotion>(motionKind)) {
    case kPlain:
    case kPlain2:
        step();
        angle = WrapAdd(angle, turn);
        speed += accel;
        break;
    case kAimsAt90:
        step();
        speed += accel;
        if (frame == 90) aimAtPlayer1(&angle);
        break;
    case kSower:
        step();
        speed += accel;
        angle = WrapAdd(angle, 50);
        if (frame % 20 == 0) {
            const int32_t childElement = GameRand() % 2;
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb, .angle = angle,
                              .element = childElement, .speed = 0.0f, .accel = 0.005f});
        }
        break;
    case kSideEmitter:
        step();
        angle = WrapAdd(angle, turn);
        speed += accel;
        if (frame % 5 == 0) {
            FireBullet(x, y, {.motion = Bullet::kAimsAt90, .graphic = Bullet::kOrb, .angle = WrapAdd(angle, 15535),
                              .element = WrapAdd(element, -elements::kFireEmitter), .speed = 3.0f, .accel = 0.01f});
        }
        break;
    case kHoming:
        aimAtPlayer1(&angle);
        step();
        speed += accel;
        break;
    case kEndsAt140:
        step();
        angle = WrapAdd(angle, turn);
        speed += accel;
        if (frame == 140) isActive = 0;
        break;
    case kTurnsTo200:
        step();
        if (frame <= 200) {
            speed += accel;
            angle = WrapAdd(angle, turn);
        }
        break;
    case kLoop:
        along(angle, 4.0f);
        angle = WrapAdd(angle, 500);
        along(turn, speed);
        speed += accel;
        break;
    case kZigzag:
        along(angle, 3.0f);
        speed += accel;
        if ((frame + 40) % 80 == 0) angle = WrapAdd(angle, turn);
        if (frame % 80 == 0) angle = WrapAdd(angle, -turn);
        break;
    case kTurnsAt160:
        step();
        speed += accel;
        if (frame == 160) angle = WrapAdd(angle, turn);
        break;
    case kSteering: {
        step();
        speed += accel;
        int32_t t = 0;
        if (aimAtPlayer1(&t)) angle = t > angle ? WrapAdd(angle, turn) : WrapAdd(angle, -turn);
        break;
    }
    case kEndsAt400:
        step();
        speed += accel;
        if (frame == 400) isActive = 0;
        break;
    case kWaits150:
        if (frame >= 150) {
            step();
            speed += accel;
        }
        break;
    case kSlowing:
        step();
        if (frame == 225) isActive = 0;
        break;
    case kSpeedsUpTo60:
        if (frame <= 60) speed += accel;
        step();
        break;
    case kWideLoop:
        along(angle, 3.0f);
        angle = WrapAdd(angle, 300);
        along(turn, speed);
        speed += accel;
        break;
    case kTurnsEvery45:
        step();
        if (frame % 45 == 0 && frame <= 240) {
            // Both outcomes of the draw turn the same way; the draw is kept in accel.
            accel = static_cast<float>(GameRand() % 2);
            angle = WrapAdd(angle, 10922);
        }
        break;
    default: break;
    }
}

void cEnemyBulletBase::Draw() {
    const Graphic g = GraphicOf(graphicKind);
    if (g.slot == 0) return;
    const auto kind = static_cast<BulletGraphic>(graphicKind);
    if (kind == BulletGraphic::kRandomGlow && frame == 1) radius = 15 + GameRand() % 45;
    if (g.radius >= 0) radius = g.radius;
    float ox = g.ox, oy = g.oy, w = g.w, h = g.h;
    if (kind == BulletGraphic::kSizedGlow || kind == BulletGraphic::kRandomGlow) {
        const float r = static_cast<float>(radius);
        ox = r;
        oy = r;
        w = 2 * r;
        h = 2 * r;
    }
    int32_t alpha = g.alpha;
    if (kind == BulletGraphic::kFadingBead) {
        if (frame == 1) BulletFadeCounter = 255;
        if (frame >= 300) BulletFadeCounter = WrapAdd(BulletFadeCounter, -1);
        alpha = BulletFadeCounter;
        spin = 0;
    } else if (kind == BulletGraphic::kCrescent) {
        alpha = 250 - frame;
    }
    const uint32_t colour = AlphaGrey(alpha, g.grey);
    const float sx = kind == BulletGraphic::kCancelled ? static_cast<float>(g.c) : Cell(element, 512, g.c);
    const float dx = x - ScrollX - ox;
    const float dy = y - ScrollY - oy;
    switch (g.turn) {
    case kPlain: DrawPlain(g.slot, dx, dy, w, h, sx, g.sy, g.sw, g.sh, colour); break;
    case kSpinAdd:
        spin = WrapAdd(spin, g.step);
        DrawTurned(g.slot, dx, dy, w, h, sx, g.sy, g.sw, g.sh, colour, spin);
        break;
    case kSpinIsAngle:
        spin = angle;
        DrawTurned(g.slot, dx, dy, w, h, sx, g.sy, g.sw, g.sh, colour, WrapAdd(angle, g.step));
        break;
    case kAngle: DrawTurned(g.slot, dx, dy, w, h, sx, g.sy, g.sw, g.sh, colour, WrapAdd(angle, g.step)); break;
    case kSpinZero:
        spin = 0;
        DrawTurned(g.slot, dx, dy, w, h, sx, g.sy, g.sw, g.sh, colour, 0);
        break;
    }
}
