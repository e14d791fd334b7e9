// Enemies 25 to 36: drones, the distance keeper 26, the push zone 27, the
// moving walls 28 and 36, laser turrets, the spawner 30, the pushing block
// 31, the core 32 whose death takes every 33 with it, and the spinner 35.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"

namespace {

// The moving walls: one pixel a frame along the heading, a turn every 240 frames.
void WallStep(cEnemyObjectBase& e, int32_t turnAt240) {
    e.frame += 1;
    e.x = e.x + Kestra::Cos(static_cast<uint32_t>(e.angle));
    e.y = e.y + Kestra::Sin(e.angle);
    if (e.frame == 240) {
        e.angle = WrapAdd(e.angle, turnAt240);
        e.frame = 0;
    }
    StoreBox(e);
}

void DrawBarrel(const cEnemyObjectBase& e) { DrawLookTurned(e, enemylook::kBarrel, e.angle); }

}  // namespace

void CountAndMove(cEnemyObjectBase& e) {
    e.frame += 1;
    MoveAndAccelerate(e);
}

cEnemy25::cEnemy25() {
    radius = 10;
    dropCode = 1;
}

void cEnemy25::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 190 == 0) {
        PlaySe(SoundTable.nonochach);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kHugeOrb, .angle = WrapAdd(angle, 16383),
                         .element = element, .speed = 1.0f, .accel = 0.01f});
    }
}

void cEnemy25::Draw() { DrawLook(*this, enemylook::kSmall); }

cEnemy26::cEnemy26() {
    radius = 10;
    dropCode = 1;
}

void cEnemy26::Update() {
    frame += 1;
    if (Player1) {
        const float d = DistanceTo(*this, *Player1);
        const int32_t aim = AimAtPlayer1();
        if (d < 195.0f) {
            angle = aim + 32768;
            MoveAndAccelerate(*this);
        } else if (d > 210.0f) {
            angle = aim;
            MoveAndAccelerate(*this);
        } else if (d > 195.0f) {
            angle = aim;
        }
    }
    if (frame % 150 == 0 && frame <= 1200) {
        PlaySe(SoundTable.shot_enemy_normal);
        for (int32_t k = 0; k < 5; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb,
                             .angle = WrapAdd(angle, -1210 + 600 * k), .element = element, .speed = 0.0f,
                             .accel = 0.04f});
    }
}

void cEnemy26::Draw() { DrawLook(*this, enemylook::kSmall); }

cEnemy27::cEnemy27() {
    radius = 10;
    touchDamage = 0;
}

void cEnemy27::Update() {
    const auto push = [this](cPlayerBase* p) {
        if (!p) return;
        if (p->aimX >= x - 80.0f && p->aimX <= x + 80.0f && p->aimY >= y - 80.0f && p->aimY <= y + 80.0f) {
            p->x = p->x + Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
            p->y = p->y + Kestra::Sin(angle) * speed;
        }
    };
    push(Player1);
    push(SecondPlayer());
}

void cEnemy27::HitTest() {}

void cEnemy27::Draw() { DrawLookTurned(*this, enemylook::kField, angle, 0, 0x50FFFFFFu); }

cEnemy28::cEnemy28() {
    radius = 120;
    touchDamage = 0;
    solid = 1;
}

void cEnemy28::Update() { WallStep(*this, -16384); }

void cEnemy28::HitTest() { PushOutOfBox(*this); }

void cEnemy28::Draw() { DrawWall(*this); }

cEnemy29::cEnemy29() { dropCode = 1; }

void cEnemy29::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 20) PlaySe(SoundTable.raser_long_stage3);
    if (frame % 5 == 0 && frame <= 2000)
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightNeedle, .angle = WrapAdd(angle, turn),
                         .element = element, .speed = 7.0f});
}

void cEnemy29::Draw() { DrawBarrel(*this); }

cEnemy30::cEnemy30() {
    radius = 0;
    touchDamage = 0;
}

void cEnemy30::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 180 == 0 && frame <= 2000)
        SummonEnemy(x, y, {.type = 31, .angle = angle, .element = element, .speed = 1.0f, .life = 300.0f});
}

