// Team 1 (Yuri and Crow), the extra stage: the talks with Palet and Copic (mid-boss) and Deena, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage6.h"

namespace talk {
namespace {

using namespace talktext::YuriStage6;

constexpr TalkStep kMidBefore[] = {
    Line(0, Empty, Narration(midBeforeTodo), Next(100)),
};

constexpr TalkStep kMidAfter[] = {
    Line(0, Empty, Narration(midAfterTodo), Next(100)),
};

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(100)),
};

constexpr TalkStep kEnding[] = {
    Line(0, Empty, Narration(endingTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage6MidBefore{kMidBefore, {PlayState, NextPhaseA, Music("BGM/Stage06Boss_01.ogg"), ResetWindow}};
constexpr TalkScript kTalkYuriStage6MidAfter{kMidAfter, {Music("BGM/Stage06.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage6Before{kBefore, {Music("BGM/Stage06Boss_02.ogg"), PlayState, NextPhaseB, ResetWindow}};
constexpr TalkScript kTalkYuriStage6After{kAfter, {Music("BGM/EDTalk.ogg"), PlayState, NextPhaseB, ResetWindow}};
constexpr TalkScript kTalkYuriStage6Ending{kEnding, {PlayState, NextPhaseB, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage6MidBefore() { talk::RunTalk(talk::kTalkYuriStage6MidBefore); }
void UpdateTalkYuriStage6MidAfter() { talk::RunTalk(talk::kTalkYuriStage6MidAfter); }
void UpdateTalkYuriStage6Before() { talk::RunTalk(talk::kTalkYuriStage6Before); }
void UpdateTalkYuriStage6After() { talk::RunTalk(talk::kTalkYuriStage6After); }
void UpdateTalkYuriStage6Ending() { talk::RunTalk(talk::kTalkYuriStage6Ending); }
