#include "game/shell/GameScene.h"

#include <initializer_list>

#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/shell/LoadTables.h"
#include "game/shell/Input.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/ResultScene.h"
#include "game/shell/StageResources.h"
#include "game/shell/StageScroll.h"
#include "game/shell/StageStart.h"
#include "game/shell/Stages.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/cBossBase.h"

namespace {

constexpr uint16_t kCountCap = 999;
constexpr int32_t kGameOverFrames = 100;
constexpr int32_t kTallyEnd = 151;
constexpr uint32_t kEscapeKey = 1;

// Player 2 takes part only in two-player mode.
cPlayerBase* SecondPlayer() { return GameState.twoPlayer == 1 ? Player2 : nullptr; }
bool Active(const cPlayerBase* player) { return player && player->isActive; }

// The BGM's pause is a toggle: the same call pauses and resumes.
void ToggleMusic() { KestraSound::Pause(BgmHandle, 0); }

void CountUp(uint16_t& count) {
    if (count < kCountCap) ++count;
}

void UpdateGameOver(cGameState& g) {
    if (++g.stateTimer == 1) {
        ToggleMusic();
        PlayEffect(SoundTable.gameover);
    }
    if (g.stateTimer >= kGameOverFrames && (g.credits <= 0 || g.stage == kExtraStage)) {
        ++ScoreData.finishedGames;
        LoadTitleSprites();
        g.subState = kSubStateLeave;
        return;
    }
    if (g.credits < 1 || g.stateTimer <= kGameOverFrames) return;
    const uint16_t pushed = PadWords[0].pushed;
    if (pushed & (PAD_LEFT | PAD_RIGHT)) {
        PlayEffect(SoundTable.titlefocus);
        g.continueChoice = g.continueChoice == 0 ? 1 : 0;
    }
    if (!(pushed & PAD_SHOT)) return;
    if (g.continueChoice == 0) {
        --g.credits;
        for (cPlayerBase* player : {Player1, SecondPlayer()}) {
            if (!player) continue;
            player->Reset();
            player->invincibleCount = 0;
            player->isInvincible = 1;
            player->noMiss = 0;
        }
        g.subState = kSubStatePlay;
        g.stateTimer = 0;
        KestraSound::Stop(SoundTable.gameover, 0);
        KestraSound::Stop(SoundTable.playerdamage, 0);
        ToggleMusic();
    } else {
        ++ScoreData.finishedGames;
        g.subState = kSubStateLeave;
        g.stateTimer = 0;
        KestraSound::Stop(SoundTable.playerdamage, 0);
    }
}

void UpdateLeave(cGameState& g) {
    cScoreData& s = ScoreData;
    s.resultColumn = g.stage == kExtraStage ? kExtraColumn : g.difficulty;
    s.resultTeam = g.team;
    uint32_t score = Player1 ? static_cast<uint32_t>(Player1->score) : 0u;
    if (cPlayerBase* second = SecondPlayer()) score += static_cast<uint32_t>(second->score);
    s.resultScore = static_cast<int32_t>(score);
    if (s.resultStage == 0) s.resultStage = g.stage;
    ReleaseStage();
    LoadTitleSprites();
    ResetTitleState();
    LoadNameEntrySprites();
    g.sceneId = kSceneResult;
}

// Adds an amount to a player's score, wrapping as the play field's counters do.
void AddScore(cPlayerBase* player, int64_t amount) {
    player->score = static_cast<int32_t>(static_cast<uint32_t>(player->score) + static_cast<uint32_t>(amount));
}

void PayTally(cGameState& g) {
    const int32_t t = g.tallyTimer;
    if (t != 30 && t != 60 && t != 90 && t != 120 && t != 150) return;
    PlayEffect(SoundTable.crystalhit);
    for (cPlayerBase* player : {Player1, SecondPlayer()}) {
        if (!player) continue;
        const bool first = player == Player1;
        switch (t) {
            case 30:
                if (first || player->isActive) AddScore(player, 1000LL * player->itemCount);
                break;
            case 60:
                if (first || player->isActive) AddScore(player, 100LL * player->absorbCount);
                break;
            case 90:
                if (player->noMiss == 1) AddScore(player, g.noMissBonus);
                break;
            case 120:
                if (first || player->isActive) AddScore(player, g.stageBonus);
                break;
            default: break;
        }
    }
}

void UpdateTally(cGameState& g) {
    PayTally(g);
    if (g.tallyTimer < kTallyEnd || !(PadWords[0].pushed & PAD_SHOT)) return;
    if (!g.practice) {
        g.tallyTimer = 0;
        const int32_t team = TeamIndex(g.team);
        if (g.stage >= 1 && g.stage < kLastStoryStage) {
            ReleaseStageResources(g.stage);
            LoadStageResources(g.stage + 1);
            ++g.stage;
            g.subState = kSubStatePlay;
            StartStage();
        } else if (g.stage == kLastStoryStage) {
            if (g.difficulty >= 0 && g.difficulty < kDifficultyColumns)
                CountUp(ScoreData.clearCount[team][g.difficulty]);
            g.stage = kStoryCleared;
            g.subState = kSubStateLeave;
        } else if (g.stage == kExtraStage) {
            CountUp(ScoreData.clearCount[team][kExtraColumn]);
            g.stage = kExtraCleared;
            g.subState = kSubStateLeave;
            g.difficulty = kExtraColumn;  // the result reads its column from the difficulty
        }
        return;
    }
    if (g.stage >= 2 && g.stage <= kLastStoryStage) ReleaseStageResources(g.stage);
    LoadTitleSprites();
    g.sceneId = kSceneTitle;
    ResetTitleState();
}

void Restart(cGameState& g) {
    for (cPlayerBase* player : {Player1, SecondPlayer()})
        if (player) player->Reset();
    if (g.practice || g.stage == kExtraStage) {
        StartStage();
        return;
    }
    if (g.stage >= 2 && g.stage <= kLastStoryStage) {
        ReleaseStageResources(g.stage);
        // Stage 5's release takes the slots of the team's own portraits too.
        if (g.stage == kLastStoryStage) LoadTeamPortraits(g.team);
        LoadStageResources(1);
    }
    g.stage = 1;
    StartStage();
}

void UpdatePause(cGameState& g) {
    const uint16_t pushed = static_cast<uint16_t>(PadWords[0].pushed | PadWords[1].pushed);
    if (!g.pauseAsking) {
        if (pushed & PAD_DOWN) {
            g.pauseCursor = (g.pauseCursor + 1) % 3;
            PlayEffect(SoundTable.titlefocus);
        }
        if (pushed & PAD_UP) {
            g.pauseCursor = g.pauseCursor == 0 ? 2 : g.pauseCursor - 1;
            PlayEffect(SoundTable.titlefocus);
        }
        if (!(pushed & PAD_SHOT)) return;
        PlayEffect(SoundTable.titledecide);
        if (g.pauseCursor == 0) {
            g.subState = kSubStatePlay;
            ToggleMusic();
        } else {
            g.pauseAsking = 1;
            g.pauseAnswer = 1;
        }
        return;
    }
    if (pushed & (PAD_UP | PAD_DOWN)) {
        g.pauseAnswer = g.pauseAnswer == 0 ? 1 : 0;
        PlayEffect(SoundTable.titlefocus);
    }
    if (!(pushed & PAD_SHOT)) return;
    g.pauseAsking = 0;
    if (g.pauseAnswer == 1) {
        g.subState = kSubStatePlay;
        ToggleMusic();
        PlayEffect(SoundTable.titledecide);
    } else if (g.pauseCursor == 1) {
        Restart(g);
    } else {
        PlayEffect(SoundTable.titledecide);
        g.subState = kSubStateLeave;
    }
}

void UpdatePlay(cGameState& g) {
    UpdateStageScroll();
    cPlayerBase* second = SecondPlayer();
    if (Active(Player1)) Player1->Move();
    if (Active(second)) second->Move();
    ObjectManager.UpdateObjects();
    if (Active(Player1)) {
        Player1->PushApart();
        if (Player2) Player2->PushApart();
        Player1->HitTest();
    }
    if (Active(second)) second->HitTest();
    // A stage whose schedule brought no boss plays on without one.
    if (BossA && BossA->active == 1) BossA->HitTest();
    if (HasTwoBosses(g.stage) && BossB && BossB->active == 1) BossB->HitTest();
    ObjectManager.HitTestObjects();
    if (Active(Player1)) Player1->Act();
    if (Active(second)) second->Act();
    if (BossA) BossA->Update();
    if (HasTwoBosses(g.stage) && BossB) BossB->Update();
    // A game over or a tally set in this frame is not overwritten by the pause.
    if (g.subState != kSubStatePlay) return;
    const bool menu = ((PadWords[0].pushed | PadWords[1].pushed) & PAD_MENU) != 0;
    if (ReadKey(kEscapeKey) || menu) {
        PlayEffect(SoundTable.menuopen);
        g.pauseCursor = 0;
        g.subState = kSubStatePause;
        ToggleMusic();
        g.pauseAsking = 0;
    }
}

}  // namespace

void SpawnPlayer(int32_t code, float x, float y) { ObjectManager.SpawnPlayerObject(code, x, y, 0); }

void ResetForNewGame() {
    cGameState& g = GameState;
    if (Player1) Player1->Reset();
    if (cPlayerBase* second = SecondPlayer()) second->Reset();
    StageFrame = 0;
    g.stateTimer = 0;
    g.continueChoice = 0;
    g.tallyTimer = 0;
    g.credits = static_cast<int32_t>(3u + ScoreData.finishedGames / 3u);
}

void UpdateGameScene() {
    cGameState& g = GameState;
    ObjectManager.outerIndex = 0;
    ObjectManager.innerIndex = 0;
    DrawGameScene(g);
    ++g.frameCount;
    if (g.subState == kSubStateGameOver) UpdateGameOver(g);
    if (g.subState == kSubStateLeave) UpdateLeave(g);
    if (g.subState == kSubStateTally) UpdateTally(g);
    if (g.subState == kSubStatePause) UpdatePause(g);
    if (g.subState == kSubStatePlay) UpdatePlay(g);
    ObjectManager.SweepObjects();
}
