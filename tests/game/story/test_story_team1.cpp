// Team 1's eighteen talks run as the bosses run them, once a frame with player
// 1's ELEMENT held: the lines each shows, the frame its end step runs in, the
// name cards it fades in and its end actions in order. Then the steps that draw
// something unusual: Yuri walking off, her call from off screen, Kohaku
// trembling, and the narration boxes.
#include <algorithm>
#include <string>
#include <vector>

#include "game/state/BossTalk.h"
#include "tests/game/story/talk_fixture.h"

namespace {

using talktest::Draw;
using talktest::OfSlot;
constexpr int32_t kText = -1, kYuri = 12, kKohaku = 17, kBalloon = 25, kCard = 26;

class Team1Talk : public talktest::TalkTest {};

// As the game's talk tables give them: lines (and on difficulty 0), the end
// actions in order (M music, P play sub-state, A or B that boss's NextPhase, R
// window reset), the music, and "card:alpha" of each frame showing a name card.
struct Case {
    void (*run)();
    int lines, easyLines;
    const char* end;
    const char* music;
    const char* cards;
};
const Case kCases[] = {
    {UpdateTalkYuriStage1Before, 28, 28, "MAR", "BGM/Stage01Boss.ogg", "0:10 1:10 4:10 4:20 4:30 4:40 4:50 5:10 "},
    {UpdateTalkYuriStage1After, 17, 17, "PAR", nullptr, ""},
    {UpdateTalkYuriStage2Before, 30, 30, "MAR", "BGM/Stage02Boss.ogg", "6:10 6:20 "},
    {UpdateTalkYuriStage2After, 30, 30, "PAR", nullptr, ""},
    {UpdateTalkYuriStage3Before, 48, 48, "MPAR", "BGM/Stage03Boss.ogg", "7:10 7:20 7:30 7:40 7:50 "},
    {UpdateTalkYuriStage3After, 24, 24, "PAR", nullptr, ""},
    {UpdateTalkYuriStage4Before, 32, 32, "MAR", "BGM/Stage04Boss.ogg", "8:10 9:10 9:20 "},
    {UpdateTalkYuriStage4After, 24, 24, "PAR", nullptr, ""},
    {UpdateTalkYuriStage5MidBefore, 26, 26, "PAR", nullptr, "3:10 3:20 3:30 "},
    {UpdateTalkYuriStage5MidAfter, 15, 15, "PAR", nullptr, ""},
    {UpdateTalkYuriStage5Before, 38, 38, "PBRM", "BGM/Stage05Boss.ogg", "2:10 2:20 "},
    {UpdateTalkYuriStage5After, 53, 53, "BRM", "BGM/EDTalk.ogg", ""},
    {UpdateTalkYuriStage5Ending, 25, 23, "BR", nullptr, ""},
    {UpdateTalkYuriStage6MidBefore, 47, 47, "PAMR", "BGM/Stage06Boss_01.ogg", "10:10 10:20 10:30 11:10 11:20 11:30 "},
    {UpdateTalkYuriStage6MidAfter, 17, 17, "MPAR", "BGM/Stage06.ogg", ""},
    {UpdateTalkYuriStage6Before, 36, 36, "MPBR", "BGM/Stage06Boss_02.ogg", "12:10 12:20 12:30 12:40 "},
    {UpdateTalkYuriStage6After, 21, 21, "MPBR", "BGM/EDTalk.ogg", ""},
    {UpdateTalkYuriStage6Ending, 40, 40, "PBR", nullptr, ""},
};

// The music loads and NextPhase calls the end actions leave, in order.
std::vector<std::string> ExpectedEnd(const Case& c) {
    std::vector<std::string> out;
    int subState = kSubStateDialogue, step = 100;
    for (const char* a = c.end; *a; ++a) {
        if (*a == 'M') out.push_back(std::string("KestraSound::CreateFromFile ") + c.music + " 0 1 0 1 = 4294967295");
        if (*a == 'P') subState = kSubStatePlay;
        if (*a == 'R') step = 0;
        if (*a == 'A' || *a == 'B')
            out.push_back(std::string("NextPhase ") + *a + " subState " + std::to_string(subState) + " step " +
                          std::to_string(step));
    }
    return out;
}

TEST_F(Team1Talk, EveryTalkShowsItsLinesCardsAndEndActionsWithElementHeldOnEachDifficulty) {
    for (const Case& c : kCases)
        for (int difficulty : {0, 1, 2}) {
            SCOPED_TRACE(std::string(c.end) + " talk of " + std::to_string(c.lines) + " lines, difficulty " +
                         std::to_string(difficulty));
            Restart();
            GameState.difficulty = difficulty;
            const WholeTalk whole = PlayWhole(c.run);
            std::string cards;
            for (const TalkFrame& f : whole.frames)
                for (const Draw& card : OfSlot(f.draws, kCard))
                    cards += std::to_string(int(card.src[1] / 90) + (card.src[0] == 0 ? 0 : 2)) + ":" +
                             std::to_string(card.color >> 24) + " ";
            const int expected = difficulty == 0 ? c.easyLines : c.lines;
            EXPECT_EQ(whole.Lines(), expected);
            EXPECT_EQ(int(whole.frames.size()), expected + 1) << "the end step runs in the frame after the last line";
            EXPECT_TRUE(whole.frames.back().draws.empty()) << "the end step draws nothing";
            EXPECT_EQ(cards, c.cards);
            EXPECT_EQ(whole.ends, ExpectedEnd(c));
            EXPECT_EQ(GameState.subState, std::string(c.end).find('P') != std::string::npos ? 0 : kSubStateDialogue);
            EXPECT_EQ(TalkState.step, 0);
            EXPECT_EQ(TalkState.nameCardFrame, 0);
        }
}

TEST_F(Team1Talk, YuriWalksOffInStageThreeStepElevenAndCallsFromOffScreenInTwelve) {
    PlayTo(UpdateTalkYuriStage3Before, 10);
    for (int32_t into : {11, 12, 13}) {
        TalkState.exitOffset = 55;  // whatever was left: each advance around her exit clears it
        Frame(UpdateTalkYuriStage3Before, PAD_SHOT);
        ASSERT_EQ(TalkState.step, into);
        EXPECT_EQ(TalkState.exitOffset, 0);
        for (int f = 1; f <= 25 && into < 13; ++f) {
            const std::vector<Draw> frame = Frame(UpdateTalkYuriStage3Before);
            if (into == 11) {  // sliding in over 20 frames while she walks off 10 px a frame; lower side empty
                ASSERT_EQ(frame.size(), 3u);
                EXPECT_EQ(frame[1].slot, kYuri);
                EXPECT_EQ(frame[1].dst[0], float(20 - 2 * (20 - std::min(f, 20)) - 10 * f)) << f;
            } else {  // a balloon of the second style without a portrait, its text 20 px right
                ASSERT_EQ(frame.size(), 2u);
                EXPECT_TRUE(frame[0].slot == kBalloon && frame[0].src[1] == 145 && frame[0].dst[1] == 70);
                EXPECT_TRUE(frame[1].slot == kText && frame[1].x == 220 && frame[1].y == 100);
            }
        }
    }
}

// Kohaku trembles translucent where the talks say, speaking or listening, on
// her side of the window; her cycle never runs past 8. Narration boxes stand
// lower in the third balloon style, with their text and nothing else.
TEST_F(Team1Talk, KohakuTremblesAndNarrationBoxesStandWhereTheTalksSay) {
    enum Kind { Shakes, Speaks, Box };
    struct Special {
        void (*run)();
        int32_t step;
        Kind kind;
        bool upper, speaking;
    };
    const Special kSpecials[] = {
        {UpdateTalkYuriStage3Before, 44, Shakes, false, true}, {UpdateTalkYuriStage3Before, 45, Shakes, false, true},
        {UpdateTalkYuriStage3Before, 50, Shakes, false, false}, {UpdateTalkYuriStage3Before, 51, Shakes, false, false},
        {UpdateTalkYuriStage3Before, 52, Speaks, false, true}, {UpdateTalkYuriStage5Ending, 30, Shakes, false, true},
        {UpdateTalkYuriStage5Ending, 31, Shakes, false, false}, {UpdateTalkYuriStage6Before, 15, Shakes, true, true},
        {UpdateTalkYuriStage6Before, 20, Shakes, true, false}, {UpdateTalkYuriStage6Before, 21, Shakes, true, false},
        {UpdateTalkYuriStage6Before, 22, Speaks, true, true},  {UpdateTalkYuriStage5Ending, 32, Box},
        {UpdateTalkYuriStage5Ending, 36, Box},                 {UpdateTalkYuriStage6Ending, 0, Box},
        {UpdateTalkYuriStage6Ending, 64, Box},
    };
    const int32_t kCycle[] = {1, 2, 3, 4, -5, -6, -7, -8};
    for (const Special& s : kSpecials) {
        SCOPED_TRACE("step " + std::to_string(s.step));
        Restart();
        PlayTo(s.run, s.step);  // the real advances, with the counters they zero
        for (int f = 0; f < 12; ++f) {
            const std::vector<Draw> frame = Frame(s.run);
            if (s.kind == Box) {
                ASSERT_EQ(frame.size(), 2u);
                EXPECT_TRUE(frame[0].slot == kBalloon && frame[0].src[0] == 440 && frame[0].src[1] == 290 &&
                            frame[0].dst[0] == 30 && frame[0].dst[1] == 300 && frame[0].color == 0xFFFFFFFFu);
                EXPECT_TRUE(frame[1].slot == kText && frame[1].x == 50 && frame[1].y == 320);
                continue;
            }
            const std::vector<Draw> kohaku = OfSlot(frame, kKohaku);
            ASSERT_EQ(kohaku.size(), 1u);
            EXPECT_EQ(kohaku[0].dst[1], s.upper ? 50.0f : 290.0f);
            EXPECT_EQ(kohaku[0].color == 0x87FFFFFFu, s.kind == Shakes);
            const int32_t offset = int32_t(kohaku[0].dst[0]) - (s.upper ? 20 - 40 : 460 + 40);
            const bool inCycle = std::count(kCycle, kCycle + 8, offset) && TalkState.slideCounter[talk::Kohaku] <= 8;
            EXPECT_TRUE(s.kind != Shakes || inCycle) << offset;
            for (const Draw& b : OfSlot(frame, kBalloon))
                EXPECT_TRUE((b.dst[1] == 70) != s.upper || b.color == (s.speaking ? 0xFFFFFFFFu : 0xB4FFFFFFu));
        }
    }
}

}  // namespace
