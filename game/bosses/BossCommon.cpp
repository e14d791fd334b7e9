#include "game/bosses/BossCommon.h"

#include <cmath>

#include "engine/core/KestraMath.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/PlayArea.h"
#include "game/state/SpriteTable.h"

namespace {

// A sum formed in double and truncated, kept inside the int range.
int32_t TruncateSum(double v) {
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(v);
}

}  // namespace

void SetUpStageBoss(cBossBase& b, float hp, elements::Kind element) {
    b.hp = b.maxHp = hp;
    b.element = element;
    b.radius = 30;
    b.x = b.y = 0.0f;
}

double SpellBonusAmount(int32_t bonus, int32_t left, int32_t limit) {
    const float ratio = limit != 0 ? static_cast<float>(static_cast<double>(left) / limit) : 0.0f;
    return static_cast<double>(bonus) * ratio + bonus / 10;
}

void SettleSpellBonus(cBossBase& b, int32_t k) {
    // A count stepping by more than one can pass 0 on a time-out: it pays nothing either.
    if (b.secondsLeft <= 0) b.bonusValid = 0;
    // The named attacks with a bonus entry, each settled in its phase or its break's.
    if (b.bonusValid != 1 || k < kPhaseOpening + 2 || k > kPhaseLastBonus + 1) return;
    const double paid = SpellBonusAmount(BonusOfPhase(b, k), b.secondsLeft, SecondsOfPhase(b, k));
    cPlayerBase* shooter = PlayerOfIndex(b.lastHitter);
    if (shooter) shooter->score = TruncateSum(paid + shooter->score);
    b.lastBonus = TruncateSum(paid);
}

bool BossAppears(cBossBase& b) {
    // Only while asleep: a stage frame standing still must not move it twice.
    if (b.active == 0 && b.appearFrame == StageFrame) {
        b.active = 1;
        b.x += ScrollX;
        b.y += ScrollY;
    }
    return b.active != 0;
}

void EndEntrance(cBossBase& b, bool clearField) {
    ObjectManager.DestroyAllEnemies();
    if (clearField) {
        ObjectManager.CancelEnemyBullets();
        b.phaseTimer = 0;
    }
    b.phase = kPhaseTalk;
}

void BossEntersTalk(cBossBase&) {
    ScrollHalt = 1;
    GameState.subState = kSubStateDialogue;
}

void CountBossSeconds(cBossBase& b, int32_t step) {
    if (b.phaseTimer % 60 == 0) b.secondsLeft -= step;
}

bool TalkOrCountSeconds(cBossBase& b, int32_t lastCounted, TalkFunction team1, TalkFunction team2, int32_t step) {
    if (b.phase == kPhaseTalk) {
        BossEntersTalk(b);
        RunTeamTalk(team1, team2);
        return true;
    }
    if (b.phase >= kPhaseOpening && b.phase <= lastCounted) CountBossSeconds(b, step);
    return false;
}

void RefillBreak(cBossBase& b) {
    if (b.hp < b.maxHp) b.hp += 2.0f;
}

bool EndBreakOnTime(cBossBase& b) {
    if (b.phaseTimer != 150) return false;
    b.NextPhase();
    return true;
}

bool BreakFrame(cBossBase& b, float tx, float ty, float step) {
    RefillBreak(b);
    b.MoveTo(tx, ty, step);
    return EndBreakOnTime(b);
}

void EndLastAttack(cBossBase& b, bool destroyEnemies) {
    const int32_t k = b.phase;
    PlaySe(SoundTable.boss_death);
    ObjectManager.CancelEnemyBullets();
    b.phaseTimer = 0;
    b.phase = kPhaseDefeated;
    SettleSpellBonus(b, k);
    if (destroyEnemies) ObjectManager.DestroyAllEnemies();
}

void EndFightEarly(cBossBase& b, bool fallSound, bool destroyEnemies) {
    b.NextPhase();
    b.phaseTimer = 0;
    b.phase = kPhaseDefeated;
    if (fallSound) PlaySe(SoundTable.boss_death);
    ObjectManager.CancelEnemyBullets();
    if (destroyEnemies) ObjectManager.DestroyAllEnemies();
}

void EndDefeatPause(cBossBase& b, int32_t frames) {
    if (b.phaseTimer >= frames) b.NextPhase();
}

void RaiseTally(cBossBase& b, bool releaseScroll) {
    if (b.phaseTimer != 60) return;
    if (releaseScroll) ScrollHalt = 0;
    GameState.subState = kSubStateTally;
}

int32_t BossDifficulty() {
    const int32_t d = GameState.difficulty;
    return d >= 0 && d <= 2 ? d : 1;
}

int32_t AimFrom(float x, float y, const cPlayerBase* p, int32_t fallback) {
    if (!p) return fallback;
    return static_cast<int32_t>(Kestra::Atan(p->aimX - x, p->aimY - y));
}

int32_t AimAtPlayer1(const cBossBase& b) { return AimFrom(b.x, b.y, Player1, b.moveAngle); }
int32_t AimAtLater(const cBossBase& b) { return AimFrom(b.x, b.y, LaterPlayer(), b.moveAngle); }

void MoveAlong(float& x, float& y, int32_t angle, float speed) {
    x += Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
    y += Kestra::Sin(angle) * speed;
}

void StepAxis(float& v, float target, float step, float dead) {
    if (v > target + dead) v -= step;
    else if (v < target - dead) v += step;
}

