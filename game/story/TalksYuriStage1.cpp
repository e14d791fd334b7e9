// Team 1 (Yuri and Crow), stage 1: the talks before and after the fight with Shamyu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage1.h"

namespace talk {
namespace {

using namespace talktext::YuriStage1;

// On the grassland: the pendant's spirit, and a cat girl too hungry to listen.
constexpr TalkStep kBefore[] = {
    // step  upper side                       lower side                         advance
    Line(0,  Empty,                           Speak(Shamyu, 5, before0),         Next(1, Yuri).NewCard()),
    Line(1,  Speak(Yuri, 9, before1),         Listen(Shamyu, 5, before0),        Next(2, Crow).NewCard()).Card(0),
    Line(2,  Speak(Crow, 1, before2),         Listen(Shamyu, 5, before2Listen),  Next(3, Yuri)).Card(1),
    Line(3,  Speak(Yuri, 10, before3),        Listen(Shamyu, 5, before2Listen),  Next(4, Kohaku).NewCard()),
    Line(4,  Listen(Yuri, 10, before3),       Speak(Kohaku, 8, before4),         Next(5, Kohaku)).Card(4),
    Line(5,  Listen(Yuri, 10, before3),       Speak(Kohaku, 1, before5),         Next(6, Kohaku)).Card(4),
    Line(6,  Speak(Yuri, 3, before6),         Listen(Kohaku, 1, before5),        Next(7, Crow)).Card(4),
    Line(7,  Speak(Crow, 4, before7),         Listen(Kohaku, 1, before5),        Next(10, Kohaku)).Card(4),
    Line(10, Listen(Crow, 4, before7),        Speak(Kohaku, 5, before10),        Next(11, Crow)).Card(4),
    Line(11, Speak(Crow, 6, before11),        Listen(Kohaku, 5, before10),       Next(12, Shamyu).NewCard()),
    Line(12, Listen(Crow, 6, before11),       Speak(Shamyu, 1, before12),        Next(13, Kohaku)).Card(5),
    Line(13, Listen(Crow, 6, before11),       Speak(Kohaku, 1, before13),        Next(14, Kohaku)),
    Line(14, Listen(Crow, 6, before11),       Speak(Kohaku, 5, before14),        Next(15, Shamyu)),
    Line(15, Listen(Crow, 8, before15Listen), Speak(Shamyu, 1, before15),        Next(16, Kohaku)),
    Line(16, Listen(Crow, 8, before15Listen), Speak(Kohaku, 6, before16),        Next(20, Shamyu)),
    Line(20, Listen(Crow, 8, before15Listen), Speak(Shamyu, 6, before20),        Next(21, Crow)),
    Line(21, Speak(Crow, 8, before21),        Listen(Shamyu, 6, before20),       Next(22, Kohaku)),
    Line(22, Listen(Crow, 8, before21),       Speak(Kohaku, 1, before22),        Next(23, Kohaku)),
    Line(23, Listen(Crow, 6, before23Listen), Speak(Kohaku, 1, before23),        Next(24, Shamyu)),
    Line(24, Listen(Crow, 6, before23Listen), Speak(Shamyu, 1, before24),        Next(25, Yuri)),
    Line(25, Speak(Yuri, 16, before25),       Listen(Shamyu, 1, before24),       Next(26, Kohaku)),
    Line(26, Listen(Yuri, 16, before25),      Speak(Kohaku, 6, before26),        Next(27, Shamyu)),
    Line(27, Listen(Yuri, 16, before25),      Speak(Kohaku, 1, before27),        Next(31, Shamyu)),
    Line(31, Listen(Yuri, 16, before25),      Speak(Shamyu, 6, before31),        Next(32, Crow)),
    Line(32, Speak(Crow, 9, before32),        Listen(Shamyu, 6, before31),       Next(33, Yuri)),
    Line(33, Speak(Yuri, 13, before33),       Listen(Shamyu, 1, before33Listen), Next(34, Yuri)),
    Line(34, Speak(Yuri, 9, before34),        Listen(Shamyu, 1, before33Listen), Next(35, Shamyu)),
    Line(35, Listen(Yuri, 9, before34),       Speak(Shamyu, 6, before35),        Next(100, Kohaku)),
};

// Shamyu, herself again, gets a snack; Kohaku names the sky garden and whispers that she wants to go home.
constexpr TalkStep kAfter[] = {
    // step  upper side                     lower side                        advance
    Line(0,  Empty,                         Speak(Shamyu, 0, after0),         Next(1, Yuri)),
    Line(1,  Speak(Yuri, 8, after1),        Listen(Shamyu, 0, after0),        Next(2, Crow)),
    Line(2,  Speak(Crow, 3, after2),        Listen(Shamyu, 0, after0),        Next(3, Crow)),
    Line(3,  Speak(Crow, 1, after3),        Listen(Shamyu, 4, after3Listen),  Next(4, Shamyu)),
    Line(4,  Listen(Crow, 1, after3),       Speak(Shamyu, 3, after4),         Next(5, Yuri)),
    Line(5,  Speak(Yuri, 14, after5),       Listen(Shamyu, 3, after4),        Next(6, Shamyu)),
    Line(6,  Listen(Yuri, 14, after5),      Speak(Shamyu, 3, after6),         Next(7, Yuri)),
    Line(7,  Speak(Yuri, 2, after7),        Listen(Shamyu, 3, after7Listen),  Next(8, Kohaku)),
    Line(8,  Listen(Yuri, 2, after8Listen), Speak(Kohaku, 6, after8),         Next(9, Shamyu)),
    Line(9,  Empty,                         Speak(Shamyu, 0, after9),         Next(10, Kohaku)),
    Line(10, Empty,                         Speak(Kohaku, 11, after10),       Next(11, Kohaku)),
    Line(11, Speak(Yuri, 3, after11),       Listen(Kohaku, 11, after10),      Next(12, Shamyu)),
    Line(12, Listen(Yuri, 3, after11),      Speak(Shamyu, 3, after12),        Next(13, Kohaku)),
    Line(13, Listen(Yuri, 3, after11),      Speak(Kohaku, 6, after13),        Next(14, Crow)),
    Line(14, Speak(Crow, 6, after14),       Listen(Kohaku, 5, after14Listen), Next(15)),
    Line(15, Speak(Crow, 1, after15),       Listen(Kohaku, 5, after14Listen), Next(16, Yuri)),
    Line(16, Speak(Yuri, 13, after16),      Listen(Kohaku, 5, after14Listen), Next(100, Kohaku)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage1Before{kBefore, {Music("BGM/Stage01Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage1After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage1Before() { talk::RunTalk(talk::kTalkYuriStage1Before); }
void UpdateTalkYuriStage1After() { talk::RunTalk(talk::kTalkYuriStage1After); }
