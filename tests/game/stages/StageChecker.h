// Reads the stage schedules and map grids as the game does and checks that they make
// playable levels: every record is one the factory spawns for that stage, appears where the
// player will see it, the stage never goes quiet for long before its boss, and the map walls
// leave the start positions and the scrolled view open.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace stagecheck {

constexpr int kLineLimit = 127;   // the reader's line buffer holds 127 characters
constexpr int kGridColumns = 55;
constexpr int kGridRows = 110;
constexpr int kFirstPlacedRow = 56;
constexpr int kCell = 40;
constexpr int kMaxQuietFrames = 480;
constexpr int kBossEntrance = 150;  // frames a boss takes to come in before it halts the scroll
constexpr int kScrollEndSlack = 120;

struct Record {
    float x = 0, y = 0;
    int type = 0, frame = 0, angle = 0, turn = 0, element = 0;
    float speed = 0, accel = 0;
    int life = 0;
    int line = 0;  // 1-based line number in the file
};

struct Schedule {
    std::vector<Record> records;
    std::vector<std::string> problems;  // lines the game would skip or misread
};

// The schedule reader: '#' in the first column is a comment, every other line holds the ten
// fields "%f %f %d %d %d %d %d %f %f %d". Empty lines are allowed (the game skips them).
Schedule ParseSchedule(const std::string& text);

struct Block {
    int x, y, value;  // top-left in stage pixels; cell value 1..5
};
struct Grid {
    std::vector<Block> blocks;
    std::vector<std::string> problems;
};
// The grid reader: 110 rows of 55 integers, rows 56 to 109 placed at y = (row - 55) * 40.
Grid ParseGrid(const std::string& text);

struct Vec2 {
    float x, y;
};
// The scroll offset after each stage frame F (index F; index 0 is the start).
std::vector<Vec2> ScrollPath(int stage, int difficulty, int frames);
int LastScrollFrame(int stage, int difficulty);
// Player 1's and player 2's start positions in stage coordinates.
Vec2 StartPosition(int stage, int difficulty, int player);

using testsupport::IsEnemyType;
bool BelongsToStage(int type, int stage);
std::vector<int> BossCodes(int stage);
// The enemy types an enemy of `type` creates while it plays (spawners, enemies that
// burst into others); empty for most.
std::vector<int> SpawnedBy(int type);
// The enemy types a stage's bosses summon during their fights.
std::vector<int> SummonedByBosses(int stage);
// Every enemy type that can be on the field in a stage played from these schedules:
// the scheduled ones, what they spawn (and what that spawns), and the bosses' summons.
std::set<int> EnemyTypesInPlay(int stage, const std::vector<Schedule>& schedules);

struct Context {
    int stage = 1;
    int difficulty = 0;
    std::vector<Vec2> path;     // long enough for every record and the boss entrance
    std::vector<Block> blocks;  // the stage's map blocks (none in stage 6)
};
Context MakeContext(int stage, int difficulty, const Grid& grid, int frames);

// Each check answers the problems it finds, one line each; an empty answer passes.
std::vector<std::string> CheckRecordFields(const Context& c, const Schedule& s);
std::vector<std::string> CheckPositions(const Context& c, const Schedule& s);
std::vector<std::string> CheckQuietStretches(const Context& c, const Schedule& s);
std::vector<std::string> CheckBannerAndBosses(const Context& c, const Schedule& s);
std::vector<std::string> CheckItems(const Context& c, const Schedule& s);
// The stage boss comes in as the scroll script ends: earlier cuts the stage short, later
// leaves the view standing.
std::vector<std::string> CheckSpansTheScroll(const Context& c, const Schedule& s);
std::vector<std::string> CheckMapLeavesPathOpen(const Context& c);
std::vector<std::string> CheckSchedule(const Context& c, const Schedule& s);  // all of the above but the map
// A stage without a scroll script has no length of its own: its difficulties must last
// as long as each other, their stage bosses within kScrollEndSlack frames.
std::vector<std::string> CheckSameLength(const std::vector<Schedule>& difficulties);

// The gallery: every class 1 to 98 once, in turn, on screen, with valid fields.
std::vector<std::string> CheckGallery(const Schedule& s);

int CountEnemies(const Schedule& s);
int LastBossFrame(const Schedule& s);
// The frames of the longest stretch without an enemy on screen before the last boss.
int LongestQuietStretch(const Context& c, const Schedule& s);

}  // namespace stagecheck
