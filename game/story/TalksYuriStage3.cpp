// Team 1 (Yuri and Crow), stage 3: the talks before and after the fight with Still.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage3.h"

namespace talk {
namespace {

using namespace talktext::YuriStage3;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage3Before{kBefore, {Music("BGM/Stage03Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage3After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage3Before() { talk::RunTalk(talk::kTalkYuriStage3Before); }
void UpdateTalkYuriStage3After() { talk::RunTalk(talk::kTalkYuriStage3After); }
