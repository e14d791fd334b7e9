// Enemies 75 to 98: reflection, the pushing block, the picture shown by the
// schedule, the shrinking ring, the bullet-erasing field, the shot eater,
// volleys, beams, homing, the charger and the shard spawner.
#include <cmath>
#include <typeinfo>

#include "game/objects/Enemies50To98.h"
#include "game/objects/Items.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameState.h"
#include "tests/game/objects/enemy_steps.h"

namespace {

using enemytest::EnemyTest;
using enemytest::Fired;
using enemytest::Spawn;

TEST_F(EnemyTest, Enemy75ReflectsEachShotAsTheOtherElementAndVanishesSilently) {
    cEnemyObjectBase* e = Make({75, 320, 100, 0, 0, 0, 0.0f, 0.0f, 1.5f});
    for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
    int32_t from = m.enemyBulletCursor;
    Shot(320, 100, 0, 1.0f);  // own element: half
    e->HitTest();
    std::vector<Fired> back = Collect(from, 0);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].element, 1);
    EXPECT_EQ(back[0].motion, 1);
    EXPECT_EQ(back[0].graphic, 1);
    EXPECT_FLOAT_EQ(back[0].speed, 4.0f);
    EXPECT_FLOAT_EQ(e->life, 1.0f);
    EXPECT_EQ(ActiveEffectsOfKind(3), 1);  // the flash
    for (cEnemyBulletBase* b : m.enemyBullets) b->isActive = 0;
    from = m.enemyBulletCursor;
    Shot(320, 100, 1, 1.0f);
    e->HitTest();
    back = Collect(from, 0);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].element, 0);
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score, 0);
    EXPECT_EQ(ActiveEffectsOfKind(1), 0);
    EXPECT_EQ(m.enemyList.size(), 1u);
}

TEST_F(EnemyTest, Enemy75LeavesAtFrame600WithOneSlowBullet) {
    cEnemyObjectBase* e = Make({75});
    const std::vector<Fired> shots = Run(e, 600);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].frame, 600);
    EXPECT_EQ(shots[0].graphic, 23);
    EXPECT_FLOAT_EQ(shots[0].accel, 0.002f);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(EnemyTest, Enemy76PushesOnTheCommittedPositionAndRewritesTheBox) {
    cEnemyObjectBase* e = Make({76, 320, 100, 0, 0, 0, 0.0f});
    e->Update();
    EXPECT_EQ(e->work1, 60);
    EXPECT_EQ(e->work3, 140);
    Place(Player1, 330, 155);  // aim box 135..175 holds the block's bottom
    Player1->boxTop = -999;    // the integer box is not what this block reads
    e->HitTest();
    EXPECT_FLOAT_EQ(Player1->y, 162.0f);
    EXPECT_EQ(Player1->boxTop, 142);
    EXPECT_EQ(Player1->boxBottom, 182);
    Shot(320, 100, 1, 100.0f);
    e->HitTest();
    EXPECT_FLOAT_EQ(e->life, 10.0f);
}

TEST_F(EnemyTest, Enemy77FiresAtAbsoluteHeadingsWithATurn) {
    cEnemyObjectBase* e = Make({77, 320, 100, 5000, 0, 1});
    const std::vector<Fired> shots = Run(e, 160);
    ASSERT_EQ(shots.size(), 32u);
    for (int32_t k = 1; k <= 32; ++k) {
        EXPECT_EQ(shots[static_cast<size_t>(k - 1)].angle, 2047 * k);
        EXPECT_EQ(shots[static_cast<size_t>(k - 1)].turn, 90);
        EXPECT_EQ(shots[static_cast<size_t>(k - 1)].element, 1);
    }
}

TEST_F(EnemyTest, Enemy78SpreadsItsShotFromTheTurnOffset) {
    cEnemyObjectBase* e = Make({78, 320, 100, 16384, 300});
    const std::vector<Fired> shots = Run(e, 50);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_GE(shots[0].angle, 16384 + 300);
    EXPECT_LT(shots[0].angle, 16384 + 300 + 4000);
    EXPECT_EQ(e->angle, 16384);
}

