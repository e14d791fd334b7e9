#include "game/shell/Title.h"

#include "engine/core/Kestra.h"
#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/shell/ConfigScreen.h"
#include "game/shell/GameStart.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/LoadTables.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/RankingView.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

namespace {

uint16_t PushedEither() { return static_cast<uint16_t>(PadWords[0].pushed | PadWords[1].pushed); }

// Angles turn for the life of the title; only their low 16 bits count.
int32_t Turn(int32_t angle, int32_t step) {
    return static_cast<int32_t>(static_cast<uint32_t>(angle) + static_cast<uint32_t>(step));
}


void DrawBackdrop() {
    cTitleState& t = TitleState;
    DrawTitleQuad(sheet::kTitle, layout::kBackdrop);
    DrawTitleQuad(sheet::kTitle, layout::kTitleCircle, t.circleAngle);
    DrawTitleQuad(sheet::kTitle, {t.panelX, t.panelY, t.panelWidth, t.panelHeight}, layout::kTitlePanelCell,
                  t.panelAngle);
}

void DrawMenu() {
    DrawTitleQuad(sheet::kTitle, layout::kTitleMenu);
    DrawTitleQuad(sheet::kTitle, MenuHighlightOn(TitleState.menuCursor));
    DrawTitleQuad(sheet::kTitle, layout::kTitleLogo);
}

void RunMenuItem(int32_t item) {
    cGameState& g = GameState;
    const bool extra = IsExtraUnlockedFor(0) || IsExtraUnlockedFor(1);
    switch (item) {
        case kMenuOnePlayer: g.stage = 1; TitleState.state = kTitleTeam; break;
        case kMenuTwoPlayers: g.twoPlayer = 1; g.stage = 1; TitleState.state = kTitleTeam; break;
        case kMenuExtraOnePlayer:
            if (extra) {
                g.stage = kExtraStage;
                TitleState.state = kTitleTeam;
            }
            break;
        case kMenuExtraTwoPlayers:
            if (extra) {
                g.twoPlayer = 1;
                g.stage = kExtraStage;
                TitleState.state = kTitleTeam;
            }
            break;
        case kMenuPracticeOnePlayer: g.practice = 1; TitleState.state = kTitleTeam; break;
        case kMenuPracticeTwoPlayers: g.practice = 1; g.twoPlayer = 1; TitleState.state = kTitleTeam; break;
        case kMenuRanking: TitleState.state = kTitleRanking; break;
        case kMenuConfig: TitleState.state = kTitleConfig; break;
        case kMenuQuit: Kestra::Exit(); break;
        default: break;  // the system item does nothing
    }
}

void UpdateMenu() {
    cTitleState& t = TitleState;
    const PadWord& p1 = PadWords[0];
    // Holding repeats after 42 frames, then every 6.
    if (p1.held & PAD_DOWN) {
        ++t.downHold;
        if (t.downHold % 6 == 0 && t.downHold > 39) {
            ++t.menuCursor;
            PlayEffect(SoundTable.titlefocus);
        }
    }
    if (p1.idle & PAD_DOWN) t.downHold = 0;
    if (p1.held & PAD_UP) {
        ++t.upHold;
        if (t.upHold % 6 == 0 && t.upHold > 39) {
            --t.menuCursor;
            PlayEffect(SoundTable.titlefocus);
        }
    }
    if (p1.idle & PAD_UP) t.upHold = 0;
    const uint16_t pushed = PushedEither();
    if (pushed & PAD_DOWN) {
        ++t.menuCursor;
        PlayEffect(SoundTable.titlefocus);
    }
    if (pushed & PAD_UP) {
        --t.menuCursor;
        PlayEffect(SoundTable.titlefocus);
    }
    if (pushed & (PAD_LEFT | PAD_RIGHT)) {
        t.menuCursor = t.menuCursor < kMenuSystem ? kMenuSystem : kMenuOnePlayer;
        PlayEffect(SoundTable.titlefocus);
    }
    if (t.menuCursor >= kMenuItems) t.menuCursor = kMenuOnePlayer;
    if (t.menuCursor < 0) t.menuCursor = kMenuItems - 1;
    if (pushed & PAD_SHOT) {
        PlayEffect(SoundTable.titledecide);
        RunMenuItem(t.menuCursor);
    }
}

void BackToMenu() {
    GameState.practice = 0;
    GameState.twoPlayer = 0;
    TitleState.state = kTitleMenu;
    PlayEffect(SoundTable.titlecancel);
}

void UpdateTeamChoice() {
    cTitleState& t = TitleState;
    const uint16_t pushed = PushedEither();
    if (GameState.stage == kExtraStage) {
        const bool team1 = IsExtraUnlockedFor(0);
        const bool team2 = IsExtraUnlockedFor(1);
        if (team1 != team2) t.teamCursor = team1 ? 0 : 1;
        if (pushed & (PAD_UP | PAD_DOWN | PAD_LEFT | PAD_RIGHT)) {
            const int32_t other = 1 - t.teamCursor;
            if (IsExtraUnlockedFor(other)) {
                t.teamCursor = other;
                PlayEffect(SoundTable.titlefocus);
            }
        }
    } else {
        t.teamCount = IsTeam2Unlocked() ? 2 : 1;
        if (pushed & (PAD_RIGHT | PAD_DOWN)) {
            t.teamCursor = (t.teamCursor + 1) % t.teamCount;
            PlayEffect(SoundTable.titlefocus);
        }
        if (pushed & (PAD_LEFT | PAD_UP)) {
            t.teamCursor = t.teamCursor - 1 < 0 ? t.teamCount - 1 : t.teamCursor - 1;
            PlayEffect(SoundTable.titlefocus);
        }
    }
    // Only player 1 confirms the choices before a game.
    if (PadWords[0].pushed & PAD_SHOT) {
        if (GameState.stage < kExtraStage) {
            t.state = kTitleDifficulty;
        } else {
            GameState.difficulty = 1;
            t.state = kTitleStartGame;
        }
        PlayEffect(SoundTable.titledecide);
    } else if (pushed & PAD_DIRECT) {
        GameState.stage = 1;
        BackToMenu();
    }
}

void UpdateDifficultyChoice() {
    cTitleState& t = TitleState;
    t.maxDifficulty = IsDifficulty2Unlocked() ? 2 : 1;
    const uint16_t pushed = PushedEither();
    if (pushed & (PAD_DOWN | PAD_LEFT)) {
        t.difficultyCursor = t.difficultyCursor - 1 < 0 ? t.maxDifficulty : t.difficultyCursor - 1;
        PlayEffect(SoundTable.titlefocus);
    }
    if (pushed & (PAD_UP | PAD_RIGHT)) {
        t.difficultyCursor = t.difficultyCursor + 1 > t.maxDifficulty ? 0 : t.difficultyCursor + 1;
        PlayEffect(SoundTable.titlefocus);
    }
    if (PadWords[0].pushed & PAD_SHOT) {
        PlayEffect(SoundTable.titledecide);
        t.state = GameState.practice ? kTitlePractice : kTitleStartGame;
    } else if (pushed & PAD_DIRECT) {
        t.state = kTitleTeam;
        PlayEffect(SoundTable.titlecancel);
    }
}

void UpdatePracticeChoice() {
    cTitleState& t = TitleState;
    t.practiceMax = PracticeMaxIndex(t.teamCursor, t.difficultyCursor);
    const uint16_t pushed = PushedEither();
    if (pushed & PAD_DOWN) {
        t.practiceCursor = t.practiceCursor + 1 > t.practiceMax ? 0 : t.practiceCursor + 1;
        PlayEffect(SoundTable.titlefocus);
    }
    if (pushed & PAD_UP) {
        t.practiceCursor = t.practiceCursor - 1 < 0 ? t.practiceMax : t.practiceCursor - 1;
        PlayEffect(SoundTable.titlefocus);
    }
    if (PadWords[0].pushed & PAD_SHOT) {
        t.state = kTitleStartGame;
        PlayEffect(SoundTable.titledecide);
    } else if (pushed & PAD_DIRECT) {
        t.practiceCursor = 0;
        t.practiceMax = 0;
        BackToMenu();
    }
}

}  // namespace

