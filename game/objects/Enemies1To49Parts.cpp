// The parts the enemy classes 1 to 49 share.
#include <cmath>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameState.h"

void DrawWalker(const cEnemyObjectBase& e, int32_t column, const EnemyLook& right) {
    using namespace enemylook;
    const EnemyLook* const strips[4] = {&right, &kWalkerLeft, &kWalkerDown, &kWalkerUp};
    DrawLook(e, *strips[FourDirectionCell(e.angle)], column);
}

void DrawUpright(cEnemyObjectBase& e) { DrawLook(e, enemylook::kUpright, StepCounter(e.work0, 23) / 8); }

void DrawRound(cEnemyObjectBase& e) { DrawLook(e, enemylook::kRound, StepCounter(e.work1, 39) / 10); }

void DrawLarge(cEnemyObjectBase& e) {
    e.work0 = WrapAdd(e.work0, 70);
    DrawLookTurned(e, enemylook::kLarge, e.work0);
}

void DrawWall(const cEnemyObjectBase& e) { DrawLook(e, enemylook::kWall); }

void BlockUpdate(cEnemyObjectBase& e) {
    e.frame += 1;
    MoveAndAccelerate(e);
    StoreBox(e);
}

void DrawBlock(const cEnemyObjectBase& e) { DrawLook(e, enemylook::kPusher); }
