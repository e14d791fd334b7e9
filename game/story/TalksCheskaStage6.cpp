// Team 2 (Cheska and Osero), the extra stage: the talks with Palet and Copic (mid-boss) and Deena, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage6.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage6;

// The party alone for three lines. At step 12 Cheska answers while Copic's
// line of step 11 still stands; at 13 Cheska stays active beside her dimmed
// balloon. Each of the pair's cards fades in over its own step.
constexpr TalkStep kMidBefore[] = {
    //   step  upper side                                  lower side                          advance
    Line(0,  Speak(Cheska, 4, midBefore0),                Empty,                              Next(1, Osero)),
    Line(1,  Speak(Osero, 0, midBefore1),                 Empty,                              Next(2, Kohaku)),
    Line(2,  Speak(Kohaku, 1, midBefore2),                Empty,                              Next(3, Palet)),
    Line(3,  Listen(Kohaku, 1, midBefore2),               Speak(Palet, 6, midBefore3),        Next(4, Copic)),
    Line(4,  Listen(Kohaku, 1, midBefore2),               Speak(Copic, 1, midBefore4),        Next(5, Palet)),
    Line(5,  Listen(Kohaku, 1, midBefore2),               Speak(Palet, 4, midBefore5),        Next(10, Palet)),
    Line(10, Listen(Kohaku, 1, midBefore2),               Speak(Palet, 7, midBefore10),       Next(11, Copic)),
    Line(11, Listen(Kohaku, 1, midBefore2),               Speak(Copic, 2, midBefore11),       Next(12, Cheska)),
    Line(12, Speak(Cheska, 0, midBefore12),               Speak(Copic, 2, midBefore11),       Next(13, Palet)),
    Line(13, Listen(Cheska, 0, midBefore12).ActivePortrait(), Speak(Palet, 3, midBefore13),   Next(14, Copic)),
    Line(14, Listen(Cheska, 13, midBeforeR1),             Speak(Copic, 2, midBefore14),       Next(15, Palet)),
    Line(15, Listen(Cheska, 13, midBeforeR1),             Speak(Palet, 1, midBefore15),       Next(20, Osero)),
    Line(20, Speak(Osero, 1, midBefore20),                Listen(Palet, 1, midBefore15),      Next(21, Palet).NewCard()),
    Line(21, Listen(Osero, 1, midBefore20),               Speak(Palet, 3, midBefore21),       Next(22, Copic).NewCard()).Card(10),
    Line(22, Listen(Osero, 1, midBefore20),               Speak(Copic, 2, midBefore22),       Next(23, Palet)).Card(11),
    Line(23, Listen(Osero, 1, midBefore20),               Speak(Palet, 6, midBefore23),       Next(24, Cheska)),
    Line(24, Speak(Cheska, 9, midBefore24),               Listen(Palet, 6, midBefore23),      Next(25, Copic)),
    Line(25, Listen(Cheska, 4, midBefore24),              Speak(Copic, 1, midBefore25),       Next(26, Cheska)),
    Line(26, Speak(Cheska, 10, midBefore26),              Listen(Copic, 1, midBefore25),      Next(27, Cheska)),
    Line(27, Speak(Cheska, 1, midBefore27),               Listen(Copic, 3, midBeforeR2),      Next(28, Osero)),
    Line(28, Speak(Osero, 1, midBefore28),                Listen(Copic, 3, midBeforeR2),      Next(29, Palet)),
    Line(29, Listen(Osero, 1, midBefore28),               Speak(Palet, 1, midBefore29),       Next(30, Copic)),
    Line(30, Listen(Osero, 1, midBefore28),               Speak(Copic, 0, midBefore30),       Next(40, Palet)),
    Line(40, Listen(Osero, 1, midBefore28),               Speak(Palet, 0, midBefore40),       Next(41, Cheska)),
    Line(41, Speak(Cheska, 4, midBefore41),               Listen(Palet, 0, midBefore40),      Next(42, Kohaku)),
    Line(42, Speak(Kohaku, 5, midBefore42),               Listen(Palet, 8, midBefore40),      Next(43, Palet)),
    Line(43, Listen(Kohaku, 5, midBefore42),              Speak(Palet, 9, midBefore43),       Next(44, Copic)),
    Line(44, Listen(Kohaku, 5, midBefore42),              Speak(Copic, 7, midBefore44),       Next(45, Cheska)),
    Line(45, Speak(Cheska, 15, midBefore45),              Listen(Copic, 7, midBefore44),      Next(50, Osero)),
    Line(50, Speak(Osero, 4, midBefore50),                Listen(Copic, 7, midBefore44),      Next(51, Palet)),
    // The pair answer in one voice: Cheska's startled cry, then one line each.
    Line(51, Listen(Osero, 4, midBefore50),               Speak(Palet, 9, midBeforeR1),       Next(52, Copic)),
    Line(52, Listen(Osero, 4, midBeforeR3),               Speak(Copic, 7, midBeforeR1),       Next(53, Palet)),
    Line(53, Listen(Osero, 4, midBeforeR3),               Speak(Palet, 7, midBefore53),       Next(54, Copic)),
    Line(54, Listen(Osero, 4, midBeforeR3),               Speak(Copic, 5, midBefore53),       Next(100, Copic)),
};

