// Team 2 (Cheska and Osero), stage 4: the talks before and after the fight with Momo and Nono.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage4.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage4;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage4Before{kBefore, {Music("BGM/Stage04Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage4After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage4Before() { talk::RunTalk(talk::kTalkCheskaStage4Before); }
void UpdateTalkCheskaStage4After() { talk::RunTalk(talk::kTalkCheskaStage4After); }
