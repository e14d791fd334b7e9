// Runs the engine's boot in a child process with a scratch program folder,
// recorded message boxes and window calls, and the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "platform/win32/testing.h"
#include "tests/support/private_display.h"
#include "tests/support/test_support.h"

namespace boot {

// The program folder as the engine sees it, with its own runtime folder so the
// single-instance lock of one test never meets another's.
inline void UseProgramFolder(const std::string& folder, const std::string& runtime = std::string()) {
    platform::SetProgramFolderOverride(folder);
    const std::string run = runtime.empty() ? folder + "/run" : runtime;
    std::filesystem::create_directories(run);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
}

// Runs body in a forked child; gtest failures inside it fail the child. An
// exception ends the child too, so it never goes on to run other tests.
inline int InChild(const std::function<void()>& body) {
    return testsupport::RunInChild([&] {
        try {
            body();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "exception in the child: " << e.what();
            return 1;
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
}

// As InChild, with an X server of the child's own for its windows; the child
// and its server end with the test's process.
inline int InDisplayChild(const std::function<void()>& body) {
    const pid_t parent = getpid();
    return InChild([&] {
        testdisplay::EndWithParent(parent);
        testdisplay::PrivateDisplay display;
        body();
    });
}

using testsupport::U8;

// Prepares a boot: program folder, recordings, clock.
inline void Prepare(const std::string& folder, bool virtualClock = true) {
    UseProgramFolder(folder);
    platform::SetMessageBoxRecording(true);
    platform::ClearRecordedMessageBoxes();
    platform::SetCallRecording(true);
    platform::ClearRecordedCalls();
    platform::UseVirtualClock(virtualClock);
}

inline int BootNow() { return Kestra::Boot(GetModuleHandleA(nullptr), 0, nullptr); }

// The game's configuration as the shipped game has it (without its pack mount).
inline uint32_t g_useFlags = KESTRA_USE_INPUT | KESTRA_USE_SOUND;
inline bool ConfigureLikeGame() {
    Kestra::SetApplicationName("Quenrith ver1.12");
    Kestra::SetScreenInfo(640, 480, true);
    Kestra::SetFrameRate(60);
    Kestra::EnableCaptionStats();
    Kestra::EnableMouseCursor();
    Kestra::SetLogFile("system_log", "html");
    Kestra::SetUseFlags(g_useFlags);
    return true;
}

// UTF-8 text with LF line ends -> the bytes a text-mode CP932 file holds.
inline std::string OnDisk(const std::string& utf8) {
    const std::string cp932 = testsupport::Utf8ToCp932(utf8);
    std::string out;
    for (char c : cp932) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

inline std::string Headline(const std::string& text) {
    return "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
           "        <B>\n          <FONT color=\"WHITE\">" +
           text + "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";
}

inline std::string Head(const std::string& title) {
    return "<HTML>\n<HEAD>\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n<TITLE>" +
           title +
           U8(u8"</TITLE>\n<STYLE type=\"text/css\">\n<!--\nBODY{\n  font-size : 12px;\n  font-family : \"ＭＳ ゴシック\";\n}\n"
           "-->\n</STYLE>\n</HEAD>\n<BODY bgcolor=\"#ffffff\" text=\"#000000\" link=\"#444444\" vlink=\"#444444\" "
           "alink=\"#444444\">\n");
}

// The headline texts of a log file, in order (CP932 bytes as found).
inline std::vector<std::string> Headlines(const std::string& log) {
    std::vector<std::string> out;
    const std::string open = "<FONT color=\"WHITE\">";
    size_t pos = 0;
    while ((pos = log.find(open, pos)) != std::string::npos) {
        pos += open.size();
        const size_t end = log.find("</FONT>", pos);
        if (end == std::string::npos) break;
        out.push_back(log.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

inline std::vector<std::string> Cp932All(const std::vector<std::string>& utf8) {
    std::vector<std::string> out;
    for (const std::string& s : utf8) out.push_back(testsupport::Utf8ToCp932(s));
    return out;
}

// The managers' start order and finish order.
inline const std::vector<std::string> kManagerStarts = {
    "KestraSurface",     "KestraTexture",     "KestraSheet",        "KestraSimple",
    "KestraFont",        "KestraPoint2D",     "KestraPoint3D",      "KestraLine2D",
    "KestraLine3D",      "KestraPrimitive2D", "KestraPrimitive3D",  "KestraSprite2D",
    "KestraSprite3D",    "KestraFontSprite2D", "KestraFontSprite3D", "KestraModelEx"};
// Finish order of the modules that start (the shader-effect module never does).
inline const std::vector<std::string> kManagerFinishes = {
    "KestraSimple",      "KestraModelEx",  "KestraModel",        "KestraCamera",       "KestraSprite3D",
    "KestraPoint2D",     "KestraPoint3D",  "KestraLine2D",       "KestraLine3D",       "KestraPrimitive3D",
    "KestraFontSprite3D", "KestraFontSprite2D", "KestraFont",     "KestraSprite2D",     "KestraPrimitive2D",
    "KestraSheet",       "KestraTexture",  "KestraSurface"};

}  // namespace boot
