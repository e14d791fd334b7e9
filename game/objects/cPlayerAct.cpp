// The four characters' actions (shots, charge, FORCE, element and character
// change) and the player and shot codes of SpawnPlayerObject.
#include <iterator>
#include <limits>
#include <optional>

#include "engine/core/KestraMath.h"
#include "game/objects/EnemyParts.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

namespace {

using namespace playerobject;

void Shoot(cPlayerBase& p, int32_t code) { ObjectManager.SpawnPlayerObject(code, p.aimX, p.aimY, p.playerIndex); }

// The FORCE frames while the timer runs, a character each.
void ForceOfCharacter1(cPlayerBase& p) {
    p.forceTimer -= 1;
    if (p.shotFrame % 3 == 0) {
        Shoot(p, kYuriForce);
        ObjectManager.SpawnEffect(static_cast<int32_t>(p.aimX), static_cast<int32_t>(p.aimY), effect::kSpark, p.element,
                                  p.playerIndex);
    }
}
void ForceOfCharacter2(cPlayerBase& p) {
    p.forceTimer -= 1;
    if (p.forceTimer < 0) p.forceTimer = 0;
    if (p.forceTimer % 4 == 0) {
        PlaySe(SoundTable.knifeswing);
        Shoot(p, kCrowForce);
    }
}
void ForceOfCharacter3(cPlayerBase& p) {
    p.facing = p.savedFacing;
    p.animDir = p.savedAnimDir;
    p.forceTimer -= 1;
    if (p.forceTimer % 4 == 0) Shoot(p, kCheskaForce);
}
void ForceOfCharacter4(cPlayerBase& p) { p.forceTimer -= 1; }

// What sets a character's actions apart.
struct CharacterActs {
    // The shot: a tap after `tapWait` frames, held every `repeatEvery`, while
    // the FORCE timer lies in [shotsFromForce, shotsToForce]; the sounds of a
    // tap and of a held shot (null: none).
    int32_t tapWait;
    int32_t shotCode;
    int32_t repeatEvery;
    int32_t shotsFromForce, shotsToForce;
    uint32_t cSoundTable::*tapSound;
    uint32_t cSoundTable::*heldSound;
    // The charge: full after `chargeFull` held frames with `chargeGauge` in
    // the gauge, its sparks and its flash at (dx, dy) from the player, each
    // started with its kind's own values (else plainly by the player).
    int32_t chargeFull;
    float chargeGauge;
    float chargeDx, chargeDy;
    bool sparksByKind;
    bool flashByKind;
    // The burst a release starts: its frames, its shot every `burstEvery`
    // (none for code 0), and the absorbing radius after it (-1: unchanged).
    int32_t releaseAt;
    float releaseCost;
    int32_t burstFrames;
    int32_t burstCode;
    int32_t burstEvery;
    int32_t absorbAfterBurst;
    // FORCE: the gauge it takes; its frames (gauge - forceBase) x forceRate +
    // forceStart; whether it runs out before it may start again (its timer
    // held at 0 after); what the character does as it starts and each frame.
    float forceGauge;
    double forceBase, forceRate, forceStart;
    bool forceRunsOut;
    bool keepsFacing;
    int32_t forceSummon;  // an enemy summoned at its start, 0 none
    void (*forceFrame)(cPlayerBase& p);
    // ELEMENT's flash, `flashDy` below the player, started with its kind's
    // own values (else plainly, at a random angle).
    bool elementFlashByKind;
    float elementFlashDy;
    // CHANGE: the partner, and whether a burst must end first.
    int32_t partner;
    bool changesAfterBurst;
};

constexpr int32_t kLowest = std::numeric_limits<int32_t>::min(), kHighest = std::numeric_limits<int32_t>::max();

constexpr CharacterActs kCharacters[] = {
    // 1: Yuri.
    {.tapWait = 6, .shotCode = kYuriShot, .repeatEvery = 17, .shotsFromForce = kLowest, .shotsToForce = 60,
     .tapSound = &cSoundTable::shot_small, .heldSound = &cSoundTable::shot_small,
     .chargeFull = 60, .chargeGauge = 1.0f, .chargeDx = 0.0f, .chargeDy = 0.0f, .sparksByKind = false,
     .flashByKind = false, .releaseAt = 60, .releaseCost = 2.0f, .burstFrames = 30, .burstCode = kYuriBurst,
     .burstEvery = 5, .absorbAfterBurst = -1, .forceGauge = 50.0f, .forceBase = 50.0, .forceRate = 1.0,
     .forceStart = 40.0, .forceRunsOut = true, .keepsFacing = false, .forceSummon = 0, .forceFrame = ForceOfCharacter1,
     .elementFlashByKind = false, .elementFlashDy = 0.0f, .partner = 2, .changesAfterBurst = false},
    // 2: Crow.
    {.tapWait = 5, .shotCode = kCrowShot, .repeatEvery = 12, .shotsFromForce = 0, .shotsToForce = 0,
     .tapSound = &cSoundTable::shot_small, .heldSound = nullptr,
     .chargeFull = 45, .chargeGauge = 1.0f, .chargeDx = 20.0f, .chargeDy = 40.0f, .sparksByKind = false,
     .flashByKind = false, .releaseAt = 49, .releaseCost = 1.0f, .burstFrames = 20, .burstCode = kCrowBurst,
     .burstEvery = 4, .absorbAfterBurst = -1, .forceGauge = 40.0f, .forceBase = 40.0, .forceRate = 1.7,
     .forceStart = 30.0, .forceRunsOut = true, .keepsFacing = false, .forceSummon = 0, .forceFrame = ForceOfCharacter2,
     .elementFlashByKind = false, .elementFlashDy = 0.0f, .partner = 1, .changesAfterBurst = false},
    // 3: Cheska.
    {.tapWait = 6, .shotCode = kCheskaShot, .repeatEvery = 25, .shotsFromForce = 0, .shotsToForce = 0,
     .tapSound = &cSoundTable::shot_small, .heldSound = &cSoundTable::shot_small,
     .chargeFull = 50, .chargeGauge = 4.0f, .chargeDx = 0.0f, .chargeDy = 0.0f, .sparksByKind = false,
     .flashByKind = true, .releaseAt = 50, .releaseCost = 4.0f, .burstFrames = 40, .burstCode = kCheskaBurst,
     .burstEvery = 4, .absorbAfterBurst = -1, .forceGauge = 100.0f, .forceBase = 0.0, .forceRate = 2.0,
     .forceStart = -16.0, .forceRunsOut = true, .keepsFacing = true, .forceSummon = 0, .forceFrame = ForceOfCharacter3,
     .elementFlashByKind = true, .elementFlashDy = 0.0f, .partner = 4, .changesAfterBurst = false},
    // 4: Osero.
    {.tapWait = 5, .shotCode = kOseroShot, .repeatEvery = 10, .shotsFromForce = kLowest, .shotsToForce = kHighest,
     .tapSound = &cSoundTable::knifeswing, .heldSound = &cSoundTable::knifeswing,
     .chargeFull = 80, .chargeGauge = 8.0f, .chargeDx = 20.0f, .chargeDy = 40.0f, .sparksByKind = true,
     .flashByKind = true, .releaseAt = 80, .releaseCost = 8.0f, .burstFrames = 95, .burstCode = 0, .burstEvery = 1,
     .absorbAfterBurst = 25, .forceGauge = 80.0f, .forceBase = 60.0, .forceRate = 1.0, .forceStart = 40.0,
     .forceRunsOut = false, .keepsFacing = false, .forceSummon = 84, .forceFrame = ForceOfCharacter4,
     .elementFlashByKind = true, .elementFlashDy = 10.0f, .partner = 3, .changesAfterBurst = true},
};

}  // namespace

