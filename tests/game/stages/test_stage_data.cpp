// The shipped stage schedules, map grids and the enemy gallery pass the level checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/game/stages/StageChecker.h"
#include "tests/game/stages/StageFiles.h"
#include "tests/support/test_support.h"

using namespace stagecheck;

namespace {

struct StageDifficulty {
    int stage, difficulty;
};

class ShippedSchedule : public testing::TestWithParam<StageDifficulty> {};

TEST_P(ShippedSchedule, IsAPlayableLevel) {
    const auto [stage, difficulty] = GetParam();
    const std::string path = StageDataDir() + "/" + ScheduleFile(stage, difficulty);
    ASSERT_TRUE(testsupport::FileExists(path)) << path;
    const Schedule s = LoadSchedule(stage, difficulty);
    ASSERT_GT(s.records.size(), 20u);
    const Context c = ContextFor(stage, difficulty, s, LoadGrid(stage));
    const std::vector<std::string> problems = CheckSchedule(c, s);
    EXPECT_TRUE(problems.empty()) << ScheduleFile(stage, difficulty) << Joined(problems);
}

// Absorbing matters only if both elements come at the player in earnest.
TEST_P(ShippedSchedule, UsesBothElements) {
    const auto [stage, difficulty] = GetParam();
    const Schedule s = LoadSchedule(stage, difficulty);
    int of[2] = {0, 0};
    for (const Record& r : s.records)
        if (IsEnemyType(r.type) && (r.element == 0 || r.element == 1)) ++of[r.element];
    const int all = of[0] + of[1];
    EXPECT_GT(of[0] * 10, all * 3) << ScheduleFile(stage, difficulty);
    EXPECT_GT(of[1] * 10, all * 3) << ScheduleFile(stage, difficulty);
}

std::vector<StageDifficulty> AllStages() {
    std::vector<StageDifficulty> v;
    for (int s = 1; s <= 6; ++s)
        for (int d = 0; d <= 2; ++d) v.push_back({s, d});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Stages, ShippedSchedule, testing::ValuesIn(AllStages()),
                         [](const testing::TestParamInfo<StageDifficulty>& i) {
                             return "Stage" + std::to_string(i.param.stage) + "Difficulty" +
                                    std::to_string(i.param.difficulty);
                         });

// More in all and more a minute: the hard scrolls of stages 1, 2 and 4 are the shortest.
TEST(StageData, HarderDifficultiesSendMoreEnemies) {
    for (int stage = 1; stage <= 6; ++stage) {
        int count[3];
        double perFrame[3];
        for (int d = 0; d <= 2; ++d) {
            const Schedule s = LoadSchedule(stage, d);
            count[d] = CountEnemies(s);
            perFrame[d] = double(count[d]) / LastBossFrame(s);
        }
        EXPECT_LT(count[0], count[1]) << "stage " << stage;
        EXPECT_LT(count[1], count[2]) << "stage " << stage;
        EXPECT_LT(perFrame[0], perFrame[1]) << "stage " << stage;
        EXPECT_LT(perFrame[1], perFrame[2]) << "stage " << stage;
    }
}

// Harder play also means faster enemies and classes the easier schedule spares the player.
TEST(StageData, HarderDifficultiesAreFasterAndMoreAggressive) {
    for (int stage = 1; stage <= 6; ++stage) {
        double speed[3] = {0, 0, 0};
        std::set<int> classes[3];
        for (int d = 0; d <= 2; ++d) {
            int moving = 0;
            for (const Record& r : LoadSchedule(stage, d).records) {
                if (!IsEnemyType(r.type)) continue;
                classes[d].insert(r.type);
                if (r.speed > 0) {
                    speed[d] += r.speed;
                    ++moving;
                }
            }
            ASSERT_GT(moving, 0);
            speed[d] /= moving;
        }
        EXPECT_LT(speed[0], speed[1]) << "stage " << stage;
        EXPECT_LT(speed[1], speed[2]) << "stage " << stage;
        std::vector<int> onlyHard;
        for (int t : classes[2])
            if (!classes[0].count(t)) onlyHard.push_back(t);
        EXPECT_FALSE(onlyHard.empty()) << "stage " << stage << ": the hard schedule adds no class";
    }
}

// Each difficulty's scroll script has its own length (stage 1 runs 7500, 10560 and 2970
// frames); where the three scripts are alike, or there is none, the schedules last alike.
TEST(StageData, DifficultiesSharingAScrollLastAlike) {
    int shared = 0;
    for (int stage = 1; stage <= 6; ++stage) {
        const int end = LastScrollFrame(stage, 0);
        if (LastScrollFrame(stage, 1) != end || LastScrollFrame(stage, 2) != end) continue;
        ++shared;
        std::vector<Schedule> all;
        for (int d = 0; d <= 2; ++d) all.push_back(LoadSchedule(stage, d));
        const std::vector<std::string> problems = CheckSameLength(all);
        EXPECT_TRUE(problems.empty()) << "stage " << stage << Joined(problems);
    }
    EXPECT_EQ(shared, 2);  // stage 5 and the extra stage
}

TEST(StageData, MapGridsLeaveTheStartsAndTheScrollOpen) {
    for (int stage = 1; stage <= 6; ++stage) {
        const Grid g = LoadGrid(stage);
        EXPECT_TRUE(g.problems.empty()) << GridFile(stage) << Joined(g.problems);
        if (stage <= 5) {
            EXPECT_GT(g.blocks.size(), 100u) << GridFile(stage) << " should shape the stage with walls";
        }
        for (int difficulty = 0; difficulty <= 2; ++difficulty) {
            const Schedule s = LoadSchedule(stage, difficulty);
            const Context c = MakeContext(stage, difficulty, g, std::max(LastScrollFrame(stage, difficulty), LastBossFrame(s) + 150));
            const std::vector<std::string> problems = CheckMapLeavesPathOpen(c);
            EXPECT_TRUE(problems.empty()) << GridFile(stage) << " difficulty " << difficulty << Joined(problems);
        }
    }
}

TEST(StageData, WallsUseSlopesWhereTheyTurn) {
    std::set<int> kinds;
    for (int stage = 1; stage <= 5; ++stage)
        for (const Block& b : LoadGrid(stage).blocks) kinds.insert(b.value);
    EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4, 5}));
}

