// Team 2 (Cheska and Osero), stage 5: the talks with Crow (mid-boss) and Yuri, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage5.h"

namespace talk {
namespace {

using namespace talktext::CheskaStage5;

// Crow alone to open; his dimmed side shows only an ellipsis while Osero, and
// later Cheska, question him.
constexpr TalkStep kMidBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Crow, 0, midBefore0),        Next(1, Cheska)),
    Line(1,  Speak(Cheska, 4, midBefore1),        Listen(Crow, 0, midBefore0),       Next(2, Crow)),
    Line(2,  Listen(Cheska, 4, midBefore1),       Speak(Crow, 0, midBefore2),        Next(3, Cheska)),
    Line(3,  Speak(Cheska, 8, midBefore3),        Listen(Crow, 0, midBefore2),       Next(4, Crow)),
    Line(4,  Listen(Cheska, 8, midBefore3),       Speak(Crow, 0, midBefore4),        Next(5, Crow)),
    Line(5,  Listen(Cheska, 8, midBefore3),       Speak(Crow, 4, midBefore5),        Next(10, Cheska)),
    Line(10, Speak(Cheska, 0, midBefore10),       Listen(Crow, 4, midBefore5),       Next(11, Osero)),
    Line(11, Speak(Osero, 2, midBefore11),        Listen(Crow, 0, midBeforeR1),      Next(12, Osero)),
    Line(12, Speak(Osero, 0, midBefore12),        Listen(Crow, 4, midBeforeR1),      Next(13, Crow)),
    Line(13, Listen(Osero, 1, midBefore12),       Speak(Crow, 3, midBefore13),       Next(14, Crow)),
    Line(14, Listen(Osero, 1, midBefore12),       Speak(Crow, 1, midBefore14),       Next(15, Crow)),
    Line(15, Listen(Osero, 1, midBefore12),       Speak(Crow, 1, midBefore15),       Next(20, Osero)),
    Line(20, Speak(Osero, 3, midBefore20),        Listen(Crow, 1, midBefore15),      Next(21, Cheska)),
    Line(21, Speak(Cheska, 3, midBefore21),       Listen(Crow, 1, midBeforeR1),      Next(22, Crow)),
    Line(22, Listen(Cheska, 3, midBefore21),      Speak(Crow, 6, midBefore22),       Next(23, Osero)),
    Line(23, Speak(Osero, 0, midBefore23),        Listen(Crow, 6, midBefore22),      Next(24, Osero)),
    Line(24, Speak(Osero, 5, midBefore24),        Listen(Crow, 6, midBefore22),      Next(25, Crow)),
    Line(25, Listen(Osero, 5, midBefore24),       Speak(Crow, 1, midBefore25),       Next(30, Cheska)),
    Line(30, Speak(Cheska, 1, midBefore30),       Listen(Crow, 1, midBefore25),      Next(31, Crow)),
    Line(31, Listen(Cheska, 1, midBefore30),      Speak(Crow, 7, midBefore31),       Next(32, Crow)),
    Line(32, Listen(Cheska, 1, midBefore30),      Speak(Crow, 4, midBefore32),       Next(33, Cheska)),
    Line(33, Speak(Cheska, 9, midBefore33),       Listen(Crow, 4, midBefore32),      Next(100)),
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

