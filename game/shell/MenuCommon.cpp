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

void DrawTitleQuad(int32_t slot, const layout::Rect& screen, const layout::Rect& cell, int32_t angle) {
    DrawSpriteEntry(slot, Floats(screen).data(), kDepth, Floats(cell).data(), 0xFFFFFFFFu, angle, 0.0f, 0.0f);
}

void AnimateTitlePanel(int32_t state) {
    using layout::kPanelWidthStep, layout::kPanelOnMenu, layout::kPanelOnConfig, layout::kPanelOnPractice,
        layout::kPanelOnTeam, layout::kPanelOnDifficulty;
    cTitleState& t = TitleState;
    const bool widthMoves = state == kTitleConfig || t.frameCounter > 30;
    // Its place and angle head for the pose's.
    const auto slideTo = [&t](const layout::PanelPose& pose) {
        Towards(t.panelX, pose.x, 27);
        Towards(t.panelY, pose.y, 27);
        Towards(t.panelAngle, pose.angle, 400);
    };
    switch (state) {
        case kTitleMenu:
            if (widthMoves) Towards(t.panelWidth, kPanelOnMenu.w, kPanelWidthStep);
            Towards(t.panelHeight, kPanelOnMenu.h, 11);
            slideTo(kPanelOnMenu);
            break;
        case kTitleConfig:
            GrowBelow(t.panelWidth, kPanelOnConfig.w, kPanelWidthStep);
            GrowBelow(t.panelHeight, kPanelOnConfig.h, 11);
            slideTo(kPanelOnConfig);
            break;
        case kTitlePractice:
            if (widthMoves) Towards(t.panelWidth, kPanelOnPractice.w, kPanelWidthStep);
            GrowBelow(t.panelHeight, kPanelOnPractice.h, 11);
            slideTo(kPanelOnPractice);
            break;
        case kTitleTeam:
            if (widthMoves) Towards(t.panelWidth, kPanelOnTeam.w, kPanelWidthStep);
            Towards(t.panelHeight, kPanelOnTeam.h, 11);
            slideTo(kPanelOnTeam);
            break;
        case kTitleDifficulty:
            if (widthMoves) Towards(t.panelWidth, kPanelOnDifficulty.w, kPanelWidthStep);
            ShrinkAbove(t.panelHeight, kPanelOnDifficulty.h, 19);
            ShrinkAbove(t.panelX, kPanelOnDifficulty.x, 27);
            Towards(t.panelY, kPanelOnDifficulty.y, 27);
            Towards(t.panelAngle, kPanelOnDifficulty.angle, 260);
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
