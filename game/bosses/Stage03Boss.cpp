#include "game/bosses/Stage03Boss.h"

#include <cstdint>
#include <optional>

#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

namespace {

// The opening attack's rectangle: by frame (inclusive), toward a screen point, in an element.
struct Corner {
    int32_t from, to;
    float tx, ty;
    elements::Kind element;
};
constexpr Corner kCorners[4] = {{60, 200, 100, 100, elements::kFire},
                                {260, 400, 100, 380, elements::kIce},
                                {460, 600, 500, 380, elements::kFire},
                                {660, 800, 500, 100, elements::kIce}};

// The opening attack's volley: an aimed line (pairs at +-4000 on difficulty 2)
// and two spirals of opposite turns.
struct Opening {
    int32_t lineCount;
    float lineStep, lineAccel;
    int32_t spiral0, spiral1;  // bullets of the element-0 and element-1 spirals
    int32_t firstTurn, turnStep;
    float spiralStep;
};
constexpr Opening kOpening[3] = {{7, 0.4f, 0.01f, 8, 8, 88, 8, 0.1f},
                                 {12, 0.5f, 0.01f, 20, 20, 88, 8, 0.1f},
                                 {17, 0.3f, 0.001f, 27, 28, 110, 30, 0.2f}};

struct Shield {
    int32_t flipEvery, shotEvery;
    float shotSpeed;
    int32_t fanA, fanB;
    float speedA, speedB;
};
constexpr Shield kShield[3] = {{300, 190, 3.4f, 6, 10, 3.0f, 2.0f},
                               {300, 110, 4.3f, 11, 19, 6.0f, 5.0f},
                               {50, 70, 4.3f, 11, 19, 6.0f, 5.9f}};

// Counter fire of the bits attack: a pair (+-spread) and, from difficulty 1,
// a turning bullet for a shot of the boss's element; one slow bullet otherwise.
struct Counter {
    int32_t spread;
    float pairSpeed, turningSpeed, otherSpeed;
};
constexpr Counter kCounter[3] = {{5000, 2.4f, 0.0f, 0.7f}, {2000, 2.1f, 2.3f, 0.7f}, {2000, 6.1f, 6.3f, 5.0f}};

}  // namespace

const BossAttack<Stage03Boss> Stage03Boss::kAttacks[] = {
    {.hp = 60, .seconds = 60, .run = &Stage03Boss::OpeningAttack},
    {.hp = 50, .seconds = 60, .bonus = 300000,
     .run = &Stage03Boss::ShieldAttack, .breakSeconds = 60, .breakTo = {50, 240}},
    {.hp = 90, .seconds = 60, .bonus = 330000,
     .run = &Stage03Boss::BitsAttack, .breakSeconds = 60, .breakTo = {320, 40, 2.0f}},
    {.hp = 60, .seconds = 60, .bonus = 360000,
     .run = &Stage03Boss::HeroAttack, .breakSeconds = 60, .breakTo = {600, 240, 2.0f}},
};

Stage03Boss::Stage03Boss() : counterElement(elements::kFire), reflecting(0), reflectTimer(0), shieldAngle(0) {
    SetUpStageBoss(*this, 40.0f, elements::kIce, kAttacks);
}

void Stage03Boss::Update() {
    if (!BossAppears(*this)) return;
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        MoveAlong(x, y, moveAngle, moveSpeed);  // along the schedule's angle
        if (phaseTimer == 150) EndEntrance(*this, true);
    }
    if (TalkOrCountSeconds(*this, INT32_MAX)) return;
    switch (phase) {
    case kPhaseDefeated: EndDefeatPause(*this, 120); break;
    case kPhaseCleared: RaiseTally(*this, true); break;
    default: RunAttackOrBreak(*this, kAttacks); break;
    }
}

