// Palet and Copic: one boss, two bodies on one hp. Copic flies and paints
// (blocks, a wall that swallows shots, which come back in the next attack);
// Palet holds the beam of the last attack. They leave after their talk.
// Summons and blocks take the pair's stage positions as they are (the extra
// stage never scrolls).
#include "engine/core/KestraMath.h"
#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/bosses/Stage06Bosses.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

namespace {

constexpr uint32_t kWallColour = 0xFAFFFFFFu;

// A coordinate comes to rest in the band [target - 4, target] (not MoveTo's
// dead zone around the target).
void StepBand(float& v, float target, float step) {
    if (v > target) v -= step;
    else if (v < target - 4) v += step;
}

// Copic's opening stretches: direction (or an aim taken at the stretch's
// start), element and accel of her spray.
struct Stretch {
    int32_t from, to, direction;
    bool aims;
    elements::Kind element;
    float accel;
};
constexpr Stretch kSpray[5] = {{80, 140, 30000, false, elements::kFire, 0.01f},
                               {140, 260, 2000, false, elements::kIce, 0.01f},
                               {260, 380, 30000, false, elements::kFire, 0.02f},
                               {380, 500, 0, true, elements::kIce, 0.03f},
                               {500, 620, 0, true, elements::kFire, 0.03f}};

struct Dash {
    int32_t at, from, to, elements;
};
constexpr Dash kDashes[7] = {{275, 300, 460, 2},    {600, 640, 790, 2},    {900, 950, 1110, 2}, {1300, 1350, 1500, 2},
                             {1500, 1540, 1690, 2}, {1900, 1950, 2200, 3}, {2500, 2510, 2660, 3}};

}  // namespace

const BossAttack<Stage06_PaletCopic, Stage06_PaletCopic::Bands> Stage06_PaletCopic::kAttacks[] = {
    {.hp = 100, .seconds = 60, .run = &Stage06_PaletCopic::OpeningAttack},
    {.hp = 130, .seconds = 99, .bonus = 3000000,
     .run = &Stage06_PaletCopic::DefenceAttack, .breakSeconds = 99, .breakTo = {400, 60, 200, 50}},
    {.hp = 130, .seconds = 99, .bonus = 3000000,
     .run = &Stage06_PaletCopic::ReturnAttack, .breakSeconds = 99, .breakTo = {610, 240, 550, 120}},
    {.hp = 140, .seconds = 150, .bonus = 3000000,
     .run = &Stage06_PaletCopic::BurstAttack, .breakSeconds = 99, .breakTo = {330, 240, 300, 240}},
    {.hp = 170, .seconds = 150, .bonus = 3000000,
     .run = &Stage06_PaletCopic::BeamAttack, .breakSeconds = 99, .breakTo = {30, 450, 80, 240}},
};

Stage06_PaletCopic::Stage06_PaletCopic()
    : imageX(0.0f),
      imageY(0.0f),
      copicAngle(0),
      copicSpin(0),
      burstAngle(0),
      copicElement(elements::kFire),
      backAlpha(0),
      wallX(0),
      wallY(0),
      wallAngle(0),
      wallActive(0),
      copicBox{},
      wallHits(0) {
    SetUpStageBoss(*this, 100.0f, elements::kIce, kAttacks);
}

void Stage06_PaletCopic::Update() {
    const bool asleep = active == 0;
    if (!BossAppears(*this)) return;
    if (asleep) {
        imageX = x;
        imageY = y + 60;
    }
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        y += 1.0f;
        imageY += 1.0f;
        // Their own entrance's end: the timer restarts, the enemies stay.
        if (phaseTimer == 150) {
            phase = kPhaseTalk;
            phaseTimer = 0;
        }
    }
    // Their talk runs from Draw only; the seconds run in every phase from 2.
    if (TalkOrCountSeconds(*this, INT32_MAX)) return;
    switch (phase) {
    case kPhaseDefeated:
        // Not the common pause: 150 frames, then straight into the talk with the life dropped.
        if (phaseTimer == 150) {
            GameState.subState = kSubStateDialogue;
            phase = kPhaseAfterTalk;
            phaseTimer = 0;
            // Beaten: the bodies leave through the field and must not hurt anyone.
            attackRunning = 0;
            DropExtraLife(*this);
        }
        break;
    case kPhaseAfterTalk: GameState.subState = kSubStateDialogue; break;
    case kPhaseCleared:
        ScrollHalt = 0;
        // A game over set by this frame's hit tests stands.
        if (GameState.subState != kSubStateGameOver) GameState.subState = kSubStatePlay;
        y += 2.0f;
        imageY += 2.0f;
        if (phaseTimer == 300) active = 0;
        break;
    default: RunAttackOrBreak(*this, kAttacks, [this](const Bands& to) { BreakFrame(to); }); break;
    }
}

