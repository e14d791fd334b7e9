// Stages 5 and 6 played through on the real game scene, for both teams and
// every difficulty, with player 1 invincible and fighting: the schedule, the
// mid-boss, the stage boss and the ending, up to the stage-clear tally. The
// talks run through with ELEMENT held. Each run checks the phase sequences of
// both bosses, the mid-boss's departure, and that the ending runs without a
// play frame: from the post-fight talk to the tally the stage frame and the
// player stand still and the scene stays in the dialogue. Each run prints its
// row and rebuilds the table of all rows in the build folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/field_watch.h"
#include "tests/game/objects/play_harness.h"

namespace {

// The longest run seen, in frames, by stage (5, 6) and difficulty, the longer
// of the two teams' rows of the table: the whole run to the tally, the
// mid-boss's fight and the boss's fight, each from its arrival to its defeat.
// A run or a fight past its FrameBound stops there, failing.
struct Longest {
    int32_t run, mid, boss;
};
constexpr Longest kLongest[2][3] = {{{44147, 2577, 3762}, {49137, 2720, 7242}, {56878, 4866, 10440}},
                                    {{29491, 10355, 12128}, {32864, 10719, 14664}, {50905, 20694, 20948}}};

// A fight that has run past its bound: what to say, or "".
std::string Overdue(const char* who, const playtest::BossWatch& w, int32_t frames, int32_t longest) {
    const int32_t bound = playtest::FrameBound(longest);
    if (w.arrived < 0 || w.beaten >= 0 || frames - w.arrived <= bound) return "";
    return std::string("the ") + who + " still fought after its " + std::to_string(bound) + " frames, in phase " +
           std::to_string(w.phases.back());
}

struct FinalRun {
    int32_t frames = 0;
    records::Fnv field;  // playtest::FoldField over every frame
    playtest::BossWatch mid, boss;
    int32_t endingFrames = 0;   // from the post-fight talk's end to the tally
    int32_t phase33Frames = 0;  // frames of phase 33, the end-step frame counted
    bool tally = false;
    std::string ending;         // a broken ending rule, empty when kept
};

FinalRun Play(int32_t stage, int32_t difficulty, int32_t team) {
    FinalRun r;
    playtest::StartSchedule(stage, difficulty, 1, team);
    playtest::QuadRecorder drawn;
    int32_t frozenStage = -1;
    float frozenX = 0.0f, frozenY = 0.0f;
    const Longest& longest = kLongest[stage - 5][difficulty];
    while (true) {
        if (r.frames > playtest::FrameBound(longest.run)) {
            ADD_FAILURE() << "the run went past its " << playtest::FrameBound(longest.run) << " frames";
            break;
        }
        const std::string overdue = Overdue("mid-boss", r.mid, r.frames, longest.mid) +
                                    Overdue("boss", r.boss, r.frames, longest.boss);
        if (!overdue.empty()) {
            ADD_FAILURE() << overdue;
            break;
        }
        playtest::PlayScheduleFrame();
        playtest::FoldField(r.field, drawn);
        ++r.frames;
        const cBossBase* a = BossA;
        const cBossBase* b = BossB;
        if (a) r.mid.See(*a, r.frames);
        if (b) r.boss.See(*b, r.frames);
        if (b && b->active && b->phase >= 32) {
            // The ending: from the post-fight talk's end step on, nothing plays.
            if (frozenStage < 0) {
                frozenStage = StageFrame;
                frozenX = Player1->x;
                frozenY = Player1->y;
            }
            ++r.endingFrames;
            if (b->phase == 33) ++r.phase33Frames;
            if (StageFrame != frozenStage || Player1->x != frozenX || Player1->y != frozenY)
                r.ending = "a play frame ran in the ending";
            const int32_t want = b->phase == 33 && r.phase33Frames == 255 ? kSubStateTally : kSubStateDialogue;
            if (GameState.subState != want && r.ending.empty())
                r.ending = "sub-state " + std::to_string(GameState.subState) + " on ending frame " +
                           std::to_string(r.endingFrames);
        }
        if (GameState.subState == kSubStateTally) {
            r.tally = true;
            break;
        }
        if (GameState.subState != kSubStatePlay && GameState.subState != kSubStateDialogue) break;
        if ((r.frames % 16) == 0) {
            const std::string broken = playtest::CheckInvariants();
            if (!broken.empty()) {
                ADD_FAILURE() << "frame " << r.frames << ": " << broken;
                break;
            }
        }
    }
    return r;
}

std::string Row(int32_t stage, int32_t difficulty, int32_t team, const FinalRun& r) {
    char line[256];
    std::snprintf(line, sizeof line, "%5d %10d %4d %7d %9d %9d %7d %10d %10d %7d %8d %11lld %7d %s/%s\n", stage,
                  difficulty, team, r.frames, r.mid.arrived, r.mid.beaten - r.mid.arrived, r.mid.attacks(),
                  r.boss.arrived, r.boss.beaten - r.boss.arrived, r.boss.attacks(), r.mid.bonuses + r.boss.bonuses,
                  static_cast<long long>(r.mid.bonusTotal + r.boss.bonusTotal), r.endingFrames,
                  playtest::PhaseList(r.mid.unpaid()).c_str(), playtest::PhaseList(r.boss.unpaid()).c_str());
    return line;
}

// mid-at / boss-at: run frame the boss woke; mid-frames / boss-frames: from
// its arrival to its defeat; attacks: attack phases seen; bonuses: named
// attacks paid (both fights); ending: frames from the post-fight talk to the
// tally; unpaid: the phases of named attacks that paid none, mid-boss/boss.
constexpr const char* kHeader =
    "stage difficulty team  frames    mid-at mid-frames mid-att    boss-at boss-frames boss-att  bonuses "
    "bonus-total  ending unpaid\n";

void WriteTable(int32_t stage, int32_t difficulty, int32_t team, const FinalRun& r) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(QUENRITH_BINARY_DIR) / "stage_play";
    fs::create_directories(folder);
    const auto name = [](int32_t s, int32_t d, int32_t t) {
        return "final" + std::to_string(s) + std::to_string(d) + std::to_string(t) + ".txt";
    };
    std::ofstream(folder / name(stage, difficulty, team)) << Row(stage, difficulty, team, r);
    std::string table = kHeader;
    for (int32_t s = 5; s <= 6; ++s)
        for (int32_t d = 0; d <= 2; ++d)
            for (int32_t t = 1; t <= 2; ++t) {
                std::ifstream row(folder / name(s, d, t));
                std::stringstream text;
                text << row.rdbuf();
                table += text.str();
            }
    std::ofstream(folder / "finals.txt") << table;
}

