#include "game/state/cBossBase.h"

#include <algorithm>
#include <iterator>

#include "game/bosses/BossCommon.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr int32_t kBoxSize = 40;
constexpr int32_t kDefaultBonus = 100000;  // a named attack's bonus base
constexpr float kGaugeWidth = static_cast<float>(layout::kBossBar.screen.w);

// The factors of each step of the phase machine, by the phase it leaves:
// two-player mode, difficulty 0, difficulty 2 (1.0 where the step has none).
// The irregular cells are the game's own: 3 -> 4 takes 0.6 at difficulty 0,
// 4 -> 5 no doubling at difficulty 2, 12 -> 13 takes 1.4 for two players.
struct StepFactors {
    double twoPlayer, easy, hard;
};
constexpr StepFactors kAttackEnd[] = {  // phases 2, 4, ..., 14
    {1.3, 0.8, 2.0}, {1.3, 0.8, 1.0}, {1.3, 0.8, 2.0}, {1.3, 0.8, 2.0},
    {1.3, 0.8, 1.5}, {1.4, 0.8, 1.5}, {1.3, 0.8, 1.5}};
constexpr StepFactors kBreakEnd[] = {  // phases 3, 5, ..., 15
    {1.0, 0.6, 2.0}, {1.0, 0.8, 2.0}, {1.0, 0.8, 2.0}, {1.0, 0.8, 2.0},
    {1.0, 0.8, 1.5}, {1.0, 0.8, 1.5}, {1.0, 0.8, 1.0}};
// The steps run from the opening attack to the break before the tables' last
// phase, each reading the tables' entry of the phase it leads to.
constexpr int32_t kPhaseLastStep = kPhaseLastTabled - 1;
static_assert(std::size(kAttackEnd) == (kPhaseLastStep - kPhaseOpening + 1) / 2);
static_assert(std::size(kBreakEnd) == (kPhaseLastStep - kPhaseOpening + 1) / 2);

// The difficulty's factor of a step, applied to a value and stored as f32.
float ByDifficulty(float v, const StepFactors& f) {
    if (GameState.difficulty == 0) return static_cast<float>(v * f.easy);
    if (GameState.difficulty == 2) return static_cast<float>(v * f.hard);
    return v;
}

void DrawHud(const layout::Quad& quad) { DrawPlain(sheet::kSystem, quad, kWhite); }

}  // namespace

cBossBase::cBossBase()
    : hp(0.0f),
      maxHp(0.0f),
      phase(0),
      secondsLeft(20),
      phaseTimer(0),
      animFrame(0),
      lastHitter(0),
      element(elements::kFire),
      appearFrame(0),
      radius(40),
      active(0),
      attackRunning(1),
      x(10.0f),
      y(10.0f),
      bannerX(layout::kScreenWidth),
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
      bonusTable{},
      lastBonus(0),
      bonusValid(1) {
    // Every named attack but the last tabled one, whose base only the bosses reaching it set.
    for (int32_t named = kPhaseOpening + 2; named < kPhaseLastBonus; named += 2)
        BonusOfPhase(*this, named) = kDefaultBonus;
}

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
    using namespace layout;
    DrawHud(kBossFrame);
    // The drawn bar stays on its texels: an attack may start above its full hp
    // (two players, the easiest first named attack) and end below 0.
    if (maxHp > 0.0f) {
        float w = GameState.twoPlayer == 1 ? static_cast<float>(hp / (maxHp * 1.3) * kGaugeWidth)
                                           : hp / maxHp * kGaugeWidth;
        w = std::clamp(w, 0.0f, kGaugeWidth);
        if (w > 0.0f) {
            const Rect& at = kBossBar.screen;
            const Rect& cell = kBossBar.cell;
            DrawPlain(sheet::kSystem, static_cast<float>(at.x), static_cast<float>(at.y), w, static_cast<float>(at.h),
                      static_cast<float>(cell.x), static_cast<float>(cell.y), w, static_cast<float>(cell.h), kWhite);
        }
    }
    int32_t v = std::min(secondsLeft, 99);
    if (v >= 10) {
        DrawHud(kBossSeconds.At(0, v / 10));
        v %= 10;
    }
    if (v >= 0) DrawHud(kBossSeconds.At(1, v));
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
    const float w = static_cast<float>(layout::kCutInCell.w), h = static_cast<float>(layout::kCutInCell.h);
    DrawPlain(sheet::kCutIn, dx, 0, w, h, srcX, 0, w, h, colour);
    if (t >= 15 && t <= 33) DrawPlain(sheet::kCutInFlash, dx, 0, w, h, srcX, 0, w, h, AlphaWhite(180 - 10 * (t - 15)));
}

void cBossBase::DrawSpellBonus() {
    using namespace layout;
    float* src = bonusRects;
    float* dst = bonusRects + 4;
    // The last quad drawn stays in the boss's rectangles.
    const auto draw = [&](const Quad& quad) {
        const auto s = Floats(quad.cell), d = Floats(quad.screen);
        std::copy(s.begin(), s.end(), src);
        std::copy(d.begin(), d.end(), dst);
        DrawHud(quad);
    };
    draw(kBonusLabel);
    int32_t rest = lastBonus;
    int32_t power = 1000000;
    for (int32_t i = 0; i < 7; ++i, power /= 10) {
        const int32_t d = rest / power;
        rest %= power;
        draw(kBonusDigits.At(i, d));
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
    } else if (k >= kPhaseOpening && k <= kPhaseLastStep && !IsBreakPhase(k)) {
        PlaySe(SoundTable.boss_death);
        if (k >= 4) SettleSpellBonus(*this, k);
        const StepFactors& f = kAttackEnd[k / 2 - 1];
        hp = 0.0f;
        maxHp = static_cast<float>(HpOfPhase(*this, k + 2));  // the next attack's
        if (g.twoPlayer == 1) maxHp = static_cast<float>(maxHp * f.twoPlayer);
        maxHp = ByDifficulty(maxHp, f);
        secondsLeft = SecondsOfPhase(*this, k + 1);
        bannerX = layout::kScreenWidth;  // the banner flies in from the right edge
        ObjectManager.CancelEnemyBullets();
        attackRunning = 0;
    } else if (k > kPhaseOpening && k <= kPhaseLastStep) {
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