bool IsExtraUnlockedFor(int32_t teamIndex) {
    return teamIndex >= 0 && teamIndex <= 1 && ScoreData.clearCount[teamIndex][1] > 0;
}

bool IsDifficulty2Unlocked() { return ScoreData.clearCount[0][1] > 0 || ScoreData.clearCount[1][1] > 0; }

bool IsTeam2Unlocked() { return ScoreData.bestStage[0][0] >= 5 || ScoreData.bestStage[0][1] >= 5; }

int32_t PracticeMaxIndex(int32_t teamIndex, int32_t difficulty) {
    if (teamIndex < 0 || teamIndex > 1 || difficulty < 0 || difficulty >= kDifficultyColumns) return 0;
    int32_t stages = static_cast<int32_t>(ScoreData.bestStage[teamIndex][difficulty]) - 1;
    if (stages < 1) stages = 1;
    if (stages > kLastStoryStage) stages = kLastStoryStage;
    return stages - 1;
}

void DrawTitle() {
    cTitleState& t = TitleState;
    ++t.frameCounter;
    switch (t.state) {
        case kTitleConfig: DrawConfigScreen(); return;
        case kTitleKeyConfig:
            if (t.keyConfig) t.keyConfig->Draw();
            return;
        case kTitleMenu:
        case kTitlePractice:
        case kTitleTeam:
        case kTitleDifficulty: break;
        default: return;
    }
    if (t.state == kTitleMenu && t.frameCounter == 1) StartTitleMusic();
    AnimateTitlePanel(t.state);
    t.circleAngle = Turn(t.circleAngle, -30);
    CSprite2D* sheet = SlotSprite(sheet::kTitle);
    KestraSprite2D::Begin(sheet);
    DrawBackdrop();
    if (t.state == kTitleMenu) {
        DrawMenu();
    } else if (t.state == kTitlePractice) {
        DrawTitleQuad(sheet::kTitle, layout::kPracticeTitle);
        DrawTitleQuad(sheet::kTitle, layout::kPracticeList);
        DrawTitleQuad(sheet::kTitle, layout::kPracticeHighlight.At(t.practiceCursor, 0));
    } else if (t.state == kTitleTeam) {
        DrawTitleQuad(sheet::kTitle, layout::kTeamCard.At(0, t.teamCursor));
        DrawTitleQuad(sheet::kTitle, layout::kTeamHeading);
    } else {
        t.cursorAngle = Turn(t.cursorAngle, 300);
        DrawTitleQuad(sheet::kTitle, layout::kDifficulty);
        DrawTitleQuad(sheet::kTitle, layout::kDifficultyCursor.At(t.difficultyCursor, 0), t.cursorAngle);
    }
    RenderSheets({sheet});
}

void UpdateTitle() {
    DrawTitle();
    cTitleState& t = TitleState;
    switch (t.state) {
        case kTitleMenu: UpdateMenu(); break;
        case kTitleConfig: UpdateConfigScreen(); break;
        case kTitleKeyConfig:
            if (!t.keyConfig || t.keyConfig->Update()) {
                CloseKeyConfigScreen();
                t.state = kTitleConfig;
            }
            break;
        case kTitlePractice: UpdatePracticeChoice(); break;
        case kTitleTeam: UpdateTeamChoice(); break;
        case kTitleDifficulty: UpdateDifficultyChoice(); break;
        case kTitleRanking: UpdateRankingView(); break;
        case kTitleStartGame: StartNewGame(); break;
        default: break;
    }
}

void LoadTitleSprites() { LoadFiles(kTitleLoads, GameState.team); }

void ReleaseTitleSprites() {
    for (const FileLoad& l : kTitleLoads) releaseSprite(l.slot);
}
