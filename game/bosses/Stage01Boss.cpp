#include "game/bosses/Stage01Boss.h"

#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

namespace {

// Per difficulty 0, 1, 2.
struct Opening {
    int32_t period, spread;
    float aimedSpeed;
};
constexpr Opening kOpening[3] = {{80, 9000, 2.1f}, {40, 7000, 2.4f}, {20, 7000, 4.0f}};

struct Tail {
    int32_t dashAt;
    float dashSpeed;
    int32_t period;
    float speed, accel;
};
constexpr Tail kTail[3] = {{180, 2.5f, 20, 0.05f, 0.0003f}, {140, 3.0f, 15, 0.1f, 0.0003f},
                           {30, 3.0f, 12, 0.1f, 0.0001f}};

struct Dash {
    int32_t dashAt;
    float dashSpeed;
    int32_t burstAfter;
};
constexpr Dash kDash[3] = {{150, 3.0f, 182}, {150, 5.0f, 182}, {5, 7.0f, 32}};

}  // namespace

const BossAttack<Stage01Boss> Stage01Boss::kAttacks[] = {
    {.hp = 60, .seconds = 60, .run = &Stage01Boss::OpeningAttack},
    {.hp = 60, .seconds = 60, .bonus = 100000,
     .run = &Stage01Boss::TailAttack, .breakSeconds = 60, .breakTo = {290, 50}},
    {.hp = 40, .seconds = 60, .bonus = 120000,
     .run = &Stage01Boss::ChaseAttack, .breakSeconds = 60, .breakTo = {320, 200}},
    {.hp = 60, .seconds = 60, .bonus = 140000,
     .run = &Stage01Boss::DashAttack, .breakSeconds = 60, .breakTo = {580, 240}},
};

Stage01Boss::Stage01Boss() : chaseTarget(0) { SetUpStageBoss(*this, 30.0f, elements::kIce, kAttacks); }

void Stage01Boss::Update() {
    if (!BossAppears(*this)) return;
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        y -= 1.0f;  // rises into view
        if (phaseTimer == 150) {
            EndEntrance(*this, false);
            moveAngle = 32768;
        }
    }
    // Her talk runs from Draw only.
    if (TalkOrCountSeconds(*this, kPhaseDefeated)) return;
    switch (phase) {
    case kPhaseDefeated: EndDefeatPause(*this, 151); break;
    case kPhaseCleared: RaiseTally(*this, false); break;
    default: RunAttackOrBreak(*this, kAttacks); break;
    }
}

void Stage01Boss::OpeningAttack() {
    const int32_t d = BossDifficulty();
    if (d == 2) {
        moveAngle = AimAtPlayer1(*this);  // follows player 1
        MoveAlong(x, y, moveAngle, 0.6f);
    } else {
        moveAngle = WrapAdd(moveAngle, 130);  // a slow circle
        MoveAlong(x, y, moveAngle, 0.5f);
    }
    const Opening& o = kOpening[d];
    if (phaseTimer % o.period == 0) {
        PlaySe(SoundTable.BigShot);
        const int32_t aim = AimAtPlayer1(*this);
        if (d == 2) {
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aim - o.spread, .turn = 120,
                              .element = elements::kFire, .speed = 2.0f});
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aim + o.spread, .turn = -120,
                              .element = elements::kIce, .speed = 2.0f});
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintOrb, .angle = aim,
                              .element = RandomElement(3), .speed = o.aimedSpeed});
        } else {
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aim - o.spread,
                              .element = RandomElement(2), .speed = 1.0f});
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kOrb, .angle = aim + o.spread,
                              .element = RandomElement(2), .speed = 1.0f});
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintOrb, .angle = aim,
                              .element = RandomElement(2), .speed = o.aimedSpeed});
        }
    }
    if (AttackOver(*this)) {
        element = elements::kFire;
        // Player 1 is paid whoever fired the last shot, also on a time-out.
        if (Player1) Player1->score += 10000;
        NextPhase();
    }
}

void Stage01Boss::TailAttack() {
    const Tail& t = kTail[BossDifficulty()];
    if (phaseTimer == t.dashAt) {
        moveAngle = AimAtPlayer1(*this);
        moveSpeed = t.dashSpeed;
    }
    if (phaseTimer > t.dashAt) {
        MoveAlong(x, y, moveAngle, moveSpeed);
        if (phaseTimer % t.period == 0) {
            PlaySe(SoundTable.puni);
            for (int32_t k = 1; k <= 4; ++k)
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb,
                                  .angle = WrapAdd(moveAngle, 8888 + 16384 * k), .turn = -20, .element = element,
                                  .speed = t.speed, .accel = t.accel});
        }
    }
    // At the view's edge she turns, changes her element and dashes again.
    if (BoxOutOfView(x, y, 40.0f) && phaseTimer > 182) {
        BurstAt(x, y, element);
        element = elements::Opposite(element);
        phaseTimer = 0;
    }
    if (AttackOver(*this)) {
        element = elements::kIce;
        NextPhase();
    }
}

