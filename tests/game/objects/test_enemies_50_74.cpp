// Enemies 50 to 74: fire schedules, rings, the guardian and the field clear,
// the charge fields and the band strike, element flips, walls and summons.
#include <cmath>
#include <typeinfo>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies50To98.h"
#include "game/objects/Items.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/enemy_steps.h"

namespace {

using enemytest::EnemyTest;
using enemytest::Fired;
using enemytest::Spawn;

TEST_F(EnemyTest, ConstructionValuesOfTheRows) {
    struct Row {
        int32_t type, radius, score, dropCode, touchDamage, solid;
    };
    const Row rows[] = {{50, 5, 100, 1, 1, 0},    {51, 10, 100, 1, 1, 0},  {52, 20, 100, 1, 1, 0},
                        {53, 20, 100, 1, 1, 0},   {54, 20, 100, 1, 1, 0},  {55, 20, 100, 1, 1, 0},
                        {56, 25, 100, 2, 1, 0},   {57, 20, 100, 1, 1, 0},  {58, 30, 100, 0, 1, 0},
                        {59, 30, 100, 0, 1, 0},   {60, 30, 100, 0, 1, 0},  {61, 30, 100, 0, 0, 0},
                        {62, 50, 100, 0, 1, 0},   {63, 30, 100, 0, 1, 0},  {64, 30, 100, 0, 1, 0},
                        {65, 30, 100, 0, 1, 0},   {66, 30, 100, 0, 1, 0},  {67, 20, 100, 0, 1, 0},
                        {68, 20, 100, 1, 0, 0},   {69, 20, 100, 2, 0, 0},  {70, 20, 100, 0, 0, 0},
                        {71, 0, 100, 0, 0, 0},    {72, 120, 100, 0, 0, 1}, {73, 15, 100, 0, 1, 0},
                        {74, 15, 100, 0, 1, 0},   {75, 12, 100, 0, 1, 0},  {76, 40, 100, 0, 0, 1},
                        {77, 20, 100, 1, 1, 0},   {78, 24, 100, 1, 1, 0},  {79, 12, 100, 1, 1, 0},
                        {80, 0, 100, 0, 0, 0},    {81, 640, 100, 0, 0, 0}, {82, 40, 100, 0, 0, 0},
                        {83, 30, 100, 0, 1, 0},   {84, 80, 100, 0, 0, 0},  {85, 18, 100, 0, 1, 0},
                        {86, 18, 100, 0, 1, 0},   {87, 24, 100, 0, 1, 0},  {88, 40, 100, 0, 1, 0},
                        {89, 80, 3000, 3, 1, 0},  {90, 18, 100, 0, 1, 0},  {91, 20, 100, 0, 1, 0},
                        {92, 20, 500, 0, 1, 0},   {93, 20, 3000, 0, 1, 0}, {94, 5, 100, 1, 1, 0},
                        {95, 14, 100, 1, 1, 0},   {96, 14, 100, 1, 0, 0},  {97, 5, 100, 1, 0, 0},
                        {98, 5, 100, 1, 0, 0}};
    for (const Row& r : rows) {
        cEnemyObjectBase* e = Make({r.type});
        ASSERT_NE(e, nullptr) << r.type;
        EXPECT_EQ(e->type, r.type);
        EXPECT_EQ(e->radius, r.radius) << r.type;
        EXPECT_EQ(e->score, r.score) << r.type;
        EXPECT_EQ(e->dropCode, r.dropCode) << r.type;
        EXPECT_EQ(e->touchDamage, r.touchDamage) << r.type;
        EXPECT_EQ(e->solid, r.solid) << r.type;
    }
    EXPECT_EQ(CreateEnemyClass(99), nullptr);
}

TEST_F(EnemyTest, ShardSpeedsUpOnlyBelowTwoAndAHalf) {
    cEnemyObjectBase* e = Make({50, 320, 100, 0, 0, 0, 2.0f, 0.5f});
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 322.0f);
    EXPECT_FLOAT_EQ(e->speed, 2.5f);
    e->Update();
    EXPECT_FLOAT_EQ(e->speed, 2.5f);
}

