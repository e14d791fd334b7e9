// The DirectInput object: device enumeration and creation, reached through
// DirectInput8Create or COM; and winmm's joystick count.
#include <atomic>
#include <string>

#include "platform/dinput/dinput_internal.h"
#include "platform/dinput/dinput_testing.h"
#include "platform/win32/ole.h"
#include "platform/win32/testing.h"
#include "platform/win32/winmm.h"

namespace platform::dinput {
namespace {

class DirectInput final : public IDirectInput8A {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectInput8A) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectInput8A*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT Initialize(HINSTANCE instance, DWORD version) override {
        if (!instance) return DIERR_INVALIDPARAM;
        if (version == 0) return DIERR_NOTINITIALIZED;
        if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
        if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
        if (platform::FaultHit("IDirectInput8::Initialize")) return DIERR_GENERIC;
        // Without SDL's joysticks there are simply no joysticks.
        EnsureJoysticks();
        initialized_ = true;
        return DI_OK;
    }

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (guid == GUID_SysKeyboard) {
            if (platform::FaultHit("IDirectInput8::CreateDevice") ||
                platform::FaultHit("IDirectInput8::CreateDevice:keyboard"))
                return DIERR_GENERIC;
            *device = CreateKeyboard();
            return DI_OK;
        }
        // The joystick's place in the enumeration names it in fault names.
        const std::vector<DIDEVICEINSTANCEA> pads = DescribeJoysticks();
        for (size_t i = 0; i < pads.size(); ++i) {
            if (pads[i].guidInstance != guid) continue;
            if (platform::FaultHit("IDirectInput8::CreateDevice") ||
                platform::FaultHit("IDirectInput8::CreateDevice:" + std::to_string(i)))
                return DIERR_GENERIC;
            Device* joystick = CreateJoystick(guid, static_cast<int>(i));
            if (!joystick) return DIERR_GENERIC;
            *device = joystick;
            return DI_OK;
        }
        return DIERR_DEVICENOTREG;
    }

    HRESULT EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID ref, DWORD flags) override {
        if (!callback) return DIERR_INVALIDPARAM;
        const bool byClass = devType <= DI8DEVCLASS_GAMECTRL;
        const bool byType = devType >= DI8DEVTYPE_DEVICE && devType <= DI8DEVTYPE_SUPPLEMENTAL;
        if (!byClass && !byType) return DIERR_INVALIDPARAM;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (platform::FaultHit("IDirectInput8::EnumDevices")) return DIERR_GENERIC;

        std::vector<DIDEVICEINSTANCEA> found;
        if (devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_KEYBOARD || devType == DI8DEVTYPE_KEYBOARD) {
            found.push_back(DescribeKeyboard());
        }
        for (const DIDEVICEINSTANCEA& pad : DescribeJoysticks()) {
            const DWORD type = GET_DIDEVICE_TYPE(pad.dwDevType);
            if (devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_GAMECTRL || devType == type) found.push_back(pad);
        }
        // No device here has force feedback.
        if (flags & DIEDFL_FORCEFEEDBACK) found.clear();

        // The callback may release this object; it stays alive until the walk ends.
        AddRef();
        for (const DIDEVICEINSTANCEA& info : found)
            if (callback(&info, ref) == DIENUM_STOP) break;
        Release();
        return DI_OK;
    }

    HRESULT GetDeviceStatus(REFGUID guidInstance) override {
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (guidInstance == GUID_SysKeyboard) return DI_OK;
        for (const DIDEVICEINSTANCEA& pad : DescribeJoysticks())
            if (pad.guidInstance == guidInstance) return DI_OK;
        return DI_NOTATTACHED;
    }

private:
    std::atomic<ULONG> references_{1};
    bool initialized_ = false;
};

// COM creates the object uninitialised; the program calls Initialize.
HRESULT CreateForCom(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (platform::FaultHit("CoCreateInstance:CLSID_DirectInput8")) return DIERR_OUTOFMEMORY;
    DirectInput* input = new DirectInput;
    HRESULT result = input->QueryInterface(iid, object);
    input->Release();
    return result;
}

[[maybe_unused]] const bool g_registered = (platform::RegisterComClass(CLSID_DirectInput8, &CreateForCom), true);

std::atomic<int> g_slotOverride{-1};

}  // namespace
}  // namespace platform::dinput

namespace platform {
void SetJoystickSlotCountForTesting(int count) { dinput::g_slotOverride = count; }
}  // namespace platform

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out, LPUNKNOWN outer) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (platform::FaultHit("DirectInput8Create")) return DIERR_OUTOFMEMORY;
    auto* input = new platform::dinput::DirectInput;
    HRESULT result = input->Initialize(instance, version);
    if (SUCCEEDED(result)) result = input->QueryInterface(iid, out);
    input->Release();
    return result;
}

// winmm counts the joystick slots its driver offers, attached or not.
UINT joyGetNumDevs() {
    const int slots = platform::dinput::g_slotOverride;
    return slots >= 0 ? static_cast<UINT>(slots) : 16;
}
