#include "game/shell/StageFiles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/KestraLog.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/Stages.h"
#include "game/state/GameState.h"
#include "game/state/SaveFile.h"

namespace {

constexpr size_t kLineLimit = 127;
constexpr size_t kFileLimit = 64u << 20;  // far beyond any stage file

void SpawnRecord(const EnemyRecord& r) {
    ObjectManager.SpawnStageObject(r.x, r.y, r.type, r.angle, r.turn, elements::FromNumber(r.element), r.speed,
                                   r.acceleration,
                                   static_cast<float>(r.life), r.appearance);
}
void SpawnCell(int32_t code, int32_t x, int32_t y) { ObjectManager.SpawnMapCell(code, x, y); }
const cStageSpawnCalls kDefaultCalls = {SpawnRecord, SpawnCell};
const cStageSpawnCalls* gCalls = &kDefaultCalls;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// One field as "%f" reads it; a value that is not finite is refused.
bool ReadFloat(const char*& p, float& out) {
    char* end = nullptr;
    const float value = std::strtof(p, &end);
    if (end == p || !std::isfinite(value)) return false;
    out = value;
    p = end;
    return true;
}

// One field as "%d" reads it, saturated.
bool ReadInt(const char*& p, int32_t& out) {
    const char* end = nullptr;
    const int32_t value = ParseDecimal(p, &end);
    if (end == p) return false;
    out = value;
    p = end;
    return true;
}

bool ParseRecord(const std::string& line, EnemyRecord& r) {
    const char* p = line.c_str();
    return ReadFloat(p, r.x) && ReadFloat(p, r.y) && ReadInt(p, r.type) && ReadInt(p, r.appearance) &&
           ReadInt(p, r.angle) && ReadInt(p, r.turn) && ReadInt(p, r.element) && ReadFloat(p, r.speed) &&
           ReadFloat(p, r.acceleration) && ReadInt(p, r.life);
}

struct PlaceContext {
    const cStageSpawnCalls* calls;
};

}  // namespace

void SetStageSpawnCalls(const cStageSpawnCalls* calls) { gCalls = calls ? calls : &kDefaultCalls; }

std::string EnemySchedulePath(int32_t stage, int32_t difficulty) {
    char path[96];
    std::snprintf(path, sizeof path, "./data/stagedata/Stage0%d%dEnemy.dat", stage, difficulty);
    return path;
}

std::vector<EnemyRecord> ParseEnemySchedule(const char* text, size_t size, bool* cut) {
    std::vector<EnemyRecord> records;
    if (cut) *cut = false;
    size_t at = 0;
    while (at < size) {
        const char* start = text + at;
        const void* stop = std::memchr(start, '\n', size - at);
        const size_t length = stop ? static_cast<size_t>(static_cast<const char*>(stop) - start) : size - at;
        at += length + 1;
        // Text mode: a CR before the line break belongs to the break.
        const size_t content = (length > 0 && start[length - 1] == '\r') ? length - 1 : length;
        if (content > kLineLimit || content == 0 || start[0] == '#') continue;
        EnemyRecord record;
        if (!ParseRecord(std::string(start, content), record)) continue;
        if (records.size() == kMaxScheduleRecords) {
            if (cut) *cut = true;
            break;
        }
        records.push_back(record);
    }
    return records;
}

void LoadStageEnemies(const cGameState& state) {
    const std::string path = EnemySchedulePath(state.stage, state.difficulty);
    std::string bytes;
    if (!ReadFileBytes(path.c_str(), kFileLimit, bytes)) return;
    bool cut = false;
    for (const EnemyRecord& record : ParseEnemySchedule(bytes.data(), bytes.size(), &cut))
        gCalls->spawnStageObject(record);
    if (cut) {
        Kestra::LogRed("LoadStageEnemies: %s holds more than %zu records; the rest are left out", path.c_str(),
                       kMaxScheduleRecords);
        Kestra::LogNewLine();
    }
}

bool ReadWholeFile(const char* path, std::string& bytes) { return ReadFileBytes(path, kFileLimit, bytes); }

void ParseStageMap(const char* data, size_t size, int32_t gridSize,
                   void (*place)(int32_t code, int32_t x, int32_t y, void* context), void* context) {
    if (gridSize <= 0) return;
    int32_t row = 0;
    int32_t column = 0;
    int32_t y = -gridSize * 40;
    size_t at = 0;
    for (;;) {
        while (at < size && IsBlank(data[at])) ++at;
        const size_t begin = at;
        while (at < size && !IsBlank(data[at])) ++at;
        const size_t length = at - begin;
        if (column == gridSize) {
            ++row;
            y += 40;
            column = 0;
            if (row == 2 * gridSize) return;
        }
        if (length == 0) return;
        // A token longer than two characters is an empty cell.
        const int32_t value = length <= 2 ? ParseDecimal(std::string(data + begin, length).c_str()) : 0;
        if (row > gridSize && value >= 1 && value <= 6) place(value - 1, column * 40, y, context);
        ++column;
    }
}

void LoadStageMap(const cGameState& state) {
    const Stage* stage = StageRow(state.stage);
    if (!stage) return;
    char path[64];
    std::snprintf(path, sizeof path, "data/stagedata/Stage0%d.dat", state.stage);
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        // The game goes on without map blocks; nothing waits for an answer.
        std::printf("stage file could not be read.\n");
        return;
    }
    const int32_t gridSize = stage->mapBlocks ? 55 : 0;
    PlaceContext context{gCalls};
    ParseStageMap(bytes.data(), bytes.size(), gridSize,
                  [](int32_t code, int32_t x, int32_t y, void* c) {
                      static_cast<PlaceContext*>(c)->calls->spawnMapCell(code, x, y);
                  },
                  &context);
}
