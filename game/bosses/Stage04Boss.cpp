#include "game/bosses/Stage04Boss.h"

#include <cstdint>

#include "engine/core/KestraMath.h"
#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

int32_t Stage04Boss::streamAngle[3] = {0, 0, 0};

namespace {

constexpr int32_t kBallType = 63;
constexpr int32_t kPinballType = 65;

struct Streams {
    int32_t period;
    float speed1, accel1;
    int32_t turn2;
    float accel2;
};
constexpr Streams kStreams[3] = {{12, 2.5f, 0.0f, 350, 0.0f}, {8, 3.0f, -0.01f, 350, 0.0f}, {8, 3.0f, -0.03f, 300, 0.06f}};

struct Garden {
    float wallSpeed1, wallSpeed2;
    int32_t fanEvery, fanOffset2, fanFirst, fanStep;
    float fanSpeed1, fanAccel1, fanSpeed2, fanAccel2;
    int32_t slowEvery1, slowEvery2;
};
constexpr Garden kGarden[3] = {{5.0f, 5.0f, 140, 70, -1910, 900, 0.5f, 0.002f, 0.2f, 0.001f, 80, 80},
                               {5.0f, 5.0f, 90, 0, -1910, 900, 0.5f, 0.002f, 0.2f, 0.001f, 40, 40},
                               {7.0f, 5.0f, 8, 4, -5000, 5000, 0.5f, 0.02f, 0.5f, 0.02f, 40, 35}};

struct Tag {
    int32_t ring1, ring2;  // enemy types of the two rings
    float speed;
    int32_t chase1Until, secondRingAt, chase2From, chase2Until, restartAt;
};
constexpr Tag kTag[2] = {{73, 74, 1.5f, 300, 300, 301, 600, 600}, {97, 98, 1.8f, 100, 100, 81, 180, 180}};

// 21 enemies of a type on a circle of 120 px around (cx, cy), heading outward.
void SummonRing(float cx, float cy, int32_t type, elements::Kind element) {
    ForEachOnCircle(cx, cy, 120.0f, 0, 21, 3276, [&](float px, float py, int32_t a) {
        SummonEnemy(px, py, {.type = type, .angle = a, .element = element, .life = 888.0f});
    });
}

// Every awake enemy-list object of a type moves by (dx, dy).
void MoveAllOfType(int32_t type, float dx, float dy) {
    for (cEnemyObjectBase* e : ObjectManager.enemyList) {
        if (e->isActive != 1 || e->type != type) continue;
        e->x += dx;
        e->y += dy;
    }
}

}  // namespace

const BossAttack<Stage04Boss, Stage04Boss::Places> Stage04Boss::kAttacks[] = {
    {.hp = 80, .seconds = 60, .run = &Stage04Boss::OpeningAttack},
    {.hp = 99, .seconds = 99, .bonus = 400000,
     .run = &Stage04Boss::GardenAttack, .breakSeconds = 60, .breakTo = {true, 118, 118, -118, -118}},
    {.hp = 70, .seconds = 99, .bonus = 440000,
     .run = &Stage04Boss::CatchBallAttack, .breakSeconds = 99, .breakTo = {false, 618, 18, 18, 458}},
    // The last two breaks go toward the sides; the view keeping of the hit test stops them at its edge.
    {.hp = 65, .seconds = 99, .bonus = 480000,
     .run = &Stage04Boss::PinballAttack, .breakSeconds = 99, .breakTo = {true, 298, 5, -298, 448}},
    {.hp = 100, .seconds = 99, .bonus = 520000,
     .run = &Stage04Boss::TagAttack, .breakSeconds = 99, .breakTo = {true, 298, 5, -298, 448}},
};

Stage04Boss::Stage04Boss() : x2(0.0f), y2(0.0f), chaseAngle2(0), element2(elements::kIce), hitBox2{} {
    SetUpStageBoss(*this, 40.0f, elements::kFire, kAttacks);
}

