// The classes behind the enemy and boss type codes.
#include "game/bosses/cBossBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"

// Each half of the enemy roster has its own table.
cEnemyObjectBase* CreateEnemy1To49(int32_t code);
cEnemyObjectBase* CreateEnemy50To98(int32_t code);

cEnemyObjectBase* CreateEnemyClass(int32_t code) {
    if (code >= 1 && code <= 49) return CreateEnemy1To49(code);
    if (code >= 50 && code <= 98) return CreateEnemy50To98(code);
    return nullptr;
}

cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    switch (code) {
    default: return nullptr;
    }
}