TEST_F(EnemyTest, Enemy51AimsAtFrameTwoAndBreaksIntoARingWithAnItem) {
    cEnemyObjectBase* e = Make({51, 320, 100, 0, 0, 1, 0.0f, 0.0f, 1.0f});
    Step(e);
    EXPECT_EQ(e->angle, 0);
    Step(e);
    EXPECT_EQ(e->angle, 16384);  // player 1 is straight below
    e->dropCode = 0;             // the item comes anyway
    for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
    const int32_t from = m.enemyBulletCursor;
    Shot(320, 100, 0, 2.0f);
    e->HitTest();
    const std::vector<Fired> ring = Collect(from, 0);
    ASSERT_EQ(ring.size(), 20u);
    EXPECT_EQ(ring.front().angle, 16384 + 3276);
    EXPECT_EQ(ring.back().angle, 16384 + 65520);
    EXPECT_EQ(ring.back().motion, 7);
    EXPECT_EQ(ring.back().graphic, 3);
    EXPECT_FLOAT_EQ(ring.back().speed, 5.0f);
    EXPECT_FLOAT_EQ(ring.back().accel, -0.04f);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 100);
    ASSERT_EQ(OfType(103).size(), 1u);
    EXPECT_EQ(OfType(103)[0]->element, 1);
}

TEST_F(EnemyTest, Enemy52TurnsItsSummoningFanOnlyThreeTimes) {
    cEnemyObjectBase* e = Make({52});
    std::vector<int32_t> offsets;
    for (int32_t f = 1; f <= 200; ++f) {
        const int32_t before = e->work0;
        e->Update();
        if (f == 1) {
            EXPECT_EQ(e->work0, -5000);
        }
        if (f > 1 && e->work0 != before) offsets.push_back(e->work0);
    }
    EXPECT_EQ(offsets, (std::vector<int32_t>{-3000, -1000, 1000}));
}

TEST_F(EnemyTest, Enemy52SummonsThreeSmallEnemiesAtEachVolley) {
    cEnemyObjectBase* e = Make({52, 320, 100, 16384, 0, 1});
    Run(e, 40);
    const std::vector<cEnemyObjectBase*> small = OfType(49);
    ASSERT_EQ(small.size(), 3u);
    EXPECT_EQ(small[0]->angle, 16384 - 3000 - 3000);
    EXPECT_EQ(small[1]->angle, 16384 - 3000);
    EXPECT_EQ(small[2]->angle, 16384 - 3000 + 3000);
    EXPECT_EQ(small[0]->element, 1);
    EXPECT_FLOAT_EQ(small[0]->speed, 1.0f);
    EXPECT_FLOAT_EQ(small[0]->accel, 0.05f);
    EXPECT_FLOAT_EQ(small[0]->life, 2.0f);
    EXPECT_EQ(small[0]->appearFrame, StageFrame);
    Run(e, 200);
    EXPECT_EQ(OfType(49).size(), 9u);
}

TEST_F(EnemyTest, Enemy53AimsBesideItsHeadingByTheTurnField) {
    cEnemyObjectBase* e = Make({53, 320, 100, 16384, 500, 0, 1.0f});
    const std::vector<Fired> shots = Run(e, 30);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].angle, 16384 + 500 - 1000);
    EXPECT_EQ(shots[1].angle, 16384 + 500 + 1000);
    EXPECT_EQ(e->angle, 16384);  // it does not turn
}

TEST_F(EnemyTest, Enemy54ClosesARingAroundPlayerOne) {
    Place(Player1, 200, 300);
    cEnemyObjectBase* e = Make({54});
    const std::vector<Fired> ring = Run(e, 60);
    ASSERT_EQ(ring.size(), 30u);
    for (int32_t k = 1; k <= 30; ++k) {
        const Fired& b = ring[static_cast<size_t>(k - 1)];
        EXPECT_NEAR(std::hypot(b.x - 200.0f, b.y - 300.0f), 130.0f, 0.01f);
        EXPECT_EQ(b.angle, 2184 * k + 32768);
    }
    EXPECT_EQ(ring.back().angle, 65520 + 32768);
}

TEST_F(EnemyTest, Enemy55SpinsItsThreeWayStreamAndFadesIn) {
    cEnemyObjectBase* e = Make({55});
    const std::vector<Fired> shots = Run(e, 10);
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_EQ(shots[0].angle, 16384 + 500);
    EXPECT_EQ(shots[1].angle, 16384 + 500 + 22000);
    EXPECT_EQ(shots[2].angle, 16384 + 500 + 44000);
    playtest::QuadRecorder rec;
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_EQ(rec.quads[0].colour, 0x14FFFFFFu);  // alpha 2 x frame 10
}