void Stage04Boss::Update() {
    const bool wasActive = active != 0;
    if (!BossAppears(*this)) return;
    if (!wasActive) {
        x2 = x;
        y2 = y + 120.0f;
    }
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        x += 1.0f;  // both walk in from the left
        x2 += 1.0f;
        if (phaseTimer == 150) EndEntrance(*this, true);
    }
    if (TalkOrCountSeconds(*this, INT32_MAX)) return;
    switch (phase) {
    case kPhaseDefeated: EndDefeatPause(*this, 120); break;
    case kPhaseCleared: RaiseTally(*this, true); break;
    default: RunAttackOrBreak(*this, kAttacks, [this](const Places& to) { BreakMoves(to); }); break;
    }
}

// Both bodies keep a place relative to player 1, each axis stepped with a
// 4 px dead zone.
void Stage04Boss::Formation(float dx1, float dy1, float dx2, float dy2, float stepX, float stepY) {
    if (!Player1) return;
    StepAxis(x, Player1->aimX + dx1, stepX, 4.0f);
    StepAxis(y, Player1->aimY + dy1, stepY, 4.0f);
    StepAxis(x2, Player1->aimX + dx2, stepX, 4.0f);
    StepAxis(y2, Player1->aimY + dy2, stepY, 4.0f);
}

// The ends of attacks and breaks give the bodies their elements back.
void Stage04Boss::EndStep() {
    element = elements::kFire;
    if (phase > kPhaseOpening) element2 = elements::kIce;
    NextPhase();
}

void Stage04Boss::BreakMoves(const Places& to) {
    RefillBreak(*this);
    if (to.nearPlayer) {
        Formation(to.x1, to.y1, to.x2, to.y2, 3.0f, 3.0f);
    } else {
        StepAxis(x, ScrollX + to.x1, 3.0f, 4.0f);
        StepAxis(y, ScrollY + to.y1, 3.0f, 4.0f);
        StepAxis(x2, ScrollX + to.x2, 3.0f, 4.0f);
        StepAxis(y2, ScrollY + to.y2, 3.0f, 4.0f);
    }
    if (phaseTimer == 150) EndStep();
}

void Stage04Boss::OpeningAttack() {
    const int32_t d = BossDifficulty();
    if (d == 2) Formation(58, 8, -58, -8, 2.2f, 1.5f);
    else Formation(118, 8, -118, -8, 1.2f, 0.5f);
    const Streams& s = kStreams[d];
    shotAngle = WrapAdd(shotAngle, 100);
    streamAngle[d] = WrapAdd(streamAngle[d], s.turn2);
    if (phaseTimer >= 200 && phaseTimer % s.period == 0) {
        PlaySe(SoundTable.shot_small);
        for (int32_t body = 0; body < 2; ++body) {
            const float bx = body == 0 ? x : x2, by = body == 0 ? y : y2;
            const elements::Kind e = body == 0 ? element : element2;
            FireBullet(bx, by, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = shotAngle, .element = e,
                                .speed = s.speed1, .accel = s.accel1});
            FireBullet(bx, by, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = streamAngle[d],
                                .element = e, .speed = 0.4f, .accel = s.accel2});
        }
    }
    if (AttackOver(*this)) EndStep();
}

