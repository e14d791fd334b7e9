// The video driver the window layer starts SDL on: one that shows windows, or
// one that SDL_VIDEODRIVER names; with no display, window creation fails with
// one line on standard error and the process ends non-zero.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace {

TEST(VideoDriver, OnlyDriversThatShowWindowsServeUnlessNamed) {
    struct Case {
        const char* driver;
        const char* requested;
        bool accepted;
    };
    const Case cases[] = {
        {"x11", nullptr, true},
        {"wayland", nullptr, true},
        {"kmsdrm", "", true},
        {"x11", "wayland", true},  // SDL chose it: the request is SDL's business then
        {"offscreen", nullptr, false},
        {"offscreen", "", false},
        {"dummy", nullptr, false},
        {"offscreen", "x11", false},
        {"offscreen", "offscreen", true},
        {"offscreen", "OffScreen", true},
        {"dummy", "x11,dummy", true},
        {"offscreen", "x11,offscreen,dummy", true},
        {"offscreen", "offscreen2", false},
        {"offscreen", "offscree", false},
        {"dummy", "x11,,dummyx", false},
        {"DUMMY", "dummy", true},
        {nullptr, "x11", false},
        {"", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.driver ? c.driver : "(none)") + " / " + (c.requested ? c.requested : "(none)"));
        EXPECT_EQ(platform::VideoDriverAccepted(c.driver, c.requested), c.accepted);
    }
}

// Each case runs in a fresh copy of this program ("threadsafe" death tests
// re-execute it), so SDL is untouched by earlier tests; `setup` changes its
// environment first. The child exits 0 when everything checked held and
// leaves standard error to the caller's pattern.
class VideoStart : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (testsupport::DrmCardAvailable()) GTEST_SKIP() << "a DRM card is open to this user: kmsdrm may start";
    }

    static void WithoutDisplay(const char* videoDriver) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (videoDriver)
            setenv("SDL_VIDEODRIVER", videoDriver, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
    }

    static HWND CreateTestWindow() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.lpszClassName = "KestraVideoStartTest";
            registered = RegisterClassA(&windowClass) != 0;
        }
        return CreateWindowExA(0, "KestraVideoStartTest", "video start", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                               nullptr, nullptr);
    }

    [[noreturn]] static void ExitWith(int failures) {
        std::fflush(nullptr);
        _exit(failures);
    }
};

TEST_F(VideoStart, WithoutADisplayWindowsFailWithOneLineAndTheExitStatusIsOne) {
    for (const char* named : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(named ? "SDL_VIDEODRIVER empty" : "SDL_VIDEODRIVER unset");
        EXPECT_EXIT(
            {
                WithoutDisplay(named);
                int failures = 0;
                if (platform::ProcessExitStatus(0) != 0) failures |= 1;  // nothing tried yet
                // Every later attempt fails the same way, without a second line.
                for (int i = 0; i < 3; ++i)
                    if (CreateTestWindow() != nullptr) failures |= 2;
                if (platform::EnsureSdl(SDL_INIT_VIDEO)) failures |= 4;
                if (SDL_WasInit(SDL_INIT_VIDEO)) failures |= 8;
                if (GetSystemMetrics(SM_CXSCREEN) != 640 || GetSystemMetrics(SM_CYSCREEN) != 480) failures |= 16;
                if (platform::ProcessExitStatus(0) != 1 || platform::ProcessExitStatus(7) != 7) failures |= 32;
                // Events and joysticks need no display.
                if (!platform::EnsureSdl(SDL_INIT_EVENTS)) failures |= 64;
                ExitWith(failures);
            },
            ::testing::ExitedWithCode(0), "^no display: set DISPLAY or run under a desktop session\n$");
    }
}

TEST_F(VideoStart, ADriverNamedOutrightServesWithoutADisplay) {
    struct Case {
        const char* request;
        const char* driver;
    };
    // "x11" fails without a display; the next name in the list serves.
    for (const Case& c : {Case{"offscreen", "offscreen"}, Case{"x11,offscreen", "offscreen"}, Case{"dummy", "dummy"}}) {
        SCOPED_TRACE(c.request);
        EXPECT_EXIT(
            {
                WithoutDisplay(c.request);
                int failures = 0;
                if (!platform::EnsureSdl(SDL_INIT_VIDEO)) failures |= 1;
                const char* driver = SDL_GetCurrentVideoDriver();
                if (!driver || std::string(driver) != c.driver) failures |= 2;
                if (platform::ProcessExitStatus(0) != 0) failures |= 4;
                ExitWith(failures);
            },
            ::testing::ExitedWithCode(0), "^$");
    }
}

TEST_F(VideoStart, NamingADriverThatCannotStartEndsNonZeroWithSdlsReason) {
    EXPECT_EXIT(
        {
            WithoutDisplay("x11");
            int failures = 0;
            if (CreateTestWindow() != nullptr) failures |= 1;
            if (platform::ProcessExitStatus(0) != 1) failures |= 2;
            ExitWith(failures);
        },
        ::testing::ExitedWithCode(0), "^SDL cannot start: [^\n]+\n$");
}

}  // namespace
