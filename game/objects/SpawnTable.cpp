// The classes behind the enemy type codes.
#include "game/objects/Enemies1To49.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"

cEnemyObjectBase* CreateEnemyClass(int32_t code) {
    switch (code) {
    case 1: return new cEnemy01();
    case 2: return new cEnemy02();
    case 3: return new cEnemy03();
    case 4: return new cEnemy04();
    case 5: return new cEnemy05();
    case 6: return new cEnemy06();
    case 7: return new cEnemy07();
    case 8: return new cEnemy08();
    case 9: return new cEnemy09();
    case 10: return new cEnemy10();
    case 11: return new cEnemy11();
    case 12: return new cEnemy12();
    case 13: return new cEnemy13();
    case 14: return new cEnemy14();
    case 15: return new cEnemy15();
    case 16: return new cEnemy16();
    case 17: return new cEnemy17();
    case 18: return new cEnemy18();
    case 19: return new cEnemy19();
    case 20: return new cEnemy20();
    case 21: return new cEnemy21();
    case 22: return new cEnemy22();
    case 23: return new cEnemy23();
    case 24: return new cEnemy24();
    case 25: return new cEnemy25();
    case 26: return new cEnemy26();
    case 27: return new cEnemy27();
    case 28: return new cEnemy28();
    case 29: return new cEnemy29();
    case 30: return new cEnemy30();
    case 31: return new cEnemy31();
    case 32: return new cEnemy32();
    case 33: return new cEnemy33();
    case 34: return new cEnemy34();
    case 35: return new cEnemy35();
    case 36: return new cEnemy36();
    case 37: return new cEnemy37();
    case 38: return new cEnemy38();
    case 39: return new cEnemy39();
    case 40: return new cEnemy40();
    case 41: return new cEnemy41();
    case 42: return new cEnemy42();
    case 43: return new cEnemy43();
    case 44: return new cEnemy44();
    case 45: return new cEnemy45();
    case 46: return new cEnemy46();
    case 47: return new cEnemy47();
    case 48: return new cEnemy48();
    case 49: return new cEnemy49();
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