// Yuri alone to open; Kohaku and Yuri share the lower side, Cheska and Osero
// the upper. After Osero's line (35) Cheska takes the side back without
// sliding in, and again at 44 after the advance zeroed Yuri.
constexpr TalkStep kBefore[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Yuri, 0, before0),           Next(1, Yuri)),
    Line(1,  Empty,                               Speak(Yuri, 8, before1),           Next(2, Cheska)),
    Line(2,  Speak(Cheska, 4, before2),           Listen(Yuri, 8, before1),          Next(3, Yuri)),
    Line(3,  Listen(Cheska, 4, before2),          Speak(Yuri, 1, before3),           Next(4, Yuri)),
    Line(4,  Listen(Cheska, 2, beforeR1),         Speak(Yuri, 7, before4),           Next(5, Yuri)),
    Line(5,  Listen(Cheska, 2, beforeR1),         Speak(Yuri, 6, before5),           Next(10, Kohaku)),
    Line(10, Listen(Cheska, 13, beforeR2),        Speak(Kohaku, 11, before10),       Next(11, Kohaku)),
    Line(11, Listen(Cheska, 13, beforeR2),        Speak(Kohaku, 4, before11),        Next(12, Cheska)),
    Line(12, Speak(Cheska, 14, before12),         Listen(Kohaku, 4, beforeR3),       Next(13, Cheska)),
    Line(13, Speak(Cheska, 4, before13),          Listen(Kohaku, 4, beforeR3),       Next(14, Yuri)),
    Line(14, Listen(Cheska, 4, before13),         Speak(Yuri, 0, before14),          Next(15, Yuri)),
    Line(15, Listen(Cheska, 4, before13),         Speak(Yuri, 10, before15),         Next(20, Cheska)),
    Line(20, Speak(Cheska, 10, before20),         Listen(Yuri, 11, before15),        Next(21, Cheska)),
    Line(21, Speak(Cheska, 8, before21),          Listen(Yuri, 11, beforeR4),        Next(22, Kohaku)),
    Line(22, Listen(Cheska, 8, before21),         Speak(Kohaku, 4, before22),        Next(23, Yuri)),
    Line(23, Listen(Cheska, 8, before21),         Speak(Yuri, 0, before23),          Next(24, Yuri)),
    Line(24, Listen(Cheska, 8, beforeR5),         Speak(Yuri, 3, before24),          Next(25, Yuri)),
    Line(25, Listen(Cheska, 8, beforeR5),         Speak(Yuri, 2, before25),          Next(30, Yuri)),
    Line(30, Listen(Cheska, 8, beforeR5),         Speak(Yuri, 13, before30),         Next(31, Cheska)),
    Line(31, Speak(Cheska, 13, before31),         Listen(Yuri, 13, before30),        Next(32, Yuri)),
    Line(32, Listen(Cheska, 1, before31),         Speak(Yuri, 9, before32),          Next(33, Yuri)),
    Line(33, Listen(Cheska, 1, before31),         Speak(Yuri, 4, before33),          Next(34, Yuri)),
    Line(34, Listen(Cheska, 13, beforeR1),        Speak(Yuri, 13, before34),         Next(35, Osero)),
    Line(35, Speak(Osero, 4, before35),           Listen(Yuri, 13, before34),        Next(40, Osero)),
    Line(40, Speak(Cheska, 1, before40),          Listen(Yuri, 13, before34),        Next(41, Yuri)),
    Line(41, Listen(Cheska, 1, before40),         Speak(Yuri, 9, before41),          Next(42, Yuri)),
    Line(42, Listen(Cheska, 1, before40),         Speak(Yuri, 3, before42),          Next(43, Cheska)),
    Line(43, Speak(Cheska, 5, before43),          Listen(Yuri, 3, before42),         Next(44, Yuri)),
    Line(44, Speak(Cheska, 5, before44),          Listen(Yuri, 3, before42),         Next(45, Kohaku)),
    Line(45, Listen(Cheska, 5, before44),         Speak(Kohaku, 2, before45),        Next(100)),
};

