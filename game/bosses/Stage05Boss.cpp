// Cheska: an opening spray, cats, a light-and-dark stream with a spinner,
// guide posts, monotone walls and the last summons. Her seconds run at two a
// second.
#include "game/bosses/AttackNames.h"
#include "game/bosses/Stage05StageBosses.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

namespace {

// Team 1's talks only; the pre-fight talk's first run comes from Update.
const ProfiledBoss::Profile kProfile = {
    .talks = {.before = {UpdateTalkYuriStage5Before, nullptr},
              .after = {UpdateTalkYuriStage5After, nullptr},
              .ending = {UpdateTalkYuriStage5Ending, nullptr}},
    .talkFromUpdate = true,
    .secondsStep = 2,
    .pictures = &kCheskaPictures};

// A cat's speed, accel and life by difficulty.
struct Cat {
    float speed, accel, life;
};
struct CatWave {
    int32_t at;
    int32_t angles[2];
    elements::Kind elements[2];
    Cat by[3];
};
constexpr CatWave kCatWaves[3] = {
    {150, {2000, 30765}, {elements::kFire, elements::kFire},
     {{1.0f, 0.03f, 2.0f}, {1.0f, 0.03f, 5.0f}, {3.0f, 0.03f, 5.0f}}},
    {220, {5000, 27765}, {elements::kFire, elements::kIce},
     {{2.0f, 0.03f, 3.0f}, {2.0f, 0.03f, 5.0f}, {2.0f, 0.03f, 5.0f}}},
    {300, {8000, 24765}, {elements::kIce, elements::kIce},
     {{1.0f, 0.05f, 2.0f}, {1.0f, 0.05f, 5.0f}, {3.0f, 0.05f, 5.0f}}},
};
constexpr Cat kStrayCat[3] = {{1.0f, 0.07f, 3.0f}, {1.0f, 0.07f, 5.0f}, {3.0f, 0.07f, 5.0f}};
constexpr Cat kLastCats[3] = {{0.8f, 0.01f, 2.0f}, {1.0f, 0.03f, 5.0f}, {0.1f, 0.03f, 10.0f}};

void SummonCat(const cBossBase& b, int32_t angle, int32_t turn, elements::Kind element, const Cat& c) {
    SummonEnemy(b.x, b.y, {.type = 60, .angle = angle, .turn = turn, .element = element, .speed = c.speed,
                           .accel = c.accel, .life = c.life});
}

// Five cats around the aim, turning.
void CatStar(const cBossBase& b, int32_t aim, elements::Kind element, const Cat& c) {
    for (int32_t k = 1; k <= 5; ++k) SummonCat(b, WrapAdd(aim, 13107 * k), 50, element, c);
}

}  // namespace

const ProfiledBoss::Attack Stage05Boss::kAttacks[] = {
    {.hp = 60, .seconds = 60, .run = Run(&Stage05Boss::OpeningAttack)},
    {.hp = 70, .seconds = 99, .bonus = 1000000,
     .run = Run(&Stage05Boss::CatAttack), .breakSeconds = 60, .breakTo = {290, 50}},
    {.hp = 100, .seconds = 99, .bonus = 1100000,
     .run = Run(&Stage05Boss::SpinnerAttack), .breakSeconds = 60, .breakTo = {320, 240}},
    {.hp = 80, .seconds = 99, .bonus = 1200000,
     .run = Run(&Stage05Boss::GuidePostAttack), .breakSeconds = 99, .breakTo = {320, 50}},
    {.hp = 110, .seconds = 99, .bonus = 1300000,
     .run = Run(&Stage05Boss::WallAttack), .breakSeconds = 99, .breakTo = {320, 50}},
    {.hp = 300, .seconds = 159, .bonus = 1400000,
     .run = Run(&Stage05Boss::LastAttack), .breakSeconds = 99, .breakTo = {320, 90}},
};

Stage05Boss::Stage05Boss() : ProfiledBoss(kProfile, kAttacks, attacknames::kStage05Boss), aimScratch(0) {}

