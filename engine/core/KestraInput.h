// Keyboard and joysticks through DirectInput 8, read once a frame, and the mouse
// feeders of the window procedure.
#pragma once

#include <cstdint>

#include "platform/dinput/dinput.h"

// A joystick's state as the game reads it; also the data format handed to
// DirectInput (168 bytes, every object optional).
struct KestraJoystickState {
    int32_t axes[6];          // X, Y, Z, Rx, Ry, Rz: -65535..65535 after Update
    int32_t velocity[6];      // the same axes, velocity aspect
    int32_t acceleration[6];  // acceleration aspect
    int32_t force[6];         // force aspect
    int32_t sliders[2];       // every aspect of the two sliders lands here
    uint32_t pov[4];          // whole degrees, or -1 when centred
    uint8_t buttons[48];      // 0 or 1
};
static_assert(sizeof(KestraJoystickState) == 168, "the joystick data format is 168 bytes");

struct KestraJoystickDevice {
    KestraJoystickState state;
    // Axis calibration: centres X Y Z, half ranges X Y Z, centres Rx Ry Rz, half ranges Rx Ry Rz.
    int32_t centre[3];
    int32_t halfRange[3];
    int32_t centreRotation[3];
    int32_t halfRangeRotation[3];
    IDirectInputDevice8A* device;
    uint8_t needsPoll;
    uint8_t forceFeedback;
};

namespace KestraInput {
constexpr uint32_t kMaxJoysticks = 16;
constexpr uint32_t kKeyCount = 256;
constexpr uint32_t kKeyBufferSize = 32;
constexpr uint32_t kJoystickButtons = 48;
// Normalised axis values below this magnitude read as 0.
constexpr int32_t kDeadZone = 3276;

// Starts DirectInput, the keyboard and the attached joysticks. False only when
// DirectInput itself cannot be created or initialised; the module is then off.
bool Initialize();
void Finalize();
// Reads the joysticks and the keyboard once a frame.
void Update();
bool IsStarted();

// The key (DIK_* code) is down this frame.
bool GetKeyData(uint32_t key);
// Takes the frame's next buffered keyboard event: *key = its code for a press,
// 0 for a release; true for a press. A loop over the frame's events therefore
// ends at the first release.
bool GetKeyBuffer(uint32_t* key);
// Copies joystick index's state; true when that joystick has a device.
bool GetJoystickData(uint32_t index, KestraJoystickState* out);
// The number of joysticks found at start (some may have been dropped since).
uint32_t GetJoystickCount();

// Records the range of each axis of the joystick being started (ref: its walk).
BOOL CALLBACK EnumAxisCallback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref);

// (raw - centre) scaled so that half range is 65535, with the dead zone applied.
int32_t NormalizeAxis(int32_t raw, int32_t centre, int32_t halfRange);

// Fed by the window procedure.
void SetLeftDoubleClick();
void SetRightDoubleClick();
void SetMiddleDoubleClick();
// The signed wheel delta (WHEEL_DELTA units).
void AddMouseWheel(int32_t delta);
}  // namespace KestraInput
