// The keyboard device: SDL key events become DirectInput key codes in the state
// table and the event buffer; overflow, repeat, and activation of the window.
#include <linux/input-event-codes.h>

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "dinput_test_env.h"
#include "tests/support/records.h"

namespace {

using dinputtest::DirectInputTest;
using dinputtest::PumpMessages;

// DirectInput key codes are the keys' PC set-1 scan codes. Up to F12 these are
// also the Linux input key numbers, an independent source for the expected values.
static_assert(DIK_ESCAPE == KEY_ESC && DIK_Z == KEY_Z && DIK_A == KEY_A && DIK_SPACE == KEY_SPACE);
static_assert(DIK_OEM_102 == KEY_102ND && DIK_F11 == KEY_F11 && DIK_F12 == KEY_F12 && DIK_DECIMAL == KEY_KPDOT);
static_assert(DIK_LMENU == KEY_LEFTALT && DIK_CAPITAL == KEY_CAPSLOCK && DIK_NUMLOCK == KEY_NUMLOCK);

std::vector<int> KeysDown(const BYTE (&state)[256]) {
    std::vector<int> down;
    for (int i = 0; i < 256; ++i)
        if (state[i]) down.push_back(i);
    return down;
}

std::vector<DIDEVICEOBJECTDATA> ReadEvents(IDirectInputDevice8A* keyboard, HRESULT expected = DI_OK) {
    DIDEVICEOBJECTDATA data[64];
    DWORD count = 64;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &count, 0), expected);
    return std::vector<DIDEVICEOBJECTDATA>(data, data + count);
}

TEST_F(DirectInputTest, EveryKeyReachesStateAndBufferAsItsSetOneCode) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    // The code each scancode presses is recorded; the state and the buffer agree on it.
    records::Fnv codes;
    for (int code = 0; code < SDL_NUM_SCANCODES; ++code) {
        SCOPED_TRACE(code);
        std::vector<int> seen[2];  // after the press, after the release
        std::vector<DIDEVICEOBJECTDATA> events[2];
        for (int up = 0; up < 2; ++up) {
            PushKey(SDL_Scancode(code), !up);
            BYTE state[256];
            ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
            seen[up] = KeysDown(state);
            for (int key : seen[up]) EXPECT_EQ(state[key], 0x80);
            events[up] = ReadEvents(keyboard);
        }
        ASSERT_LE(seen[0].size(), 1u);
        EXPECT_TRUE(seen[1].empty());
        for (int up = 0; up < 2; ++up) {
            ASSERT_EQ(events[up].size(), seen[0].size());
            if (!seen[0].empty()) {
                EXPECT_EQ(std::vector<DWORD>({events[up][0].dwOfs, events[up][0].dwData}),
                          std::vector<DWORD>({DWORD(seen[0][0]), up ? 0u : 0x80u}));
            }
        }
        if (!seen[0].empty()) codes.Add(code, seen[0][0]);
    }
    EXPECT_EQ(records::Check("tests/platform/dinput/records.txt", "KeyCodes", codes.h), "");
    PumpMessages();
    keyboard->Release();
}

