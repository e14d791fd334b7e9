// Enemies 13 to 24: pair shooters, the fading sniper 14, the fan and drift
// figures 15, 16 and 19, the homing spinner 20, the scripted large 21, the
// ring 22, the shot-turned 23 and the band slider 24.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/cPlayerBase.h"

namespace {

// The sniper pair of 13 and 14.
void FirePair(cEnemyObjectBase& e) {
    if ((e.frame + 40) % 220 != 0) return;
    const int32_t aim = e.AimAtPlayer1();
    PlaySe(SoundTable.shot_small);
    FireFrom(e, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = aim - 250, .element = e.element,
                 .speed = 1.0f, .accel = 0.001f});
    FireFrom(e, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = aim + 250, .element = e.element,
                 .speed = 1.0f, .accel = 0.001f});
}

// The two-facing figure's cell; columns from work0.
void DrawFigure(const cEnemyObjectBase& e, bool leftFacing, int32_t column, uint32_t colour) {
    DrawLook(e, enemylook::kFigure, column, colour, leftFacing ? 0 : 1);
}

uint32_t FadeIn(int32_t frame) { return frame <= 120 ? AlphaWhite(2 * frame) : kWhite; }

// One leg of 21's script: from its first frame on, heading and the two factors.
struct Leg {
    int32_t from;
    int32_t heading;
    float a;
    float b;
};
constexpr Leg kLegs[] = {
    {1, 8121, 0.7f, 0.5f},     {301, 16383, 0.5f, 0.5f},  {781, 8121, 0.4f, 0.4f},    {1261, 58000, 0.4f, 0.4f},
    {1741, 49145, 0.6f, 0.6f}, {2141, 40015, 0.6f, 0.6f}, {2411, -1, 0.0f, 0.0f},     {2811, 24123, 0.6f, 0.6f},
    {3051, 16383, 0.6f, 0.6f}, {3411, -1, 0.0f, 0.0f},
};

}  // namespace

cEnemy13::cEnemy13() { radius = 25; }

void cEnemy13::Update() {
    frame += 1;
    FirePair(*this);
}

void cEnemy13::Draw() { DrawLook(*this, enemylook::kStanding, StepCounter(work0, 30) / 10); }

cEnemy14::cEnemy14() {
    radius = 25;
    dropCode = 1;
}

void cEnemy14::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame >= 120) FirePair(*this);
}

void cEnemy14::HitTest() {
    if (frame < 120) return;
    PlainDropHitTest(*this, SoundTable.enemybreak_01, [](cPlayerBulletBase&) {}, [](cPlayerBulletBase&) {});
}

void cEnemy14::Draw() { DrawLook(*this, enemylook::kSniper, 0, FadeIn(frame)); }

cEnemy15::cEnemy15() {
    radius = 25;
    dropCode = 3;
}

void cEnemy15::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 110 == 0 && frame < 1500) {
        PlaySe(SoundTable.xmasbell);
        const int32_t aim = AimAtPlayer1();
        for (int32_t k = 0; k < 8; ++k)
            FireFrom(*this, {.motion = Bullet::kAimsAt90, .graphic = Bullet::kFaintSmallOrb,
                             .angle = aim + 14750 + 500 * k, .element = elements::kFire,
                             .speed = 0.5f * static_cast<float>(k), .accel = 0.001f});
        for (int32_t k = 0; k < 8; ++k)
            FireFrom(*this, {.motion = Bullet::kAimsAt90, .graphic = Bullet::kFaintSmallOrb,
                             .angle = aim - 15250 + 500 * k, .element = elements::kIce,
                             .speed = 0.5f * static_cast<float>(k), .accel = 0.001f});
    }
}

void cEnemy15::Draw() {
    const int32_t column = StepCounter(work0, 20, 1) / 10;
    DrawFigure(*this, angle >= 16384 && angle <= 49144, column, FadeIn(frame));
}

cEnemy16::cEnemy16() {
    radius = 25;
    dropCode = 1;
}

void cEnemy16::Update() {
    frame += 1;
    angle = WrapAdd(angle, turn);
    x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * 1.5f;
    y = y + Kestra::Sin(angle) * 1.5f;
    speed += accel;
    x += speed;
}

void cEnemy16::Draw() { DrawFigure(*this, speed < 0.0f, StepCounter(work0, 20) / 10, kWhite); }

cEnemy17::cEnemy17() {
    radius = 10;
    dropCode = 1;
}

void cEnemy17::Update() {
    frame += 1;
    angle = WrapAdd(angle, turn);
    MoveAndAccelerate(*this);
    if (frame == 50) {
        PlaySe(SoundTable.shot_enemy_normal);
        for (int32_t k = 0; k < 10; ++k)
            FireBullet(x, y - 110.0f + static_cast<float>(22 * k), {.motion = Bullet::kPlain, .graphic = Bullet::kOrb,
                                                                    .angle = angle, .element = element, .speed = 2.0f});
    }
}

void cEnemy17::Draw() { DrawWalker(*this, StepCounter(work0, 39) / 13, enemylook::kWalkerRight); }

cEnemy18::cEnemy18() { radius = 10; }

void cEnemy18::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 30) {
        PlaySe(SoundTable.nonochach);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kHugeOrb, .angle = angle, .element = element,
                         .speed = 1.0f, .accel = 0.01f});
    }
}

