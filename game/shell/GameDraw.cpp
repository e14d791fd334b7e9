#include "game/shell/GameDraw.h"

#include <algorithm>
#include <initializer_list>
#include <cstdio>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"

const int32_t kGameSceneSlots[39] = {35, 36, 11, 9, 2, 3, 0, 1, 5, 6, 7, 8, 10, 32, 33, 4, 28, 29, 30, 31,
                                     37, 38, 27, 12, 13, 17, 16, 19, 18, 20, 21, 22, 23, 24, 15, 14, 25, 26, 39};

namespace {

constexpr int32_t kSystemSheet = 4;
constexpr int32_t kClearSheet = 39;
constexpr float kDepth = 32767.0f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// The back layer drifts for the life of the program.
float gBackLayerOffset = 0.0f;

void Quad(int32_t slot, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
          uint32_t color = kWhite) {
    const float dst[4] = {x, y, w, h};
    const float src[4] = {sx, sy, sw, sh};
    DrawSpriteEntryPlain(slot, dst, kDepth, src, color);
}

uint32_t WithAlpha(int32_t alpha) {
    const int32_t a = std::clamp(alpha, 0, 255);
    return (static_cast<uint32_t>(a) << 24) | 0x00FFFFFFu;
}

struct Layer {
    uint32_t preset;
    int32_t slots[19];
};
// Render order: slot lists ended by -1.
const Layer kLayers[] = {
    {1, {35, 36, -1}},
    {2, {11, -1}},
    {1, {2, 3, -1}},
    {1, {0, 1, 9, 5, 6, 7, -1}},
    {2, {8, 10, -1}},
    {1, {32, 33, 4, 28, 29, 30, -1}},
    {2, {31, -1}},
    {1, {37, 38, 27, 12, 13, 17, 15, 16, 19, 18, 20, 21, 22, 23, 24, 14, 25, 26, 39}},
};

// The last `count` digits of a value (0-padded), most significant first.
void LastDigits(int32_t value, int32_t count, int32_t* digits) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int32_t i = count - 1; i >= 0; --i) {
        digits[i] = static_cast<int32_t>(v % 10u);
        v /= 10u;
    }
}

void DrawDigits(int32_t slot, int32_t value, int32_t count, float x, float y, float step, float w, float h,
                float sx, float sy, float sw, uint32_t color = kWhite) {
    int32_t digits[9];
    LastDigits(value, count, digits);
    for (int32_t k = 0; k < count; ++k)
        Quad(slot, x + step * static_cast<float>(k), y, w, h, sx + sw * static_cast<float>(digits[k]), sy, w, h, color);
}

void DrawGauge(const cPlayerBase& p, float x0, float smallSx, uint32_t color) {
    const float g = p.gauge;
    const int32_t whole = static_cast<int32_t>(g < 0 ? 0.0f : (g > 999.0f ? 999.0f : g));
    const int32_t full = std::min(whole / 20, 6);
    for (int32_t i = 0; i < full && i < 6; ++i)
        Quad(kSystemSheet, x0 + 13.0f * static_cast<float>(i), 429, 11, 11, smallSx, 153, 11, 11, color);
    if (full < 6) {
        const int32_t part = whole % 20;
        const uint32_t partial = part == 0 ? color : WithAlpha(12 * part);
        Quad(kSystemSheet, x0 + 13.0f * static_cast<float>(full), 429, 11, 11, smallSx, 153, 11, 11, partial);
    }
    // Large pips fade in over 40 gauge points each, from 120 and from 160.
    if (g >= 120.0f) {
        const float bigX = x0 + 78.0f;
        const uint32_t first = g > 160.0f ? color : WithAlpha(static_cast<int32_t>(6.0f * (g - 120.0f)));
        Quad(kSystemSheet, bigX, 429, 17, 17, 77, 153, 17, 17, first);
        if (g >= 160.0f) {
            const uint32_t second = g > 200.0f ? color : WithAlpha(static_cast<int32_t>(6.0f * (g - 160.0f)));
            Quad(kSystemSheet, bigX + 19.0f, 429, 17, 17, 77, 153, 17, 17, second);
        }
    }
}

