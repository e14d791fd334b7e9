// The classes behind the enemy and boss type codes.
#include "game/bosses/cBossBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"

cEnemyObjectBase* CreateEnemyClass(int32_t code) {
    switch (code) {
    default: return nullptr;
    }
}

cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    switch (code) {
    default: return nullptr;
    }
}
