// What the process holds of loaded data at once: textures, sounds and the
// engine's whole-file loads (transient ones included) draw on one budget, each
// kind within its own cap as well. Every cap may be filled alone, but not all
// of them together: that is what keeps any set of files within the memory the
// program is allowed, however each file stays within its kind's cap.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// The game holds about 100 MB of it at its heaviest (the last stage's sheets
// with the common ones; its sounds are under 3 MB); a texture card's 256 MB
// and the sounds' 128 MB fill it together.
constexpr uint64_t kLoadedMemoryBudget = uint64_t{384} << 20;

// One kind's share: what it holds, counted against its cap and the process's
// budget at once.
class LoadedMemory {
public:
    // Takes bytes of both; false, with nothing taken, when either has fewer left.
    bool Take(uint64_t bytes, uint64_t cap = UINT64_MAX);
    // Gives back what a Take took.
    void Give(uint64_t bytes);
    // What the kind may still take: the less of its cap's and the process's.
    uint64_t Left(uint64_t cap = UINT64_MAX) const;

private:
    std::atomic<uint64_t> held_{0};
};

// For tests: a smaller process budget (0 restores kLoadedMemoryBudget). What
// is held stays counted.
void SetLoadedMemoryBudget(uint64_t bytes);

}  // namespace platform
