// Per-player input words and the in-memory key map they are built from.
#pragma once

#include <cstdint>

#include "engine/core/KestraInput.h"
#include "game/state/GameGlobals.h"

constexpr int32_t kActionCount = 10;
constexpr int32_t kPadButtonActions = 6;  // SHOT .. MENU
constexpr uint8_t kNoPadButton = 16;

// Which keys and pad buttons make which bit, per player.
struct cKeyMap {
    uint8_t keys[2][kActionCount];          // DirectInput codes, action order
    uint8_t systemKeyboard;                 // non-zero: both devices for both players
    uint8_t buttons[2][kPadButtonActions];  // SHOT, DIRECT, ELEMENT, FORCE, CHANGE, MENU
    uint8_t keyboard[2];                    // 0 pad, anything else keyboard
    int8_t padNo[2];                        // -1 none
};
extern cKeyMap KeyMap;

// Builds both players' words from the devices; once per frame.
void UpdateInput();
// Pads present among joysticks 0 and 1, stopping at the first without a device.
uint32_t CountJoypads();
int32_t GetPadNumber(int32_t player);
int32_t GetKeyboardFlag(int32_t player);

// Where the game reads its devices; tests hand in their own.
struct cInputSource {
    bool (*joystick)(uint32_t index, KestraJoystickState* out);
    bool (*key)(uint32_t code);
    bool (*keyBuffer)(uint32_t* code);
};
// Null restores the engine's devices.
void SetInputSource(const cInputSource* source);
// One joystick's state; false (and nothing read) for an index outside 0..15 or
// a joystick without a device.
bool ReadJoystick(int32_t index, KestraJoystickState& state);
bool ReadKey(uint32_t code);
bool ReadKeyBuffer(uint32_t* code);
