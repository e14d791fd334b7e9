// Joysticks through SDL's joystick API (not its game-controller mapping, so every
// axis, hat and button of any pad is there). Axes 0..5 are X, Y, Z, Rx, Ry, Rz,
// axes 6 and 7 the two sliders; up to four hats and 128 buttons.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/dinput/dinput_internal.h"
#include "platform/win32/cp932.h"
#include "platform/win32/sdl_bridge.h"

namespace platform::dinput {
namespace {

constexpr int kMaxAxes = 8;
constexpr int kMaxHats = 4;
constexpr int kMaxButtons = 128;

// Instance GUIDs carry SDL's instance id, which stays with a pad while it is attached.
constexpr WORD kInstanceData2 = 0x4B53;
constexpr WORD kInstanceData3 = 0x4A59;
constexpr BYTE kInstanceData4[8] = {'K', 'E', 'S', 'T', 'R', 'A', 'J', 'S'};

GUID InstanceGuid(SDL_JoystickID id) {
    GUID guid{};
    guid.Data1 = static_cast<DWORD>(id);
    guid.Data2 = kInstanceData2;
    guid.Data3 = kInstanceData3;
    std::memcpy(guid.Data4, kInstanceData4, 8);
    return guid;
}

bool IdOfInstanceGuid(const GUID& guid, SDL_JoystickID* id) {
    if (guid.Data2 != kInstanceData2 || guid.Data3 != kInstanceData3 ||
        std::memcmp(guid.Data4, kInstanceData4, 8) != 0)
        return false;
    *id = static_cast<SDL_JoystickID>(guid.Data1);
    return true;
}

// The attached pads as (instance id, device index), oldest first.
std::vector<std::pair<SDL_JoystickID, int>> AttachedPads() {
    std::vector<std::pair<SDL_JoystickID, int>> pads;
    if (!EnsureJoysticks()) return pads;
    SDL_JoystickUpdate();
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        if (id >= 0) pads.emplace_back(id, i);
    }
    std::sort(pads.begin(), pads.end());
    return pads;
}

DIDEVICEINSTANCEA DescribePad(SDL_JoystickID id, int deviceIndex) {
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof(DIDEVICEINSTANCEA);
    info.guidInstance = InstanceGuid(id);
    // The product GUID holds the USB vendor and product ids as DirectInput writes them.
    const Uint16 vendor = SDL_JoystickGetDeviceVendor(deviceIndex);
    const Uint16 product = SDL_JoystickGetDeviceProduct(deviceIndex);
    info.guidProduct.Data1 = static_cast<DWORD>(MAKELONG(vendor, product));
    const BYTE pidvid[8] = {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'};
    std::memcpy(info.guidProduct.Data4, pidvid, 8);
    const bool gamepad = SDL_JoystickGetDeviceType(deviceIndex) == SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    info.dwDevType = (gamepad ? DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8)
                              : DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8)) |
                     DIDEVTYPE_HID;
    const char* utf8 = SDL_JoystickNameForIndex(deviceIndex);
    std::string name = utf8 && *utf8 ? platform::Utf8ToCp932(utf8) : std::string("Joystick");
    std::snprintf(info.tszInstanceName, sizeof info.tszInstanceName, "%s", name.c_str());
    std::snprintf(info.tszProductName, sizeof info.tszProductName, "%s", name.c_str());
    info.wUsagePage = 0x01;
    info.wUsage = gamepad ? 0x05 : 0x04;
    return info;
}

class Joystick final : public Device {
public:
    Joystick(SDL_Joystick* joystick, int index, const DIDEVICEINSTANCEA& info)
        : Device(std::to_string(index)), joystick_(joystick), id_(SDL_JoystickInstanceID(joystick)), info_(info) {
        static const GUID* const kAxisGuids[kMaxAxes] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                                                         &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
        static const char* const kAxisNames[kMaxAxes] = {"X Axis",     "Y Axis",     "Z Axis", "X Rotation",
                                                         "Y Rotation", "Z Rotation", "Slider", "Slider"};
        const int axes = std::min(SDL_JoystickNumAxes(joystick), kMaxAxes);
        const int buttons = std::min(SDL_JoystickNumButtons(joystick), kMaxButtons);
        const int hats = std::min(SDL_JoystickNumHats(joystick), kMaxHats);
        for (int i = 0; i < axes; ++i) {
            DeviceObject o{};
            o.guid = *kAxisGuids[i];
            o.type = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(i);
            o.flags = DIDOI_ASPECTPOSITION;
            o.name = kAxisNames[i];
            o.source = i;
            objects_.push_back(o);
        }
        for (int i = 0; i < buttons; ++i) {
            DeviceObject o{};
            o.guid = GUID_Button;
            o.type = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(i);
            o.name = "Button " + std::to_string(i);
            o.source = i;
            objects_.push_back(o);
        }
        for (int i = 0; i < hats; ++i) {
            DeviceObject o{};
            o.guid = GUID_POV;
            o.type = DIDFT_POV | DIDFT_MAKEINSTANCE(i);
            o.name = "Hat Switch " + std::to_string(i);
            o.source = i;
            objects_.push_back(o);
        }
    }

