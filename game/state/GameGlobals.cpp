#include "game/state/GameGlobals.h"

#include <algorithm>

#include "engine/core/KestraSound.h"
#include "game/state/GameState.h"

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

void ChangeMusic(const char* file) {
    if (BgmHandle != kNoSound) KestraSound::Release(BgmHandle);
    BgmHandle = KestraSound::CreateFromFile(file, 0, true, false, 1);
    KestraSound::SetVolume(BgmHandle, static_cast<float>(std::clamp(GameState.bgmVolume, 0, 100)), 0);
    KestraSound::Loop(BgmHandle, 0xFFFFFFFFu, 0, 0);
}
