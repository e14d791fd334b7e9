#include "game/story/TalkWindow.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

#include "game/state/SpriteTable.h"
#include "game/story/TalkState.h"
#include "game/story/TalkText.h"

namespace {

constexpr float kDepth = 32767.0f;
constexpr int32_t kSlideFrames = 20;
constexpr int32_t kShakeCycle = 8;

// In counter order; the slots do not follow it.
using namespace sheet;
constexpr talk::PortraitSheet kSheets[] = {
    {"Yuri", kYuriPortrait, 6, 18, true},     {"Crow", kCrowPortrait, 6, 12, true},
    {"Cheska", kCheskaPortrait, 6, 18, true}, {"Osero", kOseroPortrait, 6, 12, true},
    {"Shamyu", kShamyuPortrait, 3, 9, false}, {"Fururu", kFururuPortrait, 3, 6, false},
    {"Still", kStillPortrait, 3, 9, false},   {"Momo", kMomoPortrait, 3, 6, false},
    {"Nono", kNonoPortrait, 3, 9, false},     {"Kohaku", kKohakuPortrait, 6, 12, true},
    {"Palet", kPaletPortrait, 6, 12, false},  {"Copic", kCopicPortrait, 3, 9, false},
    {"Deena", kDeenaPortrait, 3, 9, false},
};
static_assert(std::size(kSheets) == talk::kCharacterCount, "a sheet for each character");
static_assert(std::extent_v<decltype(cTalkState::slideCounter)> == talk::kCharacterCount,
              "a slide counter for each character");

void SetRect(float (&rect)[4], const layout::Rect& r) {
    const auto f = Floats(r);
    std::copy(f.begin(), f.end(), rect);
}

uint32_t WithAlpha(uint32_t alpha) { return (alpha & 0xFFu) << 24 | 0xFFFFFFu; }

// Sliding in: 38 px outward at the first frame, in place at the twentieth.
int32_t SlideX(int32_t anchorX, int32_t c, bool upper) {
    return upper ? anchorX + 2 * c - 2 * kSlideFrames : anchorX + 2 * (kSlideFrames - c);
}

// 141 at the first frame up to 255 at the twentieth (the low byte of 6c - 121).
uint32_t SlideAlpha(int32_t c) { return static_cast<uint32_t>(6 * c - 121) & 0xFFu; }

}  // namespace

namespace talk {

const PortraitSheet& SheetOf(Character who) { return kSheets[who]; }

void DrawPortrait(Character who, int32_t cell, TalkSide side, PortraitMode mode) {
    if (who < 0 || who >= kCharacterCount) return;
    cTalkState& t = TalkState;
    int32_t& counter = t.slideCounter[who];
    // Every draw counts, whatever the mode: a dimmed portrait slides no more later.
    if (counter < kSlideFrames) ++counter;
    const int32_t c = counter;
    const PortraitSheet& sheet = kSheets[who];
    bool upper = false;
    if (sheet.bothSides) {
        if (side != TalkSide::Upper && side != TalkSide::Lower) return;
        upper = side == TalkSide::Upper;
    }
    if (cell < 0 || cell >= sheet.cells) return;
    const int32_t* anchor = upper ? t.upperPortraitPos : t.lowerPortraitPos;
    int32_t x = anchor[0];
    uint32_t alpha = 0;
    switch (mode) {
    case PortraitMode::Active:
        x = SlideX(anchor[0], c, upper);
        alpha = SlideAlpha(c);
        break;
    case PortraitMode::Dimmed:
        alpha = 0xB4;
        break;
    case PortraitMode::Leaving:
        if (who != Yuri) return;
        t.exitOffset = t.exitOffset >= kExitOffsetLimit - 10 ? kExitOffsetLimit : t.exitOffset + 10;
        x = SlideX(anchor[0], c, upper) + (upper ? -t.exitOffset : t.exitOffset);
        alpha = SlideAlpha(c);
        break;
    case PortraitMode::Shaking: {
        if (who != Kohaku) return;
        const int32_t base = upper ? anchor[0] - 40 : anchor[0] + 40;
        // +1..+4, then -5..-8; a counter that came in above 8 stays on the far side.
        x = (c >= 1 && c <= 4) ? base + c : base - c;
        if (c == kShakeCycle) counter = 0;
        alpha = 0x87;
        break;
    }
    default:
        return;
    }
    const layout::Rect src = layout::PortraitCell(cell, sheet.columns);
    SetRect(t.srcRect, src);
    SetRect(t.dstRect, {x, anchor[1], src.w, src.h});
    DrawSpriteEntryPlain(sheet.slot, t.dstRect, kDepth, t.srcRect, WithAlpha(alpha));
}

}  // namespace talk

