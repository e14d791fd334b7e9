// The enemy classes behind the type codes of this half of the roster.
#include "game/objects/cEnemyObjectBase.h"

cEnemyObjectBase* CreateEnemy1To49(int32_t code) {
    switch (code) {
    default: return nullptr;
    }
}
