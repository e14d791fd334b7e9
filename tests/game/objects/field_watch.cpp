#include "tests/game/objects/field_watch.h"

#include <cstddef>

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

// By stage, the named attacks from phase 4 on.
const std::vector<NamedAttack> kNamedAttacks[4] = {
    {{4, 100000, 60}, {6, 120000, 60}, {8, 140000, 60}},
    {{4, 200000, 60}, {6, 220000, 60}, {8, 240000, 70}},
    {{4, 300000, 60}, {6, 330000, 60}, {8, 360000, 60}},
    {{4, 400000, 99}, {6, 440000, 99}, {8, 480000, 99}, {10, 520000, 99}}};

}  // namespace

const NamedAttack* FindNamedAttack(int32_t stage, int32_t phase) {
    if (stage < 1 || stage > 4) return nullptr;
    for (const NamedAttack& a : kNamedAttacks[stage - 1])
        if (a.phase == phase) return &a;
    return nullptr;
}

int32_t BonusFor(const NamedAttack& a, int32_t left) {
    const float share = static_cast<float>(static_cast<double>(left) / a.limit);
    return static_cast<int32_t>(static_cast<double>(a.bonus) * share + a.bonus / 10);
}

}  // namespace playtest