// A key that went down and up between two state reads shows as down in the
// next read, once; held keys and the event buffer are as before.
TEST_F(DirectInputTest, ATapBetweenTwoReadsShowsAsDownForOneRead) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    struct Step {
        const char* name;
        std::vector<std::pair<SDL_Scancode, bool>> events;  // before the read
        std::vector<int> down;                               // what the read shows
        size_t buffered;                                     // events the buffer hands out
    };
    const Step steps[] = {
        {"a tap", {{SDL_SCANCODE_Z, true}, {SDL_SCANCODE_Z, false}}, {DIK_Z}, 2},
        {"the read after it", {}, {}, 0},
        {"two taps", {{SDL_SCANCODE_Z, true}, {SDL_SCANCODE_Z, false}, {SDL_SCANCODE_Z, true}, {SDL_SCANCODE_Z, false}},
         {DIK_Z}, 4},
        {"the read after them", {}, {}, 0},
        {"a press", {{SDL_SCANCODE_X, true}}, {DIK_X}, 1},
        {"held", {}, {DIK_X}, 0},
        {"a tap while X is held", {{SDL_SCANCODE_Z, true}, {SDL_SCANCODE_Z, false}}, {DIK_Z, DIK_X}, 2},
        {"X still held", {}, {DIK_X}, 0},
        {"X released", {{SDL_SCANCODE_X, false}}, {}, 1},
        {"a release and a new press", {{SDL_SCANCODE_C, true}}, {DIK_C}, 1},
        {"C released and pressed again", {{SDL_SCANCODE_C, false}, {SDL_SCANCODE_C, true}}, {DIK_C}, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        for (const auto& [key, down] : step.events) PushKey(key, down);
        BYTE state[256];
        ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
        EXPECT_EQ(KeysDown(state), step.down);
        const std::vector<DIDEVICEOBJECTDATA> events = ReadEvents(keyboard);
        ASSERT_EQ(events.size(), step.buffered);
        for (size_t i = 0; i < events.size(); ++i)
            EXPECT_EQ(events[i].dwData, step.events[i].second ? 0x80u : 0x00u) << i;
    }
    // A tap before the window lost the keyboard is not reported once it is acquired again.
    PushKey(SDL_SCANCODE_V, true);
    PushKey(SDL_SCANCODE_V, false);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    BYTE state[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PumpMessages();
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_TRUE(KeysDown(state).empty());
    // Nor is one made while the program had let go of it.
    ASSERT_EQ(keyboard->Unacquire(), DI_OK);
    PushKey(SDL_SCANCODE_V, true);
    PushKey(SDL_SCANCODE_V, false);
    PumpMessages();
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_TRUE(KeysDown(state).empty());
    keyboard->Release();
}

TEST_F(DirectInputTest, KeyboardReportsItsKeysAsObjects) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(keyboard->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwDevType, DWORD{DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8)});
    // The first version's smaller structures keep their size and are filled only as far as it goes.
    const auto olderSize = [](auto& s, size_t size) { std::memset(&s, 0xAB, sizeof s), s.dwSize = DWORD(size); };
    DIDEVCAPS older;
    olderSize(older, 6 * sizeof(DWORD));
    ASSERT_EQ(keyboard->GetCapabilities(&older), DI_OK);
    EXPECT_EQ(older.dwSize, 6 * sizeof(DWORD));
    EXPECT_EQ(older.dwButtons, caps.dwButtons);
    EXPECT_EQ(older.dwFFSamplePeriod, 0xABABABABu);
    DIDEVICEINSTANCEA olderDevice;
    olderSize(olderDevice, offsetof(DIDEVICEINSTANCEA, guidFFDriver));
    ASSERT_EQ(keyboard->GetDeviceInfo(&olderDevice), DI_OK);
    EXPECT_EQ(olderDevice.dwSize, offsetof(DIDEVICEINSTANCEA, guidFFDriver));
    EXPECT_TRUE(olderDevice.guidInstance == GUID_SysKeyboard);
    EXPECT_EQ(olderDevice.wUsage, 0xABAB);
    EXPECT_EQ(caps.dwFlags, 0x00000001u);  // attached
    EXPECT_EQ(caps.dwAxes, 0u);
    EXPECT_GE(caps.dwButtons, 101u);

    DIDEVICEOBJECTINSTANCEA info{};
    info.dwSize = sizeof info;
    ASSERT_EQ(keyboard->GetObjectInfo(&info, DIK_UP, DIPH_BYOFFSET), DI_OK);
    EXPECT_TRUE(info.guidType == GUID_Key);
    EXPECT_EQ(info.dwType, 0x0000C804u);  // a push button, instance DIK_UP
    EXPECT_EQ(info.dwOfs, DWORD{DIK_UP});
    EXPECT_EQ(info.dwFlags, 0u);
    EXPECT_STREQ(info.tszName, "UP");
    DIDEVICEOBJECTINSTANCEA olderInfo;
    olderSize(olderInfo, offsetof(DIDEVICEOBJECTINSTANCEA, dwFFMaxForce));
    ASSERT_EQ(keyboard->GetObjectInfo(&olderInfo, DIK_UP, DIPH_BYOFFSET), DI_OK);
    EXPECT_EQ(olderInfo.dwSize, offsetof(DIDEVICEOBJECTINSTANCEA, dwFFMaxForce));
    EXPECT_STREQ(olderInfo.tszName, "UP");
    EXPECT_EQ(olderInfo.dwFFMaxForce, 0xABABABABu);
    EXPECT_EQ(keyboard->GetObjectInfo(&info, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(DIK_UP), DIPH_BYID), DI_OK);
    EXPECT_EQ(keyboard->GetObjectInfo(&info, DIDFT_AXIS | DIDFT_MAKEINSTANCE(DIK_UP), DIPH_BYID), DIERR_OBJECTNOTFOUND);
    EXPECT_EQ(keyboard->GetObjectInfo(&info, 0x54, DIPH_BYOFFSET), DIERR_OBJECTNOTFOUND);
    keyboard->Release();
}

