// Whole fights of the first four bosses on every difficulty, for one and two
// players, on the headless field in the game scene's order: each attack is
// ended early by its hp after 250 frames, player 1 holds ELEMENT through the
// talks. Each fight shows its phases in order, skips the attacks its
// difficulty skips, pays each named attack's bonus once (the amount its time
// table and bonus table give), reaches the tally, and draws only inside the
// demo data set's pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/bosses/BossCommon.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/objects/ObjectTypes.h"
#include "game/state/cBossBase.h"
#include "tests/game/bosses/boss_field.h"
#include "tests/game/objects/field_watch.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/records.h"
#include "tools/demodata/Inventory.h"

namespace {

// Slot and whole-texel source box of every quad drawn, but for the faded banner.
void RecordArt(const playtest::Quad& q, std::set<std::tuple<int, int, int, int, int>>& art) {
    if ((q.colour >> 24) == 0) return;
    float x0 = q.src[0], x1 = q.src[0] + q.src[2], y0 = q.src[1], y1 = q.src[1] + q.src[3];
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    const int left = int(std::floor(x0)), top = int(std::floor(y0));
    art.insert({q.slot, left, top, int(std::ceil(x1)) - left, int(std::ceil(y1)) - top});
}

// A named attack ended on its 251st frame has had four counts off its limit
// T, so it pays what its table gives for T - 4 seconds left (stage 2's first:
// 206666), on every difficulty and for one or two players alike. Stage 1 is
// left out: its dashes restart the phase timer wherever the view's edge stops
// them, which moves its counts.
constexpr int32_t kCountsOff = 4;

// Shamyu's time limit of each phase, in seconds. Her dashes restart the phase
// timer, so her bonuses do not pin them: they are read at each phase's start,
// and a restart leaves the seconds counted so far as they were.
const std::map<int32_t, int32_t> kStage1Limits = {{2, 60}, {3, 60}, {4, 60}, {5, 60}, {6, 60}, {7, 60}, {8, 60}};

class BossFights : public bosstest::BossField, public ::testing::WithParamInterface<std::tuple<int, int, bool>> {};

TEST_P(BossFights, RunThroughTheirAttacksPayEachBonusOnceAndDrawFromTheirSheets) {
    const int32_t stage = std::get<0>(GetParam());
    const int32_t difficulty = std::get<1>(GetParam());
    const bool two = std::get<2>(GetParam());
    cBossBase* boss = playtest::StartBossFight(stage, difficulty, two, uint32_t(stage * 10 + difficulty));
    ASSERT_NE(boss, nullptr);
    std::set<std::tuple<int, int, int, int, int>> art;
    seeQuad = [&art](const playtest::Quad& q) { RecordArt(q, art); };
    const Fight f = Drive(boss, 40000, 250, [] { return GameState.subState == kSubStateTally; });
    seeQuad = nullptr;
    // The last named attack by stage (1 to 4) on difficulty 0 and above it.
    const int32_t lastEasy[4] = {8, 6, 6, 8};
    const int32_t lastOther[4] = {8, 8, 8, 10};
    const int32_t last = difficulty == 0 ? lastEasy[stage - 1] : lastOther[stage - 1];
    std::vector<int32_t> expect = {0};
    for (int32_t p = 2; p <= last; ++p) expect.push_back(p);
    for (int32_t p : {30, 31, 32}) expect.push_back(p);
    EXPECT_EQ(f.phases, expect);
    EXPECT_GT(f.frames, 0) << "no tally after 40000 frames";
    EXPECT_EQ(f.bonuses, (last - 2) / 2);
    if (stage == 1) {
        for (const Limit& l : f.limits) EXPECT_EQ(l.seconds, kStage1Limits.at(l.phase)) << "phase " << l.phase;
        EXPECT_EQ(f.limits.size(), expect.size() - 4);  // all but 0, 30, 31 and 32
        for (const Restart& r : f.restarts)
            EXPECT_EQ(r.seconds, r.due) << "phase " << r.phase << ", on the frame its timer restarted";
        // On difficulty 0 her dashes reach no edge within the 250 frames each attack runs.
        if (difficulty > 0) {
            EXPECT_FALSE(f.restarts.empty()) << "no dash restarted a phase timer";
        }
    }
    if (stage != 1) {
        std::vector<std::pair<int32_t, int32_t>> want;
        for (int32_t k = 4; k <= last; k += 2) {
            const playtest::NamedAttack* a = playtest::FindNamedAttack(stage, k);
            ASSERT_NE(a, nullptr) << "phase " << k;
            want.push_back({k, playtest::BonusFor(*a, a->limit - kCountsOff)});
        }
        EXPECT_EQ(f.paid, want) << "(attack phase, bonus)";
    }
    // Every quad of the boss's slots lies in a cell of the picture the stage loads there.
    for (const auto& [slot, x, y, w, h] : art) {
        if (slot != 4 && slot != 28 && slot != 31 && slot != 32 && slot != 33) continue;
        const std::string sheet = demodata::SheetForSlot(slot, stage, 1);
        const demodata::ImageAsset* image = demodata::FindImage(sheet);
        ASSERT_NE(image, nullptr) << "slot " << slot;
        EXPECT_NE(demodata::CellAround(*image, demodata::Box{x, y, w, h}), nullptr)
            << sheet << ": (" << x << ", " << y << ") " << w << "x" << h;
    }
}

INSTANTIATE_TEST_SUITE_P(StagesDifficultiesPlayers, BossFights,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4), ::testing::Values(0, 1, 2),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, int, bool>>& info) {
                             return "Stage" + std::to_string(std::get<0>(info.param)) + "Difficulty" +
                                    std::to_string(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "TwoPlayers" : "OnePlayer");
                         });

