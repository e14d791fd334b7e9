// Team 1 (Yuri and Crow), stage 3: the talks before and after the fight with Still.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage3.h"

namespace talk {
namespace {

using namespace talktext::YuriStage3;

// On the winding road: Yuri runs after something shiny, and a shield knight takes them for kidnappers.
constexpr TalkStep kBefore[] = {
    // step  upper side                           lower side                                          advance
    Line(0,  Speak(Yuri, 4, before0),             Empty,                                              Next(1, Yuri)),
    Line(1,  Speak(Yuri, 2, before1),             Empty,                                              Next(2, Crow)),
    Line(2,  Speak(Crow, 9, before2),             Empty,                                              Next(3)),
    Line(3,  Speak(Crow, 4, before3),             Empty,                                              Next(4, Yuri)),
    Line(4,  Speak(Yuri, 5, before4),             Empty,                                              Next(10, Crow)),
    Line(10, Speak(Crow, 1, before10),            Empty,                                              Next(11, Yuri).ZeroExit()),
    Line(11, Speak(Yuri, 10, before11).Leaving(), Empty,                                              Next(12).ZeroExit()),
    Line(12, Balloon(before12).Row(1).TextX(20),  Empty,                                              Next(13, Still).NewCard().ZeroExit()),
    Line(13, Empty,                               Speak(Still, 1, before13),                          Next(14, Crow)).Card(7),
    Line(14, Speak(Crow, 3, before14),            Listen(Still, 1, before13),                         Next(15, Crow)).Card(7),
    Line(15, Speak(Crow, 2, before15),            Listen(Still, 1, before13),                         Next(20, Yuri)).Card(7),
    Line(20, Speak(Yuri, 7, before20),            Listen(Still, 1, before13),                         Next(21, Yuri)).Card(7),
    Line(21, Speak(Yuri, 2, before21),            Listen(Still, 1, before21Listen),                   Next(22, Still)).Card(7),
    Line(22, Listen(Yuri, 2, before21),           Speak(Still, 1, before22),                          Next(23, Still)),
    Line(23, Listen(Yuri, 2, before21),           Speak(Still, 2, before23),                          Next(24, Yuri)),
    Line(24, Speak(Yuri, 14, before24),           Listen(Still, 2, before23),                         Next(25, Yuri)),
    Line(25, Speak(Yuri, 2, before25),            Listen(Kohaku, 1, before25Listen).NotLastSpeaker(), Next(30, Yuri)),
    Line(30, Speak(Yuri, 8, before30),            Listen(Kohaku, 1, before30Listen).NotLastSpeaker(), Next(31, Yuri)),
    Line(31, Speak(Yuri, 12, before31),           Listen(Kohaku, 6, before31Listen).NotLastSpeaker(), Next(32, Kohaku)),
    Line(32, Listen(Yuri, 12, before31),          Speak(Kohaku, 1, before32),                         Next(33, Kohaku)),
    Line(33, Listen(Yuri, 12, before31),          Speak(Kohaku, 6, before33),                         Next(34, Kohaku)),
    Line(34, Listen(Yuri, 12, before31),          Speak(Kohaku, 1, before34),                         Next(35, Kohaku)),
    Line(35, Listen(Yuri, 12, before31),          Speak(Kohaku, 5, before35),                         Next(40, Still)),
    Line(40, Listen(Yuri, 12, before40Listen),    Speak(Still, 1, before40),                          Next(41, Still)),
    Line(41, Listen(Yuri, 12, before40Listen),    Speak(Still, 1, before41),                          Next(42, Kohaku)),
    Line(42, Listen(Yuri, 12, before40Listen),    Speak(Kohaku, 6, before42),                         Next(43, Crow)),
    Line(43, Speak(Crow, 3, before43),            Listen(Kohaku, 6, before42),                        Next(44, Kohaku)),
    Line(44, Listen(Crow, 3, before43),           Speak(Kohaku, 8, before44).Shaking(),               Next(45, Kohaku)),
    Line(45, Listen(Crow, 3, before43),           Speak(Kohaku, 3, before45).Shaking(),               Next(50, Yuri)),
    Line(50, Speak(Yuri, 12, before50),           Listen(Kohaku, 3, before45).Shaking(),              Next(51, Yuri)),
    Line(51, Speak(Yuri, 11, before51),           Listen(Kohaku, 3, before45).Shaking(),              Next(52, Kohaku)),
    Line(52, Listen(Yuri, 11, before51),          Speak(Kohaku, 1, before52),                         Next(53, Yuri)),
    Line(53, Speak(Yuri, 4, before53),            Listen(Kohaku, 11, before53Listen),                 Next(54, Crow)),
    Line(54, Speak(Crow, 6, before54),            Listen(Kohaku, 11, before53Listen),                 Next(55, Yuri)),
    Line(55, Listen(Crow, 6, before54),           Speak(Kohaku, 2, before55),                         Next(60, Still)),
    Line(60, Listen(Crow, 6, before54),           Speak(Still, 2, before60),                          Next(61, Crow)),
    Line(61, Speak(Crow, 1, before61),            Listen(Still, 2, before60),                         Next(62, Yuri)),
    Line(62, Speak(Yuri, 3, before62),            Listen(Still, 2, before60),                         Next(63, Yuri)),
    Line(63, Speak(Yuri, 9, before63),            Listen(Still, 2, before63Listen),                   Next(64, Crow)),
    Line(64, Speak(Crow, 4, before64),            Listen(Still, 2, before63Listen),                   Next(65, Still)),
    Line(65, Listen(Crow, 4, before64),           Speak(Still, 1, before65),                          Next(70, Still)),
    Line(70, Listen(Crow, 4, before64),           Speak(Still, 2, before70),                          Next(71, Still)),
    Line(71, Listen(Crow, 4, before64),           Speak(Still, 1, before71),                          Next(72, Still)),
    Line(72, Listen(Crow, 4, before64),           Speak(Still, 2, before72),                          Next(73, Yuri)),
    Line(73, Speak(Yuri, 8, before73),            Listen(Still, 2, before72),                         Next(75, Crow)),
    Line(75, Speak(Crow, 5, before75),            Listen(Still, 2, before72),                         Next(76, Still)),
    Line(76, Listen(Crow, 5, before75),           Speak(Still, 2, before76),                          Next(77, Yuri)),
    Line(77, Speak(Yuri, 13, before77),           Listen(Still, 2, before76),                         Next(100, Yuri)),
};

// Still, impressed, vows to train; Kohaku quietly tells her where they are going.
constexpr TalkStep kAfter[] = {
    // step  upper side                      lower side                        advance
    Line(0,  Empty,                          Speak(Still, 6, after0),          Next(1, Crow)),
    Line(1,  Speak(Crow, 1, after1),         Listen(Still, 6, after0),         Next(2, Kohaku)),
    Line(2,  Listen(Crow, 1, after1),        Speak(Kohaku, 5, after2),         Next(3, Yuri)),
    Line(3,  Speak(Yuri, 8, after3),         Listen(Kohaku, 5, after2),        Next(4, Crow)),
    Line(4,  Speak(Crow, 4, after4),         Listen(Kohaku, 5, after2),        Next(5, Yuri)),
    Line(5,  Speak(Yuri, 6, after5),         Listen(Kohaku, 5, after5Listen),  Next(10, Kohaku)),
    Line(10, Listen(Yuri, 6, after5),        Speak(Kohaku, 2, after10),        Next(11, Kohaku)),
    Line(11, Listen(Yuri, 6, after5),        Speak(Kohaku, 7, after11),        Next(12, Yuri)),
    Line(12, Speak(Yuri, 2, after12),        Listen(Kohaku, 7, after12Listen), Next(13, Yuri)),
    Line(13, Speak(Yuri, 10, after13),       Listen(Kohaku, 7, after12Listen), Next(14, Kohaku)),
    Line(14, Listen(Yuri, 10, after13),      Speak(Kohaku, 1, after14),        Next(15, Still)),
    Line(15, Listen(Yuri, 10, after13),      Speak(Still, 2, after15),         Next(20, Crow)),
    Line(20, Speak(Crow, 7, after20),        Listen(Still, 2, after15),        Next(21, Still)),
    Line(21, Listen(Crow, 7, after20),       Speak(Still, 6, after21),         Next(22, Still)),
    Line(22, Listen(Crow, 7, after20),       Speak(Still, 2, after22),         Next(23, Yuri)),
    Line(23, Speak(Yuri, 7, after23),        Listen(Still, 2, after23Listen),  Next(24, Crow)),
    Line(24, Speak(Crow, 1, after24),        Listen(Still, 2, after23Listen),  Next(25, Still)),
    Line(25, Listen(Crow, 1, after24),       Speak(Still, 1, after25),         Next(26, Still)),
    Line(26, Listen(Crow, 1, after24),       Speak(Still, 0, after26),         Next(30, Kohaku)),
    Line(30, Listen(Crow, 6, after30Listen), Speak(Kohaku, 1, after30),        Next(31, Kohaku)),
    Line(31, Listen(Crow, 6, after30Listen), Speak(Kohaku, 11, after31),       Next(35, Crow)),
    Line(35, Speak(Crow, 1, after35),        Listen(Kohaku, 11, after31),      Next(36, Kohaku)),
    Line(36, Listen(Crow, 1, after35),       Speak(Kohaku, 5, after36),        Next(37, Yuri)),
    Line(37, Speak(Yuri, 3, after37),        Listen(Kohaku, 5, after36),       Next(100, Crow)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage3Before{kBefore, {Music("BGM/Stage03Boss.ogg"), PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage3After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage3Before() { talk::RunTalk(talk::kTalkYuriStage3Before); }
void UpdateTalkYuriStage3After() { talk::RunTalk(talk::kTalkYuriStage3After); }
