#include "game/bosses/Stage05MidBosses.h"

#include "engine/core/KestraMath.h"
#include "game/bosses/AttackNames.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

namespace {

constexpr uint32_t kImageColour = 0xB4FFFFFFu;

// Each meets one team; neither brings pictures of its own nor an epilogue.
const ProfiledBoss::Profile kOsero = {
    .talks = {.before = {UpdateTalkYuriStage5MidBefore, nullptr}, .after = {UpdateTalkYuriStage5MidAfter, nullptr}},
    .secondsStep = 1};
const ProfiledBoss::Profile kCrow = {
    .talks = {.before = {nullptr, UpdateTalkCheskaStage5MidBefore}, .after = {nullptr, UpdateTalkCheskaStage5MidAfter}},
    .secondsStep = 1};

// The mid-bosses' leave on its 60th frame: the extra life drops and the scroll runs again.
void LeaveLife(const cBossBase& b) {
    DropExtraLife(b);
    ScrollHalt = 0;
}

}  // namespace

// ---- Osero.

const ProfiledBoss::Attack Stage05Boss_Osero::kAttacks[] = {
    {.hp = 80, .seconds = 60, .run = Run(&Stage05Boss_Osero::SummonAttack)},
    {.hp = 100, .seconds = 60, .bonus = 500000,
     .run = Run(&Stage05Boss_Osero::JetAttack), .breakSeconds = 60, .breakTo = {320, 50}},
    {.hp = 140, .seconds = 60, .bonus = 550000,
     .run = Run(&Stage05Boss_Osero::BigBangAttack), .breakSeconds = 60, .breakTo = {320, 200}},
};

Stage05Boss_Osero::Stage05Boss_Osero() : ProfiledBoss(kOsero, kAttacks, attacknames::kStage05Boss_Osero) {}

void Stage05Boss_Osero::DrawBody() { DrawSmallBody(x, y, StepBodyCell(*this, 9, 35), kWhite); }

void Stage05Boss_Osero::SummonAttack() {
    static constexpr int32_t kFirst[3] = {150, 100, 50};
    static constexpr int32_t kEvery[3] = {500, 320, 140};
    const int32_t d = BossDifficulty();
    if (phaseTimer == kFirst[d] || phaseTimer % kEvery[d] == 0)
        SummonEnemy(x, y, {.type = 66, .element = elements::kFire, .speed = 1.0f, .accel = d == 2 ? 0.0003f : 0.0001f,
                           .life = 9999.0f});
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage05Boss_Osero::JetAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    // The two jets come on the first pass only: the sweep loops back to 50.
    if (t == 40 || (d == 2 && t == 5)) {
        PlaySe(SoundTable.stillattack);
        SummonEnemy(x - 320, y + 400, {.type = 58, .element = elements::kFire, .accel = 0.041f, .life = 9999.0f});
        SummonEnemy(x + 320, y + 400, {.type = 58, .angle = 32768, .element = elements::kIce, .accel = 0.041f,
                                       .life = 9999.0f});
    }
    if (t >= 100 && t <= 300) MoveTo(50, 40, 2.0f);
    if (t >= 400 && t <= 600) MoveTo(320, 60, 2.0f);
    if (t >= 700 && t <= 900) MoveTo(590, 40, 2.0f);
    if (d >= 1 && (t == 350 || t == 650 || t == 950)) {
        PlaySe(SoundTable.enemyshot_short);
        const float px = Player1 ? Player1->aimX : x, py = Player1 ? Player1->aimY : y;
        const int32_t lines = d == 2 ? 12 : 5;
        for (int32_t i = 1; i <= lines; ++i) {
            const float speed = 0.5f * static_cast<float>(i);
            FireBullet(x + 20, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb,
                                   .angle = static_cast<int32_t>(Kestra::Atan(px - 40 - (x + 20), py - y)),
                                   .element = elements::kFire, .speed = speed, .accel = 0.002f});
            FireBullet(x - 20, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb,
                                   .angle = static_cast<int32_t>(Kestra::Atan(px + 40 - (x - 20), py - y)),
                                   .element = elements::kIce, .speed = speed, .accel = 0.002f});
        }
    }
    if (t == 1000) phaseTimer = 50;
    if (AttackOver(*this)) {
        element = elements::kIce;
        ObjectManager.DestroyAllEnemies();
        NextPhase();
    }
}

