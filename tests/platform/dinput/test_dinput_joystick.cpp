// Joysticks on SDL virtual pads: enumeration, axis ranges, dead zone and
// saturation, hats, buttons, the engine's own data format, read failures and
// unplugging.
#include <cstring>

#include "dinput_test_env.h"
#include "platform/dinput/dinput_testing.h"

namespace {

using dinputtest::DirectInputTest;

TEST_F(DirectInputTest, PadsEnumerateInAttachOrderBesideTheKeyboard) {
    SDL_Joystick* first = AttachPad(6, 10, 1);
    SDL_Joystick* second = AttachPad(2, 4, 0);
    ASSERT_TRUE(first && second);
    std::vector<DIDEVICEINSTANCEA> pads = EnumPads();
    ASSERT_EQ(pads.size(), 2u);
    EXPECT_TRUE(pads[0].guidInstance != pads[1].guidInstance);
    for (const DIDEVICEINSTANCEA& pad : pads) {
        EXPECT_EQ(pad.dwSize, sizeof(DIDEVICEINSTANCEA));
        EXPECT_EQ(pad.dwDevType, 0x00010215u);  // a HID standard gamepad
        EXPECT_EQ(pad.wUsagePage, 0x01);
        EXPECT_EQ(pad.wUsage, 0x05);
        EXPECT_EQ(input_->GetDeviceStatus(pad.guidInstance), DI_OK);
    }
    // The order is stable: the first attached pad comes first, every time.
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwAxes, 6u);
    EXPECT_EQ(caps.dwButtons, 10u);
    EXPECT_EQ(caps.dwPOVs, 1u);
    EXPECT_EQ(caps.dwFlags, 0x0000000Bu);  // attached, polled device, polled data format
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof info;
    ASSERT_EQ(device->GetDeviceInfo(&info), DI_OK);
    EXPECT_TRUE(info.guidInstance == pads[0].guidInstance);
    device->Release();

    std::vector<DIDEVICEINSTANCEA> keyboards = EnumPads(DI8DEVCLASS_KEYBOARD);
    ASSERT_EQ(keyboards.size(), 1u);
    EXPECT_TRUE(keyboards[0].guidInstance == GUID_SysKeyboard);
    EXPECT_EQ(EnumPads(DI8DEVCLASS_ALL).size(), 3u);
    EXPECT_EQ(EnumPads(DI8DEVCLASS_POINTER).size(), 0u);
    EXPECT_EQ(EnumPads(DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK).size(), 0u);

    int calls = 0;
    ASSERT_EQ(input_->EnumDevices(
                  DI8DEVCLASS_GAMECTRL,
                  [](LPCDIDEVICEINSTANCEA, LPVOID ref) -> BOOL {
                      ++*static_cast<int*>(ref);
                      return DIENUM_STOP;
                  },
                  &calls, DIEDFL_ATTACHEDONLY),
              DI_OK);
    EXPECT_EQ(calls, 1);

    // A pad past every bound offers what the state holds: 8 axes, 128 buttons, 4 hats.
    ASSERT_NE(AttachPad(9, 129, 5), nullptr);
    device = OpenPad(2);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwAxes, 8u);
    EXPECT_EQ(caps.dwButtons, 128u);
    EXPECT_EQ(caps.dwPOVs, 4u);
    device->Release();
}

TEST_F(DirectInputTest, AxesScaleIntoTheDefaultAndCustomRanges) {
    SDL_Joystick* pad = AttachPad(6, 2, 0);
    ASSERT_NE(pad, nullptr);
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);

    // Every axis reports the documented default range.
    struct Seen {
        std::vector<GUID> guids;
        std::vector<DWORD> ids;
    } seen;
    ASSERT_EQ(device->EnumObjects(
                  [](LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref) -> BOOL {
                      static_cast<Seen*>(ref)->guids.push_back(object->guidType);
                      static_cast<Seen*>(ref)->ids.push_back(object->dwType);
                      return DIENUM_CONTINUE;
                  },
                  &seen, DIDFT_AXIS),
              DI_OK);
    const GUID* expectedGuids[6] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
    ASSERT_EQ(seen.guids.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(seen.guids[i] == *expectedGuids[i]) << i;
        DIPROPRANGE range{};
        range.diph.dwSize = sizeof range;
        range.diph.dwHeaderSize = sizeof range.diph;
        range.diph.dwObj = seen.ids[i];
        range.diph.dwHow = DIPH_BYID;
        ASSERT_EQ(device->GetProperty(DIPROP_RANGE, &range.diph), DI_OK);
        EXPECT_EQ(range.lMin, 0);
        EXPECT_EQ(range.lMax, 65535);
    }

    const Sint16 raw[3] = {-32768, 0, 32767};
    const LONG expectedDefault[3] = {0, 32768, 65535};
    const LONG expectedCustom[3] = {-1000, 0, 1000};
    const LONG expectedY[3] = {0, 50, 100};
    for (int i = 0; i < 3; ++i) {
        for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, raw[i]);
        DIJOYSTATE state = ReadPad(device);
        const LONG values[6] = {state.lX, state.lY, state.lZ, state.lRx, state.lRy, state.lRz};
        for (LONG v : values) EXPECT_EQ(v, expectedDefault[i]) << raw[i];
    }

    // A device-wide range reaches every axis; a range by offset only that axis.
    ASSERT_EQ(device->Unacquire(), DI_OK);
    ASSERT_EQ(SetRange(device, 0, DIPH_DEVICE, -1000, 1000), DI_OK);
    ASSERT_EQ(SetRange(device, DIJOFS_Y, DIPH_BYOFFSET, 0, 100), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    for (int i = 0; i < 3; ++i) {
        for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, raw[i]);
        DIJOYSTATE state = ReadPad(device);
        EXPECT_EQ(state.lX, expectedCustom[i]) << raw[i];
        EXPECT_EQ(state.lRz, expectedCustom[i]) << raw[i];
        EXPECT_EQ(state.lY, expectedY[i]) << raw[i];
    }
    device->Release();
}

