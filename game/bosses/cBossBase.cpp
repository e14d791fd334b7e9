#include "game/state/cBossBase.h"

#include <algorithm>

#include "game/bosses/BossCommon.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

namespace {

constexpr int32_t kBoxSize = 40;
constexpr float kGaugeWidth = 289.0f;

// The factors of each step of the phase machine, by the phase it leaves:
// two-player mode, difficulty 0, difficulty 2 (1.0 where the step has none).
// The irregular cells are the game's own: 3 -> 4 takes 0.6 at difficulty 0,
// 4 -> 5 no doubling at difficulty 2, 12 -> 13 takes 1.4 for two players.
struct StepFactors {
    double twoPlayer, easy, hard;
};
constexpr StepFactors kAttackEnd[7] = {  // phases 2, 4, ..., 14
    {1.3, 0.8, 2.0}, {1.3, 0.8, 1.0}, {1.3, 0.8, 2.0}, {1.3, 0.8, 2.0},
    {1.3, 0.8, 1.5}, {1.4, 0.8, 1.5}, {1.3, 0.8, 1.5}};
constexpr StepFactors kBreakEnd[7] = {  // phases 3, 5, ..., 15
    {1.0, 0.6, 2.0}, {1.0, 0.8, 2.0}, {1.0, 0.8, 2.0}, {1.0, 0.8, 2.0},
    {1.0, 0.8, 1.5}, {1.0, 0.8, 1.5}, {1.0, 0.8, 1.0}};

// The difficulty's factor of a step, applied to a value and stored as f32.
float ByDifficulty(float v, const StepFactors& f) {
    if (GameState.difficulty == 0) return static_cast<float>(v * f.easy);
    if (GameState.difficulty == 2) return static_cast<float>(v * f.hard);
    return v;
}

void DrawHud(float dx, float dy, float w, float h, float sx, float sy) {
    DrawPlain(kBossHudSlot, dx, dy, w, h, sx, sy, w, h, kWhite);
}

}  // namespace

cBossBase::cBossBase()
    : hp(0.0f),
      maxHp(0.0f),
      phase(0),
      secondsLeft(20),
      phaseTimer(0),
      animFrame(0),
      lastHitter(0),
      element(0),
      appearFrame(0),
      radius(40),
      active(0),
      attackRunning(1),
      x(10.0f),
      y(10.0f),
      bannerX(640),
      moveAngle(0),
      shotAngle(0),
      moveSpeed(0.5f),
      bonusRects{},
      hitBox{},
      circleAngle(0),
      nameX(270),
      nameY(50),
      hpTable{},
      timeTable{},
      bonusTable{100000, 100000, 100000, 100000, 100000, 0},
      lastBonus(0),
      bonusValid(1) {}

cBossBase::~cBossBase() = default;

void cBossBase::SetPosition(int32_t* px, int32_t* py) {
    x = static_cast<float>(*px);
    y = static_cast<float>(*py);
    hitBox[0] = static_cast<int32_t>(x);
    hitBox[1] = static_cast<int32_t>(y);
    hitBox[2] = static_cast<int32_t>(x + kBoxSize);
    hitBox[3] = static_cast<int32_t>(y + kBoxSize);
}

void cBossBase::ResetPhase() {
    phase = kPhaseEntrance;
    phaseTimer = 0;
}

// The stage bosses bring their own patterns and pictures.
void cBossBase::Update() {}
void cBossBase::Draw() {}

void cBossBase::HitTest() {
    if (phase > kPhaseDefeated) return;
    if (attackRunning == 1) BossBodyContact(x, y);
    // Shots hit in every phase up to the defeat's pause; only attack phases act on hp <= 0.
    ForEachShotNear(x, y, 40, [this](cPlayerBulletBase& s) { TakeBossShot(*this, s); });
    if (phase >= kPhaseTalk && phase < kPhaseDefeated) KeepBoxInView(x, y, hitBox);
    SetBossBox(hitBox, x, y);
}

void cBossBase::DrawLifeGauge() {
    DrawHud(20, 15, 595, 30, 0, 228);
    // The drawn bar stays on its 289 texels: an attack may start above its
    // full hp (two players, the easiest first named attack) and end below 0.
    if (maxHp > 0.0f) {
        float w = GameState.twoPlayer == 1 ? static_cast<float>(hp / (maxHp * 1.3) * kGaugeWidth)
                                           : hp / maxHp * kGaugeWidth;
        w = std::clamp(w, 0.0f, kGaugeWidth);
        if (w > 0.0f) DrawHud(131, 22, w, 14, 263, 258);
    }
    int32_t v = std::min(secondsLeft, 99);
    if (v >= 10) {
        DrawHud(530, 25, 12, 18, Cell(v / 10, 12.0f, 455.0f), 22);
        v %= 10;
    }
    if (v >= 0) DrawHud(542, 25, 12, 18, Cell(v, 12.0f, 455.0f), 22);
}

