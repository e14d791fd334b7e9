// The helpers every enemy class shares.
#include "game/objects/EnemyParts.h"

#include <cmath>

#include "engine/core/KestraMath.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

int32_t StepCounter(int32_t& counter, int32_t wrap, int32_t restart) {
    counter += 1;
    if (counter >= wrap) counter = restart;
    return counter;
}

void MoveAndAccelerate(cEnemyObjectBase& e) {
    e.MoveStep();
    e.speed += e.accel;
}

namespace {
// The source of the look's cell for the enemy's element, a column and a facing.
EnemyLook::Rect Source(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column, int32_t facing) {
    const float el = static_cast<float>(e.element);
    const float c = static_cast<float>(column);
    const float f = static_cast<float>(facing);
    return {k.cell.x + k.element.dx * el + k.column.dx * c + k.facing.dx * f,
            k.cell.y + k.element.dy * el + k.column.dy * c + k.facing.dy * f, k.cell.w, k.cell.h};
}
}  // namespace

void DrawLook(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column, uint32_t colour, int32_t facing) {
    const EnemyLook::Rect s = Source(e, k, column, facing);
    DrawPlain(k.slot, e.x - ScrollX + k.drawn.x, e.y - ScrollY + k.drawn.y, k.drawn.w, k.drawn.h, s.x, s.y, s.w, s.h,
              colour);
}

void DrawLookTurned(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, int32_t column, uint32_t colour) {
    const EnemyLook::Rect s = Source(e, k, column, 0);
    DrawTurned(k.slot, e.x - ScrollX + k.drawn.x, e.y - ScrollY + k.drawn.y, k.drawn.w, k.drawn.h, s.x, s.y, s.w, s.h,
               colour, angle);
}

void DrawLookSized(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, bool turned, int32_t column, float w,
                   float h, float ox, float oy) {
    const EnemyLook::Rect s = Source(e, k, column, 0);
    const float dx = e.x - ScrollX + ox;
    const float dy = e.y - ScrollY + oy;
    if (turned) {
        DrawTurned(k.slot, dx, dy, w, h, s.x, s.y, s.w, s.h, kWhite, angle);
    } else {
        DrawPlain(k.slot, dx, dy, w, h, s.x, s.y, s.w, s.h, kWhite);
    }
}

void SummonEnemy(float stageX, float stageY, const Summon& s) {
    ObjectManager.SpawnStageObject(stageX - ScrollX, stageY - ScrollY, s.type, s.angle, s.turn, s.element, s.speed,
                                   s.accel, s.life, StageFrame);
}

void PlaceEnemy(float x, float y, const Summon& s) {
    ObjectManager.SpawnStageObject(x, y, s.type, s.angle, s.turn, s.element, s.speed, s.accel, s.life, StageFrame);
}

cPlayerBase* SecondPlayer() { return GameState.twoPlayer == 1 ? Player2 : nullptr; }

cPlayerBase* LaterPlayer() {
    cPlayerBase* second = SecondPlayer();
    return second ? second : Player1;
}

int32_t AimAt(const cEnemyObjectBase& e, const cPlayerBase* p) {
    if (!p) return e.angle;
    return static_cast<int32_t>(Kestra::Atan(p->aimX - e.x, p->aimY - e.y));
}

float DistanceTo(const cEnemyObjectBase& e, const cPlayerBase& p) {
    const float dx = p.aimX - e.x;
    const float dy = p.aimY - e.y;
    return std::sqrt(dx * dx + dy * dy);
}

void EndShotPass() { ObjectManager.innerIndex = static_cast<int32_t>(ObjectManager.playerBullets.size()); }

void PayShooter(const cEnemyObjectBase& e, const cPlayerBulletBase& b) {
    cPlayerBase* shooter = PlayerOfIndex(b.owner);
    if (shooter) shooter->score += e.score;
}

void TakeShotByElement(cEnemyObjectBase& e, const cPlayerBulletBase& b, bool commonSounds) {
    cObjectManager& m = ObjectManager;
    const int32_t ix = TruncateToInt(e.x);
    const int32_t iy = TruncateToInt(e.y);
    if (b.element == e.element) {
        m.SpawnEffectBurst(effect::kPuffBurst, e.element, ix, iy);
        e.life -= b.power * 0.5f;
        if (commonSounds) PlaySe(SoundTable.enemydamage_small);
    } else {
        m.SpawnEffectBurst(effect::kPuffBurst, e.element, ix, iy);
        m.SpawnEffectBurst(effect::kPuffBurst, e.element, ix, iy);
        e.life -= b.power;
        if (commonSounds) PlaySe(SoundTable.rt_cursor01);
    }
}

namespace {

// The four edges in order; the first that applies moves the player.
template <class Box>
void PushOut(const Box& p, int32_t left, int32_t top, int32_t right, int32_t bottom, float& px, float& py,
             bool& pushedX, bool& pushedY) {
    const bool overlapX = p.left <= right && p.right >= left;
    const bool overlapY = p.top <= bottom && p.bottom >= top;
    const auto within = [](auto lo, int32_t v, auto hi) { return lo <= v && v <= hi; };
    if (within(p.top, top, p.bottom) && overlapX) {
        py = static_cast<float>(top - 22);
        pushedY = true;
    } else if (within(p.top, bottom, p.bottom) && overlapX) {
        py = static_cast<float>(bottom + 22);
        pushedY = true;
    } else if (within(p.left, left, p.right) && overlapY) {
        px = static_cast<float>(left - 22);
        pushedX = true;
    } else if (within(p.left, right, p.right) && overlapY) {
        px = static_cast<float>(right + 22);
        pushedX = true;
    }
}

struct IntBox {
    int32_t left, top, right, bottom;
};
struct FloatBox {
    float left, top, right, bottom;
};

template <class Rule>
void ForBothPlayers(Rule rule) {
    if (Player1) rule(*Player1);
    if (cPlayerBase* p2 = SecondPlayer()) rule(*p2);
}

}  // namespace

void PushOutOfBox(const cEnemyObjectBase& e) {
    ForBothPlayers([&](cPlayerBase& p) {
        bool px = false, py = false;
        PushOut(IntBox{p.boxLeft, p.boxTop, p.boxRight, p.boxBottom}, e.work0, e.work1, e.work2, e.work3, p.x, p.y,
                px, py);
    });
}

void PushOutOfBlock(const cEnemyObjectBase& e) {
    ForBothPlayers([&](cPlayerBase& p) {
        bool px = false, py = false;
        PushOut(FloatBox{p.aimX - 20, p.aimY - 20, p.aimX + 20, p.aimY + 20}, e.work0, e.work1, e.work2, e.work3, p.x,
                p.y, px, py);
        if (py) {
            p.boxTop = TruncateToInt(p.y - 20);
            p.boxBottom = TruncateToInt(p.y + 20);
        }
        if (px) {
            p.boxLeft = TruncateToInt(p.x - 20);
            p.boxRight = TruncateToInt(p.x + 20);
        }
    });
}

void StoreBox(cEnemyObjectBase& e) {
    const float r = static_cast<float>(e.radius);
    e.work0 = TruncateToInt(e.x - r);
    e.work1 = TruncateToInt(e.y - r);
    e.work2 = TruncateToInt(e.x + r);
    e.work3 = TruncateToInt(e.y + r);
}