TEST_F(DirectInputTest, DeadZoneAndSaturationShapeTheAxis) {
    SDL_Joystick* pad = AttachPad(2, 0, 0);
    ASSERT_NE(pad, nullptr);
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Unacquire(), DI_OK);
    ASSERT_EQ(SetRange(device, 0, DIPH_DEVICE, -10000, 10000), DI_OK);
    ASSERT_EQ(SetDword(device, DIPROP_DEADZONE, DIJOFS_X, DIPH_BYOFFSET, 2000), DI_OK);
    ASSERT_EQ(SetDword(device, DIPROP_SATURATION, DIJOFS_X, DIPH_BYOFFSET, 8000), DI_OK);
    EXPECT_EQ(SetDword(device, DIPROP_DEADZONE, DIJOFS_X, DIPH_BYOFFSET, 10001), DIERR_INVALIDPARAM);
    ASSERT_EQ(device->Acquire(), DI_OK);

    struct Case {
        Sint16 raw;
        LONG low, high;  // expected X, inclusive
    };
    const Case cases[] = {
        {0, 0, 0},                 // centre
        {6000, 0, 0},              // 18 % out: inside the dead zone
        {-6000, 0, 0},
        {16384, 4998, 5003},       // half way: (0.5 - 0.2) / 0.6 of the range
        {-16384, -5003, -4998},
        {26300, 10000, 10000},     // beyond 80 %: saturated
        {-26300, -10000, -10000},
        {32767, 10000, 10000},
        {-32768, -10000, -10000},
    };
    for (const Case& c : cases) {
        SDL_JoystickSetVirtualAxis(pad, 0, c.raw);
        SDL_JoystickSetVirtualAxis(pad, 1, c.raw);
        DIJOYSTATE state = ReadPad(device);
        EXPECT_GE(state.lX, c.low) << c.raw;
        EXPECT_LE(state.lX, c.high) << c.raw;
    }
    // Y keeps no dead zone: a small deflection shows.
    SDL_JoystickSetVirtualAxis(pad, 1, 6000);
    EXPECT_GT(ReadPad(device).lY, 1500);

    DIPROPDWORD dead{};
    dead.diph.dwSize = sizeof dead;
    dead.diph.dwHeaderSize = sizeof dead.diph;
    dead.diph.dwObj = DIJOFS_X;
    dead.diph.dwHow = DIPH_BYOFFSET;
    ASSERT_EQ(device->GetProperty(DIPROP_DEADZONE, &dead.diph), DI_OK);
    EXPECT_EQ(dead.dwData, 2000u);
    device->Release();
}

