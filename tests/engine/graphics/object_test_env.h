// Shared by the engine-object, surface and camera tests: a run log in a scratch
// folder, and the engine's Direct3D module started on the null or GL backend.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "tests/support/private_display.h"
#include "tests/support/test_support.h"

namespace objtest {

// Opens a log of its own; Log() reads what has been written so far.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessageBoxRecording(true);
        platform::ClearFaults();
        base_ = dir_.path() + "/object_log";
        Kestra::SetLogFile(base_.c_str(), "html");
        ASSERT_TRUE(Kestra::OpenLog("objects"));
    }
    void TearDown() override {
        Kestra::CloseLog();
        platform::ClearFaults();
    }
    std::string Log() const { return testsupport::ReadFile(base_ + ".html"); }
    // Occurrences of text in the log.
    int Count(const std::string& text) const {
        const std::string log = Log();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    testsupport::TempDir dir_;
    std::string base_;
};

// Kestra3D on a device of its own. Call StartDevice from the test (after any
// adapter change); TearDown finishes the module. The GL backend needs a display:
// run such a test's body through InDisplayChild.
class DeviceTest : public LogTest {
protected:
    void SetUp() override {
        LogTest::SetUp();
        d3d9test::ResetAll();
        // The test's own process never opens a display (the adapter's survey
        // would): the display children it forks would share the connection.
        d3d9test::SetBackend(d3d9test::Backend::Null);
    }
    void TearDown() override {
        FinishDevice();
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        if (!className_.empty()) UnregisterClassA(className_.c_str(), nullptr);
        d3d9test::ResetAll();
        LogTest::TearDown();
    }

    void StartDevice(d3d9test::Backend backend) {
        d3d9test::SetBackend(backend);
        Kestra::SetScreenInfo(640, 480, true);
        HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000));
        if (backend == d3d9test::Backend::GL) {
            className_ = std::string("KestraObjTest.") +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = className_.c_str();
            ASSERT_NE(RegisterClassA(&wc), 0);
            window_ = CreateWindowExA(0, className_.c_str(), "objects", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                      nullptr, nullptr);
            ASSERT_NE(window_, nullptr) << "the GL tests need a display (Xvfb)";
            ShowWindow(window_, SW_SHOW);
            window = window_;
        }
        ASSERT_TRUE(Kestra3D::Initialize());
        started_ = true;
        ASSERT_TRUE(Kestra3D::Start(window, true));
        ASSERT_NE(Kestra3D::GetDevice(), nullptr);
    }
    virtual void FinishDevice() {
        if (started_) Kestra3D::Finalize();
        started_ = false;
    }
    IDirect3DDevice9* Device() const { return Kestra3D::GetDevice(); }

    bool started_ = false;
    HWND window_ = nullptr;
    std::string className_;
};

// Runs body in a forked child with an X server of its own: the windowing layer
// keeps its display connection for the life of the process, so each GL test
// gets a process (and a server) to itself. gtest failures in the child fail it;
// the child and its server end with the test's process.
inline int InDisplayChild(const std::function<void()>& body) {
    const pid_t parent = getpid();
    return testsupport::RunInChild([&] {
        testdisplay::EndWithParent(parent);
        testdisplay::PrivateDisplay display;
        body();
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
}

}  // namespace objtest
