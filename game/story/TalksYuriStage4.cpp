// Team 1 (Yuri and Crow), stage 4: the talks before and after the fight with Momo and Nono.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage4.h"

namespace talk {
namespace {

using namespace talktext::YuriStage4;

// Outside the mansion: Kohaku dodges "whose house?", and the twins make the visitors play the dragons.
constexpr TalkStep kBefore[] = {
    // step  upper side                                        lower side                       advance
    Line(0,  Speak(Yuri, 10, before0),                         Empty,                           Next(1, Crow)),
    Line(1,  Speak(Crow, 6, before1),                          Empty,                           Next(2, Kohaku)),
    Line(2,  Listen(Crow, 6, before1),                         Speak(Kohaku, 1, before2),       Next(3, Kohaku)),
    Line(3,  Listen(Crow, 6, before1),                         Speak(Kohaku, 6, before3),       Next(4, Kohaku)),
    Line(4,  Listen(Crow, 6, before1),                         Speak(Kohaku, 5, before4),       Next(5, Crow)),
    Line(5,  Speak(Crow, 6, before5),                          Listen(Kohaku, 5, before4),      Next(10, Kohaku)),
    Line(10, Listen(Crow, 6, before5),                         Speak(Kohaku, 6, before10),      Next(11, Yuri)),
    Line(11, Listen(Yuri, 2, before11Listen).NotLastSpeaker(), Speak(Kohaku, 1, before11),      Next(12, Yuri)),
    Line(12, Speak(Yuri, 4, before12),                         Listen(Kohaku, 1, before11),     Next(13, Momo)),
    Line(13, Listen(Yuri, 4, before12),                        Speak(Momo, 3, before13),        Next(14, Nono)),
    Line(14, Listen(Yuri, 4, before12),                        Speak(Nono, 3, before14),        Next(15, Momo)),
    Line(15, Listen(Yuri, 4, before12),                        Speak(Momo, 4, before15),        Next(20, Nono)),
    Line(20, Listen(Yuri, 2, before20Listen),                  Speak(Nono, 4, before20),        Next(21, Kohaku)),
    Line(21, Listen(Yuri, 2, before20Listen),                  Speak(Kohaku, 5, before21),      Next(22, Yuri)),
    Line(22, Speak(Yuri, 2, before22),                         Listen(Kohaku, 5, before21),     Next(23, Crow)),
    Line(23, Speak(Crow, 1, before23),                         Listen(Kohaku, 5, before21),     Next(24, Kohaku)),
    Line(24, Listen(Crow, 1, before23),                        Speak(Kohaku, 1, before24),      Next(25, Kohaku)),
    Line(25, Listen(Crow, 1, before23),                        Speak(Kohaku, 6, before25),      Next(26, Momo).NewCard()),
    Line(26, Listen(Crow, 1, before23),                        Speak(Momo, 4, before26),        Next(30, Nono).NewCard()).Card(8),
    Line(30, Listen(Crow, 4, before30Listen),                  Speak(Nono, 1, before30),        Next(31, Nono)).Card(9),
    Line(31, Listen(Crow, 4, before30Listen),                  Speak(Nono, 4, before31),        Next(32, Yuri)).Card(9),
    Line(32, Speak(Yuri, 1, before32),                         Listen(Nono, 4, before31),       Next(33, Crow)),
    Line(33, Speak(Yuri, 4, before33),                         Listen(Nono, 4, before31),       Next(34, Crow)),
    Line(34, Speak(Crow, 10, before34),                        Listen(Nono, 4, before34Listen), Next(35, Yuri)),
    Line(35, Speak(Yuri, 11, before35),                        Listen(Nono, 4, before34Listen), Next(40, Nono)),
    Line(40, Listen(Yuri, 11, before35),                       Speak(Nono, 3, before40),        Next(41, Momo)),
    Line(41, Listen(Yuri, 11, before41Listen),                 Speak(Momo, 3, before41),        Next(42, Kohaku)),
    Line(42, Listen(Yuri, 11, before41Listen),                 Speak(Kohaku, 2, before42),      Next(43, Kohaku)),
    Line(43, Listen(Yuri, 11, before41Listen),                 Speak(Kohaku, 4, before43),      Next(44, Yuri)),
    Line(44, Speak(Yuri, 13, before44),                        Listen(Kohaku, 4, before43),     Next(45, Yuri)),
    Line(45, Speak(Yuri, 16, before45),                        Listen(Kohaku, 4, before43),     Next(46, Crow)),
    Line(46, Speak(Crow, 9, before46),                         Listen(Kohaku, 4, before43),     Next(100)),
};

// The twins lose happily and let slip whose mansion it is; Kohaku confesses; Yuri will wait for the owner.
constexpr TalkStep kAfter[] = {
    // step  upper side                                       lower side                  advance
    Line(0,  Speak(Yuri, 6, after0),                          Empty,                      Next(1, Momo)),
    Line(1,  Listen(Yuri, 6, after0),                         Speak(Momo, 3, after1),     Next(2, Nono)),
    Line(2,  Listen(Yuri, 6, after0),                         Speak(Nono, 5, after2),     Next(3, Momo)),
    Line(3,  Listen(Yuri, 6, after0),                         Speak(Momo, 4, after3),     Next(4, Crow)),
    Line(4,  Speak(Crow, 3, after4),                          Listen(Momo, 4, after3),    Next(5, Yuri)),
    Line(5,  Speak(Yuri, 5, after5),                          Listen(Momo, 4, after3),    Next(6, Momo)),
    Line(6,  Listen(Crow, 6, after6Listen).NotLastSpeaker(),  Speak(Momo, 4, after6),     Next(10, Nono)),
    Line(10, Listen(Crow, 6, after6Listen).NotLastSpeaker(),  Speak(Nono, 3, after10),    Next(11, Kohaku)),
    Line(11, Listen(Crow, 6, after6Listen).NotLastSpeaker(),  Speak(Kohaku, 6, after11),  Next(12, Kohaku)),
    Line(12, Listen(Crow, 2, after12Listen).NotLastSpeaker(), Speak(Kohaku, 11, after12), Next(13, Kohaku)),
    Line(13, Listen(Crow, 2, after12Listen).NotLastSpeaker(), Speak(Kohaku, 1, after13),  Next(14, Nono)),
    Line(14, Listen(Crow, 2, after12Listen).NotLastSpeaker(), Speak(Nono, 3, after14),    Next(15, Yuri)),
    Line(15, Speak(Yuri, 4, after15),                         Listen(Nono, 3, after14),   Next(21, Yuri)),
    Line(21, Listen(Yuri, 4, after15),                        Speak(Momo, 3, after21),    Next(22, Nono)),
    Line(22, Listen(Yuri, 4, after15),                        Speak(Nono, 0, after22),    Next(23, Crow)),
    Line(23, Speak(Crow, 6, after23),                         Listen(Nono, 0, after22),   Next(24, Yuri)),
    Line(24, Speak(Yuri, 13, after24),                        Listen(Nono, 0, after22),   Next(25, Kohaku)),
    Line(25, Listen(Yuri, 13, after24),                       Speak(Kohaku, 3, after25),  Next(30, Yuri)),
    Line(30, Speak(Yuri, 10, after30),                        Listen(Kohaku, 3, after25), Next(31, Kohaku)),
    Line(31, Listen(Yuri, 10, after30),                       Speak(Kohaku, 1, after31),  Next(32, Nono)),
    Line(32, Listen(Yuri, 10, after30),                       Speak(Nono, 4, after32),    Next(33, Momo)),
    Line(33, Listen(Yuri, 3, after33Listen),                  Speak(Momo, 4, after33),    Next(34, Kohaku)),
    Line(34, Listen(Yuri, 3, after33Listen),                  Speak(Kohaku, 8, after34),  Next(35, Crow)),
    Line(35, Speak(Crow, 9, after35),                         Listen(Kohaku, 8, after34), Next(100)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage4Before{kBefore, {Music("BGM/Stage04Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage4After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage4Before() { talk::RunTalk(talk::kTalkYuriStage4Before); }
void UpdateTalkYuriStage4After() { talk::RunTalk(talk::kTalkYuriStage4After); }
