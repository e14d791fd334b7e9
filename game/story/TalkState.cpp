#include "game/story/TalkState.h"

#include <cstring>
#include <initializer_list>

cTalkState TalkState;

namespace {
enum : int32_t { kYuri = 0, kCrow = 1, kCheska = 2, kOsero = 3, kShamyu = 4, kKohaku = 9 };

void Set(int32_t (&pair)[2], int32_t x, int32_t y) {
    pair[0] = x;
    pair[1] = y;
}

void SetPositions(cTalkState& t) {
    Set(t.upperPortraitPos, 20, 50);
    Set(t.lowerPortraitPos, 460, 290);
    Set(t.upperBalloonPos, 170, 70);
    Set(t.lowerBalloonPos, 30, 300);
    Set(t.upperTextPos, 200, 100);
    Set(t.lowerTextPos, 50, 320);
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
