// A solid 40x40 map block placed from the stage's map grid. It draws nothing:
// the stage background shows the walls.
#pragma once

#include <cstdint>

class cMapHitObjectBase {
public:
    cMapHitObjectBase();
    virtual ~cMapHitObjectBase();
    virtual void SetPosition(const int32_t& px, const int32_t& py);
    virtual void Draw();

    int32_t x;
    int32_t y;
    int32_t blockKind;  // 0 solid; 1, 3, 7, 9 half-squares cut along a diagonal
    uint8_t isVisible;
    int32_t boxLeft;
    int32_t boxTop;
    int32_t boxRight;
    int32_t boxBottom;
};