TEST_F(DirectInputTest, HatsReadInHundredthsOfDegreesAndButtonsAsBit7) {
    SDL_Joystick* pad = AttachPad(2, 40, 2);
    ASSERT_NE(pad, nullptr);
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);
    const struct {
        Uint8 hat;
        DWORD pov;
    } hats[] = {{SDL_HAT_CENTERED, 0xFFFFFFFF}, {SDL_HAT_UP, 0},         {SDL_HAT_RIGHTUP, 4500},
                {SDL_HAT_RIGHT, 9000},          {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},
                {SDL_HAT_LEFTDOWN, 22500},      {SDL_HAT_LEFT, 27000},   {SDL_HAT_LEFTUP, 31500}};
    for (const auto& h : hats) {
        SDL_JoystickSetVirtualHat(pad, 0, h.hat);
        DIJOYSTATE state = ReadPad(device);
        EXPECT_EQ(state.rgdwPOV[0], h.pov) << int(h.hat);
        EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
        // The pad has two hats: the other two of the format read centred.
        EXPECT_EQ(state.rgdwPOV[2], 0xFFFFFFFFu);
        EXPECT_EQ(state.rgdwPOV[3], 0xFFFFFFFFu);
    }

    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, 5, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, 35, SDL_PRESSED);
    DIJOYSTATE state = ReadPad(device);
    for (int b = 0; b < 32; ++b) EXPECT_EQ(state.rgbButtons[b], (b == 0 || b == 5) ? 0x80 : 0x00) << b;
    device->Release();

    // DIJOYSTATE2 holds 128 buttons: button 35 shows there.
    device = OpenPad(0, &c_dfDIJoystick2);
    ASSERT_NE(device, nullptr);
    DIJOYSTATE2 state2{};
    ASSERT_TRUE(SUCCEEDED(device->Poll()));
    ASSERT_EQ(device->GetDeviceState(sizeof state2, &state2), DI_OK);
    EXPECT_EQ(state2.rgbButtons[35], 0x80);
    EXPECT_EQ(state2.rgbButtons[36], 0x00);
    EXPECT_EQ(state2.lVX, 0);  // no velocity aspect on these pads
    EXPECT_EQ(device->GetDeviceState(sizeof(DIJOYSTATE), &state2), DIERR_INVALIDPARAM);
    device->Release();
}

// The engine's 168-byte joystick record: 6 axes in four aspects, two sliders
// carrying every aspect, four hats, 48 buttons; every object optional.
struct EngineJoystickState {
    LONG position[6];
    LONG velocity[6];
    LONG accel[6];
    LONG force[6];
    LONG slider[2];
    DWORD pov[4];
    BYTE buttons[48];
};
static_assert(sizeof(EngineJoystickState) == 168);

std::vector<DIOBJECTDATAFORMAT> EngineObjects() {
    const GUID* axes[6] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
    const DWORD aspects[4] = {DIDOI_ASPECTPOSITION, DIDOI_ASPECTVELOCITY, DIDOI_ASPECTACCEL, DIDOI_ASPECTFORCE};
    const DWORD axis = DIDFT_AXIS | DIDFT_OPTIONAL | DIDFT_ANYINSTANCE;
    std::vector<DIOBJECTDATAFORMAT> objects;
    for (int a = 0; a < 4; ++a)
        for (int i = 0; i < 6; ++i) objects.push_back({axes[i], DWORD(24 * a + 4 * i), axis, aspects[a]});
    for (int a = 0; a < 4; ++a)
        for (int s = 0; s < 2; ++s) objects.push_back({&GUID_Slider, DWORD(96 + 4 * s), axis, aspects[a]});
    for (int p = 0; p < 4; ++p)
        objects.push_back({&GUID_POV, DWORD(104 + 4 * p), DIDFT_POV | DIDFT_OPTIONAL | DIDFT_ANYINSTANCE, 0});
    for (int b = 0; b < 48; ++b)
        objects.push_back({nullptr, DWORD(120 + b), DIDFT_BUTTON | DIDFT_OPTIONAL | DIDFT_ANYINSTANCE, 0});
    return objects;
}

TEST_F(DirectInputTest, EngineFormatPlacesSlidersHatsAndButtons) {
    SDL_Joystick* pad = AttachPad(8, 50, 1);
    ASSERT_NE(pad, nullptr);
    std::vector<DIOBJECTDATAFORMAT> objects = EngineObjects();
    ASSERT_EQ(objects.size(), 84u);
    DIDATAFORMAT format{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, 168, 84, objects.data()};
    IDirectInputDevice8A* device = OpenPad(0, &format);
    ASSERT_NE(device, nullptr);

    for (int axis = 0; axis < 8; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, Sint16(-32768 + 8192 * axis));
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHT);
    SDL_JoystickSetVirtualButton(pad, 47, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, 48, SDL_PRESSED);  // beyond the record
    EngineJoystickState state;
    std::memset(&state, 0x5A, sizeof state);
    ASSERT_TRUE(SUCCEEDED(device->Poll()));
    ASSERT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
    for (int axis = 0; axis < 6; ++axis) EXPECT_EQ(state.position[axis], 8192 * axis) << axis;
    EXPECT_EQ(state.slider[0], 8192 * 6);
    EXPECT_EQ(state.slider[1], 8192 * 7);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(state.velocity[i] | state.accel[i] | state.force[i], 0) << i;
    EXPECT_EQ(state.pov[0], 9000u);
    EXPECT_EQ(state.pov[1], 0xFFFFFFFFu);
    for (int b = 0; b < 48; ++b) EXPECT_EQ(state.buttons[b], b == 47 ? 0x80 : 0x00) << b;

    // Axes enumerate in order, the sliders last; releasing the device inside the
    // callback and stopping is safe.
    struct Walk {
        IDirectInputDevice8A* device;
        std::vector<GUID> guids;
    } walk{device, {}};
    device->AddRef();
    ASSERT_EQ(device->EnumObjects(
                  [](LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref) -> BOOL {
                      auto* w = static_cast<Walk*>(ref);
                      w->guids.push_back(object->guidType);
                      if (w->guids.size() == 7) {
                          w->device->Release();
                          return DIENUM_STOP;
                      }
                      return DIENUM_CONTINUE;
                  },
                  &walk, DIDFT_AXIS),
              DI_OK);
    ASSERT_EQ(walk.guids.size(), 7u);
    EXPECT_TRUE(walk.guids[5] == GUID_RzAxis);
    EXPECT_TRUE(walk.guids[6] == GUID_Slider);
    device->Release();
}