// Each boss fought to its post-fight talk (a mid-boss to its leave) on every
// difficulty, each attack drained to its end over 720 frames (the longest
// attack cycle, stage 4's catch-ball, takes 700), then for 6000 frames on
// difficulty 1 with each attack left to run out of time: every frame of the
// field and the screen, folded, against its record. Player 1 fights alone but
// on difficulty 2, where player 2 joins.
class FightRecords : public bosstest::BossField, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(FightRecords, EveryFrameOfEveryAttackMatchesItsRecord) {
    const auto [code, team] = GetParam();
    records::Fnv fights;
    for (int32_t run = 0; run <= 3; ++run) {
        const int32_t d = run == 3 ? 1 : run;
        SCOPED_TRACE(testing::Message() << "difficulty " << d << (run == 3 ? ", timed out" : ""));
        cBossBase* b = nullptr;
        if (code <= objecttype::kStage4Boss) {
            b = playtest::StartBossFight(code - objecttype::kStage1Boss + 1, d, d == 2, 7);
        } else {
            playtest::ResetField(7);
            playtest::StartPlayers(team, d == 2, 320, 400);
            GameState.stage = code >= objecttype::kStage6MidBoss ? 6 : 5;
            GameState.difficulty = d;
            testing::internal::CaptureStdout();  // the picture loads print their lines
            b = Make(code, 320, 0, 0, StageFrame + 1);
            testing::internal::GetCapturedStdout();
        }
        ASSERT_NE(b, nullptr);
        const Fight f = Drive(b, run == 3 ? 6000 : 60000, run == 3 ? 1 << 30 : 720, [b] {
            return b->phase >= kPhaseAfterTalk || GameState.subState == kSubStateTally;
        });
        if (run < 3) {
            EXPECT_GT(f.frames, 0);
        }
        fights.Add(f.field.h);
    }
    const std::string key = "fight" + std::to_string(code) + "-team" + std::to_string(team);
    EXPECT_EQ(records::Check(bosstest::kFightRecords, key, fights.h), "");
}

INSTANTIATE_TEST_SUITE_P(Bosses, FightRecords,
                         ::testing::Values(std::pair{200, 1}, std::pair{201, 1}, std::pair{202, 1}, std::pair{203, 1},
                                           std::pair{204, 1}, std::pair{204, 2}, std::pair{205, 1}, std::pair{205, 2},
                                           std::pair{290, 1}, std::pair{290, 2}, std::pair{291, 1}, std::pair{291, 2}),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                             return "Boss" + std::to_string(info.param.first) + "Team" +
                                    std::to_string(info.param.second);
                         });

// Every attack and break of every boss, for each team and difficulty, made
// at its phase and left to run 3000 frames without losing hp (the longest
// loop, the extra stage's sweep, restarts at 2900): the phases, timers,
// seconds, places and element of each frame, each bullet fired, each summon
// and each sound, against their record.
class AttackRecords : public bosstest::FinalBossField, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(AttackRecords, EveryAttackRunsItsLoopsAsRecorded) {
    const auto [code, team] = GetParam();
    records::Fnv h;
    for (int32_t d = 0; d <= 2; ++d)
        for (int32_t phase = kPhaseOpening; phase <= kPhaseLastTabled; ++phase) {
            playtest::ResetField(9);
            playtest::StartPlayers(team, false, 320, 400);
            GameState.difficulty = d;
            GameState.stage = code >= 290 ? 6 : code >= 204 ? 5 : code - 199;
            testing::internal::CaptureStdout();  // the picture loads print their lines
            cBossBase* b = MakeAt(code, phase, 320, 100);
            testing::internal::GetCapturedStdout();
            ASSERT_NE(b, nullptr) << code;
            if (b->phase != phase) break;
            bosstest::Endless(b);
            const std::vector<enemytest::Fired> shots = Record(3000, [&] {
                b->Update();
                const float at[2] = {b->x, b->y};
                h.Floats(at, 2);
                h.Add(b->phase, b->phaseTimer, b->secondsLeft, b->element, m.enemyList.size(), sounds.played.size());
            });
            for (const enemytest::Fired& f : shots) {
                h.Add(f.step, f.motion, f.graphic, f.angle, f.turn, f.element);
                h.Floats(&f.speed, 4);
            }
            h.Add(phase, shots.size());
            for (const cEnemyObjectBase* e : m.enemyList) {  // the summons as made
                h.Add(e->type, e->appearFrame, e->element, e->angle, e->turn, e->dropCode);
                const float made[3] = {e->life, e->speed, e->accel};
                h.Floats(made, 3);
            }
        }
    const std::string key = "attacks" + std::to_string(code) + "-team" + std::to_string(team);
    EXPECT_EQ(records::Check("tests/game/bosses/attack_records.txt", key, h.h), "");
}

INSTANTIATE_TEST_SUITE_P(Bosses, AttackRecords,
                         ::testing::Values(std::pair{200, 1}, std::pair{201, 1}, std::pair{202, 1}, std::pair{203, 1},
                                           std::pair{204, 1}, std::pair{204, 2}, std::pair{205, 1}, std::pair{205, 2},
                                           std::pair{290, 1}, std::pair{291, 1}),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                             return "Boss" + std::to_string(info.param.first) + "Team" +
                                    std::to_string(info.param.second);
                         });

}  // namespace