void Stage03Boss::OpeningAttack() {
    const int32_t d = BossDifficulty();
    for (const Corner& c : kCorners) {
        if (phaseTimer < c.from || phaseTimer > c.to) continue;
        StepAxis(x, c.tx + ScrollX, 2.0f, 3.0f);
        StepAxis(y, c.ty + ScrollY, 2.0f, 3.0f);
        element = c.element;
    }
    if (phaseTimer == 801) phaseTimer = 0;
    if (phaseTimer % 200 == 0) {
        PlaySe(SoundTable.stillattack);
        const Opening& o = kOpening[d];
        const int32_t aim = AimAtLater(*this);
        for (int32_t i = 1; i <= o.lineCount; ++i) {
            const float speed = static_cast<float>(o.lineStep * i);
            if (d == 2) {
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightCapsule, .angle = aim - 4000,
                                  .element = element, .speed = speed, .accel = o.lineAccel});
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightCapsule, .angle = aim + 4000,
                                  .element = element, .speed = speed, .accel = o.lineAccel});
            } else {
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightCapsule, .angle = aim,
                                  .element = element, .speed = speed, .accel = o.lineAccel});
            }
        }
        for (int32_t i = 1; i <= o.spiral0; ++i)
            FireBullet(x, y, {.motion = Bullet::kTurnsTo200, .graphic = Bullet::kFaintCapsule, .angle = 3120 * i,
                              .turn = o.firstTurn + o.turnStep * (i - 1), .element = elements::kFire,
                              .speed = static_cast<float>(1.0 + o.spiralStep * i), .accel = 0.002f});
        for (int32_t i = 1; i <= o.spiral1; ++i)
            FireBullet(x, y, {.motion = Bullet::kTurnsTo200, .graphic = Bullet::kFaintCapsule, .angle = 3120 * i,
                              .turn = -o.firstTurn - o.turnStep * (i - 1), .element = elements::kIce,
                              .speed = static_cast<float>(1.0 + o.spiralStep * i), .accel = 0.002f});
    }
    if (AttackOver(*this)) NextPhase();
}

void Stage03Boss::ShieldAttack() {
    const int32_t d = BossDifficulty();
    const Shield& s = kShield[d];
    if (phaseTimer % s.flipEvery == 0) {
        PlaySe(SoundTable.changeattribute);
        ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kRing, element, 0);
        element = elements::Opposite(element);
    }
    if (phaseTimer % s.shotEvery == 0) {
        PlaySe(SoundTable.BigShot);
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kHugeOrb, .angle = AimAtPlayer1(*this),
                          .element = elements::kEveryone, .speed = s.shotSpeed});
    }
    // A shot of the shield's own element coming near starts a reflection.
    if (!reflecting) {
        bool near = false;
        ForEachShotNear(x, y, 60, [&](cPlayerBulletBase& shot) { near = near || shot.element == element; });
        if (near) {
            reflecting = 1;
            reflectTimer = 11;
            PlaySe(SoundTable.draw_block);
            ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kRing, element, 0);
        }
    }
    if (reflecting) {
        if (reflectTimer == 10) {
            const int32_t aim = AimAtPlayer1(*this);
            const elements::Kind other = elements::Opposite(element);
            for (int32_t i = 0; i < s.fanA; ++i)
                FireBullet(x, y, {.motion = Bullet::kTurnsTo200, .graphic = Bullet::kOrb,
                                  .angle = aim + GameRand() - 16758, .turn = 100, .element = element, .speed = s.speedA,
                                  .accel = 0.017f});
            for (int32_t i = 0; i < s.fanB; ++i)
                FireBullet(x, y, {.motion = Bullet::kTurnsTo200, .graphic = Bullet::kOrb,
                                  .angle = aim + GameRand() - 16758, .turn = -100, .element = other, .speed = s.speedB,
                                  .accel = 0.003f});
        }
        reflectTimer -= 1;
        if (reflectTimer < 1) reflecting = 0;
    }
    if (AttackOver(*this)) {
        reflecting = 0;
        NextPhase();
    }
}

void Stage03Boss::BitsAttack() {
    const int32_t d = BossDifficulty();
    if (phaseTimer == 40) {
        // Four bits 10 px above, two each at 320 px left and right.
        SummonEnemy(x - 320, y - 10, {.type = 59, .angle = -2000, .turn = 20, .element = elements::kFire,
                                      .life = 9999.0f});
        SummonEnemy(x - 320, y - 10, {.type = 59, .angle = 2000, .turn = 20, .element = elements::kFire,
                                      .life = 9999.0f});
        SummonEnemy(x + 320, y - 10, {.type = 59, .angle = 2000, .turn = -20, .element = elements::kIce,
                                      .life = 9999.0f});
        SummonEnemy(x + 320, y - 10, {.type = 59, .angle = -2000, .turn = -20, .element = elements::kIce,
                                      .life = 9999.0f});
    }
    if (phaseTimer % (d == 2 ? 60 : 600) == 0) element = elements::Opposite(element);
    // Counter fire while a shot is near: its element chooses the answer.
    std::optional<elements::Kind> nearElement;
    ForEachShotNear(x, y, 60, [&](cPlayerBulletBase& shot) {
        if (!nearElement) nearElement = shot.element;
    });
    if (nearElement && phaseTimer % 3 == 0) {
        const Counter& c = kCounter[d];
        if (*nearElement == element) {
            const int32_t aim = AimAtPlayer1(*this);
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = aim - c.spread,
                              .turn = 4, .element = RandomElement(2), .speed = c.pairSpeed, .accel = 0.02f});
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = aim + c.spread,
                              .turn = 4, .element = RandomElement(2), .speed = c.pairSpeed, .accel = 0.02f});
            if (d >= 1)
                FireBullet(x, y, {.motion = Bullet::kSteering, .graphic = Bullet::kFaintCapsule, .angle = aim,
                                  .turn = 120, .element = RandomElement(2), .speed = c.turningSpeed, .accel = 0.002f});
        } else {
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = AimAtLater(*this),
                              .turn = 4, .element = RandomElement(2), .speed = c.otherSpeed, .accel = 0.02f});
        }
    }
    if (!AttackOver(*this)) return;
    // The easiest fight ends here.
    if (d == 0) EndFightEarly(*this, true, false);
    else NextPhase();
}

