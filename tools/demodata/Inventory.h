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
// `borrowed` marks one the game reads where its formula runs past the strip
// made for it: its pixels belong to the cells it lies over (or to none), so it
// is neither painted nor held to the overlap rule. `runsOn` marks one whose
// painting is meant to run to its edges: a backdrop, a tile, a band or a bar
// cut from a longer strip, a ground the game lays glyphs or shapes side by side
// on; every other cell's painting ends inside it.
struct Cell {
    Box box;
    std::string group;
    int index = 0;    // frame, digit, element ... as the group counts it
    int element = -1; // 0 warm, 1 cool, 2 neither (no player absorbs it), -1 none
    bool wraps = false;
    bool borrowed = false;
    bool runsOn = false;
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

// Where one enemy class draws from: its sprite slot (3 the magic circle of the
// team's second character, 5 the stage's enemy sheet, 6 commonenemy.png, 7
// particle.png, 36 the stage background), the look (cell group) it shows there,
// and every source rectangle its Draw can pick (all elements, frames, headings).
// Classes that draw nothing list no rectangles.
struct EnemyArt {
    int type = 0;
    int slot = 0;
    std::string look;
    std::vector<Box> rects;
};
// Every enemy class, in code order.
const std::vector<EnemyArt>& EnemyArts();
const EnemyArt* FindEnemyArt(int type);
// The picture a sprite slot holds while a stage plays (the game's own load
// tables), for team 1 or 2 (0: not known); "" where it depends on an unknown
// team or the game loads nothing there.
std::string SheetForSlot(int slot, int stage, int team = 0);
// True when `inner` lies wholly inside `outer`.
bool Inside(const Box& inner, const Box& outer);
// True when `box` lies inside one cell of `group` in the picture.
bool CoveredByCell(const ImageAsset& image, const std::string& group, const Box& box);
// The first cell of any group that `box` lies inside, a painted one before a
// borrowed one; null when there is none.
const Cell* CellAround(const ImageAsset& image, const Box& box);

}  // namespace demodata
