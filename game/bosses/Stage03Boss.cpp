#include "game/bosses/Stage03Boss.h"

#include <cstdint>

#include "game/bosses/BossCommon.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"

namespace {

const char* const kNames[] = {"剛盾：リフレクトシールド", "剛盾：ディメンジョンビット", "剛盾：英雄の盾"};

// The opening attack's rectangle: by frame (inclusive), toward a screen point, in an element.
struct Corner {
    int32_t from, to;
    float tx, ty;
    int32_t element;
};
constexpr Corner kCorners[4] = {
    {60, 200, 100, 100, 0}, {260, 400, 100, 380, 1}, {460, 600, 500, 380, 0}, {660, 800, 500, 100, 1}};

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

Stage03Boss::Stage03Boss() : counterElement(0), reflecting(0), reflectTimer(0), shieldAngle(0) {
    SetUpStageBoss(*this, 40.0f, 1, {60, 50, 90, 60, 100}, {60, 60, 60, 60, 60, 60, 60, 60, 60},
                   {300000, 330000, 360000, 390000, 420000});
}

void Stage03Boss::Update() {
    if (!BossAppears(*this)) return;
    phaseTimer += 1;
    if (phase == 0) {
        MoveAlong(x, y, moveAngle, moveSpeed);  // along the schedule's angle
        if (phaseTimer == 150) EndEntrance(*this, true);
    }
    if (TalkOrCountSeconds(*this, INT32_MAX)) return;
    switch (phase) {
    case 2: OpeningAttack(); break;
    case 3: BreakFrame(*this, 50.0f, 240.0f, 3.0f); break;
    case 4: ShieldAttack(); break;
    case 5: BreakFrame(*this, 320.0f, 40.0f, 2.0f); break;
    case 6: BitsAttack(); break;
    case 7: BreakFrame(*this, 600.0f, 240.0f, 2.0f); break;
    case 8: HeroAttack(); break;
    case 30: EndDefeatPause(*this, 120); break;
    case 32: RaiseTally(*this, true); break;
    default: break;
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
                FireBullet(x, y, 2, 54, aim - 4000, 0, element, speed, o.lineAccel);
                FireBullet(x, y, 2, 54, aim + 4000, 0, element, speed, o.lineAccel);
            } else {
                FireBullet(x, y, 2, 54, aim, 0, element, speed, o.lineAccel);
            }
        }
        for (int32_t i = 1; i <= o.spiral0; ++i)
            FireBullet(x, y, 8, 22, 3120 * i, o.firstTurn + o.turnStep * (i - 1), 0,
                       static_cast<float>(1.0 + o.spiralStep * i), 0.002f);
        for (int32_t i = 1; i <= o.spiral1; ++i)
            FireBullet(x, y, 8, 22, 3120 * i, -o.firstTurn - o.turnStep * (i - 1), 1,
                       static_cast<float>(1.0 + o.spiralStep * i), 0.002f);
    }
    if (AttackOver(*this)) NextPhase();
}

