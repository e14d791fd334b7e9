// What the painters of the screens' pictures share, and their painters, one
// file a group of screens: the title and its menus (ArtTitle.cpp), the
// configuration and key configuration (ArtConfig.cpp), the ranking and the
// result (ArtResults.cpp), the in-play display, tally and stage title
// (ArtInPlay.cpp).
#pragma once

#include <string>

#include "tools/demodata/Art.h"
#include "tools/demodata/Layout.h"

namespace demodata::screenart {

inline const Color kGold = Rgb(0xFFD860);
inline const Color kMenuBlue = Rgb(0x3050A0);

// The screens' outlined text, shaded towards its foot.
TextStyle Label(int size, const Color& fill = Rgb(0xFFFFFF), bool bold = true);
// The cell of `group` numbered `index` (the picture's first cell if none is).
const Cell& Get(const ImageAsset& a, const std::string& group, int index = 0);
// A starry night sky with a soft vignette: the backdrop of the menus.
void NightSky(Canvas& c, const Box& b, const Color& top, const Color& bottom, uint32_t seed);
// The style in the step's digits' face (kStepDigits): laid at the game's
// steps, its digits read as one number.
TextStyle DigitFace(TextStyle style);
// Digits in that face whose ink is `height` px tall, narrowed or widened alike
// so that with their outline the widest fills a cell `width` px wide.
InkFit FitDigits(TextPainter& t, const TextStyle& style, int height, int width);
// Every cell of a digit strip, its digit fitted as above (a narrower one, as
// the one, widened on its own towards that width) and centred in `area`
// (cell-relative; no width or height: the cell's), all within the columns and
// rows every cell of the strip owns, a pixel short of its edges unless it runs on.
void DigitStrip(Canvas& c, TextPainter& t, const ImageAsset& a, const std::string& group, const TextStyle& style,
                int height, Box area = {});
// A label whose capitals are `height` px tall (narrowed to the box's width if
// need be), their middle on the box's middle.
void InkLabel(Canvas& c, TextPainter& t, const std::string& text, const Box& box, const TextStyle& style, int height,
              Align align = Align::kLeft);
// A cursor's highlight: a ring round the box, open inside, since the game
// draws it over the text it marks. `thick` keeps a ring the game squeezes
// across wide enough to show.
void Highlight(Canvas& c, const Box& b, const Color& col, float thick = 2);
// A dark plate that text stands on, so that it reads whatever lies behind.
void Plate(Canvas& c, const Box& b, const Color& col = Rgb(0x080A1C, 0.78f));

void Title(Canvas& c, const ImageAsset& a, TextPainter& t);
// The configuration's sheet, which also holds the key configuration.
void Config(Canvas& c, const ImageAsset& a, TextPainter& t);
void Ranking(Canvas& c, const ImageAsset& a, TextPainter& t);
void NameEntry(Canvas& c, const ImageAsset& a, TextPainter& t);
// The in-game display's sheet: the players' panels, pause and continue
// screens, the boss's gauge and bonus.
void HudSheet(Canvas& c, const ImageAsset& a, TextPainter& t);
void StageClear(Canvas& c, const ImageAsset& a, TextPainter& t);
void StageTitleBand(Canvas& c, const ImageAsset& a);
void StageTitleLetters(Canvas& c, const ImageAsset& a, TextPainter& t);

}  // namespace demodata::screenart
