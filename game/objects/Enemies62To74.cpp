// Enemies 62 to 74: charge fields that feed or hurt by element, the ball the
// twin boss holds, snipers, the warning band and its strike, the moving wall
// and the timed orbs.
#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/cBossBase.h"

#include <cmath>

void DrawOrb(cEnemyObjectBase& e) {
    DrawLookTurned(e, enemylook::kOrb, e.work0);
    e.work0 = WrapAdd(e.work0, 190);
}
void DrawChargeField(cEnemyObjectBase& e, int32_t& counter, float half) {
    const int32_t c = StepCounter(counter, 12) / 4;
    DrawLookSized(e, enemylook::kChargeField, 0, false, c, 2 * half, 2 * half, -half, -half);
}

// 62: a charge field: every 30 frames feeds a player of its element inside it
// and hurts any other.
cEnemy62::cEnemy62() { radius = 50; }
void cEnemy62::Update() {
    frame += 1;
    if (frame == 240) isDying = 1;
    if (frame % 30 != 0) return;
    const auto touch = [&](cPlayerBase& p, int32_t owner) {
        if (DistanceTo(*this, p) > static_cast<float>(p.hitRadius + 50)) return;
        if (FeedOrHurt(*this, p, 1.0f, 1, 1)) {
            ObjectManager.SpawnEffect(TruncateToInt(p.aimX), TruncateToInt(p.aimY), effect::kAbsorbGlow, element,
                                      owner);
        }
    };
    if (Player1) touch(*Player1, 0);
    if (cPlayerBase* p2 = SecondPlayer()) touch(*p2, 1);
}
void cEnemy62::HitTest() {}
void cEnemy62::Draw() { DrawChargeField(*this, work2, 61.0f); }

// 63: a ball that feeds or hurts player 1; while held (mode 1) it homes on
// the boss in slot A and bursts when it reaches it.
cEnemy63::cEnemy63() { radius = 30; }
void cEnemy63::Update() {
    frame += 1;
    if (frame % 30 == 0 && Player1 && DistanceTo(*this, *Player1) <= static_cast<float>(Player1->hitRadius + 30)) {
        FeedOrHurt(*this, *Player1, 1.0f, 1, 1);
    }
    MoveStep();
    angle = WrapAdd(angle, turn);
    if (mode == 0) {
        speed += accel;
    } else if (mode == 1 && BossA) {
        accel = 0.01f;
        speed += 0.01f;
        work0 = static_cast<int32_t>(Kestra::Atan(BossA->x - x, BossA->y - y));
        angle = work0;
    }
    if (frame >= 120 && BossA) {
        const float dx = BossA->x - x;
        const float dy = BossA->y - y;
        if (std::sqrt(dx * dx + dy * dy) <= 40.0f) {
            PlaySe(SoundTable.rt_star22);
            for (int32_t k = 1; k <= 20; ++k) {
                work2 = 4369 * k;
                FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = WrapAdd(angle, work2),
                                 .element = element, .speed = 3.0f, .accel = -0.01f});
            }
            PlaySe(SoundTable.enemybreak_01);
            isDying = 1;
        }
    }
}
void cEnemy63::HitTest() {}
void cEnemy63::Draw() { DrawBall(*this, work1); }

// 64: flips its element on a shortening period and fires at each player.
cEnemy64::cEnemy64() {
    radius = 30;
    work1 = 150;
}
void cEnemy64::Update() {
    frame += 1;
    if (frame != work1) return;
    element = elements::Opposite(element);
    ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kRing, element, 0);
    PlaySe(SoundTable.crystalhit);
    work2 = AimAtPlayer1();
    for (int32_t k = 0; k <= 4; ++k)
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb, .angle = work2 - 1000 + 500 * k,
                         .element = element, .speed = 4.0f, .accel = 0.3f});
    if (cPlayerBase* p2 = SecondPlayer()) {
        work2 = AimAt(*this, p2);
        for (int32_t k = 0; k <= 4; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb, .angle = work2 - 1000 + 500 * k,
                             .element = element, .speed = 4.0f, .accel = 0.3f});
    }
    if (work1 >= 35) work1 -= 5;
    frame = 0;
}
void cEnemy64::Draw() { DrawGuardianCell(*this, work0, work3); }

