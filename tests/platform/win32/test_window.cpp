// Windows on SDL: geometry, styles, titles, creation and activation messages,
// destruction while a drawing device still holds the SDL window.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "tests/platform/win32/window_fixture.h"
#include "tests/support/test_support.h"

using namespace windowtest;

namespace {

std::pair<int, int> ClientSize(HWND window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(platform::SdlWindowOf(window), &w, &h);
    return {w, h};
}
Uint32 FlagsOf(HWND window) { return SDL_GetWindowFlags(platform::SdlWindowOf(window)); }

const char* Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TEST_F(WindowTest, CaptionedWindowHasExactlyTheRequestedClientArea) {
    SDL_Rect display;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), display.w);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), display.h);
    EXPECT_EQ(std::vector<int>({GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), GetSystemMetrics(SM_CXSMICON),
                                GetSystemMetrics(SM_CYSMICON), GetSystemMetrics(SM_CYSMICON + 1)}),
              std::vector<int>({32, 32, 16, 16, 0}));

    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_FALSE(FlagsOf(window) & SDL_WINDOW_BORDERLESS);
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_HIDDEN) << "windows start hidden until ShowWindow";

    RECT client{}, outer{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(std::vector<LONG>({client.right, client.bottom}), std::vector<LONG>({640, 480}));
    ASSERT_TRUE(GetWindowRect(window, &outer));
    int x = 0, y = 0;
    SDL_GetWindowPosition(platform::SdlWindowOf(window), &x, &y);
    POINT inside{x + 5, y + 7};
    ASSERT_TRUE(ScreenToClient(window, &inside));
    EXPECT_EQ(std::vector<LONG>({inside.x, inside.y}), std::vector<LONG>({5, 7}));
    EXPECT_EQ(outer.right - outer.left, 640 + 2 + 3 + 1);
    EXPECT_EQ(outer.bottom - outer.top, 480 + 2 + 3 + 1 + 19);
    EXPECT_EQ(outer.left, display.w / 2 - (640 + 6) / 2);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x80CA0000u);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongA(window, -4), 0);
    EXPECT_EQ(GetLastError(), 1413u);  // ERROR_INVALID_INDEX
    SetLastError(0);
    EXPECT_EQ(SetWindowLongA(window, -4, 1), 0);
    EXPECT_EQ(GetLastError(), 1413u);
    EXPECT_FALSE(UnregisterClassA(className_.c_str(), nullptr)) << "a window of the class is alive";

    // Placed by the system: the outer rectangle is where SDL put the client, less the frame.
    HWND placed = Create(WS_POPUP | WS_CAPTION, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
    ASSERT_NE(placed, nullptr);
    SDL_GetWindowPosition(platform::SdlWindowOf(placed), &x, &y);
    ASSERT_TRUE(GetWindowRect(placed, &outer));
    EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right, outer.bottom}),
              std::vector<LONG>({x - 3, y - 22, x - 3 + 646, y - 22 + 505}));
}

TEST_F(WindowTest, FullScreenPopupIsBorderlessAtTheRequestedSize) {
    HWND window = Create(WS_POPUP | 0x00800000, 0, 0, 640, 480);  // a caption's border bit alone: no title bar
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_BORDERLESS);
    RECT outer{};
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right, outer.bottom}), std::vector<LONG>({0, 0, 640, 480}));
}

TEST_F(WindowTest, CaptionIsShownAsUtf8AndReadBackAsCp932) {
    // The literal is CP932 at run time; SDL must get its UTF-8 form.
    const char* caption = "Quenrith ver1.12 弾幕テスト";
    ASSERT_EQ(std::string(caption), testsupport::Utf8ToCp932(Utf8(u8"Quenrith ver1.12 弾幕テスト")));
    HWND window = CreateCaptioned(640, 480, caption);
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(platform::SdlWindowOf(window)), Utf8(u8"Quenrith ver1.12 弾幕テスト"));
    char text[64];
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), static_cast<int>(std::string(caption).size()));
    EXPECT_STREQ(text, caption);

    platform::SetCallRecording(true);
    ASSERT_TRUE(SetWindowTextA(window, "FPS[60] テ"));
    EXPECT_STREQ(SDL_GetWindowTitle(platform::SdlWindowOf(window)), Utf8(u8"FPS[60] テ"));
    ASSERT_EQ(platform::RecordedCalls().size(), 1u);
    EXPECT_EQ(platform::RecordedCalls()[0], std::string("SetWindowTextA FPS[60] テ"));

    // A short buffer cuts before a double-byte character, never through it.
    char small[10];
    EXPECT_EQ(GetWindowTextA(window, small, sizeof small), 8);
    EXPECT_STREQ(small, "FPS[60] ");
}

