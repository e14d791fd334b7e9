// What the stage bosses share beyond the base's ten operations: the steps of
// the common Update and Draw frames, the bonus settlement, aiming, moving,
// volleys and summons, the shot test against a body and the program-wide
// counters.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>

#include "engine/core/KestraMath.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"

class cPlayerBase;

// ---- Attacks and the phase machine.

// Where a break walks the boss: a screen point, `step` px a frame on each axis.
struct BreakWalk {
    float x, y;
    float step = 3.0f;
};

// One attack of a fight. A boss lists its attacks in the order fought: the
// opening attack (phase 2), then each named attack (phases 4, 6, ...) with
// the break before it (phases 3, 5, ...), whose refill and cut-in lead to it.
// The base's tables hold kMostAttacks of them. The names the named attacks
// show are the boss's list in AttackNames.h, in the same order (AttackNameOf).
template <class Boss, class Break = BreakWalk>
struct BossAttack {
    int32_t hp;
    int32_t seconds;
    int32_t bonus;         // base of its time bonus; the opening attack pays none
    void (Boss::*run)();   // its frame; it ends the attack itself
    int32_t breakSeconds;  // the break before it
    Break breakTo;
};

// Whether `Rows` attacks and `Names` names go together: one name for each
// attack after the opening one.
template <size_t Rows, size_t Names>
inline constexpr bool kNamesFitAttacks = Rows == Names + 1;

// The most attacks the base's tables hold: an hp each, the seconds of each and
// of the break before it, and a bonus for each after the opening one.
inline constexpr size_t kMostAttacks =
    std::min({std::extent_v<decltype(cBossBase::hpTable)>, (std::extent_v<decltype(cBossBase::timeTable)> + 1) / 2,
              std::extent_v<decltype(cBossBase::bonusTable)> + 1});

// The boss's tables by the phase each entry serves: an attack's hp, a
// phase's seconds (breaks included) and a named attack's bonus base.
inline int32_t& HpOfPhase(cBossBase& b, int32_t attack) { return b.hpTable[(attack - kPhaseOpening) / 2]; }
inline int32_t& SecondsOfPhase(cBossBase& b, int32_t phase) { return b.timeTable[phase - kPhaseOpening]; }
inline int32_t& BonusOfPhase(cBossBase& b, int32_t named) { return b.bonusTable[(named - kPhaseOpening) / 2 - 1]; }

// The attack a phase belongs to: the one it runs (even phases) or the one its
// break leads to (odd); null outside the attacks and breaks.
template <class Attacks>
auto AttackOfPhase(int32_t phase, const Attacks& attacks) -> decltype(&attacks[0]) {
    if (phase < kPhaseOpening || phase >= kPhaseDefeated) return nullptr;
    const size_t i = static_cast<size_t>((phase - 1) / 2);
    return i < std::size(attacks) ? &attacks[i] : nullptr;
}
inline bool IsBreakPhase(int32_t phase) { return phase % 2 != 0; }

// The phase in which an attack runs, found by its frame; and whether it runs
// in `phase`.
template <class Attacks, class Run>
int32_t PhaseOfAttack(const Attacks& attacks, Run run) {
    for (size_t i = 0; i < std::size(attacks); ++i)
        if (attacks[i].run == run) return kPhaseOpening + 2 * static_cast<int32_t>(i);
    return -1;
}
template <class Attacks, class Run>
bool RunsAttack(int32_t phase, const Attacks& attacks, Run run) {
    return phase == PhaseOfAttack(attacks, run);
}
// The phase of the break before an attack.
template <class Attacks, class Run>
int32_t BreakBefore(const Attacks& attacks, Run run) {
    return PhaseOfAttack(attacks, run) - 1;
}

// hp and maxHp, element, radius 30 and the position (0, 0) until the
// factory places it.
void SetUpStageBoss(cBossBase& b, float hp, elements::Kind element);
// The same, and the boss's hp, time and bonus tables from its attacks (the
// entries past them keep the base's values); more attacks than the tables
// hold do not compile.
template <class Row, size_t Rows>
void SetUpStageBoss(cBossBase& b, float hp, elements::Kind element, const Row (&attacks)[Rows]) {
    static_assert(Rows <= kMostAttacks, "the boss's tables hold no more attacks");
    SetUpStageBoss(b, hp, element);
    int32_t phase = kPhaseOpening;
    for (const auto& a : attacks) {
        HpOfPhase(b, phase) = a.hp;
        SecondsOfPhase(b, phase) = a.seconds;
        if (phase > kPhaseOpening) {
            SecondsOfPhase(b, phase - 1) = a.breakSeconds;
            BonusOfPhase(b, phase) = a.bonus;
        }
        phase += 2;
    }
}

