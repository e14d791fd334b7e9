// The input module on a booted engine: keys typed through the X server, SDL
// virtual pads, window deactivation, read failures and start failures.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraInput.h"
#include "platform/dinput/dinput_testing.h"
#include "tests/engine/core/boot_harness.h"

namespace {

using boot::U8;

std::function<void()> g_body;
std::string g_title;
bool g_expectStartFailure = false;

bool ConfigureInputOnly() {
    Kestra::SetApplicationName(g_title.c_str());
    Kestra::SetScreenInfo(640, 480, true);
    Kestra::SetFrameRate(60);
    Kestra::EnableMouseCursor();
    Kestra::SetLogFile("system_log", "html");
    Kestra::SetUseFlags(KESTRA_USE_INPUT);
    return true;
}

void MainRunsBody(int, char**) {
    if (g_expectStartFailure) {
        EXPECT_FALSE(Kestra::Start());
        g_body();
        return;
    }
    if (!Kestra::Start()) {
        ADD_FAILURE() << "Kestra::Start failed";
        return;
    }
    g_body();
    Kestra::Exit();
    while (Kestra::WaitForMessage(true)) {
    }
}

// Boots the engine with input only in a child with its own X server; `before`
// runs ahead of the boot (pads are attached there, as a player plugs them in first).
int RunBooted(const testsupport::TempDir& dir, const std::function<void()>& before, const std::function<void()>& body) {
    return boot::InDisplayChild([&] {
        boot::Prepare(dir.path(), false);
        g_title = "KestraInputTest" + std::to_string(getpid());
        g_body = body;
        before();
        Kestra::SetGameFunctions(ConfigureInputOnly, MainRunsBody, nullptr);
        EXPECT_EQ(boot::BootNow(), 0);
    });
}

void Frames(int count) {
    for (int i = 0; i < count; ++i) Kestra::WaitForMessage(true);
}

// Runs frames until done() holds; false after `limit` frames.
bool FramesUntil(const std::function<bool()>& done, int limit = 300) {
    for (int i = 0; i < limit; ++i) {
        Kestra::WaitForMessage(true);
        if (done()) return true;
    }
    return false;
}

// The presses this frame's key buffer hands out, up to its first release.
std::vector<uint32_t> BufferedPresses() {
    std::vector<uint32_t> keys;
    uint32_t key = 0xDEAD;
    while (KestraInput::GetKeyBuffer(&key)) keys.push_back(key);
    EXPECT_EQ(key, 0u);
    return keys;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

bool HaveXdotool() { return Shell("command -v xdotool > /dev/null 2>&1") == 0; }

// Gives the X input focus to the window titled `title` (exact).
void Focus(const std::string& title) {
    // Bounded, so a window that never shows fails the test instead of hanging it.
    ASSERT_EQ(Shell("timeout 60 xdotool search --sync --name '^" + title + "$' windowfocus --sync"), 0) << title;
}

void Xdotool(const std::string& arguments) {
    ASSERT_EQ(Shell("xdotool " + arguments), 0) << arguments;
    // Let the server's events reach this client before the next frame reads them.
    SleepEx(150, FALSE);
}

SDL_Joystick* AttachPad(int axes, int buttons, int hats) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
    EXPECT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* pad = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    EXPECT_NE(pad, nullptr) << SDL_GetError();
    return pad;
}

KestraJoystickState Pad(uint32_t index, bool* present = nullptr) {
    KestraJoystickState state;
    memset(&state, 0xAB, sizeof(state));
    const bool has = KestraInput::GetJoystickData(index, &state);
    if (present) *present = has;
    return state;
}

bool AllZero(const KestraJoystickState& state) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&state);
    for (size_t i = 0; i < sizeof(state); ++i)
        if (bytes[i]) return false;
    return true;
}

// Cleared this frame: every field zero, the hats centred.
void ExpectCleared(const KestraJoystickState& state) {
    KestraJoystickState expected;
    memset(&expected, 0, sizeof(expected));
    for (uint32_t& pov : expected.pov) pov = 0xFFFFFFFFu;
    EXPECT_EQ(memcmp(&state, &expected, sizeof(state)), 0);
}

std::string Log(const testsupport::TempDir& dir) { return testsupport::ReadFile(dir.file("system_log.html")); }

bool LogHas(const std::string& log, const std::string& utf8) {
    return log.find(testsupport::Utf8ToCp932(utf8)) != std::string::npos;
}

