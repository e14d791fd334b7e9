#include "game/state/cBossBase.h"

namespace {
constexpr int32_t kBoxSize = 40;
}

cBossBase::cBossBase()
    : hp(0.0f),
      maxHp(0.0f),
      phase(0),
      secondsLeft(20),
      phaseTimer(0),
      animFrame(0),
      lastHitter(0),
      element(0),
      appearFrame(0),
      radius(40),
      active(0),
      attackRunning(1),
      x(10.0f),
      y(10.0f),
      bannerX(640),
      moveAngle(0),
      shotAngle(0),
      moveSpeed(0.5f),
      bonusRects{},
      hitBox{},
      circleAngle(0),
      nameX(270),
      nameY(50),
      hpTable{},
      timeTable{},
      bonusTable{100000, 100000, 100000, 100000, 100000, 0},
      lastBonus(0),
      bonusValid(1) {}

cBossBase::~cBossBase() = default;

void cBossBase::SetPosition(int32_t* px, int32_t* py) {
    x = static_cast<float>(*px);
    y = static_cast<float>(*py);
    hitBox[0] = static_cast<int32_t>(x);
    hitBox[1] = static_cast<int32_t>(y);
    hitBox[2] = static_cast<int32_t>(x + kBoxSize);
    hitBox[3] = static_cast<int32_t>(y + kBoxSize);
}

void cBossBase::ResetPhase() {
    phase = 0;
    phaseTimer = 0;
}

// The stage bosses override these; the base bodies come with the phase machine.
void cBossBase::Update() {}
void cBossBase::HitTest() {}
void cBossBase::Draw() {}
void cBossBase::DrawLifeGauge() {}
void cBossBase::DrawSpellBanner() {}
void cBossBase::DrawSpellBonus() {}
void cBossBase::NextPhase() {}
void cBossBase::MoveTo(float, float, float) {}