TEST(StageData, GalleryShowsEveryClassInTurn) {
    const std::string path = StageDataDir() + "/gallery/GalleryEnemy.dat";
    ASSERT_TRUE(testsupport::FileExists(path));
    const Schedule s = ParseSchedule(testsupport::ReadFile(path));
    EXPECT_EQ(s.records.size(), 98u);
    const std::vector<std::string> problems = CheckGallery(s);
    EXPECT_TRUE(problems.empty()) << Joined(problems);
}

// The game opens "./data/stagedata/..." in its own folder: the build puts the files there.
TEST(StageData, TheBuildCopiesTheFilesBesideTheProgram) {
    namespace fs = std::filesystem;
    int copied = 0;
    for (const auto& entry : fs::recursive_directory_iterator(StageDataDir())) {
        if (!entry.is_regular_file() || entry.path().extension() != ".dat") continue;
        const std::string relative = fs::relative(entry.path(), StageDataDir()).string();
        const std::string target = testsupport::BinaryDir() + "/data/stagedata/" + relative;
        ASSERT_TRUE(testsupport::FileExists(target)) << target;
        EXPECT_EQ(testsupport::ReadFile(target), testsupport::ReadFile(entry.path().string())) << relative;
        ++copied;
    }
    EXPECT_EQ(copied, 18 + 6 + 1);
}

// The checker's scroll follows the script: known end points of two paths.
TEST(StageData, ScrollPathFollowsTheWindows) {
    const std::vector<Vec2> easy = ScrollPath(1, 0, 7600);
    EXPECT_NEAR(easy[100].y, 70.0f, 0.01f);
    EXPECT_NEAR(easy[7500].x, 1350.05f, 0.05f);
    EXPECT_NEAR(easy[7500].y, 1460.0f, 0.05f);
    EXPECT_FLOAT_EQ(easy[7600].x, easy[7500].x);  // no window after 7500: the view stands
    const std::vector<Vec2> hard = ScrollPath(3, 2, 9000);
    EXPECT_NEAR(hard[1200].x, 60.0f, 0.01f);
    EXPECT_NEAR(hard[9000].x, 660.0f, 0.01f);
    const std::vector<Vec2> gap = ScrollPath(2, 0, 1800);
    EXPECT_FLOAT_EQ(gap[1400].x, gap[1700].x);  // 1401..1700 holds no window
    const std::vector<Vec2> extra = ScrollPath(6, 1, 50);
    EXPECT_FLOAT_EQ(extra[50].x, 0.0f);
    EXPECT_FLOAT_EQ(extra[50].y, 0.0f);
}

}  // namespace