void Stage04Boss::GardenAttack() {
    const int32_t d = BossDifficulty();
    const Garden& g = kGarden[d];
    const int32_t t = phaseTimer;
    Formation(118, 118, -118, -118, 2.0f, 2.0f);
    if (t % 10 == 0) {
        // Walls: body 1 left and up, body 2 right and down.
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = 32768, .element = element,
                          .speed = g.wallSpeed1});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = 49135, .element = element,
                          .speed = g.wallSpeed1});
        FireBullet(x2, y2, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = 0, .element = element2,
                            .speed = g.wallSpeed2});
        FireBullet(x2, y2, {.motion = Bullet::kPlain2, .graphic = Bullet::kNeedle, .angle = 16383, .element = element2,
                            .speed = g.wallSpeed2});
    }
    if (t % g.fanEvery == 0) {
        PlaySe(SoundTable.puni);
        const int32_t aim = AimFrom(x, y, LaterPlayer(), moveAngle);
        for (int32_t k = 0; k <= 2; ++k)
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb,
                              .angle = aim + g.fanFirst + g.fanStep * k, .element = element, .speed = g.fanSpeed1,
                              .accel = g.fanAccel1});
    }
    if ((t + g.fanOffset2) % g.fanEvery == 0) {
        const int32_t aim = AimFrom(x2, y2, Player1, chaseAngle2);
        for (int32_t k = 0; k <= 2; ++k)
            FireBullet(x2, y2, {.motion = Bullet::kPlain2, .graphic = Bullet::kOrb,
                                .angle = aim + g.fanFirst + g.fanStep * k, .element = element2, .speed = g.fanSpeed2,
                                .accel = g.fanAccel2});
    }
    if (t % g.slowEvery1 == 0) {
        const int32_t a = GameRand() * 2;
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = a,
                          .element = RandomElement(2),
                          .speed = 0.1f});
    }
    if (t % g.slowEvery2 == 0) {
        const int32_t a = GameRand() * 2;
        FireBullet(x2, y2, {.motion = Bullet::kPlain2, .graphic = Bullet::kMidOrb, .angle = a,
                            .element = RandomElement(2), .speed = 0.1f});
    }
    if (AttackOver(*this)) EndStep();
}

void Stage04Boss::CatchBallAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    // Mirrored rectangles: body 1 left, down, right, up; body 2 the opposite.
    if (t < 200) x -= 3.0f, x2 += 3.0f;
    else if (t < 350) y += 3.0f, y2 -= 3.0f;
    else if (t < 550) x += 3.0f, x2 -= 3.0f;
    else if (t < 700) y -= 3.0f, y2 += 3.0f;
    if (t >= 700) phaseTimer = 0;
    static constexpr int32_t kEvery[3] = {140, 70, 30};
    if (t % kEvery[d] == 0) {
        PlaySe(SoundTable.xmasbell);
        const int32_t heading = static_cast<int32_t>(Kestra::Atan(x - x2, y - y2));
        if (d == 2)
            SummonEnemy(x, y, {.type = kBallType, .angle = heading, .turn = -97, .element = RandomElement(2),
                               .speed = 2.5f, .accel = 0.001f, .life = 100.0f});
        else
            SummonEnemy(x, y, {.type = kBallType, .angle = heading, .turn = -70, .element = RandomElement(2),
                               .speed = 1.0f, .accel = 0.002f, .life = 100.0f});
    }
    if (AttackOver(*this)) EndStep();
}

void Stage04Boss::PinballAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (t >= 50 && t < 350) y += 1.0f, y2 -= 1.0f;
    if (t >= 400 && t < 700) y -= 1.0f, y2 += 1.0f;
    if (t >= 800) phaseTimer = 0;
    bool summon = false;
    float life = 0.0f;
    if (d == 0) summon = t == 20 || t == 400 || t == 600, life = 7.0f;
    else if (d == 1) summon = t % 140 == 0, life = 9.0f;
    else summon = t % 30 == 0, life = 2.0f;
    if (summon) {
        PlaySe(SoundTable.xmasbell);
        SummonEnemy(x, y, {.type = kPinballType, .angle = AimAtPlayer1(*this), .element = elements::kEveryone,
                           .speed = 1.5f, .life = life});
    }
    if (!AttackOver(*this)) return;
    if (d == 0) {
        // The easiest fight ends here.
        element = elements::kFire;
        EndFightEarly(*this, true, true);
        return;
    }
    EndStep();
    ObjectManager.DestroyAllEnemies();
}