TEST(KestraInputAxis, NormalisationKeepsCentreDeadZoneAndEndsAndNeverOverflows) {
    // Range 0..65535: centre 32767, half range 32768.
    EXPECT_EQ(KestraInput::NormalizeAxis(32767, 32767, 32768), 0);
    EXPECT_EQ(KestraInput::NormalizeAxis(65535, 32767, 32768), 65535);
    EXPECT_EQ(KestraInput::NormalizeAxis(0, 32767, 32768), -65533);
    // The dead zone: 3275 either side of the centre reads 0.
    EXPECT_EQ(KestraInput::NormalizeAxis(3275, 0, 65535), 0);
    EXPECT_EQ(KestraInput::NormalizeAxis(-3275, 0, 65535), 0);
    EXPECT_EQ(KestraInput::NormalizeAxis(3276, 0, 65535), 3276);
    EXPECT_EQ(KestraInput::NormalizeAxis(-3276, 0, 65535), -3276);
    // A 20-bit range, and the widest one: no overflow, full deflection is 65535.
    EXPECT_EQ(KestraInput::NormalizeAxis(1048575, 0, 1048575), 65535);
    EXPECT_EQ(KestraInput::NormalizeAxis(-1048575, 0, 1048575), -65535);
    EXPECT_EQ(KestraInput::NormalizeAxis(524288, 0, 1048575), 32767);
    EXPECT_EQ(KestraInput::NormalizeAxis(INT32_MIN, 0, INT32_MAX), -65535);
    EXPECT_EQ(KestraInput::NormalizeAxis(INT32_MAX, 0, INT32_MAX), 65535);
    // A raw value outside the reported range still reads as full deflection.
    EXPECT_EQ(KestraInput::NormalizeAxis(200000, 32767, 32768), 65535);
    // An axis whose range is a single value never moves (no division by zero).
    EXPECT_EQ(KestraInput::NormalizeAxis(5, 5, 0), 0);
    EXPECT_EQ(KestraInput::NormalizeAxis(100, 5, 0), 0);
}

TEST(KestraInput, TypedKeysArriveAsKeyCodesAndBufferedPresses) {
    if (!HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    testsupport::TempDir dir;
    EXPECT_EQ(RunBooted(
                  dir, [] {},
                  [] {
                      ASSERT_TRUE(KestraInput::IsStarted());
                      Focus(g_title);
                      Frames(2);
                      BufferedPresses();

                      // Five keys go down in one frame: all are held and all are buffered, in order.
                      Xdotool("keydown z Up Escape space KP_Enter");
                      std::vector<uint32_t> presses;
                      ASSERT_TRUE(FramesUntil([&] {
                          for (uint32_t key : BufferedPresses()) presses.push_back(key);
                          return presses.size() >= 5;
                      }));
                      EXPECT_EQ(presses, (std::vector<uint32_t>{DIK_Z, DIK_UP, DIK_ESCAPE, DIK_SPACE, DIK_NUMPADENTER}));
                      for (uint32_t key : {DIK_Z, DIK_UP, DIK_ESCAPE, DIK_SPACE, DIK_NUMPADENTER})
                          EXPECT_TRUE(KestraInput::GetKeyData(key)) << key;
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_X));
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_RETURN));
                      // A held key is no new event.
                      Frames(1);
                      EXPECT_TRUE(BufferedPresses().empty());
                      EXPECT_TRUE(KestraInput::GetKeyData(DIK_Z));

                      // Releases: the keys come up and the buffer hands out nothing.
                      Xdotool("keyup z Up Escape space KP_Enter");
                      ASSERT_TRUE(FramesUntil([] { return !KestraInput::GetKeyData(DIK_Z); }));
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_NUMPADENTER));
                      EXPECT_TRUE(BufferedPresses().empty());
                      Frames(2);

                      // Press A, release A, press B in one frame: A, then the release ends
                      // the loop; B is held but not handed out. The tap of A shows as
                      // held in that one frame's state, so a short tap is never lost.
                      Xdotool("key a keydown b");
                      ASSERT_TRUE(FramesUntil([] { return KestraInput::GetKeyData(DIK_B); }));
                      EXPECT_EQ(BufferedPresses(), std::vector<uint32_t>{DIK_A});
                      EXPECT_TRUE(KestraInput::GetKeyData(DIK_A));
                      Frames(1);
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_A));
                      EXPECT_TRUE(KestraInput::GetKeyData(DIK_B));
                      Xdotool("keyup b");
                      Frames(1);  // a frame of one release
                      EXPECT_FALSE(KestraInput::GetKeyBuffer(nullptr));

                      // Codes beyond the table are not keys.
                      EXPECT_FALSE(KestraInput::GetKeyData(256));
                      EXPECT_FALSE(KestraInput::GetKeyData(0xFFFFFFFFu));
                      // No pad is attached: every slot reads as zeros.
                      bool present = true;
                      EXPECT_EQ(KestraInput::GetJoystickCount(), 0u);
                      EXPECT_TRUE(AllZero(Pad(0, &present)));
                      EXPECT_FALSE(present);
                  }),
              0);
    const std::string log = Log(dir);
    EXPECT_TRUE(LogHas(log, U8(u8"KestraInputクラスの初期化")));
    EXPECT_TRUE(LogHas(log, U8(u8"KestraInputクラスの解放")));
    EXPECT_TRUE(LogHas(log, U8(u8"　■ DirectInputオブジェクトを生成")));
}

