// The parts the enemy classes 1 to 49 share.
#include <cmath>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameState.h"

void DrawEnemyCell(const cEnemyObjectBase& e, const EnemyCell& cell, int32_t column, uint32_t colour) {
    const float c = static_cast<float>(column);
    const float el = static_cast<float>(e.element);
    DrawPlain(cell.slot, e.x - ScrollX + cell.offX, e.y - ScrollY + cell.offY, cell.dstW, cell.dstH,
              cell.x0 + c * cell.colDx + el * cell.elemDx, cell.y0 + c * cell.colDy + el * cell.elemDy, cell.w, cell.h,
              colour);
}

void DrawEnemyCellTurned(const cEnemyObjectBase& e, const EnemyCell& cell, int32_t column, int32_t rotation,
                         uint32_t colour) {
    const float c = static_cast<float>(column);
    const float el = static_cast<float>(e.element);
    DrawTurned(cell.slot, e.x - ScrollX + cell.offX, e.y - ScrollY + cell.offY, cell.dstW, cell.dstH,
               cell.x0 + c * cell.colDx + el * cell.elemDx, cell.y0 + c * cell.colDy + el * cell.elemDy, cell.w,
               cell.h, colour, rotation);
}

void DrawWalker(const cEnemyObjectBase& e, int32_t column, float rightX0) {
    const float c = static_cast<float>(column);
    const float el = static_cast<float>(e.element);
    const float px = e.x - ScrollX;
    const float py = e.y - ScrollY;
    switch (FourDirectionCell(e.angle)) {
    case 0: DrawPlain(5, px - 60, py - 20, 80, 40, rightX0 + 80 * c, 400 + 80 * el, 80, 40, kWhite); break;
    case 1: DrawPlain(5, px - 20, py - 20, 80, 40, 120 + 80 * c, 400 + 80 * el, 80, 40, kWhite); break;
    case 2: DrawPlain(5, px - 20, py - 60, 40, 80, 40 * c, 360 + 80 * el, 40, 80, kWhite); break;
    default: DrawPlain(5, px - 20, py - 40, 40, 80, 600 + 40 * c, 360 + 80 * el, 40, 80, kWhite); break;
    }
}


void DrawUpright(cEnemyObjectBase& e) { DrawEnemyCell(e, enemycell::kUpright, StepCounter(e.work0, 23) / 8); }

void DrawRound(cEnemyObjectBase& e) { DrawEnemyCell(e, enemycell::kRound, StepCounter(e.work1, 39) / 10); }

void DrawLarge(cEnemyObjectBase& e) {
    e.work0 = WrapAdd(e.work0, 70);
    DrawEnemyCellTurned(e, enemycell::kLarge, 0, e.work0);
}

void DrawWall(const cEnemyObjectBase& e) { DrawEnemyCell(e, enemycell::kWall, 0); }

void BlockUpdate(cEnemyObjectBase& e) {
    e.frame += 1;
    MoveAndAccelerate(e);
    StoreBox(e);
}

void DrawBlock(const cEnemyObjectBase& e) { DrawEnemyCell(e, enemycell::kPusher, 0); }
