// The gallery of enemies 1 to 49: each class in turn on a moving view for
// 20,000 frames, one and two players shooting on every difficulty, with the
// field's invariants checked after every sweep.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>

#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameGlobals.h"
#include "game/shell/GameState.h"
#include "tests/game/objects/play_harness.h"

namespace {

class EnemyGallery : public ::testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(EnemyGallery, TwentyThousandFramesWithEveryClassInTurn) {
    const bool two = std::get<0>(GetParam());
    const int difficulty = std::get<1>(GetParam());
    playtest::ResetField(static_cast<uint32_t>(100 + difficulty));
    GameState.stage = 3;
    playtest::StartPlayers(1, two, 320, 400);
    GameState.difficulty = difficulty;
    Player1->stock = Player2->stock = 1000000;
    cObjectManager& m = ObjectManager;
    // The test's own generator, apart from the game's.
    std::minstd_rand rng(static_cast<uint32_t>(7 + difficulty * 2 + (two ? 1 : 0)));
    float scroll = 0.0f;
    playtest::SetScrollScript([&] {
        scroll -= 0.25f;
        ScrollY = scroll;
        ScrollX = 40.0f * static_cast<float>((StageFrame / 700) % 3) - 40.0f;
    });
    m.SpawnMapCell(5, 200, -100);
    int spawned[50] = {};
    bool seenActive[50] = {};
    for (int frame = 0; frame < 20000; ++frame) {
        if (frame % 400 == 0 && frame / 400 < 49) {
            const int type = 1 + (frame / 400) % 49;
            // Three of the class across the top of the view, in both elements,
            // appearing on the next stage frame as schedule lines do.
            for (int k = 0; k < 3; ++k) {
                const size_t before = m.enemyList.size();
                m.SpawnStageObject(100.0f + 220.0f * static_cast<float>(k), 60.0f + 40.0f * static_cast<float>(k),
                                   type, 8000 + 8192 * k, k == 1 ? 120 : 0, k % 2, 0.5f * static_cast<float>(k),
                                   0.002f, 6.0f, StageFrame + 1);
                spawned[type] += static_cast<int>(m.enemyList.size() - before);
            }
            if (type == 32) m.SpawnStageObject(320, 200, 33, 0, 0, 0, 0, 0, 5.0f, StageFrame + 1);
        }
        for (int p = 0; p < 2; ++p)
            playtest::SetButtons(p, static_cast<uint16_t>((rng() & 0x1EF) | (rng() % 4 ? 0x10 : 0)));
        if (GameState.subState == kSubStateGameOver) GameState.subState = kSubStatePlay;
        playtest::PlayFrame();
        const std::string broken = playtest::CheckInvariants();
        ASSERT_TRUE(broken.empty()) << "frame " << frame << ": " << broken;
        for (const cEnemyObjectBase* e : m.enemyList)
            if (e->isActive && e->type >= 1 && e->type <= 49) seenActive[e->type] = true;
    }
    for (int type = 1; type <= 49; ++type) {
        EXPECT_EQ(spawned[type], 3) << type;
        EXPECT_TRUE(seenActive[type]) << type;
    }
    EXPECT_GT(Player1->score, 0);
    playtest::SetScrollScript(nullptr);
    playtest::ClearField();
}

INSTANTIATE_TEST_SUITE_P(Modes, EnemyGallery, ::testing::Combine(::testing::Bool(), ::testing::Values(0, 1, 2)));

}  // namespace
