// Team 2 (Cheska and Osero), stage 1: the talks before and after the fight with Shamyu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage1.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage1;

// The pair alone for four lines, then Shamyu with her name card.
constexpr TalkStep kBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Speak(Cheska, 0, before0),           Empty,                             Next(1, Cheska)),
    Line(1,  Speak(Cheska, 10, before1),          Empty,                             Next(2, Osero)),
    Line(2,  Speak(Osero, 2, before2),            Empty,                             Next(3, Cheska)),
    Line(3,  Speak(Cheska, 4, before3),           Empty,                             Next(4, Shamyu)),
    Line(4,  Listen(Cheska, 0, before3),          Speak(Shamyu, 1, before4),         Next(5, Osero)).Card(5),
    Line(5,  Speak(Osero, 3, before5),            Listen(Shamyu, 1, before4),        Next(10, Shamyu)),
    Line(10, Listen(Osero, 3, before5),           Speak(Shamyu, 6, before10),        Next(11, Cheska)),
    Line(11, Speak(Cheska, 13, before11),         Listen(Shamyu, 6, before10),       Next(12, Cheska)),
    Line(12, Speak(Cheska, 3, before12),          Listen(Shamyu, 6, beforeR1),       Next(13, Osero)),
    Line(13, Speak(Osero, 1, before13),           Listen(Shamyu, 6, beforeR1),       Next(14, Osero)),
    Line(14, Speak(Osero, 0, before14),           Listen(Shamyu, 0, beforeR1),       Next(15, Shamyu)),
    Line(15, Listen(Osero, 0, before14),          Speak(Shamyu, 0, before15),        Next(20, Osero)),
    Line(20, Speak(Osero, 4, before20),           Listen(Shamyu, 0, before15),       Next(21, Cheska)),
    Line(21, Speak(Cheska, 15, before21),         Listen(Shamyu, 0, beforeR2),       Next(22, Osero)),
    Line(22, Speak(Osero, 4, before22),           Listen(Shamyu, 0, beforeR2),       Next(23, Cheska)),
    Line(23, Speak(Cheska, 14, before23),         Listen(Shamyu, 0, beforeR2),       Next(24, Osero)),
    Line(24, Speak(Osero, 5, before24),           Listen(Shamyu, 0, beforeR3),       Next(25, Cheska)),
    Line(25, Speak(Cheska, 1, before25),          Listen(Shamyu, 0, beforeR3),       Next(30, Cheska)),
    Line(30, Speak(Cheska, 10, before30),         Listen(Shamyu, 0, beforeR3),       Next(31, Shamyu)),
    Line(31, Listen(Cheska, 10, before30),        Speak(Shamyu, 3, before31),        Next(32, Cheska)),
    Line(32, Speak(Cheska, 7, before32),          Listen(Shamyu, 3, before31),       Next(33, Osero)),
    Line(33, Speak(Osero, 4, before33),           Listen(Shamyu, 3, before31),       Next(34, Cheska)),
    Line(34, Speak(Cheska, 2, before34),          Listen(Shamyu, 3, beforeR4),       Next(35, Osero)),
    Line(35, Speak(Osero, 4, before35),           Listen(Shamyu, 3, beforeR4),       Next(40, Cheska)),
    Line(40, Speak(Cheska, 2, before40),          Listen(Shamyu, 0, beforeR4),       Next(41, Osero)),
    Line(41, Speak(Osero, 5, before41),           Listen(Shamyu, 0, beforeR4),       Next(42, Cheska)),
    Line(42, Speak(Cheska, 9, before42),          Listen(Shamyu, 0, beforeR4),       Next(100)),
};

// Shamyu alone for two lines; at step 15 Cheska's line of step 14 stands
// again while only Shamyu's side changes.
constexpr TalkStep kAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Shamyu, 5, after0),          Next(1, Shamyu)),
    Line(1,  Empty,                               Speak(Shamyu, 5, after1),          Next(2, Osero)),
    Line(2,  Speak(Osero, 4, after2),             Listen(Shamyu, 5, after1),         Next(3, Shamyu)),
    Line(3,  Listen(Osero, 4, after2),            Speak(Shamyu, 3, after3),          Next(4, Shamyu)),
    Line(4,  Listen(Osero, 4, afterR1),           Speak(Shamyu, 0, after4),          Next(5, Shamyu)),
    Line(5,  Listen(Osero, 4, afterR1),           Speak(Shamyu, 1, after5),          Next(10, Osero)),
    Line(10, Speak(Osero, 0, after10),            Listen(Shamyu, 1, after5),         Next(11, Cheska)),
    Line(11, Speak(Cheska, 0, after11),           Listen(Shamyu, 1, after5),         Next(12, Cheska)),
    Line(12, Speak(Cheska, 3, after12),           Listen(Shamyu, 5, afterR2),        Next(13, Cheska)),
    Line(13, Speak(Cheska, 6, after13),           Listen(Shamyu, 5, afterR2),        Next(14, Cheska)),
    Line(14, Speak(Cheska, 15, after14),          Listen(Shamyu, 4, afterR3),        Next(15, Shamyu)),
    Line(15, Speak(Cheska, 15, after14),          Listen(Shamyu, 3, afterR4),        Next(16, Cheska)),
    Line(16, Speak(Cheska, 8, after16),           Listen(Shamyu, 3, afterR4),        Next(20, Cheska)),
    Line(20, Speak(Cheska, 10, after20),          Listen(Shamyu, 3, afterR4),        Next(21, Shamyu)),
    Line(21, Listen(Cheska, 10, after20),         Speak(Shamyu, 3, after21),         Next(22, Cheska)),
    Line(22, Speak(Cheska, 14, after22),          Listen(Shamyu, 3, after21),        Next(23, Cheska)),
    Line(23, Speak(Cheska, 14, after23),          Listen(Shamyu, 3, after21),        Next(24, Osero)),
    Line(24, Speak(Osero, 0, after24),            Listen(Shamyu, 3, afterR5),        Next(25, Cheska)),
    Line(25, Speak(Cheska, 0, after25),           Listen(Shamyu, 3, afterR5),        Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage1Before{kBefore, {Music("BGM/Stage01Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage1After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage1Before() { talk::RunTalk(talk::kTalkCheskaStage1Before); }
void UpdateTalkCheskaStage1After() { talk::RunTalk(talk::kTalkCheskaStage1After); }