// The pair alone for two lines; the last line they say together.
constexpr TalkStep kMidAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Palet, 6, midAfter0),        Next(1, Copic)),
    Line(1,  Empty,                               Speak(Copic, 1, midAfter1),        Next(2, Cheska)),
    Line(2,  Speak(Cheska, 0, midAfter2),         Listen(Copic, 1, midAfter1),       Next(3, Kohaku)),
    Line(3,  Speak(Kohaku, 0, midAfter3),         Listen(Copic, 1, midAfterR1),      Next(4, Osero)),
    Line(4,  Speak(Osero, 5, midAfter4),          Listen(Copic, 1, midAfterR1),      Next(5, Osero)),
    Line(5,  Speak(Osero, 1, midAfter5),          Listen(Copic, 1, midAfterR1),      Next(10, Osero)),
    Line(10, Speak(Osero, 4, midAfter10),         Listen(Copic, 1, midAfterR1),      Next(11, Cheska)),
    Line(11, Speak(Cheska, 14, midAfter11),       Listen(Copic, 1, midAfterR1),      Next(12, Palet)),
    Line(12, Listen(Cheska, 14, midAfter11),      Speak(Palet, 0, midAfter12),       Next(13, Copic)),
    Line(13, Listen(Cheska, 14, midAfter11),      Speak(Copic, 0, midAfter13),       Next(14, Cheska)),
    Line(14, Speak(Cheska, 4, midAfter14),        Listen(Copic, 0, midAfter13),      Next(15, Palet)),
    Line(15, Listen(Cheska, 4, midAfter14),       Speak(Palet, 2, midAfter15),       Next(20, Cheska)),
    Line(20, Speak(Cheska, 10, midAfter20),       Listen(Palet, 2, midAfter15),      Next(21, Cheska)),
    Line(21, Speak(Cheska, 15, midAfter21),       Listen(Palet, 2, midAfter15),      Next(22, Palet)),
    Line(22, Listen(Cheska, 15, midAfter21),      Speak(Palet, 3, midAfter22),       Next(23, Copic)),
    Line(23, Listen(Cheska, 15, midAfter21),      Speak(Copic, 0, midAfter23),       Next(24, Cheska)),
    Line(24, Speak(Cheska, 14, midAfter24),       Listen(Copic, 0, midAfter23),      Next(25, Osero)),
    Line(25, Speak(Osero, 4, midAfter25),         Listen(Copic, 0, midAfter23),      Next(30, Cheska)),
    Line(30, Speak(Cheska, 4, midAfter30),        Listen(Copic, 5, midAfter23),      Next(31, Cheska)),
    Line(31, Speak(Cheska, 4, midAfter31),        Listen(Copic, 0, midAfter23),      Next(32, Osero)),
    Line(32, Speak(Osero, 0, midAfter32),         Listen(Copic, 0, midAfter23),      Next(33, Cheska)),
    Line(33, Speak(Cheska, 15, midAfter33),       Listen(Copic, 0, midAfter23),      Next(34, Copic)),
    Line(34, Listen(Cheska, 15, midAfter33),      Speak(Copic, 5, midAfter34),       Next(35, Palet)),
    Line(35, Listen(Cheska, 15, midAfter33),      Speak(Palet, 7, midAfter34),       Next(100, Copic)),
};

