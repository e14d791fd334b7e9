#include "game/bosses/Stage02Boss.h"

#include <cstdint>

#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

int32_t Stage02Boss::summonShift = 0;

namespace {

// The first named attack's path: from frame `from` (inclusive) to `to`
// (exclusive) toward a screen point.
struct Leg {
    int32_t from, to;
    float tx, ty;
};
constexpr Leg kFlowerPath[6] = {{0, 300, 50, 240},     {400, 700, 320, 420},   {700, 1000, 580, 240},
                                {1000, 1300, 320, 60}, {1300, 1600, 320, 240}, {1650, 1950, 320, 60}};

struct Summons {
    int32_t period;
    float life;
};
constexpr Summons kSummons[3] = {{290, 10.0f}, {250, 20.0f}, {120, 10.0f}};

struct Disperser {
    int32_t period, count, step;
    float speed;
};
constexpr Disperser kDisperser[3] = {{300, 18, 3640, 1.5f}, {240, 24, 2730, 2.0f}, {220, 32, 2048, 3.0f}};

// The last attack's four blocks of volleys: speed and accel by difficulty 1, 2.
struct RingBlock {
    int32_t from, to, every;
    bool aims;  // aimed anew, else turned on by 6955
    float speed[2], accel[2];
};
constexpr RingBlock kRingBlocks[4] = {{1, 640, 80, true, {1.0f, 3.0f}, {0.005f, -0.01f}},
                                      {860, 1400, 40, false, {1.0f, 3.0f}, {0.005f, 0.005f}},
                                      {1610, 2310, 80, true, {1.2f, 1.2f}, {0.005f, 0.005f}},
                                      {2400, 3000, 40, false, {1.4f, 3.4f}, {0.005f, -0.008f}}};

}  // namespace

const BossAttack<Stage02Boss> Stage02Boss::kAttacks[] = {
    {.hp = 60, .seconds = 60, .run = &Stage02Boss::OpeningAttack},
    {.hp = 50, .seconds = 60, .bonus = 200000,
     .run = &Stage02Boss::FlowerAttack, .breakSeconds = 60, .breakTo = {320, 60}},
    {.hp = 60, .seconds = 60, .bonus = 220000,
     .run = &Stage02Boss::DisperserAttack, .breakSeconds = 60, .breakTo = {600, 240}},
    {.hp = 65, .seconds = 70, .bonus = 240000,
     .run = &Stage02Boss::RingAttack, .breakSeconds = 70, .breakTo = {600, 240}},
};

Stage02Boss::Stage02Boss() : ringElement(0) { SetUpStageBoss(*this, 40.0f, elements::kIce, kAttacks); }

void Stage02Boss::Update() {
    if (!BossAppears(*this)) return;
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        y += 1.0f;  // sinks into view
        if (phaseTimer == 150) {
            ObjectManager.DestroyAllEnemies();  // and again as the entrance ends: two bursts each
            EndEntrance(*this, true);
        }
    }
    // The talk's first run comes from here, after the frame was drawn.
    if (TalkOrCountSeconds(*this, INT32_MAX, UpdateTalkYuriStage2Before, UpdateTalkCheskaStage2Before)) return;
    switch (phase) {
    case kPhaseDefeated: EndDefeatPause(*this, 120); break;
    case kPhaseCleared: RaiseTally(*this, true); break;
    default:
        // Her first break turns her to element 0, on each of its frames.
        if (phase == kPhaseOpening + 1) element = elements::kFire;
        RunAttackOrBreak(*this, kAttacks);
        break;
    }
}

void Stage02Boss::OpeningAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (d == 2) {
        MoveTo(320.0f, 240.0f, 3.0f);
        if (t <= 2) ScrollHalt = 0;  // the stage scrolls on through this fight
    } else {
        // A square path.
        if (t >= 100 && t < 200) x += 2.0f;
        if (t >= 300 && t < 450) y += 2.0f;
        if (t >= 550 && t < 750) x -= 2.0f;
        if (t >= 850 && t < 1000) y -= 2.0f;
        if (t >= 1100 && t < 1200) x += 2.0f;
        if (t > 1200) phaseTimer = 0;
    }
    static constexpr int32_t kPeriods[3] = {290, 240, 200};
    if (phaseTimer % kPeriods[d] == 0) {
        PlaySe(SoundTable.rt_star14);
        if (d == 0) {
            FireSpread(x, y, 14, 4681,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .turn = 50,
                        .element = elements::kFire, .speed = 1.0f, .accel = -0.01f});
            FireSpread(x, y, 19, 3449,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .turn = -50,
                        .element = elements::kIce, .speed = 1.0f, .accel = -0.005f});
        } else if (d == 1) {
            FireSpread(x, y, 18, 2730,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .turn = 50,
                        .element = elements::kFire, .speed = 1.0f, .accel = -0.01f});
            FireSpread(x, y, 24, 2730,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .turn = -50,
                        .element = elements::kIce, .speed = 1.0f, .accel = -0.005f});
        } else {
            moveAngle = WrapAdd(moveAngle, 6000);
            FireSpread(x, y, 18, 2730,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = moveAngle, .turn = 50,
                        .element = elements::kFire, .speed = 1.0f, .accel = -0.08f});
            FireSpread(x, y, 24, 2730,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = moveAngle, .turn = -50,
                        .element = elements::kIce, .speed = 1.0f, .accel = -0.05f});
            FireSpread(x, y, 24, 2184,
                       {.motion = Bullet::kPlain2, .graphic = Bullet::kRingedOrb, .angle = moveAngle, .turn = 80,
                        .element = elements::kEveryone, .speed = 1.0f, .accel = -0.03f});
        }
    }
    if (AttackOver(*this)) NextPhase();
}

