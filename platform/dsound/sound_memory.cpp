#include "platform/dsound/sound_memory.h"

#include <atomic>

#include "platform/win32/loaded_memory.h"

namespace platform::sound {
namespace {
std::atomic<uint64_t> gBudget{kSoundMemoryBudget};
platform::LoadedMemory gSounds;
}  // namespace

bool ReserveSoundMemory(uint64_t bytes) { return gSounds.Take(bytes, gBudget.load()); }

void FreeSoundMemory(uint64_t bytes) { gSounds.Give(bytes); }

uint64_t SoundMemoryLeft() { return gSounds.Left(gBudget.load()); }

void SetSoundMemoryBudget(uint64_t bytes) { gBudget = bytes ? bytes : kSoundMemoryBudget; }

}  // namespace platform::sound