// Deena alone for two lines, her card over steps 1 to 3. At step 22 both
// speak at once; only Cheska slides in again there.
constexpr TalkStep kBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Deena, 0, before0),          Next(1, Deena).NewCard()),
    Line(1,  Empty,                               Speak(Deena, 6, before1),          Next(2, Cheska)).Card(12),
    Line(2,  Speak(Cheska, 4, before2),           Listen(Deena, 6, before1),         Next(3, Cheska)).Card(12),
    Line(3,  Speak(Cheska, 2, before3),           Listen(Deena, 6, before1),         Next(4, Deena)).Card(12),
    Line(4,  Listen(Cheska, 2, before3),          Speak(Deena, 5, before4),          Next(5, Deena)),
    Line(5,  Listen(Cheska, 2, before3),          Speak(Deena, 1, before5),          Next(10, Deena)),
    Line(10, Listen(Cheska, 2, before3),          Speak(Deena, 0, before10),         Next(11, Cheska)),
    Line(11, Speak(Cheska, 11, before11),         Listen(Deena, 0, before10),        Next(12, Cheska)),
    Line(12, Speak(Cheska, 8, before12),          Listen(Deena, 0, before10),        Next(13, Deena)),
    Line(13, Listen(Cheska, 8, before12),         Speak(Deena, 2, before13),         Next(14, Deena)),
    Line(14, Listen(Cheska, 8, before12),         Speak(Deena, 2, before14),         Next(15, Deena)),
    Line(15, Listen(Cheska, 8, before12),         Speak(Deena, 7, before15),         Next(20, Cheska)),
    Line(20, Speak(Cheska, 12, before20),         Listen(Deena, 7, before15),        Next(21, Deena)),
    Line(21, Listen(Cheska, 12, before20),        Speak(Deena, 1, before21),         Next(22, Cheska)),
    Line(22, Speak(Cheska, 2, before22),          Speak(Deena, 1, before22deena),    Next(23, Cheska)),
    Line(23, Speak(Cheska, 5, before23),          Listen(Deena, 1, before22deena),   Next(24, Cheska)),
    Line(24, Speak(Cheska, 7, before24),          Listen(Deena, 1, before22deena),   Next(25, Cheska)),
    Line(25, Speak(Cheska, 7, before25),          Listen(Deena, 1, before22deena),   Next(30, Osero)),
    Line(30, Speak(Osero, 6, before30),           Listen(Deena, 1, before22deena),   Next(31, Osero)),
    Line(31, Speak(Osero, 5, before31),           Listen(Deena, 1, before22deena),   Next(32, Kohaku)),
    Line(32, Speak(Kohaku, 2, before32),          Listen(Deena, 1, before22deena),   Next(33, Cheska)),
    Line(33, Speak(Cheska, 5, before33),          Listen(Deena, 1, before22deena),   Next(34, Deena)),
    Line(34, Listen(Cheska, 5, before33),         Speak(Deena, 0, before34),         Next(35, Deena)),
    Line(35, Listen(Cheska, 5, beforeR1),         Speak(Deena, 7, before35),         Next(40, Deena)),
    Line(40, Listen(Cheska, 5, beforeR2),         Speak(Deena, 7, before40),         Next(41, Osero)),
    Line(41, Speak(Osero, 0, before41),           Listen(Deena, 7, before40),        Next(42, Osero)),
    Line(42, Speak(Osero, 6, before42),           Listen(Deena, 7, before40),        Next(43, Osero)),
    Line(43, Speak(Osero, 4, before43),           Listen(Deena, 7, before40),        Next(44, Cheska)),
    Line(44, Speak(Cheska, 14, before44),         Listen(Deena, 7, before40),        Next(45, Cheska)),
    Line(45, Speak(Cheska, 15, before45),         Listen(Deena, 7, before40),        Next(46, Osero)),
    Line(46, Speak(Osero, 4, before46),           Listen(Deena, 7, before40),        Next(100)),
};

