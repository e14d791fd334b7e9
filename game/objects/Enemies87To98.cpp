// Enemies 87 to 98: the shot eater, the large turret, volleys of walls, beam
// lines, the homing bird, the charger, shards and their invisible spawner.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScreenLayout.h"

namespace {

bool VerticalBeam(int32_t angle) { return angle == 0 || angle == 32768; }
bool HorizontalBeam(int32_t angle) { return angle == 16384 || angle == 49152; }
}  // namespace

// 87: a creature that drifts along its heading.
cEnemy87::cEnemy87() { radius = 24; }
void cEnemy87::Update() { CountAndMove(*this); }
void cEnemy87::Draw() { DrawLookTurned(*this, enemylook::kCreature, angle); }

// 88: eats shots and grows with each; shots cannot kill it.
cEnemy88::cEnemy88() { radius = 40; }
void cEnemy88::Update() {
    frame += 1;
    if (frame < 850) {
        angle = AimAt(*this, LaterPlayer());
        MoveAndAccelerate(*this);
    }
}
void cEnemy88::HitTest() {
    ForEachTouchingShot(*this, [&](cPlayerBulletBase& b) {
        radius += 2;
        b.isActive = 0;
        StartHitFlash(b.element, b.x, b.y);
    });
}
void cEnemy88::Draw() {
    DrawChargeField(*this, work1, static_cast<float>(radius));
}

// 89: a large turret that sprays curving pairs of both elements.
cEnemy89::cEnemy89() {
    radius = 80;
    score = 3000;
    dropCode = 3;
}
void cEnemy89::Update() {
    frame += 1;
    if (frame < 601 || frame > 1080) return;
    angle = 32768;
    if (frame % 40 != 0) return;
    for (int32_t i = 0; i <= 1; ++i) {
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = 32768 + 15000 + 1300 * i,
                         .turn = -20, .element = elements::FromNumber(i), .speed = 2.0f});
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = 32768 - 15000 - 1300 * i,
                         .turn = 20, .element = elements::FromNumber(i), .speed = 2.0f});
    }
}
void cEnemy89::Draw() { DrawLarge(*this); }

// 90: 34 volleys of a 30-bullet wall at a shrinking period.
cEnemy90::cEnemy90() : period(80) { radius = 18; }
void cEnemy90::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % period != 0) return;
    for (int32_t i = 0; i <= 29; ++i) {
        const float step = static_cast<float>(24 * i);
        if (angle == 16384)
            FireBullet(x - 320.0f + step, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = 16384,
                                              .element = element, .speed = 2.0f});
        if (angle == 32768)
            FireBullet(x, y - 240.0f + step, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = 32768,
                                              .element = element, .speed = 2.0f});
    }
    if (period >= 34) period -= 2;
    work1 += 1;
    frame = 0;
    if (work1 == 34) isDying = 1;
}
void cEnemy90::Draw() { DrawRoundCreature(*this, work0, kWhite); }

// 91: a beam line across the screen: every 5 frames it feeds a player of its
// element on the line and hurts any other.
cEnemy91::cEnemy91() { radius = 20; }
void cEnemy91::Update() {
    frame += 1;
    if (frame < 1201) MoveStep();
}
void cEnemy91::HitTest() {
    if (frame >= 10 && frame % 5 == 0) {
        const auto touch = [&](cPlayerBase& p) {
            if (p.element == element) {
                p.gauge = static_cast<float>(p.gauge + 0.2);
            } else {
                p.Damage(1);
            }
        };
        if (VerticalBeam(angle)) {
            if (Player1 && x - 10.0f <= Player1->aimX && Player1->aimX <= x + 10.0f) touch(*Player1);
            cPlayerBase* p2 = SecondPlayer();
            if (p2 && x - 10.0f <= p2->aimX && p2->aimX <= x + 10.0f) touch(*p2);
        } else if (HorizontalBeam(angle)) {
            if (Player1 && y - 10.0f <= Player1->aimY && Player1->aimY <= y + 10.0f) touch(*Player1);
        }
    }
    if (frame == 2200) isDying = 1;
}
void cEnemy91::Draw() {
    // A beam across the whole screen, 40 wide.
    constexpr float w = layout::kScreenWidth, h = layout::kScreenHeight;
    if (HorizontalBeam(angle)) DrawLookSized(*this, enemylook::kBeam, 0, false, 0, w, 40.0f, -w / 2.0f, -20.0f);
    if (VerticalBeam(angle)) DrawLookSized(*this, enemylook::kBeam, 0, false, 0, 40.0f, h, -20.0f, -h / 2.0f);
}

