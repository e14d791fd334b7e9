// The video driver the window layer starts SDL on: one that shows windows, or
// one that SDL_VIDEODRIVER names; with no display, one line on standard error
// and an exit status of 1.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/kernel.h"
#include "platform/win32/sdl_bridge.h"
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
        {"kmsdrm", "", true},
        {"x11", "wayland", true},
        {"offscreen", nullptr, false},
        {"offscreen", "", false},
        {"dummy", "x11", false},
        {"offscreen", "OffScreen", true},
        {"dummy", "x11,dummy", true},
        {"offscreen", "x11,offscreen,dummy", true},
        {"offscreen", "offscreen2,offscree", false},
        {"dummy", "x11,,dummyx", false},
        {nullptr, "x11", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.driver ? c.driver : "(none)") + " / " + (c.requested ? c.requested : "(none)"));
        EXPECT_EQ(platform::VideoDriverAccepted(c.driver, c.requested), c.accepted);
    }
}

// Each case runs in a fresh copy of this program ("threadsafe" death tests
// re-execute it), so SDL is untouched by earlier tests.
TEST(VideoStart, WithoutADisplayOnlyADriverNamedOutrightStarts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (testsupport::DrmCardAvailable()) GTEST_SKIP() << "a DRM card is open to this user: kmsdrm may start";
    const char* noDisplay = "^no display: set DISPLAY or run under a desktop session\n$";
    struct Case {
        const char* request;  // SDL_VIDEODRIVER, or null for none
        const char* driver;   // the driver that serves, or null when none may
        int status;           // the process's exit status after WinMain answered 0
        const char* errors;   // all of standard error
    };
    const Case cases[] = {
        {nullptr, nullptr, 1, noDisplay},
        {"", nullptr, 1, noDisplay},
        {"x11,offscreen", "offscreen", 0, "^$"},  // x11 finds no display; the next name serves
        {"dummy", "dummy", 0, "^$"},
        {"x11", nullptr, 1, "^SDL cannot start: [^\n]+\n$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request ? c.request : "(unset)");
        EXPECT_EXIT(
            {
                unsetenv("DISPLAY");
                unsetenv("WAYLAND_DISPLAY");
                // A desktop session has a runtime folder; without one SDL's
                // Wayland probe complains on standard error.
                char runtime[] = "/tmp/quenrith-xdg-XXXXXX";
                const bool ownRuntime = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtime);
                if (ownRuntime) setenv("XDG_RUNTIME_DIR", runtime, 1);
                if (c.request)
                    setenv("SDL_VIDEODRIVER", c.request, 1);
                else
                    unsetenv("SDL_VIDEODRIVER");
                bool held = platform::ProcessExitStatus(0) == 0;  // nothing tried yet
                // A second attempt answers the same and writes no second line.
                for (int i = 0; i < 2; ++i) held &= platform::EnsureSdl(SDL_INIT_VIDEO) == (c.driver != nullptr);
                const char* driver = SDL_GetCurrentVideoDriver();
                held &= c.driver ? driver && std::strcmp(driver, c.driver) == 0 : !SDL_WasInit(SDL_INIT_VIDEO);
                held &= platform::ProcessExitStatus(0) == c.status && platform::ProcessExitStatus(7) == 7;
                // Events (and so joysticks) need no display.
                held &= platform::EnsureSdl(SDL_INIT_EVENTS);
                std::fflush(nullptr);
                if (ownRuntime) rmdir(runtime);
                _exit(held ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), c.errors);
    }
}

}  // namespace
