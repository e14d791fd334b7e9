// Every enemy schedule played from its stage start to its end on the real
// game scene, with player 1 invincible and fighting. A schedule ends where its
// stage boss comes in, at the end of the stage's scroll script (each difficulty
// has its own script and length); guardians that halt the scroll add frames.
// Each run counts the enemies the schedule brought, those destroyed and the
// enemy bullets started up to that end. Stages 1 to 4 then fight their boss
// to the stage-clear tally (the talks run through with ELEMENT held), counting
// the frames from the boss's arrival to its defeat, the attacks seen and the
// bonuses paid. Each run prints its row and rebuilds the table of all rows in
// the build folder.
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
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/field_watch.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/test_support.h"

namespace {

constexpr int32_t kBossTail = 60;  // frames played past the schedule's end: the boss comes in
constexpr int32_t kFightBudget = 60000;  // frames a boss fight may take at most (every attack timed out)

// The longest run seen, in frames, by stage (1 to 4) and difficulty: the
// schedule up to its end, and the boss's fight from its arrival to its
// defeat (the table's rows). A run past its FrameBound stops there, failing.
struct Longest {
    int32_t schedule, fight;
};
constexpr Longest kLongest[4][3] = {{{7410, 1694}, {10470, 1965}, {2880, 3039}},
                                    {{9660, 1701}, {9800, 2659}, {4620, 5491}},
                                    {{7710, 1449}, {10610, 2366}, {8910, 3812}},
                                    {{20310, 3246}, {16810, 5617}, {9750, 8489}}};

struct Counts {
    int32_t frames = 0;
    records::Fnv field;  // playtest::FoldField over every frame
    int32_t halted = 0;  // frames the scroll and the schedule stood still
    int32_t bossAt = 0;
    int32_t spawned = 0;
    int32_t destroyed = 0;
    int64_t bullets = 0;
    int32_t peakBullets = 0;
    bool reachedEnd = false;  // the schedule ran to its end
    // The boss fight (stages 1 to 4).
    bool fought = false;
    int32_t bossFrames = 0;  // from its arrival to its defeat
    playtest::BossWatch boss;
    bool tally = false;
    int32_t fightFrames = 0;  // frames played after the schedule's end
};

// Stages whose boss fights to the tally.
bool FightsItsBoss(int32_t stage) { return stage >= 1 && stage <= 4; }

Counts PlaySchedule(int32_t stage, int32_t difficulty) {
    Counts c;
    playtest::StartSchedule(stage, difficulty);
    playtest::QuadRecorder drawn;
    c.bossAt = playtest::ScheduleEnd(stage, difficulty);
    // Stages 5 and 6 bring a mid-boss first (the first boss slot): it is taken
    // off as if beaten at once, so the run covers the schedule after it.
    if (BossA && BossB) {
        delete BossA;
        BossA = nullptr;
    }
    const int32_t end = c.bossAt + kBossTail;
    cObjectManager& m = ObjectManager;
    // The list keeps its order: the sweep erases, spawns append. Pointers of
    // the last frame are compared, never followed. The loops below walk raw
    // arrays: they run every frame, and unoptimised container calls would cost
    // the sanitizer build a tenth of the run.
    struct Seen {
        const cEnemyObjectBase* object;
        bool enemy;
    };
    std::vector<Seen> last, now;
    for (const cEnemyObjectBase* e : m.enemyList) {
        last.push_back({e, testsupport::IsEnemyType(e->type)});
        if (testsupport::IsEnemyType(e->type)) ++c.spawned;
    }
    std::vector<int32_t> lastFrame(m.enemyBullets.size(), -1);  // -1: inactive
    const bool fight = FightsItsBoss(stage);
    const int32_t cap = 3 * end + (fight ? kFightBudget : 0);  // halts of the scroll included
    const int32_t scheduleBound = playtest::FrameBound(kLongest[stage - 1][difficulty].schedule);
    const int32_t fightBound = playtest::FrameBound(kLongest[stage - 1][difficulty].fight);
    playtest::BossWatch& w = c.boss;
    while (c.frames < cap) {
        if (!c.reachedEnd && c.frames > scheduleBound) {
            ADD_FAILURE() << "the schedule ran past its " << scheduleBound << " frames";
            break;
        }
        if (w.arrived >= 0 && w.beaten < 0 && c.frames - w.arrived > fightBound) {
            ADD_FAILURE() << "the boss still fought after its " << fightBound << " frames, in phase "
                          << w.phases.back();
            break;
        }
        if (!c.reachedEnd && StageFrame >= end) {
            c.reachedEnd = true;
            if (!fight) break;
        }
        if (fight ? GameState.subState == kSubStateTally
                  : GameState.subState != kSubStatePlay)
            break;
        if (GameState.subState != kSubStatePlay && GameState.subState != kSubStateDialogue) break;
        const int32_t before = StageFrame;
        playtest::PlayScheduleFrame();
        playtest::FoldField(c.field, drawn);
        ++c.frames;
        if (fight && BossA) w.See(*BossA, c.frames);
        if (c.reachedEnd) {
            // The schedule's counts end where the boss comes in; the field's rules hold on.
            ++c.fightFrames;
            c.tally = GameState.subState == kSubStateTally;
            const std::string broken = c.frames % 4 && !c.tally ? std::string() : playtest::CheckInvariants();
            if (!broken.empty()) {
                ADD_FAILURE() << "fight frame " << c.fightFrames << ": " << broken;
                break;
            }
            continue;
        }
        if (StageFrame == before) ++c.halted;
        const size_t count = m.enemyList.size(), lastCount = last.size();
        cEnemyObjectBase* const* list = m.enemyList.data();
        now.resize(count);
        const Seen* was = last.data();
        Seen* is = now.data();
        size_t i = 0;
        for (size_t k = 0; k < count; ++k) {
            const cEnemyObjectBase* e = list[k];
            while (i < lastCount && was[i].object != e) c.destroyed += was[i++].enemy ? 1 : 0;
            const bool enemy = testsupport::IsEnemyType(e->type);
            if (i < lastCount) {
                ++i;
            } else if (enemy) {
                ++c.spawned;
            }
            is[k] = {e, enemy};
        }
        for (; i < lastCount; ++i) c.destroyed += was[i].enemy ? 1 : 0;
        last.swap(now);
        // A bullet started this frame was idle, or restarted its frame count.
        int32_t active = 0;
        cEnemyBulletBase* const* bullets = m.enemyBullets.data();
        int32_t* frames = lastFrame.data();
        for (size_t k = 0, n = lastFrame.size(); k < n; ++k) {
            const cEnemyBulletBase* b = bullets[k];
            if (!b->isActive) {
                frames[k] = -1;
                continue;
            }
            ++active;
            if (frames[k] < 0 || b->frame <= frames[k]) ++c.bullets;
            frames[k] = b->frame;
        }
        if (active > c.peakBullets) c.peakBullets = active;
        // Every fourth frame and the last.
        const bool lastFrameOfRun = StageFrame >= end || GameState.subState != kSubStatePlay;
        const std::string broken =
            c.frames % 4 && !lastFrameOfRun ? std::string() : playtest::CheckInvariants();
        if (!broken.empty()) {
            ADD_FAILURE() << "frame " << StageFrame << ": " << broken;
            break;
        }
    }
    c.fought = fight && w.arrived >= 0;
    c.bossFrames = w.beaten >= 0 ? w.beaten - w.arrived : 0;
    return c;
}

std::string Row(int32_t stage, int32_t difficulty, const Counts& c) {
    char line[256];
    // The schedule's frames: up to its end.
    const int32_t frames = c.frames - (c.fought ? c.fightFrames : 0);
    const double perMinute = frames ? 3600.0 / frames : 0.0;
    int n = std::snprintf(line, sizeof line, "%5d %10d %6d %6d %7d %7d %9d %7lld %7.0f %10.0f %12d", stage, difficulty,
                          frames, c.halted, c.bossAt, c.spawned, c.destroyed, static_cast<long long>(c.bullets),
                          c.spawned * perMinute, static_cast<double>(c.bullets) * perMinute, c.peakBullets);
    if (c.fought)
        std::snprintf(line + n, sizeof line - size_t(n), " %11d %7d %7d %11lld %s\n", c.bossFrames,
                      c.boss.attacks(), c.boss.bonuses, static_cast<long long>(c.boss.bonusTotal),
                      playtest::PhaseList(c.boss.unpaid()).c_str());
    else
        std::snprintf(line + n, sizeof line - size_t(n), " %11s %7s %7s %11s %s\n", "-", "-", "-", "-", "-");
    return line;
}

// Frames include the halted ones; the rates are per minute of play (3600
// frames) up to the schedule's end. boss-frames: from the boss's arrival to
// its defeat; attacks: attack phases seen; bonuses: named attacks paid;
// unpaid: the phases of named attacks that paid none.
constexpr const char* kHeader =
    "stage difficulty frames halted boss-at spawned destroyed bullets spawn/m bullets/m peak-bullets boss-frames "
    "attacks bonuses bonus-total unpaid\n";

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
// up to half a minute under the sanitizers.
TEST_P(StagePlay, LongScheduleRunsToItsEndWithoutFault) {
    const int32_t stage = GetParam() / 10;
    const int32_t difficulty = GetParam() % 10;
    playtest::SourceFolder folder;
    ASSERT_TRUE(folder.ok);
    const int32_t end = playtest::ScheduleEnd(stage, difficulty);
    ASSERT_GT(end, 0) << "the schedule was not read";
    const Counts c = PlaySchedule(stage, difficulty);
    EXPECT_TRUE(c.reachedEnd) << "the scroll stayed halted";
    ASSERT_TRUE(Player1 && Player1->isActive);
    // Counts, attacks seen, named attacks paid or not and their total are in
    // the recorded row; where each run ends (every enemy come, the boss beaten
    // or still coming in), in the field folded over every frame.
    if (FightsItsBoss(stage)) {
        ASSERT_TRUE(c.fought) << "the boss never came";
        EXPECT_TRUE(c.tally) << "no tally after " << c.fightFrames << " frames of the fight";
    }
    EXPECT_EQ(records::Check(playtest::kPlayRecords, "stage" + std::to_string(GetParam()), c.field.h,
                            Row(stage, difficulty, c)),
              "");
    RecordProperty("row", Row(stage, difficulty, c));
    std::printf("%s%s", kHeader, Row(stage, difficulty, c).c_str());
    WriteTable(stage, difficulty, c);
}

// Longest first: the runner starts tests in this order, and a long run left to
// the end would keep one worker busy alone. Stages 5 and 6 play through their
// bosses in test_stage_play_finals.cpp.
INSTANTIATE_TEST_SUITE_P(Schedules, StagePlay, ::testing::Values(40, 41, 42, 32, 31, 21, 11, 30, 20, 10, 12, 22),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Stage" + std::to_string(info.param / 10) + "Difficulty" +
                                    std::to_string(info.param % 10);
                         });

}  // namespace
