// The dialogue window: the portraits that slide in and dim, the balloons, the
// name cards and the text lines. It only draws, from the state in TalkState.
#pragma once

#include <cstdint>

struct TalkText;

enum class TalkSide : int32_t { Upper = 0, Lower = 1 };
enum class PortraitMode : int32_t { Active = 0, Dimmed = 1, Leaving = 2, Shaking = 3 };
enum class BalloonMode : int32_t { Opaque = 0, Dimmed = 1 };

namespace talk {

// The thirteen characters, numbered as their slide counters.
enum Character : int8_t {
    Yuri,
    Crow,
    Cheska,
    Osero,
    Shamyu,
    Fururu,
    Still,
    Momo,
    Nono,
    Kohaku,
    Palet,
    Copic,
    Deena,
    kNobody = -1,
};
constexpr int32_t kCharacterCount = Deena + 1;

// A character's portrait sheet: its sprite-table slot and grid of 160 x 160 cells.
struct PortraitSheet {
    const char* name;
    int32_t slot;
    int32_t columns;
    int32_t cells;
    bool bothSides;  // false: always at the lower anchor
};
const PortraitSheet& SheetOf(Character who);

// Draws a character's portrait through its own function (the one-sided ones ignore side).
void DrawPortrait(Character who, int32_t cell, TalkSide side, PortraitMode mode);

// The last frame a name card counts to, and the farthest Yuri walks out: past
// both nothing changes on screen, and the counters never overflow.
constexpr int32_t kNameCardFrameLimit = 326;
constexpr int32_t kExitOffsetLimit = 100000;

}  // namespace talk

void DrawPortraitYuri(int32_t cell, TalkSide side, PortraitMode mode);
void DrawPortraitCrow(int32_t cell, TalkSide side, PortraitMode mode);
void DrawPortraitOsero(int32_t cell, TalkSide side, PortraitMode mode);
void DrawPortraitCheska(int32_t cell, TalkSide side, PortraitMode mode);
void DrawPortraitKohaku(int32_t cell, TalkSide side, PortraitMode mode);
void DrawPortraitShamyu(int32_t cell, PortraitMode mode);
void DrawPortraitStill(int32_t cell, PortraitMode mode);
void DrawPortraitFururu(int32_t cell, PortraitMode mode);
void DrawPortraitMomo(int32_t cell, PortraitMode mode);
void DrawPortraitNono(int32_t cell, PortraitMode mode);
void DrawPortraitPalet(int32_t cell, PortraitMode mode);
void DrawPortraitCopic(int32_t cell, PortraitMode mode);
void DrawPortraitDeena(int32_t cell, PortraitMode mode);

// Style row 0..2 of the balloon sheet on a side, opaque or dimmed.
void DrawTalkBalloon(int32_t row, BalloonMode mode, TalkSide side);
// Card 0..12 of the name-card sheet, fading in and out by its frame count.
void DrawNameCard(int32_t card);
// A line's text in font 0 at the side's text position, moved dx to the right.
void DrawTalkText(const TalkText& text, TalkSide side, int32_t dx);
