// Palet and Copic: one boss, two bodies on one hp. Copic flies and paints
// (blocks, a wall that swallows shots, which come back in the next attack);
// Palet holds the beam of the last attack. They leave after their talk.
#include <cmath>

#include "engine/core/KestraMath.h"
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

const char* const kDefenceName = "カラフルドロウィング：ディフェンス";
const char* const kAttackName = "カラフルドロウィング：アタック";
const char* const kBurstName = "二人の絆バースト";
const char* const kLastName = "親友以上恋人未満！？";

constexpr int32_t kBackSlot = 36;
constexpr int32_t kWallSlot = 5;
constexpr uint32_t kWallColour = 0xFAFFFFFFu;

// Summons and blocks take the pair's stage positions as they are (the extra
// stage never scrolls).
void Place(float x, float y, int32_t type, int32_t angle, int32_t element, float speed, float accel, float life) {
    ObjectManager.SpawnStageObject(x, y, type, angle, 0, element, speed, accel, life, StageFrame);
}

// A coordinate comes to rest in the band [target - 4, target].
void StepBand(float& v, float target, float step) {
    if (v > target) v -= step;
    else if (v < target - 4) v += step;
}

bool Within(int32_t t, int32_t from, int32_t to) { return t >= from && t <= to; }

// Copic's opening stretches: direction (or an aim taken at the stretch's
// start), element and accel of her spray.
struct Stretch {
    int32_t from, to, direction;
    bool aims;
    int32_t element;
    float accel;
};
constexpr Stretch kSpray[5] = {{80, 140, 30000, false, 0, 0.01f},
                               {140, 260, 2000, false, 1, 0.01f},
                               {260, 380, 30000, false, 0, 0.02f},
                               {380, 500, 0, true, 1, 0.03f},
                               {500, 620, 0, true, 0, 0.03f}};

struct Dash {
    int32_t at, from, to, elements;
};
constexpr Dash kDashes[7] = {{275, 300, 460, 2},    {600, 640, 790, 2},    {900, 950, 1110, 2}, {1300, 1350, 1500, 2},
                             {1500, 1540, 1690, 2}, {1900, 1950, 2200, 3}, {2500, 2510, 2660, 3}};

}  // namespace

Stage06_PaletCopic::Stage06_PaletCopic()
    : imageX(0.0f),
      imageY(0.0f),
      copicAngle(0),
      copicSpin(0),
      burstAngle(0),
      copicElement(0),
      backAlpha(0),
      wallX(0),
      wallY(0),
      wallAngle(0),
      wallActive(0),
      copicBox{},
      wallHits(0) {
    hp = maxHp = 100.0f;
    element = 1;
    radius = 30;
    x = y = 0.0f;
    phaseTimer = 0;
    FillTable(hpTable, {100, 130, 130, 140, 170});
    FillTable(timeTable, {60, 99, 99, 99, 99, 99, 150, 99, 150});
    FillTable(bonusTable, {3000000, 3000000, 3000000, 3000000});
}

