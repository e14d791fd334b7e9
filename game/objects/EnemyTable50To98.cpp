// The enemy classes behind the type codes of this half of the roster.
#include "game/objects/Enemies50To98.h"
#include "game/objects/cEnemyObjectBase.h"

cEnemyObjectBase* CreateEnemy50To98(int32_t code) {
    switch (code) {
    case 50: return new cEnemy50();
    case 51: return new cEnemy51();
    case 52: return new cEnemy52();
    case 53: return new cEnemy53();
    case 54: return new cEnemy54();
    case 55: return new cEnemy55();
    case 56: return new cEnemy56();
    case 57: return new cEnemy57();
    case 58: return new cEnemy58();
    case 59: return new cEnemy59();
    case 60: return new cEnemy60();
    case 61: return new cEnemy61();
    case 62: return new cEnemy62();
    case 63: return new cEnemy63();
    case 64: return new cEnemy64();
    case 65: return new cEnemy65();
    case 66: return new cEnemy66();
    case 67: return new cEnemy67();
    case 68: return new cEnemy68();
    case 69: return new cEnemy69();
    case 70: return new cEnemy70();
    case 71: return new cEnemy71();
    case 72: return new cEnemy72();
    case 73: return new cEnemy73();
    case 74: return new cEnemy74();
    case 75: return new cEnemy75();
    case 76: return new cEnemy76();
    case 77: return new cEnemy77();
    case 78: return new cEnemy78();
    case 79: return new cEnemy79();
    case 80: return new cEnemy80();
    case 81: return new cEnemy81();
    case 82: return new cEnemy82();
    case 83: return new cEnemy83();
    case 84: return new cEnemy84();
    case 85: return new cEnemy85();
    case 86: return new cEnemy86();
    case 87: return new cEnemy87();
    case 88: return new cEnemy88();
    case 89: return new cEnemy89();
    case 90: return new cEnemy90();
    case 91: return new cEnemy91();
    case 92: return new cEnemy92();
    case 93: return new cEnemy93();
    case 94: return new cEnemy94();
    case 95: return new cEnemy95();
    case 96: return new cEnemy96();
    case 97: return new cEnemy97();
    case 98: return new cEnemy98();
    default: return nullptr;
    }
}
