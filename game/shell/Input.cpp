#include "game/shell/Input.h"

#include <cstring>

cKeyMap KeyMap = {};

namespace {

bool EngineJoystick(uint32_t index, KestraJoystickState* out) { return KestraInput::GetJoystickData(index, out); }
bool EngineKey(uint32_t code) { return KestraInput::GetKeyData(code); }
bool EngineKeyBuffer(uint32_t* code) { return KestraInput::GetKeyBuffer(code); }

const cInputSource kEngineSource = {EngineJoystick, EngineKey, EngineKeyBuffer};
const cInputSource* gSource = &kEngineSource;

uint16_t gPrevious[2] = {};
uint16_t gCurrent[2] = {};

constexpr int32_t kAxisThreshold = 21845;

uint16_t PadBits(int32_t player) {
    KestraJoystickState state;
    if (!ReadJoystick(KeyMap.padNo[player], state)) return 0;
    const int32_t x = state.axes[0];
    const int32_t y = state.axes[1];
    const uint32_t hat = state.pov[0];
    uint16_t bits = 0;
    if (y < -kAxisThreshold || hat == 0 || hat == 45 || hat == 315) bits |= PAD_UP;
    if (y > kAxisThreshold || hat == 135 || hat == 180 || hat == 225) bits |= PAD_DOWN;
    if (x < -kAxisThreshold || hat == 225 || hat == 270 || hat == 315) bits |= PAD_LEFT;
    if (x > kAxisThreshold || hat == 45 || hat == 90 || hat == 135) bits |= PAD_RIGHT;
    for (int32_t i = 0; i < kPadButtonActions; ++i) {
        const uint8_t button = KeyMap.buttons[player][i];
        // A saved index may exceed the pad's 48 buttons; it then never matches.
        if (button < KestraInput::kJoystickButtons && state.buttons[button] == 1)
            bits |= static_cast<uint16_t>(PAD_SHOT << i);
    }
    return bits;
}

uint16_t KeyboardBits(int32_t player) {
    uint16_t bits = 0;
    for (int32_t i = 0; i < kActionCount; ++i)
        if (ReadKey(KeyMap.keys[player][i])) bits |= static_cast<uint16_t>(1u << i);
    return bits;
}

}  // namespace

void SetInputSource(const cInputSource* source) { gSource = source ? source : &kEngineSource; }

bool ReadJoystick(int32_t index, KestraJoystickState& state) {
    if (index < 0 || index >= static_cast<int32_t>(KestraInput::kMaxJoysticks)) return false;
    std::memset(&state, 0, sizeof state);
    return gSource->joystick(static_cast<uint32_t>(index), &state);
}

bool ReadKey(uint32_t code) { return gSource->key(code); }

bool ReadKeyBuffer(uint32_t* code) { return gSource->keyBuffer(code); }

void UpdateInput() {
    for (int32_t player = 0; player < 2; ++player) {
        gPrevious[player] = gCurrent[player];
        uint16_t bits = 0;
        const uint8_t flag = KeyMap.keyboard[player];
        const bool both = KeyMap.systemKeyboard != 0;
        if (flag == 0 || both) bits |= PadBits(player);
        // Any non-zero flag reads the keyboard: a hand-edited 2 must not leave a dead player.
        if (flag != 0 || both) bits |= KeyboardBits(player);
        gCurrent[player] = bits;
        const uint16_t p = gPrevious[player];
        const uint16_t c = gCurrent[player];
        PadWords[player].idle = static_cast<uint16_t>(~p & ~c);
        PadWords[player].pushed = static_cast<uint16_t>(~p & c);
        PadWords[player].held = static_cast<uint16_t>(p & c);
        PadWords[player].released = static_cast<uint16_t>(p & ~c);
    }
}

uint32_t CountJoypads() {
    KestraJoystickState state;
    uint32_t count = 0;
    while (count < 2 && ReadJoystick(static_cast<int32_t>(count), state)) ++count;
    return count;
}

int32_t GetPadNumber(int32_t player) {
    if (player < 0 || player > 1) return -1;
    return KeyMap.padNo[player];
}

int32_t GetKeyboardFlag(int32_t player) {
    if (player < 0 || player > 1) return -1;
    return KeyMap.keyboard[player];
}
