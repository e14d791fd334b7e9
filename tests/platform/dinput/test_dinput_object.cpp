// The DirectInput object and the rules every device keeps: creation through
// COM and DirectInput8Create, versions, injected failures, data-format and
// property validation, the predefined formats, and the axis arithmetic.
#include <cstdint>
#include <limits>

#include "dinput_test_env.h"
#include "tests/support/records.h"
#include "platform/dinput/dinput_internal.h"

namespace {

using dinputtest::DirectInputTest;

TEST(DirectInputFormats, PredefinedFormatsHaveTheDocumentedShape) {
    // Sizes and counts; the states' sizes are the programs' binary layout, not only the formats' own.
    EXPECT_EQ(std::vector<size_t>({c_dfDIKeyboard.dwDataSize, c_dfDIKeyboard.dwNumObjs, c_dfDIJoystick.dwDataSize,
                                   c_dfDIJoystick.dwNumObjs, c_dfDIJoystick2.dwDataSize, c_dfDIJoystick2.dwNumObjs,
                                   offsetof(DIJOYSTATE2, lVX), offsetof(DIJOYSTATE2, lFX)}),
              std::vector<size_t>({256, 256, 80, 44, 272, 164, 176, 240}));
    // Every object of the formats: place, type, aspect and axis.
    records::Fnv objects;
    for (const DIDATAFORMAT* f : {&c_dfDIKeyboard, &c_dfDIJoystick, &c_dfDIJoystick2})
        for (DWORD i = 0; i < f->dwNumObjs; ++i)
            objects.Add(f->rgodf[i].dwOfs, f->rgodf[i].dwType, f->rgodf[i].dwFlags,
                        f->rgodf[i].pguid ? f->rgodf[i].pguid->Data1 : DWORD(0));
    EXPECT_EQ(records::Check("tests/platform/dinput/records.txt", "PredefinedFormats", objects.h), "");
}

// The formats place X Y Z Rx Ry Rz and two sliders four bytes apart from each
// aspect's X value, and the smaller state is the larger one's head.
#define AXES_AS_FORMATTED(S, x, y, z, rx, ry, rz, sliders)                                                    \
    static_assert(offsetof(S, y) == offsetof(S, x) + 4 && offsetof(S, z) == offsetof(S, x) + 8 &&           \
                  offsetof(S, rx) == offsetof(S, x) + 12 && offsetof(S, ry) == offsetof(S, x) + 16 &&       \
                  offsetof(S, rz) == offsetof(S, x) + 20 && offsetof(S, sliders) == offsetof(S, x) + 24)
AXES_AS_FORMATTED(DIJOYSTATE, lX, lY, lZ, lRx, lRy, lRz, rglSlider);
AXES_AS_FORMATTED(DIJOYSTATE2, lX, lY, lZ, lRx, lRy, lRz, rglSlider);
AXES_AS_FORMATTED(DIJOYSTATE2, lVX, lVY, lVZ, lVRx, lVRy, lVRz, rglVSlider);
AXES_AS_FORMATTED(DIJOYSTATE2, lAX, lAY, lAZ, lARx, lARy, lARz, rglASlider);
AXES_AS_FORMATTED(DIJOYSTATE2, lFX, lFY, lFZ, lFRx, lFRy, lFRz, rglFSlider);
#undef AXES_AS_FORMATTED
static_assert(offsetof(DIJOYSTATE, lX) == offsetof(DIJOYSTATE2, lX) &&
              offsetof(DIJOYSTATE, rgdwPOV) == offsetof(DIJOYSTATE2, rgdwPOV) &&
              offsetof(DIJOYSTATE, rgbButtons) == offsetof(DIJOYSTATE2, rgbButtons));

TEST(DirectInputValues, DefaultAxisMappingMatchesAnIndependentReference) {
    using platform::dinput::ScaleAxis;
    for (int raw = -32768; raw <= 32767; ++raw) {
        // Default range: the raw value shifted up; custom -1000..1000: nearest step.
        ASSERT_EQ(ScaleAxis(raw, 0, 65535, 0, 10000), raw + 32768);
        const double exact = -1000.0 + (raw + 32768) * 2000.0 / 65535.0;
        ASSERT_LE(std::abs(ScaleAxis(raw, -1000, 1000, 0, 10000) - exact), 0.5 + 1e-9) << raw;
    }
    // The widest range neither overflows nor leaves its bounds.
    const LONG lo = std::numeric_limits<LONG>::min(), hi = std::numeric_limits<LONG>::max();
    EXPECT_EQ(ScaleAxis(-32768, lo, hi, 0, 10000), lo);
    EXPECT_EQ(ScaleAxis(32767, lo, hi, 0, 10000), hi);
    EXPECT_EQ(ScaleAxis(32767, lo, hi, 1000, 9000), hi);
    LONG previous = lo;
    for (int raw = -32768; raw <= 32767; raw += 97) {
        LONG v = ScaleAxis(raw, lo, hi, 500, 9500);
        ASSERT_GE(v, previous) << raw;
        previous = v;
    }
    // An empty range reads its one value.
    EXPECT_EQ(ScaleAxis(12345, 7, 7, 0, 10000), 7);
    // Saturation 0 turns the axis into a switch; dead zone 10000 freezes it at the centre.
    EXPECT_EQ(ScaleAxis(100, -100, 100, 0, 0), 100);
    EXPECT_EQ(ScaleAxis(-100, -100, 100, 0, 0), -100);
    EXPECT_EQ(ScaleAxis(32767, -100, 100, 10000, 10000), 0);
}

TEST(DirectInputValues, HatPositionsAndKeyNames) {
    using platform::dinput::PovFromHat;
    EXPECT_EQ(PovFromHat(SDL_HAT_UP | SDL_HAT_DOWN), 0xFFFFFFFFu);
    EXPECT_STREQ(platform::dinput::DikName(DIK_NUMPADENTER), "NUMPADENTER");
    EXPECT_STREQ(platform::dinput::DikName(DIK_YEN), "YEN");
    EXPECT_STREQ(platform::dinput::DikName(0x54), "");
    EXPECT_EQ(platform::dinput::DikFromScancode(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES)), 0);
}

