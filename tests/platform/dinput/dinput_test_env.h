// Shared set-up of the DirectInput tests: a real shown window, the DirectInput
// object, SDL events pushed as the window system would send them, and SDL
// virtual joysticks that are detached again after each test.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dinput/dinput.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace dinputtest {

inline LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Runs the program's message pump once, as the engine does every frame.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class DirectInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "DInputTestWindow";
        RegisterClassA(&wc);  // a second registration in the same process fails harmlessly
        window_ = CreateWindowExA(0, "DInputTestWindow", "dinput test", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0,
                                  320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        // The X server gives the new window the focus a little later; let that
        // arrive before a test sends focus changes of its own.
        const Uint32 deadline = SDL_GetTicks() + 1000;
        do {
            PumpMessages();
            if (SDL_GetWindowFlags(platform::SdlWindowOf(window_)) & SDL_WINDOW_INPUT_FOCUS) break;
            SDL_Delay(5);
        } while (!SDL_TICKS_PASSED(SDL_GetTicks(), deadline));
        PumpMessages();
        ASSERT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                     reinterpret_cast<void**>(&input_), nullptr),
                  DI_OK);
        ASSERT_NE(input_, nullptr);
    }

    void TearDown() override {
        platform::ClearFaults();
        for (SDL_Joystick* pad : pads_) SDL_JoystickClose(pad);
        for (SDL_JoystickID id : padIds_) {
            for (int i = 0; i < SDL_NumJoysticks(); ++i)
                if (SDL_JoystickGetDeviceInstanceID(i) == id && SDL_JoystickIsVirtual(i)) SDL_JoystickDetachVirtual(i);
        }
        if (input_) input_->Release();
        if (window_) DestroyWindow(window_);
        PumpMessages();
    }

    Uint32 SdlWindowId() const { return SDL_GetWindowID(platform::SdlWindowOf(window_)); }

    void PushKey(SDL_Scancode scancode, bool down, bool repeat = false) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = SdlWindowId();
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    void PushWindowEvent(Uint8 which) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SdlWindowId();
        event.window.event = which;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }

    // The keyboard as the engine sets it up: 256-key format, non-exclusive
    // foreground, a buffer of `buffer` events, acquired.
    IDirectInputDevice8A* MakeKeyboard(DWORD buffer = 32, DWORD cooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND) {
        IDirectInputDevice8A* keyboard = nullptr;
        EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
        if (!keyboard) return nullptr;
        EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
        EXPECT_EQ(keyboard->SetCooperativeLevel(window_, cooperation), DI_OK);
        SetDword(keyboard, DIPROP_BUFFERSIZE, 0, DIPH_DEVICE, buffer);
        EXPECT_EQ(keyboard->Acquire(), DI_OK);
        return keyboard;
    }

    static HRESULT SetDword(IDirectInputDevice8A* device, REFDIPROP property, DWORD object, DWORD how, DWORD value) {
        DIPROPDWORD prop{};
        prop.diph.dwSize = sizeof prop;
        prop.diph.dwHeaderSize = sizeof prop.diph;
        prop.diph.dwObj = object;
        prop.diph.dwHow = how;
        prop.dwData = value;
        return device->SetProperty(property, &prop.diph);
    }

    static HRESULT SetRange(IDirectInputDevice8A* device, DWORD object, DWORD how, LONG lo, LONG hi) {
        DIPROPRANGE prop{};
        prop.diph.dwSize = sizeof prop;
        prop.diph.dwHeaderSize = sizeof prop.diph;
        prop.diph.dwObj = object;
        prop.diph.dwHow = how;
        prop.lMin = lo;
        prop.lMax = hi;
        return device->SetProperty(DIPROP_RANGE, &prop.diph);
    }

    // Attaches an SDL virtual joystick and opens it for the test to move.
    SDL_Joystick* AttachPad(int axes, int buttons, int hats) {
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
        EXPECT_GE(index, 0) << SDL_GetError();
        if (index < 0) return nullptr;
        SDL_Joystick* pad = SDL_JoystickOpen(index);
        EXPECT_NE(pad, nullptr) << SDL_GetError();
        if (!pad) return nullptr;
        pads_.push_back(pad);
        padIds_.push_back(SDL_JoystickInstanceID(pad));
        return pad;
    }

    void DetachPad(SDL_Joystick* pad) {
        SDL_JoystickID id = SDL_JoystickInstanceID(pad);
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                ASSERT_EQ(SDL_JoystickDetachVirtual(i), 0);
            }
        }
    }

    std::vector<DIDEVICEINSTANCEA> EnumPads(DWORD devType = DI8DEVCLASS_GAMECTRL, DWORD flags = DIEDFL_ATTACHEDONLY) {
        std::vector<DIDEVICEINSTANCEA> found;
        EXPECT_EQ(input_->EnumDevices(
                      devType,
                      [](LPCDIDEVICEINSTANCEA info, LPVOID ref) -> BOOL {
                          static_cast<std::vector<DIDEVICEINSTANCEA>*>(ref)->push_back(*info);
                          return DIENUM_CONTINUE;
                      },
                      &found, flags),
                  DI_OK);
        return found;
    }

    // The device of the n-th enumerated joystick, set to `format`, acquired.
    IDirectInputDevice8A* OpenPad(size_t n, const DIDATAFORMAT* format = &c_dfDIJoystick) {
        std::vector<DIDEVICEINSTANCEA> found = EnumPads();
        EXPECT_GT(found.size(), n);
        if (found.size() <= n) return nullptr;
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(input_->CreateDevice(found[n].guidInstance, &device, nullptr), DI_OK);
        if (!device) return nullptr;
        EXPECT_EQ(device->SetDataFormat(format), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
        EXPECT_EQ(device->Acquire(), DI_OK);
        return device;
    }

    static DIJOYSTATE ReadPad(IDirectInputDevice8A* device) {
        DIJOYSTATE state{};
        EXPECT_TRUE(SUCCEEDED(device->Poll()));
        EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
        return state;
    }

    HWND window_ = nullptr;
    IDirectInput8A* input_ = nullptr;
    std::vector<SDL_Joystick*> pads_;
    std::vector<SDL_JoystickID> padIds_;
};

}  // namespace dinputtest
