// Pools, rotating cursors, the passes' windows, activation, culling and the
// sweep's deletion; the spawn factory's table and map blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <typeinfo>

#include "game/objects/Items.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cMapHitObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

// Counts what the passes ask of it.
class CountingEnemy : public cEnemyObjectBase {
public:
    void Update() override { ++updates; }
    void HitTest() override { ++hits; }
    void Draw() override { ++draws; }
    int updates = 0;
    int hits = 0;
    int draws = 0;
};

class ObjectManagerTest : public ::testing::Test {
protected:
    void SetUp() override { playtest::ResetField(); }
    void TearDown() override { playtest::ClearField(); }
    cObjectManager& m = ObjectManager;

    CountingEnemy* AddEnemy(float x, float y, int32_t appear, bool active) {
        auto* e = new CountingEnemy();
        e->x = x;
        e->y = y;
        e->appearFrame = appear;
        e->isActive = active ? 1 : 0;
        e->placedOnStage = active ? 1 : 0;
        m.enemyList.push_back(e);
        return e;
    }
    int32_t Fire() {
        m.FireEnemyBullet(100, 100, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 0.0f, 0.0f);
        return m.enemyBulletCursor;
    }
};

TEST_F(ObjectManagerTest, PoolsHoldLastPlusOneObjectsWithTheirStartValues) {
    ASSERT_EQ(m.enemyBullets.size(), 1201u);
    ASSERT_EQ(m.playerBullets.size(), 381u);
    ASSERT_EQ(m.effects.size(), 701u);
    EXPECT_EQ(m.enemyBulletLast, 1200);
    EXPECT_EQ(m.effectLast, 700);
    EXPECT_EQ(m.playerBulletLast, 380);
}

TEST_F(ObjectManagerTest, EnemyBulletSlotsRunOneTo1199ThenWrap) {
    EXPECT_EQ(Fire(), 1);
    // Free every slot again so that only the cursor rule decides.
    for (int i = 2; i <= 1199; ++i) {
        m.enemyBullets[static_cast<size_t>(i - 1)]->isActive = 0;
        ASSERT_EQ(Fire(), i);
    }
    m.enemyBullets[1199]->isActive = 0;
    EXPECT_EQ(Fire(), 1);
    EXPECT_EQ(m.enemyBullets[0]->isActive, 0);
    EXPECT_EQ(m.enemyBullets[1200]->isActive, 0);
}

TEST_F(ObjectManagerTest, EnemyBulletCursorSkipsAtMostThreeBusySlots) {
    m.enemyBulletCursor = 4;
    for (int i = 5; i <= 7; ++i) m.enemyBullets[static_cast<size_t>(i)]->isActive = 1;
    EXPECT_EQ(Fire(), 8);

    m.enemyBulletCursor = 4;
    for (int i = 5; i <= 8; ++i) m.enemyBullets[static_cast<size_t>(i)]->isActive = 1;
    m.enemyBullets[8]->motionKind = static_cast<BulletMotion>(99);
    EXPECT_EQ(Fire(), 8);  // the fourth busy slot is overwritten
    EXPECT_EQ(m.enemyBullets[8]->motionKind, BulletMotion::kPlain);

    // A full pool keeps slot 1200 free: the skip stops there and wraps.
    for (auto* b : m.enemyBullets) b->isActive = 1;
    m.enemyBullets[1200]->isActive = 0;
    m.enemyBulletCursor = 1197;
    EXPECT_EQ(Fire(), 1);
}

TEST_F(ObjectManagerTest, EffectsAndShotsTakeTheNextSlotWhateverItsState) {
    for (int i = 1; i <= 699; ++i) {
        m.SpawnEffect(10, 10, effect::kShockwave, 0, 0);
        ASSERT_EQ(m.effectCursor, i);
    }
    m.SpawnEffect(10, 10, effect::kShockwave, 0, 0);
    EXPECT_EQ(m.effectCursor, 1);
    EXPECT_EQ(m.effects[0]->isActive, 0);
    EXPECT_EQ(m.effects[700]->isActive, 0);
    for (int i = 1; i <= 379; ++i) ASSERT_EQ(m.TakePlayerBulletSlot(), m.playerBullets[static_cast<size_t>(i)]);
    EXPECT_EQ(m.TakePlayerBulletSlot(), m.playerBullets[1]);
}

TEST_F(ObjectManagerTest, SevenHundredEffectStartsLeaveTheLast699) {
    for (int i = 0; i < 700; ++i) m.SpawnEffect(10, 10, effect::kShockwave, 0, 0);
    int active = 0;
    for (auto* f : m.effects) active += f->isActive;
    EXPECT_EQ(active, 699);
}

