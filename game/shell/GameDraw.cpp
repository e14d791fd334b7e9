#include "game/shell/GameDraw.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <iterator>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/Stages.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"

namespace {

constexpr float kDepth = 32767.0f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// The back layer drifts for the life of the program.
float gBackLayerOffset = 0.0f;

void DrawQuad(int32_t slot, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
              uint32_t color = kWhite) {
    const float dst[4] = {x, y, w, h};
    const float src[4] = {sx, sy, sw, sh};
    DrawSpriteEntryPlain(slot, dst, kDepth, src, color);
}
void DrawQuad(int32_t slot, const layout::Quad& quad, uint32_t color = kWhite) {
    DrawSpriteEntryPlain(slot, Floats(quad.screen).data(), kDepth, Floats(quad.cell).data(), color);
}

uint32_t WithAlpha(int32_t alpha) {
    const int32_t a = std::clamp(alpha, 0, 255);
    return (static_cast<uint32_t>(a) << 24) | 0x00FFFFFFu;
}

struct Layer {
    uint32_t preset;
    int32_t slots[19];
};
constexpr int32_t kEnd = -1;
// Render order: each blending preset's slot list, ended by kEnd. Every sheet the
// scene draws from is here once: the begin and end list is made from it.
using namespace sheet;
constexpr Layer kLayers[] = {
    {1, {kBackLayer, kFrontLayer, kEnd}},
    {2, {kExtraCircle, kEnd}},
    {1, {kFirstCircle, kSecondCircle, kEnd}},
    {1, {kFirstCharacter, kSecondCharacter, kItems, kStageEnemies, kCommonEnemies, kParticles, kEnd}},
    {2, {kGlowParticles, kEffects, kEnd}},
    {1, {kBossCircle, kBossBody, kSystem, kCutIn, kFirstCutIn, kSecondCutIn, kEnd}},
    {2, {kCutInFlash, kEnd}},
    {1, {kStageTitleBack, kStageTitle, kEnding, kYuriPortrait, kCrowPortrait, kKohakuPortrait, kCheskaPortrait,
         kShamyuPortrait, kFururuPortrait, kStillPortrait, kMomoPortrait, kNonoPortrait, kPaletPortrait,
         kCopicPortrait, kDeenaPortrait, kOseroPortrait, kBalloons, kNameCards, kClear}},
};

constexpr size_t kSceneSlotCount = [] {
    size_t n = 0;
    for (const Layer& layer : kLayers)
        for (size_t i = 0; i < std::size(layer.slots) && layer.slots[i] != kEnd; ++i) ++n;
    return n;
}();
constexpr auto kSceneSlots = [] {
    std::array<int32_t, kSceneSlotCount> slots{};
    size_t n = 0;
    for (const Layer& layer : kLayers)
        for (size_t i = 0; i < std::size(layer.slots) && layer.slots[i] != kEnd; ++i) slots[n++] = layer.slots[i];
    return slots;
}();
static_assert([] {
    for (size_t i = 0; i < kSceneSlots.size(); ++i)
        for (size_t j = i + 1; j < kSceneSlots.size(); ++j)
            if (kSceneSlots[i] == kSceneSlots[j]) return false;
    return true;
}(), "a sheet drawn twice would be begun twice");

}  // namespace
const std::span<const int32_t> kGameSceneSlots = kSceneSlots;
namespace {

// The last `count` digits of a value (0-padded), most significant first, in
// the series' places moved by (dx, dy).
void DrawDigits(int32_t slot, const layout::Series& series, int32_t value, int32_t count, int32_t dx, int32_t dy = 0,
                uint32_t color = kWhite) {
    int32_t digits[9];
    uint32_t v = static_cast<uint32_t>(value);
    for (int32_t i = count - 1; i >= 0; --i) {
        digits[i] = static_cast<int32_t>(v % 10u);
        v /= 10u;
    }
    for (int32_t k = 0; k < count; ++k)
        DrawQuad(slot, {layout::Moved(series.Screen(k), dx, dy), series.Cell(digits[k])}, color);
}

void DrawGauge(const cPlayerBase& p, int32_t player, int32_t dx, uint32_t color) {
    using layout::kHudPips, layout::kHudLargePips;
    const float g = p.gauge;
    const int32_t whole = static_cast<int32_t>(g < 0 ? 0.0f : (g > 999.0f ? 999.0f : g));
    const int32_t full = std::min(whole / 20, 6);
    const auto pip = [&](int32_t i, uint32_t colour) {
        DrawQuad(sheet::kSystem, {layout::Moved(kHudPips.Screen(i), dx, 0), kHudPips.Cell(player)}, colour);
    };
    for (int32_t i = 0; i < full && i < 6; ++i) pip(i, color);
    if (full < 6) {
        const int32_t part = whole % 20;
        pip(full, part == 0 ? color : WithAlpha(12 * part));
    }
    // Large pips fade in over 40 gauge points each, from 120 and from 160.
    if (g >= 120.0f) {
        const uint32_t first = g > 160.0f ? color : WithAlpha(static_cast<int32_t>(6.0f * (g - 120.0f)));
        DrawQuad(sheet::kSystem, {layout::Moved(kHudLargePips.Screen(0), dx, 0), kHudLargePips.first.cell}, first);
        if (g >= 160.0f) {
            const uint32_t second = g > 200.0f ? color : WithAlpha(static_cast<int32_t>(6.0f * (g - 160.0f)));
            DrawQuad(sheet::kSystem, {layout::Moved(kHudLargePips.Screen(1), dx, 0), kHudLargePips.first.cell}, second);
        }
    }
}

void DrawPlayerBlock(const cPlayerBase& p, bool second, uint32_t color) {
    using namespace layout;
    const int32_t dx = second ? kHudPlayerStep : 0;
    const int32_t element = kHudElementStep * p.element;
    // Player 2's panel is a column wider.
    const Rect panel = Moved(kHudPanel.screen, dx, 0), panelCell = Moved(kHudPanel.cell, element, 0);
    const int32_t wider = second ? 1 : 0;
    const Rect panelAt{panel.x, panel.y, panel.w + wider, panel.h};
    DrawQuad(sheet::kSystem, {panelAt, {panelCell.x, panelCell.y, panelCell.w + wider, panelCell.h}}, color);
    // Stock and life are drawn within their strips, whatever the counters say:
    // the stock row holds five icons, a sixth would stand past the panel.
    const int32_t stock = std::clamp(p.stock, 0, 5);
    const int32_t character = std::clamp(p.character, 1, 4);
    for (int32_t i = 0; i < stock; ++i)
        DrawQuad(sheet::kSystem, {Moved(kHudStock.Screen(i), dx, 0), kHudStock.Cell(character - 1)}, color);
    const int32_t life = std::clamp(p.life, 0, 5);
    if (life > 0) DrawQuad(sheet::kSystem, {Moved(HudLife(life).screen, dx, 0), HudLife(life).cell}, color);
    DrawGauge(p, second ? 1 : 0, dx, color);
    const int32_t gauge = static_cast<int32_t>(std::clamp(p.gauge, 0.0f, 999.0f));
    DrawDigits(sheet::kSystem, kHudGaugeDigits, gauge, 3, dx, 0, color);
    const float strip = second ? 100.0f : 50.0f;
    if (p.gauge >= strip)
        DrawQuad(sheet::kSystem, {Moved(kHudStrip.screen, dx, 0), Moved(kHudStrip.cell, element, 0)}, color);
    DrawDigits(sheet::kSystem, kHudScoreDigits, p.score, 9, dx, 0, color);
}

}  // namespace

