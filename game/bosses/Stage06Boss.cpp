// Deena: six attacks the same on every difficulty, backgrounds that cross-fade
// after each attack under a turning decoration, and a last attack in three
// stages chosen by her hp and her seconds. Her ending records the extra
// stage's clear.
#include <iterator>

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
#include "game/state/ScoreData.h"

namespace {

constexpr int32_t kExtraStageCleared = 8;

// The circle stays as the stage loaded it.

// Both teams meet her; her pre-fight talk's first run comes from Update, and
// her entrance also clears the bullets.
const ProfiledBoss::Profile kProfile = {
    .talks = {.before = {UpdateTalkYuriStage6Before, UpdateTalkCheskaStage6Before},
              .after = {UpdateTalkYuriStage6After, UpdateTalkCheskaStage6After},
              .ending = {UpdateTalkYuriStage6Ending, UpdateTalkCheskaStage6Ending}},
    .talkFromUpdate = true,
    .clearOnEntrance = true,
    .secondsStep = 1,
    .pictures = &kDeenaPictures};

constexpr float kCorners[4][2] = {{20, 20}, {620, 460}, {20, 460}, {620, 20}};

// The background of each group of phases: 0..2, 3..6, 7..10, 11..12, 13..14
// and from the defeat on; the sheet holds 640 x 480 pictures.
struct Region {
    float x, y;
};
constexpr Region kBackgrounds[6] = {{1280, 960}, {0, 1440}, {0, 960}, {640, 1440}, {640, 960}, {1920, 960}};
constexpr Region kAfterglow = {1920, 1440};  // fades out over the last background

int32_t BackgroundGroup(int32_t phase) {
    if (phase >= kPhaseDefeated) return 5;
    if (phase <= 2) return 0;
    if (phase <= 6) return 1;
    if (phase <= 10) return 2;
    if (phase <= 12) return 3;
    return 4;
}

void DrawBackdrop(const Region& r, int32_t alpha) {
    constexpr float w = layout::kScreenWidth, h = layout::kScreenHeight;
    DrawPlain(sheet::kFrontLayer, 0, 0, w, h, r.x, r.y, w, h, AlphaWhite(alpha));
}

// One volley of the crossroad walls.
enum class Edge { Top, Left, Bottom, Sides };
struct Wall {
    int32_t from, to, every;
    Edge edge;
    float speed;
    int32_t elements;
};
constexpr Wall kWalls[6] = {{0, 800, 40, Edge::Top, 2.0f, 2},         {800, 1800, 40, Edge::Left, 2.0f, 2},
                            {1800, 2800, 20, Edge::Bottom, 4.0f, 2},   {2800, 3400, 40, Edge::Sides, 2.0f, 2},
                            {3500, 1 << 30, 20, Edge::Top, 4.0f, 2},   {3500, 1 << 30, 80, Edge::Bottom, 1.0f, 3}};

}  // namespace

const ProfiledBoss::Attack Stage06Boss::kAttacks[] = {
    {.hp = 100, .seconds = 99, .run = Run(&Stage06Boss::SpinAttack)},
    {.hp = 90, .seconds = 99, .bonus = 5000000,
     .run = Run(&Stage06Boss::BallAttack), .breakSeconds = 99, .breakTo = {320, 240}},
    {.hp = 320, .seconds = 159, .bonus = 5000000,
     .run = Run(&Stage06Boss::CrossroadAttack), .breakSeconds = 60, .breakTo = {320, 50}},
    {.hp = 240, .seconds = 159, .bonus = 5000000,
     .run = Run(&Stage06Boss::ShackleAttack), .breakSeconds = 99, .breakTo = {320, 220}},
    {.hp = 180, .seconds = 159, .bonus = 5000000,
     .run = Run(&Stage06Boss::RestAttack), .breakSeconds = 99, .breakTo = {320, 40}},
    {.hp = 90, .seconds = 200, .bonus = 5000000,
     .run = Run(&Stage06Boss::StreamAttack), .breakSeconds = 99, .breakTo = {320, 80}},
    {.hp = 800, .seconds = 999, .bonus = 5000000,
     .run = Run(&Stage06Boss::LastAttack), .breakSeconds = 99, .breakTo = {600, 230}},
};

