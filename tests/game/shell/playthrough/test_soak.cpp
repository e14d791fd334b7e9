// Half an hour of the whole program (QUENRITH_SOAK_MINUTES sets another
// length): the autopilot plays a loop of games from the title again and
// again, sampling each minute what the program holds. Run by hand: it is
// registered with -DQUENRITH_SOAK=ON and runs by its label (ctest -L soak).
// Back at the title after each loop the program holds what it held after the
// first: as many objects, textures, sprites and sound slots, and no more
// memory than a little allocator slack. The samples go to
// <build>/playthrough/soak.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "tests/game/shell/playthrough/whole_game.h"
#include "tests/support/test_support.h"

namespace {

using namespace wholegame;

std::string Line(const char* kind, const Sample& s) {
    char line[160];
    std::snprintf(line, sizeof line, "%-6s %7.2f %5d %11lld %8d %9d %8d %7d\n", kind, s.minute, s.loop,
                  static_cast<long long>(s.residentKb), s.objects, s.textures, s.sprites, s.sounds);
    return line;
}

TEST(WholeGameSoak, DISABLED_HalfAnHourOfRoutes) {
    const char* minutes = std::getenv("QUENRITH_SOAK_MINUTES");
    Plan plan;
    plan.seed = 1'900'000'000;
    plan.scoreText = OpenScoreText();
    plan.soakMinutes = minutes ? std::atof(minutes) : 30.0;
    plan.frameLimit = std::numeric_limits<int64_t>::max();
    // The story alone and in pairs, the extra stage, and a game left from the pause menu.
    plan.games = {Game{.item = kMenuOnePlayer, .team = 1, .difficulty = 1, .name = "SOAKA"},
                  Game{.item = kMenuTwoPlayers, .team = 2, .difficulty = 2, .name = "SOAKB"},
                  Game{.item = kMenuExtraTwoPlayers, .team = 1, .difficulty = 1, .name = "SOAKC"},
                  Game{.item = kMenuOnePlayer, .team = 2, .difficulty = 0, .quitAfter = 2, .name = "SOAKD"}};
    const RunRecord r = Play(plan);
    std::string report = "kind    minute  loop resident-kb  objects  textures  sprites  sounds\n";
    for (const Sample& s : r.minutes) report += Line("minute", s);
    for (const Sample& s : r.loopEnds) report += Line("loop", s);
    report += "frames " + std::to_string(r.frames) + ", loops " + std::to_string(r.loops) + "\n";
    std::printf("%s", report.c_str());
    testsupport::WriteFile(std::string(QUENRITH_BINARY_DIR) + "/playthrough/soak.txt", report);
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.status, 0);
    ASSERT_GE(r.loops, 3);
    ASSERT_EQ(r.loopEnds.size(), static_cast<size_t>(r.loops));
    const Sample& first = r.loopEnds.front();
    for (const Sample& s : r.loopEnds) {
        SCOPED_TRACE("loop " + std::to_string(s.loop));
        EXPECT_EQ(s.objects, first.objects);
        EXPECT_EQ(s.textures, first.textures);
        EXPECT_EQ(s.sprites, first.sprites);
        EXPECT_EQ(s.sounds, first.sounds);
    }
    // Resident memory swings by a few megabytes with the allocator's slack
    // from loop to loop; a leak shows as the late loops' peak standing above
    // the early loops' (the first loop, which fills the caches, left out).
    const size_t third = std::max<size_t>(1, r.loopEnds.size() / 3);
    int64_t early = 0, late = 0;
    for (size_t i = 1; i < r.loopEnds.size(); ++i) {
        int64_t& peak = i <= third ? early : late;
        if (i <= third || i >= r.loopEnds.size() - third) peak = std::max(peak, r.loopEnds[i].residentKb);
    }
    EXPECT_LT(late - early, 4096) << "resident memory grew by " << late - early << " kB";
}

}  // namespace