// 65: bounces inside the screen; breaking, it scatters nine bullets and pays nothing.
cEnemy65::cEnemy65() : spin(0) {
    radius = 30;
    work1 = 3;
    work2 = 3;
}
void cEnemy65::Update() {
    frame += 1;
    x += static_cast<float>(work1);
    y += static_cast<float>(work2);
    if (x - ScrollX >= 600.0f) work1 = -2;
    if (x - ScrollX <= 40.0f) work1 = 2;
    if (y - ScrollY >= 440.0f) work2 = -2;
    if (y - ScrollY <= 40.0f) work2 = 2;
}
void cEnemy65::HitTest() {
    TestShots(*this, {true, true}, [&](cPlayerBulletBase&) {
        if (life > 0.0f || isDying) return;
        PlaySe(SoundTable.crystalhit);
        work0 = AimAtPlayer1();
        for (int32_t k = 0; k <= 8; ++k) {
            const elements::Kind e = RandomElement(2);
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintSmallOrb, .angle = work0 + 6553 * k,
                             .element = e, .speed = 0.2f, .accel = 0.0003f});
        }
        isDying = 1;
        Explode(*this);
    });
}
void cEnemy65::Draw() {
    DrawLookTurned(*this, enemylook::kBouncer, spin);
    spin = WrapAdd(spin, 300);
}

// 66: follows player 1 and sprinkles slow bullets of random elements.
cEnemy66::cEnemy66() { radius = 30; }
void cEnemy66::Update() {
    frame += 1;
    if (frame < 421) {
        angle = AimAtPlayer1();
        MoveAndAccelerate(*this);
    }
    if (frame % 10 == 0 && frame >= 30 && frame <= 1399) {
        const elements::Kind e = RandomElement(2);
        const int32_t a = GameRand() * 2;
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kStar, .angle = a, .element = e, .speed = 0.05f,
                         .accel = 0.003f});
    }
    if (frame == 1400) {
        PlaySe(SoundTable.shot_small);
        ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kShockwave, 0, 0);
        isDying = 1;
    }
}
void cEnemy66::HitTest() {}
void cEnemy66::Draw() { DrawDisc(*this, work1); }

// 67: flies a scripted course, firing pairs, aimed streams and a last ring.
cEnemy67::cEnemy67() { radius = 20; }
void cEnemy67::Update() {
    frame += 1;
    const int32_t f = frame;
    if (f >= 100 && f <= 200) angle = WrapAdd(angle, -100);
    if (f >= 300 && f <= 550) angle = WrapAdd(angle, -400);
    if (f >= 550 && f <= 750) angle = WrapAdd(angle, 190);
    if (f >= 820 && f <= 900) angle = WrapAdd(angle, 350);
    if (f >= 1000 && f <= 1250) angle = WrapAdd(angle, -200);
    if (f >= 1390 && f <= 2200) angle = WrapAdd(angle, -500);
    MoveAndAccelerate(*this);
    if (f >= 100 && f <= 600) {
        if (f % 20 == 0) {
            PlaySe(SoundTable.shot_small);
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kStar, .angle = WrapAdd(angle, 16383),
                             .turn = 30, .element = elements::kFire, .speed = 4.0f, .accel = -0.01f});
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kStar, .angle = WrapAdd(angle, -16383),
                             .turn = 30, .element = elements::kFire, .speed = 4.0f, .accel = -0.01f});
        }
        if ((f + 10) % 20 == 0) {
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kStar, .angle = WrapAdd(angle, 16383),
                             .turn = 30, .element = elements::kIce, .speed = 4.0f, .accel = -0.01f});
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kStar, .angle = WrapAdd(angle, -16383),
                             .turn = 30, .element = elements::kIce, .speed = 4.0f, .accel = -0.01f});
        }
    }
    if (f == 650) {
        PlaySe(SoundTable.rt_star22);
        PlaySe(SoundTable.xmasbell);
    }
    if (f % 10 == 0 && f >= 650 && f <= 850) {
        work2 = AimAtPlayer1();
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = work2,
                         .element = elements::kFire, .speed = 5.0f, .accel = -0.025f});
    }
    if (f % 10 == 0 && f >= 850 && f <= 1250) {
        work2 = AimAtPlayer1();
        FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = work2,
                         .element = elements::kIce, .speed = 5.0f, .accel = -0.025f});
    }
    if (f == 1650) {
        ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kRing, 0, 0);
        angle = AimAtPlayer1();
        for (int32_t k = 1; k <= 58; ++k)
            FireFrom(*this, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = angle + 1129 * k,
                             .element = elements::kEveryone, .speed = 8.0f});
        isDying = 1;
    }
}
void cEnemy67::Draw() { DrawDisc(*this, work1); }