void Stage03Boss::ShieldAttack() {
    const int32_t d = BossDifficulty();
    const Shield& s = kShield[d];
    if (phaseTimer % s.flipEvery == 0) {
        PlaySe(SoundTable.changeattribute);
        ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), 13, element, 0);
        element = element == 0 ? 1 : 0;
    }
    if (phaseTimer % s.shotEvery == 0) {
        PlaySe(SoundTable.BigShot);
        FireBullet(x, y, 1, 4, AimAtPlayer1(*this), 0, 2, s.shotSpeed, 0.0f);
    }
    // A shot of the shield's own element coming near starts a reflection.
    if (!reflecting) {
        bool near = false;
        ForEachShotNear(x, y, 60, [&](cPlayerBulletBase& shot) { near = near || shot.element == element; });
        if (near) {
            reflecting = 1;
            reflectTimer = 11;
            PlaySe(SoundTable.draw_block);
            ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), 13, element, 0);
        }
    }
    if (reflecting) {
        if (reflectTimer == 10) {
            const int32_t aim = AimAtPlayer1(*this);
            const int32_t other = element == 0 ? 1 : 0;
            for (int32_t i = 0; i < s.fanA; ++i)
                FireBullet(x, y, 8, 1, aim + GameRand() - 16758, 100, element, s.speedA, 0.017f);
            for (int32_t i = 0; i < s.fanB; ++i)
                FireBullet(x, y, 8, 1, aim + GameRand() - 16758, -100, other, s.speedB, 0.003f);
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
        SummonEnemy(x - 320, y - 10, 59, -2000, 20, 0, 0.0f, 0.0f, 9999.0f);
        SummonEnemy(x - 320, y - 10, 59, 2000, 20, 0, 0.0f, 0.0f, 9999.0f);
        SummonEnemy(x + 320, y - 10, 59, 2000, -20, 1, 0.0f, 0.0f, 9999.0f);
        SummonEnemy(x + 320, y - 10, 59, -2000, -20, 1, 0.0f, 0.0f, 9999.0f);
    }
    if (phaseTimer % (d == 2 ? 60 : 600) == 0) element = element == 0 ? 1 : 0;
    // Counter fire while a shot is near: its element chooses the answer.
    int32_t nearElement = -1;
    ForEachShotNear(x, y, 60, [&](cPlayerBulletBase& shot) {
        if (nearElement < 0) nearElement = shot.element;
    });
    if (nearElement >= 0 && phaseTimer % 3 == 0) {
        const Counter& c = kCounter[d];
        if (nearElement == element) {
            const int32_t aim = AimAtPlayer1(*this);
            FireBullet(x, y, 1, 22, aim - c.spread, 4, GameRand() % 2, c.pairSpeed, 0.02f);
            FireBullet(x, y, 1, 22, aim + c.spread, 4, GameRand() % 2, c.pairSpeed, 0.02f);
            if (d >= 1) FireBullet(x, y, 12, 22, aim, 120, GameRand() % 2, c.turningSpeed, 0.002f);
        } else {
            FireBullet(x, y, 1, 22, AimAtLater(*this), 4, GameRand() % 2, c.otherSpeed, 0.02f);
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
        for (int32_t i = 0; i < 28; ++i) ObjectManager.SpawnEffect(ix, iy, 10, element, 0);
        const int32_t aim = AimAtPlayer1(*this);
        const double step = d == 2 ? 0.3 : 0.2;
        for (int32_t i = 1; i <= 22; ++i) FireBullet(x, y, 1, 11, aim, 0, 2, static_cast<float>(step * i), 0.0001f);
    }
    if (phaseTimer == 440) {
        PlaySe(SoundTable.changeattribute);
        phaseTimer = 0;
        element = element == 0 ? 1 : 0;
    }
    if (AttackOver(*this)) EndLastAttack(*this);
}

// Each hit in the first 240 frames of the hero's shield answers with a fan.
void Stage03Boss::CounterVolley() {
    PlaySe(SoundTable.draw_block);
    ObjectManager.SpawnEffect(TruncateToInt(x), TruncateToInt(y), 13, element, 0);
    const int32_t aim = AimAtPlayer1(*this);
    for (int32_t k = 0; k <= 10; ++k)
        FireBullet(x, y, 1, 6, aim + GameRand() % 1000 - 6000 + 1000 * k, 0, counterElement, 4.0f, 0.02f);
    counterElement = counterElement == 0 ? 1 : 0;
}

void Stage03Boss::HitTest() {
    if (attackRunning == 1) BossBodyContact(x, y);
    // The shield takes hits from 50 px.
    ForEachShotNear(x, y, 50, [this](cPlayerBulletBase& s) {
        TakeBossShot(*this, s);
        if (phase == 8 && phaseTimer <= 240) CounterVolley();
    });
    if (phase > 0) KeepBoxInView(x, y, hitBox);
    SetBossBox(hitBox, x, y);
}

void Stage03Boss::Draw() {
    StepCounter(animFrame, 27);
    shieldAngle = WrapAdd(shieldAngle, 100);
    DrawBossCircle(*this, x, y, element);
    DrawBossCell(x, y, Cell(animFrame / 7, 60.0f, 0.0f), 0.0f);
    const float sx = x - ScrollX - 90, sy = y - ScrollY - 50;
    if (phase == 4)
        DrawTurned(kBossBodySlot, sx, sy, 180, 180, Cell(element, 180.0f, 0.0f), 80, 180, 180, kWhite, shieldAngle);
    if (phase == 8 && phaseTimer <= 240)
        DrawTurned(kBossBodySlot, sx, sy, 180, 180, 0, 260, 180, 180, kWhite, shieldAngle);
    DrawBossHud(*this, AttackNameOf(phase, kNames));
    if (phase == 1) RunTeamTalk(UpdateTalkYuriStage3Before, UpdateTalkCheskaStage3Before);
    if (phase == 31) RunTeamTalk(UpdateTalkYuriStage3After, UpdateTalkCheskaStage3After);
}