TEST_F(ObjectManagerTest, BulletCullingWindowBoundsAreInclusiveBelowExclusiveAbove) {
    ScrollX = 100.0f;
    ScrollY = -300.0f;
    const auto survives = [&](float x, float y) {
        cEnemyBulletBase* b = m.enemyBullets[10];
        b->isActive = 1;
        b->x = x;
        b->y = y;
        m.SweepObjects();
        return b->isActive == 1;
    };
    EXPECT_TRUE(survives(ScrollX + 10, ScrollY - 140.0f));
    EXPECT_FALSE(survives(ScrollX + 10, ScrollY - 140.5f));
    EXPECT_TRUE(survives(ScrollX + 799.9f, ScrollY));
    EXPECT_FALSE(survives(ScrollX + 800.0f, ScrollY));
    EXPECT_TRUE(survives(ScrollX - 160.0f, ScrollY + 619.0f));
    EXPECT_FALSE(survives(ScrollX - 160.0f, ScrollY + 620.0f));
}

TEST_F(ObjectManagerTest, ScheduledObjectsAppearShiftedAndSleepOutsideTheWindow) {
    ScrollX = 40.0f;
    ScrollY = 1000.0f;
    CountingEnemy* inView = AddEnemy(100, -40, 300, false);
    CountingEnemy* below = AddEnemy(100, 800, 300, false);
    StageFrame = 299;
    m.SweepObjects();
    EXPECT_EQ(inView->isActive, 0);
    EXPECT_FLOAT_EQ(inView->x, 100.0f);
    StageFrame = 300;
    m.SweepObjects();
    EXPECT_EQ(inView->isActive, 1);
    EXPECT_FLOAT_EQ(inView->x, 140.0f);
    EXPECT_FLOAT_EQ(inView->y, 960.0f);
    EXPECT_EQ(below->isActive, 0);  // 800 + ScrollY lies beyond ScrollY + 730
    EXPECT_FLOAT_EQ(below->y, 1800.0f);
}

TEST_F(ObjectManagerTest, ShiftHappensOnceWhileTheStageFrameStandsStill) {
    ScrollX = 0.0f;
    ScrollY = 2000.0f;
    StageFrame = 50;
    CountingEnemy* e = AddEnemy(100, 800, 50, false);
    m.SweepObjects();
    EXPECT_FLOAT_EQ(e->y, 2800.0f);
    EXPECT_EQ(e->isActive, 0);
    // The scroll is halted (a boss fight): the same stage frame sweeps again.
    for (int i = 0; i < 5; ++i) m.SweepObjects();
    EXPECT_FLOAT_EQ(e->y, 2800.0f);
    EXPECT_EQ(e->isActive, 0);
}

TEST_F(ObjectManagerTest, ActivityWindowSleepsAndWakesWithoutDeleting) {
    StageFrame = 10;
    CountingEnemy* e = AddEnemy(890, 100, 1, true);
    m.SweepObjects();
    EXPECT_EQ(e->isActive, 0);
    ASSERT_EQ(m.enemyList.size(), 1u);
    e->x = 889.9f;
    m.SweepObjects();
    EXPECT_EQ(e->isActive, 1);
    // A future appearance frame keeps the object asleep inside the window.
    CountingEnemy* later = AddEnemy(100, 100, 20, false);
    m.SweepObjects();
    EXPECT_EQ(later->isActive, 0);
}

TEST_F(ObjectManagerTest, PassesUseTheirWindows) {
    CountingEnemy* edge = AddEnemy(760, 100, 0, true);
    CountingEnemy* inside = AddEnemy(759, 100, 0, true);
    CountingEnemy* asleep = AddEnemy(100, 100, 0, false);
    m.UpdateObjects();
    m.HitTestObjects();
    m.DrawObjects();
    EXPECT_EQ(edge->updates, 1);
    EXPECT_EQ(edge->hits, 0);
    EXPECT_EQ(edge->draws, 1);
    EXPECT_EQ(inside->hits, 1);
    EXPECT_EQ(asleep->updates + asleep->hits + asleep->draws, 0);
    edge->x = 780;
    m.DrawObjects();
    EXPECT_EQ(edge->draws, 1);

    // Enemy bullets draw in -40..680 x -40..520, effects update in -100..680 x -100..540.
    playtest::QuadRecorder rec;
    m.FireEnemyBullet(679.9f, 519.9f, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 0, 0);
    m.FireEnemyBullet(680.0f, 100.0f, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 0, 0);
    m.DrawObjects();
    EXPECT_EQ(rec.quads.size(), 1u);
    m.SpawnEffect(-100, -100, effect::kShockwave, 0, 0);
    m.SpawnEffect(680, 0, effect::kShockwave, 0, 0);
    m.UpdateEffects();
    EXPECT_EQ(m.effects[1]->frame, 1);
    EXPECT_EQ(m.effects[2]->frame, 0);
    EXPECT_EQ(m.effects[2]->isActive, 1);  // frozen, not ended
}

