// The four characters' actions (shots, charge, FORCE, element and character
// change) and the player and shot codes of SpawnPlayerObject.
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

struct CharacterValues {
    int32_t tapWait;
    int32_t shotCode;
    int32_t repeatEvery;
    int32_t chargeFull;
    float chargeGauge;
    float chargeDx, chargeDy;
    int32_t releaseAt;
    float releaseCost;
    int32_t burstFrames;
    int32_t burstCode;
    int32_t burstEvery;
    float forceGauge;
    int32_t partner;
};

constexpr CharacterValues kCharacters[4] = {
    {6, 10, 17, 60, 1.0f, 0.0f, 0.0f, 60, 2.0f, 30, 11, 5, 50.0f, 2},
    {5, 12, 12, 45, 1.0f, 20.0f, 40.0f, 49, 1.0f, 20, 13, 4, 40.0f, 1},
    {6, 14, 25, 50, 4.0f, 0.0f, 0.0f, 50, 4.0f, 40, 15, 4, 100.0f, 4},
    {5, 16, 10, 80, 8.0f, 20.0f, 40.0f, 80, 8.0f, 95, 0, 1, 80.0f, 3},
};

int32_t ForceFrames(int32_t character, float gauge) {
    switch (character) {
    case 1: return static_cast<int32_t>(gauge - 50.0 + 40.0);
    case 2: return static_cast<int32_t>((gauge - 40.0) * 1.7 + 30.0);
    case 3: return static_cast<int32_t>(gauge * 2 - 16.0);
    default: return static_cast<int32_t>(gauge - 60.0 + 40.0);
    }
}

}  // namespace

void cPlayerBase::Act() {
    shotFrame += 1;
    shotWait += 1;
    if (character >= 1 && character <= 4) ActCharacter();
    aimX = x;
    aimY = y;
}

