// Inside the DirectInput stand-in only: the device base shared by the keyboard
// and the joysticks, the SDL event hub that feeds them, and the value mappings.
#pragma once

#include <SDL.h>

#include <atomic>
#include <deque>
#include <string>
#include <vector>

#include "platform/dinput/dinput.h"

namespace platform::dinput {

// One control of a device as DirectInput describes it.
struct DeviceObject {
    GUID guid;
    DWORD type;    // DIDFT_* with the instance number
    DWORD flags;   // DIDOI_*
    std::string name;
    int source;    // the SDL axis, hat or button number, or the key code
    // Axis properties.
    LONG rangeMin = 0;
    LONG rangeMax = 65535;
    DWORD deadZone = 0;
    DWORD saturation = 10000;
};

inline bool IsAxis(const DeviceObject& o) { return (o.type & DIDFT_AXIS) != 0; }
inline bool IsButton(const DeviceObject& o) { return (o.type & DIDFT_BUTTON) != 0; }
inline bool IsPov(const DeviceObject& o) { return (o.type & DIDFT_POV) != 0; }
inline WORD InstanceOf(DWORD type) { return DIDFT_GETINSTANCE(type); }

class Device : public IDirectInputDevice8A {
public:
    // tag names the device in fault names: "keyboard", or the joystick's index.
    explicit Device(std::string tag);
    ~Device() override;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) override;
    HRESULT GetProperty(REFDIPROP property, LPDIPROPHEADER header) override;
    HRESULT SetProperty(REFDIPROP property, LPCDIPROPHEADER header) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags) override;
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) override;
    HRESULT GetDeviceInfo(LPDIDEVICEINSTANCEA info) override;
    HRESULT Poll() override;

    // ---- Seen by the hub.
    HWND window() const { return window_; }
    bool foreground() const { return (cooperation_ & DISCL_FOREGROUND) != 0; }
    bool acquired() const { return acquired_; }
    // The device stops delivering: the next read reports DIERR_INPUTLOST.
    void LoseAcquisition();
    // The device's window went to the background.
    virtual void OnWindowInactive() {}
    virtual void OnSdlEvent(const SDL_Event& event) {}

protected:
    virtual void DescribeDevice(DIDEVICEINSTANCEA& info) const = 0;
    virtual DWORD CapabilityFlags() const = 0;
    virtual bool Attached() const { return true; }
    virtual bool IsKeyboard() const { return false; }
    // Brings the device's state up to date before a read (pumps or polls SDL).
    virtual void Refresh() {}
    // Writes object i's current value at dest (4 bytes for axes and hats, 1 for buttons).
    virtual void ReadObject(size_t index, BYTE* dest) const = 0;
    // After a whole state read has been handed out.
    virtual void OnStateRead() {}
    virtual void OnAcquired() {}

    // Appends a buffered event for object i, when the data format places it.
    void PushEvent(size_t index, DWORD data);
    bool Fault(const char* method) const;
    // Foreground devices deliver only while their window is active.
    bool WindowActiveForDevice() const;

    std::vector<DeviceObject> objects_;

private:
    int FindObject(DWORD object, DWORD how) const;
    void DescribeObject(size_t index, DIDEVICEOBJECTINSTANCEA& info) const;
    HRESULT CheckReadable();

    std::atomic<ULONG> references_{1};
    std::string tag_;
    HWND window_ = nullptr;
    DWORD cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    bool inputLost_ = false;
    // Data format: where each object lands, and the hats it names that the device lacks.
    bool hasFormat_ = false;
    DWORD dataSize_ = 0;
    std::vector<long> offsets_;
    std::vector<DWORD> absentPovOffsets_;
    // Buffered data.
    DWORD bufferSize_ = 0;
    std::deque<DIDEVICEOBJECTDATA> buffer_;
    bool overflowed_ = false;
};

// The system keyboard.
Device* CreateKeyboard();
DIDEVICEINSTANCEA DescribeKeyboard();
// The joystick of an instance GUID made by DescribeJoysticks, or null when it is
// not attached. index names it in fault names.
Device* CreateJoystick(const GUID& instance, int index);
// The attached joysticks in a stable order (the order they were attached).
std::vector<DIDEVICEINSTANCEA> DescribeJoysticks();
// Opens SDL's joystick subsystem; false when SDL cannot start it.
bool EnsureJoysticks();

// The hub observes the SDL events the window layer pumps and hands them to the
// live devices; it also follows which windows are active.
void RegisterDevice(Device* device);
void UnregisterDevice(Device* device);
bool WindowActive(HWND window);

// Sequence numbers are shared by every device, so events of two devices can be ordered.
DWORD NextSequence();

// ---- Value mappings (also checked directly by the tests).
// The DirectInput key code of an SDL scancode, 0 when the key has none.
BYTE DikFromScancode(SDL_Scancode scancode);
// The display name of a key code ("ESCAPE"), empty for codes without a key.
const char* DikName(BYTE dik);
// An SDL axis value (-32768..32767) in the axis range, after the dead zone and
// the saturation (both in hundredths of a percent of the half range).
LONG ScaleAxis(int raw, LONG rangeMin, LONG rangeMax, DWORD deadZone, DWORD saturation);
// An SDL hat position in hundredths of a degree clockwise from north, or
// 0xFFFFFFFF when centred.
DWORD PovFromHat(Uint8 hat);

}  // namespace platform::dinput