void Stage05Boss::DrawBody() {
    // Her cell is read after the wrap, as the first four bosses read theirs.
    DrawSmallBody(x, y, StepCounter(animFrame, 32) / 8, kWhite, 44.0f);
}

void Stage05Boss::OpeningAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (t <= 200) MoveTo(40, 410, 2.0f);
    if (t >= 260 && t <= 460) MoveTo(40, 50, 2.0f);
    static constexpr int32_t kAimEvery[3] = {110, 50, 20};
    static constexpr int32_t kSprayEvery[3] = {7, 3, 2};
    if (t % kAimEvery[d] == 0) {
        shotAngle = AimAtLater(*this);
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kRing, .angle = shotAngle, .element = element,
                          .speed = d == 2 ? 0.5f : 1.1f, .accel = 0.02f});
    }
    const bool spraying = t <= 200 || (t >= 260 && t <= 460);
    if (spraying && t % kSprayEvery[d] == 0) {
        // Leftward, slowing, coming back.
        const int32_t angle = d == 2 ? GameRand() % 8000 + 28768 : GameRand() % 6000 + 29768;
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = angle,
                          .element = RandomElement(2), .speed = d == 2 ? 0.3f : 0.4f,
                          .accel = d == 2 ? -0.005f : -0.006f});
    }
    if (t == 500) {
        element = elements::Opposite(element);
        phaseTimer = 0;
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
    }
}

void Stage05Boss::CatAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (t <= 100) MoveTo(320, 90, 1.5f);
    if (t >= 200 && t <= 400) MoveTo(320, 170, 1.0f);
    if (t >= 700 && t <= 900) MoveTo(320, 240, 1.0f);
    for (const CatWave& w : kCatWaves) {
        if (t != w.at) continue;
        PlaySe(SoundTable.nonochach);
        for (int32_t i = 0; i < 2; ++i) SummonCat(*this, w.angles[i], 0, w.elements[i], w.by[d]);
    }
    if (t >= 400 && t <= 700 && t % (d == 0 ? 70 : 30) == 0) {
        shotAngle = AimAtPlayer1(*this);
        const int32_t angle = shotAngle + GameRand() % 16000 - 8000;
        SummonCat(*this, angle, 0, RandomElement(2), kStrayCat[d]);
    }
    if (d == 2 && t == 500) CatStar(*this, AimAtPlayer1(*this), elements::kFire, {0.1f, 0.03f, 10.0f});
    if (t == 900) CatStar(*this, AimAtPlayer1(*this), elements::kIce, kLastCats[d]);
    if (t == 1000) phaseTimer = 0;
    if (AttackOver(*this)) {
        ObjectManager.DestroyAllEnemies();
        element = elements::kIce;
        NextPhase();
    }
}

void Stage05Boss::SpinnerAttack() {
    const int32_t d = BossDifficulty();
    const float streamSpeed = d == 0 ? 3.0f : 4.0f;
    const auto stream = [&](elements::Kind e) {
        PlaySe(SoundTable.shot_small);
        aimScratch = AimAtPlayer1(*this);
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aimScratch, .element = e,
                          .speed = streamSpeed});
    };
    if (d == 2) {
        // Two light shots and a dark one every 14 frames.
        if (phaseTimer == 14) {
            stream(elements::kIce);
            phaseTimer = 0;
        }
        if (phaseTimer == 0 || phaseTimer == 7) stream(elements::kFire);
    } else {
        const int32_t half = d == 0 ? 81 : 41;
        const int32_t end = d == 0 ? 160 : 80;
        if (phaseTimer % 7 == 0) stream(phaseTimer < half ? elements::kFire : elements::kIce);
        if (phaseTimer == end) phaseTimer = 0;
    }
    static constexpr int32_t kTurn[3] = {40, 70, 230};
    shotAngle = WrapAdd(shotAngle, kTurn[d]);
    if (phaseTimer % (d == 2 ? 5 : 6) == 0) {
        // Element 2 matches neither player: these cannot be absorbed.
        const BulletGraphic graphic = d == 0 ? Bullet::kFaintCapsule : Bullet::kBrightCapsule;
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = graphic, .angle = shotAngle,
                          .element = elements::kEveryone, .speed = 7.0f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = graphic, .angle = WrapAdd(shotAngle, 22000),
                          .element = elements::kFire, .speed = 7.0f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = graphic, .angle = WrapAdd(shotAngle, 44000),
                          .element = elements::kIce, .speed = 7.0f});
    }
    if (AttackOver(*this)) {
        NextPhase();
        // The guide posts are skipped.
        if (d == 0) phase = BreakBefore(kAttacks, Run(&Stage05Boss::WallAttack));
    }
}

