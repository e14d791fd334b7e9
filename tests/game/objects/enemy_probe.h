// Shared by the enemy-class tests: a field with one player, enemies placed
// active at stage positions, and a record of every bullet an Update fires.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/enemy_field.h"
#include "tests/game/objects/play_harness.h"

namespace enemytest {

struct Fired {
    int32_t step;  // the Update call that fired it, from 1
    int32_t motion, graphic, angle, turn, element;
    float speed, accel, x, y;
};

class EnemyField : public EnemyFieldBase {
protected:
    void SetUp() override {
        playtest::ResetField(21);
        playtest::StartPlayers(1, false, 320, 300);
    }

    // Created by the factory as a schedule line makes it, then placed active.
    cEnemyObjectBase* Spawn(int32_t type, float x, float y, int32_t angle = 16384, int32_t turn = 0,
                            int32_t element = 1, float speed = 0.0f, float accel = 0.0f, float life = 10.0f) {
        return SpawnActive(type, x, y, angle, turn, element, speed, accel, life);
    }
    // Runs Update steps times; every bullet it fires is recorded in firing order.
    std::vector<Fired> Run(cEnemyObjectBase* e, int32_t steps) {
        return Record(steps, [e] { e->Update(); });
    }
    // Runs `step` steps times on an empty bullet pool, recording every bullet
    // each call fires, in firing order.
    template <class Step>
    std::vector<Fired> Record(int32_t steps, Step step) {
        std::vector<Fired> out;
        for (int32_t s = 1; s <= steps; ++s) {
            for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
            m.enemyBulletCursor = 0;
            step();
            for (int32_t i = 1; i <= m.enemyBulletCursor; ++i) {
                const cEnemyBulletBase* b = m.enemyBullets[size_t(i)];
                if (!b->isActive) continue;
                out.push_back(Fired{s, static_cast<int32_t>(b->motionKind), static_cast<int32_t>(b->graphicKind),
                                    b->angle, b->turn, b->element, b->speed, b->accel, b->x, b->y});
            }
        }
        return out;
    }
    void PlacePlayer(cPlayerBase* p, float x, float y) {
        p->SetPosition(static_cast<int32_t>(x), static_cast<int32_t>(y));
        p->aimX = p->x = x;
        p->aimY = p->y = y;
        p->UpdateBox();
    }
    static std::vector<int32_t> Steps(const std::vector<Fired>& shots) {
        std::vector<int32_t> out;
        for (const Fired& f : shots)
            if (out.empty() || out.back() != f.step) out.push_back(f.step);
        return out;
    }
};

}  // namespace enemytest
