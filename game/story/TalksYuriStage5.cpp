// Team 1 (Yuri and Crow), stage 5: the talks with Osero (mid-boss) and Cheska, and the epilogue.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage5.h"

namespace talk {
namespace {

using namespace talktext::YuriStage5;

// In the mansion: Osero, perfectly polite, hints that the pendant and the shadow in the sky were her lady's, and will at least dust off such guests.
constexpr TalkStep kMidBefore[] = {
    // step  upper side                                            lower side                      advance
    Line(0,  Speak(Yuri, 10, midBefore0),                          Empty,                          Next(1, Crow)),
    Line(1,  Speak(Crow, 9, midBefore1),                           Empty,                          Next(2, Osero)),
    Line(2,  Listen(Yuri, 1, midBefore2Listen).NotLastSpeaker(),   Speak(Osero, 4, midBefore2),    Next(3, Osero)),
    Line(3,  Listen(Yuri, 2, midBefore3Listen).NotLastSpeaker(),   Speak(Osero, 0, midBefore3),    Next(4, Osero)).Card(3),
    Line(4,  Listen(Yuri, 1, midBefore4Listen).NotLastSpeaker(),   Speak(Osero, 5, midBefore4),    Next(5, Yuri)).Card(3),
    Line(5,  Speak(Yuri, 2, midBefore5),                           Listen(Osero, 5, midBefore4),   Next(10, Osero)).Card(3),
    Line(10, Listen(Yuri, 2, midBefore5),                          Speak(Osero, 1, midBefore10),   Next(11, Yuri)),
    Line(11, Speak(Yuri, 4, midBefore11),                          Listen(Osero, 1, midBefore10),  Next(12, Kohaku)),
    Line(12, Listen(Yuri, 4, midBefore11),                         Speak(Kohaku, 4, midBefore12),  Next(13, Kohaku)),
    Line(13, Listen(Yuri, 4, midBefore13Listen),                   Speak(Kohaku, 11, midBefore13), Next(14, Osero)),
    Line(14, Listen(Yuri, 4, midBefore13Listen),                   Speak(Osero, 6, midBefore14),   Next(15, Osero)),
    Line(15, Listen(Yuri, 4, midBefore13Listen),                   Speak(Osero, 4, midBefore15),   Next(20, Yuri)),
    Line(20, Speak(Yuri, 8, midBefore20),                          Listen(Osero, 4, midBefore15),  Next(21, Crow)),
    Line(21, Speak(Crow, 2, midBefore21),                          Listen(Osero, 4, midBefore15),  Next(22, Kohaku)),
    Line(22, Listen(Crow, 2, midBefore21),                         Speak(Kohaku, 6, midBefore22),  Next(23, Osero)),
    Line(23, Listen(Crow, 2, midBefore21),                         Speak(Osero, 7, midBefore23),   Next(25, Kohaku)),
    Line(25, Listen(Crow, 2, midBefore21),                         Speak(Kohaku, 8, midBefore25),  Next(30, Kohaku)),
    Line(30, Listen(Yuri, 2, midBefore30Listen).NotLastSpeaker(),  Speak(Kohaku, 1, midBefore30),  Next(31, Osero)),
    Line(31, Listen(Yuri, 13, midBefore31Listen).NotLastSpeaker(), Speak(Osero, 4, midBefore31),   Next(32, Yuri)),
    Line(32, Speak(Yuri, 13, midBefore32),                         Listen(Osero, 4, midBefore31),  Next(33, Crow)),
    Line(33, Speak(Crow, 3, midBefore33),                          Listen(Osero, 4, midBefore31),  Next(34, Osero)),
    Line(34, Listen(Crow, 3, midBefore33),                         Speak(Osero, 5, midBefore34),   Next(35, Crow)),
    Line(35, Speak(Crow, 7, midBefore35),                          Listen(Osero, 5, midBefore34),  Next(40, Osero)),
    Line(40, Listen(Crow, 9, midBefore40Listen),                   Speak(Osero, 7, midBefore40),   Next(41, Yuri)),
    Line(41, Speak(Yuri, 13, midBefore41),                         Listen(Osero, 7, midBefore40),  Next(42, Crow)),
    Line(42, Speak(Crow, 5, midBefore42),                          Listen(Osero, 7, midBefore40),  Next(100)),
};

// Osero yields, goes to make tea, and warns that her lady is stronger.
constexpr TalkStep kMidAfter[] = {
    // step  upper side                    lower side                           advance
    Line(0,  Empty,                        Speak(Osero, 3, midAfter0),          Next(1, Osero)),
    Line(1,  Empty,                        Speak(Osero, 7, midAfter1),          Next(2, Yuri)),
    Line(2,  Speak(Yuri, 6, midAfter2),    Listen(Osero, 7, midAfter1),         Next(3, Crow)),
    Line(3,  Speak(Crow, 3, midAfter3),    Listen(Osero, 7, midAfter3Listen),   Next(4, Osero)),
    Line(4,  Listen(Crow, 3, midAfter3),   Speak(Osero, 4, midAfter4),          Next(5, Osero)),
    Line(5,  Listen(Crow, 3, midAfter3),   Speak(Osero, 1, midAfter5),          Next(10, Crow)),
    Line(10, Speak(Crow, 8, midAfter10),   Listen(Osero, 4, midAfter10Listen),  Next(11, Yuri)),
    Line(11, Speak(Yuri, 1, midAfter11),   Listen(Osero, 4, midAfter10Listen),  Next(12, Crow)),
    Line(12, Speak(Crow, 6, midAfter12),   Listen(Osero, 4, midAfter10Listen),  Next(13, Kohaku)),
    Line(13, Listen(Crow, 6, midAfter12),  Speak(Kohaku, 5, midAfter13),        Next(14, Yuri)),
    Line(14, Speak(Yuri, 7, midAfter14),   Listen(Kohaku, 4, midAfter14Listen), Next(15, Osero)),
    Line(15, Listen(Yuri, 7, midAfter14),  Speak(Osero, 5, midAfter15),         Next(20, Crow)),
    Line(20, Speak(Crow, 9, midAfter20),   Listen(Osero, 5, midAfter15),        Next(21, Yuri)),
    Line(21, Speak(Yuri, 13, midAfter21),  Listen(Osero, 5, midAfter15),        Next(22, Kohaku)),
    Line(22, Listen(Yuri, 13, midAfter21), Speak(Kohaku, 1, midAfter22),        Next(100)),
};

// Cheska comes home singed; Yuri's hunch about whom she shot is confirmed, and she will not give Kohaku back without a duel.
constexpr TalkStep kBefore[] = {
    // step  upper side                  lower side                         advance
    Line(0,  Speak(Yuri, 8, before0),    Empty,                             Next(1, Cheska)),
    Line(1,  Listen(Yuri, 8, before0),   Speak(Cheska, 13, before1),        Next(2, Crow)),
    Line(2,  Speak(Crow, 8, before2),    Listen(Cheska, 13, before1),       Next(3, Yuri)),
    Line(3,  Speak(Yuri, 2, before3),    Listen(Cheska, 16, before3Listen), Next(4, Kohaku)),
    Line(4,  Listen(Yuri, 2, before3),   Speak(Kohaku, 4, before4),         Next(5, Kohaku)),
    Line(5,  Listen(Yuri, 2, before3),   Speak(Kohaku, 11, before5),        Next(10, Cheska).NewCard()),
    Line(10, Listen(Yuri, 2, before3),   Speak(Cheska, 14, before10),       Next(11, Crow)).Card(2),
    Line(11, Speak(Crow, 3, before11),   Listen(Cheska, 14, before10),      Next(13, Cheska)).Card(2),
    Line(13, Speak(Yuri, 14, before13),  Listen(Cheska, 7, before13Listen), Next(14, Yuri)),
    Line(14, Speak(Yuri, 5, before14),   Listen(Cheska, 7, before13Listen), Next(20, Cheska)),
    Line(20, Listen(Yuri, 5, before14),  Speak(Cheska, 7, before20),        Next(21, Yuri)),
    Line(21, Speak(Yuri, 5, before21),   Listen(Cheska, 7, before20),       Next(23, Cheska)),
    Line(23, Listen(Yuri, 5, before21),  Speak(Cheska, 11, before23),       Next(24, Cheska)),
    Line(24, Listen(Yuri, 5, before21),  Speak(Cheska, 5, before24),        Next(25, Cheska)),
    Line(25, Listen(Yuri, 5, before21),  Speak(Cheska, 8, before25),        Next(30, Yuri)),
    Line(30, Speak(Yuri, 10, before30),  Listen(Cheska, 2, before30Listen), Next(31, Crow)),
    Line(31, Speak(Crow, 9, before31),   Listen(Cheska, 2, before30Listen), Next(32, Yuri)),
    Line(32, Speak(Yuri, 13, before32),  Listen(Cheska, 2, before30Listen), Next(33, Yuri)),
    Line(33, Speak(Yuri, 9, before33),   Listen(Cheska, 2, before30Listen), Next(34, Cheska)),
    Line(34, Listen(Yuri, 9, before33),  Speak(Cheska, 3, before34),        Next(35, Cheska)),
    Line(35, Listen(Yuri, 9, before33),  Speak(Cheska, 9, before35),        Next(40, Yuri)),
    Line(40, Speak(Yuri, 3, before40),   Listen(Cheska, 9, before35),       Next(41, Kohaku)),
    Line(41, Listen(Yuri, 3, before40),  Speak(Kohaku, 2, before41),        Next(42, Crow)),
    Line(42, Speak(Crow, 8, before42),   Listen(Kohaku, 2, before41),       Next(43, Yuri)),
    Line(43, Speak(Yuri, 16, before43),  Listen(Kohaku, 2, before41),       Next(44, Cheska)),
    Line(44, Listen(Yuri, 16, before43), Speak(Cheska, 15, before44),       Next(45, Cheska)),
    Line(45, Listen(Yuri, 16, before43), Speak(Cheska, 16, before45),       Next(50, Kohaku)),
    Line(50, Listen(Yuri, 16, before43), Speak(Kohaku, 1, before50),        Next(51, Crow)),
    Line(51, Speak(Crow, 4, before51),   Listen(Kohaku, 1, before50),       Next(52, Yuri)),
    Line(52, Speak(Yuri, 11, before52),  Listen(Kohaku, 1, before52Listen), Next(53, Crow)),
    Line(53, Speak(Crow, 1, before53),   Listen(Kohaku, 1, before52Listen), Next(54, Cheska)),
    Line(54, Listen(Crow, 1, before53),  Speak(Cheska, 9, before54),        Next(55, Yuri)),
    Line(55, Speak(Yuri, 13, before55),  Listen(Cheska, 9, before54),       Next(60, Kohaku)),
    Line(60, Listen(Yuri, 13, before55), Speak(Kohaku, 2, before60),        Next(61, Crow)),
    Line(61, Speak(Crow, 10, before61),  Listen(Kohaku, 2, before60),       Next(62, Yuri)),
    Line(62, Speak(Yuri, 16, before62),  Listen(Kohaku, 2, before60),       Next(63, Crow)),
    Line(63, Speak(Crow, 5, before63),   Listen(Kohaku, 2, before60),       Next(64, Cheska)),
    Line(64, Listen(Crow, 5, before63),  Speak(Cheska, 5, before64),        Next(100)),
};

// Cheska concedes, laughing, and tells of Deena; the pair scent treasure and go on ahead with Kohaku.
constexpr TalkStep kAfter[] = {
    // step  upper side                lower side                         advance
    Line(0,  Empty,                    Speak(Cheska, 15, after0),         Next(1, Yuri)),
    Line(1,  Speak(Yuri, 8, after1),   Listen(Cheska, 15, after0),        Next(2, Crow)),
    Line(2,  Speak(Crow, 3, after2),   Listen(Cheska, 15, after0),        Next(3, Cheska)),
    Line(3,  Listen(Crow, 3, after2),  Speak(Cheska, 14, after3),         Next(4, Crow)),
    Line(4,  Speak(Crow, 6, after4),   Listen(Cheska, 14, after3),        Next(5, Crow)),
    Line(5,  Speak(Crow, 7, after5),   Listen(Cheska, 14, after3),        Next(12, Crow)),
    Line(12, Listen(Crow, 7, after5),  Speak(Cheska, 4, after12),         Next(13, Cheska)),
    Line(13, Listen(Crow, 7, after5),  Speak(Cheska, 6, after13),         Next(14, Cheska)),
    Line(14, Listen(Crow, 7, after5),  Speak(Cheska, 13, after14),        Next(15, Cheska)),
    Line(15, Listen(Crow, 7, after5),  Speak(Cheska, 5, after15),         Next(20, Cheska)),
    Line(20, Listen(Crow, 7, after5),  Speak(Cheska, 4, after20),         Next(21, Yuri)),
    Line(21, Speak(Yuri, 1, after21),  Listen(Cheska, 4, after20),        Next(22, Crow)),
    Line(22, Speak(Crow, 6, after22),  Listen(Cheska, 10, after22Listen), Next(23, Osero)),
    Line(23, Listen(Crow, 6, after22), Speak(Osero, 5, after23),          Next(24, Cheska)),
    Line(24, Listen(Crow, 6, after22), Speak(Cheska, 10, after24),        Next(25, Cheska)),
    Line(25, Listen(Crow, 6, after22), Speak(Cheska, 11, after25),        Next(30, Cheska)),
    Line(30, Listen(Crow, 6, after22), Speak(Cheska, 9, after30),         Next(31, Cheska)),
    Line(31, Listen(Crow, 6, after22), Speak(Cheska, 8, after31),         Next(32, Yuri)),
    Line(32, Speak(Yuri, 10, after32), Listen(Cheska, 8, after31),        Next(33, Crow)),
    Line(33, Speak(Crow, 4, after33),  Listen(Cheska, 8, after31),        Next(34, Yuri)),
    Line(34, Speak(Yuri, 13, after34), Listen(Cheska, 16, after34Listen), Next(35, Yuri)),
    Line(35, Speak(Yuri, 9, after35),  Listen(Cheska, 16, after34Listen), Next(40, Yuri)),
    Line(40, Speak(Yuri, 7, after40),  Listen(Cheska, 16, after34Listen), Next(41, Crow)),
    Line(41, Speak(Crow, 1, after41),  Listen(Cheska, 16, after34Listen), Next(42, Yuri)),
    Line(42, Speak(Yuri, 8, after42),  Listen(Cheska, 16, after34Listen), Next(43, Cheska)),
    Line(43, Listen(Yuri, 8, after42), Speak(Cheska, 8, after43),         Next(44, Cheska)),
    Line(44, Listen(Yuri, 8, after42), Speak(Cheska, 16, after44),        Next(45, Yuri)),
    Line(45, Speak(Yuri, 5, after45),  Listen(Cheska, 16, after44),       Next(50, Yuri)),
    Line(50, Speak(Yuri, 2, after50),  Listen(Cheska, 16, after44),       Next(51, Cheska)),
    Line(51, Listen(Yuri, 2, after50), Speak(Cheska, 3, after51),         Next(52, Crow)),
    Line(52, Speak(Crow, 6, after52),  Listen(Cheska, 3, after51),        Next(53, Yuri)),
    Line(53, Speak(Yuri, 8, after53),  Listen(Cheska, 16, after53Listen), Next(54, Yuri)),
    Line(54, Speak(Yuri, 9, after54),  Listen(Cheska, 16, after53Listen), Next(55, Crow)),
    Line(55, Speak(Crow, 2, after55),  Listen(Cheska, 16, after53Listen), Next(60, Yuri)),
    Line(60, Speak(Yuri, 6, after60),  Listen(Cheska, 16, after53Listen), Next(61, Yuri)),
    Line(61, Speak(Yuri, 7, after61),  Listen(Cheska, 16, after53Listen), Next(62, Crow)),
    Line(62, Speak(Crow, 1, after62),  Listen(Cheska, 16, after53Listen), Next(63, Osero)),
    Line(63, Listen(Crow, 1, after62), Speak(Osero, 7, after63),          Next(64, Cheska)),
    Line(64, Listen(Crow, 1, after62), Speak(Cheska, 15, after64),        Next(65, Cheska)),
    Line(65, Listen(Crow, 1, after62), Speak(Cheska, 4, after65),         Next(70, Cheska)),
    Line(70, Listen(Crow, 1, after62), Speak(Cheska, 14, after70),        Next(71, Yuri)),
    Line(71, Speak(Yuri, 3, after71),  Listen(Cheska, 14, after70),       Next(72, Cheska)),
    Line(72, Speak(Yuri, 7, after72),  Listen(Cheska, 14, after70),       Next(73, Crow)),
    Line(73, Speak(Crow, 3, after73),  Listen(Cheska, 15, after73Listen), Next(74, Cheska)),
    Line(74, Listen(Crow, 3, after73), Speak(Cheska, 16, after74),        Next(75, Yuri)),
    Line(75, Speak(Yuri, 5, after75),  Listen(Cheska, 16, after74),       Next(80, Cheska)),
    Line(80, Listen(Yuri, 5, after75), Speak(Cheska, 14, after80),        Next(81, Cheska)),
    Line(81, Listen(Yuri, 5, after75), Speak(Cheska, 6, after81),         Next(82, Cheska)),
    Line(82, Listen(Yuri, 5, after75), Speak(Cheska, 8, after82),         Next(83, Cheska)),
    Line(83, Listen(Yuri, 5, after75), Speak(Cheska, 15, after83),        Next(84, Kohaku)),
    Line(84, Listen(Yuri, 5, after75), Speak(Kohaku, 3, after84),         Next(85, Yuri)),
    Line(85, Speak(Yuri, 6, after85),  Listen(Kohaku, 3, after84),        Next(86, Cheska)),
    Line(86, Listen(Yuri, 6, after85), Speak(Cheska, 15, after86),        Next(100)),
};

// Tea, a quiet night, Kohaku afraid of Deena, and the closing boxes (the last two only above the easiest difficulty).
constexpr TalkStep kEnding[] = {
    // step  upper side                       lower side                             advance
    Line(0,  Speak(Yuri, 6, ending0),         Empty,                                 Next(1, Cheska)),
    Line(1,  Listen(Yuri, 6, ending0),        Speak(Cheska, 14, ending1),            Next(2, Cheska)),
    Line(2,  Listen(Yuri, 2, ending2Listen),  Speak(Cheska, 8, ending2),             Next(3, Osero)),
    Line(3,  Listen(Yuri, 2, ending2Listen),  Speak(Osero, 7, ending3),              Next(4, Osero)),
    Line(4,  Listen(Yuri, 2, ending2Listen),  Speak(Osero, 5, ending4),              Next(5, Crow)),
    Line(5,  Speak(Crow, 10, ending5),        Listen(Osero, 5, ending4),             Next(10, Crow)),
    Line(10, Speak(Crow, 1, ending10),        Listen(Osero, 5, ending4),             Next(11, Osero)),
    Line(11, Listen(Crow, 1, ending10),       Speak(Osero, 4, ending11),             Next(12, Cheska)),
    Line(12, Listen(Crow, 1, ending10),       Speak(Cheska, 14, ending12),           Next(13, Kohaku)),
    Line(13, Listen(Crow, 1, ending13Listen), Speak(Kohaku, 5, ending13),            Next(14, Yuri)),
    Line(14, Speak(Yuri, 7, ending14),        Listen(Kohaku, 5, ending13),           Next(15, Yuri)),
    Line(15, Speak(Yuri, 4, ending15),        Empty,                                 Next(20, Crow)),
    Line(20, Speak(Crow, 1, ending20),        Empty,                                 Next(21, Yuri)),
    Line(21, Speak(Yuri, 12, ending21),       Empty,                                 Next(22, Crow)),
    Line(22, Speak(Crow, 7, ending22),        Empty,                                 Next(23, Yuri)),
    Line(23, Speak(Yuri, 5, ending23),        Empty,                                 Next(24, Crow)),
    Line(24, Speak(Crow, 1, ending24),        Empty,                                 Next(25, Yuri)),
    Line(25, Speak(Yuri, 0, ending25),        Empty,                                 Next(30, Kohaku)),
    Line(30, Listen(Yuri, 0, ending25),       Speak(Kohaku, 8, ending30).Shaking(),  Next(31, Yuri)),
    Line(31, Speak(Yuri, 7, ending31),        Listen(Kohaku, 8, ending30).Shaking(), Next(32, Kohaku)),
    Line(32, Empty,                           Narration(ending32),                   Next(33)),
    Line(33, Empty,                           Narration(ending33),                   Next(34)),
    Line(34, Empty,                           Narration(ending34),                   Next(35).EasyEnd()),
    Line(35, Empty,                           Narration(ending35),                   Next(36)),
    Line(36, Empty,                           Narration(ending36),                   Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage5MidBefore{kMidBefore, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage5MidAfter{kMidAfter, {PlayState, NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage5Before{kBefore, {PlayState, NextPhaseB, ResetWindow, Music("BGM/Stage05Boss.ogg")}};
constexpr TalkScript kTalkYuriStage5After{kAfter, {NextPhaseB, ResetWindow, Music("BGM/EDTalk.ogg")}};
constexpr TalkScript kTalkYuriStage5Ending{kEnding, {NextPhaseB, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage5MidBefore() { talk::RunTalk(talk::kTalkYuriStage5MidBefore); }
void UpdateTalkYuriStage5MidAfter() { talk::RunTalk(talk::kTalkYuriStage5MidAfter); }
void UpdateTalkYuriStage5Before() { talk::RunTalk(talk::kTalkYuriStage5Before); }
void UpdateTalkYuriStage5After() { talk::RunTalk(talk::kTalkYuriStage5After); }
void UpdateTalkYuriStage5Ending() { talk::RunTalk(talk::kTalkYuriStage5Ending); }