TEST_F(WindowTest, CreateSendsWmCreateBeforeReturningAndShowActivates) {
    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log()[0].window, window);
    EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_CREATE));
    Log().clear();

    // There may be no window manager to report focus: showing activates.
    EXPECT_FALSE(ShowWindow(window, SW_SHOW)) << "was hidden";
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_SHOWN);
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(MessagesOf(Log(), window), std::vector<UINT>{WM_ACTIVATEAPP});
    EXPECT_EQ(Log()[0].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(GetForegroundWindow(), window);

    Log().clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOW)) << "was visible";
    EXPECT_TRUE(MessagesOf(Log(), window).empty()) << "already active: no second activation";

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_EQ(MessagesOf(Log(), window), std::vector<UINT>{WM_ACTIVATEAPP});
    EXPECT_EQ(Log()[0].wParam, static_cast<WPARAM>(FALSE));
}

namespace {
LRESULT CALLBACK RefusingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({window, message, wParam, lParam});
    if (message == WM_CREATE) return -1;
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

TEST_F(WindowTest, CreationFailuresAnswerNull) {
    std::string refusing = className_ + ".refusing";
    ASSERT_NE(Register(refusing, RefusingProc, 0), 0);
    EXPECT_EQ(Create(WS_POPUP, 0, 0, 64, 64, "refused", refusing), nullptr);
    ASSERT_GE(Log().size(), 2u);
    EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(Log()[1].message, static_cast<UINT>(WM_DESTROY)) << "a refused window is destroyed";

    EXPECT_EQ(Create(WS_POPUP, 0, 0, 64, 64, "no class", "KestraNoSuchClass"), nullptr);

    platform::InjectFault("CreateWindowExA", 0, 1);
    EXPECT_EQ(Create(WS_POPUP, 0, 0, 64, 64), nullptr);
    EXPECT_NE(Create(WS_POPUP, 0, 0, 64, 64), nullptr) << "the fault fires once";

    platform::InjectFault("RegisterClassA", 0, 1);
    EXPECT_EQ(Register(className_ + ".faulty", LoggingProc, 0), 0);
    EXPECT_EQ(Register(className_ + ".noproc", nullptr, 0), 0);
    // Class names compare without regard to case, as on Windows.
    std::string upper = className_;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(Register(upper, LoggingProc, 0), 0) << "already registered";
}

TEST_F(WindowTest, StyleSwitchesBetweenWindowedAndFullScreenGeometry) {
    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    RECT windowed{};
    ASSERT_TRUE(GetWindowRect(window, &windowed));
    platform::SetCallRecording(true);

    // To full screen, as the engine's Alt+Enter does it.
    EXPECT_EQ(static_cast<DWORD>(SetWindowLongA(window, GWL_STYLE, WS_VISIBLE)), 0x80CA0000u);
    ASSERT_TRUE(SetWindowPos(window, HWND_TOPMOST, 0, 0, 640, 480, 0));
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_BORDERLESS);
    EXPECT_TRUE(FlagsOf(window) & SDL_WINDOW_ALWAYS_ON_TOP);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(std::vector<LONG>({rect.left, rect.right, rect.bottom}), std::vector<LONG>({0, 640, 480}));

    // And back to the centred captioned window.
    SetWindowLongA(window, GWL_STYLE, WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    ASSERT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, windowed.left, windowed.top, windowed.right - windowed.left,
                             windowed.bottom - windowed.top, 0));
    EXPECT_EQ(ClientSize(window), std::pair(640, 480));
    EXPECT_FALSE(FlagsOf(window) & SDL_WINDOW_BORDERLESS);
    EXPECT_FALSE(FlagsOf(window) & SDL_WINDOW_ALWAYS_ON_TOP);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(std::vector<LONG>({client.right, client.bottom}), std::vector<LONG>({640, 480}));

    char back[96];
    std::snprintf(back, sizeof back, "SetWindowPos HWND_NOTOPMOST %d %d 646 505 0", static_cast<int>(windowed.left),
                  static_cast<int>(windowed.top));
    std::vector<std::string> expected{"SetWindowLongA GWL_STYLE 0x10000000", "SetWindowPos HWND_TOPMOST 0 0 640 480 0",
                                      "SetWindowLongA GWL_STYLE 0x10CA0000", back};
    EXPECT_EQ(platform::RecordedCalls(), expected);
}

