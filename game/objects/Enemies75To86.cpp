// Enemies 75 to 86: the reflector, the pushing block, ring and fan shooters,
// the full-screen picture, the shrinking ring, the bullet-erasing field and
// the spinning streams.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScreenLayout.h"
#include "game/state/SpriteTable.h"

#include <cmath>
#include <cstddef>

// 75: sends a bullet of the other element back for every shot; broken, it
// simply vanishes.
cEnemy75::cEnemy75() { radius = 12; }
void cEnemy75::Update() {
    frame += 1;
    if (frame == 600) {
        isDying = 1;
        const elements::Kind e = RandomElement(2);
        const int32_t a = GameRand() * 2;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintSmallOrb, .angle = a, .element = e,
                         .speed = 0.0f, .accel = 0.002f});
    }
}
void cEnemy75::HitTest() {
    TestShots(*this, {false, true}, [&](cPlayerBulletBase& b) {
        PlaySe(SoundTable.reflectbullet);
        const elements::Kind other = elements::Opposite(b.element);
        work0 = other;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = GameRand() * 2, .element = other,
                         .speed = 4.0f});
        if (life <= 0.0f && !isDying) isDying = 1;
    });
}
void cEnemy75::Draw() { DrawLookTurned(*this, enemylook::kNeedle, angle); }

// 76: the pushing block.
cEnemy76::cEnemy76() {
    radius = 40;
    touchDamage = 0;
    solid = 1;
}
void cEnemy76::Update() { BlockUpdate(*this); }
void cEnemy76::HitTest() { PushOutOfBlock(*this); }
void cEnemy76::Draw() { DrawBlock(*this); }

// 77: two slow rings of 32 at absolute headings.
cEnemy77::cEnemy77() { dropCode = 1; }
void cEnemy77::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 160 == 0 && frame <= 320) {
        PlaySe(SoundTable.xmasbell);
        for (int32_t k = 1; k <= 32; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = 2047 * k, .turn = 90,
                             .element = element, .speed = 1.4f, .accel = 0.01f});
    }
}
void cEnemy77::Draw() { DrawRound(*this); }

// 78: a ship with its flame, one loose shot every 50 frames.
cEnemy78::cEnemy78() {
    radius = 24;
    dropCode = 1;
}
void cEnemy78::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 50 == 0) {
        PlaySe(SoundTable.shot_small);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb,
                         .angle = WrapAdd(WrapAdd(angle, turn), GameRand() % 4000), .element = element, .speed = 2.0f});
    }
}
void cEnemy78::Draw() {
    DrawLook(*this, enemylook::kShipBody);
    DrawLook(*this, enemylook::kShipFlame, StepCounter(work0, 24) / 8);
}

// 79: a spinning mine that curves.
cEnemy79::cEnemy79() {
    radius = 12;
    dropCode = 1;
}
void cEnemy79::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    angle = WrapAdd(angle, turn);
}
void cEnemy79::Draw() {
    DrawLookTurned(*this, enemylook::kMine, work0);
    work0 = WrapAdd(work0, 100);
}

// 80: a full-screen picture from the stage background, chosen by its life;
// it counts only while the scroll runs.
cEnemy80::cEnemy80() : soundPlayed(0) {
    radius = 0;
    touchDamage = 0;
}
void cEnemy80::Update() {
    if (ScrollHalt == 0) {
        frame += 1;
        if (work0 < 255 && frame < 255) work0 += 1;
        if (frame >= 2001 && work0 >= 2) work0 -= 1;
        if (frame == 2250) isDying = 1;
    }
    // Once, not again on every halted frame.
    if (frame == 1 && !soundPlayed) {
        PlaySe(SoundTable.gisiki);
        soundPlayed = 1;
    }
}
void cEnemy80::HitTest() {}
void cEnemy80::Draw() {
    // Its pictures fill the screen, in two columns of the sheet from its second.
    constexpr float w = layout::kScreenWidth, h = layout::kScreenHeight;
    float sx = 0.0f;
    float sy = 0.0f;
    if (life >= 1.0f && life <= 4.0f) {
        sx = w;
        sy = h * life - h;
    } else if (life >= 5.0f && life <= 6.0f) {
        sx = 2.0f * w;
        sy = h * (life - 4.0f) - h;
    } else {
        return;  // no picture of that number
    }
    DrawPlain(sheet::kFrontLayer, x - ScrollX - w / 2.0f, y - ScrollY - h / 2.0f, w, h, sx, sy, w, h,
              AlphaWhite(work0));
}

