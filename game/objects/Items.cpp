#include "game/objects/Items.h"

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
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

// An item's effect start: next slot without skipping, owner 0, a random angle.
void StartItemEffect(effect::Kind kind, int32_t value, float px, float py) {
    cEffectObjectBase* f = ObjectManager.TakeEffectSlot();
    if (!f) return;
    f->kind = kind;
    f->value = value;
    f->frame = 0;
    f->owner = 0;
    f->angle = GameRand() * 2;
    f->isActive = 1;
    f->SetPosition(static_cast<int32_t>(px), static_cast<int32_t>(py));
    if (kind == effect::kSparkle) f->speed = 0.5f;
}

enum class Reach { Hit, Absorb };

// Player 1 completely, then player 2. Answers nothing; pays through reward.
template <class Reward>
void PickUpTest(cEnemyObjectBase& item, Reach reach, bool secondNeedsTwoPlayer, bool drifts, uint32_t sound,
                int32_t flashValue, Reward reward) {
    for (int32_t index = 0; index < 2; ++index) {
        cPlayerBase* p = index == 0 ? Player1 : Player2;
        if (!p || p->isActive != 1) continue;
        if (index == 1 && secondNeedsTwoPlayer && GameState.twoPlayer != 1) continue;
        const float dx = item.x - p->aimX;
        const float dy = item.y - p->aimY;
        const float distance = std::sqrt(dx * dx + dy * dy);
        const int32_t sum = (reach == Reach::Hit ? p->hitRadius : p->absorbRadius) + item.radius;
        if (static_cast<float>(sum) >= distance) {
            PlaySe(sound);
            reward(*p);
            item.isDying = 1;
            StartItemEffect(effect::kFlash, flashValue, item.x, item.y);
        }
        if (drifts && distance <= 120.0f && p->element == item.element) {
            item.angle = static_cast<int32_t>(Kestra::Atan(p->aimX - item.x, p->aimY - item.y));
            item.x += Kestra::Cos(static_cast<uint32_t>(item.angle)) * 4.0f;
            item.y += Kestra::Sin(item.angle) * 4.0f;
        }
    }
}

void DrawPickUp(cEnemyObjectBase& item, float sx, float sy, float sw, float sh, float ox, float oy, float dw,
                float dh, int32_t sparkleEvery) {
    item.frame += 1;
    DrawPlain(sheet::kItems, item.x - ScrollX - ox, item.y - ScrollY - oy, dw, dh, sx, sy, sw, sh, kWhite);
    if (item.frame % sparkleEvery == 0) StartItemEffect(effect::kSparkle, item.element, item.x, item.y);
}

// The boxes' shot test; opened answers the shooter's index, or -1.
template <class Open>
void BoxHitTest(cEnemyObjectBase& box, Open open) {
    cObjectManager& m = ObjectManager;
    for (std::size_t i = 0; i < m.playerBullets.size(); ++i) {
        cPlayerBulletBase* b = m.playerBullets[i];
        if (b->isActive != 1) continue;
        if (!ShotTouches(box.x, box.y, b->radius + box.radius, b->x, b->y)) continue;
        const int32_t ix = static_cast<int32_t>(box.x);
        const int32_t iy = static_cast<int32_t>(box.y);
        if (b->element == box.element) {
            m.SpawnEffectBurst(effect::kPuffBurst, box.element, ix, iy);
            box.life -= b->power * 0.2f;
            PlaySe(SoundTable.enemydamage_small);
        } else {
            m.SpawnEffectBurst(effect::kPuffBurst, box.element, ix, iy);
            m.SpawnEffectBurst(effect::kPuffBurst, box.element, ix, iy);
            box.life -= b->power;
            PlaySe(SoundTable.rt_cursor01);
        }
        b->isActive = 0;
        StartHitFlash(b->element, b->x, b->y);
        if (box.life <= 0.0f && box.isDying == 0) {
            cPlayerBase* shooter = PlayerOfIndex(b->owner);
            if (shooter) shooter->score += box.score;
            open();
            PlaySe(SoundTable.Lock_Open);
            box.isDying = 1;
            m.SpawnEffectBurst(effect::kExplosionBurst, box.element, ix, iy);
        }
    }
    m.innerIndex = static_cast<int32_t>(m.playerBullets.size());
}

void InitItem(cEnemyObjectBase& e, float life) {
    e.radius = 30;
    e.life = life;
    e.score = 100;
    e.element = elements::kIce;
    e.dropCode = 0;
    e.touchDamage = 0;
    e.solid = 0;
}

}  // namespace

ItemScore::ItemScore() { InitItem(*this, 1.0f); }

void ItemScore::Update() {}

void ItemScore::HitTest() {
    PickUpTest(*this, Reach::Hit, false, true, SoundTable.itemget, element, [](cPlayerBase& p) {
        p.score += 5000;
        p.gauge += 10.0f;
        p.itemCount += 1;
    });
}

