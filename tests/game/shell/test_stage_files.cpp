// Enemy schedules, map grids and the scroll script.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/KestraLog.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/StageFiles.h"
#include "game/shell/StageScroll.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class StageFiles : public shelltest::ShellFolder {
protected:
    void TearDown() override {
        SetStageSpawnCalls(nullptr);
        ShellFolder::TearDown();
    }
};

std::vector<EnemyRecord>* gRecords = nullptr;
std::vector<std::tuple<int, int, int>>* gCells = nullptr;
const cStageSpawnCalls kSpies = {
    [](const EnemyRecord& r) { gRecords->push_back(r); },
    [](int32_t code, int32_t x, int32_t y) { gCells->emplace_back(code, x, y); },
};

TEST_F(StageFiles, SchedulesSpawnEveryRecordOnceInFileOrder) {
    std::vector<EnemyRecord> records;
    std::vector<std::tuple<int, int, int>> cells;
    gRecords = &records;
    gCells = &cells;
    SetStageSpawnCalls(&kSpies);
    std::filesystem::create_directories(File("data/stagedata"));
    testsupport::WriteFile(File("data/stagedata/Stage031Enemy.dat"),
                           "# comment\r\n"
                           "#\r\n"
                           "  # not a comment, not a record\r\n"
                           "100.5 -20 7 60 16384 -12 1 2.5 -0.125 30\r\n"
                           "1 2 3 4\r\n"                        // too few fields
                           "1 2 200 60 0 0 0 0 0 99999999999\r\n"  // same frame, next in order
                           "nan 2 3 4 5 6 7 8 9 10\r\n" +
                               std::string(130, ' ') + "5 5 5 5 5 5 5 5 5 5\r\n"
                           "3 3 3 3 3 3 3 3 3 3\r\n");
    GameState.stage = 3;
    GameState.difficulty = 1;
    LoadStageEnemies(GameState);
    ASSERT_EQ(records.size(), 3u);  // the line break at the end spawns nothing
    const EnemyRecord& r = records[0];
    EXPECT_EQ(std::tuple(r.x, r.y, r.type, r.appearance, r.angle, r.turn, r.element, r.speed, r.acceleration, r.life),
              std::tuple(100.5f, -20.0f, 7, 60, 16384, -12, 1, 2.5f, -0.125f, 30));
    EXPECT_EQ(records[1].type, 200);
    EXPECT_EQ(records[1].life, 2147483647);
    EXPECT_EQ(records[2].type, 3);
    // A missing schedule spawns nothing and returns.
    GameState.difficulty = 2;
    LoadStageEnemies(GameState);
    EXPECT_EQ(records.size(), 3u);
}

static_assert(kMaxScheduleRecords == 65536);  // written out, not taken from the product

// A schedule holds at most kMaxScheduleRecords records: at the bound all of
// them spawn in order and nothing is logged; one record more is left out with
// a log line naming the file. Lines that are no record do not count.
TEST_F(StageFiles, SchedulesAreBoundedInRecordsNotOnlyInText) {
    std::vector<EnemyRecord> records;
    gRecords = &records;
    SetStageSpawnCalls(&kSpies);
    std::filesystem::create_directories(File("data/stagedata"));
    Kestra::SetLogFile("system_log", "html");
    ASSERT_TRUE(Kestra::OpenLog("stage"));
    for (const size_t count : {kMaxScheduleRecords, kMaxScheduleRecords + 1}) {
        std::string text = "# a comment\n1 2 3\n";
        for (size_t i = 0; i < count; ++i) text += "0 " + std::to_string(i) + " 1 600000 0 0 0 1 0 10\n";
        testsupport::WriteFile(File("data/stagedata/Stage010Enemy.dat"), text);
        records.clear();
        GameState.stage = 1;
        GameState.difficulty = 0;
        LoadStageEnemies(GameState);
        ASSERT_EQ(records.size(), kMaxScheduleRecords) << count;
        EXPECT_EQ(records.front().y, 0.0f);
        EXPECT_EQ(records.back().y, float(kMaxScheduleRecords - 1));
        bool cut = false;
        EXPECT_EQ(ParseEnemySchedule(text.data(), text.size(), &cut).size(), kMaxScheduleRecords);
        EXPECT_EQ(cut, count > kMaxScheduleRecords);
        // Lines that are no records after the last one cut nothing.
        const std::string tail = text + "1 2 3\n# a comment\n0 0 1 600000 0 0 0 1 0\n\n";
        bool tailCut = count == kMaxScheduleRecords;  // the opposite of the answer, so it must be written
        EXPECT_EQ(ParseEnemySchedule(tail.data(), tail.size(), &tailCut).size(), kMaxScheduleRecords);
        EXPECT_EQ(tailCut, count > kMaxScheduleRecords);
    }
    Kestra::CloseLog();
    const std::string log = testsupport::ReadFile(File("system_log.html"));
    const std::string line = "./data/stagedata/Stage010Enemy.dat holds more than 65536 records; the rest are left out";
    EXPECT_EQ(log.find(line), log.rfind(line)) << "one line, for the longer schedule only";
    EXPECT_NE(log.find(line), std::string::npos) << log;
}

// A grid of `rows` rows of 55 tokens, each cell's value from `value`.
std::string Grid(int rows, int (*value)(int row, int column)) {
    std::string text;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 55; ++c) text += std::to_string(value(r, c)) + (c == 54 ? "\r\n" : " ");
    }
    return text;
}