TEST_F(DirectInputTest, ComCreatesAnUninitialisedObject) {
    IDirectInput8A* com = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A,
                               reinterpret_cast<void**>(&com)),
              S_OK);
    ASSERT_NE(com, nullptr);
    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(com->CreateDevice(GUID_SysKeyboard, &device, nullptr), DIERR_NOTINITIALIZED);
    EXPECT_EQ(com->GetDeviceStatus(GUID_SysKeyboard), DIERR_NOTINITIALIZED);
    EXPECT_EQ(com->EnumDevices(DI8DEVCLASS_ALL, [](LPCDIDEVICEINSTANCEA, LPVOID) -> BOOL { return DIENUM_CONTINUE; },
                               nullptr, 0),
              DIERR_NOTINITIALIZED);
    EXPECT_EQ(com->Initialize(nullptr, DIRECTINPUT_VERSION), DIERR_INVALIDPARAM);
    EXPECT_EQ(com->Initialize(GetModuleHandleA(nullptr), 0x0700), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(com->Initialize(GetModuleHandleA(nullptr), 0x0900), DIERR_BETADIRECTINPUTVERSION);
    ASSERT_EQ(com->Initialize(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION), DI_OK);
    ASSERT_EQ(com->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
    // Each interface handed out is the object itself, holding one reference more.
    for (const auto& [object, iid] : {std::pair<IUnknown*, const IID*>{com, &IID_IUnknown}, {com, &IID_IDirectInput8A},
                                      {device, &IID_IUnknown}, {device, &IID_IDirectInputDevice8A}}) {
        const ULONG before = (object->AddRef(), object->Release());
        void* out = nullptr;
        ASSERT_EQ(object->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, object);
        EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), before);
    }
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(com->Release(), 0u);

    platform::InjectFault("CoCreateInstance:CLSID_DirectInput8", 0, 1);
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A,
                                        reinterpret_cast<void**>(&com))));
    EXPECT_EQ(com, nullptr);
}