class GuardianTest : public EnemyTest {
protected:
    cEnemyObjectBase* guardian = nullptr;
    cEnemyObjectBase* other = nullptr;
    void SetUp() override {
        EnemyTest::SetUp();
        other = Make({53, 100, 100});
        m.SpawnStageObject(150, 150, 101, 0, 0, elements::kFire, 0, 0, 1, StageFrame);  // an item on the field
        guardian = Make({56, 320, 100, 16384, 0, 1, 1.0f, 0.0f, 5.0f});
    }
};

TEST_F(GuardianTest, HaltsTheScrollAndFiresItsCycles) {
    std::vector<Fired> all = Run(guardian, 49);
    EXPECT_TRUE(all.empty());
    EXPECT_FLOAT_EQ(guardian->y, 149.0f);  // moved 49 frames
    EXPECT_EQ(ScrollHalt, 0);
    Step(guardian);
    EXPECT_EQ(ScrollHalt, 1);
    EXPECT_FLOAT_EQ(guardian->y, 149.0f);
    all = Run(guardian, 160);  // frames 51..210
    std::vector<int32_t> frames;
    for (const Fired& b : all) {
        frames.push_back(b.frame + 50);
        EXPECT_EQ(b.motion, 10);
        EXPECT_EQ(b.graphic, 7);
        EXPECT_EQ(b.turn, 18000);
        EXPECT_EQ(b.angle, 16384 - 8000);  // player 1 straight below
        EXPECT_FLOAT_EQ(b.speed, 4.0f);
        EXPECT_EQ(b.element, b.frame + 50 >= 160 ? 1 : 0);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}));
    EXPECT_EQ(guardian->work2, 1);
    EXPECT_EQ(guardian->frame, 100);
}

TEST_F(GuardianTest, SurvivingThirtySixCyclesClearsTheFieldWithoutPay) {
    Run(guardian, 50);
    for (int32_t i = 0; i < 5000 && !guardian->isDying; ++i) guardian->Update();
    EXPECT_EQ(guardian->work2, 36);
    EXPECT_EQ(guardian->isDying, 1);
    EXPECT_EQ(other->isDying, 1);
    EXPECT_EQ(OfType(101)[0]->isDying, 1);
    EXPECT_EQ(ScrollHalt, 0);
    EXPECT_EQ(Player1->score, 0);
    EXPECT_EQ(ActiveEffectsOfKind(1), 4);  // three objects, and the guardian a second time
}

TEST_F(GuardianTest, ShotDownItClearsTheFieldPaysAndDropsAnItem) {
    Run(guardian, 60);
    ASSERT_EQ(ScrollHalt, 1);
    const int32_t outer = m.outerIndex;
    Shot(320, 150, 0, 10.0f);
    guardian->HitTest();
    EXPECT_EQ(m.outerIndex, outer);  // the manager's pass is left alone
    EXPECT_EQ(guardian->isDying, 1);
    EXPECT_EQ(other->isDying, 1);
    EXPECT_EQ(ScrollHalt, 0);
    EXPECT_EQ(Player1->score, 100);
    const std::vector<cEnemyObjectBase*> items = OfType(101);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->isDying, 1);
    EXPECT_EQ(items[1]->isDying, 0);
    EXPECT_EQ(items[1]->element, 1);
    EXPECT_EQ(ActiveEffectsOfKind(1), 4);
}

TEST_F(EnemyTest, Enemy57ScattersOneBulletOfEachElement) {
    cEnemyObjectBase* e = Make({57});
    const std::vector<Fired> shots = Run(e, 8);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].element, 0);
    EXPECT_EQ(shots[1].element, 1);
    EXPECT_NE(shots[0].angle, shots[1].angle);
    EXPECT_EQ(shots[0].angle % 2, 0);
}

