// A route's rows against their record in routes.txt: its stages, their
// bosses' attacks and bonuses, talks and music, and each game's result.
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
