// Team 2 (Cheska and Osero), stage 5: the talks with Crow (mid-boss) and Yuri, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage5.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage5;

constexpr TalkStep kMidBefore[] = {
    Line(0, Empty, Narration(midBeforeTodo), Next(100)),
};

// The worked example of the talk frame: Crow, beaten, lets the two go on.
constexpr TalkStep kMidAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Crow, 0, midAfter0),         Next(1, Cheska)),
    Line(1,  Speak(Cheska, 14, midAfter1),        Listen(Crow, 0, midAfter0),        Next(2, Crow)),
    Line(2,  Listen(Cheska, 14, midAfter1),       Speak(Crow, 4, midAfter2),         Next(3, Crow)),
    Line(3,  Listen(Cheska, 14, midAfter1),       Speak(Crow, 2, midAfter3),         Next(4, Crow)),
    Line(4,  Listen(Cheska, 14, midAfter1),       Speak(Crow, 0, midAfter4),         Next(5, Osero)),
    Line(5,  Speak(Osero, 0, midAfter5),          Listen(Crow, 0, midAfter4),        Next(10, Cheska)),
    Line(10, Speak(Cheska, 0, midAfter10),        Listen(Crow, 0, midAfter4),        Next(11, Cheska)),
    Line(11, Speak(Cheska, 14, midAfter11),       Listen(Crow, 0, midAfter4),        Next(12, Crow)),
    Line(12, Listen(Cheska, 14, midAfter11),      Speak(Crow, 4, midAfter12),        Next(13, Cheska)),
    Line(13, Speak(Cheska, 15, midAfter13),       Listen(Crow, 4, midAfter12),       Next(14, Crow)),
    Line(14, Listen(Cheska, 15, midAfter13),      Speak(Crow, 4, midAfter14),        Next(100)),
};

constexpr TalkStep kBefore[] = {
    Line(0, Empty, Narration(beforeTodo), Next(100)),
};

constexpr TalkStep kAfter[] = {
    Line(0, Empty, Narration(afterTodo), Next(200)),
};

constexpr TalkStep kEnding[] = {
    Line(0, Empty, Narration(endingTodo), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage5MidBefore{kMidBefore, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage5MidAfter{kMidAfter, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage5Before{kBefore, {Music("BGM/Stage05Boss_02.ogg"), PlayState, NextPhaseB, ResetWindow}};
constexpr TalkScript kTalkCheskaStage5After{kAfter, {NextPhaseB, ResetWindow, Music("BGM/EDTalk.ogg")}, 200};
constexpr TalkScript kTalkCheskaStage5Ending{kEnding, {NextPhaseB, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage5MidBefore() { talk::RunTalk(talk::kTalkCheskaStage5MidBefore); }
void UpdateTalkCheskaStage5MidAfter() { talk::RunTalk(talk::kTalkCheskaStage5MidAfter); }
void UpdateTalkCheskaStage5Before() { talk::RunTalk(talk::kTalkCheskaStage5Before); }
void UpdateTalkCheskaStage5After() { talk::RunTalk(talk::kTalkCheskaStage5After); }
void UpdateTalkCheskaStage5Ending() { talk::RunTalk(talk::kTalkCheskaStage5Ending); }
