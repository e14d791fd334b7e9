// The enemy sheets against the stage files: every enemy that can appear in a stage
// finds the cells its class draws on the sheet that stage loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "game/objects/ObjectTypes.h"
#include "tests/game/stages/StageChecker.h"
#include "tests/game/stages/StageFiles.h"
#include "tools/demodata/Inventory.h"

using namespace demodata;

namespace {

std::string Name(const Box& b) {
    return "(" + std::to_string(b.x) + ", " + std::to_string(b.y) + ") " + std::to_string(b.w) + "x" +
           std::to_string(b.h);
}

// Problems of one class on one stage: a sheet missing from the set, or a rectangle
// outside every cell of the class's look.
std::vector<std::string> MissingArt(int type, int stage) {
    const EnemyArt* art = FindEnemyArt(type);
    if (!art) return {"type " + std::to_string(type) + ": no entry in the enemy art table"};
    if (art->rects.empty()) return {};  // draws nothing
    const std::string sheet = SheetForSlot(art->slot, stage);
    const ImageAsset* image = FindImage(sheet);
    if (!image) return {"type " + std::to_string(type) + ": no picture for slot " + std::to_string(art->slot)};
    std::vector<std::string> out;
    for (const Box& b : art->rects)
        if (!CoveredByCell(*image, art->look, b))
            out.push_back("type " + std::to_string(type) + ": " + sheet + " has no " + art->look + " cell around " +
                          Name(b));
    return out;
}

TEST(DemoDataEnemyArt, EveryEnemyOfTheShippedSchedulesHasItsCells) {
    for (int stage = 1; stage <= 6; ++stage) {
        std::vector<stagecheck::Schedule> schedules;
        for (int d = 0; d <= 2; ++d) {
            schedules.push_back(stagecheck::LoadSchedule(stage, d));
            ASSERT_TRUE(schedules.back().problems.empty())
                << stage << " " << d << stagecheck::Joined(schedules.back().problems);
            ASSERT_GT(schedules.back().records.size(), 20u) << stage << " " << d;
        }
        const std::set<int> types = stagecheck::EnemyTypesInPlay(stage, schedules);
        std::vector<std::string> problems;
        for (int type : types)
            for (const std::string& p : MissingArt(type, stage)) problems.push_back(p);
        EXPECT_TRUE(problems.empty()) << "stage " << stage << stagecheck::Joined(problems);
    }
}

// A class the level designer may schedule in a stage later finds its art there too.
TEST(DemoDataEnemyArt, EveryClassOfAStageRosterHasItsCells) {
    for (int stage = 1; stage <= 6; ++stage) {
        std::vector<std::string> problems;
        for (int type = objecttype::kFirstEnemy; type <= objecttype::kLastEnemy; ++type)
            if (stagecheck::BelongsToStage(type, stage))
                for (const std::string& p : MissingArt(type, stage)) problems.push_back(p);
        EXPECT_TRUE(problems.empty()) << "stage " << stage << stagecheck::Joined(problems);
    }
}

TEST(DemoDataEnemyArt, SharedSheetsHoldTheirClassesOnEveryStage) {
    for (int stage = 1; stage <= 6; ++stage)
        for (const EnemyArt& art : EnemyArts()) {
            if (art.slot != 6 && art.slot != 7) continue;
            EXPECT_TRUE(MissingArt(art.type, stage).empty()) << art.type << stagecheck::Joined(MissingArt(art.type, stage));
        }
    // Only what the bosses summon with element 2 reaches the particle sheet's third part.
    for (const EnemyArt& art : EnemyArts()) {
        const bool third = art.slot == 7 && std::any_of(art.rects.begin(), art.rects.end(), [](const Box& b) { return b.x >= 1024; });
        EXPECT_EQ(third, art.type == 75 || art.type == 87 || art.type == 88) << art.type;
    }
    // The magic circle comes from the team's second character.
    for (const char* sheet : {"img/mahoujin_crow.png", "img/mahoujin_osero.png"}) {
        const ImageAsset* image = FindImage(sheet);
        ASSERT_NE(image, nullptr) << sheet;
        for (const Box& b : FindEnemyArt(84)->rects) EXPECT_TRUE(CoveredByCell(*image, "circle", b)) << sheet << Name(b);
    }
}

TEST(DemoDataEnemyArt, CoverageNeedsTheWholeRectangleInOneCellOfTheLook) {
    const ImageAsset* sheet = FindImage("img/Stage03Enemy.png");
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(CoveredByCell(*sheet, "drone2", {0, 40, 40, 40}));
    EXPECT_TRUE(CoveredByCell(*sheet, "drone2", {45, 45, 30, 30}));
    EXPECT_FALSE(CoveredByCell(*sheet, "drone2", {20, 40, 40, 40}));  // straddles both elements' cells
    EXPECT_FALSE(CoveredByCell(*sheet, "drone2", {0, 39, 40, 40}));
    EXPECT_FALSE(CoveredByCell(*sheet, "drone", {0, 40, 40, 40}));    // the wrong look
    // The stage-1 sheet has no shards: a schedule there with a fan thrower would be refused.
    EXPECT_FALSE(MissingArt(49, 1).empty());
    EXPECT_TRUE(MissingArt(49, 3).empty());
}

}  // namespace