Stage06Boss::Stage06Boss()
    : ProfiledBoss(kProfile, kAttacks, attacknames::kStage06Boss),
      backAlpha(0),
      decorAngle(0),
      colorIndex(0),
      spinStep(0),
      secondAngle(0),
      loopLength(0),
      cornersDone(0),
      playerDistance(0.0f) {
    moveAngle = 0;
}

int32_t Stage06Boss::LastAttackStage(float hpNow, int32_t seconds) {
    if (hpNow >= 650.0f && seconds > 600) return 1;
    if ((hpNow > 350.0f && hpNow < 650.0f) || (seconds > 300 && seconds <= 600)) return 2;
    return 3;
}

void Stage06Boss::TallyRaised() { ScoreData.resultStage = kExtraStageCleared; }

void Stage06Boss::BreakEnded(int32_t k) {
    if (k == BreakBefore(kAttacks, Run(&Stage06Boss::ShackleAttack))) moveAngle = 0;
    if (k == BreakBefore(kAttacks, Run(&Stage06Boss::RestAttack))) loopLength = 490;
}

void Stage06Boss::EndNamedAttack() {
    NextPhase();
    backAlpha = 0;  // the next background fades in
}

void Stage06Boss::SpinAttack() {
    const int32_t t = phaseTimer;
    const double grown = static_cast<double>(t) * 0.02 + 6.0 + spinStep;
    spinStep = grown < 1e9 ? static_cast<int32_t>(grown) : 1000000000;
    shotAngle = WrapAdd(shotAngle, spinStep);
    if (t <= 400) MoveTo(150, 80, 1.0f);
    if (t >= 460 && t <= 860) MoveTo(390, 80, 1.0f);
    if (t == 10) PlaySe(SoundTable.Stardust);
    if (t <= 900 && t % 2 == 0) {
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = shotAngle,
                          .element = elements::kFire, .speed = 2.2f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = WrapAdd(shotAngle, 32768),
                          .element = elements::kFire, .speed = 2.2f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = WrapAdd(shotAngle, 8000),
                          .element = elements::kEveryone, .speed = 2.2f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = WrapAdd(shotAngle, 16383),
                          .element = elements::kIce, .speed = 2.2f});
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kCross, .angle = WrapAdd(shotAngle, 49151),
                          .element = elements::kIce, .speed = 2.2f});
    }
    if (t == 1000) {
        element = elements::Opposite(element);
        phaseTimer = 0;
        spinStep = 0;
    }
    if (AttackOver(*this)) {
        shotAngle = 0;
        spinStep = 0;
        element = elements::kFire;
        EndNamedAttack();
    }
}

void Stage06Boss::BallAttack() {
    shotAngle = WrapAdd(shotAngle, 230);
    secondAngle = WrapAdd(secondAngle, -150);
    if (phaseTimer % 4 == 0) {
        PlaySe(SoundTable.shot_small);
        for (int32_t off : {0, 21888, 43788})
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule,
                              .angle = WrapAdd(shotAngle, off), .element = elements::kFire, .speed = 5.0f});
        for (int32_t off : {10999, 32887, 54787})
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule,
                              .angle = WrapAdd(shotAngle, off), .element = elements::kIce, .speed = 5.0f});
        for (int32_t off : {0, 21888, 43788})
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kBrightCapsule,
                              .angle = WrapAdd(secondAngle, off), .element = elements::kEveryone, .speed = 5.0f});
    }
    if (AttackOver(*this)) {
        element = elements::kIce;
        EndNamedAttack();
    }
}

