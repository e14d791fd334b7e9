// Helpers for the enemy class tests: spawn an enemy through the factory,
// step it frame by frame and read back what it fired.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "tests/game/objects/enemy_field.h"
#include "tests/game/objects/play_harness.h"

namespace enemytest {

// A bullet as it left the enemy.
struct Fired {
    int32_t frame;
    float x, y;
    int32_t motion, graphic, angle, turn, element;
    float speed, accel;
};

struct Spawn {
    int32_t type;
    float x = 320, y = 100;
    int32_t angle = 16384, turn = 0, element = 0;
    float speed = 0, accel = 0, life = 10;
};

class EnemyTest : public EnemyFieldBase {
protected:
    void SetUp() override {
        playtest::ResetField(3);
        playtest::StartPlayers(1, false, 320, 400);
    }
    void TwoPlayers(float x2 = 100, float y2 = 400) {
        playtest::ClearField();
        playtest::ResetField(3);
        playtest::StartPlayers(1, true, 320, 400);
        Place(Player2, x2, y2);
    }
    static void Place(cPlayerBase* p, float px, float py) {
        p->SetPosition(static_cast<int32_t>(px), static_cast<int32_t>(py));
        p->aimX = px;
        p->aimY = py;
        p->UpdateBox();
    }

    // Through the factory, awake at its place (the view at 0, 0).
    cEnemyObjectBase* Make(const Spawn& s) {
        cEnemyObjectBase* e = SpawnActive(s.type, s.x, s.y, s.angle, s.turn, s.element, s.speed, s.accel, s.life);
        EXPECT_NE(e, nullptr);
        return e;
    }
    // Clears the pool, runs one Update and answers the bullets it fired, in order.
    std::vector<Fired> Step(cEnemyObjectBase* e) {
        for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
        const int32_t from = m.enemyBulletCursor;
        e->Update();
        return Collect(from, e->frame);
    }
    std::vector<Fired> Collect(int32_t from, int32_t frame) const {
        std::vector<Fired> out;
        const int32_t n = static_cast<int32_t>(m.enemyBullets.size());
        for (int32_t k = 1; k < n; ++k) {
            const int32_t i = (from + k) % n;
            const cEnemyBulletBase* b = m.enemyBullets[static_cast<size_t>(i)];
            if (!b->isActive) continue;
            out.push_back({frame, b->x, b->y, static_cast<int32_t>(b->motionKind),
                           static_cast<int32_t>(b->graphicKind), b->angle, b->turn, b->element, b->speed, b->accel});
        }
        return out;
    }
    // Runs `frames` Updates; answers every bullet with the frame count after its Update.
    std::vector<Fired> Run(cEnemyObjectBase* e, int32_t frames) {
        std::vector<Fired> all;
        for (int32_t i = 1; i <= frames; ++i) {
            std::vector<Fired> now = Step(e);
            for (Fired& f : now) f.frame = i;
            all.insert(all.end(), now.begin(), now.end());
        }
        return all;
    }
    // Steps until the enemy dies or `frames` have run; checks each volley and
    // answers the frames between volleys (the first from frame 0).
    template <class Check>
    std::vector<int32_t> VolleyGaps(cEnemyObjectBase* e, int32_t frames, Check check) {
        std::vector<int32_t> gaps;
        int32_t last = 0;
        for (int32_t f = 1; f <= frames && !e->isDying; ++f) {
            const std::vector<Fired> now = Step(e);
            if (now.empty()) continue;
            check(now);
            gaps.push_back(f - last);
            last = f;
        }
        return gaps;
    }
    // Frames as the manager runs them for an enemy in both windows: Update, then HitTest.
    static void Live(cEnemyObjectBase* e, int32_t frames) {
        for (int32_t i = 0; i < frames; ++i) {
            e->Update();
            e->HitTest();
        }
    }
    static std::vector<int32_t> FramesOf(const std::vector<Fired>& shots) {
        std::vector<int32_t> out;
        for (const Fired& f : shots)
            if (out.empty() || out.back() != f.frame) out.push_back(f.frame);
        return out;
    }
    static int32_t CountAt(const std::vector<Fired>& shots, int32_t frame) {
        int32_t n = 0;
        for (const Fired& f : shots) n += f.frame == frame;
        return n;
    }
    int32_t ActiveEffectsOfKind(int32_t kind) const {
        int32_t n = 0;
        for (const cEffectObjectBase* f : m.effects) n += f->isActive && f->kind == kind;
        return n;
    }
};

}  // namespace enemytest
