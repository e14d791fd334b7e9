// A long random run of the whole field: random fire of every motion and
// graphic kind, random input for two players, items, boxes and a moving view.
// The invariants hold after every sweep.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

// The test's own generator, apart from the game's.
struct Lcg {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

void Soak(bool two, int team, uint64_t seed) {
    playtest::ResetField(static_cast<uint32_t>(seed));
    playtest::StartPlayers(team, two);
    Player1->stock = Player2->stock = 1000000;  // keep playing through the misses
    Lcg rng{seed};
    cObjectManager& m = ObjectManager;
    float scroll = 0.0f;
    playtest::SetScrollScript([&] {
        scroll -= 0.5f;
        ScrollY = scroll;
        ScrollX = 80.0f * static_cast<float>((StageFrame / 500) % 3) - 80.0f;
    });
    for (int x = 0; x < 16; ++x) m.SpawnMapCell(rng.Below(5), x * 40, -2000 + rng.Below(10) * 40);
    static const int kGraphics[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                    18, 19, 20, 21, 22, 23, 24, 50, 51, 52, 53, 54, 55, 100};
    static const int kItems[] = {101, 102, 103, 104, 110, 111, 112, 300};
    for (int frame = 0; frame < 10000; ++frame) {
        const int volley = rng.Below(6);
        for (int i = 0; i < volley; ++i) {
            const float x = ScrollX + static_cast<float>(rng.Below(640));
            const float y = ScrollY + static_cast<float>(rng.Below(200));
            m.FireEnemyBullet(x, y, static_cast<BulletMotion>(1 + rng.Below(19)),
                              static_cast<BulletGraphic>(kGraphics[rng.Below(32)]), rng.Below(65536),
                              rng.Below(400) - 200, elements::FromNumber(rng.Below(5)),
                              static_cast<float>(rng.Below(5)), 0.01f * static_cast<float>(rng.Below(5)));
        }
        if (rng.Below(60) == 0) {
            m.SpawnStageObject(static_cast<float>(rng.Below(640)), static_cast<float>(rng.Below(300)),
                               kItems[rng.Below(8)], 0, 0, elements::FromNumber(rng.Below(3)), 0, 0, 2.0f, StageFrame);
        }
        if (rng.Below(400) == 0) m.CancelEnemyBullets();
        if (rng.Below(900) == 0) m.DestroyAllEnemies();
        if (rng.Below(50) == 0) Player1->gauge = 200.0f;
        for (int p = 0; p < 2; ++p) playtest::SetButtons(p, static_cast<uint16_t>(rng.Next() & 0x1FF));
        if (GameState.subState == kSubStateGameOver) GameState.subState = kSubStatePlay;
        if (rng.Below(300) == 0) GameState.subState = kSubStatePause;
        else if (GameState.subState == kSubStatePause && rng.Below(10) == 0) GameState.subState = kSubStatePlay;
        playtest::PlayFrame();
        const std::string broken = playtest::CheckInvariants();
        ASSERT_TRUE(broken.empty()) << "frame " << frame << ": " << broken;
    }
    EXPECT_GT(Player1->score, 0);
    playtest::SetScrollScript(nullptr);
}

TEST(PlayFieldSoak, TenThousandFramesOnePlayerTeam1) { Soak(false, 1, 20261207); }

TEST(PlayFieldSoak, TenThousandFramesTwoPlayersTeam2) { Soak(true, 2, 77); }

TEST(PlayFieldSoak, SameSeedSameRun) {
    Soak(true, 1, 5);
    const int first = Player1->score + Player2->score * 7 + ObjectManager.effectCursor;
    Soak(true, 1, 5);
    EXPECT_EQ(Player1->score + Player2->score * 7 + ObjectManager.effectCursor, first);
    playtest::ClearField();
}

}  // namespace