TEST_F(ObjectManagerTest, SweepDeletesAdjacentDyingObjectsAndKeepsOrder) {
    CountingEnemy* a = AddEnemy(10, 10, 0, true);
    AddEnemy(20, 10, 0, true)->isDying = 1;
    AddEnemy(30, 10, 0, true)->isDying = 1;
    CountingEnemy* d = AddEnemy(40, 10, 0, true);
    m.SweepObjects();
    ASSERT_EQ(m.enemyList.size(), 2u);
    EXPECT_EQ(m.enemyList[0], a);
    EXPECT_EQ(m.enemyList[1], d);
}

// Each pass's window holds its left and top edges and stops short of its right and bottom ones.
TEST_F(ObjectManagerTest, EveryWindowHoldsItsLeftAndTopEdgesOnly) {
    playtest::QuadRecorder rec;
    const struct {
        const char* pass;
        float left, top, right, bottom;
        std::function<bool(float, float)> takes;
    } windows[] = {
        {"hit", -120, -120, 760, 600, [&](float x, float y) {
             CountingEnemy* e = AddEnemy(x, y, 0, true);
             m.HitTestObjects();
             return e->hits == 1;
         }},
        {"draw", -140, -140, 780, 620, [&](float x, float y) {
             CountingEnemy* e = AddEnemy(x, y, 0, true);
             m.DrawObjects();
             return e->draws == 1;
         }},
        {"shot draw", -100, -100, 680, 540, [&](float x, float y) {
             cPlayerBulletBase* b = m.playerBullets[5];
             std::tie(b->isActive, b->look, b->x, b->y) = std::make_tuple(uint8_t(1), 1, x, y);
             rec.quads.clear();
             m.DrawObjects();
             return !rec.quads.empty();
         }},
        {"map block", -40, -40, 660, 500, [&](float x, float y) {
             m.SpawnMapCell(0, int32_t(x), int32_t(y));
             m.SweepObjects();
             return m.mapBlocks.back()->isVisible == 1;
         }},
    };
    for (const auto& w : windows) {
        const float l = w.left, t = w.top, r = w.right, b = w.bottom;
        const struct {
            float x, y;
            bool in;
        } points[] = {{l, t, true},          {l - 1, t, false}, {l, t - 1, false},
                      {r - 1, b - 1, true}, {r, t, false},     {l, b, false}};
        for (const auto& p : points) {
            m.ResetForStage();
            EXPECT_EQ(w.takes(p.x, p.y), p.in) << w.pass << " at " << p.x << "," << p.y;
        }
    }
}

TEST_F(ObjectManagerTest, StageResetClearsListsPoolsAndCursors) {
    m.SpawnMapCell(0, 0, 0);
    m.SpawnStageObject(10, 10, 300, 0, 0, elements::kFire, 0, 0, 1, 5);
    Fire();
    m.SpawnEffect(1, 1, effect::kSpark, 0, 0);
    m.ResetForStage();
    EXPECT_TRUE(m.mapBlocks.empty());
    EXPECT_TRUE(m.enemyList.empty());
    EXPECT_EQ(m.enemyBullets[1]->isActive, 0);
    EXPECT_EQ(m.effects[1]->isActive, 0);
    EXPECT_EQ(m.enemyBulletCursor + m.effectCursor + m.playerBulletCursor, 0);
}

