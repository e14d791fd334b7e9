// The classes behind the boss type codes.
#include "game/state/cBossBase.h"

cBossBase* CreateStageBoss(int32_t code, int32_t team, int32_t x, int32_t y, int32_t angle) {
    switch (code) {
    default: return nullptr;
    }
}
