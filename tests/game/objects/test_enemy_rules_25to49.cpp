// Enemies 25 to 49 beyond their firing tables: the distance keeper 26, the
// push zone 27, the walls and the pushing block, the spawners, the core 32
// and its satellites, the crystal 43, the aimers at player 2, the reflector
// 48 and the shard 49.
#include <gtest/gtest.h>

#include "engine/core/KestraMath.h"
#include "game/objects/Enemies1To49.h"
#include "game/objects/cEffectObjectBase.h"
#include "tests/game/objects/enemy_probe.h"

namespace {

class FieldPieces : public enemytest::EnemyField {};

TEST_F(FieldPieces, TwentySixKeepsItsDistanceAndStandsStillAtExactly195) {
    cEnemyObjectBase* e = Spawn(26, 320, 105, 0, 0, 1, 1.0f);  // 195 px above player 1
    e->Update();
    EXPECT_FLOAT_EQ(e->y, 105.0f);
    EXPECT_EQ(e->angle, 0);
    e->y = 100;  // 200: turns only
    e->Update();
    EXPECT_FLOAT_EQ(e->y, 100.0f);
    EXPECT_EQ(e->angle, 16384);
    e->y = 90;  // 210: still turns only
    e->Update();
    EXPECT_FLOAT_EQ(e->y, 90.0f);
    e->y = 200;  // too near: flees
    e->Update();
    EXPECT_EQ(e->angle, 16384 + 32768);
    EXPECT_NEAR(e->y, 199.0f, 0.001f);
    e->y = 50;  // too far: closes in
    e->Update();
    EXPECT_NEAR(e->y, 51.0f, 0.001f);
}

TEST_F(FieldPieces, TwentySevenPushesPlayersInsideItsSquareEdgesIncluded) {
    cEnemyObjectBase* e = Spawn(27, 240, 220, 0, 0, 1, 3.0f);
    e->Update();
    EXPECT_FLOAT_EQ(Player1->x, 323.0f);  // aim x 320 = x + 80
    EXPECT_FLOAT_EQ(Player1->y, 300.0f);
    PlacePlayer(Player1, 320.5f, 300);
    e->Update();
    EXPECT_FLOAT_EQ(Player1->x, 320.5f);
    PlacePlayer(Player1, 160, 140);  // the left and top edges
    e->Update();
    EXPECT_FLOAT_EQ(Player1->x, 163.0f);
    PlacePlayer(Player2, 240, 220);
    e->Update();
    EXPECT_FLOAT_EQ(Player2->x, 240.0f);  // one-player mode: player 2 is left alone
    GameState.twoPlayer = 1;
    e->Update();
    EXPECT_FLOAT_EQ(Player2->x, 243.0f);
    EXPECT_EQ(e->frame, 0);
    cPlayerBulletBase* b = Shot(240, 220, 0);
    e->HitTest();
    EXPECT_EQ(b->isActive, 1);
}

// A wall of half side 120 at (300, 300): box 180..420 both ways.
TEST_F(FieldPieces, WallsPushOutByTheFirstEdgeThatApplies) {
    cEnemyObjectBase* e = Spawn(28, 300, 300);
    StoreBox(*e);
    EXPECT_EQ(e->work0, 180);
    EXPECT_EQ(e->work3, 420);
    const struct {
        float px, py, wantX, wantY;
    } cases[] = {
        {300, 170, 300, 158},  // top edge
        {300, 430, 300, 442},  // bottom edge
        {170, 300, 158, 300},  // left edge
        {430, 300, 442, 300},  // right edge
        {170, 170, 170, 158},  // a corner: the top edge comes first
        {430, 430, 430, 442},  // bottom before right
        {300, 300, 300, 300},  // deep inside: no edge within the player's box
        {100, 170, 100, 170},  // beside the wall
    };
    for (const auto& c : cases) {
        PlacePlayer(Player1, c.px, c.py);
        e->HitTest();
        EXPECT_FLOAT_EQ(Player1->x, c.wantX) << c.px << "," << c.py;
        EXPECT_FLOAT_EQ(Player1->y, c.wantY) << c.px << "," << c.py;
    }
    // Player 2 only in two-player mode; shots pass through.
    PlacePlayer(Player2, 300, 170);
    cPlayerBulletBase* b = Shot(300, 300, 0);
    e->HitTest();
    EXPECT_FLOAT_EQ(Player2->y, 170.0f);
    EXPECT_EQ(b->isActive, 1);
    GameState.twoPlayer = 1;
    e->HitTest();
    EXPECT_FLOAT_EQ(Player2->y, 158.0f);
}

TEST_F(FieldPieces, TwentyEightRunsASquareAndThirtySixBackAndForth) {
    cEnemyObjectBase* square = Spawn(28, 300, 300, 0, 0, 1, 9.0f);
    Run(square, 240);
    EXPECT_NEAR(square->x, 540.0f, 0.01f);  // one pixel a frame, speed unused
    EXPECT_EQ(square->angle, -16384);
    Run(square, 240 * 3);
    EXPECT_NEAR(square->x, 300.0f, 0.05f);
    EXPECT_NEAR(square->y, 300.0f, 0.05f);
    EXPECT_EQ(square->work0, int(square->x - 120));
    cEnemyObjectBase* shuttle = Spawn(36, 300, 300, 16384);
    Run(shuttle, 240);
    EXPECT_NEAR(shuttle->y, 540.0f, 0.01f);
    EXPECT_EQ(shuttle->angle, 16384 - 32768);
    Run(shuttle, 240);
    EXPECT_NEAR(shuttle->y, 300.0f, 0.05f);
    EXPECT_EQ(square->solid, 1);
    EXPECT_EQ(shuttle->touchDamage, 0);
}

TEST_F(FieldPieces, ThirtyOnePushesByTheCommittedPositionAndRewritesTheBox) {
    cEnemyObjectBase* e = Spawn(31, 300, 300);
    e->Update();  // box 260..340
    PlacePlayer(Player1, 300, 245);
    Player1->x = 500;  // the moved position is not what is tested
    e->HitTest();
    EXPECT_FLOAT_EQ(Player1->y, 238.0f);
    EXPECT_EQ(Player1->boxTop, 218);
    EXPECT_EQ(Player1->boxBottom, 258);
    PlacePlayer(Player1, 360, 300);
    e->HitTest();
    EXPECT_FLOAT_EQ(Player1->x, 362.0f);
    EXPECT_EQ(Player1->boxLeft, 342);
    EXPECT_EQ(Player1->boxRight, 382);
    EXPECT_FLOAT_EQ(Player1->y, 300.0f);
}

TEST_F(FieldPieces, SpawnersSummonInScreenCoordinates) {
    ScrollX = 40;
    ScrollY = -1000;
    cEnemyObjectBase* thirty = Spawn(30, 300, -900, 16384, 0, 1, 0.0f, 0.0f, 5.0f);
    Run(thirty, 2100);
    const auto blocks = OfType(31);
    ASSERT_EQ(blocks.size(), 11u);  // 180 .. 1980
    EXPECT_FLOAT_EQ(blocks[0]->x, 260.0f);
    EXPECT_FLOAT_EQ(blocks[0]->y, 100.0f);
    EXPECT_FLOAT_EQ(blocks[0]->life, 300.0f);
    EXPECT_EQ(blocks[0]->appearFrame, StageFrame);
    cEnemyObjectBase* fortyOne = Spawn(41, 300, -900, 0, 0, 0);
    Run(fortyOne, 100);
    const auto ring = OfType(40);
    ASSERT_EQ(ring.size(), 12u);
    EXPECT_FLOAT_EQ(ring[0]->x, 320.0f);  // 300 - 40 + 60
    EXPECT_EQ(ring[3]->angle, 5461 * 3 + 16383);
    EXPECT_EQ(ring[3]->turn, 600);
    EXPECT_FLOAT_EQ(ring[3]->speed, 4.0f);
    EXPECT_FLOAT_EQ(ring[3]->life, 5.0f);
    // The sweep turns them into stage positions.
    m.SweepObjects();
    EXPECT_FLOAT_EQ(blocks[0]->x, 300.0f);
    EXPECT_FLOAT_EQ(blocks[0]->y, -900.0f);
}

TEST_F(FieldPieces, ThirtyTwoBreaksFromFrameTwoHundredAndTakesEveryThirtyThree) {
    cEnemyObjectBase* core = Spawn(32, 320, 100, 0, 0, 1, 0.0f, 0.0f, 1.0f);
    cEnemyObjectBase* a = Spawn(33, 100, 100);
    cEnemyObjectBase* b = Spawn(33, 500, 100);
    cEnemyObjectBase* other = Spawn(39, 300, 300);
    cEnemyObjectBase* asleep = Spawn(33, 700, 100);
    asleep->isActive = 0;
    Run(core, 199);
    Shot(320, 100, 1, 2.0f);  // full power whatever the element
    core->HitTest();
    EXPECT_FLOAT_EQ(core->life, -1.0f);
    EXPECT_EQ(core->isDying, 0);
    EXPECT_EQ(a->isDying, 0);
    Run(core, 1);
    Shot(320, 100, 0);
    core->HitTest();
    EXPECT_EQ(core->isDying, 1);
    EXPECT_EQ(a->isDying, 1);
    EXPECT_EQ(b->isDying, 1);
    EXPECT_EQ(other->isDying, 0);
    EXPECT_EQ(asleep->isDying, 0);
    EXPECT_EQ(Player1->score, 500);
    EXPECT_TRUE(OfType(103).empty());
    EXPECT_EQ(m.innerIndex, int(m.playerBullets.size()));
}

TEST_F(FieldPieces, CrystalShowsItselfAndBreaksOnlyOnDifficultyTwoByTheOtherElement) {
    cEnemyObjectBase* e = Spawn(43, 320, 189, 0, 0, 0, 0.0f, 0.0f, 2.0f);  // 111 px away
    e->Update();
    EXPECT_EQ(e->work0, 0);
    EXPECT_EQ(e->work1, 0);
    GameState.twoPlayer = 1;
    PlacePlayer(Player2, 320, 299);
    e->Update();
    EXPECT_EQ(e->work0, 1);
    for (int i = 0; i < 100; ++i) e->Update();
    EXPECT_EQ(e->work1, 152);
    for (int difficulty : {0, 1}) {
        GameState.difficulty = difficulty;
        cPlayerBulletBase* shot = Shot(320, 189, 1, 5.0f);
        e->HitTest();
        EXPECT_EQ(shot->isActive, 1);
        shot->isActive = 0;
    }
    GameState.difficulty = 2;
    cPlayerBulletBase* own = Shot(320, 189, 0, 5.0f);
    e->HitTest();
    EXPECT_EQ(own->isActive, 0);
    EXPECT_FLOAT_EQ(e->life, 2.0f);
    Shot(320, 189, 1, 1.5f);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 0.5f);
    Shot(320, 189, 1, 1.0f, 1);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player2->score, 100);
    EXPECT_EQ(m.enemyList.size(), 1u);  // no drop
}

