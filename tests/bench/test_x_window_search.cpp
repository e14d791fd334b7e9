// The start-up benchmark's window search on a display where windows vanish
// while it looks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "bench/x_window_search.h"
#include "tests/support/test_support.h"

namespace {

class WindowSearch : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        if (!display_) GTEST_SKIP() << "no X display";
        root_ = DefaultRootWindow(display_);
        title_ = "WindowSearchTest " + std::to_string(getpid());
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    Window MakeWindow(Window parent, const std::string& name) {
        const Window w = XCreateSimpleWindow(display_, parent, 0, 0, 16, 16, 0, 0, 0);
        if (!name.empty()) XStoreName(display_, w, name.c_str());
        XSync(display_, False);
        return w;
    }
    static int Counting(Display*, XErrorEvent*) {
        ++counted_;
        return 0;
    }
    Display* display_ = nullptr;
    Window root_ = 0;
    std::string title_;
    static inline int counted_ = 0;
};

TEST_F(WindowSearch, FindsATitledWindowAndSurvivesOnesThatVanish) {
    const Window outer = MakeWindow(root_, "");
    const Window inner = MakeWindow(outer, title_ + " inner");
    EXPECT_EQ(benchx::FindWindowByTitle(display_, root_, title_), inner);
    EXPECT_EQ(benchx::FindWindowByTitle(display_, outer, title_), inner);
    EXPECT_EQ(benchx::FindWindowByTitle(display_, root_, title_ + " none"), 0u);

    // A window that is gone by the time the search reaches it: every request
    // on it fails with BadWindow, and the search answers "not found". With
    // Xlib's default handler in place such an error would end the process.
    XDestroyWindow(display_, outer);
    XSync(display_, False);
    const int status = testsupport::RunInChild([&] {
        Display* own = XOpenDisplay(nullptr);
        if (!own) return 2;
        XSetErrorHandler(nullptr);
        const Window found = benchx::FindWindowByTitle(own, outer, title_);
        XCloseDisplay(own);
        return found == 0 ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    counted_ = 0;
    XErrorHandler before = XSetErrorHandler(&Counting);
    EXPECT_EQ(benchx::FindWindowByTitle(display_, outer, title_), 0u);
    EXPECT_EQ(benchx::FindWindowByTitle(display_, inner, title_), 0u);
    EXPECT_EQ(benchx::FindWindowByTitle(display_, root_, title_), 0u);
    EXPECT_EQ(counted_, 0);  // swallowed, not passed on
    // The caller's handler is back afterwards, and sees its own errors again.
    char* name = nullptr;
    EXPECT_EQ(XFetchName(display_, outer, &name), 0);
    XSync(display_, False);
    EXPECT_EQ(counted_, 1);
    XSetErrorHandler(before);
}

}  // namespace