void cEnemy18::Draw() { DrawLook(*this, enemylook::kSmall); }

cEnemy19::cEnemy19() {
    radius = 10;
    score = 250;
}

void cEnemy19::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 50 == 0) {
        PlaySe(SoundTable.enemyshot_short);
        const elements::Kind shotElement = RandomElement(2);
        const int32_t offset = GameRand() % 4000;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kRice, .angle = WrapAdd(angle, offset - 2000),
                         .element = shotElement, .speed = 1.0f, .accel = 0.02f});
    }
}

void cEnemy19::Draw() {
    DrawFigure(*this, angle >= 16384 && angle <= 49152, StepCounter(work0, 20) / 10, kWhite);
}

cEnemy20::cEnemy20() {
    radius = 10;
    score = 400;
    dropCode = 1;
}

void cEnemy20::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    angle = AimAtPlayer1();
    if (frame == 1) work0 = angle;
    work0 = WrapAdd(work0, 150);
    if (frame % 10 == 0 && frame >= 10 && frame <= 100) {
        PlaySe(SoundTable.shot_small);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow, .angle = work0,
                         .element = frame <= 50 ? elements::kFire : elements::kIce, .speed = 4.0f});
    }
    if (frame == 100) frame = 2;
}

void cEnemy20::Draw() { DrawLook(*this, enemylook::kDrone); }

cEnemy21::cEnemy21() {
    radius = 80;
    score = 3000;
    dropCode = 3;
}

void cEnemy21::Update() {
    frame += 1;
    const Leg* leg = nullptr;
    for (const Leg& l : kLegs) {
        if (frame >= l.from) leg = &l;
    }
    if (leg && leg->heading >= 0) {
        angle = leg->heading;
        x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * leg->a;
        y = y + Kestra::Sin(angle) * leg->b;
    }
    const bool fans = (frame >= 301 && frame <= 780) || (frame >= 1741 && frame <= 2140);
    if (fans && frame % 40 == 0) {
        PlaySe(SoundTable.shot_small);
        for (int32_t shotElement = 0; shotElement < 2; ++shotElement) {
            const int32_t offset = 1300 * shotElement;
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = angle + offset + 15000,
                             .turn = -20, .element = elements::FromNumber(shotElement), .speed = 2.0f});
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = angle - offset - 15000,
                             .turn = 20, .element = elements::FromNumber(shotElement), .speed = 2.0f});
        }
    }
    if (frame >= 2141 && frame <= 2410) {
        if (frame % 60 == 0) {
            PlaySe(SoundTable.rt_star22);
            ObjectManager.SpawnEffectBurst(effect::kShatterBurst, element, static_cast<int32_t>(x),
                                           static_cast<int32_t>(y));
        }
        if (frame % 4 == 0)
            SummonEnemy(x, y, {.type = 79, .angle = GameRand() * 2, .element = elements::kFire, .speed = 2.0f,
                               .accel = -0.002f, .life = 1.0f});
    }
}

void cEnemy21::Draw() { DrawLarge(*this); }

cEnemy22::cEnemy22() {
    radius = 10;
    score = 300;
}

void cEnemy22::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 100 == 0 && frame <= 1300) {
        PlaySe(SoundTable.xmasbell);
        for (int32_t k = 1; k <= 20; ++k)
            FireFrom(*this, {.motion = Bullet::kEndsAt140, .graphic = Bullet::kMidOrb, .angle = 3276 * k,
                             .element = element, .speed = 3.0f, .accel = -0.04f});
    }
}

void cEnemy22::Draw() { DrawLook(*this, enemylook::kRinger); }

cEnemy23::cEnemy23() {
    radius = 10;
    score = 400;
}

// 07's Update: it moves and counts no frames.
void cEnemy23::Update() { MoveAndAccelerate(*this); }

void cEnemy23::HitTest() {
    PlainDropHitTest(
        *this, SoundTable.enemybreak_01,
        [this](cPlayerBulletBase& b) {
            if (b.owner == 0) angle = AimAt(*this, Player1);
            if (b.owner == 1) angle = AimAt(*this, Player2);
        },
        [this](cPlayerBulletBase&) {
            for (int32_t k = 0; k < 2; ++k) {
                PlaySe(SoundTable.nonochach);
                const elements::Kind shotElement = RandomElement(2);
                const int32_t offset = GameRand() % 4000;
                FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow,
                                 .angle = WrapAdd(angle, offset - 2000), .element = shotElement, .speed = 1.0f,
                                 .accel = 0.002f});
            }
        });
}

void cEnemy23::Draw() { DrawLook(*this, enemylook::kStanding, StepCounter(work0, 30) / 10); }

cEnemy24::cEnemy24() {
    radius = 35;
    score = 1000;
}

void cEnemy24::Update() {
    const auto slide = [this](const cPlayerBase* p) {
        if (!p) return;
        const float dy = p->aimY - y;
        if (dy > -40.0f && dy < 40.0f) {
            x += speed;
            speed += accel;
        }
    };
    slide(Player1);
    slide(SecondPlayer());
}

void cEnemy24::Draw() { DrawLook(*this, enemylook::kSlider); }