void Stage05Boss::GuidePostAttack() {
    const int32_t d = BossDifficulty();
    if (phaseTimer == 1) {
        PlaceEnemy(80, 90, {.type = 83, .element = elements::kFire, .life = 150.0f});
        PlaceEnemy(560, 90, {.type = 83, .element = elements::kIce, .life = 150.0f});
    }
    const bool fires = d == 2 ? phaseTimer % 70 == 0 : d == 1 && hp <= 20.0f && phaseTimer % 170 == 0;
    if (fires) {
        moveAngle = AimAtPlayer1(*this);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kHugeOrb, .angle = moveAngle,
                          .element = elements::kEveryone, .speed = d == 2 ? 2.0f : 1.0f,
                              .accel = d == 2 ? 0.005f : 0.002f});
    }
    if (AttackOver(*this)) {
        NextPhase();
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage05Boss::WallAttack() {
    const int32_t d = BossDifficulty();
    static constexpr int32_t kFallEvery[3] = {80, 60, 30};
    static constexpr int32_t kSweepEvery[3] = {100, 80, 60};
    static constexpr float kSpeed[3] = {2.0f, 2.0f, 3.0f};
    const float gap = d == 0 ? 24.0f : 22.0f;
    if (phaseTimer % kFallEvery[d] == 0) {
        PlaySe(SoundTable.xmasbell);
        shotAngle = 16383;
        for (int32_t i = 0; i < 30; ++i)
            FireBullet(x - 320 + gap * static_cast<float>(i), y - 40,
                       {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = 16383, .element = RandomElement(2),
                        .speed = kSpeed[d]});
    }
    static constexpr float kWornHp[3] = {60.0f, 70.0f, 80.0f};
    static constexpr int32_t kWornSeconds[3] = {70, 60, 70};
    const bool worn = hp <= kWornHp[d] || secondsLeft <= kWornSeconds[d];
    if (worn && phaseTimer % kSweepEvery[d] == 0) {
        shotAngle = 0;
        for (int32_t j = 0; j < 26; ++j) {
            const elements::Kind e = RandomElement(d == 2 ? 3 : 2);
            FireBullet(x - 320, y - 40 + gap * static_cast<float>(j),
                       {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = 0, .element = e,
                        .speed = kSpeed[d]});
        }
    }
    if (AttackOver(*this)) {
        // On difficulty 0 this is the last attack: its step to the break pays it once.
        if (d == 0) EndFightEarly(*this, true, true);
        else NextPhase();
    }
}

void Stage05Boss::LastAttack() {
    if (phaseTimer == 20) {
        PlaySe(SoundTable.Stardust);
        SummonEnemy(x - 270, y, {.type = 64, .element = elements::kFire, .life = 9999.0f});
        SummonEnemy(x + 270, y, {.type = 64, .element = elements::kFire, .life = 9999.0f});
        SummonEnemy(x - 270, y + 350, {.type = 64, .element = elements::kFire, .life = 9999.0f});
        SummonEnemy(x + 270, y + 350, {.type = 64, .element = elements::kFire, .life = 9999.0f});
    }
    if (BossDifficulty() == 2)
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = GameRand() * 2,
                          .element = elements::kEveryone, .speed = 2.0f, .accel = 0.04f});
    if (AttackOver(*this)) EndLast();
}
