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
#include "game/shell/GameGlobals.h"
#include "game/shell/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace enemytest {

struct Fired {
    int32_t step;  // the Update call that fired it, from 1
    int32_t motion, graphic, angle, turn, element;
    float speed, accel, x, y;
};

class EnemyField : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(21);
        playtest::StartPlayers(1, false, 320, 300);
    }
    void TearDown() override { playtest::ClearField(); }

    // Created by the factory as a schedule line makes it, then placed active.
    cEnemyObjectBase* Spawn(int32_t type, float x, float y, int32_t angle = 16384, int32_t turn = 0,
                            int32_t element = 1, float speed = 0.0f, float accel = 0.0f, float life = 10.0f) {
        const size_t before = m.enemyList.size();
        m.SpawnStageObject(x, y, type, angle, turn, element, speed, accel, life, StageFrame);
        if (m.enemyList.size() == before) return nullptr;
        cEnemyObjectBase* e = m.enemyList.back();
        e->isActive = 1;
        e->placedOnStage = 1;
        return e;
    }
    // Runs Update steps times; every bullet it fires is recorded in firing order.
    std::vector<Fired> Run(cEnemyObjectBase* e, int32_t steps) {
        std::vector<Fired> out;
        for (int32_t s = 1; s <= steps; ++s) {
            for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
            m.enemyBulletCursor = 0;
            e->Update();
            for (int32_t i = 1; i <= m.enemyBulletCursor; ++i) {
                const cEnemyBulletBase* b = m.enemyBullets[size_t(i)];
                if (!b->isActive) continue;
                out.push_back(Fired{s, b->motionKind, b->graphicKind, b->angle, b->turn, b->element, b->speed,
                                    b->accel, b->x, b->y});
            }
        }
        return out;
    }
    cPlayerBulletBase* Shot(float x, float y, int32_t element, float power = 1.0f, int32_t owner = 0) {
        playtest::PlaceShot(x, y, element, power, owner);
        return m.playerBullets[size_t(m.playerBulletCursor)];
    }
    // Enemy-list objects of a type, in list order.
    std::vector<cEnemyObjectBase*> OfType(int32_t type) const {
        std::vector<cEnemyObjectBase*> out;
        for (cEnemyObjectBase* e : m.enemyList)
            if (e->type == type) out.push_back(e);
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
    cObjectManager& m = ObjectManager;
};

}  // namespace enemytest
