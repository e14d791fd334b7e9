#include "game/shell/StageScroll.h"

#include <iterator>

#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"

namespace {

// Frames first..last (inclusive) move the view by (dx, dy) each; a second
// step on y is added after the first (stage 5's fast descent is two steps).
struct Window {
    int32_t first;
    int32_t last;
    float dx;
    float dy;
    float dy2;
};

const Window kStage1[3][12] = {
    {{1, 100, 0, 0.2f, 0}, {101, 2100, 0, 0.3f, 0}, {2101, 3500, 0.3f, 0.05f, 0}, {3501, 4200, 0.2f, 0.2f, 0},
     {4201, 4500, 0.4f, 0, 0}, {4501, 5400, 0.2f, 0.2f, 0}, {5401, 6500, 0.4f, 0, 0}, {6501, 7500, 0, 0.4f, 0}},
    {{1, 500, 0.3f, 0, 0}, {501, 1700, 0.4f, 0.05f, 0}, {1701, 2700, 0.4f, -0.1f, 0}, {2701, 3000, 0.4f, 0, 0},
     {3001, 3600, 0.3f, 0.3f, 0}, {3601, 5400, 0, 0.4f, 0}, {5401, 6400, -0.3f, 0.3f, 0}, {6401, 6800, -0.4f, 0, 0},
     {6801, 7800, -0.3f, -0.4f, 0}, {7801, 8900, -0.5f, 0, 0}, {8901, 9860, 0, 0.5f, 0}, {9861, 10560, 0.1f, 0.4f, 0}},
    {{1, 200, 0, -2.0f, 0}, {201, 350, -2.4f, 0, 0}, {351, 550, -2.4f, -1.4f, 0}, {551, 680, -2.4f, 0, 0},
     {681, 990, 0.3f, -2.4f, 0}, {991, 1530, 2.2f, 0.2f, 0}, {1531, 2030, 0, 2.2f, 0}, {2031, 2580, -2.4f, -1.0f, 0},
     {2581, 2970, 0.2f, 2.2f, 0}},
};
const Window kStage2[3][12] = {
    {{1, 1400, 0.3f, 0, 0}, {1701, 3950, -0.3f, 0, 0}, {3951, 4350, -0.2f, 0.1f, 0}, {4351, 5650, -0.3f, 0, 0},
     {5651, 9750, 0, -0.2f, 0}},
    {{1, 1700, 0.3f, 0, 0}, {1701, 2100, 0.3f, -0.3f, 0}, {2101, 3900, -0.2f, -0.4f, 0}, {3901, 4400, 0.2f, 0.4f, 0},
     {4401, 5500, 0.2f, -0.3f, 0}, {5501, 6200, -0.2f, -0.4f, 0}, {6201, 6900, -0.2f, 0.4f, 0},
     {6901, 8300, -0.4f, 0.1f, 0}, {8301, 9440, -0.4f, 0, 0}, {9441, 9890, 0, 0.2f, 0}},
    {{1, 400, 1.2f, 0, 0}, {401, 1480, 0, -1.4f, 0}, {1481, 1780, -1.2f, 0, 0}, {1781, 1980, -1.2f, 1.3f, 0},
     {1981, 2180, -1.2f, -1.3f, 0}, {2181, 2580, -1.2f, 0, 0}, {2581, 3680, 0, 1.4f, 0}, {3681, 4280, 1.2f, -0.1f, 0},
     {4281, 4710, 1.4f, 0.11f, 0}},
};
const Window kStage3[3][12] = {
    {{1, 300, -0.2f, 0, 0}, {301, 4100, -0.3f, 0, 0}, {4101, 6300, 0, -0.3f, 0}, {6301, 7800, 0.4f, 0, 0}},
    {{1, 300, -0.3f, 0, 0}, {301, 2500, -0.5f, 0, 0}, {2501, 5200, 0, 0.5f, 0}, {5201, 7700, 0.5f, 0, 0},
     {7701, 9100, 0, -0.5f, 0}, {9101, 10700, -0.5f, 0, 0}},
    {{1, 1200, -1.0f, 0, 0}, {1201, 2400, 1.0f, 0, 0}, {2401, 3600, -1.0f, 0, 0}, {3601, 4800, 1.0f, 0, 0},
     {4801, 6000, -1.0f, 0, 0}, {6001, 7200, 1.0f, 0, 0}, {7201, 8400, -1.0f, 0, 0}, {8401, 9000, 1.0f, 0, 0}},
};
const Window kStage4[3][12] = {
    {{1, 3360, 0.3f, 0, 0}, {3361, 4100, 0.2f, -0.2f, 0}, {4101, 8800, 0, 0.2f, 0}, {8801, 9300, 0, 0.1f, 0},
     {19401, 20400, -0.4f, 0, 0}},
    {{1, 2500, 0, -0.2f, 0}, {2501, 2900, -0.2f, 0, 0}, {2901, 5600, 0, -0.2f, 0}, {5601, 5800, 0.2f, 0, 0},
     {5801, 11200, -0.2f, 0, 0}, {11201, 13800, 0, 0.2f, 0}, {15901, 16900, -0.4f, 0, 0}},
    {{1, 1000, 0, 1.0f, 0}, {1001, 2000, 1.0f, 0, 0}, {2001, 3000, 0, -1.0f, 0}, {3001, 4040, -1.0f, 0, 0},
     {4041, 4140, -0.2f, 0, 0}, {8841, 9840, -0.4f, 0, 0}},
};
const Window kStage5[3][12] = {
    {{1, 22500, 0, -0.2f, 0}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0}, {33061, 34060, -0.4f, 0, 0}},
    {{1, 22500, 0, -0.2f, 0}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0}, {33061, 34060, -0.4f, 0, 0}},
    {{1, 22500, 0, -0.2f, -0.6f}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0},
     {33061, 34060, -0.4f, 0, 0}},
};

// The story stages' windows by stage; the extra stage has none.
const Window (*const kStages[])[12] = {kStage1, kStage2, kStage3, kStage4, kStage5};
static_assert(std::size(kStages) == kLastStoryStage);

const Window* WindowsOf(int32_t stage, int32_t difficulty) {
    if (difficulty < 0 || difficulty > 2) return nullptr;
    if (stage < 1 || stage > static_cast<int32_t>(std::size(kStages))) return nullptr;
    return kStages[stage - 1][difficulty];
}

}  // namespace

void UpdateStageScroll() {
    if (ScrollHalt) return;
    // The frame counts for the whole stage; a wrap would need a year of play.
    StageFrame = static_cast<int32_t>(static_cast<uint32_t>(StageFrame) + 1u);
    const Window* windows = WindowsOf(GameState.stage, GameState.difficulty);
    if (!windows) return;
    for (int32_t i = 0; i < 12 && windows[i].first != 0; ++i) {
        const Window& w = windows[i];
        if (StageFrame < w.first || StageFrame > w.last) continue;
        ScrollX += w.dx;
        ScrollY += w.dy;
        if (w.dy2 != 0) ScrollY += w.dy2;
        return;
    }
}
