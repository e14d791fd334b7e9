// Yuri: a looping opening, the railgun at the right edge, fans, comical
// sparks, closing rings around the player and the finishing star bursts.
// Several attacks loop with a period that shrinks each lap.
#include <iterator>

#include "game/bosses/AttackNames.h"
#include "game/bosses/Stage05StageBosses.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

namespace {

// Team 2's talks; the epilogue runs for either team. Her cut-in runs in break 11 too.
const ProfiledBoss::Profile kProfile = {
    .talks = {.before = {nullptr, UpdateTalkCheskaStage5Before},
              .after = {nullptr, UpdateTalkCheskaStage5After},
              .ending = {UpdateTalkCheskaStage5Ending, UpdateTalkCheskaStage5Ending}},
    .secondsStep = 1,
    .pictures = &kYuriPictures,
    .breakEleven = true};

// One comical spark: a summon at the aim plus an offset.
struct Spark {
    int32_t at, offset;
    elements::Kind element;
    float accel;
};
constexpr Spark kSparks2[8] = {
    {70, -8000, elements::kFire, 0.004f}, {140, 8000, elements::kIce, 0.004f},     {170, 8000, elements::kFire, 0.004f},
    {210, -5000, elements::kIce, 0.004f}, {240, 0, elements::kEveryone, 0.004f},   {280, 5000, elements::kFire, 0.01f},
    {320, -5000, elements::kIce, 0.01f},  {370, 0, elements::kEveryone, 0.004f}};
constexpr Spark kSparks1[5] = {
    {70, -8000, elements::kFire, 0.004f}, {140, 8000, elements::kIce, 0.004f}, {210, -5000, elements::kIce, 0.004f},
    {280, 5000, elements::kFire, 0.004f}, {370, 0, elements::kEveryone, 0.004f}};
constexpr Spark kSparks0[4] = {{70, -8000, elements::kFire, 0.004f}, {170, 8000, elements::kIce, 0.004f},
                               {250, -5000, elements::kIce, 0.004f}, {340, 5000, elements::kFire, 0.004f}};

}  // namespace

const ProfiledBoss::Attack Stage05Boss_Yuri::kAttacks[] = {
    {.hp = 90, .seconds = 80, .run = Run(&Stage05Boss_Yuri::OpeningAttack)},
    {.hp = 80, .seconds = 99, .bonus = 1000000,
     .run = Run(&Stage05Boss_Yuri::RailgunAttack), .breakSeconds = 80, .breakTo = {600, 240}},
    {.hp = 80, .seconds = 99, .bonus = 1100000,
     .run = Run(&Stage05Boss_Yuri::FanAttack), .breakSeconds = 99, .breakTo = {320, 30}},
    {.hp = 90, .seconds = 99, .bonus = 1200000,
     .run = Run(&Stage05Boss_Yuri::SparkAttack), .breakSeconds = 99, .breakTo = {50, 240}},
    {.hp = 160, .seconds = 99, .bonus = 1300000,
     .run = Run(&Stage05Boss_Yuri::SurpriseAttack), .breakSeconds = 99, .breakTo = {320, 50}},
    {.hp = 450, .seconds = 299, .bonus = 1400000,
     .run = Run(&Stage05Boss_Yuri::FinishAttack), .breakSeconds = 99, .breakTo = {320, 220}},
};

Stage05Boss_Yuri::Stage05Boss_Yuri()
    : ProfiledBoss(kProfile, kAttacks, attacknames::kStage05Boss_Yuri),
      ringScratch(0),
      altElement(elements::kFire),
      loopLength(0) {}

void Stage05Boss_Yuri::BreakEnded(int32_t k) {
    if (k == BreakBefore(kAttacks, Run(&Stage05Boss_Yuri::RailgunAttack))) loopLength = 60;
}

void Stage05Boss_Yuri::DrawBody() { DrawSmallBody(x, y, StepBodyCell(*this, 9, 35), kWhite); }

