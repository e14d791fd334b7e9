// Any bytes as the volume file: the two numbers are read or kept, never past
// the input.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/shell/ConfigScreen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    std::vector<char> text(data, data + size);
    int32_t music = 90, effects = 90;
    ParseVolumeText(text.data(), text.size(), music, effects);
    // A line without a first number keeps both.
    if (size == 0 && (music != 90 || effects != 90)) std::abort();
    return 0;
}
