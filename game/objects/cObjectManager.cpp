#include "game/objects/cObjectManager.h"

#include <cstddef>
#include <iterator>

#include "game/objects/Items.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cMapHitObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"

cObjectManager ObjectManager;

namespace {

template <class T>
void DeleteEach(std::vector<T*>& list) {
    for (T* object : list) delete object;
    list.clear();
}

template <class T>
void DeactivateEach(std::vector<T*>& list) {
    for (T* object : list) object->isActive = 0;
}

// Lower bound inclusive, upper bound exclusive, both from the scroll offsets.
bool InWindow(float x, float y, float left, float top, float right, float bottom) {
    return ScrollX + left <= x && x < ScrollX + right && ScrollY + top <= y && y < ScrollY + bottom;
}

}  // namespace

cObjectManager::cObjectManager()
    : outerIndex(0),
      innerIndex(0),
      enemyBulletLast(1200),
      effectLast(700),
      playerBulletLast(380),
      playerBulletCursor(0),
      effectCursor(0),
      enemyBulletCursor(0) {}

cObjectManager::~cObjectManager() { DeleteAll(); }

void cObjectManager::BuildPlayerBulletPool() {
    for (int32_t i = 0; i <= playerBulletLast; ++i) playerBullets.push_back(new cPlayerBulletBase());
}

void cObjectManager::BuildEnemyBulletPool() {
    for (int32_t i = 0; i <= enemyBulletLast; ++i) enemyBullets.push_back(new cEnemyBulletBase());
}

void cObjectManager::BuildEffectPool() {
    for (int32_t i = 0; i <= effectLast; ++i) effects.push_back(new cEffectObjectBase());
}

void cObjectManager::UpdateObjects() {
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(playerBullets.size()); ++outerIndex) {
        cPlayerBulletBase* b = playerBullets[outerIndex];
        if (b->isActive == 1) b->Move();
    }
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(enemyList.size()); ++outerIndex) {
        cEnemyObjectBase* e = enemyList[outerIndex];
        if (e->isActive == 1) e->Update();
    }
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(enemyBullets.size()); ++outerIndex) {
        cEnemyBulletBase* b = enemyBullets[outerIndex];
        if (b->isActive == 1) b->Move();
    }
}

void cObjectManager::HitTestObjects() {
    if (Player1 && Player1->isActive == 1) Player1->HitTest();
    if (Player2 && Player2->isActive == 1) Player2->HitTest();
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(enemyList.size()); ++outerIndex) {
        cEnemyObjectBase* e = enemyList[outerIndex];
        if (InWindow(e->x, e->y, -120.0f, -120.0f, 760.0f, 600.0f) && e->isActive == 1) e->HitTest();
    }
}

void cObjectManager::DrawObjects() {
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(mapBlocks.size()); ++outerIndex) {
        cMapHitObjectBase* m = mapBlocks[outerIndex];
        if (m->isVisible == 1) m->Draw();
    }
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(enemyList.size()); ++outerIndex) {
        cEnemyObjectBase* e = enemyList[outerIndex];
        if (e->isActive == 1 && InWindow(e->x, e->y, -140.0f, -140.0f, 780.0f, 620.0f)) e->Draw();
    }
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(playerBullets.size()); ++outerIndex) {
        cPlayerBulletBase* b = playerBullets[outerIndex];
        if (b->isActive == 1 && InWindow(b->x, b->y, -100.0f, -100.0f, 680.0f, 540.0f)) b->Draw();
    }
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(enemyBullets.size()); ++outerIndex) {
        cEnemyBulletBase* b = enemyBullets[outerIndex];
        if (b->isActive == 1 && InWindow(b->x, b->y, -40.0f, -40.0f, 680.0f, 520.0f)) b->Draw();
    }
}

void cObjectManager::UpdateEffects() {
    for (outerIndex = 0; outerIndex < static_cast<int32_t>(effects.size()); ++outerIndex) {
        cEffectObjectBase* f = effects[outerIndex];
        if (f->isActive == 1 && InWindow(f->x, f->y, -100.0f, -100.0f, 680.0f, 540.0f)) f->UpdateAndDraw();
    }
}