TEST(KestraInput, DeactivationClearsTheDevicesAndReactivationReacquiresThem) {
    if (!HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    testsupport::TempDir dir;
    SDL_Joystick* pad = nullptr;
    EXPECT_EQ(RunBooted(
                  dir, [&] { pad = AttachPad(2, 4, 1); },
                  [&] {
                      ASSERT_NE(pad, nullptr);
                      Focus(g_title);
                      SDL_JoystickSetVirtualAxis(pad, 0, 32767);
                      SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHT);
                      Xdotool("keydown x");
                      ASSERT_TRUE(FramesUntil([] { return KestraInput::GetKeyData(DIK_X); }));
                      EXPECT_EQ(Pad(0).axes[0], 65535);
                      EXPECT_EQ(Pad(0).pov[0], 90u);

                      // Another window takes the focus.
                      WNDCLASSA wc{};
                      wc.lpfnWndProc = DefWindowProcA;
                      wc.hInstance = GetModuleHandleA(nullptr);
                      wc.lpszClassName = "InputTestOther";
                      ASSERT_TRUE(RegisterClassA(&wc));
                      const std::string other = g_title + "Other";
                      HWND otherWindow = CreateWindowExA(0, "InputTestOther", other.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                                         700, 0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                                                         nullptr);
                      ASSERT_NE(otherWindow, nullptr);
                      ShowWindow(otherWindow, SW_SHOW);
                      Focus(other);
                      ASSERT_TRUE(FramesUntil([] { return !KestraInput::GetKeyData(DIK_X); }));
                      Frames(3);
                      EXPECT_FALSE(Kestra::IsActive());
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_X));
                      bool present = false;
                      ExpectCleared(Pad(0, &present));
                      EXPECT_TRUE(present);
                      // Keys typed into the other window never reach the game.
                      Xdotool("keyup x key c");
                      Frames(3);
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_C));
                      EXPECT_TRUE(BufferedPresses().empty());

                      // Back to the game: keyboard and pad are acquired again.
                      Focus(g_title);
                      ASSERT_TRUE(FramesUntil([] { return Pad(0).axes[0] == 65535; }));
                      EXPECT_EQ(Pad(0).pov[0], 90u);
                      Xdotool("keydown v");
                      std::vector<uint32_t> presses;
                      ASSERT_TRUE(FramesUntil([&] {
                          for (uint32_t key : BufferedPresses()) presses.push_back(key);
                          return KestraInput::GetKeyData(DIK_V);
                      }));
                      EXPECT_EQ(presses, std::vector<uint32_t>{DIK_V});
                      Xdotool("keyup v");
                      DestroyWindow(otherWindow);
                  }),
              0);
}

