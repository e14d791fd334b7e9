// Each stage described once: the files it loads (pictures and sounds), where
// the view and the players start, how the view scrolls, its bonuses and its
// bosses. The shell's stage code reads these rows, the demo data tool and the
// tests read them too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "game/shell/LoadTables.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

// Where a stage starts: the view, the players and which way they look.
struct StartPlace {
    float scrollX, scrollY;
    int32_t p1x, p1y;
    bool p2Fixed;  // player 2 at (p2x, p2y); else the view plus (p2x, p2y)
    int32_t p2x, p2y;
    int32_t facing;
    int32_t direction;
};
constexpr int32_t kKeep = -1;  // facing or direction left as it was

// A stage's difficulties, 0 to 2 (the extra stage plays on 1).
constexpr int32_t kDifficulties = 3;

// Frames first..last (inclusive) move the view by (dx, dy) each; a second
// step on y is added after the first (stage 5's fast descent is two steps).
struct ScrollWindow {
    int32_t first;
    int32_t last;
    float dx;
    float dy;
    float dy2;
};
// One difficulty's windows in frame order; the unused ones have first == 0.
constexpr size_t kScrollWindows = 12;
using ScrollScript = ScrollWindow[kScrollWindows];

// One stage: what its start, its play, its tally and the game's end read.
struct Stage {
    std::span<const FileLoad> files;  // in load order
    bool released = true;  // its own release runs when the next stage begins or the game ends
    StartPlace start[kDifficulties];  // any other difficulty starts as 0
    const ScrollScript* scroll = nullptr;  // kDifficulties scripts; null: the view stands still
    int32_t clearBonus;
    int32_t noMissBonus;
    // Boss B comes after boss A and draws into its sheets: a start loads A's
    // pictures again.
    bool twoBosses = false;
    bool mapBlocks = true;  // its grid file places map blocks

    const StartPlace& StartFor(int32_t difficulty) const {
        return start[difficulty >= 0 && difficulty < kDifficulties ? difficulty : 0];
    }
    // Null where the view stands still.
    const ScrollWindow* ScrollFor(int32_t difficulty) const {
        return scroll && difficulty >= 0 && difficulty < kDifficulties ? scroll[difficulty] : nullptr;
    }
};

// ---- Stage 1

