#include "game/state/GameGlobals.h"

PadWord PadWords[2] = {};
cPlayerBase* Player1 = nullptr;
cPlayerBase* Player2 = nullptr;
cBossBase* BossA = nullptr;
cBossBase* BossB = nullptr;
int32_t StageFrame = 0;
float ScrollX = 0.0f;
float ScrollY = 0.0f;
uint8_t ScrollHalt = 0;
cSoundTable SoundTable;
uint32_t BgmHandle = kNoSound;