TEST_F(DirectInputTest, OnePadsFailedReadLeavesTheOtherIntact) {
    SDL_Joystick* first = AttachPad(2, 4, 1);
    SDL_Joystick* second = AttachPad(2, 4, 1);
    ASSERT_TRUE(first && second);
    IDirectInputDevice8A* pad0 = OpenPad(0);
    IDirectInputDevice8A* pad1 = OpenPad(1);
    ASSERT_TRUE(pad0 && pad1);
    SDL_JoystickSetVirtualAxis(first, 0, 32767);
    SDL_JoystickSetVirtualHat(first, 0, SDL_HAT_UP);
    SDL_JoystickSetVirtualButton(first, 2, SDL_PRESSED);
    SDL_JoystickSetVirtualAxis(second, 0, -32768);

    platform::InjectFault("IDirectInputDevice8::GetDeviceState:1", 0, 1);
    DIJOYSTATE state0 = ReadPad(pad0);
    DIJOYSTATE state1{};
    ASSERT_TRUE(SUCCEEDED(pad1->Poll()));
    EXPECT_EQ(pad1->GetDeviceState(sizeof state1, &state1), DIERR_INPUTLOST);
    DIJOYSTATE again = ReadPad(pad0);
    for (const DIJOYSTATE& s : {state0, again}) {
        EXPECT_EQ(s.lX, 65535);
        EXPECT_EQ(s.rgdwPOV[0], 0u);
        EXPECT_EQ(s.rgbButtons[2], 0x80);
    }
    EXPECT_EQ(pad1->Poll(), DIERR_NOTACQUIRED);
    ASSERT_EQ(pad1->Acquire(), DI_OK);
    EXPECT_EQ(ReadPad(pad1).lX, 0);
    pad1->Release();
    pad0->Release();
}

TEST_F(DirectInputTest, UnpluggedPadLosesInputAndCannotBeReacquired) {
    SDL_Joystick* first = AttachPad(2, 2, 0);
    SDL_Joystick* second = AttachPad(2, 2, 0);
    ASSERT_TRUE(first && second);
    std::vector<DIDEVICEINSTANCEA> pads = EnumPads();
    ASSERT_EQ(pads.size(), 2u);
    IDirectInputDevice8A* pad0 = OpenPad(0);
    IDirectInputDevice8A* pad1 = OpenPad(1);
    ASSERT_TRUE(pad0 && pad1);
    SDL_JoystickSetVirtualAxis(first, 1, 32767);

    DetachPad(second);
    EXPECT_EQ(pad1->Poll(), DIERR_INPUTLOST);
    DIJOYSTATE state{};
    EXPECT_EQ(pad1->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(pad1->Acquire(), DIERR_UNPLUGGED);
    EXPECT_EQ(input_->GetDeviceStatus(pads[1].guidInstance), DI_NOTATTACHED);
    EXPECT_EQ(ReadPad(pad0).lY, 65535);
    EXPECT_EQ(EnumPads().size(), 1u);
    IDirectInputDevice8A* gone = nullptr;
    EXPECT_EQ(input_->CreateDevice(pads[1].guidInstance, &gone, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(gone, nullptr);
    pad1->Release();
    pad0->Release();
}

TEST_F(DirectInputTest, PadsLoseAcquisitionWithTheWindow) {
    SDL_Joystick* pad = AttachPad(2, 2, 0);
    ASSERT_NE(pad, nullptr);
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    dinputtest::PumpMessages();
    EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    dinputtest::PumpMessages();
    EXPECT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(device->Poll(), DI_OK);
    device->Release();
}

TEST_F(DirectInputTest, JoyGetNumDevsCountsSlots) {
    EXPECT_EQ(joyGetNumDevs(), 16u);
    platform::SetJoystickSlotCountForTesting(2);
    EXPECT_EQ(joyGetNumDevs(), 2u);
    platform::SetJoystickSlotCountForTesting(-1);
    EXPECT_EQ(joyGetNumDevs(), 16u);
}

}  // namespace