TEST_F(DirectInputTest, BufferKeepsOrderAndIgnoresRepeatsAndUnknownKeys) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_A, true, /*repeat=*/true);
    PushKey(SDL_SCANCODE_F20, true);  // no DirectInput code
    PushKey(SDL_SCANCODE_A, false);
    PushKey(SDL_SCANCODE_B, true);
    std::vector<DIDEVICEOBJECTDATA> events = ReadEvents(keyboard);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_A));
    EXPECT_EQ(events[0].dwData, 0x80u);
    EXPECT_EQ(events[1].dwOfs, static_cast<DWORD>(DIK_A));
    EXPECT_EQ(events[1].dwData, 0x00u);
    EXPECT_EQ(events[2].dwOfs, static_cast<DWORD>(DIK_B));
    EXPECT_EQ(events[2].dwData, 0x80u);
    EXPECT_TRUE(DISEQUENCE_COMPARE(events[0].dwSequence, <, events[1].dwSequence));
    EXPECT_TRUE(DISEQUENCE_COMPARE(events[1].dwSequence, <, events[2].dwSequence));
    EXPECT_LE(events[0].dwTimeStamp, events[2].dwTimeStamp);
    EXPECT_TRUE(ReadEvents(keyboard).empty());
    keyboard->Release();
}

TEST_F(DirectInputTest, FullBufferKeepsTheNewestEventsAndReportsOverflowOnce) {
    IDirectInputDevice8A* keyboard = MakeKeyboard(/*buffer=*/8);
    ASSERT_NE(keyboard, nullptr);
    const SDL_Scancode keys[10] = {SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R, SDL_SCANCODE_T,
                                   SDL_SCANCODE_Y, SDL_SCANCODE_U, SDL_SCANCODE_I, SDL_SCANCODE_O, SDL_SCANCODE_P};
    for (SDL_Scancode key : keys) PushKey(key, true);

    // Peeking leaves the events and the overflow in place.
    DIDEVICEOBJECTDATA peeked[4];
    DWORD count = 4;
    ASSERT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), peeked, &count, DIGDD_PEEK), DI_BUFFEROVERFLOW);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(peeked[0].dwOfs, static_cast<DWORD>(DIK_E));
    DWORD olderRecords[8];  // the first version's records are four DWORDs, packed
    count = 2;
    ASSERT_EQ(keyboard->GetDeviceData(4 * sizeof(DWORD), reinterpret_cast<LPDIDEVICEOBJECTDATA>(olderRecords),
                                      &count, DIGDD_PEEK),
              DI_BUFFEROVERFLOW);
    EXPECT_EQ(olderRecords[4], static_cast<DWORD>(DIK_R));

    std::vector<DIDEVICEOBJECTDATA> events = ReadEvents(keyboard, DI_BUFFEROVERFLOW);
    ASSERT_EQ(events.size(), 8u);
    const int expected[8] = {DIK_E, DIK_R, DIK_T, DIK_Y, DIK_U, DIK_I, DIK_O, DIK_P};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(events[i].dwOfs, static_cast<DWORD>(expected[i])) << i;
    EXPECT_TRUE(ReadEvents(keyboard, DI_OK).empty());

    // The state is not limited by the buffer.
    BYTE state[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_EQ(KeysDown(state).size(), 10u);

    // A null buffer with INFINITE flushes and counts.
    for (SDL_Scancode key : keys) PushKey(key, false);
    count = INFINITE;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, 0), DI_BUFFEROVERFLOW);
    EXPECT_EQ(count, 8u);
    EXPECT_TRUE(ReadEvents(keyboard, DI_OK).empty());
    keyboard->Release();
}

