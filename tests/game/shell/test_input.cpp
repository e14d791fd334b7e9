// The per-player input words built from the key map and the devices.
#include <gtest/gtest.h>

#include "game/shell/Input.h"
#include "tests/game/shell/fake_input.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class InputWords : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        devices_.Install();
        const uint8_t keys[10] = {200, 208, 203, 205, 44, 45, 46, 47, 30, 31};
        for (int p = 0; p < 2; ++p) {
            std::memcpy(KeyMap.keys[p], keys, 10);
            for (int i = 0; i < 6; ++i) KeyMap.buttons[p][i] = static_cast<uint8_t>(i);
            KeyMap.keyboard[p] = 1;
            KeyMap.padNo[p] = static_cast<int8_t>(p);
        }
        // Two frames of nothing: every word idle.
        UpdateInput();
        UpdateInput();
    }
    shelltest::FakeDevices devices_;
};

TEST_F(InputWords, AThreeFrameHoldIsPushedHeldHeldReleasedThenIdle) {
    struct Frame {
        bool down;
        uint16_t idle, pushed, held, released;
    };
    const Frame frames[] = {{true, 0, 1, 0, 0}, {true, 0, 0, 1, 0}, {true, 0, 0, 1, 0}, {false, 0, 0, 0, 1},
                            {false, 1, 0, 0, 0}};
    for (const Frame& f : frames) {
        devices_.keys[44] = f.down;  // Z: SHOT
        UpdateInput();
        EXPECT_EQ((PadWords[0].pushed & PAD_SHOT) != 0, f.pushed == 1);
        EXPECT_EQ((PadWords[0].held & PAD_SHOT) != 0, f.held == 1);
        EXPECT_EQ((PadWords[0].released & PAD_SHOT) != 0, f.released == 1);
        EXPECT_EQ((PadWords[0].idle & PAD_SHOT) != 0, f.idle == 1);
    }
    // The four words always cover every bit exactly once.
    EXPECT_EQ(PadWords[0].idle | PadWords[0].pushed | PadWords[0].held | PadWords[0].released, 0xFFFF);
}

TEST_F(InputWords, PadAxesCountOnlyBeyondAThirdAndHatsOnlyAtExactAngles) {
    KeyMap.keyboard[0] = 0;
    devices_.present[0] = true;
    KestraJoystickState& pad = devices_.pads[0];
    auto bits = [&] {
        UpdateInput();
        UpdateInput();  // held on the second frame
        return PadWords[0].held;
    };
    pad.axes[1] = -21845;
    EXPECT_EQ(bits(), 0);
    pad.axes[1] = -21846;
    EXPECT_EQ(bits(), PAD_UP);
    pad.axes[1] = 21846;
    pad.axes[0] = 21846;
    EXPECT_EQ(bits(), PAD_DOWN | PAD_RIGHT);
    pad.axes[0] = pad.axes[1] = 0;
    pad.pov[0] = 10;
    EXPECT_EQ(bits(), 0);
    const uint16_t hats[8] = {PAD_UP, PAD_UP | PAD_RIGHT, PAD_RIGHT, PAD_DOWN | PAD_RIGHT,
                              PAD_DOWN, PAD_DOWN | PAD_LEFT, PAD_LEFT, PAD_UP | PAD_LEFT};
    for (uint32_t i = 0; i < 8; ++i) {
        pad.pov[0] = 45 * i;
        EXPECT_EQ(bits(), hats[i]) << pad.pov[0];
    }
    pad.pov[0] = 0xFFFFFFFFu;
    pad.buttons[3] = 1;  // FORCE on the default map
    pad.buttons[5] = 2;  // only a 1 counts as down
    EXPECT_EQ(bits(), PAD_FORCE);
}

TEST_F(InputWords, TheSystemFlagReadsBothDevicesForBothPlayers) {
    KeyMap.keyboard[1] = 0;
    devices_.present[0] = devices_.present[1] = true;
    devices_.pads[0].buttons[0] = 1;  // SHOT on player 1's pad
    devices_.keys[203] = true;        // LEFT on both players' keys
    UpdateInput();
    EXPECT_EQ(PadWords[0].pushed, PAD_LEFT);  // keyboard player: pad not read
    EXPECT_EQ(PadWords[1].pushed, 0);         // pad player: keys not read
    KeyMap.systemKeyboard = 1;
    UpdateInput();
    UpdateInput();
    EXPECT_EQ(PadWords[0].held, PAD_LEFT | PAD_SHOT);
    EXPECT_EQ(PadWords[1].held, PAD_LEFT);
}

TEST_F(InputWords, AnyNonZeroKeyboardFlagReadsTheKeyboard) {
    KeyMap.keyboard[1] = 2;
    devices_.keys[45] = true;
    UpdateInput();
    EXPECT_EQ(PadWords[1].pushed, PAD_DIRECT);
}

TEST_F(InputWords, OutOfRangePadNumbersAndButtonsReadNothing) {
    KeyMap.keyboard[0] = 0;
    KeyMap.keyboard[1] = 0;
    KeyMap.padNo[0] = -1;
    KeyMap.padNo[1] = 16;
    for (auto& present : devices_.present) present = true;
    for (auto& pad : devices_.pads) std::memset(pad.buttons, 1, sizeof pad.buttons);
    devices_.joystickReads = 0;
    UpdateInput();
    EXPECT_EQ(devices_.joystickReads, 0);
    EXPECT_EQ(PadWords[0].pushed, 0);
    EXPECT_EQ(PadWords[1].pushed, 0);
    // Button indexes beyond the pad's 48 buttons never match.
    KeyMap.padNo[0] = 0;
    std::memset(KeyMap.buttons[0], 255, 6);
    KeyMap.buttons[0][1] = 47;
    UpdateInput();
    EXPECT_EQ(PadWords[0].pushed, PAD_DIRECT);
}

TEST_F(InputWords, PadCountAndTheAccessorsAnswerForTwoPlayersOnly) {
    EXPECT_EQ(CountJoypads(), 0u);
    devices_.present[1] = true;
    EXPECT_EQ(CountJoypads(), 0u);  // stops at the first without a device
    devices_.present[0] = true;
    EXPECT_EQ(CountJoypads(), 2u);
    devices_.present[5] = true;
    EXPECT_EQ(CountJoypads(), 2u);
    KeyMap.padNo[1] = -1;
    KeyMap.keyboard[0] = 200;
    EXPECT_EQ(GetPadNumber(1), -1);
    EXPECT_EQ(GetPadNumber(0), 0);
    EXPECT_EQ(GetPadNumber(2), -1);
    EXPECT_EQ(GetKeyboardFlag(0), 200);
    EXPECT_EQ(GetKeyboardFlag(-1), -1);
    EXPECT_EQ(GetKeyboardFlag(2), -1);
}

}  // namespace
