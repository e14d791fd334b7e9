// The field every enemy-class test fixture starts from: enemies made by the
// factory as a schedule line makes them and placed active, player shots, and
// the enemy list read back by type.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "tests/game/objects/play_harness.h"

namespace enemytest {

class EnemyFieldBase : public ::testing::Test {
protected:
    void TearDown() override { playtest::ClearField(); }

    // Through the factory, awake at its place; null when the factory made nothing.
    cEnemyObjectBase* SpawnActive(int32_t type, float x, float y, int32_t angle, int32_t turn, int32_t element,
                                  float speed, float accel, float life) {
        const size_t before = m.enemyList.size();
        m.SpawnStageObject(x, y, type, angle, turn, elements::FromNumber(element), speed, accel, life, StageFrame);
        if (m.enemyList.size() == before) return nullptr;
        cEnemyObjectBase* e = m.enemyList.back();
        e->isActive = 1;
        e->placedOnStage = 1;
        return e;
    }
    cPlayerBulletBase* Shot(float x, float y, int32_t element, float power = 1.0f, int32_t owner = 0) {
        playtest::PlaceShot(x, y, element, power, owner);
        return m.playerBullets[static_cast<size_t>(m.playerBulletCursor)];
    }
    // Enemy-list objects of a type, in list order.
    std::vector<cEnemyObjectBase*> OfType(int32_t type) const {
        std::vector<cEnemyObjectBase*> out;
        for (cEnemyObjectBase* e : m.enemyList)
            if (e->type == type) out.push_back(e);
        return out;
    }
    cObjectManager& m = ObjectManager;
};

}  // namespace enemytest
