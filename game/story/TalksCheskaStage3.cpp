// Team 2 (Cheska and Osero), stage 3: the talks before and after the fight with Still.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage3.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage3;

// The pair alone up to step 11; Still's card counts on from the window's reset
// over steps 15 to 22.
constexpr TalkStep kBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Speak(Osero, 1, before0),            Empty,                             Next(1, Cheska)),
    Line(1,  Speak(Cheska, 1, before1),           Empty,                             Next(2, Cheska)),
    Line(2,  Speak(Cheska, 0, before2),           Empty,                             Next(3, Osero)),
    Line(3,  Speak(Osero, 2, before3),            Empty,                             Next(4, Osero)),
    Line(4,  Speak(Osero, 0, before4),            Empty,                             Next(5, Osero)),
    Line(5,  Speak(Osero, 1, before5),            Empty,                             Next(10, Cheska)),
    Line(10, Speak(Cheska, 4, before10),          Empty,                             Next(11, Cheska)),
    Line(11, Speak(Cheska, 2, before11),          Empty,                             Next(12, Still)),
    Line(12, Listen(Cheska, 2, before11),         Speak(Still, 1, before12),         Next(13, Cheska)),
    Line(13, Speak(Cheska, 14, before13),         Listen(Still, 1, before12),        Next(14, Osero)),
    Line(14, Speak(Osero, 0, before14),           Listen(Still, 1, before12),        Next(15, Still)),
    Line(15, Listen(Osero, 0, before14),          Speak(Still, 1, before15),         Next(20, Cheska)).Card(7),
    Line(20, Speak(Cheska, 11, before20),         Listen(Still, 1, before15),        Next(21, Still)).Card(7),
    Line(21, Listen(Cheska, 11, before20),        Speak(Still, 1, before21),         Next(22, Still)).Card(7),
    Line(22, Listen(Cheska, 11, before20),        Speak(Still, 1, before22),         Next(23, Still)).Card(7),
    Line(23, Listen(Cheska, 10, beforeR1),        Speak(Still, 6, before23),         Next(24, Still)),
    Line(24, Listen(Cheska, 10, beforeR1),        Speak(Still, 2, before24),         Next(25, Osero)),
    Line(25, Speak(Osero, 3, before25),           Listen(Still, 2, before24),        Next(26, Cheska)),
    Line(26, Speak(Cheska, 14, before26),         Listen(Still, 6, beforeR2),        Next(30, Still)),
    Line(30, Listen(Cheska, 11, before26),        Speak(Still, 0, before30),         Next(31, Still)),
    Line(31, Listen(Cheska, 11, before26),        Speak(Still, 1, before31),         Next(32, Cheska)),
    Line(32, Speak(Cheska, 9, before32),          Listen(Still, 1, before31),        Next(33, Osero)),
    Line(33, Speak(Osero, 7, before33),           Listen(Still, 1, before31),        Next(34, Cheska)),
    Line(34, Speak(Cheska, 4, before34),          Listen(Still, 1, before31),        Next(35, Osero)),
    Line(35, Speak(Osero, 5, before35),           Listen(Still, 1, before31),        Next(36, Cheska)),
    Line(36, Speak(Cheska, 1, before36),          Listen(Still, 1, before31),        Next(40, Still)),
    Line(40, Listen(Cheska, 1, before36),         Speak(Still, 2, before40),         Next(41, Cheska)),
    Line(41, Speak(Cheska, 3, before41),          Listen(Still, 2, before40),        Next(100)),
};

// Still faints into a line without a speaker; her sigh stays in the dimmed
// box while the pair talk over her.
constexpr TalkStep kAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Still, 2, after0),           Next(1)),
    Line(1,  Empty,                               Narration(after1),                 Next(2, Cheska)),
    Line(2,  Speak(Cheska, 1, after2),            Narration(afterR1).DimBalloon(),   Next(3, Osero)),
    Line(3,  Speak(Osero, 5, after3),             Narration(afterR1).DimBalloon(),   Next(4, Osero)),
    Line(4,  Speak(Osero, 4, after4),             Narration(afterR1).DimBalloon(),   Next(5, Cheska)),
    Line(5,  Speak(Cheska, 3, after5),            Narration(afterR1).DimBalloon(),   Next(10, Still)),
    Line(10, Listen(Cheska, 3, afterR2),          Speak(Still, 1, after10),          Next(11, Osero)),
    Line(11, Speak(Osero, 7, after11),            Listen(Still, 1, afterR3),         Next(12, Osero)),
    Line(12, Speak(Osero, 0, after12),            Listen(Still, 1, afterR3),         Next(13, Cheska)),
    Line(13, Speak(Cheska, 0, after13),           Listen(Still, 1, afterR3),         Next(14, Cheska)),
    Line(14, Speak(Cheska, 14, after14),          Listen(Still, 1, afterR3),         Next(15, Osero)),
    Line(15, Speak(Osero, 4, after15),            Listen(Still, 1, afterR3),         Next(20, Still)),
    Line(20, Listen(Osero, 4, after15),           Speak(Still, 1, after20),          Next(21, Cheska)),
    Line(21, Speak(Cheska, 14, after21),          Listen(Still, 1, after20),         Next(22, Osero)),
    Line(22, Speak(Osero, 4, after22),            Listen(Still, 1, after20),         Next(23, Still)),
    Line(23, Listen(Osero, 4, after22),           Speak(Still, 2, after23),          Next(24, Still)),
    Line(24, Listen(Osero, 4, afterR4),           Speak(Still, 2, after24),          Next(25, Osero)),
    Line(25, Speak(Osero, 4, after25),            Listen(Still, 2, after24),         Next(26, Cheska)),
    Line(26, Speak(Cheska, 9, after26),           Listen(Still, 2, after24),         Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage3Before{kBefore, {Music("BGM/Stage03Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage3After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage3Before() { talk::RunTalk(talk::kTalkCheskaStage3Before); }
void UpdateTalkCheskaStage3After() { talk::RunTalk(talk::kTalkCheskaStage3After); }