void Stage06_PaletCopic::Update() {
    const bool asleep = active == 0;
    if (!BossAppears(*this)) return;
    if (asleep) {
        imageX = x;
        imageY = y + 60;
    }
    phaseTimer += 1;
    if (phase == 0) {
        y += 1.0f;
        imageY += 1.0f;
        if (phaseTimer == 150) {
            phase = 1;
            phaseTimer = 0;
        }
    }
    if (phase == 1) {
        BossEntersTalk(*this);
        return;
    }
    if (phase >= 2) CountBossSeconds(*this);
    switch (phase) {
    case 2: OpeningAttack(); break;
    case 3: case 5: case 7: case 9: BreakFrame(); break;
    case 4: DefenceAttack(); break;
    case 6: ReturnAttack(); break;
    case 8: BurstAttack(); break;
    case 10: BeamAttack(); break;
    case 30:
        if (phaseTimer == 150) {
            GameState.subState = kSubStateDialogue;
            phase = 31;
            phaseTimer = 0;
            // Beaten: the bodies leave through the field and must not hurt anyone.
            attackRunning = 0;
            Place(x, y, 104, 0, element, 0.0f, 0.0f, 1.0f);
        }
        break;
    case 31: GameState.subState = kSubStateDialogue; break;
    case 32:
        ScrollHalt = 0;
        // A game over set by this frame's hit tests stands.
        if (GameState.subState != kSubStateGameOver) GameState.subState = kSubStatePlay;
        y += 2.0f;
        imageY += 2.0f;
        if (phaseTimer == 300) active = 0;
        break;
    default: break;
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

void Stage06_PaletCopic::BreakFrame() {
    struct Targets {
        float px, py, cx, cy;
    };
    static constexpr Targets kTargets[4] = {
        {400, 60, 200, 50}, {610, 240, 550, 120}, {330, 240, 300, 240}, {30, 450, 80, 240}};
    const Targets& t = kTargets[(phase - 3) / 2];
    RefillBreak(*this);
    StepPalet(t.px, t.py, 3.0f);
    StepCopic(t.cx, t.cy, 3.0f);
    if (phaseTimer == 150) {
        NextPhase();
        element = 1;
    }
}

void Stage06_PaletCopic::EndAttack() {
    const int32_t k = phase;
    if (k == 2 || k == 4) {
        NextPhase();
        element = 0;
        if (k == 4) ObjectManager.DestroyAllEnemies();
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
    if (Within(t, 620, 720)) StepCopic(320, 70, 3.0f);
    if (t == 80 || t == 140 || t == 260 || t == 380 || t == 500 || t == 620) PlaySe(SoundTable.Stardust);
    for (const Stretch& s : kSpray) {
        if (t < s.from || t >= s.to) continue;
        if (s.aims && t == s.from) copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
        MoveAlong(imageX, imageY, s.aims ? copicAngle : s.direction, 4.0f);
        if (t % 2 == 0) FireBullet(imageX, imageY, 14, 55, GameRand() * 2, 0, s.element, 0.0f, s.accel);
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
    if (t % 5 == 0) ObjectManager.SpawnEffect(TruncateToInt(imageX), TruncateToInt(imageY), 14, copicElement, 0);
    // Copic's flight: she leaves a block every fifth frame of it.
    bool flying = false;
    if (Within(t, 60, 150)) {
        copicAngle = 3000;
        flying = true;
    }
    if (t == 155) copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
    if (Within(t, 160, 320)) flying = true;
    if (Within(t, 350, 430)) {
        copicAngle = static_cast<int32_t>(Kestra::Atan(320 + ScrollX - imageX, 440 + ScrollY - imageY));
        flying = true;
    }
    if (t == 590) copicAngle = static_cast<int32_t>(Kestra::Atan(30 + ScrollX - imageX, 240 + ScrollY - imageY));
    if (t == 650) copicAngle = static_cast<int32_t>(Kestra::Atan(240 + ScrollX - imageX, 50 + ScrollY - imageY));
    if (Within(t, 590, 730)) flying = true;
    if (flying) {
        MoveAlong(imageX, imageY, copicAngle, 4.0f);
        if (t % 5 == 0) Place(imageX, imageY, 75, copicAngle, 2, 0.0f, 0.0f, 5.0f);
    }
    if (t == 155 || t == 325) PlaceWall(60, 16384);
    if (t == 460) PlaceWall(-60, 49356);
    if (Within(t, 450, 470) && t % 3 == 0) {
        FireBullet(imageX, imageY, 2, 52, 0, 0, 2, 6.0f, 0.0f);
        FireBullet(imageX, imageY, 2, 52, 32768, 0, 2, 6.0f, 0.0f);
    }
    if (Within(t, 460, 610) && t % 24 == 0) {
        PlaySe(SoundTable.draw_block);
        Place(static_cast<float>(GameRand() % 640), 540, 76, 49145, 2, 1.0f, 0.0f, 12.0f);
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
        Place(imageX, imageY, 87, copicAngle, GameRand() % 2, 7.0f, 0.0f, 13.0f);
    }
    if (t == 670)
        for (int32_t i = 0; i < w / 3; ++i) Place(imageX, imageY, 87, GameRand() + 16384, 2, 4.0f, 0.02f, 13.0f);
    if (Within(t, 641, 1199) && t % 150 == 0) {
        PlaySe(SoundTable.puni);
        Place(imageX, imageY, 88, copicAngle, 2, 0.4f, 0.003f, 200.0f);
    }
    if (t > 950 && t % 7 == 0 && t < 6 * w + 950) {
        PlaySe(SoundTable.shot_small);
        for (int32_t i = 0; i < 13; ++i) {
            copicAngle = AimFrom(imageX, imageY, LaterPlayer(), copicAngle);
            const int32_t angle = GameRand() * 2;
            FireBullet(imageX, imageY, 2, 52, angle, 0, GameRand() % 3, 6.0f, 0.0f);
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
        FireBullet(px, py, 2, 20, angle, 0, GameRand() % elements, 1.0f, 0.008f);
    }
    StartPoolEffect(13, GameRand() % 2, px, py);
}

void Stage06_PaletCopic::BurstAttack() {
    if (phaseTimer % 36 == 0) Burst(16, 2);
    if (phaseTimer % 40 == 0 && hp <= 70.0f) Burst(26, 3);
    if (AttackOver(*this)) EndAttack();
}

void Stage06_PaletCopic::BeamAttack() {
    const int32_t t = phaseTimer;
    if (t == 20 || t == 380 || t == 780 || t == 1700) PlaySe(SoundTable.princessbomb_laser);
    const bool follows = Within(t, 801, 1349) || Within(t, 1701, 2249);
    const bool beamOn = Within(t, 41, 269) || Within(t, 401, 619) || follows;
    if (Within(t, 41, 269)) y -= 1.5f;
    if (Within(t, 401, 619)) y += 1.5f;
    if (follows && Player1) StepAxis(y, Player1->aimY, 1.5f, 1.5f);
    if (Within(t, 271, 359)) y -= 1.0f;
    if (Within(t, 1431, 1599)) y -= 1.5f;
    if (Within(t, 621, 679)) y += 1.0f;
    if (Within(t, 2291, 2499)) y += 1.5f;
    if (beamOn) {
        if (t % 2 == 0) FireBullet(x + 30, y, 2, 53, 0, 0, 2, 6.0f, 0.0f);
        if (t % 24 == 0) StartPoolEffect(16, 0, x + 5, y);
    }
    for (const Dash& dash : kDashes) {
        if (t == dash.at) {
            PlaySe(SoundTable.stillattack);
            StartPoolEffect(15, 0, imageX, imageY);
            copicAngle = AimFrom(imageX, imageY, Player1, copicAngle);
        }
        if (!Within(t, dash.from, dash.to)) continue;
        MoveAlong(imageX, imageY, copicAngle, 4.0f);
        if (t % 3 == 0) {
            const int32_t angle = GameRand() * 2;
            FireBullet(imageX, imageY, 16, 23, angle, 0, GameRand() % dash.elements, 0.0f, -0.001f);
        }
    }
    if (t == 2900) phaseTimer = 0;
    if (AttackOver(*this)) {
        EndLastAttack(*this);
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage06_PaletCopic::HitTest() {
    if (attackRunning == 1) {
        for (cPlayerBase* p : {Player1, SecondPlayer()}) {
            if (!p) continue;
            const auto near = [p](float bx, float by) {
                const float dx = p->aimX - bx, dy = p->aimY - by;
                return std::sqrt(dx * dx + dy * dy) <= 40.0f;
            };
            if (near(x, y) || near(imageX, imageY)) p->Damage(1);
        }
    }
    ForEachShotNear(x, y, 40.0f, [this](cPlayerBulletBase& s) { TakeBossShot(*this, s); });
    // Copic takes a fifth of her partner's element and a tenth of the other, silently.
    ForEachShotNear(imageX, imageY, 40.0f, [this](cPlayerBulletBase& s) {
        hp -= s.element == element ? s.power * 0.2f : s.power * 0.1f;
        SpendShot(*this, s);
    });
    if (phase >= 1 && phase <= 29) {
        KeepBoxInView(x, y, hitBox);
        KeepBoxInView(imageX, imageY, copicBox);
    }
    SetBossBox(hitBox, x, y);
    SetBossBox(copicBox, imageX, imageY);
    if (phase == 4 && wallActive == 1) {
        ForEachShotNear(static_cast<float>(wallX), static_cast<float>(wallY), 80.0f, [this](cPlayerBulletBase& s) {
            s.isActive = 0;
            wallHits += 1;
        });
    }
}

void Stage06_PaletCopic::Draw() {
    const int32_t cell = StepBodyCell(*this, 11, 43);
    if (phase < 4 && backAlpha < 255) backAlpha += 1;
    if (phase >= 32 && backAlpha > 0) backAlpha -= 1;
    DrawPlain(kBackSlot, 0, 0, 640, 480, 1280, 480, 640, 480, AlphaWhite(backAlpha));
    DrawBossCircle(*this, x, y, element);
    DrawBossCircle(*this, imageX, imageY, copicElement);
    DrawBossCell(x, y, Cell(cell, 60.0f, 0.0f), 0.0f);
    DrawBossCell(imageX, imageY, Cell(cell, 60.0f, 0.0f), 80.0f);
    if (phase == 1) RunTeamTalk(UpdateTalkYuriStage6MidBefore, UpdateTalkCheskaStage6MidBefore);
    // The gauge stays up through the talk and the departure.
    if (phase > 30) DrawLifeGauge();
    const char* name = phase == 4 ? kDefenceName : phase == 6 ? kAttackName : phase == 8 ? kBurstName
                       : phase == 10 ? kLastName : nullptr;
    DrawBossHud(*this, name);
    if (phase == 4 && wallActive == 1)
        DrawTurned(kWallSlot, static_cast<float>(wallX) - ScrollX - 20, static_cast<float>(wallY) - ScrollY - 60, 40,
                   120, Cell(22 + animFrame / 15, 40.0f, 0.0f), 120, 40, 120, kWallColour, wallAngle);
    if (phase == 31) RunTeamTalk(UpdateTalkYuriStage6MidAfter, UpdateTalkCheskaStage6MidAfter);
}
