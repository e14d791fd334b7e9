// The engine's Mersenne-Twister seed.
#include "engine/core/KestraRandom.h"

#include <cstring>

#include "engine/core/CCriticalSection.h"

namespace {
uint32_t g_state[Kestra::kRandomStateWords];
uint32_t g_index = Kestra::kRandomStateWords + 1;  // not seeded

CCriticalSection& RandomLock() {
    static CCriticalSection lock;
    return lock;
}
}  // namespace

namespace Kestra {

void SeedRandom(uint32_t seed) {
    CCriticalSectionLock lock(RandomLock());
    g_state[0] = seed;
    for (uint32_t i = 1; i < kRandomStateWords; ++i)
        g_state[i] = 1812433253u * (g_state[i - 1] ^ (g_state[i - 1] >> 30)) + i;
    g_index = kRandomStateWords;
}

void GetRandomState(uint32_t words[kRandomStateWords], uint32_t* index) {
    CCriticalSectionLock lock(RandomLock());
    if (words) memcpy(words, g_state, sizeof(g_state));
    if (index) *index = g_index;
}

}  // namespace Kestra
