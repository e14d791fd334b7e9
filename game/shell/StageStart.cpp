#include "game/shell/StageStart.h"

#include <cstdio>
#include <iterator>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/LoadTables.h"
#include "game/shell/StageFiles.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "platform/win32/crt.h"

namespace {

constexpr uint16_t kCountCap = 999;
constexpr int32_t kKeep = -1;  // facing or direction left as it was

struct Bonus {
    int32_t stage;
    int32_t noMiss;
};
const Bonus kBonuses[kExtraStage] = {{100000, 200000},   {200000, 400000},   {500000, 1000000},
                           {1000000, 2000000}, {3000000, 5000000}, {9990000, 39000000}};

// Where a stage starts: the view, the players and which way they look.
struct Start {
    float scrollX, scrollY;
    int32_t p1x, p1y;
    bool p2Fixed;      // player 2 at (p2x, p2y); else the view plus (p2x, p2y)
    int32_t p2x, p2y;
    int32_t facing;
    int32_t direction;
};

Start StartOf(int32_t stage, int32_t difficulty) {
    switch (stage) {
        case 1:
            if (difficulty == 2) return {1280, 1480, 1580, 1680, false, 360, 200, 0, 6};
            return {50, 50, 220, 220, true, 220, 280, 0, 6};
        case 2: return {1080, 1520, 1280, 1720, false, 280, 200, kKeep, kKeep};
        case 3:
            if (difficulty == 1) return {1260, 120, 1460, 320, false, 280, 200, 32768, 4};
            if (difficulty == 2) return {1260, 740, 1460, 1020, false, 280, 280, 32768, 4};
            return {1280, 1480, 1480, 1740, false, 280, 260, 0, 4};
        case 4:
            if (difficulty == 1) return {1360, 1340, 1560, 1540, false, 280, 200, 49145, 8};
            if (difficulty == 2) return {300, 200, 500, 400, false, 280, 200, 49145, 8};
            return {160, 420, 360, 620, false, 280, 200, 0, 6};
        case 5: return {760, 1560, 1080, 1860, false, 360, 300, 49145, 8};
        default: return {0, 0, 300, 240, true, 360, 240, kKeep, kKeep};
    }
}

void Place(cPlayerBase* player, int32_t x, int32_t y, const Start& start) {
    if (!player) return;
    player->SetPosition(x, y);
    if (start.facing != kKeep) player->facing = start.facing;
    if (start.direction != kKeep) player->animDir = start.direction;
}

// The stage's first boss's cut-in and body as the stage loaded them, and its
// circle where it is the team's own (a later boss puts its own pictures in
// these sheets; a restart brings the first one's back).
void ReloadBossPictures(int32_t stage, int32_t team) {
    for (const FileLoad& l : kStageFiles[stage - 1].loads) {
        const bool own = l.slot == sheet::kCutIn || l.slot == sheet::kBossBody ||
                         (l.slot == sheet::kBossCircle && l.who != For::All);
        if (own && IsFor(l.who, team == 0, team + 1)) loadSpriteCStr(l.file, l.slot, 0, 300);
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
    const bool twoSlots = g.stage == kLastStoryStage || g.stage == kExtraStage;
    if (!BossA || (twoSlots && !BossB)) {
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
    if (g.stage < 1 || g.stage > static_cast<int32_t>(std::size(kBonuses))) return;
    const Bonus& bonus = kBonuses[g.stage - 1];
    g.stageBonus = bonus.stage;
    g.noMissBonus = bonus.noMiss;
    const int32_t team = g.team == 2 ? 1 : 0;
    if (g.stage == 1 || g.stage == kExtraStage) {
        if (Player1) Player1->Reset();
        if (second) second->Reset();
    }
    const Start start = StartOf(g.stage, g.difficulty);
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
        if (!g.practice && g.difficulty >= 0 && g.difficulty <= 3) {
            uint16_t& count = ScoreData.playCount[team][g.difficulty];
            if (count < kCountCap) ++count;
        }
        g.credits = static_cast<int32_t>(3u + ScoreData.finishedGames / 3u);
    } else if (g.stage == kLastStoryStage) {
        ReloadBossPictures(kLastStoryStage, team);
    } else if (g.stage == kExtraStage) {
        if (Player1) Player1->score = 0;
        ReloadBossPictures(kExtraStage, team);
        uint16_t& count = ScoreData.playCount[team][3];
        if (count < kCountCap) ++count;
        if (second) second->score = 0;
    }
    StartMusic(g.stage);
}