TEST_F(ObjectManagerTest, FactoryCreatesItemsBannerAndNothingForUnknownCodes) {
    struct Row {
        int32_t code;
        const std::type_info& type;
        uint8_t active;
        int32_t mode;
    };
    const Row rows[] = {
        {101, typeid(ItemScore), 1, 0}, {102, typeid(ItemLife), 1, 0},   {103, typeid(ItemScore02), 1, 0},
        {104, typeid(Item1up), 1, 0},   {110, typeid(ItemBox), 0, 1},    {111, typeid(ItemBox), 0, 2},
        {112, typeid(ItemMimick), 1, 0}, {300, typeid(StageStartEffectObj), 0, 0},
    };
    StageFrame = 300;  // created on their own frame, as drops during play are
    for (const Row& r : rows) {
        m.SpawnStageObject(100.7f, -40.7f, r.code, 16384, 3, elements::kIce, 2.0f, 0.5f, 10.0f, 300);
        ASSERT_EQ(m.enemyList.size(), 1u) << r.code;
        cEnemyObjectBase* e = m.enemyList[0];
        EXPECT_EQ(typeid(*e), r.type) << r.code;
        EXPECT_EQ(e->isActive, r.active) << r.code;
        EXPECT_EQ(e->mode, r.mode) << r.code;
        EXPECT_EQ(e->type, r.code);
        EXPECT_FLOAT_EQ(e->x, 100.0f);
        EXPECT_FLOAT_EQ(e->y, -40.0f);  // truncated toward zero
        EXPECT_FLOAT_EQ(e->life, 10.0f);
        EXPECT_EQ(e->appearFrame, 300);
        EXPECT_EQ(e->angle, 16384);
        EXPECT_EQ(e->turn, 3);
        EXPECT_EQ(e->element, 1);
        EXPECT_FLOAT_EQ(e->speed, 2.0f);
        EXPECT_FLOAT_EQ(e->accel, 0.5f);
        m.ResetForStage();
    }
    for (int32_t code : {0, 99, 105, 150, 206, 289, 292, 299, 301, -5}) {
        m.SpawnStageObject(0, 0, code, 0, 0, elements::kFire, 0, 0, 1, 0);
        EXPECT_TRUE(m.enemyList.empty()) << code;
    }
    EXPECT_EQ(BossA, nullptr);
    EXPECT_EQ(BossB, nullptr);
}

// A line of an enemy code builds its class as its constructor leaves it (63's
// and 64's mode 0, 81's radius 640 among it), asleep, with the line's words on top.
TEST_F(ObjectManagerTest, EnemyCodesBuildTheirClassAsConstructed) {
    for (int32_t code = objecttype::kFirstEnemy; code <= objecttype::kLastEnemy; ++code) {
        SeedGameRand(uint32_t(code));  // some constructors draw from it
        const std::unique_ptr<cEnemyObjectBase> made(CreateEnemyClass(code));
        SeedGameRand(uint32_t(code));
        m.SpawnStageObject(100, 50, code, 16384, 3, elements::kIce, 2.0f, 0.5f, 10.0f, 300);
        ASSERT_TRUE(made && m.enemyList.size() == 1u) << code;
        const cEnemyObjectBase& e = *m.enemyList[0];
        EXPECT_EQ(typeid(e), typeid(*made)) << code;
        char name[16];
        std::snprintf(name, sizeof name, "cEnemy%02d", code);
        EXPECT_TRUE(std::string(typeid(e).name()).ends_with(name)) << typeid(e).name() << " for " << code;
        const auto words = [](const cEnemyObjectBase& o) {
            return std::tie(o.mode, o.radius, o.work0, o.work1, o.work2, o.work3, o.dropCode, o.touchDamage);
        };
        EXPECT_EQ(words(e), words(*made)) << code;
        EXPECT_EQ(std::tie(e.type, e.isActive, e.angle, e.turn, e.element),
                  std::make_tuple(code, uint8_t(0), 16384, 3, 1))
            << code;
        m.ResetForStage();
    }
    for (const int32_t code : {63, 64, 81}) m.SpawnStageObject(0, 0, code, 0, 0, elements::kFire, 0, 0, 1, 0);
    ASSERT_EQ(m.enemyList.size(), 3u);
    EXPECT_EQ(m.enemyList[0]->mode + m.enemyList[1]->mode, 0);
    EXPECT_EQ(m.enemyList[2]->radius, 640);
}

TEST_F(ObjectManagerTest, OutOfRangeSchedulePositionsSaturate) {
    m.SpawnStageObject(1e20f, -1e20f, 110, 0, 0, elements::kFire, 0, 0, 1, 1);
    m.SpawnStageObject(std::nanf(""), 5.9f, 110, 0, 0, elements::kFire, 0, 0, 1, 1);
    ASSERT_EQ(m.enemyList.size(), 2u);
    EXPECT_FLOAT_EQ(m.enemyList[0]->x, 2147483647.0f);
    EXPECT_FLOAT_EQ(m.enemyList[0]->y, -2147483648.0f);
    EXPECT_FLOAT_EQ(m.enemyList[1]->x, 0.0f);
    EXPECT_FLOAT_EQ(m.enemyList[1]->y, 5.0f);
}