void cBossBase::DrawSpellBanner() {
    const int32_t t = phaseTimer;
    float srcX = 0.0f;
    if (t <= 21) bannerX -= 40;
    if (t > 50) {
        bannerX -= 4;
        srcX = static_cast<float>(4 * t - 200);
    }
    const float dx = static_cast<float>(bannerX + 20);
    uint32_t colour = 0x00FFFFFFu;
    if (t < 50) colour = 0xDCFFFFFFu;
    else if (t < 72) colour = AlphaWhite(220 - 10 * (t - 50));
    DrawPlain(kCutInSlot, dx, 0, 1024, 480, srcX, 0, 1024, 480, colour);
    if (t >= 15 && t <= 33) DrawPlain(kCutInFlashSlot, dx, 0, 1024, 480, srcX, 0, 1024, 480, AlphaWhite(180 - 10 * (t - 15)));
}

void cBossBase::DrawSpellBonus() {
    float* src = bonusRects;
    float* dst = bonusRects + 4;
    src[0] = 0, src[1] = 258, src[2] = 263, src[3] = 55;
    dst[0] = 190, dst[1] = 170, dst[2] = 263, dst[3] = 55;
    DrawHud(dst[0], dst[1], dst[2], dst[3], src[0], src[1]);
    int32_t rest = lastBonus;
    int32_t power = 1000000;
    for (int32_t i = 0; i < 7; ++i, power /= 10) {
        const int32_t d = rest / power;
        rest %= power;
        src[0] = Cell(d + 13, 35.0f, 0.0f), src[1] = 40, src[2] = 35, src[3] = 50;
        dst[0] = static_cast<float>(230 + 40 * i), dst[1] = 240, dst[2] = 35, dst[3] = 50;
        DrawHud(dst[0], dst[1], dst[2], dst[3], src[0], src[1]);
    }
}

void cBossBase::NextPhase() {
    cGameState& g = GameState;
    const int32_t k = phase;
    if (k == kPhaseTalk) {
        const float e = static_cast<float>(HpOfPhase(*this, kPhaseOpening));
        maxHp = hp = e;
        if (g.twoPlayer == 1) hp = static_cast<float>(e + e * 0.6);
        // The difficulty overwrites the two-player value.
        if (g.difficulty == 0) maxHp = hp = static_cast<float>(e * 0.8);
        if (g.difficulty == 2) maxHp = hp = 2 * maxHp;
        secondsLeft = SecondsOfPhase(*this, kPhaseOpening);
        g.subState = kSubStatePlay;
        attackRunning = 1;
    } else if (k >= kPhaseOpening && k <= 15 && !IsBreakPhase(k)) {
        PlaySe(SoundTable.boss_death);
        if (k >= 4) SettleSpellBonus(*this, k);
        const StepFactors& f = kAttackEnd[k / 2 - 1];
        hp = 0.0f;
        maxHp = static_cast<float>(HpOfPhase(*this, k + 2));  // the next attack's
        if (g.twoPlayer == 1) maxHp = static_cast<float>(maxHp * f.twoPlayer);
        maxHp = ByDifficulty(maxHp, f);
        secondsLeft = SecondsOfPhase(*this, k + 1);
        bannerX = 640;
        ObjectManager.CancelEnemyBullets();
        attackRunning = 0;
    } else if (k >= 3 && k <= 15) {
        // The break's refill is the attack's hp (full again only before phase 14).
        maxHp = ByDifficulty(static_cast<float>(HpOfPhase(*this, k + 1)), kBreakEnd[(k - 3) / 2]);
        if (k == 13) hp = maxHp;
        secondsLeft = SecondsOfPhase(*this, k + 1);
        bonusValid = 1;
        attackRunning = 1;
    } else if (k == kPhaseDefeated) {
        attackRunning = 0;
        g.subState = kSubStateDialogue;
    } else if (k == kPhaseAfterTalk) {
        g.subState = kSubStatePlay;
    } else if (k != kPhaseCleared) {
        return;  // 0, 16 to 29 and 33 on do nothing
    }
    phaseTimer = 0;
    phase = k + 1;
}

void cBossBase::MoveTo(float tx, float ty, float step) {
    if (x - ScrollX > tx - 2) x -= step;
    if (x - ScrollX < tx + 2) x += step;
    if (y - ScrollY > ty - 2) y -= step;
    if (y - ScrollY < ty + 2) y += step;
    SetBossBox(hitBox, x, y);
}
