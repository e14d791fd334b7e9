// Team 1 (Yuri and Crow), stage 2: the talks before and after the fight with Fururu.
// How to write these tables: game/story/TalkScript.h.
#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/YuriStage2.h"

namespace talk {
namespace {

using namespace talktext::YuriStage2;

// In the sky garden: Yuri wants to dig up the beds; Crow names the flowers and wins a heart.
constexpr TalkStep kBefore[] = {
    // step  upper side                                        lower side                         advance
    Line(0,  Empty,                                            Speak(Fururu, 4, before0),         Next(1, Fururu)),
    Line(1,  Listen(Yuri, 10, before1Listen).NotLastSpeaker(), Speak(Fururu, 5, before1),         Next(2, Yuri)),
    Line(2,  Speak(Yuri, 10, before2),                         Listen(Fururu, 5, before1),        Next(3, Yuri)),
    Line(3,  Speak(Yuri, 13, before3),                         Listen(Fururu, 2, before3Listen),  Next(4, Crow)),
    Line(4,  Speak(Crow, 9, before4),                          Listen(Fururu, 2, before3Listen),  Next(5, Crow)),
    Line(5,  Speak(Crow, 7, before5),                          Listen(Fururu, 3, before5Listen),  Next(6, Fururu)),
    Line(6,  Listen(Crow, 7, before5),                         Speak(Fururu, 3, before6),         Next(7, Kohaku)),
    Line(7,  Listen(Crow, 7, before5),                         Speak(Kohaku, 1, before7),         Next(8, Fururu)),
    Line(8,  Listen(Crow, 7, before5),                         Speak(Fururu, 4, before8),         Next(9, Fururu)).Card(6),
    Line(9,  Listen(Crow, 8, before9Listen),                   Speak(Fururu, 5, before9),         Next(10, Kohaku)).Card(6),
    Line(10, Listen(Crow, 8, before9Listen),                   Speak(Kohaku, 5, before10),        Next(11, Kohaku)),
    Line(11, Listen(Crow, 8, before9Listen),                   Speak(Kohaku, 1, before11),        Next(15, Yuri)),
    Line(15, Speak(Yuri, 8, before15),                         Listen(Kohaku, 1, before11),       Next(16, Fururu)),
    Line(16, Listen(Yuri, 8, before15),                        Speak(Fururu, 1, before16),        Next(17, Kohaku)),
    Line(17, Listen(Yuri, 8, before15),                        Speak(Kohaku, 6, before17),        Next(18, Crow)),
    Line(18, Speak(Crow, 3, before18),                         Listen(Kohaku, 6, before17),       Next(19, Fururu)),
    Line(19, Listen(Crow, 3, before18),                        Speak(Fururu, 3, before19),        Next(20, Fururu)),
    Line(20, Listen(Crow, 6, before20Listen),                  Speak(Fururu, 5, before20),        Next(24, Yuri)),
    Line(24, Speak(Yuri, 2, before24),                         Listen(Fururu, 5, before20),       Next(25, Crow)),
    Line(25, Speak(Crow, 8, before25),                         Listen(Fururu, 5, before20),       Next(26, Yuri)),
    Line(26, Speak(Yuri, 13, before26),                        Listen(Fururu, 5, before20),       Next(27, Fururu)),
    Line(27, Listen(Yuri, 13, before26),                       Speak(Fururu, 1, before27),        Next(28, Yuri)),
    Line(28, Speak(Yuri, 7, before28),                         Listen(Fururu, 1, before27),       Next(29, Crow)),
    Line(29, Speak(Crow, 4, before29),                         Listen(Fururu, 1, before27),       Next(30, Yuri)),
    Line(30, Speak(Yuri, 11, before30),                        Listen(Fururu, 1, before27),       Next(31, Yuri)),
    Line(31, Speak(Yuri, 13, before31),                        Listen(Fururu, 1, before27),       Next(35, Kohaku)),
    Line(35, Listen(Yuri, 13, before31),                       Speak(Kohaku, 2, before35),        Next(36, Fururu)),
    Line(36, Listen(Yuri, 13, before31),                       Speak(Fururu, 1, before36),        Next(37, Yuri)),
    Line(37, Speak(Yuri, 2, before37),                         Listen(Fururu, 1, before36),       Next(38, Crow)),
    Line(38, Speak(Crow, 5, before38),                         Listen(Fururu, 1, before36),       Next(100, Yuri)),
};

// Fururu and Crow talk flowers; she gives him one and promises to hold up anyone who follows.
constexpr TalkStep kAfter[] = {
    // step  upper side                                       lower side                                         advance
    Line(0,  Empty,                                           Speak(Fururu, 2, after0),                          Next(1, Fururu)),
    Line(1,  Empty,                                           Speak(Fururu, 4, after1),                          Next(2, Crow)),
    Line(2,  Speak(Crow, 1, after2),                          Listen(Fururu, 4, after1),                         Next(3, Kohaku)),
    Line(3,  Listen(Crow, 1, after2),                         Speak(Kohaku, 5, after3),                          Next(4, Yuri)),
    Line(4,  Speak(Yuri, 8, after4),                          Listen(Kohaku, 5, after3),                         Next(10, Yuri)),
    Line(10, Speak(Yuri, 10, after10),                        Listen(Kohaku, 6, after10Listen),                  Next(11, Kohaku)),
    Line(11, Listen(Yuri, 10, after10),                       Speak(Kohaku, 6, after11),                         Next(12, Fururu)),
    Line(12, Listen(Yuri, 10, after10),                       Speak(Fururu, 4, after12),                         Next(13, Crow)),
    Line(13, Speak(Crow, 1, after13),                         Listen(Fururu, 4, after12),                        Next(14, Yuri)),
    Line(14, Speak(Yuri, 11, after14),                        Listen(Fururu, 4, after14Listen),                  Next(15, Yuri)),
    Line(15, Speak(Yuri, 2, after15),                         Listen(Kohaku, 1, after15Listen).NotLastSpeaker(), Next(16, Kohaku)),
    Line(16, Listen(Yuri, 2, after15),                        Speak(Kohaku, 1, after16),                         Next(17, Crow)),
    Line(17, Speak(Crow, 6, after17),                         Listen(Kohaku, 1, after16),                        Next(18, Yuri)),
    Line(18, Speak(Yuri, 2, after18),                         Listen(Kohaku, 1, after16),                        Next(19, Kohaku)),
    Line(19, Listen(Yuri, 2, after18),                        Speak(Kohaku, 5, after19),                         Next(30, Yuri)),
    Line(30, Speak(Yuri, 11, after30),                        Listen(Kohaku, 5, after19),                        Next(31, Fururu)),
    Line(31, Listen(Crow, 1, after31Listen).NotLastSpeaker(), Speak(Fururu, 3, after31),                         Next(32, Crow)),
    Line(32, Speak(Crow, 1, after32),                         Listen(Fururu, 3, after31),                        Next(33, Fururu)),
    Line(33, Listen(Crow, 1, after32),                        Speak(Fururu, 5, after33),                         Next(34, Crow)),
    Line(34, Speak(Crow, 7, after34),                         Listen(Fururu, 5, after33),                        Next(40, Fururu)),
    Line(40, Listen(Crow, 7, after34),                        Speak(Fururu, 3, after40),                         Next(41, Fururu)),
    Line(41, Listen(Crow, 7, after34),                        Speak(Fururu, 4, after41),                         Next(42, Crow)),
    Line(42, Speak(Crow, 1, after42),                         Listen(Fururu, 4, after41),                        Next(43, Fururu)),
    Line(43, Listen(Crow, 1, after42),                        Speak(Fururu, 1, after43),                         Next(44, Crow)),
    Line(44, Speak(Crow, 6, after44),                         Listen(Fururu, 3, after44Listen),                  Next(45, Yuri)),
    Line(45, Speak(Yuri, 16, after45),                        Listen(Fururu, 3, after44Listen),                  Next(50, Crow)),
    Line(50, Speak(Crow, 4, after50),                         Listen(Fururu, 3, after44Listen),                  Next(51, Fururu)),
    Line(51, Listen(Crow, 4, after50),                        Speak(Fururu, 5, after51),                         Next(52, Crow)),
    Line(52, Speak(Crow, 8, after52),                         Listen(Fururu, 5, after51),                        Next(53, Yuri)),
    Line(53, Speak(Yuri, 13, after53),                        Listen(Fururu, 5, after51),                        Next(100, Crow)),
};

}  // namespace

constexpr TalkScript kTalkYuriStage2Before{kBefore, {Music("BGM/Stage02Boss.ogg"), NextPhaseA, ResetWindow}};
constexpr TalkScript kTalkYuriStage2After{kAfter, {PlayState, NextPhaseA, ResetWindow}};

}  // namespace talk

void UpdateTalkYuriStage2Before() { talk::RunTalk(talk::kTalkYuriStage2Before); }
void UpdateTalkYuriStage2After() { talk::RunTalk(talk::kTalkYuriStage2After); }