// What a named attack of bonus base B and a limit of `limit` seconds pays with
// `left` of them left: B x (left / limit, the share kept as a float) + B / 10,
// before it is truncated.
double SpellBonusAmount(int32_t bonus, int32_t left, int32_t limit);
// Pays the named attack of phase k (k >= 4) its time bonus: nothing after a
// time-out or a miss, else SpellBonusAmount to the last hitter.
void SettleSpellBonus(cBossBase& b, int32_t k);

// The appearance step: on its stage frame the boss wakes and its screen
// position becomes a stage position, once. True while the boss is active.
bool BossAppears(cBossBase& b);
// The entrance's last frame (its 150th): the enemies on screen are destroyed
// and the talk's phase begins; `clearField` also cancels the enemy bullets and
// restarts the phase timer.
void EndEntrance(cBossBase& b, bool clearField);
// The talk's phase: the scroll halts and the scene turns to the dialogue.
void BossEntersTalk(cBossBase& b);
// One second off the counter every 60 frames of the phase (`step` seconds).
void CountBossSeconds(cBossBase& b, int32_t step = 1);
// A talk of each team: the team 1 one, the team 2 one.
using TalkFunction = void (*)();
// The frame's step after the entrance: in the talk's phase the talk begins (and the
// boss runs the talk given, the first time from here) and nothing more runs
// this frame (true); from the opening attack to `lastCounted` the seconds run, `step` at
// a time (false).
bool TalkOrCountSeconds(cBossBase& b, int32_t lastCounted, TalkFunction team1 = nullptr,
                        TalkFunction team2 = nullptr, int32_t step = 1);
// An attack is over when its hp or its time has run out.
inline bool AttackOver(const cBossBase& b) { return b.hp <= 0.0f || b.secondsLeft < 1; }
// A break's frame: the gauge refills 2 a frame, the boss walks toward the
// screen point (tx, ty), and the break ends on its 150th frame (true on that
// frame: the next attack has begun).
void RefillBreak(cBossBase& b);
bool EndBreakOnTime(cBossBase& b);
bool BreakFrame(cBossBase& b, float tx, float ty, float step = 3.0f);

// The frame of the phase's attack, or of its break (`onBreak` with the
// break's place); nothing outside the attacks and breaks.
template <class Boss, class Attacks, class OnBreak>
void RunAttackOrBreak(Boss& b, const Attacks& attacks, OnBreak onBreak) {
    const auto* a = AttackOfPhase(b.phase, attacks);
    if (!a) return;
    if (IsBreakPhase(b.phase)) onBreak(a->breakTo);
    else (b.*(a->run))();
}
// The same with the common break frame walking to the break's point; true on
// a break's last frame (the next attack has begun).
template <class Boss, class Attacks>
bool RunAttackOrBreak(Boss& b, const Attacks& attacks) {
    bool ended = false;
    RunAttackOrBreak(b, attacks, [&](const BreakWalk& to) { ended = BreakFrame(b, to.x, to.y, to.step); });
    return ended;
}
// The last attack's end: the boss falls, the bullets turn to items, the
// defeat's pause begins and the attack's bonus is settled; then, with
// `destroyEnemies`, the enemies on screen go too.
void EndLastAttack(cBossBase& b, bool destroyEnemies = false);
// The early end of a fight (an easier difficulty's last attack): the attack's
// step to its break settles it, then the defeat's pause begins at once.
void EndFightEarly(cBossBase& b, bool fallSound, bool destroyEnemies);
// The defeat's pause: the post-fight talk after `frames` frames.
void EndDefeatPause(cBossBase& b, int32_t frames);
// After the post-fight talk: the stage-clear tally on its 60th frame (the
// scroll may move again).
void RaiseTally(cBossBase& b, bool releaseScroll);

// The difficulty 0 to 2 the patterns are chosen by (1 for any other value).
int32_t BossDifficulty();

// ---- Aiming and moving.

// The heading from (x, y) toward a player's committed position; `fallback`
// without a player.
int32_t AimFrom(float x, float y, const cPlayerBase* p, int32_t fallback);
int32_t AimAtPlayer1(const cBossBase& b);
// Player 2 in two-player mode, else player 1.
int32_t AimAtLater(const cBossBase& b);
// A step of `speed` pixels along an Angle16 heading.
void MoveAlong(float& x, float& y, int32_t angle, float speed);
// One axis stepped toward a target: `step` pixels unless within `dead` of it.
void StepAxis(float& v, float target, float step, float dead);
// Whether the square of half side `half` around (x, y) has left the view.
bool BoxOutOfView(float x, float y, float half);
// The distance between two points in single precision.
float Distance(float ax, float ay, float bx, float by);
// A frame counter within [from, to], both ends included; and, in that window,
// on every `every`-th frame.
inline bool InFrames(int32_t t, int32_t from, int32_t to) { return t >= from && t <= to; }
inline bool EveryInFrames(int32_t t, int32_t from, int32_t to, int32_t every) {
    return InFrames(t, from, to) && t % every == 0;
}

// ---- Bullets and summons (stage coordinates).