TEST(KestraInput, PadsGiveNormalisedAxesHatAnglesAndButtons) {
    testsupport::TempDir dir;
    SDL_Joystick* first = nullptr;
    SDL_Joystick* second = nullptr;
    EXPECT_EQ(RunBooted(
                  dir,
                  [&] {
                      first = AttachPad(8, 50, 2);
                      second = AttachPad(2, 4, 1);
                  },
                  [&] {
                      ASSERT_TRUE(first && second);
                      ASSERT_EQ(KestraInput::GetJoystickCount(), 2u);
                      bool present = false;
                      Pad(0, &present);
                      EXPECT_TRUE(present);
                      Pad(1, &present);
                      EXPECT_TRUE(present);
                      for (uint32_t index : {2u, 15u, 16u, 1000u, 0xFFFFFFFFu}) {
                          EXPECT_TRUE(AllZero(Pad(index, &present))) << index;
                          EXPECT_FALSE(present) << index;
                      }
                      EXPECT_FALSE(KestraInput::GetJoystickData(0, nullptr));

                      // SDL's -32768..32767 is the device's 0..65535 (raw = value + 32768).
                      struct Case {
                          Sint16 value;
                          int32_t expected;
                      };
                      const Case cases[] = {
                          {-1, 0},           // raw 32767: the centre
                          {32767, 65535},    // raw 65535
                          {-32768, -65533},  // raw 0
                          {1637, 0},         // 1638 above the centre scales to 3275: dead zone
                          {1638, 3277},      // 1639 above scales to 3277
                          {-1639, 0},        // 1638 below
                          {-1640, -3277},
                      };
                      for (const Case& c : cases) {
                          for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(first, axis, c.value);
                          KestraInput::Update();
                          const KestraJoystickState s = Pad(0);
                          for (int axis = 0; axis < 6; ++axis) EXPECT_EQ(s.axes[axis], c.expected) << c.value;
                      }
                      // Every raw value, six axes at a time, against the formula in floating point.
                      for (int base = 0; base < 65536; base += 6) {
                          for (int axis = 0; axis < 6; ++axis)
                              SDL_JoystickSetVirtualAxis(first, axis, static_cast<Sint16>(((base + axis) & 0xFFFF) - 32768));
                          KestraInput::Update();
                          const KestraJoystickState s = Pad(0);
                          for (int axis = 0; axis < 6; ++axis) {
                              const int raw = (base + axis) & 0xFFFF;
                              double v = std::trunc((raw - 32767) * 65535.0 / 32768.0);
                              if (std::fabs(v) < 3276) v = 0;
                              ASSERT_EQ(s.axes[axis], static_cast<int32_t>(v)) << "raw " << raw;
                          }
                      }

                      // Sliders keep the device's values; the other aspects stay zero.
                      SDL_JoystickSetVirtualAxis(first, 6, 32767);
                      SDL_JoystickSetVirtualAxis(first, 7, -32768);
                      KestraInput::Update();
                      KestraJoystickState s = Pad(0);
                      EXPECT_EQ(s.sliders[0], 65535);
                      EXPECT_EQ(s.sliders[1], 0);
                      for (int i = 0; i < 6; ++i) {
                          EXPECT_EQ(s.velocity[i], 0);
                          EXPECT_EQ(s.acceleration[i], 0);
                          EXPECT_EQ(s.force[i], 0);
                      }

                      // Hats in whole degrees; centred and absent hats read -1.
                      const struct {
                          Uint8 hat;
                          uint32_t degrees;
                      } hats[] = {{SDL_HAT_UP, 0},         {SDL_HAT_RIGHTUP, 45},   {SDL_HAT_RIGHT, 90},
                                  {SDL_HAT_RIGHTDOWN, 135}, {SDL_HAT_DOWN, 180},     {SDL_HAT_LEFTDOWN, 225},
                                  {SDL_HAT_LEFT, 270},      {SDL_HAT_LEFTUP, 315},   {SDL_HAT_CENTERED, 0xFFFFFFFFu}};
                      for (const auto& h : hats) {
                          SDL_JoystickSetVirtualHat(first, 0, h.hat);
                          KestraInput::Update();
                          s = Pad(0);
                          EXPECT_EQ(s.pov[0], h.degrees) << int(h.hat);
                          EXPECT_EQ(s.pov[1], 0xFFFFFFFFu);
                          EXPECT_EQ(s.pov[2], 0xFFFFFFFFu);
                          EXPECT_EQ(s.pov[3], 0xFFFFFFFFu);
                      }

                      // Buttons 0/1; the 49th and 50th buttons lie beyond the 48 of the state.
                      for (int b : {0, 5, 47, 48, 49}) SDL_JoystickSetVirtualButton(first, b, SDL_PRESSED);
                      KestraInput::Update();
                      s = Pad(0);
                      for (int b = 0; b < 48; ++b) EXPECT_EQ(s.buttons[b], (b == 0 || b == 5 || b == 47) ? 1 : 0) << b;

                      // The second pad is its own.
                      SDL_JoystickSetVirtualAxis(second, 1, 32767);
                      SDL_JoystickSetVirtualHat(second, 0, SDL_HAT_DOWN);
                      SDL_JoystickSetVirtualButton(second, 3, SDL_PRESSED);
                      KestraInput::Update();
                      const KestraJoystickState other = Pad(1);
                      EXPECT_EQ(other.axes[0], 0);
                      EXPECT_EQ(other.axes[1], 65535);
                      EXPECT_EQ(other.pov[0], 180u);
                      EXPECT_EQ(other.buttons[3], 1);
                      EXPECT_EQ(other.buttons[0], 0);
                      EXPECT_EQ(Pad(0).buttons[47], 1);
                  }),
              0);
}

