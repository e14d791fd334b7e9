// How enemies 1 to 49 take a killing shot: the hit radius they are built
// with (a shot exactly at the radius sum hits), the score paid, the item
// dropped; the field pieces that cannot be hurt. Also the random draws'
// order, the hit pass going on past a death that clears other enemies, a
// field without players and counters that run for hours.
#include <gtest/gtest.h>

#include <climits>

#include "game/objects/Enemies1To49.h"
#include "game/objects/PlayCommon.h"
#include "tests/game/objects/enemy_probe.h"

namespace {

constexpr int kNone = 0;
constexpr int kImmune = -1;

struct Death {
    int type;
    int radius, score, drop;  // drop: item type, kNone or kImmune
    int touchDamage = 1, solid = 0;
};

void PrintTo(const Death& d, std::ostream* os) { *os << "cEnemy" << d.type; }

class EnemyDeaths : public enemytest::EnemyField, public ::testing::WithParamInterface<Death> {};

TEST_P(EnemyDeaths, AShotAtTheRadiusSumKillsWithTheRowsScoreAndDrop) {
    const Death& d = GetParam();
    GameState.difficulty = 2;  // the crystal can break only there
    cEnemyObjectBase* e = Spawn(d.type, 320, 100, 16384, 0, 1, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(e->radius, d.radius);
    EXPECT_EQ(e->touchDamage, d.touchDamage);
    EXPECT_EQ(e->solid, d.solid);
    e->frame = 200;  // past 14's and 32's untouchable frames
    cPlayerBulletBase* beyond = Shot(320.0f + float(d.radius + 15) + 0.01f, 100, 0, 100.0f);
    e->HitTest();
    EXPECT_EQ(beyond->isActive, 1);
    beyond->isActive = 0;
    cPlayerBulletBase* at = Shot(320.0f + float(d.radius + 15), 100, 0, 100.0f);
    e->HitTest();
    if (d.drop == kImmune) {
        EXPECT_EQ(at->isActive, 1);
        EXPECT_EQ(e->isDying, 0);
        return;
    }
    EXPECT_EQ(at->isActive, 0);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, d.score);
    int items = 0;
    for (const cEnemyObjectBase* o : m.enemyList) {
        if (o->type < 100) continue;
        ++items;
        EXPECT_EQ(o->type, d.drop);
        EXPECT_FLOAT_EQ(o->x, e->x);
        EXPECT_EQ(o->isActive, 1);
    }
    EXPECT_EQ(items, d.drop == kNone ? 0 : 1);
}

const Death kDeaths[] = {
    {1, 20, 100, kNone},        {2, 20, 100, kNone},        {3, 20, 100, 103},          {4, 20, 100, 103},
    {5, 20, 100, kNone},        {6, 25, 1000, 103},         {7, 25, 500, 103},          {8, 25, 100, 103},
    {9, 25, 100, kNone},        {10, 25, 100, kNone},       {11, 25, 100, kNone},       {12, 25, 100, kNone},
    {13, 25, 100, kNone},       {14, 25, 100, 103},         {15, 25, 100, 102},         {16, 25, 100, 103},
    {17, 10, 100, 103},         {18, 10, 100, kNone},       {19, 10, 250, kNone},       {20, 10, 400, 103},
    {21, 80, 3000, 102},        {22, 10, 300, kNone},       {23, 10, 400, 103},         {24, 35, 1000, kNone},
    {25, 10, 100, 103},         {26, 10, 100, 103},         {27, 10, 100, kImmune, 0},  {28, 120, 100, kImmune, 0, 1},
    {29, 20, 100, 103},         {30, 0, 100, kNone, 0},     {31, 40, 100, kImmune, 0, 1}, {32, 20, 500, kNone, 0},
    {33, 20, 100, kNone, 0, 1}, {34, 20, 100, 103},         {35, 20, 500, 103},         {36, 120, 100, kImmune, 0, 1},
    {37, 20, 100, kNone},       {38, 20, 100, 103},         {39, 20, 100, kNone},       {40, 20, 100, 103},
    {41, 20, 100, kImmune, 0},  {42, 20, 100, kNone, 0},    {43, 40, 100, kNone, 0, 1}, {44, 20, 500, 103, 0},
    {45, 20, 400, 103, 0},      {46, 20, 100, 103, 0},      {47, 20, 300, 103, 0},      {48, 20, 100, 103, 0},
    {49, 20, 100, kNone},
};

INSTANTIATE_TEST_SUITE_P(Enemies, EnemyDeaths, ::testing::ValuesIn(kDeaths));

class EnemyHazards : public enemytest::EnemyField {};

TEST_F(EnemyHazards, RandomElementIsDrawnBeforeTheRandomAngle) {
    cEnemyObjectBase* e = Spawn(42, 320, 100);
    SeedGameRand(99);
    const int element = GameRand() % 2;
    const int offset = GameRand() % 4000;
    SeedGameRand(99);
    const auto shots = Run(e, 300);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].element, element);
    EXPECT_EQ(shots[0].angle, 16384 + offset - 2000);

    cEnemyObjectBase* watcher = Spawn(8, 320, 200);
    watcher->mode = 1;
    watcher->angle = 16384;
    SeedGameRand(7);
    const int element8 = GameRand() % 2;
    const int offset8 = GameRand() % 8000;
    SeedGameRand(7);
    const auto shots8 = Run(watcher, 40);
    ASSERT_EQ(shots8.size(), 1u);
    EXPECT_EQ(shots8[0].element, element8);
    EXPECT_EQ(shots8[0].angle, 16384 + offset8 - 3000);
}