// `count` bullets like `b`, the i-th at b.angle + step * i for i = 1 .. count.
void FireSpread(float x, float y, int32_t count, int32_t step, const Bullet& b);

// f(px, py, a) for `count` points on a circle of `radius` around (cx, cy),
// the i-th at the angle a = step * i for i = first .. first + count - 1.
template <class F>
void ForEachOnCircle(float cx, float cy, float radius, int32_t first, int32_t count, int32_t step, F f) {
    for (int32_t i = first; i < first + count; ++i) {
        const int32_t a = step * i;
        f(cx + radius * Kestra::Cos(static_cast<uint32_t>(a)), cy + radius * Kestra::Sin(a), a);
    }
}
// The extra life a beaten mid-boss drops at its stage position, in its element.
void DropExtraLife(const cBossBase& b);

// The explosion burst (pattern 1) at a body, in its element.
void BurstAt(float x, float y, elements::Kind element);
// An effect started straight from the pool's next slot: kind and value, frame
// 0, speed 0, at the truncated point (no random start values).
void StartPoolEffect(effect::Kind kind, int32_t value, float x, float y);

// ---- Collisions.

// Body contact: a player within 40 px of (x, y) is hurt (player 2 in two-player mode too).
void BossBodyContact(float x, float y);
// Runs f on every active player shot within `reach` of (x, y), in list order;
// the manager's shared inner index ends at the list's length.
template <class F>
void ForEachShotNear(float x, float y, int32_t reach, F f) {
    cObjectManager& m = ObjectManager;
    for (size_t i = 0; i < m.playerBullets.size(); ++i) {
        cPlayerBulletBase* s = m.playerBullets[i];
        if (s->isActive != 1 || !ShotTouches(x, y, reach, s->x, s->y)) continue;
        f(*s);
    }
    m.innerIndex = static_cast<int32_t>(m.playerBullets.size());
}
// The base's damage by a shot: half power and one burst for the boss's own
// element, full power and two bursts otherwise, the sound of each; the shot
// is spent, its owner scores 10 and becomes the last hitter.
void TakeBossShot(cBossBase& b, cPlayerBulletBase& s);
// The shot is spent, its owner scores 10 and becomes the last hitter.
void SpendShot(cBossBase& b, cPlayerBulletBase& s);
// A box that has left the view puts its centre back inside the edge it
// crossed, where a boss is kept (playarea::kBossKept).
void KeepBoxInView(float& x, float& y, const int32_t box[4]);
// A boss's box around (x, y) (half side playarea::kBossBoxHalf).
void SetBossBox(int32_t box[4], float x, float y);

// ---- Drawing.

// The body cell of the later bosses: animFrame one on, the cell taken from
// it before it returns to 0 on reaching `wrapAt` (the first four bosses step
// animFrame with StepCounter and read it after the wrap).
int32_t StepBodyCell(cBossBase& b, int32_t perCell, int32_t wrapAt);
// The turning magic circle of an element under a body at (x, y).
void DrawBossCircle(cBossBase& b, float x, float y, elements::Kind element);
// A w x h body cell of the boss sheet, centred across (x, y) and reaching
// `top` px above it (the 60 x 80 cells of the first four bosses by default).
void DrawBossCell(float x, float y, float srcX, float srcY, float w = 60.0f, float h = 80.0f, float top = 30.0f,
                  uint32_t colour = kWhite);
// The name of the attack running in a phase; null in the opening attack, the
// breaks and outside the attacks. A boss's attacks and its list of names go
// together by position: the opening attack has no name, each attack after it
// the next one of the list; the two lengths agree or the boss does not compile.
template <class Row>
const char* AttackNameOf(int32_t phase, std::span<const Row> attacks, std::span<const char* const> names) {
    const Row* a = AttackOfPhase(phase, attacks);
    if (!a || IsBreakPhase(phase) || a == attacks.data()) return nullptr;
    const size_t named = static_cast<size_t>(a - attacks.data()) - 1;
    return named < names.size() ? names[named] : nullptr;
}
template <class Row, size_t Rows, size_t Names>
const char* AttackNameOf(int32_t phase, const Row (&attacks)[Rows], const char* const (&names)[Names]) {
    static_assert(kNamesFitAttacks<Rows, Names>, "a boss names each attack after its opening one");
    return AttackNameOf(phase, std::span<const Row>(attacks), std::span<const char* const>(names));
}
// The gauge from the opening attack through the defeat's pause; in the breaks
// (3, 5, 7, 9, and 11 where the boss has it) and in the pause the bonus digits
// (not in break 3) and the cut-in banner (not in the pause); the attack's name
// in its phase.
void DrawBossHud(cBossBase& b, const char* attackName, bool breakEleven = false);

// Runs the talk of the chosen team.
void RunTeamTalk(TalkFunction team1, TalkFunction team2);

// ---- Program-wide counters (kept across stages and games; tests reset them).
void ResetBossProgramCounters();
