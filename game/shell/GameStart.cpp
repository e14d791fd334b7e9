#include "game/shell/GameStart.h"

#include "game/shell/GameScene.h"
#include "game/shell/LoadTables.h"
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

}  // namespace

void SetGameStartCalls(const cGameStartCalls* calls) { gCalls = calls ? calls : &kDefaultCalls; }

void StartNewGame() {
    cGameState& g = GameState;
    const cTitleState& t = TitleState;
    // The extra stage has one difficulty, wherever an earlier visit to the
    // difficulty choice left its cursor.
    g.difficulty = g.stage == kExtraStage ? 1 : t.difficultyCursor;
    const int32_t teamIndex = t.teamCursor == 1 ? 1 : 0;
    g.team = teamIndex + 1;
    gCalls->spawnPlayer(2 * teamIndex, 320.0f, 240.0f);
    gCalls->spawnPlayer(2 * teamIndex + 1, 320.0f, 240.0f);
    LoadFiles(kTeamSheets[teamIndex], g.team);
    gCalls->loadCommonSprites(g);
    if (g.stage == kExtraStage) {
        gCalls->loadStageResources(kExtraStage);
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
