// Enemies 50 to 61: shards, ring throwers, summoners, the guardian that halts
// the scroll, and the turrets.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScreenLayout.h"

void DrawShard(cEnemyObjectBase& e) { DrawLookTurned(e, enemylook::kSmallShard, e.angle); }
void DrawRoundCreature(cEnemyObjectBase& e, int32_t& counter, uint32_t colour) {
    DrawLook(e, enemylook::kRoundCreature, StepCounter(counter, 39) / 10, colour);
}
void DrawFigure(cEnemyObjectBase& e, int32_t& counter) {
    counter += 1;
    DrawLook(e, enemylook::kHopper, counter / 7, kWhite, FacesFirstWay(e.angle) ? 0 : 1);
    if (counter >= 13) counter = 0;
}
void DrawGuardianCell(cEnemyObjectBase& e, int32_t& counter, int32_t rotation) {
    const int32_t c = StepCounter(counter, 16) / 4;
    DrawLookTurned(e, enemylook::kGuardian, rotation, c);
}
void DrawDisc(cEnemyObjectBase& e, int32_t& rotation) {
    DrawLookTurned(e, enemylook::kDisc, rotation);
    rotation = WrapAdd(rotation, 190);
}
void DrawBall(cEnemyObjectBase& e, int32_t& rotation) {
    DrawLookTurned(e, enemylook::kBall, rotation);
    rotation = WrapAdd(rotation, 190);
}

// 50: a small shard that speeds up to 2.5.
cEnemy50::cEnemy50() {
    radius = 5;
    dropCode = 1;
}
void cEnemy50::Update() {
    frame += 1;
    MoveStep();
    if (speed < 2.5f) speed += accel;
}
void cEnemy50::Draw() { DrawShard(*this); }

// 51: one aimed shot; a ring of twenty when it breaks.
cEnemy51::cEnemy51() {
    radius = 10;
    dropCode = 1;
}
void cEnemy51::Update() {
    frame += 1;
    if (frame == 2) angle = AimAtPlayer1();
    MoveAndAccelerate(*this);
    if (frame == 240)
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kBead, .angle = AimAtPlayer1(),
                         .element = element, .speed = 4.0f, .accel = -0.005f});
}
void cEnemy51::HitTest() {
    TestShots(*this, {true, true}, [&](cPlayerBulletBase& b) {
        if (life > 0.0f || isDying) return;
        PlaySe(SoundTable.crystalhit);
        for (int32_t k = 1; k <= 20; ++k) {
            work1 = 3276 * k;
            FireFrom(*this, {.motion = Bullet::kEndsAt140, .graphic = Bullet::kMidOrb, .angle = WrapAdd(angle, work1),
                             .element = element, .speed = 5.0f, .accel = -0.04f});
        }
        PayShooter(*this, b);
        isDying = 1;
        Explode(*this);
        PlaceEnemy(x, y, {.type = objecttype::kSmallScoreItem, .element = element, .life = 1.0f});
    });
}
void cEnemy51::Draw() {
    DrawLookTurned(*this, enemylook::kGem, work0);
    work0 = WrapAdd(work0, 300);
}

// 52: summons three small enemies every 40 frames, a fan that turns each time.
cEnemy52::cEnemy52() { dropCode = 1; }
void cEnemy52::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 1) work0 = -5000;
    if (frame % 40 == 0 && frame <= 130) {
        PlaySe(SoundTable.xmasbell);
        work0 += 2000;
        // Headings from the schedule wrap rather than overflow.
        const int32_t middle = WrapAdd(angle, work0);
        SummonFrom(*this, {.type = 49, .angle = WrapAdd(middle, -3000), .element = element, .speed = 1.0f,
                           .accel = 0.05f, .life = 2.0f});
        SummonFrom(*this, {.type = 49, .angle = middle, .element = element, .speed = 1.0f, .accel = 0.05f,
                           .life = 2.0f});
        SummonFrom(*this, {.type = 49, .angle = WrapAdd(middle, 3000), .element = element, .speed = 1.0f,
                           .accel = 0.05f, .life = 2.0f});
    }
}
void cEnemy52::Draw() {
    work1 += 1;
    const int32_t c = work1 / 7;
    DrawLook(*this, enemylook::kTall, c, kWhite, FacesFirstWay(angle) ? 0 : 1);
    if (work1 >= 13) work1 = 0;
}

