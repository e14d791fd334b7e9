// The painters: one consistent style for every picture of the set.
#pragma once

#include <string>
#include <vector>

#include "tools/demodata/Canvas.h"
#include "tools/demodata/Inventory.h"
#include "tools/demodata/TextPainter.h"

namespace demodata {

// How one character looks; every picture of that character uses it.
struct Look {
    const char* key;
    const char* name;    // Shift-JIS, as shown on name cards
    const char* roman;   // for labels
    uint32_t hair, dress, trim, eyes;
    int hairStyle;       // 0 short, 1 long, 2 ponytail, 3 twin tails, 4 bob, 5 helmet
    int accessory;       // 0 none, 1 cat ears, 2 crown, 3 beret, 4 ribbon, 5 flower, 6 headdress, 7 goggles
    bool male;
};
const Look& LookOf(const std::string& key);

// Warm (element 0) and cool (element 1) colours; shade 0 dark .. 1 light.
Color ElementColor(int element, float shade = 0.5f);

// A full figure in a cell: facing 0 down, 1 left, 2 right, 3 up; four walk frames.
void DrawFigure(Canvas& c, const Box& cell, const Look& look, int facing, int frame, float alpha = 1.0f);
// Head and shoulders centred at (cx, cy) with a head radius r; expression 0..17.
void DrawBust(Canvas& c, float cx, float cy, float r, const Look& look, int expression, bool facingLeft);
// A rotating-circle picture (magic circle) in a box.
void DrawMagicCircle(Canvas& c, const Box& box, const Color& color, int seed);
// A framed panel with a soft gradient, the style's menu and window look.
void DrawPanel(Canvas& c, const Box& box, const Color& base, float radius = 12.0f, int sheen = -1);

// Paints one picture of the inventory.
void PaintImage(Canvas& canvas, const ImageAsset& asset, TextPainter& text);

// A picture in two more ways, for the tests that find its text on the screen:
// its text alone (the painted pixels where text was stamped, the rest clear)
// and the picture painted without its text. Both empty for a picture without text.
struct TextLayers {
    std::vector<uint32_t> textOnly, noText;
};
TextLayers PaintTextLayers(const ImageAsset& asset, TextPainter& text);

// Per-area painters (one file each).
void PaintScreens(Canvas& canvas, const ImageAsset& asset, TextPainter& text);
void PaintPlay(Canvas& canvas, const ImageAsset& asset, TextPainter& text);
void PaintStages(Canvas& canvas, const ImageAsset& asset, TextPainter& text);
void PaintPeople(Canvas& canvas, const ImageAsset& asset, TextPainter& text);

// One wall cell of a stage's map grid: its top-left in stage pixels and the
// cell value (1 solid; 2 to 5 the half-squares solid at the lower right, lower
// left, upper right and upper left).
struct WallCell {
    int x, y, value;
};
// The walls a grid file places (rows 56 to 109 of 55 tokens; other rows, values
// and tokens longer than two characters place nothing).
std::vector<WallCell> ParseStageGrid(const std::string& text);
// Paints the walls into a stage background at their stage positions. Walls past
// the picture's edge are cut there, not wrapped: the scroll shows the picture's
// start again out there, and a wrapped copy would draw walls over open ground the
// player flies through near the start of the map.
void PaintWalls(Canvas& canvas, int stage, const std::vector<WallCell>& walls);

// Stage names (Shift-JIS) and their scenery colours.
const char* StageName(int stage);
const char* StageRoman(int stage);

}  // namespace demodata