// Kohaku speaks faint and trembling at step 25, her cycle started at 0 by the
// advance into it. Deena's counter is zeroed on the last advance, so the next
// run of the talk before the fight slides her in again.
constexpr TalkStep kAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Speak(Cheska, 7, after0),            Empty,                             Next(1, Deena)),
    Line(1,  Listen(Cheska, 7, after0),           Speak(Deena, 8, after1),           Next(2, Cheska)),
    Line(2,  Speak(Cheska, 7, after2),            Listen(Deena, 8, after1),          Next(3, Deena)),
    Line(3,  Listen(Cheska, 7, after2),           Speak(Deena, 2, after3),           Next(4, Cheska)),
    Line(4,  Speak(Cheska, 8, after4),            Listen(Deena, 2, after3),          Next(5, Osero)),
    Line(5,  Speak(Osero, 5, after5),             Listen(Deena, 2, after3),          Next(10, Osero)),
    Line(10, Speak(Osero, 5, after10),            Listen(Deena, 2, after3),          Next(11, Deena)),
    Line(11, Listen(Osero, 5, after10),           Speak(Deena, 8, after11),          Next(12, Osero)),
    Line(12, Speak(Osero, 4, after12),            Listen(Deena, 8, after11),         Next(13, Cheska)),
    Line(13, Speak(Cheska, 1, after13),           Listen(Deena, 8, after11),         Next(14, Osero)),
    Line(14, Speak(Osero, 4, after14),            Listen(Deena, 8, after11),         Next(15, Osero)),
    Line(15, Listen(Osero, 4, after14),           Speak(Deena, 7, after15),          Next(20, Cheska)),
    Line(20, Speak(Cheska, 5, after20),           Listen(Deena, 7, after15),         Next(21, Cheska)),
    Line(21, Listen(Cheska, 5, after20),          Speak(Deena, 8, after21),          Next(22, Cheska)),
    Line(22, Speak(Cheska, 14, after22),          Listen(Deena, 8, after21),         Next(23, Cheska)),
    Line(23, Speak(Cheska, 14, after23),          Listen(Deena, 8, after21),         Next(24, Cheska)),
    Line(24, Speak(Cheska, 15, after24),          Listen(Deena, 5, afterR1),         Next(25, Kohaku)),
    Line(25, Speak(Kohaku, 3, after25).Shaking(), Listen(Deena, 5, afterR1),         Next(30, Osero)),
    Line(30, Speak(Osero, 4, after30),            Listen(Deena, 5, afterR1),         Next(31, Deena)),
    Line(31, Listen(Osero, 4, after30),           Speak(Deena, 7, after31),          Next(32, Cheska)),
    Line(32, Speak(Cheska, 4, after32),           Listen(Deena, 7, after31),         Next(33, Deena)),
    Line(33, Listen(Cheska, 4, after32),          Speak(Deena, 8, after33),          Next(34, Cheska)),
    Line(34, Speak(Cheska, 7, after34),           Listen(Deena, 8, after33),         Next(35, Cheska)),
    Line(35, Speak(Cheska, 7, after35),           Listen(Deena, 8, after33),         Next(40, Deena)),
    Line(40, Listen(Cheska, 7, after35),          Speak(Deena, 8, after40),          Next(41, Deena)),
    Line(41, Listen(Cheska, 7, after35),          Speak(Deena, 2, after41),          Next(42, Cheska)),
    Line(42, Speak(Cheska, 14, after42),          Listen(Deena, 2, after41),         Next(43, Cheska)),
    Line(43, Speak(Cheska, 14, after43),          Listen(Deena, 2, after41),         Next(44, Deena)),
    Line(44, Listen(Cheska, 14, after43),         Speak(Deena, 2, after44),          Next(45, Cheska)),
    Line(45, Speak(Cheska, 0, after45),           Listen(Deena, 2, after44),         Next(50, Cheska)),
    Line(50, Speak(Cheska, 0, after50),           Listen(Deena, 2, after44),         Next(51, Cheska)),
    Line(51, Speak(Cheska, 15, after51),          Listen(Deena, 5, afterR2),         Next(52, Cheska)),
    Line(52, Speak(Cheska, 14, after52),          Listen(Deena, 5, afterR2),         Next(53, Cheska)),
    Line(53, Speak(Cheska, 14, after53),          Listen(Deena, 5, afterR2),         Next(54, Deena)),
    Line(54, Listen(Cheska, 14, after53),         Speak(Deena, 6, after54),          Next(55, Cheska)),
    Line(55, Speak(Cheska, 15, after55),          Listen(Deena, 6, after54),         Next(56, Deena)),
    Line(56, Listen(Cheska, 15, after55),         Speak(Deena, 6, after56),          Next(100, Deena)),
};