TEST_F(EnemyTest, DriftersMoveAlongTheirHeadingAndOnlySomeSpeedUp) {
    struct Drift {
        int32_t type;
        float speedAfter;
    };
    for (const Drift d : {Drift{87, 1.5f}, Drift{94, 1.0f}, Drift{95, 1.0f}}) {
        cEnemyObjectBase* e = Make({d.type, 320, 100, 32768, 0, 0, 1.0f, 0.5f});
        e->Update();
        EXPECT_FLOAT_EQ(e->x, 319.0f) << d.type;
        EXPECT_FLOAT_EQ(e->speed, d.speedAfter) << d.type;
        EXPECT_EQ(e->frame, 1);
    }
}

TEST_F(EnemyTest, Enemy79TurnsAfterMoving) {
    cEnemyObjectBase* e = Make({79, 320, 100, 0, 1000, 0, 2.0f});
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 322.0f);
    EXPECT_EQ(e->angle, 1000);
}

class PictureTest : public EnemyTest {};

TEST_F(PictureTest, FadesInHoldsFadesOutAndCountsOnlyWhileTheScrollRuns) {
    TwoPlayers();
    cEnemyObjectBase* e = Make({80, 320, 240, 0, 0, 0, 0.0f, 0.0f, 2.0f});
    EXPECT_FLOAT_EQ(e->life, 2.0f);  // a picture number, not scaled for two players
    ScrollHalt = 1;
    Run(e, 10);
    EXPECT_EQ(e->frame, 0);
    ScrollHalt = 0;
    Run(e, 300);
    EXPECT_EQ(e->work0, 254);  // one step a frame while frame < 255
    Run(e, 1700);
    EXPECT_EQ(e->frame, 2000);
    EXPECT_EQ(e->work0, 254);
    Run(e, 100);
    EXPECT_EQ(e->work0, 154);
    playtest::QuadRecorder rec;
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 1u);
    const playtest::Quad& q = rec.quads[0];
    EXPECT_EQ(q.slot, 36);
    EXPECT_FLOAT_EQ(q.src[0], 640.0f);
    EXPECT_FLOAT_EQ(q.src[1], 480.0f);
    EXPECT_FLOAT_EQ(q.dst[0], 0.0f);
    EXPECT_FLOAT_EQ(q.dst[1], 0.0f);
    EXPECT_FLOAT_EQ(q.dst[2], 640.0f);
    EXPECT_EQ(q.colour, 0x9AFFFFFFu);
    Run(e, 149);
    EXPECT_EQ(e->isDying, 0);
    Run(e, 1);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(PictureTest, PicksItsCellByLifeAndDrawsNothingForOtherNumbers) {
    struct Pick {
        float life;
        bool drawn;
        float sx, sy;
    };
    const Pick picks[] = {{1, true, 640, 0},    {4, true, 640, 1440},  {5, true, 1280, 0},
                          {6, true, 1280, 480}, {0, false, 0, 0},      {4.5f, false, 0, 0},
                          {7, false, 0, 0},     {-3, false, 0, 0}};
    for (const Pick& p : picks) {
        cEnemyObjectBase* e = Make({80, 320, 240, 0, 0, 0, 0.0f, 0.0f, p.life});
        playtest::QuadRecorder rec;
        e->Draw();
        ASSERT_EQ(rec.quads.size(), p.drawn ? 1u : 0u) << p.life;
        if (p.drawn) {
            EXPECT_FLOAT_EQ(rec.quads[0].src[0], p.sx);
            EXPECT_FLOAT_EQ(rec.quads[0].src[1], p.sy);
        }
    }
}

TEST_F(EnemyTest, Enemy81HurtsOnItsLineAndShrinksFor560Frames) {
    cEnemyObjectBase* e = Make({81, 320, 240});
    e->Update();
    EXPECT_EQ(e->radius, 639);
    Run(e, 339);
    ASSERT_EQ(e->radius, 300);
    Place(Player1, 320 + 302, 240);  // radius + 2
    e->HitTest();
    EXPECT_EQ(Player1->life, 4);
    Player1->isInvincible = 0;
    Place(Player1, 320 + 298, 240);  // radius - 2
    e->HitTest();
    EXPECT_EQ(Player1->life, 3);
    Player1->isInvincible = 0;
    Place(Player1, 320 + 297, 240);  // inside the ring
    e->HitTest();
    Place(Player1, 320, 240);
    e->HitTest();
    EXPECT_EQ(Player1->life, 3);
    Run(e, 220);
    EXPECT_EQ(e->radius, 80);
    EXPECT_EQ(e->isDying, 1);
}