TEST_F(EnemyHazards, TheHitPassGoesOnPastACoreThatClearsItsSatellites) {
    cEnemyObjectBase* core = Spawn(32, 320, 100, 0, 0, 1, 0.0f, 0.0f, 1.0f);
    core->frame = 300;
    cEnemyObjectBase* satellite = Spawn(33, 100, 100);
    cEnemyObjectBase* later = Spawn(37, 500, 100, 0, 0, 1, 0.0f, 0.0f, 1.0f);
    Shot(320, 100, 0, 5.0f);
    Shot(500, 100, 0, 5.0f);
    const int coreScore = core->score;
    m.HitTestObjects();
    EXPECT_EQ(core->isDying, 1);
    EXPECT_EQ(satellite->isDying, 1);
    EXPECT_EQ(later->isDying, 1);  // still reached in the same pass
    EXPECT_EQ(Player1->score, coreScore + 100);
}

TEST_F(EnemyHazards, EveryClassRunsWithoutPlayers) {
    for (int type = 1; type <= 49; ++type) Spawn(type, 320, 100, 16384, 50, type % 2, 1.0f, 0.01f, 3.0f);
    delete Player1;
    delete Player2;
    Player1 = Player2 = nullptr;
    GameState.twoPlayer = 1;
    GameState.difficulty = 2;
    playtest::QuadRecorder rec;
    for (int frame = 0; frame < 400; ++frame) {
        for (size_t i = 0; i < m.enemyList.size(); ++i) {
            cEnemyObjectBase* e = m.enemyList[i];
            e->Update();
            if (frame % 50 == 0) Shot(e->x, e->y, frame % 100 == 0 ? 0 : 1, 0.5f);
            e->HitTest();
            e->Draw();
        }
    }
    EXPECT_FALSE(rec.quads.empty());
}

TEST_F(EnemyHazards, SpinAndHeadingWordsWrapAfterHoursOfPlay) {
    // Spin words: 02, 09, 10, 20 per Update; 21's rotation per Draw.
    for (int type : {2, 9, 10, 20, 21}) {
        cEnemyObjectBase* e = Spawn(type, 320, 100);
        e->frame = 5;
        e->work0 = INT_MAX - 40;
        for (int i = 0; i < 3; ++i) {
            e->Update();
            e->Draw();
        }
        EXPECT_LT(e->work0, 0) << type;
    }
    // Headings of the turning classes.
    for (int type : {16, 17, 40, 44, 45, 46, 47}) {
        cEnemyObjectBase* e = Spawn(type, 320, 100, INT_MAX - 100, 600, 1, 0.0f);
        for (int i = 0; i < 3; ++i) e->Update();
        EXPECT_LT(e->angle, 0) << type;
    }
}

}  // namespace