void Stage05Boss_Osero::BigBangAttack() {
    struct Bang {
        int32_t summons, turn;
        float speed, accel;
    };
    static constexpr Bang kBang[3] = {{15, 0, 0.5f, 0.0f}, {26, 0, 0.8f, 0.0f}, {32, -30, 0.8f, 0.03f}};
    const int32_t d = BossDifficulty();
    if (phaseTimer % 270 == 0) {
        PlaySe(SoundTable.rt_star14);
        StartPoolEffect(effect::kShockwave, 0, x, y);
        for (int32_t n = 0; n < kBang[d].summons; ++n) {
            const int32_t angle = GameRand() * 2;
            const elements::Kind e = RandomElement(2);
            const float speed = static_cast<float>(GameRand() % 22) * 0.1f;
            SummonEnemy(x, y, {.type = 61, .angle = angle, .turn = d == 2 ? 55 : 0, .element = e, .speed = speed,
                               .accel = -0.0001f, .life = 9999.0f});
        }
        for (int32_t k = 1; k <= 30; ++k) {
            shotAngle = 2184 * k;
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kMidOrb, .angle = shotAngle,
                              .turn = kBang[d].turn, .element = element, .speed = kBang[d].speed,
                              .accel = kBang[d].accel});
        }
        element = elements::Opposite(element);
    }
    if (AttackOver(*this)) EndLast();
}

void Stage05Boss_Osero::Depart() {
    // The life drops where she stood, then she rises on.
    if (phaseTimer == 60) LeaveLife(*this);
    y -= 3.0f;
    if (phaseTimer == 120) active = 0;
}

// ---- Crow.

const ProfiledBoss::Attack Stage05Boss_Crow::kAttacks[] = {
    {.hp = 40, .seconds = 60, .run = Run(&Stage05Boss_Crow::KnifeAttack)},
    {.hp = 70, .seconds = 60, .bonus = 500000,
     .run = Run(&Stage05Boss_Crow::CrossAttack), .breakSeconds = 60, .breakTo = {420, 240}},
    {.hp = 80, .seconds = 60, .bonus = 550000,
     .run = Run(&Stage05Boss_Crow::MirageAttack), .breakSeconds = 60, .breakTo = {320, 40}},
};

Stage05Boss_Crow::Stage05Boss_Crow()
    : ProfiledBoss(kCrow, kAttacks, attacknames::kStage05Boss_Crow),
      imageX(0.0f),
      imageY(0.0f),
      volleyCount(0),
      sideElement(elements::kFire),
      doubleShot(0) {}

void Stage05Boss_Crow::BreakEnded(int32_t k) {
    if (k == BreakBefore(kAttacks, Run(&Stage05Boss_Crow::CrossAttack))) moveAngle = 8800;
}

void Stage05Boss_Crow::DrawBody() {
    cell_ = StepBodyCell(*this, 9, 35);
    DrawSmallBody(x, y, cell_, kWhite);
}

void Stage05Boss_Crow::DrawOver() {
    if (RunsAttack(phase, kAttacks, Run(&Stage05Boss_Crow::MirageAttack)))
        DrawSmallBody(imageX, imageY, cell_, kImageColour);
}

void Stage05Boss_Crow::KnifeAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    if (t <= 100) MoveTo(60, 60, 3.0f);
    if (t >= 150 && t <= 350) MoveTo(580, 60, 3.0f);
    if (t >= 400 && t <= 500) MoveTo(320, 160, 3.0f);
    if (t >= 550 && t <= 650) MoveTo(320, 60, 3.0f);
    if (t == 780) {
        doubleShot = 1;
        phaseTimer = 0;
    }
    volleyCount += 1;
    if (volleyCount == 1) shotAngle = AimAtPlayer1(*this);
    if (volleyCount <= 30 && volleyCount % (d == 0 ? 5 : 3) == 0) {
        if (d != 0) PlaySe(SoundTable.shot_small);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = shotAngle, .element = element,
                          .speed = d == 0 ? 4.0f : 6.0f});
        if (doubleShot) {
            if (d == 0) {
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver,
                                  .angle = WrapAdd(shotAngle, 32768), .element = element, .speed = 4.0f});
            } else {
                const int32_t turn = d == 2 ? 10 : 0;
                const float speed = d == 2 ? 5.0f : 4.0f;
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver,
                                  .angle = WrapAdd(shotAngle, 2500), .turn = -turn, .element = element,
                                  .speed = speed});
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver,
                                  .angle = WrapAdd(shotAngle, -2500), .turn = turn, .element = element,
                                  .speed = speed});
            }
        }
    }
    if (volleyCount == 40) {
        volleyCount = 0;
        element = elements::Opposite(element);
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage05Boss_Crow::CrossAttack() {
    struct Cross {
        int32_t every, turn;
        float speed;
    };
    static constexpr Cross kCross[3] = {{10, 0, 3.0f}, {5, 0, 5.0f}, {5, 50, 7.0f}};
    const Cross& c = kCross[BossDifficulty()];
    if (phaseTimer % 60 == 0) {
        moveAngle = WrapAdd(moveAngle, 10920);
        shotAngle = WrapAdd(moveAngle, 8228);
        element = elements::Opposite(element);
        sideElement = elements::Opposite(element);
    }
    if (phaseTimer % 300 == 0) {
        const cPlayerBase* second = SecondPlayer();
        shotAngle = second && second->isActive ? AimFrom(x, y, second, shotAngle) : AimAtPlayer1(*this);
    }
    MoveAlong(x, y, moveAngle, 2.2f);  // a hexagon, turning every second
    volleyCount += 1;
    if (volleyCount % c.every == 0) {
        PlaySe(SoundTable.shot_small);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = shotAngle, .turn = c.turn,
                          .element = element, .speed = c.speed});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = WrapAdd(shotAngle, 32765),
                          .turn = c.turn, .element = element, .speed = c.speed});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = WrapAdd(shotAngle, 16383),
                          .turn = c.turn, .element = sideElement, .speed = c.speed});
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSliver, .angle = WrapAdd(shotAngle, -16383),
                          .turn = c.turn, .element = sideElement, .speed = c.speed});
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        NextPhase();
    }
}

