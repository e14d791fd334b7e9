#include "platform/win32/loaded_memory.h"

namespace platform {
namespace {

std::atomic<uint64_t> gBudget{kLoadedMemoryBudget};
std::atomic<uint64_t> gHeld{0};

// Takes bytes of a budget of `limit` of which `held` is used, in one step
// against other threads' takes.
bool TakeWithin(std::atomic<uint64_t>& held, uint64_t limit, uint64_t bytes) {
    uint64_t used = held.load();
    do {
        if (used > limit || bytes > limit - used) return false;
    } while (!held.compare_exchange_weak(used, used + bytes));
    return true;
}

uint64_t LeftWithin(const std::atomic<uint64_t>& held, uint64_t limit) {
    const uint64_t used = held.load();
    return used < limit ? limit - used : 0;
}

}  // namespace

bool LoadedMemory::Take(uint64_t bytes, uint64_t cap) {
    if (!TakeWithin(held_, cap, bytes)) return false;
    if (TakeWithin(gHeld, gBudget.load(), bytes)) return true;
    held_ -= bytes;
    return false;
}

void LoadedMemory::Give(uint64_t bytes) {
    held_ -= bytes;
    gHeld -= bytes;
}

uint64_t LoadedMemory::Left(uint64_t cap) const {
    const uint64_t kind = LeftWithin(held_, cap), process = LeftWithin(gHeld, gBudget.load());
    return kind < process ? kind : process;
}

void SetLoadedMemoryBudget(uint64_t bytes) { gBudget = bytes ? bytes : kLoadedMemoryBudget; }

}  // namespace platform