void cPlayerBase::ActCharacter() {
    cObjectManager& m = ObjectManager;
    const CharacterValues& v = kCharacters[character - 1];
    const PadWord& pad = PadWords[playerIndex & 1];
    bool shotsAllowed = true;
    if (character == 1) shotsAllowed = forceTimer <= 60;
    if (character == 2 || character == 3) shotsAllowed = forceTimer == 0;
    const auto shoot = [&](int32_t code) { m.SpawnPlayerObject(code, aimX, aimY, playerIndex); };

    // Tap or held shot.
    if ((pad.pushed & PAD_SHOT) && shotsAllowed && shotWait >= v.tapWait) {
        if (character == 3) PlaySe(SoundTable.shot_small);
        shoot(v.shotCode);
        if (character == 1 || character == 2) PlaySe(SoundTable.shot_small);
        if (character == 4) PlaySe(SoundTable.knifeswing);
        shotWait = 0;
        shotFrame = 0;
    } else if ((pad.held & PAD_SHOT) && shotsAllowed) {
        if (shotFrame % v.repeatEvery == 0) {
            if (character == 3) PlaySe(SoundTable.shot_small);
            shoot(v.shotCode);
            if (character == 1) PlaySe(SoundTable.shot_small);
            if (character == 4) PlaySe(SoundTable.knifeswing);
        }
        chargeCount += 1;
        const float cx = aimX + v.chargeDx;
        const float cy = aimY + v.chargeDy;
        if (chargeCount % 3 == 0 && chargeCount < v.chargeFull && gauge >= v.chargeGauge) {
            const int32_t r1 = GameRand();
            const int32_t r2 = GameRand();
            const int32_t px = static_cast<int32_t>(cx + 40 * Kestra::Cos(static_cast<uint32_t>(r2)));
            const int32_t py = static_cast<int32_t>(cy + 40 * Kestra::Cos(static_cast<uint32_t>(r1)));
            if (character == 4) {
                m.SpawnEffect(px, py, 6, element, playerIndex);
            } else {
                cEffectObjectBase* f = StartEffect(6, 3.0f, px, py);
                if (f) f->spin = f->angle;
            }
        }
        if (chargeCount == v.chargeFull && gauge >= v.chargeGauge) {
            const int32_t px = static_cast<int32_t>(cx);
            const int32_t py = static_cast<int32_t>(cy);
            if (character <= 2) {
                StartEffect(7, 0.0f, px, py);
            } else {
                m.SpawnEffect(px, py, 7, element, playerIndex);
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
        if (character <= 3 && chargeShotTimer % v.burstEvery == 0) {
            shoot(v.burstCode);
            PlaySe(SoundTable.shot_small);
        }
        if (chargeShotTimer <= 0) {
            chargeShotOn = 0;
            if (character == 4) absorbRadius = 25;
        }
    }

    // FORCE start.
    if ((pad.pushed & PAD_FORCE) && gauge >= v.forceGauge && forceTimer <= 0 && canForce == 1) {
        PlaySe(SoundTable.forcebrake);
        if (character <= 3) canForce = 0;
        if (character == 3) {
            savedFacing = facing;
            savedAnimDir = animDir;
        }
        if (character == 4) {
            SummonEnemy(aimX, aimY, {.type = 84, .element = 0, .life = gauge * 3 + 30});
        }
        if (gauge >= 100.0f) {
            cutInOn = 1;
            cutInX = layout::kScreenWidth;  // flies in from the right edge
            cutInFrame = 0;
        }
        forceTimer = ForceFrames(character, gauge);
        gauge = 0.0f;
    }

    // FORCE running.
    if (forceTimer > 0) {
        switch (character) {
        case 1:
            forceTimer -= 1;
            if (shotFrame % 3 == 0) {
                shoot(19);
                m.SpawnEffect(static_cast<int32_t>(aimX), static_cast<int32_t>(aimY), 2, element, playerIndex);
            }
            break;
        case 2:
            forceTimer -= 1;
            if (forceTimer < 0) forceTimer = 0;
            if (forceTimer % 4 == 0) {
                PlaySe(SoundTable.knifeswing);
                shoot(20);
            }
            break;
        case 3:
            facing = savedFacing;
            animDir = savedAnimDir;
            forceTimer -= 1;
            if (forceTimer % 4 == 0) shoot(21);
            break;
        default: forceTimer -= 1; break;
        }
    }
    if (forceTimer <= 0) {
        if (character <= 3) forceTimer = 0;
        canForce = 1;
    }

    // ELEMENT.
    if (pad.pushed & PAD_ELEMENT) {
        PlaySe(SoundTable.changeattribute);
        absorbRadius = 0;
        element = 1 - element;
        const int32_t px = static_cast<int32_t>(aimX);
        if (character <= 2) {
            cEffectObjectBase* f = StartEffect(17, 0.0f, px, static_cast<int32_t>(aimY));
            if (f) f->angle = GameRand() * 2;
        } else if (character == 3) {
            m.SpawnEffect(px, static_cast<int32_t>(aimY), 17, element, playerIndex);
        } else {
            m.SpawnEffect(px, static_cast<int32_t>(aimY + 10), 17, element, playerIndex);
        }
    }

    // CHANGE.
    if (changeWait <= 20) changeWait += 1;
    if ((pad.pushed & PAD_CHANGE) && changeWait >= 20 && GameState.twoPlayer != 1 && forceTimer <= 0 &&
        (character != 4 || chargeShotTimer == 0)) {
        character = v.partner;
        shotFrame = 0;
    }
}

void cObjectManager::SpawnPlayerObject(int32_t code, float x, float y, int32_t owner) {
    if (code < 0 || code > 21) return;
    if (code <= 3) {
        cPlayerBase* p = new cPlayerBase();
        const bool second = code == 1 || code == 3;
        const bool two = GameState.twoPlayer == 1;
        p->firstCharacter = p->character = code + 1;
        p->isActive = second ? (two ? 1 : 0) : 1;
        p->playerIndex = second && two ? 1 : 0;
        p->animDir = code == 3 ? 4 : 2;
        if (code >= 2) p->SetPosition(static_cast<int32_t>(x), static_cast<int32_t>(y));
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
    const auto start = [&](int32_t angle, float speed, bool setSpeed, float accel, bool setAccel, int32_t motion,
                           int32_t look, int32_t radius, float power, bool resetFrame) {
        cPlayerBulletBase* b = TakePlayerBulletSlot();
        if (!b) return;
        b->isActive = 1;
        b->owner = owner;
        b->x = p->aimX;
        b->y = p->aimY;
        b->element = p->element;
        b->angle = angle;
        if (setSpeed) b->speed = speed;
        if (setAccel) b->accel = accel;
        b->motion = motion;
        b->look = look;
        b->radius = radius;
        b->power = power;
        if (resetFrame) b->frame = 0;
    };
    const int32_t f = p->facing;
    switch (code) {
    case 10: start(f, 8.0f, true, 0, false, 1, 1, 25, 1.0f, false); break;
    case 11:
        for (const int32_t offset : {4000, -4000}) start(WrapAdd(f, offset), 6.0f, true, 0, false, 1, 2, 25, 1.0f, false);
        break;
    case 12: start(f, 10.0f, true, 0, false, 2, 2, 15, 1.0f, true); break;
    case 13:
        for (const int32_t offset : {0, 16383, 32766, 49149}) {
            start(WrapAdd(f, offset), 9.0f, true, 0, false, 5, 2, 15, 0.9f, true);
        }
        break;
    case 14:
        for (const Shot s : {Shot{-3000, 0.5f}, Shot{0, 0.7f}, Shot{3000, 0.5f}}) {
            start(WrapAdd(f, s.offset), 6.0f, true, 0, false, 6, 6, 25, s.power, true);
        }
        break;
    case 15: {
        const int32_t base = WrapAdd(f, 160 * p->chargeShotTimer);
        for (const int32_t offset : {0, 16383, 32766, 49149}) {
            start(WrapAdd(base, offset), 2.0f, true, 0.05f, true, 7, 6, 30, 0.8f, true);
        }
        break;
    }
    case 16: start(f, 10.0f, true, -0.2f, true, 7, 8, 20, 0.9f, false); break;
    case 19: {
        const int32_t angle = GameRand() * 2;
        const int32_t speed = GameRand() % 7 + 3;
        const int32_t radius = GameRand() % 30 + 20;
        start(angle, static_cast<float>(speed), true, 0, false, 3, 3, radius, 2.4f, true);
        break;
    }
    case 20: {
        const int32_t offset = GameRand() % 2000 - 1000;
        start(WrapAdd(f, offset), 7.0f, true, 0, false, 10, 4, 80, 1.0f, true);
        break;
    }
    case 21: start(f, 9.0f, true, 0.0f, true, 7, 7, 40, 1.0f, true); break;
    default: break;
    }
}
