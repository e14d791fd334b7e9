#include "game/objects/cPlayerBase.h"

#include <cmath>
#include <cstddef>

#include "engine/core/KestraMath.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cMapHitObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/PlayArea.h"
#include "game/state/cBossBase.h"
#include "game/state/SpriteTable.h"

namespace {
float Distance(float ax, float ay, float bx, float by) {
    const float dx = ax - bx;
    const float dy = ay - by;
    return std::sqrt(dx * dx + dy * dy);
}

float CharacterSpeed(int32_t character) {
    switch (character) {
    case 1: return 3.0f;
    case 2: return 5.0f;
    case 3: return 2.5f;
    case 4: return 4.0f;
    default: return 3.0f;
    }
}
}  // namespace

cPlayerBase* PlayerOfIndex(int32_t owner) {
    if (owner == 0) return Player1;
    if (owner == 1) return Player2;
    return nullptr;
}

cPlayerBase::cPlayerBase()
    : life(5), stock(3), playerIndex(0), animDir(2), shotWait(10), shotFrame(0), animFrame(0), changeWait(0),
      chargeCount(0), score(0), stageScore{}, gauge(10.0f), absorbCount(0), itemCount(0), cellBase(0),
      firstCharacter(1), element(elements::kFire), character(1), isActive(0), isInvincible(0), passThrough(0),
      canForce(1), passThroughTimer(0), chargeShotOn(0), chargeShotTimer(0), hitRadius(7), absorbRadius(25),
      absorbRadiusMax(28), forceTimer(0), facing(16383), savedFacing(16383), savedAnimDir(2), circleSpin(0), x(0.0f),
      y(0.0f), aimX(0.0f), aimY(0.0f), speedX(3.0f), speedY(3.0f), cutInX(0.0f), cutInFrame(0), cutInOn(0),
      invincibleCount(0), noMiss(1), boxLeft(-playarea::kPlayerBoxHalf), boxTop(-playarea::kPlayerBoxHalf),
      boxRight(playarea::kPlayerBoxHalf), boxBottom(playarea::kPlayerBoxHalf) {}

cPlayerBase::~cPlayerBase() = default;

void cPlayerBase::UpdateBox() {
    constexpr float half = playarea::kPlayerBoxHalf;
    boxLeft = static_cast<int32_t>(x - half);
    boxTop = static_cast<int32_t>(y - half);
    boxRight = static_cast<int32_t>(x + half);
    boxBottom = static_cast<int32_t>(y + half);
}

void cPlayerBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = aimX = static_cast<float>(px);
    y = aimY = static_cast<float>(py);
    UpdateBox();
}

void cPlayerBase::UndoMove() {
    x = aimX;
    y = aimY;
}

cEffectObjectBase* cPlayerBase::StartEffect(effect::Kind kind, float effectSpeed, int32_t px, int32_t py) {
    cEffectObjectBase* f = ObjectManager.TakeEffectSlot();
    if (!f) return nullptr;
    f->kind = kind;
    f->speed = effectSpeed;
    f->value = element;
    f->frame = 0;
    f->owner = playerIndex;
    f->isActive = 1;
    f->SetPosition(px, py);
    f->frame = 0;
    return f;
}

void cPlayerBase::Move() {
    speedX = speedY = CharacterSpeed(character);
    const PadWord& pad = PadWords[playerIndex & 1];
    const bool free = (pad.idle & PAD_DIRECT) != 0;
    const bool locked = (pad.held & PAD_DIRECT) != 0;
    if (free || locked) {
        const uint16_t held = pad.held;
        if (held & PAD_RIGHT) {
            if (free) {
                facing = 0;
                animDir = 6;
                x += speedX;
            } else {
                x += speedX * 0.5f;
            }
        }
        if (held & PAD_LEFT) {
            if (free) {
                facing = 32766;
                animDir = 4;
                x -= speedX;
            } else {
                x -= speedX * 0.5f;
            }
        }
        if (held & PAD_DOWN) {
            if (free) {
                facing = 16383;
                animDir = 2;
                y += speedY;
            } else {
                y += speedY * 0.5f;
            }
        }
        if (held & PAD_UP) {
            if (free) {
                facing = 49149;
                animDir = 8;
                y -= speedY;
            } else {
                y -= speedY * 0.5f;
            }
        }
        if (free) {
            if ((held & PAD_RIGHT) && (held & PAD_UP)) facing = 57340;
            if ((held & PAD_RIGHT) && (held & PAD_DOWN)) facing = 8191;
            if ((held & PAD_LEFT) && (held & PAD_UP)) facing = 40957;
            if ((held & PAD_LEFT) && (held & PAD_DOWN)) facing = 24574;
        }
    }
    UpdateBox();
}

