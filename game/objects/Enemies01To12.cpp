// Enemies 1 to 12: walkers, sitting shooters, the fleeing 06, the shot-angered
// 07, the watcher 08, the emitter pair 10, the row 11 and the fans of 12.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/cPlayerBase.h"

cEnemy01::cEnemy01() = default;

void cEnemy01::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 90 == 0 && frame < 600) {
        PlaySe(SoundTable.shot_enemy_normal);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle, .element = element,
                         .speed = 2.0f});
    }
}

void cEnemy01::Draw() { DrawWalker(*this, StepCounter(work0, 39) / 13, enemylook::kWalkerRight); }

cEnemy02::cEnemy02() = default;

void cEnemy02::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    work0 = WrapAdd(work0, 60);
    if (frame % 20 == 0)
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb, .angle = WrapAdd(angle, work0),
                         .element = element, .speed = 2.0f, .accel = -0.02f});
}

void cEnemy02::Draw() { DrawWalker(*this, StepCounter(work1, 30) / 10, enemylook::kWalker2Right); }

cEnemy03::cEnemy03() { dropCode = 1; }

void cEnemy03::Update() {
    frame += 1;
    if (frame < 1900) angle = AimAtPlayer1();
    MoveAndAccelerate(*this);
    if (frame % 110 == 0)
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle, .element = element,
                         .speed = 2.0f});
}

void cEnemy03::Draw() { DrawUpright(*this); }

cEnemy04::cEnemy04() { dropCode = 1; }

void cEnemy04::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 160 == 0 && frame <= 1000) {
        PlaySe(SoundTable.xmasbell);
        for (int32_t k = 1; k <= 32; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = WrapAdd(angle, 2047 * k),
                             .element = element, .speed = 1.0f, .accel = 0.01f});
    }
}

void cEnemy04::Draw() { DrawRound(*this); }

cEnemy05::cEnemy05() = default;

void cEnemy05::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 50 == 0) {
        PlaySe(SoundTable.enemyshot_short);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = WrapAdd(angle, -16388),
                         .element = element, .speed = 2.0f});
    }
}

void cEnemy05::Draw() { DrawUpright(*this); }

cEnemy06::cEnemy06() {
    radius = 25;
    score = 1000;
    dropCode = 2;
    mode = 0;
}

void cEnemy06::Update() {
    frame += 1;
    if (mode == 0) {
        if (frame % 160 == 0) angle = AimAtPlayer1();
        MoveStep();
        if (frame % 70 == 0) {
            PlaySe(SoundTable.puni);
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle,
                             .element = RandomElement(2), .speed = 3.0f});
        }
        return;
    }
    angle = AimAtPlayer1();
    const int32_t away = WrapAdd(angle, 32768);
    x = x + Kestra::Cos(static_cast<uint32_t>(away)) * speed * 1.5f;
    y = y + Kestra::Sin(away) * speed * 1.5f;
    if (frame % 20 == 0) {
        PlaySe(SoundTable.shot_enemy_normal);
        for (int32_t k = 0; k < 3; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle + 1000 * k,
                             .element = RandomElement(2), .speed = 1.0f, .accel = 0.01f});
    }
    if (frame == 30) mode = 0;
}

void cEnemy06::HitTest() {
    PlainDropHitTest(
        *this, kNoSound, [](cPlayerBulletBase&) {},
        [this](cPlayerBulletBase&) {
            mode = 1;
            frame = 0;
        });
}

void cEnemy06::Draw() { DrawWalker(*this, StepCounter(work0, 39) / 13, enemylook::kWalkerRight); }

cEnemy07::cEnemy07() {
    radius = 25;
    score = 500;
    dropCode = 1;
}

void cEnemy07::Update() { MoveAndAccelerate(*this); }

void cEnemy07::HitTest() {
    PlainDropHitTest(
        *this, SoundTable.enemybreak_01, [](cPlayerBulletBase&) {},
        [this](cPlayerBulletBase& b) {
            if (b.element != element) return;
            for (int32_t k = 0; k < 2; ++k) {
                const elements::Kind shotElement = RandomElement(2);
                const int32_t heading = GameRand() * 2;
                FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow, .angle = heading,
                                 .element = shotElement, .speed = 1.0f, .accel = 0.01f});
            }
        });
}