void Stage04Boss::TagAttack() {
    const Tag& g = kTag[BossDifficulty() == 2 ? 1 : 0];
    const int32_t t = phaseTimer;
    if (t == 1) {
        PlaySe(SoundTable.rt_star14);
        SummonRing(x, y, g.ring1, elements::kFire);
    }
    // Each body chases with its ring around it.
    if (t <= g.chase1Until) {
        const int32_t a = AimFrom(x, y, LaterPlayer(), moveAngle);
        const float dx = Kestra::Cos(static_cast<uint32_t>(a)) * g.speed;
        const float dy = Kestra::Sin(a) * g.speed;
        x += dx;
        y += dy;
        MoveAllOfType(g.ring1, dx, dy);
    }
    if (t == g.secondRingAt) SummonRing(x2, y2, g.ring2, elements::kIce);
    if (t >= g.chase2From && t <= g.chase2Until) {
        chaseAngle2 = AimFrom(x2, y2, Player1, chaseAngle2);
        const float dx = Kestra::Cos(static_cast<uint32_t>(chaseAngle2)) * g.speed;
        const float dy = Kestra::Sin(chaseAngle2) * g.speed;
        x2 += dx;
        y2 += dy;
        MoveAllOfType(g.ring2, dx, dy);
    }
    if (t == g.restartAt) {
        PlaySe(SoundTable.rt_star14);
        phaseTimer = 0;
    }
    if (AttackOver(*this)) EndLastAttack(*this, true);
}

// The catch ball: a free ball near body 2 is caught (it then flies home to
// body 1 by its own rule); near body 1 it is thrown toward body 2. Only the
// balls of this attack are touched: the flag is another class's content.
void Stage04Boss::HoldBalls() {
    cObjectManager& m = ObjectManager;
    for (size_t i = 0; i < m.enemyList.size(); ++i) {
        cEnemyObjectBase* e = m.enemyList[i];
        if (e->isActive != 1 || e->type != kBallType || e->mode != 0) continue;
        if (Distance(e->x, e->y, x2, y2) <= 50.0f) {
            e->mode = 1;
            PlaySe(SoundTable.nonochach);
        }
        if (Distance(e->x, e->y, x, y) <= 50.0f) {
            e->mode = 0;
            e->angle = static_cast<int32_t>(Kestra::Atan(x2 - x, y2 - y));
        }
    }
}

void Stage04Boss::HitTest() {
    if (attackRunning == 1) {
        BossBodyContact(x, y);
        BossBodyContact(x2, y2);
    }
    // Both bodies drain the one hp. Body 1 bursts once more than the base's
    // hit; body 2 bursts once and makes no sound.
    ForEachShotNear(x, y, 40, [this](cPlayerBulletBase& s) {
        ObjectManager.SpawnEffectBurst(effect::kPuffBurst, element, TruncateToInt(x), TruncateToInt(y));
        TakeBossShot(*this, s);
    });
    ForEachShotNear(x2, y2, 40, [this](cPlayerBulletBase& s) {
        ObjectManager.SpawnEffectBurst(effect::kPuffBurst, element2, TruncateToInt(x2), TruncateToInt(y2));
        hp -= s.element == element2 ? s.power * 0.5f : s.power;
        SpendShot(*this, s);
    });
    if (RunsAttack(phase, kAttacks, &Stage04Boss::CatchBallAttack)) HoldBalls();
    if (phase > kPhaseEntrance) {
        KeepBoxInView(x, y, hitBox);
        KeepBoxInView(x2, y2, hitBox2);
    }
    SetBossBox(hitBox, x, y);
    SetBossBox(hitBox2, x2, y2);
}

void Stage04Boss::Draw() {
    StepCounter(animFrame, 47);
    DrawBossCircle(*this, x, y, element);
    DrawBossCircle(*this, x2, y2, element2);
    const float cell = Cell(animFrame / 12, 60.0f, 0.0f);
    DrawBossCell(x, y, cell, 0.0f);
    DrawBossCell(x2, y2, cell, 80.0f);
    DrawBossHud(*this, AttackNameOf(phase, kAttacks, attacknames::kStage04Boss));
    if (phase == kPhaseTalk) RunTeamTalk(UpdateTalkYuriStage4Before, UpdateTalkCheskaStage4Before);
    if (phase == kPhaseAfterTalk) RunTeamTalk(UpdateTalkYuriStage4After, UpdateTalkCheskaStage4After);
}
