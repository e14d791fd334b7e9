// Team 1 (Yuri and Crow), stage 2: the talks before and after the fight with Fururu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage2.h"

namespace talk {
namespace {

using namespace talktext::YuriStage2;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage2Before{kBefore, {Music("BGM/Stage02Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage2After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage2Before() { talk::RunTalk(talk::kTalkYuriStage2Before); }
void UpdateTalkYuriStage2After() { talk::RunTalk(talk::kTalkYuriStage2After); }
