// The message queue and the translation of SDL events into window messages.
#include <gtest/gtest.h>

#include <thread>

#include "tests/platform/win32/window_fixture.h"

using namespace windowtest;

class MessageQueueTest : public WindowTest {};

namespace {

Uint32 SdlIdOf(HWND window) { return SDL_GetWindowID(platform::SdlWindowOf(window)); }

void PushKeyDown(HWND window, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod, bool repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SdlIdOf(window);
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void PushWindowEvent(HWND window, Uint8 what, Sint32 x = 0, Sint32 y = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SdlIdOf(window);
    event.window.event = what;
    event.window.data1 = x;
    event.window.data2 = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void PushWheel(HWND window, int y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = SdlIdOf(window);
    event.wheel.y = y;
    event.wheel.preciseY = static_cast<float>(y);
    event.wheel.direction = direction;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

short WheelDelta(const MSG& msg) { return static_cast<short>(HIWORD(msg.wParam)); }

constexpr LPARAM kAltDown = LPARAM(1) << 29;
constexpr LPARAM kRepeat = LPARAM(1) << 30;

}  // namespace

TEST_F(MessageQueueTest, PostedMessagesKeepOrderAndQuitComesLast) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    platform::UseVirtualClock(true);  // each message carries the tick count of its posting
    const DWORD posted = GetTickCount();
    ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 11, 0));
    PostQuitMessage(7);
    platform::AdvanceVirtualClock(platform::kCounterFrequency);
    ASSERT_TRUE(PostMessageA(window, WM_USER + 2, 22, 0));
    PostQuitMessage(9);  // the quit is a flag: two requests give one WM_QUIT
    ASSERT_TRUE(PostMessageA(window, WM_USER + 3, 33, 0));

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1)) << "peeking without removing leaves it first";

    std::vector<MSG> all = Drain();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(all[0].wParam, 11u);
    EXPECT_EQ(all[0].hwnd, window);
    EXPECT_EQ(all[1].message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(all[2].message, static_cast<UINT>(WM_USER + 3));
    EXPECT_EQ(std::vector<DWORD>({all[0].time, all[1].time}), std::vector<DWORD>({posted, posted + 1000}));
    EXPECT_EQ(all[3].message, static_cast<UINT>(WM_QUIT)) << "only once the posted messages are gone";
    EXPECT_EQ(all[3].wParam, 9u);
    EXPECT_EQ(all[3].hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Filters: a range takes both its ends; -1 takes only messages of no window,
    // and a window filter never takes the quit; peeking leaves the quit in place.
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    PostQuitMessage(1);
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_USER, WM_USER + 2, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, window, WM_QUIT, WM_QUIT, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    all = Drain();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].message, static_cast<UINT>(WM_QUIT));

    // Dispatch reaches the window procedure with the message's parameters.
    PostMessageA(window, WM_USER + 4, 44, 55);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    Log().clear();
    EXPECT_FALSE(TranslateMessage(&msg));
    DispatchMessageA(&msg);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_USER + 4));
    EXPECT_EQ(Log()[0].lParam, 55);
    platform::UseVirtualClock(false);
}

TEST_F(MessageQueueTest, GetMessageWakesForPostsFromOtherThreadsAndEndsOnQuit) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    std::thread poster([window] {
        PostMessageA(window, WM_USER + 5, 1, 2);
    });
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, WM_USER, WM_USER + 10), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    poster.join();
    PostQuitMessage(3);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageQueueTest, MessagesForDestroyedWindowsAreDropped) {
    HWND doomed = Create(WS_POPUP, 0, 0, 64, 64);
    HWND survivor = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(doomed, nullptr);
    ASSERT_NE(survivor, nullptr);
    PostMessageA(doomed, WM_USER + 1, 0, 0);
    PostMessageA(survivor, WM_USER + 2, 0, 0);
    PostMessageA(doomed, WM_USER + 3, 0, 0);
    ASSERT_TRUE(DestroyWindow(doomed));
    Log().clear();

    EXPECT_FALSE(PostMessageA(doomed, WM_USER + 4, 0, 0));
    EXPECT_EQ(GetLastError(), 1400u);  // ERROR_INVALID_WINDOW_HANDLE
    EXPECT_EQ(SendMessageA(doomed, WM_USER + 5, 0, 0), 0);
    EXPECT_TRUE(Log().empty()) << "a dead window's procedure is never called";
    std::vector<MSG> all = Drain();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].hwnd, survivor);
    EXPECT_EQ(all[0].message, static_cast<UINT>(WM_USER + 2));
}

TEST_F(MessageQueueTest, DefaultProcedureClosesAndAltF4BecomesClose) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    Log().clear();
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(IsWindow(window)) << "other system commands do nothing";
    HWND other = Create(WS_POPUP, 0, 0, 64, 64);
    SendMessageA(other, WM_SYSCOMMAND, SC_CLOSE | 2, 0);  // the low four bits are the system's own
    EXPECT_FALSE(IsWindow(other));
    Log().clear();
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 | kAltDown);
    EXPECT_FALSE(IsWindow(window));
    std::vector<UINT> expected{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY};
    EXPECT_EQ(MessagesOf(Log(), window), expected);
    EXPECT_EQ(Log()[1].wParam, static_cast<WPARAM>(SC_CLOSE));
}