void Stage06Boss::CrossroadAttack() {
    const int32_t t = phaseTimer;
    for (const Wall& w : kWalls) {
        if (t < w.from || t >= w.to || t % w.every != 0) continue;
        PlaySe(SoundTable.xmasbell);
        const auto fire = [&](float bx, float by, int32_t angle) {
            FireBullet(bx, by, {.motion = Bullet::kPlain, .graphic = Bullet::kBubble, .angle = angle,
                                .element = RandomElement(w.elements), .speed = w.speed});
        };
        switch (w.edge) {
        case Edge::Top:
            for (int32_t i = 0; i < 9; ++i) fire(80.0f * i, -40, 16384);
            break;
        case Edge::Bottom:
            for (int32_t i = 0; i < 9; ++i) fire(80.0f * i, 520, 49145);
            break;
        case Edge::Left:
            for (int32_t j = 0; j < 7; ++j) fire(-40, 80.0f * j, 0);
            break;
        case Edge::Sides:
            for (int32_t j = 0; j < 7; ++j) fire(-40, 80.0f * j, 0);
            for (int32_t j = 0; j < 7; ++j) fire(680, 80.0f * j, 32768);
            break;
        }
    }
    if (AttackOver(*this)) EndNamedAttack();
}

void Stage06Boss::ShackleAttack() {
    const int32_t t = phaseTimer;
    moveAngle = WrapAdd(moveAngle, 5);
    if (t % 120 == 0) colorIndex = (colorIndex + 1) % 3;
    if (t % 5 == 0)
        for (int32_t k = 0; k < 6; ++k)
            FireBullet(x, y, {.motion = Bullet::kTurnsEvery45, .graphic = Bullet::kSpark,
                              .angle = WrapAdd(moveAngle,
                                               10922 * k), .element = elements::FromNumber(colorIndex), .speed = 3.0f});
    if (t % 160 == 0) {
        PlaySe(SoundTable.crystalhit);
        FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kHugeOrb, .angle = AimAtPlayer1(*this),
                          .element = elements::kEveryone, .speed = 0.7f, .accel = 0.004f});
    }
    // A player keeping away draws a fast aimed shot.
    if (t >= 100 && t % 10 == 0) {
        for (const cPlayerBase* p : {Player1, SecondPlayer()}) {
            if (!p) continue;
            playerDistance = Distance(x, y, p->aimX, p->aimY);
            if (playerDistance >= 220.0f)
                FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kRing,
                                  .angle = AimFrom(x, y, p, shotAngle), .element = RandomElement(3), .speed = 7.0f});
        }
    }
    if (AttackOver(*this)) EndNamedAttack();
}

void Stage06Boss::RestAttack() {
    if (phaseTimer == 1) {
        for (size_t i = 0; i < std::size(kCorners); ++i)
            PlaceEnemy(kCorners[i][0], kCorners[i][1],
                       {.type = 82, .element = i < 2 ? elements::kFire : elements::kIce, .life = 150.0f});
    }
    if (phaseTimer == loopLength) {
        PlaySe(SoundTable.rt_star14);
        const float px = static_cast<float>(GameRand() % 500 + 100);
        const float py = static_cast<float>(GameRand() % 300 + 100);
        PlaceEnemy(px, py, {.type = 81, .element = elements::kEveryone, .life = 9999.0f});
        loopLength -= 8;
        phaseTimer = 2;
    }
    if (AttackOver(*this)) {
        EndNamedAttack();
        ObjectManager.DestroyAllEnemies();
    }
}

void Stage06Boss::StreamAttack() {
    if (phaseTimer % 80 == 0)
        for (const auto& c : kCorners)
            PlaceEnemy(c[0], c[1], {.type = 92, .element = RandomElement(3), .speed = 0.4f, .accel = 0.001f,
                                    .life = 1.0f});
    if (phaseTimer % 70 == 0) {
        PlaySe(SoundTable.rt_star22);
        moveAngle = AimAtPlayer1(*this);
        // The motion turns toward the aim kept in the turn word.
        ForEachOnCircle(x, y, 100.0f, 0, 20, 3276, [&](float bx, float by, int32_t a) {
            FireBullet(bx, by, {.motion = Bullet::kWideLoop, .graphic = Bullet::kRingedOrb, .angle = a + 16383,
                                .turn = moveAngle, .element = RandomElement(2), .speed = 2.0f});
        });
    }
    if (AttackOver(*this)) EndNamedAttack();
}

