// What a route through the story shows, as the stage bosses and talks are
// written: the attacks each stage's bosses bring, the talks it runs and the
// music its talks change to.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/game/shell/playthrough/whole_game.h"
#include "tests/support/test_support.h"

namespace wholegame {

// Attack phases of a stage's bosses (both slots) on a difficulty; the extra
// stage plays on difficulty 1.
inline int32_t AttacksOf(int32_t stage, int32_t difficulty) {
    static constexpr int32_t kFirstFour[4][3] = {{4, 4, 4}, {3, 4, 4}, {3, 4, 4}, {4, 5, 5}};
    if (stage >= 1 && stage <= 4) return kFirstFour[stage - 1][difficulty];
    if (stage == 5) return 3 + (difficulty == 0 ? 4 : 6);  // the other team's mid-boss, then its boss
    return 5 + 7;                                           // the painter pair, then Deena
}

// Talks of a stage: before and after the boss; stages 5 and 6 add the
// mid-boss's two and the ending.
inline size_t TalksOf(int32_t stage) { return stage <= 4 ? 2 : 5; }

// The music of a story game from its title to its result.
inline std::vector<std::string> StoryMusic(int32_t team) {
    return {"Title",   "Stage01",     "Stage01Boss",
            "Stage02", "Stage02Boss", "Stage03",
            "Stage03Boss", "Stage04", "Stage04Boss",
            "Stage05", team == 1 ? "Stage05Boss" : "Stage05Boss_02", "EDTalk"};
}
inline std::vector<std::string> ExtraMusic() {
    return {"Title", "Stage06", "Stage06Boss_01", "Stage06", "Stage06Boss_02", "EDTalk"};
}

// Named attacks of a stage's bosses: all but each slot's opening attack.
inline int32_t NamedAttacksOf(int32_t stage, int32_t difficulty) {
    return AttacksOf(stage, difficulty) - (stage >= 5 ? 2 : 1);
}

// Every stage of the game from `first` to `last` was played once, in order,
// and cleared, with its bosses' attacks and its talks (each of some lines).
// Every named attack ended on its hp and paid its bonus, but those of
// `timedOut` ("5:B4": stage 5, boss slot B, phase 4), which the pilot did not
// beat before their time ran out and which paid none.
inline void ExpectStagesCleared(const RunRecord& r, int32_t game, int32_t first, int32_t last, int32_t difficulty,
                                const std::vector<std::string>& timedOut = {}) {
    std::vector<const StageRecord*> stages;
    for (const StageRecord& s : r.stages)
        if (s.game == game && s.stage >= first && s.stage <= last) stages.push_back(&s);
    ASSERT_EQ(stages.size(), static_cast<size_t>(last - first + 1)) << "game " << game;
    for (int32_t stage = first; stage <= last; ++stage) {
        const StageRecord& s = *stages[size_t(stage - first)];
        SCOPED_TRACE("game " + std::to_string(game) + ", stage " + std::to_string(stage));
        EXPECT_EQ(s.stage, stage);
        EXPECT_TRUE(s.cleared);
        EXPECT_GT(s.spawned, 0);
        EXPECT_GT(s.gone, 0);
        EXPECT_LE(s.gone, s.spawned);
        EXPECT_EQ(s.attacks, AttacksOf(stage, stage == 6 ? 1 : difficulty));
        std::vector<std::string> unpaid;
        for (const std::string& t : timedOut)
            if (t.rfind(std::to_string(stage) + ":", 0) == 0) unpaid.push_back(t.substr(t.find(':') + 1));
        EXPECT_EQ(s.unpaid, unpaid) << "named attacks that paid none";
        EXPECT_EQ(s.bonuses, NamedAttacksOf(stage, stage == 6 ? 1 : difficulty) - static_cast<int32_t>(unpaid.size()));
        ASSERT_EQ(s.talkLines.size(), TalksOf(stage));
        for (int32_t lines : s.talkLines) EXPECT_GT(lines, 0);
    }
}

// A game's result as the screen showed it and score.dat kept it: the stage
// reached, a rank in the table, the row stored under the typed name with the
// score and `rowStage`, and its team and column's best stage and clears.
inline void ExpectResult(const GameRecord& g, const std::string& name, int32_t stage, int32_t rowStage,
                         int32_t best, int32_t clears) {
    EXPECT_EQ(g.resultStage, stage);
    EXPECT_GE(g.rank, 1);
    EXPECT_LE(g.rank, 10);
    EXPECT_EQ(g.rowStage, rowStage);
    EXPECT_EQ(g.row.rfind(name + "|" + std::to_string(g.resultScore) + "|", 0), 0u) << g.row;
    EXPECT_EQ(g.bestStage, best);
    EXPECT_EQ(g.clears, clears);
}

// The ending of the extra stage: stage 8 reached, the row's stage 7, the best
// stage 8, one clear in its column.
inline void ExpectExtraEnding(const GameRecord& g, const std::string& name) {
    EXPECT_EQ(g.music, ExtraMusic());
    ExpectResult(g, name, 8, 7, 8, 1);
}

// The rows recorded for `key` in routes.txt beside this file: a "[key]" line,
// then the rows, up to the next key.
inline std::string RecordedRows(const std::string& key) {
    std::istringstream records(testsupport::ReadFile(testsupport::SourceDir() +
                                                     "/tests/game/shell/playthrough/routes.txt"));
    std::string rows;
    bool mine = false;
    for (std::string line; std::getline(records, line);) {
        if (!line.empty() && line[0] == '[') {
            mine = line == "[" + key + "]";
        } else if (mine) {
            rows += line + "\n";
        }
    }
    return rows;
}

// Prints a run's rows, adds them to the table under `key`, and checks them
// against their record: a route plays the same way every time.
inline void Report(const std::string& key, const std::string& route, const RunRecord& r) {
    const std::string rows = TableRows(route, r);
    EXPECT_EQ(rows, RecordedRows(key)) << "the run differs from its record in routes.txt; if the change is meant, "
                                          "record its rows under [" << key << "]";
    std::printf("%s", rows.c_str());
    if (r.dodges) std::printf("pilot: %lld steps aside, %lld FORCEs\n", static_cast<long long>(r.dodges),
                              static_cast<long long>(r.forces));
    WriteTable(key, rows);
}

}  // namespace wholegame