namespace {
// The engine's pattern: WM_CLOSE sends WM_DESTROY itself, then lets the default
// procedure destroy the window, which sends WM_DESTROY a second time.
LRESULT CALLBACK EngineLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({window, message, wParam, lParam});
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_CLOSE) SendMessageA(window, WM_DESTROY, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

TEST_F(MessageQueueTest, DoubleDestroyOfTheEngineGivesOneQuit) {
    std::string engineClass = className_ + ".engine";
    ASSERT_NE(Register(engineClass, EngineLikeProc, CS_DBLCLKS), 0);
    HWND window = Create(WS_POPUP, 0, 0, 64, 64, "engine", engineClass);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_USER, 0, 0);  // dropped: the window is gone by then
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(window));
    std::vector<UINT> expected{WM_CREATE, WM_CLOSE, WM_DESTROY, WM_DESTROY};
    EXPECT_EQ(MessagesOf(Log(), window), expected);
    std::vector<MSG> rest = Drain();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].message, static_cast<UINT>(WM_QUIT));
}

TEST_F(MessageQueueTest, AltEnterBecomesSystemKeyWithRepeatsMerged) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, false);
    std::vector<MSG> first = DrainFor(window);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(first[0].wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_TRUE(first[0].lParam & kAltDown);
    EXPECT_FALSE(first[0].lParam & kRepeat);
    EXPECT_EQ(LOWORD(first[0].lParam), 1);

    // Auto-repeat while the frame is busy: one message, bit 30 set, count 3.
    for (int i = 0; i < 3; ++i) PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_RALT, true);
    std::vector<MSG> repeats = DrainFor(window);
    ASSERT_EQ(repeats.size(), 1u);
    EXPECT_EQ(repeats[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_TRUE(repeats[0].lParam & kAltDown);
    EXPECT_TRUE(repeats[0].lParam & kRepeat);
    EXPECT_EQ(LOWORD(repeats[0].lParam), 3);
    // A repeat does not join a first press still waiting.
    PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, false);
    PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, true);
    repeats = DrainFor(window);
    ASSERT_EQ(repeats.size(), 2u);
    EXPECT_FALSE(repeats[0].lParam & kRepeat);
    EXPECT_EQ(LOWORD(repeats[0].lParam), 1);
    // The count stops at 0xFFFF instead of spilling into the scan code.
    for (int batch = 0; batch < 70; ++batch) {
        for (int i = 0; i < 1000; ++i) PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, true);
        MSG peeked;
        PeekMessageA(&peeked, window, 0, 0, PM_NOREMOVE);
    }
    std::vector<MSG> many = DrainFor(window);
    ASSERT_EQ(many.size(), 1u);
    EXPECT_EQ(many[0].lParam, (repeats[1].lParam & ~LPARAM(0xFFFF)) | 0xFFFF);

    // Enter alone is a character, not a system key; other Alt keys are not queued.
    PushKeyDown(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_NONE, false);
    PushKeyDown(window, SDLK_x, SDL_SCANCODE_X, KMOD_LALT, false);
    std::vector<MSG> plain = DrainFor(window);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(plain[0].wParam, static_cast<WPARAM>(VK_RETURN));
}

TEST_F(MessageQueueTest, AltF4FromSdlClosesTheWindowThroughTheDefaultProcedure) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    PushKeyDown(window, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT, false);
    std::vector<MSG> queued = DrainFor(window);
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(queued[0].wParam, static_cast<WPARAM>(VK_F4));
    DispatchMessageA(&queued[0]);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(MessageQueueTest, TextInputBecomesOneCharPerCp932Byte) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = SdlIdOf(window);
    std::snprintf(event.text.text, sizeof event.text.text, "%s", "\xE3\x82\xA2z");  // UTF-8 "アz"
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    std::vector<MSG> chars = DrainFor(window);
    ASSERT_EQ(chars.size(), 3u);
    for (const MSG& msg : chars) EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(chars[0].wParam, 0x83u) << "lead byte first";
    EXPECT_EQ(chars[1].wParam, 0x41u);
    EXPECT_EQ(chars[2].wParam, static_cast<WPARAM>('z'));
}

TEST_F(MessageQueueTest, WheelDeltaIsSignedAndMerged) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    PushWheel(window, -1);
    std::vector<MSG> down = DrainFor(window);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].message, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(WheelDelta(down[0]), -120);

    PushWheel(window, 1);
    PushWheel(window, 2);
    PushWheel(window, 1, SDL_MOUSEWHEEL_FLIPPED);
    std::vector<MSG> up = DrainFor(window);
    ASSERT_EQ(up.size(), 1u) << "wheel steps waiting in the queue add up";
    EXPECT_EQ(WheelDelta(up[0]), 120 + 240 - 120);
    // Steps that would overflow the signed delta start a new message.
    PushWheel(window, 200);
    PushWheel(window, 74);
    up = DrainFor(window);
    ASSERT_EQ(up.size(), 2u);
    EXPECT_EQ(WheelDelta(up[0]), 24000);
    EXPECT_EQ(WheelDelta(up[1]), 8880);
}