    ~Joystick() override { SDL_JoystickClose(joystick_); }

    void OnSdlEvent(const SDL_Event& event) override {
        if (event.type == SDL_JOYDEVICEREMOVED && event.jdevice.which == id_) LoseAcquisition();
    }

protected:
    void DescribeDevice(DIDEVICEINSTANCEA& info) const override { info = info_; }
    // SDL's values change only when its joysticks are updated: Poll does that.
    DWORD CapabilityFlags() const override { return DIDC_POLLEDDEVICE | DIDC_POLLEDDATAFORMAT; }
    bool Attached() const override { return SDL_JoystickGetAttached(joystick_) == SDL_TRUE; }
    void Refresh() override { SDL_JoystickUpdate(); }
    void ReadObject(size_t index, BYTE* dest) const override {
        const DeviceObject& o = objects_[index];
        if (IsAxis(o)) {
            LONG value = ScaleAxis(SDL_JoystickGetAxis(joystick_, o.source), o.rangeMin, o.rangeMax, o.deadZone,
                                   o.saturation);
            std::memcpy(dest, &value, 4);
        } else if (IsPov(o)) {
            DWORD value = PovFromHat(SDL_JoystickGetHat(joystick_, o.source));
            std::memcpy(dest, &value, 4);
        } else {
            dest[0] = SDL_JoystickGetButton(joystick_, o.source) ? 0x80 : 0x00;
        }
    }

private:
    SDL_Joystick* joystick_;
    SDL_JoystickID id_;
    DIDEVICEINSTANCEA info_;
};

}  // namespace

bool EnsureJoysticks() {
    // Whether a pad may be read without the focus is decided by the cooperative
    // level and acquisition; SDL must not drop motion while no window has focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    return platform::EnsureSdl(SDL_INIT_JOYSTICK);
}

std::vector<DIDEVICEINSTANCEA> DescribeJoysticks() {
    std::vector<DIDEVICEINSTANCEA> result;
    for (auto [id, deviceIndex] : AttachedPads()) result.push_back(DescribePad(id, deviceIndex));
    return result;
}

Device* CreateJoystick(const GUID& instance, int index) {
    SDL_JoystickID wanted;
    if (!IdOfInstanceGuid(instance, &wanted)) return nullptr;
    for (auto [id, deviceIndex] : AttachedPads()) {
        if (id != wanted) continue;
        SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
        if (!joystick) return nullptr;
        return new Joystick(joystick, index, DescribePad(id, deviceIndex));
    }
    return nullptr;
}

LONG ScaleAxis(int raw, LONG rangeMin, LONG rangeMax, DWORD deadZone, DWORD saturation) {
    if (rangeMax <= rangeMin) return rangeMin;
    const int64_t position = std::clamp(raw, -32768, 32767) + 32768;  // 0..65535
    const int64_t span = static_cast<int64_t>(rangeMax) - rangeMin;
    if (deadZone == 0 && saturation >= 10000)
        return static_cast<LONG>(rangeMin + (position * span + 32767) / 65535);
    // Dead zone and saturation are fractions of the half range either side of the centre.
    const double centre = 32767.5;
    const double t = (static_cast<double>(position) - centre) / centre;
    const double dead = deadZone / 10000.0;
    const double full = std::min<DWORD>(saturation, 10000) / 10000.0;
    const double magnitude = std::fabs(t);
    double scaled;
    if (magnitude <= dead)
        scaled = 0.0;
    else if (magnitude >= full)
        scaled = 1.0;
    else
        scaled = (magnitude - dead) / (full - dead);
    const double adjusted = centre + std::copysign(scaled, t) * centre;
    int64_t value = rangeMin + std::llround(adjusted * static_cast<double>(span) / 65535.0);
    value = std::clamp<int64_t>(value, rangeMin, rangeMax);
    return static_cast<LONG>(value);
}

DWORD PovFromHat(Uint8 hat) {
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFF;  // centred, or opposite directions at once
    }
}

}  // namespace platform::dinput