TEST_F(FieldPieces, MapCellSixPlacesAWorkingCrystal) {
    m.SpawnMapCell(5, 320, 200);
    ASSERT_EQ(m.enemyList.size(), 1u);
    cEnemyObjectBase* e = m.enemyList[0];
    EXPECT_EQ(e->type, 43);
    EXPECT_EQ(e->radius, 40);
    EXPECT_EQ(e->solid, 1);
}

TEST_F(FieldPieces, ThirtyEightAndFortyTwoAimAtPlayerTwoWhenTwoPlay) {
    GameState.twoPlayer = 1;
    PlacePlayer(Player2, 520, 100);
    cEnemyObjectBase* e38 = Spawn(38, 320, 100);
    const auto shots38 = Run(e38, 160);
    ASSERT_EQ(shots38.size(), 10u);
    EXPECT_EQ(shots38[4].angle, 0);  // aim at player 2 + 0
    cEnemyObjectBase* e42 = Spawn(42, 320, 100);
    const auto shots42 = Run(e42, 300);
    ASSERT_EQ(shots42.size(), 1u);
    EXPECT_EQ(e42->angle, 0);
    EXPECT_GE(shots42[0].angle, -2000);
    EXPECT_LT(shots42[0].angle, 2000);
}

TEST_F(FieldPieces, FortyEightReflectsItsOwnElementAndHurtsByTouch) {
    cEnemyObjectBase* e = Spawn(48, 320, 100, 0, 0, 1, 0.0f, 0.0f, 2.0f);
    Shot(320, 100, 1, 5.0f);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 2.0f);
    // Touch: radius + 10 = 30, whatever the elements.
    PlacePlayer(Player1, 320, 130);
    Player1->element = elements::kIce;
    const int life = Player1->life;
    e->HitTest();
    EXPECT_EQ(Player1->life, life - 1);
    EXPECT_EQ(Player1->isInvincible, 1);
    e->HitTest();
    EXPECT_EQ(Player1->life, life - 1);  // invincible now
    Player1->isInvincible = 0;
    PlacePlayer(Player1, 320, 130.5f);
    e->HitTest();
    EXPECT_EQ(Player1->life, life - 1);
    e->element = elements::kEveryone;
    Shot(320, 100, 0, 2.0f);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    ASSERT_EQ(OfType(103).size(), 1u);
    EXPECT_EQ(OfType(103)[0]->element, 0);
}