bool BoxOutOfView(float x, float y, float half) {
    using playarea::kHeight, playarea::kWidth;
    return !(x - half >= ScrollX && x + half <= ScrollX + kWidth && y - half >= ScrollY &&
             y + half <= ScrollY + kHeight);
}

float Distance(float ax, float ay, float bx, float by) {
    const float dx = bx - ax;
    const float dy = by - ay;
    return std::sqrt(dx * dx + dy * dy);
}

void FireSpread(float x, float y, int32_t count, int32_t step, const Bullet& b) {
    Bullet each = b;
    for (int32_t i = 1; i <= count; ++i) {
        each.angle = WrapAdd(b.angle, step * i);
        FireBullet(x, y, each);
    }
}

void DropExtraLife(const cBossBase& b) { PlaceEnemy(b.x, b.y, {.type = objecttype::kOneUpItem, .element = b.element, .life = 1.0f}); }

void BurstAt(float x, float y, elements::Kind element) {
    ObjectManager.SpawnEffectBurst(effect::kExplosionBurst, element, TruncateToInt(x), TruncateToInt(y));
}

void StartPoolEffect(effect::Kind kind, int32_t value, float x, float y) {
    cEffectObjectBase* f = ObjectManager.TakeEffectSlot();
    if (!f) return;
    f->kind = kind;
    f->value = value;
    f->frame = 0;
    f->speed = 0.0f;
    f->isActive = 1;
    f->SetPosition(TruncateToInt(x), TruncateToInt(y));
}

void BossBodyContact(float x, float y) {
    for (cPlayerBase* p : {Player1, SecondPlayer()})
        if (p && Distance(x, y, p->aimX, p->aimY) <= 40.0f) p->Damage(1);
}

void SpendShot(cBossBase& b, cPlayerBulletBase& s) {
    b.lastHitter = s.owner;
    s.isActive = 0;
    if (cPlayerBase* owner = PlayerOfIndex(s.owner)) owner->score += 10;
}

void TakeBossShot(cBossBase& b, cPlayerBulletBase& s) {
    const int32_t ix = TruncateToInt(b.x);
    const int32_t iy = TruncateToInt(b.y);
    if (s.element == b.element) {
        ObjectManager.SpawnEffectBurst(effect::kPuffBurst, b.element, ix, iy);
        b.hp -= s.power * 0.5f;
        PlaySe(SoundTable.enemydamage_small);
    } else {
        ObjectManager.SpawnEffectBurst(effect::kPuffBurst, b.element, ix, iy);
        ObjectManager.SpawnEffectBurst(effect::kPuffBurst, b.element, ix, iy);
        b.hp -= s.power;
        PlaySe(SoundTable.rt_cursor01);
    }
    SpendShot(b, s);
}

void KeepBoxInView(float& x, float& y, const int32_t box[4]) {
    const float left = static_cast<float>(box[0]), top = static_cast<float>(box[1]);
    const float right = static_cast<float>(box[2]), bottom = static_cast<float>(box[3]);
    using playarea::kHeight, playarea::kWidth, playarea::kBossKept;
    if (bottom <= ScrollY + kHeight && top >= ScrollY && right <= ScrollX + kWidth && left >= ScrollX) return;
    if (bottom > ScrollY + kHeight) y = ScrollY + kBossKept.bottom;
    if (top < ScrollY) y = ScrollY + kBossKept.top;
    if (right > ScrollX + kWidth) x = ScrollX + kBossKept.right;
    if (left < ScrollX) x = ScrollX + kBossKept.left;
}

void SetBossBox(int32_t box[4], float x, float y) {
    constexpr int half = playarea::kBossBoxHalf;
    box[0] = TruncateToInt(x - half);
    box[1] = TruncateToInt(y - half);
    box[2] = TruncateToInt(x + half);
    box[3] = TruncateToInt(y + half);
}

int32_t StepBodyCell(cBossBase& b, int32_t perCell, int32_t wrapAt) {
    b.animFrame += 1;
    const int32_t cell = b.animFrame / perCell;
    if (b.animFrame >= wrapAt) b.animFrame = 0;
    return cell;
}

void DrawBossCircle(cBossBase& b, float x, float y, elements::Kind element) {
    b.circleAngle = WrapAdd(b.circleAngle, 190);
    DrawTurned(sheet::kBossCircle, x - 6 - ScrollX - 64, y + 30 - ScrollY - 64, 128, 128, Cell(element, 128.0f, 0.0f),
               0, 128, 128, kWhite, b.circleAngle);
}

void DrawBossCell(float x, float y, float srcX, float srcY, float w, float h, float top, uint32_t colour) {
    DrawPlain(sheet::kBossBody, x - ScrollX - w / 2, y - ScrollY - top, w, h, srcX, srcY, w, h, colour);
}

void DrawBossHud(cBossBase& b, const char* attackName, bool breakEleven) {
    const int32_t p = b.phase;
    if (p >= kPhaseOpening && p <= kPhaseDefeated) b.DrawLifeGauge();
    const bool breakShow = p == 3 || p == 5 || p == 7 || p == 9 || p == kPhaseDefeated || (breakEleven && p == 11);
    if (breakShow) {
        if (b.bonusValid == 1 && p != 3) b.DrawSpellBonus();
        if (p != kPhaseDefeated) b.DrawSpellBanner();
    }
    if (attackName) DrawFontText(attackName, b.nameX, b.nameY, 1, kPlayDepth);
}

void RunTeamTalk(TalkFunction team1, TalkFunction team2) {
    if (GameState.team == 1 && team1) team1();
    else if (GameState.team == 2 && team2) team2();
}