TEST_F(EnemyTest, Enemy83RingEndsTwoUnitsShortOfItsStart) {
    cEnemyObjectBase* e = Make({83});
    const std::vector<Fired> shots = Run(e, 7);
    ASSERT_EQ(shots.size(), 15u);
    EXPECT_EQ(shots[0].angle, 320);
    EXPECT_EQ(shots[14].angle, 320 + 65534);
    EXPECT_EQ(shots[0].graphic, 6);
    const std::vector<Fired> more = Run(e, 173);  // to frame 180
    EXPECT_EQ(more.size(), 24u * 15u + 1u);       // rings at 14 .. 175, one aimed shot
    EXPECT_EQ(CountAt(more, 173), 1);
    EXPECT_EQ(more.back().graphic, 4);
    EXPECT_EQ(more.back().angle, 16384);
    int32_t aimed = 0;
    for (const Fired& f : more) aimed += f.graphic == 4;
    EXPECT_EQ(aimed, 1);
}

TEST_F(EnemyTest, Enemy84ErasesBulletsForAsManyHitFramesAsItsLife) {
    TwoPlayers();
    cEnemyObjectBase* e = Make({84, 320, 240, 0, 0, 1, 0.0f, 0.0f, 4.0f});
    EXPECT_FLOAT_EQ(e->life, 6.0f);
    m.FireEnemyBullet(320 + 126, 240, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 0,
                      0);  // radius 6 + 120 away
    cEnemyBulletBase* near = m.enemyBullets[static_cast<size_t>(m.enemyBulletCursor)];
    m.FireEnemyBullet(320 + 127, 240, BulletMotion::kPlain, BulletGraphic::kOrb, 0, 0, elements::kFire, 0, 0);
    cEnemyBulletBase* far = m.enemyBullets[static_cast<size_t>(m.enemyBulletCursor)];
    near->radius = far->radius = 6;
    cPlayerBulletBase* shot = Shot(320, 240, 0, 100.0f);
    e->HitTest();
    EXPECT_EQ(near->isActive, 0);
    EXPECT_EQ(far->isActive, 1);
    EXPECT_EQ(shot->isActive, 1);  // player shots pass
    EXPECT_EQ(ActiveEffectsOfKind(3), 1);
    EXPECT_FLOAT_EQ(e->life, 5.0f);
    for (int32_t i = 0; i < 4; ++i) e->HitTest();
    EXPECT_EQ(e->isDying, 0);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    EXPECT_EQ(Player1->score + Player2->score, 0);
}

TEST_F(EnemyTest, Enemy86SecondStreamRuns33768Behind) {
    cEnemyObjectBase* e = Make({86});
    const std::vector<Fired> shots = Run(e, 8);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].angle - shots[1].angle, 33768);
    EXPECT_TRUE(e->work0 == 120 || e->work0 == -120);
    EXPECT_EQ(shots[0].angle, (e->work0 == 120 ? 0 : 1) + 8 * e->work0);
    // Its making draws once from the generator, as replays rely on.
    SeedGameRand(5);
    GameRand();
    const int32_t second = GameRand();
    SeedGameRand(5);
    delete CreateEnemyClass(86);
    EXPECT_EQ(GameRand(), second);
}

