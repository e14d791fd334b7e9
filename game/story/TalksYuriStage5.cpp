// Team 1 (Yuri and Crow), stage 5: the talks with Osero (mid-boss) and Cheska, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage5.h"

namespace talk {
namespace {

using namespace talktext::YuriStage5;

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

constexpr TalkScript kTalkYuriStage5MidBefore{kMidBefore, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage5MidAfter{kMidAfter, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage5Before{kBefore, {PlayState, NextPhaseB, ResetWindow, Music("BGM/Stage05Boss.ogg")}};
constexpr TalkScript kTalkYuriStage5After{kAfter, {NextPhaseB, ResetWindow, Music("BGM/EDTalk.ogg")}};
constexpr TalkScript kTalkYuriStage5Ending{kEnding, {NextPhaseB, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage5MidBefore() { talk::RunTalk(talk::kTalkYuriStage5MidBefore); }
void UpdateTalkYuriStage5MidAfter() { talk::RunTalk(talk::kTalkYuriStage5MidAfter); }
void UpdateTalkYuriStage5Before() { talk::RunTalk(talk::kTalkYuriStage5Before); }
void UpdateTalkYuriStage5After() { talk::RunTalk(talk::kTalkYuriStage5After); }
void UpdateTalkYuriStage5Ending() { talk::RunTalk(talk::kTalkYuriStage5Ending); }