// 68: lays rows of seven slow bullets, the first row down its aim.
cEnemy68::cEnemy68() {
    touchDamage = 0;
    dropCode = 1;
}
void cEnemy68::Update() {
    frame += 1;
    if (frame == 1600) {
        isDying = 1;
        Explode(*this);
    }
    const bool first = frame == 130;
    if (first || frame % 380 == 0) {
        PlaySe(SoundTable.BigShot);
        work2 = AimAtPlayer1();
        const float step = Kestra::Sin(work2);
        for (int32_t i = 0; i <= 6; ++i) {
            const float offset = static_cast<float>(20 * i) * step;
            const float bx = first ? x : x + offset;
            const float by = first ? y + offset : y;
            FireBullet(bx, by, {.motion = Bullet::kPlain, .graphic = Bullet::kMidOrb, .angle = work2,
                                .element = element, .speed = 0.0f, .accel = 0.005f});
        }
    }
}
void cEnemy68::Draw() { DrawRoundCreature(*this, work0, frame <= 80 ? AlphaWhite(3 * frame) : kWhite); }

// 69: snipes at a player who comes within 200 pixels.
cEnemy69::cEnemy69() : aim(0) {
    touchDamage = 0;
    dropCode = 2;
}
void cEnemy69::Update() {
    frame += 1;
    if (frame == 1600) {
        isDying = 1;
        Explode(*this);
    }
    const auto watch = [&](const cPlayerBase& p) {
        const float d = DistanceTo(*this, p);
        work0 = TruncateToInt(d);
        if (d > 200.0f) return;
        work1 += 1;
        if (work1 % 10 == 0 && frame >= 120) {
            PlaySe(SoundTable.nonochach);
            aim = AimAt(*this, &p);
            FireFrom(*this, {.motion = Bullet::kPlain, .graphic = Bullet::kStar, .angle = aim,
                             .element = RandomElement(3), .speed = 3.2f});
        }
    };
    if (Player1) watch(*Player1);
    if (cPlayerBase* p2 = SecondPlayer()) watch(*p2);
}
void cEnemy69::Draw() { DrawRoundCreature(*this, work2, frame <= 80 ? AlphaWhite(3 * frame) : kWhite); }

