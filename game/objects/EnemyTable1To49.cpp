// The enemy classes behind the type codes of this half of the roster.
#include "game/objects/Enemies1To49.h"

cEnemyObjectBase* CreateEnemy1To49(int32_t code) {
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
    default: return nullptr;
    }
}
