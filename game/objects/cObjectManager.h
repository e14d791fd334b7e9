// The owner of everything on the play field that is not a player or a boss:
// the enemy list, the map blocks and the three fixed pools with their rotating
// cursors, the per-frame passes and the factories that fill them.
#pragma once

#include <cstdint>
#include <vector>

#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/state/Elements.h"

// What SpawnPlayerObject starts: a character, or a character's shots (its
// tapped or held shot, its release's burst, its FORCE).
namespace playerobject {
enum Code : int32_t {
    kCharacter1 = 0,
    kCharacter2 = 1,
    kCharacter3 = 2,
    kCharacter4 = 3,
    kYuriShot = 10,
    kYuriBurst = 11,
    kCrowShot = 12,
    kCrowBurst = 13,
    kCheskaShot = 14,
    kCheskaBurst = 15,
    kOseroShot = 16,
    kYuriForce = 19,
    kCrowForce = 20,
    kCheskaForce = 21,
    kEnd,
};
}  // namespace playerobject

class cEnemyObjectBase;
class cMapHitObjectBase;
class cPlayerBulletBase;

class cObjectManager {
public:
    cObjectManager();
    ~cObjectManager();
    cObjectManager(const cObjectManager&) = delete;
    cObjectManager& operator=(const cObjectManager&) = delete;

    std::vector<cEffectObjectBase*> effects;
    std::vector<cEnemyObjectBase*> enemyList;
    std::vector<cMapHitObjectBase*> mapBlocks;
    std::vector<cEnemyBulletBase*> enemyBullets;
    std::vector<cPlayerBulletBase*> playerBullets;
    int32_t outerIndex;
    int32_t innerIndex;
    int32_t enemyBulletLast;
    int32_t effectLast;
    int32_t playerBulletLast;
    int32_t playerBulletCursor;
    int32_t effectCursor;
    int32_t enemyBulletCursor;

    // Start-up: the pools, once, in this order.
    void BuildPlayerBulletPool();
    void BuildEnemyBulletPool();
    void BuildEffectPool();

    // The game scene's passes.
    void UpdateObjects();
    void HitTestObjects();
    void DrawObjects();
    void UpdateEffects();
    void SweepObjects();

    // Stage start: map blocks and enemy list deleted, every pooled object
    // inactive, the three cursors 0 (the shell zeroes StageFrame).
    void ResetForStage();
    // Stage release: lists emptied, pooled objects inactive.
    void ReleaseStage();
    // Exit: every object deleted, every list empty. The game's own exit takes
    // the two halves apart, the pools first (enemy bullets, player bullets,
    // effects), the enemies and map blocks last.
    void DeleteAll();
    void DeletePools();
    void DeleteStageObjects();

    // Rotating slots: advance the cursor by the pool's rule and answer the
    // slot's object (null while the pool is not built). Inline starts in the
    // play objects use these too.
    cEnemyBulletBase* TakeEnemyBulletSlot();
    cEffectObjectBase* TakeEffectSlot();
    cPlayerBulletBase* TakePlayerBulletSlot();

    // Factories.
    void SpawnStageObject(float x, float y, int32_t type, int32_t angle, int32_t turn, elements::Kind element,
                          float speed,
                          float accel, float life, int32_t appearFrame);
    void SpawnMapCell(int32_t code, int32_t x, int32_t y);
    void FireEnemyBullet(float x, float y, BulletMotion motionKind, BulletGraphic graphicKind, int32_t angle,
                         int32_t turn,
                         elements::Kind element, float speed, float accel);
    void CancelEnemyBullets();
    void DestroyAllEnemies();
    // An effect of a kind or a burst of several; kNone and other numbers start nothing.
    void SpawnEffect(int32_t x, int32_t y, effect::Kind kind, int32_t value, int32_t owner);
    void SpawnEffectBurst(effect::Burst pattern, int32_t value, int32_t x, int32_t y);
    // A player (code 0..3) or a player's shot (playerobject::Code); other codes start nothing.
    void SpawnPlayerObject(int32_t code, float x, float y, int32_t owner);
};

extern cObjectManager ObjectManager;

// The classes behind the enemy and boss type codes. Null for a code without a
// class; the enemy and boss families fill these in.
cEnemyObjectBase* CreateEnemyClass(int32_t code);