void Stage06Boss::LastAttack() {
    const int32_t stage = LastAttackStage(hp, secondsLeft);
    if (stage == 1) {
        if (phaseTimer % 58 == 0) {
            // Two walls, one falling from the screen's top edge, one rising from its bottom.
            PlaySe(SoundTable.rt_star22);
            shotAngle = 16383;
            for (int32_t i = 0; i < 30; ++i)
                FireBullet(22.0f * i, 0, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule,
                                          .angle = shotAngle, .element = RandomElement(2), .speed = 2.4f});
            shotAngle = 49154;
            for (int32_t i = 0; i < 30; ++i)
                FireBullet(22.0f * i, layout::kScreenHeight,
                           {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = shotAngle,
                            .element = RandomElement(2), .speed = 2.4f});
        }
    } else if (stage == 2) {
        if (x > 480.0f) {
            phaseTimer = 0;
            x -= 2.0f;
            moveAngle = 16384;
        }
        moveAngle = WrapAdd(moveAngle, 200);  // a slow circle
        MoveAlong(x, y, moveAngle, 1.0f);
        if (phaseTimer == 1) loopLength = 124;
        if (phaseTimer == loopLength) {
            StartPoolEffect(effect::kAbsorbBloom, element, x, y);
            PlaySe(SoundTable.xmasbell);
            for (int32_t i = 0; i < 78; ++i) {
                const int32_t angle = GameRand() * 2;
                const float speed = static_cast<float>(GameRand() % 40) * 0.2f + 1.2f;
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kRandomGlow, .angle = angle,
                                  .element = element, .speed = speed, .accel = 0.001f});
            }
            phaseTimer = 2;
            if (loopLength >= 47) loopLength -= 3;
            element = elements::Opposite(element);
        }
    } else {
        MoveTo(600, 200, 1.0f);
        if (!cornersDone) {
            phaseTimer = 0;
            ObjectManager.CancelEnemyBullets();
            cornersDone = 1;
            for (const float* c : {kCorners[0], kCorners[2], kCorners[3], kCorners[1]})
                PlaceEnemy(c[0], c[1], {.type = 64, .element = elements::kFire, .life = 9999.0f});
        }
        const int32_t t = phaseTimer;
        if (t >= 90 && t <= 150 && t % 3 == 0) {
            if (t == 90) {
                StartPoolEffect(effect::kAbsorbBloom, element, x, y);
                // The start-up handle of the long laser: the stage-3 one is empty here.
                PlaySe(SoundTable.raser_long);
                shotAngle = AimAtPlayer1(*this);
            }
            if (GameState.twoPlayer == 1) shotAngle = AimFrom(x, y, Player2, shotAngle);
            for (int32_t off : {0, -4000, 4000})
                FireBullet(x, y, {.motion = Bullet::kPlain2, .graphic = Bullet::kSpark,
                                  .angle = WrapAdd(shotAngle, off), .element = elements::kEveryone, .speed = 8.0f});
        }
        if (phaseTimer == 180) phaseTimer = 2;
    }
    if (AttackOver(*this)) {
        backAlpha = 0;
        EndLast();
    }
}

void Stage06Boss::DrawBody() {
    DrawBossCell(x, y, Cell(StepBodyCell(*this, 7, 41), 100.0f, 0.0f), 0.0f, 100.0f, 90.0f, 45.0f);
}

void Stage06Boss::DrawBackground() {
    const int32_t group = BackgroundGroup(phase);
    if (backAlpha < 255) {
        if (group > 0) DrawBackdrop(kBackgrounds[group - 1], 255);
        DrawBackdrop(kBackgrounds[group], backAlpha);
    } else {
        DrawBackdrop(kBackgrounds[group], 255);
    }
    if (phase >= kPhaseDefeated && backAlpha >= 255 && backAlpha <= 508)
        DrawBackdrop(kAfterglow, (253 - backAlpha) & 0xFF);
}

void Stage06Boss::Draw() {
    if (phase < kPhaseDefeated) {
        if (backAlpha < 255) backAlpha += 1;
    } else {
        backAlpha = WrapAdd(backAlpha, 1);
    }
    DrawBackground();
    if (phase < kPhaseDefeated) {
        decorAngle = WrapAdd(decorAngle, 20);
        DrawTurned(sheet::kExtraCircle, 100, 20, 448, 448, 0, 0, 448, 448, AlphaWhite(backAlpha), decorAngle);
    }
    ProfiledBoss::Draw();
}
