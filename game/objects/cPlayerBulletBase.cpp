#include "game/objects/cPlayerBulletBase.h"

#include "engine/core/KestraMath.h"
#include "game/objects/PlayCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"

cPlayerBulletBase::cPlayerBulletBase()
    : isActive(0), owner(0), motion(0), look(0), radius(15), angle(0), spin(0), frame(0), power(1.0f),
      element(elements::kIce), x(0.0f), y(0.0f), speed(1.0f), accel(0.0f) {}

cPlayerBulletBase::~cPlayerBulletBase() = default;

void cPlayerBulletBase::Move() {
    const auto move = [this] {
        x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
        y = y + Kestra::Sin(angle) * speed;
    };
    switch (motion) {
    case 1:
        speed = 7.0f;
        move();
        break;
    case 2:
        frame += 1;
        speed = 11.0f;
        move();
        if (frame >= 21) isActive = 0;
        break;
    case 3:
        frame += 1;
        move();
        break;
    case 5:
        frame += 1;
        speed = 12.0f;
        move();
        if (frame >= 18) isActive = 0;
        break;
    case 6:
        speed = 6.0f;
        move();
        break;
    case 7:
        move();
        speed += accel;
        break;
    case 10:
        frame += 1;
        speed = 7.0f;
        move();
        if (frame >= 20) isActive = 0;
        break;
    default: break;
    }
}

void cPlayerBulletBase::Draw() {
    const float px = x - ScrollX;
    const float py = y - ScrollY;
    const float e = Cell(element, 512, 0);
    switch (look) {
    case 1:
        spin = WrapAdd(spin, 700);
        DrawTurned(sheet::kParticles, px - 16, py - 16, 33, 33, e + 287, 202, 33, 33, 0xFFFFFFFFu, spin);
        break;
    case 2: DrawTurned(sheet::kParticles, px - 16, py - 16, 33, 33, e + 320, 202, 33, 33, 0xFFFFFFFFu, angle); break;
    case 3: {
        spin = WrapAdd(spin, 200);
        const float r = static_cast<float>(radius);
        DrawTurned(sheet::kParticles, px - r, py - r, 2 * r, 2 * r, e, 197, 84, 84, 0xAAFFFFFFu, spin);
        break;
    }
    case 4:
        DrawTurned(sheet::kParticles, px - 40, py - 40, 80, 80, e + 87, 208, 80, 80, AlphaWhite(250 - frame), angle);
        break;
    case 6:
        spin = WrapAdd(spin, 200);
        DrawTurned(sheet::kParticles, px - 16, py - 16, 33, 33, e + 386, 202, 33, 33, 0xBEFFFFFFu, spin);
        break;
    case 7: DrawTurned(sheet::kGlowParticles, px - 41, py - 41, 83, 83, e + 84, 288, 83, 83, 0x96FFFFFFu, angle); break;
    case 8: DrawTurned(sheet::kParticles, px - 16, py - 16, 33, 33, e + 353, 202, 33, 33, 0xB4FFFFFFu, angle); break;
    default: break;
    }
}
