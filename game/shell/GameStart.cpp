#include "game/shell/GameStart.h"

#include <iterator>

#include "game/shell/GameScene.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/StageResources.h"
#include "game/shell/StageStart.h"
#include "game/shell/Title.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

const cGameStartCalls kDefaultCalls = {SpawnPlayer, LoadCommonSprites, LoadStageResources,
                                       ReleaseTitleSprites, ResetForNewGame, StartStage};
const cGameStartCalls* gCalls = &kDefaultCalls;

// The slots of a team's sheets: the two characters, their cut-ins.
constexpr int32_t kSheetSlots[] = {0, 1, 29, 30};
struct TeamImages {
    const char* sheets[std::size(kSheetSlots)];
    const char* circles[2];  // slots 2, 3
};
const TeamImages kTeams[2] = {
    {{"img/yuri.png", "img/crow.png", "img/cutin_yuri.png", "img/cutin_crow.png"},
     {"img/mahoujin_yuri.png", "img/mahoujin_crow.png"}},
    {{"img/cheska.png", "img/osero.png", "img/cutin_cheska.png", "img/cutin_osero.png"},
     {"img/mahoujin_cheska.png", "img/mahoujin_osero.png"}},
};

}  // namespace

void SetGameStartCalls(const cGameStartCalls* calls) { gCalls = calls ? calls : &kDefaultCalls; }

void StartNewGame() {
    cGameState& g = GameState;
    const cTitleState& t = TitleState;
    // The extra stage has one difficulty, wherever an earlier visit to the
    // difficulty choice left its cursor.
    g.difficulty = g.stage == 6 ? 1 : t.difficultyCursor;
    const int32_t teamIndex = t.teamCursor == 1 ? 1 : 0;
    g.team = teamIndex + 1;
    gCalls->spawnPlayer(2 * teamIndex, 320.0f, 240.0f);
    gCalls->spawnPlayer(2 * teamIndex + 1, 320.0f, 240.0f);
    const TeamImages& images = kTeams[teamIndex];
    for (size_t i = 0; i < std::size(kSheetSlots); ++i) loadSpriteCStr(images.sheets[i], kSheetSlots[i], 0, 1800);
    loadSpriteCStr(images.circles[0], 2, 0, 600);
    loadSpriteCStr(images.circles[1], 3, 0, 600);
    gCalls->loadCommonSprites(g);
    if (g.stage == 6) {
        gCalls->loadStageResources(6);
    } else if (g.practice) {
        g.stage = t.practiceCursor + 1;
        g.practiceStage = t.practiceCursor + 1;
        gCalls->loadStageResources(g.stage);
    } else if (g.stage == 1) {
        gCalls->loadStageResources(1);
    }
    gCalls->releaseTitleSprites();
    gCalls->resetForNewGame();
    gCalls->startStage();
    g.sceneId = kSceneGame;
}
