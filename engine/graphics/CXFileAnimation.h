// The X-file loader's animation steps: an AnimationSet data object becomes an
// AnimasionSet of CAnimation children whose key tables hold the file's keys.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/graphics/CAnimation.h"
#include "platform/d3dx9/d3dx9xof.h"

namespace LibModel {

GUID TypeOf(ID3DXFileData* data);
// The object's name cut to size - 1 bytes ("" when it has none).
void NameOf(ID3DXFileData* data, char* out, size_t size);

// What a load may still read. Each child visited (a reference read again
// too) is taken as an object, and an object's values (its packed numbers)
// before any of them is read or allocated for, with the keys of a key table;
// past a limit the budget logs why and answers false, and the read ends there.
class ReadBudget {
public:
    virtual bool Take(uint32_t objects, uint64_t values, uint32_t tableKeys = 0) = 0;
    // The packed numbers of one data object.
    static uint64_t ValuesOf(ID3DXFileData* data);

protected:
    ~ReadBudget() = default;
};

// Names the set and reads each Animation child into a new CAnimation under it.
// False (the set ends there) when an object cannot be allocated or the budget
// (none: no limit) refuses.
bool LoadAnimationSet(ID3DXFileData* data, AnimasionSet* set, ReadBudget* budget = nullptr);

// The animation's target is its frame reference (or a Frame child); its
// AnimationKey children fill the tables. A key block whose size, key count or
// value counts disagree with what was read is skipped and logged. Keys are
// taken in time order. The set's length becomes this animation's largest key time.
bool LoadAnimation(ID3DXFileData* data, CAnimation* animation, AnimasionSet* set, ReadBudget* budget = nullptr);

}  // namespace LibModel
