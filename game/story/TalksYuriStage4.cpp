// Team 1 (Yuri and Crow), stage 4: the talks before and after the fight with Momo and Nono.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage4.h"

namespace talk {
namespace {

using namespace talktext::YuriStage4;

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage4Before{kBefore, {Music("BGM/Stage04Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage4After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage4Before() { talk::RunTalk(talk::kTalkYuriStage4Before); }
void UpdateTalkYuriStage4After() { talk::RunTalk(talk::kTalkYuriStage4After); }
