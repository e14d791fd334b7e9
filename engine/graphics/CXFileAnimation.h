// The X-file loader's animation steps: an AnimationSet data object becomes an
// AnimasionSet of CAnimation children whose key tables hold the file's keys.
#pragma once

#include <cstddef>

#include "engine/graphics/CAnimation.h"
#include "platform/d3dx9/d3dx9xof.h"

namespace LibModel {

GUID TypeOf(ID3DXFileData* data);
// The object's name cut to size - 1 bytes ("" when it has none).
void NameOf(ID3DXFileData* data, char* out, size_t size);

// Names the set and reads each Animation child into a new CAnimation under it.
// False (the set ends there) only when an object cannot be allocated.
bool LoadAnimationSet(ID3DXFileData* data, AnimasionSet* set);

// The animation's target is its frame reference (or a Frame child); its
// AnimationKey children fill the tables. A key block whose size, key count or
// value counts disagree with what was read is skipped and logged. Keys are
// taken in time order. The set's length becomes this animation's largest key time.
bool LoadAnimation(ID3DXFileData* data, CAnimation* animation, AnimasionSet* set);

}  // namespace LibModel
