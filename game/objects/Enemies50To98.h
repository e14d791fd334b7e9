// The enemy classes of type codes 50 to 98: shooters, field pieces that act on
// the players directly, moving walls, pictures shown by the schedule, and
// enemies that turn into other enemies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/objects/EnemyParts.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"

class cPlayerBase;

// a - b, wrapping like the turning words it serves.
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
// Facing for two-facing sheets: 16384 <= angle <= 49144 is the first facing.
inline bool FacesFirstWay(int32_t angle) { return angle >= 16384 && angle <= 49144; }

// The explosion with its debris at the enemy, of its element.
void Explode(const cEnemyObjectBase& e);
// A player of the enemy's element takes gauge and absorbed bullets; any other
// takes the damage. Answers true when it fed.
bool FeedOrHurt(const cEnemyObjectBase& e, cPlayerBase& p, float gauge, int32_t count, int32_t damage);
// Every active enemy-list object explodes (value = element) and dies; a local
// index, so the manager's passes are not disturbed.
void ExplodeActiveEnemies(elements::Kind element);

// The shot test shared by the enemies with their own hit rules: circle test,
// bursts, damage by element, the shot consumed, the flash when asked. Calls
// onHit(shot) after each hit. The manager's inner index ends at the list length.
struct ShotRules {
    bool commonSounds;
    bool flash;
};
template <class OnHit>
void TestShots(cEnemyObjectBase& e, ShotRules rules, OnHit onHit);
void ApplyShot(cEnemyObjectBase& e, cPlayerBulletBase& b, ShotRules rules);


// Draw bodies that several codes share.
void DrawShard(cEnemyObjectBase& e);                                              // 50, 94
void DrawRoundCreature(cEnemyObjectBase& e, int32_t& counter, uint32_t colour);   // 53, 55, 68, 69, 90
void DrawFigure(cEnemyObjectBase& e, int32_t& counter);                           // 54, 93
void DrawGuardianCell(cEnemyObjectBase& e, int32_t& counter, int32_t rotation);   // 56, 64, 83
void DrawDisc(cEnemyObjectBase& e, int32_t& rotation);                            // 58, 61, 66, 67, 82
void DrawBall(cEnemyObjectBase& e, int32_t& rotation);                            // 60, 63, 86
void DrawOrb(cEnemyObjectBase& e);                                                // 73, 74, 97, 98
void DrawChargeField(cEnemyObjectBase& e, int32_t& counter, float half);          // 62, 88
// The orbs' Update: one bullet at the release frame, then gone.
void ReleaseOrbAt100(cEnemyObjectBase& e);                                        // 97, 98

#define QUENRITH_ENEMY(Name)       \
    class Name : public cEnemyObjectBase { \
    public:                        \
        Name();                    \
        void Update() override;    \
        void Draw() override;      \
    }
#define QUENRITH_ENEMY_OWN_HIT(Name) \
    class Name : public cEnemyObjectBase { \
    public:                          \
        Name();                      \
        void Update() override;      \
        void HitTest() override;     \
        void Draw() override;        \
    }

QUENRITH_ENEMY(cEnemy50);
QUENRITH_ENEMY_OWN_HIT(cEnemy51);
QUENRITH_ENEMY(cEnemy52);
QUENRITH_ENEMY(cEnemy53);
QUENRITH_ENEMY(cEnemy54);
QUENRITH_ENEMY(cEnemy55);
QUENRITH_ENEMY_OWN_HIT(cEnemy56);
QUENRITH_ENEMY(cEnemy57);
QUENRITH_ENEMY(cEnemy58);
QUENRITH_ENEMY(cEnemy59);
QUENRITH_ENEMY(cEnemy60);
QUENRITH_ENEMY_OWN_HIT(cEnemy61);
QUENRITH_ENEMY_OWN_HIT(cEnemy62);
QUENRITH_ENEMY_OWN_HIT(cEnemy63);
QUENRITH_ENEMY(cEnemy64);

class cEnemy65 : public cEnemyObjectBase {
public:
    cEnemy65();
    void Update() override;
    void HitTest() override;
    void Draw() override;
    int32_t spin;
};

QUENRITH_ENEMY_OWN_HIT(cEnemy66);
QUENRITH_ENEMY(cEnemy67);
QUENRITH_ENEMY(cEnemy68);

class cEnemy69 : public cEnemyObjectBase {
public:
    cEnemy69();
    void Update() override;
    void Draw() override;
    int32_t aim;
};

class cEnemy70 : public cEnemyObjectBase {
public:
    cEnemy70();
    void Update() override;
    void HitTest() override;
    void Draw() override;
    // The strikes of a cycle: one every kStrikeEvery frames from kFirstStrike,
    // each on a band of its own element.
    static constexpr int32_t kStrikes = 7, kFirstStrike = 160, kStrikeEvery = 60;
    elements::Kind bandElement[kStrikes];
    int32_t drawCount;
};

QUENRITH_ENEMY_OWN_HIT(cEnemy71);
QUENRITH_ENEMY_OWN_HIT(cEnemy72);
QUENRITH_ENEMY_OWN_HIT(cEnemy73);
QUENRITH_ENEMY_OWN_HIT(cEnemy74);
QUENRITH_ENEMY_OWN_HIT(cEnemy75);
QUENRITH_ENEMY_OWN_HIT(cEnemy76);
QUENRITH_ENEMY(cEnemy77);
QUENRITH_ENEMY(cEnemy78);
QUENRITH_ENEMY(cEnemy79);

class cEnemy80 : public cEnemyObjectBase {
public:
    cEnemy80();
    void Update() override;
    void HitTest() override;
    void Draw() override;
    uint8_t soundPlayed;
};

QUENRITH_ENEMY_OWN_HIT(cEnemy81);
QUENRITH_ENEMY(cEnemy82);
QUENRITH_ENEMY(cEnemy83);
QUENRITH_ENEMY_OWN_HIT(cEnemy84);
QUENRITH_ENEMY(cEnemy85);
QUENRITH_ENEMY_OWN_HIT(cEnemy86);
QUENRITH_ENEMY(cEnemy87);
QUENRITH_ENEMY_OWN_HIT(cEnemy88);
QUENRITH_ENEMY(cEnemy89);

class cEnemy90 : public cEnemyObjectBase {
public:
    cEnemy90();
    void Update() override;
    void Draw() override;
    int32_t period;
};

QUENRITH_ENEMY_OWN_HIT(cEnemy91);
QUENRITH_ENEMY(cEnemy92);
QUENRITH_ENEMY_OWN_HIT(cEnemy93);
QUENRITH_ENEMY(cEnemy94);
QUENRITH_ENEMY(cEnemy95);
QUENRITH_ENEMY(cEnemy96);
QUENRITH_ENEMY_OWN_HIT(cEnemy97);
QUENRITH_ENEMY_OWN_HIT(cEnemy98);

#undef QUENRITH_ENEMY
#undef QUENRITH_ENEMY_OWN_HIT

// ---------------------------------------------------------------------------

template <class OnHit>
void TestShots(cEnemyObjectBase& e, ShotRules rules, OnHit onHit) {
    ForEachTouchingShot(e, [&](cPlayerBulletBase& b) {
        ApplyShot(e, b, rules);
        onHit(b);
    });
}
