// DirectInput's identifiers and its predefined data formats.
#include <array>

#include "platform/dinput/dinput.h"

const CLSID CLSID_DirectInput8 = {0x25E609E4, 0xB259, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const IID IID_IDirectInputDevice8A = {0x54D41080, 0xDC15, 0x4833, {0xA4, 0x1B, 0x74, 0x8F, 0x73, 0xA3, 0x81, 0x79}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Joystick = {0x6F1D2B70, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_XAxis = {0xA36D02E0, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_YAxis = {0xA36D02E1, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_ZAxis = {0xA36D02E2, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_RzAxis = {0xA36D02E3, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Slider = {0xA36D02E4, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Button = {0xA36D02F0, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_POV = {0xA36D02F2, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Unknown = {0xA36D02F3, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_RxAxis = {0xA36D02F4, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_RyAxis = {0xA36D02F5, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Key = {0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

constexpr DWORD kAnyAxis = DIDFT_OPTIONAL | DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyPov = DIDFT_OPTIONAL | DIDFT_POV | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyButton = DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE;

constexpr std::array<DIOBJECTDATAFORMAT, 256> MakeKeyboardObjects() {
    std::array<DIOBJECTDATAFORMAT, 256> objects{};
    for (DWORD i = 0; i < 256; ++i)
        objects[i] = {&GUID_Key, i, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i), 0};
    return objects;
}

// Six axes and two sliders of one aspect, starting at the offset of the X value.
template <size_t N>
constexpr void AddAxes(std::array<DIOBJECTDATAFORMAT, N>& objects, size_t& at, DWORD first, DWORD aspect) {
    const GUID* guids[8] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                            &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
    for (DWORD i = 0; i < 8; ++i) objects[at++] = {guids[i], first + 4 * i, kAnyAxis, aspect};
}

template <size_t N, size_t Buttons>
constexpr std::array<DIOBJECTDATAFORMAT, N> MakeJoystickObjects() {
    std::array<DIOBJECTDATAFORMAT, N> objects{};
    size_t at = 0;
    AddAxes(objects, at, offsetof(DIJOYSTATE2, lX), DIDOI_ASPECTPOSITION);
    for (DWORD i = 0; i < 4; ++i)
        objects[at++] = {&GUID_POV, static_cast<DWORD>(offsetof(DIJOYSTATE2, rgdwPOV) + 4 * i), kAnyPov, 0};
    for (DWORD i = 0; i < Buttons; ++i)
        objects[at++] = {nullptr, static_cast<DWORD>(offsetof(DIJOYSTATE2, rgbButtons) + i), kAnyButton, 0};
    if (Buttons == 128) {
        AddAxes(objects, at, offsetof(DIJOYSTATE2, lVX), DIDOI_ASPECTVELOCITY);
        AddAxes(objects, at, offsetof(DIJOYSTATE2, lAX), DIDOI_ASPECTACCEL);
        AddAxes(objects, at, offsetof(DIJOYSTATE2, lFX), DIDOI_ASPECTFORCE);
    }
    return objects;
}

// Constant-initialised: other start-up code may read the formats.
constinit std::array<DIOBJECTDATAFORMAT, 256> g_keyboardObjects = MakeKeyboardObjects();
constinit std::array<DIOBJECTDATAFORMAT, 44> g_joystickObjects = MakeJoystickObjects<44, 32>();
constinit std::array<DIOBJECTDATAFORMAT, 164> g_joystick2Objects = MakeJoystickObjects<164, 128>();

}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256,
                                     g_keyboardObjects.data()};
const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS,
                                     sizeof(DIJOYSTATE),   44,                          g_joystickObjects.data()};
const DIDATAFORMAT c_dfDIJoystick2 = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS,
                                      sizeof(DIJOYSTATE2),  164,                         g_joystick2Objects.data()};