void cPlayerBase::PushApart() {
    if (GameState.twoPlayer != 1 || !Player1 || !Player2) return;
    cPlayerBase* other = playerIndex == 0 ? Player2 : Player1;
    if (other == this) return;
    const float d = Distance(aimX, aimY, other->aimX, other->aimY);
    const int32_t a = static_cast<int32_t>(Kestra::Atan(aimX - other->aimX, aimY - other->aimY));
    if (d <= 30.0f && (PadWords[playerIndex & 1].held & PAD_SHOT)) {
        const int32_t away = WrapAdd(a, 32768);
        other->x += Kestra::Cos(static_cast<uint32_t>(away)) * 5.0f;
        other->y += Kestra::Sin(away) * 5.0f;
        other->UpdateBox();
    }
}

void cPlayerBase::HitTest() {
    cObjectManager& m = ObjectManager;
    // 1. The view.
    using playarea::kHeight, playarea::kWidth, playarea::kPlayerKept;
    if (boxBottom > ScrollY + kHeight || boxTop < ScrollY || boxRight > ScrollX + kWidth || boxLeft < ScrollX) {
        if (boxBottom > ScrollY + kHeight) y = ScrollY + kPlayerKept.bottom;
        if (boxTop < ScrollY) y = ScrollY + kPlayerKept.top;
        if (boxRight > ScrollX + kWidth) x = ScrollX + kPlayerKept.right;
        if (boxLeft < ScrollX) x = ScrollX + kPlayerKept.left;
    }
    // 2. Enemy-list objects: contact damage and solid squares.
    for (std::size_t i = 0; i < m.enemyList.size(); ++i) {
        cEnemyObjectBase* e = m.enemyList[i];
        if (e->isActive != 1) continue;
        if (e->touchDamage == 1 && isInvincible == 0) {
            if (Distance(aimX, aimY, e->x, e->y) <= static_cast<float>(hitRadius + e->radius) &&
                element != e->element) {
                Damage(1);
            }
        }
        if (e->solid != 0 && passThrough == 0) {
            const float r = static_cast<float>(e->radius);
            if (boxLeft < e->x + r && e->x - r < boxRight && boxTop < e->y + r && e->y - r < boxBottom) {
                if (e->x - r < aimX + 20 && aimX - 20 < e->x + r) y = aimY;
                if (e->y - r < aimY + 20 && aimY - 20 < e->y + r) x = aimX;
            }
        }
    }
    // 3. Enemy bullets: absorb, hit, collect.
    for (std::size_t i = 0; i < m.enemyBullets.size(); ++i) {
        cEnemyBulletBase* b = m.enemyBullets[i];
        if (b->isActive != 1) continue;
        const float d = Distance(aimX, aimY, b->x, b->y);
        if (b->element == element && canForce == 1 && d <= static_cast<float>(absorbRadius + b->radius) &&
            forceTimer == 0) {
            if (gauge < 200.0f) gauge += 1.0f;
            absorbCount += 1;
            b->isActive = 0;
            StartEffect(effect::kAbsorbGlow, 0.0f, static_cast<int32_t>(b->x), static_cast<int32_t>(b->y));
            score += 10;
            if (gauge == 200.0f) score += 50;
        }
        if (b->isActive == 1 && b->element < elements::kFireEmitter && isInvincible == 0 && forceTimer == 0 &&
            d <= static_cast<float>(hitRadius + b->radius)) {
            b->isActive = 0;
            Damage(b->damage);
        }
        if (b->isActive == 1 && b->element == elements::kCancelled && d <= static_cast<float>(b->radius + 30)) {
            if (gauge < 200.0f) gauge = static_cast<float>(gauge + 0.04);
            b->isActive = 0;
            score += 10;
            if (gauge == 200.0f) score += 50;
        }
    }
    // 4. Gauge.
    if (gauge < 0.0f) gauge = 0.0f;
    if (gauge > 200.0f) gauge = 200.0f;
    // 5. Invincibility after a miss.
    if (isInvincible == 1) {
        invincibleCount += 1;
        if (invincibleCount > 149) isInvincible = 0;
    }
    // 6. Map blocks.
    if (passThrough != 1) HitTestBlocks();
    // 7. Pushed off the view: the box wholly out past an edge.
    constexpr int out = playarea::kPlayerBoxHalf;
    if (x <= ScrollX - out || x >= ScrollX + (kWidth + out) || y <= ScrollY - out || y >= ScrollY + (kHeight + out)) {
        if (x < ScrollX - out) x = ScrollX + kPlayerKept.left;
        if (x > ScrollX + (kWidth + out)) x = ScrollX + kPlayerKept.right;
        if (y < ScrollY - out) y = ScrollY + kPlayerKept.top;
        if (y > ScrollY + (kHeight + out)) y = ScrollY + kPlayerKept.bottom;
        if (passThrough == 0) Damage(5);
        passThrough = 1;
        passThroughTimer = 210;
    }
    // 8. Pass-through count.
    if (passThroughTimer > 0) passThroughTimer -= 1;
    if (passThroughTimer == 0) passThrough = 0;
    // 9. Box.
    UpdateBox();
}

