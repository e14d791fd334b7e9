// The enemy classes of type codes 1 to 49 and the parts their bodies share:
// bullet starts from the enemy's position, aiming at either player, and the
// shot loop of the classes with their own hit test.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/objects/EnemyParts.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"

class cPlayerBase;

// The four-direction walker of 01, 02, 06 and 17, with its right-heading strip.
void DrawWalker(const cEnemyObjectBase& e, int32_t column, const EnemyLook& right);

// The Update of 32, 33, 39 and 87: count the frame, move.
void CountAndMove(cEnemyObjectBase& e);
// Bodies that later classes share with these.
void DrawUpright(cEnemyObjectBase& e);     // 03, 05, 85 (work0 counts)
void DrawRound(cEnemyObjectBase& e);       // 04, 46, 77 (work1 counts)
void DrawLarge(cEnemyObjectBase& e);       // 21, 89 (work0 turns)
void DrawWall(const cEnemyObjectBase& e);  // 28, 36, 72
void BlockUpdate(cEnemyObjectBase& e);     // 31, 76
void DrawBlock(const cEnemyObjectBase& e); // 31, 76

// The hit test of 06, 07, 08, 14 and 23: no hit flash, the element kept and
// the small score item dropped at death whatever dropCode holds. before runs on a touch,
// after once the shot is consumed; deathSound may be kNoSound.
template <class Before, class After>
void PlainDropHitTest(cEnemyObjectBase& e, uint32_t deathSound, Before before, After after);

class cEnemy01 : public cEnemyObjectBase {
public:
    cEnemy01();
    void Update() override;
    void Draw() override;
};

class cEnemy02 : public cEnemyObjectBase {
public:
    cEnemy02();
    void Update() override;
    void Draw() override;
};

class cEnemy03 : public cEnemyObjectBase {
public:
    cEnemy03();
    void Update() override;
    void Draw() override;
};

class cEnemy04 : public cEnemyObjectBase {
public:
    cEnemy04();
    void Update() override;
    void Draw() override;
};

class cEnemy05 : public cEnemyObjectBase {
public:
    cEnemy05();
    void Update() override;
    void Draw() override;
};