TEST_F(WindowTest, DestroyedWindowKeepsItsSdlWindowWhileRetained) {
    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    SDL_Window* sdl = platform::SdlWindowOf(window);
    Uint32 id = SDL_GetWindowID(sdl);
    EXPECT_EQ(platform::WindowOfSdlId(id), window);
    platform::RetainSdlWindow(window);

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(platform::SdlWindowOf(window), nullptr);
    EXPECT_EQ(platform::WindowOfSdlId(id), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(id), sdl) << "a drawing device still holds it";
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
    // A dead handle: each call fails with ERROR_INVALID_WINDOW_HANDLE.
    const std::function<bool()> dead[] = {
        [&] { return DestroyWindow(window); }, [&] { return GetWindowLongA(window, GWL_STYLE) != 0; },
        [&] { return SetWindowLongA(window, GWL_EXSTYLE, 1) != 0; },
        [&] { return SetWindowPos(window, nullptr, 0, 0, 8, 8, SWP_NOZORDER); }};
    for (const auto& call : dead) {
        SetLastError(0);
        EXPECT_FALSE(call());
        EXPECT_EQ(GetLastError(), 1400u);
    }
    Log().clear();
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_TRUE(Log().empty()) << "a dead window's procedure is never called";

    platform::ReleaseSdlWindow(window);
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr) << "the last holder destroys it";

    HWND plain = Create(WS_POPUP, 0, 0, 32, 32);
    ASSERT_NE(plain, nullptr);
    // GL stays mapped past its last window; the probe must not hold it itself.
    void* egl = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (egl) dlclose(egl);
    Log().clear();
    ShowWindow(plain, SW_SHOW);
    EXPECT_EQ(MessagesOf(Log(), plain), std::vector<UINT>{WM_ACTIVATEAPP}) << "the destroyed one is active no more";
    Uint32 plainId = SDL_GetWindowID(platform::SdlWindowOf(plain));
    DestroyWindow(plain);
    EXPECT_EQ(SDL_GetWindowFromID(plainId), nullptr) << "nobody retained it";
    if (egl) EXPECT_NE(dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD), nullptr) << "GL outlives its last window";
}

TEST_F(WindowTest, CursorKeepsTheDisplayCounterAndItsClip) {
    // No active window: nothing to confine to, though letting go succeeds.
    const RECT area{0, 0, 100, 50};
    EXPECT_EQ(std::vector<BOOL>({ClipCursor(&area), ClipCursor(nullptr)}), std::vector<BOOL>({FALSE, TRUE}));
    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    SDL_Window* sdl = platform::SdlWindowOf(window);
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    const RECT screen{x + 10, y + 20, x + 110, y + 70};
    EXPECT_TRUE(ClipCursor(&screen));
    const SDL_Rect* clip = SDL_GetWindowMouseRect(sdl);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(std::vector<int>({clip->x, clip->y, clip->w, clip->h}), std::vector<int>({10, 20, 100, 50}));
    EXPECT_TRUE(ClipCursor(nullptr));
    EXPECT_EQ(SDL_GetWindowMouseRect(sdl), nullptr);
    platform::SetCallRecording(true);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "still below zero";
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(platform::RecordedCalls(),
              (std::vector<std::string>{"ShowCursor 0", "ShowCursor 0", "ShowCursor 1", "ShowCursor 1"}));
}

TEST_F(WindowTest, ResourcesAndInputMethodAnswerAsWithoutEmbeddedResources) {
    HWND window = CreateCaptioned();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(LoadImageA(nullptr, "ICON_TITLEBAR_SMALL", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(std::vector<HANDLE>({LoadCursorA(GetModuleHandleA(nullptr), IDC_ARROW), GetStockObject(-1),
                                   GetStockObject(20), LoadIconA(GetModuleHandleA(nullptr), IDC_ARROW)}),
              std::vector<HANDLE>(4, nullptr));
    EXPECT_EQ(ImmGetDefaultIMEWnd(window), nullptr);
    // The engine closes the input-method window it never gets: a no-op.
    EXPECT_EQ(SendMessageA(ImmGetDefaultIMEWnd(window), WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(nullptr, WM_CLOSE, 0, 0));
    HIMC context = ImmGetContext(window);
    EXPECT_NE(context, nullptr);
    EXPECT_EQ(ImmGetContext(nullptr), nullptr);
    EXPECT_TRUE(ImmReleaseContext(window, context));
}
