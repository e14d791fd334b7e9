#include "game/story/TalkState.h"

#include <cstring>
#include <initializer_list>

#include "game/state/ScreenLayout.h"

cTalkState TalkState;

namespace {
enum : int32_t { kYuri = 0, kCrow = 1, kCheska = 2, kOsero = 3, kShamyu = 4, kKohaku = 9 };

void Set(int32_t (&pair)[2], int32_t x, int32_t y) {
    pair[0] = x;
    pair[1] = y;
}

void SetPositions(cTalkState& t) {
    using namespace layout;
    Set(t.upperPortraitPos, kUpperPortrait.x, kUpperPortrait.y);
    Set(t.lowerPortraitPos, kLowerPortrait.x, kLowerPortrait.y);
    Set(t.upperBalloonPos, kUpperBalloon.x, kUpperBalloon.y);
    Set(t.lowerBalloonPos, kLowerBalloon.x, kLowerBalloon.y);
    Set(t.upperTextPos, kUpperText.x, kUpperText.y);
    Set(t.lowerTextPos, kLowerText.x, kLowerText.y);
}
}  // namespace

cTalkState::cTalkState() {
    std::memset(this, 0, sizeof *this);
    SetPositions(*this);
}

void ResetTalkState() {
    cTalkState& t = TalkState;
    t.step = 0;
    t.nameCardFrame = 0;
    SetPositions(t);
    for (int32_t who : {kYuri, kCrow, kCheska, kOsero, kShamyu, kKohaku}) t.slideCounter[who] = 0;
}
