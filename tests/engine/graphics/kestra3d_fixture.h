// The Direct3D module on the null backend: a scratch log, recorded boxes, the
// virtual clock and a made-up window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "tests/support/test_support.h"

namespace k3dtest {

using testsupport::Sjis;

inline HWND FakeWindow() { return reinterpret_cast<HWND>(uintptr_t(0x1000)); }

class Kestra3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        d3d9test::ResetAll();
        d3d9test::SetBackend(d3d9test::Backend::Null);
        platform::ClearFaults();
        platform::SetMessageBoxRecording(true);
        platform::ClearRecordedMessageBoxes();
        platform::UseVirtualClock(true);
        platform::ClearVirtualSleeps();
        platform::SetProgramFolderOverride(dir_.path());
        SetCurrentDirectoryA(dir_.path().c_str());
        Kestra::SetScreenInfo(640, 480, true);
        Kestra::SetLogFile("k3d", "html");
        ASSERT_TRUE(Kestra::OpenLog("k3d"));
    }
    void TearDown() override {
        Kestra3D::Finalize();
        Kestra::CloseLog();
        platform::ClearFaults();
        platform::UseVirtualClock(false);
        d3d9test::ResetAll();
    }

    bool Boot(bool windowed = true) {
        Kestra::SetScreenInfo(640, 480, windowed);
        return Kestra3D::Initialize() && Kestra3D::Start(FakeWindow(), windowed);
    }
    IDirect3DDevice9* Device() { return Kestra3D::GetDevice(); }
    std::string Log() { return testsupport::ReadFile(dir_.file("k3d.html")); }
    bool LogHas(const char8_t* utf8) { return Log().find(Sjis(utf8)) != std::string::npos; }
    size_t LogCount(const std::string& cp932) {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find(cp932); at != std::string::npos; at = log.find(cp932, at + 1)) ++n;
        return n;
    }
    DWORD DeviceRenderState(D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        Device()->GetRenderState(state, &value);
        return value;
    }
    DWORD DeviceSamplerState(DWORD stage, D3DSAMPLERSTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        Device()->GetSamplerState(stage, type, &value);
        return value;
    }
    DWORD DeviceStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        Device()->GetTextureStageState(stage, type, &value);
        return value;
    }

    testsupport::TempDir dir_;
};

}  // namespace k3dtest