void Stage06_PaletCopic::StepPalet(float tx, float ty, float step) {
    StepBand(x, tx + ScrollX, step);
    StepBand(y, ty + ScrollY, step);
}

void Stage06_PaletCopic::StepCopic(float tx, float ty, float step) {
    StepBand(imageX, tx + ScrollX, step);
    StepBand(imageY, ty + ScrollY, step);
}

void Stage06_PaletCopic::BreakFrame(const Bands& to) {
    // The common break, but each body steps into its own band, not MoveTo's.
    RefillBreak(*this);
    StepPalet(to.paletX, to.paletY, 3.0f);
    StepCopic(to.copicX, to.copicY, 3.0f);
    if (EndBreakOnTime(*this)) element = elements::kIce;
}

void Stage06_PaletCopic::EndAttack() {
    const int32_t k = phase;
    const bool defence = RunsAttack(k, kAttacks, &Stage06_PaletCopic::DefenceAttack);
    if (k == kPhaseOpening || defence) {
        NextPhase();
        element = elements::kFire;
        if (defence) ObjectManager.DestroyAllEnemies();
    } else {
        NextPhase();
        phaseTimer = 0;
        ObjectManager.DestroyAllEnemies();
        ObjectManager.CancelEnemyBullets();
    }
}

void Stage06_PaletCopic::OpeningAttack() {
    const int32_t t = phaseTimer;
    if (t < 81) {
        StepPalet(320, 36, 1.0f);
        StepCopic(320, 70, 1.0f);
    }
    if (InFrames(t, 620, 720)) StepCopic(320, 70, 3.0f);
    if (t == 80 || t == 140 || t == 260 || t == 380 || t == 500 || t == 620) PlaySe(SoundTable.Stardust);
    for (const Stretch& s : kSpray) {
        if (t < s.from || t >= s.to) continue;
        if (s.aims && t == s.from) copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
        MoveAlong(imageX, imageY, s.aims ? copicAngle : s.direction, 4.0f);
        if (t % 2 == 0)
            FireBullet(imageX, imageY, {.motion = Bullet::kWaits150, .graphic = Bullet::kSmallCapsule,
                                        .angle = GameRand() * 2, .element = s.element, .speed = 0.0f,
                                        .accel = s.accel});
    }
    if (t == 720) phaseTimer = 80;
    if (AttackOver(*this)) EndAttack();
}

void Stage06_PaletCopic::PlaceWall(float dy, int32_t angle) {
    wallX = TruncateToInt(imageX);
    wallY = TruncateToInt(imageY + dy);
    wallAngle = angle;
    wallActive = 1;
}

void Stage06_PaletCopic::DefenceAttack() {
    const int32_t t = phaseTimer;
    if (t == 60 || t == 160 || t == 350 || t == 590 || t == 650) PlaySe(SoundTable.Stardust);
    if (t % 5 == 0)
        ObjectManager.SpawnEffect(TruncateToInt(imageX), TruncateToInt(imageY), effect::kConfetti, copicElement, 0);
    // Copic's flight: she leaves a block every fifth frame of it.
    bool flying = false;
    if (InFrames(t, 60, 150)) {
        copicAngle = 3000;
        flying = true;
    }
    if (t == 155) copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
    if (InFrames(t, 160, 320)) flying = true;
    if (InFrames(t, 350, 430)) {
        copicAngle = static_cast<int32_t>(Kestra::Atan(320 + ScrollX - imageX, 440 + ScrollY - imageY));
        flying = true;
    }
    if (t == 590) copicAngle = static_cast<int32_t>(Kestra::Atan(30 + ScrollX - imageX, 240 + ScrollY - imageY));
    if (t == 650) copicAngle = static_cast<int32_t>(Kestra::Atan(240 + ScrollX - imageX, 50 + ScrollY - imageY));
    if (InFrames(t, 590, 730)) flying = true;
    if (flying) {
        MoveAlong(imageX, imageY, copicAngle, 4.0f);
        if (t % 5 == 0) PlaceEnemy(imageX, imageY, {.type = 75, .angle = copicAngle, .element = elements::kEveryone,
                                                    .life = 5.0f});
    }
    if (t == 155 || t == 325) PlaceWall(60, 16384);
    if (t == 460) PlaceWall(-60, 49356);
    if (InFrames(t, 450, 470) && t % 3 == 0) {
        FireBullet(imageX, imageY, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightNeedle, .angle = 0,
                                    .element = elements::kEveryone, .speed = 6.0f});
        FireBullet(imageX, imageY, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightNeedle, .angle = 32768,
                                    .element = elements::kEveryone, .speed = 6.0f});
    }
    if (InFrames(t, 460, 610) && t % 24 == 0) {
        PlaySe(SoundTable.draw_block);
        PlaceEnemy(static_cast<float>(GameRand() % layout::kScreenWidth), 540,
                   {.type = 76, .angle = 49145, .element = elements::kEveryone, .speed = 1.0f, .life = 12.0f});
    }
    if (t == 760) {
        phaseTimer = 0;
        PlaceWall(60, 16384);
    }
    if (AttackOver(*this)) EndAttack();
}