TEST_F(DirectInputTest, UnbufferedKeyboardRefusesBufferedReads) {
    IDirectInputDevice8A* keyboard = MakeKeyboard(/*buffer=*/0);
    ASSERT_NE(keyboard, nullptr);
    DIDEVICEOBJECTDATA data[4];
    DWORD count = 4;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &count, 0), DIERR_NOTBUFFERED);
    // The buffer size is fixed while acquired.
    EXPECT_EQ(SetDword(keyboard, DIPROP_BUFFERSIZE, 0, DIPH_DEVICE, 16), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(SetDword(keyboard, DIPROP_BUFFERSIZE, 0, DIPH_DEVICE, 16), DI_OK);
    DIPROPDWORD size{};
    size.diph.dwSize = sizeof size;
    size.diph.dwHeaderSize = sizeof size.diph;
    size.diph.dwHow = DIPH_DEVICE;
    ASSERT_EQ(keyboard->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
    EXPECT_EQ(size.dwData, 16u);
    keyboard->Release();
}

TEST_F(DirectInputTest, DeactivationLosesInputAndClearsKeysUntilReacquired) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    IDirectInputDevice8A* background = MakeKeyboard(32, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_NE(background, nullptr);
    PushKey(SDL_SCANCODE_Z, true);
    BYTE state[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    ASSERT_EQ(state[DIK_Z], 0x80);

    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
    DWORD count = 8;
    DIDEVICEOBJECTDATA data[8];
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &count, 0), DIERR_NOTACQUIRED);
    // Foreground devices cannot be acquired while the window is in the background.
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    // A background device keeps its input; the release of Z was never seen, so Z is cleared.
    ASSERT_EQ(background->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_TRUE(KeysDown(state).empty());
    PushKey(SDL_SCANCODE_C, true);  // not seen by the foreground device, then or after

    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PumpMessages();
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_TRUE(KeysDown(state).empty());
    EXPECT_TRUE(ReadEvents(keyboard).empty());

    // Z is still held: its repeats are not a new press, nor is its release an event.
    // Neither is a second down of X without a release between.
    PushKey(SDL_SCANCODE_Z, true, /*repeat=*/true);
    PushKey(SDL_SCANCODE_X, true);
    PushKey(SDL_SCANCODE_X, true);
    PushKey(SDL_SCANCODE_Z, false);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_EQ(KeysDown(state), std::vector<int>{DIK_X});
    std::vector<DIDEVICEOBJECTDATA> events = ReadEvents(keyboard);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_X));

    // Minimising deactivates too.
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
    background->Release();
    keyboard->Release();
}

TEST_F(DirectInputTest, InjectedKeyboardReadFailureLosesInputOnce) {
    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    platform::InjectFault("IDirectInputDevice8::GetDeviceState:keyboard", 0, 1);
    BYTE state[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
    // A state of the wrong size is refused rather than overrun.
    BYTE small[128];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof small, small), DIERR_INVALIDPARAM);
    keyboard->Release();
}

// Real keys typed into the real window through the X server.
TEST_F(DirectInputTest, TypedKeysReachTheKeyboard) {
    if (std::string(SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "") != "x11")
        GTEST_SKIP() << "needs the X11 video driver";
    if (std::system("command -v xdotool > /dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    // The window is found by its caption and given the X input focus.
    const std::string title = "dinput typing test " + std::to_string(getpid());
    ASSERT_TRUE(SetWindowTextA(window_, title.c_str()));
    PumpMessages();
    // Bounded, so a window that never shows fails the test instead of hanging it.
    ASSERT_EQ(std::system(("timeout 60 xdotool search --sync --name '^" + title + "$' windowfocus --sync").c_str()), 0);
    PumpMessages();

    IDirectInputDevice8A* keyboard = MakeKeyboard();
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(std::system("xdotool key --delay 20 z Up Escape space KP_Enter"), 0);

    std::vector<DIDEVICEOBJECTDATA> events;
    const Uint32 deadline = SDL_GetTicks() + 5000;
    while (events.size() < 10 && !SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) {
        for (const DIDEVICEOBJECTDATA& e : ReadEvents(keyboard)) events.push_back(e);
        PumpMessages();
        SDL_Delay(10);
    }
    const int keys[5] = {DIK_Z, DIK_UP, DIK_ESCAPE, DIK_SPACE, DIK_NUMPADENTER};
    ASSERT_EQ(events.size(), 10u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(events[2 * i].dwOfs, static_cast<DWORD>(keys[i])) << i;
        EXPECT_EQ(events[2 * i].dwData, 0x80u) << i;
        EXPECT_EQ(events[2 * i + 1].dwOfs, static_cast<DWORD>(keys[i])) << i;
        EXPECT_EQ(events[2 * i + 1].dwData, 0u) << i;
    }
    keyboard->Release();
}

}  // namespace
