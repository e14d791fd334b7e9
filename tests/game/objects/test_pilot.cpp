// The autopilot's decisions on a headless field: the invincible course the
// stage playthroughs fly, and what a mortal pilot adds (stepping aside from a
// bullet, taking the bullets' element, FORCE as the last resort).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/pilot.h"
#include "tests/game/objects/play_harness.h"

namespace {

class PilotField : public ::testing::Test {
protected:
    void SetUp() override {
        playtest::ResetField(3);
        playtest::StartPlayers(1, false, 320, 400);
        GameState.frameCount = 1;
        Player1->element = elements::kFire;
    }
    void TearDown() override { playtest::ClearField(); }
    // A bullet flying at `speed` along `angle` from (x, y), already under way.
    static void Bullet(float x, float y, int32_t angle, float speed, int32_t element) {
        ObjectManager.FireEnemyBullet(x, y, BulletMotion::kPlain, BulletGraphic::kOrb, angle, 0,
                                      elements::FromNumber(element), speed, 0.0f);
    }
    static bool Moves(uint16_t keys) { return (keys & (PAD_UP | PAD_DOWN | PAD_LEFT | PAD_RIGHT)) != 0; }
};

TEST_F(PilotField, TalksRunOnElementAndAnEmptyFieldSendsThePlayerBackToTheLowerMiddle) {
    playtest::Pilot invincible, mortal(true);
    GameState.subState = kSubStateDialogue;
    EXPECT_EQ(invincible.Buttons(*Player1, 0), PAD_ELEMENT);
    EXPECT_EQ(mortal.Buttons(*Player1, PAD_ELEMENT), PAD_ELEMENT);
    GameState.subState = kSubStatePlay;
    Player1->SetPosition(100, 100);
    // Down and right toward (320, 360), SHOT tapped: pressed after a frame up, not while held.
    EXPECT_EQ(invincible.Buttons(*Player1, 0), PAD_DOWN | PAD_RIGHT | PAD_SHOT);
    EXPECT_EQ(invincible.Buttons(*Player1, PAD_SHOT), PAD_DOWN | PAD_RIGHT);
}

TEST_F(PilotField, AKeptPlayerTakesNoHitAndKeepsTheStockTheGameGaveIt) {
    const int32_t stock = Player1->stock, life = Player1->life;
    playtest::KeepInvincible(*Player1);
    for (int k = 0; k < 5; ++k) Player1->Damage(5);
    EXPECT_EQ(Player1->stock, stock);
    EXPECT_EQ(Player1->life, life);
}

TEST_F(PilotField, AnInvincibleCourseIgnoresTheBulletAMortalPilotStepsAsideFrom) {
    // A bullet of the other element straight down at the player, 60 px above;
    // the course (nothing to target) would go on up toward the lower middle.
    Player1->SetPosition(320, 420);
    Bullet(320, 360, 16384, 4.0f, 1);
    playtest::Pilot invincible, mortal(true);
    const uint16_t course = invincible.Buttons(*Player1, PAD_SHOT);
    EXPECT_EQ(course, PAD_UP);
    const uint16_t dodge = mortal.Buttons(*Player1, PAD_SHOT);
    EXPECT_TRUE(dodge & (PAD_LEFT | PAD_RIGHT)) << dodge;
    EXPECT_EQ(mortal.dodges, 1);
    // A bullet of the player's own element is absorbed: nothing to step from.
    for (cEnemyBulletBase* b : ObjectManager.enemyBullets) b->isActive = 0;
    Bullet(320, 360, 16384, 4.0f, 0);
    GameState.frameCount = 2;
    EXPECT_EQ(mortal.Buttons(*Player1, PAD_SHOT), course);
    EXPECT_EQ(mortal.dodges, 1);
}

TEST_F(PilotField, AmongBulletsOfTheOtherElementTheMortalPilotTakesTheirElement) {
    // A ring of slow bullets of element 1 around the player, none close yet.
    for (int32_t i = 0; i < 6; ++i) Bullet(320 + 90.0f * (i % 2 ? 1.0f : -1.0f), 330.0f + 20.0f * i, 0, 0.1f, 1);
    playtest::Pilot mortal(true);
    EXPECT_TRUE(mortal.Buttons(*Player1, 0) & PAD_ELEMENT);
    // Not again straight after: the switch waits out its own frames.
    GameState.frameCount = 3;
    EXPECT_FALSE(mortal.Buttons(*Player1, 0) & PAD_ELEMENT);
}

TEST_F(PilotField, FORCEOnlyWhenNoStepAvoidsTheHitAndTheGaugePaysForIt) {
    // Bullets of the other element closing in from every side at once.
    for (int32_t a = 0; a < 65536; a += 4096)
        Bullet(320 - 30 * std::cos(a * 3.14159265f / 32768), 400 - 30 * std::sin(a * 3.14159265f / 32768), a, 8.0f, 1);
    playtest::Pilot mortal(true);
    Player1->gauge = 10.0f;
    EXPECT_FALSE(mortal.Buttons(*Player1, 0) & PAD_FORCE);
    Player1->gauge = 60.0f;  // the first character's FORCE takes 50
    GameState.frameCount = 2;
    EXPECT_TRUE(mortal.Buttons(*Player1, 0) & PAD_FORCE);
    EXPECT_EQ(mortal.forces, 1);
    GameState.frameCount = 3;
    EXPECT_FALSE(mortal.Buttons(*Player1, PAD_FORCE) & PAD_FORCE);  // a press, not a hold
}

}  // namespace