TEST_F(FieldPieces, FortyEightTurnsAtOneTwentyAndFadesIn) {
    cEnemyObjectBase* e = Spawn(48, 320, 100, 0, 0, 0, 1.0f);
    Run(e, 119);
    EXPECT_FLOAT_EQ(e->x, 320.0f);
    Run(e, 1);
    EXPECT_EQ(e->angle, 16384);
    EXPECT_NEAR(e->y, 101.0f, 0.001f);
    playtest::QuadRecorder rec;
    e->Draw();
    e->frame = 128;
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 2u);
    EXPECT_EQ(rec.quads[0].colour, 0xF0FFFFFFu);
    EXPECT_EQ(rec.quads[1].colour, 0xFFFFFFFFu);
}

TEST_F(FieldPieces, FortyNineCapsItsSpeedAndStopsFacingPlayerOne) {
    cEnemyObjectBase* e = Spawn(49, 320, 100, 0, 0, 0, 1.9f, 0.2f);
    Run(e, 2);
    EXPECT_FLOAT_EQ(e->speed, 2.1f);
    Run(e, 237);
    EXPECT_FLOAT_EQ(e->speed, 2.1f);
    Run(e, 1);  // moves, then stops and turns
    EXPECT_FLOAT_EQ(e->speed, 0.0f);
    EXPECT_EQ(e->angle, int(Kestra::Atan(320 - e->x, 200)));
    const float x = e->x;
    Run(e, 1);  // at rest for one frame, then it speeds up again
    EXPECT_FLOAT_EQ(e->x, x);
    EXPECT_FLOAT_EQ(e->speed, 0.2f);
    // One that has already stopped keeps its heading at 240.
    cEnemyObjectBase* still = Spawn(49, 320, 100, 0, 0, 0, 0.0f, 0.0f);
    Run(still, 240);
    EXPECT_EQ(still->angle, 0);
}