// The longest talk: its steps run past 100, which is an ordinary line here,
// and it ends at step 200.
constexpr TalkStep kAfter[] = {
    //   step  upper side                          lower side                         advance
    Line(0,   Empty,                              Speak(Yuri, 11, after0),           Next(1, Yuri)),
    Line(1,   Empty,                              Speak(Yuri, 11, after1),           Next(2, Yuri)),
    Line(2,   Empty,                              Speak(Yuri, 6, after2),            Next(3, Cheska)),
    Line(3,   Speak(Cheska, 5, after3),           Listen(Yuri, 6, after2),           Next(4, Cheska)),
    Line(4,   Speak(Cheska, 4, after4),           Listen(Yuri, 6, after2),           Next(5, Crow)),
    Line(5,   Listen(Cheska, 4, after4),          Speak(Crow, 0, after5),            Next(10, Yuri)),
    Line(10,  Listen(Cheska, 4, afterR1),         Speak(Yuri, 5, after10),           Next(11, Crow)),
    Line(11,  Listen(Cheska, 4, afterR1),         Speak(Crow, 4, after11),           Next(12, Yuri)),
    Line(12,  Listen(Cheska, 4, afterR1),         Speak(Yuri, 0, after12),           Next(13, Yuri)),
    Line(13,  Listen(Cheska, 4, afterR1),         Speak(Yuri, 7, after13),           Next(14, Cheska)),
    Line(14,  Speak(Cheska, 14, after14),         Listen(Yuri, 11, after13),         Next(15, Yuri)),
    Line(15,  Listen(Cheska, 10, afterR2),        Speak(Yuri, 13, after15),          Next(20, Yuri)),
    Line(20,  Listen(Cheska, 10, afterR2),        Speak(Yuri, 13, after20),          Next(21, Kohaku)),
    Line(21,  Listen(Cheska, 13, afterR3),        Speak(Kohaku, 4, after21),         Next(22, Kohaku)),
    Line(22,  Listen(Cheska, 14, afterR3),        Speak(Kohaku, 5, after22),         Next(23, Cheska)),
    Line(23,  Speak(Cheska, 15, after23),         Listen(Kohaku, 5, after22),        Next(24, Kohaku)),
    Line(24,  Listen(Cheska, 15, after23),        Speak(Kohaku, 7, after24),         Next(25, Osero)),
    Line(25,  Speak(Osero, 4, after25),           Listen(Kohaku, 7, after24),        Next(30, Kohaku)),
    Line(30,  Listen(Osero, 4, after25),          Speak(Kohaku, 4, after30),         Next(31, Osero)),
    Line(31,  Speak(Osero, 0, after31),           Listen(Kohaku, 4, after30),        Next(32, Kohaku)),
    Line(32,  Listen(Osero, 0, after31),          Speak(Kohaku, 4, after32),         Next(33, Kohaku)),
    Line(33,  Listen(Osero, 0, after31),          Speak(Kohaku, 3, after33),         Next(34, Kohaku)),
    Line(34,  Listen(Osero, 0, after31),          Speak(Kohaku, 4, after34),         Next(35, Cheska)),
    Line(35,  Speak(Cheska, 14, after35),         Listen(Kohaku, 4, after34),        Next(40, Cheska)),
    Line(40,  Speak(Cheska, 15, after40),         Listen(Kohaku, 4, after34),        Next(41, Kohaku)),
    Line(41,  Listen(Cheska, 15, after40),        Speak(Kohaku, 11, after41),        Next(42, Yuri)),
    Line(42,  Listen(Cheska, 15, afterR1),        Speak(Yuri, 7, after42),           Next(43, Crow)),
    Line(43,  Listen(Cheska, 15, afterR1),        Speak(Crow, 1, after43),           Next(44, Yuri)),
    Line(44,  Listen(Cheska, 15, afterR1),        Speak(Yuri, 7, after44),           Next(45, Crow)),
    Line(45,  Listen(Cheska, 15, afterR1),        Speak(Crow, 0, after45),           Next(50, Yuri)),
    Line(50,  Listen(Cheska, 15, afterR1),        Speak(Yuri, 7, after50),           Next(51, Cheska)),
    Line(51,  Speak(Cheska, 8, after51),          Listen(Yuri, 7, afterR4),          Next(52, Osero)),
    Line(52,  Speak(Osero, 0, after52),           Listen(Yuri, 7, afterR4),          Next(53, Cheska)),
    Line(53,  Speak(Cheska, 4, after53),          Listen(Yuri, 7, afterR4),          Next(54, Kohaku)),
    Line(54,  Listen(Cheska, 4, after53),         Speak(Kohaku, 8, after54),         Next(55, Cheska)),
    Line(55,  Speak(Cheska, 6, after55),          Listen(Kohaku, 8, after54),        Next(60, Cheska)),
    Line(60,  Speak(Cheska, 6, after60),          Listen(Kohaku, 8, after54),        Next(61, Yuri)),
    Line(61,  Listen(Cheska, 6, after60),         Speak(Yuri, 5, after61),           Next(62, Crow)),
    Line(62,  Listen(Cheska, 6, after60),         Speak(Crow, 9, after62),           Next(63, Yuri)),
    Line(63,  Listen(Cheska, 6, after60),         Speak(Yuri, 13, after63),          Next(64, Yuri)),
    Line(64,  Listen(Cheska, 6, after60),         Speak(Yuri, 8, after64),           Next(65, Crow)),
    Line(65,  Listen(Cheska, 6, after60),         Speak(Crow, 1, after65),           Next(70, Yuri)),
    Line(70,  Listen(Cheska, 6, after60),         Speak(Yuri, 6, after70),           Next(71, Crow)),
    Line(71,  Listen(Cheska, 6, after60),         Speak(Crow, 1, after71),           Next(72, Yuri)),
    Line(72,  Listen(Cheska, 6, after60),         Speak(Yuri, 10, after72),          Next(73, Cheska)),
    Line(73,  Speak(Cheska, 0, after73),          Listen(Yuri, 10, after72),         Next(74, Yuri)),
    Line(74,  Listen(Cheska, 0, after73),         Speak(Yuri, 11, after74),          Next(75, Cheska)),
    Line(75,  Speak(Cheska, 13, after75),         Listen(Yuri, 11, after74),         Next(80, Yuri)),
    Line(80,  Listen(Cheska, 13, after75),        Speak(Yuri, 4, after80),           Next(81, Yuri)),
    Line(81,  Listen(Cheska, 13, after75),        Speak(Yuri, 9, after81),           Next(82, Yuri)),
    Line(82,  Listen(Cheska, 13, after75),        Speak(Yuri, 9, after82),           Next(83, Yuri)),
    Line(83,  Listen(Cheska, 13, after75),        Speak(Yuri, 8, after83),           Next(84, Crow)),
    Line(84,  Listen(Cheska, 13, after75),        Speak(Crow, 7, after84),           Next(85, Cheska)),
    Line(85,  Speak(Cheska, 3, after85),          Listen(Crow, 7, after84),          Next(90, Osero)),
    Line(90,  Speak(Osero, 4, after90),           Listen(Crow, 7, after84),          Next(91, Osero)),
    Line(91,  Speak(Osero, 5, after91),           Listen(Crow, 7, after84),          Next(92, Cheska)),
    Line(92,  Speak(Cheska, 10, after92),         Listen(Crow, 7, after84),          Next(93, Cheska)),
    Line(93,  Speak(Cheska, 8, after93),          Listen(Crow, 7, after84),          Next(94, Cheska)),
    Line(94,  Speak(Cheska, 4, after94),          Listen(Crow, 7, after84),          Next(95, Yuri)),
    Line(95,  Listen(Cheska, 4, after94),         Speak(Yuri, 13, after95),          Next(100, Crow)),
    Line(100, Listen(Cheska, 4, after94),         Speak(Crow, 1, after100),          Next(101, Yuri)),
    Line(101, Listen(Cheska, 4, after94),         Speak(Yuri, 8, after101),          Next(102, Cheska)),
    Line(102, Speak(Cheska, 5, after102),         Listen(Yuri, 8, after101),         Next(103, Osero)),
    Line(103, Speak(Osero, 0, after103),          Listen(Yuri, 8, after101),         Next(104, Kohaku)),
    Line(104, Listen(Osero, 0, after103),         Speak(Kohaku, 7, after104),        Next(105, Yuri)),
    Line(105, Listen(Osero, 0, after103),         Speak(Yuri, 7, after105),          Next(110, Yuri)),
    Line(110, Listen(Osero, 0, after103),         Speak(Yuri, 7, after110),          Next(111, Kohaku)),
    Line(111, Listen(Osero, 0, after103),         Speak(Kohaku, 6, after111),        Next(112, Osero)),
    Line(112, Speak(Osero, 4, after112),          Listen(Kohaku, 6, after111),       Next(113, Cheska)),
    Line(113, Speak(Cheska, 1, after113),         Listen(Kohaku, 6, after111),       Next(114, Cheska)),
    Line(114, Speak(Cheska, 14, after114),        Listen(Kohaku, 6, after111),       Next(115, Yuri)),
    Line(115, Listen(Cheska, 14, after114),       Speak(Yuri, 13, after115),         Next(120, Crow)),
    Line(120, Listen(Cheska, 14, after114),       Speak(Crow, 7, after120),          Next(121, Crow)),
    Line(121, Listen(Cheska, 14, after114),       Speak(Crow, 0, after121),          Next(122, Cheska)),
    Line(122, Speak(Cheska, 14, after122),        Listen(Crow, 0, after121),         Next(200)),
};

