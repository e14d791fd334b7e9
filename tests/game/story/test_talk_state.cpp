// The dialogue window's state at start and after a reset.
#include <gtest/gtest.h>

#include "game/story/TalkState.h"

namespace {

TEST(TalkStateReset, RestoresPositionsAndOnlyTheSixNamedCounters) {
    TalkState = cTalkState();
    EXPECT_EQ(TalkState.upperPortraitPos[0], 20);
    EXPECT_EQ(TalkState.lowerTextPos[1], 320);
    EXPECT_EQ(TalkState.step, 0);
    TalkState.step = 7;
    TalkState.nameCardFrame = 90;
    TalkState.exitOffset = 40;
    TalkState.upperBalloonPos[0] = 1;
    TalkState.lowerPortraitPos[1] = 2;
    for (int i = 0; i < 13; ++i) TalkState.slideCounter[i] = 20;
    ResetTalkState();
    EXPECT_EQ(TalkState.step, 0);
    EXPECT_EQ(TalkState.nameCardFrame, 0);
    EXPECT_EQ(TalkState.exitOffset, 40);
    EXPECT_EQ(TalkState.upperBalloonPos[0], 170);
    EXPECT_EQ(TalkState.lowerPortraitPos[1], 290);
    const int expected[13] = {0, 0, 0, 0, 0, 20, 20, 20, 20, 0, 20, 20, 20};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(TalkState.slideCounter[i], expected[i]) << i;
}

}  // namespace