void DrawHud(cGameState& state) {
    bool low = false;
    for (const cPlayerBase* p : {static_cast<const cPlayerBase*>(Player1), static_cast<const cPlayerBase*>(Player2)})
        if (p && p->aimY - ScrollY >= 320.0f) low = true;
    if (low) {
        if (state.hudAlpha > 70) state.hudAlpha -= 2;
    } else if (state.hudAlpha < 254) {
        state.hudAlpha += 2;
    }
    const uint32_t color = WithAlpha(state.hudAlpha);
    if (Player1) DrawPlayerBlock(*Player1, false, color);
    if (state.twoPlayer == 1 && Player2) DrawPlayerBlock(*Player2, true, color);
}

void DrawStageClearTally(cGameState& state) {
    using namespace layout;
    ++state.tallyTimer;
    const int32_t t = state.tallyTimer;
    DrawQuad(sheet::kClear, kBackdrop);
    const Rect top = kTallyTopBanner.screen, bottom = kTallyBottomBanner.screen;
    DrawQuad(sheet::kClear,
             {Moved(top, std::min(top.x, top.x - top.w + kTallySlideStep * t), 0), kTallyTopBanner.cell});
    DrawQuad(sheet::kClear,
             {Moved(bottom, std::max(bottom.x, kScreenWidth - kTallySlideStep * t), 0), kTallyBottomBanner.cell});
    for (const cPlayerBase* p : {static_cast<const cPlayerBase*>(Player1),
                                 state.twoPlayer == 1 ? static_cast<const cPlayerBase*>(Player2) : nullptr}) {
        if (!p) continue;
        const int32_t dx = p == Player1 ? 0 : kTallyColumnStep;
        auto row = [&](int32_t from, int32_t line, int32_t value, int32_t count) {
            if (t >= from) DrawDigits(sheet::kClear, kTallyDigits, value, count, dx, kTallyRowY[line] - kTallyRowY[0]);
        };
        row(30, 0, static_cast<int32_t>(1000u * static_cast<uint32_t>(p->itemCount)), 7);
        row(60, 1, static_cast<int32_t>(100u * static_cast<uint32_t>(p->absorbCount)), 7);
        if (p->noMiss == 1) row(90, 2, state.noMissBonus, state.stage == kExtraStage ? 8 : 7);
        row(120, 3, state.stageBonus, 8);
        row(150, 4, p->score, 8);
        DrawDigits(sheet::kClear, kTallyTotal, p->score, 8, dx);
    }
}

