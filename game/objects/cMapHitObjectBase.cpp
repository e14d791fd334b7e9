#include "game/objects/cMapHitObjectBase.h"

cMapHitObjectBase::cMapHitObjectBase()
    : x(0), y(0), blockKind(0), isVisible(0), boxLeft(0), boxTop(0), boxRight(40), boxBottom(40) {}

cMapHitObjectBase::~cMapHitObjectBase() = default;

void cMapHitObjectBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = px;
    y = py;
    boxLeft = px;
    boxTop = py;
    boxRight = px + 40;
    boxBottom = py + 40;
}

void cMapHitObjectBase::Draw() {}
