// The elements. A player absorbs enemy bullets of its own element, and its
// shots do half damage to enemies of it. Enemy bullets also come hurting every
// player, as invisible emitters of one of the two (less kFireEmitter), and
// cancelled, for either player to absorb.
#pragma once

#include <cstdint>

namespace elements {
enum Kind : int32_t { kFire = 0, kIce = 1, kEveryone = 2, kFireEmitter = 3, kIceEmitter = 4, kCancelled = 10 };

// The other of the two; anything else turns to fire.
constexpr Kind Opposite(Kind k) { return k == kFire ? kIce : kFire; }

// An element computed as a number (a random pick, a loop over the two) or read
// from a stage file. The fixed 32-bit type holds every such number unchanged,
// so an unnamed one from a damaged file draws and hits as it always did.
constexpr Kind FromNumber(int32_t n) { return static_cast<Kind>(n); }
}  // namespace elements
