#include "game/objects/cEnemyObjectBase.h"

#include <cmath>
#include <cstddef>

#include "engine/core/KestraMath.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"

cEnemyObjectBase::cEnemyObjectBase()
    : isDying(0), isActive(0), frame(0), appearFrame(0), mode(0), element(elements::kIce), radius(20), type(0),
      life(0.0f), score(100), angle(0), turn(0), dropCode(0), scaleX(1.0f), scaleY(1.0f), x(0.0f), y(0.0f), speed(0.0f),
      accel(0.0f), touchDamage(1), solid(0), work0(0), work1(0), work2(0), work3(0), placedOnStage(0) {}

cEnemyObjectBase::~cEnemyObjectBase() = default;

void cEnemyObjectBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

void cEnemyObjectBase::MoveStep() {
    x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
    y = y + Kestra::Sin(angle) * speed;
}

int32_t cEnemyObjectBase::AimAtPlayer1() const {
    if (!Player1) return angle;
    return static_cast<int32_t>(Kestra::Atan(Player1->aimX - x, Player1->aimY - y));
}

void cEnemyObjectBase::DrawCentred(int32_t slot, float sx, float sy, float w, float h, uint32_t colour) const {
    DrawPlain(slot, x - ScrollX - w / 2, y - ScrollY - h / 2, w, h, sx, sy, w, h, colour);
}

int32_t FourDirectionCell(int32_t angle) {
    int32_t cell = 0;
    if (angle <= 8000 || angle >= 58000) cell = 0;
    if (angle >= 24000 && angle <= 41000) cell = 1;
    if (angle >= 8000 && angle <= 24000) cell = 2;
    if (angle >= 41000 && angle <= 58000) cell = 3;
    return cell;
}

bool ShotTouches(float ax, float ay, int32_t radiusSum, float bx, float by) {
    const float dx = ax - bx;
    const float dy = ay - by;
    return static_cast<float>(radiusSum) >= std::sqrt(dx * dx + dy * dy);
}

void StartHitFlash(int32_t value, float bx, float by) {
    cEffectObjectBase* f = ObjectManager.TakeEffectSlot();
    if (!f) return;
    f->kind = effect::kHitFlash;
    f->value = value;
    f->angle = GameRand() * 2;
    f->isActive = 1;
    f->SetPosition(static_cast<int32_t>(bx), static_cast<int32_t>(by));
    f->frame = 0;
}

void cEnemyObjectBase::HitTest() {
    cObjectManager& m = ObjectManager;
    // A local index: the pass over the enemy list must not be disturbed.
    for (std::size_t i = 0; i < m.playerBullets.size(); ++i) {
        cPlayerBulletBase* b = m.playerBullets[i];
        if (b->isActive != 1) continue;
        if (!ShotTouches(x, y, b->radius + radius, b->x, b->y)) continue;
        const int32_t ix = static_cast<int32_t>(x);
        const int32_t iy = static_cast<int32_t>(y);
        if (b->element == element) {
            m.SpawnEffectBurst(effect::kPuffBurst, element, ix, iy);
            life -= b->power * 0.5f;
            PlaySe(SoundTable.enemydamage_small);
        } else {
            m.SpawnEffectBurst(effect::kPuffBurst, element, ix, iy);
            m.SpawnEffectBurst(effect::kPuffBurst, element, ix, iy);
            life -= b->power;
            PlaySe(SoundTable.rt_cursor01);
        }
        b->isActive = 0;
        StartHitFlash(b->element, b->x, b->y);
        if (life <= 0.0f && isDying == 0) {
            cPlayerBase* shooter = PlayerOfIndex(b->owner);
            if (shooter) shooter->score += score;
            PlaySe(SoundTable.enemybreak_01);
            isDying = 1;
            m.SpawnEffectBurst(effect::kExplosionBurst, element, ix, iy);
            if (element >= elements::kEveryone) element = elements::kFire;
            if (dropCode >= 1 && dropCode <= 3) {
                PlaceEnemy(x, y, {.type = objecttype::kDropItems[dropCode], .element = element, .life = 1.0f});
            }
        }
    }
    m.innerIndex = static_cast<int32_t>(m.playerBullets.size());
}