void Stage06_PaletCopic::ReturnAttack() {
    const int32_t t = phaseTimer;
    const int32_t w = wallHits;
    if (t == 1) {
        copicAngle = 6000;
        copicSpin = 90;
    }
    copicAngle = WrapAdd(copicAngle, copicSpin);
    // Every swallowed shot lengthens the streams.
    if (t >= 81 && t % 7 == 0 && t < 4 * w + 600) {
        PlaySe(SoundTable.enemyshot_short);
        PlaceEnemy(imageX, imageY, {.type = 87, .angle = copicAngle, .element = RandomElement(2), .speed = 7.0f,
                                    .life = 13.0f});
    }
    if (t == 670)
        for (int32_t i = 0; i < w / 3; ++i)
            PlaceEnemy(imageX, imageY, {.type = 87, .angle = GameRand() + 16384, .element = elements::kEveryone,
                                        .speed = 4.0f, .accel = 0.02f, .life = 13.0f});
    if (InFrames(t, 641, 1199) && t % 150 == 0) {
        PlaySe(SoundTable.puni);
        PlaceEnemy(imageX, imageY, {.type = 88, .angle = copicAngle, .element = elements::kEveryone, .speed = 0.4f,
                                    .accel = 0.003f, .life = 200.0f});
    }
    if (t > 950 && t % 7 == 0 && t < 6 * w + 950) {
        PlaySe(SoundTable.shot_small);
        for (int32_t i = 0; i < 13; ++i) {
            copicAngle = AimFrom(imageX, imageY, LaterPlayer(), copicAngle);
            const int32_t angle = GameRand() * 2;
            FireBullet(imageX, imageY, {.motion = Bullet::kPlain2, .graphic = Bullet::kBrightNeedle, .angle = angle,
                                        .element = RandomElement(3), .speed = 6.0f});
        }
    }
    if (t == 1500) phaseTimer = 0;
    if (AttackOver(*this)) EndAttack();
}

void Stage06_PaletCopic::Burst(int32_t count, int32_t elements) {
    PlaySe(SoundTable.rt_star22);
    burstAngle = GameRand() * 2;
    const float d = static_cast<float>(GameRand() % 200 + 210);
    const float px = (Player1 ? Player1->aimX : x) + d * Kestra::Cos(static_cast<uint32_t>(burstAngle));
    const float py = (Player1 ? Player1->aimY : y) + d * Kestra::Sin(burstAngle);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t angle = GameRand() * 2;
        FireBullet(px, py, {.motion = Bullet::kPlain2, .graphic = Bullet::kNarrowGlow, .angle = angle,
                            .element = RandomElement(elements), .speed = 1.0f, .accel = 0.008f});
    }
    StartPoolEffect(effect::kRing, GameRand() % 2, px, py);
}

void Stage06_PaletCopic::BurstAttack() {
    if (phaseTimer % 36 == 0) Burst(16, 2);
    if (phaseTimer % 40 == 0 && hp <= 70.0f) Burst(26, 3);
    if (AttackOver(*this)) EndAttack();
}

