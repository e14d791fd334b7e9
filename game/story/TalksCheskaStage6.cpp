// Team 2 (Cheska and Osero), the extra stage: the talks with Palet and Copic (mid-boss) and Deena, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage6.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage6;

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

constexpr TalkScript kTalkCheskaStage6MidBefore{kMidBefore, {PlayState, NextPhaseA, Music("BGM/Stage06Boss_01.ogg"), ResetWindow}};
constexpr TalkScript kTalkCheskaStage6MidAfter{kMidAfter, {Music("BGM/Stage06.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage6Before{kBefore, {Music("BGM/Stage06Boss_02.ogg"), NextPhaseB, ResetWindow}};
constexpr TalkScript kTalkCheskaStage6After{kAfter, {Music("BGM/EDTalk.ogg"), NextPhaseB, ResetWindow}};
constexpr TalkScript kTalkCheskaStage6Ending{kEnding, {NextPhaseB, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage6MidBefore() { talk::RunTalk(talk::kTalkCheskaStage6MidBefore); }
void UpdateTalkCheskaStage6MidAfter() { talk::RunTalk(talk::kTalkCheskaStage6MidAfter); }
void UpdateTalkCheskaStage6Before() { talk::RunTalk(talk::kTalkCheskaStage6Before); }
void UpdateTalkCheskaStage6After() { talk::RunTalk(talk::kTalkCheskaStage6After); }
void UpdateTalkCheskaStage6Ending() { talk::RunTalk(talk::kTalkCheskaStage6Ending); }