void ItemScore::Draw() {
    DrawPickUp(*this, Cell(element, 34, 102), 0, 34, 48, 17, 24, 34, 48, 20);
}

void ItemScore02::HitTest() {
    PickUpTest(*this, Reach::Hit, false, true, SoundTable.itemget, element, [](cPlayerBase& p) {
        p.score += 1000;
        p.gauge += 3.0f;
        p.itemCount += 1;
    });
}

void ItemScore02::Draw() {
    DrawPickUp(*this, Cell(element, 36, 170), 0, 36, 33, 18, 16, 36, 33, 20);
}

void ItemLife::HitTest() {
    PickUpTest(*this, Reach::Absorb, true, false, SoundTable.lifeitemget, 0, [](cPlayerBase& p) {
        if (p.life == 5) p.score += 5000;
        p.life += 1;
    });
}

void ItemLife::Draw() { DrawPickUp(*this, 0, 53, 63, 61, 20, 20, 41, 40, 18); }

void Item1up::HitTest() {
    PickUpTest(*this, Reach::Absorb, true, false, SoundTable.lifeitemget, 0, [](cPlayerBase& p) { p.stock += 1; });
}

void Item1up::Draw() { DrawPickUp(*this, 63, 53, 63, 61, 20, 20, 63, 61, 16); }

ItemBox::ItemBox() {
    InitItem(*this, 3.0f);
    touchDamage = 1;
    work0 = 128;
    work2 = 0;
}

void ItemBox::Update() {}

void ItemBox::HitTest() {
    BoxHitTest(*this, [this] {
        const int32_t drop = mode == 1 ? objecttype::kScoreItem : mode == 2 ? objecttype::kLifeItem : 0;
        if (drop) PlaceEnemy(x, y, {.type = drop, .element = element, .life = 1.0f});
    });
}

void ItemBox::Draw() {
    frame += 1;
    DrawPlain(sheet::kItems, x - ScrollX - 25, y - ScrollY - 26, 51, 53, Cell(element, 51, 0), 0, 51, 53,
              kWhite);
    if (frame <= 64) work0 -= 2;
    if (frame >= 65 && frame <= 128) work0 += 2;
    if (frame == 129) frame = 0;
    work2 = WrapAdd(work2, 200);
    const float left = x - ScrollX - 64 + static_cast<float>(frame <= 64 ? frame : 128 - frame);
    const float top = y - ScrollY - 64;
    const float src = Cell(element, 128, 0);
    DrawTurned(sheet::kEffects, left, top, static_cast<float>(work0), 128, src, 286, 128, 128, kWhite, work2);
    DrawTurned(sheet::kEffects, left, top, static_cast<float>(work0), 128, src, 286, 128, 128, kWhite,
               WrapAdd(work2, 16388));
}

ItemMimick::ItemMimick() { work0 = 140; }

void ItemMimick::HitTest() {
    BoxHitTest(*this, [this] {
        for (int32_t a = 0; a < 65520; a += 2184) {
            FireBullet(x, y, {.motion = Bullet::kPlain, .graphic = Bullet::kFaintCapsule, .angle = a,
                              .element = element, .speed = 8.0f});
        }
    });
}

StageStartEffectObj::StageStartEffectObj() : titleTop(layout::kStageTitleNumber.screen.y) {
    InitItem(*this, 1.0f);
    radius = 0;
    work0 = 255;
    work1 = 0;
    work2 = layout::kStageTitleBand.screen.y;
    work3 = 0;
}

void StageStartEffectObj::Update() {}

void StageStartEffectObj::HitTest() {}

void StageStartEffectObj::Draw() {
    frame += 1;
    if (frame <= 25 || frame >= 125) work1 = WrapAdd(work1, 40);
    const uint32_t colour = AlphaWhite(work0);
    using namespace layout;
    // The band and the letters slide in from the left until they rest.
    const Quad& band = kStageTitleBand;
    DrawPlain(sheet::kStageTitleBack, {{work1 + band.screen.x - kBandSlide, work2, band.screen.w, band.screen.h},
                                       band.cell}, colour);
    if ((frame >= 30 && frame <= 50) || frame >= 125) work3 = WrapAdd(work3, 40);
    if (frame >= 125) work0 -= 25;
    if (work0 <= 0) work0 = 0;
    const uint32_t faded = AlphaWhite(work0);
    const int32_t x = work3 + kStageTitleNumber.screen.x - kLettersSlide;
    const Rect& number = kStageTitleNumber.screen;
    const Rect& name = kStageTitleName.screen;
    DrawPlain(sheet::kStageTitle, {{x, titleTop, number.w, number.h}, kStageTitleNumber.cell}, faded);
    DrawPlain(sheet::kStageTitle, {{x, titleTop + name.y - number.y, name.w, name.h}, kStageTitleName.cell}, faded);
}
