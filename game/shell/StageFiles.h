// The stage files on disk: enemy schedules and map grids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class cGameState;

// One line of an enemy schedule.
struct EnemyRecord {
    float x;
    float y;
    int32_t type;
    int32_t appearance;
    int32_t angle;
    int32_t turn;
    int32_t element;
    float speed;
    float acceleration;
    int32_t life;
};

// Where the stage files put their objects; the object manager by default.
struct cStageSpawnCalls {
    void (*spawnStageObject)(const EnemyRecord& record);
    void (*spawnMapCell)(int32_t code, int32_t x, int32_t y);
};
// Null restores the defaults.
void SetStageSpawnCalls(const cStageSpawnCalls* calls);

// "./data/stagedata/Stage0<stage><difficulty>Enemy.dat".
std::string EnemySchedulePath(int32_t stage, int32_t difficulty);
// The most records a schedule holds: each becomes an object for the whole stage,
// and the longest stage has under a thousand.
constexpr size_t kMaxScheduleRecords = 65536;
// The records of a schedule's text in file order, the first kMaxScheduleRecords
// of them (*cut tells whether there were more). Comment lines ("#" first),
// lines with fewer than ten fields or a field out of range, and lines longer
// than 127 characters are skipped.
std::vector<EnemyRecord> ParseEnemySchedule(const char* text, size_t size, bool* cut = nullptr);
// Spawns every record of the stage's schedule; a missing file spawns nothing,
// records past kMaxScheduleRecords are left out with a log line naming the file.
void LoadStageEnemies(const cGameState& state);

// The whole file, or false when it cannot be opened.
bool ReadWholeFile(const char* path, std::string& bytes);
// Calls `place` for every cell of rows gridSize+1 .. 2*gridSize-1 with a value
// of 1 to 6, in reading order; a token longer than two characters is empty.
void ParseStageMap(const char* data, size_t size, int32_t gridSize,
                   void (*place)(int32_t code, int32_t x, int32_t y, void* context), void* context);
// Places the stage's map blocks; a missing file is reported on standard output.
void LoadStageMap(const cGameState& state);
