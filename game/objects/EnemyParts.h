// The helpers every enemy class shares: animation counters, the common move,
// drawing its look, bullets and summons from the enemy's position, aiming at
// either player, the shot loop of the classes with their own hit test, and the
// push-outs of the solid enemies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/objects/EnemyLooks.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"

class cPlayerBase;

// An animation counter: one step on, back to restart on reaching wrap.
int32_t StepCounter(int32_t& counter, int32_t wrap, int32_t restart = 0);
// The common move, then speed += accel.
void MoveAndAccelerate(cEnemyObjectBase& e);
// Queues the look's cell for the enemy's element, the animation column and the
// facing, drawn around the enemy's screen position.
void DrawLook(const cEnemyObjectBase& e, const EnemyLook& k, int32_t column = 0, uint32_t colour = kWhite,
              int32_t facing = 0);
void DrawLookTurned(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, int32_t column = 0,
                    uint32_t colour = kWhite);
// The look drawn at size (w, h) with top-left (ox, oy), for pictures that scale
// with the enemy's radius.
void DrawLookSized(const cEnemyObjectBase& e, const EnemyLook& k, int32_t angle, bool turned, int32_t column, float w,
                   float h, float ox, float oy);
// An enemy bullet, the manager's arguments after its position by name
// (fields left out are 0); its kinds by name, as Bullet::kPlain and Bullet::kOrb.
struct Bullet {
    using enum BulletMotion;
    using enum BulletGraphic;
    BulletMotion motion;
    BulletGraphic graphic;
    int32_t angle;
    int32_t turn;
    elements::Kind element;
    float speed;
    float accel;
};
// An enemy or item summoned or placed on the stage (fields left out are 0).
struct Summon {
    int32_t type;
    int32_t angle;
    int32_t turn;
    elements::Kind element;
    float speed;
    float accel;
    float life;
};

// One enemy bullet from a point of the stage, and from the enemy's position.
inline void FireBullet(float x, float y, const Bullet& b) {
    ObjectManager.FireEnemyBullet(x, y, b.motion, b.graphic, b.angle, b.turn, b.element, b.speed,
                                  b.accel);
}
inline void FireFrom(const cEnemyObjectBase& e, const Bullet& b) { FireBullet(e.x, e.y, b); }
// A summoned enemy: the position is turned into screen coordinates; the
// manager adds the scroll offsets when it activates it this stage frame.
void SummonEnemy(float stageX, float stageY, const Summon& s);
// The same at the enemy's own position.
inline void SummonFrom(const cEnemyObjectBase& e, const Summon& s) { SummonEnemy(e.x, e.y, s); }
// An enemy or item placed at a point of the stage as it is given (no scroll
// taken off, unlike a summon), waking on this stage frame's pass.
void PlaceEnemy(float x, float y, const Summon& s);
// Player 2 while two players play, else null.
cPlayerBase* SecondPlayer();
// Player 2 in two-player mode, else player 1: the target of 38, 42, 88 and 93.
cPlayerBase* LaterPlayer();
// The heading toward a player's committed position; the current heading without one.
int32_t AimAt(const cEnemyObjectBase& e, const cPlayerBase* p);
// Distance between the enemy and a player's committed position.
float DistanceTo(const cEnemyObjectBase& e, const cPlayerBase& p);

// The shared inner index ends at the list's length, as after the common test.
void EndShotPass();
// Runs f on every active player shot touching the enemy, in list order, the
// radius read anew for each. A local index: the manager's pass over the enemy
// list goes on undisturbed.
template <class F>
void ForEachTouchingShot(cEnemyObjectBase& e, F f) {
    cObjectManager& m = ObjectManager;
    for (std::size_t i = 0; i < m.playerBullets.size(); ++i) {
        cPlayerBulletBase* b = m.playerBullets[i];
        if (b->isActive != 1) continue;
        if (!ShotTouches(e.x, e.y, b->radius + e.radius, b->x, b->y)) continue;
        f(*b);
    }
    EndShotPass();
}
// Pays the enemy's score to the shot's owner.
void PayShooter(const cEnemyObjectBase& e, const cPlayerBulletBase& b);
// The damage step of the common test: one burst and half power for the
// enemy's own element, two bursts and full power otherwise, with their sounds
// unless the class plays its own.
void TakeShotByElement(cEnemyObjectBase& e, const cPlayerBulletBase& b, bool commonSounds = true);

// The moving walls' push-out (28, 36, 72): the players' integer boxes against
// the enemy's box in work0..work3.
void PushOutOfBox(const cEnemyObjectBase& e);
// The pushing block's push-out (31, 76): the player's box is its committed
// position +-20, and the moved axis's box edges follow the push.
void PushOutOfBlock(const cEnemyObjectBase& e);
// work0..work3 = the integer box of half side radius.
void StoreBox(cEnemyObjectBase& e);