void cPlayerBase::Act() {
    shotFrame += 1;
    shotWait += 1;
    if (character >= 1 && character <= static_cast<int32_t>(std::size(kCharacters))) ActCharacter();
    aimX = x;
    aimY = y;
}

void cPlayerBase::ActCharacter() {
    const CharacterActs& v = kCharacters[character - 1];
    const PadWord& pad = PadWords[playerIndex & 1];
    const bool shotsAllowed = forceTimer >= v.shotsFromForce && forceTimer <= v.shotsToForce;
    const auto sound = [](uint32_t cSoundTable::*handle) {
        if (handle) PlaySe(SoundTable.*handle);
    };

    // Tap or held shot.
    if ((pad.pushed & PAD_SHOT) && shotsAllowed && shotWait >= v.tapWait) {
        Shoot(*this, v.shotCode);
        sound(v.tapSound);
        shotWait = 0;
        shotFrame = 0;
    } else if ((pad.held & PAD_SHOT) && shotsAllowed) {
        if (shotFrame % v.repeatEvery == 0) {
            Shoot(*this, v.shotCode);
            sound(v.heldSound);
        }
        chargeCount += 1;
        const float cx = aimX + v.chargeDx;
        const float cy = aimY + v.chargeDy;
        if (chargeCount % 3 == 0 && chargeCount < v.chargeFull && gauge >= v.chargeGauge) {
            const int32_t r1 = GameRand();
            const int32_t r2 = GameRand();
            const int32_t px = static_cast<int32_t>(cx + 40 * Kestra::Cos(static_cast<uint32_t>(r2)));
            const int32_t py = static_cast<int32_t>(cy + 40 * Kestra::Cos(static_cast<uint32_t>(r1)));
            if (v.sparksByKind) {
                ObjectManager.SpawnEffect(px, py, effect::kAbsorbSpark, element, playerIndex);
            } else {
                cEffectObjectBase* f = StartEffect(effect::kAbsorbSpark, 3.0f, px, py);
                if (f) f->spin = f->angle;
            }
        }
        if (chargeCount == v.chargeFull && gauge >= v.chargeGauge) {
            const int32_t px = static_cast<int32_t>(cx);
            const int32_t py = static_cast<int32_t>(cy);
            if (v.flashByKind) {
                ObjectManager.SpawnEffect(px, py, effect::kAbsorbBloom, element, playerIndex);
            } else {
                StartEffect(effect::kAbsorbBloom, 0.0f, px, py);
            }
            PlaySe(SoundTable.charge);
        }
    }

    // Release into the charged burst.
    if (pad.idle & PAD_SHOT) {
        if (gauge >= v.chargeGauge && chargeCount >= v.releaseAt) {
            chargeShotOn = 1;
            chargeShotTimer = v.burstFrames;
            gauge -= v.releaseCost;
        }
        chargeCount = 0;
    }

    // The burst runs to its end whatever the input.
    if (chargeShotOn == 1) {
        chargeShotTimer -= 1;
        if (v.burstCode != 0 && chargeShotTimer % v.burstEvery == 0) {
            Shoot(*this, v.burstCode);
            PlaySe(SoundTable.shot_small);
        }
        if (chargeShotTimer <= 0) {
            chargeShotOn = 0;
            if (v.absorbAfterBurst >= 0) absorbRadius = v.absorbAfterBurst;
        }
    }

    // FORCE start.
    if ((pad.pushed & PAD_FORCE) && gauge >= v.forceGauge && forceTimer <= 0 && canForce == 1) {
        PlaySe(SoundTable.forcebrake);
        if (v.forceRunsOut) canForce = 0;
        if (v.keepsFacing) {
            savedFacing = facing;
            savedAnimDir = animDir;
        }
        if (v.forceSummon != 0) {
            SummonEnemy(aimX, aimY, {.type = v.forceSummon, .element = elements::kFire, .life = gauge * 3 + 30});
        }
        if (gauge >= 100.0f) {
            cutInOn = 1;
            cutInX = layout::kScreenWidth;  // flies in from the right edge
            cutInFrame = 0;
        }
        forceTimer = static_cast<int32_t>((gauge - v.forceBase) * v.forceRate + v.forceStart);
        gauge = 0.0f;
    }

    // FORCE running.
    if (forceTimer > 0) v.forceFrame(*this);
    if (forceTimer <= 0) {
        if (v.forceRunsOut) forceTimer = 0;
        canForce = 1;
    }

    // ELEMENT.
    if (pad.pushed & PAD_ELEMENT) {
        PlaySe(SoundTable.changeattribute);
        absorbRadius = 0;
        element = elements::Opposite(element);
        const int32_t px = static_cast<int32_t>(aimX);
        const int32_t py = static_cast<int32_t>(aimY + v.elementFlashDy);
        if (v.elementFlashByKind) {
            ObjectManager.SpawnEffect(px, py, effect::kQuickRing, element, playerIndex);
        } else {
            cEffectObjectBase* f = StartEffect(effect::kQuickRing, 0.0f, px, py);
            if (f) f->angle = GameRand() * 2;
        }
    }

    // CHANGE.
    if (changeWait <= 20) changeWait += 1;
    if ((pad.pushed & PAD_CHANGE) && changeWait >= 20 && GameState.twoPlayer != 1 && forceTimer <= 0 &&
        (!v.changesAfterBurst || chargeShotTimer == 0)) {
        character = v.partner;
        shotFrame = 0;
    }
}

