// The drawing, firing, player and shot helpers the enemies of codes 50 to 98 share.
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

namespace {
float SourceX(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column) {
    return k.sx + k.ex * static_cast<float>(e.element) + k.cx * static_cast<float>(column);
}
float SourceY(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column) {
    return k.sy + k.ey * static_cast<float>(e.element) + k.cy * static_cast<float>(column);
}
}  // namespace

void DrawLook(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column, uint32_t colour, float shiftX,
              float shiftY) {
    DrawPlain(k.slot, e.x - ScrollX + k.ox, e.y - ScrollY + k.oy, k.dw, k.dh, SourceX(e, k, column) + shiftX,
              SourceY(e, k, column) + shiftY, k.sw, k.sh, colour);
}

void DrawLookTurned(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, int32_t column, uint32_t colour) {
    DrawTurned(k.slot, e.x - ScrollX + k.ox, e.y - ScrollY + k.oy, k.dw, k.dh, SourceX(e, k, column),
               SourceY(e, k, column), k.sw, k.sh, colour, angle);
}

void DrawLookSized(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, bool turned, int32_t column, float w,
                   float h, float ox, float oy) {
    const float dx = e.x - ScrollX + ox;
    const float dy = e.y - ScrollY + oy;
    if (turned) {
        DrawTurned(k.slot, dx, dy, w, h, SourceX(e, k, column), SourceY(e, k, column), k.sw, k.sh, kWhite, angle);
    } else {
        DrawPlain(k.slot, dx, dy, w, h, SourceX(e, k, column), SourceY(e, k, column), k.sw, k.sh, kWhite);
    }
}

void Explode(const cEnemyObjectBase& e) {
    ObjectManager.SpawnEffectBurst(1, e.element, TruncateToInt(e.x), TruncateToInt(e.y));
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

void ExplodeActiveEnemies(int32_t element) {
    cObjectManager& m = ObjectManager;
    for (std::size_t i = 0; i < m.enemyList.size(); ++i) {
        cEnemyObjectBase* o = m.enemyList[i];
        if (o->isActive != 1) continue;
        m.SpawnEffectBurst(1, element, static_cast<int32_t>(o->x), static_cast<int32_t>(o->y));
        o->isDying = 1;
    }
}

void ApplyShot(cEnemyObjectBase& e, cPlayerBulletBase& b, ShotRules rules) {
    TakeShotByElement(e, b, rules.commonSounds);
    b.isActive = 0;
    if (rules.flash) StartHitFlash(b.element, b.x, b.y);
}
