#include "game/shell/StageStart.h"

#include <cstdio>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/LoadTables.h"
#include "game/shell/StageFiles.h"
#include "game/shell/Stages.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "platform/win32/crt.h"

namespace {

constexpr uint16_t kCountCap = 999;

void Place(cPlayerBase* player, int32_t x, int32_t y, const StartPlace& start) {
    if (!player) return;
    player->SetPosition(x, y);
    if (start.facing != kKeep) player->facing = start.facing;
    if (start.direction != kKeep) player->animDir = start.direction;
}

// Boss A's cut-in and body as the stage loaded them, and its circle where it
// is the team's own (boss B puts its own pictures in these sheets; a start
// brings A's back).
void ReloadBossPictures(const Stage& stage, int32_t team) {
    for (const FileLoad& l : stage.files) {
        const bool own = l.slot == sheet::kCutIn || l.slot == sheet::kBossBody ||
                         (l.slot == sheet::kBossCircle && l.who != For::All);
        if (own && IsFor(l.who, team)) loadSpriteCStr(l.file, l.slot, 0, 300);
    }
}

void StartMusic(int32_t stage) {
    char name[32];
    std::snprintf(name, sizeof name, "BGM/Stage%02d.ogg", stage);
    ChangeMusic(name);
}

// The schedule brings the stage's bosses; the last stage's are gone first, so
// that a schedule without a boss plays on without one.
void LoadStageBosses(const cGameState& g) {
    delete BossA;
    delete BossB;
    BossA = BossB = nullptr;
    LoadStageEnemies(g);
    if (!BossA || (HasTwoBosses(g.stage) && !BossB)) {
        Kestra::LogRed("StartStage: the schedule of stage %d brings no boss; the stage plays on without one",
                       static_cast<int>(g.stage));
        Kestra::LogNewLine();
    }
}

}  // namespace

void StartStage() {
    cGameState& g = GameState;
    ObjectManager.ResetForStage();
    StageFrame = 0;
    LoadStageBosses(g);
    LoadStageMap(g);
    crt::srand(static_cast<unsigned int>(_time64(nullptr)));
    g.frameCount = 0;
    g.subState = kSubStatePlay;
    ScrollHalt = 0;
    crt::srand(static_cast<unsigned int>(_time64(nullptr)));
    cPlayerBase* second = g.twoPlayer == 1 ? Player2 : nullptr;
    if (Player1) Player1->noMiss = 1;
    if (second) second->noMiss = 1;
    ResetTalkState();
    const Stage* stage = StageRow(g.stage);
    if (!stage) return;
    g.stageBonus = stage->clearBonus;
    g.noMissBonus = stage->noMissBonus;
    const int32_t team = TeamIndex(g.team);
    if (g.stage == 1 || g.stage == kExtraStage) {
        if (Player1) Player1->Reset();
        if (second) second->Reset();
    }
    const StartPlace& start = stage->StartFor(g.difficulty);
    ScrollX = start.scrollX;
    ScrollY = start.scrollY;
    Place(Player1, start.p1x, start.p1y, start);
    if (second) {
        const int32_t x = start.p2Fixed ? start.p2x : static_cast<int32_t>(start.scrollX + start.p2x);
        const int32_t y = start.p2Fixed ? start.p2y : static_cast<int32_t>(start.scrollY + start.p2y);
        Place(second, x, y, start);
    }
    if (g.stage == 1) {
        if (Player1) Player1->score = 0;
        if (second) second->score = 0;
        if (!g.practice && g.difficulty >= 0 && g.difficulty < kDifficultyColumns) {
            uint16_t& count = ScoreData.playCount[team][g.difficulty];
            if (count < kCountCap) ++count;
        }
        g.credits = static_cast<int32_t>(3u + ScoreData.finishedGames / 3u);
    } else if (g.stage == kExtraStage) {
        if (Player1) Player1->score = 0;
        uint16_t& count = ScoreData.playCount[team][kExtraColumn];
        if (count < kCountCap) ++count;
        if (second) second->score = 0;
    }
    if (stage->twoBosses) ReloadBossPictures(*stage, g.team);
    StartMusic(g.stage);
}