void cObjectManager::SpawnPlayerObject(int32_t code, float x, float y, int32_t owner) {
    if (code < kCharacter1 || code >= kEnd) return;
    if (code <= kCharacter4) {
        cPlayerBase* p = new cPlayerBase();
        const bool second = code == kCharacter2 || code == kCharacter4;
        const bool two = GameState.twoPlayer == 1;
        p->firstCharacter = p->character = code + 1;
        p->isActive = second ? (two ? 1 : 0) : 1;
        p->playerIndex = second && two ? 1 : 0;
        p->animDir = code == kCharacter4 ? 4 : 2;
        if (code >= kCharacter3) p->SetPosition(static_cast<int32_t>(x), static_cast<int32_t>(y));
        cPlayerBase*& slot = second ? Player2 : Player1;
        // A new game replaces the previous game's player.
        delete slot;
        slot = p;
        return;
    }
    cPlayerBase* p = PlayerOfIndex(owner);
    if (!p) return;
    struct Shot {
        int32_t offset;
        float power;
    };
    // A shot from the player's aim point in the player's element: its speed
    // always set, its acceleration and frame only where asked.
    struct Start {
        int32_t angle;
        float speed;
        int32_t motion;
        int32_t look;
        int32_t radius;
        float power;
        bool resetFrame = true;
        std::optional<float> accel;
    };
    const auto start = [&](const Start& s) {
        cPlayerBulletBase* b = TakePlayerBulletSlot();
        if (!b) return;
        b->isActive = 1;
        b->owner = owner;
        b->x = p->aimX;
        b->y = p->aimY;
        b->element = p->element;
        b->angle = s.angle;
        b->speed = s.speed;
        if (s.accel) b->accel = *s.accel;
        b->motion = s.motion;
        b->look = s.look;
        b->radius = s.radius;
        b->power = s.power;
        if (s.resetFrame) b->frame = 0;
    };
    const int32_t f = p->facing;
    switch (code) {
    case kYuriShot:
        start({.angle = f, .speed = 8.0f, .motion = 1, .look = 1, .radius = 25, .power = 1.0f, .resetFrame = false});
        break;
    case kYuriBurst:
        for (const int32_t offset : {4000, -4000})
            start({.angle = WrapAdd(f, offset), .speed = 6.0f, .motion = 1, .look = 2, .radius = 25, .power = 1.0f,
                   .resetFrame = false});
        break;
    case kCrowShot: start({.angle = f, .speed = 10.0f, .motion = 2, .look = 2, .radius = 15, .power = 1.0f}); break;
    case kCrowBurst:
        for (const int32_t offset : {0, 16383, 32766, 49149})
            start({.angle = WrapAdd(f, offset), .speed = 9.0f, .motion = 5, .look = 2, .radius = 15, .power = 0.9f});
        break;
    case kCheskaShot:
        for (const Shot s : {Shot{-3000, 0.5f}, Shot{0, 0.7f}, Shot{3000, 0.5f}})
            start({.angle = WrapAdd(f, s.offset), .speed = 6.0f, .motion = 6, .look = 6, .radius = 25,
                   .power = s.power});
        break;
    case kCheskaBurst: {
        const int32_t base = WrapAdd(f, 160 * p->chargeShotTimer);
        for (const int32_t offset : {0, 16383, 32766, 49149})
            start({.angle = WrapAdd(base, offset), .speed = 2.0f, .motion = 7, .look = 6, .radius = 30, .power = 0.8f,
                   .accel = 0.05f});
        break;
    }
    case kOseroShot:
        start({.angle = f, .speed = 10.0f, .motion = 7, .look = 8, .radius = 20, .power = 0.9f, .resetFrame = false,
               .accel = -0.2f});
        break;
    case kYuriForce: {
        const int32_t angle = GameRand() * 2;
        const int32_t speed = GameRand() % 7 + 3;
        const int32_t radius = GameRand() % 30 + 20;
        start({.angle = angle, .speed = static_cast<float>(speed), .motion = 3, .look = 3, .radius = radius,
               .power = 2.4f});
        break;
    }
    case kCrowForce: {
        const int32_t offset = GameRand() % 2000 - 1000;
        start({.angle = WrapAdd(f, offset), .speed = 7.0f, .motion = 10, .look = 4, .radius = 80, .power = 1.0f});
        break;
    }
    case kCheskaForce:
        start({.angle = f, .speed = 9.0f, .motion = 7, .look = 7, .radius = 40, .power = 1.0f, .accel = 0.0f});
        break;
    default: break;
    }
}