TEST(KestraInput, AFailedPadReadClearsOnlyThatPadUntilItIsReadAgain) {
    testsupport::TempDir dir;
    SDL_Joystick* first = nullptr;
    SDL_Joystick* second = nullptr;
    EXPECT_EQ(RunBooted(
                  dir,
                  [&] {
                      first = AttachPad(2, 4, 1);
                      second = AttachPad(2, 4, 1);
                  },
                  [&] {
                      ASSERT_TRUE(first && second);
                      SDL_JoystickSetVirtualAxis(first, 0, 32767);
                      SDL_JoystickSetVirtualHat(first, 0, SDL_HAT_UP);
                      SDL_JoystickSetVirtualButton(first, 2, SDL_PRESSED);
                      SDL_JoystickSetVirtualAxis(second, 1, -32768);
                      SDL_JoystickSetVirtualHat(second, 0, SDL_HAT_LEFT);
                      KestraInput::Update();
                      auto expectFirst = [](const KestraJoystickState& s) {
                          EXPECT_EQ(s.axes[0], 65535);
                          EXPECT_EQ(s.pov[0], 0u);
                          EXPECT_EQ(s.buttons[2], 1);
                      };
                      auto expectSecond = [](const KestraJoystickState& s) {
                          EXPECT_EQ(s.axes[1], -65533);
                          EXPECT_EQ(s.pov[0], 270u);
                      };
                      expectFirst(Pad(0));
                      expectSecond(Pad(1));

                      for (int failing = 1; failing >= 0; --failing) {
                          platform::InjectFault("IDirectInputDevice8::GetDeviceState:" + std::to_string(failing), 0, 1);
                          KestraInput::Update();
                          bool present = false;
                          const KestraJoystickState lost = Pad(static_cast<uint32_t>(failing), &present);
                          ExpectCleared(lost);
                          EXPECT_TRUE(present);  // still its device: read again next frame
                          if (failing == 1)
                              expectFirst(Pad(0));
                          else
                              expectSecond(Pad(1));
                          KestraInput::Update();
                          expectFirst(Pad(0));
                          expectSecond(Pad(1));
                      }
                  }),
              0);
}

