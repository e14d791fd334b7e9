// Every file of the demo data set and, for pictures, every source rectangle the
// game draws from it. The generator paints from this table and the tests check
// the written files against it; `quenrith-demodata --list` prints it.
#pragma once

#include <string>
#include <vector>

#include "tools/demodata/Canvas.h"

namespace demodata {

// One source rectangle. Rectangles of the same group may overlap (animation
// strips that share cells, a glyph cut from the grid picture it sits in);
// rectangles of different groups must not. `wraps` marks a rectangle that
// reaches past the picture's edge on purpose (the sampler wraps around).
struct Cell {
    Box box;
    std::string group;
    int index = 0;    // frame, digit, element ... as the group counts it
    int element = -1; // 0 warm, 1 cool, -1 none
    bool wraps = false;
};

enum class Art {
    Title, Config, Ranking, NameEntry, HudSheet, StageClear, StageTitleBand, StageTitleLetters,
    CharacterSheet, CutIn, CutInFlash, MagicCircle, BigCircle, Particles, Effects, Items, CommonEnemies,
    EnemySheet, Background, BackLayer, BossSheet, Portrait, Balloons, NameCards, Ending,
};

struct ImageAsset {
    std::string path;  // as the game names it, below data/
    int width = 0;
    int height = 0;
    Art art = Art::Title;
    std::string subject;  // which character, stage or team the picture is about
    int variant = 0;      // stage number, team, facing ...
    std::vector<Cell> cells;
};

struct SoundAsset {
    std::string path;
};

struct MusicAsset {
    std::string path;
};

const std::vector<ImageAsset>& Images();
const std::vector<SoundAsset>& SoundEffects();
const std::vector<MusicAsset>& MusicTracks();
// "font.lfd" and "skillfont.lfd" (their sheets are named inside them).
const std::vector<std::string>& FontFiles();

const ImageAsset* FindImage(const std::string& path);

}  // namespace demodata
