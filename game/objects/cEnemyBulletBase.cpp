#include "game/objects/cEnemyBulletBase.h"

#include "engine/core/KestraMath.h"
#include "game/objects/BulletLooks.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"

int32_t BulletFadeCounter = 0;

cEnemyBulletBase::cEnemyBulletBase()
    : isActive(0), element(elements::kIce), frame(0), damage(1), x(0.0f), y(0.0f), radius(8),
      motionKind(BulletMotion::kUnfired), graphicKind(BulletGraphic::kNone), angle(0), turn(0), spin(0), speed(0.0f),
      accel(0.0f) {}

cEnemyBulletBase::~cEnemyBulletBase() = default;

void cEnemyBulletBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

void cEnemyBulletBase::Move() {
    if (motionKind < BulletMotion::kPlain || motionKind >= BulletMotion::kEnd) return;
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
    if (motionKind == BulletMotion::kSlowing) speed = speed - speed * 0.005f;
    frame += 1;
    using enum BulletMotion;
    switch (motionKind) {
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
            const elements::Kind childElement = RandomElement(2);
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
                              .element = elements::FromNumber(WrapAdd(element, -elements::kFireEmitter)), .speed = 3.0f,
                              .accel = 0.01f});
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
    case kUnfired:
    case kEnd: break;
    }
}

void cEnemyBulletBase::Draw() {
    using namespace bulletlook;
    const Graphic g = GraphicOf(graphicKind);
    if (g.slot == 0) return;
    const BulletGraphic kind = graphicKind;
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