TEST_F(MessageQueueTest, DoubleClicksAndCoalescedMouseMoves) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    for (Uint8 clicks : {1, 2, 3, 4}) {
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.windowID = SdlIdOf(window);
        event.button.button = clicks == 4 ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT;
        event.button.state = SDL_PRESSED;
        event.button.clicks = clicks;
        event.button.x = 10 + clicks;
        event.button.y = 20;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    for (int i = 0; i < 100; ++i) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = SdlIdOf(window);
        event.motion.x = i;
        event.motion.y = 2 * i;
        event.motion.state = i == 99 ? SDL_BUTTON_LMASK | SDL_BUTTON_MMASK : 0;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    std::vector<MSG> clicks;
    std::vector<MSG> moves;
    for (const MSG& msg : Drain()) {
        if (msg.hwnd != window) continue;
        if (msg.message == WM_MOUSEMOVE)
            moves.push_back(msg);
        else if (msg.message != WM_ACTIVATEAPP)
            clicks.push_back(msg);
    }
    ASSERT_EQ(clicks.size(), 2u) << "every second click of a series is a double click";
    EXPECT_EQ(clicks[0].message, static_cast<UINT>(WM_LBUTTONDBLCLK));
    EXPECT_EQ(LOWORD(clicks[0].lParam), 12);
    EXPECT_EQ(HIWORD(clicks[0].lParam), 20);
    EXPECT_EQ(clicks[1].message, static_cast<UINT>(WM_RBUTTONDBLCLK));
    ASSERT_EQ(moves.size(), 1u) << "mouse motion must not flood the queue";
    EXPECT_EQ(LOWORD(moves[0].lParam), 99);
    EXPECT_EQ(HIWORD(moves[0].lParam), 198);
    EXPECT_EQ(moves[0].wParam, WPARAM(0x0011)) << "the last move's buttons: MK_LBUTTON | MK_MBUTTON";
}

TEST_F(MessageQueueTest, WindowEventsBecomeCloseAndActivation) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    std::vector<MSG> closes = DrainFor(window);
    ASSERT_EQ(closes.size(), 1u) << "one pending close is enough";
    EXPECT_EQ(closes[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_TRUE(IsWindow(window)) << "closing is the window procedure's decision";

    PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);  // already active
    PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);  // already inactive
    PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
    std::vector<WPARAM> activation;
    for (const MSG& msg : Drain())
        if (msg.hwnd == window && msg.message == WM_ACTIVATEAPP) activation.push_back(msg.wParam);
    EXPECT_EQ(activation, (std::vector<WPARAM>{1, 0, 1, 0}));

    // A move of the client area moves the outer rectangle by the frame's offset.
    HWND captioned = CreateCaptioned(200, 100);
    PushWindowEvent(captioned, SDL_WINDOWEVENT_MOVED, 100, 120);
    Drain();
    RECT outer{};
    ASSERT_TRUE(GetWindowRect(captioned, &outer));
    EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right, outer.bottom}),
              std::vector<LONG>({97, 98, 97 + 206, 98 + 125}));
}

namespace {
struct ObserverLog {
    Uint32 windowId = 0;
    int keyUps = 0;
    int texts = 0;
    bool removeSelf = false;
};
void CountingObserver(const SDL_Event& event, void* user) {
    auto* log = static_cast<ObserverLog*>(user);
    if (event.type == SDL_KEYUP && event.key.windowID == log->windowId) ++log->keyUps;
    if (event.type == SDL_TEXTINPUT && event.text.windowID == log->windowId) ++log->texts;
    if (log->removeSelf) platform::RemoveSdlEventObserver(CountingObserver, user);
}
}  // namespace

TEST_F(MessageQueueTest, ObserversSeeEveryEventIncludingUntranslatedOnes) {
    HWND window = Create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    ObserverLog other, log;  // one procedure for two users
    log.windowId = other.windowId = SdlIdOf(window);
    platform::AddSdlEventObserver(CountingObserver, &other);
    platform::AddSdlEventObserver(CountingObserver, &log);
    for (int i = 0; i < 2; ++i) {
        SDL_Event event{};
        event.type = SDL_KEYUP;
        event.key.windowID = log.windowId;
        event.key.keysym.sym = SDLK_z;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    platform::PumpSdlEvents();
    EXPECT_EQ(log.keyUps, 2);
    EXPECT_TRUE(DrainFor(window).empty()) << "key releases are not window messages here";

    log.removeSelf = true;
    for (int i = 0; i < 2; ++i) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = log.windowId;
        event.text.text[0] = 'a';
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    platform::PumpSdlEvents();
    EXPECT_EQ(log.texts, 1) << "an observer that removed itself sees nothing more";
    EXPECT_EQ(other.texts, 2) << "the same procedure for another user stays";
    EXPECT_EQ(DrainFor(window).size(), 2u) << "the text still reaches the window";
    platform::RemoveSdlEventObserver(CountingObserver, &other);
}
