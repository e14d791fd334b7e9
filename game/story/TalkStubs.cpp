// Stand-ins for the talks until the dialogue lands: each ends at once, as its
// end step would (the sub-state where the talk writes it, the boss's next
// phase, the window reset), without a line or a change of music.
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"

namespace {

// Which end steps write the play sub-state themselves (before the next phase).
enum class Writes { Nothing, PlayFirst };

void EndTalk(cBossBase* boss, Writes writes) {
    if (writes == Writes::PlayFirst) GameState.subState = kSubStatePlay;
    if (boss) boss->NextPhase();
    ResetTalkState();
}

}  // namespace

void UpdateTalkYuriStage1Before() { EndTalk(BossA, Writes::Nothing); }
void UpdateTalkYuriStage1After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage2Before() { EndTalk(BossA, Writes::Nothing); }
void UpdateTalkYuriStage2After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage3Before() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage3After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage4Before() { EndTalk(BossA, Writes::Nothing); }
void UpdateTalkYuriStage4After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage5MidBefore() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage5MidAfter() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage5Before() { EndTalk(BossB, Writes::PlayFirst); }
void UpdateTalkYuriStage5After() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkYuriStage5Ending() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkYuriStage6MidBefore() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage6MidAfter() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkYuriStage6Before() { EndTalk(BossB, Writes::PlayFirst); }
void UpdateTalkYuriStage6After() { EndTalk(BossB, Writes::PlayFirst); }
void UpdateTalkYuriStage6Ending() { EndTalk(BossB, Writes::PlayFirst); }

void UpdateTalkCheskaStage1Before() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage1After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage2Before() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage2After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage3Before() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage3After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage4Before() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage4After() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage5MidBefore() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage5MidAfter() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage5Before() { EndTalk(BossB, Writes::PlayFirst); }
void UpdateTalkCheskaStage5After() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkCheskaStage5Ending() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkCheskaStage6MidBefore() { EndTalk(BossA, Writes::PlayFirst); }
void UpdateTalkCheskaStage6MidAfter() { EndTalk(BossA, Writes::Nothing); }
void UpdateTalkCheskaStage6Before() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkCheskaStage6After() { EndTalk(BossB, Writes::Nothing); }
void UpdateTalkCheskaStage6Ending() { EndTalk(BossB, Writes::Nothing); }
