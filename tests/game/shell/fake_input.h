// Keyboard and pads that a test sets by hand, handed to the game as its devices.
#pragma once

#include <cstring>
#include <deque>

#include "game/shell/Input.h"

namespace shelltest {

struct FakeDevices {
    bool keys[256] = {};
    bool present[16] = {};
    KestraJoystickState pads[16];
    std::deque<uint32_t> presses;  // buffered key presses, one handed out per call
    int joystickReads = 0;

    FakeDevices() {
        std::memset(pads, 0, sizeof pads);
        for (auto& pad : pads) pad.pov[0] = 0xFFFFFFFFu;
    }
    void Install() {
        Current() = this;
        static const cInputSource source = {
            [](uint32_t index, KestraJoystickState* out) {
                ++Current()->joystickReads;
                if (index >= 16 || !Current()->present[index]) return false;
                *out = Current()->pads[index];
                return true;
            },
            [](uint32_t code) { return code < 256 && Current()->keys[code]; },
            [](uint32_t* code) {
                if (Current()->presses.empty()) return false;
                *code = Current()->presses.front();
                Current()->presses.pop_front();
                return true;
            },
        };
        SetInputSource(&source);
    }
    static FakeDevices*& Current() {
        static FakeDevices* current = nullptr;
        return current;
    }
};

}  // namespace shelltest
