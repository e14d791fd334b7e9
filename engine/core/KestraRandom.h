// The engine's Mersenne-Twister generator state (seeded at start).
#pragma once

#include <cstdint>

namespace Kestra {
constexpr uint32_t kRandomStateWords = 624;
// Fills the MT19937 state from the seed by the published initialisation.
void SeedRandom(uint32_t seed);
// Copies the 624 state words and the index.
void GetRandomState(uint32_t words[kRandomStateWords], uint32_t* index);
}  // namespace Kestra
