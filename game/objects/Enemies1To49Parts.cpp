// The parts the enemy classes 1 to 49 share.
#include <cmath>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameState.h"

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

int32_t StepCounter(int32_t& counter, int32_t wrap, int32_t restart) {
    counter += 1;
    if (counter >= wrap) counter = restart;
    return counter;
}

void MoveAndSpeedUp(cEnemyObjectBase& e) {
    e.MoveStep();
    e.speed += e.accel;
}

void FireFrom(const cEnemyObjectBase& e, int32_t motionKind, int32_t graphicKind, int32_t angle, int32_t turn,
              int32_t element, float speed, float accel) {
    ObjectManager.FireEnemyBullet(e.x, e.y, motionKind, graphicKind, angle, turn, element, speed, accel);
}

cPlayerBase* SecondPlayer() { return GameState.twoPlayer == 1 ? Player2 : nullptr; }

int32_t AimAt(const cEnemyObjectBase& e, const cPlayerBase* p) {
    if (!p) return e.angle;
    return static_cast<int32_t>(Kestra::Atan(p->aimX - e.x, p->aimY - e.y));
}

cPlayerBase* LaterPlayer() {
    cPlayerBase* second = SecondPlayer();
    return second ? second : Player1;
}

float DistanceTo(const cEnemyObjectBase& e, const cPlayerBase& p) {
    const float dx = p.aimX - e.x;
    const float dy = p.aimY - e.y;
    return std::sqrt(dx * dx + dy * dy);
}

void SummonEnemy(float stageX, float stageY, int32_t type, int32_t angle, int32_t turn, int32_t element, float speed,
                 float accel, float life) {
    ObjectManager.SpawnStageObject(stageX - ScrollX, stageY - ScrollY, type, angle, turn, element, speed, accel, life,
                                   StageFrame);
}

void PayShooter(const cEnemyObjectBase& e, const cPlayerBulletBase& b) {
    cPlayerBase* shooter = PlayerOfIndex(b.owner);
    if (shooter) shooter->score += e.score;
}

void TakeShotByElement(cEnemyObjectBase& e, const cPlayerBulletBase& b) {
    cObjectManager& m = ObjectManager;
    const int32_t ix = static_cast<int32_t>(e.x);
    const int32_t iy = static_cast<int32_t>(e.y);
    if (b.element == e.element) {
        m.SpawnEffectBurst(3, e.element, ix, iy);
        e.life -= b.power * 0.5f;
        PlaySe(SoundTable.enemydamage_small);
    } else {
        m.SpawnEffectBurst(3, e.element, ix, iy);
        m.SpawnEffectBurst(3, e.element, ix, iy);
        e.life -= b.power;
        PlaySe(SoundTable.rt_cursor01);
    }
}

namespace {

cPlayerBase* PushedPlayer(int32_t index) {
    if (index == 0) return Player1;
    return SecondPlayer();
}

}  // namespace

void PushOutOfBox(const cEnemyObjectBase& e) {
    const int32_t left = e.work0, top = e.work1, right = e.work2, bottom = e.work3;
    for (int32_t index = 0; index < 2; ++index) {
        cPlayerBase* p = PushedPlayer(index);
        if (!p) continue;
        const bool acrossX = p->boxLeft <= right && left <= p->boxRight;
        const bool acrossY = p->boxTop <= bottom && top <= p->boxBottom;
        if (p->boxTop <= top && top <= p->boxBottom && acrossX) {
            p->y = static_cast<float>(top - 22);
        } else if (p->boxTop <= bottom && bottom <= p->boxBottom && acrossX) {
            p->y = static_cast<float>(bottom + 22);
        } else if (p->boxLeft <= left && left <= p->boxRight && acrossY) {
            p->x = static_cast<float>(left - 22);
        } else if (p->boxLeft <= right && right <= p->boxRight && acrossY) {
            p->x = static_cast<float>(right + 22);
        }
    }
}

void PushOutOfBlock(const cEnemyObjectBase& e) {
    const float left = static_cast<float>(e.work0), top = static_cast<float>(e.work1);
    const float right = static_cast<float>(e.work2), bottom = static_cast<float>(e.work3);
    for (int32_t index = 0; index < 2; ++index) {
        cPlayerBase* p = PushedPlayer(index);
        if (!p) continue;
        const float pl = p->aimX - 20.0f, pr = p->aimX + 20.0f, pt = p->aimY - 20.0f, pb = p->aimY + 20.0f;
        const bool acrossX = pl <= right && left <= pr;
        const bool acrossY = pt <= bottom && top <= pb;
        bool vertical = true;
        if (pt <= top && top <= pb && acrossX) {
            p->y = top - 22.0f;
        } else if (pt <= bottom && bottom <= pb && acrossX) {
            p->y = bottom + 22.0f;
        } else if (pl <= left && left <= pr && acrossY) {
            p->x = left - 22.0f;
            vertical = false;
        } else if (pl <= right && right <= pr && acrossY) {
            p->x = right + 22.0f;
            vertical = false;
        } else {
            continue;
        }
        if (vertical) {
            p->boxTop = static_cast<int32_t>(p->y - 20.0f);
            p->boxBottom = static_cast<int32_t>(p->y + 20.0f);
        } else {
            p->boxLeft = static_cast<int32_t>(p->x - 20.0f);
            p->boxRight = static_cast<int32_t>(p->x + 20.0f);
        }
    }
}

void StoreBox(cEnemyObjectBase& e) {
    const float r = static_cast<float>(e.radius);
    e.work0 = TruncateToInt(e.x - r);
    e.work1 = TruncateToInt(e.y - r);
    e.work2 = TruncateToInt(e.x + r);
    e.work3 = TruncateToInt(e.y + r);
}