TEST_F(EnemyTest, Enemy58SwingsItsSpeedBackAndForth) {
    cEnemyObjectBase* e = Make({58, 320, 100, 0, 0, 0, 0.0f, 0.01f});
    Run(e, 120);
    EXPECT_NEAR(e->speed, 1.2f, 1e-4f);
    EXPECT_FLOAT_EQ(e->accel, -0.01f);
    Run(e, 240);
    EXPECT_NEAR(e->speed, -1.2f, 1e-3f);
    EXPECT_EQ(e->frame, 120);
    EXPECT_FLOAT_EQ(e->accel, 0.01f);
    const std::vector<Fired> shots = Run(e, 8);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].angle, 49145);
}

TEST_F(EnemyTest, Enemy59SweepsItsBarrelThenFollowsPlayerOne) {
    cEnemyObjectBase* e = Make({59, 320, 100, 1000, 100, 0});
    Run(e, 120);
    EXPECT_EQ(e->work2, 16384);
    Run(e, 320);  // to frame 440: 241 turns
    EXPECT_EQ(e->work2, 16384 + 241 * 100);
    Run(e, 300);  // to frame 740: 241 turns back
    EXPECT_EQ(e->work2, 16384);
    e->work2 = 10000;
    Run(e, 60);  // frame 800: one step toward the aim
    EXPECT_EQ(e->work2, 10040);
    const std::vector<Fired> shots = Run(e, 5);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].angle, 1000 + 10240);
    Run(e, 495);
    EXPECT_EQ(e->frame, 0);
}

TEST_F(EnemyTest, Enemy60BurstsOnceOffTheScreen) {
    cEnemyObjectBase* e = Make({60, -10, 100, 0, 0, 0, 0.0f});
    EXPECT_TRUE(Run(e, 30).empty());
    const std::vector<Fired> ring = Step(e);
    ASSERT_EQ(ring.size(), 42u);
    EXPECT_EQ(ring[0].angle, 1560 + 16758);
    EXPECT_EQ(ring[0].element, 1);
    EXPECT_EQ(ring[1].element, 0);
    EXPECT_FLOAT_EQ(ring[0].speed, 0.5f);
    EXPECT_FLOAT_EQ(ring[0].accel, 0.007f);
    EXPECT_FLOAT_EQ(ring[1].speed, 0.3f);
    EXPECT_FLOAT_EQ(ring[1].accel, 0.003f);
    EXPECT_EQ(ring[0].turn, -20);
    EXPECT_EQ(ring[41].turn, -20);
    EXPECT_EQ(ring[41].angle, 1560 * 21 + 16758);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 0);
    EXPECT_TRUE(OfType(101).empty() && OfType(103).empty());
}

TEST_F(EnemyTest, Enemy61TurnsIntoAChargeField) {
    cEnemyObjectBase* e = Make({61, 320, 100, 0, 0, 1, 1.0f});
    Shot(e->x, e->y, 0, 50.0f);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 10.0f);  // shots cannot hurt it
    Run(e, 219);
    EXPECT_FLOAT_EQ(e->x, 320.0f + 180.0f);
    EXPECT_EQ(ActiveEffectsOfKind(9), 0);
    Run(e, 1);
    EXPECT_EQ(ActiveEffectsOfKind(9), 1);
    Run(e, 30);
    EXPECT_EQ(e->isDying, 1);
    const std::vector<cEnemyObjectBase*> fields = OfType(62);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(typeid(*fields[0]), typeid(cEnemy62));
    EXPECT_FLOAT_EQ(fields[0]->x, 500.0f);
    EXPECT_EQ(fields[0]->element, 1);
    EXPECT_FLOAT_EQ(fields[0]->life, 9999.0f);
}

class ChargeFieldTest : public EnemyTest {
protected:
    void SetUp() override {
        EnemyTest::SetUp();
        TwoPlayers(300, 300);
        Player1->element = elements::kIce;
        Player2->element = elements::kFire;
        Place(Player1, 300 + 57, 300);  // hitRadius 7 + 50
        Place(Player2, 300, 300 - 57);
    }
};

