#include "platform/dsound/sound_memory.h"

#include <atomic>

namespace platform::sound {
namespace {
std::atomic<uint64_t> gBudget{kSoundMemoryBudget};
std::atomic<uint64_t> gUsed{0};
}  // namespace

bool ReserveSoundMemory(uint64_t bytes) {
    const uint64_t budget = gBudget.load();
    uint64_t used = gUsed.load();
    do {
        if (used > budget || bytes > budget - used) return false;
    } while (!gUsed.compare_exchange_weak(used, used + bytes));
    return true;
}

void FreeSoundMemory(uint64_t bytes) { gUsed -= bytes; }

uint64_t SoundMemoryLeft() {
    const uint64_t budget = gBudget.load(), used = gUsed.load();
    return used < budget ? budget - used : 0;
}

void SetSoundMemoryBudget(uint64_t bytes) { gBudget = bytes ? bytes : kSoundMemoryBudget; }

}  // namespace platform::sound