TEST_F(DirectInputTest, InjectedFailuresOfCreationAndEnumeration) {
    IDirectInput8A* other = reinterpret_cast<IDirectInput8A*>(1);
    platform::InjectFault("DirectInput8Create", 0, 1);
    EXPECT_TRUE(FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                          reinterpret_cast<void**>(&other), nullptr)));
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInputDevice8A,
                                 reinterpret_cast<void**>(&other), nullptr),
              DIERR_NOINTERFACE);

    platform::InjectFault("IDirectInput8::EnumDevices", 0, 1);
    int calls = 0;
    auto count = [](LPCDIDEVICEINSTANCEA, LPVOID ref) -> BOOL {
        ++*static_cast<int*>(ref);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(input_->EnumDevices(DI8DEVCLASS_ALL, count, &calls, 0), DIERR_GENERIC);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(input_->EnumDevices(DI8DEVCLASS_ALL, count, &calls, 0), DI_OK);
    EXPECT_GE(calls, 1);
    EXPECT_EQ(input_->EnumDevices(7, count, &calls, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(input_->EnumDevices(DI8DEVCLASS_ALL, nullptr, &calls, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(input_->GetDeviceStatus(GUID_Key), DI_NOTATTACHED);
    EXPECT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                 reinterpret_cast<void**>(&other), input_),
              DIERR_NOAGGREGATION);

    platform::InjectFault("IDirectInput8::CreateDevice:keyboard", 0, 1);
    IDirectInputDevice8A* keyboard = nullptr;
    EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DIERR_GENERIC);
    EXPECT_EQ(keyboard, nullptr);
    EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, input_), DIERR_NOAGGREGATION);
    EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(input_->CreateDevice(GUID_Key, &keyboard, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(keyboard, nullptr);
    EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_NE(keyboard, nullptr);
    keyboard->Release();
}

TEST_F(DirectInputTest, DataFormatsAreValidatedAgainstTheDevice) {
    IDirectInputDevice8A* keyboard = nullptr;
    ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);  // no format yet
    BYTE state[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);

    // A required object the keyboard lacks (an axis) is refused; optional ones are not.
    DIOBJECTDATAFORMAT objects[2] = {{&GUID_Key, 0, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(DIK_A), 0},
                                     {&GUID_XAxis, 4, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0}};
    DIDATAFORMAT format{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), 0, 8, 2, objects};
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    objects[1].dwType |= DIDFT_OPTIONAL;
    ASSERT_EQ(keyboard->SetDataFormat(&format), DI_OK);
    // Out of the data, or a bad structure size.
    objects[0].dwOfs = 8;
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    objects[0].dwOfs = 0;
    format.dwObjSize = 12;
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    format.dwObjSize = sizeof(DIOBJECTDATAFORMAT);
    format.dwDataSize = 6;
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    format.dwDataSize = 8;

    // With this format only A is reported, at byte 0, in the state and the buffer.
    ASSERT_EQ(keyboard->SetDataFormat(&format), DI_OK);
    DIPROPDWORD bufferSize{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 8};
    ASSERT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_OK) << "non-exclusive and background until told";
    ASSERT_EQ(keyboard->Unacquire(), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_B, true);
    BYTE eight[8];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->GetDeviceState(4, eight), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof eight, eight), DI_OK);
    EXPECT_EQ(eight[0], 0x80);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(eight[i], 0) << i;
    DIDEVICEOBJECTDATA events[4];
    DWORD count = 4;
    ASSERT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(events[0].dwOfs, 0u);
    keyboard->Release();
}

