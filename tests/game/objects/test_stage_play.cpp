// Every enemy schedule played from its stage start to its end on the real
// game scene, with player 1 invincible and firing. Each run counts the enemies
// the schedule brought, those destroyed and the enemy bullets started, prints
// its row and rebuilds the table of all rows in the build folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameGlobals.h"
#include "game/shell/GameState.h"
#include "platform/win32/win32.h"
#include "tests/game/objects/play_harness.h"

namespace {

constexpr int32_t kBossTail = 60;  // frames played past the schedule's end: the boss comes in

struct Counts {
    int32_t frames = 0;
    int32_t spawned = 0;
    int32_t destroyed = 0;
    int64_t bullets = 0;
    int32_t peakBullets = 0;
};

bool IsEnemy(const cEnemyObjectBase* e) { return e->type >= 1 && e->type <= 98; }

class StageFolder {
public:
    StageFolder() {
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof previous, previous);
        previous_ = previous;
        ok = SetCurrentDirectoryA(QUENRITH_SOURCE_DIR) != 0;
    }
    ~StageFolder() { SetCurrentDirectoryA(previous_.c_str()); }
    bool ok;

private:
    std::string previous_;
};

Counts PlaySchedule(int32_t stage, int32_t difficulty) {
    Counts c;
    playtest::StartSchedule(stage, difficulty);
    const int32_t end = playtest::ScheduleEnd(stage, difficulty) + kBossTail;
    cObjectManager& m = ObjectManager;
    // The list keeps its order: the sweep erases, spawns append. Pointers of
    // the last frame are compared, never followed.
    std::vector<std::pair<const cEnemyObjectBase*, bool>> last, now;
    for (const cEnemyObjectBase* e : m.enemyList) {
        last.emplace_back(e, IsEnemy(e));
        if (IsEnemy(e)) ++c.spawned;
    }
    std::vector<int32_t> lastFrame(m.enemyBullets.size(), -1);  // -1: inactive
    const int32_t cap = 3 * end;                                // halts of the scroll included
    while (StageFrame < end && c.frames < cap && GameState.subState == kSubStatePlay) {
        playtest::PlayScheduleFrame();
        ++c.frames;
        now.clear();
        size_t i = 0;
        for (const cEnemyObjectBase* e : m.enemyList) {
            while (i < last.size() && last[i].first != e) c.destroyed += last[i++].second ? 1 : 0;
            if (i < last.size()) {
                ++i;
            } else if (IsEnemy(e)) {
                ++c.spawned;
            }
            now.emplace_back(e, IsEnemy(e));
        }
        for (; i < last.size(); ++i) c.destroyed += last[i].second ? 1 : 0;
        last.swap(now);
        // A bullet started this frame was idle, or restarted its frame count.
        int32_t active = 0;
        for (size_t i = 0; i < m.enemyBullets.size(); ++i) {
            const cEnemyBulletBase* b = m.enemyBullets[i];
            if (!b->isActive) {
                lastFrame[i] = -1;
                continue;
            }
            ++active;
            if (lastFrame[i] < 0 || b->frame <= lastFrame[i]) ++c.bullets;
            lastFrame[i] = b->frame;
        }
        if (active > c.peakBullets) c.peakBullets = active;
        const std::string broken = c.frames % 4 ? std::string() : playtest::CheckInvariants();
        if (!broken.empty()) {
            ADD_FAILURE() << "frame " << StageFrame << ": " << broken;
            break;
        }
    }
    return c;
}

std::string Row(int32_t stage, int32_t difficulty, const Counts& c) {
    char line[160];
    std::snprintf(line, sizeof line, "%5d %10d %6d %8d %10d %8lld %12d\n", stage, difficulty, c.frames, c.spawned,
                  c.destroyed, static_cast<long long>(c.bullets), c.peakBullets);
    return line;
}

constexpr const char* kHeader = "stage difficulty frames spawned destroyed  bullets peak-bullets\n";

// One row file per schedule; the table is every row present, in order.
void WriteTable(int32_t stage, int32_t difficulty, const Counts& c) {
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "stage_play";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / ("row" + std::to_string(stage) + std::to_string(difficulty) + ".txt"))
        << Row(stage, difficulty, c);
    std::string table = kHeader;
    for (int s = 1; s <= 6; ++s) {
        for (int d = 0; d <= 2; ++d) {
            std::ifstream row(folder / ("row" + std::to_string(s) + std::to_string(d) + ".txt"));
            std::stringstream text;
            text << row.rdbuf();
            table += text.str();
        }
    }
    std::ofstream(folder / "table.txt") << table;
}

class StagePlay : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { playtest::ClearField(); }
};

// Long runs (named Long, "ctest -E Long" leaves them out): a whole stage each,
// up to half a minute of play under the sanitizers.
TEST_P(StagePlay, LongScheduleRunsToItsEndWithoutFault) {
    const int32_t stage = GetParam() / 10;
    const int32_t difficulty = GetParam() % 10;
    StageFolder folder;
    ASSERT_TRUE(folder.ok);
    const int32_t end = playtest::ScheduleEnd(stage, difficulty);
    ASSERT_GT(end, 0) << "the schedule was not read";
    const Counts c = PlaySchedule(stage, difficulty);
    // Nobody is hurt and nothing ends the stage early but a beaten boss.
    EXPECT_NE(GameState.subState, kSubStateGameOver);
    ASSERT_TRUE(Player1 && Player1->isActive);
    if (GameState.subState == kSubStatePlay) {
        EXPECT_EQ(StageFrame, end + kBossTail) << "the scroll stayed halted";
    }
    EXPECT_GT(c.spawned, 0);
    EXPECT_GT(c.destroyed, 0);
    EXPECT_GT(c.bullets, 0);
    EXPECT_GE(c.spawned, c.destroyed);
    std::printf("%s%s", kHeader, Row(stage, difficulty, c).c_str());
    WriteTable(stage, difficulty, c);
}

INSTANTIATE_TEST_SUITE_P(Schedules, StagePlay,
                         ::testing::Values(10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42, 50, 51, 52, 60, 61, 62),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Stage" + std::to_string(info.param / 10) + "Difficulty" +
                                    std::to_string(info.param % 10);
                         });

}  // namespace