namespace {

// One stretch of the mirror attack: the moves of boss and image per frame and
// the knives each fires (no knife where the angle rule is None).
enum class Aim { None, Spread, Back, Fixed };
struct Stretch {
    int32_t from, to;
    float bossDx, bossDy, imageDx, imageDy;
    int32_t bossBase, bossSpread, bossSign;     // angle = base + sign * (rand() % spread)
    int32_t imageBase, imageSpread, imageSign;  // spread 0: no knife
    float speed;
};
// Spreads are those of difficulty 2; the easier ones spread every knife by 1000.
constexpr Stretch kMirage[9] = {
    {0, 70, -4, 0, 4, 0, 0, 0, 1, 0, 0, 1, 0.0f},
    {70, 170, 0, 4, 0, 4, 0, 8000, 1, 32768, 8000, -1, 0.0f},  // speed by difficulty
    {200, 300, 0, -4, 0, 0, 0, 8000, -1, 0, 0, 1, 5.0f},
    {250, 450, 0, 0, 0, -2, 0, 0, 1, 32768, 9000, -1, 5.0f},
    {300, 400, 0, 4, 0, 0, 0, 8000, 1, 0, 0, 1, 5.0f},
    {500, 645, 4, 0, -4, 0, 49145, 6000, 1, 16383, 6000, 1, 5.0f},
    {650, 750, 0, -4, 0, 4, 32768, 5000, 1, 0, 5000, -1, 5.0f},
    {750, 895, -4, 0, 4, 0, 16384, 4000, 1, 49145, 4000, 1, 5.0f},
    {900, 1000, 0, 0, 0, -4, 0, 0, 1, 32768, 3000, -1, 5.0f},
};

}  // namespace

void Stage05Boss_Crow::MirageAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    static constexpr int32_t kPeriod[3] = {8, 4, 3};
    if (t == 1) {
        imageX = x;
        imageY = y;
    }
    for (const Stretch& s : kMirage) {
        if (t < s.from || t > s.to) continue;
        x += s.bossDx;
        y += s.bossDy;
        imageX += s.imageDx;
        imageY += s.imageDy;
        if (t % kPeriod[d] != 0 || (s.bossSpread == 0 && s.imageSpread == 0)) continue;
        PlaySe(SoundTable.knifeswing);
        const float speed = s.speed > 0.0f ? s.speed : (d == 2 ? 7.0f : d == 1 ? 5.0f : 4.0f);
        if (s.bossSpread) {
            int32_t angle;
            if (s.from == 200 && d < 2) angle = GameRand() % 1000;
            else angle = s.bossBase + s.bossSign * (GameRand() % (d == 2 ? s.bossSpread : 1000));
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kCrescent, .angle = angle,
                              .element = elements::kFire, .speed = speed});
        }
        if (s.imageSpread) {
            const int32_t angle = s.imageBase + s.imageSign * (GameRand() % (d == 2 ? s.imageSpread : 1000));
            FireBullet(imageX, imageY, {.motion = Bullet::kPlain2, .graphic = Bullet::kCrescent, .angle = angle,
                                        .element = elements::kIce, .speed = speed});
        }
    }
    // The last stretch aims: the boss at the later player, the image at player 1.
    if (t >= 1000 && t <= 1300 && t % (d == 0 ? 10 : kPeriod[d]) == 0) {
        PlaySe(SoundTable.knifeswing);
        const float speed = d == 0 ? 4.0f : 7.0f;
        const int32_t spread = d == 2 ? 5500 : 500;
        const cPlayerBase* second = SecondPlayer();
        const int32_t aim = second && second->isActive ? AimFrom(x, y, second, shotAngle) : AimAtPlayer1(*this);
        FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kCrescent, .angle = aim - GameRand() % spread,
                          .element = elements::kFire, .speed = speed});
        const int32_t imageAim = AimFrom(imageX, imageY, Player1, shotAngle);
        FireBullet(imageX, imageY, {.motion = Bullet::kPlain2, .graphic = Bullet::kCrescent,
                                    .angle = imageAim - GameRand() % spread, .element = elements::kIce,
                                        .speed = speed});
    }
    if (t == 1310) phaseTimer = 70;
    if (AttackOver(*this)) EndLast();
}

void Stage05Boss_Crow::Depart() {
    // He sinks first: the life drops where he has moved to.
    y += 2.0f;
    if (phaseTimer == 60) LeaveLife(*this);
    if (phaseTimer == 300) active = 0;
}