void DrawPlayerBlock(const cPlayerBase& p, bool second, uint32_t color) {
    const float dx = second ? 300.0f : 0.0f;
    const float element = static_cast<float>(295 * p.element);
    Quad(kSystemSheet, 30 + dx, 380, second ? 161.0f : 160.0f, 80, element, 0, second ? 161.0f : 160.0f, 80, color);
    // Stock and life are drawn within their strips, whatever the counters say:
    // the stock row holds five icons, a sixth would stand past the panel.
    const int32_t stock = std::clamp(p.stock, 0, 5);
    const int32_t character = std::clamp(p.character, 1, 4);
    for (int32_t i = 0; i < stock; ++i)
        Quad(kSystemSheet, 74 + dx + 24.0f * static_cast<float>(i), 380, 22, 22,
             static_cast<float>(111 + 22 * (character - 1)), 189, 22, 22, color);
    const int32_t life = std::clamp(p.life, 0, 5);
    if (life > 0)
        Quad(kSystemSheet, 74 + dx, 408, static_cast<float>(20 * life), 12, 111, static_cast<float>(153 + 6 * (5 - life)),
             static_cast<float>(20 * life), 12, color);
    DrawGauge(p, 72 + dx, second ? 65.0f : 54.0f, color);
    const int32_t gauge = static_cast<int32_t>(std::clamp(p.gauge, 0.0f, 999.0f));
    DrawDigits(kSystemSheet, gauge, 3, 100 + dx, 450, 8, 6, 11, 0, 213, 6, color);
    const float strip = second ? 100.0f : 50.0f;
    if (p.gauge >= strip) Quad(kSystemSheet, 30 + dx, 460, 160, 10, element, 80, 160, 10, color);
    DrawDigits(kSystemSheet, p.score, 9, 200 + dx, 430, 13, 11, 12, 0, 190, 11, color);
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
    ++state.tallyTimer;
    const int32_t t = state.tallyTimer;
    Quad(kClearSheet, 0, 0, 640, 480, 0, 0, 640, 480);
    Quad(kClearSheet, static_cast<float>(std::min(0, -529 + 40 * t)), 0, 529, 109, 0, 480, 529, 109);
    Quad(kClearSheet, static_cast<float>(std::max(0, 640 - 40 * t)), 357, 640, 123, 0, 589, 640, 123);
    for (const cPlayerBase* p : {static_cast<const cPlayerBase*>(Player1),
                                 state.twoPlayer == 1 ? static_cast<const cPlayerBase*>(Player2) : nullptr}) {
        if (!p) continue;
        const float x = p == Player1 ? 216.0f : 456.0f;
        auto row = [&](int32_t from, float y, int32_t value, int32_t count) {
            if (t >= from) DrawDigits(kClearSheet, value, count, x, y, 18, 16, 26, 640, 0, 16);
        };
        row(30, 120, static_cast<int32_t>(1000u * static_cast<uint32_t>(p->itemCount)), 7);
        row(60, 160, static_cast<int32_t>(100u * static_cast<uint32_t>(p->absorbCount)), 7);
        if (p->noMiss == 1) row(90, 210, state.noMissBonus, state.stage == 6 ? 8 : 7);
        row(120, 250, state.stageBonus, 8);
        row(150, 325, p->score, 8);
        DrawDigits(kClearSheet, p->score, 8, x + 2, 410, 19, 17, 35, 640, 26, 17);
    }
}

void DrawPauseMenu(cGameState& state) {
    Quad(kSystemSheet, 80, 120, 422, 273, 0, 425, 422, 273);
    if (!state.pauseAsking) {
        Quad(kSystemSheet, 145, 180, 342, 186, 0, 698, 342, 186);
        Quad(kSystemSheet, 130, static_cast<float>(180 + 70 * state.pauseCursor), 369, 47, 422, 425, 369, 47);
    } else {
        Quad(kSystemSheet, 205, 180, 236, 186, 342, 698, 236, 186);
        Quad(kSystemSheet, 130, static_cast<float>(250 + 70 * state.pauseAnswer), 369, 47, 422, 425, 369, 47);
    }
}

void DrawContinueScreen(cGameState& state) {
    Quad(kSystemSheet, 0, 0, 640, 480, 674, 90, 128, 128, WithAlpha(std::min(state.stateTimer, 100)));
    if (state.stateTimer < 101) return;
    Quad(kSystemSheet, 140, 80, 374, 119, 300, 100, 374, 119);
    if (state.credits <= 0) return;
    Quad(kSystemSheet, 210, 230, 252, 60, 422, 472, 252, 60);
    Quad(kSystemSheet, 180, 310, 126, 60, 422, 532, 126, 60);
    Quad(kSystemSheet, 370, 310, 126, 60, 422, 592, 126, 60);
    Quad(kSystemSheet, static_cast<float>(150 + 190 * state.continueChoice), 310, 170, 60, 422, 425, 369, 47);
    Quad(kSystemSheet, 140, 380, 361, 36, 548, 532, 361, 36);
    // Two digits; a count of 100 or more shows its last two.
    const int32_t digits[2] = {state.credits / 10 % 10, state.credits % 10};
    Quad(kSystemSheet, 395, 380, 24, 33, static_cast<float>(548 + 24 * digits[0]), 568, 24, 33);
    Quad(kSystemSheet, 421, 380, 24, 33, static_cast<float>(548 + 24 * digits[1]), 568, 24, 33);
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
    Quad(35, 0, 0, 640, 480, gBackLayerOffset, ScrollY, 640, 480);
    gBackLayerOffset += 0.2f;
    Quad(36, 0, 0, 640, 480, ScrollX, ScrollY, 640, 480);
    ObjectManager.DrawObjects();
    if (Player1 && Player1->isActive) Player1->Draw();
    if (state.twoPlayer == 1 && Player2 && Player2->isActive) Player2->Draw();
    if (BossA && BossA->active) BossA->Draw();
    if ((state.stage == 5 || state.stage == 6) && BossB && BossB->active) BossB->Draw();
    ObjectManager.UpdateEffects();
    for (int32_t slot : kGameSceneSlots) KestraSprite2D::End(SlotSprite(slot));
    for (CFontSprite2D* font : FontTable) KestraFontSprite2D::End(font);
    Kestra3D::BeginScene();
    for (const Layer& layer : kLayers) {
        Kestra3D::SetBlendingType(layer.preset);
        for (int32_t i = 0; i < 19 && layer.slots[i] >= 0; ++i) KestraSprite2D::Render(SlotSprite(layer.slots[i]));
    }
    for (CFontSprite2D* font : FontTable) KestraFontSprite2D::Render(font);
    Kestra3D::EndScene();
}