void cEnemy30::Draw() { DrawLook(*this, enemylook::kSmall); }

cEnemy31::cEnemy31() {
    radius = 40;
    touchDamage = 0;
    solid = 1;
}

void cEnemy31::Update() { BlockUpdate(*this); }

void cEnemy31::HitTest() { PushOutOfBlock(*this); }

void cEnemy31::Draw() { DrawBlock(*this); }

cEnemy32::cEnemy32() {
    score = 500;
    touchDamage = 0;
}

void cEnemy32::Update() { CountAndMove(*this); }

void cEnemy32::HitTest() {
    ForEachTouchingShot(*this, [this](cPlayerBulletBase& b) {
        life -= b.power;
        PlaySe(SoundTable.enemydamage_small);
        b.isActive = 0;
        StartHitFlash(b.element, b.x, b.y);
        if (life > 0.0f || isDying != 0 || frame < 200) return;
        PayShooter(*this, b);
        cObjectManager& m = ObjectManager;
        // A local index: this runs inside the manager's pass over the same list.
        for (std::size_t i = 0; i < m.enemyList.size(); ++i) {
            cEnemyObjectBase* other = m.enemyList[i];
            if (other->isActive != 1 || other->type != objecttype::kCoreGuard) continue;
            other->isDying = 1;
            m.SpawnEffectBurst(effect::kExplosionBurst, other->element, static_cast<int32_t>(other->x),
                               static_cast<int32_t>(other->y));
        }
        PlaySe(SoundTable.shatter);
        isDying = 1;
        m.SpawnEffectBurst(effect::kExplosionBurst, element, static_cast<int32_t>(x), static_cast<int32_t>(y));
    });
}

void cEnemy32::Draw() { DrawLook(*this, enemylook::kCore, StepCounter(work0, 21) / 7); }

cEnemy33::cEnemy33() {
    touchDamage = 0;
    solid = 1;
}

void cEnemy33::Update() { CountAndMove(*this); }

void cEnemy33::Draw() { DrawLook(*this, enemylook::kSatellite); }

cEnemy34::cEnemy34() { dropCode = 1; }

void cEnemy34::Update() {
    frame += 1;
    if (frame <= 200) MoveAndAccelerate(*this);
    if (frame >= 300) angle = AimAtPlayer1();
    if (frame == 300) PlaySe(SoundTable.rt_laser20);
    if (frame % 5 == 0 && frame >= 300 && frame <= 900)
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightNeedle, .angle = angle,
                         .element = element, .speed = 6.0f});
}

void cEnemy34::Draw() { DrawBarrel(*this); }

cEnemy35::cEnemy35() {
    score = 500;
    dropCode = 1;
}

void cEnemy35::Update() {
    frame += 1;
    if (frame == 101) {
        work1 += 1;
        angle = WrapAdd(angle, 3000);
        frame = 0;
    }
    if (work1 > 20 || frame % 10 != 0) return;
    if (frame <= 50) {
        PlaySe(SoundTable.shot_small);
        for (int32_t k = 1; k <= 4; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBead, .angle = WrapAdd(angle, 16383 * k),
                             .element = elements::kFire, .speed = 2.0f});
    } else {
        for (int32_t k = 1; k <= 4; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBead,
                             .angle = WrapAdd(angle, 8191 + 16383 * k), .element = elements::kIce, .speed = 2.0f});
    }
    for (int32_t k = 1; k <= 2; ++k)
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBead,
                         .angle = WrapAdd(angle, 1000 * frame + 32767 * k), .element = elements::kEveryone,
                             .speed = 2.0f});
}

void cEnemy35::Draw() { DrawLook(*this, enemylook::kSpinner); }

cEnemy36::cEnemy36() {
    radius = 120;
    touchDamage = 0;
    solid = 1;
}

void cEnemy36::Update() { WallStep(*this, -32768); }

void cEnemy36::HitTest() { PushOutOfBox(*this); }

void cEnemy36::Draw() { DrawWall(*this); }
