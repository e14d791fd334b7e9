// Enemies 37 to 49: the shuttle 37, the cycling sniper 38, spinners, the
// ring spawner 41, the crystal 43 that shows itself to a nearby player, bell
// ringers and circle casters, the reflector 48 and the shard 49 that breaks
// into five.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameState.h"

namespace {

void TurnAndMove(cEnemyObjectBase& e) {
    e.angle = WrapAdd(e.angle, e.turn);
    MoveAndAccelerate(e);
}

// A ring of 21 bullets like `b` placed on a circle about the enemy, in its
// element, each heading its point's angle a + b.angle.
void FireCircle(const cEnemyObjectBase& e, float radius, const Bullet& b) {
    Bullet each = b;
    each.element = e.element;
    for (int32_t k = 0; k <= 20; ++k) {
        const int32_t a = 3276 * k;
        each.angle = a + b.angle;
        FireBullet(e.x + Kestra::Cos(static_cast<uint32_t>(a)) * radius, e.y + Kestra::Sin(a) * radius, each);
    }
}

// The crystal death of 43, 48 and 49: its sound, the pay, the explosion.
void Shatter(cEnemyObjectBase& e, const cPlayerBulletBase& b) {
    PlaySe(SoundTable.crystalhit);
    PayShooter(e, b);
    e.isDying = 1;
    ObjectManager.SpawnEffectBurst(effect::kExplosionBurst, e.element, static_cast<int32_t>(e.x),
                                   static_cast<int32_t>(e.y));
}

}  // namespace

cEnemy37::cEnemy37() = default;

void cEnemy37::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 200) {
        angle = WrapAdd(angle, -32768);
        frame = 0;
    }
}

void cEnemy37::Draw() { DrawLook(*this, enemylook::kShuttle); }

cEnemy38::cEnemy38() { dropCode = 1; }

void cEnemy38::Update() {
    frame += 1;
    if (frame == 1 && work0 <= 9) angle = AimAtPlayer1();
    if (frame <= 80 && work0 < 12) MoveAndAccelerate(*this);
    if (frame == 160 && work0 <= 11) {
        PlaySe(SoundTable.shot_enemy_normal);
        angle = AimAt(*this, LaterPlayer());
        for (int32_t k = 0; k < 10; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle - 4000 + 1000 * k,
                             .element = element, .speed = 1.0f, .accel = 0.06f});
    }
    if (frame == 200) {
        work0 += 1;
        frame = 0;
    }
}

void cEnemy38::Draw() { DrawLookTurned(*this, enemylook::kBarrel, angle); }

cEnemy39::cEnemy39() = default;

void cEnemy39::Update() { CountAndMove(*this); }

void cEnemy39::Draw() { DrawLook(*this, enemylook::kSpinner); }

cEnemy40::cEnemy40() { dropCode = 1; }

void cEnemy40::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    angle = WrapAdd(angle, turn);
    if (frame % 50 == 0 && frame <= 1500) {
        PlaySe(SoundTable.shot_small);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kBead, .angle = WrapAdd(angle, -16388),
                         .element = element, .speed = 2.0f});
    }
}

void cEnemy40::Draw() { DrawLook(*this, enemylook::kSpinner); }

cEnemy41::cEnemy41() { touchDamage = 0; }

void cEnemy41::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame != 50) return;
    for (int32_t k = 0; k < 12; ++k) {
        const int32_t a = 5461 * k;
        SummonEnemy(x + Kestra::Cos(static_cast<uint32_t>(a)) * 60.0f, y + Kestra::Sin(a) * 60.0f,
                    {.type = 40, .angle = a + 16383, .turn = 600, .element = element, .speed = 4.0f, .life = 5.0f});
    }
}

void cEnemy41::HitTest() {}

void cEnemy41::Draw() {}

cEnemy42::cEnemy42() { touchDamage = 0; }

void cEnemy42::Update() {
    frame += 1;
    if (frame <= 200) MoveAndAccelerate(*this);
    if (frame % 10 == 0 && frame >= 300 && frame <= 1400) {
        PlaySe(SoundTable.shot_small);
        angle = AimAt(*this, LaterPlayer());
        const elements::Kind shotElement = RandomElement(2);
        const int32_t offset = GameRand() % 4000;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kRice, .angle = angle + offset - 2000,
                         .element = shotElement, .speed = 3.5f, .accel = -0.005f});
    }
}

void cEnemy42::Draw() { DrawLook(*this, enemylook::kSmall); }

cEnemy43::cEnemy43() {
    radius = 40;
    touchDamage = 0;
    solid = 1;
}

void cEnemy43::Update() {
    float d = Player1 ? DistanceTo(*this, *Player1) : 1.0e9f;
    cPlayerBase* second = SecondPlayer();
    if (second && d > 110.0f) d = DistanceTo(*this, *second);
    if (d <= 110.0f && work0 == 0) {
        work0 = 1;
        PlaySe(SoundTable.crystalactive);
    }
    if (work0 == 1 && work1 <= 150) work1 += 2;
}

void cEnemy43::HitTest() {
    if (GameState.difficulty != 2) return;
    ForEachTouchingShot(*this, [this](cPlayerBulletBase& b) {
        PlaySe(SoundTable.enemydamage_small);
        if (b.element != element) life -= b.power;
        b.isActive = 0;
        StartHitFlash(b.element, b.x, b.y);
        PlaySe(SoundTable.rt_cursor01);
        if (life <= 0.0f && isDying == 0) Shatter(*this, b);
    });
}

void cEnemy43::Draw() { DrawLook(*this, enemylook::kCrystal, 0, AlphaWhite(work1)); }