void Stage01Boss::ChaseAttack() {
    const int32_t d = BossDifficulty();
    const int32_t t = phaseTimer;
    moveSpeed = 2.0f;
    if (d == 2) {
        if (t >= 80 && t < 1100) {
            // Turns toward the player by 600 a frame.
            chaseTarget = AimAtPlayer1(*this);
            if (chaseTarget > 32768 && moveAngle < 32768) moveAngle += 65536;
            if (chaseTarget <= moveAngle) moveAngle -= 600;
            if (chaseTarget >= moveAngle) moveAngle += 600;
        }
        if (t >= 80) MoveAlong(x, y, moveAngle, 2.4f);
        if (t >= 80 && t % 18 == 0) {
            PlaySe(SoundTable.puni);
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = moveAngle,
                              .element = elements::kEveryone, .speed = 0.0f, .accel = -0.0002f});
        }
    } else {
        const int32_t aimUntil = d == 0 ? 600 : 900;
        if (t >= 140 && t < aimUntil) moveAngle = AimAtPlayer1(*this);
        if (t >= 140) MoveAlong(x, y, moveAngle, d == 0 ? static_cast<float>(moveSpeed * 0.7) : moveSpeed);
        // The bullets drift backward from the chase line.
        if (t >= 140 && t % (d == 0 ? 34 : 24) == 0) {
            PlaySe(SoundTable.puni);
            FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = moveAngle,
                              .element = RandomElement(2), .speed = 0.0f, .accel = -0.002f});
        }
    }
    if (BoxOutOfView(x, y, 40.0f) && phaseTimer > 900) {
        PlaySe(SoundTable.shamyuhit);
        BurstAt(x, y, element);
        phaseTimer = 0;
    }
    if (AttackOver(*this)) NextPhase();
}

void Stage01Boss::DashAttack() {
    const int32_t d = BossDifficulty();
    const Dash& s = kDash[d];
    if (phaseTimer == s.dashAt) {
        moveAngle = AimAtLater(*this);
        moveSpeed = s.dashSpeed;
    }
    if (phaseTimer > s.dashAt) MoveAlong(x, y, moveAngle, moveSpeed);
    // At the edge: a half ring turned away from the dash.
    if (BoxOutOfView(x, y, 40.0f) && phaseTimer > s.burstAfter) {
        BurstAt(x, y, element);
        PlaySe(SoundTable.shamyuhit);
        if (d == 2) {
            for (int32_t i = 1; i <= 32; ++i) {
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb,
                                  .angle = WrapAdd(moveAngle, 1024 * i + 16758), .turn = -20, .element = elements::kIce,
                                  .speed = 5.0f});
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb,
                                  .angle = WrapAdd(moveAngle, 1024 * i + 16908), .turn = -20,
                                  .element = elements::kFire, .speed = 4.6f});
            }
        } else {
            for (int32_t i = 1; i <= 35; ++i) {
                const int32_t a = WrapAdd(moveAngle, 936 * i + 16758);
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = a, .turn = -20,
                                  .element = elements::kIce, .speed = 0.5f, .accel = 0.005f});
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kFaintOrb, .angle = a, .turn = -20,
                                  .element = elements::kFire, .speed = 0.3f, .accel = 0.003f});
            }
        }
        phaseTimer = 0;
    }
    if (AttackOver(*this)) {
        EndLastAttack(*this);
        BurstAt(x, y, element);  // the explosion and its debris
    }
}

void Stage01Boss::Draw() {
    StepCounter(animFrame, 53);
    // Her talk runs before she is drawn.
    if (phase == kPhaseTalk) RunTeamTalk(UpdateTalkYuriStage1Before, UpdateTalkCheskaStage1Before);
    DrawBossCircle(*this, x, y, element);
    DrawBossCell(x, y, Cell(animFrame / 9, 60.0f, 0.0f), 0.0f);
    DrawBossHud(*this, AttackNameOf(phase, kAttacks, attacknames::kStage01Boss));
    if (phase == kPhaseAfterTalk) RunTeamTalk(UpdateTalkYuriStage1After, UpdateTalkCheskaStage1After);
}