// 92: a bird that homes on player 1 at 190 units a frame.
cEnemy92::cEnemy92() { score = 500; }
void cEnemy92::Update() {
    frame += 1;
    if (frame < 2900) {
        work2 = AimAtPlayer1();
        if (work2 > 32768 && angle < 32768) angle += 65536;
        if (work2 <= angle) angle -= 190;
        if (work2 >= angle) angle += 190;
    }
    MoveAndAccelerate(*this);
}
void cEnemy92::Draw() { DrawLookTurned(*this, enemylook::kBird, WrapAdd(angle, 16384)); }

// 93: cruises; every hit starts a 30-frame charge with fans of eleven.
cEnemy93::cEnemy93() { score = 3000; }
void cEnemy93::Update() {
    frame += 1;
    if (mode == 0) {
        MoveStep();
        return;
    }
    angle = AimAt(*this, LaterPlayer());
    if (frame % 14 == 0) {
        for (int32_t k = 1; k <= 11; ++k) {
            const elements::Kind e = RandomElement(2);
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = angle - 11000 + 1500 * k,
                             .element = e, .speed = 2.0f, .accel = 0.02f});
        }
    }
    x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * (speed * 2.0f);
    y = y + Kestra::Sin(angle) * (speed * 2.0f);
    if (frame == 30) mode = 0;
}
void cEnemy93::HitTest() {
    TestShots(*this, {true, false}, [&](cPlayerBulletBase& b) {
        mode = 1;
        frame = 0;
        if (life > 0.0f || isDying) return;
        PayShooter(*this, b);
        isDying = 1;
        Explode(*this);
        PlaceEnemy(x, y, {.type = objecttype::kLifeItem, .element = element, .life = 1.0f});
    });
}
void cEnemy93::Draw() { DrawFigure(*this, work1); }

// 94 and 95: shards that fly straight.
cEnemy94::cEnemy94() {
    radius = 5;
    dropCode = 1;
}
void cEnemy94::Update() {
    frame += 1;
    MoveStep();
}
void cEnemy94::Draw() { DrawShard(*this); }

cEnemy95::cEnemy95() {
    radius = 14;
    dropCode = 1;
}
void cEnemy95::Update() {
    frame += 1;
    MoveStep();
}
void cEnemy95::Draw() { DrawLookTurned(*this, enemylook::kLongShard, angle); }

// 96: an invisible spawner of element-2 shards.
cEnemy96::cEnemy96() {
    radius = 14;
    dropCode = 1;
    touchDamage = 0;
}
void cEnemy96::Update() {
    frame += 1;
    if (frame % 70 == 0 && frame <= 2000)
        SummonFrom(*this, {.type = 95, .angle = angle, .element = elements::kEveryone, .speed = 1.8f, .life = 300.0f});
}
void cEnemy96::Draw() {}

// 97 and 98: orbs that let one bullet go at their frame 100.
cEnemy97::cEnemy97() {
    radius = 5;
    dropCode = 1;
    touchDamage = 0;
}
void cEnemy97::Update() { ReleaseOrbAt100(*this); }
void cEnemy97::HitTest() {}
void cEnemy97::Draw() { DrawOrb(*this); }

cEnemy98::cEnemy98() {
    radius = 5;
    dropCode = 1;
    touchDamage = 0;
}
void cEnemy98::Update() { ReleaseOrbAt100(*this); }
void cEnemy98::HitTest() {}
void cEnemy98::Draw() { DrawOrb(*this); }
