// What the process's sounds hold in memory: the samples of secondary
// DirectSound buffers and the bytes the player library keeps of its sounds,
// counted together against one budget, which is also a share of the process's
// budget for loaded data (platform/win32/loaded_memory.h). A sound that would
// pass either is refused before anything of it is allocated or read.
#pragma once

#include <cstdint>

namespace platform::sound {

// The game's own sounds hold under 3 MB at once: its effects (1.3 MB at the
// title, 1.7 MB with every stage's) and one piece of music (at most 1.2 MB).
// The budget is over forty times that: room for a twelve-minute piece as
// CD-quality PCM.
constexpr uint64_t kSoundMemoryBudget = uint64_t{128} << 20;
// The most one buffer of samples may take (an effect's; music comes in the
// player's blocks): 95 s of CD-quality sound, so that a file dropped in place of
// an effect cannot take the room every other sound needs.
constexpr uint64_t kMostOneBuffer = uint64_t{16} << 20;

// Takes `bytes` of the budget; false, with nothing taken, when fewer are left
// of it or of the process's.
bool ReserveSoundMemory(uint64_t bytes);
// Gives back what a reservation took.
void FreeSoundMemory(uint64_t bytes);
uint64_t SoundMemoryLeft();

// For tests: a smaller budget (0 restores kSoundMemoryBudget). What is held
// stays counted.
void SetSoundMemoryBudget(uint64_t bytes);

}  // namespace platform::sound