// 81: a ring that shrinks from the whole screen; its line hurts.
cEnemy81::cEnemy81() {
    radius = layout::kScreenWidth;
    touchDamage = 0;
}
void cEnemy81::Update() {
    frame += 1;
    if (frame < 561) radius = static_cast<int32_t>(static_cast<float>(radius) - 1.0f);
    if (frame == 560) isDying = 1;
}
void cEnemy81::HitTest() {
    const auto line = [&](cPlayerBase& p) {
        const float d = DistanceTo(*this, p);
        if (static_cast<float>(radius - 2) <= d && d <= static_cast<float>(radius + 2)) p.Damage(1);
    };
    if (Player1) line(*Player1);
    if (cPlayerBase* p2 = SecondPlayer()) line(*p2);
}
void cEnemy81::Draw() {
    const float r = static_cast<float>(radius);
    DrawLookSized(*this, enemylook::kRing, angle, true, 0, 2 * r, 2 * r, -r, -r);
    angle = WrapAdd(angle, 900);
}

// 82: an aimed beam bullet every 10 frames.
cEnemy82::cEnemy82() {
    radius = 40;
    touchDamage = 0;
}
void cEnemy82::Update() {
    frame += 1;
    if (frame % 10 == 0) {
        work0 = AimAtPlayer1();
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightCapsule, .angle = work0,
                         .element = element, .speed = 2.5f});
    }
}
void cEnemy82::Draw() { DrawDisc(*this, work3); }

// 83: a turning ring of fifteen every 7 frames, an aimed shot every 180.
cEnemy83::cEnemy83() {
    radius = 30;
    work1 = 150;
}
void cEnemy83::Update() {
    frame += 1;
    if (frame % 180 == 0) {
        angle = AimAtPlayer1();
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kHugeOrb, .angle = angle, .element = element,
                         .speed = 2.0f});
    }
    if (frame % 7 == 0) {
        work2 = WrapAdd(work2, 320);
        for (int32_t k = 0; k <= 14; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = WrapAdd(work2, 4681 * k),
                             .element = element, .speed = 5.0f});
    }
}
void cEnemy83::Draw() { DrawGuardianCell(*this, work0, work3); }

// 84: a magic circle that erases the enemy bullets around it for as many
// frames as its life.
cEnemy84::cEnemy84() {
    radius = 80;
    touchDamage = 0;
}
void cEnemy84::Update() {}
void cEnemy84::HitTest() {
    cObjectManager& m = ObjectManager;
    for (std::size_t i = 0; i < m.enemyBullets.size(); ++i) {
        cEnemyBulletBase* b = m.enemyBullets[i];
        if (b->isActive != 1) continue;
        const float dx = b->x - x;
        const float dy = b->y - y;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d > static_cast<float>(b->radius + 120)) continue;
        work0 = TruncateToInt(d);
        b->isActive = 0;
        StartHitFlash(b->element, b->x, b->y);
    }
    m.innerIndex = static_cast<int32_t>(m.enemyBullets.size());
    life -= 1.0f;
    if (life <= 0.0f && !isDying) isDying = 1;
}
void cEnemy84::Draw() {
    work3 = life >= 235.0f ? 235 : TruncateToInt(life);
    DrawLookTurned(*this, enemylook::kCircle, work2, 0, AlphaWhite(work3 + 20));
    work2 = WrapAdd(work2, -50);
}

// 85: a hunter that follows player 1 and fires a three-way fan.
cEnemy85::cEnemy85() { radius = 18; }
void cEnemy85::Update() {
    frame += 1;
    if (frame < 1000) angle = AimAtPlayer1();
    MoveAndAccelerate(*this);
    if (frame % 90 == 0) {
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow, .angle = WrapAdd(angle, -2500),
                         .element = element, .speed = 2.0f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow, .angle = angle, .element = element,
                         .speed = 2.0f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kArrow, .angle = WrapAdd(angle, 2500),
                         .element = element, .speed = 2.0f});
    }
}
void cEnemy85::Draw() { DrawUpright(*this); }

// 86: two spinning streams, the second 33768 units behind the first.
cEnemy86::cEnemy86() {
    radius = 18;
    work2 = GameRand() * 2;
}
void cEnemy86::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 1) {
        work2 = GameRand() % 2;
        work0 = work2 == 0 ? 120 : -120;
    }
    work2 = WrapAdd(work2, work0);
    if (frame % 8 == 0 && frame < 800) {
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = work2, .element = element,
                         .speed = 3.4f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = WrapAdd(work2, -33768),
                         .element = element, .speed = 3.4f});
    }
}
void cEnemy86::HitTest() {}
void cEnemy86::Draw() { DrawBall(*this, work1); }
