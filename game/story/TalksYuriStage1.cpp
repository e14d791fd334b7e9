// Team 1 (Yuri and Crow), stage 1: the talks before and after the fight with Shamyu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage1.h"

namespace talk {
namespace {

using namespace talktext::YuriStage1;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage1Before{kBefore, {Music("BGM/Stage01Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage1After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage1Before() { talk::RunTalk(talk::kTalkYuriStage1Before); }
void UpdateTalkYuriStage1After() { talk::RunTalk(talk::kTalkYuriStage1After); }