void Stage03Boss::HeroAttack() {
    const int32_t d = BossDifficulty();
    if (phaseTimer % (d == 2 ? 110 : 240) == 0) {
        PlaySe(SoundTable.stillattack);
        const int32_t ix = TruncateToInt(x), iy = TruncateToInt(y);
        for (int32_t i = 0; i < 28; ++i) ObjectManager.SpawnEffect(ix, iy, effect::kFadingSpark, element, 0);
        const int32_t aim = AimAtPlayer1(*this);
        const double step = d == 2 ? 0.3 : 0.2;
        for (int32_t i = 1; i <= 22; ++i)
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kRing, .angle = aim,
                              .element = elements::kEveryone, .speed = static_cast<float>(step * i), .accel = 0.0001f});
    }
    if (phaseTimer == 440) {
        PlaySe(SoundTable.changeattribute);
        phaseTimer = 0;
        element = elements::Opposite(element);
    }
    if (AttackOver(*this)) EndLastAttack(*this);
}

// Each hit in the first 240 frames of the hero's shield answers with a fan.
void Stage03Boss::CounterVolley() {
    PlaySe(SoundTable.draw_block);
    ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), effect::kRing, element, 0);
    const int32_t aim = AimAtPlayer1(*this);
    for (int32_t k = 0; k <= 10; ++k)
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kNeedle,
                          .angle = aim + GameRand() % 1000 - 6000 + 1000 * k, .element = counterElement, .speed = 4.0f,
                          .accel = 0.02f});
    counterElement = elements::Opposite(counterElement);
}

void Stage03Boss::HitTest() {
    if (attackRunning == 1) BossBodyContact(x, y);
    // The shield takes hits from 50 px.
    ForEachShotNear(x, y, 50, [this](cPlayerBulletBase& s) {
        TakeBossShot(*this, s);
        if (RunsAttack(phase, kAttacks, &Stage03Boss::HeroAttack) && phaseTimer <= 240) CounterVolley();
    });
    if (phase > kPhaseEntrance) KeepBoxInView(x, y, hitBox);
    SetBossBox(hitBox, x, y);
}

void Stage03Boss::Draw() {
    StepCounter(animFrame, 27);
    shieldAngle = WrapAdd(shieldAngle, 100);
    DrawBossCircle(*this, x, y, element);
    DrawBossCell(x, y, Cell(animFrame / 7, 60.0f, 0.0f), 0.0f);
    const float sx = x - ScrollX - 90, sy = y - ScrollY - 50;
    if (RunsAttack(phase, kAttacks, &Stage03Boss::ShieldAttack))
        DrawTurned(sheet::kBossBody, sx, sy, 180, 180, Cell(element, 180.0f, 0.0f), 80, 180, 180, kWhite, shieldAngle);
    if (RunsAttack(phase, kAttacks, &Stage03Boss::HeroAttack) && phaseTimer <= 240)
        DrawTurned(sheet::kBossBody, sx, sy, 180, 180, 0, 260, 180, 180, kWhite, shieldAngle);
    DrawBossHud(*this, AttackNameOf(phase, kAttacks, attacknames::kStage03Boss));
    if (phase == kPhaseTalk) RunTeamTalk(UpdateTalkYuriStage3Before, UpdateTalkCheskaStage3Before);
    if (phase == kPhaseAfterTalk) RunTeamTalk(UpdateTalkYuriStage3After, UpdateTalkCheskaStage3After);
}