std::vector<std::tuple<int, int, int>> Parse(const std::string& text, int gridSize) {
    std::vector<std::tuple<int, int, int>> cells;
    ParseStageMap(text.data(), text.size(), gridSize,
                  [](int32_t code, int32_t x, int32_t y, void* c) {
                      static_cast<std::vector<std::tuple<int, int, int>>*>(c)->emplace_back(code, x, y);
                  },
                  &cells);
    return cells;
}

TEST(StageMap, OnlyRows56To109PlaceCellsValuedOneToSix) {
    // Value 1..6 on the diagonal-ish cells, 0/7/-1 elsewhere.
    const std::string text = Grid(110, [](int r, int c) {
        if (c == r % 55) return 1 + r % 6;
        if (c == 54) return 7;
        return c == 0 ? -1 : 0;
    });
    const auto cells = Parse(text, 55);
    ASSERT_EQ(cells.size(), 54u);  // one cell in each of rows 56..109
    EXPECT_EQ(cells.front(), std::make_tuple(56 % 6, 1 * 40, 40));  // row 56: column 1, y 40
    EXPECT_EQ(cells.back(), std::make_tuple(109 % 6, 54 * 40, 2160));
    // A short file places what it has.
    const auto shortCells = Parse(Grid(60, [](int, int c) { return c == 3 ? 2 : 0; }), 55);
    ASSERT_EQ(shortCells.size(), 4u);
    EXPECT_EQ(shortCells[0], std::make_tuple(1, 120, 40));
    // Stage 6's size places nothing.
    EXPECT_TRUE(Parse(text, 0).empty());
}

TEST(StageMap, LongTokensAreEmptyAndRowsAfter110AreNotRead) {
    std::string text = Grid(56, [](int, int) { return 0; });
    text += "001 1x 123456789012345678901234567890 2";
    for (int i = 4; i < 55; ++i) text += " 0";
    text += "\n" + Grid(60, [](int, int) { return 3; });
    const auto cells = Parse(text, 55);
    ASSERT_GE(cells.size(), 2u);
    // "001" is too long; "1x" reads as 1; the long token is empty; "2" places.
    EXPECT_EQ(cells[0], std::make_tuple(0, 40, 40));
    EXPECT_EQ(cells[1], std::make_tuple(1, 120, 40));
    // Rows 57..109 of threes, 53 rows of 55, and nothing beyond.
    EXPECT_EQ(cells.size(), 2u + 53u * 55u);
    EXPECT_EQ(std::get<2>(cells.back()), 2160);
}

TEST_F(StageFiles, AMissingGridIsReportedAndTheStageGoesOn) {
    std::vector<EnemyRecord> records;
    std::vector<std::tuple<int, int, int>> cells;
    gRecords = &records;
    gCells = &cells;
    SetStageSpawnCalls(&kSpies);
    GameState.stage = 2;
    testing::internal::CaptureStdout();
    LoadStageMap(GameState);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "stage file could not be read.\n");
    std::filesystem::create_directories(File("data/stagedata"));
    testsupport::WriteFile(File("data/stagedata/Stage02.dat"), Grid(110, [](int r, int) { return r == 80 ? 6 : 0; }));
    LoadStageMap(GameState);
    ASSERT_EQ(cells.size(), 55u);
    EXPECT_EQ(cells[10], std::make_tuple(5, 400, (80 - 55) * 40));
    testsupport::WriteFile(File("data/stagedata/Stage06.dat"), Grid(110, [](int, int) { return 1; }));
    GameState.stage = 6;
    LoadStageMap(GameState);
    EXPECT_EQ(cells.size(), 55u);
}

TEST_F(StageFiles, RecordsAndGridCellsBecomeObjectsOfTheObjectManager) {
    std::filesystem::create_directories(File("data/stagedata"));
    testsupport::WriteFile(File("data/stagedata/Stage01.dat"),
                           Grid(110, [](int r, int c) { return r == 100 && c < 3 ? c + 1 : 0; }));
    testsupport::WriteFile(File("data/stagedata/Stage010Enemy.dat"), "100 -20 7 60 16384 -12 1 2.5 -0.125 30\n");
    ObjectManager.ResetForStage();
    GameState.stage = 1;
    GameState.difficulty = 0;
    LoadStageEnemies(GameState);
    ASSERT_EQ(ObjectManager.enemyList.size(), 1u);
    const cEnemyObjectBase& e = *ObjectManager.enemyList[0];
    EXPECT_EQ(std::tuple(e.x, e.y, e.type, e.appearFrame, e.angle, e.turn, e.element, e.speed, e.accel, e.life),
              std::tuple(100.0f, -20.0f, 7, 60, 16384, -12, elements::FromNumber(1), 2.5f, -0.125f, 30.0f));
    LoadStageMap(GameState);
    EXPECT_EQ(ObjectManager.mapBlocks.size(), 3u);
    ObjectManager.ResetForStage();
}

class Scroll : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        StageFrame = 0;
        ScrollX = ScrollY = 0;
        ScrollHalt = 0;
    }
    void Run(int frames) {
        for (int i = 0; i < frames; ++i) UpdateStageScroll();
    }
};

TEST_F(Scroll, AHaltFreezesTheFrameAndTheViewAndStageSixOnlyCounts) {
    GameState.stage = 3;
    GameState.difficulty = 2;
    ScrollHalt = 1;
    Run(50);
    EXPECT_EQ(StageFrame, 0);
    EXPECT_EQ(ScrollX, 0.0f);
    ScrollHalt = 0;
    Run(1200);
    EXPECT_EQ(ScrollX, -1200.0f);
    GameState.stage = 6;
    Run(10);
    EXPECT_EQ(StageFrame, 1210);
    EXPECT_EQ(ScrollX, -1200.0f);
}

}  // namespace
