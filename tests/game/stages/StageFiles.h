// Where the stage files live for the tests, and a context long enough to follow every record.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tests/game/stages/StageChecker.h"
#include "tests/support/test_support.h"

namespace stagecheck {

inline std::string StageDataDir() { return testsupport::SourceDir() + "/data/stagedata"; }

inline std::string ScheduleFile(int stage, int difficulty) {
    char name[32];
    std::snprintf(name, sizeof name, "Stage0%d%dEnemy.dat", stage, difficulty);
    return name;
}

inline std::string GridFile(int stage) {
    char name[32];
    std::snprintf(name, sizeof name, "Stage0%d.dat", stage);
    return name;
}

inline Schedule LoadSchedule(int stage, int difficulty) {
    return ParseSchedule(testsupport::ReadFile(StageDataDir() + "/" + ScheduleFile(stage, difficulty)));
}

inline Grid LoadGrid(int stage) { return ParseGrid(testsupport::ReadFile(StageDataDir() + "/" + GridFile(stage))); }

// Frames enough for the whole scroll, the boss entrance and the longest life followed.
inline Context ContextFor(int stage, int difficulty, const Schedule& s, const Grid& grid) {
    int frames = LastScrollFrame(stage, difficulty);
    for (const Record& r : s.records) frames = frames > r.frame ? frames : r.frame;
    return MakeContext(stage, difficulty, grid, frames + 3200);
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "\n  " + l;
    return out;
}

}  // namespace stagecheck
