#include "tests/game/objects/field_watch.h"

#include <cstddef>
#include <memory>
#include <span>

#include "game/bosses/AttackNames.h"
#include "game/bosses/BossCommon.h"
#include "game/bosses/BossFactory.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/state/cBossBase.h"
#include "tests/support/test_support.h"

namespace playtest {

void EnemyCensus::Restart() {
    last_.clear();
    for (const cEnemyObjectBase* e : ObjectManager.enemyList) {
        last_.push_back({e, testsupport::IsEnemyType(e->type)});
        spawned += testsupport::IsEnemyType(e->type) ? 1 : 0;
    }
}

void EnemyCensus::Count() {
    const auto& list = ObjectManager.enemyList;
    now_.resize(list.size());
    std::size_t i = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const cEnemyObjectBase* e = list[k];
        while (i < last_.size() && last_[i].object != e) gone += last_[i++].enemy ? 1 : 0;
        const bool enemy = testsupport::IsEnemyType(e->type);
        if (i < last_.size()) ++i;
        else if (enemy) ++spawned;
        now_[k] = {e, enemy};
    }
    for (; i < last_.size(); ++i) gone += last_[i].enemy ? 1 : 0;
    last_.swap(now_);
}

int32_t BossWatch::attacks() const {
    int32_t n = 0;
    for (int32_t p : phases) n += p >= kPhaseOpening && p <= 16 && p % 2 == 0 ? 1 : 0;
    return n;
}

std::vector<int32_t> BossWatch::unpaid() const {
    std::vector<int32_t> out;
    for (const Attack& a : named)
        if (!a.paid) out.push_back(a.phase);
    return out;
}

std::string PhaseList(const std::vector<int32_t>& phases) {
    std::string out;
    for (int32_t p : phases) out += (out.empty() ? "" : ",") + std::to_string(p);
    return out.empty() ? "-" : out;
}

void BossWatch::See(const cBossBase& b, int32_t frame) {
    if (!b.active) return;
    if (arrived < 0) arrived = frame, lastBonus = b.lastBonus;
    if (phases.empty() || phases.back() != b.phase) {
        const int32_t left = phases.empty() ? -1 : phases.back();
        if (left >= 4 && left < 30 && left % 2 == 0) {
            const bool paid = (b.lastBonus != lastBonus || b.bonusValid == 1) && b.lastBonus > 0;
            // The step ran after the frame's count, at timer_ + 1.
            const int32_t seconds = seconds_ - ((timer_ + 1) % 60 == 0 ? step_ : 0);
            named.push_back({left, paid, paid ? b.lastBonus : 0, seconds});
            bonuses += paid ? 1 : 0;
            bonusTotal += paid ? b.lastBonus : 0;
        }
        phases.push_back(b.phase);
        if (b.phase == kPhaseDefeated) beaten = frame;
    } else if (b.secondsLeft < seconds_) {
        step_ = seconds_ - b.secondsLeft;
    }
    seconds_ = b.secondsLeft, timer_ = b.phaseTimer;
    lastBonus = b.lastBonus;
}

namespace {

// The named attacks of a stage's boss (codes 200 to 203) from phase 4 on, as
// the boss's own tables hold them; as many as its list of attack names.
std::vector<NamedAttack> ReadNamedAttacks(int32_t stage) {
    static constexpr std::span<const char* const> kNames[4] = {
        attacknames::kStage01Boss, attacknames::kStage02Boss, attacknames::kStage03Boss, attacknames::kStage04Boss};
    const std::unique_ptr<cBossBase> boss(MakeStageBoss(objecttype::kStage1Boss + stage - 1, 1, 0, 0, 0));
    std::vector<NamedAttack> out;
    for (size_t i = 1; i <= kNames[stage - 1].size(); ++i) {
        const int32_t phase = kPhaseOpening + 2 * static_cast<int32_t>(i);
        out.push_back({phase, BonusOfPhase(*boss, phase), SecondsOfPhase(*boss, phase)});
    }
    return out;
}

}  // namespace

const NamedAttack* FindNamedAttack(int32_t stage, int32_t phase) {
    if (stage < 1 || stage > 4) return nullptr;
    static const std::vector<NamedAttack> kNamedAttacks[4] = {ReadNamedAttacks(1), ReadNamedAttacks(2),
                                                              ReadNamedAttacks(3), ReadNamedAttacks(4)};
    for (const NamedAttack& a : kNamedAttacks[stage - 1])
        if (a.phase == phase) return &a;
    return nullptr;
}

int32_t BonusFor(const NamedAttack& a, int32_t left) {
    return static_cast<int32_t>(SpellBonusAmount(a.bonus, left, a.limit));
}

}  // namespace playtest
