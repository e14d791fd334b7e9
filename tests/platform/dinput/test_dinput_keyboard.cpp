// The keyboard device: SDL key events become DirectInput key codes in the state
// table and the event buffer; overflow, repeat, and activation of the window.
#include <linux/input-event-codes.h>

#include <unistd.h>

#include <cstdlib>

#include "dinput_test_env.h"

namespace {

using dinputtest::DirectInputTest;
using dinputtest::PumpMessages;

// DirectInput key codes are the keys' PC set-1 scan codes. Up to F12 these are
// also the Linux input key numbers, an independent source for the expected values.
static_assert(DIK_ESCAPE == KEY_ESC && DIK_Z == KEY_Z && DIK_A == KEY_A && DIK_SPACE == KEY_SPACE);
static_assert(DIK_OEM_102 == KEY_102ND && DIK_F11 == KEY_F11 && DIK_F12 == KEY_F12 && DIK_DECIMAL == KEY_KPDOT);
static_assert(DIK_LMENU == KEY_LEFTALT && DIK_CAPITAL == KEY_CAPSLOCK && DIK_NUMLOCK == KEY_NUMLOCK);

struct KeyCase {
    SDL_Scancode scancode;
    int expected;
};

// Extended keys: the code after the E0 prefix with bit 7 set.
constexpr int Extended(int code) { return 0x80 | code; }

const KeyCase kKeyCases[] = {
    {SDL_SCANCODE_ESCAPE, KEY_ESC},
    {SDL_SCANCODE_1, KEY_1},
    {SDL_SCANCODE_2, KEY_2},
    {SDL_SCANCODE_3, KEY_3},
    {SDL_SCANCODE_4, KEY_4},
    {SDL_SCANCODE_5, KEY_5},
    {SDL_SCANCODE_6, KEY_6},
    {SDL_SCANCODE_7, KEY_7},
    {SDL_SCANCODE_8, KEY_8},
    {SDL_SCANCODE_9, KEY_9},
    {SDL_SCANCODE_0, KEY_0},
    {SDL_SCANCODE_MINUS, KEY_MINUS},
    {SDL_SCANCODE_EQUALS, KEY_EQUAL},
    {SDL_SCANCODE_BACKSPACE, KEY_BACKSPACE},
    {SDL_SCANCODE_TAB, KEY_TAB},
    {SDL_SCANCODE_Q, KEY_Q},
    {SDL_SCANCODE_W, KEY_W},
    {SDL_SCANCODE_E, KEY_E},
    {SDL_SCANCODE_R, KEY_R},
    {SDL_SCANCODE_T, KEY_T},
    {SDL_SCANCODE_Y, KEY_Y},
    {SDL_SCANCODE_U, KEY_U},
    {SDL_SCANCODE_I, KEY_I},
    {SDL_SCANCODE_O, KEY_O},
    {SDL_SCANCODE_P, KEY_P},
    {SDL_SCANCODE_LEFTBRACKET, KEY_LEFTBRACE},
    {SDL_SCANCODE_RIGHTBRACKET, KEY_RIGHTBRACE},
    {SDL_SCANCODE_RETURN, KEY_ENTER},
    {SDL_SCANCODE_LCTRL, KEY_LEFTCTRL},
    {SDL_SCANCODE_A, KEY_A},
    {SDL_SCANCODE_S, KEY_S},
    {SDL_SCANCODE_D, KEY_D},
    {SDL_SCANCODE_F, KEY_F},
    {SDL_SCANCODE_G, KEY_G},
    {SDL_SCANCODE_H, KEY_H},
    {SDL_SCANCODE_J, KEY_J},
    {SDL_SCANCODE_K, KEY_K},
    {SDL_SCANCODE_L, KEY_L},
    {SDL_SCANCODE_SEMICOLON, KEY_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, KEY_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, KEY_GRAVE},
    {SDL_SCANCODE_LSHIFT, KEY_LEFTSHIFT},
    {SDL_SCANCODE_BACKSLASH, KEY_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, KEY_BACKSLASH},
    {SDL_SCANCODE_Z, KEY_Z},
    {SDL_SCANCODE_X, KEY_X},
    {SDL_SCANCODE_C, KEY_C},
    {SDL_SCANCODE_V, KEY_V},
    {SDL_SCANCODE_B, KEY_B},
    {SDL_SCANCODE_N, KEY_N},
    {SDL_SCANCODE_M, KEY_M},
    {SDL_SCANCODE_COMMA, KEY_COMMA},
    {SDL_SCANCODE_PERIOD, KEY_DOT},
    {SDL_SCANCODE_SLASH, KEY_SLASH},
    {SDL_SCANCODE_RSHIFT, KEY_RIGHTSHIFT},
    {SDL_SCANCODE_KP_MULTIPLY, KEY_KPASTERISK},
    {SDL_SCANCODE_LALT, KEY_LEFTALT},
    {SDL_SCANCODE_SPACE, KEY_SPACE},
    {SDL_SCANCODE_CAPSLOCK, KEY_CAPSLOCK},
    {SDL_SCANCODE_F1, KEY_F1},
    {SDL_SCANCODE_F2, KEY_F2},
    {SDL_SCANCODE_F3, KEY_F3},
    {SDL_SCANCODE_F4, KEY_F4},
    {SDL_SCANCODE_F5, KEY_F5},
    {SDL_SCANCODE_F6, KEY_F6},
    {SDL_SCANCODE_F7, KEY_F7},
    {SDL_SCANCODE_F8, KEY_F8},
    {SDL_SCANCODE_F9, KEY_F9},
    {SDL_SCANCODE_F10, KEY_F10},
    {SDL_SCANCODE_NUMLOCKCLEAR, KEY_NUMLOCK},
    {SDL_SCANCODE_SCROLLLOCK, KEY_SCROLLLOCK},
    {SDL_SCANCODE_KP_7, KEY_KP7},
    {SDL_SCANCODE_KP_8, KEY_KP8},
    {SDL_SCANCODE_KP_9, KEY_KP9},
    {SDL_SCANCODE_KP_MINUS, KEY_KPMINUS},
    {SDL_SCANCODE_KP_4, KEY_KP4},
    {SDL_SCANCODE_KP_5, KEY_KP5},
    {SDL_SCANCODE_KP_6, KEY_KP6},
    {SDL_SCANCODE_KP_PLUS, KEY_KPPLUS},
    {SDL_SCANCODE_KP_1, KEY_KP1},
    {SDL_SCANCODE_KP_2, KEY_KP2},
    {SDL_SCANCODE_KP_3, KEY_KP3},
    {SDL_SCANCODE_KP_0, KEY_KP0},
    {SDL_SCANCODE_KP_PERIOD, KEY_KPDOT},
    {SDL_SCANCODE_NONUSBACKSLASH, KEY_102ND},
    {SDL_SCANCODE_F11, KEY_F11},
    {SDL_SCANCODE_F12, KEY_F12},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    // Japanese 106/109-key keyboard.
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // katakana/hiragana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // ro
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // henkan
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // muhenkan
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // yen
    // Extended keys.
    {SDL_SCANCODE_KP_ENTER, Extended(0x1C)},
    {SDL_SCANCODE_RCTRL, Extended(0x1D)},
    {SDL_SCANCODE_KP_DIVIDE, Extended(0x35)},
    {SDL_SCANCODE_PRINTSCREEN, Extended(0x37)},
    {SDL_SCANCODE_RALT, Extended(0x38)},
    {SDL_SCANCODE_HOME, Extended(0x47)},
    {SDL_SCANCODE_UP, Extended(0x48)},
    {SDL_SCANCODE_PAGEUP, Extended(0x49)},
    {SDL_SCANCODE_LEFT, Extended(0x4B)},
    {SDL_SCANCODE_RIGHT, Extended(0x4D)},
    {SDL_SCANCODE_END, Extended(0x4F)},
    {SDL_SCANCODE_DOWN, Extended(0x50)},
    {SDL_SCANCODE_PAGEDOWN, Extended(0x51)},
    {SDL_SCANCODE_INSERT, Extended(0x52)},
    {SDL_SCANCODE_DELETE, Extended(0x53)},
    {SDL_SCANCODE_LGUI, Extended(0x5B)},
    {SDL_SCANCODE_RGUI, Extended(0x5C)},
    {SDL_SCANCODE_APPLICATION, Extended(0x5D)},
    {SDL_SCANCODE_PAUSE, 0xC5},  // E1 1D 45, which DirectInput reports as 0xC5
    {SDL_SCANCODE_KP_EQUALS, Extended(0x0D)},
    // Japanese input keys, the Brazilian keypad comma, and the media keys.
    {SDL_SCANCODE_LANG3, 0x78}, {SDL_SCANCODE_LANG4, 0x77}, {SDL_SCANCODE_LANG5, 0x76}, {SDL_SCANCODE_KP_COMMA, 0x7E},
    {SDL_SCANCODE_AUDIOPREV, Extended(0x10)}, {SDL_SCANCODE_AUDIONEXT, Extended(0x19)},
    {SDL_SCANCODE_AUDIOMUTE, Extended(0x20)}, {SDL_SCANCODE_MUTE, Extended(0x20)},
    {SDL_SCANCODE_CALCULATOR, Extended(0x21)}, {SDL_SCANCODE_AUDIOPLAY, Extended(0x22)},
    {SDL_SCANCODE_AUDIOSTOP, Extended(0x24)}, {SDL_SCANCODE_VOLUMEDOWN, Extended(0x2E)},
    {SDL_SCANCODE_VOLUMEUP, Extended(0x30)}, {SDL_SCANCODE_AC_HOME, Extended(0x32)},
    {SDL_SCANCODE_POWER, Extended(0x5E)}, {SDL_SCANCODE_SLEEP, Extended(0x5F)},
    {SDL_SCANCODE_AC_SEARCH, Extended(0x65)}, {SDL_SCANCODE_AC_BOOKMARKS, Extended(0x66)},
    {SDL_SCANCODE_AC_REFRESH, Extended(0x67)}, {SDL_SCANCODE_AC_STOP, Extended(0x68)},
    {SDL_SCANCODE_AC_FORWARD, Extended(0x69)}, {SDL_SCANCODE_AC_BACK, Extended(0x6A)},
    {SDL_SCANCODE_COMPUTER, Extended(0x6B)}, {SDL_SCANCODE_MAIL, Extended(0x6C)},
    {SDL_SCANCODE_MEDIASELECT, Extended(0x6D)},
};

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
    ASSERT_GE(std::size(kKeyCases), 100u);
    for (const KeyCase& key : kKeyCases) {
        SCOPED_TRACE(SDL_GetScancodeName(key.scancode));
        PushKey(key.scancode, true);
        BYTE state[256];
        ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
        EXPECT_EQ(KeysDown(state), std::vector<int>{key.expected});
        EXPECT_EQ(state[key.expected], 0x80);
        std::vector<DIDEVICEOBJECTDATA> events = ReadEvents(keyboard);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(key.expected));
        EXPECT_EQ(events[0].dwData, 0x80u);

        PushKey(key.scancode, false);
        ASSERT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
        EXPECT_TRUE(KeysDown(state).empty());
        events = ReadEvents(keyboard);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(key.expected));
        EXPECT_EQ(events[0].dwData, 0u);
    }
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
    DIDEVCAPS older{};
    older.dwSize = 6 * sizeof(DWORD);  // the first version's structure, filled as far as it goes
    ASSERT_EQ(keyboard->GetCapabilities(&older), DI_OK);
    EXPECT_EQ(older.dwButtons, caps.dwButtons);
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
