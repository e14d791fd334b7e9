// The pick-up items, the breakable item boxes and the stage-title banner:
// enemy-list objects that are not enemies.
#pragma once

#include "game/objects/cEnemyObjectBase.h"

// Touched by a player: score and gauge; drifts toward a player of its element.
class ItemScore : public cEnemyObjectBase {
public:
    ItemScore();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

class ItemScore02 : public ItemScore {
public:
    void HitTest() override;
    void Draw() override;
};

// Touched: one point of life.
class ItemLife : public ItemScore {
public:
    void HitTest() override;
    void Draw() override;
};

// Touched: one stock.
class Item1up : public ItemScore {
public:
    void HitTest() override;
    void Draw() override;
};

// Shot open: drops an ItemScore (mode 1) or an ItemLife (mode 2).
class ItemBox : public cEnemyObjectBase {
public:
    ItemBox();
    void Update() override;
    void HitTest() override;
    void Draw() override;
};

// Shot open: a ring of thirty bullets.
class ItemMimick : public ItemBox {
public:
    ItemMimick();
    void HitTest() override;
};

// The stage-title banner: a band and two title lines that slide in, rest,
// slide on and fade.
class StageStartEffectObj : public cEnemyObjectBase {
public:
    StageStartEffectObj();
    void Update() override;
    void HitTest() override;
    void Draw() override;

    int32_t titleTop;
};