TEST_F(EnemyTest, Enemy88EatsShotsAndGrowsWithoutDying) {
    cEnemyObjectBase* e = Make({88, 320, 100, 0, 0, 0, 0.0f, 0.0f, 1.0f});
    cPlayerBulletBase* a = Shot(320 + 55, 100, 1, 100.0f);  // radius 15 + 40
    cPlayerBulletBase* b = Shot(320 + 57, 100, 1, 100.0f);  // inside once it has grown
    e->HitTest();
    EXPECT_EQ(a->isActive, 0);
    EXPECT_EQ(b->isActive, 0);
    EXPECT_EQ(e->radius, 44);
    EXPECT_FLOAT_EQ(e->life, 1.0f);
    EXPECT_EQ(e->isDying, 0);
    EXPECT_EQ(ActiveEffectsOfKind(3), 2);
    EXPECT_EQ(ActiveEffectsOfKind(11), 0);
    playtest::QuadRecorder rec;
    e->Draw();
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[2], 88.0f);
    EXPECT_FLOAT_EQ(rec.quads[0].dst[0], 320.0f - 44.0f);
}

TEST_F(EnemyTest, Enemy88ChasesPlayerTwoInTwoPlayerMode) {
    TwoPlayers(320, 0);
    cEnemyObjectBase* e = Make({88, 320, 100, 0, 0, 0, 1.0f});
    e->Update();
    EXPECT_EQ(e->angle, 49152);
    EXPECT_FLOAT_EQ(e->y, 99.0f);
}

TEST_F(EnemyTest, Enemy89SpraysCurvingPairsOfBothElements) {
    cEnemyObjectBase* e = Make({89, 320, 100, 0, 0, 0});
    const std::vector<Fired> shots = Run(e, 640);
    ASSERT_EQ(shots.size(), 4u);
    EXPECT_EQ(e->angle, 32768);
    EXPECT_EQ(shots[0].angle, 32768 + 15000);
    EXPECT_EQ(shots[0].turn, -20);
    EXPECT_EQ(shots[1].angle, 32768 - 15000);
    EXPECT_EQ(shots[1].turn, 20);
    EXPECT_EQ(shots[2].angle, 32768 + 16300);
    EXPECT_EQ(shots[2].element, 1);
    EXPECT_EQ(shots[3].element, 1);
}

TEST_F(EnemyTest, Enemy90Fires34VolleysAtAShrinkingPeriod) {
    cEnemyObjectBase* e = Make({90, 320, 240, 32768, 0, 1, 0.0f});
    const std::vector<int32_t> gaps = VolleyGaps(e, 5000, [](const std::vector<Fired>& now) {
        ASSERT_EQ(now.size(), 30u);
        EXPECT_FLOAT_EQ(now[0].y, 0.0f);
        EXPECT_FLOAT_EQ(now[29].y, 240.0f - 240.0f + 24.0f * 29.0f);
        EXPECT_FLOAT_EQ(now[29].x, 320.0f);
        EXPECT_EQ(now[0].angle, 32768);
    });
    ASSERT_EQ(gaps.size(), 34u);
    EXPECT_EQ(gaps[0], 80);
    EXPECT_EQ(gaps[1], 78);
    EXPECT_EQ(gaps[23], 34);
    EXPECT_EQ(gaps[24], 32);
    EXPECT_EQ(gaps[33], 32);
    EXPECT_EQ(e->isDying, 1);
    // Any other heading fires nothing but still leaves after 34 volleys.
    cEnemyObjectBase* g = Make({90, 320, 240, 1000, 0, 1, 0.0f});
    EXPECT_TRUE(Run(g, 1900).empty());
    EXPECT_EQ(g->isDying, 1);
}

TEST_F(EnemyTest, Enemy91BeamsTestEveryFiveFramesAndTheHorizontalOneOnlyPlayerOne) {
    TwoPlayers();
    Player1->element = elements::kFire;
    Player2->element = elements::kIce;
    Place(Player1, 330, 400);  // on the vertical line x 320 +- 10
    Place(Player2, 310, 200);
    cEnemyObjectBase* v = Make({91, 320, 240, 0, 0, 0, 0.0f});
    const float gauge = Player1->gauge;
    Live(v, 10);
    EXPECT_FLOAT_EQ(Player1->gauge, static_cast<float>(gauge + 0.2));
    EXPECT_EQ(Player2->life, 4);
    Player2->isInvincible = 0;
    Live(v, 4);
    EXPECT_EQ(Player2->life, 4);
    Live(v, 1);
    EXPECT_EQ(Player2->life, 3);
    Player2->isInvincible = 0;
    cEnemyObjectBase* h = Make({91, 320, 200, 16384, 0, 0, 0.0f});
    Place(Player1, 100, 211);  // one pixel off the horizontal line
    h->frame = 9;
    Live(h, 1);
    EXPECT_EQ(Player2->life, 3);  // on the line, but never tested
    EXPECT_EQ(Player1->life, 5);
    while (v->frame < 2199) v->Update();
    v->HitTest();
    EXPECT_EQ(v->isDying, 0);
    Live(v, 1);
    EXPECT_EQ(v->isDying, 1);
}

