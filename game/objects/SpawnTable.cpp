// The classes behind the enemy type codes.
#include <iterator>

#include "game/objects/Enemies1To49.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"

namespace {
template <class Enemy>
cEnemyObjectBase* Make() {
    return new Enemy();
}

// Code n's class is at n - kFirstEnemy.
constexpr cEnemyObjectBase* (*kClasses[])() = {
    Make<cEnemy01>, Make<cEnemy02>, Make<cEnemy03>, Make<cEnemy04>, Make<cEnemy05>, Make<cEnemy06>, Make<cEnemy07>,
    Make<cEnemy08>, Make<cEnemy09>, Make<cEnemy10>, Make<cEnemy11>, Make<cEnemy12>, Make<cEnemy13>, Make<cEnemy14>,
    Make<cEnemy15>, Make<cEnemy16>, Make<cEnemy17>, Make<cEnemy18>, Make<cEnemy19>, Make<cEnemy20>, Make<cEnemy21>,
    Make<cEnemy22>, Make<cEnemy23>, Make<cEnemy24>, Make<cEnemy25>, Make<cEnemy26>, Make<cEnemy27>, Make<cEnemy28>,
    Make<cEnemy29>, Make<cEnemy30>, Make<cEnemy31>, Make<cEnemy32>, Make<cEnemy33>, Make<cEnemy34>, Make<cEnemy35>,
    Make<cEnemy36>, Make<cEnemy37>, Make<cEnemy38>, Make<cEnemy39>, Make<cEnemy40>, Make<cEnemy41>, Make<cEnemy42>,
    Make<cEnemy43>, Make<cEnemy44>, Make<cEnemy45>, Make<cEnemy46>, Make<cEnemy47>, Make<cEnemy48>, Make<cEnemy49>,
    Make<cEnemy50>, Make<cEnemy51>, Make<cEnemy52>, Make<cEnemy53>, Make<cEnemy54>, Make<cEnemy55>, Make<cEnemy56>,
    Make<cEnemy57>, Make<cEnemy58>, Make<cEnemy59>, Make<cEnemy60>, Make<cEnemy61>, Make<cEnemy62>, Make<cEnemy63>,
    Make<cEnemy64>, Make<cEnemy65>, Make<cEnemy66>, Make<cEnemy67>, Make<cEnemy68>, Make<cEnemy69>, Make<cEnemy70>,
    Make<cEnemy71>, Make<cEnemy72>, Make<cEnemy73>, Make<cEnemy74>, Make<cEnemy75>, Make<cEnemy76>, Make<cEnemy77>,
    Make<cEnemy78>, Make<cEnemy79>, Make<cEnemy80>, Make<cEnemy81>, Make<cEnemy82>, Make<cEnemy83>, Make<cEnemy84>,
    Make<cEnemy85>, Make<cEnemy86>, Make<cEnemy87>, Make<cEnemy88>, Make<cEnemy89>, Make<cEnemy90>, Make<cEnemy91>,
    Make<cEnemy92>, Make<cEnemy93>, Make<cEnemy94>, Make<cEnemy95>, Make<cEnemy96>, Make<cEnemy97>, Make<cEnemy98>,
};
static_assert(std::size(kClasses) == objecttype::kLastEnemy - objecttype::kFirstEnemy + 1);
}  // namespace

cEnemyObjectBase* CreateEnemyClass(int32_t code) {
    return objecttype::IsEnemyType(code) ? kClasses[code - objecttype::kFirstEnemy]() : nullptr;
}
