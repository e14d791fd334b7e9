// Any bytes as "KeyMap.ini" in a scratch program folder: the map is read,
// written back and read again to the same tables.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/shell/Input.h"
#include "game/shell/KeyConfig.h"

namespace {
bool NoJoystick(uint32_t, KestraJoystickState*) { return false; }
bool NoKey(uint32_t) { return false; }
bool NoPress(uint32_t*) { return false; }
const cInputSource kNoDevices = {NoJoystick, NoKey, NoPress};

const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/fuzz_keymap_XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made || chdir(made) != 0) std::abort();
        return std::string(made);
    }();
    return folder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    const std::string file = Folder() + "/KeyMap.ini";
    SetInputSource(&kNoDevices);
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) std::abort();
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
    LoadKeyMap();
    // Without pads every player in pad mode is forced onto the keyboard, except pad -1.
    for (int p = 0; p < 2; ++p)
        if (KeyMap.padNo[p] >= 0 && KeyMap.keyboard[p] != 1) std::abort();
    const cKeyMap first = KeyMap;
    SaveKeyMap();
    KeyMap = cKeyMap{};
    LoadKeyMap();
    if (std::memcmp(&first, &KeyMap, sizeof first) != 0) std::abort();
    return 0;
}
