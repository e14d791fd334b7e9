#include "tests/game/objects/field_watch.h"

#include <cstddef>

#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/state/cBossBase.h"

namespace playtest {
namespace {

bool IsEnemy(const cEnemyObjectBase* e) { return e->type >= 1 && e->type <= 98; }

}  // namespace

void EnemyCensus::Restart() {
    last_.clear();
    for (const cEnemyObjectBase* e : ObjectManager.enemyList) {
        last_.push_back({e, IsEnemy(e)});
        spawned += IsEnemy(e) ? 1 : 0;
    }
}

void EnemyCensus::Count() {
    const auto& list = ObjectManager.enemyList;
    now_.resize(list.size());
    std::size_t i = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const cEnemyObjectBase* e = list[k];
        while (i < last_.size() && last_[i].object != e) gone += last_[i++].enemy ? 1 : 0;
        const bool enemy = IsEnemy(e);
        if (i < last_.size()) ++i;
        else if (enemy) ++spawned;
        now_[k] = {e, enemy};
    }
    for (; i < last_.size(); ++i) gone += last_[i].enemy ? 1 : 0;
    last_.swap(now_);
}

int32_t BossWatch::attacks() const {
    int32_t n = 0;
    for (int32_t p : phases) n += p >= 2 && p <= 16 && p % 2 == 0 ? 1 : 0;
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
            const bool paid = b.lastBonus != lastBonus || b.bonusValid == 1;
            named.push_back({left, paid, paid ? b.lastBonus : 0});
            bonuses += paid ? 1 : 0;
            bonusTotal += paid ? b.lastBonus : 0;
        }
        phases.push_back(b.phase);
        if (b.phase == 30) beaten = frame;
    }
    lastBonus = b.lastBonus;
}

}  // namespace playtest
