// Team 2 (Cheska and Osero), stage 4: the talks before and after the fight with the twins Momo and Nono.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage4.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage4;

// The twins share the lower portrait: a step draws one of them. Momo's card
// fades in from step 13, Nono's from step 15.
constexpr TalkStep kBefore[] = {
    //   step  upper side                         lower side                                  advance
    Line(0,  Speak(Cheska, 1, before0),           Empty,                                      Next(1, Cheska)),
    Line(1,  Speak(Cheska, 4, before1),           Empty,                                      Next(2, Osero)),
    Line(2,  Speak(Osero, 0, before2),            Empty,                                      Next(3, Cheska)),
    Line(3,  Speak(Cheska, 14, before3),          Empty,                                      Next(4, Cheska)),
    Line(4,  Speak(Cheska, 10, before4),          Empty,                                      Next(5, Osero)),
    Line(5,  Speak(Osero, 4, before5),            Empty,                                      Next(10, Nono)),
    Line(10, Listen(Osero, 4, before5),           Speak(Nono, 3, before10),                   Next(11, Momo)),
    Line(11, Listen(Osero, 4, before5),           Speak(Momo, 3, before11),                   Next(12, Osero)),
    Line(12, Speak(Osero, 0, before12),           Listen(Momo, 3, before11),                  Next(13, Osero).NewCard()),
    Line(13, Speak(Osero, 4, before13),           Listen(Momo, 3, before11),                  Next(14, Momo)).Card(8),
    Line(14, Listen(Osero, 4, before13),          Speak(Momo, 4, before14),                   Next(15, Nono).NewCard()).Card(8),
    Line(15, Listen(Osero, 4, before13),          Speak(Nono, 1, before15),                   Next(20, Cheska)).Card(9),
    Line(20, Speak(Cheska, 1, before20),          Listen(Nono, 1, before15),                  Next(21, Osero)).Card(9),
    Line(21, Speak(Osero, 0, before21),           Listen(Nono, 1, before15),                  Next(22, Nono)).Card(9),
    Line(22, Listen(Osero, 0, before21),          Speak(Nono, 4, before22),                   Next(23, Momo)),
    Line(23, Listen(Osero, 0, before21),          Speak(Momo, 0, before23),                   Next(24, Nono)),
    Line(24, Listen(Osero, 0, before21),          Speak(Nono, 3, before24),                   Next(25, Osero)),
    Line(25, Speak(Osero, 4, before25),           Listen(Nono, 3, before24),                  Next(30, Cheska)),
    Line(30, Speak(Cheska, 10, before30),         Listen(Nono, 3, before24),                  Next(31, Nono)),
    Line(31, Listen(Cheska, 10, before30),        Speak(Nono, 4, before31),                   Next(32, Momo)),
    Line(32, Listen(Cheska, 10, before30),        Speak(Momo, 3, before32),                   Next(33, Cheska)),
    Line(33, Speak(Cheska, 16, before33),         Listen(Nono, 3, before32).NotLastSpeaker(), Next(34, Osero)),
    Line(34, Speak(Osero, 0, before34),           Listen(Momo, 3, before32),                  Next(35, Cheska)),
    Line(35, Speak(Cheska, 16, before35),         Listen(Nono, 2, before32).NotLastSpeaker(), Next(40, Momo)),
    Line(40, Listen(Cheska, 16, before35),        Speak(Momo, 1, before40),                   Next(41, Cheska)),
    Line(41, Listen(Cheska, 16, before35),        Speak(Momo, 4, before41),                   Next(42, Osero)),
    Line(42, Speak(Osero, 4, before42),           Listen(Momo, 4, before41),                  Next(43, Cheska)),
    Line(43, Speak(Cheska, 1, before43),          Listen(Momo, 4, before41),                  Next(100)),
};

