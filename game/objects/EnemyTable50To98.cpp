// The enemy classes behind the type codes of this half of the roster.
#include "game/objects/cEnemyObjectBase.h"

cEnemyObjectBase* CreateEnemy50To98(int32_t code) {
    switch (code) {
    default: return nullptr;
    }
}
