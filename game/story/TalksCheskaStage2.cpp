// Team 2 (Cheska and Osero), stage 2: the talks before and after the fight with Fururu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage2.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage2;

// The boss's update runs step 0 once, unseen, on the frame it reaches phase 1.
// Fururu's card fades in once over steps 1 to 11; Cheska's aside at step 33
// is the balloon's second style, and stays so while she listens.
constexpr TalkStep kBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Speak(Cheska, 14, before0),          Empty,                             Next(1, Fururu).NewCard()),
    Line(1,  Listen(Cheska, 14, before0),         Speak(Fururu, 4, before1),         Next(2, Osero)).Card(6),
    Line(2,  Speak(Osero, 0, before2),            Listen(Fururu, 4, before1),        Next(3, Osero)).Card(6),
    Line(3,  Speak(Osero, 4, before3),            Listen(Fururu, 4, beforeR1),       Next(4, Fururu)).Card(6),
    Line(4,  Listen(Osero, 4, before3),           Speak(Fururu, 5, before4),         Next(5, Cheska)).Card(6),
    Line(5,  Speak(Cheska, 4, before5),           Listen(Fururu, 5, before4),        Next(10, Cheska)).Card(6),
    Line(10, Listen(Cheska, 4, before5),          Speak(Fururu, 2, before10),        Next(11, Cheska)).Card(6),
    Line(11, Speak(Cheska, 5, before11),          Listen(Fururu, 2, before10),       Next(12, Fururu)).Card(6),
    Line(12, Listen(Cheska, 13, beforeR2),        Speak(Fururu, 3, before12),        Next(13, Osero)),
    Line(13, Speak(Osero, 3, before13),           Listen(Fururu, 3, before12),       Next(14, Fururu)),
    Line(14, Listen(Osero, 3, before13),          Speak(Fururu, 1, before14),        Next(15, Fururu)),
    Line(15, Listen(Osero, 3, before13),          Speak(Fururu, 3, before15),        Next(20, Osero)),
    Line(20, Speak(Osero, 1, before20),           Listen(Fururu, 3, before15),       Next(21, Fururu)),
    Line(21, Listen(Osero, 1, before20),          Speak(Fururu, 0, before21),        Next(22, Cheska)),
    Line(22, Speak(Cheska, 4, before22),          Listen(Fururu, 0, before21),       Next(23, Cheska)),
    Line(23, Speak(Cheska, 8, before23),          Listen(Fururu, 5, beforeR3),       Next(24, Fururu)),
    Line(24, Listen(Cheska, 8, before23),         Speak(Fururu, 5, before24),        Next(25, Cheska)),
    Line(25, Speak(Cheska, 14, before25),         Listen(Fururu, 5, before24),       Next(30, Osero)),
    Line(30, Speak(Osero, 4, before30),           Listen(Fururu, 5, before24),       Next(31, Cheska)),
    Line(31, Speak(Cheska, 4, before31),          Listen(Fururu, 5, before24),       Next(32, Osero)),
    Line(32, Speak(Osero, 4, before32),           Listen(Fururu, 5, before24),       Next(33, Cheska)),
    Line(33, Speak(Cheska, 0, before33).Row(1),   Listen(Fururu, 5, before24),       Next(34, Fururu)),
    Line(34, Listen(Cheska, 8, before33).Row(1),  Speak(Fururu, 3, before34),        Next(35, Osero)),
    Line(35, Speak(Osero, 4, before35),           Listen(Fururu, 3, before34),       Next(40, Osero)),
    Line(40, Speak(Osero, 5, before40),           Listen(Fururu, 3, beforeR4),       Next(41, Osero)),
    Line(41, Speak(Osero, 5, before41),           Listen(Fururu, 3, beforeR4),       Next(42, Cheska)),
    Line(42, Speak(Cheska, 9, before42),          Listen(Fururu, 3, beforeR4),       Next(43, Fururu)),
    Line(43, Listen(Cheska, 9, before42),         Speak(Fururu, 4, before43),        Next(100)),
};

// Fururu's counter is not among those the window's reset clears: she opens
// from where the talk before left her, and at steps 31 and 33 turns to speak
// without sliding in again.
constexpr TalkStep kAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Fururu, 2, after0),          Next(1, Cheska)),
    Line(1,  Speak(Cheska, 13, after1),           Listen(Fururu, 2, after0),         Next(2, Fururu)),
    Line(2,  Listen(Cheska, 13, after1),          Speak(Fururu, 5, after2),          Next(3, Osero)),
    Line(3,  Speak(Osero, 4, after3),             Listen(Fururu, 5, after2),         Next(4, Cheska)),
    Line(4,  Speak(Cheska, 0, after4),            Listen(Fururu, 5, afterR1),        Next(5, Osero)),
    Line(5,  Speak(Osero, 2, after5),             Listen(Fururu, 5, afterR1),        Next(10, Osero)),
    Line(10, Speak(Osero, 7, after10),            Listen(Fururu, 5, afterR1),        Next(11, Cheska)),
    Line(11, Speak(Cheska, 2, after11),           Listen(Fururu, 5, afterR1),        Next(12, Osero)),
    Line(12, Speak(Osero, 1, after12),            Listen(Fururu, 5, afterR1),        Next(13, Osero)),
    Line(13, Speak(Osero, 4, after13),            Listen(Fururu, 5, afterR1),        Next(14, Cheska)),
    Line(14, Speak(Cheska, 9, after14),           Listen(Fururu, 5, afterR1),        Next(15, Fururu)),
    Line(15, Listen(Cheska, 9, after14),          Speak(Fururu, 0, after15),         Next(20, Cheska)),
    Line(20, Speak(Cheska, 14, after20),          Listen(Fururu, 0, after15),        Next(21, Fururu)),
    Line(21, Listen(Cheska, 14, after20),         Speak(Fururu, 4, after21),         Next(22, Fururu)),
    Line(22, Listen(Cheska, 14, after20),         Speak(Fururu, 4, after22),         Next(23, Cheska)),
    Line(23, Speak(Cheska, 15, after23),          Listen(Fururu, 4, after22),        Next(24, Fururu)),
    Line(24, Listen(Cheska, 15, after23),         Speak(Fururu, 5, after24),         Next(25, Cheska)),
    Line(25, Speak(Cheska, 13, after25),          Listen(Fururu, 5, after24),        Next(31, Cheska)),
    Line(31, Listen(Cheska, 13, after25),         Speak(Fururu, 4, after31),         Next(32, Cheska)),
    Line(32, Speak(Cheska, 14, after32),          Listen(Fururu, 4, after31),        Next(33, Cheska)),
    Line(33, Empty,                               Speak(Fururu, 5, after33),         Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage2Before{kBefore, {Music("BGM/Stage02Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage2After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage2Before() { talk::RunTalk(talk::kTalkCheskaStage2Before); }
void UpdateTalkCheskaStage2After() { talk::RunTalk(talk::kTalkCheskaStage2After); }