using talk::DrawPortrait;

void DrawPortraitYuri(int32_t cell, TalkSide side, PortraitMode mode) { DrawPortrait(talk::Yuri, cell, side, mode); }
void DrawPortraitCrow(int32_t cell, TalkSide side, PortraitMode mode) { DrawPortrait(talk::Crow, cell, side, mode); }
void DrawPortraitOsero(int32_t cell, TalkSide side, PortraitMode mode) { DrawPortrait(talk::Osero, cell, side, mode); }
void DrawPortraitCheska(int32_t cell, TalkSide side, PortraitMode mode) { DrawPortrait(talk::Cheska, cell, side, mode); }
void DrawPortraitKohaku(int32_t cell, TalkSide side, PortraitMode mode) { DrawPortrait(talk::Kohaku, cell, side, mode); }
void DrawPortraitShamyu(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Shamyu, cell, TalkSide::Lower, mode); }
void DrawPortraitStill(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Still, cell, TalkSide::Lower, mode); }
void DrawPortraitFururu(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Fururu, cell, TalkSide::Lower, mode); }
void DrawPortraitMomo(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Momo, cell, TalkSide::Lower, mode); }
void DrawPortraitNono(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Nono, cell, TalkSide::Lower, mode); }
void DrawPortraitPalet(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Palet, cell, TalkSide::Lower, mode); }
void DrawPortraitCopic(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Copic, cell, TalkSide::Lower, mode); }
void DrawPortraitDeena(int32_t cell, PortraitMode mode) { DrawPortrait(talk::Deena, cell, TalkSide::Lower, mode); }

void DrawTalkBalloon(int32_t row, BalloonMode mode, TalkSide side) {
    if (row < 0 || row > 2) return;
    if (side != TalkSide::Upper && side != TalkSide::Lower) return;
    uint32_t color = 0;
    if (mode == BalloonMode::Opaque) color = 0xFFFFFFFFu;
    else if (mode == BalloonMode::Dimmed) color = 0xB4FFFFFFu;
    else return;
    cTalkState& t = TalkState;
    const int32_t s = static_cast<int32_t>(side);
    const int32_t* at = side == TalkSide::Upper ? t.upperBalloonPos : t.lowerBalloonPos;
    const layout::Rect src = layout::BalloonCell(s, row);
    SetRect(t.srcRect, src);
    SetRect(t.dstRect, {at[0], at[1], src.w, src.h});
    DrawSpriteEntryPlain(sheet::kBalloons, t.dstRect, kDepth, t.srcRect, color);
}

void DrawNameCard(int32_t card) {
    if (card < 0 || card > 12) return;
    cTalkState& t = TalkState;
    if (t.nameCardFrame < talk::kNameCardFrameLimit) ++t.nameCardFrame;
    const int32_t c = t.nameCardFrame;
    uint32_t alpha = 0;
    if (c <= 25) alpha = static_cast<uint32_t>(10 * c);
    else if (c <= 300) alpha = 250;
    else if (c <= 325) alpha = static_cast<uint32_t>(3250 - 10 * c);
    else return;
    SetRect(t.srcRect, layout::NameCard(card).cell);
    SetRect(t.dstRect, layout::NameCard(card).screen);
    DrawSpriteEntryPlain(sheet::kNameCards, t.dstRect, kDepth, t.srcRect, WithAlpha(alpha));
}

void DrawTalkText(const TalkText& text, TalkSide side, int32_t dx) {
    const int32_t* at = side == TalkSide::Upper ? TalkState.upperTextPos : TalkState.lowerTextPos;
    DrawFontText(text.text, at[0] + dx, at[1], 0, kDepth);
}