TEST_F(FieldPieces, FortyNineBreaksIntoFiveShards) {
    cEnemyObjectBase* e = Spawn(49, 320, 100, 1000, 0, 1, 0.0f, 0.0f, 1.0f);
    Shot(320, 100, 1);  // own element: half power
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 0.5f);
    Shot(320, 100, 0);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 100);
    EXPECT_TRUE(OfType(103).empty());
    const auto shards = OfType(50);
    ASSERT_EQ(shards.size(), 5u);
    EXPECT_EQ(shards[0]->angle, 1000 + 13107);
    EXPECT_EQ(shards[4]->angle, 1000 + 13107 * 5);
    EXPECT_FLOAT_EQ(shards[0]->life, 12.0f);
}

TEST_F(FieldPieces, ShuttlesTurnersAndTurretsMoveByTheirRows) {
    cEnemyObjectBase* e37 = Spawn(37, 320, 100, 0, 0, 1, 1.0f);
    Run(e37, 200);
    EXPECT_NEAR(e37->x, 520.0f, 0.01f);
    EXPECT_EQ(e37->angle, -32768);
    EXPECT_EQ(e37->frame, 0);
    Run(e37, 200);
    EXPECT_NEAR(e37->x, 320.0f, 0.05f);
    // 40 moves, then turns.
    cEnemyObjectBase* e40 = Spawn(40, 320, 100, 0, 1000, 1, 1.0f);
    Run(e40, 1);
    EXPECT_FLOAT_EQ(e40->x, 321.0f);
    EXPECT_EQ(e40->angle, 1000);
    // 29's turn field is an aim offset; it never turns.
    cEnemyObjectBase* e29 = Spawn(29, 320, 100, 0, 700);
    const auto shots29 = Run(e29, 5);
    ASSERT_EQ(shots29.size(), 1u);
    EXPECT_EQ(shots29[0].angle, 700);
    EXPECT_EQ(e29->angle, 0);
    // 34 moves until 200 and aims from 300.
    cEnemyObjectBase* e34 = Spawn(34, 320, 100, 0, 0, 1, 1.0f);
    Run(e34, 299);
    EXPECT_NEAR(e34->x, 520.0f, 0.01f);
    EXPECT_EQ(e34->angle, 0);
    Run(e34, 1);
    EXPECT_EQ(e34->angle, int(Kestra::Atan(320 - e34->x, 200)));
    // 42 stops moving after 200.
    cEnemyObjectBase* e42 = Spawn(42, 320, 100, 0, 0, 1, 1.0f);
    Run(e42, 250);
    EXPECT_NEAR(e42->x, 520.0f, 0.01f);
    // 46 fires around its aim, not its heading.
    cEnemyObjectBase* e46 = Spawn(46, 320, 100, 3000, 0, 1, 0.0f);
    const auto shots46 = Run(e46, 60);
    ASSERT_EQ(shots46.size(), 6u);
    EXPECT_EQ(shots46[0].angle, 16384 + 10922);
}

}  // namespace