class FinalStagePlay : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { playtest::ClearField(); }
};

// Long runs (named Long, "ctest -E Long" leaves them out).
TEST_P(FinalStagePlay, LongScheduleRunsThroughBothBossesAndTheEnding) {
    const int32_t stage = GetParam() / 100;
    const int32_t difficulty = GetParam() / 10 % 10;
    const int32_t team = GetParam() % 10;
    playtest::SourceFolder folder;
    ASSERT_TRUE(folder.ok);
    ASSERT_GT(playtest::ScheduleEnd(stage, difficulty), 0) << "the schedule was not read";
    const FinalRun r = Play(stage, difficulty, team);
    ASSERT_TRUE(r.tally) << "no tally after " << r.frames << " frames; mid-boss phases " << r.mid.phases.size()
                         << ", boss phases " << r.boss.phases.size();
    // Each boss's phases, the mid-boss's departure, its extra life and the
    // scroll after it, and the ending's frames are in the recorded field
    // (every frame's bosses, enemies and stage frame) and row.
    // The ending: no play frame, the closing fade, then the tally.
    EXPECT_EQ(r.ending, "");
    EXPECT_EQ(GameState.subState, kSubStateTally);
    ASSERT_TRUE(Player1 && Player1->isActive);
    EXPECT_EQ(records::Check(playtest::kPlayRecords, "final" + std::to_string(GetParam()), r.field.h,
                            Row(stage, difficulty, team, r)),
              "");
    RecordProperty("row", Row(stage, difficulty, team, r));
    std::printf("%s%s", kHeader, Row(stage, difficulty, team, r).c_str());
    WriteTable(stage, difficulty, team, r);
}

// stage * 100 + difficulty * 10 + team; the longest first.
INSTANTIATE_TEST_SUITE_P(Finals, FinalStagePlay,
                         ::testing::Values(521, 522, 511, 512, 621, 622, 611, 612, 501, 502, 601, 602),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Stage" + std::to_string(info.param / 100) + "Difficulty" +
                                    std::to_string(info.param / 10 % 10) + "Team" + std::to_string(info.param % 10);
                         });

}  // namespace
