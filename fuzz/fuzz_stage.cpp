// Any bytes as an enemy schedule and as a map grid: records and cells come
// out within their ranges and nothing is read past the input.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/shell/StageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    std::vector<char> text(data, data + size);
    for (const EnemyRecord& r : ParseEnemySchedule(text.data(), text.size()))
        if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.speed) || !std::isfinite(r.acceleration))
            std::abort();
    int cells = 0;
    ParseStageMap(text.data(), text.size(), 55,
                  [](int32_t code, int32_t x, int32_t y, void* count) {
                      if (code < 0 || code > 5 || x < 0 || x > 54 * 40 || y < 40 || y > 2160) std::abort();
                      ++*static_cast<int*>(count);
                  },
                  &cells);
    if (cells > 54 * 55) std::abort();
    return 0;
}