// Momo opens on the counter the talk before left her (at rest, as a rule).
// At step 24 Osero, still leading the song, stays active beside her dimmed
// balloon; at step 44 Nono's sulk stands in an opaque balloon.
constexpr TalkStep kAfter[] = {
    //   step  upper side                                  lower side                                 advance
    Line(0,  Empty,                                       Speak(Momo, 2, after0),                    Next(1, Nono)),
    Line(1,  Empty,                                       Speak(Nono, 5, after1),                    Next(2, Cheska)),
    Line(2,  Speak(Cheska, 1, after2),                    Listen(Nono, 5, after1),                   Next(3, Osero)),
    Line(3,  Speak(Osero, 1, after3),                     Listen(Nono, 5, after1),                   Next(4, Nono)),
    Line(4,  Listen(Osero, 1, after3),                    Speak(Nono, 4, after4),                    Next(5, Momo)),
    Line(5,  Listen(Osero, 1, after3),                    Speak(Momo, 2, after5),                    Next(10, Nono)),
    Line(10, Listen(Osero, 1, after3),                    Speak(Nono, 0, after10),                   Next(11, Momo)),
    Line(11, Listen(Osero, 1, after3),                    Speak(Momo, 4, after11),                   Next(12, Cheska)),
    Line(12, Speak(Cheska, 13, after12),                  Listen(Momo, 4, afterR1),                  Next(13, Cheska)),
    Line(13, Speak(Cheska, 0, after13),                   Listen(Momo, 4, afterR1),                  Next(14, Osero)),
    Line(14, Speak(Osero, 0, after14),                    Listen(Momo, 4, afterR1),                  Next(15, Cheska)),
    Line(15, Speak(Cheska, 14, after15),                  Listen(Momo, 4, afterR1),                  Next(16, Cheska)),
    Line(16, Speak(Cheska, 15, after16),                  Listen(Momo, 4, afterR1),                  Next(20, Osero)),
    Line(20, Speak(Osero, 4, after20),                    Listen(Momo, 4, afterR1),                  Next(21, Momo)),
    Line(21, Listen(Osero, 4, after20),                   Speak(Momo, 3, after21),                   Next(22, Nono)),
    Line(22, Listen(Osero, 4, after20),                   Speak(Nono, 3, after22),                   Next(23, Osero)),
    Line(23, Speak(Osero, 0, after23),                    Listen(Nono, 3, after22),                  Next(24, Momo)),
    Line(24, Listen(Osero, 0, after23).ActivePortrait(),  Speak(Momo, 3, after24),                   Next(25, Nono)),
    Line(25, Listen(Osero, 0, after23),                   Speak(Nono, 1, after25),                   Next(30, Cheska)),
    Line(30, Speak(Cheska, 14, after30),                  Listen(Nono, 1, after25),                  Next(31, Osero)),
    Line(31, Speak(Osero, 5, after31),                    Listen(Nono, 1, after25),                  Next(32, Osero)),
    Line(32, Speak(Osero, 5, after32),                    Listen(Nono, 4, afterR2),                  Next(33, Osero)),
    Line(33, Speak(Osero, 5, after33),                    Listen(Nono, 4, afterR2),                  Next(34, Cheska)),
    Line(34, Speak(Cheska, 5, after34),                   Listen(Nono, 4, afterR2),                  Next(35, Osero)),
    Line(35, Speak(Osero, 5, after35),                    Listen(Nono, 4, afterR2),                  Next(40, Cheska)),
    Line(40, Speak(Cheska, 5, after40),                   Listen(Nono, 4, afterR2),                  Next(41, Momo)),
    Line(41, Listen(Cheska, 5, after40),                  Speak(Momo, 1, after41),                   Next(42, Nono)),
    Line(42, Listen(Cheska, 5, after40),                  Speak(Nono, 2, after42),                   Next(43, Osero)),
    Line(43, Speak(Osero, 3, after43),                    Listen(Nono, 2, afterR3),                  Next(44, Cheska)),
    Line(44, Speak(Cheska, 13, after44),                  Listen(Nono, 2, afterR3).OpaqueBalloon(),  Next(100)),
};

}  // namespace

constexpr TalkScript kTalkCheskaStage4Before{kBefore, {Music("BGM/Stage04Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkCheskaStage4After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkCheskaStage4Before() { talk::RunTalk(talk::kTalkCheskaStage4Before); }
void UpdateTalkCheskaStage4After() { talk::RunTalk(talk::kTalkCheskaStage4After); }
