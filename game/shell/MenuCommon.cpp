#include "game/shell/MenuCommon.h"

#include <initializer_list>

#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

cTitleState TitleState;

namespace {

constexpr float kDepth = 32767.0f;

// Moves towards a target and rests within one step of it.
void Towards(int32_t& value, int32_t target, int32_t step) {
    if (value < target) {
        value += step;
        if (value > target) value -= step;
    } else if (value > target) {
        value -= step;
        if (value < target) value += step;
    }
}
void GrowBelow(int32_t& value, int32_t limit, int32_t step) {
    if (value < limit) value += step;
}
void ShrinkAbove(int32_t& value, int32_t limit, int32_t step) {
    if (value > limit) value -= step;
}

}  // namespace

cTitleState::cTitleState()
    : maxDifficulty(1),
      circleAngle(0),
      menuCursor(0),
      teamCount(0),
      practiceCursor(0),
      practiceMax(0),
      configCursor(0),
      teamCursor(0),
      difficultyCursor(1),
      highlightX(0),
      highlightY(0),
      state(kTitleMenu),
      panelAngle(0),
      cursorAngle(0),
      frameCounter(0),
      panelX(0),
      panelY(0),
      panelWidth(0),
      panelHeight(10),
      keyConfig(nullptr),
      downHold(0),
      upHold(0) {}

void PlayEffect(uint32_t handle) { KestraSound::Play(handle, 0); }

CSprite2D* SlotSprite(int32_t slot) {
    return slot >= 0 && static_cast<size_t>(slot) < SpriteTable.size() ? SpriteTable[static_cast<size_t>(slot)].sprite
                                                                        : nullptr;
}

void RenderSheets(std::initializer_list<CSprite2D*> sheets, CFontSprite2D* font) {
    for (CSprite2D* sheet : sheets) KestraSprite2D::End(sheet);
    KestraFontSprite2D::End(font);
    // Begin and end pair up whether or not the device takes the scene.
    Kestra3D::BeginScene();
    Kestra3D::SetBlendingType(1);
    for (CSprite2D* sheet : sheets) KestraSprite2D::Render(sheet);
    KestraFontSprite2D::Render(font);
    Kestra3D::EndScene();
}

float ClampVolume(int32_t volume) { return static_cast<float>(volume < 0 ? 0 : (volume > 100 ? 100 : volume)); }

void DrawTitleQuad(int32_t slot, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
                   int32_t angle) {
    const float dst[4] = {x, y, w, h};
    const float src[4] = {sx, sy, sw, sh};
    DrawSpriteEntry(slot, dst, kDepth, src, 0xFFFFFFFFu, angle, 0.0f, 0.0f);
}

void AnimateTitlePanel(int32_t state) {
    cTitleState& t = TitleState;
    const bool widthMoves = state == kTitleConfig || t.frameCounter > 30;
    switch (state) {
        case kTitleMenu:
            if (widthMoves) Towards(t.panelWidth, 290, 18);
            Towards(t.panelHeight, 600, 11);
            Towards(t.panelX, 300, 27);
            Towards(t.panelY, 0, 27);
            Towards(t.panelAngle, 4800, 400);
            break;
        case kTitleConfig:
            GrowBelow(t.panelWidth, 310, 18);
            GrowBelow(t.panelHeight, 600, 11);
            Towards(t.panelX, 30, 27);
            Towards(t.panelY, 0, 27);
            Towards(t.panelAngle, -2800, 400);
            break;
        case kTitlePractice:
            if (widthMoves) Towards(t.panelWidth, 270, 18);
            GrowBelow(t.panelHeight, 650, 11);
            Towards(t.panelX, 330, 27);
            Towards(t.panelY, -50, 27);
            Towards(t.panelAngle, -2800, 400);
            break;
        case kTitleTeam:
            if (widthMoves) Towards(t.panelWidth, 290, 18);
            Towards(t.panelHeight, 600, 11);
            Towards(t.panelX, 20, 27);
            Towards(t.panelY, 0, 27);
            Towards(t.panelAngle, -4800, 400);
            break;
        case kTitleDifficulty:
            if (widthMoves) Towards(t.panelWidth, 790, 18);
            ShrinkAbove(t.panelHeight, 240, 19);
            ShrinkAbove(t.panelX, -70, 27);
            Towards(t.panelY, 160, 27);
            Towards(t.panelAngle, -2000, 260);
            break;
        default: break;
    }
}

void StartTitleMusic() { ChangeMusic("BGM/Title.ogg"); }

void ResetTitleState() {
    cTitleState& t = TitleState;
    t.menuCursor = 0;
    t.state = kTitleMenu;
    t.frameCounter = 0;
    t.configCursor = 0;
    t.teamCursor = 0;
    t.teamCount = 0;
    t.practiceCursor = 0;
    t.practiceMax = 0;
    t.difficultyCursor = 1;
    CloseKeyConfigScreen();
    GameState.stage = 1;
    GameState.practice = 0;
    GameState.twoPlayer = 0;
}