TEST_F(DirectInputTest, CooperativeLevelsAndPropertiesAreChecked) {
    IDirectInputDevice8A* keyboard = nullptr;
    ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY), DI_OK);

    DIPROPDWORD dword{};
    dword.diph.dwSize = sizeof dword;
    dword.diph.dwHeaderSize = sizeof dword.diph;
    dword.diph.dwHow = DIPH_DEVICE;
    dword.dwData = 32;
    DIPROPDWORD badSize = dword;
    badSize.diph.dwSize = sizeof(DIPROPRANGE);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &badSize.diph), DIERR_INVALIDPARAM);
    DIPROPDWORD badHow = dword;
    badHow.diph.dwHow = DIPH_BYOFFSET;
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &badHow.diph), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_AUTOCENTER, &dword.diph), DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, nullptr), DIERR_INVALIDPARAM);
    // Reads: the buffer size is the device's; the keyboard's keys take no axis property.
    const struct {
        REFDIPROP property;
        DWORD size, headerSize, how, object;
        HRESULT result;
    } reads[] = {
        {DIPROP_BUFFERSIZE, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIPH_DEVICE, 1, DIERR_INVALIDPARAM},
        {DIPROP_BUFFERSIZE, sizeof(DIPROPDWORD), 12, DIPH_DEVICE, 0, DIERR_INVALIDPARAM},
        {DIPROP_BUFFERSIZE, sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), DIPH_DEVICE, 0, DIERR_INVALIDPARAM},
        {DIPROP_BUFFERSIZE, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIPH_BYOFFSET, DIK_A, DIERR_INVALIDPARAM},
        {DIPROP_DEADZONE, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIPH_DEVICE, 0, DIERR_INVALIDPARAM},
        {DIPROP_DEADZONE, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 7, DIK_A, DIERR_INVALIDPARAM},
        {DIPROP_RANGE, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIPH_BYOFFSET, DIK_A, DIERR_INVALIDPARAM},
        {DIPROP_AUTOCENTER, sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIPH_DEVICE, 0, DIERR_UNSUPPORTED},
    };
    for (const auto& r : reads) {
        DIPROPRANGE prop{{r.size, r.headerSize, r.object, r.how}, 0, 0};
        EXPECT_EQ(keyboard->GetProperty(r.property, &prop.diph), r.result) << r.how << " " << r.object;
    }
    DIPROPDWORD size{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 7};
    ASSERT_EQ(keyboard->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
    EXPECT_EQ(size.dwData, 0u) << "unbuffered until told";
    // The keyboard has no axis to take a range.
    EXPECT_EQ(SetRange(keyboard, 0, DIPH_DEVICE, 0, 100), DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(SetRange(keyboard, DIK_A, DIPH_BYOFFSET, 0, 100), DIERR_UNSUPPORTED);
    EXPECT_EQ(SetRange(keyboard, 0x54, DIPH_BYOFFSET, 0, 100), DIERR_OBJECTNOTFOUND);
    DIPROPDWORD dead{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIK_A, DIPH_BYOFFSET}, 0};
    EXPECT_EQ(keyboard->GetProperty(DIPROP_DEADZONE, &dead.diph), DIERR_UNSUPPORTED);
    dead.diph.dwObj = 0x54;
    EXPECT_EQ(keyboard->GetProperty(DIPROP_DEADZONE, &dead.diph), DIERR_OBJECTNOTFOUND);
    keyboard->Release();

    SDL_Joystick* pad = AttachPad(2, 1, 0);
    ASSERT_NE(pad, nullptr);
    IDirectInputDevice8A* device = OpenPad(0);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Unacquire(), DI_OK);
    EXPECT_EQ(SetRange(device, 0, DIPH_DEVICE, 10, -10), DIERR_INVALIDPARAM);
    EXPECT_EQ(SetRange(device, DIJOFS_Z, DIPH_BYOFFSET, 0, 10), DIERR_OBJECTNOTFOUND);  // two-axis pad
    EXPECT_EQ(SetRange(device, DIJOFS_BUTTON(0), DIPH_BYOFFSET, 0, 10), DIERR_UNSUPPORTED);
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwHow = DIPH_DEVICE;
    EXPECT_EQ(device->GetProperty(DIPROP_RANGE, &range.diph), DIERR_INVALIDPARAM);
    EXPECT_EQ(SetRange(device, 0, DIPH_DEVICE, 5, 5), DI_OK);

    // An axis off its four-byte step, or of an aspect the pad lacks, is refused;
    // a hat it lacks reads centred, to the format's last byte.
    DIOBJECTDATAFORMAT objects[2] = {{&GUID_XAxis, 2, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
                                     {&GUID_POV, 4, DIDFT_POV | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0}};
    DIDATAFORMAT format{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, 8, 2, objects};
    EXPECT_EQ(device->SetDataFormat(&format), DIERR_INVALIDPARAM);
    objects[0].dwOfs = 0;
    objects[0].dwFlags = DIDOI_ASPECTVELOCITY;
    EXPECT_EQ(device->SetDataFormat(&format), DIERR_INVALIDPARAM);
    objects[0].dwFlags = DIDOI_ASPECTPOSITION;
    ASSERT_EQ(device->SetDataFormat(&format), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    DWORD state[2] = {};
    ASSERT_EQ(device->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_EQ(state[0], 5u);
    EXPECT_EQ(state[1], 0xFFFFFFFFu);
    device->Release();
}

}  // namespace