// 70: the warning band: seven band strikes per cycle, walls of bullets in the third.
cEnemy70::cEnemy70() : bandElement{}, drawCount(0) { touchDamage = 0; }
void cEnemy70::Update() {
    frame += 1;
    if (frame == 1) {
        for (elements::Kind& e : bandElement) e = RandomElement(2);
    }
    const int32_t strike = (frame - kFirstStrike) / kStrikeEvery;
    if (frame >= kFirstStrike && strike < kStrikes && (frame - kFirstStrike) % kStrikeEvery == 0) {
        PlaySe(SoundTable.stillattack);
        // A summon, in screen coordinates on both axes, so that the strike lands
        // on the band also while the view scrolls.
        SummonEnemy(x, y, {.type = 71, .element = bandElement[strike], .life = 9999.0f});
    }
    if (mode == 2) {
        const auto row = [&](float by, BulletMotion motion, BulletGraphic graphic, int32_t heading, int32_t gapFrom,
                             int32_t gapTo) {
            for (int32_t i = 0; i <= 29; ++i) {
                const int32_t at = 22 * i;
                if (at > gapFrom && at < gapTo) continue;
                FireBullet(x - 320.0f + static_cast<float>(at), by, {.motion = motion, .graphic = graphic,
                                                                     .angle = heading, .element = elements::kEveryone,
                                                                         .speed = 1.0f});
            }
        };
        if (frame == 100) row(y + 260.0f, Bullet::kEndsAt400, Bullet::kFadingBead, 49145, 639, 639);
        if (frame == 160) row(y - 260.0f, Bullet::kPlain, Bullet::kOrb, 16383, 154, 264);
        if (frame == 240) row(y - 260.0f, Bullet::kPlain, Bullet::kOrb, 16383, 440, 550);
        if (frame == 340) row(y - 260.0f, Bullet::kPlain, Bullet::kOrb, 16383, 286, 396);
        if (frame == 460) row(y - 260.0f, Bullet::kEndsAt400, Bullet::kFadingBead, 16383, 639, 639);
    }
    if (frame == 700) {
        mode += 1;
        frame = 2;
    }
    if (mode == 3) isDying = 1;
}
void cEnemy70::HitTest() {}
void cEnemy70::Draw() {
    drawCount += 1;
    if (drawCount == 700) drawCount = 2;
    if (drawCount < 81) {
        DrawLook(*this, enemylook::kBand, 0, AlphaWhite(3 * drawCount));
    } else if (drawCount <= 160) {
        DrawLook(*this, enemylook::kBand, 0, AlphaWhite(495 - 3 * drawCount));
    }
}

// 71: the band strike: at its frame 10 it feeds or hurts every player inside
// the band, then leaves.
cEnemy71::cEnemy71() {
    radius = 0;
    touchDamage = 0;
}
void cEnemy71::Update() { frame += 1; }
void cEnemy71::HitTest() {
    if (frame != 10) return;
    // The band is 240 pixels high in the middle of the view.
    const auto strike = [&](cPlayerBase& p) {
        const float sy = p.aimY - ScrollY;
        if (sy >= 120.0f && sy <= 360.0f) FeedOrHurt(*this, p, 5.0f, 5, 2);
    };
    if (Player1) strike(*Player1);
    if (cPlayerBase* p2 = SecondPlayer()) strike(*p2);
    isDying = 1;
}
void cEnemy71::Draw() {
    DrawLook(*this, enemylook::kBeam);
    work0 = WrapAdd(work0, 1);
}

// 72: a wall that slides in, waits, and slides back out.
cEnemy72::cEnemy72() {
    radius = 120;
    touchDamage = 0;
    solid = 1;
}
void cEnemy72::Update() {
    frame += 1;
    if (frame < 121) {
        x += Kestra::Cos(static_cast<uint32_t>(angle));
        y += Kestra::Sin(angle);
    }
    if (frame >= 820) {
        x -= Kestra::Cos(static_cast<uint32_t>(angle));
        y -= Kestra::Sin(angle);
    }
    StoreBox(*this);
}
void cEnemy72::HitTest() { PushOutOfBox(*this); }
void cEnemy72::Draw() { DrawWall(*this); }

// 73 and 74: an orb that lets one bullet go at its frame 300.
namespace {
void OrbUpdate(cEnemyObjectBase& e, int32_t releaseFrame, float accel) {
    e.frame += 1;
    if (e.frame == releaseFrame) {
        FireFrom(e, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = e.angle, .element = e.element,
                     .speed = 0.0f, .accel = accel});
        e.isDying = 1;
    }
}
}  // namespace

cEnemy73::cEnemy73() { radius = 15; }
void cEnemy73::Update() { OrbUpdate(*this, 300, 0.0f); }
void cEnemy73::HitTest() {}
void cEnemy73::Draw() { DrawOrb(*this); }

cEnemy74::cEnemy74() { radius = 15; }
void cEnemy74::Update() { OrbUpdate(*this, 300, 0.0f); }
void cEnemy74::HitTest() {}
void cEnemy74::Draw() { DrawOrb(*this); }

void ReleaseOrbAt100(cEnemyObjectBase& e) { OrbUpdate(e, 100, 0.001f); }