void Stage02Boss::FlowerAttack() {
    const int32_t d = BossDifficulty();
    const float step = d == 2 ? 4.0f : 2.0f;
    for (const Leg& leg : kFlowerPath)
        if (phaseTimer >= leg.from && phaseTimer < leg.to) MoveTo(leg.tx, leg.ty, step);
    const Summons& s = kSummons[d];
    if ((static_cast<uint32_t>(phaseTimer) + static_cast<uint32_t>(summonShift)) % static_cast<uint32_t>(s.period) ==
        0) {
        PlaySe(SoundTable.puni);
        SummonEnemy(x, y, {.type = 13, .angle = moveAngle, .element = RandomElement(2), .life = s.life});
    }
    if (phaseTimer > 2000) {
        summonShift = WrapAdd(summonShift, 60);
        phaseTimer = 0;
    }
    if (AttackOver(*this)) NextPhase();
}

void Stage02Boss::DisperserAttack() {
    const int32_t d = BossDifficulty();
    const Disperser& p = kDisperser[d];
    if (d == 2) MoveTo(320.0f, 60.0f, 3.0f);
    if (phaseTimer % p.period == 0) {
        moveAngle = AimAtPlayer1(*this);
        PlaySe(SoundTable.rt_star14);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kHugeOrb, .angle = moveAngle,
                          .turn = d == 2 ? 1 : 0, .element = elements::kFire, .speed = p.speed});
        // A ring of 50 px whose bullets fly out along the aimed line.
        ForEachOnCircle(x, y, 50.0f, 1, p.count, p.step, [&](float bx, float by, int32_t a) {
            FireBullet(bx, by, {.motion = Bullet::kTurnsAt160, .graphic = Bullet::kRingedOrb, .angle = moveAngle,
                                .turn = a, .element = RandomElement(2), .speed = p.speed});
        });
    }
    if (!AttackOver(*this)) return;
    // The easiest fight ends here.
    if (d == 0) EndFightEarly(*this, false, true);
    else NextPhase();
}

void Stage02Boss::RingAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    const int32_t column = d == 2 ? 1 : 0;
    for (const RingBlock& block : kRingBlocks) {
        if (t < block.from || t > block.to || t % block.every != 0) continue;
        moveAngle = block.aims ? AimAtPlayer1(*this) : WrapAdd(moveAngle, 6955);
        PlaySe(SoundTable.rt_star22);
        ringElement = (ringElement + 1) % 3;
        ForEachOnCircle(x, y, 80.0f, 0, 21, 3276, [&](float bx, float by, int32_t) {
            FireBullet(bx, by, {.motion = Bullet::kPlain, .graphic = Bullet::kMidOrb, .angle = moveAngle,
                                .element = elements::FromNumber(ringElement), .speed = block.speed[column],
                                .accel = block.accel[column]});
        });
    }
    if (t >= 690 && t < 850) MoveTo(320.0f, 240.0f, 2.0f);
    if (t >= 1450 && t < 1610) MoveTo(50.0f, 240.0f, 2.0f);
    if (t >= 2400 && t < 3000) MoveTo(600.0f, 240.0f, 1.0f);
    if (d == 2) MoveTo(320.0f, 240.0f, 3.0f);
    if (t >= 3000) phaseTimer = 0;
    if (AttackOver(*this)) EndLastAttack(*this, true);
}

void Stage02Boss::Draw() {
    StepCounter(animFrame, 27);
    DrawBossCircle(*this, x, y, element);
    DrawBossCell(x, y, Cell(animFrame / 7, 60.0f, 0.0f), 0.0f);
    DrawBossHud(*this, AttackNameOf(phase, kAttacks, attacknames::kStage02Boss));
    if (phase == kPhaseTalk) RunTeamTalk(UpdateTalkYuriStage2Before, UpdateTalkCheskaStage2Before);
    if (phase == kPhaseAfterTalk) RunTeamTalk(UpdateTalkYuriStage2After, UpdateTalkCheskaStage2After);
}
