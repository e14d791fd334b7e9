// The dialogue window's state: positions, the talk step and the portrait
// slide counters that the talk scripts and the portrait draws share.
#pragma once

#include <cstdint>

class cTalkState {
public:
    cTalkState();

    float srcRect[4];
    float dstRect[4];
    int32_t upperPortraitPos[2];
    int32_t lowerPortraitPos[2];
    int32_t upperBalloonPos[2];
    int32_t lowerBalloonPos[2];
    int32_t exitOffset;
    int32_t upperTextPos[2];
    int32_t lowerTextPos[2];
    int32_t step;
    // Yuri, Crow, Cheska, Osero, Shamyu, Fururu, Still, Momo, Nono, Kohaku, Palet, Copic, Deena.
    int32_t slideCounter[13];
    int32_t nameCardFrame;
};
extern cTalkState TalkState;

// Talk step and name card back to 0, the window's positions to their defaults,
// and the slide counters of Yuri, Crow, Cheska, Osero, Shamyu and Kohaku to 0.
void ResetTalkState();