void DrawPauseMenu(cGameState& state) {
    using namespace layout;
    DrawQuad(sheet::kSystem, kPausePanel);
    if (!state.pauseAsking) {
        DrawQuad(sheet::kSystem, kPauseItems);
        DrawQuad(sheet::kSystem, kPauseBar.At(state.pauseCursor, 0));
    } else {
        DrawQuad(sheet::kSystem, kPauseQuestion);
        DrawQuad(sheet::kSystem, kPauseBar.At(1 + state.pauseAnswer, 0));
    }
}

void DrawContinueScreen(cGameState& state) {
    using namespace layout;
    DrawQuad(sheet::kSystem, kContinueShade, WithAlpha(std::min(state.stateTimer, 100)));
    if (state.stateTimer < 101) return;
    DrawQuad(sheet::kSystem, kContinueHeading);
    if (state.credits <= 0) return;
    DrawQuad(sheet::kSystem, kContinueQuestion);
    DrawQuad(sheet::kSystem, kContinueAnswer.At(0, 0));
    DrawQuad(sheet::kSystem, kContinueAnswer.At(1, 1));
    DrawQuad(sheet::kSystem, kContinueBar.At(state.continueChoice, 0));
    DrawQuad(sheet::kSystem, kCreditsLabel);
    // Two digits; a count of 100 or more shows its last two.
    const int32_t digits[2] = {state.credits / 10 % 10, state.credits % 10};
    DrawQuad(sheet::kSystem, kCreditsDigits.At(0, digits[0]));
    DrawQuad(sheet::kSystem, kCreditsDigits.At(1, digits[1]));
}

void DrawGameScene(cGameState& state) {
    for (int32_t slot : kGameSceneSlots) KestraSprite2D::Begin(SlotSprite(slot));
    for (CFontSprite2D* font : FontTable) KestraFontSprite2D::Begin(font, 0);
    switch (state.subState) {
        case kSubStateGameOver: DrawContinueScreen(state); break;
        case kSubStateTally: DrawStageClearTally(state); break;
        case kSubStatePause: DrawPauseMenu(state); break;
        case kSubStatePlay: DrawHud(state); break;
        default: break;
    }
    // The two layers of the stage, each a screen's worth from its scroll position.
    constexpr float w = layout::kScreenWidth, h = layout::kScreenHeight;
    DrawQuad(sheet::kBackLayer, 0, 0, w, h, gBackLayerOffset, ScrollY, w, h);
    gBackLayerOffset += 0.2f;
    DrawQuad(sheet::kFrontLayer, 0, 0, w, h, ScrollX, ScrollY, w, h);
    ObjectManager.DrawObjects();
    if (Player1 && Player1->isActive) Player1->Draw();
    if (state.twoPlayer == 1 && Player2 && Player2->isActive) Player2->Draw();
    if (BossA && BossA->active) BossA->Draw();
    if (HasTwoBosses(state.stage) && BossB && BossB->active) BossB->Draw();
    ObjectManager.UpdateEffects();
    for (int32_t slot : kGameSceneSlots) KestraSprite2D::End(SlotSprite(slot));
    for (CFontSprite2D* font : FontTable) KestraFontSprite2D::End(font);
    Kestra3D::BeginScene();
    // The continue screen's shade dims the whole play field, a boss's attack
    // name too: there the fonts go just under the system sheet.
    const bool shaded = state.subState == kSubStateGameOver;
    for (const Layer& layer : kLayers) {
        Kestra3D::SetBlendingType(layer.preset);
        for (size_t i = 0; i < std::size(layer.slots) && layer.slots[i] != kEnd; ++i) {
            if (shaded && layer.slots[i] == sheet::kSystem)
                for (CFontSprite2D* font : FontTable) KestraFontSprite2D::Render(font);
            KestraSprite2D::Render(SlotSprite(layer.slots[i]));
        }
    }
    if (!shaded)
        for (CFontSprite2D* font : FontTable) KestraFontSprite2D::Render(font);
    Kestra3D::EndScene();
}