// Over the ending picture: Kohaku leaves the window after step 4; the
// narration boxes move no portrait, and the last two are skipped at
// difficulty 0.
constexpr TalkStep kEnding[] = {
    //   step  upper side                          lower side                         advance
    Line(0,  Empty,                               Speak(Kohaku, 5, ending0),         Next(1, Cheska)),
    Line(1,  Speak(Cheska, 9, ending1),           Listen(Kohaku, 5, ending0),        Next(2, Cheska)),
    Line(2,  Speak(Cheska, 15, ending2),          Listen(Kohaku, 5, endingR1),       Next(3, Osero)),
    Line(3,  Speak(Osero, 4, ending3),            Listen(Kohaku, 5, endingR1),       Next(4, Cheska)),
    Line(4,  Speak(Cheska, 16, ending4),          Listen(Kohaku, 5, endingR1),       Next(5, Cheska)),
    Line(5,  Speak(Cheska, 14, ending5),          Empty,                             Next(10, Cheska)),
    Line(10, Speak(Cheska, 15, ending10),         Empty,                             Next(11, Osero)),
    Line(11, Speak(Osero, 0, ending11),           Empty,                             Next(12, Cheska)),
    Line(12, Speak(Cheska, 4, ending12),          Empty,                             Next(13, Cheska)),
    Line(13, Speak(Cheska, 15, ending13),         Empty,                             Next(14, Osero)),
    Line(14, Speak(Osero, 4, ending14),           Empty,                             Next(15, Cheska)),
    Line(15, Speak(Cheska, 15, ending15),         Empty,                             Next(16)),
    Line(16, Empty,                               Narration(ending16),               Next(20)),
    Line(20, Empty,                               Narration(ending20),               Next(21)),
    Line(21, Empty,                               Narration(ending21),               Next(22).EasyEnd()),
    Line(22, Empty,                               Narration(ending22),               Next(23)),
    Line(23, Empty,                               Narration(ending23),               Next(100)),
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