void Stage05Boss_Yuri::OpeningAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (t == 1 && loopLength == 0) loopLength = 120;
    if (t <= 200) MoveTo(200, 80, 1.0f);
    else if (t <= 400) MoveTo(480, 80, 1.0f);
    else if (t <= 600) MoveTo(320, 180, 1.0f);
    else if (t <= 800) MoveTo(320, 380, 1.0f);
    else if (t <= 1200) MoveTo(320, 80, 1.0f);
    // Two aimed pairs of knives.
    const int32_t pairEvery = d == 0 ? 4 : 3;
    const int32_t pairGap = d == 0 ? 5000 : 3000;
    const float pairSpeed = d == 0 ? 4.0f : 5.0f;
    for (int32_t from : {30, 90}) {
        if (t == from) shotAngle = AimAtPlayer1(*this);
        if (!EveryInFrames(t, from, from + 50, pairEvery)) continue;
        if (d == 2) shotAngle = AimAtPlayer1(*this);
        PlaySe(SoundTable.shot_small);
        const int32_t lead = from == 30 ? 0 : -pairGap;  // the second pair opens to the other side
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = WrapAdd(shotAngle, lead),
                          .element = elements::kFire, .speed = pairSpeed});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver,
                          .angle = WrapAdd(shotAngle, lead + pairGap), .element = elements::kIce, .speed = pairSpeed});
    }
    if (t == 170 || t == 500) {
        shotAngle = AimAtPlayer1(*this);
        PlaySe(SoundTable.Stardust);
    }
    // Then a turning pair: one way, back the other way, (hardest) one way again.
    int32_t turn = 0;
    const int32_t every = d == 0 ? 3 : 2;
    if (t >= 170 && t < 500) turn = t <= 470 ? (d == 2 ? 840 : d == 1 ? 640 : 440) : 0;
    else if (t >= 500 && t <= 1200) turn = d == 2 ? (t < 800 ? -990 : 1030) : (d == 1 ? -790 : -550);
    if (turn != 0 && t % every == 0) {
        shotAngle = WrapAdd(shotAngle, turn);
        const int32_t open = d == 0 ? 3000 : 2000;
        const float speed = d == 0 ? 4.0f : 5.0f;
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintSmallOrb,
                          .angle = WrapAdd(shotAngle, -open), .element = elements::kFire, .speed = speed});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintSmallOrb,
                          .angle = WrapAdd(shotAngle, open), .element = elements::kIce, .speed = speed});
    }
    if (t == loopLength + 1200) {
        phaseTimer = 0;
        loopLength -= 30;
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
    }
}

void Stage05Boss_Yuri::RailgunAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    // Along the right edge at the player's height.
    MoveTo(600, Player1 ? Player1->aimY - ScrollY : y - ScrollY, 1.0f);
    if (t == 58) StartPoolEffect(effect::kAbsorbBloom, 0, x, y);
    if (t == 60) {
        shotAngle = AimAtPlayer1(*this);
        // The start-up handle of the long laser: the stage-3 one is empty here.
        PlaySe(SoundTable.raser_long);
    }
    if (EveryInFrames(t, 60, 140, 2)) {
        // The first three on the lower difficulties.
        static constexpr struct {
            int32_t offset;
            elements::Kind element;
        } kShots[] = {{0, elements::kEveryone}, {-3000, elements::kIce}, {3000, elements::kFire},
                      {6000, elements::kIce},   {-6000, elements::kFire}};
        const size_t shots = d == 2 ? std::size(kShots) : 3;
        for (size_t i = 0; i < shots; ++i)
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSpark,
                              .angle = WrapAdd(shotAngle, kShots[i].offset), .element = kShots[i].element,
                              .speed = 6.0f});
    }
    static constexpr int32_t kSparkEvery[3] = {20, 4, 2};
    if (EveryInFrames(t, 60, 140, kSparkEvery[d])) {
        PlaySe(SoundTable.shot_small);
        const float step = d == 2 ? 0.3f : 0.1f;
        const int32_t up = shotAngle + 3000 + GameRand() % 7000;
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintSmallOrb, .angle = up, .turn = -20,
                          .element = elements::kIce, .speed = static_cast<float>(GameRand() % 20) * step,
                              .accel = 0.001f});
        const int32_t down = shotAngle - 3000 - GameRand() % 7000;
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintSmallOrb, .angle = down, .turn = 20,
                          .element = elements::kFire, .speed = static_cast<float>(GameRand() % 20) * step,
                              .accel = 0.001f});
    }
    // Each beam two frames sooner than the last, without a floor.
    if (phaseTimer == loopLength + 140) {
        phaseTimer = 10;
        loopLength -= 2;
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
        // The fans are skipped.
        if (d == 0) phase = BreakBefore(kAttacks, Run(&Stage05Boss_Yuri::SparkAttack));
    }
}

void Stage05Boss_Yuri::FanAttack() {
    const int32_t d = BossDifficulty();
    if (d >= 1 && phaseTimer % (d == 2 ? 70 : 120) == 0) {
        PlaySe(SoundTable.xmasbell);
        shotAngle = AimAtPlayer1(*this);
        const float accel = d == 2 ? 0.003f : 0.0001f;
        for (float lag : {0.0f, 0.1f}) {
            for (int32_t i = 0; i < 15; ++i) {
                const float speed = 0.2f * static_cast<float>(i) + lag;
                for (int32_t off : {-10000, 0, 10000})
                    FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb,
                                      .angle = WrapAdd(shotAngle, off), .element = altElement, .speed = speed,
                                      .accel = accel});
            }
            altElement = elements::Opposite(altElement);
        }
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
    }
}