void cPlayerBase::HitTestBlocks() {
    const float sx = aimX;
    const float sy = aimY;
    for (cMapHitObjectBase* block : ObjectManager.mapBlocks) {
        const int32_t bx = block->x;
        const int32_t by = block->y;
        if (!(boxLeft < bx + 40 && bx < boxRight && boxTop < by + 40 && by < boxBottom)) continue;
        const float fbx = static_cast<float>(bx);
        const float fby = static_cast<float>(by);
        switch (block->blockKind) {
        case 0:
            if (fbx < sx + 20 && sx - 20 < fbx + 40) y = sy;
            if (fby < sy + 20 && sy - 20 < fby + 40) x = sx;
            break;
        case 7:
            if (bx <= boxLeft + 2) {
                const int32_t a = by - boxTop + 40;
                const int32_t e = boxLeft - bx;
                if (e <= a && boxTop < sy - 20 && fbx + 40 <= sx + 20) {
                    y = static_cast<float>(by + 40 - a + 20);
                    x = static_cast<float>(bx + a + 20);
                }
                if (e <= a && boxLeft < sx - 20 && fby <= sy - 20) {
                    y = static_cast<float>(by + 40 - e + 20);
                    x = static_cast<float>(e + bx + 20);
                }
            }
            break;
        case 9:
            if (boxLeft <= bx + 2) {
                const int32_t a = by - boxTop + 40;
                const int32_t e = bx + 40 - boxRight;
                if (e <= a && boxTop < sy - 20 && sx - 20 <= fbx) {
                    y = static_cast<float>(40 - a + by + 20);
                    x = static_cast<float>(bx - a + 20);
                }
                if (e <= a && sx - 20 < boxLeft && fby <= sy - 20) {
                    y = static_cast<float>(40 - e + by + 20);
                    x = static_cast<float>(bx + 40 - e - 20);
                }
            }
            break;
        case 3:
            if (boxLeft - 2 <= bx) {
                const int32_t a = boxBottom - by;
                // This kind measures from the moved position, not the box.
                const float e = static_cast<float>(bx + 40) - (x + 20);
                if (e <= a && sy - 20 < boxTop && sx - 20 <= fbx) {
                    y = static_cast<float>(by + a - 20);
                    x = static_cast<float>(40 - a + bx - 20);
                }
                if (e <= a && sx - 20 < boxLeft && sy + 20 <= fby + 40) {
                    y = fby + e - 20;
                    x = fbx + 40 - e - 20;
                }
            }
            break;
        case 1:
            if (bx <= boxLeft + 2) {
                const int32_t a = boxBottom - by;
                const int32_t e = boxLeft - bx;
                if (e <= a && sy - 20 < boxTop && fbx + 40 <= sx + 20) {
                    y = static_cast<float>(by + a - 20);
                    x = static_cast<float>(bx + a + 20);
                }
                if (e <= a && boxLeft < sx - 20 && sy + 20 <= fby + 40) {
                    y = static_cast<float>(by + e - 20);
                    x = static_cast<float>(e + bx + 20);
                }
            }
            break;
        default: break;
        }
    }
}

void cPlayerBase::Damage(int32_t amount) {
    if (isInvincible == 1) return;
    life -= amount;
    noMiss = 0;
    isInvincible = 1;
    invincibleCount = 0;
    PlaySe(SoundTable.playerdamage);
    // A stage without a boss record leaves the slots empty.
    if (BossA) BossA->bonusValid = 0;
    if ((GameState.stage == kLastStoryStage || GameState.stage == kExtraStage) && BossB) BossB->bonusValid = 0;
    const int32_t px = static_cast<int32_t>(aimX);
    const int32_t py = static_cast<int32_t>(aimY);
    StartEffect(effect::kShockwave, 0.0f, px, py);
    for (int32_t i = 0; i < 20; ++i) {
        cEffectObjectBase* f = StartEffect(effect::kFadingSpark, 7.0f, px, py);
        if (f) f->angle = GameRand() * 2;
    }
    if (life < 1) {
        stock -= 1;
        life = 5;
    }
    if (stock < 0) GameState.subState = kSubStateGameOver;
}

