// Team 2 (Cheska and Osero), stage 2: the talks before and after the fight with Fururu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage2.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage2;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage2Before{kBefore, {Music("BGM/Stage02Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage2After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage2Before() { talk::RunTalk(talk::kTalkCheskaStage2Before); }
void UpdateTalkCheskaStage2After() { talk::RunTalk(talk::kTalkCheskaStage2After); }