void cEnemy07::Draw() { DrawLook(*this, enemylook::kDrone); }

cEnemy08::cEnemy08() {
    radius = 25;
    mode = 0;
}

void cEnemy08::Update() {
    if (mode == 1) frame += 1;
    MoveAndAccelerate(*this);
    if (mode == 1 && frame % 40 == 0) {
        PlaySe(SoundTable.nonochach);
        const elements::Kind shotElement = RandomElement(2);
        const int32_t offset = GameRand() % 8000;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = WrapAdd(angle, offset - 3000),
                         .element = shotElement, .speed = 2.0f});
    }
}

void cEnemy08::HitTest() {
    mode = 0;
    if (Player1 && DistanceTo(*this, *Player1) <= 160.0f) {
        mode = 1;
        angle = AimAt(*this, Player1);
    }
    cPlayerBase* second = SecondPlayer();
    if (mode == 0 && second && DistanceTo(*this, *second) <= 160.0f) {
        mode = 1;
        angle = AimAt(*this, second);
    }
    PlainDropHitTest(*this, kNoSound, [](cPlayerBulletBase&) {}, [](cPlayerBulletBase&) {});
}

void cEnemy08::Draw() { DrawLook(*this, enemylook::kStanding, StepCounter(work0, 30) / 10); }

cEnemy09::cEnemy09() { radius = 25; }

void cEnemy09::Update() {
    frame += 1;
    angle = AimAtPlayer1();
    work0 = WrapAdd(work0, 50);
    if (frame % 10 == 0) {
        PlaySe(SoundTable.shot_small);
        const int32_t heading = WrapAdd(angle, work0);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = heading,
                         .element = elements::kFire, .speed = 4.0f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = WrapAdd(heading, 32765),
                         .element = elements::kIce, .speed = 4.0f});
    }
}

void cEnemy09::Draw() { DrawLook(*this, enemylook::kTurret); }

cEnemy10::cEnemy10() { radius = 25; }

void cEnemy10::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    work0 = WrapAdd(work0, 50);
    if (frame == 60) {
        FireFrom(*this, {.motion = Bullet::kSideEmitter, .graphic = Bullet::kNone, .angle = work0, .turn = 600,
                         .element = elements::kFireEmitter, .speed = 8.0f});
        FireFrom(*this, {.motion = Bullet::kSideEmitter, .graphic = Bullet::kNone, .angle = WrapAdd(work0, 32765),
                         .turn = 600, .element = elements::kIceEmitter, .speed = 8.0f});
    }
}

void cEnemy10::Draw() { DrawLook(*this, enemylook::kDrone); }

cEnemy11::cEnemy11() {
    radius = 25;
    work0 = 0;
}

void cEnemy11::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 60 == 0) {
        for (int32_t k = 0; k < 30; ++k) {
            FireBullet(x + static_cast<float>(22 * k), y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb,
                                                           .angle = WrapAdd(angle, work0), .element = RandomElement(2),
                                                           .speed = 2.0f});
        }
    }
}

void cEnemy11::Draw() { DrawLook(*this, enemylook::kDrone); }

cEnemy12::cEnemy12() { radius = 25; }

void cEnemy12::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    const int32_t aim = AimAtPlayer1();
    int32_t count = 0;
    int32_t from = 0;
    if ((frame + 40) % 150 == 0) {
        count = 3;
        from = aim - 500;
    } else if ((frame + 20) % 150 == 0) {
        count = 5;
        from = aim - 1000;
    } else if (frame % 150 == 0) {
        count = 7;
        from = aim - 2000;
    }
    for (int32_t k = 0; k < count; ++k)
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = from + 500 * k, .element = element,
                         .speed = 2.0f, .accel = 0.02f});
}

void cEnemy12::Draw() { DrawLook(*this, enemylook::kDrone); }