TEST(KestraInput, PadLimitAndDevicesFailingAtStartAreLeftOut) {
    testsupport::TempDir dir;
    std::vector<SDL_Joystick*> pads;
    EXPECT_EQ(RunBooted(
                  dir,
                  [&] {
                      for (int i = 0; i < 3; ++i) pads.push_back(AttachPad(2, 2, 0));
                      // The driver offers two slots: the third pad is not opened.
                      platform::SetJoystickSlotCountForTesting(2);
                  },
                  [&] {
                      for (SDL_Joystick* pad : pads) ASSERT_NE(pad, nullptr);
                      for (SDL_Joystick* pad : pads) SDL_JoystickSetVirtualAxis(pad, 0, 32767);
                      KestraInput::Update();
                      bool present = false;
                      EXPECT_EQ(KestraInput::GetJoystickCount(), 2u);
                      EXPECT_EQ(Pad(1, &present).axes[0], 65535);
                      EXPECT_TRUE(present);
                      EXPECT_TRUE(AllZero(Pad(2, &present)));
                      EXPECT_FALSE(present);

                      // The first pad's axis range cannot be read: that pad is dropped and
                      // the other one still works.
                      platform::SetJoystickSlotCountForTesting(-1);
                      KestraInput::Finalize();
                      platform::InjectFault("IDirectInputDevice8::GetProperty:0", 0, 1);
                      ASSERT_TRUE(KestraInput::Initialize());
                      EXPECT_EQ(KestraInput::GetJoystickCount(), 3u);
                      KestraInput::Update();
                      ExpectCleared(Pad(0, &present));
                      EXPECT_FALSE(present);
                      EXPECT_EQ(Pad(1, &present).axes[0], 65535);
                      EXPECT_TRUE(present);
                      EXPECT_EQ(Pad(2).axes[0], 65535);

                      // The second pad refuses the data format; the keyboard cannot be made.
                      KestraInput::Finalize();
                      platform::ClearFaults();
                      platform::InjectFault("IDirectInputDevice8::SetDataFormat:1", 0, 1);
                      platform::InjectFault("IDirectInput8::CreateDevice:keyboard", 0, 1);
                      ASSERT_TRUE(KestraInput::Initialize());
                      KestraInput::Update();
                      EXPECT_EQ(Pad(0, &present).axes[0], 65535);
                      EXPECT_TRUE(present);
                      Pad(1, &present);
                      EXPECT_FALSE(present);
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_ESCAPE));
                      uint32_t key = 7;
                      EXPECT_FALSE(KestraInput::GetKeyBuffer(&key));
                      EXPECT_EQ(key, 0u);

                      // The enumeration itself fails: no pads, yet the module runs.
                      KestraInput::Finalize();
                      platform::ClearFaults();
                      platform::InjectFault("IDirectInput8::EnumDevices", 0, 1);
                      ASSERT_TRUE(KestraInput::Initialize());
                      EXPECT_EQ(KestraInput::GetJoystickCount(), 0u);
                      KestraInput::Update();
                      EXPECT_TRUE(AllZero(Pad(0, &present)));
                      EXPECT_FALSE(present);
                  }),
              0);
    const std::string log = Log(dir);
    EXPECT_TRUE(LogHas(log, U8(u8"　エラー : ジョイスティック[00]の軸の範囲の取得に失敗")));
    EXPECT_TRUE(LogHas(log, U8(u8"　エラー : ジョイスティック[01]のデータフォーマットの設定に失敗")));
    EXPECT_TRUE(LogHas(log, U8(u8"　エラー : キーボードデバイスの生成に失敗")));
    EXPECT_TRUE(LogHas(log, U8(u8"　エラー : ジョイスティックの列挙に失敗")));
}

class KestraInputStartFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(KestraInputStartFailure, LeavesTheModuleOffAndStartFailing) {
    testsupport::TempDir dir;
    SDL_Joystick* pad = nullptr;
    const std::string fault = GetParam();
    g_expectStartFailure = true;
    EXPECT_EQ(RunBooted(
                  dir,
                  [&] {
                      pad = AttachPad(2, 2, 0);
                      platform::InjectFault(fault);
                  },
                  [&] {
                      EXPECT_FALSE(KestraInput::IsStarted());
                      KestraInput::Update();
                      EXPECT_FALSE(KestraInput::GetKeyData(DIK_ESCAPE));
                      uint32_t key = 9;
                      EXPECT_FALSE(KestraInput::GetKeyBuffer(&key));
                      EXPECT_EQ(key, 0u);
                      bool present = true;
                      EXPECT_TRUE(AllZero(Pad(0, &present)));
                      EXPECT_FALSE(present);
                      EXPECT_EQ(KestraInput::GetJoystickCount(), 0u);
                      KestraInput::Finalize();
                  }),
              0);
    g_expectStartFailure = false;
    const std::string log = Log(dir);
    EXPECT_TRUE(LogHas(log, U8(u8"KestraInputクラスの初期化")));
    EXPECT_TRUE(LogHas(log, fault == "CoCreateInstance:CLSID_DirectInput8"
                                ? U8(u8"<FONT color=\"RED\">　エラー : DirectInputオブジェクトの生成に失敗</FONT>")
                                : U8(u8"<FONT color=\"RED\">　エラー : DirectInputオブジェクトの初期化に失敗</FONT>")));
    // A module that never started has nothing to finish.
    EXPECT_FALSE(LogHas(log, U8(u8"KestraInputクラスの解放")));
}

INSTANTIATE_TEST_SUITE_P(Faults, KestraInputStartFailure,
                         ::testing::Values("CoCreateInstance:CLSID_DirectInput8", "IDirectInput8::Initialize"));

}  // namespace