void cPlayerBase::Reset() {
    gauge = 10.0f;
    life = 5;
    stock = 3;
    shotFrame = animFrame = changeWait = chargeCount = score = 0;
    for (int32_t& s : stageScore) s = 0;
    absorbCount = itemCount = chargeShotTimer = passThroughTimer = forceTimer = cutInFrame = 0;
    chargeShotOn = isInvincible = passThrough = cutInOn = 0;
    isActive = 1;
}

void cPlayerBase::Draw() {
    const bool third = character == 3;
    animFrame += 1;
    cellBase = isInvincible ? (third ? 176 : 160) : 0;
    const int32_t w = third ? 44 : 40;
    if (animFrame > (third ? 31 : 23)) animFrame = 0;
    int32_t k = 0;
    switch (animDir) {
    case 4: k = 1; break;
    case 6: k = 2; break;
    case 8: k = 3; break;
    default: k = 0; break;
    }
    const bool firstOfTeam = character == 1 || character == 3;
    const int32_t sheet = firstOfTeam ? 0 : 1;
    const int32_t circle = firstOfTeam ? 2 : 3;
    const int32_t cutIn = firstOfTeam ? 29 : 30;
    const float fw = static_cast<float>(w);
    DrawPlain(sheet, aimX - ScrollX - fw / 2, aimY - ScrollY - 30, fw, 60, static_cast<float>(cellBase + k * w),
              static_cast<float>(60 * (animFrame / (third ? 8 : 6))), fw, 60, isInvincible ? 0x96FFFFFFu : kWhite);

    if (character == 1) {
        if (absorbRadius <= absorbRadiusMax) absorbRadius += 1;
    } else if (absorbRadius < 26) {
        absorbRadius += 1;
    }
    if (character == 4 && chargeShotOn == 1 && absorbRadius < 80) absorbRadius += 2;

    const int32_t r = absorbRadius;
    const float size = static_cast<float>(2 * r);
    float dx = 0.0f;
    float dy = 0.0f;
    if (character == 4) {
        const int32_t f = 24 - r;
        dx = static_cast<float>(f) + aimX - 23 - ScrollX;
        dy = aimY - (forceTimer > 0 ? 10 : 6) - ScrollY + static_cast<float>(f);
    } else {
        dx = aimX - 3 + static_cast<float>(4 - r) - ScrollX;
        dy = aimY - 10 - ScrollY;
    }
    const float src = Cell(element, 128, 0);
    if (forceTimer < 1) {
        circleSpin = WrapAdd(circleSpin, 364);
        DrawTurned(circle, dx, dy, size, size, src, 0, 128, 128, kWhite, circleSpin);
    } else {
        const int32_t t = forceTimer;
        circleSpin = WrapAdd(circleSpin, 546);
        const float shift = static_cast<float>(t / 2);
        const float grown = static_cast<float>(t) + size;
        DrawTurned(circle, dx - shift, dy - shift, grown, grown, src, 0, 128, 128, kWhite, circleSpin);
    }

    if (cutInOn == 1) {
        cutInFrame += 1;
        float sourceX = 0.0f;
        if (cutInFrame < 23) cutInX -= 40.0f;
        if (cutInFrame > 50) {
            cutInX -= 4.0f;
            sourceX = static_cast<float>(cutInFrame * 4 - 200);
        }
        int32_t alpha = 180;
        if (cutInFrame >= 68) {
            alpha = 0;
            cutInOn = 0;
        } else if (cutInFrame >= 50) {
            alpha = 180 - 10 * (cutInFrame - 50);
        }
        const float w = static_cast<float>(layout::kCutInCell.w), h = static_cast<float>(layout::kCutInCell.h);
        DrawPlain(cutIn, cutInX, 0, w, h, sourceX, 0, w, h, AlphaWhite(alpha));
        if (cutInFrame > 14 && cutInFrame < 34) {
            DrawPlain(sheet::kCutInFlash, cutInX, 0, w, h, sourceX, 0, w, h, AlphaWhite(180 - 10 * (cutInFrame - 15)));
        }
    }
}
