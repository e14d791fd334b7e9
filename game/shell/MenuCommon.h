// What the title and its sub-screens (configuration, key configuration,
// ranking) share: the title's menu state they return to, its sheets, the
// panel animation and the drawing and sound helpers.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "game/state/ScreenLayout.h"
#include "game/state/SpriteTable.h"

class cKeyConfigScreen;
class CSprite2D;
class CFontSprite2D;

enum : int32_t {
    kTitleMenu = 0,
    kTitleConfig = 1,
    kTitleKeyConfig = 2,
    kTitlePractice = 3,
    kTitleTeam = 4,
    kTitleDifficulty = 5,
    kTitleRanking = 8,
    kTitleStartGame = 10,
};

// The title menu's items in cursor order: the left column, then the right one.
enum : int32_t {
    kMenuOnePlayer = 0,
    kMenuTwoPlayers = 1,
    kMenuExtraOnePlayer = 2,
    kMenuExtraTwoPlayers = 3,
    kMenuPracticeOnePlayer = 4,
    kMenuPracticeTwoPlayers = 5,
    kMenuSystem = 6,  // heads the right column and does nothing
    kMenuRanking = 7,
    kMenuConfig = 8,
    kMenuQuit = 9,
    kMenuItems = 10,
};

// The highlight on a menu item: the left column's rows, then the right one's.
constexpr layout::Quad MenuHighlightOn(int32_t item) {
    return item < kMenuSystem ? layout::MenuHighlight(0, item) : layout::MenuHighlight(1, item - kMenuSystem);
}

class cTitleState {
public:
    cTitleState();

    int32_t maxDifficulty;
    int32_t circleAngle;
    int32_t menuCursor;
    int32_t teamCount;
    int32_t practiceCursor;
    int32_t practiceMax;
    int32_t configCursor;
    int32_t teamCursor;
    int32_t difficultyCursor;
    int32_t highlightX;
    int32_t highlightY;
    int32_t state;
    int32_t panelAngle;
    int32_t cursorAngle;
    int32_t frameCounter;
    int32_t panelX;
    int32_t panelY;
    int32_t panelWidth;
    int32_t panelHeight;
    cKeyConfigScreen* keyConfig;
    int32_t downHold;
    int32_t upHold;
};
extern cTitleState TitleState;

// Back to the main menu with the cursors at rest, an open key configuration
// closed, and a one-player story game chosen.
void ResetTitleState();
// The key configuration screen of the menu state, opened afresh or closed;
// they live with the screen itself.
void OpenKeyConfigScreen();
void CloseKeyConfigScreen();

// Quads of the title sheets go through the sprite table at the title's depth.
void DrawTitleQuad(int32_t slot, const layout::Rect& screen, const layout::Rect& cell, int32_t angle = 0);
inline void DrawTitleQuad(int32_t slot, const layout::Quad& quad, int32_t angle = 0) {
    DrawTitleQuad(slot, quad.screen, quad.cell, angle);
}
// One frame of the animated panel and the turning circle and cursor.
void AnimateTitlePanel(int32_t state);
// The title music from its start, at the music volume.
void StartTitleMusic();
// Volumes as the devices take them.
float ClampVolume(int32_t volume);
// Plays a sound effect once from its start.
void PlayEffect(uint32_t handle);
// The sprite of a sprite-table slot, or null.
CSprite2D* SlotSprite(int32_t slot);
// Ends the sheets' quads and, in one scene with alpha blending, renders the
// sheets in order and then the font (which may be null).
void RenderSheets(std::initializer_list<CSprite2D*> sheets, CFontSprite2D* font = nullptr);
