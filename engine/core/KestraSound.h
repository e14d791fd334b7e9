// Sound slots. At present the module keeps its configured slot count and starts
// and finishes without opening a sound device.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace KestraSound {
// Slot count for the next start; 0 means 64.
void SetMaxSounds(uint32_t count);
uint32_t GetMaxSounds();
bool Initialize();
void Finalize();
bool IsStarted();
// The DirectSound object (null without a sound device).
IUnknown* GetDirectSound();
}  // namespace KestraSound