TEST_F(ChargeFieldTest, FeedsItsElementAndHurtsTheOtherEveryThirtyFrames) {
    cEnemyObjectBase* e = Make({62, 300, 300, 0, 0, 1});
    const float gauge = Player1->gauge;
    Run(e, 29);
    EXPECT_FLOAT_EQ(Player1->gauge, gauge);
    Run(e, 1);
    EXPECT_FLOAT_EQ(Player1->gauge, gauge + 1.0f);
    EXPECT_EQ(Player1->absorbCount, 1);
    EXPECT_EQ(Player2->life, 4);
    // the feeding effect flies toward player 1
    int32_t feeds = 0;
    for (const cEffectObjectBase* f : m.effects) feeds += f->isActive && f->kind == 8 && f->owner == 0;
    EXPECT_EQ(feeds, 1);
    Player2->isInvincible = 0;
    Player2->element = elements::kIce;
    Place(Player1, 300 + 58, 300);  // one pixel too far
    Run(e, 30);
    EXPECT_EQ(Player1->absorbCount, 1);
    EXPECT_EQ(Player2->absorbCount, 1);
    feeds = 0;
    for (const cEffectObjectBase* f : m.effects) feeds += f->isActive && f->kind == 8 && f->owner == 1;
    EXPECT_EQ(feeds, 1);
    Run(e, 180);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(ChargeFieldTest, TheBallTestsPlayerOneOnlyAndHomesOnItsHolder) {
    cEnemyObjectBase* e = Make({63, 300, 300 - 37, 0, 0, 0, 0.0f, 0.0f});
    Place(Player1, 300, 300);
    Player1->element = elements::kIce;
    Place(Player2, 300, 300);
    Player2->element = elements::kIce;
    Run(e, 30);
    EXPECT_EQ(Player1->life, 4);
    EXPECT_EQ(Player2->life, 5);
    EXPECT_EQ(e->mode, 0);
    // No boss in slot A: the held ball flies on.
    e->mode = 1;
    Run(e, 10);
    auto* boss = new cBossBase();
    boss->x = 600;
    boss->y = 300 - 37;
    BossA = boss;
    e->x = 300;
    e->y = 300 - 37;
    e->angle = 0;
    e->speed = 0.0f;
    Step(e);
    EXPECT_EQ(e->angle, 0);
    EXPECT_EQ(e->work0, 0);
    EXPECT_FLOAT_EQ(e->accel, 0.01f);
    e->frame = 118;
    std::vector<Fired> ring;
    for (int32_t i = 0; i < 2000 && !e->isDying; ++i) ring = Step(e);
    ASSERT_EQ(e->isDying, 1);
    EXPECT_LE(std::hypot(boss->x - e->x, boss->y - e->y), 40.0f);
    ASSERT_EQ(ring.size(), 20u);
    EXPECT_EQ(ring[15].angle - ring[0].angle, 4369 * 15);
    EXPECT_EQ(ring[19].motion, 2);
    EXPECT_EQ(ring[19].graphic, 3);
}

TEST_F(EnemyTest, Enemy64FlipsOnAShorteningPeriodAndFiresAtBothPlayers) {
    TwoPlayers();
    cEnemyObjectBase* e = Make({64, 320, 100, 0, 0, 0});
    int32_t element = 0;
    const std::vector<int32_t> gaps = VolleyGaps(e, 3200, [&](const std::vector<Fired>& now) {
        ASSERT_EQ(now.size(), 10u);
        EXPECT_NE(e->element, element);
        element = e->element;
        EXPECT_EQ(now[0].element, element);
        EXPECT_EQ(now[4].angle - now[0].angle, 2000);
    });
    ASSERT_GE(gaps.size(), 26u);
    EXPECT_EQ(gaps[0], 150);
    EXPECT_EQ(gaps[1], 145);
    EXPECT_EQ(gaps[23], 35);
    EXPECT_EQ(gaps[24], 30);
    EXPECT_EQ(gaps[25], 30);
    EXPECT_GE(ActiveEffectsOfKind(13), 1);
}

TEST_F(EnemyTest, Enemy65BouncesAndBreaksWithoutPay) {
    cEnemyObjectBase* e = Make({65, 598, 438, 0, 0, 0});
    e->Update();
    EXPECT_EQ(e->work1, -2);
    EXPECT_EQ(e->work2, -2);
    EXPECT_FLOAT_EQ(e->x, 601.0f);
    e->x = 42;
    e->Update();
    EXPECT_EQ(e->work1, 2);
    const int32_t from = m.enemyBulletCursor;
    for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
    Shot(e->x, e->y, 1, 20.0f);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    const std::vector<Fired> scatter = Collect(from, 0);
    ASSERT_EQ(scatter.size(), 9u);
    EXPECT_EQ(scatter[8].angle - scatter[0].angle, 6553 * 8);
    EXPECT_EQ(scatter[0].graphic, 23);
    EXPECT_EQ(Player1->score, 0);
    EXPECT_EQ(m.enemyList.size(), 1u);  // no item
}

TEST_F(EnemyTest, Enemy66FollowsThenLeavesWithoutPay) {
    cEnemyObjectBase* e = Make({66, 320, 100, 0, 0, 0, 0.5f});
    const std::vector<Fired> shots = Run(e, 1400);
    EXPECT_EQ(FramesOf(shots).front(), 30);
    EXPECT_EQ(FramesOf(shots).back(), 1390);
    EXPECT_EQ(shots.size(), 137u);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(ActiveEffectsOfKind(9), 1);
    EXPECT_EQ(Player1->score, 0);
}

TEST_F(EnemyTest, Enemy67EndsWithARingOf58OfElementTwo) {
    cEnemyObjectBase* e = Make({67, 320, 100, 16384, 0, 0, 0.0f});
    const std::vector<Fired> shots = Run(e, 1650);
    EXPECT_EQ(CountAt(shots, 100), 2);
    EXPECT_EQ(CountAt(shots, 110), 2);
    EXPECT_EQ(shots.front().element, 0);
    EXPECT_EQ(CountAt(shots, 850), 2);  // both streams on their shared frame
    EXPECT_EQ(CountAt(shots, 1650), 58);
    const Fired& last = shots.back();
    EXPECT_EQ(last.element, 2);
    const Fired& first = shots[shots.size() - 58];
    EXPECT_EQ(last.angle - first.angle, 1129 * 57);
    EXPECT_EQ(first.motion, 2);
    EXPECT_EQ(first.graphic, 3);
    EXPECT_FLOAT_EQ(first.speed, 8.0f);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(EnemyTest, Enemy68LaysItsFirstRowDownAndLaterRowsAcross) {
    Place(Player1, 320, 400);
    cEnemyObjectBase* e = Make({68, 320, 100, 0, 0, 0});
    const std::vector<Fired> shots = Run(e, 760);
    EXPECT_EQ(FramesOf(shots), (std::vector<int32_t>{130, 380, 760}));
    for (int32_t i = 0; i < 7; ++i) {
        EXPECT_FLOAT_EQ(shots[static_cast<size_t>(i)].x, 320.0f);
        EXPECT_FLOAT_EQ(shots[static_cast<size_t>(i)].y, 100.0f + 20.0f * static_cast<float>(i));
        EXPECT_FLOAT_EQ(shots[static_cast<size_t>(7 + i)].x, 320.0f + 20.0f * static_cast<float>(i));
        EXPECT_FLOAT_EQ(shots[static_cast<size_t>(7 + i)].y, 100.0f);
    }
    Run(e, 840);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 0);
}

TEST_F(EnemyTest, Enemy69SnipesAtPlayersWithinTwoHundredPixels) {
    TwoPlayers(320, 250);
    Place(Player1, 320, 301);  // 201 away
    cEnemyObjectBase* e = Make({69, 320, 100, 0, 0, 0});
    const std::vector<Fired> shots = Run(e, 150);
    EXPECT_EQ(FramesOf(shots), (std::vector<int32_t>{120, 130, 140, 150}));
    for (const Fired& b : shots) {
        EXPECT_EQ(b.angle, 16384);
        EXPECT_LE(b.element, 2);
    }
    EXPECT_EQ(e->work1, 150);  // player 2 counted every frame
}

TEST_F(EnemyTest, Enemy70RunsThreeCyclesAndWallsOnlyInTheThird) {
    cEnemyObjectBase* e = Make({70, 320, 240, 0, 0, 0});
    std::vector<int32_t> wallFrames;
    int32_t bands = 0;
    for (int32_t f = 1; !e->isDying && f < 3000; ++f) {
        const size_t before = m.enemyList.size();
        const std::vector<Fired> now = Step(e);
        bands += static_cast<int32_t>(m.enemyList.size() - before);
        if (!now.empty()) {
            EXPECT_EQ(e->mode, 2);
            wallFrames.push_back(e->frame == 2 ? 700 : e->frame);
            for (const Fired& b : now) EXPECT_EQ(b.element, 2);
        }
        if (e->frame == 100 && e->mode == 2) {
            ASSERT_EQ(now.size(), 30u);
            EXPECT_EQ(now[0].graphic, 13);
            EXPECT_FLOAT_EQ(now[29].x, 320.0f - 320.0f + 638.0f);
            EXPECT_FLOAT_EQ(now[0].y, 500.0f);
        }
        if (e->frame == 160 && e->mode == 2) {
            EXPECT_EQ(now.size(), 8u + 18u);
        }
        if (e->frame == 240 && e->mode == 2) {
            EXPECT_EQ(now.size(), 21u + 5u);
        }
        if (e->frame == 340 && e->mode == 2) {
            EXPECT_EQ(now.size(), 14u + 12u);
        }
    }
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(bands, 21);
    EXPECT_EQ(wallFrames, (std::vector<int32_t>{100, 160, 240, 340, 460}));
    const std::vector<cEnemyObjectBase*> strikes = OfType(71);
    ASSERT_EQ(strikes.size(), 21u);
    auto* band = static_cast<cEnemy70*>(e);
    for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(strikes[static_cast<size_t>(i)]->element, band->bandElement[i]);
}

TEST_F(EnemyTest, BandStrikeHitsOnItsTenthFrameInsideTheBand) {
    TwoPlayers();
    Player1->element = elements::kIce;
    Player2->element = elements::kFire;
    Place(Player1, 100, 120);
    Place(Player2, 100, 360);
    cEnemyObjectBase* e = Make({71, 320, 240, 0, 0, 0});
    Live(e, 9);
    EXPECT_EQ(Player1->life, 5);
    Live(e, 1);
    EXPECT_EQ(Player1->life, 3);  // two points for the other element
    EXPECT_FLOAT_EQ(Player2->gauge, 10.0f + 5.0f);
    EXPECT_EQ(Player2->absorbCount, 5);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(EnemyTest, BandStrikeFollowsTheViewAndSparesPlayersOutsideTheBand) {
    ScrollY = -1000.0f;  // a scrolled view: the band lies in the middle of it
    Player1->element = elements::kIce;
    Place(Player1, 100, -1000 + 119.5f);
    cEnemyObjectBase* e = Make({71, 320, -760, 0, 0, 0});
    e->frame = 9;
    Live(e, 1);
    EXPECT_EQ(Player1->life, 5);
    cEnemyObjectBase* f = Make({71, 320, -760, 0, 0, 0});
    Place(Player1, 100, -1000 + 240);
    f->frame = 9;
    Live(f, 1);
    EXPECT_EQ(Player1->life, 3);
}

TEST_F(EnemyTest, Enemy72SlidesInWaitsAndPushesPlayersOut) {
    cEnemyObjectBase* e = Make({72, 320, 0, 16384, 0, 0, 5.0f});
    Run(e, 200);
    EXPECT_FLOAT_EQ(e->y, 120.0f);  // one pixel a frame, 120 frames
    EXPECT_EQ(e->work1, 0);
    EXPECT_EQ(e->work3, 240);
    Place(Player1, 320, 250);  // box 243..257 holds the wall's bottom
    Player1->y = 250;
    Player1->UpdateBox();
    e->HitTest();
    EXPECT_FLOAT_EQ(Player1->y, 262.0f);
    Shot(e->x, e->y, 1, 100.0f);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 10.0f);
    Run(e, 620);
    EXPECT_FLOAT_EQ(e->y, 119.0f);
}

TEST_F(EnemyTest, OrbsLetOneBulletGoAndCannotBeShot) {
    for (int32_t type : {73, 74, 97, 98}) {
        cEnemyObjectBase* e = Make({type, 320, 100, 1234, 0, 1});
        Shot(320, 100, 0, 100.0f);
        e->HitTest();
        EXPECT_FLOAT_EQ(e->life, 10.0f);
        const int32_t release = type <= 74 ? 300 : 100;
        const std::vector<Fired> shots = Run(e, release);
        ASSERT_EQ(shots.size(), 1u);
        EXPECT_EQ(shots[0].frame, release);
        EXPECT_EQ(shots[0].angle, 1234);
        EXPECT_EQ(shots[0].element, 1);
        EXPECT_EQ(e->isDying, 1);
    }
}

}  // namespace
