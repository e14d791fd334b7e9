// Team 1's talks at the steps that draw something unusual: Yuri walking off,
// her call from off screen, Kohaku trembling, and the narration boxes. (Every
// talk played whole, lines, cards and end actions: test_talk_runner.cpp.)
#include <algorithm>
#include <string>
#include <vector>

#include "game/state/BossTalk.h"
#include "tests/game/story/talk_fixture.h"

namespace {

using talktest::Draw;
using talktest::OfSlot;
constexpr int32_t kText = -1, kYuri = 12, kKohaku = 17, kBalloon = 25;

class Team1Talk : public talktest::TalkTest {};

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