// 53: two shots beside its heading every 30 frames.
cEnemy53::cEnemy53() { dropCode = 1; }
void cEnemy53::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 30 == 0) {
        PlaySe(SoundTable.shot_small);
        const int32_t aim = WrapAdd(angle, turn);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kMidOrb, .angle = WrapAdd(aim, -1000),
                         .element = element, .speed = 2.0f, .accel = 0.01f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kMidOrb, .angle = WrapAdd(aim, 1000),
                         .element = element, .speed = 2.0f, .accel = 0.01f});
    }
}
void cEnemy53::Draw() { DrawRoundCreature(*this, work0, kWhite); }

// 54: closes a ring of thirty bullets around player 1 at its frame 60.
cEnemy54::cEnemy54() { dropCode = 1; }
void cEnemy54::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 60 && Player1) {
        PlaySe(SoundTable.xmasbell);
        for (int32_t k = 1; k <= 30; ++k) {
            work0 = 2184 * k;
            const float bx = Player1->aimX + Kestra::Cos(static_cast<uint32_t>(work0)) * 130.0f;
            const float by = Player1->aimY + Kestra::Sin(work0) * 130.0f;
            FireBullet(bx, by, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = work0 + 32768,
                                .element = element, .speed = 0.0f, .accel = 0.02f});
        }
    }
}
void cEnemy54::Draw() { DrawFigure(*this, work1); }

// 55: a spinning three-way stream that fades in.
cEnemy55::cEnemy55() { dropCode = 1; }
void cEnemy55::Update() {
    frame += 1;
    angle = AimAtPlayer1();
    if (frame == 1) work0 = angle;
    work0 = WrapAdd(work0, 50);
    if (frame % 10 == 0) {
        PlaySe(SoundTable.shot_small);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintSmallOrb, .angle = work0,
                         .element = element, .speed = 4.0f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintSmallOrb, .angle = WrapAdd(work0, 22000),
                         .element = element, .speed = 4.0f});
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintSmallOrb, .angle = WrapAdd(work0, 44000),
                         .element = element, .speed = 4.0f});
    }
}
void cEnemy55::Draw() { DrawRoundCreature(*this, work1, frame < 128 ? AlphaWhite(2 * frame) : kWhite); }

// 56: the guardian. Halts the scroll, runs 36 firing cycles, then clears the
// field; shot down it clears the field too and pays.
cEnemy56::cEnemy56() {
    radius = 25;
    dropCode = 2;
}
void cEnemy56::Update() {
    frame += 1;
    if (frame == 50) ScrollHalt = 1;
    if (frame < 50) MoveAndAccelerate(*this);
    angle = AimAtPlayer1();
    if (frame % 10 == 0 && frame >= 100 && frame <= 150)
        FireFrom(*this, {.motion = Bullet::kZigzag, .graphic = Bullet::kStar, .angle = WrapAdd(angle, -8000),
                         .turn = 18000, .element = elements::kFire, .speed = 4.0f});
    if (frame % 10 == 0 && frame >= 160 && frame <= 200)
        FireFrom(*this, {.motion = Bullet::kZigzag, .graphic = Bullet::kStar, .angle = WrapAdd(angle, -8000),
                         .turn = 18000, .element = elements::kIce, .speed = 4.0f});
    if (frame == 210) {
        PlaySe(SoundTable.rt_star14);
        work2 += 1;
        frame = 100;
    }
    if (work2 == 36 && !isDying) {
        ScrollHalt = 0;
        ExplodeActiveEnemies(element);
        isDying = 1;
        Explode(*this);
    }
}
void cEnemy56::HitTest() {
    TestShots(*this, {false, true}, [&](cPlayerBulletBase& b) {
        PlaySe(SoundTable.crystalhit);
        if (life > 0.0f || isDying) return;
        ScrollHalt = 0;
        ExplodeActiveEnemies(element);
        PayShooter(*this, b);
        Explode(*this);
        PlaceEnemy(x, y, {.type = objecttype::kScoreItem, .element = element, .life = 1.0f});
    });
}
void cEnemy56::Draw() { DrawGuardianCell(*this, work1, 0); }

