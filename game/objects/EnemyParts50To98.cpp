// The firing, player and shot helpers the enemies of codes 50 to 98 share.
#include <cmath>
#include <cstddef>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

void Explode(const cEnemyObjectBase& e) {
    ObjectManager.SpawnEffectBurst(effect::kExplosionBurst, e.element, TruncateToInt(e.x), TruncateToInt(e.y));
}

bool FeedOrHurt(const cEnemyObjectBase& e, cPlayerBase& p, float gauge, int32_t count, int32_t damage) {
    if (e.element == p.element) {
        p.gauge = p.gauge + gauge;
        p.absorbCount += count;
        return true;
    }
    p.Damage(damage);
    return false;
}

void ExplodeActiveEnemies(elements::Kind element) {
    cObjectManager& m = ObjectManager;
    for (std::size_t i = 0; i < m.enemyList.size(); ++i) {
        cEnemyObjectBase* o = m.enemyList[i];
        if (o->isActive != 1) continue;
        m.SpawnEffectBurst(effect::kExplosionBurst, element, static_cast<int32_t>(o->x), static_cast<int32_t>(o->y));
        o->isDying = 1;
    }
}

void ApplyShot(cEnemyObjectBase& e, cPlayerBulletBase& b, ShotRules rules) {
    TakeShotByElement(e, b, rules.commonSounds);
    b.isActive = 0;
    if (rules.flash) StartHitFlash(b.element, b.x, b.y);
}