void Stage05Boss_Yuri::SparkAttack() {
    const int32_t d = BossDifficulty();
    if (phaseTimer == 1) loopLength = 120;
    const Spark* sparks = d == 2 ? kSparks2 : d == 1 ? kSparks1 : kSparks0;
    const int32_t count = d == 2 ? 8 : d == 1 ? 5 : 4;
    for (int32_t i = 0; i < count; ++i) {
        if (phaseTimer != sparks[i].at) continue;
        PlaySe(SoundTable.puni);
        shotAngle = AimAtPlayer1(*this);
        SummonEnemy(x, y, {.type = 86, .angle = WrapAdd(shotAngle, sparks[i].offset), .element = sparks[i].element,
                           .speed = 1.0f, .accel = sparks[i].accel, .life = 990.0f});
    }
    if (phaseTimer == loopLength + 400) {
        phaseTimer = 2;
        loopLength -= 5;
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage05Boss_Yuri::SurpriseAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    static constexpr int32_t kRingEvery[3] = {130, 81, 66};
    if (t % kRingEvery[d] == 0) {
        PlaySe(SoundTable.rt_star22);
        element = RandomElement(2);
        const float px = Player1 ? Player1->aimX : x, py = Player1 ? Player1->aimY : y;
        ForEachOnCircle(px, py, 230.0f, 1, 30, 2184, [&](float rx, float ry, int32_t a) {
            ringScratch = a;
            FireBullet(rx, ry, {.motion = Bullet::kSlowing, .graphic = Bullet::kRingedOrb, .angle = ringScratch + 32768,
                                .element = element, .speed = 1.5f});
        });
    }
    const auto knife = [&](float speed, float accel) {
        PlaySe(SoundTable.knifeswing);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kWideGlow, .angle = shotAngle,
                          .element = elements::kEveryone, .speed = speed, .accel = accel});
    };
    if (d == 2) {
        if (t == 20) shotAngle = AimAtPlayer1(*this);
        if (EveryInFrames(t, 20, 990, 6)) {
            shotAngle = WrapAdd(shotAngle, 7777);
            knife(4.0f, 0.0f);
        }
    } else {
        if (t == 180) shotAngle = AimAtPlayer1(*this);
        const int32_t every = d == 1 ? 10 : 20;
        if (EveryInFrames(t, 180, 270, every)) knife(d == 1 ? 5.0f : 3.0f, 0.0f);
        if (EveryInFrames(t, 450, d == 1 ? 600 : 540, every)) {
            shotAngle = AimAtPlayer1(*this);
            knife(d == 1 ? 4.0f : 3.0f, 0.0f);
        }
        if (EveryInFrames(t, 700, d == 1 ? 960 : 800, d == 1 ? 17 : 20)) {
            shotAngle = AimAtPlayer1(*this);
            knife(1.7f, d == 1 ? -0.003f : 0.0f);
        }
    }
    if (t == 990) phaseTimer = 1;
    if (AttackOver(*this)) {
        element = elements::kFire;
        // On difficulty 0 this is the last attack: its step to the break pays it once.
        if (d == 0) {
            EndFightEarly(*this, true, true);
        } else {
            NextPhase();
            ObjectManager.DestroyAllEnemies();
        }
    }
}

void Stage05Boss_Yuri::FinishAttack() {
    const int32_t d = BossDifficulty();
    if (d >= 1) {
        if (phaseTimer == 1) loopLength = d == 2 ? 98 : 124;
        if (phaseTimer == loopLength) {
            PlaySe(SoundTable.xmasbell);
            StartPoolEffect(effect::kAbsorbBloom, element, x, y);
            for (int32_t i = 0; i < 80; ++i) {
                const int32_t angle = GameRand() * 2;
                const int32_t r = GameRand() % 30;
                const float speed = d == 2 ? static_cast<float>(r) * 0.2f + 2.0f : static_cast<float>(r) * 0.1f + 1.0f;
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kRandomGlow, .angle = angle,
                                  .element = element, .speed = speed, .accel = 0.001f});
            }
            phaseTimer = 2;
            if (loopLength >= 50) loopLength -= 2;  // never below 48 frames
            element = elements::Opposite(element);
        }
        if (d == 2 && phaseTimer % 3 == 0)
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = GameRand() * 2,
                              .element = elements::kEveryone, .speed = 2.0f, .accel = 0.04f});
    }
    if (AttackOver(*this)) EndLast();
}