TEST_F(ObjectManagerTest, TwoPlayerLifeIsHalfAgain) {
    GameState.twoPlayer = 1;
    m.SpawnStageObject(0, 0, 110, 0, 0, elements::kFire, 0, 0, 10.0f, 1);
    EXPECT_FLOAT_EQ(m.enemyList[0]->life, 15.0f);
}

// The items created active: a drop (its frame is the stage frame) stands at
// its stage position at once and is never shifted; one a schedule places on a
// later frame sleeps until then and appears shifted by the scroll, like every
// scheduled object; one scheduled on the stage's first frame stands at once.
TEST_F(ObjectManagerTest, ItemsCreatedActiveWaitForAFrameStillAhead) {
    struct Case {
        const char* name;
        int32_t createdAt;  // stage frame at creation
        int32_t appear;
        bool activeAtOnce;
        float x, y;              // as created
        float appearX, appearY;  // where it stands once its frame has come
    };
    // The view stands at (40, 1000) from frame 0 on.
    const Case cases[] = {
        {"a drop during play", 7, 7, true, 300.0f, 1100.0f, 300.0f, 1100.0f},
        {"a schedule's later frame", 0, 300, false, 300.0f, 100.0f, 340.0f, 1100.0f},
        {"a schedule's first frame", 0, 0, true, 300.0f, 1100.0f, 300.0f, 1100.0f},
    };
    for (int32_t code : {101, 102, 103, 104, 112}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << code << ": " << c.name);
            m.ResetForStage();
            ScrollX = 40.0f;
            ScrollY = 1000.0f;
            StageFrame = c.createdAt;
            m.SpawnStageObject(c.x, c.y, code, 0, 0, elements::kFire, 0, 0, 1, c.appear);
            ASSERT_EQ(m.enemyList.size(), 1u);
            cEnemyObjectBase* e = m.enemyList[0];
            EXPECT_EQ(e->isActive, c.activeAtOnce ? 1 : 0);
            for (; StageFrame < c.appear; ++StageFrame) {
                m.SweepObjects();
                ASSERT_EQ(e->isActive, 0) << "frame " << StageFrame;
                ASSERT_FLOAT_EQ(e->y, c.y);
            }
            m.SweepObjects();
            EXPECT_EQ(e->isActive, 1);
            EXPECT_FLOAT_EQ(e->x, c.appearX);
            EXPECT_FLOAT_EQ(e->y, c.appearY);
            // The scroll halts on the frame: it is shifted once. Then it drifts
            // out of the window and sleeps, and back in and wakes, unshifted.
            for (int i = 0; i < 3; ++i) m.SweepObjects();
            EXPECT_FLOAT_EQ(e->y, c.appearY);
            e->y = 5000.0f;
            m.SweepObjects();
            EXPECT_EQ(e->isActive, 0);
            e->y = c.appearY;
            m.SweepObjects();
            m.SweepObjects();
            EXPECT_EQ(e->isActive, 1);
            EXPECT_FLOAT_EQ(e->x, c.appearX);
            EXPECT_FLOAT_EQ(e->y, c.appearY);
        }
    }
}

TEST_F(ObjectManagerTest, MapCellsBecomeBlocksOfTheirKind) {
    const int32_t kinds[5] = {0, 3, 1, 9, 7};
    for (int32_t code = 0; code < 5; ++code) m.SpawnMapCell(code, 40 * code, 80);
    m.SpawnMapCell(4, 120, 200);  // cell value 5 at column 3
    m.SpawnMapCell(6, 0, 0);
    m.SpawnMapCell(-1, 0, 0);
    ASSERT_EQ(m.mapBlocks.size(), 6u);
    for (int32_t code = 0; code < 5; ++code) EXPECT_EQ(m.mapBlocks[static_cast<size_t>(code)]->blockKind, kinds[code]);
    const cMapHitObjectBase& b = *m.mapBlocks[5];
    EXPECT_EQ(b.blockKind, 7);
    EXPECT_EQ(b.boxLeft, 120);
    EXPECT_EQ(b.boxTop, 200);
    EXPECT_EQ(b.boxRight, 160);
    EXPECT_EQ(b.boxBottom, 240);
    // Code 5 asks for enemy type 43, whose class joins with the enemies.
    m.SpawnMapCell(5, 0, 0);
    EXPECT_EQ(m.mapBlocks.size(), 6u);
}

}  // namespace
