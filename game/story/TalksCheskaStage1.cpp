// Team 2 (Cheska and Osero), stage 1: the talks before and after the fight with Shamyu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage1.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage1;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage1Before{kBefore, {Music("BGM/Stage01Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage1After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage1Before() { talk::RunTalk(talk::kTalkCheskaStage1Before); }
void UpdateTalkCheskaStage1After() { talk::RunTalk(talk::kTalkCheskaStage1After); }