TEST_F(EnemyTest, Enemy92HomesThroughTheWrapAt190AFrame) {
    Place(Player1, 420, 0);  // up and right: aim above 32768
    cEnemyObjectBase* e = Make({92, 320, 100, 1000, 0, 0, 0.0f});
    e->Update();
    EXPECT_EQ(e->angle, 1000 + 65536 - 190);
    for (int32_t i = 0; i < 200; ++i) e->Update();
    EXPECT_NEAR(e->angle, e->work2, 190);
}

TEST_F(EnemyTest, Enemy93ChargesWithFansAfterEveryHitAndDropsALifeItem) {
    TwoPlayers(320, 400);
    cEnemyObjectBase* e = Make({93, 320, 100, 0, 0, 0, 1.0f, 0.0f, 4.0f});
    e->Update();
    EXPECT_FLOAT_EQ(e->x, 321.0f);
    Shot(321, 100, 1, 1.0f);
    e->HitTest();
    EXPECT_EQ(e->mode, 1);
    EXPECT_EQ(e->frame, 0);
    EXPECT_EQ(ActiveEffectsOfKind(3), 0);  // no flash
    EXPECT_EQ(ActiveEffectsOfKind(11), 6);
    const std::vector<Fired> fan = Run(e, 14);
    ASSERT_EQ(fan.size(), 11u);
    const int32_t aim = e->angle;
    EXPECT_EQ(fan[0].angle, aim - 9500);
    EXPECT_EQ(fan[10].angle, aim + 5500);
    Run(e, 16);
    EXPECT_EQ(e->mode, 0);
    Shot(e->x, e->y, 0, 10.0f, 1);
    e->HitTest();
    EXPECT_EQ(e->isDying, 1);
    Shot(e->x, e->y, 0, 10.0f, 1);
    e->HitTest();  // a dying charger pays and drops once
    EXPECT_EQ(Player2->score, 3000);
    const std::vector<cEnemyObjectBase*> items = OfType(102);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(typeid(*items[0]), typeid(ItemLife));
}

TEST_F(EnemyTest, Enemy96SpawnsElementTwoShardsThatAnyShotHurtsFully) {
    cEnemyObjectBase* e = Make({96, 320, 100, 16384, 0, 1});
    for (int32_t f = 1; f <= 2100; ++f) e->Update();
    const std::vector<cEnemyObjectBase*> shards = OfType(95);
    ASSERT_EQ(shards.size(), 28u);  // frames 70 .. 1960
    cEnemyObjectBase* s = shards[0];
    EXPECT_EQ(s->element, 2);
    EXPECT_FLOAT_EQ(s->speed, 1.8f);
    EXPECT_EQ(s->angle, 16384);
    EXPECT_FLOAT_EQ(s->life, 300.0f);
    s->isActive = 1;
    s->placedOnStage = 1;
    s->life = 2.0f;
    Shot(s->x, s->y, 0, 1.0f);
    s->HitTest();
    EXPECT_FLOAT_EQ(s->life, 1.0f);
    Shot(s->x, s->y, 1, 1.0f);
    s->HitTest();
    EXPECT_EQ(s->isDying, 1);
    const std::vector<cEnemyObjectBase*> items = OfType(103);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->element, 0);
    const float x = s->x;
    s->isDying = 0;
    s->Update();
    EXPECT_FLOAT_EQ(s->y, 100.0f + 1.8f);
    EXPECT_FLOAT_EQ(s->x, x);
}

}  // namespace