void Stage06_PaletCopic::BeamAttack() {
    const int32_t t = phaseTimer;
    if (t == 20 || t == 380 || t == 780 || t == 1700) PlaySe(SoundTable.princessbomb_laser);
    const bool follows = InFrames(t, 801, 1349) || InFrames(t, 1701, 2249);
    const bool beamOn = InFrames(t, 41, 269) || InFrames(t, 401, 619) || follows;
    if (InFrames(t, 41, 269)) y -= 1.5f;
    if (InFrames(t, 401, 619)) y += 1.5f;
    if (follows && Player1) StepAxis(y, Player1->aimY, 1.5f, 1.5f);
    if (InFrames(t, 271, 359)) y -= 1.0f;
    if (InFrames(t, 1431, 1599)) y -= 1.5f;
    if (InFrames(t, 621, 679)) y += 1.0f;
    if (InFrames(t, 2291, 2499)) y += 1.5f;
    if (beamOn) {
        if (t % 2 == 0) FireBullet(x + 30, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kBigSpark, .angle = 0,
                                               .element = elements::kEveryone, .speed = 6.0f});
        if (t % 24 == 0) StartPoolEffect(effect::kBigFlash, 0, x + 5, y);
    }
    for (const Dash& dash : kDashes) {
        if (t == dash.at) {
            PlaySe(SoundTable.stillattack);
            StartPoolEffect(effect::kFlash, 0, imageX, imageY);
            copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
        }
        if (!InFrames(t, dash.from, dash.to)) continue;
        MoveAlong(imageX, imageY, copicAngle, 4.0f);
        if (t % 3 == 0) {
            const int32_t angle = GameRand() * 2;
            FireBullet(imageX, imageY, {.motion = Bullet::kSpeedsUpTo60, .graphic = Bullet::kFaintSmallOrb,
                                        .angle = angle, .element = RandomElement(dash.elements), .speed = 0.0f,
                                        .accel = -0.001f});
        }
    }
    if (t == 2900) phaseTimer = 0;
    if (AttackOver(*this)) EndLastAttack(*this, true);
}

void Stage06_PaletCopic::HitTest() {
    // One hurt for a player touching either body (the twins hurt once per body).
    if (attackRunning == 1) {
        for (cPlayerBase* p : {Player1, SecondPlayer()}) {
            if (!p) continue;
            if (Distance(x, y, p->aimX, p->aimY) <= 40.0f || Distance(imageX, imageY, p->aimX, p->aimY) <= 40.0f)
                p->Damage(1);
        }
    }
    ForEachShotNear(x, y, 40, [this](cPlayerBulletBase& s) { TakeBossShot(*this, s); });
    // Copic takes a fifth of her partner's element and a tenth of the other, silently.
    ForEachShotNear(imageX, imageY, 40, [this](cPlayerBulletBase& s) {
        hp -= s.element == element ? s.power * 0.2f : s.power * 0.1f;
        SpendShot(*this, s);
    });
    if (phase >= kPhaseTalk && phase < kPhaseDefeated) {
        KeepBoxInView(x, y, hitBox);
        KeepBoxInView(imageX, imageY, copicBox);
    }
    SetBossBox(hitBox, x, y);
    SetBossBox(copicBox, imageX, imageY);
    if (RunsAttack(phase, kAttacks, &Stage06_PaletCopic::DefenceAttack) && wallActive == 1) {
        ForEachShotNear(static_cast<float>(wallX), static_cast<float>(wallY), 80, [this](cPlayerBulletBase& s) {
            s.isActive = 0;
            wallHits += 1;
        });
    }
}

void Stage06_PaletCopic::Draw() {
    const int32_t cell = StepBodyCell(*this, 11, 43);
    // The backdrop fades in until the first named attack and out as they leave.
    if (phase < PhaseOfAttack(kAttacks, &Stage06_PaletCopic::DefenceAttack) && backAlpha < 255) backAlpha += 1;
    if (phase >= kPhaseCleared && backAlpha > 0) backAlpha -= 1;
    constexpr float w = layout::kScreenWidth, h = layout::kScreenHeight;
    DrawPlain(sheet::kFrontLayer, 0, 0, w, h, 1280, 480, w, h, AlphaWhite(backAlpha));
    DrawBossCircle(*this, x, y, element);
    DrawBossCircle(*this, imageX, imageY, copicElement);
    DrawBossCell(x, y, Cell(cell, 60.0f, 0.0f), 0.0f);
    DrawBossCell(imageX, imageY, Cell(cell, 60.0f, 0.0f), 80.0f);
    if (phase == kPhaseTalk) RunTeamTalk(UpdateTalkYuriStage6MidBefore, UpdateTalkCheskaStage6MidBefore);
    // The gauge stays up through the talk and the departure.
    if (phase > kPhaseDefeated) DrawLifeGauge();
    DrawBossHud(*this, AttackNameOf(phase, kAttacks, attacknames::kStage06_PaletCopic));
    if (RunsAttack(phase, kAttacks, &Stage06_PaletCopic::DefenceAttack) && wallActive == 1)
        DrawTurned(sheet::kStageEnemies, static_cast<float>(wallX) - ScrollX - 20,
                   static_cast<float>(wallY) - ScrollY - 60, 40, 120, Cell(22 + animFrame / 15, 40.0f, 0.0f), 120, 40,
                   120, kWallColour, wallAngle);
    if (phase == kPhaseAfterTalk) RunTeamTalk(UpdateTalkYuriStage6MidAfter, UpdateTalkCheskaStage6MidAfter);
}
