// Team 2 (Cheska and Osero), stage 3: the talks before and after the fight with Still.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage3.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage3;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage3Before{kBefore, {Music("BGM/Stage03Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage3After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage3Before() { talk::RunTalk(talk::kTalkCheskaStage3Before); }
void UpdateTalkCheskaStage3After() { talk::RunTalk(talk::kTalkCheskaStage3After); }