void cObjectManager::SweepObjects() {
    for (cMapHitObjectBase* m : mapBlocks) {
        const float bx = static_cast<float>(m->x);
        const float by = static_cast<float>(m->y);
        m->isVisible = InWindow(bx, by, -40.0f, -40.0f, 660.0f, 500.0f) ? 1 : 0;
    }
    for (cEnemyObjectBase* e : enemyList) {
        if (StageFrame == e->appearFrame && e->isActive == 0) {
            // Schedule positions are screen positions; they become stage
            // positions once, when the object first appears.
            if (!e->placedOnStage) {
                e->x = e->x + ScrollX;
                e->y = e->y + ScrollY;
                e->placedOnStage = 1;
            }
            e->isActive = 1;
        }
        if (InWindow(e->x, e->y, -250.0f, -250.0f, 890.0f, 730.0f)) {
            if (StageFrame >= e->appearFrame) e->isActive = 1;
        } else {
            e->isActive = 0;
        }
    }
    for (cEnemyBulletBase* b : enemyBullets) {
        if (!InWindow(b->x, b->y, -160.0f, -140.0f, 800.0f, 620.0f)) b->isActive = 0;
    }
    for (std::size_t i = 0; i < enemyList.size();) {
        if (enemyList[i]->isDying == 1) {
            delete enemyList[i];
            enemyList.erase(enemyList.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void cObjectManager::ResetForStage() {
    DeleteEach(mapBlocks);
    DeleteEach(enemyList);
    DeactivateEach(enemyBullets);
    DeactivateEach(playerBullets);
    DeactivateEach(effects);
    playerBulletCursor = 0;
    effectCursor = 0;
    enemyBulletCursor = 0;
}

void cObjectManager::ReleaseStage() {
    DeleteEach(enemyList);
    DeleteEach(mapBlocks);
    DeactivateEach(enemyBullets);
    DeactivateEach(playerBullets);
    DeactivateEach(effects);
}

void cObjectManager::DeleteAll() {
    DeletePools();
    DeleteStageObjects();
}

void cObjectManager::DeletePools() {
    DeleteEach(enemyBullets);
    DeleteEach(playerBullets);
    DeleteEach(effects);
}

void cObjectManager::DeleteStageObjects() {
    DeleteEach(enemyList);
    DeleteEach(mapBlocks);
}

cEnemyBulletBase* cObjectManager::TakeEnemyBulletSlot() {
    const int32_t size = static_cast<int32_t>(enemyBullets.size());
    if (size <= enemyBulletLast) return nullptr;
    enemyBulletCursor += 1;
    // Pass over at most three busy slots; an inactive one stops the advance.
    for (int32_t skip = 0; skip < 3; ++skip) {
        if (enemyBulletCursor < size && enemyBullets[enemyBulletCursor]->isActive) enemyBulletCursor += 1;
    }
    if (enemyBulletCursor >= enemyBulletLast) enemyBulletCursor = 1;
    return enemyBullets[enemyBulletCursor];
}

cEffectObjectBase* cObjectManager::TakeEffectSlot() {
    if (static_cast<int32_t>(effects.size()) <= effectLast) return nullptr;
    effectCursor += 1;
    if (effectCursor >= effectLast) effectCursor = 1;
    return effects[effectCursor];
}

cPlayerBulletBase* cObjectManager::TakePlayerBulletSlot() {
    if (static_cast<int32_t>(playerBullets.size()) <= playerBulletLast) return nullptr;
    playerBulletCursor += 1;
    if (playerBulletCursor >= playerBulletLast) playerBulletCursor = 1;
    return playerBullets[playerBulletCursor];
}

void cObjectManager::SpawnStageObject(float x, float y, int32_t type, int32_t angle, int32_t turn,
                                      elements::Kind element,
                                      float speed, float accel, float life, int32_t appearFrame) {
    const int32_t ix = TruncateToInt(x);
    const int32_t iy = TruncateToInt(y);
    if (objecttype::IsBossType(type)) {
        cBossBase* boss = CreateStageBoss(type, GameState.team, ix, iy, angle);
        if (!boss) return;
        cBossBase*& slot = objecttype::TakesSecondBossSlot(type) ? BossB : BossA;
        // The previous stage's boss in the slot would otherwise leak.
        if (slot && slot != boss) delete slot;
        slot = boss;
        boss->appearFrame = appearFrame;
        boss->phase = 0;
        return;
    }
    using namespace objecttype;
    cEnemyObjectBase* e = nullptr;
    bool createdActive = false;
    switch (type) {
    case kScoreItem: e = new ItemScore(); createdActive = true; break;
    case kLifeItem: e = new ItemLife(); createdActive = true; break;
    case kSmallScoreItem: e = new ItemScore02(); createdActive = true; break;
    case kOneUpItem: e = new Item1up(); createdActive = true; break;
    case kScoreBox: e = new ItemBox(); e->mode = 1; break;
    case kLifeBox: e = new ItemBox(); e->mode = 2; break;
    case kMimicBox: e = new ItemMimick(); createdActive = true; break;
    case kStageTitle: e = new StageStartEffectObj(); break;
    default: e = CreateEnemyClass(type); break;
    }
    if (!e) return;
    // Drops made during play appear at once, at the stage position of the
    // death, and are never shifted. A schedule's item whose frame is still
    // ahead waits for it at a screen position, like every scheduled object.
    if (createdActive && appearFrame <= StageFrame) {
        e->isActive = 1;
        e->placedOnStage = 1;
    }
    e->SetPosition(ix, iy);
    e->type = type;
    e->life = life;
    if (GameState.twoPlayer == 1 && type != kBackdrop) e->life = life + life * 0.5f;
    e->appearFrame = appearFrame;
    e->element = element;
    e->angle = angle;
    e->turn = turn;
    e->speed = speed;
    e->accel = accel;
    enemyList.push_back(e);
}

void cObjectManager::SpawnMapCell(int32_t code, int32_t x, int32_t y) {
    static constexpr int32_t kBlockKinds[] = {0, 3, 1, 9, 7};
    constexpr int32_t kHiddenBlockCell = 5;
    if (code >= 0 && code < static_cast<int32_t>(std::size(kBlockKinds))) {
        cMapHitObjectBase* block = new cMapHitObjectBase();
        block->SetPosition(x, y);
        block->blockKind = kBlockKinds[code];
        mapBlocks.push_back(block);
    } else if (code == kHiddenBlockCell) {
        SpawnStageObject(static_cast<float>(x), static_cast<float>(y), objecttype::kHiddenBlock, 0, 0, elements::kFire,
                         0.0f, 0.0f,
                         40.0f, 0);
    }
}

void cObjectManager::FireEnemyBullet(float x, float y, BulletMotion motionKind, BulletGraphic graphicKind,
                                     int32_t angle,
                                     int32_t turn, elements::Kind element, float speed, float accel) {
    cEnemyBulletBase* b = TakeEnemyBulletSlot();
    if (!b) return;
    b->motionKind = motionKind;
    b->graphicKind = graphicKind;
    b->frame = 0;
    b->isActive = 1;
    b->element = element;
    b->angle = angle;
    b->turn = turn;
    b->x = x;
    b->y = y;
    b->speed = speed;
    b->accel = accel;
}

void cObjectManager::CancelEnemyBullets() {
    // Runs between passes only; a local index keeps any pass's index intact.
    for (int32_t i = 0; i < static_cast<int32_t>(enemyBullets.size()); ++i) {
        cEnemyBulletBase* b = enemyBullets[i];
        if (b->isActive != 1) continue;
        b->element = elements::kCancelled;
        b->speed = 0.0f;
        b->motionKind = BulletMotion::kHoming;
        b->graphicKind = BulletGraphic::kCancelled;
        b->accel = 0.1f;
        b->frame = 0;
    }
    innerIndex = static_cast<int32_t>(enemyBullets.size());
}

void cObjectManager::DestroyAllEnemies() {
    for (int32_t i = 0; i < static_cast<int32_t>(enemyList.size()); ++i) {
        cEnemyObjectBase* e = enemyList[i];
        if (e->isActive != 1) continue;
        SpawnEffectBurst(effect::kExplosionBurst, 0, static_cast<int32_t>(e->x), static_cast<int32_t>(e->y));
        e->isDying = 1;
    }
}