inline constexpr FileLoad kStage1Files[] = {
    {sheet::kFrontLayer, "img/Stage01BG.png"},
    {sheet::kStageEnemies, "img/Stage01Enemy.png"},
    {sheet::kCutIn, "img/cutin_shamyu.png"},
    {sheet::kBossBody, "img/St01_Boss.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {.slot = sheet::kShamyuPortrait, .file = "img/talk/st_shamyu.png", .kept = true},
    {sheet::kStageTitle, "img/system/StageTitleFont01_1.png", 1800, For::Team1},
    {sheet::kStageTitle, "img/system/StageTitleFont01_2.png", 1800, For::Team2},
};

inline constexpr ScrollScript kStage1Scroll[kDifficulties] = {
    {{1, 100, 0, 0.2f, 0}, {101, 2100, 0, 0.3f, 0}, {2101, 3500, 0.3f, 0.05f, 0}, {3501, 4200, 0.2f, 0.2f, 0},
     {4201, 4500, 0.4f, 0, 0}, {4501, 5400, 0.2f, 0.2f, 0}, {5401, 6500, 0.4f, 0, 0}, {6501, 7500, 0, 0.4f, 0}},
    {{1, 500, 0.3f, 0, 0}, {501, 1700, 0.4f, 0.05f, 0}, {1701, 2700, 0.4f, -0.1f, 0}, {2701, 3000, 0.4f, 0, 0},
     {3001, 3600, 0.3f, 0.3f, 0}, {3601, 5400, 0, 0.4f, 0}, {5401, 6400, -0.3f, 0.3f, 0}, {6401, 6800, -0.4f, 0, 0},
     {6801, 7800, -0.3f, -0.4f, 0}, {7801, 8900, -0.5f, 0, 0}, {8901, 9860, 0, 0.5f, 0}, {9861, 10560, 0.1f, 0.4f, 0}},
    {{1, 200, 0, -2.0f, 0}, {201, 350, -2.4f, 0, 0}, {351, 550, -2.4f, -1.4f, 0}, {551, 680, -2.4f, 0, 0},
     {681, 990, 0.3f, -2.4f, 0}, {991, 1530, 2.2f, 0.2f, 0}, {1531, 2030, 0, 2.2f, 0}, {2031, 2580, -2.4f, -1.0f, 0},
     {2581, 2970, 0.2f, 2.2f, 0}},
};

inline constexpr Stage kStage1 = {
    .files = kStage1Files,
    .start = {{50, 50, 220, 220, true, 220, 280, 0, 6},
              {50, 50, 220, 220, true, 220, 280, 0, 6},
              {1280, 1480, 1580, 1680, false, 360, 200, 0, 6}},
    .scroll = kStage1Scroll,
    .clearBonus = 100000,
    .noMissBonus = 200000,
};

// ---- Stage 2

inline constexpr FileLoad kStage2Files[] = {
    {sheet::kBackLayer, "img/Stage02BG_back.png"},
    {sheet::kFrontLayer, "img/Stage02BG.png"},
    {sheet::kBossBody, "img/St02_Boss.png"},
    {sheet::kCutIn, "img/cutin_fururu.png"},
    {sheet::kStageEnemies, "img/Stage02Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kFururuPortrait, "img/talk/st_fururu.png"},
    {sheet::kStageTitle, "img/system/StageTitleFont02_1.png", 1800, For::Team1},
    {sheet::kStageTitle, "img/system/StageTitleFont02_2.png", 1800, For::Team2},
};

inline constexpr ScrollScript kStage2Scroll[kDifficulties] = {
    {{1, 1400, 0.3f, 0, 0}, {1701, 3950, -0.3f, 0, 0}, {3951, 4350, -0.2f, 0.1f, 0}, {4351, 5650, -0.3f, 0, 0},
     {5651, 9750, 0, -0.2f, 0}},
    {{1, 1700, 0.3f, 0, 0}, {1701, 2100, 0.3f, -0.3f, 0}, {2101, 3900, -0.2f, -0.4f, 0}, {3901, 4400, 0.2f, 0.4f, 0},
     {4401, 5500, 0.2f, -0.3f, 0}, {5501, 6200, -0.2f, -0.4f, 0}, {6201, 6900, -0.2f, 0.4f, 0},
     {6901, 8300, -0.4f, 0.1f, 0}, {8301, 9440, -0.4f, 0, 0}, {9441, 9890, 0, 0.2f, 0}},
    {{1, 400, 1.2f, 0, 0}, {401, 1480, 0, -1.4f, 0}, {1481, 1780, -1.2f, 0, 0}, {1781, 1980, -1.2f, 1.3f, 0},
     {1981, 2180, -1.2f, -1.3f, 0}, {2181, 2580, -1.2f, 0, 0}, {2581, 3680, 0, 1.4f, 0}, {3681, 4280, 1.2f, -0.1f, 0},
     {4281, 4710, 1.4f, 0.11f, 0}},
};

inline constexpr Stage kStage2 = {
    .files = kStage2Files,
    .start = {{1080, 1520, 1280, 1720, false, 280, 200, kKeep, kKeep},
              {1080, 1520, 1280, 1720, false, 280, 200, kKeep, kKeep},
              {1080, 1520, 1280, 1720, false, 280, 200, kKeep, kKeep}},
    .scroll = kStage2Scroll,
    .clearBonus = 200000,
    .noMissBonus = 400000,
};

// ---- Stage 3

inline constexpr FileLoad kStage3Files[] = {
    {sheet::kBackLayer, "img/Stage03BG_back.png"},
    {sheet::kFrontLayer, "img/Stage03BG.png"},
    {sheet::kCutIn, "img/cutin_still.png"},
    {sheet::kStageEnemies, "img/Stage03Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kBossBody, "img/St03_Boss.png"},
    {sheet::kStillPortrait, "img/talk/st_still.png"},
    {.file = "SE/rt_laser20.wav", .sound = &cSoundTable::rt_laser20},
    {.file = "SE/shatter.wav", .sound = &cSoundTable::shatter},
    {.file = "SE/raser_long.wav", .sound = &cSoundTable::raser_long_stage3},
    {sheet::kStageTitle, "img/system/StageTitleFont03_1.png", 1800, For::Team1},
    {sheet::kStageTitle, "img/system/StageTitleFont03_2.png", 1800, For::Team2},
};

inline constexpr ScrollScript kStage3Scroll[kDifficulties] = {
    {{1, 300, -0.2f, 0, 0}, {301, 4100, -0.3f, 0, 0}, {4101, 6300, 0, -0.3f, 0}, {6301, 7800, 0.4f, 0, 0}},
    {{1, 300, -0.3f, 0, 0}, {301, 2500, -0.5f, 0, 0}, {2501, 5200, 0, 0.5f, 0}, {5201, 7700, 0.5f, 0, 0},
     {7701, 9100, 0, -0.5f, 0}, {9101, 10700, -0.5f, 0, 0}},
    {{1, 1200, -1.0f, 0, 0}, {1201, 2400, 1.0f, 0, 0}, {2401, 3600, -1.0f, 0, 0}, {3601, 4800, 1.0f, 0, 0},
     {4801, 6000, -1.0f, 0, 0}, {6001, 7200, 1.0f, 0, 0}, {7201, 8400, -1.0f, 0, 0}, {8401, 9000, 1.0f, 0, 0}},
};

inline constexpr Stage kStage3 = {
    .files = kStage3Files,
    .start = {{1280, 1480, 1480, 1740, false, 280, 260, 0, 4},
              {1260, 120, 1460, 320, false, 280, 200, 32768, 4},
              {1260, 740, 1460, 1020, false, 280, 280, 32768, 4}},
    .scroll = kStage3Scroll,
    .clearBonus = 500000,
    .noMissBonus = 1000000,
};

// ---- Stage 4

inline constexpr FileLoad kStage4Files[] = {
    {sheet::kFrontLayer, "img/Stage04BG.png"},
    {sheet::kCutIn, "img/cutin_mono.png"},
    {sheet::kStageEnemies, "img/Stage04Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kBossBody, "img/St04_Boss.png"},
    {.slot = sheet::kMomoPortrait, .file = "img/talk/st_momo.png", .kept = true},
    {.slot = sheet::kNonoPortrait, .file = "img/talk/st_nono.png", .kept = true},
    {sheet::kStageTitle, "img/system/StageTitleFont04_1.png", 1800, For::Team1},
    {sheet::kStageTitle, "img/system/StageTitleFont04_2.png", 1800, For::Team2},
};

inline constexpr ScrollScript kStage4Scroll[kDifficulties] = {
    {{1, 3360, 0.3f, 0, 0}, {3361, 4100, 0.2f, -0.2f, 0}, {4101, 8800, 0, 0.2f, 0}, {8801, 9300, 0, 0.1f, 0},
     {19401, 20400, -0.4f, 0, 0}},
    {{1, 2500, 0, -0.2f, 0}, {2501, 2900, -0.2f, 0, 0}, {2901, 5600, 0, -0.2f, 0}, {5601, 5800, 0.2f, 0, 0},
     {5801, 11200, -0.2f, 0, 0}, {11201, 13800, 0, 0.2f, 0}, {15901, 16900, -0.4f, 0, 0}},
    {{1, 1000, 0, 1.0f, 0}, {1001, 2000, 1.0f, 0, 0}, {2001, 3000, 0, -1.0f, 0}, {3001, 4040, -1.0f, 0, 0},
     {4041, 4140, -0.2f, 0, 0}, {8841, 9840, -0.4f, 0, 0}},
};

inline constexpr Stage kStage4 = {
    .files = kStage4Files,
    .start = {{160, 420, 360, 620, false, 280, 200, 0, 6},
              {1360, 1340, 1560, 1540, false, 280, 200, 49145, 8},
              {300, 200, 500, 400, false, 280, 200, 49145, 8}},
    .scroll = kStage4Scroll,
    .clearBonus = 1000000,
    .noMissBonus = 2000000,
};

// ---- Stage 5, the last story stage: the other team's characters are its mid-boss and its boss

inline constexpr FileLoad kStage5Files[] = {
    {sheet::kBackLayer, "img/Stage05BG_back.png"},
    {sheet::kFrontLayer, "img/Stage05BG.png"},
    {sheet::kStageEnemies, "img/Stage05Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kStageTitle, "img/system/StageTitleFont05_1.png", 1800, For::Team1},
    {sheet::kCutIn, kOseroPictures.cutIn, 1800, For::Team1},
    {sheet::kBossBody, kOseroPictures.body, 300, For::Team1},
    {sheet::kBossCircle, kOseroPictures.circle, 1800, For::Team1},
    {sheet::kOseroPortrait, "img/talk/st_osero_right.png", 300, For::Team1},
    {sheet::kCheskaPortrait, "img/talk/st_cheska_right.png", 300, For::Team1},
    {sheet::kEnding, "img/talk/yuri_normalend.png", 300, For::Team1},
    {sheet::kStageTitle, "img/system/StageTitleFont05_2.png", 1800, For::Team2},
    {sheet::kCutIn, kCrowPictures.cutIn, 1800, For::Team2},
    {sheet::kBossBody, kCrowPictures.body, 1800, For::Team2},
    {sheet::kBossCircle, kCrowPictures.circle, 300, For::Team2},
    {sheet::kYuriPortrait, "img/talk/st_yuri_right.png", 300, For::Team2},
    {sheet::kCrowPortrait, "img/talk/st_crow_right.png", 300, For::Team2},
    {sheet::kKohakuPortrait, "img/talk/st_kohaku_right.png", 300, For::Team2},
    {sheet::kEnding, "img/talk/cheska_normalend.png", 300, For::Team2},
};

inline constexpr ScrollScript kStage5Scroll[kDifficulties] = {
    {{1, 22500, 0, -0.2f, 0}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0}, {33061, 34060, -0.4f, 0, 0}},
    {{1, 22500, 0, -0.2f, 0}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0}, {33061, 34060, -0.4f, 0, 0}},
    {{1, 22500, 0, -0.2f, -0.6f}, {26001, 29400, -0.2f, 0, 0}, {29401, 30960, 0, 0.2f, 0},
     {33061, 34060, -0.4f, 0, 0}},
};

inline constexpr Stage kStage5 = {
    .files = kStage5Files,
    .start = {{760, 1560, 1080, 1860, false, 360, 300, 49145, 8},
              {760, 1560, 1080, 1860, false, 360, 300, 49145, 8},
              {760, 1560, 1080, 1860, false, 360, 300, 49145, 8}},
    .scroll = kStage5Scroll,
    .clearBonus = 3000000,
    .noMissBonus = 5000000,
    .twoBosses = true,
};

// ---- Stage 6, the extra stage

inline constexpr FileLoad kStage6Files[] = {
    {sheet::kFrontLayer, "img/Stage06BG.png", 300},
    {sheet::kCutIn, "img/cutin_paco.png", 300},
    {sheet::kStageEnemies, "img/Stage06Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_deena.png", 300},
    {sheet::kBossBody, "img/St06_Boss_01.png", 300},
    {sheet::kKohakuPortrait, "img/talk/st_kohaku.png", 300},
    {sheet::kCopicPortrait, "img/talk/st_copic.png", 300},
    {sheet::kPaletPortrait, "img/talk/st_palet.png", 300},
    {sheet::kDeenaPortrait, "img/talk/st_deena.png", 300},
    {sheet::kOseroPortrait, "img/talk/st_osero_right.png", 300, For::Team1},
    {sheet::kCheskaPortrait, "img/talk/st_cheska_right.png", 300, For::Team1},
    {sheet::kYuriPortrait, "img/talk/st_yuri_right.png", 300, For::Team2},
    {sheet::kCrowPortrait, "img/talk/st_crow_right.png", 300, For::Team2},
    {sheet::kExtraCircle, "img/St06_mahoujin.png", 300},
    {sheet::kStageTitle, "img/system/StageTitleFont06_1.png", 300},
    {sheet::kEnding, "img/talk/exend.png", 300},
    {.file = "SE/princessbomb_laser.wav", .sound = &cSoundTable::princessbomb_laser},
    {.file = "SE/gisiki.wav", .sound = &cSoundTable::gisiki},
};

inline constexpr Stage kStage6 = {
    .files = kStage6Files,
    .released = false,
    .start = {{0, 0, 300, 240, true, 360, 240, kKeep, kKeep},
              {0, 0, 300, 240, true, 360, 240, kKeep, kKeep},
              {0, 0, 300, 240, true, 360, 240, kKeep, kKeep}},
    .clearBonus = 9990000,
    .noMissBonus = 39000000,
    .twoBosses = true,
    .mapBlocks = false,
};

inline constexpr const Stage* kStages[] = {&kStage1, &kStage2, &kStage3, &kStage4, &kStage5, &kStage6};
static_assert(std::size(kStages) == kExtraStage);

// Stage 1 to 6's row; null for any other number.
constexpr const Stage* StageRow(int32_t stage) {
    return stage >= 1 && stage <= kExtraStage ? kStages[stage - 1] : nullptr;
}

// Whether stage `stage` has a boss B.
constexpr bool HasTwoBosses(int32_t stage) {
    const Stage* row = StageRow(stage);
    return row && row->twoBosses;
}

// Calls f with the handle of every stage effect, stage by stage.
template <class F>
void ForEachStageSound(F f) {
    for (const Stage* stage : kStages)
        for (const FileLoad& l : stage->files)
            if (l.sound) f(l.sound);
}