// 57: scatters one bullet of each element every 8 frames.
cEnemy57::cEnemy57() { dropCode = 1; }
void cEnemy57::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame % 8 == 0) {
        PlaySe(SoundTable.shot_small);
        const int32_t first = GameRand() * 2;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = first,
                         .element = elements::kFire, .speed = 0.5f, .accel = 0.008f});
        const int32_t second = GameRand() * 2;
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = second, .element = elements::kIce,
                         .speed = 0.5f, .accel = 0.008f});
    }
}
void cEnemy57::Draw() {
    const int32_t c = StepCounter(work1, 20, 1) / 10;
    DrawLook(*this, enemylook::kFigure, c, kWhite, FacesFirstWay(angle) ? 0 : 1);
}

// 58: swings its speed back and forth and shoots straight up.
cEnemy58::cEnemy58() { radius = 30; }
void cEnemy58::Update() {
    frame += 1;
    MoveAndAccelerate(*this);
    if (frame == 120) accel = -accel;
    if (frame == 360) {
        accel = -accel;
        frame = 120;
    }
    if (frame % 8 == 0) {
        PlaySe(SoundTable.shot_small);
        FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintSmallOrb, .angle = 49145,
                         .element = element, .speed = 6.0f, .accel = -0.043f});
    }
}
void cEnemy58::Draw() { DrawDisc(*this, work0); }

// 59: a turret whose barrel sweeps, sweeps back, then follows player 1.
cEnemy59::cEnemy59() { radius = 30; }
void cEnemy59::Update() {
    frame += 1;
    if (frame == 120) work2 = AimAtPlayer1();
    if (frame >= 200 && frame <= 440) work2 = WrapAdd(work2, turn);
    if (frame >= 500 && frame <= 740) work2 = WrapSub(work2, turn);
    if (frame >= 800 && frame <= 1199) {
        work0 = AimAtPlayer1();
        if (work0 < work2) work2 -= 40;
        if (work0 > work2) work2 += 40;
    }
    if (frame >= 120 && frame % 5 == 0) {
        if (frame == 120 || frame == 200 || frame == 500) PlaySe(SoundTable.raser_long_stage3);
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = WrapAdd(angle, work2),
                         .element = element, .speed = 6.0f});
    }
    if (frame == 1300) frame = 0;
}
void cEnemy59::Draw() { DrawLookTurned(*this, enemylook::kBarrel, work2); }

// 60: bursts into a double ring once it has left the screen.
cEnemy60::cEnemy60() { radius = 30; }
void cEnemy60::Update() {
    frame += 1;
    MoveStep();
    const float sx = x - ScrollX;
    const float sy = y - ScrollY;
    if (frame > 30 && (sx < 0.0f || sx > layout::kScreenWidth || sy < 0.0f || sy > layout::kScreenHeight)) {
        PlaySe(SoundTable.shamyuhit);
        for (int32_t k = 1; k <= 21; ++k) {
            work2 = 1560 * k;
            const int32_t heading = WrapAdd(work2 + 16758, angle);
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = heading, .turn = -20,
                             .element = elements::kIce, .speed = 0.5f, .accel = 0.007f});
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = heading, .turn = -20,
                             .element = elements::kFire, .speed = 0.3f, .accel = 0.003f});
        }
        isDying = 1;
    }
}
void cEnemy60::Draw() { DrawBall(*this, work1); }

// 61: stops, flashes and turns into a charge field (62).
cEnemy61::cEnemy61() {
    radius = 30;
    touchDamage = 0;
}
void cEnemy61::Update() {
    frame += 1;
    if (frame < 181) MoveAndAccelerate(*this);
    if (frame == 220) {
        PlaySe(SoundTable.stillattack);
        ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kShockwave, 0, 0);
    }
    if (frame == 250) {
        SummonFrom(*this, {.type = 62, .element = element, .life = 9999.0f});
        isDying = 1;
    }
}
void cEnemy61::HitTest() {}
void cEnemy61::Draw() { DrawDisc(*this, work0); }