cEnemy44::cEnemy44() {
    score = 500;
    dropCode = 1;
    touchDamage = 0;
}

void cEnemy44::Update() {
    frame += 1;
    TurnAndMove(*this);
    if (frame % 10 == 0 && frame >= 10 && frame <= 40) {
        for (int32_t k = 0; k < 4; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kStar, .angle = WrapAdd(angle, 16384 * k),
                             .turn = 20, .element = elements::kFire, .speed = 0.4f});
        for (int32_t k = 0; k < 4; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kStar,
                             .angle = WrapAdd(angle, 10000 + 16384 * k), .turn = 20, .element = elements::kIce,
                                 .speed = 0.4f});
    }
    if (frame == 100 && work0 <= 7) {
        PlaySe(SoundTable.xmasbell);
        work0 += 1;
        frame = 0;
    }
}

void cEnemy44::Draw() { DrawLook(*this, enemylook::kUpright, StepCounter(work3, 23) / 8); }

cEnemy45::cEnemy45() {
    score = 400;
    dropCode = 1;
    touchDamage = 0;
}

void cEnemy45::Update() {
    frame += 1;
    TurnAndMove(*this);
    if (frame == 130) {
        PlaySe(SoundTable.xmasbell);
        FireCircle(*this, 340.0f, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = 32768, .speed = 0.0f,
                                   .accel = 0.005f});
    }
}

void cEnemy45::Draw() { DrawLook(*this, enemylook::kRound, StepCounter(work2, 39) / 10); }

cEnemy46::cEnemy46() {
    dropCode = 1;
    touchDamage = 0;
}

void cEnemy46::Update() {
    frame += 1;
    TurnAndMove(*this);
    if (frame % 20 == 0 && frame >= 60 && frame <= 120) {
        PlaySe(SoundTable.enemyshot_short);
        const int32_t aim = AimAtPlayer1();
        for (int32_t k = 1; k <= 6; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aim + 10922 * k,
                             .element = element, .speed = 3.0f, .accel = 0.005f});
    }
}

// 04's Draw.
void cEnemy46::Draw() { DrawRound(*this); }

cEnemy47::cEnemy47() {
    score = 300;
    dropCode = 1;
    touchDamage = 0;
}

void cEnemy47::Update() {
    frame += 1;
    TurnAndMove(*this);
    if (frame == 40) {
        PlaySe(SoundTable.BigShot);
        FireCircle(*this, 80.0f, {.motion = Bullet::kLoop, .graphic = Bullet::kOrb, .angle = 16383, .turn = angle,
                                  .speed = 1.0f});
    }
}

void cEnemy47::Draw() { DrawLook(*this, enemylook::kUpright, StepCounter(work1, 23) / 8); }

cEnemy48::cEnemy48() {
    dropCode = 1;
    touchDamage = 0;
}

void cEnemy48::Update() {
    frame += 1;
    if (frame == 120) angle = AimAtPlayer1();
    if (frame >= 120) MoveAndAccelerate(*this);
}

void cEnemy48::HitTest() {
    ForEachTouchingShot(*this, [this](cPlayerBulletBase& b) {
        if (b.element == element) {
            PlaySe(SoundTable.reflectbullet);
        } else {
            life -= b.power;
        }
        b.isActive = 0;
        StartHitFlash(b.element, b.x, b.y);
        PlaySe(SoundTable.rt_cursor01);
        if (life > 0.0f || isDying != 0) return;
        Shatter(*this, b);
        if (element >= elements::kEveryone) element = elements::kFire;
        if (dropCode >= 1 && dropCode <= 3)
            PlaceEnemy(x, y, {.type = objecttype::kDropItems[dropCode], .element = element, .life = 1.0f});
    });
    const float reach = static_cast<float>(radius + 10);
    const auto touch = [this, reach](cPlayerBase* p) {
        if (p && p->isInvincible == 0 && DistanceTo(*this, *p) <= reach) p->Damage(1);
    };
    touch(Player1);
    touch(SecondPlayer());
}

void cEnemy48::Draw() {
    DrawLook(*this, enemylook::kReflector, 0, frame < 128 ? AlphaWhite(2 * frame) : kWhite);
}

cEnemy49::cEnemy49() = default;

void cEnemy49::Update() {
    frame += 1;
    MoveStep();
    if (speed < 2.0f) speed += accel;
    if (frame == 240 && speed > 0.0f) {
        speed = 0.0f;
        angle = AimAtPlayer1();
    }
}

void cEnemy49::HitTest() {
    ForEachTouchingShot(*this, [this](cPlayerBulletBase& b) {
        cObjectManager& m = ObjectManager;
        const int32_t ix = static_cast<int32_t>(x);
        const int32_t iy = static_cast<int32_t>(y);
        m.SpawnEffectBurst(effect::kPuffBurst, element, ix, iy);
        if (b.element == element) {
            life -= b.power * 0.5f;
        } else {
            m.SpawnEffectBurst(effect::kPuffBurst, element, ix, iy);
            life -= b.power;
        }
        PlaySe(SoundTable.enemydamage_small);
        b.isActive = 0;
        StartHitFlash(b.element, b.x, b.y);
        if (life > 0.0f || isDying != 0) return;
        for (int32_t k = 1; k <= 5; ++k)
            SummonEnemy(x, y, {.type = 50, .angle = WrapAdd(angle, 13107 * k), .element = element, .speed = 1.0f,
                               .accel = 0.05f, .life = 12.0f});
        Shatter(*this, b);
    });
}

void cEnemy49::Draw() { DrawLookTurned(*this, enemylook::kShard, angle); }
