// Music (use flag 4): the slot table over a DirectMusic loader. Without a
// DirectMusic implementation the start fails with its red line.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace KestraMusic {
// Slot count for the next start; 0 means 64.
void SetMaxMusic(uint32_t count);
bool Initialize();
void Finalize();
void ReleaseSlot(uint32_t slot);
bool IsStarted();
}  // namespace KestraMusic
