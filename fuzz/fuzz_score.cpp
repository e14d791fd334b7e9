// Any bytes as the score file's text: parsed into the tables, written back
// (which must stay within the file's 4096-byte buffer) and parsed again to
// the same tables.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/state/ScoreData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    // An exact-size copy so any read past the input is caught.
    std::vector<char> text(data, data + size);
    cScoreData first;
    ParseScoreText(text.data(), text.size(), first);
    const std::string written = BuildScoreText(first);
    if (written.size() >= 4096) std::abort();
    cScoreData second;
    ParseScoreText(written.data(), written.size(), second);
    if (BuildScoreText(second) != written) std::abort();
    for (int t = 0; t < kRankingTables; ++t)
        for (int r = 0; r < kShownRows; ++r)
            if (first.rows[t][r].score != second.rows[t][r].score || first.rows[t][r].stage != second.rows[t][r].stage)
                std::abort();
    if (first.playSeconds != second.playSeconds || first.finishedGames != second.finishedGames) std::abort();
    return 0;
}