class cEnemy06 : public cEnemyObjectBase {
public:
    cEnemy06();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy07 : public cEnemyObjectBase {
public:
    cEnemy07();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy08 : public cEnemyObjectBase {
public:
    cEnemy08();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy09 : public cEnemyObjectBase {
public:
    cEnemy09();
    void Update() override;
    void Draw() override;
};

class cEnemy10 : public cEnemyObjectBase {
public:
    cEnemy10();
    void Update() override;
    void Draw() override;
};

class cEnemy11 : public cEnemyObjectBase {
public:
    cEnemy11();
    void Update() override;
    void Draw() override;
};

class cEnemy12 : public cEnemyObjectBase {
public:
    cEnemy12();
    void Update() override;
    void Draw() override;
};

class cEnemy13 : public cEnemyObjectBase {
public:
    cEnemy13();
    void Update() override;
    void Draw() override;
};

class cEnemy14 : public cEnemyObjectBase {
public:
    cEnemy14();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy15 : public cEnemyObjectBase {
public:
    cEnemy15();
    void Update() override;
    void Draw() override;
};

class cEnemy16 : public cEnemyObjectBase {
public:
    cEnemy16();
    void Update() override;
    void Draw() override;
};

class cEnemy17 : public cEnemyObjectBase {
public:
    cEnemy17();
    void Update() override;
    void Draw() override;
};

class cEnemy18 : public cEnemyObjectBase {
public:
    cEnemy18();
    void Update() override;
    void Draw() override;
};

class cEnemy19 : public cEnemyObjectBase {
public:
    cEnemy19();
    void Update() override;
    void Draw() override;
};

class cEnemy20 : public cEnemyObjectBase {
public:
    cEnemy20();
    void Update() override;
    void Draw() override;
};

class cEnemy21 : public cEnemyObjectBase {
public:
    cEnemy21();
    void Update() override;
    void Draw() override;
};

class cEnemy22 : public cEnemyObjectBase {
public:
    cEnemy22();
    void Update() override;
    void Draw() override;
};

class cEnemy23 : public cEnemyObjectBase {
public:
    cEnemy23();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy24 : public cEnemyObjectBase {
public:
    cEnemy24();
    void Update() override;
    void Draw() override;
};

class cEnemy25 : public cEnemyObjectBase {
public:
    cEnemy25();
    void Update() override;
    void Draw() override;
};

class cEnemy26 : public cEnemyObjectBase {
public:
    cEnemy26();
    void Update() override;
    void Draw() override;
};

class cEnemy27 : public cEnemyObjectBase {
public:
    cEnemy27();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy28 : public cEnemyObjectBase {
public:
    cEnemy28();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy29 : public cEnemyObjectBase {
public:
    cEnemy29();
    void Update() override;
    void Draw() override;
};

class cEnemy30 : public cEnemyObjectBase {
public:
    cEnemy30();
    void Update() override;
    void Draw() override;
};

class cEnemy31 : public cEnemyObjectBase {
public:
    cEnemy31();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy32 : public cEnemyObjectBase {
public:
    cEnemy32();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy33 : public cEnemyObjectBase {
public:
    cEnemy33();
    void Update() override;
    void Draw() override;
};

class cEnemy34 : public cEnemyObjectBase {
public:
    cEnemy34();
    void Update() override;
    void Draw() override;
};

class cEnemy35 : public cEnemyObjectBase {
public:
    cEnemy35();
    void Update() override;
    void Draw() override;
};

class cEnemy36 : public cEnemyObjectBase {
public:
    cEnemy36();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy37 : public cEnemyObjectBase {
public:
    cEnemy37();
    void Update() override;
    void Draw() override;
};

class cEnemy38 : public cEnemyObjectBase {
public:
    cEnemy38();
    void Update() override;
    void Draw() override;
};

class cEnemy39 : public cEnemyObjectBase {
public:
    cEnemy39();
    void Update() override;
    void Draw() override;
};

class cEnemy40 : public cEnemyObjectBase {
public:
    cEnemy40();
    void Update() override;
    void Draw() override;
};

class cEnemy41 : public cEnemyObjectBase {
public:
    cEnemy41();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy42 : public cEnemyObjectBase {
public:
    cEnemy42();
    void Update() override;
    void Draw() override;
};

class cEnemy43 : public cEnemyObjectBase {
public:
    cEnemy43();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy44 : public cEnemyObjectBase {
public:
    cEnemy44();
    void Update() override;
    void Draw() override;
};

class cEnemy45 : public cEnemyObjectBase {
public:
    cEnemy45();
    void Update() override;
    void Draw() override;
};

class cEnemy46 : public cEnemyObjectBase {
public:
    cEnemy46();
    void Update() override;
    void Draw() override;
};

class cEnemy47 : public cEnemyObjectBase {
public:
    cEnemy47();
    void Update() override;
    void Draw() override;
};

class cEnemy48 : public cEnemyObjectBase {
public:
    cEnemy48();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class cEnemy49 : public cEnemyObjectBase {
public:
    cEnemy49();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

template <class Before, class After>
void PlainDropHitTest(cEnemyObjectBase& e, uint32_t deathSound, Before before, After after) {
    ForEachTouchingShot(e, [&](cPlayerBulletBase& b) {
        before(b);
        TakeShotByElement(e, b);
        b.isActive = 0;
        after(b);
        if (e.life <= 0.0f && e.isDying == 0) {
            PayShooter(e, b);
            PlaySe(deathSound);
            e.isDying = 1;
            ObjectManager.SpawnEffectBurst(effect::kExplosionBurst, e.element, static_cast<int32_t>(e.x),
                                           static_cast<int32_t>(e.y));
            ObjectManager.SpawnStageObject(e.x, e.y, objecttype::kSmallScoreItem, 0, 0, e.element, 0.0f, 0.0f, 1.0f,
                                           StageFrame);
        }
    });
}
