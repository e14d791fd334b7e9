// Team 1 (Yuri and Crow), the extra stage: the talks with Palet and Copic (mid-boss) and Deena, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage6.h"

namespace talk {
namespace {

using namespace talktext::YuriStage6;

// In Deena's castle: two lost painters, taken by Yuri for the wicked princess.
constexpr TalkStep kMidBefore[] = {
    // step  upper side                           lower side                                            advance
    Line(0,  Empty,                               Speak(Copic, 1, midBefore0),                          Next(1, Palet)),
    Line(1,  Empty,                               Speak(Palet, 4, midBefore1),                          Next(2, Crow)),
    Line(2,  Speak(Crow, 6, midBefore2),          Listen(Palet, 6, midBefore2Listen),                   Next(3, Yuri)),
    Line(3,  Speak(Yuri, 0, midBefore3),          Listen(Palet, 6, midBefore2Listen),                   Next(4, Crow)),
    Line(4,  Speak(Crow, 1, midBefore4),          Listen(Palet, 6, midBefore2Listen),                   Next(5, Kohaku)),
    Line(5,  Speak(Kohaku, 0, midBefore5),        Listen(Palet, 6, midBefore2Listen),                   Next(10, Yuri)),
    Line(10, Speak(Yuri, 2, midBefore10),         Listen(Palet, 6, midBefore2Listen),                   Next(11, Palet)),
    Line(11, Listen(Yuri, 2, midBefore10),        Speak(Palet, 3, midBefore11),                         Next(12, Copic)),
    Line(12, Listen(Yuri, 2, midBefore10),        Speak(Copic, 2, midBefore12),                         Next(13, Palet).NewCard()),
    Line(13, Listen(Yuri, 2, midBefore10),        Speak(Palet, 9, midBefore13),                         Next(14, Yuri)).Card(10),
    Line(14, Speak(Yuri, 7, midBefore14),         Listen(Palet, 9, midBefore13),                        Next(15, Palet)).Card(10),
    Line(15, Listen(Yuri, 7, midBefore14),        Speak(Palet, 3, midBefore15),                         Next(20, Palet)).Card(10),
    Line(20, Listen(Yuri, 7, midBefore14),        Speak(Palet, 8, midBefore20),                         Next(21, Copic).NewCard()),
    Line(21, Listen(Yuri, 7, midBefore14),        Speak(Copic, 6, midBefore21),                         Next(22, Yuri)).Card(11),
    Line(22, Speak(Yuri, 8, midBefore22),         Listen(Copic, 6, midBefore21),                        Next(23, Yuri)).Card(11),
    Line(23, Speak(Yuri, 13, midBefore23),        Listen(Copic, 6, midBefore21),                        Next(24, Palet)).Card(11),
    Line(24, Listen(Yuri, 13, midBefore23),       Speak(Palet, 6, midBefore24),                         Next(25, Copic)),
    Line(25, Listen(Yuri, 13, midBefore23),       Speak(Copic, 2, midBefore25),                         Next(30, Copic)),
    Line(30, Listen(Yuri, 13, midBefore23),       Speak(Copic, 2, midBefore30),                         Next(31, Kohaku)),
    Line(31, Speak(Kohaku, 8, midBefore31),       Listen(Copic, 2, midBefore30),                        Next(32, Yuri)),
    Line(32, Speak(Yuri, 13, midBefore32),        Listen(Copic, 1, midBefore32Listen),                  Next(33, Kohaku)),
    Line(33, Speak(Kohaku, 3, midBefore33),       Listen(Copic, 1, midBefore32Listen),                  Next(34, Crow)),
    Line(34, Speak(Crow, 0, midBefore34),         Listen(Copic, 1, midBefore32Listen),                  Next(35, Yuri)),
    Line(35, Speak(Yuri, 4, midBefore35),         Listen(Copic, 1, midBefore32Listen),                  Next(40, Yuri)),
    Line(40, Speak(Yuri, 7, midBefore40),         Listen(Copic, 1, midBefore32Listen),                  Next(41, Crow)),
    Line(41, Speak(Crow, 4, midBefore41),         Listen(Copic, 1, midBefore32Listen),                  Next(42, Yuri)),
    Line(42, Speak(Yuri, 10, midBefore42),        Listen(Copic, 1, midBefore32Listen),                  Next(43, Palet)),
    Line(43, Listen(Yuri, 10, midBefore42),       Speak(Palet, 7, midBefore43),                         Next(44, Copic)),
    Line(44, Listen(Yuri, 11, midBefore44Listen), Speak(Copic, 3, midBefore44),                         Next(45, Palet)),
    Line(45, Listen(Yuri, 11, midBefore44Listen), Speak(Palet, 5, midBefore45),                         Next(50, Copic)),
    Line(50, Listen(Yuri, 11, midBefore44Listen), Speak(Copic, 6, midBefore50),                         Next(51, Palet)),
    Line(51, Listen(Yuri, 11, midBefore44Listen), Speak(Palet, 5, midBefore51),                         Next(52, Palet)),
    Line(52, Listen(Yuri, 11, midBefore44Listen), Speak(Palet, 5, midBefore52),                         Next(53, Copic)),
    Line(53, Listen(Yuri, 11, midBefore44Listen), Speak(Copic, 5, midBefore53),                         Next(54, Copic)),
    Line(54, Listen(Yuri, 11, midBefore44Listen), Speak(Copic, 4, midBefore54),                         Next(55, Palet)),
    Line(55, Listen(Yuri, 11, midBefore44Listen), Speak(Palet, 5, midBefore55),                         Next(60, Crow)),
    Line(60, Speak(Crow, 9, midBefore60),         Listen(Palet, 5, midBefore55),                        Next(61, Kohaku)),
    Line(61, Speak(Kohaku, 6, midBefore61),       Listen(Palet, 5, midBefore55),                        Next(62, Kohaku)),
    Line(62, Speak(Kohaku, 6, midBefore62),       Listen(Palet, 5, midBefore55),                        Next(63, Yuri)),
    Line(63, Speak(Yuri, 3, midBefore63),         Listen(Palet, 5, midBefore55),                        Next(64, Palet)),
    Line(64, Listen(Yuri, 3, midBefore63),        Speak(Palet, 5, midBefore64),                         Next(65, Copic)),
    Line(65, Listen(Yuri, 3, midBefore63),        Speak(Copic, 4, midBefore65),                         Next(70, Copic)),
    Line(70, Listen(Yuri, 3, midBefore63),        Speak(Copic, 6, midBefore70),                         Next(71, Palet)),
    Line(71, Listen(Yuri, 3, midBefore63),        Speak(Palet, 9, midBefore71),                         Next(72, Yuri)),
    Line(72, Speak(Yuri, 13, midBefore72),        Listen(Palet, 9, midBefore71),                        Next(73, Crow)),
    Line(73, Speak(Crow, 7, midBefore73),         Listen(Copic, 7, midBefore73Listen).NotLastSpeaker(), Next(74, Kohaku)),
    Line(74, Speak(Kohaku, 1, midBefore74),       Listen(Copic, 7, midBefore73Listen).NotLastSpeaker(), Next(100, Yuri)),
};

// The worn-out pair remember the royal festival; Kohaku knows them for the children Deena summoned, and Crow promises to have them sent home.
constexpr TalkStep kMidAfter[] = {
    // step  upper side                        lower side                                          advance
    Line(0,  Speak(Yuri, 12, midAfter0),       Listen(Palet, 6, midAfter0Listen).NotLastSpeaker(), Next(1, Crow)),
    Line(1,  Speak(Crow, 9, midAfter1),        Listen(Palet, 6, midAfter0Listen).NotLastSpeaker(), Next(2, Copic)),
    Line(2,  Listen(Crow, 9, midAfter1),       Speak(Copic, 2, midAfter2),                         Next(3, Palet)),
    Line(3,  Listen(Crow, 9, midAfter3Listen), Speak(Palet, 6, midAfter3),                         Next(4, Palet)),
    Line(4,  Listen(Crow, 9, midAfter3Listen), Speak(Palet, 5, midAfter4),                         Next(5, Copic)),
    Line(5,  Listen(Crow, 9, midAfter3Listen), Speak(Copic, 4, midAfter5),                         Next(10, Palet)),
    Line(10, Listen(Crow, 9, midAfter3Listen), Speak(Palet, 3, midAfter10),                        Next(11, Copic)),
    Line(11, Listen(Crow, 9, midAfter3Listen), Speak(Copic, 2, midAfter11),                        Next(12, Kohaku)),
    Line(12, Speak(Kohaku, 5, midAfter12),     Listen(Copic, 2, midAfter11),                       Next(13, Yuri)),
    Line(13, Speak(Yuri, 7, midAfter13),       Listen(Copic, 2, midAfter11),                       Next(14, Yuri)),
    Line(14, Speak(Yuri, 7, midAfter14),       Listen(Copic, 2, midAfter11),                       Next(15, Palet)),
    Line(15, Listen(Yuri, 7, midAfter14),      Speak(Palet, 9, midAfter15),                        Next(20, Yuri)),
    Line(20, Speak(Yuri, 0, midAfter20),       Listen(Palet, 9, midAfter15),                       Next(21, Yuri)),
    Line(21, Listen(Yuri, 0, midAfter20),      Speak(Palet, 9, midAfter21),                        Next(22, Crow)),
    Line(22, Speak(Crow, 7, midAfter22),       Listen(Palet, 9, midAfter21),                       Next(23, Copic)),
    Line(23, Listen(Crow, 7, midAfter22),      Speak(Copic, 7, midAfter23),                        Next(24, Yuri)),
    Line(24, Speak(Yuri, 7, midAfter24),       Listen(Copic, 7, midAfter23),                       Next(100, Copic)),
};

// Deena's throne room: a boastful entrance, Kohaku trembling in Cheska's defence, and a princess who would rule the world.
constexpr TalkStep kBefore[] = {
    // step  upper side                             lower side                  advance
    Line(0,  Speak(Yuri, 9, before0),               Empty,                      Next(1, Yuri)),
    Line(1,  Speak(Yuri, 3, before1),               Empty,                      Next(2, Yuri)),
    Line(2,  Listen(Yuri, 3, before1),              Speak(Deena, 5, before2),   Next(3, Crow)),
    Line(3,  Speak(Crow, 1, before3),               Listen(Deena, 0, before2),  Next(4, Yuri)),
    Line(4,  Speak(Yuri, 2, before4),               Listen(Deena, 0, before2),  Next(5, Deena).NewCard()),
    Line(5,  Listen(Yuri, 2, before4),              Speak(Deena, 2, before5),   Next(10, Crow)).Card(12),
    Line(10, Speak(Crow, 7, before10),              Listen(Deena, 2, before5),  Next(11, Yuri)).Card(12),
    Line(11, Speak(Yuri, 11, before11),             Listen(Deena, 2, before5),  Next(12, Deena)).Card(12),
    Line(12, Listen(Yuri, 11, before11),            Speak(Deena, 1, before12),  Next(13, Yuri)).Card(12),
    Line(13, Speak(Yuri, 13, before13),             Listen(Deena, 1, before12), Next(14, Yuri)),
    Line(14, Speak(Yuri, 11, before14),             Listen(Deena, 1, before12), Next(15, Kohaku)),
    Line(15, Speak(Kohaku, 8, before15).Shaking(),  Listen(Deena, 1, before12), Next(20, Deena)),
    Line(20, Listen(Kohaku, 8, before15).Shaking(), Speak(Deena, 2, before20),  Next(21, Deena)),
    Line(21, Listen(Kohaku, 8, before15).Shaking(), Speak(Deena, 0, before21),  Next(22, Kohaku)),
    Line(22, Speak(Kohaku, 11, before22),           Listen(Deena, 0, before21), Next(23, Kohaku)),
    Line(23, Speak(Kohaku, 11, before23),           Listen(Deena, 0, before21), Next(24, Crow)),
    Line(24, Speak(Crow, 3, before24),              Listen(Deena, 0, before21), Next(25, Yuri)),
    Line(25, Speak(Yuri, 6, before25),              Listen(Deena, 0, before21), Next(30, Deena)),
    Line(30, Listen(Yuri, 6, before25),             Speak(Deena, 3, before30),  Next(31, Deena)),
    Line(31, Listen(Yuri, 6, before25),             Speak(Deena, 1, before31),  Next(32, Crow)),
    Line(32, Speak(Crow, 4, before32),              Listen(Deena, 1, before31), Next(33, Yuri)),
    Line(33, Speak(Yuri, 0, before33),              Listen(Deena, 1, before31), Next(34, Deena)),
    Line(34, Listen(Yuri, 0, before33),             Speak(Deena, 3, before34),  Next(35, Deena)),
    Line(35, Listen(Yuri, 0, before33),             Speak(Deena, 7, before35),  Next(41, Deena)),
    Line(41, Speak(Crow, 1, before41),              Listen(Deena, 7, before35), Next(42, Yuri)),
    Line(42, Speak(Yuri, 7, before42),              Listen(Deena, 7, before35), Next(43, Deena)),
    Line(43, Listen(Yuri, 7, before42),             Speak(Deena, 4, before43),  Next(44, Deena)),
    Line(44, Listen(Yuri, 7, before42),             Speak(Deena, 2, before44),  Next(45, Deena)),
    Line(45, Listen(Yuri, 7, before42),             Speak(Deena, 1, before45),  Next(50, Deena)),
    Line(50, Listen(Yuri, 7, before42),             Speak(Deena, 7, before50),  Next(51, Yuri)),
    Line(51, Speak(Yuri, 13, before51),             Listen(Deena, 7, before50), Next(52, Crow)),
    Line(52, Speak(Crow, 4, before52),              Listen(Deena, 7, before50), Next(53, Yuri)),
    Line(53, Speak(Yuri, 13, before53),             Listen(Deena, 7, before50), Next(54, Yuri)),
    Line(54, Speak(Yuri, 13, before54),             Listen(Deena, 7, before50), Next(55, Crow)),
    Line(55, Speak(Crow, 5, before55),              Listen(Deena, 7, before50), Next(56, Crow)),
    Line(56, Listen(Crow, 5, before55),             Speak(Deena, 7, before56),  Next(100)),
};

// The win: Kohaku crows, Yuri takes the orb and the magic tools, and the pair rummage while Deena protests.
constexpr TalkStep kAfter[] = {
    // step  upper side                 lower side                       advance
    Line(0,  Speak(Yuri, 6, after0),    Empty,                           Next(1, Crow)),
    Line(1,  Speak(Crow, 1, after1),    Empty,                           Next(2, Yuri)),
    Line(2,  Speak(Yuri, 3, after2),    Empty,                           Next(3, Yuri)),
    Line(3,  Speak(Yuri, 7, after3),    Empty,                           Next(4, Yuri)),
    Line(4,  Speak(Crow, 9, after4),    Empty,                           Next(5, Deena)),
    Line(5,  Listen(Crow, 9, after4),   Speak(Deena, 8, after5),         Next(10, Deena)),
    Line(10, Listen(Crow, 9, after4),   Speak(Deena, 8, after10),        Next(11, Kohaku)),
    Line(11, Speak(Kohaku, 7, after11), Listen(Deena, 8, after10),       Next(12, Crow)),
    Line(12, Speak(Crow, 1, after12),   Listen(Deena, 8, after10),       Next(13, Yuri)),
    Line(13, Speak(Yuri, 8, after13),   Listen(Deena, 8, after10),       Next(14, Deena)),
    Line(14, Listen(Yuri, 8, after13),  Speak(Deena, 5, after14),        Next(15, Yuri)),
    Line(15, Speak(Yuri, 7, after15),   Listen(Deena, 5, after14),       Next(20, Deena)),
    Line(20, Listen(Yuri, 7, after15),  Speak(Deena, 7, after20),        Next(21, Yuri)),
    Line(21, Speak(Yuri, 6, after21),   Listen(Deena, 7, after20),       Next(22, Yuri)),
    Line(22, Speak(Yuri, 13, after22),  Listen(Deena, 7, after20),       Next(23, Crow)),
    Line(23, Speak(Crow, 4, after23),   Listen(Deena, 7, after20),       Next(24, Yuri)),
    Line(24, Speak(Yuri, 9, after24),   Listen(Deena, 7, after20),       Next(25, Yuri)),
    Line(25, Speak(Yuri, 10, after25),  Listen(Deena, 7, after20),       Next(30, Deena)),
    Line(30, Listen(Yuri, 10, after25), Speak(Deena, 8, after30),        Next(31, Crow)),
    Line(31, Speak(Crow, 8, after31),   Listen(Deena, 8, after30),       Next(32, Yuri)),
    Line(32, Speak(Yuri, 6, after32),   Listen(Deena, 8, after32Listen), Next(100)),
};

// On the way home: Cheska and Osero catch up, having had the painters sent home; Kohaku goes home, and the pair set off again.
constexpr TalkStep kEnding[] = {
    // step  upper side                      lower side                                           advance
    Line(0,  Empty,                          Narration(ending0),                                  Next(1, Deena)),
    Line(1,  Speak(Yuri, 7, ending1),        Empty,                                               Next(2, Crow)),
    Line(2,  Speak(Crow, 1, ending2),        Empty,                                               Next(3, Cheska)),
    Line(3,  Listen(Crow, 1, ending2),       Speak(Cheska, 14, ending3),                          Next(4, Cheska)),
    Line(4,  Listen(Crow, 1, ending4Listen), Speak(Cheska, 0, ending4),                           Next(5, Cheska)),
    Line(5,  Listen(Crow, 1, ending4Listen), Speak(Cheska, 15, ending5),                          Next(10, Osero)),
    Line(10, Listen(Crow, 1, ending4Listen), Speak(Osero, 0, ending10),                           Next(11, Yuri)),
    Line(11, Speak(Yuri, 5, ending11),       Listen(Osero, 0, ending10),                          Next(12, Crow)),
    Line(12, Speak(Crow, 6, ending12),       Listen(Osero, 0, ending10),                          Next(13, Yuri)),
    Line(13, Speak(Yuri, 11, ending13),      Listen(Osero, 0, ending10),                          Next(14, Crow)),
    Line(14, Speak(Crow, 1, ending14),       Listen(Osero, 0, ending10),                          Next(15, Crow)),
    Line(15, Speak(Kohaku, 5, ending15),     Listen(Osero, 0, ending15Listen),                    Next(20, Cheska)),
    Line(20, Listen(Kohaku, 9, ending15),    Speak(Cheska, 16, ending20),                         Next(21, Osero)),
    Line(21, Listen(Kohaku, 9, ending15),    Speak(Osero, 5, ending21),                           Next(22, Yuri)),
    Line(22, Speak(Yuri, 5, ending22),       Listen(Osero, 5, ending21),                          Next(23, Cheska)),
    Line(23, Listen(Yuri, 5, ending22),      Speak(Cheska, 10, ending23),                         Next(24, Crow)),
    Line(24, Speak(Crow, 4, ending24),       Listen(Cheska, 10, ending23),                        Next(25, Osero)),
    Line(25, Listen(Crow, 4, ending24),      Speak(Osero, 4, ending25),                           Next(30, Yuri)),
    Line(30, Speak(Yuri, 0, ending30),       Listen(Osero, 4, ending25),                          Next(31, Crow)),
    Line(31, Speak(Crow, 7, ending31),       Listen(Osero, 4, ending25),                          Next(32, Yuri)),
    Line(32, Speak(Yuri, 7, ending32),       Listen(Osero, 4, ending25),                          Next(33, Yuri)),
    Line(33, Speak(Yuri, 7, ending33),       Listen(Osero, 4, ending25),                          Next(34, Cheska)),
    Line(34, Listen(Yuri, 7, ending33),      Speak(Cheska, 14, ending34),                         Next(35, Yuri)),
    Line(35, Speak(Yuri, 13, ending35),      Listen(Cheska, 14, ending34),                        Next(41, Cheska)),
    Line(41, Listen(Yuri, 11, ending35),     Speak(Cheska, 6, ending41),                          Next(42, Osero)),
    Line(42, Listen(Yuri, 11, ending35),     Speak(Osero, 0, ending42),                           Next(43, Crow)),
    Line(43, Speak(Crow, 4, ending43),       Listen(Osero, 0, ending42),                          Next(44, Osero)),
    Line(44, Listen(Crow, 4, ending43),      Speak(Osero, 1, ending44),                           Next(45, Crow)),
    Line(45, Speak(Crow, 9, ending45),       Listen(Osero, 1, ending44),                          Next(50, Osero)),
    Line(50, Listen(Crow, 9, ending45),      Speak(Osero, 7, ending50),                           Next(51, Cheska)),
    Line(51, Listen(Crow, 9, ending45),      Speak(Cheska, 14, ending51),                         Next(52, Osero)),
    Line(52, Listen(Crow, 9, ending45),      Speak(Osero, 6, ending52),                           Next(53, Yuri)),
    Line(53, Speak(Yuri, 8, ending53),       Listen(Osero, 6, ending52),                          Next(54, Crow)),
    Line(54, Speak(Crow, 4, ending54),       Listen(Osero, 0, ending54Listen),                    Next(55, Yuri)),
    Line(55, Speak(Yuri, 13, ending55),      Listen(Cheska, 15, ending55Listen).NotLastSpeaker(), Next(60, Crow)),
    Line(60, Speak(Crow, 4, ending60),       Listen(Cheska, 15, ending55Listen).NotLastSpeaker(), Next(61)),
    Line(61, Empty,                          Narration(ending61),                                 Next(62)),
    Line(62, Empty,                          Narration(ending62),                                 Next(63)),
    Line(63, Empty,                          Narration(ending63),                                 Next(64)),
    Line(64, Empty,                          Narration(ending64),                                 Next(100)),
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