// Over the ending picture: one narration box to open, Yuri and Crow as guests
// on the lower side, the three at home alone from step 51, five boxes to close.
constexpr TalkStep kEnding[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Narration(ending0),                Next(1, Yuri)),
    Line(1,  Empty,                               Speak(Yuri, 8, ending1),           Next(2, Crow)),
    Line(2,  Empty,                               Speak(Crow, 4, ending2),           Next(3, Cheska)),
    Line(3,  Speak(Cheska, 16, ending3),          Listen(Crow, 1, ending2),          Next(4, Yuri)),
    Line(4,  Listen(Cheska, 16, ending3),         Speak(Yuri, 8, ending4),           Next(5, Cheska)),
    Line(5,  Speak(Cheska, 7, ending5),           Listen(Yuri, 8, ending4),          Next(10, Yuri)),
    Line(10, Listen(Cheska, 7, ending5),          Speak(Yuri, 6, ending10),          Next(11, Crow)),
    Line(11, Listen(Cheska, 7, ending5),          Speak(Crow, 4, ending11),          Next(12, Cheska)),
    Line(12, Speak(Cheska, 1, ending12),          Listen(Crow, 4, ending11),         Next(13, Osero)),
    Line(13, Speak(Osero, 4, ending13),           Listen(Crow, 4, ending11),         Next(14, Kohaku)),
    Line(14, Speak(Kohaku, 8, ending14),          Listen(Crow, 4, ending11),         Next(15, Yuri)),
    Line(15, Listen(Kohaku, 8, ending14),         Speak(Yuri, 7, ending15),          Next(20, Cheska)),
    Line(20, Speak(Cheska, 2, ending20),          Listen(Yuri, 7, ending15),         Next(21, Crow)),
    Line(21, Listen(Cheska, 2, ending20),         Speak(Crow, 0, ending21),          Next(22, Yuri)),
    Line(22, Listen(Cheska, 2, ending20),         Speak(Yuri, 7, ending22),          Next(23, Crow)),
    Line(23, Listen(Cheska, 2, ending20),         Speak(Crow, 4, ending23),          Next(24, Cheska)),
    Line(24, Speak(Cheska, 11, ending24),         Listen(Crow, 4, ending23),         Next(25, Cheska)),
    Line(25, Speak(Cheska, 14, ending25),         Listen(Crow, 4, ending23),         Next(30, Yuri)),
    Line(30, Listen(Cheska, 14, ending25),        Speak(Yuri, 6, ending30),          Next(31, Crow)),
    Line(31, Listen(Cheska, 14, ending25),        Speak(Crow, 4, ending31),          Next(32, Cheska)),
    Line(32, Speak(Cheska, 15, ending32),         Listen(Crow, 4, ending31),         Next(33, Yuri)),
    Line(33, Listen(Cheska, 15, ending32),        Speak(Yuri, 10, ending33),         Next(34, Cheska)),
    Line(34, Speak(Cheska, 0, ending34),          Listen(Yuri, 10, ending33),        Next(35, Yuri)),
    Line(35, Listen(Cheska, 0, ending34),         Speak(Yuri, 1, ending35),          Next(40, Yuri)),
    Line(40, Speak(Cheska, 15, ending40),         Listen(Yuri, 1, ending35),         Next(41, Osero)),
    Line(41, Speak(Osero, 4, ending41),           Listen(Yuri, 1, ending35),         Next(42, Yuri)),
    Line(42, Listen(Osero, 4, ending41),          Speak(Yuri, 7, ending42),          Next(43, Crow)),
    Line(43, Listen(Osero, 4, ending41),          Speak(Crow, 10, ending43),         Next(44, Yuri)),
    Line(44, Listen(Osero, 4, ending41),          Speak(Yuri, 7, ending44),          Next(45, Cheska)),
    Line(45, Speak(Cheska, 14, ending45),         Listen(Yuri, 7, ending44),         Next(50, Osero)),
    Line(50, Speak(Osero, 4, ending50),           Listen(Yuri, 7, ending44),         Next(51, Osero)),
    Line(51, Speak(Cheska, 14, ending51),         Empty,                             Next(52, Cheska)),
    Line(52, Speak(Cheska, 15, ending52),         Empty,                             Next(53, Osero)),
    Line(53, Speak(Osero, 0, ending53),           Empty,                             Next(54, Cheska)),
    Line(54, Speak(Cheska, 14, ending54),         Empty,                             Next(55, Osero)),
    Line(55, Speak(Osero, 4, ending55),           Empty,                             Next(61, Osero)),
    Line(61, Speak(Kohaku, 1, ending61),          Empty,                             Next(62, Cheska)),
    Line(62, Speak(Cheska, 14, ending62),         Empty,                             Next(63, Osero)),
    Line(63, Speak(Osero, 4, ending63),           Empty,                             Next(64, Cheska)),
    Line(64, Speak(Cheska, 14, ending64),         Empty,                             Next(65, Cheska)),
    Line(65, Speak(Cheska, 15, ending65),         Empty,                             Next(70)),
    Line(70, Empty,                               Narration(ending70),               Next(71)),
    Line(71, Empty,                               Narration(ending71),               Next(72)),
    Line(72, Empty,                               Narration(ending72),               Next(73)),
    Line(73, Empty,                               Narration(ending73),               Next(74)),
    Line(74, Empty,                               Narration(ending74),               Next(100)),
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
